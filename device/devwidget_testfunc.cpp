// The device page's test-function panel: VI, SEQ and CHAR settings, loaded
// from the supply at connect and written back by the three "设置" buttons.
#include "devwidget_klv2400.h"
#include "ui_devwidget_klv2400.h"

#include "capplog.h"

#include <QMessageBox>

#include <cmath>

namespace {

// The supply reports its number of list files as a 32-bit count; a corrupt
// value must not fill the list-number box with billions of entries.
constexpr quint32 kMaxListFiles = 1000;

void writeLog(const QString &msg, int logType)
{
    CAppLog::instance()->writeLog(msg, logType, true);
}

// A garbled limit pair (NaN or infinite) keeps the range the box has.
void applyRange(QDoubleSpinBox *box, float minimum, float maximum)
{
    if (std::isfinite(minimum) && std::isfinite(maximum))
        box->setRange(minimum, maximum);
}

void applyValue(QDoubleSpinBox *box, float value)
{
    if (std::isfinite(value))
        box->setValue(value);
}

} // namespace

int DevWidget_KLV2400::listFileChoices() const
{
    return int(qMin(devLimits.listFileCount, kMaxListFiles));
}

bool DevWidget_KLV2400::loadDeviceLimits()
{
    ST_DevInfo info;
    if (!driver.readDevInfo(info))
        return false;
    devLimits = info;

    for (QDoubleSpinBox *box : {ui->sbox_VI_vol, ui->sbox_chargVol, ui->sbox_chargStopVol})
        applyRange(box, devLimits.voltageMin, devLimits.voltageMax);
    for (QDoubleSpinBox *box : {ui->sbox_VI_cur, ui->sbox_chargCur, ui->sbox_chargStopCur})
        applyRange(box, devLimits.currentMin, devLimits.currentMax);

    ui->cbox_SEQ_number->clear();
    const int count = listFileChoices();
    for (int n = 1; n <= count; ++n)
        ui->cbox_SEQ_number->addItem(QString::number(n));
    return true;
}

bool DevWidget_KLV2400::loadDeviceSettings()
{
    int code = 0;
    float viVoltage = 0, viCurrent = 0;
    ST_CharParam charParam;
    int listNumber = 0;
    if (!driver.readTestFunc(code) || !driver.readVIParam(viVoltage, viCurrent)
        || !driver.readCHARParam(charParam) || !driver.readSEQFileNumber(listNumber))
        return false;

    // A code the selector has no entry for leaves the panel as it is: moving
    // the combo would write a made-up code back to the supply.
    if (isSelectableTestFunc(code)) {
        const int index = testFuncIndexForCode(code);
        ui->cbox_testFunc->setCurrentIndex(index);   // writes the code back when the index changes
        ui->stackedWidget->setCurrentIndex(index);
    }

    applyValue(ui->sbox_VI_vol, viVoltage);
    applyValue(ui->sbox_VI_cur, viCurrent);

    const bool listed = listNumber >= 1 && listNumber <= ui->cbox_SEQ_number->count();
    ui->cbox_SEQ_number->setCurrentIndex(listed ? listNumber - 1 : -1);

    applyValue(ui->sbox_chargVol, charParam.chargVol);
    applyValue(ui->sbox_chargCur, charParam.chargCur);
    applyValue(ui->sbox_chargStopVol, charParam.chargStopVol);
    applyValue(ui->sbox_chargStopCur, charParam.chargStopCur);
    applyValue(ui->sbox_chargStopQua, charParam.chargStopQua);
    ui->sbox_chargStopTime->setValue(charParam.chargStopTime);
    return true;
}

void DevWidget_KLV2400::onTestFuncChanged(int index)
{
    if (index < 0)
        return;
    ui->stackedWidget->setCurrentIndex(index);
    if (driver.connectState() != ModbusDriver::Disconnected)
        driver.setTestFunc(testFuncCodeForIndex(index));
}

void DevWidget_KLV2400::onVISettingBtnClicked()
{
    const QString ip = driver.hostAddress();
    if (driver.writeVIParam(float(ui->sbox_VI_vol->value()), float(ui->sbox_VI_cur->value()))) {
        writeLog(tr("%1-VI测试参数设置成功！").arg(ip), 0);
        return;
    }
    writeLog(tr("%1-VI测试参数设置失败！").arg(ip), 2);
    QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("VI测试参数设置失败！"));
}

void DevWidget_KLV2400::onSEQSettingBtnClicked()
{
    const QString ip = driver.hostAddress();
    if (driver.setSEQFileNumber(ui->cbox_SEQ_number->currentIndex() + 1)) {
        writeLog(tr("%1-SEQ测试参数设置成功！").arg(ip), 0);
        return;
    }
    writeLog(tr("%1-SEQ测试参数设置失败！").arg(ip), 2);
    QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("SEQ测试参数设置失败！"));
}

void DevWidget_KLV2400::onCHARSettingBtnClicked()
{
    ST_CharParam param;
    param.chargVol = float(ui->sbox_chargVol->value());
    param.chargCur = float(ui->sbox_chargCur->value());
    param.chargStopVol = float(ui->sbox_chargStopVol->value());
    param.chargStopCur = float(ui->sbox_chargStopCur->value());
    param.chargStopQua = float(ui->sbox_chargStopQua->value());
    param.chargStopTime = ui->sbox_chargStopTime->value();

    const QString ip = driver.hostAddress();
    if (driver.writeCHARParam(param)) {
        writeLog(tr("%1-CHAR测试参数设置成功！").arg(ip), 0);
        return;
    }
    writeLog(tr("%1-CHAR测试参数设置失败！").arg(ip), 2);
    QMessageBox::information(this, QStringLiteral("提示"), QStringLiteral("CHAR测试参数设置失败！"));
}

void DevWidget_KLV2400::onGetListRunningData(ST_listRunningData listData)
{
    ui->lab_curStep->setText(QString::number(listData.curStep));
    ui->lab_curCycle->setText(QString::number(listData.curCycle));
}
