#include "centerdelegate.h"

void CenterDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                           const QModelIndex &index) const
{
    QStyleOptionViewItem centred(option);
    centred.displayAlignment = Qt::AlignCenter;
    QStyledItemDelegate::paint(painter, centred, index);
}
