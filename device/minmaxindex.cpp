#include "minmaxindex.h"

#include <algorithm>
#include <cmath>

// Gathers the points of one pixel column and writes what stands for them.
class MinMaxIndex::Column
{
public:
    Column(const QCPGraphData *data, QVector<QCPGraphData> *out) : data(data), out(out) {}

    void addPoint(int i)
    {
        if (count < RawKept)
            raw[count] = i;
        const double v = data[i].value;
        take(i, i, v, v, 1);
    }
    void addBlock(int i, int points, const Summary &s) { take(i, i + points - 1, s.min, s.max, points); }
    void flush()
    {
        if (count == 0)
            return;
        if (count <= RawKept) {
            for (int k = 0; k < count; ++k)
                out->append(data[raw[k]]);
        } else {
            // Both extremes share one pixel column: whichever comes first
            // draws the same band, and starting near the line so far keeps
            // the step from the last column short.
            const double previous = out->isEmpty() ? min : out->constLast().value;
            const bool minFirst = !(std::abs(max - previous) < std::abs(min - previous));
            out->append(QCPGraphData(data[firstIndex].key, minFirst ? min : max));
            out->append(QCPGraphData(data[lastIndex].key, minFirst ? max : min));
        }
        count = 0;
    }

private:
    static constexpr int RawKept = 4;

    void take(int from, int to, double lo, double hi, int points)
    {
        if (count == 0) {
            firstIndex = from;
            min = lo;
            max = hi;
        } else {
            min = std::min(min, lo);
            max = std::max(max, hi);
        }
        lastIndex = to;
        count += points;
    }

    const QCPGraphData *data;
    QVector<QCPGraphData> *out;
    int raw[RawKept] = {};
    int firstIndex = 0, lastIndex = 0;
    double min = 0, max = 0;
    int count = 0;
};

void MinMaxIndex::Level::push(const Summary &s)
{
    if (count == ring.size()) {
        std::vector<Summary> bigger(std::max<size_t>(64, ring.size() * 2));
        for (size_t k = 0; k < count; ++k)
            bigger[k] = ring[(head + k) & mask];
        ring.swap(bigger);
        head = 0;
        mask = ring.size() - 1;
    }
    ring[(head + count) & mask] = s;
    ++count;
}

void MinMaxIndex::Level::popFront()
{
    head = (head + 1) & mask;
    --count;
    ++first;
}

void MinMaxIndex::Level::clear()
{
    ring.clear();
    ring.shrink_to_fit();
    head = count = mask = 0;
    first = 0;
}

void MinMaxIndex::clear()
{
    base = 0;
    for (Level &level : levels)
        level.clear();
}

void MinMaxIndex::dropFront(int count)
{
    base += count;
    for (int l = 0; l < Levels; ++l) {
        Level &level = levels[l];
        while (!level.empty() && (level.first + 1) << shiftOf(l) <= base)
            level.popFront();
        if (level.empty())
            level.first = std::max(level.first, base >> shiftOf(l));
    }
}

bool MinMaxIndex::sync(const QCPGraphData *data, int size)
{
    const qint64 end = base + size;
    if (levels[0].end() * blockSize(0) > end)
        return false;
    while ((levels[0].end() + 1) * blockSize(0) <= end)
        levels[0].push(summarisePoints(data, levels[0].end() * blockSize(0)));
    for (int l = 1; l < Levels; ++l) {
        while ((levels[l].end() + 1) * Fan <= levels[l - 1].end())
            levels[l].push(summariseBlocks(l, levels[l].end() * Fan));
    }
    return true;
}

// A block that begins before the first point still held lost points to
// the window: it is kept as a placeholder, never used.
MinMaxIndex::Summary MinMaxIndex::summarisePoints(const QCPGraphData *data, qint64 start) const
{
    if (start < base)
        return Summary();
    const QCPGraphData *p = data + (start - base);
    Summary s;
    s.min = s.max = p[0].value;
    bool nan = false;
    for (int i = 0; i < Fan; ++i) {   // no early exit: the loop stays branch-free
        const double v = p[i].value;
        nan |= std::isnan(v);
        s.min = v < s.min ? v : s.min;
        s.max = v > s.max ? v : s.max;
    }
    return nan ? Summary() : s;
}

MinMaxIndex::Summary MinMaxIndex::summariseBlocks(int level, qint64 firstBelow) const
{
    const Level &below = levels[level - 1];
    if (firstBelow < below.first)
        return Summary();
    Summary s = below.at(firstBelow);
    for (int b = 0; b < Fan; ++b) {
        const Summary &f = below.at(firstBelow + b);
        if (!f.usable())
            return Summary();
        s.min = std::min(s.min, f.min);
        s.max = std::max(s.max, f.max);
    }
    return s;
}

const MinMaxIndex::Summary *MinMaxIndex::usableAt(int level, qint64 absolute) const
{
    const Level &l = levels[level];
    const qint64 block = absolute >> shiftOf(level);
    if (block < l.first || block >= l.end())
        return nullptr;
    const Summary &s = l.at(block);
    return s.usable() ? &s : nullptr;
}

// data[i, end) in one column: the largest summarised blocks that fit, the
// points around them one by one.
void MinMaxIndex::addSpan(Column &column, const QCPGraphData *data, int i, int end) const
{
    while (i < end) {
        const qint64 absolute = base + i;
        // The highest level whose blocks start here: four bits per level.
        int l = absolute == 0 ? Levels - 1 : std::min(Levels, int(qCountTrailingZeroBits(quint64(absolute))) / 4) - 1;
        while (l >= 0 && (end - i < blockSize(l) || !usableAt(l, absolute)))
            --l;
        if (l >= 0) {
            column.addBlock(i, int(blockSize(l)), *usableAt(l, absolute));
            i += int(blockSize(l));
            continue;
        }
        if (std::isnan(data[i].value)) {   // a gap in the line stays a gap
            column.flush();
            column.addPoint(i);
            column.flush();
        } else {
            column.addPoint(i);
        }
        ++i;
    }
}

namespace {

// The first index in [i + 1, to] whose key is not below keyEnd (to if
// none). Columns hold about the same number of points, so the search
// starts where the last column's width puts the end and gallops from there.
int columnEnd(const QCPGraphData *data, int i, int to, double keyEnd, int guess)
{
    const auto below = [&](int j) { return data[j].key < keyEnd; };
    const int first = i + 1;
    if (first >= to || !below(first))
        return first;
    // The answer lies in (first, to]; narrow it to [lo, hi] around the guess.
    const int probe = std::min(i + std::max(guess, 2), to);
    int lo, hi;
    if (probe == to || !below(probe)) {
        hi = probe;
        int step = 1;
        int j = hi - step;
        while (j > first && !below(j)) {
            hi = j;
            step *= 2;
            j = hi - step;
        }
        lo = std::max(j, first) + 1;
    } else {
        int below_ = probe;
        int step = 1;
        int j = below_ + step;
        while (j < to && below(j)) {
            below_ = j;
            step *= 2;
            j = below_ + step;
        }
        lo = below_ + 1;
        hi = std::min(j, to);
    }
    return int(std::lower_bound(data + lo, data + hi, keyEnd,
                                [](const QCPGraphData &p, double key) { return p.key < key; })
               - data);
}

} // namespace

void MinMaxIndex::reduce(const QCPGraphData *data, int from, int to, PixelMap map,
                         QVector<QCPGraphData> *out) const
{
    Column column(data, out);
    int i = from;
    int width = 1;
    while (i < to) {
        const double pixel = std::floor(map.origin + map.scale * data[i].key);
        const double keyEnd = (pixel + 1 - map.origin) / map.scale;   // first key of the next column
        const int end = columnEnd(data, i, to, keyEnd, width);
        width = end - i;
        addSpan(column, data, i, end);
        column.flush();
        i = end;
    }
}

qint64 MinMaxIndex::memoryBytes() const
{
    qint64 bytes = 0;
    for (const Level &level : levels)
        bytes += qint64(level.bytes());
    return bytes;
}
