// Byte streams the engine reads and writes: the stream base, file and memory streams, the
// block-reading wrapper that can replay its start from memory, a read-only view over memory the
// caller owns, and the growable byte buffer in which readers collect token text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "WideSupport.h"

enum TSeekOrigin { soBeginning, soCurrent, soEnd };

// A byte stream. Counts and offsets are 64-bit; a Read or Write may move fewer bytes than asked,
// ReadBuffer and WriteBuffer repeat until everything has moved.
class TStream {
public:
  virtual ~TStream() = default;

  virtual int64_t Read(void* aBuffer, int64_t aCount) = 0;
  virtual int64_t Write(const void* aBuffer, int64_t aCount) = 0;
  virtual int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) = 0;
  virtual int64_t Size();
  // Raises EStreamError for streams whose size is fixed.
  virtual void SetSize(int64_t aNewSize);

  // The byte-array forms: aOffset and aCount must lie inside aBuffer (EArgumentOutOfRange).
  int64_t Read(std::vector<uint8_t>& aBuffer, int64_t aOffset, int64_t aCount);
  int64_t Write(const std::vector<uint8_t>& aBuffer, int64_t aOffset, int64_t aCount);

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t aPosition) { Seek(aPosition, soBeginning); }

  // Read exactly / write exactly: EReadError "Stream read error" / EWriteError "Stream write
  // error" when a call moves nothing before the count is complete.
  void ReadBuffer(void* aBuffer, int64_t aCount);
  void WriteBuffer(const void* aBuffer, int64_t aCount);

  // Copies aCount bytes (all from the current position to the end when aCount is 0).
  int64_t CopyFrom(TStream& aSource, int64_t aCount);
};

// A stream on an operating-system file handle.
class THandleStream : public TStream {
public:
  explicit THandleStream(int aHandle) : FHandle(aHandle) {}
  int Handle() const { return FHandle; }
  using TStream::Read;
  using TStream::Write;
  int64_t Read(void* aBuffer, int64_t aCount) override;
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override;
  void SetSize(int64_t aNewSize) override;

protected:
  int FHandle;
};

enum TFileMode {
  fmOpenRead,   // read only, a regular file only; others may read and write the file meanwhile
  fmOpenWrite,  // an existing file, write only, not truncated
  fmCreate      // create or replace, read and write
};

class TFileStream : public THandleStream {
public:
  // EFOpenError "Cannot open file "%s". %s" or EFCreateError "Cannot create file "%s". %s" with
  // the system's reason when the file cannot be opened or created. Read, anything but a regular
  // file (a folder, a pipe or FIFO, a device, a socket) is refused with EFOpenError without
  // waiting for a writer: a reader opens its file more than once and seeks in it.
  TFileStream(const std::u16string& aFileName, TFileMode aMode);
  ~TFileStream() override;
  const std::u16string& FileName() const { return FFileName; }

protected:
  TFileStream(const std::u16string& aFileName, int aHandle) : THandleStream(aHandle), FFileName(aFileName) {}
  std::u16string FFileName;
};

// Writes a file so that a failure never damages what is on disk. A regular file (new or
// existing) is written under a temporary name in its folder and Commit replaces it with one
// rename; destroyed without Commit, or failing, the stream removes the temporary file and the
// target stays as it was. A symbolic link is followed (a dangling one too): the file it points
// to is replaced and the link stays. A replaced file keeps its permissions and, where the
// system permits, its owner and group; a new file gets the permissions the umask leaves. A
// target that is no regular file (a device, a FIFO) is written in place, as no rename could
// replace it; a folder is refused.
class TAtomicFileStream : public TFileStream {
public:
  // EFCreateError "Cannot create file "%s". %s" when the file cannot be written.
  explicit TAtomicFileStream(const std::u16string& aFileName);
  ~TAtomicFileStream() override;
  // Flushes to disk and renames; EWriteError on failure (the target is then unchanged and the
  // temporary file removed once the stream goes). Nothing to rename when written in place.
  void Commit();
  // The target is written in place (no temporary file).
  bool InPlace() const { return FTempName.empty(); }

private:
  struct TTarget {
    int Handle;
    std::string TempName;  // empty when written in place
    std::string TargetName;
    int Slot;
  };
  static TTarget OpenTarget(const std::u16string& aFileName);
  TAtomicFileStream(const std::u16string& aFileName, TTarget aTarget);
  std::string FTempName;
  std::string FTargetName;
  int FSlot;
  bool FCommitted = false;
};

// Removes the temporary files of every atomic stream of the process that is neither committed
// nor destroyed. Async-signal-safe, for a handler of a signal that ends the process.
void RemovePendingTempFiles() noexcept;
// Lists a temporary file of the caller's among the pending ones, so that a signal removes it
// too; returns the slot for ReleasePendingTempFile, -1 when every slot is taken.
int AddPendingTempFile(const std::string& aPath);
// Takes the file of aSlot off the list (the caller removes the file itself). -1 is ignored.
void ReleasePendingTempFile(int aSlot) noexcept;
// Installs handlers for SIGINT, SIGTERM and SIGHUP that remove the pending temporary files and
// then end the process by the same signal, as it would have ended without them.
void RemovePendingTempFilesOnSignals();

// A stream over a block of memory: reading and seeking; writing depends on the kind.
class TCustomMemoryStream : public TStream {
public:
  using TStream::Read;
  using TStream::Write;
  int64_t Read(void* aBuffer, int64_t aCount) override;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override { return FSize; }
  const void* Memory() const { return FMemory; }

protected:
  void SetPointer(const void* aPtr, int64_t aSize) {
    FMemory = static_cast<const uint8_t*>(aPtr);
    FSize = aSize;
  }
  const uint8_t* FMemory = nullptr;
  int64_t FSize = 0;
  int64_t FPosition = 0;
};

// A memory stream that owns its growable storage.
class TMemoryStream : public TCustomMemoryStream {
public:
  using TStream::Write;
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  void SetSize(int64_t aNewSize) override;
  using TCustomMemoryStream::Memory;
  void* Memory() { return FData.data(); }
  void Clear();
  void LoadFromStream(TStream& aStream);

private:
  std::vector<uint8_t> FData;
};

// A read-only stream over memory that the caller keeps alive and unchanged; nothing is copied.
class TVirtualMemoryStream : public TCustomMemoryStream {
public:
  using TStream::Write;
  // Raises EGeneralError "You cannot write to a TVirtualMemoryStream."
  int64_t Write(const void* aBuffer, int64_t aCount) override;

  void SetPointer(const void* aPtr, int64_t aSize);
  void SetString(std::u16string_view aString);       // the code units as stored, 2 bytes each
  void SetString_UTF8(std::string_view aString);     // the bytes of an 8-bit string
  void SetBuffer(const std::vector<uint8_t>& aBuffer);
  void SetEncodingBuffer(const std::vector<uint8_t>& aBuffer) { SetBuffer(aBuffer); }
};

class EBufferedReadStream : public EGeneralError { using EGeneralError::EGeneralError; };

// Reads a source in blocks. While flushing is blocked, every byte read stays in memory, so that
// a seek back to the moment of blocking is served without touching the source.
class TBufferedReadStream : public TStream {
public:
  // Starts at the source's current position; EBufferedReadStream when aStream is missing.
  TBufferedReadStream(TStream* aStream, bool aOwnsStream, int32_t aBufferSize);
  ~TBufferedReadStream() override;

  int64_t Read(void* aBuffer, int64_t aCount) override;
  using TStream::Read;
  // Always raises EBufferedReadStream "You can't write to TBufferedReadStream".
  int64_t Write(const void* aBuffer, int64_t aCount) override;
  using TStream::Write;
  int64_t Seek(int64_t aOffset, TSeekOrigin aOrigin) override;
  int64_t Size() override { return fStreamSize; }

  void BlockFlushTempBuffer() { ++fBlockFlushTempBuffer; }
  void UnblockFlushTempBuffer() {
    if (fBlockFlushTempBuffer > 0) --fBlockFlushTempBuffer;
  }

  // Observers for the owner and for tests.
  int32_t BlockFlushCount() const { return fBlockFlushTempBuffer; }
  int64_t BufferCapacity() const { return static_cast<int64_t>(fTempBuffer.size()); }

private:
  void RefillBuffer();

  TStream* fStream;
  bool fOwnsStream;
  int64_t fStreamPosition;
  int64_t fStreamSize;
  std::vector<uint8_t> fTempBuffer;
  int32_t fTempBufferPosition = 0;
  int32_t fTempBufferUsedLength = 0;
  int32_t fBlockFlushTempBuffer = 0;
  int32_t fBufferSize;
};

// A growable byte buffer, cleared and reused for every token. Text is held as UTF-16 code units,
// low byte first.
class TByteBuffer : public TPersistent {
public:
  explicit TByteBuffer(int64_t aBufferLength);

  void Assign(const TPersistent& aSource) override;

  void WriteByte(uint8_t aByte) {
    if (fRemaining < 1) Grow(1);
    fBuffer[fUsedLength++] = aByte;
    --fRemaining;
  }
  void WriteChar(char16_t aChar) {
    if (fRemaining < 2) Grow(2);
    fBuffer[fUsedLength] = static_cast<uint8_t>(aChar);
    fBuffer[fUsedLength + 1] = static_cast<uint8_t>(aChar >> 8);
    fUsedLength += 2;
    fRemaining -= 2;
  }
  void WriteWideChar(char16_t aChar) { WriteChar(aChar); }
  void WriteString(std::u16string_view aString);
  void WriteWideString(std::u16string_view aString) { WriteString(aString); }

  void RemoveLastBytes(int64_t aLength);
  void RemoveLastByte() { RemoveLastBytes(1); }
  void RemoveLastChar() { RemoveLastBytes(2); }
  void RemoveLastString(int64_t aLength) { RemoveLastBytes(2 * aLength); }

  void Clear(bool aFullClear);

  std::u16string GetString() const;
  std::u16string GetWideString() const { return GetString(); }
  std::vector<uint8_t> GetBytes() const;
  std::string GetUTF8Container() const;

  void Grow(int64_t aMinBytes);
  void Append(const void* aBytes, int64_t aCount);

  int64_t AllocLength() const { return fAllocLength; }
  int64_t UsedLength() const { return fUsedLength; }
  int64_t Remaining() const { return fRemaining; }
  const uint8_t* Data() const { return fBuffer.data(); }

private:
  std::vector<uint8_t> fBuffer;
  int64_t fAllocLength;
  int64_t fUsedLength = 0;
  int64_t fRemaining;
  int64_t fDefBufferLength;
};
