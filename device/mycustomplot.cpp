#include "mycustomplot.h"

#include "windowgraph.h"

#include <algorithm>
#include <cmath>

MyCustomPlot::MyCustomPlot(QWidget *parent)
    : QCustomPlot(parent)
{
    graph = new WindowGraph(xAxis, yAxis);
    setMouseTracking(true);

    selectionRect()->setPen(QPen(QBrush(Qt::black), 1, Qt::DashLine, Qt::SquareCap, Qt::BevelJoin));
    selectionRect()->setBrush(QBrush(QColor(0, 0, 100, 50)));
    setSelectionRectMode(QCP::srmZoom);

    xAxis->setLabel(tr("时间/s"));
    for (QCPAxis *axis : {xAxis, yAxis}) {
        axis->setBasePen(QPen(Qt::white));
        axis->setTickPen(QPen(Qt::white));
        axis->setSubTickPen(QPen(Qt::white));
        axis->setTickLabelColor(Qt::white);
        axis->setLabelColor(Qt::white);
    }
    yAxis->setPadding(3);
    setBackground(QBrush(QColor(0, 65, 0)));
    setInteractions(QCP::iRangeDrag | QCP::iRangeZoom | QCP::iSelectAxes
                    | QCP::iSelectLegend | QCP::iSelectItems);
    yAxis->setRange(-2, 2);
    redraw();
}

void MyCustomPlot::setPlotType(int type)
{
    plotType = type;
    if (type == 0) {
        yAxis->setLabel(tr("电压/V"));
        graph->setPen(QPen(Qt::yellow));
    } else if (type == 1) {
        yAxis->setLabel(tr("电流/A"));
        graph->setPen(QPen(Qt::red));
    }
}

void MyCustomPlot::addPoint(double time, double value)
{
    graph->appendPoint(time, value);
    widenExtremes(value, value);
    followNewest(time);
}

void MyCustomPlot::addPoints(const QVector<double> &times, const QVector<double> &values)
{
    if (times.isEmpty() || values.isEmpty())
        return;
    graph->appendPoints(times, values);
    double lo = qInf();
    double hi = -qInf();
    for (double v : values) {
        if (std::isfinite(v)) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    }
    widenExtremes(lo, hi);
    followNewest(times.last());
}

void MyCustomPlot::setPlotData(QVector<double> times, QVector<double> values)
{
    graph->replacePoints(times, values);
    graph->rescaleAxes();
    // constLast(): last() would copy the caller's shared million points.
    if (!times.isEmpty() && times.constLast() > windowSeconds)
        xAxis->setRange(times.constLast() - windowSeconds, times.constLast());
    redraw();
}

void MyCustomPlot::clearPlot()
{
    graph->clearPoints();
    graph->rescaleAxes();
    firstPoint = true;
    redraw();
}

void MyCustomPlot::retranslatePlot()
{
    xAxis->setLabel(tr("时间/s"));
    if (plotType == 0)
        yAxis->setLabel(tr("电压/V"));
    else if (plotType == 1)
        yAxis->setLabel(tr("电流/A"));
    redraw();
}

void MyCustomPlot::mouseMoveEvent(QMouseEvent *event)
{
    QCustomPlot::mouseMoveEvent(event);
    if (xAxis->range().lower < 0)
        clampTimeStart();
    else
        axisRect()->setRangeDragAxes(xAxis, yAxis);
    redraw();
}

void MyCustomPlot::wheelEvent(QWheelEvent *event)
{
    QCustomPlot::wheelEvent(event);
    QCPAxisRect *rect = axisRect();
    if (xAxis->selectedParts() != QCPAxis::spNone) {
        rect->setRangeZoomAxes(xAxis, nullptr);
        rect->setRangeZoom(Qt::Horizontal);
    } else if (yAxis->selectedParts() != QCPAxis::spNone) {
        rect->setRangeZoomAxes(nullptr, yAxis);
        rect->setRangeZoom(Qt::Vertical);
    } else {
        rect->setRangeZoomAxes(xAxis, yAxis);
        rect->setRangeZoom(Qt::Horizontal | Qt::Vertical);
    }
    if (xAxis->range().lower < 0)
        clampTimeStart();
    redraw();
}

// Non-finite values (lo > hi when there were none) are drawn but never
// widen the extremes: one NaN would otherwise freeze the value axis.
void MyCustomPlot::widenExtremes(double lo, double hi)
{
    if (!(lo <= hi) || !std::isfinite(lo) || !std::isfinite(hi))
        return;
    if (firstPoint) {
        valueMin = lo;
        valueMax = hi;
        firstPoint = false;
    } else {
        valueMin = std::min(valueMin, lo);
        valueMax = std::max(valueMax, hi);
    }
}

// Drops what fell out of the time window, shows [oldest, newest] and the
// value extremes with a fifth of their span as margin, and redraws. A
// zero-width range is refused by the axis, which then keeps its range.
void MyCustomPlot::followNewest(double time)
{
    if (time > windowSeconds)
        graph->removeBefore(time - windowSeconds);
    QSharedPointer<QCPGraphDataContainer> data = graph->data();
    if (!data->isEmpty())
        xAxis->setRange(data->constBegin()->key, time);
    if (!firstPoint) {
        const double m = (valueMax - valueMin) / 5;
        yAxis->setRange(valueMin - m, valueMax + m);
    }
    redraw();
}

// Time never starts before the run: keep the upper bound, or the width when
// the whole range lies before 0.
void MyCustomPlot::clampTimeStart()
{
    const QCPRange r = xAxis->range();
    if (r.upper > 0)
        xAxis->setRange(0, r.upper);
    else
        xAxis->setRange(0, r.size());
}

// A hidden plot (a page in a tab that is not shown) only notes that it is
// out of date: drawing a million points nobody sees would cost every page
// the same as the visible one. It draws once when shown, or when grabbed.
void MyCustomPlot::redraw()
{
    if (isVisible()) {
        redrawPending = false;
        replot(rpRefreshHint);
    } else {
        redrawPending = true;
    }
}

void MyCustomPlot::showEvent(QShowEvent *event)
{
    QCustomPlot::showEvent(event);
    if (redrawPending)
        redraw();
}

void MyCustomPlot::paintEvent(QPaintEvent *event)
{
    if (redrawPending) {   // rendered while hidden, e.g. grabbed for a snapshot
        redrawPending = false;
        replot(rpQueuedRefresh);
    }
    QCustomPlot::paintEvent(event);
}
