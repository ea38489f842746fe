// A view that records what the text tells it (used by tests and benchmarks
// of the text and its parsers), and a parser whose states are
// easy to predict: ParseState is the nesting depth of { } so far (capped at
// 255), and a row ending in a backslash carries "\" into the next row.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "editor/screen_strings.h"

namespace tamber::test {

class DepthParser : public TRowParser {
 public:
  void ParseRow(int row, const TRowAttributeStringList& rows, TRowAttributeData& state) override {
    const std::string_view text = rows.RowView(row);
    for (const char c : text) {
      if (c == '{' && state.ParseState < 255) ++state.ParseState;
      if (c == '}' && state.ParseState > 0) --state.ParseState;
    }
    state.OpenBracket = -1;
    state.CarryText = text.ends_with('\\') ? "\\" : "";
  }
};

class FakeView : public TTextEditorView {
 public:
  bool focus = false;
  int caretRow = 0, caretCol = 0, topRow = 0;
  int height = 100, pitch = 10;  // 10 rows a screen
  bool bracketsFull = false, loading = false, withParser = true;
  int dropped = 0, relayouts = 0, linesBegun = 0, linesEnded = 0, pulledTo = -1;
  std::vector<TLastChange> changes;  // every report, while recordChanges
  TLastChange last;                  // the latest report
  bool recordChanges = true;
  // The parser the text reparses with; by default a DepthParser.
  std::function<std::unique_ptr<TRowParser>()> parserFactory;
  std::vector<int> invalidated;

  bool HasFocus() const override { return focus; }
  int CaretRow() const override { return caretRow; }
  int CaretCol() const override { return caretCol; }
  void SetCaretRowCol(int r, int c) override { caretRow = r, caretCol = c; }
  void SetCaretByteColumn(int r, int c) override { caretRow = r, caretCol = c; }
  void DropSelection() override { ++dropped; }
  void PullInsideRows(int maxRow) override {
    pulledTo = maxRow;
    if (caretRow > maxRow) caretRow = maxRow;
    if (topRow > maxRow) topRow = maxRow;
  }
  void TextChanged(const TLastChange& c) override {
    last = c;
    if (recordChanges) changes.push_back(c);
  }
  void InvalidateRow(int row) override { invalidated.push_back(row); }
  void Relayout() override { ++relayouts; }
  void LinesUpdateBegun() override { ++linesBegun; }
  void LinesUpdateEnded() override { ++linesEnded; }
  int TopRow() const override { return topRow; }
  int ScreenHeightPixels() const override { return height; }
  int RowPitchPixels() const override { return pitch; }
  bool InitBracketsFull() const override { return bracketsFull; }
  bool IsLoadingOrDestroying() const override { return loading; }
  std::unique_ptr<TRowParser> CreateRowParser() override {
    if (!withParser) return nullptr;
    return parserFactory ? parserFactory() : std::make_unique<DepthParser>();
  }
};

}  // namespace tamber::test
