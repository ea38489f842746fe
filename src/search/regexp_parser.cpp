#include "search/regexp_parser.h"

#include "search/regexp_error.h"
#include "search/regexp_scanner.h"

namespace tamber {
namespace {

class Parser {
 public:
  Parser(std::string_view pattern, bool ignoreCase)
      : tokens_(ScanRegExp(pattern)), ignoreCase_(ignoreCase) {}

  TREParseTree Run() {
    tree_.root = Expression();
    if (Cur().kind != rxEnd) Fail(kReExtraText);
    tree_.hasLineHead.assign(tree_.nodes.size(), false);
    // Children are always created before their parents.
    for (std::size_t n = 0; n < tree_.nodes.size(); ++n) {
      bool head = tree_.nodes[n].op == opLineHead;
      for (const int k : tree_.nodes[n].kids) head = head || tree_.hasLineHead[k];
      tree_.hasLineHead[n] = head;
    }
    return std::move(tree_);
  }

 private:
  const TRxToken& Cur() const { return tokens_[pos_]; }
  void Advance() {
    if (Cur().kind != rxEnd) ++pos_;
  }
  // The scanner stood just past the token it had read ahead.
  [[noreturn]] void Fail(const char* message) const {
    ThrowRegExpError(message, Cur().start + Cur().length + 1);
  }

  int Add(TRENode node) {
    tree_.nodes.push_back(std::move(node));
    return static_cast<int>(tree_.nodes.size() - 1);
  }
  int Leaf(std::vector<CodeRange> ranges) {
    if (ignoreCase_) ranges = CaseClosure(ranges);
    return Add({opRange, NormalizeRanges(std::move(ranges)), {}});
  }
  int Nary(TREOp op, std::vector<int> kids) {
    if (kids.size() == 1) return kids[0];
    return Add({op, {}, std::move(kids)});
  }

  // expression := term { "|" term }
  int Expression() {
    std::vector<int> alts{Term()};
    while (Cur().kind == rxUnion) {
      Advance();
      alts.push_back(Term());
    }
    return Nary(opUnion, std::move(alts));
  }

  // term := empty | factor { factor }
  int Term() {
    std::vector<int> parts;
    while (Cur().kind != rxUnion && Cur().kind != rxRParen && Cur().kind != rxEnd) {
      parts.push_back(Factor());
    }
    if (parts.empty()) return Add({opEmpty, {}, {}});
    return Nary(opConcat, std::move(parts));
  }

  // factor := primary [ "*" | "+" | "?" ]
  int Factor() {
    const int p = Primary();
    switch (Cur().kind) {
      case rxStar: Advance(); return Add({opStar, {}, {p}});
      case rxPlus: Advance(); return Add({opPlus, {}, {p}});
      case rxOptional: {
        Advance();
        const int empty = Add({opEmpty, {}, {}});
        return Add({opUnion, {}, {p, empty}});
      }
      default: return p;
    }
  }

  int Primary() {
    const TRxToken t = Cur();
    switch (t.kind) {
      case rxChar:
        Advance();
        return Leaf({{t.code, t.code}});
      case rxLParen: {
        if (++depth_ > kMaxNestingDepth) ThrowRegExpError(kReTooDeep, t.start + 1);
        Advance();
        const int e = Expression();
        if (Cur().kind != rxRParen) Fail(kReNoRParen);
        Advance();
        --depth_;
        return e;
      }
      case rxClass:
      case rxNegClass: return Class(t.kind == rxNegClass);
      case rxDot:
        Advance();
        return Add({opRange, DotRanges(), {}});
      case rxLineHead: Advance(); return Add({opLineHead, {}, {}});
      case rxLineTail: Advance(); return Add({opLineTail, {}, {}});
      default: Fail(kReNeedPrimary);
    }
  }

  // class := "[" item { item } "]"; the scanner yields only items and the end here.
  int Class(bool negated) {
    Advance();
    std::vector<CodeRange> items;
    while (Cur().kind == rxChar || Cur().kind == rxRange) {
      items.push_back({Cur().code, Cur().code2});
      Advance();
    }
    if (items.empty()) Fail(kReEmptyClass);
    Advance();  // "]"
    if (!negated) return Leaf(std::move(items));
    if (ignoreCase_) items = CaseClosure(items);
    return Add({opRange, NegateRanges(items), {}});
  }

  std::vector<TRxToken> tokens_;
  bool ignoreCase_;
  std::size_t pos_ = 0;
  int depth_ = 0;
  TREParseTree tree_;
};

}  // namespace

TREParseTree ParseRegExp(std::string_view pattern, bool ignoreCase) {
  return Parser(pattern, ignoreCase).Run();
}

}  // namespace tamber
