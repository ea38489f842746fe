// The script engine against Lua 5.4 on the same work (bench.pas, bench.lua:
// an arithmetic loop, string building, recursive calls), and the cost of an
// empty for-loop iteration and of an empty procedure call.
//
// EngineBenchPas runs bench.pas in this process and checks its output against
// expected.out; RunnerBenchPas and LuaBenchLua run tamber-script and lua5.4 as
// processes, so their times include start-up. EngineBenchPas reports
// lua_ratio: its time over the time of one lua5.4 run measured beside it.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "script/script_engine.h"
#include "script/script_system.h"

extern char** environ;

namespace tamber::script {
namespace {

const std::string kDir = TAMBER_SCRIPT_BENCH_DIR;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs a command with its output thrown away; the wall time in seconds, or -1.
double RunProcess(const char* program, const std::string& arg) {
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  const std::string prog = program;
  char* argv[] = {const_cast<char*>(prog.c_str()), const_cast<char*>(arg.c_str()), nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid;
  if (posix_spawnp(&pid, program, &fa, nullptr, argv, environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&fa);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Loads and runs a program with the early library and a collecting Writeln.
std::string RunInEngine(const std::string& text, std::uint16_t* code) {
  std::string out;
  TIfPasScript e;
  e.SetMaxDepth(1000);
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterEarlyLibrary(en);
    en.RegisterFunction(
        [&out](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
          out += ReadString(Deref(args[0]));
          out += '\n';
          return 0;
        },
        "procedure Writeln(s: string)");
    return 0;
  });
  e.LoadScript(text);
  if (e.ErrorCode() == 0) e.RunMain();
  *code = e.ErrorCode();
  e.ClearScript();
  return out;
}

void EngineBenchPas(benchmark::State& state) {
  const std::string text = ReadFile(kDir + "/bench.pas");
  const std::string expected = ReadFile(kDir + "/expected.out");
  const double lua = RunProcess("lua5.4", kDir + "/bench.lua");
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    std::uint16_t code = 0;
    const std::string out = RunInEngine(text, &code);
    total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (code != 0 || out != expected) {
      state.SkipWithError("bench.pas failed or printed something else than expected.out");
      return;
    }
  }
  if (lua > 0) state.counters["lua_ratio"] = total / state.iterations() / lua;
}
BENCHMARK(EngineBenchPas)->Unit(benchmark::kMillisecond)->Iterations(3);

void RunnerBenchPas(benchmark::State& state) {
  for (auto _ : state) {
    if (RunProcess(TAMBER_SCRIPT_BIN, kDir + "/bench.pas") < 0) {
      state.SkipWithError("tamber-script failed");
      return;
    }
  }
}
BENCHMARK(RunnerBenchPas)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void LuaBenchLua(benchmark::State& state) {
  for (auto _ : state) {
    if (RunProcess("lua5.4", kDir + "/bench.lua") < 0) {
      state.SkipWithError("lua5.4 is missing (scripts/setup-deps installs it)");
      return;
    }
  }
}
BENCHMARK(LuaBenchLua)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// Time per step of a loop over n steps of a body, the load excluded.
void PerStep(benchmark::State& state, const std::string& text, std::int64_t n) {
  TIfPasScript e;
  e.SetMaxDepth(1000);
  for (auto _ : state) {
    state.PauseTiming();
    e.ClearScript();
    e.LoadScript(text);
    state.ResumeTiming();
    e.RunMain();
    if (e.ErrorCode() != 0) {
      state.SkipWithError("the script failed");
      return;
    }
  }
  state.counters["per_step"] =
      benchmark::Counter(static_cast<double>(n), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void EmptyForIteration(benchmark::State& state) {
  PerStep(state, "var i: Integer; begin for i := 1 to 10000000 do ; end.", 10000000);
}
BENCHMARK(EmptyForIteration)->Unit(benchmark::kMillisecond);

void EmptyProcedureCall(benchmark::State& state) {
  PerStep(state, "procedure P; begin end; var i: Integer; begin for i := 1 to 2000000 do P; end.", 2000000);
}
BENCHMARK(EmptyProcedureCall)->Unit(benchmark::kMillisecond);

// The same with a run-line hook as cheap as the script window's between its
// event pumps.
void EmptyProcedureCallWithHook(benchmark::State& state) {
  TIfPasScript e;
  e.SetMaxDepth(1000);
  std::int64_t lines = 0;
  e.SetOnRunLine([&](TIfPasScript&, void*, std::int32_t) -> std::uint16_t {
    ++lines;
    return 0;
  });
  const std::string text = "procedure P; begin end; var i: Integer; begin for i := 1 to 2000000 do P; end.";
  for (auto _ : state) {
    state.PauseTiming();
    e.ClearScript();
    e.LoadScript(text);
    state.ResumeTiming();
    e.RunMain();
  }
  state.counters["per_step"] =
      benchmark::Counter(2000000.0, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
  benchmark::DoNotOptimize(lines);
}
BENCHMARK(EmptyProcedureCallWithHook)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tamber::script

BENCHMARK_MAIN();
