// The print layout's printer, measurer and canvas over a QPrinter: a system
// printer (CUPS) or a PDF file. Text is measured and drawn without kerning
// or shaping, so a run's width is the sum of its characters' widths, which
// is what the layout caches.
#pragma once

#include <QFont>
#include <QString>
#include <memory>
#include <vector>

#include "print/print_device.h"

class QPainter;
class QPrinter;

namespace tamber {

// A QFont for a recorded or settings font at a pixel size.
QFont PrintFont(const TFontData& font, int pixelSize);

class TQtPrintDevice : public TPrinterServices, public TTextMeasurer, public TPrintCanvas {
 public:
  explicit TQtPrintDevice(QPrinter& printer);
  ~TQtPrintDevice() override;

  // A PDF printer on outFile: the sheet is paper (no unprintable edge).
  static void SetUpPdf(QPrinter& printer, const QString& outFile);

  bool PrinterAvailable() const override;
  int ScreenDpi() const override;
  int PrinterDpi() const override;
  bool Landscape() const override;
  int PageWidth() const override;
  int PageHeight() const override;
  TPrintOffsets Offsets() const override;
  int PrinterIndex() const override;
  std::string PrinterName() const override;
  int PaperCode() const override;
  void DriverPapers(std::vector<TPaperItem>& out) const override;

  TFontMetrics SelectFont(const TFontData& font, int pixelSize) override;
  int CharWidth(std::string_view ch) override;

  void BeginDoc() override;
  void NewPage() override;
  void DrawPage(const TMetaFile& page, const TPrintRect& target) override;
  void EndDoc() override;

 private:
  bool IsPdf() const;

  QPrinter& printer_;
  std::unique_ptr<QPainter> painter_;
  std::unique_ptr<class QFontMetrics> metrics_;
};

}  // namespace tamber
