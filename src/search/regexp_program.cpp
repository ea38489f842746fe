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
// does. A byte that cannot trail always does; a byte that cannot lead ends a
// character whatever it is, so only the run of possible lead bytes (each of
// which can also trail) just before q needs counting.
bool StartsChar(const unsigned char* s, std::size_t from, std::size_t q) {
  if (!IsTrailByte(s[q])) return true;
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
// The epsilon closure of a set of NFA states (sorted), over the forward or
// the reverse epsilon edges. The marks are kept between calls, so a closure
// costs the states it reaches, not the size of the NFA.
class TREProgram::EpsilonClosure {
 public:
  std::vector<int> Of(const std::vector<NfaState>& nfa, std::vector<int> seed, bool reverse) {
    mark_.resize(nfa.size(), 0);
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
        for (const int y : reverse ? nfa[x].revEps : nfa[x].eps) {
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

 private:
  std::vector<unsigned> mark_;
  unsigned generation_ = 0;
};

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
    return closure_.Of(prog_.nfa_, std::move(seed), reverse_);
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
  EpsilonClosure closure_;
};

// The automaton the block searches run over raw bytes. A character state is
// a set of NFA states of the matches under way, where a match may start at
// every character: the entry's closure joins the set before each character
// is read, so the set at a position holds only matches that started before
// it. A marker (-1, first in the set) says the character just read was LF:
// the next character starts a line, so the matches under way stop there and
// "^" holds for the ones that start.
//
// The table has 256 columns. A lead byte goes to a pending state (the
// character state and the lead's block of trail classes) that the trail byte
// completes. An entry is the target's id * 256, plus 1 when the target
// accepts in some way (the caller's slow path looks at its flags), or
// kUnknown when not built yet. Full is thrown at kMaxDfaBytes.
class TREProgram::LineDfa {
 public:
  enum Flag : std::uint8_t {
    kEndsOld = 1,      // a match that started before this position ends here
    kAssertOld = 2,    // ... ends here when "$" holds
    kStartFinal = 4,   // an empty match starts (and ends) here
    kStartAssert = 8,  // ... when "$" holds
    kMarker = 16,      // the character before was LF: this position starts a line
  };
  struct Full {};

  explicit LineDfa(const TREProgram& prog) : prog_(prog) {
    startPlain_ = StartSet(false);
    startHead_ = StartSet(true);
    head_ = Intern({-1});
    plain_ = Intern({});
  }

  std::int32_t Start(bool head) const { return Encode(head ? head_ : plain_); }
  const std::int32_t* Table() const { return trans_.data(); }
  std::uint8_t Flags(std::int32_t e) const { return flags_[static_cast<std::size_t>(e) >> 8]; }
  bool Pending(std::int32_t e) const { return block_[static_cast<std::size_t>(e) >> 8] >= 0; }

  // The entry after byte b from e, building it on a miss.
  std::int32_t Next(std::int32_t e, unsigned char b) {
    const int id = e >> 8;
    std::int32_t& cell = trans_[static_cast<std::size_t>(id) * 256 + b];
    if (cell != kUnknown) return cell;
    int target;
    if (block_[id] >= 0) {
      // A lead byte before a byte that cannot trail it is a character of its
      // own; the table has no state for the position between the two, so
      // such text is searched line by line.
      if (!IsTrailByte(b)) throw Full{};
      target = CharStep(base_[id], prog_.blocks_[block_[id]][b]);
    } else if (IsLeadByte(b)) {
      target = PendingState(id, prog_.leadBlock_[b]);
    } else {
      target = CharStep(id, prog_.single_[b]);
    }
    trans_[static_cast<std::size_t>(id) * 256 + b] = Encode(target);
    return Encode(target);
  }

  // A lead byte that ends the block is a character of its own.
  std::int32_t FinishLead(std::int32_t e, unsigned char lead) {
    return Encode(CharStep(base_[e >> 8], prog_.single_[lead]));
  }

 private:
  struct StartInfo {
    std::vector<int> set;
    bool final = false;
    bool assert = false;
  };

  std::int32_t Encode(int id) const {
    const bool special = (flags_[id] & (kEndsOld | kAssertOld | kStartFinal | kStartAssert)) != 0;
    return static_cast<std::int32_t>(id) * 256 + (special ? 1 : 0);
  }

  StartInfo StartSet(bool head) {
    std::vector<int> seed{kEntry};
    if (head) seed.insert(seed.end(), prog_.headTargets_.begin(), prog_.headTargets_.end());
    StartInfo info;
    info.set = Closure(std::move(seed));
    Accepts(info.set, &info.final, &info.assert);
    return info;
  }

  void Accepts(const std::vector<int>& set, bool* final, bool* assert) const {
    *final = *assert = false;
    for (const int q : set) {
      if (q == kExit) *final = true;
      if (q >= 0 && std::binary_search(prog_.tailSources_.begin(), prog_.tailSources_.end(), q)) *assert = true;
    }
  }

  std::vector<int> Closure(std::vector<int> seed) {
    return closure_.Of(prog_.nfa_, std::move(seed), false);
  }

  int CharStep(int id, std::uint16_t c) {
    const std::vector<int>& from = sets_[id];
    const bool marker = !from.empty() && from[0] == -1;
    std::vector<int> next;
    auto move = [&](int q) {
      for (const Edge& e : prog_.nfa_[q].edges) {
        if (e.lo <= c && c <= e.hi) next.push_back(e.to);
      }
    };
    if (!marker) {
      for (const int q : from) move(q);
    }
    for (const int q : marker ? startHead_.set : startPlain_.set) move(q);
    std::vector<int> set = Closure(std::move(next));
    if (c == prog_.lfClass_) set.insert(set.begin(), -1);
    return Intern(std::move(set));
  }

  int PendingState(int id, std::uint16_t block) {
    const std::uint64_t key = static_cast<std::uint64_t>(id) << 16 | block;
    const auto found = pending_.find(key);
    if (found != pending_.end()) return found->second;
    const int p = NewState({}, 0);
    base_[p] = id;
    block_[p] = block;
    pending_.emplace(key, p);
    return p;
  }

  int Intern(std::vector<int> set) {
    const auto found = index_.find(set);
    if (found != index_.end()) return found->second;
    const bool marker = !set.empty() && set[0] == -1;
    bool final = false;
    bool assert = false;
    Accepts(set, &final, &assert);
    const StartInfo& start = marker ? startHead_ : startPlain_;
    const std::uint8_t flags = static_cast<std::uint8_t>((final ? kEndsOld : 0) | (assert ? kAssertOld : 0) |
                                                         (start.final ? kStartFinal : 0) |
                                                         (start.assert ? kStartAssert : 0) | (marker ? kMarker : 0));
    const int id = NewState(set, flags);
    index_.emplace(std::move(set), id);
    return id;
  }

  int NewState(const std::vector<int>& set, std::uint8_t flags) {
    bytes_ += 256 * sizeof(std::int32_t) + 2 * set.size() * sizeof(int) + 96;
    if (bytes_ > kMaxDfaBytes) throw Full{};
    const int id = static_cast<int>(sets_.size());
    sets_.push_back(set);
    flags_.push_back(flags);
    base_.push_back(-1);
    block_.push_back(-1);
    trans_.resize(trans_.size() + 256, kUnknown);
    return id;
  }

  const TREProgram& prog_;
  StartInfo startPlain_;
  StartInfo startHead_;
  int head_ = 0;
  int plain_ = 0;
  std::vector<std::vector<int>> sets_;
  std::unordered_map<std::vector<int>, int, SetHash> index_;
  std::unordered_map<std::uint64_t, int> pending_;
  std::vector<std::uint8_t> flags_;
  std::vector<int> base_;   // pending: the character state the lead byte left
  std::vector<int> block_;  // pending: the lead's block; -1 for a character state
  std::vector<std::int32_t> trans_;
  std::size_t bytes_ = 0;
  EpsilonClosure closure_;
};

TREProgram::TREProgram(std::string_view pattern, bool ignoreCase) : patternLength_(pattern.size()) {
  const TREParseTree tree = ParseRegExp(pattern, ignoreCase);
  RequiredLiteralList required = RequiredLiterals(tree);
  exactLiterals_ = required.exact;
  prefixLiterals_ = required.prefix;
  for (const std::string& lit : required.literals) {
    for (std::size_t i = 0; i < lit.size();) {
      const std::size_t len = CharLength(lit, i);
      const bool loneLead = len == 1 && IsLeadByte(lit[i]);
      const bool innerBreak = lit[i] == '\n' && i + 1 < lit.size();
      if (loneLead || innerBreak || (len == 2 && (lit[i + 1] == '\n' || lit[i + 1] == '\r'))) {
        exactLiterals_ = false;
      }
      i += len;
    }
  }
  literals_ = LiteralFinder(std::move(required.literals));
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

bool TREProgram::MatchesBreakChars() const {
  for (const NfaState& q : nfa_) {
    for (const Edge& e : q.edges) {
      if ((e.lo <= crClass_ && crClass_ <= e.hi) || (e.lo <= lfClass_ && lfClass_ <= e.hi)) return true;
    }
  }
  return false;
}

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
    if (IsLeadByte(b) && i + 1 < n && IsTrailByte(s[i + 1])) {
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

void TREProgram::BuildCanStart() {
  if (canStartBuilt_) return;
  // From either start state (at a line head or not), a first character that
  // does not kill the forward automaton; a lead byte counts if any trail does.
  Dfa& d = Forward();
  for (const bool head : {false, true}) {
    for (unsigned b = 0; b < 256; ++b) {
      if (canStart_[b]) continue;
      if (d.Step(d.Start(head), single_[b]) != kDead) canStart_[b] = true;
      if (!IsLeadByte(static_cast<unsigned char>(b))) continue;
      for (unsigned t = 0; t < 256 && !canStart_[b]; ++t) {
        if (d.Step(d.Start(head), blocks_[leadBlock_[b]][t]) != kDead) canStart_[b] = true;
      }
    }
  }
  canStartBuilt_ = true;
}

TREProgram::LineDfa& TREProgram::Lines() {
  if (!lines_) lines_ = std::make_unique<LineDfa>(*this);
  return *lines_;
}

namespace {

// The start of the line that holds byte x of s, given a line start lo <= x.
std::size_t LineStartOf(const unsigned char* s, std::size_t lo, std::size_t x) {
  std::size_t hi = x;
  while (hi > lo) {
    const void* lf = ::memrchr(s + lo, '\n', hi - lo);
    if (!lf) break;
    const std::size_t r = static_cast<std::size_t>(static_cast<const unsigned char*>(lf) - s);
    if (StartsChar(s, lo, r)) return r + 1;
    hi = r;  // the trail byte of a pair: look further back
  }
  return lo;
}

}  // namespace

long TREProgram::LongestInLine(const unsigned char* s, std::size_t k, std::size_t lineStart,
                               std::size_t lineEnd, int sepByte, long* budget) {
  Dfa& d = Forward();
  int st = d.Start(k == lineStart);
  long last = -1;
  for (std::size_t j = k;;) {
    if (d.Final(st) || (d.Assert(st) && (j == lineEnd || s[j] == sepByte))) last = static_cast<long>(j);
    if (j == lineEnd) break;
    if (--*budget < 0) return -2;
    const unsigned char b = s[j];
    std::uint16_t c;
    if (IsLeadByte(b) && j + 1 < lineEnd && IsTrailByte(s[j + 1])) {
      c = blocks_[leadBlock_[b]][s[j + 1]];
      j += 2;
    } else {
      c = single_[b];
      j += 1;
    }
    const std::int32_t t = d.Table()[static_cast<std::size_t>(st) * d.K() + c];
    st = t >= 0 ? t : d.Step(st, c);
    if (st == kDead) break;
  }
  return last;
}

std::size_t TREProgram::MatchingLinesByLine(std::string_view block, std::size_t from,
                                            TMatchCORE_LineSeparator sep,
                                            const std::function<bool(std::size_t, std::size_t)>& line,
                                            bool* stop) {
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  std::size_t count = 0;
  for (std::size_t start = from; start < n;) {
    const std::size_t end = LineEndAfter(s, n, start);
    const auto m = First(block.substr(start, end - start), sep);
    // A match at the very end of a line with a break would start on the next.
    const bool broken = s[end - 1] == '\n' && StartsChar(s, start, end - 1);
    if (m && (!broken || m->first < end - start)) {
      ++count;
      if (!line(start, end)) {
        *stop = true;
        break;
      }
    }
    start = end;
  }
  return count;
}

std::size_t TREProgram::ForEachMatchingLine(std::string_view block, TMatchCORE_LineSeparator sep,
                                            const std::function<bool(std::size_t, std::size_t)>& line) {
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  const int sepByte = sep == mcls_LF ? '\n' : '\r';
  std::size_t count = 0;
  std::size_t pos = 0;  // always a line start
  if (exactLiterals_) {
    for (std::size_t q = literals_.Find(block, 0); q != std::string_view::npos; q = literals_.Find(block, q + 1)) {
      if (q < pos || !StartsChar(s, pos, q)) continue;
      const std::size_t start = LineStartOf(s, pos, q);
      const std::size_t end = LineEndAfter(s, n, start);
      ++count;
      if (!line(start, end)) break;
      pos = end;
      if (pos >= n) break;
      q = pos - 1;
    }
    return count;
  }
  try {
    LineDfa& d = Lines();
    while (pos < n) {
      std::size_t from = pos;
      std::size_t limit = n;
      std::size_t scanFrom = from;  // where the automaton starts: a character start
      if (!literals_.Empty()) {
        std::size_t q = literals_.Find(block, pos);
        if (q == std::string_view::npos) break;
        from = LineStartOf(s, pos, q);
        limit = LineEndAfter(s, n, from);
        if (prefixLiterals_) {
          // Every match starts with one of the strings: none starts before
          // the first of them that starts a character, so the automaton
          // starts there, and a line without one is passed over.
          while (q < limit && !StartsChar(s, from, q)) q = literals_.Find(block, q + 1);
          if (q >= limit) {
            pos = limit;
            continue;
          }
          scanFrom = q;
        }
      }
      // Which line a match found at position j (state e) lies in: the one
      // holding j - 1 when it started before j, the one at j when it is an
      // empty match there; npos for none.
      auto lineOf = [&](std::int32_t e, std::size_t j) -> std::size_t {
        const std::uint8_t f = d.Flags(e);
        const bool marker = (f & LineDfa::kMarker) != 0;
        const bool sepNext = j == n || s[j] == sepByte;
        if ((f & LineDfa::kEndsOld) || ((f & LineDfa::kAssertOld) && (marker || sepNext))) return j - 1;
        if (((f & LineDfa::kStartFinal) || ((f & LineDfa::kStartAssert) && sepNext)) && !(marker && j == n)) {
          return j;
        }
        return std::string_view::npos;
      };
      std::int32_t e = d.Start(scanFrom == from);
      std::size_t at = (e & 1) ? lineOf(e, scanFrom) : std::string_view::npos;
      std::size_t i = scanFrom;
      const std::int32_t* table = d.Table();
      while (at == std::string_view::npos && i < limit) {
        // Hot loop: one table look-up per byte until a state that accepts.
        while (i < limit) {
          std::int32_t next = table[static_cast<std::size_t>(e & ~0xFF) + s[i]];
          if (next < 0) {
            next = d.Next(e, s[i]);
            table = d.Table();
          }
          e = next;
          ++i;
          if (e & 1) break;
        }
        if (i == n && d.Pending(e)) e = d.FinishLead(e, s[n - 1]);
        if (e & 1) at = lineOf(e, i);
      }
      if (at == std::string_view::npos) {
        pos = limit;
        continue;
      }
      const std::size_t start = LineStartOf(s, from, at);
      const std::size_t end = LineEndAfter(s, n, start);
      ++count;
      if (!line(start, end)) return count;
      pos = end;
    }
  } catch (const LineDfa::Full&) {
    lines_.reset();
    bool stop = false;
    count += MatchingLinesByLine(block, pos, sep, line, &stop);
  }
  return count;
}

std::size_t TREProgram::CountMatchingLines(std::string_view block, TMatchCORE_LineSeparator sep,
                                           std::size_t most) {
  if (most == 0) return 0;
  if (!exactLiterals_) {
    std::size_t count = 0;
    ForEachMatchingLine(block, sep, [&](std::size_t, std::size_t) { return ++count < most; });
    return count;
  }
  // A hit that starts a character is a match; its line ends at the next LF
  // (the hit is a character start, so the LF's place is judged from there).
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  std::size_t count = 0;
  std::size_t pos = 0;  // a line start
  for (std::size_t q = literals_.Find(block, 0); q != std::string_view::npos;) {
    if (!StartsChar(s, pos, q)) {
      q = literals_.Find(block, q + 1);
      continue;
    }
    if (++count == most) break;
    pos = LineEndAfter(s, n, q);
    q = literals_.Find(block, pos);
  }
  return count;
}

std::size_t TREProgram::ForEachInLines(std::string_view block, TMatchCORE_LineSeparator sep,
                                       const std::function<void(std::size_t, std::size_t)>& found) {
  const auto* s = reinterpret_cast<const unsigned char*>(block.data());
  const std::size_t n = block.size();
  const int sepByte = sep == mcls_LF ? '\n' : '\r';
  std::size_t count = 0;
  std::size_t pos = 0;        // where the next match may start: a character start
  std::size_t lineStart = 0;  // the start of the line holding pos
  // The matches of the line [ls, le) starting at or after from, the slow way.
  auto byLine = [&](std::size_t ls, std::size_t le, std::size_t from) {
    ForEach(block.substr(ls, le - ls), sep, [&](std::size_t a, std::size_t b) {
      if (ls + a < from) return;
      found(ls + a, ls + b);
      ++count;
    });
  };
  if (exactLiterals_) {
    // pos is a character start; a hit at another start is the leftmost
    // match, and the longest string there the longest.
    for (std::size_t q = literals_.Find(block, 0); q != std::string_view::npos; q = literals_.Find(block, q + 1)) {
      if (q < pos || !StartsChar(s, pos, q)) continue;
      const std::size_t len = literals_.LongestAt(block, q);
      found(q, q + len);
      ++count;
      pos = q + len;
      if (pos >= n) break;
      q = pos - 1;
    }
    return count;
  }
  if (prefixLiterals_) {
    // Matches start only where a literal occurs: try the forward automaton
    // at each such character start, in order; the first that matches is
    // the leftmost match.
    std::size_t ls = 0;
    std::size_t le = LineEndAfter(s, n, 0);
    for (std::size_t q = literals_.Find(block, 0); q != std::string_view::npos; q = literals_.Find(block, q + 1)) {
      if (q < pos) continue;
      if (q >= le) {
        ls = LineStartOf(s, le, q);
        le = LineEndAfter(s, n, ls);
        pos = std::max(pos, ls);
      }
      if (!StartsChar(s, pos, q)) continue;
      long budget = std::numeric_limits<long>::max();
      const long end = LongestInLine(s, q, ls, le, sepByte, &budget);
      if (end <= static_cast<long>(q)) continue;
      found(q, static_cast<std::size_t>(end));
      ++count;
      pos = static_cast<std::size_t>(end);
      if (pos >= n) break;
      q = pos - 1;
    }
    return count;
  }
  BuildCanStart();
  std::size_t cachedLine = std::string_view::npos;  // a line start and its end
  std::size_t cachedEnd = 0;
  auto lineEnd = [&](std::size_t ls) {
    if (ls != cachedLine) {
      cachedLine = ls;
      cachedEnd = LineEndAfter(s, n, ls);
    }
    return cachedEnd;
  };
  try {
    LineDfa& d = Lines();
    while (pos < n) {
      std::size_t from = pos;
      std::size_t fromLine = lineStart;
      std::size_t limit = n;
      if (!literals_.Empty()) {
        const std::size_t q = literals_.Find(block, pos);
        if (q == std::string_view::npos) break;
        const std::size_t ls = LineStartOf(s, pos, q);
        if (ls > pos) from = fromLine = ls;
        limit = lineEnd(fromLine);
      }
      // The earliest end of a non-empty match that starts at or after from.
      std::int32_t e = d.Start(from == fromLine);
      std::size_t i = from;
      bool hit = false;
      const std::int32_t* table = d.Table();
      while (!hit && i < limit) {
        while (i < limit) {  // hot loop, as in ForEachMatchingLine
          std::int32_t next = table[static_cast<std::size_t>(e & ~0xFF) + s[i]];
          if (next < 0) {
            next = d.Next(e, s[i]);
            table = d.Table();
          }
          e = next;
          ++i;
          if (e & 1) break;
        }
        if (i == n && d.Pending(e)) e = d.FinishLead(e, s[n - 1]);
        if (e & 1) {
          const std::uint8_t f = d.Flags(e);
          const bool marker = (f & LineDfa::kMarker) != 0;
          hit = (f & LineDfa::kEndsOld) ||
                ((f & LineDfa::kAssertOld) && (marker || i == n || s[i] == sepByte));
        }
      }
      if (!hit) {
        pos = lineStart = limit;
        continue;
      }
      // The match lies in the line holding i - 1; its leftmost start is the
      // first character from which the forward automaton finds one.
      const std::size_t ls = LineStartOf(s, fromLine, i - 1);
      const std::size_t le = (d.Flags(e) & LineDfa::kMarker) ? i : lineEnd(ls);
      const std::size_t first = std::max(from, ls);
      long budget = 4 * static_cast<long>(i - first) + 256;
      long end = -1;
      std::size_t k = first;
      for (; k < i; k += IsLeadByte(s[k]) && k + 1 < le && IsTrailByte(s[k + 1]) ? 2 : 1) {
        if (!canStart_[s[k]]) continue;
        end = LongestInLine(s, k, ls, le, sepByte, &budget);
        if (end == -2 || end > static_cast<long>(k)) break;
      }
      if (end == -2 || k >= i) {  // many hopeless starts: decode the line instead
        byLine(ls, le, first);
        pos = lineStart = le;
        continue;
      }
      found(k, static_cast<std::size_t>(end));
      ++count;
      pos = static_cast<std::size_t>(end);
      lineStart = pos == le ? le : ls;
    }
  } catch (const LineDfa::Full&) {
    lines_.reset();
    for (std::size_t ls = lineStart; ls < n;) {
      const std::size_t le = LineEndAfter(s, n, ls);
      byLine(ls, le, std::max(ls, pos));
      ls = le;
    }
  }
  return count;
}

}  // namespace tamber
