// The Pascal, C and NC fountains: their tokens, states and colours, and the
// script window's Pascal fountain.
#include <gtest/gtest.h>

#include "highlight/language_fountains.h"
#include "highlight/script_fountain.h"
#include "token_table.h"

namespace tamber {
namespace {

using test::Hex;
using test::PaintedRows;
using test::Rows;
using test::States;
using test::Tok;
using test::Tokens;
using Painted = std::vector<std::vector<Tok>>;

struct Case {
  const char* name;
  std::string text;
  std::vector<Tok> tokens;
};

std::string CaseName(const testing::TestParamInfo<Case>& info) {
  std::string n = info.param.name;
  for (char& c : n)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return n;
}

class PascalTokens : public testing::TestWithParam<Case> {};
TEST_P(PascalTokens, ScansTheRowIntoTheseTokens) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, GetParam().text), GetParam().tokens);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, PascalTokens,
    testing::Values(
        Case{"character codes and hex", "#13#$0D $FF #",
             {{"#13", tokCharCode}, {"#$0D", tokCharCodeHex}, {"$FF", tokHex}, {"#", tokCharCode}}},
        Case{"strings with doubled quotes", "s := 'It''s';",
             {{"s", tokAnk}, {":", tokSymbol}, {"=", tokSymbol}, {"'It''s'", tokSingleQuoted}, {";", tokSymbol}}},
        Case{"brace and parenthesis-star comments", "{ a } (* } *) b",
             {{"{ a }", tokBracket}, {"(* } *)", tokBracket}, {"b", tokAnk}}},
        Case{"a brace inside a string opens nothing", "'{' x", {{"'{'", tokSingleQuoted}, {"x", tokAnk}}},
        Case{"line comment and a lone slash", "a / b // c",
             {{"a", tokAnk}, {"/", tokSymbol}, {"b", tokAnk}, {"// c", tokComment}}},
        Case{"property declaration",
             "property Read: Integer read FRead write SetRead; read",
             {{"property", tokAnk}, {"Read", tokReserved}, {":", tokSymbol}, {"Integer", tokAnk},
              {"read", tokReserved}, {"FRead", tokAnk}, {"write", tokReserved}, {"SetRead", tokAnk},
              {";", tokSymbol}, {"read", tokAnk}}},
        Case{"asm block", "asm mov eax, 1 'x' { c } end; x",
             {{"asm", tokAnk}, {"mov", tokAsm}, {"eax", tokAsm}, {",", tokAsm}, {"1", tokAsm},
              {"'x'", tokSingleQuoted}, {"{ c }", tokBracket}, {"end", tokAnk}, {";", tokSymbol},
              {"x", tokAnk}}},
        Case{"asm only as a whole word", "asmx ASM", {{"asmx", tokAnk}, {"ASM", tokAnk}}}),
    CaseName);

class CTokens : public testing::TestWithParam<Case> {};
TEST_P(CTokens, ScansTheRowIntoTheseTokens) {
  TCFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, GetParam().text), GetParam().tokens);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, CTokens,
    testing::Values(
        Case{"preprocessor line", "#include <stdio.h>", {{"#include <stdio.h>", tokPreprocessor}}},
        Case{"numbers", "0x1F 0X 0.5 0777 0",
             {{"0x1F", tokCHex}, {"0X", tokCHex}, {"0.5", tokFloat}, {"0777", tokInteger}, {"0", tokInteger}}},
        Case{"a comment opener inside a string", "s = \"/*\"; // c",
             {{"s", tokAnk}, {"=", tokSymbol}, {"\"/*\"", tokDoubleQuoted}, {";", tokSymbol}, {"// c", tokComment}}},
        Case{"block comment and character", "/* a */ 'c'", {{"/* a */", tokBracket}, {"'c'", tokSingleQuoted}}},
        Case{"Japanese text in a string", "\"" + Hex("93 FA 96 7B") + "\"",
             {{"\"" + Hex("93 FA 96 7B") + "\"", tokDoubleQuoted}}}),
    CaseName);

class NCTokens : public testing::TestWithParam<Case> {};
TEST_P(NCTokens, ScansTheRowIntoTheseTokens) {
  TNCFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, GetParam().text), GetParam().tokens);
}
INSTANTIATE_TEST_SUITE_P(
    Rows, NCTokens,
    testing::Values(
        Case{"letters apart from numbers", "N10 G01 X10.5 Y-3",
             {{"N", tokAnk}, {"10", tokInteger}, {"G", tokAnk}, {"01", tokInteger}, {"X", tokAnk},
              {"10", tokInteger}, {".", tokSymbol}, {"5", tokInteger}, {"Y", tokAnk}, {"-", tokSymbol},
              {"3", tokInteger}}},
        Case{"comment and percent", "% (TOOL 1) M30;",
             {{"%", tokSymbol}, {"(TOOL 1)", tokBracket}, {"M", tokAnk}, {"30", tokInteger}, {";", tokSymbol}}},
        Case{"no exponent", "1E5", {{"1", tokInteger}, {"E", tokAnk}, {"5", tokInteger}}}),
    CaseName);

TEST(PascalFountain, CommentsSpanRowsAndAClosingBraceInsideParenStarDoesNotClose) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(PaintedRows(*parser, Rows{{"a { one"}, {"two"}, {"three } b"}}),
            (Painted{{{"a", tokAnk}, {"{ one", tokBracket}}, {{"two", tokBracket}},
                     {{"three }", tokBracket}, {"b", tokAnk}}}));
  EXPECT_EQ(PaintedRows(*parser, Rows{{"(* x }"}, {"} *) y"}}),
            (Painted{{{"(* x }", tokBracket}}, {{"} *)", tokBracket}, {"y", tokAnk}}}));
}

TEST(PascalFountain, AsmAndPropertyStatesSurviveLineEnds) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  const Rows rows{{"asm"}, {"  mov ax, 1"}, {"end;"}, {"property P: T"}, {"  read F;"}, {"read"}};
  const auto states = States(*parser, rows);
  std::vector<int> parse_states;
  for (const auto& s : states) parse_states.push_back(s.ParseState);
  EXPECT_EQ(parse_states, (std::vector<int>{0, 2, 2, 0, 1, 0, 0}));
  const auto painted = PaintedRows(*parser, rows);
  EXPECT_EQ(painted[1], (std::vector<Tok>{{"mov", tokAsm}, {"ax", tokAsm}, {",", tokAsm}, {"1", tokAsm}}));
  EXPECT_EQ(painted[4], (std::vector<Tok>{{"read", tokReserved}, {"F", tokAnk}, {";", tokSymbol}}));
  EXPECT_EQ(painted[5], (std::vector<Tok>{{"read", tokAnk}}));
}

TEST(LanguageFountains, TokenColours) {
  TDelphiFountain pas;
  TCFountain c;
  TNCFountain nc;
  struct {
    TFountain* fountain;
    std::string text;
    const TFountainColor* color;
  } cases[] = {
      {&pas, "#13", &pas.Str()},          {&pas, "#$0D", &pas.Str()},     {&pas, "$FF", &pas.Int()},
      {&pas, "begin", &pas.Reserve()},    {&pas, "x", &pas.Ank()},        {&pas, "'s'", &pas.Str()},
      {&pas, "\"s\"", &pas.Symbol()},     {&pas, "{ c }", &pas.Brackets().Items(0).ItemColor()},
      {&pas, "(* c *)", &pas.Brackets().Items(1).ItemColor()},           {&pas, "// c", &pas.Comment()},
      {&pas, Hex("82 A0"), &pas.DBCS()},  {&pas, "1.5", &pas.Int()},      {&pas, ";", &pas.Symbol()},
      {&c, "0x1F", &c.Int()},             {&c, "#define X", &c.PreProcessor()},
      {&c, "\"s\"", &c.Str()},            {&c, "'c'", &c.Str()},          {&c, "/* */", &c.Brackets().Items(0).ItemColor()},
      {&nc, "%", &nc.Reserve()},          {&nc, "G", &nc.Ank()},          {&nc, "01", &nc.Int()},
      {&nc, "\"s\"", &nc.Symbol()},       {&nc, "(c)", &nc.Brackets().Items(0).ItemColor()},
  };
  for (const auto& k : cases) {
    auto parser = k.fountain->CreateParser();
    parser->LoadRow(k.text, {});
    parser->Next();
    EXPECT_EQ(parser->TokenColor(), k.color) << k.text;
  }
  // Inside an asm block words take AsmBlock, its closing end stays reserved.
  auto parser = pas.CreateParser();
  TRowAttributeData in_asm;
  in_asm.ParseState = TDelphiFountain::kAsm;
  parser->LoadRow("and end", in_asm);
  parser->Next();
  EXPECT_EQ(parser->TokenColor(), &pas.AsmBlock());
  parser->Next();
  EXPECT_EQ(parser->TokenColor(), &pas.Reserve());
}

TEST(LanguageFountains, DefaultsAndExtensions) {
  TDelphiFountain pas;
  TCFountain c;
  TNCFountain nc;
  EXPECT_EQ(pas.ReserveWordList().Count(), 95);
  EXPECT_TRUE(pas.HasFileExt(".DPR"));
  EXPECT_TRUE(c.HasFileExt(".Hpp"));
  EXPECT_FALSE(c.HasFileExt(".pas"));
  EXPECT_TRUE(nc.HasFileExt(".dat"));
  EXPECT_EQ(c.ReserveWordList().Count(), 0);
  EXPECT_EQ(nc.Brackets().Items(0).LeftBracket(), "(");
}

TEST(ScriptFountain, HasTheScriptWindowsColoursAndWords) {
  TDelphiFountain f;
  int reports = 0;
  auto listener = f.ChangeHandlers().Add([&](TObject&) { ++reports; });
  ConfigureScriptFountain(f);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(ScriptWords().size(), 172u);
  EXPECT_EQ(f.ReserveWordList().Count(), 172);
  EXPECT_TRUE(f.ReserveWordList().Contains("writeln"));
  EXPECT_TRUE(f.ReserveWordList().Contains("SYSTEM2"));
  EXPECT_FALSE(f.ReserveWordList().Contains("absolute2"));
  EXPECT_EQ(f.Reserve().Color(), clMaroon);
  EXPECT_EQ(f.AsmBlock().Color(), clRed);
  EXPECT_EQ(f.Symbol().Color(), clFuchsia);
  EXPECT_EQ(f.Str().Color(), clGreen);
  ASSERT_EQ(f.Brackets().Count(), 2);
  EXPECT_EQ(f.Brackets().Items(1).ItemColor().Color(), clGray);
}

}  // namespace
}  // namespace tamber
