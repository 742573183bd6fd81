// The writer's round trip: random text is written as an attribute value, as text and as a
// CDATA section in one of the encodings, read back with the pull reader, and must come back
// exactly (line breaks as LF). The first byte chooses the encoding, the second the writer's
// escaping settings; the rest is the text as UTF-16 code units, low byte first. Code units XML
// cannot hold (controls, U+FFFE, U+FFFF, lone surrogates) are left out of the text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "BufferedStreams.h"
#include "Encodings.h"
#include "XmlReadWrite.h"
#include "XmlWriter.h"

namespace {

// Every code page of the declaration names, and the multi-byte ones the system also converts.
const int kCodePages[] = {65001, 1200,  1201,  1250,  1251,  1252,  1253,  1254,  1255,  1256,  1257,
                          1258,  28591, 28592, 28593, 28594, 28595, 28596, 28597, 28598, 28599, 28603,
                          28605, 20866, 21866, 437,   850,   852,   866,   874,   932,   20127, 65000,
                          936,   949,   950,   51932, 54936};

std::u16string Sanitised(const uint8_t* aData, size_t aSize) {
  std::u16string text;
  for (size_t i = 0; i + 1 < aSize; i += 2) {
    const char16_t c = static_cast<char16_t>(aData[i] | (aData[i + 1] << 8));
    if (IsHighSurrogate(c) && i + 3 < aSize) {
      const char16_t low = static_cast<char16_t>(aData[i + 2] | (aData[i + 3] << 8));
      if (IsLowSurrogate(low)) {
        text += c;
        text += low;
        i += 2;
      }
      continue;
    }
    if (IsSurrogate(c)) continue;
    if (!XmlIsChar(c)) continue;
    text += c;
  }
  return text;
}

// What a reader set to LF delivers for text written with LF line breaks.
std::u16string LineBreaksAsLF(const std::u16string& aText) {
  std::u16string out;
  for (size_t i = 0; i < aText.size(); ++i) {
    if (aText[i] == u'\r') {
      out += u'\n';
      if (i + 1 < aText.size() && aText[i + 1] == u'\n') ++i;
    } else {
      out += aText[i];
    }
  }
  return out;
}

void Check(bool aCondition) {
  if (!aCondition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2) return 0;
  const int codePage = kCodePages[aData[0] % (sizeof kCodePages / sizeof *kCodePages)];
  const uint8_t flags = aData[1];
  const std::u16string text = Sanitised(aData + 2, aSize - 2);
  TEncoding* encoding;
  try {
    encoding = EncodingFromCodePage(codePage);
  } catch (const EEncodingError&) {
    return 0;  // a code page this system cannot convert
  }

  TMemoryStream stream;
  {
    TXMLWriter writer(&stream, false);
    writer.SetEncoding(encoding);
    writer.SetWriteBOM(false);
    TXMLWriterSettings& settings = writer.WriterSettings();
    settings.SetLineBreak(lbLF);
    settings.SetEscapeQuotes(flags & 1);
    settings.SetUseGreaterThanEntity(flags & 2);
    settings.SetUseTabCRLFEntitiesInAttributes(true);  // else white space in values is not kept
    writer.OpenElement(u"r", stOpenOnly);
    writer.Attribute(u"a", text);
    writer.FinishOpenElement();
    writer.Text(u"[", false);  // so that white space never starts or ends the text
    writer.Text(text, false);
    writer.Text(u"]", false);
    // "]]>" cannot be inside a section; the text up to it is.
    writer.CData(text.substr(0, text.find(u"]]>")), false);
    writer.CloseElement(u"r", false);
    writer.ReleaseDocument();
  }

  TXMLReader reader;
  reader.ReaderSettings().SetLineBreak(lbLF);
  reader.InitBuffer(stream.Memory(), stream.Size(), EncodingFromCodePage(codePage));
  PXMLReaderToken token;
  std::u16string attribute, content;
  while (reader.ReadNextToken(token)) {
    if (token->TokenType == rtAttribute) attribute = token->TokenValue;
    // Safe mode closes a section around each reference, so text and sections interleave.
    if (token->TokenType == rtText || token->TokenType == rtCData) content += token->TokenValue;
  }
  Check(!reader.ParseError());
  const std::u16string expected = LineBreaksAsLF(text);
  Check(attribute == expected);
  // A section's line breaks stay as written.
  Check(content == u"[" + expected + u"]" + text.substr(0, text.find(u"]]>")));
  return 0;
}
