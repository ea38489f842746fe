#include "highlight/fountain.h"

namespace tamber {

TFountain::TFountain(std::unique_ptr<TFountainBracketCollection> brackets)
    : change_handlers_(*this),
      brackets_(brackets ? std::move(brackets) : std::make_unique<TFountainBracketCollection>()) {
  brackets_->SetOnChange([this](TObject&) { change_handlers_.Changed(); });
  WireColor(reserve_);
}

TFountain::~TFountain() {
  brackets_->SetOnChange(nullptr);
}

void TFountain::WireColor(TFountainColor& color) {
  color.SetOnChange([this](TObject&) { change_handlers_.Changed(); });
}

void TFountain::SetReserveWordList(const TWordList& v) {
  reserve_word_list_.Assign(v);
  change_handlers_.Changed();
}

void TFountain::ForEachColor(const std::function<void(TFountainColor&)>& visit) {
  visit(reserve_);
  for (int i = 0; i < brackets_->Count(); ++i) visit(brackets_->Items(i).ItemColor());
}

bool TFountain::HasItalic() {
  bool italic = false;
  ForEachColor([&](TFountainColor& c) { italic = italic || (c.Style() & fsItalic) != 0; });
  return italic;
}

}  // namespace tamber
