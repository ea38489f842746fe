#include "encoding/dbcs.h"

#include <gtest/gtest.h>

namespace tamber {
namespace {

// "aあ" then a lone lead byte at the end: 61 82 A0 88.
const std::string kMixed("a\x82\xA0\x88", 4);

TEST(Dbcs, LeadByteRanges) {
  for (int b = 0; b < 256; ++b) {
    const bool expected = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    EXPECT_EQ(IsLeadByte(static_cast<unsigned char>(b)), expected) << b;
  }
}

TEST(Dbcs, PositionsAreClassifiedByScanningCharacters) {
  struct Case {
    std::ptrdiff_t i;
    bool lead, trail;
  } cases[] = {{0, false, false}, {1, false, false}, {2, true, false},
               {3, false, true},  {4, false, false},  // a lone lead byte at the end is one character
               {5, false, false}};
  for (const auto& c : cases) {
    EXPECT_EQ(IsDBCS1(kMixed, c.i), c.lead) << c.i;
    EXPECT_EQ(IsDBCS2(kMixed, c.i), c.trail) << c.i;
  }
  // A trail byte that is itself in the lead range belongs to the character before it.
  const std::string chain("\x83\x83\x83\x83", 4);
  EXPECT_TRUE(IsDBCS1(chain, 3));
  EXPECT_TRUE(IsDBCS2(chain, 4));
}

TEST(Dbcs, CharAtIsZeroOutside) {
  EXPECT_EQ(CharAt(kMixed, 0), 0);
  EXPECT_EQ(CharAt(kMixed, 1), 'a');
  EXPECT_EQ(CharAt(kMixed, 4), 0x88);
  EXPECT_EQ(CharAt(kMixed, 5), 0);
}

TEST(Dbcs, ContainsCharOnlyAtCharacterBoundaries) {
  // "ソ" is 83 5C: the 5C inside it is not a backslash.
  const std::string so("\x83\x5C", 2);
  EXPECT_FALSE(ContainsChar("\\", so));
  EXPECT_TRUE(ContainsChar(so, "x" + so));
  EXPECT_TRUE(ContainsChar("\\", so + "\\"));
  // 82 A0 82 A0: the pair A0 82 straddles two characters.
  EXPECT_FALSE(ContainsChar(std::string("\xA0\x82", 2), std::string("\x82\xA0\x82\xA0", 4)));
  EXPECT_FALSE(ContainsChar("", "abc"));
  EXPECT_FALSE(ContainsChar(so, "a"));
}

TEST(Dbcs, CountCharCountsBytesInThePrefix) {
  EXPECT_EQ(CountChar("a\tb\tc\t", '\t', 4), 2u);
  EXPECT_EQ(CountChar("a\tb\tc\t", '\t', 100), 3u);
  EXPECT_EQ(CountChar("a\tb", '\t', 0), 0u);
  EXPECT_EQ(CountChar("a\tb", '\t', -3), 0u);
}

TEST(Dbcs, LeadingBlanksCountFullWidthSpacesAsTwo) {
  EXPECT_EQ(LeadingBlankWidth(""), -1);
  EXPECT_EQ(LeadingBlankWidth("abc"), 0);
  EXPECT_EQ(LeadingBlankWidth("  \x81\x40 x"), 5);
  EXPECT_EQ(LeadingBlankWidth(" \tx"), 1);  // a tab ends the run
  EXPECT_EQ(LeadingBlankWidth(std::string(" \x81", 2)), 1);  // half a full-width space

  EXPECT_EQ(TrimLeftBlanks(" \t\x81\x40\x0C" "abc "), "abc ");
  EXPECT_EQ(TrimLeftBlanks("\x81\x41x"), "\x81\x41x");  // 、 is not a blank
  EXPECT_EQ(TrimLeftBlanks("   "), "");
}

TEST(Dbcs, FindLineBreakFindsTheFirstCrOrLf) {
  EXPECT_EQ(FindLineBreak("abc"), std::string_view::npos);
  EXPECT_EQ(FindLineBreak("ab\ncd\r"), 2u);
  EXPECT_EQ(FindLineBreak("ab\r\ncd"), 2u);
  EXPECT_EQ(FindLineBreak("ab\ncd\r", 3), 5u);
  EXPECT_EQ(FindLineBreak("ab\n", 3), std::string_view::npos);
  EXPECT_EQ(FindLineBreak("ab\n", 9), std::string_view::npos);
}

}  // namespace
}  // namespace tamber
