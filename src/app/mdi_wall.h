// TMDIWall: the wallpaper of the document area, a picture painted behind the
// documents by one of eleven placements. It paints the area's viewport in
// place of the area's background brush, and paints all of it again after a
// resize or a scroll, so the picture stays where it is on the screen rather
// than moving with the documents.
#pragma once

#include <QImage>
#include <QObject>
#include <QPixmap>
#include <QPointer>
#include <QRect>
#include <QSize>
#include <vector>

class QMdiArea;
class QPainter;

namespace tamber {

enum class TTileMode {
  tmTile,
  tmStretch,
  tmCenter,
  tmLeftVCenter,
  tmLeftVTop,
  tmLeftVBottom,
  tmRightVCenter,
  tmRightVTop,
  tmRightVBottom,
  tmCenterVTop,
  tmCenterVBottom,
};

// Where copies of a picture of size picture go in an area of size area, by
// mode: for tmTile the copies side by side from the top-left corner that meet
// exposed (the part being painted), for every other mode the one rectangle.
// Nothing for an empty picture or area. Halves round toward zero.
std::vector<QRect> WallpaperRects(TTileMode mode, QSize picture, QSize area, const QRect& exposed);
// Whether the mode leaves parts of the area to the background brush.
bool WallpaperFillsBackground(TTileMode mode);

class TMDIWall : public QObject {
  Q_OBJECT

 public:
  // Attached to area from the start; detached when destroyed.
  explicit TMDIWall(QMdiArea* area);
  ~TMDIWall() override;

  bool Active() const { return active_; }
  void SetActive(bool v);
  // The picture (owned); a null image paints the background alone.
  const QImage& Bitmap() const { return bitmap_; }
  void SetBitmap(const QImage& image);
  TTileMode TileMode() const { return mode_; }
  void SetTileMode(TTileMode m);
  // Paints the whole area again.
  void Refresh();

  // Paints the part exposed of the area's viewport.
  void Paint(QPainter& p, const QRect& exposed) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  QMdiArea* area_;
  QPointer<QWidget> viewport_;
  QImage bitmap_;
  // What is drawn: the picture, or for tiling a small one repeated into a
  // larger block so a tiny picture does not cost a draw per copy.
  QPixmap drawn_;
  bool active_ = true;
  TTileMode mode_ = TTileMode::tmTile;
};

// The program's own wallpaper: a tile of blue-grey waves that repeats
// without seams.
QImage BuiltInWallpaper();

}  // namespace tamber
