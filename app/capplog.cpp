#include "capplog.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

namespace {
CAppLog *theLog = nullptr;
}

CAppLog *CAppLog::instance()
{
    if (!theLog)
        theLog = new CAppLog(QCoreApplication::instance());
    return theLog;
}

CAppLog::CAppLog(QObject *parent)
    : QObject(parent)
{
    const QString dirPath = QDir::currentPath() + "/log/";
    QDir dir(dirPath);
    if (!dir.exists())
        dir.mkdir(dirPath);
    // The name is fixed at start: a run past midnight keeps its first day's file.
    logFile.setFileName(QString("log/KLV2400_Log_%1.txt")
                            .arg(QDate::currentDate().toString("yyyyMMdd")));
    logFile.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text);
    logFile.write("\n");
    logFile.flush();
}

CAppLog::~CAppLog()
{
    logFile.close();
    if (theLog == this)
        theLog = nullptr;
}

void CAppLog::writeLog(QString msg, int logType, bool notify)
{
    QString prefix;
    switch (logType) {
    case 0: prefix = tr("提示: "); break;
    case 1: prefix = tr("警告: "); break;
    case 2: prefix = tr("错误: "); break;
    default: break;
    }
    const QString entry = QDateTime::currentDateTime().toString("yyyy-MM-dd hh:mm:ss  ")
                          + prefix + msg + "\n";
    {
        QMutexLocker locker(&lock);
        logFile.write(entry.toUtf8());
        logFile.flush();
    }
    if (notify)
        emit sigPassMsg(entry, logType);
}
