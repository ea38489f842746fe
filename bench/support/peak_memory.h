// Peak resident memory of the benchmark process, from /proc.
#pragma once

#include <cstddef>
#include <fstream>
#include <string>

namespace tamber::bench {

// Starts a new peak: the high-water mark drops to what is resident now.
inline void ResetPeakMemory() { std::ofstream("/proc/self/clear_refs") << "5"; }

// Peak resident memory since the last reset, in bytes (0 when unknown).
inline std::size_t PeakMemory() {
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    std::size_t kb;
    if (key == "VmHWM:" && status >> kb) return kb * 1024;
  }
  return 0;
}

}  // namespace tamber::bench
