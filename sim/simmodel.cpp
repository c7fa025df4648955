#include "simmodel.h"

#include "simwire.h"

#include <climits>
#include <cmath>

namespace klvsim {

namespace {

quint32 packedIPv4(const QHostAddress &address)
{
    const quint32 host = address.toIPv4Address();   // first octet in the top byte
    return ((host >> 24) & 0xFF) | (((host >> 16) & 0xFF) << 8) | (((host >> 8) & 0xFF) << 16)
        | ((host & 0xFF) << 24);
}

SimListFile demoFile()
{
    SimListFile f;
    f.name = "DEMO";
    f.cycleTimes = 2;
    f.steps = {{5, 1, 2}, {10, 1.5f, 2}, {15, 2, 2}};
    return f;
}

} // namespace

SupplyModel::SupplyModel(const SupplyConfig &config)
    : cfg(config), words(65536, 0), files(qMax(1, config.listFileCount))
{
    cfg.listFileCount = files.size();
    cfg.listStepMax = qMax(1, cfg.listStepMax);
    files[0] = demoFile();
    if (files[0].steps.size() > cfg.listStepMax)
        files[0].steps.resize(cfg.listStepMax);

    auto setF = [this](quint16 r, float v) { setPlain(r, wire::floatBits(v)); };
    setF(reg::SetVoltage, qBound(cfg.voltageMin, 12.0f, cfg.voltageMax));
    setF(reg::SetCurrent, qBound(cfg.currentMin, 2.0f, cfg.currentMax));
    setF(reg::OverVol, cfg.voltageMax);
    setF(reg::OverCul, cfg.currentMax);
    setF(reg::OverPow, cfg.powerMax);
    setF(reg::LowVol, cfg.voltageMin);
    setPlain(reg::IpAddr, packedIPv4(cfg.address));
    setPlain(reg::Mask, 0xFF);                       // 255.0.0.0
    setPlain(reg::Baudrate, 1);
    setPlain(reg::Protocol, 1);
    setPlain(reg::DevAddr, cfg.deviceAddress);
    setPlain(reg::KeySound, 1);
    setPlain(reg::SeqFile, 1);
    setF(reg::ChargVol, qBound(cfg.voltageMin, 14.4f, cfg.voltageMax));
    setF(reg::ChargCur, qBound(cfg.currentMin, 5.0f, cfg.currentMax));
    setF(reg::ChargStopCur, qBound(cfg.currentMin, 0.5f, cfg.currentMax));
    applied = words;
    selectFile(1);
}

quint32 SupplyModel::valueAt(quint16 even) const
{
    switch (even) {
    case reg::Status: return statusWord();
    case reg::Voltage: return wire::floatBits(measV);
    case reg::Current: return wire::floatBits(measI);
    case reg::Power: return wire::floatBits(measP);
    case reg::TestFunc: return quint32(func);
    case reg::Output: return output ? 1 : 0;
    case reg::ClearAlarm:
    case reg::Commit:
    case reg::Store:
    case reg::StepUnused: return 0;
    case reg::ListFile: return quint32(selectedFile);
    case reg::StepCount: return quint32(bufferCount);
    case reg::CycleTimes: return quint32(buffer.cycleTimes);
    case reg::LinkList: return quint32(buffer.linkListNumber);
    case reg::Step: return quint32(selectedStep);
    case reg::StepVoltage: return wire::floatBits(buffer.steps.value(selectedStep - 1).voltage);
    case reg::StepCurrent: return wire::floatBits(buffer.steps.value(selectedStep - 1).current);
    case reg::StepDelay: return wire::floatBits(buffer.steps.value(selectedStep - 1).delay);
    case reg::RunningData: return running;
    default: return (quint32(words[even]) << 16) | words[even + 1];
    }
}

quint16 SupplyModel::word(quint16 r) const
{
    const quint32 v = valueAt(quint16(r & ~1u));
    return (r & 1) ? quint16(v & 0xFFFF) : quint16(v >> 16);
}

quint32 SupplyModel::value(quint16 r) const
{
    return (quint32(word(r)) << 16) | word(quint16(r + 1));
}

quint32 SupplyModel::committed(quint16 r) const
{
    return (quint32(applied[r]) << 16) | applied[quint16(r + 1)];
}

float SupplyModel::committedFloat(quint16 r) const
{
    return wire::bitsFloat(committed(r));
}

quint32 SupplyModel::statusWord() const
{
    const int shownFunc = reportedFunc >= 0 ? reportedFunc : func;
    return extraStatusBits | (output ? 1u : 0u) | (quint32(shownFunc & 0xF) << 4)
        | (quint32(alarm & 0x1F) << 11);
}

int SupplyModel::checkWrite(quint16 r, quint32 v) const
{
    const RegInfo *info = regInfo(r);
    if (!info || !info->writable)
        return IllegalAddress;
    const qint32 i = qint32(v);
    if (info->type == RegType::Float) {
        const float f = wire::bitsFloat(v);
        if (!std::isfinite(f))
            return IllegalValue;
        switch (info->range) {
        case RegRange::Voltage: return f >= cfg.voltageMin && f <= cfg.voltageMax ? 0 : IllegalValue;
        case RegRange::Current: return f >= cfg.currentMin && f <= cfg.currentMax ? 0 : IllegalValue;
        case RegRange::Power: return f >= cfg.powerMin && f <= cfg.powerMax ? 0 : IllegalValue;
        case RegRange::NonNegative: return f >= 0 ? 0 : IllegalValue;
        default: return NoException;
        }
    }
    auto within = [i](qint32 lo, qint32 hi) { return i >= lo && i <= hi ? 0 : int(IllegalValue); };
    switch (info->range) {
    case RegRange::Bool: return within(0, 1);
    case RegRange::NonNegative: return within(0, INT_MAX);
    case RegRange::Code:
        switch (r) {
        case reg::TestFunc: return (i == 0 || i == 3 || i == 4) ? 0 : IllegalValue;
        case reg::Baudrate: return within(0, 4);
        case reg::Parity: return within(0, 2);
        case reg::Protocol: return within(0, 1);
        case reg::DevAddr: return within(1, 247);
        case reg::ListFile:
        case reg::SeqFile: return within(1, cfg.listFileCount);
        case reg::LinkList: return within(0, cfg.listFileCount);
        case reg::StepCount: return within(0, cfg.listStepMax);
        case reg::Step: return within(1, cfg.listStepMax);
        default: return NoException;
        }
    default: return NoException;
    }
}

void SupplyModel::write(quint16 r, quint32 v)
{
    switch (r) {
    case reg::TestFunc:
        if (output && int(v) != func)
            setOutput(false);   // a running test does not change function under way
        func = int(v);
        break;
    case reg::Output: setOutput(v == 1); break;
    case reg::ClearAlarm: if (v == 1) clearAlarm(); break;
    case reg::Commit: if (v == 1) commit(); break;
    case reg::Store: if (v == 1) store(); break;
    default:
        if (isCommitted(r))
            setPlain(r, v);   // waits for the commit
        else
            setValue(r, v);
        break;
    }
}

void SupplyModel::setValue(quint16 r, quint32 v)
{
    const int i = int(qint32(v));
    const float f = wire::bitsFloat(v);
    SimStep *step = (selectedStep >= 1 && selectedStep <= buffer.steps.size())
        ? &buffer.steps[selectedStep - 1] : nullptr;   // steps beyond the count are kept too
    switch (r) {
    case reg::Status:
        output = v & 1;
        reportedFunc = int((v >> 4) & 0xF);
        alarm = int((v >> 11) & 0x1F);
        extraStatusBits = v & ~(0x1u | 0xF0u | 0xF800u);
        break;
    case reg::Voltage: measV = f; break;
    case reg::Current: measI = f; break;
    case reg::Power: measP = f; break;
    case reg::TestFunc: func = i; break;
    case reg::Output: setOutput(v != 0); break;
    case reg::ListFile: selectFile(i); break;
    case reg::StepCount: bufferCount = qBound(0, i, cfg.listStepMax); break;
    case reg::CycleTimes: buffer.cycleTimes = i; break;
    case reg::LinkList: buffer.linkListNumber = i; break;
    case reg::Step: selectedStep = i; break;
    case reg::StepVoltage: if (step) step->voltage = f; break;
    case reg::StepCurrent: if (step) step->current = f; break;
    case reg::StepDelay: if (step) step->delay = f; break;
    case reg::RunningData: running = v; break;
    default:
        setPlain(r, v);
        applied[r] = words[r];
        applied[quint16(r + 1)] = words[quint16(r + 1)];
        break;
    }
}

void SupplyModel::setPlain(quint16 r, quint32 v)
{
    words[r] = quint16(v >> 16);
    words[quint16(r + 1)] = quint16(v & 0xFFFF);
}

bool SupplyModel::limitPair(quint16 r, quint32 &first, quint32 &second) const
{
    switch (r) {
    case reg::ListFile: first = 1; second = quint32(cfg.listFileCount); return true;
    case reg::StepCount: first = 0; second = quint32(cfg.listStepMax); return true;
    default: break;
    }
    const RegInfo *info = regInfo(r);
    if (!info || !info->writable || info->type != RegType::Float)
        return false;
    float lo = 0, hi = 0;
    switch (info->range) {
    case RegRange::Voltage: lo = cfg.voltageMin; hi = cfg.voltageMax; break;
    case RegRange::Current: lo = cfg.currentMin; hi = cfg.currentMax; break;
    case RegRange::Power: lo = cfg.powerMin; hi = cfg.powerMax; break;
    default: return false;
    }
    first = wire::floatBits(lo);
    second = wire::floatBits(hi);
    return true;
}

QByteArray SupplyModel::deviceInfo() const
{
    // Identity, firmware and serial number lead the block; the limits sit
    // at its end (reply positions 157 to 180).
    QByteArray data = cfg.identity.left(40).leftJustified(40, '\0');
    data += QByteArray("FW V1.03 SIM").leftJustified(16, '\0');
    data += QByteArray("SN").append(QByteArray::number(cfg.deviceAddress)).leftJustified(16, '\0');
    data = data.leftJustified(148, '\0');
    wire::putFloatLe(data, cfg.currentMin);
    wire::putFloatLe(data, cfg.currentMax);
    wire::putFloatLe(data, cfg.voltageMin);
    wire::putFloatLe(data, cfg.voltageMax);
    wire::putFloatLe(data, cfg.powerMin);
    wire::putFloatLe(data, cfg.powerMax);
    return data.leftJustified(176, '\0');
}

bool SupplyModel::isFileNumber(int number) const
{
    return number >= 1 && number <= files.size();
}

QByteArray SupplyModel::fileName(int number) const
{
    return isFileNumber(number) ? files[number - 1].name : QByteArray();
}

void SupplyModel::setFileName(int number, const QByteArray &name)
{
    if (isFileNumber(number))
        files[number - 1].name = name;
}

SimListFile SupplyModel::listFile(int number) const
{
    return isFileNumber(number) ? files[number - 1] : SimListFile();
}

void SupplyModel::setListFile(int number, const SimListFile &file)
{
    if (!isFileNumber(number))
        return;
    files[number - 1] = file;
    if (number == selectedFile)
        selectFile(number);
}

void SupplyModel::selectFile(int number)
{
    if (!isFileNumber(number))
        return;
    selectedFile = number;
    buffer = files[number - 1];
    bufferCount = buffer.steps.size();
    buffer.steps.resize(cfg.listStepMax);
    selectedStep = 1;
}

void SupplyModel::store()
{
    SimListFile &f = files[selectedFile - 1];
    f.steps = buffer.steps.mid(0, bufferCount);
    f.cycleTimes = buffer.cycleTimes;
    f.linkListNumber = buffer.linkListNumber;
    ++stores;
}

void SupplyModel::commit()
{
    for (int r = 0; r < 256; ++r)
        if (isCommitted(quint16(r)))
            applied[r] = words[r];
    ++commits;
}

void SupplyModel::setOutput(bool on)
{
    if (on == output || (on && alarm != 0))
        return;
    output = on;
    if (on)
        load.start(*this);
    else
        measV = measI = measP = 0;
}

void SupplyModel::raiseAlarm(int code)
{
    alarm = code & 0x1F;
    if (alarm != 0)
        setOutput(false);
}

void SupplyModel::tick(double seconds)
{
    if (output)
        load.tick(*this, seconds);
}

} // namespace klvsim
