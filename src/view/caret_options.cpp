#include "view/caret_options.h"

#include <algorithm>
#include <optional>

#include "base/notify.h"

namespace tamber {

void TTextEditorCursors::Set(TCursor& field, TCursor v) {
  if (field == v) return;
  field = v;
  if (owner_) owner_->Changed();
}

void TTextEditorCursors::Assign(const TTextEditorCursors& s) {
  std::optional<TScopedUpdate<TTextEditorCaret>> hold;
  if (owner_) hold.emplace(*owner_);
  SetDefaultCursor(s.default_);
  SetDragSelCursor(s.dragSel_);
  SetDragSelCopyCursor(s.dragSelCopy_);
  SetInSelCursor(s.inSel_);
  SetLeftMarginCursor(s.leftMargin_);
  SetTopMarginCursor(s.topMargin_);
}

bool TTextEditorCursors::operator==(const TTextEditorCursors& o) const {
  return default_ == o.default_ && dragSel_ == o.dragSel_ && dragSelCopy_ == o.dragSelCopy_ &&
         inSel_ == o.inSel_ && leftMargin_ == o.leftMargin_ && topMargin_ == o.topMargin_;
}

void TTextEditorCaret::SetTabSpaceCount(int v) {
  v = std::clamp(v, 2, 8);
  Set(tabSpaceCount_, v - v % 2);
}

void TTextEditorCaret::Assign(const TTextEditorCaret& s) {
  const TScopedUpdate hold(*this);
  SetAutoCursor(s.autoCursor_);
  SetAutoIndent(s.autoIndent_);
  SetBackSpaceUnIndent(s.backSpaceUnIndent_);
  cursors_.Assign(s.cursors_);
  SetFreeCaret(s.freeCaret_);
  SetFreeRow(s.freeRow_);
  SetInTab(s.inTab_);
  SetKeepCaret(s.keepCaret_);
  SetLockScroll(s.lockScroll_);
  SetNextLine(s.nextLine_);
  SetPrevSpaceIndent(s.prevSpaceIndent_);
  SetRowSelect(s.rowSelect_);
  SetSelDragMode(s.selDragMode_);
  SetSelMove(s.selMove_);
  SetSoftTab(s.softTab_);
  SetStyle(s.style_);
  SetTabIndent(s.tabIndent_);
  SetTabSpaceCount(s.tabSpaceCount_);
  SetTokenEndStop(s.tokenEndStop_);
}

bool TTextEditorCaret::operator==(const TTextEditorCaret& o) const {
  return autoCursor_ == o.autoCursor_ && autoIndent_ == o.autoIndent_ &&
         backSpaceUnIndent_ == o.backSpaceUnIndent_ && cursors_ == o.cursors_ &&
         freeCaret_ == o.freeCaret_ && freeRow_ == o.freeRow_ && inTab_ == o.inTab_ &&
         keepCaret_ == o.keepCaret_ && lockScroll_ == o.lockScroll_ && nextLine_ == o.nextLine_ &&
         prevSpaceIndent_ == o.prevSpaceIndent_ && rowSelect_ == o.rowSelect_ &&
         selDragMode_ == o.selDragMode_ && selMove_ == o.selMove_ && softTab_ == o.softTab_ && style_ == o.style_ &&
         tabIndent_ == o.tabIndent_ && tabSpaceCount_ == o.tabSpaceCount_ &&
         tokenEndStop_ == o.tokenEndStop_;
}

}  // namespace tamber
