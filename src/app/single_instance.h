// At most one editor per user: the first start holds a lock file and listens
// on a local socket in the user's runtime folder; a later start hands its
// files to it and ends. Where neither can be made the program runs alone.
#pragma once

#include <QByteArray>
#include <QLockFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <memory>
#include <string>
#include <vector>

class QLocalServer;
class QLocalSocket;

namespace tamber {

// The hand-over record: tag (32 bits, 1), byte count (32 bits), then that many
// bytes: the absolute path in UTF-8, a zero, and the activation token (may be
// empty). Both numbers are little-endian. An empty path asks only for the
// running window to come forward. The receiver answers each record it
// accepts with one byte kHandOverAck.
inline constexpr quint32 kHandOverTag = 1;
inline constexpr char kHandOverAck = 0x06;
// Larger records are not read at all.
inline constexpr quint32 kHandOverMaxBytes = 64 * 1024;

QByteArray HandOverRecord(const QString& path, const QByteArray& token);

// The token that lets the running window take the focus under focus-stealing
// prevention; read before the application object is made, which consumes it.
QByteArray ActivationTokenFromEnvironment();

class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  enum class Role { kFirst, kSecond, kAlone };

  // folder: where the lock and the socket live (by default the user's
  // runtime folder, see DefaultFolder).
  explicit TSingleInstance(QString folder = DefaultFolder(), QObject* parent = nullptr);
  ~TSingleInstance() override;

  // $XDG_RUNTIME_DIR, or the runtime folder Qt makes for the user without it;
  // empty when there is none.
  static QString DefaultFolder();

  // Takes the lock (a lock left by an instance that died is taken over).
  // kSecond when another instance holds it; kAlone when it cannot be made.
  // Needs no application object.
  Role Start();
  Role role() const { return role_; }

  // Second instance: sends one record per path (made absolute against the
  // current folder; no path: one record that only raises the window) and waits for each acknowledgement, trying again until
  // timeoutMs have passed. Plain sockets, no application object needed; safe
  // to call from any thread.
  bool HandOver(const QStringList& paths, const QByteArray& token, int timeoutMs) const;

  // First instance, once the application object exists: listens on the
  // socket (readable and writable by the user only). On failure the lock is
  // given up and the role becomes kAlone.
  bool Listen();

  QString SocketPath() const { return folder_ + QStringLiteral("/tamber.socket"); }
  QString LockPath() const { return folder_ + QStringLiteral("/tamber.lock"); }

 signals:
  // A second start asked for path to be opened, or with an empty path for
  // the window to come forward (token may be empty).
  void OpenRequested(const QString& path, const QByteArray& token);

 private:
  void Accept();
  void ReadRecords(QLocalSocket* socket);

  QString folder_;
  Role role_ = Role::kAlone;
  std::unique_ptr<QLockFile> lock_;
  QLocalServer* server_ = nullptr;
};

}  // namespace tamber
