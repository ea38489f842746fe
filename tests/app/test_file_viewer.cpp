#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/file_viewer.h"
#include "app/tamber_form.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "view/ui/editor_widget.h"

using namespace tamber;

class TestFileViewer : public QObject {
  Q_OBJECT

 private slots:
  void ShowsAFileToEditInItsCodeWithItsFountain() {
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
    QVERIFY(!w->Editor().ReadOnly());
    QCOMPARE(w->Editor().Text().Count(), 2);
    QCOMPARE(w->Editor().Text().RowTextAt(0), std::string("/* \x93\xFA\x96\x7B */"));
    QVERIFY(w->Furniture().Fountain() == fountains.ForExtension(".c"));
    QCOMPARE(qobject_cast<QMdiArea*>(form.centralWidget())->subWindowList().size(), 1);
    // Typed keys go into the text.
    QTest::keyClicks(w, "z;");
    QCOMPARE(w->Editor().Text().RowTextAt(0), std::string("z;/* \x93\xFA\x96\x7B */"));
    QVERIFY(w->Editor().Modified());
  }

  void ShowsABinaryFileReadOnly() {
    QTemporaryDir dir;
    const std::string path = (dir.path() + "/a.bin").toStdString();
    {
      std::ofstream out(path, std::ios::binary);
      out << std::string("\x00\x01\x02\xFFzz\x00", 7);
    }
    const TViewerFountains fountains;
    TTamberForm form;
    TEditorWidget* w = OpenInViewer(form, QString::fromStdString(path), fountains);
    QVERIFY(w);
    QVERIFY(w->Editor().ReadOnly());
    const std::string before = w->Editor().Lines().GetTextStr();
    QTest::keyClicks(w, "z");
    QCOMPARE(w->Editor().Lines().GetTextStr(), before);
  }

  // The viewer converts piece by piece into the rows; it must show the same
  // lines as converting the whole file at once, in every code and break style,
  // also across the decoder's piece boundaries.
  void ShowsTheLinesOfTheWholeConversionInEveryCode() {
    const std::string longLine(FileDecoder::kPiece + 7, 'x');
    const std::vector<std::pair<std::string, QString>> files = {
        {"\xC6\xFC\xCB\xDC\xB8\xEC\r\n\xA4\xA2\xA4\xA4\r\n", QStringLiteral("EUC")},
        {"\xE6\x97\xA5\xE6\x9C\xAC\nabc\n\xE3\x81\x82", QStringLiteral("UTF-8")},
        {"\x1B$B\x46\x7C\x4B\x5C\x1B(B\r\nx\r\n", QStringLiteral("JIS")},
        {longLine + "\r" + "\x93\xFA\n" + longLine + "\r\n\r\n", QStringLiteral("S_JIS")},
    };
    const TViewerFountains fountains;
    for (const auto& [bytes, codeName] : files) {
      QTemporaryDir dir;
      const std::string path = (dir.path() + "/t.txt").toStdString();
      {
        std::ofstream out(path, std::ios::binary);
        out << bytes;
      }
      const std::string whole = ClassifyOpenedFile(ProbeBytes(bytes), ".txt", bytes, true).text;
      std::vector<std::string> lines;
      for (std::size_t at = 0;;) {
        const std::size_t br = whole.find("\r\n", at);
        lines.push_back(whole.substr(at, br == std::string::npos ? std::string::npos : br - at));
        if (br == std::string::npos) break;
        at = br + 2;
      }
      if (lines.size() > 1 && lines.back().empty()) lines.pop_back();  // the final break
      TTamberForm form;
      TEditorWidget* w = OpenInViewer(form, QString::fromStdString(path), fountains);
      QVERIFY(w);
      QCOMPARE(form.StatusText(3), codeName);
      QCOMPARE(w->Editor().Text().Count(), static_cast<int>(lines.size()));
      for (std::size_t i = 0; i < lines.size(); ++i)
        QCOMPARE(w->Editor().Text().RowTextAt(static_cast<int>(i)), lines[i]);
    }
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
