// The Modbus link against the simulated supply and, for byte-exact replies
// the simulator does not make, a scripted raw peer: connecting, attempts and
// time-outs, acceptance, busy refusal, identifiers and stale replies.

#include "drivertestpeer.h"
#include "modbusdriver.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

using klvsim::FaultKind;
using klvsim::FaultRule;

using namespace drivertest;

namespace {

const QHostAddress supplyAddress(QStringLiteral("127.0.0.11"));
const QHostAddress peerAddress(QStringLiteral("127.0.0.12"));
const quint16 modbusPort = 502;

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

QString timeoutLine(int address)
{
    return QString::fromUtf8("读取超时：寄存器地址%1").arg(address);
}

QString malformedLine(int address, const QString &bytes)
{
    return QString::fromUtf8("读取异常：寄存器地址%1，接收报文：%2").arg(address).arg(bytes);
}

// The request's identifier followed by body.
QByteArray echoId(const QByteArray &request, const QByteArray &body)
{
    return request.left(2) + body;
}

} // namespace

class TestNetDriverTransport : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void connectAndDisconnect();
    void connectNeverCompletes();
    void notConnectedSendsNothing();
    void silentSupply();
    void resendReusesFrameAndId();
    void malformedReplyFailsAtOnce();
    void closedLinkKeepsState();
    void byteExactReplies_data();
    void byteExactReplies();
    void blockRefusedBySupply();
    void busyRefusesSecondTransaction();
    void identifierWraps();
    void staleReplyNeverAnswersNextRequest();
    void leftoverBytesDiscardedBeforeNextRequest();
    void wrongEchoedIdentifierStillWorks();

private:
    TempWorkDir workDir;
    klvsim::SimSupply *sim = nullptr;
    ModbusDriver *driver = nullptr;
};

void TestNetDriverTransport::initTestCase()
{
    klvsim::SupplyConfig config;
    config.address = supplyAddress;
    sim = new klvsim::SimSupply(config, this);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
}

void TestNetDriverTransport::init()
{
    sim->clearFaults();
    driver = new ModbusDriver(this);
    driver->initTransport();
    QVERIFY(driver->connectDevice(supplyAddress.toString(), modbusPort));
    sim->clearRecords();
}

void TestNetDriverTransport::cleanup()
{
    driver->disconnectDevice(true);
    delete driver;
    driver = nullptr;
    sim->clearFaults();
}

void TestNetDriverTransport::connectAndDisconnect()
{
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
    QCOMPARE(driver->hostAddress(), supplyAddress.toString());

    // A second connect is refused and leaves the link working.
    QSignalSpy messages(driver, &ModbusDriver::sigPassMsg);
    QVERIFY(!driver->connectDevice(supplyAddress.toString(), modbusPort));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QString::fromUtf8("设备已连接!"));
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
    quint32 value = 0;
    QVERIFY(driver->readRegister(8, value));

    driver->disconnectDevice(false);
    QCOMPARE(driver->connectState(), int(ModbusDriver::Disconnected));
    QVERIFY(driver->connectDevice(supplyAddress.toString(), modbusPort));
    QVERIFY(driver->readRegister(8, value));
    QCOMPARE(sim->modbusRequests().size(), 2);
}

void TestNetDriverTransport::connectNeverCompletes()
{
    // Nothing listens on this address inside the private namespace: the
    // refusal comes at once, the driver still waits its full time.
    ModbusDriver other;
    other.initTransport();
    QSignalSpy messages(&other, &ModbusDriver::sigPassMsg);
    int stateDuringWait = -1;
    bool readDuringWait = true;
    QTimer::singleShot(100, &other, [&] {
        stateDuringWait = other.connectState();
        quint32 value = 0;
        readDuringWait = other.readRegister(8, value);
    });
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!other.connectDevice(QStringLiteral("127.0.0.99"), modbusPort));
    QVERIFY2(clock.elapsed() >= 2800, qPrintable(QString::number(clock.elapsed())));
    QCOMPARE(stateDuringWait, int(ModbusDriver::Connecting));
    QVERIFY(!readDuringWait);
    QCOMPARE(other.connectState(), int(ModbusDriver::Disconnected));
    QCOMPARE(messages.count(), 1);
    QCOMPARE(messages.at(0).at(0).toString(), QString::fromUtf8("设备连接超时!"));
    QCOMPARE(other.hostAddress(), QString());
}

void TestNetDriverTransport::notConnectedSendsNothing()
{
    driver->disconnectDevice(true);
    const quint16 idBefore = driver->lastTransactionId();
    quint32 value = 0;
    qint32 first = 0, second = 0;
    QVector<quint32> values{1, 2};
    QVector<float> floats;
    QByteArray reply;
    QVERIFY(!driver->readRegister(8, value));
    QVERIFY(!driver->readRegisters(8, 8, values));
    QVERIFY(!driver->readFloatRegisters(10, 6, floats));
    QVERIFY(!driver->writeRegister(32, 1));
    QVERIFY(!driver->writeFloatRegister(82, 1.5f));
    QVERIFY(!driver->readBlock(254, reply));
    QVERIFY(!driver->readRegisterLimit(208, first, second));
    QVERIFY(!driver->writeBlock(50, "A"));
    QTest::qWait(50);
    QCOMPARE(sim->modbusRequests().size(), 0);
    QCOMPARE(driver->lastTransactionId(), idBefore);
}

void TestNetDriverTransport::silentSupply()
{
    sim->addFault(fault(FaultKind::Silent, -1, -1, -1));
    const int before = logCount(timeoutLine(8));
    QVector<quint32> values;
    QElapsedTimer clock;
    clock.start();
    QVERIFY(!driver->readRegisters(8, 8, values));
    QVERIFY2(clock.elapsed() >= 800, qPrintable(QString::number(clock.elapsed())));
    QVERIFY(values.isEmpty());
    QCOMPARE(logCount(timeoutLine(8)) - before, 3);
    QCOMPARE(sim->modbusRequests().size(), 3);

    // The silent transactions leave nothing in the log.
    const int floatBefore = logCount(timeoutLine(10));
    QVector<float> floats;
    QVERIFY(!driver->readFloatRegisters(10, 6, floats));
    QVERIFY(!driver->writeRegister(10, 1));
    QCOMPARE(logCount(timeoutLine(10)), floatBefore);
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
}

void TestNetDriverTransport::resendReusesFrameAndId()
{
    sim->addFault(fault(FaultKind::Silent, 0x03, 8, 1));
    const int before = logCount(timeoutLine(8));
    QVector<quint32> values;
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.size(), 4);
    QCOMPARE(values.at(0), sim->value(8));
    const QList<QByteArray> requests = sim->modbusRequests();
    QCOMPARE(requests.size(), 2);
    QCOMPARE(requests.at(1), requests.at(0));
    QCOMPARE(logCount(timeoutLine(8)) - before, 1);
}

void TestNetDriverTransport::malformedReplyFailsAtOnce()
{
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 8, 1));
    QVector<quint32> values;
    QVERIFY(!driver->readRegisters(8, 8, values));
    QCOMPARE(sim->modbusRequests().size(), 1);
    // The 26 received bytes appear in the log.
    const QByteArray request = sim->modbusRequests().at(0);
    const QString received = QString::fromLatin1(
        (request.left(2) + hex("00 00 00 14 01 03 10")).toHex(' '));
    const QString log = logText();
    const QString prefix = QString::fromUtf8("提示: 读取异常：寄存器地址8，接收报文：") + received;
    QVERIFY2(log.contains(prefix), qPrintable(log.right(300)));
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
}

void TestNetDriverTransport::closedLinkKeepsState()
{
    // The supply closes the link instead of answering: the read fails after
    // its attempts, and only the polling decides that the supply is lost.
    sim->addFault(fault(FaultKind::Drop, 0x03, 8, 1));
    const int before = logCount(timeoutLine(8));
    quint32 value = 0;
    QVERIFY(!driver->readRegister(8, value));
    QCOMPARE(logCount(timeoutLine(8)) - before, 3);
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
    QCOMPARE(sim->modbusRequests().size(), 1);
    driver->disconnectDevice(true);
    QVERIFY(driver->connectDevice(supplyAddress.toString(), modbusPort));
    QVERIFY(driver->readRegister(8, value));
}

void TestNetDriverTransport::byteExactReplies_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QByteArray>("body");   // reply after the echoed identifier
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("logged");

    const QByteArray data16 = hex("00 00 00 01 41 48 00 00 bf c0 00 00 00 00 00 07");
    QTest::newRow("25 bytes for 8 registers")
        << "read8" << hex("00 00 00 13 01 03 10") + data16 << true << QString();
    QTest::newRow("24 bytes for 8 registers")
        << "read8" << hex("00 00 00 12 01 03 10") + data16.left(15) << false
        << "xx xx 00 00 00 12 01 03 10 00 00 00 01 41 48 00 00 bf c0 00 00 00 00 00";
    QTest::newRow("exception for a read") << "read8" << hex("00 00 00 03 01 83 02") << false
                                          << "xx xx 00 00 00 03 01 83 02";
    QTest::newRow("write echo, function 03")
        << "write" << hex("00 00 00 06 a0 03 00 20 00 02") << true << QString();
    QTest::newRow("write echo, count 1") << "write" << hex("00 00 00 06 a0 10 00 20 00 01")
                                         << false << QString();
    QTest::newRow("block of 8 bytes") << "block" << hex("00 00 00 02 01 42") << true << QString();
    QTest::newRow("block refused") << "block" << hex("00 00 00 03 01 c2 14") << false << QString();
    QTest::newRow("block of 7 bytes") << "block" << hex("00 00 00 01 01") << false << QString();
    QTest::newRow("limit pair") << "limit" << hex("00 00 00 0a 01 41 00 00 00 01 00 00 00 0a")
                                << true << QString();
    QTest::newRow("limit, 15 bytes") << "limit" << hex("00 00 00 09 01 41 00 00 00 01 00 00 00")
                                     << false << QString();
    QTest::newRow("block write echo") << "blockwrite" << hex("00 00 00 05 01 40 00 32 03") << true
                                      << QString();
    QTest::newRow("block write, wrong length") << "blockwrite"
                                               << hex("00 00 00 05 01 40 00 32 02") << false
                                               << QString();
}

void TestNetDriverTransport::byteExactReplies()
{
    QFETCH(QString, operation);
    QFETCH(QByteArray, body);
    QFETCH(bool, ok);
    QFETCH(QString, logged);

    RawPeer peer;
    QVERIFY(peer.listen(peerAddress));
    peer.respond = [&](const QByteArray &request) { return echoId(request, body); };
    ModbusDriver link;
    link.initTransport();
    QVERIFY(link.connectDevice(peerAddress.toString(), modbusPort));

    QString expectedLog;
    bool result = false;
    if (operation == "read8") {
        QVector<quint32> values;
        result = link.readRegisters(8, 8, values);
        if (ok)
            QCOMPARE(values, (QVector<quint32>{1u, 0x41480000u, 0xBFC00000u, 7u}));
        else
            QVERIFY(values.isEmpty());
    } else if (operation == "write") {
        result = link.writeRegister(32, 1);
    } else if (operation == "block") {
        QByteArray reply("stale");
        result = link.readBlock(254, reply);
        QCOMPARE(reply, ok ? peer.requests.value(0).left(2) + body : QByteArray());
    } else if (operation == "limit") {
        qint32 first = -5, second = -5;
        result = link.readRegisterLimit(208, first, second);
        if (ok) {
            QCOMPARE(first, 1);
            QCOMPARE(second, 10);
        }
    } else if (operation == "blockwrite") {
        result = link.writeBlock(50, QByteArray("AB\0", 3));
    }
    QCOMPARE(result, ok);
    // A reply that arrived is never followed by a second attempt.
    QCOMPARE(peer.requests.size(), 1);
    if (!logged.isEmpty()) {
        const QString idHex = QString::fromLatin1(peer.requests.at(0).left(2).toHex(' '));
        QCOMPARE(logCount(malformedLine(8, logged.replace(0, 5, idHex))), 1);
    }
}

void TestNetDriverTransport::blockRefusedBySupply()
{
    sim->addFault(fault(FaultKind::ErrorByte, 0x42, 254, 1));
    QByteArray reply;
    QVERIFY(!driver->readBlock(254, reply));
    QVERIFY(reply.isEmpty());
    QVERIFY(driver->readBlock(254, reply));
    QVERIFY(reply.size() >= 181);
    QCOMPARE(frameId(reply), driver->lastTransactionId());
}

void TestNetDriverTransport::busyRefusesSecondTransaction()
{
    sim->addFault(fault(FaultKind::Delay, 0x03, 8, 1, 150));
    bool nestedResult = true;
    bool nestedRan = false;
    QTimer::singleShot(50, driver, [&] {
        quint32 value = 0;
        nestedResult = driver->readRegister(28, value);
        nestedRan = true;
    });
    QVector<quint32> values;
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.size(), 4);
    QVERIFY(nestedRan);
    QVERIFY(!nestedResult);
    QTest::qWait(50);
    QCOMPARE(sim->modbusRequests().size(), 1);
    // Nothing is left busy afterwards.
    quint32 value = 0;
    QVERIFY(driver->readRegister(28, value));
}

void TestNetDriverTransport::identifierWraps()
{
    driver->setLastTransactionId(65534);
    quint32 value = 0;
    QVERIFY(driver->readRegister(8, value));
    QVERIFY(driver->writeRegister(32, 0));
    QVERIFY(driver->readRegister(8, value));
    const QList<QByteArray> requests = sim->modbusRequests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(frameId(requests.at(0)), quint16(65535));
    QCOMPARE(frameId(requests.at(1)), quint16(0));
    QCOMPARE(frameId(requests.at(2)), quint16(1));

    // The first request after construction carries 1.
    ModbusDriver fresh;
    fresh.initTransport();
    QVERIFY(fresh.connectDevice(supplyAddress.toString(), modbusPort));
    QVERIFY(fresh.readRegister(8, value));
    QCOMPARE(frameId(sim->modbusRequests().last()), quint16(1));
    fresh.disconnectDevice(true);
}

void TestNetDriverTransport::staleReplyNeverAnswersNextRequest()
{
    // The first status read gives up; its three answers come late, together,
    // while the next status read waits for its own (which the supply sends
    // after them). The supply's output changed in between, so the two
    // answers differ.
    sim->panelSetOutput(false);
    sim->addFault(fault(FaultKind::Late, 0x03, 8, 1, 1000));
    QVector<quint32> values;
    QVERIFY(!driver->readRegisters(8, 8, values));
    sim->panelSetOutput(true);
    sim->addFault(fault(FaultKind::Delay, 0x03, 8, 1, 250));
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.at(0) & 1u, 1u);
    QCOMPARE(sim->modbusRequests().size(), 4);

    // Nothing of it is left for the request after.
    sim->panelSetOutput(false);
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.at(0) & 1u, 0u);
}

void TestNetDriverTransport::leftoverBytesDiscardedBeforeNextRequest()
{
    // A reply sent in pieces: the first piece fails the read at once, the
    // rest arrives afterwards and must not be read with the next reply.
    sim->addFault(fault(FaultKind::Split, 0x03, 8, 1, 60));
    QVector<quint32> values;
    QVERIFY(!driver->readRegisters(8, 8, values));
    QCOMPARE(sim->modbusRequests().size(), 1);
    QTest::qWait(250);
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.at(0), sim->value(8));
}

void TestNetDriverTransport::wrongEchoedIdentifierStillWorks()
{
    // A supply that always answers with identifier 0x1234.
    RawPeer peer;
    QVERIFY(peer.listen(peerAddress));
    bool silent = false;
    peer.respond = [&](const QByteArray &) {
        return silent ? QByteArray() : hex("12 34 00 00 00 06 a0 10 00 20 00 02");
    };
    ModbusDriver link;
    link.initTransport();
    QVERIFY(link.connectDevice(peerAddress.toString(), modbusPort));
    for (int i = 0; i < 3; ++i)
        QVERIFY(link.writeRegister(32, i));
    silent = true;
    QVERIFY(!link.writeRegister(32, 1));
    silent = false;
    for (int i = 0; i < 3; ++i)
        QVERIFY(link.writeRegister(32, i));
    QCOMPARE(peer.requests.size(), 9);
}

QTEST_MAIN(TestNetDriverTransport)
#include "tst_net_driver_transport.moc"
