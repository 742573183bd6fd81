#include "SingleInstance.h"

#include <QByteArray>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char cRequestActivate = 'A';
constexpr char cRequestData = 'D';
constexpr char cAcknowledge = 0x06;
constexpr int cDataHeaderSize = 1 + 8 + 4 + 4;

void PutLE(QByteArray& aOut, uint64_t aValue, int aBytes) {
  for (int i = 0; i < aBytes; ++i) aOut.append(char((aValue >> (8 * i)) & 0xFF));
}

uint64_t GetLE(const char* aData, int aBytes) {
  uint64_t v = 0;
  for (int i = 0; i < aBytes; ++i) v |= uint64_t(uint8_t(aData[i])) << (8 * i);
  return v;
}

// A directory we may keep the lock and the socket in: ours, a real directory, and closed
// to other users, so nobody else can plant a socket or a symbolic link there.
bool IsPrivateDir(const QByteArray& aPath) {
  struct stat st;
  if (lstat(aPath.constData(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & 077) == 0;
}

QString SafeFilePart(const QString& aName) {
  QString s = aName;
  s.replace(QLatin1Char('/'), QLatin1Char('_'));
  s.replace(QChar(0), QLatin1Char('_'));
  return s;
}

}  // namespace

QString InstanceRuntimeDir() {
  return ChooseInstanceRuntimeDir(qgetenv("XDG_RUNTIME_DIR"), "/tmp/quillon-" + QByteArray::number(uint(geteuid())));
}

QString ChooseInstanceRuntimeDir(const QByteArray& aXdgRuntimeDir, const QByteArray& aFallback) {
  if (!aXdgRuntimeDir.isEmpty() && aXdgRuntimeDir.startsWith('/')) {
    struct stat st;
    if (stat(aXdgRuntimeDir.constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == geteuid())
      return QFile::decodeName(aXdgRuntimeDir);
  }
  if (mkdir(aFallback.constData(), 0700) != 0 && errno != EEXIST) return QString();
  if (!IsPrivateDir(aFallback)) return QString();
  return QFile::decodeName(aFallback);
}

// --- TSingleInstanceLock --------------------------------------------------------------

TSingleInstanceLock::~TSingleInstanceLock() { Release(); }

TLockResult TSingleInstanceLock::Acquire(const QString& aLockName, bool aGlobal) {
  Release();
  const QString dir = aGlobal ? QStringLiteral("/tmp") : InstanceRuntimeDir();
  if (dir.isEmpty()) return lrFailed;
  const QString path = dir + QLatin1Char('/') + (aGlobal ? QStringLiteral("Global-") : QStringLiteral("Local-")) +
                       SafeFilePart(aLockName) + QStringLiteral(".lock");
  const QByteArray native = QFile::encodeName(path);

  int fd;
  do {
    fd = ::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, aGlobal ? 0644 : 0600);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0 && errno == EACCES) {
    // A global lock file made by another user can still be locked through a read-only
    // descriptor; if even that is refused, the other user's instance counts as running.
    do {
      fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) return errno == EACCES ? lrHeldElsewhere : lrFailed;
  }
  if (fd < 0) return lrFailed;

  int rc;
  do {
    rc = ::flock(fd, LOCK_EX | LOCK_NB);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) {
    const int err = errno;
    ::close(fd);
    return err == EWOULDBLOCK ? lrHeldElsewhere : lrFailed;
  }
  FHandle = fd;
  FPath = path;
  return lrAcquired;
}

void TSingleInstanceLock::Release() {
  if (FHandle >= 0) {
    // The file stays: removing it would let a third start lock a new file while a second
    // one still waits on the old one.
    ::close(FHandle);
    FHandle = -1;
  }
  FPath.clear();
}

QString InstanceChannelName(const QString& aWindowClassName) {
  const QString dir = InstanceRuntimeDir();
  if (dir.isEmpty()) return QString();
  return dir + QLatin1Char('/') + SafeFilePart(aWindowClassName) + QLatin1Char('-') +
         QString::number(uint(geteuid()));
}

// --- TInstanceChannelServer -----------------------------------------------------------

TInstanceChannelServer::TInstanceChannelServer(QObject* aParent) : QObject(aParent) {}

TInstanceChannelServer::~TInstanceChannelServer() { Close(); }

bool TInstanceChannelServer::Listen(const QString& aWindowClassName) {
  Close();
  const QString name = InstanceChannelName(aWindowClassName);
  if (name.isEmpty()) return false;
  FServer = std::make_unique<QLocalServer>();
  FServer->setSocketOptions(QLocalServer::UserAccessOption);
  QLocalServer::removeServer(name);
  if (!FServer->listen(name)) {
    FServer.reset();
    return false;
  }
  connect(FServer.get(), &QLocalServer::newConnection, this, &TInstanceChannelServer::NewConnection);
  return true;
}

void TInstanceChannelServer::Close() {
  if (FServer) {
    FServer->close();
    FServer.reset();
  }
}

bool TInstanceChannelServer::IsListening() const { return FServer && FServer->isListening(); }

QString TInstanceChannelServer::ServerName() const {
  return FServer ? FServer->fullServerName() : QString();
}

void TInstanceChannelServer::NewConnection() {
  while (FServer && FServer->hasPendingConnections()) {
    QLocalSocket* socket = FServer->nextPendingConnection();
    // Parented to the server: closing the server ends its connections too.
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRequests(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    ReadRequests(socket);
  }
}

void TInstanceChannelServer::ReadRequests(QLocalSocket* aSocket) {
  QPointer<QLocalSocket> socket(aSocket);
  // A handler that runs a nested event loop must not see the next request of the same
  // connection before it has been answered.
  if (socket->property("busy").toBool()) return;
  socket->setProperty("busy", true);
  while (socket && socket->bytesAvailable() > 0) {
    char command = 0;
    socket->peek(&command, 1);
    if (command == cRequestActivate) {
      socket->read(1);
      try {
        if (OnActivate) OnActivate();
      } catch (...) {
        // The running instance goes on; the sender is still released.
      }
    } else if (command == cRequestData) {
      if (socket->bytesAvailable() < cDataHeaderSize) break;
      char header[cDataHeaderSize];
      socket->peek(header, cDataHeaderSize);
      const uint64_t size = GetLE(header + 13, 4);
      if (size > cMaxDataSize) {
        socket->abort();
        break;
      }
      if (uint64_t(socket->bytesAvailable()) < cDataHeaderSize + size) break;
      socket->read(cDataHeaderSize);
      const QByteArray body = socket->read(qint64(size));
      const std::vector<uint8_t> data(body.begin(), body.end());
      try {
        if (OnCopyData) OnCopyData(int64_t(GetLE(header + 1, 8)), uint32_t(GetLE(header + 9, 4)), data);
      } catch (...) {
      }
    } else {
      socket->abort();  // not a sender of ours
      break;
    }
    if (!socket) break;  // the handler's event loop saw the connection go
    socket->write(&cAcknowledge, 1);
    socket->flush();
  }
  if (socket) socket->setProperty("busy", false);
}

// --- TInstanceChannelClient -----------------------------------------------------------

TInstanceChannelClient::TInstanceChannelClient(int aTimeoutMs) : FTimeoutMs(aTimeoutMs) {}

TInstanceChannelClient::~TInstanceChannelClient() { Disconnect(); }

bool TInstanceChannelClient::Connect(const QString& aWindowClassName) {
  Disconnect();
  const QString name = InstanceChannelName(aWindowClassName);
  if (name.isEmpty()) return false;
  FSocket = std::make_unique<QLocalSocket>();
  FSocket->connectToServer(name);
  if (!FSocket->waitForConnected(FTimeoutMs)) {
    FSocket.reset();
    return false;
  }
  return true;
}

bool TInstanceChannelClient::Connected() const {
  return FSocket && FSocket->state() == QLocalSocket::ConnectedState;
}

void TInstanceChannelClient::Disconnect() {
  if (FSocket) {
    FSocket->abort();
    FSocket.reset();
  }
}

bool TInstanceChannelClient::Request(const QByteArray& aFrame) {
  if (!Connected()) return false;
  QDeadlineTimer deadline(FTimeoutMs);
  if (FSocket->write(aFrame) != aFrame.size()) return false;
  while (FSocket->bytesToWrite() > 0) {
    if (!FSocket->waitForBytesWritten(int(deadline.remainingTime()))) return false;
  }
  while (FSocket->bytesAvailable() < 1) {
    if (deadline.hasExpired() || !FSocket->waitForReadyRead(int(deadline.remainingTime()))) {
      // Unanswered: the running instance hangs or died. Drop the connection so a late
      // answer cannot be taken for the next request.
      Disconnect();
      return false;
    }
  }
  char ack = 0;
  if (FSocket->read(&ack, 1) != 1 || ack != cAcknowledge) {
    Disconnect();
    return false;
  }
  return true;
}

bool TInstanceChannelClient::Activate() { return Request(QByteArray(1, cRequestActivate)); }

bool TInstanceChannelClient::CopyData(int64_t aSender, uint32_t aTag, const std::vector<uint8_t>& aData) {
  if (aData.size() > TInstanceChannelServer::cMaxDataSize) return false;
  QByteArray frame;
  frame.reserve(cDataHeaderSize + int(aData.size()));
  frame.append(cRequestData);
  PutLE(frame, uint64_t(aSender), 8);
  PutLE(frame, aTag, 4);
  PutLE(frame, aData.size(), 4);
  frame.append(reinterpret_cast<const char*>(aData.data()), qsizetype(aData.size()));
  return Request(frame);
}
