// The live plot's axis rules: the value range widens with the extremes seen
// since the last clear, the time axis follows a sliding window, and zooming
// never leaves the time axis starting before 0.
#include "mycustomplot.h"
#include "testsupport.h"

#include <QtTest>

#include <limits>

namespace {
QVector<double> keys(MyCustomPlot &plot)
{
    QVector<double> k;
    const auto data = static_cast<QCustomPlot &>(plot).graph(0)->data();
    for (auto it = data->constBegin(); it != data->constEnd(); ++it)
        k << it->key;
    return k;
}
#define RANGE(axis, lo, up)                                                                         \
    QVERIFY2(qAbs(axis->range().lower - (lo)) < 1e-9 && qAbs(axis->range().upper - (up)) < 1e-9, \
             qPrintable(QStringLiteral("[%1, %2]").arg(axis->range().lower).arg(axis->range().upper)))
void mouse(QWidget *w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons buttons)
{
    QMouseEvent ev(type, pos, w->mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &ev);
}
} // namespace

class TstPlot : public QObject
{
    Q_OBJECT
    TempWorkDir work;
    MyCustomPlot *plot = nullptr;
private slots:
void init()
{
    delete plot;
    plot = new MyCustomPlot;
    plot->resize(600, 400);
    plot->show();
    QVERIFY(QTest::qWaitForWindowExposed(plot));
}

void valueRangeFollowsTheExtremes()
{
    RANGE(plot->yAxis, -2, 2);
    plot->addPoints({0, 1}, {5, 5});
    RANGE(plot->yAxis, -2, 2);    // no height yet: kept
    plot->addPoint(2, 10);
    RANGE(plot->yAxis, 4, 11);    // margin (10 - 5) / 5
    plot->addPoint(3, 0);
    RANGE(plot->yAxis, -2, 12);
    RANGE(plot->xAxis, 0, 3);
    plot->clearPlot();            // a clear forgets the extremes, keeps the range until new ones
    plot->addPoint(0, 3);
    RANGE(plot->yAxis, -2, 12);
    plot->addPoint(0.1, 4);
    RANGE(plot->yAxis, 2.8, 4.2);
    const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
    plot->addPoints({0.2, 0.3, 0.4}, {nan, inf, -inf});   // drawn, but never freeze the axis
    plot->addPoint(0.5, 5);
    RANGE(plot->yAxis, 2.6, 5.4);
    QCOMPARE(keys(*plot).size(), 6);
    plot->windowSeconds = 10;
    for (int t = 1; t <= 30; ++t)
        plot->addPoint(t, 4);
    QCOMPARE(keys(*plot).first(), 20.0);   // 3 and 5 fell out of the window but still count
    RANGE(plot->yAxis, 2.6, 5.4);
}

void windowKeepsTheLastSeconds()
{
    for (int t = 0; t <= 20; ++t)
        plot->addPoint(t, 1);
    plot->windowSeconds = 5;   // applies at the next point
    QCOMPARE(keys(*plot).size(), 21);
    RANGE(plot->xAxis, 0, 20);
    plot->addPoint(21, 1);
    QCOMPARE(keys(*plot), (QVector<double>{16, 17, 18, 19, 20, 21}));
    RANGE(plot->xAxis, 16, 21);
    plot->windowSeconds = 10;   // unsorted samples sort in; the window ends at the last one handed over
    plot->addPoints({30, 22, 25}, {0, 0, 0});
    QCOMPARE(keys(*plot), (QVector<double>{16, 17, 18, 19, 20, 21, 22, 25, 30}));
    RANGE(plot->xAxis, 16, 25);   // from the first point kept
}

void importedDataIsAlignedNotDropped()
{
    QVector<double> t, v;
    for (int i = 0; i <= 50; ++i)
        t << i, v << 100 + i * 2;
    plot->windowSeconds = 10;
    plot->setPlotData(t, v);
    QCOMPARE(keys(*plot).size(), 51);
    RANGE(plot->xAxis, 40, 50);
    RANGE(plot->yAxis, 100, 200);
    plot->setPlotData({2, 0, 1}, {20, 0, 10});   // a hand-edited file out of order
    QCOMPARE(keys(*plot), (QVector<double>{0, 1, 2}));
    plot->setPlotData({}, {});                   // no rows: the axes stay
    QVERIFY(keys(*plot).isEmpty());
    RANGE(plot->xAxis, 0, 2);
}

void zoomNeverStartsBeforeZero()
{
    for (int t = 0; t <= 10; ++t)
        plot->addPoint(t, t);
    const QRect area = plot->axisRect()->rect();
    QWheelEvent wheel(QPointF(area.center()), QPointF(plot->mapToGlobal(area.center())), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(plot, &wheel);   // zoom out: corrected at once
    QCOMPARE(plot->xAxis->range().lower, 0.0);
    QVERIFY(plot->xAxis->range().upper > 10.5);

    const QPoint from(area.center().x(), area.top() + 10), to(2, area.bottom() - 10);   // left of 0
    for (auto [type, pos, button, buttons] : {std::tuple{QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton},
                                              {QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton},
                                              {QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton}})
        mouse(plot, type, pos, button, buttons);
    const double upper = plot->xAxis->range().upper;
    QVERIFY(plot->xAxis->range().lower < 0);   // the library's rectangle zoom, corrected at the next move
    mouse(plot, QEvent::MouseMove, area.center(), Qt::NoButton, Qt::NoButton);
    RANGE(plot->xAxis, 0, upper);
    plot->xAxis->setRange(-8, -3);             // wholly before 0: keeps its width from 0
    mouse(plot, QEvent::MouseMove, area.center() + QPoint(1, 1), Qt::NoButton, Qt::NoButton);
    RANGE(plot->xAxis, 0, 5);
}
};

QTEST_MAIN(TstPlot)
#include "tst_plot.moc"
