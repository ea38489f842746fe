// The print layout on the Qt printer's real font widths, and the whole print
// to a PDF file: 100,000 Shift-JIS lines, A4, two columns, line numbers,
// header and footer.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPageSize>
#include <QPrinter>
#include <QTemporaryDir>

#include "print/ui/qt_print_device.h"
#include "print_bench_doc.h"

namespace tamber::bench {
namespace {

void SetUp(QPrinter& printer, const QString& file) {
  TQtPrintDevice::SetUpPdf(printer, file);
  printer.setPageSize(QPageSize(QPageSize::A4));
}

void BM_LayoutPages100kLinesQt(benchmark::State& state) {
  const std::vector<std::string> lines = PrintBenchLines();
  QTemporaryDir dir;
  QPrinter printer(QPrinter::HighResolution);
  SetUp(printer, dir.filePath("layout.pdf"));
  TQtPrintDevice device(printer);
  TStringsPrinter p;
  PrintBenchSettings(p);
  p.SetPrinter(&device);
  int pages = 0;
  for (auto _ : state) {
    TMetaFileList list;
    p.LayoutPages(lines, list, kPrintingStatus, device);
    pages = list.Count();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_LayoutPages100kLinesQt)->Unit(benchmark::kMillisecond);

void BM_PrintToPdf100kLines(benchmark::State& state) {
  const std::vector<std::string> lines = PrintBenchLines();
  QTemporaryDir dir;
  int pages = 0;
  for (auto _ : state) {
    QPrinter printer(QPrinter::HighResolution);
    SetUp(printer, dir.filePath("doc.pdf"));
    TQtPrintDevice device(printer);
    TStringsPrinter p;
    PrintBenchSettings(p);
    p.SetPrinter(&device);
    TMetaFileList list;
    p.LayoutPages(lines, list, kPrintingStatus, device);
    if (p.PrintPages(list, device) != TPrintResult::prPrinted) state.SkipWithError("printing failed");
    pages = list.Count();
  }
  state.counters["pages"] = pages;
}
BENCHMARK(BM_PrintToPdf100kLines)->Unit(benchmark::kMillisecond)->Iterations(1)->Repetitions(2);

}  // namespace
}  // namespace tamber::bench

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
