// A widget as the key macro recorder's control: an event filter that records
// the key presses, characters and input-method commits reaching the widget,
// and playback that sends the recorded entries to it as Qt events.
//
// A key press becomes a key-down entry (its virtual-key code) followed by one
// character entry per CP932 byte of its text; an input-method commit becomes
// one input-method entry per character. On playback a key-down is sent as a
// key press without text, a character as a key press of Qt::Key_unknown that
// carries only the text (a double-byte character once both bytes arrived),
// an input-method character as a QInputMethodEvent commit.
//
// The object is a child of the widget, so it goes (and the recorder forgets
// it) when the widget is destroyed.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <string>

#include "view/key_macro.h"
#include "view/ui/virtual_keys.h"

namespace tamber {

class TWidgetKeyMacroTarget : public QObject, public TKeyMacroTarget {
 public:
  explicit TWidgetKeyMacroTarget(QWidget* widget);
  ~TWidgetKeyMacroTarget() override;

  QWidget* Widget() const { return widget_; }
  TKeyboardLayout Layout() const { return layout_; }
  void SetLayout(TKeyboardLayout l) { layout_ = l; }

  void SetKeyMacroFilter(bool on) override;
  void PlayKeyMacroEntry(const TKeyMacroData& entry) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void RecordKey(const class QKeyEvent& k);
  void RecordCommit(const QString& text);

  QPointer<QWidget> widget_;
  TKeyboardLayout layout_ = klJapanese;
  bool filtering_ = false;
  std::string pending_lead_;  // a lead byte waiting for its trail byte on playback
};

}  // namespace tamber
