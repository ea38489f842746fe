// TTextEditorProp: the display properties of an editor held apart from any
// editor, to carry them from one editor to another (a split view, the
// template of new documents). It owns copies of the option objects; copying
// to an editor sets word wrap and its options so the text rewraps once. An
// error while copying stops the copy there (what was copied stays).
#pragma once

#include <QFont>

#include "highlight/editor_fountain.h"
#include "highlight/word_list.h"
#include "view/caret_options.h"
#include "view/furniture_options.h"
#include "view/ui/editor_widget.h"

namespace tamber {

class TTextEditorProp {
 public:
  TTextEditorProp();
  TTextEditorProp(const TTextEditorProp&) = delete;
  TTextEditorProp& operator=(const TTextEditorProp&) = delete;

  TColor Color() const { return color_; }
  void SetColor(TColor c) { color_ = c; }
  TColor FontColor() const { return fontColor_; }
  void SetFontColor(TColor c) { fontColor_ = c; }
  TTextEditorCaret& Caret() { return caret_; }
  QFont& Font() { return font_; }
  TTextEditorHitStyle HitStyle() const { return hitStyle_; }
  void SetHitStyle(TTextEditorHitStyle v) { hitStyle_ = v; }
  TTextEditorImagebar& Imagebar() { return imagebar_; }
  TTextEditorLeftbar& Leftbar() { return leftbar_; }
  TTextEditorMargin& Margin() { return margin_; }
  TTextEditorMarks& Marks() { return marks_; }
  TWordList& ReserveWordList() { return reserveWordList_; }
  TTextEditorRuler& Ruler() { return ruler_; }
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle s) { scrollBars_ = s; }
  TTextEditorSpeed& Speed() { return speed_; }
  TTextEditorViewInfo& View() { return view_; }
  bool WordWrap() const { return wordWrap_; }
  void SetWordWrap(bool v) { wordWrap_ = v; }
  TTextEditorWrapOption& WrapOption() { return wrapOption_; }
  TWordList& FileExtList() { return fileExtList_; }

  // Returns false when an error stopped the copy.
  bool CopyFrom(TEditorWidget& source);
  bool CopyFrom(TTextEditorProp& source);
  bool CopyTo(TEditorWidget& target);
  bool CopyTo(TTextEditorProp& target) { return target.CopyFrom(*this); }

 private:
  TColor color_ = clWindow;
  TColor fontColor_ = clWindowText;
  TTextEditorCaret caret_;
  QFont font_;
  TTextEditorHitStyle hitStyle_ = hsSelect;
  TTextEditorImagebar imagebar_;
  TTextEditorLeftbar leftbar_;
  TTextEditorMargin margin_;
  TTextEditorMarks marks_;
  TWordList reserveWordList_;
  TTextEditorRuler ruler_;
  TScrollStyle scrollBars_ = ssNone;
  TTextEditorSpeed speed_;
  TTextEditorViewInfo view_;
  bool wordWrap_ = false;
  TTextEditorWrapOption wrapOption_;
  TWordList fileExtList_;
};

}  // namespace tamber
