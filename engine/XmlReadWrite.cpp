#include "XmlReadWrite.h"

#include <algorithm>
#include <cstring>

#include "XmlMessages.h"
#include "XmlScan.h"

// ---------------------------------------------------------------------------------------------
// Character classes

namespace XmlReaderDetail {

const TXMLCharKind cAsciiCharKind[128] = {
    // 0x00 - 0x0F
    ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid,
    ckInvalid, ckTab, ckLineFeed, ckInvalid, ckInvalid, ckCarriageReturn, ckInvalid, ckInvalid,
    // 0x10 - 0x1F
    ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid,
    ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid, ckInvalid,
    // 0x20 - 0x2F: space ! " # $ % & ' ( ) * + , - . /
    ckOther, ckOther, ckQuotationMark, ckOther, ckOther, ckOther, ckAmpersand, ckApostrophe,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    // 0x30 - 0x3F: 0-9 : ; < = > ?
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckLessThan, ckOther, ckGreaterThan, ckOther,
    // 0x40 - 0x5F: @ A-Z [ \ ] ^ _
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckLeftSquareBracket, ckOther, ckRightSquareBracket, ckOther, ckOther,
    // 0x60 - 0x7F
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther,
    ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther, ckOther};

}  // namespace XmlReaderDetail

namespace {

// The end of a name under the tolerant rules: control characters and space, quotes, "/", "<",
// "=", ">" and "?".
struct TNameStopTable {
  bool f[128] = {};
  constexpr TNameStopTable() {
    for (int c = 0; c <= 32; ++c) f[c] = true;
    for (char16_t c : std::u16string_view(u"\"'/<=>?")) f[c] = true;
  }
};
constexpr TNameStopTable cNameStop;

inline bool IsNameStop(char16_t c) { return c < 128 && cNameStop.f[c]; }
inline bool IsNameStart(char16_t c) { return XmlIsNameStartChar(c); }
inline bool IsNameChar(char16_t c) { return XmlIsNameChar(c); }
inline bool IsWhite(char16_t c) { return XmlIsWhiteSpace(c); }
// A record often gets a text as long as the one it held (the same name, a number of as many
// digits): it is then overwritten where it is, without a call.
inline void SetText(std::u16string& aTarget, const char16_t* aText, size_t aLength) {
  const size_t have = aTarget.size();
  if (aLength > have || aLength > 16) {
    aTarget.clear();
    aTarget.append(aText, aLength);
    return;
  }
  char16_t* target = aTarget.data();
  for (size_t k = 0; k < aLength; ++k) target[k] = aText[k];
  if (aLength < have) aTarget.resize(aLength);
}
inline bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }
// Names are short: a loop beats the library's compare there.
inline bool SameText(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k)
    if (a[k] != b[k]) return false;
  return true;
}

// Text that goes to the buffer as it is: everything but line breaks, "&", "<", ">", "]" and
// the code units XML forbids.
inline bool IsPlainText(char16_t c) {
  if (c >= 128) return c < 0xFFFE;
  const TXMLCharKind k = XmlReaderDetail::cAsciiCharKind[c];
  return k == ckOther || k == ckTab || k == ckApostrophe || k == ckQuotationMark || k == ckLeftSquareBracket;
}
// Stop predicates for TTextReader::ReadRun; each holds for CR and LF.
inline bool StopsPlainText(char16_t c) { return !IsPlainText(c); }
inline bool StopsName(char16_t c) { return !IsNameChar(c); }
// What a quoted attribute value takes as it is: all but line breaks, "&", "<" and forbidden
// code units (the closing quote is tested by the caller).
inline bool IsPlainValue(char16_t c) {
  if (c >= 128) return c < 0xFFFE;
  const TXMLCharKind k = XmlReaderDetail::cAsciiCharKind[c];
  return k != ckLineFeed && k != ckCarriageReturn && k != ckAmpersand && k != ckLessThan && k != ckInvalid;
}
// Indentation handed out as a view: a line break (CR LF, LF or CR) and up to cIndentSpaces
// spaces.
constexpr size_t cIndentSpaces = 128;
struct TIndentTexts {
  char16_t CRLF[2 + cIndentSpaces] = {};
  char16_t CR[1 + cIndentSpaces] = {};
  constexpr TIndentTexts() {
    CRLF[0] = CR[0] = u'\r';
    CRLF[1] = u'\n';
    for (size_t k = 0; k < cIndentSpaces; ++k) CRLF[2 + k] = CR[1 + k] = u' ';
  }
};
constexpr TIndentTexts cIndentTexts;

bool IsDeclarationKind(TXMLReaderTokenType t) { return t == rtOpenXMLDeclaration || t == rtXMLDeclarationAttribute; }
bool IsStartTagKind(TXMLReaderTokenType t) { return t == rtOpenElement || t == rtAttribute; }
bool IsHeaderKind(TXMLReaderTokenType t) { return IsDeclarationKind(t) || IsStartTagKind(t); }

// Records the error before raising it: with ehRaise the exception leaves right here.
void RaiseXmlError(TTextReader& aReader, bool& aErrorRecorded, TXMLErrorClass aClass, std::u16string_view aReason,
                   std::initializer_list<TFormatArg> aArgs) {
  aErrorRecorded = true;
  aReader.RaiseException(aClass == ecInvalidStructure ? TXMLParseErrorInvalidStructure::ClassType()
                                                     : TXMLParseErrorInvalidCharacter::ClassType(),
                         Format(aReason, aArgs));
}

// Character sources for the steps shared by document and DTD scanning. The capturing one
// mirrors every code unit consumed (and undone) into a buffer: the DOCTYPE token holds its
// internal subset exactly as read, also across decoding blocks.
struct TPlainSource {
  TTextReader& R;
  bool Read(char16_t& c) { return R.ReadNextChar(c); }
  void Undo() { R.UndoRead(); }
};

struct TCapturingSource {
  TTextReader& R;
  TXMLTokenBuffer* Capture;
  bool Read(char16_t& c) {
    if (!R.ReadNextChar(c)) return false;
    if (Capture) Capture->Add(c);
    return true;
  }
  void Undo() {
    if (R.Eof()) return;
    R.UndoRead();
    if (Capture) Capture->RemoveLast(1);
  }
};

template <class S>
void ProcessLineBreakT(char16_t c, TXMLLineBreak aLineBreak, S& aSource, TXMLTokenBuffer& aBuffer) {
  if (aLineBreak == lbDoNotProcess) {
    aBuffer.Add(c);
    return;
  }
  if (c == u'\r') {
    char16_t d;
    if (aSource.Read(d) && d != u'\n') aSource.Undo();
  }
  aBuffer.Add(XmlLineBreakText(aLineBreak));
}

}  // namespace

// One reference after its "&": the digits or name, everything consumed, and on success the
// replacement text (a view into the entity table or into Units).
// What follows the "&": it decides how the digits are read and how the token names the reference.
enum TXMLReferenceKind : uint8_t { rkNamed, rkDecimal, rkHex };

struct TXMLReferenceReader {
  std::u16string Name;
  std::u16string Raw;
  TXMLReferenceKind Kind = rkNamed;
  char16_t Units[2] = {};
  std::u16string_view Replacement;
  bool External = false;  // a declared external entity; Replacement is then Raw

  void ReportedNameTo(std::u16string& aTarget) const {
    static const std::u16string_view cPrefix[] = {u"", u"#", u"#x"};  // by TXMLReferenceKind
    aTarget.assign(cPrefix[Kind]);
    aTarget += Name;
  }

  template <class S>
  bool Read(S& aSource, const TXMLReaderSettings& aSettings) {
    Name.clear();
    Raw.assign(1, u'&');
    Kind = rkNamed;
    Replacement = {};
    External = false;
    char16_t c = 0;
    auto next = [&]() -> bool {
      if (!aSource.Read(c)) {
        c = 0;
        return false;
      }
      Raw.push_back(c);
      return true;
    };
    auto undo = [&](bool aGot) {
      if (aGot) {
        aSource.Undo();
        Raw.pop_back();
      }
    };
    bool got = next();
    if (got && c == u'#') {
      got = next();
      const bool hex = got && c == u'x';
      if (hex) {
        Kind = rkHex;
        got = next();
        while (got && XmlIsHexDigit(c)) {
          Name.push_back(c);
          got = next();
        }
      } else {
        Kind = rkDecimal;
        while (got && XmlIsDecimalDigit(c)) {
          Name.push_back(c);
          got = next();
        }
      }
      if (!(got && c == u';')) {
        undo(got);
        return false;
      }
      // hexadecimal must fit in 32 bits, decimal in a signed 32-bit number
      const uint64_t limit = hex ? 0xFFFFFFFFull : 0x7FFFFFFFull;
      uint64_t v = 0;
      if (Name.empty()) return false;
      for (char16_t d : Name) {
        unsigned digit = d <= u'9' ? d - u'0' : (d | 0x20) - u'a' + 10;
        v = v * (hex ? 16 : 10) + digit;
        if (v > limit) return false;
      }
      if (v > 0x10FFFF) return false;
      Replacement = std::u16string_view(Units, static_cast<size_t>(Utf16Put(static_cast<char32_t>(v), Units) - Units));
      if (aSettings.StrictXML())
        for (char16_t u : Replacement)
          if (!XmlIsChar(u)) return false;
      return true;
    }
    if (got && IsNameStart(c)) {
      do {
        Name.push_back(c);
        got = next();
      } while (got && IsNameChar(c));
      if (!(got && c == u';')) {
        undo(got);
        return false;
      }
      const std::u16string* value = aSettings.EntityList().FindValue(Name);
      if (!value) {
        // declared external: not an error, and the reference stays as written
        if (!aSettings.EntityList().IsExternal(Name)) return false;
        External = true;
        Replacement = Raw;
        return true;
      }
      Replacement = *value;
      return true;
    }
    undo(got);
    return false;
  }

  // Text a named reference adds beyond its own length; numeric references never add any.
  int64_t Excess() const {
    return Replacement.size() > Raw.size() ? static_cast<int64_t>(Replacement.size() - Raw.size()) : 0;
  }
};

// ---------------------------------------------------------------------------------------------
// DTD scanning: entity declarations of the internal subset or of an external DTD.

class TXMLDTDScanner {
public:
  TXMLDTDScanner(TXMLReaderSettings& aSettings, TTextReader& aReader, TXMLTokenBuffer* aCapture,
                 int64_t& aExpandedTotal, bool& aErrorRecorded)
      : fSettings(aSettings), fReader(aReader), fSource{aReader, aCapture}, fExpandedTotal(aExpandedTotal),
        fErrorRecorded(aErrorRecorded) {}

  // Inner: the internal subset of a DOCTYPE, up to and including its closing "]"; otherwise the
  // whole input.
  void ScanDTD(bool aInner) {
    fSettings.EntityList().Clear();
    char16_t w[8] = {};
    static const char16_t cEntity[8] = {u'<', u'!', u'E', u'N', u'T', u'I', u'T', u'Y'};
    char16_t quote = 0;
    char16_t c;
    bool got = fSource.Read(c);
    while (got && !fErrorRecorded && (!aInner || quote != 0 || c != u']')) {
      std::memmove(w, w + 1, sizeof(w) - sizeof(char16_t));
      w[7] = AsciiUpper(c);
      if (std::memcmp(w, cEntity, sizeof(w)) != 0) {
        // Comments and processing instructions are passed over whole: an apostrophe in one
        // opens no quote, and a declaration written in one declares nothing.
        const bool comment = c == u'-' && w[4] == u'<' && w[5] == u'!' && w[6] == u'-';
        if (quote == 0 && (comment || (c == u'?' && w[6] == u'<'))) {
          if (!SkipPast(comment ? std::u16string_view(u"-->") : std::u16string_view(u"?>"))) return;
          std::fill(w, w + 8, char16_t(0));
          got = fSource.Read(c);
          continue;
        }
        if (c == u'"' || c == u'\'') {
          if (quote == 0)
            quote = c;
          else if (c == quote)
            quote = 0;
        } else if (XmlCharKind(c) == ckInvalid && fSettings.StrictXML()) {
          Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(c)});
          return;
        }
        got = fSource.Read(c);
        continue;
      }
      got = fSource.Read(c);
      if (!got) break;
      if (IsWhite(c)) {
        ScanEntityDeclaration();
        if (fErrorRecorded) return;
        got = fSource.Read(c);
      }
    }
    // A literal that the input cuts off would swallow everything after its quote (a "]", the
    // document): an error in both modes, like a cut-off entity value.
    if (!got && quote != 0 && !fErrorRecorded) Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(0)});
  }

private:
  void Error(TXMLErrorClass aClass, std::u16string_view aReason, std::initializer_list<TFormatArg> aArgs) {
    RaiseXmlError(fReader, fErrorRecorded, aClass, aReason, aArgs);
  }

  bool SkipWhite(char16_t& c, bool aGot) {
    while (aGot && IsWhite(c)) aGot = fSource.Read(c);
    return aGot;
  }

  // Reads up to and including aClosing; false at the end of the input or after an error.
  bool SkipPast(std::u16string_view aClosing) {
    char16_t w[3] = {};
    const size_t n = aClosing.size();
    char16_t c;
    while (fSource.Read(c)) {
      if (XmlCharKind(c) == ckInvalid && fSettings.StrictXML()) {
        Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(c)});
        return false;
      }
      for (size_t i = 1; i < n; ++i) w[i - 1] = w[i];
      w[n - 1] = c;
      if (std::u16string_view(w, n) == aClosing) return true;
    }
    return false;
  }

  // A quoted system or public literal, taken whole; c holds the opening quote, then the code
  // unit after the closing one (aGot false at the end of the input).
  bool SkipLiteral(char16_t& c, bool& aGot) {
    if (!aGot || (c != u'"' && c != u'\'')) return false;
    const char16_t q = c;
    while ((aGot = fSource.Read(c)))
      if (c == q) {
        aGot = fSource.Read(c);
        return true;
      }
    return false;
  }

  // The keyword at c (letters only, case-sensitive as XML writes it); c ends up after it.
  bool TakeKeyword(char16_t& c, bool& aGot, std::u16string_view aKeyword) {
    fKeyword.clear();
    while (aGot && ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z'))) {
      fKeyword.push_back(c);
      aGot = fSource.Read(c);
    }
    return fKeyword == aKeyword;
  }

  // SYSTEM "uri" or PUBLIC "id" "uri", then for a general entity an optional NDATA name; c is
  // the first code unit of the keyword. The literals are kept nowhere: they are never opened.
  bool ScanExternalId(char16_t& c, bool& aGot) {
    const bool system = c == u'S';
    if (!TakeKeyword(c, aGot, system ? u"SYSTEM" : u"PUBLIC")) return false;
    if (!aGot || !IsWhite(c)) return false;
    aGot = SkipWhite(c, aGot);
    if (!SkipLiteral(c, aGot)) return false;
    if (!system) {
      aGot = SkipWhite(c, aGot);
      if (!SkipLiteral(c, aGot)) return false;
    }
    aGot = SkipWhite(c, aGot);
    if (aGot && c == u'N') {
      if (!TakeKeyword(c, aGot, u"NDATA") || !aGot || !IsWhite(c)) return false;
      aGot = SkipWhite(c, aGot);
      if (!aGot || !IsNameStart(c)) return false;
      while (aGot && IsNameChar(c)) aGot = fSource.Read(c);
    }
    return true;
  }

  void ScanEntityDeclaration() {
    char16_t c;
    bool got = SkipWhite(c, fSource.Read(c));
    bool parameter = false;
    if (got && c == u'%') {
      parameter = true;
      got = SkipWhite(c, fSource.Read(c));
    }
    if (!got || !IsNameStart(c)) {
      Error(ecInvalidCharacter, sXmlCharInElementHeader, {XmlMessageChar(got ? c : 0)});
      return;
    }
    fName.clear();
    do {
      fName.push_back(c);
      got = fSource.Read(c);
    } while (got && IsNameChar(c));
    got = SkipWhite(c, got);
    if (got && (c == u'S' || c == u'P')) {
      if (!ScanExternalId(c, got)) {
        Error(ecInvalidCharacter, sXmlEntityValueNotQuoted, {fName});
        return;
      }
      if (!parameter) fSettings.EntityList().AddExternal(fName);
      while (got && c != u'>') got = fSource.Read(c);
      return;
    }
    if (!got || (c != u'"' && c != u'\'')) {
      Error(ecInvalidCharacter, sXmlEntityValueNotQuoted, {fName});
      return;
    }
    const char16_t q = c;
    const bool strict = fSettings.StrictXML();
    fValue.Clear();
    while ((got = fSource.Read(c)) && c != q) {
      switch (XmlCharKind(c)) {
        case ckLineFeed:
        case ckCarriageReturn:
          ProcessLineBreakT(c, fSettings.LineBreak(), fSource, fValue);
          break;
        case ckAmpersand:
          if (fRef.Read(fSource, fSettings)) {
            fValue.Add(fRef.Replacement);
            if (!CheckExpansion()) return;
          } else if (strict) {
            Error(ecInvalidCharacter, sXmlInvalidEntity, {fRef.Raw});
            return;
          } else {
            fValue.Add(fRef.Raw);
          }
          break;
        case ckInvalid:
          if (strict) {
            Error(ecInvalidCharacter, sXmlCharInAttribute, {XmlMessageChar(c)});
            return;
          }
          fValue.Add(c);
          break;
        default:
          fValue.Add(c);
      }
    }
    if (!got) {
      // the input ended before the closing quote: what was read is not the value
      Error(ecInvalidCharacter, sXmlEntityValueNotQuoted, {fName});
      return;
    }
    if (!parameter) fSettings.EntityList().AddOrReplace(fName, std::u16string(fValue.View()));
    while (got && c != u'>') got = fSource.Read(c);
  }

  // Nested declarations grow exponentially: each entity and the whole DTD are capped.
  bool CheckExpansion() {
    fExpandedTotal += fRef.Excess();
    if (fExpandedTotal > cXmlExpansionFloor) {
      const std::u16string exceeded = ExpansionExceeded(fExpandedTotal, fReader.FilePosition());
      if (!exceeded.empty()) {
        Error(ecInvalidStructure, u"%s", {exceeded});
        return false;
      }
    }
    if (static_cast<int64_t>(fValue.Length()) > cXmlMaxEntityLength) {
      Error(ecInvalidStructure, sXmlEntityTooLong, {fName, cXmlMaxEntityLength});
      return false;
    }
    return true;
  }

  TXMLReaderSettings& fSettings;
  TTextReader& fReader;
  TCapturingSource fSource;
  int64_t& fExpandedTotal;
  bool& fErrorRecorded;
  TXMLReferenceReader fRef;
  std::u16string fName;
  std::u16string fKeyword;
  TXMLTokenBuffer fValue{256};
};

// ---------------------------------------------------------------------------------------------
// TXMLReaderTokenList

void TXMLReaderTokenList::AddRecord() { fReaderTokens.push_back(std::make_unique<TXMLReaderToken>()); }

PXMLReaderToken TXMLReaderTokenList::GetToken(int32_t aIndex) const {
  if (aIndex < 0 || static_cast<size_t>(aIndex) >= fReaderTokens.size())
    throw EArgumentOutOfRange(u"Argument out of range");
  return fReaderTokens[static_cast<size_t>(aIndex)].get();
}

int32_t TXMLReaderTokenList::IndexOf(const TXMLReaderToken* aToken) const {
  for (int32_t i = 0; i < fCount; ++i)
    if (fReaderTokens[static_cast<size_t>(i)].get() == aToken) return i;
  return -1;
}

// ---------------------------------------------------------------------------------------------
// TXMLReaderEntityList

TXMLReaderEntityList::TXMLReaderEntityList() { AddPredefined(); }

namespace {
const char16_t* const cPredefinedNames[5] = {u"quot", u"amp", u"apos", u"lt", u"gt"};
const char16_t* const cPredefinedValues[5] = {u"\"", u"&", u"'", u"<", u">"};
}  // namespace

void TXMLReaderEntityList::AddPredefined() {
  for (int i = 0; i < 5; ++i) fList.Add(cPredefinedNames[i], cPredefinedValues[i]);
  fPredefinedIntact = true;
}

void TXMLReaderEntityList::CheckPredefined() {
  fPredefinedIntact = fList.Count() >= 5;
  for (int32_t i = 0; i < 5 && fPredefinedIntact; ++i)
    fPredefinedIntact = fList.GetKey(i) == cPredefinedNames[i] && fList.GetValue(i) == cPredefinedValues[i];
}

void TXMLReaderEntityList::Clear() {
  fList.Clear();
  fExternal.clear();
  AddPredefined();
}

void TXMLReaderEntityList::AddOrReplace(const std::u16string& aEntityName, const std::u16string& aEntityValue) {
  const int32_t i = fList.Add(aEntityName, aEntityValue);
  if (static_cast<size_t>(i) < fExternal.size()) fExternal[static_cast<size_t>(i)] = false;
  if (i < 5) CheckPredefined();
}

void TXMLReaderEntityList::AddExternal(const std::u16string& aEntityName) {
  const int32_t known = fList.IndexOf(aEntityName);
  if (known >= 0 && known < 5) return;  // quot, amp, apos, lt, gt keep their meaning
  const size_t i = static_cast<size_t>(fList.Add(aEntityName, u""));
  if (fExternal.size() <= i) fExternal.resize(i + 1, false);
  fExternal[i] = true;
}

bool TXMLReaderEntityList::IsExternal(std::u16string_view aEntityName) const {
  if (fExternal.empty()) return false;
  const int32_t i = fList.IndexOf(aEntityName);
  return i >= 0 && static_cast<size_t>(i) < fExternal.size() && fExternal[static_cast<size_t>(i)];
}

bool TXMLReaderEntityList::Find(const std::u16string& aEntityName, std::u16string& outEntityValue) const {
  const std::u16string* value = FindValue(aEntityName);
  if (!value) {
    outEntityValue.clear();
    return false;
  }
  outEntityValue = *value;
  return true;
}

const std::u16string* TXMLReaderEntityList::FindValue(std::u16string_view aEntityName) const {
  const int32_t i = fList.IndexOf(aEntityName);
  if (i < 0 || (static_cast<size_t>(i) < fExternal.size() && fExternal[static_cast<size_t>(i)])) return nullptr;
  return &fList.GetValue(i);
}

int32_t TXMLReaderEntityList::IndexOf(const std::u16string& aEntityName) const { return fList.IndexOf(aEntityName); }
std::u16string TXMLReaderEntityList::GetName(int32_t aIndex) const { return fList.GetKey(aIndex); }
std::u16string TXMLReaderEntityList::GetValue(int32_t aIndex) const { return fList.GetValue(aIndex); }
void TXMLReaderEntityList::SetValue(int32_t aIndex, const std::u16string& aValue) {
  fList.SetValue(aIndex, aValue);
  if (aIndex < 5) CheckPredefined();
}

std::pair<std::u16string, std::u16string> TXMLReaderEntityList::GetItem(int32_t aIndex) const {
  return {fList.GetKey(aIndex), fList.GetValue(aIndex)};
}

int32_t TXMLReaderEntityList::Count() const { return fList.Count(); }

void TXMLReaderEntityList::Assign(const TPersistent& aSource) {
  const auto* source = dynamic_cast<const TXMLReaderEntityList*>(&aSource);
  if (!source) {
    TPersistent::Assign(aSource);
    return;
  }
  if (source == this) return;
  fList.Clear();
  for (int32_t i = 0; i < source->fList.Count(); ++i) fList.Add(source->fList.GetKey(i), source->fList.GetValue(i));
  fExternal = source->fExternal;
  CheckPredefined();
}

// ---------------------------------------------------------------------------------------------
// TXMLReaderSettings

TXMLReaderSettings::TXMLReaderSettings() : fEntityList(std::make_unique<TXMLReaderEntityList>()) {}

void TXMLReaderSettings::Assign(const TPersistent& aSource) {
  const auto* source = dynamic_cast<const TXMLReaderSettings*>(&aSource);
  if (!source) {
    TPersistent::Assign(aSource);
    return;
  }
  fBreakReading = source->fBreakReading;
  fLineBreak = source->fLineBreak;
  fStrictXML = source->fStrictXML;
  fRecognizeXMLDeclaration = source->fRecognizeXMLDeclaration;
  fErrorHandling = source->fErrorHandling;
  fExpandEntities = source->fExpandEntities;
  fEntityList->Assign(*source->fEntityList);
}

namespace {
bool ScanExternalDTD(TXMLReaderSettings& aSettings, TTextReader& aReader) {
  aReader.SetErrorHandling(aSettings.ErrorHandling());
  int64_t expanded = 0;
  bool error = false;
  TXMLDTDScanner scanner(aSettings, aReader, nullptr, expanded, error);
  scanner.ScanDTD(false);
  return !error;
}
constexpr int32_t cReaderBlockSize = 16384;
}  // namespace

bool TXMLReaderSettings::LoadDTDFromStream(TStream* aStream, TEncoding* aDefaultEncoding) {
  TTextReader reader(cReaderBlockSize);
  reader.InitStream(aStream, aDefaultEncoding);
  return ScanExternalDTD(*this, reader);
}

bool TXMLReaderSettings::LoadDTDFromFile(const std::u16string& aFileName, TEncoding* aDefaultEncoding) {
  TFileStream stream(aFileName, fmOpenRead);
  return LoadDTDFromStream(&stream, aDefaultEncoding);
}

bool TXMLReaderSettings::LoadDTDFromString(std::u16string_view aString) {
  TVirtualMemoryStream stream;
  stream.SetString(aString);
  return LoadDTDFromStream(&stream, TEncoding::Unicode());
}

bool TXMLReaderSettings::LoadDTDFromString_UTF8(std::string_view aString) {
  TVirtualMemoryStream stream;
  stream.SetString_UTF8(aString);
  return LoadDTDFromStream(&stream, TEncoding::UTF8());
}

bool TXMLReaderSettings::LoadFromBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aDefaultEncoding) {
  TVirtualMemoryStream stream;
  stream.SetBuffer(aBuffer);
  return LoadDTDFromStream(&stream, aDefaultEncoding);
}

bool TXMLReaderSettings::LoadFromBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aDefaultEncoding) {
  TVirtualMemoryStream stream;
  stream.SetPointer(aBuffer, aBufferLength > 0 ? aBufferLength : 0);
  return LoadDTDFromStream(&stream, aDefaultEncoding);
}

// ---------------------------------------------------------------------------------------------
// Scanning helpers

TXMLTokenBuffer::TXMLTokenBuffer(size_t aInitialCapacity)
    : fData(std::make_unique<char16_t[]>(aInitialCapacity > 0 ? aInitialCapacity : 1)),
      fCapacity(aInitialCapacity > 0 ? aInitialCapacity : 1) {}

void TXMLTokenBuffer::Grow(size_t aMinExtra) {
  size_t capacity = fCapacity * 2;
  if (capacity - fLength < aMinExtra) capacity = fLength + aMinExtra;
  auto data = std::make_unique<char16_t[]>(capacity);
  std::char_traits<char16_t>::copy(data.get(), fData.get(), fLength);
  fData = std::move(data);
  fCapacity = capacity;
}

void ProcessLineBreak(char16_t c, const TXMLReaderSettings& aSettings, TTextReader& aReader,
                      TXMLTokenBuffer& aBuffer) {
  TPlainSource source{aReader};
  ProcessLineBreakT(c, aSettings.LineBreak(), source, aBuffer);
}

// ---------------------------------------------------------------------------------------------
// TXMLReader

TXMLReader::TXMLReader()
    : fReaderSettings(std::make_unique<TXMLReaderSettings>()),
      fReader(std::make_unique<TTextReader>(cReaderBlockSize)),
      fMainBuffer(512),
      fReference(std::make_unique<TXMLReferenceReader>()) {
  fReaderToken = fOpenElementTokens.PeekNew();
}

TXMLReader::TXMLReader(TStream* aStream, TEncoding* aForceEncoding) : TXMLReader() {
  InitStream(aStream, aForceEncoding);
}

TXMLReader::~TXMLReader() = default;

void TXMLReader::InitFile(const std::u16string& aFileName, TEncoding* aForceEncoding) {
  fReader->InitFile(aFileName, TEncoding::UTF8());
  ResetState(aForceEncoding);
}

void TXMLReader::InitStream(TStream* aStream, TEncoding* aForceEncoding) {
  fReader->InitStream(aStream, TEncoding::UTF8());
  ResetState(aForceEncoding);
}

void TXMLReader::InitBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aForceEncoding) {
  fReader->InitBuffer(aBuffer, TEncoding::UTF8());
  ResetState(aForceEncoding);
}

void TXMLReader::InitBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aForceEncoding) {
  fReader->InitBuffer(aBuffer, aBufferLength, TEncoding::UTF8());
  ResetState(aForceEncoding);
}

void TXMLReader::InitXML(std::u16string_view aXML) {
  fReader->InitString(aXML);
  ResetState(TEncoding::Unicode());
}

void TXMLReader::InitXML_UTF8(std::string_view aXML) {
  fReader->InitString_UTF8(aXML);
  ResetState(TEncoding::UTF8());
}

void TXMLReader::ResetState(TEncoding* aForceEncoding) {
  fAllowSetEncodingFromFile = !fReader->BOMFound();
  fDocumentElementFound = false;
  fElementsToClose = 0;
  fLastTokenType = rtDocumentStart;
  fErrorRecorded = false;
  fExpandedTotal = 0;
  ClearElements();
  fReaderToken = fOpenElementTokens.PeekNew();
  if (fAttributeTokens) fAttributeTokens->Clear();
  if (fAttributeViews) fAttributeViews->clear();
  fNameView = fValueView = {};
  fReader->SetErrorHandling(fReaderSettings->ErrorHandling());
  fReader->BlockFlushTempBuffer();
  if (aForceEncoding) {
    fReader->SetEncoding(aForceEncoding);
    fForceEncoding = true;
  } else {
    fForceEncoding = false;
  }
}

void TXMLReader::ReleaseDocument() { fReader->ReleaseDocument(); }

void TXMLReader::SetAttributeTokens(TXMLReaderTokenList* aAttributeTokens) {
  fAttributeTokens = aAttributeTokens;
  fReaderToken = fOpenElementTokens.PeekNew();
}

void TXMLReader::SetTokenViews(std::vector<TXMLAttributeView>* aAttributeViews) {
  fAttributeViews = aAttributeViews;
  fNameView = fValueView = {};
}

// The value of a token without a name (text, comment, CDATA) that a fast path read: a view for
// the event parser, otherwise copied into the record.
void TXMLReader::SetTokenValue(std::u16string_view aValue) {
  if (fAttributeViews) {
    fNameView = {};
    fValueView = aValue;
    fViewsSet = true;
  } else {
    fReaderToken->TokenName.clear();
    SetText(fReaderToken->TokenValue, aValue.data(), aValue.size());
  }
}

// The views of a token that a general scan put into its record; at the end of a header, the
// attributes the attribute list gathered.
void TXMLReader::ViewsFromRecords() {
  fNameView = fReaderToken->TokenName;
  fValueView = fReaderToken->TokenValue;
  const TXMLReaderTokenType kind = fReaderToken->TokenType;
  if (kind == rtFinishOpenElement || kind == rtFinishOpenElementClose || kind == rtFinishXMLDeclarationClose) {
    fAttributeViews->clear();
    if (fAttributeTokens)
      for (int32_t k = 0; k < fAttributeTokens->Count(); ++k) {
        const PXMLReaderToken a = fAttributeTokens->GetToken(k);
        fAttributeViews->push_back({a->TokenName, a->TokenValue});
      }
  }
}

void TXMLReader::Error(TXMLErrorClass aClass, std::u16string_view aReason, std::initializer_list<TFormatArg> aArgs) {
  RaiseXmlError(*fReader, fErrorRecorded, aClass, aReason, aArgs);
}

// The first attribute of a header starts the list of its names anew.
void TXMLReader::StartHeaderNames() {
  fHeaderChars.Clear();
  fHeaderNameCount = 0;
  if (!fHeaderNameSet.empty()) fHeaderNameSet.clear();
}

bool TXMLReader::HeaderSetHasName(std::u16string_view aName) const {
  return fHeaderNameSet.count(std::u16string(aName)) > 0;
}

void TXMLReader::AddHeaderSetName(std::u16string_view aName) {
  if (fHeaderNameCount == cLinearNames)
    for (size_t k = 0; k < cLinearNames; ++k) fHeaderNameSet.emplace(HeaderName(k));
  fHeaderNameSet.emplace(aName);
  ++fHeaderNameCount;
}

// Remembers aName as an attribute of the current header; true when it was already there.
bool TXMLReader::IsRepeatedAttribute(std::u16string_view aName) {
  const uint64_t key = HeaderNameKey(aName);
  if (HeaderHasName(aName, key)) return true;
  AddHeaderName(aName, key);
  return false;
}

// The open-element stack, with the name index kept in step once it exists.
void TXMLReader::PushElement() {
  if (fOpenNameIndexOn) fOpenNameIndex[fReaderToken->TokenName].push_back(fOpenElementTokens.Count());
  fOpenElementTokens.CommitNew();
}

void TXMLReader::ClearElements() {
  fOpenElementTokens.Clear();
  fOpenNameIndex.clear();
  fOpenNameIndexOn = false;
}

// Innermost open element below the innermost one that carries aName, or -1.
int32_t TXMLReader::FindOpenElement(const std::u16string& aName) {
  const int32_t n = fOpenElementTokens.Count();
  if (!fOpenNameIndexOn) {
    if (n <= 64) {
      for (int32_t i = n - 2; i >= 0; --i)
        if (fOpenElementTokens.GetToken(i)->TokenName == aName) return i;
      return -1;
    }
    for (int32_t i = 0; i < n; ++i) fOpenNameIndex[fOpenElementTokens.GetToken(i)->TokenName].push_back(i);
    fOpenNameIndexOn = true;
  }
  auto it = fOpenNameIndex.find(aName);
  if (it == fOpenNameIndex.end()) return -1;
  // the innermost element carries another name, so the last index lies below it
  for (auto j = it->second.rbegin(); j != it->second.rend(); ++j)
    if (*j <= n - 2) return *j;
  return -1;
}

bool TXMLReader::ReadNextToken(PXMLReaderToken& outToken) {
  if (fErrorRecorded) {
    outToken = fReaderToken;
    return false;
  }
  if (fElementsToClose > 0) {
    fReaderToken = fOpenElementTokens.Last();
    fReaderToken->TokenValue.clear();
    fReaderToken->TokenType = rtCloseElement;
    PopElement(false);
    fLastTokenType = rtCloseElement;
    outToken = fReaderToken;
    --fElementsToClose;
    if (fAttributeViews) ViewsFromRecords();
    return true;
  }
  if (fReaderSettings->BreakReading() == brAfterDocumentElement && fDocumentElementFound &&
      fOpenElementTokens.Count() == 0) {
    outToken = fReaderToken;
    return false;
  }
  fViewsSet = fValueBlank = false;
  if (!ReadToken()) return false;
  outToken = fReaderToken;
  fLastTokenType = fReaderToken->TokenType;
  if (fAttributeViews && !fViewsSet) ViewsFromRecords();
  return !fErrorRecorded;
}

// The start of the next token straight from the block: in a start tag the blanks and the
// attribute, "/>" or ">" after them; elsewhere "<" with the "/" or the name that follows it.
// False, having consumed nothing, for everything else.
inline bool TXMLReader::FastNext() {
  TTextReader& r = *fReader;
  const int32_t i = r.Index(), end = r.ScanEnd();
  if (end - i < 2 || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  fReaderToken = fOpenElementTokens.PeekNew();
  if (IsStartTagKind(fLastTokenType)) {
    int32_t j = i;
    while (j < end && IsBlank(b[j])) ++j;
    if (j + 1 >= end) return false;
    const char16_t c = b[j];
    if (c == u'>') {
      r.SkipTo(j + 1);
      ScanTagEnd();
      return true;
    }
    if (c == u'/') {
      if (b[j + 1] != u'>') return false;
      r.SkipTo(j + 2);
      if (fOpenElementTokens.Count() > 0) fReaderToken = fOpenElementTokens.Last();
      fReaderToken->TokenValue.clear();
      fReaderToken->TokenType = rtFinishOpenElementClose;
      PopElement(false);
      return true;
    }
    if (!IsNameStart(c)) return false;
    r.SkipTo(j + 1);
    if (!FastAttribute(c)) ScanAttributeFrom(c, true);
    return true;
  }
  if (IsHeaderKind(fLastTokenType)) return false;
  if (b[i] != u'<') {
    // text, unless its first code unit is one the token loop looks at first
    const char16_t t = b[i];
    if (t == u'/' || t == u'>' || t == u'?' || (t == u'&' && !fReaderSettings->ExpandEntities())) return false;
    char16_t c;
    Read(c);  // counts a line break
    if (!FastText(c)) ScanTextFrom(true, c);
    return true;
  }
  const char16_t c = b[i + 1];
  if (c == u'/') {
    r.SkipTo(i + 2);
    if (!FastEndTag()) ScanEndTag();
    return true;
  }
  if (!IsNameStart(c)) return false;
  if (fAttributeViews && FastWholeStartTag(i + 1)) return true;
  r.SkipTo(i + 2);
  if (!FastStartTag(c)) {
    fMainBuffer.Clear();
    ScanStartTagName(c);
  }
  return true;
}

// One token into fReaderToken; false at the end of the input.
inline bool TXMLReader::ReadToken() {
  if (FastNext()) return true;
  for (;;) {
    fReaderToken = fOpenElementTokens.PeekNew();
    char16_t c;
    if (!Read(c)) {
      ReleaseDocument();
      if (Strict() && fOpenElementTokens.Count() > 0) Error(ecInvalidStructure, sXmlUnclosedElements, {});
      return false;
    }
    const bool header = IsHeaderKind(fLastTokenType);
    switch (c) {
      case u'/':
        if (IsStartTagKind(fLastTokenType)) {
          if (!ScanEmptyTagEnd()) continue;
        } else {
          Undo();
          ScanText(true);
        }
        return true;
      case u'<':
        if (header) {
          if (Strict()) {
            Error(ecInvalidCharacter, sXmlCharInElementHeader, {u"<"});
          } else {
            Undo();
            ScanAttribute();
          }
        } else {
          ScanMarkup();
        }
        return true;
      case u'>':
        if (header) {
          ScanTagEnd();
        } else {
          Undo();
          ScanText(true);
        }
        return true;
      case u'?':
        if (IsDeclarationKind(fLastTokenType)) {
          if (!ScanEmptyTagEnd()) continue;
        } else {
          Undo();
          ScanText(true);
        }
        return true;
      default:
        if (header) {
          bool got = true;
          while (IsWhite(c))
            if (!Read(c)) {
              c = 0;
              got = false;
              break;
            }
          if ((c == u'/' && IsStartTagKind(fLastTokenType)) || (c == u'?' && IsDeclarationKind(fLastTokenType))) {
            if (!ScanEmptyTagEnd()) continue;
          } else if (c == u'>' && IsStartTagKind(fLastTokenType)) {
            ScanTagEnd();
          } else {
            // the scan starts from c itself rather than from an undo and a second read
            if (!(got && FastAttribute(c))) ScanAttributeFrom(c, got);
          }
        } else if (c == u'&' && !fReaderSettings->ExpandEntities()) {
          ScanReferenceToken();
        } else {
          if (!FastText(c)) ScanTextFrom(true, c);
        }
        return true;
    }
  }
}

// ---------------------------------------------------------------------------------------------
// Fast paths. Most tokens of a document lie whole in the decoded block and have a simple shape;
// these read them with one pass over the block and copy their text once, into the token record.
// They take exactly what the general scans would take and consume nothing (apart from the
// token buffer's content) when a token does not fit: the general scan then reads it from the
// same place and reports whatever there is to report.


// A character reference, or one of the five predefined entities while they keep their meaning,
// at b[i] == '&': its text goes to aOut and the index after its ";" is returned; -1 for every
// other reference and for what is not one, which the general scan handles.
int32_t TXMLReader::FastReference(const char16_t* b, int32_t i, int32_t end, TXMLTokenBuffer& aOut) const {
  int32_t j = i + 1;
  if (j >= end) return -1;
  if (b[j] == u'#') {
    ++j;
    const bool hex = j < end && b[j] == u'x';
    if (hex) ++j;
    const int32_t digits = j;
    const uint64_t limit = hex ? 0xFFFFFFFFull : 0x7FFFFFFFull;
    uint64_t v = 0;
    for (; j < end && (hex ? XmlIsHexDigit(b[j]) : XmlIsDecimalDigit(b[j])); ++j) {
      const char16_t d = b[j];
      const unsigned digit = d <= u'9' ? d - u'0' : (d | 0x20) - u'a' + 10;
      v = v * (hex ? 16 : 10) + digit;
      if (v > limit) return -1;
    }
    if (j >= end || b[j] != u';' || j == digits || v > 0x10FFFF) return -1;
    char16_t units[2];
    const size_t n = static_cast<size_t>(Utf16Put(static_cast<char32_t>(v), units) - units);
    if (Strict())
      for (size_t k = 0; k < n; ++k)
        if (!XmlIsChar(units[k])) return -1;
    aOut.Add(std::u16string_view(units, n));
    return j + 1;
  }
  if (!fReaderSettings->EntityList().PredefinedIntact()) return -1;
  // amp; apos; lt; gt; quot;
  auto is = [&](std::u16string_view aText) {
    if (end - j < static_cast<int32_t>(aText.size())) return false;
    for (size_t k = 0; k < aText.size(); ++k)
      if (b[j + static_cast<int32_t>(k)] != aText[k]) return false;
    return true;
  };
  char16_t c;
  int32_t length;
  switch (b[j]) {
    case u'a':
      if (is(u"amp;")) {
        c = u'&';
        length = 4;
      } else if (is(u"apos;")) {
        c = u'\'';
        length = 5;
      } else {
        return -1;
      }
      break;
    case u'l':
      if (!is(u"lt;")) return -1;
      c = u'<';
      length = 3;
      break;
    case u'g':
      if (!is(u"gt;")) return -1;
      c = u'>';
      length = 3;
      break;
    case u'q':
      if (!is(u"quot;")) return -1;
      c = u'"';
      length = 5;
      break;
    default:
      return -1;
  }
  aOut.Add(c);
  return j + length;
}

// A start tag's name; c, its first code unit, has just been read.
bool TXMLReader::FastStartTag(char16_t c) {
  TTextReader& r = *fReader;
  const int32_t start = r.Index() - 1, end = r.ScanEnd();
  if (start < 0 || end < 0 || fAllowSetEncodingFromFile || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  int32_t i = start + 1;
  if (Strict()) {
    if (!IsNameStart(c)) return false;
    while (i < end && IsNameChar(b[i])) ++i;
    if (i >= end || !(b[i] == u'/' || b[i] == u'>' || IsWhite(b[i]))) return false;
  } else {
    if (!IsNameChar(c)) return false;
    while (i < end && !IsNameStop(b[i])) ++i;
    if (i >= end) return false;
  }
  SetText(fReaderToken->TokenName, b + start, static_cast<size_t>(i - start));
  // "/" and ">" stay for the next token; anything else after the name is consumed
  const char16_t t = b[i];
  if (t == u'\r' || t == u'\n')
    r.SkipTo(i + 1, 1, i);
  else
    r.SkipTo(t == u'/' || t == u'>' ? i : i + 1);
  fDocumentElementFound = true;
  fReaderToken->TokenValue.clear();
  fReaderToken->TokenType = rtOpenElement;
  PushElement();
  if (fAttributeTokens) fAttributeTokens->Clear();
  return true;
}

// For the event parser: a start tag with all its attributes, whole in the block and of the
// common shape (blanks between its parts, quoted values, no line break), read in one pass
// from its name at b[aNameStart] up to its ">" or "/>". The tag comes as one token, its
// attributes as views into the block (or into fTagValues for values that references changed).
// It takes exactly what the tokens of its name and attributes would take and consumes nothing
// when the tag does not fit.
bool TXMLReader::FastWholeStartTag(int32_t aNameStart) {
  // a strict header with many names: the general scan's set keeps the repeat check linear
  constexpr size_t cMaxStrictAttributes = 32;
  if (fAllowSetEncodingFromFile) return false;
  TTextReader& r = *fReader;
  const int32_t end = r.ScanEnd();
  const char16_t* const b = r.Block();
  const bool strict = Strict();
  int32_t i = aNameStart + 1;
  if (strict) {
    while (i < end && IsNameChar(b[i])) ++i;
  } else {
    while (i < end && !IsNameStop(b[i])) ++i;
  }
  const int32_t nameEnd = i;
  if (i >= end || !(IsBlank(b[i]) || b[i] == u'/' || b[i] == u'>')) return false;
  std::vector<TXMLAttributeView>& views = *fAttributeViews;
  views.clear();
  fTagValues.Clear();
  fTagChanged.clear();
  bool empty;
  for (;;) {
    while (i < end && IsBlank(b[i])) ++i;
    if (i + 1 >= end) return false;
    const char16_t c = b[i];
    if (c == u'>') {
      empty = false;
      ++i;
      break;
    }
    if (c == u'/') {
      if (b[i + 1] != u'>') return false;
      empty = true;
      i += 2;
      break;
    }
    if (!IsNameStart(c)) return false;
    const int32_t start = i++;
    if (strict) {
      while (i < end && IsNameChar(b[i])) ++i;
    } else {
      while (i < end && !IsNameStop(b[i])) ++i;
    }
    const std::u16string_view name(b + start, static_cast<size_t>(i - start));
    while (i < end && IsBlank(b[i])) ++i;
    if (i >= end || b[i] != u'=') return false;
    ++i;
    while (i < end && IsBlank(b[i])) ++i;
    if (i >= end || (b[i] != u'"' && b[i] != u'\'')) return false;
    const char16_t q = b[i++];
    const int32_t valueStart = i;
    int32_t copied = valueStart;  // b[valueStart .. copied) is in fTagValues
    const size_t valuesFrom = fTagValues.Length();
    bool changed = false;
    for (;;) {
      i = static_cast<int32_t>(XmlValueRunEnd(b + i, b + end, q) - b);
      if (i >= end) return false;
      if (b[i] == q) break;
      if (b[i] != u'&') return false;
      changed = true;
      fTagValues.Add(std::u16string_view(b + copied, static_cast<size_t>(i - copied)));
      i = FastReference(b, i, end, fTagValues);
      if (i < 0) return false;
      copied = i;
    }
    if (strict) {
      if (views.size() >= cMaxStrictAttributes) return false;
      for (const TXMLAttributeView& v : views)
        if (SameText(v.Name, name)) return false;  // the general scan reports the repeat
    }
    if (changed) {
      fTagValues.Add(std::u16string_view(b + copied, static_cast<size_t>(i - copied)));
      fTagChanged.insert(fTagChanged.end(), {static_cast<uint32_t>(views.size()), static_cast<uint32_t>(valuesFrom),
                                             static_cast<uint32_t>(fTagValues.Length() - valuesFrom)});
    }
    views.push_back({name, std::u16string_view(b + valueStart, static_cast<size_t>(i - valueStart))});
    ++i;
  }
  // fTagValues no longer grows: its views can be taken now
  for (size_t k = 0; k < fTagChanged.size(); k += 3)
    views[fTagChanged[k]].Value = fTagValues.View().substr(fTagChanged[k + 1], fTagChanged[k + 2]);
  r.SkipTo(i);
  fDocumentElementFound = true;
  if (fAttributeTokens) fAttributeTokens->Clear();
  const std::u16string_view tagName(b + aNameStart, static_cast<size_t>(nameEnd - aNameStart));
  if (empty) {
    // opened and closed at once: the stack never holds it, the record keeps its old text
    fReaderToken->TokenType = rtFinishOpenElementClose;
    fNameView = tagName;
  } else {
    SetText(fReaderToken->TokenName, tagName.data(), tagName.size());
    fReaderToken->TokenValue.clear();
    fReaderToken->TokenType = rtFinishOpenElement;
    PushElement();
    fNameView = fReaderToken->TokenName;
  }
  fValueView = {};
  fViewsSet = true;
  return true;
}

// name="value" with blanks around "=" at most; c, the name's first code unit, has just been read.
bool TXMLReader::FastAttribute(char16_t c) {
  TTextReader& r = *fReader;
  const int32_t start = r.Index() - 1, end = r.ScanEnd();
  if (start < 0 || end < 0 || !IsStartTagKind(fLastTokenType) || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  const bool strict = Strict();
  int32_t i = start + 1;
  if (strict) {
    if (!IsNameStart(c)) return false;
    while (i < end && IsNameChar(b[i])) ++i;
  } else {
    while (i < end && !IsNameStop(b[i])) ++i;
  }
  const int32_t nameEnd = i;
  while (i < end && IsBlank(b[i])) ++i;
  if (i >= end || b[i] != u'=') return false;
  ++i;
  while (i < end && IsBlank(b[i])) ++i;
  if (i >= end || (b[i] != u'"' && b[i] != u'\'')) return false;
  const char16_t q = b[i++];
  const int32_t valueStart = i;
  int32_t copied = valueStart;  // b[valueStart .. copied) is in fMainBuffer
  bool changed = false;
  for (;;) {
    i = static_cast<int32_t>(XmlValueRunEnd(b + i, b + end, q) - b);
    if (i >= end) return false;
    if (b[i] == q) break;
    if (b[i] != u'&') return false;
    if (!changed) {
      fMainBuffer.Clear();
      changed = true;
    }
    fMainBuffer.Add(std::u16string_view(b + copied, static_cast<size_t>(i - copied)));
    i = FastReference(b, i, end, fMainBuffer);
    if (i < 0) return false;
    copied = i;
  }
  const std::u16string_view name(b + start, static_cast<size_t>(nameEnd - start));
  const uint64_t key = strict ? HeaderNameKey(name) : 0;
  if (strict && HeaderHasName(name, key)) return false;
  if (fAttributeTokens) {
    fReaderToken = fAttributeTokens->PeekNew();
    fAttributeTokens->CommitNew();
  }
  PXMLReaderToken record = fReaderToken;
  SetText(record->TokenName, name.data(), name.size());
  if (strict) AddHeaderName(name, key);
  if (changed) {
    fMainBuffer.Add(std::u16string_view(b + copied, static_cast<size_t>(i - copied)));
    fMainBuffer.AssignTo(record->TokenValue);
  } else {
    SetText(record->TokenValue, b + valueStart, static_cast<size_t>(i - valueStart));
  }
  record->TokenType = rtAttribute;
  r.SkipTo(i + 1);
  return true;
}

// An end tag's name and its ">"; "</" has been read.
bool TXMLReader::FastEndTag() {
  TTextReader& r = *fReader;
  const int32_t start = r.Index(), end = r.ScanEnd();
  if (start >= end || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  int32_t i = start + 1;
  int32_t nameEnd;
  if (Strict()) {
    if (!IsNameStart(b[start])) return false;
    while (i < end && IsNameChar(b[i])) ++i;
    nameEnd = i;
    while (i < end && IsBlank(b[i])) ++i;
    if (i >= end || b[i] != u'>') return false;
  } else {
    if (!IsNameChar(b[start])) return false;
    while (i < end && !IsNameStop(b[i])) ++i;
    nameEnd = i;
    while (i < end && b[i] != u'>' && b[i] != u'\r' && b[i] != u'\n') ++i;
    if (i >= end || b[i] != u'>') return false;
  }
  if (fAttributeViews) {
    // the name is only looked at: an end tag that closes the innermost element is taken here
    // without copying it, every other one by the general scan
    const std::u16string_view name(b + start, static_cast<size_t>(nameEnd - start));
    if (fOpenElementTokens.Count() == 0 || !SameText(name, fOpenElementTokens.Last()->TokenName)) return false;
    fReaderToken->TokenType = rtCloseElement;
    r.SkipTo(i + 1);
    PopElement(false);
    fNameView = name;
    fValueView = {};
    fViewsSet = true;
    return true;
  }
  SetText(fReaderToken->TokenName, b + start, static_cast<size_t>(nameEnd - start));
  fReaderToken->TokenValue.clear();
  fReaderToken->TokenType = rtCloseElement;
  r.SkipTo(i + 1);
  PopElement(true);
  return true;
}

// The body of a comment or CDATA section up to its closing delimiter, which must follow in the
// block; the opening has been read. Line breaks stay as they are and are counted.
bool TXMLReader::FastDelimited(TXMLReaderTokenType aKind, std::u16string_view aClosing) {
  TTextReader& r = *fReader;
  const int32_t start = r.Index(), end = r.ScanEnd();
  if (start < 1 || start >= end || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  const bool strict = Strict();
  const int32_t wl = static_cast<int32_t>(aClosing.size());
  const char16_t last = aClosing.back();
  int32_t lines = 0, lastBreak = -1;
  for (int32_t j = start; j < end; ++j) {
    const char16_t c = b[j];
    if (c == last && j - start + 1 >= wl && std::u16string_view(b + j + 1 - wl, static_cast<size_t>(wl)) == aClosing) {
      if (lastBreak >= 0)
        r.SkipTo(j + 1, lines, lastBreak);
      else
        r.SkipTo(j + 1);
      const std::u16string_view body(b + start, static_cast<size_t>(j + 1 - wl - start));
      fReaderToken->TokenType = aKind;
      SetTokenValue(body);
      return true;
    }
    if (c == u'\r' || c == u'\n') {
      if (c == u'\r' || b[j - 1] != u'\r') ++lines;
      lastBreak = j;
    } else if (strict && XmlCharKind(c) == ckInvalid) {
      return false;
    }
  }
  return false;
}

// Text up to the next "<" (or "&" while references are not expanded); c, its first code unit,
// has just been read. Line breaks are written as the settings ask and counted.
bool TXMLReader::FastText(char16_t c) {
  TTextReader& r = *fReader;
  const int32_t start = r.Index() - 1, end = r.ScanEnd();
  if (start < 0 || end < 0 || !XmlFastPaths()) return false;
  const char16_t* const b = r.Block();
  const bool strict = Strict();
  const bool expand = fReaderSettings->ExpandEntities();
  const TXMLLineBreak lineBreak = fReaderSettings->LineBreak();
  static const std::u16string_view cBreakTexts[] = {u"\n", u"\r", u"\r\n", u"\r\n"};
  const std::u16string_view breakText = cBreakTexts[lineBreak & 3];
  // Indentation, the commonest text of all: a line break and blanks before markup.
  if (c == u'\n' || c == u'\r') {
    int32_t j = start + 1;
    if (c == u'\r' && lineBreak != lbDoNotProcess && j < end && b[j] == u'\n') ++j;
    const int32_t blanks = j;
    for (uint64_t w; end - j >= 4; j += 4) {
      std::memcpy(&w, b + j, 8);
      if (w != 0x0020002000200020ull) break;
    }
    while (j < end && b[j] == u' ') ++j;
    const int32_t spaces = j;  // b[blanks .. spaces) are spaces
    while (j < end && IsBlank(b[j])) ++j;
    if (j < end && b[j] == u'<' && (c == u'\n' || blanks > start + 1 || lineBreak == lbDoNotProcess)) {
      if (blanks > start + 1)
        r.SkipTo(j, 0, start + 1);  // the LF of a CR LF pair: no new line, but the line starts after it
      else
        r.SkipTo(j);
      fReaderToken->TokenType = rtText;
      std::u16string_view text(b + start, static_cast<size_t>(j - start));
      if (lineBreak != lbDoNotProcess) {
        const size_t n = static_cast<size_t>(j - blanks);
        if (fAttributeViews && spaces == j && n <= cIndentSpaces) {
          text = lineBreak == lbCR ? std::u16string_view(cIndentTexts.CR, 1 + n)
                                   : std::u16string_view(cIndentTexts.CRLF + 2 - breakText.size(), breakText.size() + n);
        } else {
          fMainBuffer.Clear();
          fMainBuffer.Add(breakText);
          fMainBuffer.Add(std::u16string_view(b + blanks, n));
          text = fMainBuffer.View();
        }
      }
      SetTokenValue(text);
      fValueBlank = fAttributeViews != nullptr;
      return true;
    }
  }
  int32_t copied = start;  // b[start .. copied) is in fMainBuffer
  bool changed = false;
  int32_t lines = 0, lastBreak = -1;  // line breaks after c, which the reader counted already
  int k = 0;  // run of "]" (strict only), to find "]]>"
  int32_t i = start;
  auto change = [&](int32_t aUpTo) {
    if (!changed) {
      fMainBuffer.Clear();
      changed = true;
    }
    fMainBuffer.Add(std::u16string_view(b + copied, static_cast<size_t>(aUpTo - copied)));
  };
  for (;;) {
    const int32_t j = static_cast<int32_t>(XmlTextRunEnd(b + i, b + end) - b);
    if (j > i) {
      k = 0;
      i = j;
    }
    if (i >= end) return false;
    c = b[i];
    if (c == u'<' || (c == u'&' && !expand)) break;
    switch (c) {
      case u'&':
        change(i);
        i = FastReference(b, i, end, fMainBuffer);
        if (i < 0) return false;
        copied = i;
        k = 0;
        continue;
      case u']':
        ++i;
        k = strict ? k + 1 : 0;
        continue;
      case u'>':
        if (strict && k > 1) return false;
        ++i;
        k = 0;
        continue;
      case u'\n':
      case u'\r': {
        int32_t next = i + 1;
        if (c == u'\r' && lineBreak != lbDoNotProcess) {
          if (next >= end) return false;  // whether an LF follows is not known yet
          if (b[next] == u'\n') ++next;
        }
        if (i > start && (c == u'\r' || b[i - 1] != u'\r')) ++lines;
        if (next - 1 > start) lastBreak = next - 1;
        const std::u16string_view source(b + i, static_cast<size_t>(next - i));
        if (lineBreak != lbDoNotProcess && source != breakText) {
          change(i);
          fMainBuffer.Add(breakText);
          copied = next;
        }
        i = next;
        k = 0;
        continue;
      }
      default:
        return false;  // a code unit XML forbids
    }
  }
  if (lastBreak >= 0)
    r.SkipTo(i, lines, lastBreak);
  else
    r.SkipTo(i);
  std::u16string_view text(b + start, static_cast<size_t>(i - start));
  if (changed) {
    fMainBuffer.Add(std::u16string_view(b + copied, static_cast<size_t>(i - copied)));
    text = fMainBuffer.View();
  }
  fReaderToken->TokenType = rtText;
  SetTokenValue(text);
  return true;
}

void TXMLReader::ScanMarkup() {
  fMainBuffer.Clear();
  char16_t c;
  if (!Read(c)) c = 0;
  switch (c) {
    case u'!': {
      char16_t d;
      if (!Read(d)) d = 0;
      Undo();
      if (d == u'-') {
        ScanDelimited(rtComment, u"<!--", u"-->", false, false);
      } else if (d == u'D' || d == u'd') {
        ScanDelimited(rtDocType, u"<!DOCTYPE", u">", true, true);
      } else if (d == u'[') {
        ScanDelimited(rtCData, u"<![CDATA[", u"]]>", false, false);
      } else if (Strict()) {
        Error(ecInvalidCharacter, sXmlCharInText, {u"<"});
      } else {
        fMainBuffer.Add(u"<!");
        ScanMarkupFallback(d);
      }
      return;
    }
    case u'/':
      ScanEndTag();
      return;
    case u'?':
      ScanPI();
      return;
    default:
      ScanStartTagName(c);
  }
}

// Tolerant: what looked like markup is text; x ended the attempt and has been undone.
void TXMLReader::ScanMarkupFallback(char16_t x) {
  if (x == u'<') {
    fReaderToken->TokenName.clear();
    fMainBuffer.AssignTo(fReaderToken->TokenValue);
    fReaderToken->TokenType = rtText;
  } else {
    ScanText(false);
  }
}

void TXMLReader::ScanStartTagName(char16_t c) {
  if (FastStartTag(c)) return;
  char16_t t;
  if (Strict()) {
    if (!IsNameStart(c)) {
      Error(ecInvalidCharacter, sXmlCharInText, {u"<"});
      return;
    }
    fMainBuffer.Add(c);
    fMainBuffer.Add(fReader->ReadRun(StopsName));
    bool got;
    while ((got = Read(t)) && IsNameChar(t)) fMainBuffer.Add(t);
    if (got && (t == u'/' || t == u'>')) {
      Undo();
    } else if (!got || !IsWhite(t)) {
      std::u16string name(fMainBuffer.View());
      if (got) name.push_back(t);
      Error(ecInvalidCharacter, sXmlInvalidElementName, {name});
      return;
    }
  } else {
    if (!IsNameChar(c)) {
      fMainBuffer.Add(u'<');
      Undo();
      ScanMarkupFallback(c);
      return;
    }
    fMainBuffer.Add(c);
    bool got;
    fMainBuffer.Add(fReader->ReadRun(IsNameStop));
    while ((got = Read(t)) && !IsNameStop(t)) fMainBuffer.Add(t);
    if (got && (t == u'/' || t == u'>')) Undo();
  }
  if (fAllowSetEncodingFromFile) {
    fAllowSetEncodingFromFile = false;
    fReader->UnblockFlushTempBuffer();
  }
  fDocumentElementFound = true;
  fMainBuffer.AssignTo(fReaderToken->TokenName);
  fReaderToken->TokenValue.clear();
  fReaderToken->TokenType = rtOpenElement;
  PushElement();
  if (fAttributeTokens) fAttributeTokens->Clear();
}

void TXMLReader::ScanAttribute() {
  char16_t c;
  const bool got = Read(c);
  ScanAttributeFrom(c, got);
}

// c is the attribute's first code unit, already read (got false: the input ended).
void TXMLReader::ScanAttributeFrom(char16_t c, bool got) {
  if (fAttributeTokens) {
    fReaderToken = fAttributeTokens->PeekNew();
    fAttributeTokens->CommitNew();
  }
  PXMLReaderToken record = fReaderToken;
  const bool strict = Strict();
  fMainBuffer.Clear();
  if (strict) {
    if (!got || !IsNameStart(c)) {
      Error(ecInvalidCharacter, sXmlInvalidAttributeStart, {XmlMessageChar(got ? c : 0)});
      return;
    }
    do {
      fMainBuffer.Add(c);
      fMainBuffer.Add(fReader->ReadRun(StopsName));
      got = Read(c);
    } while (got && IsNameChar(c));
  } else {
    // the first code unit is taken whatever it is
    if (got) {
      do {
        fMainBuffer.Add(c);
        fMainBuffer.Add(fReader->ReadRun(IsNameStop));
        got = Read(c);
      } while (got && !IsNameStop(c));
    }
  }
  fMainBuffer.AssignTo(record->TokenName);
  if (strict && IsRepeatedAttribute(record->TokenName)) {
    Error(ecInvalidStructure, sXmlDuplicateAttribute, {record->TokenName});
    return;
  }
  while (got && IsWhite(c)) got = Read(c);
  if (got && c == u'=') {
    char16_t q;
    bool gotq;
    while ((gotq = Read(q)) && IsWhite(q)) {
    }
    fMainBuffer.Clear();
    if (gotq && (q == u'"' || q == u'\'')) {
      TPlainSource source{*fReader};
      while (Read(c) && c != q) {
        switch (XmlCharKind(c)) {
          case ckLineFeed:
          case ckCarriageReturn:
            ProcessLineBreakT(c, fReaderSettings->LineBreak(), source, fMainBuffer);
            break;
          case ckAmpersand:
            ScanReferenceInValue();
            if (fErrorRecorded) return;
            break;
          case ckLessThan:
          case ckInvalid:
            if (strict) {
              Error(ecInvalidCharacter, sXmlCharInAttribute, {XmlMessageChar(c)});
              return;
            }
            fMainBuffer.Add(c);
            break;
          default:
            fMainBuffer.Add(c);
            fMainBuffer.Add(fReader->ReadRun([q](char16_t x) { return x == q || !IsPlainValue(x); }));
        }
      }
    } else if (strict) {
      Error(ecInvalidCharacter, sXmlAttributeNotQuoted, {record->TokenName});
      return;
    } else {
      c = q;
      got = gotq;
      while (got && !IsNameStop(c)) {
        if (c == u'&') {
          ScanReferenceInValue();
          if (fErrorRecorded) return;
        } else {
          fMainBuffer.Add(c);
        }
        got = Read(c);
      }
      if (got && (c == u'/' || c == u'>')) Undo();
    }
    fMainBuffer.AssignTo(record->TokenValue);
  } else if (strict) {
    Error(ecInvalidCharacter, sXmlEqualSignMissing, {record->TokenName});
    return;
  } else {
    record->TokenValue.clear();
    Undo();
  }
  if (IsDeclarationKind(fLastTokenType)) {
    record->TokenType = rtXMLDeclarationAttribute;
    if (!fForceEncoding && fAllowSetEncodingFromFile && record->TokenName == u"encoding")
      SwitchToDeclaredEncoding(record->TokenValue);
  } else {
    record->TokenType = rtAttribute;
  }
}

void TXMLReader::SwitchToDeclaredEncoding(const std::u16string& aValue) {
  TEncoding* encoding = nullptr;
  if (!EncodingFromAlias(aValue, encoding) || !encoding) return;
  if (encoding == fReader->Encoding()) {
    FreeEncoding(encoding);
    return;
  }
  fReader->SetEncoding(encoding);
  fAllowSetEncodingFromFile = false;
  fReader->UnblockFlushTempBuffer();
  // Decoding starts again at the first byte: read up to the same pseudo-attribute again.
  const std::u16string name = fReaderToken->TokenName;
  fLastTokenType = rtDocumentStart;
  ClearElements();
  if (fAttributeTokens) fAttributeTokens->Clear();
  bool inside = false;
  PXMLReaderToken token;
  while (ReadNextToken(token)) {
    if (token->TokenType == rtOpenXMLDeclaration)
      inside = true;
    else if (token->TokenType == rtOpenElement)
      inside = false;
    if (inside && token->TokenType == rtXMLDeclarationAttribute && token->TokenName == name) break;
  }
  fViewsSet = false;
}

void TXMLReader::ScanTagEnd() {
  if (fOpenElementTokens.Count() > 0) fReaderToken = fOpenElementTokens.Last();
  fReaderToken->TokenValue.clear();
  fReaderToken->TokenType = IsDeclarationKind(fLastTokenType) ? rtFinishXMLDeclarationClose : rtFinishOpenElement;
}

// False when the tolerant rules drop a stray "/" or "?" and the token must be read anew.
bool TXMLReader::ScanEmptyTagEnd() {
  char16_t c;
  const bool got = Read(c);
  const bool declaration = IsDeclarationKind(fLastTokenType);
  if (got && c == u'>') {
    if (fOpenElementTokens.Count() > 0) fReaderToken = fOpenElementTokens.Last();
    fReaderToken->TokenValue.clear();
    fReaderToken->TokenType = declaration ? rtFinishXMLDeclarationClose : rtFinishOpenElementClose;
    PopElement(false);
    return true;
  }
  if (Strict()) {
    Error(ecInvalidCharacter, sXmlCharInElementHeader, {declaration ? u"?" : u"/"});
    return true;
  }
  Undo();
  return false;
}

void TXMLReader::ScanEndTag() {
  if (FastEndTag()) return;
  fMainBuffer.Clear();
  char16_t c;
  bool got = Read(c);
  if (Strict()) {
    if (!got || !IsNameStart(c)) {
      std::u16string arg(u"</");
      if (got) arg.push_back(c);
      Error(ecInvalidCharacter, sXmlStringInText, {arg});
      return;
    }
    do {
      fMainBuffer.Add(c);
      fMainBuffer.Add(fReader->ReadRun(StopsName));
      got = Read(c);
    } while (got && IsNameChar(c));
    while (got && IsWhite(c)) got = Read(c);
    if (!got || c != u'>') {
      std::u16string arg(u"</");
      arg += fMainBuffer.View();
      Error(ecInvalidCharacter, sXmlStringInText, {arg});
      return;
    }
  } else {
    if (!got || !IsNameChar(c)) {
      fMainBuffer.Add(u"</");
      Undo();
      ScanMarkupFallback(got ? c : 0);
      return;
    }
    do {
      fMainBuffer.Add(c);
      fMainBuffer.Add(fReader->ReadRun(IsNameStop));
      got = Read(c);
    } while (got && !IsNameStop(c));
    while (got && c != u'>') got = Read(c);
  }
  fMainBuffer.AssignTo(fReaderToken->TokenName);
  fReaderToken->TokenValue.clear();
  fReaderToken->TokenType = rtCloseElement;
  PopElement(true);
}

void TXMLReader::PopElement(bool aCheck) {
  const int32_t n = fOpenElementTokens.Count();
  if (n == 0) {
    if (Strict()) Error(ecInvalidStructure, sXmlTooManyElementsClosed, {});
    return;
  }
  PXMLReaderToken innermost = fOpenElementTokens.Last();
  const std::u16string& name = fReaderToken->TokenName;
  if (aCheck && !name.empty() && !SameText(name, innermost->TokenName)) {
    if (Strict()) {
      Error(ecInvalidStructure, sXmlWrongElementClosed, {name, innermost->TokenName});
      return;
    }
    const int32_t f = FindOpenElement(name);
    if (f >= 0) fElementsToClose = n - f - 1;
    fReaderToken->TokenName = innermost->TokenName;
  }
  if (fOpenNameIndexOn) {
    auto it = fOpenNameIndex.find(innermost->TokenName);
    if (it != fOpenNameIndex.end()) {
      it->second.pop_back();
      if (it->second.empty()) fOpenNameIndex.erase(it);
    }
  }
  fOpenElementTokens.DeleteLast();
}

void TXMLReader::ScanText(bool aClear) {
  char16_t c;
  if (Read(c)) {
    ScanTextFrom(aClear, c);
  } else {
    if (aClear) fMainBuffer.Clear();
    fReaderToken->TokenName.clear();
    fMainBuffer.AssignTo(fReaderToken->TokenValue);
    fReaderToken->TokenType = rtText;
  }
}

// c is the first code unit of the run, already read.
void TXMLReader::ScanTextFrom(bool aClear, char16_t c) {
  if (aClear && FastText(c)) return;
  if (aClear) fMainBuffer.Clear();
  const bool strict = Strict();
  const bool expand = fReaderSettings->ExpandEntities();
  const TXMLLineBreak lineBreak = fReaderSettings->LineBreak();
  TPlainSource source{*fReader};
  int k = 0;  // run of "]" just read (strict only), to find "]]>"
  bool got = true;
  while (got) {
    if (IsPlainText(c)) {
      fMainBuffer.Add(c);
      fMainBuffer.Add(fReader->ReadRun(StopsPlainText));
      k = 0;
      got = Read(c);
      continue;
    }
    switch (XmlCharKind(c)) {
      case ckOther:
      case ckTab:
      case ckApostrophe:
      case ckQuotationMark:
      case ckLeftSquareBracket:
        fMainBuffer.Add(c);
        break;
      case ckRightSquareBracket:
        fMainBuffer.Add(c);
        if (strict) {
          ++k;
          got = Read(c);
          continue;
        }
        break;
      case ckLineFeed:
      case ckCarriageReturn:
        ProcessLineBreakT(c, lineBreak, source, fMainBuffer);
        break;
      case ckAmpersand:
        if (!expand) goto runEnd;
        ScanReferenceInValue();
        if (fErrorRecorded) return;
        break;
      case ckLessThan:
        goto runEnd;
      case ckGreaterThan:
        if (strict && k > 1) {
          Error(ecInvalidCharacter, sXmlCharInText, {u">"});
          return;
        }
        fMainBuffer.Add(c);
        break;
      case ckInvalid:
        if (strict) {
          Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(c)});
          return;
        }
        fMainBuffer.Add(c);
        break;
    }
    k = 0;
    got = Read(c);
  }
  // input ended: nothing to undo
  goto finish;
runEnd:
  Undo();
finish:
  fReaderToken->TokenName.clear();
  fMainBuffer.AssignTo(fReaderToken->TokenValue);
  fReaderToken->TokenType = rtText;
}

void TXMLReader::ScanPI() {
  fMainBuffer.Clear();
  char16_t c, t = 0;
  bool got = Read(c);
  const bool strict = Strict();
  if (strict) {
    if (!got || !IsNameStart(c)) {
      std::u16string arg(u"<?");
      if (got) arg.push_back(c);
      Error(ecInvalidCharacter, sXmlStringInText, {arg});
      return;
    }
    fMainBuffer.Add(c);
    while ((got = Read(t)) && IsNameChar(t)) fMainBuffer.Add(t);
    if (!got || !(IsWhite(t) || t == u'?')) {
      std::u16string arg(u"<?");
      arg += fMainBuffer.View();
      if (got) arg.push_back(t);
      Error(ecInvalidCharacter, sXmlStringInText, {arg});
      return;
    }
  } else {
    t = c;
    while (got && !IsNameStop(t)) {
      fMainBuffer.Add(t);
      got = Read(t);
    }
    if (!got) t = 0;
  }
  PXMLReaderToken record = fReaderToken;
  fMainBuffer.AssignTo(record->TokenName);
  const std::u16string& target = record->TokenName;
  if (!fDocumentElementFound && fReaderSettings->RecognizeXMLDeclaration() && target.size() == 3 &&
      (target[0] | 0x20) == u'x' && (target[1] | 0x20) == u'm' && (target[2] | 0x20) == u'l') {
    record->TokenValue.clear();
    record->TokenType = rtOpenXMLDeclaration;
    PushElement();
    return;
  }
  fMainBuffer.Clear();
  if (!strict && target.empty() && got) Undo();
  char16_t p = t;
  bool closed = false;
  while (Read(c)) {
    if (p == u'?' && c == u'>') {
      closed = true;
      break;
    }
    fMainBuffer.Add(c);
    p = c;
  }
  if (closed) fMainBuffer.RemoveLast(1);
  fMainBuffer.AssignTo(record->TokenValue);
  record->TokenType = rtProcessingInstruction;
}

std::u16string ExpansionExceeded(int64_t aExpanded, int64_t aRead) {
  if (aExpanded > cXmlMaxEntityExpansion) return Format(sXmlEntityExpansionLimit, {cXmlMaxEntityExpansion});
  if (aExpanded > cXmlExpansionFloor && aExpanded > cXmlMaxExpansionRatio * std::max<int64_t>(aRead, 1))
    return Format(sXmlEntityExpansionRatio, {cXmlMaxExpansionRatio});
  return {};
}

bool TXMLReader::CountExpansion() {
  fExpandedTotal += fReference->Excess();
  if (fExpandedTotal <= cXmlExpansionFloor) return true;
  const std::u16string exceeded = ExpansionExceeded(fExpandedTotal, fReader->FilePosition());
  if (exceeded.empty()) return true;
  Error(ecInvalidStructure, u"%s", {exceeded});
  return false;
}

void TXMLReader::ScanReferenceInValue() {
  TPlainSource source{*fReader};
  if (fReference->Read(source, *fReaderSettings)) {
    if (CountExpansion()) fMainBuffer.Add(fReference->Replacement);
  } else if (Strict()) {
    Error(ecInvalidCharacter, sXmlInvalidEntity, {fReference->Raw});
  } else {
    fMainBuffer.Add(fReference->Raw);
  }
}

void TXMLReader::ScanReferenceToken() {
  TPlainSource source{*fReader};
  if (fReference->Read(source, *fReaderSettings)) {
    if (!CountExpansion()) return;
    fReference->ReportedNameTo(fReaderToken->TokenName);
    if (fReference->External)
      fReaderToken->TokenValue.clear();
    else
      fReaderToken->TokenValue.assign(fReference->Replacement);
    fReaderToken->TokenType = rtEntityReference;
  } else if (Strict()) {
    Error(ecInvalidCharacter, sXmlInvalidEntity, {fReference->Raw});
  } else {
    fReaderToken->TokenName.clear();
    fReaderToken->TokenValue.assign(fReference->Raw);
    fReaderToken->TokenType = rtText;
  }
}

void TXMLReader::ScanDelimited(TXMLReaderTokenType aKind, std::u16string_view aOpening, std::u16string_view aClosing,
                               bool aWhiteSpace, bool aSubset) {
  fMainBuffer.Clear();
  fMainBuffer.Add(u"<!");
  const bool strict = Strict();
  char16_t c = 0;
  bool got = true, failed = false;
  // the keyword, in either letter case
  for (size_t i = 2; i < aOpening.size(); ++i) {
    got = Read(c);
    if (!got) c = 0;
    if (!got || AsciiUpper(c) != aOpening[i]) {
      Undo();
      failed = true;
      break;
    }
    fMainBuffer.Add(c);
  }
  if (!failed && aWhiteSpace) {
    got = Read(c);
    if (!got) {
      c = 0;
      failed = true;
    } else if (!IsWhite(c)) {
      failed = true;
      if (c == u'<') {
        Undo();  // it starts the next token
      } else {
        fMainBuffer.Add(c);
      }
    } else {
      fMainBuffer.Add(c);
    }
  }
  if (failed) {
    if (strict) {
      Error(ecInvalidCharacter, sXmlCharInText, {u"<"});
    } else if (got && c == u'<') {
      ScanMarkupFallback(c);
    } else {
      ScanText(false);
    }
    return;
  }
  fMainBuffer.Clear();
  if (!aSubset && FastDelimited(aKind, aClosing)) return;
  // a window over the last code units read, compared with the closing delimiter
  const size_t wl = aClosing.size();
  char16_t w[4] = {};
  for (;;) {
    for (size_t i = 1; i < wl; ++i) w[i - 1] = w[i];
    if (!Read(c)) {
      if (strict) Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(0)});
      break;
    }
    if (c == u'[' && aSubset) {
      fMainBuffer.Add(c);
      TXMLDTDScanner scanner(*fReaderSettings, *fReader, &fMainBuffer, fExpandedTotal, fErrorRecorded);
      scanner.ScanDTD(true);
      if (fErrorRecorded) return;
      if (fReader->Eof()) {
        // a subset cut off by the end of the input is as incomplete as any other section
        if (strict) Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(0)});
        break;
      }
      std::fill(w, w + 4, char16_t(0));
      continue;
    }
    if (strict && XmlCharKind(c) == ckInvalid) {
      Error(ecInvalidCharacter, sXmlCharInText, {XmlMessageChar(c)});
      return;
    }
    w[wl - 1] = c;
    fMainBuffer.Add(c);
    if (c == aClosing[wl - 1] && std::u16string_view(w, wl) == aClosing) {
      fMainBuffer.RemoveLast(wl);
      break;
    }
  }
  if (fErrorRecorded) return;
  fReaderToken->TokenName.clear();
  fMainBuffer.AssignTo(fReaderToken->TokenValue);
  fReaderToken->TokenType = aKind;
}

// ---------------------------------------------------------------------------------------------
// Properties

const std::u16string& TXMLReader::URL() const { return fReader->URL(); }
void TXMLReader::SetURL(const std::u16string& aURL) { fReader->SetURL(aURL); }
TEncoding* TXMLReader::Encoding() const { return fReader->Encoding(); }
void TXMLReader::SetEncoding(TEncoding* aEncoding) {
  fReader->SetEncoding(aEncoding);
  fForceEncoding = true;
}
bool TXMLReader::OwnsEncoding() const { return fReader->OwnsEncoding(); }
void TXMLReader::SetOwnsEncoding(bool aValue) { fReader->SetOwnsEncoding(aValue); }
int64_t TXMLReader::ApproxStreamPosition() const { return fReader->ApproxStreamPosition(); }
int64_t TXMLReader::StreamSize() const { return fReader->StreamSize(); }
int64_t TXMLReader::FilePosition() const { return fReader->FilePosition(); }
int64_t TXMLReader::LinePosition() const { return fReader->LinePosition(); }
int64_t TXMLReader::Line() const { return fReader->Line(); }
std::shared_ptr<ITextParseError> TXMLReader::ParseError() const { return fReader->ParseError(); }

const std::u16string& TXMLReader::NodePath(int32_t aIndex) const {
  if (aIndex < 0 || aIndex >= fOpenElementTokens.Count()) throw EArgumentOutOfRange(u"Argument out of range");
  return fOpenElementTokens.GetToken(aIndex)->TokenName;
}
