#include <gtest/gtest.h>

#include <vector>

#include "support/bytes.h"
#include "view_support.h"

namespace tamber::test {
namespace {

const std::string kNihongo = Hex("93 FA 96 7B 8C EA");  // 日本語

struct WordCase {
  const char* text;
  bool endStop;
  Pos from;
  const char* key;
  std::vector<Pos> stops;
};

TEST(MoveWord, CtrlArrowsStopAtWordsAndRowEnds) {
  const WordCase cases[] = {
      {"foo  bar(baz)\r\nnext", false, {0, 0}, "C-Right", {{0, 5}, {0, 9}, {0, 13}, {1, 0}, {1, 4}}},
      {"foo  bar(baz)\r\nnext", false, {1, 2}, "C-Left", {{1, 0}, {0, 13}, {0, 9}, {0, 5}, {0, 0}}},
      {"foo  bar(baz)", true, {0, 0}, "C-Right", {{0, 3}, {0, 5}, {0, 8}, {0, 9}, {0, 12}, {0, 13}}},
      {"foo  bar(baz)", true, {0, 13}, "C-Left", {{0, 12}, {0, 9}, {0, 8}, {0, 5}, {0, 3}, {0, 0}}},
      {"   \r\n  ", false, {1, 2}, "C-Left", {{0, 3}, {0, 0}}},  // no word: the row above
  };
  WordSource words;
  for (const WordCase& c : cases) {
    TTextEditor e;
    LayOut(e);
    e.SetTokenSource(&words);
    SetText(e, c.text);
    e.Caret().SetTokenEndStop(c.endStop);
    e.SetRowCol(c.from.row, c.from.col);
    std::vector<Pos> stops;
    for (std::size_t i = 0; i < c.stops.size(); ++i) {
      Press(e, c.key);
      stops.push_back(CaretOf(e));
    }
    EXPECT_EQ(stops, c.stops) << c.text << " " << c.key;
  }
}

TEST(MoveWord, TabsAndJapaneseCountInDisplayColumns) {
  WordSource words;
  TTextEditor e;
  e.SetTokenSource(&words);
  SetText(e, "\t" + kNihongo + " abc");
  Press(e, "C-Right");
  EXPECT_EQ(CaretOf(e), (Pos{0, 8}));
  Press(e, "C-Right");
  EXPECT_EQ(CaretOf(e), (Pos{0, 15}));
  Press(e, "CS-Left");
  EXPECT_EQ(e.SelText(), kNihongo + " ");
}

TEST(MoveWord, WithoutATokenizerWordsAreNotFound) {
  TTextEditor e;
  SetText(e, "foo bar\r\nx");
  Press(e, "C-Right");
  EXPECT_EQ(CaretOf(e), (Pos{0, 7}));
}

TEST(Tokens, DoubleClickSelectsTheTokenAndQueriesName) {
  WordSource words;
  TTextEditor e;
  LayOut(e);
  e.SetTokenSource(&words);
  SetText(e, "call foo_bar(x);\r\nab " + kNihongo + " cd");
  e.SelectTokenAt(0, 7);
  EXPECT_EQ(e.SelText(), "foo_bar");
  EXPECT_EQ(CaretOf(e), (Pos{0, 12}));
  e.SelectTokenAt(1, 6);  // the second column of a double-byte character
  EXPECT_EQ(e.SelText(), kNihongo);
  e.SelectTokenAt(0, 4);  // a blank holds no token: nothing changes
  EXPECT_EQ(e.SelText(), kNihongo);

  EXPECT_EQ(e.TokenKindAt(0, 5), 11);
  EXPECT_EQ(e.TokenTextAt(0, 5), "foo_bar");
  EXPECT_EQ(e.TokenKindAt(0, 12), tokSymbol);
  EXPECT_EQ(e.TokenKindAt(1, 3), 18);
  EXPECT_EQ(e.TokenKindAt(0, 4), tokEnd);
  EXPECT_EQ(e.TokenTextAt(0, 40), "");
}

}  // namespace
}  // namespace tamber::test
