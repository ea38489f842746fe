// What a row records besides its bytes: how it ends, the syntax parser's state
// at its start, and the marks set on it; and how those are packed into the two
// 32-bit words every row carries.
//
//   AttrBits   0-1 RowAttribute   2-3 PrevRowAttribute   4-7 OpenBracket + 2
//              8-15 ParseState    16-23 SplitBytes       24-31 ParseExtra
//   ExtraBits  0-7 OpenTokenKind  8-15 ParseByte         16-31 RowMarks
//
// A row whose bits are all zero reads as an unparsed row (OpenBracket -2).
#pragma once

#include <cstdint>
#include <string>

namespace tamber {

enum TRowAttribute : int {
  raBreak = 0,   // ends with a line break (CR LF when joined)
  raFolded = 1,  // folded by word wrap: the logical line continues on the next row
  raLast = 2,    // the final row, with no line break after it
  raNone = 3,    // no such row
};

// The parser's view of one row: the state at the start of the row.
struct TRowAttributeData {
  TRowAttribute RowAttribute = raBreak;
  TRowAttribute PrevRowAttribute = raBreak;
  int OpenBracket = -1;  // -1 none, -2 the row has not been parsed
  int ParseState = 0;    // 0..255
  int SplitBytes = 0;    // 0..255
  int ParseExtra = 0;    // 0..255
  std::uint8_t OpenTokenKind = 0;
  std::uint8_t ParseByte = 0;
  std::string CarryText;

  // The state a text starts with at row 0.
  static TRowAttributeData Initial() { return {}; }
  bool operator==(const TRowAttributeData&) const = default;
};

// Bookmarks 0-9 are bits 0-9 of RowMarks; image marks 0-5 are bits 10-15.
constexpr int kBookmarkCount = 10;
constexpr int kImageMarkCount = 6;
constexpr int kRowMarkBits = 16;
constexpr std::uint16_t BookmarkBit(int n) { return static_cast<std::uint16_t>(1u << n); }
constexpr std::uint16_t ImageMarkBit(int n) {
  return static_cast<std::uint16_t>(1u << (kBookmarkCount + n));
}

namespace rowbits {
constexpr std::uint32_t kRowAttributeMask = 0x3;
constexpr int kPrevRowAttributeShift = 2;
constexpr int kOpenBracketShift = 4;
constexpr std::uint32_t kOpenBracketMask = 0xF;
constexpr int kOpenBracketBias = 2;
constexpr int kParseStateShift = 8;
constexpr int kSplitBytesShift = 16;
constexpr int kParseExtraShift = 24;
constexpr int kOpenTokenKindShift = 0;
constexpr int kParseByteShift = 8;
constexpr int kRowMarksShift = 16;
// The bits an unparsed row keeps: its attribute and its marks. Everything
// else in the two words (and the carried text) is parser state.
constexpr std::uint32_t kAttrKeptBits = kRowAttributeMask;
constexpr std::uint32_t kExtraKeptBits = 0xFFFF0000u;

constexpr TRowAttribute AttributeOf(std::uint32_t attrBits) {
  return static_cast<TRowAttribute>(attrBits & kRowAttributeMask);
}
constexpr std::uint16_t MarksOf(std::uint32_t extraBits) {
  return static_cast<std::uint16_t>(extraBits >> kRowMarksShift);
}
}  // namespace rowbits

}  // namespace tamber
