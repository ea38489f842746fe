#include "editor/line_folder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "support/bytes.h"

namespace tamber {
namespace {

std::string S(std::string_view utf8) { return Utf8ToCp932(utf8); }
std::string N(std::size_t n, char c) { return std::string(n, c); }
std::string N(std::size_t n, std::string_view utf8) {
  std::string out;
  for (std::size_t i = 0; i < n; ++i) out += S(utf8);
  return out;
}

enum Flag : unsigned { kWordBreak = 1, kPunct = 2, kLeading = 4, kRetMark = 8 };

FoldRules Rules(unsigned flags, int w = 20, int tab = 8) {
  TTextEditorWrapOption o;
  o.SetWrapByte(w);
  o.SetWordBreak(flags & kWordBreak);
  o.SetFollowPunctuation(flags & kPunct);
  o.SetLeading(flags & kLeading);
  o.SetFollowRetMark(flags & kRetMark);
  return MakeFoldRules(o, tab);
}

// The rows of the line; checks that all but the last are folded.
std::vector<std::string> Fold(std::string_view line, const FoldRules& rules) {
  TLineFolder folder(rules);
  folder.Start(line);
  std::vector<std::string> rows;
  FoldedRow row;
  std::size_t expectedBegin = 0;
  while (folder.Next(row)) {
    EXPECT_EQ(row.begin, expectedBegin);
    rows.emplace_back(line.substr(row.begin, row.end - row.begin));
    expectedBegin = row.end;
    if (!row.folded) {
      EXPECT_FALSE(folder.Next(row)) << "a row after the end of the line";
    }
  }
  EXPECT_EQ(expectedBegin, line.size());
  EXPECT_EQ(WrappedRowCount(line, rules), rows.size());
  return rows;
}

std::string Show(const std::vector<std::string>& rows) {
  std::string out;
  for (const std::string& r : rows) out += "[" + Cp932ToUtf8(r) + "]";
  return out;
}

struct FoldCase {
  const char* what;
  std::string line;
  unsigned flags;
  std::vector<std::string> rows;
};

// Width 20 throughout: the line-breaking rules step back only beyond column
// 16, the word break stops at column 6.
TEST(LineFolder, FoldsByTheLineBreakingRules) {
  const std::string a19 = N(19, 'a'), a20 = N(20, 'a');
  const FoldCase cases[] = {
      {"empty line", "", 0, {""}},
      {"narrower than the width", a19, 0, {a19}},
      {"exact fill leaves an empty row", a20, 0, {a20, ""}},
      {"exact fill keeps its break", a20, kRetMark, {a20}},
      {"exact fill of double-byte text", N(10, "あ"), 0, {N(10, "あ"), ""}},
      {"exact fill of double-byte text, kept", N(10, "あ"), kRetMark, {N(10, "あ")}},
      {"exact fill of a later row", N(40, 'a'), kRetMark, {a20, a20}},
      {"plain cut", N(45, 'a'), 0, {a20, a20, "aaaaa"}},
      {"double-byte character across the margin", a19 + S("漢字"), 0, {a19, S("漢字")}},
      {"tab stops at the margin", N(18, 'a') + "\tbc", 0, {N(18, 'a') + "\t", "bc"}},
      {"tab then tab", N(17, 'a') + "\t\tb", 0, {N(17, 'a') + "\t", "\tb"}},
      {"half-width kana are single columns", N(25, "ｶ"), 0, {N(20, "ｶ"), N(5, "ｶ")}},
      {"long word cut at the margin without word break", "abc " + N(23, 'x'), 0,
       {"abc " + N(16, 'x'), N(7, 'x')}},
      {"word break after a delimiter, then at a third", "abcdefg " + N(25, 'x'), kWordBreak,
       {"abcdefg ", N(6, 'x'), N(19, 'x')}},
      {"word break never steps back to column 6", "abc " + N(25, 'x'), kWordBreak,
       {"abc xx", N(6, 'x'), N(17, 'x')}},
      {"word break after a double-byte character", N(6, "漢") + N(12, 'b'), kWordBreak,
       {N(6, "漢"), N(12, 'b')}},
      {"word break after a tab", "abcdefghij\tklmnopqrstuv", kWordBreak,
       {"abcdefghij\t", "klmnopqrstuv"}},
      {"half-width kana words", S("ｱｲｳｴｵ ") + N(20, "ｶ"), kWordBreak,
       {S("ｱｲｳｴｵ "), N(20, "ｶ"), ""}},
      {"word ending at the margin moves along", N(17, 'a') + " bc d", kWordBreak, {N(17, 'a') + " ", "bc d"}},
      {"punctuation does not hang when off", a20 + S("。b"), 0, {a20, S("。b")}},
      {"punctuation hangs two columns", a20 + S("。b"), kPunct, {a20 + S("。"), "b"}},
      {"single-byte punctuation hangs", a20 + ",.x", kPunct, {a20 + ",.", "x"}},
      {"punctuation hangs three columns after a pushed character", a19 + S("。。b"), kPunct,
       {a19 + S("。。"), "b"}},
      {"hanging punctuation fills the line", a20 + S("。"), kPunct | kRetMark, {a20 + S("。")}},
      {"row does not end with an opening bracket", N(18, 'a') + S("「") + N(4, 'b'), kLeading,
       {N(18, 'a'), S("「") + N(4, 'b')}},
      {"opening brackets without the rule", N(18, 'a') + S("「") + N(4, 'b'), 0,
       {N(18, 'a') + S("「"), N(4, 'b')}},
      {"closing bracket takes the character before it", a19 + S("x」b"), kLeading,
       {a19, S("x」b")}},
      {"closing after double-byte text", N(10, "あ") + S("」"), kLeading,
       {N(9, "あ"), S("あ」")}},
      {"the rule stops beyond column 16", N(16, 'a') + N(6, "」") + "b", kLeading,
       {N(16, 'a'), N(6, "」") + "b"}},
      {"single-byte closing that ends the line", a20 + ")", kLeading, {a19, "a)"}},
      {"a closing after hung punctuation undoes the hang", a20 + S("。」b"), kPunct | kLeading,
       {a19, S("a。」b")}},
      {"a closing one column past the widest row", a19 + S("。。」"), kPunct | kLeading,
       {N(18, 'a'), S("a。。」")}},
      {"a closing after a tab takes the tab along", N(16, 'a') + "b\t" + S("」x"), kLeading,
       {N(16, 'a') + "b", "\t" + S("」x")}},
      {"half-width opening and closing", N(18, 'a') + S("｢ｱ｣") + N(3, 'b'), kLeading,
       {N(18, 'a'), S("｢ｱ｣") + N(3, 'b')}},
  };
  for (const FoldCase& c : cases)
    EXPECT_EQ(Show(Fold(c.line, Rules(c.flags))), Show(c.rows)) << c.what;
}

TEST(LineFolder, WidthAndTabWidthComeFromTheRules) {
  // Width 78, tab 8: the tab at column 76 takes the two columns left to the margin.
  const std::string line = N(76, 'a') + "\tbcd";
  EXPECT_EQ(Show(Fold(line, Rules(0, 78))), Show({N(76, 'a') + "\t", "bcd"}));
  EXPECT_EQ(Show(Fold(N(79, 'a'), Rules(0, 80))), Show({N(79, 'a')}));
  EXPECT_EQ(Show(Fold(N(79, 'a') + S("漢"), Rules(0, 80))), Show({N(79, 'a'), S("漢")}));
  // W = 80: the line-breaking rules stop beyond column 64.
  EXPECT_EQ(Show(Fold(N(64, 'a') + N(10, "」"), Rules(kLeading, 80))),
            Show({N(64, 'a'), N(10, "」")}));
  // Tab width 4 at the margin: the tab fits whole.
  EXPECT_EQ(Show(Fold(N(16, 'a') + "\tb", Rules(0, 20, 4))), Show({N(16, 'a') + "\t", "b"}));
}

// Properties over a generated corpus of mixed Japanese and ASCII lines.
TEST(LineFolder, GeneratedLinesKeepEveryFoldingProperty) {
  const std::string pieces[] = {
      "a",      "b",       "word",     " ",       "\t",      ",",        ".",      ")",     "(",
      S("あ"),  S("漢字"), S("「"),    S("」"),   S("。"),   S("、"),    S("（"),  S("）"), S("ー"),
      S("ｱ"),   S("ｶﾞ"),   S("｡"),     S("｢"),    S("｣"),    S("　"),    "x_y",    "0x1F",  S("表示"),
  };
  std::mt19937 rng(7);
  const int widths[] = {20, 21, 37, 80};
  const int tabs[] = {2, 4, 8};
  const TTextEditorWrapOption defaults;
  for (int n = 0; n < 3000; ++n) {
    std::string line;
    const std::size_t len = n == 0 ? 60000 : rng() % 300;
    while (line.size() < len) line += pieces[rng() % std::size(pieces)];
    const unsigned flags = rng() % 16;
    const int w = widths[rng() % 4];
    const FoldRules rules = Rules(flags, w, tabs[rng() % 3]);
    TLineFolder folder(rules);
    folder.Start(line);
    std::vector<FoldedRow> rows;
    for (FoldedRow row; folder.Next(row);) rows.push_back(row);
    SCOPED_TRACE(::testing::Message() << "line " << n << " flags " << flags << " width " << w << ": "
                                      << test::ToHex(line));
    ASSERT_FALSE(rows.empty());
    std::string joined;
    const std::size_t limit = static_cast<std::size_t>(w) / 5 * 4;
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const FoldedRow& r = rows[i];
      const std::string_view text = std::string_view(line).substr(r.begin, r.end - r.begin);
      joined += text;
      const bool last = i + 1 == rows.size();
      ASSERT_EQ(r.folded, !last);
      ASSERT_FALSE(IsDBCS2(line, static_cast<std::ptrdiff_t>(r.end) + 1)) << "row " << i << " splits a character";
      ASSERT_LE(DisplayWidth(text, rules.columns), static_cast<std::size_t>(w) + 3) << "row " << i;
      if (text.empty()) {
        ASSERT_TRUE(line.empty() || (last && i > 0 && !(flags & kRetMark))) << "empty row " << i;
      }
      if (last || !(flags & kLeading) || r.end == line.size()) continue;
      // A row ends with an opening character, or the next begins with a
      // closing one, only where the rule may not step back any further (a
      // row that the line fills exactly has nothing to keep together).
      std::size_t lastStart = r.begin;
      for (std::size_t p = r.begin; p < r.end; p += CharLength(line, p)) lastStart = p;
      const std::string_view lastChar = std::string_view(line).substr(lastStart, r.end - lastStart);
      const std::string_view nextChar =
          std::string_view(line).substr(r.end, CharLength(line, r.end));
      if (ContainsChar(lastChar, defaults.LeadStr()) || ContainsChar(nextChar, defaults.FollowStr())) {
        ASSERT_LT(ByteToColumn(text, lastStart - r.begin, rules.columns), limit) << "row " << i;
      }
    }
    ASSERT_EQ(joined, line);
  }
}

}  // namespace
}  // namespace tamber
