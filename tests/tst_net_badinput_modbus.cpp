// Hostile and broken Modbus TCP peers. A reply is judged by its length alone
// (and, for a block read, the refusal byte 0xC2 at offset 7), so exception
// replies and wrong MBAP length fields go by that rule; whatever arrives, the
// driver never reads past it, never hangs and never lets one request's
// reply answer another.
#include "devdriver_klv2400.h"
#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "drivertestpeer.h"
#include "listsettingdialog.h"
#include "modbusframes.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

using namespace drivertest;
using devpage::fault;
using klvsim::FaultKind;

namespace {

const QString simHost = QStringLiteral("127.0.0.11");
const QString peerHost = QStringLiteral("127.0.0.12");

// A well-formed reply to each request, as a supply makes it.
QByteArray goodReply(const QByteArray &request)
{
    const int function = quint8(request.at(7));
    QByteArray pdu;
    switch (function) {
    case 0x03: {
        const int registers = quint8(request.at(11));
        pdu = QByteArray(1, char(0x03)) + char(2 * registers);
        for (int k = 0; k < 2 * registers; ++k)
            pdu.append(char(k + 1));
        break;
    }
    case 0x10: pdu = request.mid(7, 5); break;   // function, address, count
    case 0x40: pdu = request.mid(7, 3) + request.at(10); break;
    case 0x41: pdu = hex("41 00 00 00 01 00 00 00 0a"); break;
    case 0x42: pdu = QByteArray(1, char(0x42)) + request.mid(8, 2) + QByteArray("AB\0", 3); break;
    }
    QByteArray reply = request.left(4);
    reply.append(char((pdu.size() + 1) >> 8)).append(char((pdu.size() + 1) & 0xFF));
    reply.append(request.at(6)).append(pdu);
    return reply;
}

// Runs one operation of each function on link; true when it succeeded.
bool runOperation(ModbusDriver &link, int function)
{
    switch (function) {
    case 0x03: {
        QVector<quint32> values;
        return link.readRegisters(8, 8, values);
    }
    case 0x10: return link.writeRegister(32, 1);
    case 0x40: return link.writeBlock(50, QByteArray("AB\0", 3));
    case 0x41: {
        qint32 first = 0, second = 0;
        return link.readRegisterLimit(208, first, second);
    }
    default: {
        QByteArray reply;
        return link.readBlock(254, reply);
    }
    }
}

} // namespace

class TestNetBadInputModbus : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void init();
    void cleanup();

    void everyReplyLength_data();
    void everyReplyLength();
    void exceptionReplies_data();
    void exceptionReplies();
    void wrongMbapLengthJudgedBySize();
    void twoRepliesInOneRead();
    void lateAnswersArriveWithTheRetrysAnswer_data();
    void lateAnswersArriveWithTheRetrysAnswer();
    void resetInTheMiddleOfATransaction();
    void resetInTheMiddleOfAListFileWrite();
    void nameReplyOfEightBytes();
    void absurdListCountsRefusePage();
    void supplyThatNeverAnswers();

private:
    bool connectLink(ModbusDriver &link, const QString &host);
    void startSim(const klvsim::SupplyConfig &config = klvsim::SupplyConfig());

    std::unique_ptr<RawPeer> peer;
    std::unique_ptr<klvsim::SimSupply> sim;
};

void TestNetBadInputModbus::init()
{
    peer.reset(new RawPeer);
    QVERIFY(peer->listen(QHostAddress(peerHost)));
}

void TestNetBadInputModbus::cleanup()
{
    peer.reset();
    sim.reset();
}

bool TestNetBadInputModbus::connectLink(ModbusDriver &link, const QString &host)
{
    link.initTransport();
    return link.connectDevice(host, 502);
}

void TestNetBadInputModbus::startSim(const klvsim::SupplyConfig &config)
{
    klvsim::SupplyConfig c = config;
    c.address = QHostAddress(simHost);
    sim.reset(new klvsim::SimSupply(c));
    QString error;
    if (!sim->start(&error))
        qFatal("simulated supply did not start: %s", qPrintable(error));
}

void TestNetBadInputModbus::everyReplyLength_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("minimum");   // the only accepted size, or the least for a block read
    QTest::addColumn<bool>("orLonger");
    QTest::newRow("0x03 read of 8 registers") << 0x03 << 25 << false;
    QTest::newRow("0x10 write") << 0x10 << 12 << false;
    QTest::newRow("0x40 block write") << 0x40 << 11 << false;
    QTest::newRow("0x41 limit read") << 0x41 << 16 << false;
    QTest::newRow("0x42 block read") << 0x42 << 8 << true;
}

void TestNetBadInputModbus::everyReplyLength()
{
    QFETCH(int, function);
    QFETCH(int, minimum);
    QFETCH(bool, orLonger);
    // The good reply cut short or padded out, 1 to 300 bytes: only the
    // right size passes. (No bytes at all is a silent supply.)
    int size = 0;
    peer->respond = [&](const QByteArray &request) {
        const QByteArray good = goodReply(request);
        return size <= good.size() ? good.left(size) : good + QByteArray(size - good.size(), '\x7e');
    };
    ModbusDriver link;
    QVERIFY(connectLink(link, peerHost));
    for (size = 1; size <= 300; ++size) {
        peer->requests.clear();
        const bool expected = orLonger ? size >= minimum : size == minimum;
        QVERIFY2(runOperation(link, function) == expected, qPrintable(QString::number(size)));
        // A reply came: no second attempt, whatever it was.
        QCOMPARE(peer->requests.size(), 1);
    }
}

void TestNetBadInputModbus::exceptionReplies_data()
{
    QTest::addColumn<int>("function");
    for (int f : {0x03, 0x10, 0x40, 0x41, 0x42})
        QTest::newRow(qPrintable(QStringLiteral("0x%1").arg(f, 2, 16, QLatin1Char('0')))) << f;
}

void TestNetBadInputModbus::exceptionReplies()
{
    QFETCH(int, function);
    // function | 0x80 and an exception code: 9 bytes, which no request
    // expects, and a block read sees 0xC2 at offset 7. Each fails at once.
    bool exception = true;
    peer->respond = [&](const QByteArray &request) {
        return exception ? request.left(4) + hex("00 03") + request.at(6) + char(function | 0x80) + char(4)
                         : goodReply(request);
    };
    ModbusDriver link;
    QVERIFY(connectLink(link, peerHost));
    QVERIFY(!runOperation(link, function));
    QCOMPARE(peer->requests.size(), 1);
    exception = false;
    QVERIFY(runOperation(link, function));   // the next request is not disturbed
}

void TestNetBadInputModbus::wrongMbapLengthJudgedBySize()
{
    // The length field is not checked: a reply of the right size with any
    // length field is taken, its values as sent.
    quint16 field = 0;
    peer->respond = [&](const QByteArray &request) {
        QByteArray reply = goodReply(request);
        reply[4] = char(field >> 8);
        reply[5] = char(field & 0xFF);
        return reply;
    };
    ModbusDriver link;
    QVERIFY(connectLink(link, peerHost));
    for (quint16 f : {quint16(0), quint16(1), quint16(0x00FF), quint16(0xFFFF)}) {
        field = f;
        QVector<quint32> values;
        QVERIFY(link.readRegisters(8, 4, values));
        QCOMPARE(values, (QVector<quint32>{0x01020304u, 0x05060708u}));
        QVERIFY(link.writeRegister(32, 1));
        qint32 first = 0, second = 0;
        QVERIFY(link.readRegisterLimit(208, first, second));
        QCOMPARE(second, 10);
    }
}

void TestNetBadInputModbus::twoRepliesInOneRead()
{
    // Twice the reply in one segment is a reply of the wrong size: refused,
    // and nothing of it is left to answer the next request.
    bool twice = true;
    peer->respond = [&](const QByteArray &request) {
        const QByteArray good = goodReply(request);
        return twice ? good + good : good;
    };
    ModbusDriver link;
    QVERIFY(connectLink(link, peerHost));
    QVector<quint32> values;
    QVERIFY(!link.readRegisters(8, 8, values));
    QVERIFY(values.isEmpty());
    twice = false;
    QVERIFY(link.readRegisters(8, 8, values));
    QCOMPARE(values.size(), 4);
    QCOMPARE(peer->requests.size(), 2);
    QCOMPARE(frameId(peer->requests.at(1)), link.lastTransactionId());
}

void TestNetBadInputModbus::lateAnswersArriveWithTheRetrysAnswer_data()
{
    QTest::addColumn<int>("function");
    QTest::addColumn<int>("silentAttempts");
    for (int function : {0x03, 0x10, 0x40, 0x41, 0x42}) {
        for (int silent : {1, 2}) {
            QTest::addRow("function %02x, %d late", function, silent) << function << silent;
        }
    }
}

void TestNetBadInputModbus::lateAnswersArriveWithTheRetrysAnswer()
{
    // A slow supply: the first attempts time out, and their answers arrive
    // late, in one read with the answer to the retry (the same frame). That
    // is the request answered, not a reply of the wrong size, and nothing of
    // it is left to answer the next request.
    QFETCH(int, function);
    QFETCH(int, silentAttempts);
    int seen = 0;
    peer->respond = [&](const QByteArray &request) {
        ++seen;
        if (seen <= silentAttempts)
            return QByteArray();
        return goodReply(request).repeated(seen == silentAttempts + 1 ? silentAttempts + 1 : 1);
    };
    ModbusDriver link;
    QVERIFY(connectLink(link, peerHost));
    QVERIFY(runOperation(link, function));
    QCOMPARE(peer->requests.size(), silentAttempts + 1);
    QVERIFY(runOperation(link, function));
    QCOMPARE(peer->requests.size(), silentAttempts + 2);

    // More copies than attempts made: not this request's answer alone, and
    // judged by its length (a block read has no length to judge).
    if (function == 0x42)
        return;
    seen = 0;
    peer->respond = [&](const QByteArray &request) {
        ++seen;
        return seen == 1 ? QByteArray() : goodReply(request).repeated(3);
    };
    QVERIFY(!runOperation(link, function));
}

void TestNetBadInputModbus::resetInTheMiddleOfATransaction()
{
    // The peer resets the link on a request: the operation fails after its
    // attempts, the link stays "connected" until the echo gives up on it, and
    // a new connection works.
    bool reset = true;
    peer->respond = [&](const QByteArray &request) {
        if (reset) {
            for (QTcpSocket *socket : peer->findChildren<QTcpSocket *>())
                socket->abort();
            return QByteArray();
        }
        return goodReply(request);
    };
    DevDriver_KLV2400 link;
    QVERIFY(connectLink(link, peerHost));
    QDateTime clock = QDateTime::currentDateTime();
    link.setClock([&clock] { return clock; });
    QSignalSpy lost(&link, &DevDriver_KLV2400::sigDeviceLostConnect);
    link.startEcho();
    QCOMPARE(lost.count(), 0);
    QCOMPARE(link.connectState(), int(ModbusDriver::ConnectedTcp));
    QVERIFY(!link.setOutput(true));
    clock = clock.addSecs(21);
    QVERIFY(waitUntil([&] { return lost.count() > 0; }, 10000));
    QVERIFY(!link.echoRunning());
    QVERIFY(!link.samplingRunning());

    link.disconnectDevice(true);
    reset = false;
    QVERIFY(link.connectDevice(peerHost, 502));
    QVERIFY(link.setOutput(true));
}

void TestNetBadInputModbus::resetInTheMiddleOfAListFileWrite()
{
    startSim();
    klvsim::SimListFile stored;
    stored.name = "THREE";
    stored.steps = {{1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
    sim->setListFile(1, stored);
    DevDriver_KLV2400 driver;
    QVERIFY(connectLink(driver, simHost));
    MessageBoxAnswerer boxes;
    devpage::LogRecorder log;
    ListSettingDialog dialog(&driver);
    dialog.setListLimits(0, 60, 0, 20, 10, 100);
    QVERIFY(boxes.texts.isEmpty());   // file 1 was read
    const int stores = sim->storeCount();

    // The link drops while the steps are written.
    klvsim::FaultRule drop = fault(FaultKind::Drop, 0x10, 218, 1);
    drop.skip = 1;
    sim->addFault(drop);
    sim->clearRecords();
    QTest::mouseClick(devpage::child<QPushButton>(&dialog, "btn_save"), Qt::LeftButton);

    QCOMPARE(boxes.texts, QStringList{QStringLiteral("列表文件1参数设置失败！")});
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QVERIFY(log.has(simHost + QStringLiteral("设备列表文件1参数设置失败！"), 2));
    QCOMPARE(sim->storeCount(), stores);
    for (const devpage::Write &w : devpage::writesSeen(*sim))
        QVERIFY(w.reg != 226);
}

void TestNetBadInputModbus::nameReplyOfEightBytes()
{
    // A name reply with no data: an empty name, and the file is read on.
    peer->respond = [](const QByteArray &request) {
        if (quint8(request.at(7)) == 0x42)
            return request.left(4) + hex("00 02 01 42");
        if (quint8(request.at(7)) == 0x03 && quint8(request.at(9)) == 210)
            return request.left(4) + hex("00 0f 01 03 0c 00 00 00 01 00 00 00 02 00 00 00 00");
        return goodReply(request);
    };
    DevDriver_KLV2400 link;
    QVERIFY(connectLink(link, peerHost));
    ST_ListFile file;
    file.fileName = QStringLiteral("old");
    QVERIFY(link.readListFile(3, file));
    QCOMPARE(file.fileName, QString());
    QCOMPARE(file.cycleTimes, 2);
    QCOMPARE(file.steps.size(), 1);
}

void TestNetBadInputModbus::absurdListCountsRefusePage()
{
    // A supply claiming billions of list files or steps (or a negative
    // number) would make the page build that many choices or rows: the
    // limits read fails and the page is not opened.
    for (const bool files : {true, false}) {
        for (const quint32 count : {0x7FFFFFFFu, 0xFFFFFFFFu, 2000000u}) {
            peer->respond = [&](const QByteArray &request) {
                const int function = quint8(request.at(7));
                const int address = quint8(request.at(8)) << 8 | quint8(request.at(9));
                if (function == 0x42 && address == 254)
                    return request.left(4) + hex("00 c3 01 42") + QByteArray(193, '\0');
                if (function == 0x41 && address == (files ? 208 : 210)) {
                    QByteArray reply = goodReply(request);
                    for (int i = 0; i < 4; ++i)
                        reply[12 + i] = char(count >> (24 - 8 * i));
                    return reply;
                }
                return goodReply(request);
            };
            MessageBoxAnswerer boxes;
            DevWidget_KLV2400 page;
            QVERIFY(!page.openDevice(peerHost));
            QCOMPARE(page.deviceDriver().connectState(), int(ModbusDriver::Disconnected));
            QCOMPARE(boxes.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
        }
    }
}

void TestNetBadInputModbus::supplyThatNeverAnswers()
{
    // Accepts the connection, reads every request, answers none: opening
    // the page fails after the attempts and leaves nothing connected.
    startSim();
    sim->addFault(fault(FaultKind::NeverAnswer, -1, -1));
    MessageBoxAnswerer boxes;
    DevWidget_KLV2400 page;
    QVERIFY(!page.openDevice(simHost));
    QCOMPARE(page.deviceDriver().connectState(), int(ModbusDriver::Disconnected));
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
    // The first read's three attempts, and nothing after it.
    const QList<QByteArray> requests = sim->modbusRequests();
    QCOMPARE(requests.size(), 3);
    QCOMPARE(requests.at(1), requests.at(0));
    QCOMPARE(requests.at(2), requests.at(0));
}

QTEST_MAIN(TestNetBadInputModbus)
#include "tst_net_badinput_modbus.moc"
