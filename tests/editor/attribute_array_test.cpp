#include "editor/attribute_array.h"

#include <gtest/gtest.h>

#include "editor/display_columns.h"
#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

std::string S(std::string_view utf8) { return Utf8ToCp932(utf8); }

// Bytes of s that start before 1-based column pos ends, i.e. cover columns 1..pos.
std::size_t BytesThrough(std::string_view s, std::size_t pos, const ColumnRules& r) {
  std::size_t n = 0;
  while (n < s.size() && ByteToColumn(s, n, r) < pos) ++n;
  return n;
}

TEST(AttributeArray, ByteIndexFollowsTheColumnsForwardAndBack) {
  const ColumnRules r;  // tab 8
  for (const std::string& text : {S("漢\tab\t字"), S("\t\t"), S("ｱ漢字x\t")}) {
    const std::string codes = ColumnAttributes(text, r);
    TTextEditorAttributeArray a;
    a.Reset(text, codes);
    for (std::size_t pos = 1; pos <= codes.size(); a.Next(), ++pos) {
      ASSERT_EQ(a.Pos(), pos);
      EXPECT_EQ(a.Ch(), codes[pos - 1]);
      EXPECT_EQ(a.ByteIndex(), BytesThrough(text, pos, r)) << "forward, column " << pos;
    }
    EXPECT_EQ(a.Ch(), kColEnd);
    EXPECT_EQ(a.ByteIndex(), text.size() + 1);
    for (std::size_t pos = codes.size(); pos >= 1; --pos) {
      a.Prev();
      ASSERT_EQ(a.Pos(), pos);
      EXPECT_EQ(a.ByteIndex(), BytesThrough(text, pos, r)) << "back, column " << pos;
    }
    a.Prev();  // stays on the first column
    EXPECT_EQ(a.Pos(), 1u);
  }
}

TEST(AttributeArray, CharactersAreReadWholeFromAnyOfTheirColumns) {
  const std::string text = S("a漢\t");  // codes 1 45 23333 (the tab runs from column 3 to 8)
  const std::string codes = ColumnAttributes(text, ColumnRules{});
  TTextEditorAttributeArray a;
  a.Reset(text, codes);
  const std::string expected[] = {"a", S("漢"), S("漢"), "\t", "\t", "\t", "\t", "\t", "", ""};
  for (std::size_t pos = 1; pos <= 9; ++pos) {
    a.MoveTo(pos);
    EXPECT_EQ(a.CurrentChar(), expected[pos - 1]) << pos;
    EXPECT_EQ(a.NextChar(), expected[pos]) << pos;
    EXPECT_EQ(a.Pos(), std::min<std::size_t>(pos, 9));  // NextChar does not move
  }
  EXPECT_EQ(a.DisplayLength(), 8u);
  a.MoveTo(3);
  a.StepBackChar();  // from the trail byte over the whole character
  EXPECT_EQ(a.Pos(), 1u);
  EXPECT_EQ(a.ByteIndex(), 1u);
  a.MoveTo(8);
  a.StepBackChar();  // from the tab's last column over the whole tab
  EXPECT_EQ(a.Pos(), 3u);
  EXPECT_EQ(a.ByteIndex(), 3u);
}

}  // namespace
}  // namespace tamber
