// Finding and replacing in one logical line of a document, the way the
// editor's find commands do it, without the editor: the options, the word
// classes of the whole-word test, the matches of a line and the line rebuilt
// with a replacement. The caller supplies the matcher (each editor owns one,
// so its pattern cache is reused) and whether the line is the text's last.
//
// Letters are compared through the matcher's IgnoreCase, never by lowering
// the text, so a trail byte that looks like a letter is never folded. An
// empty plain find string finds nothing.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "search/awk_str.h"

namespace tamber {

enum TFxSearchOption : unsigned { soMatchCase = 1, soRegexp = 2, soFuzzy = 4, soWholeWord = 8 };
using TFxSearchOptions = unsigned;

// The set an editor keeps for value: soFuzzy only with soRegexp, soWholeWord
// only without it, soMatchCase as given.
TFxSearchOptions NormalizeSearchOptions(TFxSearchOptions value);

enum TCharClass { ccDelimiter = 0, ccAnk, ccHalfKana, ccWideAlnum, ccKatakana, ccHiragana, ccKanji };

// The class of the character at byte index of line (a trail byte is classed
// with its lead); ccDelimiter outside the line.
TCharClass CharClass(std::string_view line, std::ptrdiff_t index);

// The match at byte pos, len bytes long, differs in class from the character
// before it at its start and from the one after it at its end.
bool IsWholeWord(std::string_view line, std::size_t pos, std::size_t len);

// Every match of findString in line under options into list (cleared first;
// MatchPos 1-based); returns the count. A regular expression is searched with
// CR LF after the line unless lastLine, so "$" and CR LF can match at its end;
// a plain string never crosses the line end, and its occurrences do not
// overlap, also after one the whole-word test rejects. Throws ERegExpParser.
std::size_t FindInLine(TAWKStrEx& matcher, std::string_view line, bool lastLine, std::string_view findString,
                       TFxSearchOptions options, std::vector<TSearchInfo>& list);

struct TLineReplacement {
  std::size_t count = 0;
  std::string NewText;     // the line with every match replaced
  bool JoinsNext = false;  // the last match took the line's break
};

// The line rebuilt in one pass with replacement (literal text) for each match.
TLineReplacement ReplaceInLine(TAWKStrEx& matcher, std::string_view line, bool lastLine,
                               std::string_view findString, TFxSearchOptions options,
                               std::string_view replacement);

// Texts: a document's lines joined with CR LF, no break after the last.

// Where a find command lands: the byte offset in the text and the length.
struct TTextHit {
  std::size_t offset = 0;
  std::size_t length = 0;
  friend bool operator==(const TTextHit&, const TTextHit&) = default;
};

// The first match that starts at or after byte from of its line (from is an
// offset in text) or in a later line; with wrapping off (maxStart 1000) a
// match that starts past maxStart bytes into its line is not visited. Lines
// after the first are skipped by the block search until one can match, so
// the text before from is never looked at. Returns false when there is none.
bool FindNextInText(TAWKStrEx& matcher, std::string_view text, std::size_t from, std::string_view findString,
                    TFxSearchOptions options, std::size_t maxStart, TTextHit* hit);
// The last match that starts before byte from of its line (at most maxStart
// into it), else the last one of an earlier line.
bool FindPrevInText(TAWKStrEx& matcher, std::string_view text, std::size_t from, std::string_view findString,
                    TFxSearchOptions options, std::size_t maxStart, TTextHit* hit);

struct TTextReplacement {
  std::size_t count = 0;
  std::string text;  // the new text; empty and unused when count is 0
  std::size_t lastEnd = 0;  // offset in text just after the last replacement
  // Offsets in the old text of the line breaks a match took (the lines
  // after them were joined to the ones before), rising.
  std::vector<std::size_t> joinedBreaks;
  // The replaced stretches of the old text, [first, second), rising.
  std::vector<std::pair<std::size_t, std::size_t>> matches;
  bool cancelled = false;  // progress asked to stop; count and text are then empty
};

// Told now and then how far a replace-all has come (bytes of text done, of
// total); returning false stops it with nothing replaced.
using TReplaceProgress = std::function<bool(std::size_t done, std::size_t total)>;

// Every match of every line replaced, the new text built in one pass: lines
// that cannot match are copied in runs, a line whose last match took its
// break is joined with the next. No limit on the length of a line.
TTextReplacement ReplaceAllInText(TAWKStrEx& matcher, std::string_view text, std::string_view findString,
                                  TFxSearchOptions options, std::string_view replacement,
                                  const TReplaceProgress& progress = nullptr);
// The same search without building the new text (text stays empty; count,
// lastEnd, joinedBreaks and matches are told), for callers that change the
// matches in place.
TTextReplacement FindReplacements(TAWKStrEx& matcher, std::string_view text, std::string_view findString,
                                  TFxSearchOptions options, std::string_view replacement,
                                  const TReplaceProgress& progress = nullptr);
// The text with every match replaced (matches rising, as FindReplacements tells them).
std::string ApplyReplacements(std::string_view text, const std::vector<std::pair<std::size_t, std::size_t>>& matches,
                              std::string_view replacement);

}  // namespace tamber
