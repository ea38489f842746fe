#include "serial/serial_event_host.h"

#include <chrono>

namespace tamber {

void TSerialHandOver::Run() {
  std::function<void()> routine;
  {
    std::lock_guard lock(mutex_);
    if (started_ || cancelled_) return;
    started_ = true;
    routine = std::move(routine_);
  }
  routine();
  {
    std::lock_guard lock(mutex_);
    finished_ = true;
  }
  cv_.notify_all();
}

bool TSerialHandOver::Wait() {
  std::unique_lock lock(mutex_);
  cv_.wait(lock, [&] { return finished_ || cancelled_; });
  return finished_;
}

void TSerialHandOver::Cancel() {
  std::function<void()> dropped;
  {
    std::lock_guard lock(mutex_);
    cancelled_ = true;
    if (!started_) dropped = std::move(routine_);  // released outside the lock
  }
  cv_.notify_all();
}

bool TSerialHandOver::Cancelled() const {
  std::lock_guard lock(mutex_);
  return cancelled_;
}

TSerialQueueHost::~TSerialQueueHost() {
  std::deque<std::shared_ptr<TSerialHandOver>> left;
  {
    std::lock_guard lock(mutex_);
    left.swap(queue_);
  }
  for (auto& h : left) h->Cancel();
}

bool TSerialQueueHost::Deliver(const std::shared_ptr<TSerialHandOver>& handOver) {
  {
    std::lock_guard lock(mutex_);
    queue_.push_back(handOver);
  }
  cv_.notify_all();
  return handOver->Wait();
}

int TSerialQueueHost::ProcessPending(int timeout_ms) {
  std::deque<std::shared_ptr<TSerialHandOver>> batch;
  {
    std::unique_lock lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(timeout_ms), [&] { return !queue_.empty(); });
    batch.swap(queue_);
  }
  int ran = 0;
  for (auto& h : batch) {
    if (h->Cancelled()) continue;
    h->Run();
    ++ran;
  }
  return ran;
}

std::size_t TSerialQueueHost::Pending() const {
  std::lock_guard lock(mutex_);
  return queue_.size();
}

}  // namespace tamber
