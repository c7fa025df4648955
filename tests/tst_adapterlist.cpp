// Which adapters the discovery broadcast may use, and the dialog that picks one.
#include "adapterlist.h"
#include "networksetdlg.h"
#include "testsupport.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

Q_DECLARE_METATYPE(QList<AdapterInfo>)

namespace {

const QNetworkInterface::InterfaceFlags usableFlags =
    QNetworkInterface::IsUp | QNetworkInterface::IsRunning
    | QNetworkInterface::CanBroadcast | QNetworkInterface::CanMulticast;

AdapterInfo adapter(const QString &name, const QStringList &addresses,
                    const QString &mac = QStringLiteral("00:1A:2B:3C:4D:5E"),
                    QNetworkInterface::InterfaceFlags flags = usableFlags)
{
    AdapterInfo a;
    a.flags = flags;
    a.hardwareAddress = mac;
    a.humanReadableName = name;
    for (const QString &address : addresses)
        a.addresses << QHostAddress(address);
    return a;
}

// Runs the dialog modally and presses one of its buttons from inside exec().
int execPressing(NetworkSetDlg &dlg, const char *buttonName)
{
    QPushButton *button = dlg.findChild<QPushButton *>(QLatin1String(buttonName));
    if (!button)
        return -1;
    QTimer::singleShot(0, button, &QPushButton::click);
    return dlg.exec();
}

} // namespace

class TestAdapterList : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;

private slots:
    void candidates_data();
    void candidates();
    void dialogForm();
    void dialogPreselects_data();
    void dialogPreselects();
    void dialogOkNeedsAChoice();
    void dialogCancelRejects();
};

void TestAdapterList::candidates_data()
{
    QTest::addColumn<QList<AdapterInfo>>("adapters");
    QTest::addColumn<QStringList>("expected");

    const QStringList one = {QStringLiteral("192.168.1.20")};
    QTest::newRow("physical adapter taken") << QList<AdapterInfo>{adapter("eth0", one)}
                                            << QStringList{"192.168.1.20(eth0)"};
    QTest::newRow("none") << QList<AdapterInfo>{} << QStringList{};

    const char *const prefixes[] = {"00:05:69", "00:0C:29", "00:50:56", "00:1c:14", "00:1C:14",
                                    "00:1C:42", "00:03:FF", "00:0F:4B", "00:16:3E", "08:00:27"};
    for (const char *prefix : prefixes)
        QTest::newRow(qPrintable(QStringLiteral("virtual prefix %1").arg(QLatin1String(prefix))))
            << QList<AdapterInfo>{adapter("Ethernet", one, QLatin1String(prefix) + ":01:02:03")}
            << QStringList{};
    // Only the one lower-case entry of the list is compared without case.
    QTest::newRow("prefix test otherwise case-sensitive")
        << QList<AdapterInfo>{adapter("Ethernet", one, "00:0c:29:01:02:03")}
        << QStringList{"192.168.1.20(Ethernet)"};
    QTest::newRow("prefix only at the start")
        << QList<AdapterInfo>{adapter("Ethernet", one, "01:00:50:56:02:03")}
        << QStringList{"192.168.1.20(Ethernet)"};

    QTest::newRow("VMware name") << QList<AdapterInfo>{adapter("VMware Network Adapter VMnet8", one)}
                                 << QStringList{};
    QTest::newRow("vmware in lower case") << QList<AdapterInfo>{adapter("my vmware bridge", one)}
                                          << QStringList{};

    using NI = QNetworkInterface;
    QTest::newRow("no multicast") << QList<AdapterInfo>{adapter("wlan0", one, "00:1A:2B:3C:4D:5E",
                                                                NI::IsUp | NI::IsRunning | NI::CanBroadcast)}
                                  << QStringList{};
    QTest::newRow("down") << QList<AdapterInfo>{adapter("eth1", one, "00:1A:2B:3C:4D:5E",
                                                        NI::CanBroadcast | NI::CanMulticast)}
                          << QStringList{};
    QTest::newRow("not running") << QList<AdapterInfo>{adapter("eth1", one, "00:1A:2B:3C:4D:5E",
                                                               NI::IsUp | NI::CanBroadcast | NI::CanMulticast)}
                                 << QStringList{};
    QTest::newRow("loopback") << QList<AdapterInfo>{adapter("lo", {"127.0.0.1"}, "00:00:00:00:00:00",
                                                            NI::IsUp | NI::IsRunning | NI::IsLoopBack)}
                              << QStringList{};
    QTest::newRow("extra flag") << QList<AdapterInfo>{adapter("tun0", one, "00:1A:2B:3C:4D:5E",
                                                              usableFlags | NI::IsPointToPoint)}
                                << QStringList{};

    QTest::newRow("two IPv4 addresses give two entries")
        << QList<AdapterInfo>{adapter("eth0", {"fe80::1", "10.0.0.5", "2001:db8::5", "192.168.7.9"})}
        << QStringList{"10.0.0.5(eth0)", "192.168.7.9(eth0)"};
    QTest::newRow("IPv6 only gives none") << QList<AdapterInfo>{adapter("eth0", {"fe80::1", "2001:db8::5"})}
                                          << QStringList{};
    QTest::newRow("adapters in the platform's order")
        << QList<AdapterInfo>{adapter("lo", {"127.0.0.1"}, "00:00:00:00:00:00",
                                      NI::IsUp | NI::IsRunning | NI::IsLoopBack),
                              adapter("eth1", {"10.1.0.2"}, "00:1A:2B:3C:4D:01"),
                              adapter("VMnet1", {"192.168.56.1"}, "00:50:56:C0:00:01"),
                              adapter("eth0", {"10.0.0.2"}, "00:1A:2B:3C:4D:02")}
        << QStringList{"10.1.0.2(eth1)", "10.0.0.2(eth0)"};
}

void TestAdapterList::candidates()
{
    QFETCH(QList<AdapterInfo>, adapters);
    QTEST(adapterCandidates(adapters), "expected");
}

void TestAdapterList::dialogForm()
{
    NetworkSetDlg dlg(QString(), QStringList{"10.0.0.2(eth0)"});
    QCOMPARE(dlg.windowTitle(), QStringLiteral("网络设置"));
    QCOMPARE(dlg.size(), QSize(324, 163));
    QLabel *label = dlg.findChild<QLabel *>("label");
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("选择网卡："));
    QComboBox *combo = dlg.findChild<QComboBox *>("comboBox");
    QVERIFY(combo);
    QVERIFY(!combo->isEditable());
    QPushButton *ok = dlg.findChild<QPushButton *>("btn_ok");
    QPushButton *cancel = dlg.findChild<QPushButton *>("btn_cancel");
    QVERIFY(ok && cancel);
    QCOMPARE(ok->text(), QStringLiteral("确定"));
    QCOMPARE(cancel->text(), QStringLiteral("取消"));
}

void TestAdapterList::dialogPreselects_data()
{
    QTest::addColumn<QString>("current");
    QTest::addColumn<QString>("selected");
    QTest::newRow("stored choice") << "10.1.0.2(eth1)" << "10.1.0.2(eth1)";
    QTest::newRow("last entry") << "192.168.3.4(wlan0)" << "192.168.3.4(wlan0)";
    QTest::newRow("nothing stored") << "" << "10.0.0.2(eth0)";
    QTest::newRow("stored adapter gone") << "172.16.0.9(usb0)" << "10.0.0.2(eth0)";
}

void TestAdapterList::dialogPreselects()
{
    QFETCH(QString, current);
    QFETCH(QString, selected);
    NetworkSetDlg dlg(current, QStringList{"10.0.0.2(eth0)", "10.1.0.2(eth1)", "192.168.3.4(wlan0)"});
    QCOMPARE(dlg.findChild<QComboBox *>("comboBox")->count(), 3);
    QCOMPARE(execPressing(dlg, "btn_ok"), int(QDialog::Accepted));
    QCOMPARE(dlg.selectedText(), selected);
}

void TestAdapterList::dialogOkNeedsAChoice()
{
    NetworkSetDlg dlg(QStringLiteral("10.0.0.2(eth0)"), QStringList{});
    QCOMPARE(execPressing(dlg, "btn_ok"), int(QDialog::Rejected));
    QVERIFY(dlg.selectedText().isEmpty());
}

void TestAdapterList::dialogCancelRejects()
{
    NetworkSetDlg dlg(QString(), QStringList{"10.0.0.2(eth0)", "10.1.0.2(eth1)"});
    QCOMPARE(execPressing(dlg, "btn_cancel"), int(QDialog::Rejected));
}

QTEST_MAIN(TestAdapterList)
#include "tst_adapterlist.moc"
