// The live plot at a full time window: every point inside the window is
// kept while the points move between containers, and the drawing's
// per-column reduction equals a point-by-point one.
#include "minmaxindex.h"
#include "mycustomplot.h"
#include "testsupport.h"
#include "windowgraph.h"

#include <QtTest>

#include <cmath>
#include <deque>
#include <random>

namespace {
const QCPGraph *graphOf(MyCustomPlot &plot) { return static_cast<QCustomPlot &>(plot).graph(0); }
// Per pixel column, runs of non-NaN points of up to four kept, longer ones as
// their smallest and largest value at the keys of the run's first and last
// point, the one nearer the line so far first; NaN points kept as gaps.
QVector<QCPGraphData> plainReduction(const QCPGraphData *data, int from, int to, MinMaxIndex::PixelMap map)
{
    QVector<QCPGraphData> out;
    QVector<int> run;
    const auto flush = [&] {
        if (run.size() <= 4) {
            for (int k : run)
                out << data[k];
        } else {
            double lo = data[run.first()].value, hi = lo;
            for (int k : run)
                lo = std::min(lo, data[k].value), hi = std::max(hi, data[k].value);
            const double previous = out.isEmpty() ? lo : out.last().value;
            const bool loFirst = !(std::abs(hi - previous) < std::abs(lo - previous));
            out << QCPGraphData(data[run.first()].key, loFirst ? lo : hi)
                << QCPGraphData(data[run.last()].key, loFirst ? hi : lo);
        }
        run.clear();
    };
    for (int i = from, end; i < to; i = end) {
        const double keyEnd = (std::floor(map.origin + map.scale * data[i].key) + 1 - map.origin) / map.scale;
        for (end = i + 1; end < to && data[end].key < keyEnd; ++end) {}
        for (int k = i; k < end; ++k)
            std::isnan(data[k].value) ? (flush(), void(out << data[k])) : void(run << k);
        flush();
    }
    return out;
}
// "" when the points are the same (NaN equal to NaN).
QString differs(const QVector<QCPGraphData> &a, const QVector<QCPGraphData> &b)
{
    for (int i = 0; i < qMin(a.size(), b.size()); ++i)
        if (a[i].key != b[i].key || !(a[i].value == b[i].value || (std::isnan(a[i].value) && std::isnan(b[i].value))))
            return QStringLiteral("point %1: (%2, %3) against (%4, %5)").arg(i).arg(a[i].key).arg(a[i].value).arg(b[i].key).arg(b[i].value);
    return a.size() == b.size() ? QString() : QStringLiteral("%1 points against %2").arg(a.size()).arg(b.size());
}
} // namespace

class TstPlotWindow : public QObject
{
    Q_OBJECT
    TempWorkDir work;
private slots:
void reductionIsThePlainOne_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("dropped");    // dropped at the front after summarising
    QTest::addColumn<int>("appended");   // appended after that
    QTest::addColumn<double>("pixelsPerKey");
    QTest::addColumn<int>("nanEvery");   // 0: no NaN
    QTest::addColumn<bool>("zoomed");    // only a middle part is drawn
    QTest::newRow("dense") << 200000 << 0 << 0 << 0.02 << 0 << false;
    QTest::newRow("dropped and appended off the blocks, gaps") << 150000 << 12345 << 7777 << 0.03 << 997 << false;
    QTest::newRow("zoomed in with gaps") << 100000 << 1000 << 0 << 0.05 << 313 << true;
}

void reductionIsThePlainOne()
{
    QFETCH(int, points); QFETCH(int, dropped); QFETCH(int, appended);
    QFETCH(double, pixelsPerKey); QFETCH(int, nanEvery); QFETCH(bool, zoomed);
    std::mt19937 rng(uint(points + dropped));
    std::normal_distribution<double> step(0, 1);
    QVector<QCPGraphData> data;
    double value = 0;
    for (int i = 0; i < points + appended; ++i) {
        const double key = i * 0.1 + (i % 7 == 3 ? 0.0 : 0.01 * (i % 5));
        data << QCPGraphData(i % 7 == 4 ? data.last().key : key, value += step(rng));   // some keys repeat
        if (nanEvery && i % nanEvery == 0)
            data.last().value = qQNaN();
        if (i % 50021 == 17)
            data.last().value = i % 2 ? qInf() : -qInf();
    }
    MinMaxIndex index;
    QVERIFY(index.sync(data.constData(), points));
    index.dropFront(dropped);
    const QCPGraphData *live = data.constData() + dropped;
    const int size = points + appended - dropped;
    QVERIFY(index.sync(live, size));
    const int from = zoomed ? size / 3 : 0, to = zoomed ? size / 3 + size / 10 : size;
    const MinMaxIndex::PixelMap map{12.5 - pixelsPerKey * live[from].key, pixelsPerKey};
    QVector<QCPGraphData> reduced;
    index.reduce(live, from, to, map, &reduced);
    const QString why = differs(reduced, plainReduction(live, from, to, map));
    QVERIFY2(why.isEmpty(), qPrintable(why));
    if (pixelsPerKey < 0.1)
        QVERIFY(reduced.size() < (to - from) / 10);   // it does reduce
}

void windowKeepsEveryPointWhileMoving()
{
    MyCustomPlot plot;              // hidden: no drawing, just the points
    plot.windowSeconds = 10000;     // 100,000 points at 100 ms
    const auto *graph = dynamic_cast<const WindowGraph *>(graphOf(plot));
    QVERIFY(graph);
    std::deque<QCPGraphData> expected;
    const auto add = [&](double t, double v) {
        expected.push_back(QCPGraphData(t, v));
        while (t > plot.windowSeconds && expected.front().key < t - plot.windowSeconds)
            expected.pop_front();
    };
    const auto differs = [&](qint64 at) {
        const auto data = graphOf(plot)->data();
        if (data->size() != int(expected.size()))
            return QStringLiteral("at %1: %2 points, %3 expected").arg(at).arg(data->size()).arg(expected.size());
        auto it = data->constBegin();
        for (size_t k = 0; k < expected.size(); ++k, ++it)
            if (it->key != expected[k].key || it->value != expected[k].value)
                return QStringLiteral("at %1: point %2 is (%3, %4)").arg(at).arg(k).arg(it->key).arg(it->value);
        return QString();
    };
    const void *store = graphOf(plot)->data().data();
    int moves = 0;
    bool wasMoving = false;
    for (qint64 i = 0; i < 420000; ++i) {
        const double v = std::sin(double(i) * 0.0007) * 5 + double(i % 13) / 13;
        if (i % 60000 == 30000) {   // a pause resumed: its samples in one go
            QVector<double> times, values;
            for (int k = 0; k < 300; ++k, ++i)
                times << double(i) / 10, values << v + k;
            --i;
            plot.addPoints(times, values);
            for (int k = 0; k < 300; ++k)
                add(times[k], values[k]);
        } else {
            // A narrower window just as the points start moving drops more at once than moved so far.
            if (i > 250000 && plot.windowSeconds == 10000 && graph->isMoving() && !wasMoving)
                plot.windowSeconds = 4000;
            wasMoving = graph->isMoving();
            plot.addPoint(double(i) / 10, v);
            add(double(i) / 10, v);
        }
        const bool moved = graphOf(plot)->data().data() != store;
        if (moved)
            store = graphOf(plot)->data().data(), ++moves;
        if (moved || i % 50000 == 0)
            QVERIFY2(differs(i).isEmpty(), qPrintable(differs(i)));
    }
    QVERIFY2(moves >= 3, qPrintable(QString::number(moves)));
    QCOMPARE(plot.windowSeconds, 4000);
    QVERIFY(graph->memoryBytes() <= qint64(expected.size()) * 48);   // two containers and the index, bounded
    const double t = expected.back().key;   // a late sample sorts in
    plot.addPoints({t - 0.05, t + 0.1}, {-100, 1000});
    add(t + 0.1, 1000);
    expected.insert(expected.end() - 2, QCPGraphData(t - 0.05, -100));
    QVERIFY2(differs(-1).isEmpty(), qPrintable(differs(-1)));
    QCOMPARE(plot.xAxis->range().lower, expected.front().key);
    QCOMPARE(plot.xAxis->range().upper, expected.back().key);
    QCOMPARE(plot.yAxis->range().lower, -100 - 1100.0 / 5);
    QCOMPARE(plot.yAxis->range().upper, 1000 + 1100.0 / 5);
}
};

QTEST_MAIN(TstPlotWindow)
#include "tst_plotwindow.moc"
