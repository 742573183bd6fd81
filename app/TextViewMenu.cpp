#include "TextViewMenu.h"

#include "TextEditor.h"

TTextViewMenu::TTextViewMenu(std::function<TTextEditor*()> aCurrentView, QWidget* aParent)
    : QMenu(aParent), FCurrentView(std::move(aCurrentView)) {
  setObjectName(QStringLiteral("TextMenu"));
  acGutter = addAction(QStringLiteral("Gutter"));
  acGutter->setCheckable(true);
  acGutter->setChecked(true);
  acWordWrap = addAction(QStringLiteral("Word Wrap"));
  acWordWrap->setCheckable(true);
  acWordWrap->setChecked(true);
  acSpecialChars = addAction(QStringLiteral("Special Chars"));
  acSpecialChars->setCheckable(true);
  addSeparator();
  QAction* selectAll = addAction(QStringLiteral("Select All"));
  acCopyText = addAction(QStringLiteral("Copy to Clipboard"));
  connect(this, &QMenu::aboutToShow, this, [this] {
    if (TTextEditor* view = FCurrentView()) {
      acGutter->setChecked(view->GutterVisible());
      acWordWrap->setChecked(view->WordWrap());
      acCopyText->setEnabled(view->SelAvail());
    } else {
      acCopyText->setEnabled(false);
    }
  });
  connect(acGutter, &QAction::triggered, this, [this] {
    if (TTextEditor* view = FCurrentView()) view->SetGutterVisible(!view->GutterVisible());
  });
  connect(acWordWrap, &QAction::triggered, this, [this] {
    if (TTextEditor* view = FCurrentView()) view->SetWordWrap(!view->WordWrap());
  });
  connect(acSpecialChars, &QAction::triggered, this, [this] {
    if (TTextEditor* view = FCurrentView()) view->SetSpecialChars(acSpecialChars->isChecked());
  });
  connect(selectAll, &QAction::triggered, this, [this] {
    if (TTextEditor* view = FCurrentView()) view->SelectAll();
  });
  connect(acCopyText, &QAction::triggered, this, [this] {
    if (TTextEditor* view = FCurrentView()) view->CopyToClipboard();
  });
}

void TTextViewMenu::Attach(TTextEditor* aView) {
  aView->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(aView, &QWidget::customContextMenuRequested, this,
          [this, aView](const QPoint& aPos) { popup(aView->mapToGlobal(aPos)); });
}
