// The one conversion between Shift-JIS (code page 932) and Unicode that the
// whole program uses. The mapping is glibc iconv's "CP932" (never "SHIFT_JIS",
// which turns 5C and 7E into yen and overline); it is read from iconv once and
// kept in tables, so converting costs a table look-up per character.
//
// Nothing is dropped silently: a character with no form on the other side
// becomes 〓 (U+3013, CP932 81 AC) and is counted in *lost.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamber {

// Seven CP932 codes each stand for two Unicode characters: 81 60 for 〜 U+301C
// and ～ U+FF5E, 81 61 ‖ ∥, 81 7C − －, 81 91 ¢ ￠, 81 92 £ ￡, 81 CA ¬ ￢ and
// 81 5C — ―. CP932 reads each code as the second form. ¥ U+00A5 and ‾ U+203E
// fall on 5C and 7E, which read back as backslash and tilde. A text read from
// UTF-8 records which forms it used, so that it can be written back alike.
constexpr int kSharedCodes = 7;
struct Utf8Forms {
  // For shared code k (in the order of the codes), the form the text used
  // first: 0 none yet, 1 the form CP932 reads, 2 the other form.
  unsigned char first[kSharedCodes] = {};
  // Characters that cannot come back as they were: ¥ and ‾, and each use of
  // a shared code in the form it was not first used in.
  std::size_t lost = 0;

  // Bit k set: code k is written in its other form.
  unsigned Choice() const;
};

// otherForms: bit k writes shared code k in its other form (Utf8Forms::Choice).
std::string Cp932ToUtf8(std::string_view s, std::size_t* lost = nullptr, unsigned otherForms = 0);
// forms, when given, counts the forms of the shared codes the text uses.
std::string Utf8ToCp932(std::string_view s, std::size_t* lost = nullptr, Utf8Forms* forms = nullptr);
// The result takes over the storage of reuse (for converting piece by piece).
std::string Utf8ToCp932(std::string_view s, std::size_t* lost, Utf8Forms* forms, std::string reuse);
// Utf8ToCp932 into out, which has room for Utf8ToCp932Bound(s.size()) bytes;
// returns the bytes written. *wellFormed, when given, tells whether s is
// entirely well-formed UTF-8 (as IsValidUtf8), so that one pass both checks
// and converts a text.
std::size_t Utf8ToCp932Into(std::string_view s, char* out, std::size_t* lost, Utf8Forms* forms,
                            bool* wellFormed);
constexpr std::size_t Utf8ToCp932Bound(std::size_t n) { return 2 * n + 32; }
std::u16string Cp932ToUtf16(std::string_view s, std::size_t* lost = nullptr);
std::string Utf16ToCp932(std::u16string_view s, std::size_t* lost = nullptr);

// Unicode of one CP932 character (one or two bytes), or -1 when it has none.
int Cp932CharToUnicode(std::string_view ch);
// CP932 code of a Unicode character (a byte, or lead << 8 | trail), or -1.
int UnicodeToCp932Code(char32_t u);

// True when s is entirely well-formed UTF-8: no overlong forms, no
// surrogates, nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(std::string_view s);

// For a character of the IBM extension rows (FA40..FC4B), the code of the same
// character in JIS X 0208, the NEC row 13 or the NEC-selected IBM rows (codes
// that JIS and EUC can hold); 0 when there is none.
unsigned NecSelectedEquivalent(unsigned sjisCode);

}  // namespace tamber
