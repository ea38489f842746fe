// tcommthread: the event thread of an open Trs232c. It waits for port events
// and hands each batch to the user-interface side (through the owner's
// TSerialEventHost, or on its own thread when there is none), where the
// owner's handlers are called with the thread object as the sender.
//
// termios has no event wait of its own, so the thread watches what Linux
// offers: poll for received bytes and hang-ups, the driver's queue counts,
// and the interrupt counters (TIOCGICOUNT) or else the modem lines (TIOCMGET)
// for line changes, breaks and line errors. It polls those every few
// milliseconds only while something is to be watched that way.
//
// A failing wait (the device unplugged, a hang-up) delivers one evERR batch
// and ends the thread; it never spins.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "base/notify.h"

namespace tamber {

class Trs232c;
class TSerialEventHost;
class TSerialHandOver;

// Port event bits.
enum : std::uint32_t {
  evRXCHAR = 0x0001,   // bytes received
  evRXFLAG = 0x0002,   // the event character received
  evTXEMPTY = 0x0004,  // the send queue ran empty
  evCTS = 0x0008,      // CTS changed
  evDSR = 0x0010,      // DSR changed
  evRLSD = 0x0020,     // carrier (DCD) changed
  evBREAK = 0x0040,    // a break received
  evERR = 0x0080,      // a line error (framing, overrun, parity) or a failed wait
  evRING = 0x0100,     // ring indicator
};

class tcommthread : public TObject, public std::enable_shared_from_this<tcommthread> {
 public:
  // Created stopped; Start runs it. mask: the events to watch.
  tcommthread(int fd, std::uint32_t mask, unsigned char evtChar, Trs232c* owner, TSerialEventHost* host);
  ~tcommthread() override;
  tcommthread(const tcommthread&) = delete;
  tcommthread& operator=(const tcommthread&) = delete;

  void Start();
  // Asks the thread to stop: wakes its wait and cancels a hand-over in
  // progress. Returns at once; the owner's handlers are not called again.
  void Stop();
  // Waits for the thread to end (after Stop). Called on the thread itself (a
  // handler closing the port without a host), it lets the thread end alone.
  void Join();
  bool Stopping() const { return stop_.load(); }

  int PortHandle() const { return fd_; }
  // The events of the batch being delivered.
  std::uint32_t EventMask() const { return events_; }
  std::uint32_t WatchedEvents() const { return mask_; }
  // The receive-queue count read at the last evRXCHAR (0 after OnPACKET).
  int RxCountAtEvent() const { return rx_count_; }
  Trs232c* Owner() const { return stop_ ? nullptr : owner_; }
  // Whether the thread takes received bytes into the owner's queue itself
  // (to see the event character, which the driver cannot show otherwise).
  bool TakesBytes() const { return mask_ & evRXFLAG; }

  // From the owner: bytes taken from the driver (and whether the event
  // character was among them), and a write handed to the driver.
  void NoteTaken(std::size_t n, bool sawEvtChar);
  void NoteWritten();

 private:
  void Execute();
  void Deliver(std::uint32_t events);
  void RunDelivery(std::uint32_t events);
  void Wake();

  const int fd_;
  const std::uint32_t mask_;
  const unsigned char evt_char_;
  Trs232c* const owner_;
  TSerialEventHost* const host_;
  int wake_fd_ = -1;
  std::mutex start_mutex_;
  std::thread thread_;
  // The thread's id as it sees itself (thread_ is written by Start while the
  // thread may already run).
  std::atomic<std::thread::id> running_id_{};
  std::atomic<bool> stop_{false};
  std::atomic<std::uint64_t> taken_{0};
  std::atomic<bool> evt_seen_{false}, tx_pending_{false};
  std::mutex handover_mutex_;
  std::shared_ptr<TSerialHandOver> handover_;
  // Touched on the delivering side only.
  std::uint32_t events_ = 0;
  int rx_count_ = 0;
};

}  // namespace tamber
