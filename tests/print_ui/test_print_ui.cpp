// The Qt printer device: its measuring against Qt's own, the paper table
// against Qt's page sizes, and PDFs read back with poppler's tools.
#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "print/strings_printer.h"
#include "print/strings_printer_info.h"
#include "print/ui/qt_print_device.h"

using namespace tamber;

namespace {

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

QString Run(const QString& program, const QStringList& args) {
  QProcess p;
  p.start(program, args);
  if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString("<%1 failed>").arg(program);
  return QString::fromUtf8(p.readAllStandardOutput());
}

int PdfPages(const QString& file) {
  const QString info = Run("pdfinfo", {file});
  const QRegularExpressionMatch m = QRegularExpression("Pages:\\s+(\\d+)").match(info);
  return m.hasMatch() ? m.captured(1).toInt() : -1;
}

}  // namespace

class PrintUiTest : public QObject {
  Q_OBJECT

 private slots:
  void cachedCharacterWidthsAddUpToQtsWidths() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDevice::SetUpPdf(printer, dir.filePath("w.pdf"));
    TQtPrintDevice device(printer);
    const char* texts[] = {"int main(void) { return 0; }", "日本語のテキスト、かな・カナ", "Mixed 混在 text ｶﾀｶﾅ 123",
                           "WAVE iiii mmmm ffi fl"};
    for (int size : {9, 10, 12}) {
      const TFontData font{"IPAGothic", size, clBlack, 0, 128};
      const int pixels = static_cast<int>(std::lround(size * printer.logicalDpiX() / 72.0));
      device.SelectFont(font, pixels);
      const QFontMetrics qt(PrintFont(font, pixels), &printer);
      for (const char* t : texts) {
        const std::string s = Sjis(t);
        int sum = 0;
        for (std::size_t i = 0; i < s.size();) {
          const std::size_t len = IsLeadByte(s[i]) && i + 1 < s.size() ? 2 : 1;
          sum += device.CharWidth(std::string_view(s).substr(i, len));
          i += len;
        }
        QCOMPARE(sum, qt.horizontalAdvance(QString::fromUtf8(t)));
      }
    }
  }

  void builtInPaperSizesAreQtsPageSizes() {
    int compared = 0;
    for (int code = kFirstPaperCode; code <= kLastPaperCode; ++code) {
      const QPageSize::PageSizeId id = QPageSize::id(code);
      if (id == QPageSize::Custom) continue;
      const QSizeF mm = QPageSize(id).size(QPageSize::Millimeter);
      const TPaperTableEntry* e = BuiltInPaper(code);
      QVERIFY(e);
      QCOMPARE(e->Width, static_cast<int>(std::trunc(mm.width() + 0.5)));
      QCOMPARE(e->Height, static_cast<int>(std::trunc(mm.height() + 0.5)));
      ++compared;
    }
    QCOMPARE(compared, 65);  // all but Folio and the two reserved codes
  }

  void aPdfSheetIsAllPrintableAndKnowsItsPaper() {
    QTemporaryDir dir;
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDevice::SetUpPdf(printer, dir.filePath("a.pdf"));
    printer.setPageSize(QPageSize(QPageSize::A4));
    TQtPrintDevice device(printer);
    TStringsPrinter p;
    p.SetPrinter(&device);
    QVERIFY(device.PrinterAvailable());
    QCOMPARE(device.Offsets(), (TPrintOffsets{0, 0, 0, 0}));
    QCOMPARE(p.Info().PaperCode(), 9);
    QCOMPARE(p.Info().PaperName(), std::string("DMPAPER_A4"));
    QVERIFY(std::abs(device.PageWidth() - p.MmToPixels(210)) <= 5);  // Qt holds the sheet in points
    printer.setPageSize(QPageSize(QPageSize::Letter));
    QCOMPARE(p.Info().PaperSize(), (TPaperSize{216, 279}));
  }

  void aPdfReadsBackWithItsHeadersFootersNumbersAndText() {
    QTemporaryDir dir;
    const QString out = dir.filePath("doc.pdf");
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDevice::SetUpPdf(printer, out);
    printer.setPageSize(QPageSize(QPageSize::A4));
    TQtPrintDevice device(printer);
    TStringsPrinter p;
    p.SetPrinter(&device);
    p.SetMarginTop(20);
    p.SetMarginBottom(20);
    p.SetMarginLeft(20);
    p.SetMarginRight(20);
    p.SetColumnCount(2);
    p.SetLineNumber(true);
    p.SetFileName("/home/user/\x95\x5C.txt");  // 表.txt
    p.SetHeader("%F p.%p");
    p.SetHeaderAlign(haLeft);
    p.SetFooter("- %p -");
    p.SetFooterAlign(haCenter);
    std::vector<std::string> lines;
    for (int i = 1; i <= 300; ++i) lines.push_back(Sjis("行") + std::to_string(i) + Sjis(" 日本語のテキスト"));
    TMetaFileList pages;
    QVERIFY(p.LayoutPages(lines, pages, kPrintingStatus, device));
    QVERIFY(pages.Count() >= 2);
    std::string error;
    QCOMPARE(p.PrintPages(pages, device, &error), TPrintResult::prPrinted);
    QCOMPARE(PdfPages(out), pages.Count());

    const QString first = Run("pdftotext", {"-layout", "-f", "1", "-l", "1", out, "-"});
    QVERIFY2(first.contains(QString::fromUtf8("表.txt p.1")), qPrintable(first.left(300)));
    QVERIFY(first.contains("- 1 -"));
    QVERIFY2(first.contains(QString::fromUtf8("1:行1 日本語のテキスト")), qPrintable(first.left(600)));
    const QString second = Run("pdftotext", {"-layout", "-f", "2", "-l", "2", out, "-"});
    QVERIFY(second.contains(QString::fromUtf8("表.txt p.2")));
    QVERIFY(second.contains("- 2 -"));
    QVERIFY(!second.contains(QString::fromUtf8("表.txt p.1")));
    // Both columns of page 1 carry text: the second column's first line
    // stands on the same text line as the first column's first line.
    const QRegularExpression twoColumns(QString::fromUtf8("1:行1 日本語のテキスト\\s+(\\d+):行\\1 "));
    QVERIFY2(twoColumns.match(first).hasMatch(), qPrintable(first.left(400)));
    if (qEnvironmentVariableIsSet("TAMBER_KEEP_PDF")) QFile::copy(out, qEnvironmentVariable("TAMBER_KEEP_PDF"));
  }

  void selectedPagesAloneArePrinted() {
    QTemporaryDir dir;
    const QString out = dir.filePath("even.pdf");
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDevice::SetUpPdf(printer, out);
    TQtPrintDevice device(printer);
    TStringsPrinter p;
    p.SetPrinter(&device);
    p.SetMarginBottom(100);
    p.SetMarginTop(100);
    p.SetHeader("page %p");
    p.SetHeaderAlign(haRight);
    p.SetPageOption(poEven);
    std::vector<std::string> lines(400, "x");
    QCOMPARE(p.Print(lines, device, device), TPrintResult::prPrinted);
    const QString text = Run("pdftotext", {"-layout", out, "-"});
    QVERIFY(text.contains("page 2"));
    QVERIFY(!text.contains("page 1\n") && !text.contains("page 3"));
  }

  void aPdfThatCannotBeWrittenIsAFailure() {
    QPrinter printer(QPrinter::HighResolution);
    TQtPrintDevice::SetUpPdf(printer, "/nonexistent-folder/x.pdf");
    TQtPrintDevice device(printer);
    TStringsPrinter p;
    p.SetPrinter(&device);
    std::string error;
    QCOMPARE(p.Print({"x"}, device, device, nullptr, &error), TPrintResult::prFailed);
    QVERIFY(!error.empty());
  }
};

QTEST_MAIN(PrintUiTest)
#include "test_print_ui.moc"
