// A sorted list of words compared ignoring the case of ASCII letters (file
// extensions, reserved words). Double-byte characters are compared exactly:
// a trail byte that happens to be a letter is not case-folded.
//
// Invariants: entries are sorted by their folded form, no two entries share a
// folded form (adding a duplicate is ignored and keeps the first spelling).
// Cost: Contains/IndexOf O(log n · word length); Add/Remove O(n); Strings O(1).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tamber {

class TWordList {
 public:
  int Count() const { return static_cast<int>(entries_.size()); }
  // The word as it was added.
  const std::string& Strings(int i) const { return entries_.at(i).word; }
  // Adds the word unless it is there already (ignoring case); false if ignored.
  bool Add(std::string_view word);
  // Removes the word (ignoring case); false if it was not there.
  bool Remove(std::string_view word);
  void Clear() {
    entries_.clear();
    lengths_.fill(0);
  }
  int IndexOf(std::string_view word) const;
  bool Contains(std::string_view word) const { return IndexOf(word) >= 0; }
  void Assign(const TWordList& source) {
    entries_ = source.entries_;
    lengths_ = source.lengths_;
  }
  bool operator==(const TWordList& o) const;

  // word with ASCII letters upper-cased, double-byte characters kept.
  static std::string Fold(std::string_view word);

 private:
  struct Entry {
    std::string key;   // Fold(word)
    std::string word;
  };
  // First entry whose key is not less than the folded word.
  std::vector<Entry>::const_iterator LowerBound(std::string_view folded) const;
  // Most tokens are no word of the list: a bit per (folded first byte, length
  // up to 63) answers them without a search. Bits are set, never cleared
  // until Clear, so a set bit only means "search".
  void NoteWord(std::string_view key);
  bool MayContain(std::string_view word) const;
  std::vector<Entry> entries_;
  std::array<std::uint64_t, 256> lengths_{};
};

}  // namespace tamber
