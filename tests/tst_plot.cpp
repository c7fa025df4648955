// The live plot: windowing, value range, import data and the zoom corrections.
#include "mycustomplot.h"
#include "testsupport.h"

#include <QtTest>

#include <cmath>
#include <limits>

namespace {

QCPGraph *graphOf(MyCustomPlot &plot)
{
    return static_cast<QCustomPlot &>(plot).graph(0);
}

QVector<double> keys(MyCustomPlot &plot)
{
    QVector<double> k;
    for (auto it = graphOf(plot)->data()->constBegin(); it != graphOf(plot)->data()->constEnd(); ++it)
        k << it->key;
    return k;
}

bool sameRange(const QCPRange &r, double lower, double upper)
{
    return qAbs(r.lower - lower) < 1e-9 && qAbs(r.upper - upper) < 1e-9;
}

#define QCOMPARE_RANGE(range, lo, up)                                                    \
    QVERIFY2(sameRange(range, lo, up),                                                   \
             qPrintable(QStringLiteral("got [%1, %2], want [%3, %4]")                    \
                            .arg((range).lower).arg((range).upper).arg(lo).arg(up)))

void sendMouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent ev(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}

void sendWheel(QWidget *w, QPoint pos, int angle)
{
    QWheelEvent ev(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, angle),
                   Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &ev);
}

} // namespace

class TstPlot : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void valueRangeOpensOnlyOnChange();
    void clearResetsExtremes();
    void extremesNeverNarrow();
    void windowKeepsTheLastSeconds();
    void newWindowAppliesAtNextPoint();
    void addPointsUnsorted();
    void nonFiniteSamplesDoNotFreezeTheAxis();
    void setPlotDataRescales();
    void setPlotDataLeavesExtremesAndFirstPoint();
    void setPlotDataWithoutRows();
    void typesAndLabels();
    void wheelZoomCorrectedAtOnce();
    void wheelZoomAxesFollowSelection();
    void rectangleZoomCorrectedAtNextMove();

private:
    TempWorkDir work;
    MyCustomPlot *plot = nullptr;
};

void TstPlot::init()
{
    delete plot;
    plot = new MyCustomPlot;
    plot->resize(600, 400);
    plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot));
    plot->replot();
}

void TstPlot::valueRangeOpensOnlyOnChange()
{
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 2);
    plot->addPoint(0, 5);
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 2);   // zero height: kept
    plot->addPoint(1, 5);
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 2);   // constant: still kept
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 1);
    plot->addPoint(2, 10);
    QCOMPARE_RANGE(plot->yAxis->range(), 4, 11);    // margin (10 - 5) / 5
    plot->addPoint(3, 0);
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 12);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 3);
    QCOMPARE(graphOf(*plot)->dataCount(), 4);
}

void TstPlot::clearResetsExtremes()
{
    plot->addPoint(0, 0);
    plot->addPoint(1, 10);
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 12);
    plot->clearPlot();
    QCOMPARE(graphOf(*plot)->dataCount(), 0);
    plot->addPoint(0, 3);
    QCOMPARE_RANGE(plot->yAxis->range(), -2, 12);   // the previous run's range stays
    plot->addPoint(0.1, 4);
    QCOMPARE_RANGE(plot->yAxis->range(), 2.8, 4.2);  // not widened by the old 0 and 10
    QCOMPARE(keys(*plot), (QVector<double>{0, 0.1}));
}

void TstPlot::extremesNeverNarrow()
{
    plot->windowSeconds = 10;
    plot->addPoint(0, 100);
    for (int t = 1; t <= 30; ++t)
        plot->addPoint(t, t % 2);
    QCOMPARE(keys(*plot).first(), 20.0);           // 100 fell out of the window
    QCOMPARE_RANGE(plot->yAxis->range(), -20, 120);  // but still counts
}

void TstPlot::windowKeepsTheLastSeconds()
{
    plot->windowSeconds = 10;
    for (int t = 0; t <= 25; ++t)
        plot->addPoint(t, t);
    QVector<double> expected;
    for (int t = 15; t <= 25; ++t)
        expected << t;
    QCOMPARE(keys(*plot), expected);
    QCOMPARE_RANGE(plot->xAxis->range(), 15, 25);

    // Up to the window's width nothing is dropped.
    plot->clearPlot();
    for (int i = 0; i <= 100; ++i)
        plot->addPoint(i * 0.1, 1);
    QCOMPARE(graphOf(*plot)->dataCount(), 101);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 10);
}

void TstPlot::newWindowAppliesAtNextPoint()
{
    for (int t = 0; t <= 20; ++t)
        plot->addPoint(t, 1);
    plot->windowSeconds = 5;
    QCOMPARE(graphOf(*plot)->dataCount(), 21);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 20);
    plot->addPoint(21, 1);
    QCOMPARE(keys(*plot), (QVector<double>{16, 17, 18, 19, 20, 21}));
    QCOMPARE_RANGE(plot->xAxis->range(), 16, 21);

    // Widening again cannot bring dropped points back, but keeps new ones.
    plot->windowSeconds = 100;
    plot->addPoints({22, 23}, {1, 1});
    QCOMPARE(keys(*plot).first(), 16.0);
    QCOMPARE(graphOf(*plot)->dataCount(), 8);
}

void TstPlot::addPointsUnsorted()
{
    plot->addPoints({0, 1, 2}, {1, 3, 2});          // first points: extremes set from them
    QCOMPARE_RANGE(plot->yAxis->range(), 0.6, 3.4);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 2);
    plot->addPoints({5, 3, 4, 6}, {2, -2, 8, 2});
    QCOMPARE(keys(*plot), (QVector<double>{0, 1, 2, 3, 4, 5, 6}));
    QCOMPARE(graphOf(*plot)->data()->at(3)->value, -2.0);
    QCOMPARE_RANGE(plot->yAxis->range(), -4, 10);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 6);

    plot->windowSeconds = 10;
    plot->addPoints({13, 11, 12}, {0, 0, 0});
    QCOMPARE(keys(*plot), (QVector<double>{2, 3, 4, 5, 6, 11, 12, 13}));
    QCOMPARE_RANGE(plot->xAxis->range(), 2, 12);    // up to the last sample handed over
}

void TstPlot::nonFiniteSamplesDoNotFreezeTheAxis()
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    plot->addPoint(0, nan);                         // before any finite value
    plot->addPoint(1, 1);
    plot->addPoint(2, inf);
    plot->addPoints({3, 4}, {nan, -inf});
    plot->addPoint(5, 3);
    QCOMPARE_RANGE(plot->yAxis->range(), 0.6, 3.4);
    QCOMPARE(graphOf(*plot)->dataCount(), 6);       // drawn as they came
    plot->addPoint(6, 6);
    QCOMPARE_RANGE(plot->yAxis->range(), 0, 7);
}

void TstPlot::setPlotDataRescales()
{
    QVector<double> t, v;
    for (int i = 0; i <= 50; ++i) {
        t << i;
        v << 100 + i * 2;
    }
    plot->windowSeconds = 100;
    plot->setPlotData(t, v);
    QCOMPARE(graphOf(*plot)->dataCount(), 51);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 50);
    QCOMPARE_RANGE(plot->yAxis->range(), 100, 200);

    plot->windowSeconds = 50;                        // last time not beyond the window
    plot->setPlotData(t, v);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 50);

    plot->windowSeconds = 10;
    plot->setPlotData(t, v);
    QCOMPARE_RANGE(plot->xAxis->range(), 40, 50);
    QCOMPARE_RANGE(plot->yAxis->range(), 100, 200);
    QCOMPARE(graphOf(*plot)->dataCount(), 51);       // nothing dropped, only aligned

    plot->setPlotData({2, 0, 1}, {20, 0, 10});       // a hand-edited file out of order
    QCOMPARE(keys(*plot), (QVector<double>{0, 1, 2}));
    QCOMPARE(graphOf(*plot)->data()->at(2)->value, 20.0);
}

void TstPlot::setPlotDataLeavesExtremesAndFirstPoint()
{
    plot->addPoint(0, 0);
    plot->addPoint(1, 10);
    plot->setPlotData({0, 1, 2}, {100, 150, 200});
    QCOMPARE_RANGE(plot->yAxis->range(), 100, 200);
    plot->addPoint(3, 150);                         // extremes 0 and 10 still count
    QCOMPARE_RANGE(plot->yAxis->range(), -30, 180);

    plot->clearPlot();
    plot->setPlotData({0, 1}, {-1, 1});
    plot->addPoint(2, 7);                           // still the first point after the clear
    QCOMPARE_RANGE(plot->yAxis->range(), -1, 1);
    plot->addPoint(3, 8);
    QCOMPARE_RANGE(plot->yAxis->range(), 6.8, 8.2);
}

void TstPlot::setPlotDataWithoutRows()
{
    plot->addPoint(0, 1);
    plot->addPoint(20, 3);
    const QCPRange x = plot->xAxis->range();
    const QCPRange y = plot->yAxis->range();
    plot->windowSeconds = 10;
    plot->setPlotData({}, {});
    QCOMPARE(graphOf(*plot)->dataCount(), 0);
    QCOMPARE(plot->xAxis->range(), x);
    QCOMPARE(plot->yAxis->range(), y);
}

void TstPlot::typesAndLabels()
{
    QCOMPARE(plot->xAxis->label(), QStringLiteral("时间/s"));
    plot->setPlotType(1);
    QCOMPARE(plot->yAxis->label(), QStringLiteral("电流/A"));
    QCOMPARE(graphOf(*plot)->pen().color(), QColor(Qt::red));
    plot->setPlotType(0);
    QCOMPARE(plot->yAxis->label(), QStringLiteral("电压/V"));
    QCOMPARE(graphOf(*plot)->pen().color(), QColor(Qt::yellow));
    plot->setPlotType(7);                           // unknown: label and pen unchanged
    QCOMPARE(plot->yAxis->label(), QStringLiteral("电压/V"));
    plot->xAxis->setLabel(QString());
    plot->yAxis->setLabel(QString());
    plot->retranslatePlot();
    QCOMPARE(plot->xAxis->label(), QStringLiteral("时间/s"));
    QCOMPARE(plot->yAxis->label(), QString());
    plot->setPlotType(1);
    plot->yAxis->setLabel(QString());
    plot->retranslatePlot();
    QCOMPARE(plot->yAxis->label(), QStringLiteral("电流/A"));
}

void TstPlot::wheelZoomCorrectedAtOnce()
{
    for (int t = 0; t <= 10; ++t)
        plot->addPoint(t, t);
    const QPoint centre = plot->axisRect()->rect().center();
    const double height = plot->yAxis->range().size();
    sendWheel(plot, centre, -120);                   // zoom out around the middle
    QCOMPARE(plot->xAxis->range().lower, 0.0);
    QVERIFY(plot->xAxis->range().upper > 10.5);
    QVERIFY(plot->yAxis->range().size() > height);  // both axes zoomed by default

    plot->xAxis->setRange(2, 12);
    sendWheel(plot, centre, 120);                    // zooming in keeps a positive start
    QVERIFY(plot->xAxis->range().lower > 2);
}

void TstPlot::wheelZoomAxesFollowSelection()
{
    for (int t = 0; t <= 10; ++t)
        plot->addPoint(t, t);
    QCPAxisRect *rect = plot->axisRect();
    const QPoint centre = rect->rect().center();

    plot->xAxis->setSelectedParts(QCPAxis::spAxis);
    sendWheel(plot, centre, 120);
    QCOMPARE(rect->rangeZoom(), Qt::Orientations(Qt::Horizontal));
    QCOMPARE(rect->rangeZoomAxes(Qt::Horizontal), QList<QCPAxis *>{plot->xAxis});
    QVERIFY(rect->rangeZoomAxes(Qt::Vertical).isEmpty());
    const QCPRange y = plot->yAxis->range();
    sendWheel(plot, centre, 120);                    // now the value axis stays
    QCOMPARE(plot->yAxis->range(), y);

    plot->xAxis->setSelectedParts(QCPAxis::spNone);
    plot->yAxis->setSelectedParts(QCPAxis::spTickLabels);
    sendWheel(plot, centre, 120);
    QCOMPARE(rect->rangeZoom(), Qt::Orientations(Qt::Vertical));
    QCOMPARE(rect->rangeZoomAxes(Qt::Vertical), QList<QCPAxis *>{plot->yAxis});
    QVERIFY(rect->rangeZoomAxes(Qt::Horizontal).isEmpty());
    const QCPRange x = plot->xAxis->range();
    sendWheel(plot, centre, -120);
    QCOMPARE(plot->xAxis->range(), x);

    plot->yAxis->setSelectedParts(QCPAxis::spNone);
    sendWheel(plot, centre, 120);
    QCOMPARE(rect->rangeZoom(), Qt::Horizontal | Qt::Vertical);
    QCOMPARE(rect->rangeZoomAxes(Qt::Horizontal), QList<QCPAxis *>{plot->xAxis});
    QCOMPARE(rect->rangeZoomAxes(Qt::Vertical), QList<QCPAxis *>{plot->yAxis});
}

void TstPlot::rectangleZoomCorrectedAtNextMove()
{
    for (int t = 0; t <= 10; ++t)
        plot->addPoint(t, t);
    const QRect area = plot->axisRect()->rect();
    const QPoint from(area.left() + area.width() / 2, area.top() + 10);
    const QPoint to(2, area.bottom() - 10);          // left of the time axis' start
    QVERIFY(plot->xAxis->pixelToCoord(to.x()) < 0);

    sendMouse(plot, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, (from + to) / 2, Qt::NoButton, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(plot, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    const double upper = plot->xAxis->range().upper;
    QVERIFY(plot->xAxis->range().lower < 0);         // the library's zoom, not yet corrected
    QVERIFY(upper < 10);

    sendMouse(plot, QEvent::MouseMove, area.center(), Qt::NoButton, Qt::NoButton);
    QCOMPARE(plot->xAxis->range().lower, 0.0);
    QCOMPARE(plot->xAxis->range().upper, upper);

    // A range wholly before 0 keeps its width from 0 on.
    plot->xAxis->setRange(-8, -3);
    sendMouse(plot, QEvent::MouseMove, area.center() + QPoint(1, 1), Qt::NoButton, Qt::NoButton);
    QCOMPARE_RANGE(plot->xAxis->range(), 0, 5);
    // With the start at 0 or later, a move gives dragging back to both axes.
    plot->axisRect()->setRangeDragAxes(nullptr, plot->yAxis);
    sendMouse(plot, QEvent::MouseMove, area.center(), Qt::NoButton, Qt::NoButton);
    QCOMPARE(plot->axisRect()->rangeDragAxes(Qt::Horizontal), QList<QCPAxis *>{plot->xAxis});
    QCOMPARE(plot->axisRect()->rangeDragAxes(Qt::Vertical), QList<QCPAxis *>{plot->yAxis});
}

QTEST_MAIN(TstPlot)
#include "tst_plot.moc"
