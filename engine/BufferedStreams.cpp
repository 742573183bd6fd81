#include "BufferedStreams.h"

#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

const char16_t* const SReadError = u"Stream read error";
const char16_t* const SWriteError = u"Stream write error";

std::u16string SystemReason(int aErrno) { return Utf8ToUtf16(std::strerror(aErrno)); }

void CheckRange(const std::vector<uint8_t>& aBuffer, int64_t aOffset, int64_t aCount) {
  if (aOffset < 0 || aCount < 0 || aOffset > static_cast<int64_t>(aBuffer.size()) ||
      aCount > static_cast<int64_t>(aBuffer.size()) - aOffset)
    throw EArgumentOutOfRange(u"Argument out of range");
}

}  // namespace

// ---- TStream ----

int64_t TStream::Size() {
  int64_t pos = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::SetSize(int64_t aNewSize) { throw EStreamError(u"Stream size cannot be changed"); }

int64_t TStream::Read(std::vector<uint8_t>& aBuffer, int64_t aOffset, int64_t aCount) {
  CheckRange(aBuffer, aOffset, aCount);
  return aCount == 0 ? 0 : Read(aBuffer.data() + aOffset, aCount);
}

int64_t TStream::Write(const std::vector<uint8_t>& aBuffer, int64_t aOffset, int64_t aCount) {
  CheckRange(aBuffer, aOffset, aCount);
  return aCount == 0 ? 0 : Write(aBuffer.data() + aOffset, aCount);
}

void TStream::ReadBuffer(void* aBuffer, int64_t aCount) {
  auto* p = static_cast<uint8_t*>(aBuffer);
  while (aCount > 0) {
    int64_t n = Read(p, aCount);
    if (n <= 0) throw EReadError(SReadError);
    p += n;
    aCount -= n;
  }
}

void TStream::WriteBuffer(const void* aBuffer, int64_t aCount) {
  auto* p = static_cast<const uint8_t*>(aBuffer);
  while (aCount > 0) {
    int64_t n = Write(p, aCount);
    if (n <= 0) throw EWriteError(SWriteError);
    p += n;
    aCount -= n;
  }
}

int64_t TStream::CopyFrom(TStream& aSource, int64_t aCount) {
  if (aCount == 0) aCount = aSource.Size() - aSource.Position();
  std::vector<uint8_t> block(static_cast<size_t>(std::min<int64_t>(std::max<int64_t>(aCount, 0), 1 << 16)));
  int64_t left = aCount;
  while (left > 0) {
    int64_t n = std::min<int64_t>(left, static_cast<int64_t>(block.size()));
    aSource.ReadBuffer(block.data(), n);
    WriteBuffer(block.data(), n);
    left -= n;
  }
  return aCount;
}

// ---- THandleStream ----

int64_t THandleStream::Read(void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  for (;;) {
    ssize_t n = ::read(FHandle, aBuffer, static_cast<size_t>(std::min<int64_t>(aCount, 1 << 30)));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

int64_t THandleStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0) return 0;
  for (;;) {
    ssize_t n = ::write(FHandle, aBuffer, static_cast<size_t>(std::min<int64_t>(aCount, 1 << 30)));
    if (n >= 0) return n;
    if (errno != EINTR) return 0;
  }
}

int64_t THandleStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int whence = aOrigin == soBeginning ? SEEK_SET : aOrigin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t r = ::lseek(FHandle, static_cast<off_t>(aOffset), whence);
  return r < 0 ? -1 : static_cast<int64_t>(r);
}

int64_t THandleStream::Size() {
  struct stat st;
  if (::fstat(FHandle, &st) == 0 && S_ISREG(st.st_mode)) return st.st_size;
  return TStream::Size();
}

void THandleStream::SetSize(int64_t aNewSize) {
  if (::ftruncate(FHandle, static_cast<off_t>(aNewSize)) != 0) throw EStreamError(SystemReason(errno));
  if (Position() > aNewSize) Seek(aNewSize, soBeginning);
}

// ---- TFileStream ----

namespace {

// Why a file opened for reading is refused: the readers open a file more than once and seek in
// it, so only a regular file reads the same every time. A pipe read that way looked empty, and
// opening a FIFO nobody writes into blocked for good.
const char16_t* NotARegularFile(mode_t aMode) {
  if (S_ISREG(aMode)) return nullptr;
  if (S_ISDIR(aMode)) return u"It is a folder, not a file.";
  if (S_ISFIFO(aMode)) return u"It is a pipe, not a regular file.";
  if (S_ISSOCK(aMode)) return u"It is a socket, not a regular file.";
  return u"It is a device, not a regular file.";
}

int OpenHandle(const std::u16string& aFileName, TFileMode aMode) {
  std::string name = Utf16ToUtf8(aFileName);
  int flags = O_CLOEXEC;
  switch (aMode) {
    // Not blocking, so that a FIFO without a writer is examined and refused instead of waited on.
    case fmOpenRead: flags |= O_RDONLY | O_NONBLOCK; break;
    case fmOpenWrite: flags |= O_WRONLY; break;
    case fmCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  int fd;
  do fd = ::open(name.c_str(), flags, 0666);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    std::u16string reason = SystemReason(errno);
    if (aMode == fmCreate) throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {aFileName, reason}));
    throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {aFileName, reason}));
  }
  struct stat st;
  if (aMode != fmCreate && ::fstat(fd, &st) == 0) {
    const char16_t* refused = aMode == fmOpenRead ? NotARegularFile(st.st_mode) : nullptr;
    if (!refused && S_ISDIR(st.st_mode)) refused = u"It is a folder, not a file.";
    if (refused) {
      ::close(fd);
      throw EFOpenError(Format(u"Cannot open file \"%s\". %s", {aFileName, std::u16string(refused)}));
    }
  }
  if (aMode == fmOpenRead) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

TFileStream::TFileStream(const std::u16string& aFileName, TFileMode aMode)
    : THandleStream(OpenHandle(aFileName, aMode)), FFileName(aFileName) {}

TFileStream::~TFileStream() {
  if (FHandle >= 0) ::close(FHandle);
}

// ---- TAtomicFileStream ----

namespace {

// Temporary files not yet committed or removed, for a signal handler: a slot is claimed
// (1), filled, then armed (2); the handler only reads armed slots.
constexpr int cPendingSlots = 32;
struct TPendingSlot {
  std::atomic<int> State{0};
  char Path[PATH_MAX];
};
TPendingSlot gPending[cPendingSlots];

int ArmPending(const std::string& aPath) {
  if (aPath.size() >= PATH_MAX) return -1;
  for (int i = 0; i < cPendingSlots; ++i) {
    int expected = 0;
    if (gPending[i].State.compare_exchange_strong(expected, 1)) {
      std::memcpy(gPending[i].Path, aPath.c_str(), aPath.size() + 1);
      gPending[i].State.store(2);
      return i;
    }
  }
  return -1;  // more streams at once than slots: only a signal could leave their files behind
}

void DisarmPending(int aSlot) {
  if (aSlot >= 0) gPending[aSlot].State.store(0);
}

[[noreturn]] void RaiseCreate(const std::u16string& aFileName, int aErrno) {
  throw EFCreateError(Format(u"Cannot create file \"%s\". %s", {aFileName, SystemReason(aErrno)}));
}

std::string FolderOf(const std::string& aPath) {
  const size_t slash = aPath.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : aPath.substr(0, slash);
}

// The file a write to aPath lands in: symbolic links followed, dangling ones too (their
// target is created), as an absolute path so that a signal handler finds the temporary file
// whatever the current folder is by then.
std::string ResolveTarget(const std::u16string& aFileName, struct stat& aStat, bool& aExists) {
  std::string path = Utf16ToUtf8(aFileName);
  if (path.empty()) RaiseCreate(aFileName, ENOENT);
  if (path[0] != '/') {
    char cwd[PATH_MAX];
    if (::getcwd(cwd, sizeof cwd)) path = std::string(cwd) + "/" + path;
  }
  for (int hops = 0;; ++hops) {
    if (::lstat(path.c_str(), &aStat) != 0) {
      aExists = false;
      return path;
    }
    if (!S_ISLNK(aStat.st_mode)) {
      aExists = true;
      return path;
    }
    if (hops == 40) RaiseCreate(aFileName, ELOOP);
    std::string link(static_cast<size_t>(aStat.st_size > 0 ? aStat.st_size : PATH_MAX), '\0');
    const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
    if (n < 0) RaiseCreate(aFileName, errno);
    link.resize(static_cast<size_t>(n));
    path = !link.empty() && link[0] == '/' ? link : FolderOf(path) + "/" + link;
  }
}

}  // namespace

int AddPendingTempFile(const std::string& aPath) { return ArmPending(aPath); }

void ReleasePendingTempFile(int aSlot) noexcept { DisarmPending(aSlot); }

void RemovePendingTempFiles() noexcept {
  for (TPendingSlot& slot : gPending)
    if (slot.State.load() == 2) ::unlink(slot.Path);
}

namespace {
extern "C" void RemovePendingAndDie(int aSignal) {
  RemovePendingTempFiles();
  ::signal(aSignal, SIG_DFL);
  ::raise(aSignal);
}
}  // namespace

void RemovePendingTempFilesOnSignals() {
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
    struct sigaction current {};
    // A signal the caller's parent set to be ignored stays ignored (nohup, background jobs).
    if (::sigaction(sig, nullptr, &current) == 0 && current.sa_handler == SIG_IGN) continue;
    struct sigaction action {};
    action.sa_handler = RemovePendingAndDie;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    ::sigaction(sig, &action, nullptr);
  }
}

TAtomicFileStream::TTarget TAtomicFileStream::OpenTarget(const std::u16string& aFileName) {
  struct stat st;
  bool exists = false;
  const std::string target = ResolveTarget(aFileName, st, exists);
  if (exists && S_ISDIR(st.st_mode)) RaiseCreate(aFileName, EISDIR);
  if (exists && !S_ISREG(st.st_mode)) {
    // A device or a FIFO: a rename would put a plain file in its place.
    int fd;
    do fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) RaiseCreate(aFileName, errno);
    return {fd, std::string(), target, -1};
  }

  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(rd()));
    const std::string tempName = target + suffix;
    // A new file gets what the umask leaves of 0666; a replacement starts private and takes
    // the old file's owner and permissions before anything is written into it.
    const int fd = ::open(tempName.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, exists ? 0600 : 0666);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      RaiseCreate(aFileName, errno);
    }
    const int slot = ArmPending(tempName);
    if (exists) {
      mode_t mode = st.st_mode & 07777;
      if (::fchown(fd, st.st_uid, st.st_gid) != 0) {
        // Not permitted: keep at least the group when it is one of ours, and never hand the
        // set-id bits to a file that now belongs to someone else.
        if (::fchown(fd, static_cast<uid_t>(-1), st.st_gid) != 0) mode &= ~static_cast<mode_t>(S_ISGID);
        if (st.st_uid != ::geteuid()) mode &= ~static_cast<mode_t>(S_ISUID | S_ISGID);
      }
      if (::fchmod(fd, mode) != 0) {
        const int error = errno;
        ::close(fd);
        ::unlink(tempName.c_str());
        DisarmPending(slot);
        RaiseCreate(aFileName, error);
      }
    }
    return {fd, tempName, target, slot};
  }
  RaiseCreate(aFileName, EEXIST);
}

TAtomicFileStream::TAtomicFileStream(const std::u16string& aFileName)
    : TAtomicFileStream(aFileName, OpenTarget(aFileName)) {}

TAtomicFileStream::TAtomicFileStream(const std::u16string& aFileName, TTarget aTarget)
    : TFileStream(aFileName, aTarget.Handle),
      FTempName(std::move(aTarget.TempName)),
      FTargetName(std::move(aTarget.TargetName)),
      FSlot(aTarget.Slot) {}

TAtomicFileStream::~TAtomicFileStream() {
  if (!FCommitted && !InPlace()) {
    ::close(FHandle);
    FHandle = -1;
    ::unlink(FTempName.c_str());
  }
  DisarmPending(FSlot);
}

void TAtomicFileStream::Commit() {
  if (FCommitted) return;
  if (InPlace()) {
    FCommitted = true;
    return;
  }
  if (::fsync(FHandle) != 0) throw EWriteError(SWriteError);
  if (::rename(FTempName.c_str(), FTargetName.c_str()) != 0) throw EWriteError(SWriteError);
  FCommitted = true;
  DisarmPending(FSlot);
  FSlot = -1;
}

// ---- TCustomMemoryStream, TMemoryStream ----

int64_t TCustomMemoryStream::Read(void* aBuffer, int64_t aCount) {
  if (aCount <= 0 || FPosition >= FSize) return 0;
  int64_t n = std::min(aCount, FSize - FPosition);
  std::memcpy(aBuffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TCustomMemoryStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int64_t target = aOrigin == soBeginning ? aOffset : aOrigin == soCurrent ? FPosition + aOffset : FSize + aOffset;
  if (target < 0) return -1;
  FPosition = target;
  return FPosition;
}

int64_t TMemoryStream::Write(const void* aBuffer, int64_t aCount) {
  if (aCount <= 0 || FPosition < 0) return 0;
  int64_t end = FPosition + aCount;
  if (end > FSize) {
    if (end > static_cast<int64_t>(FData.size())) FData.resize(static_cast<size_t>(std::max(end, 2 * FSize)));
    FSize = end;
    FMemory = FData.data();
  }
  std::memcpy(FData.data() + FPosition, aBuffer, static_cast<size_t>(aCount));
  FPosition = end;
  return aCount;
}

void TMemoryStream::SetSize(int64_t aNewSize) {
  if (aNewSize < 0) aNewSize = 0;
  FData.resize(static_cast<size_t>(aNewSize));
  SetPointer(FData.data(), aNewSize);
  if (FPosition > aNewSize) FPosition = aNewSize;
}

void TMemoryStream::Clear() {
  FData.clear();
  FData.shrink_to_fit();
  SetPointer(nullptr, 0);
  FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& aStream) {
  aStream.SetPosition(0);
  int64_t n = aStream.Size();
  SetSize(n);
  if (n > 0) aStream.ReadBuffer(FData.data(), n);
  FPosition = 0;
}

// ---- TVirtualMemoryStream ----

int64_t TVirtualMemoryStream::Write(const void* aBuffer, int64_t aCount) {
  throw EGeneralError(u"You cannot write to a TVirtualMemoryStream.");
}

void TVirtualMemoryStream::SetPointer(const void* aPtr, int64_t aSize) {
  if (aPtr == nullptr || aSize <= 0) {
    aPtr = nullptr;
    aSize = 0;
  }
  TCustomMemoryStream::SetPointer(aPtr, aSize);
  FPosition = 0;
}

void TVirtualMemoryStream::SetString(std::u16string_view aString) {
  SetPointer(aString.data(), static_cast<int64_t>(aString.size()) * 2);
}

void TVirtualMemoryStream::SetString_UTF8(std::string_view aString) {
  SetPointer(aString.data(), static_cast<int64_t>(aString.size()));
}

void TVirtualMemoryStream::SetBuffer(const std::vector<uint8_t>& aBuffer) {
  SetPointer(aBuffer.data(), static_cast<int64_t>(aBuffer.size()));
}

// ---- TBufferedReadStream ----

TBufferedReadStream::TBufferedReadStream(TStream* aStream, bool aOwnsStream, int32_t aBufferSize)
    : fStream(aStream), fOwnsStream(aOwnsStream), fBufferSize(std::max<int32_t>(aBufferSize, 1)) {
  if (!aStream)
    throw EBufferedReadStream(u"The aStream parameter must be assigned when creating a buffered stream.");
  fStreamPosition = aStream->Position();
  fStreamSize = aStream->Size();
  fTempBuffer.resize(static_cast<size_t>(fBufferSize));
}

TBufferedReadStream::~TBufferedReadStream() {
  if (fOwnsStream) delete fStream;
}

void TBufferedReadStream::RefillBuffer() {
  if (fTempBufferPosition != fTempBufferUsedLength) return;
  int32_t position = fTempBufferPosition;
  if (fBlockFlushTempBuffer == 0) position = 0;
  int64_t n = std::min<int64_t>(fBufferSize, fStreamSize - fStreamPosition);
  if (n <= 0) {
    fTempBufferPosition = fTempBufferUsedLength = position;
    return;
  }
  if (static_cast<int64_t>(fTempBuffer.size()) - position < n) fTempBuffer.resize(static_cast<size_t>(position + n));
  // A failed read leaves the counters untouched.
  fStream->ReadBuffer(fTempBuffer.data() + position, n);
  fTempBufferPosition = position;
  fTempBufferUsedLength = position + static_cast<int32_t>(n);
  fStreamPosition += n;
}

int64_t TBufferedReadStream::Read(void* aBuffer, int64_t aCount) {
  if (aCount < 0) return 0;
  RefillBuffer();
  int64_t k = std::min<int64_t>(aCount, fTempBufferUsedLength - fTempBufferPosition);
  if (k <= 0) return 0;
  std::memcpy(aBuffer, fTempBuffer.data() + fTempBufferPosition, static_cast<size_t>(k));
  fTempBufferPosition += static_cast<int32_t>(k);
  return k;
}

int64_t TBufferedReadStream::Write(const void* aBuffer, int64_t aCount) {
  throw EBufferedReadStream(u"You can't write to TBufferedReadStream");
}

int64_t TBufferedReadStream::Seek(int64_t aOffset, TSeekOrigin aOrigin) {
  int64_t windowStart = fStreamPosition - fTempBufferUsedLength;
  int64_t logical = windowStart + fTempBufferPosition;
  if (aOrigin == soCurrent && aOffset == 0) return logical;
  int64_t target = aOrigin == soBeginning ? aOffset : aOrigin == soCurrent ? logical + aOffset : fStreamSize + aOffset;
  if (target >= windowStart && target <= fStreamPosition) {
    fTempBufferPosition = static_cast<int32_t>(target - windowStart);
    return target;
  }
  // Outside the bytes held in memory, forward included: the source itself is repositioned.
  int64_t reached = fStream->Seek(target, soBeginning);
  fStreamPosition = reached < 0 ? fStream->Position() : reached;
  fTempBufferPosition = fTempBufferUsedLength = 0;
  return fStreamPosition;
}

// ---- TByteBuffer ----

TByteBuffer::TByteBuffer(int64_t aBufferLength)
    : fBuffer(static_cast<size_t>(std::max<int64_t>(aBufferLength, 0))),
      fAllocLength(std::max<int64_t>(aBufferLength, 0)),
      fRemaining(fAllocLength),
      fDefBufferLength(fAllocLength) {}

void TByteBuffer::Assign(const TPersistent& aSource) {
  auto* src = dynamic_cast<const TByteBuffer*>(&aSource);
  if (!src) {
    TPersistent::Assign(aSource);
    return;
  }
  if (fAllocLength < src->fAllocLength) {
    fAllocLength = src->fAllocLength;
    fBuffer.resize(static_cast<size_t>(fAllocLength));
  }
  fUsedLength = src->fUsedLength;
  fRemaining = fAllocLength - fUsedLength;
  if (fUsedLength > 0) std::memcpy(fBuffer.data(), src->fBuffer.data(), static_cast<size_t>(fUsedLength));
}

void TByteBuffer::Grow(int64_t aMinBytes) {
  int64_t extra = 0;
  while (fRemaining + extra < aMinBytes) extra = 2 * extra + std::max<int64_t>(fAllocLength, 1);
  fAllocLength += extra;
  fRemaining += extra;
  fBuffer.resize(static_cast<size_t>(fAllocLength));
}

void TByteBuffer::Append(const void* aBytes, int64_t aCount) {
  if (aCount <= 0) return;
  if (fRemaining < aCount) Grow(aCount);
  std::memcpy(fBuffer.data() + fUsedLength, aBytes, static_cast<size_t>(aCount));
  fUsedLength += aCount;
  fRemaining -= aCount;
}

void TByteBuffer::WriteString(std::u16string_view aString) {
  if (aString.empty()) return;
  int64_t k = static_cast<int64_t>(aString.size()) * 2;
  if (fRemaining < k) Grow(k);
  uint8_t* p = fBuffer.data() + fUsedLength;
  for (char16_t c : aString) {
    *p++ = static_cast<uint8_t>(c);
    *p++ = static_cast<uint8_t>(c >> 8);
  }
  fUsedLength += k;
  fRemaining -= k;
}

void TByteBuffer::RemoveLastBytes(int64_t aLength) {
  fUsedLength -= aLength;
  fRemaining += aLength;
  if (fUsedLength < 0 || fUsedLength > fAllocLength) {
    fUsedLength = 0;
    fRemaining = fAllocLength;
  }
}

void TByteBuffer::Clear(bool aFullClear) {
  fUsedLength = 0;
  if (aFullClear && fAllocLength > fDefBufferLength) {
    fAllocLength = fDefBufferLength;
    fBuffer.resize(static_cast<size_t>(fAllocLength));
    fBuffer.shrink_to_fit();
  }
  fRemaining = fAllocLength;
}

std::u16string TByteBuffer::GetString() const {
  std::u16string s(static_cast<size_t>(fUsedLength / 2), u'\0');
  const uint8_t* p = fBuffer.data();
  for (size_t i = 0; i < s.size(); ++i) s[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
  return s;
}

std::vector<uint8_t> TByteBuffer::GetBytes() const {
  return std::vector<uint8_t>(fBuffer.begin(), fBuffer.begin() + fUsedLength);
}

std::string TByteBuffer::GetUTF8Container() const {
  return std::string(reinterpret_cast<const char*>(fBuffer.data()), static_cast<size_t>(fUsedLength));
}
