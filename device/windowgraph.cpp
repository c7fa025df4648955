#include "windowgraph.h"

#include <algorithm>

namespace {
// Below this many points a one-step compaction costs well under a
// millisecond: the container is left to manage itself.
constexpr int MoveThreshold = 65536;
constexpr int MovePerStep = 2048;
} // namespace

// A graph container that tells how much unused room it holds and takes
// points copied in from another one.
class SlidingGraphData : public QCPGraphDataContainer
{
public:
    int unusedFront() const { return mPreallocSize; }
    int unusedBack() const { return mData.capacity() - mData.size(); }
    int capacity() const { return mData.capacity(); }
    qint64 heapBytes() const { return qint64(mData.capacity()) * qint64(sizeof(QCPGraphData)); }
    void reserve(int points) { mData.reserve(points); }
    void compact(bool front, bool back) { squeeze(front && mPreallocSize > 0, back); }
    void appendCopies(const QCPGraphData *from, int count)
    {
        const int old = mData.size();
        mData.resize(old + count);
        std::copy(from, from + count, mData.begin() + old);
    }
};

WindowGraph::WindowGraph(QCPAxis *keyAxis, QCPAxis *valueAxis)
    : QCPGraph(keyAxis, valueAxis), store(new SlidingGraphData)
{
    store->setAutoSqueeze(false);
    setData(store);
}

WindowGraph::~WindowGraph() = default;

bool WindowGraph::ownsData() const
{
    return mDataContainer == store;
}

void WindowGraph::restart()
{
    fresh.reset();
    spare.reset();
    storeBase = 0;
    index.clear();
}

void WindowGraph::appendPoint(double key, double value)
{
    if (!mDataContainer->isEmpty() && key < (mDataContainer->constEnd() - 1)->key)
        restart();   // inserted, not appended
    addData(key, value);
    maintain();
}

void WindowGraph::appendPoints(const QVector<double> &keys, const QVector<double> &values)
{
    const int n = qMin(keys.size(), values.size());
    if (n == 0)
        return;
    const bool sorted = std::is_sorted(keys.constBegin(), keys.constBegin() + n);
    if (!sorted || (!mDataContainer->isEmpty() && keys.first() < (mDataContainer->constEnd() - 1)->key))
        restart();
    addData(keys, values, sorted);
    maintain();
}

void WindowGraph::replacePoints(const QVector<double> &keys, const QVector<double> &values)
{
    restart();
    const int n = qMin(keys.size(), values.size());
    setData(keys, values, std::is_sorted(keys.constBegin(), keys.constBegin() + n));
}

void WindowGraph::removeBefore(double key)
{
    const int before = mDataContainer->size();
    mDataContainer->removeBefore(key);
    const int removed = before - mDataContainer->size();
    if (removed == 0)
        return;
    storeBase += removed;
    index.dropFront(removed);
    if (fresh)
        fresh->removeBefore(key);
    maintain();
}

void WindowGraph::clearPoints()
{
    mDataContainer->clear();
    restart();
}

// Keeps the container's unused room bounded without a full copy in one
// step: once the dropped points at the front reach an eighth of the points
// held, or the room at the back runs short, a fresh container with a
// quarter to spare is filled a few thousand points per call and then
// takes over.
void WindowGraph::maintain()
{
    if (!ownsData())
        return;
    if (fresh) {
        moveStep();
        return;
    }
    const int size = store->size();
    if (size < MoveThreshold) {
        // Small (again, after a narrower window): compacting costs little,
        // and memory kept for many more points goes back.
        spare.reset();
        const bool front = store->unusedFront() > size;
        const bool back = store->unusedBack() > 2 * size + MovePerStep;
        if (front || back)
            store->compact(front, back);
        return;
    }
    if (store->unusedFront() >= size / 8 || store->unusedBack() < size / 16)
        startMove();
}

void WindowGraph::startMove()
{
    const int size = store->size();
    const int wanted = size + size / 4 + MovePerStep;
    // The spare serves if it is nearly big enough, and not far too big
    // (after a narrower window): a new allocation costs first touches of
    // its memory, which the reuse avoids.
    if (spare && spare->capacity() >= size + size / 8 + MovePerStep && spare->capacity() <= 2 * wanted) {
        fresh = spare;
    } else {
        fresh.reset(new SlidingGraphData);
        fresh->setAutoSqueeze(false);
        fresh->reserve(wanted);
    }
    spare.reset();
    movedUpTo = storeBase;
    moveStep();
}

void WindowGraph::moveStep()
{
    const qint64 end = storeBase + store->size();
    const qint64 from = std::max(movedUpTo, storeBase);   // dropped meanwhile: not moved
    if (from > end) {   // points went missing other than by removeBefore: start afresh later
        fresh.reset();
        return;
    }
    const int count = int(std::min<qint64>(MovePerStep, end - from));
    fresh->appendCopies(&*(store->constBegin() + int(from - storeBase)), count);
    movedUpTo = from + count;
    if (movedUpTo < end)
        return;
    if (fresh->size() == store->size()) {
        spare = store;
        store = fresh;
        setData(store);
        spare->clear();   // keeps its memory for the next move
    }
    fresh.reset();
}

qint64 WindowGraph::memoryBytes() const
{
    return store->heapBytes() + (fresh ? fresh->heapBytes() : 0) + (spare ? spare->heapBytes() : 0)
        + index.memoryBytes();
}

void WindowGraph::getOptimizedLineData(QVector<QCPGraphData> *lineData,
                                       const QCPGraphDataContainer::const_iterator &begin,
                                       const QCPGraphDataContainer::const_iterator &end) const
{
    drawingReduced = false;
    QCPAxis *keyAxis = mKeyAxis.data();
    const int count = int(end - begin);
    if (!lineData || !keyAxis || !ownsData() || keyAxis->scaleType() != QCPAxis::stLinear) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    const double width = keyAxis->axisRect()->width();
    // Sparse enough to draw as it is: the library's own way.
    if (count <= 2 * width) {
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    const QCPRange range = keyAxis->range();
    const double p0 = keyAxis->coordToPixel(range.lower);
    const double p1 = keyAxis->coordToPixel(range.upper);
    const double scale = (p1 - p0) / range.size();
    if (!(scale > 0)) {   // reversed or vertical key axis
        QCPGraph::getOptimizedLineData(lineData, begin, end);
        return;
    }
    const QCPGraphData *data = &*mDataContainer->constBegin();
    const int size = mDataContainer->size();
    if (!index.sync(data, size)) {
        index.clear();
        index.sync(data, size);
    }
    lineData->clear();
    lineData->reserve(int(4 * width) + 16);
    const int from = int(begin - mDataContainer->constBegin());
    index.reduce(data, from, from + count, {p0 - scale * range.lower, scale}, lineData);
    drawingReduced = true;
}

// Where many points share each pixel column the line is a solid band:
// smoothing its edges is invisible there and would cost more than the rest
// of the redraw. Sparse data keeps the library's antialiased line.
void WindowGraph::drawLinePlot(QCPPainter *painter, const QVector<QPointF> &lines) const
{
    if (!drawingReduced) {
        QCPGraph::drawLinePlot(painter, lines);
        return;
    }
    if (painter->pen().style() != Qt::NoPen && painter->pen().color().alpha() != 0) {
        painter->setAntialiasing(false);
        drawPolyline(painter, lines);
    }
}
