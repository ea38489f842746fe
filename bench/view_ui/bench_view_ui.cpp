// The editor widget, offscreen: painting one screen (against QPlainTextEdit
// showing the same text in a viewport of the same size), scrolling one row
// and painting on a 1.5 million-line file, and opening the 100 MB file in the
// viewer up to its first painted screen (against LoadFromFile alone).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <fstream>
#include <memory>

#include "app/file_viewer.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "highlight/language_fountains.h"
#include "support/bench_data.h"
#include "support/peak_memory.h"
#include "support/screen_text.h"
#include "view/ui/editor_widget.h"

namespace tamber {
namespace {

using bench::PeakMemory;
using bench::ResetPeakMemory;

constexpr int kRows = 60, kCols = 160;
constexpr std::size_t kFileBytes = 100u << 20;

std::string BigFile() { return bench::SjisFile(kFileBytes, "sjis-100mb.txt"); }


// A widget with the display values of the main frame's template and a
// viewport of kRows x kCols cells.
std::unique_ptr<TEditorWidget> ScreenWidget(const TViewerFountains& fountains) {
  auto w = std::make_unique<TEditorWidget>();
  ApplyViewerLook(*w);
  w->SetScrollBars(ssNone);
  w->Furniture().SetFountain(fountains.ForExtension(".c"));
  w->Furniture().FxMarks().DBSpaceMark().SetVisible(true);
  w->Furniture().FxMarks().SpaceMark().SetVisible(true);
  w->Furniture().FxMarks().ParenMark().SetVisible(true);
  const TViewLayout& l = w->Furniture().Layout();
  w->resize(l.TextLeft + kCols * l.CharWidth + l.CharWidth + 4, l.TextTop + kRows * l.RowPitch + 5 + 4);
  w->show();
  QApplication::processEvents();
  return w;
}

// state.range(0): 1 with every mark and a selection across the screen, 0 with
// the text, its colours and the furniture only (what QPlainTextEdit shows).
void BM_PaintScreen_EditorWidget(benchmark::State& state) {
  const TViewerFountains fountains;
  auto w = ScreenWidget(fountains);
  w->Editor().Lines().SetTextStr(bench::MakeScreenText(kRows));
  w->Furniture().UpdateNumberDigits();
  w->Furniture().DoLayout();
  if (state.range(0) == 1) {
    w->Editor().SetRowCol(3, 10);
    w->Editor().StartSelection();
    w->Editor().SetRowCol(55, 40);
    w->Editor().UpdateSelection();
  } else {
    TTextEditorFxMarks& fx = w->Furniture().FxMarks();
    for (TTextEditorMark* m : {&fx.DBSpaceMark(), &fx.SpaceMark(), &fx.TabMark(), &fx.ParenMark()})
      m->SetVisible(false);
  }
  QImage img(w->viewport()->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    w->viewport()->render(&img);
    benchmark::DoNotOptimize(img.bits());
  }
  state.counters["rows"] = w->Furniture().Layout().VisibleRows;
  state.counters["cols"] = w->Furniture().Layout().VisibleCols;
  state.counters["width"] = img.width();
  state.counters["height"] = img.height();
}
BENCHMARK(BM_PaintScreen_EditorWidget)->Unit(benchmark::kMillisecond)->ArgName("marks")->Arg(0)->Arg(1);

void BM_PaintScreen_QPlainTextEdit(benchmark::State& state) {
  const TViewerFountains fountains;
  auto probe = ScreenWidget(fountains);
  QPlainTextEdit edit;
  edit.setFont(TEditorWidget::DefaultFont());
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setPlainText(QString::fromStdU16String(Cp932ToUtf16(bench::MakeScreenText(kRows))));
  edit.resize(probe->size());
  edit.show();
  QApplication::processEvents();
  QImage img(edit.viewport()->size(), QImage::Format_RGB32);
  for (auto _ : state) {
    edit.viewport()->render(&img);
    benchmark::DoNotOptimize(img.bits());
  }
  state.counters["width"] = img.width();
  state.counters["height"] = img.height();
}
BENCHMARK(BM_PaintScreen_QPlainTextEdit)->Unit(benchmark::kMillisecond);

// One row down or up in the middle of the file, then the paint Qt asks for.
void BM_ScrollOneRowAndPaint_1_5MLines(benchmark::State& state) {
  const TViewerFountains fountains;
  auto w = ScreenWidget(fountains);
  w->Furniture().SetFountain(nullptr);
  w->Editor().Lines().LoadFromFile(BigFile());
  w->Furniture().UpdateNumberDigits();
  w->Furniture().DoLayout();
  const int middle = w->Editor().Text().Count() / 2;
  w->Editor().SetTopRow(middle);
  QApplication::processEvents();
  int step = 1;
  for (auto _ : state) {
    w->Editor().SetTopRow(w->Editor().TopRow() + step);
    step = -step;
    QApplication::processEvents();
  }
  state.counters["rows"] = w->Editor().Text().Count();
}
BENCHMARK(BM_ScrollOneRowAndPaint_1_5MLines)->Unit(benchmark::kMillisecond);

void BM_Open100MB_LoadFromFileAlone(benchmark::State& state) {
  const std::string path = BigFile();
  std::size_t peak = 0;
  for (auto _ : state) {
    ResetPeakMemory();
    TTextEditor e;
    e.Lines().LoadFromFile(path);
    peak = PeakMemory();
    benchmark::DoNotOptimize(e.Text().Count());
  }
  state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
}
BENCHMARK(BM_Open100MB_LoadFromFileAlone)->Unit(benchmark::kMillisecond)->Iterations(3);

// The viewer's open path in parts: reading and classifying as tamber-conv
// does, then building the rows from the classified text.
void BM_Open100MB_ReadAndClassify(benchmark::State& state) {
  const std::string path = BigFile();
  for (auto _ : state) {
    const std::string bytes = ReadWholeFile(path);
    ClassifiedText c = ClassifyOpenedFile(ProbeBytes(bytes), ".txt", bytes, true);
    benchmark::DoNotOptimize(c.text.data());
  }
}
BENCHMARK(BM_Open100MB_ReadAndClassify)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Open100MB_SetTextStr(benchmark::State& state) {
  const std::string text = ReadWholeFile(BigFile());
  for (auto _ : state) {
    TTextEditor e;
    e.Lines().SetTextStr(text);
    benchmark::DoNotOptimize(e.Text().Count());
  }
}
BENCHMARK(BM_Open100MB_SetTextStr)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Open100MB_ViewerFirstScreen(benchmark::State& state) {
  const std::string path = BigFile();
  const TViewerFountains fountains;
  std::size_t peak = 0;
  for (auto _ : state) {
    ResetPeakMemory();
    auto w = ScreenWidget(fountains);
    LoadIntoViewer(*w, path, fountains);
    QImage img(w->viewport()->size(), QImage::Format_RGB32);
    w->viewport()->render(&img);
    peak = PeakMemory();
    benchmark::DoNotOptimize(img.bits());
  }
  state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
}
BENCHMARK(BM_Open100MB_ViewerFirstScreen)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tamber

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
