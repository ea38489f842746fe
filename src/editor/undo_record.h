// Undo records and the lists that hold them.
//
// A record is one step of an edit (ReplaceRows, or ReplaceSpans for many
// separate changes at once) told as a change of the text's bytes: at text
// offset Offset (CR LF counted as 2) the step took out RemovedText and put
// in InsertedLength bytes. Only the bytes that really changed are kept (the
// common head and tail of the old and new rows are trimmed), so typing in a
// 10 MB line keeps a byte per keystroke, not the line. Applying a record
// replaces those bytes again through ReplaceRows (ReplaceSpans for a step
// of spans), which rebuilds the rows around them from the text and records
// the exact inverse step.
//
// A step of many separate changes (a replace-all) keeps only those: Spans
// lists them rising, each as a varint of the bytes since the end of the
// previous span's inserted bytes, shifted up one, whose low bit tells a span
// that inserted as many bytes and removed the same bytes as the one before;
// any other span follows with varints of its inserted and removed byte
// counts, and RemovedText holds their removed bytes one after another. Offset is then
// the first span's offset and InsertedLength the inserted bytes of all.
//
// UndoList and RedoList keep the newest record last. UndoListMax (at least
// kMinUndoListMax) bounds UndoList: the record past the bound discards the
// oldest. A new record empties RedoList unless Undoing is set (undo and redo
// record their inverse steps with it set).
//
// Costs: NewRecord O(1) amortised (O(n) when a new edit empties RedoList);
// memory per record sizeof(TUndoData) plus the removed bytes beyond the
// string's inline buffer.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

namespace tamber {

struct TUndoData {
  int CaretRow = 0;  // caret of the active view when the step was recorded
  int CaretCol = 0;
  int StartRow = -1;              // first row the step rebuilt
  std::int64_t Offset = 0;        // text offset of the changed bytes
  std::int64_t InsertedLength = 0;  // bytes the step put in at Offset
  std::string RemovedText;        // bytes the step took out at Offset
  std::string Spans;              // empty, or the spans of a step of many changes
};

class TTextEditorUndoObj {
 public:
  // The least UndoListMax: smaller settings are raised to it.
  static constexpr int kMinUndoListMax = 64;

  // Appends a fresh record with the caret; drops the oldest past UndoListMax;
  // empties RedoList unless Undoing.
  TUndoData& NewRecord(int caretRow, int caretCol);
  std::deque<TUndoData>& UndoList() { return undo_; }
  std::deque<TUndoData>& RedoList() { return redo_; }
  const std::deque<TUndoData>& UndoList() const { return undo_; }
  const std::deque<TUndoData>& RedoList() const { return redo_; }
  bool CanUndo() const { return !undo_.empty(); }
  bool CanRedo() const { return !redo_.empty(); }
  void Clear();
  int UndoListMax() const { return max_; }
  void SetUndoListMax(int v);
  // Records made so far (tells whether an edit recorded a step).
  std::uint64_t Recorded() const { return recorded_; }
  bool Undoing() const { return undoing_; }
  void SetUndoing(bool v) { undoing_ = v; }

 private:
  void Trim();

  std::deque<TUndoData> undo_, redo_;
  int max_ = kMinUndoListMax;
  bool undoing_ = false;
  std::uint64_t recorded_ = 0;
};

}  // namespace tamber
