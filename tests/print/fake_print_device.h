// A printer, measurer, canvas and progress reporter with fixed numbers for
// the layout tests: 254 dpi (10 px a mm), a 1000 × 1000 px printable page,
// single bytes 10 px wide, double-byte characters 20 px, rows 20 px high.
#pragma once

#include <string>
#include <vector>

#include "print/metafile.h"
#include "print/print_device.h"

namespace tamber::test {

class FakePrinter : public TPrinterServices {
 public:
  bool available = true;
  int screenDpi = 96;
  int dpi = 254;
  bool landscape = false;
  int width = 1000, height = 1000;
  TPrintOffsets offsets;
  int index = 0;
  std::string name = "Fake";
  int paperCode = 9;
  std::vector<TPaperItem> papers;
  bool failAfterPapers = false;
  mutable int paperQueries = 0;

  bool PrinterAvailable() const override { return available; }
  int ScreenDpi() const override { return screenDpi; }
  int PrinterDpi() const override { return dpi; }
  bool Landscape() const override { return landscape; }
  int PageWidth() const override { return width; }
  int PageHeight() const override { return height; }
  TPrintOffsets Offsets() const override { return offsets; }
  int PrinterIndex() const override { return index; }
  std::string PrinterName() const override { return name; }
  int PaperCode() const override { return paperCode; }
  void DriverPapers(std::vector<TPaperItem>& out) const override {
    ++paperQueries;
    for (const TPaperItem& p : papers) out.push_back(p);
    if (failAfterPapers) throw TPrintError("driver gone");
  }
};

class FakeMeasurer : public TTextMeasurer {
 public:
  TFontMetrics metrics{20, 16, 0, 10};
  TFontData font;
  int pixelSize = 0;

  TFontMetrics SelectFont(const TFontData& f, int size) override {
    font = f;
    pixelSize = size;
    return metrics;
  }
  int CharWidth(std::string_view ch) override { return ch.size() == 2 ? 20 : 10; }
};

// Records what a print job was asked to do, one string per call.
class RecordingCanvas : public TPrintCanvas {
 public:
  std::vector<std::string> calls;
  std::vector<std::string> headers;  // the first text of each page drawn
  int failOnDraw = -1;  // throws on this DrawPage (0-based)

  void BeginDoc() override { calls.push_back("begin"); }
  void NewPage() override { calls.push_back("newpage"); }
  void DrawPage(const TMetaFile& page, const TPrintRect&) override {
    if (static_cast<int>(headers.size()) == failOnDraw) throw TPrintError("paper jam");
    headers.push_back(page.Records().empty() ? std::string() : page.Records().front().Text);
    calls.push_back("page");
  }
  void EndDoc() override { calls.push_back("end"); }
};

class FakeProgress : public TPrintProgress {
 public:
  int cancelAt = -1;  // raises the cancelled flag at this update
  int updates = 0;
  bool shown = false, closed = false;
  std::string status;
  void Show(std::string_view s) override {
    shown = true;
    status = s;
  }
  void Update(std::string_view, int, int) override { ++updates; }
  bool Cancelled() const override { return cancelAt >= 0 && updates > cancelAt; }
  void Close() override { closed = true; }
};

}  // namespace tamber::test
