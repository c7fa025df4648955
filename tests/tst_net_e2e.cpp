// The whole road an operator takes, through the real main window and its
// widgets by object name, against three simulated supplies. Runs in a
// private network namespace that gets one veth adapter, so the search goes
// through the real adapter logic without a dialog and nothing leaves the
// machine.

#include "devbriefinfowidget.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QAction>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <memory>
#include <qcustomplot.h>

namespace {

bool runIp(const QStringList &args)
{
    QProcess ip;
    ip.start("ip", args);
    return ip.waitForFinished(5000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0;
}

QStringList csvLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// Runs steps on whatever modal dialog of type T shows up next.
template <typename T>
void onNextDialog(std::function<void(T *)> steps)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, steps] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<T *>(w);
            if (dialog && dialog->isVisible()) {
                timer->stop();
                timer->deleteLater();
                steps(dialog);
                return;
            }
        }
    });
    timer->start(20);
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void searchFindsThreeCards();
    void connectOpensOnePage();
    void runIsPlottedRecordedAndImported();
    void settingsAndListFileReachTheSupply();
    void englishSwitchPersists();
    void logFileHoldsTheRun();
    void cleanupTestCase();

private:
    void shot(const QString &name);

    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<klvsim::SimHost> host;
    std::unique_ptr<MainWindow> window;
    DevWidget_KLV2400 *page = nullptr;
    QString artifacts;
    QString csvPath;
};

void EndToEndTest::shot(const QString &name)
{
    if (window)
        window->grab().save(artifacts + "/" + name + ".png");
}

void EndToEndTest::initTestCase()
{
    // One usable adapter: the program's end of a veth pair. Loopback never
    // qualifies, and the peer end has no address.
    QVERIFY2(runIp({"link", "add", "klv0", "type", "veth", "peer", "name", "klv1"}),
             "cannot create a veth pair in the test's network namespace");
    QVERIFY(runIp({"addr", "add", "10.77.0.1/24", "dev", "klv0"}));
    QVERIFY(runIp({"link", "set", "klv0", "up"}));
    QVERIFY(runIp({"link", "set", "klv1", "up"}));

    artifacts = qEnvironmentVariable("KLV_BIN_DIR") + "/../artifacts/e2e";
    QDir().mkpath(artifacts);
    work = std::make_unique<TempWorkDir>();
    QVERIFY(QFile::copy(qEnvironmentVariable("KLV_BIN_DIR") + "/KLV2400_EN.qm", "KLV2400_EN.qm"));

    host = std::make_unique<klvsim::SimHost>();
    host->setLoopbackOnly(false);   // the search comes from the veth address
    const QByteArray makers[] = {"KLV Power A", "KLV Power B", "KLV Power C"};
    for (int i = 0; i < 3; ++i) {
        klvsim::SupplyConfig config;
        config.address = QHostAddress(QString("127.0.0.%1").arg(11 + i));
        config.deviceAddress = quint8(i + 1);
        config.identity = "KLV2400-6020/60V 20A 1200W/" + makers[i];
        host->addSupply(config);
    }
    QString error;
    QVERIFY2(host->start(&error), qPrintable(error));

    window = std::make_unique<MainWindow>();
    window->resize(1280, 860);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
}

void EndToEndTest::searchFindsThreeCards()
{
    window->findChild<QToolButton *>("tbtn_searchDev")->click();
    QVERIFY(waitUntil([&] { return window->findChildren<DevBriefInfoWidget *>().size() == 3; }, 5000));
    QStringList ips;
    for (auto *card : window->findChildren<DevBriefInfoWidget *>())
        ips << card->findChild<QLabel *>("lab_IPAddr")->text();
    ips.sort();
    QCOMPARE(ips, QStringList({"127.0.0.11", "127.0.0.12", "127.0.0.13"}));
    // Each card's own status poll turns its lamp green.
    QVERIFY(waitUntil([&] {
        for (auto *card : window->findChildren<DevBriefInfoWidget *>())
            if (!card->findChild<QPushButton *>("pushButton")->styleSheet().contains("#00ff00"))
                return false;
        return true;
    }, 4000));
    shot("01_cards");
}

void EndToEndTest::connectOpensOnePage()
{
    DevBriefInfoWidget *card = nullptr;
    for (auto *c : window->findChildren<DevBriefInfoWidget *>())
        if (c->findChild<QLabel *>("lab_IPAddr")->text() == "127.0.0.11")
            card = c;
    QVERIFY(card);
    card->findChild<QPushButton *>("btn_devConnect")->click();
    auto *tabs = window->findChild<QTabWidget *>("tabWidget");
    QVERIFY(waitUntil([&] { return tabs->count() == 1; }, 8000));
    QCOMPARE(tabs->tabText(0), QString("127.0.0.11"));
    page = qobject_cast<DevWidget_KLV2400 *>(tabs->widget(0));
    QVERIFY(page);
    QCOMPARE(page->findChild<QLabel *>("lab_connectState")->text(), QString("已连接"));

    MessageBoxAnswerer answer;
    card->findChild<QPushButton *>("btn_devConnect")->click();
    QVERIFY(waitUntil([&] { return !answer.texts.isEmpty(); }, 3000));
    QCOMPARE(answer.texts.first(), QString("设备已添加！"));
    QCOMPARE(tabs->count(), 1);
}

void EndToEndTest::runIsPlottedRecordedAndImported()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    QWidget *indicator = page->findChild<QWidget *>("widget_isOutput");
    int samples = 0;
    connect(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue, this,
            [&](ST_SamplingValue) {
                if (indicator->isVisibleTo(page))
                    ++samples;
            });

    page->findChild<QToolButton *>("tbtn_startOutput")->click();
    QVERIFY(indicator->isVisibleTo(page));
    QVERIFY(supply->outputOn());
    QVERIFY(waitUntil([&] { return samples >= 15; }, 6000));
    auto *volPlot = page->findChild<QCustomPlot *>("widget_plot_Vol");
    auto *curPlot = page->findChild<QCustomPlot *>("widget_plot_Cur");
    QVERIFY(volPlot->graph(0)->data()->size() > 0);
    shot("02_run");

    // The supply's own panel ends the run; the next echo closes the file.
    supply->panelSetOutput(false);
    QVERIFY(waitUntil([&] { return !indicator->isVisibleTo(page); }, 3000));
    QVERIFY(window->findChild<QTextEdit *>("textEdit")->toPlainText().contains("设备结束输出,数据文件已保存"));

    const QStringList files = QDir("historyData").entryList({"127.0.0.11_*.csv"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    csvPath = QDir("historyData").absoluteFilePath(files.first());
    const QStringList lines = csvLines(csvPath);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(0), QString("KLV2400Data"));
    QCOMPARE(lines.at(1), QString("time,Vol,Cur"));
    QCOMPARE(lines.size() - 2, samples);
    QCOMPARE(lines.at(2).section(',', 0, 0), QString("0"));
    QCOMPARE(volPlot->graph(0)->data()->size(), samples);

    // Importing the file shows the same curves.
    volPlot->graph(0)->data()->clear();
    curPlot->graph(0)->data()->clear();
    FileDialogAnswerer pick(csvPath);
    page->findChild<QToolButton *>("tbtn_plotImport")->click();
    QCOMPARE(volPlot->graph(0)->data()->size(), samples);
    QCOMPARE(curPlot->graph(0)->data()->size(), samples);
    for (int i = 0; i < samples; ++i) {
        const QStringList fields = lines.at(i + 2).split(',');
        QCOMPARE(volPlot->graph(0)->data()->at(i)->key, fields.at(0).toDouble());
        QCOMPARE(volPlot->graph(0)->data()->at(i)->value, fields.at(1).toDouble());
        QCOMPARE(curPlot->graph(0)->data()->at(i)->value, fields.at(2).toDouble());
    }
    QVERIFY(page->findChild<QLabel *>("lab_importPlotName")->text().endsWith(".csv"));
    shot("03_imported");
}

void EndToEndTest::settingsAndListFileReachTheSupply()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    MessageBoxAnswerer answer;   // the "written" confirmations

    const int commits = supply->commitCount();
    onNextDialog<QDialog>([&](QDialog *dialog) {
        QVERIFY(dialog->objectName() == "SystemSettingDialog");
        dialog->findChild<QDoubleSpinBox *>("dsbox_overVol")->setValue(55.5);
        QTimer::singleShot(0, dialog->findChild<QPushButton *>("btn_ok"), &QPushButton::click);
        QTimer::singleShot(600, dialog->findChild<QPushButton *>("btn_cancel"), &QPushButton::click);
    });
    page->findChild<QToolButton *>("tbtn_systemSetting")->click();
    QCOMPARE(supply->floatValue(122), 55.5f);
    QCOMPARE(supply->commitCount(), commits + 1);
    QVERIFY(answer.texts.contains("系统参数设置成功！"));

    onNextDialog<QDialog>([&](QDialog *dialog) {
        QVERIFY(dialog->objectName() == "ListSettingDialog");
        dialog->findChild<QLineEdit *>("edit_fileName")->setText("E2E-RUN");
        dialog->findChild<QSpinBox *>("sbox_cycleTimes")->setValue(3);
        shot("04_listdialog");
        QTimer::singleShot(0, dialog->findChild<QPushButton *>("btn_ok"), &QPushButton::click);
    });
    page->findChild<QToolButton *>("tbtn_listSetting")->click();
    const klvsim::SimListFile file = supply->listFile(1);
    QCOMPARE(file.name, QByteArray("E2E-RUN"));
    QCOMPARE(file.cycleTimes, 3);
    QVERIFY(answer.texts.contains("列表文件1参数设置成功！"));
}

void EndToEndTest::englishSwitchPersists()
{
    auto *language = window->findChild<QToolButton *>("tbtn_Language");
    QVERIFY(language->menu());
    const QList<QAction *> actions = language->menu()->actions();
    QCOMPARE(actions.size(), 2);
    const QString manufacturer =
        window->findChildren<DevBriefInfoWidget *>().first()->findChild<QLabel *>("lab_manufacturer")->text();

    actions.at(1)->trigger();
    QCOMPARE(window->windowTitle(), QString("KLV2400 Test System"));
    QVERIFY(actions.at(0)->isEnabled());
    QVERIFY(!actions.at(1)->isEnabled());
    QVERIFY(window->findChild<QToolButton *>("tbtn_searchDev")->text() != QString("查找设备"));
    QVERIFY(page->findChild<QToolButton *>("tbtn_startOutput")->text() != QString("开始输出"));
    QCOMPARE(window->findChildren<DevBriefInfoWidget *>().first()->findChild<QLabel *>("lab_manufacturer")->text(),
             manufacturer);
    QCOMPARE(QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language").toString(), QString("English"));
    shot("05_english");

    // A line written after the switch carries the English prefix.
    page->findChild<QToolButton *>("tbtn_disconnectDev")->click();

    MainWindow second;
    QCOMPARE(second.windowTitle(), QString("KLV2400 Test System"));
    const QList<QAction *> secondActions = second.findChild<QToolButton *>("tbtn_Language")->menu()->actions();
    QVERIFY(secondActions.at(0)->isEnabled());
    QVERIFY(!secondActions.at(1)->isEnabled());
}

void EndToEndTest::logFileHoldsTheRun()
{
    QFile log(QString("log/KLV2400_Log_%1.txt").arg(QDate::currentDate().toString("yyyyMMdd")));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY(text.startsWith('\n'));
    const int search = text.indexOf(QStringLiteral("提示: 搜索设备..."));
    const int connected = text.indexOf(QStringLiteral("提示: 设备连接成功，连接IP127.0.0.11"));
    const int started = text.indexOf(QStringLiteral("提示: 127.0.0.11设备开始输出"));
    const int ended = text.indexOf(QStringLiteral("提示: 127.0.0.11设备结束输出,数据文件已保存"));
    QVERIFY(search >= 0 && connected > search && started > connected && ended > started);
    // Only lines written after the switch are in English.
    const int english = text.indexOf(QStringLiteral("Info: "));
    QVERIFY(english > ended);
    QVERIFY(!text.mid(english).contains(QStringLiteral("提示: ")));
}

void EndToEndTest::cleanupTestCase()
{
    window.reset();
    host.reset();
    work.reset();
}

QTEST_MAIN(EndToEndTest)
#include "tst_net_e2e.moc"
