#include "view/repaint_plan.h"

#include <algorithm>
#include <cstdlib>

namespace tamber {

TRepaintPlan PlanAfterEdit(const TLastChange& c, int visibleRows, int topRow, int rowCount,
                           bool lineNumbers, bool lineMode) {
  TRepaintPlan p;
  if (!c.Changed && c.ReparsedRows == 0 && c.InsertedRows == 0 && c.RemovedRows == 0) return p;
  const int delta = c.InsertedRows - c.RemovedRows;
  if (std::abs(delta) > visibleRows) {
    p.All = true;
    p.NumbersFrom = lineNumbers ? topRow : -1;
    return p;
  }
  p.First = c.ChangeRow;
  p.Last = c.ChangeRow + std::max(0, c.ReparsedRows - c.InsertedRows) + c.InsertedRows - 1;
  if (delta == 0) p.Last += 1;
  // Near the end the rows after the text change too (the [EOF] mark moves).
  if (p.Last >= rowCount - 1) p.Last = std::max(p.Last, rowCount + 1);
  p.Last = std::max(p.Last, p.First);
  if (delta != 0) {
    p.ScrollFrom = c.ChangeRow + c.RemovedRows;
    p.ScrollBy = delta;
  }
  if (lineNumbers && (lineMode || delta != 0)) p.NumbersFrom = c.ChangeRow;
  return p;
}

TCaretRepaint PlanAfterCaretMove(Row oldRow, int oldCol, Row newRow, int newCol,
                                 const std::vector<Row>& markRows, bool underline, bool ruler) {
  TCaretRepaint r;
  r.Rows = markRows;
  if (underline && oldRow != newRow) {
    r.Rows.push_back(oldRow);
    r.Rows.push_back(newRow);
  }
  std::sort(r.Rows.begin(), r.Rows.end());
  r.Rows.erase(std::unique(r.Rows.begin(), r.Rows.end()), r.Rows.end());
  r.RulerMark = ruler && oldCol != newCol;
  return r;
}

}  // namespace tamber
