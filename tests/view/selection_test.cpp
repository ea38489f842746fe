#include <gtest/gtest.h>

#include <vector>

#include "support/bytes.h"
#include "view_support.h"

namespace tamber::test {
namespace {

const std::string kNichi = Hex("93 FA");  // 日
const std::string kHon = Hex("96 7B");    // 本

TEST(StreamSelection, ShiftKeysExtendFromTheAnchorEitherWay) {
  TTextEditor e;
  LayOut(e);
  SetText(e, "abcdefgh\r\nijklmnop\r\nqrstuvwx\r\n");
  std::vector<bool> reports;
  e.OnSelectionChange = [&](TTextEditor&, bool selected) { reports.push_back(selected); };
  e.SetRowCol(2, 5);
  Press(e, "S-Up S-Up S-Left S-Left");
  EXPECT_EQ(CaretOf(e), (Pos{0, 3}));
  EXPECT_TRUE(e.Selected());
  EXPECT_EQ(e.SelTopRow(), 0);
  EXPECT_EQ(e.SelBottomRow(), 2);
  EXPECT_EQ(e.SelText(), "defgh\r\nijklmnop\r\nqrstu");
  EXPECT_EQ(e.SelStart(), 3);
  EXPECT_EQ(e.SelLength(), 22);

  Press(e, "S-Down S-Down S-Right S-Right S-Right S-Right");  // back past the anchor
  EXPECT_EQ(e.SelText(), "vw");
  EXPECT_EQ(e.SelStart(), 20 + 5);
  EXPECT_EQ(reports, std::vector<bool>(10, true));

  Press(e, "Right");  // a plain key drops the selection
  EXPECT_FALSE(e.Selected());
  EXPECT_EQ(reports.back(), false);
  EXPECT_EQ(e.SelLength(), 0);
  EXPECT_EQ(e.SelStart(), 28);  // the caret's offset
}

TEST(StreamSelection, JapaneseTextIsSelectedByWholeCharacters) {
  TTextEditor e;
  LayOut(e);
  SetText(e, kNichi + kHon + "\r\n" + kHon + "x");
  e.SetRowCol(0, 2);
  Press(e, "S-Right S-Down");
  EXPECT_EQ(CaretOf(e), (Pos{1, 4}));  // past the end of the row
  EXPECT_EQ(e.SelText(), kHon + "\r\n" + kHon + "x");
  EXPECT_EQ(e.SelLength(), 7);
  Press(e, "CS-End S-Left");
  EXPECT_EQ(CaretOf(e), (Pos{1, 2}));
  EXPECT_EQ(e.SelText(), kHon + "\r\n" + kHon);
}

TEST(BoxSelection, CoversTheCharactersThatStartInsideTheColumns) {
  TTextEditor e;
  LayOut(e);
  // columns: a b 日日 本本 c d | tab (8 columns) x | 1..9 | x y
  SetText(e, "ab" + kNichi + kHon + "cd\r\n\tx\r\n123456789\r\nxy");
  int modeChanges = 0;
  e.OnSelectionModeChange = [&](TTextEditor&) { ++modeChanges; };
  e.SetSelectionMode(smBox);
  EXPECT_EQ(modeChanges, 1);
  e.SetRowCol(2, 3);
  Press(e, "S-Up S-Up");  // column 3 is 日's trail byte: the caret stands at 2
  EXPECT_EQ(CaretOf(e), (Pos{0, 2}));
  // A double-byte character starting at the last column is taken whole; a
  // tab that starts left of the box is left out.
  EXPECT_EQ(e.SelText(), kNichi + "\r\n\r\n3\r\n");

  Press(e, "S-Right S-Right");
  EXPECT_EQ(CaretOf(e), (Pos{0, 6}));
  EXPECT_EQ(e.SelStartCol(), 3);
  EXPECT_EQ(e.SelEndCol(), 6);
  EXPECT_EQ(e.SelText(), kHon + "\r\n\r\n456\r\n");
  EXPECT_EQ(e.SelStart(), 4);
  EXPECT_EQ(e.SelLength(), 2 + 2 + 0 + 2 + 3 + 2);

  // Down to the final row, past its end: the column comes back after the tab row.
  Press(e, "S-Down S-Down S-Down");
  EXPECT_EQ(CaretOf(e), (Pos{3, 6}));
  EXPECT_EQ(e.SelText(), "456\r\n\r\n");
  EXPECT_EQ(e.SelLength(), 7);

  e.SetSelectionMode(smNormal);  // the same anchor and caret as a stream
  EXPECT_EQ(e.SelText(), "456789\r\nxy");
}

TEST(SelectionOffsets, SelStartAndSelLengthSelectByOffsets) {
  TTextEditor e;
  LayOut(e);
  SetText(e, "abc\r\n" + kNichi + "de");
  e.SetSelectionMode(smBox);
  e.SetSelStart(1);
  e.SetSelLength(6);
  EXPECT_EQ(e.SelectionMode(), smNormal);
  EXPECT_EQ(e.SelText(), "bc\r\n" + kNichi);
  EXPECT_EQ(CaretOf(e), (Pos{1, 2}));
  EXPECT_EQ(e.SelStart(), 1);
  e.SetSelLength(0);
  EXPECT_FALSE(e.Selected());
  EXPECT_EQ(CaretOf(e), (Pos{0, 1}));
  e.SetSelStart(-5);
  EXPECT_EQ(CaretOf(e), (Pos{0, 0}));
  e.SetSelStart(8);
  EXPECT_EQ(CaretOf(e), (Pos{1, 3}));
}

TEST(SearchHits, EachHitStyleShowsTheHitItsOwnWay) {
  for (const TTextEditorHitStyle style : {hsSelect, hsDraw, hsCaret}) {
    TTextEditor e;
    LayOut(e);
    e.SetFocused(true);
    SetText(e, "find the needle here");
    e.SetHitStyle(style);
    e.SetRowCol(0, 9);
    e.ShowHit(6);
    EXPECT_EQ(e.SelectionState(), style == hsSelect ? sstSelected : sstHit) << style;
    EXPECT_EQ(e.Selected(), style == hsSelect) << style;
    EXPECT_EQ(e.SelLength(), style == hsSelect ? 6 : 0) << style;
    EXPECT_EQ(e.Col(), style == hsCaret ? 9 : 15) << style;
    if (style == hsCaret) {
      EXPECT_EQ(e.CaretShape().Width, 6 * 8);
    }

    e.HitToSelection();
    EXPECT_TRUE(e.Selected()) << style;
    EXPECT_EQ(e.SelText(), "needle") << style;
    EXPECT_EQ(e.Col(), 15) << style;
    EXPECT_EQ(e.CaretShape().Width, 2) << style;
  }
}

TEST(SearchHits, CaretKeysAndAStyleChangeDropAHit) {
  TTextEditor e;
  LayOut(e);
  SetText(e, "find the needle here");
  e.SetHitStyle(hsDraw);
  e.ShowHit(4);
  Press(e, "S-Right");  // a hit is no anchor to extend
  EXPECT_EQ(e.SelectionState(), sstSelected);
  EXPECT_EQ(e.SelText(), " ");
  e.SetHitStyle(hsSelect);
  EXPECT_EQ(e.SelectionState(), sstNone);
  e.SetHitStyle(hsDraw);
  e.ShowHit(4);
  Press(e, "Left");
  EXPECT_EQ(e.SelectionState(), sstNone);
}

TEST(SelectionRules, EmptyTextHasNoSelectionAndAClearDropsIt) {
  TTextEditor e;
  Press(e, "S-Right S-Down");
  EXPECT_EQ(e.SelectionState(), sstNone);
  SetText(e, "abc");
  Press(e, "S-End");
  EXPECT_TRUE(e.Selected());
  e.Lines().Clear();
  EXPECT_EQ(e.SelectionState(), sstNone);
  EXPECT_EQ(CaretOf(e), (Pos{0, 0}));
}

}  // namespace
}  // namespace tamber::test
