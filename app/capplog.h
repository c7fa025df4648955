#pragma once

#include <QFile>
#include <QMutex>
#include <QObject>
#include <QString>

// The application's single log: one line per entry in the day's file under
// log/, and optionally passed on to the main window's log pane.
class CAppLog : public QObject
{
    Q_OBJECT
public:
    // Creates the log on first use, parented to the application object.
    static CAppLog *instance();

    // logType: 0 information, 1 warning, 2 error; other values get no prefix.
    void writeLog(QString msg, int logType, bool notify);

    ~CAppLog() override;

signals:
    // msg is the whole formatted entry, time stamp and newline included.
    void sigPassMsg(QString msg, int logType);

private:
    explicit CAppLog(QObject *parent);

    QFile logFile;
    QMutex lock;
};
