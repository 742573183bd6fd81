#include "XmlLexer.h"

#include <Qsci/qsciscintilla.h>

#include <cstring>

#include "QtText.h"
#include "WideSupport.h"

namespace {

QColor ToQColor(TColor aColor) { return QColor((aColor >> 16) & 255, (aColor >> 8) & 255, aColor & 255); }

// Decodes one UTF-8 line into UTF-16 and notes where each unit starts in the bytes.
// Returns false for a pure ASCII line, where units and bytes coincide.
bool DecodeLine(const char* aBytes, int aCount, std::u16string& aWide, std::vector<int>& aUnitToByte) {
  aWide.clear();
  int i = 0;
  while (i < aCount && static_cast<unsigned char>(aBytes[i]) < 0x80) ++i;
  if (i == aCount) {
    aWide.assign(aBytes, aBytes + aCount);
    return false;
  }
  aUnitToByte.clear();
  for (int k = 0; k < i; ++k) {
    aWide.push_back(char16_t(aBytes[k]));
    aUnitToByte.push_back(k);
  }
  const uint8_t* const end = reinterpret_cast<const uint8_t*>(aBytes) + aCount;
  while (i < aCount) {
    if (static_cast<unsigned char>(aBytes[i]) < 0x80) {
      aWide.push_back(char16_t(aBytes[i]));
      aUnitToByte.push_back(i++);
      continue;
    }
    const uint8_t* p = reinterpret_cast<const uint8_t*>(aBytes) + i;
    const uint8_t* const start = p;
    // an ill-formed sequence is one U+FFFD, so styling still covers its bytes
    const char32_t cp = Utf8Next(p, end);
    char16_t units[2];
    const char16_t* const unitsEnd = Utf16Put(cp, units);
    for (const char16_t* u = units; u < unitsEnd; ++u) {
      aWide.push_back(*u);
      aUnitToByte.push_back(i);  // the low half of a pair styles nothing of its own
    }
    i += int(p - start);
  }
  return true;
}

}  // namespace

TXmlLexer::TXmlLexer(std::shared_ptr<TXmlHighlighter> aHighlighter, QObject* aParent)
    : QsciLexerCustom(aParent), FHighlighter(std::move(aHighlighter)) {
  if (!FHighlighter) FHighlighter = std::make_shared<TXmlHighlighter>();
}

const char* TXmlLexer::language() const { return "XML"; }

QString TXmlLexer::description(int aStyle) const {
  if (aStyle == StyleDefault) return QStringLiteral("Default");
  if (aStyle >= 1 && aStyle <= XmlAttributeCount) {
    std::u16string_view name = FHighlighter->Attribute(TXmlAttributeKind(aStyle - 1)).DisplayName();
    return ToQString(name);
  }
  return {};
}

void TXmlLexer::ApplyAttributes(const QFont& aBaseFont, const QColor& aText, const QColor& aPaper) {
  setDefaultFont(aBaseFont);
  setDefaultColor(aText);
  setDefaultPaper(aPaper);
  setFont(aBaseFont, -1);
  setColor(aText, -1);
  setPaper(aPaper, -1);
  for (int a = 0; a < XmlAttributeCount; ++a) {
    const TXmlTextAttribute& attr = FHighlighter->Attribute(TXmlAttributeKind(a));
    const int style = a + 1;
    QFont f = aBaseFont;
    f.setBold(attr.Style() & fsBold);
    f.setItalic(attr.Style() & fsItalic);
    setFont(f, style);
    setColor(attr.Foreground() == clNone ? aText : ToQColor(attr.Foreground()), style);
    setPaper(attr.Background() == clNone ? aPaper : ToQColor(attr.Background()), style);
  }
}

// Line states hold the range at the line end, with the most common one, rsText, stored as
// 0: a fresh line already says rsText, so most lines never need a state written (each write
// makes Scintilla notify and invalidate).
int TXmlLexer::EncodeRange(TRangeState aRange) { return aRange == rsText ? 0 : int(aRange) + 1; }
int TXmlLexer::DecodeRange(int aState) { return aState == 0 ? int(rsText) : aState - 1; }

void TXmlLexer::styleText(int aStart, int aEnd) {
  QsciScintilla* ed = editor();
  if (!ed || aEnd <= aStart) return;
  const long docLen = ed->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  if (aEnd > docLen) aEnd = int(docLen);
  int line = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, aStart));
  const int lastLine = int(ed->SendScintilla(QsciScintillaBase::SCI_LINEFROMPOSITION, aEnd > 0 ? aEnd - 1 : 0));
  const long spanStart = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, line);
  long spanEnd = ed->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, lastLine + 1);
  if (spanEnd < spanStart || lastLine + 1 >= ed->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT)) spanEnd = docLen;
  if (spanEnd <= spanStart) return;

  TXmlHighlighter& h = *FHighlighter;
  if (line > 0)
    h.SetRange(DecodeRange(int(ed->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, line - 1))));
  else
    h.ResetRange();

  // One pointer to the whole span: the text does not change while it is styled, and lines
  // split here at CR, LF and CR LF exactly as Scintilla splits them.
  const char* text = reinterpret_cast<const char*>(
      ed->SendScintilla(QsciScintillaBase::SCI_GETRANGEPOINTER, spanStart, spanEnd - spanStart));
  if (!text) return;
  const long total = spanEnd - spanStart;
  ed->SendScintilla(QsciScintillaBase::SCI_STARTSTYLING, spanStart);
  const size_t kBatch = 1 << 18;
  FStyles.clear();
  long at = 0;
  for (; line <= lastLine && at < total; ++line) {
    long textEnd = at;
    while (textEnd < total && text[textEnd] != '\r' && text[textEnd] != '\n') ++textEnd;
    long next = textEnd;
    if (next < total) next += (text[next] == '\r' && next + 1 < total && text[next + 1] == '\n') ? 2 : 1;
    const int textLen = int(textEnd - at);
    const bool mapped = DecodeLine(text + at, textLen, FWide, FUnitToByte);
    const size_t base = FStyles.size();
    FStyles.resize(base + size_t(next - at), char(StyleDefault));
    char* out = FStyles.data() + base;
    for (h.SetLine(FWide, line); !h.Eol(); h.Next()) {
      const int from = h.TokenPos();
      const int to = from + h.TokenLength();
      if (to <= from) continue;
      const char style = char(StyleOf(TXmlHighlighter::AttributeKindOf(h.TokenKind())));
      const int b0 = mapped ? FUnitToByte[from] : from;
      const int b1 = mapped ? (to < int(FUnitToByte.size()) ? FUnitToByte[to] : textLen) : to;
      std::memset(out + b0, style, size_t(b1 - b0));
    }
    const int newState = EncodeRange(h.Range());
    if (ed->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, line) != newState)
      ed->SendScintilla(QsciScintillaBase::SCI_SETLINESTATE, line, newState);
    ++FStyledLines;
    at = next;
    if (FStyles.size() >= kBatch) {
      ed->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, FStyles.size(), FStyles.data());
      FStyles.clear();
    }
  }
  if (!FStyles.empty()) ed->SendScintilla(QsciScintillaBase::SCI_SETSTYLINGEX, FStyles.size(), FStyles.data());
  FStyles.clear();
  if (FStyles.capacity() > 4 * kBatch) FStyles.shrink_to_fit();
}
