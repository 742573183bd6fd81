#include "WideSupport.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

EGeneralError::EGeneralError(std::u16string aMessage)
    : FMessage(std::move(aMessage)), FWhat(Utf16ToUtf8(FMessage)) {}

void EGeneralError::SetMessage(std::u16string aMessage) {
  FMessage = std::move(aMessage);
  FWhat = Utf16ToUtf8(FMessage);
}

void TPersistent::Assign(const TPersistent& aSource) {
  throw EGeneralError(u"Cannot assign an object of another kind.");
}

std::u16string IntToStr(int64_t aValue) {
  char16_t buf[24];
  int n = 0;
  uint64_t v = aValue < 0 ? 0 - static_cast<uint64_t>(aValue) : static_cast<uint64_t>(aValue);
  do {
    buf[n++] = static_cast<char16_t>(u'0' + v % 10);
    v /= 10;
  } while (v);
  std::u16string out;
  out.reserve(n + 1);
  if (aValue < 0) out.push_back(u'-');
  while (n) out.push_back(buf[--n]);
  return out;
}

std::u16string Format(std::u16string_view aFormat, std::initializer_list<TFormatArg> aArgs) {
  std::u16string out;
  out.reserve(aFormat.size() + 32);
  auto arg = aArgs.begin();
  for (size_t i = 0; i < aFormat.size(); ++i) {
    char16_t c = aFormat[i];
    if (c != u'%' || i + 1 >= aFormat.size()) {
      out.push_back(c);
      continue;
    }
    char16_t k = aFormat[i + 1];
    if (k == u'%') {
      out.push_back(u'%');
      ++i;
    } else if ((k == u's' || k == u'd') && arg != aArgs.end()) {
      if (auto s = std::get_if<std::u16string_view>(&*arg))
        out.append(*s);
      else
        out.append(IntToStr(std::get<int64_t>(*arg)));
      ++arg;
      ++i;
    } else {
      out.push_back(c);
    }
  }
  return out;
}

// ---- UTF-16 and UTF-8 ----

namespace {

template <TLoneSurrogates L>
size_t EncodeUtf8(std::u16string_view aText, char* aOut) noexcept {
  const char16_t* p = aText.data();
  const char16_t* const end = p + aText.size();
  char* o = aOut;
  while (p < end) {
    if (*p < 0x80) {
      *o++ = static_cast<char>(*p++);
      continue;
    }
    o = Utf8Put(Utf16Next(p, end, L), o);
  }
  return static_cast<size_t>(o - aOut);
}

template <TLoneSurrogates L>
size_t DecodeUtf8(std::string_view aBytes, char16_t* aOut) noexcept {
  const uint8_t* p = reinterpret_cast<const uint8_t*>(aBytes.data());
  const uint8_t* const end = p + aBytes.size();
  char16_t* o = aOut;
  while (p < end) {
#if defined(__SSE2__)
    // ASCII runs, 16 bytes at a time. Writing all 16 units before knowing how many are ASCII
    // stays inside the output: o - aOut <= p - aBytes and at least 16 bytes remain.
    const __m128i zero = _mm_setzero_si128();
    while (end - p >= 16) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o), _mm_unpacklo_epi8(v, zero));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 8), _mm_unpackhi_epi8(v, zero));
      const int mask = _mm_movemask_epi8(v);
      if (mask != 0) {
        const int k = __builtin_ctz(static_cast<unsigned>(mask));
        p += k;
        o += k;
        break;
      }
      p += 16;
      o += 16;
    }
    if (p >= end) break;
#endif
    if (*p < 0x80) {
      *o++ = *p++;
      continue;
    }
    o = Utf16Put(Utf8Next(p, end, L), o);
  }
  return static_cast<size_t>(o - aOut);
}

}  // namespace

size_t Utf16ToUtf8(std::u16string_view aText, char* aOut, TLoneSurrogates aLone) noexcept {
  return aLone == lsKeep ? EncodeUtf8<lsKeep>(aText, aOut) : EncodeUtf8<lsReplace>(aText, aOut);
}

size_t Utf8ToUtf16(std::string_view aBytes, char16_t* aOut, TLoneSurrogates aLone) noexcept {
  return aLone == lsKeep ? DecodeUtf8<lsKeep>(aBytes, aOut) : DecodeUtf8<lsReplace>(aBytes, aOut);
}

size_t Utf8Length(std::u16string_view aText) noexcept {
  const char16_t* p = aText.data();
  const char16_t* const end = p + aText.size();
  size_t n = 0;
  while (p < end) {
    const char32_t c = *p;
    if (c < 0x80) {
      n += 1;
    } else if (c < 0x800) {
      n += 2;
    } else if (IsHighSurrogate(c) && p + 1 < end && IsLowSurrogate(p[1])) {
      n += 4;
      ++p;
    } else {
      n += 3;
    }
    ++p;
  }
  return n;
}

std::u16string Utf8ToUtf16(std::string_view aText) {
  std::u16string out(aText.size(), u'\0');
  out.resize(Utf8ToUtf16(aText, out.data()));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view aText) {
  std::string out(Utf8Length(aText), '\0');
  Utf16ToUtf8(aText, out.data());
  return out;
}
