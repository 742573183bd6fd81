// The XML line tokenizer: token sequences for whole lines and line sequences (the range is
// carried from line to line as a text view does), the name-character rule, the attribute
// table and the guarantees a view relies on (no hang, no step past the line).
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "XmlHighlighter.h"

namespace {

std::string Narrow(std::u16string_view s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) out.push_back(char(c));
    else out += "\\u" + std::to_string(unsigned(c));
  }
  return out;
}

std::u16string Widen(std::string_view s) {
  std::u16string out;
  for (unsigned char c : s) out.push_back(c);
  return out;
}

// "kind:text" for every token (the loop never sees the tkNull that closes a line), lines separated by " / ", and the
// range at each line end after "=>".
std::string Tokenize(const std::vector<std::u16string>& aLines, TXmlHighlighter& h) {
  std::string out;
  h.ResetRange();
  for (size_t i = 0; i < aLines.size(); ++i) {
    if (i) out += " / ";
    for (h.SetLine(aLines[i], int(i)); !h.Eol(); h.Next()) {
      out += std::string(TokenKindName(h.TokenKind())).substr(2) + ":" + Narrow(h.Token()) + " ";
    }
    out += std::string("=>") + RangeStateName(h.Range());
  }
  return out;
}

std::string Tokenize(const std::vector<std::string>& aLines) {
  std::vector<std::u16string> wide;
  for (const auto& l : aLines) wide.push_back(Widen(l));
  TXmlHighlighter h;
  return Tokenize(wide, h);
}

struct TCase {
  const char* FName;
  std::vector<std::string> FLines;
  const char* FExpected;
};

class TokenSequence : public ::testing::TestWithParam<TCase> {};

TEST_P(TokenSequence, Matches) {
  EXPECT_EQ(Tokenize(GetParam().FLines), GetParam().FExpected);
}

const TCase kCases[] = {
    {"AposValueWithEntity", {"<a href='x&amp;y'>"},
     "Symbol:< Element:a Space:  Attribute:href Equal:=' AposAttrValue:x AposEntityRef:&amp; "
     "AposAttrValue:y Symbol:' Symbol:> =>rsText"},
    {"QuoteValueWithSpacesAndEmptyValue", {"<e a=\"1 2\" b=\"\"/>"},
     "Symbol:< Element:e Space:  Attribute:a Equal:=\" QuoteAttrValue:1 2 Symbol:\" Space:  "
     "Attribute:b Equal:=\" QuoteAttrValue: Symbol:\" Attribute: Symbol:/ Symbol:> =>rsText"},
    {"NamespaceAttribute", {"<r xmlns:p=\"u&lt;\">"},
     "Symbol:< Element:r Space:  nsAttribute:xmlns:p nsEqual:=\" nsQuoteAttrValue:u "
     "nsQuoteEntityRef:&lt; nsQuoteAttrValue: Symbol:\" Symbol:> =>rsText"},
    {"NameMerelyContainingXmlns", {"<r myxmlnsx='v'>"},
     "Symbol:< Element:r Space:  nsAttribute:myxmlnsx nsEqual:=' nsAposAttrValue:v Symbol:' "
     "Symbol:> =>rsText"},
    {"XmlnsIsCaseSensitive", {"<r XMLNS='v'>"},
     "Symbol:< Element:r Space:  Attribute:XMLNS Equal:=' AposAttrValue:v Symbol:' Symbol:> =>rsText"},
    {"EndTagAndText", {"<a>t &x; u</a>"},
     "Symbol:< Element:a Symbol:> Text:t  EntityRef:&x; Text: u Symbol:</ Element:a Symbol:> =>rsText"},
    {"TextIndentedByBlanksIsOneToken", {"   hello"}, "Text:   hello =>rsText"},
    {"TextIndentedByTabStartsWithSpace", {"\t\thello"}, "Space:\t Space:\t Text:hello =>rsText"},
    {"SpaceRunStopsAtTab", {"<a  \tb='1'>"},
     "Symbol:< Element:a Space:   Space:\t Attribute:b Equal:=' AposAttrValue:1 Symbol:' Symbol:> =>rsText"},
    {"CommentOverThreeLines", {"x<!-- one", "two", "three -->y"},
     "Text:x Symbol:<!-- Comment: one =>rsComment / Comment:two =>rsComment / "
     "Comment:three  Symbol:--> Text:y =>rsText"},
    {"EmptyLineInsideComment", {"<!--", "", "-->"},
     "Symbol:<!-- =>rsComment / =>rsComment / Symbol:--> =>rsText"},
    {"DocTypeWithInternalSubset", {"<!DOCTYPE r [", "<!ENTITY e 'v'>", "]>x='1'"},
     "DocType:<!DOCTYP DocType:E r [ =>rsDocTypeSquareBraces / "
     "DocType:<!ENTITY e 'v'> =>rsDocTypeSquareBraces / DocType:] DocType:> Attribute:x "
     "Equal:=' AposAttrValue:1 Symbol:' =>rsAttribute"},
    {"DocTypeSubsetClosedOnOneLine", {"<!DOCTYPE r [<!ENTITY e 'v'>]> a"},
     "DocType:<!DOCTYP DocType:E r [<!ENTITY e 'v'>] DocType:> Space:  "
     "Attribute:a =>rsEqual"},
    {"LowerCaseDoctypeIsAnElement", {"<!doctype r>"},
     "Symbol:<! Element:doctype Space:  Attribute:r Symbol:> =>rsText"},
    {"CDataEndsAtSingleBracket", {"<![CDATA[a<b]>c"}, "CDATA:<![CDATA CDATA:[a<b]> Text:c =>rsText"},
    {"CDataOverLines", {"<![CDATA[x", "y]]>"}, "CDATA:<![CDATA CDATA:[x =>rsCDATA / CDATA:y]]> =>rsText"},
    {"ProcessingInstruction", {"<?xml version=\"1.0\"?><r/>"},
     "ProcessingInstruction:<? ProcessingInstruction:xml version=\"1.0\"?> Symbol:< Element:r "
     "Attribute: Symbol:/ Symbol:> =>rsText"},
    {"ProcessingInstructionOverLines", {"<?pi a", "b?>"},
     "ProcessingInstruction:<? ProcessingInstruction:pi a =>rsProcessingInstruction / "
     "ProcessingInstruction:b?> =>rsText"},
    {"TagOpenAtLineEnd", {"<a", "  b=\"1", "2\">"},
     "Symbol:< Element:a =>rsAttribute / Space:   Attribute:b Equal:=\" QuoteAttrValue:1 "
     "=>rsQuoteAttrValue / QuoteAttrValue:2 Symbol:\" Symbol:> =>rsText"},
    {"AccentedLetterEndsName", {"<caf\xe9 a='1'>"},
     "Symbol:< Element:caf Attribute: Equal:\\u233 a=' AposAttrValue:1 Symbol:' Symbol:> =>rsText"},
    {"GreaterThanStartingAValueEndsTheTag", {"<a b='>x'>"},
     "Symbol:< Element:a Space:  Attribute:b Equal:=' Symbol:> Text:x'> =>rsText"},
    {"EntityInTextRunsOverMarkup", {"&a<b>;"}, "EntityRef:&a<b>; =>rsText"},
    {"EntityLeadingLineIsNotEmpty", {"&amp;x"}, "EntityRef:&amp; Text:x =>rsText"},
    {"EqualWithSlashEndsEmptyTag", {"<a b/>"},
     "Symbol:< Element:a Space:  Attribute:b Symbol:/ Symbol:> =>rsText"},
    {"EmptyLine", {""}, "=>rsText"},
};

INSTANTIATE_TEST_SUITE_P(Lines, TokenSequence, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.FName); });

TEST(XmlHighlighter, NameCharactersAroundTheLimit) {
  // Below 0x155 only ASCII letters, digits and - . : _ make names; from 0x155 on everything.
  struct {
    char16_t FChar;
    bool FName;
  } cases[] = {{u'-', true},   {u'.', true},   {u':', true},    {u'_', true},   {u'9', true},
               {u'Z', true},   {u'z', true},   {u'/', false},   {u'@', false},  {u'[', false},
               {u'`', false},  {u'{', false},  {0xE9, false},   {0x154, false}, {0x155, true},
               {0x4E2D, true}, {0xD800, true}, {0xFFFF, true}};
  for (const auto& c : cases) {
    std::u16string line = u"<a";
    line.push_back(c.FChar);
    line += u"b";
    TXmlHighlighter h;
    h.SetLine(line);  // "<"
    h.Next();         // element name
    ASSERT_EQ(h.TokenKind(), tkElement);
    EXPECT_EQ(h.Token().size(), c.FName ? 3u : 1u) << "char " << unsigned(c.FChar);
  }
}

TEST(XmlHighlighter, EmbeddedNulAndLineBreaksAreHandled) {
  // A view that hands over lines with their breaks, or text with NUL characters, still gets
  // finite, gap-free tokens.
  std::u16string line(u"<a b='x\r\ny'>\0t\r", 15);
  TXmlHighlighter h;
  int expected = 0;
  std::string kinds;
  for (h.SetLine(line); !h.Eol(); h.Next()) {
    ASSERT_EQ(h.TokenPos(), expected);
    expected += h.TokenLength();
    kinds += std::string(TokenKindName(h.TokenKind())) + " ";
  }
  EXPECT_EQ(expected, int(line.size()));
  EXPECT_EQ(kinds,
            "tkSymbol tkElement tkSpace tkAttribute tkEqual tkAposAttrValue tkSpace tkAposAttrValue "
            "tkSymbol tkSymbol tkNull tkText tkSpace ");
}

TEST(XmlHighlighter, RandomLinesNeverHangAndCoverTheLine) {
  // Tokens must tile the line exactly, from every start range: the view styles by them.
  std::mt19937 rng(7);
  const char16_t alphabet[] = u"<>/!?-[]&;='\" \tx:\r\nDOCTYPECDAmlns\0\xE9\x4E2D";
  const int n = int(sizeof(alphabet) / sizeof(alphabet[0]));
  TXmlHighlighter h;
  for (int round = 0; round < 20000; ++round) {
    std::u16string line(rng() % 24, u' ');
    for (auto& c : line) c = alphabet[rng() % n];
    h.SetRange(int(rng() % RangeStateCount));
    int pos = 0, tokens = 0;
    for (h.SetLine(line); !h.Eol(); h.Next()) {
      ASSERT_EQ(h.TokenPos(), pos);
      ASSERT_LE(h.TokenPos() + h.TokenLength(), int(line.size()));
      pos += h.TokenLength();
      ASSERT_LT(++tokens, 200);
    }
    EXPECT_EQ(pos, int(line.size()));
    EXPECT_LT(int(h.Range()), RangeStateCount);
  }
}

TEST(XmlHighlighter, RangeOrdinalsAndForeignValues) {
  TXmlHighlighter h;
  EXPECT_EQ(h.Range(), rsText);
  h.SetRange(4);
  EXPECT_EQ(h.Range(), rsComment);
  h.SetRange(18);
  EXPECT_EQ(h.Range(), rsDocTypeSquareBraces);
  for (int foreign : {-1, 19, 1000}) {
    h.SetRange(foreign);
    EXPECT_EQ(h.Range(), rsText) << foreign;
  }
  h.SetRange(rsComment);
  h.ResetRange();
  EXPECT_EQ(h.Range(), rsText);
  EXPECT_STREQ(RangeStateName(rsAPosEntityRef), "rsAPosEntityRef");
  EXPECT_STREQ(TokenKindName(tknsQuoteEntityRef), "tknsQuoteEntityRef");
}

TEST(XmlHighlighter, AttributeTableAndDocumentWindowDefaults) {
  TXmlHighlighter h;
  const TXmlTextAttribute& comment = h.Attribute(akComment);
  EXPECT_EQ(comment.StorageName(), u"Comment");
  EXPECT_EQ(comment.Foreground(), RGB(128, 128, 128));
  EXPECT_EQ(comment.Background(), RGB(192, 192, 192));
  EXPECT_EQ(comment.Style(), fsBold | fsItalic);
  EXPECT_EQ(h.Attribute(akCDATASection).StorageName(), u"CDATA-Section");
  EXPECT_EQ(h.Attribute(akDocTypeSection).DisplayName(), u"DOCTYPE Section");
  EXPECT_EQ(h.Attribute(akWhitespace).Foreground(), clNone);
  EXPECT_EQ(h.Attribute(akNamespaceAttributeValue).Foreground(), RGB(255, 0, 0));
  EXPECT_EQ(h.Attribute(akNamespaceAttributeValue).Style(), fsBold);
  EXPECT_EQ(h.DefaultFilter(), u"XML Files (*.xml;*.xsd;*.xsl;*.xslt;*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd");
  EXPECT_EQ(TXmlHighlighter::LanguageName(), u"XML");

  // Every token kind but tkNull has an attribute, and the equal signs paint as symbols.
  for (int k = 0; k < TokenKindCount; ++k)
    EXPECT_EQ(TXmlHighlighter::AttributeKindOf(TtkTokenKind(k)) == akNone, k == tkNull) << k;
  EXPECT_EQ(TXmlHighlighter::AttributeKindOf(tknsEqual), akSymbol);
  EXPECT_EQ(TXmlHighlighter::AttributeKindOf(tknsAposEntityRef), akEntityReference);

  EXPECT_EQ(h.DefaultAttribute(grComment), &h.Attribute(akComment));
  EXPECT_EQ(h.DefaultAttribute(grIdentifier), &h.Attribute(akAttributeName));
  EXPECT_EQ(h.DefaultAttribute(grKeyword), &h.Attribute(akElementName));
  EXPECT_EQ(h.DefaultAttribute(grWhitespace), &h.Attribute(akWhitespace));
  EXPECT_EQ(h.DefaultAttribute(grSymbol), &h.Attribute(akSymbol));
  EXPECT_EQ(h.DefaultAttribute(grString), nullptr);

  TXmlHighlighter viewer;
  viewer.UseDocumentWindowDefaults();
  EXPECT_EQ(viewer.Attribute(akElementName).Style(), 0);
  EXPECT_EQ(viewer.Attribute(akElementName).Foreground(), RGB(128, 0, 0));
  EXPECT_EQ(viewer.Attribute(akAttributeValue).Foreground(), RGB(0, 0, 0));
  EXPECT_EQ(viewer.Attribute(akAttributeValue).Style(), fsBold);
  EXPECT_EQ(viewer.Attribute(akComment), TXmlTextAttribute(u"Comment", u"Comment", RGB(0, 128, 0), clNone, 0));
  EXPECT_EQ(viewer.DefaultFilter(), u"XML Document (*.xml,*.xsd,*.xsl,*.xslt,*.dtd)|*.xml;*.xsd;*.xsl;*.xslt;*.dtd");
  // Only those three attributes differ.
  for (int a = 0; a < XmlAttributeCount; ++a)
    if (a != akElementName && a != akAttributeValue && a != akComment) {
      EXPECT_EQ(viewer.Attribute(TXmlAttributeKind(a)), h.Attribute(TXmlAttributeKind(a))) << a;
    }
}

}  // namespace
