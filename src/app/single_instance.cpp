#include "app/single_instance.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QtEndian>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace tamber {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kBufferProperty = "tamberRecord";

// Sends record and waits for the acknowledgement, both before deadline.
bool SendOnce(const QByteArray& socketPath, const QByteArray& record, Clock::time_point deadline) {
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  if (static_cast<std::size_t>(socketPath.size()) >= sizeof addr.sun_path) return false;
  std::memcpy(addr.sun_path, socketPath.constData(), static_cast<std::size_t>(socketPath.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0;
  for (qsizetype sent = 0; ok && sent < record.size();) {
    const ssize_t n = ::send(fd, record.constData() + sent, static_cast<std::size_t>(record.size() - sent), MSG_NOSIGNAL);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) ok = false;
    else sent += n;
  }
  char ack = 0;
  while (ok) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      ok = false;
      break;
    }
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(left));
    if (r < 0 && errno == EINTR) continue;
    if (r <= 0) {
      ok = false;
      break;
    }
    const ssize_t n = ::read(fd, &ack, 1);
    if (n < 0 && errno == EINTR) continue;
    ok = n == 1 && ack == kHandOverAck;
    break;
  }
  ::close(fd);
  return ok;
}

}  // namespace

QByteArray HandOverRecord(const QString& path, const QByteArray& token) {
  const QByteArray payload = QFile::encodeName(path) + '\0' + token;
  QByteArray record(8, '\0');
  qToLittleEndian<quint32>(kHandOverTag, record.data());
  qToLittleEndian<quint32>(static_cast<quint32>(payload.size()), record.data() + 4);
  return record + payload;
}

QByteArray ActivationTokenFromEnvironment() {
  const QByteArray wayland = qgetenv("XDG_ACTIVATION_TOKEN");
  return wayland.isEmpty() ? qgetenv("DESKTOP_STARTUP_ID") : wayland;
}

TSingleInstance::TSingleInstance(QString folder, QObject* parent)
    : QObject(parent), folder_(std::move(folder)) {}

TSingleInstance::~TSingleInstance() {
  if (server_) server_->close();
}

QString TSingleInstance::DefaultFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty() && QFileInfo(runtime).isDir()) return runtime;
  return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

TSingleInstance::Role TSingleInstance::Start() {
  role_ = Role::kAlone;
  if (folder_.isEmpty()) return role_;
  lock_ = std::make_unique<QLockFile>(LockPath());
  // Only a lock whose process is gone is stale, however old it is.
  lock_->setStaleLockTime(0);
  if (lock_->tryLock(0)) {
    role_ = Role::kFirst;
  } else if (lock_->error() == QLockFile::LockFailedError) {
    role_ = Role::kSecond;
    lock_.reset();
  } else {
    lock_.reset();
  }
  return role_;
}

bool TSingleInstance::HandOver(const QStringList& paths, const QByteArray& token, int timeoutMs) const {
  const QByteArray socketPath = QFile::encodeName(SocketPath());
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  // Without paths one empty record only brings the running window forward.
  const QStringList sent = paths.isEmpty() ? QStringList{QString()} : paths;
  for (const QString& path : sent) {
    const QByteArray record =
        HandOverRecord(path.isEmpty() ? path : QDir::current().absoluteFilePath(path), token);
    // The first instance may be between taking the lock and listening.
    while (!SendOnce(socketPath, record, deadline)) {
      if (Clock::now() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
  }
  return true;
}

bool TSingleInstance::Listen() {
  if (role_ != Role::kFirst) return false;
  server_ = new QLocalServer(this);
  server_->setSocketOptions(QLocalServer::UserAccessOption);
  // We hold the lock, so a socket left here belongs to an instance that died.
  QLocalServer::removeServer(SocketPath());
  if (!server_->listen(SocketPath())) {
    delete server_;
    server_ = nullptr;
    lock_->unlock();
    lock_.reset();
    role_ = Role::kAlone;
    return false;
  }
  connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
  return true;
}

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] { ReadRecords(socket); });
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    ReadRecords(socket);
  }
}

void TSingleInstance::ReadRecords(QLocalSocket* socket) {
  QByteArray buf = socket->property(kBufferProperty).toByteArray();
  auto drop = [socket] {
    socket->setProperty(kBufferProperty, QByteArray());
    socket->abort();
    socket->deleteLater();
  };
  while (true) {
    // Never more than the header, then never more than the count it states.
    if (buf.size() < 8) {
      buf += socket->read(8 - buf.size());
      if (buf.size() < 8) break;
    }
    const auto tag = qFromLittleEndian<quint32>(buf.constData());
    const auto count = qFromLittleEndian<quint32>(buf.constData() + 4);
    if (tag != kHandOverTag || count < 1 || count > kHandOverMaxBytes) return drop();
    const qsizetype want = 8 + static_cast<qsizetype>(count);
    buf += socket->read(want - buf.size());
    if (buf.size() < want) break;
    const QByteArray payload = buf.mid(8);
    buf.clear();
    const qsizetype zero = payload.indexOf('\0');
    if (zero < 0) return drop();
    const QString path = QFile::decodeName(payload.left(zero));
    if (!path.isEmpty() && !QDir::isAbsolutePath(path)) return drop();
    socket->write(&kHandOverAck, 1);
    socket->flush();
    emit OpenRequested(path, payload.mid(zero + 1));
  }
  socket->setProperty(kBufferProperty, buf);
}

}  // namespace tamber
