// The XML editor: a modal window in which the user writes a new document or edits the file of
// the active document window as text, formats it, checks it and saves it in the encoding its
// declaration names. It refuses to write text that is not well-formed, and it never drops the
// user's text: not on a failed save, not on a formatting error, not when it is closed.
#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "EditorEncoding.h"

class QAction;
class QLabel;
class QMenu;
class QStatusBar;
class QToolBar;
class QWidget;
class TFindReplaceDlg;
class TLMForm;
class TTextEditor;

class Twnd_quillon_Editor : public QDialog {
  Q_OBJECT
public:
  // AOwner: the main window; the editor opens centred over it.
  explicit Twnd_quillon_Editor(QWidget* AOwner = nullptr);
  ~Twnd_quillon_Editor() override;

  // The two ways the window starts. LoadFile reads the file in the encoding its declaration
  // names and raises when it cannot be read, before the window has changed.
  void LoadFile(const QString& AFilename);
  void StartNewDocument();

  QString Filename() const { return FFilename; }
  // Also sets the caption to "XML Editor - [name]".
  void SetFilename(const QString& AFilename);
  // True once changed text was written, what the entry operations return.
  bool ContentChanged() const { return FModified; }
  // The encoding the text was loaded with and is saved in; null for a declared name the
  // alias table does not list.
  const TEncoding* Encoding() const { return FEncoding.get(); }

  // Checks the text, then writes it to Filename (asking for a name first when there is none)
  // in the encoding its declaration names. False when nothing was written; the text then
  // stays as it was and modified.
  bool Save();
  // Escape closes like the Close button: through the question.
  void reject() override;
  // Enabled states of the editing actions, and the "Modified" mark.
  void SetControls();
  // Strict well-formedness check of AText; a failure is shown and moves the caret to the
  // error. AVerbose also shows the success message with the counts.
  bool ValidateXML(std::u16string_view AText, bool AVerbose);
  int32_t TagCount() const { return FTagCnt; }
  int32_t AttrCount() const { return FAttrCnt; }
  int32_t PICount() const { return FPICnt; }

  // The text of a status bar panel (0 caret line, 1 the modified mark, 2 empty).
  QString StatusText(int APanel) const;

  TTextEditor* Editor = nullptr;
  QToolBar* ToolPanel = nullptr;
  QStatusBar* sb = nullptr;
  QMenu* PopupMenu = nullptr;
  TFindReplaceDlg* rd = nullptr;

  TLMForm& LayoutForm() const { return *FLayout; }

  QAction* acSave = nullptr;
  QAction* acFormat = nullptr;
  QAction* acValidate = nullptr;
  QAction* acClearPaste = nullptr;
  QAction* acExit = nullptr;
  QAction* acUndo = nullptr;
  QAction* acRedo = nullptr;
  QAction* acCopy = nullptr;
  QAction* acCut = nullptr;
  QAction* acPaste = nullptr;
  QAction* acSelectAll = nullptr;
  QAction* acWordWrap = nullptr;
  QAction* acFindReplace = nullptr;
  QAction* acBrowse = nullptr;

  // Replaces the save-as dialog, for tests and scripted runs: gets the proposed name and
  // returns the chosen one, empty for a cancel. An empty hook restores the dialog.
  using TSaveAsHook = std::function<QString(const QString& AProposedName)>;
  static void SetSaveAsHook(TSaveAsHook AHook);

protected:
  void showEvent(QShowEvent* AEvent) override;
  void closeEvent(QCloseEvent* AEvent) override;
  void changeEvent(QEvent* AEvent) override;
  bool eventFilter(QObject* AObject, QEvent* AEvent) override;
private:
  void CreateActions();
  void CreateControls();
  bool FormCloseQuery();
  void EditorStatusChange();
  void EditorDropFiles(const std::vector<std::u16string>& AFiles);
  void PopupMenuPopup(const QPoint& AGlobalPos);
  void acFormatExecute();
  void acClearPasteExecute();
  void acFindReplaceExecute();
  bool acBrowseExecute();
  void rdFind();
  void rdReplace(bool AAll);
  void RefreshCanPaste();
  void FocusEditor();

  QString FFilename;
  bool FModified = false;
  TEncodingRef FEncoding;
  int32_t FTagCnt = 0;
  int32_t FAttrCnt = 0;
  int32_t FPICnt = 0;
  bool FCanPaste = false;  // the clipboard holds text; asked only when it changes
  bool FCentred = false;
  TLMForm* FLayout = nullptr;
  QLabel* FPanels[3] = {};
};

// Entry operations; both run the window modally over AOwner and return when it has closed.
// EditXMLFile edits an existing file (its encoding comes from the file itself; AEncodingName
// is not used) and returns true when changed text was saved; a file that cannot be read is
// reported before any window opens, and the result is false. NewXMLFile edits a new
// document and returns true when it was saved, with its name in AFilename (empty otherwise).
bool EditXMLFile(const QString& AFilename, const QString& AEncodingName, QWidget* AOwner);
bool NewXMLFile(QString& AFilename, QWidget* AOwner);

// Replaces the modal loop of the entry operations, for tests and scripted runs: the hook gets
// the shown window, drives it and closes it (or leaves it open; it is destroyed either way).
// An empty hook restores the modal loop.
using TEditorModalHook = std::function<void(Twnd_quillon_Editor& AWindow)>;
void SetEditorModalHook(TEditorModalHook AHook);
