// Rewrites a pattern before it is compiled: every character (or run of
// characters) outside a class that is a member of a dictionary row becomes
// the alternation of all members of that row, "(m1|m2|...)". The synonym
// pass runs first (when on), then the fuzzy pass.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "search/fuzzy_dictionary.h"

namespace tamber {

class TREPreProcessor {
 public:
  // Dictionaries are not owned; they must outlive the preprocessor.
  std::vector<const TREDictionary*>& SynonymDictionaries() { return synonyms_; }
  std::vector<const TREDictionary*>& FuzzyDictionaries() { return fuzzy_; }

  bool UseSynonymDic() const { return useSynonym_; }
  void SetUseSynonymDic(bool on) { useSynonym_ = on; }
  bool UseFuzzyCharDic() const { return useFuzzy_; }
  void SetUseFuzzyCharDic(bool on) { useFuzzy_ = on; }

  // The pattern after the passes that are on. Throws ERegExpParser for a
  // pattern that does not scan.
  std::string Expand(std::string_view pattern) const;

 private:
  std::vector<const TREDictionary*> synonyms_;
  std::vector<const TREDictionary*> fuzzy_;
  bool useSynonym_ = false;
  bool useFuzzy_ = false;
};

// One pass of the rewrite with the given dictionaries, in order.
std::string ExpandWithDictionaries(std::string_view pattern,
                                   const std::vector<const TREDictionary*>& dictionaries);

// A member as pattern text: the metacharacters ^ ( | ) + * ? . [ ] $ \ are
// escaped, character by character (a trail byte 5C or 7C is left alone).
std::string QuoteRegExp(std::string_view literal);

}  // namespace tamber
