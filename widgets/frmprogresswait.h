#ifndef FRMPROGRESSWAIT_H
#define FRMPROGRESSWAIT_H

#include <QPoint>
#include <QString>
#include <QWidget>

class QMouseEvent;

namespace Ui {
class frmProgressWait;
}

// Small frameless, application-modal window with a busy indicator and one
// line of text. It shows itself on construction; the caller releases it with
// deleteLater() (or onDone()) once its blocking operation has finished.
class frmProgressWait : public QWidget
{
    Q_OBJECT

public:
    explicit frmProgressWait(QString text, QWidget *parent = nullptr);
    ~frmProgressWait() override;

signals:
    void sigChangeValue(int value);
    void sigDone();

public slots:
    void onDone();

private slots:
    void initForm();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    Ui::frmProgressWait *ui;
    QPoint dragOffset;
};

#endif // FRMPROGRESSWAIT_H
