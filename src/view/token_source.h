// The seam between a view and its fountain: the fountain's row parser keeps
// the text's per-row states, and its tokenizer splits a row into tokens for
// word-wise caret moves, double-click selection and token queries.
#pragma once

#include <cstdint>
#include <memory>
#include <string_view>

#include "editor/row_parser.h"
#include "highlight/token_kind.h"

namespace tamber {

// Scans one text into tokens, in order.
class TRowTokenizer {
 public:
  virtual ~TRowTokenizer() = default;
  // Starts scanning text (valid until the next LoadRow) in the given state.
  virtual void LoadRow(std::string_view text, const TRowAttributeData& state) = 0;
  // Scans one token and returns its kind; tokEnd at the end.
  virtual TTokenKind Next() = 0;
  // Byte offset and length of the current token in the text.
  virtual int TokenOffset() const = 0;
  virtual int TokenSize() const = 0;
};

class TTextEditorTokenSource {
 public:
  virtual ~TTextEditorTokenSource() = default;
  // The parser the text reparses with (nullptr: the states pass through).
  virtual std::unique_ptr<TRowParser> CreateRowParser() = 0;
  // The active fountain's tokenizer.
  virtual std::unique_ptr<TRowTokenizer> CreateTokenizer() = 0;
  // A tokenizer with the fountain-independent rules (token queries at a point).
  virtual std::unique_ptr<TRowTokenizer> CreatePlainTokenizer() = 0;
};

}  // namespace tamber
