#include "SourceText.h"

#include <algorithm>
#include <exception>

#include "BufferedStreams.h"
#include "XmlFormat.h"
#include "XmlValidate.h"
#include "XmlReadWrite.h"
#include "XmlWriter.h"

namespace {

struct TCodePageName {
  int CodePage;
  const char16_t* Name;
};

// The code pages an XML declaration can name, with the names the desktop shows for them.
constexpr TCodePageName kCodePageNames[] = {
    {1200, u"Unicode"},
    {1201, u"Unicode - Big-Endian"},
    {65001, u"UTF-8"},
    {65000, u"UTF-7"},
    {20127, u"US-ASCII"},
    {1250, u"ANSI - Central European"},
    {1251, u"ANSI - Cyrillic"},
    {1252, u"ANSI - Latin I"},
    {1253, u"ANSI - Greek"},
    {1254, u"ANSI - Turkish"},
    {1255, u"ANSI - Hebrew"},
    {1256, u"ANSI - Arabic"},
    {1257, u"ANSI - Baltic"},
    {1258, u"ANSI/OEM - Viet Nam"},
    {874, u"ANSI/OEM - Thai"},
    {932, u"ANSI/OEM - Japanese Shift-JIS"},
    {437, u"OEM - United States"},
    {850, u"OEM - Multilingual Latin I"},
    {852, u"OEM - Latin II"},
    {866, u"OEM - Russian"},
    {20866, u"Russian - KOI8"},
    {21866, u"Ukrainian - KOI8-U"},
    {28591, u"ISO 8859-1 Latin I"},
    {28592, u"ISO 8859-2 Central Europe"},
    {28593, u"ISO 8859-3 Latin 3"},
    {28594, u"ISO 8859-4 Baltic"},
    {28595, u"ISO 8859-5 Cyrillic"},
    {28596, u"ISO 8859-6 Arabic"},
    {28597, u"ISO 8859-7 Greek"},
    {28598, u"ISO 8859-8 Hebrew: Visual Ordering"},
    {28599, u"ISO 8859-9 Latin 5"},
    {28603, u"ISO 8859-13 Estonian"},
    {28605, u"ISO 8859-15 Latin 9"},
};

std::u16string MessageOf(const std::exception& AError) {
  if (const auto* general = dynamic_cast<const EGeneralError*>(&AError)) return general->Message();
  return Utf8ToUtf16(AError.what());
}

}  // namespace

std::u16string EncodingDisplayName(const TEncoding* AEncoding) {
  if (!AEncoding) return u"(none)";
  const int codePage = AEncoding->CodePage();
  if (codePage == 0 && !AEncoding->Name().empty()) return AEncoding->Name();  // found by its name
  for (const TCodePageName& row : kCodePageNames)
    if (row.CodePage == codePage) return IntToStr(codePage) + u"  (" + row.Name + u")";
  return IntToStr(codePage);
}

namespace {

// The file as stored into ATarget, its byte-order mark skipped; the encoding that decodes it.
TEncodingRef ReadStoredBytes(const std::u16string& AFileName, const TEncoding* AChosen, TBlockStream& ATarget) {
  ATarget.Clear();
  TFileStream file(AFileName, fmOpenRead);
  std::vector<uint8_t> block(size_t(1) << 20);
  // Only a mark at the very start counts, and the longest is three bytes.
  uint8_t head[3] = {};
  size_t headLength = 0;
  for (int64_t left = file.Size(); left > 0;) {
    const int64_t n = std::min<int64_t>(left, int64_t(block.size()));
    file.ReadBuffer(block.data(), n);
    for (int64_t i = 0; i < n && headLength < sizeof head; ++i) head[headLength++] = block[size_t(i)];
    ATarget.WriteBuffer(block.data(), n);
    left -= n;
  }
  int markLength = 0;
  if (TEncoding* byMark = DetectBufferEncoding(head, headLength, nullptr, markLength)) {
    ATarget.SkipFront(size_t(markLength));
    return TEncodingRef(byMark);
  }
  return TEncodingRef(AChosen ? CloneEncoding(AChosen) : TEncoding::Default());
}

}  // namespace

TSourceBytes BuildSourceBytes(const std::u16string& AFileName, bool AFormatSource) {
  TSourceBytes result;
  TEncodingRef chosen(TEncoding::UTF8());
  try {
    TXMLReader reader;
    reader.ReaderSettings().SetStrictXML(false);
    reader.ReaderSettings().SetBreakReading(brAfterDocumentElement);
    reader.ReaderSettings().SetLineBreak(lbDoNotProcess);
    reader.InitFile(AFileName);
    const TDeclaredEncoding declared = ScanXMLDeclaration(reader, false);
    chosen = EncodingOfDeclaration(declared);

    if (AFormatSource) {
      // An unlisted name gives no encoding to write in; UTF-8 keeps every character, and the
      // written declaration then names the encoding of the text shown.
      TEncoding* encoding = chosen ? chosen.get() : TEncoding::UTF8();
      reader.InitFile(AFileName);
      {
        TXMLWriter writer;
        writer.InitStream(&result.Bytes, false);
        StartFormattedDocument(writer, encoding, declared.StandAlone);
        ReplayXMLTokens(reader, writer);
        writer.ReleaseDocument();
      }
      if (const auto error = reader.ParseError()) result.ParseError = ParseErrorMessage(*error);
      result.EncodingName = EncodingDisplayName(encoding);
      result.Encoding = chosen ? std::move(chosen) : TEncodingRef(encoding);
      result.Formatted = true;
      return result;
    }
  } catch (const EFOpenError&) {
    throw;
  } catch (const std::exception& e) {
    result.FellBack = true;
    result.Error = MessageOf(e);
  }
  result.Encoding = ReadStoredBytes(AFileName, chosen.get(), result.Bytes);
  result.EncodingName = EncodingDisplayName(result.Encoding.get());
  return result;
}

TSourceText BuildSourceText(const std::u16string& AFileName, bool AFormatSource) {
  TSourceBytes bytes = BuildSourceBytes(AFileName, AFormatSource);
  TSourceText result;
  {
    const std::vector<uint8_t> joined = bytes.Bytes.Join();
    bytes.Bytes.Clear();
    result.Text = bytes.Encoding->GetString(joined.data(), joined.size());
  }
  result.EncodingName = std::move(bytes.EncodingName);
  result.Formatted = bytes.Formatted;
  result.FellBack = bytes.FellBack;
  result.Error = std::move(bytes.Error);
  result.ParseError = std::move(bytes.ParseError);
  return result;
}

std::u16string SourceTextAsStored(const std::string& AFileName, std::u16string& AEncodingName) {
  TSourceText source = BuildSourceText(Utf8ToUtf16(AFileName), false);
  AEncodingName = std::move(source.EncodingName);
  return std::move(source.Text);
}
