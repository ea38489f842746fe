// The scanner of the regular-expression dialect: it cuts a Shift-JIS pattern
// into tokens. Characters are Shift-JIS characters, not bytes: a lead byte and
// its trail byte form one character with the code lead * 256 + trail.
//
// Outside a class: | ( ) * + ? . ^ $ ] are operators, "[" opens a class ("[^"
// a negated one), "\" escapes (\b backspace, \n, \r, \t, \xHHHH, \OOOOOO octal,
// any other character stands for itself), everything else is a character.
// Inside a class the items are characters and ranges c-d; a "-" before "]" is
// literal. The scanner and the fuzzy preprocessor share these tokens.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace tamber {

enum TRxTokenKind : int {
  rxChar = 0,
  rxRange = 1,
  rxUnion = 2,
  rxLParen = 3,
  rxRParen = 4,
  rxStar = 5,
  rxPlus = 6,
  rxOptional = 7,
  rxClass = 8,
  rxNegClass = 9,
  rxClassEnd = 10,
  rxDot = 11,
  rxLineHead = 12,
  rxLineTail = 13,
  rxEnd = 14,
};

struct TRxToken {
  TRxTokenKind kind = rxEnd;
  std::uint16_t code = 0;   // the character (rxChar) or the range's low end
  std::uint16_t code2 = 0;  // the range's high end (rxRange)
  std::size_t start = 0;    // byte span in the pattern, 0-based
  std::size_t length = 0;
};

// All tokens of pattern, the last one rxEnd. Throws ERegExpParser for a lead
// byte ending the pattern, a backslash ending it, \x without a digit, an octal
// code above FFFF, an unclosed class and a range whose end is below its start.
std::vector<TRxToken> ScanRegExp(std::string_view pattern);

}  // namespace tamber
