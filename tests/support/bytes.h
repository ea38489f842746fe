// Test helpers for byte strings written as hex.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace tamber::test {

// "88 9F 0D" -> the three bytes. Spaces are ignored.
inline std::string Hex(std::string_view hex) {
  std::string out;
  int nibble = -1;
  for (const char c : hex) {
    int v;
    if (c >= '0' && c <= '9') v = c - '0';
    else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
    else continue;
    if (nibble < 0) {
      nibble = v;
    } else {
      out.push_back(static_cast<char>(nibble << 4 | v));
      nibble = -1;
    }
  }
  return out;
}

// The bytes as upper-case hex pairs separated by spaces, for failure messages.
inline std::string ToHex(std::string_view s) {
  std::string out;
  char buf[4];
  for (const char c : s) {
    std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned char>(c));
    if (!out.empty()) out.push_back(' ');
    out += buf;
  }
  return out;
}

}  // namespace tamber::test
