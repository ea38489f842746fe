#include "search/line_search.h"

#include <algorithm>

#include "encoding/dbcs.h"
#include "search/preprocessor.h"

namespace tamber {

TFxSearchOptions NormalizeSearchOptions(TFxSearchOptions value) {
  TFxSearchOptions out = value & soMatchCase;
  if (value & soRegexp) {
    out |= soRegexp | (value & soFuzzy);
  } else {
    out |= value & soWholeWord;
  }
  return out;
}

namespace {

TCharClass SingleClass(unsigned char b) {
  static constexpr char kList[] = "\0\t\n\r !\"#$%&'()=~^\\|{}[]`@;+:*,<.>/?_";
  static constexpr std::string_view kDelimiters(kList, sizeof kList - 1);
  if (b < 0x80) return kDelimiters.find(static_cast<char>(b)) == std::string_view::npos ? ccAnk : ccDelimiter;
  if (b == 0xA2 || b == 0xA3 || (b >= 0xA6 && b <= 0xDF)) return ccHalfKana;
  return ccDelimiter;
}

TCharClass DoubleClass(unsigned code) {
  if (code >= 0x889F) return ccKanji;
  if (code >= 0x824F && code <= 0x829A) return ccWideAlnum;
  if (code >= 0x829F && code <= 0x82F1) return ccHiragana;
  if (code >= 0x8340 && code <= 0x8396) return ccKatakana;
  return ccDelimiter;
}

}  // namespace

TCharClass CharClass(std::string_view line, std::ptrdiff_t index) {
  if (index < 0 || static_cast<std::size_t>(index) >= line.size()) return ccDelimiter;
  const auto at = static_cast<std::size_t>(index);
  std::size_t i = 0;  // walk to the character that holds the index
  while (i + CharLength(line, i) <= at) i += CharLength(line, i);
  if (CharLength(line, i) == 2) {
    return DoubleClass(static_cast<unsigned char>(line[i]) << 8 | static_cast<unsigned char>(line[i + 1]));
  }
  return SingleClass(static_cast<unsigned char>(line[i]));
}

bool IsWholeWord(std::string_view line, std::size_t pos, std::size_t len) {
  if (len == 0) return false;
  const auto p = static_cast<std::ptrdiff_t>(pos);
  const auto e = static_cast<std::ptrdiff_t>(pos + len);
  return CharClass(line, p) != CharClass(line, p - 1) && CharClass(line, e - 1) != CharClass(line, e);
}

namespace {

// Sets the matcher up for findString under options; false when a plain
// search has nothing to find.
bool Prepare(TAWKStrEx& matcher, std::string_view findString, TFxSearchOptions options) {
  const bool regexp = (options & soRegexp) != 0;
  if (!regexp && findString.empty()) return false;
  if (matcher.IgnoreCase() != !(options & soMatchCase)) matcher.SetIgnoreCase(!(options & soMatchCase));
  const bool fuzzy = regexp && (options & soFuzzy);
  if (matcher.UseFuzzyCharDic() != fuzzy) matcher.SetUseFuzzyCharDic(fuzzy);
  // A plain string is a regular expression of its quoted characters, so the
  // matcher's case folding and its Shift-JIS stepping apply.
  matcher.SetRegExp(regexp ? std::string(findString) : QuoteRegExp(findString));
  return true;
}

// A line of a text: [start, end) without its break; broken when a CR LF follows.
struct TextLine {
  std::size_t start;
  std::size_t end;
  bool broken;
  std::size_t next;  // the start of the next line (text size after the last)
};

TextLine LineAt(std::string_view text, std::size_t start) {
  const std::size_t lf = text.find('\n', start);
  if (lf == std::string_view::npos) return {start, text.size(), false, text.size()};
  const std::size_t end = lf > start && text[lf - 1] == '\r' ? lf - 1 : lf;
  return {start, end, true, lf + 1};
}

std::size_t LineStartBefore(std::string_view text, std::size_t at) {
  if (at == 0) return 0;
  const std::size_t lf = text.rfind('\n', at - 1);
  return lf == std::string_view::npos ? 0 : lf + 1;
}

}  // namespace

std::size_t FindInLine(TAWKStrEx& matcher, std::string_view line, bool lastLine, std::string_view findString,
                       TFxSearchOptions options, std::vector<TSearchInfo>& list) {
  list.clear();
  options = NormalizeSearchOptions(options);
  if (!Prepare(matcher, findString, options)) return 0;
  if (options & soRegexp) {
    if (lastLine) return matcher.FindAll(line, line, list);
    std::string subject(line);
    subject += "\r\n";
    return matcher.FindAll(line, subject, list);
  }
  std::vector<TSearchInfo> all;
  matcher.FindAll(line, line, all);
  for (TSearchInfo& m : all) {
    if ((options & soWholeWord) && !IsWholeWord(line, m.MatchPos - 1, m.MatchLen)) continue;
    list.push_back(std::move(m));
  }
  return list.size();
}

TLineReplacement ReplaceInLine(TAWKStrEx& matcher, std::string_view line, bool lastLine,
                               std::string_view findString, TFxSearchOptions options,
                               std::string_view replacement) {
  std::vector<TSearchInfo> list;
  TLineReplacement r;
  r.count = FindInLine(matcher, line, lastLine, findString, options, list);
  std::size_t kept = 0;  // bytes of line copied so far
  for (const TSearchInfo& m : list) {
    const std::size_t start = m.MatchPos - 1;
    r.NewText.append(line.substr(kept, start - kept));
    r.NewText.append(replacement);
    kept = std::min(start + m.MatchLen, line.size());
    r.JoinsNext = start + m.MatchLen > line.size() + 1;
  }
  r.NewText.append(line.substr(kept));
  return r;
}

bool FindNextInText(TAWKStrEx& matcher, std::string_view text, std::size_t from, std::string_view findString,
                    TFxSearchOptions options, std::size_t maxStart, TTextHit* hit) {
  options = NormalizeSearchOptions(options);
  std::vector<TSearchInfo> list;
  const TextLine first = LineAt(text, LineStartBefore(text, std::min(from, text.size())));
  auto take = [&](const TextLine& l, std::size_t minPos) {
    FindInLine(matcher, text.substr(l.start, l.end - l.start), !l.broken, findString, options, list);
    for (const TSearchInfo& m : list) {
      if (m.MatchPos - 1 < minPos) continue;
      if (m.MatchPos > maxStart) return false;  // past the display limit
      *hit = {l.start + m.MatchPos - 1, m.MatchLen};
      return true;
    }
    return false;
  };
  if (take(first, from - first.start)) return true;
  if (first.next >= text.size() || !Prepare(matcher, findString, options)) return false;
  // The block search finds the lines that can match; each is then listed.
  const std::string_view rest = text.substr(first.next);
  bool found = false;
  matcher.ForEachMatchingLine(rest, [&](std::size_t a, std::size_t) {
    found = take(LineAt(text, first.next + a), 0);
    return !found;
  });
  return found;
}

bool FindPrevInText(TAWKStrEx& matcher, std::string_view text, std::size_t from, std::string_view findString,
                    TFxSearchOptions options, std::size_t maxStart, TTextHit* hit) {
  options = NormalizeSearchOptions(options);
  std::vector<TSearchInfo> list;
  from = std::min(from, text.size());
  std::size_t start = LineStartBefore(text, from);
  std::size_t limit = std::min(from - start, maxStart);  // a match must start before it
  for (;;) {
    const TextLine l = LineAt(text, start);
    FindInLine(matcher, text.substr(l.start, l.end - l.start), !l.broken, findString, options, list);
    for (auto m = list.rbegin(); m != list.rend(); ++m) {
      if (m->MatchPos - 1 < limit) {
        *hit = {l.start + m->MatchPos - 1, m->MatchLen};
        return true;
      }
    }
    if (start == 0) return false;
    start = LineStartBefore(text, start - 1);
    limit = std::min(LineAt(text, start).end - start + 2, maxStart);
  }
}

namespace {

TTextReplacement ReplaceAll(TAWKStrEx& matcher, std::string_view text, std::string_view findString,
                            TFxSearchOptions options, std::string_view replacement,
                            const TReplaceProgress& progress, bool buildText) {
  options = NormalizeSearchOptions(options);
  std::size_t newSize = 0;  // of the new text so far, when it is not built
  TTextReplacement r;
  if (!Prepare(matcher, findString, options)) return r;
  std::size_t kept = 0;  // text before this is in r.text
  // The matcher cannot be stopped from its callback: once cancelled the
  // remaining matches are skipped.
  constexpr std::size_t kProgressStep = std::size_t{1} << 18;
  std::size_t nextReport = kProgressStep;
  auto replace = [&](std::size_t a, std::size_t b) {
    if (r.cancelled) return;
    if (progress && a >= nextReport) {
      nextReport = a + kProgressStep;
      if (!progress(a, text.size())) {
        r.cancelled = true;
        return;
      }
    }
    if (buildText) {
      if (r.count == 0) r.text.reserve(text.size() + text.size() / 8);
      r.text.append(text.substr(kept, a - kept));
      r.text.append(replacement);
      newSize = r.text.size();
    } else {
      newSize += a - kept + replacement.size();
    }
    for (std::size_t i = a; i < b; ++i) {
      if (text[i] == '\n') r.joinedBreaks.push_back(i);
    }
    kept = b;
    r.matches.emplace_back(a, b);
    r.lastEnd = newSize;
    ++r.count;
  };
  const bool plain = !(options & soRegexp);
  if (plain && findString.find_first_of("\r\n") != std::string_view::npos) {
    // A plain string never crosses a line end: line by line.
    matcher.ForEachMatchingLine(text, [&](std::size_t a, std::size_t) {
      const TextLine l = LineAt(text, a);
      std::vector<TSearchInfo> list;
      FindInLine(matcher, text.substr(l.start, l.end - l.start), !l.broken, findString, options, list);
      for (const TSearchInfo& m : list) replace(l.start + m.MatchPos - 1, l.start + m.MatchPos - 1 + m.MatchLen);
      return true;
    });
  } else {
    // Every match of the whole text at once. A match never splits a CR LF:
    // one that takes the whole break joins the line with the next, one that
    // ends inside it (or lies in it) leaves the break as it is.
    std::size_t lineStart = std::string_view::npos;
    TextLine l{};
    const bool wholeWord = plain && (options & soWholeWord);
    matcher.ForEachMatchInLines(text, [&](std::size_t a, std::size_t b) {
      const std::string_view m = text.substr(a, b - a);
      if (!wholeWord && m.find_first_of("\r\n") == std::string_view::npos) {
        replace(a, b);  // inside its line: nothing to look at
        return;
      }
      if (lineStart == std::string_view::npos || a >= l.next) {
        lineStart = LineStartBefore(text, a);
        l = LineAt(text, lineStart);
      }
      if (wholeWord && !IsWholeWord(text.substr(l.start, l.end - l.start), a - l.start, b - a)) {
        return;
      }
      if (l.broken && b < l.next) {
        a = std::min(a, l.end);
        b = std::min(b, l.end);
      } else if (l.broken) {
        a = std::min(a, l.end);
      }
      replace(a, b);
    });
  }
  if (r.cancelled) {
    r.count = 0;
    r.text.clear();
    r.joinedBreaks.clear();
    r.matches.clear();
    return r;
  }
  if (r.count == 0) return r;
  if (buildText) r.text.append(text.substr(kept));
  return r;
}

}  // namespace

TTextReplacement ReplaceAllInText(TAWKStrEx& matcher, std::string_view text, std::string_view findString,
                                  TFxSearchOptions options, std::string_view replacement,
                                  const TReplaceProgress& progress) {
  return ReplaceAll(matcher, text, findString, options, replacement, progress, true);
}

TTextReplacement FindReplacements(TAWKStrEx& matcher, std::string_view text, std::string_view findString,
                                  TFxSearchOptions options, std::string_view replacement,
                                  const TReplaceProgress& progress) {
  return ReplaceAll(matcher, text, findString, options, replacement, progress, false);
}

std::string ApplyReplacements(std::string_view text, const std::vector<std::pair<std::size_t, std::size_t>>& matches,
                              std::string_view replacement) {
  std::string s;
  s.reserve(text.size() + text.size() / 8);
  std::size_t kept = 0;
  for (const auto& [a, b] : matches) {
    s.append(text.substr(kept, a - kept));
    s.append(replacement);
    kept = b;
  }
  s.append(text.substr(kept));
  return s;
}

}  // namespace tamber
