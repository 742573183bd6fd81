// SAX parser: the event sequence per setting, white-space handling with its xml:space
// bookkeeping, errors and stops that cut the sequence short, the attribute lookups on both
// sides of the hash threshold, state misuse, and inputs that must stay linear.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "XmlMessages.h"
#include "XmlSAX.h"

namespace {

std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

// Every event as one short string: "SD", "XD version=1.0", "PI t=c", "CM c", "SE r a=1 b=2",
// "CH t", "EE r", "ED".
struct TRecorder {
  std::vector<std::string> Events;

  static std::string Attrs(const TSAXAttributes& aAttributes) {
    std::string out;
    for (TSAXAttribute a : aAttributes) out += ' ' + U8(a.Name()) + '=' + U8(a.Value());
    return out;
  }

  void Attach(TSAXParser& p) {
    p.OnStartDocument = [this](TSAXParser&) { Events.push_back("SD"); };
    p.OnEndDocument = [this](TSAXParser&) { Events.push_back("ED"); };
    p.OnXMLDeclaration = [this](TSAXParser&, const TSAXAttributes& a) { Events.push_back("XD" + Attrs(a)); };
    p.OnProcessingInstruction = [this](TSAXParser&, std::u16string_view t, std::u16string_view c) {
      Events.push_back("PI " + U8(t) + '=' + U8(c));
    };
    p.OnComment = [this](TSAXParser&, std::u16string_view t) { Events.push_back("CM " + U8(t)); };
    p.OnStartElement = [this](TSAXParser&, std::u16string_view n, const TSAXAttributes& a) {
      Events.push_back("SE " + U8(n) + Attrs(a));
    };
    p.OnCharacters = [this](TSAXParser&, std::u16string_view t) { Events.push_back("CH " + U8(t)); };
    p.OnEndElement = [this](TSAXParser&, std::u16string_view n) { Events.push_back("EE " + U8(n)); };
  }

  std::string Joined() const {
    std::string out;
    for (const auto& e : Events) out += (out.empty() ? "" : "|") + e;
    return out;
  }
};

struct TCase {
  const char* Xml;
  TXMLWhiteSpaceHandling Ws;
  bool Strict;
  bool Expand;
  const char* Events;
  bool Result;
};

TEST(SAXParser, EventSequences) {
  const TCase cases[] = {
      // start document at the declaration's first token; the trailing spaces send nothing
      {"<?xml version=\"1.0\"?><!--c--><r a=\"1\" b=\"2\">t<x/>  </r>", wsTrim, true, true,
       "SD|XD version=1.0|CM c|SE r a=1 b=2|CH t|SE x|EE x|EE r|ED", true},
      // white space before the first construct sends nothing, not even the document start
      {"  \r\n <?xml version='1.0'?><r/>", wsTrim, true, true, "SD|XD version=1.0|SE r|EE r|ED", true},
      {"   \n\t ", wsPreserveAll, true, true, "", true},
      {"", wsTrim, true, true, "", true},
      {"<r> a </r>", wsTrim, true, true, "SD|SE r|CH a|EE r|ED", true},
      {"<r> a </r>", wsPreserveAll, true, true, "SD|SE r|CH  a |EE r|ED", true},
      {"<r> a </r>", wsPreserveInTextOnly, true, true, "SD|SE r|CH  a |EE r|ED", true},
      {"<r><a/>   <b/></r>", wsTrim, true, true, "SD|SE r|SE a|EE a|SE b|EE b|EE r|ED", true},
      {"<r><a/>   <b/></r>", wsPreserveInTextOnly, true, true, "SD|SE r|SE a|EE a|SE b|EE b|EE r|ED", true},
      {"<r><a/>   <b/></r>", wsPreserveAll, true, true, "SD|SE r|SE a|EE a|CH    |SE b|EE b|EE r|ED", true},
      {"<r><a/>   <b/></r>", wsAutoTag, true, true, "SD|SE r|SE a|EE a|SE b|EE b|EE r|ED", true},
      // CDATA and references come as characters and are trimmed like text
      {"<r><![CDATA[  ]]></r>", wsTrim, true, true, "SD|SE r|EE r|ED", true},
      {"<r><![CDATA[ <x> ]]></r>", wsTrim, true, true, "SD|SE r|CH <x>|EE r|ED", true},
      {"<r>x&amp;y</r>", wsTrim, true, false, "SD|SE r|CH x|CH &|CH y|EE r|ED", true},
      {"<r>x&amp;y</r>", wsTrim, true, true, "SD|SE r|CH x&y|EE r|ED", true},
      // a comment splits a text run; the text is never joined
      {"<r>a<!--c-->b</r>", wsTrim, true, true, "SD|SE r|CH a|CM c|CH b|EE r|ED", true},
      // the DOCTYPE starts the document but has no event of its own
      {"<!DOCTYPE r><r/>", wsTrim, true, true, "SD|SE r|EE r|ED", true},
      {"<?pi  data?><r/>", wsTrim, true, true, "SD|PI pi= data|SE r|EE r|ED", true},
      // text before the first markup starts the document when it is more than white space
      {"x<r/>", wsTrim, true, true, "SD|CH x|SE r|EE r|ED", true},
      // trimming takes every control character; the first-event test only XML white space
      {"\x01<r>\x02 a\x1f</r>", wsTrim, false, true, "SD|SE r|CH a|EE r|ED", true},
      // a syntax error: the events so far stand, no end events follow
      {"<a><b></a>", wsTrim, true, true, "SD|SE a|SE b", false},
      {"<a><b></a>", wsTrim, false, true, "SD|SE a|SE b|EE b|EE a|ED", true},
      {"<a>", wsTrim, true, true, "SD|SE a", false},
      {"<a>", wsTrim, false, true, "SD|SE a|ED", true},
      {"<a x=1/>", wsTrim, true, true, "SD", false},
      // tolerant, duplicates are listed as written; strict, they stop the document
      {"<r a='1' a='2'/>", wsTrim, false, true, "SD|SE r a=1 a=2|EE r|ED", true},
      {"<r a='1' a='2'/>", wsTrim, true, true, "SD", false},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Xml);
    TSAXParser parser;
    TRecorder recorder;
    recorder.Attach(parser);
    parser.SetWhiteSpaceHandling(c.Ws);
    parser.ReaderSettings().SetStrictXML(c.Strict);
    parser.ReaderSettings().SetExpandEntities(c.Expand);
    EXPECT_EQ(parser.ParseXML_UTF8(c.Xml), c.Result);
    EXPECT_EQ(recorder.Joined(), c.Events);
    EXPECT_EQ(parser.ParseError() == nullptr, c.Result);
    EXPECT_EQ(parser.ParserState(), spsIdle);
  }
}

TEST(SAXParser, WrongEndTagKeepsTheReadersError) {
  TSAXParser parser;
  EXPECT_FALSE(parser.ParseXML_UTF8("<a>\n <b></a>"));
  ASSERT_TRUE(parser.ParseError());
  EXPECT_EQ(parser.ParseError()->GetReason(), Format(sXmlWrongElementClosed, {u"a", u"b"}));
  EXPECT_EQ(parser.ParseError()->GetLine(), 2);
  EXPECT_EQ(parser.ParseError()->GetErrorCode(), pcInvalidStructure);
  // the next parse starts without the old error
  EXPECT_TRUE(parser.ParseXML_UTF8("<a/>"));
  EXPECT_FALSE(parser.ParseError());
}

TEST(SAXParser, AutoTagFollowsXmlSpace) {
  const struct {
    const char* Xml;
    const char* Events;
  } cases[] = {
      {"<r xml:space='preserve'>  x  <e/>  x  <c xml:space='default'>  x  </c>  x  </r>",
       "SD|SE r xml:space=preserve|CH   x  |SE e|EE e|CH   x  |SE c xml:space=default|CH x|EE c|CH   x  |EE r|ED"},
      // inherited through elements without the attribute; P is enough
      {"<r xml:space='Preserve'><i><j> y </j></i></r>", "SD|SE r xml:space=Preserve|SE i|SE j|CH  y |EE j|EE i|EE r|ED"},
      // an empty child records nothing, so it cannot reset its parent's entry
      {"<r xml:space='preserve'><e xml:space='default'/> y </r>",
       "SD|SE r xml:space=preserve|SE e xml:space=default|EE e|CH  y |EE r|ED"},
      // a sibling's preserve does not outlive it
      {"<r><a xml:space='preserve'> y </a><b> y </b></r>", "SD|SE r|SE a xml:space=preserve|CH  y |EE a|SE b|CH y|EE b|EE r|ED"},
      {"<r xml:space='keep'> y </r>", "SD|SE r xml:space=keep|CH y|EE r|ED"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Xml);
    TSAXParser parser;
    TRecorder recorder;
    recorder.Attach(parser);
    parser.SetWhiteSpaceHandling(wsAutoTag);
    EXPECT_TRUE(parser.ParseXML_UTF8(c.Xml));
    EXPECT_EQ(recorder.Joined(), c.Events);
  }
}

TEST(SAXParser, AttributeLookupsOnBothSidesOfTheHashThreshold) {
  for (int count : {3, 256, 257, 300}) {
    SCOPED_TRACE(count);
    std::string xml = "<r";
    for (int i = 0; i < count; ++i) xml += " a" + std::to_string(i) + "='v" + std::to_string(i) + "'";
    xml += " a1='dup'/>";
    TSAXParser parser;
    parser.ReaderSettings().SetStrictXML(false);  // strict stops at the repeated name
    int seen = 0;
    parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes& a) {
      ++seen;
      EXPECT_EQ(a.Count(), count + 1);
      EXPECT_EQ(a.IndexUsed(), count + 1 > TSAXAttributes::cHashThreshold);
      for (int i = 0; i < count; ++i) {
        const std::u16string name = Utf8ToUtf16("a" + std::to_string(i));
        ASSERT_EQ(a.IndexOf(name), i);
        if (i != 1) {
          ASSERT_EQ(a.Get(name), Utf8ToUtf16("v" + std::to_string(i)));
        }
      }
      // the first of duplicates wins; the second is still listed
      std::u16string value;
      EXPECT_TRUE(a.Find(u"a1", value));
      EXPECT_EQ(value, u"v1");
      EXPECT_EQ(a.GetAttributeItem(count).Value(), u"dup");
      EXPECT_FALSE(a.Find(u"A1", value));
      EXPECT_EQ(value, u"");
      EXPECT_FALSE(a.Has(u"zz"));
      EXPECT_EQ(a.IndexOf(u"a"), -1);
      EXPECT_EQ(a.Get(u"zz"), u"");
      EXPECT_EQ(a.GetDef(u"zz", u"def"), u"def");
      EXPECT_EQ(a.GetDef(u"a0", u"def"), u"v0");
      TSAXAttributeEnum e = a.GetEnumerator();
      int n = 0;
      while (e.MoveNext()) {
        if (n == 0) {
          EXPECT_EQ(e.Current().Name(), u"a0");
        }
        ++n;
      }
      EXPECT_EQ(n, count + 1);
      EXPECT_FALSE(e.MoveNext());
    };
    EXPECT_TRUE(parser.ParseXML_UTF8(xml));
    EXPECT_EQ(seen, 1);
  }
}

TEST(SAXParser, SmallTagAfterLargeOneSearchesLinearly) {
  std::string xml = "<r";
  for (int i = 0; i < 300; ++i) xml += " a" + std::to_string(i) + "='x'";
  xml += "><c b='1'/></r>";
  TSAXParser parser;
  std::vector<int> found;
  parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes& a) {
    found.push_back(a.IndexOf(u"a5"));
    found.push_back(a.IndexOf(u"b"));
  };
  EXPECT_TRUE(parser.ParseXML_UTF8(xml));
  EXPECT_EQ(found, (std::vector<int>{5, -1, -1, 0}));
}

TEST(SAXParser, StateMisuse) {
  TSAXParser parser;
  try {
    parser.ResumeParsing();
    FAIL() << "no exception";
  } catch (const ESAXParserException& e) {
    EXPECT_EQ(e.Message(), sSAXCannotResume);
  }
  // a parse that sent nothing leaves the handling open
  EXPECT_TRUE(parser.ParseXML_UTF8("  "));
  parser.SetWhiteSpaceHandling(wsPreserveAll);
  EXPECT_TRUE(parser.ParseXML_UTF8("<r/>"));
  try {
    parser.SetWhiteSpaceHandling(wsPreserveAll);  // even the current value
    FAIL() << "no exception";
  } catch (const ESAXParserException& e) {
    EXPECT_EQ(e.Message(), sSAXCannotChangeWhiteSpace);
  }
  EXPECT_EQ(parser.WhiteSpaceHandling(), wsPreserveAll);
  EXPECT_THROW(parser.ResumeParsing(), ESAXParserException);
}

TEST(SAXParser, StopAndPauseFromAHandler) {
  for (bool pause : {false, true}) {
    for (const char* at : {"SD", "SE a", "SE b", "CH t"}) {
      SCOPED_TRACE(std::string(at) + (pause ? " pause" : " stop"));
      TSAXParser parser;
      TRecorder recorder;
      recorder.Attach(parser);
      auto chain = [&](auto& aEvent) {
        auto inner = aEvent;
        aEvent = [&parser, &recorder, inner, at, pause](TSAXParser& p, auto&&... args) {
          inner(p, args...);
          if (recorder.Events.back() == at) pause ? parser.PauseParsing() : parser.StopParsing();
        };
      };
      chain(parser.OnStartDocument);
      chain(parser.OnStartElement);
      chain(parser.OnCharacters);
      EXPECT_TRUE(parser.ParseXML_UTF8("<a><b/>t<c/></a>"));
      EXPECT_EQ(recorder.Events.back(), at);  // the asking event is the last one
      EXPECT_EQ(parser.ParsingStopped(), !pause);
      EXPECT_FALSE(parser.ParseError());
      // the parser is ready for the next document
      recorder.Events.clear();
      parser.OnStartDocument = nullptr;
      parser.OnStartElement = nullptr;
      parser.OnCharacters = nullptr;
      recorder.Attach(parser);
      EXPECT_TRUE(parser.ParseXML_UTF8("<a/>"));
      EXPECT_EQ(recorder.Joined(), "SD|SE a|EE a|ED");
      EXPECT_EQ(parser.ParserState(), spsIdle);
    }
  }
}

TEST(SAXParser, ExceptionsLeaveAfterCleanUp) {
  TSAXParser parser;
  parser.OnStartElement = [](TSAXParser&, std::u16string_view n, const TSAXAttributes&) {
    if (n == u"boom") throw std::runtime_error("handler");
  };
  EXPECT_THROW(parser.ParseXML_UTF8("<r><boom/></r>"), std::runtime_error);
  EXPECT_FALSE(parser.ParseError());
  EXPECT_EQ(parser.ParserState(), spsIdle);
  EXPECT_TRUE(parser.ParseXML_UTF8("<r/>"));

  // ehRaise: the syntax error leaves as an exception and is kept as well
  parser.ReaderSettings().SetErrorHandling(ehRaise);
  EXPECT_THROW(parser.ParseXML_UTF8("<r></x>"), EXMLReaderInvalidStructure);
  ASSERT_TRUE(parser.ParseError());
  EXPECT_EQ(parser.ParseError()->GetReason(), Format(sXmlWrongElementClosed, {u"x", u"r"}));
  EXPECT_EQ(parser.ParserState(), spsIdle);
}

TEST(SAXParser, ParseFileAndOtherSources) {
  const std::string path = testing::TempDir() + "sax_parse_file.xml";
  {
    std::ofstream out(path, std::ios::binary);
    out << "\xEF\xBB\xBF<r>\xC3\xA9</r>";
  }
  TSAXParser parser;
  std::u16string text, url;
  parser.OnCharacters = [&](TSAXParser& p, std::u16string_view t) {
    text = t;
    url = p.URL();
  };
  EXPECT_TRUE(parser.ParseFile(Utf8ToUtf16(path)));
  EXPECT_EQ(text, u"\u00E9");
  EXPECT_EQ(url, Utf8ToUtf16(path));
  EXPECT_EQ(parser.URL(), u"");
  std::remove(path.c_str());

  int events = 0;
  parser.OnStartDocument = [&](TSAXParser&) { ++events; };
  EXPECT_THROW(parser.ParseFile(Utf8ToUtf16(path)), EFOpenError);
  EXPECT_EQ(events, 0);

  EXPECT_TRUE(parser.ParseXML(u"<r>\u20AC</r>"));
  EXPECT_EQ(text, u"\u20AC");
  const std::vector<uint8_t> latin1 = {'<', 'r', '>', 0xE9, '<', '/', 'r', '>'};
  EXPECT_TRUE(parser.ParseBuffer(latin1, TEncoding::Default()));
  EXPECT_EQ(events, 2);
}

// Names, values and texts far longer than a decoding block, with line breaks, references and
// multi-byte characters at every offset: plain runs are taken a block at a time and must join
// with what is read one code unit at a time.
TEST(SAXParser, RunsAcrossDecodingBlocks) {
  for (bool strict : {true, false}) {
    SCOPED_TRACE(strict);
    std::string name = "n", value, text, expectedValue, expectedText;
    for (int i = 0; i < 40000; ++i) name += char('a' + i % 26);
    for (int i = 0; i < 30000; ++i) {
      const int k = i % 7;
      value += k == 0 ? "\xC3\xA9" : k == 1 ? "\n" : k == 2 ? "&amp;" : k == 3 ? "'" : "v";
      expectedValue += k == 0 ? "\xC3\xA9" : k == 1 ? "\r\n" : k == 2 ? "&" : k == 3 ? "'" : "v";
      text += k == 0 ? "\xE2\x82\xAC" : k == 1 ? "\r\n" : k == 2 ? "&lt;" : k == 3 ? "]" : "t";
      expectedText += k == 0 ? "\xE2\x82\xAC" : k == 1 ? "\r\n" : k == 2 ? "<" : k == 3 ? "]" : "t";
    }
    const std::string xml = "<" + name + " " + name + "=\"" + value + "\">" + text + "</" + name + ">";
    TSAXParser parser;
    parser.ReaderSettings().SetStrictXML(strict);
    parser.SetWhiteSpaceHandling(wsPreserveAll);
    std::string gotName, gotAttr, gotValue, gotText, gotEnd;
    parser.OnStartElement = [&](TSAXParser&, std::u16string_view n, const TSAXAttributes& a) {
      gotName = U8(n);
      gotAttr = U8(a.GetAttributeItem(0).Name());
      gotValue = U8(a.GetAttributeItem(0).Value());
    };
    parser.OnCharacters = [&](TSAXParser&, std::u16string_view t) { gotText += U8(t); };
    parser.OnEndElement = [&](TSAXParser&, std::u16string_view n) { gotEnd = U8(n); };
    EXPECT_TRUE(parser.ParseXML_UTF8(xml));
    EXPECT_EQ(gotName, name);
    EXPECT_EQ(gotAttr, name);
    EXPECT_TRUE(gotValue == expectedValue);
    EXPECT_TRUE(gotText == expectedText);
    EXPECT_EQ(gotEnd, name);
  }
}

// A million levels and a million attributes: linear time, no recursion.
TEST(SAXParserLimits, DeepNesting) {
  constexpr int depth = 1000000;
  std::string xml;
  xml.reserve(size_t(depth) * 8 + 16);
  for (int i = 0; i < depth; ++i) xml += i == depth / 2 ? "<a xml:space='preserve'>" : "<a>";
  xml += " t ";
  for (int i = 0; i < depth; ++i) xml += "</a>";
  for (TXMLWhiteSpaceHandling ws : {wsTrim, wsAutoTag}) {
    TSAXParser parser;
    parser.SetWhiteSpaceHandling(ws);
    int64_t starts = 0, ends = 0;
    std::u16string text;
    parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes&) { ++starts; };
    parser.OnEndElement = [&](TSAXParser&, std::u16string_view) { ++ends; };
    parser.OnCharacters = [&](TSAXParser& p, std::u16string_view t) {
      text = t;
      EXPECT_EQ(p.NodePathCount(), depth);
    };
    EXPECT_TRUE(parser.ParseXML_UTF8(xml));
    EXPECT_EQ(starts, depth);
    EXPECT_EQ(ends, depth);
    EXPECT_EQ(text, ws == wsAutoTag ? u" t " : u"t");
  }
}

TEST(SAXParserLimits, MillionAttributes) {
  constexpr int count = 1000000;
  std::string xml = "<r";
  xml.reserve(size_t(count) * 14 + 16);
  for (int i = 0; i < count; ++i) xml += " a" + std::to_string(i) + "='1'";
  xml += " xml:space='preserve'> x </r>";
  TSAXParser parser;
  parser.SetWhiteSpaceHandling(wsAutoTag);
  int32_t seen = 0, last = -2;
  std::u16string text;
  parser.OnStartElement = [&](TSAXParser&, std::u16string_view, const TSAXAttributes& a) {
    seen = a.Count();
    last = a.IndexOf(u"a999999");
  };
  parser.OnCharacters = [&](TSAXParser&, std::u16string_view t) { text = t; };
  EXPECT_TRUE(parser.ParseXML_UTF8(xml));
  EXPECT_EQ(seen, count + 1);
  EXPECT_EQ(last, count - 1);
  EXPECT_EQ(text, u" x ");
}

}  // namespace
