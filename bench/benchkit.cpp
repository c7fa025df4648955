#include "benchkit.h"

#include <QDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <malloc.h>
#include <numeric>

namespace bench {

namespace {

double quantile(const std::vector<double> &sorted, double q)
{
    if (sorted.empty())
        return 0;
    const double at = q * double(sorted.size() - 1);
    const size_t lo = size_t(std::floor(at));
    const size_t hi = std::min(lo + 1, sorted.size() - 1);
    return sorted[lo] + (sorted[hi] - sorted[lo]) * (at - double(lo));
}

QByteArray oneLine(const QString &text)
{
    QString s = text;
    s.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    return s.toUtf8();
}

} // namespace

Stats statsOf(std::vector<double> samples)
{
    Stats s;
    if (samples.empty())
        return s;
    std::sort(samples.begin(), samples.end());
    s.count = int(samples.size());
    s.mean = std::accumulate(samples.begin(), samples.end(), 0.0) / double(samples.size());
    s.median = quantile(samples, 0.5);
    s.p99 = quantile(samples, 0.99);
    s.p999 = quantile(samples, 0.999);
    s.max = samples.back();
    return s;
}

qint64 monotonicNs()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double threadCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

void report(int figure, const QString &what, const QString &value, const QString &target, bool pass,
            const QString &detail)
{
    std::printf("RESULT\t%d\t%s\t%s\t%s\t%s\t%s\n", figure, oneLine(what).constData(),
                oneLine(value).constData(), oneLine(target).constData(), pass ? "pass" : "FAIL",
                oneLine(detail).constData());
    std::fflush(stdout);
}

void note(const QString &text)
{
    std::printf("NOTE\t%s\n", oneLine(text).constData());
    std::fflush(stdout);
}

QString fmt(double value, int decimals)
{
    return QString::number(value, 'f', decimals);
}

ScratchDir::ScratchDir()
    : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

ScratchDir::~ScratchDir()
{
    QDir::setCurrent(previous);
}

qint64 heapBytesInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return qint64(info.uordblks) + qint64(info.hblkhd);
}

} // namespace bench
