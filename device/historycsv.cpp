#include "historycsv.h"

#include <cmath>
#include <cstring>

namespace historycsv {

namespace {

const char marker[] = "KLV2400Data";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

// scratch is reused from field to field, so that reading a large file does
// not allocate per number.
double fieldValue(const char *begin, const char *end, QByteArray &scratch)
{
    scratch.resize(int(end - begin));
    std::memcpy(scratch.data(), begin, size_t(end - begin));
    bool ok = false;
    const double v = scratch.toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

bool parseRowWith(const char *begin, const char *end, Row &row, QByteArray &scratch)
{
    while (begin < end && isBlank(*begin))
        ++begin;
    while (end > begin && isBlank(end[-1]))
        --end;
    const char *fieldStarts[3];
    const char *fieldEnds[3];
    const char *p = begin;
    for (int i = 0; i < 3; ++i) {
        if (i > 0) {
            if (p == end)   // no comma left: fewer than three fields
                return false;
            ++p;            // past the comma
        }
        fieldStarts[i] = p;
        // memchr wants a valid pointer even for no bytes: an empty line may have none.
        const void *comma = p < end ? std::memchr(p, ',', size_t(end - p)) : nullptr;
        p = comma ? static_cast<const char *>(comma) : end;
        fieldEnds[i] = p;
    }
    row.time = fieldValue(fieldStarts[0], fieldEnds[0], scratch);
    row.voltage = fieldValue(fieldStarts[1], fieldEnds[1], scratch);
    row.current = fieldValue(fieldStarts[2], fieldEnds[2], scratch);
    return true;
}

} // namespace

QByteArray headerBytes()
{
    return QByteArrayLiteral("KLV2400Data\ntime,Vol,Cur\n");
}

QByteArray formatRow(double time, double voltage, double current)
{
    QByteArray row;
    row.reserve(40);
    row += QByteArray::number(time, 'g', 6);
    row += ',';
    row += QByteArray::number(voltage, 'g', 6);
    row += ',';
    row += QByteArray::number(current, 'g', 6);
    row += '\n';
    return row;
}

bool isMarkerLine(const QByteArray &line)
{
    const char *b = line.constData();
    const char *e = b + line.size();
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
    const size_t n = sizeof(marker) - 1;
    return size_t(e - b) == n && std::memcmp(b, marker, n) == 0;
}

bool parseRow(const char *begin, const char *end, Row &row)
{
    QByteArray scratch;
    return parseRowWith(begin, end, row, scratch);
}

Curves parseRows(const QByteArray &data)
{
    Curves curves;
    const char *p = data.constData();
    const char *end = p + data.size();
    // A recorded row is typically 15-25 bytes: reserve once instead of regrowing.
    const int estimate = data.size() / 16;
    curves.times.reserve(estimate);
    curves.voltages.reserve(estimate);
    curves.currents.reserve(estimate);
    QByteArray scratch;
    scratch.reserve(32);
    while (p < end) {
        const void *nl = std::memchr(p, '\n', size_t(end - p));
        const char *lineEnd = nl ? static_cast<const char *>(nl) : end;
        Row row;
        if (parseRowWith(p, lineEnd, row, scratch)) {
            curves.times.append(row.time);
            curves.voltages.append(row.voltage);
            curves.currents.append(row.current);
        }
        p = nl ? lineEnd + 1 : end;
    }
    return curves;
}

} // namespace historycsv
