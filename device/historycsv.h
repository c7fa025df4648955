#pragma once

// The CSV history file of a run: its header, one row per sample, and reading
// such a file back. Pure functions over bytes, no files or widgets.

#include <QByteArray>
#include <QVector>

namespace historycsv {

// "KLV2400Data\ntime,Vol,Cur\n"
QByteArray headerBytes();

// One row "t,v,c\n", each number as QString::number(x, 'g', 6) writes it:
// general format, 6 significant digits, "." as the decimal point.
QByteArray formatRow(double time, double voltage, double current);

// The longest row the function below writes.
constexpr int MaxRowBytes = 64;
// The same row written to out, which holds at least MaxRowBytes; returns
// its length. No allocation: the page writes one per sample.
int formatRow(char *out, double time, double voltage, double current);

// True when the first line (with or without its line end) is the marker,
// surrounding ASCII blanks and CR allowed. Compared as bytes, so a
// byte-order mark in front is refused.
bool isMarkerLine(const QByteArray &line);

struct Row {
    double time = 0;
    double voltage = 0;
    double current = 0;
};

// Parses one data line [begin, end) without its line end. Returns false for
// a line with fewer than three comma-separated fields. A field that is not a
// finite number reads as 0; fields after the third are ignored.
bool parseRow(const char *begin, const char *end, Row &row);

struct Curves {
    QVector<double> times;
    QVector<double> voltages;
    QVector<double> currents;
};

// Parses the data lines that follow the two header lines (LF or CRLF line
// ends, last line end optional), skipping lines with fewer than three fields.
Curves parseRows(const QByteArray &data);

// The most rows an import takes: ten times a full plot window at 100 ms.
// Beyond it the curves alone would need gigabytes.
constexpr qint64 MaxImportRows = 10000000;
// The longest line an import takes; a row this program writes is under 64
// bytes. Longer lines make the file unreadable rather than held in memory.
constexpr qint64 MaxImportLineBytes = 16 * 1024 * 1024;

// parseRows() over bytes that arrive in pieces of any size, so that a file
// is never held whole in memory: only the rows and a line not yet ended.
class RowReader
{
public:
    enum class Refusal { None, TooManyRows, LineTooLong };

    // expectedBytes only sizes the first allocation.
    explicit RowReader(qint64 expectedBytes = 0, qint64 maxRows = MaxImportRows,
                       qint64 maxLineBytes = MaxImportLineBytes);
    // False once the file is refused; later pieces are then ignored.
    bool feed(const char *data, qint64 size);
    bool feed(const QByteArray &piece) { return feed(piece.constData(), piece.size()); }
    // Takes the last line if it has no line end. False when refused.
    bool finish();
    Refusal refusal() const { return refused; }
    // The rows read (none once refused), the reader left empty.
    Curves takeCurves();

private:
    void addLine(const char *begin, const char *end);
    void refuse(Refusal why);
    void resizeCurves(qint64 rows);

    Curves curves;
    double *times = nullptr;
    double *voltages = nullptr;
    double *currents = nullptr;
    QByteArray unended;   // the start of a line whose end has not arrived
    qint64 count = 0;
    qint64 maxRows;
    qint64 maxLineBytes;
    Refusal refused = Refusal::None;
};

} // namespace historycsv
