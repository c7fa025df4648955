// The style sheet's bytes, valid UTF-8 or not.
#include "stylesheet.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    decodeStyleSheet(QByteArray(reinterpret_cast<const char *>(data), int(size)));
    return 0;
}
