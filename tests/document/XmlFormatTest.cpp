#include <gtest/gtest.h>

#include "WideSupport.h"
#include "XmlFormat.h"
#include "XmlUtils.h"

namespace {

std::string Format8(std::string_view AText, int* ACodePage = nullptr) {
  TEncodingRef encoding;
  std::u16string text = FormatXML(Utf8ToUtf16(AText), encoding);
  if (ACodePage) *ACodePage = EncodingCodePage(encoding.get());
  return Utf16ToUtf8(text);
}

TEST(FormatXML, EightLineExample) {
  int codePage = 0;
  EXPECT_EQ(Format8("<r a='1'><c>t</c><e/><!--x--></r>", &codePage),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<r a=\"1\">\r\n"
            "  <c>\r\n"
            "    t\r\n"
            "  </c>\r\n"
            "  <e/>\r\n"
            "  <!--x-->\r\n"
            "</r>");
  EXPECT_EQ(codePage, 65001);
}

TEST(FormatXML, WhatTheReplayKeepsAndDrops) {
  struct TCase {
    const char* Input;
    const char* Output;
  } cases[] = {
      // standalone kept, other pseudo-attributes dropped, encoding name as the alias table has it
      {"<?xml version=\"1.1\" encoding=\"UTF-8\" standalone=\"yes\"?><r/>",
       "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n<r/>"},
      // document type and everything after the document element dropped
      {"<!DOCTYPE r [<!ENTITY e \"ent\">]><r>&e;</r><!--after--><?pi after?>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  ent\r\n</r>"},
      // references expanded and escaped again; white-space-only text gone, text trimmed
      {"<r>\n  <a> &amp; &#65;&lt; </a>\n  <b>\t</b>\n</r>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  <a>\r\n    &amp; A&lt;\r\n  </a>\r\n  <b>\r\n  </b>\r\n</r>"},
      // CDATA, processing instructions (white space after the separating blank is content),
      // attribute quoting
      {"<r x='\"q\"'><?pi  data?><![CDATA[ <raw> ]]></r>",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r x=\"&quot;q&quot;\">\r\n  <?pi  data?>\r\n  <![CDATA[ <raw> ]]>\r\n</r>"},
      // a syntax error on the third line: the part before it, without a message
      {"<r>\n<a>x</a>\n<b></c>\n<d/></r>", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  <a>\r\n    x\r\n  </a>\r\n  <b>"},
      // nothing at all: the declaration alone
      {"", "<?xml version=\"1.0\" encoding=\"utf-8\"?>"},
  };
  for (const TCase& c : cases) EXPECT_EQ(Format8(c.Input), c.Output) << c.Input;
}

TEST(FormatXML, DeclaredSingleByteEncoding) {
  TEncodingRef encoding;
  const std::u16string input = u"<?xml version=\"1.0\" encoding=\"Windows-1250\"?><r>\u0159\u20AC\u4E2D</r>";
  std::vector<uint8_t> bytes = FormatXMLToBytes(input, encoding);
  EXPECT_EQ(EncodingCodePage(encoding.get()), 1250);
  // ř and € are windows-1250 bytes; a character the code page lacks becomes a reference
  // instead of a question mark.
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r>\r\n  \xF8\x80&#20013;\r\n</r>");
  TEncodingRef again;
  EXPECT_EQ(FormatXML(input, again), encoding->GetString(bytes));
}

TEST(FormatXML, TextIsReadAsItIsWhateverTheDeclarationSays) {
  // A declaration edited from windows-1250 to utf-8: the characters survive.
  int codePage = 0;
  EXPECT_EQ(Format8("<?xml version=\"1.0\" encoding=\"utf-8\"?><r>\xC5\x99</r>", &codePage),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r>\r\n  \xC5\x99\r\n</r>");
}

// An encoding outside the table is written under the name the text declared; one that nothing
// converts is refused, since its characters were decoded by guesswork.
TEST(FormatXML, ConverterEncodingsAndUnknownOnes) {
  TEncodingRef encoding;
  const std::vector<uint8_t> bytes =
      FormatXMLToBytes(u"<?xml version='1.0' encoding='Shift_JIS'?><r>\u65e5\u672c</r>", encoding);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<r>\r\n  \x93\xfa\x96\x7b\r\n</r>");
  EXPECT_EQ(EncodingAlias(encoding.get()), u"Shift_JIS");

  TEncodingRef kept(TEncoding::Unicode());
  try {
    FormatXMLToBytes(u"<?xml version=\"1.0\" encoding=\"x-other\"?><r>\u0159</r>", kept);
    FAIL() << "formatted";
  } catch (const EXmlFormatUnknownEncoding& e) {
    EXPECT_EQ(Utf16ToUtf8(e.Message()),
              "The encoding \"x-other\" is not supported, so the text cannot be formatted without garbling its characters.");
  }
  EXPECT_EQ(kept.get(), TEncoding::Unicode());
}

TEST(FormatXML, WriterErrorReachesTheCallerAndKeepsTheEncoding) {
  TEncodingRef encoding(TEncoding::Unicode());
  try {
    FormatXML(u"<r><!-- a -- b --></r>", encoding);
    FAIL() << "no error";
  } catch (const EXmlWriterInvalidString& e) {
    EXPECT_EQ(Utf16ToUtf8(e.Message()), "\" a -- b \" is not a valid comment text.");
  }
  EXPECT_EQ(encoding.get(), TEncoding::Unicode());
}

TEST(FormatXML, FormattingTwiceGivesTheSameBytes) {
  const char* inputs[] = {
      "<r a='1'><c>t</c><e/><!--x--></r>",
      "<?xml version=\"1.0\" encoding=\"windows-1250\" standalone=\"no\"?>\n<!DOCTYPE r>\n<r>\n\t<a b=\"&lt;&amp;\">\xC5\x99 text "
      "</a>\n<![CDATA[x]]><?p q?>mixed<b/>tail</r>",
      "<?xml version=\"1.0\" encoding=\"UTF-16\"?><r><deep><deeper><deepest>\xE4\xB8\xAD</deepest></deeper></deep></r>",
      "<r>\n<a>x</a>\n<b></c>\n<d/></r>",
  };
  for (const char* input : inputs) {
    TEncodingRef first;
    std::vector<uint8_t> once = FormatXMLToBytes(Utf8ToUtf16(input), first);
    TEncodingRef second;
    std::vector<uint8_t> twice = FormatXMLToBytes(first->GetString(once), second);
    EXPECT_EQ(once, twice) << input;
    EXPECT_EQ(first.get() == nullptr, second.get() == nullptr);
    EXPECT_EQ(EncodingCodePage(first.get()), EncodingCodePage(second.get())) << input;
  }
}

}  // namespace

// The editor's own text is UTF-8 read in place: it formats to the same bytes as the same text
// read as UTF-16, whatever encoding the declaration names for the output, and a refused
// comment raises as it does there.
TEST(FormatXML, FromUtf8InPlaceAsFromUtf16) {
  const char* inputs[] = {
      "<r a='\xC3\xA9'>x \xF0\x9F\x98\x80 y<b/></r>",
      "<?xml version='1.0' encoding='windows-1250'?><r>\xC5\x99</r>",
      "<?xml version='1.0' encoding='UTF-16'?><r>\xE6\x97\xA5</r>",
      "<r>\xFF bad byte</r>",
      "<r><unclosed></r>",
  };
  for (const char* input : inputs) {
    SCOPED_TRACE(input);
    TEncodingRef fromUtf16;
    const std::vector<uint8_t> expected = FormatXMLToBytes(Utf8ToUtf16(input), fromUtf16);
    TBlockStream target;
    const TEncodingRef fromUtf8 = FormatXMLUtf8(input, target);
    EXPECT_EQ(target.Join(), expected);
    EXPECT_EQ(EncodingCodePage(fromUtf8.get()), EncodingCodePage(fromUtf16.get()));
  }
  TBlockStream target;
  EXPECT_THROW(FormatXMLUtf8("<r><!-- a -- b --></r>", target), EXmlWriterInvalidString);
  EXPECT_THROW(FormatXMLUtf8("<?xml version='1.0' encoding='x-other'?><r/>", target), EXmlFormatUnknownEncoding);
}
