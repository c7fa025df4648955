// Discovery and the device cards over real UDP sockets on loopback: the
// window's search goes out from 127.0.0.1 (a limited broadcast from there
// stays on loopback) to the simulated supplies or to sockets of the test.
#include "discovery_rig.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QNetworkDatagram>
#include <QPointer>
#include <QtTest>

using namespace discovery;
using namespace klvsim;

namespace {

const QByteArray searchRequest = QByteArray::fromHex("0042EEEE6DDC");

QList<AdapterInfo> fakeAdapters(const QStringList &ips)
{
    QList<AdapterInfo> list;
    for (int i = 0; i < ips.size(); ++i) {
        AdapterInfo a;
        a.flags = QNetworkInterface::IsUp | QNetworkInterface::IsRunning
            | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast;
        a.hardwareAddress = QStringLiteral("02:00:00:00:00:%1").arg(i + 1, 2, 10, QLatin1Char('0'));
        a.humanReadableName = ips.size() == 1 ? QStringLiteral("lo-test") : QStringLiteral("lo-%1").arg(i + 1);
        a.addresses << QHostAddress(ips[i]);
        list << a;
    }
    return list;
}

// A socket in the place of whatever listens on port 7000 of all addresses:
// it sees every search broadcast.
struct Listener {
    QUdpSocket socket;
    QList<QNetworkDatagram> got;
    bool bound = false;
    Listener()
    {
        bound = socket.bind(QHostAddress::AnyIPv4, 7000, QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint);
        QObject::connect(&socket, &QUdpSocket::readyRead, [this] {
            while (socket.hasPendingDatagrams())
                got << socket.receiveDatagram();
        });
    }
};

// The main window with its adapters replaced by loopback stand-ins.
struct Window {
    MainWindow window;
    int adapterListings = 0;
    explicit Window(const QStringList &ips)
    {
        window.setAdapterSource([this, ips] {
            ++adapterListings;
            return fakeAdapters(ips);
        });
    }
    void search() { discovery::search(window); }
    QList<DevBriefInfoWidget *> cards() { return discovery::cards(window); }
    QString logPane() { return discovery::logPane(window); }
    QTabWidget *tabs() { return discovery::tabs(window); }
};

QByteArray identityReply(quint8 devAddr, const QByteArray &identity, int size = 81)
{
    QByteArray reply(size, '\0');
    reply[0] = char(devAddr);
    reply[1] = char(0x42);
    reply.replace(3, qMin(identity.size(), size - 3), identity.left(size - 3));
    return reply;
}

QByteArray statusReply(quint8 byte5, quint8 byte6, const QByteArray &values)
{
    QByteArray reply = QByteArray::fromHex("010310") + QByteArray(2, '\0');
    reply.append(char(byte5));
    reply.append(char(byte6));
    reply.append(values.leftJustified(12, '\0', true));
    reply.append("\x00\x00", 2);
    return reply;
}

SupplyConfig supplyConfig(const char *ip, quint8 devAddr, const QByteArray &identity)
{
    SupplyConfig cfg;
    cfg.address = QHostAddress(QLatin1String(ip));
    cfg.deviceAddress = devAddr;
    cfg.identity = identity;
    return cfg;
}

QList<QByteArray> nonPolls(const SimSupply *supply)
{
    QList<QByteArray> list;
    for (const QByteArray &d : supply->udpRequests())
        if (d.size() != 8 || d.at(1) != 0x03)
            list << d;
    return list;
}

} // namespace

class TestNetDiscovery : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void oneAdapterSearchesAtOnce();
    void adapterDialogDecides();
    void repliesBecomeCards();
    void secondSearchReplacesCards();
    void cardShowsStatusAndClearsAlarm();
    void cardGreysWhenSilent();
    void connectButtonOpensOnePage();
};

void TestNetDiscovery::oneAdapterSearchesAtOnce()
{
    Listener listener;
    QVERIFY(listener.bound);
    DialogOperator dialogs;
    Window w({"127.0.0.1"});
    w.search();
    QVERIFY(waitUntil([&] { return listener.got.size() == 1; }, 5000));
    QCOMPARE(dialogs.opened, 0);
    QCOMPARE(listener.got[0].data().toHex(' '), searchRequest.toHex(' '));
    QCOMPARE(listener.got[0].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
    QVERIFY(w.logPane().contains(QStringLiteral("提示: 搜索设备...")));

    // The stored choice is used again without listing the adapters anew.
    w.search();
    QVERIFY(waitUntil([&] { return listener.got.size() == 2; }, 5000));
    QCOMPARE(w.adapterListings, 1);
    QCOMPARE(listener.got[1].data(), searchRequest);
    QCOMPARE(listener.got[1].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
}

void TestNetDiscovery::adapterDialogDecides()
{
    Listener listener;
    QVERIFY(listener.bound);
    DialogOperator dialogs;
    Window w({"127.0.0.1", "127.0.0.2"});

    QStringList offered;
    dialogs.action = [&](NetworkSetDlg *dlg) {
        auto *combo = dlg->findChild<QComboBox *>(QStringLiteral("comboBox"));
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        dlg->findChild<QPushButton *>(QStringLiteral("btn_cancel"))->click();
    };
    w.search();
    QCOMPARE(dialogs.opened, 1);
    QCOMPARE(offered, (QStringList{"127.0.0.1(lo-1)", "127.0.0.2(lo-2)"}));
    QVERIFY(!w.logPane().contains(QStringLiteral("搜索设备")));

    // Had the cancelled search sent anything, it would arrive first.
    dialogs.action = [](NetworkSetDlg *dlg) { choose(dlg, 1); };
    w.search();
    QCOMPARE(dialogs.opened, 2);
    QVERIFY(waitUntil([&] { return !listener.got.isEmpty(); }, 5000));
    QCOMPARE(listener.got[0].senderAddress(), QHostAddress(QStringLiteral("127.0.0.2")));

    // The adapter button preselects the stored choice and starts no search.
    QString preselected;
    dialogs.action = [&](NetworkSetDlg *dlg) {
        preselected = dlg->findChild<QComboBox *>(QStringLiteral("comboBox"))->currentText();
        choose(dlg, 0);
    };
    w.window.findChild<QToolButton *>(QStringLiteral("tbtn_networkSet"))->click();
    QCOMPARE(dialogs.opened, 3);
    QCOMPARE(preselected, QStringLiteral("127.0.0.2(lo-2)"));
    w.search();
    QCOMPARE(dialogs.opened, 3);
    QVERIFY(waitUntil([&] { return listener.got.size() >= 2; }, 5000));
    QCOMPARE(listener.got.size(), 2);
    QCOMPARE(listener.got[1].senderAddress(), QHostAddress(QStringLiteral("127.0.0.1")));
}

void TestNetDiscovery::repliesBecomeCards()
{
    Listener listener;
    QVERIFY(listener.bound);
    Window w({"127.0.0.1"});
    QUdpSocket supplyA, supplyB, other;
    // Shared with the listener on the same port.
    const auto share = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
    QVERIFY(supplyA.bind(QHostAddress(QStringLiteral("127.0.0.21")), 7000, share));
    QVERIFY(supplyB.bind(QHostAddress(QStringLiteral("127.0.0.22")), 7000, share));
    QVERIFY(other.bind(QHostAddress(QStringLiteral("127.0.0.23")), 0));
    w.search();
    QVERIFY(waitUntil([&] { return listener.got.size() == 1; }, 5000));
    const QHostAddress window = listener.got[0].senderAddress();
    const quint16 port = quint16(listener.got[0].senderPort());

    // Wrong lengths queued ahead of a valid reply must not hold it back: one
    // reading pass (loopback delivers within the send) takes them all.
    const QByteArray identityA = "KLV2400-6020/60V 20A 1200W/KLV Power";
    supplyA.writeDatagram(QByteArray(), window, port);
    supplyA.writeDatagram(identityReply(5, identityA, 80), window, port);
    supplyA.writeDatagram(identityReply(5, identityA, 82), window, port);
    supplyA.writeDatagram(identityReply(5, identityA), window, port);
    QVERIFY(QMetaObject::invokeMethod(&w.window, "onProcessPendingDatagrams"));
    QCOMPARE(w.cards().size(), 1);

    // Other models, and the model name in the wrong case, make no card; the
    // name inside a longer model text does.
    other.writeDatagram(identityReply(7, "KLV3000/60V/KLV Power"), window, port);
    other.writeDatagram(identityReply(7, "klv2400-6020/60V/KLV Power"), window, port);
    supplyB.writeDatagram(identityReply(6, "NEW-KLV2400A/30V 40A/Other Co"), window, port);
    QVERIFY(waitUntil([&] { return w.cards().size() == 2; }, 5000));
    QCoreApplication::processEvents();
    QCOMPARE(w.cards().size(), 2);

    DevBriefInfoWidget *top = w.cards()[0];
    DevBriefInfoWidget *below = w.cards()[1];
    QCOMPARE(text(top, "lab_IPAddr"), QStringLiteral("127.0.0.22"));
    QCOMPARE(text(top, "lab_specification"), QStringLiteral("30V 40A"));
    QCOMPARE(text(top, "lab_manufacturer"), QStringLiteral("Other Co"));
    QCOMPARE(text(below, "lab_IPAddr"), QStringLiteral("127.0.0.21"));
    QCOMPARE(text(below, "lab_specification"), QStringLiteral("60V 20A 1200W"));
    QCOMPARE(text(below, "lab_manufacturer"), QStringLiteral("KLV Power"));

    // The card polls its supply with the device address of the reply.
    QVERIFY(waitUntil([&] { return supplyA.hasPendingDatagrams(); }, 5000));
    QCOMPARE(supplyA.receiveDatagram().data().toHex(' '), QByteArray("05 03 00 08 00 08 c4 4a"));

    // Its own close button removes a card.
    QPointer<DevBriefInfoWidget> closed = top;
    top->findChild<QPushButton *>(QStringLiteral("btn_close"))->click();
    flushDeletes();
    QVERIFY(closed.isNull());
    QCOMPARE(w.cards().size(), 1);
}

void TestNetDiscovery::secondSearchReplacesCards()
{
    SimHost host;
    SimSupply *first = host.addSupply(supplyConfig("127.0.0.11", 1, "KLV2400-6020/60V 20A 1200W/KLV"));
    SimSupply *second = host.addSupply(supplyConfig("127.0.0.12", 0x11, "KLV2400-3040/30V 40A 1200W/KLV"));
    host.addSupply(supplyConfig("127.0.0.13", 2, "KLV3000-6020/60V 20A/KLV"));
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));

    Window w({"127.0.0.1"});
    w.search();
    QVERIFY(waitUntil([&] { return w.cards().size() == 2; }, 5000));
    QCOMPARE(first->udpRequests().value(0), searchRequest);
    // The supplies answer in turn: the later answer is on top.
    QCOMPARE(text(w.cards()[0], "lab_IPAddr"), QStringLiteral("127.0.0.12"));
    QCOMPARE(text(w.cards()[0], "lab_specification"), QStringLiteral("30V 40A 1200W"));
    QCOMPARE(text(w.cards()[1], "lab_IPAddr"), QStringLiteral("127.0.0.11"));
    QVERIFY(waitUntil([&] { return second->udpRequests().size() >= 2; }, 5000));
    QCOMPARE(second->udpRequests()[1].toHex(' '), QByteArray("11 03 00 08 00 08 c7 5e"));

    QList<QPointer<DevBriefInfoWidget>> old;
    for (DevBriefInfoWidget *card : w.cards())
        old << card;
    w.search();
    flushDeletes();
    for (const QPointer<DevBriefInfoWidget> &card : old)
        QVERIFY(card.isNull());
    QVERIFY(waitUntil([&] { return w.cards().size() == 2; }, 5000));
    QCOMPARE(text(w.cards()[0], "lab_IPAddr"), QStringLiteral("127.0.0.12"));
    QCOMPARE(text(w.cards()[1], "lab_IPAddr"), QStringLiteral("127.0.0.11"));
}

void TestNetDiscovery::cardShowsStatusAndClearsAlarm()
{
    SimHost host;
    SimSupply *supply = host.addSupply(supplyConfig("127.0.0.11", 3, "KLV2400-6020/60V 20A 1200W/KLV"));
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));

    DevBriefInfoWidget card;
    QCOMPARE(lamp(&card), QString());
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("OFF"));
    card.setBriefInfo({QStringLiteral("127.0.0.11"), 3, QStringLiteral("KLV"), QStringLiteral("60V 20A")});
    QCOMPARE(text(&card, "lab_manufacturer"), QStringLiteral("KLV"));
    QCOMPARE(text(&card, "lab_specification"), QStringLiteral("60V 20A"));

    // Output off keeps the simulated readings where they are set.
    supply->setValue(8, 0x30);   // SEQ, output off
    supply->setFloatValue(10, 12.5f);
    supply->setFloatValue(12, 1.25f);
    supply->setFloatValue(14, 15.625f);
    QVERIFY(waitUntil([&] { return text(&card, "lab_vol") == QLatin1String("12.5000"); }, 5000));
    QCOMPARE(text(&card, "lab_testFunc"), QStringLiteral("SEQ"));
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("OFF"));
    QCOMPARE(text(&card, "lab_cur"), QStringLiteral("1.2500"));
    QCOMPARE(text(&card, "lab_power"), QStringLiteral("15.6250"));
    QCOMPARE(lamp(&card), QLatin1String(lampGreen));

    // No alarm: the lamp asks nothing and sends nothing.
    QPushButton *lampButton = card.findChild<QPushButton *>(QStringLiteral("pushButton"));
    MessageBoxAnswerer answerer(QStringLiteral("是"));
    lampButton->click();
    supply->setValue(8, 0x31);   // SEQ, output on
    QVERIFY(waitUntil([&] { return text(&card, "lab_outPutState") == QLatin1String("ON"); }, 5000));
    lampButton->click();
    QVERIFY(answerer.texts.isEmpty());

    supply->raiseAlarm(3);
    QVERIFY(waitUntil([&] { return text(&card, "lab_outPutState") == QLatin1String("OC"); }, 5000));
    QCOMPARE(lamp(&card), QLatin1String(lampRed));

    answerer.setButtonText(QStringLiteral("否"));
    lampButton->click();
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("是否清除当前报警？")});
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});

    answerer.setButtonText(QStringLiteral("是"));
    lampButton->click();
    QCOMPARE(answerer.texts.size(), 2);
    QVERIFY(waitUntil([&] { return !nonPolls(supply).isEmpty(); }, 5000));
    QCOMPARE(nonPolls(supply).size(), 1);
    QCOMPARE(nonPolls(supply)[0].toHex(' '), QByteArray("03 10 00 2a 00 02 04 00 00 00 01 bb b0"));
    // The supply's 8-byte answer is passed over and the next status shows the result.
    QVERIFY(waitUntil([&] { return text(&card, "lab_outPutState") == QLatin1String("OFF"); }, 5000));
    QCOMPARE(lamp(&card), QLatin1String(lampGreen));
    QCOMPARE(supply->alarmCode(), 0);
}

void TestNetDiscovery::cardGreysWhenSilent()
{
    // A supply played by the test, answering each poll as told.
    enum class Mode { Status, ShortOnly, Silent } mode = Mode::Status;
    const QByteArray values = QByteArray::fromHex("41480000" "3FC00000" "41960000");
    const QByteArray clearAlarmEcho = QByteArray::fromHex("0110002A0002B008");
    QUdpSocket supply;
    QVERIFY(supply.bind(QHostAddress(QStringLiteral("127.0.0.21")), 7000));
    QHostAddress cardAddress;
    quint16 cardPort = 0;
    int polls = 0;
    connect(&supply, &QUdpSocket::readyRead, this, [&] {
        while (supply.hasPendingDatagrams()) {
            const QNetworkDatagram poll = supply.receiveDatagram();
            ++polls;
            cardAddress = poll.senderAddress();
            cardPort = quint16(poll.senderPort());
            if (mode == Mode::Status)
                supply.writeDatagram(statusReply(0x00, 0x31, values), cardAddress, cardPort);
            else if (mode == Mode::ShortOnly)
                supply.writeDatagram(clearAlarmEcho, cardAddress, cardPort);
        }
    });

    DevBriefInfoWidget card;
    card.setBriefInfo({QStringLiteral("127.0.0.21"), 1, QString(), QString()});
    QVERIFY(waitUntil([&] { return text(&card, "lab_vol") == QLatin1String("12.5000"); }, 5000));
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("ON"));
    QCOMPARE(lamp(&card), QLatin1String(lampGreen));

    // Datagrams of any length are signs of life.
    mode = Mode::ShortOnly;
    const int before = polls;
    QVERIFY(waitUntil([&] { return polls >= before + 6; }, 10000));
    QCOMPARE(lamp(&card), QLatin1String(lampGreen));

    mode = Mode::Silent;
    QVERIFY(waitUntil([&] { return lamp(&card) == QLatin1String(lampGrey); }, 10000));
    QCOMPARE(text(&card, "lab_vol"), QStringLiteral("12.5000"));
    QCOMPARE(text(&card, "lab_cur"), QStringLiteral("1.5000"));
    QCOMPARE(text(&card, "lab_power"), QStringLiteral("18.7500"));
    QCOMPARE(text(&card, "lab_testFunc"), QStringLiteral("SEQ"));
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("ON"));

    // The next reply colours the lamp again, even queued behind an 8-byte
    // datagram: one reading pass takes both.
    supply.writeDatagram(clearAlarmEcho, cardAddress, cardPort);
    supply.writeDatagram(statusReply(0x18, 0x00, values), cardAddress, cardPort);
    QVERIFY(QMetaObject::invokeMethod(&card, "onProcessPendingDatagrams"));
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("OC"));
    QCOMPARE(lamp(&card), QLatin1String(lampRed));
}

void TestNetDiscovery::connectButtonOpensOnePage()
{
    SimHost host;
    host.addSupply(supplyConfig("127.0.0.11", 1, "KLV2400-6020/60V 20A 1200W/KLV"));
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));

    Window w({"127.0.0.1"});
    w.search();
    QVERIFY(waitUntil([&] { return w.cards().size() == 1; }, 5000));
    QPushButton *connectButton = w.cards()[0]->findChild<QPushButton *>(QStringLiteral("btn_devConnect"));
    MessageBoxAnswerer answerer;
    connectButton->click();
    QVERIFY(waitUntil([&] { return w.tabs()->count() == 1; }, 10000));
    QCOMPARE(w.tabs()->tabText(0), QStringLiteral("127.0.0.11"));

    connectButton->click();
    QVERIFY(waitUntil([&] { return answerer.texts.contains(QStringLiteral("设备已添加！")); }, 5000));
    QCOMPARE(w.tabs()->count(), 1);
    // The card stays and keeps polling while its page is open.
    QCOMPARE(w.cards().size(), 1);
    w.window.close();
}

QTEST_MAIN(TestNetDiscovery)
#include "tst_net_discovery.moc"
