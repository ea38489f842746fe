// Qt keys and the virtual-key codes of the original platform, both ways.
// Key macro entries carry virtual-key codes so that macro files made there
// load and play here. The punctuation (OEM) keys sit at different places on
// a Japanese and a US keyboard, so their codes depend on the layout.
#pragma once

#include <Qt>

namespace tamber {

enum TKeyboardLayout { klJapanese, klUS };

// A virtual key and the scan code its key-data word carries.
struct TVirtualKey {
  int Vk = 0;         // 0: the Qt key has no virtual key
  int ScanCode = 0;   // set-1 scan code
  bool Extended = false;
};

// The virtual key of a Qt key as a key event reports it (the shifted
// character's key for punctuation; Qt::KeypadModifier for the keypad).
// nativeScanCode (the X key code, 0 if unknown) tells the two backslash keys
// of a Japanese keyboard apart.
TVirtualKey QtKeyToVirtualKey(int qtKey, Qt::KeyboardModifiers mods,
                              TKeyboardLayout layout = klJapanese, unsigned nativeScanCode = 0);

// The Qt key a virtual key gives with Shift up or down, and whether it is a
// keypad key. Key is Qt::Key_unknown for a code without one.
struct TQtKey {
  int Key = Qt::Key_unknown;
  bool Keypad = false;
};
TQtKey VirtualKeyToQtKey(int vk, bool shift, TKeyboardLayout layout = klJapanese);

// The key-data word of a key-down: repeat count 1, the scan code, the
// extended-key flag, the context bit when Alt is down, the previous-state bit
// for an auto-repeat.
int KeyDataOf(const TVirtualKey& key, bool alt, bool autoRepeat);

}  // namespace tamber
