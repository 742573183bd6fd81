#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <iterator>

#include "ScratchDir.h"
#include "XmlMessages.h"
#include "XmlReadWrite.h"
#include "XmlWriter.h"

namespace {

// A writer on a memory stream; Output() releases the document and returns its bytes.
struct TWriterFixture {
  TMemoryStream Stream;
  TXMLWriter W{&Stream, false};

  TWriterFixture() { W.SetWriteBOM(false); }
  std::string Output() {
    W.ReleaseDocument();
    return std::string(static_cast<const char*>(std::as_const(Stream).Memory()), static_cast<size_t>(Stream.Size()));
  }
};

std::string U8(std::u16string_view aText) { return Utf16ToUtf8(aText); }

// The document the source view and the editor format: a root with an attribute, a child with
// text, an empty element and a comment, replayed as the pull reader delivers it.
void WriteSampleDocument(TXMLWriter& w) {
  w.XMLDeclaration(true, u"1.0", u"");
  w.OpenElement(u"r", stOpenOnly);
  w.Attribute(u"a", u"1");
  w.FinishOpenElement(u"r");
  w.OpenElement(u"c", stOpenOnly);
  w.FinishOpenElement(u"c");
  w.Text(u"t", true);
  w.CloseElement(u"c", true);
  w.OpenElement(u"e", stOpenOnly);
  w.FinishOpenElementClose(u"e");
  w.Comment(u"x");
  w.CloseElement(u"r", true);
}

TEST(XmlWriter, FormattedSampleDocumentIsByteExact) {
  TWriterFixture f;
  f.W.SetEncoding(TEncoding::UTF8());
  f.W.WriterSettings().SetIndentType(itIndent);
  f.W.WriterSettings().SetLineBreak(lbCRLF);
  WriteSampleDocument(f.W);
  EXPECT_EQ(f.Output(),
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n"
            "<r a=\"1\">\r\n"
            "  <c>\r\n"
            "    t\r\n"
            "  </c>\r\n"
            "  <e/>\r\n"
            "  <!--x-->\r\n"
            "</r>");
}

TEST(XmlWriter, IndentTypesAndLineBreaks) {
  struct TCase {
    TXMLIndentType Indent;
    TXMLLineBreak Break;
    std::u16string IndentString;
    const char* Expected;
  } cases[] = {
      {itNone, lbCRLF, u"  ", "<?xml version=\"1.0\" encoding=\"utf-8\"?><r a=\"1\"><c>t</c><e/><!--x--></r>"},
      {itFlat, lbLF, u"  ", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<r a=\"1\">\n<c>\nt\n</c>\n<e/>\n<!--x-->\n</r>"},
      {itFlat, lbCR, u"  ", "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r<r a=\"1\">\r<c>\rt\r</c>\r<e/>\r<!--x-->\r</r>"},
      {itIndent, lbDoNotProcess, u"\t",
       "<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<r a=\"1\">\r\n\t<c>\r\n\t\tt\r\n\t</c>\r\n\t<e/>\r\n\t<!--x-->\r\n</r>"},
  };
  for (const TCase& c : cases) {
    TWriterFixture f;
    f.W.WriterSettings().SetIndentType(c.Indent);
    f.W.WriterSettings().SetLineBreak(c.Break);
    f.W.WriterSettings().SetIndentString(c.IndentString);
    WriteSampleDocument(f.W);
    EXPECT_EQ(f.Output(), c.Expected) << "indent " << c.Indent << ", line break " << c.Break;
  }
}

TEST(XmlWriter, NodesWithoutIndentAndUnbalancedCallsAreWrittenAsAsked) {
  TWriterFixture f;
  f.W.WriterSettings().SetIndentType(itIndent);
  f.W.OpenElement(u"a", stFinish);
  f.W.Text(u"x", false);              // stays on the line of the start tag
  f.W.EntityReference(u"amp");        // never gets a line break
  f.W.CData(u"<y>", false);
  f.W.CloseElement(u"a", false);
  f.W.CloseElement(u"b", true);       // one close too many: level -1 writes no indentation
  f.W.OpenElement(u"c", stFinishClose);
  f.W.ProcessingInstruction(u"pi", u"");
  f.W.ProcessingInstruction(u"pi", u"data");
  f.W.DocType(u"d SYSTEM \"d.dtd\"");
  f.W.RawText(u"<!-- raw & -->");
  f.W.RawChar(u'!');
  EXPECT_EQ(f.Output(),
            "<a>x&amp;<![CDATA[<y>]]></a>\n</b>\n<c/>\n<?pi?>\n<?pi data?>\n<!DOCTYPE d SYSTEM \"d.dtd\"><!-- raw & -->!");
}

TEST(XmlWriter, DefaultIndentLevelIndentsFromTheFirstNodeAndIsFixedOnceWritten) {
  TWriterFixture f;
  f.W.WriterSettings().SetIndentType(itIndent);
  f.W.SetDefaultIndentLevel(2);
  EXPECT_EQ(f.W.DefaultIndentLevel(), 2);
  f.W.XMLDeclaration(false, u"1.0", u"yes");
  try {
    f.W.SetDefaultIndentLevel(0);
    FAIL() << "no exception";
  } catch (const EXmlWriterInvalidString&) {
    FAIL() << "wrong class";
  } catch (const EXmlWriterException& e) {
    EXPECT_EQ(e.Message(), sXmlWriterIndentLevelAfterWrite);
  }
  EXPECT_EQ(f.W.DefaultIndentLevel(), 2);
  f.W.OpenElement(u"r", stFinish);
  f.W.Text(u"t");
  EXPECT_EQ(f.Output(), "    <?xml version=\"1.0\" standalone=\"yes\"?>\n    <r>\n      t");

  // A new document starts again at the default level, and it may be changed again.
  TMemoryStream second;
  f.W.InitStream(&second, false);
  f.W.SetDefaultIndentLevel(1);
  f.W.OpenElement(u"s", stFinishClose);
  f.W.ReleaseDocument();
  EXPECT_EQ(std::string(static_cast<const char*>(std::as_const(second).Memory()), size_t(second.Size())), "  <s/>");
}

// Each strict check: the node fails with its message before anything of it is written, the
// writer goes on, and without StrictXML the same call is written unchanged.
TEST(XmlWriter, StrictChecksRejectTheNodeAndLeaveTheWriterUsable) {
  struct TCase {
    std::function<void(TXMLWriter&)> Call;
    std::u16string_view Message;
    std::u16string Offending;
    const char* Lenient;  // the output without StrictXML
  } cases[] = {
      {[](TXMLWriter& w) { w.OpenElement(u"1a", stFinish); }, sXmlInvalidElementName, u"1a", "<1a>"},
      {[](TXMLWriter& w) { w.OpenElement(u"", stFinishClose); }, sXmlInvalidElementName, u"", "</>"},
      {[](TXMLWriter& w) { w.Attribute(u"a b", u"v"); }, sXmlWriterInvalidAttributeName, u"a b", " a b=\"v\""},
      {[](TXMLWriter& w) { w.EntityReference(u"#x2G"); }, sXmlInvalidEntity, u"#x2G", "&#x2G;"},
      {[](TXMLWriter& w) { w.CData(u"a]]>b"); }, sXmlWriterInvalidCData, u"a]]>b", "<![CDATA[a]]>b]]>"},
      {[](TXMLWriter& w) { w.Comment(u"a--b"); }, sXmlWriterInvalidComment, u"a--b", "<!--a--b-->"},
      {[](TXMLWriter& w) { w.Comment(u"ab-"); }, sXmlWriterInvalidComment, u"ab-", "<!--ab--->"},
      {[](TXMLWriter& w) { w.ProcessingInstruction(u"p i", u"c"); }, sXmlWriterInvalidPITarget, u"p i", "<?p i c?>"},
      {[](TXMLWriter& w) { w.ProcessingInstruction(u"", u""); }, sXmlWriterInvalidPITarget, u"", "<?" "?>"},
      {[](TXMLWriter& w) { w.ProcessingInstruction(u"p", u"a?>b"); }, sXmlWriterInvalidPIContent, u"a?>b",
       "<?p a?>b?>"},
  };
  for (const TCase& c : cases) {
    const std::string expectedMessage = U8(Format(c.Message, {c.Offending}));
    TWriterFixture f;
    f.W.OpenElement(u"x", stFinishClose);
    try {
      c.Call(f.W);
      ADD_FAILURE() << "no exception for " << expectedMessage;
    } catch (const EXmlWriterInvalidString& e) {
      EXPECT_EQ(U8(e.Message()), expectedMessage);
    }
    f.W.OpenElement(u"y", stFinishClose);
    EXPECT_EQ(f.Output(), "<x/><y/>") << expectedMessage;

    TWriterFixture lenient;
    lenient.W.WriterSettings().SetStrictXML(false);
    c.Call(lenient.W);
    EXPECT_EQ(lenient.Output(), c.Lenient) << expectedMessage;
  }
}

TEST(XmlWriter, ForbiddenCodeUnitFailsWhileEscapingAfterTheTextBeforeIt) {
  const std::u16string text = u"ab\x01" u"cd";
  const std::string message = U8(Format(sXmlWriterInvalidText, {text}));
  TWriterFixture f;
  f.W.OpenElement(u"e", stOpenOnly);
  try {
    f.W.Attribute(u"a", text);
    FAIL() << "no exception";
  } catch (const EXmlWriterInvalidString& e) {
    EXPECT_EQ(U8(e.Message()), message);
  }
  f.W.RawText(u"\">");
  try {
    f.W.Text(text, false);
    FAIL() << "no exception";
  } catch (const EXmlWriterInvalidString& e) {
    EXPECT_EQ(U8(e.Message()), message);
  }
  f.W.CloseElement(u"e", false);
  EXPECT_EQ(f.Output(), "<e a=\"ab\">ab</e>");

  TWriterFixture lenient;
  lenient.W.WriterSettings().SetStrictXML(false);
  lenient.W.Text(text, false);
  EXPECT_EQ(lenient.Output(), "ab\x01" "cd");
}

TEST(XmlWriter, EscapesTextAndAttributesWithTheWriterSettings) {
  const std::u16string value = u"a\r\nb\t\"c'<&>";
  {
    TWriterFixture f;
    f.W.OpenElement(u"e", stOpenOnly);
    f.W.Attribute(u"v", value);
    f.W.FinishOpenElement();
    f.W.Text(value, false);
    EXPECT_EQ(f.Output(), "<e v=\"a&#xA;b&#9;&quot;c'&lt;&amp;&gt;\">a\nb\t\"c'&lt;&amp;&gt;");
  }
  {
    TWriterFixture f;
    TXMLWriterSettings& s = f.W.WriterSettings();
    s.SetLineBreak(lbCRLF);
    s.SetUseTabCRLFEntitiesInAttributes(false);
    s.SetUseGreaterThanEntity(false);
    s.SetEscapeQuotes(true);
    f.W.Attribute(u"v", value);
    f.W.Text(value, false);
    EXPECT_EQ(f.Output(), " v=\"a\r\nb\t&quot;c&apos;&lt;&amp;>\"a\r\nb\t&quot;c&apos;&lt;&amp;>");
  }
}

TEST(XmlWriter, LongEscapedTextCrossesTheBufferIntact) {
  std::u16string text;
  std::string expected;
  for (int i = 0; i < 5000; ++i) {
    text += u"x<\u00e9";
    expected += "x&lt;\xc3\xa9";
  }
  TWriterFixture f;
  f.W.Text(text, false);
  f.W.Text(text, false);
  EXPECT_EQ(f.Output(), expected + expected);
}

TEST(XmlWriter, EncodingNamesTheDeclarationAndDecidesTheByteOrderMark) {
  {
    TWriterFixture f;
    f.W.SetEncoding(TEncoding::BigEndianUnicode());
    f.W.SetWriteBOM(true);
    f.W.XMLDeclaration(true, u"1.0", u"");
    const std::u16string expected = u"<?xml version=\"1.0\" encoding=\"utf-16be\"?>";
    std::string bytes = "\xFE\xFF";
    for (char16_t c : expected) bytes += {char(c >> 8), char(c & 0xFF)};
    EXPECT_EQ(f.Output(), bytes);
  }
  {
    // A new writer writes UTF-8 with a byte-order mark.
    TMemoryStream out;
    {
      TXMLWriter w(&out, false);
      EXPECT_EQ(w.Encoding(), TEncoding::UTF8());
      EXPECT_TRUE(w.WriterSettings().WriteBOM());
      w.OpenElement(u"\u00e9", stFinishClose);
    }
    EXPECT_EQ(std::string(static_cast<const char*>(std::as_const(out).Memory()), size_t(out.Size())),
              "\xEF\xBB\xBF<\xC3\xA9/>");
  }
}

TEST(XmlWriter, SingleByteEncodingWritesReferencesForWhatItCannotHold) {
  TWriterFixture f;
  TEncoding* cp1252 = nullptr;
  ASSERT_TRUE(EncodingFromAlias(u"windows-1252", cp1252));
  f.W.SetEncoding(cp1252);
  f.W.XMLDeclaration(true, u"1.0", u"");
  f.W.OpenElement(u"e", stOpenOnly);
  f.W.Attribute(u"a", u"\u0100\u20ac");
  f.W.FinishOpenElement();
  f.W.Text(u"\u0100\u20ac\U0001F600<", false);
  f.W.CData(u"a\u0100b\U0001F600", false);
  f.W.Comment(u"\u20ac");
  // Back to UTF-8: the same text is written as itself.
  f.W.SetEncoding(TEncoding::UTF8());
  f.W.Text(u"\u0100", false);
  EXPECT_EQ(f.Output(),
            "<?xml version=\"1.0\" encoding=\"windows-1252\"?><e a=\"&#256;\x80\">&#256;\x80&#128512;&lt;"
            "<![CDATA[a]]>&#256;<![CDATA[b]]>&#128512;<![CDATA[]]><!--\x80-->\xC4\x80");
}

// Whatever the encoding lacks comes back exactly through a reference: multi-byte code pages
// as well as single-byte ones, and characters above U+FFFF as one reference each.
TEST(XmlWriter, EveryEncodingReadsBackWhatWasWritten) {
  const std::u16string text = u"a\u00e9\u20ac\u4e2d\u0159\u30ab\U0001F600\U0010FFFF<&>\"'z";
  // Shift-JIS, GBK, Big5, Korean, Latin-1, ASCII, Central European, UTF-8, UTF-16.
  for (int codePage : {932, 936, 950, 949, 28591, 20127, 1250, 65001, 1200}) {
    SCOPED_TRACE(codePage);
    TWriterFixture f;
    f.W.SetEncoding(EncodingFromCodePage(codePage));
    f.W.OpenElement(u"r", stOpenOnly);
    f.W.Attribute(u"a", text);
    f.W.FinishOpenElement();
    f.W.Text(text, false);
    f.W.CData(text.substr(0, 8), false);
    f.W.CloseElement(u"r", false);
    const std::string bytes = f.Output();

    TXMLReader reader;
    reader.InitBuffer(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<int64_t>(bytes.size()),
                      EncodingFromCodePage(codePage));
    PXMLReaderToken token;
    std::u16string attribute, content;
    while (reader.ReadNextToken(token)) {
      if (token->TokenType == rtAttribute) attribute = token->TokenValue;
      if (token->TokenType == rtText || token->TokenType == rtCData) content += token->TokenValue;
    }
    ASSERT_FALSE(reader.ParseError()) << U8(reader.ParseError()->GetReason());
    EXPECT_EQ(U8(attribute), U8(text));
    EXPECT_EQ(U8(content), U8(text + text.substr(0, 8)));
  }
}

TEST(XmlWriter, ElementHandlesFinishTheHeaderOnce) {
  TWriterFixture f;
  TXMLWriterElement root = f.W.OpenElementR(u"r");
  root.Attribute(u"a", u"1");
  TXMLWriterElement child = root.OpenElementR(u"c");
  child.Attribute(u"b", u"2");
  child.CloseElement();
  EXPECT_EQ(child.Owner(), nullptr);
  child.CloseElement();  // a closed handle closes nothing
  try {
    root.Attribute(u"late", u"v");
    FAIL() << "no exception";
  } catch (const EXMLDOMException& e) {
    EXPECT_EQ(U8(e.Message()), U8(Format(sXmlWriterAttributeAfterHeader, {u"late", u"v", u"r"})));
  }
  root.Text(u"t", false);
  root.Comment(u"k");
  root.CData(u"d", false);
  root.ProcessingInstruction(u"p", u"q");
  TXMLWriterElement empty = root.OpenElementR(u"x", stFinishClose);
  EXPECT_EQ(empty.Owner(), nullptr);
  EXPECT_THROW(empty.Text(u"lost"), EXmlWriterException);
  TXMLWriterElement open = root.OpenElementR(u"y", stFinish);
  EXPECT_TRUE(open.OpenElementFinished());
  open.CloseElement(false);
  root.CloseElement(false);
  EXPECT_EQ(f.Output(), "<r a=\"1\"><c b=\"2\"/>t<!--k--><![CDATA[d]]><?p q?><x/><y></y></r>");
}

TEST(XmlWriter, SettingsAssignCopiesEverySettingAndWriteBOM) {
  TXMLWriter a, b;
  TXMLWriterSettings& s = a.WriterSettings();
  s.SetIndentString(u"\t");
  s.SetIndentType(itFlat);
  s.SetLineBreak(lbCR);
  s.SetUseTabCRLFEntitiesInAttributes(false);
  s.SetUseGreaterThanEntity(false);
  s.SetEscapeQuotes(true);
  s.SetStrictXML(false);
  s.SetWriteBOM(false);
  b.WriterSettings().Assign(s);
  const TXMLWriterSettings& t = b.WriterSettings();
  EXPECT_EQ(t.IndentString(), u"\t");
  EXPECT_EQ(t.IndentType(), itFlat);
  EXPECT_EQ(t.LineBreak(), lbCR);
  EXPECT_FALSE(t.UseTabCRLFEntitiesInAttributes());
  EXPECT_FALSE(t.UseGreaterThanEntity());
  EXPECT_TRUE(t.EscapeQuotes());
  EXPECT_FALSE(t.StrictXML());
  EXPECT_FALSE(b.WriteBOM());
  EXPECT_EQ(t.Encoding(), TEncoding::UTF8());
}

TEST(XmlWriter, InitFileWritesTheDocumentWhenReleased) {
  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  const std::string name = dir.File("out.xml");
  {
    TXMLWriter w;
    w.InitFile(Utf8ToUtf16(name));
    w.OpenElement(u"r", stFinishClose);
    w.ReleaseDocument();
  }
  std::ifstream in(name, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "\xEF\xBB\xBF<r/>");
}

}  // namespace
