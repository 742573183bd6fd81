// Loading and saving the control's text as bytes in an engine encoding.
#include <algorithm>
#include <cstring>

#include "Encodings.h"
#include "TextEditor.h"

void TTextEditor::LoadFromBytes(const uint8_t* aBytes, size_t aCount, const TEncoding* aEncoding) {
  size_t skip = 0;
  if (!aEncoding) {
    int bom = 0;
    aEncoding = DetectBufferEncoding(aBytes, aCount, TEncoding::Default(), bom);
    skip = size_t(bom);
  } else {
    const std::vector<uint8_t> preamble = aEncoding->GetPreamble();
    if (!preamble.empty() && aCount >= preamble.size() && std::memcmp(aBytes, preamble.data(), preamble.size()) == 0)
      skip = preamble.size();
  }
  if (aEncoding->Kind() == ekUTF8)
    SetUtf8Text(reinterpret_cast<const char*>(aBytes + skip), aCount - skip);
  else
    SetText(aEncoding->GetString(aBytes + skip, aCount - skip));
}

std::vector<uint8_t> TTextEditor::SaveToBytes(const TEncoding* aEncoding, bool aWithPreamble) const {
  std::vector<uint8_t> out;
  if (aEncoding && aWithPreamble) out = aEncoding->GetPreamble();
  if (!aEncoding) aEncoding = TEncoding::Default();
  // Every line followed by CR LF; a final line break ends the last line rather than
  // starting an empty one, so loading and saving again gives the same bytes.
  const std::u16string text = Text();
  std::u16string lines;
  lines.reserve(text.size() + text.size() / 32 + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ++i;
      lines += u"\r\n";
    } else {
      lines.push_back(c);
    }
  }
  if (!text.empty() && text.back() != u'\r' && text.back() != u'\n') lines += u"\r\n";
  const std::vector<uint8_t> body = aEncoding->GetBytes(lines);
  out.insert(out.end(), body.begin(), body.end());
  return out;
}
