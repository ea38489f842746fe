#include "editor/string_list.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "../support/bytes.h"

namespace tamber {
namespace {

using test::Hex;

void Fill(TTextEditorStringList& l, std::initializer_list<const char*> rows) {
  for (const char* r : rows) l.Add(r);
}

TEST(StringListTest, IndexOutsideTheRowsRaisesTheListError) {
  TTextEditorStringList l;
  Fill(l, {"a", "b"});
  const std::vector<std::function<void()>> ops = {
      [&] { l.Get(2); },          [&] { l.Get(-1); },           [&] { l.Put(2, "x"); },
      [&] { l.Insert(3, "x"); },  [&] { l.Insert(-1, "x"); },   [&] { l.Delete(2); },
      [&] { l.Exchange(0, 2); },  [&] { l.SetAttrBits(5, 1); }, [&] { l.ExtraBits(-1); },
      [&] { l.CarryText(2); },    [&] { l.SetTag(2, 1); },      [&] { l.OpenBracket(2); },
  };
  for (std::size_t k = 0; k < ops.size(); ++k) {
    try {
      ops[k]();
      ADD_FAILURE() << "operation " << k << " did not raise";
    } catch (const EListError& e) {
      EXPECT_STREQ(e.what(), "リストのインデックスが範囲を超えています");
    }
  }
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l.RowAttribute(2), raNone);
  EXPECT_EQ(l.RowAttribute(-1), raNone);
}

TEST(StringListTest, InsertDeleteAndExchangeMoveWholeRows) {
  TTextEditorStringList l;
  Fill(l, {"a", "b", "c"});
  l.SetCarryText(0, "ca");
  l.SetTag(0, 7);
  l.SetRowMarks(0, 0x8001);
  l.SetParseState(0, 9);
  l.Exchange(0, 2);
  EXPECT_EQ(l.Get(2), "a");
  EXPECT_EQ(l.CarryText(2), "ca");
  EXPECT_EQ(l.Tag(2), 7);
  EXPECT_EQ(l.RowMarks(2), 0x8001);
  EXPECT_EQ(l.ParseState(2), 9);
  EXPECT_EQ(l.Get(0), "c");
  EXPECT_EQ(l.Tag(0), 0);
  l.Insert(3, "end");
  l.Insert(0, std::string("\0z", 2));
  l.Delete(1);
  EXPECT_EQ(l.Get(0), std::string("\0z", 2));
  EXPECT_EQ(l.Get(1), "b");
  EXPECT_EQ(l.Get(3), "end");
  EXPECT_EQ(l.OpenBracket(3), -2);  // a fresh row is unparsed
  l.CheckInvariants();
}

TEST(StringListTest, EachPackedFieldKeepsItsRangeAndLeavesTheOthersAlone) {
  TTextEditorStringList l;
  Fill(l, {"x"});
  // Fill every field, then rewrite each one over its range and check the rest.
  l.SetRowAttribute(0, raFolded);
  l.SetPrevRowAttribute(0, raLast);
  l.SetOpenBracket(0, 5);
  l.SetParseState(0, 0xA5);
  l.SetSplitBytes(0, 0x5A);
  l.SetParseExtra(0, 0x3C);
  l.SetOpenTokenKind(0, 0xC3);
  l.SetParseByte(0, 0x99);
  l.SetRowMarks(0, 0x1234);
  const auto snapshot = [&] {
    return std::vector<int>{l.RowAttribute(0), l.PrevRowAttribute(0), l.OpenBracket(0),
                            l.ParseState(0),   l.SplitBytes(0),       l.ParseExtra(0),
                            l.OpenTokenKind(0), l.ParseByte(0),       l.RowMarks(0)};
  };
  struct Field {
    int index, lo, hi;
    std::function<void(int)> set;
  };
  const std::vector<Field> fields = {
      {2, -2, 13, [&](int v) { l.SetOpenBracket(0, v); }},
      {3, 0, 255, [&](int v) { l.SetParseState(0, v); }},
      {4, 0, 255, [&](int v) { l.SetSplitBytes(0, v); }},
      {5, 0, 255, [&](int v) { l.SetParseExtra(0, v); }},
      {6, 0, 255, [&](int v) { l.SetOpenTokenKind(0, v); }},
      {7, 0, 255, [&](int v) { l.SetParseByte(0, v); }},
      {8, 0, 0xFFFF, [&](int v) { l.SetRowMarks(0, static_cast<std::uint16_t>(v)); }},
  };
  for (const Field& f : fields) {
    for (const int v : {f.lo, f.hi, (f.lo + f.hi) / 2}) {
      std::vector<int> expect = snapshot();
      f.set(v);
      expect[static_cast<std::size_t>(f.index)] = v;
      EXPECT_EQ(snapshot(), expect) << "field " << f.index << " value " << v;
    }
  }
  l.SetParseState(0, 0x1FF);  // the byte fields take the low 8 bits
  EXPECT_EQ(l.ParseState(0), 0xFF);
  EXPECT_EQ(l.RowAttribute(0), raFolded);
}

TEST(StringListTest, NotificationsFireAroundChangesAndOnceForANestedUpdate) {
  TTextEditorStringList l;
  std::string log;
  l.OnListChanging = [&](TheStringList&) { log += '<'; };
  l.OnListChange = [&](TheStringList&) { log += '>'; };
  l.Add("a");
  l.Put(0, "b");
  EXPECT_EQ(log, "<><>");
  log.clear();
  l.BeginUpdate();
  l.BeginUpdate();
  l.Add("c");
  l.Delete(0);
  l.EndUpdate();
  EXPECT_EQ(log, "<");
  l.EndUpdate();
  EXPECT_EQ(log, "<>");
}

TEST(StringListTest, SplitTextBreaksAtCrLfCrAndLfKeepingEveryOtherByte) {
  struct Case {
    std::string text;
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases = {
      {"", {}},
      {"abc", {"abc"}},
      {"abc\r\n", {"abc"}},
      {"a\rb\nc\r\n", {"a", "b", "c"}},
      {"a\n\rb", {"a", "", "b"}},
      {"\r\n\r\n", {"", ""}},
      {"a\r\rb", {"a", "", "b"}},
      {Hex("61 00 62 1A 63 0A 81 0D"), {Hex("61 00 62 1A 63"), Hex("81")}},
  };
  for (const Case& c : cases) {
    TTextEditorStringList l;
    Fill(l, {"old"});
    SplitText(c.text, l);
    std::vector<std::string> got;
    for (int i = 0; i < l.Count(); ++i) {
      got.push_back(l.Get(i));
      EXPECT_EQ(l.RowAttribute(i), raBreak);
    }
    EXPECT_EQ(got, c.rows) << test::ToHex(c.text);
  }
}

}  // namespace
}  // namespace tamber
