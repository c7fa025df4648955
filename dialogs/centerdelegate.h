#pragma once

// The table's default delegate: paints every cell centred.

#include <QStyledItemDelegate>

class CenterDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
};
