// Formatting replays the reader's tokens into the writer. Read as views, without copying a
// token, it must write the same bytes and stop at the same place, with the same error, as read
// as records: on any bytes, with any reader settings, from a byte stream in blocks (bit 6 off)
// or from UTF-16 text in one piece (bit 6 on).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "BufferedStreams.h"
#include "FuzzSettings.h"
#include "XmlFormat.h"
#include "XmlReadWrite.h"
#include "XmlWriter.h"

namespace {

std::string Replay(std::string_view aInput, uint8_t aFlags, bool aViews) {
  TXMLReader reader;
  ApplyFuzzSettings(reader.ReaderSettings(), aFlags);
  TVirtualMemoryStream input;
  std::u16string wide;
  if (aFlags & 64) {
    wide = Utf8ToUtf16(aInput);
    reader.InitXML(wide);
  } else {
    input.SetString_UTF8(aInput);
    reader.InitStream(&input, TEncoding::UTF8());
  }
  TMemoryStream target;
  std::string stop;
  try {
    TXMLWriter writer;
    writer.InitStream(&target, false);
    StartFormattedDocument(writer, TEncoding::UTF8(), u"");
    if (aViews)
      ReplayXMLTokenViews(reader, writer);
    else
      ReplayXMLTokens(reader, writer);
    writer.ReleaseDocument();
  } catch (const EGeneralError& e) {
    stop = "raised: " + Utf16ToUtf8(e.Message());
  }
  if (const auto& error = reader.ParseError())
    stop += " | reader: " + Utf16ToUtf8(error->GetReason()) + " at " + std::to_string(error->GetLine()) + ":" +
            std::to_string(error->GetLinePos()) + " [" + Utf16ToUtf8(error->GetSrcText()) + "]";
  const auto* data = static_cast<const char*>(target.Memory());
  return std::string(data, static_cast<size_t>(target.Size())) + "\n--\n" + stop;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* aData, size_t aSize) {
  if (aSize == 0) return 0;
  const std::string_view input(reinterpret_cast<const char*>(aData + 1), aSize - 1);
  const std::string records = Replay(input, aData[0], false);
  const std::string views = Replay(input, aData[0], true);
  if (records != views) {
    std::fprintf(stderr, "records:\n%s\nviews:\n%s\n", records.c_str(), views.c_str());
    __builtin_trap();
  }
  return 0;
}
