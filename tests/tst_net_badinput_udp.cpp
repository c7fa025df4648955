// Hostile datagrams on both UDP sockets of the shell: the window's discovery
// socket and a card's status socket. Only an exact 81-byte identity reply
// makes a card and only an exact 21-byte status reply changes one (the CRC
// of a received datagram is never checked); identity texts are shown as
// plain text whatever bytes they hold.
#include "discovery_rig.h"
#include "testsupport.h"

#include <QNetworkDatagram>
#include <QtTest>

#include <cstring>

using namespace discovery;

namespace {

const QHostAddress supplyIp(QStringLiteral("127.0.0.12"));
constexpr int largestDatagram = 65507;

QList<AdapterInfo> loopbackAdapter()
{
    AdapterInfo a;
    a.flags = QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast
        | QNetworkInterface::CanMulticast;
    a.hardwareAddress = QStringLiteral("02:00:00:00:00:01");
    a.humanReadableName = QStringLiteral("lo-test");
    a.addresses << QHostAddress(QStringLiteral("127.0.0.1"));
    return {a};
}

// 81 bytes: device address, 0x42, a byte, then the identity text field of
// 40 bytes and zeros where the CRC would go.
QByteArray identityReply(const QByteArray &text)
{
    QByteArray reply(81, '\0');
    reply[0] = 1;
    reply[1] = 0x42;
    reply.replace(3, qMin(text.size(), 78), text.left(78));
    return reply;
}

// 21 bytes: status word bytes 5 (alarm << 3) and 6 (function << 4 | output)
// then voltage, current and power as big-endian floats.
QByteArray statusReply(quint8 alarm, bool output, float v, float c, float p)
{
    QByteArray reply = QByteArray::fromHex("01031000 00");
    reply.append(char(alarm << 3));
    reply.append(char(1 << 4 | (output ? 1 : 0)));
    for (float f : {v, c, p}) {
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        for (int s = 24; s >= 0; s -= 8)
            reply.append(char(bits >> s));
    }
    reply.append("\x12\x34", 2);   // a CRC that is wrong: never checked
    return reply;
}

// datagram cut or padded to size: its head is always a well-formed reply,
// so a length check that is off by anything would let it through.
QByteArray resized(const QByteArray &valid, int size)
{
    return size <= valid.size() ? valid.left(size) : valid + QByteArray(size - valid.size(), 'X');
}

QList<int> badLengths(int good)
{
    QList<int> sizes;
    for (int n = 0; n <= 128; ++n)
        if (n != good)
            sizes << n;
    sizes << largestDatagram;
    return sizes;
}

// Stands in for a supply at 127.0.0.12: sees the search broadcast on the
// wildcard address and the cards' polls on its own, and answers each with
// the datagrams a test scripts.
class FakeSupply
{
public:
    FakeSupply()
    {
        const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
        bound = search.bind(QHostAddress::AnyIPv4, 7000, mode) && own.bind(supplyIp, 7000, mode);
        QObject::connect(&search, &QUdpSocket::readyRead, [this] { answer(search, onSearch); });
        QObject::connect(&own, &QUdpSocket::readyRead, [this] { answer(own, onPoll); });
    }
    bool bound = false;
    QList<QByteArray> onSearch;
    QList<QByteArray> onPoll;
    int polls = 0;

private:
    void answer(QUdpSocket &socket, const QList<QByteArray> &replies)
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram request = socket.receiveDatagram();
            if (&socket == &own)
                ++polls;
            for (const QByteArray &reply : replies) {
                own.writeDatagram(reply, request.senderAddress(), quint16(request.senderPort()));
                // Lets the receiver read as we go, so no datagram is lost to
                // a full socket buffer: UDP on loopback keeps their order.
                QCoreApplication::processEvents();
            }
        }
    }
    QUdpSocket search;
    QUdpSocket own;
};

} // namespace

class TestNetBadInputUdp : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void discoveryTakesOnlyExact81Bytes();
    void cardTakesOnlyExact21Bytes();
    void identityTextIsPlainText_data();
    void identityTextIsPlainText();
};

void TestNetBadInputUdp::discoveryTakesOnlyExact81Bytes()
{
    FakeSupply supply;
    QVERIFY(supply.bound);
    const QByteArray wrong = identityReply("KLV2400/WRONG/WRONG");
    for (int size : badLengths(81))
        supply.onSearch << resized(wrong, size);
    // Sent last: once it is shown, every datagram before it has been read.
    supply.onSearch << identityReply("KLV2400/60V 20A/Exact");

    MainWindow window;
    window.setAdapterSource(loopbackAdapter);
    search(window);
    QVERIFY(waitUntil([&] { return !cards(window).isEmpty(); }, 5000));
    QTest::qWait(100);
    QCOMPARE(cards(window).size(), 1);
    QCOMPARE(text(cards(window).first(), "lab_manufacturer"), QStringLiteral("Exact"));
    QCOMPARE(text(cards(window).first(), "lab_IPAddr"), supplyIp.toString());
}

void TestNetBadInputUdp::cardTakesOnlyExact21Bytes()
{
    FakeSupply supply;
    QVERIFY(supply.bound);
    supply.onSearch << identityReply("KLV2400/60V 20A/Card");
    // Every wrong length carries an alarm and other values, before and after
    // the one good reply.
    const QByteArray wrong = statusReply(5, true, 99, 99, 99);
    for (int size : badLengths(21))
        if (size < 21)
            supply.onPoll << resized(wrong, size);
    supply.onPoll << statusReply(0, true, 12.5f, 1.25f, 15.625f);
    for (int size : badLengths(21))
        if (size > 21)
            supply.onPoll << resized(wrong, size);

    MainWindow window;
    window.setAdapterSource(loopbackAdapter);
    search(window);
    QVERIFY(waitUntil([&] { return !cards(window).isEmpty(); }, 5000));
    QWidget *card = cards(window).first();
    QVERIFY(waitUntil([&] { return supply.polls >= 2; }, 5000));   // the first answer read in full
    QCOMPARE(text(card, "lab_vol"), QStringLiteral("12.5000"));
    QCOMPARE(text(card, "lab_cur"), QStringLiteral("1.2500"));
    QCOMPARE(text(card, "lab_power"), QStringLiteral("15.6250"));
    QCOMPARE(text(card, "lab_outPutState"), QStringLiteral("ON"));
    QCOMPARE(lamp(card), QString::fromLatin1(lampGreen));
}

void TestNetBadInputUdp::identityTextIsPlainText_data()
{
    QTest::addColumn<QByteArray>("text");   // the 40-byte identity field and what follows it
    QTest::addColumn<bool>("card");
    QTest::addColumn<QString>("rating");
    QTest::addColumn<QString>("manufacturer");

    // 40 bytes without a NUL, then bytes that are not part of the field.
    const QByteArray full = "KLV2400/RATING-ABCDEFGH/MAKER-0123456789";
    QTest::newRow("no NUL in the field") << full + "TAIL-NOT-SHOWN" << true << "RATING-ABCDEFGH"
                                         << "MAKER-0123456789";
    QTest::newRow("GBK, not UTF-8") << QByteArray("KLV2400/60V/\xb5\xe7\xd4\xb4") << true << "60V"
                                    << QString::fromUtf8("电源");
    QTest::newRow("UTF-8") << QByteArray("KLV2400/60V/电源") << true << "60V" << QString::fromUtf8("电源");
    QTest::newRow("control characters")
        << QByteArray("KLV2400/\t\r\nA\x01/\x1b[31mB\x7f") << true << "\t\r\nA\x01" << "\x1b[31mB\x7f";
    // No "/" in it (that separates the fields), and within the 40 bytes.
    QTest::newRow("markup") << QByteArray("KLV2400/<b>R<br>/<img src=x>&amp;") << true << "<b>R<br>"
                            << "<img src=x>&amp;";
    QTest::newRow("missing fields") << QByteArray("KLV2400") << true << "" << "";
    QTest::newRow("more fields") << QByteArray("KLV2400/a/b/c/d") << true << "a" << "b";
    QTest::newRow("model elsewhere in the text") << QByteArray("X/KLV2400/Y") << false << "" << "";
    QTest::newRow("lower-case model") << QByteArray("klv2400/a/b") << false << "" << "";
    QTest::newRow("empty field") << QByteArray() << false << "" << "";
}

void TestNetBadInputUdp::identityTextIsPlainText()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, card);
    QFETCH(QString, rating);
    QFETCH(QString, manufacturer);

    FakeSupply supply;
    QVERIFY(supply.bound);
    supply.onSearch << identityReply(text) << identityReply("KLV2400/end/marker");
    MainWindow window;
    window.setAdapterSource(loopbackAdapter);
    search(window);
    QVERIFY(waitUntil([&] { return cards(window).size() >= (card ? 2 : 1); }, 5000));
    QTest::qWait(50);
    const QList<DevBriefInfoWidget *> shown = cards(window);
    QCOMPARE(shown.size(), card ? 2 : 1);
    if (!card)
        return;
    DevBriefInfoWidget *first = shown.last();   // newest on top
    QCOMPARE(discovery::text(first, "lab_specification"), rating);
    QCOMPARE(discovery::text(first, "lab_manufacturer"), manufacturer);
    for (const char *name : {"lab_specification", "lab_manufacturer", "lab_IPAddr"})
        QCOMPARE(first->findChild<QLabel *>(QLatin1String(name))->textFormat(), Qt::PlainText);
}

QTEST_MAIN(TestNetBadInputUdp)
#include "tst_net_badinput_udp.moc"
