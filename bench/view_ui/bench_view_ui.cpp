// The editor widget, offscreen: typing from the key press to the painted
// frame (against QPlainTextEdit on the 100 MB file), holding an arrow key
// down through a 1.5 million-line file, painting one screen (against QPlainTextEdit
// showing the same text in a viewport of the same size), scrolling one row
// and painting on a 1.5 million-line file, and opening the 100 MB file in the
// viewer up to its first painted screen (against LoadFromFile alone).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <algorithm>
#include <chrono>
#include <fstream>
#include <memory>
#include <string>
#include <time.h>
#include <vector>

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

// ---- key press to painted frame ----

// Counts the paints a widget gets (so a figure is known to include them).
class PaintCounter : public QObject {
 public:
  int paints = 0;
  double pixels = 0;  // painted area
  bool eventFilter(QObject*, QEvent* e) override {
    if (e->type() == QEvent::Paint) {
      ++paints;
      for (const QRect& r : static_cast<QPaintEvent*>(e)->region()) pixels += static_cast<double>(r.width()) * r.height();
    }
    return false;
  }
};

// Times of the steps of a benchmark loop: the median, the 99th percentile
// and the slowest, in milliseconds, by the wall clock (what the user waits)
// and by the thread's CPU time (the same without the waits of a busy machine).
class StepTimes {
 public:
  void Start() {
    t0_ = std::chrono::steady_clock::now();
    c0_ = ThreadCpuMs();
  }
  void Stop() {
    wall_.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0_).count());
    cpu_.push_back(ThreadCpuMs() - c0_);
  }
  void Report(benchmark::State& state) {
    Put(state, "", wall_);
    Put(state, "cpu_", cpu_);
  }

 private:
  static double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
  }
  static void Put(benchmark::State& state, const std::string& prefix, std::vector<double>& ms) {
    if (ms.empty()) return;
    std::sort(ms.begin(), ms.end());
    state.counters[prefix + "median_ms"] = ms[ms.size() / 2];
    state.counters[prefix + "p99_ms"] = ms[std::min(ms.size() - 1, ms.size() * 99 / 100)];
    state.counters[prefix + "max_ms"] = ms.back();
    state.counters[prefix + "over_2ms"] = static_cast<double>(ms.end() - std::upper_bound(ms.begin(), ms.end(), 2.0));
  }
  std::chrono::steady_clock::time_point t0_;
  double c0_ = 0;
  std::vector<double> wall_, cpu_;
};

// A key press and release as the window system delivers them, then the paint
// Qt asks for.
void KeyAndPaint(QWidget& target, int key, const QString& text, bool autoRepeat = false) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text, autoRepeat);
  QApplication::sendEvent(&target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text, autoRepeat);
  QApplication::sendEvent(&target, &release);
  QApplication::processEvents();
}

// Sixty-three letters, then Return: a line typed at a time.
void TypeOneKey(QWidget& target, std::int64_t i) {
  if (i % 64 == 63) KeyAndPaint(target, Qt::Key_Return, QStringLiteral("\r"));
  else KeyAndPaint(target, Qt::Key_A + static_cast<int>(i % 26), QString(QChar('a' + static_cast<int>(i % 26))));
}

void Focus(QWidget& w) {
  w.activateWindow();
  w.setFocus();
  QApplication::processEvents();
}

void TypeIntoEditor(benchmark::State& state, TEditorWidget& w) {
  Focus(w);
  PaintCounter paints;
  w.viewport()->installEventFilter(&paints);
  StepTimes times;
  std::int64_t keys = 0;
  for (auto _ : state) {
    times.Start();
    TypeOneKey(w, keys++);
    times.Stop();
  }
  times.Report(state);
  state.counters["rows"] = w.Editor().Text().Count();
  state.counters["paints_per_key"] = static_cast<double>(paints.paints) / static_cast<double>(std::max<std::int64_t>(keys, 1));
  state.counters["focused"] = w.hasFocus();
  state.counters["screens_painted_per_key"] =
      paints.pixels / (w.viewport()->width() * w.viewport()->height()) / static_cast<double>(std::max<std::int64_t>(keys, 1));
}

// Typing at the end of a document of a million lines.
void BM_KeyToFrame_EditorWidget_EndOf1MLines(benchmark::State& state) {
  const TViewerFountains fountains;
  auto w = ScreenWidget(fountains);
  w->Editor().Lines().SetTextStr(bench::MakeSjisText(73u << 20));
  w->Furniture().UpdateNumberDigits();
  w->Furniture().DoLayout();
  w->Editor().SetRow(w->Editor().Text().Count());
  QApplication::processEvents();
  TypeIntoEditor(state, *w);
}
BENCHMARK(BM_KeyToFrame_EditorWidget_EndOf1MLines)->Unit(benchmark::kMillisecond)->Iterations(2000);

// Typing in the middle of one line of 10 MB, folded at 80 bytes.
void BM_KeyToFrame_EditorWidget_Middle10MBWrappedLine(benchmark::State& state) {
  const TViewerFountains fountains;
  auto w = ScreenWidget(fountains);
  std::string line = bench::MakeSjisText(10u << 20);
  line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == '\r' || c == '\n'; }), line.end());
  w->Editor().Text().WrapOption().SetWrapByte(80);
  w->Editor().Text().SetWordWrap(true);
  w->Editor().Lines().SetTextStr(line);
  w->Furniture().UpdateNumberDigits();
  w->Furniture().DoLayout();
  w->Editor().SetRow(w->Editor().Text().Count() / 2);
  w->Editor().SetCol(40);
  QApplication::processEvents();
  Focus(*w);
  PaintCounter paints;
  w->viewport()->installEventFilter(&paints);
  StepTimes times;
  std::int64_t keys = 0;
  for (auto _ : state) {
    times.Start();
    // Letters only: the line stays one line.
    KeyAndPaint(*w, Qt::Key_A + static_cast<int>(keys % 26), QString(QChar('a' + static_cast<int>(keys % 26))));
    ++keys;
    times.Stop();
  }
  times.Report(state);
  state.counters["rows"] = w->Editor().Text().Count();
  state.counters["lines"] = w->Editor().Text().LineCount();
  state.counters["paints_per_key"] = static_cast<double>(paints.paints) / static_cast<double>(std::max<std::int64_t>(keys, 1));
}
BENCHMARK(BM_KeyToFrame_EditorWidget_Middle10MBWrappedLine)->Unit(benchmark::kMillisecond)->Iterations(2000);

// The same typing into QPlainTextEdit showing the 100 MB file.
void BM_KeyToFrame_QPlainTextEdit_EndOf100MB(benchmark::State& state) {
  const TViewerFountains fountains;
  auto probe = ScreenWidget(fountains);
  QPlainTextEdit edit;
  edit.setFont(TEditorWidget::DefaultFont());
  edit.setLineWrapMode(QPlainTextEdit::NoWrap);
  edit.setPlainText(QString::fromStdU16String(Cp932ToUtf16(ReadWholeFile(BigFile()))));
  edit.resize(probe->size());
  probe.reset();
  edit.show();
  edit.moveCursor(QTextCursor::End);
  QApplication::processEvents();
  Focus(edit);
  PaintCounter paints;
  edit.viewport()->installEventFilter(&paints);
  StepTimes times;
  std::int64_t keys = 0;
  for (auto _ : state) {
    times.Start();
    TypeOneKey(edit, keys++);
    times.Stop();
  }
  times.Report(state);
  state.counters["lines"] = edit.document()->blockCount();
  state.counters["paints_per_key"] = static_cast<double>(paints.paints) / static_cast<double>(std::max<std::int64_t>(keys, 1));
}
BENCHMARK(BM_KeyToFrame_QPlainTextEdit_EndOf100MB)->Unit(benchmark::kMillisecond)->Iterations(2000);

// Holding Down from the middle of a 1.5 million-line file: every press after
// the first auto-repeats, so the caret speeds up at the window's edge (Speed).
void BM_HoldArrowDown_1_5MLines(benchmark::State& state) {
  const TViewerFountains fountains;
  auto w = ScreenWidget(fountains);
  w->Furniture().SetFountain(fountains.ForExtension(".txt"));
  // 110 MB of the benchmark text: 1.5 million lines.
  w->Editor().Lines().LoadFromFile(bench::SjisFile(110u << 20, "sjis-110mb.txt"));
  w->Furniture().UpdateNumberDigits();
  w->Furniture().DoLayout();
  const int start = w->Editor().Text().Count() / 2;
  w->Editor().SetRow(start);
  QApplication::processEvents();
  Focus(*w);
  PaintCounter paints;
  w->viewport()->installEventFilter(&paints);
  StepTimes times;
  std::int64_t steps = 0;
  const int rows = w->Editor().Text().Count();
  for (auto _ : state) {
    if (w->Editor().Row() >= rows - 1) {
      state.PauseTiming();
      w->Editor().SetRow(start);
      QApplication::processEvents();
      state.ResumeTiming();
    }
    times.Start();
    KeyAndPaint(*w, Qt::Key_Down, {}, steps++ > 0);
    times.Stop();
  }
  times.Report(state);
  state.counters["rows"] = rows;
  state.counters["rows_walked"] = w->Editor().Row() - start;
  state.counters["paints_per_step"] = static_cast<double>(paints.paints) / static_cast<double>(std::max<std::int64_t>(steps, 1));
  state.counters["screens_painted_per_step"] =
      paints.pixels / (w->viewport()->width() * w->viewport()->height()) / static_cast<double>(std::max<std::int64_t>(steps, 1));
}
BENCHMARK(BM_HoldArrowDown_1_5MLines)->Unit(benchmark::kMillisecond)->Iterations(20000);

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
  PaintCounter paints;
  w->viewport()->installEventFilter(&paints);
  for (auto _ : state) {
    w->Editor().SetTopRow(w->Editor().TopRow() + step);
    step = -step;
    QApplication::processEvents();
  }
  state.counters["rows"] = w->Editor().Text().Count();
  state.counters["screens_painted_per_step"] =
      paints.pixels / (w->viewport()->width() * w->viewport()->height()) / static_cast<double>(state.iterations());
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
