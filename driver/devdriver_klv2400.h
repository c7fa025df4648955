#pragma once

// The KLV2400 register map and every operation the program performs on a
// supply, plus the status echo and the sampling timers.

#include "devicerecords.h"
#include "modbusdriver.h"

#include <QDateTime>
#include <QTimer>

#include <functional>

class DevDriver_KLV2400 : public ModbusDriver
{
    Q_OBJECT
public:
    explicit DevDriver_KLV2400(QObject *parent = nullptr);

    bool setOutput(bool on);
    bool clearAlarm();
    bool readTestFunc(int &code);
    bool setTestFunc(int code);
    bool readVIParam(float &voltage, float &current);
    bool writeVIParam(float voltage, float current);
    bool readCHARParam(ST_CharParam &param);
    bool writeCHARParam(const ST_CharParam &param);
    bool readSEQFileNumber(int &number);
    bool setSEQFileNumber(int number);
    bool readDevInfo(ST_DevInfo &info);
    bool readSystemParam(ST_SystemParam &param);
    bool writeSystemParam(const ST_SystemParam &param);
    bool readConnectParam(ST_ConnectParam &param);
    bool writeConnectParam(const ST_ConnectParam &param);
    bool readListFile(int fileNumber, ST_ListFile &file);
    bool writeListFile(int fileNumber, const ST_ListFile &file, bool &nameWritten);

    void startEcho();
    void stopEcho();
    void startSampling();
    void stopSampling();
    bool echoRunning() const { return echoTimer.isActive(); }
    bool samplingRunning() const { return samplingTimer.isActive(); }

    // Milliseconds between samples; one of samplingIntervals. Read and set by
    // the settings dialog, used at the next startSampling().
    int samplingInterval = 100;

    // The clock the lost-supply rule reads; tests put their own in.
    void setClock(std::function<QDateTime()> clock);

signals:
    void sigPassEchoValue(ST_EchoValue value);
    void sigPassListRunningData(ST_listRunningData listData);
    void sigPassSamplingValue(ST_SamplingValue value);
    void sigDeviceLostConnect();

public slots:
    void onEchoTimeOut();
    void onSamplingTimeOut();

private:
    void keepEchoBetweenSamples();

    QTimer echoTimer;
    QTimer samplingTimer;
    QDateTime lastEchoTime;
    bool samplingActive = false;
    int testFunc = -1;   // unknown until the first setTestFunc: no list data read before

    // Most steps a list file may hold, from the last device-information read.
    quint32 listStepLimit;
    std::function<QDateTime()> now;
};
