#include "TextEditor.h"

#include <Qsci/qsciprinter.h>

#include <algorithm>

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QClipboard>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFontDatabase>
#include <QMimeData>
#include <QMouseEvent>
#include <QUrl>

#include "QtText.h"
#include "WideSupport.h"
#include "XmlLexer.h"

namespace {

QColor ToQColor(TColor aColor) { return QColor((aColor >> 16) & 255, (aColor >> 8) & 255, aColor & 255); }

int Digits(int aNumber) {
  int d = 1;
  while (aNumber >= 10) {
    aNumber /= 10;
    ++d;
  }
  return d;
}

// The control keeps the text and its styles in two buffers, each with a gap where the last
// change was; after a load that is the end, while the caret starts at the top. The first key
// typed there would move both buffers whole to open the gaps at the caret (more than 20 ms on
// a text of 100 MB). A change that leaves the text as it was moves them while loading, where
// that time is lost in the rest.
void MoveGapsToTop(QsciScintillaBase& aControl) {
  if (aControl.SendScintilla(QsciScintillaBase::SCI_GETLENGTH) == 0) return;
  aControl.SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, 0UL, " ");
  aControl.SendScintilla(QsciScintillaBase::SCI_DELETERANGE, 0UL, 1L);
}

// QScintilla's own accessible text interface counts the characters from the start of the
// text on every caret move, which makes each scroll of a big file take a second. While no
// assistive technology listens a plain widget interface serves; with one active, QScintilla's
// full interface is used.
QAccessibleInterface* LightAccessible(const QString&, QObject* aObject) {
  if (QAccessible::isActive()) return nullptr;
  if (auto* editor = qobject_cast<TTextEditor*>(aObject)) return new QAccessibleWidget(editor, QAccessible::EditableText);
  return nullptr;
}

}  // namespace

TTextEditor::TTextEditor(QWidget* aParent) : QsciScintilla(aParent) {
  // Installed after QScintilla's own factory (its first control installs it), so it is asked first.
  static const bool installed = (QAccessible::installFactory(LightAccessible), true);
  (void)installed;
  setUtf8(true);
  // Lines typed by the user end like the lines the program writes.
  setEolMode(EolWindows);
  QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  setFont(font);
  setMarginsFont(font);
  setMarginWidth(1, 0);
  setMarginWidth(2, 0);
  SendScintilla(SCI_SETSCROLLWIDTH, 1);
  SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1);
  setTabWidth(8);
  // Colouring runs from the top down, so a jump to the end of a big text would first colour
  // every line above it: the text shows at once and is coloured from idle time instead.
  SendScintilla(SCI_SETIDLESTYLING, long(SC_IDLESTYLING_TOVISIBLE));
  // Measuring a line through the toolkit's text layout is the dearest part of a paint. Each
  // line on screen keeps its layout, so that a key typed repaints without measuring the
  // others again (with word wrap on, a change repaints the whole view).
  SendScintilla(SCI_SETLAYOUTCACHE, long(SC_CACHE_PAGE));

  // QScintilla answers every insertion and deletion notice with an accessibility event whose
  // offset it finds by counting the characters from the start of the text, so each keystroke
  // near the end of a big file would cost a scan of it. While no assistive technology
  // listens, only the notices sent before a change pass: they carry the change signal, and
  // the notice for every line state the lexer writes is spared too.
  if (!QAccessible::isActive())
    SendScintilla(SCI_SETMODEVENTMASK, long(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
  // The signal comes before the text changes and several times for one edit: the owner hears
  // of it once, after the edit, when control is back in the event loop.
  connect(this, &QsciScintillaBase::SCEN_CHANGE, this, [this] {
    if (FChangePending) return;
    FChangePending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
          FChangePending = false;
          UpdateGutter();
          if (OnChange) OnChange();
        },
        Qt::QueuedConnection);
  });
  auto status = [this] {
    if (OnStatusChange) OnStatusChange();
  };
  connect(this, &QsciScintilla::cursorPositionChanged, this, status);
  connect(this, &QsciScintilla::selectionChanged, this, status);
  connect(this, &QsciScintilla::modificationChanged, this, status);
  connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int) { UpdateGutterTexts(); });

  ApplyColours();
  UpdateGutter();
}

TTextEditor::~TTextEditor() {
  if (FLexer) {
    setLexer(nullptr);
    delete FLexer;
  }
}

// ---- colouring ---------------------------------------------------------------------------

void TTextEditor::SetHighlighter(std::shared_ptr<TXmlHighlighter> aHighlighter) {
  TXmlLexer* old = FLexer;
  FLexer = aHighlighter ? new TXmlLexer(std::move(aHighlighter), this) : nullptr;
  ApplyColours();  // the lexer takes its colours before Scintilla reads them
  setLexer(FLexer);
  delete old;
  ApplyColours();
  UpdateGutter();
}

std::shared_ptr<TXmlHighlighter> TTextEditor::Highlighter() const {
  return FLexer ? FLexer->Highlighter() : nullptr;
}

void TTextEditor::RefreshHighlighter() {
  // Token kinds keep their style numbers; only the looks of the styles change.
  ApplyColours();
}

void TTextEditor::ApplyColours() {
  const QColor paper = FBackgroundColor == clNone ? QColor(Qt::white) : ToQColor(FBackgroundColor);
  const QColor text(Qt::black);
  const QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  if (FLexer) {
    FLexer->ApplyAttributes(font, text, paper);
  } else {
    setPaper(paper);
    setColor(text);
    // Without a lexer every style follows the default one.
    SendScintilla(SCI_STYLESETBACK, STYLE_DEFAULT, paper);
    SendScintilla(SCI_STYLESETFORE, STYLE_DEFAULT, text);
    SendScintilla(SCI_STYLECLEARALL);
  }
  ApplyCutNoteStyle();
  setMarginsBackgroundColor(QColor(0xF0, 0xF0, 0xF0));
  setMarginsForegroundColor(QColor(0x60, 0x60, 0x60));
  setMarginsFont(font);
  SetCaretLineColor(FCaretLineColor);
}

void TTextEditor::SetBackgroundColor(TColor aColor) {
  FBackgroundColor = aColor;
  ApplyColours();
}

void TTextEditor::SetCaretLineColor(TColor aColor) {
  FCaretLineColor = aColor;
  setCaretLineVisible(aColor != clNone);
  // The Source view marks the caret line also while another pane has the focus.
  SendScintilla(SCI_SETCARETLINEVISIBLEALWAYS, 1L);
  if (aColor != clNone) setCaretLineBackgroundColor(ToQColor(aColor));
}

// ---- text and lines ----------------------------------------------------------------------

bool TTextEditor::ReadOnly() const { return isReadOnly(); }
void TTextEditor::SetReadOnly(bool aValue) {
  if (!aValue && !FCuts.empty()) {  // an editable view shows its lines whole
    const std::string whole(Utf8Text());
    setReadOnly(false);
    SetUtf8Text(whole.data(), whole.size());
    return;
  }
  setReadOnly(aValue);
}

std::u16string TTextEditor::RangeText(long aFrom, long aTo) const {
  if (aTo <= aFrom) return {};
  const char* p = reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, aFrom, aTo - aFrom));
  return p ? Utf8ToUtf16(std::string_view(p, size_t(aTo - aFrom))) : std::u16string();
}

std::u16string TTextEditor::Text() const {
  return FCuts.empty() ? RangeText(0, SendScintilla(SCI_GETLENGTH)) : Utf8ToUtf16(WholeText());
}

void TTextEditor::ReplaceAllText(size_t aSizeHint, const std::function<void()>& aAppend) {
  const bool readOnly = isReadOnly();
  if (readOnly) SendScintilla(SCI_SETREADONLY, 0L);
  // With word wrap on every appended block would be laid out line by line at once; off, the
  // lines are wrapped afterwards as they come into view and in idle time.
  const long wrap = SendScintilla(SCI_GETWRAPMODE);
  if (wrap != SC_WRAP_NONE) SendScintilla(SCI_SETWRAPMODE, long(SC_WRAP_NONE));
  SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
  SendScintilla(SCI_CLEARALL);
  // Room for the text at once, so that it is not copied while it grows; an editable text gets
  // a little more, so the first keys typed do not copy it either. Every byte of room is
  // cleared (and so first touched) here, twice over with the style bytes, so it is kept small.
  const size_t room = aSizeHint + (readOnly ? 0 : std::min(aSizeHint / 8, size_t(1) << 20)) + 16;
  BeginCuts(readOnly, room);
  SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(FRoom));
  aAppend();
  EndCuts();
  if (!readOnly) MoveGapsToTop(*this);
  SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
  SendScintilla(SCI_EMPTYUNDOBUFFER);
  SendScintilla(SCI_SETSAVEPOINT);
  FForcedModified = false;
  if (FCuts.empty()) {
    SendScintilla(SCI_GOTOPOS, 0L);
  } else {  // placing the caret would lay out the cut line before it is shown, if ever
    SendScintilla(SCI_SETEMPTYSELECTION, 0L);
    SendScintilla(SCI_SETFIRSTVISIBLELINE, 0L);
    SendScintilla(SCI_SETXOFFSET, 0L);
  }
  if (wrap != SC_WRAP_NONE) SendScintilla(SCI_SETWRAPMODE, wrap);
  if (readOnly) SendScintilla(SCI_SETREADONLY, 1L);
}

void TTextEditor::SetText(std::u16string_view aText) {
  ReplaceAllText(aText.size(), [&] {
    // Handed over in blocks: a big text needs no UTF-8 copy of itself, and APPENDTEXT takes a
    // length, so NUL characters survive. A block's buffer stays in the cache.
    const size_t kBlock = size_t(1) << 16;
    std::string buffer(3 * std::min(kBlock, aText.size()), '\0');
    while (!aText.empty()) {
      // a pair split by the block's end goes whole into the next block
      size_t used = std::min(kBlock, aText.size());
      if (used < aText.size() && IsHighSurrogate(aText[used - 1]) && IsLowSurrogate(aText[used])) --used;
      // lone surrogates become U+FFFD: the control holds UTF-8 only
      const size_t bytes = Utf16ToUtf8(aText.substr(0, used), buffer.data());
      AppendShown(buffer.data(), bytes);
      aText.remove_prefix(used);
    }
  });
}

void TTextEditor::SetUtf8Text(const char* aBytes, size_t aCount) {
  // The control holds UTF-8 itself: the bytes go in as they are. Ill-formed sequences stay
  // as bytes here and read back as U+FFFD, as a decoder would have made them.
  ReplaceAllText(aCount, [&] {
    const size_t kBlock = size_t(1) << 24;
    for (size_t at = 0; at < aCount; at += kBlock)
      AppendShown(aBytes + at, std::min(kBlock, aCount - at));
  });
}

void TTextEditor::SetUtf8Text(size_t aTotal, const std::function<std::string_view()>& aNext) {
  ReplaceAllText(aTotal, [&] {
    for (std::string_view piece = aNext(); !piece.empty(); piece = aNext())
      AppendShown(piece.data(), piece.size());
  });
}

std::string_view TTextEditor::Utf8Text() const {
  if (!FCuts.empty()) return WholeText();
  const long length = SendScintilla(SCI_GETLENGTH);
  if (length == 0) return {};
  // Closes the control's gap, so the text lies in one piece.
  const char* p = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
  return p ? std::string_view(p, size_t(length)) : std::string_view();
}

int TTextEditor::ScintillaLineCount() const { return int(SendScintilla(SCI_GETLINECOUNT)); }
long TTextEditor::LineStartPos(int aLine) const { return SendScintilla(SCI_POSITIONFROMLINE, aLine); }
long TTextEditor::LineEndPos(int aLine) const { return SendScintilla(SCI_GETLINEENDPOSITION, aLine); }

int TTextEditor::LineCount() const {
  const long length = SendScintilla(SCI_GETLENGTH);
  if (length == 0) return 0;
  const int n = ScintillaLineCount();
  return LineStartPos(n - 1) == length ? n - 1 : n;
}

std::u16string TTextEditor::Line(int aIndex) const {
  if (aIndex < 0 || aIndex >= ScintillaLineCount()) return {};
  if (!FCuts.empty()) return WholeLine(aIndex);
  return RangeText(LineStartPos(aIndex), LineEndPos(aIndex));
}

void TTextEditor::ReplaceRange(long aFrom, long aTo, std::u16string_view aText) {
  const std::string utf8 = Utf16ToUtf8(aText);
  SendScintilla(SCI_SETTARGETRANGE, aFrom, aTo);
  SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(utf8.size()), utf8.data());
}

void TTextEditor::SetLine(int aIndex, std::u16string_view aText) {
  if (aIndex < 0 || aIndex >= ScintillaLineCount() || isReadOnly()) return;
  ReplaceRange(LineStartPos(aIndex), LineEndPos(aIndex), aText);
}

// ---- gutter ------------------------------------------------------------------------------

void TTextEditor::SetGutterVisible(bool aValue) {
  FGutterVisible = aValue;
  UpdateGutter();
}

void TTextEditor::SetShowLineNumbers(bool aValue) {
  FShowLineNumbers = aValue;
  UpdateGutter();
}

void TTextEditor::SetLeadingZeros(bool aValue) {
  FLeadingZeros = aValue;
  UpdateGutter();
}

void TTextEditor::SetZeroStart(bool aValue) {
  FZeroStart = aValue;
  UpdateGutter();
}

std::u16string TTextEditor::GutterText(int aLine) const {
  const int n = ScintillaLineCount();
  const int number = FZeroStart ? aLine : aLine + 1;
  std::u16string text = IntToStr(number);
  if (FLeadingZeros) {
    const size_t width = size_t(Digits(FZeroStart ? n - 1 : n));
    if (text.size() < width) text.insert(0, width - text.size(), u'0');
  }
  return text;
}

void TTextEditor::UpdateGutter() {
  if (!FGutterVisible) {
    setMarginWidth(0, 0);
    return;
  }
  // Scintilla restyles and rewraps the whole text whenever a margin's type is set, even to the
  // type it has; this runs after every edit, so the type is set only when it changes.
  if (!FShowLineNumbers) {
    if (marginType(0) != SymbolMargin) setMarginType(0, SymbolMargin);
    setMarginWidth(0, 16);
    return;
  }
  const int n = ScintillaLineCount();
  const int digits = Digits(FZeroStart ? n - 1 : n);
  const bool custom = FLeadingZeros || FZeroStart;
  const MarginType type = custom ? TextMarginRightJustified : NumberMargin;
  if (marginType(0) != type) setMarginType(0, type);
  if (digits != FGutterDigits || marginWidth(0) == 0) {
    FGutterDigits = digits;
    const std::string nines(size_t(digits < 2 ? 2 : digits), '9');
    const int width = int(SendScintilla(SCI_TEXTWIDTH, STYLE_LINENUMBER, nines.c_str()));
    setMarginWidth(0, width + 10);
  }
  if (custom) UpdateGutterTexts();
}

void TTextEditor::UpdateGutterTexts() {
  if (!FGutterVisible || !FShowLineNumbers || !(FLeadingZeros || FZeroStart)) return;
  // Only the lines on screen carry a gutter text; scrolling fills in the others. A text is
  // set only when it differs, so the repaint it causes settles at once.
  const int n = ScintillaLineCount();
  const int first = int(SendScintilla(SCI_GETFIRSTVISIBLELINE));
  const int shown = int(SendScintilla(SCI_LINESONSCREEN)) + 2;
  int lastDoc = -1;
  for (int v = first; v < first + shown; ++v) {
    const int line = int(SendScintilla(SCI_DOCLINEFROMVISIBLE, v));
    if (line >= n) break;
    if (line == lastDoc) continue;
    lastDoc = line;
    const std::string want = Utf16ToUtf8(GutterText(line));
    const long len = SendScintilla(SCI_MARGINGETTEXT, line, static_cast<long>(0));
    std::string have(size_t(len > 0 ? len : 0), '\0');
    if (len > 0) SendScintilla(SCI_MARGINGETTEXT, static_cast<unsigned long>(line), have.data());
    if (have != want) {
      SendScintilla(SCI_MARGINSETTEXT, static_cast<unsigned long>(line), want.c_str());
      SendScintilla(SCI_MARGINSETSTYLE, line, long(STYLE_LINENUMBER));
    }
  }
}

// ---- view options ------------------------------------------------------------------------

bool TTextEditor::WordWrap() const { return wrapMode() != WrapNone; }
void TTextEditor::SetWordWrap(bool aValue) {
  setWrapMode(aValue ? WrapWord : WrapNone);
  // QScintilla's setWrapMode also chooses the layout cache, with wrap on one that keeps the
  // layout of every line ever laid out. Every edit and every colouring step walks that cache,
  // so once the idle-time wrap has reached the end of a big text each key walked millions of
  // layouts. The lines on screen are all the view needs to keep.
  SendScintilla(SCI_SETLAYOUTCACHE, long(SC_CACHE_PAGE));
}

void TTextEditor::SetSpecialChars(bool aValue) {
  FSpecialChars = aValue;
  setWhitespaceVisibility(aValue ? WsVisible : WsInvisible);
  setEolVisibility(aValue);
}

void TTextEditor::SetSelectionMode(TSelectionMode aMode) {
  FSelectionMode = aMode;
  ApplySelectionMode();
}

void TTextEditor::ApplySelectionMode() {
  static const long kMode[] = {SC_SEL_STREAM, SC_SEL_LINES, SC_SEL_RECTANGLE};
  const long mode = kMode[FSelectionMode];
  // Scintilla flips "caret moves extend the selection" on each call; two calls set the mode
  // and leave plain caret moves alone.
  SendScintilla(SCI_SETSELECTIONMODE, mode);
  SendScintilla(SCI_SETSELECTIONMODE, mode);
}

void TTextEditor::mouseReleaseEvent(QMouseEvent* aEvent) {
  QsciScintilla::mouseReleaseEvent(aEvent);
  // A mouse selection starts as a stream; keep the chosen mode for what follows.
  if (FSelectionMode != smNormal && int(SendScintilla(SCI_GETSELECTIONMODE)) == SC_SEL_STREAM)
    ApplySelectionMode();
}

bool TTextEditor::AutoIndent() const { return autoIndent(); }
void TTextEditor::SetAutoIndent(bool aValue) { setAutoIndent(aValue); }
bool TTextEditor::TabsToSpaces() const { return !indentationsUseTabs(); }
void TTextEditor::SetTabsToSpaces(bool aValue) { setIndentationsUseTabs(!aValue); }
int TTextEditor::TabWidth() const { return tabWidth(); }
void TTextEditor::SetTabWidth(int aValue) { setTabWidth(aValue < 1 ? 1 : aValue); }

// ---- editing commands --------------------------------------------------------------------

bool TTextEditor::CanUndo() const { return isUndoAvailable(); }
bool TTextEditor::CanRedo() const { return isRedoAvailable(); }

bool TTextEditor::CanPaste() const {
  if (!SendScintilla(SCI_CANPASTE)) return false;
  const QMimeData* data = QApplication::clipboard()->mimeData();
  return data && data->hasText();
}

bool TTextEditor::SelAvail() const { return hasSelectedText(); }
void TTextEditor::Undo() { undo(); }
void TTextEditor::Redo() { redo(); }
void TTextEditor::SelectAll() { selectAll(true); }
void TTextEditor::CopyToClipboard() {
  if (FCuts.empty()) {
    copy();
  } else if (SelAvail()) {  // the selection with the parts of its lines not shown
    QApplication::clipboard()->setText(ToQString(SelText()));
  }
}
void TTextEditor::CutToClipboard() { cut(); }
void TTextEditor::PasteFromClipboard() { paste(); }

std::u16string TTextEditor::SelText() const {
  if (!FCuts.empty()) return WholeRange(SendScintilla(SCI_GETSELECTIONSTART), SendScintilla(SCI_GETSELECTIONEND));
  return RangeText(SendScintilla(SCI_GETSELECTIONSTART), SendScintilla(SCI_GETSELECTIONEND));
}

int TTextEditor::SelLength() const {
  if (!FCuts.empty()) return int(SelText().size());
  return int(SendScintilla(SCI_COUNTCODEUNITS, SendScintilla(SCI_GETSELECTIONSTART),
                           SendScintilla(SCI_GETSELECTIONEND)));
}

// ---- caret -------------------------------------------------------------------------------

int TTextEditor::CaretLine() const {
  return int(SendScintilla(SCI_LINEFROMPOSITION, SendScintilla(SCI_GETCURRENTPOS))) + 1;
}

int TTextEditor::CaretColumn() const {
  const long pos = SendScintilla(SCI_GETCURRENTPOS);
  const long start = LineStartPos(int(SendScintilla(SCI_LINEFROMPOSITION, pos)));
  return int(SendScintilla(SCI_COUNTCODEUNITS, start, pos)) + 1;
}

char16_t TTextEditor::CharAtCaret() const {
  const long pos = SendScintilla(SCI_GETCURRENTPOS);
  const long lineEnd = LineEndPos(int(SendScintilla(SCI_LINEFROMPOSITION, pos)));
  if (pos >= lineEnd) return 0;
  // The text is held as UTF-8: one character of up to four bytes. A supplementary character
  // gives its high surrogate.
  uint8_t bytes[4];
  const long n = std::min(4L, lineEnd - pos);
  for (long i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(SendScintilla(SCI_GETCHARAT, pos + i));
  const uint8_t* p = bytes;
  char16_t units[2];
  Utf16Put(Utf8Next(p, bytes + n), units);
  return units[0];
}

void TTextEditor::SetCaret(int aLine, int aColumn) {
  const int n = ScintillaLineCount();
  const int line = aLine < 1 ? 0 : (aLine > n ? n - 1 : aLine - 1);
  const long start = LineStartPos(line);
  const long units = SendScintilla(SCI_COUNTCODEUNITS, start, LineEndPos(line));
  long column = aColumn < 1 ? 0 : aColumn - 1;
  if (column > units) column = units;
  const long pos = SendScintilla(SCI_POSITIONRELATIVECODEUNITS, start, column);
  SendScintilla(SCI_GOTOPOS, pos);
  SendScintilla(SCI_CHOOSECARETX);
}

std::u16string TTextEditor::WordAtCaret() const {
  const long pos = SendScintilla(SCI_GETCURRENTPOS);
  return RangeText(SendScintilla(SCI_WORDSTARTPOSITION, pos, 1L), SendScintilla(SCI_WORDENDPOSITION, pos, 1L));
}

unsigned TTextEditor::CharCodeAtCaret() const {
  const long pos = SendScintilla(SCI_GETCURRENTPOS);
  if (pos >= LineEndPos(int(SendScintilla(SCI_LINEFROMPOSITION, pos)))) return 0;
  const std::u16string c = RangeText(pos, SendScintilla(SCI_POSITIONAFTER, pos));
  return c.empty() ? 0 : unsigned(c[0]);
}

// ---- search and replace ------------------------------------------------------------------

int TTextEditor::SearchReplace(std::u16string_view aSearch, std::u16string_view aReplace, TSearchOptions aOptions) {
  if (aSearch.empty()) return 0;
  const std::string search = Utf16ToUtf8(aSearch);
  const std::string replace = Utf16ToUtf8(aReplace);
  const bool replacing = aOptions & (soReplace | soReplaceAll);
  if (replacing && isReadOnly()) return 0;
  long flags = 0;
  if (aOptions & soMatchCase) flags |= SCFIND_MATCHCASE;
  if (aOptions & soWholeWord) flags |= SCFIND_WHOLEWORD;
  SendScintilla(SCI_SETSEARCHFLAGS, flags);
  if (!FCuts.empty()) return SearchWhole(search, flags, aOptions);  // read-only: finding only
  const bool entire = aOptions & soEntireScope;
  const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
  const long selEnd = SendScintilla(SCI_GETSELECTIONEND);

  if (aOptions & soReplaceAll) {
    long from = entire ? 0 : selStart;
    int count = 0;
    SendScintilla(SCI_BEGINUNDOACTION);
    for (;;) {
      SendScintilla(SCI_SETTARGETRANGE, from, SendScintilla(SCI_GETLENGTH));
      if (SendScintilla(SCI_SEARCHINTARGET, static_cast<unsigned long>(search.size()), search.data()) < 0) break;
      const long start = SendScintilla(SCI_GETTARGETSTART);
      const long inserted =
          SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(replace.size()), replace.data());
      from = start + inserted;
      ++count;
    }
    SendScintilla(SCI_ENDUNDOACTION);
    if (count) SendScintilla(SCI_GOTOPOS, from);
    return count;
  }

  const bool backwards = aOptions & soBackwards;
  long from;
  if (backwards)
    from = entire ? SendScintilla(SCI_GETLENGTH) : selStart;
  else
    from = entire ? 0 : (replacing ? selStart : selEnd);
  // A target whose start lies after its end searches backwards.
  SendScintilla(SCI_SETTARGETRANGE, from, backwards ? 0L : SendScintilla(SCI_GETLENGTH));
  if (SendScintilla(SCI_SEARCHINTARGET, static_cast<unsigned long>(search.size()), search.data()) < 0) return 0;
  long start = SendScintilla(SCI_GETTARGETSTART);
  long end = SendScintilla(SCI_GETTARGETEND);
  if (replacing) {
    end = start + SendScintilla(SCI_REPLACETARGET, static_cast<unsigned long>(replace.size()), replace.data());
    SendScintilla(SCI_GOTOPOS, end);
  } else if (backwards) {
    SendScintilla(SCI_SETSEL, end, start);
  } else {
    SendScintilla(SCI_SETSEL, start, end);
  }
  return 1;
}

// ---- modified flag -----------------------------------------------------------------------

bool TTextEditor::Modified() const { return FForcedModified || SendScintilla(SCI_GETMODIFY); }

void TTextEditor::SetModified(bool aValue) {
  const bool was = Modified();
  FForcedModified = aValue;
  if (!aValue) SendScintilla(SCI_SETSAVEPOINT);
  if (was != Modified() && OnStatusChange) OnStatusChange();
}

// ---- printing ----------------------------------------------------------------------------

void TTextEditor::Print(QsciPrinter& aPrinter, const TEditorPrintOptions& aOptions) {
  aPrinter.setDocName(ToQString(aOptions.FTitle));
  aPrinter.setCopyCount(aOptions.FCopies < 1 ? 1 : aOptions.FCopies);
  aPrinter.setPageMargins(QMarginsF(aOptions.FMarginLeftMM, aOptions.FMarginTopMM, aOptions.FMarginRightMM,
                                    aOptions.FMarginBottomMM),
                          QPageLayout::Millimeter);
  // The printout takes its margins and tabs from the view: set them for the job, then back.
  const MarginType oldType = marginType(0);
  const int oldWidth = marginWidth(0);
  const int oldTab = tabWidth();
  if (aOptions.FLineNumbers) {
    setMarginType(0, NumberMargin);
    const std::string nines(size_t(Digits(ScintillaLineCount()) + 1), '9');
    setMarginWidth(0, int(SendScintilla(SCI_TEXTWIDTH, STYLE_LINENUMBER, nines.c_str())) + 10);
  } else {
    setMarginWidth(0, 0);
  }
  setTabWidth(aOptions.FTabWidth < 1 ? 1 : aOptions.FTabWidth);
  SendScintilla(SCI_SETPRINTCOLOURMODE, long(aOptions.FColors ? SC_PRINT_NORMAL : SC_PRINT_BLACKONWHITE));
  aPrinter.printRange(this);
  setTabWidth(oldTab);
  setMarginType(0, oldType);
  setMarginWidth(0, oldWidth);
  UpdateGutter();
}

// ---- dropped files -----------------------------------------------------------------------

void TTextEditor::dragEnterEvent(QDragEnterEvent* aEvent) {
  if (OnDropFiles && aEvent->mimeData()->hasUrls()) {
    aEvent->acceptProposedAction();
    return;
  }
  QsciScintilla::dragEnterEvent(aEvent);
}

void TTextEditor::dragMoveEvent(QDragMoveEvent* aEvent) {
  if (OnDropFiles && aEvent->mimeData()->hasUrls()) {
    aEvent->acceptProposedAction();
    return;
  }
  QsciScintilla::dragMoveEvent(aEvent);
}

void TTextEditor::dropEvent(QDropEvent* aEvent) {
  if (OnDropFiles && aEvent->mimeData()->hasUrls()) {
    std::vector<std::u16string> files;
    for (const QUrl& url : aEvent->mimeData()->urls())
      if (url.isLocalFile()) files.push_back(ToU16(url.toLocalFile()));
    aEvent->acceptProposedAction();
    if (!files.empty()) OnDropFiles(files);
    return;
  }
  QsciScintilla::dropEvent(aEvent);
}
