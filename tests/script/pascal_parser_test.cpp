#include "script/pascal_parser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tamber::script {
namespace {

struct Tok {
  TokenKind kind;
  std::int32_t pos;
  std::string text;
};

std::vector<Tok> Tokens(std::string_view text) {
  TIfPascalParser p;
  EXPECT_TRUE(p.Tokenize(text)) << text;
  std::vector<Tok> out;
  for (const TIFToken& t : p.Tokens()) out.push_back({t.kind, t.position, t.text});
  return out;
}

TEST(PascalParser, EveryPunctuatorAndLiteralHasItsKind) {
  const auto t = Tokens("; , . : ( ) [ ] := = <> > >= < <= + - / * 12 1.5 'a' #65 $1F @ ^ x");
  const std::vector<TokenKind> kinds = {
      tkSemicolon, tkComma, tkPeriod, tkColon, tkOpenRound, tkCloseRound, tkOpenBlock, tkCloseBlock,
      tkAssign, tkEqual, tkNotEqual, tkGreater, tkGreaterEqual, tkLess, tkLessEqual, tkPlus, tkMinus,
      tkDivide, tkMultiply, tkInteger, tkReal, tkString, tkChar, tkHex, tkAt, tkDereference,
      tkIdentifier, tkEnd};
  ASSERT_EQ(t.size(), kinds.size());
  for (std::size_t k = 0; k < kinds.size(); ++k) EXPECT_EQ(t[k].kind, kinds[k]) << k;
  EXPECT_EQ(t[19].text, "12");
  EXPECT_EQ(t[21].text, "'a'");
  EXPECT_EQ(t[23].text, "$1F");
  EXPECT_EQ(t[26].text, "X");
}

TEST(PascalParser, KeywordsAreCaseInsensitiveAndPredefinedNamesAreNot) {
  const auto t = Tokens("begin Begin BEGIN finally Forward xor true Result");
  EXPECT_EQ(t[0].kind, kwBegin);
  EXPECT_EQ(t[1].kind, kwBegin);
  EXPECT_EQ(t[2].kind, kwBegin);
  EXPECT_EQ(t[3].kind, kwFinally);
  EXPECT_EQ(t[4].kind, kwForward);
  EXPECT_EQ(t[5].kind, kwXor);
  EXPECT_EQ(t[6].kind, tkIdentifier);
  EXPECT_EQ(t[6].text, "TRUE");
  EXPECT_EQ(t[7].kind, tkIdentifier);
  EXPECT_EQ(KeywordKind("CONTINUE"), kwContinue);
  EXPECT_EQ(KeywordKind("UNIT"), kwUnit);
  EXPECT_EQ(KeywordKind("AND"), kwAnd);
  EXPECT_EQ(KeywordKind("WITH"), kwWith);
  EXPECT_EQ(KeywordKind("IN"), kwIn);
  EXPECT_EQ(KeywordKind("SET"), kwSet);
}

TEST(PascalParser, CommentsAndBlanksAreNotStored) {
  // "(*)" is a complete comment.
  const auto t = Tokens("a { b } (* c *) // d\r\n e (*) g");
  ASSERT_EQ(t.size(), 4u);
  EXPECT_EQ(t[0].text, "A");
  EXPECT_EQ(t[1].text, "E");
  EXPECT_EQ(t[2].text, "G");
  EXPECT_EQ(t[3].kind, tkEnd);
  // A brace comment holding "(*" ends at its brace.
  EXPECT_EQ(Tokens("{ (* } x").size(), 2u);
}

TEST(PascalParser, EmptyTextIsOneEndToken) {
  const auto t = Tokens("");
  ASSERT_EQ(t.size(), 1u);
  EXPECT_EQ(t[0].kind, tkEnd);
  EXPECT_EQ(t[0].pos, 0);
}

TEST(PascalParser, NumbersFollowTheirScanRules) {
  auto t = Tokens("1..2");
  EXPECT_EQ(t[0].kind, tkInteger);  // "1" then ".." is not a fraction
  t = Tokens("1.");
  EXPECT_EQ(t[0].kind, tkReal);
  t = Tokens("1.5e3 1e-3 2E+2");
  EXPECT_EQ(t[0].kind, tkReal);
  EXPECT_EQ(t[0].text, "1.5e3");
  EXPECT_EQ(t[1].text, "1e-3");  // a signed exponent belongs to the literal
  EXPECT_EQ(t[2].text, "2E+2");
  t = Tokens("4294967295 $FFFFFFFF");
  EXPECT_EQ(t[0].kind, tkInteger);
  EXPECT_EQ(t[1].kind, tkHex);
}

TEST(PascalParser, CharacterLiterals) {
  auto t = Tokens("#65 #$41 #$4a");
  EXPECT_EQ(t[0].text, "#65");
  EXPECT_EQ(t[1].text, "#$41");
  EXPECT_EQ(t[2].text, "#$4a");
}

TEST(PascalParser, DoubleByteCharactersAreSkippedWholeInStringsAndComments) {
  // マ is 83 7D: its trail byte is '}' and must not end the comment.
  const std::string text = "{ \x83\x7D } 'x\x83\x7Dy' // \x83\x7D\n (* \x83\x7D*) z";
  const auto t = Tokens(text);
  ASSERT_EQ(t.size(), 3u);
  EXPECT_EQ(t[0].kind, tkString);
  EXPECT_EQ(t[0].text, "'x\x83\x7Dy'");
  EXPECT_EQ(t[1].text, "Z");
  // ソ is 83 5C, ー is 81 5B; a trail byte that is a quote: 83 27 is not CP932, but 81 27 neither;
  // check that the quote after a lead byte pair still closes.
  EXPECT_EQ(Tokens("'\x83\x5C'")[0].kind, tkString);
}

TEST(PascalParser, FailuresGiveTheirKindAndPosition) {
  struct Case {
    const char* text;
    TokenizeError error;
    std::int32_t pos;
  } cases[] = {
      {"a { open", teComment, 2},
      {"a (* open *", teComment, 2},
      {"x // last line", teComment, 2},
      {"x := 'abc\r\n';", teString, 5},
      {"x := 'abc", teString, 5},
      {"#65a", teCharLiteral, 0},
      {"a ! b", teSyntax, 2},
      {"a \" b", teSyntax, 2},
      {"a } b", teSyntax, 2},
      {"x \x83\x41", teSyntax, 2},  // a double-byte character outside a string
      {"1E", teSyntax, 0},          // an exponent without digits
      {"1e+", teSyntax, 0},
      {"4294967296", teSyntax, 0},  // beyond 32 bits
      {"$100000000", teSyntax, 0},
  };
  for (const Case& c : cases) {
    TIfPascalParser p;
    EXPECT_FALSE(p.Tokenize(c.text)) << c.text;
    EXPECT_EQ(p.ErrorKind(), c.error) << c.text;
    EXPECT_EQ(p.ErrorPosition(), c.pos) << c.text;
    EXPECT_TRUE(p.Tokens().empty());
  }
}

TEST(PascalParser, CursorMovesAndSeeks) {
  TIfPascalParser p;
  ASSERT_TRUE(p.Tokenize("ab := 1;"));
  EXPECT_EQ(p.CurrentKind(), tkIdentifier);
  EXPECT_EQ(p.CurrentText(), "AB");
  p.Next();
  EXPECT_EQ(p.CurrentKind(), tkAssign);
  EXPECT_EQ(p.CurrentPosition(), 3);
  p.Seek(7);
  EXPECT_EQ(p.CurrentKind(), tkSemicolon);
  p.Seek(4);  // inside ":=": the last token starting at or before 4
  EXPECT_EQ(p.CurrentKind(), tkAssign);
  p.Next();
  p.Next();
  p.Next();
  EXPECT_EQ(p.CurrentKind(), tkEnd);
  p.Next();
  EXPECT_EQ(p.Cursor(), -1);
  EXPECT_EQ(p.CurrentKind(), tkEnd);
  EXPECT_EQ(p.CurrentPosition(), 8);  // the end token's position
  EXPECT_EQ(p.CurrentText(), "");
}

}  // namespace
}  // namespace tamber::script
