// The regular-expression dialect: matches, errors, limits, the pattern cache
// and FindAll. Patterns and texts are written in UTF-8 and searched as CP932.
#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/cp932_codec.h"
#include "search/awk_str.h"
#include "search/regexp_error.h"
#include "../support/bytes.h"

namespace tamber {
namespace {

using namespace std::string_view_literals;

std::string Sjis(std::string_view utf8) { return Utf8ToCp932(utf8); }

struct MatchCase {
  std::string_view pattern;
  std::string_view text;
  std::size_t pos;
  std::size_t len;
  TMatchCORE_LineSeparator sep = mcls_CRLF;
};

// Stable test names: the pattern and the text as hex.
void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << test::ToHex(c.pattern) << " in " << test::ToHex(c.text);
}

class RegExpDialect : public ::testing::TestWithParam<MatchCase> {};

TEST_P(RegExpDialect, FindsTheLeftmostLongestMatch) {
  const MatchCase& c = GetParam();
  TAWKStr re;
  re.SetLineSeparator(c.sep);
  re.SetRegExp(Sjis(c.pattern));
  EXPECT_EQ(re.Match(Sjis(c.text)), (TMatchResult{c.pos, c.len}))
      << "pattern " << c.pattern << " text " << test::ToHex(Sjis(c.text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegExpDialect,
    ::testing::Values(
        MatchCase{"abc", "xxabcx", 3, 3},
        MatchCase{"a|ab", "ab", 1, 2},                   // longest, not first alternative
        MatchCase{"(a|ab)(c|bcd)", "abcd", 1, 4},
        MatchCase{"a*", "baaa", 1, 0},                   // empty match at the first position
        MatchCase{"", "abc", 1, 0},
        MatchCase{"a+", "baaa", 2, 3},
        MatchCase{"a*b+", "xaabbc", 2, 4},
        MatchCase{"a?b", "ab", 1, 2},
        MatchCase{"(ab|a)*c", "ababac", 1, 6},
        MatchCase{"nomatch", "abc", 0, 0},
        // "^" and "$" are anchors only where they begin or end the whole pattern.
        MatchCase{"a^b", "xa^b", 2, 3},
        MatchCase{"a\\^b", "xa^b", 2, 3},
        MatchCase{"a$b", "ab a$b", 4, 3},
        MatchCase{"^a", "ba\na", 4, 1},
        MatchCase{"^a", "ab", 1, 1},
        MatchCase{"^a", "ba\ra", 0, 0},                  // only LF starts a line
        MatchCase{"(^a|b)c", "xbcac", 2, 2},
        MatchCase{"(^a|b)c", "ac", 1, 2},
        MatchCase{"x^", "x^", 1, 2},
        MatchCase{"(a$)", "a$", 0, 0},                   // a group ending the pattern still ends it
        MatchCase{"a(b|c$)", "xac", 2, 2},
        MatchCase{"ab$", "ab\r\n", 1, 2},
        MatchCase{"ab$", "abab\r\n", 3, 2},
        MatchCase{"ab$", "ab\n", 1, 2, mcls_LF},
        MatchCase{"ab$", "ab\r\n", 0, 0, mcls_LF},
        MatchCase{"ab$", "ab\n", 0, 0, mcls_CRLF},
        MatchCase{"$", "abc", 4, 0},
        MatchCase{"a\\r?$", "xa\r\n", 2, 1},           // "$" tested wherever a match can end
        MatchCase{"a\\r\\n$", "a\r\n", 1, 3},
        MatchCase{"^$", "", 1, 0},
        // Braces are ordinary characters; escapes.
        MatchCase{"a{2}", "aa a{2}", 4, 4},
        MatchCase{"\\b", "x\by", 2, 1},                  // \b is backspace, not a word boundary
        MatchCase{"\\t\\n\\r", "a\t\n\r", 2, 3},
        MatchCase{"\\x41", "zA", 2, 1},
        MatchCase{"\\x41g", "Ag", 1, 2},                 // the character after the digits stays
        MatchCase{"\\x00411", "A1", 1, 2},               // at most four digits
        MatchCase{"\\x8341", "xア", 2, 2},
        MatchCase{"\\101\\60", "A0", 1, 2},              // octal
        MatchCase{"\\.\\*\\[", "a.*[", 2, 3},
        MatchCase{"\\あ", "あ", 1, 2},
        MatchCase{"\\z", "z", 1, 1},
        // Classes and ranges in Shift-JIS order.
        MatchCase{"[ぁ-ん]+", "カタあいうカ", 5, 6},
        MatchCase{"[a-c]+", "xbcad", 2, 3},
        MatchCase{"[a-]+", "x-a-", 2, 3},                // "-" before "]" is literal
        MatchCase{"[\\]x]+", "a]x]", 2, 3},
        MatchCase{"[^a]", "a\r\nあ", 4, 2},             // one double-byte character, never CR/LF
        MatchCase{"[^a]+", "aあいa", 2, 4},
        MatchCase{".", "\r\n"
                       "ab", 3, 1},
        MatchCase{"[.]", "a.", 2, 1},
        MatchCase{"[$^]+", "a^$", 2, 2},
        // A trail byte is never matched as a character of its own.
        MatchCase{"A", "ア", 0, 0},                      // ア is 83 41
        MatchCase{"a", "ヂa", 3, 1},                     // ヂ is 83 61
        MatchCase{"\\\\", "ソ\\", 3, 1},                 // ソ is 83 5C
        MatchCase{"\\|", "ポ|", 3, 1},                   // ポ is 83 7C
        MatchCase{"ソ+", "aソソ\\", 2, 4},
        MatchCase{"[ソポ－]+", "xソポ－\\|", 2, 6},      // － is 81 7C
        MatchCase{"表示", "表示", 1, 4},                  // 表 is 95 5C
        MatchCase{"[^\\\\]+", "ソ\\", 1, 2},
        MatchCase{"ポ|ソ", "aソ", 2, 2},
        MatchCase{"[ソ-ポ]", "ゾ", 1, 2}));

TEST(RegExpText, NulIsAnOrdinaryByteThatDotAndNegatedClassesSkip) {
  TAWKStr re;
  const std::string text("a\0b"sv);
  re.SetRegExp("\\0");
  EXPECT_EQ(re.Match(text), (TMatchResult{2, 1}));
  re.SetRegExp("a.b");
  EXPECT_EQ(re.Match(text), (TMatchResult{}));
  re.SetRegExp("[^x]+");
  EXPECT_EQ(re.Match(text), (TMatchResult{1, 1}));
}

TEST(RegExpText, TheEndOfTheTextIsNotACharacter) {
  TAWKStr re;
  re.SetRegExp("\\0");
  EXPECT_EQ(re.Match("ab"), (TMatchResult{}));
  re.SetRegExp("[\\x00-\\x7f]*");
  EXPECT_EQ(re.Match("ab"), (TMatchResult{1, 2}));
  re.SetRegExp("b[\\x00-\\x7f]");
  EXPECT_EQ(re.Match("ab"), (TMatchResult{}));
}

TEST(RegExpText, ALoneLeadByteAtTheEndIsOneCharacter) {
  TAWKStr re;
  re.SetRegExp("a.");
  EXPECT_EQ(re.Match(test::Hex("61 82")), (TMatchResult{1, 2}));
  re.SetRegExp("\\x82$");
  EXPECT_EQ(re.Match(test::Hex("61 82")), (TMatchResult{2, 1}));
  re.SetRegExp("..");
  EXPECT_EQ(re.Match(test::Hex("82")), (TMatchResult{}));
}

struct ErrorCase {
  std::string_view pattern;
  const char* message;
  std::size_t position;
};

void PrintTo(const ErrorCase& c, std::ostream* os) { *os << test::ToHex(c.pattern); }

class RegExpErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(RegExpErrors, RaisesTheMessageAtThePosition) {
  const ErrorCase& c = GetParam();
  TAWKStr re;
  try {
    re.SetRegExp(c.pattern);
    FAIL() << "no error for " << c.pattern;
  } catch (const ERegExpParser& e) {
    EXPECT_STREQ(e.what(), c.message) << c.pattern;
    EXPECT_EQ(e.Position(), c.position) << c.pattern;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RegExpErrors,
    ::testing::Values(ErrorCase{"a\x82", kReBadDbcs, 2},
                      ErrorCase{"a\\", kReBackslashAtEnd, 3},
                      ErrorCase{"\\xg", kReBadHex, 3},
                      ErrorCase{"\\777777", kReBadOctal, 8},
                      ErrorCase{"[abc", kReNoBracket, 5},
                      ErrorCase{"[", kReNoBracket, 2},
                      ErrorCase{"[a-", kReNoBracket, 4},
                      ErrorCase{"[z-a]", kReBadRange, 5},
                      ErrorCase{"[]a]", kReEmptyClass, 3},
                      ErrorCase{"(ab", kReNoRParen, 4},
                      ErrorCase{"a**", kReNeedPrimary, 4},
                      ErrorCase{"*a", kReNeedPrimary, 2},
                      ErrorCase{"]", kReNeedPrimary, 2},
                      ErrorCase{"a+?", kReNeedPrimary, 4},
                      ErrorCase{"ab)", kReExtraText, 4}));

TEST(RegExpErrors, AFailedCompileLeavesTheEmptyPatternCurrent) {
  TAWKStr re;
  re.SetRegExp("abc");
  const std::size_t count = re.PatternCacheCount();
  EXPECT_THROW(re.SetRegExp("(abc"), ERegExpParser);
  EXPECT_EQ(re.RegExp(), "");
  EXPECT_EQ(re.CurrentEntry(), 0u);
  EXPECT_EQ(re.PatternCacheCount(), count);
  EXPECT_EQ(re.Match("xyz"), (TMatchResult{1, 0}));
  re.SetRegExp("abc");  // the earlier entry is found again
  EXPECT_EQ(re.Match("xabc"), (TMatchResult{2, 3}));
}

// Patterns built to exhaust a naive engine. Each must end in a result or a typed error.
TEST(RegExpLimits, DeepNestingIsAnErrorNotACrash) {
  TAWKStr re;
  const std::string deep(100000, '(');
  try {
    re.SetRegExp(deep);
    FAIL();
  } catch (const ERegExpParser& e) {
    EXPECT_STREQ(e.what(), kReTooDeep);
    EXPECT_EQ(e.Position(), static_cast<std::size_t>(kMaxNestingDepth + 1));
  }
  std::string ok;
  for (int i = 0; i < kMaxNestingDepth; ++i) ok += '(';
  ok += 'a';
  for (int i = 0; i < kMaxNestingDepth; ++i) ok += ')';
  re.SetRegExp(ok);
  EXPECT_EQ(re.Match("ba"), (TMatchResult{2, 1}));
}

TEST(RegExpLimits, APatternPastTheNfaLimitIsAnError) {
  TAWKStr re;
  try {
    re.SetRegExp(std::string(kMaxNfaStates + 1, 'a'));
    FAIL();
  } catch (const ERegExpParser& e) {
    EXPECT_STREQ(e.what(), kReTooLarge);
  }
  // "+" over a group that holds an anchor repeats the group; nesting it grows
  // exponentially and must stop at the limit.
  std::string dup = "^a";
  for (int i = 0; i < 30; ++i) dup = "(" + dup + ")+";
  EXPECT_THROW(re.SetRegExp(dup), ERegExpParser);
}

TEST(RegExpLimits, NestedPlusStaysSmall) {
  TAWKStr re;
  std::string p = "a";
  for (int i = 0; i < 25; ++i) p = "(" + p + "+)";
  re.SetRegExp(p + "b");
  EXPECT_EQ(re.Match(std::string(5000, 'a')), (TMatchResult{}));
  EXPECT_EQ(re.Match("xaaab"), (TMatchResult{2, 4}));
}

TEST(RegExpLimits, ADfaPastItsBudgetRaisesAndFreesIt) {
  // (a|b)*a(a|b){24}: its DFA needs a state for every window of 25 characters.
  std::string p = "(a|b)*a";
  for (int i = 0; i < 24; ++i) p += "(a|b)";
  TAWKStr re;
  re.SetRegExp(p);
  EXPECT_EQ(re.Match("bbbabababababababababababababa"), (TMatchResult{1, 30}));
  std::mt19937 rng(7);
  std::string text(100000, 'a');
  for (char& ch : text) ch = (rng() & 1) ? 'a' : 'b';
  try {
    re.Match(text);
    FAIL() << "no error";
  } catch (const ERegExpParser& e) {
    EXPECT_STREQ(e.what(), kReComplex);
    EXPECT_EQ(e.Position(), p.size() + 1);
  }
  // Short texts still work afterwards.
  EXPECT_EQ(re.Match("ba" + std::string(24, 'b')), (TMatchResult{1, 26}));
}

TEST(RegExpLimits, MatchingIsNotQuadraticInALongRun) {
  // A naive engine retries from every position: 10^10 steps here.
  TAWKStr re;
  re.SetRegExp("[a-z]+0");
  EXPECT_EQ(re.Match(std::string(100000, 'q')), (TMatchResult{}));
  std::vector<TSearchInfo> list;
  TAWKStrEx ex;
  ex.SetRegExp("[a-z]+0");
  const std::string text = std::string(100000, 'q') + "0";
  EXPECT_EQ(ex.FindAll(text, text, list), 1u);
  EXPECT_EQ(list[0].MatchLen, 100001u);
}

TEST(RegExpCase, IgnoringCaseFoldsCharactersNotBytes) {
  TAWKStr re;
  re.SetIgnoreCase(true);
  const struct {
    std::string_view pattern, text;
    TMatchResult expected;
  } cases[] = {
      {"abc", "xABC", {2, 3}},
      {"ＡＢ", "ａｂ", {1, 4}},
      {"[a-c]+", "xCbA", {2, 3}},
      {"[^a]", "Aab", {3, 1}},      // the negated class leaves out both cases
      {"\\x41", "a", {1, 1}},       // escapes keep their meaning, then fold
      {"Ω", "ω", {1, 2}},
      {"я", "Я", {1, 2}},
      {"ア", "ヂ", {}},             // 83 41 against 83 61: trail bytes never fold
      {"a", "ア", {}},
  };
  for (const auto& c : cases) {
    re.SetRegExp(Sjis(c.pattern));
    EXPECT_EQ(re.Match(Sjis(c.text)), c.expected) << c.pattern << " / " << c.text;
  }
  re.SetIgnoreCase(false);
  re.SetRegExp("abc");
  EXPECT_EQ(re.Match("ABC"), (TMatchResult{}));
}

TEST(RegExpCache, ReusesEntriesAndPushesOutTheOldestButNeverTheEmptyPattern) {
  TAWKStr re;
  EXPECT_EQ(re.PatternCacheCount(), 1u);
  re.SetRegExp("p0");
  re.SetRegExp("q");
  re.SetRegExp("p0");  // found again: no new entry, no reordering
  EXPECT_EQ(re.PatternCacheCount(), 3u);
  EXPECT_EQ(re.CurrentEntry(), 2u);
  EXPECT_EQ(re.PatternCacheText(1), "q");
  for (int i = 1; i <= 29; ++i) re.SetRegExp("p" + std::to_string(i));
  EXPECT_EQ(re.PatternCacheCount(), kPatternCacheSize);
  EXPECT_EQ(re.PatternCacheText(0), "");
  EXPECT_EQ(re.PatternCacheText(1), "p29");
  for (std::size_t i = 0; i < re.PatternCacheCount(); ++i) {
    EXPECT_NE(re.PatternCacheText(i), "p0");  // the oldest inserted went first
  }
  EXPECT_EQ(re.PatternCacheText(kPatternCacheSize - 1), "p1");
  re.SetRegExp("p29");
  EXPECT_EQ(re.Match("xp29"), (TMatchResult{2, 3}));
}

TEST(RegExpCache, SwitchesRecompileTheCurrentPattern) {
  TAWKStr re;
  re.SetRegExp("a");
  re.SetUseFuzzyCharDic(true);
  EXPECT_EQ(re.RegExp(), "a");
  EXPECT_EQ(re.PatternCacheText(re.CurrentEntry()), Sjis("(Ａ|ａ|A|a)"));
  EXPECT_EQ(re.Match(Sjis("ｘＡ")), (TMatchResult{3, 2}));
  re.SetUseFuzzyCharDic(false);
  EXPECT_EQ(re.Match(Sjis("ｘＡ")), (TMatchResult{}));
}

std::vector<std::pair<std::size_t, std::string>> FindAll(std::string_view pattern,
                                                         std::string_view text,
                                                         std::string_view subject) {
  TAWKStrEx re;
  re.SetRegExp(pattern);
  std::vector<TSearchInfo> list{{99, 1, "kept"}};
  const std::size_t n = re.FindAll(text, subject, list);
  EXPECT_EQ(n + 1, list.size());
  std::vector<std::pair<std::size_t, std::string>> out;
  for (std::size_t i = 1; i < list.size(); ++i) {
    EXPECT_EQ(list[i].MatchLen, list[i].MatchText.size());
    out.emplace_back(list[i].MatchPos, list[i].MatchText);
  }
  return out;
}

using Found = std::vector<std::pair<std::size_t, std::string>>;

TEST(RegExpFindAll, ListsEveryNonEmptyMatch) {
  EXPECT_EQ(FindAll("ab", "ababxab", "ababxab"), (Found{{1, "ab"}, {3, "ab"}, {6, "ab"}}));
  EXPECT_EQ(FindAll("x*", "abc", "abc"), Found{});  // empty matches are never listed
  EXPECT_EQ(FindAll("", "abc", "abc"), Found{});
  EXPECT_EQ(FindAll("b*", "abbcb", "abbcb"), (Found{{2, "bb"}, {5, "b"}}));
  // Positions come from the subject, the text from text.
  EXPECT_EQ(FindAll("b", "ABCB", "abcb"), (Found{{2, "B"}, {4, "B"}}));
  EXPECT_EQ(FindAll("^a", "aa\naa", "aa\naa"), (Found{{1, "a"}, {4, "a"}}));
  EXPECT_EQ(FindAll("a\\r?$", "a\r\nba\r\n", "a\r\nba\r\n"), (Found{{1, "a"}, {5, "a"}}));
  EXPECT_EQ(FindAll(Sjis("ソ"), Sjis("ソ\\ソ"), Sjis("ソ\\ソ")),
            (Found{{1, Sjis("ソ")}, {4, Sjis("ソ")}}));
  EXPECT_EQ(FindAll("\\\\", Sjis("ソ\\ソ"), Sjis("ソ\\ソ")), (Found{{3, "\\"}}));
}

}  // namespace
}  // namespace tamber
