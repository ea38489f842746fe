// Typing through the view's editing operations, then undoing and redoing
// every keystroke: per-operation times and the heap the history takes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <string>

#include "view/text_editor.h"
#include "support/bench_data.h"

namespace tamber {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kKeystrokes = 10000;

double MicrosSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::micro>(Clock::now() - t0).count();
}

std::size_t HeapInUse() { return mallinfo2().uordblks; }

// Times of one kind of operation: mean, 99th percentile and worst, in µs.
struct Timings {
  std::vector<double> us;
  void Report(benchmark::State& state, const std::string& name) {
    std::sort(us.begin(), us.end());
    double sum = 0;
    for (const double t : us) sum += t;
    state.counters[name + "_us"] = us.empty() ? 0 : sum / static_cast<double>(us.size());
    state.counters[name + "_p99_us"] = us.empty() ? 0 : us[us.size() * 99 / 100];
    state.counters[name + "_max_us"] = us.empty() ? 0 : us.back();
  }
};

template <typename Op>
void Time(Timings& t, Op op) {
  const auto t0 = Clock::now();
  op();
  t.us.push_back(MicrosSince(t0));
}

// Types kKeystrokes characters at the caret, undoes them all and redoes them
// all, reporting the times of each and the heap growth while typing (the
// text's own growth included).
void TypeUndoRedo(benchmark::State& state, TTextEditor& e, int keystrokes = kKeystrokes) {
  Timings type, undo, redo;
  double heapMB = 0;
  for (auto _ : state) {
    const std::size_t heap0 = HeapInUse();
    for (int i = 0; i < keystrokes; ++i) Time(type, [&] { e.InsertText(i % 7 == 6 ? "\x82\xa0" : "k"); });
    heapMB = static_cast<double>(HeapInUse() - heap0) / (1 << 20);
    for (int i = 0; i < keystrokes; ++i) Time(undo, [&] { e.Undo(); });
    for (int i = 0; i < keystrokes; ++i) Time(redo, [&] { e.Redo(); });
  }
  type.Report(state, "type");
  undo.Report(state, "undo");
  redo.Report(state, "redo");
  state.counters["heap_MB"] = heapMB;
}

// 10,000 characters typed at the end of a 1,000,000-line text.
void BM_TypeAtEndOfMillionLines(benchmark::State& state) {
  std::string text = bench::MakeSjisText(90u << 20);
  // Cut the text at 1,000,000 lines (fewer only if the text is short of them).
  std::size_t pos = 0;
  for (int i = 0; i < 1000000; ++i) {
    const std::size_t lf = text.find('\n', pos);
    if (lf == std::string::npos) break;
    pos = lf + 1;
  }
  text.resize(pos);
  TTextEditor e;
  e.Lines().SetTextStr(text);
  text = std::string();
  e.SetUndoListMax(2 * kKeystrokes);
  state.counters["lines"] = e.Lines().Count();
  e.SetRowCol(e.Text().Count() - 1, e.RowWidth(e.Text().Count() - 1));
  TypeUndoRedo(state, e);
}
BENCHMARK(BM_TypeAtEndOfMillionLines)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same typed into the middle of one 10 MB line with word wrap on.
void BM_TypeInMiddleOfWrappedTenMegabyteLine(benchmark::State& state) {
  std::string text = bench::MakeSjisText(10u << 20);
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
             text.end());
  TTextEditor e;
  e.Text().SetWordWrap(true);
  e.Lines().SetTextStr(text);
  text = std::string();
  e.SetUndoListMax(2 * kKeystrokes);
  state.counters["rows"] = e.Text().Count();
  e.SetRowCol(e.Text().Count() / 2, 10);
  TypeUndoRedo(state, e);
}
BENCHMARK(BM_TypeInMiddleOfWrappedTenMegabyteLine)->Iterations(1)->Unit(benchmark::kMillisecond);

// Typing into the middle of one line of state.range(0) MB with word wrap
// off: the whole line is one row, so a key must cost the edit, not the row.
void BM_TypeInMiddleOfUnwrappedLine(benchmark::State& state) {
  std::string text = bench::MakeSjisText(static_cast<std::size_t>(state.range(0)) << 20);
  text.erase(std::remove_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }),
             text.end());
  TTextEditor e;
  e.Lines().SetTextStr(text);
  text = std::string();
  e.SetUndoListMax(2 * kKeystrokes);
  e.SetRowCol(0, e.RowWidth(0) / 2);
  TypeUndoRedo(state, e, 1000);
}
BENCHMARK(BM_TypeInMiddleOfUnwrappedLine)->Arg(1)->Arg(10)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamber

BENCHMARK_MAIN();
