#pragma once

// The supply's register map: which 32-bit values exist (each at an even
// register pair, high word first), their type and who may write them.

#include <QtGlobal>

namespace klvsim {

namespace reg {
enum : quint16 {
    Status = 8, Voltage = 10, Current = 12, Power = 14,
    TestFunc = 28, Output = 32, ClearAlarm = 42, Commit = 48,
    SetVoltage = 82, SetCurrent = 84,
    Priority = 96, OverVol = 122, OverCul = 124, OverPow = 126, LowVol = 128,
    StopDelayTime = 166, PowerOffSave = 168,
    IpAddr = 172, Mask = 174, Gateway = 176, DynamicIp = 188, Baudrate = 190,
    Parity = 198, Protocol = 200, DevAddr = 202, WatchDog = 204, KeySound = 206,
    ListFile = 208, StepCount = 210, CycleTimes = 212, LinkList = 214, Step = 216,
    StepVoltage = 218, StepCurrent = 220, StepUnused = 222, StepDelay = 224,
    Store = 226, SeqFile = 228, RunningData = 230,
    ChargVol = 232, ChargCur = 234, ChargStopVol = 236, ChargStopCur = 238,
    ChargStopQua = 240, ChargStopTime = 242,
};
constexpr quint16 NameBlockBase = 49;   // + file number
constexpr quint16 DevInfoBlock = 254;
} // namespace reg

enum class RegType { Int, Float };

// What may be written to a value, checked before anything is changed.
enum class RegRange { None, Bool, Voltage, Current, Power, NonNegative, Code };

struct RegInfo {
    quint16 reg;
    RegType type;
    bool writable;
    RegRange range;
    const char *name;
};

// The value starting at reg, or nullptr when reg starts no known value.
const RegInfo *regInfo(quint16 reg);

// Registers whose written values take effect only on a commit.
bool isCommitted(quint16 reg);

} // namespace klvsim
