// Colours and the colour triple of a token.
#pragma once

#include <cstdint>

#include "base/color.h"
#include "base/notify.h"

namespace tamber {

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
