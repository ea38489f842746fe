#include "view/fountain_token_source.h"

namespace tamber {

namespace {

// A fountain parser seen as the view's tokenizer.
class FountainTokenizer : public TRowTokenizer {
 public:
  explicit FountainTokenizer(std::unique_ptr<TFountainParser> parser) : parser_(std::move(parser)) {}
  void LoadRow(std::string_view text, const TRowAttributeData& state) override {
    parser_->LoadRow(text, state);
  }
  TTokenKind Next() override { return parser_->Next(); }
  int TokenOffset() const override { return parser_->TokenOffset(); }
  int TokenSize() const override { return parser_->TokenSize(); }

 private:
  std::unique_ptr<TFountainParser> parser_;
};

}  // namespace

std::unique_ptr<TRowParser> TFountainTokenSource::CreateRowParser() {
  if (!fountain_) return nullptr;
  return fountain_->CreateParser();
}

std::unique_ptr<TRowTokenizer> TFountainTokenSource::CreateTokenizer() {
  if (!fountain_) return nullptr;
  return std::make_unique<FountainTokenizer>(fountain_->CreateParser());
}

std::unique_ptr<TRowTokenizer> TFountainTokenSource::CreatePlainTokenizer() {
  return std::make_unique<FountainTokenizer>(plain_.CreateParser());
}

}  // namespace tamber
