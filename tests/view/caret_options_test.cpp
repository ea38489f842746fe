#include <gtest/gtest.h>

#include "view/caret_options.h"

namespace tamber {
namespace {

TEST(CaretOptions, DefaultsAreTheObjectsOwn) {
  TTextEditorCaret c;
  EXPECT_TRUE(c.AutoCursor() && c.AutoIndent() && c.BackSpaceUnIndent() && c.FreeCaret() &&
              c.RowSelect() && c.SelMove());
  EXPECT_FALSE(c.FreeRow() || c.InTab() || c.KeepCaret() || c.LockScroll() || c.NextLine() ||
               c.PrevSpaceIndent() || c.TabIndent() || c.TokenEndStop());
  EXPECT_EQ(c.SelDragMode(), dmAutomatic);
  EXPECT_EQ(c.Style(), csDefault);
  EXPECT_EQ(c.TabSpaceCount(), 8);
  EXPECT_EQ(c.Cursors().DefaultCursor(), crIBeam);
  EXPECT_EQ(c.Cursors().DragSelCopyCursor(), 1959);
  EXPECT_EQ(c.Cursors().LeftMarginCursor(), 1958);
  EXPECT_EQ(TTextEditorSpeed{}, (TTextEditorSpeed{2, 2, 2, false}));
}

TEST(CaretOptions, TabSpaceCountIsEvenBetweenTwoAndEight) {
  const std::pair<int, int> cases[] = {{7, 6}, {1, 2}, {12, 8}, {4, 4}, {-3, 2}};
  for (const auto& [in, out] : cases) {
    TTextEditorCaret c;
    c.SetTabSpaceCount(in);
    EXPECT_EQ(c.TabSpaceCount(), out) << in;
  }
}

TEST(CaretOptions, ReportsOnlyRealChangesAndOnceInAnUpdate) {
  TTextEditorCaret c;
  int reports = 0;
  c.SetOnChange([&](TObject&) { ++reports; });
  c.SetFreeCaret(true);  // unchanged
  c.SetTabSpaceCount(9);  // clamps to the value it has
  EXPECT_EQ(reports, 0);
  c.SetNextLine(true);
  c.Cursors().SetInSelCursor(crHandPoint);
  EXPECT_EQ(reports, 2);

  c.BeginUpdate();
  c.SetKeepCaret(true);
  c.SetInTab(true);
  EXPECT_EQ(reports, 2);
  c.EndUpdate();
  EXPECT_EQ(reports, 3);

  TTextEditorCaret copy;
  int copyReports = 0;
  copy.SetOnChange([&](TObject&) { ++copyReports; });
  copy.Assign(c);
  EXPECT_TRUE(copy == c);
  EXPECT_EQ(copyReports, 1);
  copy.Assign(c);
  EXPECT_EQ(copyReports, 1);
}

}  // namespace
}  // namespace tamber
