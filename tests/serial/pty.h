// A pseudo-terminal pair for the serial tests: the component opens the
// terminal side by its path, the test plays the machine on the master side.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <thread>

namespace tamber::test {

class PtyPair {
 public:
  PtyPair() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0)
      throw std::runtime_error("no pseudo-terminal");
    char name[128];
    if (ptsname_r(master_, name, sizeof name) != 0) throw std::runtime_error("ptsname");
    path_ = name;
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  }
  ~PtyPair() { CloseMaster(); }
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  const std::string& Path() const { return path_; }
  int Master() const { return master_; }
  // Unplugging the machine.
  void CloseMaster() {
    if (master_ >= 0) ::close(master_);
    master_ = -1;
  }

  void Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
      if (n > 0) done += n;
      else {
        pollfd p{master_, POLLOUT, 0};
        ::poll(&p, 1, 100);
      }
    }
  }

  // Everything that arrives until nothing more comes for quiet_ms.
  std::string ReceiveAll(int quiet_ms = 100) {
    std::string got;
    char buf[4096];
    for (;;) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, quiet_ms) <= 0 || !(p.revents & POLLIN)) return got;
      const ssize_t n = ::read(master_, buf, sizeof buf);
      if (n <= 0) return got;
      got.append(buf, n);
    }
  }

  // Waits up to timeout_ms for exactly count bytes.
  std::string Receive(std::size_t count, int timeout_ms = 3000) {
    std::string got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char buf[4096];
    while (got.size() < count && std::chrono::steady_clock::now() < deadline) {
      pollfd p{master_, POLLIN, 0};
      if (::poll(&p, 1, 20) <= 0) continue;
      const ssize_t n = ::read(master_, buf, std::min(sizeof buf, count - got.size()));
      if (n > 0) got.append(buf, n);
    }
    return got;
  }

  // The terminal side's settings, as the component left them.
  termios Settings() const {
    termios t{};
    tcgetattr(master_, &t);
    return t;
  }

 private:
  int master_ = -1;
  std::string path_;
};

// Polls cond every few milliseconds for up to timeout_ms.
inline bool WaitFor(const std::function<bool()>& cond, int timeout_ms = 3000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
  while (!cond()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

inline long long MsSince(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

}  // namespace tamber::test
