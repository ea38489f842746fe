// The editor widget paints the engine's display lists: token colours, the
// selection, the caret, furniture, on the fixed cell grid.
#include <QImage>
#include <QScrollBar>
#include <QtTest>

#include "highlight/language_fountains.h"
#include "view/ui/editor_widget.h"

using namespace tamber;

namespace {

// Glyphs are smoothed: a pixel "has" a colour when it lies near it and far
// from the background.
bool Near(QColor a, QColor b) {
  return std::abs(a.red() - b.red()) < 60 && std::abs(a.green() - b.green()) < 60 &&
         std::abs(a.blue() - b.blue()) < 60;
}

// Some pixel of the cells (row, col .. col + cells - 1) has colour c.
bool CellHas(const QImage& img, const TViewLayout& l, int row, int col, QColor c, int cells = 1) {
  const int x0 = l.TextLeft + col * l.CharWidth, y0 = l.TextTop + row * l.RowPitch;
  for (int y = y0; y < y0 + l.FontHeight; ++y)
    for (int x = x0; x < x0 + cells * l.CharWidth; ++x)
      if (Near(img.pixelColor(x, y), c)) return true;
  return false;
}

int CountColour(const QImage& img, const QRect& r, QColor c) {
  int n = 0;
  for (int y = r.top(); y <= r.bottom(); ++y)
    for (int x = r.left(); x <= r.right(); ++x)
      if (Near(img.pixelColor(x, y), c)) ++n;
  return n;
}

}  // namespace

class TestEditorWidget : public QObject {
  Q_OBJECT

 private slots:
  void PaintsTokensSelectionAndCaretIntoTheirCells() {
    TEditorWidget w;
    w.resize(480, 240);
    TCFountain c;
    c.Comment().SetColor(clGreen);
    c.Str().SetColor(clRed);
    w.Furniture().SetFountain(&c);
    w.Furniture().View().Colors().Select().SetBkColor(clNavy);
    w.Furniture().View().Colors().Select().SetColor(clWhite);
    // 日本 "str" // comment   (the Japanese characters take two cells each)
    w.Editor().Lines().SetTextStr("\x93\xFA\x96\x7B \"str\" // note\r\nselected\r\n\r\n");
    w.Editor().SetRowCol(1, 2);
    w.Editor().StartSelection();
    w.Editor().SetRowCol(1, 5);
    w.Editor().UpdateSelection();
    w.Editor().SetRowCol(2, 0);  // drops nothing: the caret moves without Shift only through keys
    w.Editor().SetFocused(true);
    QImage img(w.viewport()->size(), QImage::Format_RGB32);
    w.RenderTo(img);
    if (qEnvironmentVariableIsSet("TAMBER_SAVE_PAINT")) img.save(qEnvironmentVariable("TAMBER_SAVE_PAINT"));
    const TViewLayout& l = w.Furniture().Layout();
    QVERIFY(l.CharWidth > 0);
    // The string's letters in red, the comment's in green, the kanji in black.
    QVERIFY(CellHas(img, l, 0, 6, Qt::red));
    QVERIFY(!CellHas(img, l, 0, 6, QColor(0, 128, 0)));
    QVERIFY(CellHas(img, l, 0, 15, QColor(0, 128, 0)));
    QVERIFY(CellHas(img, l, 0, 0, Qt::black, 2));
    QVERIFY(CellHas(img, l, 0, 2, Qt::black, 2));
    // The selected cells: navy behind, white letters; the cell before is not selected.
    const int y1 = l.TextTop + l.RowPitch + 1;
    QCOMPARE(img.pixelColor(l.TextLeft + 2 * l.CharWidth, y1), QColor(0, 0, 128));
    QVERIFY(CellHas(img, l, 1, 3, Qt::white));
    QCOMPARE(img.pixelColor(l.TextLeft + 1 * l.CharWidth, y1), QColor(Qt::white));
    // The caret: its cell is inverted while it blinks on.
    QVERIFY(w.CaretVisibleNow());
    const TCaretRect caret = w.Editor().CaretShape();
    QCOMPARE(img.pixelColor(caret.X, caret.Y + caret.Height / 2), QColor(Qt::black));
    QCOMPARE(img.pixelColor(caret.X + caret.Width + 2, caret.Y + caret.Height / 2), QColor(Qt::white));
  }

  void DrawsLineNumbersRulerAndMarks() {
    TEditorWidget w;
    w.resize(480, 240);
    TTextEditorFurniture& f = w.Furniture();
    f.Leftbar().SetVisible(true);
    f.Leftbar().SetBkColor(clNavy);
    f.Leftbar().SetColor(clWhite);
    f.Ruler().SetVisible(true);
    f.Marks().EofMark().SetVisible(true);
    f.Marks().EofMark().SetColor(clRed);
    w.Editor().Lines().SetTextStr("a\r\nb");
    w.Editor().Text().SetRowMarks(0, BookmarkBit(3));
    QImage img(w.viewport()->size(), QImage::Format_RGB32);
    w.RenderTo(img);
    const TViewLayout& l = f.Layout();
    QVERIFY(l.RulerHeight > 0);
    const QRect bar(l.ImagebarWidth, l.TextTop, l.LeftbarWidth - 2, l.RowPitch);
    // The number bar is navy with white digits.
    QVERIFY(CountColour(img, bar, QColor(0, 0, 128)) > bar.width() * bar.height() / 2);
    QVERIFY(CountColour(img, bar, Qt::white) > 0);
    // The ruler strip: silver with black ticks.
    const QRect ruler(l.TextLeft, 0, 10 * l.CharWidth, l.RulerHeight - 2);
    QVERIFY(CountColour(img, ruler, QColor(192, 192, 192)) > 0);
    QVERIFY(CountColour(img, ruler, Qt::black) > 0);
    // The image bar shows the bookmark picture; [EOF] follows "b".
    QVERIFY(CountColour(img, QRect(0, l.TextTop, l.ImagebarWidth, l.RowPitch), QColor(0, 0, 128)) > 0);
    QVERIFY(CellHas(img, l, 1, 1, Qt::red, 5));
  }

  void ScrollBarsFollowTopRowAndTheirRanges() {
    TEditorWidget w;
    w.SetScrollBars(ssBoth);
    w.resize(400, 300);
    std::string text;
    for (int i = 0; i < 500; ++i) text += "line\r\n";
    w.Editor().Lines().SetTextStr(text);
    w.Furniture().DoLayout();
    w.Editor().SetTopRow(0);
    w.verticalScrollBar()->setValue(120);
    QCOMPARE(w.Editor().TopRow(), 120);
    QCOMPARE(w.verticalScrollBar()->maximum(), w.Editor().Text().Count());
    QCOMPARE(w.verticalScrollBar()->pageStep(), w.Furniture().Layout().VisibleRows);
    w.Editor().SetTopRow(7);
    QCOMPARE(w.verticalScrollBar()->value(), 7);
    QCOMPARE(w.horizontalScrollBar()->maximum(), 1000 - w.Furniture().Layout().VisibleCols / 2);
  }
};

QTEST_MAIN(TestEditorWidget)
#include "test_editor_widget.moc"
