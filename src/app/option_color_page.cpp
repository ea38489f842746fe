#include "app/option_color_page.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/editor_settings.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"
#include "view/ui/text_editor_fx.h"

namespace tamber {

namespace {

QString T(const char* utf8) { return QString::fromUtf8(utf8); }

constexpr int kGridColumns = 4;

// The sample opens with the word whose 8 bytes stay selected, so that the
// selection's colours show.
constexpr const char* kSampleText =
    "選択領域 は選択した文字の色です\r\n"
    "// コメントの行\r\n"
    "半角文字 abcdef ABCDEF\r\n"
    "全角文字 あいうえお 漢字\r\n"
    "数値 12345 0x1F\r\n"
    "文字列 'string'\r\n"
    "記号 ( ) { } [ ] ; : = +\r\n"
    "予約語 begin end if then\r\n"
    "ＵＲＬ http://www.example.com/\r\n"
    "メール tamber@example.com";
constexpr int kSampleSelection = 8;

constexpr const char* kSlotCaptions[kColorListSlotCount] = {
    "背景", "半角", "コメント", "全角", "数値", "文字列", "記号", "予約語", "ＵＲＬ", "メール", "選択", "ルーラー"};

// The presets: background, foreground of each slot of the list.
struct TPresetColor {
  TColor bg, fg;
};
constexpr TPresetColor kWhite[kColorListSlotCount] = {
    {0x80000005, 0x000000}, {0x80000005, 0x80000008}, {0xFFFFFF, 0x008080}, {0xFFFFFF, 0x800000},
    {0xFFFFFF, 0x800000},   {0x80000005, 0x008000},   {0xFFFFFF, 0xFF00FF}, {0xFFFFFF, 0x000080},
    {0xFFFFFF, 0xFFFF00},   {0xFFFFFF, 0x00FF00},     {0xFF0000, 0xFFFFFF}, {0x80000005, 0x800000}};
constexpr TPresetColor kBlue[kColorListSlotCount] = {
    {0x800000, 0x000000}, {0x800000, 0xFFFFFF}, {0x800000, 0x008080}, {0x800000, 0xFFFFFF},
    {0x800000, 0xFFFF00}, {0x800000, 0x0000FF}, {0x800000, 0xFF00FF}, {0x800000, 0x00FFFF},
    {0x800000, 0xFFFF00}, {0x800000, 0x00FF00}, {0xFF0000, 0xFFFFFF}, {0x800000, 0xFFFFFF}};

QColor ToQ(TColor c) { return QColor(static_cast<int>(RedOf(c)), static_cast<int>(GreenOf(c)), static_cast<int>(BlueOf(c))); }

}  // namespace

// ---- the grid ----

TColorGrid::TColorGrid(QWidget* parent) : QWidget(parent) {
  setObjectName("ColorGrid");
  setMinimumSize(100, 100);
  setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void TColorGrid::SetMarkers(int foreground, int background) {
  fg_ = std::clamp(foreground, 0, kStandardColorCount - 1);
  bg_ = std::clamp(background, 0, kStandardColorCount - 1);
  update();
}

QRect TColorGrid::CellRect(int index) const {
  const int w = width() / kGridColumns, h = height() / kGridColumns;
  return {(index % kGridColumns) * w, (index / kGridColumns) * h, w, h};
}

int TColorGrid::CellAt(QPoint p) const {
  for (int i = 0; i < kStandardColorCount; ++i)
    if (CellRect(i).contains(p)) return i;
  return -1;
}

void TColorGrid::paintEvent(QPaintEvent*) {
  QPainter p(this);
  QFont f = font();
  f.setBold(true);
  p.setFont(f);
  for (int i = 0; i < kStandardColorCount; ++i) {
    const QRect r = CellRect(i).adjusted(1, 1, -1, -1);
    const QColor c = ToQ(StandardColors[i]);
    p.fillRect(r, c);
    p.setPen(QColor(Qt::gray));
    p.drawRect(r.adjusted(0, 0, -1, -1));
    QString mark = i == fg_ && i == bg_ ? QStringLiteral("FB") : i == fg_ ? QStringLiteral("FG")
                                                             : i == bg_ ? QStringLiteral("BG") : QString();
    if (mark.isEmpty()) continue;
    p.setPen(c.lightness() > 128 ? QColor(Qt::black) : QColor(Qt::white));
    p.drawText(r, Qt::AlignCenter, mark);
  }
}

void TColorGrid::mousePressEvent(QMouseEvent* e) {
  const int cell = CellAt(e->position().toPoint());
  if (cell < 0) return;
  if (e->button() == Qt::LeftButton) fg_ = cell;
  else if (e->button() == Qt::RightButton) bg_ = cell;
  update();
}

void TColorGrid::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton && e->button() != Qt::RightButton) return;
  if (OnChange) OnChange();
}

// ---- the page ----

TColorOptionPage::TColorOptionPage(TTamberForm& form, QWidget* parent) : TOptionPage(form, parent) {
  setObjectName("ColorPage");
  colorEdit_ = new TTextEditorFx(this);
  colorEdit_->setObjectName("ColorEdit");
  colorEdit_->setMinimumSize(300, 170);
  TTextEditorFurniture& f = colorEdit_->Furniture();
  // Every kind of token the slots colour appears in the sample.
  TTextEditorViewInfo& view = f.View();
  view.SetCommenter("//");
  view.SetQuotation("'");
  view.SetUrl(true);
  view.SetMail(true);
  for (const char* w : {"begin", "end", "if", "then"}) view.Fountain().ReserveWordList().Add(w);
  f.Leftbar().SetVisible(true);
  f.Ruler().SetVisible(true);
  f.Margin().SetLeft(4);
  colorEdit_->SetEditorFont(form.DefEdit().EditorFont());
  colorEdit_->Editor().SetText(Utf8ToCp932(kSampleText));
  colorEdit_->Editor().SetReadOnly(true);
  colorEdit_->Editor().SetSel(0, kSampleSelection);
  colorEdit_->setFocusPolicy(Qt::NoFocus);

  list_ = new QListWidget(this);
  list_->setObjectName("ListBox1");
  for (const char* c : kSlotCaptions) list_->addItem(T(c));
  list_->setFixedWidth(110);
  grid_ = new TColorGrid(this);
  grid_->setFixedSize(132, 132);
  bold_ = new QCheckBox(T("太字"), this);
  bold_->setObjectName("BoldCheck");
  italic_ = new QCheckBox(T("斜体"), this);
  italic_->setObjectName("ItalicCheck");
  under_ = new QCheckBox(T("下線"), this);
  under_->setObjectName("UnderCheck");
  white_ = new QPushButton(T("白系"), this);
  white_->setObjectName("White");
  blue_ = new QPushButton(T("青系"), this);
  blue_->setObjectName("Blue");

  auto* styleBox = new QGroupBox(T("スタイル"), this);
  auto* styles = new QVBoxLayout(styleBox);
  styles->addWidget(bold_);
  styles->addWidget(italic_);
  styles->addWidget(under_);
  auto* presetBox = new QGroupBox(T("プリセット"), this);
  auto* presets = new QVBoxLayout(presetBox);
  presets->addWidget(white_);
  presets->addWidget(blue_);
  auto* gridBox = new QGroupBox(T("色（左：文字 右：背景）"), this);
  auto* gridLayout = new QVBoxLayout(gridBox);
  gridLayout->addWidget(grid_);

  auto* lower = new QHBoxLayout;
  lower->addWidget(list_);
  lower->addWidget(gridBox);
  lower->addWidget(styleBox, 0, Qt::AlignTop);
  lower->addWidget(presetBox, 0, Qt::AlignTop);
  lower->addStretch(1);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(colorEdit_, 1);
  layout->addLayout(lower);

  connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowSlot(); });
  grid_->OnChange = [this] { GridChanged(); };
  for (QCheckBox* c : {bold_, italic_, under_}) connect(c, &QCheckBox::clicked, this, [this] { StyleClicked(); });
  connect(white_, &QPushButton::clicked, this, [this] { ApplyPreset(false); });
  connect(blue_, &QPushButton::clicked, this, [this] { ApplyPreset(true); });
  list_->setCurrentRow(0);
}

TFountainColor* TColorOptionPage::SlotColor(int slot) const {
  TTextEditorColors& c = colorEdit_->Furniture().View().Colors();
  switch (slot) {
    case clsAnk: return &c.Ank();
    case clsComment: return &c.Comment();
    case clsDBCS: return &c.DBCS();
    case clsInt: return &c.Int();
    case clsStr: return &c.Str();
    case clsSymbol: return &c.Symbol();
    case clsReserve: return &c.Reserve();
    case clsUrl: return &c.Url();
    case clsMail: return &c.Mail();
    case clsSelect: return &c.Select();
    default: return nullptr;
  }
}

TColor TColorOptionPage::SlotForeground(int slot) const {
  TTextEditorFurniture& f = colorEdit_->Furniture();
  if (slot == clsBackground) return f.FontColor();
  if (slot == clsRuler) return f.Ruler().Color();
  const TFountainColor* c = SlotColor(slot);
  return c ? c->Color() : clNone;
}

TColor TColorOptionPage::SlotBackground(int slot) const {
  TTextEditorFurniture& f = colorEdit_->Furniture();
  if (slot == clsBackground) return f.Color();
  if (slot == clsRuler) return f.Ruler().BkColor();
  const TFountainColor* c = SlotColor(slot);
  return c ? c->BkColor() : clNone;
}

void TColorOptionPage::SetSlotColors(int slot, TColor fg, TColor bg) {
  TTextEditorFurniture& f = colorEdit_->Furniture();
  if (slot == clsBackground) {
    f.SetColor(bg);
    f.SetFontColor(fg);
  } else if (slot == clsRuler) {
    // The line-number bar wears the ruler's colours.
    f.Ruler().SetColor(fg);
    f.Ruler().SetBkColor(bg);
    f.Leftbar().SetColor(fg);
    f.Leftbar().SetBkColor(bg);
  } else if (TFountainColor* c = SlotColor(slot)) {
    c->SetColor(fg);
    c->SetBkColor(bg);
  }
  colorEdit_->viewport()->update();
}

void TColorOptionPage::ShowSlot() {
  const int slot = list_->currentRow();
  if (slot < 0) return;
  showing_ = true;
  const int bg = StandardColorIndex(SlotBackground(slot));
  const int fg = StandardColorIndex(SlotForeground(slot));
  grid_->SetMarkers(fg < 0 ? 0 : fg, bg < 0 ? 15 : bg);
  const TFountainColor* c = SlotColor(slot);
  const TFontStyles style = c ? c->Style() : 0;
  bold_->setChecked(style & fsBold);
  italic_->setChecked(style & fsItalic);
  under_->setChecked(style & fsUnderline);
  for (QCheckBox* b : {bold_, italic_, under_}) b->setEnabled(c != nullptr);
  showing_ = false;
}

void TColorOptionPage::GridChanged() {
  const int slot = list_->currentRow();
  if (slot < 0) return;
  SetSlotColors(slot, StandardColors[grid_->ForegroundIndex()], StandardColors[grid_->BackgroundIndex()]);
}

void TColorOptionPage::StyleClicked() {
  if (showing_) return;
  TFountainColor* c = SlotColor(list_->currentRow());
  if (!c) return;
  c->SetStyle(static_cast<TFontStyles>((bold_->isChecked() ? fsBold : 0) | (italic_->isChecked() ? fsItalic : 0) |
                                       (under_->isChecked() ? fsUnderline : 0)));
  colorEdit_->viewport()->update();
}

void TColorOptionPage::ApplyPreset(bool blue) {
  const TPresetColor* preset = blue ? kBlue : kWhite;
  for (int i = 0; i < kColorListSlotCount; ++i) SetSlotColors(i, preset[i].fg, preset[i].bg);
  ShowSlot();
}

void TColorOptionPage::showEvent(QShowEvent* e) {
  TOptionPage::showEvent(e);
  // The sample shows from its start, whatever its selection scrolled to.
  colorEdit_->Editor().SetTopCol(0);
  colorEdit_->Editor().SetTopRow(0);
}

void TColorOptionPage::Load(const TSettings& s) {
  ApplyColorSettings(colorEdit_->Furniture(), s);
  colorEdit_->viewport()->update();
  ShowSlot();
}

bool TColorOptionPage::Store(TSettings& s, QString&) {
  StoreColorSettings(colorEdit_->Furniture(), s);
  return true;
}

}  // namespace tamber
