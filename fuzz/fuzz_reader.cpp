// The first byte chooses the reader settings; the rest is the document, decoded by byte-order
// mark, declaration or UTF-8 as a file would be. Every token is read, the open element's name
// looked up in the node path.
#include <cstddef>
#include <cstdint>

#include "FuzzSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 1) return 0;
  const uint8_t flags = aData[0];
  TXMLReader reader;
  TXMLReaderSettings& settings = reader.ReaderSettings();
  ApplyFuzzSettings(settings, flags);
  settings.SetErrorHandling(flags & 64 ? ehRaise : ehRaiseAndEat);
  TXMLReaderTokenList attributes;
  if (flags & 128) reader.SetAttributeTokens(&attributes);
  try {
    if ((flags & 0x81) == 0x81) settings.LoadFromBuffer(aData + 1, static_cast<int64_t>(aSize - 1), nullptr);
    reader.InitBuffer(aData + 1, static_cast<int64_t>(aSize - 1));
    PXMLReaderToken token;
    size_t length = 0;
    while (reader.ReadNextToken(token)) {
      length += token->TokenName.size() + token->TokenValue.size();
      if (token->TokenType == rtOpenElement) length += reader.NodePath(reader.NodePathCount() - 1).size();
    }
    if (auto error = reader.ParseError()) length += error->GetSrcText().size();
    (void)length;
  } catch (const ETextReaderException&) {
    // ehRaise: the syntax error leaves as this exception by design
  } catch (const EReadError&) {
    // a UTF-8 document cut inside a multi-byte sequence at its very end
  }
  return 0;
}
