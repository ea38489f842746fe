#include "editor/display_columns.h"

#include <algorithm>

#include "encoding/dbcs.h"

namespace tamber {

namespace {

TDelimiters MakeDefaultDelimiters() {
  TDelimiters d;
  auto range = [&d](int from, int to) {
    for (int b = from; b <= to; ++b) d.set(static_cast<std::size_t>(b));
  };
  range(0x00, 0x2F);
  range(0x3A, 0x40);
  range(0x5B, 0x5E);
  range(0x60, 0x60);
  range(0x7B, 0x80);
  range(0xA0, 0xA5);
  range(0xFD, 0xFF);
  return d;
}

bool IsTab(char c) { return c == '\t'; }

}  // namespace

const TDelimiters& DefaultDelimiters() {
  static const TDelimiters delimiters = MakeDefaultDelimiters();
  return delimiters;
}

int ClampTabSpaceCount(int n) {
  n = std::clamp(n, kMinTabSpaceCount, kMaxTabSpaceCount);
  return n - n % 2;
}

int TabWidthAt(int column, const ColumnRules& rules) {
  const int tab = std::max(rules.tabSpaceCount, 1);
  int width = tab - column % tab;
  if (rules.wordWrap && rules.wrapByte > 0)
    width = std::min(width, rules.wrapByte - column % rules.wrapByte);
  return width;
}

void ColumnAttributesInto(std::string_view s, const ColumnRules& rules, std::size_t limit,
                          std::string& out) {
  // Written through a pointer into room made once: this runs for every row
  // folded, and appending a byte at a time costs more than the work itself.
  // A character adds at most one tab's width past the limit.
  const auto maxTab = static_cast<std::size_t>(std::max(rules.tabSpaceCount, 2));
  const std::size_t room = std::min(limit, s.size() * maxTab) + maxTab;
  out.resize(room);
  char* const begin = out.data();
  char* p = begin;
  for (std::size_t i = 0; i < s.size() && static_cast<std::size_t>(p - begin) < limit;) {
    if (CharLength(s, i) == 2) {
      *p++ = kColLead;
      *p++ = kColTrail;
      i += 2;
      continue;
    }
    const auto b = static_cast<unsigned char>(s[i]);
    if (IsTab(s[i])) {
      const int width = TabWidthAt(static_cast<int>(p - begin), rules);
      *p++ = kColDelimiter;
      for (int k = 1; k < width; ++k) *p++ = kColTabPad;
    } else {
      *p++ = (*rules.delimiters)[b] ? kColDelimiter : kColSingle;
    }
    ++i;
  }
  out.resize(static_cast<std::size_t>(p - begin));
}

std::string ColumnAttributes(std::string_view s, const ColumnRules& rules) {
  const std::size_t limit = rules.wordWrap ? static_cast<std::size_t>(rules.wrapByte) + 3
                                           : kMaxColumnAttributes;
  std::string out;
  ColumnAttributesInto(s, rules, limit, out);
  return out;
}

std::size_t ByteToColumn(std::string_view s, std::size_t n, const ColumnRules& rules) {
  n = std::min(n, s.size());
  // Without a tab every byte is a column; the common case costs one scan.
  const std::string_view head = s.substr(0, n);
  if (head.find('\t') == std::string_view::npos) return n;
  std::size_t column = 0;
  for (std::size_t i = 0; i < n; ++i)
    column += IsTab(head[i]) ? static_cast<std::size_t>(TabWidthAt(static_cast<int>(column), rules))
                             : 1;
  return column;
}

std::size_t DisplayWidth(std::string_view s, const ColumnRules& rules) {
  return ByteToColumn(s, s.size(), rules);
}

std::size_t DisplayWidthUpTo(std::string_view s, std::size_t cap, const ColumnRules& rules) {
  std::size_t column = 0;
  for (std::size_t i = 0; i < s.size() && column <= cap; ++i)
    column += IsTab(s[i]) ? static_cast<std::size_t>(TabWidthAt(static_cast<int>(column), rules)) : 1;
  return column;
}

std::string ExpandTabs(std::string_view s, const ColumnRules& rules) {
  if (s.find('\t') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size() + 16);
  for (const char c : s) {
    if (IsTab(c))
      out.append(static_cast<std::size_t>(TabWidthAt(static_cast<int>(out.size()), rules)), ' ');
    else
      out += c;
  }
  return out;
}

int IndentWidth(std::string_view s, const ColumnRules& rules) {
  if (s.empty()) return -1;
  int width = 0;
  for (std::size_t i = 0; i < s.size();) {
    if (s[i] == ' ') {
      width += 1;
      i += 1;
    } else if (IsTab(s[i])) {
      width += TabWidthAt(width, rules);
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

std::size_t ColumnToByte(std::string_view s, std::size_t c, const ColumnRules& rules) {
  std::size_t column = 0;
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLength(s, i);
    std::size_t width = len;
    if (IsTab(s[i])) width = static_cast<std::size_t>(TabWidthAt(static_cast<int>(column), rules));
    if (c < column + width) return IsTab(s[i]) ? i : i + (c - column);
    column += width;
    i += len;
  }
  return s.size();
}

}  // namespace tamber
