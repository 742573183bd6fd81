// Draws a horizontal grid line under each row of an item view while grid lines are on (the
// "Grid Lines" option of the details list).
#pragma once

#include <QStyledItemDelegate>

class TGridDelegate : public QStyledItemDelegate {
public:
  using QStyledItemDelegate::QStyledItemDelegate;
  bool GridLines = false;
  void paint(QPainter* aPainter, const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const override;
};
