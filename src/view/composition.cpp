#include "view/composition.h"

#include <algorithm>

#include "encoding/dbcs.h"

namespace tamber {

namespace {

// The byte of s where a cut before cell k keeps whole characters (k itself,
// or one less when k falls on a trail byte).
std::size_t CutAt(const std::string& s, std::size_t k) {
  std::size_t i = 0;
  while (i < s.size() && i < k) {
    const std::size_t n = CharLength(s, i);
    if (i + n > k) return i;
    i += n;
  }
  return std::min(i, s.size());
}

}  // namespace

void SpliceComposition(TDisplayList& list, std::size_t from, const TComposition& comp, int x, int y,
                       int cellWidth, int rowPitch, int fontHeight, const TCompositionColors& colors) {
  if (comp.Empty()) return;
  const int dx = comp.Cells() * cellWidth;
  const std::size_t end = list.size();
  for (std::size_t i = from; i < end; ++i) {
    TDisplayOp& op = list[i];
    switch (op.Kind) {
      case dkFill:
      case dkFrame:
        if (op.Rect.Left >= x) {
          op.Rect.Left += dx;
          op.Rect.Right += dx;
        } else if (op.Rect.Right > x) {
          TDisplayOp right = op;
          right.Rect.Left = x + dx;
          right.Rect.Right += dx;
          op.Rect.Right = x;
          if (op.Kind == dkFrame) op.Open = true;
          list.push_back(right);
        }
        break;
      case dkText: {
        const int cw = std::max(op.CellWidth, 1);
        if (op.X >= x) {
          op.X += dx;
        } else if (op.X + cw * static_cast<int>(op.Text.size()) > x) {
          const std::size_t k = CutAt(op.Text, static_cast<std::size_t>((x - op.X) / cw));
          TDisplayOp right = op;
          right.Text = op.Text.substr(k);
          right.X = op.X + static_cast<int>(k) * cw + dx;
          right.Column = op.Column + static_cast<int>(k);
          op.Text.resize(k);
          list.push_back(std::move(right));
        }
        break;
      }
      case dkLine: {
        const int lo = std::min(op.X, op.X2), hi = std::max(op.X, op.X2);
        if (lo >= x) {
          op.X += dx;
          op.X2 += dx;
        } else if (hi >= x) {
          // Horizontal lines only cross the cut (the underline of the caret row, find marks).
          TDisplayOp right = op;
          right.X = x + dx;
          right.X2 = hi + dx;
          op.X = lo;
          op.X2 = x - 1;
          list.push_back(right);
        }
        break;
      }
      case dkDottedLine:
        if (op.X >= x) {
          op.X += dx;
          op.X2 += dx;
        } else if (op.X2 > x) {
          TDisplayOp right = op;
          right.X = x + dx;
          right.X2 = op.X2 + dx;
          op.X2 = x;
          list.push_back(right);
        }
        break;
      case dkPicture:
        if (op.X >= x) op.X += dx;
        break;
    }
  }
  for (const TCompositionSegment& seg : comp.Segments) {
    if (seg.Length <= 0 || seg.Start < 0 || seg.Start >= comp.Cells()) continue;
    const int len = std::min(seg.Length, comp.Cells() - seg.Start);
    const bool target = seg.Look == cpTarget;
    const TColor fg = target ? colors.TargetText : colors.Text;
    const TColor bk = target ? colors.TargetBackground : colors.Background;
    const int x0 = x + seg.Start * cellWidth, x1 = x0 + len * cellWidth;
    TDisplayOp fill;
    fill.Kind = dkFill;
    fill.Rect = {x0, y, x1, y + rowPitch};
    fill.Color = bk;
    list.push_back(fill);
    TDisplayOp text;
    text.Kind = dkText;
    text.X = x0;
    text.Y = y;
    text.CellWidth = cellWidth;
    text.Text = comp.Text.substr(static_cast<std::size_t>(seg.Start), static_cast<std::size_t>(len));
    text.Color = fg;
    list.push_back(std::move(text));
    const int uy = y + fontHeight - 1;
    if (seg.Look == cpInput) {
      TDisplayOp dots;
      dots.Kind = dkDottedLine;
      dots.X = x0;
      dots.X2 = x1 - 1;  // a gap between neighbouring segments
      dots.Y = uy;
      dots.Color = fg;
      dots.BkColor = bk;
      list.push_back(dots);
    } else {
      for (int t = 0; t < (target ? 2 : 1); ++t) {
        TDisplayOp line;
        line.Kind = dkLine;
        line.X = x0 + 1;
        line.X2 = x1 - 2;
        line.Y = line.Y2 = uy - t;
        line.Color = fg;
        list.push_back(line);
      }
    }
  }
}

}  // namespace tamber
