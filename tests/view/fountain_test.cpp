// A view driven by the real fountains: the text's row states come from the
// fountain's parser, and word moves and token selection use its tokens.
#include <gtest/gtest.h>

#include "view/fountain_token_source.h"
#include "highlight/language_fountains.h"
#include "highlight/row_tokens.h"
#include "highlight/token_kind.h"
#include "view_support.h"

namespace tamber::test {
namespace {

// The first token painted on a row, from the states the text keeps.
TRowToken FirstToken(TTextEditorScreenStrings& text, TFountain& fountain, int row) {
  auto parser = fountain.CreateParser();
  const std::vector<TRowToken> tokens = PaintedRowTokens(text, *parser, row);
  return tokens.empty() ? TRowToken{} : tokens.front();
}

TEST(FountainView, WordMovesFollowTheFountainsTokens) {
  TCFountain c;
  TFountainTokenSource source(&c);
  TTextEditor e;
  LayOut(e);
  e.SetTokenSource(&source);
  SetText(e, "x = 0x1F + \"a b\";");
  std::vector<Pos> stops;
  for (int i = 0; i < 3; ++i) {
    Press(e, "C-Right");
    stops.push_back(CaretOf(e));
  }
  // Symbols are passed over; the hex number and the string are one word each.
  EXPECT_EQ(stops, (std::vector<Pos>{{0, 4}, {0, 11}, {0, 17}}));
  e.SelectTokenAt(0, 13);
  EXPECT_EQ(e.SelText(), "\"a b\"");
  e.SelectTokenAt(0, 6);
  EXPECT_EQ(e.SelText(), "0x1F");
}

TEST(FountainView, TheTextReparsesWithTheViewsFountain) {
  TCFountain c;
  TFountainTokenSource source(&c);
  TTextEditor e;
  LayOut(e);
  e.SetTokenSource(&source);
  SetText(e, "int a;\r\nint b;\r\nint c;");
  TTextEditorScreenStrings& text = e.Text();
  // Opening a comment on row 0 puts the later rows inside its bracket pair.
  text.ReplaceRows(0, 1, "int a; /* open\r\n");
  EXPECT_EQ(FirstToken(text, c, 2).Kind, tokBracket);
  // Closing it gives the words back.
  text.ReplaceRows(1, 1, "*/ int b;\r\n");
  EXPECT_EQ(FirstToken(text, c, 2).Kind, tokAnk);
}

TEST(FountainView, ChangingTheFountainReparses) {
  TCFountain c;
  TDelphiFountain pascal;
  TFountainTokenSource cSource(&c);
  TFountainTokenSource pascalSource(&pascal);
  TTextEditor e;
  LayOut(e);
  e.SetTokenSource(&cSource);
  SetText(e, "{ a\r\nb }");
  EXPECT_NE(FirstToken(e.Text(), c, 1).Kind, tokBracket);
  e.SetTokenSource(&pascalSource);
  EXPECT_EQ(FirstToken(e.Text(), pascal, 1).Kind, tokBracket);
}

}  // namespace
}  // namespace tamber::test
