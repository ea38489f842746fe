// Character-code detection and conversion over the 100 MB benchmark text.
// Figures: bytes_per_second of the input.
#include <benchmark/benchmark.h>
#include <iconv.h>

#include <string>

#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "support/bench_data.h"

namespace {

using namespace tamber;

constexpr std::size_t kSize = 100u << 20;

// Read from the shared benchmark file, so that command-line tools can be
// timed on the same bytes (iconv -f CP932 -t UTF-8 FILE).
const std::string& SjisText() {
  static const std::string text = ReadWholeFile(bench::SjisFile(kSize, "sjis-100mb.txt"));
  return text;
}

// Text that never decides: every byte is read (the worst case of a detection).
const std::string& UndecidedText() {
  static const std::string text = [] {
    std::string s = SjisText();
    for (char& c : s)
      if (static_cast<unsigned char>(c) >= 0x80) c = 'x';
    return s;
  }();
  return text;
}

void Report(benchmark::State& state, std::size_t bytes) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

void BM_DetectCode_ShiftJis(benchmark::State& state) {
  const std::string& text = SjisText();
  for (auto _ : state) benchmark::DoNotOptimize(DetectCode(text));
  Report(state, SjisText().size());
}

void BM_DetectCode_FullScan(benchmark::State& state) {
  const std::string& text = UndecidedText();
  for (auto _ : state) benchmark::DoNotOptimize(DetectCode(text));
  Report(state, UndecidedText().size());
}

void BM_SjisToEuc(benchmark::State& state) {
  const std::string& text = SjisText();
  for (auto _ : state) benchmark::DoNotOptimize(SjisToEuc(text));
  Report(state, SjisText().size());
}

void BM_SjisToJis(benchmark::State& state) {
  const std::string& text = SjisText();
  for (auto _ : state) benchmark::DoNotOptimize(SjisToJis(text));
  Report(state, SjisText().size());
}

void BM_Cp932ToUtf8(benchmark::State& state) {
  const std::string& text = SjisText();
  for (auto _ : state) benchmark::DoNotOptimize(Cp932ToUtf8(text));
  Report(state, SjisText().size());
}

// glibc iconv(3) on the same buffer, the same work as `iconv -f CP932 -t UTF-8` without I/O.
void BM_Cp932ToUtf8_GlibcIconv(benchmark::State& state) {
  const std::string& in = SjisText();
  std::string out(in.size() * 2, '\0');
  iconv_t cd = iconv_open("UTF-8", "CP932");
  for (auto _ : state) {
    char* src = const_cast<char*>(in.data());
    std::size_t inLeft = in.size();
    char* dst = out.data();
    std::size_t outLeft = out.size();
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    benchmark::DoNotOptimize(iconv(cd, &src, &inLeft, &dst, &outLeft));
  }
  iconv_close(cd);
  Report(state, in.size());
}

void BM_Utf8ToCp932(benchmark::State& state) {
  static const std::string utf8 = Cp932ToUtf8(SjisText());
  for (auto _ : state) benchmark::DoNotOptimize(Utf8ToCp932(utf8));
  Report(state, utf8.size());
}

// One piece of the file as opening converts it, into a buffer kept from piece
// to piece: the converter alone, with no allocation.
void BM_Utf8ToCp932Piece(benchmark::State& state) {
  static const std::string utf8 = Cp932ToUtf8(SjisText().substr(0, 1 << 18));
  std::string out(Utf8ToCp932Bound(utf8.size()), '\0');
  Utf8Forms forms;
  std::size_t lost = 0;
  for (auto _ : state) {
    bool wellFormed = false;
    benchmark::DoNotOptimize(Utf8ToCp932Into(utf8, out.data(), &lost, &forms, &wellFormed));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * utf8.size()));
}

BENCHMARK(BM_DetectCode_ShiftJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DetectCode_FullScan)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SjisToEuc)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SjisToJis)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cp932ToUtf8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Cp932ToUtf8_GlibcIconv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToCp932)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Utf8ToCp932Piece)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
