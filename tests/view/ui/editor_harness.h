// Test support: an editor widget offscreen with the focus and a clipboard in
// memory, fed keys and input-method events the way Qt delivers them, with
// its text and paint at hand. QTest::keyClicks cannot type Japanese: an
// input method's preedit and commit go in as QInputMethodEvents.
#pragma once

#include <QApplication>
#include <QImage>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QTextCharFormat>
#include <QtTest>
#include <string>

#include "view/clipboard.h"
#include "view/ui/editor_widget.h"

namespace tamber::test {

class TEditorHarness {
 public:
  explicit TEditorHarness(int width = 480, int height = 240, QWidget* parent = nullptr) : widget_(parent) {
    widget_.Editor().SetClipboard(&clipboard_);
    widget_.resize(width, height);
    widget_.show();
    widget_.activateWindow();
    widget_.setFocus();
    QApplication::processEvents();
    if (!widget_.hasFocus()) {
      // Offscreen windows are not always activated: hand the focus in directly.
      QFocusEvent in(QEvent::FocusIn, Qt::OtherFocusReason);
      QApplication::sendEvent(&widget_, &in);
    }
  }

  TEditorWidget& Widget() { return widget_; }
  TTextEditor& Editor() { return widget_.Editor(); }
  TMemoryClipboard& Clipboard() { return clipboard_; }
  std::string Text() { return widget_.Editor().Lines().GetTextStr(); }

  // A key press and its release; scanCode is the X key code (0: unknown).
  void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString& text = {}, bool autoRepeat = false,
           quint32 scanCode = 0) {
    QKeyEvent press(QEvent::KeyPress, key, mods, scanCode, 0, 0, text, autoRepeat);
    QApplication::sendEvent(&widget_, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, scanCode, 0, 0, text, autoRepeat);
    QApplication::sendEvent(&widget_, &release);
  }
  // One key press per character (a surrogate pair is one character).
  void Type(const QString& s) {
    for (qsizetype i = 0; i < s.size();) {
      const qsizetype n = s.at(i).isHighSurrogate() && i + 1 < s.size() ? 2 : 1;
      const QString ch = s.mid(i, n);
      const int key = n == 1 && ch.at(0).isLetterOrNumber() && ch.at(0).unicode() < 0x80
                          ? ch.at(0).toUpper().unicode()
                          : Qt::Key_unknown;
      Key(key, Qt::NoModifier, ch);
      i += n;
    }
  }

  // A preedit of the input method: the whole text underlined as typed, the
  // cursor at its end, unless attributes are given.
  void Preedit(const QString& s, QList<QInputMethodEvent::Attribute> attrs = {}) {
    if (attrs.isEmpty()) {
      QTextCharFormat f;
      f.setFontUnderline(true);
      attrs << QInputMethodEvent::Attribute(QInputMethodEvent::TextFormat, 0, static_cast<int>(s.size()), f)
            << QInputMethodEvent::Attribute(QInputMethodEvent::Cursor, static_cast<int>(s.size()), 1, QVariant());
    }
    QInputMethodEvent e(s, attrs);
    QApplication::sendEvent(&widget_, &e);
  }
  // The commit of the input method, replacing the given UTF-16 range around the caret.
  void Commit(const QString& s, int replacementStart = 0, int replacementLength = 0) {
    QInputMethodEvent e;
    e.setCommitString(s, replacementStart, replacementLength);
    QApplication::sendEvent(&widget_, &e);
  }
  QVariant Query(Qt::InputMethodQuery q) { return widget_.inputMethodQuery(q); }

  // What the viewport shows now.
  QImage Paint() {
    QImage img(widget_.viewport()->size(), QImage::Format_RGB32);
    widget_.RenderTo(img);
    return img;
  }

 private:
  TMemoryClipboard clipboard_;
  TEditorWidget widget_;
};

}  // namespace tamber::test
