#pragma once

// Helpers for the device-page tests: reading the simulator's record of the
// frames it received, collecting the application log, and watching the
// program's top-level windows (message boxes, busy indicator).

#include "capplog.h"
#include "simsupply.h"
#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEventLoop>
#include <QLabel>
#include <QMessageBox>
#include <QPair>
#include <QTimer>

#include <cstring>
#include <functional>

namespace devpage {

inline quint32 floatBits(float value)
{
    quint32 bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline quint16 be16(const QByteArray &frame, int at)
{
    return quint16((quint8(frame.at(at)) << 8) | quint8(frame.at(at + 1)));
}

// One single-value write (function 0x10) as the supply received it.
struct Write {
    int unit;
    int reg;
    quint32 value;
    bool operator==(const Write &o) const { return unit == o.unit && reg == o.reg && value == o.value; }
};

inline QList<Write> writesSeen(const klvsim::SimSupply &sim)
{
    QList<Write> writes;
    for (const QByteArray &frame : sim.modbusRequests())
        if (frame.size() == 17 && quint8(frame.at(7)) == 0x10)
            writes.append({quint8(frame.at(6)), be16(frame, 8), (quint32(be16(frame, 13)) << 16) | be16(frame, 15)});
    return writes;
}

inline QList<int> writtenRegisters(const klvsim::SimSupply &sim)
{
    QList<int> regs;
    for (const Write &w : writesSeen(sim))
        regs << w.reg;
    return regs;
}

// Register-read requests (function 0x03) for the given start address.
inline int readsAt(const klvsim::SimSupply &sim, int address)
{
    int n = 0;
    for (const QByteArray &frame : sim.modbusRequests())
        if (frame.size() == 12 && quint8(frame.at(7)) == 0x03 && be16(frame, 8) == address)
            ++n;
    return n;
}

inline klvsim::FaultRule fault(klvsim::FaultKind kind, int function, int address, int remaining = -1,
                               int delayMs = 0)
{
    klvsim::FaultRule rule;
    rule.kind = kind;
    rule.function = function;
    rule.address = address;
    rule.remaining = remaining;
    rule.delayMs = delayMs;
    return rule;
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
        for (const auto &line : lines)
            if (line.second == type && line.first.endsWith(message))
                return true;
        return false;
    }
    int count(const QString &fragment) const
    {
        int n = 0;
        for (const auto &line : lines)
            n += line.first.contains(fragment) ? 1 : 0;
        return n;
    }
    QList<QPair<QString, int>> lines;
};

// Calls visit() for every visible top-level widget every few milliseconds:
// runs inside the program's nested event loops as well.
class WindowWatcher : public QObject
{
public:
    explicit WindowWatcher(std::function<void(QWidget *)> visit) : visit(std::move(visit))
    {
        connect(&timer, &QTimer::timeout, this, [this] {
            for (QWidget *w : QApplication::topLevelWidgets())
                if (w->isVisible())
                    this->visit(w);
        });
        timer.start(5);
    }

private:
    std::function<void(QWidget *)> visit;
    QTimer timer;
};

// Runs call from inside an event loop, as a slot of the running program
// would run: deferred deletions then wait for that loop, not the next one.
inline void runInEventLoop(const std::function<void()> &call)
{
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
        call();
        loop.quit();
    });
    loop.exec();
}

inline bool isBusyIndicator(QWidget *w)
{
    return w->inherits("frmProgressWait");
}

inline QStringList labelTexts(QWidget *w)
{
    QStringList texts;
    for (QLabel *label : w->findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

inline bool busyIndicatorShown()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (isBusyIndicator(w) && w->isVisible())
            return true;
    return false;
}

template <typename T>
T *child(QObject *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no child %s", name);
    return found;
}

} // namespace devpage
