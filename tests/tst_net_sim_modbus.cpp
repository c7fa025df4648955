// The simulated supply's Modbus TCP side, driven by a raw client: frame
// formats, MBAP framing, the register map, list files and names.

#include "simrawclient.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QtTest>

#include <memory>

using namespace rawclient;
using klvsim::SimSupply;
using klvsim::SupplyConfig;

class TestSimModbus : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void readOfEightRegistersIsTwentyFiveBytes();
    void statusWordCarriesOutputFunctionAndAlarm_data();
    void statusWordCarriesOutputFunctionAndAlarm();
    void oneValueWriteIsEchoedInTwelveBytes_data();
    void oneValueWriteIsEchoedInTwelveBytes();
    void limitPairsKeepTheirOrder();
    void deviceInformationCarriesTheLimits();
    void blockWriteAndReadOfSeveralValues();
    void groupsActOnlyAfterCommit();
    void listFileStoredAndReadBackThroughSelectors();
    void listFileNamesAreWrittenAndRead();
    void requestsAreFramedByTheLengthField();
    void refusedRequests_data();
    void refusedRequests();
    void outputAndAlarmRegisters();

private:
    TempWorkDir workDir;
    std::unique_ptr<SimSupply> sim;
    Tcp client;
};

void TestSimModbus::init()
{
    SupplyConfig cfg;
    cfg.voltageMin = 0.5f;
    cfg.voltageMax = 60;
    cfg.currentMin = 0.1f;
    cfg.currentMax = 20;
    cfg.powerMin = 5;
    cfg.powerMax = 1200;
    cfg.noise = 0;
    sim = std::make_unique<SimSupply>(cfg);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
    client.socket.abort();
    QVERIFY(client.open(QStringLiteral("127.0.0.11")));
}

void TestSimModbus::cleanup()
{
    client.socket.abort();
    sim.reset();
}

void TestSimModbus::readOfEightRegistersIsTwentyFiveBytes()
{
    sim->setFloatValue(10, 12.5f);
    sim->setFloatValue(12, 1.25f);
    sim->setFloatValue(14, 15.625f);
    const QByteArray reply = client.transact(readRequest(0x1234, 8, 8), 25);
    QCOMPARE(reply.size(), 25);
    QCOMPARE(reply.left(9), hex("1234 0000 0013 01 03 10"));
    QCOMPARE(at32(reply, 9), 0u);
    QCOMPARE(reply.mid(13, 4), hex("41480000"));
    QCOMPARE(bitsFloat(at32(reply, 17)), 1.25f);
    QCOMPARE(bitsFloat(at32(reply, 21)), 15.625f);
    // An odd count returns exactly 2 × count bytes.
    QCOMPARE(client.transact(readRequest(2, 10, 3), 15).size(), 15);
}

void TestSimModbus::statusWordCarriesOutputFunctionAndAlarm_data()
{
    QTest::addColumn<bool>("output");
    QTest::addColumn<int>("func");
    QTest::addColumn<int>("alarm");
    QTest::addColumn<quint32>("word");
    QTest::newRow("on, VI") << true << 0 << 0 << 0x0001u;
    QTest::newRow("on, SEQ") << true << 3 << 0 << 0x0031u;
    QTest::newRow("off, CHAR, OC") << false << 4 << 3 << 0x1840u;
    QTest::newRow("alarm 16") << false << 0 << 16 << 0x8000u;
    QTest::newRow("alarm 31, code 15") << false << 15 << 31 << 0xF8F0u;
}

void TestSimModbus::statusWordCarriesOutputFunctionAndAlarm()
{
    QFETCH(bool, output);
    QFETCH(int, func);
    QFETCH(int, alarm);
    QFETCH(quint32, word);
    if (func == 0 || func == 3 || func == 4)
        QCOMPARE(client.transact(writeRequest(1, 0xA0, 28, {quint32(func)}), 12).size(), 12);
    else
        sim->setReportedTestFunc(func);
    sim->panelSetOutput(output);
    sim->raiseAlarm(alarm);
    const QByteArray reply = client.transact(readRequest(3, 8, 2), 13);
    QCOMPARE(reply.size(), 13);
    QCOMPARE(at32(reply, 9), word);
    QCOMPARE(sim->value(8), word);
}

void TestSimModbus::oneValueWriteIsEchoedInTwelveBytes_data()
{
    QTest::addColumn<int>("unit");
    QTest::addColumn<int>("reg");
    QTest::addColumn<quint32>("value");
    QTest::newRow("float 82, unit 0x01") << 0x01 << 82 << floatBits(24.5f);
    QTest::newRow("int 96, unit 0xA0") << 0xA0 << 96 << 1u;
    QTest::newRow("packed ip 172") << 0xA0 << 172 << 0x0A01A8C0u;
}

void TestSimModbus::oneValueWriteIsEchoedInTwelveBytes()
{
    QFETCH(int, unit);
    QFETCH(int, reg);
    QFETCH(quint32, value);
    const QByteArray request = writeRequest(0x0102, quint8(unit), quint16(reg), {value});
    QCOMPARE(request.size(), 17);
    const QByteArray reply = client.transact(request, 12);
    QCOMPARE(reply, hex("0102 0000 0006") + char(unit) + char(0x10) + be16(quint16(reg)) + be16(2));
    QCOMPARE(sim->value(quint16(reg)), value);
    QCOMPARE(sim->modbusRequests().value(0), request);
}

void TestSimModbus::limitPairsKeepTheirOrder()
{
    QByteArray reply = client.transact(limitRequest(7, 208), 16);
    QCOMPARE(reply.size(), 16);
    QCOMPARE(reply.left(8), hex("0007 0000 000a 01 41"));
    QVERIFY(at32(reply, 8) != at32(reply, 12));
    QCOMPARE(at32(reply, 12), quint32(sim->config().listFileCount));
    reply = client.transact(limitRequest(8, 210), 16);
    QCOMPARE(reply.size(), 16);
    QVERIFY(at32(reply, 8) != at32(reply, 12));
    QCOMPARE(at32(reply, 12), quint32(sim->config().listStepMax));
}

void TestSimModbus::deviceInformationCarriesTheLimits()
{
    const QByteArray reply = client.transact(blockRead(9, 254), 181);
    QVERIFY(reply.size() >= 181);
    QCOMPARE(reply.left(8), be16(9) + be16(0) + be16(quint16(reply.size() - 6)) + char(1) + char(0x42));
    const float expected[] = {0.1f, 20, 0.5f, 60, 5, 1200};   // current, voltage, power: min, max
    for (int k = 0; k < 6; ++k) {
        const quint32 bits = qFromLittleEndian<quint32>(reply.constData() + 157 + 4 * k);
        QCOMPARE(bitsFloat(bits), expected[k]);
    }
}

void TestSimModbus::blockWriteAndReadOfSeveralValues()
{
    const QList<quint32> values = {floatBits(50), floatBits(10), floatBits(500), floatBits(2)};
    QCOMPARE(client.transact(writeRequest(4, 0x01, 122, values), 12), hex("0004 0000 0006 01 10 007a 0008"));
    const QByteArray reply = client.transact(readRequest(5, 122, 8), 25);
    QCOMPARE(reply.size(), 25);
    for (int k = 0; k < 4; ++k)
        QCOMPARE(at32(reply, 9 + 4 * k), values[k]);
    // The connection block is read whole, 32 registers.
    QCOMPARE(client.transact(readRequest(6, 172, 32), 73).size(), 73);
}

void TestSimModbus::groupsActOnlyAfterCommit()
{
    const float before = sim->committedFloatValue(82);
    sim->panelSetOutput(true);
    QCOMPARE(sim->floatValue(10), before);
    client.transact(writeRequest(1, 0x01, 82, {floatBits(15)}), 12);
    client.transact(writeRequest(2, 0x01, 236, {floatBits(13)}), 12);
    client.transact(writeRequest(3, 0xA0, 228, {4}), 12);
    QCOMPARE(sim->floatValue(82), 15.0f);
    QCOMPARE(sim->committedFloatValue(82), before);
    QCOMPARE(bitsFloat(at32(client.transact(readRequest(9, 10, 2), 13), 9)), before);
    QVERIFY(sim->committedValue(228) != 4u);
    QCOMPARE(sim->commitCount(), 0);
    client.transact(writeRequest(4, 0xA0, 48, {1}), 12);
    QCOMPARE(sim->commitCount(), 1);
    QCOMPARE(sim->committedFloatValue(82), 15.0f);
    QCOMPARE(sim->committedFloatValue(236), 13.0f);
    QCOMPARE(sim->committedValue(228), 4u);
    QCOMPARE(bitsFloat(at32(client.transact(readRequest(10, 10, 2), 13), 9)), 15.0f);
}

void TestSimModbus::listFileStoredAndReadBackThroughSelectors()
{
    quint16 tid = 1;
    auto write = [&](quint16 reg, quint32 v, quint8 unit = 0xA0) {
        const QByteArray reply = client.transact(writeRequest(tid++, unit, reg, {v}), 12);
        QVERIFY2(reply.size() == 12, qPrintable(QString::number(reg)));
    };
    write(208, 3);
    write(210, 2);
    write(212, 5);
    write(214, 4);
    const float steps[2][3] = {{1.5f, 0.5f, 2}, {7.25f, 3, 0.5f}};
    for (int i = 0; i < 2; ++i) {
        write(216, quint32(i + 1));
        write(218, floatBits(steps[i][0]), 0x01);
        write(220, floatBits(steps[i][1]), 0x01);
        write(224, floatBits(steps[i][2]), 0x01);
    }
    write(226, 1);
    QCOMPARE(sim->storeCount(), 1);
    // Unstored edits of another file are dropped when it is selected again.
    write(208, 1);
    write(210, 0);
    write(208, 2);
    write(208, 1);
    QVERIFY(sim->listFile(1).steps.size() > 0);

    write(208, 3);
    QByteArray reply = client.transact(readRequest(tid++, 210, 6), 21);
    QCOMPARE(reply.size(), 21);
    QCOMPARE(at32(reply, 9), 2u);
    QCOMPARE(at32(reply, 13), 5u);
    QCOMPARE(at32(reply, 17), 4u);
    for (int i = 0; i < 2; ++i) {
        write(216, quint32(i + 1));
        reply = client.transact(readRequest(tid++, 218, 8), 25);
        QCOMPARE(reply.size(), 25);
        QCOMPARE(bitsFloat(at32(reply, 9)), steps[i][0]);
        QCOMPARE(bitsFloat(at32(reply, 13)), steps[i][1]);
        QCOMPARE(bitsFloat(at32(reply, 21)), steps[i][2]);
    }
    const klvsim::SimListFile file = sim->listFile(3);
    QCOMPARE(file.steps.size(), 2);
    QCOMPARE(file.cycleTimes, 5);
    QCOMPARE(file.linkListNumber, 4);
    QCOMPARE(file.steps[1].voltage, 7.25f);
}

void TestSimModbus::listFileNamesAreWrittenAndRead()
{
    const QByteArray name = "Charge 12V";
    QByteArray reply = client.transact(blockWrite(1, 49 + 2, name + '\0'), 11);
    QCOMPARE(reply, hex("0001 0000 0005 01 40 0033") + char(name.size() + 1));
    QCOMPARE(sim->listFile(2).name, name);
    reply = client.transact(blockRead(2, 49 + 2), 9 + name.size() + 1);
    QVERIFY(reply.size() >= 8 + name.size());
    QCOMPARE(reply.at(7), char(0x42));
    QCOMPARE(reply.mid(9, name.size() + 1), name + '\0');
    // An unnamed file answers with an empty text.
    reply = client.transact(blockRead(3, 49 + 5), 10);
    QCOMPARE(reply.size(), 10);
    QCOMPARE(reply.at(9), '\0');
}

void TestSimModbus::requestsAreFramedByTheLengthField()
{
    // Two requests in one write: two replies, in order.
    client.send(readRequest(21, 8, 8) + writeRequest(22, 0x01, 84, {floatBits(3)}));
    QByteArray replies = client.receive(25 + 12);
    QCOMPARE(replies.size(), 37);
    QCOMPARE(at16(replies, 0), quint16(21));
    QCOMPARE(at16(replies, 25), quint16(22));
    // One request in three pieces: one reply once it is whole.
    const QByteArray request = writeRequest(23, 0x01, 82, {floatBits(9)});
    client.send(request.left(3));
    QCOMPARE(client.quiet(60), QByteArray());
    client.send(request.mid(3, 8));
    QCOMPARE(client.quiet(60), QByteArray());
    client.send(request.mid(11));
    QCOMPARE(client.receive(12).size(), 12);
    QCOMPARE(sim->floatValue(82), 9.0f);
    QCOMPARE(sim->modbusRequests().size(), 3);
    QCOMPARE(sim->modbusRequests().last(), request);
    // A header that cannot start a frame puts the stream out of step: the link is dropped.
    client.send(hex("0018 0001 0006 01 03 0008 0008"));
    QVERIFY(waitUntil([&] { return client.socket.state() == QAbstractSocket::UnconnectedState; }, 2000));
    QCOMPARE(sim->modbusRequests().size(), 3);
}

void TestSimModbus::refusedRequests_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("reply");
    QTest::newRow("unknown function") << mbap(1, 1, hex("07 0000")) << hex("0001 0000 0003 01 87 01");
    QTest::newRow("write read-only voltage") << writeRequest(2, 1, 10, {1}) << hex("0002 0000 0003 01 90 02");
    QTest::newRow("write unknown register") << writeRequest(3, 1, 60, {1}) << hex("0003 0000 0003 01 90 02");
    QTest::newRow("voltage above max") << writeRequest(4, 1, 82, {floatBits(61)}) << hex("0004 0000 0003 01 90 03");
    QTest::newRow("list file 0") << writeRequest(5, 0xA0, 208, {0}) << hex("0005 0000 0003 a0 90 03");
    QTest::newRow("list file past count") << writeRequest(6, 0xA0, 208, {11}) << hex("0006 0000 0003 a0 90 03");
    QTest::newRow("test function 2") << writeRequest(7, 0xA0, 28, {2}) << hex("0007 0000 0003 a0 90 03");
    QTest::newRow("no limits for 28") << limitRequest(8, 28) << hex("0008 0000 0003 01 c1 02");
    QTest::newRow("block 300") << blockRead(9, 300) << hex("0009 0000 0003 01 c2 02");
    QTest::newRow("name too long") << blockWrite(10, 50, QByteArray(41, 'x')) << hex("000a 0000 0003 01 c0 03");
    QTest::newRow("unit 2") << mbap(11, 2, hex("03 0008 0002")) << hex("000b 0000 0003 02 83 0b");
}

void TestSimModbus::refusedRequests()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, reply);
    const float setVoltage = sim->floatValue(82);
    QCOMPARE(client.transact(request, reply.size()), reply);
    QCOMPARE(sim->floatValue(82), setVoltage);
    QCOMPARE(sim->value(208), 1u);
}

void TestSimModbus::outputAndAlarmRegisters()
{
    client.transact(writeRequest(1, 0xA0, 32, {1}), 12);
    QVERIFY(sim->outputOn());
    sim->raiseAlarm(9);
    QVERIFY(!sim->outputOn());
    // With an alarm raised the output stays off.
    client.transact(writeRequest(2, 0xA0, 32, {1}), 12);
    QVERIFY(!sim->outputOn());
    client.transact(writeRequest(3, 0xA0, 42, {1}), 12);
    QCOMPARE(sim->alarmCode(), 0);
    client.transact(writeRequest(4, 0xA0, 32, {1}), 12);
    QVERIFY(sim->outputOn());
    client.transact(writeRequest(5, 0xA0, 32, {0}), 12);
    QVERIFY(!sim->outputOn());
}

QTEST_GUILESS_MAIN(TestSimModbus)
#include "tst_net_sim_modbus.moc"
