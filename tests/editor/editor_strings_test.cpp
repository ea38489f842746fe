#include "editor/editor_strings.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "../support/bytes.h"
#include "editor/row_loader.h"
#include "editor/row_store.h"
#include "encoding/file_io.h"
#include "support/fake_view.h"

namespace tamber {
namespace {

namespace fs = std::filesystem;
using test::FakeView;
using test::Hex;

std::vector<std::string> RowTexts(const TTextEditorScreenStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s.Get(i));
  return out;
}

std::string Attrs(const TTextEditorScreenStrings& s) {
  std::string out;
  for (int i = 0; i < s.Count(); ++i) out += "BFLN"[s.RowAttribute(i)];
  return out;
}

class LinesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    text.AttachView(&view);
    char tmpl[] = "/tmp/tamber-lines-XXXXXX";
    ASSERT_NE(mkdtemp(tmpl), nullptr);
    dir = tmpl;
  }
  void TearDown() override { fs::remove_all(dir); }
  std::string Path(const char* name) const { return (dir / name).string(); }

  TTextEditorScreenStrings text;
  FakeView view;
  TTextEditorStrings lines{&text, &view};
  fs::path dir;
};

TEST_F(LinesTest, EmptyTextHasNoRowsAndNoLines) {
  lines.SetTextStr("");
  EXPECT_EQ(text.Count(), 0);
  EXPECT_EQ(lines.Count(), 0);
  EXPECT_EQ(lines.GetTextStr(), "");
  EXPECT_EQ(text.MaxCaretRow(), 0);
  EXPECT_THROW(lines.Get(0), EListError);
}

TEST_F(LinesTest, SetTextStrSplitsAtEveryKindOfBreakAndKeepsOtherBytes) {
  struct Case {
    std::string s;
    std::vector<std::string> rows;
    const char* attrs;
  };
  const std::vector<Case> cases = {
      {"abc\r\n", {"abc"}, "B"},
      {"a\rb\nc\r\n", {"a", "b", "c"}, "BBB"},
      {"a\n\rb", {"a", "", "b"}, "BBL"},
      {"a\r", {"a"}, "B"},
      {Hex("61 00 62 0D 0A 1A 63"), {Hex("61 00 62"), Hex("1A 63")}, "BL"},
  };
  for (const Case& c : cases) {
    lines.SetTextStr(c.s);
    EXPECT_EQ(RowTexts(text), c.rows) << test::ToHex(c.s);
    EXPECT_EQ(Attrs(text), c.attrs) << test::ToHex(c.s);
  }
  lines.SetTextStr("abc\r\n");
  EXPECT_EQ(lines.Count(), 1);
  EXPECT_EQ(text.MaxCaretRow(), 1);  // the caret may stand below a final break
}

TEST_F(LinesTest, LineEditsKeepTheFinalBreakAsItWas) {
  struct Case {
    const char* before;
    std::function<void(TTextEditorStrings&)> edit;
    const char* after;
  };
  const std::vector<Case> cases = {
      {"", [](auto& l) { l.Add("x"); }, "x\r\n"},
      {"abc", [](auto& l) { l.Add("x"); }, "abc\r\nx"},
      {"abc\r\n", [](auto& l) { l.Add("x"); }, "abc\r\nx\r\n"},
      {"a\r\nb", [](auto& l) { l.Put(1, "B"); }, "a\r\nB"},
      {"a\r\nb\r\n", [](auto& l) { l.Put(0, "A"); }, "A\r\nb\r\n"},
      {"a\r\nb", [](auto& l) { l.Insert(1, "x"); }, "a\r\nx\r\nb"},
      {"a\r\nb", [](auto& l) { l.Insert(2, "x"); }, "a\r\nb\r\nx"},
      {"a\r\nb\r\nc", [](auto& l) { l.Delete(1); }, "a\r\nc"},
  };
  for (const Case& c : cases) {
    lines.SetTextStr(c.before);
    c.edit(lines);
    EXPECT_EQ(lines.GetTextStr(), c.after) << c.before;
    text.CheckInvariants();
  }
}

TEST_F(LinesTest, LineEditsAreUndoableChangesAndMoveTheCaret) {
  lines.SetTextStr("abc\r\ndef\r\n");
  EXPECT_FALSE(text.CanUndo());
  EXPECT_FALSE(view.changes.back().Changed);  // setting the text is not a modification
  EXPECT_EQ(lines.Add("xy"), 2);
  EXPECT_TRUE(view.changes.back().Changed);
  EXPECT_EQ(text.UndoObj().UndoList().size(), 1u);
  EXPECT_EQ(view.caretRow, 3);  // after the new line's break
  EXPECT_EQ(view.caretCol, 0);
  lines.Put(1, "DEFG");
  EXPECT_EQ(view.caretRow, 1);
  EXPECT_EQ(view.caretCol, 4);
  lines.Delete(0);
  EXPECT_EQ(view.caretRow, 0);
  EXPECT_EQ(view.caretCol, 0);
  EXPECT_EQ(text.UndoObj().UndoList().size(), 3u);
  lines.Clear();  // outside an update, clearing is a change too
  EXPECT_TRUE(view.changes.back().Changed);
  lines.Assign(lines);
  EXPECT_EQ(view.caretRow, 0);
}

TEST_F(LinesTest, IndexOutsideTheLinesRaisesTheListError) {
  lines.SetTextStr("a\r\nb");
  EXPECT_THROW(lines.Get(2), EListError);
  EXPECT_THROW(lines.Put(2, "x"), EListError);
  EXPECT_THROW(lines.Insert(3, "x"), EListError);
  EXPECT_THROW(lines.Delete(-1), EListError);
  EXPECT_EQ(lines.GetTextStr(), "a\r\nb");
}

TEST_F(LinesTest, FoldedRowsMakeOneLine) {
  RowBlockBuilder b;
  b.Add("ab", raFolded);
  b.Add("c", raBreak);
  b.Add("de", raFolded);
  b.Add("f", raFolded);  // a folded last row still ends the last line
  text.SetAllRows(RowStore(b.Finish()));
  EXPECT_EQ(lines.Count(), 2);
  EXPECT_EQ(lines.Get(0), "abc");
  EXPECT_EQ(lines.Get(1), "def");
  EXPECT_EQ(lines.StoredStrings(), (std::vector<std::string>{"abc", "def"}));
  lines.Put(0, "XYZ");
  EXPECT_EQ(lines.GetTextStr(), "XYZ\r\ndef");
}

TEST_F(LinesTest, OffsetsCountCrLfAsTwoAndStopAtTheLastRow) {
  lines.SetTextStr("ab\r\n\r\ncd");
  EXPECT_EQ(text.TextLength(), 8);
  const std::vector<std::pair<std::int64_t, std::pair<int, int>>> cases = {
      {0, {0, 0}}, {2, {0, 2}}, {3, {0, 3}}, {4, {1, 0}}, {6, {2, 0}}, {8, {2, 2}}, {11, {2, 5}},
  };
  for (const auto& [off, rc] : cases) EXPECT_EQ(text.OffsetToRowCol(off), rc) << off;
  EXPECT_EQ(text.RowByteToOffset(2, 1), 7);
  EXPECT_EQ(text.OffsetToRowColFrom(1, 3), (std::pair<int, int>(2, 1)));
  lines.SetTextStr("ab\r\n");
  EXPECT_EQ(text.OffsetToRowCol(4), (std::pair<int, int>(1, 0)));  // below the final break
  lines.SetCaretByOffset(0, 3);
  EXPECT_EQ(view.caretRow, 0);
  EXPECT_EQ(view.caretCol, 3);
}

TEST_F(LinesTest, LoadingSplitsBreaksThatStraddleReads) {
  const std::size_t r = TTextEditorStrings::kLoadReadSize;
  const std::string a(r - 1, 'a'), b(r, 'b');
  const std::vector<std::string> files = {
      a + "\r\n" + "tail",           // CR last byte of one read, LF first of the next
      a + "\r" + "x\r" + b + "\r",   // lone CRs, one at the end of a read
      a + "\n\n" + b + "\n",         // LF ends
      b + "\r\n" + b + "\r\n",       // CR LF at the start of a read
      a + "\r",                      // a CR that is the last byte of the file
      std::string(3 * r + 17, 'z'),  // one line over several reads, no break
      Hex("61 0D 0A 1A 62 00 63 0D 0A 64"),
  };
  for (const std::string& f : files) {
    WriteFileAtomically(Path("f.txt"), f);
    lines.LoadFromFile(Path("f.txt"));
    TTextEditorStringList expect;
    SplitText(f, expect);
    ASSERT_EQ(text.Count(), expect.Count());
    for (int i = 0; i < expect.Count(); ++i) ASSERT_EQ(text.Get(i), expect.Get(i)) << i;
    EXPECT_EQ(lines.GetTextStr(), NormalizeBreaks(f));
    std::istringstream in(f);
    TTextEditorScreenStrings other;
    TTextEditorStrings otherLines(&other);
    otherLines.LoadFromStream(in);
    EXPECT_EQ(other.GetTextStr(), lines.GetTextStr());
    text.CheckInvariants();
  }
}

TEST(RowLoader, PiecesOfAnySizeGiveTheRowsOfTheWholeText) {
  // Lines of every length up to past two search blocks, each kind of break,
  // and bytes that are not breaks (NUL, 0x1A, high bytes).
  std::string text;
  const char* breaks[] = {"\r\n", "\n", "\r", "\r\r\n", "\n\r"};
  for (int len = 0; len < 40; ++len) {
    for (int i = 0; i < len; ++i)
      text += i % 7 == 3 ? '\0' : i % 11 == 5 ? '\x1A' : i % 5 == 4 ? '\x88' : static_cast<char>('a' + i % 26);
    text += breaks[len % 5];
  }
  text += "tail";
  TTextEditorStringList expect;
  SplitText(text, expect);
  for (const std::size_t size : {std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{15}, std::size_t{16},
                                 std::size_t{17}, std::size_t{33}, text.size()}) {
    RowLoader loader;
    for (std::size_t at = 0; at < text.size(); at += size) loader.Feed(std::string_view(text).substr(at, size));
    const RowStore rows = loader.Finish();
    ASSERT_EQ(rows.Count(), static_cast<std::size_t>(expect.Count())) << "pieces of " << size;
    for (int i = 0; i < expect.Count(); ++i) {
      ASSERT_EQ(rows.Text(static_cast<std::size_t>(i)), expect.Get(i)) << "pieces of " << size << ", row " << i;
      const TRowAttribute kind = i + 1 < expect.Count() ? raBreak : raLast;
      ASSERT_EQ(rows.Attr(static_cast<std::size_t>(i)) & 3u, static_cast<std::uint32_t>(kind));
    }
  }
}

TEST_F(LinesTest, AFailedLoadLeavesTextAndUndoAsTheyWere) {
  lines.SetTextStr("keep\r\n");
  lines.Add("me");
  view.changes.clear();
  EXPECT_THROW(lines.LoadFromFile(Path("missing.txt")), std::system_error);
  EXPECT_THROW(lines.LoadFromFile(dir.string()), std::system_error);
  EXPECT_EQ(lines.GetTextStr(), "keep\r\nme\r\n");
  EXPECT_TRUE(text.CanUndo());
  EXPECT_TRUE(view.changes.empty());
}

TEST_F(LinesTest, LoadingReplacesTheTextWithoutModifyingIt) {
  lines.SetTextStr("old");
  lines.Add("x");
  WriteFileAtomically(Path("f.txt"), "new\r\n");
  lines.LoadFromFile(Path("f.txt"));
  EXPECT_EQ(lines.GetTextStr(), "new\r\n");
  EXPECT_FALSE(text.CanUndo());
  EXPECT_FALSE(view.changes.back().Changed);
  EXPECT_EQ(view.linesBegun, view.linesEnded);
  EXPECT_GT(view.relayouts, 0);
}

TEST_F(LinesTest, SavingWritesTheBreaksOfTheDocumentsStyle) {
  lines.SetTextStr(Hex("61 0D 0A 00 1A 0D 0A 62"));
  const std::vector<std::pair<LineEnd, std::string>> cases = {
      {LineEnd::CrLf, Hex("61 0D 0A 00 1A 0D 0A 62")},
      {LineEnd::Lf, Hex("61 0A 00 1A 0A 62")},
      {LineEnd::Cr, Hex("61 0D 00 1A 0D 62")},
  };
  for (const auto& [style, bytes] : cases) {
    lines.SaveToFile(Path("out.txt"), style);
    EXPECT_EQ(test::ToHex(ReadWholeFile(Path("out.txt"))), test::ToHex(bytes));
    std::ostringstream os;
    lines.SaveToStream(os, style);
    EXPECT_EQ(os.str(), bytes);
  }
}

TEST_F(LinesTest, SavingKeepsTheModeAndAFailedSaveChangesNothing) {
  const std::string path = Path("m.txt");
  WriteFileAtomically(path, "before");
  ASSERT_EQ(chmod(path.c_str(), 0640), 0);
  lines.SetTextStr("after\r\n");
  lines.SaveToFile(path);
  struct stat st {};
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0640u);
  EXPECT_EQ(ReadWholeFile(path), "after\r\n");

  EXPECT_THROW(lines.SaveToFile(Path("no/such/folder.txt")), std::system_error);
  fs::create_directory(dir / "sub");
  EXPECT_THROW(lines.SaveToFile(Path("sub")), std::system_error);
  EXPECT_TRUE(fs::is_directory(dir / "sub"));
  std::size_t entries = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir)) ++entries;
  EXPECT_EQ(entries, 2u);  // m.txt and sub: no temporary file left behind
}

TEST_F(LinesTest, StoredStringsReadBackAsBreakRows) {
  lines.LoadStoredStrings({"one", "", "three"});
  EXPECT_EQ(lines.GetTextStr(), "one\r\n\r\nthree\r\n");
  EXPECT_EQ(Attrs(text), "BBB");
}

TEST_F(LinesTest, NestedUpdatesRepaintOnceAtTheEnd) {
  FakeView second;
  text.AttachView(&second);
  lines.BeginUpdate();
  lines.BeginUpdate();
  lines.Add("a");
  lines.Add("b");
  lines.EndUpdate();
  EXPECT_EQ(view.changes.size(), 0u);
  lines.EndUpdate();
  EXPECT_EQ(view.changes.size(), 1u);
  EXPECT_EQ(view.linesBegun, 1);
  EXPECT_EQ(view.linesEnded, 1);
  EXPECT_EQ(second.relayouts, 1);
  EXPECT_EQ(second.linesBegun, 0);
}

}  // namespace
}  // namespace tamber
