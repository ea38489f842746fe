// TTextEditorScreenStrings: the text one or more editor views share. Its rows
// are screen rows (a logical line is one row, or with word wrap a run of rows
// all but the last raFolded). Every edit goes through ReplaceRows, which
// replaces rows, refolds the lines concerned, carries marks, records an undo
// step, reparses and reports the change to the views.
//
// Invariants: raLast appears only on the final row; raFolded rows only while
// word wrap is on; an empty text has no rows. When the text ends with a break
// the caret may stand on row Count(). Costs of the queries below come from the
// row store (O(log B + b), see row_store.h); ReplaceRows costs the bytes of the
// logical lines it touches plus O(B), and reparses at most two screens.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/string_list.h"
#include "editor/text_view.h"
#include "editor/undo_record.h"
#include "encoding/file_code.h"

namespace tamber {

struct TJoinedRows {
  std::string Text;  // CR LF after each raBreak row
  TRowAttribute LastAttribute = raNone;
  int Rows = 0;
};

class TTextEditorScreenStrings : public TTextEditorStringList {
 public:
  TTextEditorScreenStrings() = default;

  // ---- views ----
  // The first view attached is the one that created the text.
  void AttachView(TTextEditorView* view);
  // Returns the number of views still attached; the owner frees the text at 0.
  int DetachView(TTextEditorView* view);
  const std::vector<TTextEditorView*>& Editors() const { return views_; }
  // The view with the input focus, else the first; nullptr without views.
  TTextEditorView* ActiveView() const;

  // ---- undo (applying records belongs to the editing operations) ----
  TTextEditorUndoObj& UndoObj() { return undo_; }
  bool CanUndo() const { return undo_.CanUndo(); }
  bool CanRedo() const { return undo_.CanRedo(); }
  void ClearUndo() { undo_.Clear(); }

  // ---- wrapping ----
  bool WordWrap() const { return wordWrap_; }
  // The rows text makes: SplitText while word wrap is off (folding comes with word wrap).
  void WrapText(std::string_view text, TTextEditorStringList& list) const;

  // ---- editing ----
  // Replaces count rows from row by text (CR LF / CR / LF separated, may end
  // with a break); count 0 inserts before row (row = Count() appends). Ignores
  // row < 0, count < 0, a range past the last row, and count 0 with empty text.
  void ReplaceRows(int row, int count, std::string_view text);
  // Puts the rows of list (all fields) in place of count rows from row,
  // carrying marks; textInsertedBefore says the old first row's text was pushed
  // down by text inserted before it (its marks go with it).
  void PutRows(int row, int count, const TTextEditorStringList& list, bool textInsertedBefore = false);
  // Removes rows and returns the union of their marks (0 for an invalid range).
  std::uint16_t DeleteRows(int row, int count);
  // Rows row..row+count-1 joined; count -1 takes the rest of the logical line.
  TJoinedRows JoinRows(int row, int count) const;
  int LineFirstRow(int row) const;
  int LineLastRow(int row) const;

  // ---- parser state ----
  int ReparseFrom(int row, bool notify);
  void ReparseAll();

  // ---- change report ----
  const TLastChange& LastChange() const { return lastChange_; }
  void RecordChange(int row, int removed, int reparsed, int inserted);

  // The union of the marks held by any row (kept by count, so a mark stays
  // while any row holds it).
  std::uint16_t UsedMarks() const { return Rows().UsedMarks(); }

  // Drops selections, empties undo, removes the rows, zeroes LastChange and
  // puts every caret at (0, 0).
  void Clear() override;
  // Replaces the whole text with rows built aside (loading, setting the text):
  // Clear, take the rows, reparse; one update.
  void SetAllRows(RowStore rows);

  // ---- logical lines and offsets ----
  int LineCount() const;
  int LineToRow(int line) const;  // Count() for a line past the end
  int RowToLine(int row) const;
  // Bytes of all rows plus 2 per raBreak row.
  std::int64_t TextLength() const;
  std::int64_t RowColToOffset(int row, int col) const;
  // The offset walk from row 0 (see RowStore::RowAtOffset).
  std::pair<int, int> OffsetToRowCol(std::int64_t offset) const;
  // The same walk starting at row.
  std::pair<int, int> OffsetToRowColFrom(int row, std::int64_t n) const;
  // The row the caret may reach last: Count(), or Count() - 1 after a raLast row.
  int MaxCaretRow() const;

  // ---- editor-level queries: never throw ----
  std::string RowTextAt(int i) const;
  TRowAttribute RowAttributeAt(int i) const;  // raLast outside the rows
  std::uint16_t RowMarksAt(int i) const;      // 0 outside the rows

  // The text in pieces of about a megabyte, breaks written as lineEnd.
  void WriteText(LineEnd lineEnd, const std::function<void(std::string_view)>& sink) const;
  std::string GetTextStr() const;

 protected:
  void Changed() override;

 private:
  std::unique_ptr<TRowParser> CreateParser() const;
  int ReparseLimit(int row) const;

  std::vector<TTextEditorView*> views_;
  TTextEditorUndoObj undo_;
  bool wordWrap_ = false;
  TLastChange lastChange_;
};

}  // namespace tamber
