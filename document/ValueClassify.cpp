#include "ValueClassify.h"

#include <algorithm>

#include "WideSupport.h"
#include "XmlDocument.h"

namespace {

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
bool IsBreak(char16_t c) { return c == u'\r' || c == u'\n'; }
bool IsSpace(char16_t c) { return IsBlank(c) || IsBreak(c); }

// Value of a Base64 character, -1 for any other.
// Values of the Base64 digits by ASCII code, -1 for every other character.
struct TBase64Digits {
  int8_t Value[128];
  constexpr TBase64Digits() : Value() {
    for (int8_t& v : Value) v = -1;
    for (int i = 0; i < 26; ++i) {
      Value['A' + i] = int8_t(i);
      Value['a' + i] = int8_t(26 + i);
    }
    for (int i = 0; i < 10; ++i) Value['0' + i] = int8_t(52 + i);
    Value['+'] = 62;
    Value['/'] = 63;
  }
};
constexpr TBase64Digits cBase64Digits;

int Base64Digit(char16_t c) { return c < 128 ? cBase64Digits.Value[c] : -1; }

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
  // One pass: a text that is no Base64, as most values are not, is left at its first character
  // outside the alphabet, however long it is.
  size_t n = 0;  // characters seen, line breaks not counted
  size_t firstPad = 0;
  for (char16_t c : aText) {
    if (IsBreak(c)) continue;
    ++n;
    if (c == u'=') {
      if (firstPad == 0) firstPad = n;
    } else if (firstPad != 0 || Base64Digit(c) < 0) {
      return false;
    }
  }
  return n != 0 && n % 4 == 0 && (firstPad == 0 || firstPad >= n - 1);
}

size_t WellFormedUtf8(std::string_view aBytes, size_t aFrom, std::string& aOut, size_t aPiece) {
  const auto* const begin = reinterpret_cast<const uint8_t*>(aBytes.data());
  const auto* const end = begin + aBytes.size();
  const uint8_t* p = begin + aFrom;
  // Written in place: binary bytes have a stray byte every few bytes, and appending piece by
  // piece would cost more than the decoding itself. A well-formed sequence is written back as
  // it was.
  const size_t start = aOut.size();
  aOut.resize(start + aPiece + 4);
  char* out = aOut.data() + start;
  char* const full = out + aPiece;
  while (p < end && out < full) {
    if (*p < 0x80)
      *out++ = static_cast<char>(*p++);
    else
      out = Utf8Put(Utf8Next(p, end), out);
  }
  aOut.resize(size_t(out - aOut.data()));
  return size_t(p - begin);
}

std::string WellFormedUtf8(std::string_view aBytes) {
  std::string text;
  for (size_t at = 0; at < aBytes.size();) at = WellFormedUtf8(aBytes, at, text, aBytes.size() - at);
  return text;
}

std::string DecodeBase64(std::u16string_view aText) {
  std::string bytes(aText.size() / 4 * 3 + 3, '\0');
  char* out = bytes.data();
  uint32_t bits = 0;
  int count = 0;
  for (char16_t c : aText) {
    const int digit = Base64Digit(c);
    if (digit < 0) continue;
    bits = bits << 6 | static_cast<uint32_t>(digit);
    count += 6;
    if (count >= 8) {
      count -= 8;
      *out++ = static_cast<char>((bits >> count) & 0xFF);
    }
  }
  bytes.resize(size_t(out - bytes.data()));
  return bytes;
}

TValueClass ClassifyValue(std::u16string_view aValue) {
  TValueClass result;
  std::u16string_view trimmed = aValue;
  while (!trimmed.empty() && IsSpace(trimmed.front())) trimmed.remove_prefix(1);
  while (!trimmed.empty() && IsSpace(trimmed.back())) trimmed.remove_suffix(1);
  // Base64 as it stands is Base64 compacted too (the check skips line breaks, and blanks make
  // it fail): only a value with line breaks that fails is compacted (copied) and checked again.
  const auto hasBreak = [&] { return std::any_of(trimmed.begin(), trimmed.end(), IsBreak); };
  if (trimmed.empty() || !(IsBase64(trimmed) || (hasBreak() && IsBase64(CompactValue(aValue))))) return result;
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
