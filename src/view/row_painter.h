// TViewPainter: builds the display lists of one paint of a view — the text
// rows with their token colours, selection, find marks, brackets, blank
// marks, line colouring and end-of-row marks, the line-number and image-bar
// cells, the ruler, the top-left corner and the vertical guide lines.
//
// One painter serves one paint: it holds one tokenizer of the active
// fountain. A row is parsed when it is painted and its state is missing; no
// other row is read, so a paint costs what it shows (at most the first 1000
// columns of a row, plus the next row of a folded one).
//
// A text row's list covers the whole row from x = 0 to the client's right
// edge: image-bar cell, line-number cell, the left margin, then the text.
// Text never starts left of TextLeft: a double-byte character cut by TopCol
// is left out.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "highlight/fountain_parser.h"
#include "view/composition.h"
#include "view/display_list.h"
#include "view/furniture.h"

namespace tamber {

class TViewPainter {
 public:
  explicit TViewPainter(TTextEditorFurniture& furniture);
  ~TViewPainter();

  // Pixel rectangle of a screen row (the whole client width).
  TPixelRect RowRect(Row row) const;
  // The rows a rectangle of the client touches (last may lie past the text).
  std::pair<Row, Row> RowsIn(const TPixelRect& clip) const;

  TDisplayList TextRow(Row row);
  TDisplayList LeftbarCell(Row row);
  TDisplayList ImagebarCell(Row row);
  TDisplayList Ruler();
  // The area left of TextLeft and above TextTop, and the strip of
  // Margin.Top above the text.
  TDisplayList Corner();
  // Everything the window shows.
  TDisplayList Screen();
  // The same, appended to out.
  void AppendTextRow(TDisplayList& out, Row row);
  void AppendLeftbarCell(TDisplayList& out, Row row);
  void AppendImagebarCell(TDisplayList& out, Row row);
  void AppendRuler(TDisplayList& out);
  void AppendCorner(TDisplayList& out);

  // An input method's composition, drawn into the caret row (nullptr: none).
  void SetComposition(const TComposition* comp, const TCompositionColors& colors) {
    comp_ = comp;
    compColors_ = colors;
  }

  // The text of a line number as shown on row ("" for a blank row).
  std::string NumberText(Row row) const;

 private:
  struct Cell {
    TColor fg, bk;
    TFontStyles style;
  };
  void AppendText(TDisplayList& out, Row row, int y);
  void AppendEndMark(TDisplayList& out, Row row, int x, int y, TColor color, bool hide);
  void AppendVerticalLines(TDisplayList& out, int y);
  void AppendEof(TDisplayList& out, int x, int y);
  int ColumnX(int col) const;
  bool InSelection(Row row, int col, int rowWidth) const;
  std::pair<int, int> SelectedColumns(Row row, int rowWidth) const;
  TColor LineColor(Row row) const;

  TTextEditorFurniture& f_;
  TTextEditor& ed_;
  const TViewLayout& l_;
  std::unique_ptr<TFountainParser> parser_;
  // Scratch of the row being painted.
  std::string expanded_;        // the row's first columns, tabs as spaces
  std::vector<int> byteToCol_;  // column of each byte of the row's raw text
  enum : char { kSingle, kLead, kTrail, kTab, kTabPad };
  std::vector<char> kinds_;     // per column: what the column shows
  std::vector<Cell> cells_;
  const TComposition* comp_ = nullptr;
  TCompositionColors compColors_;
};

}  // namespace tamber
