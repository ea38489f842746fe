// The tab strip and the window menu's arrangements on the frame, offscreen.
#include <QAction>
#include <QMdiArea>
#include <QtTest>

#include "app/mdi_child.h"
#include "app/mdi_tab.h"
#include "app/tamber_form.h"

#include "frame_test_support.h"

using namespace tamber;

namespace {

using Prompts = test::QuietPrompts;

struct Frame {
  TTamberForm form;
  Prompts* prompts;
  Frame() {
    prompts = test::InstallPrompts<Prompts>(form);
    form.Settings().TaskBar = true;
    form.Action("AcMaxWindow")->setChecked(false);
    form.resize(900, 640);
    form.show();
  }
  TMDIChild* New(const QString& caption) {
    TMDIChild* d = form.CreateDocument(caption);
    d->show();
    form.MdiArea()->setActiveSubWindow(d);
    return d;
  }
};

}  // namespace

class TestMDITab : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void TabsFollowTheDocumentsBothWays() {
    Frame f;
    TMDITab& tabs = f.form.MDITab();
    QVERIFY(!tabs.isVisible());
    TMDIChild* a = f.New("/w/one.txt");
    TMDIChild* b = f.New("/w/two.c");
    TMDIChild* c = f.New("/w/three.h");
    QCOMPARE(tabs.count(), 3);
    QVERIFY(tabs.isVisible());
    QCOMPARE(tabs.tabText(1), QStringLiteral("two.c"));
    QCOMPARE(tabs.currentIndex(), 2);
    // A click on a tab activates its document, activation selects the tab.
    tabs.setCurrentIndex(0);
    QCOMPARE(f.form.ActiveDocument(), a);
    f.form.MdiArea()->setActiveSubWindow(b);
    QCOMPARE(tabs.currentIndex(), 1);
    // A minimised document comes back when its tab is chosen.
    c->showMinimized();
    tabs.setCurrentIndex(0);
    tabs.setCurrentIndex(2);
    QCOMPARE(f.form.ActiveDocument(), c);
    QVERIFY(!c->isMinimized());
    // Refused with a beep while a script runs.
    f.form.SetScriptRunning(true);
    tabs.setCurrentIndex(0);
    QCOMPARE(tabs.currentIndex(), 2);
    QCOMPARE(f.form.ActiveDocument(), c);
    QCOMPARE(f.prompts->beeps, 1);
    f.form.SetScriptRunning(false);
    // A new name (save as) renames the tab; a closed document loses its tab.
    b->SetCaption("/w/renamed.txt");
    QCOMPARE(tabs.tabText(tabs.IndexOf(b)), QStringLiteral("renamed.txt"));
    delete c;
    QCOMPARE(tabs.count(), 2);
    QCOMPARE(tabs.WindowAt(tabs.currentIndex()), f.form.MdiArea()->activeSubWindow());
    delete a;
    delete b;
    QCOMPARE(tabs.count(), 0);
    QVERIFY(!tabs.isVisible());
    // Without the TaskBar setting the strip stays hidden.
    f.form.Settings().TaskBar = false;
    f.New("/w/x.txt");
    QCOMPARE(tabs.count(), 1);
    QVERIFY(!tabs.isVisible());
  }

  void TileRectsDivideTheArea() {
    const auto h = TileRects(QRect(0, 0, 300, 100), 3, true);
    QCOMPARE(h.size(), 3u);
    QCOMPARE(h[0], QRect(0, 0, 300, 33));
    QCOMPARE(h[2], QRect(0, 66, 300, 34));
    const auto v = TileRects(QRect(10, 0, 100, 50), 2, false);
    QCOMPARE(v[0], QRect(10, 0, 50, 50));
    QCOMPARE(v[1], QRect(60, 0, 50, 50));
    QVERIFY(TileRects(QRect(0, 0, 10, 10), 0, true).empty());
  }

  void WindowMenuArrangesTheDocuments() {
    Frame f;
    TMDIChild* a = f.New("/w/a.txt");
    TMDIChild* b = f.New("/w/b.txt");
    TMDIChild* c = f.New("/w/c.txt");
    const QRect room = f.form.MdiArea()->viewport()->rect();
    f.form.Run("WindowTileHorizontal");
    // The active one on top, each at the full width.
    QCOMPARE(c->geometry().top(), 0);
    QCOMPARE(c->geometry().width(), room.width());
    QVERIFY(a->geometry().top() > c->geometry().top());
    QVERIFY(b->geometry().top() > a->geometry().top());
    QCOMPARE(b->geometry().bottom(), room.bottom());
    f.form.Run("WindowTileVertical");
    QCOMPARE(c->geometry().left(), 0);
    QCOMPARE(c->geometry().height(), room.height());
    QVERIFY(a->geometry().left() > c->geometry().left());
    QCOMPARE(b->geometry().right(), room.right());
    f.form.Run("WindowMinimizeAll");
    for (TMDIChild* d : {a, b, c}) QVERIFY(d->isMinimized());
    // The icons lie along the bottom, side by side.
    QCOMPARE(a->geometry().bottom(), room.bottom());
    QVERIFY(b->geometry().left() >= a->geometry().right());
    f.form.Run("WindowCascade");
  }
};

QTEST_MAIN(TestMDITab)
#include "test_mdi_tab.moc"
