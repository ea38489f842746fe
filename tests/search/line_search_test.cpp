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
