// The table-driven Shift-JIS tokenizer: token spans and kinds of one row.
#include <gtest/gtest.h>

#include "highlight/fountain_parser.h"
#include "token_table.h"

namespace tamber {
namespace {

using test::Hex;
using test::Tok;
using test::Tokens;

struct Case {
  const char* name;
  std::string text;
  std::vector<Tok> tokens;
};

class PlainTokens : public testing::TestWithParam<Case> {};

TEST_P(PlainTokens, ScansTheRowIntoTheseTokens) {
  TPlainFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, GetParam().text), GetParam().tokens) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Base, PlainTokens,
    testing::Values(
        Case{"words and digits", "abc_1 _x Z9", {{"abc_1", tokAnk}, {"_x", tokAnk}, {"Z9", tokAnk}}},
        Case{"numbers",
             "12 3.25 12.e5 1e+3 7E 2e-x 12. x",
             {{"12", tokInteger}, {"3.25", tokFloat}, {"12.e5", tokFloat}, {"1e+3", tokFloat},
              {"7E", tokFloat}, {"2e", tokFloat}, {"-", tokSymbol}, {"x", tokAnk},
              {"12", tokInteger}, {".", tokSymbol}, {"x", tokAnk}}},
        Case{"symbols, tabs and control bytes",
             "a+\tb\x01\x1f;",
             {{"a", tokAnk}, {"+", tokSymbol}, {"\t", tokTab}, {"b", tokAnk}, {";", tokSymbol}}},
        Case{"a zero byte ends the row", std::string("ab\0cd", 5), {{"ab", tokAnk}}},
        Case{"full-width digits with comma and period",  // １２，３．
             Hex("82 50 82 51 81 43 82 52 81 44 41"),
             {{Hex("82 50 82 51 81 43 82 52 81 44"), tokWideDigit}, {"A", tokAnk}}},
        Case{"full-width letters",  // ＡＢｃ
             Hex("82 60 82 61 82 83"), {{Hex("82 60 82 61 82 83"), tokWideAlpha}}},
        Case{"hiragana with the prolonged sound mark",  // らーめん
             Hex("82 E7 81 5B 82 DF 82 F1"), {{Hex("82 E7 81 5B 82 DF 82 F1"), tokHiragana}}},
        Case{"katakana then kanji",  // テキスト表示
             Hex("83 65 83 4C 83 58 83 67 95 5C 8E A6"),
             {{Hex("83 65 83 4C 83 58 83 67"), tokKatakana}, {Hex("95 5C 8E A6"), tokKanji}}},
        Case{"wide symbols one at a time",  // 、。 ─ ∀(82 tail symbol) Ω(83 B6)
             Hex("81 41 81 42 84 9F 83 B6"),
             {{Hex("81 41"), tokWideSymbol}, {Hex("81 42"), tokWideSymbol}, {Hex("84 9F"), tokWideSymbol},
              {Hex("83 B6"), tokWideSymbol}}},
        Case{"half-width kana and its punctuation",  // ｶﾞｷﾞ｡
             Hex("B6 DE B7 DE A1"), {{Hex("B6 DE B7 DE"), tokHalfKana}, {Hex("A1"), tokHalfKanaSymbol}}},
        Case{"82 with a trail byte below 40 is its lead byte alone",
             Hex("82 31"), {{Hex("82"), tokSymbol}, {"1", tokInteger}}},
        // A lead byte at the row end is one byte: nothing is read past the row.
        Case{"kanji lead at the end", "a" + Hex("88"), {{"a", tokAnk}, {Hex("88"), tokKanji}}},
        Case{"wide-symbol lead at the end", Hex("81"), {{Hex("81"), tokWideSymbol}}},
        Case{"wide-run lead at the end", Hex("83"), {{Hex("83"), tokSymbol}}},
        Case{"quotes are plain symbols", "'a'", {{"'", tokSymbol}, {"a", tokAnk}, {"'", tokSymbol}}}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(FountainParser, NeedsAFountain) {
  try {
    TFountainParser parser(nullptr);
    FAIL();
  } catch (const EFountainError& e) {
    EXPECT_STREQ(e.what(), "TFountainParser.Create need instance of TFountain");
  }
}

TEST(FountainParser, AnyTokenListedInTheWordListIsAKeywordUnlessContinued) {
  TPlainFountain fountain;
  fountain.ReserveWordList().Add("%");
  fountain.ReserveWordList().Add("begin");
  auto parser = fountain.CreateParser();
  parser->LoadRow("% BEGIN begins", {});
  std::vector<bool> keywords;
  while (parser->Next() != tokEnd) keywords.push_back(parser->IsKeyword());
  EXPECT_EQ(keywords, (std::vector<bool>{true, true, false}));

  TRowAttributeData carried;
  carried.OpenTokenKind = tokAnk;
  parser->LoadRow("begin x", carried);  // the rest of a word from the row before
  ASSERT_EQ(parser->Next(), tokAnk);
  EXPECT_TRUE(parser->Continued());
  EXPECT_FALSE(parser->IsKeyword());
}

TEST(FountainParser, BracketPairsOpenCloseAndStayOpen) {
  TPlainFountain fountain;
  fountain.Brackets().Add("<!--", "-->");
  fountain.Brackets().Add("<", "");  // cannot close: colours nothing
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, "a <!-- b --> c"),
            (std::vector<Tok>{{"a", tokAnk}, {"<!-- b -->", tokBracket}, {"c", tokAnk}}));
  EXPECT_EQ(Tokens(*parser, "x <!-- open"), (std::vector<Tok>{{"x", tokAnk}, {"<!-- open", tokBracket}}));
  EXPECT_EQ(parser->OpenBracket(), 0);
  TRowAttributeData open;
  open.OpenBracket = 0;
  EXPECT_EQ(Tokens(*parser, "still --> y", open),
            (std::vector<Tok>{{"still -->", tokBracket}, {"y", tokAnk}}));
  EXPECT_EQ(Tokens(*parser, "a < b"), (std::vector<Tok>{{"a", tokAnk}}));
  EXPECT_EQ(parser->OpenBracket(), kNoBracket);
}

TEST(FountainParser, TokenQueriesFindTheTokenAtAPosition) {
  TPlainFountain fountain;
  auto parser = fountain.CreateParser();
  const std::string text = "ab  " + Hex("8A BF 8E 9A") + "+1";  // ab  漢字+1
  const auto tokens = TextTokens(*parser, text, {});
  ASSERT_EQ(tokens.size(), 4u);
  struct {
    int pos;
    int index;
  } cases[] = {{0, 0}, {1, 0}, {2, -1}, {3, -1}, {4, 1}, {7, 1}, {8, 2}, {9, 3}, {10, -1}};
  for (auto c : cases) {
    EXPECT_EQ(TokenIndexAt(tokens, c.pos), c.index) << "position " << c.pos;
    const auto at = TokenAt(*parser, text, {}, c.pos);
    EXPECT_EQ(at.has_value(), c.index >= 0) << "position " << c.pos;
    if (at && c.index >= 0) {
      EXPECT_EQ(*at, tokens[c.index]) << "position " << c.pos;
    }
  }
  EXPECT_EQ(tokens[1].Kind, tokKanji);
  EXPECT_EQ(text.substr(tokens[1].Offset, tokens[1].Size), Hex("8A BF 8E 9A"));
}

}  // namespace
}  // namespace tamber
