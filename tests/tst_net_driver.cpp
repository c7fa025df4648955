// The Modbus link and the supply operations against the simulated supply
// and a scripted raw peer: attempts, acceptance by length, busy refusal,
// identifiers, replies late, doubled or in pieces never answering the wrong
// request; requests in their exact order, list counts, the echo and
// sampling timers with the lost-supply rule, and links that break mid-way.

#include "devdriver_klv2400.h"
#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "drivertestpeer.h"
#include "listsettingdialog.h"
#include "modbusframes.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

using devpage::fault;
using klvsim::FaultKind;
using namespace drivertest;

namespace {

const QString simHost = QStringLiteral("127.0.0.11");
const QString peerHost = QStringLiteral("127.0.0.12");

// One operation of each function; true when it succeeded.
bool runOperation(ModbusDriver &link, int function)
{
    QVector<quint32> values;
    qint32 first = 0, second = 0;
    QByteArray reply;
    switch (function) {
    case 0x03: return link.readRegisters(8, 8, values);
    case 0x10: return link.writeRegister(32, 1);
    case 0x40: return link.writeBlock(50, QByteArray("AB\0", 3));
    case 0x41: return link.readRegisterLimit(208, first, second);
    default: return link.readBlock(254, reply);
    }
}

// The requests in short: "R82x4" read, "I32=1" integer write (unit A0),
// "F82=12.5" float write (unit 01), "B254" block read, "L208" limit read,
// "N51:414200" block write.
QStringList describe(const QList<QByteArray> &frames)
{
    QStringList out;
    for (const QByteArray &f : frames) {
        const QString at = QString::number(quint8(f.at(8)) << 8 | quint8(f.at(9)));
        const quint32 value = f.size() < 17 ? 0 : quint32(frameId(f.mid(13))) << 16 | frameId(f.mid(15));
        switch (quint8(f.at(7))) {
        case 0x03: out << "R" + at + "x" + QString::number(quint8(f.at(11))); break;
        case 0x10:
            out << (quint8(f.at(6)) == 0xA0 ? "I" + at + "=" + QString::number(qint32(value))
                                            : "F" + at + "=" + QString::number(ModbusFrames::bitsToFloat(value)));
            break;
        case 0x42: out << "B" + at; break;
        case 0x41: out << "L" + at; break;
        case 0x40: out << "N" + at + ":" + QString::fromLatin1(f.mid(11).toHex()); break;
        default: out << "BAD";
        }
    }
    return out;
}

} // namespace

class TestNetDriver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { sim = devpage::startSim(simHost); }
    void init();

    void attemptsResendTheSameFrame();
    void busyRefusesSecondTransaction();
    void identifierWraps();
    void staleRepliesNeverAnswerTheNextRequest();
    void everyReplyLength_data();
    void everyReplyLength();
    void lateAnswersArriveWithTheRetrysAnswer_data();
    void lateAnswersArriveWithTheRetrysAnswer();
    void requestsOnTheWire();
    void garbageCounts_data();
    void garbageCounts();
    void echoAndSamplingTimers();
    void lostOnlyAfterMoreThanTwentySeconds();
    void resetInTheMiddleOfATransaction();
    void resetInTheMiddleOfAListFileWrite();
    void supplyThatNeverAnswers();

private:
    TempWorkDir workDir;
    std::unique_ptr<klvsim::SimSupply> sim;
    std::unique_ptr<RawPeer> peer;
    std::unique_ptr<DevDriver_KLV2400> driver;   // on the simulated supply
    std::unique_ptr<DevDriver_KLV2400> link;     // on the raw peer
    QDateTime now;
};

void TestNetDriver::init()
{
    sim->clearFaults();
    now = QDateTime(QDate(2025, 5, 27), QTime(9, 30, 0));
    driver.reset();
    link.reset();
    peer.reset(new RawPeer);
    QVERIFY(peer->listen(QHostAddress(peerHost)));
    for (auto *d : {&driver, &link}) {
        d->reset(new DevDriver_KLV2400);
        (*d)->setClock([this] { return now; });
        (*d)->initTransport();
        QVERIFY((*d)->connectDevice(d == &driver ? simHost : peerHost, 502));
    }
    sim->clearRecords();
}

void TestNetDriver::everyReplyLength_data()
{
    QTest::addColumn<int>("function");
    for (int f : {0x03, 0x10, 0x40, 0x41, 0x42})
        QTest::addRow("0x%02x", f) << f;
}

void TestNetDriver::attemptsResendTheSameFrame()
{
    // Three attempts, each the same frame with the same identifier, each
    // time-out logged; a success on the second attempt ends it.
    const QString timeout = QString::fromUtf8("读取超时：寄存器地址8\n");
    for (const int silent : {3, 1}) {
        sim->clearRecords();
        sim->addFault(fault(FaultKind::Silent, 0x03, 8, silent));
        const int before = logCount(timeout);
        QVector<quint32> values;
        QCOMPARE(driver->readRegisters(8, 8, values), silent < 3);
        const QList<QByteArray> requests = sim->modbusRequests();
        QCOMPARE(requests.size(), qMin(silent + 1, 3));
        QCOMPARE(requests.count(requests.at(0)), requests.size());
        QCOMPARE(logCount(timeout) - before, silent);
    }
    QCOMPARE(driver->connectState(), int(ModbusDriver::ConnectedTcp));
}

void TestNetDriver::busyRefusesSecondTransaction()
{
    sim->addFault(fault(FaultKind::Delay, 0x03, 8, 1, 150));
    bool nestedResult = true;
    QTimer::singleShot(50, driver.get(), [&] {
        quint32 value = 0;
        nestedResult = driver->readRegister(28, value);
    });
    QVector<quint32> values;
    QVERIFY(driver->readRegisters(8, 8, values));
    QVERIFY(!nestedResult);
    QCOMPARE(sim->modbusRequests().size(), 1);
    quint32 value = 0;
    QVERIFY(driver->readRegister(28, value));   // nothing left busy
}

void TestNetDriver::identifierWraps()
{
    driver->setLastTransactionId(65534);
    quint32 value = 0;
    for (const quint16 id : {65535, 0, 1}) {
        QVERIFY(driver->readRegister(8, value));
        QCOMPARE(frameId(sim->modbusRequests().last()), id);
    }
}

void TestNetDriver::staleRepliesNeverAnswerTheNextRequest()
{
    // The first read gives up; its three answers come late, together, while
    // the next read waits for its own. The output changed in between, so
    // the answers differ.
    sim->panelSetOutput(false);
    sim->addFault(fault(FaultKind::Late, 0x03, 8, 1, 1000));
    QVector<quint32> values;
    QVERIFY(!driver->readRegisters(8, 8, values));
    sim->panelSetOutput(true);
    sim->addFault(fault(FaultKind::Delay, 0x03, 8, 1, 250));
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.at(0) & 1u, 1u);
    // A reply in pieces: the first piece fails the read at once, the rest
    // is discarded, not read with the next reply.
    sim->panelSetOutput(false);
    sim->addFault(fault(FaultKind::Split, 0x03, 8, 1, 60));
    QVERIFY(!driver->readRegisters(8, 8, values));
    QTest::qWait(250);
    QVERIFY(driver->readRegisters(8, 8, values));
    QCOMPARE(values.at(0), sim->value(8));
    QCOMPARE(values.at(0) & 1u, 0u);
}

void TestNetDriver::everyReplyLength()
{
    // The good reply cut short or padded, 1 to 300 bytes: only the right
    // size passes (a block read: 8 bytes or more), and a reply that came,
    // whatever it was, is never followed by a second attempt.
    QFETCH(int, function);
    int size = 0;
    peer->respond = [&](const QByteArray &request) {
        const QByteArray good = goodReply(request);
        return size <= good.size() ? good.left(size) : good + QByteArray(size - good.size(), '\x7e');
    };
    const int right = QMap<int, int>{{0x03, 25}, {0x10, 12}, {0x40, 11}, {0x41, 16}, {0x42, 8}}[function];
    for (size = 1; size <= 300; ++size) {
        peer->requests.clear();
        const bool expected = function == 0x42 ? size >= right : size == right;
        QVERIFY2(runOperation(*link, function) == expected, qPrintable(QString::number(size)));
        QCOMPARE(peer->requests.size(), 1);
    }
    // An exception reply (function | 0x80, a code: 9 bytes, 0xC2 for a block
    // read) fails at once too, and the next request is undisturbed.
    peer->respond = [&](const QByteArray &request) {
        return request.left(4) + hex("00 03") + request.at(6) + char(function | 0x80) + char(4);
    };
    QVERIFY(!runOperation(*link, function));
    peer->respond = goodReply;
    QVERIFY(runOperation(*link, function));
    QCOMPARE(peer->requests.size(), 3);
    // Nor is the MBAP length field checked: the size alone counts.
    for (const char field : {'\0', '\xff'}) {
        peer->respond = [field](const QByteArray &r) { return goodReply(r).replace(4, 2, QByteArray(2, field)); };
        QVERIFY(runOperation(*link, function));
    }
}

void TestNetDriver::lateAnswersArriveWithTheRetrysAnswer_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("silentAttempts");
    for (int function : {0x03, 0x10, 0x40, 0x41, 0x42})
        for (int silent : {1, 2})
            QTest::addRow("function %02x, %d late", function, silent) << function << silent;
}

void TestNetDriver::lateAnswersArriveWithTheRetrysAnswer()
{
    // A slow supply: the timed-out attempts' answers arrive in one read with
    // the retry's answer (the same frame). That answers the request, and
    // nothing of it is left for the next one.
    QFETCH(int, function);
    QFETCH(int, silentAttempts);
    int seen = 0, copies = silentAttempts + 1;
    peer->respond = [&](const QByteArray &request) {
        return ++seen <= silentAttempts ? QByteArray() : goodReply(request).repeated(std::exchange(copies, 1));
    };
    QVERIFY(runOperation(*link, function));
    QCOMPARE(peer->requests.size(), silentAttempts + 1);
    QVERIFY(runOperation(*link, function));
    QCOMPARE(peer->requests.size(), silentAttempts + 2);

    // But more copies than attempts made - a doubled reply to a single
    // request included - are judged by length (a block read has none).
    if (function == 0x42)
        return;
    for (const int silent : {0, 1}) {
        seen = 0;
        silentAttempts = silent;
        copies = silent + 2;
        QVERIFY(!runOperation(*link, function));
        QVERIFY(runOperation(*link, function));
    }
}

void TestNetDriver::requestsOnTheWire()
{
    // Group writes end with the commit (I48=1); a list file write with the
    // store (I226=1) and its name, NUL-terminated.
    ST_ListFile file;
    file.fileName = QStringLiteral("Seq");
    file.cycleTimes = 4;
    file.linkListNumber = 1;
    file.steps = {{10, 1.5f, 2}, {20, 2.5f, 0.75f}};
    ST_DevInfo info;
    ST_ListFile back;
    bool named = false;
    const QList<QPair<std::function<bool()>, QStringList>> cases{
        {[&] { return driver->setOutput(true); }, {"I32=1"}},
        {[&] { return driver->writeVIParam(12.5f, 2.25f); }, {"F82=12.5", "F84=2.25", "I48=1"}},
        {[&] { return driver->readDevInfo(info); }, {"B254", "L208", "L210"}},
        {[&] { return driver->writeListFile(3, file, named) && named; },
         {"I208=3", "I210=2", "I212=4", "I214=1", "I216=1", "F218=10", "F220=1.5", "F224=2", "I216=2",
          "F218=20", "F220=2.5", "F224=0.75", "I226=1", "N52:53657100"}},
        {[&] { return driver->readListFile(3, back); },
         {"B52", "I208=3", "R210x6", "I216=1", "R218x8", "I216=2", "R218x8"}},
    };
    for (const auto &c : cases) {
        sim->clearRecords();
        QVERIFY(c.first());
        QCOMPARE(describe(sim->modbusRequests()), c.second);
    }
    // The second value of each limit pair, never the first.
    QCOMPARE(info.listFileCount, 10u);
    QCOMPARE(info.listStepMax, 100u);
    QCOMPARE(back.fileName, QStringLiteral("Seq"));
    QCOMPARE(back.steps.at(1).delay, 0.75f);
}

void TestNetDriver::garbageCounts_data()
{
    QTest::addColumn<int>("function");   // 0x03@210: steps of a file; 0x41: a limit pair
    QTest::addColumn<int>("address");
    QTest::addColumn<quint32>("count");
    QTest::addColumn<bool>("ok");
    QTest::newRow("steps negative") << 0x03 << 210 << 0xFFFFFFFFu << false;
    QTest::newRow("steps above listStepMax") << 0x03 << 210 << 11u << false;
    QTest::newRow("steps at listStepMax") << 0x03 << 210 << 10u << true;
    QTest::newRow("file count negative") << 0x41 << 208 << 0x80000000u << false;
    QTest::newRow("file count above 100000") << 0x41 << 208 << 100001u << false;
    QTest::newRow("file count 100000") << 0x41 << 208 << 100000u << true;
    QTest::newRow("step max billions") << 0x41 << 210 << 0x7FFFFFFFu << false;
}

void TestNetDriver::garbageCounts()
{
    // Absurd counts would make the pages build billions of rows: refused,
    // without a single step transaction. The name reply has no data (8
    // bytes): an empty name, and the file is read on.
    QFETCH(int, function);
    QFETCH(int, address);
    QFETCH(quint32, count);
    QFETCH(bool, ok);
    peer->respond = [&](const QByteArray &request) {
        const int f = quint8(request.at(7)), at = quint8(request.at(9));
        if (f == 0x42)
            return request.left(4) + (at == 254 ? hex("00 c3 01 42") + QByteArray(193, '\0') : hex("00 02 01 42"));
        QByteArray reply = goodReply(request);   // limit pairs: 1, 10
        if (f == 0x03 && at == 210)
            reply.replace(9, 12, QByteArray(12, '\0'));
        for (int i = 0; f == function && at == address && i < 4; ++i)
            reply[(f == 0x41 ? 12 : 9) + i] = char(count >> (24 - 8 * i));
        return reply;
    };
    ST_DevInfo info;
    info.listFileCount = 3;
    QCOMPARE(link->readDevInfo(info), ok || function == 0x03);
    QCOMPARE(info.listFileCount, function == 0x03 ? 10u : ok ? count : 3u);
    if (function == 0x41)
        return;
    peer->requests.clear();
    ST_ListFile file;
    file.fileName = QStringLiteral("old");
    QCOMPARE(link->readListFile(1, file), ok);
    QCOMPARE(peer->requests.size(), 3 + 2 * (ok ? int(count) : 0));
    QCOMPARE(file.steps.size(), ok ? int(count) : 0);
    QCOMPARE(file.fileName, QString());
}

void TestNetDriver::echoAndSamplingTimers()
{
    // Each timer reads at once when started, and starting twice reads once;
    // the echo reads list progress only while a SEQ file is sampled.
    QSignalSpy echoes(driver.get(), &DevDriver_KLV2400::sigPassEchoValue);
    QSignalSpy samples(driver.get(), &DevDriver_KLV2400::sigPassSamplingValue);
    QSignalSpy progress(driver.get(), &DevDriver_KLV2400::sigPassListRunningData);
    driver->startEcho();
    driver->samplingInterval = 200;
    driver->startSampling();
    driver->startSampling();
    QCOMPARE(describe(sim->modbusRequests()), (QStringList{"R8x8", "R10x6"}));
    QVERIFY(waitUntil([&] { return echoes.count() >= 2 && samples.count() >= 2; }, 3000));
    driver->stopEcho();
    driver->stopSampling();
    QVERIFY(driver->setTestFunc(3));
    sim->setValue(230, 0xFFFE8001);   // both halves unsigned 16-bit
    driver->samplingInterval = 60000;
    driver->startSampling();
    sim->clearRecords();
    driver->onEchoTimeOut();
    QCOMPARE(describe(sim->modbusRequests()), (QStringList{"R8x8", "R230x2"}));
    QCOMPARE(progress.at(0).at(0).value<ST_listRunningData>().curStep, 0x8001);
    QCOMPARE(progress.at(0).at(0).value<ST_listRunningData>().curCycle, 0xFFFE);
    driver->stopSampling();
    sim->clearRecords();
    driver->onEchoTimeOut();
    QCOMPARE(describe(sim->modbusRequests()), QStringList{"R8x8"});
}

void TestNetDriver::lostOnlyAfterMoreThanTwentySeconds()
{
    // Counted from the last good echo; other good exchanges do not count.
    QSignalSpy lost(driver.get(), &DevDriver_KLV2400::sigDeviceLostConnect);
    bool timersStoppedFirst = false;
    connect(driver.get(), &DevDriver_KLV2400::sigDeviceLostConnect, this,
            [&] { timersStoppedFirst = !driver->echoRunning() && !driver->samplingRunning(); });
    driver->startEcho();
    driver->startSampling();
    now = now.addMSecs(15000);
    driver->onEchoTimeOut();
    sim->addFault(fault(FaultKind::WrongLength, 0x03, 8, -1));
    QVERIFY(driver->setTestFunc(0));
    now = now.addMSecs(20999);
    driver->onEchoTimeOut();
    QCOMPARE(lost.count(), 0);
    // A tick while another transaction waits fails through the busy rule,
    // sends nothing, and counts like any failure.
    now = now.addMSecs(1);
    sim->addFault(fault(FaultKind::Delay, 0x03, 28, 1, 150));
    sim->clearRecords();
    QTimer::singleShot(50, driver.get(), [this] { driver->onEchoTimeOut(); });
    int code = -1;
    QVERIFY(driver->readTestFunc(code));
    QCOMPARE(describe(sim->modbusRequests()), QStringList{"R28x2"});
    QCOMPARE(lost.count(), 1);
    QVERIFY(timersStoppedFirst);
    QCOMPARE(logCount(QString::fromUtf8("超时时间：21s")), 1);
}

void TestNetDriver::resetInTheMiddleOfATransaction()
{
    // The peer resets the link: the operation fails, the link stays
    // "connected" until the echo gives up on it, and a new connection works.
    peer->respond = [this](const QByteArray &) {
        for (QTcpSocket *socket : peer->findChildren<QTcpSocket *>())
            socket->abort();
        return QByteArray();
    };
    QSignalSpy lost(link.get(), &DevDriver_KLV2400::sigDeviceLostConnect);
    link->startEcho();
    QVERIFY(!link->setOutput(true));
    QCOMPARE(link->connectState(), int(ModbusDriver::ConnectedTcp));
    now = now.addSecs(21);
    QVERIFY(waitUntil([&] { return lost.count() > 0; }, 10000));
    link->disconnectDevice(true);
    peer->respond = goodReply;
    QVERIFY(link->connectDevice(peerHost, 502));
    QVERIFY(link->setOutput(true));
}

void TestNetDriver::resetInTheMiddleOfAListFileWrite()
{
    klvsim::SimListFile stored;
    stored.name = "THREE";
    stored.steps = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    sim->setListFile(1, stored);
    MessageBoxAnswerer boxes;
    devpage::LogRecorder log;
    ListSettingDialog dialog(driver.get());
    dialog.setListLimits(0, 60, 0, 20, 10, 100);
    QVERIFY(boxes.texts.isEmpty());   // file 1 was read
    const int stores = sim->storeCount();
    klvsim::FaultRule drop = fault(FaultKind::Drop, 0x10, 218, 1);
    drop.skip = 1;   // the link drops while the steps are written
    sim->addFault(drop);
    sim->clearRecords();
    QTest::mouseClick(devpage::child<QPushButton>(&dialog, "btn_save"), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("列表文件1参数设置失败！")});
    QVERIFY(log.has(simHost + QStringLiteral("设备列表文件1参数设置失败！"), 2));
    QCOMPARE(sim->storeCount(), stores);
    QVERIFY(!describe(sim->modbusRequests()).contains("I226=1"));
}

void TestNetDriver::supplyThatNeverAnswers()
{
    // Takes the connection and every request, answers none: opening the
    // page fails after the first read's three attempts, nothing connected.
    sim->addFault(fault(FaultKind::NeverAnswer, -1, -1));
    MessageBoxAnswerer boxes;
    DevWidget_KLV2400 page;
    QVERIFY(!page.openDevice(simHost));
    QCOMPARE(page.deviceDriver().connectState(), int(ModbusDriver::Disconnected));
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
    const QList<QByteArray> requests = sim->modbusRequests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.count(requests.at(0)), 3);
}

QTEST_MAIN(TestNetDriver)
#include "tst_net_driver.moc"
