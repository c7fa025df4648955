#include "dialogmovingfilter.h"

#include <QDialog>
#include <QMouseEvent>

DialogMovingFilter::DialogMovingFilter(QDialog *dialog, QWidget *handle)
    : QObject(), dialog(dialog), handle(handle)
{
    dialog->setWindowFlags(Qt::FramelessWindowHint);
    setParent(dialog);
    handle->installEventFilter(this);
}

bool DialogMovingFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == handle) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            pressOffset = static_cast<QMouseEvent *>(event)->pos();
            pressed = true;
            break;
        case QEvent::MouseButtonRelease:
            pressed = false;
            break;
        case QEvent::MouseButtonDblClick:
            emit titleDoubleClicked();
            break;
        case QEvent::MouseMove:
            if (pressed)
                dialog->move(static_cast<QMouseEvent *>(event)->globalPos() - pressOffset);
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
