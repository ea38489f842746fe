// libFuzzer target for the editor's model: a text (any bytes) edited by a
// sequence of keys, typing, deletions, pastes, box operations and indents,
// with word wrap on or off. After every step the rows, the caret and the
// selection must keep their invariants;
// undoing every step must give back the text's first bytes, and redoing them
// all the edited bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "support/edit_steps.h"
#include "view/clipboard.h"
#include "view/text_editor.h"

using namespace tamber;
using tamber::test::Input;
using tamber::test::Step;


extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t flags = in.Byte();
  const std::string_view initial = in.Bytes(in.Byte() % 64);

  TTextEditor e;
  TMemoryClipboard clipboard;
  e.SetClipboard(&clipboard);
  e.SetVisibleSize(6, 30);
  e.SetUndoListMax(100000);
  if (flags & 1) {
    e.Text().WrapOption().SetWrapByte(20);
    e.Text().SetWordWrap(true);
  }
  e.Lines().SetTextStr(initial);
  const std::string before = e.Text().GetTextStr();

  int steps = 0;
  while (!in.Empty() && steps < 200) {
    Step(e, in);
    ++steps;
    // The rows, the caret, the selection and the scroll position, as their headers state them.
    e.CheckInvariants();
  }
  const std::string after = e.Text().GetTextStr();
  while (e.CanUndo()) e.Undo();
  if (e.Text().GetTextStr() != before) __builtin_trap();
  while (e.CanRedo()) e.Redo();
  if (e.Text().GetTextStr() != after) __builtin_trap();
  e.CheckInvariants();
  return 0;
}
