// The device page against simulated supplies over Modbus TCP: connecting,
// output, alarm, every way a run ends and its history file, the plot tool
// bar, and closing pages in the main window.

#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "filedialoganswerer.h"
#include "mainwindow.h"
#include "mycustomplot.h"

#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest>

using namespace devpage;
using klvsim::FaultKind;

namespace {

const QString kHost = QStringLiteral("127.0.0.21");

QCPGraph *graphOf(QObject *plot) { return qobject_cast<QCustomPlot *>(plot)->graph(0); }
void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
bool waitCount(const QSignalSpy &spy, int n) { return waitUntil([&] { return spy.count() >= n; }, 10000); }

QString historyFile(const QString &ip)
{
    const QStringList names = QDir("historyData").entryList({ip + "_*.csv"}, QDir::Files);
    return names.size() == 1 ? "historyData/" + names.first() : QString();
}

QString writeFile(const QString &name, const QByteArray &bytes)
{
    QFile file(name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(name));
    return QFileInfo(name).absoluteFilePath();
}

// The rows of a closed history file without their times, or what is wrong
// with its header, line ends or times (the first at 0, never going back).
QList<QByteArray> fileValues(const QString &path)
{
    QFile file(path);
    const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    if (!bytes.startsWith("KLV2400Data\ntime,Vol,Cur\n") || !bytes.endsWith('\n') || bytes.contains('\r'))
        return {"malformed or missing: " + path.toUtf8()};
    QList<QByteArray> values;
    double time = 0;
    for (const QByteArray &row : bytes.trimmed().split('\n').mid(2)) {
        const QByteArray rowTime = row.left(row.indexOf(','));
        const bool bad = rowTime.toDouble() < time || (values.isEmpty() && rowTime != "0");
        values << (bad ? "bad time: " + row : row.mid(rowTime.size() + 1));
        time = rowTime.toDouble();
    }
    return values;
}

// The values of every sample received, as the file should hold them.
QList<QByteArray> sampleValues(const QSignalSpy &samples)
{
    QList<QByteArray> values;
    for (const QList<QVariant> &args : samples) {
        const auto s = args.first().value<ST_SamplingValue>();
        values << QByteArray::number(double(s.voltage), 'g', 6) + ',' + QByteArray::number(double(s.current), 'g', 6);
    }
    return values;
}

} // namespace

class TestNetDevPage : public QObject
{
    Q_OBJECT
    TempWorkDir workDir;   // before the log's first use
    std::unique_ptr<klvsim::SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    std::unique_ptr<LogRecorder> log;
    std::unique_ptr<QSignalSpy> samples;
    QDateTime clock;   // the page's own, when it is given one
    QList<QUrl> urls;

    bool openPage(bool fakeClock = false)
    {
        page.reset(new DevWidget_KLV2400);
        clock = QDateTime::currentDateTime();
        if (fakeClock)
            page->deviceDriver().setClock([this] { return clock; });
        page->resize(1200, 800);
        page->show();
        samples.reset(new QSignalSpy(&page->deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue));
        return sim && page->openDevice(sim->config().address.toString());
    }
    bool waitForSamples(int more) { return waitCount(*samples, samples->count() + more); }
    bool startRun(int n) { return click("tbtn_startOutput"), sim->outputOn() && waitForSamples(n); }
    void echo() { page->deviceDriver().onEchoTimeOut(); }
    void panel(bool on) { sim->panelSetOutput(on), echo(); }   // the supply's own output key
    void click(const char *name, QObject *on = nullptr) { child<QAbstractButton>(on ? on : page.get(), name)->click(); }
    template <typename T = QWidget>
    T *w(const char *name) { return child<T>(page.get(), name); }
    QString text(const char *label) { return w<QLabel>(label)->text(); }
    bool outputShown() { return !w("widget_isOutput")->isHidden(); }
    int state() { return page->deviceDriver().connectState(); }
    int points(const char *plot = "widget_plot_Vol") { return graphOf(w(plot))->dataCount(); }
    void pick(const QString &path)
    {
        FileDialogAnswerer picker(path);
        click("tbtn_plotImport");
        QCOMPARE(picker.titles, QStringList{QStringLiteral("选择文件")});
    }
public:
    Q_INVOKABLE void openUrl(const QUrl &url) { urls << url; }   // stands in for the file manager
private slots:
    void init() { log.reset(new LogRecorder); }
    void cleanup()
    {
        samples.reset();
        page.reset();
        sim.reset();
        for (const char *folder : {"historyData", "plotShot"})
            QDir(folder).removeRecursively(), QFile::remove(folder);
    }
    void connectAndReconnectAfterFailure()
    {
        sim = startSim(kHost);
        sim->setFloatValue(10, 5.0f);   // output off: the reading stands as set
        sim->addFault(fault(FaultKind::Delay, 0x42, 254, 1, 150));
        QStringList shown;   // busy indicator texts and boxes, seen from inside the program's event loops
        QTimer watcher;
        connect(&watcher, &QTimer::timeout, [&] {
            QString over;
            for (QWidget *t : QApplication::topLevelWidgets())
                if (t->isVisible() && t->inherits("frmProgressWait"))
                    for (QLabel *label : t->findChildren<QLabel *>())
                        shown << label->text(), over = "under busy indicator: ";
            for (QWidget *t : QApplication::topLevelWidgets())
                if (auto *box = qobject_cast<QMessageBox *>(t))
                    if (box->isVisible() && !box->property("seen").toBool()) {
                        box->setProperty("seen", true);
                        shown << over + box->windowTitle() + "|" + box->text();
                        box->buttons().first()->click();
                    }
        });
        watcher.start(5);
        QVERIFY(openPage());
        QVERIFY(shown.contains(QStringLiteral("正在连接设备...")));
        flushDeletes();
        for (QWidget *t : QApplication::topLevelWidgets())
            QVERIFY(!t->isVisible() || !t->inherits("frmProgressWait"));
        QCOMPARE(text("lab_connectState") + w("lab_connectState")->styleSheet(), QStringLiteral("已连接color: #008000;"));
        QVERIFY(w("tbtn_startOutput")->isEnabled() && w("tbtn_disconnectDev")->isEnabled());
        QVERIFY(!w("tbtn_connectDev")->isEnabled());
        QVERIFY(log->has(QStringLiteral("设备连接成功，连接IP127.0.0.21"), 0));
        QCOMPARE(text("lab_voltage"), QStringLiteral("5.0000"));   // the first echo is read at once
        QVERIFY(!outputShown() && w("btn_alarm")->isHidden());
        click("tbtn_disconnectDev");
        QCOMPARE(w("lab_connectState")->styleSheet(), QStringLiteral("color: #cccccc;"));

        // TCP connects, the limits read fails: the link is dropped again and the
        // indicator is gone before the box. Clicked as a slot of the running
        // program is, so deferred deletions wait for this loop.
        sim->addFault(fault(FaultKind::ErrorByte, 0x42, 254, 1));
        QEventLoop loop;
        QTimer::singleShot(0, &loop, [&] { click("tbtn_connectDev"), loop.quit(); });
        loop.exec();
        QCOMPARE(shown.filter("|"), QStringList{QStringLiteral("提示|设备连接失败,请检查设备连接!")});
        QVERIFY(log->has(QStringLiteral("连接设备，连接IP127.0.0.21"), 0));
        QVERIFY(log->has(QStringLiteral("设备连接失败，连接IP127.0.0.21"), 2));
        QVERIFY(state() == ModbusDriver::Disconnected && !page->isConnecting() && w("tbtn_connectDev")->isEnabled());
        click("tbtn_connectDev");   // the next try goes through and the echo runs again
        QCOMPARE(log->count(QStringLiteral("连接设备，连接IP127.0.0.21")), 2);
        QVERIFY(state() == ModbusDriver::ConnectedTcp && shown.filter("|").size() == 1);
        sim->clearRecords();
        QVERIFY(waitUntil([&] { return readsAt(*sim, 8) >= 1; }, 3000));
    }
    void alarmShownAndClearedOnlyOnYes()
    {
        sim = startSim(kHost);
        QVERIFY(openPage());
        auto *alarm = w<QAbstractButton>("btn_alarm");
        sim->raiseAlarm(3);
        echo();
        QCOMPARE(alarm->text(), QStringLiteral("OC"));
        sim->clearRecords();
        MessageBoxAnswerer answerer(QStringLiteral("否"));
        alarm->click();
        QCOMPARE(answerer.titles + answerer.texts, QStringList({QStringLiteral("提示"), QStringLiteral("是否清除当前报警？")}));
        QVERIFY(writesSeen(*sim).isEmpty());
        answerer.setButtonText(QStringLiteral("是"));
        alarm->click();
        QCOMPARE(writesSeen(*sim), (QList<Write>{{0xA0, 42, 1}}));
        QVERIFY(sim->alarmCode() == 0 && !alarm->isHidden());   // shown until an echo reports no alarm
        echo();
        QVERIFY(alarm->isHidden());
    }
    void startAndStopOutput()
    {
        sim = startSim(kHost);
        QVERIFY(openPage());
        panel(true);   // a run from the supply's panel is sampled and plotted, but has no file
        QVERIFY(outputShown() && waitForSamples(3) && points() == samples->count());
        panel(false);
        QVERIFY(!outputShown() && log->has(QStringLiteral("127.0.0.21设备结束输出"), 0));
        QCOMPARE(log->count(QStringLiteral("设备开始输出")) + log->count(QStringLiteral("数据文件")), 0);

        sim->addFault(fault(FaultKind::Exception, 0x10, 32, 1));
        MessageBoxAnswerer answerer;
        click("tbtn_startOutput");
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备输出失败，请重试!")});
        QVERIFY(log->has(QStringLiteral("127.0.0.21设备输出失败！"), 2));
        QVERIFY(!outputShown() && QDir("historyData").entryList(QDir::Files).isEmpty());
        samples->clear();   // still idle, so the next click tries again; sampling starts at once
        sim->clearRecords();
        click("tbtn_startOutput");
        QVERIFY(sim->outputOn() && outputShown() && readsAt(*sim, 10) >= 1);
        QVERIFY(text("lab_isOutput") == QStringLiteral(" 正在输出") && log->has(QStringLiteral("127.0.0.21设备开始输出"), 0));
        const QString path = historyFile(kHost);
        sim->clearRecords();
        click("tbtn_startOutput");   // while on: nothing sent
        QVERIFY(writesSeen(*sim).isEmpty() && waitForSamples(3));
        click("tbtn_stopOutput");   // changes nothing on the page until the supply reports it
        QCOMPARE(writesSeen(*sim), (QList<Write>{{0xA0, 32, 0}}));
        QVERIFY(!sim->outputOn() && outputShown());
        echo();
        QVERIFY(!outputShown() && log->has(QStringLiteral("127.0.0.21设备结束输出,数据文件已保存"), 0));
        QCOMPARE(fileValues(path), sampleValues(*samples));
    }
    void runEndsAnyWay_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("outputAfter");
        QTest::addColumn<bool>("connectedAfter");
        QTest::newRow("run end at the supply") << "run end" << false << true;
        QTest::newRow("supply lost") << "lost" << true << false;
        QTest::newRow("disconnect, 是 switches off") << "是" << false << false;
        QTest::newRow("disconnect, 否 leaves it on") << "否" << true << false;
        QTest::newRow("disconnect, 取消 changes nothing") << "取消" << true << true;
        QTest::newRow("page destroyed") << "destroyed" << true << false;
    }
    // Whichever way a run ends, its file is closed holding every sample.
    void runEndsAnyWay()
    {
        QFETCH(QString, how);
        QFETCH(bool, outputAfter);
        QFETCH(bool, connectedAfter);
        sim = startSim(kHost);
        QVERIFY(openPage(how == "lost") && startRun(3));
        const QString path = historyFile(kHost);
        MessageBoxAnswerer answerer(how);
        if (how == "run end")
            panel(false);
        else if (how == "lost") {
            sim->addFault(fault(FaultKind::Silent, -1, -1));
            clock = clock.addSecs(10);
            echo();
            QVERIFY(answerer.texts.isEmpty() && state() == ModbusDriver::ConnectedTcp);   // not before 20 s
            clock = clock.addSecs(15);
            echo();
            QCOMPARE(answerer.texts, QStringList{QStringLiteral("127.0.0.21设备连接已断开！")});
            QVERIFY(log->has(QStringLiteral("127.0.0.21设备失去连接，请检查网络是否正常！"), 2));
        } else if (how == "destroyed")
            page.reset();
        else {
            click("tbtn_disconnectDev");
            QCOMPARE(answerer.texts, QStringList{QStringLiteral("当前设备正在输出,是否关闭输出？")});
            QCOMPARE(log->has(QStringLiteral("127.0.0.21设备连接已断开"), 0), !connectedAfter);
        }
        QCOMPARE(sim->outputOn(), outputAfter);
        if (page) {
            QCOMPARE(state() != ModbusDriver::Disconnected, connectedAfter);
            QCOMPARE(outputShown(), how == "取消");
            QCOMPARE(text("lab_connectState"), connectedAfter ? QStringLiteral("已连接") : QStringLiteral("未连接"));
            QCOMPARE(w("tbtn_connectDev")->isEnabled(), !connectedAfter);
            QCOMPARE(w("tbtn_startOutput")->isEnabled(), connectedAfter);
        }
        if (how == "取消")
            return;   // the run goes on
        const int received = samples->count();
        sim->clearRecords();
        QTest::qWait(1300);   // no sampling behind a closed file, no polling without a link
        QCOMPARE(samples->count(), received);
        QCOMPARE(sim->modbusRequests().isEmpty(), !connectedAfter);
        QCOMPARE(fileValues(path), sampleValues(*samples));
    }
    void pauseAndResume()
    {
        sim = startSim(kHost);
        QVERIFY(openPage() && startRun(2));
        auto *pause = w<QAbstractButton>("tbtn_plotPause");
        pause->click();
        const int drawn = samples->count();
        QVERIFY(points() == drawn && waitForSamples(4));
        QCOMPARE(points() + points("widget_plot_Cur"), 2 * drawn);   // nothing drawn while paused
        const int received = samples->count();
        pause->click();   // resume: all held samples at once, the view at the last
        QCOMPARE(points("widget_plot_Cur"), received);
        QCOMPARE(graphOf(w("widget_plot_Cur"))->data()->at(received - 1)->value,
                 double(samples->last().first().value<ST_SamplingValue>().current));
        QCOMPARE(w<MyCustomPlot>("widget_plot_Vol")->xAxis->range().upper,
                 graphOf(w("widget_plot_Vol"))->data()->at(received - 1)->key);
        pause->setChecked(true);   // unchecked without its click, the held samples go out with the next one
        QVERIFY(waitForSamples(3));
        pause->setChecked(false);
        QVERIFY(points() == received && waitForSamples(1));
        QCOMPARE(points(), samples->count());
        const auto keys = graphOf(w("widget_plot_Vol"))->data();
        for (int i = 1; i < keys->size(); ++i)
            QVERIFY(keys->at(i - 1)->key <= keys->at(i)->key);
        pause->click();   // a run ending while paused keeps every row: rows are written as samples come
        QVERIFY(waitForSamples(3));
        click("tbtn_stopOutput");
        echo();
        QCOMPARE(fileValues(historyFile(kHost)), sampleValues(*samples));
        QVERIFY(points() < samples->count());
    }
    void unwritableHistory_data()
    {
        QTest::addColumn<bool>("diskFull");
        QTest::newRow("folder cannot be made") << false;
        QTest::newRow("disk full") << true;
    }
    void unwritableHistory()
    {
        QFETCH(bool, diskFull);
        if (diskFull && !QFile::exists("/dev/full"))
            QSKIP("no /dev/full to stand for a full disk");
        const QDateTime now = QDateTime::currentDateTime();
        if (!diskFull)
            writeFile("historyData", "a file where the folder belongs");
        for (int s = -1; diskFull && s < 15; ++s) {   // every name the run can get in the next seconds: a full disk
            const QString name = now.addSecs(s).toString("'historyData/127.0.0.21_'yyyyMMddhhmmss'.csv'");
            QVERIFY(QDir().mkpath("historyData") && QFile::link("/dev/full", name));
        }
        sim = startSim(kHost);
        QVERIFY(openPage() && startRun(3));
        QCOMPARE(points(), samples->count());   // the run goes on
        panel(false);
        QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出，数据文件未能完整写入！"), 2));
        QCOMPARE(log->count(QStringLiteral("数据文件已保存")) + log->count(QStringLiteral("数据文件无法创建")), diskFull ? 0 : 1);
        panel(true);   // reported once: a following run from the supply's panel has no file
        QVERIFY(waitForSamples(1));
        panel(false);
        QVERIFY(log->count(QStringLiteral("设备结束输出")) == 2 && log->count(QStringLiteral("未能完整写入")) == 1);
    }
    void plotToolBar()
    {
        openPage();   // no supply
        auto *vol = w<MyCustomPlot>("widget_plot_Vol"), *cur = w<MyCustomPlot>("widget_plot_Cur");
        for (int t = 0; t < 5; ++t)   // what a previous run left
            cur->addPoint(t, 1 + t);
        const QCPRange y = cur->yAxis->range();
        MessageBoxAnswerer boxes;
        pick(QString());   // cancelled: nothing
        const QString gone = writeFile("gone.csv", "KLV2400Data\ntime,Vol,Cur\n0,1,2\n");
        {   // a file gone between the pick and the read is refused like a bad one; the curves stay
            FileDialogAnswerer picker(gone);
            picker.afterPicking = [gone] { QFile::remove(gone); };
            click("tbtn_plotImport");
        }
        QVERIFY(boxes.texts == QStringList{QStringLiteral("文件格式错误！")} && points("widget_plot_Cur") == 5);
        pick(writeFile("run 1.csv", "KLV2400Data \t\r\ntime,Vol,Cur\r\n"));   // no rows: curves emptied, axes kept
        QVERIFY(points("widget_plot_Cur") == 0 && !w("lab_csvFileName")->isHidden() && cur->yAxis->range() == y);
        QCOMPARE(text("lab_importPlotName"), QStringLiteral("run 1.csv"));

        // The time window takes effect when editing is finished; an import is shown at its end.
        auto *window = w<QSpinBox>("sbox_plotPointSize");
        QCOMPARE(window->value(), 100000);
        window->setValue(10);
        QCOMPARE(vol->windowSeconds, 100000);
        emit window->editingFinished();
        QCOMPARE(vol->windowSeconds + cur->windowSeconds, 20);
        QByteArray bytes("KLV2400Data\ntime,Vol,Cur\n");
        for (int t = 0; t <= 50; ++t)
            bytes += QByteArray::number(t) + "," + QByteArray::number(t * 2) + ",1\n";
        pick(writeFile("long.csv", bytes));
        QCOMPARE(points(), 51);   // kept whole, only the view is aligned
        QVERIFY(vol->xAxis->range() == QCPRange(40, 50) && cur->xAxis->range() == QCPRange(40, 50));
        QCOMPARE(vol->yAxis->range(), QCPRange(0, 100));

        QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "openUrl");
        click("tbtn_folderOpen");
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        QVERIFY(QFileInfo("historyData").isDir());
        QCOMPARE(urls, QList<QUrl>{QUrl::fromLocalFile(QDir::currentPath() + "/historyData")});
        writeFile("plotShot", "in the way of the folder");
        click("tbtn_plotPDFPrint");
        QCOMPARE(boxes.titles.last() + boxes.texts.last(), QStringLiteral("提示曲线图片保存失败！"));
    }
    // A supply dies mid-run while another runs on: the loss comes with the echo
    // 20 s after the last good one, its file holds every sample received, and
    // the other page records on undisturbed.
    void supplyKilledMidRun()
    {
        MessageBoxAnswerer boxes;
        sim = startSim(QStringLiteral("127.0.0.31"));
        const auto living = startSim(QStringLiteral("127.0.0.32"));
        DevWidget_KLV2400 other;
        const QDateTime frozen = QDateTime::currentDateTime();
        other.deviceDriver().setClock([frozen] { return frozen; });
        QSignalSpy otherSamples(&other.deviceDriver(), &DevDriver_KLV2400::sigPassSamplingValue);
        QVERIFY(openPage(true) && other.openDevice(QStringLiteral("127.0.0.32")));
        click("tbtn_startOutput"), click("tbtn_startOutput", &other);
        QVERIFY(waitForSamples(5) && waitCount(otherSamples, 5));
        const QString dyingFile = historyFile("127.0.0.31"), otherFile = historyFile("127.0.0.32");

        sim.reset();   // gone with its sockets: every read fails from now on
        const int received = samples->count();
        QVERIFY(waitCount(otherSamples, otherSamples.count() + 3));
        QVERIFY(samples->count() == received && boxes.texts.isEmpty());
        clock = clock.addSecs(21);
        QVERIFY(waitUntil([&] { return !boxes.texts.isEmpty(); }, 10000));
        QCOMPARE(boxes.texts, QStringList{QStringLiteral("127.0.0.31设备连接已断开！")});
        QVERIFY(!page->deviceDriver().echoRunning() && !page->deviceDriver().samplingRunning());
        QCOMPARE(fileValues(dyingFile), sampleValues(*samples));
        QVERIFY(waitCount(otherSamples, otherSamples.count() + 5));
        click("tbtn_stopOutput", &other);
        other.deviceDriver().onEchoTimeOut();
        QVERIFY(log->has(QStringLiteral("127.0.0.32设备结束输出,数据文件已保存"), 0));
        QCOMPARE(fileValues(otherFile), sampleValues(otherSamples));
    }
    // Closing a tab or the window: a page that outputs asks first, a page in
    // its connect wait refuses; closing leaves outputs on and links quiet.
    void closingPages()
    {
        const auto outputting = startSim("127.0.0.41"), failing = startSim("127.0.0.46");
        sim = startSim("127.0.0.43");
        failing->addFault(fault(FaultKind::ErrorByte, 0x42, 254));
        MainWindow window;
        window.show();
        auto *tabs = child<QTabWidget>(&window, "tabWidget");
        auto connectTo = [&](const char *ip) {   // what a device card's connect button does
            QMetaObject::invokeMethod(&window, "onConnectDevice", Q_ARG(QString, QString(ip)));
            return QPointer<DevWidget_KLV2400>(qobject_cast<DevWidget_KLV2400 *>(tabs->widget(tabs->count() - 1)));
        };
        MessageBoxAnswerer answerer(QStringLiteral("否"));
        QVERIFY(!connectTo("127.0.0.46"));   // a failed open adds no tab
        QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
        const auto first = connectTo("127.0.0.41"), connecting = connectTo("127.0.0.43");
        QCOMPARE(tabs->count(), 2);
        click("tbtn_startOutput", first);
        emit tabs->tabCloseRequested(0);   // not the current tab: asked all the same
        QCOMPARE(answerer.texts.last(), QStringLiteral("当前设备正在输出，是否确认关闭？"));
        QCOMPARE(tabs->count(), 2);
        answerer.setButtonText(QStringLiteral("是"));
        emit tabs->tabCloseRequested(0);
        QCOMPARE(tabs->count(), 1);
        flushDeletes();
        QVERIFY(first.isNull() && outputting->outputOn());

        click("tbtn_disconnectDev", connecting);
        sim.reset();   // nobody listens: the reconnect waits out its full connect time
        bool tried = false, tabKept = false, windowKept = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (tried || !connecting || !connecting->isConnecting())
                return;
            tried = true;
            emit tabs->tabCloseRequested(0);
            window.close();
            tabKept = tabs->count() == 1 && tabs->widget(0) == connecting;
            windowKept = window.isVisible();
        });
        closer.start(20);
        click("tbtn_connectDev", connecting);
        flushDeletes();
        QVERIFY(tried && tabKept && windowKept && connecting);
        QCOMPARE(log->count(QStringLiteral("127.0.0.43设备正在连接，请在连接结束后关闭")), 2);
        QCOMPARE(answerer.texts.mid(3), QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});

        sim = startSim("127.0.0.43");   // back again: once connected the window closes without a question
        click("tbtn_connectDev", connecting);
        QCOMPARE(connecting->deviceDriver().connectState(), int(ModbusDriver::ConnectedTcp));
        click("tbtn_startOutput", connecting);
        QVERIFY(window.close());
        flushDeletes();
        QVERIFY(connecting.isNull() && answerer.texts.size() == 4 && sim->outputOn());
        sim->clearRecords(), outputting->clearRecords();
        QTest::qWait(1200);
        QVERIFY(sim->modbusRequests().isEmpty() && outputting->modbusRequests().isEmpty());
    }
};

QTEST_MAIN(TestNetDevPage)
#include "tst_net_devpage.moc"
