// A view over a text the way a user drives it: key sequences written as
// words ("S-Right", "C-End", "CS-Left"), clicks at (row, column), and a
// tokenizer whose tokens are easy to predict.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "view/text_editor.h"

namespace tamber::test {

// Tokens: runs of [A-Za-z0-9_] (kind 11), runs of double-byte characters
// (kind 18), any other byte but a space or tab alone (kind 1, a symbol).
class WordTokenizer : public TRowTokenizer {
 public:
  void LoadRow(std::string_view text, const TRowAttributeData&) override {
    text_ = text;
    pos_ = 0;
  }
  TTokenKind Next() override {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t')) ++pos_;
    start_ = pos_;
    if (pos_ >= text_.size()) return tokEnd;
    auto word = [](unsigned char c) { return std::isalnum(c) || c == '_'; };
    auto lead = [](unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); };
    const auto c = static_cast<unsigned char>(text_[pos_]);
    if (word(c)) {
      while (pos_ < text_.size() && word(static_cast<unsigned char>(text_[pos_]))) ++pos_;
      return 11;
    }
    if (lead(c)) {
      while (pos_ + 1 < text_.size() && lead(static_cast<unsigned char>(text_[pos_]))) pos_ += 2;
      return 18;
    }
    ++pos_;
    return tokSymbol;
  }
  int TokenOffset() const override { return static_cast<int>(start_); }
  int TokenSize() const override { return static_cast<int>(pos_ - start_); }

 private:
  std::string_view text_;
  std::size_t pos_ = 0, start_ = 0;
};

class WordSource : public TTextEditorTokenSource {
 public:
  std::unique_ptr<TRowParser> CreateRowParser() override { return nullptr; }
  std::unique_ptr<TRowTokenizer> CreateTokenizer() override { return std::make_unique<WordTokenizer>(); }
  std::unique_ptr<TRowTokenizer> CreatePlainTokenizer() override { return std::make_unique<WordTokenizer>(); }
};

inline void SetText(TTextEditor& e, std::string_view text) { e.Lines().SetTextStr(text); }

// Presses each key of a space-separated list; a prefix "S-", "C-" or "CS-"
// holds Shift and/or Ctrl, a suffix "*" marks an auto-repeat.
inline void Press(TTextEditor& e, std::string_view keys) {
  std::istringstream in{std::string(keys)};
  std::string word;
  while (in >> word) {
    TShiftState shift = 0;
    bool repeat = false;
    if (const auto dash = word.find('-'); dash != std::string::npos) {
      const std::string mods = word.substr(0, dash);
      if (mods.find('S') != std::string::npos) shift |= ssShift;
      if (mods.find('C') != std::string::npos) shift |= ssCtrl;
      word = word.substr(dash + 1);
    }
    if (!word.empty() && word.back() == '*') {
      repeat = true;
      word.pop_back();
    }
    static const std::pair<const char*, TEditorKey> names[] = {
        {"Left", TEditorKey::Left},     {"Right", TEditorKey::Right}, {"Up", TEditorKey::Up},
        {"Down", TEditorKey::Down},     {"Home", TEditorKey::Home},   {"End", TEditorKey::End},
        {"PgUp", TEditorKey::PageUp},   {"PgDn", TEditorKey::PageDown}, {"Esc", TEditorKey::Escape}};
    bool known = false;
    for (const auto& [name, key] : names) {
      if (word == name) {
        e.KeyDown(key, shift, repeat);
        e.KeyUp();
        known = true;
      }
    }
    ASSERT_TRUE(known) << "unknown key " << word;
  }
}

// Pixel layout of the tests: text at (20, 10), cells 8 x 16.
inline TTextEditorMetrics TestMetrics() {
  TTextEditorMetrics m;
  m.TextLeft = 20;
  m.TextTop = 10;
  m.CharWidth = 8;
  m.RowPitch = 16;
  m.FontHeight = 14;
  m.ClientWidth = 20 + 40 * 8;
  m.ClientHeight = 10 + 10 * 16;
  return m;
}

// A point a little right of the left edge of (row, col): it lies in col and
// rounds to col.
inline int XOf(const TTextEditor& e, int col) {
  return e.Metrics().TextLeft + (col - e.TopCol()) * e.Metrics().CharWidth + 1;
}
inline int YOf(const TTextEditor& e, int row) {
  return e.Metrics().TextTop + (row - e.TopRow()) * e.Metrics().RowPitch + 4;
}

struct Pos {
  int row, col;
  bool operator==(const Pos&) const = default;
};
inline std::ostream& operator<<(std::ostream& o, const Pos& p) {
  return o << "(" << p.row << ", " << p.col << ")";
}
inline Pos CaretOf(const TTextEditor& e) { return {e.Row(), e.Col()}; }

// A view of 10 rows by 40 columns laid out with TestMetrics.
inline void LayOut(TTextEditor& e) {
  e.SetMetrics(TestMetrics());
  e.SetVisibleSize(10, 40);
}

}  // namespace tamber::test
