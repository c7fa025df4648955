#include "simload.h"

#include "simmodel.h"
#include "simregmap.h"

#include <algorithm>

namespace klvsim {

namespace {
constexpr double BatteryResistance = 0.1;   // ohms
constexpr double BatteryStart = 0.8;        // battery voltage at the start, share of the charge voltage
constexpr double BatteryRise = 0.01;        // share of the charge voltage gained per second at full current
constexpr double MinStepSeconds = 0.05;
enum Alarm { OPP = 8, OVP = 9, OCP = 10, LVP = 11 };
} // namespace

LoadModel::LoadModel()
    : rng(QRandomGenerator::securelySeeded())
{
}

void LoadModel::start(SupplyModel &m)
{
    stepTime = 0;
    step = cycle = 1;
    seqFile = int(m.committed(reg::SeqFile));
    emf = BatteryStart * m.committedFloat(reg::ChargVol);
    charge = chargeTime = 0;
    if (m.func == 3) {
        if (m.listFile(seqFile).steps.isEmpty()) {
            finish(m);
            return;
        }
        m.running = (1u << 16) | 1u;
    }
    tick(m, 0);
}

void LoadModel::tick(SupplyModel &m, double seconds)
{
    switch (m.func) {
    case 3: tickSeq(m, seconds); break;
    case 4: tickChar(m, seconds); break;
    default: drive(m, m.committedFloat(reg::SetVoltage), m.committedFloat(reg::SetCurrent)); break;
    }
}

void LoadModel::tickSeq(SupplyModel &m, double seconds)
{
    stepTime += seconds;
    // Bounded so that a chain of zero-delay steps cannot hold the loop.
    for (int guard = 0; guard < 10000 && m.output; ++guard) {
        const SimListFile file = m.listFile(seqFile);
        const double delay = std::max<double>(file.steps.value(step - 1).delay, MinStepSeconds);
        if (stepTime < delay)
            break;
        stepTime -= delay;
        advanceStep(m);
    }
    if (!m.output)
        return;
    const SimStep s = m.listFile(seqFile).steps.value(step - 1);
    m.running = (quint32(cycle & 0xFFFF) << 16) | quint32(step & 0xFFFF);
    drive(m, s.voltage, s.current);
}

void LoadModel::advanceStep(SupplyModel &m)
{
    const SimListFile file = m.listFile(seqFile);
    if (++step <= file.steps.size())
        return;
    step = 1;
    ++cycle;
    if (file.cycleTimes <= 0 || cycle <= file.cycleTimes)   // 0 repeats until stopped
        return;
    const int link = file.linkListNumber;
    if (m.isFileNumber(link) && !m.listFile(link).steps.isEmpty()) {
        seqFile = link;
        cycle = 1;
        return;
    }
    finish(m);
}

void LoadModel::tickChar(SupplyModel &m, double seconds)
{
    const double target = m.committedFloat(reg::ChargVol);
    const double limit = m.committedFloat(reg::ChargCur);
    if (target <= 0 || limit <= 0) {
        finish(m);
        return;
    }
    const double current = std::clamp((target - emf) / BatteryResistance, 0.0, limit);
    const double voltage = emf + current * BatteryResistance;
    emf += current / limit * BatteryRise * target * seconds;
    charge += current * seconds / 3600.0;
    chargeTime += seconds;
    if (!drive(m, float(voltage), float(current)))
        return;
    const float stopVol = m.committedFloat(reg::ChargStopVol);
    const float stopCur = m.committedFloat(reg::ChargStopCur);
    const float stopQua = m.committedFloat(reg::ChargStopQua);
    const qint32 stopTime = qint32(m.committed(reg::ChargStopTime));
    const bool done = (stopVol > 0 && voltage >= stopVol)
        || (stopCur > 0 && seconds > 0 && current <= stopCur)
        || (stopQua > 0 && charge >= stopQua)
        || (stopTime > 0 && chargeTime >= stopTime);
    if (done)
        finish(m);
}

bool LoadModel::drive(SupplyModel &m, float voltage, float current)
{
    // VI and SEQ drive a resistor: constant voltage until the current limit.
    float v = voltage, i = current;
    if (m.func != 4) {
        const float ohms = std::max(m.config().loadOhms, 0.001f);
        i = v / ohms;
        if (i > current) {
            i = current;
            v = i * ohms;
        }
    }
    int trip = 0;
    if (voltage > m.committedFloat(reg::OverVol))
        trip = OVP;
    else if (i > m.committedFloat(reg::OverCul))
        trip = OCP;
    else if (v * i > m.committedFloat(reg::OverPow))
        trip = OPP;
    else if (v < m.committedFloat(reg::LowVol))
        trip = LVP;
    if (trip) {
        m.raiseAlarm(trip);
        return false;
    }
    measure(m, v, i);
    return true;
}

void LoadModel::measure(SupplyModel &m, float voltage, float current)
{
    const double noise = m.config().noise;
    auto jitter = [&](float x) { return float(x * (1.0 + noise * (2 * rng.generateDouble() - 1))); };
    const float v = jitter(voltage), i = jitter(current);
    m.setMeasured(v, i, v * i);
}

void LoadModel::finish(SupplyModel &m)
{
    m.setOutput(false);
}

} // namespace klvsim
