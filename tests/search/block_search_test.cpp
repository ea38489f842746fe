// The block searches (every line of a text at once, over raw bytes, with the
// required-literal skip) against the line-by-line searches they replace.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "search/awk_str.h"
#include "search/regexp_program.h"
#include "search/required_literal.h"

namespace tamber {
namespace {

using Spans = std::vector<std::pair<std::size_t, std::size_t>>;

// Lines end after each LF that is a character of its own.
std::vector<std::pair<std::size_t, std::size_t>> SplitLines(std::string_view text) {
  std::vector<std::pair<std::size_t, std::size_t>> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t len = CharLength(text, i);
    i += len;
    if (len == 1 && text[i - 1] == '\n') {
      lines.emplace_back(start, i);
      start = i;
    }
  }
  if (start < text.size()) lines.emplace_back(start, text.size());
  return lines;
}

// Whether byte q of text starts a character, walking from a, which does.
bool CharStart(std::string_view text, std::size_t a, std::size_t q) {
  std::size_t i = a;
  while (i < q) i += CharLength(text, i);
  return i == q;
}

Spans ReferenceLines(TREProgram& p, std::string_view text, TMatchCORE_LineSeparator sep) {
  Spans out;
  for (const auto& [a, b] : SplitLines(text)) {
    const auto m = p.First(text.substr(a, b - a), sep);
    const bool broken = text[b - 1] == '\n' && (b - a == 1 || CharStart(text, a, b - 1));
    if (m && (!broken || m->first < b - a)) out.emplace_back(a, b);
  }
  return out;
}

Spans ReferenceMatches(TREProgram& p, std::string_view text, TMatchCORE_LineSeparator sep) {
  Spans out;
  for (const auto& [a, b] : SplitLines(text)) {
    p.ForEach(text.substr(a, b - a), sep, [&](std::size_t x, std::size_t y) { out.emplace_back(a + x, a + y); });
  }
  return out;
}

Spans BlockLines(TREProgram& p, std::string_view text, TMatchCORE_LineSeparator sep) {
  Spans out;
  p.ForEachMatchingLine(text, sep, [&](std::size_t a, std::size_t b) {
    out.emplace_back(a, b);
    return true;
  });
  return out;
}

Spans BlockMatches(TREProgram& p, std::string_view text, TMatchCORE_LineSeparator sep) {
  Spans out;
  p.ForEachInLines(text, sep, [&](std::size_t a, std::size_t b) { out.emplace_back(a, b); });
  return out;
}

// Random texts over pieces that stress the byte-level stepping: pairs whose
// trail bytes look like ASCII, CR LF and lone breaks, a lead byte before a
// break, the anchors' own characters.
std::string RandomText(std::mt19937& rng, std::size_t pieces) {
  static const char* const kPieces[] = {
      "a", "b", "ab", "x", "\r\n", "\n", "\r", " ", "^", "$",
      "\x83\x65\x83\x4c\x83\x58\x83\x67",  // テキスト
      "\x83\x58",                          // ス (trail 58 is X)
      "\x82\xb7",                          // す
      "\xbd",                              // ｽ
      "\x95\x5c",                          // 表 (trail 5C)
      "\x83\x61",                          // ヂ (trail 61 is a)
      "\x83",                              // a lead byte, paired with whatever follows
      "G01 X1.5", "Y-2",
  };
  std::string s;
  for (std::size_t i = 0; i < pieces; ++i) s += kPieces[rng() % std::size(kPieces)];
  return s;
}

TEST(BlockSearch, AgreesWithTheLineByLineSearchOnRandomTexts) {
  const std::vector<std::string> patterns = {
      "a", "ab", "a*", "b+", "^", "$", "^$", "^a", "a$", "x*$", "^a*$", "a|b", "\\n", "\r\n",
      "[^a]*", ".", "(ab)+b", "[GXY][0-9.\\-]*", "a\r\nb", "^b|a$", "X", "\\\\", "$a",
      Utf8ToCp932("テキスト"), Utf8ToCp932("(す|ス|ｽ)"), Utf8ToCp932("ス.*a"), Utf8ToCp932("[ぁ-んァ-ン]+"),
      Utf8ToCp932("(て|テ|ﾃ)(き|キ|ｷ)(す|ス|ｽ)(と|ト|ﾄ)"), "AB", "(A|xb)B?",
  };
  for (const std::string& pattern : patterns) {
    // One program per pattern for all the texts: the automata are reused.
    const bool ignoreCase = pattern[0] == 'A' || pattern[0] == '(';
    TREProgram block(pattern, ignoreCase);
    TREProgram line(pattern, ignoreCase);
    std::mt19937 rng(7);
    for (int round = 0; round < 150; ++round) {
      const std::string text = RandomText(rng, 1 + rng() % 40);
      for (const auto sep : {mcls_CRLF, mcls_LF}) {
        SCOPED_TRACE("pattern " + pattern + " text " + ::testing::PrintToString(text));
        const Spans lines = ReferenceLines(line, text, sep);
        EXPECT_EQ(BlockLines(block, text, sep), lines);
        EXPECT_EQ(block.CountMatchingLines(text, sep), lines.size());
        EXPECT_EQ(BlockMatches(block, text, sep), ReferenceMatches(line, text, sep));
      }
    }
  }
}

TEST(BlockSearch, ReportsLinesUntilTheCallerStops) {
  TREProgram p("a", false);
  const std::string text = "a\r\nb\r\na\r\na";
  Spans seen;
  const std::size_t n = p.ForEachMatchingLine(text, mcls_CRLF, [&](std::size_t a, std::size_t b) {
    seen.emplace_back(a, b);
    return seen.size() < 2;
  });
  EXPECT_EQ(n, 2u);
  EXPECT_EQ(seen, (Spans{{0, 3}, {6, 9}}));
  EXPECT_EQ(p.CountMatchingLines(text, mcls_CRLF), 3u);
  EXPECT_EQ(p.CountMatchingLines(text, mcls_CRLF, 2), 2u);
  EXPECT_EQ(p.CountMatchingLines(text, mcls_CRLF, 0), 0u);
}

TEST(BlockSearch, ALongRunOfHopelessStartsStaysLinear) {
  // Every start runs to the end of the "a"s before failing: the block search
  // must not try them one by one to the end.
  TREProgram p("a*b|c", false);
  std::string text(200000, 'a');
  text += "c\r\n";
  Spans m;
  p.ForEachInLines(text, mcls_CRLF, [&](std::size_t a, std::size_t b) { m.emplace_back(a, b); });
  EXPECT_EQ(m, (Spans{{200000, 200001}}));
}

struct LiteralCase {
  const char* pattern;  // UTF-8
  bool ignoreCase;
  std::vector<std::string> literals;  // UTF-8
  bool exact;
  bool prefix;
};

TEST(RequiredLiterals, AreWhatEveryMatchMustContain) {
  const std::vector<LiteralCase> cases = {
      {"テキスト", false, {"テキスト"}, true, true},
      {"abc", true, {"ABC", "ABc", "AbC", "Abc", "aBC", "aBc", "abC", "abc"}, true, true},
      {"a(b|cd)?", false, {"a", "ab", "acd"}, true, true},
      {"[GXY][0-9]*", false, {"G", "X", "Y"}, false, true},
      {"^abc$", false, {"abc"}, false, false},
      {"x*abc", false, {"abc"}, false, false},
      {"(ab|cd)+e", false, {"ab", "cd"}, false, true},
      {"ab.c", false, {"ab"}, false, true},
      {"a.テキスト", false, {"テキスト"}, false, false},  // a lone "a" is worth less
      {"a*", false, {}, false, false},
      {"a|b*", false, {}, false, false},
      {".", false, {}, false, false},
      {"", false, {}, false, false},
      // The fuzzy expansion's alternatives multiply out.
      {"(て|テ|ﾃ)(き|キ|ｷ)x*", false, {"ﾃｷ", "ﾃき", "ﾃキ", "てｷ", "てき", "てキ", "テｷ", "テき", "テキ"}, false, true},
  };
  for (const LiteralCase& c : cases) {
    SCOPED_TRACE(c.pattern);
    std::vector<std::string> want;
    for (const std::string& l : c.literals) want.push_back(Utf8ToCp932(l));
    std::sort(want.begin(), want.end());
    const RequiredLiteralList got = RequiredLiterals(ParseRegExp(Utf8ToCp932(c.pattern), c.ignoreCase));
    EXPECT_EQ(got.literals, want);
    EXPECT_EQ(got.exact, c.exact);
    EXPECT_EQ(got.prefix, c.prefix);
  }
  // The fuzzy expansion of てきすと: its 81 spellings, found by nine byte pairs.
  const RequiredLiteralList fuzzy = RequiredLiterals(ParseRegExp(Utf8ToCp932("(て|テ|ﾃ)(き|キ|ｷ)(す|ス|ｽ)(と|ト|ﾄ)"), false));
  EXPECT_EQ(fuzzy.literals.size(), 81u);
  EXPECT_TRUE(fuzzy.exact);
  EXPECT_EQ(LiteralFinder(fuzzy.literals).LeadCount(), 5u);  // て テ ﾃき ﾃキ ﾃｷ
}

TEST(LiteralFinder, FindsTheFirstOccurrenceOfAnyString) {
  const LiteralFinder one({"needle"});
  const LiteralFinder many({"ab", "abc", "c", "xyz"});
  std::string hay(100, '.');
  EXPECT_EQ(one.Find(hay, 0), std::string_view::npos);
  EXPECT_EQ(many.Find(hay, 0), std::string_view::npos);
  hay.replace(40, 6, "needle");
  hay.replace(70, 3, "xyz");
  hay[90] = 'c';
  hay.replace(98, 2, "ab");
  EXPECT_EQ(one.Find(hay, 0), 40u);
  EXPECT_EQ(one.Find(hay, 41), std::string_view::npos);
  EXPECT_EQ(many.Find(hay, 0), 70u);
  EXPECT_EQ(many.Find(hay, 71), 90u);
  EXPECT_EQ(many.Find(hay, 91), 98u);  // in the tail the vector loop leaves
  EXPECT_EQ(many.LongestAt(hay, 98), 2u);
  EXPECT_EQ(many.LongestAt(hay, 97), 0u);
  hay[99] = 'x';                       // "ax" at the very end is no hit, nor "xy" cut off
  EXPECT_EQ(many.Find(hay, 91), std::string_view::npos);
}

// One string is found by a scan on two of its bytes and a whole compare: it
// must agree with a plain search from every start, in texts of every length
// around the vector steps, for strings whose two bytes occur often without
// the rest, on both scan widths.
TEST(LiteralFinder, FindsOneStringWhereAPlainSearchDoes) {
  // A text of few distinct bytes (katakana pairs, letters, breaks), so the
  // scanned bytes turn up all the time.
  const std::string alphabet = "\x83\x65\x83\x4C\x83\x58" "aL\n";
  std::string hay;
  std::uint32_t seed = 12345;
  for (int i = 0; i < 300; ++i) {
    seed = seed * 1103515245u + 12345u;
    hay += alphabet[(seed >> 16) % alphabet.size()];
  }
  std::vector<std::string> needles;
  for (const std::size_t len : {1, 2, 3, 5, 8, 17, 33, 40}) {
    for (const std::size_t at : {std::size_t{0}, std::size_t{50}, std::size_t{131}, 300 - len}) {
      std::string n = hay.substr(at, len);
      needles.push_back(n);
      n.back() = n.back() == 'a' ? 'b' : 'a';  // a near miss, mostly
      needles.push_back(n);
    }
  }
  needles.push_back(hay.substr(300 - 64));  // a hit that ends the text
  const bool wide = WideLiteralScan();
  for (const bool w : {true, false}) {
    SetWideLiteralScan(w);
    for (const std::string& needle : needles) {
      const LiteralFinder f({needle});
      for (const std::size_t n : {0, 1, 31, 32, 63, 64, 65, 97, 128, 200, 300}) {
        const std::string_view text = std::string_view(hay).substr(0, n);
        for (std::size_t from = 0; from <= n; ++from) {
          ASSERT_EQ(f.Find(text, from), text.find(needle, from))
              << "needle of " << needle.size() << " bytes, text of " << n << ", from " << from << ", wide " << w;
        }
      }
    }
  }
  SetWideLiteralScan(wide);
}

}  // namespace
}  // namespace tamber
