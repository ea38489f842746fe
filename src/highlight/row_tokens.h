// The tokens of a row as painting and word-wise caret movement see them, and
// the token at a byte position (double click, token queries).
//
// RowTokens scans a row exactly as ParseRow does (joined with the next row
// when it is folded, from the state stored for the row), so the colours
// painted and the state stored for the next row always agree.
#pragma once

#include <optional>
#include <string_view>
#include <vector>

#include "editor/screen_strings.h"
#include "highlight/fountain_parser.h"

namespace tamber {

struct TRowToken {
  int Offset = 0;   // byte position in the row (or text)
  int Size = 0;     // bytes; clipped to the row for a token that runs on
  TTokenKind Kind = tokEnd;
  bool Reserved = false;  // coloured as a reserved word
  const TFountainColor* Color = nullptr;  // null: the editor's own colours
  bool operator==(const TRowToken&) const = default;
};

// The tokens painted on row (attribute attr; next: the next row's text, if any).
std::vector<TRowToken> RowTokens(TFountainParser& parser, std::string_view row, TRowAttribute attr,
                                 const std::string_view* next, const TRowAttributeData& state);
std::vector<TRowToken> RowTokens(TFountainParser& parser, int row, const TRowAttributeStringList& rows,
                                 const TRowAttributeData& state);
// The tokens painted on row of text: a row not parsed yet first has the states
// brought up to date from the last parsed row above it (lazily, as rows are
// first shown).
std::vector<TRowToken> PaintedRowTokens(TTextEditorScreenStrings& text, TFountainParser& parser, int row);
// Every token of text (a whole logical line) from state, none clipped.
std::vector<TRowToken> TextTokens(TFountainParser& parser, std::string_view text,
                                  const TRowAttributeData& state);
// Index of the token that contains byte position pos, or -1 (a blank, or past the end).
int TokenIndexAt(const std::vector<TRowToken>& tokens, int pos);
// The token of text (scanned from state) that contains byte position pos; its
// text is text.substr(Offset, Size). Used for double click and token queries.
std::optional<TRowToken> TokenAt(TFountainParser& parser, std::string_view text,
                                 const TRowAttributeData& state, int pos);

}  // namespace tamber
