#include "app/font_chooser.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace tamber {

namespace {

constexpr int kMinSize = 6, kMaxSize = 72;

// Measured at a large pixel size, so rounding inside the font hides nothing.
constexpr int kProbePixels = 40;

}  // namespace

bool IsDualWidthFixedPitch(const QString& family) {
  QFont font(family);
  font.setPixelSize(kProbePixels);
  font.setKerning(false);
  font.setStyleStrategy(QFont::NoFontMerging);  // a fallback's glyphs say nothing of this family
  if (QFontInfo(font).family().compare(family, Qt::CaseInsensitive) != 0) return false;
  const QFontMetricsF m(font);
  const QString half = QStringLiteral("0 1iWm.,:|_@ABCabcwxyz~");
  const QString full = QString::fromUtf8("あ漢アＷ０、。「ー");
  const qreal w = m.horizontalAdvance(half.at(0));
  if (w <= 0) return false;
  const qreal tolerance = 0.02 * w + 0.01;
  for (QChar c : half)
    if (!m.inFont(c) || std::abs(m.horizontalAdvance(c) - w) > tolerance) return false;
  for (QChar c : full)
    if (!m.inFont(c) || std::abs(m.horizontalAdvance(c) - 2 * w) > tolerance) return false;
  return true;
}

const QStringList& FixedPitchFamilies() {
  static const QStringList families = [] {
    QStringList out;
    for (const QString& f : QFontDatabase::families())
      if (!QFontDatabase::isPrivateFamily(f) && IsDualWidthFixedPitch(f)) out << f;
    out.sort(Qt::CaseInsensitive);
    return out;
  }();
  return families;
}

TFontChooser::TFontChooser(QWidget* parent) : QDialog(parent) {
  setObjectName("FontChooser");
  setWindowTitle(QString::fromUtf8("フォント"));
  families_ = new QListWidget(this);
  families_->setObjectName("FontFamilies");
  families_->addItems(FixedPitchFamilies());
  size_ = new QSpinBox(this);
  size_->setObjectName("FontSize");
  size_->setRange(kMinSize, kMaxSize);
  size_->setValue(11);
  sample_ = new QLabel(QString::fromUtf8(kFontSampleText), this);
  sample_->setObjectName("FontSample");
  sample_->setFrameShape(QFrame::StyledPanel);
  sample_->setMinimumHeight(48);
  sample_->setAlignment(Qt::AlignCenter);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole)->setObjectName("FontOk");
  buttons->addButton(QString::fromUtf8("キャンセル"), QDialogButtonBox::RejectRole)->setObjectName("FontCancel");
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel(QString::fromUtf8("フォント名"), this), 0, 0);
  grid->addWidget(new QLabel(QString::fromUtf8("サイズ"), this), 0, 1);
  grid->addWidget(families_, 1, 0);
  grid->addWidget(size_, 1, 1, Qt::AlignTop);
  grid->setColumnStretch(0, 1);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addWidget(new QLabel(QString::fromUtf8("サンプル"), this));
  layout->addWidget(sample_);
  layout->addWidget(buttons);
  connect(families_, &QListWidget::currentRowChanged, this, [this] { UpdateSample(); });
  connect(size_, &QSpinBox::valueChanged, this, [this] { UpdateSample(); });
  if (families_->count() > 0) families_->setCurrentRow(0);
  resize(360, 320);
}

void TFontChooser::SetChosen(const QFont& font) {
  const auto hits = families_->findItems(font.family(), Qt::MatchFixedString);
  if (!hits.isEmpty()) families_->setCurrentItem(hits.front());
  if (font.pointSize() > 0) size_->setValue(font.pointSize());
  UpdateSample();
}

QFont TFontChooser::Chosen() const {
  QFont f(families_->currentItem() ? families_->currentItem()->text() : QString(), size_->value());
  return f;
}

void TFontChooser::UpdateSample() { sample_->setFont(Chosen()); }

}  // namespace tamber
