#include <gtest/gtest.h>

#include "view_support.h"

namespace tamber::test {
namespace {

class Mouse : public ::testing::Test {
 protected:
  void SetUp() override {
    LayOut(e);
    SetText(e, "hello world\r\nsecond row\r\nthird");
  }
  void Down(int row, int col, TShiftState shift = 0) { e.MouseDown(XOf(e, col), YOf(e, row), shift); }
  void Move(int row, int col, TShiftState shift = ssLeft) { e.MouseMove(XOf(e, col), YOf(e, row), shift); }
  TMouseDrop Up(int row, int col, TShiftState shift = 0) { return e.MouseUp(XOf(e, col), YOf(e, row), shift); }
  void MarginDown(int row) { e.MouseDown(5, YOf(e, row), 0); }
  void SelectHello() {
    e.SetSelStart(0);
    e.SetSelLength(5);
  }
  TTextEditor e;
};

TEST_F(Mouse, PointsBecomeRowsAndRoundedColumns) {
  const TMousePoint p = e.PointAt(20 + 3 * 8 + 5, 10 + 16 + 3);
  EXPECT_EQ(p.Row, 1);
  EXPECT_EQ(p.Col, 3);
  EXPECT_EQ(p.RoundedCol, 4);
  EXPECT_EQ(p.Area, maText);
  const TMousePoint left = e.PointAt(19, 12);
  EXPECT_EQ(left.Area, maLeftMargin);
  EXPECT_EQ(left.Col, 0);
  const TMousePoint above = e.PointAt(30, 2);
  EXPECT_EQ(above.Area, maTopMargin);
  EXPECT_EQ(e.PointAt(30, -20).Row, -2);  // above the window: the rows above the top
  EXPECT_EQ(e.PointAt(5000, 20).Area, maOutside);
}

TEST_F(Mouse, ClickPutsTheCaretAndDraggingSelectsPastTheThreshold) {
  Down(0, 3);
  EXPECT_EQ(CaretOf(e), (Pos{0, 3}));
  EXPECT_EQ(e.SelectionState(), sstStarted);
  e.MouseMove(XOf(e, 3) + 2, YOf(e, 0), ssLeft);  // a tremble is no drag
  EXPECT_FALSE(e.Selected());
  Move(1, 5);
  EXPECT_TRUE(e.Selected());
  EXPECT_EQ(e.SelText(), "lo world\r\nsecon");
  EXPECT_EQ(Up(1, 5), mdNone);
  Move(2, 2, 0);  // moving without the button changes nothing
  EXPECT_EQ(e.SelText(), "lo world\r\nsecon");

  Down(2, 2, ssShift);  // Shift extends from the same anchor
  EXPECT_EQ(e.SelText(), "lo world\r\nsecond row\r\nth");
  Up(2, 2);
  Down(0, 1);
  Up(0, 1);
  Down(0, 4, ssShift);  // from the caret of a plain click
  EXPECT_EQ(e.SelText(), "ell");
}

TEST_F(Mouse, TheLeftMarginSelectsWholeRowsKeepingTheFirstOne) {
  MarginDown(1);
  EXPECT_EQ(e.SelText(), "second row\r\n");
  e.MouseMove(5, YOf(e, 0), ssLeft);
  EXPECT_EQ(e.SelText(), "hello world\r\nsecond row\r\n");
  e.MouseMove(5, YOf(e, 2), ssLeft);
  EXPECT_EQ(e.SelText(), "second row\r\nthird");  // the final row has no break
  e.MouseUp(5, YOf(e, 2), 0);

  SetText(e, "a\r\nb\r\n");
  MarginDown(2);  // the place after the final break counts as the last row
  EXPECT_EQ(e.SelText(), "b\r\n");
  EXPECT_EQ(CaretOf(e), (Pos{2, 0}));
}

TEST_F(Mouse, ASelectionDraggedAwayAsksToBeMovedOrCopied) {
  for (const TShiftState release : {TShiftState{0}, ssCtrl}) {
    SelectHello();
    Down(0, 2);
    EXPECT_EQ(e.DragState(), dsPending);
    EXPECT_EQ(CaretOf(e), (Pos{0, 2}));
    e.MouseMove(XOf(e, 2) + 1, YOf(e, 0), 0);
    EXPECT_EQ(e.DragState(), dsPending);
    Move(1, 4, 0);
    EXPECT_EQ(e.DragState(), dsDragging);
    EXPECT_EQ(e.Cursor(), crDrag);
    e.DragCopyKey(true);
    EXPECT_EQ(e.Cursor(), crDragSelCopy);
    e.DragCopyKey(false);
    e.SetSelectionMode(smBox);  // not while dragging
    EXPECT_EQ(e.SelectionMode(), smNormal);
    EXPECT_EQ(CaretOf(e), (Pos{1, 4}));
    EXPECT_EQ(Up(1, 4, release), release ? mdCopySelection : mdMoveSelection);
    EXPECT_EQ(e.DragState(), dsNone);
    EXPECT_TRUE(e.Selected());  // the editing operation takes it from here
    EXPECT_EQ(CaretOf(e), (Pos{1, 4}));
  }
}

TEST_F(Mouse, ADragThatEndsOnItselfOrIsCancelledOnlyDropsTheSelection) {
  SelectHello();
  Down(0, 1);
  EXPECT_EQ(Up(0, 1), mdNone);  // pressed and released without moving
  EXPECT_EQ(e.SelectionState(), sstNone);
  EXPECT_EQ(CaretOf(e), (Pos{0, 1}));

  SelectHello();
  Down(0, 1);
  Move(0, 3, 0);
  EXPECT_EQ(Up(0, 3), mdNone);  // dropped inside itself
  EXPECT_EQ(e.SelectionState(), sstNone);

  SelectHello();
  Down(0, 1);
  Move(2, 3, 0);
  EXPECT_EQ(e.KeyDown(TEditorKey::Escape, 0), true);
  EXPECT_EQ(e.DragState(), dsNone);
  EXPECT_EQ(e.SelectionState(), sstNone);
  EXPECT_EQ(e.Cursor(), crIBeam);
  EXPECT_EQ(e.MouseUp(XOf(e, 3), YOf(e, 2), 0), mdNone);
}

TEST_F(Mouse, NoOwnDragWhenReadOnlyBoxOrManual) {
  e.SetReadOnly(true);
  SelectHello();
  Down(0, 2);
  EXPECT_EQ(e.DragState(), dsNone);
  EXPECT_EQ(e.SelectionState(), sstStarted);  // a new selection starts instead
  Up(0, 2);
  e.SetReadOnly(false);

  e.Caret().SetSelDragMode(dmManual);
  SelectHello();
  EXPECT_TRUE(e.MouseDown(XOf(e, 2), YOf(e, 0), 0));  // the system drag takes over
  EXPECT_EQ(e.DragState(), dsNone);
  EXPECT_TRUE(e.Selected());
  EXPECT_EQ(CaretOf(e), (Pos{0, 2}));
}

TEST_F(Mouse, TheCursorFollowsTheAreaUnderIt) {
  SelectHello();
  struct Case {
    int x, y;
    TCursor cursor;
  } cases[] = {
      {5, YOf(e, 1), crRightArrow},          // left margin
      {XOf(e, 3), 2, crArrow},               // top margin
      {XOf(e, 2), YOf(e, 0), crArrow},       // over the selection
      {XOf(e, 8), YOf(e, 0), crIBeam},       // text
  };
  for (const Case& c : cases) {
    e.MouseMove(c.x, c.y, 0);
    EXPECT_EQ(e.Cursor(), c.cursor) << c.x << "," << c.y;
  }
  e.Caret().SetAutoCursor(false);
  e.MouseMove(5, YOf(e, 1), 0);
  EXPECT_EQ(e.Cursor(), crIBeam);
}

TEST(MouseScroll, TicksScrollWhileTheButtonIsHeldOutsideTheWindow) {
  TTextEditor e;
  LayOut(e);
  std::string text;
  for (int i = 0; i < 50; ++i) text += "line\r\n";
  SetText(e, text);
  e.MouseDown(XOf(e, 1), YOf(e, 5), 0);
  e.MouseMove(XOf(e, 1), e.Metrics().ClientHeight + 20, ssLeft);  // below the window
  EXPECT_EQ(e.Row(), 11);
  EXPECT_EQ(e.TopRow(), 2);
  EXPECT_TRUE(e.MouseTick());
  EXPECT_TRUE(e.MouseTick());
  EXPECT_EQ(e.Row(), 13);
  EXPECT_EQ(e.TopRow(), 4);
  EXPECT_EQ(e.SelTopRow(), 5);
  EXPECT_EQ(e.SelBottomRow(), 13);
  e.MouseUp(XOf(e, 1), e.Metrics().ClientHeight + 20, 0);
  EXPECT_FALSE(e.MouseTick());
  EXPECT_EQ(e.Row(), 13);
}

}  // namespace
}  // namespace tamber::test
