#include "XmlFormat.h"

#include "BufferedStreams.h"
#include "ScopeGuard.h"
#include "XmlReadWrite.h"
#include "XmlWriter.h"

namespace {

std::u16string_view TrimControls(std::u16string_view AText) {
  size_t first = 0;
  size_t last = AText.size();
  while (first < last && AText[first] <= u' ') ++first;
  while (last > first && AText[last - 1] <= u' ') --last;
  return AText.substr(first, last - first);
}

}  // namespace

void ReplayXMLTokens(TXMLReader& AReader, TXMLWriter& AWriter) {
  PXMLReaderToken token = nullptr;
  while (AReader.ReadNextToken(token)) {
    switch (token->TokenType) {
      case rtOpenElement: AWriter.OpenElement(token->TokenName, stOpenOnly); break;
      case rtAttribute: AWriter.Attribute(token->TokenName, token->TokenValue); break;
      case rtFinishOpenElement: AWriter.FinishOpenElement(); break;
      case rtFinishOpenElementClose: AWriter.FinishOpenElementClose(); break;
      case rtCloseElement: AWriter.CloseElement(token->TokenName, true); break;
      case rtText: {
        const std::u16string_view text = TrimControls(token->TokenValue);
        if (!text.empty()) AWriter.Text(text, true);
        break;
      }
      case rtEntityReference: AWriter.EntityReference(token->TokenName); break;
      case rtCData: AWriter.CData(token->TokenValue, true); break;
      case rtComment: AWriter.Comment(token->TokenValue); break;
      case rtProcessingInstruction: AWriter.ProcessingInstruction(token->TokenName, token->TokenValue); break;
      default: break;  // the input's own declaration and its document type are left out
    }
  }
}

void ReplayXMLTokenViews(TXMLReader& AReader, TXMLWriter& AWriter) {
  std::vector<TXMLAttributeView> attributes;
  AReader.SetTokenViews(&attributes);
  const TScopeExit recordsAgain([&AReader] { AReader.SetTokenViews(nullptr); });
  // A start tag the reader took whole comes as its finishing token alone; one it read piece
  // by piece has already been written up to its attributes. A broken tag may never finish, so
  // any other token ends the piece-by-piece one: a whole tag after it is still written.
  bool tagOpen = false;
  PXMLReaderToken token = nullptr;
  while (AReader.ReadNextToken(token)) {
    const bool inTag = tagOpen;
    tagOpen = false;
    switch (token->TokenType) {
      case rtOpenElement:
        AWriter.OpenElement(AReader.TokenNameView(), stOpenOnly);
        tagOpen = true;
        break;
      case rtAttribute:
        AWriter.Attribute(AReader.TokenNameView(), AReader.TokenValueView());
        tagOpen = inTag;
        break;
      case rtFinishOpenElement:
      case rtFinishOpenElementClose:
        if (!inTag) {
          AWriter.OpenElement(AReader.TokenNameView(), stOpenOnly);
          for (const TXMLAttributeView& a : attributes) AWriter.Attribute(a.Name, a.Value);
        }
        if (token->TokenType == rtFinishOpenElement)
          AWriter.FinishOpenElement();
        else
          AWriter.FinishOpenElementClose();
        break;
      case rtCloseElement: AWriter.CloseElement(AReader.TokenNameView(), true); break;
      case rtText: {
        if (AReader.TokenValueBlank()) break;
        const std::u16string_view text = TrimControls(AReader.TokenValueView());
        if (!text.empty()) AWriter.Text(text, true);
        break;
      }
      case rtEntityReference: AWriter.EntityReference(AReader.TokenNameView()); break;
      case rtCData: AWriter.CData(AReader.TokenValueView(), true); break;
      case rtComment: AWriter.Comment(AReader.TokenValueView()); break;
      case rtProcessingInstruction:
        AWriter.ProcessingInstruction(AReader.TokenNameView(), AReader.TokenValueView());
        break;
      default: break;
    }
  }
}

void StartFormattedDocument(TXMLWriter& AWriter, TEncoding* AEncoding, std::u16string_view AStandAlone) {
  AWriter.SetEncoding(AEncoding);
  AWriter.SetOwnsEncoding(false);
  AWriter.SetWriteBOM(false);
  AWriter.WriterSettings().SetIndentType(itIndent);
  AWriter.WriterSettings().SetLineBreak(lbCRLF);
  AWriter.XMLDeclaration(true, u"1.0", AStandAlone);
}

namespace {

// AInit (re)starts the reader on the input; it is called twice, for the declaration and for
// the tokens.
template <class TInit>
TEncodingRef FormatInto(TInit&& AInit, TStream& ATarget, std::shared_ptr<ITextParseError>* AParseError) {
  TXMLReader reader;
  AInit(reader);
  const TDeclaredEncoding declared = ScanXMLDeclaration(reader, false);
  TEncodingRef encoding = EncodingOfDeclaration(declared);
  if (!encoding) throw EXmlFormatUnknownEncoding(Format(cFormatUnknownEncoding, {declared.EncodingName}));

  AInit(reader);
  {
    TXMLWriter writer;
    writer.InitStream(&ATarget, false);
    StartFormattedDocument(writer, encoding.get(), declared.StandAlone);
    ReplayXMLTokenViews(reader, writer);
    writer.ReleaseDocument();
  }
  if (AParseError) *AParseError = reader.ParseError();
  return encoding;
}

}  // namespace

std::vector<uint8_t> FormatXMLToBytes(std::u16string_view AText, TEncodingRef& AEncoding,
                                      std::shared_ptr<ITextParseError>* AParseError) {
  TMemoryStream target;
  TEncodingRef encoding = FormatInto([&](TXMLReader& AReader) { AReader.InitXML(AText); }, target, AParseError);
  const auto* data = static_cast<const uint8_t*>(target.Memory());
  std::vector<uint8_t> bytes(data, data + target.Size());
  AEncoding = std::move(encoding);
  return bytes;
}

TEncodingRef FormatXMLUtf8(std::string_view AText, TBlockStream& ATarget,
                           std::shared_ptr<ITextParseError>* AParseError) {
  // Read where it lies: neither copied nor decoded as a whole.
  TVirtualMemoryStream input;
  input.SetString_UTF8(AText);
  return FormatInto(
      [&](TXMLReader& AReader) {
        input.SetPosition(0);
        AReader.InitStream(&input, TEncoding::UTF8());
      },
      ATarget, AParseError);
}

std::u16string FormatXML(std::u16string_view AText, TEncodingRef& AEncoding) {
  TEncodingRef encoding;
  const std::vector<uint8_t> bytes = FormatXMLToBytes(AText, encoding);
  std::u16string text = encoding->GetString(bytes);
  AEncoding = std::move(encoding);
  return text;
}
