// What to repaint after an edit or a caret move, worked out from what changed
// (the text's LastChange, the caret's old and new place) so that the widget
// never repaints by guessing. Rows are screen rows of the text.
#pragma once

#include <vector>

#include "base/coords.h"
#include "editor/text_view.h"

namespace tamber {

struct TRepaintPlan {
  bool All = false;      // repaint the whole text area
  Row First = 0;         // rows First..Last to repaint (none when Last < First)
  Row Last = -1;
  Row ScrollFrom = 0;    // rows from ScrollFrom on (before the edit) move ...
  int ScrollBy = 0;      // ... by this many rows (negative: up)
  Row NumbersFrom = -1;  // line numbers from this row to the window's end; -1: none
  bool operator==(const TRepaintPlan&) const = default;
};

// After an edit. rowCount: rows after the edit; lineNumbers: the line-number
// bar is shown; lineMode: it numbers logical lines.
TRepaintPlan PlanAfterEdit(const TLastChange& change, int visibleRows, int topRow, int rowCount,
                           bool lineNumbers, bool lineMode);

struct TCaretRepaint {
  std::vector<Row> Rows;  // rows to repaint, ascending, without repeats
  bool RulerMark = false; // the ruler's caret column moved
};

// After a caret move from (oldRow, oldCol) to (newRow, newCol). markRows: the
// rows the extended marks need (TTextEditorFurniture::CaretMoved); underline:
// the caret-row underline is drawn; ruler: the ruler is shown.
TCaretRepaint PlanAfterCaretMove(Row oldRow, int oldCol, Row newRow, int newCol,
                                 const std::vector<Row>& markRows, bool underline, bool ruler);

}  // namespace tamber
