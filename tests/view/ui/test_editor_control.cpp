// The editor control as the program uses it: the clipboard through the real
// QClipboard, drag and drop driven with synthetic drop events, the mouse and
// the wheel, split views, and the property holder.
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QScrollBar>
#include <QSignalSpy>
#include <QUrl>
#include <QVBoxLayout>
#include <QtTest>

#include "view/ui/qt_clipboard.h"
#include "view/ui/text_editor_fx.h"
#include "view/ui/text_editor_prop.h"

using namespace tamber;

namespace {

constexpr char kNihon[] = "\x93\xFA\x96\x7B";  // 日本
constexpr char kGeta[] = "\x81\xAC";           // 〓

QPoint CellPoint(TEditorWidget& w, int row, int col) {
  const TViewLayout& l = w.Furniture().Layout();
  return {l.TextLeft + (col - w.Editor().TopCol()) * l.CharWidth + 1,
          l.TextTop + (row - w.Editor().TopRow()) * l.RowPitch + 2};
}

void Select(TTextEditor& e, int r0, int c0, int r1, int c1) {
  e.CleanSelection();
  e.SetRowCol(r0, c0);
  e.StartSelection();
  e.SetRowCol(r1, c1);
  e.UpdateSelection();
}

// Sends a drop of mime at p to the view the way the platform does.
bool SendDrop(TEditorWidget& w, const QMimeData& mime, QPoint p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QDragEnterEvent enter(p, Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, mods);
  QCoreApplication::sendEvent(w.viewport(), &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(p), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, mods);
  QCoreApplication::sendEvent(w.viewport(), &drop);
  return drop.isAccepted();
}

// A move without buttons (QTest drops a move to where its pointer already is).
void SendMove(TEditorWidget& w, QPoint p) {
  QMouseEvent e(QEvent::MouseMove, QPointF(p), w.viewport()->mapToGlobal(QPointF(p)), Qt::NoButton, Qt::NoButton,
                Qt::NoModifier);
  QCoreApplication::sendEvent(w.viewport(), &e);
}

void SendWheel(TEditorWidget& w, int delta, Qt::MouseButtons buttons = Qt::NoButton, int sideways = 0) {
  const QPointF p(40, 20);
  QWheelEvent e(p, w.viewport()->mapToGlobal(p), QPoint(), QPoint(sideways, delta), buttons, Qt::NoModifier,
                Qt::NoScrollPhase, false);
  QCoreApplication::sendEvent(w.viewport(), &e);
}

// Collects what a widget is asked to paint.
class PaintSpy : public QObject {
 public:
  explicit PaintSpy(QWidget* w) { w->installEventFilter(this); }
  QRegion region;

 protected:
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
    return false;
  }
};

struct Pos {
  int row, col;
};

std::string Rows(int n) {
  std::string s;
  for (int i = 0; i < n; ++i) s += "row " + std::to_string(i) + "\r\n";
  return s;
}

// A drag source whose system drag is played by the test: the callback stands
// for what the user does while QDrag::exec would run.
class ScriptedDragEditor : public TTextEditorFx {
 public:
  std::function<Qt::DropAction(QMimeData&)> During;
  int Drags = 0;

 protected:
  Qt::DropAction ExecDrag(QMimeData* mime) override {
    ++Drags;
    std::unique_ptr<QMimeData> owned(mime);
    return During ? During(*mime) : Qt::IgnoreAction;
  }
};

// Counts what reaches the view's own key and popup-menu handlers.
class CountingWidget : public TEditorWidget {
 public:
  int Keys = 0, Menus = 0;

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    ++Keys;
    TEditorWidget::keyPressEvent(e);
  }
  void contextMenuEvent(QContextMenuEvent* e) override {
    ++Menus;
    e->accept();
  }
};

void SendKey(QWidget& w, QEvent::Type type, int key, Qt::KeyboardModifiers mods, const QString& text = {}) {
  QKeyEvent e(type, key, mods, text);
  QCoreApplication::sendEvent(&w, &e);
}

}  // namespace

class TestEditorControl : public QObject {
  Q_OBJECT

 private slots:
  void init() { QGuiApplication::clipboard()->clear(); }

  void CopyAndPastePlainTextThroughTheSystemClipboard() {
    TTextEditorFx w;
    w.Editor().Lines().SetTextStr(std::string("ab") + kNihon + "cd\r\nxy");
    Select(w.Editor(), 0, 2, 0, 6);
    w.Editor().CopyToClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime);
    QCOMPARE(mime->text(), QStringLiteral("日本"));
    QCOMPARE(mime->data(QStringLiteral("text/plain")), QByteArray("日本"));  // UTF-8
    QVERIFY(!mime->hasFormat(QString::fromLatin1(kBoxMimeType)));
    QVERIFY(!w.Clipboard().HasBoxText());

    w.Editor().CleanSelection();
    w.Editor().SetRowCol(1, 1);
    w.Editor().PasteFromClipboard();
    QCOMPARE(w.Editor().Lines().Get(1), std::string("x") + kNihon + "y");
  }

  void BoxCopyKeepsItsBytesAndMarksTheBoxForOtherEditors() {
    TTextEditorFx w;
    w.Editor().Lines().SetTextStr("abcd\r\nefgh\r\nijkl");
    w.Editor().SetSelectionMode(smBox);
    Select(w.Editor(), 0, 1, 1, 3);
    w.Editor().CopyToClipboard();
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    QVERIFY(mime->hasFormat(QString::fromLatin1(kBoxMimeType)));
    QVERIFY(mime->hasFormat(QStringLiteral("text/x-qscintilla-rectangular")));
    QVERIFY(mime->hasFormat(QStringLiteral("text/x-rectangular-marker")));
    const QByteArray payload = mime->data(QString::fromLatin1(kBoxMimeType));
    QCOMPARE(payload.left(4), QByteArray("TBOX"));
    QCOMPARE(DecodeBoxPayload(payload).value_or("?"), std::string("bc\r\nfg\r\n"));
    QVERIFY(w.Clipboard().HasBoxText());

    w.Editor().SetSelectionMode(smNormal);
    w.Editor().CleanSelection();
    w.Editor().SetRowCol(1, 4);
    w.Editor().PasteFromClipboard();  // a box: one piece on each row from the caret column
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abcd\r\nefghbc\r\nijklfg"));
  }

  void BoxPayloadThatIsCutShortOrOfAnotherVersionIsReadAsText() {
    QByteArray good = EncodeBoxPayload("ab");
    QByteArray cut = good.left(good.size() - 1);
    QByteArray later = good;
    later[4] = 2;
    QVERIFY(DecodeBoxPayload(good).has_value());
    QVERIFY(!DecodeBoxPayload(cut).has_value());
    QVERIFY(!DecodeBoxPayload(later).has_value());
    QVERIFY(!DecodeBoxPayload("TBO").has_value());

    QMimeData m;
    m.setText(QStringLiteral("plain"));
    m.setData(QString::fromLatin1(kBoxMimeType), cut);
    const auto t = ReadEditorMime(m);
    QVERIFY(t);
    QCOMPARE(t->Text, std::string("plain"));
    QVERIFY(!t->Box);
    QVERIFY(!MimeHasBox(m));
  }

  void TextFromOtherProgramsIsConvertedAndLostCharactersAreCounted() {
    TTextEditorFx w;
    QSignalSpy replaced(&w, &TEditorWidget::CharactersReplaced);
    // An emoji, a Korean syllable and a character outside the BMP CP932 lacks.
    QGuiApplication::clipboard()->setText(QStringLiteral("a😀b한c𠀋日本"));
    w.Editor().PasteFromClipboard();
    QCOMPARE(w.Editor().Lines().GetTextStr(),
             std::string("a") + kGeta + "b" + kGeta + "c" + kGeta + kNihon);
    QCOMPARE(replaced.count(), 1);
    QCOMPARE(replaced.at(0).at(0).toInt(), 3);

    // Text CP932 holds tells nothing.
    QGuiApplication::clipboard()->setText(QStringLiteral("ok"));
    w.Editor().PasteFromClipboard();
    QCOMPARE(replaced.count(), 1);
  }

  void RectangularMarkersOfOtherEditorsPasteAsABox() {
    for (const char* marker : {"text/x-qscintilla-rectangular", "MSDEVColumnSelect"}) {
      TTextEditorFx w;
      w.Editor().Lines().SetTextStr("12\r\n34");
      auto* mime = new QMimeData;
      mime->setText(QStringLiteral("a\nb"));
      mime->setData(QString::fromLatin1(marker), QByteArray());
      QGuiApplication::clipboard()->setMimeData(mime);
      QVERIFY2(w.Clipboard().HasBoxText(), marker);
      w.Editor().SetRowCol(0, 1);
      w.Editor().PasteFromClipboard();
      QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("1a2\r\n3b4"));
    }
  }

  void DraggingTheSelectionElsewhereMovesItInOneUndoStep() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr("abc def\r\nxyz");
    Select(w.Editor(), 0, 0, 0, 3);
    std::unique_ptr<QMimeData> mime(w.SelectionMime());
    QVERIFY(w.IsOwnDrag(*mime));
    QCOMPARE(w.DragAction(*mime, Qt::NoModifier), Qt::MoveAction);
    QCOMPARE(w.DragAction(*mime, Qt::ControlModifier), Qt::CopyAction);
    QVERIFY(SendDrop(w, *mime, CellPoint(w, 1, 3)));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string(" def\r\nxyzabc"));
    QVERIFY(w.Editor().Undo());
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def\r\nxyz"));
    QVERIFY(!w.Editor().CanUndo());
  }

  void CtrlDropCopiesAndADropOnItselfOnlyDeselects() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr("abc def");
    Select(w.Editor(), 0, 0, 0, 3);
    std::unique_ptr<QMimeData> mime(w.SelectionMime());
    QVERIFY(SendDrop(w, *mime, CellPoint(w, 0, 1)));  // inside the selection
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def"));
    QVERIFY(!w.Editor().Selected());
    QVERIFY(!w.Editor().CanUndo());

    Select(w.Editor(), 0, 0, 0, 3);
    QVERIFY(SendDrop(w, *mime, CellPoint(w, 0, 7), Qt::ControlModifier));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc defabc"));
    QVERIFY(w.Editor().Undo());
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def"));
  }

  void TextDroppedFromElsewhereIsInsertedAtTheDropPoint() {
    TTextEditorFx w, other;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr("abc def");
    other.Editor().Lines().SetTextStr("XY");
    Select(other.Editor(), 0, 0, 0, 2);
    Select(w.Editor(), 0, 0, 0, 1);
    std::unique_ptr<QMimeData> fromOther(other.SelectionMime());
    QVERIFY(!w.IsOwnDrag(*fromOther));
    QCOMPARE(w.DragAction(*fromOther, Qt::NoModifier), Qt::CopyAction);
    QVERIFY(SendDrop(w, *fromOther, CellPoint(w, 0, 4)));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc XYdef"));
    QCOMPARE(other.Editor().Lines().GetTextStr(), std::string("XY"));

    QSignalSpy replaced(&w, &TEditorWidget::CharactersReplaced);
    QMimeData outside;
    outside.setText(QStringLiteral("😀"));
    QVERIFY(SendDrop(w, outside, CellPoint(w, 0, 0)));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string(kGeta) + "abc XYdef");
    QCOMPARE(replaced.count(), 1);
  }

  void FilesDroppedGoToOnDropFiles() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr("text");
    QStringList got;
    Qt::KeyboardModifiers mods;
    QPoint at;
    w.OnDropFiles = [&](TOleddEditor&, const QStringList& paths, Qt::KeyboardModifiers m, QPoint p) {
      got = paths;
      mods = m;
      at = p;
    };
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(QStringLiteral("/tmp/a.txt")), QUrl::fromLocalFile(QStringLiteral("/tmp/b c.c")),
                  QUrl(QStringLiteral("https://example.org/x"))});
    mime.setText(QStringLiteral("file:///tmp/a.txt"));  // file managers offer the names as text too
    QVERIFY(SendDrop(w, mime, QPoint(30, 12), Qt::ShiftModifier));
    QCOMPARE(got, (QStringList{QStringLiteral("/tmp/a.txt"), QStringLiteral("/tmp/b c.c")}));
    QCOMPARE(mods, Qt::KeyboardModifiers(Qt::ShiftModifier));
    QCOMPARE(at, QPoint(30, 12));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("text"));
  }

  void AReadOnlyViewRefusesDroppedText() {
    TTextEditorFx w, other;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr("abc");
    w.Editor().SetReadOnly(true);
    QMimeData mime;
    mime.setText(QStringLiteral("zz"));
    QCOMPARE(w.DragAction(mime, Qt::NoModifier), Qt::IgnoreAction);
    QVERIFY(!SendDrop(w, mime, CellPoint(w, 0, 1)));
    QDropEvent drop(QPointF(CellPoint(w, 0, 1)), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(w.viewport(), &drop);  // even a drop sent without an enter
    QVERIFY(!drop.isAccepted());
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc"));
  }

  void PressInsideTheSelectionStartsASystemDragAndTheCaretComesBack() {
    ScriptedDragEditor w;
    w.resize(400, 200);
    w.show();
    QCOMPARE(w.Editor().Caret().SelDragMode(), dmManual);
    w.Editor().Caret().SetSelMove(true);
    w.Editor().Lines().SetTextStr("abc def\r\nxyz");
    Select(w.Editor(), 0, 0, 0, 3);
    // Dropped in another program: nothing changes here, the caret returns to the press.
    QString offered;
    Pos shown{-1, -1};
    w.During = [&](QMimeData& mime) {
      offered = mime.text();
      QDragMoveEvent over(CellPoint(w, 1, 2), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QDragEnterEvent enter(CellPoint(w, 1, 2), Qt::CopyAction | Qt::MoveAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QCoreApplication::sendEvent(w.viewport(), &enter);
      QCoreApplication::sendEvent(w.viewport(), &over);
      shown = {w.Editor().Row(), w.Editor().Col()};
      QDragLeaveEvent leave;
      QCoreApplication::sendEvent(w.viewport(), &leave);
      return Qt::CopyAction;
    };
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QCOMPARE(w.Drags, 1);
    QCOMPARE(offered, QStringLiteral("abc"));
    QCOMPARE(shown.row, 1);  // the caret showed the drop point
    QCOMPARE(shown.col, 2);
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def\r\nxyz"));
    QCOMPARE(w.Editor().Row(), 0);
    QCOMPARE(w.Editor().Col(), 1);
    QVERIFY(!w.MouseCaptured());
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));

    // Dropped into the same view: moved there.
    Select(w.Editor(), 0, 0, 0, 3);
    bool accepted = false;
    w.During = [&](QMimeData& mime) {
      accepted = SendDrop(w, mime, CellPoint(w, 1, 3));
      return Qt::MoveAction;
    };
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QCOMPARE(w.Drags, 2);
    QVERIFY(accepted);
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string(" def\r\nxyzabc"));
  }

  void PressesTakeTheFocusAndTheLeftButtonSelects() {
    QWidget top;
    TTextEditorFx w, other;
    auto* layout = new QVBoxLayout(&top);
    layout->addWidget(&other);
    layout->addWidget(&w);
    top.resize(400, 400);
    top.show();
    QVERIFY(QTest::qWaitForWindowActive(&top));
    w.Editor().Lines().SetTextStr("hello world\r\nsecond");
    other.setFocus();
    QVERIFY(other.hasFocus());
    QTest::mousePress(w.viewport(), Qt::RightButton, {}, CellPoint(w, 0, 1));
    QVERIFY(w.hasFocus());
    QTest::mouseRelease(w.viewport(), Qt::RightButton, {}, CellPoint(w, 0, 1));

    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QVERIFY(w.MouseCaptured());
    QTest::mouseMove(w.viewport(), CellPoint(w, 1, 3));
    // While the left button is held, the wheel and a double click are swallowed.
    const int top0 = w.Editor().TopRow();
    SendWheel(w, -120, Qt::LeftButton);
    QCOMPARE(w.Editor().TopRow(), top0);
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 1, 3));
    QVERIFY(!w.MouseCaptured());
    QVERIFY(w.Editor().Selected());
    QCOMPARE(w.Editor().SelText(), std::string("ello world\r\nsec"));
  }

  void WhileASelectionIsDraggedKeysAndTheMenuWaitCtrlCopiesAndEscapeCancels() {
    QWidget top;
    CountingWidget w;  // the view's own drag (SelDragMode dmAutomatic)
    w.setParent(&top);
    w.resize(400, 200);
    top.resize(400, 200);
    top.show();
    w.Editor().Caret().SetSelMove(true);
    w.Editor().Lines().SetTextStr("abc def\r\nxyz");
    Select(w.Editor(), 0, 0, 0, 3);
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QCOMPARE(w.Editor().DragState(), dsPending);
    QTest::mouseMove(w.viewport(), CellPoint(w, 1, 2));
    QCOMPARE(w.Editor().DragState(), dsDragging);
    QVERIFY(w.MouseCaptured());

    SendKey(w, QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCOMPARE(w.Keys, 0);
    QContextMenuEvent menu(QContextMenuEvent::Mouse, CellPoint(w, 0, 0));
    QCoreApplication::sendEvent(w.viewport(), &menu);
    QCOMPARE(w.Menus, 0);

    SendKey(w, QEvent::KeyPress, Qt::Key_Control, Qt::ControlModifier);
    QCOMPARE(w.Editor().Cursor(), w.Editor().Caret().Cursors().DragSelCopyCursor());
    QCOMPARE(w.viewport()->cursor().shape(), Qt::BitmapCursor);
    SendKey(w, QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QCOMPARE(w.Editor().Cursor(), w.Editor().Caret().Cursors().DragSelCursor());

    SendKey(w, QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"));
    QCOMPARE(w.Editor().DragState(), dsNone);
    QVERIFY(!w.Editor().Selected());
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 1, 2));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def\r\nxyz"));

    // Free again: keys and the menu arrive.
    QVERIFY(!w.MouseCaptured());
    SendKey(w, QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QCOMPARE(w.Keys, 1);
    QCoreApplication::sendEvent(w.viewport(), &menu);
    QCOMPARE(w.Menus, 1);
  }

  void TheViewsOwnDragMovesTheSelectionOnRelease() {
    TTextEditorFx fx;  // only to be sure the control's default is the system drag
    QCOMPARE(fx.Editor().Caret().SelDragMode(), dmManual);
    TEditorWidget w;
    w.resize(400, 200);
    w.show();
    w.Editor().Caret().SetSelMove(true);
    w.Editor().Lines().SetTextStr("abc def\r\nxyz");
    Select(w.Editor(), 0, 0, 0, 3);
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QTest::mouseMove(w.viewport(), CellPoint(w, 1, 3));
    QTest::mouseRelease(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 1, 3));
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string(" def\r\nxyzabc"));
    QVERIFY(w.Editor().Undo());
    QCOMPARE(w.Editor().Lines().GetTextStr(), std::string("abc def\r\nxyz"));
  }

  void LosingTheFocusEndsThePress() {
    QWidget top;
    TEditorWidget w, other;
    auto* layout = new QVBoxLayout(&top);
    layout->addWidget(&w);
    layout->addWidget(&other);
    top.show();
    QVERIFY(QTest::qWaitForWindowActive(&top));
    w.Editor().Lines().SetTextStr(Rows(50));
    QTest::mousePress(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 1));
    QVERIFY(w.hasFocus());
    QVERIFY(w.MouseCaptured());
    other.setFocus();
    QVERIFY(!w.MouseCaptured());
    SendWheel(w, -120);
    QVERIFY(w.Editor().TopRow() > 0);
  }

  void DoubleClickSelectsTheToken() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.show();
    w.Editor().Lines().SetTextStr("alpha beta gamma");
    QTest::mouseDClick(w.viewport(), Qt::LeftButton, {}, CellPoint(w, 0, 7));
    QVERIFY(w.Editor().Selected());
    QCOMPARE(w.Editor().SelText(), std::string("beta"));
  }

  void TheWheelNotifiesOncePerNotchAndAddsUpTouchpadSteps() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr(Rows(200));
    const int lines = std::max(1, QApplication::wheelScrollLines());
    SendWheel(w, -120);
    QCOMPARE(w.Editor().TopRow(), lines);
    SendWheel(w, -60);
    QCOMPARE(w.Editor().TopRow(), lines);
    SendWheel(w, -60);
    QCOMPARE(w.Editor().TopRow(), 2 * lines);
    SendWheel(w, 240);
    QCOMPARE(w.Editor().TopRow(), 0);

    std::vector<int> notified;
    w.OnMouseWheel = [&](TEditorWidget&, int n, Qt::KeyboardModifiers) {
      notified.push_back(n);
      return true;
    };
    SendWheel(w, -360);
    SendWheel(w, 100);
    SendWheel(w, 30);
    QCOMPARE(notified, (std::vector<int>{-1, -1, -1, 1}));
    QCOMPARE(w.Editor().TopRow(), 0);  // the handler took them

    w.Editor().Lines().SetTextStr(std::string(300, 'x'));
    SendWheel(w, 0, Qt::NoButton, -120);
    QCOMPARE(w.Editor().TopCol(), lines);
    QCOMPARE(notified.size(), std::size_t(4));
  }

  void ScrollBarStepsMoveTheCaretAlongWithLockScroll() {
    TTextEditorFx w;
    w.SetScrollBars(ssBoth);
    w.resize(400, 200);
    w.Editor().Lines().SetTextStr(Rows(200));
    w.Editor().SetRowCol(3, 0);
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QCOMPARE(w.Editor().TopRow(), 1);
    QCOMPARE(w.Editor().Row(), 3);
    w.Editor().Caret().SetLockScroll(true);
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
    const int page = w.Furniture().Layout().VisibleRows;
    QCOMPARE(w.Editor().TopRow(), 1 + page);
    QCOMPARE(w.Editor().Row(), 3 + page);
    QCOMPARE(w.verticalScrollBar()->value(), 1 + page);
    w.verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
    QCOMPARE(w.Editor().TopRow(), 0);
    QCOMPARE(w.Editor().Row(), 2);
  }

  void TheCursorsFollowTheArea() {
    TTextEditorFx w;
    w.resize(400, 200);
    w.Furniture().Margin().SetLeft(19);
    w.Editor().Caret().SetAutoCursor(true);
    w.Editor().Lines().SetTextStr("abc def");
    const TViewLayout& l = w.Furniture().Layout();
    SendMove(w, QPoint(l.TextLeft - 5, l.TextTop + 2));
    QCOMPARE(w.viewport()->cursor().shape(), Qt::BitmapCursor);  // the project's right arrow
    QVERIFY(!w.viewport()->cursor().pixmap().isNull());
    SendMove(w, CellPoint(w, 0, 1));
    QCOMPARE(w.viewport()->cursor().shape(), Qt::IBeamCursor);
    QCOMPARE(TEditorWidget::CursorFor(crDragSelCopy).shape(), Qt::BitmapCursor);
    QVERIFY(TEditorWidget::CursorFor(crDragSelCopy).pixmap().toImage() !=
            TEditorWidget::CursorFor(crRightArrow).pixmap().toImage());
  }

  void SplitViewsShareTheTextAndTheUndoAndKeepTheirOwnCarets() {
    TTextEditorFx a, b;
    a.resize(400, 200);
    b.resize(400, 200);
    a.Editor().Lines().SetTextStr("one\r\ntwo");
    b.AttachText(a);
    QCOMPARE(&b.Editor().Text(), &a.Editor().Text());
    QCOMPARE(b.Editor().Lines().GetTextStr(), std::string("one\r\ntwo"));

    // An edit in one view repaints the row in the other.
    a.show();
    b.show();
    QVERIFY(QTest::qWaitForWindowExposed(&b));
    PaintSpy painted(b.viewport());
    QCoreApplication::processEvents();
    painted.region = QRegion();
    a.Editor().SetRowCol(0, 3);
    a.Editor().InsertText("!");
    QCoreApplication::processEvents();
    const TViewLayout& l = b.Furniture().Layout();
    QVERIFY(painted.region.intersects(QRect(l.TextLeft + 3 * l.CharWidth, l.TextTop, l.CharWidth, l.RowPitch)));
    b.Editor().SetRowCol(1, 0);
    b.Editor().InsertText(">");
    QCOMPARE(a.Editor().Lines().GetTextStr(), std::string("one!\r\n>two"));
    QCOMPARE(a.Editor().Row(), 0);
    QCOMPARE(a.Editor().Col(), 4);
    QCOMPARE(b.Editor().Row(), 1);
    QCOMPARE(b.Editor().Col(), 1);

    // Undo in either view takes back the last change of both.
    QVERIFY(a.Editor().Undo());
    QCOMPARE(b.Editor().Lines().GetTextStr(), std::string("one!\r\ntwo"));
    QVERIFY(b.Editor().Undo());
    QCOMPARE(a.Editor().Lines().GetTextStr(), std::string("one\r\ntwo"));
    QVERIFY(!a.Editor().CanUndo());

    // Each view has its own scroll position and furniture.
    a.Editor().Lines().SetTextStr(Rows(100));
    b.Editor().SetTopRow(50);
    QCOMPARE(a.Editor().TopRow(), 0);
    b.Furniture().Leftbar().SetVisible(true);
    QVERIFY(!a.Furniture().Leftbar().Visible());
  }

  void TheSecondViewTakesTheFirstViewsFountain() {
    TTextEditorFx a, b;
    a.Furniture().View().Colors().Select().SetBkColor(clNavy);
    b.AttachText(a);
    QCOMPARE(b.Furniture().View().Colors().Select().BkColor(), clNavy);
    QCOMPARE(b.Furniture().Fountain(), a.Furniture().Fountain());
  }

  void TheControlReportsChangesAndHoldsTheSearchState() {
    TTextEditorFx w;
    int changes = 0, moves = 0;
    w.OnChange = [&](TTextEditorFx&) { ++changes; };
    w.OnCaretMoved = [&](TTextEditorFx&) { ++moves; };
    w.Editor().Lines().SetTextStr("abc");
    w.Editor().SetModified(false);
    w.Editor().SetRowCol(0, 3);
    w.Editor().InsertText("d");
    QCOMPARE(changes, 1);
    QVERIFY(moves > 0);
    QVERIFY(w.Editor().Modified());
    w.SetFindString("bc");
    QCOMPARE(w.FindString(), std::string("bc"));
    w.SetFxSearchOptions(soMatchCase);
    QCOMPARE(w.FxSearchOptions(), TFxSearchOptions(soMatchCase));
  }

  void ThePropertyHolderCarriesPropertiesAndRewrapsTheTarget() {
    TTextEditorFx source, target;
    source.Furniture().Leftbar().SetVisible(true);
    source.Editor().Caret().SetTabSpaceCount(4);
    source.Editor().SetHitStyle(hsCaret);
    source.Editor().Text().WrapOption().SetWrapByte(20);
    source.Editor().Text().SetWordWrap(true);
    TTextEditorProp prop;
    QVERIFY(prop.CopyFrom(source));
    TTextEditorProp second;
    prop.FileExtList().Add(".txt");
    QVERIFY(prop.CopyTo(second));
    QVERIFY(second.FileExtList().Contains(".txt"));

    target.Editor().Lines().SetTextStr(std::string(50, 'a'));
    QCOMPARE(target.Editor().Text().Count(), 1);
    QVERIFY(second.CopyTo(target));
    QVERIFY(target.Furniture().Leftbar().Visible());
    QCOMPARE(target.Editor().Caret().TabSpaceCount(), 4);
    QCOMPARE(target.Editor().HitStyle(), hsCaret);
    QVERIFY(target.Editor().Text().WordWrap());
    QCOMPARE(target.Editor().Text().WrapOption().WrapByte(), 20);
    QCOMPARE(target.Editor().Text().Count(), 3);  // folded at 20 bytes

    // Switching wrapping off on the way back joins the rows again.
    TTextEditorProp off;
    QVERIFY(off.CopyFrom(target));
    off.SetWordWrap(false);
    QVERIFY(off.CopyTo(target));
    QVERIFY(!target.Editor().Text().WordWrap());
    QCOMPARE(target.Editor().Text().Count(), 1);
  }
};

QTEST_MAIN(TestEditorControl)
#include "test_editor_control.moc"
