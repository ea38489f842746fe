#include "search/required_literal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace tamber {

namespace {

// What a node tells about its matches: exactly the strings of set (exact), or
// that each match contains one of them (!exact); unknown when neither holds.
struct Info {
  bool known = false;
  bool exact = false;
  std::vector<std::string> set;
};

Info Unknown() { return {}; }

std::string CodeBytes(unsigned code) {
  std::string s;
  if (code > 0xFF) s += static_cast<char>(code >> 8);
  s += static_cast<char>(code & 0xFF);
  return s;
}

bool HasEmpty(const std::vector<std::string>& set) {
  return std::any_of(set.begin(), set.end(), [](const std::string& s) { return s.empty(); });
}

void Dedupe(std::vector<std::string>* set) {
  std::sort(set->begin(), set->end());
  set->erase(std::unique(set->begin(), set->end()), set->end());
}

// Higher is better: long strings mean few false hits, and the scan costs a
// compare per distinct leading pair of bytes.
long Score(const std::vector<std::string>& set) {
  if (set.empty() || HasEmpty(set)) return -1000000;
  std::size_t shortest = set[0].size();
  std::vector<std::string> leads;
  for (const std::string& s : set) {
    shortest = std::min(shortest, s.size());
    leads.push_back(s.substr(0, 2));
  }
  Dedupe(&leads);
  return static_cast<long>(std::min<std::size_t>(shortest, 8)) * 8 - static_cast<long>(leads.size());
}

// A required list (inexact) made from info, or nothing when it says nothing.
std::optional<std::vector<std::string>> Required(const Info& info) {
  if (!info.known || info.set.empty() || HasEmpty(info.set)) return std::nullopt;
  return info.set;
}

Info Analyse(const TREParseTree& tree, int node) {
  const TRENode& n = tree.nodes[node];
  switch (n.op) {
    case opRange: {
      std::size_t count = 0;
      for (const CodeRange& r : n.ranges) count += r.hi - r.lo + 1u;
      if (count == 0 || count > kMaxRequiredLiterals) return Unknown();
      Info info{true, true, {}};
      for (const CodeRange& r : n.ranges) {
        for (unsigned c = r.lo; c <= r.hi; ++c) info.set.push_back(CodeBytes(c));
      }
      return info;
    }
    case opEmpty: return {true, true, {std::string()}};
    case opLineHead:
    case opLineTail:
    case opStar: return Unknown();  // anchors are a literal "^"/"$" in some places
    case opPlus: {
      Info info = Analyse(tree, n.kids[0]);
      info.exact = false;
      if (!Required(info)) return Unknown();
      return info;
    }
    case opUnion: {
      std::vector<Info> kids;
      bool allExact = true;
      std::size_t total = 0;
      for (const int k : n.kids) {
        kids.push_back(Analyse(tree, k));
        allExact = allExact && kids.back().known && kids.back().exact;
        total += kids.back().set.size();
      }
      if (total > kMaxRequiredLiterals) return Unknown();
      Info out{true, allExact, {}};
      for (const Info& k : kids) {
        if (!allExact && !Required(k)) return Unknown();
        out.set.insert(out.set.end(), k.set.begin(), k.set.end());
      }
      Dedupe(&out.set);
      return out;
    }
    case opConcat: {
      // A run of exact kids multiplies out while the product stays small;
      // the best list among the runs and the other kids is required.
      std::vector<std::string> run{std::string()};
      bool allExact = true;
      std::optional<std::vector<std::string>> best;
      auto consider = [&best](const std::vector<std::string>& set) {
        if (!best || Score(set) > Score(*best)) best = set;
      };
      for (const int k : n.kids) {
        const Info kid = Analyse(tree, k);
        // A long run is enough: cut it there (its strings are still required),
        // which keeps a pattern of many plain characters linear.
        if (run[0].size() >= kLongEnoughLiteral) {
          consider(run);
          run.assign(1, std::string());
          allExact = false;
        }
        if (kid.known && kid.exact && run.size() * kid.set.size() <= kMaxRequiredLiterals) {
          std::vector<std::string> product;
          for (const std::string& a : run) {
            for (const std::string& b : kid.set) product.push_back(a + b);
          }
          Dedupe(&product);
          run = std::move(product);
          continue;
        }
        allExact = false;
        consider(run);
        run.assign(1, std::string());
        if (kid.known && kid.exact) {
          run = kid.set;  // too big to multiply: it starts the next run
        } else if (const auto req = Required(kid)) {
          consider(*req);
        }
      }
      if (allExact) return {true, true, run};
      consider(run);
      if (!best || Score(*best) < 0) return Unknown();
      return {true, false, *best};
    }
  }
  return Unknown();
}

// The strings every match of node starts with; nothing when unknown. (A
// string may stop early: "ab" for abc.)
std::optional<std::vector<std::string>> Prefixes(const TREParseTree& tree, int node) {
  const TRENode& n = tree.nodes[node];
  switch (n.op) {
    case opRange: {
      const Info info = Analyse(tree, node);
      if (!info.known) return std::nullopt;
      return info.set;
    }
    case opPlus: return Prefixes(tree, n.kids[0]);
    case opUnion: {
      std::vector<std::string> out;
      for (const int k : n.kids) {
        const auto p = Prefixes(tree, k);
        if (!p || HasEmpty(*p)) return std::nullopt;
        out.insert(out.end(), p->begin(), p->end());
        if (out.size() > kMaxRequiredLiterals) return std::nullopt;
      }
      Dedupe(&out);
      return out;
    }
    case opConcat: {
      std::vector<std::string> run{std::string()};
      for (const int k : n.kids) {
        const Info kid = Analyse(tree, k);
        std::vector<std::string> next;
        const bool exact = kid.known && kid.exact;
        std::optional<std::vector<std::string>> tail;
        if (!exact) tail = Prefixes(tree, k);
        const std::vector<std::string>* add = exact ? &kid.set : tail ? &*tail : nullptr;
        if (!add || run.size() * add->size() > kMaxRequiredLiterals || run[0].size() >= kLongEnoughLiteral) break;
        for (const std::string& a : run) {
          for (const std::string& b : *add) next.push_back(a + b);
        }
        Dedupe(&next);
        run = std::move(next);
        if (!exact) break;  // what follows a prefix is not known
      }
      if (HasEmpty(run)) return std::nullopt;
      return run;
    }
    default: return std::nullopt;  // anchors, "*", the empty node
  }
}

}  // namespace

RequiredLiteralList RequiredLiterals(const TREParseTree& tree) {
  if (tree.root < 0) return {};
  Info info = Analyse(tree, tree.root);
  if (!info.known || info.set.empty() || HasEmpty(info.set)) return {};
  Dedupe(&info.set);
  if (info.exact) return {std::move(info.set), true, true};
  // A list that every match starts with lets a search try the hits alone,
  // unless a required list elsewhere is much rarer.
  if (auto p = Prefixes(tree, tree.root); p && Score(*p) >= 0 && Score(*p) >= Score(info.set)) {
    return {std::move(*p), false, true};
  }
  if (Score(info.set) < 0) return {};
  return {std::move(info.set), false, false};
}

namespace {

// How often a byte turns up in Japanese text in Shift-JIS mixed with ASCII,
// roughly, on a scale where higher is more often: the lead bytes of kana and
// punctuation and the common letters are frequent, trail bytes middling,
// control characters and the lead bytes of rare rows scarce.
int ByteFrequency(unsigned char b) {
  if (b == ' ') return 100;
  if (b == '\n' || b == '\r') return 40;
  if (b == '\t') return 30;
  if (b < 0x20 || b == 0x7F) return 0;
  int f = 0;
  if (b < 0x80) {
    if (std::strchr("etaoinsrhl", b)) {
      f = 60;
    } else if (b >= 'a' && b <= 'z') {
      f = 30;
    } else if (b >= '0' && b <= '9') {
      f = 30;
    } else if (b >= 'A' && b <= 'Z') {
      f = 15;
    } else {
      f = 12;  // punctuation
    }
  } else if (b >= 0x81 && b <= 0x83) {
    f = 90;  // punctuation, hiragana, katakana
  } else if (b >= 0x88 && b <= 0x98) {
    f = 25;  // level-1 kanji
  } else if ((b >= 0x99 && b <= 0x9F) || (b >= 0xE0 && b <= 0xEA)) {
    f = 10;  // level-2 kanji
  } else if (b >= 0xA1 && b <= 0xDF) {
    f = 15;  // half-width kana
  } else {
    f = 3;
  }
  if (b >= 0x40 && b <= 0xFC && b != 0x7F) f += 10;  // as a trail byte
  return f;
}

// The first len bytes at p are those of lit.
inline bool SameBytes(const unsigned char* p, const std::string& lit) {
  return std::memcmp(p, lit.data(), lit.size()) == 0;
}

// The first start >= from of lit in s[0, n), comparing the bytes at offsets
// o1 < o2 first (b1, b2), else npos. The vector loops stop where a load would
// run past n; the bytes after are tried one by one.
std::size_t PairScanTail(const unsigned char* s, std::size_t n, std::size_t i, const std::string& lit,
                         std::size_t o1, std::size_t o2) {
  const auto b1 = static_cast<unsigned char>(lit[o1]);
  const auto b2 = static_cast<unsigned char>(lit[o2]);
  for (; i + lit.size() <= n; ++i) {
    if (s[i + o1] == b1 && s[i + o2] == b2 && SameBytes(s + i, lit)) return i;
  }
  return std::string_view::npos;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) std::size_t PairScanAvx2(const unsigned char* s, std::size_t n, std::size_t from,
                                                         const std::string& lit, std::size_t o1, std::size_t o2) {
  const __m256i v1 = _mm256_set1_epi8(static_cast<char>(lit[o1]));
  const __m256i v2 = _mm256_set1_epi8(static_cast<char>(lit[o2]));
  const std::size_t m = lit.size();
  std::size_t i = from;
  auto check = [&](std::uint64_t mask, std::size_t base) -> std::size_t {
    while (mask != 0) {
      const std::size_t at = base + static_cast<std::size_t>(__builtin_ctzll(mask));
      if (at + m <= n && SameBytes(s + at, lit)) return at;
      mask &= mask - 1;
    }
    return std::string_view::npos;
  };
  // Hot loop: 64 positions a step, four loads and one test when none fits.
  while (i + o2 + 64 <= n) {
    const auto* p = reinterpret_cast<const __m256i*>(s + i + o1);
    const auto* q = reinterpret_cast<const __m256i*>(s + i + o2);
    const __m256i e0 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(p), v1),
                                        _mm256_cmpeq_epi8(_mm256_loadu_si256(q), v2));
    const __m256i e1 = _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_loadu_si256(p + 1), v1),
                                        _mm256_cmpeq_epi8(_mm256_loadu_si256(q + 1), v2));
    if (!_mm256_testz_si256(_mm256_or_si256(e0, e1), _mm256_or_si256(e0, e1))) {
      const std::uint64_t mask = static_cast<std::uint32_t>(_mm256_movemask_epi8(e0)) |
                                 static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(e1))) << 32;
      if (const std::size_t at = check(mask, i); at != std::string_view::npos) return at;
    }
    i += 64;
  }
  while (i + o2 + 32 <= n) {
    const __m256i e = _mm256_and_si256(
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + o1)), v1),
        _mm256_cmpeq_epi8(_mm256_loadu_si256(reinterpret_cast<const __m256i*>(s + i + o2)), v2));
    if (const std::size_t at = check(static_cast<std::uint32_t>(_mm256_movemask_epi8(e)), i);
        at != std::string_view::npos) {
      return at;
    }
    i += 32;
  }
  return PairScanTail(s, n, i, lit, o1, o2);
}
#endif

bool HasAvx2() {
#if defined(__x86_64__)
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
#else
  return false;
#endif
}

bool wideScan = HasAvx2();

std::size_t PairScan(const unsigned char* s, std::size_t n, std::size_t from, const std::string& lit,
                     std::size_t o1, std::size_t o2) {
#if defined(__x86_64__)
  if (wideScan) return PairScanAvx2(s, n, from, lit, o1, o2);
#endif
  std::size_t i = from;
#if defined(__SSE2__)
  const __m128i v1 = _mm_set1_epi8(static_cast<char>(lit[o1]));
  const __m128i v2 = _mm_set1_epi8(static_cast<char>(lit[o2]));
  while (i + o2 + 16 <= n) {
    const __m128i e = _mm_and_si128(
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + o1)), v1),
        _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i + o2)), v2));
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(e));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (at + lit.size() <= n && SameBytes(s + at, lit)) return at;
      mask &= mask - 1;
    }
    i += 16;
  }
#endif
  return PairScanTail(s, n, i, lit, o1, o2);
}

}  // namespace

bool WideLiteralScan() { return wideScan; }
void SetWideLiteralScan(bool on) { wideScan = on && HasAvx2(); }

LiteralFinder::LiteralFinder(std::vector<std::string> literals) : literals_(std::move(literals)) {
  if (literals_.size() == 1 && literals_[0].size() >= 2) {
    // The two rarest bytes; of bytes equally rare the earlier one.
    const std::string& s = literals_[0];
    std::vector<std::size_t> order(s.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
      return ByteFrequency(static_cast<unsigned char>(s[a])) < ByteFrequency(static_cast<unsigned char>(s[b]));
    });
    pairFirst_ = std::min(order[0], order[1]);
    pairSecond_ = std::max(order[0], order[1]);
  }
  for (std::size_t i = 0; i < literals_.size(); ++i) {
    const std::string& s = literals_[i];
    const unsigned char first = static_cast<unsigned char>(s[0]);
    const int second = s.size() > 1 ? static_cast<unsigned char>(s[1]) : -1;
    auto known = std::find_if(leads_.begin(), leads_.end(),
                              [&](const Lead& l) { return l.first == first && l.second == second; });
    if (known == leads_.end()) known = leads_.insert(leads_.end(), Lead{first, second, {}});
    known->strings.push_back(i);
  }
}

std::size_t LiteralFinder::LongestAt(std::string_view text, std::size_t at) const {
  std::size_t best = 0;
  const auto b0 = static_cast<unsigned char>(text[at]);
  const int b1 = at + 1 < text.size() ? static_cast<unsigned char>(text[at + 1]) : -2;
  for (const Lead& l : leads_) {
    if (l.first != b0 || (l.second >= 0 && l.second != b1)) continue;
    for (const std::size_t k : l.strings) {
      const std::string& s = literals_[k];
      if (s.size() > best && text.substr(at, s.size()) == s) best = s.size();
    }
  }
  return best;
}

std::size_t LiteralFinder::Find(std::string_view text, std::size_t from) const {
  if (literals_.empty() || from >= text.size()) return std::string_view::npos;
  const char* base = text.data();
  const std::size_t n = text.size();
  if (literals_.size() == 1) {
    const std::string& lit = literals_[0];
    if (lit.size() == 1) {
      const void* hit = std::memchr(base + from, lit[0], n - from);
      return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : std::string_view::npos;
    }
    return PairScan(reinterpret_cast<const unsigned char*>(base), n, from, lit, pairFirst_, pairSecond_);
  }
  auto matchesAt = [&](std::size_t i) {
    for (const Lead& l : leads_) {
      if (static_cast<unsigned char>(base[i]) != l.first) continue;
      if (l.second >= 0 && (i + 1 >= n || static_cast<unsigned char>(base[i + 1]) != l.second)) continue;
      for (const std::size_t k : l.strings) {
        const std::string& s = literals_[k];
        if (s.size() <= n - i && std::memcmp(base + i, s.data(), s.size()) == 0) return true;
      }
    }
    return false;
  };
  std::size_t i = from;
#if defined(__SSE2__)
  // Hot loop: two loads and two compares a lead pair per 16 positions.
  while (i + 17 <= n) {
    const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i));
    const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + i + 1));
    __m128i any = _mm_setzero_si128();
    for (const Lead& l : leads_) {
      __m128i eq = _mm_cmpeq_epi8(v0, _mm_set1_epi8(static_cast<char>(l.first)));
      if (l.second >= 0) eq = _mm_and_si128(eq, _mm_cmpeq_epi8(v1, _mm_set1_epi8(static_cast<char>(l.second))));
      any = _mm_or_si128(any, eq);
    }
    unsigned mask = static_cast<unsigned>(_mm_movemask_epi8(any));
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      if (matchesAt(at)) return at;
      mask &= mask - 1;
    }
    i += 16;
  }
#endif
  for (; i < n; ++i) {
    if (matchesAt(i)) return i;
  }
  return std::string_view::npos;
}

}  // namespace tamber
