// A whole history file as it may come back after hand editing.
#include "historycsv.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int firstEnd = bytes.indexOf('\n');
    historycsv::isMarkerLine(firstEnd < 0 ? bytes : bytes.left(firstEnd));
    const historycsv::Curves curves = historycsv::parseRows(bytes);
    if (curves.times.size() != curves.voltages.size() || curves.times.size() != curves.currents.size())
        __builtin_trap();
    return 0;
}
