// Discovery and the device cards over real UDP sockets. The window's search goes out from 127.0.0.1
// (a limited broadcast from there stays on loopback) to sockets of the test; the last case uses the
// machine's own adapter list, a veth pair in this private namespace, and simulated supplies.
#include "devbriefinfowidget.h"
#include "mainwindow.h"
#include "networksetdlg.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QLabel>
#include <QLayout>
#include <QNetworkDatagram>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <algorithm>

using namespace klvsim;

namespace {

const QLatin1String lampGreen("background-color: #00ff00;border-radius:10px;");
const QLatin1String lampRed("background-color: #ff0000; color: rgb(255, 255, 255);border-radius:10px;");
const QLatin1String lampGrey("background-color: #cccccc;border-radius:10px;");

QString text(QWidget *parent, const char *name) { return parent->findChild<QLabel *>(QLatin1String(name))->text(); }
QString lamp(QWidget *card) { return card->findChild<QPushButton *>(QStringLiteral("pushButton"))->styleSheet(); }
QTabWidget *tabs(MainWindow &w) { return w.findChild<QTabWidget *>(QStringLiteral("tabWidget")); }
void search(MainWindow &w) { w.findChild<QToolButton *>(QStringLiteral("tbtn_searchDev"))->click(); }

// Cards in the order the pane shows them, top first.
QList<DevBriefInfoWidget *> cards(MainWindow &w)
{
    QList<DevBriefInfoWidget *> list;
    QLayout *layout = w.findChild<QWidget *>(QStringLiteral("scrollAreaWidgetContents"))->layout();
    for (int i = 0; i < layout->count(); ++i)
        if (auto *card = qobject_cast<DevBriefInfoWidget *>(layout->itemAt(i)->widget()))
            list << card;
    return list;
}

QList<AdapterInfo> loopbackAdapter()
{
    AdapterInfo a{QNetworkInterface::IsUp | QNetworkInterface::IsRunning | QNetworkInterface::CanBroadcast
                      | QNetworkInterface::CanMulticast, "02:00:00:00:00:01", "lo-test", {QHostAddress("127.0.0.1")}};
    return {a};
}

QByteArray identityReply(const QByteArray &t) { return (QByteArray("\x01\x42\x00", 3) + t).leftJustified(81, '\0'); }

// The CRC bytes are wrong on purpose: a received CRC is never checked.
QByteArray statusReply(quint8 byte5, quint8 byte6, const char *values)
{
    return QByteArray::fromHex("0103100000") + char(byte5) + char(byte6) + QByteArray::fromHex(values) + "\x12\x34";
}

// Stands in for a supply at 127.0.0.12: sees the search broadcast on the
// wildcard address and the card's polls on its own, answering each with the
// datagrams a test scripts.
struct FakeSupply {
    QUdpSocket search, own;
    QList<QByteArray> onSearch, onPoll;
    int polls = 0;
    bool bound = false;
    FakeSupply()
    {
        const auto mode = QAbstractSocket::ShareAddress | QAbstractSocket::ReuseAddressHint;
        bound = search.bind(QHostAddress::AnyIPv4, 7000, mode) && own.bind(QHostAddress("127.0.0.12"), 7000, mode);
        QObject::connect(&search, &QUdpSocket::readyRead, [this] { answer(search, onSearch); });
        QObject::connect(&own, &QUdpSocket::readyRead, [this] { answer(own, onPoll); });
    }
    void answer(QUdpSocket &socket, const QList<QByteArray> &replies)
    {
        while (socket.hasPendingDatagrams()) {
            const QNetworkDatagram request = socket.receiveDatagram();
            polls += &socket == &own;
            for (const QByteArray &reply : replies) {
                own.writeDatagram(reply, request.senderAddress(), quint16(request.senderPort()));
                QCoreApplication::processEvents();   // the receiver keeps up: no datagram lost to a full buffer
            }
        }
    }
};

// Three KLV2400 supplies on 127.0.0.11-13 (the second with device address
// 0x11) and another model on 127.0.0.14, which makes no card.
SimSupply *addSupplies(SimHost &host)
{
    const char *identities[] = {"KLV2400-6020/60V 20A 1200W/KLV", "KLV2400-3040/30V 40A 1200W/KLV",
                                "KLV2400-1550/150V 50A 3000W/KLV", "KLV3000-6020/60V 20A/KLV"};
    for (int i = 0; i < 4; ++i) {
        SupplyConfig cfg;
        cfg.address = QHostAddress(QStringLiteral("127.0.0.%1").arg(11 + i));
        cfg.deviceAddress = quint8(i == 1 ? 0x11 : i + 1);
        cfg.identity = identities[i];
        host.addSupply(cfg);
    }
    return host.supplies().at(1);
}

} // namespace

class TestNetDiscovery : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void onlyExactLengthsOnBothSockets();
    void everyDatagramIsASignOfLife();
    void vethSearchFindsThreeSupplies();
};

void TestNetDiscovery::onlyExactLengthsOnBothSockets()
{
    FakeSupply fake;
    QVERIFY(fake.bound);
    // Every wrong length has a well-formed reply at its head, so a length
    // check that is off by anything lets one through.
    const QByteArray wrongIdentity = identityReply("KLV2400/WRONG/WRONG");
    const QByteArray wrongStatus = statusReply(5 << 3, 0x11, "42c60000 42c60000 42c60000");
    const QByteArray goodStatus = statusReply(0, 0x11, "41480000 3fa00000 417a0000");
    for (int i = 0; i <= 129; ++i) {
        const int n = i == 129 ? 65507 : i;   // every length to 128, and the largest datagram
        if (n != 81)
            fake.onSearch << wrongIdentity.leftJustified(n, 'X', true);
        if (n == 22)
            fake.onPoll << goodStatus;
        if (n != 21)
            fake.onPoll << wrongStatus.leftJustified(n, 'X', true);
    }
    // Sent last: once it shows, every datagram before it was read. Markup stays text.
    fake.onSearch << identityReply("KLV2400/<b>R<br>/<img src=x>&amp;");
    MainWindow window;
    window.setAdapterSource(loopbackAdapter);
    search(window);
    QVERIFY(waitUntil([&] { return !cards(window).isEmpty(); }, 5000));
    QTest::qWait(100);
    QCOMPARE(cards(window).size(), 1);
    DevBriefInfoWidget *card = cards(window).first();
    for (const char *name : {"lab_specification", "lab_manufacturer", "lab_IPAddr"})
        QCOMPARE(card->findChild<QLabel *>(QLatin1String(name))->textFormat(), Qt::PlainText);
    QVERIFY(waitUntil([&] { return fake.polls >= 2; }, 5000));   // the first answer read in full
    QStringList shown;
    for (const char *name :
         {"lab_specification", "lab_manufacturer", "lab_IPAddr", "lab_vol", "lab_cur", "lab_power", "lab_outPutState"})
        shown << text(card, name);
    QCOMPARE(shown, QStringList({"<b>R<br>", "<img src=x>&amp;", "127.0.0.12", "12.5000", "1.2500", "15.6250", "ON"}));
    QCOMPARE(lamp(card), lampGreen);
}

void TestNetDiscovery::everyDatagramIsASignOfLife()
{
    const QByteArray echo = QByteArray::fromHex("0110002A0002B008");   // the clear-alarm answer
    const QByteArray status = statusReply(0, 0x31, "41480000 3fc00000 41960000");
    enum { Status, EchoOnly, Silent } mode = Status;
    QUdpSocket fake;
    QVERIFY(fake.bind(QHostAddress(QStringLiteral("127.0.0.21")), 7000));
    QNetworkDatagram poll;
    int polls = 0;
    connect(&fake, &QUdpSocket::readyRead, this, [&] {
        for (; fake.hasPendingDatagrams(); ++polls)
            if ((poll = fake.receiveDatagram()).isValid() && mode != Silent)
                fake.writeDatagram(poll.makeReply(mode == Status ? status : echo));
    });
    DevBriefInfoWidget card;
    card.setBriefInfo({QStringLiteral("127.0.0.21"), 1, QString(), QString()});
    QVERIFY(waitUntil([&] { return text(&card, "lab_vol") == QLatin1String("12.5000"); }, 5000));
    QCOMPARE(lamp(&card), lampGreen);
    // Datagrams of any length keep the lamp green.
    mode = EchoOnly;
    const int before = polls;
    QVERIFY(waitUntil([&] { return polls >= before + 6; }, 10000));
    QCOMPARE(lamp(&card), lampGreen);
    // Silence greys the lamp but keeps the last values.
    mode = Silent;
    QVERIFY(waitUntil([&] { return lamp(&card) == lampGrey; }, 10000));
    QCOMPARE(QStringList({text(&card, "lab_vol"), text(&card, "lab_testFunc"), text(&card, "lab_outPutState")}),
             QStringList({"12.5000", "SEQ", "ON"}));
    // The next reply colours it again, even queued behind a short datagram: one reading pass takes both.
    fake.writeDatagram(poll.makeReply(echo));
    fake.writeDatagram(poll.makeReply(statusReply(0x18, 0, "41480000 3fc00000 41960000")));
    QVERIFY(QMetaObject::invokeMethod(&card, "onProcessPendingDatagrams"));
    QCOMPARE(text(&card, "lab_outPutState"), QStringLiteral("OC"));
    QCOMPARE(lamp(&card), lampRed);
}

// One search through the machine's own adapter list, as in the field: a veth
// pair whose one end carries the program's address; the supplies listen on
// loopback, where the broadcast comes back. Loopback itself never qualifies.
void TestNetDiscovery::vethSearchFindsThreeSupplies()
{
    // Only in a fresh namespace: a broadcast from here can never reach a real network.
    QVERIFY2(qEnvironmentVariable("KLV_IN_NETNS") == QLatin1String("1"), "needs scripts/in-netns; nothing was sent");
    QCOMPARE(QNetworkInterface::allInterfaces().size(), 1);   // loopback only
    for (const char *args : {"link add kv0 type veth peer name kv1", "addr add 10.77.0.1/24 dev kv0", "link set kv0 up",
                             "link set kv1 up"})
        QCOMPARE(QProcess::execute(QStringLiteral("ip"), QString::fromLatin1(args).split(' ')), 0);
    // The peer end has no IPv4 address, so the program's end is the only candidate.
    QVERIFY(waitUntil([] { return adapterCandidates(systemAdapters()) == QStringList{"10.77.0.1(kv0)"}; }, 5000));
    SimHost host;
    host.setLoopbackOnly(false);   // the search comes from 10.77.0.1
    SimSupply *second = addSupplies(host);
    QVERIFY(host.start());
    MainWindow window;
    int dialogs = 0;   // cancelled and counted: with one adapter none may open
    QTimer canceller;
    connect(&canceller, &QTimer::timeout, this, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dlg = qobject_cast<NetworkSetDlg *>(w); dlg && dlg->isVisible() && ++dialogs)
                dlg->reject();
    });
    canceller.start(20);
    for (int round = 0; round < 2; ++round) {
        // A new search replaces the cards: none of the old ones stays.
        search(window);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(cards(window).size(), 0);
        // Every lamp turns green from its own poll; by then a second answer
        // to the one broadcast would have made a fourth card.
        QVERIFY(waitUntil([&] {
            const QList<DevBriefInfoWidget *> l = cards(window);
            return l.size() == 3 && std::all_of(l.begin(), l.end(), [](QWidget *c) { return lamp(c) == lampGreen; });
        }, 5000));
        QSet<QString> found;
        for (DevBriefInfoWidget *card : cards(window))
            found << text(card, "lab_IPAddr") + ' ' + text(card, "lab_specification");
        QCOMPARE(found,
                 (QSet<QString>{"127.0.0.11 60V 20A 1200W", "127.0.0.12 30V 40A 1200W", "127.0.0.13 150V 50A 3000W"}));
    }
    QCOMPARE(dialogs, 0);
    // Each card polls its supply with the device address of the reply.
    QVERIFY(second->udpRequests().contains(QByteArray::fromHex("110300080008c75e")));
    // Each card opens its supply's page; a second connect opens no second page.
    QSet<QString> pages;
    for (DevBriefInfoWidget *card : cards(window)) {
        const int before = tabs(window)->count();
        card->findChild<QPushButton *>("btn_devConnect")->click();
        QVERIFY(waitUntil([&] { return tabs(window)->count() == before + 1; }, 10000));
        pages << tabs(window)->tabText(before);
    }
    QCOMPARE(pages, (QSet<QString>{"127.0.0.11", "127.0.0.12", "127.0.0.13"}));
    MessageBoxAnswerer answerer;
    cards(window).first()->findChild<QPushButton *>("btn_devConnect")->click();
    QVERIFY(waitUntil([&] { return answerer.texts.contains(QStringLiteral("设备已添加！")); }, 5000));
    QCOMPARE(tabs(window)->count(), 3);
    window.close();
}

QTEST_MAIN(TestNetDiscovery)
#include "tst_net_discovery.moc"
