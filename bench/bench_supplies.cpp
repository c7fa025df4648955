// Many supplies at once (figure 5) and a dead supply among live ones
// (figure 6), through the real main window: one device page per simulated
// supply, each sampling at 100 ms with the output on, the last page the
// visible tab. The simulators answer from a thread of their own; the
// program's share of a core is its GUI thread's CPU time.

#include "benchkit.h"
#include "devwidget_klv2400.h"
#include "mainwindow.h"
#include "simthread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QToolButton>

#include <map>

namespace {

// Runs the event loop for ms milliseconds, idle in between as the program is.
void runFor(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Counts the sampling timer's ticks of every page's driver. The timer is
// a member of the driver, not a child, so it is recognised by where it
// lives: inside the driver object, with the sampling interval.
class TickCounter : public QObject
{
public:
    explicit TickCounter(const QList<DevWidget_KLV2400 *> &pages)
    {
        for (int i = 0; i < pages.size(); ++i)
            drivers.push_back(&pages.at(i)->deviceDriver());
        ticks.assign(size_t(pages.size()), 0);
        qApp->installEventFilter(this);
    }
    ~TickCounter() override { qApp->removeEventFilter(this); }
    std::vector<qint64> ticks;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Timer)
            return false;
        auto *timer = qobject_cast<QTimer *>(watched);
        if (!timer)
            return false;
        const char *at = reinterpret_cast<const char *>(timer);
        for (size_t i = 0; i < drivers.size(); ++i) {
            const char *driver = reinterpret_cast<const char *>(drivers[i]);
            if (at >= driver && at < driver + sizeof(DevDriver_KLV2400)
                && timer->interval() == drivers[i]->samplingInterval && !timer->isSingleShot())
                ++ticks[i];
        }
        return false;
    }

private:
    std::vector<const DevDriver_KLV2400 *> drivers;
};

// A main window with one running page per supply.
class Rig
{
public:
    Rig(bench::SimThread &sims, int count) : sims(sims)
    {
        window.resize(1280, 900);
        window.show();
        QApplication::processEvents();
        for (int i = 0; i < count; ++i) {
            const QString ip = sims.supply(i)->config().address.toString();
            QMetaObject::invokeMethod(&window, "onConnectDevice", Q_ARG(QString, ip));
        }
        pages = window.findChildren<DevWidget_KLV2400 *>();
        for (DevWidget_KLV2400 *page : pages) {
            samples[page] = 0;
            QObject::connect(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue, &window,
                             [this, page] { ++samples[page]; });
            page->findChild<QToolButton *>(QStringLiteral("tbtn_startOutput"))->click();
        }
    }
    int supplyOf(DevWidget_KLV2400 *page) const
    {
        for (int i = 0; i < sims.count(); ++i)
            if (sims.supply(i)->config().address.toString() == page->deviceDriver().hostAddress())
                return i;
        return -1;
    }

    bench::SimThread &sims;
    MainWindow window;
    QList<DevWidget_KLV2400 *> pages;
    std::map<DevWidget_KLV2400 *, qint64> samples;
};

struct Load {
    int pages = 0;
    qint64 refused = 0;   // sampling ticks that sent nothing: the driver was busy
    qint64 ticks = 0;
    double cpuShare = 0;
};

Load runLoad(bench::SimThread &sims, int count, int seconds)
{
    Rig rig(sims, count);
    Load load;
    load.pages = rig.pages.size();
    runFor(1000);   // settle: connections made, first samples in
    TickCounter counter(rig.pages);
    std::vector<qint64> readsBefore;
    for (DevWidget_KLV2400 *page : rig.pages)
        readsBefore.push_back(sims.samplingReads(rig.supplyOf(page)));
    const double cpu0 = bench::threadCpuSeconds();
    const qint64 t0 = bench::monotonicNs();
    runFor(seconds * 1000);
    load.cpuShare = (bench::threadCpuSeconds() - cpu0) / (double(bench::monotonicNs() - t0) / 1e9);
    for (DevWidget_KLV2400 *page : rig.pages)   // no tick left half done
        page->deviceDriver().stopSampling();
    runFor(200);
    for (int i = 0; i < rig.pages.size(); ++i) {
        const qint64 sent = sims.samplingReads(rig.supplyOf(rig.pages.at(i))) - readsBefore[size_t(i)];
        load.ticks += counter.ticks[size_t(i)];
        load.refused += std::max<qint64>(0, counter.ticks[size_t(i)] - sent);
    }
    return load;
}

void manySupplies(bench::SimThread &sims, int seconds)
{
    std::vector<Load> tried;
    int best = 0;
    double bestShare = 0;
    for (int n : {16, 32, 48}) {
        if (n > sims.count())
            break;
        const Load load = runLoad(sims, n, seconds);
        tried.push_back(load);
        if (load.refused != 0 || load.pages != n)
            break;
        best = n;
        bestShare = load.cpuShare;
    }
    if (best == 0) {
        for (int n : {8, 4, 2, 1}) {
            const Load load = runLoad(sims, n, seconds);
            tried.push_back(load);
            if (load.refused == 0 && load.pages == n) {
                best = n;
                bestShare = load.cpuShare;
                break;
            }
        }
    }
    QStringList detail;
    for (const Load &l : tried)
        detail << QStringLiteral("N=%1: %2 of %3 ticks refused, %4 % of a core")
                      .arg(l.pages)
                      .arg(l.refused)
                      .arg(l.ticks)
                      .arg(bench::fmt(l.cpuShare * 100, 1));
    bench::report(5, QStringLiteral("supplies sampling at 100 ms with no tick refused (%1 s per N)").arg(seconds),
                  QStringLiteral("N = %1 at %2 % of a core").arg(best).arg(bench::fmt(bestShare * 100, 1)),
                  QStringLiteral("N >= 16 under 50 %"), best >= 16 && bestShare < 0.5, detail.join(QStringLiteral("; ")));
}

void deadSupply(bench::SimThread &sims, int seconds)
{
    Rig rig(sims, 4);
    runFor(1000);
    DevWidget_KLV2400 *silent = rig.pages.last();
    QList<DevWidget_KLV2400 *> live = rig.pages;
    live.removeLast();
    auto liveSamples = [&] {
        qint64 n = 0;
        for (DevWidget_KLV2400 *page : live)
            n += rig.samples[page];
        return n;
    };
    // Rates, not counts: a stretch can end inside a nested wait and run
    // a little over its time.
    QElapsedTimer clock;
    const qint64 before = liveSamples();
    clock.start();
    runFor(seconds * 1000);
    const double allLiveSeconds = double(clock.nsecsElapsed()) / 1e9;
    const qint64 allLive = liveSamples() - before;

    klvsim::SimSupply *quiet = sims.supply(rig.supplyOf(silent));
    sims.call([quiet] {
        klvsim::FaultRule rule;
        rule.kind = klvsim::FaultKind::Silent;   // reads every request, answers none
        quiet->addFault(rule);
    });
    const qint64 silentBefore = rig.samples[silent];
    const qint64 during0 = liveSamples();
    clock.start();
    runFor(seconds * 1000);   // under 20 s: the silent supply is not yet declared lost
    const double duringSeconds = double(clock.nsecsElapsed()) / 1e9;
    const qint64 during = liveSamples() - during0;
    const qint64 silentDelivered = rig.samples[silent] - silentBefore;
    sims.call([quiet] { quiet->clearFaults(); });

    const double ratio = allLive > 0 ? (double(during) / duringSeconds) / (double(allLive) / allLiveSeconds) : 0;
    bench::report(6, QStringLiteral("live supplies' samples while a fourth is silent vs all four live"),
                  QStringLiteral("%1").arg(bench::fmt(ratio, 3)), QStringLiteral(">= 0.95"), ratio >= 0.95,
                  QStringLiteral("3 live pages: %1 samples in %2 s with all live, %3 in %4 s with the fourth "
                                 "silent (it delivered %5)")
                      .arg(allLive)
                      .arg(bench::fmt(allLiveSeconds, 1))
                      .arg(during)
                      .arg(bench::fmt(duringSeconds, 1))
                      .arg(silentDelivered));
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    bench::ScratchDir scratch;
    // Seconds per measured stretch: 20 by default, 60 for the full minute.
    const int seconds = argc > 1 ? qMax(2, QByteArray(argv[1]).toInt()) : 20;
    bench::SimThread sims(bench::loopbackSupplies(48, 502, 7000));
    QString error;
    if (!sims.startSupplies(&error)) {
        bench::note(QStringLiteral("bench_supplies: simulators did not start (%1); run it in a network namespace")
                        .arg(error));
        return 1;
    }
    manySupplies(sims, seconds);
    deadSupply(sims, qMin(seconds, 15));
    return 0;
}
