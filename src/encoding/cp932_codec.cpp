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

std::string Utf8ToCp932(std::string_view s, std::size_t* lost, Utf8Forms* forms) {
  return Utf8ToCp932(s, lost, forms, {});
}

std::string Utf8ToCp932(std::string_view s, std::size_t* lost, Utf8Forms* forms, std::string reuse) {
  const Cp932Tables& t = Tables();
  const std::uint16_t* fromBmp = t.fromBmp.data();
  ByteSink out(s.size(), std::move(reuse));
  const std::size_t n = s.size();
  for (std::size_t i = 0; i < n;) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c < 0x80) {
      const std::size_t end = AsciiRunEnd(s, i + 1);
      out.Append(s.substr(i, end - i));
      i = end;
      continue;
    }
    // Japanese text is mostly runs of three-byte sequences: decoded inline.
    while (i + 4 <= n) {
      const std::uint32_t w = Load3(s, i);
      if (!IsPlain3(w)) break;
      const char32_t u = (w & 0x0F) << 12 | (w >> 8 & 0x3F) << 6 | (w >> 16 & 0x3F);
      std::uint16_t code = fromBmp[u];
      if (forms && t.TellsForm(u)) NoteForm(t, u, code, forms);
      if (code == kNone) {
        Count(lost);
        code = kGetaCode;
      }
      out.Room(2);
      if (code > 0xFF) out.Put(static_cast<unsigned char>(code >> 8));
      out.Put(static_cast<unsigned char>(code));
      i += 3;
    }
    if (i >= n || static_cast<unsigned char>(s[i]) < 0x80) continue;
    char32_t u = 0;
    const std::size_t len = Utf8Sequence(s, i, &u);
    out.Room(2);
    if (len == 0) {  // a byte that starts no character
      Count(lost);
      out.Put('\x81');
      out.Put('\xAC');
      ++i;
      continue;
    }
    std::uint16_t code = u < 0x10000 ? fromBmp[u] : kNone;
    if (forms && t.TellsForm(u)) NoteForm(t, u, code, forms);
    if (code == kNone) {
      Count(lost);
      code = kGetaCode;
    }
    if (code > 0xFF) out.Put(static_cast<unsigned char>(code >> 8));
    out.Put(static_cast<unsigned char>(code));
    i += len;
  }
  return out.Take();
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
