#pragma once

#include <QDialog>

namespace Ui {
class AboutDialog;
}

// The software's name and version; closed with the window's close button.
class AboutDialog : public QDialog
{
    Q_OBJECT
public:
    explicit AboutDialog(QWidget *parent = nullptr);
    ~AboutDialog() override;

private:
    Ui::AboutDialog *ui;
};
