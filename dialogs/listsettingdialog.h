#pragma once

// Reads, edits and writes the sequence lists (list files) stored in a
// connected supply, one file at a time.

#include "aligncentertablemodel.h"

#include <QDialog>

class DevDriver_KLV2400;
class DoubleSpinBoxDelegate;

namespace Ui {
class ListSettingDialog;
}

class ListSettingDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ListSettingDialog(DevDriver_KLV2400 *driver, QWidget *parent = nullptr);
    ~ListSettingDialog() override;

    // Called once right after construction with the supply's limits.
    void setListLimits(double voltageMin, double voltageMax, double currentMin, double currentMax,
                       int listFileCount, int listStepMax);

private slots:
    void onListLenthSet();
    void onSaveSettings();
    void onLoadListInfo();

private:
    void loadListFile(int fileNumber);
    void setStepRow(int row, double voltage, double current, double delay);

    DevDriver_KLV2400 *driver;
    Ui::ListSettingDialog *ui;
    AlignCenterTableModel model;
    DoubleSpinBoxDelegate *voltageDelegate = nullptr;
    DoubleSpinBoxDelegate *currentDelegate = nullptr;
};
