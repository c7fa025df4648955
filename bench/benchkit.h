#pragma once

// Shared pieces of the benchmark programs: statistics over timed samples,
// the result lines scripts/bench gathers into its table, a scratch working
// directory, and CPU clocks.

#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace bench {

struct Stats {
    int count = 0;
    double mean = 0;
    double median = 0;
    double p99 = 0;
    double p999 = 0;
    double max = 0;
};

// Order statistics of the samples (any unit).
Stats statsOf(std::vector<double> samples);

// Nanoseconds on the monotonic clock, comparable across processes.
qint64 monotonicNs();
// CPU time used so far by the calling thread, in seconds.
double threadCpuSeconds();

// One row of the final table. figure is 1..8; value and target are shown as
// given; detail is free text for the README and the reader.
void report(int figure, const QString &what, const QString &value, const QString &target, bool pass,
            const QString &detail = QString());
// A line of context that scripts/bench prints below the table.
void note(const QString &text);

QString fmt(double value, int decimals = 2);

// Makes a fresh temporary directory the working directory for its
// lifetime: the program writes log/ and historyData/ relative to it.
class ScratchDir
{
public:
    ScratchDir();
    ~ScratchDir();
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QString previous;
};

// Heap bytes in use (malloc arena plus large mapped blocks).
qint64 heapBytesInUse();

} // namespace bench
