#include "devdriver_klv2400.h"

#include "capplog.h"
#include "devicetext.h"
#include "modbusframes.h"

#include <QDebug>
#include <QThread>

namespace {

// Register map (holding-register addresses; every value spans two).
enum Reg : quint16 {
    RegStatus = 8,
    RegSample = 10,
    RegTestFunc = 28,
    RegOutput = 32,
    RegClearAlarm = 42,
    RegCommit = 48,
    RegVIVoltage = 82,
    RegVICurrent = 84,
    RegPriority = 96,
    RegOverVol = 122,
    RegOverCul = 124,
    RegOverPow = 126,
    RegLowVol = 128,
    RegStopDelay = 166,
    RegPowerOffSave = 168,
    RegIpAddr = 172,
    RegMask = 174,
    RegGateway = 176,
    RegDynamicIp = 188,
    RegBaudrate = 190,
    RegParity = 198,
    RegProtocol = 200,
    RegDevAddr = 202,
    RegWatchDog = 204,
    RegKeySound = 206,
    RegListFile = 208,
    RegListSteps = 210,
    RegListCycles = 212,
    RegListLink = 214,
    RegListStep = 216,
    RegStepVoltage = 218,
    RegStepCurrent = 220,
    RegStepDelay = 224,
    RegListStore = 226,
    RegSeqFile = 228,
    RegListRunning = 230,
    RegChargVol = 232,
    RegChargCur = 234,
    RegChargStopVol = 236,
    RegChargStopCur = 238,
    RegChargStopQua = 240,
    RegChargStopTime = 242
};

constexpr quint16 BlockDevInfo = 254;
constexpr quint16 BlockNameBase = 49;   // name of list file n at 49 + n
constexpr int EchoPeriodMs = 1000;
// Every sampling interval is a whole multiple of this step.
constexpr int SamplingStepMs = 100;
constexpr int LostAfterSeconds = 20;
constexpr int CommitPauseMs = 20;
constexpr int SeqTestFunc = 3;
// Anything above this from the supply is garbage, not a list size.
constexpr quint32 ListSizeSanityLimit = 100000;

float asFloat(quint32 bits)
{
    return ModbusFrames::bitsToFloat(bits);
}

} // namespace

DevDriver_KLV2400::DevDriver_KLV2400(QObject *parent)
    : ModbusDriver(parent)
    , listStepLimit(ListSizeSanityLimit)
    , now(&QDateTime::currentDateTime)
{
    // Precise timers keep the phase keepEchoBetweenSamples() gives them;
    // coarse ones are moved to shared boundaries, where an echo tick and a
    // sampling tick of the same driver would meet every second.
    echoTimer.setTimerType(Qt::PreciseTimer);
    samplingTimer.setTimerType(Qt::PreciseTimer);
    connect(&echoTimer, &QTimer::timeout, this, &DevDriver_KLV2400::onEchoTimeOut);
    connect(&samplingTimer, &QTimer::timeout, this, &DevDriver_KLV2400::onSamplingTimeOut);
}

void DevDriver_KLV2400::setClock(std::function<QDateTime()> clock)
{
    now = std::move(clock);
}

bool DevDriver_KLV2400::setOutput(bool on)
{
    return writeRegister(RegOutput, on ? 1 : 0);
}

bool DevDriver_KLV2400::clearAlarm()
{
    return writeRegister(RegClearAlarm, 1);
}

bool DevDriver_KLV2400::readTestFunc(int &code)
{
    quint32 value = 0;
    if (!readRegister(RegTestFunc, value))
        return false;
    code = qint32(value);
    return true;
}

bool DevDriver_KLV2400::setTestFunc(int code)
{
    testFunc = code;   // kept even if the write fails: the page has switched
    return writeRegister(RegTestFunc, code);
}

bool DevDriver_KLV2400::readVIParam(float &voltage, float &current)
{
    QVector<quint32> values;
    if (!readRegisters(RegVIVoltage, 4, values))
        return false;
    voltage = asFloat(values.at(0));
    current = asFloat(values.at(1));
    return true;
}

bool DevDriver_KLV2400::writeVIParam(float voltage, float current)
{
    // Every write is attempted so the supply gets as much as it will take.
    const bool v = writeFloatRegister(RegVIVoltage, voltage);
    const bool c = writeFloatRegister(RegVICurrent, current);
    QThread::msleep(CommitPauseMs);
    const bool commit = writeRegister(RegCommit, 1);
    qDebug() << int(v) << int(c) << int(commit);
    return v && c && commit;
}

bool DevDriver_KLV2400::readCHARParam(ST_CharParam &param)
{
    QVector<quint32> values;
    if (!readRegisters(RegChargVol, 12, values))
        return false;
    param.chargVol = asFloat(values.at(0));
    param.chargCur = asFloat(values.at(1));
    param.chargStopVol = asFloat(values.at(2));
    param.chargStopCur = asFloat(values.at(3));
    param.chargStopQua = asFloat(values.at(4));
    param.chargStopTime = qint32(values.at(5));
    return true;
}

bool DevDriver_KLV2400::writeCHARParam(const ST_CharParam &param)
{
    const bool r1 = writeFloatRegister(RegChargVol, param.chargVol);
    const bool r2 = writeFloatRegister(RegChargCur, param.chargCur);
    const bool r3 = writeFloatRegister(RegChargStopVol, param.chargStopVol);
    const bool r4 = writeFloatRegister(RegChargStopCur, param.chargStopCur);
    const bool r5 = writeFloatRegister(RegChargStopQua, param.chargStopQua);
    const bool r6 = writeRegister(RegChargStopTime, param.chargStopTime);
    QThread::msleep(CommitPauseMs);
    const bool commit = writeRegister(RegCommit, 1);
    qDebug() << int(r1) << int(r2) << int(r3) << int(r4) << int(r5) << int(r6) << int(commit);
    return r1 && r2 && r3 && r4 && r5 && r6 && commit;
}

bool DevDriver_KLV2400::readSEQFileNumber(int &number)
{
    quint32 value = 0;
    if (!readRegister(RegSeqFile, value))
        return false;
    number = qint32(value);
    return true;
}

bool DevDriver_KLV2400::setSEQFileNumber(int number)
{
    return writeRegister(RegSeqFile, number) && writeRegister(RegCommit, 1);
}

bool DevDriver_KLV2400::readDevInfo(ST_DevInfo &info)
{
    QByteArray block;
    ST_DevInfo limits;
    if (!readBlock(BlockDevInfo, block) || !ModbusFrames::decodeDevInfoBlock(block, limits))
        return false;
    qint32 unused = 0;
    qint32 fileCount = 0;
    qint32 stepMax = 0;
    if (!readRegisterLimit(RegListFile, unused, fileCount)
        || !readRegisterLimit(RegListSteps, unused, stepMax))
        return false;
    // The page builds one choice per file and the editor one row per step.
    if (fileCount < 0 || quint32(fileCount) > ListSizeSanityLimit || stepMax < 0
        || quint32(stepMax) > ListSizeSanityLimit)
        return false;
    limits.listFileCount = quint32(fileCount);
    limits.listStepMax = quint32(stepMax);
    listStepLimit = limits.listStepMax;
    info = limits;
    return true;
}

bool DevDriver_KLV2400::readSystemParam(ST_SystemParam &param)
{
    quint32 priority = 0;
    QVector<float> protections;
    QVector<quint32> delaySave;
    QVector<quint32> watchDogSound;
    if (!readRegister(RegPriority, priority) || !readFloatRegisters(RegOverVol, 8, protections)
        || !readRegisters(RegStopDelay, 4, delaySave)
        || !readRegisters(RegWatchDog, 4, watchDogSound))
        return false;
    param.priority = qint32(priority);
    param.overVol = protections.at(0);
    param.overCul = protections.at(1);
    param.overPow = protections.at(2);
    param.lowVol = protections.at(3);
    param.stopDelayTime = qint32(delaySave.at(0));
    param.powerOffSave = delaySave.at(1) != 0;
    param.watchDog = qint32(watchDogSound.at(0));
    param.keyboardSound = watchDogSound.at(1) != 0;
    return true;
}

bool DevDriver_KLV2400::writeSystemParam(const ST_SystemParam &param)
{
    return writeRegister(RegPriority, param.priority)
           && writeFloatRegister(RegOverVol, param.overVol)
           && writeFloatRegister(RegOverCul, param.overCul)
           && writeFloatRegister(RegOverPow, param.overPow)
           && writeFloatRegister(RegLowVol, param.lowVol)
           && writeRegister(RegStopDelay, param.stopDelayTime)
           && writeRegister(RegPowerOffSave, param.powerOffSave ? 1 : 0)
           && writeRegister(RegWatchDog, param.watchDog)
           && writeRegister(RegKeySound, param.keyboardSound ? 1 : 0)
           && writeRegister(RegCommit, 1);
}

bool DevDriver_KLV2400::readConnectParam(ST_ConnectParam &param)
{
    QVector<quint32> values;
    if (!readRegisters(RegIpAddr, 32, values))
        return false;
    param.ipAddr = values.at(0);
    param.mask = values.at(1);
    param.gateway = values.at(2);
    param.dynamicIPState = values.at(8) != 0;
    param.baudrate = qint32(values.at(9));
    param.serialPortCheck = qint32(values.at(13));
    param.protocol = qint32(values.at(14));
    param.devAddr = qint32(values.at(15));
    return true;
}

bool DevDriver_KLV2400::writeConnectParam(const ST_ConnectParam &param)
{
    return writeRegister(RegIpAddr, qint32(param.ipAddr))
           && writeRegister(RegMask, qint32(param.mask))
           && writeRegister(RegGateway, qint32(param.gateway))
           && writeRegister(RegDynamicIp, param.dynamicIPState ? 1 : 0)
           && writeRegister(RegBaudrate, param.baudrate)
           && writeRegister(RegParity, param.serialPortCheck)
           && writeRegister(RegProtocol, param.protocol)
           && writeRegister(RegDevAddr, param.devAddr)
           && writeRegister(RegCommit, 1);
}

bool DevDriver_KLV2400::readListFile(int fileNumber, ST_ListFile &file)
{
    // A supply without file names refuses the read; the sequence still counts.
    QByteArray nameReply;
    if (readBlock(quint16(BlockNameBase + fileNumber), nameReply))
        file.fileName = ModbusFrames::decodeNameBlock(nameReply);

    QVector<quint32> head;
    if (!writeRegister(RegListFile, fileNumber) || !readRegisters(RegListSteps, 6, head))
        return false;
    const qint32 stepCount = qint32(head.at(0));
    file.cycleTimes = qint32(head.at(1));
    file.linkListNumber = qint32(head.at(2));
    // A garbage count would otherwise cost one transaction pair per "step".
    if (stepCount < 0 || quint32(stepCount) > listStepLimit)
        return false;

    for (int i = 1; i <= stepCount; ++i) {
        QVector<float> values;
        if (!writeRegister(RegListStep, i) || !readFloatRegisters(RegStepVoltage, 8, values))
            return false;
        ST_ListStep step;
        step.voltage = values.at(0);
        step.current = values.at(1);
        step.delay = values.at(3);
        file.steps.append(step);
    }
    return true;
}

bool DevDriver_KLV2400::writeListFile(int fileNumber, const ST_ListFile &file, bool &nameWritten)
{
    if (!writeRegister(RegListFile, fileNumber) || !writeRegister(RegListSteps, file.steps.size())
        || !writeRegister(RegListCycles, file.cycleTimes)
        || !writeRegister(RegListLink, file.linkListNumber))
        return false;
    for (int i = 0; i < file.steps.size(); ++i) {
        const ST_ListStep &step = file.steps.at(i);
        if (!writeRegister(RegListStep, i + 1) || !writeFloatRegister(RegStepVoltage, step.voltage)
            || !writeFloatRegister(RegStepCurrent, step.current)
            || !writeFloatRegister(RegStepDelay, step.delay))
            return false;
    }
    if (!writeRegister(RegListStore, 1))
        return false;

    nameWritten = true;
    QByteArray name = encodeDeviceText(file.fileName);
    if (!name.isEmpty()) {
        name.append('\0');
        nameWritten = writeBlock(quint16(BlockNameBase + fileNumber), name);
    }
    return true;
}

void DevDriver_KLV2400::startEcho()
{
    echoTimer.start(EchoPeriodMs);
    lastEchoTime = now();
    onEchoTimeOut();
}

void DevDriver_KLV2400::stopEcho()
{
    echoTimer.stop();
}

void DevDriver_KLV2400::startSampling()
{
    if (samplingTimer.isActive())
        return;
    samplingTimer.start(samplingInterval);
    samplingActive = true;
    keepEchoBetweenSamples();
    onSamplingTimeOut();
}

// The sampling ticks fall on whole steps of 100 ms from now and the echo
// period is ten steps, so a tick of each that came together once would come
// together every second, and the later one would always be refused as busy.
// The next echo moves by at most half a step to fall halfway between two
// sampling ticks; onEchoTimeOut() then goes back to the plain period.
void DevDriver_KLV2400::keepEchoBetweenSamples()
{
    if (!echoTimer.isActive())
        return;
    const int remaining = echoTimer.remainingTime();
    const int half = SamplingStepMs / 2;
    int shift = ((half - remaining) % SamplingStepMs + SamplingStepMs) % SamplingStepMs;
    if (shift > half)
        shift -= SamplingStepMs;
    echoTimer.start(qMax(0, remaining + shift));
}

void DevDriver_KLV2400::stopSampling()
{
    samplingTimer.stop();
    samplingActive = false;
}

void DevDriver_KLV2400::onEchoTimeOut()
{
    if (echoTimer.isActive() && echoTimer.interval() != EchoPeriodMs)
        echoTimer.start(EchoPeriodMs);   // after the one shifted echo

    QVector<quint32> values;
    if (readRegisters(RegStatus, 8, values)) {
        ST_EchoValue echo;
        echo.state = values.at(0);
        echo.voltage = asFloat(values.at(1));
        echo.current = asFloat(values.at(2));
        echo.power = asFloat(values.at(3));
        lastEchoTime = now();
        emit sigPassEchoValue(echo);

        // Read after the signal: the page may just have started sampling.
        quint32 running = 0;
        if (samplingActive && testFunc == SeqTestFunc && readRegister(RegListRunning, running)) {
            ST_listRunningData data;
            data.curStep = qint32(running & 0xFFFFu);
            data.curCycle = qint32(running >> 16);
            emit sigPassListRunningData(data);
        }
        return;
    }

    const qint64 silentSeconds = lastEchoTime.secsTo(now());
    if (silentSeconds <= LostAfterSeconds)
        return;
    CAppLog::instance()->writeLog(tr("超时时间：%1s").arg(silentSeconds), 0, false);
    echoTimer.stop();
    samplingTimer.stop();
    samplingActive = false;
    emit sigDeviceLostConnect();
}

void DevDriver_KLV2400::onSamplingTimeOut()
{
    QVector<quint32> values;
    if (!readRegisters(RegSample, 6, values))
        return;
    ST_SamplingValue sample;
    sample.voltage = asFloat(values.at(0));
    sample.current = asFloat(values.at(1));
    sample.power = asFloat(values.at(2));
    emit sigPassSamplingValue(sample);
}
