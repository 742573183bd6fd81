// Read-only views show a line of more than cShownLineBytes bytes cut. Scintilla lays out and
// measures a line whole, through the toolkit, before it places the caret or paints any of it;
// even a tail styled as not drawn is walked character by character, so the tail must not be
// in the control at all. The control holds the parts shown, the view keeps the tails, and
// whatever reads the text puts them back; positions are mapped between the two texts.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>

#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLocale>

#include "QtText.h"
#include "TextEditor.h"
#include "WideSupport.h"

namespace {

// Styles 0-39 belong to the lexer and to Scintilla's predefined styles.
constexpr int cCutNoteStyle = 40;

// UTF-16 code units that aCount bytes of UTF-8 make: one per sequence, two for a four-byte
// one (stray continuation bytes of ill-formed text are not counted). Eight bytes at a time: a
// tail has megabytes.
long Utf16Units(const char* aBytes, long aCount) {
  constexpr uint64_t kHigh = 0x8080808080808080ULL;
  long units = aCount;
  long i = 0;
  for (; i + 8 <= aCount; i += 8) {
    uint64_t w;
    std::memcpy(&w, aBytes + i, 8);
    // Bit 7 of each byte stays set for a continuation byte (10xxxxxx), resp. for a four-byte
    // lead (11110xxx and up); the shifts move each byte's lower bits into its own bit 7.
    units -= std::popcount(w & ~(w << 1) & kHigh);
    units += std::popcount(w & (w << 1) & (w << 2) & (w << 3) & kHigh);
  }
  for (; i < aCount; ++i) {
    const auto b = static_cast<unsigned char>(aBytes[i]);
    units += long(b >= 0xF0) - long((b & 0xC0) == 0x80);
  }
  return units;
}

}  // namespace

void TTextEditor::ApplyCutNoteStyle() {
  SendScintilla(SCI_STYLESETFORE, cCutNoteStyle, QColor(0x60, 0x60, 0x60));
  SendScintilla(SCI_STYLESETBACK, cCutNoteStyle, QColor(0xFF, 0xF8, 0xDC));
  SendScintilla(SCI_STYLESETITALIC, cCutNoteStyle, 1L);
}

void TTextEditor::BeginCuts(bool aReadOnly, size_t aRoom) {
  FFoundFrom = FFoundTo = FFoundShownFrom = FFoundShownTo = -1;
  if (!FCuts.empty()) {
    FCuts.clear();
    std::string().swap(FWholeText);
    FWhole.reset();
    SendScintilla(SCI_ANNOTATIONCLEARALL);
    SendScintilla(SCI_ANNOTATIONSETVISIBLE, long(ANNOTATION_HIDDEN));
  }
  FCutting = aReadOnly;
  FInTail = false;
  FLineBytes = 0;
  FHiddenBytes = 0;
  FRoomWanted = aRoom;
  // A text whose long lines are cut may need only a little of the room its size asks for, and
  // every byte of room is touched when it is made: it grows with the text shown.
  FRoom = aReadOnly ? std::min(aRoom, size_t(1) << 20) : aRoom;
}

namespace {

bool IsBreak(char aByte) { return aByte == '\n' || aByte == '\r'; }

const char* FindBreak(const char* aFrom, const char* aEnd) {
  const auto* lf = static_cast<const char*>(std::memchr(aFrom, '\n', size_t(aEnd - aFrom)));
  const char* limit = lf ? lf : aEnd;
  const auto* cr = static_cast<const char*>(std::memchr(aFrom, '\r', size_t(limit - aFrom)));
  return cr ? cr : limit;
}

}  // namespace

void TTextEditor::AppendShown(const char* aBytes, size_t aCount) {
  const auto append = [this](const char* aFrom, const char* aTo) {
    if (aTo == aFrom) return;
    // The room held back grows once, to what the rest of the text asked for; past that (a size
    // counted in UTF-16 units falls short for other scripts) the control grows on its own, by
    // doubling, where room made to measure for each piece would copy the text every time.
    const size_t length = size_t(SendScintilla(SCI_GETLENGTH));
    if (FRoom < FRoomWanted && length + size_t(aTo - aFrom) > FRoom) {
      FRoom = std::max(length + size_t(aTo - aFrom), FRoomWanted - std::min(FHiddenBytes, FRoomWanted));
      FRoomWanted = FRoom;
      SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(FRoom));
    }
    SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(aTo - aFrom), aFrom);
  };
  const char* p = aBytes;
  const char* const end = aBytes + aCount;
  if (!FCutting) {
    append(p, end);
    return;
  }
  while (p < end) {
    if (FInTail) {
      const char* stop = FindBreak(p, end);
      FCuts.back().FTail.append(p, size_t(stop - p));
      FHiddenBytes += size_t(stop - p);
      if (stop < end) {
        FInTail = false;
        FLineBytes = 0;
      }
      p = stop;
      continue;
    }
    // A line can only pass the bound where no break lies within the bound's reach: looking
    // back from there for a break skips the text in strides of the bound.
    const char* shownFrom = p;
    for (;;) {
      const size_t room = size_t(cShownLineBytes - FLineBytes);
      if (size_t(end - p) <= room) {
        const char* b = end;
        while (b > p && !IsBreak(b[-1])) --b;
        FLineBytes = b > p ? long(end - b) : FLineBytes + long(end - p);
        p = end;
        append(shownFrom, end);
        break;
      }
      const char* over = p + room;  // the first byte past the bound, unless a break comes first
      const char* b = over + 1;
      while (b > p && !IsBreak(b[-1])) --b;
      if (b > p) {
        p = b;
        FLineBytes = 0;
        continue;
      }
      // Not in the middle of a character.
      while (over > p && (static_cast<unsigned char>(*over) & 0xC0) == 0x80) --over;
      append(shownFrom, over);
      const long at = SendScintilla(SCI_GETLENGTH);
      FCuts.push_back({at, SendScintilla(SCI_LINEFROMPOSITION, at), {}});
      if (FRoomWanted > size_t(at)) FCuts.back().FTail.reserve(FRoomWanted - size_t(at));
      FInTail = true;
      p = over;
      break;
    }
  }
}

void TTextEditor::EndCuts() {
  FCutting = false;
  if (FCuts.empty()) return;
  for (TCut& cut : FCuts) {
    const long units = Utf16Units(cut.FTail.data(), long(cut.FTail.size()));
    const std::string note = QStringLiteral("\u2026 %1 more %2 of this line not shown; copy and search take them")
                                 .arg(QLocale().toString(qlonglong(units)), units == 1 ? "character" : "characters")
                                 .toStdString();
    SendScintilla(SCI_ANNOTATIONSETTEXT, static_cast<unsigned long>(cut.FLine), note.c_str());
    SendScintilla(SCI_ANNOTATIONSETSTYLE, cut.FLine, long(cCutNoteStyle));
  }
  SendScintilla(SCI_ANNOTATIONSETVISIBLE, long(ANNOTATION_BOXED));
}

long TTextEditor::WholePos(long aShownPos, bool aWithTail) const {
  long pos = aShownPos;
  for (const TCut& cut : FCuts) {
    if (cut.FAt > aShownPos || (cut.FAt == aShownPos && !aWithTail)) break;
    pos += long(cut.FTail.size());
  }
  return pos;
}

long TTextEditor::ShownPos(long aWholePos) const {
  long hidden = 0;
  for (const TCut& cut : FCuts) {
    const long at = cut.FAt + hidden;  // the cut, in the whole text
    if (aWholePos <= at) break;
    if (aWholePos <= at + long(cut.FTail.size())) return cut.FAt;  // in the part not shown
    hidden += long(cut.FTail.size());
  }
  return aWholePos - hidden;
}

// A range of the view with the tails it covers: a range that reaches the end of a cut line's
// shown part takes the rest of that line too.
std::u16string TTextEditor::WholeRange(long aShownFrom, long aShownTo) const {
  if (aShownTo <= aShownFrom) return {};
  if (FWhole) {
    const long from = WholePos(aShownFrom, false);
    const long to = WholePos(aShownTo, true);
    const char* p = reinterpret_cast<const char*>(FWhole->SendScintilla(SCI_GETRANGEPOINTER, from, to - from));
    return p ? Utf8ToUtf16(std::string_view(p, size_t(to - from))) : std::u16string();
  }
  const char* p =
      reinterpret_cast<const char*>(SendScintilla(SCI_GETRANGEPOINTER, aShownFrom, aShownTo - aShownFrom)) - aShownFrom;
  std::string whole;
  long at = aShownFrom;
  for (const TCut& cut : FCuts) {
    if (cut.FAt < aShownFrom) continue;
    if (cut.FAt > aShownTo) break;
    whole.append(p + at, size_t(cut.FAt - at));
    whole += cut.FTail;
    at = cut.FAt;
  }
  whole.append(p + at, size_t(aShownTo - at));
  return Utf8ToUtf16(whole);
}

std::u16string TTextEditor::WholeLine(int aIndex) const {
  return WholeRange(LineStartPos(aIndex), LineEndPos(aIndex));
}

std::string_view TTextEditor::WholeText() const {
  if (FWhole) {
    const long length = FWhole->SendScintilla(SCI_GETLENGTH);
    return {reinterpret_cast<const char*>(FWhole->SendScintilla(SCI_GETCHARACTERPOINTER)), size_t(length)};
  }
  if (FWholeText.empty()) {
    const long length = SendScintilla(SCI_GETLENGTH);
    const char* p = reinterpret_cast<const char*>(SendScintilla(SCI_GETCHARACTERPOINTER));
    size_t size = size_t(length);
    for (const TCut& cut : FCuts) size += cut.FTail.size();
    FWholeText.reserve(size);
    long at = 0;
    for (const TCut& cut : FCuts) {
      FWholeText.append(p + at, size_t(cut.FAt - at));
      FWholeText += cut.FTail;
      at = cut.FAt;
    }
    FWholeText.append(p + at, size_t(length - at));
  }
  return FWholeText;
}

// Finds in the whole text, which a control that is never shown takes for the first search. A
// match in a part not shown selects what of it is shown, or puts the caret at the cut; the
// next search goes on after the match, not from the caret.
int TTextEditor::SearchWhole(const std::string& aSearch, long aFlags, TSearchOptions aOptions) {
  if (!FWhole) {
    const std::string_view text = WholeText();
    auto whole = std::make_unique<QsciScintillaBase>();
    whole->SendScintilla(SCI_SETMODEVENTMASK, 0L);
    whole->SendScintilla(SCI_SETCODEPAGE, long(SC_CP_UTF8));
    whole->SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    whole->SendScintilla(SCI_ALLOCATE, static_cast<unsigned long>(text.size() + 1));
    whole->SendScintilla(SCI_APPENDTEXT, static_cast<unsigned long>(text.size()), text.data());
    FWhole = std::move(whole);
    std::string().swap(FWholeText);
  }
  QsciScintillaBase& whole = *FWhole;
  whole.SendScintilla(SCI_SETSEARCHFLAGS, aFlags);
  const long length = whole.SendScintilla(SCI_GETLENGTH);
  const long selStart = SendScintilla(SCI_GETSELECTIONSTART);
  const long selEnd = SendScintilla(SCI_GETSELECTIONEND);
  const bool onMatch = FFoundFrom >= 0 && selStart == FFoundShownFrom && selEnd == FFoundShownTo;
  const bool entire = aOptions & soEntireScope;
  const bool backwards = aOptions & soBackwards;
  long from;
  if (backwards)
    from = entire ? length : (onMatch ? FFoundFrom : WholePos(selStart, false));
  else
    from = entire ? 0 : (onMatch ? FFoundTo : WholePos(selEnd, false));
  whole.SendScintilla(SCI_SETTARGETRANGE, from, backwards ? 0L : length);
  if (whole.SendScintilla(SCI_SEARCHINTARGET, static_cast<unsigned long>(aSearch.size()), aSearch.data()) < 0)
    return 0;
  FFoundFrom = whole.SendScintilla(SCI_GETTARGETSTART);
  FFoundTo = whole.SendScintilla(SCI_GETTARGETEND);
  FFoundShownFrom = ShownPos(FFoundFrom);
  FFoundShownTo = ShownPos(FFoundTo);
  if (backwards)
    SendScintilla(SCI_SETSEL, FFoundShownTo, FFoundShownFrom);
  else
    SendScintilla(SCI_SETSEL, FFoundShownFrom, FFoundShownTo);
  return 1;
}

void TTextEditor::keyPressEvent(QKeyEvent* aEvent) {
  // The control's own copy knows only the parts shown.
  if (!FCuts.empty() && aEvent->matches(QKeySequence::Copy)) {
    CopyToClipboard();
    aEvent->accept();
    return;
  }
  QsciScintilla::keyPressEvent(aEvent);
}
