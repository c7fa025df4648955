#pragma once

// Value records exchanged between the driver, the device page and the
// dialogs, and the supply's fixed code tables.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVector>

struct ST_EchoValue {
    quint32 state = 0;   // bit 0 output on, bits 4-7 test function, bits 11-15 alarm code
    float voltage = 0;
    float current = 0;
    float power = 0;
};

struct ST_SamplingValue {
    float voltage = 0;
    float current = 0;
    float power = 0;
};

struct ST_listRunningData {
    qint32 curStep = 0;
    qint32 curCycle = 0;
};

struct ST_DevInfo {
    float voltageMax = 0;
    float voltageMin = 0;
    float currentMax = 0;
    float currentMin = 0;
    float powerMax = 0;
    float powerMin = 0;
    quint32 listFileCount = 0;
    quint32 listStepMax = 0;
};

struct ST_CharParam {
    float chargVol = 0;
    float chargCur = 0;
    float chargStopVol = 0;
    float chargStopCur = 0;
    float chargStopQua = 0;
    qint32 chargStopTime = 0;
};

struct ST_SystemParam {
    qint32 priority = 0;
    float overVol = 0;
    float overCul = 0;
    float overPow = 0;
    float lowVol = 0;
    qint32 stopDelayTime = 0;
    bool powerOffSave = false;
    qint32 watchDog = 0;
    bool keyboardSound = false;
};

struct ST_ConnectParam {
    quint32 ipAddr = 0;
    quint32 mask = 0;
    quint32 gateway = 0;
    bool dynamicIPState = false;
    qint32 baudrate = 0;
    qint32 serialPortCheck = 0;
    qint32 protocol = 0;
    qint32 devAddr = 0;
};

struct ST_ListStep {
    float voltage = 0;
    float current = 0;
    float delay = 0;
};

struct ST_ListFile {
    QString fileName;
    qint32 cycleTimes = 0;
    qint32 linkListNumber = 0;
    QList<ST_ListStep> steps;
};

Q_DECLARE_METATYPE(ST_EchoValue)
Q_DECLARE_METATYPE(ST_SamplingValue)
Q_DECLARE_METATYPE(ST_listRunningData)

// Test-function names by code (0 "VI", 3 "SEQ", 4 "CHAR"; 1 and 2 empty).
extern const QStringList testFuncNames;
// Alarm names by alarm code 0..16.
extern const QStringList alarmNames;
// The selectable sampling periods in milliseconds.
extern const QVector<int> samplingIntervals;

// Status-word fields.
inline bool stateOutputOn(quint32 state) { return state & 0x1u; }
inline int stateTestFunc(quint32 state) { return int((state >> 4) & 0xFu); }
inline int stateAlarmCode(quint32 state) { return int((state >> 11) & 0x1Fu); }

// Names that never index outside the tables: an unnamed code shows as its number.
QString testFuncDisplayName(int code);
QString alarmDisplayName(int code);

// Test-function selector (VI, SEQ, CHAR) position <-> device code.
inline int testFuncCodeForIndex(int index) { return index == 0 ? 0 : index + 2; }
inline int testFuncIndexForCode(int code) { return code == 0 ? 0 : code - 2; }
// True for the codes the selector can show (0, 3, 4).
inline bool isSelectableTestFunc(int code) { return code == 0 || code == 3 || code == 4; }

// Packed IPv4 address: first octet in the least significant byte.
QString packedToIpText(quint32 packed);
// Converts "a.b.c.d"; returns false (and leaves packed alone) unless the
// text has exactly four decimal octets of 0..255.
bool ipTextToPacked(const QString &text, quint32 &packed);
