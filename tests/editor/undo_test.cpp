// Undo and redo against whole texts: every step taken back must give the
// exact bytes the text had before it, and every step done again the bytes it
// had after it.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "editor/row_loader.h"
#include "editor/screen_strings.h"
#include "support/fake_view.h"

namespace tamber {
namespace {

using test::FakeView;

RowStore RowsOf(std::string_view text) {
  RowLoader l;
  l.Feed(text);
  return l.Finish();
}

class UndoTest : public ::testing::Test {
 protected:
  void SetUp() override { text.AttachView(&view); }
  void Load(std::string_view s) { text.SetAllRows(RowsOf(s)); }
  // Undoes every step, checking each text on the way back, then redoes every
  // step, checking each text on the way forward.
  void CheckHistory(const std::vector<std::string>& history, const char* what) {
    for (std::size_t i = history.size() - 1; i > 0; --i) {
      ASSERT_TRUE(text.Undo()) << what << " step " << i;
      ASSERT_EQ(text.GetTextStr(), history[i - 1]) << what << " undoing step " << i;
      text.CheckInvariants();
    }
    EXPECT_FALSE(text.CanUndo()) << what;
    for (std::size_t i = 1; i < history.size(); ++i) {
      ASSERT_TRUE(text.Redo()) << what << " step " << i;
      ASSERT_EQ(text.GetTextStr(), history[i]) << what << " redoing step " << i;
      text.CheckInvariants();
    }
    EXPECT_FALSE(text.CanRedo()) << what;
  }
  TTextEditorScreenStrings text;
  FakeView view;
};

// Random pieces: ASCII, double-byte characters, blanks, tabs and line breaks.
std::string Piece(std::mt19937& rng, int maxLen) {
  static const char* const kParts[] = {"a", "bc", "\x82\xa0", "\x88\x9f", " ", "\t", "\r\n",
                                       "\x81\x42", "xyz", "\x81\x40", "(", "\x81\x75"};
  std::string s;
  const int n = std::uniform_int_distribution<int>(0, maxLen)(rng);
  for (int i = 0; i < n; ++i) s += kParts[std::uniform_int_distribution<int>(0, 11)(rng)];
  return s;
}

// A byte position of the model that does not fall between CR and LF.
std::int64_t Position(std::mt19937& rng, const std::string& model) {
  std::int64_t p = std::uniform_int_distribution<std::int64_t>(0, model.size())(rng);
  if (p > 0 && p < static_cast<std::int64_t>(model.size()) && model[p] == '\n') --p;
  return p;
}

TEST_F(UndoTest, RandomEditsUndoToTheOriginalBytesAndRedoToTheEditedOnes) {
  std::mt19937 rng(6);
  for (int wrap = 0; wrap < 2; ++wrap) {
    text.SetWordWrap(wrap == 1);
    text.WrapOption().SetWrapByte(20);
    text.WrapOption().SetLeading(true);
    text.WrapOption().SetFollowPunctuation(true);
    for (int round = 0; round < 30; ++round) {
      std::string model = Piece(rng, 40);
      Load(model);
      text.SetUndoListMax(1000);
      std::vector<std::string> history{model};
      for (int step = 0; step < 25; ++step) {
        if (rng() % 3 == 0 && text.Count() > 0) {
          // A row-level edit as the editing operations make them.
          const int row = std::uniform_int_distribution<int>(0, text.Count() - 1)(rng);
          const int count = std::uniform_int_distribution<int>(0, std::min(2, text.Count() - row))(rng);
          text.ReplaceRows(row, count, Piece(rng, 6));
          model = text.GetTextStr();
        } else {
          const std::int64_t at = Position(rng, model);
          std::int64_t end = Position(rng, model);
          if (end < at) end = at;
          end = std::min<std::int64_t>(end, at + 12);
          if (end > at && end < static_cast<std::int64_t>(model.size()) && model[end] == '\n') ++end;
          const std::string put = Piece(rng, 4);
          const std::string before = model;
          model.replace(at, end - at, put);
          // The same edit as a range of rows rebuilt, or as one value spliced in.
          if (rng() % 2) {
            text.ReplaceRange(at, end - at, put);
          } else {
            view.changes.clear();
            text.Splice({at, end - at, put});
            if (end > at || !put.empty()) {
              // The change reported, replayed on the old bytes, gives the new ones.
              ASSERT_EQ(view.changes.size(), 1u);
              const TTextEdit& told = view.changes[0].Edit;
              std::string replay = before;
              replay.replace(told.At, told.RemovedLength, told.Inserted);
              ASSERT_EQ(replay, model) << "wrap " << wrap << " round " << round << " step " << step;
            }
          }
          ASSERT_EQ(text.GetTextStr(), model) << "wrap " << wrap << " round " << round << " step " << step;
        }
        text.CheckInvariants();
        if (history.size() == text.UndoObj().UndoList().size()) history.push_back(model);
        else history.back() = model;  // an ignored edit records nothing
      }
      CheckHistory(history, wrap ? "wrapped" : "unwrapped");
    }
  }
}

TEST_F(UndoTest, RedoAfterUndoingANewLineKeepsTheFollowingLine) {
  Load("ab\r\ncd\r\nef");
  text.ReplaceRows(0, 1, "a\r\nb\r\n");  // Enter inside the first line
  text.ReplaceRows(3, 1, "");            // and the next line deleted
  CheckHistory({"ab\r\ncd\r\nef", "a\r\nb\r\ncd\r\nef", "a\r\nb\r\ncd\r\n"}, "enter");
}

TEST_F(UndoTest, UndoPutsBackTheCaretTheStepSavedAndRedoTheCaretBeforeTheUndo) {
  Load("abc\r\ndef\r\n");
  view.caretRow = 1;
  view.caretCol = 2;
  text.ReplaceRows(1, 1, "deXf\r\n");
  view.caretRow = 1;
  view.caretCol = 3;  // where the typing left it
  ASSERT_TRUE(text.Undo());
  EXPECT_EQ(text.GetTextStr(), "abc\r\ndef\r\n");
  EXPECT_EQ(std::pair(view.caretRow, view.caretCol), std::pair(1, 2));
  EXPECT_GE(view.dropped, 1);
  view.caretRow = 0;
  view.caretCol = 0;
  ASSERT_TRUE(text.Redo());
  EXPECT_EQ(text.GetTextStr(), "abc\r\ndeXf\r\n");
  EXPECT_EQ(std::pair(view.caretRow, view.caretCol), std::pair(1, 3));
}

TEST_F(UndoTest, ViewsOfOneTextShareTheHistoryAndTheFocusedViewGetsTheCaret) {
  FakeView second;
  text.AttachView(&second);
  second.focus = true;
  Load("one\r\ntwo\r\n");
  second.caretRow = 1;
  second.caretCol = 3;
  text.ReplaceRows(1, 1, "two!\r\n");
  second.caretCol = 4;
  ASSERT_TRUE(text.Undo());
  EXPECT_EQ(second.caretCol, 3);
  EXPECT_EQ(view.caretRow, 0);  // the other view keeps its caret
  EXPECT_TRUE(text.CanRedo());
  text.DetachView(&second);
}

TEST_F(UndoTest, ANewEditEmptiesTheRedoListAndEmptyListsDoNothing) {
  Load("x\r\n");
  EXPECT_FALSE(text.Undo());
  EXPECT_FALSE(text.Redo());
  text.ReplaceRows(0, 1, "xy\r\n");
  ASSERT_TRUE(text.Undo());
  EXPECT_TRUE(text.CanRedo());
  text.ReplaceRows(0, 1, "z\r\n");
  EXPECT_FALSE(text.CanRedo());
  EXPECT_FALSE(text.Redo());
  EXPECT_EQ(text.GetTextStr(), "z\r\n");
}

TEST_F(UndoTest, RecordsKeepTheChangedBytesNotTheLine) {
  const std::string line(200000, 'q');
  for (const bool wrap : {false, true}) {
    text.SetWordWrap(wrap);
    Load(line + "\r\n");
    text.ReplaceRange(100000, 0, "A");
    text.ReplaceRange(100000, 1, "");
    text.ReplaceRange(5, 3, "\x82\xa0");
    for (const TUndoData& r : text.UndoObj().UndoList()) EXPECT_LE(r.RemovedText.size(), 3u);
    text.Undo();
    text.Undo();
    text.Undo();
    EXPECT_EQ(text.GetTextStr(), line + "\r\n");
    for (const TUndoData& r : text.UndoObj().RedoList()) EXPECT_LE(r.RemovedText.size(), 2u);
  }
}

TEST_F(UndoTest, ReplaceRangeWorksAtTheEndsOfTheText) {
  struct Case {
    const char* before;
    std::int64_t at, length;
    const char* put;
    const char* after;
  };
  const Case cases[] = {
      {"ab\r\n", 4, 0, "c", "ab\r\nc"},        // on the position after the final break
      {"ab\r\ncd", 2, 4, "", "ab"},            // the break and the last line go
      {"ab\r\n", 0, 4, "", ""},                // everything goes
      {"ab", 2, 0, "\r\n", "ab\r\n"},
      {"", 0, 0, "x", "x"},
      {"ab\r\ncd\r\n", 1, 99, "Z", "aZ"},      // a length past the end is cut
  };
  for (const Case& c : cases) {
    Load(c.before);
    text.ReplaceRange(c.at, c.length, c.put);
    EXPECT_EQ(text.GetTextStr(), c.after) << c.before << " @" << c.at;
    text.CheckInvariants();
    if (text.CanUndo()) {
      text.Undo();
      EXPECT_EQ(text.GetTextStr(), c.before);
    }
  }
}

// Many separate changes in one step: random texts (CR LF, a final break or
// not, with word wrap off and on) and random rising spans; a span that brings
// or takes a break makes the step go over the whole stretch instead.
TEST_F(UndoTest, ReplaceSpansIsOneStepThatUndoesAndRedoesToTheExactBytesAndMarks) {
  std::mt19937 rng(23);
  text.WrapOption().SetWrapByte(12);
  static const char* const kInserts[] = {"", "Q", "\x82\xa0\x82\xa2", "long replacement text", "\t"};
  for (int round = 0; round < 240; ++round) {
    const bool wrap = round % 2 == 1;
    const bool withBreaks = round % 8 == 7;
    text.SetWordWrap(wrap);
    std::string before;
    const int lines = std::uniform_int_distribution<int>(1, 12)(rng);
    for (int i = 0; i < lines; ++i) {
      std::string line;
      for (std::string p = Piece(rng, 10); !p.empty(); p = Piece(rng, 10))
        if (p.find('\r') == std::string::npos) line += p;
      before += line;
      if (i + 1 < lines || round % 3 == 0) before += "\r\n";
    }
    SCOPED_TRACE(testing::Message() << "round " << round << " text " << before);
    Load(before);
    if (text.Count() == 0) continue;
    for (int r = 0; r < text.Count(); r += 2) text.SetRowMarks(r, static_cast<std::uint16_t>(1u << (r % 16)));
    std::vector<std::uint16_t> marksBefore;
    for (int r = 0; r < text.Count(); ++r) marksBefore.push_back(text.RowMarks(r));
    const std::uint16_t usedBefore = text.UsedMarks();

    // Rising spans inside lines (or, now and then, over a break).
    std::vector<TSpanEdit> spans;
    std::string after;
    std::size_t kept = 0, removedBytes = 0;
    for (std::size_t at = 0; at <= before.size();) {
      at += std::uniform_int_distribution<std::size_t>(0, 6)(rng);
      if (at > before.size()) break;
      if (at > 0 && at < before.size() && before[at] == '\n') ++at;  // not inside CR LF
      const std::size_t lineEnd = std::min(before.find("\r\n", at), before.size());
      std::size_t len = std::uniform_int_distribution<std::size_t>(0, 3)(rng);
      len = withBreaks && lineEnd + 2 <= before.size() && len == 3 ? lineEnd + 2 - at : std::min(len, lineEnd - at);
      const char* put = kInserts[std::uniform_int_distribution<int>(0, 4)(rng)];
      if (withBreaks && std::uniform_int_distribution<int>(0, 9)(rng) == 0) put = "\r\n";
      after.append(before, kept, at - kept);
      after += put;
      spans.push_back({static_cast<std::int64_t>(at), static_cast<std::int64_t>(len), put});
      removedBytes += len;
      kept = at + len;
      at = kept + 1;
    }
    after.append(before, kept);
    if (after == before) continue;  // nothing to change: no step
    // Lines come or go: the step goes over the whole stretch.
    const bool newLastLine = before.ends_with("\r\n") && !spans.empty() &&
                             spans.back().At == static_cast<std::int64_t>(before.size()) &&
                             !spans.back().Inserted.empty();
    const bool inPlace = !withBreaks && !newLastLine;

    view.changes.clear();
    const std::size_t steps = text.UndoObj().UndoList().size();
    text.ReplaceSpans(spans);
    ASSERT_EQ(text.GetTextStr(), after);
    text.CheckInvariants();
    ASSERT_EQ(text.UndoObj().UndoList().size(), steps + 1);
    EXPECT_FALSE(view.changes.empty());
    const TUndoData& rec = text.UndoObj().UndoList().back();
    if (inPlace) {
      // Nothing but the removed bytes is kept, and every row keeps its marks.
      EXPECT_FALSE(rec.Spans.empty());
      EXPECT_LE(rec.RemovedText.size(), removedBytes);
      EXPECT_EQ(text.UsedMarks(), usedBefore);
      if (!wrap) {
        ASSERT_EQ(text.Count(), static_cast<int>(marksBefore.size()));
        for (int r = 0; r < text.Count(); ++r) {
          EXPECT_EQ(text.RowMarks(r), marksBefore[r]) << "row " << r;
        }
      }
    }
    ASSERT_TRUE(text.Undo());
    ASSERT_EQ(text.GetTextStr(), before);
    text.CheckInvariants();
    if (inPlace) {
      EXPECT_EQ(text.UsedMarks(), usedBefore);
      if (!wrap) {
        for (int r = 0; r < text.Count(); ++r) {
          EXPECT_EQ(text.RowMarks(r), marksBefore[r]) << "row " << r;
        }
      }
    }
    ASSERT_TRUE(text.Redo());
    ASSERT_EQ(text.GetTextStr(), after);
    text.CheckInvariants();
    ASSERT_TRUE(text.Undo());
    ASSERT_EQ(text.GetTextStr(), before);
  }
}

// A literal replaced everywhere keeps the removed bytes once, not per match.
TEST_F(UndoTest, ReplaceSpansOfALiteralKeepsItsBytesOnce) {
  std::string before, after;
  std::vector<TSpanEdit> spans;
  for (int i = 0; i < 1000; ++i) {
    spans.push_back({static_cast<std::int64_t>(before.size()) + 2, 4, "\x82\xa9\x82\xf1\x82\xb6"});
    before += "ab\x8a\xbf\x8e\x9a" + std::string(i % 7, 'c') + "\r\n";
    after += "ab\x82\xa9\x82\xf1\x82\xb6" + std::string(i % 7, 'c') + "\r\n";
  }
  Load(before);
  text.ReplaceSpans(spans);
  EXPECT_EQ(text.GetTextStr(), after);
  const TUndoData& rec = text.UndoObj().UndoList().back();
  EXPECT_EQ(rec.RemovedText, "\x8a\xbf\x8e\x9a");
  EXPECT_LE(rec.Spans.size(), 2000u);
  ASSERT_TRUE(text.Undo());
  EXPECT_EQ(text.GetTextStr(), before);
  EXPECT_EQ(text.UndoObj().RedoList().back().RemovedText, "\x82\xa9\x82\xf1\x82\xb6");
  ASSERT_TRUE(text.Redo());
  EXPECT_EQ(text.GetTextStr(), after);
}

}  // namespace
}  // namespace tamber
