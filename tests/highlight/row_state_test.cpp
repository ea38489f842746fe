// The state carried from row to row: brackets over rows, tokens broken by
// folds, and agreement between the tokens painted on each row and the state
// stored for the next one.
#include <gtest/gtest.h>

#include <random>

#include "encoding/dbcs.h"
#include "highlight/editor_fountain.h"
#include "highlight/language_fountains.h"
#include "token_table.h"

namespace tamber {
namespace {

using test::Hex;
using test::PaintedRows;
using test::Rows;
using test::States;
using test::Tok;
using Painted = std::vector<std::vector<Tok>>;

TEST(RowState, ABlockCommentColoursEveryRowItSpansAndBlankRowsKeepItOpen) {
  TCFountain fountain;
  auto parser = fountain.CreateParser();
  const Rows rows{{"x /* a"}, {""}, {"   "}, {"b"}, {"c */ y"}, {"z"}};
  const auto states = States(*parser, rows);
  std::vector<int> open;
  for (const auto& s : states) open.push_back(s.OpenBracket);
  EXPECT_EQ(open, (std::vector<int>{-1, 0, 0, 0, 0, -1, -1}));
  EXPECT_EQ(PaintedRows(*parser, rows),
            (Painted{{{"x", tokAnk}, {"/* a", tokBracket}}, {}, {{"   ", tokBracket}}, {{"b", tokBracket}},
                     {{"c */", tokBracket}, {"y", tokAnk}}, {{"z", tokAnk}}}));
}

TEST(RowState, AClosingBracketSplitByAFoldIsCarriedAsBytes) {
  TCFountain fountain;
  auto parser = fountain.CreateParser();
  const Rows rows{{"/* a *", raFolded}, {"/ b"}};
  const auto states = States(*parser, rows);
  EXPECT_EQ(states[1].OpenBracket, 0);
  EXPECT_EQ(states[1].OpenTokenKind, tokBracket);
  EXPECT_EQ(states[1].SplitBytes, 1);
  EXPECT_EQ(states[2].OpenBracket, -1);
  EXPECT_EQ(PaintedRows(*parser, rows),
            (Painted{{{"/* a *", tokBracket}}, {{"/", tokBracket}, {"b", tokAnk}}}));
}

TEST(RowState, AWordBrokenByAFoldIsOneTokenAndStaysReserved) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  const Rows rows{{"x beg", raFolded}, {"in y"}};
  const auto states = States(*parser, rows);
  EXPECT_EQ(states[1].OpenTokenKind, tokReserved);
  EXPECT_EQ(states[1].SplitBytes, 2);
  const auto row0 = RowTokens(*parser, 0, rows, states[0]);
  const auto row1 = RowTokens(*parser, 1, rows, states[1]);
  ASSERT_EQ(row0.size(), 2u);
  ASSERT_EQ(row1.size(), 2u);
  EXPECT_EQ(row0[1].Size, 3);  // clipped to the row
  EXPECT_TRUE(row0[1].Reserved);
  EXPECT_EQ(row0[1].Color, &fountain.Reserve());
  EXPECT_EQ(row1[0].Size, 2);
  EXPECT_EQ(row1[0].Color, &fountain.Reserve());
  EXPECT_EQ(row1[1].Color, &fountain.Ank());
}

TEST(RowState, StringsRunOnOverFoldsButNotOverLineBreaks) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(PaintedRows(*parser, Rows{{"a 'open"}, {"b"}}),
            (Painted{{{"a", tokAnk}, {"'open", tokSingleQuoted}}, {{"b", tokAnk}}}));
  EXPECT_EQ(PaintedRows(*parser, Rows{{"a 'open", raFolded}, {"more", raFolded}, {"still' b"}}),
            (Painted{{{"a", tokAnk}, {"'open", tokSingleQuoted}},
                     {{"more", tokSingleQuoted}},
                     {{"still'", tokSingleQuoted}, {"b", tokAnk}}}));
  // A folded row of blanks inside an open string carries it; a blank row that
  // ends the line does not carry it into the next line.
  EXPECT_EQ(PaintedRows(*parser, Rows{{"'ab", raFolded}, {"   ", raFolded}, {"c' d"}}).back(),
            (std::vector<Tok>{{"c'", tokSingleQuoted}, {"d", tokAnk}}));
  EXPECT_EQ(PaintedRows(*parser, Rows{{"'ab", raFolded}, {"   "}, {"c' d"}}).back(),
            (std::vector<Tok>{{"c", tokAnk}, {"' d", tokSingleQuoted}}));
}

TEST(RowState, ADoubledQuoteSplitByAFoldStaysInsideTheString) {
  TDelphiFountain fountain;
  auto parser = fountain.CreateParser();
  // 'It''s' folded between the two quotes of the doubled pair.
  EXPECT_EQ(PaintedRows(*parser, Rows{{"x 'It'", raFolded}, {"'s' y"}}),
            (Painted{{{"x", tokAnk}, {"'It'", tokSingleQuoted}}, {{"'s'", tokSingleQuoted}, {"y", tokAnk}}}));
}

TEST(RowState, ALineCommentCoversFoldedRowsAndEndsWithTheLine) {
  TCFountain fountain;
  auto parser = fountain.CreateParser();
  EXPECT_EQ(PaintedRows(*parser, Rows{{"a // b", raFolded}, {"c /*", raFolded}, {"d"}, {"e"}}),
            (Painted{{{"a", tokAnk}, {"// b", tokComment}}, {{"c /*", tokComment}}, {{"d", tokComment}},
                     {{"e", tokAnk}}}));
}

TEST(RowState, ALongTokenRestBeyondTheStoredByteIsResumedByScanning) {
  TPlainFountain fountain;
  auto parser = fountain.CreateParser();
  const std::string rest(300, 'w');
  const Rows rows{{"a w", raFolded}, {rest + " b"}};
  const auto states = States(*parser, rows);
  EXPECT_EQ(states[1].OpenTokenKind, tokAnk);
  EXPECT_LE(states[1].SplitBytes, kMaxStateByte);
  EXPECT_EQ(PaintedRows(*parser, rows)[1], (std::vector<Tok>{{rest, tokAnk}, {"b", tokAnk}}));
}

// ---- painted rows agree with the whole line, wherever the folds fall

// Per byte of a line: the colour painted there (nullptr for blanks) and
// whether it is coloured as reserved.
using ColourMap = std::vector<std::pair<const TFountainColor*, bool>>;

ColourMap LineColours(TFountainParser& parser, const std::string& line) {
  ColourMap map(line.size(), {nullptr, false});
  for (const TRowToken& t : TextTokens(parser, line, {}))
    for (int i = t.Offset; i < t.Offset + t.Size; ++i) map[i] = {t.Color, t.Reserved};
  return map;
}

ColourMap FoldedColours(TFountainParser& parser, const std::vector<std::string>& rows_text) {
  std::vector<Rows::Row> rows;
  for (std::size_t i = 0; i < rows_text.size(); ++i)
    rows.push_back({rows_text[i], i + 1 < rows_text.size() ? raFolded : raBreak});
  const Rows list(rows);
  const auto states = States(parser, list);
  ColourMap map;
  for (int r = 0; r < list.Count(); ++r) {
    const std::size_t base = map.size();
    map.resize(base + rows_text[r].size(), {nullptr, false});
    for (const TRowToken& t : RowTokens(parser, r, list, states[r]))
      for (int i = t.Offset; i < t.Offset + t.Size; ++i) map[base + i] = {t.Color, t.Reserved};
  }
  return map;
}

// Random lines of short tokens (none longer than a row, so a token spans at
// most two rows unless it is a string, comment or bracket range).
std::string RandomLine(std::mt19937& rng, const std::vector<std::string>& pieces,
                       const std::vector<std::string>& endings) {
  std::string line;
  const int n = 3 + static_cast<int>(rng() % 12);
  for (int i = 0; i < n; ++i) {
    line += pieces[rng() % pieces.size()];
    line.append(1 + rng() % 2, ' ');
  }
  if (rng() % 3 == 0) line += endings[rng() % endings.size()];
  return line;
}

std::vector<std::string> RandomFolds(std::mt19937& rng, const std::string& line) {
  std::vector<std::string> rows;
  std::size_t start = 0;
  while (start < line.size()) {
    std::size_t end = start;
    const std::size_t width = 14 + rng() % 12;
    while (end < line.size() && end - start < width) end += CharLength(line, end);
    rows.push_back(line.substr(start, end - start));
    start = end;
  }
  return rows;
}

void ExpectFoldsChangeNoColour(TFountain& fountain, const std::vector<std::string>& pieces,
                               const std::vector<std::string>& endings) {
  auto parser = fountain.CreateParser();
  std::mt19937 rng(7);
  for (int trial = 0; trial < 400; ++trial) {
    const std::string line = RandomLine(rng, pieces, endings);
    const auto rows = RandomFolds(rng, line);
    const ColourMap whole = LineColours(*parser, line);
    const ColourMap folded = FoldedColours(*parser, rows);
    ASSERT_EQ(folded.size(), whole.size());
    for (std::size_t i = 0; i < whole.size(); ++i) {
      std::string shown;
      for (const auto& r : rows) shown += "[" + r + "]";
      ASSERT_EQ(folded[i], whole[i]) << "byte " << i << " of " << shown;
    }
  }
}

const std::string kKanji = Hex("8A BF 8E 9A");      // 漢字
const std::string kKana = Hex("83 65 83 4C 83 58");  // テキス
const std::string kHira = Hex("82 B1 82 EA 82 CD");  // これは

TEST(RowStateAgreement, EditorFountainFoldsChangeNoColour) {
  TTextEditorFountain fountain;
  fountain.SetCommenter("//");
  fountain.SetQuotation("'");
  fountain.SetMail(true);
  fountain.SetUrl(true);
  fountain.SetControlCode(true);
  fountain.SetHexPrefix("0x");
  fountain.Brackets().Add("/*", "*/");
  fountain.ReserveWordList().Add("begin");
  fountain.ReserveWordList().Add("end");
  ExpectFoldsChangeNoColour(
      fountain,
      {"begin", "end", "x1", "foo_bar", "12", "3.5", "12.e5", "0x1F", "+", ";", "#13", "#$0D", "'a''b'",
       "'it'", "''", "/* c */", "ab@cd.ef", "http://x.y", kKanji, kKana, kHira, Hex("B6 C5"), "\t"},
      {"'open end", "// rest of it", "/* open to the end"});
}

TEST(RowStateAgreement, PascalFoldsChangeNoColour) {
  TDelphiFountain fountain;
  ExpectFoldsChangeNoColour(
      fountain,
      {"begin", "end;", "asm", "mov", "property", "read", "write", "x1", "12", "3.5", "#13", "#$0D", "$FF",
       "'a''b'", "'it'", "{ c }", "(* d *)", ";", kKanji, kHira},
      {"'open end", "// rest of it", "{ open to the end", "(* open"});
}

TEST(RowStateAgreement, CFoldsChangeNoColour) {
  TCFountain fountain;
  ExpectFoldsChangeNoColour(
      fountain,
      {"int", "x1", "0x1F", "0.5", "0777", "\"s\"", "'c'", "\"/*\"", "/* c */", "+", ";", kKanji},
      {"// rest of it", "#include <x.h>", "/* open to the end", "\"open"});
}

}  // namespace
}  // namespace tamber
