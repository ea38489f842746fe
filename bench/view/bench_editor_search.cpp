// The editor's find and replace on the 100 MB benchmark document:
//   BM_FindNextFromTopToLastLine   find next from the top to the only match, on the last line
//   BM_ReplaceAll/wrap             漢字 → かんじ everywhere (one edit, one undo step), word wrap off (0) or on (1)
//   BM_UndoReplaceAll/wrap         undoing it; undo_MB is the memory the step holds
//   BM_Vim_ReplaceAll              vim -u NONE -N -es -c '%s/漢字/かんじ/g' -c wq on the UTF-8 twin
#include <benchmark/benchmark.h>


#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "support/bench_data.h"
#include "support/run_program.h"
#include "view/editor_search.h"
#include "view/furniture.h"
#include "view/text_editor.h"

namespace tamber {
namespace {

using bench::RunProgram;

const std::string& SjisPath() {
  static const std::string path = bench::SjisFile(std::size_t{100} << 20, "sjis100.txt");
  return path;
}

const std::string& Utf8Path() {
  static const std::string path = [] {
    const std::string p = bench::DataDir() + "/sjis100.utf8.txt";
    if (!std::filesystem::exists(p)) WriteFileAtomically(p, Cp932ToUtf8(ReadWholeFile(SjisPath())));
    return p;
  }();
  return path;
}

struct Doc {
  TTextEditor editor;
  TTextEditorFurniture furniture{editor};
  TEditorSearch search{editor, furniture};
  explicit Doc(bool wrap = false) {
    editor.SetVisibleSize(40, 100);
    editor.Lines().LoadFromFile(SjisPath());
    if (wrap) editor.Text().SetWordWrap(true);
  }
};

void BM_FindNextFromTopToLastLine(benchmark::State& state) {
  Doc d;
  TTextEditorScreenStrings& text = d.editor.Text();
  const int last = text.Count() - 1;
  // A word that occurs nowhere else, at the end of the last line.
  text.ReplaceRange(text.RowByteToOffset(last, static_cast<int>(text.RowView(last).size())), 0, "QZXJW");
  d.search.SetFindString("QZXJW");
  for (auto _ : state) {
    d.editor.SetSelStart(0);
    if (!d.search.SearchNext() || d.editor.Row() != last) state.SkipWithError("not found on the last line");
  }
  state.counters["MB"] = static_cast<double>(text.TextLength()) / (1 << 20);
}
BENCHMARK(BM_FindNextFromTopToLastLine)->Unit(benchmark::kMillisecond)->Iterations(5);

const std::string kKanji = Utf8ToCp932("漢字");
const std::string kKana = Utf8ToCp932("かんじ");

void BM_ReplaceAll(benchmark::State& state) {
  std::size_t count = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto d = std::make_unique<Doc>(state.range(0) != 0);
    d->search.SetFindString(kKanji);
    state.ResumeTiming();
    count = d->search.ReplaceAll(kKana, true);
    state.PauseTiming();
    d.reset();
    state.ResumeTiming();
  }
  state.counters["matches"] = static_cast<double>(count);
}
BENCHMARK(BM_ReplaceAll)->ArgName("wrap")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_UndoReplaceAll(benchmark::State& state) {
  double undoBytes = 0, replacedPlusNew = 0;
  for (auto _ : state) {
    state.PauseTiming();
    auto d = std::make_unique<Doc>(state.range(0) != 0);
    d->search.SetFindString(kKanji);
    const std::size_t count = d->search.ReplaceAll(kKana, true);
    const TUndoData& rec = d->editor.Text().UndoObj().UndoList().back();
    undoBytes = static_cast<double>(rec.RemovedText.capacity() + rec.Spans.capacity() + sizeof(TUndoData));
    replacedPlusNew = static_cast<double>(count * (kKanji.size() + kKana.size()));
    state.ResumeTiming();
    if (!d->editor.Undo()) state.SkipWithError("no undo");
    state.PauseTiming();
    d.reset();
    state.ResumeTiming();
  }
  state.counters["undo_MB"] = undoBytes / (1 << 20);
  state.counters["replaced_plus_new_MB"] = replacedPlusNew / (1 << 20);
}
BENCHMARK(BM_UndoReplaceAll)->ArgName("wrap")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Vim_ReplaceAll(benchmark::State& state) {
  const std::string copy = bench::DataDir() + "/vim-replace.utf8.txt";
  for (auto _ : state) {
    std::filesystem::copy_file(Utf8Path(), copy, std::filesystem::copy_options::overwrite_existing);
    const double s =
        RunProgram({"vim", "-u", "NONE", "-N", "-es", "-c", "%s/漢字/かんじ/g", "-c", "wq", copy});
    if (s < 0) state.SkipWithError("vim did not start");
    state.SetIterationTime(s);
  }
  std::filesystem::remove(copy);
}
BENCHMARK(BM_Vim_ReplaceAll)->Unit(benchmark::kMillisecond)->Iterations(2)->UseManualTime();

}  // namespace
}  // namespace tamber



namespace tamber {
namespace {
// The parts of a replace-all: reading the text, building the new one.
void BM_ReplaceAllParts(benchmark::State& state) {
  Doc d;
  TAWKStrEx m;
  for (auto _ : state) {
    const auto t0 = std::chrono::steady_clock::now();
    const std::string old = d.editor.Text().GetTextStr();
    const auto t1 = std::chrono::steady_clock::now();
    TTextReplacement r = ReplaceAllInText(m, old, kKanji, 0, kKana);
    const auto t2 = std::chrono::steady_clock::now();
    state.counters["read_ms"] = std::chrono::duration<double, std::milli>(t1 - t0).count();
    state.counters["build_ms"] = std::chrono::duration<double, std::milli>(t2 - t1).count();
  }
}
BENCHMARK(BM_ReplaceAllParts)->Unit(benchmark::kMillisecond)->Iterations(1);
}  // namespace
}  // namespace tamber
BENCHMARK_MAIN();
