// Four simulated supplies recorded at 100 ms while their links suffer random
// faults (silence, delays, late, split and malformed replies, exception
// replies, dropped and dead connections, alarms). Pages that lose their
// supply are reconnected, runs are restarted at least a second apart (files
// are named to the second), and in the end every sample received is a row
// of a history file, and reads back from it.
//   KLV_SOAK_SECONDS  length of the run (default 20)
//   KLV_SOAK_SEED     seed of the fault choice (default: random, printed)
#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "historycsv.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace devpage;
using klvsim::FaultKind;

namespace {

qint64 residentKiB()
{
    QFile status("/proc/self/status");
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLongLong();
    return -1;
}

QByteArray sampleText(const ST_SamplingValue &s)
{
    return QByteArray::number(double(s.voltage), 'g', 6) + ',' + QByteArray::number(double(s.current), 'g', 6);
}

struct Station {
    QString ip;
    std::unique_ptr<klvsim::SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    qint64 clockOffsetSecs = 0;   // the silence the test lets pass at once
    bool running = false;
    qint64 lastRunStart = -10000;
    qint64 lostAt = -1;
    qint64 lastEcho = 0;
    QList<QByteArray> recorded;   // "v,c" of every sample received in a run
    int strays = 0;               // samples outside a run: must stay 0
    int runs = 0;
    int losses = 0;
    int failedStarts = 0;
};

} // namespace

class TestNetSoak : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;   // before the log's first use

private slots:
    void recordsEverySampleThroughFaults();

private:
    void injectFault(QRandomGenerator &random);
    void tend(Station &s);

    QList<Station *> stations;
    QElapsedTimer elapsed;
    QMap<QString, int> faultsInjected;
};

void TestNetSoak::injectFault(QRandomGenerator &random)
{
    Station &s = *stations.at(random.bounded(stations.size()));
    if (!s.sim)
        return;
    const int pick = random.bounded(100);
    if (pick < 8) {
        s.sim->raiseAlarm(1 + random.bounded(16));
        ++faultsInjected["alarm"];
        return;
    }
    struct Choice {
        FaultKind kind;
        const char *name;
        int weight;
    };
    static const Choice choices[] = {
        {FaultKind::Silent, "silence", 20},       {FaultKind::Delay, "delay", 20},
        {FaultKind::Late, "late reply", 10},      {FaultKind::WrongLength, "malformed reply", 10},
        {FaultKind::Split, "split reply", 10},    {FaultKind::ErrorByte, "error byte", 6},
        {FaultKind::Exception, "exception", 6},   {FaultKind::Drop, "dropped connection", 4},
        {FaultKind::NeverAnswer, "dead connection", 2},
    };
    int total = 0;
    for (const Choice &c : choices)
        total += c.weight;
    int r = random.bounded(total);
    const Choice *choice = choices;
    while (r >= choice->weight)
        r -= (choice++)->weight;
    klvsim::FaultRule rule = fault(choice->kind, -1, -1, 1 + random.bounded(3), 20 + random.bounded(200));
    if (choice->kind == FaultKind::Late)
        rule.delayMs = 400;
    if (choice->kind == FaultKind::Drop || choice->kind == FaultKind::NeverAnswer)
        rule.remaining = 1;
    s.sim->addFault(rule);
    ++faultsInjected[choice->name];
}

// What an operator does for one page: restart a run that ended, reconnect a
// lost supply, and let a supply that has been silent for a while be lost
// (its clock skips the 20 s the rule waits for).
void TestNetSoak::tend(Station &s)
{
    DevDriver_KLV2400 &driver = s.page->deviceDriver();
    const qint64 now = elapsed.elapsed();
    if (driver.connectState() == ModbusDriver::Disconnected) {
        if (s.lostAt >= 0 && now - s.lostAt >= 1000) {
            s.sim->clearFaults();
            s.sim->raiseAlarm(0);
            s.sim->panelSetOutput(false);   // no run from the panel behind the page's back
            child<QToolButton>(s.page.get(), "tbtn_connectDev")->click();
            if (driver.connectState() == ModbusDriver::ConnectedTcp) {
                s.lostAt = -1;
                s.lastEcho = elapsed.elapsed();
            }
        }
        return;
    }
    if (now - s.lastEcho > 3000) {
        s.clockOffsetSecs += 21;
        s.lastEcho = now;   // one skip per silence
        return;
    }
    if (!s.running && now - s.lastRunStart >= 1100) {
        if (s.sim->alarmCode() != 0) {
            s.sim->raiseAlarm(0);
            return;
        }
        s.lastRunStart = now;
        s.running = true;   // the first sample is read inside the click
        const int before = s.runs;
        child<QToolButton>(s.page.get(), "tbtn_startOutput")->click();
        if (s.runs == before) {
            // Refused, or its reply lost: the output must not come on unseen.
            s.running = false;
            ++s.failedStarts;
            s.sim->panelSetOutput(false);
        }
    }
}

void TestNetSoak::recordsEverySampleThroughFaults()
{
    const int seconds = qEnvironmentVariableIsSet("KLV_SOAK_SECONDS")
                            ? qEnvironmentVariableIntValue("KLV_SOAK_SECONDS") : 20;
    const quint32 seed = qEnvironmentVariableIsSet("KLV_SOAK_SEED")
                             ? quint32(qEnvironmentVariableIntValue("KLV_SOAK_SEED"))
                             : QRandomGenerator::global()->generate();
    QRandomGenerator random(seed);
    qInfo("soak: %d s, seed %u", seconds, seed);

    MessageBoxAnswerer boxes;   // the lost-supply and failed-start boxes
    std::vector<std::unique_ptr<Station>> owned;
    stations.clear();
    for (int i = 0; i < 4; ++i) {
        owned.emplace_back(new Station);
        Station &s = *owned.back();
        stations << &s;
        s.ip = QStringLiteral("127.0.0.%1").arg(41 + i);
        klvsim::SupplyConfig config;
        config.address = QHostAddress(s.ip);
        s.sim.reset(new klvsim::SimSupply(config));
        QString error;
        QVERIFY2(s.sim->start(&error), qPrintable(error));
        s.sim->setFloatValue(82, 10.0f + i);
        s.sim->setFloatValue(84, 2.0f);
        s.page.reset(new DevWidget_KLV2400);
        Station *sp = &s;
        s.page->deviceDriver().setClock(
            [sp] { return QDateTime::currentDateTime().addSecs(sp->clockOffsetSecs); });
        connect(&s.page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue, this,
                [sp](ST_SamplingValue v) {
                    if (sp->running)
                        sp->recorded << sampleText(v);
                    else
                        ++sp->strays;
                });
        connect(&s.page->deviceDriver(), &DevDriver_KLV2400::sigPassEchoValue, this,
                [this, sp](ST_EchoValue) { sp->lastEcho = elapsed.elapsed(); });
    }
    // A run's start, end and loss as the page reports them. The context goes
    // before the stations do.
    QObject logContext;
    connect(CAppLog::instance(), &CAppLog::sigPassMsg, &logContext, [this](QString msg, int) {
        for (Station *s : stations) {
            if (msg.contains(s->ip + QStringLiteral("设备开始输出"))) {
                ++s->runs;
            } else if (msg.contains(s->ip + QStringLiteral("设备结束输出"))) {
                s->running = false;
            } else if (msg.contains(s->ip + QStringLiteral("设备失去连接"))) {
                s->running = false;
                s->lostAt = elapsed.elapsed();
                ++s->losses;
            }
        }
    });

    elapsed.start();
    for (Station *s : stations)
        QVERIFY(s->page->openDevice(s->ip));
    waitUntil([] { return false; }, 2000);
    const qint64 rssStart = residentKiB();

    qint64 nextFault = elapsed.elapsed() + 500;
    qint64 rssHalfway = 0;
    while (elapsed.elapsed() < seconds * 1000) {
        if (elapsed.elapsed() >= nextFault) {
            injectFault(random);
            nextFault = elapsed.elapsed() + 200 + random.bounded(600);
        }
        for (Station *s : stations) {
            tend(*s);
            s->sim->clearRecords();   // the simulators share this process: keep their logs out of its memory
        }
        if (rssHalfway == 0 && elapsed.elapsed() >= seconds * 500)
            rssHalfway = residentKiB();
        waitUntil([] { return false; }, 50);
    }
    const qint64 rssEnd = residentKiB();
    qint64 recordBytes = 0;   // this test's own copy of every sample, in the same process
    for (Station *s : stations) {
        for (const QByteArray &sample : s->recorded)
            recordBytes += sample.capacity() + 32;
    }

    // Let every run end at its supply, then close the pages.
    for (Station *s : stations) {
        s->sim->clearFaults();
        s->sim->panelSetOutput(false);
    }
    QVERIFY(waitUntil([&] {
        bool ended = true;
        for (Station *s : stations) {
            if (!s->running || s->page->deviceDriver().connectState() != ModbusDriver::ConnectedTcp)
                continue;
            ended = false;
            if (elapsed.elapsed() - s->lastEcho > 3000) {   // a dead link: let it be lost
                s->clockOffsetSecs += 21;
                s->lastEcho = elapsed.elapsed();
            }
        }
        return ended;
    }, 30000));
    for (Station *s : stations)
        s->page.reset();

    int samples = 0, rows = 0, reimported = 0, runs = 0, losses = 0, strays = 0, failedStarts = 0;
    for (Station *s : stations) {
        QList<QByteArray> fileRows;
        const QStringList files = QDir("historyData").entryList({s->ip + "_*.csv"}, QDir::Files, QDir::Name);
        for (const QString &name : files) {
            QFile file("historyData/" + name);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QVERIFY2(bytes.startsWith(historycsv::headerBytes()) && bytes.endsWith('\n'), qPrintable(name));
            QVERIFY(historycsv::isMarkerLine(bytes.left(bytes.indexOf('\n'))));
            const int body = historycsv::headerBytes().size();
            reimported += historycsv::parseRows(bytes.mid(body)).times.size();
            QList<QByteArray> lines = bytes.mid(body).split('\n');
            lines.removeLast();
            for (const QByteArray &line : lines)
                fileRows << line.mid(line.indexOf(',') + 1);
        }
        QCOMPARE(files.size(), s->runs);   // one file per run, none overwritten
        QCOMPARE(fileRows, s->recorded);   // every sample, in order, with its values
        samples += s->recorded.size();
        rows += fileRows.size();
        runs += s->runs;
        losses += s->losses;
        strays += s->strays;
        failedStarts += s->failedStarts;
    }
    QStringList faultList;
    int faults = 0;
    for (auto it = faultsInjected.cbegin(); it != faultsInjected.cend(); ++it) {
        faultList << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
        faults += it.value();
    }
    qInfo("soak: %d faults injected (%s)", faults, qPrintable(faultList.join(", ")));
    qInfo("soak: %d runs, %d supplies lost and reconnected, %d starts refused", runs, losses, failedStarts);
    qInfo("soak: samples received %d, rows written %d, rows re-imported %d, lost %d", samples, rows,
          reimported, samples - rows);
    qInfo("soak: resident memory %lld KiB after start-up, %lld KiB halfway, %lld KiB at the end, of which "
          "about %lld KiB this test's own record of the samples",
          rssStart, rssHalfway, rssEnd, recordBytes / 1024);
    QCOMPARE(strays, 0);
    QCOMPARE(rows, samples);
    QCOMPARE(reimported, samples);
    QVERIFY(samples > 0);
}

QTEST_MAIN(TestNetSoak)
#include "tst_net_soak.moc"
