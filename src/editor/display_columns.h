// The display-column model of a row: how many screen columns each byte takes.
//
// A single-byte character takes 1 column, a double-byte character 2, and a tab
// runs to the next tab stop; with word wrap on a tab also stops at the next
// multiple of the wrap width, so it never reaches past the margin. Every row,
// folded or not, starts again at column 0. A lead byte that ends the string is
// a single-byte character (as in encoding/dbcs.h).
//
// The column-attribute string of a row has one code per display column (see
// the kCol* constants). Folding reads it through TTextEditorAttributeArray.
#pragma once

#include <bitset>
#include <cstddef>
#include <string>
#include <string_view>

namespace tamber {

// Codes of the column-attribute string.
inline constexpr char kColEnd = '0';        // end marker appended by the walker
inline constexpr char kColSingle = '1';     // single-byte character, not a delimiter
inline constexpr char kColDelimiter = '2';  // single-byte delimiter; a tab's first column
inline constexpr char kColTabPad = '3';     // a further column of a tab
inline constexpr char kColLead = '4';       // lead byte of a double-byte character
inline constexpr char kColTrail = '5';      // trail byte of a double-byte character

// Without word wrap, ColumnAttributes stops at this many codes (only the
// start of a row is ever needed from it).
inline constexpr std::size_t kMaxColumnAttributes = 1000;

// Set of byte values that end a word (word wrap, word movement, double-click).
using TDelimiters = std::bitset<256>;
const TDelimiters& DefaultDelimiters();

// Tab width as the caret's TabSpaceCount allows it: 2..8, odd values rounded down.
inline constexpr int kMinTabSpaceCount = 2;
inline constexpr int kMaxTabSpaceCount = 8;
int ClampTabSpaceCount(int n);

// What a measurement depends on. The delimiters are borrowed and must outlive the rules.
struct ColumnRules {
  int tabSpaceCount = 8;
  bool wordWrap = false;
  int wrapByte = 80;
  const TDelimiters* delimiters = &DefaultDelimiters();
};

// Columns a tab takes when it starts at 0-based column `column`.
int TabWidthAt(int column, const ColumnRules& rules);

// The code string of s; stops once it is wrapByte + 3 codes long with word
// wrap on, kMaxColumnAttributes otherwise.
std::string ColumnAttributes(std::string_view s, const ColumnRules& rules);
// Writes the codes of s into out (replacing it), stopping after the character
// that makes out at least `limit` codes long.
void ColumnAttributesInto(std::string_view s, const ColumnRules& rules, std::size_t limit,
                          std::string& out);

// Columns of s (its byte length when it holds no tab).
std::size_t DisplayWidth(std::string_view s, const ColumnRules& rules);
// DisplayWidth(s) when it is at most cap, else a value above cap; reads only
// the bytes of the first cap + 1 columns (a caret that never passes a column
// needs no more of a long row).
std::size_t DisplayWidthUpTo(std::string_view s, std::size_t cap, const ColumnRules& rules);
// s with each tab replaced by the spaces it spans.
std::string ExpandTabs(std::string_view s, const ColumnRules& rules);
// Columns of the leading run of spaces (1), full-width spaces 81 40 (2) and
// tabs; -1 for an empty string.
int IndentWidth(std::string_view s, const ColumnRules& rules);

// Byte position of 0-based display column c in row s: the byte shown in that
// column (a tab's byte for any of its columns; the trail byte for the second
// column of a double-byte character), s.size() past the end. Walks the whole
// row, so it stays right past the 1000 columns that ColumnAttributes covers.
std::size_t ColumnToByte(std::string_view s, std::size_t c, const ColumnRules& rules);
// Display column at which byte n of s starts: DisplayWidth of the first n bytes.
std::size_t ByteToColumn(std::string_view s, std::size_t n, const ColumnRules& rules);

}  // namespace tamber
