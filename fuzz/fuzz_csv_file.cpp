// A whole history file as it may come back after hand editing, read at once
// and in pieces of sizes the input chooses: both must give the same rows.
#include "historycsv.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace {

bool sameValues(const QVector<double> &a, const QVector<double> &b)
{
    return a.size() == b.size()
        && (a.isEmpty() || std::memcmp(a.constData(), b.constData(), size_t(a.size()) * sizeof(double)) == 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), int(size));
    const int firstEnd = bytes.indexOf('\n');
    historycsv::isMarkerLine(firstEnd < 0 ? bytes : bytes.left(firstEnd));
    const historycsv::Curves curves = historycsv::parseRows(bytes);
    if (curves.times.size() != curves.voltages.size() || curves.times.size() != curves.currents.size())
        __builtin_trap();

    // Piece sizes 1..16 taken from the input's own first bytes.
    historycsv::RowReader reader(0, bytes.size());
    for (qint64 at = 0, i = 0; at < bytes.size(); ++i) {
        const qint64 piece = std::min<qint64>(1 + (data[i % size] & 15), bytes.size() - at);
        reader.feed(bytes.constData() + at, piece);
        at += piece;
    }
    reader.finish();
    const historycsv::Curves pieces = reader.takeCurves();
    if (!sameValues(curves.times, pieces.times) || !sameValues(curves.voltages, pieces.voltages)
        || !sameValues(curves.currents, pieces.currents))
        __builtin_trap();
    return 0;
}
