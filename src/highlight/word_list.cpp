#include "highlight/word_list.h"

#include <algorithm>

#include "encoding/dbcs.h"

namespace tamber {

std::string TWordList::Fold(std::string_view word) {
  std::string out(word);
  for (std::size_t i = 0; i < out.size(); ++i) {
    const unsigned char b = static_cast<unsigned char>(out[i]);
    if (IsLeadByte(b)) {
      ++i;  // keep the trail byte as it is
    } else if (b >= 'a' && b <= 'z') {
      out[i] = static_cast<char>(b - 'a' + 'A');
    }
  }
  return out;
}

std::vector<TWordList::Entry>::const_iterator TWordList::LowerBound(std::string_view folded) const {
  return std::lower_bound(entries_.begin(), entries_.end(), folded,
                          [](const Entry& e, std::string_view k) { return std::string_view(e.key) < k; });
}

namespace {

unsigned char FoldByte(char c) {
  const unsigned char b = static_cast<unsigned char>(c);
  return (b >= 'a' && b <= 'z') ? static_cast<unsigned char>(b - 'a' + 'A') : b;
}

std::uint64_t LengthBit(std::size_t n) { return std::uint64_t{1} << (n < 63 ? n : 63); }

}  // namespace

void TWordList::NoteWord(std::string_view key) {
  if (!key.empty()) lengths_[static_cast<unsigned char>(key[0])] |= LengthBit(key.size());
}

bool TWordList::MayContain(std::string_view word) const {
  return !word.empty() && (lengths_[FoldByte(word[0])] & LengthBit(word.size())) != 0;
}

bool TWordList::Add(std::string_view word) {
  std::string key = Fold(word);
  auto it = LowerBound(key);
  if (it != entries_.end() && it->key == key) return false;
  NoteWord(key);
  entries_.insert(it, Entry{std::move(key), std::string(word)});
  return true;
}

bool TWordList::Remove(std::string_view word) {
  const int i = IndexOf(word);
  if (i < 0) return false;
  entries_.erase(entries_.begin() + i);
  return true;
}

int TWordList::IndexOf(std::string_view word) const {
  if (word.empty()) return !entries_.empty() && entries_.front().key.empty() ? 0 : -1;
  if (!MayContain(word)) return -1;
  // Tokens are short; fold them on the stack so a lookup allocates nothing.
  char buf[64];
  std::string heap;
  std::string_view key;
  if (word.size() <= sizeof buf) {
    for (std::size_t i = 0; i < word.size(); ++i) {
      const unsigned char b = static_cast<unsigned char>(word[i]);
      buf[i] = (b >= 'a' && b <= 'z') ? static_cast<char>(b - 'a' + 'A') : word[i];
      if (IsLeadByte(b) && i + 1 < word.size()) {
        ++i;
        buf[i] = word[i];
      }
    }
    key = std::string_view(buf, word.size());
  } else {
    heap = Fold(word);
    key = heap;
  }
  auto it = LowerBound(key);
  if (it == entries_.end() || it->key != key) return -1;
  return static_cast<int>(it - entries_.begin());
}

bool TWordList::operator==(const TWordList& o) const {
  return std::equal(entries_.begin(), entries_.end(), o.entries_.begin(), o.entries_.end(),
                    [](const Entry& a, const Entry& b) { return a.word == b.word; });
}

}  // namespace tamber
