// Editing operations driven the way a user drives them, checked against whole
// texts and carets, and taken back and forth through undo and redo.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "view_support.h"

namespace tamber {
namespace {

using test::CaretOf;
using test::LayOut;
using test::Pos;
using test::SetText;

const std::string kA = "\x82\xa0";  // a double-byte character
const std::string kI = "\x82\xa2";

class EditTest : public ::testing::Test {
 protected:
  void SetUp() override { LayOut(e); }
  void Start(std::string_view text, int row, int col) {
    SetText(e, text);
    e.SetRowCol(row, col);
  }
  void Wrap() {
    e.Text().WrapOption().SetWrapByte(20);
    e.Text().SetWordWrap(true);
  }
  // Selects from (r0, c0) to (r1, c1) as Shift+click would.
  void Select(int r0, int c0, int r1, int c1) {
    e.SetRowCol(r0, c0);
    e.StartSelection();
    e.SetRowCol(r1, c1);
    e.UpdateSelection();
  }
  TTextEditor e;
};

struct KeyCase {
  const char* name;
  std::string before;
  Pos at;
  std::function<void(TTextEditor&)> act;
  std::string after;
  Pos caret;
};

void RunCases(TTextEditor& e, const std::vector<KeyCase>& cases) {
  for (const KeyCase& c : cases) {
    SetText(e, c.before);
    e.SetRowCol(c.at.row, c.at.col);
    c.act(e);
    EXPECT_EQ(e.Lines().GetTextStr(), c.after) << c.name;
    EXPECT_EQ(CaretOf(e), c.caret) << c.name;
    e.Text().CheckInvariants();
    // Every case is one undoable step back to the bytes it started from.
    if (c.before != c.after) {
      ASSERT_TRUE(e.Undo()) << c.name;
      EXPECT_EQ(e.Lines().GetTextStr(), c.before) << c.name << " undone";
      EXPECT_EQ(CaretOf(e), c.at) << c.name << " undone";
    }
  }
}

TEST_F(EditTest, TypingInsertsOverwritesAndPadsPastTheRowEnd) {
  auto type = [](std::string s, bool over = false) {
    return [s, over](TTextEditor& ed) {
      ed.SetOverWrite(over);
      ed.InsertText(s);
      ed.SetOverWrite(false);
    };
  };
  RunCases(e, {
      {"insert", "abc\r\n", {0, 1}, type("XY"), "aXYbc\r\n", {0, 3}},
      {"past the end pads with spaces", "ab", {0, 5}, type("a"), "ab   a", {0, 6}},
      {"padding counts display columns", "\t\r\n", {0, 10}, type("a"), "\t  a\r\n", {0, 11}},
      {"on the position after a final break", "ab\r\n", {1, 2}, type("c"), "ab\r\n  c", {1, 3}},
      {"overwrite", "abcd", {0, 1}, type("XY", true), "aXYd", {0, 3}},
      {"overwriting half a double-byte character", kA + kI, {0, 0}, type("x", true), "x " + kI, {0, 1}},
      {"overwrite past the end appends", "ab", {0, 2}, type("XYZ", true), "abXYZ", {0, 5}},
      {"double-byte input", "ab", {0, 1}, type(kA), "a" + kA + "b", {0, 3}},
  });
}

TEST_F(EditTest, OverwriteRunsOnAcrossAFold) {
  Wrap();
  Start(std::string(20, 'a') + "bbb\r\n", 0, 18);
  e.SetOverWrite(true);
  e.InsertText("XYZ");
  EXPECT_EQ(e.Lines().GetTextStr(), std::string(18, 'a') + "XYZbb\r\n");
  EXPECT_EQ(e.Lines().Count(), 1);
}

TEST_F(EditTest, BackspaceJoinsDeletesAndUnindents) {
  RunCases(e, {
      {"joins a line break", "abc\r\ndef", {1, 0}, &TTextEditor::Backspace, "abcdef", {0, 3}},
      {"after the final break", "ab\r\n", {1, 0}, &TTextEditor::Backspace, "ab", {0, 2}},
      {"a double-byte character", "a" + kA + "b", {0, 3}, &TTextEditor::Backspace, "ab", {0, 1}},
      {"a tab", "a\tb", {0, 8}, &TTextEditor::Backspace, "ab", {0, 1}},
      {"un-indents to the row above", "    foo\r\n        bar", {1, 8}, &TTextEditor::Backspace,
       "    foo\r\n    bar", {1, 4}},
      {"a tab across the target keeps the column", "  foo\r\n\tbar", {1, 8}, &TTextEditor::Backspace,
       "  foo\r\n  bar", {1, 2}},
      {"not at the end of the indent", "    foo\r\n        bar", {1, 9}, &TTextEditor::Backspace,
       "    foo\r\n        ar", {1, 8}},
      {"past the end steps left", "ab\r\n", {0, 5}, &TTextEditor::Backspace, "ab\r\n", {0, 4}},
      {"nothing on row 0", "ab", {0, 0}, &TTextEditor::Backspace, "ab", {0, 0}},
  });
  // A blank row past its end un-indents too, by moving the caret only.
  Start("    foo\r\n\r\n", 1, 8);
  e.Backspace();
  EXPECT_EQ(CaretOf(e), (Pos{1, 4}));
  EXPECT_EQ(e.Lines().GetTextStr(), "    foo\r\n\r\n");
}

TEST_F(EditTest, BackspaceAtTheStartOfAFoldedRowDeletesTheCharacterBeforeTheFold) {
  Wrap();
  Start(std::string(18, 'a') + kA + "bb\r\n", 1, 0);
  ASSERT_EQ(e.Text().RowAttribute(0), raFolded);
  e.Backspace();
  EXPECT_EQ(e.Lines().GetTextStr(), std::string(18, 'a') + "bb\r\n");
  EXPECT_EQ(CaretOf(e), (Pos{0, 18}));
  EXPECT_EQ(e.Lines().Count(), 1);
}

TEST_F(EditTest, DeleteJoinsPadsAndStopsAtTheEnd) {
  RunCases(e, {
      {"a character", "abc", {0, 1}, &TTextEditor::Delete, "ac", {0, 1}},
      {"a double-byte character", kA + "b", {0, 0}, &TTextEditor::Delete, "b", {0, 0}},
      {"joins the next row", "ab\r\ncd", {0, 2}, &TTextEditor::Delete, "abcd", {0, 2}},
      {"pads up to the caret first", "ab\r\ncd", {0, 4}, &TTextEditor::Delete, "ab  cd", {0, 4}},
      {"removes a final break", "ab\r\n", {0, 2}, &TTextEditor::Delete, "ab", {0, 2}},
      {"nothing at the end of the text", "ab", {0, 2}, &TTextEditor::Delete, "ab", {0, 2}},
  });
}

TEST_F(EditTest, EnterIndentsAsTheOptionsSay) {
  auto enter = [](bool tabIndent, bool prevSpace = false, bool shift = false) {
    return [=](TTextEditor& ed) {
      ed.Caret().SetTabSpaceCount(2);
      ed.Caret().SetTabIndent(tabIndent);
      ed.Caret().SetPrevSpaceIndent(prevSpace);
      ed.Enter(shift);
    };
  };
  RunCases(e, {
      {"auto indent", "  abc", {0, 3}, enter(false), "  a\r\n  bc", {1, 2}},
      {"tab indent", "  abc", {0, 3}, enter(true), "  a\r\n\tbc", {1, 2}},
      {"inside the indent", "    abc", {0, 2}, enter(false), "  \r\n    abc", {1, 2}},
      {"after a final break", "a\r\n", {1, 0}, enter(false), "a\r\n\r\n", {2, 0}},
      {"previous indent on an empty line", "   x\r\n\r\n", {1, 0}, enter(false, true),
       "   x\r\n\r\n   \r\n", {2, 3}},
      {"shift opens a line above", "  ab\r\n", {0, 3}, enter(false, false, true), "  \r\n  ab\r\n", {0, 2}},
  });
}

TEST_F(EditTest, TabInsertsATabSpacesOrOnlyMovesTheCaret) {
  Start("abc", 0, 3);
  e.Caret().SetSoftTab(true);
  e.Tab();
  EXPECT_EQ(e.Lines().GetTextStr(), "abc     ");
  e.Caret().SetSoftTab(false);
  Start("abc", 0, 3);
  e.Tab();
  e.Tab(ssShift);  // ignored
  EXPECT_EQ(e.Lines().GetTextStr(), "abc\t");
  EXPECT_EQ(e.Col(), 8);
  Start("abc", 0, 3);
  e.SetOverWrite(true);
  e.Tab();
  EXPECT_EQ(e.Lines().GetTextStr(), "abc");
  EXPECT_EQ(e.Col(), 8);
  e.SetOverWrite(false);
  e.SetWantTabs(false);
  e.Tab();
  EXPECT_EQ(e.Lines().GetTextStr(), "abc");
}

TEST_F(EditTest, SelectAllThenDeleteLeavesAnEmptyText) {
  for (const char* text : {"ab\r\ncd\r\n", "ab\r\ncd", "\r\n"}) {
    SetText(e, text);
    e.SelectAll();
    e.Delete();
    EXPECT_EQ(e.Lines().GetTextStr(), "") << text;
    EXPECT_EQ(e.Text().Count(), 0);
    e.Undo();
    EXPECT_EQ(e.Lines().GetTextStr(), text);
  }
}

TEST_F(EditTest, ASelectionOnlyOnThePositionAfterTheFinalBreakDeletesNothing) {
  // Two breaks typed into an empty text, then Shift+Home there and Enter.
  e.InsertText("");
  e.Enter();
  e.Enter();
  e.KeyDown(TEditorKey::Home, ssShift);
  e.Enter();
  EXPECT_EQ(e.Lines().GetTextStr(), "\r\n\r\n\r\n");
  e.Text().CheckInvariants();
  Start("ab\r\n", 1, 0);
  Select(1, 0, 1, 0);
  e.DeleteSelection();
  EXPECT_EQ(e.Lines().GetTextStr(), "ab\r\n");
  // Typing there types at that position.
  Select(1, 0, 1, 0);
  e.InsertText("\t");
  EXPECT_EQ(e.Lines().GetTextStr(), "ab\r\n\t");
  e.Text().CheckInvariants();
}

TEST_F(EditTest, TypingAndPastingReplaceTheSelection) {
  Start("abc\r\ndef\r\nghi", 0, 0);
  Select(0, 1, 2, 1);
  e.InsertText("X");
  EXPECT_EQ(e.Lines().GetTextStr(), "aXhi");
  EXPECT_EQ(CaretOf(e), (Pos{0, 2}));
  Select(0, 1, 0, 3);
  e.SetSelTextBuf("1\n2\r3");  // lone breaks become CR LF
  EXPECT_EQ(e.Lines().GetTextStr(), "a1\r\n2\r\n3i");
  EXPECT_EQ(CaretOf(e), (Pos{2, 1}));
  e.SetSelectionMode(smBox);
  Select(0, 1, 2, 2);
  e.InsertText("Z");
  EXPECT_EQ(e.Lines().GetTextStr(), "aZ\r\n2\r\n3");  // row 1 ends left of the box
}

TEST_F(EditTest, BoxCopyPutsBothFormatsAndPastesAsABox) {
  TMemoryClipboard clip;
  e.SetClipboard(&clip);
  Start("abcde\r\nfghij\r\nklmno\r\n", 0, 0);
  e.SetSelectionMode(smBox);
  Select(0, 1, 1, 4);
  e.CopyToClipboard();
  EXPECT_EQ(clip.Text(), "bcd\r\nghi\r\n");
  EXPECT_TRUE(clip.HasBoxText());
  e.CleanSelection();
  e.SetSelectionMode(smNormal);
  e.SetRowCol(1, 5);
  e.PasteFromClipboard();
  EXPECT_EQ(e.Lines().GetTextStr(), "abcde\r\nfghijbcd\r\nklmnoghi\r\n");
  EXPECT_EQ(CaretOf(e), (Pos{2, 8}));
  e.SetSelectionMode(smBox);
  Select(1, 5, 2, 8);
  e.CutToClipboard();
  EXPECT_EQ(e.Lines().GetTextStr(), "abcde\r\nfghij\r\nklmno\r\n");
  EXPECT_TRUE(clip.HasBoxText());
  // A stream copy is plain text only, and pastes as a stream.
  e.SetSelectionMode(smNormal);
  Select(0, 3, 1, 1);
  e.CopyToClipboard();
  EXPECT_EQ(clip.Text(), "de\r\nf");
  EXPECT_FALSE(clip.HasBoxText());
  e.CleanSelection();
  e.SetRowCol(2, 0);
  e.PasteFromClipboard();
  EXPECT_EQ(e.Lines().GetTextStr(), "abcde\r\nfghij\r\nde\r\nfklmno\r\n");
}

TEST_F(EditTest, BoxPastePadsRowsAndAddsRowsPastTheEnd) {
  Start("ab\r\nabcdef", 1, 4);
  e.BoxPaste("X\r\nY\r\nZ\r\n");
  // The text ended without a break and still does.
  EXPECT_EQ(e.Lines().GetTextStr(), "ab\r\nabcdXef\r\n    Y\r\n    Z");
  EXPECT_EQ(CaretOf(e), (Pos{3, 5}));
  Start("abc", 0, 1);
  e.BoxPaste("X");
  EXPECT_EQ(e.Lines().GetTextStr(), "aXbc");
  Start("", 0, 0);
  e.BoxPaste("X\r\nY");
  EXPECT_EQ(e.Lines().GetTextStr(), "X\r\nY");
  Start("ab\r\n", 1, 0);  // on the place after the final break: the break stays last
  e.BoxPaste("X\r\nY");
  EXPECT_EQ(e.Lines().GetTextStr(), "ab\r\nX\r\nY\r\n");
  // A column on a double-byte character's second half or in a tab: after it.
  Start("ab\r\n" + kA + kA + "\r\n\tb\r\n", 0, 1);
  e.BoxPaste("X\r\nY\r\nZ");
  EXPECT_EQ(e.Lines().GetTextStr(), "aXb\r\n" + kA + "Y" + kA + "\r\n\tZb\r\n");
}

TEST_F(EditTest, BoxPasteWithWordWrapKeepsWrappedParagraphsFolded) {
  Wrap();
  Start(std::string(30, 'a') + "\r\nb\r\n", 0, 2);
  ASSERT_EQ(e.Text().RowAttribute(0), raFolded);
  e.BoxPaste("X\r\nY\r\n");
  EXPECT_EQ(e.Lines().Count(), 2);  // no hard break inside the paragraph
  EXPECT_EQ(e.Lines().Get(0), "aaX" + std::string(20, 'a') + "Y" + std::string(8, 'a'));
  e.Undo();
  EXPECT_EQ(e.Lines().GetTextStr(), std::string(30, 'a') + "\r\nb\r\n");
}

TEST_F(EditTest, IndentAndUnindentMoveOnlyTheBlankRun) {
  Start("a\r\n  \x0c" "b\r\n\r\n\x1b$B\r\nnext\r\n", 0, 0);
  Select(0, 0, 4, 0);  // ends at column 0: row 4 is left out
  e.IndentSelection();
  EXPECT_EQ(e.Lines().GetTextStr(), " a\r\n   \x0c" "b\r\n\r\n \x1b$B\r\nnext\r\n");
  EXPECT_TRUE(e.Selected());
  e.UnindentSelection();
  e.UnindentSelection();  // rows without a blank in front stay
  EXPECT_EQ(e.Lines().GetTextStr(), "a\r\n \x0c" "b\r\n\r\n\x1b$B\r\nnext\r\n");
  // The caret and the anchor stay on their characters.
  Start("  abc\r\n", 0, 0);
  Select(0, 3, 0, 4);
  e.IndentSelection();
  EXPECT_EQ(e.SelText(), "b");
}

TEST_F(EditTest, BoxIndentWorksAtTheBoxColumn) {
  Start("ab  cd\r\nabcd\r\nx\r\n", 0, 0);
  e.SetSelectionMode(smBox);
  Select(0, 2, 2, 3);
  e.IndentSelection();
  EXPECT_EQ(e.Lines().GetTextStr(), "ab   cd\r\nab cd\r\nx\r\n");
  e.UnindentSelection();
  EXPECT_EQ(e.Lines().GetTextStr(), "ab  cd\r\nabcd\r\nx\r\n");
  e.UnindentSelection();
  EXPECT_EQ(e.Lines().GetTextStr(), "ab cd\r\nabcd\r\nx\r\n");  // only where a blank stands
  EXPECT_TRUE(e.Selected());
}

TEST_F(EditTest, DraggingMovesOrCopiesTheSelection) {
  Start("one two\r\nthree\r\n", 0, 0);
  Select(0, 0, 0, 4);
  e.MoveSelection(1, 5);
  EXPECT_EQ(e.Lines().GetTextStr(), "two\r\nthreeone \r\n");
  EXPECT_EQ(CaretOf(e), (Pos{1, 9}));
  e.Undo();
  EXPECT_EQ(e.Lines().GetTextStr(), "one two\r\nthree\r\n");
  Select(1, 0, 1, 2);
  e.MoveSelection(0, 9);  // past the end of the row: padded
  EXPECT_EQ(e.Lines().GetTextStr(), "one two  th\r\nree\r\n");
  Select(1, 0, 1, 3);
  e.CopySelection(0, 0);
  EXPECT_EQ(e.Lines().GetTextStr(), "reeone two  th\r\nree\r\n");
  Select(0, 0, 0, 3);
  e.MoveSelection(0, 1);  // inside the selection: only dropped
  EXPECT_FALSE(e.Selected());
  EXPECT_EQ(e.Lines().GetTextStr(), "reeone two  th\r\nree\r\n");
}

// A drop past a row's end can still lie inside a selection that runs over
// that row's break: the drop only deselects, and the text stays as it was.
TEST_F(EditTest, ADropPastARowEndInsideTheSelectionOnlyDeselects) {
  struct Case {
    std::string text;
    Pos from, to, drop;
  };
  const Case cases[] = {
      {"aaa\r\nbbb\r\nccc", {0, 1}, {2, 2}, {1, 6}},        // a middle row
      {"aaa\r\nbbb\r\nccccccccc", {0, 1}, {2, 2}, {1, 6}},  // a longer last row
      {"aaa\r\nbbb\r\nccc", {0, 1}, {2, 2}, {0, 7}},        // the first row, past its end
  };
  for (const Case& c : cases) {
    Start(c.text, 0, 0);
    Select(c.from.row, c.from.col, c.to.row, c.to.col);
    e.MoveSelection(c.drop.row, c.drop.col);
    EXPECT_FALSE(e.Selected()) << c.text;
    EXPECT_EQ(e.Lines().GetTextStr(), c.text);
  }
  // Past the end of the selection's last row lies outside it: that moves.
  Start("aaa\r\nbbb\r\nccc", 0, 0);
  Select(0, 1, 1, 2);
  e.MoveSelection(1, 5);
  EXPECT_EQ(e.Lines().GetTextStr(), "ab  aa\r\nbb\r\nccc");
}

// A lead byte before a byte that cannot trail it is a character of its own
// for the caret, the selection and every edit (as for the column count).
TEST_F(EditTest, ALeadByteBeforeANonTrailByteIsOneByte) {
  const std::string text = "\x81\tab";
  struct Case {
    const char* name;
    std::function<void(TTextEditor&)> act;
    std::string after;
  };
  const Case cases[] = {
      {"type", [](TTextEditor& e) { e.SetSelStart(2); e.InsertText("X"); }, "\x81\tXab"},
      {"delete", [](TTextEditor& e) { e.SetSelStart(0); e.SetSelLength(2); e.DeleteSelection(); }, "ab"},
      {"backspace", [](TTextEditor& e) { e.SetSelStart(3); e.Backspace(); }, "\x81\tb"},
      {"backspace the lead", [](TTextEditor& e) { e.SetSelStart(1); e.Backspace(); }, "\tab"},
  };
  for (const Case& c : cases) {
    SetText(e, text);
    c.act(e);
    EXPECT_EQ(e.Lines().GetTextStr(), c.after) << c.name;
  }
}

TEST_F(EditTest, DeleteRowPutsTheCaretOnTheRowThatFollows) {
  Start("a\r\nb\r\nc", 1, 1);
  e.DeleteRow(1);
  EXPECT_EQ(e.Lines().GetTextStr(), "a\r\nc");
  EXPECT_EQ(CaretOf(e), (Pos{1, 0}));
  e.DeleteRow(1);
  EXPECT_EQ(e.Lines().GetTextStr(), "a\r\n");
  EXPECT_EQ(CaretOf(e), (Pos{1, 0}));
  e.DeleteRow(5);
  EXPECT_EQ(e.Lines().GetTextStr(), "a\r\n");
}

TEST_F(EditTest, AReadOnlyViewChangesNothingButCopies) {
  TMemoryClipboard clip;
  e.SetClipboard(&clip);
  clip.SetText("p", false);
  const std::string text = "  ab\r\ncd\r\n";
  const std::vector<std::pair<const char*, std::function<void()>>> ops = {
      {"type", [&] { e.InsertText("x"); }},        {"sel text", [&] { e.SetSelTextBuf("x"); }},
      {"backspace", [&] { e.Backspace(); }},        {"delete", [&] { e.Delete(); }},
      {"enter", [&] { e.Enter(); }},                {"tab", [&] { e.Tab(); }},
      {"delete selection", [&] { e.DeleteSelection(); }}, {"cut", [&] { e.CutToClipboard(); }},
      {"paste", [&] { e.PasteFromClipboard(); }},  {"box paste", [&] { e.BoxPaste("x"); }},
      {"delete row", [&] { e.DeleteRow(0); }},      {"indent", [&] { e.IndentSelection(); }},
      {"unindent", [&] { e.UnindentSelection(); }}, {"move", [&] { e.MoveSelection(1, 2); }},
  };
  for (const auto& [name, op] : ops) {
    e.SetReadOnly(false);
    SetText(e, text);
    Select(0, 2, 0, 3);
    e.SetReadOnly(true);
    e.SetModified(false);
    op();
    EXPECT_EQ(e.Lines().GetTextStr(), text) << name;
    EXPECT_FALSE(e.Modified()) << name;
    EXPECT_FALSE(e.CanUndo()) << name;
  }
  EXPECT_EQ(clip.Text(), "a");  // the cut still copied
}

// A session of edits of every kind, then undone to the original bytes and
// redone to the edited ones, with Modified and OnChange along the way.
TEST_F(EditTest, ASessionUndoesToTheOriginalAndRedoesToTheEditedBytes) {
  TMemoryClipboard clip;
  e.SetClipboard(&clip);
  int changes = 0;
  e.OnChange = [&](TTextEditor&) { ++changes; };
  for (const bool wrap : {false, true}) {
    if (wrap) Wrap();
    const std::string original = "  first line of text\r\n" + kA + kI + "\tsecond\r\n\r\n" +
                                 std::string(45, 'w') + "\r\nlast";
    SetText(e, original);
    e.SetUndoListMax(1000);
    e.SetModified(false);
    changes = 0;
    std::vector<std::string> history{original};
    auto step = [&](const std::function<void()>& op) {
      op();
      if (e.Lines().GetTextStr() != history.back()) history.push_back(e.Lines().GetTextStr());
    };
    step([&] { e.SetRowCol(0, 7); e.InsertText("abc"); });
    step([&] { e.Enter(); });
    step([&] { e.InsertText(kA); });
    step([&] { e.Backspace(); });
    step([&] { e.SetRowCol(2, 2); e.Delete(); });
    step([&] { e.Tab(); });
    step([&] { e.SetRowCol(4, 30); e.InsertText("Q"); });
    step([&] { e.SetRowCol(4, 0); e.Backspace(); });
    step([&] { Select(0, 1, 2, 3); e.CutToClipboard(); });
    step([&] { e.SetRowCol(e.Text().Count() - 1, 2); e.PasteFromClipboard(); });
    step([&] { e.SetSelectionMode(smBox); Select(0, 0, 1, 2); e.CopyToClipboard(); });
    step([&] { e.CleanSelection(); e.SetSelectionMode(smNormal); e.SetRowCol(1, 3); e.PasteFromClipboard(); });
    step([&] { Select(0, 0, 2, 0); e.IndentSelection(); });
    step([&] { e.UnindentSelection(); });
    step([&] { e.CleanSelection(); Select(1, 0, 1, 2); e.MoveSelection(0, 1); });
    step([&] { e.DeleteRow(0); });
    step([&] { e.SelectAll(); e.Delete(); });
    EXPECT_EQ(e.Lines().GetTextStr(), "");
    EXPECT_TRUE(e.Modified());
    EXPECT_EQ(changes, static_cast<int>(history.size()) - 1);
    const std::string edited = e.Lines().GetTextStr();
    for (std::size_t i = history.size() - 1; i > 0; --i) {
      ASSERT_TRUE(e.Undo()) << i;
      ASSERT_EQ(e.Lines().GetTextStr(), history[i - 1]) << "undo " << i << (wrap ? " wrapped" : "");
    }
    EXPECT_FALSE(e.CanUndo());
    for (std::size_t i = 1; i < history.size(); ++i) {
      ASSERT_TRUE(e.Redo()) << i;
      ASSERT_EQ(e.Lines().GetTextStr(), history[i]) << "redo " << i << (wrap ? " wrapped" : "");
    }
    EXPECT_EQ(e.Lines().GetTextStr(), edited);
    EXPECT_FALSE(e.CanRedo());
  }
}

TEST_F(EditTest, UndoListMaxIsSharedAndACaretOptionChangeEmptiesTheHistory) {
  TTextEditor second;
  second.AttachText(e);
  e.SetUndoListMax(10);
  EXPECT_EQ(second.UndoListMax(), TTextEditorUndoObj::kMinUndoListMax);
  Start("abc", 0, 3);
  for (int i = 0; i < 70; ++i) e.InsertText("x");
  EXPECT_EQ(e.Text().UndoObj().UndoList().size(), 64u);
  second.Undo();
  EXPECT_EQ(e.Lines().GetTextStr(), "abc" + std::string(69, 'x'));
  e.Caret().SetTabSpaceCount(4);
  EXPECT_FALSE(e.CanUndo());
  EXPECT_FALSE(e.CanRedo());
}

}  // namespace
}  // namespace tamber
