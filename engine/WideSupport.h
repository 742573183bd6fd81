// Shared ground of the engine: the error class tree, the format function, the persistent
// base and conversions between the UTF-16 text used inside and the UTF-8 used at the edges
// (messages, command line, file names).
#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

// The general error: every error the system raises derives from it and carries one of the
// fixed English message texts.
class EGeneralError : public std::exception {
public:
  explicit EGeneralError(std::u16string aMessage);
  const std::u16string& Message() const noexcept { return FMessage; }
  void SetMessage(std::u16string aMessage);
  const char* what() const noexcept override { return FWhat.c_str(); }

private:
  std::u16string FMessage;
  std::string FWhat;  // UTF-8 copy, so what() never allocates
};

// Errors of containers and streams that the platform library raises in the original design.
class EListError : public EGeneralError { using EGeneralError::EGeneralError; };
class EArgumentOutOfRange : public EGeneralError { using EGeneralError::EGeneralError; };
class EAssertionFailed : public EGeneralError { using EGeneralError::EGeneralError; };
class EStreamError : public EGeneralError { using EGeneralError::EGeneralError; };
class EReadError : public EStreamError { using EStreamError::EStreamError; };
class EWriteError : public EStreamError { using EStreamError::EStreamError; };
class EFOpenError : public EStreamError { using EStreamError::EStreamError; };
class EFCreateError : public EStreamError { using EStreamError::EStreamError; };

// The format function: fills %s with a text and %d with a number, in order; "%%" is a
// literal percent sign. Missing arguments leave the placeholder as it stands, surplus
// arguments are ignored, so a wrong call never throws while an error is being built.
using TFormatArg = std::variant<std::u16string_view, int64_t>;
std::u16string Format(std::u16string_view aFormat, std::initializer_list<TFormatArg> aArgs);

// Base of classes that can copy the state of another object of their kind.
class TPersistent {
public:
  virtual ~TPersistent() = default;
  // Raises EGeneralError when aSource is of a kind this object cannot take.
  virtual void Assign(const TPersistent& aSource);
};

// ---- UTF-16 and UTF-8 ----
// The one place that converts between the two. Invalid input never throws: an ill-formed UTF-8
// sequence becomes one U+FFFD per maximal subpart (the longest start of a valid sequence, or a
// single byte), as Unicode recommends.
//
// A lone surrogate (a high one not followed by a low one, or a low one on its own) has no UTF-8
// form. TLoneSurrogates says what happens to it:
// - lsReplace: it becomes U+FFFD (EF BF BD), and the decoder takes the bytes of an encoded
//   surrogate (ED A0..BF ..) as ill-formed. For everything that leaves the program or comes in
//   from outside: files, the text control, messages, the command line.
// - lsKeep: it is written as the three bytes its value would have as a character, and the
//   decoder reads such bytes back as that surrogate, so text held inside as UTF-8 (the node
//   tree's values) returns exactly as it was stored.
// Either way a lone surrogate takes three bytes, so lengths do not depend on the rule.
enum TLoneSurrogates : uint8_t { lsReplace, lsKeep };

inline bool IsHighSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDBFF; }
inline bool IsLowSurrogate(char32_t c) noexcept { return c >= 0xDC00 && c <= 0xDFFF; }
inline bool IsSurrogate(char32_t c) noexcept { return c >= 0xD800 && c <= 0xDFFF; }

// The code point at p (p < aEnd), moving p past it: a surrogate pair gives its supplementary
// code point, a lone surrogate U+FFFD (lsReplace) or itself (lsKeep).
inline char32_t Utf16Next(const char16_t*& p, const char16_t* aEnd, TLoneSurrogates aLone = lsReplace) noexcept {
  const char32_t c = *p++;
  if (!IsSurrogate(c)) return c;
  if (IsHighSurrogate(c) && p < aEnd && IsLowSurrogate(*p)) return 0x10000 + ((c - 0xD800) << 10) + (*p++ - 0xDC00);
  return aLone == lsKeep ? c : 0xFFFD;
}

// Writes code point c (at most 0x10FFFF) as UTF-8 and returns the end of what was written
// (1 to 4 bytes). A surrogate value is written as three bytes like any other.
inline char* Utf8Put(char32_t c, char* o) noexcept {
  if (c < 0x80) {
    *o++ = static_cast<char>(c);
  } else if (c < 0x800) {
    *o++ = static_cast<char>(0xC0 | (c >> 6));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    *o++ = static_cast<char>(0xE0 | (c >> 12));
    *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  } else {
    *o++ = static_cast<char>(0xF0 | (c >> 18));
    *o++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    *o++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    *o++ = static_cast<char>(0x80 | (c & 0x3F));
  }
  return o;
}

// The code point of the UTF-8 sequence at p (p < aEnd), moving p past it; an ill-formed
// sequence gives U+FFFD and moves p past its maximal subpart.
inline char32_t Utf8Next(const uint8_t*& p, const uint8_t* aEnd, TLoneSurrogates aLone = lsReplace) noexcept {
  const char32_t c = *p;
  if (c < 0x80) {
    ++p;
    return c;
  }
  const size_t left = static_cast<size_t>(aEnd - p);
  if (c >= 0xC2 && c <= 0xDF) {
    if (left >= 2 && (p[1] & 0xC0) == 0x80) {
      const char32_t r = ((c & 0x1F) << 6) | (p[1] & 0x3F);
      p += 2;
      return r;
    }
  } else if (c >= 0xE0 && c <= 0xEF) {
    const unsigned lo = c == 0xE0 ? 0xA0 : 0x80, hi = c == 0xED && aLone == lsReplace ? 0x9F : 0xBF;
    if (left >= 2 && p[1] >= lo && p[1] <= hi) {
      if (left >= 3 && (p[2] & 0xC0) == 0x80) {
        const char32_t r = ((c & 0x0F) << 12) | ((p[1] & 0x3F) << 6) | (p[2] & 0x3F);
        p += 3;
        return r;
      }
      p += 2;
      return 0xFFFD;
    }
  } else if (c >= 0xF0 && c <= 0xF4) {
    const unsigned lo = c == 0xF0 ? 0x90 : 0x80, hi = c == 0xF4 ? 0x8F : 0xBF;
    if (left >= 2 && p[1] >= lo && p[1] <= hi) {
      if (left >= 3 && (p[2] & 0xC0) == 0x80) {
        if (left >= 4 && (p[3] & 0xC0) == 0x80) {
          const char32_t r = ((c & 0x07) << 18) | ((p[1] & 0x3F) << 12) | ((p[2] & 0x3F) << 6) | (p[3] & 0x3F);
          p += 4;
          return r;
        }
        p += 3;
        return 0xFFFD;
      }
      p += 2;
      return 0xFFFD;
    }
  }
  ++p;
  return 0xFFFD;
}

// Writes code point c as one or two UTF-16 code units; returns the end of what was written.
inline char16_t* Utf16Put(char32_t c, char16_t* o) noexcept {
  if (c < 0x10000) {
    *o++ = static_cast<char16_t>(c);
  } else {
    c -= 0x10000;
    *o++ = static_cast<char16_t>(0xD800 + (c >> 10));
    *o++ = static_cast<char16_t>(0xDC00 + (c & 0x3FF));
  }
  return o;
}

// The buffer forms: aOut holds at least 3 bytes per code unit of aText (Utf16ToUtf8) or one code
// unit per byte of aBytes (Utf8ToUtf16); each returns how much it wrote.
size_t Utf16ToUtf8(std::u16string_view aText, char* aOut, TLoneSurrogates aLone = lsReplace) noexcept;
size_t Utf8ToUtf16(std::string_view aBytes, char16_t* aOut, TLoneSurrogates aLone = lsReplace) noexcept;
// The bytes Utf16ToUtf8 writes for aText, under either rule.
size_t Utf8Length(std::u16string_view aText) noexcept;
// The string forms, with lsReplace.
std::u16string Utf8ToUtf16(std::string_view aText);
std::string Utf16ToUtf8(std::u16string_view aText);

std::u16string IntToStr(int64_t aValue);

// ---- ASCII case ----
// Only A-Z and a-z change. XML keywords, encoding names, command-line switches and the names
// compared without case compare this way whatever the locale, and the check stays one compare
// per code unit.
template <class C>
constexpr C AsciiLower(C c) noexcept {
  return c >= C('A') && c <= C('Z') ? C(c + ('a' - 'A')) : c;
}
template <class C>
constexpr C AsciiUpper(C c) noexcept {
  return c >= C('a') && c <= C('z') ? C(c - ('a' - 'A')) : c;
}

namespace WideSupportDetail {
template <class A, class B>
constexpr bool SameAsciiNoCase(A a, B b) noexcept {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (AsciiLower(char32_t(a[i])) != AsciiLower(char32_t(static_cast<std::make_unsigned_t<typename B::value_type>>(b[i]))))
      return false;
  return true;
}
}  // namespace WideSupportDetail

// Equal but for the case of ASCII letters. The 8-bit form takes ASCII text (names in tables).
inline bool SameAsciiNoCase(std::u16string_view a, std::u16string_view b) noexcept {
  return WideSupportDetail::SameAsciiNoCase(a, b);
}
inline bool SameAsciiNoCase(std::u16string_view a, std::string_view b) noexcept {
  return WideSupportDetail::SameAsciiNoCase(a, b);
}
