#include "simregmap.h"

#include <iterator>

namespace klvsim {

namespace {
using T = RegType;
using R = RegRange;

const RegInfo table[] = {
    {reg::Status, T::Int, false, R::None, "status"},
    {reg::Voltage, T::Float, false, R::None, "voltage"},
    {reg::Current, T::Float, false, R::None, "current"},
    {reg::Power, T::Float, false, R::None, "power"},
    {reg::TestFunc, T::Int, true, R::Code, "testFunc"},
    {reg::Output, T::Int, true, R::Bool, "output"},
    {reg::ClearAlarm, T::Int, true, R::None, "clearAlarm"},
    {reg::Commit, T::Int, true, R::None, "commit"},
    {reg::SetVoltage, T::Float, true, R::Voltage, "setVoltage"},
    {reg::SetCurrent, T::Float, true, R::Current, "setCurrent"},
    {reg::Priority, T::Int, true, R::Bool, "priority"},
    {reg::OverVol, T::Float, true, R::Voltage, "overVol"},
    {reg::OverCul, T::Float, true, R::Current, "overCul"},
    {reg::OverPow, T::Float, true, R::Power, "overPow"},
    {reg::LowVol, T::Float, true, R::Voltage, "lowVol"},
    {reg::StopDelayTime, T::Int, true, R::NonNegative, "stopDelayTime"},
    {reg::PowerOffSave, T::Int, true, R::Bool, "powerOffSave"},
    {reg::IpAddr, T::Int, true, R::None, "ipAddr"},
    {reg::Mask, T::Int, true, R::None, "mask"},
    {reg::Gateway, T::Int, true, R::None, "gateway"},
    {reg::DynamicIp, T::Int, true, R::Bool, "dynamicIPState"},
    {reg::Baudrate, T::Int, true, R::Code, "baudrate"},
    {reg::Parity, T::Int, true, R::Code, "serialPortCheck"},
    {reg::Protocol, T::Int, true, R::Code, "protocol"},
    {reg::DevAddr, T::Int, true, R::Code, "devAddr"},
    {reg::WatchDog, T::Int, true, R::NonNegative, "watchDog"},
    {reg::KeySound, T::Int, true, R::Bool, "keyboardSound"},
    {reg::ListFile, T::Int, true, R::Code, "listFile"},
    {reg::StepCount, T::Int, true, R::Code, "stepCount"},
    {reg::CycleTimes, T::Int, true, R::NonNegative, "cycleTimes"},
    {reg::LinkList, T::Int, true, R::Code, "linkListNumber"},
    {reg::Step, T::Int, true, R::Code, "step"},
    {reg::StepVoltage, T::Float, true, R::Voltage, "stepVoltage"},
    {reg::StepCurrent, T::Float, true, R::Current, "stepCurrent"},
    {reg::StepUnused, T::Float, false, R::None, "stepUnused"},
    {reg::StepDelay, T::Float, true, R::NonNegative, "stepDelay"},
    {reg::Store, T::Int, true, R::None, "store"},
    {reg::SeqFile, T::Int, true, R::Code, "seqFile"},
    {reg::RunningData, T::Int, false, R::None, "listRunningData"},
    {reg::ChargVol, T::Float, true, R::Voltage, "chargVol"},
    {reg::ChargCur, T::Float, true, R::Current, "chargCur"},
    {reg::ChargStopVol, T::Float, true, R::Voltage, "chargStopVol"},
    {reg::ChargStopCur, T::Float, true, R::Current, "chargStopCur"},
    {reg::ChargStopQua, T::Float, true, R::NonNegative, "chargStopQua"},
    {reg::ChargStopTime, T::Int, true, R::NonNegative, "chargStopTime"},
    // Parts of the connection block that are read but never written.
    {178, T::Int, false, R::None, "reserved"},
    {180, T::Int, false, R::None, "reserved"},
    {182, T::Int, false, R::None, "reserved"},
    {184, T::Int, false, R::None, "reserved"},
    {186, T::Int, false, R::None, "reserved"},
    {192, T::Int, false, R::None, "reserved"},
    {194, T::Int, false, R::None, "reserved"},
    {196, T::Int, false, R::None, "reserved"},
};
} // namespace

const RegInfo *regInfo(quint16 r)
{
    for (const RegInfo &info : table)
        if (info.reg == r)
            return &info;
    return nullptr;
}

bool isCommitted(quint16 r)
{
    return (r >= reg::SetVoltage && r <= reg::SetCurrent + 1)
        || r == reg::Priority || r == reg::Priority + 1
        || (r >= reg::OverVol && r <= reg::LowVol + 1)
        || (r >= reg::StopDelayTime && r <= reg::PowerOffSave + 1)
        || (r >= reg::IpAddr && r <= reg::KeySound + 1)
        || r == reg::SeqFile || r == reg::SeqFile + 1
        || (r >= reg::ChargVol && r <= reg::ChargStopTime + 1);
}

} // namespace klvsim
