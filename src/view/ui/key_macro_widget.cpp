#include "view/ui/key_macro_widget.h"

#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"

namespace tamber {

namespace {

std::uint8_t Byte(bool down) { return down ? kKeyMacroKeyDownByte : 0; }

TKeyMacroData Entry(std::uint32_t msg, unsigned code, int keyData, Qt::KeyboardModifiers mods) {
  return {msg, static_cast<std::uint16_t>(code), keyData, Byte(mods & Qt::ShiftModifier),
          Byte(mods & Qt::ControlModifier), Byte(mods & Qt::AltModifier)};
}

Qt::KeyboardModifiers ModifiersOf(const TKeyMacroData& e) {
  Qt::KeyboardModifiers m;
  if (e.Shift & 0x80) m |= Qt::ShiftModifier;
  if (e.Ctrl & 0x80) m |= Qt::ControlModifier;
  if (e.Alt & 0x80) m |= Qt::AltModifier;
  return m;
}

QString FromCp932(std::string_view bytes) {
  const std::u16string u = Cp932ToUtf16(bytes);
  return QString::fromUtf16(u.data(), static_cast<qsizetype>(u.size()));
}

std::string ToCp932(const QString& s, std::size_t* lost) {
  return Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(s.utf16()),
                                          static_cast<std::size_t>(s.size())),
                      lost);
}

}  // namespace

TWidgetKeyMacroTarget::TWidgetKeyMacroTarget(QWidget* widget) : QObject(widget), widget_(widget) {}

TWidgetKeyMacroTarget::~TWidgetKeyMacroTarget() {
  if (filtering_ && widget_) widget_->removeEventFilter(this);
}

void TWidgetKeyMacroTarget::SetKeyMacroFilter(bool on) {
  if (on == filtering_ || !widget_) return;
  filtering_ = on;
  if (on)
    widget_->installEventFilter(this);
  else
    widget_->removeEventFilter(this);
}

bool TWidgetKeyMacroTarget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == widget_) {
    if (event->type() == QEvent::KeyPress)
      RecordKey(*static_cast<QKeyEvent*>(event));
    else if (event->type() == QEvent::InputMethod)
      RecordCommit(static_cast<QInputMethodEvent*>(event)->commitString());
  }
  return false;  // recorded or not, the widget handles it as ever
}

void TWidgetKeyMacroTarget::RecordKey(const QKeyEvent& k) {
  const Qt::KeyboardModifiers mods = k.modifiers();
  const TVirtualKey vk = QtKeyToVirtualKey(k.key(), mods, layout_, k.nativeScanCode());
  const int keyData = KeyDataOf(vk, mods & Qt::AltModifier, k.isAutoRepeat());
  if (vk.Vk) RecordKeyMacroEntry(Entry(kKeyMacroKeyDown, vk.Vk, keyData, mods));
  // A character CP932 cannot hold cannot be played into a CP932 text either.
  std::size_t lost = 0;
  const std::string bytes = ToCp932(k.text(), &lost);
  if (lost) return;
  for (unsigned char b : bytes) RecordKeyMacroEntry(Entry(kKeyMacroChar, b, keyData, mods));
}

void TWidgetKeyMacroTarget::RecordCommit(const QString& text) {
  std::size_t lost = 0;
  const std::string bytes = ToCp932(text, &lost);
  if (lost) return;
  for (std::size_t i = 0; i < bytes.size();) {
    const std::size_t n = CharLength(bytes, i);
    unsigned code = static_cast<unsigned char>(bytes[i]);
    if (n == 2) code = code * 256 + static_cast<unsigned char>(bytes[i + 1]);
    RecordKeyMacroEntry(Entry(kKeyMacroImeChar, code, 1, Qt::NoModifier));
    i += n;
  }
}

void TWidgetKeyMacroTarget::PlayKeyMacroEntry(const TKeyMacroData& e) {
  if (!widget_) return;
  Qt::KeyboardModifiers mods = ModifiersOf(e);
  switch (e.Msg) {
    case kKeyMacroKeyDown: {
      pending_lead_.clear();
      const TQtKey q = VirtualKeyToQtKey(e.CharCode, mods & Qt::ShiftModifier, layout_);
      if (q.Key == Qt::Key_unknown) return;
      if (q.Keypad) mods |= Qt::KeypadModifier;
      QKeyEvent ev(QEvent::KeyPress, q.Key, mods, QString());
      QCoreApplication::sendEvent(widget_, &ev);
      return;
    }
    case kKeyMacroChar: {
      const char b = static_cast<char>(e.CharCode);
      std::string ch;
      if (!pending_lead_.empty()) {
        ch = pending_lead_ + b;
        pending_lead_.clear();
      } else if (IsLeadByte(b)) {
        pending_lead_ = std::string(1, b);
        return;
      } else {
        ch = std::string(1, b);
      }
      const QString text = e.CharCode < 0x80 && ch.size() == 1 ? QString(QChar(e.CharCode))
                                                               : FromCp932(ch);
      QKeyEvent ev(QEvent::KeyPress, Qt::Key_unknown, mods, text);
      QCoreApplication::sendEvent(widget_, &ev);
      return;
    }
    case kKeyMacroImeChar: {
      pending_lead_.clear();
      std::string ch;
      if (e.CharCode > 0xFF) ch += static_cast<char>(e.CharCode >> 8);
      ch += static_cast<char>(e.CharCode & 0xFF);
      QInputMethodEvent ev;
      ev.setCommitString(FromCp932(ch));
      QCoreApplication::sendEvent(widget_, &ev);
      return;
    }
    default: return;
  }
}

}  // namespace tamber
