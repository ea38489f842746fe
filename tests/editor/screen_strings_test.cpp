#include "editor/screen_strings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/editor_strings.h"
#include "editor/row_loader.h"
#include "support/fake_view.h"

namespace tamber {
namespace {

using test::FakeView;

RowStore RowsOf(std::string_view text) {
  RowLoader l;
  l.Feed(text);
  return l.Finish();
}

// Rows given as (text, attribute) pairs, for folded layouts.
RowStore RowsOf(const std::vector<std::pair<std::string, TRowAttribute>>& rows) {
  RowBlockBuilder b;
  for (const auto& [t, a] : rows) b.Add(t, a);
  return RowStore(b.Finish());
}

std::string Attrs(const TTextEditorScreenStrings& s) {
  std::string out;
  for (int i = 0; i < s.Count(); ++i) out += "BFLN"[s.RowAttribute(i)];
  return out;
}

class ScreenStringsTest : public ::testing::Test {
 protected:
  void SetUp() override { text.AttachView(&view); }
  void Load(std::string_view s) { text.SetAllRows(RowsOf(s)); }
  TTextEditorScreenStrings text;
  FakeView view;
};

TEST_F(ScreenStringsTest, ReplaceRowsRebuildsTheLinesItTouches) {
  struct Case {
    const char* before;
    int row, count;
    const char* insert;
    const char* after;
    const char* attrs;
  };
  const Case cases[] = {
      {"abc\r\ndef\r\n", 0, 1, "abXc\r\n", "abXc\r\ndef\r\n", "BB"},
      {"abc", 0, 1, "a\r\nbc", "a\r\nbc", "BL"},
      {"a\r\nb\r\n", 1, 0, "x\r\n", "a\r\nx\r\nb\r\n", "BBB"},
      {"a\r\nb\r\n", 1, 0, "x", "a\r\nxb\r\n", "BB"},       // no break: joins the next line
      {"a\r\n", 1, 0, "z", "a\r\nz", "BL"},
      {"a", 1, 0, "z", "az", "L"},                           // continues a last row without break
      {"a\r\nb\r\nc", 1, 1, "", "a\r\nc", "BL"},
      {"a\r\nb", 1, 1, "", "a\r\n", "B"},
      {"a\r\nb\r\n", 0, 2, "", "", ""},
      {"a", 0, 1, "b\r", "b\r\n", "B"},                      // a lone CR ends with a break
      {"", 0, 0, "abc", "abc", "L"},
      {"a\r\nb", 0, 2, "p\nq\rr", "p\r\nq\r\nr", "BBL"},
  };
  for (const Case& c : cases) {
    Load(c.before);
    text.ReplaceRows(c.row, c.count, c.insert);
    EXPECT_EQ(text.GetTextStr(), c.after) << c.before << " @" << c.row << "," << c.count;
    EXPECT_EQ(Attrs(text), c.attrs) << c.before << " @" << c.row << "," << c.count;
    text.CheckInvariants();
  }
}

TEST_F(ScreenStringsTest, ReplaceRowsIgnoresInvalidRangesSilently) {
  Load("a\r\nb\r\n");
  view.changes.clear();
  for (const auto& [row, count, s] : std::vector<std::tuple<int, int, const char*>>{
           {-1, 0, "x"}, {0, 3, "x"}, {3, 0, "x"}, {0, 0, ""}, {1, -1, "x"}}) {
    text.ReplaceRows(row, count, s);
  }
  EXPECT_EQ(text.GetTextStr(), "a\r\nb\r\n");
  EXPECT_FALSE(text.CanUndo());
  EXPECT_TRUE(view.changes.empty());
}

TEST_F(ScreenStringsTest, ReplaceRowsWorksOnWholeFoldedLines) {
  text.SetAllRows(RowsOf({{"ab", raFolded}, {"cd", raFolded}, {"e", raBreak}, {"f", raLast}}));
  EXPECT_EQ(text.LineFirstRow(2), 0);
  EXPECT_EQ(text.LineLastRow(0), 2);
  EXPECT_EQ(text.LineLastRow(3), 3);
  EXPECT_EQ(text.LineFirstRow(4), 4);
  const TJoinedRows whole = text.JoinRows(0, -1);
  EXPECT_EQ(whole.Text, "abcde\r\n");
  EXPECT_EQ(whole.LastAttribute, raBreak);
  EXPECT_EQ(whole.Rows, 3);
  EXPECT_EQ(text.JoinRows(1, 2).Text, "cde\r\n");
  EXPECT_EQ(text.JoinRows(3, 9).Rows, 1);
  EXPECT_EQ(text.JoinRows(9, 1).LastAttribute, raNone);
  EXPECT_EQ(text.LineCount(), 2);
  EXPECT_EQ(text.LineToRow(1), 3);
  EXPECT_EQ(text.RowToLine(2), 0);
  EXPECT_EQ(text.RowToLine(3), 1);

  text.ReplaceRows(1, 1, "CD");  // the row before and the rest of the line come along
  EXPECT_EQ(text.GetTextStr(), "abCDe\r\nf");
  EXPECT_EQ(Attrs(text), "BL");
  const TUndoData& rec = text.UndoObj().UndoList().back();
  EXPECT_EQ(rec.StartRow, 0);
  EXPECT_EQ(rec.Offset, 2);  // only the bytes that changed
  EXPECT_EQ(rec.RemovedText, "cd");
  EXPECT_EQ(rec.InsertedLength, 2);
}

TEST_F(ScreenStringsTest, EachEditRecordsOneUndoStepWithWhatItTookOut) {
  Load("a\r\nb\r\nc");
  view.caretRow = 1;
  view.caretCol = 1;
  text.ReplaceRows(1, 1, "X\r\nY\r\n");
  text.ReplaceRows(0, 1, "");
  auto& list = text.UndoObj().UndoList();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].CaretRow, 1);
  EXPECT_EQ(list[0].CaretCol, 1);
  // The new text might have lacked a final break, so the next line came
  // along; the record keeps only the bytes that differ.
  EXPECT_EQ(list[0].StartRow, 1);
  EXPECT_EQ(list[0].Offset, 3);
  EXPECT_EQ(list[0].RemovedText, "b");
  EXPECT_EQ(list[0].InsertedLength, 4);  // X CR LF Y: the old break stayed
  EXPECT_EQ(list[1].StartRow, 0);  // whole-line deletion puts nothing in
  EXPECT_EQ(list[1].Offset, 0);
  EXPECT_EQ(list[1].RemovedText, "a\r\n");
  EXPECT_EQ(list[1].InsertedLength, 0);
}

TEST(UndoObjTest, KeepsAtMostUndoListMaxRecordsAndNeverFewerThan64) {
  TTextEditorUndoObj u;
  u.SetUndoListMax(10);
  EXPECT_EQ(u.UndoListMax(), 64);
  for (int i = 0; i < 65; ++i) u.NewRecord(i, 0);
  EXPECT_EQ(u.UndoList().size(), 64u);
  EXPECT_EQ(u.UndoList().front().CaretRow, 1);  // the oldest went
  u.RedoList().emplace_back();
  u.SetUndoing(true);
  u.NewRecord(0, 0);
  EXPECT_TRUE(u.CanRedo());  // recording while undoing keeps the redo list
  u.SetUndoing(false);
  u.NewRecord(0, 0);
  EXPECT_FALSE(u.CanRedo());
}

TEST_F(ScreenStringsTest, ViewsHearEachChangeOnceAndCaretsArePulledInside) {
  Load("a\r\nb\r\nc\r\nd");
  view.changes.clear();
  view.caretRow = 3;
  text.ReplaceRows(1, 2, "");
  ASSERT_EQ(view.changes.size(), 1u);
  EXPECT_EQ(view.changes[0], (TLastChange{1, 2, 0, view.changes[0].ReparsedRows, true, {3, 6, ""}}));
  EXPECT_EQ(text.LastChange(), TLastChange{});  // zeroed once reported
  EXPECT_EQ(view.pulledTo, 1);                  // "a", "d" with d raLast
  EXPECT_EQ(view.caretRow, 1);
}

TEST_F(ScreenStringsTest, TheViewWithFocusIsActiveElseTheFirst) {
  FakeView second;
  text.AttachView(&second);
  EXPECT_EQ(text.ActiveView(), &view);
  second.focus = true;
  EXPECT_EQ(text.ActiveView(), &second);
  EXPECT_EQ(text.DetachView(&second), 1);
  EXPECT_EQ(text.DetachView(&view), 0);
  EXPECT_EQ(text.ActiveView(), nullptr);
}

TEST_F(ScreenStringsTest, ClearResetsViewsUndoAndMarks) {
  Load("a\r\nb\r\n");
  text.SetRowMarks(1, BookmarkBit(3));
  text.ReplaceRows(0, 1, "x\r\n");
  view.caretRow = 2;
  view.caretCol = 4;
  text.Clear();
  EXPECT_EQ(text.Count(), 0);
  EXPECT_FALSE(text.CanUndo());
  EXPECT_EQ(text.UsedMarks(), 0);
  EXPECT_EQ(view.caretRow, 0);
  EXPECT_EQ(view.caretCol, 0);
  EXPECT_GE(view.dropped, 1);
  EXPECT_FALSE(view.changes.back().Changed);
}

TEST_F(ScreenStringsTest, EditorQueriesNeverRaise) {
  Load("ab\r\ncd");
  text.SetRowMarks(0, 5);
  EXPECT_EQ(text.RowTextAt(1), "cd");
  EXPECT_EQ(text.RowTextAt(2), "");
  EXPECT_EQ(text.RowTextAt(-1), "");
  EXPECT_EQ(text.RowAttributeAt(0), raBreak);
  EXPECT_EQ(text.RowAttributeAt(-1), raLast);
  EXPECT_EQ(text.RowAttributeAt(7), raLast);
  EXPECT_EQ(text.RowMarksAt(0), 5);
  EXPECT_EQ(text.RowMarksAt(2), 0);
  EXPECT_EQ(text.TextLength(), 6);
}

// ---- marks ----

class MarksTest : public ScreenStringsTest {
 protected:
  // Where the bookmark set on row 1 of "a / bc / d" is after the edit.
  int BookmarkRowAfter(const std::function<void()>& edit) {
    Load("a\r\nbc\r\nd\r\n");
    text.SetRowMarks(1, BookmarkBit(1));
    edit();
    int found = -1;
    for (int r = 0; r < text.Count(); ++r)
      if (text.RowMarks(r) & BookmarkBit(1)) {
        EXPECT_EQ(found, -1) << "the bookmark is on two rows";
        found = r;
      }
    return found;
  }
};

TEST_F(MarksTest, MarksFollowTheTextOfTheirRow) {
  TTextEditorStrings lines(&text, &view);
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 1, "\r\nbc\r\n"); }), 2);  // Enter at column 0
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 1, "b\r\nc\r\n"); }), 1);  // Enter inside
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 1, "bXc\r\n"); }), 1);     // typing
  EXPECT_EQ(BookmarkRowAfter([&] { lines.Insert(1, "new"); }), 2);
  EXPECT_EQ(BookmarkRowAfter([&] { lines.Insert(0, "new"); }), 2);
  // The caret column plays no part: a drop at column 0 with the caret elsewhere.
  view.caretCol = 5;
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 1, "x\r\nbc\r\n"); }), 2);
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(0, 2, "abc\r\n"); }), 0);      // joined lines
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 1, ""); }), 1);            // heir row
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(1, 2, ""); }), 0);            // new last row
  EXPECT_EQ(BookmarkRowAfter([&] { text.ReplaceRows(0, 3, ""); }), -1);
  EXPECT_EQ(text.UsedMarks(), 0);
}

TEST_F(MarksTest, PuttingRowsWithoutReplacingAnyMovesNoMarks) {
  Load("a\r\nb\r\n");
  text.SetRowMarks(1, ImageMarkBit(0));
  TTextEditorStringList list;
  list.Add("x");
  text.PutRows(1, 0, list);
  EXPECT_EQ(text.GetTextStr(), "a\r\nx\r\nb\r\n");
  EXPECT_EQ(text.RowMarks(1), 0);
  EXPECT_EQ(text.RowMarks(2), ImageMarkBit(0));
}

TEST_F(MarksTest, AMarkStaysUsedWhileAnyRowHoldsIt) {
  Load("a\r\nb\r\nc\r\n");
  const std::uint16_t img = ImageMarkBit(2);
  text.SetRowMarks(0, img);
  text.SetRowMarks(2, img | BookmarkBit(0));
  EXPECT_EQ(text.UsedMarks(), img | BookmarkBit(0));
  text.SetRowMarks(0, 0);
  EXPECT_EQ(text.UsedMarks(), img | BookmarkBit(0));
  text.ReplaceRows(2, 1, "");  // the heir row takes the marks
  EXPECT_EQ(text.RowMarks(1), img | BookmarkBit(0));
  text.SetRowMarks(1, 0);
  EXPECT_EQ(text.UsedMarks(), 0);
}

// ---- parser state ----

class ReparseTest : public ScreenStringsTest {
 protected:
  void SetUp() override {
    ScreenStringsTest::SetUp();
    std::string s;
    for (int i = 0; i < 100; ++i) s += "x\r\n";
    view.bracketsFull = true;
    Load(s);
    view.bracketsFull = false;
  }
  int Reparsed() const { return view.changes.back().ReparsedRows; }
};

TEST_F(ReparseTest, ReparseAllParsesTwoScreensPastTheTopUnlessAskedForAll) {
  view.topRow = 5;
  text.ReparseAll();
  EXPECT_EQ(text.OpenBracket(25), -1);  // 5 + 2 screens of 10 rows
  EXPECT_EQ(text.OpenBracket(26), -2);
  EXPECT_EQ(text.OpenBracket(99), -2);
  view.bracketsFull = true;
  text.ReparseAll();
  EXPECT_EQ(text.OpenBracket(99), -1);
  view.loading = true;  // a view still loading from its form parses nothing
  Load("a\r\nb\r\n");
  EXPECT_EQ(text.OpenBracket(0), -2);
}

TEST_F(ReparseTest, AnEditThatKeepsTheEndStateReparsesOnlyItsRows) {
  text.ReplaceRows(50, 1, "y\r\n");
  EXPECT_EQ(Reparsed(), 2);  // row 50 and row 51, which the edit put back
  EXPECT_EQ(view.invalidated, (std::vector<int>{50, 51}));
  EXPECT_EQ(text.OpenBracket(99), -1);
}

TEST_F(ReparseTest, OpeningABlockReparsesTwoScreensAndLeavesTheRestUnparsed) {
  text.ReplaceRows(50, 1, "{\r\n");
  EXPECT_EQ(Reparsed(), 21);  // rows 50..70
  EXPECT_EQ(text.ParseState(50), 0);
  EXPECT_EQ(text.ParseState(51), 1);
  EXPECT_EQ(text.ParseState(70), 1);
  EXPECT_EQ(text.OpenBracket(70), -1);
  EXPECT_EQ(text.OpenBracket(71), -2);
  EXPECT_EQ(text.OpenBracket(99), -2);
  // Painting further down resumes from the last parsed row.
  EXPECT_EQ(text.ReparseFrom(90, false), 0);
  EXPECT_EQ(text.ParseState(90), 1);
  EXPECT_EQ(text.ParseState(99), 1);
  // Closing the block again: the rows below get their old state back.
  text.ReplaceRows(60, 1, "}\r\n");
  EXPECT_EQ(text.ParseState(61), 0);
  EXPECT_EQ(text.ParseState(80), 0);
}

TEST_F(ReparseTest, AnEditInsideTheUnparsedTailParsesNothingUntilPainted) {
  text.ReplaceRows(50, 1, "{\r\n");  // rows 71.. are unparsed now
  text.ReplaceRows(90, 1, "{\r\n");
  EXPECT_EQ(Reparsed(), 0);
  EXPECT_EQ(text.OpenBracket(89), -2);
  EXPECT_EQ(text.OpenBracket(90), -2);
  // Painting row 95 parses up to it with the edit in place.
  text.ReparseFrom(95, false);
  EXPECT_EQ(text.ParseState(90), 1);
  EXPECT_EQ(text.ParseState(95), 2);
  text.CheckInvariants();
}

TEST_F(ReparseTest, ACarriedTextIsPartOfTheState) {
  text.ReplaceRows(10, 1, "x\\\r\n");
  EXPECT_EQ(Reparsed(), 2);  // row 10 and row 11, which now carries "\"
  EXPECT_EQ(text.CarryText(11), "\\");
  EXPECT_EQ(text.CarryText(12), "");
  text.ReplaceRows(10, 1, "x\r\n");
  EXPECT_EQ(Reparsed(), 2);
  EXPECT_EQ(text.CarryText(11), "");
}

TEST_F(ReparseTest, RowsInsertedAboveAnUnparsedTailKeepItUnparsed) {
  text.ReplaceRows(50, 1, "{\r\n");
  text.ReplaceRows(0, 0, "a\r\nb\r\n");
  EXPECT_EQ(text.OpenBracket(72), -1);  // old row 70 moved down two
  EXPECT_EQ(text.OpenBracket(73), -2);
  EXPECT_EQ(text.ParseState(52), 0);
  EXPECT_EQ(text.ParseState(53), 1);
  text.CheckInvariants();
}

}  // namespace
}  // namespace tamber
