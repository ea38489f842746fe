// The benchmarks' document and settings: 100,000 Shift-JIS lines laid out on
// A4 in two columns with line numbers, a header and a footer.
#pragma once

#include <string>
#include <vector>

#include "print/strings_printer.h"
#include "support/bench_data.h"

namespace tamber::bench {

inline constexpr int kPrintBenchLines = 100000;

inline std::vector<std::string> PrintBenchLines() {
  const std::string text = MakeSjisText(static_cast<std::size_t>(kPrintBenchLines) * 80);
  std::vector<std::string> lines;
  lines.reserve(kPrintBenchLines);
  std::size_t start = 0;
  while (static_cast<int>(lines.size()) < kPrintBenchLines && start < text.size()) {
    const std::size_t br = text.find("\r\n", start);
    lines.push_back(text.substr(start, br - start));
    start = br + 2;
  }
  return lines;
}

inline void PrintBenchSettings(TStringsPrinter& p) {
  p.SetMarginTop(20);
  p.SetMarginBottom(20);
  p.SetMarginLeft(20);
  p.SetMarginRight(20);
  p.SetColumnCount(2);
  p.SetLineNumber(true);
  p.SetFileName("C:\\nc\\program.nc");
  p.SetHeader("%F  %y/%m/%d %t");
  p.SetHeaderAlign(haLeft);
  p.SetFooter("- %p -");
  p.SetFooterAlign(haCenter);
}

}  // namespace tamber::bench
