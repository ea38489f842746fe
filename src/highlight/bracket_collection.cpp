#include "highlight/bracket_collection.h"

namespace tamber {

TFountainBracketItem::TFountainBracketItem(TFountainBracketCollection& owner) : owner_(owner) {
  color_.SetOnChange([this](TObject&) { owner_.ItemChanged(); });
}

void TFountainBracketItem::SetLeftBracket(std::string_view v) {
  if (left_ == v) return;
  left_ = v;
  owner_.ItemChanged();
}

void TFountainBracketItem::SetRightBracket(std::string_view v) {
  if (right_ == v) return;
  right_ = v;
  owner_.ItemChanged();
}

void TFountainBracketItem::Assign(const TFountainBracketItem& source) {
  TUpdateGuard update(owner_);
  left_ = source.left_;
  right_ = source.right_;
  color_.Assign(source.color_);
}

TFountainBracketCollection::~TFountainBracketCollection() {
  // Items report to this collection; stop them before it goes away.
  SetOnChange(nullptr);
}

TFountainBracketItem& TFountainBracketCollection::Add() {
  if (Count() >= kMaxBrackets)
    throw EFountainError("TFountainBracketCollection\r\nYou can not add item over " +
                         std::to_string(kMaxBrackets));
  items_.push_back(std::make_unique<TFountainBracketItem>(*this));
  Changed();
  return *items_.back();
}

TFountainBracketItem& TFountainBracketCollection::Add(std::string_view left, std::string_view right) {
  TUpdateGuard update(*this);
  TFountainBracketItem& item = Add();
  item.SetLeftBracket(left);
  item.SetRightBracket(right);
  return item;
}

void TFountainBracketCollection::Delete(int i) {
  if (i < 0 || i >= Count()) throw std::out_of_range("TFountainBracketCollection::Delete");
  items_.erase(items_.begin() + i);
  Changed();
}

void TFountainBracketCollection::Clear() {
  if (items_.empty()) return;
  items_.clear();
  Changed();
}

void TFountainBracketCollection::Assign(const TFountainBracketCollection& source) {
  if (&source == this) return;
  // The guard releases the update on the throw at a 15th pair too.
  TUpdateGuard update(*this);
  Clear();
  for (const auto& item : source.items_) Add().Assign(*item);
}

}  // namespace tamber
