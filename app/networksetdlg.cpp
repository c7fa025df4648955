#include "networksetdlg.h"

#include "adapterlist.h"
#include "ui_networksetdlg.h"

NetworkSetDlg::NetworkSetDlg(const QString &current, QWidget *parent)
    : NetworkSetDlg(current, adapterCandidates(systemAdapters()), parent)
{
}

NetworkSetDlg::NetworkSetDlg(const QString &current, const QStringList &candidates, QWidget *parent)
    : QDialog(parent), ui(new Ui::NetworkSetDlg)
{
    ui->setupUi(this);
    ui->comboBox->addItems(candidates);
    ui->comboBox->setCurrentText(current);
    // With nothing to choose, OK means the same as Cancel.
    connect(ui->btn_ok, &QPushButton::clicked, this, [this] {
        if (ui->comboBox->currentText().isEmpty())
            reject();
        else
            accept();
    });
    connect(ui->btn_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

NetworkSetDlg::~NetworkSetDlg()
{
    delete ui;
}

QString NetworkSetDlg::selectedText() const
{
    return ui->comboBox->currentText();
}
