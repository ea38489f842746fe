// TQtSerialEventHost: hands the serial event thread's deliveries to the Qt
// thread the host lives in (the GUI thread). Each delivery is posted to that
// thread's event loop and the event thread waits until it has run; Close
// cancels the wait (TSerialHandOver), so a GUI thread busy in Close, or in a
// handler that closes the port, never deadlocks with it. Nested event loops
// (a modal dialog) run deliveries too.
//
// The host must outlive the port sessions that use it; destroying it cancels
// every delivery still waiting.
#pragma once

#include <QObject>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "serial/serial_event_host.h"

namespace tamber {

class TQtSerialEventHost : public QObject, public TSerialEventHost {
  Q_OBJECT

 public:
  explicit TQtSerialEventHost(QObject* parent = nullptr);
  ~TQtSerialEventHost() override;

  // On the event thread: posts the hand-over and waits for it. Called on the
  // host's own thread it runs the hand-over at once.
  bool Deliver(const std::shared_ptr<TSerialHandOver>& handOver) override;

 private:
  // Runs what was posted, on the host's thread.
  Q_INVOKABLE void RunPosted();

  // Outlives the host for the threads it releases on destruction. The
  // hand-overs travel through this queue under its own lock, not inside the
  // posted event, so the hand-off is visible to ThreadSanitizer.
  struct Waiting {
    std::mutex mutex;
    std::vector<std::weak_ptr<TSerialHandOver>> list;
    std::deque<std::shared_ptr<TSerialHandOver>> posted;
  };
  std::shared_ptr<Waiting> waiting_ = std::make_shared<Waiting>();
};

}  // namespace tamber
