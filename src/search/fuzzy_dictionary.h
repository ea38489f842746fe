// Dictionaries of equivalent spellings for fuzzy matching: an ordered list of
// rows, a row an ordered list of members, a member a Shift-JIS string of one
// or more characters (or empty). Order matters: the first member that matches
// in the first row wins.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamber {

class TREDictionary {
 public:
  using Row = std::vector<std::string>;

  // Adds a row written as comma text: members separated by commas, a member
  // may be in double quotes (a doubled quote inside is one quote), an unquoted
  // member ends at a comma or a byte of 32 or less, blanks around members are
  // skipped, and a comma at the very end adds an empty member.
  void AddRow(std::string_view commaText);
  const std::vector<Row>& Rows() const { return rows_; }

 private:
  std::vector<Row> rows_;
};

// Splits comma text as AddRow does.
std::vector<std::string> ParseCommaText(std::string_view text);

// The equivalence table of fuzzy matching (Shift-JIS): full- and half-width
// forms, letter case, numerals, punctuation, hiragana, katakana, voiced kana
// and their two-character spellings, small kana. Built on first use.
const TREDictionary& FuzzyDictionary();

}  // namespace tamber
