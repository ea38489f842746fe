#include "editor/display_columns.h"

#include <gtest/gtest.h>

#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

std::string S(std::string_view utf8) { return Utf8ToCp932(utf8); }

ColumnRules Rules(int tab = 8, bool wrap = false, int wrapByte = 80) {
  ColumnRules r;
  r.tabSpaceCount = tab;
  r.wordWrap = wrap;
  r.wrapByte = wrapByte;
  return r;
}

TEST(Delimiters, DefaultSetHoldsPunctuationAndNotWordBytes) {
  const TDelimiters& d = DefaultDelimiters();
  for (int b : {0x00, 0x09, 0x20, 0x2F, 0x3A, 0x40, 0x5B, 0x5E, 0x60, 0x7B, 0x80, 0xA0, 0xA5, 0xFD, 0xFF})
    EXPECT_TRUE(d[b]) << std::hex << b;
  for (int b : {0x30, 0x39, 0x41, 0x5A, 0x5F, 0x61, 0x7A, 0x81, 0x9F, 0xA6, 0xDF, 0xE0, 0xFC})
    EXPECT_FALSE(d[b]) << std::hex << b;
  EXPECT_EQ(d.count(), 0x30u + 7 + 4 + 1 + 6 + 6 + 3);
}

TEST(TabSpaceCount, IsClampedToAnEvenWidthFromTwoToEight) {
  const std::pair<int, int> cases[] = {{7, 6}, {1, 2}, {12, 8}, {-3, 2}, {2, 2}, {3, 2}, {4, 4}, {8, 8}, {9, 8}};
  for (const auto& [in, out] : cases) EXPECT_EQ(ClampTabSpaceCount(in), out) << in;
}

TEST(ColumnAttributes, CodesEveryColumn) {
  struct Case {
    std::string text;
    ColumnRules rules;
    std::string codes;
  } cases[] = {
      {"ab, c_", Rules(), "112211"},
      {S("漢a"), Rules(), "451"},
      {S("ｶﾞ｡"), Rules(), "112"},                 // half-width kana are word bytes, ｡ is not
      {"a\tb", Rules(4), "12331"},               // a tab runs to the next stop
      {"abcd\tb", Rules(4), "111123331"},
      {std::string("a\x88", 2), Rules(), "11"},  // a lead byte ending the text is a byte of its own
      {"\x81\tab", Rules(4), "123311"},          // so is one followed by a byte no trail can be
      {"caf\xE9\x0A", Rules(), "11112"},
      {"", Rules(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ColumnAttributes(c.text, c.rules), c.codes) << c.text;
}

TEST(ColumnAttributes, TabStopsAtTheWrapMarginOnlyWithWordWrap) {
  const std::string line = std::string(76, 'x') + "\ty";
  EXPECT_EQ(ColumnAttributes(line, Rules(8, true, 78)).substr(76), "231");
  EXPECT_EQ(ColumnAttributes(line, Rules(8, false, 78)).substr(76), "23331");
  EXPECT_EQ(DisplayWidth(line, Rules(8, true, 78)), 79u);
  EXPECT_EQ(DisplayWidth(line, Rules(8, false, 78)), 81u);
}

TEST(ColumnAttributes, StopsAfterTheCharacterThatReachesTheLimit) {
  const std::string wide(2000, 'a');
  EXPECT_EQ(ColumnAttributes(wide, Rules()).size(), kMaxColumnAttributes);
  EXPECT_EQ(ColumnAttributes(wide, Rules(8, true, 20)).size(), 23u);
  // A double-byte character is never cut in half by the limit.
  const std::string kanji = std::string(22, 'a') + S("漢字");
  EXPECT_EQ(ColumnAttributes(kanji, Rules(8, true, 20)), std::string(22, '1') + "45");
}

TEST(DisplayColumns, WidthsExpansionAndIndent) {
  struct Case {
    std::string text;
    int tab;
    std::size_t width;
    std::string expanded;
    int indent;
  } cases[] = {
      {"", 8, 0, "", -1},
      {"abc", 8, 3, "abc", 0},
      {S("漢字"), 8, 4, S("漢字"), 0},
      {"\tx", 4, 5, "    x", 4},
      {"ab\tc\t", 4, 8, "ab  c   ", 0},
      {" \t" + S("　") + "\tz", 4, 9, "    " + S("　") + "  z", 8},
      {S("　 a"), 8, 4, S("　 a"), 3},
  };
  for (const auto& c : cases) {
    const ColumnRules r = Rules(c.tab);
    EXPECT_EQ(DisplayWidth(c.text, r), c.width) << c.text;
    EXPECT_EQ(ExpandTabs(c.text, r), c.expanded) << c.text;
    EXPECT_EQ(IndentWidth(c.text, r), c.indent) << c.text;
  }
  // With word wrap on the indent's tabs stop at the margin too.
  EXPECT_EQ(IndentWidth(std::string(19, ' ') + "\t\tx", Rules(8, true, 20)), 24);
}

// Column to byte by the code string: c minus the tab padding among the first c + 1 codes.
std::size_t ReferenceColumnToByte(std::string_view s, std::size_t c, const ColumnRules& r) {
  std::string codes;
  ColumnAttributesInto(s, r, std::string::npos, codes);
  std::size_t pads = 0;
  for (std::size_t i = 0; i <= c && i < codes.size(); ++i) pads += codes[i] == kColTabPad;
  return std::min(s.size(), c - pads);
}

TEST(DisplayColumns, ColumnAndBytePositionsConvertBothWays) {
  const std::string rows[] = {"", "abc", "\t\tx", S("a漢\tｶ字\t"), std::string(30, '\t') + S("漢"),
                              "\x81\tab", "caf\xE9\t1", "\x88\x7F\x88\x3F"};
  for (const ColumnRules& r : {Rules(4), Rules(8, true, 20)}) {
    for (const std::string& s : rows) {
      const std::size_t width = DisplayWidth(s, r);
      for (std::size_t c = 0; c <= width + 2; ++c)
        EXPECT_EQ(ColumnToByte(s, c, r), ReferenceColumnToByte(s, c, r)) << s << " column " << c;
      for (std::size_t n = 0; n <= s.size(); ++n) {
        const std::size_t column = ByteToColumn(s, n, r);
        EXPECT_EQ(column, DisplayWidth(s.substr(0, n), r));
        if (n < s.size()) {
          EXPECT_EQ(ColumnToByte(s, column, r), n) << s << " byte " << n;
        }
      }
    }
  }
}

TEST(DisplayColumns, ColumnToByteStaysRightPastAThousandColumns) {
  const std::string s = std::string(200, '\t') + "xyz";
  const ColumnRules r = Rules(8);
  EXPECT_EQ(ColumnToByte(s, 1601, r), 201u);
  EXPECT_EQ(ColumnToByte(s, 1200, r), 150u);
  EXPECT_EQ(ByteToColumn(s, 201, r), 1601u);
}

}  // namespace
}  // namespace tamber
