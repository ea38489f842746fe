// The line storage on the 100 MB Shift-JIS benchmark file: loading, typing,
// breaking a line, line and offset lookups, saving.
#include <benchmark/benchmark.h>
#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <random>
#include <string>

#include "editor/editor_strings.h"
#include "support/fake_view.h"
#include "support/bench_data.h"
#include "support/peak_memory.h"

namespace tamber {
namespace {

using bench::PeakMemory;
using bench::ResetPeakMemory;

constexpr std::size_t kFileBytes = 100u << 20;

std::string BigFile() { return bench::SjisFile(kFileBytes, "sjis-100mb.txt"); }


// A view of 50 rows whose parser tracks nesting of braces, as a fountain would.
class BenchParser : public TRowParser {
 public:
  void ParseRow(int row, const TRowAttributeStringList& rows, TRowAttributeData& s) override {
    for (const char c : rows.RowView(row)) {
      if (c == '{') s.ParseState = (s.ParseState + 1) & 0xFF;
      if (c == '}') s.ParseState = (s.ParseState + 255) & 0xFF;
    }
    s.OpenBracket = -1;
  }
};

// A view of 50 rows a screen.
test::FakeView BenchView() {
  test::FakeView v;
  v.focus = true;
  v.height = 50 * 16;
  v.pitch = 16;
  v.recordChanges = false;
  v.parserFactory = [] { return std::make_unique<BenchParser>(); };
  return v;
}

struct Doc {
  TTextEditorScreenStrings text;
  test::FakeView view = BenchView();
  TTextEditorStrings lines{&text, &view};
  Doc() { text.AttachView(&view); }
};

// One loaded document shared by the edit and lookup benchmarks.
Doc& Loaded() {
  static Doc* doc = [] {
    auto* d = new Doc;
    d->lines.LoadFromFile(BigFile());
    // Rows are parsed as they are painted; paint the whole text once, as
    // scrolling through it would, so edits measure their own work.
    d->text.ReparseFrom(d->text.Count() - 1, false);
    return d;
  }();
  return *doc;
}

void BM_LoadFromFile(benchmark::State& state) {
  const std::string path = BigFile();
  struct stat st {};
  ::stat(path.c_str(), &st);
  std::size_t peak = 0, before = 0;
  for (auto _ : state) {
    Doc doc;
    ResetPeakMemory();
    before = PeakMemory();
    doc.lines.LoadFromFile(path);
    peak = PeakMemory();
    benchmark::DoNotOptimize(doc.text.Count());
    state.counters["rows"] = doc.text.Count();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * st.st_size);
  state.counters["peak_MB"] = static_cast<double>(peak) / (1 << 20);
  state.counters["peak_over_file"] = static_cast<double>(peak) / static_cast<double>(st.st_size);
  state.counters["growth_over_file"] = static_cast<double>(peak - before) / static_cast<double>(st.st_size);
}
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_TypeOnLastRow(benchmark::State& state) {
  Doc& d = Loaded();
  const int last = d.text.Count() - 1;
  const std::string base = d.text.Get(last);
  const std::string typed = base + "x\r\n", plain = base + "\r\n";
  bool odd = false;
  for (auto _ : state) {
    d.text.ReplaceRows(last, 1, odd ? plain : typed);
    odd = !odd;
  }
}
BENCHMARK(BM_TypeOnLastRow)->Unit(benchmark::kMicrosecond);

// The same on the first row: the bookkeeping of the rows after an edit must
// not cost in proportion to them.
void BM_TypeOnRow0(benchmark::State& state) {
  Doc& d = Loaded();
  const std::string base = d.text.Get(0);
  const std::string typed = base + "x\r\n", plain = base + "\r\n";
  bool odd = false;
  for (auto _ : state) {
    d.text.ReplaceRows(0, 1, odd ? plain : typed);
    odd = !odd;
  }
}
BENCHMARK(BM_TypeOnRow0)->Unit(benchmark::kMicrosecond);

// state.range(0) one-row edits spread evenly over the file (a replace-all, a
// script rewriting every line): the time per edit must not grow with their count.
void BM_EditsSpreadOverTheFile(benchmark::State& state) {
  Doc& d = Loaded();
  const std::int64_t n = state.range(0);
  const std::int64_t rows = d.text.Count() - 1;  // every row before the last ends with a break
  std::string row;
  for (auto _ : state) {
    for (std::int64_t i = 0; i < n; ++i) {
      const int r = static_cast<int>(i * rows / n);
      row = d.text.Get(r);
      // Alternate runs add and take away one byte, so the text keeps its size.
      if (!row.empty() && row.back() == 'x') row.pop_back();
      else row += 'x';
      row += "\r\n";
      d.text.ReplaceRows(r, 1, row);
    }
  }
  state.SetItemsProcessed(state.iterations() * n);
  state.SetComplexityN(n);
}
BENCHMARK(BM_EditsSpreadOverTheFile)
    ->Arg(10000)->Arg(30000)->Arg(100000)->Iterations(2)->Unit(benchmark::kMillisecond)
    ->Complexity(benchmark::oN);

void BM_BreakLineAtRow0(benchmark::State& state) {
  Doc& d = Loaded();
  const std::string row = d.text.Get(0);
  const std::string broken = row.substr(0, 5) + "\r\n" + row.substr(5) + "\r\n", whole = row + "\r\n";
  bool split = true;
  for (auto _ : state) {
    // Break the line, then join it again: both are one ReplaceRows at row 0.
    if (split) d.text.ReplaceRows(0, 1, broken);
    else d.text.ReplaceRows(0, 2, whole);
    split = !split;
  }
}
BENCHMARK(BM_BreakLineAtRow0)->Unit(benchmark::kMicrosecond);

void BM_LinesGetRandom(benchmark::State& state) {
  Doc& d = Loaded();
  std::mt19937 rng(1);
  std::uniform_int_distribution<int> line(0, d.lines.Count() - 1);
  for (auto _ : state) benchmark::DoNotOptimize(d.lines.Get(line(rng)));
}
BENCHMARK(BM_LinesGetRandom)->Unit(benchmark::kMicrosecond);

void BM_RowToLineRandom(benchmark::State& state) {
  Doc& d = Loaded();
  std::mt19937 rng(2);
  std::uniform_int_distribution<int> row(0, d.text.Count() - 1);
  for (auto _ : state) benchmark::DoNotOptimize(d.text.RowToLine(row(rng)));
}
BENCHMARK(BM_RowToLineRandom)->Unit(benchmark::kMicrosecond);

void BM_OffsetToRowColRandom(benchmark::State& state) {
  Doc& d = Loaded();
  std::mt19937_64 rng(3);
  std::uniform_int_distribution<std::int64_t> off(0, d.text.TextLength());
  for (auto _ : state) benchmark::DoNotOptimize(d.text.OffsetToRowCol(off(rng)));
}
BENCHMARK(BM_OffsetToRowColRandom)->Unit(benchmark::kMicrosecond);

void BM_SaveToFile(benchmark::State& state) {
  Doc& d = Loaded();
  const std::string out = bench::DataDir() + "/saved-100mb.txt";
  for (auto _ : state) d.lines.SaveToFile(out);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * d.text.TextLength());
  ::unlink(out.c_str());
}
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
}  // namespace tamber

BENCHMARK_MAIN();
