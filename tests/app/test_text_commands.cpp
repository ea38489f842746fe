// The text commands of the frame on real documents: each one's text before
// and after, one undo step back to the start, the read-only beep, the era
// dates across their boundaries, the line jump's answers and the toggles
// run by name or from their menu items.
#include <QAction>
#include <QMdiArea>
#include <QtTest>
#include <deque>
#include <functional>
#include <optional>
#include <string>

#include "app/mdi_child.h"
#include "app/tamber_form.h"
#include "app/text_commands.h"
#include "encoding/cp932_codec.h"
#include "view/text_editor.h"
#include "view/ui/text_editor_fx.h"

#include "frame_test_support.h"

using namespace tamber;

namespace {

struct TestPrompts : test::QuietPrompts {
  int failures = 0;
  QString lastText;
  void CommandFailed(const QString& t) override { ++failures, lastText = t; }
};

struct Frame {
  TTamberForm form;
  TestPrompts* prompts;
  Frame() {
    prompts = test::InstallPrompts<TestPrompts>(form);
  }
  TMDIChild& Doc(const std::string& text) {
    form.Run("AcFileNew");
    TMDIChild* d = form.ActiveDocument();
    d->Edit().Editor().SetText(text);
    d->Edit().Editor().ClearUndo();
    return *d;
  }
};

void Select(TTextEditor& e, int r0, int c0, int r1, int c1) {
  e.CleanSelection();
  e.SetRowCol(r0, c0);
  e.StartSelection();
  e.SetRowCol(r1, c1);
  e.UpdateSelection();
}

}  // namespace

Q_DECLARE_METATYPE(std::function<void(tamber::TTextEditor&)>)

class TestTextCommands : public QObject {
  Q_OBJECT

  QTemporaryDir home_;

 private slots:
  void initTestCase() { qputenv("TAMBER_HOME", home_.path().toUtf8()); }

  void LineTransforms_data() {
    QTest::addColumn<QString>("in");
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("tabs");
    QTest::addColumn<QString>("spaces");
    QTest::newRow("one tab is n blanks") << "a\tb" << 4 << "a    b" << "a\tb";
    QTest::newRow("runs without overlap") << "a     b" << 2 << "a     b" << "a\t\t b";
    QTest::newRow("tab at a column") << "abc\t\td" << 3 << "abc      d" << "abc\t\td";
    QTest::newRow("clamped up from 0") << "\t" << 0 << "  " << "\t";
    QTest::newRow("clamped down from 20") << "\t" << 20 << "        " << "\t";
    QTest::newRow("nothing to do") << "plain" << 4 << "plain" << "plain";
  }
  void LineTransforms() {
    QFETCH(QString, in);
    QFETCH(int, n);
    QFETCH(QString, tabs);
    QFETCH(QString, spaces);
    QCOMPARE(QString::fromStdString(TabsToSpaces(in.toStdString(), n)), tabs);
    QCOMPARE(QString::fromStdString(SpacesToTabs(in.toStdString(), n)), spaces);
  }

  void EraDatesAcrossEveryBoundary_data() {
    QTest::addColumn<int>("y");
    QTest::addColumn<int>("m");
    QTest::addColumn<int>("d");
    QTest::addColumn<QString>("text");
    QTest::newRow("before Meiji") << 1868 << 9 << 7 << "1868年 09月 07日";
    QTest::newRow("Meiji 1") << 1868 << 9 << 8 << "明治 01年 09月 08日";
    QTest::newRow("Meiji last") << 1912 << 7 << 29 << "明治 45年 07月 29日";
    QTest::newRow("Taisho 1") << 1912 << 7 << 30 << "大正 01年 07月 30日";
    QTest::newRow("Taisho last") << 1926 << 12 << 24 << "大正 15年 12月 24日";
    QTest::newRow("Showa 1") << 1926 << 12 << 25 << "昭和 01年 12月 25日";
    QTest::newRow("Showa last") << 1989 << 1 << 7 << "昭和 64年 01月 07日";
    QTest::newRow("Heisei 1") << 1989 << 1 << 8 << "平成 01年 01月 08日";
    QTest::newRow("Heisei last") << 2019 << 4 << 30 << "平成 31年 04月 30日";
    QTest::newRow("Reiwa 1") << 2019 << 5 << 1 << "令和 01年 05月 01日";
    QTest::newRow("Reiwa 8") << 2026 << 12 << 10 << "令和 08年 12月 10日";
  }
  void EraDatesAcrossEveryBoundary() {
    QFETCH(int, y);
    QFETCH(int, m);
    QFETCH(int, d);
    QFETCH(QString, text);
    QCOMPARE(QString::fromStdString(JapaneseEraDate({y, m, d})), text);
  }

  // Each command on a document: the text after it, and one undo back to the start.
  void CommandsEditInOneUndoStep_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("before");
    QTest::addColumn<std::function<void(TTextEditor&)>>("setup");
    QTest::addColumn<QString>("after");
    using F = std::function<void(TTextEditor&)>;
    auto at = [](int r, int c) { return F([r, c](TTextEditor& e) { e.SetRowCol(r, c); }); };
    auto sel = [](int r0, int c0, int r1, int c1) {
      return F([=](TTextEditor& e) { Select(e, r0, c0, r1, c1); });
    };
    QTest::newRow("LineDel") << "LineDel" << "one\r\ntwo\r\nthree" << at(1, 1) << "one\r\nthree";
    QTest::newRow("ShiftBS") << "ShiftBS" << "abcdef\r\nx" << at(0, 4) << "ef\r\nx";
    QTest::newRow("ShiftDel") << "ShiftDel" << "abcdef\r\nx" << at(0, 4) << "abcd\r\nx";
    QTest::newRow("AcTab2Space") << "AcTab2Space" << "a\tb\r\nno\r\n\tc" << at(0, 0) << "a    b\r\nno\r\n    c";
    QTest::newRow("AcSpace2Tab") << "AcSpace2Tab" << "x\r\n        y\r\nz     w" << at(0, 0)
                                 << "x\r\n\t\ty\r\nz\t w";
    QTest::newRow("RessAdd three of five lines") << "RessAdd" << "1\r\n2\r\n3\r\n4\r\n5\r\n6"
                                                 << sel(2, 0, 5, 0) << "1\r\n2\r\n>3\r\n>4\r\n>5\r\n6";
    QTest::newRow("RessDel") << "RessDel" << ">a\r\nb\r\n>>c\r\nd" << sel(0, 0, 3, 0) << "a\r\nb\r\n>c\r\nd";
    QTest::newRow("AcIndent by the tab width") << "AcIndent" << "a\r\nb\r\nc" << sel(0, 0, 2, 0)
                                               << "    a\r\n    b\r\nc";
    QTest::newRow("AcUnIndent") << "AcUnIndent" << "      a\r\n  b\r\nc" << sel(0, 0, 2, 0) << "  a\r\nb\r\nc";
    QTest::newRow("AcSign1 at the caret") << "AcSign1" << "ab" << at(0, 1) << "a--\r\nme\r\nb";
    QTest::newRow("AcDateJ") << "AcDateJ" << "[]" << at(0, 1) << "[令和 01年 05月 01日]";
    QTest::newRow("AcDateE") << "AcDateE" << "" << at(0, 0) << "2019/05/01";
    QTest::newRow("AcTime") << "AcTime" << "" << at(0, 0) << "12:34:56";
  }
  void CommandsEditInOneUndoStep() {
    QFETCH(QString, command);
    QFETCH(QString, before);
    QFETCH(std::function<void(TTextEditor&)>, setup);
    QFETCH(QString, after);
    TextCommandHooks().today = [] { return TCivilDate{2019, 5, 1}; };
    TextCommandHooks().shortDate = [] { return QStringLiteral("2019/05/01"); };
    TextCommandHooks().longTime = [] { return QStringLiteral("12:34:56"); };
    Frame f;
    f.form.Settings().TabSpaceCount = 4;
    f.form.Settings().Sign[0] = {"--", "me"};
    TMDIChild& d = f.Doc(before.toStdString());
    TTextEditor& e = d.Edit().Editor();
    e.Caret().SetTabSpaceCount(4);
    setup(e);
    f.form.UpdateCommands();
    QVERIFY(f.form.Action(command.toStdString())->isEnabled());
    f.form.Run(command.toStdString());
    QCOMPARE(f.prompts->failures, 0);
    // The document holds CP932.
    QCOMPARE(QString::fromStdString(Cp932ToUtf8(e.GetText())), after);
    f.form.Run("EditUndo");
    QCOMPARE(QString::fromStdString(e.GetText()), before);
    f.form.Run("EditRedo");
    QCOMPARE(QString::fromStdString(Cp932ToUtf8(e.GetText())), after);
    e.CheckInvariants();
    // A read-only document only beeps.
    d.Edit().Editor().SetText(before.toStdString());
    e.SetReadOnly(true);
    setup(e);
    f.form.Run(command.toStdString());
    QCOMPARE(QString::fromStdString(e.GetText()), before);
    QCOMPARE(f.prompts->beeps, 1);
  }

  void DeletionAtTheEdgesOfTheLine() {
    Frame f;
    TTextEditor& e = f.Doc("abc\r\n").Edit().Editor();
    // At column 0 nothing goes; the caret stays on the line's first row.
    e.SetRowCol(0, 0);
    f.form.Run("ShiftBS");
    QCOMPARE(e.GetText(), std::string("abc\r\n"));
    QVERIFY(!e.CanUndo());
    // After the final break the caret line is empty: nothing to delete, no error.
    e.SetRowCol(1, 0);
    f.form.Run("ShiftDel");
    f.form.Run("ShiftBS");
    QCOMPARE(f.prompts->failures, 0);
    QCOMPARE(e.GetText(), std::string("abc\r\n"));
  }

  // With word wrap the caret's row is part of a longer line: the deletions
  // reach to the ends of the logical line, not of the screen row.
  void DeletionsInAWrappedLine() {
    Frame f;
    TMDIChild& d = f.Doc(std::string(300, 'a') + "\r\nnext");
    TTextEditor& e = d.Edit().Editor();
    f.form.Run("AcWordWarp");
    QVERIFY(e.Text().Count() > e.Lines().Count());
    const int first = static_cast<int>(e.GetLine(0).size());
    e.SetRowCol(1, 2);
    f.form.Run("ShiftDel");
    QCOMPARE(e.Lines().Get(0), std::string(static_cast<std::size_t>(first + 2), 'a'));
    QCOMPARE(e.Lines().Get(1), std::string("next"));
    QCOMPARE(e.Row(), 0);
    f.form.Run("EditUndo");
    QCOMPARE(e.Lines().Get(0), std::string(300, 'a'));
    e.SetRowCol(1, 2);
    f.form.Run("ShiftBS");
    QCOMPARE(e.Lines().Get(0), std::string(static_cast<std::size_t>(300 - first - 2), 'a'));
    QCOMPARE(e.Row(), 0);
    QCOMPARE(e.Col(), 0);
  }

  void LongTimeHasNoZone() {
    for (const char* name : {"C", "en_US", "ja_JP", "de_DE"}) {
      const QString f = LongTimeFormatWithoutZone(QLocale(QString::fromLatin1(name)));
      QVERIFY2(!f.contains(QLatin1Char('t')), qPrintable(f));
      QVERIFY2(f.contains(QStringLiteral("ss")), qPrintable(f));
    }
  }

  void LineJumpTakesOnlyLinesOfTheDocument() {
    Frame f;
    TTextEditor& e = f.Doc("1\r\n2\r\n3\r\n4").Edit().Editor();
    QString caption, prompt;
    std::deque<std::optional<QString>> answers{QStringLiteral("3"), QStringLiteral("0"), QStringLiteral("-2"),
                                               QStringLiteral("5"), std::nullopt, QStringLiteral("x"),
                                               QStringLiteral("4")};
    TextCommandHooks().askLine = [&](const QString& c, const QString& p) {
      caption = c, prompt = p;
      auto a = answers.front();
      answers.pop_front();
      return a;
    };
    e.SetRowCol(0, 1);
    f.form.Run("AcLineJump");
    QCOMPARE(caption, TTamberForm::SystemMessageCaption());
    QCOMPARE(prompt, QString::fromUtf8("ジャンプ行を入力して下さい。"));
    QCOMPARE(e.Row(), 2);
    QCOMPARE(e.Col(), 1);
    for (int i = 0; i < 4; ++i) f.form.Run("AcLineJump");  // 0, -2, past the end, cancelled
    QCOMPARE(e.Row(), 2);
    QCOMPARE(f.prompts->failures, 0);
    f.form.Run("AcLineJump");  // not a number: the error handler
    QCOMPARE(f.prompts->failures, 1);
    QCOMPARE(e.Row(), 2);
    f.form.Run("AcLineJump");
    QCOMPARE(e.Row(), 3);
  }

  void TogglesKeepTheirChecks() {
    Frame f;
    TMDIChild& d = f.Doc("some words");
    f.form.Run("AcWordWarp");
    QVERIFY(d.Edit().Editor().Text().WordWrap());
    QVERIFY(f.form.Action("AcWordWarp")->isChecked());
    f.form.Run("AcWordWarp");
    QVERIFY(!d.Edit().Editor().Text().WordWrap());
    QVERIFY(!f.form.Action("AcWordWarp")->isChecked());
    f.form.Run("AcAlphaBlend");
    QVERIFY(f.form.Action("AcAlphaBlend")->isChecked());
    QVERIFY(qAbs(f.form.windowOpacity() - 160.0 / 255.0) < 0.01);
    f.form.Run("AcAlphaBlend");
    QVERIFY(!f.form.Action("AcAlphaBlend")->isChecked());
    QCOMPARE(f.form.windowOpacity(), 1.0);
    // Insert mode in the status panel, both panes.
    d.Split();
    f.form.Run("OverWrite");
    QCOMPARE(f.form.StatusText(2), QString::fromUtf8("上書き"));
    QVERIFY(d.SplitEdit()->Editor().OverWrite());
    f.form.Run("OverWrite");
    QCOMPARE(f.form.StatusText(2), QString::fromUtf8("挿入"));
  }

  void MaxWindowByNameTogglesAsTheMenuDoes() {
    TTamberForm form;
    form.SetPrompts(std::make_unique<test::QuietPrompts>());
    QAction* mark = form.Action("AcMaxWindow");
    mark->setChecked(false);
    form.resize(800, 600);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    TMDIChild* a = form.CreateDocument("/w/a.txt");
    TMDIChild* b = form.CreateDocument("/w/b.txt");
    QVERIFY(!b->isMaximized());

    form.Run("AcMaxWindow");
    QVERIFY(mark->isChecked());
    QVERIFY(b->isMaximized());
    QCOMPARE(form.ActiveDocument(), b);
    // New documents come maximised while the mark is on.
    TMDIChild* c = form.CreateDocument("/w/c.txt");
    QVERIFY(c->isMaximized());

    form.Run("AcMaxWindow");
    QVERIFY(!mark->isChecked());
    for (TMDIChild* d : {a, b, c}) QVERIFY(!d->isMaximized());

    // The menu item (and F2) goes through the same toggle.
    mark->trigger();
    QVERIFY(mark->isChecked());
    QVERIFY(form.ActiveDocument()->isMaximized());
    mark->trigger();
    QVERIFY(!mark->isChecked());
    QVERIFY(!form.ActiveDocument()->isMaximized());

    // A document's own maximise and restore buttons keep the mark in step;
    // minimising does not touch it.
    b->showMaximized();
    QVERIFY(mark->isChecked());
    b->showNormal();
    QVERIFY(!mark->isChecked());
    b->showMaximized();
    b->showMinimized();
    QVERIFY(mark->isChecked());
    form.Run("AcMaxWindow");
    QVERIFY(!mark->isChecked());
    form.MdiArea()->setActiveSubWindow(a);
    form.Run("AcMaxWindow");
    QVERIFY(mark->isChecked());
    QVERIFY(a->isMaximized());
  }
};

QTEST_MAIN(TestTextCommands)
#include "test_text_commands.moc"
