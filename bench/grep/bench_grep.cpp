// tamber-grep against GNU grep and ripgrep, each run as a process in the same
// benchmark run (wall time, output redirected to a file: GNU grep stops at the
// first match when its output is /dev/null). tamber-grep searches the
// Shift-JIS 100 MB text, the others its UTF-8 twin (and tamber-grep too for
// a plain ASCII string, which it finds in the UTF-8 bytes). A tool that is missing
// (ripgrep comes from `scripts/setup-deps --bench`) is skipped with a note.
// cpu_ms is each process's user and system time.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "support/bench_data.h"

extern char** environ;

namespace tamber {
namespace {

const std::string& SjisText() {
  static const std::string path = bench::SjisFile(std::size_t{100} << 20, "sjis100.txt");
  return path;
}

const std::string& Utf8Text() {
  static const std::string path = [] {
    const std::string p = bench::DataDir() + "/sjis100.utf8.txt";
    struct stat st {};
    if (::stat(p.c_str(), &st) != 0) WriteFileAtomically(p, Cp932ToUtf8(ReadWholeFile(SjisText())));
    return p;
  }();
  return path;
}

double childCpuMs = 0;  // user + system time of the runs so far

// Runs argv with its output in a file; the exit status, or -1 when it could not start.
int Run(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const std::string out = bench::DataDir() + "/grep-output.txt";
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return -1;
  int status = 0;
  struct rusage use {};
  ::wait4(pid, &status, 0, &use);
  childCpuMs += (use.ru_utime.tv_sec + use.ru_stime.tv_sec) * 1e3 + (use.ru_utime.tv_usec + use.ru_stime.tv_usec) / 1e3;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void Tool(benchmark::State& state, const std::string& tool, const std::vector<std::string>& options,
          const char* pattern, bool sjis) {
  std::vector<std::string> args{tool};
  args.insert(args.end(), options.begin(), options.end());
  args.push_back(pattern);
  args.push_back(sjis ? SjisText() : Utf8Text());
  if (Run(args) < 0 || Run(args) > 1) {  // also warms the page cache
    state.SkipWithError((tool + " did not run").c_str());
    return;
  }
  childCpuMs = 0;
  for (auto _ : state) benchmark::DoNotOptimize(Run(args));
  // On a busy machine the processes' own time is the steadier figure.
  state.counters["cpu_ms"] = childCpuMs / static_cast<double>(state.iterations());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (std::int64_t{100} << 20));
}

const char* kLiteral = "テキスト";
const char* kNothing = "存在しない";
const char* kAscii = "printf";  // plain ASCII: tamber-grep searches the UTF-8 file's own bytes

void BM_Count_Literal_Tamber(benchmark::State& s) { Tool(s, TAMBER_GREP, {"-c"}, kLiteral, true); }
void BM_Count_Literal_Grep(benchmark::State& s) { Tool(s, "grep", {"-c"}, kLiteral, false); }
void BM_Count_Literal_Rg(benchmark::State& s) { Tool(s, "rg", {"-c"}, kLiteral, false); }
void BM_Count_NoMatch_Tamber(benchmark::State& s) { Tool(s, TAMBER_GREP, {"-c"}, kNothing, true); }
void BM_Count_NoMatch_Grep(benchmark::State& s) { Tool(s, "grep", {"-c"}, kNothing, false); }
void BM_Count_NoMatch_Rg(benchmark::State& s) { Tool(s, "rg", {"-c"}, kNothing, false); }
void BM_Count_AsciiInUtf8_Tamber(benchmark::State& s) { Tool(s, TAMBER_GREP, {"-c"}, kAscii, false); }
void BM_Count_AsciiInUtf8_Grep(benchmark::State& s) { Tool(s, "grep", {"-c"}, kAscii, false); }
void BM_Count_AsciiInUtf8_Rg(benchmark::State& s) { Tool(s, "rg", {"-c"}, kAscii, false); }
void BM_Only_Literal_Tamber(benchmark::State& s) { Tool(s, TAMBER_GREP, {"-o"}, kLiteral, true); }
void BM_Only_Literal_Grep(benchmark::State& s) { Tool(s, "grep", {"-o"}, kLiteral, false); }
void BM_Only_Literal_Rg(benchmark::State& s) { Tool(s, "rg", {"-o"}, kLiteral, false); }

#define TOOL_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5)
TOOL_BENCH(BM_Count_Literal_Tamber);
TOOL_BENCH(BM_Count_Literal_Grep);
TOOL_BENCH(BM_Count_Literal_Rg);
TOOL_BENCH(BM_Count_NoMatch_Tamber);
TOOL_BENCH(BM_Count_NoMatch_Grep);
TOOL_BENCH(BM_Count_NoMatch_Rg);
TOOL_BENCH(BM_Count_AsciiInUtf8_Tamber);
TOOL_BENCH(BM_Count_AsciiInUtf8_Grep);
TOOL_BENCH(BM_Count_AsciiInUtf8_Rg);
TOOL_BENCH(BM_Only_Literal_Tamber);
TOOL_BENCH(BM_Only_Literal_Grep);
TOOL_BENCH(BM_Only_Literal_Rg);

}  // namespace
}  // namespace tamber

BENCHMARK_MAIN();
