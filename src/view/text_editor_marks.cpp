// Bookmarks and image marks on the rows of a view's text.
#include "view/text_editor.h"

namespace tamber {

namespace {

constexpr int kMarkBits = 16;

}  // namespace

void TTextEditor::PutRowMark(int row, int m) {
  if (m < 0 || m >= kMarkBits) return;
  const auto bit = static_cast<std::uint16_t>(1u << m);
  if (m < kBookmarkCount) {
    // A bookmark moves: the row that had it loses it first.
    const int old = text_->FirstRowWithMark(m);
    if (old == row) return;
    if (old >= 0) DeleteRowMark(old, m);
  }
  if (row < 0 || row >= text_->Count() || (text_->RowMarks(row) & bit)) return;
  text_->SetRowMarks(row, static_cast<std::uint16_t>(text_->RowMarks(row) | bit));
  for (TTextEditorView* v : text_->Editors()) v->InvalidateRow(row);
}

void TTextEditor::DeleteRowMark(int row, int m) {
  if (m < 0 || m >= kMarkBits || row < 0 || row >= text_->Count()) return;
  const auto bit = static_cast<std::uint16_t>(1u << m);
  if (!(text_->RowMarks(row) & bit)) return;
  text_->SetRowMarks(row, static_cast<std::uint16_t>(text_->RowMarks(row) & ~bit));
  for (TTextEditorView* v : text_->Editors()) v->InvalidateRow(row);
}

bool TTextEditor::GotoRowMark(int m) {
  if (m < 0 || m >= kMarkBits) return false;
  const int row = text_->FirstRowWithMark(m);
  if (row < 0) return false;
  const TCaretUpdate hold(*this);
  if (row < topRow_ || row >= topRow_ + visibleRows_) SetTopRow(row - visibleRows_ / 2);
  SetRow(row);
  return true;
}

}  // namespace tamber
