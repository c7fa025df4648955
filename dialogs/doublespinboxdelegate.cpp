#include "doublespinboxdelegate.h"

#include <QDoubleSpinBox>

DoubleSpinBoxDelegate::DoubleSpinBoxDelegate(QObject *parent)
    : QItemDelegate(parent)
{
    setRange(0.0, 100.0);
}

void DoubleSpinBoxDelegate::setRange(double minimum, double maximum)
{
    min = minimum;
    max = maximum;
}

QWidget *DoubleSpinBoxDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &,
                                             const QModelIndex &) const
{
    auto *editor = new QDoubleSpinBox(parent);
    editor->setMinimum(min);
    editor->setMaximum(max);
    editor->setDecimals(3);
    editor->setSingleStep(0.1);
    return editor;
}

void DoubleSpinBoxDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    auto *box = static_cast<QDoubleSpinBox *>(editor);
    box->setValue(index.model()->data(index, Qt::EditRole).toDouble());
}

void DoubleSpinBoxDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                         const QModelIndex &index) const
{
    auto *box = static_cast<QDoubleSpinBox *>(editor);
    // A value typed but not confirmed with Enter is still in the text only.
    box->interpretText();
    model->setData(index, box->value(), Qt::EditRole);
}

void DoubleSpinBoxDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                                 const QModelIndex &) const
{
    editor->setGeometry(option.rect);
}
