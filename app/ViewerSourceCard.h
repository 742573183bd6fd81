// The Source card of the document window: the file as XML-coloured, read-only text (re-indented
// when "Format Source" is on, else as stored) with its search box and a status bar of three
// panels: the encoding, the caret line and the line count. Nothing of it is made until the
// card is first shown, and the text is built once per load (or "Format Source" change).
#pragma once

#include <QWidget>

class IViewerHost;
class QLabel;
class QPrinter;
class QStatusBar;
class TSearchBox;
class TTextEditor;

class TViewerSourceCard : public QWidget {
public:
  TViewerSourceCard(IViewerHost& aHost, QWidget* aParent);

  // The card became the shown one: builds the text when it is not built.
  void ShowCard();
  // A load: the text goes and is built again when next shown.
  void Reset();
  // "Format Source" changed: built again when next shown (a shown card keeps its text).
  void MarkStale() { FBuilt = false; }
  bool Built() const { return FBuilt; }
  // The text view; null until the card was first shown.
  TTextEditor* Memo() const { return FMemo; }
  // Prints the text with line numbers and colours, the job named after the file.
  void Print(QPrinter& aPrinter);

private:
  void CreateControls();
  void Build();
  void UpdateCaretPanel();

  IViewerHost& FHost;
  bool FBuilt = false;
  TTextEditor* FMemo = nullptr;
  TSearchBox* FSearch = nullptr;
  QStatusBar* msb = nullptr;
  QLabel* FEncodingPanel = nullptr;
  QLabel* FCaretPanel = nullptr;
  QLabel* FSizePanel = nullptr;
};
