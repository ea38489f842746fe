#include <gtest/gtest.h>

#include <functional>

#include "support/bytes.h"
#include "view_support.h"

namespace tamber::test {
namespace {

const std::string kNichi = Hex("93 FA");  // 日
const std::string kHon = Hex("96 7B");    // 本

struct MoveCase {
  const char* name;
  std::string text;
  std::function<void(TTextEditorCaret&)> options;
  Pos from;
  const char* keys;
  Pos to;
};

void NoOptions(TTextEditorCaret&) {}
void Bounded(TTextEditorCaret& c) { c.SetFreeCaret(false); }
void BoundedNextLine(TTextEditorCaret& c) {
  c.SetFreeCaret(false);
  c.SetNextLine(true);
}
void FreeNextLine(TTextEditorCaret& c) { c.SetNextLine(true); }
void InTab(TTextEditorCaret& c) { c.SetInTab(true); }

TEST(CaretKeys, MoveTheCaretByCharactersRowsAndEnds) {
  const std::string wide = "a" + kNichi + kHon + "b";
  const MoveCase cases[] = {
      {"Right steps over a double-byte character", wide, NoOptions, {0, 1}, "Right", {0, 3}},
      {"Left steps back over it", wide, NoOptions, {0, 5}, "Left Left", {0, 1}},
      {"Right past a tab", "a\tb", NoOptions, {0, 1}, "Right", {0, 8}},
      {"Left onto a tab's first column", "a\tb", NoOptions, {0, 8}, "Left", {0, 1}},
      {"InTab lets the caret into the padding", "a\tb", InTab, {0, 8}, "Left", {0, 7}},
      {"a bounded caret holds at the row end", "ab\r\ncd", Bounded, {0, 2}, "Right", {0, 2}},
      {"NextLine crosses the break", "ab\r\ncd", BoundedNextLine, {0, 2}, "Right", {1, 0}},
      {"a free caret runs past the end", "ab\r\ncd", NoOptions, {0, 2}, "Right Right", {0, 4}},
      {"Left at column 0 stays without NextLine", "ab\r\ncd", NoOptions, {1, 0}, "Left", {1, 0}},
      {"Left at column 0 with NextLine", "ab\r\ncd", FreeNextLine, {1, 0}, "Left", {0, 2}},
      {"Right on the final row does not leave it", "ab", BoundedNextLine, {0, 2}, "Right", {0, 2}},
      {"End and Home", "abc\r\nd", NoOptions, {0, 1}, "End", {0, 3}},
      {"Home", "abc\r\nd", NoOptions, {0, 2}, "Home", {0, 0}},
      {"Ctrl+End after a final break", "ab\r\ncd\r\n", NoOptions, {0, 1}, "C-End", {2, 0}},
      {"Ctrl+End without a final break", "ab\r\ncd", NoOptions, {0, 1}, "C-End", {1, 2}},
      {"Ctrl+Home", "ab\r\ncd", NoOptions, {1, 2}, "C-Home", {0, 0}},
      {"Down from the final row stays", "ab\r\ncd", NoOptions, {1, 1}, "Down", {1, 1}},
      {"Down onto a trail byte steps back, Up returns", "abc\r\n" + kNichi + kHon, NoOptions, {0, 1},
       "Down", {1, 0}},
      {"... and Up returns to the column", "abc\r\n" + kNichi + kHon, NoOptions, {0, 1}, "Down Up", {0, 1}},
      {"End stops at column 1000", std::string(1005, 'a'), NoOptions, {0, 0}, "End", {0, 1000}},
      {"a double-byte character at column 1000 is passed whole", std::string(1000, 'a') + kNichi,
       NoOptions, {0, 0}, "End", {0, 1002}},
  };
  for (const MoveCase& c : cases) {
    TTextEditor e;
    LayOut(e);
    SetText(e, c.text);
    c.options(e.Caret());
    e.SetRowCol(c.from.row, c.from.col);
    ASSERT_EQ(CaretOf(e), c.from) << c.name;
    Press(e, c.keys);
    EXPECT_EQ(CaretOf(e), c.to) << c.name;
  }
}

TEST(CaretKeys, VerticalMovesKeepTheColumnAsTheOptionsSay) {
  const std::string text = std::string(50, 'x') + "\r\n" + std::string(10, 'y') + "\r\n" + std::string(60, 'z');
  struct Case {
    bool keep, freeRow;
    Pos middle, end;
  } cases[] = {
      {true, false, {1, 10}, {2, 40}},   // remembered through the short row
      {false, false, {1, 10}, {2, 10}},  // shortened for good
      {false, true, {1, 40}, {2, 40}},   // keys keep the column past the end
  };
  for (const Case& c : cases) {
    TTextEditor e;
    LayOut(e);
    SetText(e, text);
    e.Caret().SetFreeCaret(false);
    e.Caret().SetKeepCaret(c.keep);
    e.Caret().SetFreeRow(c.freeRow);
    e.SetRowCol(0, 40);
    Press(e, "Down");
    EXPECT_EQ(CaretOf(e), c.middle) << c.keep << c.freeRow;
    Press(e, "Down");
    EXPECT_EQ(CaretOf(e), c.end) << c.keep << c.freeRow;
  }
}

std::string Rows(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "row" + std::to_string(i) + "\r\n";
  return s;
}

TEST(CaretKeys, PageKeysScrollHalfWindowsAndCarryTheCaret) {
  TTextEditor e;
  LayOut(e);
  e.SetVisibleSize(31, 40);
  SetText(e, Rows(200));
  e.SetRowCol(5, 2);
  Press(e, "PgDn");
  EXPECT_EQ(e.TopRow(), 30);
  EXPECT_EQ(CaretOf(e), (Pos{35, 2}));
  e.Speed().PageVerticalRangeAc = 4;
  Press(e, "PgDn*");
  EXPECT_EQ(e.TopRow(), 90);
  EXPECT_EQ(e.Row(), 95);
  Press(e, "PgUp PgUp PgUp PgUp");
  EXPECT_EQ(e.TopRow(), 0);
  EXPECT_EQ(e.Row(), 0);  // at the top, PageUp takes the caret to row 0
}

TEST(CaretKeys, RepeatedVerticalKeysAccelerateAtTheWindowEdge) {
  TTextEditor e;
  LayOut(e);
  SetText(e, Rows(50));
  e.SetRow(9);  // the window's last row
  Press(e, "Down*");
  EXPECT_EQ(e.Row(), 11);
  EXPECT_EQ(e.TopRow(), 2);
  Press(e, "Down");
  EXPECT_EQ(e.Row(), 12);
  Press(e, "Up* Up*");  // away from the top edge: one row a step
  EXPECT_EQ(e.Row(), 10);
}

TEST(CaretKeys, CtrlUpAndDownScrollAndDragTheCaretAlong) {
  TTextEditor e;
  LayOut(e);
  SetText(e, Rows(50));
  Press(e, "C-Down C-Down");
  EXPECT_EQ(e.TopRow(), 2);
  EXPECT_EQ(e.Row(), 2);
  e.SetRow(11);
  Press(e, "C-Up");
  EXPECT_EQ(e.TopRow(), 1);
  EXPECT_EQ(e.Row(), 10);
}

TEST(CaretScroll, HorizontalScrollingJumpsAQuarterWindow) {
  TTextEditor e;
  LayOut(e);  // 40 columns
  SetText(e, std::string(200, 'a'));
  e.SetCol(40);
  EXPECT_EQ(e.TopCol(), 10);
  Press(e, "End");
  EXPECT_EQ(e.TopCol(), 161);
  e.SetCol(155);
  EXPECT_EQ(e.TopCol(), 151);
  Press(e, "Home");
  EXPECT_EQ(e.TopCol(), 0);
  e.SetTopCol(5000);
  EXPECT_EQ(e.TopCol(), TTextEditor::kMaxCol - 20);
}

TEST(CaretScroll, TopRowStaysInsideTheRowsAndReportsChanges) {
  TTextEditor e;
  LayOut(e);
  SetText(e, Rows(5));
  int tops = 0;
  e.OnTopRowChange = [&](TTextEditor&) { ++tops; };
  e.SetTopRow(99);
  EXPECT_EQ(e.TopRow(), 5);
  e.SetTopRow(5);
  e.SetTopRow(-4);
  EXPECT_EQ(e.TopRow(), 0);
  EXPECT_EQ(tops, 2);
}

TEST(CaretRefresh, OneReportPerKeyAndNoneInsideALinesUpdate) {
  TTextEditor e;
  LayOut(e);
  SetText(e, "a" + kNichi + "\r\nb\tc\r\n");
  int moved = 0;
  e.OnCaretMoved = [&](TTextEditor&) { ++moved; };
  Press(e, "C-End");
  EXPECT_EQ(moved, 1);
  e.Lines().BeginUpdate();
  e.SetRowCol(0, 2);
  e.SetRowCol(1, 3);
  EXPECT_EQ(moved, 1);
  e.Lines().EndUpdate();
  EXPECT_EQ(moved, 2);
  EXPECT_EQ(CaretOf(e), (Pos{1, 1}));  // snapped out of the tab
}

TEST(CaretRows, RowIsClampedToWhereACaretCanStand) {
  TTextEditor e;
  SetText(e, "ab\r\ncd");
  e.SetRow(7);
  EXPECT_EQ(e.Row(), 1);  // the final row has no break after it
  SetText(e, "ab\r\ncd\r\n");
  e.SetRow(7);
  EXPECT_EQ(e.Row(), 2);
  e.SetRow(-1);
  EXPECT_EQ(e.Row(), 0);
}

TEST(CaretShape, CellFollowsModeStyleAndCharacter) {
  TTextEditor e;
  LayOut(e);
  e.SetFocused(true);
  SetText(e, "a" + kNichi);
  e.SetRowCol(0, 1);
  const int x = 20 + 8, y = 10;
  EXPECT_EQ(e.CaretShape(), (TCaretRect{x, y, 2, 14}));
  e.SetOverWrite(true);
  EXPECT_EQ(e.CaretShape(), (TCaretRect{x, y, 16, 14}));  // two cells over a lead byte
  e.SetOverWrite(false);
  e.Caret().SetStyle(csBrief);
  e.SetRowCol(0, 0);
  EXPECT_EQ(e.CaretShape(), (TCaretRect{20, y + 14, 8, 2}));
  EXPECT_TRUE(e.CaretShown());
  e.SetFocused(false);
  EXPECT_FALSE(e.CaretShown());
}

TEST(CaretColumns, LogicalColumnCountsBytes) {
  TTextEditor e;
  SetText(e, "\t" + kNichi + "x");
  EXPECT_EQ(e.LogicalColumn(0, 0), 0);
  EXPECT_EQ(e.LogicalColumn(0, 5), 0);   // inside the tab
  EXPECT_EQ(e.LogicalColumn(0, 8), 1);
  EXPECT_EQ(e.LogicalColumn(0, 9), 1);   // the trail byte's column
  EXPECT_EQ(e.LogicalColumn(0, 10), 3);
}

TEST(SplitView, EachViewKeepsItsOwnCaretAndSelection) {
  auto first = std::make_unique<TTextEditor>();
  TTextEditor second;
  LayOut(*first);
  LayOut(second);
  SetText(*first, Rows(30));
  second.AttachText(*first);
  ASSERT_EQ(&second.Text(), &first->Text());
  EXPECT_EQ(first->Text().Editors().size(), 2u);

  Press(*first, "Down Down S-Right S-Right");
  Press(second, "C-End");
  EXPECT_EQ(CaretOf(*first), (Pos{2, 2}));
  EXPECT_TRUE(first->Selected());
  EXPECT_EQ(CaretOf(second), (Pos{30, 0}));
  EXPECT_FALSE(second.Selected());
  EXPECT_EQ(second.TopRow(), 21);
  EXPECT_EQ(first->TopRow(), 0);

  // An edit through either view is the other's text too.
  second.Lines().Put(0, "changed");
  EXPECT_EQ(first->Text().RowTextAt(0), "changed");
  EXPECT_TRUE(first->Modified() && second.Modified());

  first.reset();  // the text lives on with its last view
  EXPECT_EQ(second.Text().Editors().size(), 1u);
  EXPECT_EQ(second.Text().RowTextAt(0), "changed");
}

}  // namespace
}  // namespace tamber::test
