// The live plot at a full time window: every point inside the window kept
// while the points move between containers, the axes' rules, the drawing
// through per-column extremes (equal to a straightforward reduction, and
// covering every point on screen), and redraws held back while hidden.
#include "minmaxindex.h"
#include "mycustomplot.h"
#include "testsupport.h"
#include "windowgraph.h"

#include <QtTest>

#include <cmath>
#include <deque>
#include <random>

namespace {

const QCPGraph *graphOf(MyCustomPlot &plot)
{
    return static_cast<QCustomPlot &>(plot).graph(0);
}

// The reduction spelled out point by point: per pixel column, runs of
// non-NaN points of up to four kept, longer ones as their smallest and
// largest value at the keys of the run's first and last point, the one
// nearer the line so far first; NaN points kept as gaps.
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
            for (int k : run) {
                lo = std::min(lo, data[k].value);
                hi = std::max(hi, data[k].value);
            }
            const double previous = out.isEmpty() ? lo : out.last().value;
            const bool loFirst = !(std::abs(hi - previous) < std::abs(lo - previous));
            out << QCPGraphData(data[run.first()].key, loFirst ? lo : hi)
                << QCPGraphData(data[run.last()].key, loFirst ? hi : lo);
        }
        run.clear();
    };
    int i = from;
    while (i < to) {
        const double pixel = std::floor(map.origin + map.scale * data[i].key);
        const double keyEnd = (pixel + 1 - map.origin) / map.scale;
        int end = i + 1;
        while (end < to && data[end].key < keyEnd)
            ++end;
        for (int k = i; k < end; ++k) {
            if (std::isnan(data[k].value)) {
                flush();
                out << data[k];
            } else {
                run << k;
            }
        }
        flush();
        i = end;
    }
    return out;
}

bool samePoints(const QVector<QCPGraphData> &a, const QVector<QCPGraphData> &b, QString *why)
{
    for (int i = 0; i < qMin(a.size(), b.size()); ++i) {
        const bool same = a[i].key == b[i].key
            && (a[i].value == b[i].value || (std::isnan(a[i].value) && std::isnan(b[i].value)));
        if (!same) {
            *why = QStringLiteral("point %1: (%2, %3) against (%4, %5)")
                       .arg(i).arg(a[i].key).arg(a[i].value).arg(b[i].key).arg(b[i].value);
            return false;
        }
    }
    *why = QStringLiteral("%1 points against %2").arg(a.size()).arg(b.size());
    return a.size() == b.size();
}

} // namespace

class TstPlotWindow : public QObject
{
    Q_OBJECT
private slots:
    void reductionIsThePlainOne_data();
    void reductionIsThePlainOne();
    void windowKeepsEveryPointWhileMoving();
    void drawingCoversEveryPoint();
    void hiddenPlotRedrawsWhenSeen();

private:
    TempWorkDir work;
};

void TstPlotWindow::reductionIsThePlainOne_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<int>("dropped");      // points dropped at the front after summarising
    QTest::addColumn<int>("appended");     // points appended after that
    QTest::addColumn<double>("pixelsPerKey");
    QTest::addColumn<int>("nanEvery");     // 0: no NaN
    QTest::addColumn<bool>("zoomed");      // only a middle part is drawn
    QTest::newRow("dense") << 200000 << 0 << 0 << 0.02 << 0 << false;
    QTest::newRow("sparse") << 3000 << 0 << 0 << 3.0 << 0 << false;
    QTest::newRow("a few points per column") << 20000 << 0 << 0 << 0.5 << 0 << false;
    QTest::newRow("dropped and appended off the blocks") << 150000 << 12345 << 7777 << 0.02 << 0 << false;
    QTest::newRow("gaps") << 120000 << 4097 << 100 << 0.03 << 997 << false;
    QTest::newRow("zoomed in") << 100000 << 1000 << 0 << 0.7 << 0 << true;
    QTest::newRow("zoomed in with gaps") << 100000 << 0 << 0 << 0.05 << 313 << true;
}

void TstPlotWindow::reductionIsThePlainOne()
{
    QFETCH(int, points);
    QFETCH(int, dropped);
    QFETCH(int, appended);
    QFETCH(double, pixelsPerKey);
    QFETCH(int, nanEvery);
    QFETCH(bool, zoomed);
    std::mt19937 rng(uint(points + dropped));
    std::normal_distribution<double> step(0, 1);
    QVector<QCPGraphData> data;
    double value = 0;
    for (int i = 0; i < points + appended; ++i) {
        value += step(rng);
        const double key = i * 0.1 + (i % 7 == 3 ? 0.0 : 0.01 * (i % 5));   // some keys repeat
        data << QCPGraphData(i % 7 == 4 ? data.last().key : key, value);
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

    const int from = zoomed ? size / 3 : 0;
    const int to = zoomed ? size / 3 + size / 10 : size;
    const MinMaxIndex::PixelMap map{12.5 - pixelsPerKey * live[from].key, pixelsPerKey};
    QVector<QCPGraphData> reduced;
    index.reduce(live, from, to, map, &reduced);
    QString why;
    QVERIFY2(samePoints(reduced, plainReduction(live, from, to, map), &why), qPrintable(why));
    if (pixelsPerKey < 0.1)
        QVERIFY(reduced.size() < (to - from) / 10);   // it does reduce
}

void TstPlotWindow::windowKeepsEveryPointWhileMoving()
{
    MyCustomPlot plot;   // hidden: no drawing, just the points
    plot.windowSeconds = 10000;   // 100,000 points at 100 ms
    const auto *graph = dynamic_cast<const WindowGraph *>(graphOf(plot));
    QVERIFY(graph);
    std::deque<QCPGraphData> expected;
    double lo = qInf(), hi = -qInf();
    const auto keep = [&](double t) {
        if (t > plot.windowSeconds)
            while (!expected.empty() && expected.front().key < t - plot.windowSeconds)
                expected.pop_front();
    };
    const auto compare = [&](qint64 at) {
        const QSharedPointer<QCPGraphDataContainer> data = graphOf(plot)->data();
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
    double t = 0;
    for (qint64 i = 0; i < 420000; ++i) {
        t = double(i) / 10;
        const double v = std::sin(double(i) * 0.0007) * 5 + double(i % 13) / 13;
        if (i % 60000 == 30000) {   // a pause resumed: its samples in one go
            QVector<double> times, values;
            for (int k = 0; k < 300; ++k, ++i) {
                times << double(i) / 10;
                values << v + k;
                expected.push_back(QCPGraphData(times.last(), values.last()));
                lo = std::min(lo, values.last());
                hi = std::max(hi, values.last());
            }
            --i;
            t = times.last();
            plot.addPoints(times, values);
        } else {
            // A narrower window just as the points start moving drops more
            // at once than moved so far.
            if (i > 250000 && plot.windowSeconds == 10000 && graph->isMoving() && !wasMoving)
                plot.windowSeconds = 4000;
            wasMoving = graph->isMoving();
            plot.addPoint(t, v);
            expected.push_back(QCPGraphData(t, v));
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
        keep(t);
        const bool moved = graphOf(plot)->data().data() != store;
        if (moved) {
            store = graphOf(plot)->data().data();
            ++moves;
        }
        if (moved || i % 50000 == 0) {
            const QString wrong = compare(i);
            QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
        }
    }
    QVERIFY2(moves >= 3, qPrintable(QString::number(moves)));
    QCOMPARE(plot.windowSeconds, 4000);
    // Bounded: two containers with room to spare and the drawing index.
    QVERIFY(graph->memoryBytes() <= qint64(expected.size()) * 48);

    // A late sample sorts in; the window and the axes keep their rules.
    plot.addPoints({t - 0.05, t + 0.1}, {lo - 1, hi + 1});
    expected.push_back(QCPGraphData(t + 0.1, hi + 1));
    expected.insert(expected.end() - 2, QCPGraphData(t - 0.05, lo - 1));
    t += 0.1;
    keep(t);
    for (qint64 i = 1; i <= 20000; ++i) {
        plot.addPoint(t + double(i) / 10, 0.5);
        expected.push_back(QCPGraphData(t + double(i) / 10, 0.5));
        keep(t + double(i) / 10);
    }
    t += 2000;
    const QString wrong = compare(-1);
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong));
    QCOMPARE(plot.xAxis->range().lower, expected.front().key);
    QCOMPARE(plot.xAxis->range().upper, expected.back().key);
    const double margin = ((hi + 1) - (lo - 1)) / 5;
    QCOMPARE(plot.yAxis->range().lower, lo - 1 - margin);
    QCOMPARE(plot.yAxis->range().upper, hi + 1 + margin);
}

void TstPlotWindow::drawingCoversEveryPoint()
{
    MyCustomPlot plot;
    plot.setPlotType(0);   // yellow
    plot.resize(500, 300);
    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    plot.windowSeconds = 100000;
    std::mt19937 rng(42);
    std::normal_distribution<double> step(0, 1);
    QVector<double> times, values;
    double v = 0;
    for (int i = 0; i < 200000; ++i) {
        times << i * 0.1;
        values << (v += step(rng));
    }
    plot.addPoints(times, values);
    const QImage image = plot.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRgb line = QColor(Qt::yellow).rgb();
    const auto isLine = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < image.width() && y < image.height() && image.pixel(x, y) == line;
    };

    // Every point is on the line, within a pixel.
    QMap<int, QPair<int, int>> columns;   // pixel column: lowest and highest point
    for (int i = 0; i < times.size(); ++i) {
        const int x = int(std::floor(plot.xAxis->coordToPixel(times[i])));
        const int y = int(std::lround(plot.yAxis->coordToPixel(values[i])));
        bool found = false;
        for (int dx = -1; dx <= 1 && !found; ++dx)
            for (int dy = -1; dy <= 1 && !found; ++dy)
                found = isLine(x + dx, y + dy);
        QVERIFY2(found, qPrintable(QStringLiteral("point %1 at pixel (%2, %3) not drawn").arg(i).arg(x).arg(y)));
        auto c = columns.find(x);
        if (c == columns.end())
            columns.insert(x, {y, y});
        else
            *c = {std::min(c->first, y), std::max(c->second, y)};
    }
    // And nothing is drawn away from the points of its own or the next columns.
    const QRect plotArea = plot.axisRect()->rect();
    for (int x = plotArea.left(); x <= plotArea.right(); ++x) {
        int lo = INT_MAX, hi = INT_MIN;
        for (int near = x - 1; near <= x + 1; ++near)
            if (columns.contains(near)) {
                lo = std::min(lo, columns[near].first);
                hi = std::max(hi, columns[near].second);
            }
        for (int y = plotArea.top(); y <= plotArea.bottom(); ++y)
            if (isLine(x, y))
                QVERIFY2(y >= lo - 1 && y <= hi + 1,
                         qPrintable(QStringLiteral("stray pixel (%1, %2), points span %3..%4").arg(x).arg(y).arg(lo).arg(hi)));
    }
}

void TstPlotWindow::hiddenPlotRedrawsWhenSeen()
{
    MyCustomPlot plot;
    plot.resize(400, 300);
    QSignalSpy redraws(&plot, &QCustomPlot::afterReplot);
    for (int i = 0; i < 50; ++i)
        plot.addPoint(i, i % 7);
    QCOMPARE(redraws.count(), 0);   // drawn for nobody: not at all
    QCOMPARE(graphOf(plot)->dataCount(), 50);
    QCOMPARE(plot.xAxis->range().upper, 49.0);

    plot.show();
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QVERIFY(redraws.count() >= 1);
    int seen = redraws.count();
    plot.addPoint(50, 3);
    QCOMPARE(redraws.count(), seen + 1);   // shown: every sample redraws

    plot.hide();
    plot.addPoint(51, 4);
    QCOMPARE(redraws.count(), seen + 1);
    plot.grab();   // a snapshot of a hidden plot shows its latest points
    QCOMPARE(redraws.count(), seen + 2);
    seen = redraws.count();
    plot.show();   // already up to date
    QVERIFY(QTest::qWaitForWindowExposed(&plot));
    QCOMPARE(redraws.count(), seen);
}

QTEST_MAIN(TstPlotWindow)
#include "tst_plotwindow.moc"
