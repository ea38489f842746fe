// Display columns of a row, as the view needs them until the shared column
// model of the text is in place: a single-byte character takes 1 column, a
// double-byte character 2, a tab runs to the next tab stop (and with word
// wrap on never past the next multiple of the wrap width).
//
// The column-attribute codes: '1' single-byte character, '2' delimiter (a
// tab's first column), '3' tab padding, '4' lead byte, '5' trail byte.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace tamber::interim {

using TDelimiters = std::bitset<256>;
const TDelimiters& DefaultDelimiters();

inline constexpr int kMinTabSpaceCount = 2;
inline constexpr int kMaxTabSpaceCount = 8;
// 2..8, odd values rounded down.
int ClampTabSpaceCount(int n);

struct ColumnRules {
  int tabSpaceCount = 8;
  bool wordWrap = false;
  int wrapByte = 80;
  const TDelimiters* delimiters = &DefaultDelimiters();
};

// Writes the codes of s into out, stopping after the character that makes
// out at least `limit` codes long.
void ColumnAttributesInto(std::string_view s, const ColumnRules& rules, std::size_t limit,
                          std::string& out);
std::size_t DisplayWidth(std::string_view s, const ColumnRules& rules);
// s with each tab replaced by the spaces it spans.
std::string ExpandTabs(std::string_view s, const ColumnRules& rules);

}  // namespace tamber::interim
