#include "app/mdi_tab.h"

#include <QEvent>
#include <QFileInfo>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <algorithm>
#include <string_view>

#include "app/tamber_form.h"

namespace tamber {

namespace {
QString TabText(const QMdiSubWindow* w) { return QFileInfo(w->windowTitle()).fileName(); }
}  // namespace

TMDITab::TMDITab(QMdiArea* area, QWidget* panel) : QTabBar(panel), area_(area), panel_(panel) {
  setObjectName("MDITab");
  setShape(QTabBar::RoundedNorth);
  setDrawBase(true);
  setExpanding(false);
  setFocusPolicy(Qt::NoFocus);
  connect(area_, &QMdiArea::subWindowActivated, this, [this](QMdiSubWindow* w) {
    if (!w) return;
    if (IndexOf(w) < 0) {
      Add(w);
      return;
    }
    syncing_ = true;
    setCurrentIndex(IndexOf(w));
    syncing_ = false;
  });
  connect(this, &QTabBar::currentChanged, this, &TMDITab::Changed);
  // A click on the current tab brings back its document when it was minimised.
  connect(this, &QTabBar::tabBarClicked, this, [this](int i) {
    if (i == currentIndex()) Changed(i);
  });
}

int TMDITab::IndexOf(const QMdiSubWindow* w) const {
  for (int i = 0; i < count(); ++i)
    if (tabData(i).value<quintptr>() == reinterpret_cast<quintptr>(w)) return i;
  return -1;
}

QMdiSubWindow* TMDITab::WindowAt(int i) const {
  if (i < 0 || i >= count()) return nullptr;
  const auto p = tabData(i).value<quintptr>();
  for (QMdiSubWindow* w : area_->subWindowList())
    if (reinterpret_cast<quintptr>(w) == p) return w;
  return nullptr;
}

void TMDITab::Add(QMdiSubWindow* w) {
  if (!w || IndexOf(w) >= 0) return;
  syncing_ = true;
  const int i = addTab(TabText(w));
  setTabData(i, QVariant::fromValue(reinterpret_cast<quintptr>(w)));
  setCurrentIndex(i);
  syncing_ = false;
  connect(w, &QWidget::windowTitleChanged, this, [this, w] {
    const int k = IndexOf(w);
    if (k >= 0) setTabText(k, TabText(w));
  });
  connect(w, &QObject::destroyed, this, &TMDITab::Remove);
  UpdateVisibility();
}

void TMDITab::Remove(QObject* w) {
  for (int i = 0; i < count(); ++i) {
    if (tabData(i).value<quintptr>() == reinterpret_cast<quintptr>(w)) {
      syncing_ = true;
      removeTab(i);
      syncing_ = false;
      break;
    }
  }
  if (QMdiSubWindow* a = area_->activeSubWindow()) {
    syncing_ = true;
    setCurrentIndex(IndexOf(a));
    syncing_ = false;
  }
  UpdateVisibility();
}

void TMDITab::Changed(int i) {
  if (syncing_ || i < 0) return;
  QMdiSubWindow* w = WindowAt(i);
  if (!w) return;
  if (CanChange && !CanChange()) {
    syncing_ = true;
    setCurrentIndex(IndexOf(area_->activeSubWindow()));
    syncing_ = false;
    if (Refused) Refused();
    return;
  }
  if (w->isMinimized()) w->showNormal();
  area_->setActiveSubWindow(w);
  w->raise();
  w->setFocus();
}

void TMDITab::UpdateVisibility() {
  const bool show = count() > 0 && (!Wanted || Wanted());
  if (panel_) panel_->setVisible(show);
}

std::vector<QRect> TileRects(const QRect& area, int n, bool horizontal) {
  std::vector<QRect> out;
  if (n <= 0 || area.isEmpty()) return out;
  const int total = horizontal ? area.height() : area.width();
  const int step = std::max(1, total / n);
  for (int i = 0; i < n; ++i) {
    const int from = i * step;
    const int size = i + 1 == n ? total - from : step;
    out.push_back(horizontal ? QRect(area.left(), area.top() + from, area.width(), size)
                             : QRect(area.left() + from, area.top(), size, area.height()));
  }
  return out;
}

namespace {
std::vector<QMdiSubWindow*> Windows(QMdiArea& area) {
  std::vector<QMdiSubWindow*> out;
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::StackingOrder))
    if (w->isVisible() || w->isMinimized()) out.push_back(w);
  return out;
}
}  // namespace

void TileWindows(QMdiArea& area, bool horizontal) {
  std::vector<QMdiSubWindow*> open;
  for (QMdiSubWindow* w : Windows(area))
    if (!w->isMinimized()) open.push_back(w);
  // The active one first, the rest by their order of creation.
  std::vector<QMdiSubWindow*> order;
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder))
    if (std::find(open.begin(), open.end(), w) != open.end()) order.push_back(w);
  if (QMdiSubWindow* a = area.activeSubWindow(); a && std::find(order.begin(), order.end(), a) != order.end()) {
    std::erase(order, a);
    order.insert(order.begin(), a);
  }
  QRect room = area.viewport()->rect();
  // Leave the icon row free when there are minimised documents.
  const bool icons = order.size() < Windows(area).size();
  if (icons) room.setBottom(room.bottom() - area.style()->pixelMetric(QStyle::PM_TitleBarHeight) - 8);
  const auto rects = TileRects(room, static_cast<int>(order.size()), horizontal);
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (order[i]->isMaximized()) order[i]->showNormal();
    order[i]->setGeometry(rects[i]);
  }
  if (icons) ArrangeIcons(area);
}

void ArrangeIcons(QMdiArea& area) {
  const QRect room = area.viewport()->rect();
  int x = 0;
  for (QMdiSubWindow* w : area.subWindowList(QMdiArea::CreationOrder)) {
    if (!w->isMinimized()) continue;
    const QSize s = w->size();
    if (x > 0 && x + s.width() > room.width()) x = 0;
    w->move(x, room.bottom() + 1 - s.height());
    x += s.width();
  }
}

void MinimizeAll(QMdiArea& area) {
  const auto list = area.subWindowList(QMdiArea::CreationOrder);
  for (auto it = list.rbegin(); it != list.rend(); ++it) (*it)->showMinimized();
  ArrangeIcons(area);
}

void BindWindowCommands(TTamberForm& form, const TWindowBindFn& bind) {
  QMdiArea* area = form.MdiArea();
  bind("WindowCascade", [area] { area->cascadeSubWindows(); });
  bind("WindowTileHorizontal", [area] { TileWindows(*area, true); });
  bind("WindowTileVertical", [area] { TileWindows(*area, false); });
  bind("WindowMinimizeAll", [area] { MinimizeAll(*area); });
  bind("WindowArrange", [area] { ArrangeIcons(*area); });
}

}  // namespace tamber
