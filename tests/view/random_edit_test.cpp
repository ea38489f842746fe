// Seeded random editing sessions driven through the same steps as the
// editing fuzzer: after every step the view and its text keep the invariants
// their headers state, and undo and redo walk the whole session back and forth.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/edit_steps.h"
#include "view/clipboard.h"
#include "view/text_editor.h"

namespace tamber {
namespace {

// Bytes the steps read: op codes and their arguments, with text drawn from
// pieces that make the cases that matter (double-byte characters, a lead
// byte before a non-trail byte, tabs, breaks, blanks).
std::string Script(std::mt19937& rng, std::size_t n) {
  static const char* const kPieces[] = {"a", "xyz", "\x82\xa0", "\x81\t", "\t", "\r\n", " ",
                                        "\x81\x40", "\x88", "(", "\n", "\r"};
  std::string s;
  while (s.size() < n) {
    if (rng() % 3 == 0) s += kPieces[rng() % std::size(kPieces)];
    else s += static_cast<char>(rng() % 256);
  }
  return s;
}

TEST(RandomEdits, KeepTheViewInvariantsAndUndoRedoTheWholeSession) {
  std::mt19937 rng(12);
  for (int session = 0; session < 120; ++session) {
    const std::string script = Script(rng, 400);
    test::Input in(reinterpret_cast<const std::uint8_t*>(script.data()), script.size());
    const std::uint8_t flags = in.Byte();
    TTextEditor e;
    TMemoryClipboard clipboard;
    e.SetClipboard(&clipboard);
    e.SetVisibleSize(6, 30);
    e.SetUndoListMax(100000);
    if (flags & 1) {
      e.Text().WrapOption().SetWrapByte(20);
      e.Text().SetWordWrap(true);
    }
    if (flags & 2) e.Caret().SetFreeCaret(true);
    e.Lines().SetTextStr(in.Bytes(in.Byte() % 64));
    const std::string before = e.Text().GetTextStr();
    for (int step = 0; !in.Empty() && step < 200; ++step) {
      test::Step(e, in);
      ASSERT_NO_THROW(e.CheckInvariants()) << "session " << session << " step " << step;
    }
    const std::string after = e.Text().GetTextStr();
    while (e.CanUndo()) e.Undo();
    ASSERT_EQ(e.Text().GetTextStr(), before) << "session " << session;
    ASSERT_NO_THROW(e.CheckInvariants()) << "session " << session;
    while (e.CanRedo()) e.Redo();
    ASSERT_EQ(e.Text().GetTextStr(), after) << "session " << session;
    ASSERT_NO_THROW(e.CheckInvariants()) << "session " << session;
  }
}

}  // namespace
}  // namespace tamber
