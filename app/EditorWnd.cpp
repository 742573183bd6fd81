#include "EditorWnd.h"

#include "Corvane.LayoutManager.Form.h"

#include "Corvane.Control.Icons.h"
#include "Corvane_Dialogs.h"
#include "EditorTexts.h"
#include "Encodings.h"
#include "FindReplaceDlg.h"
#include "QtText.h"
#include "TextEditor.h"
#include "XmlFormat.h"
#include "XmlHighlighter.h"
#include "XmlValidate.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QStatusBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <exception>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr int cDesignWidth = 878;
constexpr int cDesignHeight = 620;
constexpr int cToolPanelHeight = 37;
constexpr int cPanelWidths[3] = {300, 100, 50};

Twnd_quillon_Editor::TSaveAsHook& SaveAsHook() {
  static Twnd_quillon_Editor::TSaveAsHook hook;
  return hook;
}

TEditorModalHook& ModalHook() {
  static TEditorModalHook hook;
  return hook;
}

QString ErrorText(const std::exception& AError) {
  if (const auto* error = dynamic_cast<const EGeneralError*>(&AError)) return ToQString(error->Message());
  return QString::fromUtf8(AError.what());
}

// The busy cursor for the length of a long step, back to normal also after an error.
class TBusyCursor {
public:
  TBusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~TBusyCursor() { Release(); }
  void Release() {
    if (FActive) QApplication::restoreOverrideCursor();
    FActive = false;
  }
  TBusyCursor(const TBusyCursor&) = delete;
  TBusyCursor& operator=(const TBusyCursor&) = delete;

private:
  bool FActive = true;
};

void RunModal(Twnd_quillon_Editor& AWindow) {
  if (const TEditorModalHook& hook = ModalHook()) {
    AWindow.show();
    hook(AWindow);
    return;
  }
  AWindow.exec();
}

}  // namespace

void Twnd_quillon_Editor::SetSaveAsHook(TSaveAsHook AHook) { SaveAsHook() = std::move(AHook); }
void SetEditorModalHook(TEditorModalHook AHook) { ModalHook() = std::move(AHook); }

Twnd_quillon_Editor::Twnd_quillon_Editor(QWidget* AOwner) : QDialog(AOwner) {
  setObjectName(QStringLiteral("wnd_quillon_Editor"));
  setWindowTitle(ToQString(sEditorCaption));
  setWindowFlag(Qt::WindowMaximizeButtonHint, true);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  setSizeGripEnabled(false);
  CreateActions();
  CreateControls();
  // Position, size and state are kept between runs; the window starts with the main window's
  // store and read-only state, and its own stored read-only state wins at the first show.
  // Made before the design size is set: the window is centred over the main window when shown,
  // and its design size stays whole on a small screen.
  FLayout = new TLMForm(this);
  FLayout->SetLayoutControl(true);
  if (TLMForm* main = TLMForm::MainForm()) FLayout->SetLayoutReadOnly(main->LayoutReadOnly());
  resize(cDesignWidth, cDesignHeight);

  FEncoding.reset(TEncoding::UTF8());
  connect(QApplication::clipboard(), &QClipboard::dataChanged, this, [this] {
    RefreshCanPaste();
    SetControls();
  });
  RefreshCanPaste();
  EditorStatusChange();
  SetControls();
}

Twnd_quillon_Editor::~Twnd_quillon_Editor() {
  FLayout->FormDestroying();
  // Events the control still has queued must not reach a half-destroyed window.
  if (Editor) {
    Editor->OnChange = nullptr;
    Editor->OnStatusChange = nullptr;
    Editor->OnDropFiles = nullptr;
  }
}

// --- Actions and controls ------------------------------------------------------------------

void Twnd_quillon_Editor::CreateActions() {
  const TIconList& icons = TIconList::Shared();
  auto make = [&](const char* AName, const char* ACaption, int AIcon) {
    auto* action = new QAction(QString::fromLatin1(ACaption), this);
    action->setObjectName(QString::fromLatin1(AName));
    if (AIcon >= 0) action->setIcon(icons.Icon(AIcon));
    addAction(action);  // shortcuts work wherever the focus is in the window
    return action;
  };
  acSave = make("acSave", "Save", iiSave);
  acSave->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  acFormat = make("acFormat", "Format XML", iiFormat);
  acValidate = make("acValidate", "Validate XML", iiValidate);
  acClearPaste = make("acClearPaste", "Paste from clipboard", iiPaste);
  acExit = make("acExit", "Close", iiExit);
  acUndo = make("acUndo", "Undo", iiUndo);
  acRedo = make("acRedo", "Redo", iiRedo);
  acCopy = make("acCopy", "Copy", iiCopy);
  acCut = make("acCut", "Cut", iiCut);
  acPaste = make("acPaste", "Paste", iiPaste);
  acSelectAll = make("acSelectAll", "Select All", -1);
  acWordWrap = make("acWordWrap", "WordWrap", -1);
  acWordWrap->setCheckable(true);
  acWordWrap->setChecked(true);
  acFindReplace = make("acFindReplace", "Find and Replace...", iiFindReplace);
  acFindReplace->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
  acBrowse = make("acBrowse", "Browse", -1);
  for (QAction* action : actions()) action->setShortcutContext(Qt::WindowShortcut);

  connect(acSave, &QAction::triggered, this, [this] { Save(); });
  connect(acFormat, &QAction::triggered, this, &Twnd_quillon_Editor::acFormatExecute);
  connect(acValidate, &QAction::triggered, this, [this] { ValidateXML(Editor->Text(), true); });
  connect(acClearPaste, &QAction::triggered, this, &Twnd_quillon_Editor::acClearPasteExecute);
  connect(acExit, &QAction::triggered, this, &QWidget::close);
  connect(acUndo, &QAction::triggered, this, [this] { Editor->Undo(); });
  connect(acRedo, &QAction::triggered, this, [this] { Editor->Redo(); });
  connect(acCopy, &QAction::triggered, this, [this] { Editor->CopyToClipboard(); });
  connect(acCut, &QAction::triggered, this, [this] { Editor->CutToClipboard(); });
  connect(acPaste, &QAction::triggered, this, [this] { Editor->PasteFromClipboard(); });
  connect(acSelectAll, &QAction::triggered, this, [this] { Editor->SelectAll(); });
  // The check mark has already flipped when this runs; the control follows it.
  connect(acWordWrap, &QAction::triggered, this, [this] { Editor->SetWordWrap(!Editor->WordWrap()); });
  connect(acFindReplace, &QAction::triggered, this, &Twnd_quillon_Editor::acFindReplaceExecute);
  connect(acBrowse, &QAction::triggered, this, [this] { acBrowseExecute(); });
}

void Twnd_quillon_Editor::CreateControls() {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);

  auto* topPanel = new QWidget(this);
  topPanel->setObjectName(QStringLiteral("TopPanel"));
  topPanel->setFixedHeight(cToolPanelHeight);
  auto* topLayout = new QHBoxLayout(topPanel);
  topLayout->setContentsMargins(2, 0, 2, 0);
  ToolPanel = new QToolBar(topPanel);
  ToolPanel->setObjectName(QStringLiteral("ToolPanel"));
  ToolPanel->setIconSize(QSize(TIconList::cSize, TIconList::cSize));
  ToolPanel->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  ToolPanel->addAction(acSave);
  ToolPanel->addAction(acFormat);
  ToolPanel->addAction(acValidate);
  auto* spacer = new QWidget(ToolPanel);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  ToolPanel->addWidget(spacer);
  // Paste from clipboard and Close keep to the right edge.
  ToolPanel->addAction(acClearPaste);
  ToolPanel->addAction(acExit);
  const std::pair<QAction*, const char*> buttons[] = {
      {acSave, "bSave"}, {acFormat, "bFormat"}, {acValidate, "bValidate"}, {acClearPaste, "bPaste"}, {acExit, "bExit"}};
  for (const auto& [action, name] : buttons)
    if (QWidget* button = ToolPanel->widgetForAction(action)) button->setObjectName(QString::fromLatin1(name));
  topLayout->addWidget(ToolPanel);
  layout->addWidget(topPanel);

  Editor = new TTextEditor(this);
  Editor->setObjectName(QStringLiteral("Editor"));
  Editor->SetHighlighter(std::make_shared<TXmlHighlighter>());
  Editor->SetShowLineNumbers(true);
  Editor->SetWordWrap(true);
  Editor->SetAutoIndent(true);
  Editor->SetTabsToSpaces(true);
  Editor->OnChange = [this] { SetControls(); };
  Editor->OnStatusChange = [this] { EditorStatusChange(); };
  Editor->OnDropFiles = [this](const std::vector<std::u16string>& AFiles) { EditorDropFiles(AFiles); };
  // The control's own menu gives way to the window's: it lists the window's actions.
  Editor->installEventFilter(this);
  Editor->viewport()->installEventFilter(this);
  layout->addWidget(Editor, 1);

  sb = new QStatusBar(this);
  sb->setObjectName(QStringLiteral("sb"));
  sb->setSizeGripEnabled(true);
  for (int i = 0; i < 3; ++i) {
    FPanels[i] = new QLabel(sb);
    FPanels[i]->setFixedWidth(cPanelWidths[i]);
    sb->addWidget(FPanels[i]);
  }
  layout->addWidget(sb);

  PopupMenu = new QMenu(this);
  PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  PopupMenu->addAction(acFormat);
  PopupMenu->addAction(acValidate);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acSave);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acUndo);
  PopupMenu->addAction(acRedo);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acCopy);
  PopupMenu->addAction(acCut);
  PopupMenu->addAction(acPaste);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acSelectAll);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acWordWrap);
  PopupMenu->addSeparator();
  PopupMenu->addAction(acFindReplace);

  rd = new TFindReplaceDlg(this);
  rd->OnFind = [this] { rdFind(); };
  rd->OnReplace = [this](bool AAll) { rdReplace(AAll); };
}

// --- Starting -------------------------------------------------------------------------------

void Twnd_quillon_Editor::LoadFile(const QString& AFilename) {
  TBusyCursor busy;
  const std::u16string name = ToU16(AFilename);
  TEncodingRef declared = DeclaredEncodingOfFile(name);
  // Decoded by its mark, else as declared; the first bytes show the mark.
  TFileStream file(name, fmOpenRead);
  const int64_t size = file.Size();
  std::vector<uint8_t> head(static_cast<size_t>(std::min<int64_t>(size, 4)));
  if (!head.empty()) file.ReadBuffer(head.data(), static_cast<int64_t>(head.size()));
  int markLength = 0;
  const TEncodingRef decoding = FileBytesEncoding(head, declared.get(), markLength);
  if (decoding->Kind() == ekUTF8) {
    // The control holds UTF-8 itself: the file goes in piece by piece as it is read, so a big
    // file is neither held whole beside the control's copy nor cleared first to be read into.
    file.Seek(markLength, soBeginning);
    const size_t total = static_cast<size_t>(size - markLength);
    size_t left = total;
    std::string piece(std::min(total, size_t(1) << 24), '\0');
    FEncoding = std::move(declared);
    acClearPaste->setVisible(false);
    Editor->SetUtf8Text(total, [&]() -> std::string_view {
      const size_t n = std::min(left, piece.size());
      if (n == 0) return {};
      file.ReadBuffer(piece.data(), static_cast<int64_t>(n));
      left -= n;
      return std::string_view(piece.data(), n);
    });
  } else {
    // other encodings are decoded as a whole
    const std::vector<uint8_t> bytes = ReadFileBytes(name);
    FEncoding = std::move(declared);
    acClearPaste->setVisible(false);
    Editor->LoadFromBytes(bytes.data(), bytes.size(), decoding.get());
  }
  SetFilename(AFilename);
  EditorStatusChange();
  SetControls();
}

void Twnd_quillon_Editor::StartNewDocument() {
  acClearPaste->setVisible(true);
  FEncoding.reset(TEncoding::UTF8());
  Editor->SetText(sEditorNewDocument);
  Editor->SetModified(false);
  Editor->SetCaret(2, 1);
  EditorStatusChange();
  SetControls();
}

void Twnd_quillon_Editor::SetFilename(const QString& AFilename) {
  FFilename = AFilename;
  setWindowTitle(ToQString(EditorCaption(U16View(FFilename))));
}

void Twnd_quillon_Editor::showEvent(QShowEvent* AEvent) {
  QDialog::showEvent(AEvent);
  if (FCentred) return;
  FCentred = true;
  // Centred over the main window whatever place was stored; a stored maximized state stays.
  if (QWidget* owner = isMaximized() ? nullptr : parentWidget()) {
    const QRect area = owner->window()->frameGeometry();
    const QSize size = frameGeometry().size();
    move(area.left() + (area.width() - size.width()) / 2, area.top() + (area.height() - size.height()) / 2);
  }
}

void Twnd_quillon_Editor::changeEvent(QEvent* AEvent) {
  QDialog::changeEvent(AEvent);
  if (AEvent->type() == QEvent::ActivationChange && isActiveWindow()) {
    RefreshCanPaste();
    SetControls();
  }
}

// --- State shown to the user ----------------------------------------------------------------

void Twnd_quillon_Editor::RefreshCanPaste() { FCanPaste = Editor->CanPaste(); }

void Twnd_quillon_Editor::SetControls() {
  // The clipboard is asked when it changes, not on every keystroke: on some desktops asking
  // means a round trip to the program that owns it.
  acClearPaste->setEnabled(FCanPaste);
  acPaste->setEnabled(FCanPaste);
  const bool selection = Editor->SelAvail();
  acCopy->setEnabled(selection);
  acCut->setEnabled(selection);
  acUndo->setEnabled(Editor->CanUndo());
  acRedo->setEnabled(Editor->CanRedo());
  const bool modified = Editor->Modified();
  acSave->setEnabled(modified);
  FPanels[1]->setText(modified ? ToQString(sEditorModified) : QString());
}

void Twnd_quillon_Editor::EditorStatusChange() {
  FPanels[0]->setText(ToQString(EditorStatusLine(Editor->CaretLine(), Editor->CaretColumn(), Editor->CharCodeAtCaret(),
                                                 Editor->lines(), Editor->SelLength())));
  // Copy and Cut follow the selection, the "Modified" mark an undo back to the saved text.
  SetControls();
}

QString Twnd_quillon_Editor::StatusText(int APanel) const {
  return APanel >= 0 && APanel < 3 ? FPanels[APanel]->text() : QString();
}

void Twnd_quillon_Editor::FocusEditor() {
  activateWindow();
  Editor->setFocus();
}

// --- Checking and saving --------------------------------------------------------------------

bool Twnd_quillon_Editor::ValidateXML(std::u16string_view AText, bool AVerbose) {
  const TXMLValidation check = ::ValidateXML(AText, AVerbose);
  FTagCnt = check.TagCnt;
  FAttrCnt = check.AttrCnt;
  FPICnt = check.PICnt;
  if (check.CaretLine > 0) Editor->SetCaret(int(check.CaretLine), int(check.CaretColumn));
  if (!check.Valid)
    ErrorDlg(check.Message);
  else if (!check.Message.empty())
    InfoDlg(check.Message);
  FocusEditor();
  return check.Valid;
}

bool Twnd_quillon_Editor::acBrowseExecute() {
  QString chosen;
  const QString proposed = ToQString(sEditorUntitled);
  if (const TSaveAsHook& hook = SaveAsHook()) {
    chosen = hook(proposed);
  } else {
    QFileDialog dialog(this, QString(), proposed, QStringLiteral("XML (*.xml)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("xml"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog.setOption(QFileDialog::ReadOnly, false);
    dialog.setSizeGripEnabled(true);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
      chosen = dialog.selectedFiles().constFirst();
  }
  if (chosen.isEmpty()) return false;
  SetFilename(chosen);
  return true;
}

bool Twnd_quillon_Editor::Save() {
  bool saved = false;
  if (FFilename.isEmpty()) acBrowseExecute();
  if (!FFilename.isEmpty()) {
    const std::u16string text = Editor->Text();
    if (ValidateXML(text, false)) {
      const bool changed = Editor->Modified();
      try {
        TBusyCursor busy;
        // Written next to the target and renamed over it only when complete: a failure
        // leaves the old file as it was, and the text stays here, still modified.
        FEncoding = SaveEditorText(ToU16(FFilename), text);
        // Once changes were written the caller must reload, whatever later saves do.
        FModified = FModified || changed;
        Editor->SetModified(false);
        saved = true;
      } catch (const std::exception& E) {
        ErrorDlg(ErrorText(E));
      }
    }
  }
  SetControls();
  return saved;
}

bool Twnd_quillon_Editor::FormCloseQuery() {
  if (!Editor->Modified()) return true;
  switch (ConfirmCancelDlg(sEditorSaveChanges)) {
    case mrYes:
      return Save();
    case mrNo:
      return true;
    default:
      return false;
  }
}

void Twnd_quillon_Editor::closeEvent(QCloseEvent* AEvent) {
  if (!FormCloseQuery()) {
    AEvent->ignore();
    return;
  }
  rd->close();
  // Ends the modal loop; the base class would ask its own question through reject().
  QDialog::reject();
  AEvent->accept();
}

void Twnd_quillon_Editor::reject() {
  if (!FormCloseQuery()) return;
  rd->close();
  QDialog::reject();
}

// --- Commands -------------------------------------------------------------------------------

void Twnd_quillon_Editor::acFormatExecute() {
  if (!ConfirmDlg(sEditorFormatConfirm)) return;
  TBusyCursor busy;
  QString error;
  try {
    // The text is formatted aside and only then replaces the editor's: when the writer
    // refuses something (a comment holding "--", which the reader accepts), the user keeps
    // the text as it was instead of an empty editor.
    // The control's own UTF-8 is read in place, and UTF-8 output goes back in piece by
    // piece, each piece freed once the control holds it: a big text is neither decoded to
    // UTF-16 nor held whole twice.
    TBlockStream formatted;
    TEncodingRef encoding = FormatXMLUtf8(Editor->Utf8Text(), formatted);
    // Loading a big text with word wrap on would lay out every line at once.
    Editor->SetWordWrap(false);
    if (encoding->Kind() == ekUTF8) {
      Editor->SetUtf8Text(formatted.Length(), [&] { return formatted.TakeNext(); });
    } else {
      const std::vector<uint8_t> bytes = formatted.Join();
      formatted.Clear();
      Editor->SetText(encoding->GetString(bytes.data(), bytes.size()));
    }
    Editor->SetWordWrap(acWordWrap->isChecked());
    Editor->SetModified(true);
    FEncoding = std::move(encoding);
  } catch (const std::exception& E) {
    error = ErrorText(E);
  }
  busy.Release();
  FocusEditor();
  EditorStatusChange();
  SetControls();
  if (!error.isEmpty()) ErrorDlg(error);
}

void Twnd_quillon_Editor::acClearPasteExecute() {
  if (!ConfirmDlg(sEditorPasteConfirm)) return;
  const QString text = QApplication::clipboard()->text();
  Editor->SetText(U16View(text));
  FEncoding = DeclaredEncodingOfText(U16View(text));
  Editor->SetModified(true);
  EditorStatusChange();
  SetControls();
}

void Twnd_quillon_Editor::EditorDropFiles(const std::vector<std::u16string>& AFiles) {
  if (AFiles.empty() || !ConfirmDlg(sEditorLoadDropped)) return;
  try {
    TEncodingRef used;
    const std::u16string text = DecodeFileText(AFiles.front(), nullptr, used);
    Editor->SetText(text);
    // The name and the encoding stay: a save writes the edited file, so the text counts as
    // a change to it.
    Editor->SetModified(true);
  } catch (const std::exception& E) {
    ErrorDlg(ErrorText(E));
  }
  EditorStatusChange();
  SetControls();
}

void Twnd_quillon_Editor::PopupMenuPopup(const QPoint& AGlobalPos) {
  RefreshCanPaste();
  SetControls();
  PopupMenu->popup(AGlobalPos);
}

bool Twnd_quillon_Editor::eventFilter(QObject* AObject, QEvent* AEvent) {
  if (AEvent->type() == QEvent::ContextMenu && (AObject == Editor || AObject == Editor->viewport())) {
    PopupMenuPopup(static_cast<QContextMenuEvent*>(AEvent)->globalPos());
    return true;
  }
  return QDialog::eventFilter(AObject, AEvent);
}

// --- Find and replace -----------------------------------------------------------------------

void Twnd_quillon_Editor::acFindReplaceExecute() {
  // Opens looking upwards, for the word under the caret.
  rd->SetDown(false);
  rd->SetFindText(ToQString(Editor->WordAtCaret()));
  rd->Execute();
}

void Twnd_quillon_Editor::rdFind() {
  TSearchOptions options = rd->Down() ? 0u : unsigned(soBackwards);
  if (rd->MatchCase()) options |= soMatchCase;
  if (rd->WholeWord()) options |= soWholeWord;
  const QString find = rd->FindText();
  if (Editor->SearchReplace(U16View(find), {}, options) == 0) InfoDlg(sEditorTextNotFound);
  FocusEditor();
}

void Twnd_quillon_Editor::rdReplace(bool AAll) {
  TSearchOptions options = soReplace;
  if (AAll) options |= soReplaceAll;
  if (rd->MatchCase()) options |= soMatchCase;
  if (rd->WholeWord()) options |= soWholeWord;
  const QString find = rd->FindText(), replace = rd->ReplaceText();
  if (Editor->SearchReplace(U16View(find), U16View(replace), options) == 0) InfoDlg(sEditorTextNotFound);
  FocusEditor();
  SetControls();
}

// --- Entry operations -----------------------------------------------------------------------

bool EditXMLFile(const QString& AFilename, const QString& AEncodingName, QWidget* AOwner) {
  Q_UNUSED(AEncodingName);  // the editor reads the encoding from the file itself
  Twnd_quillon_Editor window(AOwner);
  try {
    window.LoadFile(AFilename);
  } catch (const std::exception& E) {
    ErrorDlg(ErrorText(E));
    return false;
  }
  RunModal(window);
  return window.ContentChanged();
}

bool NewXMLFile(QString& AFilename, QWidget* AOwner) {
  Twnd_quillon_Editor window(AOwner);
  window.StartNewDocument();
  RunModal(window);
  AFilename = window.Filename();
  return window.ContentChanged();
}
