#include <QCoreApplication>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

#include "serial/pty.h"
#include "serial/rs232c.h"
#include "serial/ui/qt_serial_event_host.h"

using namespace tamber;

class TestQtSerialEventHost : public QObject {
  Q_OBJECT

 private slots:
  void deliversOnTheGuiThreadAndWaits() {
    TQtSerialEventHost host;
    QThread* ranOn = nullptr;
    auto h = std::make_shared<TSerialHandOver>([&] { ranOn = QThread::currentThread(); });
    std::atomic<int> result{-1};
    std::thread events([&] { result = host.Deliver(h) ? 1 : 0; });
    // The event thread stays in Deliver until the GUI thread has run it.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    QCOMPARE(result.load(), -1);
    QTRY_COMPARE(result.load(), 1);
    events.join();
    QCOMPARE(ranOn, QThread::currentThread());
  }

  void cancelReleasesTheEventThreadWhileTheGuiIsBusy() {
    TQtSerialEventHost host;
    int runs = 0;
    auto h = std::make_shared<TSerialHandOver>([&] { ++runs; });
    std::atomic<int> result{-1};
    std::thread events([&] { result = host.Deliver(h) ? 1 : 0; });
    // The GUI thread handles no events here, as when it sits in Close.
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    h->Cancel();
    events.join();
    QCOMPARE(result.load(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(runs, 0);
  }

  void destroyingTheHostReleasesWaitingThreads() {
    auto host = std::make_unique<TQtSerialEventHost>();
    auto h = std::make_shared<TSerialHandOver>([] { QFAIL("ran after the host died"); });
    std::atomic<int> result{-1};
    std::thread events([&, raw = host.get()] { result = raw->Deliver(h) ? 1 : 0; });
    // Posted: the event queue holds the second reference.
    QVERIFY(test::WaitFor([&] { return h.use_count() >= 2; }));
    host.reset();
    events.join();
    QCOMPARE(result.load(), 0);
    QCoreApplication::processEvents();
  }

  void runsAtOnceOnItsOwnThread() {
    TQtSerialEventHost host;
    int runs = 0;
    QVERIFY(host.Deliver(std::make_shared<TSerialHandOver>([&] { ++runs; })));
    QCOMPARE(runs, 1);
  }

  void portEventsReachHandlersAndAHandlerMayClose() {
    test::PtyPair pty;
    TQtSerialEventHost host;
    Trs232c port;
    port.Setportname(pty.Path());
    port.SetEventHost(&host);
    QThread* ranOn = nullptr;
    int calls = 0;
    port.SetOnRXCHAR([&](TObject&) {
      ranOn = QThread::currentThread();
      ++calls;
      QVERIFY(port.Close());
    });
    QVERIFY(port.Open());
    pty.Send("%");
    QTRY_COMPARE(calls, 1);
    QCOMPARE(ranOn, QThread::currentThread());
    QVERIFY(!port.IsOpen());
    pty.Send("x");
    QTest::qWait(50);
    QCOMPARE(calls, 1);
  }

  void closeWhileADeliveryIsPostedDoesNotWaitForIt() {
    test::PtyPair pty;
    TQtSerialEventHost host;
    Trs232c port;
    port.Setportname(pty.Path());
    port.SetEventHost(&host);
    int calls = 0;
    port.SetOnRXCHAR([&](TObject&) { ++calls; });
    QVERIFY(port.Open());
    pty.Send("%");
    // Without processing events, the delivery stays posted.
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    QVERIFY(port.Close());
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
  }
};

QTEST_GUILESS_MAIN(TestQtSerialEventHost)
#include "test_qt_serial_event_host.moc"
