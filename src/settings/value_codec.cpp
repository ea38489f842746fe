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

constexpr std::array<NamedColor, 47> kColorNames{{
    {0x000000, "clBlack"},      {0x000080, "clMaroon"},     {0x008000, "clGreen"},
    {0x008080, "clOlive"},      {0x800000, "clNavy"},       {0x800080, "clPurple"},
    {0x808000, "clTeal"},       {0x808080, "clGray"},       {0xC0C0C0, "clSilver"},
    {0x0000FF, "clRed"},        {0x00FF00, "clLime"},       {0x00FFFF, "clYellow"},
    {0xFF0000, "clBlue"},       {0xFF00FF, "clFuchsia"},    {0xFFFF00, "clAqua"},
    {0xFFFFFF, "clWhite"},      {0xC0DCC0, "clMoneyGreen"}, {0xF0CAA6, "clSkyBlue"},
    {0xF0FBFF, "clCream"},      {0xA4A0A0, "clMedGray"},
    {SystemColor(0), "clScrollBar"},    {SystemColor(1), "clBackground"},   {SystemColor(2), "clActiveCaption"},
    {SystemColor(3), "clInactiveCaption"}, {SystemColor(4), "clMenu"},      {SystemColor(5), "clWindow"},
    {SystemColor(6), "clWindowFrame"},  {SystemColor(7), "clMenuText"},     {SystemColor(8), "clWindowText"},
    {SystemColor(9), "clCaptionText"},  {SystemColor(10), "clActiveBorder"}, {SystemColor(11), "clInactiveBorder"},
    {SystemColor(12), "clAppWorkSpace"}, {SystemColor(13), "clHighlight"},  {SystemColor(14), "clHighlightText"},
    {SystemColor(15), "clBtnFace"},     {SystemColor(16), "clBtnShadow"},   {SystemColor(17), "clGrayText"},
    {SystemColor(18), "clBtnText"},     {SystemColor(19), "clInactiveCaptionText"}, {SystemColor(20), "clBtnHighlight"},
    {SystemColor(21), "cl3DDkShadow"},  {SystemColor(22), "cl3DLight"},     {SystemColor(23), "clInfoText"},
    {SystemColor(24), "clInfoBk"},      {clNone, "clNone"},         {clDefault, "clDefault"},
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
  if (const auto v = ParseInteger(s)) return static_cast<TColor>(static_cast<std::uint32_t>(*v));
  return std::nullopt;
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
