// Faults on demand, each seen by a raw client on the wire, and the notation
// the simulator program accepts for them.

#include "simconsole.h"
#include "simrawclient.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace rawclient;
using klvsim::FaultChannel;
using klvsim::FaultKind;
using klvsim::FaultRule;
using klvsim::SimSupply;
using klvsim::SupplyConfig;

Q_DECLARE_METATYPE(FaultKind)

namespace {
FaultRule rule(FaultKind kind, int function = -1, int address = -1, int remaining = -1, int delayMs = 0)
{
    FaultRule r;
    r.kind = kind;
    r.function = function;
    r.address = address;
    r.remaining = remaining;
    r.delayMs = delayMs;
    return r;
}
} // namespace

class TestSimFaults : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void malformedReplies_data();
    void malformedReplies();
    void silentRequestsAreNotCarriedOut();
    void delayedAndLateReplies_data();
    void delayedAndLateReplies();
    void splitReplyArrivesInPieces();
    void dropClosesTheConnection();
    void neverAnswerKeepsTheConnectionQuiet();
    void refusedNameWrite();
    void faultsAimedAtOneRequest();
    void faultAfterCommit();
    void udpFaults();
    void faultNotation_data();
    void faultNotation();
    void consoleCommands();

private:
    TempWorkDir workDir;
    std::unique_ptr<SimSupply> sim;
    Tcp client;
};

void TestSimFaults::init()
{
    SupplyConfig cfg;
    cfg.noise = 0;
    sim = std::make_unique<SimSupply>(cfg);
    QVERIFY(sim->start());
    client.socket.abort();
    QVERIFY(client.open(QStringLiteral("127.0.0.11")));
}

void TestSimFaults::cleanup()
{
    client.socket.abort();
    sim.reset();
}

void TestSimFaults::malformedReplies_data()
{
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("byte7");
    QTest::newRow("wrong length read") << FaultKind::WrongLength << readRequest(1, 8, 8) << 26 << 0x03;
    QTest::newRow("wrong length write") << FaultKind::WrongLength << writeRequest(1, 1, 82, {floatBits(5)}) << 13 << 0x10;
    QTest::newRow("0x42 error byte") << FaultKind::ErrorByte << blockRead(1, 254) << 185 << 0xC2;
    QTest::newRow("short device information") << FaultKind::ShortDevInfo << blockRead(1, 254) << 180 << 0x42;
    QTest::newRow("exception") << FaultKind::Exception << writeRequest(1, 1, 82, {floatBits(5)}) << 9 << 0x90;
}

void TestSimFaults::malformedReplies()
{
    QFETCH(FaultKind, kind);
    QFETCH(QByteArray, request);
    QFETCH(int, size);
    QFETCH(int, byte7);
    sim->addFault(rule(kind));
    const QByteArray reply = client.transact(request, size);
    QCOMPARE(reply.size(), size);
    QCOMPARE(int(quint8(reply[7])), byte7);
    QCOMPARE(int(at16(reply, 4)), size - 6);   // the header stays consistent with the bytes sent
    if (kind == FaultKind::Exception)
        QCOMPARE(reply.at(8), char(4));
}

void TestSimFaults::silentRequestsAreNotCarriedOut()
{
    sim->addFault(rule(FaultKind::Silent, -1, -1, 1));
    const float before = sim->floatValue(82);
    client.send(writeRequest(1, 1, 82, {floatBits(31)}));
    QCOMPARE(client.quiet(150), QByteArray());
    QCOMPARE(sim->floatValue(82), before);
    QCOMPARE(sim->modbusRequests().size(), 1);
    // The same frame again, as a client retries: carried out and answered.
    QCOMPARE(client.transact(writeRequest(1, 1, 82, {floatBits(31)}), 12).size(), 12);
    QCOMPARE(sim->floatValue(82), 31.0f);
}

void TestSimFaults::delayedAndLateReplies_data()
{
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<int>("delayMs");
    QTest::addColumn<int>("atLeastMs");
    QTest::newRow("delay 250") << FaultKind::Delay << 250 << 250;
    QTest::newRow("late, default") << FaultKind::Late << 0 << 400;
}

void TestSimFaults::delayedAndLateReplies()
{
    QFETCH(FaultKind, kind);
    QFETCH(int, delayMs);
    QFETCH(int, atLeastMs);
    sim->addFault(rule(kind, 0x03, -1, -1, delayMs));
    QElapsedTimer t;
    t.start();
    const QByteArray reply = client.transact(readRequest(5, 8, 8), 25);
    QCOMPARE(reply.size(), 25);
    QVERIFY2(t.elapsed() >= atLeastMs - 5, qPrintable(QString::number(t.elapsed())));
    // A request behind a delayed one is answered after it, in order.
    client.send(readRequest(6, 8, 8) + writeRequest(7, 1, 82, {floatBits(2)}));
    const QByteArray both = client.receive(37, 3000);
    QCOMPARE(both.size(), 37);
    QCOMPARE(at16(both, 0), quint16(6));
    QCOMPARE(at16(both, 25), quint16(7));
}

void TestSimFaults::splitReplyArrivesInPieces()
{
    sim->addFault(rule(FaultKind::Split, 0x03, -1, -1, 300));
    client.send(readRequest(1, 8, 8));
    QVERIFY(waitUntil([&] { return client.socket.bytesAvailable() > 0; }, 2000));
    const QByteArray first = client.socket.readAll();
    QVERIFY2(first.size() < 25, qPrintable(QString::number(first.size())));
    const QByteArray rest = client.receive(25 - first.size(), 3000);
    QCOMPARE(first + rest, QByteArray(readRequest(1, 8, 8).left(4) + hex("0013 01 03 10") + QByteArray(16, '\0')));
}

void TestSimFaults::dropClosesTheConnection()
{
    sim->addFault(rule(FaultKind::Drop, 0x42, -1, 1));
    QCOMPARE(client.transact(readRequest(1, 8, 2), 13).size(), 13);
    client.send(blockRead(2, 254));
    QVERIFY(waitUntil([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, 2000));
    QCOMPARE(client.socket.readAll(), QByteArray());
    // A new connection is served normally, and so is dropConnections().
    QVERIFY(client.open(QStringLiteral("127.0.0.11")));
    QVERIFY(client.transact(blockRead(3, 254), 181).size() >= 181);
    sim->dropConnections();
    QVERIFY(waitUntil([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, 2000));
}

void TestSimFaults::neverAnswerKeepsTheConnectionQuiet()
{
    sim->addFault(rule(FaultKind::NeverAnswer, -1, -1, 1));
    client.send(readRequest(1, 8, 8));
    QCOMPARE(client.quiet(100), QByteArray());
    client.send(readRequest(2, 8, 8));
    QCOMPARE(client.quiet(100), QByteArray());
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
    QCOMPARE(sim->modbusRequests().size(), 2);
    // Only that connection: a fresh one is answered.
    Tcp other;
    QVERIFY(other.open(QStringLiteral("127.0.0.11")));
    QCOMPARE(other.transact(readRequest(3, 8, 8), 25).size(), 25);
}

void TestSimFaults::refusedNameWrite()
{
    sim->addFault(rule(FaultKind::RefuseName));
    QCOMPARE(client.transact(blockWrite(1, 50, "ABC\0"), 9), hex("0001 0000 0003 01 c0 01"));
    QCOMPARE(sim->listFile(1).name, QByteArray("DEMO"));
    // Reads are not concerned.
    QCOMPARE(client.transact(readRequest(2, 8, 2), 13).size(), 13);
}

void TestSimFaults::faultsAimedAtOneRequest()
{
    // Only the next write of register 122, after letting one pass.
    FaultRule r = rule(FaultKind::Exception, 0x10, 122, 1);
    r.skip = 1;
    sim->addFault(r);
    QCOMPARE(client.transact(writeRequest(1, 1, 82, {floatBits(3)}), 12).size(), 12);
    QCOMPARE(client.transact(writeRequest(2, 1, 122, {floatBits(50)}), 12).size(), 12);
    QCOMPARE(client.transact(writeRequest(3, 1, 122, {floatBits(40)}), 9).size(), 9);
    QCOMPARE(sim->floatValue(122), 50.0f);
    QCOMPARE(client.transact(writeRequest(4, 1, 122, {floatBits(40)}), 12).size(), 12);
    QCOMPARE(sim->floatValue(122), 40.0f);
}

void TestSimFaults::faultAfterCommit()
{
    FaultRule r = rule(FaultKind::Exception, 0x10, -1, 1);
    r.afterCommit = true;
    sim->addFault(r);
    QCOMPARE(client.transact(writeRequest(1, 1, 82, {floatBits(3)}), 12).size(), 12);
    QCOMPARE(client.transact(writeRequest(2, 0xA0, 48, {1}), 12).size(), 12);
    QCOMPARE(client.transact(readRequest(3, 82, 2), 13).size(), 13);
    QCOMPARE(client.transact(writeRequest(4, 1, 84, {floatBits(3)}), 9).size(), 9);
    QCOMPARE(client.transact(writeRequest(5, 1, 84, {floatBits(3)}), 12).size(), 12);
}

void TestSimFaults::udpFaults()
{
    const QByteArray status = hex("010300080008c5ce");
    Udp udp;
    FaultRule silent = rule(FaultKind::Silent, -1, -1, 1);
    silent.channel = FaultChannel::Udp;
    sim->addFault(silent);
    FaultRule longer = rule(FaultKind::WrongLength, 0x03, -1, 1);
    longer.channel = FaultChannel::Udp;
    sim->addFault(longer);
    udp.send(status, QStringLiteral("127.0.0.11"));
    QCOMPARE(udp.collect(1, 150).size(), 0);
    udp.send(status, QStringLiteral("127.0.0.11"));
    QCOMPARE(udp.collect(1).value(0).data().size(), 22);
    udp.send(status, QStringLiteral("127.0.0.11"));
    QCOMPARE(udp.collect(1).value(0).data().size(), 21);
    // Modbus-only rules leave UDP alone.
    sim->addFault(rule(FaultKind::Silent));
    udp.send(status, QStringLiteral("127.0.0.11"));
    QCOMPARE(udp.collect(1).value(0).data().size(), 21);
}

void TestSimFaults::faultNotation_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<FaultKind>("kind");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("remaining");
    QTest::addColumn<int>("delayMs");
    QTest::newRow("silent") << "silent" << true << FaultKind::Silent << -1 << -1 << -1 << 0;
    QTest::newRow("delay") << "delay:200" << true << FaultKind::Delay << -1 << -1 << -1 << 200;
    QTest::newRow("aimed") << "late,fn=0x10,addr=122,times=1" << true << FaultKind::Late << 16 << 122 << 1 << 0;
    QTest::newRow("split") << "split:80,fn=3" << true << FaultKind::Split << 3 << -1 << -1 << 80;
    QTest::newRow("unknown kind") << "slow" << false << FaultKind::Silent << -1 << -1 << -1 << 0;
    QTest::newRow("bad number") << "drop,fn=x" << false << FaultKind::Silent << -1 << -1 << -1 << 0;
    QTest::newRow("unknown key") << "drop,reg=3" << false << FaultKind::Silent << -1 << -1 << -1 << 0;
}

void TestSimFaults::faultNotation()
{
    QFETCH(QString, option);
    QFETCH(bool, valid);
    FaultRule r;
    QString error;
    QCOMPARE(klvsim::parseFaultRule(option, r, &error), valid);
    if (!valid) {
        QVERIFY(!error.isEmpty());
        return;
    }
    QTEST(r.kind, "kind");
    QTEST(r.function, "function");
    QTEST(r.address, "address");
    QTEST(r.remaining, "remaining");
    QTEST(r.delayMs, "delayMs");
    QVERIFY(klvsim::parseFaultRule(QStringLiteral("exception,after-commit,skip=2,udp"), r, &error));
    QVERIFY(r.afterCommit);
    QCOMPARE(r.skip, 2);
    QCOMPARE(r.channel, FaultChannel::Udp);
}

void TestSimFaults::consoleCommands()
{
    cleanup();
    klvsim::SimHost host;
    SupplyConfig a, b;
    b.address = QHostAddress(QStringLiteral("127.0.0.12"));
    host.addSupply(a);
    SimSupply *second = host.addSupply(b);
    QVERIFY(host.start());
    klvsim::SimConsole console(&host);
    QCOMPARE(console.execute("output 2 on"), QString("ok"));
    QVERIFY(second->outputOn());
    QCOMPARE(console.execute("alarm 127.0.0.12 20"), QString("ok"));
    QCOMPARE(second->alarmCode(), 20);
    QVERIFY(!second->outputOn());
    QCOMPARE(console.execute("func all 7"), QString("ok"));
    QCOMPARE((second->value(8) >> 4) & 0xF, 7u);
    QCOMPARE(console.execute("set 2 82 7.5"), QString("ok"));
    QCOMPARE(second->floatValue(82), 7.5f);
    QVERIFY(console.execute("get 2 82").contains("7.5"));
    QCOMPARE(console.execute("fault 2 exception,fn=3"), QString("ok"));
    Tcp c;
    QVERIFY(c.open(QStringLiteral("127.0.0.12")));
    QCOMPARE(c.transact(readRequest(1, 8, 2), 9).size(), 9);
    QCOMPARE(console.execute("clear 2"), QString("ok"));
    QCOMPARE(c.transact(readRequest(2, 8, 2), 13).size(), 13);
    QVERIFY(console.execute("fault 2 nonsense").contains("unknown fault kind"));
    QVERIFY(console.execute("alarm 9 1").contains("no supply"));
    QVERIFY(console.execute("alarm 1 32").startsWith("?"));
    QVERIFY(console.execute("list").contains("127.0.0.12"));
    QSignalSpy quit(&console, &klvsim::SimConsole::quitRequested);
    console.execute("quit");
    QCOMPARE(quit.count(), 1);
}

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_net_sim_faults.moc"
