#pragma once

// The run-time control of the simulator program: one command per line on
// standard input (faults, front panel, alarms, registers), and the fault
// notation shared with the command-line options.

#include "simsupply.h"

#include <QObject>
#include <QString>

class QSocketNotifier;

namespace klvsim {

// "KIND[:MS][,fn=F][,addr=A][,times=N][,skip=N][,after-commit][,udp|,both]"
// for example "late,fn=0x10,addr=122,times=1". Numbers may be hexadecimal (0x..).
bool parseFaultRule(const QString &text, FaultRule &rule, QString *error);
QString faultSpecHelp();
QStringList splitNonEmpty(const QString &text, QChar separator);

class SimConsole : public QObject
{
    Q_OBJECT
public:
    explicit SimConsole(SimHost *host, QObject *parent = nullptr);

    void listenOnStdin();               // reads commands until standard input closes
    QString execute(const QString &line);   // the answer to print, may be empty
    static QString help();

signals:
    void quitRequested();

private:
    QList<SimSupply *> select(const QString &which, QString *error) const;
    QString status(const SimSupply *s, int index) const;

    SimHost *host;
    QSocketNotifier *notifier = nullptr;
};

} // namespace klvsim
