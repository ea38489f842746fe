// Change notification for option objects: a persistent object that reports its
// changes to one handler with nested begin/end update, an option object that
// reports only real changes, and a list that reports one change to many
// listeners.
//
// TNotifyPersistent: the update counter is never negative; a change is reported
// only while the counter is 0, and every EndUpdate reports. TNotifyOption: a
// change made during an update is reported once, at the outermost EndUpdate;
// an update in which nothing changed reports nothing. TNotifyEventList: listeners are called in the
// order they were added; a listener may add or remove listeners (itself too)
// while a report is running: a removed listener is not called again, one added
// during a report is first called by the next report.
#pragma once

#include <cstdint>
#include <exception>
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
  virtual void EndUpdate();
  int UpdateCount() const { return update_count_; }
  // A handler entry for sub-objects: reports a change of this object unless
  // the sender is this object itself.
  void ChangedProc(TObject& sender);

 protected:
  // Leaves one level of update; true when that was the outermost one.
  bool LeaveUpdate() { return update_count_ > 0 && --update_count_ == 0; }

 private:
  TNotifyEvent on_change_;
  int update_count_ = 0;
};

class TNotifyOption : public TNotifyPersistent {
 public:
  // Reports now, or marks the change for the end of the update in progress.
  void Changed() override;
  void EndUpdate() override;

 private:
  bool pending_ = false;
};

// How a scope holds an object's updates: its BeginUpdate and EndUpdate.
template <class T>
struct TBeginEndUpdate {
  static void Begin(T& t) { t.BeginUpdate(); }
  static void End(T& t) { t.EndUpdate(); }
};

// Holds one update level of an object for a scope (Calls::Begin on entry,
// Calls::End on every way out), so a throw cannot leave the object's reports
// suspended. Leaving by a throw, a failure of the report itself is swallowed:
// the first failure is the one that travels.
template <class T, class Calls = TBeginEndUpdate<T>>
class TScopedUpdate {
 public:
  explicit TScopedUpdate(T& target) : target_(target), unwinding_(std::uncaught_exceptions()) {
    Calls::Begin(target_);
  }
  ~TScopedUpdate() noexcept(false) {
    if (std::uncaught_exceptions() > unwinding_) {
      try {
        Calls::End(target_);
      } catch (...) {
      }
    } else {
      Calls::End(target_);
    }
  }
  TScopedUpdate(const TScopedUpdate&) = delete;
  TScopedUpdate& operator=(const TScopedUpdate&) = delete;

 private:
  T& target_;
  int unwinding_;
};

using TUpdateGuard = TScopedUpdate<TNotifyPersistent>;

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
