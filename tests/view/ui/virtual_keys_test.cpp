// Qt keys and the original platform's virtual-key codes, both ways, on a
// Japanese and a US keyboard.
#include "view/ui/virtual_keys.h"

#include <gtest/gtest.h>

using namespace tamber;

namespace {

struct Case {
  int qt;
  bool shift;
  bool keypad;
  int vk;
  int scan;
  bool ext;
};

// Keys whose codes do not depend on the layout.
constexpr Case kCommon[] = {
    {Qt::Key_A, false, false, 0x41, 0x1E, false}, {Qt::Key_Z, true, false, 0x5A, 0x2C, false},
    {Qt::Key_Q, false, false, 0x51, 0x10, false}, {Qt::Key_5, false, false, 0x35, 0x06, false},
    {Qt::Key_0, false, false, 0x30, 0x0B, false}, {Qt::Key_F1, false, false, 0x70, 0x3B, false},
    {Qt::Key_F10, false, false, 0x79, 0x44, false}, {Qt::Key_F12, false, false, 0x7B, 0x58, false},
    {Qt::Key_Left, false, false, 0x25, 0x4B, true}, {Qt::Key_Up, false, false, 0x26, 0x48, true},
    {Qt::Key_Right, false, false, 0x27, 0x4D, true}, {Qt::Key_Down, false, false, 0x28, 0x50, true},
    {Qt::Key_Home, false, false, 0x24, 0x47, true}, {Qt::Key_End, false, false, 0x23, 0x4F, true},
    {Qt::Key_PageUp, false, false, 0x21, 0x49, true},
    {Qt::Key_PageDown, false, false, 0x22, 0x51, true},
    {Qt::Key_Insert, false, false, 0x2D, 0x52, true}, {Qt::Key_Delete, false, false, 0x2E, 0x53, true},
    {Qt::Key_Backspace, false, false, 0x08, 0x0E, false}, {Qt::Key_Tab, false, false, 0x09, 0x0F, false},
    {Qt::Key_Backtab, true, false, 0x09, 0x0F, false}, {Qt::Key_Return, false, false, 0x0D, 0x1C, false},
    {Qt::Key_Escape, false, false, 0x1B, 0x01, false}, {Qt::Key_Space, false, false, 0x20, 0x39, false},
    {Qt::Key_Shift, false, false, 0x10, 0x2A, false},
    {Qt::Key_Control, false, false, 0x11, 0x1D, false},
    {Qt::Key_0, false, true, 0x60, 0x52, false}, {Qt::Key_9, false, true, 0x69, 0x49, false},
    {Qt::Key_Asterisk, false, true, 0x6A, 0x37, false}, {Qt::Key_Plus, false, true, 0x6B, 0x4E, false},
    {Qt::Key_Minus, false, true, 0x6D, 0x4A, false}, {Qt::Key_Period, false, true, 0x6E, 0x53, false},
    {Qt::Key_Slash, false, true, 0x6F, 0x35, true}, {Qt::Key_Enter, false, true, 0x0D, 0x1C, true},
    {Qt::Key_Henkan, false, false, 0x1C, 0x79, false},
    {Qt::Key_Muhenkan, false, false, 0x1D, 0x7B, false},
};

constexpr Case kUSKeys[] = {
    {Qt::Key_Semicolon, false, false, 0xBA, 0x27, false}, {Qt::Key_Colon, true, false, 0xBA, 0x27, false},
    {Qt::Key_Equal, false, false, 0xBB, 0x0D, false},     {Qt::Key_Plus, true, false, 0xBB, 0x0D, false},
    {Qt::Key_Comma, false, false, 0xBC, 0x33, false},     {Qt::Key_Underscore, true, false, 0xBD, 0x0C, false},
    {Qt::Key_Period, false, false, 0xBE, 0x34, false},    {Qt::Key_Question, true, false, 0xBF, 0x35, false},
    {Qt::Key_QuoteLeft, false, false, 0xC0, 0x29, false}, {Qt::Key_BraceLeft, true, false, 0xDB, 0x1A, false},
    {Qt::Key_Backslash, false, false, 0xDC, 0x2B, false}, {Qt::Key_BracketRight, false, false, 0xDD, 0x1B, false},
    {Qt::Key_QuoteDbl, true, false, 0xDE, 0x28, false},   {Qt::Key_At, true, false, 0x32, 0x03, false},
    {Qt::Key_ParenLeft, true, false, 0x39, 0x0A, false},
};

constexpr Case kJapaneseKeys[] = {
    {Qt::Key_Colon, false, false, 0xBA, 0x28, false},     {Qt::Key_Asterisk, true, false, 0xBA, 0x28, false},
    {Qt::Key_Semicolon, false, false, 0xBB, 0x27, false}, {Qt::Key_Plus, true, false, 0xBB, 0x27, false},
    {Qt::Key_Equal, true, false, 0xBD, 0x0C, false},      {Qt::Key_At, false, false, 0xC0, 0x1A, false},
    {Qt::Key_BracketLeft, false, false, 0xDB, 0x1B, false},
    {Qt::Key_Backslash, false, false, 0xDC, 0x7D, false}, {Qt::Key_Bar, true, false, 0xDC, 0x7D, false},
    {Qt::Key_BracketRight, false, false, 0xDD, 0x2B, false},
    {Qt::Key_AsciiCircum, false, false, 0xDE, 0x0D, false},
    {Qt::Key_Underscore, true, false, 0xE2, 0x73, false}, {Qt::Key_QuoteDbl, true, false, 0x32, 0x03, false},
    {Qt::Key_ParenLeft, true, false, 0x38, 0x09, false},
};

void CheckBothWays(const Case& c, TKeyboardLayout layout) {
  Qt::KeyboardModifiers mods;
  if (c.shift) mods |= Qt::ShiftModifier;
  if (c.keypad) mods |= Qt::KeypadModifier;
  const TVirtualKey v = QtKeyToVirtualKey(c.qt, mods, layout);
  EXPECT_EQ(v.Vk, c.vk) << std::hex << c.qt;
  EXPECT_EQ(v.ScanCode, c.scan) << std::hex << c.qt;
  EXPECT_EQ(v.Extended, c.ext) << std::hex << c.qt;
  const TQtKey back = VirtualKeyToQtKey(c.vk, c.shift, layout);
  // Return and keypad Enter share a code; the code gives back the main key.
  if (c.qt == Qt::Key_Enter) return;
  EXPECT_EQ(back.Key, c.qt) << std::hex << c.vk;
  EXPECT_EQ(back.Keypad, c.keypad) << std::hex << c.vk;
}

}  // namespace

TEST(VirtualKeys, LayoutIndependentKeysMapBothWaysOnBothLayouts) {
  for (TKeyboardLayout l : {klJapanese, klUS})
    for (const Case& c : kCommon) CheckBothWays(c, l);
}

TEST(VirtualKeys, PunctuationKeysFollowTheLayout) {
  for (const Case& c : kUSKeys) CheckBothWays(c, klUS);
  for (const Case& c : kJapaneseKeys) CheckBothWays(c, klJapanese);
}

TEST(VirtualKeys, TheRoKeyIsToldFromTheYenKeyByItsKeyCode) {
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backslash, {}, klJapanese, 97).Vk, 0xE2);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backslash, {}, klJapanese, 132).Vk, 0xDC);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_yen, {}, klJapanese).Vk, 0xDC);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_Backslash, {}, klUS, 97).Vk, 0xDC);
}

TEST(VirtualKeys, KeysWithoutACodeGiveNone) {
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_unknown, {}).Vk, 0);
  EXPECT_EQ(QtKeyToVirtualKey(Qt::Key_VolumeUp, {}).Vk, 0);
  EXPECT_EQ(VirtualKeyToQtKey(0xFF, false).Key, Qt::Key_unknown);
  EXPECT_EQ(VirtualKeyToQtKey(0x30, true, klJapanese).Key, Qt::Key_0);  // Shift+0 types nothing
}

TEST(VirtualKeys, KeyDataCarriesScanCodeAndFlags) {
  EXPECT_EQ(KeyDataOf({0x41, 0x1E, false}, false, false), 0x001E0001);
  EXPECT_EQ(KeyDataOf({0x25, 0x4B, true}, false, false), 0x014B0001);
  EXPECT_EQ(KeyDataOf({0x41, 0x1E, false}, true, true), 0x601E0001);
}
