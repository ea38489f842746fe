#include "encoding/dbcs.h"

namespace tamber {

namespace {
// Kind of the byte at 1-based position i: 0 single, 1 lead, 2 trail; -1 outside.
int ByteKind(std::string_view s, std::ptrdiff_t i) {
  if (i < 1 || static_cast<std::size_t>(i) > s.size()) return -1;
  const std::size_t target = static_cast<std::size_t>(i - 1);
  std::size_t p = 0;
  while (true) {
    const std::size_t len = CharLength(s, p);
    if (target < p + len) return len == 1 ? 0 : (target == p ? 1 : 2);
    p += len;
  }
}
}  // namespace

bool IsDBCS1(std::string_view s, std::ptrdiff_t i) { return ByteKind(s, i) == 1; }
bool IsDBCS2(std::string_view s, std::ptrdiff_t i) { return ByteKind(s, i) == 2; }

unsigned char CharAt(std::string_view s, std::ptrdiff_t i) {
  if (i <= 0 || static_cast<std::size_t>(i) > s.size()) return 0;
  return static_cast<unsigned char>(s[static_cast<std::size_t>(i - 1)]);
}

bool ContainsChar(std::string_view c, std::string_view s) {
  if (c.empty() || c.size() > s.size()) return false;
  for (std::size_t p = 0; p < s.size();) {
    const std::size_t len = CharLength(s, p);
    if (len == c.size() && s.compare(p, len, c) == 0) return true;
    p += len;
  }
  return false;
}

std::size_t CountChar(std::string_view s, unsigned char b, std::ptrdiff_t n) {
  if (n <= 0) return 0;
  const std::size_t limit = std::min(static_cast<std::size_t>(n), s.size());
  std::size_t count = 0;
  for (std::size_t i = 0; i < limit; ++i)
    if (static_cast<unsigned char>(s[i]) == b) ++count;
  return count;
}

int LeadingBlankWidth(std::string_view s) {
  if (s.empty()) return -1;
  int width = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == ' ') {
      width += 1;
      i += 1;
    } else if (i + 1 < s.size() && static_cast<unsigned char>(s[i]) == 0x81 &&
               static_cast<unsigned char>(s[i + 1]) == 0x40) {
      width += 2;
      i += 2;
    } else {
      break;
    }
  }
  return width;
}

std::string TrimLeftBlanks(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (b <= 0x20) {
      ++i;
    } else if (b == 0x81 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x40) {
      i += 2;
    } else {
      break;
    }
  }
  return std::string(s.substr(i));
}

}  // namespace tamber
