// Character encodings: bytes to UTF-16 and back, the byte-order marks, the names an XML
// declaration uses and the lookups between names, code pages and encoding objects.
//
// Decoding and encoding never fail on bad data: undecodable bytes become U+FFFD, characters an
// encoding cannot represent become '?'. Six standard encodings are shared by the whole process;
// they are never deleted by a holder and are compared by identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BufferedStreams.h"
#include "WideSupport.h"

class EEncodingError : public EGeneralError { using EGeneralError::EGeneralError; };

enum TEncodingKind {
  ekCodePage,   // a code page converted through the C library (single-byte ones by table)
  ekASCII,      // US-ASCII, 20127
  ekUTF7,       // 65000
  ekUTF8,       // 65001
  ekUTF16LE,    // 1200
  ekUTF16BE     // 1201
};

class TEncoding {
public:
  // An encoding for a code page number (0 is the system 8-bit code page). Raises EEncodingError
  // "Code page %d is not supported." when the platform cannot convert it.
  explicit TEncoding(int aCodePage);
  TEncoding(const TEncoding& aOther);
  TEncoding& operator=(const TEncoding&) = delete;
  ~TEncoding();

  // The shared standard instances, created once on first use and alive until the process ends.
  // Default is the system's 8-bit encoding: the charset of the locale (LC_CTYPE, so a program
  // calls setlocale first), UTF-8 on most systems; windows-1252 when the locale names plain
  // ASCII or nothing this system can convert. It never has a preamble.
  static TEncoding* Default();
  static TEncoding* ASCII();
  static TEncoding* UTF7();
  static TEncoding* UTF8();
  static TEncoding* Unicode();           // UTF-16LE
  static TEncoding* BigEndianUnicode();  // UTF-16BE
  static bool IsStandardEncoding(const TEncoding* aEncoding) { return aEncoding && aEncoding->FStandard; }

  TEncodingKind Kind() const { return FKind; }
  // 0 for an encoding found by a name the C library's converter knows (see Name).
  int CodePage() const { return FCodePage; }
  // The name such an encoding was found under; empty for the code-page ones.
  const std::u16string& Name() const { return FName; }

  // An encoding for a name the C library's converter knows (case-blind, with a few common
  // names it lacks), owned by the caller; nullptr for an unknown name and for encodings that do
  // not write the characters of an XML declaration as ASCII does (UTF-16, UTF-32, EBCDIC...):
  // a declaration read as ASCII bytes cannot truthfully name one of those.
  static TEncoding* FromConverterName(std::u16string_view aName);
  // What Default resolves a locale charset name to (a new object owned by the caller).
  static TEncoding* ForLocaleCharset(std::string_view aCodeset);
  bool IsSingleByte() const { return FSingleByte; }
  std::vector<uint8_t> GetPreamble() const;

  // An upper bound of the code units that aCount bytes decode to (and of bytes per code unit
  // times units for encoding), for callers that size their buffers once.
  size_t MaxCharCount(size_t aByteCount) const;
  size_t MaxByteCount(size_t aCharCount) const;

  // Decodes into aOut from index 0 and returns the number of code units produced. aOut is grown
  // when too small but never shrunk: a buffer reused block after block is allocated and touched
  // once. Code units past the returned count are unspecified.
  size_t DecodeInto(const uint8_t* aBytes, size_t aCount, std::u16string& aOut) const;
  size_t GetCharCount(const uint8_t* aBytes, size_t aCount) const;
  // For a multi-byte code page: how many bytes at the end of aBytes begin a character that the
  // block does not finish (0 when it ends on a character boundary, and always 0 for the other
  // kinds). Readers that cut their input into blocks use it so that a character split by a
  // block end is not decoded as two replacement characters.
  size_t IncompleteTail(const uint8_t* aBytes, size_t aCount) const;
  std::u16string GetString(const uint8_t* aBytes, size_t aCount) const;
  std::u16string GetString(const std::vector<uint8_t>& aBytes) const {
    return GetString(aBytes.data(), aBytes.size());
  }
  std::u16string GetString(std::string_view aBytes) const {
    return GetString(reinterpret_cast<const uint8_t*>(aBytes.data()), aBytes.size());
  }

  // Encodes into aOut from index 0, the same way; returns the byte count.
  size_t EncodeInto(std::u16string_view aText, std::vector<uint8_t>& aOut) const;
  std::vector<uint8_t> GetBytes(std::u16string_view aText) const;

  // An independent copy, owned by the caller (also for a standard instance).
  TEncoding* Clone() const { return new TEncoding(*this); }

private:
  struct TConverter;

  TEncoding(int aCodePage, bool aStandard);
  TEncoding(std::string aConverterName, std::u16string aName);
  template <int ACodePage>
  static TEncoding* Shared();
  void Setup();
  bool WritesAsciiAsAscii() const;
  size_t DecodeCodePage(const uint8_t* aBytes, size_t aCount, std::u16string& aOut) const;
  size_t EncodeCodePage(std::u16string_view aText, std::vector<uint8_t>& aOut) const;

  TEncodingKind FKind = ekCodePage;
  int FCodePage;
  bool FStandard = false;
  bool FSingleByte = false;
  bool FNoPreamble = false;  // the system encoding, also when it is UTF-8
  std::string FIconvName;
  std::u16string FName;
  // Single-byte code pages convert by table: byte to code unit, and code unit to byte (0 where
  // the code unit has no byte; U+0000 itself maps to byte 0 separately).
  std::unique_ptr<char16_t[]> FDecodeTable;
  std::unique_ptr<uint8_t[]> FEncodeTable;
  // Multi-byte code pages keep their conversion handles; such objects belong to one thread.
  std::unique_ptr<TConverter> FConverter;
};

// The 33 names of the alias table, searched from the top, without regard to the case of ASCII
// letters and without trimming; 0 when the name is not in the table.
int AliasToCodePage(std::u16string_view aAlias);
// The encoding an XML declaration names: the alias table first (EncodingFromCodePage), then
// the C library's converter (TEncoding::FromConverterName). False and nullptr for a name
// neither knows.
bool EncodingFromAlias(std::u16string_view aAlias, TEncoding*& aEncoding);
// 0: system 8-bit, 1200, 1201, 65000, 65001: the shared instances; any other number a new
// encoding owned by the caller.
TEncoding* EncodingFromCodePage(int aCodePage);
int EncodingCodePage(const TEncoding* aEncoding);
// The name an XML declaration uses: the table's, else the name a converter encoding was found
// under, else the code page in decimal.
std::u16string EncodingAlias(const TEncoding* aEncoding);
// The encoding whose byte-order mark aBytes begin with (shared instances) and the mark's length;
// aDefault and 0 without a mark.
TEncoding* DetectBufferEncoding(const uint8_t* aBytes, size_t aCount, TEncoding* aDefault, int& aBOMLength);
// Reads up to 4 bytes at the stream's position, advances aPosition past a byte-order mark and
// leaves the stream at aPosition. Streams with fewer than 2 bytes left are not read.
TEncoding* DetectStreamEncoding(TStream& aStream, int64_t& aPosition, int64_t aStreamSize, TEncoding* aDefault);
std::vector<uint8_t> EncodingPreamble(const TEncoding* aEncoding);
// A shared instance itself; a copy (owned by the caller) of any other.
TEncoding* CloneEncoding(const TEncoding* aEncoding);
// Deletes aEncoding unless it is a shared instance.
void FreeEncoding(TEncoding* aEncoding);
