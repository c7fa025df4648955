#pragma once

// The sequence table's model: every cell, empty ones included, is centred.

#include <QStandardItemModel>

class AlignCenterTableModel : public QStandardItemModel
{
    Q_OBJECT
public:
    explicit AlignCenterTableModel(QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
};
