// Undo records as the one editing primitive (ReplaceRows) fills them. Each
// record holds what a step took out; applying records (undo and redo) belongs
// to the editing operations built over this.
//
// UndoList and RedoList keep the newest record last. UndoListMax (at least
// kMinUndoListMax) bounds UndoList: the record past the bound discards the
// oldest. Each record holds the text the step took out, so memory grows with
// the size of the steps, not with the size of the text.
#pragma once

#include <deque>
#include <string>

#include "editor/row_attribute.h"

namespace tamber {

struct TUndoData {
  int CaretRow = 0;  // caret of the active view when the step was recorded
  int CaretCol = 0;
  int StartRow = -1;     // first row of the change
  int InsertedCount = 0; // rows the change put in (0 for a pure deletion)
  TRowAttribute LastAttribute = raNone;  // of the last row taken out; raNone: nothing taken
  std::string RemovedText;  // rows taken out, CR LF after raBreak rows
};

class TTextEditorUndoObj {
 public:
  static constexpr int kMinUndoListMax = 64;

  // Appends a fresh record with the caret; empties RedoList unless Undoing.
  TUndoData& NewRecord(int caretRow, int caretCol);
  std::deque<TUndoData>& UndoList() { return undo_; }
  std::deque<TUndoData>& RedoList() { return redo_; }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  void Clear();
  int UndoListMax() const { return max_; }
  void SetUndoListMax(int v) { max_ = v < kMinUndoListMax ? kMinUndoListMax : v; }
  bool Undoing() const { return undoing_; }
  void SetUndoing(bool v) { undoing_ = v; }

 private:
  std::deque<TUndoData> undo_, redo_;
  int max_ = kMinUndoListMax;
  bool undoing_ = false;
};

}  // namespace tamber
