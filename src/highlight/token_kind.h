// Token kinds. A kind is one byte and is stored in the row state
// (OpenTokenKind), so the numbers are fixed; 2, 5, 10 and 13 are unused.
#pragma once

#include <cstdint>

namespace tamber {

using TTokenKind = std::uint8_t;

inline constexpr TTokenKind tokEnd = 0;             // the row text ends here
inline constexpr TTokenKind tokSymbol = 1;          // one character of no other kind
inline constexpr TTokenKind tokInteger = 3;         // decimal digits
inline constexpr TTokenKind tokFloat = 4;           // digits with a fraction or an exponent
inline constexpr TTokenKind tokBracket = 6;         // a bracket pair's range (its part on this row)
inline constexpr TTokenKind tokComment = 7;         // the rest of the row after a line-comment opener
inline constexpr TTokenKind tokReserved = 8;        // promoted: in the reserve-word list
inline constexpr TTokenKind tokTab = 9;             // one tab
inline constexpr TTokenKind tokAnk = 11;            // ASCII letters, digits, underscore
inline constexpr TTokenKind tokWideSymbol = 12;     // one double-byte symbol
inline constexpr TTokenKind tokWideDigit = 14;      // full-width digits
inline constexpr TTokenKind tokWideAlpha = 15;      // full-width Latin letters
inline constexpr TTokenKind tokHiragana = 16;
inline constexpr TTokenKind tokKatakana = 17;       // full-width katakana
inline constexpr TTokenKind tokKanji = 18;
inline constexpr TTokenKind tokHalfKanaSymbol = 19; // one half-width kana punctuation byte
inline constexpr TTokenKind tokHalfKana = 20;       // half-width katakana
inline constexpr TTokenKind tokUrl = 21;
inline constexpr TTokenKind tokMail = 22;
inline constexpr TTokenKind tokHex = 23;            // hexadecimal digits after a prefix
inline constexpr TTokenKind tokSingleQuoted = 24;
inline constexpr TTokenKind tokDoubleQuoted = 25;

// The editor fountain's kinds.
inline constexpr TTokenKind tokQuotation = 26;      // a string in the Quotation character
inline constexpr TTokenKind tokControlCode = 27;    // "#" and decimal digits
inline constexpr TTokenKind tokControlHex = 28;     // "#$" and hexadecimal digits

// The language fountains' kinds share 50-52.
inline constexpr TTokenKind tokCharCode = 50;       // Pascal: "#" and decimal digits
inline constexpr TTokenKind tokCharCodeHex = 51;    // Pascal: "#$" and hexadecimal digits
inline constexpr TTokenKind tokAsm = 52;            // Pascal: a word, number or symbol in an asm block
inline constexpr TTokenKind tokCHex = 50;           // C: "0x" and hexadecimal digits
inline constexpr TTokenKind tokPreprocessor = 51;   // C: "#" and the rest of the row

}  // namespace tamber
