// Finding in a line and rebuilding it, against a table of lines, find strings,
// options and the matches a user expects.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/cp932_codec.h"
#include "search/line_search.h"
#include "search/regexp_error.h"

namespace tamber {
namespace {

struct Case {
  const char* line;  // UTF-8
  bool lastLine;
  const char* find;  // UTF-8
  TFxSearchOptions options;
  std::vector<std::pair<std::size_t, std::size_t>> matches;  // 1-based byte position, length (Shift-JIS)
};

TEST(FindInLine, FindsWhatTheUserExpects) {
  const std::vector<Case> cases = {
      // Plain text, case through the matcher.
      {"a cat. concat cats", true, "cat", soMatchCase, {{3, 3}, {11, 3}, {15, 3}}},
      {"a cat. concat cats", true, "cat", soMatchCase | soWholeWord, {{3, 3}}},
      {"Cat CAT cat", true, "cat", 0, {{1, 3}, {5, 3}, {9, 3}}},
      {"Cat CAT cat", true, "cat", soMatchCase, {{9, 3}}},
      // ア is 83 41: its trail byte is no "A", with or without case.
      {"アA", true, "a", 0, {{3, 1}}},
      // A kanji word is whole between hiragana, not inside a run of kanji.
      {"の漢字を大漢字", true, "漢字", soWholeWord, {{3, 4}}},
      {"ソフト", true, "ト", soWholeWord, {}},
      // Occurrences do not overlap, also after a rejected one.
      {"aaa", true, "aa", soMatchCase, {{1, 2}}},
      {"xaaa", true, "aa", soMatchCase | soWholeWord, {}},
      // An empty plain string finds nothing (the loop would never advance).
      {"abc", true, "", 0, {}},
      // Never at a trail byte: 表 is 95 5C.
      {"表\\", true, "\\", soMatchCase, {{3, 1}}},
      // Regular expressions see the CR LF after a line that is not the last.
      {"xa", false, "a$", soRegexp, {{2, 1}}},
      {"xa", false, "a\\r\\n", soRegexp, {{2, 3}}},
      {"xa", true, "a\\r\\n", soRegexp, {}},
      {"A1 a2", true, "a[0-9]", soRegexp, {{1, 2}, {4, 2}}},
      // Fuzzy only with regular expressions; whole word only without.
      {"テキスト", true, "てきすと", soRegexp | soFuzzy, {{1, 8}}},
      {"テキスト", true, "てきすと", soFuzzy, {}},
      {"concat", true, "cat", soRegexp | soWholeWord, {{4, 3}}},
  };
  TAWKStrEx matcher;
  std::vector<TSearchInfo> list;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.line) + " / " + c.find + " / " + std::to_string(c.options));
    const std::string line = Utf8ToCp932(c.line);
    const std::size_t n = FindInLine(matcher, line, c.lastLine, Utf8ToCp932(c.find), c.options, list);
    std::vector<std::pair<std::size_t, std::size_t>> got;
    for (const TSearchInfo& m : list) {
      got.emplace_back(m.MatchPos, m.MatchLen);
      if (m.MatchPos - 1 < line.size()) EXPECT_EQ(m.MatchText, line.substr(m.MatchPos - 1, m.MatchLen));
    }
    EXPECT_EQ(n, list.size());
    EXPECT_EQ(got, c.matches);
  }
}

TEST(FindInLine, RaisesTheMatchersErrorForABadPattern) {
  TAWKStrEx matcher;
  std::vector<TSearchInfo> list;
  EXPECT_THROW(FindInLine(matcher, "abc", true, "(ab", soRegexp, list), ERegExpParser);
  // The same text as plain text is no pattern at all.
  EXPECT_EQ(FindInLine(matcher, "x(abc", true, "(ab", 0, list), 1u);
}

TEST(CharClass, ClassesCharactersAndTrailBytesWithTheirLead) {
  const std::string line = Utf8ToCp932("a ｱＡアあ漢、");
  const std::vector<TCharClass> want = {ccAnk,      ccDelimiter, ccHalfKana, ccWideAlnum, ccWideAlnum,
                                        ccKatakana, ccKatakana,  ccHiragana, ccHiragana,  ccKanji,
                                        ccKanji,    ccDelimiter, ccDelimiter};
  ASSERT_EQ(line.size(), want.size());
  for (std::size_t i = 0; i < line.size(); ++i) EXPECT_EQ(CharClass(line, static_cast<std::ptrdiff_t>(i)), want[i]) << i;
  EXPECT_EQ(CharClass(line, -1), ccDelimiter);
  EXPECT_EQ(CharClass(line, static_cast<std::ptrdiff_t>(line.size())), ccDelimiter);
}

TEST(NormalizeSearchOptions, DropsWhatTheOtherModeExcludes) {
  EXPECT_EQ(NormalizeSearchOptions(soFuzzy | soWholeWord), static_cast<unsigned>(soWholeWord));
  EXPECT_EQ(NormalizeSearchOptions(soRegexp | soFuzzy | soWholeWord | soMatchCase),
            static_cast<unsigned>(soRegexp | soFuzzy | soMatchCase));
}

TEST(ReplaceInLine, RebuildsTheLineAndSaysWhenItTookTheBreak) {
  TAWKStrEx matcher;
  auto r = ReplaceInLine(matcher, Utf8ToCp932("漢字と漢字"), false, Utf8ToCp932("漢字"), 0, Utf8ToCp932("かんじ"));
  EXPECT_EQ(r.count, 2u);
  EXPECT_EQ(Cp932ToUtf8(r.NewText), "かんじとかんじ");
  EXPECT_FALSE(r.JoinsNext);
  r = ReplaceInLine(matcher, "xa", false, "a\\r\\n", soRegexp, "-");
  EXPECT_EQ(r.NewText, "x-");
  EXPECT_TRUE(r.JoinsNext);
  r = ReplaceInLine(matcher, "xa", false, "a$", soRegexp, "$&");  // the replacement is literal
  EXPECT_EQ(r.NewText, "x$&");
  EXPECT_FALSE(r.JoinsNext);
  r = ReplaceInLine(matcher, "abc", true, "z", 0, "y");
  EXPECT_EQ(r.count, 0u);
  EXPECT_EQ(r.NewText, "abc");
}

}  // namespace
}  // namespace tamber

namespace tamber {
namespace {

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (;;) {
    const std::size_t brk = text.find("\r\n", start);
    if (brk == std::string::npos) break;
    lines.push_back(text.substr(start, brk - start));
    start = brk + 2;
  }
  lines.push_back(text.substr(start));
  return lines;
}

// Replace-all as the line-by-line loop over every line does it.
std::pair<std::string, std::size_t> ReferenceReplaceAll(const std::string& text, const std::string& find,
                                                        TFxSearchOptions options, const std::string& repl) {
  TAWKStrEx matcher;
  const auto lines = SplitCrLf(text);
  std::vector<std::string> out;
  bool join = false;
  std::size_t count = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TLineReplacement r = ReplaceInLine(matcher, lines[i], i + 1 == lines.size(), find, options, repl);
    count += r.count;
    if (join) {
      out.back() += r.NewText;
    } else {
      out.push_back(r.NewText);
    }
    join = r.JoinsNext;
  }
  std::string joined;
  for (std::size_t i = 0; i < out.size(); ++i) joined += (i ? "\r\n" : "") + out[i];
  return {joined, count};
}

// Every hit of find over the text in order, the way repeated find-next from
// each hit's end walks it, from the line-by-line listing.
std::vector<TTextHit> ReferenceHits(const std::string& text, const std::string& find, TFxSearchOptions options) {
  TAWKStrEx matcher;
  std::vector<TTextHit> hits;
  std::vector<TSearchInfo> list;
  const auto lines = SplitCrLf(text);
  std::size_t offset = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FindInLine(matcher, lines[i], i + 1 == lines.size(), find, options, list);
    for (const TSearchInfo& m : list) hits.push_back({offset + m.MatchPos - 1, m.MatchLen});
    offset += lines[i].size() + 2;
  }
  return hits;
}

struct TextCase {
  const char* find;  // UTF-8
  TFxSearchOptions options;
  const char* replacement;
};

TEST(TextSearch, FindNextPrevAndReplaceAllAgreeWithTheLineByLineLoop) {
  const std::string text = Utf8ToCp932(
      "漢字の漢字\r\na cat\r\n\r\nconcat cats\r\nxa\r\nb漢字\r\n\r\nテキストとてきすと\r\nlast a");
  const std::vector<TextCase> cases = {
      {"漢字", 0, "かんじ"},      {"cat", soWholeWord, "dog"}, {"a$", soRegexp, "A"},
      {"a\\r\\n", soRegexp, "-"}, {"^$", soRegexp, "empty"},  {"てきすと", soRegexp | soFuzzy, "T"},
      {"CAT", 0, "c"},            {"CAT", soMatchCase, "c"},  {"", 0, "never"},
      // The break is one unit: a match of LF joins the lines, one ending in CR keeps it.
      {"\\n", soRegexp, "+"},     {"a\\r", soRegexp, "R"},     {"\\r", soRegexp, "<"},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.find);
    const std::string find = Utf8ToCp932(c.find);
    const std::vector<TTextHit> want = ReferenceHits(text, find, c.options);
    TAWKStrEx matcher;
    std::vector<TTextHit> forward;
    TTextHit hit;
    for (std::size_t from = 0; FindNextInText(matcher, text, from, find, c.options, std::string::npos, &hit);) {
      forward.push_back(hit);
      from = hit.offset + std::max<std::size_t>(hit.length, 1);
    }
    EXPECT_EQ(forward, want);
    std::vector<TTextHit> backward;
    for (std::size_t from = text.size(); FindPrevInText(matcher, text, from, find, c.options, std::string::npos, &hit);) {
      backward.insert(backward.begin(), hit);
      from = hit.offset;
    }
    EXPECT_EQ(backward, want);
    const auto [refText, refCount] = ReferenceReplaceAll(text, find, c.options, Utf8ToCp932(c.replacement));
    const TTextReplacement r = ReplaceAllInText(matcher, text, find, c.options, Utf8ToCp932(c.replacement));
    EXPECT_EQ(r.count, refCount);
    EXPECT_EQ(r.count ? r.text : text, refText);
    // Finding alone tells the same matches, and they rebuild the same text.
    const TTextReplacement found = FindReplacements(matcher, text, find, c.options, Utf8ToCp932(c.replacement));
    EXPECT_EQ(found.count, r.count);
    EXPECT_EQ(found.matches.size(), r.count);
    EXPECT_EQ(found.lastEnd, r.lastEnd);
    EXPECT_EQ(found.joinedBreaks, r.joinedBreaks);
    EXPECT_EQ(ApplyReplacements(text, found.matches, Utf8ToCp932(c.replacement)), refText);
  }
}

TEST(TextSearch, FindNextSkipsMatchesPastTheDisplayLimitWithoutWrapping) {
  TAWKStrEx matcher;
  const std::string text = std::string(1200, 'x') + "a\r\nya";
  TTextHit hit;
  ASSERT_TRUE(FindNextInText(matcher, text, 0, "a", 0, std::string::npos, &hit));
  EXPECT_EQ(hit.offset, 1200u);
  ASSERT_TRUE(FindNextInText(matcher, text, 0, "a", 0, 1000, &hit));
  EXPECT_EQ(hit.offset, 1204u);
  EXPECT_FALSE(FindPrevInText(matcher, text, 1201, "a", 0, 1000, &hit));
  // Replace-all has no such limit.
  EXPECT_EQ(ReplaceAllInText(matcher, text, "a", 0, "b").count, 2u);
}

}  // namespace
}  // namespace tamber
