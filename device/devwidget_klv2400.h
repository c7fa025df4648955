#pragma once

// The device page: one tab per connected supply, with its output control,
// live readout, test-function panel, plots and history recording.

#include "devdriver_klv2400.h"

#include <QDateTime>
#include <QFile>
#include <QVector>
#include <QWidget>

#include <functional>

namespace Ui {
class DevWidget_KLV2400;
}

class DevWidget_KLV2400 : public QWidget
{
    Q_OBJECT
public:
    explicit DevWidget_KLV2400(QWidget *parent = nullptr);
    ~DevWidget_KLV2400() override;

    bool openDevice(const QString &ip);
    bool closeCheck(bool force);
    void retranslate();
    void setConnectState(bool connected);

    bool loadDeviceLimits();
    bool loadDeviceSettings();

    // True while the page connects (the TCP connect and the reads after it):
    // the page must not be destroyed then.
    bool isConnecting() const;
    DevDriver_KLV2400 &deviceDriver() { return driver; }
    // The clock a run's sample times are read from; benchmarks put their own in.
    void setClock(std::function<QDateTime()> clock) { now = std::move(clock); }

private slots:
    void onConnectBtnClicked();
    void onDisConnectBtnClicked();
    void onStartOutputBtnClicked();
    void onStopOutputBtnClicked();
    void onSystemSettingBtnClicked();
    void onAlarmBtnClicked();
    void onListSettingBtnClicked();
    void onTestFuncChanged(int index);
    void onVISettingBtnClicked();
    void onSEQSettingBtnClicked();
    void onCHARSettingBtnClicked();
    void onGetEchoValue(ST_EchoValue value);
    void onGetSamplingValue(ST_SamplingValue value);
    void onGetListRunningData(ST_listRunningData listData);
    void onDevLostConnect();
    void onPlotImportBtnClicked();
    void onFolderOpenBtnClicked();
    void onPlotSaveBtnClicked();
    void onPlotPauseBtnClicked(bool checked);
    void onPlotCumulTimeChanged();

private:
    void initPage();
    void beginRun();
    void endRun();
    bool connectChain(const QString &ip);
    bool finishConnect(bool ok, const QString &ip);
    int listFileChoices() const;

    // History file (devwidget_history.cpp).
    enum class HistoryClose { NotOpen, Saved, Failed };
    void openHistoryFile();
    void writeHistoryRow(double t, double voltage, double current);
    HistoryClose closeHistoryFile();

    void drawPendingSamples();

    Ui::DevWidget_KLV2400 *ui;
    DevDriver_KLV2400 driver;
    QDateTime runStart;
    std::function<QDateTime()> now = &QDateTime::currentDateTimeUtc;   // no time-zone work per sample
    QVector<double> pendingTimes, pendingVoltages, pendingCurrents;
    QFile historyFile;
    ST_DevInfo devLimits;
    bool firstSample = true;
    bool outputOn = false;
    bool connecting = false;
};
