// Every supply operation against the simulated supply: the requests on the
// wire in their exact order, the values both ways, what a failure leaves
// behind, and the list files. A raw peer supplies the garbage counts.

#include "devdriver_klv2400.h"
#include "drivertestpeer.h"
#include "modbusframes.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QElapsedTimer>
#include <QtTest>

using klvsim::FaultKind;
using klvsim::FaultRule;
using namespace drivertest;

namespace {

const QHostAddress supplyAddress(QStringLiteral("127.0.0.11"));
const QHostAddress peerAddress(QStringLiteral("127.0.0.12"));

FaultRule fault(FaultKind kind, int function, int address, int remaining = 1)
{
    FaultRule rule;
    rule.kind = kind;
    rule.function = function;
    rule.address = address;
    rule.remaining = remaining;
    return rule;
}

quint32 be32(const QByteArray &b, int at)
{
    return quint32(quint8(b.at(at))) << 24 | quint32(quint8(b.at(at + 1))) << 16
           | quint32(quint8(b.at(at + 2))) << 8 | quint32(quint8(b.at(at + 3)));
}

// One request in short: "R82x4" read, "I32=1" integer write (unit A0),
// "F82=12.5" float write (unit 01), "B254" block read, "L208" limit read,
// "N51:414200" block write. "BAD" when the header does not add up.
QString describe(const QByteArray &f)
{
    if (f.size() < 10 || f.at(2) != 0 || f.at(3) != 0
        || (quint8(f.at(4)) << 8 | quint8(f.at(5))) != f.size() - 6)
        return QStringLiteral("BAD");
    const int unit = quint8(f.at(6));
    const int function = quint8(f.at(7));
    const int address = quint8(f.at(8)) << 8 | quint8(f.at(9));
    switch (function) {
    case 0x03:
        if (unit == 0x01 && f.size() == 12)
            return QStringLiteral("R%1x%2").arg(address).arg(quint8(f.at(10)) << 8 | quint8(f.at(11)));
        break;
    case 0x10:
        if (f.size() != 17 || f.at(10) != 0 || f.at(11) != 2 || f.at(12) != 4)
            break;
        if (unit == 0xA0)
            return QStringLiteral("I%1=%2").arg(address).arg(qint32(be32(f, 13)));
        if (unit == 0x01)
            return QStringLiteral("F%1=%2").arg(address).arg(double(ModbusFrames::bitsToFloat(be32(f, 13))));
        break;
    case 0x42:
        if (unit == 0x01 && f.size() == 10)
            return QStringLiteral("B%1").arg(address);
        break;
    case 0x41:
        if (unit == 0x01 && f.size() == 10)
            return QStringLiteral("L%1").arg(address);
        break;
    case 0x40:
        if (unit == 0x01 && f.size() >= 11 && quint8(f.at(10)) == f.size() - 11)
            return QStringLiteral("N%1:%2").arg(address).arg(QString::fromLatin1(f.mid(11).toHex()));
        break;
    }
    return QStringLiteral("BAD");
}

QStringList describeAll(const QList<QByteArray> &frames)
{
    QStringList out;
    for (const QByteArray &f : frames)
        out << describe(f);
    return out;
}

klvsim::SimListFile simFile(const QByteArray &name, int cycles, int link, int steps)
{
    klvsim::SimListFile file;
    file.name = name;
    file.cycleTimes = cycles;
    file.linkListNumber = link;
    for (int i = 0; i < steps; ++i)
        file.steps.append({float(i + 1), 0.5f * float(i + 1), 0.25f + float(i)});
    return file;
}

} // namespace

class TestNetDriverOps : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void requestsOnTheWire_data();
    void requestsOnTheWire();
    void valuesRoundTrip();
    void viWriteAttemptsEveryStep();
    void charWriteAttemptsEveryStep();
    void groupWritesStopAtFirstFailure_data();
    void groupWritesStopAtFirstFailure();
    void readSystemParamNeedsAllFourReads();
    void testFuncStoredBeforeWrite();
    void devInfoFromBlockAndLimitPairs();
    void devInfoFailures();
    void listFileRoundTrip();
    void listFileWithoutSteps();
    void listFileNameRefusedOrUnreadable();
    void listFileStepFailureKeepsStepsRead();
    void garbageCounts_data();
    void garbageCounts();
    void linkDownPausesAndFails();

private:
    TempWorkDir workDir;
    klvsim::SimSupply *sim = nullptr;
    DevDriver_KLV2400 *driver = nullptr;
};

void TestNetDriverOps::initTestCase()
{
    klvsim::SupplyConfig config;
    config.address = supplyAddress;
    sim = new klvsim::SimSupply(config, this);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
}

void TestNetDriverOps::init()
{
    sim->clearFaults();
    driver = new DevDriver_KLV2400(this);
    driver->initTransport();
    QVERIFY(driver->connectDevice(supplyAddress.toString(), 502));
    sim->clearRecords();
}

void TestNetDriverOps::cleanup()
{
    driver->disconnectDevice(true);
    delete driver;
    driver = nullptr;
    sim->clearFaults();
}

void TestNetDriverOps::requestsOnTheWire_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<QStringList>("requests");

    QTest::newRow("setOutput on") << "setOutput1" << QStringList{"I32=1"};
    QTest::newRow("setOutput off") << "setOutput0" << QStringList{"I32=0"};
    QTest::newRow("clearAlarm") << "clearAlarm" << QStringList{"I42=1"};
    QTest::newRow("readTestFunc") << "readTestFunc" << QStringList{"R28x2"};
    QTest::newRow("setTestFunc") << "setTestFunc" << QStringList{"I28=4"};
    QTest::newRow("readVIParam") << "readVIParam" << QStringList{"R82x4"};
    QTest::newRow("writeVIParam") << "writeVIParam" << QStringList{"F82=12.5", "F84=2.25", "I48=1"};
    QTest::newRow("readCHARParam") << "readCHARParam" << QStringList{"R232x12"};
    QTest::newRow("writeCHARParam")
        << "writeCHARParam"
        << QStringList{"F232=14.5", "F234=3", "F236=14", "F238=0.5", "F240=10", "I242=3600", "I48=1"};
    QTest::newRow("readSEQFileNumber") << "readSEQFileNumber" << QStringList{"R228x2"};
    QTest::newRow("setSEQFileNumber") << "setSEQFileNumber" << QStringList{"I228=2", "I48=1"};
    QTest::newRow("readDevInfo") << "readDevInfo" << QStringList{"B254", "L208", "L210"};
    QTest::newRow("readSystemParam") << "readSystemParam"
                                     << QStringList{"R96x2", "R122x8", "R166x4", "R204x4"};
    QTest::newRow("writeSystemParam")
        << "writeSystemParam"
        << QStringList{"I96=1",  "F122=55", "F124=18", "F126=1000", "F128=1",
                       "I166=5", "I168=1",  "I204=30", "I206=0",    "I48=1"};
    QTest::newRow("readConnectParam") << "readConnectParam" << QStringList{"R172x32"};
    QTest::newRow("writeConnectParam")
        << "writeConnectParam"
        << QStringList{"I172=" + QString::number(qint32(0x0A01A8C0)), "I174=16777215",
                       "I176=" + QString::number(qint32(0x0101A8C0)), "I188=0", "I190=4",
                       "I198=2", "I200=1", "I202=7", "I48=1"};
    QTest::newRow("readListFile")
        << "readListFile"
        << QStringList{"B51", "I208=2", "R210x6", "I216=1", "R218x8", "I216=2", "R218x8"};
    QTest::newRow("writeListFile")
        << "writeListFile"
        << QStringList{"I208=3",   "I210=2",    "I212=4",   "I214=1",     "I216=1",
                       "F218=10",  "F220=1.5",  "F224=2",   "I216=2",     "F218=20",
                       "F220=2.5", "F224=0.75", "I226=1",   "N52:53657100"};
}

void TestNetDriverOps::requestsOnTheWire()
{
    QFETCH(QString, operation);
    QFETCH(QStringList, requests);

    sim->setListFile(2, simFile("Two", 1, 0, 2));
    sim->clearRecords();
    bool ok = false;
    float v = 0, c = 0;
    int n = 0;
    if (operation == "setOutput1") {
        ok = driver->setOutput(true);
    } else if (operation == "setOutput0") {
        ok = driver->setOutput(false);
    } else if (operation == "clearAlarm") {
        ok = driver->clearAlarm();
    } else if (operation == "readTestFunc") {
        ok = driver->readTestFunc(n);
    } else if (operation == "setTestFunc") {
        ok = driver->setTestFunc(4);
    } else if (operation == "readVIParam") {
        ok = driver->readVIParam(v, c);
    } else if (operation == "writeVIParam") {
        ok = driver->writeVIParam(12.5f, 2.25f);
    } else if (operation == "readCHARParam") {
        ST_CharParam p;
        ok = driver->readCHARParam(p);
    } else if (operation == "writeCHARParam") {
        ST_CharParam p;
        p.chargVol = 14.5f;
        p.chargCur = 3;
        p.chargStopVol = 14;
        p.chargStopCur = 0.5f;
        p.chargStopQua = 10;
        p.chargStopTime = 3600;
        ok = driver->writeCHARParam(p);
    } else if (operation == "readSEQFileNumber") {
        ok = driver->readSEQFileNumber(n);
    } else if (operation == "setSEQFileNumber") {
        ok = driver->setSEQFileNumber(2);
    } else if (operation == "readDevInfo") {
        ST_DevInfo info;
        ok = driver->readDevInfo(info);
    } else if (operation == "readSystemParam") {
        ST_SystemParam p;
        ok = driver->readSystemParam(p);
    } else if (operation == "writeSystemParam") {
        ST_SystemParam p;
        p.priority = 1;
        p.overVol = 55;
        p.overCul = 18;
        p.overPow = 1000;
        p.lowVol = 1;
        p.stopDelayTime = 5;
        p.powerOffSave = true;
        p.watchDog = 30;
        p.keyboardSound = false;
        ok = driver->writeSystemParam(p);
    } else if (operation == "readConnectParam") {
        ST_ConnectParam p;
        ok = driver->readConnectParam(p);
    } else if (operation == "writeConnectParam") {
        ST_ConnectParam p;
        p.ipAddr = 0x0A01A8C0;
        p.mask = 0x00FFFFFF;
        p.gateway = 0x0101A8C0;
        p.dynamicIPState = false;
        p.baudrate = 4;
        p.serialPortCheck = 2;
        p.protocol = 1;
        p.devAddr = 7;
        ok = driver->writeConnectParam(p);
    } else if (operation == "readListFile") {
        ST_ListFile file;
        ok = driver->readListFile(2, file);
    } else if (operation == "writeListFile") {
        ST_ListFile file;
        file.fileName = QStringLiteral("Seq");
        file.cycleTimes = 4;
        file.linkListNumber = 1;
        file.steps = {{10, 1.5f, 2}, {20, 2.5f, 0.75f}};
        bool named = false;
        ok = driver->writeListFile(3, file, named);
        QVERIFY(named);
    }
    QVERIFY(ok);
    QCOMPARE(describeAll(sim->modbusRequests()), requests);
}

void TestNetDriverOps::valuesRoundTrip()
{
    QVERIFY(driver->writeVIParam(24.5f, 3.75f));
    float v = 0, c = 0;
    QVERIFY(driver->readVIParam(v, c));
    QCOMPARE(v, 24.5f);
    QCOMPARE(c, 3.75f);

    ST_CharParam ch;
    ch.chargVol = 14.4f;
    ch.chargCur = 2.5f;
    ch.chargStopVol = 13.8f;
    ch.chargStopCur = 0.25f;
    ch.chargStopQua = 12.5f;
    ch.chargStopTime = 7200;
    QVERIFY(driver->writeCHARParam(ch));
    ST_CharParam chBack;
    QVERIFY(driver->readCHARParam(chBack));
    QCOMPARE(chBack.chargVol, ch.chargVol);
    QCOMPARE(chBack.chargCur, ch.chargCur);
    QCOMPARE(chBack.chargStopVol, ch.chargStopVol);
    QCOMPARE(chBack.chargStopCur, ch.chargStopCur);
    QCOMPARE(chBack.chargStopQua, ch.chargStopQua);
    QCOMPARE(chBack.chargStopTime, 7200);

    ST_SystemParam sp;
    sp.priority = 1;
    sp.overVol = 58.5f;
    sp.overCul = 19.5f;
    sp.overPow = 1100;
    sp.lowVol = 2;
    sp.stopDelayTime = 9;
    sp.powerOffSave = true;
    sp.watchDog = 12;
    sp.keyboardSound = true;
    QVERIFY(driver->writeSystemParam(sp));
    ST_SystemParam spBack;
    QVERIFY(driver->readSystemParam(spBack));
    QCOMPARE(spBack.priority, 1);
    QCOMPARE(spBack.overVol, 58.5f);
    QCOMPARE(spBack.overCul, 19.5f);
    QCOMPARE(spBack.overPow, 1100.0f);
    QCOMPARE(spBack.lowVol, 2.0f);
    QCOMPARE(spBack.stopDelayTime, 9);
    QVERIFY(spBack.powerOffSave);
    QCOMPARE(spBack.watchDog, 12);
    QVERIFY(spBack.keyboardSound);

    // Connection settings: packed addresses and the codes spread over the block.
    ST_ConnectParam cp;
    QVERIFY(ipTextToPacked(QStringLiteral("192.168.1.10"), cp.ipAddr));
    QVERIFY(ipTextToPacked(QStringLiteral("255.255.255.0"), cp.mask));
    QVERIFY(ipTextToPacked(QStringLiteral("192.168.1.1"), cp.gateway));
    cp.dynamicIPState = true;
    cp.baudrate = 3;
    cp.serialPortCheck = 1;
    cp.protocol = 1;
    cp.devAddr = 9;
    QVERIFY(driver->writeConnectParam(cp));
    ST_ConnectParam cpBack;
    QVERIFY(driver->readConnectParam(cpBack));
    QCOMPARE(packedToIpText(cpBack.ipAddr), QStringLiteral("192.168.1.10"));
    QCOMPARE(packedToIpText(cpBack.mask), QStringLiteral("255.255.255.0"));
    QCOMPARE(packedToIpText(cpBack.gateway), QStringLiteral("192.168.1.1"));
    QVERIFY(cpBack.dynamicIPState);
    QCOMPARE(cpBack.baudrate, 3);
    QCOMPARE(cpBack.serialPortCheck, 1);
    QCOMPARE(cpBack.protocol, 1);
    QCOMPARE(cpBack.devAddr, 9);

    QVERIFY(driver->setSEQFileNumber(4));
    int number = 0;
    QVERIFY(driver->readSEQFileNumber(number));
    QCOMPARE(number, 4);
    QVERIFY(driver->setTestFunc(3));
    int code = -1;
    QVERIFY(driver->readTestFunc(code));
    QCOMPARE(code, 3);
    QVERIFY(driver->setTestFunc(0));

    QVERIFY(driver->setOutput(true));
    QVERIFY(sim->outputOn());
    QVERIFY(driver->setOutput(false));
    QVERIFY(!sim->outputOn());
    sim->raiseAlarm(3);
    QVERIFY(driver->clearAlarm());
    QCOMPARE(sim->alarmCode(), 0);
}

void TestNetDriverOps::viWriteAttemptsEveryStep()
{
    // The first write is refused: the second and the commit still go out.
    sim->addFault(fault(FaultKind::Exception, 0x10, 82));
    const int commits = sim->commitCount();
    QTest::ignoreMessage(QtDebugMsg, "0 1 1");
    QVERIFY(!driver->writeVIParam(10, 2));
    QCOMPARE(describeAll(sim->modbusRequests()), (QStringList{"F82=10", "F84=2", "I48=1"}));
    QCOMPARE(sim->commitCount(), commits + 1);

    // Only the commit fails.
    sim->clearRecords();
    sim->addFault(fault(FaultKind::WrongLength, 0x10, 48));
    QTest::ignoreMessage(QtDebugMsg, "1 1 0");
    QVERIFY(!driver->writeVIParam(11, 2));
    QCOMPARE(sim->modbusRequests().size(), 3);
}

void TestNetDriverOps::charWriteAttemptsEveryStep()
{
    sim->addFault(fault(FaultKind::Exception, 0x10, 236));
    ST_CharParam p;
    p.chargVol = 14;
    p.chargCur = 2;
    p.chargStopVol = 13;
    p.chargStopCur = 0.5f;
    p.chargStopQua = 5;
    p.chargStopTime = 60;
    const int commits = sim->commitCount();
    QTest::ignoreMessage(QtDebugMsg, "1 1 0 1 1 1 1");
    QVERIFY(!driver->writeCHARParam(p));
    QCOMPARE(describeAll(sim->modbusRequests()),
             (QStringList{"F232=14", "F234=2", "F236=13", "F238=0.5", "F240=5", "I242=60", "I48=1"}));
    QCOMPARE(sim->commitCount(), commits + 1);
}

void TestNetDriverOps::groupWritesStopAtFirstFailure_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("address");
    QTest::addColumn<int>("sent");

    QTest::newRow("system, at 122") << "system" << 0x10 << 122 << 2;
    QTest::newRow("system, at commit") << "system" << 0x10 << 48 << 10;
    QTest::newRow("connect, at 190") << "connect" << 0x10 << 190 << 5;
    QTest::newRow("seq file number") << "seq" << 0x10 << 228 << 1;
    QTest::newRow("list, at 212") << "list" << 0x10 << 212 << 3;
    QTest::newRow("list, at a step") << "list" << 0x10 << 220 << 7;
    QTest::newRow("list, at store") << "list" << 0x10 << 226 << 9;
}

void TestNetDriverOps::groupWritesStopAtFirstFailure()
{
    QFETCH(QString, operation);
    QFETCH(int, function);
    QFETCH(int, address);
    QFETCH(int, sent);

    sim->addFault(fault(FaultKind::Exception, function, address));
    const int commits = sim->commitCount();
    const int stores = sim->storeCount();
    bool ok = true;
    if (operation == "system") {
        ST_SystemParam p;
        p.overVol = 50;
        ok = driver->writeSystemParam(p);
    } else if (operation == "connect") {
        ST_ConnectParam p;
        p.devAddr = 1;
        ok = driver->writeConnectParam(p);
    } else if (operation == "seq") {
        ok = driver->setSEQFileNumber(1);
    } else {
        ST_ListFile file;
        file.fileName = QStringLiteral("X");
        file.steps = {{1, 1, 1}};
        bool named = false;
        ok = driver->writeListFile(1, file, named);
    }
    QVERIFY(!ok);
    QCOMPARE(sim->modbusRequests().size(), sent);
    QCOMPARE(sim->commitCount(), commits);
    QCOMPARE(sim->storeCount(), stores);
    for (const QByteArray &f : sim->modbusRequests())
        QVERIFY(quint8(f.at(7)) != 0x40);   // no name written either
}

void TestNetDriverOps::readSystemParamNeedsAllFourReads()
{
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 204));
    ST_SystemParam p;
    p.priority = 77;
    p.overVol = 77;
    p.stopDelayTime = 77;
    QVERIFY(!driver->readSystemParam(p));
    QCOMPARE(p.priority, 77);
    QCOMPARE(p.overVol, 77.0f);
    QCOMPARE(p.stopDelayTime, 77);
    QCOMPARE(describeAll(sim->modbusRequests()),
             (QStringList{"R96x2", "R122x8", "R166x4", "R204x4"}));

    // The first failure ends it.
    sim->clearRecords();
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 96));
    QVERIFY(!driver->readSystemParam(p));
    QCOMPARE(sim->modbusRequests().size(), 1);
}

void TestNetDriverOps::testFuncStoredBeforeWrite()
{
    sim->addFault(fault(FaultKind::Exception, 0x10, 28));
    QVERIFY(!driver->setTestFunc(3));
    // The stored code shows in what the echo reads next (list running data).
    QSignalSpy running(driver, &DevDriver_KLV2400::sigPassListRunningData);
    driver->startSampling();
    sim->clearRecords();
    driver->onEchoTimeOut();
    driver->stopSampling();
    QCOMPARE(describeAll(sim->modbusRequests()), (QStringList{"R8x8", "R230x2"}));
    QCOMPARE(running.count(), 1);
}

void TestNetDriverOps::devInfoFromBlockAndLimitPairs()
{
    ST_DevInfo info;
    QVERIFY(driver->readDevInfo(info));
    QCOMPARE(info.voltageMin, 0.0f);
    QCOMPARE(info.voltageMax, 60.0f);
    QCOMPARE(info.currentMin, 0.0f);
    QCOMPARE(info.currentMax, 20.0f);
    QCOMPARE(info.powerMin, 0.0f);
    QCOMPARE(info.powerMax, 1200.0f);
    // The second value of each pair, never the first.
    QCOMPARE(info.listFileCount, 10u);
    QCOMPARE(info.listStepMax, 100u);
}

void TestNetDriverOps::devInfoFailures()
{
    ST_DevInfo info;
    info.listFileCount = 5;
    sim->addFault(fault(FaultKind::ShortDevInfo, 0x42, 254));
    QVERIFY(!driver->readDevInfo(info));
    QCOMPARE(sim->modbusRequests().size(), 1);
    QCOMPARE(info.listFileCount, 5u);

    sim->clearRecords();
    sim->addFault(fault(FaultKind::ErrorByte, 0x42, 254));
    QVERIFY(!driver->readDevInfo(info));
    QCOMPARE(sim->modbusRequests().size(), 1);

    sim->clearRecords();
    sim->addFault(fault(FaultKind::Exception, 0x41, 208));
    QVERIFY(!driver->readDevInfo(info));
    QCOMPARE(describeAll(sim->modbusRequests()), (QStringList{"B254", "L208"}));

    sim->clearRecords();
    sim->addFault(fault(FaultKind::WrongLength, 0x41, 210));
    QVERIFY(!driver->readDevInfo(info));
    QCOMPARE(describeAll(sim->modbusRequests()), (QStringList{"B254", "L208", "L210"}));
    QCOMPARE(info.listFileCount, 5u);
    QCOMPARE(info.voltageMax, 0.0f);
}

void TestNetDriverOps::listFileRoundTrip()
{
    ST_ListFile file;
    file.fileName = QStringLiteral("abcdefghijklmnopqrs");   // 19 characters
    file.cycleTimes = 3;
    file.linkListNumber = 2;
    file.steps = {{5, 1, 1.5f}, {12.5f, 2.25f, 0.5f}, {30, 4, 10}};
    bool named = false;
    QVERIFY(driver->writeListFile(4, file, named));
    QVERIFY(named);
    const QByteArray nameFrame = sim->modbusRequests().last();
    QCOMPARE(quint8(nameFrame.at(7)), quint8(0x40));
    QCOMPARE(int(quint8(nameFrame.at(10))), 20);
    QCOMPARE(nameFrame.mid(11), QByteArray("abcdefghijklmnopqrs\0", 20));

    const klvsim::SimListFile stored = sim->listFile(4);
    QCOMPARE(stored.name, QByteArray("abcdefghijklmnopqrs"));
    QCOMPARE(stored.cycleTimes, 3);
    QCOMPARE(stored.linkListNumber, 2);
    QCOMPARE(stored.steps.size(), 3);
    QCOMPARE(stored.steps.at(1).voltage, 12.5f);
    QCOMPARE(stored.steps.at(1).current, 2.25f);
    QCOMPARE(stored.steps.at(1).delay, 0.5f);

    ST_ListFile back;
    QVERIFY(driver->readListFile(4, back));
    QCOMPARE(back.fileName, file.fileName);
    QCOMPARE(back.cycleTimes, 3);
    QCOMPARE(back.linkListNumber, 2);
    QCOMPARE(back.steps.size(), 3);
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(back.steps.at(i).voltage, file.steps.at(i).voltage);
        QCOMPARE(back.steps.at(i).current, file.steps.at(i).current);
        QCOMPARE(back.steps.at(i).delay, file.steps.at(i).delay);
    }
}

void TestNetDriverOps::listFileWithoutSteps()
{
    ST_ListFile empty;
    empty.cycleTimes = 1;
    bool named = false;
    QVERIFY(driver->writeListFile(5, empty, named));
    QVERIFY(named);   // an empty name writes no block and counts as written
    QCOMPARE(describeAll(sim->modbusRequests()),
             (QStringList{"I208=5", "I210=0", "I212=1", "I214=0", "I226=1"}));

    sim->clearRecords();
    ST_ListFile back;
    QVERIFY(driver->readListFile(5, back));
    QVERIFY(back.steps.isEmpty());
    QCOMPARE(describeAll(sim->modbusRequests()), (QStringList{"B54", "I208=5", "R210x6"}));
}

void TestNetDriverOps::listFileNameRefusedOrUnreadable()
{
    sim->addFault(fault(FaultKind::RefuseName, 0x40, -1));
    ST_ListFile file;
    file.fileName = QStringLiteral("Named");
    file.steps = {{1, 1, 1}};
    bool named = true;
    QVERIFY(driver->writeListFile(6, file, named));
    QVERIFY(!named);
    QCOMPARE(sim->listFile(6).steps.size(), 1);

    // A refused name read leaves the name as it was and the read goes on.
    sim->addFault(fault(FaultKind::ErrorByte, 0x42, 55));
    ST_ListFile back;
    back.fileName = QStringLiteral("kept");
    QVERIFY(driver->readListFile(6, back));
    QCOMPARE(back.fileName, QStringLiteral("kept"));
    QCOMPARE(back.steps.size(), 1);
}

void TestNetDriverOps::listFileStepFailureKeepsStepsRead()
{
    sim->setListFile(7, simFile("Seven", 2, 0, 4));
    FaultRule rule = fault(FaultKind::WrongLength, 0x03, 218);
    rule.skip = 2;   // the third step read fails
    sim->addFault(rule);
    ST_ListFile back;
    QVERIFY(!driver->readListFile(7, back));
    QCOMPARE(back.fileName, QStringLiteral("Seven"));
    QCOMPARE(back.steps.size(), 2);
    QCOMPARE(back.steps.at(1).voltage, 2.0f);
    QCOMPARE(back.steps.at(1).delay, 1.25f);
    QCOMPARE(sim->modbusRequests().size(), 3 + 2 * 3);
}

void TestNetDriverOps::garbageCounts_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<bool>("devInfoFirst");
    QTest::addColumn<bool>("ok");

    QTest::newRow("steps negative") << "steps" << 0xFFFFFFFFu << false << false;
    QTest::newRow("steps billions") << "steps" << 0x7FFFFFFFu << false << false;
    QTest::newRow("steps above 100000") << "steps" << 100001u << false << false;
    QTest::newRow("steps 3") << "steps" << 3u << false << true;
    QTest::newRow("steps above listStepMax") << "steps" << 51u << true << false;
    QTest::newRow("steps at listStepMax") << "steps" << 50u << true << true;
    QTest::newRow("file count negative") << "files" << 0x80000000u << false << false;
    QTest::newRow("file count above 100000") << "files" << 100001u << false << false;
    QTest::newRow("file count 100000") << "files" << 100000u << false << true;
    QTest::newRow("step max negative") << "stepmax" << 0xFFFFFFF0u << false << false;
    QTest::newRow("step max above 100000") << "stepmax" << 2000000u << false << false;
}

void TestNetDriverOps::garbageCounts()
{
    QFETCH(QString, operation);
    QFETCH(quint32, count);
    QFETCH(bool, devInfoFirst);
    QFETCH(bool, ok);

    // A supply whose answers carry the count under test.
    RawPeer peer;
    QVERIFY(peer.listen(peerAddress));
    peer.respond = [&](const QByteArray &request) {
        const int function = quint8(request.at(7));
        const int address = quint8(request.at(8)) << 8 | quint8(request.at(9));
        QByteArray reply = request.left(6);
        auto put32 = [&reply](quint32 v) {
            for (int s = 24; s >= 0; s -= 8)
                reply.append(char((v >> s) & 0xFF));
        };
        reply.append(request.at(6)).append(char(function));
        switch (function) {
        case 0x03: {
            const int registers = quint8(request.at(11));
            reply.append(char(2 * registers));
            for (int k = 0; k < registers / 2; ++k)
                put32(address == 210 && k == 0 ? count : 0);
            break;
        }
        case 0x10: reply = request.left(12); break;
        case 0x41:
            put32(1);
            put32(operation == "files" && address == 208   ? count
                  : operation == "stepmax" && address == 210 ? count
                  : address == 208                           ? 10u
                                                             : 50u);
            break;
        case 0x42:
            reply.append(QByteArray(address == 254 ? 200 : 4, '\0'));
            break;
        }
        reply[4] = char((reply.size() - 6) >> 8);
        reply[5] = char((reply.size() - 6) & 0xFF);
        return reply;
    };
    DevDriver_KLV2400 link;
    link.initTransport();
    QVERIFY(link.connectDevice(peerAddress.toString(), 502));

    if (operation == "steps") {
        ST_DevInfo info;
        if (devInfoFirst)
            QVERIFY(link.readDevInfo(info));
        peer.requests.clear();
        ST_ListFile file;
        QCOMPARE(link.readListFile(1, file), ok);
        // Without step transactions when the count is refused.
        const int steps = ok ? int(count) : 0;
        QCOMPARE(peer.requests.size(), 3 + 2 * steps);
        QCOMPARE(file.steps.size(), steps);
    } else {
        ST_DevInfo info;
        info.listFileCount = 3;
        info.listStepMax = 3;
        QCOMPARE(link.readDevInfo(info), ok);
        if (ok)
            QCOMPARE(info.listFileCount, count);
        else
            QCOMPARE(info.listFileCount, 3u);
    }
}

void TestNetDriverOps::linkDownPausesAndFails()
{
    driver->disconnectDevice(true);
    // The pause before the commit is kept even with nothing to commit.
    QElapsedTimer clock;
    clock.start();
    QTest::ignoreMessage(QtDebugMsg, "0 0 0");
    QVERIFY(!driver->writeVIParam(1, 1));
    QVERIFY(clock.elapsed() >= 20);
    clock.restart();
    ST_CharParam p;
    QTest::ignoreMessage(QtDebugMsg, "0 0 0 0 0 0 0");
    QVERIFY(!driver->writeCHARParam(p));
    QVERIFY(clock.elapsed() >= 20);
    QVERIFY(!driver->setOutput(true));
    ST_ListFile file;
    QVERIFY(!driver->readListFile(1, file));
    ST_DevInfo info;
    QVERIFY(!driver->readDevInfo(info));
    QTest::qWait(20);
    QCOMPARE(sim->modbusRequests().size(), 0);
}

QTEST_MAIN(TestNetDriverOps)
#include "tst_net_driver_ops.moc"
