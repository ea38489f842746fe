// A display list: what the widget draws for one part of a view, in the view's
// pixels, in drawing order. The engine decides every colour, position and
// shape; the widget only turns these into calls on its painter.
//
// Colours are resolved against the editor's own colours (clNone never
// appears, except as a text run's background meaning "no fill"); system
// colours are left for the widget's palette.
#pragma once

#include <string>
#include <vector>

#include "base/color.h"

namespace tamber {

struct TPixelRect {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;  // right and bottom exclusive
  int Width() const { return Right - Left; }
  int Height() const { return Bottom - Top; }
  bool Empty() const { return Right <= Left || Bottom <= Top; }
  bool operator==(const TPixelRect&) const = default;
};

// The pictures the widget holds.
enum TPictureKind {
  pkBookmarkDigit,  // built-in digit 0-9, 8 x 11
  pkImageMark,      // built-in mark 0-5, 11 x 11
  pkRulerDigits,    // a number in the ruler's 5 x 9 digit font (Text holds the digits)
};

enum TDisplayOpKind {
  dkFill,         // Rect in Color
  dkText,         // Text (CP932 bytes) from (X, Y): each byte one cell of CellWidth,
                  // a double-byte character centred in its two cells; Color, Style;
                  // BkColor != clNone fills the cells first
  dkLine,         // from (X, Y) to (X2, Y2), both ends included, in Color
  dkFrame,        // the outline of Rect in Color; Open leaves out the right side
  dkDottedLine,   // horizontal from X to X2 - 1 at Y: pixels alternate Color and BkColor
  dkPicture,      // Picture number Index at (X, Y) (pkRulerDigits: Text in Color on BkColor)
};

struct TDisplayOp {
  TDisplayOpKind Kind = dkFill;
  TPixelRect Rect;
  int X = 0, Y = 0, X2 = 0, Y2 = 0;
  int CellWidth = 0;
  int Column = 0;  // dkText: the display column of its first cell
  TColor Color = clBlack;
  TColor BkColor = clNone;
  TFontStyles Style = 0;
  bool Open = false;
  TPictureKind Picture = pkBookmarkDigit;
  int Index = 0;
  std::string Text;
};

using TDisplayList = std::vector<TDisplayOp>;

}  // namespace tamber
