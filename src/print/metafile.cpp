#include "print/metafile.h"

#include <algorithm>

namespace tamber {

int TMetaFile::AddFont(const TMetaFont& font) {
  const auto it = std::find(fonts_.begin(), fonts_.end(), font);
  if (it != fonts_.end()) return static_cast<int>(it - fonts_.begin());
  fonts_.push_back(font);
  return static_cast<int>(fonts_.size()) - 1;
}

void TMetaFile::AddText(int font, TColor color, int x, int baseline, const TPrintRect& clip,
                        std::string_view text, bool inside) {
  TMetaRecord& r = records_.emplace_back();
  r.Kind = TMetaKind::mkText;
  r.Font = font;
  r.Color = color;
  r.X = x;
  r.Y = baseline;
  r.Box = clip;
  r.Clipped = !inside;
  r.Text.assign(text);
}

void TMetaFile::AddLine(int x1, int y1, int x2, int y2, int penWidth, TColor color) {
  TMetaRecord& r = records_.emplace_back();
  r.Kind = TMetaKind::mkLine;
  r.Font = penWidth;
  r.Color = color;
  r.X = x1;
  r.Y = y1;
  r.X2 = x2;
  r.Y2 = y2;
}

void TMetaFile::AddFill(const TPrintRect& box, TColor color) {
  TMetaRecord& r = records_.emplace_back();
  r.Kind = TMetaKind::mkFill;
  r.Color = color;
  r.Box = box;
}

TMetaStretch TMetaFile::StretchInto(const TPrintRect& target) const {
  TMetaStretch s;
  s.ScaleX = width_ > 0 ? static_cast<double>(target.Width()) / width_ : 1.0;
  s.ScaleY = height_ > 0 ? static_cast<double>(target.Height()) / height_ : 1.0;
  s.OffsetX = target.Left;
  s.OffsetY = target.Top;
  return s;
}

TMetaFile& TMetaFileList::Add(int width, int height) {
  pages_.push_back(std::make_unique<TMetaFile>(width, height));
  return *pages_.back();
}

void TMetaFileList::Keep(int first, int last) {
  const int n = Count();
  first = std::clamp(first, 0, n);
  last = std::clamp(last, first - 1, n - 1);
  pages_.erase(pages_.begin() + (last + 1), pages_.end());
  pages_.erase(pages_.begin(), pages_.begin() + first);
}

}  // namespace tamber
