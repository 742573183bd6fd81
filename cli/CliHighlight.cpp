// quillon-cli highlight FILE: the XML colouring of every line of a file, token by token, as
// the text views paint it, with the range carried from line to line.
#include <cstring>
#include <fstream>
#include <iterator>

#include "CliCommon.h"
#include "Encodings.h"
#include "XmlReadWrite.h"
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

bool SameAsciiCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i], y = b[i];
    if (x >= u'A' && x <= u'Z') x = char16_t(x + 32);
    if (y >= u'A' && y <= u'Z') y = char16_t(y + 32);
    if (x != y) return false;
  }
  return true;
}

// The file's text as the Source view shows it unformatted: a tolerant pull reader reads up
// to the first start tag, and the encoding its declaration names decodes the file, a
// byte-order mark of that encoding skipped. Without a named encoding the text is UTF-8 -
// unless a byte-order mark says otherwise: a UTF-16 file without declaration is read as
// UTF-16, not turned into garbage. A name the alias table does not know, or a failing scan,
// falls back to the mark, or else the system 8-bit encoding.
std::u16string DecodeAsSourceView(const std::vector<uint8_t>& aBytes) {
  int bomLength = 0;
  TEncoding* byMark = DetectBufferEncoding(aBytes.data(), aBytes.size(), nullptr, bomLength);
  TEncoding* fallback = byMark ? byMark : TEncoding::Default();
  TEncoding* chosen = byMark ? byMark : TEncoding::UTF8();
  TEncoding* owned = nullptr;
  try {
    TXMLReader reader;
    reader.ReaderSettings().SetStrictXML(false);
    reader.ReaderSettings().SetBreakReading(brAfterDocumentElement);
    reader.ReaderSettings().SetLineBreak(lbDoNotProcess);
    reader.InitBuffer(aBytes);
    PXMLReaderToken token = nullptr;
    while (reader.ReadNextToken(token) && token->TokenType != rtOpenElement) {
      if (token->TokenType != rtXMLDeclarationAttribute || !SameAsciiCase(token->TokenName, u"encoding")) continue;
      FreeEncoding(owned);
      owned = nullptr;
      TEncoding* named = nullptr;
      if (EncodingFromAlias(token->TokenValue, named))
        chosen = owned = named;
      else
        chosen = fallback;
    }
  } catch (const EGeneralError&) {
    FreeEncoding(owned);
    owned = nullptr;
    chosen = fallback;
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
