#include "WideSupport.h"

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

std::u16string Utf8ToUtf16(std::string_view aText) {
  std::u16string out;
  out.reserve(aText.size());
  const auto* p = reinterpret_cast<const unsigned char*>(aText.data());
  const auto* end = p + aText.size();
  while (p < end) {
    unsigned c = *p;
    if (c < 0x80) {
      out.push_back(static_cast<char16_t>(c));
      ++p;
      continue;
    }
    int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? 3 : c >= 0xC2 && c < 0xE0 ? 2 : 0;
    if (len == 0 || end - p < len) {
      out.push_back(0xFFFD);
      ++p;
      continue;
    }
    uint32_t cp = len == 2 ? (c & 0x1F) : len == 3 ? (c & 0x0F) : (c & 0x07);
    bool ok = true;
    for (int k = 1; k < len; ++k) {
      if ((p[k] & 0xC0) != 0x80) { ok = false; break; }
      cp = (cp << 6) | (p[k] & 0x3F);
    }
    if (ok && ((len == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
               (len == 4 && (cp < 0x10000 || cp > 0x10FFFF))))
      ok = false;
    if (!ok) {
      out.push_back(0xFFFD);
      ++p;
      continue;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    p += len;
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view aText) {
  std::string out;
  out.reserve(aText.size());
  for (size_t i = 0; i < aText.size(); ++i) {
    uint32_t cp = aText[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < aText.size() && aText[i + 1] >= 0xDC00 &&
        aText[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (aText[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}
