// TTextEditorScreenStrings: the text one or more editor views share. Its rows
// are screen rows (a logical line is one row, or with word wrap a run of rows
// all but the last raFolded). Every edit goes through ReplaceRows (or
// ReplaceSpans, many separate changes in one pass), which
// replaces rows, refolds the lines concerned, carries marks, records an undo
// step, reparses and reports the change to the views.
//
// Invariants: raLast appears only on the final row; raFolded rows only while
// word wrap is on; an empty text has no rows. When the text ends with a break
// the caret may stand on row Count(). Costs of the queries below come from the
// row store (O(log B + b), see row_store.h); ReplaceRows costs the bytes of the
// logical lines it touches plus O(log B) (O(B) when blocks split or merge),
// Splice of an edit inside one row the bytes between the edit and the nearer
// end of its block; both reparse at most two screens of rows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "editor/display_columns.h"
#include "editor/line_folder.h"
#include "editor/string_list.h"
#include "editor/text_view.h"
#include "editor/undo_record.h"
#include "editor/wrap_option.h"
#include "encoding/file_code.h"

namespace tamber {

// One of the separate changes of TTextEditorScreenStrings::ReplaceSpans: at
// text offset At (CR LF counted as 2) RemovedLength bytes give way to Inserted.
struct TSpanEdit {
  std::int64_t At = 0;
  std::int64_t RemovedLength = 0;
  std::string_view Inserted;
};

struct TJoinedRows {
  std::string Text;  // CR LF after each raBreak row
  TRowAttribute LastAttribute = raNone;
  int Rows = 0;
};

class TTextEditorScreenStrings : public TTextEditorStringList {
 public:
  TTextEditorScreenStrings();
  TTextEditorScreenStrings(const TTextEditorScreenStrings&) = delete;
  TTextEditorScreenStrings& operator=(const TTextEditorScreenStrings&) = delete;

  // ---- views ----
  // The first view attached is the one that created the text.
  void AttachView(TTextEditorView* view);
  // Returns the number of views still attached; the owner frees the text at 0.
  int DetachView(TTextEditorView* view);
  const std::vector<TTextEditorView*>& Editors() const { return views_; }
  // The view with the input focus, else the first; nullptr without views.
  TTextEditorView* ActiveView() const;

  // ---- undo ----
  TTextEditorUndoObj& UndoObj() { return undo_; }
  const TTextEditorUndoObj& UndoObj() const { return undo_; }
  bool CanUndo() const { return undo_.CanUndo(); }
  bool CanRedo() const { return undo_.CanRedo(); }
  void ClearUndo() { undo_.Clear(); }
  int UndoListMax() const { return undo_.UndoListMax(); }
  void SetUndoListMax(int v) { undo_.SetUndoListMax(v); }
  // Takes back the newest step of UndoList (its inverse goes to RedoList), or
  // does it again from RedoList (its inverse goes to UndoList, RedoList
  // stays). The active view's selection is dropped first and its caret ends
  // where the applied record saved it. Return false when the list is empty.
  bool Undo();
  bool Redo();

  // ---- wrapping (screen_wrap.cpp) ----
  bool WordWrap() const { return wordWrap_; }
  // Switches word wrap: empties the undo lists, folds or joins every row,
  // reparses, makes every view relayout, and puts every caret inside the rows
  // at column 0. Nothing happens when the value is unchanged or while the
  // first view is being loaded from its form.
  void SetWordWrap(bool on);
  // A change of any of its properties rewraps the text as a switch does
  // (while word wrap is on).
  TTextEditorWrapOption& WrapOption() { return wrapOption_; }
  const TTextEditorWrapOption& WrapOption() const { return wrapOption_; }
  // The tab width and the word delimiters folding measures with (the editor
  // sets them from its caret and its Delimiters). Callers rewrap if they must.
  int TabSpaceCount() const { return tabSpaceCount_; }
  void SetTabSpaceCount(int n) { tabSpaceCount_ = ClampTabSpaceCount(n); }
  const TDelimiters& Delimiters() const { return delimiters_; }
  void SetDelimiters(const TDelimiters& d) { delimiters_ = d; }
  // The measuring rules of a row as things stand (tabs stop at the margin with word wrap on).
  ColumnRules CurrentColumnRules() const;
  FoldRules CurrentFoldRules() const;
  // Clears list and fills it with the rows of text: SplitText with word wrap
  // off, else every line folded (an empty text gives one empty row). Every
  // row is raBreak or raFolded; the caller sets the last row's attribute.
  void WrapText(std::string_view text, TTextEditorStringList& list) const;
  // Rows the logical line takes (1 with word wrap off).
  int WrappedRowCount(std::string_view line) const;
  // Folds every logical line anew (after switching on, a wrap setting change,
  // loading). Marks stay with their lines: new row i of a line takes the
  // marks of its old row i, the marks of surplus old rows go to its last row.
  void WrapAll();
  // Joins every logical line into one row with the union of its rows' marks.
  void UnwrapAll();

  // ---- editing ----
  // Replaces count rows from row by text (CR LF / CR / LF separated, may end
  // with a break); count 0 inserts before row (row = Count() appends). Ignores
  // row < 0, count < 0, a range past the last row, and count 0 with empty text.
  void ReplaceRows(int row, int count, std::string_view text);
  // Replaces length bytes at text offset (CR LF counted as 2) by text through
  // ReplaceRows on the rows holding them: one undo step. Offset and length
  // are kept inside the text.
  void ReplaceRange(std::int64_t offset, std::int64_t length, std::string_view text);
  // Many separate changes as one step (replace-all): spans rising and not
  // overlapping, offsets in the text as it stands. When no span removes or
  // inserts a line break or starts a line after a final break, the lines holding them are rebuilt aside in one
  // pass (refolded with word wrap on), the rows from the first to the last
  // changed line are put in at once, and the undo step keeps only the spans'
  // removed bytes and lengths; rows keep their marks (a refolded line's new
  // row i takes old row i's). Any other list goes as one ReplaceRange over
  // the stretch from the first span to the last. Rows from the first changed
  // one on are left to be parsed as they come into view; LastChange tells the
  // rows, with an empty Edit. Costs the bytes from the first to the last
  // changed line plus O(log B) per span.
  void ReplaceSpans(const std::vector<TSpanEdit>& spans);
  // The edit as one value: one undo step that is the edit itself (no
  // comparison of old and new rows). With word wrap off, an edit inside one
  // row that brings no break (typing, Backspace, Delete, a paste of part of a
  // line, their undo and redo) is spliced into the row in place, costing the
  // bytes of the row after the place; any other edit goes through ReplaceRange.
  void Splice(const TTextEdit& edit);
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
  // The reparse that follows an edit of rows from row on (notifying views).
  int ReparseAfterEdit(int row);

  // ---- change report ----
  const TLastChange& LastChange() const { return lastChange_; }
  void RecordChange(int row, int removed, int reparsed, int inserted, TTextEdit edit = {});

  // The union of the marks held by any row (kept by count, so a mark stays
  // while any row holds it).
  std::uint16_t UsedMarks() const { return Rows().UsedMarks(); }
  // The first row holding mark bit, or -1.
  int FirstRowWithMark(int bit) const {
    const std::size_t r = Rows().FirstRowWithMark(bit);
    return r < Rows().Count() ? static_cast<int>(r) : -1;
  }

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
  // Offset of byte `byte` of row (Count() for the position after the text).
  Offset RowByteToOffset(Row row, ByteCol byte) const;
  // The former name of RowByteToOffset, kept for callers not yet moved to it.
  Offset RowColToOffset(Row row, ByteCol byte) const { return RowByteToOffset(row, byte); }
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
  // Writes the text to path in format, copying what has not changed since the
  // rows were read from or last written to their file (SaveRows).
  void SaveToFile(const std::string& path, const TextFormat& format);
  std::string GetTextStr() const;

  // Throws std::logic_error naming the first invariant of this header that
  // does not hold (the row store's own, raLast only last, raFolded only with
  // word wrap on, every logical line folded as a fresh fold would fold it).
  // O(text): for tests and fuzzers.
  void CheckInvariants() const;

 protected:
  void Changed() override;

 private:
  std::unique_ptr<TRowParser> CreateParser() const;
  int ReparseLimit(int row) const;

  std::vector<TTextEditorView*> views_;
  TTextEditorUndoObj undo_;
  bool wordWrap_ = false;
  TLastChange lastChange_;
  TTextEditorWrapOption wrapOption_;
  int tabSpaceCount_ = 8;
  TDelimiters delimiters_ = DefaultDelimiters();
  bool rewrapping_ = false;  // the rows' change notification is held back

  void Rewrap(bool on);
  std::string TextRange(std::int64_t offset, std::int64_t length) const;
  void ReplaceSpansAsRange(const std::vector<TSpanEdit>& spans);
  bool ApplyRecord(bool undo);
};

}  // namespace tamber
