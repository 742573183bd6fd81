#include "ValueClassify.h"

#include "XmlDocument.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsSpace(char16_t c) { return IsBlank(c) || IsBreak(c); }

// Value of a Base64 character, -1 for any other.
int Base64Digit(char16_t c) {
  if (c >= u'A' && c <= u'Z') return c - u'A';
  if (c >= u'a' && c <= u'z') return c - u'a' + 26;
  if (c >= u'0' && c <= u'9') return c - u'0' + 52;
  if (c == u'+') return 62;
  if (c == u'/') return 63;
  return -1;
}

// Little-endian reads that give 0 past the end, so a short header reads as "unknown".
uint32_t U8(std::string_view b, size_t at) { return at < b.size() ? uint8_t(b[at]) : 0; }
uint32_t U16(std::string_view b, size_t at) { return at + 2 <= b.size() ? U8(b, at) | U8(b, at + 1) << 8 : 0; }
uint32_t U32(std::string_view b, size_t at) { return at + 4 <= b.size() ? U16(b, at) | U16(b, at + 2) << 16 : 0; }

int BmpBits(std::string_view b) {
  const uint32_t headerSize = U32(b, 14);
  if (headerSize == 12) return static_cast<int>(U16(b, 24));  // the old core header
  const int bits = static_cast<int>(U16(b, 28));
  if (bits != 16) return bits;
  // 16 bits are 5-5-5 unless bit fields say 5-6-5 (by the green mask).
  if (U32(b, 30) == 3) return U32(b, 14 + 40 + 4) == 0x07E0 ? 16 : 15;
  return 15;
}

int JpegBits(std::string_view b) {
  // The component count of the first start-of-frame segment: one is grey (8 bits), otherwise
  // the picture becomes 24-bit colour.
  size_t i = 2;
  while (i + 9 < b.size()) {
    if (U8(b, i) != 0xFF) return 24;
    const uint32_t marker = U8(b, i + 1);
    if (marker == 0xFF) {
      ++i;
      continue;
    }
    const uint32_t length = U8(b, i + 2) << 8 | U8(b, i + 3);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)
      return U8(b, i + 9) == 1 ? 8 : 24;
    i += 2 + length;
  }
  return 24;
}

int GifBits(std::string_view b) {
  // The colour table's size in bits, rounded up to the bitmap formats 1, 4 and 8.
  if (b.size() < 11) return 8;
  const uint32_t packed = U8(b, 10);
  if (!(packed & 0x80)) return 8;
  const int bits = static_cast<int>(packed & 7) + 1;
  return bits == 1 ? 1 : bits <= 4 ? 4 : 8;
}

int PngBits(std::string_view b) {
  // IHDR: bit depth times the channels of the colour type.
  if (b.size() < 26) return 0;
  const int depth = static_cast<int>(U8(b, 24));
  switch (U8(b, 25)) {
    case 0: return depth;
    case 2: return depth * 3;
    case 3: return depth;
    case 4: return depth * 2;
    case 6: return depth * 4;
    default: return 0;
  }
}

void AppendNumber(std::u16string& aOut, int aValue) {
  const std::string digits = std::to_string(aValue);
  aOut.append(digits.begin(), digits.end());
}

}  // namespace

std::u16string CompactValue(std::u16string_view aValue) {
  std::u16string_view v = aValue;
  while (!v.empty() && IsSpace(v.front())) v.remove_prefix(1);
  while (!v.empty() && IsSpace(v.back())) v.remove_suffix(1);
  std::u16string compact;
  compact.reserve(v.size());
  for (size_t i = 0; i < v.size(); ++i) {
    if (IsBreak(v[i])) {
      while (!compact.empty() && IsBlank(compact.back())) compact.pop_back();
      while (i + 1 < v.size() && IsSpace(v[i + 1])) ++i;
      continue;
    }
    compact.push_back(v[i]);
  }
  return compact;
}

bool IsBase64(std::u16string_view aText) {
  size_t n = 0;
  for (char16_t c : aText)
    if (!IsBreak(c)) ++n;
  if (n == 0 || n % 4 != 0) return false;
  size_t i = 0;
  bool padding = false;
  for (char16_t c : aText) {
    if (IsBreak(c)) continue;
    ++i;
    if (c == u'=') {
      if (i < n - 1) return false;
      padding = true;
    } else if (padding || Base64Digit(c) < 0) {
      return false;
    }
  }
  return true;
}

std::string DecodeBase64(std::u16string_view aText) {
  std::string bytes;
  bytes.reserve(aText.size() / 4 * 3 + 3);
  uint32_t bits = 0;
  int count = 0;
  for (char16_t c : aText) {
    const int digit = Base64Digit(c);
    if (digit < 0) continue;
    bits = bits << 6 | static_cast<uint32_t>(digit);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>((bits >> count) & 0xFF));
    }
  }
  return bytes;
}

TValueClass ClassifyValue(std::u16string_view aValue) {
  TValueClass result;
  if (aValue.empty() || !IsBase64(CompactValue(aValue))) return result;
  result.Base64 = true;
  result.Bytes = DecodeBase64(aValue);
  return result;
}

std::u16string RowText(std::u16string_view aValue, int32_t aCount) {
  std::u16string text = ShortenText(aValue, aCount);
  for (char16_t& c : text)
    if (IsBreak(c)) c = cLineBreakMark;
  return text;
}

std::u16string BoundedText(std::u16string_view aText, size_t aLength) {
  if (aText.size() <= aLength) return std::u16string(aText);
  size_t keep = aLength;
  if (keep > 0 && IsHighSurrogate(aText[keep - 1]) && IsLowSurrogate(aText[keep])) --keep;
  std::u16string text;
  text.reserve(keep + 1);
  text.assign(aText.substr(0, keep));
  text.push_back(cEllipsis);
  return text;
}

std::u16string_view PictureKindWord(TPictureKind aKind) noexcept {
  switch (aKind) {
    case pkBitmap: return u"Bitmap";
    case pkJPEG: return u"JPEG";
    case pkGIF: return u"GIF";
    case pkPNG: return u"PNG";
  }
  return {};
}

std::u16string_view PictureExtension(TPictureKind aKind) noexcept {
  switch (aKind) {
    case pkBitmap: return u".bmp";
    case pkJPEG: return u".jpg";
    case pkGIF: return u".gif";
    case pkPNG: return u".png";
  }
  return {};
}

int PictureBitsPerPixel(TPictureKind aKind, std::string_view aBytes) noexcept {
  switch (aKind) {
    case pkBitmap: return BmpBits(aBytes);
    case pkJPEG: return JpegBits(aBytes);
    case pkGIF: return GifBits(aBytes);
    case pkPNG: return PngBits(aBytes);
  }
  return 0;
}

std::u16string PictureCaption(TPictureKind aKind, int aWidth, int aHeight, int aBitsPerPixel) {
  std::u16string caption = u" ";
  caption += PictureKindWord(aKind);
  caption += u": ";
  AppendNumber(caption, aWidth);
  caption += u" x ";
  AppendNumber(caption, aHeight);
  switch (aBitsPerPixel) {
    case 1: case 4: case 8: case 15: case 16: case 24: case 32:
      caption += u" - ";
      AppendNumber(caption, aBitsPerPixel);
      caption += u"bit ";
      break;
    default: break;
  }
  return caption;
}
