// The editor widget's keyboard, input method and built-in popup menu, driven
// through Qt events as a user's keys and an input method deliver them.
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
#include <QMenu>
#include <QSignalSpy>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include "editor_harness.h"
#include "view/ui/editor_popup_menu.h"

using namespace tamber;
using tamber::test::TEditorHarness;

namespace {

const std::string kNihon = "\x93\xFA\x96\x7B";  // 日本

QInputMethodEvent::Attribute Format(int start, int length, bool highlighted) {
  QTextCharFormat f;
  f.setFontUnderline(true);
  if (highlighted) {
    f.setBackground(Qt::black);
    f.setForeground(Qt::white);
  }
  return QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, start, length, f);
}

QInputMethodEvent::Attribute Cursor(int at, int length) {
  return QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, at, length, QVariant());
}

// The pixels of cells [col0, col1) of text row 0, from its top through row line lastLine.
QImage Cells(const QImage& img, const TViewLayout& l, int col0, int col1, int lastLine) {
  return img.copy(l.TextLeft + col0 * l.CharWidth, l.TextTop, (col1 - col0) * l.CharWidth, lastLine + 1);
}

bool HasDark(const QImage& img) {
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x)
      if (qGray(img.pixel(x, y)) < 100) return true;
  return false;
}

double DarkShare(const QImage& img) {
  int dark = 0;
  for (int y = 0; y < img.height(); ++y)
    for (int x = 0; x < img.width(); ++x) dark += qGray(img.pixel(x, y)) < 100;
  return static_cast<double>(dark) / (img.width() * img.height());
}

}  // namespace

class TestEditorKeys : public QObject {
  Q_OBJECT

 private slots:
  void KeysEditAndMoveTheCaret() {
    TEditorHarness h;
    h.Type("abc");
    QCOMPARE(h.Text(), std::string("abc"));
    h.Key(Qt::Key_Left);
    h.Key(Qt::Key_Backspace);
    QCOMPARE(h.Text(), std::string("ac"));
    QCOMPARE(h.Editor().Col(), 1);
    h.Key(Qt::Key_Delete);
    QCOMPARE(h.Text(), std::string("a"));
    h.Key(Qt::Key_Return, Qt::NoModifier, "\r");
    h.Type("d");
    QCOMPARE(h.Text(), std::string("a\r\nd"));
    QCOMPARE(h.Editor().Row(), 1);
    // Shift extends, Home goes to the row's start.
    h.Key(Qt::Key_Home, Qt::ShiftModifier);
    QCOMPARE(h.Editor().SelText(), std::string("d"));
    // Ctrl and Alt combinations are commands: their control characters and letters are not typed.
    h.Key(Qt::Key_End);
    h.Key(Qt::Key_Q, Qt::ControlModifier, "\x11");
    h.Key(Qt::Key_F, Qt::AltModifier, "f");
    QCOMPARE(h.Text(), std::string("a\r\nd"));
    // Half-width katakana is one CP932 byte.
    h.Type(QStringLiteral("ｱ"));
    QCOMPARE(h.Text(), std::string("a\r\nd\xB1"));
  }

  void AutoRepeatSpeedsTheCaretAtTheWindowEdge() {
    TEditorHarness h(480, 240);
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line\r\n";
    h.Editor().Lines().SetTextStr(text);
    h.Editor().Speed().CaretVerticalAc = 3;
    const int bottom = h.Editor().VisibleRows() - 1;
    h.Editor().SetRow(bottom);
    h.Key(Qt::Key_Down, Qt::NoModifier, {}, true);
    QCOMPARE(h.Editor().Row(), bottom + 3);
    // A key that is not repeating moves one row.
    h.Key(Qt::Key_Down);
    QCOMPARE(h.Editor().Row(), bottom + 4);
  }

  void ArrowKeysAtTheEdgeScrollTheScreenRatherThanRepaintIt() {
    TEditorHarness h(480, 240);
    h.Widget().Furniture().Ruler().SetVisible(true);
    h.Widget().Furniture().Leftbar().SetVisible(true);
    std::string text;
    for (int i = 0; i < 400; ++i) text += "line " + std::to_string(i) + "\r\n";
    h.Editor().Lines().SetTextStr(text);
    h.Editor().SetRow(h.Editor().VisibleRows() - 1);
    QApplication::processEvents();
    struct Painted : QObject {
      QRegion region;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) region += static_cast<QPaintEvent*>(e)->region();
        return false;
      }
    } painted;
    h.Widget().viewport()->installEventFilter(&painted);
    h.Key(Qt::Key_Down);
    QApplication::processEvents();
    QCOMPARE(h.Editor().TopRow(), 1);
    // The rows that came into view and the caret's, not the window.
    const int pitch = h.Widget().Furniture().Layout().RowPitch;
    QVERIFY2(painted.region.boundingRect().height() <= 4 * pitch,
             qPrintable(QString::number(painted.region.boundingRect().height())));
    // What the window shows (the scrolled pixels and the rows painted) is what a full paint gives.
    QWidget* vp = h.Widget().viewport();
    auto shown = [&] {
      const QPoint at = vp->mapTo(vp->window(), QPoint(0, 0));
      return vp->screen()->grabWindow(vp->window()->winId(), at.x(), at.y(), vp->width(), vp->height())
          .toImage()
          .convertToFormat(QImage::Format_RGB32);
    };
    QCOMPARE(shown(), h.Paint());
    // Typing paints the caret row and the ruler's caret cells, not what lies between.
    painted.region = QRegion();
    h.Type("xy");
    QApplication::processEvents();
    QVERIFY(painted.region.rectCount() > 1);
    QVERIFY(painted.region.boundingRect().height() > 4 * pitch);
    int area = 0;
    for (const QRect& r : painted.region) area += r.width() * r.height();
    QVERIFY(area < 4 * pitch * vp->width());
    QCOMPARE(shown(), h.Paint());
  }

  void TabAndReturnStayInTheControlWhileWanted() {
    QWidget form;
    auto* layout = new QVBoxLayout(&form);
    TEditorHarness h(300, 120, &form);
    auto* next = new QLineEdit(&form);
    layout->addWidget(&h.Widget());
    layout->addWidget(next);
    form.show();
    form.activateWindow();
    h.Widget().setFocus();
    QApplication::processEvents();
    if (!QTest::qWaitForWindowActive(&form)) QSKIP("no window activation on this platform");
    QTest::keyClick(&h.Widget(), Qt::Key_Return);
    QTest::keyClick(&h.Widget(), Qt::Key_Tab);
    QCOMPARE(QString::fromStdString(h.Text()), QStringLiteral("\r\n\t"));
    QVERIFY(h.Widget().hasFocus());
    h.Editor().SetWantReturns(false);
    QTest::keyClick(&h.Widget(), Qt::Key_Return);
    QCOMPARE(h.Text(), std::string("\r\n\t"));
    h.Editor().SetWantTabs(false);
    QTest::keyClick(&h.Widget(), Qt::Key_Tab);
    QCOMPARE(h.Text(), std::string("\r\n\t"));
    QVERIFY(next->hasFocus());
  }

  void CharactersCp932LacksBecomeGetaAndAreCounted() {
    TEditorHarness h;
    QSignalSpy spy(&h.Widget(), &TEditorWidget::CharactersReplaced);
    h.Type(QStringLiteral("a😀b"));
    QCOMPARE(h.Text(), std::string("a\x81\xAC" "b"));
    h.Commit(QStringLiteral("한𠀋"));
    QCOMPARE(h.Text(), std::string("a\x81\xAC" "b\x81\xAC\x81\xAC"));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 1);
    QCOMPARE(spy.at(1).at(0).toInt(), 2);
  }

  void ACompositionIsDrawnIntoTheRowAndCommittedAsOneStep() {
    // The references first: a harness takes the focus, and losing it commits.
    TEditorHarness b;
    b.Editor().Lines().SetTextStr("ab\x82\xC9\x82\xD9\x82\xF1" "cd\r\n");
    b.Editor().SetRowCol(1, 0);
    const QImage reference = b.Paint();
    TEditorHarness c;
    c.Editor().Lines().SetTextStr("ab" + kNihon + "cd");
    c.Editor().SetRowCol(0, 6);
    const QImage committed = c.Paint();

    TEditorHarness a;
    a.Editor().Lines().SetTextStr("abcd");
    a.Editor().SetRowCol(0, 2);
    const QImage before = a.Paint();
    // にほん typed, the caret hidden by the input method.
    a.Preedit(QStringLiteral("にほん"), {Format(0, 3, false), Cursor(3, 0)});
    QCOMPARE(a.Text(), std::string("abcd"));
    QVERIFY(!a.Editor().CanUndo());
    QVERIFY(!a.Widget().CaretVisibleNow());
    const QImage composing = a.Paint();
    // The same row with the characters in the text: the cells match, "cd"
    // pushed right by six cells; only the typed look's dotted underline differs.
    const TViewLayout& l = a.Widget().Furniture().Layout();
    QCOMPARE(Cells(composing, l, 0, 10, l.FontHeight - 2), Cells(reference, l, 0, 10, l.FontHeight - 2));
    QVERIFY(HasDark(Cells(composing, l, 2, 8, l.FontHeight - 1).copy(0, l.FontHeight - 1, 6 * l.CharWidth, 1)));
    QVERIFY(!HasDark(Cells(reference, l, 2, 8, l.FontHeight - 1).copy(0, l.FontHeight - 1, 6 * l.CharWidth, 1)));

    // Converting: 日本 the clause in hand (selection colours), the rest converted.
    a.Preedit(QStringLiteral("日本"), {Format(0, 1, true), Format(1, 1, false), Cursor(1, 1)});
    const QImage converting = a.Paint();
    QVERIFY(DarkShare(Cells(converting, l, 2, 4, l.RowPitch - 1)) > 0.6);
    QVERIFY(DarkShare(Cells(converting, l, 4, 6, l.RowPitch - 1)) < 0.4);
    QVERIFY(a.Widget().CaretVisibleNow());
    // The candidate window goes to the cursor inside the composition.
    const QRect r = a.Query(Qt::ImCursorRectangle).toRect();
    const QPoint origin = a.Widget().viewport()->geometry().topLeft();
    QCOMPARE(r.left(), origin.x() + l.TextLeft + 4 * l.CharWidth);
    QCOMPARE(r.top(), origin.y() + l.TextTop);
    QVERIFY(r.width() >= 1);
    QCOMPARE(r.height(), l.RowPitch);

    a.Commit(QStringLiteral("日本"));
    QCOMPARE(a.Text(), "ab" + kNihon + "cd");
    QVERIFY(a.Widget().Composition().Empty());
    QCOMPARE(a.Editor().Col(), 6);
    // Nothing of the composition is left on screen.
    QCOMPARE(a.Paint(), committed);
    // One step in the history, and the preedits left none.
    QVERIFY(a.Editor().Undo());
    QCOMPARE(a.Text(), std::string("abcd"));
    QVERIFY(!a.Editor().CanUndo());
    QCOMPARE(a.Paint().size(), before.size());
  }

  void FocusLossCommitsAndReadOnlyTakesNothing() {
    TEditorHarness h;
    h.Preedit(QStringLiteral("にほん"));
    QFocusEvent out(QEvent::FocusOut, Qt::OtherFocusReason);
    QApplication::sendEvent(&h.Widget(), &out);
    QCOMPARE(h.Text(), std::string("\x82\xC9\x82\xD9\x82\xF1"));
    QVERIFY(h.Widget().Composition().Empty());

    // A click inside the composition is the input method's; one outside commits it.
    h.Editor().SetRowCol(0, 0);
    h.Preedit(QStringLiteral("かな"));
    const TViewLayout& l = h.Widget().Furniture().Layout();
    auto click = [&](int col) {
      const QPointF at(l.TextLeft + col * l.CharWidth + 1, l.TextTop + 2);
      QMouseEvent press(QEvent::MouseButtonPress, at, h.Widget().viewport()->mapToGlobal(at), Qt::LeftButton,
                        Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(h.Widget().viewport(), &press);
      QMouseEvent release(QEvent::MouseButtonRelease, at, h.Widget().viewport()->mapToGlobal(at), Qt::LeftButton,
                          Qt::NoButton, Qt::NoModifier);
      QApplication::sendEvent(h.Widget().viewport(), &release);
    };
    click(2);
    QVERIFY(!h.Widget().Composition().Empty());
    click(20);
    QVERIFY(h.Widget().Composition().Empty());
    QCOMPARE(h.Text(), std::string("\x82\xA9\x82\xC8\x82\xC9\x82\xD9\x82\xF1"));

    TEditorHarness r;
    r.Editor().Lines().SetTextStr("x");
    r.Editor().SetReadOnly(true);
    r.Commit(QStringLiteral("日本"));
    r.Type("abc");
    QCOMPARE(r.Text(), std::string("x"));
  }

  void SurroundingTextIsTheCaretLineInUtf16AndReplacementWorks() {
    TEditorHarness h;
    // 今日は晴れ on the second line, caret after 今日.
    h.Editor().Lines().SetTextStr("first\r\n\x8D\xA1\x93\xFA\x82\xCD\x90\xB0\x82\xEA\r\nlast");
    h.Editor().SetRowCol(1, 4);
    QCOMPARE(h.Query(Qt::ImSurroundingText).toString(), QStringLiteral("今日は晴れ"));
    QCOMPARE(h.Query(Qt::ImCursorPosition).toInt(), 2);
    QCOMPARE(h.Query(Qt::ImAnchorPosition).toInt(), 2);
    QCOMPARE(h.Query(Qt::ImTextBeforeCursor).toString(), QStringLiteral("今日"));
    // A selection of は晴 from its end: the anchor is its start.
    h.Editor().SetRowCol(1, 8);
    h.Key(Qt::Key_Left, Qt::ShiftModifier);
    h.Key(Qt::Key_Left, Qt::ShiftModifier);
    QCOMPARE(h.Query(Qt::ImCursorPosition).toInt(), 2);
    QCOMPARE(h.Query(Qt::ImAnchorPosition).toInt(), 4);
    // Reconversion: 今日 (the two characters before the caret) becomes 京, one step.
    h.Editor().SetRowCol(1, 4);
    h.Commit(QStringLiteral("京"), -2, 2);
    QCOMPARE(h.Text(), std::string("first\r\n\x8B\x9E\x82\xCD\x90\xB0\x82\xEA\r\nlast"));
    QCOMPARE(h.Editor().Col(), 2);
    QVERIFY(h.Editor().Undo());
    QCOMPARE(h.Text(), std::string("first\r\n\x8D\xA1\x93\xFA\x82\xCD\x90\xB0\x82\xEA\r\nlast"));

    // A folded line is one line to the input method.
    TEditorHarness w;
    w.Editor().Text().WrapOption().SetWrapByte(20);
    w.Editor().Text().SetWordWrap(true);
    w.Editor().Lines().SetTextStr(std::string(50, 'x') + "\r\nnext");
    QVERIFY(w.Editor().Text().Count() > 3);
    w.Editor().SetRowCol(1, 5);
    QCOMPARE(w.Query(Qt::ImSurroundingText).toString().size(), 50);
    QCOMPARE(w.Query(Qt::ImCursorPosition).toInt(), 25);
  }

  void CharactersWaitWhileASelectionDragIsPending() {
    TEditorHarness h;
    h.Editor().Lines().SetTextStr("hello world");
    h.Editor().SelectAll();
    const TViewLayout& l = h.Widget().Furniture().Layout();
    h.Editor().MouseDown(l.TextLeft + 2 * l.CharWidth, l.TextTop + 2, ssLeft);
    QVERIFY(h.Editor().DragState() != dsNone);
    h.Type("x");
    h.Key(Qt::Key_Backspace);
    QCOMPARE(h.Text(), std::string("hello world"));
    h.Editor().MouseUp(l.TextLeft + 2 * l.CharWidth, l.TextTop + 2, 0);
  }

  void PopupMenuEnablingAndChecksFollowTheEditorWhenItOpens() {
    TEditorHarness h;
    TEditorPopupMenu& m = h.Widget().BuiltinPopupMenu();
    using M = TEditorPopupMenu;
    auto enabled = [&](M::Command c) { return m.Action(c)->isEnabled(); };
    // Opened through the control's own context menu event; inspected while open.
    auto open = [&] {
      QTimer::singleShot(0, &m, [&] { m.close(); });
      QContextMenuEvent e(QContextMenuEvent::Keyboard, QPoint(10, 10), h.Widget().mapToGlobal(QPoint(10, 10)));
      QApplication::sendEvent(&h.Widget(), &e);
    };
    open();
    for (M::Command c : {M::cmUndo, M::cmRedo, M::cmCut, M::cmCopy, M::cmPaste, M::cmBoxPaste, M::cmDelete, M::cmSelectAll})
      QVERIFY2(!enabled(c), qPrintable(m.Action(c)->text()));
    QVERIFY(enabled(M::cmBoxMode));
    QVERIFY(!m.Action(M::cmBoxMode)->isChecked());

    h.Type("abc");
    h.Key(Qt::Key_Left, Qt::ShiftModifier);
    h.Clipboard().SetText("clip", false);
    h.Editor().PutRowMark(0, 4);
    h.Editor().SetSelectionMode(smBox);
    h.Key(Qt::Key_Left, Qt::ShiftModifier);
    open();
    for (M::Command c : {M::cmUndo, M::cmCut, M::cmCopy, M::cmPaste, M::cmBoxPaste, M::cmDelete, M::cmSelectAll})
      QVERIFY2(enabled(c), qPrintable(m.Action(c)->text()));
    QVERIFY(!enabled(M::cmRedo));
    QVERIFY(m.Action(M::cmBoxMode)->isChecked());
    QVERIFY(m.Action(M::cmMarkSet, 4)->isChecked());
    QVERIFY(m.Action(M::cmMarkJump, 4)->isChecked());
    QVERIFY(!m.Action(M::cmMarkJump, 3)->isChecked());

    h.Editor().SetReadOnly(true);
    open();
    for (M::Command c : {M::cmUndo, M::cmCut, M::cmPaste, M::cmBoxPaste, M::cmDelete}) QVERIFY(!enabled(c));
    QVERIFY(enabled(M::cmCopy));
    QVERIFY(enabled(M::cmSelectAll));
  }

  void PopupMenuCaptionsInOrder() {
    TEditorHarness h;
    QStringList captions;
    for (QAction* a : h.Widget().BuiltinPopupMenu().actions())
      captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
    QCOMPARE(captions, QStringList({"マーク設定", "マークジャンプ", "-", "元に戻す(&U)", "やり直し(&R)", "-", "切り取り(&T)",
                                    "コピー(&C)", "貼り付け(&P)", "Box貼り付け(&B)", "削除(&D)", "-", "すべて選択(&A)", "-",
                                    "Box選択モード(&K)"}));
    QCOMPARE(h.Widget().BuiltinPopupMenu().Action(TEditorPopupMenu::cmMarkSet, 7)->shortcut(),
             QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key_7));
  }

  void ShortcutsAreTheMenusAndReachTheControlAsKeys() {
    TEditorHarness h;
    h.Type("ab");
    h.Key(Qt::Key_Z, Qt::ControlModifier, "\x1A");
    QCOMPARE(h.Text(), std::string("a"));
    // Ctrl+A redoes; it does not select all.
    h.Key(Qt::Key_A, Qt::ControlModifier, "\x01");
    QCOMPARE(h.Text(), std::string("ab"));
    QCOMPARE(h.Editor().SelLength(), 0);

    std::string text;
    for (int i = 0; i < 10; ++i) text += "row\r\n";
    h.Editor().Lines().SetTextStr(text);
    // Shift+Ctrl+3 on row 3, then on row 7: the bookmark moves. The second
    // press comes as a Japanese keyboard sends it: Shift+3 is '#', X key code 12.
    h.Editor().SetRow(3);
    h.Key(Qt::Key_3, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(h.Editor().HasRowMark(3, 3));
    h.Editor().SetRow(7);
    h.Key(Qt::Key_NumberSign, Qt::ShiftModifier | Qt::ControlModifier, "#", false, 12);
    QVERIFY(!h.Editor().HasRowMark(3, 3));
    QVERIFY(h.Editor().HasRowMark(7, 3));
    // Shift+0 has no symbol there: the key code still names it.
    h.Key(0, Qt::ShiftModifier | Qt::ControlModifier, {}, false, 19);
    QVERIFY(h.Editor().HasRowMark(7, 0));
    h.Key(Qt::Key_0, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(!h.Editor().HasRowMark(7, 0));
    // Ctrl+3 jumps to it.
    h.Editor().SetRow(0);
    h.Key(Qt::Key_3, Qt::ControlModifier, "3");
    QCOMPARE(h.Editor().Row(), 7);
    QCOMPARE(h.Text(), text);

    // Clipboard and box mode.
    h.Editor().SetRowCol(0, 0);
    h.Key(Qt::Key_End, Qt::ShiftModifier);
    h.Key(Qt::Key_C, Qt::ControlModifier, "\x03");
    QCOMPARE(h.Clipboard().Text().value_or(""), std::string("row"));
    h.Key(Qt::Key_X, Qt::ControlModifier, "\x18");
    QCOMPARE(h.Editor().Lines().Get(0), std::string(""));
    h.Key(Qt::Key_V, Qt::ControlModifier, "\x16");
    h.Key(Qt::Key_V, Qt::ControlModifier, "\x16");
    QCOMPARE(h.Editor().Lines().Get(0), std::string("rowrow"));
    h.Editor().SetRowCol(1, 1);
    h.Key(Qt::Key_B, Qt::ControlModifier, "\x02");
    QCOMPARE(h.Editor().Lines().Get(1), std::string("rrowow"));
    h.Key(Qt::Key_K, Qt::ControlModifier, "\x0B");
    QCOMPARE(h.Editor().SelectionMode(), smBox);
    h.Key(Qt::Key_K, Qt::ControlModifier, "\x0B");
    QCOMPARE(h.Editor().SelectionMode(), smNormal);
  }

  void AKeyWatcherInFrontSeesTheShortcuts() {
    // A recorder filters the control's events: a shortcut must arrive as a key press.
    TEditorHarness h;
    struct Counter : QObject {
      int keys = 0;
      bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::KeyPress) ++keys;
        return false;
      }
    } counter;
    h.Widget().installEventFilter(&counter);
    h.Type("a");
    h.Key(Qt::Key_Z, Qt::ControlModifier, "\x1A");
    QCOMPARE(counter.keys, 2);
    QCOMPARE(h.Text(), std::string());
  }
};

QTEST_MAIN(TestEditorKeys)
#include "test_editor_keys.moc"
