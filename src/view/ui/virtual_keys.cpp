#include "view/ui/virtual_keys.h"

#include <span>

namespace tamber {

namespace {

struct KeyRow {
  int qt;
  int vk;
  int scan;
  bool ext;
};

// Keys that are the same on every layout (letters and digits are computed).
constexpr KeyRow kFixed[] = {
    {Qt::Key_Backspace, 0x08, 0x0E, false}, {Qt::Key_Tab, 0x09, 0x0F, false},
    {Qt::Key_Backtab, 0x09, 0x0F, false},   {Qt::Key_Return, 0x0D, 0x1C, false},
    {Qt::Key_Enter, 0x0D, 0x1C, true},      {Qt::Key_Shift, 0x10, 0x2A, false},
    {Qt::Key_Control, 0x11, 0x1D, false},   {Qt::Key_Alt, 0x12, 0x38, false},
    {Qt::Key_Pause, 0x13, 0x45, false},     {Qt::Key_CapsLock, 0x14, 0x3A, false},
    {Qt::Key_Escape, 0x1B, 0x01, false},    {Qt::Key_Space, 0x20, 0x39, false},
    {Qt::Key_PageUp, 0x21, 0x49, true},     {Qt::Key_PageDown, 0x22, 0x51, true},
    {Qt::Key_End, 0x23, 0x4F, true},        {Qt::Key_Home, 0x24, 0x47, true},
    {Qt::Key_Left, 0x25, 0x4B, true},       {Qt::Key_Up, 0x26, 0x48, true},
    {Qt::Key_Right, 0x27, 0x4D, true},      {Qt::Key_Down, 0x28, 0x50, true},
    {Qt::Key_Print, 0x2C, 0x37, true},      {Qt::Key_Insert, 0x2D, 0x52, true},
    {Qt::Key_Delete, 0x2E, 0x53, true},     {Qt::Key_Meta, 0x5B, 0x5B, true},
    {Qt::Key_Menu, 0x5D, 0x5D, true},       {Qt::Key_NumLock, 0x90, 0x45, true},
    {Qt::Key_ScrollLock, 0x91, 0x46, false},
    // the Japanese keyboard's input-method keys
    {Qt::Key_Kanji, 0x19, 0x29, false},     {Qt::Key_Henkan, 0x1C, 0x79, false},
    {Qt::Key_Muhenkan, 0x1D, 0x7B, false},  {Qt::Key_Eisu_toggle, 0xF0, 0x3A, false},
    {Qt::Key_Hiragana_Katakana, 0xF2, 0x70, false},
    {Qt::Key_Zenkaku_Hankaku, 0xF3, 0x29, false},
};

// The numeric keypad (with Qt::KeypadModifier). Without Num Lock the keypad
// reports navigation keys, which keep their own codes (not extended).
constexpr KeyRow kKeypad[] = {
    {Qt::Key_0, 0x60, 0x52, false},        {Qt::Key_1, 0x61, 0x4F, false},
    {Qt::Key_2, 0x62, 0x50, false},        {Qt::Key_3, 0x63, 0x51, false},
    {Qt::Key_4, 0x64, 0x4B, false},        {Qt::Key_5, 0x65, 0x4C, false},
    {Qt::Key_6, 0x66, 0x4D, false},        {Qt::Key_7, 0x67, 0x47, false},
    {Qt::Key_8, 0x68, 0x48, false},        {Qt::Key_9, 0x69, 0x49, false},
    {Qt::Key_Asterisk, 0x6A, 0x37, false}, {Qt::Key_Plus, 0x6B, 0x4E, false},
    {Qt::Key_Comma, 0x6C, 0x7E, false},    {Qt::Key_Minus, 0x6D, 0x4A, false},
    {Qt::Key_Period, 0x6E, 0x53, false},   {Qt::Key_Slash, 0x6F, 0x35, true},
    {Qt::Key_Enter, 0x0D, 0x1C, true},     {Qt::Key_Clear, 0x0C, 0x4C, false},
    {Qt::Key_Home, 0x24, 0x47, false},     {Qt::Key_End, 0x23, 0x4F, false},
    {Qt::Key_PageUp, 0x21, 0x49, false},   {Qt::Key_PageDown, 0x22, 0x51, false},
    {Qt::Key_Left, 0x25, 0x4B, false},     {Qt::Key_Right, 0x27, 0x4D, false},
    {Qt::Key_Up, 0x26, 0x48, false},       {Qt::Key_Down, 0x28, 0x50, false},
    {Qt::Key_Insert, 0x2D, 0x52, false},   {Qt::Key_Delete, 0x2E, 0x53, false},
};

// A key of the typing area: its code, scan code and the Qt keys it gives
// with Shift up and down (Qt::Key_unknown: nothing).
struct LayoutRow {
  int vk;
  int scan;
  int plain;
  int shifted;
};

constexpr LayoutRow kUS[] = {
    {0x31, 0x02, Qt::Key_1, Qt::Key_Exclam},        {0x32, 0x03, Qt::Key_2, Qt::Key_At},
    {0x33, 0x04, Qt::Key_3, Qt::Key_NumberSign},    {0x34, 0x05, Qt::Key_4, Qt::Key_Dollar},
    {0x35, 0x06, Qt::Key_5, Qt::Key_Percent},       {0x36, 0x07, Qt::Key_6, Qt::Key_AsciiCircum},
    {0x37, 0x08, Qt::Key_7, Qt::Key_Ampersand},     {0x38, 0x09, Qt::Key_8, Qt::Key_Asterisk},
    {0x39, 0x0A, Qt::Key_9, Qt::Key_ParenLeft},     {0x30, 0x0B, Qt::Key_0, Qt::Key_ParenRight},
    {0xBA, 0x27, Qt::Key_Semicolon, Qt::Key_Colon}, {0xBB, 0x0D, Qt::Key_Equal, Qt::Key_Plus},
    {0xBC, 0x33, Qt::Key_Comma, Qt::Key_Less},      {0xBD, 0x0C, Qt::Key_Minus, Qt::Key_Underscore},
    {0xBE, 0x34, Qt::Key_Period, Qt::Key_Greater},  {0xBF, 0x35, Qt::Key_Slash, Qt::Key_Question},
    {0xC0, 0x29, Qt::Key_QuoteLeft, Qt::Key_AsciiTilde},
    {0xDB, 0x1A, Qt::Key_BracketLeft, Qt::Key_BraceLeft},
    {0xDC, 0x2B, Qt::Key_Backslash, Qt::Key_Bar},
    {0xDD, 0x1B, Qt::Key_BracketRight, Qt::Key_BraceRight},
    {0xDE, 0x28, Qt::Key_Apostrophe, Qt::Key_QuoteDbl},
};

constexpr LayoutRow kJapanese[] = {
    {0x31, 0x02, Qt::Key_1, Qt::Key_Exclam},        {0x32, 0x03, Qt::Key_2, Qt::Key_QuoteDbl},
    {0x33, 0x04, Qt::Key_3, Qt::Key_NumberSign},    {0x34, 0x05, Qt::Key_4, Qt::Key_Dollar},
    {0x35, 0x06, Qt::Key_5, Qt::Key_Percent},       {0x36, 0x07, Qt::Key_6, Qt::Key_Ampersand},
    {0x37, 0x08, Qt::Key_7, Qt::Key_Apostrophe},    {0x38, 0x09, Qt::Key_8, Qt::Key_ParenLeft},
    {0x39, 0x0A, Qt::Key_9, Qt::Key_ParenRight},    {0x30, 0x0B, Qt::Key_0, Qt::Key_unknown},
    {0xBA, 0x28, Qt::Key_Colon, Qt::Key_Asterisk},  {0xBB, 0x27, Qt::Key_Semicolon, Qt::Key_Plus},
    {0xBC, 0x33, Qt::Key_Comma, Qt::Key_Less},      {0xBD, 0x0C, Qt::Key_Minus, Qt::Key_Equal},
    {0xBE, 0x34, Qt::Key_Period, Qt::Key_Greater},  {0xBF, 0x35, Qt::Key_Slash, Qt::Key_Question},
    {0xC0, 0x1A, Qt::Key_At, Qt::Key_QuoteLeft},
    {0xDB, 0x1B, Qt::Key_BracketLeft, Qt::Key_BraceLeft},
    {0xDC, 0x7D, Qt::Key_Backslash, Qt::Key_Bar},   // the yen key
    {0xDD, 0x2B, Qt::Key_BracketRight, Qt::Key_BraceRight},
    {0xDE, 0x0D, Qt::Key_AsciiCircum, Qt::Key_AsciiTilde},
    {0xE2, 0x73, Qt::Key_Backslash, Qt::Key_Underscore},  // the ro key
};

constexpr unsigned kXKeyCodeRo = 97;  // X key code of the ro key (evdev 89 + 8)

constexpr std::span<const LayoutRow> Rows(TKeyboardLayout layout) {
  if (layout == klUS) return kUS;
  return kJapanese;
}

// The letters' scan codes, A to Z, on the QWERTY rows of both keyboards.
constexpr int kLetterScan[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                 0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

}  // namespace

TVirtualKey QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods, TKeyboardLayout layout,
                              unsigned nativeScanCode) {
  if (qtKey == Qt::Key_unknown) return {};  // also marks the empty cells of the layout rows
  if (mods & Qt::KeypadModifier)
    for (const KeyRow& r : kKeypad)
      if (r.qt == qtKey) return {r.vk, r.scan, r.ext};
  if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
    return {qtKey, kLetterScan[qtKey - Qt::Key_A], false};
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24) {
    const int n = qtKey - Qt::Key_F1;  // F1-F10 3B-44, F11 57, F12 58, F13-F24 64-6F
    const int scan = n < 10 ? 0x3B + n : n < 12 ? 0x57 + (n - 10) : 0x64 + (n - 12);
    return {0x70 + n, scan, false};
  }
  for (const KeyRow& r : kFixed)
    if (r.qt == qtKey) return {r.vk, r.scan, r.ext};
  if (layout == klJapanese && nativeScanCode == kXKeyCodeRo &&
      (qtKey == Qt::Key_Backslash || qtKey == Qt::Key_Underscore))
    return {0xE2, 0x73, false};
  for (const LayoutRow& r : Rows(layout))
    if (r.plain == qtKey || r.shifted == qtKey) return {r.vk, r.scan, false};
  if (layout == klJapanese && qtKey == Qt::Key_yen) return {0xDC, 0x7D, false};
  return {};
}

TQtKey VirtualKeyToQtKey(int vk, bool shift, TKeyboardLayout layout) {
  if (vk >= 'A' && vk <= 'Z') return {vk, false};
  if (vk >= 0x70 && vk <= 0x87) return {Qt::Key_F1 + (vk - 0x70), false};
  if ((vk >= 0x60 && vk <= 0x6F) || vk == 0x0C)
    for (const KeyRow& r : kKeypad)
      if (r.vk == vk) return {r.qt, true};
  if (vk == 0x09) return {shift ? Qt::Key_Backtab : Qt::Key_Tab, false};
  for (const LayoutRow& r : Rows(layout))
    if (r.vk == vk) return {shift && r.shifted != Qt::Key_unknown ? r.shifted : r.plain, false};
  if (vk == 0xF4) return {Qt::Key_Zenkaku_Hankaku, false};  // the key's other toggle state
  for (const KeyRow& r : kFixed)
    if (r.vk == vk) return {r.qt, false};
  return {};
}

int KeyDataOf(const TVirtualKey& key, bool alt, bool autoRepeat) {
  unsigned d = 1u | (static_cast<unsigned>(key.ScanCode & 0xFF) << 16);
  if (key.Extended) d |= 1u << 24;
  if (alt) d |= 1u << 29;
  if (autoRepeat) d |= 1u << 30;
  return static_cast<int>(d);
}

}  // namespace tamber
