// One search through the machine's own adapter list, as in the field: the
// private namespace gets a veth pair whose one end carries the program's
// address, and three simulated supplies listen on its loopback addresses.
// The broadcast leaves through the veth end and comes back to the local
// listener; loopback itself never qualifies as an adapter.
#include "discovery_rig.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QNetworkInterface>
#include <QProcess>
#include <QSet>
#include <QtTest>

using namespace discovery;
using namespace klvsim;

namespace {

bool run(const QStringList &args, QString *error)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), args);
    if (!ip.waitForFinished(10000) || ip.exitStatus() != QProcess::NormalExit || ip.exitCode() != 0) {
        *error = QStringLiteral("ip %1: %2 %3").arg(args.join(QLatin1Char(' ')), ip.errorString(),
                                                   QString::fromLocal8Bit(ip.readAllStandardError()));
        return false;
    }
    return true;
}

// True only inside a fresh network namespace: nothing but loopback exists,
// so a broadcast from here can never reach a real network.
bool inPrivateNamespace()
{
    if (qEnvironmentVariable("KLV_IN_NETNS") != QLatin1String("1"))
        return false;
    const QList<QNetworkInterface> interfaces = QNetworkInterface::allInterfaces();
    for (const QNetworkInterface &iface : interfaces)
        if (!(iface.flags() & QNetworkInterface::IsLoopBack))
            return false;
    return true;
}

SupplyConfig supplyConfig(const char *ip, quint8 devAddr, const QByteArray &identity)
{
    SupplyConfig cfg;
    cfg.address = QHostAddress(QLatin1String(ip));
    cfg.deviceAddress = devAddr;
    cfg.identity = identity;
    return cfg;
}

} // namespace

class TestNetDiscoveryVeth : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void initTestCase();
    void searchFindsThreeSupplies();
};

void TestNetDiscoveryVeth::initTestCase()
{
    if (!inPrivateNamespace())
        QFAIL("must run in a fresh private network namespace (scripts/in-netns); nothing was sent");
    QString error;
    QVERIFY2(run({"link", "add", "kv0", "type", "veth", "peer", "name", "kv1"}, &error), qPrintable(error));
    QVERIFY2(run({"addr", "add", "10.77.0.1/24", "dev", "kv0"}, &error), qPrintable(error));
    QVERIFY2(run({"link", "set", "kv0", "up"}, &error), qPrintable(error));
    QVERIFY2(run({"link", "set", "kv1", "up"}, &error), qPrintable(error));
    // The peer end has no IPv4 address, so the program's end is the only candidate.
    QVERIFY(waitUntil([] { return adapterCandidates(systemAdapters()) == QStringList{"10.77.0.1(kv0)"}; },
                      5000));
}

void TestNetDiscoveryVeth::searchFindsThreeSupplies()
{
    SimHost host;
    host.setLoopbackOnly(false);   // the search comes from 10.77.0.1
    host.addSupply(supplyConfig("127.0.0.11", 1, "KLV2400-6020/60V 20A 1200W/KLV"));
    host.addSupply(supplyConfig("127.0.0.12", 2, "KLV2400-3040/30V 40A 1200W/KLV"));
    host.addSupply(supplyConfig("127.0.0.13", 3, "KLV2400-1550/150V 50A 3000W/KLV"));
    QString error;
    QVERIFY2(host.start(&error), qPrintable(error));

    MainWindow window;   // the machine's own adapter list
    DialogOperator dialogs;
    search(window);
    QVERIFY(waitUntil([&] { return cards(window).size() == 3; }, 5000));
    QCOMPARE(dialogs.opened, 0);

    // Live: every card's lamp turns green from its own status poll; by then
    // any second answer to the one broadcast would have made a fourth card.
    QVERIFY(waitUntil([&] {
        for (DevBriefInfoWidget *card : cards(window))
            if (lamp(card) != QLatin1String(lampGreen))
                return false;
        return true;
    }, 5000));
    QCOMPARE(cards(window).size(), 3);
    QSet<QString> found;
    for (DevBriefInfoWidget *card : cards(window))
        found << text(card, "lab_IPAddr");
    QCOMPARE(found, (QSet<QString>{"127.0.0.11", "127.0.0.12", "127.0.0.13"}));

    // Each card opens its supply's page.
    for (DevBriefInfoWidget *card : cards(window)) {
        const int before = tabs(window)->count();
        card->findChild<QPushButton *>(QStringLiteral("btn_devConnect"))->click();
        QVERIFY(waitUntil([&] { return tabs(window)->count() == before + 1; }, 10000));
    }
    QSet<QString> pages;
    for (int i = 0; i < tabs(window)->count(); ++i)
        pages << tabs(window)->tabText(i);
    QCOMPARE(pages, found);
    window.close();
}

QTEST_MAIN(TestNetDiscoveryVeth)
#include "tst_net_discovery_veth.moc"
