// The program ended by SIGINT, SIGTERM or SIGHUP (the session closing, a kill): it catches them
// to remove the temporary file of a save or export under way, and still ends by the signal, as
// it did without the handler. The removal itself is the atomic file stream's, tested there.
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// The signals a process catches, from the kernel's view of it; 0 once it is gone.
unsigned long long CaughtSignals(pid_t aPid) {
  std::ifstream status("/proc/" + std::to_string(aPid) + "/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("SigCgt:", 0) == 0) return std::stoull(line.substr(7), nullptr, 16);
  return 0;
}

unsigned long long Bit(int aSignal) { return 1ull << (aSignal - 1); }

}  // namespace

TEST(ProgramSignals, CaughtToRemoveTemporaryFilesAndStillEndTheProgram) {
  for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
    SCOPED_TRACE(strsignal(sig));
    // A private instance: its own lock, settings and desktop folders.
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
    std::vector<std::string> entries;
    for (const QString& entry : env.toStringList()) entries.push_back(entry.toStdString());
    std::vector<char*> envp;
    for (std::string& entry : entries) envp.push_back(entry.data());
    envp.push_back(nullptr);
    std::string program = QUILLON_PROGRAM;
    char* argv[] = {program.data(), nullptr};

    // Whatever this test inherited, the program starts with the default action for the signal.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t defaults, none;
    sigemptyset(&defaults);
    sigaddset(&defaults, sig);
    sigemptyset(&none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv, envp.data());
    posix_spawnattr_destroy(&attr);
    ASSERT_EQ(spawned, 0);

    // Waits for the handler (installed once the program is the running instance), or its end.
    // A bound on the wait only so that a program that never installs it fails here, with a
    // message, instead of at the test's time limit.
    int status = 0;
    bool ended = false, caught = false;
    for (int i = 0; i < 3000 && !ended && !(caught = CaughtSignals(pid) & Bit(sig)); ++i) {
      ended = waitpid(pid, &status, WNOHANG) == pid;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!caught) {
      if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
      }
      ADD_FAILURE() << (ended ? "the program ended before it caught the signal" : "the program does not catch the signal");
      continue;
    }
    ASSERT_EQ(kill(pid, sig), 0);
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFSIGNALED(status)) << "status " << status;
    if (WIFSIGNALED(status)) EXPECT_EQ(WTERMSIG(status), sig);
  }
}
