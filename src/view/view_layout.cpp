#include "view/view_layout.h"

#include <algorithm>

namespace tamber {

TViewLayout ComputeLayout(const TLayoutInput& in) {
  static const TTextEditorMargin kMargin;
  static const TTextEditorImagebar kImagebar;
  static const TTextEditorLeftbar kLeftbar;
  static const TTextEditorRuler kRuler;
  static const TTextEditorMarks kMarks;
  const TTextEditorMargin& margin = in.Margin ? *in.Margin : kMargin;
  const TTextEditorImagebar& imagebar = in.Imagebar ? *in.Imagebar : kImagebar;
  const TTextEditorLeftbar& leftbar = in.Leftbar ? *in.Leftbar : kLeftbar;
  const TTextEditorRuler& ruler = in.Ruler ? *in.Ruler : kRuler;
  const TTextEditorMarks& marks = in.Marks ? *in.Marks : kMarks;

  TViewLayout l;
  l.FontHeight = std::max(1, in.Font.Height + std::max(0, in.Font.ExternalLeading));
  l.Ascent = std::clamp(in.Font.Ascent, 0, l.FontHeight);
  l.CharWidth = std::max(1, in.Font.AverageWidth + margin.Character());
  l.RowPitch = std::max(1, l.FontHeight + margin.Line() + (marks.Underline().Visible() ? 1 : 0));
  l.RulerHeight = ruler.Height();
  l.TextTop = margin.Top() + l.RulerHeight;
  l.ImagebarWidth = imagebar.Width();
  l.LeftbarWidth = leftbar.Visible()
                       ? leftbar.LeftMargin() + in.NumberDigits * l.CharWidth + leftbar.RightMargin() + 2
                       : 0;
  l.TextLeft = margin.Left() + l.ImagebarWidth + l.LeftbarWidth;
  l.ClientWidth = in.ClientWidth;
  l.ClientHeight = in.ClientHeight;
  l.VisibleRows = std::max(1, (in.ClientHeight - l.TextTop - 5 - in.HorzScrollBarHeight) / l.RowPitch);
  l.VisibleCols =
      std::max(1, (in.ClientWidth - l.TextLeft - l.CharWidth / 2 - in.VertScrollBarWidth) / l.CharWidth);
  return l;
}

}  // namespace tamber
