#pragma once

// Helpers shared by the tests: a private working directory, answering the
// program's message boxes as an operator would, and waiting.

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

// A fresh temporary working directory for its lifetime: log/, historyData/
// and the settings file are relative to it.
class TempWorkDir
{
public:
    TempWorkDir() : previous(QDir::currentPath()) { QDir::setCurrent(dir.path()); }
    ~TempWorkDir() { QDir::setCurrent(previous); }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QString previous;
};

// While alive, presses the button labelled buttonText (the first one when
// empty) on every QMessageBox that shows, recording its title and text.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(const QString &buttonText = QString(), QObject *parent = nullptr)
        : QObject(parent), button(buttonText)
    {
        connect(&timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
        timer.start(20);
    }
    void setButtonText(const QString &text) { button = text; }
    QStringList titles;
    QStringList texts;

private:
    void poll()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(w);
            if (!box || !box->isVisible() || box->property("klvAnswered").toBool())
                continue;
            box->setProperty("klvAnswered", true);
            titles << box->windowTitle();
            texts << box->text();
            QAbstractButton *target = button.isEmpty() && !box->buttons().isEmpty() ? box->buttons().first() : nullptr;
            for (QAbstractButton *b : box->buttons())
                target = b->text() == button ? b : target;
            target ? target->click() : box->reject();
        }
    }
    QString button;
    QTimer timer;
};

// Spins the event loop until pred() holds or timeoutMs passes.
template <typename Pred>
bool waitUntil(Pred pred, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (!pred()) {
        if (t.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}
