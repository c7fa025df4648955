#include "aligncentertablemodel.h"

AlignCenterTableModel::AlignCenterTableModel(QObject *parent)
    : QStandardItemModel(parent)
{
}

QVariant AlignCenterTableModel::data(const QModelIndex &index, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QStandardItemModel::data(index, role);
}
