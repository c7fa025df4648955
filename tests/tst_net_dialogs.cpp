// The settings dialog and the sequence list editor against a simulated
// supply over a real Modbus TCP connection.

#include "capplog.h"
#include "centerdelegate.h"
#include "devdriver_klv2400.h"
#include "doublespinboxdelegate.h"
#include "listsettingdialog.h"
#include "readonlydelegate.h"
#include "simsupply.h"
#include "systemsettingdialog.h"
#include "testsupport.h"

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QtTest>

#include <cstring>
#include <memory>

using klvsim::FaultKind;
using klvsim::FaultRule;
using klvsim::SimListFile;
using klvsim::SimStep;
using klvsim::SimSupply;

namespace {

const QString kHost = QStringLiteral("127.0.0.11");

quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

quint16 be16(const QByteArray &frame, int at)
{
    return quint16((quint8(frame.at(at)) << 8) | quint8(frame.at(at + 1)));
}

// (register, value) of every one-value write the supply received, in order.
QList<QPair<int, quint32>> writesSeen(const SimSupply &sim)
{
    QList<QPair<int, quint32>> writes;
    for (const QByteArray &frame : sim.modbusRequests())
        if (frame.size() == 17 && quint8(frame.at(7)) == 0x10)
            writes.append({be16(frame, 8), (quint32(be16(frame, 13)) << 16) | be16(frame, 15)});
    return writes;
}

QList<int> writtenRegisters(const SimSupply &sim)
{
    QList<int> registers;
    for (const auto &write : writesSeen(sim))
        registers.append(write.first);
    return registers;
}

quint32 writtenValue(const SimSupply &sim, int reg)
{
    quint32 value = 0xDEADBEEF;
    for (const auto &write : writesSeen(sim))
        if (write.first == reg)
            value = write.second;
    return value;
}

// Start addresses of the requests with the given function code.
QList<int> requestAddresses(const SimSupply &sim, int function)
{
    QList<int> addresses;
    for (const QByteArray &frame : sim.modbusRequests())
        if (frame.size() >= 10 && quint8(frame.at(7)) == function)
            addresses.append(be16(frame, 8));
    return addresses;
}

FaultRule failing(int function, int address)
{
    FaultRule rule;
    rule.kind = FaultKind::Exception;
    rule.function = function;
    rule.address = address;
    return rule;
}

template <typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

// Types into a line edit the way the user does, so its validator applies.
void typeInto(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->clear();
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

SimListFile listFile(const QByteArray &name, int cycles, int link, const QVector<SimStep> &steps)
{
    SimListFile file;
    file.name = name;
    file.cycleTimes = cycles;
    file.linkListNumber = link;
    file.steps = steps;
    return file;
}

} // namespace

class TestNetDialogs : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    // System and connection settings.
    void openReadsBothGroupsIntoTheControls();
    void systemTabWritesOnlySystemRegisters();
    void connectionTabWritesOnlyConnectionRegisters();
    void failedWriteSendsNoCommitAndKeepsInterval_data();
    void failedWriteSendsNoCommitAndKeepsInterval();
    void intervalOutsideListShowsNoSelectionAndSurvives();
    void comboValueOutsideItemsIsWrittenBackAsRead_data();
    void comboValueOutsideItemsIsWrittenBackAsRead();
    void outOfRangeValuesAreClampedAndWrittenClamped();
    void deviceAddressBounds_data();
    void deviceAddressBounds();
    void failedReadLeavesEveryDefault_data();
    void failedReadLeavesEveryDefault();
    void partialAddressIsRefused_data();
    void partialAddressIsRefused();
    void addressValidatorRefusesImpossibleInput_data();
    void addressValidatorRefusesImpossibleInput();
    void closeButtonsReject();

    // Sequence list editor.
    void editorLoadsFileOneAtOpen();
    void limitsWidenRangesBeforeReloading();
    void otherFileNumberReloads();
    void failedReadKeepsContentsForTheNewNumber();
    void finishedLengthAddsAndDropsRows();
    void unfinishedLengthChangesNothing();
    void saveWritesTheTableAndStaysOpen();
    void okWritesThenAcceptsWhateverTheResult();
    void refusedNameWarnsButSucceeds();
    void emptyNameNeverWarns();
    void nameValidatorCharacters_data();
    void nameValidatorCharacters();
    void nameValidatorRefusesNonAscii();

private:
    std::unique_ptr<SystemSettingDialog> openSettings();
    std::unique_ptr<ListSettingDialog> openEditor(bool withLimits = true);
    bool logged(const QString &message, int type) const;

    std::unique_ptr<TempWorkDir> workDir;
    SimSupply *sim = nullptr;
    DevDriver_KLV2400 driver;
    ST_DevInfo info;
    QList<QPair<QString, int>> logLines;
};

void TestNetDialogs::initTestCase()
{
    workDir.reset(new TempWorkDir);
    connect(CAppLog::instance(), &CAppLog::sigPassMsg, this,
            [this](QString msg, int type) { logLines.append({msg, type}); });

    klvsim::SupplyConfig config;
    config.address = QHostAddress(kHost);
    config.listFileCount = 20;
    config.listStepMax = 200;
    sim = new SimSupply(config, this);
    QString error;
    QVERIFY2(sim->start(&error), qPrintable(error));
    driver.initTransport();
    QVERIFY(driver.connectDevice(kHost, 502));

    info.voltageMin = 0;
    info.voltageMax = 60;
    info.currentMin = 0;
    info.currentMax = 20;
    info.powerMin = 0;
    info.powerMax = 1200;
    info.listFileCount = 20;
    info.listStepMax = 200;
}

void TestNetDialogs::init()
{
    sim->clearFaults();
    sim->setValue(96, 1);
    sim->setFloatValue(122, 12.5f);
    sim->setFloatValue(124, 3.25f);
    sim->setFloatValue(126, 500.0f);
    sim->setFloatValue(128, 2.5f);
    sim->setValue(166, 30);
    sim->setValue(168, 1);
    sim->setValue(204, 77);
    sim->setValue(206, 0);
    sim->setValue(172, 0x0164A8C0);   // 192.168.100.1
    sim->setValue(174, 0x00FFFFFF);   // 255.255.255.0
    sim->setValue(176, 0xFE64A8C0);   // 192.168.100.254
    sim->setValue(188, 1);
    sim->setValue(190, 4);
    sim->setValue(198, 2);
    sim->setValue(200, 1);
    sim->setValue(202, 17);
    sim->setListFile(1, listFile("FILE1", 3, 2, {{1.5f, 0.5f, 1.0f}, {2.0f, 1.0f, 2.5f}, {3.25f, 1.5f, 0.1f}}));
    sim->setListFile(2, listFile("SECOND", 7, 0, {{10.0f, 2.0f, 5.0f}, {0.0f, 0.0f, 86400.0f}}));
    driver.samplingInterval = 2000;
    sim->clearRecords();
    logLines.clear();
}

std::unique_ptr<SystemSettingDialog> TestNetDialogs::openSettings()
{
    return std::unique_ptr<SystemSettingDialog>(new SystemSettingDialog(&driver, info));
}

std::unique_ptr<ListSettingDialog> TestNetDialogs::openEditor(bool withLimits)
{
    std::unique_ptr<ListSettingDialog> dialog(new ListSettingDialog(&driver));
    if (withLimits)
        dialog->setListLimits(0, 60, 0, 20, 20, 200);
    return dialog;
}

bool TestNetDialogs::logged(const QString &message, int type) const
{
    for (const auto &line : logLines)
        if (line.second == type && line.first.endsWith(message + QLatin1Char('\n')))
            return true;
    return false;
}

// ---------------------------------------------------------------- settings

void TestNetDialogs::openReadsBothGroupsIntoTheControls()
{
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    QVERIFY(boxes.texts.isEmpty());
    QVERIFY(writesSeen(*sim).isEmpty());

    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_intervalTime")->currentIndex(), 4);   // 2s
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_priority")->currentIndex(), 1);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overVol")->value(), 12.5);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overCul")->value(), 3.25);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overPow")->value(), 500.0);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_lowVol")->value(), 2.5);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_stopDelayTime")->value(), 30);
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_powerOffSave")->currentIndex(), 1);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_watchDog")->value(), 77);
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_keyboardSound")->currentIndex(), 0);
    QCOMPARE(child<QLineEdit>(dialog.get(), "edit_ipAddr")->text(), QStringLiteral("192.168.100.1"));
    QCOMPARE(child<QLineEdit>(dialog.get(), "edit_mask")->text(), QStringLiteral("255.255.255.0"));
    QCOMPARE(child<QLineEdit>(dialog.get(), "edit_gateway")->text(), QStringLiteral("192.168.100.254"));
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_dynamicIPState")->currentIndex(), 1);
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_baudrate")->currentIndex(), 4);
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_serialPortCheck")->currentIndex(), 2);
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_protocol")->currentIndex(), 1);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_devAddr")->value(), 17);

    // The watchdog and dynamic-IP rows are not shown; the other rows are.
    QVERIFY(child<QSpinBox>(dialog.get(), "sbox_watchDog")->isHidden());
    QVERIFY(child<QComboBox>(dialog.get(), "cbox_dynamicIPState")->isHidden());
    for (const char *name : {"lab_watchDog", "lab_watchDogUnit", "lab_dynamicIPState"})
        QVERIFY2(child<QLabel>(dialog.get(), name)->isHidden(), name);
    QVERIFY(!child<QComboBox>(dialog.get(), "cbox_keyboardSound")->isHidden());
    QVERIFY(!child<QSpinBox>(dialog.get(), "sbox_devAddr")->isHidden());

    // The protection limits are the supply's.
    auto *overPow = child<QDoubleSpinBox>(dialog.get(), "dsbox_overPow");
    QCOMPARE(overPow->maximum(), 1200.0);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overCul")->maximum(), 20.0);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_lowVol")->maximum(), 60.0);
    QCOMPARE(dialog->windowFlags() & ~Qt::WindowType_Mask, Qt::WindowFlags(Qt::FramelessWindowHint));
}

void TestNetDialogs::systemTabWritesOnlySystemRegisters()
{
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    child<QComboBox>(dialog.get(), "cbox_priority")->setCurrentIndex(0);
    child<QDoubleSpinBox>(dialog.get(), "dsbox_overVol")->setValue(13.75);
    child<QComboBox>(dialog.get(), "cbox_keyboardSound")->setCurrentIndex(1);
    child<QComboBox>(dialog.get(), "cbox_intervalTime")->setCurrentIndex(5);   // 5s
    // An edit on the other tab is not sent.
    child<QLineEdit>(dialog.get(), "edit_ipAddr")->setText(QStringLiteral("10.1.1.1"));
    sim->clearRecords();
    const int commits = sim->commitCount();

    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);

    QCOMPARE(writtenRegisters(*sim), (QList<int>{96, 122, 124, 126, 128, 166, 168, 204, 206, 48}));
    QCOMPARE(writtenValue(*sim, 96), 0u);
    QCOMPARE(writtenValue(*sim, 122), floatBits(13.75f));
    QCOMPARE(writtenValue(*sim, 124), floatBits(3.25f));
    QCOMPARE(writtenValue(*sim, 126), floatBits(500.0f));
    QCOMPARE(writtenValue(*sim, 128), floatBits(2.5f));
    QCOMPARE(writtenValue(*sim, 166), 30u);
    QCOMPARE(writtenValue(*sim, 168), 1u);
    QCOMPARE(writtenValue(*sim, 204), 77u);   // hidden, still written back
    QCOMPARE(writtenValue(*sim, 206), 1u);
    QCOMPARE(writtenValue(*sim, 48), 1u);
    QCOMPARE(sim->commitCount(), commits + 1);
    QCOMPARE(sim->value(172), 0x0164A8C0u);
    QCOMPARE(driver.samplingInterval, 5000);

    QVERIFY(logged(kHost + QStringLiteral("系统参数设置成功"), 0));
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("系统参数设置成功！")});
    // It stays open and reads nothing back.
    QCOMPARE(finished.count(), 0);
    QVERIFY(requestAddresses(*sim, 0x03).isEmpty());
}

void TestNetDialogs::connectionTabWritesOnlyConnectionRegisters()
{
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(1);
    child<QLineEdit>(dialog.get(), "edit_ipAddr")->setText(QStringLiteral("10.0.0.2"));
    child<QComboBox>(dialog.get(), "cbox_protocol")->setCurrentIndex(0);
    child<QSpinBox>(dialog.get(), "sbox_devAddr")->setValue(200);
    // Changes on the system tab are not sent from here.
    child<QComboBox>(dialog.get(), "cbox_intervalTime")->setCurrentIndex(0);
    child<QDoubleSpinBox>(dialog.get(), "dsbox_overVol")->setValue(40);
    sim->clearRecords();

    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);

    QCOMPARE(writtenRegisters(*sim), (QList<int>{172, 174, 176, 188, 190, 198, 200, 202, 48}));
    QCOMPARE(writtenValue(*sim, 172), 0x0200000Au);   // bytes 10, 0, 0, 2 from low to high
    QCOMPARE(writtenValue(*sim, 174), 0x00FFFFFFu);
    QCOMPARE(writtenValue(*sim, 176), 0xFE64A8C0u);
    QCOMPARE(writtenValue(*sim, 188), 1u);   // hidden, still written back
    QCOMPARE(writtenValue(*sim, 190), 4u);
    QCOMPARE(writtenValue(*sim, 198), 2u);
    QCOMPARE(writtenValue(*sim, 200), 0u);
    QCOMPARE(writtenValue(*sim, 202), 200u);
    QCOMPARE(driver.samplingInterval, 2000);
    QCOMPARE(sim->floatValue(122), 12.5f);

    QVERIFY(logged(kHost + QStringLiteral("连接参数设置成功"), 0));
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("连接参数设置成功！")});
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});

    // Then the system tab in the same opening: one group each time.
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(0);
    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(writtenRegisters(*sim), (QList<int>{96, 122, 124, 126, 128, 166, 168, 204, 206, 48}));
    QCOMPARE(writtenValue(*sim, 122), floatBits(40.0f));
    QCOMPARE(driver.samplingInterval, 100);
}

void TestNetDialogs::failedWriteSendsNoCommitAndKeepsInterval_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("failingRegister");
    QTest::addColumn<QList<int>>("sent");
    QTest::newRow("system, first float") << 0 << 122 << QList<int>{96, 122};
    QTest::newRow("system, last value") << 0 << 206 << QList<int>{96, 122, 124, 126, 128, 166, 168, 204, 206};
    QTest::newRow("system, commit") << 0 << 48 << QList<int>{96, 122, 124, 126, 128, 166, 168, 204, 206, 48};
    QTest::newRow("connection, mask") << 1 << 174 << QList<int>{172, 174};
    QTest::newRow("connection, address") << 1 << 202 << QList<int>{172, 174, 176, 188, 190, 198, 200, 202};
}

void TestNetDialogs::failedWriteSendsNoCommitAndKeepsInterval()
{
    QFETCH(int, tab);
    QFETCH(int, failingRegister);
    QFETCH(QList<int>, sent);
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(tab);
    child<QComboBox>(dialog.get(), "cbox_intervalTime")->setCurrentIndex(7);
    child<QSpinBox>(dialog.get(), "sbox_devAddr")->setValue(99);
    sim->clearRecords();
    sim->addFault(failing(0x10, failingRegister));
    const int commits = sim->commitCount();

    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);

    QCOMPARE(writtenRegisters(*sim), sent);
    QCOMPARE(sim->commitCount(), commits);
    QCOMPARE(driver.samplingInterval, 2000);
    const QString group = tab == 0 ? QStringLiteral("系统参数设置失败") : QStringLiteral("连接参数设置失败");
    QVERIFY(logged(kHost + group, 2));
    QCOMPARE(boxes.texts, QStringList{group + QStringLiteral("！")});
    // The user's values stay.
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_intervalTime")->currentIndex(), 7);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_devAddr")->value(), 99);
}

void TestNetDialogs::intervalOutsideListShowsNoSelectionAndSurvives()
{
    MessageBoxAnswerer boxes;
    driver.samplingInterval = 150;
    auto dialog = openSettings();
    QCOMPARE(child<QComboBox>(dialog.get(), "cbox_intervalTime")->currentIndex(), -1);
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("系统参数设置成功！")});
    QCOMPARE(driver.samplingInterval, 150);
}

void TestNetDialogs::comboValueOutsideItemsIsWrittenBackAsRead_data()
{
    QTest::addColumn<QString>("combo");
    QTest::addColumn<int>("reg");
    QTest::addColumn<int>("tab");
    QTest::addColumn<int>("value");
    QTest::newRow("priority") << "cbox_priority" << 96 << 0 << 7;
    QTest::newRow("baud rate") << "cbox_baudrate" << 190 << 1 << 9;
    QTest::newRow("parity") << "cbox_serialPortCheck" << 198 << 1 << 5;
    QTest::newRow("protocol") << "cbox_protocol" << 200 << 1 << 3;
}

void TestNetDialogs::comboValueOutsideItemsIsWrittenBackAsRead()
{
    QFETCH(QString, combo);
    QFETCH(int, reg);
    QFETCH(int, tab);
    QFETCH(int, value);
    MessageBoxAnswerer boxes;
    sim->setValue(quint16(reg), quint32(value));
    auto dialog = openSettings();
    auto *box = child<QComboBox>(dialog.get(), combo.toLatin1().constData());
    QCOMPARE(box->currentIndex(), -1);
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(tab);

    // Sent back as read (the supply may still refuse it), never as -1.
    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, reg), quint32(value));

    // A choice the user makes is sent as chosen.
    box->setCurrentIndex(1);
    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, reg), 1u);
    QCOMPARE(boxes.texts.last(), tab == 0 ? QStringLiteral("系统参数设置成功！") : QStringLiteral("连接参数设置成功！"));
}

void TestNetDialogs::outOfRangeValuesAreClampedAndWrittenClamped()
{
    MessageBoxAnswerer boxes;
    sim->setFloatValue(122, 75.0f);     // above the 60 V limit
    sim->setFloatValue(124, 20.5f);     // above the 20 A limit
    sim->setFloatValue(128, -3.0f);     // below the 0 V limit
    sim->setValue(166, 5000000);        // above 3600000
    sim->setValue(204, 9999);           // hidden watchdog, above 3600
    auto dialog = openSettings();
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overVol")->value(), 60.0);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_overCul")->value(), 20.0);
    QCOMPARE(child<QDoubleSpinBox>(dialog.get(), "dsbox_lowVol")->value(), 0.0);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_stopDelayTime")->value(), 3600000);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_watchDog")->value(), 3600);

    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, 122), floatBits(60.0f));
    QCOMPARE(writtenValue(*sim, 124), floatBits(20.0f));
    QCOMPARE(writtenValue(*sim, 128), floatBits(0.0f));
    QCOMPARE(writtenValue(*sim, 166), 3600000u);
    QCOMPARE(writtenValue(*sim, 204), 3600u);
}

void TestNetDialogs::deviceAddressBounds_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<int>("typed");
    QTest::addColumn<int>("shown");
    QTest::newRow("zero read") << 0 << -1 << 1;
    QTest::newRow("248 read") << 248 << -1 << 247;
    QTest::newRow("lowest") << 1 << -1 << 1;
    QTest::newRow("highest") << 247 << -1 << 247;
    QTest::newRow("zero entered") << 17 << 0 << 1;
    QTest::newRow("300 entered") << 17 << 300 << 247;
}

void TestNetDialogs::deviceAddressBounds()
{
    QFETCH(int, stored);
    QFETCH(int, typed);
    QFETCH(int, shown);
    MessageBoxAnswerer boxes;
    sim->setValue(202, quint32(stored));
    auto dialog = openSettings();
    auto *box = child<QSpinBox>(dialog.get(), "sbox_devAddr");
    if (typed >= 0)
        box->setValue(typed);
    QCOMPARE(box->value(), shown);
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(1);
    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, 202), quint32(shown));
}

void TestNetDialogs::failedReadLeavesEveryDefault_data()
{
    QTest::addColumn<int>("failingRead");
    QTest::addColumn<bool>("connectionRead");
    QTest::newRow("system read") << 122 << false;
    QTest::newRow("connection read") << 172 << true;
}

void TestNetDialogs::failedReadLeavesEveryDefault()
{
    QFETCH(int, failingRead);
    QFETCH(bool, connectionRead);
    MessageBoxAnswerer boxes;
    sim->addFault(failing(0x03, failingRead));
    auto dialog = openSettings();
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("配置参数获取失败！")});
    // The connection group is read only after the system group succeeded.
    QCOMPARE(requestAddresses(*sim, 0x03).contains(172), connectionRead);

    for (const char *name : {"cbox_intervalTime", "cbox_priority", "cbox_powerOffSave", "cbox_keyboardSound",
                             "cbox_dynamicIPState", "cbox_baudrate", "cbox_serialPortCheck", "cbox_protocol"})
        QVERIFY2(child<QComboBox>(dialog.get(), name)->currentIndex() == 0, name);
    for (const char *name : {"dsbox_overVol", "dsbox_overCul", "dsbox_overPow", "dsbox_lowVol"})
        QVERIFY2(child<QDoubleSpinBox>(dialog.get(), name)->value() == 0.0, name);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_stopDelayTime")->value(), 0);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_watchDog")->value(), 0);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_devAddr")->value(), 1);
    for (const char *name : {"edit_ipAddr", "edit_mask", "edit_gateway"})
        QVERIFY2(child<QLineEdit>(dialog.get(), name)->text().isEmpty(), name);
    QVERIFY(writesSeen(*sim).isEmpty());
}

void TestNetDialogs::partialAddressIsRefused_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("address") << "edit_ipAddr" << "192.168.1" << "IP地址不完整，请输入完整的IPv4地址！";
    QTest::newRow("mask") << "edit_mask" << "255.255." << "子网掩码不完整，请输入完整的IPv4地址！";
    QTest::newRow("gateway") << "edit_gateway" << "" << "网关不完整，请输入完整的IPv4地址！";
}

void TestNetDialogs::partialAddressIsRefused()
{
    QFETCH(QString, edit);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    dialog->show();
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(1);
    auto *field = child<QLineEdit>(dialog.get(), edit.toLatin1().constData());
    typeInto(field, typed);
    QCOMPARE(field->text(), typed);
    sim->clearRecords();

    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);

    QVERIFY(sim->modbusRequests().isEmpty());
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{message});
    QCOMPARE(field->text(), typed);

    // Completed, the same press writes.
    typeInto(field, QStringLiteral("10.0.0.2"));
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
    QCOMPARE(boxes.texts.last(), QStringLiteral("连接参数设置成功！"));
}

void TestNetDialogs::addressValidatorRefusesImpossibleInput_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("complete") << "10.0.0.2" << "10.0.0.2";
    QTest::newRow("octet above 255") << "192.168.1.300" << "192.168.1.30";
    QTest::newRow("letters") << "10.a0.0.b2" << "10.0.0.2";
    QTest::newRow("first octet 256") << "256" << "25";
    QTest::newRow("fifth octet") << "1.2.3.4.5" << "1.2.3.45";
    QTest::newRow("leading zero") << "01" << "0";
    QTest::newRow("blank") << "1 .2" << "1.2";
}

void TestNetDialogs::addressValidatorRefusesImpossibleInput()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    MessageBoxAnswerer boxes;
    auto dialog = openSettings();
    dialog->show();
    child<QTabWidget>(dialog.get(), "tabWidget")->setCurrentIndex(1);
    for (const char *name : {"edit_ipAddr", "edit_mask", "edit_gateway"}) {
        auto *field = child<QLineEdit>(dialog.get(), name);
        typeInto(field, typed);
        QCOMPARE(field->text(), shown);
    }
}

void TestNetDialogs::closeButtonsReject()
{
    MessageBoxAnswerer boxes;
    for (const char *name : {"btn_cancel", "closeBtn"}) {
        auto dialog = openSettings();
        dialog->show();
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        sim->clearRecords();
        QTest::mouseClick(child<QPushButton>(dialog.get(), name), Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
        QVERIFY(sim->modbusRequests().isEmpty());
    }
    QVERIFY(boxes.texts.isEmpty());
}

// ---------------------------------------------------------------- list editor

namespace {

QAbstractItemModel *tableModel(QDialog *dialog)
{
    return child<QTableView>(dialog, "tableView")->model();
}

// Row values as shown: step number, voltage, current, delay.
QList<QVariantList> tableRows(QDialog *dialog)
{
    QAbstractItemModel *model = tableModel(dialog);
    QList<QVariantList> rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        QVariantList values;
        for (int column = 0; column < 4; ++column)
            values << model->data(model->index(row, column), Qt::EditRole);
        rows << values;
    }
    return rows;
}

QVariantList row(int step, double voltage, double current, double delay)
{
    return {step, voltage, current, delay};
}

void typeLength(QDialog *dialog, int length, bool finish)
{
    auto *box = child<QSpinBox>(dialog, "sbox_listLenth");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, QString::number(length));
    if (finish)
        QTest::keyClick(box, Qt::Key_Return);
}

} // namespace

void TestNetDialogs::editorLoadsFileOneAtOpen()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor(false);
    QVERIFY(boxes.texts.isEmpty());
    QCOMPARE(tableRows(dialog.get()),
             (QList<QVariantList>{row(1, 1.5, 0.5, 1.0), row(2, 2.0, 1.0, 2.5), row(3, 3.25, 1.5, 0.1)}));
    QCOMPARE(tableModel(dialog.get())->data(tableModel(dialog.get())->index(0, 0), Qt::EditRole).userType(),
             int(QMetaType::Int));
    QCOMPARE(child<QLineEdit>(dialog.get(), "edit_fileName")->text(), QStringLiteral("FILE1"));
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->value(), 3);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_cycleTimes")->value(), 3);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_linkListNumber")->value(), 2);
    QCOMPARE(requestAddresses(*sim, 0x42), QList<int>{50});
    QCOMPARE(writtenValue(*sim, 208), 1u);

    // The table's dressing.
    QAbstractItemModel *model = tableModel(dialog.get());
    QStringList headers;
    for (int column = 0; column < model->columnCount(); ++column)
        headers << model->headerData(column, Qt::Horizontal).toString();
    QCOMPARE(headers, (QStringList{"序号", "电压(V)", "电流(A)", "延时(S)"}));
    QCOMPARE(model->data(model->index(2, 3), Qt::TextAlignmentRole).toInt(), 0x84);
    auto *view = child<QTableView>(dialog.get(), "tableView");
    QCOMPARE(view->columnWidth(0), 50);
    QCOMPARE(view->columnWidth(1), 120);
    QCOMPARE(view->columnWidth(2), 120);
    QVERIFY(view->horizontalHeader()->stretchLastSection());
    QVERIFY(qobject_cast<ReadOnlyDelegate *>(view->itemDelegateForColumn(0)));
    QVERIFY(dynamic_cast<CenterDelegate *>(view->itemDelegate()));
    auto *delay = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(3));
    QVERIFY(delay);
    QCOMPARE(delay->minimum(), 0.001);
    QCOMPARE(delay->maximum(), 86400.0);
    auto *voltage = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(1));
    QVERIFY(voltage);
    QCOMPARE(voltage->maximum(), 100.0);
    QVERIFY(!child<QLineEdit>(dialog.get(), "edit_fileName")->testAttribute(Qt::WA_InputMethodEnabled));
    QCOMPARE(dialog->windowFlags() & ~Qt::WindowType_Mask, Qt::WindowFlags(Qt::FramelessWindowHint));
}

void TestNetDialogs::limitsWidenRangesBeforeReloading()
{
    MessageBoxAnswerer boxes;
    QVector<SimStep> steps(120, SimStep{1.0f, 0.5f, 0.25f});
    sim->setListFile(1, listFile("LONG", 1, 15, steps));
    auto dialog = openEditor(false);
    sim->clearRecords();
    dialog->setListLimits(0.5, 60, 0.25, 20, 20, 200);

    // Adding the first file number reloaded file 1 into the widened ranges.
    QCOMPARE(writtenValue(*sim, 208), 1u);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->value(), 120);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_linkListNumber")->value(), 15);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->maximum(), 200);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->minimum(), 1);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_linkListNumber")->maximum(), 20);
    auto *numbers = child<QComboBox>(dialog.get(), "cbox_fileNumber");
    QCOMPARE(numbers->count(), 20);
    QCOMPARE(numbers->itemText(0), QStringLiteral("1"));
    QCOMPARE(numbers->itemText(19), QStringLiteral("20"));
    QCOMPARE(numbers->currentIndex(), 0);
    auto *view = child<QTableView>(dialog.get(), "tableView");
    auto *voltage = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(1));
    auto *current = qobject_cast<DoubleSpinBoxDelegate *>(view->itemDelegateForColumn(2));
    QVERIFY(voltage && current);
    QCOMPARE(voltage->minimum(), 0.5);
    QCOMPARE(voltage->maximum(), 60.0);
    QCOMPARE(current->minimum(), 0.25);
    QCOMPARE(current->maximum(), 20.0);

    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, 210), 120u);
    QCOMPARE(writtenValue(*sim, 214), 15u);
}

void TestNetDialogs::otherFileNumberReloads()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    QAbstractItemModel *model = tableModel(dialog.get());
    model->setData(model->index(0, 1), 9.0, Qt::EditRole);   // unsaved, dropped by the change
    sim->clearRecords();
    child<QComboBox>(dialog.get(), "cbox_fileNumber")->setCurrentIndex(1);
    QCOMPARE(writtenValue(*sim, 208), 2u);
    QCOMPARE(requestAddresses(*sim, 0x42), QList<int>{51});
    QCOMPARE(tableRows(dialog.get()), (QList<QVariantList>{row(1, 10.0, 2.0, 5.0), row(2, 0.0, 0.0, 86400.0)}));
    QCOMPARE(child<QLineEdit>(dialog.get(), "edit_fileName")->text(), QStringLiteral("SECOND"));
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->value(), 2);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_cycleTimes")->value(), 7);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_linkListNumber")->value(), 0);
    child<QComboBox>(dialog.get(), "cbox_fileNumber")->setCurrentIndex(0);
    QCOMPARE(tableRows(dialog.get()).first(), row(1, 1.5, 0.5, 1.0));
    QVERIFY(writesSeen(*sim).size() > 0 && !writtenRegisters(*sim).contains(226));
    QVERIFY(boxes.texts.isEmpty());
}

void TestNetDialogs::failedReadKeepsContentsForTheNewNumber()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    sim->addFault(failing(0x03, 210));
    child<QComboBox>(dialog.get(), "cbox_fileNumber")->setCurrentIndex(4);
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("列表文件参数读取失败！")});
    QCOMPARE(tableRows(dialog.get()).size(), 3);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_cycleTimes")->value(), 3);

    // A write then goes to the chosen number with what is shown.
    sim->clearFaults();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);
    const SimListFile stored = sim->listFile(5);
    QCOMPARE(stored.steps.size(), 3);
    QCOMPARE(stored.cycleTimes, 3);
    QCOMPARE(stored.steps.at(2).voltage, 3.25f);
}

void TestNetDialogs::finishedLengthAddsAndDropsRows()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    dialog->show();
    sim->clearRecords();
    typeLength(dialog.get(), 5, true);
    QCOMPARE(tableRows(dialog.get()),
             (QList<QVariantList>{row(1, 1.5, 0.5, 1.0), row(2, 2.0, 1.0, 2.5), row(3, 3.25, 1.5, 0.1),
                                  row(4, 0.0, 0.0, 1.0), row(5, 0.0, 0.0, 1.0)}));
    typeLength(dialog.get(), 2, true);
    QCOMPARE(tableRows(dialog.get()), (QList<QVariantList>{row(1, 1.5, 0.5, 1.0), row(2, 2.0, 1.0, 2.5)}));
    // Growing again brings fresh rows, not the dropped ones.
    typeLength(dialog.get(), 3, true);
    QCOMPARE(tableRows(dialog.get()).last(), row(3, 0.0, 0.0, 1.0));
    // Nothing went to the supply.
    QVERIFY(sim->modbusRequests().isEmpty());
}

void TestNetDialogs::unfinishedLengthChangesNothing()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    dialog->show();
    typeLength(dialog.get(), 7, false);
    QCOMPARE(child<QSpinBox>(dialog.get(), "sbox_listLenth")->value(), 7);
    QCOMPARE(tableRows(dialog.get()).size(), 3);

    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);
    QCOMPARE(writtenValue(*sim, 210), 3u);
    QCOMPARE(sim->listFile(1).steps.size(), 3);
}

void TestNetDialogs::saveWritesTheTableAndStaysOpen()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    QSignalSpy finished(dialog.get(), &QDialog::finished);
    QAbstractItemModel *model = tableModel(dialog.get());
    model->setData(model->index(1, 1), 7.125, Qt::EditRole);
    model->setData(model->index(0, 3), 86400.0, Qt::EditRole);
    child<QSpinBox>(dialog.get(), "sbox_cycleTimes")->setValue(60000);
    child<QSpinBox>(dialog.get(), "sbox_linkListNumber")->setValue(4);
    child<QLineEdit>(dialog.get(), "edit_fileName")->setText(QStringLiteral("Run_2"));
    sim->clearRecords();
    const int stores = sim->storeCount();

    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);

    const SimListFile stored = sim->listFile(1);
    QCOMPARE(stored.name, QByteArray("Run_2"));
    QCOMPARE(stored.cycleTimes, 60000);
    QCOMPARE(stored.linkListNumber, 4);
    const QList<QVariantList> rows = tableRows(dialog.get());
    QCOMPARE(stored.steps.size(), rows.size());
    for (int i = 0; i < rows.size(); ++i) {
        QCOMPARE(stored.steps.at(i).voltage, float(rows.at(i).at(1).toDouble()));
        QCOMPARE(stored.steps.at(i).current, float(rows.at(i).at(2).toDouble()));
        QCOMPARE(stored.steps.at(i).delay, float(rows.at(i).at(3).toDouble()));
    }
    QCOMPARE(stored.steps.at(1).voltage, 7.125f);
    QCOMPARE(stored.steps.at(0).delay, 86400.0f);
    QCOMPARE(stored.steps.at(2).delay, 0.1f);   // as read, bit for bit
    QCOMPARE(sim->storeCount(), stores + 1);
    QCOMPARE(writtenValue(*sim, 208), 1u);

    QVERIFY(logged(kHost + QStringLiteral("设备列表文件1参数设置成功！"), 0));
    QCOMPARE(boxes.titles, QStringList{QStringLiteral("提示")});
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("列表文件1参数设置成功！")});
    QCOMPARE(finished.count(), 0);
}

void TestNetDialogs::okWritesThenAcceptsWhateverTheResult()
{
    MessageBoxAnswerer boxes;
    {
        auto dialog = openEditor();
        dialog->show();
        child<QComboBox>(dialog.get(), "cbox_fileNumber")->setCurrentIndex(1);
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        child<QSpinBox>(dialog.get(), "sbox_cycleTimes")->setValue(9);
        QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
        QCOMPARE(sim->listFile(2).cycleTimes, 9);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QCOMPARE(boxes.texts.last(), QStringLiteral("列表文件2参数设置成功！"));
    }
    {
        auto dialog = openEditor();
        dialog->show();
        QSignalSpy finished(dialog.get(), &QDialog::finished);
        sim->addFault(failing(0x10, 216));
        const int stores = sim->storeCount();
        QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_ok"), Qt::LeftButton);
        QCOMPARE(sim->storeCount(), stores);
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Accepted));
        QCOMPARE(boxes.titles.last(), QStringLiteral("提示"));
        QCOMPARE(boxes.texts.last(), QStringLiteral("列表文件1参数设置失败！"));
        QVERIFY(logged(kHost + QStringLiteral("设备列表文件1参数设置失败！"), 2));
    }
    {
        // Cancel and the close button write nothing.
        for (const char *name : {"btn_cancel", "closeBtn"}) {
            sim->clearFaults();
            auto dialog = openEditor();
            dialog->show();
            QSignalSpy finished(dialog.get(), &QDialog::finished);
            sim->clearRecords();
            QTest::mouseClick(child<QPushButton>(dialog.get(), name), Qt::LeftButton);
            QCOMPARE(finished.count(), 1);
            QCOMPARE(finished.at(0).at(0).toInt(), int(QDialog::Rejected));
            QVERIFY(writesSeen(*sim).isEmpty());
        }
    }
}

void TestNetDialogs::refusedNameWarnsButSucceeds()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    FaultRule refuse;
    refuse.kind = FaultKind::RefuseName;
    sim->addFault(refuse);
    const int stores = sim->storeCount();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);
    QCOMPARE(sim->storeCount(), stores + 1);
    QVERIFY(logged(kHost + QStringLiteral("设备列表文件1参数设置成功！"), 0));
    QVERIFY(logged(kHost + QStringLiteral("设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！"), 1));
    QCOMPARE(logLines.size(), 2);
    QCOMPARE(logLines.at(1).second, 1);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral(
        "列表文件1参数设置成功！但设备不支持文件名写入功能，如需设置文件名，请升级设备硬件版本！")});
}

void TestNetDialogs::emptyNameNeverWarns()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    FaultRule refuse;
    refuse.kind = FaultKind::RefuseName;
    sim->addFault(refuse);
    child<QLineEdit>(dialog.get(), "edit_fileName")->clear();
    sim->clearRecords();
    QTest::mouseClick(child<QPushButton>(dialog.get(), "btn_save"), Qt::LeftButton);
    QVERIFY(requestAddresses(*sim, 0x40).isEmpty());
    QCOMPARE(logLines.size(), 1);
    QCOMPARE(logLines.at(0).second, 0);
    QCOMPARE(boxes.texts, QStringList{QStringLiteral("列表文件1参数设置成功！")});
}

void TestNetDialogs::nameValidatorCharacters_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letters and digits") << "abcXYZ019" << "abcXYZ019";
    QTest::newRow("listed punctuation") << "`~!@#$%^&*()_-+=<>" << "`~!@#$%^&*()_-+=<>";
    QTest::newRow("listed punctuation 2") << ",./" << ",./";
    QTest::newRow("range + to _") << ":;?[]\\" << ":;?[]\\";
    QTest::newRow("blank") << "a b" << "ab";
    QTest::newRow("braces, bar, quotes") << "a{b|c\"d'e}" << "abcde";
    QTest::newRow("latin-1") << "café" << "caf";
    QTest::newRow("20 characters") << "ABCDEFGHIJKLMNOPQRST" << "ABCDEFGHIJKLMNOPQRS";
}

void TestNetDialogs::nameValidatorCharacters()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    dialog->show();
    auto *name = child<QLineEdit>(dialog.get(), "edit_fileName");
    typeInto(name, typed);
    QCOMPARE(name->text(), shown);
}

void TestNetDialogs::nameValidatorRefusesNonAscii()
{
    MessageBoxAnswerer boxes;
    auto dialog = openEditor();
    const QValidator *validator = child<QLineEdit>(dialog.get(), "edit_fileName")->validator();
    QVERIFY(validator);
    // Every printable ASCII character but blank, quotes, '{', '|' and '}' is allowed.
    QString accepted;
    for (char c = 0x20; c < 0x7F; ++c) {
        QString text(QLatin1Char{c});
        int pos = 0;
        if (validator->validate(text, pos) == QValidator::Acceptable)
            accepted += QLatin1Char(c);
    }
    QCOMPARE(accepted, QStringLiteral("!#$%&()*+,-./0123456789:;<=>?@ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                      "[\\]^_`abcdefghijklmnopqrstuvwxyz~"));
    for (const QString &text : {QStringLiteral("名"), QStringLiteral("é"), QStringLiteral("a\u00A0b"),
                                QStringLiteral("ｆ"), QStringLiteral("\t")}) {
        QString copy = text;
        int pos = 0;
        QVERIFY2(validator->validate(copy, pos) == QValidator::Invalid, qPrintable(text));
    }
}

QTEST_MAIN(TestNetDialogs)
#include "tst_net_dialogs.moc"
