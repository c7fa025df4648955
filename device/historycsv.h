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

} // namespace historycsv
