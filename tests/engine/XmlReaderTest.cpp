// XML pull reader: token streams for strict and tolerant input, errors with their positions,
// references and the DTD's entities, encoding switches, and the inputs that must neither crash
// nor go quadratic (deep nesting, huge start tags, entity bombs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <fstream>

#include "BufferedStreams.h"
#include "Encodings.h"
#include "ScratchDir.h"
#include "XmlMessages.h"
#include "XmlReadWrite.h"

namespace {

const char* const cKindCodes[] = {"DS", "XO", "XA", "XC", "OE", "AT", "FO", "FC",
                                  "CE", "TX", "ER", "CD", "CM", "PI", "DT"};

// UTF-8 with control characters spelled out, so that expected dumps stay readable.
std::string Visible(std::u16string_view s) {
  std::string out;
  for (char c : Utf16ToUtf8(s)) {
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (static_cast<unsigned char>(c) < 0x20) {
      char b[8];
      snprintf(b, sizeof b, "\\x%02X", unsigned(c));
      out += b;
    } else {
      out += c;
    }
  }
  return out;
}

// "OE a|AT x=1|FO a|TX=t|CE a", then "|!<reason>" when reading stopped with an error.
std::string DumpTokens(TXMLReader& aReader, size_t aMaxTokens = 10000) {
  std::string out;
  PXMLReaderToken token = nullptr;
  size_t n = 0;
  while (n++ < aMaxTokens && aReader.ReadNextToken(token)) {
    if (!out.empty()) out += '|';
    out += cKindCodes[token->TokenType];
    if (!token->TokenName.empty()) out += ' ' + Visible(token->TokenName);
    if (!token->TokenValue.empty()) out += '=' + Visible(token->TokenValue);
  }
  if (auto error = aReader.ParseError()) out += "|!" + Visible(error->GetReason());
  return out;
}

struct TOptions {
  bool Strict = true;
  TXMLBreakReading Break = brAfterDocumentElement;
  TXMLLineBreak LineBreak = lbCRLF;
  bool Expand = true;
};

std::string Dump(std::u16string_view aXML, TOptions aOptions = {}) {
  TXMLReader reader;
  reader.ReaderSettings().SetStrictXML(aOptions.Strict);
  reader.ReaderSettings().SetBreakReading(aOptions.Break);
  reader.ReaderSettings().SetLineBreak(aOptions.LineBreak);
  reader.ReaderSettings().SetExpandEntities(aOptions.Expand);
  reader.InitXML(aXML);
  return DumpTokens(reader);
}

std::string Tolerant(std::u16string_view aXML) { return Dump(aXML, {.Strict = false}); }

std::string Msg(std::u16string_view aFormat, std::initializer_list<TFormatArg> aArgs = {}) {
  return "|!" + Visible(Format(aFormat, aArgs));
}

struct TCase {
  std::u16string_view Input;
  std::string Expected;
};

void CheckAll(const std::vector<TCase>& aCases, TOptions aOptions) {
  for (const auto& c : aCases) EXPECT_EQ(Dump(c.Input, aOptions), c.Expected) << "input: " << Visible(c.Input);
}

}  // namespace

TEST(XmlReaderSettings, DefaultsEntityTableAndTokenPool) {
  TXMLReaderSettings s;
  EXPECT_EQ(s.BreakReading(), brAfterDocumentElement);
  EXPECT_EQ(s.LineBreak(), lbCRLF);
  EXPECT_TRUE(s.StrictXML());
  EXPECT_TRUE(s.RecognizeXMLDeclaration());
  EXPECT_TRUE(s.ExpandEntities());
  EXPECT_EQ(s.ErrorHandling(), ehRaiseAndEat);

  TXMLReaderEntityList& list = s.EntityList();
  ASSERT_EQ(list.Count(), 5);
  EXPECT_EQ(list.GetName(0), u"quot");
  EXPECT_EQ(list.GetName(4), u"gt");
  std::u16string value = u"x";
  EXPECT_FALSE(list.Find(u"AMP", value));  // case-sensitive
  EXPECT_EQ(value, u"");
  list.AddOrReplace(u"lt", u"LESS");
  EXPECT_EQ(list.GetValue(3), u"LESS");
  EXPECT_EQ(list.Count(), 5);
  list.AddOrReplace(u"e", u"x");

  TXMLReaderSettings copy;
  copy.SetStrictXML(false);
  copy.Assign(s);
  EXPECT_TRUE(copy.StrictXML());
  EXPECT_EQ(copy.EntityList().Count(), 6);
  EXPECT_EQ(copy.EntityList().GetValue(3), u"LESS");
  list.Clear();
  EXPECT_EQ(list.Count(), 5);
  EXPECT_EQ(list.IndexOf(u"e"), -1);
  EXPECT_EQ(list.GetValue(3), u"<");

  TXMLReaderTokenList tokens;
  PXMLReaderToken first = tokens.PeekNew();
  first->TokenName = u"a";
  tokens.CommitNew();
  tokens.PeekNew();
  tokens.CommitNew();
  tokens.PeekNew();
  tokens.CommitNew();
  EXPECT_EQ(tokens.IndexOf(first), 0);
  tokens.Clear();
  EXPECT_EQ(tokens.Count(), 0);
  EXPECT_EQ(tokens.PeekNew(), first);  // reused with its old contents
  EXPECT_EQ(first->TokenName, u"a");
  EXPECT_EQ(tokens.IndexOf(first), -1);
  tokens.DeleteLast();
  EXPECT_EQ(tokens.Count(), 0);
  EXPECT_NE(tokens.GetToken(2), nullptr);  // stale but allocated
  EXPECT_THROW(tokens.GetToken(3), EArgumentOutOfRange);
}

TEST(XmlReader, StrictTokenStreams) {
  CheckAll(
      {
          {u"<a x='1'>t</a>", "OE a|AT x=1|FO a|TX=t|CE a"},
          {u"<a/>", "OE a|FC a"},
          {u"<a  x = \"1\"\ty='2' />", "OE a|AT x=1|AT y=2|FC a"},
          {u"<?xml version='1.0'?><r/>", "XO xml|XA version=1.0|XC xml|OE r|FC r"},
          {u"<?XML version='1.0' ?><r/>", "XO XML|XA version=1.0|XC XML|OE r|FC r"},
          {u"<?xml-stylesheet href='a'?><r/>", "PI xml-stylesheet=href='a'|OE r|FC r"},
          {u"<?pi  data?><r/>", "PI pi= data|OE r|FC r"},
          {u"<?pi?><r/>", "PI pi|OE r|FC r"},
          {u"<a>x</a>y", "OE a|FO a|TX=x|CE a"},
          {u" <a><b>1</b><c/>2</a>", "TX= |OE a|FO a|OE b|FO b|TX=1|CE b|OE c|FC c|TX=2|CE a"},
          {u"<a>x]]y</a>", "OE a|FO a|TX=x]]y|CE a"},
          {u"<a>\"'>[]</a>", "OE a|FO a|TX=\"'>[]|CE a"},
          {u"<a><!-- c -- d --><![CDATA[<x>]]]></a>", "OE a|FO a|CM= c -- d |CD=<x>]|CE a"},
          {u"<a><![cdata[x]]></a><!doctype", "OE a|FO a|CD=x|CE a"},
          {u"<!DOCTYPE r SYSTEM \"r.dtd\"><r/>", "DT=r SYSTEM \"r.dtd\"|OE r|FC r"},
          {u"<a b='x&lt;&#65;&#x42;\"'/>", "OE a|AT b=x<AB\"|FC a"},
          {u"<a>&amp;&quot;&apos;&gt;</a>", "OE a|FO a|TX=&\"'>|CE a"},
          {u"<a>&#x1F600;</a>", "OE a|FO a|TX=\xF0\x9F\x98\x80|CE a"},
          {u"<a></a >", "OE a|FO a|CE a"},
          {u"", ""},
          {u"text only", "TX=text only"},
      },
      {});
}

TEST(XmlReader, AfterDocumentElement) {
  EXPECT_EQ(Dump(u"<a>x</a>y", {.Break = brNone}), "OE a|FO a|TX=x|CE a|TX=y");
  EXPECT_EQ(Dump(u"<a/><b/><?xml version='1.0'?>", {.Break = brNone}),
            "OE a|FC a|OE b|FC b|PI xml=version='1.0'");
  // the rest is never read, so it can cause no error
  EXPECT_EQ(Dump(u"<a/><<<&bad;"), "OE a|FC a");

  TXMLReader reader;
  reader.InitXML(u"<a/><b/>");
  PXMLReaderToken token;
  ASSERT_TRUE(reader.ReadNextToken(token));
  ASSERT_TRUE(reader.ReadNextToken(token));
  EXPECT_FALSE(reader.ReadNextToken(token));
  reader.ResetDocumentElement();
  ASSERT_TRUE(reader.ReadNextToken(token));
  EXPECT_EQ(token->TokenName, u"b");
}

TEST(XmlReader, TolerantRecovery) {
  CheckAll(
      {
          {u"<a><b><c></a>", "OE a|FO a|OE b|FO b|OE c|FO c|CE c|CE b|CE a"},
          {u"<a><b></x></a>", "OE a|FO a|OE b|FO b|CE b|CE a"},  // not open anywhere: closes the innermost
          {u"<a>x]]>y</a>", "OE a|FO a|TX=x]]>y|CE a"},
          {u"<a b=1/>", "OE a|AT b=1|FC a"},
          {u"<a b>", "OE a|AT b|FO a"},
          {u"<1a/>", "OE 1a|FC 1a"},
          {u"<a>a < b</a>", "OE a|FO a|TX=a |TX=< b|CE a"},
          {u"<a>", "OE a|FO a"},
          {u"</a><a/>", "CE a|OE a|FC a"},
          {u"<a / / ></a>", "OE a|FO a|CE a"},
          {u"<a b='1'c='2'/>", "OE a|AT b=1|AT c=2|FC a"},
          {u"<a x='1' x='2'/>", "OE a|AT x=1|AT x=2|FC a"},  // both kept
          {u"<a <b>", "OE a|AT <b|FO a"},
          {u"<a>&nope;&</a>", "OE a|FO a|TX=&nope;&|CE a"},
          {u"<a>&#0;&#X41;</a>", "OE a|FO a|TX=\\x00&#X41;|CE a"},
          {u"<a><!x</a>", "OE a|FO a|TX=<!x|CE a"},
          {u"<a><!-x</a>", "OE a|FO a|TX=<!-x|CE a"},
          {u"<a><!DOCTYPE<b/></a>", "OE a|FO a|TX=<!DOCTYPE|OE b|FC b|CE a"},
          {u"<a><!DOCTYPEx</a>", "OE a|FO a|TX=<!DOCTYPEx|CE a"},
          {u"<a></ x></a>", "OE a|FO a|TX=</ x>|CE a"},
          {u"<a><!--cut", "OE a|FO a|CM=cut"},
          {u"<a>\x01</a>", "OE a|FO a|TX=\\x01|CE a"},
          {u"<a x='<'/>", "OE a|AT x=<|FC a"},
          {u"<? x?><r/>", "PI= x|OE r|FC r"},
      },
      {.Strict = false});
}

TEST(XmlReader, StrictErrors) {
  struct TErrorCase {
    std::u16string_view Input;
    std::string Expected;
    int Code;
  };
  const int ch = pcInvalidCharacter, st = pcInvalidStructure;
  const TErrorCase cases[] = {
      {u"<a><b></a>", "OE a|FO a|OE b|FO b" + Msg(sXmlWrongElementClosed, {u"a", u"b"}), st},
      {u"<a>x]]>y</a>", "OE a|FO a" + Msg(sXmlCharInText, {u">"}), ch},
      {u"<a b=1/>", "OE a" + Msg(sXmlAttributeNotQuoted, {u"b"}), ch},
      {u"<a b>", "OE a" + Msg(sXmlEqualSignMissing, {u"b"}), ch},
      {u"<1a/>", Msg(sXmlCharInText, {u"<"}), ch},
      {u"<a>", "OE a|FO a" + Msg(sXmlUnclosedElements), st},
      {u"<?xml version='1.0'?", "XO xml|XA version=1.0" + Msg(sXmlCharInElementHeader, {u"?"}), ch},
      {u"<a>\x01</a>", "OE a|FO a" + Msg(sXmlCharInText, {u"0x0001"}), ch},
      {u"</a>", Msg(sXmlTooManyElementsClosed), st},
      {u"<a <b>", "OE a" + Msg(sXmlCharInElementHeader, {u"<"}), ch},
      {u"<a / >", "OE a" + Msg(sXmlCharInElementHeader, {u"/"}), ch},
      {u"<a*/>", Msg(sXmlInvalidElementName, {u"a*"}), ch},
      {u"<a 1='x'/>", "OE a" + Msg(sXmlInvalidAttributeStart, {u"1"}), ch},
      // characters that are not visible ASCII are named by their code
      {u"<a \u00B7='x'/>", "OE a" + Msg(sXmlInvalidAttributeStart, {u"0x00B7"}), ch},
      {u"<a \xD800='x'/>", "OE a" + Msg(sXmlInvalidAttributeStart, {u"0xD800"}), ch},
      {u"<!DOCTYPE r [<!ENTITY ", Msg(sXmlCharInElementHeader, {u"0x0000"}), ch},
      {u"<!DOCTYPE r [<!ENTITY \x01 'x'>]><r/>", Msg(sXmlCharInElementHeader, {u"0x0001"}), ch},
      {u"<a x='1' y='2' x='3'/>", "OE a|AT x=1|AT y=2" + Msg(sXmlDuplicateAttribute, {u"x"}), st},
      {u"<r><a x='1'/><b y='1' x='2' y='3'/></r>",
       "OE r|FO r|OE a|AT x=1|FC a|OE b|AT y=1|AT x=2" + Msg(sXmlDuplicateAttribute, {u"y"}), st},
      {u"<?xml version='1.0' version='1.0'?><r/>", "XO xml|XA version=1.0" + Msg(sXmlDuplicateAttribute, {u"version"}), st},
      {u"<a x='\x0B'/>", "OE a" + Msg(sXmlCharInAttribute, {u"0x000B"}), ch},
      {u"<a x='<'/>", "OE a" + Msg(sXmlCharInAttribute, {u"<"}), ch},
      {u"<a></1>", "OE a|FO a" + Msg(sXmlStringInText, {u"</1"}), ch},
      {u"<a></a b>", "OE a|FO a" + Msg(sXmlStringInText, {u"</a"}), ch},
      {u"<?1?>", Msg(sXmlStringInText, {u"<?1"}), ch},
      {u"<?pi/?>", Msg(sXmlStringInText, {u"<?pi/"}), ch},
      {u"<!x>", Msg(sXmlCharInText, {u"<"}), ch},
      {u"<!DOCTYPEr>", Msg(sXmlCharInText, {u"<"}), ch},
      {u"<!--cut", Msg(sXmlCharInText, {u"0x0000"}), ch},
      {u"<![CDATA[\x02]]>", Msg(sXmlCharInText, {u"0x0002"}), ch},
      {u"<a>&nope;</a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&nope;"}), ch},
      {u"<a>& </a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&"}), ch},
      {u"<a>&#X41;</a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&#"}), ch},
      {u"<a>&#0;</a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&#0;"}), ch},
      {u"<a>&#x110000;</a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&#x110000;"}), ch},
      {u"<a>&#99999999999;</a>", "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&#99999999999;"}), ch},
      {u"<a x='&#x;'/>", "OE a" + Msg(sXmlInvalidEntity, {u"&#x;"}), ch},
      {u"<!DOCTYPE r [<!ENTITY e SYSTEM>]><r/>", Msg(sXmlEntityValueNotQuoted, {u"e"}), ch},
      {u"<!DOCTYPE r [<!ENTITY 1 'x'>]><r/>", Msg(sXmlCharInElementHeader, {u"1"}), ch},
      {u"<!DOCTYPE r [<!ENTITY e 'a&b;'>]><r/>", Msg(sXmlInvalidEntity, {u"&b;"}), ch},
      {u"<!DOCTYPE r [<!ENTITY e '\x01'>]><r/>", Msg(sXmlCharInAttribute, {u"0x0001"}), ch},
      {u"<!DOCTYPE r [\x01]><r/>", Msg(sXmlCharInText, {u"0x0001"}), ch},
      {u"<!DOCTYPE r [<!ENTITY e 'x'>", Msg(sXmlCharInText, {u"0x0000"}), ch},
  };
  for (const auto& c : cases) {
    TXMLReader reader;
    reader.InitXML(c.Input);
    EXPECT_EQ(DumpTokens(reader), c.Expected) << "input: " << Visible(c.Input);
    auto error = reader.ParseError();
    ASSERT_TRUE(error) << Visible(c.Input);
    EXPECT_EQ(error->GetErrorCode(), c.Code) << Visible(c.Input);
    PXMLReaderToken token;
    EXPECT_FALSE(reader.ReadNextToken(token));  // stays stopped
  }
}

TEST(XmlReader, ErrorPositionAndStub) {
  TXMLReader reader;
  reader.InitXML(u"<root>\r\n  <a>text</b>rest of line\r\nnext");
  EXPECT_EQ(DumpTokens(reader), "OE root|FO root|TX=\\r\\n  |OE a|FO a|TX=text" +
                                    Msg(sXmlWrongElementClosed, {u"b", u"a"}));
  auto error = reader.ParseError();
  ASSERT_TRUE(error);
  EXPECT_EQ(error->GetLine(), 2);
  EXPECT_EQ(error->GetLinePos(), 13);
  EXPECT_EQ(error->GetSrcText(), u"  <a>text</b>rest of li");
  EXPECT_EQ(error->GetSrcTextPos(), 13);
}

// Errors met at the end of the input show where the file was cut: the stub is the text of the
// last line (at most 30 code units) and the error position its end.
TEST(XmlReader, ErrorAtTheEndOfTheInputShowsTheLastLine) {
  struct {
    std::u16string_view Input;
    std::u16string_view Stub;
  } cases[] = {
      {u"<r>\r\n  <a>some text", u"  <a>some text"},
      {u"<r>\n<!-- a comment cut", u"<!-- a comment cut"},
      {u"<r><![CDATA[0123456789012345678901234567890123456789", u"012345678901234567890123456789"},
      {u"<!DOCTYPE r [\n<!ENTITY e 'x'>", u"<!ENTITY e 'x'>"},
      {u"<!DOCTYPE r [\n<!ENTITY e 'x>", u"<!ENTITY e 'x>"},
      {u"<r>\r\n", u""},
  };
  for (const auto& c : cases) {
    TXMLReader reader;
    reader.InitXML(c.Input);
    DumpTokens(reader);
    auto error = reader.ParseError();
    ASSERT_TRUE(error) << Visible(c.Input);
    EXPECT_EQ(error->GetSrcText(), c.Stub) << Visible(c.Input);
    EXPECT_EQ(error->GetSrcTextPos(), static_cast<int32_t>(c.Stub.size())) << Visible(c.Input);
  }
  // the same across a block boundary of a file-sized input
  std::string doc = "<r>\n" + std::string(20000, 'x') + "\n<a>cut here";
  TXMLReader reader;
  reader.InitBuffer(std::vector<uint8_t>(doc.begin(), doc.end()));
  DumpTokens(reader);
  ASSERT_TRUE(reader.ParseError());
  EXPECT_EQ(reader.ParseError()->GetSrcText(), u"<a>cut here");
}

TEST(XmlReader, ErrorHandlingRaise) {
  TXMLReader reader;
  reader.ReaderSettings().SetErrorHandling(ehRaise);
  reader.InitXML(u"<a></b>");
  PXMLReaderToken token;
  ASSERT_TRUE(reader.ReadNextToken(token));
  ASSERT_TRUE(reader.ReadNextToken(token));
  EXPECT_THROW(reader.ReadNextToken(token), EXMLReaderInvalidStructure);
  EXPECT_TRUE(reader.ParseError());
  EXPECT_FALSE(reader.ReadNextToken(token));

  reader.InitXML(u"<a>\x01</a>");
  ASSERT_TRUE(reader.ReadNextToken(token));
  ASSERT_TRUE(reader.ReadNextToken(token));
  EXPECT_THROW(reader.ReadNextToken(token), EXMLReaderInvalidCharacter);
}

TEST(XmlReader, LineBreaks) {
  const std::u16string_view doc = u"<a x='1\r\n2\n3\r4'>a\rb\r\nc\nd<!--\r\n\n--><![CDATA[\r\n\n]]><?p \r\n?>\r</a>";
  EXPECT_EQ(Dump(doc), "OE a|AT x=1\\r\\n2\\r\\n3\\r\\n4|FO a|TX=a\\r\\nb\\r\\nc\\r\\nd|CM=\\r\\n\\n|CD=\\r\\n\\n|"
                       "PI p=\\r\\n|TX=\\r\\n|CE a");
  EXPECT_EQ(Dump(doc, {.LineBreak = lbLF}), "OE a|AT x=1\\n2\\n3\\n4|FO a|TX=a\\nb\\nc\\nd|CM=\\r\\n\\n|CD=\\r\\n\\n|"
                                            "PI p=\\r\\n|TX=\\n|CE a");
  EXPECT_EQ(Dump(doc, {.LineBreak = lbDoNotProcess}),
            "OE a|AT x=1\\r\\n2\\n3\\r4|FO a|TX=a\\rb\\r\\nc\\nd|CM=\\r\\n\\n|CD=\\r\\n\\n|PI p=\\r\\n|TX=\\r|CE a");
  EXPECT_EQ(Dump(u"x\r", {.LineBreak = lbCR}), "TX=x\\r");
  EXPECT_EQ(Dump(u"x\r\r\n", {.LineBreak = lbLF}), "TX=x\\n\\n");
}

TEST(XmlReader, ReferenceTokens) {
  EXPECT_EQ(Dump(u"<a>x&amp;y&#65;&#x41;</a>", {.Expand = false}),
            "OE a|FO a|TX=x|ER amp=&|TX=y|ER #65=A|ER #x41=A|CE a");
  // attribute values are always expanded
  EXPECT_EQ(Dump(u"<a v='&lt;'>&lt;</a>", {.Expand = false}), "OE a|AT v=<|FO a|ER lt=<|CE a");
  EXPECT_EQ(Dump(u"<a>&nope;x</a>", {.Strict = false, .Expand = false}), "OE a|FO a|TX=&nope;|TX=x|CE a");
  EXPECT_EQ(Dump(u"<a>&nope;x</a>", {.Expand = false}), "OE a|FO a" + Msg(sXmlInvalidEntity, {u"&nope;"}));
}

TEST(XmlReader, InternalSubsetDeclaresEntities) {
  EXPECT_EQ(Dump(u"<!DOCTYPE r [<!ENTITY e 'x&amp;y'>]><r a='&e;'>&e;</r>"),
            "DT=r [<!ENTITY e 'x&amp;y'>]|OE r|AT a=x&y|FO r|TX=x&y|CE r");
  // later declarations win, earlier entities can be used, parameter entities are not stored,
  // quotes in comments hide a "]"
  EXPECT_EQ(Dump(u"<!doctype r [<!-- it's ] --><!ENTITY % p 'P'><!ENTITY e \"1\"><!ENTITY e '2&e;'>"
                 u"<!-- ' -->]><r>&e;</r>"),
            "DT=r [<!-- it's ] --><!ENTITY % p 'P'><!ENTITY e \"1\"><!ENTITY e '2&e;'><!-- ' -->]|OE r|FO r|TX=21|CE r");
  EXPECT_EQ(Dump(u"<!DOCTYPE r [<!ENTITY p '%'>]><r>&p;</r>", {.Strict = false}), "DT=r [<!ENTITY p '%'>]|OE r|FO r|TX=%|CE r");
  // a malformed external identifier still stops the document in both modes
  EXPECT_EQ(Tolerant(u"<!DOCTYPE r [<!ENTITY e SYSTEM 'x>]><r/>"), Msg(sXmlEntityValueNotQuoted, {u"e"}));
  EXPECT_EQ(Tolerant(u"<!DOCTYPE r [<!ENTITY e PUBLIC 'p'>]><r/>"), Msg(sXmlEntityValueNotQuoted, {u"e"}));
  EXPECT_EQ(Tolerant(u"<!DOCTYPE r [<!ENTITY e system 'x'>]><r/>"), Msg(sXmlEntityValueNotQuoted, {u"e"}));
  // the table starts again for every document
  TXMLReader reader;
  reader.InitXML(u"<!DOCTYPE r [<!ENTITY e 'x'>]><r/>");
  DumpTokens(reader);
  reader.InitXML(u"<!DOCTYPE r [<!ENTITY f 'y'>]><r>&e;</r>");
  EXPECT_EQ(DumpTokens(reader), "DT=r [<!ENTITY f 'y'>]|OE r|FO r" + Msg(sXmlInvalidEntity, {u"&e;"}));
}

// Comments and processing instructions of the subset are units: what is written inside them
// neither opens a quote nor declares anything.
TEST(XmlReader, SubsetCommentsAndPIsAreUnits) {
  for (bool strict : {true, false}) {
    const TOptions options{.Strict = strict};
    EXPECT_EQ(Dump(u"<!DOCTYPE doc [ <!-- doesn't --> ]><doc>x</doc>", options),
              "DT=doc [ <!-- doesn't --> ]|OE doc|FO doc|TX=x|CE doc");
    EXPECT_EQ(Dump(u"<!DOCTYPE d [<?pi it's?><!ENTITY e 'E'>]><d>&e;</d>", options),
              "DT=d [<?pi it's?><!ENTITY e 'E'>]|OE d|FO d|TX=E|CE d");
    EXPECT_EQ(Dump(u"<!DOCTYPE d [<!-- <!ENTITY amp \"X\"> <!ENTITY e 'E'> -->]><d>&amp;</d>", options),
              "DT=d [<!-- <!ENTITY amp \"X\"> <!ENTITY e 'E'> -->]|OE d|FO d|TX=&|CE d");
    // quotes in declarations still hide a "]" and a comment opening
    EXPECT_EQ(Dump(u"<!DOCTYPE d [<!ATTLIST d a CDATA \"]<!--\"><!ENTITY e 'E'>]><d>&e;</d>", options),
              "DT=d [<!ATTLIST d a CDATA \"]<!--\"><!ENTITY e 'E'>]|OE d|FO d|TX=E|CE d");
  }
  // a declaration only inside a comment declares nothing
  EXPECT_EQ(Dump(u"<!DOCTYPE d [<!-- <!ENTITY e 'E'> -->]><d>&e;</d>"),
            "DT=d [<!-- <!ENTITY e 'E'> -->]|OE d|FO d" + Msg(sXmlInvalidEntity, {u"&e;"}));
  // a comment cut off by the end of the input leaves the subset unfinished
  EXPECT_EQ(Dump(u"<!DOCTYPE d [<!-- ]><d/>"), Msg(sXmlCharInText, {u"0x0000"}));
}

// A literal that the input cuts off is no value, whatever was read up to the end: the load fails
// in both modes, in the internal subset as in an external DTD, and what came before it stays.
TEST(XmlReader, DTDLiteralsCutOffByTheEndAreErrors) {
  const struct {
    std::u16string_view Subset;
    std::string Error;
  } cases[] = {
      {u"<!ENTITY a 'A'><!ENTITY b 'B>", Msg(sXmlEntityValueNotQuoted, {u"b"})},
      {u"<!ENTITY a 'A'><!ENTITY b \"B>]><r>&a;</r>", Msg(sXmlEntityValueNotQuoted, {u"b"})},
      {u"<!ENTITY a 'A'><!ENTITY b SYSTEM 'b.ent>]><r/>", Msg(sXmlEntityValueNotQuoted, {u"b"})},
      {u"<!ENTITY a 'A'><!ATTLIST r x CDATA 'x>]><r/>", Msg(sXmlCharInText, {u"0x0000"})},
  };
  for (bool strict : {true, false}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(Visible(c.Subset) + (strict ? " strict" : " tolerant"));
      EXPECT_EQ(Dump(u"<!DOCTYPE r [" + std::u16string(c.Subset), {.Strict = strict}), c.Error);
      TXMLReaderSettings settings;
      settings.SetStrictXML(strict);
      EXPECT_FALSE(settings.LoadDTDFromString(c.Subset));
      std::u16string value;
      EXPECT_TRUE(settings.EntityList().Find(u"a", value));
      EXPECT_FALSE(settings.EntityList().Find(u"b", value));
    }
  }
}

// External entities are declared but never read; a reference to one stays as written.
TEST(XmlReader, ExternalEntityDeclarations) {
  const std::u16string_view subset =
      u"<!DOCTYPE r [<!ENTITY x SYSTEM \"x.css\"><!ENTITY % p PUBLIC \"-//A//B\" 'p.ent'>"
      u"<!ENTITY pic SYSTEM 'a.png' NDATA png><!ENTITY pub PUBLIC '-//X' \"y\">%p;]>";
  const std::string dt = "DT=r " + Visible(subset.substr(12, subset.size() - 13));
  for (bool strict : {true, false}) {
    EXPECT_EQ(Dump(std::u16string(subset) + u"<r a='&x;'>1&x;2&pic;&pub;</r>", {.Strict = strict}),
              dt + "|OE r|AT a=&x;|FO r|TX=1&x;2&pic;&pub;|CE r")
        << strict;
    EXPECT_EQ(Dump(std::u16string(subset) + u"<r>1&x;2</r>", {.Strict = strict, .Expand = false}),
              dt + "|OE r|FO r|TX=1|ER x|TX=2|CE r")
        << strict;
  }
  // a later declaration wins either way; the predefined five stay
  EXPECT_EQ(Dump(u"<!DOCTYPE r [<!ENTITY e 'v'><!ENTITY e SYSTEM 'e'><!ENTITY amp SYSTEM 'a'>]><r>&e;&amp;</r>"),
            "DT=r [<!ENTITY e 'v'><!ENTITY e SYSTEM 'e'><!ENTITY amp SYSTEM 'a'>]|OE r|FO r|TX=&e;&|CE r");
  EXPECT_EQ(Dump(u"<!DOCTYPE r [<!ENTITY e SYSTEM 'e'><!ENTITY e 'v'>]><r>&e;</r>"),
            "DT=r [<!ENTITY e SYSTEM 'e'><!ENTITY e 'v'>]|OE r|FO r|TX=v|CE r");

  TXMLReaderSettings settings;
  ASSERT_TRUE(settings.LoadDTDFromString(u"<!ENTITY x SYSTEM '/etc/passwd'>"));
  std::u16string value = u"?";
  EXPECT_FALSE(settings.EntityList().Find(u"x", value));
  EXPECT_EQ(value, u"");
  EXPECT_TRUE(settings.EntityList().IsExternal(u"x"));
  TXMLReaderSettings copy;
  copy.Assign(settings);
  EXPECT_TRUE(copy.EntityList().IsExternal(u"x"));
  settings.EntityList().Clear();
  EXPECT_FALSE(settings.EntityList().IsExternal(u"x"));
}

TEST(XmlReader, LoadDTD) {
  TXMLReader reader;
  ASSERT_TRUE(reader.ReaderSettings().LoadDTDFromString(u"<!ENTITY e 'one'>\n<!ELEMENT r ANY>\n<!ENTITY f \"&e;!\">"));
  EXPECT_EQ(reader.ReaderSettings().EntityList().Count(), 7);
  reader.InitXML(u"<r>&f;</r>");
  EXPECT_EQ(DumpTokens(reader), "OE r|FO r|TX=one!|CE r");
  EXPECT_TRUE(reader.ReaderSettings().LoadDTDFromString_UTF8("<!ENTITY g 'G\xC3\xA4'>"));
  EXPECT_EQ(reader.ReaderSettings().EntityList().GetValue(5), u"G\u00E4");
  EXPECT_FALSE(reader.ReaderSettings().LoadDTDFromString(u"<!ENTITY a 'A'><!ENTITY b PUBLIC 'x'>"));
  EXPECT_EQ(reader.ReaderSettings().EntityList().Count(), 6);  // what came before the error stays
}

// The byte sources: a file, a stream and a buffer decode by the default encoding unless a
// byte-order mark says otherwise; every load starts the table again from the predefined five.
TEST(XmlReader, LoadDTDFromFileStreamAndBuffer) {
  TScratchDir dir;
  ASSERT_TRUE(dir.Ok());
  auto entities = [](const TXMLReaderSettings& aSettings) {
    std::string out;
    const TXMLReaderEntityList& list = aSettings.EntityList();
    for (int32_t i = 5; i < list.Count(); ++i) out += Visible(list.GetName(i)) + "=" + Visible(list.GetValue(i)) + ";";
    return out;
  };
  const std::string cp1250 = "<!ENTITY s '\x9A\xE8'>";  // "šč" in windows-1250
  const std::string utf16 = std::string("\xFF\xFE<\0!\0E\0N\0T\0I\0T\0Y\0 \0u\0 \0'\0\x60\x4F'\0>\0", 32);
  std::ofstream(dir.File("cp1250.dtd"), std::ios::binary) << cp1250;
  std::ofstream(dir.File("utf16.dtd"), std::ios::binary) << utf16;

  TXMLReaderSettings settings;
  EXPECT_TRUE(settings.LoadDTDFromFile(dir.File16("cp1250.dtd"), EncodingFromCodePage(1250)));
  EXPECT_EQ(entities(settings), "s=šč;");
  EXPECT_TRUE(settings.LoadDTDFromFile(dir.File16("utf16.dtd"), TEncoding::UTF8()));  // the mark wins
  EXPECT_EQ(entities(settings), "u=你;");

  // A missing file is the stream's open error; the table stays as it was.
  EXPECT_THROW(settings.LoadDTDFromFile(dir.File16("missing.dtd")), EFOpenError);
  EXPECT_EQ(entities(settings), "u=你;");

  TMemoryStream stream;
  stream.WriteBuffer(cp1250.data(), static_cast<int64_t>(cp1250.size()));
  stream.SetPosition(0);
  EXPECT_TRUE(settings.LoadDTDFromStream(&stream, EncodingFromCodePage(1250)));
  EXPECT_EQ(entities(settings), "s=šč;");

  const std::vector<uint8_t> bytes(utf16.begin(), utf16.end());
  EXPECT_TRUE(settings.LoadFromBuffer(bytes));
  EXPECT_EQ(entities(settings), "u=你;");
  EXPECT_TRUE(settings.LoadFromBuffer(cp1250.data(), static_cast<int64_t>(cp1250.size()), TEncoding::ASCII()));
  EXPECT_EQ(entities(settings), "s=��;");  // not ASCII: replacement characters
  // an empty or negative length reads nothing and only resets the table
  EXPECT_TRUE(settings.LoadFromBuffer(cp1250.data(), -1, nullptr));
  EXPECT_EQ(entities(settings), "");
  EXPECT_EQ(settings.EntityList().Count(), 5);
  // a syntax error: false, with the declarations before it kept
  const std::string broken = "<!ENTITY a 'A'><!ENTITY b B>";
  EXPECT_FALSE(settings.LoadFromBuffer(std::vector<uint8_t>(broken.begin(), broken.end())));
  EXPECT_EQ(entities(settings), "a=A;");
}

TEST(XmlReader, AttributeListAndNodePath) {
  TXMLReader reader;
  TXMLReaderTokenList attributes;
  reader.SetAttributeTokens(&attributes);
  reader.InitXML(u"<a x='1' y='2'><b z='3'/></a>");
  PXMLReaderToken token;
  bool seenB = false;
  while (reader.ReadNextToken(token)) {
    if (token->TokenType == rtFinishOpenElement) {
      ASSERT_EQ(attributes.Count(), 2);
      EXPECT_EQ(attributes.GetToken(1)->TokenName, u"y");
      EXPECT_EQ(attributes.GetToken(1)->TokenValue, u"2");
    }
    if (token->TokenType == rtOpenElement && token->TokenName == u"b") {
      EXPECT_EQ(attributes.Count(), 0);
      EXPECT_EQ(reader.NodePathCount(), 2);
      EXPECT_EQ(reader.NodePath(0), u"a");
      EXPECT_EQ(reader.NodePath(1), u"b");
      EXPECT_THROW(reader.NodePath(2), EArgumentOutOfRange);
      seenB = true;
    }
    if (token->TokenType == rtFinishOpenElementClose) {
      ASSERT_EQ(attributes.Count(), 1);
      EXPECT_EQ(attributes.GetToken(0)->TokenValue, u"3");
    }
  }
  EXPECT_TRUE(seenB);
  EXPECT_EQ(reader.NodePathCount(), 0);
  EXPECT_FALSE(reader.ParseError());
}

// Exponential entities in the internal subset must end in a clear error, not in exhausted memory.
TEST(XmlReaderLimits, NestedEntitiesAreCapped) {
  std::u16string doc = u"<!DOCTYPE r [<!ENTITY e0 'aaaaaaaaaaaaaaaa'>";
  for (int i = 1; i <= 40; ++i) {
    std::u16string prev = u"&e" + Utf8ToUtf16(std::to_string(i - 1)) + u";";
    doc += u"<!ENTITY e" + Utf8ToUtf16(std::to_string(i)) + u" '";
    for (int k = 0; k < 10; ++k) doc += prev;
    doc += u"'>";
  }
  doc += u"]><r>&e40;</r>";
  for (bool strict : {true, false}) {
    TXMLReader reader;
    reader.ReaderSettings().SetStrictXML(strict);
    reader.InitXML(doc);
    const std::string dump = DumpTokens(reader);
    ASSERT_TRUE(reader.ParseError());
    EXPECT_EQ(reader.ParseError()->GetErrorCode(), pcInvalidStructure);
    // A small subset trips the bound relative to what was read long before any absolute cap.
    EXPECT_EQ(dump, Msg(sXmlEntityExpansionRatio, {cXmlMaxExpansionRatio}));
  }
  // One entity longer than its cap, from a subset big enough that the ratio does not trip.
  std::u16string longOne = u"<!DOCTYPE r [<!ENTITY a '" + std::u16string(5 * 1024 * 1024, u'x') + u"'>";
  longOne += u"<!ENTITY b '&a;&a;'>]><r/>";
  {
    TXMLReader reader;
    reader.InitXML(longOne);
    EXPECT_EQ(DumpTokens(reader), Msg(sXmlEntityTooLong, {u"b", cXmlMaxEntityLength}));
  }
  // Wide instead of deep: every entity stays under the per-entity cap, the document total trips.
  std::u16string wide = u"<!DOCTYPE r [<!ENTITY a '" + std::u16string(4 * 1024 * 1024, u'x') + u"'>";
  wide += u"<!ENTITY b '&a;&a;'>]><r>";
  wide += std::u16string(7 * 1024 * 1024, u'p');  // enough text read that no ratio trips first
  for (int i = 0; i < 20; ++i) wide += u"&b;";
  wide += u"</r>";
  TXMLReader reader;
  reader.InitXML(wide);
  PXMLReaderToken token;
  std::vector<TXMLReaderTokenType> kinds;
  while (reader.ReadNextToken(token)) kinds.push_back(token->TokenType);
  EXPECT_EQ(kinds, (std::vector<TXMLReaderTokenType>{rtDocType, rtOpenElement, rtFinishOpenElement}));
  ASSERT_TRUE(reader.ParseError());
  EXPECT_EQ(reader.ParseError()->GetErrorCode(), pcInvalidStructure);
  EXPECT_EQ(reader.ParseError()->GetReason(), Format(sXmlEntityExpansionLimit, {cXmlMaxEntityExpansion}));
  // References that are no longer than their text do not count: a million &amp; are fine.
  std::u16string many = u"<r>";
  for (int i = 0; i < 1000000; ++i) many += u"&amp;&#x26;";
  many += u"</r>";
  reader.InitXML(many);
  int tokens = 0;
  while (reader.ReadNextToken(token)) {
    if (token->TokenType == rtText) {
      EXPECT_EQ(token->TokenValue.size(), 2000000u);
    }
    ++tokens;
  }
  EXPECT_EQ(tokens, 4);
  EXPECT_FALSE(reader.ParseError());
}

// Expansion is also bounded by what has been read: a small file cannot expand to the absolute
// cap, but a document of many short references to a declared entity still reads.
TEST(XmlReaderLimits, ExpansionRelativeToTheInput) {
  std::u16string laughs = u"<!DOCTYPE r [<!ENTITY a '" + std::u16string(64, u'l') + u"'>";
  laughs += u"<!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;'><!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;'>";
  laughs += u"<!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;'>]><r>";  // d is 32 K code units
  for (int i = 0; i < 200; ++i) laughs += u"&d;";  // 6.4 M code units from a file of 1 K
  laughs += u"</r>";
  for (bool strict : {true, false}) {
    TXMLReader reader;
    reader.ReaderSettings().SetStrictXML(strict);
    reader.InitXML(laughs);
    PXMLReaderToken token;
    while (reader.ReadNextToken(token)) {
    }
    ASSERT_TRUE(reader.ParseError());
    EXPECT_EQ(reader.ParseError()->GetErrorCode(), pcInvalidStructure);
    EXPECT_EQ(reader.ParseError()->GetReason(), Format(sXmlEntityExpansionRatio, {cXmlMaxExpansionRatio}));
  }

  // Two million references of three code units, each adding seven: 14 M added over 6 M read.
  std::u16string many = u"<!DOCTYPE r [<!ENTITY e 'ten chars!'>]><r>";
  for (int i = 0; i < 2000000; ++i) many += u"&e;";
  many += u"</r>";
  TXMLReader reader;
  reader.InitXML(many);
  PXMLReaderToken token;
  size_t text = 0;
  while (reader.ReadNextToken(token))
    if (token->TokenType == rtText) text += token->TokenValue.size();
  EXPECT_FALSE(reader.ParseError()) << Visible(reader.ParseError()->GetReason());
  EXPECT_EQ(text, 20000000u);
}

TEST(XmlReaderLimits, DeepNesting) {
  const int depth = 1000000;
  std::u16string doc;
  doc.reserve(depth * 8);
  for (int i = 0; i < depth; ++i) doc += u"<a>";
  for (int i = 0; i < depth; ++i) doc += u"</a>";
  TXMLReader reader;
  reader.InitXML(doc);
  PXMLReaderToken token;
  int64_t tokens = 0, maxDepth = 0;
  while (reader.ReadNextToken(token)) {
    ++tokens;
    maxDepth = std::max<int64_t>(maxDepth, reader.NodePathCount());
  }
  EXPECT_FALSE(reader.ParseError());
  EXPECT_EQ(tokens, 3 * depth);
  EXPECT_EQ(maxDepth, depth);

  // Tolerant: every end tag misses the innermost element; each must cost O(1), not a stack walk.
  doc.clear();
  doc += u"<r>";
  for (int i = 0; i < depth; ++i) doc += u"<b>";
  for (int i = 0; i < depth; ++i) doc += u"</x>";
  doc += u"</b></r>";
  reader.ReaderSettings().SetStrictXML(false);
  reader.InitXML(doc);
  tokens = 0;
  while (reader.ReadNextToken(token)) ++tokens;
  // the last "</b>" closes r, the innermost element left; "</r>" is never read
  EXPECT_EQ(tokens, 2 + 2 * depth + depth + 1);
  EXPECT_EQ(reader.NodePathCount(), 0);

  // ... and one end tag that closes a million elements at once
  doc.clear();
  doc += u"<r>";
  for (int i = 0; i < depth; ++i) doc += u"<b>";
  doc += u"</r><after/>";
  reader.ReaderSettings().SetBreakReading(brNone);
  reader.InitXML(doc);
  tokens = 0;
  std::u16string last;
  while (reader.ReadNextToken(token)) {
    ++tokens;
    last = token->TokenName;
  }
  EXPECT_EQ(tokens, 2 + 2 * depth + depth + 1 + 2);
  EXPECT_EQ(last, u"after");

  // a million stray slashes in a start tag are dropped one by one without recursion
  doc = u"<a" + std::u16string(depth, u'/') + u"x='1'/>";
  reader.InitXML(doc);
  EXPECT_EQ(DumpTokens(reader), "OE a|AT x=1|FC a");
}

TEST(XmlReaderLimits, MillionAttributes) {
  const int count = 1000000;
  std::u16string doc = u"<a";
  doc.reserve(count * 12);
  for (int i = 0; i < count; ++i) doc += u" a" + Utf8ToUtf16(std::to_string(i)) + u"='v'";
  doc += u"/>";
  TXMLReader reader;
  TXMLReaderTokenList attributes;
  reader.SetAttributeTokens(&attributes);
  reader.InitXML(doc);
  PXMLReaderToken token;
  int seen = 0;
  while (reader.ReadNextToken(token))
    if (token->TokenType == rtAttribute) ++seen;
  EXPECT_EQ(seen, count);
  EXPECT_EQ(attributes.Count(), count);
  EXPECT_EQ(attributes.GetToken(count - 1)->TokenName, u"a999999");
  EXPECT_FALSE(reader.ParseError());

  // A repeated name at the end of the huge header: strict finds it without comparing every
  // pair, tolerant keeps both.
  doc.insert(doc.size() - 2, u" a5='w'");
  for (bool strict : {true, false}) {
    reader.ReaderSettings().SetStrictXML(strict);
    reader.InitXML(doc);
    seen = 0;
    while (reader.ReadNextToken(token))
      if (token->TokenType == rtAttribute) ++seen;
    if (strict) {
      ASSERT_TRUE(reader.ParseError());
      EXPECT_EQ(reader.ParseError()->GetReason(), Format(sXmlDuplicateAttribute, {u"a5"}));
      EXPECT_EQ(seen, count);
    } else {
      EXPECT_FALSE(reader.ParseError());
      EXPECT_EQ(seen, count + 1);
    }
  }
}

TEST(XmlReader, EncodingFromDeclaration) {
  const std::string body = "<?xml version=\"1.0\" encoding=\"windows-1250\"?>\r\n<r a=\"\x8A\">\x8A</r>";
  auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  TXMLReader reader;
  TXMLReaderTokenList attributes;
  reader.SetAttributeTokens(&attributes);
  reader.InitBuffer(bytes(body));
  PXMLReaderToken token;
  ASSERT_TRUE(reader.ReadNextToken(token));
  ASSERT_TRUE(reader.ReadNextToken(token));
  ASSERT_TRUE(reader.ReadNextToken(token));
  // the switch re-reads from the first byte and hands out the same pseudo-attribute again
  EXPECT_EQ(token->TokenType, rtXMLDeclarationAttribute);
  EXPECT_EQ(token->TokenName, u"encoding");
  EXPECT_EQ(attributes.Count(), 2);
  EXPECT_EQ(reader.Encoding()->CodePage(), 1250);
  EXPECT_EQ(DumpTokens(reader), "XC xml|TX=\\r\\n|OE r|AT a=\xC5\xA0|FO r|TX=\xC5\xA0|CE r");

  // a byte-order mark or a forced encoding wins over the declaration
  reader.InitBuffer(bytes("\xEF\xBB\xBF" + body));
  EXPECT_EQ(DumpTokens(reader),
            "XO xml|XA version=1.0|XA encoding=windows-1250|XC xml|TX=\\r\\n|OE r|AT a=\xEF\xBF\xBD|FO r|TX=\xEF\xBF\xBD|CE r");
  reader.InitBuffer(bytes(body), TEncoding::UTF8());
  EXPECT_TRUE(reader.ForceEncoding());
  EXPECT_EQ(DumpTokens(reader),
            "XO xml|XA version=1.0|XA encoding=windows-1250|XC xml|TX=\\r\\n|OE r|AT a=\xEF\xBF\xBD|FO r|TX=\xEF\xBF\xBD|CE r");
  // the name is case-sensitive; unknown encodings are no error
  for (const char* decl : {"<?xml Encoding='windows-1250'?><r>\x8A</r>", "<?xml encoding='no-such'?><r>\x8A</r>"}) {
    reader.InitBuffer(bytes(decl));
    const std::string dump = DumpTokens(reader);
    EXPECT_NE(dump.find("TX=\xEF\xBF\xBD"), std::string::npos) << dump;
    EXPECT_EQ(reader.Encoding(), TEncoding::UTF8());
  }
  // after the first start tag the encoding is final
  reader.ReaderSettings().SetBreakReading(brNone);
  reader.InitBuffer(bytes("<r/><?xml encoding='windows-1250'?>\x8A"));
  EXPECT_EQ(DumpTokens(reader), "OE r|FC r|PI xml=encoding='windows-1250'|TX=\xEF\xBF\xBD");
}

// Encodings outside the alias table, through the C library's converter: the text decodes
// exactly, also where a character is cut by the end of a 16 KB block (one pad of each parity
// puts a double-byte character across it).
TEST(XmlReader, ConverterEncodingsAcrossBlockEnds) {
  struct {
    const char* Name;
    std::string Bytes;
    std::u16string Text;
  } cases[] = {
      {"Shift_JIS", "\x93\xfa\x96\x7b\x8c\xea", u"\u65e5\u672c\u8a9e"},
      {"EUC-KR", "\xc7\xd1\xb1\xb9\xbe\xee", u"\ud55c\uad6d\uc5b4"},
      {"big5", "\xa4\xa4\xa4\xe5\xa6\x72", u"\u4e2d\u6587\u5b57"},
      {"IBM866", "\x8f\xe0\xa8\xa2\xa5\xe2", u"\u041f\u0440\u0438\u0432\u0435\u0442"},
  };
  for (auto& c : cases) {
    for (size_t pad : {16000u, 16001u}) {
      SCOPED_TRACE(std::string(c.Name) + " " + std::to_string(pad));
      std::string doc = "<?xml version=\"1.0\" encoding=\"" + std::string(c.Name) + "\"?><r>" + std::string(pad, 'a');
      std::u16string text(pad, u'a');
      for (int i = 0; i < 200; ++i) {
        doc += c.Bytes;
        text += c.Text;
      }
      doc += "</r>";
      TXMLReader reader;
      reader.InitBuffer(std::vector<uint8_t>(doc.begin(), doc.end()));
      PXMLReaderToken token;
      std::u16string got;
      while (reader.ReadNextToken(token))
        if (token->TokenType == rtText) got += token->TokenValue;
      EXPECT_FALSE(reader.ParseError());
      EXPECT_TRUE(got == text) << Visible(got.substr(16000, 40));
    }
  }
}
