// The first byte chooses the reader settings and the white-space handling, the second the error
// handling and an event after which a handler stops the parse; the rest is the document. Every
// handler looks at what it is given, attributes by index and by name.
#include <cstddef>
#include <cstdint>

#include "FuzzSettings.h"
#include "XmlSAX.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize < 2) return 0;
  const uint8_t flags = aData[0];
  const uint8_t control = aData[1];
  TSAXParser parser;
  TXMLReaderSettings& settings = parser.ReaderSettings();
  ApplyFuzzSettings(settings, flags);
  settings.SetErrorHandling(control & 1 ? ehRaise : ehRaiseAndEat);
  parser.SetWhiteSpaceHandling(static_cast<TXMLWhiteSpaceHandling>(flags >> 6));
  const int stopAt = control & 2 ? control >> 2 : -1;

  size_t seen = 0;
  int events = 0;
  auto count = [&](TSAXParser& p) {
    if (events++ == stopAt) (control & 128) ? p.PauseParsing() : p.StopParsing();
  };
  auto attributes = [&](const TSAXAttributes& a) {
    seen += size_t(a.Count());
    if (a.Count() > 0) {
      const TSAXAttribute last = a.GetAttributeItem(a.Count() - 1);
      seen += size_t(a.IndexOf(last.Name()) + 1) + last.Value().size();
    }
    seen += a.Get(u"xml:space").size();
  };
  parser.OnStartDocument = [&](TSAXParser& p) { count(p); };
  parser.OnEndDocument = [&](TSAXParser& p) { count(p); };
  parser.OnCharacters = [&](TSAXParser& p, std::u16string_view t) {
    seen += t.size();
    count(p);
  };
  parser.OnComment = [&](TSAXParser& p, std::u16string_view t) {
    seen += t.size();
    count(p);
  };
  parser.OnXMLDeclaration = [&](TSAXParser& p, const TSAXAttributes& a) {
    attributes(a);
    count(p);
  };
  parser.OnProcessingInstruction = [&](TSAXParser& p, std::u16string_view t, std::u16string_view c) {
    seen += t.size() + c.size();
    count(p);
  };
  parser.OnStartElement = [&](TSAXParser& p, std::u16string_view n, const TSAXAttributes& a) {
    seen += n.size() + size_t(p.NodePathCount());
    attributes(a);
    count(p);
  };
  parser.OnEndElement = [&](TSAXParser& p, std::u16string_view n) {
    seen += n.size();
    count(p);
  };
  try {
    const bool ok = parser.ParseBuffer(aData + 2, static_cast<int64_t>(aSize - 2));
    if (ok == bool(parser.ParseError())) __builtin_trap();  // the result must match the error
  } catch (const ETextReaderException&) {
    // ehRaise: the syntax error leaves as this exception by design
    if (!parser.ParseError()) __builtin_trap();
  } catch (const EReadError&) {
    // a document cut inside a multi-byte character at its very end
  }
  if (parser.ParserState() != spsIdle && !parser.ParsingStopped()) __builtin_trap();
  (void)seen;
  return 0;
}
