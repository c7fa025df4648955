// Code tables, status-word fields, packed addresses and device texts.

#include "devicerecords.h"
#include "devicetext.h"

#include <QtTest>

class TestDeviceRecords : public QObject
{
    Q_OBJECT

private slots:
    void tables();
    void statusWord_data();
    void statusWord();
    void displayNames_data();
    void displayNames();
    void selectorMapping();
    void packedAddress_data();
    void packedAddress();
    void badAddressText_data();
    void badAddressText();
    void deviceText_data();
    void deviceText();
    void asciiRoundTrip();
};

void TestDeviceRecords::tables()
{
    QCOMPARE(testFuncNames,
             (QStringList{"VI", QString(), QString(), "SEQ", "CHAR"}));
    QCOMPARE(alarmNames, (QStringList{"NULL", "OP", "OV", "OC", "RVP", "TSD", "OT", "NULL", "OPP",
                                      "OVP", "OCP", "LVP", "NULL", "CMF", "NULL", "PMF", "FAULT"}));
    QCOMPARE(samplingIntervals, (QVector<int>{100, 200, 500, 1000, 2000, 5000, 10000, 20000,
                                              30000, 60000, 120000, 300000}));
}

void TestDeviceRecords::statusWord_data()
{
    QTest::addColumn<quint32>("state");
    QTest::addColumn<bool>("on");
    QTest::addColumn<int>("testFunc");
    QTest::addColumn<int>("alarm");
    QTest::addColumn<QString>("alarmName");

    QTest::newRow("bit 0") << 0x0001u << true << 0 << 0 << "NULL";
    QTest::newRow("bit 15") << 0x8000u << false << 0 << 16 << "FAULT";
    QTest::newRow("bits 0,4,5,11,12,13") << 0x3831u << true << 3 << 7 << "NULL";
    QTest::newRow("CHAR, OVP") << 0x4840u << false << 4 << 9 << "OVP";
    QTest::newRow("upper bits ignored") << 0xFFFF0000u << false << 0 << 0 << "NULL";
    QTest::newRow("bits 1-3, 8-10 ignored") << 0x070Eu << false << 0 << 0 << "NULL";
    QTest::newRow("all field bits") << 0xFFFFu << true << 15 << 31 << "31";
}

void TestDeviceRecords::statusWord()
{
    QFETCH(quint32, state);
    QFETCH(bool, on);
    QFETCH(int, testFunc);
    QFETCH(int, alarm);
    QFETCH(QString, alarmName);
    QCOMPARE(stateOutputOn(state), on);
    QCOMPARE(stateTestFunc(state), testFunc);
    QCOMPARE(stateAlarmCode(state), alarm);
    QCOMPARE(alarmDisplayName(stateAlarmCode(state)), alarmName);
}

void TestDeviceRecords::displayNames_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("testFunc");
    QTest::addColumn<QString>("alarm");
    QTest::newRow("0") << 0 << "VI" << "NULL";
    QTest::newRow("1") << 1 << "" << "OP";
    QTest::newRow("3") << 3 << "SEQ" << "OC";
    QTest::newRow("4") << 4 << "CHAR" << "RVP";
    QTest::newRow("5") << 5 << "5" << "TSD";
    QTest::newRow("15") << 15 << "15" << "PMF";
    QTest::newRow("16") << 16 << "16" << "FAULT";
    QTest::newRow("17") << 17 << "17" << "17";
    QTest::newRow("negative") << -1 << "-1" << "-1";
}

void TestDeviceRecords::displayNames()
{
    QFETCH(int, code);
    QFETCH(QString, testFunc);
    QFETCH(QString, alarm);
    QCOMPARE(testFuncDisplayName(code), testFunc);
    QCOMPARE(alarmDisplayName(code), alarm);
}

void TestDeviceRecords::selectorMapping()
{
    QCOMPARE(testFuncCodeForIndex(0), 0);
    QCOMPARE(testFuncCodeForIndex(1), 3);
    QCOMPARE(testFuncCodeForIndex(2), 4);
    QCOMPARE(testFuncIndexForCode(0), 0);
    QCOMPARE(testFuncIndexForCode(3), 1);
    QCOMPARE(testFuncIndexForCode(4), 2);
    QVERIFY(isSelectableTestFunc(0) && isSelectableTestFunc(3) && isSelectableTestFunc(4));
    QVERIFY(!isSelectableTestFunc(1) && !isSelectableTestFunc(2) && !isSelectableTestFunc(5));
}

void TestDeviceRecords::packedAddress_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("packed");
    QTest::newRow("192.168.1.10") << "192.168.1.10" << 0x0A01A8C0u;
    QTest::newRow("192.168.100.1") << "192.168.100.1" << 0x0164A8C0u;
    QTest::newRow("10.0.0.2") << "10.0.0.2" << 0x0200000Au;
    QTest::newRow("mask") << "255.255.255.0" << 0x00FFFFFFu;
    QTest::newRow("zero") << "0.0.0.0" << 0u;
    QTest::newRow("all ones") << "255.255.255.255" << 0xFFFFFFFFu;
}

void TestDeviceRecords::packedAddress()
{
    QFETCH(QString, text);
    QFETCH(quint32, packed);
    QCOMPARE(packedToIpText(packed), text);
    quint32 value = 12345;
    QVERIFY(ipTextToPacked(text, value));
    QCOMPARE(value, packed);
}

void TestDeviceRecords::badAddressText_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("three octets") << "192.168.1";
    QTest::newRow("five octets") << "1.2.3.4.5";
    QTest::newRow("octet 256") << "1.2.3.256";
    QTest::newRow("empty octet") << "1..3.4";
    QTest::newRow("letters") << "a.b.c.d";
    QTest::newRow("sign") << "1.2.3.+4";
    QTest::newRow("blank") << " 1.2.3.4";
    QTest::newRow("empty") << "";
    QTest::newRow("huge") << "1.2.3.4294967297";
}

void TestDeviceRecords::badAddressText()
{
    QFETCH(QString, text);
    quint32 value = 12345;
    QVERIFY(!ipTextToPacked(text, value));
    QCOMPARE(value, 12345u);
}

void TestDeviceRecords::deviceText_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("text");
    QTest::newRow("ascii") << QByteArray("KLV2400-6020") << "KLV2400-6020";
    QTest::newRow("empty") << QByteArray() << "";
#ifndef Q_OS_WIN
    QTest::newRow("utf-8") << QByteArray("\xE4\xB8\xAD\xE6\x96\x87") << QString::fromUtf8("中文");
    QTest::newRow("gbk") << QByteArray("\xD6\xD0\xCE\xC4") << QString::fromUtf8("中文");
    QTest::newRow("gbk mixed") << QByteArray("A\xD6\xD0") << QString::fromUtf8("A中");
#endif
}

void TestDeviceRecords::deviceText()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, text);
    QCOMPARE(decodeDeviceText(bytes), text);
}

void TestDeviceRecords::asciiRoundTrip()
{
    const QString name = QStringLiteral("abc_XYZ-0123456789.");
    QCOMPARE(encodeDeviceText(name), name.toLatin1());
    QCOMPARE(decodeDeviceText(encodeDeviceText(name)), name);
#ifndef Q_OS_WIN
    const QString chinese = QString::fromUtf8("序列一");
    QCOMPARE(decodeDeviceText(encodeDeviceText(chinese)), chinese);
#endif
}

QTEST_MAIN(TestDeviceRecords)
#include "tst_devicerecords.moc"
