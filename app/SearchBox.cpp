#include "SearchBox.h"

#include <QAction>
#include <QKeyEvent>

#include "Corvane.Control.Icons.h"
#include "Corvane_Dialogs.h"
#include "QtText.h"
#include "TextEditor.h"
#include "ViewerHost.h"

TSearchBox::TSearchBox(const QString& aName, QWidget* aParent) : QLineEdit(aParent) {
  setObjectName(aName);
  setPlaceholderText(QStringLiteral("Enter text to find"));
  setToolTip(QStringLiteral("Enter text to find"));
  FSearch = addAction(TIconList::Shared().Icon(iiSearch), QLineEdit::LeadingPosition);
  FSearch->setToolTip(QStringLiteral("Search"));
  QAction* clear = addAction(TIconList::Shared().Icon(iiClear), QLineEdit::TrailingPosition);
  clear->setToolTip(QStringLiteral("Clear"));
  connect(clear, &QAction::triggered, this, [this] { this->clear(); });
  connect(FSearch, &QAction::triggered, this, [this] {
    if (OnSearch) OnSearch();
  });
  connect(this, &QLineEdit::textChanged, this, [this] { SetFound(false); });
}

void TSearchBox::SetFound(bool aFound) {
  FFound = aFound;
  FSearch->setIcon(TIconList::Shared().Icon(aFound ? iiSearchNext : iiSearch));
}

void TSearchBox::keyPressEvent(QKeyEvent* aEvent) {
  if (aEvent->modifiers() == Qt::NoModifier || aEvent->modifiers() == Qt::KeypadModifier) {
    if (aEvent->key() == Qt::Key_Return || aEvent->key() == Qt::Key_Enter || aEvent->key() == Qt::Key_F3) {
      if (OnSearch) OnSearch();
      return;
    }
    if (aEvent->key() == Qt::Key_Escape) {
      if (OnEscape) OnEscape();
      return;
    }
  }
  QLineEdit::keyPressEvent(aEvent);
}

TSearchKeys::TSearchKeys(QWidget* aView, TSearchBox* aBox) : QObject(aView), FBox(aBox) {
  aView->installEventFilter(this);
}

bool TSearchKeys::eventFilter(QObject*, QEvent* aEvent) {
  if (aEvent->type() != QEvent::KeyPress) return false;
  auto* key = static_cast<QKeyEvent*>(aEvent);
  if (key->key() == Qt::Key_F && key->modifiers() == Qt::ControlModifier) {
    FBox->setFocus();
    FBox->selectAll();
    return true;
  }
  if (key->key() == Qt::Key_F3 && key->modifiers() == Qt::NoModifier && FBox->OnSearch) {
    FBox->OnSearch();
    return true;
  }
  return false;
}

void SearchTextView(IViewerHost& aHost, TSearchBox& aBox, TTextEditor& aView) {
  aHost.SetStatus(QStringLiteral("Searching..."));
  if (aView.SearchReplace(ToU16(aBox.text()), u"", 0) > 0) {
    aBox.SetFound(true);
  } else {
    InfoDlg(QStringLiteral("Text not found"));
    aView.SetCaret(1, 1);
    aBox.SetFound(false);
    aBox.selectAll();
    aBox.setFocus();
    aView.setFocus();
  }
  aHost.SetStatus(QStringLiteral("Ready"));
}
