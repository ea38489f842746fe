// Helpers for token tables: a row's tokens as (text, kind) pairs, and the
// states and painted tokens of a list of rows.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "highlight/fountain_parser.h"
#include "highlight/row_tokens.h"
#include "support/bytes.h"

namespace tamber::test {

struct Tok {
  std::string text;
  int kind;
  bool operator==(const Tok&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Tok& t) {
  return os << "{\"" << t.text << "\" [" << ToHex(t.text) << "], " << t.kind << "}";
}

// The tokens of one text scanned from state.
inline std::vector<Tok> Tokens(TFountainParser& parser, std::string_view text,
                               const TRowAttributeData& state = {}) {
  std::vector<Tok> out;
  for (const TRowToken& t : TextTokens(parser, text, state))
    out.push_back({std::string(text.substr(t.Offset, t.Size)), t.Kind});
  return out;
}

// Rows of a text with their attributes, kept as the editor keeps rows.
class Rows : public TTextEditorStringList {
 public:
  struct Row {
    std::string text;
    TRowAttribute attr = raBreak;
  };
  Rows(std::initializer_list<Row> rows) : Rows(std::vector<Row>(rows)) {}
  explicit Rows(const std::vector<Row>& rows) {
    for (const Row& r : rows) SetRowAttribute(Add(r.text), r.attr);
  }
};

// The state at the start of every row (and one past the last), from the first-row state.
inline std::vector<TRowAttributeData> States(TFountainParser& parser, const TRowAttributeStringList& rows) {
  std::vector<TRowAttributeData> states(1);
  for (int r = 0; r < rows.Count(); ++r) {
    TRowAttributeData s = states.back();
    s.RowAttribute = rows.RowAttribute(r);
    parser.ParseRow(r, rows, s);
    s.PrevRowAttribute = rows.RowAttribute(r);
    states.push_back(s);
  }
  return states;
}

// The tokens painted on every row.
inline std::vector<std::vector<Tok>> PaintedRows(TFountainParser& parser, const TRowAttributeStringList& rows) {
  const auto states = States(parser, rows);
  std::vector<std::vector<Tok>> out;
  for (int r = 0; r < rows.Count(); ++r) {
    std::vector<Tok> row;
    const std::string_view text = rows.RowView(r);
    for (const TRowToken& t : RowTokens(parser, r, rows, states[r]))
      row.push_back({std::string(text.substr(t.Offset, t.Size)), t.Kind});
    out.push_back(row);
  }
  return out;
}

}  // namespace tamber::test
