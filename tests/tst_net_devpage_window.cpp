// Device pages in the main window's tabs against simulated supplies: one tab
// per address, closing a tab, closing the window, and a page that is still
// inside its connect wait.

#include "devpage_rig.h"
#include "devwidget_klv2400.h"
#include "mainwindow.h"

#include <QPointer>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace devpage;
using klvsim::FaultKind;
using klvsim::SimSupply;

class TestNetDevPageWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void oneTabPerAddress();
    void failedOpenAddsNoTab();
    void closingTabDuringOutputAsks();
    void closingWindowAsksNothingAndLeavesOutputsOn();
    void pageInConnectWaitIsNeverTornDown();

private:
    SimSupply *addSim(const QString &ip);
    void connectTo(const QString &ip);
    DevWidget_KLV2400 *pageAt(int index) { return qobject_cast<DevWidget_KLV2400 *>(tabs->widget(index)); }
    static void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    TempWorkDir workDir;   // before the log's first use
    QList<SimSupply *> sims;
    std::unique_ptr<MainWindow> window;
    QTabWidget *tabs = nullptr;
    std::unique_ptr<LogRecorder> log;
};

void TestNetDevPageWindow::init()
{
    log.reset(new LogRecorder);
    window.reset(new MainWindow);
    window->show();
    tabs = child<QTabWidget>(window.get(), "tabWidget");
    QCOMPARE(tabs->count(), 0);
}

void TestNetDevPageWindow::cleanup()
{
    window.reset();
    flushDeletes();
    qDeleteAll(sims);
    sims.clear();
    log.reset();
}

SimSupply *TestNetDevPageWindow::addSim(const QString &ip)
{
    klvsim::SupplyConfig config;
    config.address = QHostAddress(ip);
    auto *sim = new SimSupply(config);
    QString error;
    if (!sim->start(&error))
        qFatal("simulated supply did not start: %s", qPrintable(error));
    sims << sim;
    return sim;
}

void TestNetDevPageWindow::connectTo(const QString &ip)
{
    // What a device card's connect button does.
    QMetaObject::invokeMethod(window.get(), "onConnectDevice", Q_ARG(QString, ip));
}

void TestNetDevPageWindow::oneTabPerAddress()
{
    addSim("127.0.0.41");
    addSim("127.0.0.42");
    connectTo("127.0.0.41");
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("127.0.0.41"));
    QVERIFY(pageAt(0));

    QStringList boxes;
    WindowWatcher watcher([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || box->property("seen").toBool())
            return;
        box->setProperty("seen", true);
        boxes << QStringLiteral("%1|%2|%3|%4").arg(box->windowTitle(), box->text()).arg(box->buttons().size())
                     .arg(box->parentWidget() == window.get());
        box->buttons().first()->click();
    });
    connectTo("127.0.0.41");
    QCOMPARE(boxes, QStringList{QStringLiteral("提示|设备已添加！|1|1")});
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(window->findChildren<DevWidget_KLV2400 *>().size(), 1);

    connectTo("127.0.0.42");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(1), QStringLiteral("127.0.0.42"));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(boxes.size(), 1);
}

void TestNetDevPageWindow::failedOpenAddsNoTab()
{
    addSim("127.0.0.46")->addFault(fault(FaultKind::ErrorByte, 0x42, 254));
    MessageBoxAnswerer answerer;
    connectTo("127.0.0.46");
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
    QCOMPARE(tabs->count(), 0);
    QVERIFY(window->findChildren<DevWidget_KLV2400 *>().isEmpty());
    QVERIFY(log->has(QStringLiteral("设备连接失败，连接IP127.0.0.46"), 2));
}

void TestNetDevPageWindow::closingTabDuringOutputAsks()
{
    SimSupply *outputting = addSim("127.0.0.47");
    SimSupply *idle = addSim("127.0.0.48");
    connectTo("127.0.0.47");
    connectTo("127.0.0.48");
    QCOMPARE(tabs->count(), 2);
    child<QToolButton>(pageAt(0), "tbtn_startOutput")->click();
    QVERIFY(outputting->outputOn());

    MessageBoxAnswerer answerer(QStringLiteral("否"));
    emit tabs->tabCloseRequested(0);
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("当前设备正在输出，是否确认关闭？")});
    QCOMPARE(tabs->count(), 2);
    // Still polled after "否".
    outputting->clearRecords();
    QVERIFY(waitUntil([&] { return readsAt(*outputting, 8) >= 1; }, 3000));

    // The question comes whether or not the tab is the current one.
    QCOMPARE(tabs->currentIndex(), 1);
    answerer.setButtonText(QStringLiteral("是"));
    QPointer<DevWidget_KLV2400> page = pageAt(0);
    emit tabs->tabCloseRequested(0);
    QCOMPARE(answerer.texts.size(), 2);
    QCOMPARE(tabs->count(), 1);
    QCOMPARE(tabs->tabText(0), QStringLiteral("127.0.0.48"));
    flushDeletes();
    QVERIFY(page.isNull());
    // Closing leaves the supply's output as it is and stops talking to it.
    QVERIFY(outputting->outputOn());
    outputting->clearRecords();
    QTest::qWait(1200);
    QVERIFY(outputting->modbusRequests().isEmpty());

    // An idle page closes without a question.
    emit tabs->tabCloseRequested(0);
    QCOMPARE(answerer.texts.size(), 2);
    QCOMPARE(tabs->count(), 0);
    QVERIFY(!idle->outputOn());
}

void TestNetDevPageWindow::closingWindowAsksNothingAndLeavesOutputsOn()
{
    SimSupply *outputting = addSim("127.0.0.44");
    SimSupply *idle = addSim("127.0.0.45");
    connectTo("127.0.0.44");
    connectTo("127.0.0.45");
    child<QToolButton>(pageAt(0), "tbtn_startOutput")->click();
    QPointer<DevWidget_KLV2400> first = pageAt(0), second = pageAt(1);

    MessageBoxAnswerer answerer(QStringLiteral("否"));
    QVERIFY(window->close());
    flushDeletes();
    QVERIFY(answerer.texts.isEmpty());
    QVERIFY(first.isNull() && second.isNull());
    QVERIFY(outputting->outputOn());
    QVERIFY(!idle->outputOn());
    outputting->clearRecords();
    idle->clearRecords();
    QTest::qWait(1200);
    QVERIFY(outputting->modbusRequests().isEmpty());
    QVERIFY(idle->modbusRequests().isEmpty());
}

void TestNetDevPageWindow::pageInConnectWaitIsNeverTornDown()
{
    const QString ip = QStringLiteral("127.0.0.43");
    addSim(ip);
    connectTo(ip);
    QPointer<DevWidget_KLV2400> page = pageAt(0);
    QVERIFY(page);
    child<QToolButton>(page, "tbtn_disconnectDev")->click();
    // Nobody listens any more: the reconnect waits out its full connect time.
    qDeleteAll(sims);
    sims.clear();

    bool triedWhileConnecting = false;
    bool tabKept = false, windowKept = false;
    QTimer closer;
    connect(&closer, &QTimer::timeout, [&] {
        if (triedWhileConnecting || !page || !page->isConnecting())
            return;
        triedWhileConnecting = true;
        emit tabs->tabCloseRequested(0);
        window->close();
        tabKept = tabs->count() == 1 && tabs->widget(0) == page;
        windowKept = window->isVisible();
    });
    closer.start(20);

    MessageBoxAnswerer answerer;
    child<QToolButton>(page, "tbtn_connectDev")->click();
    closer.stop();
    flushDeletes();

    QVERIFY(triedWhileConnecting);
    QVERIFY(tabKept);
    QVERIFY(windowKept);
    QVERIFY(page);
    QCOMPARE(log->count(QStringLiteral("127.0.0.43设备正在连接，请在连接结束后关闭")), 2);
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::Disconnected));

    // The supply is back: the next try connects.
    addSim(ip);
    child<QToolButton>(page, "tbtn_connectDev")->click();
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::ConnectedTcp));
    QCOMPARE(answerer.texts.size(), 1);

    // Once the wait is over the window closes as usual.
    QVERIFY(window->close());
    flushDeletes();
    QVERIFY(page.isNull());
}

QTEST_MAIN(TestNetDevPageWindow)
#include "tst_net_devpage_window.moc"
