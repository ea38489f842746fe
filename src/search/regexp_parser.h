// The parse tree of a pattern.
//
// expression := term { "|" term }
// term       := empty | factor { factor }        (up to "|", ")" or the end)
// factor     := primary [ "*" | "+" | "?" ]      (a second quantifier is an error)
// primary    := char | "(" expression ")" | class | negated class | "." | "^" | "$"
//
// Concatenations and alternations are n-ary nodes, so the tree is only as deep
// as the nesting of groups, which kMaxNestingDepth bounds: no walk over the
// tree can overflow the stack whatever the pattern. "x?" is the alternation of
// x and the empty node. Leaves carry normalized code sets; with ignoreCase they
// are closed under case after parsing, so escapes keep their meaning.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "search/code_range.h"

namespace tamber {

// Groups nested deeper than this are an error (kReTooDeep), not a stack overflow.
inline constexpr int kMaxNestingDepth = 256;

enum TREOp { opRange, opLineHead, opLineTail, opConcat, opUnion, opStar, opPlus, opEmpty };

struct TRENode {
  TREOp op = opEmpty;
  std::vector<CodeRange> ranges;  // opRange; may be empty (a negated class of everything)
  std::vector<int> kids;          // opConcat, opUnion (2 or more); opStar, opPlus (1)
};

struct TREParseTree {
  std::vector<TRENode> nodes;
  int root = -1;
  // The node or one below it is opLineHead (index by node).
  std::vector<bool> hasLineHead;
};

// Parses pattern; throws ERegExpParser with the system's messages.
TREParseTree ParseRegExp(std::string_view pattern, bool ignoreCase);

}  // namespace tamber
