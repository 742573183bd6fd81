// The reader's three scan paths (fast paths with vector scans, with plain loops, and the
// general scan alone) over the same bytes: any difference in the tokens, in the position after
// a token or in the error is a finding, and so is any difference in the events of the SAX
// parser, which takes tokens as views and whole start tags in one piece on the fast paths.
// The first byte chooses the settings, as for the reader.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FuzzSettings.h"
#include "XmlSAX.h"
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

std::u16string SaxTrace(const uint8_t* aData, size_t aSize, uint8_t aFlags, TXMLScanMode aMode) {
  XmlScanSetMode(aMode);
  TSAXParser parser;
  ApplyFuzzSettings(parser.ReaderSettings(), aFlags);
  parser.ReaderSettings().SetErrorHandling(aFlags & 64 ? ehRaise : ehSilent);
  parser.SetWhiteSpaceHandling(wsPreserveAll);
  std::u16string out;
  auto text = [&](char16_t aKind, std::u16string_view aText) {
    out.push_back(aKind);
    out.push_back(static_cast<char16_t>(aText.size()));
    out.push_back(static_cast<char16_t>(aText.size() >> 16));
    out += aText;
  };
  auto attributes = [&](const TSAXAttributes& a) {
    for (const TSAXAttribute item : a) {
      text(u'n', item.Name());
      text(u'v', item.Value());
    }
  };
  parser.OnCharacters = [&](TSAXParser&, std::u16string_view t) { text(u'T', t); };
  parser.OnComment = [&](TSAXParser&, std::u16string_view t) { text(u'C', t); };
  parser.OnXMLDeclaration = [&](TSAXParser&, const TSAXAttributes& a) {
    out.push_back(u'X');
    attributes(a);
  };
  parser.OnProcessingInstruction = [&](TSAXParser&, std::u16string_view t, std::u16string_view c) {
    text(u'P', t);
    text(u'p', c);
  };
  parser.OnStartElement = [&](TSAXParser& p, std::u16string_view n, const TSAXAttributes& a) {
    text(u'S', n);
    out.push_back(static_cast<char16_t>(p.NodePathCount()));
    attributes(a);
  };
  parser.OnEndElement = [&](TSAXParser& p, std::u16string_view n) {
    text(u'E', n);
    out.push_back(static_cast<char16_t>(p.NodePathCount()));
  };
  try {
    out += parser.ParseBuffer(aData, static_cast<int64_t>(aSize)) ? u"ok" : u"failed";
  } catch (const ETextReaderException&) {
    out += u"raised";
  } catch (const EReadError&) {
    out += u"read error";
  }
  if (auto error = parser.ParseError()) {
    text(u'L', std::u16string(1, static_cast<char16_t>(error->GetLine())));
    text(u'l', std::u16string(1, static_cast<char16_t>(error->GetLinePos())));
    text(u'R', error->GetReason());
    text(u'r', error->GetSrcText());
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
  const std::u16string saxGeneral = SaxTrace(aData + 1, aSize - 1, aData[0], smGeneral);
  if (SaxTrace(aData + 1, aSize - 1, aData[0], smPlain) != saxGeneral ||
      SaxTrace(aData + 1, aSize - 1, aData[0], smVector) != saxGeneral)
    __builtin_trap();
  return 0;
}
