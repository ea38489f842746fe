#include "editor/view/interim_columns.h"

#include <algorithm>

#include "encoding/dbcs.h"

namespace tamber::interim {

namespace {

TDelimiters MakeDefaultDelimiters() {
  TDelimiters d;
  const int ranges[][2] = {{0x00, 0x2F}, {0x3A, 0x40}, {0x5B, 0x5E}, {0x60, 0x60},
                           {0x7B, 0x80}, {0xA0, 0xA5}, {0xFD, 0xFF}};
  for (const auto& r : ranges)
    for (int b = r[0]; b <= r[1]; ++b) d.set(static_cast<std::size_t>(b));
  return d;
}

int TabWidthAt(int column, const ColumnRules& rules) {
  const int tab = std::max(rules.tabSpaceCount, 1);
  int width = tab - column % tab;
  if (rules.wordWrap && rules.wrapByte > 0) width = std::min(width, rules.wrapByte - column % rules.wrapByte);
  return width;
}

}  // namespace

const TDelimiters& DefaultDelimiters() {
  static const TDelimiters d = MakeDefaultDelimiters();
  return d;
}

int ClampTabSpaceCount(int n) {
  n = std::clamp(n, kMinTabSpaceCount, kMaxTabSpaceCount);
  return n - n % 2;
}

void ColumnAttributesInto(std::string_view s, const ColumnRules& rules, std::size_t limit,
                          std::string& out) {
  out.clear();
  for (std::size_t i = 0; i < s.size() && out.size() < limit;) {
    if (CharLength(s, i) == 2) {
      out += "45";
      i += 2;
      continue;
    }
    if (s[i] == '\t') {
      const int width = TabWidthAt(static_cast<int>(out.size()), rules);
      out += '2';
      out.append(static_cast<std::size_t>(width - 1), '3');
    } else {
      out += (*rules.delimiters)[static_cast<unsigned char>(s[i])] ? '2' : '1';
    }
    ++i;
  }
}

std::size_t DisplayWidth(std::string_view s, const ColumnRules& rules) {
  if (s.find('\t') == std::string_view::npos) return s.size();
  std::size_t column = 0;
  for (const char c : s)
    column += c == '\t' ? static_cast<std::size_t>(TabWidthAt(static_cast<int>(column), rules)) : 1;
  return column;
}

std::string ExpandTabs(std::string_view s, const ColumnRules& rules) {
  std::string out;
  for (const char c : s) {
    if (c == '\t') out.append(static_cast<std::size_t>(TabWidthAt(static_cast<int>(out.size()), rules)), ' ');
    else out += c;
  }
  return out;
}

}  // namespace tamber::interim
