// Single instance per user session on Linux: a lock file held with flock() for the life of
// the process, and a local socket named after the main window's class name on which a
// second start asks the running instance to come to the front and hands over a data block,
// waiting until the receiver has handled it.
//
// Wire format of the channel (the data block itself is passed through untouched):
//   request 'A'                                  come to the front
//   request 'D', int64 sender, uint32 tag, uint32 size, size bytes    a data block
// all integers little-endian; the server answers each request with one acknowledge byte
// (0x06) after its handler has returned.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QLocalServer;
class QLocalSocket;

// Directory for the lock and the socket: $XDG_RUNTIME_DIR when it is an absolute path to a
// directory, otherwise /tmp/quillon-<uid>, created with mode 0700 and accepted only when
// it is a real directory owned by this user. Empty when neither can be had.
QString InstanceRuntimeDir();
// The same choice with its inputs given (the value of XDG_RUNTIME_DIR and the fallback path),
// so that the checks can be tried on folders other than the real fallback.
QString ChooseInstanceRuntimeDir(const QByteArray& aXdgRuntimeDir, const QByteArray& aFallback);

enum TLockResult {
  lrAcquired,       // this object holds the lock now
  lrHeldElsewhere,  // another holder has it (or the lock file may not be opened: access denied)
  lrFailed          // the lock could not be tried for another reason
};

// An exclusive advisory lock on a file "<Local|Global>-<name>.lock". Local locks live in
// InstanceRuntimeDir(), global ones in /tmp. The kernel drops the lock when the process
// ends in any way, so a crash leaves no stale lock; the descriptor is not inherited by
// child processes.
class TSingleInstanceLock {
public:
  TSingleInstanceLock() = default;
  ~TSingleInstanceLock();
  TSingleInstanceLock(const TSingleInstanceLock&) = delete;
  TSingleInstanceLock& operator=(const TSingleInstanceLock&) = delete;

  TLockResult Acquire(const QString& aLockName, bool aGlobal = false);
  void Release();
  bool Held() const { return FHandle >= 0; }
  const QString& Path() const { return FPath; }

private:
  int FHandle = -1;
  QString FPath;
};

// Full socket path of the channel of a window class: "<runtime dir>/<class>-<uid>".
QString InstanceChannelName(const QString& aWindowClassName);

// The receiving end, owned by the running instance's main window. Handlers run on the
// thread that owns the server, inside its event loop; the sender is released when the
// handler returns, so a handler should only queue work.
class TInstanceChannelServer : public QObject {
  Q_OBJECT
public:
  // Largest data block taken; a longer request closes the connection unanswered.
  static constexpr uint32_t cMaxDataSize = 16u * 1024u * 1024u;

  explicit TInstanceChannelServer(QObject* aParent = nullptr);
  ~TInstanceChannelServer() override;

  // Starts listening under the channel name of aWindowClassName; a socket file left by a
  // process that died is replaced (the caller holds the instance lock).
  bool Listen(const QString& aWindowClassName);
  void Close();
  bool IsListening() const;
  QString ServerName() const;

  std::function<void()> OnActivate;
  std::function<void(int64_t aSender, uint32_t aTag, const std::vector<uint8_t>& aData)> OnCopyData;

private:
  void NewConnection();
  void ReadRequests(QLocalSocket* aSocket);

  std::unique_ptr<QLocalServer> FServer;
};

// The sending end, used by a second start. Every call blocks until the running instance
// has answered or the time-out has run out; it needs no event loop.
class TInstanceChannelClient {
public:
  explicit TInstanceChannelClient(int aTimeoutMs = 10000);
  ~TInstanceChannelClient();
  TInstanceChannelClient(const TInstanceChannelClient&) = delete;
  TInstanceChannelClient& operator=(const TInstanceChannelClient&) = delete;

  // The counterpart of finding the running instance's main window; false when nobody
  // listens (for instance while the first instance is still starting).
  bool Connect(const QString& aWindowClassName);
  bool Connected() const;
  // Asks the running instance to restore its main window and bring it to the front.
  bool Activate();
  // Delivers a data block and returns once the receiver has handled it.
  bool CopyData(int64_t aSender, uint32_t aTag, const std::vector<uint8_t>& aData);
  void Disconnect();

private:
  bool Request(const QByteArray& aFrame);

  std::unique_ptr<QLocalSocket> FSocket;
  int FTimeoutMs;
};
