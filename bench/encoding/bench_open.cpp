// Opening and converting the 100 MB benchmark text in each character code,
// with the peers measured in the same run.
//
//   BM_Vim/utf8            vim -u NONE -N -es -c q on the UTF-8 file
//   BM_Conv/...            tamber-conv and iconv as processes (standard output
//                          to /dev/null): cpu_s, peak_over_file
//   BM_OpenIntoRows/CODE   ClassifyFileBytes + FileDecoder into the rows, as
//                          opening a file does (the decoder checks UTF-8): cpu_s, growth_over_file (the
//                          memory the open added, over the file's size)
//
// cpu_s is processor time (user + system); the machine may be shared, so it
// is the figure to compare. The time columns are wall-clock.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <ctime>
#include <fstream>
#include <string>
#include <vector>

#include "editor/row_loader.h"
#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "support/bench_data.h"
#include "support/peak_memory.h"

extern char** environ;

namespace tamber {
namespace {

using bench::PeakMemory;
using bench::ResetPeakMemory;

constexpr std::size_t kSize = 100u << 20;

// The benchmark text in code ("sjis", "euc", "jis", "utf8"), made once from
// the Shift-JIS one with the editor's own converters.
std::string File(const std::string& code) {
  const std::string sjis = bench::SjisFile(kSize, "sjis-100mb.txt");
  if (code == "sjis") return sjis;
  const std::string path = bench::DataDir() + "/" + code + "-100mb.txt";
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    const std::string text = ReadWholeFile(sjis);
    if (code == "euc") WriteFileAtomically(path, SjisToEuc(text));
    if (code == "jis") WriteFileAtomically(path, SjisToJis(text));
    if (code == "utf8") WriteFileAtomically(path, Cp932ToUtf8(text));
  }
  return path;
}

std::size_t FileSize(const std::string& path) {
  struct stat st {};
  ::stat(path.c_str(), &st);
  return static_cast<std::size_t>(st.st_size);
}

double ProcessCpu() {
  timespec t{};
  ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}


void BM_OpenIntoRows(benchmark::State& state, const std::string& code) {
  const std::string path = File(code);
  const double size = static_cast<double>(FileSize(path));
  double cpu = 0, growth = 0;
  std::size_t rows = 0;
  for (auto _ : state) {
    ResetPeakMemory();
    const std::size_t before = PeakMemory();
    const double start = ProcessCpu();
    {
      MappedFile in(path);
      const std::string_view bytes = in.Bytes();
      const TextFormat format = ClassifyFileBytes(ProbeBytes(bytes), ".txt", bytes, true, Utf8Check::kByDecoder);
      in.ReleaseAll();
      FileDecoder decoder(bytes, format, /*normalizeBreaks=*/false);
      RowLoader loader;
      for (std::string_view piece; decoder.Next(&piece);) {
        if (decoder.StartedOver()) loader = RowLoader();
        loader.Feed(piece);
        in.Release(decoder.Consumed());
      }
      RowStore store = loader.Finish();
      rows = store.Count();
      growth = static_cast<double>(PeakMemory() - before);
      cpu = ProcessCpu() - start;
    }
  }
  state.counters["cpu_s"] = cpu;
  state.counters["growth_over_file"] = growth / size;
  state.counters["rows"] = static_cast<double>(rows);
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

struct Child {
  double cpu = 0;
  std::size_t peak = 0;
  int status = -1;
};

// Runs argv with standard output and error to /dev/null.
Child Run(const std::vector<std::string>& argv) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
  Child c;
  pid_t pid;
  // A child's peak starts from this process's peak: bring that down to what
  // is resident now (the process benchmarks run first, while it is small).
  ResetPeakMemory();
  if (posix_spawnp(&pid, args[0], &fa, nullptr, args.data(), environ) == 0) {
    rusage ru{};
    ::wait4(pid, &c.status, 0, &ru);
    c.cpu = static_cast<double>(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) +
            static_cast<double>(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) * 1e-6;
    c.peak = static_cast<std::size_t>(ru.ru_maxrss) * 1024;
  }
  posix_spawn_file_actions_destroy(&fa);
  return c;
}

void BM_Process(benchmark::State& state, std::vector<std::string> argv, const std::string& code) {
  const std::string path = File(code);
  for (std::string& a : argv)
    if (a == "FILE") a = path;
  const double size = static_cast<double>(FileSize(path));
  Child c;
  for (auto _ : state) {
    c = Run(argv);
    if (c.status != 0) state.SkipWithError(("failed: " + argv[0]).c_str());
  }
  state.counters["cpu_s"] = c.cpu;
  state.counters["peak_over_file"] = static_cast<double>(c.peak) / size;
}

const std::string kConv = TAMBER_CONV_PATH;

void Register() {
  for (const char* code : {"sjis", "euc", "jis", "utf8"}) File(code);
  const struct {
    const char* name;
    std::vector<std::string> argv;
    const char* code;
  } runs[] = {
      {"BM_Vim/utf8", {"vim", "-u", "NONE", "-N", "-es", "-c", "q", "FILE"}, "utf8"},
      {"BM_Conv/tamber-conv --to utf8 sjis", {kConv, "--to", "utf8", "FILE"}, "sjis"},
      {"BM_Conv/iconv -f CP932 -t UTF-8 sjis", {"iconv", "-f", "CP932", "-t", "UTF-8", "FILE"}, "sjis"},
      {"BM_Conv/tamber-conv --to sjis utf8", {kConv, "--to", "sjis", "FILE"}, "utf8"},
      {"BM_Conv/iconv -f UTF-8 -t CP932 utf8", {"iconv", "-f", "UTF-8", "-t", "CP932", "FILE"}, "utf8"},
      {"BM_Conv/tamber-conv --to sjis sjis", {kConv, "--to", "sjis", "FILE"}, "sjis"},
      {"BM_Conv/tamber-conv --guess sjis", {kConv, "--guess", "FILE"}, "sjis"},
      {"BM_Conv/tamber-conv --guess utf8", {kConv, "--guess", "FILE"}, "utf8"},
  };
  for (const auto& r : runs)
    benchmark::RegisterBenchmark(r.name, BM_Process, r.argv, std::string(r.code))
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
  for (const char* code : {"sjis", "euc", "jis", "utf8"})
    benchmark::RegisterBenchmark((std::string("BM_OpenIntoRows/") + code).c_str(), BM_OpenIntoRows,
                                 std::string(code))
        ->Unit(benchmark::kMillisecond)
        ->Iterations(2);
}

}  // namespace
}  // namespace tamber

int main(int argc, char** argv) {
  tamber::Register();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
}
