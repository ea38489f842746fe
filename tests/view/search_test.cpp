// The editor's find and replace against a plain reference: every line listed
// on its own (FindInLine of the search library) and the hits taken in order,
// over texts with and without word wrap and in every hit style.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoding/cp932_codec.h"
#include "search/regexp_error.h"
#include "view/editor_search.h"
#include "view/furniture.h"
#include "view_support.h"

namespace tamber {
namespace {

struct Hit {
  std::int64_t offset, length;
  friend bool operator==(const Hit&, const Hit&) = default;
  friend std::ostream& operator<<(std::ostream& os, const Hit& h) { return os << h.offset << "+" << h.length; }
};

std::vector<std::string> SplitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t brk; (brk = text.find("\r\n", start)) != std::string::npos; start = brk + 2)
    lines.push_back(text.substr(start, brk - start));
  lines.push_back(text.substr(start));
  return lines;
}

// Every match of every line, in text offsets.
std::vector<Hit> ReferenceHits(const std::string& text, const std::string& find, TFxSearchOptions options,
                               std::size_t limit = std::string::npos) {
  TAWKStrEx matcher;
  std::vector<Hit> hits;
  std::vector<TSearchInfo> list;
  const auto lines = SplitCrLf(text);
  std::size_t offset = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    FindInLine(matcher, lines[i], i + 1 == lines.size(), find, options, list);
    for (const TSearchInfo& m : list) {
      if (m.MatchPos > limit) break;
      hits.push_back({static_cast<std::int64_t>(offset + m.MatchPos - 1), static_cast<std::int64_t>(m.MatchLen)});
    }
    offset += lines[i].size() + 2;
  }
  return hits;
}

// Replace-all as the loop over the lines does it (JoinsNext appends the next line).
std::pair<std::string, std::size_t> ReferenceReplaceAll(const std::string& text, const std::string& find,
                                                        TFxSearchOptions options, const std::string& repl) {
  TAWKStrEx matcher;
  const auto lines = SplitCrLf(text);
  std::string out;
  std::size_t count = 0;
  bool join = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const TLineReplacement r = ReplaceInLine(matcher, lines[i], i + 1 == lines.size(), find, options, repl);
    count += r.count;
    if (i > 0 && !join) out += "\r\n";
    out += r.NewText;
    join = r.JoinsNext;
  }
  return {out, count};
}

struct Fixture {
  TTextEditor editor;
  TTextEditorFurniture furniture{editor};
  TEditorSearch search{editor, furniture};

  explicit Fixture(const std::string& text, int wrapByte = 0) {
    test::SetText(editor, text);
    editor.SetVisibleSize(20, 80);
    if (wrapByte > 0) {
      editor.Text().WrapOption().SetWrapByte(wrapByte);
      editor.Text().SetWordWrap(true);
    }
  }
  Hit Current() const {
    const std::int64_t len = editor.SelectionState() == sstHit ? editor.HitLength() : editor.SelLength();
    return {editor.SelStart(), len};
  }
  std::int64_t Caret() const {
    const int r = editor.Row();
    return editor.Text().RowByteToOffset(r, editor.ColToByte(r, editor.Col()));
  }
};

const char* kText =
    "漢字の漢字\r\na cat. concat cats\r\n\r\nアA aaaa\r\nxa\r\nb漢字\r\n\r\nテキストとてきすと\r\nlast a";

struct Case {
  const char* find;  // UTF-8
  TFxSearchOptions options;
};

const std::vector<Case> kCases = {
    {"漢字", 0},
    {"漢字", soWholeWord},  // between hiragana, not inside a kanji run
    {"cat", soWholeWord},
    {"a", 0},               // never the trail byte of ア, in either case
    {"A", soMatchCase},
    {"aa", 0},              // adjacent hits are all found
    {"a$", soRegexp},
    {"a\\r\\n", soRegexp},
    {"てきすと", soRegexp | soFuzzy},
    {"てきすと", soFuzzy},  // fuzzy needs the regular-expression mode
    {"", 0},                // an empty plain string finds nothing
};

TEST(EditorSearch, FindNextAndPrevWalkEveryHitInEveryHitStyleWithAndWithoutWrap) {
  const std::string text = Utf8ToCp932(kText);
  for (const int wrap : {0, 6}) {
    for (const TTextEditorHitStyle style : {hsSelect, hsDraw, hsCaret}) {
      for (const Case& c : kCases) {
        SCOPED_TRACE(std::string(c.find) + " wrap " + std::to_string(wrap) + " style " + std::to_string(style));
        const std::string find = Utf8ToCp932(c.find);
        const std::vector<Hit> want = ReferenceHits(text, find, c.options);
        Fixture f(text, wrap);
        f.editor.SetFocused(true);
        f.editor.SetHitStyle(style);
        f.search.SetFindString(find);
        f.search.SetFxSearchOptions(c.options);
        std::vector<Hit> forward;
        while (f.search.SearchNext()) {
          forward.push_back(f.Current());
          ASSERT_LE(forward.size(), want.size() + 1);
          // hsCaret leaves the caret at the hit's start, the others at its end.
          EXPECT_EQ(f.Caret(), forward.back().offset + (style == hsCaret ? 0 : forward.back().length));
        }
        EXPECT_EQ(forward, want);
        // At the last hit a further search fails and moves nothing.
        const std::int64_t caret = f.Caret();
        EXPECT_FALSE(f.search.SearchNext());
        EXPECT_EQ(f.Caret(), caret);

        // From the end backwards: the caret goes to each hit's start.
        f.editor.SetSelStart(f.editor.GetTextLength());
        std::vector<Hit> backward;
        while (f.search.SearchPrev()) {
          backward.insert(backward.begin(), f.Current());
          ASSERT_LE(backward.size(), want.size() + 1);
          EXPECT_EQ(f.Caret(), backward.front().offset);
        }
        EXPECT_EQ(backward, want);
        f.editor.CheckInvariants();
      }
    }
  }
}

TEST(EditorSearch, WithoutWrapMatchesPastByte1000OfALineAreNotVisitedByFindNext) {
  const std::string text = "x" + std::string(1200, '-') + "x\r\nx";
  Fixture f(text);
  f.search.SetFindString("x");
  std::vector<Hit> got;
  while (f.search.SearchNext()) got.push_back(f.Current());
  EXPECT_EQ(got, (std::vector<Hit>{{0, 1}, {1204, 1}}));
  Fixture wrapped(text, 40);
  wrapped.search.SetFindString("x");
  got.clear();
  while (wrapped.search.SearchNext()) got.push_back(wrapped.Current());
  EXPECT_EQ(got, (std::vector<Hit>{{0, 1}, {1201, 1}, {1204, 1}}));
  // Replace-all knows no such limit, in either form.
  for (const bool bulk : {false, true}) {
    Fixture r(text);
    r.search.SetFindString("x");
    EXPECT_EQ(r.search.ReplaceAll("y", bulk), 3u);
    EXPECT_EQ(r.editor.GetText(), "y" + std::string(1200, '-') + "y\r\ny");
  }
}

TEST(EditorSearch, AHitNeverSplitsACrLf) {
  const std::vector<std::pair<const char*, Hit>> cases = {
      {"\\n", {2, 2}}, {"a\\r", {1, 1}}, {"\\r", {2, 2}}, {"a\\r\\n", {1, 3}}};
  for (const auto& [find, want] : cases) {
    SCOPED_TRACE(find);
    Fixture f("xa\r\nb\r\n");
    f.search.SetFindString(find);
    f.search.SetFxSearchOptions(soRegexp);
    ASSERT_TRUE(f.search.SearchNext());
    EXPECT_EQ(f.Current(), want);
    // The next search goes on after the break instead of finding its LF again.
    int more = 0;
    while (f.search.SearchNext() && more < 3) ++more;
    const bool everyBreak = std::string_view(find) == "\\n" || std::string_view(find) == "\\r";
    EXPECT_EQ(more, everyBreak ? 1 : 0);
    f.editor.SetSelStart(f.editor.GetTextLength());
    int back = 0;
    while (f.search.SearchPrev() && back < 4) ++back;
    EXPECT_EQ(back, more + 1);
  }
}

TEST(EditorSearch, FindNextFromTheMiddleStartsAtTheCaret) {
  const std::string text = "ab ab\r\nab";
  Fixture f(text);
  f.search.SetFindString("ab");
  f.editor.SetSelStart(1);
  ASSERT_TRUE(f.search.SearchNext());
  EXPECT_EQ(f.Current(), (Hit{3, 2}));
  f.editor.SetSelStart(4);
  ASSERT_TRUE(f.search.SearchPrev());
  EXPECT_EQ(f.Current(), (Hit{3, 2}));
}

TEST(EditorSearch, OptionsAreKeptNormalisedAndFindInLineFillsMatchList) {
  Fixture f(Utf8ToCp932("ab\r\nAB ab"));
  f.search.SetFxSearchOptions(soFuzzy | soWholeWord | soMatchCase);
  EXPECT_EQ(f.search.FxSearchOptions(), static_cast<unsigned>(soWholeWord | soMatchCase));
  f.search.SetFxSearchOptions(soRegexp | soFuzzy | soWholeWord);
  EXPECT_EQ(f.search.FxSearchOptions(), static_cast<unsigned>(soRegexp | soFuzzy));
  EXPECT_TRUE(f.search.Matcher().UseFuzzyCharDic());
  EXPECT_EQ(f.furniture.FxSearchOptions(), f.search.FxSearchOptions());  // the find marks use them
  f.search.SetFxSearchOptions(0);
  f.search.SetFindString("ab");
  ASSERT_EQ(f.search.FindInLine(1), 2u);
  EXPECT_EQ(f.search.MatchList()[0].MatchPos, 1u);
  EXPECT_EQ(f.search.MatchList()[0].MatchText, "AB");
  EXPECT_EQ(f.search.MatchList()[1].MatchPos, 4u);
  EXPECT_EQ(f.search.LogicalLineText(1), "AB ab");
}

TEST(EditorSearch, ABadRegularExpressionRaisesItsErrorAndLeavesTheCaret) {
  Fixture f("abc\r\n(ab");
  f.search.SetFindString("(ab");
  f.search.SetFxSearchOptions(soRegexp);
  f.editor.SetSelStart(2);
  EXPECT_THROW(f.search.SearchNext(), ERegExpParser);
  EXPECT_THROW(f.search.ReplaceAll("x", true), ERegExpParser);
  EXPECT_EQ(f.Caret(), 2);
  EXPECT_EQ(f.editor.GetText(), "abc\r\n(ab");
  f.search.SetFxSearchOptions(0);  // as plain text it is found
  EXPECT_TRUE(f.search.SearchNext());
}

struct ReplaceCase {
  const char* find;
  TFxSearchOptions options;
  const char* replacement;
};

TEST(EditorSearch, ReplaceAllInBothFormsEqualsTheLineLoopAndUndoesToTheExactBytes) {
  const std::vector<ReplaceCase> cases = {
      {"漢字", 0, "かんじ"},     {"cat", soWholeWord, "dog"}, {"a", 0, "aa"},  // the replacement holds the find string
      {"a\\r\\n", soRegexp, "-"}, {"a$", soRegexp, "$&"},      {"\\n", soRegexp, "+"},
      {"a\\r", soRegexp, "R"},    {"てきすと", soRegexp | soFuzzy, "T"}, {"^$", soRegexp, "E"},
  };
  for (const bool finalBreak : {false, true}) {
    const std::string text = Utf8ToCp932(kText) + (finalBreak ? "\r\n" : "");
    for (const int wrap : {0, 6}) {
      for (const ReplaceCase& c : cases) {
        for (const bool bulk : {false, true}) {
          SCOPED_TRACE(std::string(c.find) + (bulk ? " bulk" : " loop") + " wrap " + std::to_string(wrap) +
                       (finalBreak ? " final break" : ""));
          const std::string find = Utf8ToCp932(c.find), repl = Utf8ToCp932(c.replacement);
          const auto [want, wantCount] = ReferenceReplaceAll(text, find, c.options, repl);
          Fixture f(text, wrap);
          f.search.SetFindString(find);
          f.search.SetFxSearchOptions(c.options);
          const std::size_t undoSteps = f.editor.Text().UndoObj().UndoList().size();
          EXPECT_EQ(f.search.ReplaceAll(repl, bulk), wantCount);
          EXPECT_EQ(f.editor.GetText(), want);
          f.editor.CheckInvariants();
          if (wantCount == 0) continue;
          EXPECT_TRUE(f.editor.Modified());
          EXPECT_EQ(f.editor.Text().UndoObj().UndoList().size(), undoSteps + 1);  // one step
          if (bulk) EXPECT_EQ(f.Caret(), f.editor.GetTextLength());
          ASSERT_TRUE(f.editor.Undo());
          EXPECT_EQ(f.editor.GetText(), text);
          f.editor.CheckInvariants();
        }
      }
    }
  }
}

TEST(EditorSearch, ReplaceInLineRebuildsTheWholeLogicalLineOfAWrappedRow) {
  Fixture f("one cat two cat three\r\nnext", 8);
  ASSERT_EQ(f.editor.Text().Count(), 3);  // the first line is folded
  ASSERT_EQ(f.editor.Text().RowAttributeAt(0), raFolded);
  f.search.SetFindString("cat");
  TReplaceInfo info{1, "dog", {}, false};  // the line's second row
  EXPECT_EQ(f.search.ReplaceInLine(info), 2u);
  EXPECT_EQ(info.NewText, "one dog two dog three");
  EXPECT_FALSE(info.JoinsNext);
  EXPECT_EQ(f.search.MatchList().size(), 2u);
  f.search.SetFxSearchOptions(soRegexp);
  f.search.SetFindString("e\\r\\n");
  info.Row = 0;
  EXPECT_EQ(f.search.ReplaceInLine(info), 1u);
  EXPECT_EQ(info.NewText, "one cat two cat thredog");
  EXPECT_TRUE(info.JoinsNext);
  EXPECT_EQ(f.editor.GetText(), "one cat two cat three\r\nnext");  // nothing edited
}

TEST(EditorSearch, ReplaceAllKeepsRowMarksOnTheLinesThatSurvive) {
  // Lines: 0 "xa", 1 "b", 2 "xa", 3 "c", 4 "d"; joining the "a" lines moves "c" and "d" up.
  const std::string text = "xa\r\nb\r\nxa\r\nc\r\nd";
  for (const bool join : {false, true}) {
    SCOPED_TRACE(join ? "joining" : "in place");
    Fixture f(text);
    f.editor.PutRowMark(1, 3);   // bookmark 3 on "b"
    f.editor.PutRowMark(4, 12);  // image mark 2 on "d"
    f.search.SetFxSearchOptions(soRegexp);
    f.search.SetFindString(join ? "a\\r\\n" : "a");
    ASSERT_EQ(f.search.ReplaceAll("A", true), 2u);
    const int bRow = join ? 0 : 1, dRow = join ? 2 : 4;
    EXPECT_EQ(f.editor.GetLine(bRow), join ? "xAb" : "b");
    EXPECT_EQ(f.editor.GetLine(dRow), "d");
    EXPECT_TRUE(f.editor.HasRowMark(bRow, 3));
    EXPECT_TRUE(f.editor.HasRowMark(dRow, 12));
    EXPECT_EQ(f.editor.UsedMarks(), (1u << 3) | (1u << 12));
    ASSERT_TRUE(f.editor.Undo());
    EXPECT_EQ(f.editor.GetText(), text);
    if (!join) {  // rows map one to one: the marks are back where they were
      EXPECT_TRUE(f.editor.HasRowMark(1, 3));
      EXPECT_TRUE(f.editor.HasRowMark(4, 12));
    }
  }
}

TEST(EditorSearch, ReplaceAllWithNoMatchOrOnAReadOnlyTextChangesNothing) {
  const std::string text = "abc\r\ndef";
  Fixture f(text);
  f.editor.PutRowMark(1, 0);
  f.search.SetFindString("zzz");
  EXPECT_EQ(f.search.ReplaceAll("y", true), 0u);
  EXPECT_EQ(f.search.ReplaceAll("y", false), 0u);
  EXPECT_FALSE(f.editor.Modified());
  EXPECT_FALSE(f.editor.CanUndo());
  EXPECT_TRUE(f.editor.HasRowMark(1, 0));
  f.search.SetFindString("b");
  f.editor.SetReadOnly(true);
  EXPECT_EQ(f.search.ReplaceAll("y", true), 0u);
  ASSERT_TRUE(f.search.SearchNext());
  EXPECT_FALSE(f.search.ReplaceSelection("y"));
  EXPECT_EQ(f.editor.GetText(), text);
  EXPECT_FALSE(f.editor.CanUndo());
}

TEST(EditorSearch, ACancelledReplaceAllLeavesTheTextAsItWas) {
  std::string text;
  for (int i = 0; i < 40000; ++i) text += "line with a word in it\r\n";
  Fixture f(text);
  f.search.SetFindString("word");
  int calls = 0;
  EXPECT_EQ(f.search.ReplaceAll("WORD", true, [&](std::size_t done, std::size_t total) {
    EXPECT_LT(done, total);
    return ++calls < 2;
  }), 0u);
  EXPECT_TRUE(f.search.Cancelled());
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(f.editor.GetText(), text);
  EXPECT_FALSE(f.editor.CanUndo());
  EXPECT_EQ(f.search.ReplaceAll("WORD", true, [](std::size_t, std::size_t) { return true; }), 40000u);
  EXPECT_FALSE(f.search.Cancelled());
}

TEST(EditorSearch, ReplaceSelectionTakesAHitAndSelectionIsMatchChecksTheFindString) {
  for (const TTextEditorHitStyle style : {hsSelect, hsDraw, hsCaret}) {
    SCOPED_TRACE(style);
    Fixture f("one two one");
    f.editor.SetFocused(true);
    f.editor.SetHitStyle(style);
    f.search.SetFindString("one");
    EXPECT_FALSE(f.search.SelectionIsMatch());  // nothing selected
    EXPECT_FALSE(f.search.ReplaceSelection("1"));
    ASSERT_TRUE(f.search.SearchNext());
    EXPECT_TRUE(f.search.SelectionIsMatch());
    EXPECT_TRUE(f.search.ReplaceSelection("1"));
    EXPECT_EQ(f.editor.GetText(), "1 two one");
    f.editor.SetSel(2, 5);  // "two" is selected, but it is no match
    EXPECT_FALSE(f.search.SelectionIsMatch());
    f.editor.SetSel(1, 4);  // a selection that straddles a match
    EXPECT_FALSE(f.search.SelectionIsMatch());
  }
}

}  // namespace
}  // namespace tamber
