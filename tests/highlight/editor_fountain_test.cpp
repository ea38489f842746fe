// The editor fountain: its configurable rules, their precedence, its colours
// and the View that publishes them.
#include <gtest/gtest.h>

#include <functional>

#include "highlight/editor_fountain.h"
#include "token_table.h"

namespace tamber {
namespace {

using test::Hex;
using test::Tok;
using test::Tokens;

struct Case {
  const char* name;
  std::function<void(TTextEditorFountain&)> setup;
  std::string text;
  std::vector<Tok> tokens;
};

class EditorTokens : public testing::TestWithParam<Case> {};

TEST_P(EditorTokens, ScansTheRowIntoTheseTokens) {
  TTextEditorFountain fountain;
  GetParam().setup(fountain);
  auto parser = fountain.CreateParser();
  EXPECT_EQ(Tokens(*parser, GetParam().text), GetParam().tokens) << GetParam().name;
}

INSTANTIATE_TEST_SUITE_P(
    Rules, EditorTokens,
    testing::Values(
        Case{"comment opener anywhere in the row", [](auto& f) { f.SetCommenter(">"); },
             "a > b", {{"a", tokAnk}, {"> b", tokComment}}},
        Case{"comment opener is case-sensitive", [](auto& f) { f.SetCommenter("REM"); },
             "rem x REM y", {{"rem", tokAnk}, {"x", tokAnk}, {"REM y", tokComment}}},
        Case{"doubled quotes stay in the string", [](auto& f) { f.SetQuotation("'"); },
             "'It''s' x", {{"'It''s'", tokQuotation}, {"x", tokAnk}}},
        Case{"an unclosed string runs to the row end", [](auto& f) { f.SetQuotation("\""); },
             "a \"bc " + Hex("8A BF"), {{"a", tokAnk}, {"\"bc " + Hex("8A BF"), tokQuotation}}},
        Case{"a quote byte as a trail byte does not close",  // 83 5C ソ ends in a backslash
             [](auto& f) { f.SetQuotation("\\"); }, "\\" + Hex("83 5C") + "\\ x",
             {{"\\" + Hex("83 5C") + "\\", tokQuotation}, {"x", tokAnk}}},
        Case{"control codes", [](auto& f) { f.SetControlCode(true); },
             "#13#$0d#x", {{"#13", tokControlCode}, {"#$0d", tokControlHex}, {"#", tokControlCode},
                          {"x", tokAnk}}},
        Case{"a comment opener wins over control codes",
             [](auto& f) {
               f.SetControlCode(true);
               f.SetCommenter("#");
             },
             "#13", {{"#13", tokComment}}},
        Case{"hexadecimal prefix ignoring case", [](auto& f) { f.SetHexPrefix("0x"); },
             "0X1f 0x 01", {{"0X1f", tokHex}, {"0x", tokHex}, {"01", tokInteger}}},
        Case{"URLs at token starts only", [](auto& f) { f.SetUrl(true); },
             "see https://a.b/c?d=1 xhttp:y",
             {{"see", tokAnk}, {"https://a.b/c?d=1", tokUrl}, {"xhttp", tokAnk}, {":", tokSymbol},
              {"y", tokAnk}}},
        Case{"mail addresses at token starts only", [](auto& f) { f.SetMail(true); },
             "to a.b@c.jp, @x.y no@dot",
             {{"to", tokAnk}, {"a.b@c.jp,", tokMail}, {"@", tokSymbol}, {"x", tokAnk}, {".", tokSymbol},
              {"y", tokAnk}, {"no", tokAnk}, {"@", tokSymbol}, {"dot", tokAnk}}},
        Case{"mail is off unless switched on", [](auto&) {}, "a@b.c",
             {{"a", tokAnk}, {"@", tokSymbol}, {"b", tokAnk}, {".", tokSymbol}, {"c", tokAnk}}},
        Case{"mail before URL",
             [](auto& f) {
               f.SetMail(true);
               f.SetUrl(true);
             },
             "www.a@b.c www.a", {{"www.a@b.c", tokMail}, {"www.a", tokUrl}}},
        Case{"URL before the comment opener",
             [](auto& f) {
               f.SetUrl(true);
               f.SetCommenter("w");
             },
             "www.x wx", {{"www.x", tokUrl}, {"wx", tokComment}}},
        Case{"a bracket opener before everything",
             [](auto& f) {
               f.SetMail(true);
               f.SetCommenter("<");
               f.Brackets().Add("<", ">");
             },
             "<a@b.c> d", {{"<a@b.c>", tokBracket}, {"d", tokAnk}}}),
    [](const auto& info) {
      std::string n = info.param.name;
      for (char& c : n)
        if (!isalnum(static_cast<unsigned char>(c))) c = '_';
      return n;
    });

TEST(EditorFountain, MailRecognitionAgreesWithRescanningFromEveryTokenStart) {
  // Rows of mail characters with and without "@" and ".": the remembered
  // failure must not hide a match that a fresh scan would find.
  TTextEditorFountain fountain;
  fountain.SetMail(true);
  auto parser = fountain.CreateParser();
  const std::string pieces[] = {"a", "-", ".", "@", "b", " ", "!", "x."};
  std::uint32_t seed = 1;
  for (int trial = 0; trial < 2000; ++trial) {
    std::string text;
    for (int i = 0; i < 12; ++i) {
      seed = seed * 1103515245u + 12345u;
      text += pieces[(seed >> 16) % 8];
    }
    for (const TRowToken& t : TextTokens(*parser, text, {})) {
      // A fresh parser scanning from this token start alone.
      auto fresh = fountain.CreateParser();
      fresh->LoadRow(text.substr(t.Offset), {});
      fresh->Next();
      EXPECT_EQ(fresh->Token() == tokMail, t.Kind == tokMail) << text << " at " << t.Offset;
    }
  }
}

TEST(EditorFountain, TokenColoursFollowTheKind) {
  TTextEditorFountain f;
  f.SetQuotation("\"");
  f.SetControlCode(true);
  f.SetMail(true);
  f.SetUrl(true);
  f.SetCommenter("//");
  f.Brackets().Add("{", "}");
  f.ReserveWordList().Add("if");
  f.ReserveWordList().Add("+");
  auto& c = f.Colors();
  struct {
    std::string text;
    TFountainColor* color;
  } cases[] = {
      {"x", &c.Ank()},        {"if", &c.Reserve()},       {"+", &c.Reserve()},     {"-", &c.Symbol()},
      {"12", &c.Int()},       {"1.5", &c.Int()},          {"// c", &c.Comment()},  {"\"s\"", &c.Str()},
      {"#1", &c.Str()},       {"#$1", &c.Str()},          {"a@b.c", &c.Mail()},    {"http:x", &c.Url()},
      {Hex("8A BF"), &c.DBCS()}, {Hex("B6"), &c.DBCS()},  {Hex("81 41"), &c.DBCS()},
      {"{ b }", &f.Brackets().Items(0).ItemColor()},       {"\t", nullptr},
  };
  auto parser = f.CreateParser();
  for (const auto& k : cases) {
    parser->LoadRow(k.text, {});
    parser->Next();
    EXPECT_EQ(parser->TokenColor(), k.color) << k.text;
  }
}

TEST(EditorFountain, SetAllColoursLeavesSelectAndHitAndReportsOnce) {
  TTextEditorFountain f;
  f.Brackets().Add("<", ">");
  int reports = 0;
  auto listener = f.ChangeHandlers().Add([&](TObject&) { ++reports; });
  f.SetAllColor(clRed);
  EXPECT_EQ(reports, 1);
  auto& c = f.Colors();
  for (TFountainColor* x : {&c.Ank(), &c.Comment(), &c.DBCS(), &c.Int(), &c.Mail(), &c.Reserve(), &c.Str(),
                            &c.Symbol(), &c.Url()})
    EXPECT_EQ(x->Color(), clRed);
  EXPECT_EQ(c.Select().Color(), clWhite);
  EXPECT_EQ(c.Select().BkColor(), clNavy);
  EXPECT_EQ(c.Hit().Color(), clNone);
  EXPECT_EQ(f.Brackets().Items(0).ItemColor().Color(), clNone);
  f.EditorBrackets().SetAllStyle(fsBold);
  EXPECT_EQ(reports, 2);
  EXPECT_EQ(f.Brackets().Items(0).ItemColor().Style(), fsBold);
}

TEST(EditorFountain, AssigningColoursCopiesReserveToo) {
  TTextEditorFountain a, b;
  b.Colors().Reserve().SetColor(clMaroon);
  b.Colors().Hit().SetBkColor(clAqua);
  b.Colors().Select().SetColor(clBlack);
  int reports = 0;
  auto listener = a.ChangeHandlers().Add([&](TObject&) { ++reports; });
  a.SetColors(b.Colors());
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(a.Reserve().Color(), clMaroon);
  EXPECT_EQ(a.Colors().Hit().BkColor(), clAqua);
  EXPECT_EQ(a.Colors().Select().Color(), clBlack);
}

TEST(EditorViewInfo, SettersReportOnlyRealChanges) {
  TTextEditorViewInfo view;
  int reports = 0;
  view.SetOnChange([&](TObject&) { ++reports; });
  view.SetCommenter("//");
  view.SetCommenter("//");
  view.SetQuotation("'abc");
  EXPECT_EQ(view.Quotation(), "'");
  view.SetQuotation("'x");  // the same first byte
  view.SetMail(true);
  view.SetUrl(true);
  view.SetControlCode(true);
  view.SetHexPrefix("$");
  EXPECT_EQ(reports, 6);
  view.Colors().Comment().SetColor(clGreen);  // a colour change is a change of the View
  view.Brackets().Add("/*", "*/");
  EXPECT_EQ(reports, 8);
  view.SetQuotation("");
  EXPECT_EQ(view.Quotation(), "");
}

TEST(EditorViewInfo, AssignCopiesAllEightWithOneReport) {
  TTextEditorViewInfo a, b;
  b.SetCommenter(";");
  b.SetQuotation("\"");
  b.SetMail(true);
  b.SetUrl(true);
  b.SetControlCode(true);
  b.SetHexPrefix("&H");
  b.Brackets().Add("(*", "*)");
  b.Colors().Int().SetColor(clBlue);
  int reports = 0;
  a.SetOnChange([&](TObject&) { ++reports; });
  a.Assign(b);
  EXPECT_EQ(reports, 1);
  EXPECT_EQ(a.Commenter(), ";");
  EXPECT_EQ(a.Quotation(), "\"");
  EXPECT_TRUE(a.Mail() && a.Url() && a.ControlCode());
  EXPECT_EQ(a.HexPrefix(), "&H");
  ASSERT_EQ(a.Brackets().Count(), 1);
  EXPECT_EQ(a.Brackets().Items(0).RightBracket(), "*)");
  EXPECT_EQ(a.Colors().Int().Color(), clBlue);
}

}  // namespace
}  // namespace tamber
