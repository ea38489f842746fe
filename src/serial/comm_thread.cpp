#include "serial/comm_thread.h"

#include <linux/serial.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

#include "serial/rs232c.h"
#include "serial/serial_event_host.h"

namespace tamber {
namespace {

constexpr int kWatchPeriodMs = 10;
constexpr std::uint32_t kLineEvents = evCTS | evDSR | evRLSD | evRING;
constexpr std::uint32_t kCounterEvents = kLineEvents | evBREAK | evERR;

}  // namespace

tcommthread::tcommthread(int fd, std::uint32_t mask, unsigned char evtChar, Trs232c* owner,
                         TSerialEventHost* host)
    : fd_(fd), mask_(mask), evt_char_(evtChar), owner_(owner), host_(host) {
  wake_fd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

tcommthread::~tcommthread() {
  if (thread_.joinable()) {
    Stop();
    Join();
  }
  if (wake_fd_ >= 0) ::close(wake_fd_);
}

void tcommthread::Start() {
  // The thread keeps the object alive for as long as it runs. It waits for
  // the assignment to thread_, which it may detach itself.
  std::lock_guard lock(start_mutex_);
  thread_ = std::thread([self = shared_from_this()] { self->Execute(); });
}

void tcommthread::Wake() {
  const std::uint64_t one = 1;
  if (wake_fd_ >= 0) (void)!::write(wake_fd_, &one, sizeof one);
}

void tcommthread::Stop() {
  stop_ = true;
  Wake();
  std::lock_guard lock(handover_mutex_);
  if (handover_) handover_->Cancel();
}

void tcommthread::Join() {
  if (!thread_.joinable()) return;
  if (running_id_.load() == std::this_thread::get_id()) {
    thread_.detach();
  } else {
    thread_.join();
  }
}

void tcommthread::NoteTaken(std::size_t n, bool sawEvtChar) {
  taken_ += n;
  if (sawEvtChar) evt_seen_ = true;
}

void tcommthread::NoteWritten() {
  if (!(mask_ & evTXEMPTY)) return;
  tx_pending_ = true;
  Wake();
}

void tcommthread::Execute() {
  { std::lock_guard lock(start_mutex_); }
  running_id_ = std::this_thread::get_id();
  const bool watch_rx = mask_ & (evRXCHAR | evRXFLAG);
  // Open emptied the queues before the thread was made, so whatever is queued
  // by the time it first looks has arrived since and is reported.
  int last_q = 0;
  std::uint64_t last_taken = 0;

  serial_icounter_struct last_icount{};
  bool icount = false, lines = false;
  int last_lines = 0;
  if (mask_ & kCounterEvents) {
    icount = ioctl(fd_, TIOCGICOUNT, &last_icount) == 0;
    if (!icount && (mask_ & kLineEvents)) lines = ioctl(fd_, TIOCMGET, &last_lines) == 0;
  }

  bool failed = false;
  while (!stop_) {
    if (TakesBytes() && owner_ && !owner_->Drain()) {
      failed = true;
      break;
    }
    const bool periodic = (watch_rx && last_q > 0) || tx_pending_ || icount || lines;
    pollfd fds[2] = {{wake_fd_, POLLIN, 0}, {fd_, static_cast<short>(watch_rx && last_q == 0 ? POLLIN : 0), 0}};
    const int r = ::poll(fds, 2, periodic ? kWatchPeriodMs : -1);
    if (stop_) break;
    if (r < 0) {
      if (errno == EINTR) continue;
      failed = true;
      break;
    }
    if (fds[0].revents & POLLIN) {
      std::uint64_t v;
      (void)!::read(wake_fd_, &v, sizeof v);
    }
    if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      failed = true;
      break;
    }
    if (TakesBytes() && owner_ && !owner_->Drain()) {
      failed = true;
      break;
    }

    std::uint32_t events = 0;
    if (watch_rx) {
      int q = 0;
      if (ioctl(fd_, FIONREAD, &q) != 0) {
        failed = true;
        break;
      }
      const std::uint64_t taken = taken_;
      if (static_cast<long long>(q) - last_q + static_cast<long long>(taken - last_taken) > 0) events |= evRXCHAR;
      last_q = q;
      last_taken = taken;
      if (evt_seen_.exchange(false)) events |= evRXFLAG;
    }
    if (tx_pending_) {
      int outq = 0;
      if (ioctl(fd_, TIOCOUTQ, &outq) == 0 && outq == 0) {
        tx_pending_ = false;
        events |= evTXEMPTY;
      }
    }
    if (icount) {
      serial_icounter_struct c{};
      if (ioctl(fd_, TIOCGICOUNT, &c) == 0) {
        if (c.cts != last_icount.cts) events |= evCTS;
        if (c.dsr != last_icount.dsr) events |= evDSR;
        if (c.dcd != last_icount.dcd) events |= evRLSD;
        if (c.rng != last_icount.rng) events |= evRING;
        if (c.brk != last_icount.brk) events |= evBREAK;
        if (c.frame != last_icount.frame || c.overrun != last_icount.overrun ||
            c.parity != last_icount.parity || c.buf_overrun != last_icount.buf_overrun)
          events |= evERR;
        last_icount = c;
      }
    } else if (lines) {
      int now = 0;
      if (ioctl(fd_, TIOCMGET, &now) == 0) {
        const int changed = now ^ last_lines;
        if (changed & TIOCM_CTS) events |= evCTS;
        if (changed & TIOCM_DSR) events |= evDSR;
        if (changed & TIOCM_CD) events |= evRLSD;
        if (changed & now & TIOCM_RI) events |= evRING;
        last_lines = now;
      }
    }
    events &= mask_;
    if (events) Deliver(events);
  }
  if (failed && !stop_) Deliver(evERR);
}

void tcommthread::Deliver(std::uint32_t events) {
  if (!host_) {
    RunDelivery(events);
    return;
  }
  auto handover = std::make_shared<TSerialHandOver>(
      [self = shared_from_this(), events] { self->RunDelivery(events); });
  {
    std::lock_guard lock(handover_mutex_);
    if (stop_) return;
    handover_ = handover;
  }
  host_->Deliver(handover);
  std::lock_guard lock(handover_mutex_);
  handover_.reset();
}

void tcommthread::RunDelivery(std::uint32_t events) {
  // The owner stays valid while the thread is not stopping: Close stops the
  // thread first, and a handler may close the port, so look again after each.
  if (stop_) return;
  events_ = events;
  const auto call = [&](const Trs232c::TNotifyEvent& (Trs232c::*handler)() const) {
    if (stop_) return false;
    const auto& h = (owner_->*handler)();
    if (h) {
      const auto keep = h;  // the handler may replace itself
      keep(*this);
    }
    return !stop_;
  };
  if ((events & evBREAK) && !call(&Trs232c::OnBREAK)) return;
  if ((events & evCTS) && !call(&Trs232c::OnCTS)) return;
  if ((events & evDSR) && !call(&Trs232c::OnDSR)) return;
  if ((events & evERR) && !call(&Trs232c::OnERR)) return;
  if ((events & evRING) && !call(&Trs232c::OnRING)) return;
  if ((events & evRLSD) && !call(&Trs232c::OnRLSD)) return;
  if (events & evRXCHAR) {
    rx_count_ = owner_->RxCount();
    if (owner_->OnPACKET() && owner_->packetsize() != 0 && rx_count_ >= owner_->packetsize()) {
      rx_count_ = 0;
      if (!call(&Trs232c::OnPACKET)) return;
    }
    if (!call(&Trs232c::OnRXCHAR)) return;
  }
  if ((events & evRXFLAG) && !call(&Trs232c::OnRXFLAG)) return;
  if ((events & evTXEMPTY) && !call(&Trs232c::OnTXEMPTY)) return;
}

}  // namespace tamber
