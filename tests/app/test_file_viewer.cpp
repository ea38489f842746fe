#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>

#include "app/file_viewer.h"
#include "app/tamber_form.h"
#include "view/ui/editor_widget.h"

using namespace tamber;

class TestFileViewer : public QObject {
  Q_OBJECT

 private slots:
  void ShowsAFileReadOnlyInItsCodeWithItsFountain() {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/a.c").toStdString();
    {
      std::ofstream out(path, std::ios::binary);
      out << "/* \x93\xFA\x96\x7B */\nint x;\n";  // Shift-JIS, LF breaks
    }
    const TViewerFountains fountains;
    TTamberForm form;
    TEditorWidget* w = OpenInViewer(form, QString::fromStdString(path), fountains);
    QVERIFY(w);
    QCOMPARE(form.StatusText(3), QStringLiteral("S_JIS"));
    QVERIFY(w->Editor().ReadOnly());
    QCOMPARE(w->Editor().Text().Count(), 2);
    QCOMPARE(w->Editor().Text().RowTextAt(0), std::string("/* \x93\xFA\x96\x7B */"));
    QVERIFY(w->Furniture().Fountain() == fountains.ForExtension(".c"));
    QCOMPARE(qobject_cast<QMdiArea*>(form.centralWidget())->subWindowList().size(), 1);
    w->Editor().InsertText("z");
    QCOMPARE(w->Editor().Text().RowTextAt(0), std::string("/* \x93\xFA\x96\x7B */"));
  }

  void ReportsAFileThatCannotBeRead() {
    const TViewerFountains fountains;
    TTamberForm form;
    QVERIFY(!OpenInViewer(form, QStringLiteral("/nonexistent/x.txt"), fountains));
    QVERIFY(form.StatusText(4).contains(QStringLiteral("/nonexistent/x.txt")));
  }
};

QTEST_MAIN(TestFileViewer)
#include "test_file_viewer.moc"
