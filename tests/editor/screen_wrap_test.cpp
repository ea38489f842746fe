#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/row_loader.h"
#include "editor/screen_strings.h"
#include "encoding/cp932_codec.h"
#include "support/fake_view.h"

namespace tamber {
namespace {

using test::FakeView;

RowStore RowsOf(std::string_view text) {
  RowLoader l;
  l.Feed(text);
  return l.Finish();
}

std::vector<std::string> RowTexts(const TTextEditorScreenStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i) + "BFLN"[s.RowAttribute(i)]);
  return out;
}

class ScreenWrapTest : public ::testing::Test {
 protected:
  void SetUp() override {
    text.AttachView(&view);
    text.WrapOption().SetWrapByte(20);
  }
  TTextEditorScreenStrings text;
  FakeView view;
};

TEST_F(ScreenWrapTest, SwitchingFoldsAndJoinsRowsAndKeepsMarksOnTheirLines) {
  const std::string body = std::string(45, 'a') + "\r\nshort\r\n" + std::string(20, 'b');
  text.SetAllRows(RowsOf(body));
  text.SetRowMarks(0, BookmarkBit(1));
  text.SetRowMarks(2, BookmarkBit(2));
  text.ReplaceRows(1, 1, "shorter\r\n");
  ASSERT_TRUE(text.CanUndo());
  const auto unwrapped = RowTexts(text);
  view.caretRow = 2;
  view.caretCol = 5;
  text.SetWordWrap(true);
  EXPECT_EQ(RowTexts(text), (std::vector<std::string>{std::string(20, 'a') + "F", std::string(20, 'a') + "F",
                                                      "aaaaaB", "shorterB", std::string(20, 'b') + "F", "L"}));
  EXPECT_FALSE(text.CanUndo());
  EXPECT_EQ(view.caretCol, 0);
  EXPECT_EQ(text.RowMarks(0), BookmarkBit(1));
  EXPECT_EQ(text.RowMarks(4), BookmarkBit(2));
  EXPECT_EQ(text.LineCount(), 3);
  text.CheckInvariants();
  text.SetWordWrap(false);
  EXPECT_EQ(RowTexts(text), unwrapped);
  EXPECT_EQ(text.RowMarks(0), BookmarkBit(1));
  EXPECT_EQ(text.RowMarks(2), BookmarkBit(2));
}

TEST_F(ScreenWrapTest, AWrapSettingChangeRewrapsOnlyWhileWrapping) {
  text.SetAllRows(RowsOf(std::string(30, 'a') + "\r\n"));
  text.WrapOption().SetWrapByte(25);
  EXPECT_EQ(text.Count(), 1);
  text.SetWordWrap(true);
  EXPECT_EQ(text.Count(), 2);
  text.SetRowMarks(1, ImageMarkBit(0));
  text.WrapOption().SetWrapByte(40);  // fewer rows: the surplus row's marks go to the last
  EXPECT_EQ(RowTexts(text), (std::vector<std::string>{std::string(30, 'a') + "B"}));
  EXPECT_EQ(text.RowMarks(0), ImageMarkBit(0));
  view.loading = true;
  text.WrapOption().SetWrapByte(20);
  EXPECT_EQ(text.Count(), 1);
}

TEST_F(ScreenWrapTest, LoadingAndWrapTextFoldWithWordWrapOn) {
  text.SetWordWrap(true);
  text.SetAllRows(RowsOf(std::string(25, 'x') + "\r\nab"));
  EXPECT_EQ(RowTexts(text), (std::vector<std::string>{std::string(20, 'x') + "F", "xxxxxB", "abL"}));
  TTextEditorStringList list;
  text.WrapText("", list);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(text.WrappedRowCount(std::string(41, 'x')), 3);
}

// Edits refold only what they change; the rows must be those a full rewrap gives.
TEST_F(ScreenWrapTest, EditsLeaveTheRowsAFullRewrapWouldMake) {
  const std::string pieces[] = {"a", "bc", " ", "\t", ".", Utf8ToCp932("漢字"), Utf8ToCp932("「"),
                                Utf8ToCp932("」"), Utf8ToCp932("。"), "word", "\r\n"};
  std::mt19937 rng(5);
  auto randomText = [&](std::size_t n) {
    std::string s;
    while (s.size() < n) s += pieces[rng() % std::size(pieces)];
    return s;
  };
  text.WrapOption().SetLeading(true);
  text.WrapOption().SetFollowPunctuation(true);
  text.SetWordWrap(true);
  text.SetAllRows(RowsOf(randomText(3000)));
  TTextEditorScreenStrings reference;
  reference.WrapOption().Assign(text.WrapOption());
  reference.SetWordWrap(true);
  for (int n = 0; n < 300; ++n) {
    const int row = static_cast<int>(rng() % static_cast<unsigned>(text.Count() + 1));
    const int count = std::min(static_cast<int>(rng() % 3), text.Count() - row);
    text.ReplaceRows(row, count, randomText(rng() % 6));
    text.CheckInvariants();
    reference.SetAllRows(RowsOf(text.GetTextStr()));
    ASSERT_EQ(RowTexts(text), RowTexts(reference)) << "edit " << n << " at " << row << "," << count;
  }
}

}  // namespace
}  // namespace tamber
