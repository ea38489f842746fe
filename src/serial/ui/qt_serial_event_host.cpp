#include "serial/ui/qt_serial_event_host.h"

#include <QThread>

#include <algorithm>

namespace tamber {

TQtSerialEventHost::TQtSerialEventHost(QObject* parent) : QObject(parent) {}

TQtSerialEventHost::~TQtSerialEventHost() {
  // Posted deliveries die with this object unrun; release their threads.
  std::vector<std::weak_ptr<TSerialHandOver>> list;
  std::deque<std::shared_ptr<TSerialHandOver>> posted;
  {
    std::lock_guard lock(waiting_->mutex);
    list.swap(waiting_->list);
    posted.swap(waiting_->posted);
  }
  for (auto& w : list)
    if (auto h = w.lock()) h->Cancel();
}

bool TQtSerialEventHost::Deliver(const std::shared_ptr<TSerialHandOver>& handOver) {
  if (QThread::currentThread() == thread()) {
    handOver->Run();
    return handOver->Wait();
  }
  const std::shared_ptr<Waiting> waiting = waiting_;
  {
    std::lock_guard lock(waiting->mutex);
    std::erase_if(waiting->list, [](const auto& w) { return w.expired(); });
    waiting->list.push_back(handOver);
    waiting->posted.push_back(handOver);
    // Posted under the lock, so the destructor (which takes it) cannot run
    // between the queueing and the posting.
    QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
  }
  // The host may be gone once this returns.
  const bool ran = handOver->Wait();
  std::lock_guard lock(waiting->mutex);
  std::erase_if(waiting->list, [&](const auto& w) {
    const auto h = w.lock();
    return !h || h == handOver;
  });
  return ran;
}

void TQtSerialEventHost::RunPosted() {
  std::deque<std::shared_ptr<TSerialHandOver>> posted;
  {
    std::lock_guard lock(waiting_->mutex);
    posted.swap(waiting_->posted);
  }
  for (auto& h : posted) h->Run();
}

}  // namespace tamber
