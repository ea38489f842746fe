#include "encoding/cp932_codec.h"

#include <iconv.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "encoding/byte_sink.h"
#include "encoding/dbcs.h"

namespace tamber {

namespace {

constexpr char32_t kGetaUnicode = 0x3013;
constexpr std::uint16_t kGetaCode = 0x81AC;
constexpr std::uint16_t kNone = 0xFFFF;  // U+FFFF is a noncharacter: free as "no mapping"

// Tables read from iconv "CP932" at first use.
struct Cp932Tables {
  // Code point of each character, kNone where there is none, indexed by
  // CharIndex: a single byte at its own value (below 100), a pair at lead << 8 | trail.
  std::vector<std::uint16_t> decode;
  std::vector<std::uint16_t> fromBmp;    // code point -> CP932 code (byte or pair), kNone
  std::vector<std::uint16_t> necEquiv;   // FA40..FCFF -> equivalent code, 0
  // UTF-8 of each character, bytes in the low three bytes, length in the top
  // byte (0: no mapping); written four bytes at a time and cut to the length.
  std::vector<std::uint32_t> utf8;  // indexed as decode
  // The codes two characters share, in ascending order, and the form of each
  // that decode does not give. Their utf8 entries carry kSharedFlag.
  std::uint16_t sharedCode[kSharedCodes] = {};
  char32_t sharedOther[kSharedCodes] = {};
  std::uint32_t sharedOtherUtf8[kSharedCodes] = {};
  // Bit u: reading character u tells a form (either form of a shared code, ¥, ‾).
  std::vector<std::uint64_t> formChar = std::vector<std::uint64_t>(65536 / 64, 0);

  // fromBmp for the characters of three UTF-8 bytes whose code is written as
  // it is: kNone also for those that tell a form, and for those whose code is
  // of one byte but for the half-width katakana.
  std::vector<std::uint16_t> plain;

  bool TellsForm(char32_t u) const { return u < 0x10000 && (formChar[u >> 6] >> (u & 63) & 1); }

  Cp932Tables()
      : decode(65536, kNone), fromBmp(65536, kNone), necEquiv(0x300, 0), utf8(65536, 0) {
    iconv_t dec = iconv_open("UTF-16LE", "CP932");
    iconv_t enc = iconv_open("CP932", "UTF-16LE");
    if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
      throw std::runtime_error("iconv cannot convert CP932 on this system");
    auto convert = [&](const char* in, std::size_t len) -> std::uint16_t {
      char buf[8];
      char* src = const_cast<char*>(in);
      char* dst = buf;
      std::size_t inLeft = len, outLeft = sizeof buf;
      iconv(dec, nullptr, nullptr, nullptr, nullptr);
      if (iconv(dec, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0 ||
          sizeof buf - outLeft != 2)
        return kNone;
      const auto u = static_cast<std::uint16_t>(static_cast<unsigned char>(buf[0]) |
                                                (static_cast<unsigned char>(buf[1]) << 8));
      return u;
    };
    for (int b = 0; b < 256; ++b) {
      const char c = static_cast<char>(b);
      decode[static_cast<std::size_t>(b)] = IsLeadByte(static_cast<unsigned char>(b)) ? kNone : convert(&c, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
      if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
      for (int trail = 0x40; trail <= 0xFC; ++trail) {
        if (trail == 0x7F) continue;
        const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        decode[static_cast<std::size_t>(lead << 8 | trail)] = convert(pair, 2);
      }
    }
    // Encoding as iconv does it, for every BMP code point: this keeps its
    // choice among duplicate codes and its one-way mappings (U+301C -> 8160).
    for (std::uint32_t u = 1; u < 0x10000; ++u) {
      if (u >= 0xD800 && u <= 0xDFFF) continue;
      const char in[2] = {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
      char out[4];
      char* src = const_cast<char*>(in);
      char* dst = out;
      std::size_t inLeft = 2, outLeft = sizeof out;
      iconv(enc, nullptr, nullptr, nullptr, nullptr);
      if (iconv(enc, &src, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1)) continue;
      const std::size_t n = sizeof out - outLeft;
      if (n == 1)
        fromBmp[u] = static_cast<unsigned char>(out[0]);
      else if (n == 2)
        fromBmp[u] = static_cast<std::uint16_t>(static_cast<unsigned char>(out[0]) << 8 |
                                                static_cast<unsigned char>(out[1]));
    }
    fromBmp[0] = 0;
    iconv_close(dec);
    iconv_close(enc);
    BuildNecEquivalents();
    for (std::size_t i = 0; i < decode.size(); ++i) utf8[i] = PackUtf8(decode[i]);
    FindSharedCodes();
    plain = fromBmp;
    for (std::uint32_t u = 0; u < 0x10000; ++u) {
      const bool kana = u >= 0xFF61 && u <= 0xFF9F;
      if (u < 0x800 || TellsForm(u) || (fromBmp[u] <= 0xFF) != kana) plain[u] = kNone;
    }
  }

  static constexpr std::uint32_t kSharedFlag = 0x80000000u;

  // Pairs whose two characters iconv encodes to one code: the character that
  // does not decode back is the other form.
  void FindSharedCodes() {
    int found = 0;
    for (std::uint32_t u = 0x80; u < 0x10000; ++u) {
      const std::uint16_t code = fromBmp[u];
      if (code == kNone || code <= 0xFF || decode[code] == u) continue;
      if (found == kSharedCodes) throw std::runtime_error("iconv's CP932 shares more codes than expected");
      sharedCode[found] = code;
      sharedOther[found] = u;
      ++found;
    }
    if (found != kSharedCodes) throw std::runtime_error("iconv's CP932 shares fewer codes than expected");
    for (int a = 0; a < kSharedCodes; ++a)
      for (int b = a + 1; b < kSharedCodes; ++b)
        if (sharedCode[b] < sharedCode[a]) {
          std::swap(sharedCode[a], sharedCode[b]);
          std::swap(sharedOther[a], sharedOther[b]);
        }
    auto mark = [&](char32_t u) { formChar[u >> 6] |= std::uint64_t{1} << (u & 63); };
    for (int k = 0; k < kSharedCodes; ++k) {
      utf8[sharedCode[k]] |= kSharedFlag;
      sharedOtherUtf8[k] = PackUtf8(static_cast<std::uint16_t>(sharedOther[k]));
      mark(sharedOther[k]);
      mark(decode[sharedCode[k]]);
    }
    for (std::uint32_t u = 0x80; u < 0x10000; ++u)
      if (fromBmp[u] == '\\' || fromBmp[u] == '~') mark(u);
  }

  int SharedIndex(std::uint16_t code) const {
    for (int k = 0; k < kSharedCodes; ++k)
      if (sharedCode[k] == code) return k;
    return -1;
  }

  static std::uint32_t PackUtf8(std::uint16_t u) {
    if (u == kNone) return 0;
    if (u < 0x80) return 1u << 24 | u;
    if (u < 0x800) return 2u << 24 | (0x80u | (u & 0x3F)) << 8 | (0xC0u | (u >> 6));
    return 3u << 24 | (0x80u | (u & 0x3F)) << 16 | (0x80u | ((u >> 6) & 0x3F)) << 8 | (0xE0u | (u >> 12));
  }

  // Rank of a code as the form that JIS and EUC should carry: JIS X 0208
  // first, then the NEC row 13, then the NEC-selected IBM rows.
  static int Rank(unsigned code) {
    const unsigned lead = code >> 8;
    if (lead == 0x87) return 2;
    if (lead == 0xED || lead == 0xEE) return 3;
    if (lead >= 0x81 && lead <= 0xEF) return 1;
    return 0;
  }

  void BuildNecEquivalents() {
    std::vector<std::uint16_t> best(65536, 0);  // code point -> best-ranked code
    for (unsigned code = 0x8140; code <= 0xEEFC; ++code) {
      const int rank = Rank(code);
      const std::uint16_t u = decode[code];
      if (!rank || u == kNone) continue;
      if (!best[u] || rank < Rank(best[u])) best[u] = static_cast<std::uint16_t>(code);
    }
    for (unsigned ibm = 0xFA40; ibm <= 0xFCFC; ++ibm)
      if (decode[ibm] != kNone) necEquiv[ibm - 0xFA00] = best[decode[ibm]];
  }
};

const Cp932Tables& Tables() {
  static const Cp932Tables tables;
  return tables;
}

void Count(std::size_t* lost) {
  if (lost) ++*lost;
}

// Index into the per-character tables of the character at s[i] (not ASCII):
// lead << 8 | trail for a pair, else the byte itself (a lead byte without a
// trail byte after it is a character of its own, with no mapping).
inline std::size_t CharIndex(std::string_view s, std::size_t i, std::size_t* len) {
  const auto c = static_cast<unsigned char>(s[i]);
  if (IsLeadByte(c) && i + 1 < s.size()) {
    const auto d = static_cast<unsigned char>(s[i + 1]);
    if ((d >= 0x40 && d <= 0x7E) || (d >= 0x80 && d <= 0xFC)) {
      *len = 2;
      return static_cast<std::size_t>(c << 8 | d);
    }
  }
  *len = 1;
  return c;
}

// Walks CP932 text, calling emit(code point) for each character.
template <typename Emit>
void DecodeCp932(std::string_view s, std::size_t* lost, Emit emit) {
  const Cp932Tables& t = Tables();
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      emit(static_cast<char32_t>(c));
      ++i;
      continue;
    }
    std::size_t len;
    const std::uint16_t u = t.decode[CharIndex(s, i, &len)];
    if (u == kNone) {
      Count(lost);
      emit(kGetaUnicode);
    } else {
      emit(static_cast<char32_t>(u));
    }
    i += len;
  }
}

void AppendCode(std::string& out, std::uint16_t code) {
  if (code > 0xFF) out.push_back(static_cast<char>(code >> 8));
  out.push_back(static_cast<char>(code & 0xFF));
}

void EncodeOne(std::string& out, char32_t u, std::size_t* lost) {
  const Cp932Tables& t = Tables();
  std::uint16_t code = u < 0x10000 ? t.fromBmp[u] : kNone;
  if (code == kNone) {
    Count(lost);
    code = kGetaCode;
  }
  AppendCode(out, code);
}

// Length of the well-formed UTF-8 sequence at s[i], and its code point; 0 when
// the bytes there are not one.
std::size_t Utf8Sequence(std::string_view s, std::size_t i, char32_t* cp) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  if (b0 < 0x80) {
    *cp = b0;
    return 1;
  }
  std::size_t len;
  char32_t u;
  char32_t min;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    len = 2, u = b0 & 0x1F, min = 0x80;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    len = 3, u = b0 & 0x0F, min = 0x800;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    len = 4, u = b0 & 0x07, min = 0x10000;
  } else {
    return 0;
  }
  if (i + len > s.size()) return 0;
  for (std::size_t k = 1; k < len; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) return 0;
    u = (u << 6) | (b & 0x3F);
  }
  if (u < min || u > 0x10FFFF || (u >= 0xD800 && u <= 0xDFFF)) return 0;
  *cp = u;
  return len;
}

}  // namespace

unsigned Utf8Forms::Choice() const {
  unsigned bits = 0;
  for (int k = 0; k < kSharedCodes; ++k)
    if (first[k] == 2) bits |= 1u << k;
  return bits;
}

std::string Cp932ToUtf8(std::string_view s, std::size_t* lost, unsigned otherForms) {
  const Cp932Tables& t = Tables();
  ByteSink out(s.size() + s.size() / 2);
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      const std::size_t end = AsciiRunEnd(s, i + 1);
      out.Append(s.substr(i, end - i));
      i = end;
      continue;
    }
    std::size_t len;
    const std::size_t index = CharIndex(s, i, &len);
    std::uint32_t packed = t.utf8[index];
    if (packed == 0) {
      Count(lost);
      packed = Cp932Tables::PackUtf8(static_cast<std::uint16_t>(kGetaUnicode));
    } else if (packed & Cp932Tables::kSharedFlag) {
      const int k = t.SharedIndex(static_cast<std::uint16_t>(index));
      if (otherForms >> k & 1) packed = t.sharedOtherUtf8[k];
    }
    out.Room(4);
    char*& p = out.Cursor();
    const std::uint32_t bytes = packed & 0xFFFFFF;
    static_assert(std::endian::native == std::endian::little, "packed UTF-8 is stored low byte first");
    std::memcpy(p, &bytes, 4);
    p += (packed >> 24) & 0x7;
    i += len;
  }
  return out.Take();
}

std::u16string Cp932ToUtf16(std::string_view s, std::size_t* lost) {
  std::u16string out;
  out.reserve(s.size());
  DecodeCp932(s, lost, [&](char32_t u) { out.push_back(static_cast<char16_t>(u)); });
  return out;
}

namespace {

// Four bytes at s[i] (little-endian), for looking at a three-byte sequence.
inline std::uint32_t Load3(std::string_view s, std::size_t i) {
  std::uint32_t w;
  std::memcpy(&w, s.data() + i, 4);
  return w;
}

// A well-formed three-byte sequence led by E1..EC or EE..EF, which need no
// range check beyond the continuation bytes (E0 and ED do).
inline bool IsPlain3(std::uint32_t w) {
  if ((w & 0xC0C0F0) != 0x8080E0) return false;
  const std::uint32_t lead = w & 0xFF;
  return lead != 0xE0 && lead != 0xED;
}

// Notes the form of a character that may share its CP932 code (u at least 80).
void NoteForm(const Cp932Tables& t, char32_t u, std::uint16_t code, Utf8Forms* forms) {
  if (code == '\\' || code == '~') {
    ++forms->lost;
  } else if (code != kNone && t.utf8[code] & Cp932Tables::kSharedFlag) {
    const int k = t.SharedIndex(code);
    const unsigned char form = u == t.sharedOther[k] ? 2 : 1;
    if (!forms->first[k])
      forms->first[k] = form;
    else if (forms->first[k] != form)
      ++forms->lost;
  }
}

}  // namespace

namespace {

// The character at p (a byte of 80 or above, p < end) into o: its code, or 〓
// when it has none or the bytes start no character (which then takes one byte).
inline const unsigned char* ConvertUtf8Char(const Cp932Tables& t, const unsigned char* p,
                                            const unsigned char* end, char*& o, std::size_t& lost,
                                            Utf8Forms* forms, bool& wellFormed) {
  char32_t u = 0;
  const std::string_view rest(reinterpret_cast<const char*>(p), static_cast<std::size_t>(end - p));
  const std::size_t len = Utf8Sequence(rest, 0, &u);
  std::uint16_t code;
  if (len == 0) {
    wellFormed = false;
    ++lost;
    code = kGetaCode;
  } else {
    code = u < 0x10000 ? t.fromBmp[u] : kNone;
    if (forms && t.TellsForm(u)) NoteForm(t, u, code, forms);
    if (code == kNone) {
      ++lost;
      code = kGetaCode;
    }
  }
  if (code > 0xFF) *o++ = static_cast<char>(code >> 8);
  *o++ = static_cast<char>(code);
  return p + (len ? len : 1);
}

// Writes code (a byte, or lead << 8 | trail) at o, which has room for two bytes.
inline void PutCode(char*& o, std::uint16_t code) {
  const bool pair = code > 0xFF;
  const auto v = static_cast<std::uint16_t>(pair ? (code >> 8 | code << 8) : code);
  std::memcpy(o, &v, 2);
  o += pair ? 2 : 1;
}

}  // namespace

std::size_t Utf8ToCp932Into(std::string_view s, char* out, std::size_t* lost, Utf8Forms* forms,
                            bool* wellFormed) {
  const Cp932Tables& t = Tables();
  // Held in locals: the stores through o could alias the tables' vectors.
  const std::uint16_t* const fromBmp = t.fromBmp.data();
  const std::uint16_t* const plain = t.plain.data();
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const unsigned char* const end = p + s.size();
  char* o = out;
  std::size_t lostHere = 0;
  bool ok = true;
#if defined(__SSE2__)
  // Sixty-four bytes at a time. Japanese text is ASCII runs between
  // characters of three bytes: a block whose high bytes are all such
  // characters is converted from its masks, copying each ASCII run whole; any
  // other block (two- and four-byte characters, E0 and ED leads, bytes that
  // start nothing) goes a character at a time.
  const __m128i belowC0 = _mm_set1_epi8(static_cast<char>(0xBF));  // signed: greater is C0..FF or ASCII
  const __m128i belowE0 = _mm_set1_epi8(static_cast<char>(0xDF));
  const __m128i belowF0 = _mm_set1_epi8(static_cast<char>(0xEF));
  const __m128i e0 = _mm_set1_epi8(static_cast<char>(0xE0));
  const __m128i ed = _mm_set1_epi8(static_cast<char>(0xED));
  auto copy32 = [](char* to, const unsigned char* from) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to), _mm_loadu_si128(reinterpret_cast<const __m128i*>(from)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + 16),
                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16)));
  };
  // A run of up to 64 bytes.
  auto copyRun = [&](char* to, const unsigned char* from, unsigned n) {
    copy32(to, from);
    if (n > 32) [[unlikely]] copy32(to + 32, from + 32);
  };
  while (end - p >= 128) {
    __m128i v[4];
    std::uint64_t high = 0, lead = 0, lead3 = 0, odd = 0;
    for (int k = 0; k < 4; ++k) {
      v[k] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
      auto bits = [&](__m128i x) { return std::uint64_t{static_cast<std::uint16_t>(_mm_movemask_epi8(x))} << (16 * k); };
      high |= bits(v[k]);
      lead |= bits(_mm_cmpgt_epi8(v[k], belowC0));
      lead3 |= bits(_mm_cmpgt_epi8(v[k], belowE0));
      odd |= bits(_mm_or_si128(_mm_cmpgt_epi8(v[k], belowF0),
                               _mm_or_si128(_mm_cmpeq_epi8(v[k], e0), _mm_cmpeq_epi8(v[k], ed))));
    }
    if (high == 0) {
      for (int k = 0; k < 4; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 16 * k), v[k]);
      p += 64;
      o += 64;
      continue;
    }
    lead &= high;
    lead3 &= high;
    odd &= high;
    // A character led in the last two bytes is left to the next block.
    const std::uint64_t late = lead & 0xC000000000000000u;
    const unsigned cut = late ? static_cast<unsigned>(std::countr_zero(late)) : 64;
    const std::uint64_t keep = cut == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << cut) - 1;
    const std::uint64_t leads = lead & keep;
    const std::uint64_t follow = leads << 1 | leads << 2;
    if ((((lead ^ lead3) | odd) & keep) != 0 || (high & keep) != (leads | follow) || (leads & follow) != 0) {
      const unsigned char* const stop = p + 64;
      while (p < stop) {
        if (*p < 0x80)
          *o++ = static_cast<char>(*p++);
        else
          p = ConvertUtf8Char(t, p, end, o, lostHere, forms, ok);
      }
      continue;
    }
    unsigned from = 0;  // where the ASCII run before the next character starts
    for (std::uint64_t m = leads; m != 0; m &= m - 1) {
      const auto at = static_cast<unsigned>(std::countr_zero(m));
      copyRun(o, p + from, at - from);
      o += at - from;
      std::uint32_t w;
      std::memcpy(&w, p + at, 4);
      const auto u = static_cast<char32_t>((w & 0x0F) << 12 | (w >> 2 & 0xFC0) | (w >> 16 & 0x3F));
      const std::uint16_t code = plain[u];
      if (code == kNone) [[unlikely]] {
        std::uint16_t c = fromBmp[u];
        if (forms && t.TellsForm(u)) NoteForm(t, u, c, forms);
        if (c == kNone) {
          ++lostHere;
          c = kGetaCode;
        }
        PutCode(o, c);
      } else {
        // Where the next byte goes does not wait for the table: the
        // half-width katakana are the plain characters of one byte.
        const bool single = u - 0xFF61u < 0x3Fu;
        const auto v = static_cast<std::uint16_t>(single ? code : (code >> 8 | code << 8));
        std::memcpy(o, &v, 2);
        o += single ? 1 : 2;
      }
      from = at + 3;
    }
    copyRun(o, p + from, cut - from);
    o += cut - from;
    p += cut;
  }
#endif
  while (p < end) {
    if (*p < 0x80)
      *o++ = static_cast<char>(*p++);
    else
      p = ConvertUtf8Char(t, p, end, o, lostHere, forms, ok);
  }
  if (lost) *lost += lostHere;
  if (wellFormed) *wellFormed = ok;
  return static_cast<std::size_t>(o - out);
}

std::string Utf8ToCp932(std::string_view s, std::size_t* lost, Utf8Forms* forms) {
  return Utf8ToCp932(s, lost, forms, {});
}

std::string Utf8ToCp932(std::string_view s, std::size_t* lost, Utf8Forms* forms, std::string reuse) {
  std::string out = std::move(reuse);
  out.clear();
  // Converted a slice at a time, so that the room the bound asks for stays
  // small. A slice ends before a byte that starts a character (or that lies
  // after three continuation bytes, which no character can take in): the
  // slices convert as the whole text does.
  constexpr std::size_t kSlice = 1 << 16;
  auto continuation = [&](std::size_t i) { return (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80; };
  for (std::size_t at = 0; at < s.size();) {
    std::size_t stop = std::min(s.size(), at + kSlice);
    if (stop < s.size()) {
      std::size_t back = stop;
      for (int k = 0; k < 3 && back > at + 1 && continuation(back); ++k) --back;
      if (!continuation(back)) stop = back;
    }
    const std::string_view slice = s.substr(at, stop - at);
    const std::size_t size = out.size();
    out.resize(size + Utf8ToCp932Bound(slice.size()));
    out.resize(size + Utf8ToCp932Into(slice, out.data() + size, lost, forms, nullptr));
    at = stop;
  }
  return out;
}

std::string Utf16ToCp932(std::u16string_view s, std::size_t* lost) {
  std::string out;
  out.reserve(s.size() * 2);
  for (std::size_t i = 0; i < s.size(); ++i) {
    const char16_t c = s[i];
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      // A pair is one character beyond the BMP, which CP932 cannot hold.
      if (c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) ++i;
      Count(lost);
      AppendCode(out, kGetaCode);
    } else {
      EncodeOne(out, c, lost);
    }
  }
  return out;
}

int Cp932CharToUnicode(std::string_view ch) {
  std::size_t lost = 0;
  char32_t result = 0;
  int count = 0;
  DecodeCp932(ch, &lost, [&](char32_t u) {
    result = u;
    ++count;
  });
  return (count == 1 && lost == 0) ? static_cast<int>(result) : -1;
}

int UnicodeToCp932Code(char32_t u) {
  if (u == 0) return 0;
  if (u >= 0x10000) return -1;
  const std::uint16_t code = Tables().fromBmp[u];
  return code == kNone ? -1 : code;
}

namespace {

// UTF-8 validation as a shift DFA: each state is a bit offset, and the row of
// a byte holds, at each state's offset, the state it leads to. One table
// look-up and one shift per byte, with no branch to mispredict.
enum : unsigned {
  kAccept = 0, kError = 6, kCont1 = 12, kCont2 = 18, kCont3 = 24,
  kAfterE0 = 30, kAfterED = 36, kAfterF0 = 42, kAfterF4 = 48,
};

struct Utf8Dfa {
  std::uint64_t row[256] = {};
  Utf8Dfa() {
    for (unsigned b = 0; b < 256; ++b) {
      auto in = [b](unsigned lo, unsigned hi) { return b >= lo && b <= hi; };
      auto next = [&](unsigned state) -> unsigned {
        switch (state) {
          case kAccept:
            if (b < 0x80) return kAccept;
            if (in(0xC2, 0xDF)) return kCont1;
            if (b == 0xE0) return kAfterE0;
            if (b == 0xED) return kAfterED;
            if (in(0xE1, 0xEF)) return kCont2;
            if (b == 0xF0) return kAfterF0;
            if (b == 0xF4) return kAfterF4;
            if (in(0xF1, 0xF3)) return kCont3;
            return kError;
          case kCont1: return in(0x80, 0xBF) ? kAccept : kError;
          case kCont2: return in(0x80, 0xBF) ? kCont1 : kError;
          case kCont3: return in(0x80, 0xBF) ? kCont2 : kError;
          case kAfterE0: return in(0xA0, 0xBF) ? kCont1 : kError;
          case kAfterED: return in(0x80, 0x9F) ? kCont1 : kError;
          case kAfterF0: return in(0x90, 0xBF) ? kCont2 : kError;
          case kAfterF4: return in(0x80, 0x8F) ? kCont2 : kError;
          default: return kError;
        }
      };
      for (unsigned state = 0; state <= kAfterF4; state += 6)
        row[b] |= std::uint64_t{next(state)} << state;
    }
  }
};

}  // namespace

bool IsValidUtf8(std::string_view s) {
  static const Utf8Dfa dfa;
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  std::uint64_t state = kAccept;
  std::size_t i = 0;
  while (i < n) {
    if (state == kAccept) {
      i = AsciiRunEnd(s, i);
      if (i == n) break;
    }
    // A block of bytes through the table, then a look at the state.
    const std::size_t end = std::min(n, i + 64);
    for (; i < end; ++i) state = dfa.row[p[i]] >> (state & 63);
    state &= 63;
    if (state == kError) return false;
  }
  return state == kAccept;
}

unsigned NecSelectedEquivalent(unsigned sjisCode) {
  if (sjisCode < 0xFA00 || sjisCode > 0xFCFF) return 0;
  return Tables().necEquiv[sjisCode - 0xFA00];
}

}  // namespace tamber
