#include "encoding/char_code.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <cstdlib>
#include <unistd.h>

#include "../support/bytes.h"
#include "encoding/dbcs.h"

namespace tamber {
namespace {

using test::Hex;
using test::ToHex;

TEST(DetectCode, DecidesByTheFirstIdentifyingBytes) {
  struct Case {
    const char* name;
    std::string text;
    int expected;
  } cases[] = {
      {"ascii only", "hello, world\r\n", dcNone},
      {"empty", "", dcNone},
      {"ambiguous A4 A2", "x" + Hex("A4 A2") + "y", dcEucOrSjis},
      {"JIS ESC $ B", "a" + Hex("1B 24 42 30 21 1B 28 4A") + "z", dcJis},
      {"JIS ESC $ @", Hex("1B 24 40 30 21 1B 28 4A") + "z", dcJisOld},
      {"Shift-JIS kanji 88 9F", Hex("88 9F") + "z", dcSjis},
      {"EUC kanji B0 A1 then F0 row", Hex("B0 F0") + "z", dcEuc},
      {"EUC lead F0..FE", Hex("F5 A1") + "z", dcEuc},
      {"8E then Shift-JIS trail", Hex("8E 40") + "z", dcSjis},
      {"8E then kana: undecided", Hex("8E B1") + "z", dcEucOrSjis},
      {"E0..EF then Shift-JIS trail", Hex("E0 40") + "z", dcSjis},
      {"E0..EF then FD", Hex("E0 FD") + "z", dcEuc},
      {"kana then E0..EF, look-ahead finds 82", Hex("B1 E0 A1 82") + "zz", dcSjis},
      {"kana then E0..EF, look-ahead finds FE", Hex("B1 E0 A1 FE") + "zz", dcEuc},
      {"kana then low byte", Hex("B1 41") + "z", dcSjis},
      {"binary byte early", std::string("ab\x01" "cd", 5), dcBinary},
      {"FF is binary", Hex("41 FF 41"), dcBinary},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectCode(c.text), c.expected) << c.name;
}

TEST(DetectCode, PrescanCoversOnly512BytesButTheMainScanGoesOn) {
  std::string text(600, 'a');
  text[512] = '\x07';  // position 513
  EXPECT_EQ(DetectCode(text), dcBinary);  // found by the main scan
  text[10] = '\x88';
  text[11] = '\x9F';
  EXPECT_EQ(DetectCode(text), dcSjis);  // decided before the scan reaches 513
  // The last byte is never examined.
  EXPECT_EQ(DetectCode(std::string("abc\x07", 4)), dcNone);
}

TEST(PairFormulas, InvertEachOtherOverJisX0208) {
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const auto [s1, s2] = JisPairToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
      ASSERT_TRUE(IsLeadByte(s1));
      const auto [b1, b2] = SjisPairToJis(s1, s2);
      ASSERT_EQ(b1, j1);
      ASSERT_EQ(b2, j2);
    }
  }
  const auto kanji = JisPairToSjis(0x30, 0x21);
  EXPECT_EQ(kanji.first, 0x88);
  EXPECT_EQ(kanji.second, 0x9F);
}

TEST(KanaToJis, MergesVoicedMarks) {
  struct Case {
    unsigned char k;
    int mark;
    unsigned char row, cell;
    bool merged;
  } cases[] = {
      {0xB6, 0xDE, 0x25, 0x2C, true},   // ｶﾞ -> ガ
      {0xCA, 0xDF, 0x25, 0x51, true},   // ﾊﾟ -> パ
      {0xCA, 0xDE, 0x25, 0x50, true},   // ﾊﾞ -> バ
      {0xB3, 0xDE, 0x25, 0x74, true},   // ｳﾞ -> ヴ
      {0xB6, 0xDF, 0x25, 0x2B, false},  // ｶﾟ: no such letter, the mark stays
      {0xB1, 0xDE, 0x25, 0x22, false},  // ｱﾞ
      {0xDE, -1, 0x21, 0x2B, false},    // a lone ﾞ
      {0xA1, -1, 0x21, 0x23, false},    // ｡ -> 。
      {0xB0, -1, 0x21, 0x3C, false},    // ｰ -> ー
      {0xDD, -1, 0x25, 0x73, false},    // ﾝ -> ン
  };
  for (const auto& c : cases) {
    bool merged = !c.merged;
    const auto [row, cell] = KanaToJis(c.k, c.mark, &merged);
    EXPECT_EQ(row, c.row) << std::hex << int{c.k};
    EXPECT_EQ(cell, c.cell) << std::hex << int{c.k};
    EXPECT_EQ(merged, c.merged) << std::hex << int{c.k};
  }
}

struct ConversionCase {
  const char* name;
  std::string (*convert)(std::string_view, std::size_t*);
  std::string in, out;
  std::size_t lost;
};

std::string ToJis(std::string_view s, std::size_t* lost) { return SjisToJis(s, lost); }
std::string EucJis(std::string_view s, std::size_t* lost) { return EucToJis(s, lost); }

TEST(Conversions, ConvertByTheRulesAndNeverInventBytes) {
  const ConversionCase cases[] = {
      {"JIS to Shift-JIS drops the escapes", &JisToSjis, Hex("1B 24 42 30 21 1B 28 4A 0D 0A"),
       Hex("88 9F 0D 0A"), 0},
      {"Shift-JIS to JIS closes kanji before a break", &ToJis, Hex("88 9F 0D 0A"),
       Hex("1B 24 42 30 21 1B 28 4A 0D 0A"), 0},
      {"Shift-JIS to JIS closes kanji at the end", &ToJis, Hex("88 9F"), Hex("1B 24 42 30 21 1B 28 4A"), 0},
      {"half-width kana become full-width in JIS", &ToJis, Hex("B6 DE CA DF DE"),
       Hex("1B 24 42 25 2C 25 51 21 2B 1B 28 4A"), 0},
      {"EUC kana merge across 8E", &EucJis, Hex("8E B6 8E DE"), Hex("1B 24 42 25 2C 1B 28 4A"), 0},
      {"EUC 8E B1 is the single byte B1", &EucToSjis, Hex("8E B1"), Hex("B1"), 0},
      {"EUC three-byte code becomes geta", &EucToSjis, Hex("41 8F B0 A1 42"), Hex("41 81 AC 42"), 1},
      {"EUC pair with an invalid trail is passed", &EucToSjis, Hex("B0 41"), Hex("B0 41"), 0},
      {"EUC truncated pair is kept", &EucToSjis, Hex("41 B0"), Hex("41 B0"), 0},
      {"Shift-JIS truncated pair is kept (EUC)", &SjisToEuc, Hex("41 88"), Hex("41 88"), 0},
      {"Shift-JIS to EUC", &SjisToEuc, Hex("88 9F B1 41"), Hex("B0 A1 8E B1 41"), 0},
      {"NEC row 13 converts by the formula", &SjisToEuc, Hex("87 40"), Hex("AD A1"), 0},
      {"IBM row goes to its NEC-selected twin", &SjisToEuc, Hex("FA 40"), Hex("FC F1"), 0},
      {"IBM not-sign goes to JIS X 0208", &SjisToEuc, Hex("FA 54"), Hex("A2 CC"), 0},
      {"user-defined rows become geta", &SjisToEuc, Hex("F0 40"), Hex("A2 AE"), 1},
      {"JIS after an escape tests for escape again", &JisToSjis,
       Hex("1B 28 42 1B 24 42 30 21 1B 28 42 41"), Hex("88 9F 41"), 0},
      {"JIS half-width katakana set", &JisToSjis, Hex("1B 28 49 31 5E 1B 28 42 41"), Hex("B1 DE 41"), 0},
      {"JIS break inside kanji mode stays a break", &JisToSjis, Hex("1B 24 42 30 21 0A 30 21"),
       Hex("88 9F 0A 88 9F"), 0},
      {"JIS half a pair is kept", &JisToSjis, Hex("1B 24 42 30 21 30"), Hex("88 9F 30"), 0},
      {"JIS unknown escape is kept", &JisToSjis, Hex("1B 5B 30 6D 41"), Hex("1B 5B 30 6D 41"), 0},
      {"JIS X 0212 becomes geta", &JisToSjis, Hex("1B 24 28 44 30 21 1B 28 42"), Hex("81 AC"), 1},
      {"JIS to EUC", &JisToEuc, Hex("1B 24 42 30 21 1B 28 49 31 1B 28 42 0A"), Hex("B0 A1 8E B1 0A"), 0},
  };
  for (const auto& c : cases) {
    std::size_t lost = 0;
    EXPECT_EQ(ToHex(c.convert(c.in, &lost)), ToHex(c.out)) << c.name;
    EXPECT_EQ(lost, c.lost) << c.name;
  }
}

TEST(ConvertCode, ConvertsFromWhatItDetects) {
  EXPECT_EQ(ConvertCode("plain ascii", dcJis), "plain ascii");
  EXPECT_EQ(ConvertCode(Hex("A4 A2"), dcSjis), Hex("A4 A2"));  // undecided: unchanged
  EXPECT_EQ(ConvertCode(Hex("1B 24 42 30 21 1B 28 4A"), dcSjis), Hex("88 9F"));
  EXPECT_EQ(ConvertCode(Hex("1B 24 42 30 21 1B 28 4A"), dcJis), Hex("1B 24 42 30 21 1B 28 4A"));
  EXPECT_EQ(ConvertCode(Hex("88 9F 41"), dcEuc), Hex("B0 A1 41"));
  EXPECT_EQ(ConvertCode(Hex("B0 F0 41"), dcSjis), EucToSjis(Hex("B0 F0 41")));
  EXPECT_EQ(ConvertCode(Hex("88 9F 41"), 7), Hex("88 9F 41"));
}

// Every JIS X 0208 character and every half-width kana, as Shift-JIS.
std::string AllJisX0208AsSjis() {
  std::string s;
  for (int j1 = 0x21; j1 <= 0x7E; ++j1) {
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const auto [s1, s2] = JisPairToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
      s.push_back(static_cast<char>(s1));
      s.push_back(static_cast<char>(s2));
    }
    s += "\r\n";
  }
  for (int k = 0xA1; k <= 0xDF; ++k) s.push_back(static_cast<char>(k));
  return s;
}

TEST(Conversions, EucRoundTripsEveryCharacter) {
  const std::string sjis = AllJisX0208AsSjis();
  std::size_t lost = 0;
  EXPECT_EQ(EucToSjis(SjisToEuc(sjis, &lost), &lost), sjis);
  EXPECT_EQ(lost, 0u);
  // JIS folds half-width kana into full width; everything else comes back.
  const std::string kanjiOnly = sjis.substr(0, sjis.size() - 63);
  EXPECT_EQ(JisToSjis(SjisToJis(kanjiOnly, &lost), &lost), kanjiOnly);
  EXPECT_EQ(JisToEuc(SjisToJis(kanjiOnly)), SjisToEuc(kanjiOnly));
  EXPECT_EQ(lost, 0u);
}

// nkf as the oracle for the character-code arithmetic on JIS X 0208 text.
std::string RunNkf(const std::string& flags, const std::string& input) {
  char path[] = "/tmp/tamber-nkf-XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) return "<mkstemp failed>";
  if (write(fd, input.data(), input.size()) != static_cast<ssize_t>(input.size())) return "<write failed>";
  close(fd);
  const std::string cmd = "nkf " + flags + " " + path;
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), &pclose);
  std::string out;
  char buf[4096];
  std::size_t n;
  while (p && (n = fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  unlink(path);
  return out;
}

TEST(Conversions, AgreeWithNkfOnJisX0208) {
  if (system("command -v nkf >/dev/null 2>&1") != 0) GTEST_SKIP() << "nkf is not installed";
  // Rows 1-8 and 16-84 (the assigned rows), as lines of Shift-JIS, with ASCII between them.
  std::string sjis;
  for (int j1 = 0x21; j1 <= 0x74; ++j1) {
    if (j1 > 0x28 && j1 < 0x30) continue;
    sjis += "row ";
    for (int j2 = 0x21; j2 <= 0x7E; ++j2) {
      const auto [s1, s2] = JisPairToSjis(static_cast<unsigned char>(j1), static_cast<unsigned char>(j2));
      sjis.push_back(static_cast<char>(s1));
      sjis.push_back(static_cast<char>(s2));
    }
    sjis += "\n";
  }
  const std::string nkfEuc = RunNkf("-S -e -x", sjis);
  EXPECT_EQ(ToHex(SjisToEuc(sjis)), ToHex(nkfEuc));
  EXPECT_EQ(ToHex(EucToSjis(nkfEuc)), ToHex(RunNkf("-E -s -x", nkfEuc)));
  const JisStyle nkfStyle{"\x1B$B", "\x1B(B"};
  EXPECT_EQ(ToHex(EucToJis(nkfEuc, nullptr, nkfStyle)), ToHex(RunNkf("-E -j", nkfEuc)));
  const std::string nkfJis = RunNkf("-E -j", nkfEuc);
  EXPECT_EQ(ToHex(JisToEuc(nkfJis)), ToHex(nkfEuc));
  EXPECT_EQ(DetectJisStyle(nkfJis).kanjiOut, "\x1B(B");
}

}  // namespace
}  // namespace tamber
