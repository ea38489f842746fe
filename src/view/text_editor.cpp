#include "view/text_editor.h"

#include <algorithm>
#include <stdexcept>

namespace tamber {

TTextEditor::TTextEditor()
    : text_(std::make_shared<TTextEditorScreenStrings>()), lines_(text_.get(), this) {
  text_->AttachView(this);
  caret_.SetOnChange([this](TObject&) { CaretOptionsChanged(); });
}

TTextEditor::~TTextEditor() {
  loading_ = true;
  text_->DetachView(this);
}

void TTextEditor::AttachText(TTextEditor& other) {
  if (other.text_ == text_) return;
  CleanSelection();
  text_->DetachView(this);
  text_ = other.text_;  // the old text goes with its last view
  text_->AttachView(this);
  lines_.SetText(text_.get());
  topRow_ = std::min(topRow_, text_->Count());
  SetRowCol(row_, col_);
  Relayout();
}

// ---- options and layout ----

void TTextEditor::SetHitStyle(TTextEditorHitStyle v) {
  if (v == hitStyle_) return;
  CleanSelection();
  hitStyle_ = v;
}

void TTextEditor::SetVisibleSize(int rows, int cols) {
  visibleRows_ = std::max(rows, 1);
  visibleCols_ = std::max(cols, 1);
  SetTopCol(topCol_);
}

void TTextEditor::SetFocused(bool focused) {
  focused_ = focused;
  // Losing the focus ends what the mouse was doing.
  if (!focused) {
    buttonDown_ = false;
    if (dragState_ != dsNone) CancelDrag();
  }
}

// ---- row columns ----

void TTextEditor::CaretOptionsChanged() {
  // Recorded carets are columns measured with the old options.
  text_->ClearUndo();
  // The text measures tabs with the caret's width; with word wrap on the
  // rows fold anew.
  if (text_->TabSpaceCount() != caret_.TabSpaceCount()) {
    text_->SetTabSpaceCount(caret_.TabSpaceCount());
    if (text_->WordWrap()) text_->WrapAll();
  }
  Normalize(false, -1);
  Invalidate(topRow_, topRow_ + visibleRows_);
}

void TTextEditor::SetDelimiters(const TDelimiters& d) {
  if (d == text_->Delimiters()) return;
  text_->SetDelimiters(d);
  if (text_->WordWrap() && text_->WrapOption().WordBreak()) text_->WrapAll();
}

int TTextEditor::WrapByte() const { return text_->WrapOption().WrapByte(); }

TTextEditor::RowCols TTextEditor::ColsOf(int row) const {
  RowCols rc;
  if (row < 0 || row >= text_->Count()) return rc;
  rc.text = text_->RowView(row);
  const auto rules = Rules();
  ColumnAttributesInto(rc.text, rules, kMaxCol + 2, rc.codes);
  rc.width = static_cast<int>(DisplayWidthUpTo(rc.text, kMaxCol + 2, rules));
  return rc;
}

int TTextEditor::RowWidth(int row) const {
  if (row < 0 || row >= text_->Count()) return 0;
  return static_cast<int>(DisplayWidth(text_->RowView(row), Rules()));
}

void TTextEditor::CheckInvariants() const {
  const auto require = [](bool ok, const char* what) {
    if (!ok) throw std::logic_error(std::string("view invariant broken: ") + what);
  };
  text_->CheckInvariants();
  require(caretUpdate_ == 0, "a caret update left open");
  require(row_ >= 0 && row_ <= text_->MaxCaretRow(), "caret row outside the rows");
  const RowCols rc = ColsOf(row_);
  require(col_ >= 0 && (col_ <= kMaxCol || (col_ == kMaxCol + 1 && rc.At(kMaxCol) == kColLead)),
          "caret column outside 0..kMaxCol");
  require(rc.At(col_) != kColTrail, "caret on a trail byte");
  require(caret_.InTab() || rc.At(col_) != kColTabPad, "caret in a tab's padding");
  require(col_ <= rc.width || caret_.FreeCaret() || caret_.FreeRow(), "caret past the row's end");
  require(topRow_ >= 0 && topRow_ <= std::max(text_->Count(), 0), "top row outside the rows");
  require(topCol_ >= 0 && topCol_ <= std::max(kMaxCol - visibleCols_ / 2, 0), "top column bound");
  if (selState_ == sstNone) return;
  require(selTop_ >= 0 && selTop_ <= selBottom_ && selBottom_ <= text_->MaxCaretRow(),
          "selection rows outside the rows");
  const auto rowBytes = [this](int r) {
    return r < text_->Count() ? static_cast<int>(text_->RowView(r).size()) : 0;
  };
  require(selStartByte_ >= 0 && selEndByte_ >= 0, "selection bytes");
  if (selectionMode_ == smNormal) {
    require(selStartByte_ <= rowBytes(selTop_) && selEndByte_ <= rowBytes(selBottom_),
            "selection ends past their rows");
    require(selTop_ < selBottom_ || selStartByte_ <= selEndByte_, "selection ends reversed");
  }
}

int TTextEditor::CaretRowWidth(int row) const {
  if (row < 0 || row >= text_->Count()) return 0;
  return static_cast<int>(DisplayWidthUpTo(text_->RowView(row), kMaxCol + 2, Rules()));
}

int TTextEditor::ColToByte(int row, int col) const {
  if (row < 0 || row >= text_->Count() || col <= 0) return 0;
  return static_cast<int>(ColumnToByte(text_->RowView(row), static_cast<std::size_t>(col), Rules()));
}

int TTextEditor::ByteToCol(int row, int byte) const {
  if (row < 0 || row >= text_->Count() || byte <= 0) return 0;
  return static_cast<int>(ByteToColumn(text_->RowView(row), static_cast<std::size_t>(byte), Rules()));
}

int TTextEditor::LogicalColumn(int row, int col) const {
  const RowCols rc = ColsOf(row);
  while (col > 0 && rc.At(col) == kColTrail) --col;
  if (!caret_.InTab())
    while (col > 0 && rc.At(col) == kColTabPad) --col;
  int bytes = ColToByte(row, col);
  for (int r = text_->LineFirstRow(row); r < row; ++r) bytes += static_cast<int>(text_->RowView(r).size());
  return bytes;
}

// ---- caret ----

void TTextEditor::SetRow(int r) {
  row_ = std::clamp(r, 0, text_->MaxCaretRow());
  Normalize(true, -1);
}

void TTextEditor::SetCol(int c) { SetCol(c, c >= col_ ? 1 : -1); }

void TTextEditor::SetCol(int c, int dir) {
  col_ = std::clamp(c, 0, kMaxCol + 1);
  Normalize(false, dir);
}

void TTextEditor::SetRowCol(int r, int c) {
  const TCaretUpdate hold(*this);
  SetRow(r);
  const RowCols rc = ColsOf(row_);
  c = std::clamp(c, 0, kMaxCol + 1);
  while (c > 0 && rc.At(c) == kColTrail) --c;
  if (!caret_.InTab())
    while (c > 0 && rc.At(c) == kColTabPad) --c;
  SetCol(c, c >= col_ ? 1 : -1);
}

// Brings the caret column to a place the options allow. keep: the row
// changed (return to a remembered column); dir: the way to step off a
// character's inside.
void TTextEditor::Normalize(bool keep, int dir) {
  const RowCols rc = ColsOf(row_);
  const int w = rc.width;
  auto remember = [this](int c) {
    if (remembered_ < 0) remembered_ = c;
  };
  // Stepping off a character's inside is remembered only on a row change: a
  // horizontal move means the column it ends on.
  auto rememberOnRowChange = [&](int c) {
    if (keep) remember(c);
  };
  if (!keep) remembered_ = -1;
  else if (remembered_ >= 0) col_ = remembered_;

  if (!caret_.FreeCaret() && col_ > w) {
    if (caret_.KeepCaret()) remember(buttonDown_ ? w : col_);
    if (!(caret_.FreeRow() && keep && !buttonDown_)) {
      col_ = w;
      if (!caret_.KeepCaret()) remembered_ = -1;
    }
  }
  if (rc.At(col_) == kColTrail) {
    rememberOnRowChange(col_);
    col_ += dir;
  }
  if (!caret_.InTab()) {
    while (col_ > 0 && rc.At(col_) == kColTabPad) {
      rememberOnRowChange(col_);
      col_ += dir;
    }
  }
  if (text_->WordWrap() && col_ >= w) {
    rememberOnRowChange(col_);
    if (text_->RowAttributeAt(row_) == raFolded) col_ = std::max(w - 1, 0);
    else if (col_ >= WrapByte()) col_ = std::max(w, WrapByte() - 1);
    if (rc.At(col_) == kColTrail) --col_;
    if (!caret_.InTab())
      while (col_ > 0 && rc.At(col_) == kColTabPad) --col_;
  }
  if (col_ > kMaxCol && rc.At(kMaxCol) != kColLead) col_ = kMaxCol;
  Refresh();
}

void TTextEditor::Refresh() {
  if (caretUpdate_ > 0) {
    refreshPending_ = true;
    return;
  }
  refreshPending_ = false;
  ScrollCaret();
  if (OnCaretMoved) OnCaretMoved(*this);
}

void TTextEditor::CaretBeginUpdate() { ++caretUpdate_; }

void TTextEditor::CaretEndUpdate() {
  if (caretUpdate_ > 0) --caretUpdate_;
  if (caretUpdate_ == 0 && refreshPending_) Refresh();
}

bool TTextEditor::CaretShown() const {
  return focused_ && caretUpdate_ == 0 && row_ >= topRow_ && row_ < topRow_ + visibleRows_ &&
         col_ >= topCol_ && col_ <= topCol_ + visibleCols_;
}

void TTextEditor::SetTopRow(int r) {
  r = std::clamp(r, 0, text_->Count());
  if (r == topRow_) return;
  topRow_ = r;
  // A listener moves what is on screen itself (scrolling it); without one
  // every row shown is painted anew.
  if (OnTopRowChange) OnTopRowChange(*this);
  else Invalidate(topRow_, topRow_ + visibleRows_);
}

void TTextEditor::SetTopCol(int c) {
  c = std::clamp(c, 0, std::max(kMaxCol - visibleCols_ / 2, 0));
  if (c == topCol_) return;
  topCol_ = c;
  if (OnTopColChange) OnTopColChange(*this);
  else Invalidate(topRow_, topRow_ + visibleRows_);
}

void TTextEditor::ScrollCaret() {
  if (row_ < topRow_) SetTopRow(row_);
  else if (row_ > topRow_ + visibleRows_ - 1) SetTopRow(row_ - visibleRows_ + 1);
  const int quarter = visibleCols_ / 4;
  if (col_ < topCol_) {
    SetTopCol(std::max(0, std::min(col_, topCol_ - quarter)));
  } else if (col_ > topCol_ + visibleCols_ - 1) {
    SetTopCol(std::min(std::max(col_ - visibleCols_ + 1, topCol_ + quarter), kMaxCol - visibleCols_ / 2));
  }
}

void TTextEditor::ScrollRows(int n) {
  if (topRow_ == 0 && n < 0) {
    SetRow(0);
    return;
  }
  if (n > 0 && text_->RowAttributeAt(topRow_) == raLast) return;
  const int before = topRow_;
  const TCaretUpdate hold(*this);
  SetTopRow(topRow_ + n);
  SetRow(row_ + (topRow_ - before));
}

TCaretRect TTextEditor::CaretShape() const {
  const int x = metrics_.TextLeft + (col_ - topCol_) * metrics_.CharWidth;
  const int y = metrics_.TextTop + (row_ - topRow_) * metrics_.RowPitch;
  const int cw = std::max(metrics_.CharWidth - metrics_.CharacterMargin, 1);
  if (hitCaret_) return {x, y, std::max(hitCaretCols_ * metrics_.CharWidth, 2), metrics_.FontHeight};
  const int cells = ColsOf(row_).At(col_) == kColLead ? 2 : 1;
  if (overWrite_) return {x, y, cw * cells, metrics_.FontHeight};
  if (caret_.Style() == csBrief) return {x, y + metrics_.RowPitch - 2, cw * cells, 2};
  return {x, y, 2, metrics_.FontHeight};
}

// ---- selection ----

void TTextEditor::SetSelectionMode(TSelectionMode m) {
  if (dragState_ != dsNone || m == selectionMode_) return;
  selectionMode_ = m;
  if (selState_ != sstNone) {
    Invalidate(selTop_, selBottom_);
    UpdateSelection();
  }
  if (OnSelectionModeChange) OnSelectionModeChange(*this);
}

void TTextEditor::StartSelection() {
  CleanSelection();
  if (text_->Count() == 0) return;
  selState_ = sstStarted;
  anchorRow_ = row_;
  anchorByte_ = ColToByte(row_, col_);
  anchorCol_ = col_;
  selTop_ = selBottom_ = row_;
  selStartByte_ = selEndByte_ = anchorByte_;
  selStartCol_ = selEndCol_ = selectionMode_ == smBox ? col_ : std::min(col_, CaretRowWidth(row_));
}

void TTextEditor::UpdateSelection() {
  if (selState_ == sstNone) return;
  if (selState_ == sstStarted) selState_ = hitLength_ > 0 ? sstHit : sstSelected;
  const int oldTop = selTop_, oldBottom = selBottom_;
  const int caretByte = ColToByte(row_, col_);
  const bool anchorFirst = anchorRow_ < row_ || (anchorRow_ == row_ && anchorByte_ <= caretByte);
  selTop_ = std::min(anchorRow_, row_);
  selBottom_ = std::max(anchorRow_, row_);
  selStartByte_ = anchorFirst ? anchorByte_ : caretByte;
  selEndByte_ = anchorFirst ? caretByte : anchorByte_;
  if (selectionMode_ == smBox) {
    selStartCol_ = std::min(anchorCol_, col_);
    selEndCol_ = std::max(anchorCol_, col_);
  } else {
    const int anchorCol = std::min(anchorCol_, CaretRowWidth(anchorRow_));
    const int caretCol = std::min(col_, CaretRowWidth(row_));
    selStartCol_ = anchorFirst ? anchorCol : caretCol;
    selEndCol_ = anchorFirst ? caretCol : anchorCol;
  }
  Invalidate(std::min(oldTop, selTop_), std::max(oldBottom, selBottom_));
  FireSelectionChange(true);
}

void TTextEditor::CleanSelection() {
  const bool had = selState_ != sstNone;
  selState_ = sstNone;
  hitLength_ = 0;
  hitCaret_ = false;
  if (!had) return;
  remembered_ = -1;
  Invalidate(selTop_, selBottom_);
  FireSelectionChange(false);
}

void TTextEditor::FireSelectionChange(bool selected) {
  if (OnSelectionChange) OnSelectionChange(*this, selected);
}

std::pair<int, int> TTextEditor::BoxRowBytes(int row) const {
  // The characters whose first column lies in [SelStartCol, SelEndCol).
  const RowCols rc = ColsOf(row);
  const int len = static_cast<int>(rc.text.size());
  int start = selStartCol_;
  while (rc.At(start) == kColTrail || rc.At(start) == kColTabPad) ++start;
  int end = selEndCol_;  // exclusive: step back to the first column of a character
  while (end > start && (rc.At(end) == kColTrail || rc.At(end) == kColTabPad)) ++end;
  if (start >= rc.width) return {len, len};
  const int b0 = ColToByte(row, start);
  const int b1 = end >= rc.width ? len : ColToByte(row, end);
  return {b0, std::max(b0, b1)};
}

std::int64_t TTextEditor::CaretOffset(int row, int col) const {
  return text_->RowByteToOffset(row, ColToByte(row, col));
}

std::int64_t TTextEditor::SelStart() const {
  if (selState_ == sstNone) return CaretOffset(row_, col_);
  if (selectionMode_ == smBox) return text_->RowByteToOffset(selTop_, BoxRowBytes(selTop_).first);
  return text_->RowByteToOffset(selTop_, selStartByte_);
}

std::pair<int, int> TTextEditor::OffsetToCaret(std::int64_t offset) const {
  if (offset <= 0) return {0, 0};
  const auto [r, b] = text_->OffsetToRowCol(offset);
  return {r, ByteToCol(r, b)};
}

void TTextEditor::SetSelStart(std::int64_t offset) {
  CleanSelection();
  const auto [r, c] = OffsetToCaret(offset);
  SetRowCol(r, c);
}

std::int64_t TTextEditor::SelLength() const {
  // A hit shown as a highlight is no selection to the editing commands.
  if (selState_ != sstSelected) return 0;
  if (selectionMode_ == smBox) {
    std::int64_t n = 0;
    for (int r = selTop_; r <= selBottom_; ++r) {
      const auto [b0, b1] = BoxRowBytes(r);
      n += b1 - b0 + 2;
    }
    return n;
  }
  return text_->RowByteToOffset(selBottom_, selEndByte_) - text_->RowByteToOffset(selTop_, selStartByte_);
}

void TTextEditor::SetSelLength(std::int64_t n) {
  const std::int64_t start = SelStart();
  if (n <= 0) {
    SetSelStart(start);
    return;
  }
  SetSelectionMode(smNormal);
  const TCaretUpdate hold(*this);
  SetSelStart(start);
  StartSelection();
  const auto [r, c] = OffsetToCaret(start + n);
  SetRowCol(r, c);
  UpdateSelection();
}

std::string TTextEditor::SelText() const {
  std::string s;
  if (selState_ != sstSelected) return s;
  if (selectionMode_ == smBox) {
    for (int r = selTop_; r <= selBottom_; ++r) {
      const auto [b0, b1] = BoxRowBytes(r);
      s += text_->RowTextAt(r).substr(b0, b1 - b0);
      s += "\r\n";
    }
    return s;
  }
  for (int r = selTop_; r <= selBottom_; ++r) {
    const std::string t = text_->RowTextAt(r);
    const int from = r == selTop_ ? selStartByte_ : 0;
    const int to = r == selBottom_ ? selEndByte_ : static_cast<int>(t.size());
    if (to > from) s.append(t, from, to - from);
    if (r < selBottom_ && text_->RowAttributeAt(r) == raBreak) s += "\r\n";
  }
  return s;
}

void TTextEditor::ShowHit(int n) {
  if (n <= 0) return;
  const int row = row_, col = col_;
  SetSelLength(n);
  if (hitStyle_ == hsSelect) return;
  selState_ = sstHit;
  hitLength_ = n;
  if (hitStyle_ == hsCaret && focused_) {
    // The block spans the hit's columns on one row, else to the row's end.
    const int endCol = selBottom_ == selTop_ ? selEndCol_ : RowWidth(row);
    {
      const TCaretUpdate hold(*this);
      SetRowCol(row, col);
    }
    hitCaret_ = true;
    hitCaretCols_ = std::max(endCol - col_, 0);
  }
}

void TTextEditor::HitToSelection() {
  if (selState_ != sstHit) return;
  if (hitCaret_) {
    hitCaret_ = false;
    SetRowCol(selBottom_, ByteToCol(selBottom_, selEndByte_));
  }
  selState_ = sstSelected;
  hitLength_ = 0;
  Invalidate(selTop_, selBottom_);
}

// ---- the view interface ----

void TTextEditor::SetCaretByteColumn(int row, int byteCol) {
  SetRowCol(row, std::min(ByteToCol(row, byteCol), CaretRowWidth(std::clamp(row, 0, text_->MaxCaretRow()))));
}

void TTextEditor::PullInsideRows(int maxRow) {
  if (topRow_ > maxRow) SetTopRow(maxRow);
  if (row_ > maxRow) SetRow(maxRow);
}

void TTextEditor::TextChanged(const TLastChange& change) {
  if (change.Changed) {
    const int last = change.ChangeRow + std::max(change.RemovedRows, change.InsertedRows);
    Invalidate(change.ChangeRow, change.RemovedRows == change.InsertedRows ? last : text_->Count());
    modified_ = true;
    if (OnChange) OnChange(*this);
  }
}

void TTextEditor::InvalidateRow(int row) { Invalidate(row, row); }

void TTextEditor::Relayout() {
  SetTopRow(topRow_);
  SetTopCol(topCol_);
  Invalidate(topRow_, topRow_ + visibleRows_);
}

void TTextEditor::Invalidate(int first, int last) {
  // Only what is on screen needs painting.
  first = std::max(first, topRow_);
  last = std::min(last, topRow_ + visibleRows_);
  if (first <= last && OnInvalidateRows) OnInvalidateRows(first, last);
}

void TTextEditor::SetTokenSource(TTextEditorTokenSource* source) {
  if (tokens_ == source) return;
  tokens_ = source;
  if (text_) text_->ReparseAll();
}

std::unique_ptr<TRowParser> TTextEditor::CreateRowParser() {
  return tokens_ ? tokens_->CreateRowParser() : nullptr;
}

}  // namespace tamber
