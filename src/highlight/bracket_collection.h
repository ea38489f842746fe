// Bracket pairs of a fountain: ranges from a left bracket to the next right
// bracket that may run over many rows (block comments and the like).
//
// Invariants: at most kMaxBrackets items (the row state keeps the index of the
// open pair in four bits, -2..13); every item's colour reports to the
// collection, and the collection reports any change to its OnChange handler.
// Cost: Items/Count O(1); Add O(1) amortised; Delete O(n); Assign O(n).
#pragma once

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "highlight/fountain_color.h"

namespace tamber {

// Raised where the fountain framework refuses an operation.
class EFountainError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class TFountainBracketCollection;

class TFountainBracketItem {
 public:
  explicit TFountainBracketItem(TFountainBracketCollection& owner);
  TFountainBracketItem(const TFountainBracketItem&) = delete;
  TFountainBracketItem& operator=(const TFountainBracketItem&) = delete;

  TFountainColor& ItemColor() { return color_; }
  const TFountainColor& ItemColor() const { return color_; }
  const std::string& LeftBracket() const { return left_; }
  const std::string& RightBracket() const { return right_; }
  void SetLeftBracket(std::string_view v);
  void SetRightBracket(std::string_view v);
  // Copies both brackets and the colour.
  void Assign(const TFountainBracketItem& source);

 private:
  TFountainBracketCollection& owner_;
  TFountainColor color_;
  std::string left_;
  std::string right_;
};

class TFountainBracketCollection : public TNotifyPersistent {
 public:
  static constexpr int kMaxBrackets = 14;

  TFountainBracketCollection() = default;
  ~TFountainBracketCollection() override;

  int Count() const { return static_cast<int>(items_.size()); }
  TFountainBracketItem& Items(int i) { return *items_.at(i); }
  const TFountainBracketItem& Items(int i) const { return *items_.at(i); }
  // Adds an empty pair; a 15th raises EFountainError.
  TFountainBracketItem& Add();
  // Adds a pair with its brackets in one step.
  TFountainBracketItem& Add(std::string_view left, std::string_view right);
  void Delete(int i);
  void Clear();
  // Copies every pair of source in one update; a source of more than
  // kMaxBrackets pairs raises after the first kMaxBrackets are copied.
  void Assign(const TFountainBracketCollection& source);
  // Called by items when they change.
  void ItemChanged() { Changed(); }

 private:
  std::vector<std::unique_ptr<TFountainBracketItem>> items_;
};

}  // namespace tamber
