#include <gtest/gtest.h>

#include "BufferedStreams.h"
#include "WideSupport.h"
#include "XmlFormat.h"
#include "XmlReadWrite.h"
#include "XmlUtils.h"
#include "XmlWriter.h"

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

namespace {

// One replay of AInput (UTF-8, read as a stream in blocks like the editor's text, or as UTF-16
// in one piece) in record or view mode: the bytes written, then the reader's error or the
// writer's refusal, so that partial output and where it stopped are compared together.
std::string ReplayOnce(std::string_view AInput, bool AStrict, bool AExpand, bool AUtf16, bool AViews) {
  TXMLReader reader;
  reader.ReaderSettings().SetStrictXML(AStrict);
  reader.ReaderSettings().SetExpandEntities(AExpand);
  TVirtualMemoryStream input;
  const std::u16string wide = Utf8ToUtf16(AInput);
  if (AUtf16) {
    reader.InitXML(wide);
  } else {
    input.SetString_UTF8(AInput);
    reader.InitStream(&input, TEncoding::UTF8());
  }
  TMemoryStream target;
  std::string stop;
  try {
    TXMLWriter writer;
    writer.InitStream(&target, false);
    StartFormattedDocument(writer, TEncoding::UTF8(), u"");
    if (AViews)
      ReplayXMLTokenViews(reader, writer);
    else
      ReplayXMLTokens(reader, writer);
    writer.ReleaseDocument();
  } catch (const EXmlWriterInvalidString& e) {
    stop = "writer: " + Utf16ToUtf8(e.Message());
  }
  if (const auto& error = reader.ParseError())
    stop += "reader: " + Utf16ToUtf8(error->GetReason()) + " at " + std::to_string(error->GetLine()) + ":" +
            std::to_string(error->GetLinePos()) + " [" + Utf16ToUtf8(error->GetSrcText()) + "]";
  const auto* data = static_cast<const char*>(target.Memory());
  return std::string(data, static_cast<size_t>(target.Size())) + "\n--\n" + stop;
}

// Start tags of 0 to 6 attributes (some with references, some empty elements), text with
// references and indentation, comments, CDATA and PIs, repeated until the document spans many
// 16 K decoding blocks, the lengths shifting so that every kind of token falls across a block
// end somewhere; ATail ends it.
std::string BigDocument(std::string_view ATail) {
  std::string text = "<?xml version=\"1.0\"?>\n<root>\n";
  for (int i = 0; text.size() < 200000; ++i) {
    const std::string pad(static_cast<size_t>(i % 13), 'p');
    text += "  <item" + pad + " id=\"" + std::to_string(i) + "\"";
    for (int a = 0; a < i % 7; ++a) text += " a" + std::to_string(a) + "='v" + pad + (a % 2 ? "&amp;&#x4E2D;'" : "'");
    if (i % 5 == 0) {
      text += "/>\n";
      continue;
    }
    text += ">";
    switch (i % 4) {
      case 0: text += " text " + pad + " &lt;&#65; tail "; break;
      case 1: text += "<!-- c " + pad + " --><![CDATA[ <x> " + pad + " ]]>"; break;
      case 2: text += "\n    <?pi " + pad + "?>\n    <in" + pad + ">\xC5\x99</in" + pad + ">\n  "; break;
      default: break;
    }
    text += "</item" + pad + ">\n";
  }
  text += ATail;
  return text;
}

}  // namespace

// Token views change how the reader hands out tokens (whole start tags as one token, texts
// left in the block), never what the replay writes or where it stops.
TEST(FormatXML, TokenViewsReplayAsRecords) {
  std::vector<std::string> inputs = {
      "<r a='1'><c>t</c><e/><!--x--></r>",
      "<!DOCTYPE r [<!ENTITY e \"ent\">]><r x='&e;&amp;'>&e; and &unknown; &#x4E2D;</r><!--after-->",
      "<r>\n  <a> &amp; &#65;&lt; </a>\n  <b>\t</b>\n\t<c x=\"a\tb\" y='\"' z=\"'&quot;\"/>\r\n</r>",
      "<r x='\"q\"'><?pi  data?><![CDATA[ <raw> ]]><?empty?><!----></r>",
      "<r a=\"1\" b=\"2\" c=\"3\n4\"><d e='5' / ><f g='6'/></r>",
      "<r><a b='1' c='2' b='3'/></r>",                       // repeated attribute
      "<r><a b='1' c='2 d='3'/></r>",                         // broken tag mid-attributes
      "<r><a b='1' c=></a></r>",                              // value missing
      "<r><a b='1' c='&nope;'></a></r>",                      // unknown entity in a value
      "<r><a b='1'></A></r>",                                 // end tag of another case
      "<r>\n<a>x</a>\n<b></c>\n<d/></r>",                     // mismatched end tag
      "<r><a><b></a></r>",                                    // tolerant closes b
      "<r><!-- a -- b --></r>",                               // the writer refuses the comment
      "<r a='1'>text",                                        // unclosed at the end
      "<r ?>\n<r a=\"1\" b='&lt;'>t</r>",                       // a tag that never finishes, then a whole one
      "<r><x:y p:q='1' xmlns:p='u'>\xF0\x9F\x98\x80</x:y></r>",
      "<?xml version='1.0' encoding='windows-1250'?><r a='\xC5\x99'/>",
      "",
  };
  inputs.push_back(BigDocument("</root>"));
  inputs.push_back(BigDocument("  <last a='1' b='2\n</root>"));
  inputs.push_back(BigDocument("  <last a='1'></mismatch>\n</root>"));
  for (size_t k = 0; k < inputs.size(); ++k)
    for (int mode = 0; mode < 8; ++mode) {
      const bool strict = mode & 1, expand = !(mode & 2), utf16 = mode & 4;
      SCOPED_TRACE("input " + std::to_string(k) + (strict ? " strict" : " tolerant") + (expand ? "" : " unexpanded") +
                   (utf16 ? " utf-16" : " utf-8"));
      const std::string records = ReplayOnce(inputs[k], strict, expand, utf16, false);
      const std::string views = ReplayOnce(inputs[k], strict, expand, utf16, true);
      if (records != views) {
        size_t at = 0;
        while (at < records.size() && at < views.size() && records[at] == views[at]) ++at;
        ADD_FAILURE() << "first difference at byte " << at << " of " << records.size() << "/" << views.size()
                      << "\nrecords: " << records.substr(at > 80 ? at - 80 : 0, 240)
                      << "\nviews:   " << views.substr(at > 80 ? at - 80 : 0, 240);
      }
    }
}
