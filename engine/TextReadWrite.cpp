#include "TextReadWrite.h"

#include <algorithm>
#include <cstring>

namespace {

std::u16string ExceptionMessage(const ITextParseError& aError, std::u16string_view aReason) {
  std::u16string m(aReason);
  m += u"\r\n\r\n";
  m += FormatTextParseError(aError.GetURL(), aError.GetLine(), aError.GetLinePos(), aError.GetSrcTextPos(),
                            aError.GetSrcText());
  return m;
}

// Bytes to add to a UTF-8 block so that it does not end inside a multi-byte sequence, judged
// from the lead bytes near its end only.
int Utf8Completion(const uint8_t* B, int64_t n) {
  if (n <= 0 || B[n - 1] < 0x80) return 0;
  // B[n-k] masked equals value. Any byte of the block counts, its first included, so that
  // blocks of a few bytes complete too.
  auto at = [&](int64_t back, unsigned mask, unsigned value) { return n >= back && (B[n - back] & mask) == value; };
  if (at(1, 0xE0, 0xC0) || at(2, 0xF0, 0xE0) || at(3, 0xF8, 0xF0) || at(4, 0xFC, 0xF8) || at(5, 0xFE, 0xFC)) return 1;
  if (at(1, 0xF0, 0xE0) || at(2, 0xF8, 0xF0) || at(3, 0xFC, 0xF8) || at(4, 0xFE, 0xFC)) return 2;
  if (at(1, 0xF8, 0xF0) || at(2, 0xFC, 0xF8) || at(3, 0xFE, 0xFC)) return 3;
  if (at(1, 0xFC, 0xF8) || at(2, 0xFE, 0xFC)) return 4;
  if (at(1, 0xFE, 0xFC)) return 5;
  return 0;
}

}  // namespace

// ---- exceptions ----

std::u16string FormatTextParseError(std::u16string_view aURL, int64_t aLine, int64_t aLinePos, int32_t aSrcTextPos,
                                    std::u16string_view aSrcText) {
  std::u16string t = u"Reading at:";
  if (!aURL.empty()) t += Format(u"\r\nURL: %s", {aURL});
  t += Format(u"\r\nLine: %d\r\nChar: %d\r\nPosition in source stub: %d\r\nSource stub:\r\n%s",
              {aLine, aLinePos, int64_t(aSrcTextPos), aSrcText});
  return t;
}

ETextReaderException::ETextReaderException(const ITextParseError& aError, std::u16string_view aReason)
    : EGeneralError(ExceptionMessage(aError, aReason)),
      fURL(aError.GetURL()),
      fReason(aReason),
      fLinePos(aError.GetLinePos()),
      fLine(aError.GetLine()),
      fSrcText(aError.GetSrcText()),
      fSrcTextPos(aError.GetSrcTextPos()) {}

std::u16string ETextReaderException::GetFormattedErrorText() const {
  return FormatTextParseError(fURL, fLine, fLinePos, fSrcTextPos, fSrcText);
}

ETextReaderExceptionClass ETextReaderException::ClassType() {
  static const TTextReaderExceptionClassInfo info{
      ClassErrorCode(), [](const ITextParseError& e, std::u16string_view r) { throw ETextReaderException(e, r); }};
  return &info;
}

ETextReaderExceptionClass EXMLReaderInvalidCharacter::ClassType() {
  static const TTextReaderExceptionClassInfo info{
      ClassErrorCode(), [](const ITextParseError& e, std::u16string_view r) { throw EXMLReaderInvalidCharacter(e, r); }};
  return &info;
}

ETextReaderExceptionClass EXMLReaderInvalidStructure::ClassType() {
  static const TTextReaderExceptionClassInfo info{
      ClassErrorCode(), [](const ITextParseError& e, std::u16string_view r) { throw EXMLReaderInvalidStructure(e, r); }};
  return &info;
}

// ---- parse errors ----

TTextParseError::TTextParseError(TTextReader& aReader, std::u16string_view aReason)
    : fURL(aReader.URL()), fReason(aReason), fLine(aReader.Line()), fLinePos(aReader.LinePosition()) {
  fSrcText = aReader.ReadPreviousString(30, true);
  fSrcTextPos = static_cast<int32_t>(fSrcText.size());
  fSrcText += aReader.ReadString(10, true, false);
}

void TTextParseError::RaiseException() const { GetExceptionClass()->Raise(*this, fReason); }

void TTextParseError::RaiseAndEatException() const {
  try {
    RaiseException();
  } catch (const ETextReaderException&) {
  }
}

// ---- reader ----

TTextReader::TTextReader(int32_t aBufferSize) : fBufferSize(std::max<int32_t>(aBufferSize, 1)) {}

TTextReader::TTextReader(TStream* aStream, TEncoding* aDefaultEncoding, int32_t aBufferSize) : TTextReader(aBufferSize) {
  InitStream(aStream, aDefaultEncoding);
}

TTextReader::~TTextReader() {
  ReleaseDocument();
  if (fOwnsEncoding) FreeEncoding(fEncoding);
}

void TTextReader::InitFile(const std::u16string& aFileName, TEncoding* aDefaultEncoding) {
  TFileStream* stream;
  try {
    stream = new TFileStream(aFileName, fmOpenRead);
  } catch (...) {
    if (aDefaultEncoding != fEncoding) FreeEncoding(aDefaultEncoding);
    throw;
  }
  InitReader(stream, true, aDefaultEncoding);
  fURL = aFileName;
}

void TTextReader::InitStream(TStream* aStream, TEncoding* aDefaultEncoding) {
  if (dynamic_cast<TCustomMemoryStream*>(aStream) || dynamic_cast<THandleStream*>(aStream)) {
    InitReader(aStream, false, aDefaultEncoding);
    return;
  }
  std::unique_ptr<TBufferedReadStream> wrapper;
  try {
    wrapper = std::make_unique<TBufferedReadStream>(aStream, false, fBufferSize);
  } catch (...) {
    if (aDefaultEncoding != fEncoding) FreeEncoding(aDefaultEncoding);
    throw;
  }
  InitReader(wrapper.release(), true, aDefaultEncoding);
}

void TTextReader::InitString(std::u16string_view aString) {
  auto* m = new TMemoryStream;
  m->WriteBuffer(aString.data(), static_cast<int64_t>(aString.size()) * 2);
  m->SetPosition(0);
  InitReader(m, true, nullptr);
  SetEncoding(TEncoding::Unicode());
}

void TTextReader::InitString_UTF8(std::string_view aString) {
  auto* m = new TMemoryStream;
  m->WriteBuffer(aString.data(), static_cast<int64_t>(aString.size()));
  m->SetPosition(0);
  InitReader(m, true, nullptr);
  SetEncoding(TEncoding::UTF8());
}

void TTextReader::InitBuffer(const std::vector<uint8_t>& aBuffer, TEncoding* aDefaultEncoding) {
  InitBuffer(aBuffer.data(), static_cast<int64_t>(aBuffer.size()), aDefaultEncoding);
}

void TTextReader::InitBuffer(const void* aBuffer, int64_t aBufferLength, TEncoding* aDefaultEncoding) {
  auto* m = new TMemoryStream;
  if (aBuffer && aBufferLength > 0) m->WriteBuffer(aBuffer, aBufferLength);
  m->SetPosition(0);
  InitReader(m, true, aDefaultEncoding);
}

void TTextReader::InitReader(TStream* aStream, bool aOwnsStream, TEncoding* aDefaultEncoding) {
  fEOF = false;
  ReleaseDocument();
  fStream = aStream;
  fOwnsStream = aOwnsStream;
  fMemoryStream = dynamic_cast<TCustomMemoryStream*>(aStream);
  fBufferedStream = aOwnsStream ? dynamic_cast<TBufferedReadStream*>(aStream) : nullptr;
  fStreamPosition = fStreamStartPosition = aStream->Position();
  fStreamSize = aStream->Size();
  fParseError.reset();

  BlockFlushTempBuffer();
  TEncoding* detected = DetectStreamEncoding(*aStream, fStreamPosition, fStreamSize, aDefaultEncoding);
  fBOMFound = fStreamPosition != fStreamStartPosition;
  UnblockFlushTempBuffer();

  TEncoding* old = fEncoding;
  bool ownedOld = fOwnsEncoding;
  fEncoding = detected;
  fOwnsEncoding = !TEncoding::IsStandardEncoding(detected);
  if (ownedOld && old != detected) FreeEncoding(old);
  // The reader took the default; a byte-order mark can leave it unused.
  if (aDefaultEncoding && aDefaultEncoding != detected && aDefaultEncoding != old) FreeEncoding(aDefaultEncoding);

  fTempStringIndex = 0;
  fTempStringLength = 0;
  fPreviousChar = 0;
  fReadFromUndo = false;
  SyncReadLimit();
  fFileBase = 0;
  fLineStart = 0;
  fLine = 1;
  fURL.clear();
}

void TTextReader::ReleaseDocument() {
  if (fOwnsStream) delete fStream;
  fStream = nullptr;
  fMemoryStream = nullptr;
  fBufferedStream = nullptr;
  fOwnsStream = false;
}

void TTextReader::DropBlock() {
  fPreviousChar = PreviousChar();
  fFileBase += fTempStringIndex;
  fTempStringIndex = 0;
  fTempStringLength = 0;
  SyncReadLimit();
}

void TTextReader::LoadNextBlock() {
  DropBlock();
  if (!fStream) return;
  int64_t n = std::min<int64_t>(fBufferSize, fStreamSize - fStreamPosition);
  if (n <= 0) return;

  const uint8_t* bytes;
  if (fMemoryStream) {
    // Decoded where it lies: no copy of memory the stream already holds.
    int64_t avail = fMemoryStream->Size() - fStreamPosition;
    if (avail < n) throw EReadError(u"Stream read error");
    bytes = static_cast<const uint8_t*>(fMemoryStream->Memory()) + fStreamPosition;
  } else {
    if (fBlock.size() < static_cast<size_t>(n) + 8) fBlock.resize(static_cast<size_t>(n) + 8);
    fStream->ReadBuffer(fBlock.data(), n);
    bytes = fBlock.data();
  }

  // Complete the block so that it does not end inside a character. At the end of the source the
  // missing bytes do not exist: the incomplete character is decoded as it stands (a replacement
  // character) rather than failing the whole read.
  int64_t extra = 0;
  TEncodingKind kind = fEncoding->Kind();
  if (kind == ekUTF8)
    extra = Utf8Completion(bytes, n);
  else if ((kind == ekUTF16LE || kind == ekUTF16BE) && (n & 1))
    extra = 1;
  extra = std::min(extra, fStreamSize - fStreamPosition - n);
  if (extra > 0) {
    if (fMemoryStream) {
      if (fMemoryStream->Size() - fStreamPosition < n + extra) throw EReadError(u"Stream read error");
    } else {
      fStream->ReadBuffer(fBlock.data() + n, extra);
    }
    n += extra;
  }
  // Multi-byte code pages (Shift-JIS, GBK, Big5...) have no self-describing lead bytes, so the
  // decoder itself tells whether the block ends inside a character; such a character is
  // completed byte by byte (at most 4 bytes long in every code page we know).
  if (kind == ekCodePage && !fEncoding->IsSingleByte()) {
    for (int k = 0; k < 4 && fStreamSize - fStreamPosition - n > 0 && fEncoding->IncompleteTail(bytes, n) > 0; ++k) {
      if (fMemoryStream) {
        if (fMemoryStream->Size() - fStreamPosition < n + 1) throw EReadError(u"Stream read error");
      } else {
        if (fBlock.size() < static_cast<size_t>(n) + 1) {
          fBlock.resize(static_cast<size_t>(n) + 8);
          bytes = fBlock.data();
        }
        fStream->ReadBuffer(fBlock.data() + n, 1);
      }
      ++n;
    }
  }
  fStreamPosition += n;
  if (fMemoryStream) fMemoryStream->Seek(fStreamPosition, soBeginning);

  size_t len = fEncoding->DecodeInto(bytes, static_cast<size_t>(n), fTempString);
  if (len == 0) len = TEncoding::ASCII()->DecodeInto(bytes, static_cast<size_t>(n), fTempString);
  fChars = fTempString.data();
  fTempStringLength = static_cast<int32_t>(len);
  SyncReadLimit();
}

bool TTextReader::ReadNextCharSlow(char16_t& aChar) {
  if (fReadFromUndo) {
    aChar = PreviousChar();
    fReadFromUndo = false;
    SyncReadLimit();
    return true;
  }
  if (!fEOF) {
    // At the end the last block stays: an error found there still gets the text of the line
    // where the input was cut as its source stub.
    if (fStream && fStreamSize - fStreamPosition > 0) {
      LoadNextBlock();
      if (fTempStringLength > 0) return ReadNextChar(aChar);
    }
    fEOF = true;
    ReleaseDocument();
  }
  aChar = 0;
  return false;
}

void TTextReader::UndoRead() {
  if (fReadFromUndo) throw ETextReader(u"Unsupported: you tried to run the undo function two times in a row.");
  // At the end, or before anything was delivered, there is nothing to give back.
  if (fEOF || FilePosition() == 0) return;
  fReadFromUndo = true;
  SyncReadLimit();
}

std::u16string TTextReader::ReadString(int64_t aMaxChars, bool aBreakAtNewLine, bool aMoveCaretAfterNewLine) {
  std::u16string result;
  if (aMaxChars <= 0) return result;
  result.reserve(static_cast<size_t>(std::min<int64_t>(aMaxChars, 8192)));
  char16_t c;
  while (static_cast<int64_t>(result.size()) < aMaxChars && ReadNextChar(c)) {
    if (aBreakAtNewLine && (c == u'\r' || c == u'\n')) {
      UndoRead();
      break;
    }
    result.push_back(c);
  }
  if (aBreakAtNewLine && aMoveCaretAfterNewLine && ReadNextChar(c)) {
    if (c == u'\r') {
      if (ReadNextChar(c) && c != u'\n') UndoRead();
    } else if (c != u'\n') {
      UndoRead();
    }
  }
  return result;
}

std::u16string TTextReader::ReadPreviousString(int64_t aMaxChars, bool aBreakAtNewLine) const {
  int64_t p = TempStringPosition();
  int64_t k = std::min<int64_t>(aMaxChars, p - 1);
  if (k <= 0) return {};
  std::u16string result = fTempString.substr(static_cast<size_t>(p - 1 - k), static_cast<size_t>(k));
  if (aBreakAtNewLine) {
    size_t cut = result.find_last_of(u"\r\n");
    if (cut != std::u16string::npos) result.erase(0, cut + 1);
  }
  return result;
}

void TTextReader::BlockFlushTempBuffer() {
  if (fBufferedStream) fBufferedStream->BlockFlushTempBuffer();
}

void TTextReader::UnblockFlushTempBuffer() {
  if (fBufferedStream) fBufferedStream->UnblockFlushTempBuffer();
}

void TTextReader::RaiseException(TTextParseErrorClass aErrorClass, std::u16string_view aReason) {
  fParseError = aErrorClass(*this, aReason);
  switch (fErrorHandling) {
    case ehSilent: break;
    case ehRaiseAndEat: fParseError->RaiseAndEatException(); break;
    case ehRaise: fParseError->RaiseException(); break;
  }
}

void TTextReader::RaiseExceptionFmt(TTextParseErrorClass aErrorClass, std::u16string_view aReason,
                                    std::initializer_list<TFormatArg> aArgs) {
  RaiseException(aErrorClass, Format(aReason, aArgs));
}

void TTextReader::SetEncoding(TEncoding* aEncoding) {
  if (aEncoding == fEncoding || !aEncoding) return;
  if (fOwnsEncoding) FreeEncoding(fEncoding);
  fEncoding = aEncoding;
  fOwnsEncoding = !TEncoding::IsStandardEncoding(aEncoding);
  if (fStream) fStream->Seek(fStreamStartPosition, soBeginning);
  fStreamPosition = fStreamStartPosition;
  DropBlock();
}

// ---- writer ----

TTextWriter::TTextWriter(int32_t aCharBufferSize)
    : fTempString(static_cast<size_t>(std::max<int32_t>(aCharBufferSize, 2)), u'\0'),
      fTempStringLength(std::max<int32_t>(aCharBufferSize, 2)),
      fEncoding(TEncoding::Default()) {}

TTextWriter::TTextWriter(TStream* aStream, bool aOwnsStream, TEncoding* aEncoding, bool aWriteBOM,
                         int32_t aCharBufferSize)
    : TTextWriter(aCharBufferSize) {
  InitStream(aStream, aOwnsStream, aEncoding, aWriteBOM);
}

TTextWriter::~TTextWriter() {
  try {
    ReleaseDocument();
  } catch (...) {
    // The target refused the last bytes; an owned file from InitFile is dropped uncompleted.
    if (fOwnsStream) delete fStream;
    fStream = nullptr;
  }
  if (fOwnsEncoding) FreeEncoding(fEncoding);
}

void TTextWriter::InitFile(const std::u16string& aFileName, TEncoding* aEncoding, bool aWriteBOM) {
  ReleaseDocument();
  TAtomicFileStream* stream;
  try {
    stream = new TAtomicFileStream(aFileName);
  } catch (...) {
    if (aEncoding != fEncoding) FreeEncoding(aEncoding);
    throw;
  }
  InitStream(stream, true, aEncoding, aWriteBOM);
}

void TTextWriter::InitStream(TStream* aStream, bool aOwnsStream, TEncoding* aEncoding, bool aWriteBOM) {
  ReleaseDocument();
  fStream = aStream;
  fOwnsStream = aOwnsStream;
  fTempStringIndex = 0;
  fBOMWritten = false;
  if (aEncoding) {
    SetEncoding(aEncoding);
    fWriteBOM = aWriteBOM;
  }
}

void TTextWriter::WriteString(std::u16string_view aString) {
  if (aString.empty()) return;
  size_t n = aString.size();
  if (n > static_cast<size_t>(fTempStringLength - fTempStringIndex)) {
    // A surrogate pair split between the buffer and this string is written out as one piece.
    if (fTempStringIndex > 0 && IsHighSurrogate(fTempString[fTempStringIndex - 1]) && IsLowSurrogate(aString[0])) {
      char16_t high = fTempString[fTempStringIndex - 1];
      --fTempStringIndex;
      EnsureTempStringWritten();
      if (n + 1 > static_cast<size_t>(fTempStringLength)) {
        std::u16string joined(1, high);
        joined += aString;
        WriteEncoded(joined);
        return;
      }
      fTempString[0] = high;
      fTempStringIndex = 1;
      std::memcpy(&fTempString[1], aString.data(), n * sizeof(char16_t));
      fTempStringIndex += static_cast<int32_t>(n);
      return;
    }
    EnsureTempStringWritten();
  }
  if (n > static_cast<size_t>(fTempStringLength)) {
    WriteEncoded(aString);
    return;
  }
  std::memcpy(&fTempString[static_cast<size_t>(fTempStringIndex)], aString.data(), n * sizeof(char16_t));
  fTempStringIndex += static_cast<int32_t>(n);
}

void TTextWriter::WriteOutFullBuffer() {
  // A high surrogate at the very end waits for its low half, so the pair is encoded together.
  char16_t last = fTempString[static_cast<size_t>(fTempStringIndex - 1)];
  if (IsHighSurrogate(last)) {
    --fTempStringIndex;
    EnsureTempStringWritten();
    fTempString[0] = last;
    fTempStringIndex = 1;
    return;
  }
  EnsureTempStringWritten();
}

void TTextWriter::EnsureTempStringWritten() {
  if (fTempStringIndex <= 0) return;
  WriteEncoded(std::u16string_view(fTempString.data(), static_cast<size_t>(fTempStringIndex)));
  fTempStringIndex = 0;
}

void TTextWriter::WriteEncoded(std::u16string_view aText) {
  // Text with nowhere to go is an error rather than silently lost.
  if (!fStream) throw EWriteError(u"Stream write error");
  if (fWriteBOM && !fBOMWritten) {
    std::vector<uint8_t> bom = EncodingPreamble(fEncoding);
    if (!bom.empty()) fStream->WriteBuffer(bom.data(), static_cast<int64_t>(bom.size()));
  }
  fBOMWritten = true;
  size_t n = fEncoding->EncodeInto(aText, fBytes);
  if (n > 0) fStream->WriteBuffer(fBytes.data(), static_cast<int64_t>(n));
}

void TTextWriter::ReleaseDocument() {
  if (!fStream) return;
  EnsureTempStringWritten();
  if (fOwnsStream) {
    if (auto* atomic = dynamic_cast<TAtomicFileStream*>(fStream)) atomic->Commit();
    delete fStream;
  }
  fStream = nullptr;
  fOwnsStream = false;
}

void TTextWriter::SetEncoding(TEncoding* aEncoding) {
  if (!aEncoding) aEncoding = TEncoding::Default();
  if (aEncoding == fEncoding) return;
  if (fStream) EnsureTempStringWritten();
  if (fOwnsEncoding) FreeEncoding(fEncoding);
  fEncoding = aEncoding;
  fOwnsEncoding = !TEncoding::IsStandardEncoding(aEncoding);
}
