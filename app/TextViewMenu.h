// The context menu of the document window's text views: "Gutter", "Word Wrap", "Special
// Chars", "Select All", "Copy to Clipboard". One menu serves every text view of the window
// and acts on the current view, which the owner names (the view of the active card, or none);
// with no current view every action does nothing.
#pragma once

#include <QMenu>

#include <functional>

class TTextEditor;

class TTextViewMenu : public QMenu {
public:
  TTextViewMenu(std::function<TTextEditor*()> aCurrentView, QWidget* aParent);
  // Right-clicking aView opens this menu.
  void Attach(TTextEditor* aView);

private:
  std::function<TTextEditor*()> FCurrentView;
  QAction* acGutter;
  QAction* acWordWrap;
  // One mark for all views, not refreshed on opening: choosing it applies the mark to the
  // current view.
  QAction* acSpecialChars;
  QAction* acCopyText;
};
