// The seam between the rows and syntax colouring. The highlight library
// implements TRowParser (a fountain's tokenizer); the rows keep, per row, the
// parser state at the start of that row and bring it up to date after edits
// (TTextEditorScreenStrings::ReparseFrom / ReparseAll).
#pragma once

#include "editor/row_attribute.h"

namespace tamber {

class TRowAttributeStringList;

class TRowParser {
 public:
  virtual ~TRowParser() = default;
  // state holds the state at the start of row `row` of rows; change it in place
  // into the state at the start of the next row. The parser may read the next
  // row when this one is raFolded (a token broken by wrapping is scanned whole).
  virtual void ParseRow(int row, const TRowAttributeStringList& rows, TRowAttributeData& state) = 0;
};

}  // namespace tamber
