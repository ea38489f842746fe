// An output buffer for the converters' hot loops. Bytes are written through a
// raw pointer into a small staging area that is appended to the result when
// full, so the result is never zero-filled ahead of time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace tamber {

// End of the run of bytes below 80 that starts at i, eight bytes at a time.
inline std::size_t AsciiRunEnd(std::string_view s, std::size_t i) {
  const std::size_t n = s.size();
  while (i + 8 <= n) {
    std::uint64_t w;
    std::memcpy(&w, s.data() + i, 8);
    if (w & 0x8080808080808080ull) break;
    i += 8;
  }
  while (i < n && static_cast<unsigned char>(s[i]) < 0x80) ++i;
  return i;
}

class ByteSink {
 public:
  static constexpr std::size_t kStage = 1 << 14;

  // reuse: a string whose storage the result takes over (its bytes are not kept),
  // so that converting piece after piece allocates nothing new.
  explicit ByteSink(std::size_t expected, std::string reuse = {}) : out_(std::move(reuse)) {
    out_.clear();
    out_.reserve(expected);
  }
  ByteSink(const ByteSink&) = delete;
  ByteSink& operator=(const ByteSink&) = delete;

  // Room for at least k more bytes through Put or Cursor (k <= kStage).
  void Room(std::size_t k) {
    if (static_cast<std::size_t>(stage_ + kStage - p_) < k) Flush();
  }
  void Put(char c) { *p_++ = c; }
  void Put(unsigned char c) { *p_++ = static_cast<char>(c); }
  char*& Cursor() { return p_; }
  // Any number of bytes.
  void Append(std::string_view s) {
    if (s.size() <= kStage / 4) {
      Room(s.size());
      std::memcpy(p_, s.data(), s.size());
      p_ += s.size();
    } else {
      Flush();
      out_.append(s);
    }
  }
  std::string Take() {
    Flush();
    return std::move(out_);
  }

 private:
  void Flush() {
    out_.append(stage_, static_cast<std::size_t>(p_ - stage_));
    p_ = stage_;
  }

  std::string out_;
  char stage_[kStage];
  char* p_ = stage_;
};

}  // namespace tamber
