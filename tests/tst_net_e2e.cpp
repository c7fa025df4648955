// The operator's whole road through the real main window, by object name,
// against three simulated supplies. Runs in a private network namespace
// given one veth adapter, so the search takes the real adapter logic without
// a dialog and nothing leaves the machine.
#include "adapterlist.h"
#include "devbriefinfowidget.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkInterface>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QtTest>

#include <memory>
#include <qcustomplot.h>

namespace {
const QString kIp = QStringLiteral("127.0.0.11");
bool ip(const QStringList &args)
{
    QProcess p;
    p.start("ip", args);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}
// Runs steps on the modal dialog of this object name once it shows; the steps must end it.
void onDialog(const QString &objectName, std::function<void(QDialog *)> steps)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, steps] {
        for (QWidget *w : QApplication::topLevelWidgets())
            if (auto *dialog = qobject_cast<QDialog *>(w); dialog && dialog->isVisible() && dialog->objectName() == objectName) {
                timer->deleteLater(), timer->stop();
                return steps(dialog);
            }
    });
    timer->start(20);
}
} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<klvsim::SimHost> host;
    std::unique_ptr<MainWindow> window;
    DevWidget_KLV2400 *page = nullptr;
    template <typename T> T *pageChild(const char *name) { return page ? page->findChild<T *>(name) : nullptr; }
    DevBriefInfoWidget *card(const QString &address)
    {
        for (auto *c : window->findChildren<DevBriefInfoWidget *>())
            if (c->findChild<QLabel *>("lab_IPAddr")->text() == address)
                return c;
        return nullptr;
    }
private slots:
void initTestCase()
{
    // Only inside a fresh namespace holding nothing but loopback can the search's broadcast not escape.
    QVERIFY2(qEnvironmentVariable("KLV_IN_NETNS") == "1", "must run under scripts/in-netns; nothing was sent");
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
        QVERIFY2(iface.flags() & QNetworkInterface::IsLoopBack, "not a fresh network namespace; nothing was sent");
    // One usable adapter: the program's end of a veth pair (the peer end has no address).
    QVERIFY(ip({"link", "add", "klv0", "type", "veth", "peer", "name", "klv1"}) && ip({"addr", "add", "10.77.0.1/24", "dev", "klv0"})
            && ip({"link", "set", "klv0", "up"}) && ip({"link", "set", "klv1", "up"}));
    QVERIFY(waitUntil([] { return adapterCandidates(systemAdapters()) == QStringList{"10.77.0.1(klv0)"}; }, 5000));

    work = std::make_unique<TempWorkDir>();
    QVERIFY(QFile::copy(qEnvironmentVariable("KLV_BIN_DIR") + "/KLV2400_EN.qm", "KLV2400_EN.qm"));
    host = std::make_unique<klvsim::SimHost>();
    host->setLoopbackOnly(false);   // the search comes from the veth address
    for (int i = 0; i < 3; ++i) {
        klvsim::SupplyConfig config;
        config.address = QHostAddress(QString("127.0.0.%1").arg(11 + i));
        config.deviceAddress = quint8(i + 1);
        config.identity = "KLV2400-6020/60V 20A/KLV-" + QByteArray(1, char('A' + i));
        host->addSupply(config);
    }
    QString error;
    QVERIFY2(host->start(&error), qPrintable(error));
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void searchConnectAndRefuseTheDuplicate()
{
    window->findChild<QToolButton *>("tbtn_searchDev")->click();
    QVERIFY(waitUntil([&] { return window->findChildren<DevBriefInfoWidget *>().size() == 3; }, 10000));
    QVERIFY(card("127.0.0.11") && card("127.0.0.12") && card("127.0.0.13"));
    card(kIp)->findChild<QPushButton *>("btn_devConnect")->click();
    auto *tabs = window->findChild<QTabWidget *>("tabWidget");
    QVERIFY(waitUntil([&] { return tabs->count() == 1; }, 15000));
    QCOMPARE(tabs->tabText(0), kIp);
    page = qobject_cast<DevWidget_KLV2400 *>(tabs->widget(0));
    QVERIFY(page);
    QCOMPARE(pageChild<QLabel>("lab_connectState")->text(), QString("已连接"));
    MessageBoxAnswerer answer;
    card(kIp)->findChild<QPushButton *>("btn_devConnect")->click();
    QVERIFY(waitUntil([&] { return !answer.texts.isEmpty(); }, 5000));
    QCOMPARE(answer.titles + answer.texts, QStringList({"提示", "设备已添加！"}));
    QCOMPARE(tabs->count(), 1);
}

void runIsRecordedAndImported()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    QWidget *indicator = pageChild<QWidget>("widget_isOutput");
    auto *vol = pageChild<QCustomPlot>("widget_plot_Vol");
    auto *cur = pageChild<QCustomPlot>("widget_plot_Cur");
    QVERIFY(indicator && vol && cur);
    int samples = 0;   // those reaching the page while it shows the run as on
    connect(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue, this,
            [&](ST_SamplingValue) { samples += indicator->isVisibleTo(page); });
    pageChild<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(indicator->isVisibleTo(page) && supply->outputOn());
    QVERIFY(waitUntil([&] { return samples >= 15; }, 15000));
    supply->panelSetOutput(false);   // the supply's own panel ends the run; the next echo closes the file
    QVERIFY(waitUntil([&] { return !indicator->isVisibleTo(page); }, 5000));
    const int received = samples;

    const QStringList files = QDir("historyData").entryList({kIp + "_*.csv"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString csv = QDir("historyData").absoluteFilePath(files.first());
    QFile file(csv);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.mid(0, 2), QStringList({"KLV2400Data", "time,Vol,Cur"}));
    QCOMPARE(lines.size() - 2, received);   // one row per sample, no more, no less
    QCOMPARE(lines.at(2).section(',', 0, 0), QString("0"));
    QCOMPARE(vol->graph(0)->data()->size(), received);
    const QVector<QCPGraphData> liveVol(vol->graph(0)->data()->begin(), vol->graph(0)->data()->end());
    const QVector<QCPGraphData> liveCur(cur->graph(0)->data()->begin(), cur->graph(0)->data()->end());

    FileDialogAnswerer pick(csv);   // importing gives the same curves, to the file's six digits
    pageChild<QToolButton>("tbtn_plotImport")->click();
    QCOMPARE(pageChild<QLabel>("lab_importPlotName")->text(), files.first());
    QVERIFY(vol->graph(0)->data()->size() == received && cur->graph(0)->data()->size() == received);
    const auto close = [](double a, double b) { return qAbs(a - b) <= 5e-6 * qMax(1.0, qAbs(b)); };
    for (int i = 0; i < received; ++i) {
        const QStringList fields = lines.at(i + 2).split(',');
        const QCPGraphData v = *vol->graph(0)->data()->at(i), c = *cur->graph(0)->data()->at(i);
        QCOMPARE(QVector<double>({v.key, v.value, c.value}),
                 QVector<double>({fields.value(0).toDouble(), fields.value(1).toDouble(), fields.value(2).toDouble()}));
        QVERIFY2(close(v.key, liveVol[i].key) && close(v.value, liveVol[i].value) && close(c.value, liveCur[i].value),
                 qPrintable(QString("row %1: %2 differs from the live sample").arg(i).arg(lines.at(i + 2))));
    }
}

void settingsAndListFileReachTheSupply()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    MessageBoxAnswerer answer;
    const int commits = supply->commitCount();
    onDialog("SystemSettingDialog", [](QDialog *dialog) {
        dialog->findChild<QDoubleSpinBox *>("dsbox_overVol")->setValue(55.5);
        dialog->findChild<QPushButton *>("btn_ok")->click();       // writes, stays open
        dialog->findChild<QPushButton *>("btn_cancel")->click();
    });
    pageChild<QToolButton>("tbtn_systemSetting")->click();
    QCOMPARE(supply->committedFloatValue(122), 55.5f);   // over-voltage, committed once
    QCOMPARE(supply->commitCount(), commits + 1);
    QCOMPARE(answer.texts, QStringList{"系统参数设置成功！"});
    onDialog("ListSettingDialog", [](QDialog *dialog) {
        dialog->findChild<QLineEdit *>("edit_fileName")->setText("E2E-RUN");
        dialog->findChild<QSpinBox *>("sbox_cycleTimes")->setValue(3);
        dialog->findChild<QPushButton *>("btn_ok")->click();       // writes, then closes
    });
    pageChild<QToolButton>("tbtn_listSetting")->click();
    const klvsim::SimListFile list = supply->listFile(1);
    QVERIFY(list.name == "E2E-RUN" && list.cycleTimes == 3 && !list.steps.isEmpty());
    QCOMPARE(answer.texts.last(), QString("列表文件1参数设置成功！"));
}

void englishSwitchPersists()
{
    window->findChild<QToolButton *>("tbtn_Language")->menu()->actions().at(1)->trigger();
    QCOMPARE(window->windowTitle(), QString("KLV2400 Test System"));
    QCOMPARE(QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language").toString(), QString("English"));
    QCOMPARE(window->findChild<QTabWidget *>("tabWidget")->tabText(0), kIp);
    MainWindow second;   // a new start comes up in English
    QCOMPARE(second.windowTitle(), QString("KLV2400 Test System"));
    QVERIFY(!second.findChild<QToolButton *>("tbtn_Language")->menu()->actions().at(1)->isEnabled());
}

void cleanupTestCase()
{
    window.reset(), host.reset(), work.reset();
}
};

QTEST_MAIN(EndToEndTest)
#include "tst_net_e2e.moc"
