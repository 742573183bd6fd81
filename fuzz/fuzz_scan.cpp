// The reader's three scan paths (fast paths with vector scans, with plain loops, and the
// general scan alone) over the same bytes: any difference in the tokens, in the position after
// a token or in the error is a finding. The first byte chooses the settings, as for the reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSettings.h"
#include "XmlScan.h"

namespace {

std::u16string Trace(const uint8_t* aData, size_t aSize, uint8_t aFlags, TXMLScanMode aMode) {
  XmlScanSetMode(aMode);
  TXMLReader reader;
  TXMLReaderSettings& settings = reader.ReaderSettings();
  ApplyFuzzSettings(settings, aFlags);
  settings.SetErrorHandling(aFlags & 64 ? ehRaise : ehSilent);
  TXMLReaderTokenList attributes;
  if (aFlags & 128) reader.SetAttributeTokens(&attributes);
  std::u16string out;
  auto number = [&](int64_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<char16_t>(v >> (16 * i)));
  };
  try {
    reader.InitBuffer(aData, static_cast<int64_t>(aSize));
    PXMLReaderToken token;
    while (reader.ReadNextToken(token)) {
      number(token->TokenType);
      number(static_cast<int64_t>(token->TokenName.size()));
      out += token->TokenName;
      number(static_cast<int64_t>(token->TokenValue.size()));
      out += token->TokenValue;
      number(reader.Line());
      number(reader.LinePosition());
      number(reader.FilePosition());
    }
  } catch (const ETextReaderException&) {
    out += u"raised";
  } catch (const EReadError&) {
    out += u"read error";
  }
  if (auto error = reader.ParseError()) {
    number(error->GetLine());
    number(error->GetLinePos());
    out += error->GetReason();
    out += u'\x01';
    out += error->GetSrcText();
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  const std::u16string general = Trace(aData + 1, aSize - 1, aData[0], smGeneral);
  const std::u16string plain = Trace(aData + 1, aSize - 1, aData[0], smPlain);
  const std::u16string vector = Trace(aData + 1, aSize - 1, aData[0], smVector);
  if (plain != general || vector != general) __builtin_trap();
  return 0;
}
