// The device page against a simulated supply over real Modbus TCP:
// connecting, the test-function panel, output control, readout and alarm,
// disconnecting and losing the supply.

#include "devpage_rig.h"
#include "devwidget_klv2400.h"

#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QPushButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

using namespace devpage;
using klvsim::FaultKind;
using klvsim::SimSupply;

Q_DECLARE_METATYPE(QList<devpage::Write>)

namespace {

const QString kHost = QStringLiteral("127.0.0.21");

} // namespace

class TestNetDevPage : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void openShowsBusyIndicatorThenConnects();
    void failedOpenDropsLinkAndHidesIndicatorFirst();
    void limitsAreLoadedBeforeValues();
    void panelFollowsDeviceTestFunction_data();
    void panelFollowsDeviceTestFunction();
    void settingButtonsWriteTheirRegisters_data();
    void settingButtonsWriteTheirRegisters();
    void failedSettingShowsItsBox_data();
    void failedSettingShowsItsBox();
    void readoutShowsFourDecimals_data();
    void readoutShowsFourDecimals();
    void alarmButtonFollowsEcho_data();
    void alarmButtonFollowsEcho();
    void alarmQuestionClearsOnlyOnYes();
    void startOutputFromPage();
    void failedStartLeavesPageIdle();
    void outputSwitchedOnAtSupplyPanel();
    void stopEndsRunOnNextEcho();
    void runEndReportsUnwritableFile();
    void listProgressShownDuringSeqRun();
    void disconnectWhileOutputting_data();
    void disconnectWhileOutputting();
    void lostSupplyAfterTwentySeconds();
    void failedReconnectThenSuccessfulOne();
    void retranslateResetsReadoutsUntilNextEcho();

private:
    SimSupply *startSim(klvsim::SupplyConfig config = klvsim::SupplyConfig());
    DevWidget_KLV2400 *openPage();
    void echo() { page->deviceDriver().onEchoTimeOut(); }
    template <typename T>
    T *w(const char *name) { return child<T>(page.get(), name); }
    bool outputShown() { return !w<QWidget>("widget_isOutput")->isHidden(); }

    TempWorkDir workDir;   // before the log's first use
    std::unique_ptr<SimSupply> sim;
    std::unique_ptr<DevWidget_KLV2400> page;
    std::unique_ptr<LogRecorder> log;
};

void TestNetDevPage::init()
{
    log.reset(new LogRecorder);
}

void TestNetDevPage::cleanup()
{
    page.reset();
    sim.reset();
    log.reset();
    QDir(workDir.path() + "/historyData").removeRecursively();
    QFile::remove(workDir.path() + "/historyData");
}

SimSupply *TestNetDevPage::startSim(klvsim::SupplyConfig config)
{
    config.address = QHostAddress(kHost);
    sim.reset(new SimSupply(config));
    QString error;
    if (!sim->start(&error))
        qFatal("simulated supply did not start: %s", qPrintable(error));
    return sim.get();
}

DevWidget_KLV2400 *TestNetDevPage::openPage()
{
    page.reset(new DevWidget_KLV2400);
    page->show();
    if (!page->openDevice(kHost))
        return nullptr;
    return page.get();
}

void TestNetDevPage::openShowsBusyIndicatorThenConnects()
{
    startSim()->setFloatValue(10, 5.0f);   // output off: the reading stands as set
    sim->addFault(fault(FaultKind::Delay, 0x42, 254, 1, 150));
    QStringList indicatorTexts;
    WindowWatcher watcher([&](QWidget *w) {
        if (isBusyIndicator(w))
            indicatorTexts << labelTexts(w);
    });

    QVERIFY(openPage());
    QVERIFY(indicatorTexts.contains(QStringLiteral("正在连接设备...")));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(!busyIndicatorShown());

    QCOMPARE(w<QLabel>("lab_connectState")->text(), QStringLiteral("已连接"));
    QCOMPARE(w<QLabel>("lab_connectState")->styleSheet(), QStringLiteral("color: #008000;"));
    QVERIFY(!w<QToolButton>("tbtn_connectDev")->isEnabled());
    for (const char *name : {"tbtn_disconnectDev", "tbtn_startOutput", "tbtn_stopOutput", "tbtn_systemSetting",
                             "tbtn_listSetting", "btn_VI_setting", "btn_SEQ_setting", "btn_CHAR_setting",
                             "btn_alarm"})
        QVERIFY2(w<QWidget>(name)->isEnabled(), name);
    QVERIFY(log->has(QStringLiteral("设备连接成功，连接IP127.0.0.21"), 0));
    // The first echo is read at once, not a second later.
    QCOMPARE(w<QLabel>("lab_voltage")->text(), QStringLiteral("5.0000"));
    QVERIFY(!outputShown());
    QVERIFY(w<QWidget>("btn_alarm")->isHidden());
}

void TestNetDevPage::failedOpenDropsLinkAndHidesIndicatorFirst()
{
    startSim()->addFault(fault(FaultKind::ErrorByte, 0x42, 254));
    QStringList boxTexts;
    bool indicatorOverBox = false;
    WindowWatcher watcher([&](QWidget *w) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || box->property("seen").toBool())
            return;
        box->setProperty("seen", true);
        boxTexts << box->windowTitle() + "|" + box->text();
        indicatorOverBox = indicatorOverBox || busyIndicatorShown();
        box->buttons().first()->click();
    });

    page.reset(new DevWidget_KLV2400);
    bool opened = true;
    runInEventLoop([&] { opened = page->openDevice(kHost); });
    QVERIFY(!opened);
    QCOMPARE(boxTexts, QStringList{QStringLiteral("提示|设备连接失败,请检查设备连接!")});
    QVERIFY(!indicatorOverBox);
    QVERIFY(log->has(QStringLiteral("设备连接失败，连接IP127.0.0.21"), 2));
    // The TCP connection that was made is dropped again.
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::Disconnected));
    QVERIFY(!page->isConnecting());
}

void TestNetDevPage::limitsAreLoadedBeforeValues()
{
    klvsim::SupplyConfig config;
    config.voltageMax = 150;
    config.currentMin = 0.5f;
    config.currentMax = 30;
    config.listFileCount = 7;
    startSim(config);
    sim->setFloatValue(82, 120.5f);
    sim->setFloatValue(84, 25.25f);
    sim->setFloatValue(232, 140.0f);
    sim->setFloatValue(234, 28.0f);
    sim->setFloatValue(236, 130.5f);
    sim->setFloatValue(238, 0.75f);
    sim->setFloatValue(240, 12345.5f);
    sim->setValue(242, 7200);
    sim->setValue(228, 5);

    QVERIFY(openPage());
    for (const char *name : {"sbox_VI_vol", "sbox_chargVol", "sbox_chargStopVol"}) {
        QCOMPARE(w<QDoubleSpinBox>(name)->minimum(), 0.0);
        QCOMPARE(w<QDoubleSpinBox>(name)->maximum(), 150.0);
    }
    for (const char *name : {"sbox_VI_cur", "sbox_chargCur", "sbox_chargStopCur"}) {
        QCOMPARE(w<QDoubleSpinBox>(name)->minimum(), 0.5);
        QCOMPARE(w<QDoubleSpinBox>(name)->maximum(), 30.0);
    }
    QCOMPARE(w<QDoubleSpinBox>("sbox_VI_vol")->value(), 120.5);
    QCOMPARE(w<QDoubleSpinBox>("sbox_VI_cur")->value(), 25.25);
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargVol")->value(), 140.0);
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargCur")->value(), 28.0);
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargStopVol")->value(), 130.5);
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargStopCur")->value(), 0.75);
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargStopQua")->value(), 12345.5);
    QCOMPARE(w<QSpinBox>("sbox_chargStopTime")->value(), 7200);
    // The two end conditions keep the form's ranges.
    QCOMPARE(w<QDoubleSpinBox>("sbox_chargStopQua")->maximum(), 999999.0);
    QCOMPARE(w<QSpinBox>("sbox_chargStopTime")->maximum(), 360000);

    auto *list = w<QComboBox>("cbox_SEQ_number");
    QCOMPARE(list->count(), 7);
    QCOMPARE(list->itemText(0), QStringLiteral("1"));
    QCOMPARE(list->itemText(6), QStringLiteral("7"));
    QCOMPARE(list->currentText(), QStringLiteral("5"));
}

void TestNetDevPage::panelFollowsDeviceTestFunction_data()
{
    QTest::addColumn<int>("deviceCode");
    QTest::addColumn<int>("comboBefore");
    QTest::addColumn<int>("comboAfter");
    QTest::addColumn<bool>("writesCode");

    QTest::newRow("VI") << 0 << 0 << 0 << false;
    QTest::newRow("SEQ") << 3 << 0 << 1 << true;
    QTest::newRow("CHAR") << 4 << 0 << 2 << true;
    QTest::newRow("VI from CHAR") << 0 << 2 << 0 << true;
    QTest::newRow("unnamed 1 leaves CHAR") << 1 << 2 << 2 << false;
    QTest::newRow("unnamed 2 leaves SEQ") << 2 << 1 << 1 << false;
    QTest::newRow("unnamed 7 leaves CHAR") << 7 << 2 << 2 << false;
}

void TestNetDevPage::panelFollowsDeviceTestFunction()
{
    QFETCH(int, deviceCode);
    QFETCH(int, comboBefore);
    QFETCH(int, comboAfter);
    QFETCH(bool, writesCode);

    startSim()->setValue(28, quint32(deviceCode));
    page.reset(new DevWidget_KLV2400);
    auto *combo = w<QComboBox>("cbox_testFunc");
    auto *stack = w<QStackedWidget>("stackedWidget");
    QCOMPARE(combo->count(), 3);
    QCOMPARE(combo->itemText(0) + combo->itemText(1) + combo->itemText(2), QStringLiteral("VISEQCHAR"));
    // While disconnected the combo only switches the visible page.
    combo->setCurrentIndex(comboBefore);
    QCOMPARE(stack->currentIndex(), comboBefore);
    QVERIFY(page->openDevice(kHost));

    QCOMPARE(combo->currentIndex(), comboAfter);
    QCOMPARE(stack->currentIndex(), comboAfter);
    const QString pageNames[] = {"page", "page_2", "page_3"};
    QCOMPARE(stack->currentWidget()->objectName(), pageNames[comboAfter]);
    const QList<Write> expected =
        writesCode ? QList<Write>{{0xA0, 28, quint32(deviceCode)}} : QList<Write>{};
    QCOMPARE(writesSeen(*sim), expected);
    QCOMPARE(sim->value(28), quint32(deviceCode));
}

void TestNetDevPage::settingButtonsWriteTheirRegisters_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QList<Write>>("writes");
    QTest::addColumn<QString>("logText");

    QTest::newRow("VI") << "btn_VI_setting"
                        << QList<Write>{{0x01, 82, floatBits(30.5f)}, {0x01, 84, floatBits(3.25f)}, {0xA0, 48, 1}}
                        << "127.0.0.21-VI测试参数设置成功！";
    QTest::newRow("SEQ") << "btn_SEQ_setting" << QList<Write>{{0xA0, 228, 3}, {0xA0, 48, 1}}
                         << "127.0.0.21-SEQ测试参数设置成功！";
    QTest::newRow("CHAR") << "btn_CHAR_setting"
                          << QList<Write>{{0x01, 232, floatBits(14.125f)}, {0x01, 234, floatBits(4.5f)},
                                          {0x01, 236, floatBits(13.75f)},  {0x01, 238, floatBits(0.25f)},
                                          {0x01, 240, floatBits(80.5f)},   {0xA0, 242, 3600},
                                          {0xA0, 48, 1}}
                          << "127.0.0.21-CHAR测试参数设置成功！";
}

void TestNetDevPage::settingButtonsWriteTheirRegisters()
{
    QFETCH(QString, button);
    QFETCH(QList<Write>, writes);
    QFETCH(QString, logText);

    startSim();
    QVERIFY(openPage());
    w<QDoubleSpinBox>("sbox_VI_vol")->setValue(30.5);
    w<QDoubleSpinBox>("sbox_VI_cur")->setValue(3.25);
    w<QComboBox>("cbox_SEQ_number")->setCurrentIndex(2);
    w<QDoubleSpinBox>("sbox_chargVol")->setValue(14.125);
    w<QDoubleSpinBox>("sbox_chargCur")->setValue(4.5);
    w<QDoubleSpinBox>("sbox_chargStopVol")->setValue(13.75);
    w<QDoubleSpinBox>("sbox_chargStopCur")->setValue(0.25);
    w<QDoubleSpinBox>("sbox_chargStopQua")->setValue(80.5);
    w<QSpinBox>("sbox_chargStopTime")->setValue(3600);
    sim->clearRecords();
    const int commits = sim->commitCount();

    MessageBoxAnswerer answerer;
    page->findChild<QPushButton *>(button)->click();
    QCOMPARE(writesSeen(*sim), writes);
    QCOMPARE(sim->commitCount(), commits + 1);
    for (const Write &write : writes)
        if (write.reg != 48)
            QCOMPARE(sim->committedValue(quint16(write.reg)), write.value);
    QVERIFY(log->has(logText, 0));
    QVERIFY(answerer.texts.isEmpty());
}

void TestNetDevPage::failedSettingShowsItsBox_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("failingRegister");
    QTest::addColumn<QString>("boxText");
    QTest::addColumn<QString>("logText");

    QTest::newRow("VI") << "btn_VI_setting" << 82 << "VI测试参数设置失败！" << "127.0.0.21-VI测试参数设置失败！";
    QTest::newRow("SEQ") << "btn_SEQ_setting" << 228 << "SEQ测试参数设置失败！"
                         << "127.0.0.21-SEQ测试参数设置失败！";
    QTest::newRow("CHAR") << "btn_CHAR_setting" << 242 << "CHAR测试参数设置失败！"
                          << "127.0.0.21-CHAR测试参数设置失败！";
}

void TestNetDevPage::failedSettingShowsItsBox()
{
    QFETCH(QString, button);
    QFETCH(int, failingRegister);
    QFETCH(QString, boxText);
    QFETCH(QString, logText);

    startSim();
    QVERIFY(openPage());
    w<QDoubleSpinBox>("sbox_VI_vol")->setValue(20);
    sim->addFault(fault(FaultKind::Exception, 0x10, failingRegister));

    MessageBoxAnswerer answerer;
    page->findChild<QPushButton *>(button)->click();
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{boxText});
    QVERIFY(log->has(logText, 2));
    // The operator's entry stays for another try.
    QCOMPARE(w<QDoubleSpinBox>("sbox_VI_vol")->value(), 20.0);
}

void TestNetDevPage::readoutShowsFourDecimals_data()
{
    QTest::addColumn<float>("value");
    QTest::addColumn<QString>("text");

    QTest::newRow("5 V") << 5.0f << "5.0000";
    QTest::newRow("12.3") << 12.3f << "12.3000";
    QTest::newRow("rounded") << 1234.56789f << "1234.5679";
    QTest::newRow("tiny") << 0.00004f << "0.0000";
    QTest::newRow("negative") << -1.5f << "-1.5000";
}

void TestNetDevPage::readoutShowsFourDecimals()
{
    QFETCH(float, value);
    QFETCH(QString, text);

    startSim();
    QVERIFY(openPage());
    sim->setFloatValue(10, value);
    sim->setFloatValue(12, value / 2);
    sim->setFloatValue(14, value * 2);
    echo();
    QCOMPARE(w<QLabel>("lab_voltage")->text(), text);
    QCOMPARE(w<QLabel>("lab_current")->text(), QString::number(double(value / 2), 'f', 4));
    QCOMPARE(w<QLabel>("lab_power")->text(), QString::number(double(value * 2), 'f', 4));
}

void TestNetDevPage::alarmButtonFollowsEcho_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");   // empty: the button is hidden

    QTest::newRow("none") << 0 << "";
    QTest::newRow("OP") << 1 << "OP";
    QTest::newRow("OT") << 6 << "OT";
    QTest::newRow("7") << 7 << "NULL";
    QTest::newRow("12") << 12 << "NULL";
    QTest::newRow("14") << 14 << "NULL";
    QTest::newRow("PMF") << 15 << "PMF";
    QTest::newRow("FAULT") << 16 << "FAULT";
    QTest::newRow("beyond the table") << 17 << "17";
    QTest::newRow("largest") << 31 << "31";
}

void TestNetDevPage::alarmButtonFollowsEcho()
{
    QFETCH(int, code);
    QFETCH(QString, text);

    startSim();
    QVERIFY(openPage());
    auto *alarm = w<QPushButton>("btn_alarm");
    sim->raiseAlarm(16);
    echo();
    QVERIFY(!alarm->isHidden());

    sim->raiseAlarm(code);
    echo();
    QCOMPARE(alarm->isHidden(), text.isEmpty());
    if (!text.isEmpty())
        QCOMPARE(alarm->text(), text);
    QCOMPARE(alarm->size(), QSize(30, 22));
}

void TestNetDevPage::alarmQuestionClearsOnlyOnYes()
{
    startSim();
    QVERIFY(openPage());
    sim->raiseAlarm(3);
    echo();
    auto *alarm = w<QPushButton>("btn_alarm");
    QCOMPARE(alarm->text(), QStringLiteral("OC"));

    sim->clearRecords();
    MessageBoxAnswerer answerer(QStringLiteral("否"));
    alarm->click();
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("是否清除当前报警？")});
    QVERIFY(writesSeen(*sim).isEmpty());
    QCOMPARE(sim->alarmCode(), 3);

    answerer.setButtonText(QStringLiteral("是"));
    alarm->click();
    QCOMPARE(writesSeen(*sim), (QList<Write>{{0xA0, 42, 1}}));
    QCOMPARE(sim->alarmCode(), 0);
    // The button stays until an echo reports no alarm.
    QVERIFY(!alarm->isHidden());
    echo();
    QVERIFY(alarm->isHidden());
}

void TestNetDevPage::startOutputFromPage()
{
    startSim();
    QVERIFY(openPage());
    sim->clearRecords();
    w<QToolButton>("tbtn_startOutput")->click();

    QVERIFY(sim->outputOn());
    QVERIFY(outputShown());
    QCOMPARE(w<QLabel>("lab_isOutput")->text(), QStringLiteral(" 正在输出"));
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备开始输出"), 0));
    QCOMPARE(QDir(workDir.path() + "/historyData").entryList({QStringLiteral("127.0.0.21_*.csv")}).size(), 1);
    // Sampling starts with one read at once.
    QVERIFY(readsAt(*sim, 10) >= 1);
    QVERIFY(waitUntil([&] { return readsAt(*sim, 10) >= 3; }, 5000));

    // A second click while the output is on sends nothing.
    sim->clearRecords();
    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(!writtenRegisters(*sim).contains(32));
    QCOMPARE(log->count(QStringLiteral("设备开始输出")), 1);
}

void TestNetDevPage::failedStartLeavesPageIdle()
{
    startSim();
    QVERIFY(openPage());
    sim->addFault(fault(FaultKind::Exception, 0x10, 32, 1));
    MessageBoxAnswerer answerer;
    w<QToolButton>("tbtn_startOutput")->click();

    QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备输出失败，请重试!")});
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备输出失败！"), 2));
    QVERIFY(!outputShown());
    QVERIFY(!QDir(workDir.path() + "/historyData").exists()
            || QDir(workDir.path() + "/historyData").entryList(QDir::Files).isEmpty());

    // The page still reads as idle, so the next click tries again.
    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(sim->outputOn());
    QVERIFY(outputShown());
}

void TestNetDevPage::outputSwitchedOnAtSupplyPanel()
{
    startSim();
    QVERIFY(openPage());
    sim->panelSetOutput(true);
    sim->clearRecords();
    echo();

    QVERIFY(outputShown());
    QVERIFY(readsAt(*sim, 10) >= 1);   // sampling runs
    QCOMPARE(log->count(QStringLiteral("设备开始输出")), 0);
    QVERIFY(QDir(workDir.path() + "/historyData").entryList(QDir::Files).isEmpty());

    // The panel switching it off again ends the run without a file.
    sim->panelSetOutput(false);
    echo();
    QVERIFY(!outputShown());
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出"), 0));
}

void TestNetDevPage::stopEndsRunOnNextEcho()
{
    startSim();
    QVERIFY(openPage());
    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(outputShown());

    sim->clearRecords();
    w<QToolButton>("tbtn_stopOutput")->click();
    QCOMPARE(writesSeen(*sim), (QList<Write>{{0xA0, 32, 0}}));
    QVERIFY(!sim->outputOn());
    // Nothing changes on the page until the supply reports it.
    QVERIFY(outputShown());
    QCOMPARE(log->count(QStringLiteral("设备结束输出")), 0);

    echo();
    QVERIFY(!outputShown());
    QCOMPARE(log->count(QStringLiteral("设备结束输出")), 1);
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出,数据文件已保存"), 0));
    // The file holds the run from its very first sample on.
    const QStringList files =
        QDir(workDir.path() + "/historyData").entryList({QStringLiteral("127.0.0.21_*.csv")}, QDir::Files);
    QCOMPARE(files.size(), 1);
    QFile file(workDir.path() + "/historyData/" + files.first());
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    QVERIFY(lines.size() >= 4);
    QCOMPARE(lines.at(0), QByteArray("KLV2400Data"));
    QCOMPARE(lines.at(1), QByteArray("time,Vol,Cur"));
    QVERIFY(lines.at(2).startsWith("0,"));

    // Sampling has stopped; a stop click while idle sends nothing.
    sim->clearRecords();
    QTest::qWait(400);
    QCOMPARE(readsAt(*sim, 10), 0);
    w<QToolButton>("tbtn_stopOutput")->click();
    QVERIFY(writesSeen(*sim).isEmpty());
}

void TestNetDevPage::runEndReportsUnwritableFile()
{
    // A plain file where the history folder belongs: the run's file cannot open.
    QFile blocker(workDir.path() + "/historyData");
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    startSim();
    QVERIFY(openPage());
    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(outputShown());
    w<QToolButton>("tbtn_stopOutput")->click();
    echo();
    QVERIFY(!outputShown());
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备结束输出，数据文件未能完整写入！"), 2));
    QCOMPARE(log->count(QStringLiteral("数据文件已保存")), 0);
}

void TestNetDevPage::listProgressShownDuringSeqRun()
{
    startSim()->setValue(28, 3);
    QVERIFY(openPage());
    auto *step = w<QLabel>("lab_curStep");
    auto *cycle = w<QLabel>("lab_curCycle");
    QCOMPARE(step->text(), QStringLiteral("0"));
    QCOMPARE(cycle->text(), QStringLiteral("0"));

    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(waitUntil(
        [&] {
            const quint32 running = sim->value(230);
            return step->text() == QString::number(running & 0xFFFF)
                && cycle->text() == QString::number(running >> 16) && step->text() != "0";
        },
        5000));
}

void TestNetDevPage::disconnectWhileOutputting_data()
{
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("outputAfter");
    QTest::addColumn<bool>("connectedAfter");

    QTest::newRow("是 switches off") << "是" << false << false;
    QTest::newRow("否 leaves it on") << "否" << true << false;
    QTest::newRow("取消 changes nothing") << "取消" << true << true;
}

void TestNetDevPage::disconnectWhileOutputting()
{
    QFETCH(QString, answer);
    QFETCH(bool, outputAfter);
    QFETCH(bool, connectedAfter);

    startSim();
    QVERIFY(openPage());
    w<QToolButton>("tbtn_startOutput")->click();
    MessageBoxAnswerer answerer(answer);
    w<QToolButton>("tbtn_disconnectDev")->click();

    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("当前设备正在输出,是否关闭输出？")});
    QCOMPARE(sim->outputOn(), outputAfter);
    const auto &driver = page->deviceDriver();
    QCOMPARE(driver.connectState() != ModbusDriver::Disconnected, connectedAfter);
    QCOMPARE(outputShown(), connectedAfter);
    auto *state = w<QLabel>("lab_connectState");
    QCOMPARE(state->text(), connectedAfter ? QStringLiteral("已连接") : QStringLiteral("未连接"));
    QCOMPARE(w<QToolButton>("tbtn_connectDev")->isEnabled(), !connectedAfter);
    QCOMPARE(w<QToolButton>("tbtn_startOutput")->isEnabled(), connectedAfter);
    QCOMPARE(log->has(QStringLiteral("127.0.0.21设备连接已断开"), 0), !connectedAfter);
    if (!connectedAfter) {
        QCOMPARE(state->styleSheet(), QStringLiteral("color: #cccccc;"));
        // Polling has stopped with the link.
        sim->clearRecords();
        QTest::qWait(1300);
        QVERIFY(sim->modbusRequests().isEmpty());
    }
}

void TestNetDevPage::lostSupplyAfterTwentySeconds()
{
    startSim();
    QDateTime now = QDateTime::currentDateTime();
    page.reset(new DevWidget_KLV2400);
    page->deviceDriver().setClock([&now] { return now; });
    QVERIFY(page->openDevice(kHost));
    w<QToolButton>("tbtn_startOutput")->click();
    QVERIFY(outputShown());

    MessageBoxAnswerer answerer;
    sim->addFault(fault(FaultKind::Silent, -1, -1));
    now = now.addSecs(10);
    echo();
    QVERIFY(answerer.texts.isEmpty());
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::ConnectedTcp));

    now = now.addSecs(15);
    echo();
    QCOMPARE(answerer.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("127.0.0.21设备连接已断开！")});
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备失去连接，请检查网络是否正常！"), 2));
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::Disconnected));
    QVERIFY(!outputShown());
    QCOMPARE(w<QLabel>("lab_connectState")->text(), QStringLiteral("未连接"));
    QVERIFY(w<QToolButton>("tbtn_connectDev")->isEnabled());
    QVERIFY(!w<QToolButton>("tbtn_disconnectDev")->isEnabled());
}

void TestNetDevPage::failedReconnectThenSuccessfulOne()
{
    startSim();
    QVERIFY(openPage());
    // Connect while connected does nothing.
    w<QToolButton>("tbtn_connectDev")->click();
    QCOMPARE(log->count(QStringLiteral("连接设备，连接IP")), 0);

    w<QToolButton>("tbtn_disconnectDev")->click();
    QVERIFY(log->has(QStringLiteral("127.0.0.21设备连接已断开"), 0));

    // The TCP connect succeeds, the limits read fails.
    sim->addFault(fault(FaultKind::ErrorByte, 0x42, 254, 1));
    MessageBoxAnswerer answerer;
    w<QToolButton>("tbtn_connectDev")->click();
    QVERIFY(log->has(QStringLiteral("连接设备，连接IP127.0.0.21"), 0));
    QVERIFY(log->has(QStringLiteral("设备连接失败，连接IP127.0.0.21"), 2));
    QCOMPARE(answerer.texts, QStringList{QStringLiteral("设备连接失败,请检查设备连接!")});
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::Disconnected));
    QCOMPARE(w<QLabel>("lab_connectState")->text(), QStringLiteral("未连接"));
    QVERIFY(w<QToolButton>("tbtn_connectDev")->isEnabled());

    // The next try goes through.
    w<QToolButton>("tbtn_connectDev")->click();
    QCOMPARE(log->count(QStringLiteral("连接设备，连接IP127.0.0.21")), 2);
    QVERIFY(log->has(QStringLiteral("设备连接成功，连接IP127.0.0.21"), 0));
    QCOMPARE(page->deviceDriver().connectState(), int(ModbusDriver::ConnectedTcp));
    QCOMPARE(w<QLabel>("lab_connectState")->text(), QStringLiteral("已连接"));
    QVERIFY(w<QToolButton>("tbtn_disconnectDev")->isEnabled());
    QCOMPARE(answerer.texts.size(), 1);
    // And the echo runs again.
    sim->clearRecords();
    QVERIFY(waitUntil([&] { return readsAt(*sim, 8) >= 1; }, 3000));
}

void TestNetDevPage::retranslateResetsReadoutsUntilNextEcho()
{
    startSim()->setFloatValue(10, 7.5f);
    sim->raiseAlarm(2);
    QVERIFY(openPage());
    QCOMPARE(w<QLabel>("lab_voltage")->text(), QStringLiteral("7.5000"));
    QCOMPARE(w<QPushButton>("btn_alarm")->text(), QStringLiteral("OV"));

    page->retranslate();
    QCOMPARE(w<QLabel>("lab_voltage")->text(), QStringLiteral("0.0000"));
    QCOMPARE(w<QPushButton>("btn_alarm")->text(), QString());
    QCOMPARE(w<QLabel>("lab_connectState")->text(), QStringLiteral("已连接"));

    echo();
    QCOMPARE(w<QLabel>("lab_voltage")->text(), QStringLiteral("7.5000"));
    QCOMPARE(w<QPushButton>("btn_alarm")->text(), QStringLiteral("OV"));
}

QTEST_MAIN(TestNetDevPage)
#include "tst_net_devpage.moc"
