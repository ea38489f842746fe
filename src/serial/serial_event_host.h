// The hand-over from the serial event thread to the user-interface thread.
//
// The event thread wraps each delivery in a TSerialHandOver and gives it to
// the host, which has Run called on the user-interface thread and waits until
// it has run. Close cancels the hand-over in progress, which releases the
// waiting thread at once; a cancelled hand-over that the user-interface thread
// reaches later does nothing. So Close never waits for a user-interface thread
// that is itself waiting in Close, also when Close is called from a handler.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>

namespace tamber {

class TSerialHandOver {
 public:
  explicit TSerialHandOver(std::function<void()> routine) : routine_(std::move(routine)) {}
  TSerialHandOver(const TSerialHandOver&) = delete;
  TSerialHandOver& operator=(const TSerialHandOver&) = delete;

  // On the user-interface thread: runs the routine unless the hand-over was
  // cancelled first; only the first call runs it.
  void Run();
  // On the event thread: blocks until Run has finished (true) or the
  // hand-over was cancelled (false).
  bool Wait();
  // From any thread; releases Wait. A routine already running goes on.
  void Cancel();
  bool Cancelled() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::function<void()> routine_;
  bool started_ = false, finished_ = false, cancelled_ = false;
};

// Implemented by the user-interface side; must outlive every port session
// that uses it.
class TSerialEventHost {
 public:
  virtual ~TSerialEventHost() = default;
  // Called on the event thread: has handOver->Run() called on the
  // user-interface thread and returns handOver->Wait().
  virtual bool Deliver(const std::shared_ptr<TSerialHandOver>& handOver) = 0;
};

// A host for programs without an event loop of their own (and for tests):
// hand-overs queue up until the user-interface thread calls ProcessPending.
class TSerialQueueHost : public TSerialEventHost {
 public:
  ~TSerialQueueHost() override;
  bool Deliver(const std::shared_ptr<TSerialHandOver>& handOver) override;
  // Waits up to timeout_ms for a hand-over, then runs all that are queued.
  // Returns how many it ran (cancelled ones are dropped and not counted).
  int ProcessPending(int timeout_ms);
  std::size_t Pending() const;

 private:
  mutable std::mutex mutex_;
  std::condition_variable cv_;
  std::deque<std::shared_ptr<TSerialHandOver>> queue_;
};

}  // namespace tamber
