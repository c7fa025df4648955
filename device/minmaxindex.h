#pragma once

// Block summaries (smallest and largest value) of a plot's key-sorted
// points, kept up to date as points are appended at the back and dropped
// at the front, so that a line through a million points can be drawn as a
// handful of points per pixel column without visiting every point.

#include <qcustomplot.h>

#include <deque>

class MinMaxIndex
{
public:
    static constexpr int Fine = 32;      // points per fine block
    static constexpr int Coarse = 1024;  // points per coarse block: 32 fine blocks

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

    // Appends to out a line equivalent on screen to the one through
    // data[from, to): per pixel column the first point, the smallest and
    // largest value in the order they occur, and the last point. Columns of
    // up to four points keep them all; a NaN value stays a gap in the line.
    void reduce(const QCPGraphData *data, int from, int to, PixelMap map, QVector<QCPGraphData> *out) const;

    qint64 memoryBytes() const;

private:
    struct Summary {
        double min = 0;
        double max = 0;
        bool minFirst = true;   // the smallest value occurs no later than the largest
        bool usable = false;    // false: points missing or a NaN among them
    };
    class Column;

    const Summary *fineAt(qint64 absolute) const;
    const Summary *coarseAt(qint64 absolute) const;
    void summariseFine(const QCPGraphData *data);
    void summariseCoarse();

    qint64 base = 0;        // absolute number of data[0]
    qint64 fineStart = 0;   // block number of fine.front()
    qint64 coarseStart = 0;
    std::deque<Summary> fine;
    std::deque<Summary> coarse;
};
