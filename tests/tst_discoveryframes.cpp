// The UDP datagrams of discovery and the device cards, byte for byte, and
// which adapters the discovery broadcast may leave through.
#include "adapterlist.h"
#include "discoveryframes.h"
#include "testsupport.h"

#include <QTextCodec>
#include <QtTest>

Q_DECLARE_METATYPE(QList<AdapterInfo>)

namespace {

// Bytes 2 and 79-80 (the CRC) are junk: never read, never checked.
QByteArray identityReply(const QByteArray &text, int size = 81)
{ return (QByteArray("\x07\x42\x50", 3) + text.left(40).leftJustified(40, '\0')).leftJustified(size, 'Z', true); }

QByteArray statusReply(quint8 byte5, quint8 byte6, const QByteArray &values, int size = 21)
{ return (QByteArray(5, char(0xA5)) + char(byte5) + char(byte6) + values).leftJustified(size, char(0xA5), true); }

AdapterInfo adapter(const char *name, const QStringList &ips, const char *mac, QNetworkInterface::InterfaceFlags flags)
{
    AdapterInfo a{flags, mac, name, {}};
    for (const QString &ip : ips)
        a.addresses << QHostAddress(ip);
    return a;
}

} // namespace

class TestDiscoveryFrames : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void requests();
    void identity_data();
    void identity();
    void onlyExactLengths();
    void status_data();
    void status();
    void candidates_data();
    void candidates();
};

void TestDiscoveryFrames::requests()
{
    QCOMPARE(discoveryRequest().toHex() + statusRequest(0x11).toHex() + clearAlarmCommand(0xFE).toHex(),
             QByteArray("0042eeee6ddc" "110300080008c75e" "fe10002a00020400000001831f"));
}

void TestDiscoveryFrames::identity_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("rating");
    QTest::addColumn<QString>("manufacturer");
    QTest::addColumn<bool>("klv2400");
    QTest::newRow("three fields") << QByteArray("KLV2400-6020/60V 20A 1200W/KLV Power") << "KLV2400-6020"
                                  << "60V 20A 1200W" << "KLV Power" << true;
    // 40 bytes without a NUL: the text ends with the field, not in the junk after it.
    QTest::newRow("no NUL") << QByteArray("KLV2400/0123456789012345678901234567/ACME") << "KLV2400"
                            << "0123456789012345678901234567" << "ACM" << true;
    QTest::newRow("NUL ends it") << QByteArray("KLV2400/60V/Acme\0/more", 22) << "KLV2400" << "60V" << "Acme" << true;
    QTest::newRow("UTF-8") << QByteArray("KLV2400/60V/深圳电源") << "KLV2400" << "60V" << "深圳电源" << true;
    QTest::newRow("GBK") << QTextCodec::codecForName("GBK")->fromUnicode("KLV2400/60V/深圳电源") << "KLV2400" << "60V"
                         << "深圳电源" << true;
    QTest::newRow("inside a longer model, extra field") << QByteArray("NEW-KLV2400A//Acme/x") << "NEW-KLV2400A" << ""
                                                        << "Acme" << true;
    QTest::newRow("lower case") << QByteArray("klv2400/60V") << "klv2400" << "60V" << "" << false;
    QTest::newRow("only in the rating") << QByteArray("XYZ/KLV2400/Acme") << "XYZ" << "KLV2400" << "Acme" << false;
}

void TestDiscoveryFrames::identity()
{
    QFETCH(QByteArray, text);
    const std::optional<DeviceIdentity> id = parseIdentityReply(identityReply(text));
    QVERIFY(id.has_value());
    QCOMPARE(int(id->devAddr), 7);
    QTEST(id->model, "model");
    QTEST(id->rating, "rating");
    QTEST(id->manufacturer, "manufacturer");
    QTEST(namesKlv2400(id->model), "klv2400");
}

void TestDiscoveryFrames::onlyExactLengths()
{
    for (int n = 0; n <= 128; ++n) {
        QCOMPARE(parseIdentityReply(identityReply("KLV2400/60V/Acme", n)).has_value(), n == 81);
        QCOMPARE(parseStatusReply(statusReply(0, 0x31, QByteArray(12, '\0'), n)).has_value(), n == 21);
    }
}

void TestDiscoveryFrames::status_data()
{
    QTest::addColumn<int>("bytes56");   // alarm << 3; function << 4 | output
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QStringList>("texts");   // function, output state, voltage, current, power
    QTest::addColumn<bool>("alarm");
    const QByteArray v = QByteArray::fromHex("41480000" "3FC00000" "41960000");   // 12.5, 1.5, 18.75
    const QStringList shown = {"12.5000", "1.5000", "18.7500"};
    QTest::newRow("SEQ on") << 0x0031 << v << QStringList{"SEQ", "ON"} + shown << false;
    QTest::newRow("unused bits ignored") << 0x070E << v << QStringList{"VI", "OFF"} + shown << false;
    QTest::newRow("OC replaces the output state") << 0x1801 << v << QStringList{"VI", "OC"} + shown << true;
    QTest::newRow("code 7 shown as NULL") << 0x3841 << v << QStringList{"CHAR", "NULL"} + shown << true;
    QTest::newRow("codes past the tables") << 0xF8F1 << v << QStringList{"15", "31"} + shown << true;
    QTest::newRow("negative and rounding") << 0x0010 << QByteArray::fromHex("C1200000" "3DFCD35B" "00000000")
                                           << QStringList{"", "OFF", "-10.0000", "0.1235", "0.0000"} << false;
}

void TestDiscoveryFrames::status()
{
    QFETCH(int, bytes56);
    QFETCH(QByteArray, values);
    const std::optional<BriefStatus> status = parseStatusReply(statusReply(bytes56 >> 8, bytes56 & 0xFF, values));
    QVERIFY(status.has_value());
    const BriefStatusTexts t = briefStatusTexts(*status);
    QTEST((QStringList{t.testFunc, t.outputState, t.voltage, t.current, t.power}), "texts");
    QTEST(t.alarm, "alarm");
}

void TestDiscoveryFrames::candidates_data()
{
    using NI = QNetworkInterface;
    const NI::InterfaceFlags usable = NI::IsUp | NI::IsRunning | NI::CanBroadcast | NI::CanMulticast;
    QTest::addColumn<QList<AdapterInfo>>("adapters");
    QTest::addColumn<QStringList>("expected");
    const QStringList one = {"192.168.1.20"}, taken = {"192.168.1.20(eth0)"}, none;
    auto row = [&](const char *name, const char *mac, NI::InterfaceFlags flags, const QStringList &expected,
                   const char *adapterName = "eth0") {
        QTest::newRow(name) << QList<AdapterInfo>{adapter(adapterName, one, mac, flags)} << expected;
    };
    row("physical", "00:1A:2B:3C:4D:5E", usable, taken);
    row("virtual prefix", "00:50:56:01:02:03", usable, none);
    row("prefix 00:1c:14 in any case", "00:1C:14:01:02:03", usable, none);
    row("other prefixes case-sensitive", "00:0c:29:01:02:03", usable, taken);
    row("prefix only at the start", "01:00:50:56:02:03", usable, taken);
    row("vmware in the name", "00:1A:2B:3C:4D:5E", usable, none, "my vmware bridge");
    row("no multicast", "00:1A:2B:3C:4D:5E", NI::IsUp | NI::IsRunning | NI::CanBroadcast, none);
    row("extra flag", "00:1A:2B:3C:4D:5E", usable | NI::IsPointToPoint, none);
    QTest::newRow("IPv4 addresses only, each, in order")
        << QList<AdapterInfo>{adapter("lo", {"127.0.0.1"}, "00:00:00:00:00:00",
                                      NI::IsUp | NI::IsRunning | NI::IsLoopBack),
                              adapter("eth1", {"fe80::1", "10.1.0.2", "192.168.7.9"}, "00:1A:2B:3C:4D:01", usable),
                              adapter("eth0", {"10.0.0.2"}, "00:1A:2B:3C:4D:02", usable)}
        << QStringList{"10.1.0.2(eth1)", "192.168.7.9(eth1)", "10.0.0.2(eth0)"};
}

void TestDiscoveryFrames::candidates()
{
    QFETCH(QList<AdapterInfo>, adapters);
    QTEST(adapterCandidates(adapters), "expected");
}

QTEST_MAIN(TestDiscoveryFrames)
#include "tst_discoveryframes.moc"
