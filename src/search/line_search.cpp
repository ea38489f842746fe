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

std::size_t FindInLine(TAWKStrEx& matcher, std::string_view line, bool lastLine, std::string_view findString,
                       TFxSearchOptions options, std::vector<TSearchInfo>& list) {
  list.clear();
  options = NormalizeSearchOptions(options);
  if (!(options & soRegexp) && findString.empty()) return 0;
  const bool regexp = (options & soRegexp) != 0;
  if (matcher.IgnoreCase() != !(options & soMatchCase)) matcher.SetIgnoreCase(!(options & soMatchCase));
  const bool fuzzy = regexp && (options & soFuzzy);
  if (matcher.UseFuzzyCharDic() != fuzzy) matcher.SetUseFuzzyCharDic(fuzzy);
  if (regexp) {
    matcher.SetRegExp(findString);
    if (lastLine) return matcher.FindAll(line, line, list);
    std::string subject(line);
    subject += "\r\n";
    return matcher.FindAll(line, subject, list);
  }
  // A plain string is a regular expression of its quoted characters, so the
  // matcher's case folding and its Shift-JIS stepping apply.
  matcher.SetRegExp(QuoteRegExp(findString));
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

}  // namespace tamber
