// Fuzzy matching: the equivalence table, the rewrite of patterns and the
// synonym hook.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/cp932_codec.h"
#include "search/awk_str.h"
#include "search/preprocessor.h"

namespace tamber {
namespace {

std::string Sjis(std::string_view utf8) { return Utf8ToCp932(utf8); }

std::string Group(const TREDictionary::Row& row) {
  std::string s = "(";
  for (std::size_t i = 0; i < row.size(); ++i) s += (i ? "|" : "") + QuoteRegExp(row[i]);
  return s + ")";
}

TEST(FuzzyDictionary, EveryMemberIsShiftJisAndTheTableKeepsItsOrder) {
  const auto& rows = FuzzyDictionary().Rows();
  ASSERT_EQ(rows.size(), 145u);
  EXPECT_EQ(rows[0], (TREDictionary::Row{Sjis("Ａ"), Sjis("ａ"), "A", "a"}));
  EXPECT_EQ(rows[36], (TREDictionary::Row{Sjis("　"), " "}));
  EXPECT_EQ(rows[38], (TREDictionary::Row{"\"", Sjis("”")}));
  EXPECT_EQ(rows[48], (TREDictionary::Row{Sjis("ー"), Sjis("～"), Sjis("ｰ"), ""}));
  EXPECT_EQ(rows[60], (TREDictionary::Row{"\\", Sjis("￥")}));
  EXPECT_EQ(rows[68], (TREDictionary::Row{",", Sjis("､"), Sjis("、"), Sjis("，")}));
  EXPECT_EQ(rows[144], (TREDictionary::Row{Sjis("ﾟ"), Sjis("゜")}));
  for (const auto& row : rows) {
    for (const std::string& m : row) {
      std::size_t lost = 0;
      Cp932ToUtf8(m, &lost);
      EXPECT_EQ(lost, 0u) << Cp932ToUtf8(m);
      EXPECT_EQ(m.find("\x81\xAC"), std::string::npos) << "a member became 〓";
    }
  }
}

// Each member, typed as a pattern, finds every member of its row in full,
// unless an earlier row claims its first characters.
TEST(FuzzyDictionary, EachRowsMembersFindEachOther) {
  const std::set<std::string> claimedEarlier = {
      Sjis("ー"), Sjis("～"), Sjis("ｰ"),  // row 50 after row 49
      Sjis("うぁ"), Sjis("ウァ"), Sjis("ｳｧ"), Sjis("うぃ"), Sjis("ウィ"), Sjis("ｳｨ"),
      Sjis("うぇ"), Sjis("ウェ"), Sjis("ｳｪ"), Sjis("うぉ"), Sjis("ウォ"), Sjis("ｳｫ"),
      // rows 90 and 91 after the "ヴ" of row 89
      Sjis("ヴェ"), Sjis("う゛ぇ"), Sjis("ウ゛ェ"), Sjis("ｳﾞｪ"),
      Sjis("ヴォ"), Sjis("う゛ぉ"), Sjis("ウ゛ォ"), Sjis("ｳﾞｫ"),
  };
  const std::vector<const TREDictionary*> dicts{&FuzzyDictionary()};
  TAWKStr re;
  re.SetUseFuzzyCharDic(true);
  std::set<std::string> claimed;
  for (const auto& row : FuzzyDictionary().Rows()) {
    const std::string group = Group(row);
    for (const std::string& m : row) {
      if (m.empty()) continue;
      const std::string pattern = QuoteRegExp(m);
      if (ExpandWithDictionaries(pattern, dicts) != group) {
        claimed.insert(m);
        continue;
      }
      re.SetRegExp(pattern);
      for (const std::string& other : row) {
        if (other.empty()) continue;
        EXPECT_EQ(re.Match(other), (TMatchResult{1, other.size()}))
            << Cp932ToUtf8(m) << " should find " << Cp932ToUtf8(other);
      }
    }
  }
  EXPECT_EQ(claimed, claimedEarlier);
}

TEST(FuzzyRewrite, ExpandsCharactersOutsideClassesOnly) {
  const std::vector<const TREDictionary*> dicts{&FuzzyDictionary()};
  const struct {
    std::string_view pattern, expanded;
  } cases[] = {
      {"ｶﾞ", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"か゛", "(が|ガ|ｶﾞ|か゛|カ゛)"},
      {"[あ]", "[あ]"},
      {"[^あ]", "[^あ]"},
      {"漢字", "漢字"},
      {"b", "(Ｂ|ｂ|B|b)"},
      {"1", "(1|１|一|①|Ⅰ|壱)"},
      {"4", "(4|４|四|④|Ⅳ)"},
      {"ー", "(ー|～|ｰ|)"},
      {"－", "(-|ー|－|～|ｰ)"},
      {"\\.", "(｡|\\.|。|．)"},
      {".", "."},                          // an operator stays an operator
      {"\\(", "(\\(|（)"},
      {"\\\\", "(\\\\|￥)"},
      {"ア+", "(あ|ア|ｱ|ぁ|ァ|ｧ)+"},
      {"うぁ", "(う|ウ|ｳ|ぅ|ゥ|ｩ)(あ|ア|ｱ|ぁ|ァ|ｧ)"},
      {"ソ", "(そ|ソ|ｿ)"},                // 83 5C is one character
      {"ポ", "(ぽ|ポ|ﾎﾟ|ほ゜|ホ゜)"},     // 83 7C too
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExpandWithDictionaries(Sjis(c.pattern), dicts), Sjis(c.expanded)) << c.pattern;
  }
}

TEST(FuzzyRewrite, MatchesAcrossForms) {
  TAWKStr re;
  re.SetUseFuzzyCharDic(true);
  const struct {
    std::string_view pattern, text;
    TMatchResult expected;
  } cases[] = {
      {"ｶﾞｷﾞ", "xガぎ", {2, 4}},
      {"コーヒー", "こひ", {1, 4}},         // the long vowel may be missing
      {"コーヒー", "ｺｰﾋｰ", {1, 4}},
      {"ア+", "あぁアｧx", {1, 7}},
      {"ソフト", "そふと", {1, 6}},
      {"ソフト", "ｿﾌﾄ", {1, 3}},
      {"１２", "一②", {1, 4}},
      {"abc", "ＡbＣ", {1, 5}},
      {"[ソ]", "そ", {}},                   // classes are left alone
  };
  for (const auto& c : cases) {
    re.SetRegExp(Sjis(c.pattern));
    EXPECT_EQ(re.Match(Sjis(c.text)), c.expected) << c.pattern << " / " << c.text;
  }
}

TEST(FuzzyRewrite, SynonymsRunFirstAndOnlyWhenSwitchedOn) {
  TREDictionary synonyms;
  synonyms.AddRow(Sjis("猫,ねこ,cat"));
  TAWKStr re;
  re.PreProcessor().SynonymDictionaries().push_back(&synonyms);
  re.SetRegExp(Sjis("猫"));
  EXPECT_EQ(re.Match("cat"), (TMatchResult{}));
  re.SetUseSynonymDic(true);
  EXPECT_EQ(re.Match("a cat"), (TMatchResult{3, 3}));
  re.SetUseFuzzyCharDic(true);  // then the fuzzy pass widens each member
  EXPECT_EQ(re.Match(Sjis("ネコ")), (TMatchResult{1, 4}));
  EXPECT_EQ(re.Match(Sjis("ＣＡＴ")), (TMatchResult{1, 6}));
}

TEST(CommaText, SplitsQuotedAndBareMembers) {
  EXPECT_EQ(ParseCommaText(" a , \"b,c\" ,d,"), (std::vector<std::string>{"a", "b,c", "d", ""}));
  EXPECT_EQ(ParseCommaText("\"\"\"x\"\"\""), (std::vector<std::string>{"\"x\""}));
  EXPECT_EQ(ParseCommaText("a b"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(ParseCommaText(""), (std::vector<std::string>{}));
}

}  // namespace
}  // namespace tamber
