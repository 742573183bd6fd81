// quillon-cli's input files: what is not a regular file is read once into a temporary file,
// because the readers open their file more than once and seek in it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "BufferedStreams.h"
#include "CliCommon.h"

namespace cli {
namespace {

// The folder for the copy: $TMPDIR when it is absolute (a signal handler unlinks by this name,
// whatever the current folder is by then), else /tmp.
std::string SpoolFolder() {
  const char* dir = std::getenv("TMPDIR");
  if (dir && dir[0] == '/') return dir;
  return "/tmp";
}

// SIGINT, SIGTERM and SIGHUP wait while the copy is created and listed, so that no signal can
// end the program between the two and leave the file behind.
class TSignalsHeld {
public:
  TSignalsHeld() {
    sigset_t held;
    sigemptyset(&held);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&held, sig);
    ::sigprocmask(SIG_BLOCK, &held, &FBefore);
  }
  ~TSignalsHeld() { ::sigprocmask(SIG_SETMASK, &FBefore, nullptr); }

private:
  sigset_t FBefore;
};

bool WriteAll(int aHandle, const char* aData, size_t aSize) {
  while (aSize > 0) {
    const ssize_t n = ::write(aHandle, aData, aSize);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    aData += n;
    aSize -= static_cast<size_t>(n);
  }
  return true;
}

}  // namespace

TInputFile::TInputFile(const std::string& aName) : FName(aName) {
  struct stat st;
  if (::stat(aName.c_str(), &st) != 0 || S_ISREG(st.st_mode)) return;
  if (S_ISDIR(st.st_mode)) throw EUsage{aName + " is a folder, not a file"};
  Spool(aName);
}

TInputFile::~TInputFile() { RemoveSpool(); }

void TInputFile::RemoveSpool() noexcept {
  if (FSpool.empty()) return;
  ::unlink(FSpool.c_str());
  ReleasePendingTempFile(FSlot);
  FSlot = -1;
  FSpool.clear();
}

void TInputFile::Spool(const std::string& aName) {
  // Opening a FIFO waits for its writer, as any reader of it does.
  int source;
  do source = ::open(aName.c_str(), O_RDONLY | O_CLOEXEC);
  while (source < 0 && errno == EINTR);
  if (source < 0) throw EUsage{"cannot open " + aName + ": " + std::strerror(errno)};

  int copy;
  {
    TSignalsHeld held;
    std::string name = SpoolFolder() + "/quillon-cli-input-XXXXXX";
    copy = ::mkstemp(name.data());
    if (copy >= 0) {
      FSpool = name;
      FSlot = AddPendingTempFile(FSpool);
    }
  }
  if (copy < 0) {
    const int error = errno;
    ::close(source);
    throw EUsage{"cannot copy " + aName + " to a temporary file: " + std::strerror(error)};
  }

  std::string failure;
  std::vector<char> block(1 << 16);
  for (;;) {
    const ssize_t n = ::read(source, block.data(), block.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failure = "cannot read " + aName + ": " + std::strerror(errno);
      break;
    }
    if (n == 0) break;
    if (!WriteAll(copy, block.data(), static_cast<size_t>(n))) {
      failure = "cannot copy " + aName + " to a temporary file: " + std::strerror(errno ? errno : ENOSPC);
      break;
    }
  }
  ::close(source);
  if (failure.empty() && ::close(copy) != 0)
    failure = "cannot copy " + aName + " to a temporary file: " + std::strerror(errno);
  else if (!failure.empty())
    ::close(copy);
  if (!failure.empty()) {
    RemoveSpool();
    throw EUsage{failure};
  }
  FName = FSpool;
}

}  // namespace cli
