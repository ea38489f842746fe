// What a pattern's matches must contain, found from its parse tree so that a
// search can skip text that cannot match before any automaton runs.
//
// RequiredLiterals gives a list of non-empty Shift-JIS strings such that every
// match of the pattern contains at least one of them, or an empty list when no
// useful list exists (a pattern that can match the empty string, a large
// class, an anchor in the way). Alternatives are kept as lists: the fuzzy
// expansion of てきすと, (て|テ|ﾃ)(き|キ|ｷ)…, yields its 81 spellings. When
// the pattern matches exactly the strings of the list, exact says so, and a
// search needs no automaton at all; when every match starts with one of them
// (prefix), a search tries the automaton only where one occurs. Costs: linear in the tree (runs of plain
// characters are cut at kLongEnoughLiteral bytes), each list bounded by
// kMaxRequiredLiterals.
//
// LiteralFinder locates the first occurrence of any of the strings. One string
// is found by a vector scan on two of its bytes, the two that are rarest in
// Japanese text (a guess made once, from the bytes alone), each candidate
// then compared whole; 32 positions a step where the processor has AVX2, 16
// otherwise. Several strings are found by a 16-byte vector scan on the first
// two bytes of each followed by a comparison of the whole string. It does not
// care about character boundaries: an occurrence only says where a match may
// be.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "search/regexp_parser.h"

namespace tamber {

inline constexpr std::size_t kMaxRequiredLiterals = 128;
inline constexpr std::size_t kLongEnoughLiteral = 32;

struct RequiredLiteralList {
  std::vector<std::string> literals;  // sorted, distinct
  bool exact = false;                 // the pattern matches these strings and nothing else
  bool prefix = false;                // every match starts with one of them
};

RequiredLiteralList RequiredLiterals(const TREParseTree& tree);

// Whether a single string is scanned 32 bytes a step (AVX2): on where the
// processor has it. Turned off, the 16-byte scan is used (tests run both).
bool WideLiteralScan();
void SetWideLiteralScan(bool on);

class LiteralFinder {
 public:
  LiteralFinder() = default;
  explicit LiteralFinder(std::vector<std::string> literals);

  bool Empty() const { return literals_.empty(); }
  const std::vector<std::string>& Literals() const { return literals_; }
  // The first position >= from at which one of the strings occurs in text, or
  // npos.
  std::size_t Find(std::string_view text, std::size_t from) const;
  // The length of the longest string that occurs at position at of text (0
  // for none).
  std::size_t LongestAt(std::string_view text, std::size_t at) const;
  // How many distinct leading byte pairs the vector scan compares.
  std::size_t LeadCount() const { return leads_.size(); }

 private:
  std::vector<std::string> literals_;
  // The distinct leading byte pairs (a string of one byte has second = -1).
  struct Lead {
    unsigned char first;
    int second;
    std::vector<std::size_t> strings;  // indexes into literals_
  };
  std::vector<Lead> leads_;
  // One string of two bytes or more: the offsets of the two bytes its scan
  // compares, pairFirst_ < pairSecond_.
  std::size_t pairFirst_ = 0;
  std::size_t pairSecond_ = 0;
};

}  // namespace tamber
