// The wallpaper of the document area: where each mode puts the picture, what
// the area shows, repainting after scrolls, the WallPaper setting's choices
// and JPEG pictures that are good, damaged or cut short.
#include <QBuffer>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPaintEvent>
#include <QScrollBar>
#include <QtTest>

#include "app/jpeg_image.h"
#include "app/mdi_wall.h"
#include "app/tamber_form.h"
#include "encoding/cp932_codec.h"

#include "frame_test_support.h"

using namespace tamber;

Q_DECLARE_METATYPE(tamber::TTileMode)

namespace {

struct CountingPrompts : test::QuietPrompts {
  QStringList errors;
  void Error(const QString& text) override { errors << text; }
};

QByteArray Encode(const QImage& image, const char* format, int quality = 95) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, format, quality)) qFatal("cannot encode the fixture as %s", format);
  return bytes;
}

// A picture of two halves, red on the left and blue on the right.
QImage Halves(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::blue);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w / 2; ++x) img.setPixelColor(x, y, Qt::red);
  return img;
}

// A JPEG cut halfway through its compressed rows (after the start of scan):
// libjpeg would make up the rest as grey if left to itself.
QByteArray CutInScan(const QByteArray& jpeg) {
  const auto sos = jpeg.indexOf(QByteArray("\xFF\xDA", 2));
  if (sos < 0) qFatal("no start of scan");
  return jpeg.left(sos + (jpeg.size() - sos) / 2);
}

bool Near(QColor a, QColor b, int tolerance = 24) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Records the region of every paint event of a widget.
struct PaintSpy : QObject {
  QRegion painted;
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

}  // namespace

class TestMDIWall : public QObject {
  Q_OBJECT

  QTemporaryDir home_;
  QTemporaryDir files_;

  QString File(const QString& name, const QByteArray& bytes) {
    const QString path = files_.filePath(name);
    test::Write(path, bytes.toStdString());
    return path;
  }

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void EveryModePlacesThePicture_data() {
    QTest::addColumn<TTileMode>("mode");
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("exposed");
    QTest::addColumn<QList<QRect>>("expected");
    using M = TTileMode;
    const QSize pic(31, 21), area(71, 45);
    const QRect all(0, 0, 71, 45);
    // Halves round toward zero: 71/2 - 31/2 = 20, 45/2 - 21/2 = 12.
    QTest::newRow("centre") << M::tmCenter << pic << area << all << QList<QRect>{{20, 12, 31, 21}};
    QTest::newRow("left, middle") << M::tmLeftVCenter << pic << area << all << QList<QRect>{{0, 12, 31, 21}};
    QTest::newRow("left, top") << M::tmLeftVTop << pic << area << all << QList<QRect>{{0, 0, 31, 21}};
    QTest::newRow("left, bottom") << M::tmLeftVBottom << pic << area << all << QList<QRect>{{0, 24, 31, 21}};
    // The right edge leaves one pixel: 71 - 31 - 1.
    QTest::newRow("right, middle") << M::tmRightVCenter << pic << area << all << QList<QRect>{{39, 12, 31, 21}};
    QTest::newRow("right, top") << M::tmRightVTop << pic << area << all << QList<QRect>{{39, 0, 31, 21}};
    QTest::newRow("right, bottom") << M::tmRightVBottom << pic << area << all << QList<QRect>{{39, 24, 31, 21}};
    QTest::newRow("centre, top") << M::tmCenterVTop << pic << area << all << QList<QRect>{{20, 0, 31, 21}};
    QTest::newRow("centre, bottom") << M::tmCenterVBottom << pic << area << all << QList<QRect>{{20, 24, 31, 21}};
    QTest::newRow("stretch") << M::tmStretch << pic << area << all << QList<QRect>{{0, 0, 71, 45}};
    QTest::newRow("centre, larger than the area")
        << M::tmCenter << QSize(100, 80) << area << all << QList<QRect>{{-15, -18, 100, 80}};
    QTest::newRow("tile, whole area") << M::tmTile << pic << area << all
                                      << QList<QRect>{{0, 0, 31, 21},  {31, 0, 31, 21},  {62, 0, 31, 21},
                                                      {0, 21, 31, 21}, {31, 21, 31, 21}, {62, 21, 31, 21},
                                                      {0, 42, 31, 21}, {31, 42, 31, 21}, {62, 42, 31, 21}};
    // Only the copies the painted part meets, still on the grid from the corner.
    QTest::newRow("tile, a strip") << M::tmTile << pic << area << QRect(40, 30, 5, 5)
                                   << QList<QRect>{{31, 21, 31, 21}};
    QTest::newRow("tile, beyond the area") << M::tmTile << pic << area << QRect(80, 50, 10, 10) << QList<QRect>{};
    QTest::newRow("no picture") << M::tmCenter << QSize() << area << all << QList<QRect>{};
    QTest::newRow("no area") << M::tmTile << pic << QSize(0, 45) << all << QList<QRect>{};
  }
  void EveryModePlacesThePicture() {
    QFETCH(TTileMode, mode);
    QFETCH(QSize, picture);
    QFETCH(QSize, area);
    QFETCH(QRect, exposed);
    QFETCH(QList<QRect>, expected);
    const std::vector<QRect> got = WallpaperRects(mode, picture, area, exposed);
    QCOMPARE(QList<QRect>(got.begin(), got.end()), expected);
  }

  void TheAreaShowsThePictureByMode() {
    QMdiArea area;
    area.setBackground(QColor(0, 128, 0));
    area.resize(203, 101);
    TMDIWall wall(&area);
    QImage pic(16, 16, QImage::Format_RGB32);
    pic.fill(Qt::red);
    pic.setPixelColor(0, 0, Qt::blue);
    wall.SetBitmap(pic);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    const QSize vp = area.viewport()->size();
    auto shot = [&] { return area.viewport()->grab().toImage(); };

    QImage img = shot();  // tiled from the corner
    QCOMPARE(img.pixelColor(0, 0), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(16, 32), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(17, 33), QColor(Qt::red));
    QCOMPARE(img.pixelColor(vp.width() - 1, vp.height() - 1), QColor(Qt::red));

    wall.SetTileMode(TTileMode::tmCenter);
    img = shot();
    const QPoint at(vp.width() / 2 - 8, vp.height() / 2 - 8);
    QCOMPARE(img.pixelColor(at), QColor(Qt::blue));
    QCOMPARE(img.pixelColor(at + QPoint(15, 15)), QColor(Qt::red));
    QCOMPARE(img.pixelColor(0, 0), QColor(0, 128, 0));
    QCOMPARE(img.pixelColor(at + QPoint(16, 16)), QColor(0, 128, 0));

    wall.SetActive(false);
    img = shot();
    QCOMPARE(img.pixelColor(at), QColor(0, 128, 0));
    QCOMPARE(img.pixelColor(0, 0), QColor(0, 128, 0));

    // A one-pixel picture tiles the area all the same.
    wall.SetActive(true);
    wall.SetTileMode(TTileMode::tmTile);
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::yellow);
    wall.SetBitmap(dot);
    img = shot();
    QCOMPARE(img.pixelColor(vp.width() - 1, vp.height() - 1), QColor(Qt::yellow));
    QCOMPARE(img.pixelColor(vp.width() / 2, 0), QColor(Qt::yellow));
  }

  void ScrollsAndResizesRepaintTheWholeArea() {
    QMdiArea area;
    area.setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    area.resize(300, 200);
    TMDIWall wall(&area);
    wall.SetBitmap(BuiltInWallpaper());
    wall.SetTileMode(TTileMode::tmCenter);
    // A window beyond the corner makes the area scroll.
    QMdiSubWindow* w = area.addSubWindow(new QWidget);
    w->setGeometry(250, 150, 200, 150);
    area.show();
    QVERIFY(QTest::qWaitForWindowExposed(&area));
    QTRY_VERIFY(area.horizontalScrollBar()->maximum() > 10);
    PaintSpy spy;
    area.viewport()->installEventFilter(&spy);
    QCoreApplication::processEvents();
    spy.painted = QRegion();
    area.horizontalScrollBar()->setValue(10);
    QTRY_VERIFY(!spy.painted.isEmpty());
    QCoreApplication::processEvents();
    // All of it but the document window, not only the strip scrolled in.
    auto uncovered = [&] { return QRegion(area.viewport()->rect()) - QRegion(w->geometry()); };
    QCOMPARE(uncovered() - spy.painted, QRegion());

    spy.painted = QRegion();
    area.verticalScrollBar()->setValue(area.verticalScrollBar()->value() + 5);
    QTRY_VERIFY(!spy.painted.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(uncovered() - spy.painted, QRegion());

    spy.painted = QRegion();
    area.resize(260, 220);
    QTRY_VERIFY(!spy.painted.isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(uncovered() - spy.painted, QRegion());
  }

  void TheBuiltInPictureTilesWithoutSeams() {
    const QImage img = BuiltInWallpaper();
    QVERIFY(img.width() >= 64 && img.height() >= 64);
    // The last column meets the first as its neighbours do, and so do the rows.
    auto diff = [](QColor a, QColor b) {
      return std::abs(a.red() - b.red()) + std::abs(a.green() - b.green()) + std::abs(a.blue() - b.blue());
    };
    long long across = 0, inside = 0, down = 0, inside2 = 0;
    for (int y = 0; y < img.height(); ++y) {
      across += diff(img.pixelColor(img.width() - 1, y), img.pixelColor(0, y));
      inside += diff(img.pixelColor(img.width() / 2 - 1, y), img.pixelColor(img.width() / 2, y));
    }
    for (int x = 0; x < img.width(); ++x) {
      down += diff(img.pixelColor(x, img.height() - 1), img.pixelColor(x, 0));
      inside2 += diff(img.pixelColor(x, img.height() / 2 - 1), img.pixelColor(x, img.height() / 2));
    }
    QVERIFY2(across <= inside, qPrintable(QString("%1 > %2").arg(across).arg(inside)));
    QVERIFY2(down <= inside2, qPrintable(QString("%1 > %2").arg(down).arg(inside2)));
    // More than one colour: a picture, not a plain fill.
    QVERIFY(img.pixelColor(0, 0) != img.pixelColor(img.width() / 4, img.height() / 4) ||
            img.pixelColor(0, 0) != img.pixelColor(3, 20));
  }

  void JpegDecodesToItsSizeAndColours_data() {
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QColor>("left");
    QTest::addColumn<QColor>("right");
    QTest::newRow("colour") << Halves(48, 30) << QColor(Qt::red) << QColor(Qt::blue);
    QImage grey(40, 20, QImage::Format_Grayscale8);
    grey.fill(200);
    for (int y = 0; y < 20; ++y)
      for (int x = 0; x < 20; ++x) grey.setPixel(x, y, qRgb(40, 40, 40));
    QTest::newRow("greyscale") << grey << QColor(40, 40, 40) << QColor(200, 200, 200);
  }
  void JpegDecodesToItsSizeAndColours() {
    QFETCH(QImage, picture);
    QFETCH(QColor, left);
    QFETCH(QColor, right);
    QString why;
    const QImage img = DecodeJpeg(Encode(picture, "JPG"), &why);
    QVERIFY2(!img.isNull(), qPrintable(why));
    QCOMPARE(img.size(), picture.size());
    const int mid = img.height() / 2;
    QVERIFY2(Near(img.pixelColor(4, mid), left), qPrintable(img.pixelColor(4, mid).name()));
    QVERIFY2(Near(img.pixelColor(img.width() - 5, mid), right), qPrintable(img.pixelColor(img.width() - 5, mid).name()));
  }

  void BrokenJpegsFailWithAReason_data() {
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray good = Encode(Halves(64, 64), "JPG");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("not a jpeg") << QByteArray("BM this is no picture at all");
    QTest::newRow("header then garbage") << QByteArray("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00", 11) + QByteArray(200, '\x5A');
    QTest::newRow("cut short") << CutInScan(good);
    QTest::newRow("cut in its header") << good.left(40);
    // A frame header claiming 60000 x 60000 pixels: refused before any row is held.
    QByteArray huge = good;
    const auto sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
    QVERIFY(sof > 0);
    huge[sof + 5] = huge[sof + 7] = char(0xEA);
    huge[sof + 6] = huge[sof + 8] = char(0x60);
    QTest::newRow("too large") << huge;
  }
  void BrokenJpegsFailWithAReason() {
    QFETCH(QByteArray, bytes);
    QString why;
    const QImage img = DecodeJpeg(bytes, &why);
    QVERIFY(img.isNull());
    QVERIFY(!why.isEmpty());
  }

  void ApplyWallpaperFollowsTheSetting() {
    TTamberForm form;
    auto owned = std::make_unique<CountingPrompts>();
    CountingPrompts* prompts = owned.get();
    form.SetPrompts(std::move(owned));
    TMDIWall& wall = form.MDIWall1();
    TSettings& s = form.Settings();
    auto set = [&](const QString& value, bool tile) {
      s.WallPaper = Utf8ToCp932(value.toStdString());
      s.WallTile = tile;
      form.ApplyWallpaper();
    };
    const QImage builtIn = BuiltInWallpaper();
    QImage green(8, 6, QImage::Format_RGB32);
    green.fill(QColor(0, 200, 0));
    const QString bmp = File("green.bmp", Encode(green, "BMP"));
    const QString jpg = File("壁紙.JPEG", Encode(Halves(40, 24), "JPG"));
    const QString png = File("other.png", Encode(green, "PNG"));

    set(QString::fromUtf8("標準"), true);
    QVERIFY(wall.Active());
    QCOMPARE(wall.Bitmap(), builtIn);
    QCOMPARE(wall.TileMode(), TTileMode::tmTile);

    set(QString::fromUtf8("いらない"), true);
    QVERIFY(!wall.Active());
    set(bmp, false);
    QVERIFY(wall.Active());
    QCOMPARE(wall.TileMode(), TTileMode::tmCenter);
    QCOMPARE(wall.Bitmap().size(), QSize(8, 6));
    QCOMPARE(wall.Bitmap().pixelColor(3, 3), QColor(0, 200, 0));
    set(QString::fromUtf8("不要"), false);
    QVERIFY(!wall.Active());

    // The extension is compared in lower case, the path may be Japanese.
    set(jpg, true);
    QVERIFY(wall.Active());
    QCOMPARE(wall.Bitmap().size(), QSize(40, 24));
    QVERIFY(Near(wall.Bitmap().pixelColor(2, 12), Qt::red));

    // Another extension keeps what was shown.
    set(png, false);
    QCOMPARE(wall.Bitmap().size(), QSize(40, 24));
    QCOMPARE(wall.TileMode(), TTileMode::tmCenter);
    QVERIFY(wall.Active());

    // A file that is not there, or no name at all, is the built-in picture.
    set(files_.filePath("gone.jpg"), true);
    QCOMPARE(wall.Bitmap(), builtIn);
    set(QString(), true);
    QCOMPARE(wall.Bitmap(), builtIn);
    QVERIFY(prompts->errors.isEmpty());
  }

  void UnreadablePicturesKeepTheWallpaperAndSaySo() {
    TTamberForm form;
    auto owned = std::make_unique<CountingPrompts>();
    CountingPrompts* prompts = owned.get();
    form.SetPrompts(std::move(owned));
    TMDIWall& wall = form.MDIWall1();
    const QByteArray good = Encode(Halves(64, 48), "JPG");
    form.Settings().WallPaper = File("good.jpg", good).toStdString();
    form.Settings().WallTile = true;
    form.ApplyWallpaper();
    QCOMPARE(wall.Bitmap().size(), QSize(64, 48));
    const QImage before = wall.Bitmap();

    const QString broken[] = {
        File("cut.jpg", CutInScan(good)),
        File("corrupt.jpg", QByteArray("\xFF\xD8\xFF\xDB", 4) + QByteArray(500, '\x33')),
        File("corrupt.bmp", QByteArray("BM\x10\x00\x00\x00 broken", 14)),
    };
    for (const QString& path : broken) {
      prompts->errors.clear();
      form.Settings().WallPaper = path.toStdString();
      form.Settings().WallTile = false;
      form.ApplyWallpaper();
      QCOMPARE(wall.Bitmap(), before);
      QVERIFY(wall.Active());
      QCOMPARE(prompts->errors.size(), 1);
      QVERIFY(prompts->errors[0].contains(path));
    }
  }
};

QTEST_MAIN(TestMDIWall)
#include "test_mdi_wall.moc"
