// The screen the painting benchmarks show: rows of mixed Japanese text and C
// source about 160 columns wide, with tabs, full-width spaces and brackets.
#pragma once

#include <string>

namespace tamber::bench {

inline std::string MakeScreenText(int rows) {
  static const char* const kLines[] = {
      "\tfor (i = 0; i < count; i++) {\t/* \x93\xfa\x96\x7b\x8c\xea\x82\xcc\x83\x52\x83\x81\x83\x93\x83\x67 */ "
      "printf(\"%d: %s\\n\", i, \"\x82\xb1\x82\xf1\x82\xc9\x82\xbf\x82\xcd\"); x = y * 0x1F + (z - 42);",
      "// \x95\xb6\x8e\x9a\x97\xf1\x82\xf0\x95\x5c\x8e\xa6\x82\xb7\x82\xe9\x81\x40\x8a\xbf\x8e\x9a\x82\xc6"
      "\x83\x4a\x83\x69 static int show(const char *msg, int count) { return strlen(msg) + count; }",
      "\x81\x75\x83\x65\x83\x4c\x83\x58\x83\x67\x81\x76\x82\xcd\x81\x41\x93\xfa\x96\x7b\x8c\xea\x82\xf0"
      "\x8a\xdc\x82\xde\x95\xb6\x8f\xcd\x82\xc5\x82\xb7\x81\x42 int main(void) { return show(\"abc\", 3); }",
      "#define MAX_LEN 128\t\t/* \xb6\xde\xb7\xde\xc3\xb7\xbd\xc4 */ const char *greeting = \"hello, world\";"
      " if (a[i] > b[j]) { swap(&a[i], &b[j]); } else { continue; }",
  };
  std::string s;
  for (int i = 0; i < rows; ++i) {
    std::string line = kLines[i % 4];
    while (line.size() < 160) line += " x += 1;";
    s += line.substr(0, 160) + "\r\n";
  }
  return s;
}

}  // namespace tamber::bench
