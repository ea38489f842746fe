#include "editor/refolder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "encoding/cp932_codec.h"
#include "support/bytes.h"

namespace tamber {
namespace {

struct Row {
  std::string text;
  bool folded;  // else a line break follows (or the text ends)
  bool operator==(const Row&) const = default;
};

// Every row of text, folded from scratch: the reference.
std::vector<Row> FoldText(std::string_view text, const std::optional<FoldRules>& rules) {
  std::vector<Row> rows;
  TRefolder r(rules);
  r.Run(text, [](std::size_t, std::string_view&, bool&) { return false; },
        [&](std::string_view t, bool folded) { rows.push_back({std::string(t), folded}); });
  return rows;
}

std::string Join(const std::vector<Row>& rows, std::size_t from, std::size_t to) {
  std::string s;
  for (std::size_t i = from; i < to; ++i) {
    s += rows[i].text;
    if (!rows[i].folded) s += "\r\n";
  }
  return s;
}

FoldRules Rules(unsigned flags, int w) {
  TTextEditorWrapOption o;
  o.SetWrapByte(w);
  o.SetWordBreak(flags & 1);
  o.SetFollowPunctuation(flags & 2);
  o.SetLeading(flags & 4);
  o.SetFollowRetMark(flags & 8);
  return MakeFoldRules(o, 4);
}

TEST(Refolder, SplitsTextLikeLineBreaks) {
  const std::pair<std::string, std::vector<Row>> cases[] = {
      {"", {}},
      {"a\r\nb", {{"a", false}, {"b", false}}},
      {"a\rb\nc\r\n", {{"a", false}, {"b", false}, {"c", false}}},
      {"\n\r\n", {{"", false}, {"", false}}},
  };
  for (const auto& [text, rows] : cases) EXPECT_EQ(FoldText(text, std::nullopt), rows) << test::ToHex(text);
  // Folded, an empty text is one empty row.
  EXPECT_EQ(FoldText("", Rules(0, 20)), (std::vector<Row>{{"", false}}));
}

// An edit replaces rows [row, row + count) by new text; the refolder starts at
// the row before when that row folds into the edited one, and is given the old
// rows after the edit. Old rows kept plus new rows must equal a full refold.
TEST(Refolder, RefoldingAnEditEqualsFoldingTheWholeText) {
  const std::string pieces[] = {"a", "bc", " ", "\t", ".", "\r\n", Utf8ToCp932("漢字"), Utf8ToCp932("「"),
                                Utf8ToCp932("」"), Utf8ToCp932("。"), Utf8ToCp932("ｶ"), "word"};
  std::mt19937 rng(11);
  auto randomText = [&](std::size_t n) {
    std::string s;
    while (s.size() < n) s += pieces[rng() % std::size(pieces)];
    return s;
  };
  std::size_t stoppedEarly = 0;
  for (int n = 0; n < 1500; ++n) {
    const std::optional<FoldRules> rules =
        rng() % 5 == 0 ? std::nullopt : std::optional<FoldRules>(Rules(rng() % 16, rng() % 2 ? 20 : 33));
    const std::string oldText = randomText(rng() % 600);
    const std::vector<Row> old = FoldText(oldText, rules);
    if (old.empty()) continue;
    const std::size_t row = rng() % old.size();
    const std::size_t count = std::min<std::size_t>(rng() % 3, old.size() - row);
    const std::string inserted = randomText(rng() % 8);
    if (count == 0 && inserted.empty()) continue;
    const std::size_t first = row > 0 && old[row - 1].folded ? row - 1 : row;
    // Deleting whole lines at the end of the text is a plain removal of rows.
    if (first == row && inserted.empty() && row + count == old.size()) continue;

    std::string edited = Join(old, first, row) + inserted;
    std::vector<Row> result(old.begin(), old.begin() + static_cast<std::ptrdiff_t>(first));
    TRefolder refolder(rules);
    const std::size_t tailFrom = row + count;
    const TRefolder::Result r = refolder.Run(
        edited,
        [&](std::size_t i, std::string_view& text, bool& lineBreak) {
          if (tailFrom + i >= old.size()) return false;
          text = old[tailFrom + i].text;
          lineBreak = !old[tailFrom + i].folded;
          return true;
        },
        [&](std::string_view t, bool folded) { result.push_back({std::string(t), folded}); });
    ASSERT_EQ(r.newRows, result.size() - first);
    result.insert(result.end(), old.begin() + static_cast<std::ptrdiff_t>(tailFrom + r.consumedTail), old.end());
    stoppedEarly += r.stopped && tailFrom + r.consumedTail < old.size();

    const std::string newText = Join(old, 0, row) + inserted + Join(old, tailFrom, old.size());
    std::vector<Row> expected = FoldText(newText, rules);
    // The caller gives the final row of the text its own attribute.
    if (!result.empty() && !r.stopped) result.back().folded = false;
    if (!expected.empty()) expected.back().folded = false;
    ASSERT_EQ(result.size(), expected.size()) << "case " << n << ": " << test::ToHex(newText) << " old "
        << test::ToHex(oldText) << " row " << row << " count " << count << " first " << first << " consumed "
        << r.consumedTail << " stopped " << r.stopped << " wrap " << rules.has_value();
    for (std::size_t i = 0; i < expected.size(); ++i)
      ASSERT_EQ(result[i], expected[i]) << "case " << n << " row " << i << ": " << test::ToHex(newText);
  }
  EXPECT_GT(stoppedEarly, 500u);  // most edits keep the rows after them
}

TEST(Refolder, TypingInALongLineRefoldsOnlyNearbyRows) {
  // Words of mixed widths, as prose has them (a strictly periodic line may
  // never fold the same way again after an insertion).
  const std::string words[] = {Utf8ToCp932("日本語の"), "text", " ", Utf8ToCp932("、"), "ab", Utf8ToCp932("ｶﾅ")};
  std::mt19937 rng(3);
  std::string line;
  while (line.size() < 30000) line += words[rng() % std::size(words)];
  const FoldRules rules = Rules(0, 80);
  const std::vector<Row> old = FoldText(line, rules);
  const std::size_t row = old.size() / 2;
  std::size_t pulled = 0;
  TRefolder refolder(rules);
  std::size_t emitted = 0;
  const auto r = refolder.Run(
      Join(old, row - 1, row) + "x" + old[row].text,
      [&](std::size_t i, std::string_view& text, bool& lineBreak) {
        pulled = std::max(pulled, i + 1);
        if (row + 1 + i >= old.size()) return false;
        text = old[row + 1 + i].text;
        lineBreak = !old[row + 1 + i].folded;
        return true;
      },
      [&](std::string_view, bool) { ++emitted; });
  EXPECT_TRUE(r.stopped);
  EXPECT_LE(emitted, 12u);
  EXPECT_LE(pulled, 14u);
}

}  // namespace
}  // namespace tamber
