// Runs a peer program (vim, cp) for a benchmark to compare against.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <string>
#include <vector>

extern char** environ;

namespace tamber::bench {

// Runs argv (found on PATH) and waits for it: the wall time in seconds, or -1
// when it cannot be started.
inline double RunProgram(std::vector<std::string> argv) {
  std::vector<char*> args;
  for (std::string& a : argv) args.push_back(a.data());
  args.push_back(nullptr);
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
  int status = 0;
  waitpid(pid, &status, 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace tamber::bench
