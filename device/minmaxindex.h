#pragma once

// Block summaries (smallest and largest value) of a plot's key-sorted
// points, kept up to date as points are appended at the back and dropped
// at the front, so that a line through a million points can be drawn as a
// handful of points per pixel column without visiting every point.

#include <qcustomplot.h>

#include <vector>

class MinMaxIndex
{
public:
    // Blocks of 16, 256, 4096 and 65536 points, each level summarising 16
    // blocks of the one below.
    static constexpr int Levels = 4;
    static constexpr int Fan = 16;

    // Pixel position of a key: origin + scale * key, with scale > 0.
    struct PixelMap {
        double origin;
        double scale;
    };

    // Forgets everything: the next point summarised is the first one.
    void clear();
    // The points' container lost count points at its front.
    void dropFront(int count);
    // Summarises every complete block of data[0, size), data[0] being the
    // first point still held. False when data cannot be what was summarised
    // before (it holds fewer points): clear() and sync again.
    bool sync(const QCPGraphData *data, int size);

    // Appends to out a line that looks the same on screen as the one through
    // data[from, to): a column of pixels with more than four points gets
    // two, its smallest and its largest value, at the keys of its first and
    // last point, the one nearer the line so far first. Columns of up to
    // four points keep them all; a NaN value stays a gap in the line.
    void reduce(const QCPGraphData *data, int from, int to, PixelMap map, QVector<QCPGraphData> *out) const;

    qint64 memoryBytes() const;

private:
    // min > max marks a block that cannot be used: points missing (dropped
    // before it was summarised) or a NaN among them.
    struct Summary {
        double min = 1;
        double max = 0;
        bool usable() const { return min <= max; }
    };
    // The summaries of one level, oldest first, in a ring that grows by
    // doubling: dropping the oldest never moves the others.
    class Level
    {
    public:
        qint64 first = 0;   // block number of the oldest summary kept
        qint64 end() const { return first + qint64(count); }
        const Summary &at(qint64 block) const { return ring[(head + size_t(block - first)) & mask]; }
        void push(const Summary &s);
        void popFront();
        void clear();
        size_t bytes() const { return ring.capacity() * sizeof(Summary); }
        bool empty() const { return count == 0; }

    private:
        std::vector<Summary> ring;
        size_t head = 0;
        size_t count = 0;
        size_t mask = 0;
    };
    class Column;

    static constexpr int shiftOf(int level) { return 4 * (level + 1); }   // log2 of the block size
    static constexpr qint64 blockSize(int level) { return qint64(1) << shiftOf(level); }
    const Summary *usableAt(int level, qint64 absolute) const;
    Summary summarisePoints(const QCPGraphData *data, qint64 start) const;
    Summary summariseBlocks(int level, qint64 firstBelow) const;
    void addSpan(Column &column, const QCPGraphData *data, int i, int end) const;

    qint64 base = 0;   // absolute number of data[0]
    Level levels[Levels];
};
