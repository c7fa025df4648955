#include "minmaxindex.h"

#include <algorithm>
#include <cmath>

// Gathers the points of one pixel column and writes what stands for them.
// The order of the smallest and largest value is kept through sequence
// numbers: two per step, so a block can place its own extremes in order.
class MinMaxIndex::Column
{
public:
    explicit Column(QVector<QCPGraphData> *out) : out(out) {}

    void addPoint(const QCPGraphData &p)
    {
        if (count < RawKept)
            raw[count] = p;
        take(p, p, p.value, p.value, true, 1);
    }
    void addBlock(const QCPGraphData &first, const QCPGraphData &last, const Summary &s, int points)
    {
        take(first, last, s.min, s.max, s.minFirst, points);
    }
    void flush()
    {
        if (count == 0)
            return;
        if (count <= RawKept) {
            for (int i = 0; i < count; ++i)
                out->append(raw[i]);
        } else {
            const bool minFirst = minSeq < maxSeq;
            out->append(first);
            out->append(QCPGraphData(first.key, minFirst ? min : max));
            out->append(QCPGraphData(last.key, minFirst ? max : min));
            out->append(last);
        }
        count = 0;
        step = 0;
    }

private:
    static constexpr int RawKept = 4;

    void take(const QCPGraphData &firstPoint, const QCPGraphData &lastPoint, double lo, double hi,
              bool loFirst, int points)
    {
        const qint64 loSeq = step * 2 + (loFirst ? 0 : 1);
        const qint64 hiSeq = step * 2 + (loFirst ? 1 : 0);
        ++step;
        if (count == 0) {
            first = firstPoint;
            min = lo;
            max = hi;
            minSeq = loSeq;
            maxSeq = hiSeq;
        } else {
            if (lo < min) {
                min = lo;
                minSeq = loSeq;
            }
            if (hi > max) {
                max = hi;
                maxSeq = hiSeq;
            }
        }
        last = lastPoint;
        count += points;
    }

    QVector<QCPGraphData> *out;
    QCPGraphData raw[RawKept];
    QCPGraphData first, last;
    double min = 0, max = 0;
    qint64 minSeq = 0, maxSeq = 0, step = 0;
    int count = 0;
};

void MinMaxIndex::clear()
{
    base = 0;
    fineStart = 0;
    coarseStart = 0;
    fine.clear();
    coarse.clear();
}

void MinMaxIndex::dropFront(int count)
{
    base += count;
    while (!fine.empty() && (fineStart + 1) * Fine <= base) {
        fine.pop_front();
        ++fineStart;
    }
    if (fine.empty())
        fineStart = std::max(fineStart, base / Fine);
    while (!coarse.empty() && (coarseStart + 1) * Coarse <= base) {
        coarse.pop_front();
        ++coarseStart;
    }
    if (coarse.empty())
        coarseStart = std::max(coarseStart, base / Coarse);
}

bool MinMaxIndex::sync(const QCPGraphData *data, int size)
{
    const qint64 end = base + size;
    if ((fineStart + qint64(fine.size())) * Fine > end)
        return false;
    while ((fineStart + qint64(fine.size()) + 1) * Fine <= end)
        summariseFine(data);
    constexpr qint64 perCoarse = Coarse / Fine;
    while ((coarseStart + qint64(coarse.size()) + 1) * perCoarse <= fineStart + qint64(fine.size()))
        summariseCoarse();
    return true;
}

// A block that begins before the first point still held lost points to
// the window: it is kept as a placeholder, never used.
void MinMaxIndex::summariseFine(const QCPGraphData *data)
{
    Summary s;
    const qint64 start = (fineStart + qint64(fine.size())) * Fine;
    if (start >= base) {
        const QCPGraphData *p = data + (start - base);
        s.usable = true;
        s.min = s.max = p[0].value;
        int minAt = 0, maxAt = 0;
        for (int i = 0; i < Fine; ++i) {
            const double v = p[i].value;
            if (std::isnan(v)) {
                s.usable = false;
                break;
            }
            if (v < s.min) {
                s.min = v;
                minAt = i;
            }
            if (v > s.max) {
                s.max = v;
                maxAt = i;
            }
        }
        s.minFirst = minAt <= maxAt;
    }
    fine.push_back(s);
}

void MinMaxIndex::summariseCoarse()
{
    Summary s;
    constexpr qint64 perCoarse = Coarse / Fine;
    const qint64 firstFine = (coarseStart + qint64(coarse.size())) * perCoarse;
    if (firstFine >= fineStart) {
        s.usable = true;
        qint64 minSeq = 0, maxSeq = 0;
        for (qint64 b = 0; b < perCoarse && s.usable; ++b) {
            const Summary &f = fine[size_t(firstFine - fineStart + b)];
            s.usable = f.usable;
            const qint64 loSeq = b * 2 + (f.minFirst ? 0 : 1);
            const qint64 hiSeq = b * 2 + (f.minFirst ? 1 : 0);
            if (b == 0 || f.min < s.min) {
                s.min = f.min;
                minSeq = loSeq;
            }
            if (b == 0 || f.max > s.max) {
                s.max = f.max;
                maxSeq = hiSeq;
            }
        }
        s.minFirst = minSeq < maxSeq;
    }
    coarse.push_back(s);
}

const MinMaxIndex::Summary *MinMaxIndex::fineAt(qint64 absolute) const
{
    const qint64 b = absolute / Fine - fineStart;
    if (b < 0 || b >= qint64(fine.size()))
        return nullptr;
    const Summary &s = fine[size_t(b)];
    return s.usable ? &s : nullptr;
}

const MinMaxIndex::Summary *MinMaxIndex::coarseAt(qint64 absolute) const
{
    const qint64 b = absolute / Coarse - coarseStart;
    if (b < 0 || b >= qint64(coarse.size()))
        return nullptr;
    const Summary &s = coarse[size_t(b)];
    return s.usable ? &s : nullptr;
}

void MinMaxIndex::reduce(const QCPGraphData *data, int from, int to, PixelMap map,
                         QVector<QCPGraphData> *out) const
{
    Column column(out);
    int i = from;
    while (i < to) {
        const double pixel = std::floor(map.origin + map.scale * data[i].key);
        const double columnEnd = (pixel + 1 - map.origin) / map.scale;   // first key of the next column
        do {
            const QCPGraphData &p = data[i];
            if (std::isnan(p.value)) {   // a gap in the line stays a gap
                column.flush();
                out->append(p);
                ++i;
                continue;
            }
            const qint64 absolute = base + i;
            if (absolute % Coarse == 0 && to - i >= Coarse && data[i + Coarse - 1].key < columnEnd) {
                if (const Summary *s = coarseAt(absolute)) {
                    column.addBlock(p, data[i + Coarse - 1], *s, Coarse);
                    i += Coarse;
                    continue;
                }
            }
            if (absolute % Fine == 0 && to - i >= Fine && data[i + Fine - 1].key < columnEnd) {
                if (const Summary *s = fineAt(absolute)) {
                    column.addBlock(p, data[i + Fine - 1], *s, Fine);
                    i += Fine;
                    continue;
                }
            }
            column.addPoint(p);
            ++i;
        } while (i < to && data[i].key < columnEnd);
        column.flush();
    }
}

qint64 MinMaxIndex::memoryBytes() const
{
    return qint64(fine.size() + coarse.size()) * qint64(sizeof(Summary));
}
