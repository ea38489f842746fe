#include "view/furniture_options.h"

#include <algorithm>
#include <stdexcept>

namespace tamber {

int furniture_detail::Clamp100(int v) { return std::clamp(v, 0, 100); }

namespace {
// Runs copy inside one update so the object reports once.
template <class T, class F>
void AssignOnce(T& self, F copy) {
  TUpdateGuard guard(self);
  copy();
}
}  // namespace

void TTextEditorMargin::Assign(const TTextEditorMargin& o) {
  AssignOnce(*this, [&] {
    left_ = o.left_;
    top_ = o.top_;
    character_ = o.character_;
    line_ = o.line_;
  });
}

void TTextEditorImagebar::Assign(const TTextEditorImagebar& o) {
  AssignOnce(*this, [&] {
    visible_ = o.visible_;
    digitWidth_ = o.digitWidth_;
    markWidth_ = o.markWidth_;
    leftMargin_ = o.leftMargin_;
    rightMargin_ = o.rightMargin_;
  });
}

void TTextEditorLeftbar::SetColumn(int v) {
  furniture_detail::SetAndNotify(*this, column_, std::clamp(v, 1, kMaxColumn));
}

void TTextEditorLeftbar::Assign(const TTextEditorLeftbar& o) {
  AssignOnce(*this, [&] {
    visible_ = o.visible_;
    showNumber_ = o.showNumber_;
    mode_ = o.mode_;
    column_ = o.column_;
    zeroBase_ = o.zeroBase_;
    zeroLead_ = o.zeroLead_;
    edge_ = o.edge_;
    leftMargin_ = o.leftMargin_;
    rightMargin_ = o.rightMargin_;
    bkColor_ = o.bkColor_;
    color_ = o.color_;
  });
}

void TTextEditorRuler::SetGaugeRange(int v) {
  v = std::clamp(v, 8, 10);
  furniture_detail::SetAndNotify(*this, gaugeRange_, v - v % 2);
}

void TTextEditorRuler::Assign(const TTextEditorRuler& o) {
  AssignOnce(*this, [&] {
    visible_ = o.visible_;
    edge_ = o.edge_;
    gaugeRange_ = o.gaugeRange_;
    bkColor_ = o.bkColor_;
    color_ = o.color_;
    markColor_ = o.markColor_;
  });
}

void TTextEditorMark::SetColor(TColor v) {
  if (color_ == v) return;
  color_ = v;
  if (owner_) owner_->Changed();
}

void TTextEditorMark::SetVisible(bool v) {
  if (visible_ == v) return;
  visible_ = v;
  if (owner_) owner_->Changed();
}

void TTextEditorMarks::Assign(const TTextEditorMarks& o) {
  AssignOnce(*this, [&] {
    eof_.CopyFrom(o.eof_);
    ret_.CopyFrom(o.ret_);
    wrap_.CopyFrom(o.wrap_);
    hide_.CopyFrom(o.hide_);
    underline_.CopyFrom(o.underline_);
  });
}

template <class F>
void TTextEditorFxMarks::ForEach(F f) const {
  for (const TTextEditorMark* m : {&dbSpace_, &space_, &tab_, &find_, &paren_, &current_, &digit_,
                                   &image_, &even_})
    f(*m);
  for (const TTextEditorMark& m : img_) f(m);
}

bool TTextEditorFxMarks::Indicated() const {
  bool any = false;
  ForEach([&](const TTextEditorMark& m) { any = any || m.Visible(); });
  return any;
}

void TTextEditorFxMarks::Assign(const TTextEditorFxMarks& o) {
  AssignOnce(*this, [&] {
    dbSpace_.CopyFrom(o.dbSpace_);
    space_.CopyFrom(o.space_);
    tab_.CopyFrom(o.tab_);
    find_.CopyFrom(o.find_);
    paren_.CopyFrom(o.paren_);
    current_.CopyFrom(o.current_);
    digit_.CopyFrom(o.digit_);
    image_.CopyFrom(o.image_);
    even_.CopyFrom(o.even_);
    for (int i = 0; i < kImageLines; ++i) img_[i].CopyFrom(o.img_[i]);
    hit_ = o.hit_;
  });
}

void TVerticalLines::SetItem(int i, const TVerticalLine& v) {
  TVerticalLine& item = items_.at(static_cast<std::size_t>(i));
  if (item == v) return;
  item = v;
  Changed();
}

void TVerticalLines::Delete(int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TVerticalLines::Delete");
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
  Changed();
}

void TVerticalLines::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TVerticalLines::Assign(const TVerticalLines& o) {
  items_ = o.items_;
  Changed();
}

}  // namespace tamber
