// Recorded pages: each page is our own display list in printer pixels (text
// runs, lines and fills in drawing order, each text run with the clip box it
// is drawn in), so a page is laid out once and replayed for printing or the
// preview at any size.
//
// TMetaFile owns its records and its font table; a text record names a font
// by its index there. TMetaFileList owns its pages; Add appends a new, empty
// page. Adding a record is amortised O(1); nothing is ever re-laid out.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/color.h"
#include "print/print_device.h"
#include "settings/value_codec.h"

namespace tamber {

enum class TMetaKind : unsigned char { mkText, mkLine, mkFill };

struct TMetaFont {
  TFontData Font;
  int PixelSize = 0;
  bool operator==(const TMetaFont&) const = default;
};

struct TMetaRecord {
  TMetaKind Kind = TMetaKind::mkText;
  int Font = 0;        // mkText: index into Fonts(); mkLine: pen width
  TColor Color = clBlack;
  int X = 0, Y = 0;    // mkText: left end of the baseline; mkLine: start
  int X2 = 0, Y2 = 0;  // mkLine: end
  TPrintRect Box;      // mkText: clip box; mkFill: the filled rectangle
  bool Clipped = true;  // mkText: false when the run lies wholly inside Box
  std::string Text;    // mkText: CP932, drawn as it stands (no tabs, no mnemonics)
};

// Maps page coordinates into a target rectangle: p' = Offset + p × Scale.
struct TMetaStretch {
  double ScaleX = 1, ScaleY = 1;
  double OffsetX = 0, OffsetY = 0;
  double MapX(double x) const { return OffsetX + x * ScaleX; }
  double MapY(double y) const { return OffsetY + y * ScaleY; }
};

class TMetaFile {
 public:
  TMetaFile(int width, int height) : width_(width), height_(height) {}

  int Width() const { return width_; }
  int Height() const { return height_; }

  // Index of font in the table, added when new.
  int AddFont(const TMetaFont& font);
  const std::vector<TMetaFont>& Fonts() const { return fonts_; }

  // inside: the layout knows the run lies within clip, so replaying needs no clip.
  void AddText(int font, TColor color, int x, int baseline, const TPrintRect& clip, std::string_view text,
               bool inside = false);
  void AddLine(int x1, int y1, int x2, int y2, int penWidth, TColor color);
  void AddFill(const TPrintRect& box, TColor color);
  const std::vector<TMetaRecord>& Records() const { return records_; }

  // The mapping that stretches this page over target.
  TMetaStretch StretchInto(const TPrintRect& target) const;

 private:
  int width_;
  int height_;
  std::vector<TMetaFont> fonts_;
  std::vector<TMetaRecord> records_;
};

class TMetaFileList {
 public:
  // A new, empty page at the end.
  TMetaFile& Add(int width, int height);
  int Count() const { return static_cast<int>(pages_.size()); }
  TMetaFile& operator[](int i) { return *pages_[static_cast<std::size_t>(i)]; }
  const TMetaFile& operator[](int i) const { return *pages_[static_cast<std::size_t>(i)]; }
  // Removes the pages outside first..last (0-based, inclusive).
  void Keep(int first, int last);
  void Clear() { pages_.clear(); }

 private:
  std::vector<std::unique_ptr<TMetaFile>> pages_;
};

}  // namespace tamber
