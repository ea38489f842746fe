#include "serial/rs232c.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

using Clock = std::chrono::steady_clock;

int MsUntil(Clock::time_point deadline) {
  const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 1 << 30));
}

// A device without modem lines (a pseudo-terminal) answers line requests so.
bool NoModemLines(int err) { return err == ENOTTY || err == EINVAL; }

bool SetLine(int fd, int line, bool on) {
  int bits = line;
  return ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &bits) == 0;
}

// Unix98 pseudo-terminal slaves have majors 136 to 143.
bool IsPseudoTerminal(int fd) {
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISCHR(st.st_mode)) return false;
  const unsigned m = major(st.st_rdev);
  return m >= 136 && m <= 143;
}

}  // namespace

Trs232c::Trs232c(TNotifyEvent onCreate) : paritymode_(Utf8ToCp932("無し")), OnCreate_(std::move(onCreate)) {
  if (OnCreate_) OnCreate_(*this);
}

Trs232c::~Trs232c() { Close(); }

bool Trs232c::Fail(std::string why) {
  last_error_ = std::move(why);
  if (fd_ >= 0) {
    tcflush(fd_, TCIOFLUSH);
    ioctl(fd_, TIOCNXCL);
    ::close(fd_);
    fd_ = -1;
  }
  return false;
}

bool Trs232c::Open() {
  if (IsOpen()) return false;
  last_error_.clear();
  const std::string path = DevicePath();
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    // EBUSY: another process holds the device with TIOCEXCL.
    last_error_ = path + ": " + (errno == EBUSY ? "the port is in use" : std::strerror(errno));
    return false;
  }
  // The advisory lock keeps out other users even where TIOCEXCL does not
  // (a privileged process passes it); TIOCEXCL keeps out those that do not lock.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    last_error_ = path + ": " + (errno == EWOULDBLOCK ? "the port is in use" : std::strerror(errno));
    ::close(fd);
    return false;
  }
  fd_ = fd;
  if (!isatty(fd)) return Fail(path + ": not a terminal device");
  if (ioctl(fd, TIOCEXCL) != 0) return Fail(path + ": TIOCEXCL: " + std::strerror(errno));
  if (!Configure()) return false;
  {
    std::lock_guard lock(rx_mutex_);
    rx_pending_.clear();
  }
  if (tcflush(fd_, TCIOFLUSH) != 0) return Fail(path + ": flush: " + std::strerror(errno));
  mask_ = HandlerMask();
  open_evtchar_ = EvtChar_;
  if (mask_ != 0) {
    thread_ = std::make_shared<tcommthread>(fd_, mask_, open_evtchar_, this, host_);
    thread_->Start();
  }
  if (OnOpen_) OnOpen_(*this);
  return true;
}

std::uint32_t Trs232c::HandlerMask() const {
  std::uint32_t m = 0;
  if (OnBREAK_) m |= evBREAK;
  if (OnCTS_) m |= evCTS;
  if (OnDSR_) m |= evDSR;
  if (OnERR_) m |= evERR;
  if (OnRING_) m |= evRING;
  if (OnRLSD_) m |= evRLSD;
  if (OnRXCHAR_ || OnPACKET_) m |= evRXCHAR;
  if (OnRXFLAG_) m |= evRXFLAG;
  if (OnTXEMPTY_) m |= evTXEMPTY;
  return m;
}

bool Trs232c::Configure() {
  // The driver's queues have fixed sizes; rxbuffsize and txbuffsize are kept
  // as requests only, but a nonsensical request fails as it would elsewhere.
  if (rxbuffsize_ < 0 || txbuffsize_ < 0) return Fail("negative queue size");
  termios t{};
  if (tcgetattr(fd_, &t) != 0) return Fail(std::string("tcgetattr: ") + std::strerror(errno));
  TLineSettings s;
  s.bps = bps_;
  s.charbit = charbit_;
  s.stopbits = StopBitsFromName(stopbit_);
  s.parity = ParityFromName(paritymode_);
  s.flowflag = flowflag_;
  s.XonChar = XonChar_;
  s.XoffChar = XoffChar_;
  s.EofChar = EofChar_;
  if (auto err = ApplyLineSettings(s, t)) return Fail(*err);
  if (tcsetattr(fd_, TCSANOW, &t) != 0) return Fail(std::string("tcsetattr: ") + std::strerror(errno));
  termios got{};
  if (tcgetattr(fd_, &got) != 0) return Fail(std::string("tcgetattr: ") + std::strerror(errno));
  if (!SameLineSettings(t, got, !IsPseudoTerminal(fd_))) return Fail("the device refused the line settings");

  // DTR and RTS as the flag word asks, unless the driver handles RTS itself.
  // A handshake on DTR has no termios equivalent; DTR is then held raised.
  const TLineControl dtr = DtrControl(flowflag_);
  if (!SetLine(fd_, TIOCM_DTR, dtr != lcDisable) && !NoModemLines(errno))
    return Fail(std::string("DTR: ") + std::strerror(errno));
  if (!(t.c_cflag & CRTSCTS)) {
    const TLineControl rts = RtsControl(flowflag_);
    if (!SetLine(fd_, TIOCM_RTS, rts != lcDisable) && !NoModemLines(errno))
      return Fail(std::string("RTS: ") + std::strerror(errno));
  }

  open_readinterval_ = std::max(0, readinterval_);
  open_rxtimeout_ = std::max(0, rxtimeout_);
  open_txtimeout_ = std::max(0, txtimeout_);
  open_flowflag_ = flowflag_;
  return true;
}

bool Trs232c::Close() {
  if (!IsOpen()) return false;
  tcflush(fd_, TCIOFLUSH);
  if (thread_) {
    thread_->Stop();
    thread_->Join();
    thread_.reset();
  }
  const int fd = fd_;
  fd_ = -1;
  {
    std::lock_guard lock(rx_mutex_);
    rx_pending_.clear();
  }
  if (OnClose_) OnClose_(*this);
  ioctl(fd, TIOCNXCL);
  return ::close(fd) == 0;
}

bool Trs232c::Drain() {
  char chunk[4096];
  // Reading and queueing under one lock keeps the bytes in order when the
  // event thread takes them too.
  std::lock_guard lock(rx_mutex_);
  for (;;) {
    const ssize_t n = ::read(fd_, chunk, sizeof chunk);
    if (n > 0) {
      const std::size_t before = rx_pending_.size();
      if (open_flowflag_ & FlowBit(dfNull)) {
        std::copy_if(chunk, chunk + n, std::back_inserter(rx_pending_), [](char c) { return c != 0; });
      } else {
        rx_pending_.append(chunk, static_cast<std::size_t>(n));
      }
      if (thread_) {
        const bool evt = thread_->TakesBytes() &&
                         rx_pending_.find(static_cast<char>(open_evtchar_), before) != std::string::npos;
        thread_->NoteTaken(static_cast<std::size_t>(n), evt);
      }
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
    return n == 0;
  }
}

bool Trs232c::Read(void* buffer, std::size_t count) {
  if (!IsOpen()) return false;
  const auto start = Clock::now();
  const auto deadline = start + std::chrono::milliseconds(open_rxtimeout_);
  std::size_t have = 0;
  auto last_arrival = start;
  for (;;) {
    if (!Drain()) return false;
    {
      std::lock_guard lock(rx_mutex_);
      if (rx_pending_.size() >= count) {
        std::memcpy(buffer, rx_pending_.data(), count);
        rx_pending_.erase(0, count);
        return true;
      }
      if (rx_pending_.size() > have) {
        have = rx_pending_.size();
        last_arrival = Clock::now();
      }
    }
    auto until = deadline;
    if (open_readinterval_ > 0 && have > 0)
      until = std::min(until, last_arrival + std::chrono::milliseconds(open_readinterval_));
    const int wait = MsUntil(until);
    if (wait == 0) return false;
    pollfd p{fd_, POLLIN, 0};
    // The event thread may take the bytes first; look at the queue often then.
    const int r = ::poll(&p, 1, thread_ && thread_->TakesBytes() ? std::min(wait, 5) : wait);
    if (r < 0 && errno != EINTR) return false;
    if (r > 0 && (p.revents & (POLLERR | POLLNVAL))) return false;
    if (r > 0 && (p.revents & POLLHUP) && !(p.revents & POLLIN)) return false;
  }
}

bool Trs232c::Read(std::string& bytes, std::size_t count) {
  std::string buf(count, '\0');
  if (!Read(buf.data(), count)) return false;
  bytes = std::move(buf);
  return true;
}

bool Trs232c::ReadChar(unsigned char& byte) {
  unsigned char b;
  if (!Read(&b, 1)) return false;
  byte = b;
  return true;
}

bool Trs232c::WriteChar(unsigned char byte) { return Write(&byte, 1); }

bool Trs232c::Write(const void* buffer, std::size_t count) {
  if (!IsOpen()) return false;
  const auto deadline = Clock::now() + std::chrono::milliseconds(open_txtimeout_);
  const auto* p = static_cast<const char*>(buffer);
  std::size_t done = 0;
  const bool dsr_flow = open_flowflag_ & FlowBit(dfOutxDsrFlow);
  auto fail = [&] {
    // What the driver took of a failed write must not go out later.
    tcflush(fd_, TCOFLUSH);
    return false;
  };
  while (done < count) {
    if (dsr_flow) {
      int lines = 0;
      if (ioctl(fd_, TIOCMGET, &lines) == 0 && !(lines & TIOCM_DSR)) {
        if (MsUntil(deadline) == 0) return fail();
        std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10, MsUntil(deadline))));
        continue;
      }
    }
    const ssize_t n = ::write(fd_, p + done, count - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) return fail();
    const int wait = MsUntil(deadline);
    if (wait == 0) return fail();
    pollfd q{fd_, POLLOUT, 0};
    const int r = ::poll(&q, 1, dsr_flow ? std::min(wait, 10) : wait);
    if (r < 0 && errno != EINTR) return fail();
    if (r > 0 && (q.revents & (POLLERR | POLLNVAL | POLLHUP))) return fail();
  }
  if (thread_) thread_->NoteWritten();
  return true;
}

int Trs232c::RxCount() const {
  if (!IsOpen()) return -1;
  int n = 0;
  if (ioctl(fd_, FIONREAD, &n) != 0) n = 0;
  std::lock_guard lock(rx_mutex_);
  return n + static_cast<int>(rx_pending_.size());
}

int Trs232c::TxCount() const {
  if (!IsOpen()) return -1;
  int n = 0;
  if (ioctl(fd_, TIOCOUTQ, &n) != 0) return 0;
  return n;
}

bool Trs232c::SetRTS(bool on) { return IsOpen() && SetLine(fd_, TIOCM_RTS, on); }
bool Trs232c::SetDTR(bool on) { return IsOpen() && SetLine(fd_, TIOCM_DTR, on); }

}  // namespace tamber
