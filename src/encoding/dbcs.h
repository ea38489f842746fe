// Shift-JIS (code page 932) byte helpers shared by every engine library.
//
// A lead byte is 81-9F or E0-FC, a trail byte 40-7E or 80-FC; a double-byte
// character is a lead byte and a trail byte after it. Every other byte is a
// character of its own, and so is a lead byte that ends the string or stands
// before a byte that cannot trail it (a tab, a control, a digit: text in
// another code read as Shift-JIS measures and edits the same everywhere).
// Positions taken by the helpers below are 1-based, as their callers count.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

namespace tamber {

constexpr bool IsLeadByte(unsigned char b) {
  return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}
inline bool IsLeadByte(char b) { return IsLeadByte(static_cast<unsigned char>(b)); }
constexpr bool IsTrailByte(unsigned char b) {
  return (b >= 0x40 && b <= 0x7E) || (b >= 0x80 && b <= 0xFC);
}
inline bool IsTrailByte(char b) { return IsTrailByte(static_cast<unsigned char>(b)); }

// Length in bytes of the character that starts at byte index i (0-based) of s:
// 2 for a lead byte with a trail byte after it, else 1; 0 at or past the end.
inline std::size_t CharLength(std::string_view s, std::size_t i) {
  if (i >= s.size()) return 0;
  return (IsLeadByte(s[i]) && i + 1 < s.size() && IsTrailByte(s[i + 1])) ? 2 : 1;
}

// Index of the first CR or LF in s at or after from, or npos. Two memchr
// scans: much faster than find_first_of, which probes the set per byte.
inline std::size_t FindLineBreak(std::string_view s, std::size_t from = 0) {
  if (from >= s.size()) return std::string_view::npos;
  const char* begin = s.data() + from;
  const std::size_t n = s.size() - from;
  const void* cr = std::memchr(begin, '\r', n);
  const std::size_t limit = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - begin) : n;
  const void* lf = std::memchr(begin, '\n', limit);
  if (lf) return from + static_cast<std::size_t>(static_cast<const char*>(lf) - begin);
  return cr ? from + limit : std::string_view::npos;
}

// Position i (1-based) is the lead byte of a double-byte character, scanning s by characters.
bool IsDBCS1(std::string_view s, std::ptrdiff_t i);
// Position i (1-based) is the trail byte of a double-byte character, scanning s by characters.
bool IsDBCS2(std::string_view s, std::ptrdiff_t i);
// Byte at i (1-based), or 0 when i is outside the string.
unsigned char CharAt(std::string_view s, std::ptrdiff_t i);
// The one character c occurs in s at a character boundary.
bool ContainsChar(std::string_view c, std::string_view s);
// Number of bytes equal to b among the first min(n, length) bytes of s.
std::size_t CountChar(std::string_view s, unsigned char b, std::ptrdiff_t n);
// -1 for an empty string; else the width of the leading run of spaces (1) and
// full-width spaces (81 40, 2). A tab ends the run.
int LeadingBlankWidth(std::string_view s);
// s from the first byte above 20 that does not start a full-width space.
std::string TrimLeftBlanks(std::string_view s);

}  // namespace tamber
