// A compiled pattern: an NFA over character classes and two DFAs built from
// it on demand, one that runs forward from a start to find the longest match
// there, and one that runs backward over the text to find every position at
// which some match starts. Together they give the leftmost-longest match in
// two linear passes, with no backtracking and no retry from every position.
//
// Characters are Shift-JIS codes (a byte, or lead * 256 + trail; a lead byte
// that ends the text is a character of its own). The code space is cut into
// classes at the bounds of every range in the pattern, so a DFA state has one
// transition per class and a text character costs two table look-ups.
//
// Anchors. "^" compiled as an anchor holds at the start of the text and after
// LF; "$" compiled as an anchor holds before the line separator (CR or LF,
// chosen per search) and at the end of the text. Both are tested at every
// position a match could start or end. The end of the text is not a character:
// nothing matches past it.
//
// Costs: compiling is linear in the pattern (bounded by kMaxNfaStates). A DFA
// state is built the first time the text leads to it, costing O(NFA states);
// afterwards a step is O(1). Each DFA is bounded by kMaxDfaBytes; a search
// that needs more raises kReComplex and frees the DFA. Not thread-safe: the
// DFAs and the decoding buffers are built while searching.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "search/code_range.h"
#include "search/regexp_parser.h"
#include "search/required_literal.h"

namespace tamber {

// More NFA states than this is an error (kReTooLarge), found while compiling.
inline constexpr std::size_t kMaxNfaStates = 100000;
// The memory one DFA may take (transition rows and NFA sets) before a search
// raises kReComplex.
inline constexpr std::size_t kMaxDfaBytes = std::size_t{16} << 20;

enum TMatchCORE_LineSeparator { mcls_CRLF = 0, mcls_LF = 1 };

class TREProgram {
 public:
  // Compiles pattern (already preprocessed). Throws ERegExpParser.
  TREProgram(std::string_view pattern, bool ignoreCase);
  ~TREProgram();
  TREProgram(const TREProgram&) = delete;
  TREProgram& operator=(const TREProgram&) = delete;

  bool LineHeadAnchored() const { return headAnchored_; }
  bool LineTailAnchored() const { return tailAnchored_; }
  std::size_t NfaStateCount() const { return nfa_.size(); }
  // Some match may hold a CR or an LF character.
  bool MatchesBreakChars() const;
  // The strings of a pattern that matches those strings and nothing else
  // (a plain string, its case variants, a short alternation), for a search
  // of text that is not Shift-JIS; null for any other pattern.
  const LiteralFinder* ExactStrings() const { return exactLiterals_ ? &literals_ : nullptr; }
  // States built so far in the forward and the backward DFAs.
  std::size_t DfaStateCount() const;

  // The leftmost-longest match in text as byte offsets [start, end), or none.
  std::optional<std::pair<std::size_t, std::size_t>> First(std::string_view text,
                                                            TMatchCORE_LineSeparator sep);
  // Every non-empty match from left to right, each the leftmost-longest one
  // at or after the end of the one before; an empty match moves on by one
  // character. Calls found(start, end) with byte offsets; returns the count.
  std::size_t ForEach(std::string_view subject, TMatchCORE_LineSeparator sep,
                      const std::function<void(std::size_t, std::size_t)>& found);

  // A block is a run of lines, each ending after an LF character (an LF that
  // is not the trail byte of a pair) or at the end of the block; each line is
  // searched as a subject of its own, its break included, so no match runs
  // past the LF that ends its line.
  //
  // Calls line(start, end) in order for every line in which some match (an
  // empty one too) starts before the line's end (or at the end of a last line
  // without a break); stops when line returns false. Returns the number of
  // lines reported.
  std::size_t ForEachMatchingLine(std::string_view block, TMatchCORE_LineSeparator sep,
                                  const std::function<bool(std::size_t, std::size_t)>& line);
  // The number of lines ForEachMatchingLine would report, at most `most`
  // (counting stops there). A pattern of plain strings is counted in one
  // scan for the strings that steps to the end of each matching line.
  std::size_t CountMatchingLines(std::string_view block, TMatchCORE_LineSeparator sep,
                                 std::size_t most = static_cast<std::size_t>(-1));
  // Every non-empty match of every line of block, as ForEach gives them for
  // each line alone, with offsets into block; returns the count.
  std::size_t ForEachInLines(std::string_view block, TMatchCORE_LineSeparator sep,
                             const std::function<void(std::size_t, std::size_t)>& found);

 private:
  struct Edge {
    std::uint16_t lo;  // class interval
    std::uint16_t hi;
    int to;
  };
  struct NfaState {
    std::vector<int> eps;
    std::vector<Edge> edges;
    std::vector<int> revEps;
    std::vector<Edge> revEdges;  // to = the source state
  };
  class EpsilonClosure;
  class Dfa;
  class LineDfa;
  struct LineScan;

  void BuildAlphabet(const TREParseTree& tree);
  int NewState();
  void Generate(const TREParseTree& tree, int node, int a, int b);
  void AddRangeEdges(const std::vector<CodeRange>& ranges, int a, int b);
  void AddEps(int a, int b);
  std::uint16_t ClassOf(std::uint32_t code) const;
  void Decode(std::string_view text);
  Dfa& Forward();
  Dfa& Reverse(TMatchCORE_LineSeparator sep);
  // Fills valid_ for the decoded text; returns the leftmost valid start or -1.
  long MarkStarts(TMatchCORE_LineSeparator sep);
  long LongestFrom(std::size_t k, TMatchCORE_LineSeparator sep);
  LineDfa& Lines();
  void BuildCanStart();
  // The line-by-line reference that the block searches fall back on.
  std::size_t MatchingLinesByLine(std::string_view block, std::size_t from, TMatchCORE_LineSeparator sep,
                                  const std::function<bool(std::size_t, std::size_t)>& line, bool* stop);
  // The end of the longest match that starts at the character at k of
  // block, inside the line [lineStart, lineEnd); -1 when none; -2 when more
  // than *budget steps were needed (the budget is spent as it goes).
  long LongestInLine(const unsigned char* s, std::size_t k, std::size_t lineStart, std::size_t lineEnd,
                     int sepByte, long* budget);

  std::size_t patternLength_;
  std::vector<std::uint32_t> bounds_;  // class i is [bounds_[i], bounds_[i + 1])
  std::array<std::uint16_t, 256> single_{};
  std::array<std::uint16_t, 256> leadBlock_{};
  std::vector<std::array<std::uint16_t, 256>> blocks_;
  std::uint16_t crClass_ = 0;
  std::uint16_t lfClass_ = 0;

  std::vector<NfaState> nfa_;  // 0 entry, 1 exit
  bool headAnchored_ = false;
  bool tailAnchored_ = false;
  std::vector<int> headTargets_;  // entry --^--> target
  std::vector<int> tailSources_;  // source --$--> exit

  LiteralFinder literals_;
  // The pattern is exactly the literals, each whole characters with LF only
  // as the last: searches need no automaton.
  bool exactLiterals_ = false;
  bool prefixLiterals_ = false;  // every match starts with one of the literals
  // A match may start with a character whose first byte is this (built
  // with the forward automaton).
  std::array<bool, 256> canStart_{};
  bool canStartBuilt_ = false;
  std::unique_ptr<Dfa> forward_;
  std::unique_ptr<LineDfa> lines_;
  std::unique_ptr<Dfa> reverse_[2];

  std::vector<std::uint16_t> cls_;   // class of each character of the decoded text
  std::vector<std::uint32_t> pos_;   // byte offset of each character, and the length last
  std::vector<std::uint8_t> valid_;  // a match starts at this character
};

}  // namespace tamber
