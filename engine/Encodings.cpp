#include "Encodings.h"

#include <iconv.h>
#include <langinfo.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>


namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
constexpr uint8_t kReplacementByte = '?';
constexpr const char* kHostUtf16 = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
constexpr int kSystemCodePage = 1252;

struct TAlias {
  int CodePage;
  const char* Name;
};

const TAlias kAliases[] = {
    {65001, "utf-8"},        {1200, "utf-16"},        {1201, "utf-16be"},      {1250, "windows-1250"},
    {1251, "windows-1251"},  {1252, "windows-1252"},  {1253, "windows-1253"},  {1254, "windows-1254"},
    {1255, "windows-1255"},  {1256, "windows-1256"},  {1257, "windows-1257"},  {1258, "windows-1258"},
    {28591, "iso-8859-1"},   {28592, "iso-8859-2"},   {28593, "iso-8859-3"},   {28594, "iso-8859-4"},
    {28595, "iso-8859-5"},   {28596, "iso-8859-6"},   {28597, "iso-8859-7"},   {28598, "iso-8859-8"},
    {28599, "iso-8859-9"},   {28603, "iso-8859-13"},  {28605, "iso-8859-15"},  {20866, "koi8-r"},
    {21866, "koi8-u"},       {437, "ibm437"},         {850, "ibm850"},         {852, "ibm852"},
    {866, "cp866"},          {874, "windows-874"},    {932, "shift-jis"},      {20127, "us-ascii"},
    {65000, "utf-7"},
};

// Names XML declarations use that the C library's converter does not know, with the name it
// knows for the same encoding. Compared after lower-casing.
struct TConverterAlias {
  const char* Name;
  const char* Converter;
};
const TConverterAlias kConverterAliases[] = {
    {"x-mac-cyrillic", "MACCYRILLIC"}, {"x-mac-roman", "MACINTOSH"}, {"x-mac-ukrainian", "MACUKRAINIAN"},
    {"x-sjis", "SHIFT_JIS"},           {"x-euc-jp", "EUC-JP"},       {"ks_c_5601-1987", "CP949"},
    {"x-euc-kr", "EUC-KR"},            {"x-gbk", "GBK"},             {"x-big5", "BIG5"},
};

// Lower case with '-' and '_' dropped, for telling spellings of one name apart.
std::string SquashedName(std::string_view aName) {
  std::string s;
  for (char c : aName) {
    if (c == '-' || c == '_') continue;
    s.push_back(AsciiLower(c));
  }
  return s;
}

// The C library's name for a Windows code page.
std::string IconvName(int aCodePage) {
  if (aCodePage >= 28591 && aCodePage <= 28599) return "ISO-8859-" + std::to_string(aCodePage - 28590);
  switch (aCodePage) {
    case 28603: return "ISO-8859-13";
    case 28605: return "ISO-8859-15";
    case 20866: return "KOI8-R";
    case 21866: return "KOI8-U";
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "CP866";
    case 874: return "CP874";
    case 932: return "CP932";
    case 936: return "CP936";
    case 949: return "CP949";
    case 950: return "CP950";
    case 10000: return "MACINTOSH";
    case 12000: return "UTF-32LE";
    case 12001: return "UTF-32BE";
    case 20932: case 51932: return "EUC-JP";
    case 51949: return "EUC-KR";
    case 54936: return "GB18030";
    default: return "CP" + std::to_string(aCodePage);
  }
}

inline char16_t* Room(std::u16string& aOut, size_t aUnits) {
  if (aOut.size() < aUnits) aOut.resize(aUnits);
  return aOut.data();
}

inline uint8_t* Room(std::vector<uint8_t>& aOut, size_t aBytes) {
  if (aOut.size() < aBytes) aOut.resize(aBytes);
  return aOut.data();
}

// ---- UTF-7 ----

const char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int Base64Value(unsigned c) {
  if (c >= 'A' && c <= 'Z') return static_cast<int>(c - 'A');
  if (c >= 'a' && c <= 'z') return static_cast<int>(c - 'a' + 26);
  if (c >= '0' && c <= '9') return static_cast<int>(c - '0' + 52);
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

// Characters written as themselves: the direct and the optional direct set, plus the blanks.
bool Utf7Direct(char16_t c) {
  if (c >= 0x80) return false;
  if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9')) return true;
  return std::strchr("'(),-./:? \t\r\n!\"#$%&*;<=>@[]^_`{|}", static_cast<int>(c)) != nullptr && c != 0;
}

// Every byte yields at most one code unit.
size_t DecodeUtf7(const uint8_t* aBytes, size_t aCount, char16_t* aOut) {
  char16_t* o = aOut;
  bool inBase64 = false;
  uint32_t bits = 0;
  int nbits = 0;
  for (size_t i = 0; i < aCount; ++i) {
    unsigned b = aBytes[i];
    if (inBase64) {
      int v = Base64Value(b);
      if (v >= 0) {
        bits = (bits << 6) | static_cast<uint32_t>(v);
        nbits += 6;
        if (nbits >= 16) {
          nbits -= 16;
          *o++ = static_cast<char16_t>(bits >> nbits);
        }
        bits &= (1u << nbits) - 1;
        continue;
      }
      inBase64 = false;
      if (b == '-') continue;
    } else if (b == '+') {
      if (i + 1 < aCount && aBytes[i + 1] == '-') {
        *o++ = u'+';
        ++i;
      } else {
        inBase64 = true;
        bits = 0;
        nbits = 0;
      }
      continue;
    }
    *o++ = b < 0x80 ? static_cast<char16_t>(b) : kReplacementChar;
  }
  return static_cast<size_t>(o - aOut);
}

// Every base64 run is closed with '-', so the next byte can never be mistaken for part of it.
size_t EncodeUtf7(std::u16string_view aText, uint8_t* aOut) {
  uint8_t* o = aOut;
  bool inBase64 = false;
  uint32_t bits = 0;
  int nbits = 0;
  auto close = [&] {
    if (nbits > 0) *o++ = static_cast<uint8_t>(kBase64[(bits << (6 - nbits)) & 63]);
    *o++ = '-';
    inBase64 = false;
    bits = 0;
    nbits = 0;
  };
  for (char16_t c : aText) {
    if (Utf7Direct(c)) {
      if (inBase64) close();
      *o++ = static_cast<uint8_t>(c);
    } else if (c == u'+' && !inBase64) {
      *o++ = '+';
      *o++ = '-';
    } else {
      if (!inBase64) {
        *o++ = '+';
        inBase64 = true;
      }
      bits = (bits << 16) | c;
      nbits += 16;
      while (nbits >= 6) {
        nbits -= 6;
        *o++ = static_cast<uint8_t>(kBase64[(bits >> nbits) & 63]);
      }
      bits &= (1u << nbits) - 1;
    }
  }
  if (inBase64) close();
  return static_cast<size_t>(o - aOut);
}

}  // namespace

// ---- conversion handles of multi-byte code pages ----

struct TEncoding::TConverter {
  iconv_t Decoder = reinterpret_cast<iconv_t>(-1);
  iconv_t Encoder = reinterpret_cast<iconv_t>(-1);
  ~TConverter() {
    if (Decoder != reinterpret_cast<iconv_t>(-1)) iconv_close(Decoder);
    if (Encoder != reinterpret_cast<iconv_t>(-1)) iconv_close(Encoder);
  }
};

TEncoding::TEncoding(int aCodePage) : TEncoding(aCodePage, false) {}

TEncoding::TEncoding(int aCodePage, bool aStandard) : FCodePage(aCodePage), FStandard(aStandard) {
  if (aCodePage == 0) {
    const std::unique_ptr<TEncoding> system(ForLocaleCharset(nl_langinfo(CODESET)));
    FCodePage = system->FCodePage;
    FIconvName = system->FIconvName;
    FName = system->FName;
    FNoPreamble = true;
  }
  Setup();
}

TEncoding::TEncoding(std::string aConverterName, std::u16string aName)
    : FCodePage(0), FIconvName(std::move(aConverterName)), FName(std::move(aName)) {
  Setup();
}

TEncoding::TEncoding(const TEncoding& aOther)
    : FCodePage(aOther.FCodePage), FNoPreamble(aOther.FNoPreamble), FIconvName(aOther.FIconvName), FName(aOther.FName) {
  Setup();
}

TEncoding* TEncoding::FromConverterName(std::u16string_view aName) {
  // Only plain names reach the converter: no suffixes such as //TRANSLIT, nothing unprintable.
  if (aName.empty() || aName.size() > 64) return nullptr;
  std::string ascii;
  for (char16_t c : aName) {
    const bool plain = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9') ||
                       (c < 0x80 && std::strchr("-_.:()+", static_cast<int>(c)) && c != 0);
    if (!plain) return nullptr;
    ascii.push_back(static_cast<char>(c));
  }
  // Spellings of UTF-8 get the reader's own decoder rather than the converter's.
  if (SquashedName(ascii) == "utf8") return UTF8();
  std::string converter = ascii;
  for (const TConverterAlias& row : kConverterAliases)
    if (SameAsciiNoCase(aName, row.Name)) converter = row.Converter;
  try {
    std::unique_ptr<TEncoding> encoding(new TEncoding(converter, std::u16string(aName)));
    if (!encoding->WritesAsciiAsAscii()) return nullptr;
    return encoding.release();
  } catch (const EEncodingError&) {
    return nullptr;
  }
}

TEncoding* TEncoding::ForLocaleCharset(std::string_view aCodeset) {
  const std::string squashed = SquashedName(aCodeset);
  std::unique_ptr<TEncoding> encoding;
  if (squashed == "utf8") {
    encoding.reset(new TEncoding(65001));
  } else if (!squashed.empty() && squashed != "ansix3.41968" && squashed != "ascii" && squashed != "usascii" &&
             squashed != "646") {
    const std::u16string name = Utf8ToUtf16(aCodeset);
    const int cp = AliasToCodePage(name);
    // a locale charset is a byte encoding: the table's UTF-16 and UTF-7 rows do not apply
    if (cp != 0 && cp != 1200 && cp != 1201 && cp != 65000) {
      try {
        encoding.reset(new TEncoding(cp));
      } catch (const EEncodingError&) {
      }
    } else if (TEncoding* found = FromConverterName(name); found && found != UTF8()) {
      encoding.reset(found);
    }
  }
  // Plain ASCII (the C locale) or nothing convertible: the Western code page, which keeps every
  // ASCII character and more.
  if (!encoding) encoding.reset(new TEncoding(kSystemCodePage));
  encoding->FNoPreamble = true;
  return encoding.release();
}

bool TEncoding::WritesAsciiAsAscii() const {
  static const char kSample[] =
      "<?xml version=\"1.0\" encoding='x' standalone=\"yes\"?>\r\n\t<!-- -->/=&;#%[]()*+,.:@_|{}^$!"
      "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const size_t n = sizeof kSample - 1;
  const std::u16string decoded = GetString(reinterpret_cast<const uint8_t*>(kSample), n);
  if (decoded.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (decoded[i] != static_cast<char16_t>(kSample[i])) return false;
  return true;
}

TEncoding::~TEncoding() = default;

void TEncoding::Setup() {
  switch (FCodePage) {
    case 20127: FKind = ekASCII; FSingleByte = true; return;
    case 65000: FKind = ekUTF7; return;
    case 65001: FKind = ekUTF8; return;
    case 1200: FKind = ekUTF16LE; return;
    case 1201: FKind = ekUTF16BE; return;
    default: break;
  }
  FKind = ekCodePage;
  if (FIconvName.empty()) FIconvName = IconvName(FCodePage);
  auto conv = std::make_unique<TConverter>();
  conv->Decoder = iconv_open(kHostUtf16, FIconvName.c_str());
  conv->Encoder = iconv_open(FIconvName.c_str(), kHostUtf16);
  if (FCodePage < 0 || conv->Decoder == reinterpret_cast<iconv_t>(-1) || conv->Encoder == reinterpret_cast<iconv_t>(-1)) {
    if (!FName.empty()) throw EEncodingError(Format(u"Encoding %s is not supported.", {FName}));
    throw EEncodingError(Format(u"Code page %d is not supported.", {int64_t(FCodePage)}));
  }

  // A code page in which every byte alone is a whole character (or an invalid one) converts by
  // table; that keeps the shared system encoding free of conversion state.
  auto table = std::make_unique<char16_t[]>(256);
  bool single = true;
  for (int b = 0; b < 256 && single; ++b) {
    char in = static_cast<char>(b);
    char16_t out[4];
    char* ip = &in;
    size_t inLeft = 1;
    char* op = reinterpret_cast<char*>(out);
    size_t outLeft = sizeof out;
    iconv(conv->Decoder, nullptr, nullptr, nullptr, nullptr);
    size_t r = iconv(conv->Decoder, &ip, &inLeft, &op, &outLeft);
    int err = r == static_cast<size_t>(-1) ? errno : 0;
    iconv(conv->Decoder, nullptr, nullptr, &op, &outLeft);  // emits a character held back for combining
    size_t units = (sizeof out - outLeft) / 2;
    if (err == EINVAL || units > 1)
      single = false;
    else
      table[b] = (err == 0 && units == 1) ? out[0] : kReplacementChar;
  }
  iconv(conv->Decoder, nullptr, nullptr, nullptr, nullptr);
  if (!single) {
    FConverter = std::move(conv);
    return;
  }
  FSingleByte = true;
  FDecodeTable = std::move(table);
  FEncodeTable = std::make_unique<uint8_t[]>(65536);  // zero: no byte
  for (int b = 255; b >= 1; --b)
    if (FDecodeTable[b] != kReplacementChar) FEncodeTable[FDecodeTable[b]] = static_cast<uint8_t>(b);
}

// Function-local statics: created once, race-free, on first use; never deleted.
template <int ACodePage>
TEncoding* TEncoding::Shared() {
  static TEncoding* const instance = new TEncoding(ACodePage, true);
  return instance;
}

TEncoding* TEncoding::Default() { return Shared<0>(); }
TEncoding* TEncoding::ASCII() { return Shared<20127>(); }
TEncoding* TEncoding::UTF7() { return Shared<65000>(); }
TEncoding* TEncoding::UTF8() { return Shared<65001>(); }
TEncoding* TEncoding::Unicode() { return Shared<1200>(); }
TEncoding* TEncoding::BigEndianUnicode() { return Shared<1201>(); }

std::vector<uint8_t> TEncoding::GetPreamble() const {
  if (FNoPreamble) return {};
  switch (FKind) {
    case ekUTF8: return {0xEF, 0xBB, 0xBF};
    case ekUTF16LE: return {0xFF, 0xFE};
    case ekUTF16BE: return {0xFE, 0xFF};
    default: return {};
  }
}

size_t TEncoding::MaxCharCount(size_t aByteCount) const {
  if (FKind == ekUTF16LE || FKind == ekUTF16BE) return (aByteCount + 1) / 2;
  return aByteCount;
}

size_t TEncoding::MaxByteCount(size_t aCharCount) const {
  switch (FKind) {
    case ekUTF8: return 3 * aCharCount;
    case ekUTF7: return 5 * aCharCount + 2;
    case ekUTF16LE: case ekUTF16BE: return 2 * aCharCount;
    case ekASCII: return aCharCount;
    case ekCodePage: return FSingleByte ? aCharCount : 4 * aCharCount;
  }
  return 4 * aCharCount;
}

size_t TEncoding::DecodeInto(const uint8_t* aBytes, size_t aCount, std::u16string& aOut) const {
  if (aCount == 0) return 0;
  switch (FKind) {
    case ekUTF8: return Utf8ToUtf16({reinterpret_cast<const char*>(aBytes), aCount}, Room(aOut, aCount));
    case ekUTF7: return DecodeUtf7(aBytes, aCount, Room(aOut, aCount));
    case ekASCII: {
      char16_t* o = Room(aOut, aCount);
      for (size_t i = 0; i < aCount; ++i) o[i] = aBytes[i] < 0x80 ? aBytes[i] : kReplacementChar;
      return aCount;
    }
    case ekUTF16LE:
    case ekUTF16BE: {
      size_t units = aCount / 2;
      char16_t* o = Room(aOut, units + (aCount & 1));
      bool swap = (FKind == ekUTF16LE) != (std::endian::native == std::endian::little);
      if (!swap) {
        std::memcpy(o, aBytes, units * 2);
      } else {
        for (size_t i = 0; i < units; ++i) o[i] = static_cast<char16_t>((aBytes[2 * i] << 8) | aBytes[2 * i + 1]);
      }
      if (aCount & 1) o[units++] = kReplacementChar;  // a lone last byte
      return units;
    }
    case ekCodePage:
      if (FSingleByte) {
        char16_t* o = Room(aOut, aCount);
        const char16_t* table = FDecodeTable.get();
        for (size_t i = 0; i < aCount; ++i) o[i] = table[aBytes[i]];
        return aCount;
      }
      return DecodeCodePage(aBytes, aCount, aOut);
  }
  return 0;
}

size_t TEncoding::IncompleteTail(const uint8_t* aBytes, size_t aCount) const {
  if (FKind != ekCodePage || FSingleByte || aCount == 0) return 0;
  iconv_t cd = FConverter->Decoder;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(aBytes));
  size_t inLeft = aCount;
  char scratch[4096];
  while (inLeft > 0) {
    char* out = scratch;
    size_t outLeft = sizeof scratch;
    size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
    if (r != static_cast<size_t>(-1)) break;
    if (errno == EINVAL) return inLeft;
    if (errno == EILSEQ) {  // a bad byte is replaced when decoding; step over it here too
      ++in;
      --inLeft;
    } else if (errno != E2BIG) {
      break;
    }
  }
  return 0;
}

size_t TEncoding::DecodeCodePage(const uint8_t* aBytes, size_t aCount, std::u16string& aOut) const {
  iconv_t cd = FConverter->Decoder;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  Room(aOut, aCount + 16);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(aBytes));
  size_t inLeft = aCount;
  size_t produced = 0;
  auto ensureRoom = [&](size_t aUnits) {
    if (aOut.size() - produced < aUnits) aOut.resize(2 * aOut.size() + aUnits);
  };
  // One pass per run of good bytes; a bad byte becomes U+FFFD and the run goes on after it.
  // The last call, without input, ends a shift state.
  for (bool flushing = false;;) {
    ensureRoom(16);
    char* out = reinterpret_cast<char*>(aOut.data() + produced);
    size_t outLeft = (aOut.size() - produced) * 2;
    size_t r = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft) : iconv(cd, &in, &inLeft, &out, &outLeft);
    int err = r == static_cast<size_t>(-1) ? errno : 0;
    produced = aOut.size() - outLeft / 2;
    if (err == E2BIG) {
      aOut.resize(2 * aOut.size());
    } else if (flushing) {
      break;
    } else if (err == EILSEQ || err == EINVAL) {
      aOut[produced++] = kReplacementChar;
      // EINVAL: the bytes end inside a character.
      size_t skip = err == EILSEQ ? 1 : inLeft;
      in += skip;
      inLeft -= skip;
    } else if (err != 0 || inLeft == 0) {
      flushing = true;
    }
  }
  return produced;
}

size_t TEncoding::GetCharCount(const uint8_t* aBytes, size_t aCount) const {
  std::u16string scratch;
  return DecodeInto(aBytes, aCount, scratch);
}

std::u16string TEncoding::GetString(const uint8_t* aBytes, size_t aCount) const {
  std::u16string s;
  s.resize(DecodeInto(aBytes, aCount, s));
  return s;
}

size_t TEncoding::EncodeInto(std::u16string_view aText, std::vector<uint8_t>& aOut) const {
  size_t n = aText.size();
  if (n == 0) return 0;
  switch (FKind) {
    case ekUTF8: return Utf16ToUtf8(aText, reinterpret_cast<char*>(Room(aOut, 3 * n)));
    case ekUTF7: return EncodeUtf7(aText, Room(aOut, 5 * n + 2));
    case ekUTF16LE:
    case ekUTF16BE: {
      uint8_t* o = Room(aOut, 2 * n);
      bool swap = (FKind == ekUTF16LE) != (std::endian::native == std::endian::little);
      if (!swap) {
        std::memcpy(o, aText.data(), 2 * n);
      } else {
        for (size_t i = 0; i < n; ++i) {
          o[2 * i] = static_cast<uint8_t>(aText[i] >> 8);
          o[2 * i + 1] = static_cast<uint8_t>(aText[i]);
        }
      }
      return 2 * n;
    }
    case ekASCII:
    case ekCodePage: {
      if (FKind == ekCodePage && !FSingleByte) return EncodeCodePage(aText, aOut);
      uint8_t* o = Room(aOut, n);
      size_t k = 0;
      const uint8_t* table = FEncodeTable.get();
      for (size_t i = 0; i < n; ++i) {
        char16_t c = aText[i];
        uint8_t b;
        if (c == 0)
          b = 0;
        else if (table)
          b = table[c] ? table[c] : kReplacementByte;
        else
          b = c < 0x80 ? static_cast<uint8_t>(c) : kReplacementByte;
        // A surrogate pair is one character and gets one replacement.
        if (IsHighSurrogate(c) && i + 1 < n && IsLowSurrogate(aText[i + 1])) ++i;
        o[k++] = b;
      }
      return k;
    }
  }
  return 0;
}

size_t TEncoding::EncodeCodePage(std::u16string_view aText, std::vector<uint8_t>& aOut) const {
  iconv_t cd = FConverter->Encoder;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  Room(aOut, 2 * aText.size() + 16);
  char* in = const_cast<char*>(reinterpret_cast<const char*>(aText.data()));
  size_t inLeft = aText.size() * 2;
  size_t produced = 0;
  for (bool flushing = false;;) {
    if (aOut.size() - produced < 16) aOut.resize(2 * aOut.size() + 16);
    char* out = reinterpret_cast<char*>(aOut.data() + produced);
    size_t outLeft = aOut.size() - produced;
    size_t r = flushing ? iconv(cd, nullptr, nullptr, &out, &outLeft) : iconv(cd, &in, &inLeft, &out, &outLeft);
    int err = r == static_cast<size_t>(-1) ? errno : 0;
    produced = aOut.size() - outLeft;
    if (err == E2BIG) {
      aOut.resize(2 * aOut.size());
    } else if (flushing) {
      break;
    } else if (err == EILSEQ || err == EINVAL) {
      // One replacement per character: a valid surrogate pair counts as one.
      const auto* u = reinterpret_cast<const char16_t*>(in);
      size_t skip = 2;
      if (inLeft >= 4 && IsHighSurrogate(u[0]) && IsLowSurrogate(u[1])) skip = 4;
      skip = std::min(skip, inLeft);
      aOut[produced++] = kReplacementByte;
      in += skip;
      inLeft -= skip;
    } else if (err != 0 || inLeft == 0) {
      flushing = true;
    }
  }
  return produced;
}

std::vector<uint8_t> TEncoding::GetBytes(std::u16string_view aText) const {
  std::vector<uint8_t> bytes;
  bytes.resize(EncodeInto(aText, bytes));
  return bytes;
}

// ---- lookups ----

int AliasToCodePage(std::u16string_view aAlias) {
  for (const TAlias& row : kAliases) {
    if (SameAsciiNoCase(aAlias, row.Name)) return row.CodePage;
  }
  return 0;
}

bool EncodingFromAlias(std::u16string_view aAlias, TEncoding*& aEncoding) {
  int cp = AliasToCodePage(aAlias);
  aEncoding = cp ? EncodingFromCodePage(cp) : TEncoding::FromConverterName(aAlias);
  return aEncoding != nullptr;
}

TEncoding* EncodingFromCodePage(int aCodePage) {
  switch (aCodePage) {
    case 0: return TEncoding::Default();
    case 1200: return TEncoding::Unicode();
    case 1201: return TEncoding::BigEndianUnicode();
    case 65000: return TEncoding::UTF7();
    case 65001: return TEncoding::UTF8();
    default: return new TEncoding(aCodePage);
  }
}

int EncodingCodePage(const TEncoding* aEncoding) { return aEncoding ? aEncoding->CodePage() : 0; }

std::u16string EncodingAlias(const TEncoding* aEncoding) {
  int cp = EncodingCodePage(aEncoding);
  for (const TAlias& row : kAliases)
    if (row.CodePage == cp) return Utf8ToUtf16(row.Name);
  if (aEncoding && !aEncoding->Name().empty()) return aEncoding->Name();
  return IntToStr(cp);
}

TEncoding* DetectBufferEncoding(const uint8_t* aBytes, size_t aCount, TEncoding* aDefault, int& aBOMLength) {
  if (aCount >= 3 && aBytes[0] == 0xEF && aBytes[1] == 0xBB && aBytes[2] == 0xBF) {
    aBOMLength = 3;
    return TEncoding::UTF8();
  }
  if (aCount >= 2 && aBytes[0] == 0xFF && aBytes[1] == 0xFE) {
    aBOMLength = 2;
    return TEncoding::Unicode();
  }
  if (aCount >= 2 && aBytes[0] == 0xFE && aBytes[1] == 0xFF) {
    aBOMLength = 2;
    return TEncoding::BigEndianUnicode();
  }
  aBOMLength = 0;
  return aDefault;
}

TEncoding* DetectStreamEncoding(TStream& aStream, int64_t& aPosition, int64_t aStreamSize, TEncoding* aDefault) {
  TEncoding* fallback = aDefault ? aDefault : TEncoding::Default();
  if (aStreamSize - aStream.Position() < 2) return fallback;
  uint8_t head[4];
  int64_t got = 0;
  while (got < 4) {
    int64_t n = aStream.Read(head + got, 4 - got);
    if (n <= 0) break;
    got += n;
  }
  int bom = 0;
  TEncoding* found = DetectBufferEncoding(head, static_cast<size_t>(got), fallback, bom);
  aPosition += bom;
  aStream.Seek(aPosition, soBeginning);
  return found;
}

std::vector<uint8_t> EncodingPreamble(const TEncoding* aEncoding) {
  return aEncoding ? aEncoding->GetPreamble() : std::vector<uint8_t>();
}

TEncoding* CloneEncoding(const TEncoding* aEncoding) {
  if (!aEncoding) return nullptr;
  if (TEncoding::IsStandardEncoding(aEncoding)) return const_cast<TEncoding*>(aEncoding);
  return aEncoding->Clone();
}

void FreeEncoding(TEncoding* aEncoding) {
  if (!TEncoding::IsStandardEncoding(aEncoding)) delete aEncoding;
}
