// Connects the XML tokenizer to the editor control: Scintilla asks for styles up to the
// position it is about to show, and this lexer tokenizes whole lines from the first
// unstyled one, carrying the range in each line's state. Lines below what is shown stay
// unstyled until they are shown; an edit makes Scintilla restyle from the edited line on,
// so a changed end range reaches the following lines the next time they are painted.
#pragma once

#include <Qsci/qscilexercustom.h>

#include <memory>
#include <string>
#include <vector>

#include "XmlHighlighter.h"

class TXmlLexer : public QsciLexerCustom {
  Q_OBJECT
public:
  // Scintilla style 0 paints text without attribute; attribute k paints with style k + 1.
  static constexpr int StyleDefault = 0;
  static int StyleOf(TXmlAttributeKind aKind) { return aKind == akNone ? StyleDefault : int(aKind) + 1; }

  explicit TXmlLexer(std::shared_ptr<TXmlHighlighter> aHighlighter, QObject* aParent = nullptr);

  const std::shared_ptr<TXmlHighlighter>& Highlighter() const { return FHighlighter; }
  // Takes the attributes' colours and styles again, after they were changed, on top of the
  // given base font and the view's own text and background colours.
  void ApplyAttributes(const QFont& aBaseFont, const QColor& aText, const QColor& aPaper);

  const char* language() const override;
  QString description(int aStyle) const override;
  void styleText(int aStart, int aEnd) override;

  // The range at a line end as kept in the line's state, and back.
  static int EncodeRange(TRangeState aRange);
  static int DecodeRange(int aState);

  // Lines tokenized by the last styleText calls (for tests of the lazy styling).
  long long StyledLines() const { return FStyledLines; }

private:
  std::shared_ptr<TXmlHighlighter> FHighlighter;
  std::u16string FWide;             // the line being tokenized, as UTF-16
  std::vector<int> FUnitToByte;     // byte offset of each UTF-16 unit of a non-ASCII line
  std::vector<char> FStyles;        // styles of a batch of lines, handed over at once
  long long FStyledLines = 0;
};
