// Four simulated supplies recorded at 100 ms while their links suffer random
// faults. Lost supplies are reconnected, runs restarted at least a second
// apart (files are named to the second), and in the end every sample
// received is a row of a history file and reads back from it.
//   KLV_SOAK_SECONDS  length of the run (default 20)
//   KLV_SOAK_SEED     seed of the fault choice (default: random, printed)
#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "historycsv.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QToolButton>
#include <QtTest>

using namespace devpage;
using klvsim::FaultKind;

namespace {

qint64 residentKiB()
{
    QFile status("/proc/self/status");
    const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
    const QRegularExpressionMatch m = QRegularExpression("VmRSS:\\s*(\\d+)").match(QString::fromLatin1(text));
    return m.hasMatch() ? m.captured(1).toLongLong() : -1;
}

struct Station {
    QString ip;
    std::unique_ptr<klvsim::SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    qint64 clockOffsetSecs = 0;   // the silence the test lets pass at once
    bool running = false;
    qint64 lastRunStart = -10000, lostAt = -1, lastEcho = 0;
    QList<QByteArray> recorded;                            // "v,c" of every sample received in a run
    int strays = 0, runs = 0, losses = 0, failedStarts = 0;   // strays: samples outside a run
};

} // namespace

class TestNetSoak : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;   // before the log's first use
    std::vector<std::unique_ptr<Station>> stations;
    QElapsedTimer elapsed;
    QMap<QString, int> faultsInjected;

    void injectFault(QRandomGenerator &random)
    {
        Station &s = *stations.at(random.bounded(int(stations.size())));
        if (random.bounded(100) < 8)
            return s.sim->raiseAlarm(1 + random.bounded(16)), void(++faultsInjected["alarm"]);
        static const struct { FaultKind kind; const char *name; int weight; } choices[] = {
            {FaultKind::Silent, "silence", 20},     {FaultKind::Delay, "delay", 20},
            {FaultKind::Late, "late reply", 10},    {FaultKind::WrongLength, "malformed reply", 10},
            {FaultKind::Split, "split reply", 10},  {FaultKind::ErrorByte, "error byte", 6},
            {FaultKind::Exception, "exception", 6}, {FaultKind::Drop, "dropped connection", 4},
            {FaultKind::NeverAnswer, "dead connection", 2}};
        int r = random.bounded(88);   // the weights' sum
        auto *choice = choices;
        while (r >= choice->weight)
            r -= (choice++)->weight;
        const int times = 1 + random.bounded(3), delayMs = 20 + random.bounded(200);
        const bool once = choice->kind == FaultKind::Drop || choice->kind == FaultKind::NeverAnswer;
        s.sim->addFault(fault(choice->kind, -1, -1, once ? 1 : times, choice->kind == FaultKind::Late ? 400 : delayMs));
        ++faultsInjected[choice->name];
    }

    // Lets a link silent for 3 s be lost: its clock skips the 20 s the rule waits for, once per silence.
    void skipSilence(Station &s, qint64 now)
    {
        if (now - s.lastEcho > 3000)
            s.clockOffsetSecs += 21, s.lastEcho = now;
    }

    // What an operator does for one page: reconnect a lost supply, restart a run that ended.
    void tend(Station &s)
    {
        DevDriver_KLV2400 &driver = s.page->deviceDriver();
        const qint64 now = elapsed.elapsed();
        if (driver.connectState() == ModbusDriver::Disconnected) {
            if (s.lostAt < 0 || now - s.lostAt < 1000)
                return;
            s.sim->clearFaults();
            s.sim->raiseAlarm(0);
            s.sim->panelSetOutput(false);   // no run from the panel behind the page's back
            child<QToolButton>(s.page.get(), "tbtn_connectDev")->click();
            if (driver.connectState() == ModbusDriver::ConnectedTcp)
                s.lostAt = -1, s.lastEcho = elapsed.elapsed();
        } else if (now - s.lastEcho > 3000) {
            skipSilence(s, now);
        } else if (!s.running && now - s.lastRunStart >= 1100) {   // files are named to the second
            if (s.sim->alarmCode() != 0)
                return s.sim->raiseAlarm(0);
            const int before = s.runs;
            s.lastRunStart = now, s.running = true;   // the first sample is read inside the click
            child<QToolButton>(s.page.get(), "tbtn_startOutput")->click();
            if (s.runs == before)   // refused, or its reply lost: the output must not come on unseen
                s.running = false, ++s.failedStarts, s.sim->panelSetOutput(false);
        }
    }

private slots:
    void recordsEverySampleThroughFaults()
    {
        const int seconds = qEnvironmentVariableIsSet("KLV_SOAK_SECONDS")
                                ? qEnvironmentVariableIntValue("KLV_SOAK_SECONDS") : 20;
        const quint32 seed = qEnvironmentVariableIsSet("KLV_SOAK_SEED")
                                 ? quint32(qEnvironmentVariableIntValue("KLV_SOAK_SEED"))
                                 : QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        qInfo("soak: %d s, seed %u", seconds, seed);

        MessageBoxAnswerer boxes;   // the lost-supply and failed-start boxes
        for (int i = 0; i < 4; ++i) {
            stations.emplace_back(new Station);
            Station *s = stations.back().get();
            s->ip = QStringLiteral("127.0.0.%1").arg(41 + i);
            s->sim = startSim(s->ip);
            s->sim->setFloatValue(82, 10.0f + i);   // VI set point
            s->page.reset(new DevWidget_KLV2400);
            DevDriver_KLV2400 *driver = &s->page->deviceDriver();
            driver->setClock([s] { return QDateTime::currentDateTime().addSecs(s->clockOffsetSecs); });
            connect(driver, &DevDriver_KLV2400::sigPassSamplingValue, this, [s](ST_SamplingValue v) {
                if (s->running)
                    s->recorded << QByteArray::number(double(v.voltage), 'g', 6) + ','
                                       + QByteArray::number(double(v.current), 'g', 6);
                s->strays += s->running ? 0 : 1;
            });
            connect(driver, &DevDriver_KLV2400::sigPassEchoValue, this,
                    [this, s](ST_EchoValue) { s->lastEcho = elapsed.elapsed(); });
        }
        // A run's start, end and loss as the page reports them; the context goes before the stations.
        QObject logContext;
        connect(CAppLog::instance(), &CAppLog::sigPassMsg, &logContext, [this](QString msg, int) {
            for (auto &s : stations) {
                if (msg.contains(s->ip + QStringLiteral("设备开始输出")))
                    ++s->runs;
                else if (msg.contains(s->ip + QStringLiteral("设备结束输出")))
                    s->running = false;
                else if (msg.contains(s->ip + QStringLiteral("设备失去连接")))
                    s->running = false, s->lostAt = elapsed.elapsed(), ++s->losses;
            }
        });
        elapsed.start();
        for (auto &s : stations)
            QVERIFY(s->page->openDevice(s->ip));
        waitUntil([] { return false; }, 2000);   // settled after start-up
        const qint64 rssStart = residentKiB();
        qint64 nextFault = elapsed.elapsed() + 500, rssHalfway = 0;
        while (elapsed.elapsed() < seconds * 1000) {
            if (elapsed.elapsed() >= nextFault) {
                injectFault(random);
                nextFault = elapsed.elapsed() + 200 + random.bounded(600);
            }
            for (auto &s : stations) {
                tend(*s);
                s->sim->clearRecords();   // the simulators share this process: keep their logs out of its memory
            }
            if (rssHalfway == 0 && elapsed.elapsed() >= seconds * 500)
                rssHalfway = residentKiB();
            waitUntil([] { return false; }, 50);
        }
        const qint64 rssEnd = residentKiB();

        // Let every run end at its supply, then close the pages.
        for (auto &s : stations)
            s->sim->clearFaults(), s->sim->panelSetOutput(false);
        QVERIFY(waitUntil([&] {
            bool ended = true;
            for (auto &s : stations)
                if (s->running && s->page->deviceDriver().connectState() == ModbusDriver::ConnectedTcp)
                    ended = false, skipSilence(*s, elapsed.elapsed());   // a dead link: let it be lost
            return ended;
        }, 30000));

        int samples = 0, rows = 0, reimported = 0, runs = 0, losses = 0, strays = 0, failedStarts = 0;
        qint64 recordBytes = 0;   // this test's own copy of every sample, in the same process
        for (auto &s : stations) {
            for (const QByteArray &sample : s->recorded)
                recordBytes += sample.capacity() + 32;
            s->page.reset();
            QList<QByteArray> fileRows;
            const QStringList files = QDir("historyData").entryList({s->ip + "_*.csv"}, QDir::Files, QDir::Name);
            for (const QString &name : files) {
                QFile file("historyData/" + name);
                QVERIFY(file.open(QIODevice::ReadOnly));
                const QByteArray bytes = file.readAll(), body = bytes.mid(historycsv::headerBytes().size());
                QVERIFY2(bytes.startsWith(historycsv::headerBytes()) && bytes.endsWith('\n'), qPrintable(name));
                QVERIFY(historycsv::isMarkerLine(bytes.left(bytes.indexOf('\n'))));
                reimported += historycsv::parseRows(body).times.size();
                for (const QByteArray &line : body.split('\n').mid(0, body.count('\n')))
                    fileRows << line.mid(line.indexOf(',') + 1);
            }
            QCOMPARE(files.size(), s->runs);   // one file per run, none overwritten
            QCOMPARE(fileRows, s->recorded);   // every sample, in order, with its values
            samples += s->recorded.size(), rows += fileRows.size();
            runs += s->runs, losses += s->losses, strays += s->strays, failedStarts += s->failedStarts;
        }
        QStringList faultList;
        int faults = 0;   // by kind, as injected
        for (auto it = faultsInjected.cbegin(); it != faultsInjected.cend(); ++it)
            faultList << QStringLiteral("%1 %2").arg(it.value()).arg(it.key()), faults += it.value();
        qInfo("soak: %d faults injected (%s)", faults, qPrintable(faultList.join(", ")));
        qInfo("soak: %d runs, %d supplies lost and reconnected, %d starts refused", runs, losses, failedStarts);
        qInfo("soak: samples received %d, rows written %d, rows re-imported %d, lost %d", samples, rows,
              reimported, samples - rows);
        qInfo("soak: resident memory %lld KiB after start-up, %lld KiB halfway, %lld KiB at the end, of which "
              "about %lld KiB this test's own record of the samples",
              rssStart, rssHalfway, rssEnd, recordBytes / 1024);
        QVERIFY(strays == 0 && samples > 0);
        QCOMPARE(rows, samples);
        QCOMPARE(reimported, samples);
    }
};

QTEST_MAIN(TestNetSoak)
#include "tst_net_soak.moc"
