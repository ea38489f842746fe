#include "app/tamber_form.h"

#include <QLabel>
#include <QMdiArea>
#include <QStatusBar>

namespace tamber {

namespace {
struct PanelLayout {
  int width;
  Qt::Alignment alignment;
};
constexpr PanelLayout kPanels[TTamberForm::kStatusPanelCount] = {
    {120, Qt::AlignCenter}, {50, Qt::AlignCenter}, {50, Qt::AlignCenter},
    {50, Qt::AlignCenter},  {50, Qt::AlignLeft | Qt::AlignVCenter},
};
}  // namespace

TTamberForm::TTamberForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("TTamberForm");
  setWindowTitle(QString::fromUtf8(kMainWindowCaption));
  auto* area = new QMdiArea(this);
  area->setObjectName("MDIArea");
  setCentralWidget(area);

  QStatusBar* bar = statusBar();
  bar->setObjectName("StatusBar1");
  bar->setSizeGripEnabled(true);
  for (int i = 0; i < kStatusPanelCount; ++i) {
    auto* label = new QLabel(bar);
    label->setObjectName(QString("StatusPanel%1").arg(i));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->setAlignment(kPanels[i].alignment);
    // The last panel takes what is left of the bar; the others keep their width.
    if (i + 1 < kStatusPanelCount)
      label->setFixedWidth(kPanels[i].width);
    else
      label->setMinimumWidth(kPanels[i].width);
    bar->addWidget(label, i + 1 < kStatusPanelCount ? 0 : 1);
    panels_[static_cast<std::size_t>(i)] = label;
  }
  SetStatusText(2, QString::fromUtf8("挿入"));
  resize(800, 600);
}

void TTamberForm::SetStatusText(int panel, const QString& text) {
  if (panel < 0 || panel >= kStatusPanelCount) return;
  panels_[static_cast<std::size_t>(panel)]->setText(text);
}

QString TTamberForm::StatusText(int panel) const {
  if (panel < 0 || panel >= kStatusPanelCount) return {};
  return panels_[static_cast<std::size_t>(panel)]->text();
}

}  // namespace tamber
