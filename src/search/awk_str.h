// The regular-expression matchers the editor and the scripts use.
//
// TRegularExpression keeps the compiled patterns: PatternCache is an ordered
// list of at most kPatternCacheSize entries, each a pattern after
// preprocessing and its compiled program. Entry 0 is the empty pattern,
// compiled at construction and never pushed out; a new pattern is inserted at
// position 1 and pushes out the last entry when the list is full; finding a
// pattern again reuses its entry without reordering. Setting RegExp costs the
// preprocessing and a cache look-up (O(entries)); compiling is linear in the
// pattern. TMatchCORE adds the line separator, TAWKStr Match, TAWKStrEx FindAll.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "search/preprocessor.h"
#include "search/regexp_program.h"

namespace tamber {

inline constexpr std::size_t kPatternCacheSize = 30;

class TRegularExpression {
 public:
  TRegularExpression();
  virtual ~TRegularExpression();

  // The pattern as given (before preprocessing); empty after a failed compile.
  const std::string& RegExp() const { return regExp_; }
  // Preprocesses, then reuses or compiles. On an error (ERegExpParser, passed
  // on) RegExp becomes empty and the empty pattern is current.
  virtual void SetRegExp(std::string_view pattern);

  bool UseFuzzyCharDic() const { return preProcessor_.UseFuzzyCharDic(); }
  void SetUseFuzzyCharDic(bool on);
  bool UseSynonymDic() const { return preProcessor_.UseSynonymDic(); }
  void SetUseSynonymDic(bool on);
  // Letters match in either case (ASCII, full-width, Greek, Cyrillic).
  bool IgnoreCase() const { return ignoreCase_; }
  void SetIgnoreCase(bool on);

  TREPreProcessor& PreProcessor() { return preProcessor_; }

  // The pseudo-character codes of the line anchors.
  virtual int LineHeadCode() const { return -3; }
  virtual int LineTailCode() const { return -2; }

  std::size_t PatternCacheCount() const { return cache_.size(); }
  // The preprocessed text of cache entry i.
  const std::string& PatternCacheText(std::size_t i) const { return cache_[i].text; }
  // The index of the current entry.
  std::size_t CurrentEntry() const { return current_; }

 protected:
  TREProgram& Program() { return *cache_[current_].program; }
  // Compiles expanded text into a new entry at position 1 and makes it current.
  virtual void Compile(const std::string& expanded);

 private:
  struct Entry {
    std::string text;
    bool ignoreCase;
    std::unique_ptr<TREProgram> program;
  };
  void Reapply();

  TREPreProcessor preProcessor_;
  std::vector<Entry> cache_;
  std::size_t current_ = 0;
  std::string regExp_;
  bool ignoreCase_ = false;
  bool settled_ = false;  // regExp_ with the current switches is the current entry
};

class TMatchCORE : public TRegularExpression {
 public:
  TMatchCORE_LineSeparator LineSeparator() const { return lineSeparator_; }
  void SetLineSeparator(TMatchCORE_LineSeparator sep) { lineSeparator_ = sep; }

 private:
  TMatchCORE_LineSeparator lineSeparator_ = mcls_CRLF;
};

// Where a match is: Position is 1-based (0 when there is none), Length in bytes.
struct TMatchResult {
  std::size_t Position = 0;
  std::size_t Length = 0;
  friend bool operator==(const TMatchResult&, const TMatchResult&) = default;
};

class TAWKStr : public TMatchCORE {
 public:
  // Creating a matcher puts FuzzyDictionary in the fuzzy dictionaries.
  TAWKStr();
  // The leftmost match in text, the longest there. "^" holds at the start of
  // text. Throws ERegExpParser (kReComplex) when the DFA budget runs out.
  TMatchResult Match(std::string_view text);
  // Some match of the current pattern may hold a CR or an LF.
  bool MatchesBreakChars() { return Program().MatchesBreakChars(); }
  // The strings the current pattern matches exactly, or null (TREProgram::ExactStrings).
  const LiteralFinder* ExactStrings() { return Program().ExactStrings(); }
  // The lines of block (each ending after an LF) in which the pattern
  // matches, as TREProgram::ForEachMatchingLine reports them.
  std::size_t ForEachMatchingLine(std::string_view block,
                                  const std::function<bool(std::size_t, std::size_t)>& line);
  // How many lines ForEachMatchingLine would report, at most `most`.
  std::size_t CountMatchingLines(std::string_view block, std::size_t most = static_cast<std::size_t>(-1));
  // Every non-empty match of every line of block as found(start, end), byte
  // offsets into block, as TREProgram::ForEachInLines gives them.
  std::size_t ForEachMatchInLines(std::string_view block,
                                  const std::function<void(std::size_t, std::size_t)>& found);
};

// A match that FindAll lists.
struct TSearchInfo {
  std::size_t MatchPos = 0;  // 1-based byte position
  std::size_t MatchLen = 0;  // bytes
  std::string MatchText;     // the bytes of text at those positions
};

class TAWKStrEx : public TAWKStr {
 public:
  // Appends every non-empty match in subject to list (positions in subject,
  // MatchText copied from text at the same positions; text is usually the
  // unfolded form of subject) and returns how many were appended.
  virtual std::size_t FindAll(std::string_view text, std::string_view subject,
                              std::vector<TSearchInfo>& list);
  // Appends every non-empty match of every line of block (lines end after an
  // LF; no match runs past it), positions 1-based in block; returns the count.
  std::size_t FindAllInLines(std::string_view block, std::vector<TSearchInfo>& list);
};

}  // namespace tamber
