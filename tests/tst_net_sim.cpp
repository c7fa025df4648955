// The supply simulator is the peer of every network test of the program; this
// pins what they rely on, seen by raw clients that build frames by hand.
#include "devpage_rig.h"
#include "simsupply.h"
#include "simwire.h"
#include "testsupport.h"

#include <QNetworkDatagram>
#include <QProcess>
#include <QTcpSocket>
#include <QUdpSocket>
#include <QtEndian>
#include <QtTest>

#include <memory>
#include <tuple>

using namespace klvsim;
using devpage::fault;

namespace {
QByteArray hex(const char *t) { return QByteArray::fromHex(t); }
QByteArray be16(quint16 v) { QByteArray b(2, 0); qToBigEndian(v, b.data()); return b; }
QByteArray be32(quint32 v) { QByteArray b(4, 0); qToBigEndian(v, b.data()); return b; }
quint32 fbits(float f) { quint32 u; memcpy(&u, &f, 4); return u; }
float bitsf(quint32 u) { float f; memcpy(&f, &u, 4); return f; }
quint32 at32(const QByteArray &b, int pos) { return qFromBigEndian<quint32>(b.constData() + pos); }
int at16(const QByteArray &b, int pos) { return qFromBigEndian<quint16>(b.constData() + pos); }
// MBAP header + PDU; the length field counts the unit identifier and the PDU.
QByteArray mbap(quint16 tid, quint8 unit, const QByteArray &pdu)
{ return be16(tid) + be16(0) + be16(quint16(pdu.size() + 1)) + char(unit) + pdu; }
QByteArray readReq(quint16 tid, quint16 reg, quint16 n) { return mbap(tid, 1, char(3) + be16(reg) + be16(n)); }
QByteArray writeReq(quint16 tid, quint8 unit, quint16 reg, const QList<quint32> &values)
{
    QByteArray data;
    for (quint32 v : values)
        data += be32(v);
    return mbap(tid, unit, char(0x10) + be16(reg) + be16(quint16(2 * values.size())) + char(data.size()) + data);
}
QByteArray blockRead(quint16 tid, quint16 a) { return mbap(tid, 1, char(0x42) + be16(a)); }
QByteArray blockWrite(quint16 t, quint16 a, const QByteArray &d)
{ return mbap(t, 1, char(0x40) + be16(a) + char(d.size()) + d); }
// Low byte first; the checks below pin the CRC itself against known frames.
QByteArray withCrc(const QByteArray &b) { const quint16 c = wire::crc16(b); return b + char(c & 0xFF) + char(c >> 8); }
const QByteArray searchReq = hex("0042eeee6ddc"), statusReq = hex("010300080008c5ce");

struct Tcp {
    QTcpSocket socket;
    bool open(const char *ip) { socket.connectToHost(QLatin1String(ip), 502); return socket.waitForConnected(2000); }
    void send(const QByteArray &b) { socket.write(b); socket.flush(); }
    QByteArray receive(int n, int ms = 2000)
    { waitUntil([&] { return socket.bytesAvailable() >= n; }, ms); return socket.readAll(); }
    QByteArray transact(const QByteArray &req, int n) { send(req); return receive(n); }
    QByteArray quiet(int ms) { waitUntil([] { return false; }, ms); return socket.readAll(); }   // what comes within ms
    bool closed() { return waitUntil([&] { return socket.state() == QAbstractSocket::UnconnectedState; }, 2000); }
};
struct Udp {
    QUdpSocket s;
    explicit Udp(const char *bindTo = "127.0.0.1") { s.bind(QHostAddress(QLatin1String(bindTo)), 0); }
    void send(const QByteArray &b, const char *to) { s.writeDatagram(b, QHostAddress(QLatin1String(to)), 7000); }
    QList<QNetworkDatagram> collect(int n, int ms = 2000, QList<QNetworkDatagram> got = {})
    {
        waitUntil([&] { while (s.hasPendingDatagrams()) got << s.receiveDatagram(); return got.size() >= n; }, ms);
        return got;
    }
};
} // namespace

class TestNetSim : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;
    std::unique_ptr<SimHost> host;
    SimSupply *sim = nullptr;
    Tcp client;

private slots:
    void init();
    void cleanup() { client.socket.abort(); host.reset(); }
    void modbusFraming();
    void settingsActOnlyAfterCommitAndStore();
    void faultyBytes();
    void faultsOnTheStream();
    void threeSuppliesAnswerOneBroadcast();
    void udpStatusClearAlarmAndFaults();
    void onlyLoopbackSendersAreServed();
};

void TestNetSim::init()
{
    host = std::make_unique<SimHost>();
    for (int i = 0; i < 3; ++i) {
        SupplyConfig cfg;
        cfg.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(11 + i));
        cfg.deviceAddress = quint8(1 + i);
        cfg.identity = "KLV2400/60V 20A 1200W/Maker " + QByteArray::number(i);
        cfg.noise = 0;   // exact values; the maximum voltage is 60 V
        host->addSupply(cfg);
    }
    QVERIFY(host->start());
    sim = host->supplies().first();
    QVERIFY(client.open("127.0.0.11"));
}

void TestNetSim::modbusFraming()
{
    sim->setFloatValue(10, 12.5f);
    sim->setFloatValue(12, 1.25f);
    QByteArray reply = client.transact(readReq(0x1234, 8, 8), 25);
    QCOMPARE(reply.left(21), hex("1234 0000 0013 01 03 10 00000000 41480000 3fa00000"));
    QCOMPARE(reply.size(), 25);
    // A write is echoed in 12 bytes, with the unit it came with.
    QCOMPARE(client.transact(writeReq(0x0102, 0xA0, 96, {1}), 12), hex("0102 0000 0006 a0 10 0060 0002"));
    // Two requests in one write: two replies in order.
    client.send(readReq(21, 8, 8) + writeReq(22, 1, 84, {fbits(3)}));
    reply = client.receive(37);
    QCOMPARE(reply.size(), 37);
    QCOMPARE(reply.left(2) + reply.mid(25, 2), hex("0015 0016"));
    // One request in pieces: one reply once it is whole.
    client.send(writeReq(23, 1, 82, {fbits(9)}).left(3));
    QCOMPARE(client.quiet(60), QByteArray());
    QCOMPARE(client.transact(writeReq(23, 1, 82, {fbits(9)}).mid(3), 12).size(), 12);
    QCOMPARE(sim->floatValue(82), 9.0f);
    // Refused requests get exception replies: a value just above the maximum, another unit.
    QCOMPARE(client.transact(writeReq(3, 1, 82, {fbits(61)}), 9), hex("0003 0000 0003 01 90 03"));
    QCOMPARE(client.transact(mbap(6, 2, hex("03 0008 0002")), 9), hex("0006 0000 0003 02 83 0b"));
    // A header that cannot start a frame puts the stream out of step: the link is dropped.
    const int seen = sim->modbusRequests().size();
    client.send(hex("0018 0001 0006 01 03 0008 0008"));
    QVERIFY(client.closed());
    QCOMPARE(sim->modbusRequests().size(), seen);
}

void TestNetSim::settingsActOnlyAfterCommitAndStore()
{
    quint16 tid = 1;
    auto write = [&](const QList<QPair<quint16, quint32>> &writes) {
        for (const auto &w : writes)
            QCOMPARE(client.transact(writeReq(tid++, 0xA0, w.first, {w.second}), 12).size(), 12);
    };
    auto voltage = [&] { return bitsf(at32(client.transact(readReq(tid++, 10, 2), 13), 9)); };
    const float before = sim->committedFloatValue(82);
    sim->panelSetOutput(true);
    write({{82, fbits(15)}, {228, 4}});
    QCOMPARE(sim->floatValue(82), 15.0f);   // read back as written, but not yet acting
    QCOMPARE(voltage(), before);
    QVERIFY(sim->committedValue(228) != 4u);
    write({{48, 1}});   // commit
    QCOMPARE(sim->committedValue(228), 4u);
    QCOMPARE(voltage(), 15.0f);
    // A list file is kept only when stored; unstored edits go when another file is selected.
    write({{208, 3}, {210, 1}, {212, 5}, {216, 1}, {218, fbits(7.25f)}, {226, 1}});
    write({{212, 9}, {208, 2}, {208, 3}});
    QCOMPARE(client.transact(readReq(tid++, 210, 4), 17).mid(9), hex("00000001 00000005"));
    QCOMPARE(sim->listFile(3).steps.value(0).voltage, 7.25f);
    // Names travel in block 49 + file number.
    QCOMPARE(client.transact(blockWrite(tid++, 51, "Charge\0"), 11).size(), 11);
    QCOMPARE(client.transact(blockRead(tid++, 51), 16).mid(9, 7), QByteArray("Charge\0", 7));
}

void TestNetSim::faultyBytes()
{
    // kind, request, reply size, function byte: the header stays consistent with the bytes sent.
    using K = FaultKind;
    const QList<std::tuple<FaultKind, QByteArray, int, int>> cases = {
        {K::WrongLength, readReq(1, 8, 8), 26, 0x03}, {K::WrongLength, writeReq(2, 1, 82, {1}), 13, 0x10},
        {K::ErrorByte, blockRead(3, 254), 185, 0xC2}, {K::ShortDevInfo, blockRead(4, 254), 180, 0x42},
        {K::Exception, writeReq(5, 1, 82, {1}), 9, 0x90}, {K::RefuseName, blockWrite(6, 50, "AB"), 9, 0xC0}};
    for (const auto &[kind, request, size, fn] : cases) {
        sim->addFault(fault(kind, -1, -1, 1));
        const QByteArray r = client.transact(request, size);
        QVERIFY2(r.size() == size && uchar(r[7]) == fn && at16(r, 4) == size - 6, r.toHex().constData());
    }
    QCOMPARE(sim->listFile(1).name, QByteArray("DEMO"));   // the refused name is not taken
}

void TestNetSim::faultsOnTheStream()
{
    // Silent: not answered and not carried out; the retried frame is.
    sim->addFault(fault(FaultKind::Silent, -1, -1, 1));
    client.send(writeReq(1, 1, 82, {fbits(31)}));
    QCOMPARE(client.quiet(150), QByteArray());
    QVERIFY(sim->floatValue(82) != 31.0f);
    QCOMPARE(client.transact(writeReq(1, 1, 82, {fbits(31)}), 12).size(), 12);
    QCOMPARE(sim->floatValue(82), 31.0f);
    // Delayed: nothing for a while, then the reply, and the one behind it in order.
    sim->addFault(fault(FaultKind::Delay, 3, -1, 1, 400));
    client.send(readReq(5, 8, 8) + readReq(6, 8, 2));
    QCOMPARE(client.quiet(150), QByteArray());
    QCOMPARE(client.receive(38, 3000).mid(25, 2), hex("0006"));
    // Split: the reply arrives in pieces that make up the whole.
    sim->addFault(fault(FaultKind::Split, 3, -1, 1, 300));
    client.send(readReq(7, 8, 8));
    const QByteArray first = client.receive(1);
    QVERIFY(first.size() < 25);
    QCOMPARE(first + client.receive(25 - first.size(), 3000), hex("0007 0000 0013 01 03 10") + QByteArray(16, '\0'));
    // Never answer: this connection stays open and quiet; a fresh one is served.
    sim->addFault(fault(FaultKind::NeverAnswer, -1, -1, 1));
    client.send(readReq(8, 8, 8) + readReq(9, 8, 8));
    QCOMPARE(client.quiet(100), QByteArray());
    QCOMPARE(client.socket.state(), QAbstractSocket::ConnectedState);
    Tcp other;
    QVERIFY(other.open("127.0.0.11"));
    QCOMPARE(other.transact(readReq(3, 8, 8), 25).size(), 25);
    // Drop: the connection closes without a byte.
    sim->addFault(fault(FaultKind::Drop, 0x42, -1, 1));
    other.send(blockRead(4, 254));
    QVERIFY(other.closed());
    QCOMPARE(other.socket.readAll(), QByteArray());
}

void TestNetSim::threeSuppliesAnswerOneBroadcast()
{
    Udp client;
    client.send(searchReq, "255.255.255.255");
    QStringList senders;
    for (const QNetworkDatagram &dg : client.collect(3)) {
        const QByteArray reply = dg.data();
        const int index = int(dg.senderAddress().toIPv4Address() & 0xFF) - 11;
        senders << QHostAddress(dg.senderAddress().toIPv4Address()).toString();
        QCOMPARE(reply.size(), 81);
        QCOMPARE(int(reply[0]), index + 1);
        QCOMPARE(reply.mid(3, 40), host->supplies()[index]->config().identity.leftJustified(40, '\0'));
        QCOMPARE(reply, withCrc(reply.left(79)));
    }
    senders.sort();
    QCOMPARE(senders, QStringList({"127.0.0.11", "127.0.0.12", "127.0.0.13"}));
    QCOMPARE(client.collect(1, 150).size(), 0);   // one answer per supply
}

void TestNetSim::udpStatusClearAlarmAndFaults()
{
    QCOMPARE(wire::crc16("123456789"), quint16(0x4B37));
    sim->setValue(28, 3);
    sim->setFloatValue(10, 12.5f);
    sim->raiseAlarm(3);
    Udp client;
    client.send(statusReq, "127.0.0.11");
    const QByteArray reply = client.collect(1).value(0).data();
    QCOMPARE(reply.left(11), hex("010310 0000 18 30 41480000"));
    QCOMPARE(reply, withCrc(reply.left(19)));
    // Clear alarm, answered like a Modbus RTU write; one with a bad CRC is ignored.
    client.send(hex("0110002a0002040000000100"), "127.0.0.11");
    client.send(withCrc(hex("0110002a000204 00000001")), "127.0.0.11");
    const QList<QNetworkDatagram> answers = client.collect(2, 300);
    QCOMPARE(answers.size(), 1);
    QCOMPARE(answers.value(0).data(), withCrc(hex("0110002a0002")));
    QCOMPARE(sim->alarmCode(), 0);
    // UDP faults: silent once, one byte too many once; Modbus-only rules leave UDP alone.
    FaultRule silent = fault(FaultKind::Silent, -1, -1, 1), longer = fault(FaultKind::WrongLength, 3, -1, 1);
    silent.channel = longer.channel = FaultChannel::Udp;
    for (const FaultRule &r : {silent, longer, fault(FaultKind::Exception, -1, -1)})
        sim->addFault(r);
    for (int size : {0, 22, 21}) {
        client.send(statusReq, "127.0.0.11");
        QCOMPARE(client.collect(1, size ? 2000 : 150).value(0).data().size(), size);
    }
}

void TestNetSim::onlyLoopbackSendersAreServed()
{
    // A second, non-loopback address on lo of this private namespace.
    QVERIFY2(qEnvironmentVariable("KLV_IN_NETNS") == QLatin1String("1"), "needs scripts/in-netns");
    QCOMPARE(QProcess::execute(QStringLiteral("ip"), {"addr", "add", "10.77.0.2/32", "dev", "lo"}), 0);
    Udp udp("10.77.0.2");
    udp.send(statusReq, "127.0.0.11");
    QVERIFY(waitUntil([&] { return sim->udpRequests().size() == 1; }, 2000));
    QCOMPARE(udp.collect(1, 150).size(), 0);
    Tcp tcp[2];
    for (Tcp &t : tcp)
        QVERIFY(t.socket.bind(QHostAddress(QStringLiteral("10.77.0.2"))));
    tcp[0].open("127.0.0.11");
    QVERIFY(tcp[0].closed());
    // The same senders are served once any sender is allowed: the silence above was the rule.
    host->setLoopbackOnly(false);
    udp.send(statusReq, "127.0.0.11");
    QCOMPARE(udp.collect(1).value(0).data().size(), 21);
    QVERIFY(tcp[1].open("127.0.0.11"));
    QCOMPARE(tcp[1].transact(readReq(1, 8, 2), 13).size(), 13);
}

QTEST_GUILESS_MAIN(TestNetSim)
#include "tst_net_sim.moc"
