// The device page: connecting, output control, live readout, alarm and the
// checks made before the page goes away.
#include "devwidget_klv2400.h"
#include "ui_devwidget_klv2400.h"

#include "capplog.h"
#include "frmprogresswait.h"
#include "klvresources.h"
#include "listsettingdialog.h"
#include "systemsettingdialog.h"

#include <QMessageBox>
#include <QPushButton>

namespace {

constexpr quint16 kModbusPort = 502;

void writeLog(const QString &msg, int logType)
{
    CAppLog::instance()->writeLog(msg, logType, true);
}

// An information-icon question titled "提示" with the buttons relabelled in
// the operator's language: Yes/Ok read "是", No and a two-button Cancel read
// "否", a three-button Cancel reads "取消".
QMessageBox::StandardButton askOperator(QWidget *parent, const QString &text,
                                        QMessageBox::StandardButtons buttons)
{
    QMessageBox box(QMessageBox::Information, DevWidget_KLV2400::tr("提示"), text, buttons, parent);
    const bool threeButtons = buttons.testFlag(QMessageBox::No);
    if (QAbstractButton *b = box.button(QMessageBox::Yes))
        b->setText(DevWidget_KLV2400::tr("是"));
    if (QAbstractButton *b = box.button(QMessageBox::Ok))
        b->setText(DevWidget_KLV2400::tr("是"));
    if (QAbstractButton *b = box.button(QMessageBox::No))
        b->setText(DevWidget_KLV2400::tr("否"));
    if (QAbstractButton *b = box.button(QMessageBox::Cancel))
        b->setText(threeButtons ? DevWidget_KLV2400::tr("取消") : DevWidget_KLV2400::tr("否"));
    return QMessageBox::StandardButton(box.exec());
}

} // namespace

DevWidget_KLV2400::DevWidget_KLV2400(QWidget *parent)
    : QWidget(parent), ui(new Ui::DevWidget_KLV2400)
{
    klvInitResources();
    ui->setupUi(this);
    initPage();
}

DevWidget_KLV2400::~DevWidget_KLV2400()
{
    // Nothing the driver still emits may reach a page whose form is gone.
    driver.disconnect(this);
    closeHistoryFile();
    delete ui;
}

void DevWidget_KLV2400::initPage()
{
    ui->splitter->setStretchFactor(0, 5);
    ui->splitter->setStretchFactor(1, 2);

    ui->widget_isOutput->hide();
    ui->lab_csvFileName->hide();
    ui->lab_importPlotName->hide();
    ui->btn_alarm->hide();

    ui->widget_plot_Vol->setPlotType(0);
    ui->widget_plot_Cur->setPlotType(1);

    driver.initTransport();

    connect(ui->cbox_testFunc, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &DevWidget_KLV2400::onTestFuncChanged);
    connect(ui->tbtn_connectDev, &QToolButton::clicked, this, &DevWidget_KLV2400::onConnectBtnClicked);
    connect(ui->tbtn_disconnectDev, &QToolButton::clicked, this, &DevWidget_KLV2400::onDisConnectBtnClicked);
    connect(ui->tbtn_startOutput, &QToolButton::clicked, this, &DevWidget_KLV2400::onStartOutputBtnClicked);
    connect(ui->tbtn_stopOutput, &QToolButton::clicked, this, &DevWidget_KLV2400::onStopOutputBtnClicked);
    connect(ui->tbtn_systemSetting, &QToolButton::clicked, this, &DevWidget_KLV2400::onSystemSettingBtnClicked);
    connect(ui->tbtn_listSetting, &QToolButton::clicked, this, &DevWidget_KLV2400::onListSettingBtnClicked);
    connect(ui->tbtn_plotImport, &QToolButton::clicked, this, &DevWidget_KLV2400::onPlotImportBtnClicked);
    connect(ui->tbtn_plotPDFPrint, &QToolButton::clicked, this, &DevWidget_KLV2400::onPlotSaveBtnClicked);
    connect(ui->tbtn_folderOpen, &QToolButton::clicked, this, &DevWidget_KLV2400::onFolderOpenBtnClicked);
    connect(ui->tbtn_plotPause, &QToolButton::clicked, this, &DevWidget_KLV2400::onPlotPauseBtnClicked);
    connect(ui->btn_VI_setting, &QPushButton::clicked, this, &DevWidget_KLV2400::onVISettingBtnClicked);
    connect(ui->btn_SEQ_setting, &QPushButton::clicked, this, &DevWidget_KLV2400::onSEQSettingBtnClicked);
    connect(ui->btn_CHAR_setting, &QPushButton::clicked, this, &DevWidget_KLV2400::onCHARSettingBtnClicked);

    connect(&driver, &DevDriver_KLV2400::sigPassEchoValue, this, &DevWidget_KLV2400::onGetEchoValue);
    connect(&driver, &DevDriver_KLV2400::sigPassSamplingValue, this, &DevWidget_KLV2400::onGetSamplingValue);
    connect(&driver, &DevDriver_KLV2400::sigPassListRunningData, this,
            &DevWidget_KLV2400::onGetListRunningData);
    connect(&driver, &DevDriver_KLV2400::sigDeviceLostConnect, this, &DevWidget_KLV2400::onDevLostConnect);

    connect(ui->sbox_plotPointSize, &QSpinBox::editingFinished, this, &DevWidget_KLV2400::onPlotCumulTimeChanged);
    connect(ui->btn_alarm, &QPushButton::clicked, this, &DevWidget_KLV2400::onAlarmBtnClicked);
}

bool DevWidget_KLV2400::isConnecting() const
{
    return connecting;
}

// Connect, then read the limits and the test-function settings. The 3000 ms
// connect wait lets user input through, so the page is marked as connecting
// for the main window, which must not destroy it under this call. A failure
// after the TCP connect drops that half-open link, leaving the page
// Disconnected so that "连接设备" can try again.
bool DevWidget_KLV2400::connectChain(const QString &ip)
{
    connecting = true;
    bool ok = driver.connectDevice(ip, kModbusPort);
    if (ok) {
        ok = loadDeviceLimits() && loadDeviceSettings();
        if (!ok)
            driver.disconnectDevice(true);
    }
    connecting = false;
    return ok;
}

bool DevWidget_KLV2400::finishConnect(bool ok, const QString &ip)
{
    if (ok) {
        setConnectState(true);
        driver.startEcho();
        writeLog(tr("设备连接成功，连接IP%1").arg(ip), 0);
        return true;
    }
    writeLog(tr("设备连接失败，连接IP%1").arg(ip), 2);
    QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("设备连接失败,请检查设备连接!"));
    return false;
}

bool DevWidget_KLV2400::openDevice(const QString &ip)
{
    auto *busy = new frmProgressWait(tr("正在连接设备..."));
    const bool ok = connectChain(ip);
    // Hidden at once, not only deleted later: the deferred deletion does not
    // run inside the failure box's loop, and it would stand over the message.
    busy->onDone();
    return finishConnect(ok, ip);
}

void DevWidget_KLV2400::onConnectBtnClicked()
{
    const QString ip = driver.hostAddress();
    if (ip.isEmpty() || driver.connectState() != ModbusDriver::Disconnected)
        return;
    writeLog(tr("连接设备，连接IP%1").arg(ip), 0);
    finishConnect(connectChain(ip), ip);
}

void DevWidget_KLV2400::setConnectState(bool connected)
{
    ui->lab_connectState->setText(connected ? tr("已连接") : tr("未连接"));
    ui->lab_connectState->setStyleSheet(connected ? QStringLiteral("color: #008000;")
                                                  : QStringLiteral("color: #cccccc;"));
    ui->tbtn_connectDev->setEnabled(!connected);
    const QList<QWidget *> connectedOnly = {ui->tbtn_disconnectDev, ui->tbtn_startOutput, ui->tbtn_stopOutput,
                                            ui->tbtn_systemSetting,  ui->tbtn_listSetting, ui->btn_VI_setting,
                                            ui->btn_SEQ_setting,     ui->btn_CHAR_setting, ui->btn_alarm};
    for (QWidget *w : connectedOnly)
        w->setEnabled(connected);
}

void DevWidget_KLV2400::onDisConnectBtnClicked()
{
    if (outputOn) {
        const auto answer = askOperator(this, tr("当前设备正在输出,是否关闭输出？"),
                                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        if (answer != QMessageBox::Yes && answer != QMessageBox::No)
            return;
        // The supply may have been declared lost while the question was open;
        // that path has already disconnected and told the operator.
        if (driver.connectState() == ModbusDriver::Disconnected)
            return;
        if (answer == QMessageBox::Yes)
            driver.setOutput(false);
    }
    ui->widget_isOutput->hide();
    outputOn = false;
    closeHistoryFile();
    driver.stopSampling();
    driver.stopEcho();
    driver.disconnectDevice(false);
    setConnectState(false);
    writeLog(tr("%1设备连接已断开").arg(driver.hostAddress()), 0);
}

void DevWidget_KLV2400::onStartOutputBtnClicked()
{
    if (outputOn)
        return;
    const QString ip = driver.hostAddress();
    if (!driver.setOutput(true)) {
        writeLog(tr("%1设备输出失败！").arg(ip), 2);
        QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("设备输出失败，请重试!"));
        return;
    }
    ui->widget_isOutput->show();
    outputOn = true;
    // The file opens before sampling starts: startSampling() reads the run's
    // first sample at once, and that row belongs in the file too.
    openHistoryFile();
    beginRun();
    writeLog(tr("%1设备开始输出").arg(ip), 0);
}

void DevWidget_KLV2400::onStopOutputBtnClicked()
{
    if (outputOn)
        driver.setOutput(false);
}

void DevWidget_KLV2400::beginRun()
{
    ui->widget_plot_Vol->clearPlot();
    ui->widget_plot_Cur->clearPlot();
    pendingTimes.clear();
    pendingVoltages.clear();
    pendingCurrents.clear();
    ui->lab_csvFileName->hide();
    ui->lab_importPlotName->hide();
    firstSample = true;
    driver.startSampling();
}

void DevWidget_KLV2400::endRun()
{
    driver.stopSampling();
    const QString ip = driver.hostAddress();
    switch (closeHistoryFile()) {
    case HistoryClose::Saved:
        writeLog(tr("%1设备结束输出").arg(ip) + tr(",数据文件已保存"), 0);
        break;
    case HistoryClose::Failed:
        writeLog(tr("%1设备结束输出，数据文件未能完整写入！").arg(ip), 2);
        break;
    case HistoryClose::NotOpen:
        writeLog(tr("%1设备结束输出").arg(ip), 0);
        break;
    }
}

void DevWidget_KLV2400::onGetEchoValue(ST_EchoValue value)
{
    const int alarm = stateAlarmCode(value.state);
    if (alarm != 0) {
        ui->btn_alarm->setText(alarmDisplayName(alarm));
        ui->btn_alarm->show();
    } else {
        ui->btn_alarm->hide();
    }

    const bool on = stateOutputOn(value.state);
    if (on != outputOn) {
        ui->widget_isOutput->setVisible(on);
        outputOn = on;
        if (on)
            beginRun();   // switched on at the supply's own panel: no history file
        else
            endRun();
    }

    ui->lab_voltage->setText(QString::number(value.voltage, 'f', 4));
    ui->lab_current->setText(QString::number(value.current, 'f', 4));
    ui->lab_power->setText(QString::number(value.power, 'f', 4));
}

void DevWidget_KLV2400::onAlarmBtnClicked()
{
    if (askOperator(this, tr("是否清除当前报警？"), QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok)
        driver.clearAlarm();
}

void DevWidget_KLV2400::onDevLostConnect()
{
    // A failed read that was still waiting when the loss was first reported
    // may report it again: the operator is told once.
    if (driver.connectState() == ModbusDriver::Disconnected)
        return;
    if (outputOn) {
        ui->widget_isOutput->hide();
        outputOn = false;
    }
    // Before the box: the run's rows must be on disk whatever the operator does next.
    closeHistoryFile();
    driver.disconnectDevice(true);
    setConnectState(false);
    const QString ip = driver.hostAddress();
    writeLog(tr("%1设备失去连接，请检查网络是否正常！").arg(ip), 2);
    QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("%1设备连接已断开！").arg(ip));
}

bool DevWidget_KLV2400::closeCheck(bool force)
{
    if (!force && outputOn
        && askOperator(this, tr("当前设备正在输出，是否确认关闭？"), QMessageBox::Ok | QMessageBox::Cancel)
               != QMessageBox::Ok)
        return false;
    driver.stopSampling();
    driver.stopEcho();
    return true;
}

void DevWidget_KLV2400::retranslate()
{
    ui->retranslateUi(this);
    ui->lab_connectState->setText(driver.connectState() == ModbusDriver::ConnectedTcp ? tr("已连接")
                                                                                      : tr("未连接"));
    ui->widget_plot_Vol->retranslatePlot();
    ui->widget_plot_Cur->retranslatePlot();
}

void DevWidget_KLV2400::onSystemSettingBtnClicked()
{
    SystemSettingDialog dialog(&driver, devLimits);
    dialog.exec();
}

void DevWidget_KLV2400::onListSettingBtnClicked()
{
    ListSettingDialog dialog(&driver);
    dialog.setListLimits(ui->sbox_VI_vol->minimum(), ui->sbox_VI_vol->maximum(), ui->sbox_VI_cur->minimum(),
                         ui->sbox_VI_cur->maximum(), listFileChoices(),
                         int(qMin<quint32>(devLimits.listStepMax, INT_MAX)));
    dialog.exec();
}
