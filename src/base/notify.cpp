#include "base/notify.h"

#include <algorithm>
#include <utility>

namespace tamber {

void TNotifyPersistent::Changed() {
  if (update_count_ == 0 && on_change_) on_change_(*this);
}

void TNotifyPersistent::EndUpdate() {
  if (update_count_ > 0) --update_count_;
  Changed();
}

void TNotifyOption::Changed() {
  if (UpdateCount() > 0) {
    pending_ = true;
    return;
  }
  TNotifyPersistent::Changed();
}

void TNotifyOption::EndUpdate() {
  if (LeaveUpdate() && std::exchange(pending_, false)) TNotifyPersistent::Changed();
}

void TNotifyPersistent::ChangedProc(TObject& sender) {
  if (&sender != this) Changed();
}

struct TNotifyConnection::Shared {
  struct Entry {
    std::uint64_t id;
    TNotifyPersistent::TNotifyEvent handler;  // empty once removed during a report
  };
  std::vector<Entry> entries;
  std::uint64_t next_id = 1;
  int reporting = 0;  // nesting of running reports; removal only blanks entries then

  void Remove(std::uint64_t id) {
    // The last entry with this id (ids are unique, so the only one).
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
      if (it->id != id) continue;
      if (reporting > 0) it->handler = nullptr;
      else entries.erase(std::next(it).base());
      return;
    }
  }
  void Compact() {
    std::erase_if(entries, [](const Entry& e) { return !e.handler; });
  }
};

TNotifyConnection::TNotifyConnection(TNotifyConnection&& other) noexcept
    : list_(std::move(other.list_)), id_(other.id_) {
  other.id_ = 0;
}

TNotifyConnection& TNotifyConnection::operator=(TNotifyConnection&& other) noexcept {
  if (this != &other) {
    Disconnect();
    list_ = std::move(other.list_);
    id_ = other.id_;
    other.id_ = 0;
  }
  return *this;
}

void TNotifyConnection::Disconnect() {
  if (auto shared = list_.lock()) shared->Remove(id_);
  list_.reset();
  id_ = 0;
}

bool TNotifyConnection::Connected() const {
  auto shared = list_.lock();
  if (!shared) return false;
  return std::any_of(shared->entries.begin(), shared->entries.end(),
                     [this](const auto& e) { return e.id == id_ && e.handler; });
}

TNotifyEventList::TNotifyEventList(TObject& sender)
    : shared_(std::make_shared<TNotifyConnection::Shared>()), sender_(sender) {}

TNotifyEventList::~TNotifyEventList() = default;

TNotifyConnection TNotifyEventList::Add(TNotifyEvent handler) {
  const std::uint64_t id = shared_->next_id++;
  shared_->entries.push_back({id, std::move(handler)});
  return TNotifyConnection(shared_, id);
}

int TNotifyEventList::Count() const {
  return static_cast<int>(std::count_if(shared_->entries.begin(), shared_->entries.end(),
                                        [](const auto& e) { return static_cast<bool>(e.handler); }));
}

void TNotifyEventList::Changed() {
  if (UpdateCount() > 0) return;
  // Listeners may leave or join while the report runs: walk the entries that
  // existed when it began, by index, and drop blanked ones at the end.
  std::shared_ptr<TNotifyConnection::Shared> shared = shared_;
  TObject& sender = sender_;
  const std::size_t count = shared->entries.size();
  ++shared->reporting;
  for (std::size_t i = 0; i < count && i < shared->entries.size(); ++i) {
    // Copy: the handler may remove itself, which blanks its entry.
    TNotifyPersistent::TNotifyEvent handler = shared->entries[i].handler;
    if (handler) handler(sender);
  }
  if (--shared->reporting == 0) shared->Compact();
}

}  // namespace tamber
