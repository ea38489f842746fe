#include "search/required_literal.h"

#include <algorithm>
#include <cstring>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
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

LiteralFinder::LiteralFinder(std::vector<std::string> literals) : literals_(std::move(literals)) {
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
    const void* hit = ::memmem(base + from, n - from, lit.data(), lit.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - base) : std::string_view::npos;
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
