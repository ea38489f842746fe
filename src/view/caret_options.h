// The option objects of an editor view: TTextEditorCaret (how the caret moves
// and what the mouse does), its TTextEditorCursors (the cursor shown over
// each area), TTextEditorSpeed (acceleration of repeated keys) and the way a
// search hit is shown (TTextEditorHitStyle).
//
// TTextEditorCaret notifies: every setter clamps its value and reports a
// change only when the value really changes; changes between BeginUpdate and
// the matching EndUpdate are reported once, at the end, if any happened.
// TTextEditorCursors reports through the caret that owns it.
// TTextEditorSpeed is plain data.
#pragma once

#include <cstdint>

#include "base/notify.h"

namespace tamber {

// Cursor identifiers: the platform's stock cursors and the two the program
// registers at start-up.
using TCursor = int;
inline constexpr TCursor crDefault = 0;
inline constexpr TCursor crArrow = -2;
inline constexpr TCursor crIBeam = -4;
inline constexpr TCursor crDrag = -12;
inline constexpr TCursor crHandPoint = -21;
inline constexpr TCursor crRightArrow = 1958;   // the left margin's arrow pointing right
inline constexpr TCursor crDragSelCopy = 1959;  // dragging a selection to copy it

enum TCaretStyle { csDefault, csBrief };
enum TSelDragMode { dmAutomatic, dmManual };
enum TTextEditorHitStyle { hsSelect, hsDraw, hsCaret };

class TTextEditorCaret;

class TTextEditorCursors {
 public:
  explicit TTextEditorCursors(TTextEditorCaret* owner) : owner_(owner) {}
  TTextEditorCursors(const TTextEditorCursors&) = delete;
  TTextEditorCursors& operator=(const TTextEditorCursors&) = delete;

  TCursor DefaultCursor() const { return default_; }
  void SetDefaultCursor(TCursor v) { Set(default_, v); }
  TCursor DragSelCursor() const { return dragSel_; }
  void SetDragSelCursor(TCursor v) { Set(dragSel_, v); }
  TCursor DragSelCopyCursor() const { return dragSelCopy_; }
  void SetDragSelCopyCursor(TCursor v) { Set(dragSelCopy_, v); }
  TCursor InSelCursor() const { return inSel_; }
  void SetInSelCursor(TCursor v) { Set(inSel_, v); }
  TCursor LeftMarginCursor() const { return leftMargin_; }
  void SetLeftMarginCursor(TCursor v) { Set(leftMargin_, v); }
  TCursor TopMarginCursor() const { return topMargin_; }
  void SetTopMarginCursor(TCursor v) { Set(topMargin_, v); }

  // Copies every cursor; the owner reports once.
  void Assign(const TTextEditorCursors& source);
  bool operator==(const TTextEditorCursors& o) const;

 private:
  void Set(TCursor& field, TCursor v);

  TTextEditorCaret* owner_;
  TCursor default_ = crIBeam;
  TCursor dragSel_ = crDrag;
  TCursor dragSelCopy_ = crDragSelCopy;
  TCursor inSel_ = crArrow;
  TCursor leftMargin_ = crRightArrow;
  TCursor topMargin_ = crArrow;
};

class TTextEditorCaret : public TNotifyOption {
 public:
  TTextEditorCaret() = default;
  TTextEditorCaret(const TTextEditorCaret&) = delete;
  TTextEditorCaret& operator=(const TTextEditorCaret&) = delete;

  // The mouse cursor follows the area under it.
  bool AutoCursor() const { return autoCursor_; }
  void SetAutoCursor(bool v) { Set(autoCursor_, v); }
  bool AutoIndent() const { return autoIndent_; }
  void SetAutoIndent(bool v) { Set(autoIndent_, v); }
  bool BackSpaceUnIndent() const { return backSpaceUnIndent_; }
  void SetBackSpaceUnIndent(bool v) { Set(backSpaceUnIndent_, v); }
  TTextEditorCursors& Cursors() { return cursors_; }
  const TTextEditorCursors& Cursors() const { return cursors_; }
  // The caret may stand past the end of a row.
  bool FreeCaret() const { return freeCaret_; }
  void SetFreeCaret(bool v) { Set(freeCaret_, v); }
  // Without FreeCaret, vertical moves by key still keep the column past the row end.
  bool FreeRow() const { return freeRow_; }
  void SetFreeRow(bool v) { Set(freeRow_, v); }
  // The caret may stand inside a tab's padding columns.
  bool InTab() const { return inTab_; }
  void SetInTab(bool v) { Set(inTab_, v); }
  // Remember the column a vertical move had to shorten and return to it.
  bool KeepCaret() const { return keepCaret_; }
  void SetKeepCaret(bool v) { Set(keepCaret_, v); }
  // Scrolling with the vertical scroll bar carries the caret row along.
  bool LockScroll() const { return lockScroll_; }
  void SetLockScroll(bool v) { Set(lockScroll_, v); }
  // Left and Right cross line breaks too (folds are always crossed).
  bool NextLine() const { return nextLine_; }
  void SetNextLine(bool v) { Set(nextLine_, v); }
  bool PrevSpaceIndent() const { return prevSpaceIndent_; }
  void SetPrevSpaceIndent(bool v) { Set(prevSpaceIndent_, v); }
  // Pressing in the left margin selects whole rows.
  bool RowSelect() const { return rowSelect_; }
  void SetRowSelect(bool v) { Set(rowSelect_, v); }
  TSelDragMode SelDragMode() const { return selDragMode_; }
  void SetSelDragMode(TSelDragMode v) { Set(selDragMode_, v); }
  // A selection may be dragged to move or copy it.
  bool SelMove() const { return selMove_; }
  void SetSelMove(bool v) { Set(selMove_, v); }
  // Tab inserts the spaces up to the next stop instead of a tab byte.
  bool SoftTab() const { return softTab_; }
  void SetSoftTab(bool v) { Set(softTab_, v); }
  TCaretStyle Style() const { return style_; }
  void SetStyle(TCaretStyle v) { Set(style_, v); }
  bool TabIndent() const { return tabIndent_; }
  void SetTabIndent(bool v) { Set(tabIndent_, v); }
  // 2..8, odd values rounded down.
  int TabSpaceCount() const { return tabSpaceCount_; }
  void SetTabSpaceCount(int v);
  // Word moves stop at token ends as well as token starts.
  bool TokenEndStop() const { return tokenEndStop_; }
  void SetTokenEndStop(bool v) { Set(tokenEndStop_, v); }

  // Copies every property and the cursors; reports once if anything changed.
  void Assign(const TTextEditorCaret& source);
  bool operator==(const TTextEditorCaret& o) const;

 private:
  template <class T>
  void Set(T& field, T v) {
    if (field == v) return;
    field = v;
    Changed();
  }

  bool autoCursor_ = true;
  bool autoIndent_ = true;
  bool backSpaceUnIndent_ = true;
  TTextEditorCursors cursors_{this};
  bool freeCaret_ = true;
  bool freeRow_ = false;
  bool inTab_ = false;
  bool keepCaret_ = false;
  bool lockScroll_ = false;
  bool nextLine_ = false;
  bool prevSpaceIndent_ = false;
  bool rowSelect_ = true;
  TSelDragMode selDragMode_ = dmAutomatic;
  bool selMove_ = true;
  bool softTab_ = false;
  TCaretStyle style_ = csDefault;
  bool tabIndent_ = false;
  int tabSpaceCount_ = 8;
  bool tokenEndStop_ = false;
};

// Acceleration of repeated keys (values are bytes).
struct TTextEditorSpeed {
  std::uint8_t CaretVerticalAc = 2;      // rows per step of a repeating Up/Down at the window edge
  std::uint8_t PageVerticalRange = 2;    // half-windows per PageUp/PageDown
  std::uint8_t PageVerticalRangeAc = 2;  // the same while the key repeats
  bool InitBracketsFull = false;         // parse every row when the fountain changes
  bool operator==(const TTextEditorSpeed&) const = default;
};

}  // namespace tamber
