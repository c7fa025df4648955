#pragma once

// How the simulated output behaves while it is on: a resistive load on the
// VI settings, a stored sequence stepping through its list files (SEQ), or
// a battery being charged until an end condition holds (CHAR). Protections
// raise their alarm and switch the output off.

#include <QRandomGenerator>

namespace klvsim {

class SupplyModel;

class LoadModel
{
public:
    LoadModel();
    void start(SupplyModel &m);              // the output was switched on
    void tick(SupplyModel &m, double seconds);

private:
    void tickSeq(SupplyModel &m, double seconds);
    void tickChar(SupplyModel &m, double seconds);
    void advanceStep(SupplyModel &m);
    bool drive(SupplyModel &m, float voltage, float current);   // false: protection tripped
    void measure(SupplyModel &m, float voltage, float current);
    void finish(SupplyModel &m);

    QRandomGenerator rng;
    // SEQ position
    int seqFile = 1, step = 1, cycle = 1;
    double stepTime = 0;
    // CHAR battery
    double emf = 0, charge = 0, chargeTime = 0;
};

} // namespace klvsim
