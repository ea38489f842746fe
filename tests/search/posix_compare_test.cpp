// On patterns without anchors over single-byte texts the dialect agrees with
// POSIX extended expressions, which glibc matches leftmost-longest: random
// patterns and texts are checked against regcomp/regexec.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>

#include "search/awk_str.h"

namespace tamber {
namespace {

class PatternMaker {
 public:
  explicit PatternMaker(unsigned seed) : rng_(seed) {}

  std::string Expression(int depth) {
    std::string s = Term(depth);
    while (Roll(5) == 0) s += "|" + Term(depth);
    return s;
  }

  std::string Text() {
    std::string t;
    const int n = static_cast<int>(Roll(12));
    for (int i = 0; i < n; ++i) t += "abcd"[Roll(4)];
    return t;
  }

 private:
  unsigned Roll(unsigned n) { return rng_() % n; }

  std::string Term(int depth) {
    std::string s;
    const int n = 1 + static_cast<int>(Roll(3));
    for (int i = 0; i < n; ++i) s += Factor(depth);
    return s;
  }

  std::string Factor(int depth) {
    std::string s = Primary(depth);
    switch (Roll(6)) {
      case 0: return s + "*";
      case 1: return s + "+";
      case 2: return s + "?";
      default: return s;
    }
  }

  std::string Primary(int depth) {
    switch (Roll(depth > 0 ? 6 : 4)) {
      case 0: return ".";
      case 1: return Roll(2) ? "[ab]" : "[^a]";
      case 2:
      case 3: return std::string(1, "abc"[Roll(3)]);
      default: return "(" + Expression(depth - 1) + ")";
    }
  }

  std::mt19937 rng_;
};

TEST(PosixCompare, AgreesWithGlibcOnLeftmostLongestMatches) {
  PatternMaker maker(2024);
  TAWKStr re;
  for (int i = 0; i < 1500; ++i) {
    const std::string pattern = maker.Expression(2);
    regex_t posix;
    ASSERT_EQ(regcomp(&posix, pattern.c_str(), REG_EXTENDED), 0) << pattern;
    re.SetRegExp(pattern);
    for (int j = 0; j < 5; ++j) {
      const std::string text = maker.Text();
      regmatch_t m[1];
      TMatchResult expected;
      if (regexec(&posix, text.c_str(), 1, m, 0) == 0) {
        expected = {static_cast<std::size_t>(m[0].rm_so) + 1,
                    static_cast<std::size_t>(m[0].rm_eo - m[0].rm_so)};
      }
      ASSERT_EQ(re.Match(text), expected) << "pattern " << pattern << " text " << text;
    }
    regfree(&posix);
  }
}

}  // namespace
}  // namespace tamber
