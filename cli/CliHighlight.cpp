// quillon-cli highlight FILE: the XML colouring of every line of a file, token by token, as
// the text views paint it, with the range carried from line to line.
#include <cstring>
#include <fstream>
#include <iterator>

#include "CliCommon.h"
#include "Encodings.h"
#include "XmlHighlighter.h"

namespace cli {
namespace {

std::vector<uint8_t> ReadFileBytes(const std::string& aName) {
  std::ifstream in(aName, std::ios::binary);
  if (!in) throw EUsage{"cannot open " + aName};
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) throw EUsage{"cannot read " + aName};
  return bytes;
}

bool IsXmlBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

// The value of the encoding pseudo-attribute of an XML declaration at the start of aHead,
// or empty when there is no declaration or it names no encoding.
std::u16string DeclaredEncodingName(std::u16string_view aHead) {
  if (!aHead.starts_with(u"<?xml") || aHead.size() < 6 || !IsXmlBlank(aHead[5])) return {};
  const size_t end = aHead.find(u"?>");
  const std::u16string_view decl = aHead.substr(0, end == std::u16string_view::npos ? aHead.size() : end);
  size_t at = 5;
  while ((at = decl.find(u"encoding", at)) != std::u16string_view::npos) {
    size_t p = at + 8;
    at = p;
    if (!IsXmlBlank(decl[at - 9])) continue;  // part of another name
    while (p < decl.size() && IsXmlBlank(decl[p])) ++p;
    if (p >= decl.size() || decl[p] != u'=') continue;
    ++p;
    while (p < decl.size() && IsXmlBlank(decl[p])) ++p;
    if (p >= decl.size() || (decl[p] != u'"' && decl[p] != u'\'')) continue;
    const size_t close = decl.find(decl[p], p + 1);
    if (close == std::u16string_view::npos) return {};
    return std::u16string(decl.substr(p + 1, close - p - 1));
  }
  return {};
}

// The file's text as the Source view shows it unformatted: the encoding its declaration
// names (UTF-8 when it names none), a byte-order mark of that encoding skipped. A file whose
// mark says UTF-16 but whose declaration names nothing is read as UTF-16, not as UTF-8.
// A name the alias table does not know falls back to the mark, or else the system 8-bit
// encoding.
std::u16string DecodeAsSourceView(const std::vector<uint8_t>& aBytes) {
  int bomLength = 0;
  TEncoding* byMark = DetectBufferEncoding(aBytes.data(), aBytes.size(), nullptr, bomLength);
  // The declaration is ASCII in every encoding of the table but the UTF-16 pair.
  const size_t headBytes = aBytes.size() < 1024 ? aBytes.size() : 1024;
  std::u16string head;
  if (byMark == TEncoding::Unicode() || byMark == TEncoding::BigEndianUnicode())
    head = byMark->GetString(aBytes.data() + bomLength, (headBytes - size_t(bomLength)) & ~size_t(1));
  else
    for (size_t i = size_t(bomLength); i < headBytes; ++i) head.push_back(char16_t(aBytes[i]));

  const TEncoding* chosen = byMark ? byMark : TEncoding::UTF8();
  const std::u16string name = DeclaredEncodingName(head);
  TEncoding* owned = nullptr;
  if (!name.empty()) {
    TEncoding* named = nullptr;
    if (EncodingFromAlias(name, named)) {
      owned = named;
      chosen = named;
    } else {
      chosen = byMark ? byMark : TEncoding::Default();
    }
  }
  size_t skip = 0;
  const std::vector<uint8_t> preamble = chosen->GetPreamble();
  if (!preamble.empty() && aBytes.size() >= preamble.size() &&
      std::memcmp(aBytes.data(), preamble.data(), preamble.size()) == 0)
    skip = preamble.size();
  std::u16string text = chosen->GetString(aBytes.data() + skip, aBytes.size() - skip);
  FreeEncoding(owned);
  return text;
}

int RunHighlight(std::vector<std::string>& aArgs) {
  static const char* kSynopsis = "highlight FILE";
  ExpectPositional(aArgs, 1, kSynopsis);
  const std::u16string text = DecodeAsSourceView(ReadFileBytes(aArgs[0]));

  TRecordWriter out;
  TXmlHighlighter h;
  h.ResetRange();
  size_t start = 0;
  int lineNo = 0;
  // Lines as the text view holds them: a final line break starts no further line.
  while (start < text.size()) {
    size_t end = start;
    while (end < text.size() && text[end] != u'\r' && text[end] != u'\n') ++end;
    const std::u16string_view line(text.data() + start, end - start);
    const std::string number = std::to_string(++lineNo);
    for (h.SetLine(line, lineNo - 1); !h.Eol(); h.Next()) {
      const TXmlTextAttribute* attr = h.TokenAttribute();
      out.Raw(number).Field(std::string_view(TokenKindName(h.TokenKind())));
      if (attr)
        out.Field(attr->StorageName());
      else
        out.Field(std::string_view("-"));
      out.Field(h.Token()).EndLine();
    }
    out.Raw(number).Field(std::string_view("range")).Field(std::string_view(RangeStateName(h.Range()))).EndLine();
    start = end;
    if (start < text.size()) start += (text[start] == u'\r' && start + 1 < text.size() && text[start + 1] == u'\n') ? 2 : 1;
  }
  return ecOk;
}

const TRegisterCommand kRegister({"highlight", "highlight FILE", RunHighlight});

}  // namespace
}  // namespace cli
