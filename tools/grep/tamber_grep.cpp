// tamber-grep: searches Japanese text files from a terminal with the editor's
// own matcher. Each file is read as the editor reads it (its character code
// detected and converted to Shift-JIS), each logical line is searched, and
// matches are printed in UTF-8.
//
//   tamber-grep [-i] [--fuzzy] [-F] [-o] [-b] [-n] PATTERN FILE...
//
// Exit status: 0 when something matched, 1 when nothing did, 2 on an error.
#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "encoding/cp932_codec.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "search/awk_str.h"
#include "search/regexp_error.h"

namespace {

using namespace tamber;

const char* kUsage =
    "usage: tamber-grep [-i] [--fuzzy] [-F] [-o] [-b] [-n] PATTERN FILE...\n"
    "\n"
    "-i       ignore the case of letters (ASCII, full-width, Greek, Cyrillic)\n"
    "--fuzzy  let kana, width and punctuation variants match each other\n"
    "-F       PATTERN is plain text, not a regular expression\n"
    "-o       print only the matched text, one match a line\n"
    "-b       print the byte offset in the Shift-JIS text before each line or match\n"
    "-n       print the line number before each line\n";

struct Options {
  bool ignoreCase = false;
  bool fuzzy = false;
  bool fixed = false;
  bool onlyMatching = false;
  bool byteOffset = false;
  bool lineNumber = false;
  std::string pattern;
  std::vector<std::string> files;
};

std::string Extension(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  const std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  return path.substr(dot);
}

// Returns false (after a message) for a command line it does not understand.
bool ParseArgs(int argc, char** argv, Options* o) {
  bool optionsEnded = false;
  std::vector<std::string> plain;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      plain.push_back(a);
    } else if (a == "--") {
      optionsEnded = true;
    } else if (a == "--fuzzy") {
      o->fuzzy = true;
    } else if (a[1] == '-') {
      std::cerr << "tamber-grep: unknown option " << a << '\n';
      return false;
    } else {
      for (std::size_t k = 1; k < a.size(); ++k) {
        switch (a[k]) {
          case 'i': o->ignoreCase = true; break;
          case 'F': o->fixed = true; break;
          case 'o': o->onlyMatching = true; break;
          case 'b': o->byteOffset = true; break;
          case 'n': o->lineNumber = true; break;
          default: std::cerr << "tamber-grep: unknown option -" << a[k] << '\n'; return false;
        }
      }
    }
  }
  if (plain.size() < 2) return false;
  o->pattern = plain[0];
  o->files.assign(plain.begin() + 1, plain.end());
  return true;
}

class Grep {
 public:
  explicit Grep(const Options& o) : o_(o) {}

  // Compiles the pattern; false (after a message) when it is not valid.
  bool SetUp() {
    std::size_t lost = 0;
    std::string pattern = Utf8ToCp932(o_.pattern, &lost);
    if (lost > 0) {
      std::cerr << "tamber-grep: the pattern has characters with no Shift-JIS form\n";
      return false;
    }
    if (o_.fixed) pattern = QuoteRegExp(pattern);
    try {
      re_.SetIgnoreCase(o_.ignoreCase);
      re_.SetUseFuzzyCharDic(o_.fuzzy);
      re_.SetRegExp(pattern);
    } catch (const ERegExpParser& e) {
      std::cerr << "tamber-grep: " << e.what() << " (position " << e.Position() << ")\n";
      return false;
    }
    return true;
  }

  // 0 matched, 1 nothing matched, 2 error.
  int File(const std::string& path) {
    std::string bytes;
    try {
      bytes = ReadWholeFile(path);
    } catch (const std::system_error& e) {
      std::cerr << "tamber-grep: " << path << ": " << e.code().message() << '\n';
      return 2;
    }
    const int probe = ProbeBytes(bytes);
    const bool binary = probe == pfBinary;
    std::string text;
    if (binary) {
      text = std::move(bytes);  // searched as raw bytes, never printed
    } else {
      ClassifiedText c = ClassifyOpenedFile(probe, Extension(path), bytes, /*kanjiAuto=*/true);
      if (c.lost > 0) {
        std::cerr << "tamber-grep: " << path << ": " << c.lost
                  << " character(s) have no Shift-JIS form and were searched as 〓\n";
      }
      text = std::move(c.text);
    }
    try {
      const std::size_t found = Search(path, text, binary);
      if (binary && found > 0) std::cout << "Binary file " << path << " matches\n";
      return found > 0 ? 0 : 1;
    } catch (const ERegExpParser& e) {
      std::cerr << "tamber-grep: " << path << ": " << e.what() << '\n';
      return 2;
    }
  }

 private:
  // Searches each logical line; a line that is not the last is searched with
  // its CR LF, so that "$" and "\r\n" in a pattern can match at its end.
  std::size_t Search(const std::string& path, std::string_view text, bool binary) {
    // The editor's text breaks every line with CR LF; raw bytes break at LF.
    const std::string_view brkText = binary ? "\n" : "\r\n";
    std::size_t matchedLines = 0;
    std::size_t lineNo = 0;
    for (std::size_t start = 0; start < text.size() || lineNo == 0;) {
      ++lineNo;
      const std::size_t brk = text.find(brkText, start);
      const bool last = brk == std::string_view::npos;
      const std::size_t end = last ? text.size() : brk;
      const std::string_view line = text.substr(start, end - start);
      const std::string_view subject = last ? line : text.substr(start, end - start + brkText.size());
      list_.clear();
      if (re_.FindAll(line, subject, list_) > 0) {
        ++matchedLines;
        if (!binary) Print(path, lineNo, start, line);
      }
      if (last) break;
      start = brk + brkText.size();
    }
    return matchedLines;
  }

  void Prefix(const std::string& path, std::size_t lineNo, std::size_t offset) {
    if (o_.files.size() > 1) std::cout << path << ':';
    if (o_.lineNumber) std::cout << lineNo << ':';
    if (o_.byteOffset) std::cout << offset << ':';
  }

  void Print(const std::string& path, std::size_t lineNo, std::size_t lineStart,
             std::string_view line) {
    if (!o_.onlyMatching) {
      Prefix(path, lineNo, lineStart);
      std::cout << Cp932ToUtf8(line) << '\n';
      return;
    }
    for (const TSearchInfo& m : list_) {
      if (m.MatchText.empty()) continue;  // a match of the line break alone
      Prefix(path, lineNo, lineStart + m.MatchPos - 1);
      std::cout << Cp932ToUtf8(m.MatchText) << '\n';
    }
  }

  const Options& o_;
  TAWKStrEx re_;
  std::vector<TSearchInfo> list_;
};

}  // namespace

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  Options o;
  if (argc == 2 && (std::string_view(argv[1]) == "-h" || std::string_view(argv[1]) == "--help")) {
    std::cout << kUsage;
    return 0;
  }
  if (!ParseArgs(argc, argv, &o)) {
    std::cerr << kUsage;
    return 2;
  }
  Grep grep(o);
  if (!grep.SetUp()) return 2;
  bool matched = false;
  bool failed = false;
  for (const std::string& f : o.files) {
    const int r = grep.File(f);
    matched = matched || r == 0;
    failed = failed || r == 2;
  }
  std::cout.flush();
  if (failed) return 2;
  return matched ? 0 : 1;
}
