// The document window: one XML file shown in three cards (Tree, Source, Content) chosen with
// the tab strip at its bottom, over a status bar. The window loads the document and composes
// the cards; each card is its own class and reaches the window only through IViewerHost. The
// main window puts it into a QMdiSubWindow and drives it through the public members below.
#pragma once

#include <QDateTime>
#include <QString>
#include <QWidget>

#include <memory>

#include "QuillonOptions.h"
#include "ViewerHost.h"

class QLabel;
class QPrinter;
class QProgressBar;
class QStackedWidget;
class QTabBar;
class TTextEditor;
class TViewerContentCard;
class TViewerSourceCard;
class TLMForm;
class TViewerTreeCard;

class Tmdi_quillon_Viewer : public QWidget, private IViewerHost {
  Q_OBJECT
public:
  // AOptions: the main window's options, read whenever needed (never null; outlives the viewer).
  explicit Tmdi_quillon_Viewer(const TQuillonOptions* AOptions, QWidget* AParent = nullptr);
  ~Tmdi_quillon_Viewer() override;

  QString Filename() const;
  // Makes the name absolute and loads the file, synchronously, with the busy cursor and a
  // progress bar in the status bar.
  void SetFilename(const QString& AFilename);
  void Reread();                   // SetFilename(Filename())
  void RefreshMod();               // take the file's current last-write time without reloading
  QDateTime Modified() const;      // last-write time at the last load or RefreshMod
  void RefreshView();              // apply "Attributes in Tree" and "Value Column"
  void SetGridLines(bool AOn);     // horizontal grid lines on the tree and the details list
  void SetTreeLines(bool AOn);     // tree lines on the tree
  void MarkSourceStale();          // "Format Source" changed: rebuild the Source view when next shown
  QString Encoding() const;        // FEncoding
  // The change check: unless a modal window or a message box is open, and if the file still
  // exists and its last-write time differs from Modified() by one millisecond or more, asks
  // whether to reload: Yes reloads, No takes the new time.
  void CheckFileChanged();
  // Layout persistence: whether this window's layout is saved (at the end of a resize and
  // when it closes).
  bool LayoutReadOnly() const;
  void SetLayoutReadOnly(bool AValue);
  TLMForm& LayoutForm() const { return *FLayout; }

  // The shown card prints itself on APrinter, which the caller has set up (its dialog
  // accepted). Errors raise.
  void Print(QPrinter& APrinter);
  // The node tree written to AFilename (created or replaced only when complete); errors
  // raise. ExportToJSON writes nothing and returns false when there is no document element.
  void ExportToCSV(const QString& AFilename);
  bool ExportToJSON(const QString& AFilename);

  // The cards, for the tests.
  TViewerSourceCard* SourceCard() const { return FSourceCard; }
  TViewerContentCard* ContentCard() const { return FContentCard; }

signals:
  void CaptionChanged(const QString& ACaption);

private:
  enum { cdTree = 0, cdSource = 1, cdContent = 2 };  // cards of pc and buttons of obTab

  // IViewerHost
  TXMLDocument& Document() override { return *FDoc; }
  const TQuillonOptions& Options() const override { return *FOptions; }
  void SetStatus(const QString& AText) override;
  TTextViewMenu& TextMenu() override { return *FTextMenu; }

  // The text view of the active card that the text view menu acts on.
  TTextEditor* CurrentTextView() const;
  void BuildStatusBar();
  void ResetCards();
  void CardChanged(int aCard);

  const TQuillonOptions* FOptions;
  TLMForm* FLayout;
  std::unique_ptr<TXMLDocument> FDoc;
  TTextViewMenu* FTextMenu;
  QStackedWidget* pc;
  QTabBar* obTab;
  TViewerTreeCard* FTreeCard;
  TViewerSourceCard* FSourceCard;
  TViewerContentCard* FContentCard;
  QLabel* sbStatus = nullptr;
  QProgressBar* sbProgress = nullptr;
  QLabel* sbPath = nullptr;
  bool FChecking = false;
};
