#include "testsupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>

TempWorkDir::TempWorkDir()
    : previous(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
}

TempWorkDir::~TempWorkDir()
{
    QDir::setCurrent(previous);
}

MessageBoxAnswerer::MessageBoxAnswerer(const QString &buttonText, QObject *parent)
    : QObject(parent), button(buttonText)
{
    connect(&timer, &QTimer::timeout, this, &MessageBoxAnswerer::poll);
    timer.start(20);
}

void MessageBoxAnswerer::poll()
{
    for (QWidget *w : QApplication::topLevelWidgets()) {
        auto *box = qobject_cast<QMessageBox *>(w);
        if (!box || !box->isVisible() || box->property("klvAnswered").toBool())
            continue;
        box->setProperty("klvAnswered", true);
        titles << box->windowTitle();
        texts << box->text();
        QAbstractButton *target = nullptr;
        for (QAbstractButton *b : box->buttons())
            if (b->text() == button)
                target = b;
        if (!target && !box->buttons().isEmpty())
            target = button.isEmpty() ? box->buttons().first() : nullptr;
        if (target)
            target->click();
        else
            box->reject();
    }
}
