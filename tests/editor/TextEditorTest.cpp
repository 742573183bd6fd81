// The text editor control, offscreen: XML colouring through the tokenizer (also across an
// edit that changes the range of the lines below), lazy styling of big texts, and the
// operations the windows use.
#include <gtest/gtest.h>

#include <Qsci/qsciprinter.h>

#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>
#include <utility>

#include "Encodings.h"
#include "WideSupport.h"
#include "TextEditor.h"
#include "XmlLexer.h"

namespace {

class TextEditorTest : public ::testing::Test {
protected:
  void SetUp() override {
    FEditor = std::make_unique<TTextEditor>();
    FEditor->resize(800, 400);
    FEditor->SetHighlighter(std::make_shared<TXmlHighlighter>());
    FEditor->show();
  }

  // Lets the control paint, which styles what is shown.
  void Paint() {
    FEditor->repaint();
    QApplication::processEvents();
  }

  long Pos(int aLine, int aColumn) {
    return FEditor->SendScintilla(QsciScintillaBase::SCI_POSITIONFROMLINE, aLine) + aColumn;
  }
  int StyleAt(long aPos) { return int(FEditor->SendScintilla(QsciScintillaBase::SCI_GETSTYLEAT, aPos)); }
  int StyleAt(int aLine, int aColumn) { return StyleAt(Pos(aLine, aColumn)); }

  std::unique_ptr<TTextEditor> FEditor;
};

const int kComment = TXmlLexer::StyleOf(akComment);
const int kValue = TXmlLexer::StyleOf(akAttributeValue);
const int kNsName = TXmlLexer::StyleOf(akNamespaceAttributeName);
const int kNsValue = TXmlLexer::StyleOf(akNamespaceAttributeValue);
const int kElement = TXmlLexer::StyleOf(akElementName);

TEST_F(TextEditorTest, ColoursCommentsValuesAndNamespacesAcrossAnEdit) {
  FEditor->SetText(
      u"<root>\n"                             // 0
      u"  <!-- first\n"                       // 1
      u"     still comment -->\n"             // 2
      u"  <item key=\"val\u00e9ue\"\n"        // 3: value with a non-ASCII letter
      u"        xmlns:p=\"urn:p\">text</item>\n"  // 4
      u"</root>\n");
  Paint();
  EXPECT_EQ(StyleAt(2, 6), kComment) << "second line of a comment";
  EXPECT_EQ(StyleAt(3, 3), kElement);
  // "val\u00e9ue": bytes 13..19 of the line; the letter after the two-byte one too.
  EXPECT_EQ(StyleAt(3, 13), kValue);
  EXPECT_EQ(StyleAt(3, 17), kValue);
  EXPECT_EQ(StyleAt(3, 18), kValue);
  EXPECT_EQ(StyleAt(4, 8), kNsName);
  EXPECT_EQ(StyleAt(4, 17), kNsValue);
  EXPECT_EQ(StyleAt(4, 24), TXmlLexer::StyleOf(akText));
  EXPECT_EQ(TXmlLexer::DecodeRange(int(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, 1))), int(rsComment));
  EXPECT_EQ(TXmlLexer::DecodeRange(int(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, 3))), int(rsAttribute));

  // Opening a comment after the first one closed turns the lines below into comment text.
  FEditor->SendScintilla(QsciScintillaBase::SCI_INSERTTEXT, Pos(2, 22), "<!--");
  Paint();
  EXPECT_EQ(StyleAt(2, 6), kComment);
  EXPECT_EQ(StyleAt(3, 13), kComment);
  EXPECT_EQ(StyleAt(4, 8), kComment);
  EXPECT_EQ(StyleAt(4, 17), kComment);
  EXPECT_EQ(StyleAt(5, 2), kComment);
  EXPECT_EQ(TXmlLexer::DecodeRange(int(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLINESTATE, 3))), int(rsComment));

  // Taking it back restores the colours below.
  FEditor->Undo();
  Paint();
  EXPECT_EQ(StyleAt(3, 13), kValue);
  EXPECT_EQ(StyleAt(4, 8), kNsName);
  EXPECT_EQ(StyleAt(4, 17), kNsValue);
  EXPECT_EQ(StyleAt(5, 2), kElement);
}

TEST_F(TextEditorTest, StylesOnlyWhatIsShownAndCarriesTheRangeToTheEnd) {
  std::u16string text = u"<doc>\n<!-- a comment that opens here\n";
  for (int i = 0; i < 200000; ++i) text += u"   line inside the comment\n";
  text += u"-->\n<last a=\"1\"/>\n";
  FEditor->SetText(text);
  Paint();
  const long length = FEditor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH);
  EXPECT_LT(FEditor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), length / 100);
  EXPECT_LT(FEditor->Lexer()->StyledLines(), 1000);

  // A jump to the end paints at once, without first colouring every line above it; the
  // colouring follows from idle time and still carries the comment down to the end.
  FEditor->SendScintilla(QsciScintillaBase::SCI_DOCUMENTEND);
  FEditor->repaint();
  EXPECT_LT(FEditor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), length / 2);
  for (int i = 0; i < 1000000 && FEditor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED) < length; ++i)
    QApplication::processEvents();
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETENDSTYLED), length);
  const int lines = int(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLINECOUNT));
  EXPECT_EQ(StyleAt(lines - 4, 5), kComment);
  EXPECT_EQ(StyleAt(lines - 2, 6), TXmlLexer::StyleOf(akAttributeName));
  EXPECT_EQ(StyleAt(lines - 2, 9), kValue);
}

TEST_F(TextEditorTest, PlainTextHasNoColouring) {
  FEditor->SetHighlighter(nullptr);
  FEditor->SetText(u"<a b=\"c\"/>\n");
  Paint();
  EXPECT_EQ(FEditor->Lexer(), nullptr);
  EXPECT_EQ(StyleAt(0, 6), 0);
}

TEST_F(TextEditorTest, TextLinesAndCaret) {
  FEditor->SetText(u"one\r\ntw\u00f6 \U0001F600x\r\nthree\r\n");
  EXPECT_EQ(FEditor->LineCount(), 3) << "a final line break starts no line";
  EXPECT_EQ(FEditor->Line(1), u"tw\u00f6 \U0001F600x");
  EXPECT_EQ(FEditor->Line(7), u"");
  EXPECT_FALSE(FEditor->Modified());
  EXPECT_FALSE(FEditor->CanUndo());

  // Columns count UTF-16 units: the emoji takes two.
  FEditor->SetCaret(2, 7);
  EXPECT_EQ(FEditor->CaretLine(), 2);
  EXPECT_EQ(FEditor->CaretColumn(), 7);
  FEditor->SetCaret(2, 99);
  EXPECT_EQ(FEditor->CaretColumn(), 8) << "clamped to the line end";
  FEditor->SetCaret(99, 1);
  EXPECT_EQ(FEditor->CaretLine(), 4);
  FEditor->SetCaret(2, 2);
  EXPECT_EQ(FEditor->WordAtCaret(), u"tw\u00f6");

  int changes = 0;
  FEditor->OnChange = [&] { ++changes; };
  FEditor->SetLine(0, u"ONE");
  QApplication::processEvents();
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(FEditor->Text(), u"ONE\r\ntw\u00f6 \U0001F600x\r\nthree\r\n");
  EXPECT_TRUE(FEditor->Modified());
  EXPECT_TRUE(FEditor->CanUndo());
  FEditor->Undo();
  EXPECT_EQ(FEditor->Line(0), u"one");
  EXPECT_TRUE(FEditor->CanRedo());
  FEditor->Redo();
  EXPECT_EQ(FEditor->Line(0), u"ONE");

  FEditor->SetModified(false);
  EXPECT_FALSE(FEditor->Modified());
  FEditor->SetModified(true);
  EXPECT_TRUE(FEditor->Modified()) << "set by hand, without an edit";

  // A pair that straddles the blocks SetText hands over stays whole; a lone half becomes U+FFFD.
  std::u16string big((1 << 20) - 1, u'a');
  big += u"\U0001F600b\xD800";
  FEditor->SetText(big);
  big.back() = u'\uFFFD';
  EXPECT_TRUE(FEditor->Text() == big);

  FEditor->SetText(std::u16string(u"a\0b", 3));
  EXPECT_EQ(FEditor->Text(), std::u16string(u"a\0b", 3));
  FEditor->Clear();
  EXPECT_EQ(FEditor->LineCount(), 0);
}

TEST_F(TextEditorTest, SelectionClipboardAndReadOnly) {
  FEditor->SetText(u"alpha beta");
  EXPECT_FALSE(FEditor->SelAvail());
  FEditor->SelectAll();
  EXPECT_TRUE(FEditor->SelAvail());
  EXPECT_EQ(FEditor->SelLength(), 10);
  FEditor->CopyToClipboard();
  EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("alpha beta"));
  FEditor->CutToClipboard();
  EXPECT_EQ(FEditor->Text(), u"");
  EXPECT_TRUE(FEditor->CanPaste());
  FEditor->PasteFromClipboard();
  FEditor->PasteFromClipboard();
  EXPECT_EQ(FEditor->Text(), u"alpha betaalpha beta");

  FEditor->SetReadOnly(true);
  EXPECT_FALSE(FEditor->CanPaste());
  FEditor->SetText(u"still settable");
  EXPECT_EQ(FEditor->Text(), u"still settable");
  EXPECT_EQ(FEditor->SearchReplace(u"still", u"x", soReplaceAll | soEntireScope), 0);
  EXPECT_TRUE(FEditor->ReadOnly());
}

TEST_F(TextEditorTest, SearchAndReplace) {
  FEditor->SetText(u"Cat cat catalog\ncat CAT\n");
  FEditor->SetCaret(1, 1);
  struct {
    const char16_t* FWhat;
    TSearchOptions FOptions;
    int FCaretColumnAfter;  // of a forward find: the caret at the match end
  } finds[] = {
      {u"cat", 0, 4},                           // first hit, any case
      {u"cat", 0, 8},                           // next hit continues after the selection
      {u"cat", soMatchCase | soWholeWord, 4},   // "catalog" is no whole word: line 2
  };
  for (const auto& f : finds) {
    EXPECT_EQ(FEditor->SearchReplace(f.FWhat, u"", f.FOptions), 1);
    EXPECT_EQ(FEditor->CaretColumn(), f.FCaretColumnAfter) << f.FOptions;
  }
  EXPECT_EQ(FEditor->CaretLine(), 2);
  EXPECT_EQ(FEditor->SearchReplace(u"cat", u"", soBackwards | soMatchCase), 1);
  EXPECT_EQ(FEditor->CaretLine(), 1);
  EXPECT_EQ(FEditor->CaretColumn(), 9) << "backwards puts the caret at the match start";
  EXPECT_EQ(FEditor->SelText(), u"cat");
  EXPECT_EQ(FEditor->SearchReplace(u"dog", u"", 0), 0);
  EXPECT_EQ(FEditor->SearchReplace(u"", u"", soEntireScope), 0);

  // Replace takes the selected match; Replace All counts and is one undo step.
  EXPECT_EQ(FEditor->SearchReplace(u"cat", u"dog", soReplace | soMatchCase), 1);
  EXPECT_EQ(FEditor->Line(0), u"Cat cat dogalog");
  EXPECT_EQ(FEditor->SearchReplace(u"cat", u"cats", soReplaceAll | soEntireScope), 4);
  EXPECT_EQ(FEditor->Text(), u"cats cats dogalog\ncats cats\n") << "a replacement is not searched again";
  FEditor->Undo();
  EXPECT_EQ(FEditor->Text(), u"Cat cat dogalog\ncat CAT\n");
}

TEST_F(TextEditorTest, GutterNumbering) {
  std::u16string text;
  for (int i = 0; i < 120; ++i) text += u"x\n";
  FEditor->SetText(text);  // 121 lines as shown
  EXPECT_TRUE(FEditor->GutterVisible());
  EXPECT_EQ(FEditor->GutterText(0), u"1");
  FEditor->SetLeadingZeros(true);
  EXPECT_EQ(FEditor->GutterText(0), u"001");
  FEditor->SetZeroStart(true);
  EXPECT_EQ(FEditor->GutterText(0), u"000");
  EXPECT_EQ(FEditor->GutterText(120), u"120");
  Paint();
  std::string shown(8, '\0');
  const long len = FEditor->SendScintilla(QsciScintillaBase::SCI_MARGINGETTEXT, 3UL, shown.data());
  EXPECT_EQ(shown.substr(0, size_t(len)), "003");
  FEditor->SetGutterVisible(false);
  EXPECT_EQ(FEditor->marginWidth(0), 0);
}

TEST_F(TextEditorTest, ViewOptionsRoundTrip) {
  FEditor->SetWordWrap(true);
  FEditor->SetSpecialChars(true);
  FEditor->SetSelectionMode(smColumn);
  FEditor->SetCaretLineColor(RGB(255, 255, 0));
  EXPECT_TRUE(FEditor->WordWrap());
  EXPECT_TRUE(FEditor->SpecialChars());
  EXPECT_EQ(FEditor->SelectionMode(), smColumn);
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONMODE), QsciScintillaBase::SC_SEL_RECTANGLE);
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETVIEWWS), QsciScintillaBase::SCWS_VISIBLEALWAYS);
  EXPECT_TRUE(FEditor->SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
  FEditor->SetSelectionMode(smNormal);
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETSELECTIONMODE), QsciScintillaBase::SC_SEL_STREAM);
}

// On a big text each key must stay local: with word wrap on the control must keep layouts for
// the screen only (QScintilla's wrap switch asks it to keep every line's, and each edit then
// walks them all), and after any load the first key at the caret must not move the whole text.
TEST_F(TextEditorTest, KeysStayLocalAfterLoadsAndWrapSwitches) {
  for (const bool wrap : {true, false, true}) {
    FEditor->SetWordWrap(wrap);
    EXPECT_EQ(FEditor->WordWrap(), wrap);
    EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETLAYOUTCACHE), QsciScintillaBase::SC_CACHE_PAGE);
  }
  std::string utf8;
  std::u16string text;
  for (int i = 0; i < 2000; ++i) {
    utf8 += "<a b=\"caf\xC3\xA9\">text</a>\r\n";
    text += u"<a b=\"caf\u00e9\">text</a>\r\n";
  }
  const std::function<void()> loads[] = {
      [&] { FEditor->SetText(text); },
      [&] {
        bool given = false;
        FEditor->SetUtf8Text(utf8.size(), [&] { return std::exchange(given, true) ? std::string_view() : utf8; });
      },
      [&] {
        FEditor->LoadFromBytes(reinterpret_cast<const uint8_t*>(utf8.data()), utf8.size(), TEncoding::UTF8());
      },
  };
  for (const auto& load : loads) {
    FEditor->SetText(u"old");
    FEditor->SetCaret(1, 4);
    FEditor->SendScintilla(QsciScintillaBase::SCI_ADDTEXT, 1UL, "!");
    load();
    EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_GETGAPPOSITION), 0);
    EXPECT_EQ(FEditor->Utf8Text(), utf8);
    EXPECT_FALSE(FEditor->CanUndo());
    EXPECT_FALSE(FEditor->Modified());
    EXPECT_EQ(FEditor->CaretLine(), 1);
    EXPECT_EQ(FEditor->CaretColumn(), 1);
    Paint();
    EXPECT_EQ(StyleAt(0, 1), kElement);
  }
}

TEST_F(TextEditorTest, BytesInAnEncoding) {
  // UTF-16LE with its mark and mixed line ends: loading drops the mark, saving writes it
  // back and ends every line with CR LF; a second round trip changes nothing.
  const std::u16string source = u"<a>\u20ac</a>\nline2\rline3";
  std::vector<uint8_t> bytes = {0xFF, 0xFE};
  for (char16_t c : source) {
    bytes.push_back(uint8_t(c & 0xFF));
    bytes.push_back(uint8_t(c >> 8));
  }
  FEditor->LoadFromBytes(bytes.data(), bytes.size(), TEncoding::Unicode());
  EXPECT_EQ(FEditor->Text(), source);
  std::vector<uint8_t> saved = FEditor->SaveToBytes(TEncoding::Unicode());
  std::u16string expected = u"\uFEFF<a>\u20ac</a>\r\nline2\r\nline3\r\n";
  std::vector<uint8_t> want;
  for (char16_t c : expected) {
    want.push_back(uint8_t(c & 0xFF));
    want.push_back(uint8_t(c >> 8));
  }
  EXPECT_EQ(saved, want);
  FEditor->LoadFromBytes(saved.data(), saved.size(), TEncoding::Unicode());
  EXPECT_EQ(FEditor->SaveToBytes(TEncoding::Unicode()), want);

  // No encoding: the mark decides, else the system encoding (the locale's charset); saving
  // without one writes no mark.
  const uint8_t utf8[] = {0xEF, 0xBB, 0xBF, 'x', 0xC3, 0xA9};
  FEditor->LoadFromBytes(utf8, sizeof utf8, nullptr);
  EXPECT_EQ(FEditor->Text(), u"x\u00e9");
  const std::vector<uint8_t> system = TEncoding::Default()->GetBytes(u"x\u00e9");
  FEditor->LoadFromBytes(system.data(), system.size(), nullptr);
  EXPECT_EQ(FEditor->Text(), u"x\u00e9");
  std::vector<uint8_t> systemLine = system;
  systemLine.insert(systemLine.end(), {'\r', '\n'});
  EXPECT_EQ(FEditor->SaveToBytes(nullptr), systemLine);
  EXPECT_EQ(FEditor->SaveToBytes(TEncoding::UTF8(), false), (std::vector<uint8_t>{'x', 0xC3, 0xA9, '\r', '\n'}));
  FEditor->Clear();
  EXPECT_EQ(FEditor->SaveToBytes(TEncoding::UTF8()), (std::vector<uint8_t>{0xEF, 0xBB, 0xBF}));
}

// UTF-8 in pieces: a character split between two pieces arrives whole, each piece is asked
// for once, and the result is a fresh start like SetText (nothing to undo, not modified, even
// after edits and in a read-only view). Utf8Text hands back the bytes as held.
TEST_F(TextEditorTest, Utf8TextInPieces) {
  FEditor->SetText(u"old");
  FEditor->SetCaret(1, 4);
  FEditor->SendScintilla(QsciScintillaBase::SCI_ADDTEXT, 1UL, "!");
  ASSERT_TRUE(FEditor->CanUndo());
  FEditor->SetReadOnly(true);
  const std::string pieces[] = {"<a>caf\xC3", "\xA9 \xF0\x9F", "\x98\x80</a>\r\n", "x"};
  size_t next = 0;
  FEditor->SetUtf8Text(26, [&] { return next < 4 ? std::string_view(pieces[next++]) : std::string_view(); });
  EXPECT_EQ(next, 4u);
  EXPECT_EQ(FEditor->Text(), u"<a>caf\u00e9 \U0001F600</a>\r\nx");
  EXPECT_EQ(FEditor->Utf8Text(), pieces[0] + pieces[1] + pieces[2] + pieces[3]);
  EXPECT_FALSE(FEditor->CanUndo());
  EXPECT_FALSE(FEditor->Modified());
  EXPECT_TRUE(FEditor->ReadOnly());
  EXPECT_EQ(FEditor->CaretLine(), 1);
  EXPECT_EQ(FEditor->CaretColumn(), 1);
  FEditor->SetUtf8Text(0, [] { return std::string_view(); });
  EXPECT_EQ(FEditor->Text(), u"");
  EXPECT_TRUE(FEditor->Utf8Text().empty());
}

// Lines as the control splits them: at CR LF, CR and LF.
std::vector<std::string> SplitLines(const std::string& aText) {
  std::vector<std::string> lines(1);
  for (size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] != '\r' && aText[i] != '\n') {
      lines.back() += aText[i];
      continue;
    }
    if (aText[i] == '\r' && i + 1 < aText.size() && aText[i + 1] == '\n') ++i;
    lines.emplace_back();
  }
  return lines;
}

TEST_F(TextEditorTest, ReadOnlyViewsShowLongLinesCutAndGiveThemWhole) {
  constexpr long kBound = TTextEditor::cShownLineBytes;
  const std::string x(size_t(kBound), 'x');
  struct TCase {
    const char* What;
    std::string Text;
    int Cuts;
    long Longest;  // bytes of the longest line the control holds
  } cases[] = {
      {"a line at the bound", "a\n" + x + "\nz", 0, kBound},
      {"one byte over", "a\n" + x + "y\nz", 1, kBound},
      {"two, after CR LF and CR", "a\r\n" + x + "yy\r\n" + x + "x\rz", 2, kBound},
      {"the last line, with no break", "a\n" + x + x, 1, kBound},
      {"a character not split", x.substr(1) + "\xC3\xA9tail", 1, kBound - 1},
      {"a four-byte character not split", x.substr(2) + "\xF0\x9F\x98\x80tail\n", 1, kBound - 2},
  };
  const auto controlLength = [&] { return FEditor->SendScintilla(QsciScintillaBase::SCI_GETLENGTH); };
  FEditor->SetReadOnly(true);
  for (const TCase& c : cases) {
    // Whole, and in pieces whose ends fall anywhere, the cut included.
    for (const size_t piece : {c.Text.size(), size_t(4093)}) {
      SCOPED_TRACE(std::string(c.What) + ", pieces of " + std::to_string(piece));
      size_t at = 0;
      FEditor->SetUtf8Text(c.Text.size(), [&] {
        const std::string_view next = std::string_view(c.Text).substr(at, piece);
        at += next.size();
        return next;
      });
      EXPECT_EQ(FEditor->CutLineCount(), c.Cuts);
      long longest = 0;
      for (int i = 0; i < FEditor->LineCount(); ++i)
        longest = std::max(longest, FEditor->SendScintilla(QsciScintillaBase::SCI_GETLINEENDPOSITION, i) - Pos(i, 0));
      EXPECT_EQ(longest, c.Longest);
      EXPECT_TRUE(FEditor->Utf8Text() == c.Text);
      EXPECT_TRUE(FEditor->Text() == Utf8ToUtf16(c.Text));
      const std::vector<std::string> lines = SplitLines(c.Text);
      for (int i = 0; i < int(lines.size()); ++i) EXPECT_TRUE(FEditor->Line(i) == Utf8ToUtf16(lines[size_t(i)])) << i;
      FEditor->SelectAll();
      EXPECT_TRUE(FEditor->SelText() == Utf8ToUtf16(c.Text));
      EXPECT_EQ(FEditor->SelLength(), int(Utf8ToUtf16(c.Text).size()));
      FEditor->CopyToClipboard();
      EXPECT_TRUE(QApplication::clipboard()->text() == QString::fromUtf8(c.Text));
    }
  }
  // The copy key too.
  QApplication::clipboard()->clear();
  QKeyEvent copyKey(QEvent::KeyPress, Qt::Key_C, Qt::ControlModifier);
  QApplication::sendEvent(FEditor.get(), &copyKey);
  EXPECT_TRUE(QApplication::clipboard()->text() == QString::fromUtf8(cases[std::size(cases) - 1].Text));

  // A note under the cut line says how much of it is not shown.
  FEditor->SetText(u"a\n" + std::u16string(size_t(kBound), u'x') + u"\u00e9\u00e9 and more\nz");
  ASSERT_EQ(FEditor->CutLineCount(), 1);
  EXPECT_EQ(controlLength(), 2 + kBound + 2);
  const long noteLength = FEditor->SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETTEXT, 1L, 0L);
  std::string note(size_t(noteLength), '\0');
  FEditor->SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETTEXT, 1UL, note.data());
  EXPECT_EQ(note, "\u2026 11 more characters of this line not shown; copy and search take them");
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETTEXT, 0L, 0L), 0) << "short lines have none";
  EXPECT_EQ(FEditor->SendScintilla(QsciScintillaBase::SCI_ANNOTATIONGETTEXT, 2L, 0L), 0);
  EXPECT_EQ(FEditor->CaretLine(), 1);
  EXPECT_EQ(FEditor->CaretColumn(), 1);
  EXPECT_TRUE(FEditor->SaveToBytes(nullptr, false).size() > size_t(kBound)) << "saving takes the whole text";

  // Search runs over the whole text: a match in the part not shown puts the caret at the cut,
  // and the next search goes on after the match.
  FEditor->SetText(u"a\n" + std::u16string(size_t(kBound), u'x') + u"needle\nneedle\n");
  ASSERT_EQ(FEditor->CutLineCount(), 1);
  EXPECT_EQ(FEditor->SearchReplace(u"NEEDLE", u"", 0), 1);
  EXPECT_EQ(FEditor->CaretLine(), 2);
  EXPECT_EQ(FEditor->CaretColumn(), int(kBound) + 1);
  EXPECT_EQ(FEditor->SearchReplace(u"needle", u"", soMatchCase), 1);
  EXPECT_EQ(FEditor->CaretLine(), 3);
  EXPECT_EQ(FEditor->SelText(), u"needle");
  EXPECT_EQ(FEditor->SearchReplace(u"needle", u"", soBackwards), 1);
  EXPECT_EQ(FEditor->CaretLine(), 2);
  EXPECT_EQ(FEditor->SearchReplace(u"needle", u"", soBackwards), 0);
  EXPECT_EQ(FEditor->SearchReplace(u"needle", u"", soEntireScope | soWholeWord), 1);
  EXPECT_EQ(FEditor->CaretLine(), 3) << "the one on the cut line follows an x";
  EXPECT_EQ(FEditor->SearchReplace(u"needle", u"x", soReplaceAll | soEntireScope), 0) << "read-only";

  // An editable view shows every line whole, also one made editable after its text was set.
  const std::u16string longText = u"a\n" + std::u16string(size_t(kBound) + 10, u'x') + u"\nz";
  FEditor->SetReadOnly(false);
  EXPECT_EQ(FEditor->CutLineCount(), 0);
  EXPECT_EQ(controlLength(), long(Utf16ToUtf8(FEditor->Text()).size()));
  FEditor->SetText(longText);
  EXPECT_EQ(FEditor->CutLineCount(), 0);
  EXPECT_EQ(controlLength(), long(longText.size()));
  EXPECT_TRUE(FEditor->Text() == longText);
}

TEST_F(TextEditorTest, PrintsToAFile) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  FEditor->SetText(u"<a>\n\t<b c=\"d\"/>\n</a>\n");
  QsciPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  const QString file = dir.filePath("out.pdf");
  printer.setOutputFileName(file);
  TEditorPrintOptions options;
  options.FTitle = u"sample.xml";
  FEditor->Print(printer, options);
  EXPECT_EQ(printer.docName(), QStringLiteral("sample.xml"));
  EXPECT_GT(QFile(file).size(), 500);
  EXPECT_EQ(FEditor->TabWidth(), 8);
  EXPECT_GT(FEditor->marginWidth(0), 0) << "the view's gutter is back after printing";
}

}  // namespace

int main(int argc, char** argv) {
  // Test discovery runs the binary before the test environment applies: default to offscreen.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
