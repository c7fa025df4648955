#pragma once

// Edits one connected supply's system and connection settings, one group
// per tab; OK writes only the group on the visible tab.

#include "devicerecords.h"

#include <QDialog>

class DevDriver_KLV2400;
class QComboBox;
class QLineEdit;

namespace Ui {
class SystemSettingDialog;
}

class SystemSettingDialog : public QDialog
{
    Q_OBJECT
public:
    SystemSettingDialog(DevDriver_KLV2400 *driver, const ST_DevInfo &info, QWidget *parent = nullptr);
    ~SystemSettingDialog() override;

private slots:
    void onOkBtnClicked();

private:
    void applyLimits(const ST_DevInfo &info);
    void readSettings();
    void fillSystem(const ST_SystemParam &param);
    void fillConnect(const ST_ConnectParam &param);
    void writeSystem();
    void writeConnect();
    bool collectAddresses(ST_ConnectParam &param);

    DevDriver_KLV2400 *driver;
    Ui::SystemSettingDialog *ui;
    // What the supply reported, so a combo left without a selection (a value
    // outside its items) writes back what was read rather than -1.
    ST_SystemParam readSystem;
    ST_ConnectParam readConnect;
};
