#include "editor/undo_record.h"

namespace tamber {

TUndoData& TTextEditorUndoObj::NewRecord(int caretRow, int caretCol) {
  TUndoData r;
  r.CaretRow = caretRow;
  r.CaretCol = caretCol;
  undo_.push_back(std::move(r));
  ++recorded_;
  Trim();
  if (!undoing_) redo_.clear();
  return undo_.back();
}

void TTextEditorUndoObj::SetUndoListMax(int v) {
  max_ = v < kMinUndoListMax ? kMinUndoListMax : v;
  Trim();
}

void TTextEditorUndoObj::Trim() {
  while (static_cast<int>(undo_.size()) > max_) undo_.pop_front();
}

void TTextEditorUndoObj::Clear() {
  undo_.clear();
  redo_.clear();
}

}  // namespace tamber
