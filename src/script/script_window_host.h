// The windows behind the library's window classes (TForm, TBUTTON, TEDIT,
// TLABEL, TCHECKBOX, TMEMO). The engine reaches them only through this
// interface; a toolkit implements it (the Qt one lives in script/ui).
//
// Texts cross the interface as Shift-JIS bytes, colours as RGB integers with
// red in the low byte (0x0000FF is red).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace tamber::script {

class ScriptWindowHost {
 public:
  using Handle = void*;
  enum class Kind : std::uint8_t { Form, Button, Edit, Label, CheckBox, Memo };
  enum Event : std::uint8_t { evClick = 1, evDblClick = 2, evChange = 4, evKeyPress = 8, evCloseQuery = 16 };
  enum class Prop : std::uint8_t {
    Left, Top, Width, Height, Visible, Enabled, Color, FontSize, FontColor, FontStyle,
    Checked, ReadOnly, Default, Cancel, BorderStyle, BorderIcons,
    // texts
    Caption, Text, FontName,
  };
  // An event of a window: key is the pressed character (0 for none) and
  // may be changed (0 swallows the key); canClose starts true.
  using Handler = std::function<void(Event, char* key, bool* canClose)>;

  virtual ~ScriptWindowHost() = default;

  // A new hidden window of the kind, without parent.
  virtual Handle Create(Kind kind) = 0;
  // Detaches the window's children (they stay alive) and destroys it.
  virtual void Destroy(Handle h) = 0;
  virtual bool CanContain(Handle h) const = 0;
  virtual bool CanFocus(Handle h) const = 0;
  virtual void SetParent(Handle child, Handle parent) = 0;
  // Events of the mask go to the handler; an empty handler disconnects.
  virtual void Connect(Handle h, unsigned events, Handler handler) = 0;

  virtual void SetBounds(Handle h, int left, int top, int width, int height) = 0;
  virtual void SetInt(Handle h, Prop p, std::int32_t v) = 0;
  virtual std::int32_t GetInt(Handle h, Prop p) const = 0;
  virtual void SetText(Handle h, Prop p, const std::string& cp932) = 0;
  virtual std::string GetText(Handle h, Prop p) const = 0;

  virtual void Close(Handle form) = 0;
  virtual void Center(Handle form) = 0;
  virtual void Focus(Handle control) = 0;
  // Runs the pending window messages (events reach their handlers).
  virtual void ProcessMessages() = 0;
};

}  // namespace tamber::script
