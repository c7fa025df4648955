// Request frames, reply acceptance and decoding of the Modbus link, the CRC,
// and the status word, packed addresses and device texts.

#include "devicerecords.h"
#include "devicetext.h"
#include "drivertestpeer.h"
#include "modbusdriver.h"
#include "modbusframes.h"

#include <QtTest>

using namespace ModbusFrames;
using drivertest::hex;

namespace {

// A reply of the given size: filler bytes, the function byte at offset 7.
QByteArray replyOfSize(int size, quint8 function)
{
    QByteArray reply(size, '\x20');
    if (size > 7)
        reply[7] = char(function);
    return reply;
}

} // namespace

class TestDriverFrames : public QObject
{
    Q_OBJECT

private slots:
    void crc();
    void requests_data();
    void requests();
    void replies();
    void framesWithId();
    void devInfoBlock();
    void nameBlock();
    void deviceRecords();
};

void TestDriverFrames::crc()
{
    QCOMPARE(modbusCrc16("123456789", 9), quint16(0x4B37));
    const QByteArray status = hex("01 03 00 08 00 08");   // on the wire as ... C5 CE
    QCOMPARE(modbusCrc16(status.constData(), status.size()), quint16(0xCEC5));
    // Against the bitwise form: every table entry, alone and after a prefix.
    for (int b = 0; b < 256; ++b) {
        const QByteArray bytes = QByteArray("\x5A\xC3", 2) + char(b);
        for (int from : {0, 2}) {
            quint16 crc = 0xFFFF;
            for (int i = from; i < bytes.size(); ++i) {
                crc ^= quint8(bytes.at(i));
                for (int k = 0; k < 8; ++k)
                    crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
            }
            QCOMPARE(modbusCrc16(bytes.constData() + from, bytes.size() - from), crc);
        }
    }
}

void TestDriverFrames::requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");
    QTest::newRow("read status") << buildReadRegisters(1, 8, 8)
                                 << hex("00 01 00 00 00 06 01 03 00 08 00 08");
    QTest::newRow("int write, unit A0")
        << buildWriteRegister(0x0102, UnitIntegerWrite, 242, quint32(qint32(-2)))
        << hex("01 02 00 00 00 0b a0 10 00 f2 00 02 04 ff ff ff fe");
    QTest::newRow("float write, unit 01") << buildWriteRegister(3, UnitDefault, 82, floatToBits(12.5f))
                                          << hex("00 03 00 00 00 0b 01 10 00 52 00 02 04 41 48 00 00");
    QTest::newRow("block read") << buildReadBlock(4, 254) << hex("00 04 00 00 00 04 01 42 00 fe");
    QTest::newRow("limit read") << buildReadLimit(5, 208) << hex("00 05 00 00 00 04 01 41 00 d0");
    QTest::newRow("block write") << buildWriteBlock(6, 50, QByteArray("AB\0", 3))
                                 << hex("00 06 00 00 00 08 01 40 00 32 03 41 42 00");
}

void TestDriverFrames::requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestDriverFrames::replies()
{
    // Judged by length (every length is tried on the wire elsewhere), a
    // block read by 0xC2 at offset 7, never by the function byte or the
    // MBAP length field.
    QVector<quint32> values{0xDEAD};
    QVERIFY(!decodeReadRegisters(replyOfSize(24, 0x03), 8, values));
    QCOMPARE(values, QVector<quint32>{0xDEAD});   // untouched when refused
    QVERIFY(decodeReadRegisters(hex("12 34 00 00 ff ff 01 83 10 00 00 00 01 41 48 00 00 bf c0 00 00 "
                                    "80 00 00 00"), 8, values));
    QCOMPARE(values, (QVector<quint32>{1u, 0x41480000u, 0xBFC00000u, 0x80000000u}));
    QCOMPARE(bitsToFloat(values.at(2)), -1.5f);
    QVERIFY(decodeReadRegisters(replyOfSize(15, 3), 3, values));   // odd count drops the half
    QCOMPARE(values.size(), 1);
    QVERIFY(acceptWriteRegister(hex("00 02 00 00 00 06 a0 90 00 20 00 02")));
    QVERIFY(!acceptWriteRegister(hex("00 02 00 00 00 06 a0 10 00 20 00 04")));   // count 4
    QVERIFY(!acceptReadBlock(replyOfSize(9, 0xC2)));
    QVERIFY(!acceptReadBlock(replyOfSize(8, 0xC2)));
    QVERIFY(acceptReadBlock(replyOfSize(300, 0x82)));
    QVERIFY(acceptWriteBlock(hex("00 06 00 00 00 05 01 40 00 32 14"), 20));
    QVERIFY(!acceptWriteBlock(hex("00 06 00 00 00 05 01 40 00 32 13"), 20));
    qint32 first = 0, second = 0;
    QVERIFY(decodeReadLimit(hex("00 05 00 00 00 0a 01 41 ff ff ff ff 80 00 00 00"), first, second));
    QCOMPARE(first, -1);
    QCOMPARE(second, qint32(0x80000000u));
}

void TestDriverFrames::framesWithId()
{
    // How many whole frames of identifier 7 the bytes are, and where the last starts.
    const QByteArray write = hex("00 07 00 00 00 06 01 10 00 20 00 02");
    int at = -1;
    QCOMPARE(countFramesWithId(write.repeated(3), 7, &at), 3);
    QCOMPARE(at, 24);
    QCOMPARE(countFramesWithId(hex("00 07 00 00 00 00") + write, 7, &at), 2);
    QCOMPARE(at, 6);
    QCOMPARE(countFramesWithId(write + write.left(11), 7), 0);
    QCOMPARE(countFramesWithId(write + hex("00 08 00 00 00 06 01 10 00 20 00 02"), 7), 0);
    QCOMPARE(countFramesWithId(hex("00 07 00 00 ff ff 01"), 7), 0);
}

void TestDriverFrames::devInfoBlock()
{
    // Six floats from offset 157, least significant byte first; 181 bytes
    // is the least reply that holds them.
    QByteArray reply(181, '\x55');
    float ST_DevInfo::*const fields[6] = {&ST_DevInfo::currentMin, &ST_DevInfo::currentMax,
                                          &ST_DevInfo::voltageMin, &ST_DevInfo::voltageMax,
                                          &ST_DevInfo::powerMin,   &ST_DevInfo::powerMax};
    for (int i = 0; i < 6; ++i)
        for (int b = 0; b < 4; ++b)
            reply[157 + 4 * i + b] = char((floatToBits(1.5f + i) >> (8 * b)) & 0xFF);
    ST_DevInfo info;
    QVERIFY(decodeDevInfoBlock(reply, info));
    for (int i = 0; i < 6; ++i)
        QCOMPARE(info.*fields[i], 1.5f + i);
    ST_DevInfo untouched;
    QVERIFY(!decodeDevInfoBlock(reply.left(180), untouched));
    QCOMPARE(untouched.powerMax, 0.0f);
}

void TestDriverFrames::nameBlock()
{
    const QByteArray head = hex("00 01 00 00 00 05 01 42 14");
    QCOMPARE(decodeNameBlock(head.left(8)), QString());
    QCOMPARE(decodeNameBlock(head + QByteArray("\0AB", 3)), QString());
    QCOMPARE(decodeNameBlock(head + QByteArray("Step_1\0garbage", 14)), QStringLiteral("Step_1"));
    QCOMPARE(decodeNameBlock(head + QByteArray("ABC")), QStringLiteral("ABC"));
}

void TestDriverFrames::deviceRecords()
{
    // Output in bit 0, test function in bits 4-7, alarm in bits 11-15.
    QVERIFY(stateOutputOn(0x0001u) && !stateOutputOn(0xFFFEu));
    QCOMPARE(stateTestFunc(0x4840u), 4);
    QCOMPARE(stateAlarmCode(0x4840u), 9);
    QCOMPARE(stateAlarmCode(0xFFFF870Eu), 16);
    const QStringList alarms{alarmDisplayName(9), alarmDisplayName(16), alarmDisplayName(17)};
    QCOMPARE(alarms, (QStringList{"OVP", "FAULT", "17"}));
    const QStringList funcs{testFuncDisplayName(3), testFuncDisplayName(1), testFuncDisplayName(-1)};
    QCOMPARE(funcs, (QStringList{"SEQ", "", "-1"}));

    // Packed addresses: least significant byte is the first octet.
    QCOMPARE(packedToIpText(0x0A01A8C0u), QStringLiteral("192.168.1.10"));
    quint32 value = 0;
    QVERIFY(ipTextToPacked(QStringLiteral("255.255.255.0"), value));
    QCOMPARE(value, 0x00FFFFFFu);
    for (const char *bad : {"192.168.1", "1.2.3.256", "1..3.4", "1.2.3.+4", " 1.2.3.4", "1.2.3.4294967297"}) {
        value = 12345;
        QVERIFY2(!ipTextToPacked(QString::fromLatin1(bad), value) && value == 12345u, bad);
    }
    QCOMPARE(encodeDeviceText(QStringLiteral("abc_XYZ-09.")), QByteArray("abc_XYZ-09."));
#ifndef Q_OS_WIN
    // Supplies send UTF-8 or GBK.
    QCOMPARE(decodeDeviceText("\xE4\xB8\xAD\xE6\x96\x87"), QString::fromUtf8("中文"));
    QCOMPARE(decodeDeviceText("A\xD6\xD0"), QString::fromUtf8("A中"));
    QCOMPARE(decodeDeviceText(encodeDeviceText(QString::fromUtf8("序列一"))), QString::fromUtf8("序列一"));
#endif
}

QTEST_MAIN(TestDriverFrames)
#include "tst_driver_frames.moc"
