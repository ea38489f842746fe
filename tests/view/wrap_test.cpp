#include <gtest/gtest.h>

#include "support/bytes.h"
#include "view_support.h"

namespace tamber::test {
namespace {

const std::string kNichi = Hex("93 FA");  // 日

// A view over text folded at 20 columns.
void Wrapped(TTextEditor& e, const std::string& text) {
  LayOut(e);
  SetText(e, text);
  e.Text().WrapOption().SetWrapByte(20);
  e.Text().SetWordWrap(true);
}

TEST(WrappedCaret, TheCaretCannotPassAFold) {
  TTextEditor e;
  Wrapped(e, std::string(30, 'a') + "\r\nxyz");
  ASSERT_EQ(e.Text().Count(), 3);
  ASSERT_EQ(e.Text().RowAttributeAt(0), raFolded);
  Press(e, "End");
  EXPECT_EQ(CaretOf(e), (Pos{0, 19}));
  Press(e, "Right");  // a fold is crossed without NextLine
  EXPECT_EQ(CaretOf(e), (Pos{1, 0}));
  Press(e, "Left");
  EXPECT_EQ(CaretOf(e), (Pos{0, 19}));
  Press(e, "Down");  // a free caret still stops short of the margin
  EXPECT_EQ(CaretOf(e), (Pos{1, 19}));
  e.SetCol(40);
  EXPECT_EQ(CaretOf(e), (Pos{1, 19}));
  Press(e, "Right");  // a line break is not crossed
  EXPECT_EQ(CaretOf(e), (Pos{1, 19}));

  e.Text().SetWordWrap(false);
  EXPECT_EQ(CaretOf(e), (Pos{1, 0}));
  Press(e, "Up End");
  EXPECT_EQ(CaretOf(e), (Pos{0, 30}));
}

TEST(WrappedCaret, ADoubleByteCharacterPushedToTheNextRowEndsTheFold) {
  TTextEditor e;
  Wrapped(e, std::string(19, 'a') + kNichi + "bc");
  ASSERT_EQ(e.Text().RowTextAt(0), std::string(19, 'a'));
  Press(e, "End");
  EXPECT_EQ(CaretOf(e), (Pos{0, 18}));
  Press(e, "Right Right");
  EXPECT_EQ(CaretOf(e), (Pos{1, 2}));
  Press(e, "S-Left S-Left");
  EXPECT_EQ(e.SelText(), "a" + kNichi);  // a fold adds no line break
}

TEST(WrappedTokens, AWordFoldedOverRowsIsOneToken) {
  WordSource words;
  TTextEditor e;
  e.SetTokenSource(&words);
  Wrapped(e, std::string(30, 'w') + " end");
  e.SelectTokenAt(1, 3);
  EXPECT_EQ(e.SelText(), std::string(30, 'w'));
  EXPECT_EQ(CaretOf(e), (Pos{1, 10}));
  e.SetRowCol(0, 0);
  Press(e, "C-Right");  // no word starts on the rest of a folded row
  EXPECT_EQ(CaretOf(e), (Pos{1, 0}));
  Press(e, "C-Right");
  EXPECT_EQ(CaretOf(e), (Pos{1, 11}));
}

}  // namespace
}  // namespace tamber::test
