// Connects views to a fountain: the text reparses with the fountain's row
// parser, and word moves, token selection and token queries split rows with
// the fountain's tokenizer (or, for the fountain-independent queries, with the
// plain one). The fountain is shared by the views that use it and outlives them.
#pragma once

#include <memory>

#include "view/token_source.h"
#include "highlight/fountain_parser.h"

namespace tamber {

class TFountainTokenSource : public TTextEditorTokenSource {
 public:
  explicit TFountainTokenSource(TFountain* fountain) : fountain_(fountain) {}

  TFountain* Fountain() const { return fountain_; }
  void SetFountain(TFountain* fountain) { fountain_ = fountain; }

  std::unique_ptr<TRowParser> CreateRowParser() override;
  std::unique_ptr<TRowTokenizer> CreateTokenizer() override;
  std::unique_ptr<TRowTokenizer> CreatePlainTokenizer() override;

 private:
  TFountain* fountain_;
  TPlainFountain plain_;
};

}  // namespace tamber
