// The seam between the shared text and the editor views that show it. The
// editor control implements TTextEditorView; one TTextEditorScreenStrings is
// shared by every view of a document (a split view attaches a second one).
#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>

#include "base/coords.h"
#include "editor/row_parser.h"

namespace tamber {

// One edit of the text told as bytes: at Offset (every break counted as
// CR LF) RemovedLength bytes went and Inserted came in their place.
struct TTextEdit {
  Offset At = 0;
  std::int64_t RemovedLength = 0;
  std::string Inserted;
  bool operator==(const TTextEdit&) const = default;
};

// What the last edit changed, so views repaint exactly (zeroed after each
// notification). Edit holds the bytes of the last step (only the bytes that
// changed: the common head and tail of a rebuilt stretch are left out;
// empty after a step of many separate changes).
struct TLastChange {
  int ChangeRow = 0;
  int RemovedRows = 0;
  int InsertedRows = 0;
  int ReparsedRows = 0;
  bool Changed = false;
  TTextEdit Edit;
  bool operator==(const TLastChange&) const = default;
};

class TTextEditorView {
 public:
  virtual ~TTextEditorView() = default;

  // The view with the input focus is the active one (else the first attached).
  virtual bool HasFocus() const = 0;
  virtual int CaretRow() const = 0;
  virtual int CaretCol() const = 0;
  // Puts the caret at (row, display column); the text is cleared.
  virtual void SetCaretRowCol(int row, int col) = 0;
  // Puts the caret on row at byte position byteCol; the view turns it into a
  // display column capped to the row's width.
  virtual void SetCaretByteColumn(int row, int byteCol) = 0;
  virtual void DropSelection() = 0;
  // Pulls the caret row and the top row back to maxRow when they lie past it.
  virtual void PullInsideRows(int maxRow) = 0;
  // The rows' update ended: repaint as change says, update line-number width
  // and scroll ranges, and when change.Changed set Modified and fire OnChange.
  virtual void TextChanged(const TLastChange& change) = 0;
  // The parser state stored for row changed: its colours must be repainted.
  virtual void InvalidateRow(int row) = 0;
  // Recompute the layout and repaint everything (end of a bulk update).
  virtual void Relayout() = 0;
  // The outermost Lines update began / ended on this view's Lines: hide the
  // caret, hold caret notifications and stop redrawing / undo all that.
  virtual void LinesUpdateBegun() = 0;
  virtual void LinesUpdateEnded() = 0;

  // How far reparsing runs: twice the rows of one screen, from the edit (or
  // from TopRow for a full reparse). A view that knows its rows says so; the
  // default divides the screen's pixels by the row pitch.
  virtual int ScreenRows() const { return ScreenHeightPixels() / std::max(RowPitchPixels(), 1); }
  virtual int TopRow() const = 0;
  virtual int ScreenHeightPixels() const = 0;
  virtual int RowPitchPixels() const = 0;
  virtual bool InitBracketsFull() const = 0;
  // Loading from its form or being destroyed: full reparses wait.
  virtual bool IsLoadingOrDestroying() const = 0;
  // A parser from the view's fountain (nullptr: no colouring; states pass through).
  virtual std::unique_ptr<TRowParser> CreateRowParser() = 0;
};

}  // namespace tamber
