#pragma once

// Helpers for the device-page tests: a simulated supply on a loopback
// address, the frames it received, and the application log.

#include "capplog.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QPair>

#include <algorithm>
#include <memory>

namespace devpage {

inline quint16 be16(const QByteArray &f, int at) { return quint16((quint8(f.at(at)) << 8) | quint8(f.at(at + 1))); }

// One single-value write (function 0x10) as the supply received it.
struct Write {
    int unit, reg;
    quint32 value;
    bool operator==(const Write &o) const { return unit == o.unit && reg == o.reg && value == o.value; }
};

inline QList<Write> writesSeen(const klvsim::SimSupply &sim)
{
    QList<Write> writes;
    for (const QByteArray &f : sim.modbusRequests())
        if (f.size() == 17 && quint8(f.at(7)) == 0x10)
            writes.append({quint8(f.at(6)), be16(f, 8), (quint32(be16(f, 13)) << 16) | be16(f, 15)});
    return writes;
}

// Register-read requests (function 0x03) for the given start address.
inline int readsAt(const klvsim::SimSupply &sim, int address)
{
    int n = 0;
    for (const QByteArray &f : sim.modbusRequests())
        n += f.size() == 12 && quint8(f.at(7)) == 0x03 && be16(f, 8) == address;
    return n;
}

// A fault on requests of the given function and address (-1: any).
inline klvsim::FaultRule fault(klvsim::FaultKind kind, int function, int address, int remaining = -1, int delayMs = 0)
{
    klvsim::FaultRule rule;
    rule.kind = kind, rule.function = function, rule.address = address;
    rule.remaining = remaining, rule.delayMs = delayMs;
    return rule;
}

// A started supply; a VI set point makes the load give a live reading.
inline std::unique_ptr<klvsim::SimSupply> startSim(const QString &ip, klvsim::SupplyConfig config = {})
{
    config.address = QHostAddress(ip);
    std::unique_ptr<klvsim::SimSupply> sim(new klvsim::SimSupply(config));
    QString error;
    if (!sim->start(&error))
        qFatal("simulated supply did not start: %s", qPrintable(error));
    sim->setFloatValue(82, 24.5f);
    sim->setFloatValue(84, 3.25f);
    return sim;
}

// Every line the program writes to the application log while alive.
class LogRecorder : public QObject
{
public:
    LogRecorder()
    {
        connect(CAppLog::instance(), &CAppLog::sigPassMsg, this,
                [this](QString msg, int type) { lines.append({msg.trimmed(), type}); });
    }
    // A line ends with the message, after the time stamp and the type prefix.
    bool has(const QString &message, int type) const
    {
        return std::any_of(lines.begin(), lines.end(), [&](const QPair<QString, int> &line) {
            return line.second == type && line.first.endsWith(message);
        });
    }
    int count(const QString &fragment) const
    {
        return int(std::count_if(lines.begin(), lines.end(),
                                 [&](const QPair<QString, int> &line) { return line.first.contains(fragment); }));
    }
    QList<QPair<QString, int>> lines;
};

template <typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace devpage
