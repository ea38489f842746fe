#include "search/preprocessor.h"

#include <cstring>

#include "encoding/dbcs.h"
#include "search/regexp_scanner.h"

namespace tamber {
namespace {

// Does member, character by character, equal the codes of tokens[t..end)?
// Returns the number of tokens it covers, or 0.
std::size_t MatchMember(std::string_view member, const std::vector<TRxToken>& tokens,
                        std::size_t t, std::size_t end) {
  if (member.empty()) return 0;
  std::size_t i = 0;
  std::size_t k = t;
  while (i < member.size()) {
    if (k >= end) return 0;
    const std::size_t len = CharLength(member, i);
    const auto b0 = static_cast<unsigned char>(member[i]);
    const unsigned code = len == 2 ? (b0 << 8 | static_cast<unsigned char>(member[i + 1])) : b0;
    if (tokens[k].code != code) return 0;
    i += len;
    ++k;
  }
  return k - t;
}

}  // namespace

std::string QuoteRegExp(std::string_view literal) {
  std::string out;
  out.reserve(literal.size() * 2);
  for (std::size_t i = 0; i < literal.size();) {
    const std::size_t len = CharLength(literal, i);
    if (len == 1 && literal[i] != '\0' && std::strchr("^(|)+*?.[]$\\", literal[i]) != nullptr) {
      out.push_back('\\');
    }
    out.append(literal.substr(i, len));
    i += len;
  }
  return out;
}

std::string ExpandWithDictionaries(std::string_view pattern,
                                   const std::vector<const TREDictionary*>& dictionaries) {
  const std::vector<TRxToken> tokens = ScanRegExp(pattern);
  std::string out;
  bool inClass = false;
  const auto source = [&](const TRxToken& tok) { return pattern.substr(tok.start, tok.length); };
  std::size_t t = 0;
  while (tokens[t].kind != rxEnd) {
    const TRxToken& tok = tokens[t];
    if (tok.kind == rxClass || tok.kind == rxNegClass) inClass = true;
    if (tok.kind == rxClassEnd) inClass = false;
    if (tok.kind != rxChar || inClass) {
      out += source(tok);
      ++t;
      continue;
    }
    std::size_t runEnd = t;
    while (tokens[runEnd].kind == rxChar) ++runEnd;
    const TREDictionary::Row* row = nullptr;
    std::size_t covered = 0;
    for (const TREDictionary* d : dictionaries) {
      for (const TREDictionary::Row& r : d->Rows()) {
        for (const std::string& m : r) {
          covered = MatchMember(m, tokens, t, runEnd);
          if (covered > 0) {
            row = &r;
            break;
          }
        }
        if (row) break;
      }
      if (row) break;
    }
    if (!row) {
      out += source(tok);
      ++t;
      continue;
    }
    out.push_back('(');
    for (std::size_t i = 0; i < row->size(); ++i) {
      if (i > 0) out.push_back('|');
      out += QuoteRegExp((*row)[i]);
    }
    out.push_back(')');
    t += covered;
  }
  return out;
}

std::string TREPreProcessor::Expand(std::string_view pattern) const {
  std::string text(pattern);
  if (useSynonym_) text = ExpandWithDictionaries(text, synonyms_);
  if (useFuzzy_) text = ExpandWithDictionaries(text, fuzzy_);
  return text;
}

}  // namespace tamber
