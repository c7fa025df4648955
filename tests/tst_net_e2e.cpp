// The whole road an operator takes, through the real main window and its
// widgets by object name, against three simulated supplies. Runs in a
// private network namespace that gets one veth adapter, so the search goes
// through the real adapter logic without a dialog and nothing leaves the
// machine. Screenshots of the main steps land in build/artifacts/e2e/.

#include "adapterlist.h"
#include "devbriefinfowidget.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QNetworkInterface>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSpinBox>
#include <QTabWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>
#include <qcustomplot.h>

namespace {

const QString kIp = QStringLiteral("127.0.0.11");

bool runIp(const QStringList &args, QString *error)
{
    QProcess ip;
    ip.start(QStringLiteral("ip"), args);
    if (ip.waitForFinished(10000) && ip.exitStatus() == QProcess::NormalExit && ip.exitCode() == 0)
        return true;
    *error = QStringLiteral("ip %1: %2 %3").arg(args.join(' '), ip.errorString(),
                                               QString::fromLocal8Bit(ip.readAllStandardError()));
    return false;
}

// True only inside a fresh network namespace: nothing but loopback exists,
// so the broadcast of the search can never reach a real network.
bool inPrivateNamespace()
{
    if (qEnvironmentVariable("KLV_IN_NETNS") != QLatin1String("1"))
        return false;
    for (const QNetworkInterface &iface : QNetworkInterface::allInterfaces())
        if (!(iface.flags() & QNetworkInterface::IsLoopBack))
            return false;
    return true;
}

QStringList fileLines(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

// The day's log file; the only one in the test's fresh working directory,
// named after the day the log was opened.
QStringList logLines()
{
    const QStringList files = QDir("log").entryList({"KLV2400_Log_*.txt"}, QDir::Files);
    return files.size() == 1 ? fileLines("log/" + files.first()) : QStringList();
}

bool isChinese(QChar c)
{
    const ushort u = c.unicode();
    return (u >= 0x4E00 && u <= 0x9FFF) || (u >= 0x3000 && u <= 0x303F) || (u >= 0xFF00 && u <= 0xFFEF);
}

bool hasChinese(const QString &text)
{
    return std::any_of(text.begin(), text.end(), isChinese);
}

// Every text of root and its children that still holds Chinese characters,
// hidden widgets included (they show later), the log pane excluded: its
// lines keep the language they were written in.
QStringList chineseTexts(QWidget *root)
{
    QStringList found;
    auto check = [&](QObject *o, const QString &what, const QString &text) {
        if (hasChinese(text))
            found << QStringLiteral("%1 %2: %3").arg(o->objectName(), what, text);
    };
    QList<QWidget *> widgets = root->findChildren<QWidget *>();
    widgets.prepend(root);
    for (QWidget *w : widgets) {
        if (qobject_cast<QTextEdit *>(w) || qobject_cast<QTextEdit *>(w->parentWidget()))
            continue;
        if (w->isWindow())
            check(w, "title", w->windowTitle());
        check(w, "tooltip", w->toolTip());
        if (auto *label = qobject_cast<QLabel *>(w))
            check(w, "text", label->text());
        if (auto *button = qobject_cast<QAbstractButton *>(w))
            check(w, "text", button->text());
        if (auto *box = qobject_cast<QGroupBox *>(w))
            check(w, "title", box->title());
        if (auto *spin = qobject_cast<QAbstractSpinBox *>(w))
            check(w, "text", spin->text());
        if (auto *combo = qobject_cast<QComboBox *>(w))
            for (int i = 0; i < combo->count(); ++i)
                check(w, "item", combo->itemText(i));
        if (auto *tabs = qobject_cast<QTabWidget *>(w))
            for (int i = 0; i < tabs->count(); ++i)
                check(w, "tab", tabs->tabText(i));
        if (auto *plot = qobject_cast<QCustomPlot *>(w)) {
            check(w, "x axis", plot->xAxis->label());
            check(w, "y axis", plot->yAxis->label());
        }
    }
    for (QAction *action : root->findChildren<QAction *>())
        check(action, "action", action->text());
    return found;
}

// Runs steps on the modal dialog with this object name once it shows; the
// steps must end the dialog.
void onDialog(const QString &objectName, std::function<void(QDialog *)> steps)
{
    auto *timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, objectName, steps] {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QDialog *>(w);
            if (dialog && dialog->isVisible() && dialog->objectName() == objectName) {
                timer->deleteLater();
                timer->stop();
                steps(dialog);
                return;
            }
        }
    });
    timer->start(20);
}

QStringList cardTexts(MainWindow &window)
{
    QStringList texts;
    for (auto *card : window.findChildren<DevBriefInfoWidget *>())
        for (const char *name : {"lab_IPAddr", "lab_manufacturer", "lab_specification", "lab_testFunc",
                                 "lab_outPutState", "label_3", "label_5", "label_7"})
            texts << card->findChild<QLabel *>(name)->text();
    return texts;
}

} // namespace

class EndToEndTest : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { openedUrls << url; }   // stands in for the desktop's PDF viewer

private slots:
    void initTestCase();
    void searchFindsThreeCards();
    void connectOpensOnePage();
    void runIsPlottedRecordedAndImported();
    void settingsAndListFileReachTheSupply();
    void englishSwitchPersists();
    void logFileHoldsTheRun();
    void chineseAgain();
    void cleanupTestCase();

private:
    void shot(QWidget *w, const QString &name);
    template <typename T>
    T *pageChild(const char *name)
    {
        T *child = page ? page->findChild<T *>(name) : nullptr;
        if (!child)
            qWarning("the device page has no %s", name);
        return child;
    }

    std::unique_ptr<TempWorkDir> work;
    std::unique_ptr<klvsim::SimHost> host;
    std::unique_ptr<MainWindow> window;
    DevWidget_KLV2400 *page = nullptr;
    QString artifacts;
    int englishFromLine = -1;   // first log line written after the switch
    QList<QUrl> openedUrls;
};

void EndToEndTest::shot(QWidget *w, const QString &name)
{
    QCoreApplication::processEvents();   // let layouts follow new texts first
    w->grab().save(artifacts + "/" + name + ".png");
}

void EndToEndTest::initTestCase()
{
    if (!inPrivateNamespace())
        QFAIL("must run in a fresh private network namespace (scripts/in-netns); nothing was sent");
    const QString bin = qEnvironmentVariable("KLV_BIN_DIR");
    QVERIFY2(!bin.isEmpty(), "KLV_BIN_DIR (the output folder with KLV2400_EN.qm) is not set");

    // One usable adapter: the program's end of a veth pair. Loopback never
    // qualifies, and the peer end has no address.
    QString error;
    QVERIFY2(runIp({"link", "add", "klv0", "type", "veth", "peer", "name", "klv1"}, &error), qPrintable(error));
    QVERIFY2(runIp({"addr", "add", "10.77.0.1/24", "dev", "klv0"}, &error), qPrintable(error));
    QVERIFY2(runIp({"link", "set", "klv0", "up"}, &error), qPrintable(error));
    QVERIFY2(runIp({"link", "set", "klv1", "up"}, &error), qPrintable(error));
    // Until the link runs it is no candidate, and the search would ask.
    QVERIFY(waitUntil([] { return adapterCandidates(systemAdapters()) == QStringList{"10.77.0.1(klv0)"}; },
                      5000));

    artifacts = QDir(bin + "/../artifacts/e2e").absolutePath();
    QDir().mkpath(artifacts);
    work = std::make_unique<TempWorkDir>();
    QVERIFY(QFile::copy(bin + "/KLV2400_EN.qm", "KLV2400_EN.qm"));

    host = std::make_unique<klvsim::SimHost>();
    host->setLoopbackOnly(false);   // the search comes from the veth address
    const QByteArray makers[] = {"KLV-A", "KLV-B", "KLV-C"};
    for (int i = 0; i < 3; ++i) {
        klvsim::SupplyConfig config;
        config.address = QHostAddress(QString("127.0.0.%1").arg(11 + i));
        config.deviceAddress = quint8(i + 1);
        config.identity = "KLV2400-6020/60V 20A/" + makers[i];
        host->addSupply(config);
    }
    QVERIFY2(host->start(&error), qPrintable(error));

    window = std::make_unique<MainWindow>();
    window->resize(1280, 860);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    QCOMPARE(window->windowTitle(), QString("KLV2400测试系统"));
}

void EndToEndTest::searchFindsThreeCards()
{
    window->findChild<QToolButton *>("tbtn_searchDev")->click();
    QVERIFY(waitUntil([&] { return window->findChildren<DevBriefInfoWidget *>().size() == 3; }, 10000));
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
    }, 10000));
    shot(window.get(), "01_cards");
}

void EndToEndTest::connectOpensOnePage()
{
    DevBriefInfoWidget *card = nullptr;
    for (auto *c : window->findChildren<DevBriefInfoWidget *>())
        if (c->findChild<QLabel *>("lab_IPAddr")->text() == kIp)
            card = c;
    QVERIFY(card);
    card->findChild<QPushButton *>("btn_devConnect")->click();
    auto *tabs = window->findChild<QTabWidget *>("tabWidget");
    QVERIFY(waitUntil([&] { return tabs->count() == 1; }, 15000));
    QCOMPARE(tabs->tabText(0), kIp);
    page = qobject_cast<DevWidget_KLV2400 *>(tabs->widget(0));
    QVERIFY(page);
    QCOMPARE(pageChild<QLabel>("lab_connectState")->text(), QString("已连接"));

    MessageBoxAnswerer answer;
    card->findChild<QPushButton *>("btn_devConnect")->click();
    QVERIFY(waitUntil([&] { return !answer.texts.isEmpty(); }, 5000));
    QCOMPARE(answer.titles, QStringList{"提示"});
    QCOMPARE(answer.texts, QStringList{"设备已添加！"});
    QCOMPARE(tabs->count(), 1);
}

void EndToEndTest::runIsPlottedRecordedAndImported()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    QWidget *indicator = pageChild<QWidget>("widget_isOutput");
    auto *volPlot = pageChild<QCustomPlot>("widget_plot_Vol");
    auto *curPlot = pageChild<QCustomPlot>("widget_plot_Cur");
    QVERIFY(indicator && volPlot && curPlot);
    // Samples that reach the page while it shows the run as on.
    int samples = 0;
    connect(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue, this, [&](ST_SamplingValue) {
        if (indicator->isVisibleTo(page))
            ++samples;
    });

    pageChild<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(indicator->isVisibleTo(page));
    QVERIFY(supply->outputOn());
    QVERIFY(waitUntil([&] { return samples >= 15; }, 15000));
    QVERIFY(volPlot->graph(0)->data()->size() > 0);
    shot(window.get(), "02_run");

    // The supply's own panel ends the run; the next echo closes the file.
    supply->panelSetOutput(false);
    QVERIFY(waitUntil([&] { return !indicator->isVisibleTo(page); }, 5000));
    const int received = samples;
    QVERIFY(window->findChild<QTextEdit *>("textEdit")->toPlainText().contains(kIp + "设备结束输出,数据文件已保存"));

    const QStringList files = QDir("historyData").entryList({kIp + "_*.csv"}, QDir::Files);
    QCOMPARE(files.size(), 1);
    const QString csvPath = QDir("historyData").absoluteFilePath(files.first());
    const QStringList lines = fileLines(csvPath);
    QVERIFY(lines.size() >= 2);
    QCOMPARE(lines.at(0), QString("KLV2400Data"));
    QCOMPARE(lines.at(1), QString("time,Vol,Cur"));
    QCOMPARE(lines.size() - 2, received);
    QCOMPARE(lines.at(2).section(',', 0, 0), QString("0"));
    QCOMPARE(volPlot->graph(0)->data()->size(), received);
    QCOMPARE(curPlot->graph(0)->data()->size(), received);

    // Importing the file replaces the curves by the same ones, to the six
    // significant digits the file keeps.
    QVector<QCPGraphData> liveVol(volPlot->graph(0)->data()->begin(), volPlot->graph(0)->data()->end());
    QVector<QCPGraphData> liveCur(curPlot->graph(0)->data()->begin(), curPlot->graph(0)->data()->end());
    FileDialogAnswerer pick(csvPath);
    pageChild<QToolButton>("tbtn_plotImport")->click();
    QCOMPARE(pick.titles.size(), 1);
    QCOMPARE(volPlot->graph(0)->data()->size(), received);
    QCOMPARE(curPlot->graph(0)->data()->size(), received);
    auto close = [](double a, double b) { return qAbs(a - b) <= 5e-6 * qMax(1.0, qAbs(b)); };
    for (int i = 0; i < received; ++i) {
        const QStringList fields = lines.at(i + 2).split(',');
        QCOMPARE(fields.size(), 3);
        const QCPGraphData vol = *volPlot->graph(0)->data()->at(i);
        const QCPGraphData cur = *curPlot->graph(0)->data()->at(i);
        QCOMPARE(vol.key, fields.at(0).toDouble());
        QCOMPARE(vol.value, fields.at(1).toDouble());
        QCOMPARE(cur.value, fields.at(2).toDouble());
        QVERIFY2(close(vol.key, liveVol.at(i).key) && close(vol.value, liveVol.at(i).value)
                     && close(cur.value, liveCur.at(i).value),
                 qPrintable(QString("row %1: %2 differs from the live sample").arg(i).arg(lines.at(i + 2))));
    }
    QCOMPARE(pageChild<QLabel>("lab_importPlotName")->text(), files.first());
    QVERIFY(pageChild<QLabel>("lab_importPlotName")->isVisibleTo(page));
    shot(window.get(), "03_imported");
}

void EndToEndTest::settingsAndListFileReachTheSupply()
{
    QVERIFY(page);
    klvsim::SimSupply *supply = host->supplies().first();
    MessageBoxAnswerer answer;   // the "written" confirmations

    const int commits = supply->commitCount();
    bool systemShown = false;
    onDialog("SystemSettingDialog", [&](QDialog *dialog) {
        systemShown = true;
        dialog->findChild<QDoubleSpinBox *>("dsbox_overVol")->setValue(55.5);
        shot(dialog, "04_systemsettings");
        // The write keeps the dialog open; cancel then closes it.
        dialog->findChild<QPushButton *>("btn_ok")->click();
        dialog->findChild<QPushButton *>("btn_cancel")->click();
    });
    pageChild<QToolButton>("tbtn_systemSetting")->click();
    QVERIFY(systemShown);
    QCOMPARE(supply->committedFloatValue(122), 55.5f);
    QCOMPARE(supply->commitCount(), commits + 1);
    QCOMPARE(answer.texts, QStringList{"系统参数设置成功！"});

    bool listShown = false;
    onDialog("ListSettingDialog", [&](QDialog *dialog) {
        listShown = true;
        dialog->findChild<QLineEdit *>("edit_fileName")->setText("E2E-RUN");
        dialog->findChild<QSpinBox *>("sbox_cycleTimes")->setValue(3);
        shot(dialog, "05_listsettings");
        dialog->findChild<QPushButton *>("btn_ok")->click();   // writes, then closes
    });
    pageChild<QToolButton>("tbtn_listSetting")->click();
    QVERIFY(listShown);
    const klvsim::SimListFile file = supply->listFile(1);
    QCOMPARE(file.name, QByteArray("E2E-RUN"));
    QCOMPARE(file.cycleTimes, 3);
    QVERIFY(!file.steps.isEmpty());
    QCOMPARE(answer.texts.last(), QString("列表文件1参数设置成功！"));
    QVERIFY(window->findChild<QTextEdit *>("textEdit")->toPlainText().contains(kIp + "设备列表文件1参数设置成功！"));
}

void EndToEndTest::englishSwitchPersists()
{
    QVERIFY(page);
    auto *language = window->findChild<QToolButton *>("tbtn_Language");
    QVERIFY(language->menu());
    const QList<QAction *> actions = language->menu()->actions();
    QCOMPARE(actions.size(), 2);
    QVERIFY(!actions.at(0)->isEnabled());
    const QStringList cardsBefore = cardTexts(*window);
    QVERIFY(chineseTexts(window.get()).size() > 10);   // the check below can see them
    const int logLinesBefore = logLines().size();

    actions.at(1)->trigger();
    QCOMPARE(window->windowTitle(), QString("KLV2400 Test System"));
    QVERIFY(actions.at(0)->isEnabled());
    QVERIFY(!actions.at(1)->isEnabled());
    QCOMPARE(QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language").toString(), QString("English"));
    // No Chinese is left on screen but the log pane; the cards keep the
    // texts they were given.
    QCOMPARE(chineseTexts(window.get()), QStringList());
    QCOMPARE(cardTexts(*window), cardsBefore);
    QCOMPARE(window->findChild<QTabWidget *>("tabWidget")->tabText(0), kIp);
    shot(window.get(), "06_english");

    // The fixed message stays Chinese in English too.
    MessageBoxAnswerer answer;
    for (auto *card : window->findChildren<DevBriefInfoWidget *>())
        if (card->findChild<QLabel *>("lab_IPAddr")->text() == kIp)
            card->findChild<QPushButton *>("btn_devConnect")->click();
    QVERIFY(waitUntil([&] { return !answer.texts.isEmpty(); }, 5000));
    QCOMPARE(answer.titles, QStringList{"提示"});
    QCOMPARE(answer.texts, QStringList{"设备已添加！"});

    // Dialogs open in the new language.
    QStringList dialogChinese;
    onDialog("SystemSettingDialog", [&](QDialog *dialog) {
        dialogChinese = chineseTexts(dialog);
        shot(dialog, "07_systemsettings_english");
        dialog->reject();
    });
    pageChild<QToolButton>("tbtn_systemSetting")->click();
    QCOMPARE(dialogChinese, QStringList());
    onDialog("ListSettingDialog", [&](QDialog *dialog) {
        dialogChinese = chineseTexts(dialog);
        dialog->reject();
    });
    pageChild<QToolButton>("tbtn_listSetting")->click();
    QCOMPARE(dialogChinese, QStringList());

    // About and help follow the language.
    QStringList aboutChinese;
    QString version;
    onDialog("AboutDialog", [&](QDialog *dialog) {
        aboutChinese = chineseTexts(dialog);
        version = dialog->findChild<QLabel *>("label_2")->text();
        shot(dialog, "08_about_english");
        dialog->reject();
    });
    window->findChild<QToolButton *>("tbtn_about")->click();
    QCOMPARE(aboutChinese, QStringList());
    QCOMPARE(version, QString("V1.3.3.2025052701"));
    QDesktopServices::setUrlHandler("file", this, "openUrl");
    window->findChild<QToolButton *>("tbtn_help")->click();
    QDesktopServices::unsetUrlHandler("file");
    QCOMPARE(openedUrls.size(), 1);
    QCOMPARE(QFileInfo(openedUrls.first().toLocalFile()).fileName(), QString("help_EN.pdf"));
    QVERIFY(QFileInfo(qEnvironmentVariable("KLV_BIN_DIR") + "/help_EN.pdf").size() > 0);

    // A line written after the switch, for the log check.
    englishFromLine = logLinesBefore;
    pageChild<QToolButton>("tbtn_disconnectDev")->click();
    QCOMPARE(pageChild<QLabel>("lab_connectState")->text(),
             QCoreApplication::translate("DevWidget_KLV2400", "未连接"));

    // A new window starts in English.
    MainWindow second;
    second.resize(1280, 860);
    second.show();
    QVERIFY(QTest::qWaitForWindowExposed(&second));
    QCOMPARE(second.windowTitle(), QString("KLV2400 Test System"));
    const QList<QAction *> secondActions = second.findChild<QToolButton *>("tbtn_Language")->menu()->actions();
    QVERIFY(secondActions.at(0)->isEnabled());
    QVERIFY(!secondActions.at(1)->isEnabled());
    QCOMPARE(chineseTexts(&second), QStringList());
    shot(&second, "09_restart_english");
}

void EndToEndTest::logFileHoldsTheRun()
{
    const QStringList lines = logLines();
    QVERIFY(lines.size() > 2);
    QCOMPARE(lines.first(), QString());   // the program's start leaves an empty line
    QVERIFY(englishFromLine > 0 && englishFromLine < lines.size());

    // The expected lines in order, each as "<time>  <prefix><message>".
    const QStringList expected = {"提示: 搜索设备...",
                                  "提示: 设备连接成功，连接IP" + kIp,
                                  "提示: " + kIp + "设备开始输出",
                                  "提示: " + kIp + "设备结束输出,数据文件已保存",
                                  "提示: " + kIp + "系统参数设置成功",
                                  "提示: " + kIp + "设备列表文件1参数设置成功！"};
    int at = 0;
    for (const QString &want : expected) {
        while (at < englishFromLine && lines.at(at).mid(21) != want)
            ++at;
        QVERIFY2(at < englishFromLine, qPrintable("missing or out of order: " + want));
    }
    const QRegularExpression stamp("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d  ");
    const QStringList chinese = {"提示: ", "警告: ", "错误: "};
    QStringList english;
    for (const QString &prefix : chinese) {
        english << QCoreApplication::translate("CAppLog", prefix.toUtf8().constData());
        QVERIFY2(english.last() != prefix && !hasChinese(english.last()), qPrintable(prefix));
    }
    auto prefixIn = [](const QString &line, const QStringList &prefixes) {
        return std::any_of(prefixes.begin(), prefixes.end(),
                           [&](const QString &p) { return line.mid(21).startsWith(p); });
    };
    // Only lines written after the switch carry the English prefixes.
    for (int i = 1; i < lines.size(); ++i) {
        const QString &line = lines.at(i);
        QVERIFY2(stamp.match(line).hasMatch(), qPrintable(line));
        QVERIFY2(prefixIn(line, i < englishFromLine ? chinese : english), qPrintable(line));
    }
    const QString disconnected = QCoreApplication::translate("DevWidget_KLV2400", "%1设备连接已断开").arg(kIp);
    QVERIFY(!hasChinese(disconnected));
    QVERIFY(std::any_of(lines.begin() + englishFromLine, lines.end(),
                        [&](const QString &l) { return l.mid(21) == english.at(0) + disconnected; }));
}

void EndToEndTest::chineseAgain()
{
    QVERIFY(page);
    window->findChild<QToolButton *>("tbtn_Language")->menu()->actions().at(0)->trigger();
    QCOMPARE(window->windowTitle(), QString("KLV2400测试系统"));
    QCOMPARE(window->findChild<QToolButton *>("tbtn_searchDev")->text(), QString("查找设备"));
    QCOMPARE(pageChild<QToolButton>("tbtn_startOutput")->text(), QString("开始输出"));
    QCOMPARE(pageChild<QLabel>("lab_connectState")->text(), QString("未连接"));
    QCOMPARE(QSettings("./sys_klv.ini", QSettings::IniFormat).value("Language").toString(), QString("Chinese"));
}

void EndToEndTest::cleanupTestCase()
{
    window.reset();
    host.reset();
    work.reset();
}

QTEST_MAIN(EndToEndTest)
#include "tst_net_e2e.moc"
