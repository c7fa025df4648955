// Request frames, reply acceptance and decoding of the Modbus link, and the
// CRC, as pure functions over bytes.

#include "modbusdriver.h"
#include "modbusframes.h"

#include <QtTest>

using namespace ModbusFrames;

namespace {

QByteArray hex(const char *text)
{
    return QByteArray::fromHex(QByteArray(text).replace(' ', ""));
}

// A reply of the given size: MBAP + function, then filler bytes.
QByteArray replyOfSize(int size, quint8 function = 0x03)
{
    QByteArray reply(size, '\0');
    for (int i = 0; i < size; ++i)
        reply[i] = char(0x20 + i);
    if (size > 7)
        reply[7] = char(function);
    return reply;
}

quint16 bitwiseCrc(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (const char c : bytes) {
        crc ^= quint8(c);
        for (int i = 0; i < 8; ++i)
            crc = (crc & 1) ? quint16((crc >> 1) ^ 0xA001) : quint16(crc >> 1);
    }
    return crc;
}

} // namespace

class TestDriverFrames : public QObject
{
    Q_OBJECT

private slots:
    void crcKnownValues_data();
    void crcKnownValues();
    void crcEveryTableEntry();

    void requests_data();
    void requests();

    void readRegistersReply_data();
    void readRegistersReply();
    void readRegistersDecodesBigEndianValues();

    void writeEcho_data();
    void writeEcho();
    void blockReadReply_data();
    void blockReadReply();
    void limitReply_data();
    void limitReply();
    void blockWriteEcho_data();
    void blockWriteEcho();

    void replyIdentifier();
    void framesWithId_data();
    void framesWithId();
    void floatBits();
    void devInfoBlock();
    void nameBlock_data();
    void nameBlock();
    void hexForTheLog();
};

void TestDriverFrames::crcKnownValues_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("crc");
    QTest::newRow("check string") << QByteArray("123456789") << 0x4B37;
    QTest::newRow("empty") << QByteArray() << 0xFFFF;
    // On the wire as ... C5 CE: low byte first.
    QTest::newRow("status request") << hex("01 03 00 08 00 08") << 0xCEC5;
    QTest::newRow("one register") << hex("01 03 00 00 00 01") << 0x0A84;
}

void TestDriverFrames::crcKnownValues()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, crc);
    QCOMPARE(int(modbusCrc16(bytes.constData(), bytes.size())), crc);
}

void TestDriverFrames::crcEveryTableEntry()
{
    // Each byte value alone, then after a non-trivial prefix, reaches every
    // entry of both tables.
    for (int b = 0; b < 256; ++b) {
        const QByteArray one(1, char(b));
        QCOMPARE(modbusCrc16(one.constData(), 1), bitwiseCrc(one));
        const QByteArray two = QByteArray("\x5A\xC3", 2) + one;
        QCOMPARE(modbusCrc16(two.constData(), two.size()), bitwiseCrc(two));
    }
    // Only length bytes count.
    const QByteArray longer("123456789xyz");
    QCOMPARE(int(modbusCrc16(longer.constData(), 9)), 0x4B37);
}

void TestDriverFrames::requests_data()
{
    QTest::addColumn<QByteArray>("frame");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("read status") << buildReadRegisters(1, 8, 8)
                                 << hex("00 01 00 00 00 06 01 03 00 08 00 08");
    QTest::newRow("read high id and address") << buildReadRegisters(0xFFFF, 0x1234, 32)
                                              << hex("ff ff 00 00 00 06 01 03 12 34 00 20");
    QTest::newRow("int write, unit A0")
        << buildWriteRegister(2, UnitIntegerWrite, 32, 1)
        << hex("00 02 00 00 00 0b a0 10 00 20 00 02 04 00 00 00 01");
    QTest::newRow("negative int write")
        << buildWriteRegister(0x0102, UnitIntegerWrite, 242, quint32(qint32(-2)))
        << hex("01 02 00 00 00 0b a0 10 00 f2 00 02 04 ff ff ff fe");
    QTest::newRow("float write, unit 01")
        << buildWriteRegister(3, UnitDefault, 82, floatToBits(12.5f))
        << hex("00 03 00 00 00 0b 01 10 00 52 00 02 04 41 48 00 00");
    QTest::newRow("block read") << buildReadBlock(4, 254) << hex("00 04 00 00 00 04 01 42 00 fe");
    QTest::newRow("limit read") << buildReadLimit(5, 208) << hex("00 05 00 00 00 04 01 41 00 d0");
    QTest::newRow("block write")
        << buildWriteBlock(6, 50, QByteArray("AB\0", 3))
        << hex("00 06 00 00 00 08 01 40 00 32 03 41 42 00");
    QTest::newRow("empty block write") << buildWriteBlock(7, 51, QByteArray())
                                       << hex("00 07 00 00 00 05 01 40 00 33 00");
}

void TestDriverFrames::requests()
{
    QFETCH(QByteArray, frame);
    QFETCH(QByteArray, expected);
    QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TestDriverFrames::readRegistersReply_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("values");

    QTest::newRow("8 registers, 25 bytes") << 8 << 25 << true << 4;
    QTest::newRow("8 registers, 24 bytes") << 8 << 24 << false << 0;
    QTest::newRow("8 registers, 26 bytes") << 8 << 26 << false << 0;
    QTest::newRow("8 registers, nothing") << 8 << 0 << false << 0;
    QTest::newRow("2 registers") << 2 << 13 << true << 1;
    QTest::newRow("32 registers") << 32 << 73 << true << 16;
    QTest::newRow("odd count drops the half value") << 3 << 15 << true << 1;
    QTest::newRow("no registers") << 0 << 9 << true << 0;
    QTest::newRow("header only for 2") << 2 << 9 << false << 0;
}

void TestDriverFrames::readRegistersReply()
{
    QFETCH(int, count);
    QFETCH(int, size);
    QFETCH(bool, accepted);
    QFETCH(int, values);

    QVector<quint32> decoded{0xDEAD};
    QCOMPARE(decodeReadRegisters(replyOfSize(size), quint16(count), decoded), accepted);
    if (accepted)
        QCOMPARE(decoded.size(), values);
    else
        QCOMPARE(decoded, QVector<quint32>{0xDEAD});
}

void TestDriverFrames::readRegistersDecodesBigEndianValues()
{
    // Function byte and byte count are not checked: only the length counts.
    const QByteArray reply = hex("12 34 00 00 00 13 01 83 7f 00 00 00 01 41 48 00 00 bf c0 00 00 "
                                 "80 00 00 00");
    QVector<quint32> values;
    QVERIFY(decodeReadRegisters(reply, 8, values));
    QCOMPARE(values, (QVector<quint32>{1u, 0x41480000u, 0xBFC00000u, 0x80000000u}));
    QCOMPARE(bitsToFloat(values.at(1)), 12.5f);
    QCOMPARE(bitsToFloat(values.at(2)), -1.5f);
}

void TestDriverFrames::writeEcho_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("proper echo") << hex("00 02 00 00 00 06 a0 10 00 20 00 02") << true;
    QTest::newRow("any function byte") << hex("00 02 00 00 00 06 a0 03 00 20 00 02") << true;
    QTest::newRow("exception function byte") << hex("00 02 00 00 00 06 a0 90 00 20 00 02") << true;
    QTest::newRow("other address echoed") << hex("00 09 00 00 00 06 01 10 01 00 00 02") << true;
    QTest::newRow("count 4") << hex("00 02 00 00 00 06 a0 10 00 20 00 04") << false;
    QTest::newRow("high byte only") << hex("00 02 00 00 00 06 a0 10 00 20 02 00") << false;
    QTest::newRow("11 bytes") << hex("00 02 00 00 00 05 a0 10 00 20 00") << false;
    QTest::newRow("13 bytes") << hex("00 02 00 00 00 07 a0 10 00 20 00 02 00") << false;
    QTest::newRow("exception reply") << hex("00 02 00 00 00 03 a0 90 04") << false;
}

void TestDriverFrames::writeEcho()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QCOMPARE(acceptWriteRegister(reply), accepted);
}

void TestDriverFrames::blockReadReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("7 bytes") << replyOfSize(7) << false;
    QTest::newRow("8 bytes") << replyOfSize(8, 0x42) << true;
    QTest::newRow("refusal") << replyOfSize(9, 0xC2) << false;
    QTest::newRow("refusal, 8 bytes") << replyOfSize(8, 0xC2) << false;
    QTest::newRow("other function byte") << replyOfSize(30, 0x03) << true;
    QTest::newRow("exception of 0x42 is not 0xC2") << replyOfSize(9, 0x82) << true;
    QTest::newRow("long block") << replyOfSize(300, 0x42) << true;
}

void TestDriverFrames::blockReadReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QCOMPARE(acceptReadBlock(reply), accepted);
}

void TestDriverFrames::limitReply_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("second");
    QTest::newRow("pair") << hex("00 05 00 00 00 0a 01 41 00 00 00 01 00 00 00 0a") << true << 1
                          << 10;
    QTest::newRow("negative") << hex("00 05 00 00 00 0a 01 41 ff ff ff ff 80 00 00 00") << true
                              << -1 << int(0x80000000u);
    QTest::newRow("15 bytes") << hex("00 05 00 00 00 09 01 41 00 00 00 01 00 00 00") << false
                              << 7 << 7;
    QTest::newRow("17 bytes") << hex("00 05 00 00 00 0b 01 41 00 00 00 01 00 00 00 0a 00") << false
                              << 7 << 7;
}

void TestDriverFrames::limitReply()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, accepted);
    QFETCH(int, first);
    QFETCH(int, second);
    qint32 a = 7;
    qint32 b = 7;
    QCOMPARE(decodeReadLimit(reply, a, b), accepted);
    QCOMPARE(a, first);
    QCOMPARE(b, second);
}

void TestDriverFrames::blockWriteEcho_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("echo of 20") << hex("00 06 00 00 00 05 01 40 00 32 14") << 20 << true;
    QTest::newRow("echo of 0") << hex("00 06 00 00 00 05 01 40 00 32 00") << 0 << true;
    QTest::newRow("wrong length") << hex("00 06 00 00 00 05 01 40 00 32 13") << 20 << false;
    QTest::newRow("10 bytes") << hex("00 06 00 00 00 04 01 40 00 32") << 20 << false;
    QTest::newRow("12 bytes") << hex("00 06 00 00 00 06 01 40 00 32 14 00") << 20 << false;
}

void TestDriverFrames::blockWriteEcho()
{
    QFETCH(QByteArray, reply);
    QFETCH(int, length);
    QFETCH(bool, accepted);
    QCOMPARE(acceptWriteBlock(reply, length), accepted);
}

void TestDriverFrames::replyIdentifier()
{
    quint16 id = 99;
    QVERIFY(!replyTransactionId(QByteArray(), id));
    QVERIFY(!replyTransactionId(hex("ab"), id));
    QCOMPARE(id, quint16(99));
    QVERIFY(replyTransactionId(hex("ab cd"), id));
    QCOMPARE(id, quint16(0xABCD));
}

void TestDriverFrames::framesWithId_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("lastAt");
    const QByteArray write = hex("00 07 00 00 00 06 01 10 00 20 00 02");   // 12 bytes
    QTest::newRow("one") << write << 1 << 0;
    QTest::newRow("three") << write + write + write << 3 << 24;
    QTest::newRow("header only") << hex("00 07 00 00 00 00") + write << 2 << 6;
    QTest::newRow("last cut short") << write + write.left(11) << 0 << -1;
    QTest::newRow("other id after") << write + hex("00 08 00 00 00 06 01 10 00 20 00 02") << 0 << -1;
    QTest::newRow("length past the end") << hex("00 07 00 00 ff ff 01") << 0 << -1;
    QTest::newRow("short header") << hex("00 07 00 00 00") << 0 << -1;
    QTest::newRow("empty") << QByteArray() << 0 << -1;
}

void TestDriverFrames::framesWithId()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, frames);
    QFETCH(int, lastAt);
    int at = -1;
    QCOMPARE(countFramesWithId(bytes, 7, &at), frames);
    if (frames > 0)
        QCOMPARE(at, lastAt);
}

void TestDriverFrames::floatBits()
{
    for (const float f : {0.0f, -0.0f, 1.0f, 12.5f, -1.5f, 3.4e38f, 1e-40f}) {
        QCOMPARE(bitsToFloat(floatToBits(f)), f);
    }
    QCOMPARE(floatToBits(1.0f), 0x3F800000u);
    QVERIFY(qIsNaN(bitsToFloat(0x7FC00000u)));
}

void TestDriverFrames::devInfoBlock()
{
    QByteArray reply(181, '\x55');
    const float fields[6] = {0.5f, 20.0f, 1.0f, 60.0f, 2.0f, 1200.0f};
    for (int i = 0; i < 6; ++i) {
        const quint32 bits = floatToBits(fields[i]);
        for (int b = 0; b < 4; ++b)
            reply[157 + 4 * i + b] = char((bits >> (8 * b)) & 0xFF);   // least significant first
    }
    ST_DevInfo info;
    info.listFileCount = 10;
    info.listStepMax = 100;
    QVERIFY(decodeDevInfoBlock(reply, info));
    QCOMPARE(info.currentMin, 0.5f);
    QCOMPARE(info.currentMax, 20.0f);
    QCOMPARE(info.voltageMin, 1.0f);
    QCOMPARE(info.voltageMax, 60.0f);
    QCOMPARE(info.powerMin, 2.0f);
    QCOMPARE(info.powerMax, 1200.0f);
    QCOMPARE(info.listFileCount, 10u);
    QCOMPARE(info.listStepMax, 100u);

    ST_DevInfo untouched;
    QVERIFY(!decodeDevInfoBlock(reply.left(180), untouched));
    QCOMPARE(untouched.powerMax, 0.0f);
    QVERIFY(!decodeDevInfoBlock(QByteArray(), untouched));
}

void TestDriverFrames::nameBlock_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("name");
    const QByteArray head = hex("00 01 00 00 00 05 01 42 14");
    QTest::newRow("8 bytes") << head.left(8) << QString();
    QTest::newRow("9 bytes") << head << QString();
    QTest::newRow("nul first") << head + QByteArray("\0AB", 3) << QString();
    QTest::newRow("up to nul") << head + QByteArray("Step_1\0garbage", 14) << QStringLiteral("Step_1");
    QTest::newRow("no nul") << head + QByteArray("ABC") << QStringLiteral("ABC");
    QTest::newRow("19 characters") << head + QByteArray("abcdefghijklmnopqrs\0", 20)
                                   << QStringLiteral("abcdefghijklmnopqrs");
}

void TestDriverFrames::nameBlock()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, name);
    QCOMPARE(decodeNameBlock(reply), name);
}

void TestDriverFrames::hexForTheLog()
{
    QCOMPARE(hexText(hex("0a ff 00 7B")), QStringLiteral("0a ff 00 7b"));
    QCOMPARE(hexText(hex("c2")), QStringLiteral("c2"));
    QCOMPARE(hexText(QByteArray()), QString());
}

QTEST_MAIN(TestDriverFrames)
#include "tst_driver_frames.moc"
