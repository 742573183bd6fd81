#include "EditorEncoding.h"

#include <algorithm>

#include "BufferedStreams.h"
#include "XmlReadWrite.h"

TDeclaredEncoding ScanXMLDeclaration(TXMLReader& AReader, bool AFirstEncodingWins) {
  TDeclaredEncoding result;
  PXMLReaderToken token = nullptr;
  while (AReader.ReadNextToken(token)) {
    if (token->TokenType == rtOpenElement) break;
    if (token->TokenType != rtXMLDeclarationAttribute) continue;
    if (SameAsciiNoCase(token->TokenName, u"encoding")) {
      result.HasEncoding = true;
      result.EncodingName = token->TokenValue;
      if (AFirstEncodingWins) break;
    } else if (SameAsciiNoCase(token->TokenName, u"standalone")) {
      result.StandAlone = token->TokenValue;
    }
  }
  return result;
}

TEncodingRef EncodingOfDeclaration(const TDeclaredEncoding& ADeclared) {
  if (!ADeclared.HasEncoding) return TEncodingRef(TEncoding::UTF8());
  TEncoding* encoding = nullptr;
  try {
    EncodingFromAlias(ADeclared.EncodingName, encoding);
  } catch (const EEncodingError&) {
    // A listed code page that this platform cannot convert is as good as an unlisted name.
    encoding = nullptr;
  }
  return TEncodingRef(encoding);
}

TEncodingRef DeclaredEncodingOfFile(const std::u16string& AFileName) {
  TXMLReader reader;
  reader.InitFile(AFileName);
  return EncodingOfDeclaration(ScanXMLDeclaration(reader, true));
}

TEncodingRef DeclaredEncodingOfText(std::u16string_view AText) {
  TXMLReader reader;
  reader.InitXML(AText);
  return EncodingOfDeclaration(ScanXMLDeclaration(reader, true));
}

std::vector<uint8_t> ReadFileBytes(const std::u16string& AFileName) {
  TFileStream file(AFileName, fmOpenRead);
  const int64_t size = file.Size();
  std::vector<uint8_t> bytes(static_cast<size_t>(size));
  if (size > 0) file.ReadBuffer(bytes.data(), size);
  return bytes;
}

TEncodingRef FileBytesEncoding(const std::vector<uint8_t>& ABytes, const TEncoding* AEncoding, int& AMarkLength) {
  AMarkLength = 0;
  if (TEncoding* byMark = DetectBufferEncoding(ABytes.data(), ABytes.size(), nullptr, AMarkLength))
    return TEncodingRef(byMark);
  AMarkLength = 0;
  return TEncodingRef(AEncoding ? CloneEncoding(AEncoding) : TEncoding::Default());
}

std::u16string DecodeFileText(const std::u16string& AFileName, const TEncoding* AEncoding, TEncodingRef& AUsed) {
  const std::vector<uint8_t> bytes = ReadFileBytes(AFileName);
  int markLength = 0;
  AUsed = FileBytesEncoding(bytes, AEncoding, markLength);
  return AUsed->GetString(bytes.data() + markLength, bytes.size() - static_cast<size_t>(markLength));
}

TEditorFile LoadEditorFile(const std::u16string& AFileName) {
  TEditorFile result;
  result.Encoding = DeclaredEncodingOfFile(AFileName);
  TEncodingRef used;
  result.Text = DecodeFileText(AFileName, result.Encoding.get(), used);
  return result;
}

std::vector<uint8_t> EditorTextBytes(std::u16string_view AText, const TEncoding* AEncoding) {
  const TEncoding* encoding = AEncoding ? AEncoding : TEncoding::Default();
  std::u16string lines;
  lines.reserve(AText.size() + AText.size() / 16 + 2);
  for (size_t i = 0; i < AText.size();) {
    const size_t stop = std::min(AText.find_first_of(u"\r\n", i), AText.size());
    lines.append(AText.substr(i, stop - i));
    if (stop == AText.size()) break;
    lines += u"\r\n";
    i = stop + (AText[stop] == u'\r' && stop + 1 < AText.size() && AText[stop + 1] == u'\n' ? 2 : 1);
  }
  if (!lines.empty() && lines.back() != u'\n') lines += u"\r\n";

  std::vector<uint8_t> bytes = AEncoding ? EncodingPreamble(AEncoding) : std::vector<uint8_t>();
  const std::vector<uint8_t> body = encoding->GetBytes(lines);
  bytes.insert(bytes.end(), body.begin(), body.end());
  return bytes;
}

void WriteFileAtomically(const std::u16string& AFileName, const std::vector<uint8_t>& ABytes) {
  TAtomicFileStream file(AFileName);
  if (!ABytes.empty()) file.WriteBuffer(ABytes.data(), static_cast<int64_t>(ABytes.size()));
  file.Commit();
}

TEncodingRef SaveEditorText(const std::u16string& AFileName, std::u16string_view AText) {
  TEncodingRef encoding = DeclaredEncodingOfText(AText);
  WriteFileAtomically(AFileName, EditorTextBytes(AText, encoding.get()));
  return encoding;
}
