// Sets of character codes as sorted lists of ranges, and the case table that
// ignoring case closes them under.
#pragma once

#include <cstdint>
#include <vector>

namespace tamber {

// lo..hi inclusive, character codes (a byte, or lead * 256 + trail).
struct CodeRange {
  std::uint16_t lo = 0;
  std::uint16_t hi = 0;
  friend bool operator==(const CodeRange&, const CodeRange&) = default;
};

// Sorted by lo, overlapping and touching ranges merged.
std::vector<CodeRange> NormalizeRanges(std::vector<CodeRange> ranges);

// The ranges of "." (and the universe of a negated class): every character
// but NUL, LF and CR, up to FCFC.
std::vector<CodeRange> DotRanges();

// The normalized set minus its complement's ranges: what a negated class matches.
std::vector<CodeRange> NegateRanges(const std::vector<CodeRange>& items);

// ranges plus every character that differs from one of them only in case:
// ASCII, full-width Latin, Greek and Cyrillic letters. Codes are folded whole,
// so a trail byte that looks like a letter (ア is 83 41) is never touched and
// byte lengths are kept.
std::vector<CodeRange> CaseClosure(const std::vector<CodeRange>& ranges);

}  // namespace tamber
