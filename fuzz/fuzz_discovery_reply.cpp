// Any datagram on the discovery socket: only an exact 81-byte reply may be
// taken, and nothing is read past its end.
#include "discoveryframes.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray datagram(reinterpret_cast<const char *>(data), int(size));
    const auto identity = parseIdentityReply(datagram);
    if (identity) {
        if (size != 81)
            __builtin_trap();
        namesKlv2400(identity->model);
    }
    return 0;
}
