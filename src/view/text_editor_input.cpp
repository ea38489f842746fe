// What keys, the left mouse button and word moves do to a view's caret and
// selection.
#include <algorithm>
#include <cstdlib>

#include "view/text_editor.h"

namespace tamber {

// ---- keys ----

bool TTextEditor::KeyDown(TEditorKey key, TShiftState shift, bool repeat) {
  keyRepeat_ = repeat;
  if (key == TEditorKey::Escape) {
    if (dragState_ == dsNone) return false;
    CancelDrag();
    return true;
  }
  if (dragState_ != dsNone) return true;  // keys wait until the drag ends
  NavigationKey(key, shift, repeat);
  return true;
}

void TTextEditor::NavigationKey(TEditorKey key, TShiftState shift, bool repeat) {
  const bool extend = shift & ssShift;
  const bool ctrl = shift & ssCtrl;
  if (selState_ == sstHit) CleanSelection();
  if (!extend) CleanSelection();
  else if (selState_ == sstNone) StartSelection();

  {
    const TCaretUpdate hold(*this);
    switch (key) {
      case TEditorKey::PageUp:
      case TEditorKey::PageDown: {
        const int half = (visibleRows_ - 1) / 2;
        const int n = half * (repeat ? speed_.PageVerticalRangeAc : speed_.PageVerticalRange);
        ScrollRows(key == TEditorKey::PageUp ? -n : n);
        break;
      }
      case TEditorKey::End:
        if (ctrl) SetRow(text_->Count());
        SetCol(RowWidth(row_));
        break;
      case TEditorKey::Home:
        if (ctrl) SetRow(0);
        SetCol(0);
        break;
      case TEditorKey::Left:
        if (ctrl) {
          MoveWord(row_, col_, -1);
        } else if (col_ > 0) {
          SetCol(col_ - 1, -1);
        } else if (row_ > 0 && (caret_.NextLine() || text_->RowAttributeAt(row_ - 1) == raFolded)) {
          SetRowCol(row_ - 1, RowWidth(row_ - 1));
        }
        break;
      case TEditorKey::Right:
        if (ctrl) {
          MoveWord(row_, col_, 1);
        } else {
          const int before = col_;
          SetCol(col_ + 1, 1);
          const TRowAttribute attr = text_->RowAttributeAt(row_);
          if (col_ == before && row_ < text_->Count() && attr != raLast &&
              (caret_.NextLine() || attr == raFolded))
            SetRowCol(row_ + 1, 0);
        }
        break;
      case TEditorKey::Up:
      case TEditorKey::Down:
        VerticalKey(key == TEditorKey::Down, ctrl, repeat);
        break;
      case TEditorKey::Escape:
        break;
    }
  }
  if (extend) UpdateSelection();
}

void TTextEditor::VerticalKey(bool down, bool ctrl, bool repeat) {
  const int edgeRow = down ? topRow_ + visibleRows_ - 1 : topRow_;
  const int step = repeat && row_ == edgeRow ? std::max<int>(speed_.CaretVerticalAc, 1) : 1;
  if (ctrl) {
    SetTopRow(topRow_ + (down ? step : -step));
    if (!down && row_ > topRow_ + visibleRows_ - 1) SetRow(row_ - step);
    if (down && row_ < topRow_) SetRow(row_ + step);
    return;
  }
  if (!down) SetRow(row_ - step);
  else if (text_->RowAttributeAt(row_) != raLast) SetRow(row_ + step);
}

// ---- mouse ----

TMousePoint TTextEditor::PointAt(int x, int y) const {
  TMousePoint p;
  p.X = x;
  p.Y = y;
  const int cw = std::max(metrics_.CharWidth, 1);
  const int pitch = std::max(metrics_.RowPitch, 1);
  auto floorDiv = [](int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); };
  const int dx = x - metrics_.TextLeft;
  // A point left of the text area counts one column further left.
  p.Col = std::max(0, floorDiv(dx, cw) + topCol_);
  p.RoundedCol = std::max(0, floorDiv(dx + cw / 2, cw) + topCol_);
  p.Row = floorDiv(y - metrics_.TextTop, pitch) + topRow_;
  if (x < 0 || y < 0 || x >= metrics_.ClientWidth || y >= metrics_.ClientHeight) p.Area = maOutside;
  else if (x < metrics_.TextLeft) p.Area = maLeftMargin;
  else if (y < metrics_.TextTop) p.Area = maTopMargin;
  else p.Area = maText;
  return p;
}

bool TTextEditor::CanDragSelection() const {
  return !readOnly_ && Selected() && selectionMode_ == smNormal && caret_.SelMove();
}

bool TTextEditor::InsideSelection(int row, int col) const {
  if (selState_ == sstNone || row < selTop_ || row > selBottom_) return false;
  if (row == selTop_ && col < selStartCol_) return false;
  // Past a row's end lies the row's break: inside when the selection runs
  // over it (every row but its last), outside on its last row.
  if (row == selBottom_ && (col >= selEndCol_ || col > RowWidth(row))) return false;
  return true;
}

bool TTextEditor::MouseDown(int x, int y, TShiftState shift) {
  const TMousePoint p = PointAt(x, y);
  pressX_ = lastX_ = x;
  pressY_ = lastY_ = y;
  lastShift_ = shift | ssLeft;
  if (dragState_ != dsNone) return false;
  buttonDown_ = true;
  rowSelecting_ = false;
  if (shift & ssShift) {
    if (selState_ == sstNone || selState_ == sstHit) StartSelection();
    SetRowCol(p.Row, p.RoundedCol);
    UpdateSelection();
    return false;
  }
  if (CanDragSelection() && p.Area == maText && InsideSelection(p.Row, p.Col)) {
    SetRowCol(p.Row, p.Col);
    buttonDown_ = false;  // the press ends here
    if (caret_.SelDragMode() == dmAutomatic) {
      dragState_ = dsPending;
      return false;
    }
    return true;
  }
  if (p.Area == maLeftMargin && caret_.RowSelect()) {
    if (text_->Count() == 0) return false;
    rowSelecting_ = true;
    rowSelectFirst_ = std::clamp(p.Row, 0, text_->Count() - 1);
    RowSelectTo(rowSelectFirst_);
    return false;
  }
  SetRowCol(p.Row, p.RoundedCol);
  StartSelection();
  return false;
}

// Whole rows from the first row pressed to row, the first row always in.
void TTextEditor::RowSelectTo(int row) {
  row = std::clamp(row, 0, text_->Count() - 1);
  auto rowEnd = [this](int r, int& er, int& ec) {
    if (text_->RowAttributeAt(r) == raLast) {
      er = r;
      ec = RowWidth(r);
    } else {
      er = r + 1;
      ec = 0;
    }
  };
  const TSelectionMode mode = selectionMode_;
  selectionMode_ = smNormal;
  {
    const TCaretUpdate hold(*this);
    int er, ec;
    if (row >= rowSelectFirst_) {
      SetRowCol(rowSelectFirst_, 0);
      StartSelection();
      rowEnd(row, er, ec);
      SetRowCol(er, ec);
    } else {
      rowEnd(rowSelectFirst_, er, ec);
      SetRowCol(er, ec);
      StartSelection();
      SetRowCol(row, 0);
    }
  }
  UpdateSelection();
  selectionMode_ = mode;
}

void TTextEditor::MouseTo(const TMousePoint& p) {
  if (rowSelecting_) {
    RowSelectTo(p.Row);
    return;
  }
  SetRowCol(p.Row, p.RoundedCol);
  // A press becomes a selection once the mouse moved half a character away.
  const int half = std::max(metrics_.CharWidth / 2, 1);
  if (selState_ == sstStarted && std::abs(p.X - pressX_) < half && std::abs(p.Y - pressY_) < half) return;
  UpdateSelection();
}

void TTextEditor::MouseMove(int x, int y, TShiftState shift) {
  const TMousePoint p = PointAt(x, y);
  lastX_ = x;
  lastY_ = y;
  lastShift_ = shift;
  const int half = std::max(metrics_.CharWidth / 2, 1);
  if (dragState_ == dsPending) {
    if (std::abs(x - pressX_) < half && std::abs(y - pressY_) < half) return;
    dragState_ = dsDragging;
  }
  if (dragState_ == dsDragging) {
    DragCopyKey(shift & ssCtrl);
    SetRowCol(p.Row, p.Col);  // shows where the selection would land
    return;
  }
  if (buttonDown_ && (shift & ssLeft)) {
    MouseTo(p);
    return;
  }
  if (caret_.AutoCursor()) cursor_ = AreaCursor(p, shift);
}

TCursor TTextEditor::AreaCursor(const TMousePoint& p, TShiftState) const {
  const TTextEditorCursors& c = caret_.Cursors();
  if (p.Area == maLeftMargin) return c.LeftMarginCursor();
  if (p.Area == maTopMargin) return c.TopMarginCursor();
  if (p.Area == maText && CanDragSelection() && InsideSelection(p.Row, p.Col)) return c.InSelCursor();
  return c.DefaultCursor();
}

void TTextEditor::DragCopyKey(bool ctrlDown) {
  if (dragState_ != dsDragging) return;
  cursor_ = ctrlDown ? caret_.Cursors().DragSelCopyCursor() : caret_.Cursors().DragSelCursor();
}

void TTextEditor::CancelDrag() {
  dragState_ = dsNone;
  cursor_ = caret_.Cursors().DefaultCursor();
  CleanSelection();
}

TMouseDrop TTextEditor::MouseUp(int x, int y, TShiftState shift) {
  const TMousePoint p = PointAt(x, y);
  buttonDown_ = false;
  rowSelecting_ = false;
  if (dragState_ == dsPending) {
    CancelDrag();
    return mdNone;
  }
  if (dragState_ != dsDragging) return mdNone;
  dragState_ = dsNone;
  cursor_ = caret_.Cursors().DefaultCursor();
  if (p.Area == maOutside || InsideSelection(p.Row, p.Col)) {
    CleanSelection();
    return mdNone;
  }
  SetRowCol(p.Row, p.Col);
  return (shift & ssCtrl) ? mdCopySelection : mdMoveSelection;
}

bool TTextEditor::MouseTick() {
  if (!buttonDown_ || dragState_ != dsNone) return false;
  const TMousePoint p = PointAt(lastX_, lastY_);
  const bool outside = p.Row < topRow_ || p.Row >= topRow_ + visibleRows_ || p.X >= metrics_.ClientWidth ||
                       (p.X < metrics_.TextLeft && !rowSelecting_);
  if (!outside) return false;
  // Each tick walks one row or column further in the pointer's direction.
  TMousePoint q = p;
  if (p.Row < topRow_) q.Row = std::max(row_ - 1, 0);
  else if (p.Row >= topRow_ + visibleRows_) q.Row = row_ + 1;
  else q.Row = p.Row;
  if (!rowSelecting_) {
    if (p.X >= metrics_.ClientWidth) q.RoundedCol = col_ + 1;
    else if (p.X < metrics_.TextLeft) q.RoundedCol = std::max(col_ - 1, 0);
  }
  q.X = pressX_ + metrics_.CharWidth;  // a tick always counts as a move
  MouseTo(q);
  return true;
}

// ---- words and tokens ----

std::vector<TTextEditor::Token> TTextEditor::Tokens(TRowTokenizer& tz, std::string_view text,
                                                    const TRowAttributeData& state) const {
  std::vector<Token> out;
  tz.LoadRow(text, state);
  for (TTokenKind k = tz.Next(); k != tokEnd; k = tz.Next()) {
    if (tz.TokenSize() <= 0) break;  // a tokenizer that stops moving ends the scan
    out.push_back({tz.TokenOffset(), tz.TokenSize(), k});
  }
  return out;
}

void TTextEditor::MoveWord(int row, int col, int direction) {
  auto tz = tokens_ ? tokens_->CreateTokenizer() : nullptr;
  const bool endStop = caret_.TokenEndStop();
  auto rowTokens = [&](int r) {
    std::vector<Token> t;
    if (tz && r >= 0 && r < text_->Count()) {
      const std::string expanded = ExpandTabs(text_->RowView(r), Rules());
      for (const Token& k : Tokens(*tz, expanded, text_->LoadRowData(r)))
        if (endStop || k.kind != tokSymbol) t.push_back(k);
    }
    return t;
  };
  if (direction > 0) {
    if (col >= RowWidth(row) && row + 1 < text_->Count()) {
      ++row;
      col = -1;
    }
    for (const Token& t : rowTokens(row)) {
      if (endStop && t.offset <= col && col < t.offset + t.size) {
        SetRowCol(row, t.offset + t.size);
        return;
      }
      if (t.offset > col) {
        SetRowCol(row, t.offset);
        return;
      }
    }
    if (text_->RowAttributeAt(row) == raFolded) SetRowCol(row + 1, 0);
    else SetRowCol(row, RowWidth(row));
    return;
  }
  if (col <= 0) {
    if (row == 0) return;
    --row;
    col = RowWidth(row);
    if (text_->RowAttributeAt(row) == raBreak) {
      SetRowCol(row, col);
      return;
    }
  }
  const std::vector<Token> tokens = rowTokens(row);
  for (auto it = tokens.rbegin(); it != tokens.rend(); ++it) {
    if (endStop && it->offset < col && col <= it->offset + it->size) {
      SetRowCol(row, it->offset);
      return;
    }
    if (!endStop && it->offset < col) {
      SetRowCol(row, it->offset);
      return;
    }
    if (endStop && it->offset + it->size < col) {
      SetRowCol(row, it->offset + it->size);
      return;
    }
  }
  if (row == 0) SetRowCol(0, 0);
  else SetRowCol(row - 1, RowWidth(row - 1));
}

std::optional<TTextEditor::Token> TTextEditor::TokenAt(TRowTokenizer* tz, int row, int col,
                                                       int* lineFirstRow, std::string* lineText) const {
  if (!tz || row < 0 || row >= text_->Count()) return std::nullopt;
  const int first = text_->LineFirstRow(row);
  const int last = text_->LineLastRow(row);
  std::string line;
  int pos = 0;
  for (int r = first; r <= last; ++r) {
    if (r == row) pos = static_cast<int>(line.size()) + ColToByte(r, col);
    line += text_->RowView(r);
  }
  TRowAttributeData state = text_->LoadRowData(first);
  state.OpenBracket = -2;
  std::optional<Token> found;
  for (const Token& t : Tokens(*tz, line, state))
    if (t.offset <= pos && pos < t.offset + t.size) found = t;
  if (lineFirstRow) *lineFirstRow = first;
  if (lineText) *lineText = std::move(line);
  return found;
}

void TTextEditor::LineBytesToCaret(int firstRow, int offset, int& row, int& col) const {
  row = firstRow;
  while (row < text_->Count() - 1 && text_->RowAttributeAt(row) == raFolded &&
         offset >= static_cast<int>(text_->RowView(row).size())) {
    offset -= static_cast<int>(text_->RowView(row).size());
    ++row;
  }
  col = ByteToCol(row, offset);
}

void TTextEditor::SelectTokenAt(int row, int col) {
  auto tz = tokens_ ? tokens_->CreateTokenizer() : nullptr;
  int first = 0;
  const auto t = TokenAt(tz.get(), row, col, &first, nullptr);
  if (!t) return;
  int r, c;
  LineBytesToCaret(first, t->offset, r, c);
  SetSelectionMode(smNormal);
  CleanSelection();
  SetRowCol(r, c);
  SetSelLength(t->size);
}

TTokenKind TTextEditor::TokenKindAt(int row, int col) const {
  auto tz = tokens_ ? tokens_->CreatePlainTokenizer() : nullptr;
  const auto t = TokenAt(tz.get(), row, col, nullptr, nullptr);
  return t ? t->kind : tokEnd;
}

std::string TTextEditor::TokenTextAt(int row, int col) const {
  auto tz = tokens_ ? tokens_->CreatePlainTokenizer() : nullptr;
  std::string line;
  const auto t = TokenAt(tz.get(), row, col, nullptr, &line);
  return t ? line.substr(t->offset, t->size) : std::string();
}

}  // namespace tamber
