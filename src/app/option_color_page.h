// The options dialog's page "色": a sample editor showing a fixed text in
// the colours being edited (it is the colour model while the dialog is
// open), the list of colour slots, the 16-colour grid with its foreground
// and background markers, the style boxes and the two preset schemes.
#pragma once

#include <QWidget>
#include <functional>

#include "app/option_page.h"

class QCheckBox;
class QListWidget;
class QPushButton;

namespace tamber {

class TFountainColor;
class TTextEditorFx;

// The 16 standard colours in a 4 x 4 grid. The left button puts the
// foreground marker on a cell, the right button the background marker;
// releasing the button reports both markers.
class TColorGrid : public QWidget {
  Q_OBJECT

 public:
  explicit TColorGrid(QWidget* parent = nullptr);
  int ForegroundIndex() const { return fg_; }
  int BackgroundIndex() const { return bg_; }
  void SetMarkers(int foreground, int background);
  // The cell under p, or -1.
  int CellAt(QPoint p) const;
  QRect CellRect(int index) const;
  QSize sizeHint() const override { return {132, 132}; }

  std::function<void()> OnChange;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;

 private:
  int fg_ = 0, bg_ = 15;
};

// The slots of the colour list, in its order.
enum TColorListSlot : int {
  clsBackground, clsAnk, clsComment, clsDBCS, clsInt, clsStr, clsSymbol, clsReserve, clsUrl, clsMail,
  clsSelect, clsRuler, kColorListSlotCount
};

class TColorOptionPage : public TOptionPage {
  Q_OBJECT

 public:
  TColorOptionPage(TTamberForm& form, QWidget* parent);
  void Load(const TSettings& s) override;
  bool Store(TSettings& s, QString& message) override;

 protected:
  void showEvent(QShowEvent* e) override;

 public:
  TTextEditorFx& ColorEdit() const { return *colorEdit_; }
  QListWidget* SlotList() const { return list_; }
  TColorGrid* Grid() const { return grid_; }
  QCheckBox* BoldCheck() const { return bold_; }
  QCheckBox* ItalicCheck() const { return italic_; }
  QCheckBox* UnderCheck() const { return under_; }

  // The colours of a slot as the sample shows them.
  TColor SlotForeground(int slot) const;
  TColor SlotBackground(int slot) const;
  // The presets "白系" (false) and "青系" (true).
  void ApplyPreset(bool blue);

 private:
  // nullptr for the background and the ruler, which have no style.
  TFountainColor* SlotColor(int slot) const;
  void SetSlotColors(int slot, TColor foreground, TColor background);
  void ShowSlot();
  void GridChanged();
  void StyleClicked();

  TTextEditorFx* colorEdit_;
  QListWidget* list_;
  TColorGrid* grid_;
  QCheckBox *bold_, *italic_, *under_;
  QPushButton *white_, *blue_;
  bool showing_ = false;
};

}  // namespace tamber
