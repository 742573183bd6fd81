#include "Corvane_IPC.h"
#include "QtText.h"
#include "SingleInstance.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QEventLoop>
#include <QLocalSocket>
#include <QProcess>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <functional>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "ScratchDir.h"

namespace {

using Strings = std::vector<std::u16string>;

// Runs the event loop (the running instance's side) until aDone or the time is up.
void PumpUntil(const std::function<bool()>& aDone, int aMs = 20000) {
  QDeadlineTimer deadline(aMs);
  while (!aDone() && !deadline.hasExpired()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(2);
  }
}

// Starts this binary as a second start with the given arguments, serving the event loop
// meanwhile; returns its exit code, or -1 when it did not end.
int RunSecondStart(const QStringList& aArgs, qint64* aPid = nullptr) {
  QProcess proc;
  proc.setProgram(QCoreApplication::applicationFilePath());
  proc.setArguments(QStringList{"--child", "second"} + aArgs);
  proc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  proc.start();
  if (!proc.waitForStarted(10000)) return -1;
  if (aPid) *aPid = proc.processId();
  PumpUntil([&] { return proc.state() == QProcess::NotRunning; });
  if (proc.state() != QProcess::NotRunning) {
    proc.kill();
    proc.waitForFinished();
    return -1;
  }
  return proc.exitStatus() == QProcess::NormalExit ? proc.exitCode() : -1;
}

TEST(SingleInstanceLock, ExclusiveUntilItsHolderLetsGo) {
  TSingleInstanceLock first, second, other;
  ASSERT_EQ(first.Acquire("lock-a"), lrAcquired);
  EXPECT_EQ(second.Acquire("lock-a"), lrHeldElsewhere);
  EXPECT_FALSE(second.Held());
  EXPECT_EQ(other.Acquire("lock-b"), lrAcquired);

  // The lock file sits in the session's runtime directory, closed to other users.
  EXPECT_TRUE(first.Path().startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/Local-lock-a"));
  struct stat st;
  ASSERT_EQ(stat(QFile::encodeName(first.Path()).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 077, 0u);

  first.Release();
  EXPECT_EQ(second.Acquire("lock-a"), lrAcquired);
}

// The runtime folder: XDG_RUNTIME_DIR when it is usable, else the fallback, which is made
// private and refused when anyone else could plant a socket or a link in it.
TEST(SingleInstanceLock, RuntimeFolderFallsBackOnlyToAPrivateFolderOfThisUser) {
  TScratchDir scratch;
  ASSERT_TRUE(scratch.Ok());
  const QByteArray root = QFile::encodeName(QString::fromStdString(scratch.Path()));
  const QByteArray xdg = root + "/xdg", file = root + "/file", fallback = root + "/fallback";
  ASSERT_EQ(mkdir(xdg.constData(), 0700), 0);
  std::ofstream(file.constData()) << "x";
  auto mode = [](const QByteArray& aPath) {
    struct stat st;
    return stat(aPath.constData(), &st) == 0 ? int(st.st_mode & 0777) : -1;
  };

  // Which XDG_RUNTIME_DIR values are taken; the others lead to the fallback, made with 0700.
  struct {
    QByteArray Xdg;
    bool Taken;
  } xdgCases[] = {{xdg, true}, {"", false}, {"run/user/0", false}, {file, false}, {root + "/missing", false}};
  for (const auto& c : xdgCases) {
    SCOPED_TRACE(c.Xdg.constData());
    rmdir(fallback.constData());
    EXPECT_EQ(ChooseInstanceRuntimeDir(c.Xdg, fallback), QFile::decodeName(c.Taken ? xdg : fallback));
    if (!c.Taken) EXPECT_EQ(mode(fallback), 0700);
  }

  // A fallback that others may write to, that is a link or a file, or that cannot be made, is
  // refused and left as it is.
  ASSERT_EQ(chmod(fallback.constData(), 0755), 0);
  EXPECT_EQ(ChooseInstanceRuntimeDir("", fallback), QString());
  EXPECT_EQ(mode(fallback), 0755);
  ASSERT_EQ(chmod(fallback.constData(), 0700), 0);
  const QByteArray link = root + "/link";
  ASSERT_EQ(symlink(fallback.constData(), link.constData()), 0);
  EXPECT_EQ(ChooseInstanceRuntimeDir("", link), QString());
  EXPECT_EQ(ChooseInstanceRuntimeDir("", file), QString());
  EXPECT_EQ(ChooseInstanceRuntimeDir("", root + "/missing/fallback"), QString());

  // Folders of another user: only the superuser can make one here.
  if (geteuid() == 0) {
    const QByteArray foreign = root + "/foreign";
    ASSERT_EQ(mkdir(foreign.constData(), 0700), 0);
    ASSERT_EQ(chown(foreign.constData(), 65534, 65534), 0);
    EXPECT_EQ(ChooseInstanceRuntimeDir(foreign, fallback), QFile::decodeName(fallback));
    EXPECT_EQ(ChooseInstanceRuntimeDir("", foreign), QString());
  }
}

// A lock file that cannot be opened as one is a failure, not a running instance, and a link
// planted under the lock's name is not followed.
TEST(SingleInstanceLock, LockFileThatCannotBeOpenedFails) {
  const QString dir = InstanceRuntimeDir();
  ASSERT_FALSE(dir.isEmpty());
  TScratchDir scratch;
  ASSERT_TRUE(scratch.Ok());
  const std::string target = scratch.File("target");
  const QByteArray link = QFile::encodeName(dir + "/Local-lock-link.lock");
  const QByteArray folder = QFile::encodeName(dir + "/Local-lock-folder.lock");
  unlink(link.constData());
  rmdir(folder.constData());
  ASSERT_EQ(symlink(target.c_str(), link.constData()), 0);
  ASSERT_EQ(mkdir(folder.constData(), 0700), 0);

  TSingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire("lock-link"), lrFailed);
  EXPECT_FALSE(lock.Held());
  EXPECT_NE(access(target.c_str(), F_OK), 0);  // nothing was created through the link
  EXPECT_EQ(lock.Acquire("lock-folder"), lrFailed);
  EXPECT_FALSE(lock.Held());
  EXPECT_TRUE(lock.Path().isEmpty());
  unlink(link.constData());
  rmdir(folder.constData());

  // After a failure the same object still takes a lock it can have.
  EXPECT_EQ(lock.Acquire("lock-after-failure"), lrAcquired);
}

TEST(SingleInstanceLock, KilledHolderLeavesNoStaleLock) {
  QProcess holder;
  holder.start(QCoreApplication::applicationFilePath(), {"--child", "hold", "lock-k"});
  ASSERT_TRUE(holder.waitForReadyRead(10000));
  ASSERT_EQ(holder.readLine().trimmed(), "held");

  TSingleInstanceLock lock;
  EXPECT_EQ(lock.Acquire("lock-k"), lrHeldElsewhere);
  holder.kill();
  ASSERT_TRUE(holder.waitForFinished(10000));
  EXPECT_EQ(lock.Acquire("lock-k"), lrAcquired);
}

TEST(SingleInstance, SecondStartHandsItsArgumentsToTheRunningInstance) {
  // This process becomes the running instance; asking again finds it running.
  ASSERT_FALSE(CheckRunningInstance(cQuillonInstanceLockID, cQuillonMainWindowClass, true, true, 0, false, {}));
  EXPECT_TRUE(CheckRunningInstance(cQuillonInstanceLockID, cQuillonMainWindowClass, true, true, 0, false, {}));

  // While the main window does not listen yet, a second start still ends, quietly.
  EXPECT_EQ(RunSecondStart({"early.xml"}), 10);

  std::vector<std::string> log;
  std::vector<TIPCMessage> messages;
  TInstanceChannelServer server;
  server.OnActivate = [&] { log.push_back("activate"); };
  server.OnCopyData = [&](int64_t aSender, uint32_t aTag, const std::vector<uint8_t>& aData) {
    log.push_back("data");
    EXPECT_EQ(aSender, 0);
    EXPECT_EQ(aTag, 0u);
    messages.push_back(ReadIPCMessage(aData));
  };
  ASSERT_TRUE(server.Listen(ToQString(cQuillonMainWindowClass)));

  qint64 pid = 0;
  EXPECT_EQ(RunSecondStart({"a.xml", ToQString(u" b \u4E00.xml ")}, &pid), 10);
  ASSERT_EQ(log, (std::vector<std::string>{"activate", "data"}));
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].UID, pid);
  EXPECT_EQ(messages[0].Typ, ipcParams);
  EXPECT_EQ(messages[0].StrData, u"a.xml\r\n b \u4E00.xml");  // inner blanks stay, the outer one goes

  // Without arguments a second start only brings the running instance forward.
  log.clear();
  EXPECT_EQ(RunSecondStart({}), 10);
  EXPECT_EQ(log, (std::vector<std::string>{"activate"}));
}

TEST(InstanceChannel, SenderWaitsUntilTheHandlerHasReturned) {
  TInstanceChannelServer server;
  ASSERT_TRUE(server.Listen("WaitWnd"));
  std::atomic<bool> senderReturned{false};
  bool returnedDuringHandler = true;
  Strings received;
  server.OnCopyData = [&](int64_t, uint32_t, const std::vector<uint8_t>& aData) {
    QThread::msleep(100);  // a premature answer would let the sender go meanwhile
    returnedDuringHandler = senderReturned;
    received = ReceivedArguments(aData);
  };

  bool delivered = false;
  std::thread sender([&] {
    TInstanceChannelClient client(10000);
    delivered = client.Connect("WaitWnd") &&
                SendIPCMessage(0, client, ipcParams, JoinHandOverArguments({u"a.xml", u"b.xml"}), 0);
    senderReturned = true;
  });
  PumpUntil([&] { return senderReturned.load(); });
  sender.join();
  EXPECT_TRUE(delivered);
  EXPECT_FALSE(returnedDuringHandler);
  EXPECT_EQ(received, (Strings{u"a.xml", u"b.xml"}));
}

TEST(InstanceChannel, HungInstanceReleasesTheSenderAfterTheTimeOut) {
  TInstanceChannelServer server;
  ASSERT_TRUE(server.Listen("HungWnd"));
  // This thread serves no events while it sends, so the instance never answers: the sender
  // must come back on its own (a fault here hangs the test instead of failing it).
  TInstanceChannelClient client(300);
  const bool connected = client.Connect("HungWnd");
  EXPECT_FALSE(connected && client.Activate());

  TInstanceChannelClient nobody(300);
  EXPECT_FALSE(nobody.Connect("NoSuchWnd"));
  EXPECT_FALSE(nobody.Activate());
}

TEST(InstanceChannel, HostileRequestsAreDroppedAndTheServerGoesOn) {
  TInstanceChannelServer server;
  ASSERT_TRUE(server.Listen("GuardWnd"));
  int handled = 0;
  server.OnCopyData = [&](int64_t, uint32_t, const std::vector<uint8_t>&) { ++handled; };
  server.OnActivate = [&] { ++handled; };

  const QByteArray oversized = QByteArray("D") + QByteArray(12, '\0') + QByteArray("\xFF\xFF\xFF\xFF", 4);
  const QByteArray frames[] = {oversized, QByteArray("Z")};
  for (const QByteArray& frame : frames) {
    std::atomic<bool> done{false};
    bool dropped = false;
    std::thread rogue([&] {
      QLocalSocket socket;
      socket.connectToServer(InstanceChannelName("GuardWnd"));
      if (socket.waitForConnected(5000)) {
        socket.write(frame);
        socket.waitForBytesWritten(5000);
        dropped = socket.state() == QLocalSocket::UnconnectedState || socket.waitForDisconnected(5000);
      }
      done = true;
    });
    PumpUntil([&] { return done.load(); });
    rogue.join();
    EXPECT_TRUE(dropped);
  }
  EXPECT_EQ(handled, 0);

  std::atomic<bool> done{false};
  bool ok = false;
  std::thread sender([&] {
    TInstanceChannelClient client(10000);
    ok = client.Connect("GuardWnd") && client.Activate() && client.CopyData(1, 0, {1, 2, 3});
    done = true;
  });
  PumpUntil([&] { return done.load(); });
  sender.join();
  EXPECT_TRUE(ok);
  EXPECT_EQ(handled, 2);
}

}  // namespace
