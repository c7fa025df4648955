#pragma once

// Simulated supplies served from a thread of their own, so that the
// program under measurement has its GUI thread to itself and a plain
// blocking client can talk to the same simulator.

#include "simsupply.h"

#include <QList>
#include <QSemaphore>
#include <QThread>

#include <atomic>
#include <functional>
#include <memory>

namespace bench {

class SimThread : public QThread
{
public:
    explicit SimThread(const QList<klvsim::SupplyConfig> &configs);
    ~SimThread() override;

    // Starts the thread and every supply; false (with the reason) if one
    // could not bind.
    bool startSupplies(QString *error = nullptr);
    // Runs fn on the simulator thread and waits for it: the only safe way
    // to touch a supply.
    void call(const std::function<void()> &fn);
    klvsim::SimSupply *supply(int index) const { return supplies.at(index); }
    int count() const { return configs.size(); }
    // Sampling reads (function 0x03, 6 registers at 10) supply index has
    // received so far.
    qint64 samplingReads(int index) const { return samplingCounts[size_t(index)].load(); }

protected:
    void run() override;

private:
    QList<klvsim::SupplyConfig> configs;
    QList<klvsim::SimSupply *> supplies;
    QObject *context = nullptr;
    std::unique_ptr<std::atomic<qint64>[]> samplingCounts;
    QSemaphore ready;
    bool started = false;
    QString startError;
};

// Supplies at 127.0.0.(firstHost + i) on the given Modbus port, UDP on
// udpPort, without measurement noise.
QList<klvsim::SupplyConfig> loopbackSupplies(int count, quint16 modbusPort, quint16 udpPort,
                                             int firstHost = 11);

} // namespace bench
