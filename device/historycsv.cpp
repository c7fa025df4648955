#include "historycsv.h"

#include <QString>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace historycsv {

namespace {

const char marker[] = "KLV2400Data";

// QVector<double> holds at most this many elements (its allocation size is an int).
constexpr qint64 MaxVectorSize = (std::numeric_limits<int>::max() - 64) / qint64(sizeof(double));

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isDigitOrPoint(char c)
{
    return (c >= '0' && c <= '9') || c == '.';
}

// The field as the import reads it by definition: text in the local code
// page, to double as Qt reads numbers (surrounding white space of any kind
// allowed); anything else, and anything not finite, is 0.
double plainFieldValue(const char *begin, const char *end)
{
    bool ok = false;
    const double v = QString::fromLocal8Bit(begin, int(end - begin)).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

// A field of plain decimal notation (what this program writes) is read with
// std::from_chars, which rounds exactly as Qt does. Everything else, from a
// leading "+-" to "inf", a non-ASCII blank or an overflow, takes the plain
// path above, so both always agree.
double fieldValue(const char *begin, const char *end)
{
    const char *b = begin;
    const char *e = end;
    while (b < e && isBlank(*b))
        ++b;
    while (e > b && isBlank(e[-1]))
        --e;
    const char *number = b < e && *b == '+' ? b + 1 : b;   // from_chars takes no plus sign
    const char *digits = number < e && *number == '-' && number == b ? number + 1 : number;
    if (digits < e && isDigitOrPoint(*digits)) {
        double v = 0;
        const std::from_chars_result r = std::from_chars(number, e, v);
        if (r.ec == std::errc() && r.ptr == e && std::isfinite(v))
            return v;
    }
    return plainFieldValue(begin, end);
}

// Could x lie exactly halfway between two 6-digit decimals? Qt rounds such
// a tie away from zero, std::to_chars to even. A tie needs
// x * 10^(5 - E) * 2 to be an odd integer, E being the decimal exponent of
// x; with x = m * 2^k, m odd, that means k == E - 6. E is one of three
// values next to the binary exponent's estimate, so this test is cheap and
// errs only towards yes.
bool mayBeTie(double x)
{
    std::uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    const int biased = int((bits >> 52) & 0x7FF);
    if (biased == 0)   // subnormal: rare enough to leave to Qt
        return true;
    const std::uint64_t m = (bits & ((std::uint64_t(1) << 52) - 1)) | (std::uint64_t(1) << 52);
    const int lowBit = biased - 1075 + int(qCountTrailingZeroBits(m));
    const int estimate = int(std::floor((biased - 1023) * 0.30102999566398120));
    return lowBit + 6 >= estimate - 1 && lowBit + 6 <= estimate + 1;
}

// x as QString::number(x, 'g', 6) writes it, with std::to_chars doing the
// work: Qt writes 0 for -0 and nan whatever the sign, and rounds exact
// ties away from zero, which the rare possible tie leaves to Qt itself.
char *formatNumber(char *out, double x)
{
    if (x == 0) {
        *out = '0';
        return out + 1;
    }
    if (std::isnan(x)) {
        std::memcpy(out, "nan", 3);
        return out + 3;
    }
    if (std::isfinite(x) && mayBeTie(x)) {
        const QByteArray qt = QByteArray::number(x, 'g', 6);
        std::memcpy(out, qt.constData(), size_t(qt.size()));
        return out + qt.size();
    }
    return std::to_chars(out, out + MaxRowBytes / 3, x, std::chars_format::general, 6).ptr;
}

} // namespace

bool parseRow(const char *begin, const char *end, Row &row)
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
    row.time = fieldValue(fieldStarts[0], fieldEnds[0]);
    row.voltage = fieldValue(fieldStarts[1], fieldEnds[1]);
    row.current = fieldValue(fieldStarts[2], fieldEnds[2]);
    return true;
}

QByteArray headerBytes()
{
    return QByteArrayLiteral("KLV2400Data\ntime,Vol,Cur\n");
}

QByteArray formatRow(double time, double voltage, double current)
{
    char row[MaxRowBytes];
    return QByteArray(row, formatRow(row, time, voltage, current));
}

int formatRow(char *out, double time, double voltage, double current)
{
    char *p = formatNumber(out, time);
    *p++ = ',';
    p = formatNumber(p, voltage);
    *p++ = ',';
    p = formatNumber(p, current);
    *p++ = '\n';
    return int(p - out);
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

Curves parseRows(const QByteArray &data)
{
    RowReader reader(data.size(), std::numeric_limits<qint64>::max(), std::numeric_limits<qint64>::max());
    reader.feed(data);
    reader.finish();
    return reader.takeCurves();
}

RowReader::RowReader(qint64 expectedBytes, qint64 maxRows, qint64 maxLineBytes)
    : maxRows(std::clamp<qint64>(maxRows, 0, MaxVectorSize - 1)), maxLineBytes(maxLineBytes)
{
    // A recorded row is typically 15-25 bytes, so this rarely has to grow.
    resizeCurves(std::max<qint64>(expectedBytes, 0) / 16 + 16);
}

// Rows are written in place rather than appended (the import's inner loop);
// the curves are cut to the rows read when taken.
void RowReader::resizeCurves(qint64 rows)
{
    const int size = int(std::min(rows, maxRows + 1));
    curves.times.resize(size);
    curves.voltages.resize(size);
    curves.currents.resize(size);
    times = curves.times.data();
    voltages = curves.voltages.data();
    currents = curves.currents.data();
}

bool RowReader::feed(const char *data, qint64 size)
{
    const char *p = data;
    const char *end = data + std::max<qint64>(size, 0);
    while (p < end && refused == Refusal::None) {
        const void *nl = std::memchr(p, '\n', size_t(end - p));
        const char *lineEnd = nl ? static_cast<const char *>(nl) : end;
        if (qint64(unended.size()) + (lineEnd - p) > maxLineBytes) {
            refuse(Refusal::LineTooLong);
            break;
        }
        if (!nl) {
            unended.append(p, int(end - p));
            break;
        }
        if (unended.isEmpty()) {
            addLine(p, lineEnd);
        } else {
            unended.append(p, int(lineEnd - p));
            addLine(unended.constData(), unended.constData() + unended.size());
            unended.clear();
        }
        p = lineEnd + 1;
    }
    return refused == Refusal::None;
}

bool RowReader::finish()
{
    if (refused == Refusal::None && !unended.isEmpty())
        addLine(unended.constData(), unended.constData() + unended.size());
    unended = QByteArray();
    return refused == Refusal::None;
}

void RowReader::refuse(Refusal why)
{
    refused = why;
    count = 0;
    unended = QByteArray();
    curves = Curves();   // give the memory back at once
    resizeCurves(0);
}

Curves RowReader::takeCurves()
{
    resizeCurves(count);
    Curves taken;
    std::swap(taken, curves);
    count = 0;
    resizeCurves(0);
    return taken;
}

void RowReader::addLine(const char *begin, const char *end)
{
    Row row;
    if (!parseRow(begin, end, row))
        return;
    if (count >= maxRows) {
        refuse(Refusal::TooManyRows);
        return;
    }
    if (count == curves.times.size())
        resizeCurves(std::max<qint64>(2 * count, 16));
    times[count] = row.time;
    voltages[count] = row.voltage;
    currents[count] = row.current;
    ++count;
}

} // namespace historycsv
