// Shows an item view's full cell text as a tooltip, only when the cell cuts it.
#pragma once

#include <QObject>

class QAbstractItemView;

class TCutTipFilter : public QObject {
public:
  // Owned by aView.
  explicit TCutTipFilter(QAbstractItemView* aView);
  bool eventFilter(QObject*, QEvent* aEvent) override;

private:
  QAbstractItemView* FView;
};
