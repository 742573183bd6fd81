#include "GridDelegate.h"

#include <QPainter>

namespace {
const QColor cGridColor(0xD8, 0xD8, 0xD8);
}

void TGridDelegate::paint(QPainter* aPainter, const QStyleOptionViewItem& aOption, const QModelIndex& aIndex) const {
  QStyledItemDelegate::paint(aPainter, aOption, aIndex);
  if (!GridLines) return;
  aPainter->save();
  aPainter->setPen(cGridColor);
  aPainter->drawLine(aOption.rect.bottomLeft(), aOption.rect.bottomRight());
  aPainter->restore();
}
