// Folding text into screen rows.
// Figures: the time of one iteration (the whole text or line folded once).
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "editor/line_folder.h"
#include "editor/row_loader.h"
#include "editor/screen_strings.h"
#include "support/bench_data.h"

namespace {

using namespace tamber;

FoldRules AllRules(int wrapByte) {
  TTextEditorWrapOption o;
  o.SetWrapByte(wrapByte);
  o.SetWordBreak(true);
  o.SetFollowPunctuation(true);
  o.SetLeading(true);
  return MakeFoldRules(o, 8);
}

// The benchmark text with its line breaks taken out: one line of `bytes`.
std::string OneLine(std::size_t bytes) {
  std::string s = bench::MakeSjisText(bytes);
  std::string line;
  line.reserve(s.size());
  for (char c : s)
    if (c != '\r' && c != '\n') line += c;
  return line;
}

std::size_t FoldAll(TLineFolder& folder, std::string_view line) {
  folder.Start(line);
  FoldedRow row;
  std::size_t rows = 0;
  while (folder.Next(row)) ++rows;
  return rows;
}

// A 10 MB line with word wrap on and every rule on.
void BM_FoldLine_10MB(benchmark::State& state) {
  static const std::string line = OneLine(10u << 20);
  TLineFolder folder(AllRules(80));
  std::size_t rows = 0;
  for (auto _ : state) benchmark::DoNotOptimize(rows = FoldAll(folder, line));
  state.counters["rows"] = static_cast<double>(rows);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * line.size()));
}
BENCHMARK(BM_FoldLine_10MB)->Unit(benchmark::kMillisecond);

// Every line of the 100 MB benchmark text folded at 80 columns, default rules:
// the folding share of rewrapping a whole document.
void BM_FoldLines_100MB(benchmark::State& state) {
  static const std::string text = bench::MakeSjisText(100u << 20);
  TTextEditorWrapOption o;
  TLineFolder folder(MakeFoldRules(o, 8));
  std::size_t rows = 0;
  for (auto _ : state) {
    rows = 0;
    for (std::size_t p = 0; p < text.size();) {
      std::size_t e = text.find('\r', p);
      if (e == std::string::npos) e = text.size();
      rows += FoldAll(folder, std::string_view(text).substr(p, e - p));
      p = e + 2;
    }
    benchmark::DoNotOptimize(rows);
  }
  state.counters["rows"] = static_cast<double>(rows);
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_FoldLines_100MB)->Unit(benchmark::kMillisecond)->Iterations(3);

RowStore RowsOf(std::string_view text) {
  RowLoader l;
  l.Feed(text);
  return l.Finish();
}

// WrapAll at 80 columns of the 100 MB benchmark text (the switch to word wrap).
void BM_WrapAll_100MB(benchmark::State& state) {
  static const std::string text = bench::MakeSjisText(100u << 20);
  for (auto _ : state) {
    state.PauseTiming();
    auto s = std::make_unique<TTextEditorScreenStrings>();
    s->SetAllRows(RowsOf(text));
    state.ResumeTiming();
    s->SetWordWrap(true);  // WrapAll, with the reparse of the first screen
    benchmark::DoNotOptimize(s->Count());
    state.PauseTiming();
    s.reset();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}
BENCHMARK(BM_WrapAll_100MB)->Unit(benchmark::kMillisecond)->Iterations(2);

// One character typed in the middle of a 1 MB single line with word wrap on:
// the ReplaceRows of the row holding the caret.
void BM_TypeInLongLine_1MB(benchmark::State& state) {
  TTextEditorScreenStrings s;
  s.SetWordWrap(true);
  s.SetAllRows(RowsOf(OneLine(1u << 20)));
  const int row = s.Count() / 2;
  int inserted = 0;
  for (auto _ : state) {
    const std::string t = s.Get(row);
    s.ReplaceRows(row, 1, t.substr(0, 10) + "x" + t.substr(10));
    ++inserted;
  }
  state.counters["rows"] = s.Count();
}
BENCHMARK(BM_TypeInLongLine_1MB)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
