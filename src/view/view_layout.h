// The layout step of a view: from the font's metrics, the furniture options
// and the window size to the pixel grid the view is painted on.
//
// The grid is fixed: every byte takes CharWidth pixels, every row RowPitch.
// Both are at least 1, and VisibleRows and VisibleCols at least 1, whatever
// the font or the window size.
#pragma once

#include "view/furniture_options.h"

namespace tamber {

// What the widget's font tells the layout (pixels).
struct TFontMetricsInfo {
  int Height = 16;          // ascent + descent
  int Ascent = 13;          // baseline below the row top
  int ExternalLeading = 0;  // extra space between rows the font asks for
  int AverageWidth = 8;     // width of a half-width character
};

// Implemented by the widget from its fonts.
class TFontMetricsSource {
 public:
  virtual ~TFontMetricsSource() = default;
  virtual TFontMetricsInfo FontMetrics() const = 0;
};

struct TLayoutInput {
  TFontMetricsInfo Font;
  const TTextEditorMargin* Margin = nullptr;
  const TTextEditorImagebar* Imagebar = nullptr;
  const TTextEditorLeftbar* Leftbar = nullptr;
  const TTextEditorRuler* Ruler = nullptr;
  const TTextEditorMarks* Marks = nullptr;
  int NumberDigits = 4;
  int ClientWidth = 0, ClientHeight = 0;
  int HorzScrollBarHeight = 0;  // 0 when not shown
  int VertScrollBarWidth = 0;
};

struct TViewLayout {
  int FontHeight = 16;
  int Ascent = 13;
  int CharWidth = 8;
  int RowPitch = 16;
  int RulerHeight = 0;
  int TextTop = 0;
  int ImagebarWidth = 0;
  int LeftbarWidth = 0;
  int TextLeft = 0;
  int VisibleRows = 1;
  int VisibleCols = 1;
  int ClientWidth = 0, ClientHeight = 0;
  bool operator==(const TViewLayout&) const = default;
};

TViewLayout ComputeLayout(const TLayoutInput& in);

}  // namespace tamber
