#include "encoding/cp932_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>

#include "../support/bytes.h"
#include "encoding/dbcs.h"

namespace tamber {
namespace {

using test::Hex;
using test::ToHex;

TEST(Cp932Codec, MapsTheCharactersWhoseMeaningDiffersFromJis) {
  struct Case {
    const char* sjis;
    const char* utf8;
  } cases[] = {
      {"5C", "\\"},          {"7E", "~"},
      {"81 60", "～"},       {"81 61", "∥"},  // U+FF5E, U+2225
      {"81 7C", "－"},       {"81 91", "￠"},  // U+FF0D, U+FFE0
      {"81 92", "￡"},       {"81 CA", "￢"},  // U+FFE1, U+FFE2
      {"B1", "ｱ"},           {"88 9F", "亜"},
      {"87 40", "①"},       {"83 5C", "ソ"},
      {"81 AC", "〓"},
  };
  for (const auto& c : cases) {
    std::size_t lost = 0;
    EXPECT_EQ(Cp932ToUtf8(Hex(c.sjis), &lost), c.utf8) << c.sjis;
    EXPECT_EQ(ToHex(Utf8ToCp932(c.utf8, &lost)), ToHex(Hex(c.sjis))) << c.utf8;
    EXPECT_EQ(lost, 0u);
  }
}

TEST(Cp932Codec, EveryAssignedCodeRoundTrips) {
  // Each code that decodes comes back as itself, or (for the duplicate codes
  // of the extension rows) as the one code that the character encodes to.
  int checked = 0;
  for (int lead = 0x81; lead <= 0xFC; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    for (int trail = 0x40; trail <= 0xFC; ++trail) {
      if (trail == 0x7F) continue;
      const std::string ch{static_cast<char>(lead), static_cast<char>(trail)};
      const int u = Cp932CharToUnicode(ch);
      if (u < 0) continue;
      ++checked;
      std::size_t lost = 0;
      const std::string back = Utf8ToCp932(Cp932ToUtf8(ch, &lost), &lost);
      ASSERT_EQ(lost, 0u) << ToHex(ch);
      if (back != ch) {
        EXPECT_TRUE(lead == 0x87 || lead == 0xED || lead == 0xEE || lead >= 0xFA)
            << ToHex(ch) << " came back as " << ToHex(back);
        EXPECT_EQ(Cp932CharToUnicode(back), u) << ToHex(ch);
      }
      EXPECT_EQ(Utf16ToCp932(Cp932ToUtf16(ch)), back);
    }
  }
  EXPECT_GT(checked, 7000);
}

TEST(Cp932Codec, EveryCharacterCp932HoldsSurvivesUtf8) {
  for (char32_t u = 0x80; u < 0x10000; ++u) {
    const int code = UnicodeToCp932Code(u);
    if (code < 0) continue;
    std::string ch;
    if (code > 0xFF) ch.push_back(static_cast<char>(code >> 8));
    ch.push_back(static_cast<char>(code & 0xFF));
    const int back = Cp932CharToUnicode(ch);
    // iconv also takes a few characters one way (U+301C WAVE DASH -> 81 60).
    if (back != static_cast<int>(u)) continue;
    std::u16string s(1, static_cast<char16_t>(u));
    ASSERT_TRUE(Cp932ToUtf16(Utf16ToCp932(s)) == s) << std::hex << static_cast<unsigned>(u);
  }
}

TEST(Cp932Codec, CountsWhatItCannotConvert) {
  std::size_t lost = 0;
  EXPECT_EQ(ToHex(Utf8ToCp932("a😀b€", &lost)), ToHex("a" + Hex("81 AC") + "b" + Hex("81 AC")));
  EXPECT_EQ(lost, 2u);

  lost = 0;  // invalid UTF-8: a stray continuation byte, an overlong slash
  EXPECT_EQ(ToHex(Utf8ToCp932(Hex("41 80 C0 AF 42"), &lost)), ToHex(Hex("41 81 AC 81 AC 81 AC 42")));
  EXPECT_EQ(lost, 3u);

  lost = 0;  // bytes CP932 does not assign, and a lead byte cut short
  EXPECT_EQ(Cp932ToUtf8(Hex("41 80 A0 FD 85 40 88"), &lost), "A〓〓〓〓〓");
  EXPECT_EQ(lost, 5u);

  lost = 0;  // a lead byte followed by a byte that cannot be a trail byte
  EXPECT_EQ(Cp932ToUtf8(Hex("88 0A 41"), &lost), "〓\nA");
  EXPECT_EQ(lost, 1u);

  lost = 0;
  EXPECT_EQ(Utf16ToCp932(u"a\U0001F600", &lost), "a" + Hex("81 AC"));
  EXPECT_EQ(lost, 1u);
}

TEST(Cp932Codec, NulIsAnOrdinaryCharacter) {
  const std::string s("a\0b", 3);
  EXPECT_EQ(Cp932ToUtf8(s), s);
  EXPECT_EQ(Utf8ToCp932(s), s);
}

// Long texts go through the block conversion; texts shorter than a block go
// a character at a time. Random mixes of every kind of sequence, at every
// place in a block, must come out as the short pieces of them do, with the
// same losses and forms, and the check agrees with IsValidUtf8.
TEST(Cp932Codec, BlocksConvertAsTheirCharactersDo) {
  const std::string tokens[] = {
      "日", "本", "語", "ｶ", "ﾞ", "　", "、", "ー", "丼",  // plain three-byte characters
      "〜", "～", "‖", "∥", "−", "－", "—", "―",            // forms of the shared codes
      "¥", "‾", "é", "±", "Я",                            // two bytes, held or lost
      Hex("E0 A4 85"), Hex("ED 9F BF"), "😀", "€",          // E0 and ED leads, four bytes, no code
      Hex("ED A0 80"), Hex("80"), Hex("C0 AF"), Hex("FF"),   // a surrogate, stray and overlong bytes
      Hex("E3 81"), Hex("F0 9F 98"), Hex("EF BF"),           // sequences cut short
      "\r\n", "\t", std::string(1, '\0'),
  };
  std::uint32_t seed = 12345;
  auto next = [&] {
    seed = seed * 1103515245u + 12345u;
    return seed >> 8;
  };
  int mismatches = 0;
  for (int round = 0; round < 400; ++round) {
    std::string text;
    // Mostly Japanese text; some rounds mix in the rarer sequences.
    const std::size_t kinds = round % 4 == 0 ? std::size(tokens) : 9;
    while (text.size() < 64 + next() % 600) {
      if (next() % 3 == 0)
        text += std::string(next() % 40 + 1, static_cast<char>('a' + next() % 26));
      else
        text += tokens[next() % kinds];
    }
    std::size_t lost = 0;
    Utf8Forms forms;
    const std::string whole = Utf8ToCp932(text, &lost, &forms);
    std::string out(Utf8ToCp932Bound(text.size()), '\0');
    bool wellFormed = false;
    std::size_t intoLost = 0;
    out.resize(Utf8ToCp932Into(text, out.data(), &intoLost, nullptr, &wellFormed));
    // The pieces: below a block each, cut before bytes that start a character.
    std::string pieces;
    std::size_t pieceLost = 0;
    Utf8Forms pieceForms;
    for (std::size_t at = 0; at < text.size();) {
      std::size_t stop = std::min(text.size(), at + 40);
      while (stop < text.size() && stop > at + 1 && (static_cast<unsigned char>(text[stop]) & 0xC0) == 0x80) --stop;
      pieces += Utf8ToCp932(text.substr(at, stop - at), &pieceLost, &pieceForms);
      at = stop;
    }
    const bool same = whole == pieces && out == pieces && lost == pieceLost && intoLost == pieceLost &&
                      forms.lost == pieceForms.lost && forms.Choice() == pieceForms.Choice() &&
                      std::equal(std::begin(forms.first), std::end(forms.first), std::begin(pieceForms.first)) &&
                      wellFormed == IsValidUtf8(text);
    if (!same && ++mismatches < 3) ADD_FAILURE() << "round " << round << ": " << ToHex(text);
  }
  EXPECT_EQ(mismatches, 0);
}

TEST(IsValidUtf8, IsStrict) {
  struct Case {
    const char* hex;
    bool valid;
  } cases[] = {
      {"", true},
      {"41 42", true},
      {"E3 81 82", true},            // あ
      {"F0 9F 98 80", true},         // U+1F600
      {"C0 AF", false},              // overlong /
      {"E0 80 AF", false},           // overlong
      {"ED A0 80", false},           // surrogate
      {"F4 90 80 80", false},        // above U+10FFFF
      {"E3 81", false},              // cut short
      {"82 A0", false},              // Shift-JIS あ
      {"EF BB BF 41", true},
  };
  for (const auto& c : cases) EXPECT_EQ(IsValidUtf8(Hex(c.hex)), c.valid) << c.hex;
}

// The rule spelled out character by character, to hold the fast check to.
bool ValidByTheRule(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t len = b < 0x80 ? 1 : b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3
                            : b >= 0xF0 && b <= 0xF4                ? 4 : 0;
    if (len == 0 || i + len > s.size()) return false;
    char32_t u = len == 1 ? b : b & (0x7F >> len);
    for (std::size_t k = 1; k < len; ++k) {
      const auto c = static_cast<unsigned char>(s[i + k]);
      if ((c & 0xC0) != 0x80) return false;
      u = u << 6 | (c & 0x3F);
    }
    const char32_t min = len == 1 ? 0 : len == 2 ? 0x80 : len == 3 ? 0x800 : 0x10000;
    if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return false;
    i += len;
  }
  return true;
}

TEST(IsValidUtf8, AgreesWithTheRuleOnEveryShortSequence) {
  const unsigned char edges[] = {0x00, 0x41, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2,
                                 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
  // Each sequence alone and behind ASCII that puts it across a 64-byte block.
  const std::string pad(61, 'a');
  int disagreements = 0;
  for (const unsigned char a : edges)
    for (const unsigned char b : edges)
      for (const unsigned char c : edges)
        for (const unsigned char d : edges) {
          const std::string seq{static_cast<char>(a), static_cast<char>(b), static_cast<char>(c),
                                static_cast<char>(d)};
          const bool expected = ValidByTheRule(seq);
          if (IsValidUtf8(seq) != expected || IsValidUtf8(pad + seq) != expected) ++disagreements;
        }
  EXPECT_EQ(disagreements, 0);
  std::string long_text;
  for (int i = 0; i < 100; ++i) long_text += "日本語 text ";
  EXPECT_TRUE(IsValidUtf8(long_text));
  EXPECT_FALSE(IsValidUtf8(long_text + "\xE3\x81"));
}

TEST(NecSelectedEquivalent, PrefersJisX0208ThenRow13ThenNecSelected) {
  EXPECT_EQ(NecSelectedEquivalent(0xFA54), 0x81CAu);  // ￢
  EXPECT_EQ(NecSelectedEquivalent(0xFA5B), 0x81E6u);  // ∵
  EXPECT_EQ(NecSelectedEquivalent(0xFA4A), 0x8754u);  // Ⅰ
  EXPECT_EQ(NecSelectedEquivalent(0xFA40), 0xEEEFu);  // ⅰ
  EXPECT_EQ(NecSelectedEquivalent(0x889F), 0u);
  // Every IBM extension character has a twin JIS or EUC can hold.
  for (unsigned code = 0xFA40; code <= 0xFC4B; ++code) {
    const std::string ch{static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)};
    if (Cp932CharToUnicode(ch) < 0) continue;
    EXPECT_NE(NecSelectedEquivalent(code), 0u) << std::hex << code;
  }
}

}  // namespace
}  // namespace tamber
