// Shared helpers of the document tests: scratch files and loading XML text into a document.
#pragma once

#include <cstdio>
#include <fstream>
#include <string>
#include "ScratchDir.h"
#include "XmlDocument.h"

namespace doctest {

// A file in a scratch folder of the running test, removed with its folder when the object goes.
class TTempFile {
public:
  explicit TTempFile(const std::string& aBytes, const char* aSuffix = ".xml") : FName(FDir.File(std::string("doc") + aSuffix)) {
    std::ofstream out(FName, std::ios::binary);
    out.write(aBytes.data(), static_cast<std::streamsize>(aBytes.size()));
  }
  const std::string& Name() const { return FName; }
  std::u16string Name16() const { return std::u16string(FName.begin(), FName.end()); }

private:
  TScratchDir FDir;
  std::string FName;
};

inline std::string ReadAll(const std::string& aName) {
  std::ifstream in(aName, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

inline TNumberFormat CommaFormat() {
  TNumberFormat f;
  f.ThousandSeparator = u",";
  f.DecimalSeparator = u".";
  return f;
}

// Loads aXml (bytes as stored) with the given options.
inline void LoadText(TXMLDocument& aDoc, const std::string& aXml, bool aStrict = false, bool aAttributesInTree = true) {
  TTempFile file(aXml);
  aDoc.SetNumberFormat(CommaFormat());
  aDoc.SetStrictXML(aStrict);
  aDoc.SetAttributesInTree(aAttributesInTree);
  aDoc.SetFilename(file.Name16());
}

inline std::string U8(std::u16string_view s) { return Utf16ToUtf8(s); }

}  // namespace doctest
