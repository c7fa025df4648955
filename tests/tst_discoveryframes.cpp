// The UDP datagrams of discovery and the device cards, byte for byte.
#include "discoveryframes.h"
#include "testsupport.h"

#include <QTextCodec>
#include <QtTest>

namespace {

QByteArray identityReply(quint8 devAddr, const QByteArray &text, int size = 81)
{
    QByteArray reply(size, '\0');
    reply[0] = char(devAddr);
    reply[1] = char(0x42);
    reply[2] = char(0x50);
    for (int i = 0; i < text.size() && 3 + i < size; ++i)
        reply[3 + i] = text.at(i);
    // Junk where nothing may be read: right after the 40-byte text field.
    for (int i = 43; i < size; ++i)
        reply[i] = 'Z';
    return reply;
}

QByteArray statusReply(quint8 byte5, quint8 byte6, const QByteArray &values, int size = 21)
{
    QByteArray reply(size, char(0xA5));   // address, function, count and CRC are junk: unread
    reply[5] = char(byte5);
    reply[6] = char(byte6);
    for (int i = 0; i < values.size() && 7 + i < size; ++i)
        reply[7 + i] = values.at(i);
    return reply;
}

} // namespace

class TestDiscoveryFrames : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void requests_data();
    void requests();
    void identityFields_data();
    void identityFields();
    void identityTextStopsAtFieldEnd();
    void identityLengthMustBe81_data();
    void identityLengthMustBe81();
    void modelTest_data();
    void modelTest();
    void identityEncodings();
    void statusDecoding_data();
    void statusDecoding();
    void statusLengthMustBe21_data();
    void statusLengthMustBe21();
};

void TestDiscoveryFrames::requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("discovery") << discoveryRequest() << QByteArray::fromHex("0042EEEE6DDC");
    QTest::newRow("status addr 1") << statusRequest(1) << QByteArray::fromHex("010300080008C5CE");
    QTest::newRow("status addr 0x11") << statusRequest(0x11) << QByteArray::fromHex("110300080008C75E");
    QTest::newRow("status addr 0xFE") << statusRequest(0xFE) << QByteArray::fromHex("FE0300080008D1C1");
    QTest::newRow("clear alarm addr 1") << clearAlarmCommand(1)
                                        << QByteArray::fromHex("0110002A00020400000001B008");
    QTest::newRow("clear alarm addr 0x11") << clearAlarmCommand(0x11)
                                           << QByteArray::fromHex("1110002A00020400000001E4C8");
    QTest::newRow("clear alarm addr 0xFE") << clearAlarmCommand(0xFE)
                                           << QByteArray::fromHex("FE10002A00020400000001831F");
}

void TestDiscoveryFrames::requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestDiscoveryFrames::identityFields_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("model");
    QTest::addColumn<QString>("rating");
    QTest::addColumn<QString>("manufacturer");
    QTest::newRow("three fields") << QByteArray("KLV2400-6020/60V 20A 1200W/KLV Power")
                                  << "KLV2400-6020" << "60V 20A 1200W" << "KLV Power";
    QTest::newRow("empty rating") << QByteArray("KLV2400//KLV Power") << "KLV2400" << "" << "KLV Power";
    QTest::newRow("model only") << QByteArray("KLV2400") << "KLV2400" << "" << "";
    QTest::newRow("two fields") << QByteArray("KLV2400/60V") << "KLV2400" << "60V" << "";
    QTest::newRow("extra field ignored") << QByteArray("KLV2400/60V/Acme/x") << "KLV2400" << "60V" << "Acme";
    QTest::newRow("empty text") << QByteArray() << "" << "" << "";
}

void TestDiscoveryFrames::identityFields()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, model);
    QFETCH(QString, rating);
    QFETCH(QString, manufacturer);
    const std::optional<DeviceIdentity> id = parseIdentityReply(identityReply(0x07, text));
    QVERIFY(id.has_value());
    QCOMPARE(int(id->devAddr), 7);
    QCOMPARE(id->model, model);
    QCOMPARE(id->rating, rating);
    QCOMPARE(id->manufacturer, manufacturer);
}

void TestDiscoveryFrames::identityTextStopsAtFieldEnd()
{
    // A text filling all 40 bytes has no terminator: byte 43 on is not text.
    const QByteArray full = "KLV2400/0123456789012345678901234567/ACME";   // 41 bytes
    std::optional<DeviceIdentity> id = parseIdentityReply(identityReply(0xFE, full));
    QVERIFY(id.has_value());
    QCOMPARE(int(id->devAddr), 0xFE);
    QCOMPARE(id->manufacturer, QStringLiteral("ACM"));

    // The first zero byte ends the text even when more follows.
    QByteArray reply = identityReply(1, QByteArray("KLV2400/60V/Acme\0/more", 22));
    id = parseIdentityReply(reply);
    QVERIFY(id.has_value());
    QCOMPARE(id->manufacturer, QStringLiteral("Acme"));
}

void TestDiscoveryFrames::identityLengthMustBe81_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("80") << 80;
    QTest::newRow("82") << 82;
    QTest::newRow("43") << 43;
    QTest::newRow("empty") << 0;
}

void TestDiscoveryFrames::identityLengthMustBe81()
{
    QFETCH(int, size);
    QVERIFY(!parseIdentityReply(identityReply(1, "KLV2400/60V/Acme", size)).has_value());
}

void TestDiscoveryFrames::modelTest_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("exact") << QByteArray("KLV2400/60V/Acme") << true;
    QTest::newRow("inside a longer model") << QByteArray("NEW-KLV2400-6020A/60V/Acme") << true;
    QTest::newRow("lower case") << QByteArray("klv2400/60V/Acme") << false;
    QTest::newRow("mixed case") << QByteArray("Klv2400/60V/Acme") << false;
    QTest::newRow("other model") << QByteArray("KLV2300/60V/Acme") << false;
    QTest::newRow("name only in the rating field") << QByteArray("XYZ/KLV2400/Acme") << false;
    QTest::newRow("name only in manufacturer") << QByteArray("XYZ/60V/KLV2400") << false;
}

void TestDiscoveryFrames::modelTest()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, accepted);
    const std::optional<DeviceIdentity> id = parseIdentityReply(identityReply(1, text));
    QVERIFY(id.has_value());
    QCOMPARE(namesKlv2400(id->model), accepted);
}

void TestDiscoveryFrames::identityEncodings()
{
    const QString manufacturer = QStringLiteral("深圳电源");
    std::optional<DeviceIdentity> id =
        parseIdentityReply(identityReply(1, "KLV2400/60V/" + manufacturer.toUtf8()));
    QVERIFY(id.has_value());
    QCOMPARE(id->manufacturer, manufacturer);
#ifndef Q_OS_WIN
    QTextCodec *gbk = QTextCodec::codecForName("GBK");
    QVERIFY(gbk);
    id = parseIdentityReply(identityReply(1, "KLV2400/60V/" + gbk->fromUnicode(manufacturer)));
    QVERIFY(id.has_value());
    QCOMPARE(id->manufacturer, manufacturer);
#endif
}

void TestDiscoveryFrames::statusDecoding_data()
{
    QTest::addColumn<int>("byte5");
    QTest::addColumn<int>("byte6");
    QTest::addColumn<QByteArray>("values");
    QTest::addColumn<QString>("testFunc");
    QTest::addColumn<QString>("outputState");
    QTest::addColumn<bool>("alarm");
    QTest::addColumn<QString>("voltage");
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("power");

    const QByteArray v125 = QByteArray::fromHex("41480000" "3FC00000" "41960000");   // 12.5, 1.5, 18.75
    QTest::newRow("SEQ on") << 0x00 << 0x31 << v125 << "SEQ" << "ON" << false
                            << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("VI off") << 0x00 << 0x00 << v125 << "VI" << "OFF" << false
                            << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("CHAR on") << 0x00 << 0x41 << QByteArray(12, '\0') << "CHAR" << "ON" << false
                             << "0.0000" << "0.0000" << "0.0000";
    QTest::newRow("code 1 has no name") << 0x00 << 0x10 << QByteArray(12, '\0') << "" << "OFF" << false
                                        << "0.0000" << "0.0000" << "0.0000";
    QTest::newRow("unused bits ignored") << 0x07 << 0x0E << v125 << "VI" << "OFF" << false
                                         << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("OC replaces the output state") << 0x18 << 0x01 << v125 << "VI" << "OC" << true
                                                  << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("FAULT") << 0x80 << 0x00 << v125 << "VI" << "FAULT" << true
                           << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("code 7 is shown as NULL") << 0x38 << 0x31 << v125 << "SEQ" << "NULL" << true
                                             << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("codes past the tables show numbers") << 0xF8 << 0xF1 << v125 << "15" << "31" << true
                                                        << "12.5000" << "1.5000" << "18.7500";
    QTest::newRow("negative and rounding") << 0x00 << 0x00 << QByteArray::fromHex("C1200000" "3DFCD35B" "00000000")
                                           << "VI" << "OFF" << false << "-10.0000" << "0.1235" << "0.0000";
}

void TestDiscoveryFrames::statusDecoding()
{
    QFETCH(int, byte5);
    QFETCH(int, byte6);
    QFETCH(QByteArray, values);
    const std::optional<BriefStatus> status = parseStatusReply(statusReply(quint8(byte5), quint8(byte6), values));
    QVERIFY(status.has_value());
    const BriefStatusTexts texts = briefStatusTexts(*status);
    QTEST(texts.testFunc, "testFunc");
    QTEST(texts.outputState, "outputState");
    QTEST(texts.alarm, "alarm");
    QTEST(texts.voltage, "voltage");
    QTEST(texts.current, "current");
    QTEST(texts.power, "power");
}

void TestDiscoveryFrames::statusLengthMustBe21_data()
{
    QTest::addColumn<int>("size");
    QTest::newRow("20") << 20;
    QTest::newRow("22") << 22;
    QTest::newRow("8-byte clear-alarm echo") << 8;
    QTest::newRow("empty") << 0;
}

void TestDiscoveryFrames::statusLengthMustBe21()
{
    QFETCH(int, size);
    QVERIFY(!parseStatusReply(statusReply(0, 0x31, QByteArray(12, '\0'), size)).has_value());
}

QTEST_MAIN(TestDiscoveryFrames)
#include "tst_discoveryframes.moc"
