#include "CutTipFilter.h"

#include <QAbstractItemView>
#include <QHelpEvent>
#include <QToolTip>

TCutTipFilter::TCutTipFilter(QAbstractItemView* aView) : QObject(aView), FView(aView) {
  aView->viewport()->installEventFilter(this);
}

bool TCutTipFilter::eventFilter(QObject*, QEvent* aEvent) {
  if (aEvent->type() != QEvent::ToolTip) return false;
  auto* help = static_cast<QHelpEvent*>(aEvent);
  const QModelIndex index = FView->indexAt(help->pos());
  const QString text = index.data(Qt::DisplayRole).toString();
  QRect rect = FView->visualRect(index);
  int room = rect.width() - 8;
  if (!index.data(Qt::DecorationRole).isNull()) room -= 20;
  if (index.isValid() && !text.isEmpty() && FView->fontMetrics().horizontalAdvance(text) > room)
    QToolTip::showText(help->globalPos(), text, FView->viewport(), rect);
  else
    QToolTip::hideText();
  return true;
}
