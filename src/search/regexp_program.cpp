#include "search/regexp_program.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <unordered_map>

#include "encoding/dbcs.h"
#include "search/regexp_error.h"

namespace tamber {

namespace {

constexpr int kEntry = 0;
constexpr int kExit = 1;
constexpr std::int32_t kUnknown = -1;  // transition not built yet
constexpr std::int32_t kDead = -2;     // no NFA state left

struct SetHash {
  std::size_t operator()(const std::vector<int>& v) const {
    std::size_t h = 1469598103934665603ull;
    for (const int x : v) h = (h ^ static_cast<std::size_t>(x)) * 1099511628211ull;
    return h;
  }
};

// Whether the byte at q of s starts a character, given that from (<= q)
// does. A byte that cannot lead ends a character whatever it is, so only the
// run of possible lead bytes just before q needs counting.
bool StartsChar(const unsigned char* s, std::size_t from, std::size_t q) {
  std::size_t k = q;
  while (k > from && IsLeadByte(s[k - 1])) --k;
  return (q - k) % 2 == 0;
}

// The end of the line that starts at start: just after the next LF that is a
// character of its own, or n.
std::size_t LineEndAfter(const unsigned char* s, std::size_t n, std::size_t start) {
  std::size_t from = start;
  while (from < n) {
    const void* lf = std::memchr(s + from, '\n', n - from);
    if (!lf) return n;
    const std::size_t q = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - s);
    if (StartsChar(s, start, q)) return q + 1;
    from = q + 1;
  }
  return n;
}

}  // namespace

// One lazily built DFA. A state is a sorted set of NFA states; flags say
// whether it accepts outright (final) and whether it accepts given the
// anchor assertion at the position (forward: "$" holds; reverse: "^" holds).
class TREProgram::Dfa {
 public:
  Dfa(const TREProgram& prog, bool reverse, int sepClass)
      : prog_(prog), reverse_(reverse), sepClass_(sepClass), k_(prog.bounds_.size() - 1) {}

  std::size_t K() const { return k_; }
  std::size_t Size() const { return sets_.size(); }
  const std::int32_t* Table() const { return trans_.data(); }
  bool Final(int s) const { return final_[s]; }
  bool Assert(int s) const { return assert_[s]; }

  int Start(bool lineHead) {
    int& slot = lineHead ? startHead_ : start_;
    if (slot == kUnknown) {
      std::vector<int> seed;
      if (reverse_) {
        seed.push_back(kExit);
        seed.insert(seed.end(), prog_.tailSources_.begin(), prog_.tailSources_.end());
      } else {
        seed.push_back(kEntry);
        if (lineHead) seed.insert(seed.end(), prog_.headTargets_.begin(), prog_.headTargets_.end());
      }
      slot = Intern(Closure(std::move(seed)));
    }
    return slot;
  }

  // The state after s on class c, building it if needed.
  int Step(int s, std::uint16_t c) {
    std::int32_t& cell = trans_[static_cast<std::size_t>(s) * k_ + c];
    if (cell != kUnknown) return cell;
    std::vector<int> next;
    for (const int q : sets_[s]) {
      const auto& edges = reverse_ ? prog_.nfa_[q].revEdges : prog_.nfa_[q].edges;
      for (const Edge& e : edges) {
        if (e.lo <= c && c <= e.hi) next.push_back(e.to);
      }
    }
    if (reverse_) {  // unanchored: a match may end before any character
      next.push_back(kExit);
      if (c == sepClass_) next.insert(next.end(), prog_.tailSources_.begin(), prog_.tailSources_.end());
    }
    const int target = next.empty() ? kDead : Intern(Closure(std::move(next)));
    // Intern may have grown trans_: index again.
    trans_[static_cast<std::size_t>(s) * k_ + c] = target;
    return target;
  }

 private:
  std::vector<int> Closure(std::vector<int> seed) {
    mark_.resize(prog_.nfa_.size(), 0);
    if (++generation_ == 0) {
      std::fill(mark_.begin(), mark_.end(), 0);
      generation_ = 1;
    }
    std::vector<int> out;
    std::vector<int> stack;
    for (const int q : seed) {
      if (mark_[q] == generation_) continue;
      mark_[q] = generation_;
      stack.push_back(q);
      while (!stack.empty()) {
        const int x = stack.back();
        stack.pop_back();
        out.push_back(x);
        for (const int y : reverse_ ? prog_.nfa_[x].revEps : prog_.nfa_[x].eps) {
          if (mark_[y] != generation_) {
            mark_[y] = generation_;
            stack.push_back(y);
          }
        }
      }
    }
    std::sort(out.begin(), out.end());
    return out;
  }

  int Intern(std::vector<int> set) {
    const auto found = index_.find(set);
    if (found != index_.end()) return found->second;
    bytes_ += k_ * sizeof(std::int32_t) + 2 * set.size() * sizeof(int) + 96;
    if (bytes_ > kMaxDfaBytes) {
      Clear();
      ThrowRegExpError(kReComplex, prog_.patternLength_ + 1);
    }
    const int id = static_cast<int>(sets_.size());
    bool accept = false;
    bool assert = false;
    for (const int q : set) {
      if (reverse_) {
        accept = accept || q == kEntry;
        assert = assert || std::binary_search(prog_.headTargets_.begin(), prog_.headTargets_.end(), q);
      } else {
        accept = accept || q == kExit;
        assert = assert || std::binary_search(prog_.tailSources_.begin(), prog_.tailSources_.end(), q);
      }
    }
    final_.push_back(accept);
    assert_.push_back(assert);
    trans_.resize(trans_.size() + k_, kUnknown);
    index_.emplace(set, id);
    sets_.push_back(std::move(set));
    return id;
  }

  void Clear() {
    sets_.clear();
    index_.clear();
    final_.clear();
    assert_.clear();
    trans_.clear();
    trans_.shrink_to_fit();
    bytes_ = 0;
    start_ = startHead_ = kUnknown;
  }

  const TREProgram& prog_;
  const bool reverse_;
  const int sepClass_;
  const std::size_t k_;
  std::vector<std::vector<int>> sets_;
  std::unordered_map<std::vector<int>, int, SetHash> index_;
  std::vector<std::uint8_t> final_;  // bytes, not vector<bool>: read on every step
  std::vector<std::uint8_t> assert_;
  std::vector<std::int32_t> trans_;
  std::size_t bytes_ = 0;
  int start_ = kUnknown;
  int startHead_ = kUnknown;
  std::vector<unsigned> mark_;
  unsigned generation_ = 0;
};

TREProgram::TREProgram(std::string_view pattern, bool ignoreCase) : patternLength_(pattern.size()) {
  const TREParseTree tree = ParseRegExp(pattern, ignoreCase);
  BuildAlphabet(tree);
  NewState();  // entry
  NewState();  // exit
  Generate(tree, tree.root, kEntry, kExit);
  std::sort(headTargets_.begin(), headTargets_.end());
  std::sort(tailSources_.begin(), tailSources_.end());
  for (int q = 0; q < static_cast<int>(nfa_.size()); ++q) {
    for (const int t : nfa_[q].eps) nfa_[t].revEps.push_back(q);
    for (const Edge& e : nfa_[q].edges) nfa_[e.to].revEdges.push_back({e.lo, e.hi, q});
  }
}

TREProgram::~TREProgram() = default;

std::size_t TREProgram::DfaStateCount() const {
  std::size_t n = forward_ ? forward_->Size() : 0;
  for (const auto& r : reverse_) n += r ? r->Size() : 0;
  return n;
}

void TREProgram::BuildAlphabet(const TREParseTree& tree) {
  // CR and LF get classes of their own (separators, the "^" test), and so do
  // "^" and "$", which become literals where they are not anchors.
  std::vector<std::uint32_t> b{0, 0x0A, 0x0B, 0x0D, 0x0E, '^', '^' + 1, '$', '$' + 1, 0x10000};
  for (const TRENode& n : tree.nodes) {
    for (const CodeRange& r : n.ranges) {
      b.push_back(r.lo);
      b.push_back(r.hi + 1u);
    }
  }
  std::sort(b.begin(), b.end());
  b.erase(std::unique(b.begin(), b.end()), b.end());
  bounds_ = std::move(b);
  crClass_ = ClassOf(0x0D);
  lfClass_ = ClassOf(0x0A);
  for (unsigned byte = 0; byte < 256; ++byte) single_[byte] = ClassOf(byte);
  // Most lead bytes share one block (every trail in one class): keep one copy.
  for (unsigned lead = 0; lead < 256; ++lead) {
    if (!IsLeadByte(static_cast<unsigned char>(lead))) continue;
    std::array<std::uint16_t, 256> block;
    for (unsigned t = 0; t < 256; ++t) block[t] = ClassOf(lead << 8 | t);
    auto same = std::find(blocks_.begin(), blocks_.end(), block);
    leadBlock_[lead] = static_cast<std::uint16_t>(same - blocks_.begin());
    if (same == blocks_.end()) blocks_.push_back(block);
  }
}

std::uint16_t TREProgram::ClassOf(std::uint32_t code) const {
  const auto it = std::upper_bound(bounds_.begin(), bounds_.end(), code);
  return static_cast<std::uint16_t>(it - bounds_.begin() - 1);
}

int TREProgram::NewState() {
  if (nfa_.size() >= kMaxNfaStates) ThrowRegExpError(kReTooLarge, patternLength_ + 1);
  nfa_.emplace_back();
  return static_cast<int>(nfa_.size() - 1);
}

void TREProgram::AddEps(int a, int b) { nfa_[a].eps.push_back(b); }

void TREProgram::AddRangeEdges(const std::vector<CodeRange>& ranges, int a, int b) {
  for (const CodeRange& r : ranges) nfa_[a].edges.push_back({ClassOf(r.lo), ClassOf(r.hi), b});
}

// The NFA of node from state a to state b. "^" is an anchor only when a is the
// entry and "$" only when b is the exit; elsewhere they are literal.
void TREProgram::Generate(const TREParseTree& tree, int node, int a, int b) {
  const TRENode& n = tree.nodes[node];
  switch (n.op) {
    case opRange: AddRangeEdges(n.ranges, a, b); return;
    case opLineHead:
      if (a == kEntry) {
        headAnchored_ = true;
        headTargets_.push_back(b);
      } else {
        AddRangeEdges({{'^', '^'}}, a, b);
      }
      return;
    case opLineTail:
      if (b == kExit) {
        tailAnchored_ = true;
        tailSources_.push_back(a);
      } else {
        AddRangeEdges({{'$', '$'}}, a, b);
      }
      return;
    case opConcat: {
      int from = a;
      for (std::size_t i = 0; i < n.kids.size(); ++i) {
        const int to = i + 1 == n.kids.size() ? b : NewState();
        Generate(tree, n.kids[i], from, to);
        from = to;
      }
      return;
    }
    case opUnion:
      for (const int k : n.kids) Generate(tree, k, a, b);
      return;
    case opStar: {
      const int c = NewState();
      const int e = NewState();
      AddEps(a, c);
      Generate(tree, n.kids[0], c, e);
      AddEps(e, c);
      AddEps(c, b);
      return;
    }
    case opPlus: {
      if (tree.hasLineHead[n.kids[0]]) {
        // x+ is x x*: the first x may start at the entry and keep a "^" anchor.
        const int m = NewState();
        Generate(tree, n.kids[0], a, m);
        const int c = NewState();
        const int e = NewState();
        AddEps(m, c);
        Generate(tree, n.kids[0], c, e);
        AddEps(e, c);
        AddEps(c, b);
        return;
      }
      // Otherwise one copy of x in a loop: nested "+" stays linear.
      const int c = NewState();
      const int e = NewState();
      AddEps(a, c);
      Generate(tree, n.kids[0], c, e);
      AddEps(e, c);
      AddEps(e, b);
      return;
    }
    case opEmpty: AddEps(a, b); return;
  }
}

void TREProgram::Decode(std::string_view text) {
  if (text.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("text too long to search");
  }
  cls_.clear();
  pos_.clear();
  cls_.reserve(text.size());
  pos_.reserve(text.size() + 1);
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  std::size_t i = 0;
  while (i < n) {
    pos_.push_back(static_cast<std::uint32_t>(i));
    const unsigned char b = s[i];
    if (IsLeadByte(b) && i + 1 < n) {
      cls_.push_back(blocks_[leadBlock_[b]][s[i + 1]]);
      i += 2;
    } else {
      cls_.push_back(single_[b]);
      ++i;
    }
  }
  pos_.push_back(static_cast<std::uint32_t>(n));
}

TREProgram::Dfa& TREProgram::Forward() {
  if (!forward_) forward_ = std::make_unique<Dfa>(*this, false, -1);
  return *forward_;
}

TREProgram::Dfa& TREProgram::Reverse(TMatchCORE_LineSeparator sep) {
  // Without a "$" anchor the separator changes nothing: share one DFA.
  const int slot = tailAnchored_ && sep == mcls_LF ? 1 : 0;
  if (!reverse_[slot]) {
    reverse_[slot] = std::make_unique<Dfa>(*this, true, sep == mcls_LF ? lfClass_ : crClass_);
  }
  return *reverse_[slot];
}

long TREProgram::MarkStarts(TMatchCORE_LineSeparator sep) {
  Dfa& d = Reverse(sep);
  const std::size_t n = cls_.size();
  valid_.assign(n + 1, 0);
  long leftmost = -1;
  // Hot loop: one table look-up per character, building states only on a miss.
  int s = d.Start(false);
  for (std::size_t k = n + 1; k-- > 0;) {
    if (k < n) {
      const std::int32_t t = d.Table()[static_cast<std::size_t>(s) * d.K() + cls_[k]];
      s = t >= 0 ? t : d.Step(s, cls_[k]);
    }
    if (d.Final(s) || (d.Assert(s) && (k == 0 || cls_[k - 1] == lfClass_))) {
      valid_[k] = 1;
      leftmost = static_cast<long>(k);
    }
  }
  return leftmost;
}

long TREProgram::LongestFrom(std::size_t k, TMatchCORE_LineSeparator sep) {
  Dfa& d = Forward();
  const std::size_t n = cls_.size();
  const std::uint16_t sepClass = sep == mcls_LF ? lfClass_ : crClass_;
  int s = d.Start(k == 0 || cls_[k - 1] == lfClass_);
  long last = -1;
  for (std::size_t j = k;; ++j) {
    if (d.Final(s) || (d.Assert(s) && (j == n || cls_[j] == sepClass))) last = static_cast<long>(j);
    if (j == n) break;
    const std::int32_t t = d.Table()[static_cast<std::size_t>(s) * d.K() + cls_[j]];
    s = t >= 0 ? t : d.Step(s, cls_[j]);
    if (s == kDead) break;
  }
  return last;
}

std::optional<std::pair<std::size_t, std::size_t>> TREProgram::First(std::string_view text,
                                                                     TMatchCORE_LineSeparator sep) {
  Decode(text);
  for (long k = MarkStarts(sep); k >= 0 && k <= static_cast<long>(cls_.size()); ++k) {
    if (!valid_[k]) continue;
    const long end = LongestFrom(static_cast<std::size_t>(k), sep);
    if (end >= 0) return std::make_pair(std::size_t{pos_[k]}, std::size_t{pos_[end]});
  }
  return std::nullopt;
}

std::size_t TREProgram::ForEach(std::string_view subject, TMatchCORE_LineSeparator sep,
                                const std::function<void(std::size_t, std::size_t)>& found) {
  Decode(subject);
  const std::size_t n = cls_.size();
  if (MarkStarts(sep) < 0) return 0;
  std::size_t count = 0;
  std::size_t k = 0;
  while (k < n) {  // a match can only be non-empty while characters are left
    if (!valid_[k]) {
      ++k;
      continue;
    }
    const long end = LongestFrom(k, sep);
    if (end > static_cast<long>(k)) {
      found(pos_[k], pos_[end]);
      ++count;
      k = static_cast<std::size_t>(end);
    } else {
      ++k;
    }
  }
  return count;
}

std::size_t TREProgram::ForEachMatchingLine(
    std::string_view block, TMatchCORE_LineSeparator sep,
    const std::function<bool(std::size_t, std::size_t)>& line) {
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  std::size_t count = 0;
  for (std::size_t start = 0; start < n;) {
    const std::size_t end = LineEndAfter(s, n, start);
    const auto m = First(block.substr(start, end - start), sep);
    // A match at the very end of a line with a break would start on the next.
    const bool broken = s[end - 1] == '\n' && StartsChar(s, start, end - 1);
    if (m && (!broken || m->first < end - start)) {
      ++count;
      if (!line(start, end)) break;
    }
    start = end;
  }
  return count;
}

std::size_t TREProgram::ForEachInLines(std::string_view block, TMatchCORE_LineSeparator sep,
                                       const std::function<void(std::size_t, std::size_t)>& found) {
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  std::size_t count = 0;
  for (std::size_t start = 0; start < n;) {
    const std::size_t end = LineEndAfter(s, n, start);
    count += ForEach(block.substr(start, end - start), sep,
                     [&](std::size_t a, std::size_t b) { found(start + a, start + b); });
    start = end;
  }
  return count;
}

}  // namespace tamber
