// Colours and the colour triple of a token.
#pragma once

#include <cstdint>

#include "highlight/notify.h"

namespace tamber {

// 0x00BBGGRR for a plain colour, 0x80000000 + index for a system colour,
// clNone for "no colour of its own".
using TColor = std::uint32_t;

inline constexpr TColor clNone = 0x1FFFFFFF;
inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;

// A set of font styles (bits).
using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// Text colour, background and style of one kind of token. Setting a value it
// already has reports nothing; every other change is reported once.
class TFountainColor : public TNotifyPersistent {
 public:
  TColor BkColor() const { return bk_color_; }
  TColor Color() const { return color_; }
  TFontStyles Style() const { return style_; }
  void SetBkColor(TColor v);
  void SetColor(TColor v);
  void SetStyle(TFontStyles v);
  // Copies the three values and reports one change.
  void Assign(const TFountainColor& source);
  bool SameAs(const TFountainColor& o) const {
    return bk_color_ == o.bk_color_ && color_ == o.color_ && style_ == o.style_;
  }

 private:
  TColor bk_color_ = clNone;
  TColor color_ = clNone;
  TFontStyles style_ = 0;
};

}  // namespace tamber
