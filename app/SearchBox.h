// The search box under a searched view: a one-line edit with a search button on the left (the
// new-search icon, or the continue icon after a match) and a clear button on the right. Enter
// and F3 search, Escape hands the keyboard back. TSearchKeys gives the searched view Ctrl+F
// (to its box) and F3 (search again).
#pragma once

#include <QLineEdit>

#include <functional>

class IViewerHost;
class QAction;
class TTextEditor;

class TSearchBox : public QLineEdit {
public:
  TSearchBox(const QString& aName, QWidget* aParent);
  // After a match the button shows "continue"; any edit returns it to a new search.
  void SetFound(bool aFound);
  bool Found() const { return FFound; }
  std::function<void()> OnSearch;
  std::function<void()> OnEscape;

protected:
  void keyPressEvent(QKeyEvent* aEvent) override;

private:
  QAction* FSearch;
  bool FFound = false;
};

class TSearchKeys : public QObject {
public:
  // Owned by aView.
  TSearchKeys(QWidget* aView, TSearchBox* aBox);
  bool eventFilter(QObject*, QEvent* aEvent) override;

private:
  TSearchBox* FBox;
};

// The search of a text view's box: the next occurrence of the box's text from the caret on,
// case-insensitive. A match is selected and the box shows "continue"; no match says "Text
// not found" and puts the caret at the top, so the next search starts there. The host's
// status reads "Searching..." meanwhile.
void SearchTextView(IViewerHost& aHost, TSearchBox& aBox, TTextEditor& aView);
