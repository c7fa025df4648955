// One data line: never read beyond its end, never a non-finite value.
#include "historycsv.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // A copy of exactly the line's bytes, so ASan sees any read past it.
    std::vector<char> line(data, data + size);
    historycsv::Row row;
    if (historycsv::parseRow(line.data(), line.data() + line.size(), row)) {
        if (!std::isfinite(row.time) || !std::isfinite(row.voltage) || !std::isfinite(row.current))
            __builtin_trap();
    }
    return 0;
}
