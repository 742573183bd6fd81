// The text editor control that every text view of the program is made of: the Value and
// Decoded views, the Source view and the editor window. Built on Scintilla; colouring comes
// only from our XML tokenizer (TXmlLexer). Text crosses this interface as UTF-16, lines and
// columns as the windows count them (lines 0-based in Line/SetLine, caret 1-based, columns in
// UTF-16 code units).
#pragma once

#include <Qsci/qsciscintilla.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "XmlHighlighter.h"

class QsciPrinter;
class TEncoding;
class TXmlLexer;

enum TSelectionMode { smNormal, smLine, smColumn };

enum TSearchOption : unsigned {
  soMatchCase = 1,
  soWholeWord = 2,
  soBackwards = 4,
  soReplace = 8,
  soReplaceAll = 16,
  soEntireScope = 32,  // search or replace the whole text instead of from the caret on
};
using TSearchOptions = unsigned;

struct TEditorPrintOptions {
  std::u16string FTitle;  // the print job's title
  bool FLineNumbers = true;
  bool FColors = true;    // false prints black on white
  int FTabWidth = 8;
  int FCopies = 1;
  double FMarginLeftMM = 25, FMarginRightMM = 15, FMarginTopMM = 25, FMarginBottomMM = 25;
};

class TTextEditor : public QsciScintilla {
  Q_OBJECT
public:
  explicit TTextEditor(QWidget* aParent = nullptr);
  ~TTextEditor() override;

  // Colouring: an XML highlighter (shared, so the views of one window paint alike), or none
  // for plain text. Call RefreshHighlighter after changing its attributes.
  void SetHighlighter(std::shared_ptr<TXmlHighlighter> aHighlighter);
  std::shared_ptr<TXmlHighlighter> Highlighter() const;
  void RefreshHighlighter();
  TXmlLexer* Lexer() const { return FLexer; }

  bool ReadOnly() const;
  void SetReadOnly(bool aValue);

  // The whole text. SetText starts afresh: nothing to undo, not modified, caret at the top.
  std::u16string Text() const;
  void SetText(std::u16string_view aText);
  void Clear() { SetText({}); }
  // The same from UTF-8 that arrives in pieces of aTotal bytes in all: aNext returns the next
  // piece, empty at the end, and may free a piece once it has been asked for the next. The
  // bytes go in as they are (ill-formed ones read back as U+FFFD), so a big text is neither
  // converted nor held whole beside the control's own copy.
  void SetUtf8Text(size_t aTotal, const std::function<std::string_view()>& aNext);
  // The whole text as the control holds it, UTF-8; valid until the text next changes.
  std::string_view Utf8Text() const;
  // Lines as a string list counts them: a final line break starts no further line, an empty
  // text has none. Line and SetLine take 0-based indexes; out of range reads as empty and
  // writes nothing.
  int LineCount() const;
  std::u16string Line(int aIndex) const;
  void SetLine(int aIndex, std::u16string_view aText);

  // Gutter.
  bool GutterVisible() const { return FGutterVisible; }
  void SetGutterVisible(bool aValue);
  bool ShowLineNumbers() const { return FShowLineNumbers; }
  void SetShowLineNumbers(bool aValue);
  bool LeadingZeros() const { return FLeadingZeros; }
  void SetLeadingZeros(bool aValue);
  bool ZeroStart() const { return FZeroStart; }
  void SetZeroStart(bool aValue);
  // The text the gutter shows for a 0-based line index.
  std::u16string GutterText(int aLine) const;

  bool WordWrap() const;
  void SetWordWrap(bool aValue);
  bool SpecialChars() const { return FSpecialChars; }
  void SetSpecialChars(bool aValue);
  TSelectionMode SelectionMode() const { return FSelectionMode; }
  void SetSelectionMode(TSelectionMode aMode);
  bool AutoIndent() const;
  void SetAutoIndent(bool aValue);
  bool TabsToSpaces() const;
  void SetTabsToSpaces(bool aValue);
  int TabWidth() const;
  void SetTabWidth(int aValue);

  // Editing commands and whether each is possible now.
  bool CanUndo() const;
  bool CanRedo() const;
  bool CanPaste() const;
  bool SelAvail() const;
  void Undo();
  void Redo();
  void SelectAll();
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  std::u16string SelText() const;
  int SelLength() const;  // in UTF-16 code units

  // Caret, 1-based line and column (UTF-16 units). Setting clamps to the text.
  int CaretLine() const;
  int CaretColumn() const;
  void SetCaret(int aLine, int aColumn);
  // The UTF-16 code unit right of the caret (the high half of a pair); 0 when the caret stands
  // at the end of its line. Costs nothing per line length, unlike Line().
  char16_t CharAtCaret() const;
  std::u16string WordAtCaret() const;
  // The UTF-16 code unit right after the caret (the first of a pair), 0 at the end of a line.
  unsigned CharCodeAtCaret() const;

  // Finds aSearch from the caret (or over the whole text with soEntireScope) and selects the
  // match with the caret at its end (its start when searching backwards). With soReplace the
  // match is replaced, with soReplaceAll every match up to the end of the text, as one undo
  // step. Returns the number of matches found or replaced; an empty search finds nothing.
  int SearchReplace(std::u16string_view aSearch, std::u16string_view aReplace, TSearchOptions aOptions);

  bool Modified() const;
  void SetModified(bool aValue);

  // Bytes in an engine encoding. Loading skips that encoding's byte-order mark; with no
  // encoding the bytes are decoded by their mark, or else in the system 8-bit encoding.
  // Saving writes the encoding's mark (if any and aWithPreamble) and then every line followed
  // by CR LF; with no encoding the system 8-bit encoding, without a mark.
  void LoadFromBytes(const uint8_t* aBytes, size_t aCount, const TEncoding* aEncoding);
  std::vector<uint8_t> SaveToBytes(const TEncoding* aEncoding, bool aWithPreamble = true) const;

  // Prints the whole text; the printer is set up (title, copies, margins) from the options.
  void Print(QsciPrinter& aPrinter, const TEditorPrintOptions& aOptions);

  // A line is measured whole, character by character, before any of it can be shown, which
  // takes seconds for a line of megabytes (an amplified value, minified XML). A read-only view
  // therefore shows a line only up to its first cShownLineBytes bytes of UTF-8, with a note
  // under it telling how much is not shown; everything that reads the text (Text, Line, the
  // selection and copying, search, saving) reads the whole of it. Editable views show every
  // line whole. CutLineCount tells how many lines the view shows cut.
  static constexpr long cShownLineBytes = 16 * 1024;
  int CutLineCount() const { return int(FCuts.size()); }

  TColor CaretLineColor() const { return FCaretLineColor; }
  void SetCaretLineColor(TColor aColor);  // clNone: no caret line highlight
  TColor BackgroundColor() const { return FBackgroundColor; }
  void SetBackgroundColor(TColor aColor);  // the view's own background (clNone: white)

  // Events, assigned by the owner.
  std::function<void()> OnChange;        // the text changed (once per edit, from the event loop)
  std::function<void()> OnStatusChange;  // caret, selection or modified state changed
  std::function<void(const std::vector<std::u16string>&)> OnDropFiles;  // files dropped (when assigned)

protected:
  void dragEnterEvent(QDragEnterEvent* aEvent) override;
  void dragMoveEvent(QDragMoveEvent* aEvent) override;
  void dropEvent(QDropEvent* aEvent) override;
  void mouseReleaseEvent(QMouseEvent* aEvent) override;
  void keyPressEvent(QKeyEvent* aEvent) override;

private:
  void ApplyColours();
  void UpdateGutter();
  void UpdateGutterTexts();
  void ApplySelectionMode();
  // Replaces the whole text by what aAppend appends, as one fresh start (nothing to undo).
  void ReplaceAllText(size_t aSizeHint, const std::function<void()>& aAppend);
  // Cut lines (TextEditorCut.cpp).
  struct TCut {
    long FAt;           // where the shown part of the line ends, in the view's text
    long FLine;         // the line
    std::string FTail;  // the rest of the line, not shown
  };
  // Text goes in through AppendShown between BeginCuts and EndCuts, which cut its long lines
  // when the view is read-only.
  void BeginCuts(bool aReadOnly, size_t aRoom);
  void AppendShown(const char* aBytes, size_t aCount);
  void EndCuts();
  void ApplyCutNoteStyle();
  long WholePos(long aShownPos, bool aWithTail) const;
  long ShownPos(long aWholePos) const;
  std::u16string WholeRange(long aShownFrom, long aShownTo) const;
  std::u16string WholeLine(int aIndex) const;
  std::string_view WholeText() const;
  int SearchWhole(const std::string& aSearch, long aFlags, TSearchOptions aOptions);
  void SetUtf8Text(const char* aBytes, size_t aCount);
  void ReplaceRange(long aFrom, long aTo, std::u16string_view aText);
  std::u16string RangeText(long aFrom, long aTo) const;
  long LineStartPos(int aLine) const;
  long LineEndPos(int aLine) const;
  int ScintillaLineCount() const;

  TXmlLexer* FLexer = nullptr;
  bool FGutterVisible = true;
  bool FShowLineNumbers = true;
  bool FLeadingZeros = false;
  bool FZeroStart = false;
  bool FSpecialChars = false;
  bool FForcedModified = false;
  bool FChangePending = false;
  TSelectionMode FSelectionMode = smNormal;
  TColor FCaretLineColor = clNone;
  TColor FBackgroundColor = clNone;
  int FGutterDigits = 0;
  // The lines shown cut, in order, with their tails; and, made when first asked for, the whole
  // text and a control that is never shown holding it for search.
  std::vector<TCut> FCuts;
  mutable std::string FWholeText;
  std::unique_ptr<QsciScintillaBase> FWhole;
  bool FCutting = false;     // text is going in, long lines cut
  bool FInTail = false;      // the bytes going in now belong to a tail
  long FLineBytes = 0;       // bytes of the last line shown so far
  size_t FRoom = 0;          // room the control has now for the text shown
  size_t FRoomWanted = 0;    // room for the whole text
  size_t FHiddenBytes = 0;   // bytes in the tails so far
  long FFoundFrom = -1, FFoundTo = -1;            // the last match found in the whole text
  long FFoundShownFrom = -1, FFoundShownTo = -1;  // and the selection that shows it
};
