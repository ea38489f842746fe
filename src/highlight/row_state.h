// The parser's view of the rows: the state at the start of a row and the rows
// a parser reads.
//
// TRowAttribute and TRowAttributeData mirror the row storage's packed state
// (two attribute bits, OpenBracket -2..13, three state bytes, the carried kind,
// a byte and a carried string). TParserRows is the seam through which the
// parser reads the storage's rows, so the tokenizer does not depend on how the
// rows are kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "highlight/token_kind.h"

namespace tamber {

enum TRowAttribute : int {
  raBreak = 0,   // the row ends with a line break
  raFolded = 1,  // folded by word wrap; the line continues on the next row
  raLast = 2,    // the last row, without a line break
  raNone = 3,    // no such row
};

// Largest value the storage keeps for each state byte (SplitBytes, ParseState, ParseExtra).
inline constexpr int kMaxStateByte = 255;
// OpenBracket values: a pair index 0..13, none, or "not computed yet".
inline constexpr int kNoBracket = -1;
inline constexpr int kNotParsed = -2;

struct TRowAttributeData {
  TRowAttribute RowAttribute = raBreak;
  TRowAttribute PrevRowAttribute = raBreak;
  int OpenBracket = kNoBracket;
  int ParseState = 0;
  int SplitBytes = 0;
  int ParseExtra = 0;
  std::uint8_t OpenTokenKind = 0;
  std::uint8_t ParseByte = 0;
  std::string CarryText;

  bool operator==(const TRowAttributeData&) const = default;
};

// The rows a parser reads (the editor's screen rows), by index.
class TParserRows {
 public:
  virtual ~TParserRows() = default;
  virtual int RowCount() const = 0;
  virtual std::string_view RowText(int row) const = 0;
  virtual TRowAttribute RowAttributeOf(int row) const = 0;
};

}  // namespace tamber
