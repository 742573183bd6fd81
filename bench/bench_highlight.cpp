// Throughput of the XML line tokenizer over a generated document, line by line with the
// range carried across lines as a text view does, beside a plain scan that only looks at
// every character once (the floor any tokenizer pays). Prints MB/s and the ratio.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "XmlHighlighter.h"

namespace {

// A document that exercises every range: declarations, comments over lines, CDATA,
// attributes with entities, namespace attributes, indented text.
std::u16string MakeDocument(size_t aTargetChars) {
  std::u16string doc =
      u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE catalog [\n  <!ENTITY co \"Corp\">\n]>\n"
      u"<catalog xmlns=\"urn:x-catalog\" xmlns:p=\"urn:x-price\">\n";
  int i = 0;
  while (doc.size() < aTargetChars) {
    std::u16string n = std::u16string(u"") + char16_t(u'0' + i % 10);
    doc += u"  <!-- item " + n + u"\n       spans two lines -->\n";
    doc += u"  <item id=\"i" + n + u"\" p:currency='EUR' note=\"a &amp; b &lt; c\">\n";
    doc += u"    <name>Widget &co; number " + n + u"</name>\n";
    doc += u"    <p:price>12.50</p:price>\n";
    doc += u"    <descr><![CDATA[Some <b>bold</b> text]]></descr>\n";
    doc += u"\t\t<empty/>\n";
    doc += u"  </item>\n";
    ++i;
  }
  doc += u"</catalog>\n";
  return doc;
}

std::vector<std::u16string_view> SplitLines(std::u16string_view aText) {
  std::vector<std::u16string_view> lines;
  size_t start = 0;
  for (size_t i = 0; i < aText.size(); ++i)
    if (aText[i] == u'\n') {
      lines.push_back(aText.substr(start, i - start));
      start = i + 1;
    }
  lines.push_back(aText.substr(start));
  return lines;
}

template <class F>
double BestSeconds(int aRounds, F&& aWork) {
  double best = 1e9;
  for (int r = 0; r < aRounds; ++r) {
    auto t0 = std::chrono::steady_clock::now();
    aWork();
    std::chrono::duration<double> d = std::chrono::steady_clock::now() - t0;
    best = std::min(best, d.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  std::string dataDir;
  for (int i = 1; i < argc; ++i)
    if (!std::strncmp(argv[i], "--data-dir=", 11)) dataDir = argv[i] + 11;

  const size_t chars = 32u << 20;
  const std::u16string doc = MakeDocument(chars);
  const std::vector<std::u16string_view> lines = SplitLines(doc);
  if (!dataDir.empty()) {
    // Keep a UTF-8 copy of the input beside the other benchmark data, for inspection.
    std::ofstream out(dataDir + "/highlight-input.xml", std::ios::binary);
    if (out)
      for (char16_t c : doc) out.put(char(c));
  }

  size_t tokens = 0;
  const double tokenize = BestSeconds(3, [&] {
    TXmlHighlighter h;
    h.ResetRange();
    tokens = 0;
    for (const auto& line : lines) {
      for (h.SetLine(line); !h.Eol(); h.Next()) tokens += h.TokenKind() != tkNull;
    }
  });

  size_t marks = 0;
  const double scan = BestSeconds(3, [&] {
    marks = 0;
    for (const auto& line : lines)
      for (char16_t c : line) marks += c == u'<';
  });

  // Megabytes of source text (one byte per character here: the document is ASCII).
  const double mb = double(doc.size()) / 1e6;
  std::printf("input: %.1f MB, %zu lines, %zu tokens (%zu '<')\n", mb, lines.size(), tokens, marks);
  std::printf("%-22s %10.1f MB/s\n", "XmlHighlighter", mb / tokenize);
  std::printf("%-22s %10.1f MB/s\n", "plain scan (reference)", mb / scan);
  std::printf("ratio tokenizer/scan: %.2f\n", scan / tokenize);
  return 0;
}
