// The reader's three scan paths (fast paths with vector scans, fast paths with plain loops, the
// general scan alone) must read every input alike: the same tokens, the same positions after
// each token, the same error at the same place. Inputs: tricky snippets, the samples, the fuzz
// corpus and generated documents whose tokens fall across the decoding blocks at every offset.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ScopeGuard.h"
#include "XmlReadWrite.h"
#include "XmlSAX.h"
#include "XmlScan.h"

namespace {

// The scan mode is process-wide: a test that switches it leaves the default behind, even on a failure.
auto RestoreScanMode() {
  return TScopeExit([] { XmlScanSetMode(smVector); });
}

// Every token with the reader's position after it, then the error, if any.
std::string Trace(const std::string& aInput, int aFlags, TXMLScanMode aMode) {
  XmlScanSetMode(aMode);
  TXMLReader reader;
  TXMLReaderSettings& settings = reader.ReaderSettings();
  settings.SetStrictXML(aFlags & 1);
  settings.SetExpandEntities(aFlags & 2);
  settings.SetLineBreak(static_cast<TXMLLineBreak>((aFlags >> 2) & 3));
  settings.SetBreakReading(brNone);
  settings.SetErrorHandling(aFlags & 32 ? ehRaise : ehSilent);
  TXMLReaderTokenList attributes;
  if (aFlags & 16) reader.SetAttributeTokens(&attributes);
  std::string out;
  auto add = [&](std::u16string_view s) {
    out.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
    out += '\x01';
  };
  try {
    reader.InitBuffer(aInput.data(), static_cast<int64_t>(aInput.size()));
    PXMLReaderToken token;
    while (reader.ReadNextToken(token)) {
      out += std::to_string(token->TokenType) + ' ';
      add(token->TokenName);
      add(token->TokenValue);
      out += std::to_string(reader.Line()) + ':' + std::to_string(reader.LinePosition()) + ':' +
             std::to_string(reader.FilePosition()) + '\n';
    }
  } catch (const ETextReaderException&) {
    out += "raised\n";
  } catch (const EReadError&) {
    out += "read error\n";
  }
  if (auto error = reader.ParseError()) {
    out += "error " + std::to_string(error->GetLine()) + ':' + std::to_string(error->GetLinePos()) + ' ';
    add(error->GetReason());
    add(error->GetSrcText());
  }
  return out;
}

// Compares the three paths under every combination of strictness, expansion, line-break mode
// and attribute list; returns how many combinations differed.
int CompareModes(const std::string& aInput, const std::string& aLabel) {
  const auto restore = RestoreScanMode();
  int differences = 0;
  for (int flags = 0; flags < 64; ++flags) {
    if ((flags & 32) && (flags & 16)) continue;  // raising is independent of the list
    const std::string vector = Trace(aInput, flags, smVector);
    const std::string plain = Trace(aInput, flags, smPlain);
    const std::string general = Trace(aInput, flags, smGeneral);
    if (vector != general || plain != general) {
      ADD_FAILURE() << aLabel << ": scan paths differ with flags " << flags;
      if (++differences > 3) break;
    }
  }
  return differences;
}

// The events of a parse with everything they carry (white space kept, so that every text
// shows), then the result and the error. The event parser takes its tokens as views and whole
// start tags in one piece where the fast paths may; the general scan gives it records.
std::string SaxTrace(const std::string& aInput, int aFlags, TXMLScanMode aMode) {
  XmlScanSetMode(aMode);
  TSAXParser parser;
  TXMLReaderSettings& settings = parser.ReaderSettings();
  settings.SetStrictXML(aFlags & 1);
  settings.SetExpandEntities(aFlags & 2);
  settings.SetLineBreak(static_cast<TXMLLineBreak>((aFlags >> 2) & 3));
  settings.SetBreakReading(aFlags & 16 ? brAfterDocumentElement : brNone);
  parser.SetWhiteSpaceHandling(wsPreserveAll);
  std::string out;
  auto add = [&](std::u16string_view s) {
    out.append(reinterpret_cast<const char*>(s.data()), s.size() * 2);
    out += '\x01';
  };
  auto attributes = [&](const TSAXAttributes& a) {
    for (const TSAXAttribute item : a) {
      add(item.Name());
      add(item.Value());
    }
    out += std::to_string(a.IndexOf(u"x")) + '\n';
  };
  parser.OnStartDocument = [&](TSAXParser&) { out += "SD\n"; };
  parser.OnEndDocument = [&](TSAXParser&) { out += "ED\n"; };
  parser.OnCharacters = [&](TSAXParser&, std::u16string_view t) {
    out += "T ";
    add(t);
  };
  parser.OnComment = [&](TSAXParser&, std::u16string_view t) {
    out += "C ";
    add(t);
  };
  parser.OnXMLDeclaration = [&](TSAXParser&, const TSAXAttributes& a) {
    out += "XD ";
    attributes(a);
  };
  parser.OnProcessingInstruction = [&](TSAXParser&, std::u16string_view t, std::u16string_view c) {
    out += "PI ";
    add(t);
    add(c);
  };
  parser.OnStartElement = [&](TSAXParser& p, std::u16string_view n, const TSAXAttributes& a) {
    out += "SE " + std::to_string(p.NodePathCount()) + ' ';
    add(n);
    attributes(a);
  };
  parser.OnEndElement = [&](TSAXParser& p, std::u16string_view n) {
    out += "EE " + std::to_string(p.NodePathCount()) + ' ';
    add(n);
  };
  try {
    out += parser.ParseBuffer(aInput.data(), static_cast<int64_t>(aInput.size())) ? "ok\n" : "failed\n";
  } catch (const EReadError&) {
    out += "read error\n";
  }
  if (auto error = parser.ParseError()) {
    out += "error " + std::to_string(error->GetLine()) + ':' + std::to_string(error->GetLinePos()) + ' ';
    add(error->GetReason());
    add(error->GetSrcText());
  }
  return out;
}

void CompareSaxModes(const std::string& aInput, const std::string& aLabel) {
  const auto restore = RestoreScanMode();
  int differences = 0;
  for (int flags = 0; flags < 32; ++flags) {
    const std::string general = SaxTrace(aInput, flags, smGeneral);
    if (SaxTrace(aInput, flags, smVector) != general || SaxTrace(aInput, flags, smPlain) != general) {
      ADD_FAILURE() << aLabel << ": events differ between the scan paths with flags " << flags;
      if (++differences > 3) break;
    }
  }
}

std::string ReadFile(const std::filesystem::path& aPath) {
  std::ifstream in(aPath, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// A fixed sequence, so that the generated documents are the same in every run.
struct TRandom {
  uint64_t State = 0x2545F4914F6CDD1Dull;
  uint32_t Below(uint32_t aLimit) {
    State ^= State << 13;
    State ^= State >> 7;
    State ^= State << 17;
    return static_cast<uint32_t>(State >> 11) % aLimit;
  }
};

// About aBytes of markup built from pieces that each fast path takes or leaves to the general
// scan, with lengths that put token ends at every offset of the 16 K decoding blocks. The
// well-formed kind keeps strict reading going to the end.
std::string Generated(size_t aBytes, uint64_t aSeed, bool aWellFormed) {
  static const char* const cWellFormed[] = {
      "<c/>", "<d  z = \"v\"\t/>", "\n", "\r\n", "\r", "  ", "\t", "text", "caf\xC3\xA9", "\xF0\x9F\x98\x80", "&amp;",
      "&lt;&gt;", "&#233;", "&#x1F600;", "]>", "]", ">", "<e a=\"x&amp;y\" b='&#10;'/>", "<e a=\"x\ny\"/>",
      "<b x=\"1\" y='two'>t</b>", "<!-- note -->", "<![CDATA[ <raw> & ]]>", "<?pi data?>", "<g\r\n/>", "<h></h >",
      "<i>\r\n  <j k=\"l\">m</j>\n</i\n>", "\r\r\n\n", "<!-- a\r\nb\n\r-->", "<![CDATA[x\n]]]]>", "<!--->-->",
      "\n    <k/>", "\r\n\t<k/>", "\r    <k/>"};
  static const char* const cPieces[] = {
      "<a>", "</a>", "<b x=\"1\" y='two'>", "</b>", "<c/>", "<d  z = \"v\"\t/>", "\n", "\r\n", "\r", "  ",
      "\t", "text", "caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80", "&amp;", "&lt;&gt;", "&quot;&apos;",
      "&#233;", "&#x1F600;", "&#0;", "&#x110000;", "&unknown;", "&amp", "& ", "]]>", "]>", "]", ">", "<e a=\"x&amp;y\"/>",
      "<e a=\"x&#10;y\"/>", "<e a=\"x\ny\"/>", "<e a=\"x<y\"/>", "<e a=x/>", "<e a/>", "<e a=\"1\" a=\"2\"/>",
      "<!-- note -->", "<![CDATA[ <raw> & ]]>", "<?pi data?>", "<f\n>", "<g\r\n/>", "</h >", "</i\n>", "\x01", "\xEF\xBF\xBE",
      "\xFF", "<1/>", "< j/>", "<!-- \x01 -->", "<![CDATA[ \xEF\xBF\xBF ]]>", "<!-- -- -->", "<!-->", "<![CDATA[]]>", "<k =\"v\"/>", "<l m=\"\xC3\xA9\"/>", "<n o=\"a\tb\"/>", "x\r", "\r\r\n\n"};
  TRandom random;
  random.State ^= aSeed;
  std::string out = "<?xml version=\"1.0\"?>\n<root>";
  while (out.size() < aBytes) {
    out += aWellFormed ? cWellFormed[random.Below(sizeof cWellFormed / sizeof *cWellFormed)]
                       : cPieces[random.Below(sizeof cPieces / sizeof *cPieces)];
    if (random.Below(7) == 0) out.append(random.Below(40), 'w');
  }
  out += "</root>\n";
  return out;
}

const char* const cSnippets[] = {
      "<a x=\"1\" y='2' z = \"3\">t&amp;u&#233;v&#x1F600;</a>",
      "<a>\r\n  <b/>\n\t<c>x</c>\r</a>",
      "<a>]]></a>",
      "<a>]]]&gt;]></a>",
      "<a x=\"&lt;&gt;&quot;&apos;&amp;\"/>",
      "<a x=\"1\" x=\"2\"/>",
      "<a x=\"\x01\"/>",
      "<a>\x01</a>",
      "<a>&#0;&#xD800;&#x10FFFF;&#x110000;&#99999999999;</a>",
      "<!DOCTYPE a [<!ENTITY amp \"and\"><!ENTITY e \"E\">]><a x=\"&amp;&e;\">&amp;&e;&lt;</a>",
      "<!DOCTYPE a [<!ENTITY lt \"&#60;\">]><a>&lt;</a>",
      "<a\r\nx=\"1\"\r\n/>",
      "<a>text</b>",
      "</a>",
      "<a><b></a>",
      "<a x=1 y z=\"&bogus;\">&bogus;</a>",
      "<a b=\"c\"d=\"e\"/>",
      "<a>\r",
      "<a>x\r",
      "<a x=\"",
      "<a x=\"1\"",
      "text before<a/>text after",
      "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a x=\"\xE9\">\xE9</a>",
      "\xEF\xBB\xBF<a>bom</a>",
      "<a x=\"1\"y='2'\t/><b\tx=\"&#x1F600;&amp;\" y=\"&lt;\"></b><c/x><c x=\"1\" / >",
      "<r><a x=\"1\"></a ><b x=\"1\"></c></b></r>",
      "<r><a x=\"\xC3\xA9\" y=\"&#233;\"/><!-- c --><![CDATA[d]]><?p q?></r>",
};

// A start tag with many attributes, the last one a repeat of the first.
std::string ManyAttributes(int aCount) {
  std::string tag = "<r>\n<a";
  for (int i = 0; i < aCount; ++i) tag += " a" + std::to_string(i) + "=\"v&amp;" + std::to_string(i) + '"';
  return tag + " a0=\"again\"/>\n</r>";
}

TEST(XmlScan, SnippetsReadAlikeOnEveryPath) {
  for (const char* snippet : cSnippets) CompareModes(snippet, snippet);
}

TEST(XmlScan, SnippetsParseAlikeOnEveryPath) {
  for (const char* snippet : cSnippets) CompareSaxModes(snippet, snippet);
  for (int count : {1, 31, 32, 33, 300}) CompareSaxModes(ManyAttributes(count), std::to_string(count) + " attributes");
}

TEST(XmlScan, SamplesAndFuzzCorpusReadAlikeOnEveryPath) {
  size_t files = 0;
  for (const char* root : {QUILLON_SAMPLES, QUILLON_FUZZ_CORPUS}) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (!entry.is_regular_file() || entry.file_size() > 4 * 1024 * 1024) continue;
      std::string data = ReadFile(entry.path());
      // the reader and SAX harnesses spend leading bytes on their settings
      const std::string path = entry.path().string();
      if ((path.find("/corpus/reader/") != std::string::npos || path.find("/corpus/scan/") != std::string::npos) &&
          !data.empty())
        data.erase(0, 1);
      if (path.find("/corpus/sax/") != std::string::npos && data.size() >= 2) data.erase(0, 2);
      CompareModes(data, path);
      CompareSaxModes(data, path);
      ++files;
    }
  }
  EXPECT_GT(files, 10u);
}

TEST(XmlScan, GeneratedDocumentsAcrossBlocksReadAlikeOnEveryPath) {
  for (uint64_t seed = 1; seed <= 3; ++seed) {
    const std::string wellFormed = Generated(100 * 1024, seed, true), generated = Generated(100 * 1024, seed, false);
    CompareModes(wellFormed, "well-formed " + std::to_string(seed));
    CompareModes(generated, "generated " + std::to_string(seed));
    CompareSaxModes(wellFormed, "well-formed " + std::to_string(seed));
    CompareSaxModes(generated, "generated " + std::to_string(seed));
  }
}

}  // namespace
