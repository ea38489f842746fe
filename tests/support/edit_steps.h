// One editing step read from a byte string: a key, typing, a deletion, a
// paste, a box operation or an indent, as a user would make them. The editing
// fuzzer reads its steps from the fuzzer's bytes, the random view test from a
// seeded generator's.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>

#include "view/text_editor.h"

namespace tamber::test {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool Empty() const { return p_ >= end_; }
  std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  std::string_view Bytes(std::size_t n) {
    n = std::min<std::size_t>(n, static_cast<std::size_t>(end_ - p_));
    std::string_view s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

inline constexpr TEditorKey kKeys[] = {TEditorKey::Left, TEditorKey::Right, TEditorKey::Up,
                                TEditorKey::Down, TEditorKey::Home,  TEditorKey::End,
                                TEditorKey::PageUp, TEditorKey::PageDown, TEditorKey::Escape};

inline void Step(TTextEditor& e, Input& in) {
  const std::uint8_t op = in.Byte();
  const TShiftState shift = (op & 0x20 ? ssShift : 0) | (op & 0x40 ? ssCtrl : 0);
  switch (op % 20) {
    case 0: case 1: case 2: case 3:
      e.KeyDown(kKeys[in.Byte() % std::size(kKeys)], shift, op & 0x80);
      break;
    case 4: case 5: e.InsertText(in.Bytes(1 + in.Byte() % 3)); break;
    case 6: e.Backspace(); break;
    case 7: e.Delete(); break;
    case 8: e.Enter(op & 0x20); break;
    case 9: e.Tab(shift & ssShift); break;
    case 10: e.SelectAll(); break;
    case 11: e.DeleteSelection(); break;
    case 12: e.SetSelectionMode(e.SelectionMode() == smBox ? smNormal : smBox); break;
    case 13: if (op & 0x20) e.IndentSelection(); else e.UnindentSelection(); break;
    case 14: if (op & 0x20) e.CutToClipboard(); else e.CopyToClipboard(); break;
    case 15: e.PasteFromClipboard(); break;
    case 16: e.BoxPaste(in.Bytes(1 + in.Byte() % 8)); break;
    case 17: e.SetOverWrite(!e.OverWrite()); break;
    case 18: e.DeleteRow(e.Row()); break;
    case 19: e.SetSelTextBuf(in.Bytes(in.Byte() % 6)); break;
  }
}

}  // namespace tamber::test
