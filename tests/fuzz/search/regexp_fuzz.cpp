// libFuzzer target for the pattern scanner, parser, compiler and matcher.
// The first byte chooses the switches, the rest is split at the first NUL
// into a pattern and a text. Built and run by scripts/fuzz.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "search/awk_str.h"
#include "search/regexp_error.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::uint8_t flags = data[0];
  const std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
  const std::size_t nul = rest.find('\0');
  const std::string_view pattern = rest.substr(0, nul);
  const std::string_view text = nul == std::string_view::npos ? std::string_view() : rest.substr(nul + 1);
  tamber::TAWKStrEx re;
  try {
    re.SetIgnoreCase(flags & 1);
    re.SetUseFuzzyCharDic(flags & 2);
    re.SetLineSeparator(flags & 4 ? tamber::mcls_LF : tamber::mcls_CRLF);
    re.SetRegExp(pattern);
    const tamber::TMatchResult m = re.Match(text);
    if (m.Position > text.size() + 1 || m.Position + m.Length > text.size() + 1) __builtin_trap();
    std::vector<tamber::TSearchInfo> list;
    re.FindAll(text, text, list);
    std::size_t end = 0;
    for (const auto& info : list) {
      // Matches are non-empty, in order, disjoint and inside the text.
      if (info.MatchLen == 0 || info.MatchPos - 1 < end || info.MatchPos - 1 + info.MatchLen > text.size()) {
        __builtin_trap();
      }
      end = info.MatchPos - 1 + info.MatchLen;
    }
  } catch (const tamber::ERegExpParser&) {
  }
  return 0;
}
