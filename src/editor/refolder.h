// TRefolder: builds the rows of an edited stretch of text without touching
// the rows an edit did not change.
//
// An edit replaces some rows by new text. The stretch to refold is the
// `edited` bytes (the rows kept before the edit joined, then the new text)
// followed by the old rows after the edit, which a callback hands out one by
// one. Folding runs row by row and stops at the first fold point, past the
// edited bytes, where an old row starts: where a row ends depends only on the
// text from its start on, so from there on the old rows are right as they
// are. (Line starts do not stop it: the following line an edit takes along
// is refolded up to its first fold.) Typing in a long wrapped paragraph thus
// costs the rows that really change. Old rows are pulled only as far as the
// folding needs to look ahead (the fold width plus a few bytes), so a long
// line is never copied whole.
//
// Without fold rules each logical line is one row (the rows of SplitText) and
// the whole stretch is split.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "editor/line_folder.h"

namespace tamber {

class TRefolder {
 public:
  // One old row after the edit: its bytes and whether a line break follows it
  // (raBreak). Return false when there are no more rows to refold.
  using TailRow = std::function<bool(std::size_t index, std::string_view& text, bool& lineBreak)>;
  // A new row: its bytes (valid during the call) and whether it is folded.
  using EmitRow = std::function<void(std::string_view text, bool folded)>;

  struct Result {
    std::size_t newRows = 0;       // rows emitted
    std::size_t consumedTail = 0;  // old rows replaced after the edit
    bool stopped = false;          // the remaining old rows are kept as they are
  };

  // rules: nullopt when word wrap is off.
  explicit TRefolder(std::optional<FoldRules> rules);

  Result Run(std::string_view edited, const TailRow& tail, const EmitRow& emit);

 private:
  bool Pull(const TailRow& tail);

  std::optional<FoldRules> rules_;
  std::optional<TLineFolder> folder_;
  std::string buf_;
  std::deque<std::size_t> tailStarts_;  // buffer offsets of old row starts not yet passed
  std::size_t pulled_ = 0;
  bool tailDone_ = false;
};

}  // namespace tamber
