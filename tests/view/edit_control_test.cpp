// The view's edit-control queries (selection and row offsets, pixels) and
// the commands on the selection's logical lines.
#include "view_support.h"

namespace tamber::test {
namespace {

// Rows: "abcdef" (0..5, break at 6..7), "gh" (8..9, break 10..11), "ijkl" (12..15).
constexpr std::string_view kThree = "abcdef\r\ngh\r\nijkl";

class EditControlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    LayOut(e);
    SetText(e, kThree);
  }
  void Select(Pos from, Pos to) {
    e.SetRowCol(from.row, from.col);
    e.StartSelection();
    e.SetRowCol(to.row, to.col);
    e.UpdateSelection();
  }
  TTextEditor e;
};

TEST_F(EditControlTest, GetSelWithoutSelectionGivesTheCaretOffsetTwice) {
  e.SetRowCol(1, 1);
  EXPECT_EQ(e.GetSel(), (TTextEditor::TEditSel{9, 9}));
}

TEST_F(EditControlTest, SetSelOrdersItsEndsAndReadsMinusOneAsTheEnd) {
  e.SetSel(5, 2);
  EXPECT_EQ(e.GetSel(), (TTextEditor::TEditSel{2, 5}));
  EXPECT_EQ(CaretOf(e), (Pos{0, 5}));
  EXPECT_EQ(e.SelText(), "cde");

  e.SetSel(9, -1);  // to the end of the text
  EXPECT_EQ(e.GetSel(), (TTextEditor::TEditSel{9, 16}));
  EXPECT_EQ(CaretOf(e), (Pos{2, 4}));

  e.SetSel(0, -1);
  EXPECT_EQ(e.GetSel(), (TTextEditor::TEditSel{0, 16}));

  e.SetSel(-1, 3);
  EXPECT_FALSE(e.Selected());
  EXPECT_EQ(e.GetSel().Start, e.GetSel().End);

  e.SetSel(14, 1000);  // past the end: the end
  EXPECT_EQ(e.GetSel(), (TTextEditor::TEditSel{14, 16}));
}

TEST_F(EditControlTest, RowsOfOffsets) {
  struct Case {
    std::int64_t offset;
    int row;
    int length;
  } cases[] = {{0, 0, 6}, {5, 0, 6}, {6, 0, 6}, {7, 0, 6}, {8, 1, 2}, {11, 1, 2},
               {12, 2, 4}, {16, 2, 4}, {999, 2, 4}};
  for (const Case& c : cases) {
    EXPECT_EQ(e.LineFromChar(c.offset), c.row) << c.offset;
    EXPECT_EQ(e.LineLength(c.offset), c.length) << c.offset;
  }
  EXPECT_EQ(e.LineCount(), 3);
  EXPECT_EQ(e.LineIndex(0), 0);
  EXPECT_EQ(e.LineIndex(2), 12);
  EXPECT_EQ(e.LineIndex(3), -1);
  EXPECT_EQ(e.LineIndex(-2), -1);
  e.SetRowCol(1, 1);
  EXPECT_EQ(e.LineIndex(-1), 8);
  EXPECT_EQ(e.LineFromChar(-1), 1);
  EXPECT_EQ(e.LineLength(-1), 2);
  EXPECT_EQ(e.GetLine(2), "ijkl");
  EXPECT_EQ(e.GetLine(3), "");
}

TEST_F(EditControlTest, MinusOneWithASelectionMeansItsTopRowAndTheBytesOutsideIt) {
  Select({2, 3}, {0, 1});  // caret on row 0, selection rows 0..2
  e.SetRowCol(2, 3);
  Select({0, 2}, {0, 5});
  EXPECT_EQ(e.LineFromChar(-1), 0);
  EXPECT_EQ(e.LineLength(-1), 3);  // "ab" and "f" stay outside
  Select({2, 1}, {1, 1});
  EXPECT_EQ(e.LineFromChar(-1), 1);  // the top row, though the caret is on row 1 as well
  Select({1, 1}, {2, 1});
  EXPECT_EQ(e.LineFromChar(-1), 1);  // caret on row 2, the top row is 1
}

TEST_F(EditControlTest, PixelsAndOffsetsMapBothWays) {
  const TTextEditorMetrics& m = e.Metrics();
  EXPECT_EQ(e.PosFromChar(14), (std::pair<int, int>{m.TextLeft + 2 * m.CharWidth, m.TextTop + 2 * m.RowPitch}));
  EXPECT_EQ(e.CharFromPos(m.TextLeft + 2 * m.CharWidth + 1, m.TextTop + 2 * m.RowPitch + 1), 14);
  int row = -1;
  EXPECT_EQ(e.CharFromPos(m.TextLeft + 30 * m.CharWidth, m.TextTop + 1 * m.RowPitch + 1, &row), 10);
  EXPECT_EQ(row, 1);  // past a row's end: its end
  for (auto [x, y] : {std::pair{-1, 20}, {20, -1}, {m.ClientWidth, 20}, {20, m.ClientHeight}})
    EXPECT_EQ(e.CharFromPos(x, y), -1) << x << "," << y;

  // A tab counts its columns, so the pixel lands on the character after it.
  SetText(e, "\tx");
  EXPECT_EQ(e.PosFromChar(1).first, m.TextLeft + 8 * m.CharWidth);
  e.SetTopRow(1);
  EXPECT_EQ(e.PosFromChar(0).second, m.TextTop - m.RowPitch);
}

TEST_F(EditControlTest, ReadOnlyRefusesSetTextAndSetModify) {
  e.SetModified(false);
  e.SetReadOnly(true);
  EXPECT_FALSE(e.SetText("other"));
  EXPECT_FALSE(e.SetModify(true));
  EXPECT_EQ(e.GetText(), kThree);
  EXPECT_FALSE(e.GetModify());
  e.SetReadOnly(false);
  EXPECT_TRUE(e.SetText("other"));
  EXPECT_EQ(e.GetText(), "other");
  EXPECT_EQ(e.GetTextLength(), 5);
  EXPECT_TRUE(e.SetModify(true));
  EXPECT_TRUE(e.GetModify());
  EXPECT_TRUE(e.SetModify(false));
  EXPECT_FALSE(e.GetModify());
}

TEST_F(EditControlTest, ScrollCaretPutsTheCaretAThirdIntoTheWindow) {
  std::string text;
  for (int i = 0; i < 100; ++i) text += std::string(100, 'x') + "\r\n";
  SetText(e, text);
  e.SetRowCol(50, 90);  // SetRowCol scrolls the caret into view the usual way
  e.SetTopRow(0);
  e.SetTopCol(0);
  e.ScrollCaretEm();
  EXPECT_EQ(e.TopRow(), 50 - 10 / 3);
  EXPECT_EQ(e.TopCol(), 90 - 40 / 3);
  e.ScrollCaretEm();  // inside now: nothing moves
  EXPECT_EQ(e.TopRow(), 47);
  EXPECT_EQ(e.FirstVisibleLine(), 47);
}

TEST_F(EditControlTest, SelectionLineNumbers) {
  SetText(e, "0\r\n1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n");
  EXPECT_EQ(e.SelFirstLine(), 0);
  EXPECT_EQ(e.SelLastLine(), 0);
  Select({2, 0}, {5, 0});
  EXPECT_EQ(e.SelFirstLine(), 3);
  EXPECT_EQ(e.SelLastLine(), 5);
  e.SetSelectionMode(smBox);
  Select({2, 0}, {5, 1});
  EXPECT_EQ(e.SelFirstLine(), 0);

  // Folded rows: the top row's own line, counted from 1.
  e.SetSelectionMode(smNormal);
  e.Text().WrapOption().SetWrapByte(20);
  e.Text().SetWordWrap(true);
  SetText(e, "short\r\n" + std::string(50, 'a') + "\r\nlast\r\n");  // rows: 0 | 1 2 3 | 4
  ASSERT_EQ(e.Text().Count(), 5);
  Select({2, 3}, {4, 2});
  EXPECT_EQ(e.SelFirstLine(), 2);
  EXPECT_EQ(e.SelLastLine(), 2);
}

TEST_F(EditControlTest, QuoteLinesQuotesTheLinesAboveTheBottomRowsLine) {
  SetText(e, "a\r\n>b\r\nc\r\nd\r\n");
  Select({0, 0}, {3, 0});
  ASSERT_TRUE(e.QuoteLines());
  EXPECT_EQ(e.GetText(), ">a\r\n>>b\r\n>c\r\nd\r\n");
  ASSERT_TRUE(e.Undo());  // one step a line
  EXPECT_EQ(e.GetText(), ">a\r\n>>b\r\nc\r\nd\r\n");
  e.Redo();

  Select({0, 0}, {3, 0});
  ASSERT_TRUE(e.UnquoteLines());
  EXPECT_EQ(e.GetText(), "a\r\n>b\r\nc\r\nd\r\n");

  Select({1, 0}, {1, 2});  // inside one line: nothing
  e.QuoteLines();
  EXPECT_EQ(e.GetText(), "a\r\n>b\r\nc\r\nd\r\n");

  e.SetSelectionMode(smBox);
  Select({0, 0}, {2, 1});
  EXPECT_FALSE(e.QuoteLines());
  EXPECT_FALSE(e.UnquoteLines());
  EXPECT_EQ(e.GetText(), "a\r\n>b\r\nc\r\nd\r\n");
}

}  // namespace
}  // namespace tamber::test
