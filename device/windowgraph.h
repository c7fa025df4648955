#pragma once

// The live plot's graph: keeps every point of a sliding time window and
// stays cheap at a million points. Drawing goes through per-pixel-column
// extremes (MinMaxIndex) instead of visiting every point, and dropping old
// points never compacts the whole container in one step: when the unused
// space around the points grows, they move to a second container a few
// thousand at a time while samples keep arriving. The two containers then
// swap roles and keep their memory, so a long run neither returns memory
// to the system nor asks it for more.

#include "minmaxindex.h"

#include <qcustomplot.h>

class SlidingGraphData;

class WindowGraph : public QCPGraph
{
    Q_OBJECT
public:
    WindowGraph(QCPAxis *keyAxis, QCPAxis *valueAxis);
    ~WindowGraph() override;

    void appendPoint(double key, double value);
    // The pairs need not be sorted.
    void appendPoints(const QVector<double> &keys, const QVector<double> &values);
    void replacePoints(const QVector<double> &keys, const QVector<double> &values);
    // Removes every point whose key is below key.
    void removeBefore(double key);
    void clearPoints();

    // Heap bytes held for the points, the unused room around them and the
    // drawing index.
    qint64 memoryBytes() const;
    // True while the points are moving to the other container.
    bool isMoving() const { return !fresh.isNull(); }

protected:
    void getOptimizedLineData(QVector<QCPGraphData> *lineData,
                              const QCPGraphDataContainer::const_iterator &begin,
                              const QCPGraphDataContainer::const_iterator &end) const override;
    void drawLinePlot(QCPPainter *painter, const QVector<QPointF> &lines) const override;

private:
    bool ownsData() const;
    void restart();       // the points changed other than at the ends
    void maintain();      // one step of moving the points to a fresh container
    void startMove();
    void moveStep();

    QSharedPointer<SlidingGraphData> store;   // the graph's container
    QSharedPointer<SlidingGraphData> fresh;   // being filled, or null
    QSharedPointer<SlidingGraphData> spare;   // the last store, empty, its memory kept
    qint64 storeBase = 0;    // points dropped from the front since restart()
    qint64 movedUpTo = 0;    // absolute number of the next point to move
    mutable MinMaxIndex index;
    mutable bool drawingReduced = false;   // the last line data came from the index
};
