#include "frmprogresswait.h"
#include "ui_frmprogresswait.h"

#include <QMouseEvent>

frmProgressWait::frmProgressWait(QString text, QWidget *parent)
    : QWidget(parent),
      ui(new Ui::frmProgressWait),
      dragOffset(0, 0)
{
    ui->setupUi(this);
    setWindowFlags(windowFlags() & ~Qt::WindowCloseButtonHint
                   & ~Qt::WindowContextHelpButtonHint);
    connect(this, &frmProgressWait::sigChangeValue,
            ui->progressWait1, &ProgressWait::onChangeValue);
    initForm();
    ui->labelText->setText(text);
    setAttribute(Qt::WA_TranslucentBackground);
    setWindowFlags(Qt::FramelessWindowHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint);
    setAttribute(Qt::WA_ShowModal);
    show();
}

frmProgressWait::~frmProgressWait()
{
    delete ui;
}

void frmProgressWait::initForm()
{
    ui->progressWait1->setShowPercent(false);
    ui->progressWait1->setBarStyle(ProgressWait::BarStyle_RoundCircle);
    ui->progressWait1->setForeground(Qt::darkGreen);
}

void frmProgressWait::onDone()
{
    // Gone from the screen at once, even if a modal loop delays the deletion.
    hide();
    deleteLater();
}

// The window has no frame: it is dragged by any point, with any button.
void frmProgressWait::mousePressEvent(QMouseEvent *event)
{
    dragOffset = event->globalPos() - pos();
}

void frmProgressWait::mouseMoveEvent(QMouseEvent *event)
{
    move(event->globalPos() - dragOffset);
}
