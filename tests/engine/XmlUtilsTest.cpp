#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "XmlUtils.h"

namespace {

std::string Show(std::u16string_view aText) {
  std::string result;
  for (char16_t c : aText) {
    if (c >= 0x20 && c < 0x7F) {
      result += char(c);
    } else {
      char hex[12];
      snprintf(hex, sizeof hex, "\\u%04X", unsigned(c));
      result += hex;
    }
  }
  return result;
}

}  // namespace

TEST(XmlCharClasses, MatchTheGrammarAtEveryRangeBoundary) {
  struct Case {
    char16_t c;
    bool isChar, nameStart, name, white;
  } cases[] = {
      {0x00, 0, 0, 0, 0},   {0x08, 0, 0, 0, 0},   {0x09, 1, 0, 0, 1},   {0x0A, 1, 0, 0, 1},
      {0x0B, 0, 0, 0, 0},   {0x0C, 0, 0, 0, 0},   {0x0D, 1, 0, 0, 1},   {0x1F, 0, 0, 0, 0},
      {0x20, 1, 0, 0, 1},   {u'-', 1, 0, 1, 0},   {u'.', 1, 0, 1, 0},   {u'/', 1, 0, 0, 0},
      {u'0', 1, 0, 1, 0},   {u'9', 1, 0, 1, 0},   {u':', 1, 1, 1, 0},   {u';', 1, 0, 0, 0},
      {u'@', 1, 0, 0, 0},   {u'A', 1, 1, 1, 0},   {u'Z', 1, 1, 1, 0},   {u'[', 1, 0, 0, 0},
      {u'_', 1, 1, 1, 0},   {u'`', 1, 0, 0, 0},   {u'a', 1, 1, 1, 0},   {u'z', 1, 1, 1, 0},
      {u'{', 1, 0, 0, 0},   {0xB7, 1, 0, 1, 0},   {0xBF, 1, 0, 0, 0},   {0xC0, 1, 1, 1, 0},
      {0xD6, 1, 1, 1, 0},   {0xD7, 1, 0, 0, 0},   {0xF7, 1, 0, 0, 0},   {0xF8, 1, 1, 1, 0},
      {0x2FF, 1, 1, 1, 0},  {0x300, 1, 0, 1, 0},  {0x36F, 1, 0, 1, 0},  {0x370, 1, 1, 1, 0},
      {0x37D, 1, 1, 1, 0},  {0x37E, 1, 0, 0, 0},  {0x37F, 1, 1, 1, 0},  {0x1FFF, 1, 1, 1, 0},
      {0x2000, 1, 0, 0, 0}, {0x200B, 1, 0, 0, 0}, {0x200C, 1, 1, 1, 0}, {0x200D, 1, 1, 1, 0},
      {0x200E, 1, 0, 0, 0}, {0x203E, 1, 0, 0, 0}, {0x203F, 1, 0, 1, 0}, {0x2040, 1, 0, 1, 0},
      {0x2041, 1, 0, 0, 0}, {0x206F, 1, 0, 0, 0}, {0x2070, 1, 1, 1, 0}, {0x218F, 1, 1, 1, 0},
      {0x2190, 1, 0, 0, 0}, {0x2BFF, 1, 0, 0, 0}, {0x2C00, 1, 1, 1, 0}, {0x2FEF, 1, 1, 1, 0},
      {0x2FF0, 1, 0, 0, 0}, {0x3000, 1, 0, 0, 0}, {0x3001, 1, 1, 1, 0}, {0xD7FF, 1, 1, 1, 0},
      {0xD800, 1, 0, 0, 0}, {0xDFFF, 1, 0, 0, 0}, {0xE000, 1, 0, 0, 0}, {0xF8FF, 1, 0, 0, 0},
      {0xF900, 1, 1, 1, 0}, {0xFDCF, 1, 1, 1, 0}, {0xFDD0, 1, 0, 0, 0}, {0xFDEF, 1, 0, 0, 0},
      {0xFDF0, 1, 1, 1, 0}, {0xFFFD, 1, 1, 1, 0}, {0xFFFE, 0, 0, 0, 0}, {0xFFFF, 0, 0, 0, 0},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(Show(std::u16string(1, k.c)));
    EXPECT_EQ(XmlIsChar(k.c), k.isChar);
    EXPECT_EQ(XmlIsNameStartChar(k.c), k.nameStart);
    EXPECT_EQ(XmlIsNameChar(k.c), k.name);
    EXPECT_EQ(XmlIsWhiteSpace(k.c), k.white);
  }
}

TEST(XmlCharClasses, Digits) {
  const std::u16string_view hex = u"0123456789ABCDEFabcdef";
  for (unsigned c = 0; c < 0x10000; ++c) {
    const bool isDecimal = c >= u'0' && c <= u'9';
    ASSERT_EQ(XmlIsDecimalDigit(char16_t(c)), isDecimal) << c;
    ASSERT_EQ(XmlIsHexDigit(char16_t(c)), hex.find(char16_t(c)) != hex.npos) << c;
  }
}

TEST(XmlNames, ValidNamesAndEntityNames) {
  struct Case {
    std::u16string_view text;
    bool name, entity;
  } cases[] = {
      {u"", false, false},
      {u"a", true, true},
      {u"_", true, true},
      {u":", true, true},
      {u"1", false, false},
      {u"#", false, false},
      {u"amp", true, true},
      {u"a-b.c9", true, true},
      {u"-a", false, false},
      {u"a b", false, false},
      {u"1a", false, false},
      {u"#38", false, true},
      {u"#x26", false, true},
      {u"#xaF09", false, true},
      {u"#x", false, true},  // an empty hexadecimal reference passes the name check
      {u"#x2G", false, false},
      {u"#3a", false, false},
      {u"#X26", false, false},  // only a lower-case x selects hexadecimal
      {u"#", false, false},
      {u"\u00E9t\u00E9", true, true},
      {u"a\u00B7", true, true},
      {u"\u00B7a", false, false},
      {u"a\U0001F600", false, false},  // surrogate halves are no name characters
      {u"a\u037E", false, false},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(Show(k.text));
    EXPECT_EQ(XmlIsValidName(k.text), k.name);
    EXPECT_EQ(XmlIsValidEntityName(k.text), k.entity);
  }
}

TEST(XmlLineBreaks, TextsAndReferences) {
  EXPECT_EQ(XmlLineBreakText(lbLF), u"\n");
  EXPECT_EQ(XmlLineBreakText(lbCR), u"\r");
  EXPECT_EQ(XmlLineBreakText(lbCRLF), u"\r\n");
  EXPECT_EQ(XmlLineBreakText(lbDoNotProcess), u"\r\n");
  EXPECT_EQ(XmlLineBreakEntity(lbLF), u"&#xA;");
  EXPECT_EQ(XmlLineBreakEntity(lbCR), u"&#xD;");
  EXPECT_EQ(XmlLineBreakEntity(lbCRLF), u"&#xD;&#xA;");
  EXPECT_EQ(XmlLineBreakEntity(lbDoNotProcess), u"&#xD;&#xA;");
}

namespace {

std::u16string Escape(std::u16string_view aText, bool aInAttribute,
                      const TXMLEscapeSettings& aSettings = {},
                      const TCharTableSource& aSafe = {}) {
  std::u16string out = u"[";  // escaping appends: what is there stays
  XmlEscape(out, aText, aInAttribute, aSettings, aSafe);
  return out;
}

TXMLEscapeSettings With(TXMLLineBreak aLineBreak, bool aEntities = true, bool aQuotes = false,
                        bool aGreater = true, bool aStrict = true) {
  return {aLineBreak, aEntities, aQuotes, aGreater, aStrict};
}

}  // namespace

TEST(XmlEscape, WritesEachClassByTheSettings) {
  struct Case {
    std::u16string_view text;
    bool inAttribute;
    TXMLEscapeSettings settings;
    std::u16string_view expected;
  } cases[] = {
      // line breaks in text
      {u"a\r\nb", false, With(lbLF), u"a\nb"},
      {u"a\r\nb", false, With(lbCRLF), u"a\r\nb"},
      {u"a\r\nb", false, With(lbCR), u"a\rb"},
      {u"a\r\nb", false, With(lbDoNotProcess), u"a&#xD;\nb"},
      {u"\r\r\n\n\r", false, With(lbLF), u"\n\n\n\n"},
      {u"a\nb\rc", false, With(lbCRLF), u"a\r\nb\r\nc"},
      // line breaks in attributes
      {u"a\r\nb", true, With(lbCRLF), u"a&#xD;&#xA;b"},
      {u"a\r\nb", true, With(lbLF), u"a&#xA;b"},
      {u"a\r\nb", true, With(lbCRLF, false), u"a\r\nb"},
      {u"a\r\nb", true, With(lbDoNotProcess), u"a&#xD;&#xA;b"},
      {u"a\r\nb", true, With(lbDoNotProcess, false), u"a&#xD;\nb"},
      // tab
      {u"a\tb", false, With(lbLF), u"a\tb"},
      {u"a\tb", true, With(lbLF), u"a&#9;b"},
      {u"a\tb", true, With(lbLF, false), u"a\tb"},
      // quotes
      {u"\"'", false, With(lbLF), u"\"'"},
      {u"\"'", true, With(lbLF), u"&quot;'"},
      {u"\"'", false, With(lbLF, true, true), u"&quot;&apos;"},
      {u"\"'", true, With(lbLF, true, true), u"&quot;&apos;"},
      // markup
      {u"a&b<c>d]]>", false, With(lbLF), u"a&amp;b&lt;c&gt;d]]&gt;"},
      {u"a&b<c>d", true, With(lbLF, true, false, false), u"a&amp;b&lt;c>d"},
      // without the entity a ">" stays, except where it would close "]]>" in text
      {u"]>]]>]]]>", false, With(lbLF, true, false, false), u"]>]]&gt;]]]&gt;"},
      {u"]]>", true, With(lbLF, true, false, false), u"]]>"},
      // forbidden code units pass unchanged when not strict
      {u"a\u0001\u000B\uFFFE\uFFFFb", false, With(lbLF, true, false, true, false),
       u"a\u0001\u000B\uFFFE\uFFFFb"},
      // everything else, surrogates and the last Char included, is written as it is
      {u"\u00E9\U0001F600\uFFFD[]", false, With(lbLF), u"\u00E9\U0001F600\uFFFD[]"},
      {u"", true, With(lbLF), u""},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(Show(k.text) + (k.inAttribute ? " in attribute" : " in text") + " lb=" +
                 std::to_string(int(k.settings.LineBreak)));
    EXPECT_EQ(Show(Escape(k.text, k.inAttribute, k.settings)), Show(u"[" + std::u16string(k.expected)));
  }
}

TEST(XmlEscape, StrictModeRejectsForbiddenCodeUnitsAfterWritingWhatPrecedes) {
  for (char16_t bad : {char16_t(0x01), char16_t(0x0B), char16_t(0x1F), char16_t(0xFFFE),
                       char16_t(0xFFFF)}) {
    const std::u16string text = u"a&b" + std::u16string(1, bad) + u"c";
    std::u16string out;
    try {
      XmlEscape(out, text, false, TXMLEscapeSettings{});
      ADD_FAILURE() << "accepted " << int(bad);
    } catch (const EXmlWriterException& e) {
      EXPECT_NE(dynamic_cast<const EXmlWriterInvalidString*>(&e), nullptr);
      EXPECT_EQ(e.Message(), u"\"" + text + u"\" is not a valid text.");
      EXPECT_EQ(out, u"a&amp;b");
    }
  }
}

TEST(XmlEscape, SafeModeWritesReferencesForWhatTheEncodingLacks) {
  std::unique_ptr<TEncoding> cp1252(EncodingFromCodePage(1252));
  std::unique_ptr<TCharTable> table;
  int asked = 0;
  TCharTableSource source = [&]() -> const TCharTable& {
    ++asked;
    if (!table) table = std::make_unique<TCharTable>(*cp1252);
    return *table;
  };

  EXPECT_EQ(Escape(u"<&\r\n>", false, {}, source), u"[&lt;&amp;\n&gt;");
  EXPECT_EQ(asked, 0);  // no plain code unit, no table
  EXPECT_EQ(Escape(u"x\u20AC\u0100y", false, {}, source), u"[x\u20AC&#256;y");
  EXPECT_EQ(asked, 1);  // asked once per text, however many code units need it
  // A character above U+FFFF is one reference to its code point, never two to its halves;
  // a lone surrogate, which no reference may name, becomes U+FFFD.
  EXPECT_EQ(Escape(u"\U0001F600\"", true, {}, source), u"[&#128512;&quot;");
  EXPECT_EQ(Escape(u"a\U0010FFFF\U00010000", false, {}, source), u"[a&#1114111;&#65536;");
  EXPECT_EQ(Escape(std::u16string(u"x\xD83Dy\xDE00"), false, {}, source), u"[x&#65533;y&#65533;");
  EXPECT_EQ(Escape(std::u16string(u"\xD83D"), false, {}, source), u"[&#65533;");
  TXMLEscapeSettings loose;
  loose.StrictXML = false;
  // Forbidden code units keep their own rule: written unchanged, not as references.
  EXPECT_EQ(Escape(u"\u0001\uFFFF\u00FF", false, loose, source), u"[\u0001\uFFFF\u00FF");
}

// The single-byte shortcut of the table must agree with the defining round trip.
TEST(TCharTable, AgreesWithTheRoundTripOfEveryCodeUnit) {
  for (int codePage : {1250, 1252, 1253, 28595, 866}) {
    std::unique_ptr<TEncoding> encoding(EncodingFromCodePage(codePage));
    ASSERT_TRUE(encoding->IsSingleByte());
    TCharTable table(*encoding);
    int supported = 0;
    for (unsigned c = 0; c <= 0xFFFF; ++c) {
      const std::u16string unit(1, char16_t(c));
      const std::vector<uint8_t> bytes = encoding->GetBytes(unit);
      const bool roundTrips = !bytes.empty() && encoding->GetString(bytes) == unit;
      ASSERT_EQ(table.IsSupported(char16_t(c)), roundTrips) << codePage << " U+" << std::hex << c;
      supported += roundTrips;
    }
    EXPECT_GT(supported, 200) << codePage;
  }
  TCharTable utf8(*TEncoding::UTF8());
  EXPECT_TRUE(utf8.IsSupported(u'A'));
  EXPECT_TRUE(utf8.IsSupported(0x4E2D));
  EXPECT_FALSE(utf8.IsSupported(0xD800));
  EXPECT_FALSE(utf8.IsSupported(0xDFFF));
}

TEST(TCharTable, EntityIsTheDecimalReference) {
  EXPECT_EQ(TCharTable::Entity(0), u"&#0;");
  EXPECT_EQ(TCharTable::Entity(9), u"&#9;");
  EXPECT_EQ(TCharTable::Entity(256), u"&#256;");
  EXPECT_EQ(TCharTable::Entity(0xFFFF), u"&#65535;");
}
