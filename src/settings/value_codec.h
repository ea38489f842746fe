// Text forms of the values kept in the settings file: integers as the old
// profile readers parsed them, colours as names or hexadecimal, fonts, and
// byte streams as lines of hexadecimal digits.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/color.h"

namespace tamber {

struct TFontData {
  std::string Name;  // CP932
  int Size = 0;      // points
  TColor Color = clWindowText;
  int Style = 0;    // TFontStyles bits
  int Charset = 1;  // 128 is Shift-JIS
  bool operator==(const TFontData&) const = default;
};

// A whole integer text: optional sign, then decimal digits or '$' / "0x"
// followed by hexadecimal digits (up to 32 bits, as two's complement).
// Nothing for any other text or a value outside 32 bits.
std::optional<std::int32_t> ParseInteger(std::string_view s);

// clBlack, clWindowText … for the named colours, else "$" and 8 hex digits.
std::string ColorToString(TColor c);
// A colour name (ignoring case) or an integer text; nothing otherwise.
std::optional<TColor> StringToColor(std::string_view s);

// Each byte as two upper-case hex digits, kHexDigitsPerLine digits a line;
// a shorter last line is kept. No bytes give no lines.
inline constexpr std::size_t kHexDigitsPerLine = 64;
std::vector<std::string> StreamToHexLines(std::string_view bytes);
// Every two characters of a line are one byte; a pair that is no hex number
// gives 0; a lone last character is ignored.
std::string HexLinesToStream(const std::vector<std::string>& lines);

}  // namespace tamber
