#pragma once

// Makes a dialog frameless and lets the user drag it by its own title-bar
// widget (the handle).

#include <QObject>
#include <QPoint>

class QDialog;
class QWidget;

class DialogMovingFilter : public QObject
{
    Q_OBJECT
public:
    DialogMovingFilter(QDialog *dialog, QWidget *handle);

    bool eventFilter(QObject *watched, QEvent *event) override;

signals:
    void titleDoubleClicked();

private:
    QDialog *dialog;
    QWidget *handle;
    bool pressed = false;
    QPoint pressOffset;
};
