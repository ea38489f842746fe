// The editing operations of a view. Typing, pasting at the caret, Backspace
// and Delete of a character and Enter hand the text one edit value
// ({offset, removed length, inserted bytes}); the others build the new text of
// the rows they touch and hand it to ReplaceRows once. The caret then goes to
// a text offset computed before the edit (rows before the change keep their
// offsets, so the offset stays right however the edited lines refold).
#include <algorithm>

#include "view/text_editor.h"
#include "encoding/dbcs.h"
#include "encoding/file_code.h"

namespace tamber {

namespace {

bool IsBlankAt(std::string_view s, std::size_t i) {
  return i < s.size() && (s[i] == ' ' || s[i] == '\t' ||
                          (s[i] == '\x81' && i + 1 < s.size() && s[i + 1] == '\x40'));
}

// End of the run of spaces, tabs and full-width spaces starting at byte i.
// Only these count: a control byte after the run (a form feed, the ESC of
// raw JIS text) is text and stays.
std::size_t BlankRunEnd(std::string_view s, std::size_t i) {
  while (IsBlankAt(s, i)) i += s[i] == '\x81' ? 2 : 1;
  return i;
}

// Start of the character that ends at byte b (b > 0).
std::size_t CharStartBefore(std::string_view s, std::size_t b) {
  std::size_t i = 0, prev = 0;
  while (i < b) {
    prev = i;
    i += CharLength(s, i);
  }
  return prev;
}

// The byte where the character shown in display column col starts, and that
// character's first column (a double-byte character or a tab may start left
// of col); (size, width) past the end.
std::pair<std::size_t, std::size_t> CharAtColumn(std::string_view s, std::size_t col, const ColumnRules& rules) {
  std::size_t b = ColumnToByte(s, col, rules);
  if (b < s.size() && b > 0 && IsDBCS2(s, static_cast<std::ptrdiff_t>(b) + 1)) --b;
  return {b, ByteToColumn(s, b, rules)};
}

std::vector<std::string> SplitLines(std::string_view s) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\r' && s[i] != '\n') continue;
    lines.emplace_back(s.substr(start, i - start));
    if (s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < s.size()) lines.emplace_back(s.substr(start));
  return lines;
}

}  // namespace

// ---- helpers ----

void TTextEditor::CaretToOffset(std::int64_t offset) {
  const auto [r, b] = text_->OffsetToRowCol(offset);
  SetCaretByteColumn(r, b);
}

std::string TTextEditor::RowBreak(int row) const {
  return row >= 0 && row < text_->Count() && text_->RowAttribute(row) == raBreak ? "\r\n" : "";
}

// ---- typing ----

void TTextEditor::InsertText(std::string_view s) {
  if (s.empty() || readOnly_) return;
  ReplaceInsertingAtCaret(s, overWrite_);
}

void TTextEditor::SetSelTextBuf(std::string_view s) {
  if (readOnly_) return;
  if (s.empty()) {
    if (Selected()) DeleteSelection();
    else CleanSelection();
    return;
  }
  ReplaceInsertingAtCaret(NormalizeBreaks(s), false);
}

// Typing and pasting: the selection's rows without the selected part and with
// s at its start, or the caret row with s inserted (or overwriting) at the
// caret, padded with spaces when the caret stands past its end.
void TTextEditor::ReplaceInsertingAtCaret(std::string_view s, bool overwrite) {
  const TCaretUpdate hold(*this);
  const auto rules = Rules();
  std::string text;
  int from = 0, rows = 0;
  std::int64_t caret = 0;
  // A selection wholly on the position after a final break holds nothing.
  if (Selected() && selTop_ >= text_->Count()) CleanSelection();
  if (Selected()) {
    from = selTop_;
    const int last = std::min(selBottom_, text_->Count() - 1);
    if (selectionMode_ == smBox) {
      for (int r = from; r <= last; ++r) {
        const std::string_view t = text_->RowView(r);
        const auto [b0, b1] = BoxRowBytes(r);
        text.append(t.substr(0, b0));
        if (r == from) {
          caret = text_->RowByteToOffset(from, b0) + static_cast<std::int64_t>(s.size());
          text += s;
        }
        text.append(t.substr(b1));
        text += RowBreak(r);
      }
    } else {
      const std::string_view top = text_->RowView(from);
      text.append(top.substr(0, std::min<std::size_t>(selStartByte_, top.size())));
      text += s;
      caret = text_->RowByteToOffset(from, 0) + static_cast<std::int64_t>(text.size());
      // A selection that ends on the position after a final break takes it along.
      if (selBottom_ <= last) {
        const std::string_view bottom = text_->RowView(last);
        text.append(bottom.substr(std::min<std::size_t>(selEndByte_, bottom.size())));
        text += RowBreak(last);
      }
    }
    rows = last - from + 1;
  } else {
    from = row_;
    const std::string_view row = row_ < text_->Count() ? text_->RowView(row_) : std::string_view();
    // Capped: the width matters only where the caret stands past the row's end.
    const int width = static_cast<int>(DisplayWidthUpTo(row, kMaxCol + 2, rules));
    const int b = ColToByte(row_, col_);
    rows = row_ < text_->Count() ? 1 : 0;
    int last = row_;
    if (b >= static_cast<int>(row.size()) && rows == 1) {
      // Past the row's end: the padding up to the caret and s, put in at the end.
      std::string put(static_cast<std::size_t>(std::max(col_ - width, 0)), ' ');
      put += s;
      const std::int64_t at = text_->RowByteToOffset(row_, static_cast<int>(row.size()));
      CleanSelection();
      text_->Splice({at, 0, put});
      CaretToOffset(at + static_cast<std::int64_t>(put.size()));
      return;
    } else if (b >= static_cast<int>(row.size())) {
      text.append(row);
      text.append(static_cast<std::size_t>(std::max(col_ - width, 0)), ' ');
      text += s;
      caret = text_->RowByteToOffset(row_, 0) + static_cast<std::int64_t>(text.size());
    } else if (overwrite) {
      // s takes the columns col_ .. col_ + |s| - 1, running on over folded rows.
      text.append(row.substr(0, b));
      text += s;
      caret = text_->RowByteToOffset(row_, 0) + static_cast<std::int64_t>(text.size());
      int end = col_ + static_cast<int>(s.size());
      std::string_view endRow = row;
      int endWidth = width;
      while (end > endWidth && text_->RowAttributeAt(last) == raFolded && last + 1 < text_->Count()) {
        end -= endWidth;
        ++last;
        endRow = text_->RowView(last);
        endWidth = static_cast<int>(DisplayWidth(endRow, rules));
      }
      if (end < endWidth) {
        const auto [eb, ebCol] = CharAtColumn(endRow, static_cast<std::size_t>(end), rules);
        // The trail half of a character whose lead byte was overwritten becomes a space.
        const bool halfOfDouble = ebCol < static_cast<std::size_t>(end) && endRow[eb] != '\t';
        if (halfOfDouble) text += ' ';
        text.append(endRow.substr(halfOfDouble ? eb + 2 : eb));
      }
      rows = last - row_ + 1;
    } else {
      // Typing or pasting at the caret: the edit is the bytes put in.
      const std::int64_t at = text_->RowByteToOffset(row_, b);
      CleanSelection();
      text_->Splice({at, 0, std::string(s)});
      CaretToOffset(at + static_cast<std::int64_t>(s.size()));
      return;
    }
    text += RowBreak(last);
  }
  CleanSelection();
  text_->ReplaceRows(from, rows, text);
  CaretToOffset(caret);
}

// ---- deleting ----

void TTextEditor::DeleteSelection() {
  if (readOnly_ || !Selected()) return;
  const TCaretUpdate hold(*this);
  const int top = selTop_;
  const int last = std::min(selBottom_, text_->Count() - 1);
  if (top > last) {
    // The selection lies wholly on the empty position after a final break:
    // there is nothing to delete.
    CleanSelection();
    return;
  }
  std::string text;
  if (selectionMode_ == smBox) {
    const int startCol = selStartCol_;
    for (int r = top; r <= last; ++r) {
      const std::string_view t = text_->RowView(r);
      const auto [b0, b1] = BoxRowBytes(r);
      text.append(t.substr(0, b0));
      text.append(t.substr(b1));
      text += RowBreak(r);
    }
    CleanSelection();
    text_->ReplaceRows(top, last - top + 1, text);
    SetRowCol(top, startCol);
  } else {
    const std::int64_t start = text_->RowByteToOffset(top, selStartByte_);
    const std::string_view topRow = text_->RowView(top);
    text.append(topRow.substr(0, std::min<std::size_t>(selStartByte_, topRow.size())));
    // Ending on the position after a final break, the selection takes the
    // break along: select all and delete leaves an empty text.
    if (selBottom_ <= last) {
      const std::string_view bottom = text_->RowView(last);
      text.append(bottom.substr(std::min<std::size_t>(selEndByte_, bottom.size())));
      text += RowBreak(last);
    }
    CleanSelection();
    text_->ReplaceRows(top, last - top + 1, text);
    CaretToOffset(start);
  }
}

void TTextEditor::Backspace() {
  if (readOnly_) return;
  if (Selected()) {
    DeleteSelection();
    return;
  }
  if (text_->Count() == 0) return;
  CleanSelection();
  const TCaretUpdate hold(*this);
  const auto rules = Rules();
  const int count = text_->Count();
  const std::string_view row = row_ < count ? text_->RowView(row_) : std::string_view();
  const int width = static_cast<int>(DisplayWidthUpTo(row, kMaxCol + 2, rules));
  if (col_ == 0) {
    // Join with the row above: a fold loses the character before it, a line
    // break goes.
    if (row_ > 0) {
      const int above = row_ - 1;
      const std::string_view prev = text_->RowView(above);
      std::size_t keep = prev.size();
      if (text_->RowAttribute(above) == raFolded && !prev.empty()) keep = CharStartBefore(prev, prev.size());
      std::string text(prev.substr(0, keep));
      const std::int64_t caret = text_->RowByteToOffset(above, 0) + static_cast<std::int64_t>(keep);
      int rows = 1;
      if (row_ < count) {
        text.append(row);
        text += RowBreak(row_);
        rows = 2;
      }
      text_->ReplaceRows(above, rows, text);
      CaretToOffset(caret);
    }
  } else if (!(caret_.BackSpaceUnIndent() && UnindentAtCaret())) {
    if (col_ > width) {
      SetCol(col_ - 1, -1);
    } else {
      // The character before the caret; inside a tab's padding, the tab.
      const std::size_t b = static_cast<std::size_t>(ColToByte(row_, col_));
      const bool inTab = b < row.size() && row[b] == '\t' && ByteToColumn(row, b, rules) < static_cast<std::size_t>(col_);
      const std::size_t start = inTab ? b : CharStartBefore(row, b);
      const std::size_t end = inTab ? b + 1 : b;
      const std::int64_t at = text_->RowByteToOffset(row_, static_cast<int>(start));
      text_->Splice({at, static_cast<std::int64_t>(end - start), {}});
      CaretToOffset(at);
    }
  }
}

// The column Backspace un-indents to: the indent of the nearest row above
// that is shallower than the caret (0 when there is none).
int TTextEditor::UnindentTarget() const {
  const auto rules = Rules();
  const int lineFirst = text_->LineFirstRow(std::min(row_, text_->Count()));
  for (int r = std::min(row_, text_->Count()) - 1; r >= 0; --r) {
    const int indent = IndentWidth(text_->RowView(r), rules);
    if (r > lineFirst ? indent > 0 && indent < col_ : std::max(indent, 0) < col_) return std::max(indent, 0);
  }
  return 0;
}

bool TTextEditor::UnindentAtCaret() {
  const auto rules = Rules();
  const std::string_view row = row_ < text_->Count() ? text_->RowView(row_) : std::string_view();
  const std::size_t run = BlankRunEnd(row, 0);
  const bool blank = run == row.size();
  if (!blank && col_ != IndentWidth(row, rules)) return false;
  const int target = UnindentTarget();
  const int width = static_cast<int>(DisplayWidth(row, rules));
  if (target >= width) {
    SetCol(target, -1);
    return true;
  }
  // Blanks from the target column to the caret go; a tab or full-width space
  // across the target leaves the spaces that keep the target column, and the
  // rest of a tab after the caret becomes spaces.
  const auto [cut, cutCol] = CharAtColumn(row, static_cast<std::size_t>(target), rules);
  std::string text(row.substr(0, cut));
  text.append(static_cast<std::size_t>(target) - cutCol, ' ');
  const std::int64_t caret = text_->RowByteToOffset(row_, 0) + static_cast<std::int64_t>(text.size());
  std::size_t after = std::min<std::size_t>(static_cast<std::size_t>(ColToByte(row_, col_)), row.size());
  if (after < row.size()) {
    const std::size_t startCol = ByteToColumn(row, after, rules);
    if (startCol < static_cast<std::size_t>(col_)) {  // the caret is inside this character's columns
      const std::size_t endCol = ByteToColumn(row, after + CharLength(row, after), rules);
      text.append(endCol - static_cast<std::size_t>(col_), ' ');
      after += CharLength(row, after);
    }
  }
  text.append(row.substr(after));
  text += RowBreak(row_);
  text_->ReplaceRows(row_, 1, text);
  CaretToOffset(caret);
  return true;
}

void TTextEditor::Delete() {
  if (readOnly_) return;
  if (Selected()) {
    DeleteSelection();
    return;
  }
  CleanSelection();
  if (row_ >= text_->Count()) return;
  const TCaretUpdate hold(*this);
  const auto rules = Rules();
  const std::string_view row = text_->RowView(row_);
  const std::size_t b = static_cast<std::size_t>(ColToByte(row_, col_));
  std::string text;
  int rows = 1;
  std::int64_t caret = text_->RowByteToOffset(row_, static_cast<int>(b));
  if (b < row.size()) {
    text_->Splice({caret, static_cast<std::int64_t>(CharLength(row, b)), {}});
    CaretToOffset(caret);
    return;
  } else {
    if (text_->RowAttribute(row_) == raLast) {
      return;
    }
    // Past the end the row is padded to the caret, then joined with the next.
    text.append(row);
    text.append(static_cast<std::size_t>(std::max(col_ - static_cast<int>(DisplayWidth(row, rules)), 0)), ' ');
    caret = text_->RowByteToOffset(row_, 0) + static_cast<std::int64_t>(text.size());
    if (row_ + 1 < text_->Count()) {
      text.append(text_->RowView(row_ + 1));
      text += RowBreak(row_ + 1);
      rows = 2;
    }
  }
  text_->ReplaceRows(row_, rows, text);
  CaretToOffset(caret);
}

// ---- new lines and tabs ----

void TTextEditor::Enter(bool shift) {
  if (readOnly_) return;
  if (Selected()) {
    if (shift) return;
    DeleteSelection();
  }
  CleanSelection();
  const TCaretUpdate hold(*this);
  const auto rules = Rules();
  const int count = text_->Count();
  if (row_ >= count) {
    text_->ReplaceRows(count, 0, "\r\n");
    SetRowCol(row_ + 1, 0);
  } else if (overWrite_) {
    SetRowCol(row_ + 1, 0);
  } else {
    const int lineFirst = text_->LineFirstRow(row_);
    int indent = 0;
    if (caret_.AutoIndent()) {
      const int i = IndentWidth(text_->RowView(lineFirst), rules);
      if (i >= 1) {
        indent = row_ == lineFirst && col_ < i ? col_ : i;
      } else if (caret_.PrevSpaceIndent() && row_ == lineFirst && i == -1) {
        for (int r = lineFirst - 1; r >= 0; r = text_->LineFirstRow(r) - 1) {
          const int w = IndentWidth(text_->RowView(text_->LineFirstRow(r)), rules);
          if (w != -1) {
            indent = std::max(w, 0);
            break;
          }
        }
      }
    }
    std::string pad;
    if (caret_.TabIndent()) {
      pad.assign(static_cast<std::size_t>(indent / caret_.TabSpaceCount()), '\t');
      pad.append(static_cast<std::size_t>(indent % caret_.TabSpaceCount()), ' ');
    } else {
      pad.assign(static_cast<std::size_t>(indent), ' ');
    }
    if (shift) {
      const std::int64_t caret = text_->RowByteToOffset(lineFirst, 0) + static_cast<std::int64_t>(pad.size());
      text_->ReplaceRows(lineFirst, 0, pad + "\r\n");
      CaretToOffset(caret);
    } else {
      const std::size_t b = static_cast<std::size_t>(ColToByte(row_, col_));
      const std::int64_t at = text_->RowByteToOffset(row_, static_cast<int>(b));
      text_->Splice({at, 0, "\r\n" + pad});
      CaretToOffset(at + 2 + static_cast<std::int64_t>(pad.size()));
    }
  }
}

void TTextEditor::Tab(TShiftState shift) {
  if ((shift & (ssShift | ssCtrl)) || readOnly_ || !wantTabs_) return;
  const int ts = caret_.TabSpaceCount();
  int n = ts - col_ % ts;
  if (text_->WordWrap()) n = std::min(n, WrapByte() - col_ % WrapByte());
  if (overWrite_) SetCol(col_ + n, 1);
  else if (caret_.SoftTab()) InsertText(std::string(static_cast<std::size_t>(n), ' '));
  else InsertText("\t");
}

// ---- whole text, rows ----

void TTextEditor::SelectAll() {
  const TCaretUpdate hold(*this);
  SetSelStart(0);
  SetSelLength(text_->TextLength());
}

void TTextEditor::DeleteRow(int row) {
  if (readOnly_ || row < 0 || row >= text_->Count()) return;
  CleanSelection();
  const TCaretUpdate hold(*this);
  text_->ReplaceRows(row, 1, "");
  if (row > 0 && text_->RowAttributeAt(row - 1) == raLast && row - 1 == text_->Count() - 1)
    SetRowCol(row - 1, RowWidth(row - 1));
  else
    SetRowCol(row, 0);
}

// ---- indent ----

void TTextEditor::IndentSelection() {
  if (readOnly_ || !Selected()) return;
  if (selectionMode_ == smBox) IndentBox(true);
  else IndentRows(true);
}

void TTextEditor::UnindentSelection() {
  if (readOnly_ || !Selected()) return;
  if (selectionMode_ == smBox) IndentBox(false);
  else IndentRows(false);
}

// One column more or less on each qualifying row of a stream selection. The
// anchor and the caret stay on their characters, never left of the new indent.
void TTextEditor::IndentRows(bool indent) {
  const auto rules = Rules();
  const int top = selTop_;
  int bottom = std::min(selBottom_, text_->Count() - 1);
  if (selBottom_ > selTop_ && selEndByte_ == 0) bottom = std::min(bottom, selBottom_ - 1);
  if (bottom < top) return;
  const bool wrap = text_->WordWrap();
  std::string text;
  // Per row: old run end, new indent bytes (equal when the row is left alone).
  std::vector<std::pair<int, int>> moved;
  bool any = false;
  for (int r = top; r <= bottom; ++r) {
    const std::string_view t = text_->RowView(r);
    const int w = IndentWidth(t, rules);
    const std::size_t run = BlankRunEnd(t, 0);
    bool ok = !t.empty();
    if (ok && wrap) {
      ok = text_->RowAttribute(r) != raFolded && text_->RowAttributeAt(r - 1) != raFolded;
      if (indent) ok = ok && static_cast<int>(DisplayWidth(t, rules)) + 1 <= WrapByte();
    }
    if (ok && !indent) ok = run > 0;
    if (ok) {
      const int n = indent ? w + 1 : w - 1;
      text.append(static_cast<std::size_t>(n), ' ');
      text.append(t.substr(run));
      moved.emplace_back(static_cast<int>(run), n);
      any = true;
    } else {
      text.append(t);
      moved.emplace_back(0, 0);
    }
    text += RowBreak(r);
  }
  if (!any) return;
  auto shifted = [&](int r, int byte) {
    if (r < top || r > bottom) return byte;
    const auto [run, n] = moved[static_cast<std::size_t>(r - top)];
    if (run == 0 && n == 0) return byte;
    return byte <= run ? n : byte - run + n;
  };
  const int anchorRow = anchorRow_, caretRow = row_;
  const int anchorByte = shifted(anchorRow_, anchorByte_);
  const int caretByte = shifted(row_, ColToByte(row_, col_));
  const TCaretUpdate hold(*this);
  text_->ReplaceRows(top, bottom - top + 1, text);
  // Put the selection back on the same characters.
  anchorByte_ = anchorByte;
  anchorCol_ = ByteToCol(anchorRow, anchorByte);
  SetRowCol(caretRow, caretRow < text_->Count() ? ByteToCol(caretRow, caretByte) : col_);
  selState_ = sstSelected;
  UpdateSelection();
  if (SelLength() == 0) CleanSelection();
}

// One column more or less of blanks at the box's left column on each row.
void TTextEditor::IndentBox(bool indent) {
  const auto rules = Rules();
  const int top = selTop_;
  const int bottom = std::min(selBottom_, text_->Count() - 1);
  if (bottom < top) return;
  std::string text;
  bool any = false;
  for (int r = top; r <= bottom; ++r) {
    const std::string_view t = text_->RowView(r);
    const std::size_t width = DisplayWidth(t, rules);
    std::size_t col = static_cast<std::size_t>(selStartCol_);
    bool changed = false;
    if (col < width) {
      // Back onto a tab or full-width space that lies across the column;
      // past any other character that does.
      auto [from, startCol] = CharAtColumn(t, col, rules);
      if (startCol < col && !IsBlankAt(t, from)) {
        from += CharLength(t, from);
        startCol = ByteToColumn(t, from, rules);
      }
      const std::size_t end = BlankRunEnd(t, from);
      const std::size_t runCols = ByteToColumn(t, end, rules) - startCol;
      if (indent || runCols > 0) {
        text.append(t.substr(0, from));
        text.append(indent ? runCols + 1 : runCols - 1, ' ');
        text.append(t.substr(end));
        changed = any = true;
      }
    }
    if (!changed) text.append(t);
    text += RowBreak(r);
  }
  if (!any) return;
  const TCaretUpdate hold(*this);
  text_->ReplaceRows(top, bottom - top + 1, text);
  // The caret keeps its column; the characters under it moved, so it steps
  // off any trail byte or tab padding now there.
  SetRowCol(row_, col_);
  UpdateSelection();
}

// ---- dragging ----

void TTextEditor::MoveSelection(int row, int col) {
  if (!CanDragSelection() || InsideSelection(row, col)) {
    CleanSelection();
    return;
  }
  const TCaretUpdate hold(*this);
  const auto rules = Rules();
  const int count = text_->Count();
  row = std::clamp(row, 0, text_->MaxCaretRow());
  const int lo = std::min(selTop_, row);
  const int hi = std::min(std::max(selBottom_, row), count - 1);
  const std::int64_t base = text_->RowByteToOffset(lo, 0);
  std::string text = text_->JoinRows(lo, hi - lo + 1).Text;
  const std::size_t s = static_cast<std::size_t>(text_->RowByteToOffset(selTop_, selStartByte_) - base);
  const std::size_t e = static_cast<std::size_t>(text_->RowByteToOffset(selBottom_, selEndByte_) - base);
  std::string moved = text.substr(s, e - s);
  std::size_t d = static_cast<std::size_t>(text_->RowByteToOffset(row, ColToByte(row, col)) - base);
  if (d > s && d < e) {  // a drop among the moved bytes moves nothing
    CleanSelection();
    return;
  }
  // Dropped past a row's end: the row is padded up to the drop column.
  if (row < count) {
    const int width = static_cast<int>(DisplayWidth(text_->RowView(row), rules));
    if (col > width) moved.insert(0, static_cast<std::size_t>(col - width), ' ');
  }
  text.erase(s, e - s);
  if (d >= e) d -= e - s;
  text.insert(d, moved);
  CleanSelection();
  text_->ReplaceRows(lo, hi - lo + 1, text);
  CaretToOffset(base + static_cast<std::int64_t>(d + moved.size()));
}

void TTextEditor::CopySelection(int row, int col) {
  if (!CanDragSelection() || InsideSelection(row, col)) {
    CleanSelection();
    return;
  }
  const std::string s = SelText();
  const TCaretUpdate hold(*this);
  CleanSelection();
  SetRowCol(row, col);
  SetSelTextBuf(s);
}

// ---- box paste and the clipboard ----

void TTextEditor::BoxPaste(std::string_view s) {
  if (readOnly_) return;
  if (Selected()) {
    const int col = selStartCol_;
    DeleteSelection();
    SetCol(col, -1);
  }
  if (s.empty()) return;
  const std::vector<std::string> lines = SplitLines(s);
  if (lines.empty()) return;
  const TCaretUpdate hold(*this);
  CleanSelection();
  const auto rules = Rules();
  const int count = text_->Count();
  const int begin = std::min(row_, count);
  const std::size_t col = static_cast<std::size_t>(col_);
  std::string text;
  std::size_t caretAt = 0;
  int rows = 0;
  for (std::size_t j = 0; j < lines.size(); ++j) {
    const int r = begin + static_cast<int>(j);
    if (r < count) {
      const std::string_view t = text_->RowView(r);
      const std::size_t width = DisplayWidth(t, rules);
      if (width <= col) {
        text.append(t);
        text.append(col - width, ' ');
        text += lines[j];
        caretAt = text.size();
      } else {
        // At the first character that starts at or after the column.
        auto [b, startCol] = CharAtColumn(t, col, rules);
        if (startCol < col) b += CharLength(t, b);
        text.append(t.substr(0, b));
        text += lines[j];
        caretAt = text.size();
        text.append(t.substr(b));
      }
      // Folded rows stay folded (a wrapped paragraph never gets hard
      // breaks); every other target row ends with a break.
      if (text_->RowAttribute(r) != raFolded) text += "\r\n";
      ++rows;
    } else {
      text.append(col, ' ');
      text += lines[j];
      caretAt = text.size();
      text += "\r\n";
    }
  }
  // A text that ended without a break still does when the box reaches its end.
  const bool endsWithoutBreak = count == 0 || text_->RowAttribute(count - 1) != raBreak;
  if (endsWithoutBreak && begin + rows == count && text.size() >= 2 &&
      text.compare(text.size() - 2, 2, "\r\n") == 0)
    text.resize(text.size() - 2);
  const std::int64_t base = text_->RowByteToOffset(begin, 0);
  text_->ReplaceRows(begin, rows, text);
  CaretToOffset(base + static_cast<std::int64_t>(caretAt));
}

void TTextEditor::CopyToClipboard() {
  if (!clipboard_ || !Selected()) return;
  clipboard_->SetText(SelText(), selectionMode_ == smBox);
}

void TTextEditor::CutToClipboard() {
  CopyToClipboard();
  DeleteSelection();
}

void TTextEditor::PasteFromClipboard() {
  if (readOnly_ || !clipboard_) return;
  const std::optional<std::string> s = clipboard_->Text();
  if (!s) return;
  if (clipboard_->HasBoxText()) BoxPaste(*s);
  else SetSelTextBuf(*s);
}

}  // namespace tamber
