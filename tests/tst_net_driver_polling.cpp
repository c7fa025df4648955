// The status echo, the sampling timer and the lost-supply rule against the
// simulated supply, with the clock of the rule under the test's control.

#include "devdriver_klv2400.h"
#include "drivertestpeer.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QSignalSpy>
#include <QtTest>

using klvsim::FaultKind;
using klvsim::FaultRule;
using namespace drivertest;


namespace {

const QHostAddress supplyAddress(QStringLiteral("127.0.0.11"));

FaultRule fault(FaultKind kind, int function, int address, int remaining, int delayMs = 0)
{
    FaultRule rule;
    rule.kind = kind;
    rule.function = function;
    rule.address = address;
    rule.remaining = remaining;
    rule.delayMs = delayMs;
    return rule;
}

QStringList requestsSummary(const QList<QByteArray> &frames)
{
    QStringList out;
    for (const QByteArray &f : frames) {
        const int address = quint8(f.at(8)) << 8 | quint8(f.at(9));
        out << QStringLiteral("%1@%2").arg(quint8(f.at(7)), 2, 16, QLatin1Char('0')).arg(address);
    }
    return out;
}

QString lostLine(int seconds)
{
    return QString::fromUtf8("超时时间：%1s").arg(seconds);
}

} // namespace

class TestNetDriverPolling : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstEchoAtOnce();
    void echoCarriesStatusAndMeasurements();
    void samplingStartsOnce();
    void samplingFailureEmitsNothing();
    void listProgress_data();
    void listProgress();
    void listProgressSeesWhatThePageDid();
    void lostOnlyAfterMoreThanTwentySeconds();
    void goodEchoRestartsTheCount();
    void busyTickCountsAsFailure();

private:
    QDateTime clockNow() const { return base.addMSecs(offsetMs); }

    TempWorkDir workDir;
    klvsim::SimSupply *sim = nullptr;
    DevDriver_KLV2400 *driver = nullptr;
    QDateTime base = QDateTime(QDate(2025, 5, 27), QTime(9, 30, 0));
    qint64 offsetMs = 0;
};

void TestNetDriverPolling::initTestCase()
{
    klvsim::SupplyConfig config;
    config.address = supplyAddress;
    sim = new klvsim::SimSupply(config, this);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
}

void TestNetDriverPolling::init()
{
    sim->clearFaults();
    sim->panelSetOutput(false);
    offsetMs = 0;
    driver = new DevDriver_KLV2400(this);
    driver->setClock([this] { return clockNow(); });
    driver->initTransport();
    QVERIFY(driver->connectDevice(supplyAddress.toString(), 502));
    sim->clearRecords();
}

void TestNetDriverPolling::cleanup()
{
    driver->stopSampling();
    driver->stopEcho();
    driver->disconnectDevice(true);
    delete driver;
    driver = nullptr;
    sim->clearFaults();
}

void TestNetDriverPolling::firstEchoAtOnce()
{
    QSignalSpy echoes(driver, &DevDriver_KLV2400::sigPassEchoValue);
    QVERIFY(!driver->echoRunning());
    driver->startEcho();
    QCOMPARE(echoes.count(), 1);
    QVERIFY(driver->echoRunning());
    QCOMPARE(requestsSummary(sim->modbusRequests()), QStringList{"03@8"});
    // And then once a second.
    QVERIFY(waitUntil([&] { return echoes.count() >= 2; }, 3000));
    driver->stopEcho();
    QVERIFY(!driver->echoRunning());
}

void TestNetDriverPolling::echoCarriesStatusAndMeasurements()
{
    QVERIFY(driver->writeVIParam(12, 2));
    QVERIFY(driver->setOutput(true));
    sim->clearRecords();
    ST_EchoValue echo;
    connect(driver, &DevDriver_KLV2400::sigPassEchoValue, this,
            [&](ST_EchoValue value) { echo = value; });
    const quint32 state = sim->value(8);
    const float voltage = sim->floatValue(10);
    const float current = sim->floatValue(12);
    const float power = sim->floatValue(14);
    driver->onEchoTimeOut();
    QCOMPARE(echo.state, state);
    QVERIFY(stateOutputOn(echo.state));
    QCOMPARE(echo.voltage, voltage);
    QCOMPARE(echo.current, current);
    QCOMPARE(echo.power, power);
    QVERIFY(echo.voltage > 0);

    ST_SamplingValue sample;
    connect(driver, &DevDriver_KLV2400::sigPassSamplingValue, this,
            [&](ST_SamplingValue value) { sample = value; });
    driver->onSamplingTimeOut();
    QCOMPARE(sample.voltage, sim->floatValue(10));
    QCOMPARE(sample.current, sim->floatValue(12));
    QCOMPARE(sample.power, sim->floatValue(14));
    QVERIFY(driver->setOutput(false));
}

void TestNetDriverPolling::samplingStartsOnce()
{
    QSignalSpy samples(driver, &DevDriver_KLV2400::sigPassSamplingValue);
    driver->samplingInterval = 200;
    driver->startSampling();
    driver->startSampling();
    QCOMPARE(samples.count(), 1);
    QCOMPARE(requestsSummary(sim->modbusRequests()), QStringList{"03@10"});
    QVERIFY(driver->samplingRunning());
    QVERIFY(waitUntil([&] { return samples.count() >= 2; }, 2000));
    driver->stopSampling();
    QVERIFY(!driver->samplingRunning());
    // A stopped sampling starts again, with one read at once.
    sim->clearRecords();
    driver->startSampling();
    QCOMPARE(requestsSummary(sim->modbusRequests()), QStringList{"03@10"});
}

void TestNetDriverPolling::samplingFailureEmitsNothing()
{
    QSignalSpy samples(driver, &DevDriver_KLV2400::sigPassSamplingValue);
    QSignalSpy lost(driver, &DevDriver_KLV2400::sigDeviceLostConnect);
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 10, -1));
    driver->startEcho();
    driver->startSampling();
    offsetMs = 100000;
    driver->onSamplingTimeOut();
    QCOMPARE(samples.count(), 0);
    QCOMPARE(lost.count(), 0);
    QVERIFY(driver->samplingRunning());
    QVERIFY(driver->echoRunning());
}

void TestNetDriverPolling::listProgress_data()
{
    QTest::addColumn<int>("testFunc");   // -1: never set
    QTest::addColumn<bool>("sampling");
    QTest::addColumn<bool>("read");

    QTest::newRow("SEQ, sampling") << 3 << true << true;
    QTest::newRow("SEQ, not sampling") << 3 << false << false;
    QTest::newRow("CHAR, sampling") << 4 << true << false;
    QTest::newRow("VI, sampling") << 0 << true << false;
    QTest::newRow("never set, sampling") << -1 << true << false;
}

void TestNetDriverPolling::listProgress()
{
    QFETCH(int, testFunc);
    QFETCH(bool, sampling);
    QFETCH(bool, read);

    if (testFunc >= 0)
        QVERIFY(driver->setTestFunc(testFunc));
    if (sampling)
        driver->startSampling();
    sim->setValue(230, 0x00020005);
    sim->clearRecords();
    QSignalSpy progress(driver, &DevDriver_KLV2400::sigPassListRunningData);
    driver->onEchoTimeOut();
    QStringList expected{"03@8"};
    if (read)
        expected << "03@230";
    QCOMPARE(requestsSummary(sim->modbusRequests()), expected);
    QCOMPARE(progress.count(), read ? 1 : 0);
    if (read) {
        const auto data = progress.at(0).at(0).value<ST_listRunningData>();
        QCOMPARE(data.curStep, 5);
        QCOMPARE(data.curCycle, 2);

        // A failed progress read emits nothing; the echo itself still came.
        QSignalSpy echoes(driver, &DevDriver_KLV2400::sigPassEchoValue);
        sim->addFault(fault(FaultKind::WrongLength, 0x03, 230, 1));
        driver->onEchoTimeOut();
        QCOMPARE(progress.count(), 1);
        QCOMPARE(echoes.count(), 1);

        // Both halves are unsigned 16-bit.
        sim->setValue(230, 0xFFFE8001);
        driver->onEchoTimeOut();
        const auto high = progress.last().at(0).value<ST_listRunningData>();
        QCOMPARE(high.curStep, 0x8001);
        QCOMPARE(high.curCycle, 0xFFFE);
    }
}

void TestNetDriverPolling::listProgressSeesWhatThePageDid()
{
    // The page starts sampling from inside the echo signal; the same tick
    // then already reads the progress.
    QVERIFY(driver->setTestFunc(3));
    sim->clearRecords();
    connect(driver, &DevDriver_KLV2400::sigPassEchoValue, driver,
            [this](ST_EchoValue) { driver->startSampling(); });
    QSignalSpy progress(driver, &DevDriver_KLV2400::sigPassListRunningData);
    driver->onEchoTimeOut();
    QCOMPARE(requestsSummary(sim->modbusRequests()), (QStringList{"03@8", "03@10", "03@230"}));
    QCOMPARE(progress.count(), 1);
}

void TestNetDriverPolling::lostOnlyAfterMoreThanTwentySeconds()
{
    QSignalSpy lost(driver, &DevDriver_KLV2400::sigDeviceLostConnect);
    QSignalSpy echoes(driver, &DevDriver_KLV2400::sigPassEchoValue);
    bool timersStoppedFirst = false;
    connect(driver, &DevDriver_KLV2400::sigDeviceLostConnect, this, [&] {
        timersStoppedFirst = !driver->echoRunning() && !driver->samplingRunning();
    });
    driver->startEcho();
    driver->startSampling();
    QCOMPARE(echoes.count(), 1);
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 8, -1));

    offsetMs = 5000;
    driver->onEchoTimeOut();
    offsetMs = 20999;   // 20 whole seconds: not yet
    driver->onEchoTimeOut();
    QCOMPARE(lost.count(), 0);
    QVERIFY(driver->echoRunning());
    QCOMPARE(logCount(lostLine(20)), 0);

    offsetMs = 21000;
    driver->onEchoTimeOut();
    QCOMPARE(lost.count(), 1);
    QVERIFY(timersStoppedFirst);
    QVERIFY(!driver->echoRunning());
    QVERIFY(!driver->samplingRunning());
    QCOMPARE(logCount(lostLine(21)), 1);
    QCOMPARE(echoes.count(), 1);

    // Sampling stopped for good: a new startSampling reads again at once.
    sim->clearRecords();
    driver->startSampling();
    QCOMPARE(requestsSummary(sim->modbusRequests()), QStringList{"03@10"});
}

void TestNetDriverPolling::goodEchoRestartsTheCount()
{
    QSignalSpy lost(driver, &DevDriver_KLV2400::sigDeviceLostConnect);
    // startEcho counts as a good echo even when its first read fails.
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 8, 1));
    driver->startEcho();
    offsetMs = 15000;
    driver->onEchoTimeOut();   // good
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 8, -1));
    offsetMs = 35999;
    driver->onEchoTimeOut();
    QCOMPARE(lost.count(), 0);
    offsetMs = 37500;
    driver->onEchoTimeOut();
    QCOMPARE(lost.count(), 1);
    QCOMPARE(logCount(lostLine(22)), 1);
}

void TestNetDriverPolling::busyTickCountsAsFailure()
{
    QSignalSpy lost(driver, &DevDriver_KLV2400::sigDeviceLostConnect);
    driver->startEcho();
    sim->clearRecords();
    // An echo tick arriving while another transaction waits on a healthy
    // supply fails through the busy rule and counts like any failure.
    sim->addFault(fault(FaultKind::Delay, 0x03, 28, 1, 150));
    QTimer::singleShot(50, driver, [this] {
        offsetMs = 25000;
        driver->onEchoTimeOut();
    });
    int code = -1;
    QVERIFY(driver->readTestFunc(code));
    QCOMPARE(lost.count(), 1);
    QCOMPARE(requestsSummary(sim->modbusRequests()), QStringList{"03@28"});
}

QTEST_MAIN(TestNetDriverPolling)
#include "tst_net_driver_polling.moc"
