// TQtScriptWindowHost: the script library's windows as Qt widgets. A form is
// a top-level QWidget; the controls are QPushButton, QLineEdit, QLabel,
// QCheckBox and QPlainTextEdit. One event filter turns clicks, double
// clicks, key presses and close requests into the library's events.
//
// The widgets belong to the script engine's resource list (Destroy is called
// by ClearScript); whatever is still alive when the host goes is deleted
// with it. A widget destroyed while it delivers an event is deleted later.
#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <map>
#include <memory>

#include "script/script_window_host.h"

class QApplication;

namespace tamber::script {

class TQtScriptWindowHost : public QObject, public ScriptWindowHost {
  Q_OBJECT

 public:
  explicit TQtScriptWindowHost(QObject* parent = nullptr);
  ~TQtScriptWindowHost() override;

  Handle Create(Kind kind) override;
  void Destroy(Handle h) override;
  bool CanContain(Handle h) const override;
  bool CanFocus(Handle h) const override;
  void SetParent(Handle child, Handle parent) override;
  void Connect(Handle h, unsigned events, Handler handler) override;
  void SetBounds(Handle h, int left, int top, int width, int height) override;
  void SetInt(Handle h, Prop p, std::int32_t v) override;
  std::int32_t GetInt(Handle h, Prop p) const override;
  void SetText(Handle h, Prop p, const std::string& cp932) override;
  std::string GetText(Handle h, Prop p) const override;
  void Close(Handle form) override;
  void Center(Handle form) override;
  void Focus(Handle control) override;
  void ProcessMessages() override;

  // The widget behind a handle (tests and the script window look at it).
  QWidget* Widget(Handle h) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Entry {
    Kind kind;
    QPointer<QWidget> widget;
    unsigned events = 0;
    Handler handler;
    int borderStyle = 3;
    int borderIcons = 7;
  };
  Entry* Find(Handle h);
  const Entry* Find(Handle h) const;
  Entry* EntryOf(QObject* watched);
  // Runs the handler of an event; false when nobody listens.
  bool Fire(Entry& e, Event ev, char* key, bool* canClose);
  void ApplyBorder(Entry& e);

  std::map<QWidget*, std::unique_ptr<Entry>> entries_;
  int delivering_ = 0;
  bool replaying_ = false;
  std::unique_ptr<QApplication> ownApp_;  // made when the program has none
};

}  // namespace tamber::script
