// TTextEditorAttributeArray: the cursor that folding moves over a row's
// column-attribute string to find where the row ends.
//
// It holds a view of the row's text (borrowed: the text must outlive it), the
// codes with the end marker '0' appended, the current column `pos` (1-based
// index into the codes; 0 only before the first Next), the current code `ch`,
// and `byteIndex`, the number of text bytes up to and including the current
// column. Invariant: byteIndex is exactly the bytes covered by columns 1..pos,
// so cutting the text after byteIndex bytes never ends inside a double-byte
// character unless ch is a lead code ('4'). Every step costs O(1); Reset costs
// the length of the codes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tamber {

class TTextEditorAttributeArray {
 public:
  // codes: the ColumnAttributes of text (without the end marker).
  void Reset(std::string_view text, std::string_view codes);
  void Next();
  void Prev();
  // Onto the last column of the character before the current one: a
  // double-byte character or a tab goes whole to the next row.
  void StepBackChar();
  void MoveTo(std::size_t n);

  std::size_t DisplayLength() const { return codes_.size() - 1; }
  // The character in the current column ("" at the end marker; the tab for a tab's column).
  std::string_view CurrentChar() const;
  std::string_view NextChar();

  std::size_t Pos() const { return pos_; }
  char Ch() const { return ch_; }
  std::size_t ByteIndex() const { return byteIndex_; }

 private:
  std::string_view text_;
  std::string codes_;  // reused between rows, so folding a line allocates once
  std::size_t pos_ = 0;
  char ch_ = 0;
  std::size_t byteIndex_ = 0;
};

}  // namespace tamber
