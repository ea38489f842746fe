// Colours and font styles, shared by the fountains, the settings file, the
// view's furniture and the print layout.
#pragma once

#include <cstdint>

namespace tamber {

// 0x00BBGGRR for a plain colour, 0x80000000 + index for a system colour
// (resolved against the platform's palette), clNone for "no colour of its
// own" and clDefault for "the component's default".
using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clDefault = 0x20000000;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;

inline constexpr TColor kSystemColorFlag = 0x80000000;
constexpr TColor SystemColor(unsigned index) { return kSystemColorFlag | index; }
constexpr bool IsSystemColor(TColor c) { return (c & 0xFF000000) == kSystemColorFlag; }
constexpr unsigned SystemColorIndex(TColor c) { return c & 0xFF; }

inline constexpr TColor clHighlight = SystemColor(13);
inline constexpr TColor clHighlightText = SystemColor(14);
inline constexpr TColor clBtnFace = SystemColor(15);
inline constexpr TColor clWindow = SystemColor(5);
inline constexpr TColor clWindowText = SystemColor(8);

// A plain colour's components.
constexpr unsigned RedOf(TColor c) { return c & 0xFF; }
constexpr unsigned GreenOf(TColor c) { return (c >> 8) & 0xFF; }
constexpr unsigned BlueOf(TColor c) { return (c >> 16) & 0xFF; }
constexpr TColor Rgb(unsigned r, unsigned g, unsigned b) {
  return (r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16);
}

// A set of font styles (bits).
using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;
inline constexpr TFontStyles kAllFontStyles = fsBold | fsItalic | fsUnderline | fsStrikeOut;

}  // namespace tamber
