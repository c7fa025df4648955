#include "systemsettingdialog.h"
#include "ui_systemsettingdialog.h"

#include "capplog.h"
#include "devdriver_klv2400.h"
#include "dialogmovingfilter.h"

#include <QMessageBox>
#include <QRegExpValidator>

namespace {

const char *const kIpPattern =
    "((\\d|[1-9]\\d|1\\d\\d|2[0-4]\\d|25[0-5])\\.){3}(1\\d\\d|2[0-4]\\d|25[0-5]|[1-9]\\d|\\d)";

// A supply value outside the combo's items leaves it without a selection.
void setComboIndex(QComboBox *box, int index)
{
    box->setCurrentIndex(index >= 0 && index < box->count() ? index : -1);
}

// A combo without a selection gives back what the supply reported.
int comboIndex(const QComboBox *box, int readValue)
{
    return box->currentIndex() >= 0 ? box->currentIndex() : readValue;
}

} // namespace

SystemSettingDialog::SystemSettingDialog(DevDriver_KLV2400 *driver, const ST_DevInfo &info, QWidget *parent)
    : QDialog(parent), driver(driver), ui(new Ui::SystemSettingDialog)
{
    ui->setupUi(this);
    new DialogMovingFilter(this, ui->widget);

    const QRegExp ipRegExp(QString::fromLatin1(kIpPattern), Qt::CaseSensitive);
    for (QLineEdit *edit : {ui->edit_ipAddr, ui->edit_mask, ui->edit_gateway})
        edit->setValidator(new QRegExpValidator(ipRegExp, edit));

    // Not offered to the user, but read and written back unchanged.
    ui->lab_watchDog->hide();
    ui->sbox_watchDog->hide();
    ui->lab_watchDogUnit->hide();
    ui->lab_dynamicIPState->hide();
    ui->cbox_dynamicIPState->hide();

    applyLimits(info);

    connect(ui->btn_ok, &QPushButton::clicked, this, &SystemSettingDialog::onOkBtnClicked);
    connect(ui->closeBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ui->btn_cancel, &QPushButton::clicked, this, &QDialog::reject);

    readSettings();
}

SystemSettingDialog::~SystemSettingDialog()
{
    delete ui;
}

void SystemSettingDialog::applyLimits(const ST_DevInfo &info)
{
    ui->dsbox_overVol->setRange(info.voltageMin, info.voltageMax);
    ui->dsbox_overCul->setRange(info.currentMin, info.currentMax);
    ui->dsbox_overPow->setRange(info.powerMin, info.powerMax);
    ui->dsbox_lowVol->setRange(info.voltageMin, info.voltageMax);
}

void SystemSettingDialog::readSettings()
{
    ST_SystemParam system;
    ST_ConnectParam connection;
    if (!driver->readSystemParam(system) || !driver->readConnectParam(connection)) {
        QMessageBox::information(this, tr("提示"), tr("配置参数获取失败！"));
        return;
    }
    readSystem = system;
    readConnect = connection;
    ui->cbox_intervalTime->setCurrentIndex(samplingIntervals.indexOf(driver->samplingInterval));
    fillSystem(system);
    fillConnect(connection);
}

void SystemSettingDialog::fillSystem(const ST_SystemParam &param)
{
    setComboIndex(ui->cbox_priority, param.priority);
    ui->dsbox_overVol->setValue(param.overVol);
    ui->dsbox_overCul->setValue(param.overCul);
    ui->dsbox_overPow->setValue(param.overPow);
    ui->dsbox_lowVol->setValue(param.lowVol);
    ui->sbox_stopDelayTime->setValue(param.stopDelayTime);
    ui->cbox_powerOffSave->setCurrentIndex(param.powerOffSave ? 1 : 0);
    ui->sbox_watchDog->setValue(param.watchDog);
    ui->cbox_keyboardSound->setCurrentIndex(param.keyboardSound ? 1 : 0);
}

void SystemSettingDialog::fillConnect(const ST_ConnectParam &param)
{
    ui->edit_ipAddr->setText(packedToIpText(param.ipAddr));
    ui->edit_mask->setText(packedToIpText(param.mask));
    ui->edit_gateway->setText(packedToIpText(param.gateway));
    ui->cbox_dynamicIPState->setCurrentIndex(param.dynamicIPState ? 1 : 0);
    setComboIndex(ui->cbox_baudrate, param.baudrate);
    setComboIndex(ui->cbox_serialPortCheck, param.serialPortCheck);
    setComboIndex(ui->cbox_protocol, param.protocol);
    ui->sbox_devAddr->setValue(param.devAddr);
}

void SystemSettingDialog::onOkBtnClicked()
{
    if (ui->tabWidget->currentIndex() == 0)
        writeSystem();
    else
        writeConnect();
}

void SystemSettingDialog::writeSystem()
{
    ST_SystemParam param;
    param.priority = comboIndex(ui->cbox_priority, readSystem.priority);
    param.overVol = float(ui->dsbox_overVol->value());
    param.overCul = float(ui->dsbox_overCul->value());
    param.overPow = float(ui->dsbox_overPow->value());
    param.lowVol = float(ui->dsbox_lowVol->value());
    param.stopDelayTime = ui->sbox_stopDelayTime->value();
    param.powerOffSave = ui->cbox_powerOffSave->currentIndex() != 0;
    param.watchDog = ui->sbox_watchDog->value();
    param.keyboardSound = ui->cbox_keyboardSound->currentIndex() != 0;

    const QString host = driver->hostAddress();
    if (driver->writeSystemParam(param)) {
        const int interval = ui->cbox_intervalTime->currentIndex();
        if (interval >= 0 && interval < samplingIntervals.size())
            driver->samplingInterval = samplingIntervals.at(interval);
        CAppLog::instance()->writeLog(tr("%1系统参数设置成功").arg(host), 0, true);
        QMessageBox::information(this, tr("提示"), tr("系统参数设置成功！"));
    } else {
        CAppLog::instance()->writeLog(tr("%1系统参数设置失败").arg(host), 2, true);
        QMessageBox::information(this, tr("提示"), tr("系统参数设置失败！"));
    }
}

// Converts the three address edits; refuses (and says which field) when one
// holds only part of an address, so no octet the user did not type is sent.
bool SystemSettingDialog::collectAddresses(ST_ConnectParam &param)
{
    const struct {
        QLineEdit *edit;
        quint32 *value;
        QString incomplete;
    } fields[] = {
        {ui->edit_ipAddr, &param.ipAddr, tr("IP地址不完整，请输入完整的IPv4地址！")},
        {ui->edit_mask, &param.mask, tr("子网掩码不完整，请输入完整的IPv4地址！")},
        {ui->edit_gateway, &param.gateway, tr("网关不完整，请输入完整的IPv4地址！")},
    };
    for (const auto &field : fields) {
        if (!ipTextToPacked(field.edit->text(), *field.value)) {
            QMessageBox::information(this, tr("提示"), field.incomplete);
            field.edit->setFocus();
            return false;
        }
    }
    return true;
}

void SystemSettingDialog::writeConnect()
{
    ST_ConnectParam param;
    if (!collectAddresses(param))
        return;
    param.dynamicIPState = ui->cbox_dynamicIPState->currentIndex() != 0;
    param.baudrate = comboIndex(ui->cbox_baudrate, readConnect.baudrate);
    param.serialPortCheck = comboIndex(ui->cbox_serialPortCheck, readConnect.serialPortCheck);
    param.protocol = comboIndex(ui->cbox_protocol, readConnect.protocol);
    param.devAddr = ui->sbox_devAddr->value();

    const QString host = driver->hostAddress();
    if (driver->writeConnectParam(param)) {
        CAppLog::instance()->writeLog(tr("%1连接参数设置成功").arg(host), 0, true);
        QMessageBox::information(this, tr("提示"), tr("连接参数设置成功！"));
    } else {
        CAppLog::instance()->writeLog(tr("%1连接参数设置失败").arg(host), 2, true);
        QMessageBox::information(this, tr("提示"), tr("连接参数设置失败！"));
    }
}
