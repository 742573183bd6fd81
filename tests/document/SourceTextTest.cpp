#include <gtest/gtest.h>

#include "DocOpsTestFiles.h"
#include "SourceText.h"
#include "WideSupport.h"

namespace {

class SourceTextTest : public TDocOpsFiles {};

std::string Utf8(const std::u16string& AText) { return Utf16ToUtf8(AText); }

TEST_F(SourceTextTest, FormattedDropsDocTypeAndTrailingNodesKeepsStandalone) {
  auto file = WriteFile("a.xml",
                        "<?xml version='1.0' encoding='UTF-8' standalone='yes'?>\n"
                        "<!DOCTYPE r [<!ENTITY e 'x'>]>\n"
                        "<r a='1'>\n  <c>  t  </c>\n  <e/>\n</r>\n<!--after-->\n");
  TSourceText source = BuildSourceText(file, true);
  EXPECT_TRUE(source.Formatted);
  EXPECT_FALSE(source.FellBack);
  EXPECT_EQ(Utf8(source.Text),
            "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
            "<r a=\"1\">\r\n  <c>\r\n    t\r\n  </c>\r\n  <e/>\r\n</r>");
  EXPECT_EQ(Utf8(source.EncodingName), "65001  (UTF-8)");
}

TEST_F(SourceTextTest, FormattedFileWithoutDeclarationGetsOne) {
  auto file = WriteFile("a.xml", "<r><!--c--></r>");
  EXPECT_EQ(Utf8(BuildSourceText(file, true).Text),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  <!--c-->\r\n</r>");
}

TEST_F(SourceTextTest, AsStoredIsTheFileItselfWithoutItsMark) {
  const std::string body = "<?xml version=\"1.0\"?>\n<!DOCTYPE r>\n<r>  x </r>\n<!--after-->\n";
  auto file = WriteFile("a.xml", "\xEF\xBB\xBF" + body);
  TSourceText source = BuildSourceText(file, false);
  EXPECT_FALSE(source.Formatted);
  EXPECT_EQ(Utf8(source.Text), body);
  EXPECT_EQ(Utf8(source.EncodingName), "65001  (UTF-8)");
}

TEST_F(SourceTextTest, DeclaredSingleByteEncodingDecodesBothWays) {
  // "ř" is 0xF8 in windows-1250.
  auto file = WriteFile("a.xml", "<?xml version=\"1.0\" encoding=\"Windows-1250\"?><r>\xF8</r>");
  TSourceText raw = BuildSourceText(file, false);
  EXPECT_EQ(Utf8(raw.Text), "<?xml version=\"1.0\" encoding=\"Windows-1250\"?><r>\xC5\x99</r>");
  EXPECT_EQ(Utf8(raw.EncodingName), "1250  (ANSI - Central European)");
  TSourceText formatted = BuildSourceText(file, true);
  EXPECT_EQ(Utf8(formatted.Text), "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r>\r\n  \xC5\x99\r\n</r>");
  EXPECT_EQ(formatted.EncodingName, raw.EncodingName);
}

TEST_F(SourceTextTest, Utf16FileWithoutEncodingDeclarationIsReadByItsMark) {
  // A UTF-16 file whose declaration names no encoding must not be decoded as UTF-8.
  std::u16string text = u"<?xml version=\"1.0\"?><r>\u00E9</r>";
  auto file = WriteFile("a.xml", "\xFF\xFE" + Utf16LE(text));
  TSourceText raw = BuildSourceText(file, false);
  EXPECT_EQ(raw.Text, text);
  EXPECT_EQ(Utf8(raw.EncodingName), "1200  (Unicode)");
  EXPECT_EQ(Utf8(BuildSourceText(file, true).Text), "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  \xC3\xA9\r\n</r>");
}

TEST_F(SourceTextTest, UnlistedEncodingShowsTheFileInTheSystemCodePage) {
  auto file = WriteFile("a.xml", "<?xml version=\"1.0\" encoding=\"x-unknown\"?><r>\xE9</r>");
  TSourceText raw = BuildSourceText(file, false);
  EXPECT_EQ(Utf8(raw.Text), "<?xml version=\"1.0\" encoding=\"x-unknown\"?><r>\xC3\xA9</r>");
  EXPECT_EQ(Utf8(raw.EncodingName), "1252  (ANSI - Latin I)");
  // Formatted, it is written in UTF-8, and the new declaration says so.
  TSourceText formatted = BuildSourceText(file, true);
  EXPECT_TRUE(formatted.Formatted);
  EXPECT_EQ(Utf8(formatted.EncodingName), "65001  (UTF-8)");
  EXPECT_EQ(formatted.Text.substr(0, 38), u"<?xml version=\"1.0\" encoding=\"utf-8\"?>");
}

TEST_F(SourceTextTest, WriterErrorFallsBackToTheStoredTextInTheDeclaredEncoding) {
  // The tolerant reader lets "--" inside a comment through; the strict writer refuses it.
  auto file = WriteFile("a.xml", "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>\xC3\xA9<!-- a -- b --></r>");
  TSourceText source = BuildSourceText(file, true);
  EXPECT_TRUE(source.FellBack);
  EXPECT_FALSE(source.Formatted);
  EXPECT_FALSE(source.Error.empty());
  EXPECT_EQ(Utf8(source.Text), "<?xml version=\"1.0\" encoding=\"utf-8\"?><r>\xC3\xA9<!-- a -- b --></r>");
  EXPECT_EQ(Utf8(source.EncodingName), "65001  (UTF-8)");
}

TEST_F(SourceTextTest, FormattingReadsTolerantly) {
  // A mismatched end tag does not cut the Source text short, as it would cut the editor's.
  auto file = WriteFile("a.xml", "<r>\n<a>x</a>\n<b></c>\n<d/></r>");
  TSourceText source = BuildSourceText(file, true);
  EXPECT_TRUE(source.Formatted);
  EXPECT_NE(source.Text.find(u"<a>\r\n    x\r\n  </a>"), std::u16string::npos);
  EXPECT_NE(source.Text.find(u"<d/>"), std::u16string::npos);
  EXPECT_EQ(source.ParseError, u"");

  // An error that stops even the tolerant reader is reported with the cut text.
  auto cut = WriteFile("b.xml", "<!DOCTYPE r [<!ENTITY -e 'x'>]><r><a/></r>");
  source = BuildSourceText(cut, true);
  EXPECT_EQ(Utf8(source.Text), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_EQ(Utf8(source.ParseError).rfind("Error at line 1 at position ", 0), 0u) << Utf8(source.ParseError);
}

TEST_F(SourceTextTest, EmptyAndMissingFiles) {
  auto empty = WriteFile("empty.xml", "");
  EXPECT_EQ(BuildSourceText(empty, false).Text, u"");
  EXPECT_EQ(Utf8(BuildSourceText(empty, true).Text), "<?xml version=\"1.0\" encoding=\"utf-8\"?>");
  EXPECT_THROW(BuildSourceText(PathOf("missing.xml"), true), EFOpenError);
  EXPECT_THROW(BuildSourceText(PathOf("missing.xml"), false), EFOpenError);
}

TEST_F(SourceTextTest, AsStoredForTheHighlighterTakesAUtf8Name) {
  WriteFile("n\xC3\xA9.xml", "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\xF8</r>");
  std::u16string name;
  std::u16string text = SourceTextAsStored(FDir + "/n\xC3\xA9.xml", name);
  EXPECT_EQ(Utf8(name), "1250  (ANSI - Central European)");
  EXPECT_EQ(Utf8(text), "<?xml version=\"1.0\" encoding=\"windows-1250\"?><r>\xC5\x99</r>");
}

TEST(EncodingDisplayName, StandardAndOtherCodePages) {
  EXPECT_EQ(Utf16ToUtf8(EncodingDisplayName(TEncoding::Unicode())), "1200  (Unicode)");
  EXPECT_EQ(Utf16ToUtf8(EncodingDisplayName(TEncoding::BigEndianUnicode())), "1201  (Unicode - Big-Endian)");
  EXPECT_EQ(Utf16ToUtf8(EncodingDisplayName(TEncoding::UTF8())), "65001  (UTF-8)");
  EXPECT_EQ(Utf16ToUtf8(EncodingDisplayName(nullptr)), "(none)");
  // Every name the alias table lists has a display name of its own.
  for (int cp : {65001, 1200, 1201, 1250, 1258, 28591, 28605, 20866, 21866, 437, 850, 852, 866, 874, 932, 20127, 65000})
    EXPECT_NE(EncodingDisplayName(TEncodingRef(EncodingFromCodePage(cp)).get()), IntToStr(cp)) << cp;
}

}  // namespace
