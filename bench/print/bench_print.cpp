// The print layout alone, on a measurer with fixed widths (the engine's cost
// without the platform's font engine): 100,000 lines in two columns.
#include <benchmark/benchmark.h>

#include "print_bench_doc.h"

namespace tamber::bench {
namespace {

// A 600 dpi A4 printer; 9 pt IPAGothic is 75 px: half-width 38, full-width 75.
class BenchPrinter : public TPrinterServices, public TTextMeasurer {
 public:
  bool PrinterAvailable() const override { return true; }
  int ScreenDpi() const override { return 96; }
  int PrinterDpi() const override { return 600; }
  bool Landscape() const override { return false; }
  int PageWidth() const override { return 4961; }
  int PageHeight() const override { return 7016; }
  TPrintOffsets Offsets() const override { return {}; }
  int PrinterIndex() const override { return 0; }
  std::string PrinterName() const override { return "bench"; }
  int PaperCode() const override { return 9; }
  void DriverPapers(std::vector<TPaperItem>&) const override {}
  TFontMetrics SelectFont(const TFontData&, int) override { return {75, 65, 0, 38}; }
  int CharWidth(std::string_view ch) override { return ch.size() == 2 ? 75 : 38; }
};

void BM_LayoutPages100kLines(benchmark::State& state) {
  const std::vector<std::string> lines = PrintBenchLines();
  BenchPrinter printer;
  TStringsPrinter p;
  PrintBenchSettings(p);
  p.SetPrinter(&printer);
  int pages = 0;
  for (auto _ : state) {
    TMetaFileList list;
    p.LayoutPages(lines, list, kPrintingStatus, printer);
    pages = list.Count();
    benchmark::DoNotOptimize(pages);
  }
  state.counters["pages"] = pages;
  state.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_LayoutPages100kLines)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamber::bench

BENCHMARK_MAIN();
