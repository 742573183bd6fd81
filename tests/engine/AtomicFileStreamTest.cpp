// Writing a file through a temporary sibling: what happens to links, devices, permissions and
// owners of the target, and that no failure (a full disk, a folder that refuses files, a
// rename that fails, a signal) leaves the temporary file behind or the target damaged.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "BufferedStreams.h"

namespace fs = std::filesystem;

namespace {

class TScratchDir {
public:
  TScratchDir() {
    char dir[] = "/tmp/quillon-atomic-XXXXXX";
    if (mkdtemp(dir)) FPath = dir;
  }
  ~TScratchDir() {
    std::error_code ec;
    fs::permissions(FPath, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(FPath, ec);
  }
  std::string operator/(const std::string& aName) const { return FPath + "/" + aName; }
  const std::string& Path() const { return FPath; }
  // The names in the folder, sorted; a leftover temporary file shows up here.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(FPath)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

private:
  std::string FPath;
};

std::u16string W(const std::string& aName) { return Utf8ToUtf16(aName); }

void Put(const std::string& aName, const std::string& aBytes) {
  std::ofstream out(aName, std::ios::binary | std::ios::trunc);
  out << aBytes;
}

std::string Get(const std::string& aName) {
  std::ifstream in(aName, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void Save(const std::string& aName, const std::string& aBytes) {
  TAtomicFileStream f(W(aName));
  f.WriteBuffer(aBytes.data(), static_cast<int64_t>(aBytes.size()));
  f.Commit();
}

mode_t ModeOf(const std::string& aName) {
  struct stat st {};
  EXPECT_EQ(stat(aName.c_str(), &st), 0) << aName;
  return st.st_mode & 07777;
}

bool IsLink(const std::string& aName) {
  struct stat st {};
  return lstat(aName.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

}  // namespace

TEST(AtomicFileStream, SymbolicLinksAreFollowedAndStay) {
  TScratchDir d;
  fs::create_directory(d / "sub");
  Put(d / "real.txt", "old");
  chmod((d / "real.txt").c_str(), 0640);
  ASSERT_EQ(symlink("../real.txt", (d / "sub/rel").c_str()), 0);  // relative to its own folder
  ASSERT_EQ(symlink((d / "sub/rel").c_str(), (d / "abs").c_str()), 0);  // a chain of two
  Save(d / "abs", "new");
  EXPECT_EQ(Get(d / "real.txt"), "new");
  EXPECT_TRUE(IsLink(d / "abs"));
  EXPECT_TRUE(IsLink(d / "sub/rel"));
  EXPECT_EQ(ModeOf(d / "real.txt"), 0640u);

  // A dangling link gets the file it names.
  ASSERT_EQ(symlink("made.txt", (d / "dangling").c_str()), 0);
  Save(d / "dangling", "made");
  EXPECT_TRUE(IsLink(d / "dangling"));
  EXPECT_EQ(Get(d / "made.txt"), "made");

  // A loop of links is refused without touching anything.
  ASSERT_EQ(symlink("loop2", (d / "loop1").c_str()), 0);
  ASSERT_EQ(symlink("loop1", (d / "loop2").c_str()), 0);
  EXPECT_THROW(Save(d / "loop1", "x"), EFCreateError);
  EXPECT_EQ(d.Names(), (std::vector<std::string>{"abs", "dangling", "loop1", "loop2", "made.txt", "real.txt", "sub"}));
}

TEST(AtomicFileStream, PermissionsAndOwnerKeptNewFilesFollowTheUmask) {
  TScratchDir d;
  const struct {
    mode_t Umask, NewMode;
  } cases[] = {{022, 0644}, {027, 0640}, {077, 0600}, {002, 0664}};
  for (const auto& c : cases) {
    const mode_t old = umask(c.Umask);
    const std::string name = d / ("new" + std::to_string(c.Umask));
    Save(name, "x");
    umask(old);
    EXPECT_EQ(ModeOf(name), c.NewMode) << "umask " << std::oct << c.Umask;
  }

  // A replaced file keeps its own permissions whatever the umask says.
  for (mode_t mode : {0604u, 0600u, 0666u, 0755u}) {
    const std::string name = d / "kept";
    Put(name, "old");
    chmod(name.c_str(), mode);
    const mode_t old = umask(077);
    Save(name, "new");
    umask(old);
    EXPECT_EQ(ModeOf(name), mode) << std::oct << mode;
    EXPECT_EQ(Get(name), "new");
  }

  // The owner, where the system lets us give the file away.
  if (geteuid() == 0) {
    const std::string name = d / "owned";
    Put(name, "old");
    ASSERT_EQ(chown(name.c_str(), 65534, 65534), 0);
    Save(name, "new");
    struct stat st {};
    ASSERT_EQ(stat(name.c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 65534u);
    EXPECT_EQ(st.st_gid, 65534u);
  }
}

TEST(AtomicFileStream, FifoIsWrittenInPlaceFolderRefused) {
  TScratchDir d;
  const std::string pipe = d / "pipe";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const pid_t reader = fork();
  if (reader == 0) {
    // Copies what arrives through the FIFO into a file the test can read afterwards.
    const int in = open(pipe.c_str(), O_RDONLY);
    const int out = open((d / "received").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    char buf[256];
    ssize_t n;
    while ((n = read(in, buf, sizeof buf)) > 0)
      if (write(out, buf, static_cast<size_t>(n)) != n) _exit(1);
    _exit(0);
  }
  {
    TAtomicFileStream f(W(pipe));
    EXPECT_TRUE(f.InPlace());
    f.WriteBuffer("through the pipe", 16);
    f.Commit();
  }
  int status = 0;
  waitpid(reader, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(Get(d / "received"), "through the pipe");
  struct stat st {};
  ASSERT_EQ(lstat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));

  fs::create_directory(d / "folder");
  EXPECT_THROW(Save(d / "folder", "x"), EFCreateError);
  EXPECT_EQ(d.Names(), (std::vector<std::string>{"folder", "pipe", "received"}));
}

TEST(AtomicFileStream, FailedWritesLeaveTheTargetAndNoTemporaryFile) {
  TScratchDir d;
  const std::string target = d / "target.txt";
  Put(target, "old");

  // The disk fills up halfway (a file size limit, which binds root as well).
  {
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const std::string big(65536, 'x');
    EXPECT_THROW(Save(target, big), EWriteError);
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previous);
  }
  EXPECT_EQ(Get(target), "old");
  EXPECT_EQ(d.Names(), std::vector<std::string>{"target.txt"});

  // The rename fails: a folder took the new file's name meanwhile.
  {
    TAtomicFileStream f(W(d / "late"));
    f.WriteBuffer("x", 1);
    fs::create_directory(d / "late");
    fs::create_directory(d / "late/inside");
    EXPECT_THROW(f.Commit(), EWriteError);
  }
  EXPECT_EQ(d.Names(), (std::vector<std::string>{"late", "target.txt"}));

  // Destroyed without Commit (an exception on the way): the old file stays.
  {
    TAtomicFileStream f(W(target));
    f.WriteBuffer("half", 4);
  }
  EXPECT_EQ(Get(target), "old");
  EXPECT_EQ(d.Names(), (std::vector<std::string>{"late", "target.txt"}));
}

TEST(AtomicFileStream, ReadOnlyFolder) {
  if (geteuid() == 0)
    GTEST_SKIP() << "running as root, which may write into a read-only folder; the failed write "
                    "itself is covered by FailedWritesLeaveTheTargetAndNoTemporaryFile";
  TScratchDir d;
  const std::string target = d / "target.txt";
  Put(target, "old");
  chmod(d.Path().c_str(), 0555);
  EXPECT_THROW(Save(target, "new"), EFCreateError);
  chmod(d.Path().c_str(), 0755);
  EXPECT_EQ(Get(target), "old");
  EXPECT_EQ(d.Names(), std::vector<std::string>{"target.txt"});
}

TEST(AtomicFileStream, EndingSignalRemovesThePendingTemporaryFile) {
  for (int sig : {SIGINT, SIGTERM}) {
    SCOPED_TRACE(sig);
    TScratchDir d;
    const std::string target = d / "export.csv";
    Put(target, "old");
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t writer = fork();
    if (writer == 0) {
      close(ready[0]);
      RemovePendingTempFilesOnSignals();
      TAtomicFileStream f(W(target));
      f.WriteBuffer("partial", 7);
      if (write(ready[1], "r", 1) != 1) _exit(2);
      for (;;) pause();
    }
    close(ready[1]);
    char c;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    close(ready[0]);
    EXPECT_EQ(d.Names().size(), 2u);  // the target and the pending temporary file
    kill(writer, sig);
    int status = 0;
    waitpid(writer, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig);  // it still ends by the signal
    EXPECT_EQ(d.Names(), std::vector<std::string>{"export.csv"});
    EXPECT_EQ(Get(target), "old");
  }
}
