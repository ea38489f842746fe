// What a system edit control answers about a view (its selection, rows and
// offsets), and the commands that work on the selection's logical lines.
#include <algorithm>

#include "view/text_editor.h"

namespace tamber {

namespace {

// The row holding offset and the byte in it (never past the row's bytes,
// so an offset between CR and LF counts as the row's end).
struct RowByte {
  int row = 0, byte = 0;
};

RowByte Locate(const TTextEditorScreenStrings& text, std::int64_t offset) {
  offset = std::clamp<std::int64_t>(offset, 0, text.TextLength());
  auto [row, byte] = text.OffsetToRowCol(offset);
  if (row >= text.Count()) {
    // After a final break: the empty position past the rows.
    return {text.Count(), 0};
  }
  byte = std::min(byte, static_cast<int>(text.RowView(row).size()));
  return {row, byte};
}

}  // namespace

TTextEditor::TEditSel TTextEditor::GetSel() const {
  const std::int64_t start = SelStart();
  return {start, start + SelLength()};
}

void TTextEditor::SetSel(std::int64_t start, std::int64_t end) {
  if (start == -1) {
    CleanSelection();
    return;
  }
  const std::int64_t length = text_->TextLength();
  if (end < 0 || end > length) end = length;
  start = std::clamp<std::int64_t>(start, 0, length);
  if (start == 0 && end == length && length > 0) {
    SelectAll();
    return;
  }
  const std::int64_t lo = std::min(start, end), hi = std::max(start, end);
  SetSelStart(lo);
  SetSelLength(hi - lo);
}

std::int64_t TTextEditor::LineIndex(int row) const {
  if (row == -1) row = row_;
  if (row < 0 || row > text_->MaxCaretRow()) return -1;
  if (row >= text_->Count()) return text_->TextLength();
  return text_->RowByteToOffset(row, 0);
}

int TTextEditor::LineLength(std::int64_t offset) const {
  auto rowLength = [this](int row) {
    return row >= 0 && row < text_->Count() ? static_cast<int>(text_->RowView(row).size()) : 0;
  };
  if (offset == -1) {
    if (Selected()) return std::max(0, rowLength(selBottom_) - (selEndByte_ - selStartByte_));
    return rowLength(row_);
  }
  return rowLength(Locate(*text_, offset).row);
}

int TTextEditor::LineFromChar(std::int64_t offset) const {
  if (offset == -1) return selState_ == sstSelected ? selTop_ : row_;
  return Locate(*text_, offset).row;
}

std::pair<int, int> TTextEditor::PosFromChar(std::int64_t offset) const {
  const RowByte at = Locate(*text_, offset);
  // Measured in display columns, so a tab before the offset counts its width.
  const int col = at.row < text_->Count() ? ByteToCol(at.row, at.byte) : 0;
  return {metrics_.TextLeft + (col - topCol_) * metrics_.CharWidth,
          metrics_.TextTop + (at.row - topRow_) * metrics_.RowPitch};
}

std::int64_t TTextEditor::CharFromPos(int x, int y, int* row) const {
  if (x < 0 || y < 0 || x >= metrics_.ClientWidth || y >= metrics_.ClientHeight) return -1;
  const TMousePoint p = PointAt(x, y);
  const int r = std::clamp(p.Row, 0, text_->MaxCaretRow());
  if (row) *row = r;
  if (r >= text_->Count()) return text_->TextLength();
  return text_->RowByteToOffset(r, ColToByte(r, std::min(p.Col, RowWidth(r))));
}

std::string TTextEditor::GetLine(int row) const {
  if (row < 0 || row >= text_->Count()) return {};
  return std::string(text_->RowView(row));
}

void TTextEditor::ScrollCaretEm() {
  if (row_ < topRow_ || row_ >= topRow_ + visibleRows_) SetTopRow(row_ - visibleRows_ / 3);
  if (col_ < topCol_ || col_ >= topCol_ + visibleCols_) SetTopCol(col_ - visibleCols_ / 3);
}

bool TTextEditor::SetText(std::string_view s) {
  if (readOnly_) return false;
  lines_.SetTextStr(s);
  return true;
}

bool TTextEditor::SetModify(bool v) {
  if (readOnly_) return false;
  modified_ = v;
  return true;
}

// ---- line commands ----

int TTextEditor::SelFirstLine() const {
  if (!Selected() || selectionMode_ != smNormal) return 0;
  // The top row's own line, so a folded top row names the line it is part of.
  return text_->RowToLine(selTop_) + 1;
}

int TTextEditor::SelLastLine() const {
  if (!Selected() || selectionMode_ != smNormal) return 0;
  return text_->RowToLine(selBottom_);
}

bool TTextEditor::QuoteLines() {
  if (selectionMode_ == smBox) return false;
  if (readOnly_ || !Selected()) return true;
  const int first = text_->RowToLine(selTop_), end = text_->RowToLine(selBottom_);
  const TCaretUpdate hold(*this);
  for (int line = first; line < end; ++line) lines_.Put(line, ">" + lines_.Get(line));
  return true;
}

bool TTextEditor::UnquoteLines() {
  if (selectionMode_ == smBox) return false;
  if (readOnly_ || !Selected()) return true;
  const int first = text_->RowToLine(selTop_), end = text_->RowToLine(selBottom_);
  const TCaretUpdate hold(*this);
  for (int line = first; line < end; ++line) {
    const std::string s = lines_.Get(line);
    if (!s.empty() && s.front() == '>') lines_.Put(line, std::string_view(s).substr(1));
  }
  return true;
}

}  // namespace tamber
