#include "view/ui/text_editor_prop.h"

namespace tamber {

TTextEditorProp::TTextEditorProp() : font_(TEditorWidget::DefaultFont()) {}

bool TTextEditorProp::CopyFrom(TEditorWidget& source) {
  try {
    TTextEditorFurniture& f = source.Furniture();
    TTextEditor& e = source.Editor();
    color_ = f.Color();
    fontColor_ = f.FontColor();
    caret_.Assign(e.Caret());
    font_ = source.EditorFont();
    hitStyle_ = e.HitStyle();
    imagebar_.Assign(f.Imagebar());
    leftbar_.Assign(f.Leftbar());
    margin_.Assign(f.Margin());
    marks_.Assign(f.Marks());
    reserveWordList_.Assign(f.View().Fountain().ReserveWordList());
    ruler_.Assign(f.Ruler());
    scrollBars_ = source.ScrollBars();
    speed_ = e.Speed();
    view_.Assign(f.View());
    wordWrap_ = e.Text().WordWrap();
    wrapOption_.Assign(e.Text().WrapOption());
  } catch (...) {
    return false;
  }
  return true;
}

bool TTextEditorProp::CopyFrom(TTextEditorProp& source) {
  if (&source == this) return true;
  try {
    color_ = source.color_;
    fontColor_ = source.fontColor_;
    caret_.Assign(source.caret_);
    font_ = source.font_;
    hitStyle_ = source.hitStyle_;
    imagebar_.Assign(source.imagebar_);
    leftbar_.Assign(source.leftbar_);
    margin_.Assign(source.margin_);
    marks_.Assign(source.marks_);
    reserveWordList_.Assign(source.reserveWordList_);
    ruler_.Assign(source.ruler_);
    scrollBars_ = source.scrollBars_;
    speed_ = source.speed_;
    view_.Assign(source.view_);
    wordWrap_ = source.wordWrap_;
    wrapOption_.Assign(source.wrapOption_);
    fileExtList_.Assign(source.fileExtList_);
  } catch (...) {
    return false;
  }
  return true;
}

bool TTextEditorProp::CopyTo(TEditorWidget& target) {
  try {
    TTextEditorFurniture& f = target.Furniture();
    TTextEditor& e = target.Editor();
    f.SetColor(color_);
    f.SetFontColor(fontColor_);
    e.Caret().Assign(caret_);
    target.SetEditorFont(font_);
    e.SetHitStyle(hitStyle_);
    f.Imagebar().Assign(imagebar_);
    f.Leftbar().Assign(leftbar_);
    f.Margin().Assign(margin_);
    f.Marks().Assign(marks_);
    f.View().Fountain().SetReserveWordList(reserveWordList_);
    f.Ruler().Assign(ruler_);
    target.SetScrollBars(scrollBars_);
    e.Speed() = speed_;
    f.View().Assign(view_);
    // The text rewraps once: the options first when wrapping stays or goes on.
    if (wordWrap_) {
      e.Text().WrapOption().Assign(wrapOption_);
      e.Text().SetWordWrap(true);
    } else {
      e.Text().SetWordWrap(false);
      e.Text().WrapOption().Assign(wrapOption_);
    }
  } catch (...) {
    return false;
  }
  return true;
}

}  // namespace tamber
