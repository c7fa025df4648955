#pragma once

// Lets the operator pick the network adapter the discovery broadcast goes
// out through.

#include <QDialog>
#include <QString>
#include <QStringList>

namespace Ui {
class NetworkSetDlg;
}

class NetworkSetDlg : public QDialog
{
    Q_OBJECT
public:
    // Offers the machine's usable adapters; current is preselected when listed.
    explicit NetworkSetDlg(const QString &current, QWidget *parent = nullptr);
    // Offers the given candidate entries instead.
    NetworkSetDlg(const QString &current, const QStringList &candidates, QWidget *parent = nullptr);
    ~NetworkSetDlg() override;

    // The chosen "address(name)" entry; meaningful after an accepted exec().
    QString selectedText() const;

private:
    Ui::NetworkSetDlg *ui;
};
