#include "XmlUtils.h"

#include "TextReadWrite.h"
#include "XmlMessages.h"

#include <array>

namespace {

struct TRange {
  char16_t first, last;
};

// NameStartChar of XML 1.0 (fifth edition) within the Basic Multilingual Plane.
constexpr TRange cNameStartRanges[] = {
    {u':', u':'},       {u'A', u'Z'},       {u'_', u'_'},       {u'a', u'z'},
    {0xC0, 0xD6},       {0xD8, 0xF6},       {0xF8, 0x2FF},      {0x370, 0x37D},
    {0x37F, 0x1FFF},    {0x200C, 0x200D},   {0x2070, 0x218F},   {0x2C00, 0x2FEF},
    {0x3001, 0xD7FF},   {0xF900, 0xFDCF},   {0xFDF0, 0xFFFD}};
// What NameChar adds to them.
constexpr TRange cNameOnlyRanges[] = {
    {u'-', u'.'}, {u'0', u'9'}, {0xB7, 0xB7}, {0x300, 0x36F}, {0x203F, 0x2040}};

constexpr std::array<uint8_t, 65536> BuildCharFlags() {
  std::array<uint8_t, 65536> flags{};
  for (unsigned c = 0x20; c <= 0xFFFD; ++c) flags[c] |= xcChar;
  for (char16_t c : {u'\t', u'\n', u'\r'}) flags[c] |= xcChar | xcWhiteSpace;
  flags[u' '] |= xcWhiteSpace;
  for (const TRange& r : cNameStartRanges)
    for (unsigned c = r.first; c <= r.last; ++c) flags[c] |= xcNameStart | xcName;
  for (const TRange& r : cNameOnlyRanges)
    for (unsigned c = r.first; c <= r.last; ++c) flags[c] |= xcName;
  for (unsigned c = u'0'; c <= u'9'; ++c) flags[c] |= xcDecimal | xcHex;
  for (unsigned c = 0; c < 6; ++c) flags[u'A' + c] |= xcHex, flags[u'a' + c] |= xcHex;
  // Escaping looks at every control code unit (tab, LF and CR have their own rules, the
  // others are forbidden), at the markup characters, and at the two non-characters.
  for (unsigned c = 0; c < 0x20; ++c) flags[c] |= xcEscape;
  for (char16_t c : {u'"', u'\'', u'&', u'<', u'>', char16_t(0xFFFE), char16_t(0xFFFF)})
    flags[c] |= xcEscape;
  return flags;
}

}  // namespace

// Built at compile time, so it is ready before any static initialiser runs.
alignas(64) constinit const std::array<uint8_t, 65536> XmlCharFlags = BuildCharFlags();

std::u16string_view XmlLineBreakText(TXMLLineBreak aLineBreak) noexcept {
  switch (aLineBreak) {
    case lbLF: return u"\n";
    case lbCR: return u"\r";
    default: return u"\r\n";
  }
}

std::u16string_view XmlLineBreakEntity(TXMLLineBreak aLineBreak) noexcept {
  switch (aLineBreak) {
    case lbLF: return u"&#xA;";
    case lbCR: return u"&#xD;";
    default: return u"&#xD;&#xA;";
  }
}

namespace {

bool AllHave(std::u16string_view aText, uint8_t aFlag) noexcept {
  for (char16_t c : aText)
    if (!(XmlCharFlags[c] & aFlag)) return false;
  return true;
}

}  // namespace

bool XmlIsValidName(std::u16string_view aName) noexcept {
  return !aName.empty() && XmlIsNameStartChar(aName[0]) && AllHave(aName.substr(1), xcName);
}

bool XmlIsValidEntityName(std::u16string_view aName) noexcept {
  if (aName.empty()) return false;
  if (aName.size() == 1) return XmlIsNameStartChar(aName[0]);
  if (aName[0] == u'#') {
    if (aName[1] == u'x') return AllHave(aName.substr(2), xcHex);
    return AllHave(aName.substr(1), xcDecimal);
  }
  return XmlIsValidName(aName);
}

// ---- TCharTable ----

TCharTable::TCharTable(const TEncoding& aEncoding) {
  std::vector<uint8_t> bytes;
  std::u16string unit(1, u'\0'), back;
  auto roundTrips = [&](char16_t c) {
    unit[0] = c;
    const size_t byteCount = aEncoding.EncodeInto(unit, bytes);
    if (byteCount == 0) return false;
    const size_t unitCount = aEncoding.DecodeInto(bytes.data(), byteCount, back);
    return unitCount == 1 && back[0] == c;
  };
  auto set = [&](char16_t c) { fFlags[c >> 6] |= uint64_t(1) << (c & 63); };
  if (aEncoding.IsSingleByte()) {
    // A code unit that survives the round trip encodes to one byte that decodes to it, so
    // the only candidates are the code units of the 256 single bytes.
    for (unsigned b = 0; b < 256; ++b) {
      const uint8_t byte = uint8_t(b);
      if (aEncoding.DecodeInto(&byte, 1, back) == 1 && roundTrips(back[0])) set(back[0]);
    }
  } else {
    for (unsigned c = 0; c <= 0xFFFF; ++c)
      if (roundTrips(char16_t(c))) set(char16_t(c));
  }
}

char32_t TCharTable::ReferencedCharacter(const char16_t* aText, const char16_t* aEnd, size_t& aUnits) noexcept {
  const char16_t* p = aText;
  const char32_t c = Utf16Next(p, aEnd);
  aUnits = static_cast<size_t>(p - aText);
  return c;
}

void TCharTable::AppendEntity(std::u16string& aOutput, char32_t c) {
  char16_t digits[7];
  int count = 0;
  uint32_t value = c;
  do {
    digits[count++] = char16_t(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  aOutput += u"&#";
  while (count > 0) aOutput += digits[--count];
  aOutput += u';';
}

std::u16string TCharTable::Entity(char32_t c) {
  std::u16string result;
  AppendEntity(result, c);
  return result;
}

// ---- XmlEscape ----

namespace {

// One escaping loop for both outputs; a text writer takes the pieces straight into its
// buffer, with no string in between.
void Put(std::u16string& aOutput, std::u16string_view aText) { aOutput += aText; }
void Put(std::u16string& aOutput, char16_t c) { aOutput += c; }
void PutEntity(std::u16string& aOutput, char32_t c) { TCharTable::AppendEntity(aOutput, c); }
void Put(TTextWriter& aOutput, std::u16string_view aText) { aOutput.WriteString(aText); }
void Put(TTextWriter& aOutput, char16_t c) { aOutput.WriteChar(c); }
void PutEntity(TTextWriter& aOutput, char32_t c) {
  // Built on the stack: in safe mode this runs for every character the encoding lacks.
  char16_t text[10];  // "&#", at most seven digits, ";"
  size_t first = 10;
  text[--first] = u';';
  uint32_t value = c;
  do {
    text[--first] = char16_t(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  text[--first] = u'#';
  text[--first] = u'&';
  aOutput.WriteString(std::u16string_view(text + first, 10 - first));
}
std::u16string_view Run(const char16_t* aFirst, const char16_t* aLast) {
  return std::u16string_view(aFirst, size_t(aLast - aFirst));
}

template <class TOutput>
void EscapeInto(TOutput& aOutput, std::u16string_view aText, bool aInAttribute,
                const TXMLEscapeSettings& aSettings, const TCharTableSource& aSafeMode) {
  const char16_t* const begin = aText.data();
  const char16_t* const end = begin + aText.size();
  const char16_t* run = begin;  // start of the pending unchanged run
  const char16_t* p = begin;
  const TCharTable* table = nullptr;
  const bool safe = bool(aSafeMode);
  const bool entitiesInAttribute = aInAttribute && aSettings.UseTabCRLFEntitiesInAttributes;
  const std::u16string_view lineBreak = entitiesInAttribute
                                            ? XmlLineBreakEntity(aSettings.LineBreak)
                                            : XmlLineBreakText(aSettings.LineBreak);

  while (p < end) {
    const char16_t c = *p;
    if (!(XmlCharFlags[c] & xcEscape)) {
      if (safe) {
        if (!table) table = &aSafeMode();
        if (!table->IsSupported(c)) {
          Put(aOutput, Run(run, p));
          size_t used;
          PutEntity(aOutput, TCharTable::ReferencedCharacter(p, end, used));
          p += used;
          run = p;
          continue;
        }
      }
      ++p;
      continue;
    }
    Put(aOutput, Run(run, p));
    run = p + 1;
    switch (c) {
      case u'\t':
        if (entitiesInAttribute)
          Put(aOutput, u"&#9;");
        else
          Put(aOutput, c);
        break;
      case u'\n':
      case u'\r':
        if (aSettings.LineBreak == lbDoNotProcess) {
          if (c == u'\r')
            Put(aOutput, u"&#xD;");
          else if (entitiesInAttribute)
            Put(aOutput, u"&#xA;");
          else
            Put(aOutput, c);
        } else if (!(c == u'\n' && p > begin && p[-1] == u'\r')) {
          // The CR of a CR LF pair already wrote the break.
          Put(aOutput, lineBreak);
        }
        break;
      case u'"':
        if (aInAttribute || aSettings.EscapeQuotes)
          Put(aOutput, u"&quot;");
        else
          Put(aOutput, c);
        break;
      case u'\'':
        if (aSettings.EscapeQuotes)
          Put(aOutput, u"&apos;");
        else
          Put(aOutput, c);
        break;
      case u'&': Put(aOutput, u"&amp;"); break;
      case u'<': Put(aOutput, u"&lt;"); break;
      case u'>':
        // Even without the entity, "]]>" cannot stand in text: no reader would take it.
        if (aSettings.UseGreaterThanEntity || (!aInAttribute && p - begin >= 2 && p[-1] == u']' && p[-2] == u']'))
          Put(aOutput, u"&gt;");
        else
          Put(aOutput, c);
        break;
      default:  // a code unit XML forbids
        if (aSettings.StrictXML)
          throw EXmlWriterInvalidString(Format(sXmlWriterInvalidText, {aText}));
        Put(aOutput, c);
        break;
    }
    ++p;
  }
  Put(aOutput, Run(run, end));
}

}  // namespace

void XmlEscape(std::u16string& aOutput, std::u16string_view aText, bool aInAttribute,
               const TXMLEscapeSettings& aSettings, const TCharTableSource& aSafeMode) {
  EscapeInto(aOutput, aText, aInAttribute, aSettings, aSafeMode);
}

void XmlEscape(TTextWriter& aOutput, std::u16string_view aText, bool aInAttribute,
               const TXMLEscapeSettings& aSettings, const TCharTableSource& aSafeMode) {
  EscapeInto(aOutput, aText, aInAttribute, aSettings, aSafeMode);
}
