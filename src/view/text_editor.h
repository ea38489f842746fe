// TTextEditor: one view of a text — its caret, selection, scroll position and
// options, and what keys and the left mouse button do to them. The widget
// owns one, tells it the layout (visible size and pixel metrics) and turns
// key, mouse and focus events into the calls below; this class never paints.
//
// Coordinates: a row is a screen row of the shared text; a column is a
// display column (a double-byte character takes 2, a tab runs to its stop); a
// byte is a position in a row's bytes; an offset counts bytes from the start
// of the text with CR LF as 2.
//
// Invariants, outside a caret update: 0 <= Row() <= the text's MaxCaretRow();
// 0 <= Col() <= kMaxCol (or just past a double-byte character that starts at
// kMaxCol), never on a trail byte, never in tab padding
// unless Caret().InTab(); past the row's end only with FreeCaret (or FreeRow
// after a vertical key move); 0 <= TopRow() <= row count; 0 <= TopCol() <=
// kMaxCol - VisibleCols() / 2. A selection is recomputed from the anchor and
// the caret whenever it is updated.
//
// Costs: a caret move reads the caret row's columns up to kMaxCol + 2 (never
// more of a long row); a selection update O(rows of the selection) only for a
// box's text and length. Typing, Backspace, Delete and Enter at the caret hand
// the text one edit value (see TTextEditorScreenStrings::Splice).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/notify.h"
#include "editor/display_columns.h"
#include "editor/editor_strings.h"
#include "editor/screen_strings.h"
#include "editor/text_view.h"
#include "view/caret_options.h"
#include "view/clipboard.h"
#include "view/token_source.h"

namespace tamber {

enum TSelectionMode { smNormal, smBox };
enum TSelectionState { sstNone, sstStarted, sstSelected, sstHit };
enum TDragState { dsNone, dsPending, dsDragging };

// The keys the view handles itself.
enum class TEditorKey { Left, Right, Up, Down, Home, End, PageUp, PageDown, Escape };

// Modifier keys and mouse buttons held during an event.
using TShiftState = unsigned;
inline constexpr TShiftState ssShift = 1;
inline constexpr TShiftState ssAlt = 2;
inline constexpr TShiftState ssCtrl = 4;
inline constexpr TShiftState ssLeft = 8;

// Where a mouse point lies.
enum TMouseArea { maText, maLeftMargin, maTopMargin, maOutside };

// The view's pixel layout, set by whoever lays the view out.
struct TTextEditorMetrics {
  int TextLeft = 0;        // x of column TopCol
  int TextTop = 0;         // y of row TopRow
  int CharWidth = 8;       // pixels per column
  int RowPitch = 16;       // pixels per row
  int FontHeight = 16;
  int CharacterMargin = 0;  // pixels of a column left blank between characters
  int ClientWidth = 640;
  int ClientHeight = 480;
  bool operator==(const TTextEditorMetrics&) const = default;
};

// A mouse point in rows and columns.
struct TMousePoint {
  int X = 0, Y = 0;
  int Row = 0;
  int Col = 0;         // the column the point is in
  int RoundedCol = 0;  // the column boundary nearest to the point
  TMouseArea Area = maText;
};

// What a release of the mouse asks of the editing operations: the caret
// stands at the drop position of a dragged selection.
enum TMouseDrop { mdNone, mdMoveSelection, mdCopySelection };

// A rectangle in the view's pixels.
struct TCaretRect {
  int X = 0, Y = 0, Width = 0, Height = 0;
  bool operator==(const TCaretRect&) const = default;
};

class TTextEditor : public TTextEditorView {
 public:
  // The last column the caret may rest on (one more when a double-byte
  // character starts there).
  static constexpr int kMaxCol = static_cast<int>(kMaxColumnAttributes);

  // A view with a text of its own.
  TTextEditor();
  ~TTextEditor() override;
  TTextEditor(const TTextEditor&) = delete;
  TTextEditor& operator=(const TTextEditor&) = delete;

  // ---- text ----
  TTextEditorScreenStrings& Text() const { return *text_; }
  TTextEditorStrings& Lines() { return lines_; }
  // Shows other's text from now on (a split view); this view keeps its own
  // caret, selection and scroll position. Its own text goes when no other
  // view shows it.
  void AttachText(TTextEditor& other);

  // ---- options ----
  TTextEditorCaret& Caret() { return caret_; }
  TTextEditorSpeed& Speed() { return speed_; }
  TTextEditorHitStyle HitStyle() const { return hitStyle_; }
  // Drops the current selection or hit.
  void SetHitStyle(TTextEditorHitStyle v);
  bool ReadOnly() const { return readOnly_; }
  void SetReadOnly(bool v) { readOnly_ = v; }
  bool OverWrite() const { return overWrite_; }
  void SetOverWrite(bool v) { overWrite_ = v; }
  // Byte values that end a word (held by the text, which folds with them).
  const TDelimiters& Delimiters() const { return text_->Delimiters(); }
  void SetDelimiters(const TDelimiters& d);
  // The fountain seam; a new one reparses the text (its states are the fountain's).
  void SetTokenSource(TTextEditorTokenSource* source);

  // ---- layout ----
  int VisibleRows() const { return visibleRows_; }
  int VisibleCols() const { return visibleCols_; }
  void SetVisibleSize(int rows, int cols);
  const TTextEditorMetrics& Metrics() const { return metrics_; }
  void SetMetrics(const TTextEditorMetrics& m) { metrics_ = m; }
  void SetFocused(bool focused);
  void SetLoadingOrDestroying(bool v) { loading_ = v; }

  // ---- caret ----
  int Row() const { return row_; }
  int Col() const { return col_; }
  void SetRow(int r);
  void SetCol(int c);
  void SetRowCol(int r, int c);
  int TopRow() const override { return topRow_; }
  void SetTopRow(int r);
  int TopCol() const { return topCol_; }
  void SetTopCol(int c);
  void ScrollRows(int n);
  void ScrollCaret();
  void CaretBeginUpdate();
  void CaretEndUpdate();
  // The caret is shown: the view has the focus, no update holds it, and it
  // lies inside the window.
  bool CaretShown() const;
  // The caret's cell for the current mode and position, in pixels.
  TCaretRect CaretShape() const;
  // The byte position of column col in row (off a trail byte, out of tab
  // padding) plus the bytes of the folded rows above it in its line.
  int LogicalColumn(int row, int col) const;

  // ---- selection ----
  TSelectionMode SelectionMode() const { return selectionMode_; }
  void SetSelectionMode(TSelectionMode m);
  TSelectionState SelectionState() const { return selState_; }
  TDragState DragState() const { return dragState_; }
  bool Selected() const { return selState_ == sstSelected; }
  void StartSelection();
  void UpdateSelection();
  void CleanSelection();
  int SelTopRow() const { return selTop_; }
  int SelBottomRow() const { return selBottom_; }
  // Display columns: box edges (end exclusive), or the stream's ends capped
  // to their rows' widths.
  int SelStartCol() const { return selStartCol_; }
  int SelEndCol() const { return selEndCol_; }
  // Stream bytes: from SelStartByte() on the top row to SelEndByte()
  // (exclusive) on the bottom row.
  int SelStartByte() const { return selStartByte_; }
  int SelEndByte() const { return selEndByte_; }
  // The bytes a box selection covers on row (start, end exclusive).
  std::pair<int, int> BoxRowBytes(int row) const;
  std::int64_t SelStart() const;
  void SetSelStart(std::int64_t offset);
  std::int64_t SelLength() const;
  void SetSelLength(std::int64_t n);
  std::string SelText() const;
  int HitLength() const { return hitLength_; }
  // Shows a search hit of n bytes from the caret the HitStyle way.
  void ShowHit(int n);
  // The hit becomes a selection (before it is replaced).
  void HitToSelection();

  // ---- editing (text_editor_edit.cpp) ----
  // Every operation below does nothing while ReadOnly (copying aside), makes
  // one undo step (Enter and BoxPaste over a selection delete it first, a
  // step of its own), and puts the caret by text offset, which stays right
  // across refolding.
  bool WantTabs() const { return wantTabs_; }
  void SetWantTabs(bool v) { wantTabs_ = v; }
  // Types s (no line breaks): replaces the selection, else inserts or, in
  // OverWrite mode, overwrites at the caret; past a row's end the row is
  // padded with spaces up to the caret column.
  void InsertText(std::string_view s);
  // Replaces the selection, or inserts at the caret, with s (line breaks
  // allowed; never overwrites). An empty s deletes the selection.
  void SetSelTextBuf(std::string_view s);
  void SetSelText(std::string_view s) { SetSelTextBuf(s); }
  void Backspace();
  void Delete();
  // Enter (shift: Shift+Enter opens a line above the caret's line).
  void Enter(bool shift = false);
  // Tab key; ignored with Shift or Ctrl held or when WantTabs is off.
  void Tab(TShiftState shift = 0);
  void DeleteSelection();
  void SelectAll();
  void DeleteRow(int row);
  void IndentSelection();
  void UnindentSelection();
  // A dragged selection dropped at (row, col): moved (one step) or copied.
  void MoveSelection(int row, int col);
  void CopySelection(int row, int col);
  // Pastes the lines of s as a box at the caret column (or the selection's
  // start column, after deleting the selection).
  void BoxPaste(std::string_view s);
  // The clipboard the next three use (the widget sets the platform's); none: nothing happens.
  void SetClipboard(TTextEditorClipboard* c) { clipboard_ = c; }
  void CopyToClipboard();
  void CutToClipboard();
  void PasteFromClipboard();
  // The shared text's history.
  bool Undo() { return text_->Undo(); }
  bool Redo() { return text_->Redo(); }
  bool CanUndo() const { return text_->CanUndo(); }
  bool CanRedo() const { return text_->CanRedo(); }
  void ClearUndo() { text_->ClearUndo(); }
  int UndoListMax() const { return text_->UndoListMax(); }
  void SetUndoListMax(int v) { text_->SetUndoListMax(v); }

  // ---- row marks (text_editor_marks.cpp) ----
  // Mark m is bit m of a row's marks: bookmarks 0-9 (each on one row at
  // most), image marks 0-5 as m = 10 + n (on any number of rows). A change
  // repaints the row in every view of the text.
  // Sets mark m on row (a bookmark leaves the row that had it first).
  void PutRowMark(int row, int m);
  void DeleteRowMark(int row, int m);
  // The caret goes to the first row with mark m (the row brought to the
  // window's middle when it lies outside); false when no row has it.
  bool GotoRowMark(int m);
  std::uint16_t RowMarks(int row) const { return text_->RowMarksAt(row); }
  bool HasRowMark(int row, int m) const { return m >= 0 && m < 16 && (RowMarks(row) >> m & 1); }
  // The union of the marks set anywhere in the text.
  std::uint16_t UsedMarks() const { return text_->UsedMarks(); }
  // Return and Enter reach the view (else they are left to the dialog).
  bool WantReturns() const { return wantReturns_; }
  void SetWantReturns(bool v) { wantReturns_ = v; }
  TTextEditorClipboard* Clipboard() const { return clipboard_; }

  // ---- keys and mouse ----
  // Returns whether the key was handled.
  bool KeyDown(TEditorKey key, TShiftState shift, bool repeat = false);
  void KeyUp() { keyRepeat_ = false; }
  TMousePoint PointAt(int x, int y) const;
  // Left button. MouseDown returns true when the press asks for a system drag
  // of the selection (SelDragMode dmManual).
  bool MouseDown(int x, int y, TShiftState shift);
  void MouseMove(int x, int y, TShiftState shift);
  TMouseDrop MouseUp(int x, int y, TShiftState shift);
  // Auto-scrolling while a selection is dragged out of the window: call on a
  // timer while it returns true.
  bool MouseTick();
  // Ctrl pressed or released while a selection is dragged.
  void DragCopyKey(bool ctrlDown);
  TCursor Cursor() const { return cursor_; }

  // ---- words and tokens ----
  void MoveWord(int row, int col, int direction);
  void SelectTokenAt(int row, int col);
  void SelectTokenAtCaret() { SelectTokenAt(row_, col_); }
  TTokenKind TokenKindAt(int row, int col) const;
  std::string TokenTextAt(int row, int col) const;

  // ---- events ----
  std::function<void(TTextEditor&)> OnCaretMoved;
  std::function<void(TTextEditor&)> OnChange;
  std::function<void(TTextEditor&, bool selected)> OnSelectionChange;
  std::function<void(TTextEditor&)> OnSelectionModeChange;
  // A view that listens to these repaints what scrolled itself; without a
  // listener a scroll invalidates every row shown.
  std::function<void(TTextEditor&)> OnTopRowChange;
  std::function<void(TTextEditor&)> OnTopColChange;
  // Rows first..last need repainting (painting belongs to the widget).
  std::function<void(int first, int last)> OnInvalidateRows;
  bool Modified() const { return modified_; }
  void SetModified(bool v) { modified_ = v; }

  // ---- TTextEditorView ----
  bool HasFocus() const override { return focused_; }
  int CaretRow() const override { return row_; }
  int CaretCol() const override { return col_; }
  void SetCaretRowCol(int row, int col) override { SetRowCol(row, col); }
  void SetCaretByteColumn(int row, int byteCol) override;
  void DropSelection() override { CleanSelection(); }
  void PullInsideRows(int maxRow) override;
  void TextChanged(const TLastChange& change) override;
  void InvalidateRow(int row) override;
  void Relayout() override;
  void LinesUpdateBegun() override { CaretBeginUpdate(); }
  void LinesUpdateEnded() override { CaretEndUpdate(); }
  int ScreenHeightPixels() const override { return metrics_.ClientHeight; }
  int RowPitchPixels() const override { return metrics_.RowPitch; }
  bool InitBracketsFull() const override { return speed_.InitBracketsFull; }
  bool IsLoadingOrDestroying() const override { return loading_; }
  std::unique_ptr<TRowParser> CreateRowParser() override;

  // ---- edit-control queries (text_editor_queries.cpp) ----
  // What a system edit control answers, with whole text offsets. Rows are
  // screen rows; an offset past the text is taken as its end.
  struct TEditSel {
    std::int64_t Start = 0, End = 0;
    bool operator==(const TEditSel&) const = default;
  };
  // The selection as offsets; without one the caret offset twice.
  TEditSel GetSel() const;
  // (0, -1) selects all; start -1 drops the selection; end -1 is the end of
  // the text; else the caret goes to the larger end with the smaller one
  // anchored (so SetSel(5, 2) selects 2..5 with the caret at 5).
  void SetSel(std::int64_t start, std::int64_t end);
  int LineCount() const { return text_->Count(); }
  // The offset of the start of row (-1: the caret row); -1 when row is no row.
  std::int64_t LineIndex(int row) const;
  // offset -1: with a selection the bytes of its bottom row outside it, else
  // the caret row's length; otherwise the length of the row holding offset.
  int LineLength(std::int64_t offset) const;
  // offset -1: the selection's top row, else the caret row; otherwise the
  // row holding offset (the last row holds everything after it).
  int LineFromChar(std::int64_t offset) const;
  // The pixel of offset in the view's coordinates.
  std::pair<int, int> PosFromChar(std::int64_t offset) const;
  // The offset at pixel (x, y) and its row; -1 outside the client area.
  std::int64_t CharFromPos(int x, int y, int* row = nullptr) const;
  // Row's bytes (empty for no row).
  std::string GetLine(int row) const;
  int FirstVisibleLine() const { return topRow_; }
  // Brings the caret into the window a third of it away from the edge.
  void ScrollCaretEm();
  std::string GetText() const { return text_->GetTextStr(); }
  std::int64_t GetTextLength() const { return text_->TextLength(); }
  // Replaces the whole text; refused (false) while ReadOnly.
  bool SetText(std::string_view s);
  bool GetModify() const { return modified_; }
  // Refused (false) while ReadOnly.
  bool SetModify(bool v);

  // ---- line commands (text_editor_queries.cpp) ----
  // 1-based numbers of the logical line of the selection's top row and of
  // the line before its bottom row; 0 without a stream selection.
  int SelFirstLine() const;
  int SelLastLine() const;
  // Prepends ">" to (removes a leading ">" from) every logical line from the
  // selection's top row's up to, not including, its bottom row's (one undo
  // step a line). False in box mode, where nothing happens.
  bool QuoteLines();
  bool UnquoteLines();
  TTextEditorTokenSource* TokenSource() const { return tokens_; }

  // Throws std::logic_error naming the first invariant of this header that
  // does not hold (caret, selection and scroll bounds; the text's own).
  // Reads the caret and selection rows: for tests and fuzzers.
  void CheckInvariants() const;

  // ---- row columns (display columns of the current rules) ----
  int RowWidth(int row) const;
  int ColToByte(int row, int col) const;
  int ByteToCol(int row, int byte) const;

 private:
  // RowWidth where it is at most kMaxCol + 2, else a value above that: all a
  // caret column (never past kMaxCol + 1) is ever compared with.
  int CaretRowWidth(int row) const;
  struct RowCols {
    std::string_view text;
    std::string codes;  // up to kMaxCol + 2 columns
    int width = 0;      // exact up to kMaxCol + 2, above it past that
    char At(int c) const { return c >= 0 && c < static_cast<int>(codes.size()) ? codes[c] : kColEnd; }
  };
  ColumnRules Rules() const { return text_->CurrentColumnRules(); }
  void CaretOptionsChanged();
  RowCols ColsOf(int row) const;
  int WrapByte() const;
  void Normalize(bool keep, int dir);
  void Refresh();
  void SetCol(int c, int dir);
  void NavigationKey(TEditorKey key, TShiftState shift, bool repeat);
  void VerticalKey(bool down, bool ctrl, bool repeat);
  void FireSelectionChange(bool selected);
  void Invalidate(int first, int last);
  bool InsideSelection(int row, int col) const;
  bool CanDragSelection() const;
  void RowSelectTo(int row);
  void MouseTo(const TMousePoint& p);
  void CancelDrag();
  TCursor AreaCursor(const TMousePoint& p, TShiftState shift) const;
  std::pair<int, int> OffsetToCaret(std::int64_t offset) const;
  std::int64_t CaretOffset(int row, int col) const;
  // Every token of text, as (offset, size, kind).
  struct Token {
    int offset, size;
    TTokenKind kind;
  };
  std::vector<Token> Tokens(TRowTokenizer& tokenizer, std::string_view text,
                            const TRowAttributeData& state) const;
  std::optional<Token> TokenAt(TRowTokenizer* tokenizer, int row, int col, int* lineFirstRow,
                               std::string* lineText) const;
  void LineBytesToCaret(int firstRow, int offset, int& row, int& col) const;
  // Editing helpers (text_editor_edit.cpp).
  void CaretToOffset(std::int64_t offset);
  std::string RowBreak(int row) const;
  void ReplaceInsertingAtCaret(std::string_view s, bool overwrite);
  int UnindentTarget() const;
  bool UnindentAtCaret();
  void IndentRows(bool indent);
  void IndentBox(bool indent);

  std::shared_ptr<TTextEditorScreenStrings> text_;
  TTextEditorStrings lines_;
  TTextEditorCaret caret_;
  TTextEditorSpeed speed_;
  TTextEditorHitStyle hitStyle_ = hsSelect;
  TTextEditorTokenSource* tokens_ = nullptr;
  TTextEditorClipboard* clipboard_ = nullptr;
  bool wantTabs_ = true;
  bool wantReturns_ = true;
  TTextEditorMetrics metrics_;
  bool readOnly_ = false, overWrite_ = false, focused_ = false, loading_ = false, modified_ = false;

  int row_ = 0, col_ = 0;
  int remembered_ = -1;  // RememberedCol; -1: none
  int topRow_ = 0, topCol_ = 0;
  int visibleRows_ = 1, visibleCols_ = 1;

  TSelectionMode selectionMode_ = smNormal;
  TSelectionState selState_ = sstNone;
  int anchorRow_ = 0, anchorByte_ = 0, anchorCol_ = 0;
  int selTop_ = 0, selBottom_ = 0, selStartCol_ = 0, selEndCol_ = 0, selStartByte_ = 0, selEndByte_ = 0;
  int hitLength_ = 0;
  bool hitCaret_ = false;  // the caret is drawn as the hit's block
  int hitCaretCols_ = 0;

  int caretUpdate_ = 0;
  bool refreshPending_ = false;
  bool keyRepeat_ = false;

  TDragState dragState_ = dsNone;
  bool buttonDown_ = false;
  bool rowSelecting_ = false;
  int rowSelectFirst_ = 0;
  int pressX_ = 0, pressY_ = 0;
  int lastX_ = 0, lastY_ = 0;
  TShiftState lastShift_ = 0;
  TCursor cursor_ = crIBeam;
};

// Holds the caret's updates for a scope: one refresh at the end.
struct TCaretUpdateCalls {
  static void Begin(TTextEditor& e) { e.CaretBeginUpdate(); }
  static void End(TTextEditor& e) { e.CaretEndUpdate(); }
};
using TCaretUpdate = TScopedUpdate<TTextEditor, TCaretUpdateCalls>;

}  // namespace tamber
