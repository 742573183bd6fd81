#include "SourceText.h"

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

TSourceText BuildSourceText(const std::u16string& AFileName, bool AFormatSource) {
  TSourceText result;
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
      TMemoryStream buffer;
      {
        TXMLWriter writer;
        writer.InitStream(&buffer, false);
        StartFormattedDocument(writer, encoding, declared.StandAlone);
        ReplayXMLTokens(reader, writer);
        writer.ReleaseDocument();
      }
      if (const auto error = reader.ParseError()) result.ParseError = ParseErrorMessage(*error);
      result.Text = encoding->GetString(static_cast<const uint8_t*>(buffer.Memory()), static_cast<size_t>(buffer.Size()));
      result.EncodingName = EncodingDisplayName(encoding);
      result.Formatted = true;
      return result;
    }
  } catch (const EFOpenError&) {
    throw;
  } catch (const std::exception& e) {
    result.FellBack = true;
    result.Error = MessageOf(e);
  }
  TEncodingRef used;
  result.Text = DecodeFileText(AFileName, chosen.get(), used);
  result.EncodingName = EncodingDisplayName(used.get());
  return result;
}

std::u16string SourceTextAsStored(const std::string& AFileName, std::u16string& AEncodingName) {
  TSourceText source = BuildSourceText(Utf8ToUtf16(AFileName), false);
  AEncodingName = std::move(source.EncodingName);
  return std::move(source.Text);
}
