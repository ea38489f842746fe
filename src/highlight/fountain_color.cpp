#include "highlight/fountain_color.h"

namespace tamber {

void TFountainColor::SetBkColor(TColor v) {
  if (bk_color_ == v) return;
  bk_color_ = v;
  Changed();
}

void TFountainColor::SetColor(TColor v) {
  if (color_ == v) return;
  color_ = v;
  Changed();
}

void TFountainColor::SetStyle(TFontStyles v) {
  if (style_ == v) return;
  style_ = v;
  Changed();
}

void TFountainColor::Assign(const TFountainColor& source) {
  bk_color_ = source.bk_color_;
  color_ = source.color_;
  style_ = source.style_;
  Changed();
}

}  // namespace tamber
