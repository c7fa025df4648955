// Any datagram on a card's socket: only an exact 21-byte reply is decoded,
// and its texts never index outside the name tables.
#include "discoveryframes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), int(size));
    const auto status = parseStatusReply(datagram);
    if (status) {
        if (size != 21)
            __builtin_trap();
        briefStatusTexts(*status);
    }
    return 0;
}
