// Generated texts for the benchmarks, kept between runs in $TAMBER_BENCH_DATA.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <string>
#include <sys/stat.h>

#include "encoding/file_io.h"

namespace tamber::bench {

inline std::string DataDir() {
  const char* d = std::getenv("TAMBER_BENCH_DATA");
  std::string dir = d && *d ? d : "/tmp/tamber-bench-data";
  ::mkdir(dir.c_str(), 0755);
  return dir;
}

// A Shift-JIS text of about `bytes` bytes: lines of mixed ASCII, kanji, kana,
// half-width kana and tabs, 20 to 120 bytes long (about 1.5 million lines per
// 100 MB), every line ending in CR LF. The same seed gives the same text.
inline std::string MakeSjisText(std::size_t bytes, std::uint32_t seed = 12345) {
  static const char* const kWords[] = {
      "int", "begin", "end;", "x := y + 1;", "G01 X10.5 Y-3.2", "printf(\"%d\\n\", n);",
      "\x93\xfa\x96\x7b\x8c\xea",            // 日本語
      "\x83\x65\x83\x4c\x83\x58\x83\x67",    // テキスト
      "\x82\xb1\x82\xea\x82\xcd",            // これは
      "\x95\x5c\x8e\xa6",                    // 表示 (5C trail byte)
      "\x83\x5c\x83\x74\x83\x67",            // ソフト
      "\xb6\xde\xb7\xde\xc3\xb7\xbd\xc4",    // ｶﾞｷﾞﾃｷｽﾄ
      "\x81\x40", "\t", "//", "{ comment }", "0x1F", "\x8a\xbf\x8e\x9a",  // 漢字
  };
  constexpr std::size_t kCount = sizeof kWords / sizeof kWords[0];
  std::string s;
  s.reserve(bytes + 256);
  std::uint32_t x = seed;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    return x;
  };
  while (s.size() < bytes) {
    const std::size_t target = 20 + next() % 100;
    const std::size_t start = s.size();
    while (s.size() - start < target) {
      s += kWords[next() % kCount];
      s += ' ';
    }
    s += "\r\n";
  }
  return s;
}

// The text of MakeSjisText(bytes) as a file in DataDir(), made once.
inline std::string SjisFile(std::size_t bytes, const std::string& name) {
  const std::string path = DataDir() + "/" + name;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) WriteFileAtomically(path, MakeSjisText(bytes));
  return path;
}

}  // namespace tamber::bench
