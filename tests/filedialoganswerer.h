#pragma once

// Answers the program's modal file dialogs as an operator would: picks the
// given file, or cancels when the file is empty.

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QTimer>

#include <functional>

class FileDialogAnswerer : public QObject
{
public:
    explicit FileDialogAnswerer(const QString &file) : file(file)
    {
        connect(&timer, &QTimer::timeout, this, &FileDialogAnswerer::poll);
        timer.start(10);
    }
    QStringList titles;                 // one per dialog shown
    std::function<void()> afterPicking; // runs once the dialog has accepted the file

private:
    void poll()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            auto *dialog = qobject_cast<QFileDialog *>(w);
            if (!dialog || !dialog->isVisible() || dialog->property("klvAnswered").toBool())
                continue;
            dialog->setProperty("klvAnswered", true);
            titles << dialog->windowTitle();
            if (file.isEmpty()) {
                dialog->reject();
                continue;
            }
            dialog->selectFile(file);   // leaves a focused name field alone, and accept() reads that field
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit")))
                name->setText(file);
            static_cast<QDialog *>(dialog)->accept();   // the file dialog's own checks run
            if (afterPicking)
                afterPicking();
        }
    }
    QString file;
    QTimer timer;
};
