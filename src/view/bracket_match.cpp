#include "view/bracket_match.h"

#include <string_view>
#include <vector>

#include "encoding/dbcs.h"

namespace tamber {

namespace {

// Shift-JIS bytes of the openers and closers, pair by pair.
constexpr std::string_view kOpeners[] = {"(", "<", "[", "{", "\x81\x65", "\x81\x67",
                                         "\x81\x69", "\x81\x75", "\x81\x77", "\x81\x79",
                                         "\x81\x83", "\x81\xE1"};
constexpr std::string_view kClosers[] = {")", ">", "]", "}", "\x81\x66", "\x81\x68",
                                         "\x81\x6A", "\x81\x76", "\x81\x78", "\x81\x7A",
                                         "\x81\x84", "\x81\xE2"};
constexpr int kPairs = 12;

// Start bytes of the characters of s.
std::vector<int> CharStarts(std::string_view s) {
  std::vector<int> starts;
  for (std::size_t i = 0; i < s.size(); i += CharLength(s, i)) starts.push_back(static_cast<int>(i));
  return starts;
}

std::string_view CharAtStart(std::string_view s, int i) {
  return s.substr(static_cast<std::size_t>(i), CharLength(s, static_cast<std::size_t>(i)));
}

// Pair index and direction (+1 opener, -1 closer) of ch; 0 when none.
int Classify(std::string_view ch, int& pair) {
  for (int p = 0; p < kPairs; ++p) {
    if (ch == kOpeners[p]) {
      pair = p;
      return 1;
    }
    if (ch == kClosers[p]) {
      pair = p;
      return -1;
    }
  }
  return 0;
}

std::optional<TBracketMark> ScanForward(const TTextEditorScreenStrings& text, int pair, Row row,
                                        int after) {
  int depth = 1;
  const int lastRow = std::min(text.Count() - 1, row + kBracketScanRows);
  for (Row r = row; r <= lastRow; ++r) {
    const std::string_view s = text.RowView(r);
    for (std::size_t i = r == row ? static_cast<std::size_t>(after) : 0; i < s.size();
         i += CharLength(s, i)) {
      const std::string_view ch = CharAtStart(s, static_cast<int>(i));
      if (ch == kOpeners[pair]) ++depth;
      else if (ch == kClosers[pair] && --depth == 0)
        return TBracketMark{r, static_cast<int>(i), static_cast<int>(ch.size())};
    }
  }
  return std::nullopt;
}

std::optional<TBracketMark> ScanBackward(const TTextEditorScreenStrings& text, int pair, Row row,
                                         int before) {
  int depth = 1;
  const int firstRow = std::max(0, row - kBracketScanRows);
  for (Row r = row; r >= firstRow; --r) {
    const std::string_view s = text.RowView(r);
    const std::vector<int> starts = CharStarts(s);
    for (auto it = starts.rbegin(); it != starts.rend(); ++it) {
      if (r == row && *it >= before) continue;
      const std::string_view ch = CharAtStart(s, *it);
      if (ch == kClosers[pair]) ++depth;
      else if (ch == kOpeners[pair] && --depth == 0)
        return TBracketMark{r, *it, static_cast<int>(ch.size())};
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<TBracketPair> MatchBracketAt(const TTextEditorScreenStrings& text, Row row, ByteCol byte) {
  if (row < 0 || row >= text.Count()) return std::nullopt;
  const std::string_view s = text.RowView(row);
  const std::vector<int> starts = CharStarts(s);
  // The character at the caret, then the one before it.
  int at = -1, before = -1;
  for (int st : starts) {
    if (st <= byte && byte < st + static_cast<int>(CharLength(s, static_cast<std::size_t>(st)))) at = st;
    if (st < byte && at < 0) before = st;
  }
  int pair = 0;
  for (int start : {at, before}) {
    if (start < 0) continue;
    const std::string_view ch = CharAtStart(s, start);
    const int dir = Classify(ch, pair);
    if (dir == 0) continue;
    const TBracketMark self{row, start, static_cast<int>(ch.size())};
    if (dir > 0) {
      const auto close = ScanForward(text, pair, row, start + self.Length);
      if (close) return TBracketPair{self, *close};
    } else {
      const auto open = ScanBackward(text, pair, row, start);
      if (open) return TBracketPair{*open, self};
    }
    return std::nullopt;
  }
  return std::nullopt;
}

}  // namespace tamber
