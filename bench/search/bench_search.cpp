// Searching the 100 MB benchmark text line by line as the editor does
// (pattern set per line, CR LF appended to every subject), and compiling
// patterns that blow up naive engines.
//
// For a comparison with GNU grep, the UTF-8 copy of the same text is written
// next to it as sjis100.utf8.txt.
#include <benchmark/benchmark.h>

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "search/awk_str.h"
#include "search/regexp_error.h"
#include "support/bench_data.h"

namespace tamber {
namespace {

const std::string& Text100() {
  static const std::string text = [] {
    const std::string path = bench::SjisFile(std::size_t{100} << 20, "sjis100.txt");
    std::string t = ReadWholeFile(path);
    const std::string utf8Path = bench::DataDir() + "/sjis100.utf8.txt";
    struct stat st {};
    if (::stat(utf8Path.c_str(), &st) != 0) WriteFileAtomically(utf8Path, Cp932ToUtf8(t));
    return t;
  }();
  return text;
}

void FindAllPerLine(benchmark::State& state, const char* utf8Pattern, bool fuzzy) {
  const std::string& text = Text100();
  const std::string pattern = Utf8ToCp932(utf8Pattern);
  TAWKStrEx re;
  re.SetUseFuzzyCharDic(fuzzy);
  std::vector<TSearchInfo> list;
  std::size_t matches = 0;
  for (auto _ : state) {
    matches = 0;
    std::size_t start = 0;
    while (start < text.size()) {
      std::size_t brk = text.find("\r\n", start);
      if (brk == std::string::npos) brk = text.size();
      re.SetRegExp(pattern);
      list.clear();
      const std::string_view line(text.data() + start, brk - start);
      const std::string_view subject(text.data() + start, std::min(brk + 2, text.size()) - start);
      matches += re.FindAll(line, subject, list);
      start = brk + 2;
    }
    benchmark::DoNotOptimize(matches);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["matches"] = static_cast<double>(matches);
}

void BM_FindAllPerLine_Literal(benchmark::State& s) { FindAllPerLine(s, "テキスト", false); }
void BM_FindAllPerLine_ClassStar(benchmark::State& s) { FindAllPerLine(s, "[GXY][0-9.\\-]*", false); }
void BM_FindAllPerLine_Fuzzy(benchmark::State& s) { FindAllPerLine(s, "てきすと", true); }
BENCHMARK(BM_FindAllPerLine_Literal)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FindAllPerLine_ClassStar)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_FindAllPerLine_Fuzzy)->Unit(benchmark::kMillisecond)->Iterations(2);

// Every match of the whole text as one block: what find-all and the find
// marks ask of the matcher. The matches go into a list of positions made
// once (the find marks' form); the _List variants build TSearchInfo records
// with the matched text, whose allocation is most of their time.
void FindAllBlock(benchmark::State& state, const char* utf8Pattern, bool fuzzy) {
  const std::string& text = Text100();
  TAWKStrEx re;
  re.SetUseFuzzyCharDic(fuzzy);
  re.SetRegExp(Utf8ToCp932(utf8Pattern));
  std::vector<std::pair<std::uint32_t, std::uint32_t>> marks;
  marks.reserve(4u << 20);
  for (auto _ : state) {
    marks.clear();
    re.ForEachMatchInLines(text, [&](std::size_t a, std::size_t b) {
      marks.emplace_back(static_cast<std::uint32_t>(a), static_cast<std::uint32_t>(b - a));
    });
    benchmark::DoNotOptimize(marks.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["matches"] = static_cast<double>(marks.size());
}

void FindAllList(benchmark::State& state, const char* utf8Pattern, bool fuzzy) {
  const std::string& text = Text100();
  TAWKStrEx re;
  re.SetUseFuzzyCharDic(fuzzy);
  re.SetRegExp(Utf8ToCp932(utf8Pattern));
  std::vector<TSearchInfo> list;
  for (auto _ : state) {
    list.clear();
    re.FindAllInLines(text, list);
    benchmark::DoNotOptimize(list.data());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["matches"] = static_cast<double>(list.size());
}

void BM_FindAll_Literal(benchmark::State& s) { FindAllBlock(s, "テキスト", false); }
void BM_FindAll_ClassStar(benchmark::State& s) { FindAllBlock(s, "[GXY][0-9.\\-]*", false); }
void BM_FindAll_Fuzzy(benchmark::State& s) { FindAllBlock(s, "てきすと", true); }
void BM_FindAll_List_Literal(benchmark::State& s) { FindAllList(s, "テキスト", false); }
BENCHMARK(BM_FindAll_Literal)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindAll_ClassStar)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindAll_Fuzzy)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_FindAll_List_Literal)->Unit(benchmark::kMillisecond)->Iterations(3);

// Which lines match at all (tamber-grep -c without the file reading).
void CountLines(benchmark::State& state, const char* utf8Pattern) {
  const std::string& text = Text100();
  TAWKStrEx re;
  re.SetRegExp(Utf8ToCp932(utf8Pattern));
  std::size_t lines = 0;
  for (auto _ : state) {
    lines = re.ForEachMatchingLine(text, [](std::size_t, std::size_t) { return true; });
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * text.size()));
  state.counters["lines"] = static_cast<double>(lines);
}

void BM_MatchingLines_Literal(benchmark::State& s) { CountLines(s, "テキスト"); }
void BM_MatchingLines_NoMatch(benchmark::State& s) { CountLines(s, "存在しない"); }
void BM_MatchingLines_ClassStar(benchmark::State& s) { CountLines(s, "[GXY][0-9.\\-]*"); }
BENCHMARK(BM_MatchingLines_Literal)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MatchingLines_NoMatch)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_MatchingLines_ClassStar)->Unit(benchmark::kMillisecond)->Iterations(3);

std::string AbWindowPattern() {
  std::string p = "(a|b)*a";
  for (int i = 0; i < 24; ++i) p += "(a|b)";
  return p;
}

std::string NestedPlusPattern() {
  std::string p = "a";
  for (int i = 0; i < 25; ++i) p = "(" + p + ")+";
  return p;
}

// Compiling alone, then compiling and searching 10 000 random a/b characters,
// which builds a DFA state for nearly every character.
void Compile(benchmark::State& state, const std::string& pattern, bool search) {
  std::mt19937 rng(1);
  std::string text(10000, 'a');
  for (char& c : text) c = (rng() & 1) ? 'a' : 'b';
  for (auto _ : state) {
    try {
      TREProgram program(pattern, false);
      if (search) benchmark::DoNotOptimize(program.First(text, mcls_CRLF));
      benchmark::DoNotOptimize(program.NfaStateCount());
    } catch (const ERegExpParser& e) {
      benchmark::DoNotOptimize(e.Position());
    }
  }
}

void BM_Compile_AbWindow(benchmark::State& s) { Compile(s, AbWindowPattern(), false); }
void BM_CompileSearch_AbWindow(benchmark::State& s) { Compile(s, AbWindowPattern(), true); }
void BM_Compile_NestedPlus(benchmark::State& s) { Compile(s, NestedPlusPattern(), false); }
void BM_CompileSearch_NestedPlus(benchmark::State& s) { Compile(s, NestedPlusPattern(), true); }
BENCHMARK(BM_Compile_AbWindow)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileSearch_AbWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Compile_NestedPlus)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_CompileSearch_NestedPlus)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamber

BENCHMARK_MAIN();
