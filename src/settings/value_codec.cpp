#include "settings/value_codec.h"

#include <array>
#include <cstdio>

namespace tamber {

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (Upper(a[i]) != Upper(b[i])) return false;
  }
  return true;
}

struct NamedColor {
  TColor color;
  std::string_view name;
};

constexpr TColor Sys(unsigned index) { return static_cast<TColor>(0x80000000u | index); }

constexpr std::array<NamedColor, 47> kColorNames{{
    {0x000000, "clBlack"},      {0x000080, "clMaroon"},     {0x008000, "clGreen"},
    {0x008080, "clOlive"},      {0x800000, "clNavy"},       {0x800080, "clPurple"},
    {0x808000, "clTeal"},       {0x808080, "clGray"},       {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},        {0x00FF00, "clLime"},       {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},       {0xFF00FF, "clFuchsia"},    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},      {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},      {0xA4A0A0, "clMedGray"},
    {Sys(0), "clScrollBar"},    {Sys(1), "clBackground"},   {Sys(2), "clActiveCaption"},
    {Sys(3), "clInactiveCaption"}, {Sys(4), "clMenu"},      {Sys(5), "clWindow"},
    {Sys(6), "clWindowFrame"},  {Sys(7), "clMenuText"},     {Sys(8), "clWindowText"},
    {Sys(9), "clCaptionText"},  {Sys(10), "clActiveBorder"}, {Sys(11), "clInactiveBorder"},
    {Sys(12), "clAppWorkSpace"}, {Sys(13), "clHighlight"},  {Sys(14), "clHighlightText"},
    {Sys(15), "clBtnFace"},     {Sys(16), "clBtnShadow"},   {Sys(17), "clGrayText"},
    {Sys(18), "clBtnText"},     {Sys(19), "clInactiveCaptionText"}, {Sys(20), "clBtnHighlight"},
    {Sys(21), "cl3DDkShadow"},  {Sys(22), "cl3DLight"},     {Sys(23), "clInfoText"},
    {Sys(24), "clInfoBk"},      {clNone, "clNone"},         {clDefault, "clDefault"},
}};

}  // namespace

std::optional<std::int32_t> ParseInteger(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  int base = 10;
  if (s.starts_with("$")) {
    base = 16;
    s.remove_prefix(1);
  } else if (s.starts_with("0x") || s.starts_with("0X")) {
    base = 16;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  std::uint64_t v = 0;
  for (const char c : s) {
    const int d = HexDigit(c);
    if (d < 0 || d >= base) return std::nullopt;
    v = v * static_cast<unsigned>(base) + static_cast<unsigned>(d);
    if (v > 0xFFFFFFFFull) return std::nullopt;
  }
  if (base == 10) {
    if (v > (negative ? 0x80000000ull : 0x7FFFFFFFull)) return std::nullopt;
  }
  const auto u = static_cast<std::uint32_t>(negative ? (0 - v) : v);
  return static_cast<std::int32_t>(u);
}

std::string ColorToString(TColor c) {
  for (const NamedColor& n : kColorNames) {
    if (n.color == c) return std::string(n.name);
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "$%.8X", static_cast<unsigned>(c));
  return buf;
}

std::optional<TColor> StringToColor(std::string_view s) {
  for (const NamedColor& n : kColorNames) {
    if (SameIgnoringCase(n.name, s)) return n.color;
  }
  return ParseInteger(s);
}

std::vector<std::string> StreamToHexLines(std::string_view bytes) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::vector<std::string> lines;
  std::string line;
  for (const char ch : bytes) {
    const auto b = static_cast<unsigned char>(ch);
    line += kDigits[b >> 4];
    line += kDigits[b & 15];
    if (line.size() == kHexDigitsPerLine) lines.push_back(std::move(line)), line.clear();
  }
  if (!line.empty()) lines.push_back(std::move(line));
  return lines;
}

std::string HexLinesToStream(const std::vector<std::string>& lines) {
  std::string out;
  for (const std::string& line : lines) {
    for (std::size_t i = 0; i + 1 < line.size(); i += 2) {
      const int hi = HexDigit(line[i]);
      const int lo = HexDigit(line[i + 1]);
      out += static_cast<char>((hi < 0 || lo < 0) ? 0 : (hi << 4 | lo));
    }
  }
  return out;
}

}  // namespace tamber
