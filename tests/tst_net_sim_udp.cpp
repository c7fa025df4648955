// The simulated supplies' UDP side on port 7000: discovery through the
// shared listener, the status request and the clear-alarm command.

#include "simrawclient.h"
#include "simsupply.h"
#include "simwire.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>

using namespace rawclient;
using klvsim::SimHost;
using klvsim::SimSupply;
using klvsim::SupplyConfig;

class TestSimUdp : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void crcCheckValue();
    void threeSuppliesAnswerOneBroadcast();
    void discoveryReplyLayout();
    void statusRequestGetsTwentyOneBytes();
    void clearAlarmCommand();
    void datagramsASupplyIgnores_data();
    void datagramsASupplyIgnores();

private:
    TempWorkDir workDir;
    std::unique_ptr<SimHost> host;
    QList<SimSupply *> sims;
};

void TestSimUdp::init()
{
    host = std::make_unique<SimHost>();
    sims.clear();
    for (int i = 0; i < 3; ++i) {
        SupplyConfig cfg;
        cfg.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(11 + i));
        cfg.deviceAddress = quint8(1 + i);
        cfg.identity = QByteArray("KLV2400/60V 20A 1200W/Maker ") + QByteArray::number(i);
        cfg.noise = 0;
        sims << host->addSupply(cfg);
    }
    QString error;
    QVERIFY2(host->start(&error), qPrintable(error));
}

void TestSimUdp::cleanup()
{
    host.reset();
}

void TestSimUdp::crcCheckValue()
{
    QCOMPARE(klvsim::wire::crc16(QByteArray("123456789")), quint16(0x4B37));
    QCOMPARE(withCrc(hex("0042eeee")), hex("0042eeee6ddc"));
    QCOMPARE(withCrc(hex("010300080008")), hex("010300080008c5ce"));
}

void TestSimUdp::threeSuppliesAnswerOneBroadcast()
{
    Udp client;
    client.send(hex("0042eeee6ddc"), QStringLiteral("255.255.255.255"));
    const QList<QNetworkDatagram> replies = client.collect(3);
    QCOMPARE(replies.size(), 3);
    QStringList senders;
    for (const QNetworkDatagram &dg : replies) {
        QCOMPARE(dg.data().size(), 81);
        const QString sender = QHostAddress(dg.senderAddress().toIPv4Address()).toString();
        senders << sender;
        const int index = sender.section(QLatin1Char('.'), 3).toInt() - 11;
        QCOMPARE(int(quint8(dg.data()[0])), index + 1);
        QCOMPARE(dg.data().mid(3, 40).split('\0').first(), QByteArray("KLV2400/60V 20A 1200W/Maker ") + QByteArray::number(index));
    }
    senders.sort();
    QCOMPARE(senders, QStringList({"127.0.0.11", "127.0.0.12", "127.0.0.13"}));
    for (SimSupply *s : sims)
        QCOMPARE(s->udpRequests(), QList<QByteArray>{hex("0042eeee6ddc")});
    // Nothing more comes: one answer per supply.
    QCOMPARE(client.collect(1, 150).size(), 0);
}

void TestSimUdp::discoveryReplyLayout()
{
    Udp client;
    client.send(hex("0042eeee6ddc"), QStringLiteral("127.0.0.12"));
    const QList<QNetworkDatagram> replies = client.collect(1);
    QCOMPARE(replies.size(), 1);
    const QByteArray reply = replies.first().data();
    QCOMPARE(reply.size(), 81);
    QCOMPARE(int(reply[0]), 2);
    const QByteArray identity = "KLV2400/60V 20A 1200W/Maker 1";
    QCOMPARE(reply.mid(3, identity.size()), identity);
    QCOMPARE(reply.mid(3 + identity.size(), 40 - identity.size()), QByteArray(40 - identity.size(), '\0'));
    QCOMPARE(reply.right(2), withCrc(reply.left(79)).right(2));

    // A 40-byte identity fills the field without a terminator.
    host.reset();
    SupplyConfig cfg;
    cfg.identity = "KLV2400-LONG-MODEL-NAME/60V 20A/ABCDEFGH";
    QCOMPARE(cfg.identity.size(), 40);
    SimSupply single(cfg);
    QVERIFY(single.start());
    client.send(hex("0042eeee6ddc"), QStringLiteral("127.0.0.11"));
    const QByteArray longReply = client.collect(1).value(0).data();
    QCOMPARE(longReply.size(), 81);
    QCOMPARE(longReply.mid(3, 40), cfg.identity);
}

void TestSimUdp::statusRequestGetsTwentyOneBytes()
{
    SimSupply *sim = sims[0];
    sim->setValue(28, 3);
    sim->panelSetOutput(true);
    sim->raiseAlarm(0);
    sim->setFloatValue(10, 12.5f);
    sim->setFloatValue(12, 2);
    sim->setFloatValue(14, 25);
    Udp client;
    const QByteArray request = hex("010300080008c5ce");
    client.send(request, QStringLiteral("127.0.0.11"));
    const QList<QNetworkDatagram> replies = client.collect(1);
    QCOMPARE(replies.size(), 1);
    const QByteArray reply = replies.first().data();
    QCOMPARE(reply.size(), 21);
    QCOMPARE(QHostAddress(replies.first().senderAddress().toIPv4Address()), QHostAddress("127.0.0.11"));
    QCOMPARE(reply.left(3), hex("010310"));
    QCOMPARE(quint8(reply[6]) >> 4, 3);
    QCOMPARE(quint8(reply[6]) & 1, 1);
    QCOMPARE(quint8(reply[5]) >> 3, 0);
    QCOMPARE(reply.mid(7, 4), hex("41480000"));
    QCOMPARE(bitsFloat(at32(reply, 11)), 2.0f);
    QCOMPARE(bitsFloat(at32(reply, 15)), 25.0f);
    QCOMPARE(reply, withCrc(reply.left(19)));
    QCOMPARE(sim->udpRequests(), QList<QByteArray>{request});

    sim->raiseAlarm(3);
    client.send(request, QStringLiteral("127.0.0.11"));
    const QByteArray alarmed = client.collect(1).value(0).data();
    QCOMPARE(alarmed.size(), 21);
    QCOMPARE(quint8(alarmed[5]), quint8(0x18));
    QCOMPARE(quint8(alarmed[6]) & 1, 0);
}

void TestSimUdp::clearAlarmCommand()
{
    SimSupply *sim = sims[1];
    sim->raiseAlarm(16);
    const QByteArray command = withCrc(hex("021000 2a 0002 04 00000001"));
    QCOMPARE(command.size(), 13);
    Udp client;
    client.send(command, QStringLiteral("127.0.0.12"));
    QVERIFY(waitUntil([&] { return sim->alarmCode() == 0; }, 2000));
    QCOMPARE(sim->udpRequests(), QList<QByteArray>{command});
    // Answered like a Modbus RTU write, though no client waits for it.
    QCOMPARE(client.collect(1).value(0).data(), withCrc(hex("021000 2a 0002")));
}

void TestSimUdp::datagramsASupplyIgnores_data()
{
    QTest::addColumn<QByteArray>("datagram");
    QTest::newRow("other device address") << withCrc(hex("050300080008"));
    QTest::newRow("bad crc") << hex("010300080008c5cf");
    QTest::newRow("discovery with bad crc") << hex("0042eeee6ddd");
    QTest::newRow("too short") << hex("01");
}

void TestSimUdp::datagramsASupplyIgnores()
{
    QFETCH(QByteArray, datagram);
    sims[0]->raiseAlarm(5);
    Udp client;
    client.send(datagram, QStringLiteral("127.0.0.11"));
    QVERIFY(waitUntil([&] { return sims[0]->udpRequests().size() == 1; }, 2000));
    QCOMPARE(client.collect(1, 150).size(), 0);
    QCOMPARE(sims[0]->alarmCode(), 5);
}

QTEST_GUILESS_MAIN(TestSimUdp)
#include "tst_net_sim_udp.moc"
