// tamber-grep: searches Japanese text files from a terminal with the editor's
// own matcher. Each file is read as the editor reads it (its character code
// detected and converted to Shift-JIS, every break made CR LF), each line is
// searched, and lines and matches are printed in UTF-8.
//
//   tamber-grep [-i] [--fuzzy] [-F] [-o] [-b] [-n] [-c] [-l] [-v] [-r] PATTERN [FILE...]
//
// Lines are selected as grep selects them: a line is selected when the
// pattern matches anywhere in it, an empty match included; -o prints only the
// non-empty matches. Offsets (-b) are byte offsets into the file as it is on
// disk. Exit status: 0 when a line was selected, 1 when none was, 2 on an
// error (as grep, an error wins).
#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <cerrno>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <utility>
#include <vector>

#include "encoding/char_code.h"
#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "encoding/file_code.h"
#include "encoding/file_io.h"
#include "search/awk_str.h"
#include "search/required_literal.h"
#include "search/regexp_error.h"

namespace {

using namespace tamber;

const char* kUsage =
    "usage: tamber-grep [-i] [--fuzzy] [-F] [-o] [-b] [-n] [-c] [-l] [-v] [-r] PATTERN [FILE...]\n"
    "\n"
    "-i       ignore the case of letters (ASCII, full-width, Greek, Cyrillic)\n"
    "--fuzzy  let kana, width and punctuation variants match each other\n"
    "-F       PATTERN is plain text, not a regular expression\n"
    "-o       print only the matched text, one match a line\n"
    "-b       print the byte offset in the file before each line or match\n"
    "-n       print the line number before each line\n"
    "-c       print only the number of selected lines of each file\n"
    "-l       print only the names of files with a selected line\n"
    "-v       select the lines that do not match\n"
    "-r       search the files in folders and their subfolders (\".\" without FILE)\n";

struct Options {
  bool ignoreCase = false;
  bool fuzzy = false;
  bool fixed = false;
  bool onlyMatching = false;
  bool byteOffset = false;
  bool lineNumber = false;
  bool count = false;
  bool filesWithMatches = false;
  bool invert = false;
  bool recursive = false;
  std::string pattern;
  std::vector<std::string> files;
};

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
          case 'c': o->count = true; break;
          case 'l': o->filesWithMatches = true; break;
          case 'v': o->invert = true; break;
          case 'r': o->recursive = true; break;
          default: std::cerr << "tamber-grep: unknown option -" << a[k] << '\n'; return false;
        }
      }
    }
  }
  if (plain.empty() || (plain.size() < 2 && !o->recursive)) return false;
  o->pattern = plain[0];
  o->files.assign(plain.begin() + 1, plain.end());
  return true;
}

// Maps offsets in the Shift-JIS text with CR LF breaks back to the bytes of
// the file: lines start where the file's own breaks (CR LF, CR or LF) end,
// and a position inside a line is the length of the line's head written in
// the file's code.
class FileOffsets {
 public:
  FileOffsets(std::string_view file, const TextFormat& format) : file_(file), format_(format) {}

  // The file offset of byte `at` of the line that starts at lineStart in the
  // text, which is line lineIndex (0-based); calls must come in line order.
  // A line is told where it starts in the file, a byte-order mark before it
  // included; a match (ofMatch) where it starts itself, after the mark.
  std::size_t Offset(std::size_t lineIndex, std::string_view text, std::size_t lineStart,
                     std::size_t at, bool ofMatch) {
    while (line_ < lineIndex) {  // step over the file's breaks
      const std::size_t brk = FindLineBreak(file_, fileLine_);
      if (brk == std::string_view::npos) {
        fileLine_ = file_.size();
      } else {
        fileLine_ = brk + (file_[brk] == '\r' && brk + 1 < file_.size() && file_[brk + 1] == '\n' ? 2 : 1);
      }
      ++line_;
    }
    std::size_t inLine = HeadLength(text.substr(lineStart, at - lineStart), text.substr(at));
    if (lineIndex == 0 && format_.code == FileCode::Utf8 && format_.bom && ofMatch) {
      inLine += kUtf8Bom.size();
    }
    return fileLine_ + inLine;
  }

 private:
  std::size_t HeadLength(std::string_view head, std::string_view rest) const {
    if (head.empty()) return 0;
    switch (format_.code) {
      case FileCode::Utf8: return Cp932ToUtf8(head).size();
      case FileCode::Euc: return SjisToEuc(head).size();
      case FileCode::Jis: {
        // The head written alone closes its kanji run; the file does not when
        // the text goes on in kanji.
        std::string j = SjisToJis(head, nullptr, format_.jis);
        const std::string_view out = format_.jis.kanjiOut;
        const bool kanjiNext = !rest.empty() && static_cast<unsigned char>(rest[0]) >= 0x80;
        if (kanjiNext && j.size() >= out.size() && std::string_view(j).substr(j.size() - out.size()) == out) {
          j.resize(j.size() - out.size());
        }
        return j.size();
      }
      default: return head.size();
    }
  }

  std::string_view file_;
  const TextFormat& format_;
  std::size_t line_ = 0;
  std::size_t fileLine_ = 0;
};

// A file's bytes: mapped when it is a regular file, read otherwise.
class FileBytes {
 public:
  FileBytes() = default;
  FileBytes(const FileBytes&) = delete;
  FileBytes& operator=(const FileBytes&) = delete;
  ~FileBytes() {
    if (map_) ::munmap(map_, size_);
  }

  // Throws std::system_error. whole: the bytes are mapped at once (far
  // fewer page faults than one a page); otherwise as Prefault asks.
  void Open(const std::string& path, bool whole) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd >= 0) {
      struct stat st {};
      if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) {
        void* m = ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                         MAP_PRIVATE | (whole ? MAP_POPULATE : 0), fd, 0);
        if (m != MAP_FAILED) {
          map_ = m;
          size_ = static_cast<std::size_t>(st.st_size);
          whole_ = whole;
          ::close(fd);
          return;
        }
      }
      ::close(fd);
    }
    read_ = ReadWholeFile(path, ReadSource::kAnyFile);  // reports the error, or reads a pipe or an empty file
  }

  // Maps the pages holding bytes [from, from + len) now, in one call rather
  // than a page fault each, when the file was opened without `whole`.
  void Prefault(std::size_t from, std::size_t len) const {
#if defined(MADV_POPULATE_READ)
    if (!map_ || whole_ || len == 0) return;
    const auto page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
    const std::size_t start = from / page * page;
    ::madvise(static_cast<char*>(map_) + start, std::min(from + len, size_) - start, MADV_POPULATE_READ);
#else
    (void)from;
    (void)len;
#endif
  }

  std::string_view View() const {
    return map_ ? std::string_view(static_cast<const char*>(map_), size_) : std::string_view(read_);
  }

 private:
  void* map_ = nullptr;
  std::size_t size_ = 0;
  bool whole_ = false;
  std::string read_;
};

constexpr int kCrLfBreaks = 0;
constexpr int kLfBreaks = 1;
constexpr int kMixedBreaks = 2;

#if defined(__x86_64__)
// Bytes [i, ...) of p in 64-byte steps: whether an LF not after a CR or a CR
// not before an LF was seen; i is moved past the bytes looked at.
__attribute__((target("avx2"))) bool OddBreaksAvx2(const unsigned char* p, std::size_t n, std::size_t* i) {
  const __m256i lf = _mm256_set1_epi8('\n');
  const __m256i cr = _mm256_set1_epi8('\r');
  __m256i bad = _mm256_setzero_si256();
  std::size_t k = *i;
  for (; k + 64 <= n; k += 64) {
    const auto* here = reinterpret_cast<const __m256i*>(p + k);
    const auto* before = reinterpret_cast<const __m256i*>(p + k - 1);
    bad = _mm256_or_si256(bad, _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(here), lf),
                                                _mm256_cmpeq_epi8(_mm256_loadu_si256(before), cr)));
    bad = _mm256_or_si256(bad, _mm256_xor_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(here + 1), lf),
                                                _mm256_cmpeq_epi8(_mm256_loadu_si256(before + 1), cr)));
  }
  *i = k;
  return !_mm256_testz_si256(bad, bad);
}
#endif

// Whether every break of s is CR LF, every break LF, or neither. Hot loop:
// one pass of 64-byte compares (AVX2), else 16-byte ones.
int UniformBreaks(std::string_view s) {
  const auto* p = reinterpret_cast<const unsigned char*>(s.data());
  const std::size_t n = s.size();
  if (!std::memchr(p, '\r', n)) return kLfBreaks;
  // Every LF after a CR and every CR before an LF.
  if (n == 0 || p[0] == '\n' || p[n - 1] == '\r') return kMixedBreaks;
  std::size_t i = 1;
  unsigned bad = 0;
#if defined(__x86_64__)
  if (__builtin_cpu_supports("avx2") && OddBreaksAvx2(p, n, &i)) return kMixedBreaks;
#endif
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  const __m128i cr = _mm_set1_epi8('\r');
  for (; i + 16 <= n; i += 16) {
    const __m128i here = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const __m128i before = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i - 1));
    const __m128i diff = _mm_xor_si128(_mm_cmpeq_epi8(here, lf), _mm_cmpeq_epi8(before, cr));
    bad |= static_cast<unsigned>(_mm_movemask_epi8(diff));
  }
#endif
  for (; i < n; ++i) bad |= (p[i] == '\n') != (p[i - 1] == '\r');
  return bad ? kMixedBreaks : kCrLfBreaks;
}

// The strings of the pattern when a UTF-8 file can be searched as it is:
// the pattern matches exactly these strings, each of ASCII bytes (in UTF-8
// an ASCII byte is always a character of its own) other than the two that
// UTF-8 characters also become in Shift-JIS (¥ is 5C, ‾ is 7E), none of them
// a break. Null otherwise.
const LiteralFinder* Utf8SearchStrings(TAWKStrEx& re) {
  const LiteralFinder* f = re.ExactStrings();
  if (!f || f->Empty()) return nullptr;
  for (const std::string& lit : f->Literals()) {
    for (const char ch : lit) {
      const auto b = static_cast<unsigned char>(ch);
      if (b >= 0x80 || b == '\\' || b == '~' || b == '\r' || b == '\n') return nullptr;
    }
  }
  return f;
}

// Lines and matches of plain ASCII strings in UTF-8 bytes: every occurrence
// is a match, the longest string at a place the match there.
class AsciiStrings {
 public:
  explicit AsciiStrings(const LiteralFinder& f) : f_(f) {}

  std::size_t CountLines(std::string_view text, std::size_t most) const {
    std::size_t count = 0;
    for (std::size_t q = f_.Find(text, 0); q != std::string_view::npos && count < most;
         q = f_.Find(text, LineEnd(text, q))) {
      ++count;
    }
    return count;
  }

  // line(start, end) for each line with a match, end after its LF; stops
  // when line returns false.
  template <typename F>
  void ForEachLine(std::string_view text, F&& line) const {
    std::size_t pos = 0;  // a line start
    for (std::size_t q = f_.Find(text, 0); q != std::string_view::npos; q = f_.Find(text, pos)) {
      const std::size_t lf = q == 0 ? std::string_view::npos : text.rfind('\n', q - 1);
      const std::size_t start = lf == std::string_view::npos || lf < pos ? pos : lf + 1;
      pos = LineEnd(text, q);
      if (!line(start, pos)) return;
    }
  }

  // found(start, end) for each match in line, left to right.
  template <typename F>
  void ForEachMatch(std::string_view line, F&& found) const {
    for (std::size_t q = f_.Find(line, 0); q != std::string_view::npos;) {
      const std::size_t len = f_.LongestAt(line, q);
      found(q, q + len);
      q = f_.Find(line, q + len);
    }
  }

 private:
  static std::size_t LineEnd(std::string_view text, std::size_t at) {
    const std::size_t lf = text.find('\n', at);
    return lf == std::string_view::npos ? text.size() : lf + 1;
  }

  const LiteralFinder& f_;
};

std::string_view WithoutFinalBreak(std::string_view s) {
  if (!s.empty() && s.back() == '\n') s.remove_suffix(1);
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  return s;
}

class Grep {
 public:
  Grep(const Options& o, bool showNames) : o_(o), showNames_(showNames) {}

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

  // 0 selected, 1 nothing selected, 2 error.
  int File(const std::string& path) {
    // Only counted: a Shift-JIS file is then mapped piece by piece as it is searched.
    const bool countOnly = !o_.invert && (o_.count || o_.filesWithMatches);
    FileBytes file;
    try {
      file.Open(path, /*whole=*/!countOnly);
    } catch (const std::system_error& e) {
      std::cerr << "tamber-grep: " << path << ": " << e.code().message() << '\n';
      return 2;
    }
    const std::string_view bytes = file.View();
    const int probe = ProbeBytes(bytes);
    const bool binary = probe == pfBinary;
    file.Prefault(0, countOnly ? std::min<std::size_t>(bytes.size(), kProbeLength) : 0);
    ClassifiedText c;
    std::string_view text;  // what is searched: c.text, or the file's own bytes
    TMatchCORE_LineSeparator sep = mcls_CRLF;
    ascii_.reset();
    if (countOnly && !binary &&
        DetectFileCode(probe, FileExtension(path), WithoutFinalBreak(bytes)) == FileCode::ShiftJis) {
      try {
        if (const auto n = CountInPieces(file, o_.filesWithMatches ? 1 : static_cast<std::size_t>(-1))) {
          return Report(path, *n, false);
        }
      } catch (const ERegExpParser& e) {
        std::cerr << "tamber-grep: " << path << ": " << e.what() << '\n';
        return 2;
      }
    }
    file.Prefault(0, bytes.size());
    const int style = binary ? kMixedBreaks : UniformBreaks(bytes);
    const FileCode code = binary || style == kMixedBreaks
                              ? FileCode::Binary  // not looked at
                              : DetectFileCode(probe, FileExtension(path), WithoutFinalBreak(bytes));
    const LiteralFinder* strings = code == FileCode::Utf8 ? Utf8SearchStrings(re_) : nullptr;
    if (binary) {
      text = bytes;  // searched as raw bytes, never printed
      c.format.code = FileCode::Binary;
      sep = mcls_LF;
    } else if (code == FileCode::ShiftJis && (style == kCrLfBreaks || !re_.MatchesBreakChars())) {
      // A Shift-JIS file whose every break is CR LF is already the text the
      // editor holds; with LF breaks it searches alike unless the pattern can
      // match a break character. Either way no copy is made.
      text = bytes;
      c.format.code = FileCode::ShiftJis;
      sep = style == kCrLfBreaks ? mcls_CRLF : mcls_LF;
    } else if (strings) {
      // Plain ASCII strings are found in the UTF-8 bytes themselves, where
      // the converted text has them too, line for line (no break is CR
      // alone). Only the lines printed are converted, to show them as the
      // editor does.
      text = bytes;
      c.format.code = FileCode::ShiftJis;  // offsets: the file's own
      ascii_.emplace(*strings);
    } else {
      c = ClassifyOpenedFile(probe, FileExtension(path), bytes, /*kanjiAuto=*/true);
      if (c.lost > 0) {
        std::cerr << "tamber-grep: " << path << ": " << c.lost
                  << " character(s) have no Shift-JIS form and were searched as 〓\n";
      }
      text = c.text;
    }
    try {
      FileOffsets offsets(bytes, c.format);
      return Report(path, Search(path, text, binary, sep, offsets), binary);
    } catch (const ERegExpParser& e) {
      std::cerr << "tamber-grep: " << path << ": " << e.what() << '\n';
      return 2;
    }
  }

 private:
  // Prints what is told of a file after its lines; its exit status.
  int Report(const std::string& path, std::size_t selected, bool binary) {
    if (o_.count) {
      if (showNames_) std::cout << path << ':';
      std::cout << selected << '\n';
    } else if (o_.filesWithMatches) {
      if (selected > 0) std::cout << path << '\n';
    } else if (binary && selected > 0) {
      std::cout.flush();
      std::cerr << "tamber-grep: " << path << ": binary file matches\n";
    }
    return selected > 0 ? 0 : 1;
  }

  // The selected lines (at most `most`) of a Shift-JIS file's own bytes,
  // counted piece by piece: each piece's breaks are checked just before it is
  // searched, so the bytes come from memory once. Pieces end after an LF, so
  // no line is cut. Nothing when the breaks are not all CR LF or all LF, or
  // are LF and the pattern can match a break character: the file is then
  // read as the editor reads it.
  std::optional<std::size_t> CountInPieces(const FileBytes& file, std::size_t most) {
    constexpr std::size_t kPiece = std::size_t{256} << 10;
    const std::string_view bytes = file.View();
    const std::size_t n = bytes.size();
    int style = -1;
    std::size_t count = 0;
    std::size_t mapped = 0;  // bytes before this are mapped
    for (std::size_t a = 0; a < n && count < most;) {
      if (a + kPiece > mapped && mapped < n) {  // map a stretch of pieces ahead
        file.Prefault(mapped, std::min(kPiece * 16, n - mapped));
        mapped += kPiece * 16;
      }
      std::size_t b = n;
      if (n - a > kPiece) {
        const void* lf = ::memrchr(bytes.data() + a, '\n', kPiece);
        if (lf) {
          b = static_cast<std::size_t>(static_cast<const char*>(lf) - bytes.data()) + 1;
        } else if (const std::size_t next = bytes.find('\n', a + kPiece); next != std::string_view::npos) {
          b = next + 1;
        }
      }
      const std::string_view piece = bytes.substr(a, b - a);
      const int here = UniformBreaks(piece);
      if (here == kMixedBreaks) return std::nullopt;
      if (style < 0) {
        style = here;
        if (style == kLfBreaks && re_.MatchesBreakChars()) return std::nullopt;
        re_.SetLineSeparator(style == kCrLfBreaks ? mcls_CRLF : mcls_LF);
      } else if (here != style && piece.find('\n') != std::string_view::npos) {
        return std::nullopt;  // a piece with no break at all agrees with either
      }
      count += re_.CountMatchingLines(piece, most - count);
      a = b;
    }
    if (style < 0) return std::nullopt;  // an empty file
    return count;
  }

  // Returns the number of selected lines, printing them unless only counts,
  // names or a binary file's verdict are wanted.
  std::size_t Search(const std::string& path, std::string_view text, bool binary, TMatchCORE_LineSeparator sep,
                     FileOffsets& offsets) {
    const bool print = !binary && !o_.count && !o_.filesWithMatches;
    std::size_t selected = 0;
    std::size_t lineNo = 0;      // lines before `next`
    std::size_t next = 0;        // the start of the first line not yet handled
    auto countLines = [&](std::size_t upTo) {
      lineNo += static_cast<std::size_t>(std::count(text.begin() + next, text.begin() + upTo, '\n'));
      next = upTo;
    };
    // Prints the unselected lines of [next, upTo) for -v.
    auto inverted = [&](std::size_t upTo) {
      while (next < upTo) {
        std::size_t end = text.find('\n', next);
        end = end == std::string_view::npos || end >= upTo ? upTo : end + 1;
        ++selected;
        if (print) PrintLine(path, lineNo, next, text.substr(next, end - next), text, offsets);
        ++lineNo;
        next = end;
        if (o_.filesWithMatches) break;
      }
    };
    const bool stopAtFirst = o_.filesWithMatches || (binary && !o_.count);
    re_.SetLineSeparator(sep);
    if (!print && !o_.invert) {
      const std::size_t most = stopAtFirst ? 1 : static_cast<std::size_t>(-1);
      return ascii_ ? ascii_->CountLines(text, most) : re_.CountMatchingLines(text, most);
    }
    const std::function<bool(std::size_t, std::size_t)> eachLine = [&](std::size_t start, std::size_t end) {
      if (o_.invert) {
        inverted(start);
        if (stopAtFirst && selected > 0) return false;
        lineNo += 1;
        next = end;
        return true;
      }
      ++selected;
      if (stopAtFirst) return false;
      if (print) {
        countLines(start);
        PrintLine(path, lineNo, start, text.substr(start, end - start), text, offsets);
        ++lineNo;
        next = end;
      }
      return true;
    };
    if (ascii_) {
      ascii_->ForEachLine(text, eachLine);
    } else {
      re_.ForEachMatchingLine(text, eachLine);
    }
    if (o_.invert && !(stopAtFirst && selected > 0)) inverted(text.size());
    return selected;
  }

  void Prefix(const std::string& path, std::size_t lineNo, std::size_t fileOffset) {
    if (showNames_) std::cout << path << ':';
    if (o_.lineNumber) std::cout << lineNo + 1 << ':';
    if (o_.byteOffset) std::cout << fileOffset << ':';
  }

  // line is the selected line with its break.
  void PrintLine(const std::string& path, std::size_t lineNo, std::size_t lineStart,
                 std::string_view line, std::string_view text, FileOffsets& offsets) {
    std::string_view shown = line;
    if (!shown.empty() && shown.back() == '\n') shown.remove_suffix(1);
    if (!shown.empty() && shown.back() == '\r') shown.remove_suffix(1);
    if (!o_.onlyMatching) {
      Prefix(path, lineNo, o_.byteOffset ? offsets.Offset(lineNo, text, lineStart, lineStart, false) : 0);
      if (ascii_) {
        // The bytes of a UTF-8 file: shown as the editor would show them.
        if (lineStart == 0 && shown.substr(0, kUtf8Bom.size()) == kUtf8Bom) shown.remove_prefix(kUtf8Bom.size());
        std::cout << Cp932ToUtf8(Utf8ToCp932(shown)) << '\n';
      } else {
        std::cout << Cp932ToUtf8(shown) << '\n';
      }
      return;
    }
    if (o_.invert) return;  // as grep: an unmatched line has no matches to show
    spans_.clear();
    if (ascii_) {
      ascii_->ForEachMatch(line, [&](std::size_t a, std::size_t b) { spans_.emplace_back(a, b); });
    } else {
      re_.ForEachMatchInLines(line, [&](std::size_t a, std::size_t b) { spans_.emplace_back(a, b); });
    }
    for (const auto& [at, end] : spans_) {
      if (at >= shown.size()) continue;  // a match of the line break alone
      const std::string_view matched = shown.substr(at, std::min(end, shown.size()) - at);
      Prefix(path, lineNo, o_.byteOffset ? offsets.Offset(lineNo, text, lineStart, lineStart + at, true) : 0);
      std::cout << Utf8Of(matched) << '\n';
    }
  }

  // The UTF-8 form of a match; the same few strings recur, so they are kept.
  const std::string& Utf8Of(std::string_view sjis) {
    auto found = utf8Of_.find(std::string(sjis));
    if (found != utf8Of_.end()) return found->second;
    if (utf8Of_.size() >= 4096) utf8Of_.clear();
    return utf8Of_.emplace(std::string(sjis), Cp932ToUtf8(sjis)).first->second;
  }

  const Options& o_;
  const bool showNames_;
  TAWKStrEx re_;
  std::optional<AsciiStrings> ascii_;  // the file searched is UTF-8 (see Utf8SearchStrings)
  std::vector<std::pair<std::size_t, std::size_t>> spans_;
  std::unordered_map<std::string, std::string> utf8Of_;
};

bool IsFolder(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The files under folder, in name order, folders first visited in place.
void Walk(const std::string& folder, std::vector<std::string>* out, bool* failed) {
  DIR* d = ::opendir(folder.c_str());
  if (!d) {
    std::cerr << "tamber-grep: " << folder << ": " << std::generic_category().message(errno) << '\n';
    *failed = true;
    return;
  }
  std::vector<std::string> names;
  while (const dirent* e = ::readdir(d)) {
    const std::string_view name = e->d_name;
    if (name != "." && name != "..") names.emplace_back(name);
  }
  ::closedir(d);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    const std::string path = folder.back() == '/' ? folder + name : folder + "/" + name;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      Walk(path, out, failed);
    } else if (S_ISREG(st.st_mode)) {
      out->push_back(path);
    }
  }
}

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
  bool failed = false;
  std::vector<std::string> files;
  bool showNames = o.files.size() > 1;
  if (o.recursive) {
    if (o.files.empty()) {
      // As grep: "." searched, the names given without "./".
      std::vector<std::string> found;
      Walk(".", &found, &failed);
      for (std::string& f : found) files.push_back(f.substr(2));
      showNames = true;
    }
    for (const std::string& f : o.files) {
      if (IsFolder(f)) {
        Walk(f, &files, &failed);
        showNames = true;
      } else {
        files.push_back(f);
      }
    }
  } else {
    for (const std::string& f : o.files) {
      if (IsFolder(f)) {
        std::cerr << "tamber-grep: " << f << ": Is a directory\n";
        failed = true;
      } else {
        files.push_back(f);
      }
    }
  }
  Grep grep(o, showNames);
  if (!grep.SetUp()) return 2;
  bool matched = false;
  for (const std::string& f : files) {
    const int r = grep.File(f);
    matched = matched || r == 0;
    failed = failed || r == 2;
  }
  std::cout.flush();
  if (failed) return 2;
  return matched ? 0 : 1;
}
