// The character reader and writer of the engine. TTextReader turns bytes into UTF-16 code units
// one at a time (with a one-step undo, line counting and source excerpts for error reports);
// TTextWriter buffers UTF-16 text and writes it in an encoding. Parse errors are the shared
// ITextParseError objects that every reading component records its first syntax error in.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "BufferedStreams.h"
#include "Encodings.h"
#include "WideSupport.h"

class TTextReader;
class ITextParseError;
class TTextParseError;

// ---- exceptions ----

class ETextReaderException;

// The error code of each exception class (GetErrorCode), as callers show and compare it.
enum TParseErrorCode : int {
  pcTextReader = 0,        // ETextReaderException itself
  pcInvalidStructure = 3,  // EXMLReaderInvalidStructure
  pcInvalidCharacter = 5   // EXMLReaderInvalidCharacter
};

// Stands for an exception class: its error code and how to raise one built from an error.
struct TTextReaderExceptionClassInfo {
  int ErrorCode;
  void (*Raise)(const ITextParseError& aError, std::u16string_view aReason);  // always throws
};
using ETextReaderExceptionClass = const TTextReaderExceptionClassInfo*;

// An error found while reading text, raised from a parse error. The message is the reason,
// two line breaks and the formatted error text.
class ETextReaderException : public EGeneralError {
public:
  ETextReaderException(const ITextParseError& aError, std::u16string_view aReason);

  static int ClassErrorCode() { return pcTextReader; }
  virtual int GetErrorCode() const { return ClassErrorCode(); }
  static ETextReaderExceptionClass ClassType();

  // "Reading at:" with the URL (when set), line, character, stub position and source stub.
  std::u16string GetFormattedErrorText() const;

  const std::u16string& URL() const { return fURL; }
  const std::u16string& Reason() const { return fReason; }
  int64_t LinePos() const { return fLinePos; }
  int64_t Line() const { return fLine; }
  const std::u16string& SrcText() const { return fSrcText; }
  int32_t SrcTextPos() const { return fSrcTextPos; }

private:
  std::u16string fURL;
  std::u16string fReason;
  int64_t fLinePos;
  int64_t fLine;
  std::u16string fSrcText;
  int32_t fSrcTextPos;
};

// The error text of an error: the same text an exception raised from it carries after its reason.
std::u16string FormatTextParseError(std::u16string_view aURL, int64_t aLine, int64_t aLinePos, int32_t aSrcTextPos,
                                    std::u16string_view aSrcText);

class ETextReader : public EGeneralError { using EGeneralError::EGeneralError; };

// ---- parse errors ----

class ITextParseError {
public:
  virtual ~ITextParseError() = default;
  virtual ETextReaderExceptionClass GetExceptionClass() const = 0;
  virtual int GetErrorCode() const = 0;
  virtual const std::u16string& GetURL() const = 0;
  virtual const std::u16string& GetReason() const = 0;
  virtual const std::u16string& GetSrcText() const = 0;
  virtual int32_t GetSrcTextPos() const = 0;
  virtual int64_t GetLine() const = 0;
  virtual int64_t GetLinePos() const = 0;
  // Raises the exception of GetExceptionClass built from this error.
  virtual void RaiseException() const = 0;
  // Raises it and catches it at once when it is an ETextReaderException.
  virtual void RaiseAndEatException() const = 0;
};

// Builds a parse error of one kind for a reader at its current position.
using TTextParseErrorClass = std::shared_ptr<TTextParseError> (*)(TTextReader& aReader, std::u16string_view aReason);

// Records where an error happened: the reader's URL, line and position, and a source stub of at
// most 30 code units before the position and 10 after it, never crossing a line break. Creating
// one moves the reader on by those (up to) 10 code units.
class TTextParseError : public ITextParseError {
public:
  TTextParseError(TTextReader& aReader, std::u16string_view aReason);

  int GetErrorCode() const override { return GetExceptionClass()->ErrorCode; }
  const std::u16string& GetURL() const override { return fURL; }
  const std::u16string& GetReason() const override { return fReason; }
  const std::u16string& GetSrcText() const override { return fSrcText; }
  int32_t GetSrcTextPos() const override { return fSrcTextPos; }
  int64_t GetLine() const override { return fLine; }
  int64_t GetLinePos() const override { return fLinePos; }
  void RaiseException() const override;
  void RaiseAndEatException() const override;

  const std::u16string& URL() const { return fURL; }
  int ErrorCode() const { return GetErrorCode(); }
  int64_t Line() const { return fLine; }
  int64_t LinePos() const { return fLinePos; }
  const std::u16string& Reason() const { return fReason; }
  const std::u16string& SrcText() const { return fSrcText; }
  int32_t SrcTextPos() const { return fSrcTextPos; }

private:
  std::u16string fURL;
  std::u16string fReason;
  std::u16string fSrcText;
  int32_t fSrcTextPos;
  int64_t fLine;
  int64_t fLinePos;
};

// The two kinds of error the XML readers report.
class EXMLReaderInvalidCharacter : public ETextReaderException {
public:
  using ETextReaderException::ETextReaderException;
  static int ClassErrorCode() { return pcInvalidCharacter; }
  int GetErrorCode() const override { return ClassErrorCode(); }
  static ETextReaderExceptionClass ClassType();
};

class EXMLReaderInvalidStructure : public ETextReaderException {
public:
  using ETextReaderException::ETextReaderException;
  static int ClassErrorCode() { return pcInvalidStructure; }
  int GetErrorCode() const override { return ClassErrorCode(); }
  static ETextReaderExceptionClass ClassType();
};

// A parse error kind that raises the exception class E.
template <class E>
class TTextParseErrorOf : public TTextParseError {
public:
  using TTextParseError::TTextParseError;
  ETextReaderExceptionClass GetExceptionClass() const override { return E::ClassType(); }
  static std::shared_ptr<TTextParseError> Create(TTextReader& aReader, std::u16string_view aReason) {
    return std::make_shared<TTextParseErrorOf<E>>(aReader, aReason);
  }
  static TTextParseErrorClass ClassType() { return &Create; }
};

using TXMLParseErrorInvalidCharacter = TTextParseErrorOf<EXMLReaderInvalidCharacter>;
using TXMLParseErrorInvalidStructure = TTextParseErrorOf<EXMLReaderInvalidStructure>;

// ---- reader ----

enum TTextReaderErrorHandling {
  ehSilent,        // the error is only stored
  ehRaiseAndEat,   // the exception is raised and caught at once
  ehRaise          // the exception leaves the reader
};

class TTextReader {
public:
  explicit TTextReader(int32_t aBufferSize);
  // Takes aDefaultEncoding as InitStream does.
  TTextReader(TStream* aStream, TEncoding* aDefaultEncoding, int32_t aBufferSize);
  ~TTextReader();
  TTextReader(const TTextReader&) = delete;
  TTextReader& operator=(const TTextReader&) = delete;

  // Every Init releases the previous source. aDefaultEncoding (nullptr: the system 8-bit
  // encoding) applies when the source has no byte-order mark; a non-shared one is owned by the
  // reader from then on, also when a mark makes it unused.
  // Opens the file for reading while others may read and write it; a file that cannot be opened
  // raises EFOpenError before anything of the reader changes.
  void InitFile(const std::u16string& aFileName, TEncoding* aDefaultEncoding = nullptr);
  // Memory and file streams are read directly, others through an owned TBufferedReadStream.
  // aStream itself is never owned.
  void InitStream(TStream* aStream, TEncoding* aDefaultEncoding = nullptr);
  void InitString(std::u16string_view aString);
  void InitString_UTF8(std::string_view aString);
  void InitBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aDefaultEncoding = nullptr);
  void InitBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aDefaultEncoding = nullptr);
  void ReleaseDocument();

  // The next code unit; false with aChar 0 at the end, and from then on.
  [[gnu::always_inline]] bool ReadNextChar(char16_t& aChar) {
    // One test covers both the end of the block and a pending undo (fReadLimit is then -1).
    if (fTempStringIndex >= fReadLimit) [[unlikely]]
      return ReadNextCharSlow(aChar);
    char16_t c = fChars[fTempStringIndex++];
    if (c <= u'\r') [[unlikely]]
      CountLineBreak(c);
    aChar = c;
    return true;
  }
  // The last code unit will be delivered again. ETextReader when an undo is already pending;
  // nothing at the end.
  void UndoRead();
  // Scanners take plain runs in one step: the code units ahead in the current block up to the
  // first one for which aStop is true, consumed as if read one by one. Empty at a block end or
  // while an undo is pending, where the caller goes on with ReadNextChar. aStop must hold for
  // CR and LF, since line counting sees only what ReadNextChar delivers.
  template <class TStop>
  std::u16string_view ReadRun(TStop aStop) {
    if (fTempStringIndex >= fReadLimit) return {};
    const char16_t* const first = fChars + fTempStringIndex;
    const char16_t* const end = fChars + fTempStringLength;
    const char16_t* p = first;
    while (p < end && !aStop(*p)) ++p;
    fTempStringIndex += static_cast<int32_t>(p - first);
    return {first, static_cast<size_t>(p - first)};
  }

  // Scanners that walk the decoded block themselves read Block()[Index() .. ScanEnd()) and then
  // consume what they took with SkipTo. ScanEnd() is -1 while an undo is pending, so that
  // nothing is ahead then.
  const char16_t* Block() const { return fChars; }
  int32_t Index() const { return fTempStringIndex; }
  int32_t ScanEnd() const { return fReadLimit; }
  // Consumes the code units up to aIndex, which hold no CR or LF.
  void SkipTo(int32_t aIndex) { fTempStringIndex = aIndex; }
  // Consumes up to aIndex, where the units consumed hold line breaks that make aLines lines as
  // ReadNextChar counts them (a CR LF pair once), the last one at aLastBreak.
  void SkipTo(int32_t aIndex, int32_t aLines, int32_t aLastBreak) {
    fTempStringIndex = aIndex;
    fLine += aLines;
    fLineStart = fFileBase + aLastBreak + 1;
  }

  std::u16string ReadString(int64_t aMaxChars, bool aBreakAtNewLine, bool aMoveCaretAfterNewLine);
  std::u16string ReadString(bool aBreakAtNewLine, bool aMoveCaretAfterNewLine) {
    return ReadString(2147483647, aBreakAtNewLine, aMoveCaretAfterNewLine);
  }
  // Up to aMaxChars code units already delivered from the current block; nothing moves.
  std::u16string ReadPreviousString(int64_t aMaxChars, bool aBreakAtNewLine) const;

  void BlockFlushTempBuffer();
  void UnblockFlushTempBuffer();

  void RaiseException(TTextParseErrorClass aErrorClass, std::u16string_view aReason);
  void RaiseExceptionFmt(TTextParseErrorClass aErrorClass, std::u16string_view aReason,
                         std::initializer_list<TFormatArg> aArgs);

  const std::u16string& URL() const { return fURL; }
  void SetURL(std::u16string aURL) { fURL = std::move(aURL); }
  TEncoding* Encoding() const { return fEncoding; }
  // The encoding switch: the source is decoded again from its first byte (before any byte-order
  // mark) with aEncoding; the counters keep their values.
  void SetEncoding(TEncoding* aEncoding);
  bool OwnsEncoding() const { return fOwnsEncoding; }
  void SetOwnsEncoding(bool aValue) { fOwnsEncoding = aValue; }
  TTextReaderErrorHandling ErrorHandling() const { return fErrorHandling; }
  void SetErrorHandling(TTextReaderErrorHandling aValue) { fErrorHandling = aValue; }
  const std::shared_ptr<ITextParseError>& ParseError() const { return fParseError; }

  int64_t StreamSize() const { return fStreamSize; }
  int64_t StreamPosition() const { return fStreamPosition; }
  // Both follow from the block index, so the per-character path keeps no counters of its own.
  int64_t FilePosition() const { return fFileBase + fTempStringIndex - (fReadFromUndo ? 1 : 0); }
  int64_t LinePosition() const { return FilePosition() - fLineStart; }
  int64_t Line() const { return fLine; }
  bool BOMFound() const { return fBOMFound; }
  bool Eof() const { return fEOF; }
  // 1-based index in the decoded block of the code unit the next read delivers.
  int32_t TempStringPosition() const { return fTempStringIndex + 1 - (fReadFromUndo ? 1 : 0); }
  int32_t TempStringLength() const { return fTempStringLength; }
  int32_t TempStringRemain() const { return fTempStringLength - fTempStringIndex; }
  // A progress figure: bytes consumed plus code units of the current block.
  int64_t ApproxStreamPosition() const { return fStreamPosition + fTempStringIndex + 1 - fStreamStartPosition; }

private:
  void InitReader(TStream* aStream, bool aOwnsStream, TEncoding* aDefaultEncoding);
  void TakeEncoding(TEncoding* aEncoding);
  void LoadNextBlock();
  bool ReadNextCharSlow(char16_t& aChar);
  // c, just delivered from the block, when it is CR or LF.
  void CountLineBreak(char16_t c) {
    if (c == u'\n') {
      if (CharBefore(fTempStringIndex - 1) != u'\r') ++fLine;
      fLineStart = FilePosition();
    } else if (c == u'\r') {
      ++fLine;
      fLineStart = FilePosition();
    }
  }
  void DropBlock();
  void SyncReadLimit() { fReadLimit = fReadFromUndo ? -1 : fTempStringLength; }
  // The code unit before index aIndex of the block, reaching into the previous block.
  char16_t CharBefore(int32_t aIndex) const { return aIndex > 0 ? fChars[aIndex - 1] : fPreviousChar; }
  char16_t PreviousChar() const { return CharBefore(fTempStringIndex); }

  std::u16string fURL;
  // The decoded block; its size is the largest block decoded so far, the valid part is
  // fTempStringLength code units. fTempStringIndex is the 0-based index of the next code unit.
  std::u16string fTempString;
  const char16_t* fChars = nullptr;  // fTempString.data()
  int32_t fTempStringIndex = 0;
  int32_t fTempStringLength = 0;
  int32_t fReadLimit = 0;  // fTempStringLength, or -1 while an undo is pending
  int32_t fBufferSize;
  TStream* fStream = nullptr;
  TCustomMemoryStream* fMemoryStream = nullptr;      // fStream when it can be decoded in place
  TBufferedReadStream* fBufferedStream = nullptr;    // fStream when the reader wrapped the source
  int64_t fStreamSize = 0;
  int64_t fStreamPosition = 0;
  int64_t fStreamStartPosition = 0;
  bool fOwnsStream = false;
  int64_t fFileBase = 0;   // code units delivered before the current block
  int64_t fLineStart = 0;  // FilePosition right after the last line break
  int64_t fLine = 1;
  TEncoding* fEncoding = nullptr;
  bool fOwnsEncoding = false;
  bool fBOMFound = false;
  bool fEOF = false;
  char16_t fPreviousChar = 0;  // the last code unit delivered before the current block
  bool fReadFromUndo = false;
  TTextReaderErrorHandling fErrorHandling = ehSilent;
  std::shared_ptr<ITextParseError> fParseError;
  std::vector<uint8_t> fBlock;  // raw bytes of a block read from a stream that is not in memory
};

// ---- writer ----

class TTextWriter {
public:
  explicit TTextWriter(int32_t aCharBufferSize);
  TTextWriter(TStream* aStream, bool aOwnsStream, TEncoding* aEncoding, bool aWriteBOM, int32_t aCharBufferSize);
  ~TTextWriter();
  TTextWriter(const TTextWriter&) = delete;
  TTextWriter& operator=(const TTextWriter&) = delete;

  // Writes to a temporary file beside aFileName that replaces it when the document is released,
  // so a failed write never leaves a half-written file. EFCreateError when it cannot be created.
  void InitFile(const std::u16string& aFileName, TEncoding* aEncoding, bool aWriteBOM);
  // aEncoding nullptr keeps the encoding and WriteBOM; otherwise the writer takes aEncoding
  // (owning it unless it is shared) and aWriteBOM.
  void InitStream(TStream* aStream, bool aOwnsStream, TEncoding* aEncoding, bool aWriteBOM);

  void WriteChar(char16_t aChar) {
    if (fTempStringIndex == fTempStringLength) WriteOutFullBuffer();
    fTempString[static_cast<size_t>(fTempStringIndex++)] = aChar;
  }
  void WriteString(std::u16string_view aString);
  void EnsureTempStringWritten();
  // Writes out what is buffered, completes a file from InitFile, destroys an owned target.
  void ReleaseDocument();

  TEncoding* Encoding() const { return fEncoding; }
  void SetEncoding(TEncoding* aEncoding);
  bool OwnsEncoding() const { return fOwnsEncoding; }
  void SetOwnsEncoding(bool aValue) { fOwnsEncoding = aValue; }
  bool WriteBOM() const { return fWriteBOM; }
  void SetWriteBOM(bool aValue) { fWriteBOM = aValue; }
  TStream* Stream() const { return fStream; }

private:
  void WriteEncoded(std::u16string_view aText);
  void WriteOutFullBuffer();

  std::u16string fTempString;
  int32_t fTempStringIndex = 0;  // 0-based index of the next free code unit
  int32_t fTempStringLength;
  TStream* fStream = nullptr;
  bool fOwnsStream = false;
  TEncoding* fEncoding;
  bool fOwnsEncoding = false;
  bool fWriteBOM = true;
  bool fBOMWritten = false;
  std::vector<uint8_t> fBytes;  // reused encoder output
};
