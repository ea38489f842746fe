#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>
#include <future>

#include "app/single_instance.h"

using tamber::TSingleInstance;
using Role = TSingleInstance::Role;

class TestSingleInstance : public QObject {
  Q_OBJECT

  // A second start sending from another thread while this one runs the
  // first instance's event loop.
  static std::future<bool> HandOverLater(const TSingleInstance& second, QStringList paths,
                                         QByteArray token, int timeoutMs = 3000) {
    return std::async(std::launch::async, [&second, paths, token, timeoutMs] {
      return second.HandOver(paths, token, timeoutMs);
    });
  }

  static bool Wait(std::future<bool>& f) {
    for (int i = 0; i < 500 && f.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready; ++i)
      QTest::qWait(10);
    return f.get();
  }

 private slots:
  void aSecondStartHandsItsFilesOverWithAbsolutePaths() {
    QTemporaryDir dir;
    TSingleInstance first(dir.path());
    QCOMPARE(first.Start(), Role::kFirst);
    QVERIFY(first.Listen());
    struct stat st {};
    QCOMPARE(::stat(QFile::encodeName(first.SocketPath()).constData(), &st), 0);
    QVERIFY(S_ISSOCK(st.st_mode));
    QCOMPARE(st.st_mode & 077, 0u);  // the user's only

    TSingleInstance second(dir.path());
    QCOMPARE(second.Start(), Role::kSecond);
    QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
    const QString here = QDir::currentPath();
    auto sent = HandOverLater(second, {"rel/日本語.txt", "/abs/b.c"}, "token-1");
    QVERIFY(Wait(sent));
    QTRY_COMPARE(opened.size(), 2);
    QCOMPARE(opened[0][0].toString(), here + "/rel/日本語.txt");
    QCOMPARE(opened[0][1].toByteArray(), QByteArray("token-1"));
    QCOMPARE(opened[1][0].toString(), QString("/abs/b.c"));
    // A start without files only asks for the window.
    auto raised = HandOverLater(second, {}, "");
    QVERIFY(Wait(raised));
    QTRY_COMPARE(opened.size(), 3);
    QCOMPARE(opened[2][0].toString(), QString());
  }

  void theReceiverIgnoresMalformedRecordsAndReadsNoFurther() {
    QTemporaryDir dir;
    TSingleInstance first(dir.path());
    QCOMPARE(first.Start(), Role::kFirst);
    QVERIFY(first.Listen());
    QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
    auto header = [](quint32 tag, quint32 count) {
      QByteArray h(8, '\0');
      qToLittleEndian(tag, h.data());
      qToLittleEndian(count, h.data() + 4);
      return h;
    };
    const QByteArray good = tamber::HandOverRecord("/good", "");
    const QByteArray bad[] = {
        header(2, 6) + QByteArray("/good\0", 6),      // another tag
        header(1, 0x7fffffff) + QByteArray("/x\0"),   // a count past any path
        header(1, 5) + QByteArray("/good"),            // no terminating zero
        header(1, 4) + QByteArray("rel\0", 4),         // not absolute
        header(1, 0),                                  // no payload
    };
    for (const QByteArray& record : bad) {
      QLocalSocket s;
      s.connectToServer(first.SocketPath());
      QVERIFY(s.waitForConnected(2000));
      s.write(record + good);  // what follows a bad record is not read either
      s.flush();
      QTRY_COMPARE(s.state(), QLocalSocket::UnconnectedState);
      QCOMPARE(s.readAll(), QByteArray());
    }
    QCOMPARE(opened.size(), 0);
    // A record split over several writes is put together; its count is read
    // exactly, so the next record starts right after it.
    QLocalSocket s;
    s.connectToServer(first.SocketPath());
    QVERIFY(s.waitForConnected(2000));
    const QByteArray two = good + tamber::HandOverRecord("/second", "t");
    for (char c : two) {
      s.write(&c, 1);
      s.flush();
      QTest::qWait(1);
    }
    QTRY_COMPARE(opened.size(), 2);
    QTRY_COMPARE(s.bytesAvailable(), 2);
    QCOMPARE(s.readAll(), QByteArray(2, tamber::kHandOverAck));
    QCOMPARE(opened[1][0].toString(), QString("/second"));
    QCOMPARE(opened[1][1].toByteArray(), QByteArray("t"));
  }

  void aLockLeftByADeadInstanceIsTakenOver() {
    QTemporaryDir dir;
    const QString lockPath = TSingleInstance(dir.path()).LockPath();
    const pid_t child = fork();
    if (child == 0) {
      QLockFile lock(lockPath);
      _exit(lock.tryLock(0) ? 0 : 1);  // ends without unlocking
    }
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QCOMPARE(WEXITSTATUS(status), 0);
    QVERIFY(QFile::exists(lockPath));
    TSingleInstance first(dir.path());
    QCOMPARE(first.Start(), Role::kFirst);
    QVERIFY(first.Listen());
  }

  void aHandOverWithNobodyListeningGivesUpAtItsDeadline() {
    QTemporaryDir dir;
    TSingleInstance first(dir.path());
    QCOMPARE(first.Start(), Role::kFirst);  // locked but not listening yet
    TSingleInstance second(dir.path());
    QCOMPARE(second.Start(), Role::kSecond);
    QElapsedTimer t;
    t.start();
    QVERIFY(!second.HandOver({"/a"}, "", 300));
    QVERIFY(t.elapsed() >= 250);
    QVERIFY(t.elapsed() < 2000);
    // It keeps trying while the first one starts listening.
    QSignalSpy opened(&first, &TSingleInstance::OpenRequested);
    auto sent = HandOverLater(second, {"/late"}, "");
    QTest::qWait(200);
    QVERIFY(first.Listen());
    QVERIFY(Wait(sent));
    QTRY_COMPARE(opened.size(), 1);
  }

  void runsAloneWhereNoLockCanBeMade() {
    QCOMPARE(TSingleInstance("/nonexistent/folder").Start(), Role::kAlone);
    QCOMPARE(TSingleInstance(QString()).Start(), Role::kAlone);
    // A socket path too long for the system: the first one runs alone and
    // gives the lock up so that no later start waits for it.
    QTemporaryDir dir;
    const QString deep = dir.path() + "/" + QString(100, 'd') + "/" + QString(100, 'e');
    QVERIFY(QDir().mkpath(deep));
    TSingleInstance first(deep);
    QCOMPARE(first.Start(), Role::kFirst);
    QVERIFY(!first.Listen());
    QCOMPARE(first.role(), Role::kAlone);
    QCOMPARE(TSingleInstance(deep).Start(), Role::kFirst);
  }
};

QTEST_MAIN(TestSingleInstance)
#include "test_single_instance.moc"
