// The option objects of a view's furniture: margins, the image bar, the line
// number bar, the ruler, the end-of-row marks, the extended marks (blanks,
// find marks, brackets, line colouring) and the vertical guide lines.
//
// Every object notifies its OnChange handler: a setter clamps its value to the
// documented range and reports only a real change; Assign copies every value
// and reports once. Sub-objects (a TTextEditorMark inside TTextEditorMarks)
// report through their owner.
#pragma once

#include <functional>
#include <vector>

#include "base/color.h"
#include "base/notify.h"

namespace tamber {

namespace furniture_detail {
// Stores v in field and reports a change of owner when it differs.
template <class T>
void SetAndNotify(TNotifyPersistent& owner, T& field, T v) {
  if (field == v) return;
  field = v;
  owner.Changed();
}
int Clamp100(int v);
}  // namespace furniture_detail

class TTextEditorMargin : public TNotifyPersistent {
 public:
  int Left() const { return left_; }
  int Top() const { return top_; }
  int Character() const { return character_; }
  int Line() const { return line_; }
  void SetLeft(int v) { furniture_detail::SetAndNotify(*this, left_, furniture_detail::Clamp100(v)); }
  void SetTop(int v) { furniture_detail::SetAndNotify(*this, top_, furniture_detail::Clamp100(v)); }
  void SetCharacter(int v) {
    furniture_detail::SetAndNotify(*this, character_, furniture_detail::Clamp100(v));
  }
  void SetLine(int v) { furniture_detail::SetAndNotify(*this, line_, furniture_detail::Clamp100(v)); }
  void Assign(const TTextEditorMargin& o);

 private:
  int left_ = 19, top_ = 2, character_ = 0, line_ = 0;
};

class TTextEditorImagebar : public TNotifyPersistent {
 public:
  bool Visible() const { return visible_; }
  int DigitWidth() const { return digitWidth_; }
  int MarkWidth() const { return markWidth_; }
  int LeftMargin() const { return leftMargin_; }
  int RightMargin() const { return rightMargin_; }
  void SetVisible(bool v) { furniture_detail::SetAndNotify(*this, visible_, v); }
  void SetDigitWidth(int v) {
    furniture_detail::SetAndNotify(*this, digitWidth_, furniture_detail::Clamp100(v));
  }
  void SetMarkWidth(int v) { furniture_detail::SetAndNotify(*this, markWidth_, furniture_detail::Clamp100(v)); }
  void SetLeftMargin(int v) {
    furniture_detail::SetAndNotify(*this, leftMargin_, furniture_detail::Clamp100(v));
  }
  void SetRightMargin(int v) {
    furniture_detail::SetAndNotify(*this, rightMargin_, furniture_detail::Clamp100(v));
  }
  void Assign(const TTextEditorImagebar& o);
  // Pixels the bar takes (0 when hidden).
  int Width() const { return visible_ ? leftMargin_ + digitWidth_ + markWidth_ + rightMargin_ : 0; }

 private:
  bool visible_ = true;
  int digitWidth_ = 8, markWidth_ = 0, leftMargin_ = 2, rightMargin_ = 2;
};

enum TShowNumberMode { nmRow, nmLine };

class TTextEditorLeftbar : public TNotifyPersistent {
 public:
  static constexpr int kMaxColumn = 8;
  bool Visible() const { return visible_; }
  bool ShowNumber() const { return showNumber_; }
  TShowNumberMode ShowNumberMode() const { return mode_; }
  int Column() const { return column_; }
  bool ZeroBase() const { return zeroBase_; }
  bool ZeroLead() const { return zeroLead_; }
  bool Edge() const { return edge_; }
  int LeftMargin() const { return leftMargin_; }
  int RightMargin() const { return rightMargin_; }
  TColor BkColor() const { return bkColor_; }
  TColor Color() const { return color_; }
  void SetVisible(bool v) { furniture_detail::SetAndNotify(*this, visible_, v); }
  void SetShowNumber(bool v) { furniture_detail::SetAndNotify(*this, showNumber_, v); }
  void SetShowNumberMode(TShowNumberMode v) { furniture_detail::SetAndNotify(*this, mode_, v); }
  void SetColumn(int v);
  void SetZeroBase(bool v) { furniture_detail::SetAndNotify(*this, zeroBase_, v); }
  void SetZeroLead(bool v) { furniture_detail::SetAndNotify(*this, zeroLead_, v); }
  void SetEdge(bool v) { furniture_detail::SetAndNotify(*this, edge_, v); }
  void SetLeftMargin(int v) {
    furniture_detail::SetAndNotify(*this, leftMargin_, furniture_detail::Clamp100(v));
  }
  void SetRightMargin(int v) {
    furniture_detail::SetAndNotify(*this, rightMargin_, furniture_detail::Clamp100(v));
  }
  void SetBkColor(TColor v) { furniture_detail::SetAndNotify(*this, bkColor_, v); }
  void SetColor(TColor v) { furniture_detail::SetAndNotify(*this, color_, v); }
  void Assign(const TTextEditorLeftbar& o);

 private:
  bool visible_ = false, showNumber_ = true;
  TShowNumberMode mode_ = nmRow;
  int column_ = 4;
  bool zeroBase_ = false, zeroLead_ = false, edge_ = true;
  int leftMargin_ = 8, rightMargin_ = 4;
  TColor bkColor_ = clSilver, color_ = clBlack;
};

class TTextEditorRuler : public TNotifyPersistent {
 public:
  bool Visible() const { return visible_; }
  bool Edge() const { return edge_; }
  int GaugeRange() const { return gaugeRange_; }
  TColor BkColor() const { return bkColor_; }
  TColor Color() const { return color_; }
  TColor MarkColor() const { return markColor_; }
  void SetVisible(bool v) { furniture_detail::SetAndNotify(*this, visible_, v); }
  void SetEdge(bool v) { furniture_detail::SetAndNotify(*this, edge_, v); }
  // 8 or 10: clamped to 8..10 and rounded down to even.
  void SetGaugeRange(int v);
  void SetBkColor(TColor v) { furniture_detail::SetAndNotify(*this, bkColor_, v); }
  void SetColor(TColor v) { furniture_detail::SetAndNotify(*this, color_, v); }
  void SetMarkColor(TColor v) { furniture_detail::SetAndNotify(*this, markColor_, v); }
  void Assign(const TTextEditorRuler& o);
  // Pixels the strip takes (0 when hidden).
  int Height() const { return visible_ ? (edge_ ? 11 : 10) : 0; }

 private:
  bool visible_ = false, edge_ = true;
  int gaugeRange_ = 10;
  TColor bkColor_ = clSilver, color_ = clBlack, markColor_ = clBlack;
};

// One mark: a colour and whether it is drawn. Reports through its owner.
class TTextEditorMark {
 public:
  explicit TTextEditorMark(TNotifyPersistent* owner = nullptr) : owner_(owner) {}
  TTextEditorMark(const TTextEditorMark&) = delete;
  TTextEditorMark& operator=(const TTextEditorMark&) = delete;
  TColor Color() const { return color_; }
  bool Visible() const { return visible_; }
  void SetColor(TColor v);
  void SetVisible(bool v);
  // Copies both values without a report (the owner reports once).
  void CopyFrom(const TTextEditorMark& o) {
    color_ = o.color_;
    visible_ = o.visible_;
  }
  bool SameAs(const TTextEditorMark& o) const { return color_ == o.color_ && visible_ == o.visible_; }

 private:
  TNotifyPersistent* owner_;
  TColor color_ = clGray;
  bool visible_ = false;
};

class TTextEditorMarks : public TNotifyPersistent {
 public:
  TTextEditorMark& EofMark() { return eof_; }
  TTextEditorMark& RetMark() { return ret_; }
  TTextEditorMark& WrapMark() { return wrap_; }
  TTextEditorMark& HideMark() { return hide_; }
  TTextEditorMark& Underline() { return underline_; }
  const TTextEditorMark& EofMark() const { return eof_; }
  const TTextEditorMark& RetMark() const { return ret_; }
  const TTextEditorMark& WrapMark() const { return wrap_; }
  const TTextEditorMark& HideMark() const { return hide_; }
  const TTextEditorMark& Underline() const { return underline_; }
  void Assign(const TTextEditorMarks& o);

 private:
  TTextEditorMark eof_{this}, ret_{this}, wrap_{this}, hide_{this}, underline_{this};
};

// A colour triple for the find marks, reporting through its owner.
struct TFxHitColor {
  TColor BkColor = clNone;
  TColor Color = clNone;
  TFontStyles Style = 0;
  bool operator==(const TFxHitColor&) const = default;
};

class TTextEditorFxMarks : public TNotifyPersistent {
 public:
  static constexpr int kImageLines = 6;
  TTextEditorMark& DBSpaceMark() { return dbSpace_; }
  TTextEditorMark& SpaceMark() { return space_; }
  TTextEditorMark& TabMark() { return tab_; }
  TTextEditorMark& FindMark() { return find_; }
  TTextEditorMark& ParenMark() { return paren_; }
  TTextEditorMark& CurrentLine() { return current_; }
  TTextEditorMark& DigitLine() { return digit_; }
  TTextEditorMark& ImageLine() { return image_; }
  TTextEditorMark& ImgLine(int n) { return img_[n]; }
  TTextEditorMark& EvenLine() { return even_; }
  const TTextEditorMark& DBSpaceMark() const { return dbSpace_; }
  const TTextEditorMark& SpaceMark() const { return space_; }
  const TTextEditorMark& TabMark() const { return tab_; }
  const TTextEditorMark& FindMark() const { return find_; }
  const TTextEditorMark& ParenMark() const { return paren_; }
  const TTextEditorMark& CurrentLine() const { return current_; }
  const TTextEditorMark& DigitLine() const { return digit_; }
  const TTextEditorMark& ImageLine() const { return image_; }
  const TTextEditorMark& ImgLine(int n) const { return img_[n]; }
  const TTextEditorMark& EvenLine() const { return even_; }
  const TFxHitColor& Hit() const { return hit_; }
  void SetHit(const TFxHitColor& v) { furniture_detail::SetAndNotify(*this, hit_, v); }
  // Some mark is visible.
  bool Indicated() const;
  void Assign(const TTextEditorFxMarks& o);

 private:
  template <class F> void ForEach(F f) const;
  TTextEditorMark dbSpace_{this}, space_{this}, tab_{this}, find_{this}, paren_{this}, current_{this},
      digit_{this}, image_{this}, even_{this};
  TTextEditorMark img_[kImageLines] = {TTextEditorMark{this}, TTextEditorMark{this}, TTextEditorMark{this},
                                       TTextEditorMark{this}, TTextEditorMark{this}, TTextEditorMark{this}};
  TFxHitColor hit_;
};

struct TVerticalLine {
  int Position = 0;  // a column; negative positions are not drawn
  TColor Color = clBlack;
  bool Visible = true;
  bool operator==(const TVerticalLine&) const = default;
};

// The guide lines; any change of an item reports.
class TVerticalLines : public TNotifyPersistent {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  const TVerticalLine& Item(int i) const { return items_.at(static_cast<std::size_t>(i)); }
  const std::vector<TVerticalLine>& Items() const { return items_; }
  void Add(const TVerticalLine& v) {
    items_.push_back(v);
    Changed();
  }
  void SetItem(int i, const TVerticalLine& v);
  void Delete(int i);
  void Clear();
  void Assign(const TVerticalLines& o);

 private:
  std::vector<TVerticalLine> items_;
};

}  // namespace tamber
