#include "highlight/row_tokens.h"

#include <algorithm>

namespace tamber {
namespace {

TRowToken CurrentToken(const TFountainParser& parser, int clip) {
  TRowToken t;
  t.Offset = parser.TokenOffset();
  t.Size = std::min(parser.TokenSize(), clip - t.Offset);
  t.Kind = parser.Token();
  t.Reserved = t.Kind == tokReserved || parser.IsKeyword();
  t.Color = parser.TokenColor();
  return t;
}

}  // namespace

std::vector<TRowToken> RowTokens(TFountainParser& parser, std::string_view row, TRowAttribute attr,
                                 const std::string_view* next, const TRowAttributeData& state) {
  std::vector<TRowToken> tokens;
  const int length = static_cast<int>(row.size());
  if (attr == raFolded && next) {
    std::string joined(row);
    joined += *next;
    parser.LoadRow(joined, state);
  } else {
    parser.LoadRow(row, state);
  }
  while (parser.Next() != tokEnd && parser.TokenOffset() < length)
    tokens.push_back(CurrentToken(parser, length));
  return tokens;
}

std::vector<TRowToken> RowTokens(TFountainParser& parser, int row, const TRowAttributeStringList& rows,
                                 const TRowAttributeData& state) {
  if (row + 1 < rows.Count()) {
    const std::string_view next = rows.RowView(row + 1);
    return RowTokens(parser, rows.RowView(row), rows.RowAttribute(row), &next, state);
  }
  return RowTokens(parser, rows.RowView(row), rows.RowAttribute(row), nullptr, state);
}

std::vector<TRowToken> PaintedRowTokens(TTextEditorScreenStrings& text, TFountainParser& parser, int row) {
  if (row < 0 || row >= text.Count()) return {};
  if (text.OpenBracket(row) == kNotParsed) text.ReparseFrom(row, false);
  return RowTokens(parser, row, text, text.LoadRowData(row));
}

std::vector<TRowToken> TextTokens(TFountainParser& parser, std::string_view text,
                                  const TRowAttributeData& state) {
  std::vector<TRowToken> tokens;
  parser.LoadRow(text, state);
  while (parser.Next() != tokEnd) tokens.push_back(CurrentToken(parser, static_cast<int>(text.size())));
  return tokens;
}

int TokenIndexAt(const std::vector<TRowToken>& tokens, int pos) {
  auto it = std::upper_bound(tokens.begin(), tokens.end(), pos,
                             [](int p, const TRowToken& t) { return p < t.Offset; });
  if (it == tokens.begin()) return -1;
  --it;
  return pos < it->Offset + it->Size ? static_cast<int>(it - tokens.begin()) : -1;
}

std::optional<TRowToken> TokenAt(TFountainParser& parser, std::string_view text,
                                 const TRowAttributeData& state, int pos) {
  if (pos < 0 || pos >= static_cast<int>(text.size())) return std::nullopt;
  parser.LoadRow(text, state);
  while (parser.Next() != tokEnd) {
    if (parser.TokenOffset() > pos) break;
    if (pos < parser.TokenOffset() + parser.TokenSize())
      return CurrentToken(parser, static_cast<int>(text.size()));
  }
  return std::nullopt;
}

}  // namespace tamber
