#include "app/editor_settings.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <algorithm>

#include "encoding/cp932_codec.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

const TColor StandardColors[kStandardColorCount] = {
    clBlack, clMaroon, clGreen, clOlive, clNavy, clPurple, clTeal, clSilver,
    clGray,  clRed,    clLime,  clYellow, clBlue, clFuchsia, clAqua, clWhite};

int StandardColorIndex(TColor c) {
  const auto* end = StandardColors + kStandardColorCount;
  const auto* at = std::find(StandardColors, end, c);
  return at == end ? -1 : static_cast<int>(at - StandardColors);
}

namespace {

std::array<TFountainColor*, kColorSlotCount> Slots(TTextEditorColors& c) {
  // In the order of TColorSlotIndex.
  return {&c.Ank(), &c.Comment(), &c.DBCS(), &c.Int(), &c.Mail(),
          &c.Reserve(), &c.Select(), &c.Str(), &c.Symbol(), &c.Url()};
}

}  // namespace

void ApplyColorSettings(TTextEditorFurniture& f, const TSettings& s) {
  const auto parts = Slots(f.View().Colors());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    parts[i]->SetColor(s.Slots[i].Fg);
    parts[i]->SetBkColor(s.Slots[i].Bg);
    parts[i]->SetStyle(static_cast<TFontStyles>(s.Slots[i].Style & (fsBold | fsItalic | fsUnderline)));
  }
  f.SetColor(s.Color);
  f.SetFontColor(s.FontColor);
  f.Ruler().SetColor(s.FgRuler);
  f.Ruler().SetBkColor(s.BgRuler);
  f.Leftbar().SetColor(s.FgRuler);
  f.Leftbar().SetBkColor(s.BgRuler);
}

void StoreColorSettings(const TTextEditorFurniture& cf, TSettings& s) {
  auto& f = const_cast<TTextEditorFurniture&>(cf);  // the colour objects have no const access
  const auto parts = Slots(f.View().Colors());
  for (std::size_t i = 0; i < parts.size(); ++i) {
    s.Slots[i].Fg = parts[i]->Color();
    s.Slots[i].Bg = parts[i]->BkColor();
    s.Slots[i].Style = parts[i]->Style();
  }
  s.Color = f.Color();
  s.FontColor = f.FontColor();
  s.FgRuler = f.Ruler().Color();
  s.BgRuler = f.Ruler().BkColor();
}

void ApplyMarkSettings(TTextEditorFurniture& f, const TSettings& s) {
  f.Margin().SetLeft(s.LeftMarginWidth());
  f.Margin().SetLine(std::clamp(s.MarginLine, 0, 100));
  f.Margin().SetCharacter(std::clamp(s.MarginCharacter, 0, 100));
  f.Leftbar().SetVisible(s.ShowNumber);
  f.Ruler().SetVisible(s.ShowRuler);
  f.Marks().RetMark().SetVisible(s.ViewRet);
  f.Marks().EofMark().SetVisible(s.ViewEof);
  TTextEditorFxMarks& fx = f.FxMarks();
  fx.TabMark().SetVisible(s.ShowTab);
  fx.SpaceMark().SetVisible(s.ShowSpace);
  fx.DBSpaceMark().SetVisible(s.ShowDBSpace);
  fx.CurrentLine().SetVisible(s.ShowCurrentLine);
  fx.CurrentLine().SetColor(s.CurrentLineColor);
  fx.ParenMark().SetVisible(s.ShowParen);
  fx.ParenMark().SetColor(s.ParenColor);
}

void ApplyTemplateSettings(TTextEditorFx& e, const TSettings& s) {
  TTextEditorFurniture& f = e.Furniture();
  ApplyMarkSettings(f, s);
  ApplyColorSettings(f, s);
  e.SetEditorFont(EditorFontOf(s.Font));
}

QFont EditorFontOf(const TFontData& data) {
  const int size = std::clamp(data.Size > 0 ? data.Size : kDefaultFontSize, 1, 200);
  const QString family = QString::fromStdString(Cp932ToUtf8(data.Name));
  if (family.isEmpty() || !QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    QFont f = TEditorWidget::DefaultFont();
    f.setPointSize(size);
    return f;
  }
  QFont f(family, size);
  f.setStyleHint(QFont::Monospace);
  return f;
}

bool FontDataOf(const QFont& font, TFontData& data) {
  std::size_t lost = 0;
  const std::string name = Utf8ToCp932(font.family().toStdString(), &lost);
  if (lost > 0) return false;
  data.Name = name;
  if (font.pointSize() > 0) data.Size = font.pointSize();
  data.Style = 0;
  return true;
}

}  // namespace tamber
