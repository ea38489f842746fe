#include "editor/attribute_array.h"

#include "editor/display_columns.h"

namespace tamber {

void TTextEditorAttributeArray::Reset(std::string_view text, std::string_view codes) {
  text_ = text;
  codes_.assign(codes);
  codes_ += kColEnd;
  pos_ = 0;
  byteIndex_ = 0;
  ch_ = 0;
  Next();
}

void TTextEditorAttributeArray::Next() {
  if (ch_ == kColEnd) return;
  ++pos_;
  ch_ = codes_[pos_ - 1];
  if (ch_ != kColTabPad) ++byteIndex_;
}

// The exact inverse of Next: leaving a tab's padding column never gives back a
// byte, because the tab's byte was counted on its first column.
void TTextEditorAttributeArray::Prev() {
  if (pos_ < 2) return;
  const char left = ch_;
  --pos_;
  ch_ = codes_[pos_ - 1];
  if (left != kColTabPad) --byteIndex_;
}

// Steps over the whole current character: a tab's padding columns are never
// stopped in, or a row-start rule would read the tab as the next character and
// still leave the tab in the row.
void TTextEditorAttributeArray::StepBackChar() {
  if (ch_ == kColTrail) {
    Prev();
  } else {
    while (ch_ == kColTabPad && pos_ > 1) Prev();
  }
  Prev();
}

void TTextEditorAttributeArray::MoveTo(std::size_t n) {
  while (ch_ != kColEnd && pos_ < n) Next();
  while (pos_ > 1 && pos_ > n) Prev();
}

std::string_view TTextEditorAttributeArray::CurrentChar() const {
  switch (ch_) {
    case kColEnd:
      return {};
    case kColTrail:
      return text_.substr(byteIndex_ - 2, 2);
    case kColLead:
      return text_.substr(byteIndex_ - 1, 2);
    default:
      return text_.substr(byteIndex_ - 1, 1);
  }
}

std::string_view TTextEditorAttributeArray::NextChar() {
  if (ch_ == kColEnd) return {};
  Next();
  const std::string_view c = CurrentChar();
  Prev();
  return c;
}

}  // namespace tamber
