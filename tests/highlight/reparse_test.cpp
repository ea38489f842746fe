// The storage reparses through the fountain's parser: lazily, stopping at the
// first row whose state is unchanged and never further than two screens.
#include <gtest/gtest.h>

#include "editor/row_loader.h"
#include "editor/screen_strings.h"
#include "highlight/language_fountains.h"
#include "support/fake_view.h"
#include "highlight/row_tokens.h"

namespace tamber {
namespace {

class Reparse : public testing::Test {
 protected:
  void SetUp() override {
    view.focus = true;  // 10 rows a screen, parsing with a C fountain
    view.parserFactory = [this] { return fountain.CreateParser(); };
    text.AttachView(&view);
    std::string s;
    for (int i = 0; i < 1000; ++i) s += "int x;\r\n";
    RowLoader loader;
    loader.Feed(s);
    text.SetAllRows(loader.Finish());
  }
  TCFountain fountain;
  test::FakeView view;
  TTextEditorScreenStrings text;
};

TEST_F(Reparse, OpeningACommentStopsTwoScreensDownAndLaterRowsParseWhenShown) {
  EXPECT_EQ(text.OpenBracket(20), -1);  // the first two screens after loading
  EXPECT_EQ(text.OpenBracket(21), -2);
  text.ReplaceRows(0, 1, "/* int x;\r\n");
  EXPECT_EQ(view.last.ReparsedRows, 21);  // rows 0..20
  EXPECT_EQ(text.OpenBracket(0), -1);
  EXPECT_EQ(text.OpenBracket(1), 0);
  EXPECT_EQ(text.OpenBracket(20), 0);
  EXPECT_EQ(text.OpenBracket(21), -2);
  EXPECT_EQ(text.OpenBracket(999), -2);

  auto parser = fountain.CreateParser();
  const auto tokens = PaintedRowTokens(text, *parser, 700);
  ASSERT_EQ(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].Kind, tokBracket);
  EXPECT_EQ(tokens[0].Size, 6);
  EXPECT_EQ(text.OpenBracket(700), 0);
  EXPECT_EQ(text.OpenBracket(699), 0);
}

TEST_F(Reparse, ClosingTheCommentStopsAtTheFirstUnchangedRow) {
  view.bracketsFull = true;
  text.ReparseAll();
  text.ReplaceRows(53, 1, "x */ y;\r\n");  // a stray close changes nothing below
  EXPECT_LE(view.last.ReparsedRows, 2);
  text.ReplaceRows(50, 1, "int /* x;\r\n");
  EXPECT_EQ(text.OpenBracket(51), 0);
  EXPECT_EQ(text.OpenBracket(53), 0);
  EXPECT_EQ(text.OpenBracket(54), -1);
  EXPECT_LE(view.last.ReparsedRows, 5);  // rows 50..54 at most
  EXPECT_EQ(text.OpenBracket(999), -1);  // still parsed: nothing below was touched

  auto parser = fountain.CreateParser();
  const auto row53 = PaintedRowTokens(text, *parser, 53);
  ASSERT_EQ(row53.size(), 3u);
  EXPECT_EQ(row53[0].Kind, tokBracket);  // "x */"
  EXPECT_EQ(row53[0].Size, 4);
  EXPECT_EQ(row53[1].Kind, tokAnk);
}

}  // namespace
}  // namespace tamber
