#pragma once

// Helpers shared by the tests: a private working directory, and answering
// the program's modal message boxes the way an operator would.

#include <QDir>
#include <QObject>
#include <QStringList>
#include <QTemporaryDir>
#include <QTimer>

// Makes a fresh temporary directory the working directory for its lifetime,
// since log/, historyData/ and the settings file are relative to it.
class TempWorkDir
{
public:
    TempWorkDir();
    ~TempWorkDir();
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QString previous;
};

// While alive, presses the button labelled buttonText on every QMessageBox
// that becomes active, and records each box's title and text.
class MessageBoxAnswerer : public QObject
{
    Q_OBJECT
public:
    explicit MessageBoxAnswerer(const QString &buttonText = QString(), QObject *parent = nullptr);
    void setButtonText(const QString &text) { button = text; }

    QStringList titles;
    QStringList texts;

private:
    void poll();
    QString button;
    QTimer timer;
};

// Spins the event loop until pred() holds or timeoutMs passes.
template <typename Pred>
bool waitUntil(Pred pred, int timeoutMs);
#include "testsupport_wait.h"
