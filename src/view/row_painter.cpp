#include "view/row_painter.h"

#include <algorithm>
#include <climits>

#include "editor/display_columns.h"
#include "encoding/dbcs.h"

namespace tamber {

namespace {

// Text is drawn up to this column (one more for a double-byte character
// starting on the last one).
constexpr int kTextColumns = TTextEditor::kMaxCol;
// Columns of a row that are ever looked at.
constexpr int kScanColumns = kTextColumns + 2;
// A logical line of more rows than this is searched for find marks only
// around the painted row (a match spanning more folds is not marked).
constexpr int kFindLineRows = 64;

constexpr TColor kEdgeLight = clWhite;
constexpr TColor kEdgeShadow = 0x808080;

TDisplayOp Fill(int left, int top, int right, int bottom, TColor c) {
  TDisplayOp op;
  op.Kind = dkFill;
  op.Rect = {left, top, right, bottom};
  op.Color = c;
  return op;
}

TDisplayOp LineOp(int x1, int y1, int x2, int y2, TColor c) {
  TDisplayOp op;
  op.Kind = dkLine;
  op.X = x1;
  op.Y = y1;
  op.X2 = x2;
  op.Y2 = y2;
  op.Color = c;
  return op;
}

TDisplayOp TextOp(int x, int y, int cellWidth, int column, std::string text, TColor color, TColor bk,
                  TFontStyles style) {
  TDisplayOp op;
  op.Kind = dkText;
  op.X = x;
  op.Y = y;
  op.CellWidth = cellWidth;
  op.Column = column;
  op.Text = std::move(text);
  op.Color = color;
  op.BkColor = bk;
  op.Style = style;
  return op;
}

TColor Or(TColor c, TColor fallback) { return c == clNone ? fallback : c; }

int LowestBit(unsigned bits, int from, int count) {
  for (int i = 0; i < count; ++i)
    if (bits & (1u << (from + i))) return i;
  return -1;
}

}  // namespace

TViewPainter::TViewPainter(TTextEditorFurniture& furniture)
    : f_(furniture), ed_(furniture.Editor()), l_(furniture.Layout()),
      parser_(furniture.ActiveFountain().CreateParser()) {}

TViewPainter::~TViewPainter() = default;

int TViewPainter::ColumnX(int col) const { return l_.TextLeft + (col - ed_.TopCol()) * l_.CharWidth; }

TPixelRect TViewPainter::RowRect(Row row) const {
  const int y = l_.TextTop + (row - ed_.TopRow()) * l_.RowPitch;
  return {0, y, l_.ClientWidth, y + l_.RowPitch};
}

std::pair<Row, Row> TViewPainter::RowsIn(const TPixelRect& clip) const {
  const int top = std::max(0, clip.Top - l_.TextTop);
  const int bottom = std::max(0, clip.Bottom - 1 - l_.TextTop);
  return {ed_.TopRow() + top / l_.RowPitch, ed_.TopRow() + bottom / l_.RowPitch};
}

TDisplayList TViewPainter::Screen() {
  TDisplayList out;
  out.reserve(4096);
  AppendCorner(out);
  AppendRuler(out);
  const int rows = (l_.ClientHeight - l_.TextTop + l_.RowPitch - 1) / l_.RowPitch;
  for (int i = 0; i < rows; ++i) AppendTextRow(out, ed_.TopRow() + i);
  return out;
}

TDisplayList TViewPainter::TextRow(Row row) {
  TDisplayList out;
  AppendTextRow(out, row);
  return out;
}

TDisplayList TViewPainter::LeftbarCell(Row row) {
  TDisplayList out;
  AppendLeftbarCell(out, row);
  return out;
}

TDisplayList TViewPainter::ImagebarCell(Row row) {
  TDisplayList out;
  AppendImagebarCell(out, row);
  return out;
}

TDisplayList TViewPainter::Ruler() {
  TDisplayList out;
  AppendRuler(out);
  return out;
}

TDisplayList TViewPainter::Corner() {
  TDisplayList out;
  AppendCorner(out);
  return out;
}

// ---- furniture ----

void TViewPainter::AppendCorner(TDisplayList& out) {
  const TTextEditorLeftbar& bar = f_.Leftbar();
  const TTextEditorRuler& ruler = f_.Ruler();
  out.push_back(Fill(0, 0, l_.TextLeft, l_.TextTop, f_.Color()));
  out.push_back(Fill(l_.TextLeft, l_.RulerHeight, l_.ClientWidth, l_.TextTop, f_.Color()));
  if (bar.Visible()) {
    const int x0 = l_.ImagebarWidth, x1 = x0 + l_.LeftbarWidth;
    out.push_back(Fill(x0, 0, bar.Edge() ? x1 - 2 : x1, l_.TextTop, Or(bar.BkColor(), f_.Color())));
    if (bar.Edge()) {
      out.push_back(LineOp(x1 - 2, 0, x1 - 2, l_.TextTop - 1, kEdgeLight));
      out.push_back(LineOp(x1 - 1, 0, x1 - 1, l_.TextTop - 1, kEdgeShadow));
    }
  }
  if (ruler.Visible()) {
    const int h = l_.RulerHeight;
    out.push_back(Fill(0, 0, l_.TextLeft, h, Or(ruler.BkColor(), f_.Color())));
    if (ruler.Edge()) {
      out.push_back(LineOp(0, h - 2, l_.TextLeft - 1, h - 2, kEdgeLight));
      out.push_back(LineOp(0, h - 1, l_.TextLeft - 1, h - 1, kEdgeShadow));
    } else {
      out.push_back(LineOp(0, h - 1, l_.TextLeft - 1, h - 1, Or(ruler.Color(), f_.FontColor())));
    }
  }
}

void TViewPainter::AppendRuler(TDisplayList& out) {
  const TTextEditorRuler& ruler = f_.Ruler();
  if (!ruler.Visible()) return;
  const int h = l_.RulerHeight;
  const int tickBottom = h - (ruler.Edge() ? 3 : 2);
  const TColor bk = Or(ruler.BkColor(), f_.Color());
  const TColor fg = Or(ruler.Color(), f_.FontColor());
  const int gauge = ruler.GaugeRange();
  out.push_back(Fill(l_.TextLeft, 0, l_.ClientWidth, h, bk));
  const int first = ed_.TopCol();
  const int last = std::min(kTextColumns, first + l_.VisibleCols + 1);
  const int caretCol = ed_.Col();
  if (caretCol >= first && caretCol <= last)
    out.push_back(Fill(ColumnX(caretCol), 0, ColumnX(caretCol + 1), tickBottom + 1,
                       Or(ruler.MarkColor(), f_.FontColor())));
  for (int c = first; c <= last; ++c) {
    const int x = ColumnX(c);
    const int top = c % gauge == 0 ? 0 : c % (gauge / 2) == 0 ? 3 : 6;
    out.push_back(LineOp(x, top, x, tickBottom, c == caretCol ? bk : fg));
  }
  // Numbers start left of the window when their tick is scrolled off.
  for (int c = first - first % gauge; c <= last; c += gauge) {
    if (c == 0 || c > kTextColumns) continue;
    TDisplayOp op;
    op.Kind = dkPicture;
    op.Picture = pkRulerDigits;
    op.X = ColumnX(c) + 2;
    op.Y = 0;
    op.Text = std::to_string(c);
    op.Color = fg;
    op.BkColor = clNone;
    out.push_back(std::move(op));
  }
  if (ruler.Edge()) {
    out.push_back(LineOp(l_.TextLeft, h - 2, l_.ClientWidth - 1, h - 2, kEdgeLight));
    out.push_back(LineOp(l_.TextLeft, h - 1, l_.ClientWidth - 1, h - 1, kEdgeShadow));
  } else {
    out.push_back(LineOp(l_.TextLeft, h - 1, l_.ClientWidth - 1, h - 1, fg));
  }
}

std::string TViewPainter::NumberText(Row row) const {
  const TTextEditorScreenStrings& text = ed_.Text();
  const TTextEditorLeftbar& bar = f_.Leftbar();
  const int count = text.Count();
  const bool finalBreak = count == 0 || text.RowAttributeAt(count - 1) == raBreak;
  if (row < 0 || row > count || (row == count && !finalBreak)) return {};
  const int base = bar.ZeroBase() ? 0 : 1;
  int value;
  if (bar.ShowNumberMode() == nmRow) {
    value = row + base;
  } else {
    if (row > 0 && row < count + 1 && text.RowAttributeAt(row - 1) == raFolded) return {};
    value = text.RowToLine(row) + base;
  }
  std::string digits = std::to_string(value);
  const int width = f_.NumberDigits();
  if (static_cast<int>(digits.size()) < width)
    digits.insert(0, static_cast<std::size_t>(width) - digits.size(), bar.ZeroLead() ? '0' : ' ');
  return digits;
}

void TViewPainter::AppendLeftbarCell(TDisplayList& out, Row row) {
  const TTextEditorLeftbar& bar = f_.Leftbar();
  if (!bar.Visible()) return;
  const TPixelRect r = RowRect(row);
  const int x0 = l_.ImagebarWidth, x1 = x0 + l_.LeftbarWidth;
  const TColor bk = Or(bar.BkColor(), f_.Color());
  out.push_back(Fill(x0, r.Top, bar.Edge() ? x1 - 2 : x1, r.Bottom, bk));
  if (bar.ShowNumber()) {
    std::string digits = NumberText(row);
    if (!digits.empty())
      out.push_back(TextOp(x0 + bar.LeftMargin(), r.Top, l_.CharWidth, 0, std::move(digits),
                           Or(bar.Color(), f_.FontColor()), bk, 0));
  }
  if (bar.Edge()) {
    out.push_back(LineOp(x1 - 2, r.Top, x1 - 2, r.Bottom - 1, kEdgeLight));
    out.push_back(LineOp(x1 - 1, r.Top, x1 - 1, r.Bottom - 1, kEdgeShadow));
  }
}

void TViewPainter::AppendImagebarCell(TDisplayList& out, Row row) {
  const TTextEditorImagebar& bar = f_.Imagebar();
  if (!bar.Visible()) return;
  const TPixelRect r = RowRect(row);
  const TColor bk = f_.Leftbar().Visible() ? Or(f_.Leftbar().BkColor(), f_.Color()) : f_.Color();
  out.push_back(Fill(0, r.Top, l_.ImagebarWidth, r.Bottom, bk));
  const unsigned marks = ed_.Text().RowMarksAt(row);
  if (marks == 0) return;
  auto picture = [&](TPictureKind kind, int index, int x) {
    TDisplayOp op;
    op.Kind = dkPicture;
    op.Picture = kind;
    op.Index = index;
    op.X = x;
    op.Y = r.Top + 2;
    out.push_back(op);
  };
  if (const int b = LowestBit(marks, 0, kBookmarkCount); b >= 0) picture(pkBookmarkDigit, b, bar.LeftMargin());
  if (const int m = LowestBit(marks, kBookmarkCount, kImageMarkCount); m >= 0)
    picture(pkImageMark, m, bar.LeftMargin() + bar.DigitWidth());
}

// ---- text rows ----

void TViewPainter::AppendTextRow(TDisplayList& out, Row row) {
  AppendImagebarCell(out, row);
  AppendLeftbarCell(out, row);
  const TPixelRect r = RowRect(row);
  const int marginLeft = l_.ImagebarWidth + l_.LeftbarWidth;
  if (marginLeft < l_.TextLeft) out.push_back(Fill(marginLeft, r.Top, l_.TextLeft, r.Bottom, f_.Color()));
  const std::size_t textFrom = out.size();
  AppendText(out, row, r.Top);
  const TTextEditorMark& underline = f_.Marks().Underline();
  if (underline.Visible() && row == ed_.Row() && !ed_.Selected())
    out.push_back(LineOp(l_.TextLeft, r.Top + l_.FontHeight, l_.ClientWidth - 1, r.Top + l_.FontHeight,
                         underline.Color()));
  if (comp_ && !comp_->Empty() && row == ed_.Row() && ed_.Col() >= ed_.TopCol())
    SpliceComposition(out, textFrom, *comp_, ColumnX(ed_.Col()), r.Top, l_.CharWidth, l_.RowPitch, l_.FontHeight,
                      compColors_);
  AppendVerticalLines(out, r.Top);
}

void TViewPainter::AppendVerticalLines(TDisplayList& out, int y) {
  for (const TVerticalLine& v : f_.VerticalLines().Items()) {
    if (!v.Visible || v.Position < 0 || v.Position < ed_.TopCol()) continue;
    const int x = ColumnX(v.Position);
    if (x >= l_.ClientWidth) continue;
    out.push_back(LineOp(x, y, x, y + l_.RowPitch - 1, v.Color));
  }
}

void TViewPainter::AppendEof(TDisplayList& out, int x, int y) {
  const TTextEditorMark& eof = f_.Marks().EofMark();
  out.push_back(TextOp(x, y, l_.CharWidth, 0, "[EOF]", eof.Color(), clNone, 0));
}

std::pair<int, int> TViewPainter::SelectedColumns(Row row, int rowWidth) const {
  const TSelectionState st = ed_.SelectionState();
  const bool drawn = st == sstSelected || (st == sstHit && ed_.HitStyle() == hsDraw);
  if (!drawn || row < ed_.SelTopRow() || row > ed_.SelBottomRow()) return {0, 0};
  if (ed_.SelectionMode() == smBox) return {ed_.SelStartCol(), ed_.SelEndCol()};
  const int start = row == ed_.SelTopRow() ? ed_.SelStartCol() : 0;
  const int end = row == ed_.SelBottomRow() ? ed_.SelEndCol() : INT_MAX;
  (void)rowWidth;
  return {start, end};
}

TColor TViewPainter::LineColor(Row row) const {
  const TTextEditorFxMarks& fx = f_.FxMarks();
  const unsigned marks = ed_.Text().RowMarksAt(row);
  if (fx.CurrentLine().Visible() && row == ed_.Row()) return fx.CurrentLine().Color();
  if (fx.DigitLine().Visible() && LowestBit(marks, 0, kBookmarkCount) >= 0) return fx.DigitLine().Color();
  for (int i = 0; i < kImageMarkCount; ++i)
    if (fx.ImgLine(i).Visible() && (marks & ImageMarkBit(i))) return fx.ImgLine(i).Color();
  if (fx.ImageLine().Visible() && LowestBit(marks, kBookmarkCount, kImageMarkCount) >= 0)
    return fx.ImageLine().Color();
  if (fx.EvenLine().Visible() && (row + (f_.Leftbar().ZeroBase() ? 0 : 1)) % 2 == 0) return fx.EvenLine().Color();
  return clNone;
}

void TViewPainter::AppendText(TDisplayList& out, Row row, int y) {
  TTextEditorScreenStrings& text = ed_.Text();
  const int cw = l_.CharWidth;
  const int right = l_.ClientWidth;
  out.push_back(Fill(l_.TextLeft, y, right, y + l_.RowPitch, f_.Color()));
  const int count = text.Count();
  if (row < 0) return;
  if (row >= count) {
    const bool endsOpen = count == 0 || text.RowAttributeAt(count - 1) == raBreak;
    if (row == count && endsOpen && f_.Marks().EofMark().Visible() && ed_.TopCol() == 0)
      AppendEof(out, l_.TextLeft, y);
    return;
  }
  if (text.OpenBracket(row) == -2) text.ReparseFrom(row, false);

  // The row's first columns, tabs expanded.
  const std::string_view raw = text.RowView(row);
  const ColumnRules rules = text.CurrentColumnRules();
  expanded_.clear();
  kinds_.clear();
  byteToCol_.resize(raw.size() + 1);
  std::size_t used = 0;
  int col = 0;
  while (used < raw.size() && col < kScanColumns) {
    const unsigned char b = static_cast<unsigned char>(raw[used]);
    byteToCol_[used] = col;
    if (b == '\t') {
      const int w = TabWidthAt(col, rules);
      expanded_.append(static_cast<std::size_t>(w), ' ');
      kinds_.push_back(kTab);
      kinds_.insert(kinds_.end(), static_cast<std::size_t>(w - 1), kTabPad);
      col += w;
      ++used;
    } else if (IsLeadByte(b) && used + 1 < raw.size()) {
      byteToCol_[used + 1] = col + 1;
      expanded_.append(raw.substr(used, 2));
      kinds_.push_back(kLead);
      kinds_.push_back(kTrail);
      col += 2;
      used += 2;
    } else {
      expanded_.push_back(static_cast<char>(b));
      kinds_.push_back(kSingle);
      ++col;
      ++used;
    }
  }
  byteToCol_[used] = col;
  const bool longRow = used < raw.size() || col > kTextColumns;
  const int rowWidth = col;  // exact unless longRow
  // Columns drawn: up to 1000, or 1001 when a double-byte character starts on the last.
  int drawEnd = std::min(rowWidth, kTextColumns);
  if (rowWidth > kTextColumns && kinds_[kTextColumns - 1] == kLead) drawEnd = kTextColumns + 1;
  const int vc0 = ed_.TopCol();
  const int vc1 = std::min(drawEnd, vc0 + l_.VisibleCols + 2);
  const int n = std::max(0, vc1 - vc0);
  const TColor color = f_.Color(), fontColor = f_.FontColor();
  const TTextEditorFxMarks& fx = f_.FxMarks();
  // Line colouring refills the whole row (its unselected part).
  const TColor lineColor = fx.Indicated() ? LineColor(row) : clNone;
  const TColor rowBk = Or(lineColor, color);
  if (rowBk != color) out.push_back(Fill(l_.TextLeft, y, right, y + l_.RowPitch, rowBk));
  cells_.assign(static_cast<std::size_t>(n), Cell{fontColor, rowBk, 0});
  auto colOfByte = [&](int b) { return b >= static_cast<int>(used) ? col : byteToCol_[static_cast<std::size_t>(b)]; };
  auto apply = [&](int c0, int c1, auto&& fn) {
    for (int c = std::max(c0, vc0); c < std::min(c1, vc1); ++c) fn(cells_[static_cast<std::size_t>(c - vc0)], c);
  };

  // Token colours. A folded row is scanned with the next row behind it, so a
  // token crossing the fold is recognised; only this row's part is drawn.
  if (parser_ && n > 0) {
    std::string_view scan = raw.substr(0, used);
    std::string joined;
    if (text.RowAttributeAt(row) == raFolded && row + 1 < count && used == raw.size()) {
      const std::string_view next = text.RowView(row + 1);
      joined.reserve(raw.size() + std::min<std::size_t>(next.size(), kScanColumns));
      joined.append(raw);
      joined.append(next.substr(0, std::min<std::size_t>(next.size(), kScanColumns)));
      scan = joined;
    }
    parser_->LoadRow(scan, text.LoadRowData(row));
    for (TTokenKind k = parser_->Next(); k != tokEnd; k = parser_->Next()) {
      const int off = parser_->TokenOffset(), size = parser_->TokenSize();
      if (size <= 0 || off >= static_cast<int>(used)) break;
      const TFountainColor* slot = parser_->TokenColor();
      if (!slot) continue;
      const int c0 = colOfByte(off), c1 = colOfByte(std::min(off + size, static_cast<int>(used)));
      if (c1 <= vc0) continue;
      if (c0 >= vc1) break;
      const TColor fg = Or(slot->Color(), fontColor), bk = Or(slot->BkColor(), rowBk);
      const TFontStyles st = slot->Style();
      apply(c0, c1, [&](Cell& cell, int) { cell = {fg, bk, st}; });
    }
  }

  // The selection segment.
  // Plain names rather than a structured binding: lambdas below capture them.
  const auto selectedColumns = SelectedColumns(row, rowWidth);
  const int s0 = selectedColumns.first, s1 = selectedColumns.second;
  const bool hitState = ed_.SelectionState() == sstHit;
  TTextEditorColors& colors = f_.View().Colors();
  const TFountainColor& selSlot = hitState ? colors.Hit() : colors.Select();
  const TColor selFg = Or(selSlot.Color(), color), selBk = Or(selSlot.BkColor(), fontColor);
  auto selected = [&](int c) { return c >= s0 && c < s1; };
  apply(s0, s1, [&](Cell& cell, int) {
    cell.fg = selFg;
    cell.bk = selBk;
  });
  // Past the row's text the selection still shows (to the window's edge on
  // the rows it continues over).
  {
    const int a = std::max({s0, vc1, vc0});
    const int b = std::min(s1, vc0 + l_.VisibleCols + 2);
    if (a < b) out.push_back(Fill(ColumnX(a), y, ColumnX(b), y + l_.RowPitch, selBk));
  }

  // The extended marks.
  std::vector<std::pair<int, int>> findSpans;
  if (fx.Indicated()) {
    if (fx.FindMark().Visible() && !f_.FindString().empty()) {
      int first = text.LineFirstRow(row), last = text.LineLastRow(row);
      if (last - first >= kFindLineRows) {
        first = std::max(first, row - 1);
        last = std::min(last, row + 1);
      }
      std::string line;
      int rowStart = 0;
      for (Row q = first; q <= last; ++q) {
        if (q == row) rowStart = static_cast<int>(line.size());
        line.append(text.RowView(q));
      }
      const TFxHitColor& hit = fx.Hit();
      for (const auto& [pos, len] : f_.FindMatches(line)) {
        const int b0 = std::max(pos, rowStart) - rowStart;
        const int b1 = std::min(pos + len, rowStart + static_cast<int>(raw.size())) - rowStart;
        if (b1 <= b0 || b0 >= static_cast<int>(used)) continue;
        const int c0 = colOfByte(b0), c1 = colOfByte(std::min(b1, static_cast<int>(used)));
        findSpans.emplace_back(c0, c1);
        apply(c0, c1, [&](Cell& cell, int c) {
          if (selected(c)) return;
          if (hit.Color != clNone) cell.fg = hit.Color;
          cell.bk = Or(hit.BkColor, color);
          cell.style = hit.Style;
        });
      }
    }
    if (fx.ParenMark().Visible() && f_.Brackets()) {
      const TColor bk = fx.ParenMark().Color();
      const TColor fg = (f_.Resolved(bk) ^ 0xFFFFFF) & 0xFFFFFF;
      for (const TBracketMark& m : {f_.Brackets()->Open, f_.Brackets()->Close}) {
        if (m.Row != row || m.Byte >= static_cast<int>(used)) continue;
        apply(colOfByte(m.Byte), colOfByte(std::min(m.Byte + m.Length, static_cast<int>(used))),
              [&](Cell& cell, int) { cell = {fg, bk, static_cast<TFontStyles>(cell.style | fsBold)}; });
      }
    }
  }

  // Backgrounds that differ from the row's fill, then runs of equal text attributes.
  for (int a = 0; a < n;) {
    int b = a + 1;
    while (b < n && cells_[static_cast<std::size_t>(b)].bk == cells_[static_cast<std::size_t>(a)].bk) ++b;
    if (cells_[static_cast<std::size_t>(a)].bk != rowBk)
      out.push_back(Fill(ColumnX(vc0 + a), y, ColumnX(vc0 + b), y + l_.RowPitch, cells_[static_cast<std::size_t>(a)].bk));
    a = b;
  }
  // The second half of a character cut by the window's left edge stays blank.
  int c = vc0;
  if (c < vc1 && kinds_[static_cast<std::size_t>(c)] == kTrail) ++c;
  while (c < vc1) {
    const Cell& head = cells_[static_cast<std::size_t>(c - vc0)];
    int e = c;
    while (e < vc1) {
      const Cell& k = cells_[static_cast<std::size_t>(e - vc0)];
      if (k.fg != head.fg || k.style != head.style) break;
      e += kinds_[static_cast<std::size_t>(e)] == kLead ? 2 : 1;
    }
    // Trim blanks at both ends; a run of blanks draws nothing.
    int a = c, z = e;
    while (a < z && expanded_[static_cast<std::size_t>(a)] == ' ') ++a;
    while (z > a && expanded_[static_cast<std::size_t>(z - 1)] == ' ') --z;
    if (a < z) {
      const TFontStyles style = head.style & static_cast<TFontStyles>(~fsUnderline);
      out.push_back(TextOp(ColumnX(a), y, cw, a, expanded_.substr(static_cast<std::size_t>(a), static_cast<std::size_t>(z - a)),
                           head.fg, clNone, style));
    }
    if (head.style & fsUnderline) {
      TDisplayOp dot;
      dot.Kind = dkDottedLine;
      dot.X = ColumnX(c);
      dot.X2 = ColumnX(e);
      dot.Y = y + l_.FontHeight - 1;
      dot.Color = head.fg;
      dot.BkColor = head.bk;
      out.push_back(dot);
    }
    c = e;
  }
  for (const auto& [c0, c1] : findSpans) {
    const int a = std::max(c0, vc0), b = std::min(c1, vc1);
    if (a < b)
      out.push_back(LineOp(ColumnX(a), y + l_.FontHeight - 1, ColumnX(b) - 1, y + l_.FontHeight - 1,
                           fx.FindMark().Color()));
  }

  // Blank marks.
  if (fx.DBSpaceMark().Visible() || fx.SpaceMark().Visible() || fx.TabMark().Visible()) {
    const int h = l_.FontHeight;
    const int lastVisible = vc0 + l_.VisibleCols;  // the right edge column
    for (int k = std::max(0, vc0 - 1); k < vc1; ++k) {
      const auto uk = static_cast<std::size_t>(k);
      if (kinds_[uk] == kTab) {
        if (!fx.TabMark().Visible() || k < vc0) continue;
        const int x = ColumnX(k), ym = y + h / 2, s = std::max(std::max(1, h / 8), 3);
        const TColor mc = fx.TabMark().Color();
        out.push_back(LineOp(x + 1, ym, x + cw - 1, ym, mc));
        out.push_back(LineOp(x + cw - 1, ym, x + cw - 1 - s, ym - s, mc));
        out.push_back(LineOp(x + cw - 1, ym, x + cw - 1 - s, ym + s, mc));
      } else if (kinds_[uk] == kSingle && expanded_[uk] == ' ') {
        if (!fx.SpaceMark().Visible() || k < vc0) continue;
        TDisplayOp op;
        op.Kind = dkFrame;
        op.Rect = {ColumnX(k), y, ColumnX(k + 1), y + h};
        op.Color = fx.SpaceMark().Color();
        out.push_back(op);
      } else if (kinds_[uk] == kLead) {
        if (fx.DBSpaceMark().Visible() && static_cast<unsigned char>(expanded_[uk]) == 0x81 &&
            static_cast<unsigned char>(expanded_[uk + 1]) == 0x40 && k >= vc0) {
          TDisplayOp op;
          op.Kind = dkFrame;
          op.Open = k + 1 > lastVisible;
          op.Rect = {ColumnX(k), y, ColumnX(k + 2), y + h};
          op.Color = fx.DBSpaceMark().Color();
          out.push_back(op);
        }
        ++k;
      }
    }
  }

  if (f_.OnDrawLine) {
    const int x0 = ColumnX(0);
    f_.OnDrawLine(expanded_, x0, y, row, {l_.TextLeft, y, right, y + l_.RowPitch}, false, out);
    const int a = std::max(s0, vc0), b = std::min(s1, vc0 + l_.VisibleCols + 2);
    if (a < b) f_.OnDrawLine(expanded_, x0, y, row, {ColumnX(a), y, std::min(ColumnX(b), right), y + l_.RowPitch}, true, out);
  }

  // End-of-row mark.
  const int markCol = longRow ? kTextColumns : rowWidth;
  if (markCol >= vc0 && markCol <= vc0 + l_.VisibleCols + 1) {
    AppendEndMark(out, row, ColumnX(markCol), y, selected(markCol) ? selFg : clNone, longRow);
  }
}

void TViewPainter::AppendEndMark(TDisplayList& out, Row row, int x, int y, TColor color, bool hide) {
  const TTextEditorMarks& marks = f_.Marks();
  const int w = l_.CharWidth, h = l_.FontHeight;
  const TRowAttribute attr = ed_.Text().RowAttributeAt(row);
  const TTextEditorMark* mark = hide                ? &marks.HideMark()
                                : attr == raLast    ? &marks.EofMark()
                                : attr == raBreak   ? &marks.RetMark()
                                                    : &marks.WrapMark();
  if (!mark->Visible()) return;
  const TColor c = Or(color, mark->Color());
  if (mark == &marks.EofMark()) {
    out.push_back(TextOp(x, y, w, 0, "[EOF]", c, clNone, 0));
    return;
  }
  const int ym = y + h / 2;
  if (mark == &marks.RetMark()) {
    // A bent return arrow: down the cell's right part, then left to the head.
    const int t = std::max(1, h / 8), s = std::max(t, 3);
    const int xr = x + std::max(1, w * 3 / 4), xl = x + 1, yb = y + h - 2 * t;
    out.push_back(LineOp(xr, y + 2 * t, xr, yb, c));
    out.push_back(LineOp(xr, yb, xl, yb, c));
    out.push_back(LineOp(xl, yb, xl + s, yb - s, c));
    out.push_back(LineOp(xl, yb, xl + s, yb + s, c));
    return;
  }
  const int a = std::max(2, w * 3 / 5);
  if (mark == &marks.WrapMark()) {
    const int xr = x + w - 1;
    out.push_back(LineOp(xr, ym - a, xr - a, ym, c));
    out.push_back(LineOp(xr - a, ym, xr, ym + a, c));
  } else {
    out.push_back(LineOp(x, ym - a, x + a, ym, c));
    out.push_back(LineOp(x + a, ym, x, ym + a, c));
  }
}

}  // namespace tamber
