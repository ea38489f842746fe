// Change notification for option objects: a persistent object that reports its
// changes to one handler with nested begin/end update, and a list that reports
// one change to many listeners.
//
// TNotifyPersistent: the update counter is never negative; a change is reported
// only while the counter is 0. TNotifyEventList: listeners are called in the
// order they were added; a listener may add or remove listeners (itself too)
// while a report is running: a removed listener is not called again, one added
// during a report is first called by the next report.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tamber {

// The common base of everything that can be the sender of a report.
class TObject {
 public:
  virtual ~TObject() = default;
};

class TNotifyPersistent : public TObject {
 public:
  using TNotifyEvent = std::function<void(TObject& sender)>;

  TNotifyPersistent() = default;
  TNotifyPersistent(const TNotifyPersistent&) = delete;
  TNotifyPersistent& operator=(const TNotifyPersistent&) = delete;

  const TNotifyEvent& OnChange() const { return on_change_; }
  void SetOnChange(TNotifyEvent handler) { on_change_ = std::move(handler); }

  // Calls the handler with this object unless an update is in progress.
  virtual void Changed();
  void BeginUpdate() { ++update_count_; }
  // Leaves one level of update and reports the change.
  void EndUpdate();
  int UpdateCount() const { return update_count_; }
  // A handler entry for sub-objects: reports a change of this object unless
  // the sender is this object itself.
  void ChangedProc(TObject& sender);

 private:
  TNotifyEvent on_change_;
  int update_count_ = 0;
};

// Holds one update level of an object for a scope, so a throw cannot leave the
// object's reports suspended.
class TUpdateGuard {
 public:
  explicit TUpdateGuard(TNotifyPersistent& target) : target_(target) { target_.BeginUpdate(); }
  ~TUpdateGuard() { target_.EndUpdate(); }
  TUpdateGuard(const TUpdateGuard&) = delete;
  TUpdateGuard& operator=(const TUpdateGuard&) = delete;

 private:
  TNotifyPersistent& target_;
};

class TNotifyEventList;

// A listener's membership in a TNotifyEventList. Leaving (Disconnect or the
// destructor) is safe at any time: during a report, or after the list died.
class TNotifyConnection {
 public:
  TNotifyConnection() = default;
  TNotifyConnection(TNotifyConnection&& other) noexcept;
  TNotifyConnection& operator=(TNotifyConnection&& other) noexcept;
  ~TNotifyConnection() { Disconnect(); }
  void Disconnect();
  bool Connected() const;

 private:
  friend class TNotifyEventList;
  struct Shared;
  TNotifyConnection(std::weak_ptr<Shared> list, std::uint64_t id) : list_(std::move(list)), id_(id) {}
  std::weak_ptr<Shared> list_;
  std::uint64_t id_ = 0;
};

class TNotifyEventList : public TNotifyPersistent {
 public:
  // sender: the object passed to every listener (the owning fountain).
  explicit TNotifyEventList(TObject& sender);
  ~TNotifyEventList() override;

  // Adds a listener; it stays until the returned connection is dropped or disconnected.
  [[nodiscard]] TNotifyConnection Add(TNotifyEvent handler);
  int Count() const;
  // Calls every listener with the sender, unless an update is in progress.
  void Changed() override;

 private:
  std::shared_ptr<TNotifyConnection::Shared> shared_;
  TObject& sender_;
};

}  // namespace tamber
