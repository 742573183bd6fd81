// Test entry for the shell tests. Besides running the tests, the binary plays the second
// start in the cross-process tests:
//   --child second ARG...   runs the single-instance check with ARG... as the process
//                           arguments; exit 10 when another instance runs, 20 when not
//   --child hold NAME       takes the lock NAME, prints "held" and waits to be killed
// Each test process gets its own runtime directory, so no test meets a real instance or
// another test's lock.
#include "Corvane_IPC.h"
#include "SingleInstance.h"
#include "WideSupport.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

int RunChild(int argc, char** argv) {
  const std::string mode = argc > 2 ? argv[2] : "";
  if (mode == "second") {
    QCoreApplication app(argc, argv);
    std::vector<std::u16string> args;
    for (int i = 3; i < argc; ++i) args.push_back(Utf8ToUtf16(argv[i]));
    const bool running = CheckRunningInstance(cQuillonInstanceLockID, cQuillonMainWindowClass, true,
                                              true, 0, false, args);
    return running ? 10 : 20;
  }
  if (mode == "hold" && argc > 3) {
    TSingleInstanceLock lock;
    const bool held = lock.Acquire(QString::fromUtf8(argv[3])) == lrAcquired;
    std::printf("%s\n", held ? "held" : "not held");
    std::fflush(stdout);
    if (held) pause();
    return held ? 0 : 1;
  }
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Also for test discovery at build time, which runs without the test's environment.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc > 1 && std::strcmp(argv[1], "--child") == 0) return RunChild(argc, argv);

  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/quillon-shell-XXXXXX";
  char* dir = pattern.data();
  if (!mkdtemp(dir)) {
    std::perror("mkdtemp");
    return 1;
  }
  setenv("XDG_RUNTIME_DIR", dir, 1);

  int rc;
  {
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    rc = RUN_ALL_TESTS();
  }
  QDir(QString::fromLocal8Bit(dir)).removeRecursively();
  return rc;
}
