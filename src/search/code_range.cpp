#include "search/code_range.h"

#include <algorithm>

namespace tamber {
namespace {

// Upper-case block [upper, upper + count) pairs with [lower, lower + count).
struct CasePair {
  std::uint16_t upper;
  std::uint16_t lower;
  std::uint16_t count;
};

constexpr CasePair kCasePairs[] = {
    {0x41, 0x61, 26},      // A-Z
    {0x8260, 0x8281, 26},  // Ａ-Ｚ
    {0x839F, 0x83BF, 24},  // Α-Ω
    {0x8440, 0x8470, 15},  // А-Н (the trail byte 7F is skipped below)
    {0x844F, 0x8480, 18},  // О-Я
};

void AddMapped(std::vector<CodeRange>& out, const CodeRange& r, std::uint16_t from,
               std::uint16_t to, std::uint16_t count) {
  const unsigned lo = std::max<unsigned>(r.lo, from);
  const unsigned hi = std::min<unsigned>(r.hi, from + count - 1u);
  if (lo > hi) return;
  out.push_back({static_cast<std::uint16_t>(lo - from + to),
                 static_cast<std::uint16_t>(hi - from + to)});
}

}  // namespace

std::vector<CodeRange> NormalizeRanges(std::vector<CodeRange> ranges) {
  std::sort(ranges.begin(), ranges.end(),
            [](const CodeRange& a, const CodeRange& b) { return a.lo < b.lo; });
  std::vector<CodeRange> out;
  for (const CodeRange& r : ranges) {
    if (!out.empty() && static_cast<unsigned>(r.lo) <= out.back().hi + 1u) {
      out.back().hi = std::max(out.back().hi, r.hi);
    } else {
      out.push_back(r);
    }
  }
  return out;
}

std::vector<CodeRange> DotRanges() { return {{0x01, 0x09}, {0x0B, 0x0C}, {0x0E, 0xFCFC}}; }

std::vector<CodeRange> NegateRanges(const std::vector<CodeRange>& items) {
  const std::vector<CodeRange> listed = NormalizeRanges(items);
  std::vector<CodeRange> out;
  for (const CodeRange& u : DotRanges()) {
    unsigned lo = u.lo;
    for (const CodeRange& r : listed) {
      if (r.hi < lo || r.lo > u.hi) continue;
      if (r.lo > lo) out.push_back({static_cast<std::uint16_t>(lo), static_cast<std::uint16_t>(r.lo - 1)});
      lo = r.hi + 1u;
      if (lo > u.hi) break;
    }
    if (lo <= u.hi) out.push_back({static_cast<std::uint16_t>(lo), u.hi});
  }
  return out;
}

std::vector<CodeRange> CaseClosure(const std::vector<CodeRange>& ranges) {
  std::vector<CodeRange> out = ranges;
  for (const CodeRange& r : ranges) {
    for (const CasePair& p : kCasePairs) {
      AddMapped(out, r, p.upper, p.lower, p.count);
      AddMapped(out, r, p.lower, p.upper, p.count);
    }
  }
  return NormalizeRanges(std::move(out));
}

}  // namespace tamber
