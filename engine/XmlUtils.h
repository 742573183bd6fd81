// The vocabulary every XML component shares: the enumerations for line breaks, indentation and
// white space; the XML 1.0 character classes applied to single UTF-16 code units; name and
// entity-reference validation; the line-break texts; and the escaping with which the XML
// writer turns text and attribute values into markup.
#pragma once

#include "Encodings.h"
#include "WideSupport.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class TTextWriter;

enum TXMLIndentType { itNone, itFlat, itIndent };
enum TXMLLineBreak { lbLF, lbCR, lbCRLF, lbDoNotProcess };
enum TXMLWhiteSpaceHandling { wsTrim, wsPreserveAll, wsPreserveInTextOnly, wsAutoTag };
enum TXMLBreakReading { brNone, brAfterDocumentElement };
enum TXMLPreserveWhiteSpace { pwInherit, pwPreserve, pwDefault };

// "\n", "\r", "\r\n"; lbDoNotProcess writes "\r\n" too.
std::u16string_view XmlLineBreakText(TXMLLineBreak aLineBreak) noexcept;
// "&#xA;", "&#xD;", and "&#xD;&#xA;" for every other value.
std::u16string_view XmlLineBreakEntity(TXMLLineBreak aLineBreak) noexcept;

// ---- Character classes ----
// One flag byte per code unit, so each predicate is a single load and mask: they run for
// every character the reader sees. Surrogate halves are ordinary code units here; they are
// Char but never NameStartChar or NameChar, so names above U+FFFF are invalid.
enum : uint8_t {
  xcChar = 0x01,       // 0x09, 0x0A, 0x0D, 0x20 to 0xFFFD
  xcNameStart = 0x02,  // NameStartChar of XML 1.0 (fifth edition), cut to the BMP
  xcName = 0x04,       // NameChar
  xcWhiteSpace = 0x08,
  xcDecimal = 0x10,
  xcHex = 0x20,
  xcEscape = 0x40,  // escaping may write it otherwise than as itself (see XmlEscape)
};
extern const std::array<uint8_t, 65536> XmlCharFlags;

inline bool XmlIsChar(char16_t c) noexcept { return XmlCharFlags[c] & xcChar; }
inline bool XmlIsWhiteSpace(char16_t c) noexcept { return XmlCharFlags[c] & xcWhiteSpace; }
inline bool XmlIsDecimalDigit(char16_t c) noexcept { return XmlCharFlags[c] & xcDecimal; }
inline bool XmlIsHexDigit(char16_t c) noexcept { return XmlCharFlags[c] & xcHex; }
inline bool XmlIsNameStartChar(char16_t c) noexcept { return XmlCharFlags[c] & xcNameStart; }
inline bool XmlIsNameChar(char16_t c) noexcept { return XmlCharFlags[c] & xcName; }

// Not empty, a NameStartChar first, NameChars after it.
bool XmlIsValidName(std::u16string_view aName) noexcept;
// The name of an entity reference without '&' and ';': one NameStartChar; "#x" and hex digits
// ("#x" alone passes); '#' and decimal digits; or a valid name.
bool XmlIsValidEntityName(std::u16string_view aName) noexcept;

// ---- Escaping ----

class EXmlWriterException : public EGeneralError { using EGeneralError::EGeneralError; };
class EXmlWriterInvalidString : public EXmlWriterException {
  using EXmlWriterException::EXmlWriterException;
};

// Which code units an encoding can hold: a code unit is supported when, encoded alone and
// decoded back, it comes out unchanged. Surrogates are therefore never supported: a character
// above U+FFFF is written as a reference in every encoding that is not a Unicode one.
class TCharTable {
public:
  explicit TCharTable(const TEncoding& aEncoding);
  bool IsSupported(char16_t c) const noexcept { return (fFlags[c >> 6] >> (c & 63)) & 1; }
  // "&#" + the character in decimal + ";".
  static std::u16string Entity(char32_t c);
  static void AppendEntity(std::u16string& aOutput, char32_t c);
  // The character that a reference for the code unit at aText names, and in aUnits how many
  // code units it stands for: a surrogate pair is one character above U+FFFF (one reference,
  // as XML knows no references to surrogates); a lone surrogate, which no XML text can hold,
  // becomes U+FFFD.
  static char32_t ReferencedCharacter(const char16_t* aText, const char16_t* aEnd, size_t& aUnits) noexcept;

private:
  uint64_t fFlags[65536 / 64] = {};
};

// The writer settings that escaping depends on; the defaults are those of a new writer.
struct TXMLEscapeSettings {
  TXMLLineBreak LineBreak = lbLF;
  bool UseTabCRLFEntitiesInAttributes = true;
  bool EscapeQuotes = false;
  bool UseGreaterThanEntity = true;
  bool StrictXML = true;
};

// Safe mode: hands out the table of the output encoding. It is called at most once per
// XmlEscape, and only when a code unit has to be looked up, so a writer can build the table
// on first need.
using TCharTableSource = std::function<const TCharTable&()>;

// Appends aText, escaped, to aOutput. Unchanged runs are appended in one piece, so the cost
// is close to a copy for ordinary text. Without aSafeMode every code unit that needs no
// escaping is written as itself; with it, such a code unit the table does not hold is
// written as its character reference (see TCharTable::ReferencedCharacter).
// With StrictXML, a code unit XML forbids (controls other than tab, LF and CR; 0xFFFE;
// 0xFFFF) raises EXmlWriterInvalidString "\"%s\" is not a valid text." with the whole text;
// what precedes it stays appended.
void XmlEscape(std::u16string& aOutput, std::u16string_view aText, bool aInAttribute,
               const TXMLEscapeSettings& aSettings, const TCharTableSource& aSafeMode = {});
// The same, written straight into the buffer of a text writer (the XML writer's output).
void XmlEscape(TTextWriter& aOutput, std::u16string_view aText, bool aInAttribute,
               const TXMLEscapeSettings& aSettings, const TCharTableSource& aSafeMode = {});
