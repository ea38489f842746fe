#include "script/ui/qt_script_window_host.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>

#include <cstdlib>

#include "base/color.h"
#include "encoding/cp932_codec.h"

namespace tamber::script {

namespace {

QString FromCp932(const std::string& s) { return QString::fromStdU16String(Cp932ToUtf16(s)); }
std::string ToCp932(const QString& s) { return Utf16ToCp932(s.toStdU16String()); }

// Colours as the library writes them (TColor: red in the low byte, or a
// system colour resolved against the application's palette).
QColor FromRgbInt(std::int32_t v) {
  const TColor c = static_cast<TColor>(v);
  if (IsSystemColor(c)) {
    const QPalette pal = QApplication::palette();
    switch (SystemColorIndex(c)) {
      case 5: return pal.color(QPalette::Base);
      case 8: return pal.color(QPalette::Text);
      case 13: return pal.color(QPalette::Highlight);
      case 14: return pal.color(QPalette::HighlightedText);
      default: return pal.color(QPalette::Button);
    }
  }
  return QColor(RedOf(c), GreenOf(c), BlueOf(c));
}
std::int32_t ToRgbInt(const QColor& c) { return static_cast<std::int32_t>(Rgb(c.red(), c.green(), c.blue())); }

int g_argc = 1;
char g_arg0[] = "tamber-script";
char* g_argv[] = {g_arg0, nullptr};

}  // namespace

TQtScriptWindowHost::TQtScriptWindowHost(QObject* parent) : QObject(parent) {}

TQtScriptWindowHost::~TQtScriptWindowHost() {
  auto entries = std::move(entries_);
  entries_.clear();
  for (auto& [w, e] : entries)
    if (e->widget) QObject::disconnect(e->widget.data(), nullptr, nullptr, nullptr);
  // Top-level widgets first takes their children with them.
  for (auto& [w, e] : entries)
    if (e->widget && !e->widget->parentWidget()) delete e->widget.data();
  for (auto& [w, e] : entries)
    if (e->widget) delete e->widget.data();
  if (QCoreApplication::instance()) QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TQtScriptWindowHost::Entry* TQtScriptWindowHost::Find(Handle h) {
  auto it = entries_.find(static_cast<QWidget*>(h));
  return it == entries_.end() || !it->second->widget ? nullptr : it->second.get();
}

const TQtScriptWindowHost::Entry* TQtScriptWindowHost::Find(Handle h) const {
  auto it = entries_.find(static_cast<QWidget*>(h));
  return it == entries_.end() || !it->second->widget ? nullptr : it->second.get();
}

TQtScriptWindowHost::Entry* TQtScriptWindowHost::EntryOf(QObject* watched) {
  auto it = entries_.find(qobject_cast<QWidget*>(watched));
  if (it != entries_.end()) return it->second.get();
  // A memo's mouse events arrive at its viewport.
  if (auto* memo = qobject_cast<QPlainTextEdit*>(watched->parent()); memo && memo->viewport() == watched) {
    it = entries_.find(memo);
    if (it != entries_.end()) return it->second.get();
  }
  return nullptr;
}

QWidget* TQtScriptWindowHost::Widget(Handle h) const {
  const Entry* e = Find(h);
  return e ? e->widget.data() : nullptr;
}

ScriptWindowHost::Handle TQtScriptWindowHost::Create(Kind kind) {
  if (!QCoreApplication::instance()) {
    // Without a display Qt would end the program: the window is refused instead.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY") && !std::getenv("QT_QPA_PLATFORM")) return nullptr;
    ownApp_ = std::make_unique<QApplication>(g_argc, g_argv);
  }
  QWidget* w = nullptr;
  switch (kind) {
    case Kind::Form: w = new QWidget(nullptr, Qt::Window); break;
    case Kind::Button: w = new QPushButton; break;
    case Kind::Edit: w = new QLineEdit; break;
    case Kind::Label: w = new QLabel; break;
    case Kind::CheckBox: w = new QCheckBox; break;
    case Kind::Memo: w = new QPlainTextEdit; break;
  }
  auto e = std::make_unique<Entry>();
  e->kind = kind;
  e->widget = w;
  Entry* ep = e.get();
  entries_.emplace(w, std::move(e));
  w->installEventFilter(this);
  if (auto* memo = qobject_cast<QPlainTextEdit*>(w)) memo->viewport()->installEventFilter(this);
  if (auto* b = qobject_cast<QAbstractButton*>(w))
    connect(b, &QAbstractButton::clicked, w, [this, ep] { Fire(*ep, evClick, nullptr, nullptr); });
  if (auto* le = qobject_cast<QLineEdit*>(w))
    connect(le, &QLineEdit::textChanged, w, [this, ep] { Fire(*ep, evChange, nullptr, nullptr); });
  if (auto* memo = qobject_cast<QPlainTextEdit*>(w))
    connect(memo, &QPlainTextEdit::textChanged, w, [this, ep] { Fire(*ep, evChange, nullptr, nullptr); });
  if (kind == Kind::Form) w->resize(320, 240);
  return w;
}

void TQtScriptWindowHost::Destroy(Handle h) {
  auto it = entries_.find(static_cast<QWidget*>(h));
  if (it == entries_.end()) return;
  std::unique_ptr<Entry> e = std::move(it->second);
  entries_.erase(it);
  QWidget* w = e->widget;
  if (!w) return;
  // Controls of this library inside it live on as windows of their own.
  for (auto& [child, ce] : entries_)
    if (ce->widget && ce->widget->parentWidget() == w) {
      ce->widget->hide();
      ce->widget->setParent(nullptr);
    }
  w->removeEventFilter(this);
  QObject::disconnect(w, nullptr, nullptr, nullptr);  // its signals reach no handler any more
  if (delivering_ > 0) {
    w->hide();
    w->deleteLater();
  } else {
    delete w;
  }
}

bool TQtScriptWindowHost::CanContain(Handle h) const {
  const Entry* e = Find(h);
  return e && e->kind == Kind::Form;
}

bool TQtScriptWindowHost::CanFocus(Handle h) const {
  const Entry* e = Find(h);
  return e && e->widget->focusPolicy() != Qt::NoFocus;
}

void TQtScriptWindowHost::SetParent(Handle child, Handle parent) {
  Entry* c = Find(child);
  if (!c) return;
  Entry* p = parent ? Find(parent) : nullptr;
  const bool shown = !c->widget->isHidden();
  c->widget->setParent(p ? p->widget.data() : nullptr);
  if (shown) c->widget->show();
}

void TQtScriptWindowHost::Connect(Handle h, unsigned events, Handler handler) {
  if (Entry* e = Find(h)) {
    e->events = handler ? events : 0;
    e->handler = std::move(handler);
  }
}

bool TQtScriptWindowHost::Fire(Entry& e, Event ev, char* key, bool* canClose) {
  if (!(e.events & ev) || !e.handler) return false;
  // The handler may destroy this very window: keep a copy of it.
  Handler handler = e.handler;
  ++delivering_;
  handler(ev, key, canClose);
  --delivering_;
  return true;
}

bool TQtScriptWindowHost::eventFilter(QObject* watched, QEvent* event) {
  Entry* e = EntryOf(watched);
  if (!e || !e->widget) return QObject::eventFilter(watched, event);
  const bool buttonLike = e->kind == Kind::Button || e->kind == Kind::CheckBox;
  switch (event->type()) {
    case QEvent::MouseButtonRelease:
      if (!buttonLike && static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton)
        Fire(*e, evClick, nullptr, nullptr);
      break;
    case QEvent::MouseButtonDblClick:
      if (!buttonLike) Fire(*e, evDblClick, nullptr, nullptr);
      break;
    case QEvent::KeyPress: {
      auto* ke = static_cast<QKeyEvent*>(event);
      if (e->kind == Kind::Form && (ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter ||
                                    ke->key() == Qt::Key_Escape)) {
        // Keys no control took: Enter presses the default button, Escape the cancel one.
        const char* which = ke->key() == Qt::Key_Escape ? "tamberCancel" : "tamberDefault";
        for (auto* b : e->widget->findChildren<QPushButton*>())
          if (b->property(which).toBool() && b->isEnabled() && b->isVisible()) {
            b->click();
            return true;
          }
      }
      if (replaying_ || ke->text().isEmpty() || !(e->events & evKeyPress)) break;
      const std::string bytes = ToCp932(ke->text());
      if (bytes.size() != 1) break;
      char key = bytes[0];
      QPointer<QObject> alive(watched);
      Fire(*e, evKeyPress, &key, nullptr);
      if (key == bytes[0]) break;
      if (key != 0 && alive) {
        // The handler changed the key: the control gets the new one instead.
        QKeyEvent other(QEvent::KeyPress, 0, ke->modifiers(), FromCp932(std::string(1, key)));
        replaying_ = true;
        QCoreApplication::sendEvent(watched, &other);
        replaying_ = false;
      }
      return true;
    }
    case QEvent::Close: {
      if (e->kind != Kind::Form) break;
      bool canClose = true;
      Fire(*e, evCloseQuery, nullptr, &canClose);
      if (!canClose) {
        event->ignore();
        return true;
      }
      break;
    }
    default: break;
  }
  return QObject::eventFilter(watched, event);
}

void TQtScriptWindowHost::SetBounds(Handle h, int left, int top, int width, int height) {
  Entry* e = Find(h);
  if (!e) return;
  e->widget->move(left, top);
  if (e->kind == Kind::Form && (e->borderStyle == 1 || e->borderStyle == 2)) e->widget->setFixedSize(width, height);
  else e->widget->resize(width, height);
}

void TQtScriptWindowHost::ApplyBorder(Entry& e) {
  QWidget* w = e.widget;
  const bool shown = !w->isHidden();
  Qt::WindowFlags f = e.borderStyle == 2 ? Qt::Dialog : Qt::Window;
  if (e.borderStyle == 0) {
    f |= Qt::FramelessWindowHint;
  } else {
    f |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (e.borderIcons & 1) f |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    if (e.borderIcons & 2) f |= Qt::WindowMinimizeButtonHint;
    if (e.borderIcons & 4) f |= Qt::WindowMaximizeButtonHint;
  }
  w->setWindowFlags(f);
  if (e.borderStyle == 1 || e.borderStyle == 2) {
    w->setFixedSize(w->size());
  } else {
    w->setMinimumSize(0, 0);
    w->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  if (shown) w->show();
}

void TQtScriptWindowHost::SetInt(Handle h, Prop p, std::int32_t v) {
  Entry* e = Find(h);
  if (!e) return;
  QWidget* w = e->widget;
  switch (p) {
    case Prop::Left: w->move(v, w->y()); break;
    case Prop::Top: w->move(w->x(), v); break;
    case Prop::Width: SetBounds(h, w->x(), w->y(), v, w->height()); break;
    case Prop::Height: SetBounds(h, w->x(), w->y(), w->width(), v); break;
    case Prop::Visible: w->setVisible(v != 0); break;
    case Prop::Enabled: w->setEnabled(v != 0); break;
    case Prop::Color: {
      QPalette pal = w->palette();
      pal.setColor(w->backgroundRole(), FromRgbInt(v));
      if (e->kind == Kind::Edit || e->kind == Kind::Memo) pal.setColor(QPalette::Base, FromRgbInt(v));
      w->setPalette(pal);
      w->setAutoFillBackground(true);
      break;
    }
    case Prop::FontSize: {
      QFont f = w->font();
      if (v > 0) f.setPointSize(v);
      w->setFont(f);
      break;
    }
    case Prop::FontColor: {
      QPalette pal = w->palette();
      pal.setColor(w->foregroundRole(), FromRgbInt(v));
      pal.setColor(QPalette::Text, FromRgbInt(v));
      pal.setColor(QPalette::ButtonText, FromRgbInt(v));
      w->setPalette(pal);
      break;
    }
    case Prop::FontStyle: {
      QFont f = w->font();
      f.setBold(v & fsBold);
      f.setItalic(v & fsItalic);
      f.setUnderline(v & fsUnderline);
      f.setStrikeOut(v & fsStrikeOut);
      w->setFont(f);
      break;
    }
    case Prop::Checked:
      if (auto* c = qobject_cast<QCheckBox*>(w)) c->setChecked(v != 0);
      break;
    case Prop::ReadOnly:
      if (auto* le = qobject_cast<QLineEdit*>(w)) le->setReadOnly(v != 0);
      if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->setReadOnly(v != 0);
      break;
    case Prop::Default:
      if (auto* b = qobject_cast<QPushButton*>(w)) {
        b->setProperty("tamberDefault", v != 0);
        b->setDefault(v != 0);
      }
      break;
    case Prop::Cancel:
      if (qobject_cast<QPushButton*>(w)) w->setProperty("tamberCancel", v != 0);
      break;
    case Prop::BorderStyle:
      if (e->kind == Kind::Form && v >= 0 && v <= 3) {
        e->borderStyle = v;
        ApplyBorder(*e);
      }
      break;
    case Prop::BorderIcons:
      if (e->kind == Kind::Form) {
        e->borderIcons = v & 7;
        ApplyBorder(*e);
      }
      break;
    default: break;
  }
}

std::int32_t TQtScriptWindowHost::GetInt(Handle h, Prop p) const {
  const Entry* e = Find(h);
  if (!e) return 0;
  const QWidget* w = e->widget;
  switch (p) {
    case Prop::Left: return w->x();
    case Prop::Top: return w->y();
    case Prop::Width: return w->width();
    case Prop::Height: return w->height();
    case Prop::Visible: return !w->isHidden();
    case Prop::Enabled: return w->isEnabled();
    case Prop::Color:
      return ToRgbInt(w->palette().color(e->kind == Kind::Edit || e->kind == Kind::Memo ? QPalette::Base
                                                                                          : w->backgroundRole()));
    case Prop::FontSize: return w->font().pointSize();
    case Prop::FontColor: return ToRgbInt(w->palette().color(w->foregroundRole()));
    case Prop::FontStyle: {
      const QFont f = w->font();
      return (f.bold() ? fsBold : 0) | (f.italic() ? fsItalic : 0) | (f.underline() ? fsUnderline : 0) |
             (f.strikeOut() ? fsStrikeOut : 0);
    }
    case Prop::Checked: {
      auto* c = qobject_cast<const QCheckBox*>(w);
      return c && c->isChecked();
    }
    case Prop::ReadOnly: {
      if (auto* le = qobject_cast<const QLineEdit*>(w)) return le->isReadOnly();
      if (auto* m = qobject_cast<const QPlainTextEdit*>(w)) return m->isReadOnly();
      return 0;
    }
    case Prop::Default: return w->property("tamberDefault").toBool();
    case Prop::Cancel: return w->property("tamberCancel").toBool();
    case Prop::BorderStyle: return e->borderStyle;
    case Prop::BorderIcons: return e->borderIcons;
    default: return 0;
  }
}

void TQtScriptWindowHost::SetText(Handle h, Prop p, const std::string& cp932) {
  Entry* e = Find(h);
  if (!e) return;
  QWidget* w = e->widget;
  const QString s = FromCp932(cp932);
  if (p == Prop::FontName) {
    QFont f = w->font();
    f.setFamily(s);
    w->setFont(f);
    return;
  }
  if (e->kind == Kind::Form) w->setWindowTitle(s);
  else if (auto* b = qobject_cast<QAbstractButton*>(w)) b->setText(s);
  else if (auto* l = qobject_cast<QLabel*>(w)) l->setText(s);
  else if (auto* le = qobject_cast<QLineEdit*>(w)) le->setText(s);
  else if (auto* m = qobject_cast<QPlainTextEdit*>(w)) m->setPlainText(s);
}

std::string TQtScriptWindowHost::GetText(Handle h, Prop p) const {
  const Entry* e = Find(h);
  if (!e) return {};
  const QWidget* w = e->widget;
  if (p == Prop::FontName) return ToCp932(w->font().family());
  if (e->kind == Kind::Form) return ToCp932(w->windowTitle());
  if (auto* b = qobject_cast<const QAbstractButton*>(w)) return ToCp932(b->text());
  if (auto* l = qobject_cast<const QLabel*>(w)) return ToCp932(l->text());
  if (auto* le = qobject_cast<const QLineEdit*>(w)) return ToCp932(le->text());
  if (auto* m = qobject_cast<const QPlainTextEdit*>(w)) return ToCp932(m->toPlainText());
  return {};
}

void TQtScriptWindowHost::Close(Handle form) {
  if (Entry* e = Find(form)) e->widget->close();
}

void TQtScriptWindowHost::Center(Handle form) {
  Entry* e = Find(form);
  if (!e) return;
  QWidget* w = e->widget;
  QScreen* screen = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  w->move(area.center() - QPoint(w->width() / 2, w->height() / 2));
}

void TQtScriptWindowHost::Focus(Handle control) {
  if (Entry* e = Find(control)) e->widget->setFocus();
}

void TQtScriptWindowHost::ProcessMessages() {
  if (!QCoreApplication::instance()) return;
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace tamber::script
