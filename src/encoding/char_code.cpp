#include "encoding/char_code.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "encoding/byte_sink.h"
#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"

namespace tamber {

namespace {

using u8 = unsigned char;

constexpr u8 kEsc = 0x1B;
constexpr u8 kCr = 0x0D;
constexpr u8 kLf = 0x0A;

inline bool In(u8 c, u8 lo, u8 hi) { return c >= lo && c <= hi; }
inline bool IsSjisTrail(u8 c) { return In(c, 0x40, 0x7E) || In(c, 0x80, 0xFC); }
inline bool IsEucByte(u8 c) { return In(c, 0xA1, 0xFE); }
inline bool IsJisByte(u8 c) { return In(c, 0x21, 0x7E); }

// Cells of the full-width characters for half-width katakana A1..DF (index k - A1).
constexpr u8 kKanaCell[63] = {
    0x23, 0x56, 0x57, 0x22, 0x26, 0x72, 0x21, 0x23, 0x25, 0x27, 0x29, 0x63, 0x65, 0x67, 0x43,
    0x3C, 0x22, 0x24, 0x26, 0x28, 0x2A, 0x2B, 0x2D, 0x2F, 0x31, 0x33, 0x35, 0x37, 0x39, 0x3B,
    0x3D, 0x3F, 0x41, 0x44, 0x46, 0x48, 0x4A, 0x4B, 0x4C, 0x4D, 0x4E, 0x4F, 0x52, 0x55, 0x58,
    0x5B, 0x5E, 0x5F, 0x60, 0x61, 0x62, 0x64, 0x66, 0x68, 0x69, 0x6A, 0x6B, 0x6C, 0x6D, 0x6F,
    0x73, 0x2B, 0x2C};

// Shift-JIS double-byte code (lead << 8 | trail) that JIS and EUC can hold for
// this character, or 0 when there is none: JIS X 0208, the NEC row 13 and the
// NEC-selected IBM rows map by the formula; the IBM rows FA..FC go by their
// NEC-selected equivalents; the user-defined rows F0..F9 have no form.
unsigned JisConvertibleSjis(u8 s1, u8 s2) {
  if (s1 <= 0xEF) return (unsigned{s1} << 8) | s2;
  if (s1 >= 0xFA) return NecSelectedEquivalent((unsigned{s1} << 8) | s2);
  return 0;
}

// JIS pair (j1 << 8 | j2) of every Shift-JIS pair (lead << 8 | trail) that
// JIS can hold; 0 for every other index (not a pair, or no JIS form).
const std::uint16_t* SjisToJisTable() {
  static const std::vector<std::uint16_t> table = [] {
    std::vector<std::uint16_t> t(65536, 0);
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<u8>(lead))) continue;
      for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
        if (!IsSjisTrail(static_cast<u8>(trail))) continue;
        const unsigned code = JisConvertibleSjis(static_cast<u8>(lead), static_cast<u8>(trail));
        if (!code) continue;
        const auto [j1, j2] = SjisPairToJis(static_cast<u8>(code >> 8), static_cast<u8>(code));
        t[lead << 8 | trail] = static_cast<std::uint16_t>(j1 << 8 | j2);
      }
    }
    return t;
  }();
  return table.data();
}


// Output of the ISO-2022-JP encoder: tracks whether the kanji set is shifted in.
class JisWriter {
 public:
  // Every escape sequence written is three bytes (ESC $ B, ESC ( J, ...).
  JisWriter(const JisStyle& style, std::size_t expected) : out_(expected) {
    std::memcpy(in_, style.kanjiIn.data(), std::min<std::size_t>(style.kanjiIn.size(), 3));
    std::memcpy(outSeq_, style.kanjiOut.data(), std::min<std::size_t>(style.kanjiOut.size(), 3));
  }
  void Pair(u8 j1, u8 j2) {
    out_.Room(5);
    if (!kanji_) {
      PutSeq(in_);
      kanji_ = true;
    }
    out_.Put(j1);
    out_.Put(j2);
  }
  void Byte(u8 c) {
    out_.Room(4);
    if (kanji_) {
      PutSeq(outSeq_);
      kanji_ = false;
    }
    out_.Put(c);
  }
  // A run of bytes below 80, written in the single-byte set.
  void AsciiRun(std::string_view run) {
    if (kanji_) {
      out_.Room(3);
      PutSeq(outSeq_);
      kanji_ = false;
    }
    if (run.size() <= 16) {  // most runs are a word: no call for them
      out_.Room(run.size());
      for (const char c : run) out_.Put(c);
    } else {
      out_.Append(run);
    }
  }
  // A byte copied as it stands (malformed input), in whatever mode is open.
  void Raw(u8 c) {
    out_.Room(1);
    out_.Put(c);
  }
  std::string Finish() {
    if (kanji_) {
      out_.Room(3);
      PutSeq(outSeq_);
    }
    return out_.Take();
  }

 private:
  void PutSeq(const char (&seq)[3]) {
    std::memcpy(out_.Cursor(), seq, 3);
    out_.Cursor() += 3;
  }

  char in_[3] = {};
  char outSeq_[3] = {};
  ByteSink out_;
  bool kanji_ = false;
};

void Count(std::size_t* lost) {
  if (lost) ++*lost;
}

// Reads ISO-2022-JP. Sink receives decoded characters: Ascii(c) for a byte in
// the single-byte set, Kanji(j1, j2) for a JIS X 0208 pair, Kana(c) for a
// half-width katakana 21..5F, Lost() for a character of a set we cannot hold,
// Raw(c) for bytes passed through as they are.
enum JisMode { kAscii, kKanji, kKana, kOther2 };

template <typename Sink>
void ReadJis(std::string_view s, Sink& sink, int* shift = nullptr) {
  JisMode mode = shift ? static_cast<JisMode>(*shift) : kAscii;
  const std::size_t n = s.size();
  std::size_t i = 0;
  while (i < n) {
    const u8 c = static_cast<u8>(s[i]);
    if (c == kEsc && i + 2 < n) {
      const u8 a = static_cast<u8>(s[i + 1]);
      const u8 b = static_cast<u8>(s[i + 2]);
      if (a == '$' && (b == 'B' || b == '@')) {
        mode = kKanji;
        i += 3;
        continue;
      }
      if (a == '$' && b == '(' && i + 3 < n) {  // ESC $ ( X: a 94x94 set
        const u8 f = static_cast<u8>(s[i + 3]);
        mode = (f == 'B' || f == '@') ? kKanji : kOther2;
        i += 4;
        continue;
      }
      if (a == '(' && (b == 'B' || b == 'J' || b == 'H')) {
        mode = kAscii;
        i += 3;
        continue;
      }
      if (a == '(' && b == 'I') {
        mode = kKana;
        i += 3;
        continue;
      }
    }
    if (mode == kAscii || c == kCr || c == kLf || !IsJisByte(c)) {
      sink.Ascii(c);
      ++i;
    } else if (mode == kKana) {
      if (c <= 0x5F)
        sink.Kana(c);
      else
        sink.Ascii(c);
      ++i;
    } else if (i + 1 < n && IsJisByte(static_cast<u8>(s[i + 1]))) {
      if (mode == kKanji)
        sink.Kanji(c, static_cast<u8>(s[i + 1]));
      else
        sink.Lost();
      i += 2;
    } else {
      sink.Raw(c);  // half a pair: kept as it stands
      ++i;
    }
  }
  if (shift) *shift = mode;
}

}  // namespace

namespace {

int Detect(std::string_view s, bool lateControlIsText) {
  const std::size_t n = s.size();
  auto at = [&](std::size_t i) -> u8 { return i >= 1 && i <= n ? static_cast<u8>(s[i - 1]) : 0; };

  for (std::size_t i = 1; i <= kBinaryPrescanLength && i < n; ++i) {
    const u8 c = at(i);
    if (c < 0x08 || c == 0xFF) return dcBinary;
  }

  int result = dcNone;
  std::size_t i = 1;
  while ((result == dcNone || result == dcEucOrSjis) && i < n) {
    const u8 c = at(i);
    if (c == kEsc) {
      ++i;
      if (at(i) == 0x24) {
        ++i;
        if (at(i) == 0x42)
          result = dcJis;
        else if (at(i) == 0x40)
          result = dcJisOld;
      }
    } else if (c < 0x08 || c == 0xFF) {
      if (c == 0xFF || !lateControlIsText || i <= kBinaryPrescanLength) result = dcBinary;
    } else if (c <= 0x7F) {
    } else if (In(c, 0x81, 0x8D) || In(c, 0x8F, 0x9F)) {
      result = dcSjis;
    } else if (c == 0x8E) {
      ++i;
      const u8 d = at(i);
      if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0) || In(d, 0xE0, 0xFC))
        result = dcSjis;
      else if (In(d, 0xA1, 0xDF))
        result = dcEucOrSjis;
    } else if (In(c, 0xA1, 0xDF)) {
      ++i;
      u8 d = at(i);
      if (In(d, 0xF0, 0xFE)) {
        result = dcEuc;
      } else if (In(d, 0xA1, 0xDF)) {
        result = dcEucOrSjis;
      } else if (In(d, 0xE0, 0xEF)) {
        result = dcEucOrSjis;
        while (d >= 0x40 && i <= n && result == dcEucOrSjis) {
          if (In(d, 0x81, 0x8D) || In(d, 0x8F, 0x9C))
            result = dcSjis;
          else if (d == 0xFD || d == 0xFE)
            result = dcEuc;
          ++i;
          d = at(i);
        }
      } else if (d <= 0x9F) {
        result = dcSjis;
      }
    } else if (In(c, 0xF0, 0xFE)) {
      result = dcEuc;
    } else if (In(c, 0xE0, 0xEF)) {
      ++i;
      const u8 d = at(i);
      if (In(d, 0x40, 0x7E) || In(d, 0x80, 0xA0))
        result = dcSjis;
      else if (d == 0xFD || d == 0xFE)
        result = dcEuc;
      else if (In(d, 0xA1, 0xFC))
        result = dcEucOrSjis;
    }
    ++i;
  }
  return result;
}

}  // namespace

int DetectCode(std::string_view s) { return Detect(s, false); }

int DetectTextCode(std::string_view s) { return Detect(s, true); }

namespace {

// What a reading of a text gives: whether every character is one the code
// defines, and how Japanese it looks (hiragana, katakana and level-1 kanji
// count for it, half-width katakana against it).
struct Reading {
  bool valid = true;
  long score = 0;
};

// A JIS X 0208 character (row j1, cell j2) as the score counts it.
int JisScore(u8 j1) { return j1 == 0x24 || j1 == 0x25 || In(j1, 0x30, 0x4F) ? 1 : 0; }

bool DefinedSjisPair(u8 s1, u8 s2) {
  const char pair[2] = {static_cast<char>(s1), static_cast<char>(s2)};
  return Cp932CharToUnicode(std::string_view(pair, 2)) >= 0;
}

Reading ReadAsEuc(std::string_view s) {
  Reading r;
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const u8 c = static_cast<u8>(s[i]);
    const u8 d = i + 1 < n ? static_cast<u8>(s[i + 1]) : 0;
    if (c < 0x80) {
      ++i;
    } else if (c == 0x8E && In(d, 0xA1, 0xDF)) {
      --r.score;
      i += 2;
    } else if (c == 0x8F && IsEucByte(d) && i + 2 < n && IsEucByte(static_cast<u8>(s[i + 2]))) {
      i += 3;  // JIS X 0212
    } else if (In(c, 0xA1, 0xF4) && IsEucByte(d)) {
      const auto [s1, s2] = JisPairToSjis(c & 0x7F, d & 0x7F);
      if (!DefinedSjisPair(s1, s2)) r.valid = false;
      r.score += JisScore(c & 0x7F);
      i += 2;
    } else {
      r.valid = false;
      ++i;
    }
  }
  return r;
}

Reading ReadAsCp932(std::string_view s) {
  Reading r;
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const u8 c = static_cast<u8>(s[i]);
    const u8 d = i + 1 < n ? static_cast<u8>(s[i + 1]) : 0;
    if (c < 0x80) {
      ++i;
    } else if (In(c, 0xA1, 0xDF)) {
      --r.score;
      ++i;
    } else if (IsLeadByte(c) && i + 1 < n && IsSjisTrail(d)) {
      if (!DefinedSjisPair(c, d)) r.valid = false;
      if (c <= 0xEF) r.score += JisScore(SjisPairToJis(c, d).first);
      i += 2;
    } else {
      r.valid = false;
      ++i;
    }
  }
  return r;
}

}  // namespace

int DecideEucOrSjis(std::string_view s) {
  const Reading euc = ReadAsEuc(s);
  const Reading sjis = ReadAsCp932(s);
  if (euc.valid != sjis.valid) return euc.valid ? dcEuc : dcSjis;
  return euc.score > sjis.score ? dcEuc : dcSjis;
}

std::pair<u8, u8> JisPairToSjis(u8 j1, u8 j2) {
  const u8 s1 = static_cast<u8>(((j1 + 1) >> 1) + (j1 < 0x5F ? 0x70 : 0xB0));
  u8 s2;
  if (j1 % 2 == 0)
    s2 = static_cast<u8>(j2 + 0x7E);
  else
    s2 = static_cast<u8>(j2 <= 0x5F ? j2 + 0x1F : j2 + 0x20);
  return {s1, s2};
}

std::pair<u8, u8> SjisPairToJis(u8 s1, u8 s2) {
  u8 j1 = static_cast<u8>((s1 - (s1 < 0xA0 ? 0x70 : 0xB0)) * 2);
  u8 j2;
  if (s2 < 0x9F) {
    j1 = static_cast<u8>(j1 - 1);
    j2 = static_cast<u8>(s2 - (s2 > 0x7F ? 0x20 : 0x1F));
  } else {
    j2 = static_cast<u8>(s2 - 0x7E);
  }
  return {j1, j2};
}

[[gnu::always_inline]] inline std::pair<u8, u8> KanaToJisInline(u8 k, int mark, bool* merged);

std::pair<u8, u8> KanaToJis(u8 k, int mark, bool* merged) { return KanaToJisInline(k, mark, merged); }

inline std::pair<u8, u8> KanaToJisInline(u8 k, int mark, bool* merged) {
  if (merged) *merged = false;
  if (!In(k, 0xA1, 0xDF)) return {0x22, 0x2E};  // not a kana: 〓
  const bool punct = In(k, 0xA1, 0xA5) || k == 0xB0 || k == 0xDE || k == 0xDF;
  u8 cell = kKanaCell[k - 0xA1];
  bool take = false;
  if (mark == 0xDE) {
    if (k == 0xB3) {
      cell = 0x74;
      take = true;
    } else if (In(k, 0xB6, 0xC4) || In(k, 0xCA, 0xCE)) {
      cell = static_cast<u8>(cell + 1);
      take = true;
    }
  } else if (mark == 0xDF && In(k, 0xCA, 0xCE)) {
    cell = static_cast<u8>(cell + 2);
    take = true;
  }
  if (merged) *merged = take;
  return {static_cast<u8>(punct ? 0x21 : 0x25), cell};
}

std::string SjisToJis(std::string_view s, std::size_t* lost, const JisStyle& style) {
  JisWriter w(style, s.size() + s.size() / 2);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const u8 c = static_cast<u8>(s[i]);
    if (c < 0x80) {
      const std::size_t end = AsciiRunEnd(s, i);
      w.AsciiRun(s.substr(i, end - i));
      i = end;
    } else if (In(c, 0xA1, 0xDF)) {
      bool merged = false;
      const auto [j1, j2] = KanaToJisInline(c, i + 1 < n ? static_cast<u8>(s[i + 1]) : -1, &merged);
      w.Pair(j1, j2);
      i += merged ? 2 : 1;
    } else if (IsLeadByte(c) && i + 1 < n && IsSjisTrail(static_cast<u8>(s[i + 1]))) {
      // A run of double-byte characters, one table look-up each; a pair with
      // no JIS form (or anything that is not a pair) ends the fast run.
      const std::uint16_t* table = SjisToJisTable();
      const auto first = static_cast<std::size_t>(c << 8 | static_cast<u8>(s[i + 1]));
      if (table[first] == 0) {
        Count(lost);
        w.Pair(0x22, 0x2E);
        i += 2;
        continue;
      }
      while (i + 1 < n) {
        const std::uint16_t jis =
            table[static_cast<std::size_t>(static_cast<u8>(s[i]) << 8 | static_cast<u8>(s[i + 1]))];
        if (jis == 0) break;
        w.Pair(static_cast<u8>(jis >> 8), static_cast<u8>(jis));
        i += 2;
      }
    } else {
      w.Raw(c);  // a byte that starts no character, or a lead byte cut short
      ++i;
    }
  }
  return w.Finish();
}

std::string SjisToEuc(std::string_view s, std::size_t* lost) {
  ByteSink out(s.size() + s.size() / 4);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const u8 c = static_cast<u8>(s[i]);
    if (c < 0x80) {
      const std::size_t end = AsciiRunEnd(s, i);
      out.Append(s.substr(i, end - i));
      i = end;
      continue;
    }
    out.Room(2);
    if (In(c, 0xA1, 0xDF)) {
      out.Put('\x8E');
      out.Put(c);
      ++i;
    } else if (IsLeadByte(c) && i + 1 < n && IsSjisTrail(static_cast<u8>(s[i + 1]))) {
      const std::uint16_t* table = SjisToJisTable();
      std::uint16_t jis = table[static_cast<std::size_t>(c << 8 | static_cast<u8>(s[i + 1]))];
      if (jis == 0) {
        Count(lost);
        jis = 0x222E;  // 〓
      }
      out.Put(static_cast<u8>(jis >> 8 | 0x80));
      out.Put(static_cast<u8>(jis | 0x80));
      i += 2;
      // The rest of a run of pairs, one look-up each.
      while (i + 1 < n) {
        jis = table[static_cast<std::size_t>(static_cast<u8>(s[i]) << 8 | static_cast<u8>(s[i + 1]))];
        if (jis == 0) break;
        out.Room(2);
        out.Put(static_cast<u8>(jis >> 8 | 0x80));
        out.Put(static_cast<u8>(jis | 0x80));
        i += 2;
      }
    } else {
      out.Put(c);
      ++i;
    }
  }
  return out.Take();
}

std::string EucToSjis(std::string_view s, std::size_t* lost) { return EucToSjis(s, lost, {}); }

std::string EucToSjis(std::string_view s, std::size_t* lost, std::string reuse) {
  ByteSink out(s.size(), std::move(reuse));
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    out.Room(2);
    const u8 c = static_cast<u8>(s[i]);
    const u8 d = i + 1 < n ? static_cast<u8>(s[i + 1]) : 0;
    if (c <= 0x80 || c == 0xFF || c == 0xA0) {
      out.Put(c);
      ++i;
    } else if (c == 0x8E && i + 1 < n) {
      out.Put(d);  // half-width katakana stays half-width
      i += 2;
    } else if (c == 0x8F && i + 2 < n && IsEucByte(d) && IsEucByte(static_cast<u8>(s[i + 2]))) {
      Count(lost);  // JIS X 0212: no Shift-JIS form
      out.Append(kGetaSjis);
      i += 3;
    } else if (IsEucByte(c) && i + 1 < n && IsEucByte(d)) {
      const auto [s1, s2] = JisPairToSjis(c & 0x7F, d & 0x7F);
      out.Put(s1);
      out.Put(s2);
      i += 2;
    } else {
      out.Put(c);
      ++i;
    }
  }
  return out.Take();
}

std::string EucToJis(std::string_view s, std::size_t* lost, const JisStyle& style) {
  JisWriter w(style, s.size() + s.size() / 2);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const u8 c = static_cast<u8>(s[i]);
    const u8 d = i + 1 < n ? static_cast<u8>(s[i + 1]) : 0;
    if (c < 0x80) {
      w.Byte(c);
      ++i;
    } else if (c == 0x8E && i + 1 < n && In(d, 0xA1, 0xDF)) {
      const bool markFollows = i + 3 < n && static_cast<u8>(s[i + 2]) == 0x8E;
      bool merged = false;
      const auto [j1, j2] = KanaToJisInline(d, markFollows ? static_cast<u8>(s[i + 3]) : -1, &merged);
      w.Pair(j1, j2);
      i += merged ? 4 : 2;
    } else if (c == 0x8F && i + 2 < n && IsEucByte(d) && IsEucByte(static_cast<u8>(s[i + 2]))) {
      Count(lost);
      w.Pair(0x22, 0x2E);
      i += 3;
    } else if (IsEucByte(c) && i + 1 < n && IsEucByte(d)) {
      w.Pair(c & 0x7F, d & 0x7F);
      i += 2;
    } else {
      w.Raw(c);
      ++i;
    }
  }
  return w.Finish();
}

namespace {

struct SjisSink {
  std::string out;
  std::size_t* lost;
  void Ascii(u8 c) { out.push_back(static_cast<char>(c)); }
  void Raw(u8 c) { out.push_back(static_cast<char>(c)); }
  void Kana(u8 c) { out.push_back(static_cast<char>(c | 0x80)); }
  void Kanji(u8 j1, u8 j2) {
    const auto [s1, s2] = JisPairToSjis(j1, j2);
    out.push_back(static_cast<char>(s1));
    out.push_back(static_cast<char>(s2));
  }
  void Lost() {
    Count(lost);
    out.append(kGetaSjis);
  }
};

struct EucSink {
  std::string out;
  std::size_t* lost;
  void Ascii(u8 c) { out.push_back(static_cast<char>(c)); }
  void Raw(u8 c) { out.push_back(static_cast<char>(c)); }
  void Kana(u8 c) {
    out.push_back('\x8E');
    out.push_back(static_cast<char>(c | 0x80));
  }
  void Kanji(u8 j1, u8 j2) {
    out.push_back(static_cast<char>(j1 | 0x80));
    out.push_back(static_cast<char>(j2 | 0x80));
  }
  void Lost() {
    Count(lost);
    out.append("\xA2\xAE");
  }
};

}  // namespace

std::string JisToSjis(std::string_view s, std::size_t* lost) { return JisToSjis(s, lost, nullptr); }

std::string JisToSjis(std::string_view s, std::size_t* lost, int* shift, std::string reuse) {
  SjisSink sink{std::move(reuse), lost};
  sink.out.clear();
  sink.out.reserve(s.size());
  ReadJis(s, sink, shift);
  return std::move(sink.out);
}

std::string JisToEuc(std::string_view s, std::size_t* lost) {
  EucSink sink{{}, lost};
  sink.out.reserve(s.size());
  ReadJis(s, sink);
  return std::move(sink.out);
}

std::string ConvertCode(std::string_view s, int target, std::size_t* lost) {
  const int d = DetectCode(s);
  if (d < dcJis || d == target || d == dcEucOrSjis) return std::string(s);
  const bool jis = d == dcJis || d == dcJisOld;
  switch (target) {
    case dcJis:
      if (d == dcEuc) return EucToJis(s, lost);
      if (d == dcSjis) return SjisToJis(s, lost);
      break;
    case dcEuc:
      if (jis) return JisToEuc(s, lost);
      if (d == dcSjis) return SjisToEuc(s, lost);
      break;
    case dcSjis:
      if (jis) return JisToSjis(s, lost);
      if (d == dcEuc) return EucToSjis(s, lost);
      break;
    default:
      break;
  }
  return std::string(s);
}

JisStyle DetectJisStyle(std::string_view s) {
  JisStyle style;
  bool in = false;
  bool out = false;
  for (std::size_t i = 0; i + 2 < s.size() && !(in && out); ++i) {
    if (s[i] != '\x1B') continue;
    const std::string_view seq = s.substr(i, 3);
    if (!in && (seq == "\x1B$B" || seq == "\x1B$@")) {
      style.kanjiIn = seq == "\x1B$B" ? std::string_view("\x1B$B") : std::string_view("\x1B$@");
      in = true;
    } else if (!out && (seq == "\x1B(B" || seq == "\x1B(J")) {
      style.kanjiOut = seq == "\x1B(B" ? std::string_view("\x1B(B") : std::string_view("\x1B(J");
      out = true;
    }
  }
  return style;
}

}  // namespace tamber
