#include "app/mdi_wall.h"

#include <QEvent>
#include <QMdiArea>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

namespace tamber {

namespace {

// A tile drawn smaller than this is repeated into a block at least this
// large before painting.
constexpr int kMinTileBlock = 128;

}  // namespace

std::vector<QRect> WallpaperRects(TTileMode mode, QSize picture, QSize area, const QRect& exposed) {
  if (picture.isEmpty() || area.isEmpty()) return {};
  const int W = area.width(), H = area.height(), w = picture.width(), h = picture.height();
  auto at = [&](int x, int y) { return std::vector<QRect>{QRect(x, y, w, h)}; };
  const int centreX = W / 2 - w / 2, centreY = H / 2 - h / 2, right = W - w - 1, bottom = H - h;
  switch (mode) {
    case TTileMode::tmTile: {
      const QRect part = exposed.intersected(QRect(0, 0, W, H));
      std::vector<QRect> out;
      if (part.isEmpty()) return out;
      for (int y = part.top() / h * h; y <= part.bottom(); y += h)
        for (int x = part.left() / w * w; x <= part.right(); x += w) out.emplace_back(x, y, w, h);
      return out;
    }
    case TTileMode::tmStretch: return {QRect(0, 0, W, H)};
    case TTileMode::tmCenter: return at(centreX, centreY);
    case TTileMode::tmLeftVCenter: return at(0, centreY);
    case TTileMode::tmLeftVTop: return at(0, 0);
    case TTileMode::tmLeftVBottom: return at(0, bottom);
    case TTileMode::tmRightVCenter: return at(right, centreY);
    case TTileMode::tmRightVTop: return at(right, 0);
    case TTileMode::tmRightVBottom: return at(right, bottom);
    case TTileMode::tmCenterVTop: return at(centreX, 0);
    case TTileMode::tmCenterVBottom: return at(centreX, bottom);
  }
  return {};
}

bool WallpaperFillsBackground(TTileMode mode) { return mode != TTileMode::tmTile && mode != TTileMode::tmStretch; }

TMDIWall::TMDIWall(QMdiArea* area) : QObject(area), area_(area), viewport_(area->viewport()) {
  viewport_->installEventFilter(this);
  // Scrolling moves what is on the screen; the picture must not move with it.
  for (QScrollBar* bar : {area_->horizontalScrollBar(), area_->verticalScrollBar()})
    connect(bar, &QScrollBar::valueChanged, this, [this] { Refresh(); });
}

// The area may be going already (the wallpaper is its child): only the
// viewport, if still there, is touched.
TMDIWall::~TMDIWall() {
  if (viewport_) viewport_->removeEventFilter(this);
}

void TMDIWall::SetActive(bool v) {
  if (active_ == v) return;
  active_ = v;
  Refresh();
}

void TMDIWall::SetBitmap(const QImage& image) {
  bitmap_ = image;
  drawn_ = QPixmap();
  if (!bitmap_.isNull()) {
    const QPixmap one = QPixmap::fromImage(bitmap_);
    const int nx = std::max(1, (kMinTileBlock + one.width() - 1) / one.width());
    const int ny = std::max(1, (kMinTileBlock + one.height() - 1) / one.height());
    if (nx == 1 && ny == 1) {
      drawn_ = one;
    } else {
      drawn_ = QPixmap(one.width() * nx, one.height() * ny);
      drawn_.fill(Qt::transparent);
      QPainter p(&drawn_);
      p.drawTiledPixmap(drawn_.rect(), one);
    }
  }
  Refresh();
}

void TMDIWall::SetTileMode(TTileMode m) {
  if (mode_ == m) return;
  mode_ = m;
  Refresh();
}

void TMDIWall::Refresh() {
  if (viewport_) viewport_->update();
}

void TMDIWall::Paint(QPainter& p, const QRect& exposed) const {
  if (!active_ || bitmap_.isNull()) {
    p.fillRect(exposed, area_->background());
    return;
  }
  if (WallpaperFillsBackground(mode_)) p.fillRect(exposed, area_->background());
  const QSize area = viewport_->size();
  if (mode_ == TTileMode::tmTile) {
    for (const QRect& r : WallpaperRects(mode_, drawn_.size(), area, exposed)) p.drawPixmap(r.topLeft(), drawn_);
    return;
  }
  p.setRenderHint(QPainter::SmoothPixmapTransform, mode_ == TTileMode::tmStretch);
  for (const QRect& r : WallpaperRects(mode_, bitmap_.size(), area, exposed))
    p.drawImage(r, bitmap_);
}

bool TMDIWall::eventFilter(QObject* watched, QEvent* e) {
  if (watched != viewport_) return false;
  switch (e->type()) {
    case QEvent::Paint: {
      // In place of the area's own painting, which only fills its background.
      const auto* pe = static_cast<QPaintEvent*>(e);
      QPainter p(viewport_);
      p.setClipRegion(pe->region());
      Paint(p, pe->rect());
      return true;
    }
    case QEvent::Resize:
      Refresh();
      break;
    default:
      break;
  }
  return false;
}

QImage BuiltInWallpaper() {
  // Rows of overlapping rings (seigaiha), each row half a radius below the
  // last and drawn over it; rows alternate by one radius sideways. The
  // pattern repeats every 2R across and every R down, so a square of whole
  // periods tiles without seams.
  constexpr int R = 32, kSize = 256, kRings = 4;
  QImage img(kSize, kSize, QImage::Format_RGB32);
  img.fill(QColor(0xE9, 0xEE, 0xF3));
  QPainter p(&img);
  p.setRenderHint(QPainter::Antialiasing);
  const QColor fills[2] = {QColor(0xC6, 0xD4, 0xE2), QColor(0xE9, 0xEE, 0xF3)};
  const QPen line(QColor(0x9F, 0xB5, 0xCB), 1.4);
  for (int row = -2; row * R / 2 <= kSize + R; ++row) {
    const int y = row * R / 2;
    const int shift = (row & 1) ? R : 0;
    for (int x = shift - 2 * R; x <= kSize + 2 * R; x += 2 * R) {
      for (int k = kRings; k >= 1; --k) {
        const double r = R * k / double(kRings) - (k == kRings ? 0.0 : 1.0);
        p.setPen(line);
        p.setBrush(fills[k & 1]);
        p.drawEllipse(QPointF(x, y), r, r);
      }
    }
  }
  return img;
}

}  // namespace tamber
