// The editor widget's keyboard, input method and popup menu: keys go to the
// view's navigation and to the editing operations in CP932; an input
// method's composition is drawn into the caret row and never enters the text
// until it is committed.
#include <QApplication>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QInputMethod>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTextCharFormat>
#include <algorithm>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "view/ui/editor_popup_menu.h"
#include "view/ui/editor_widget.h"

namespace tamber {

namespace {

// The surrounding text an input method is given reaches this far from the
// caret each way (bytes), and over this many rows of a folded line.
constexpr int kWindowBytes = 4096;
constexpr int kWindowRows = 32;

TShiftState ShiftOf(Qt::KeyboardModifiers m) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (m & Qt::AltModifier) s |= ssAlt;
  return s;
}

bool IsLeadValue(unsigned char b) { return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC); }

// A character boundary at or before byte target of s: the byte after the
// last byte before target that cannot be a lead byte starts a character.
std::size_t BoundaryBefore(std::string_view s, std::size_t target) {
  std::size_t q = target;
  while (q > 0 && IsLeadValue(static_cast<unsigned char>(s[q - 1]))) --q;
  // Walk forward from there as close to target as whole characters allow.
  std::size_t i = q;
  while (i < target) {
    const std::size_t n = CharLength(s, i);
    if (i + n > target) break;
    i += n;
  }
  return i;
}

// UTF-16 units of CP932 bytes s[0, byte).
int Utf16Length(std::string_view s, std::size_t byte) {
  return static_cast<int>(Cp932ToUtf16(s.substr(0, std::min(byte, s.size()))).size());
}

// The byte of s where UTF-16 index u falls (clamped to s).
std::size_t ByteOfUtf16(std::string_view s, int u) {
  std::size_t i = 0;
  int seen = 0;
  while (i < s.size() && seen < u) {
    i += CharLength(s, i);
    ++seen;  // every CP932 character is one UTF-16 unit
  }
  return std::min(i, s.size());
}

// CP932 of a composition, with the byte where each UTF-16 index starts.
std::string ConvertIndexed(const QString& s, std::vector<int>& byteOf) {
  std::string out;
  byteOf.assign(static_cast<std::size_t>(s.size()) + 1, 0);
  for (qsizetype i = 0; i < s.size();) {
    const qsizetype n = s.at(i).isHighSurrogate() && i + 1 < s.size() && s.at(i + 1).isLowSurrogate() ? 2 : 1;
    for (qsizetype k = 0; k < n; ++k) byteOf[static_cast<std::size_t>(i + k)] = static_cast<int>(out.size());
    out += Utf16ToCp932(std::u16string_view(reinterpret_cast<const char16_t*>(s.constData()) + i, static_cast<std::size_t>(n)));
    i += n;
  }
  byteOf.back() = static_cast<int>(out.size());
  return out;
}

}  // namespace

void TEditorWidget::InitInput() {
  setAttribute(Qt::WA_InputMethodEnabled);
  builtinMenu_ = new TEditorPopupMenu(editor_, this);
  viewport()->installEventFilter(this);
  // The input method's window follows the caret wherever it goes.
  auto chain = [this](std::function<void(TTextEditor&)>& slot) {
    slot = [this, prev = slot](TTextEditor& e) {
      if (prev) prev(e);
      UpdateInputMethod();
    };
  };
  chain(editor_.OnCaretMoved);
  chain(editor_.OnTopRowChange);
  chain(editor_.OnTopColChange);
}

QMenu* TEditorWidget::PopupMenu() const { return popupMenu_ ? popupMenu_ : builtinMenu_; }

void TEditorWidget::SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

void TEditorWidget::UpdateInputMethod() {
  if (!hasFocus()) return;
  QGuiApplication::inputMethod()->update(Qt::ImCursorRectangle | Qt::ImSurroundingText | Qt::ImCursorPosition |
                                         Qt::ImAnchorPosition | Qt::ImCurrentSelection);
}

// ---- keys ----

bool TEditorWidget::event(QEvent* e) {
  switch (e->type()) {
    case QEvent::ShortcutOverride: {
      // The menu's keys and plain typing belong to the control, not to a
      // window shortcut that happens to share them.
      auto* k = static_cast<QKeyEvent*>(e);
      const Qt::KeyboardModifiers m = k->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
      const QKeySequence seq(TEditorPopupMenu::CombinationOf(*k));
      bool own = false;
      std::function<void(QMenu&)> find = [&](QMenu& menu) {
        for (QAction* a : menu.actions()) {
          if (a->menu()) find(*a->menu());
          else if (!a->isSeparator() && a->shortcut() == seq) own = true;
        }
      };
      if (m != Qt::NoModifier) find(*PopupMenu());
      if (own || (m == Qt::NoModifier && !k->text().isEmpty() && k->text().at(0).isPrint())) {
        e->accept();
        return true;
      }
      break;
    }
    case QEvent::FocusOut:
      CommitComposition();
      break;
    case QEvent::FocusIn:
    case QEvent::Resize: {
      const bool r = QAbstractScrollArea::event(e);
      UpdateInputMethod();
      return r;
    }
    default: break;
  }
  return QAbstractScrollArea::event(e);
}

bool TEditorWidget::focusNextPrevChild(bool next) {
  // Tab is typed into the text (WantTabs); only without it does it move on.
  if (editor_.WantTabs()) return false;
  return QAbstractScrollArea::focusNextPrevChild(next);
}

void TEditorWidget::keyPressEvent(QKeyEvent* e) {
  try {
    if (TEditorPopupMenu::MatchShortcut(*PopupMenu(), *e)) {
      e->accept();
      return;
    }
    const TShiftState shift = ShiftOf(e->modifiers());
    const bool repeat = e->isAutoRepeat();
    auto nav = [&](TEditorKey k) {
      if (editor_.KeyDown(k, shift, repeat)) e->accept();
      else e->ignore();
    };
    switch (e->key()) {
      case Qt::Key_Left: return nav(TEditorKey::Left);
      case Qt::Key_Right: return nav(TEditorKey::Right);
      case Qt::Key_Up: return nav(TEditorKey::Up);
      case Qt::Key_Down: return nav(TEditorKey::Down);
      case Qt::Key_Home: return nav(TEditorKey::Home);
      case Qt::Key_End: return nav(TEditorKey::End);
      case Qt::Key_PageUp: return nav(TEditorKey::PageUp);
      case Qt::Key_PageDown: return nav(TEditorKey::PageDown);
      case Qt::Key_Escape: return nav(TEditorKey::Escape);
      case Qt::Key_Delete:
        if (!MouseCaptured() && !(shift & (ssCtrl | ssAlt))) editor_.Delete();
        e->accept();
        return;
      case Qt::Key_Backspace:
        if (!MouseCaptured() && !(shift & (ssCtrl | ssAlt))) editor_.Backspace();
        e->accept();
        return;
      case Qt::Key_Tab:
      case Qt::Key_Backtab:
        if (!editor_.WantTabs() || (shift & (ssCtrl | ssAlt))) {
          e->ignore();
          return;
        }
        if (!MouseCaptured()) editor_.Tab(e->key() == Qt::Key_Backtab ? shift | ssShift : shift);
        e->accept();
        return;
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (!editor_.WantReturns() || (shift & (ssCtrl | ssAlt))) {
          e->ignore();
          return;
        }
        if (!MouseCaptured()) editor_.Enter(shift & ssShift);
        e->accept();
        return;
      default: break;
    }
    // Characters: Ctrl and Alt combinations are commands, not text.
    QString text = e->text();
    text.removeIf([](QChar c) { return !c.isPrint() && !c.isSurrogate(); });
    if (text.isEmpty() || (e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
      e->ignore();
      return;
    }
    if (!MouseCaptured()) TypeText(text);
    e->accept();
  } catch (...) {
    // An editing failure never crosses the event loop.
    QApplication::beep();
  }
}

void TEditorWidget::keyReleaseEvent(QKeyEvent* e) {
  if (!e->isAutoRepeat()) editor_.KeyUp();
  QAbstractScrollArea::keyReleaseEvent(e);
}

int TEditorWidget::TypeText(const QString& text) {
  if (editor_.ReadOnly() || text.isEmpty()) return 0;
  std::size_t lost = 0;
  const std::string s = Utf16ToCp932(text.toStdU16String(), &lost);
  if (s.find_first_of("\r\n") != std::string::npos) editor_.SetSelTextBuf(s);
  else editor_.InsertText(s);
  ReportReplaced(static_cast<int>(lost));
  return static_cast<int>(lost);
}

// ---- popup menu ----

void TEditorWidget::contextMenuEvent(QContextMenuEvent* e) {
  if (MouseCaptured()) return;
  if (popupMenu_ == nullptr) builtinMenu_->Refresh();
  PopupMenu()->exec(e->globalPos());
  e->accept();
}

// ---- input method ----

QRect TEditorWidget::CompositionCursorRect() const {
  const TCaretRect s = editor_.CaretShape();
  const int cw = furniture_.Layout().CharWidth;
  const int x = furniture_.Layout().TextLeft + (editor_.Col() - editor_.TopCol() + composition_.CursorByte) * cw;
  const int y = furniture_.Layout().TextTop + (editor_.Row() - editor_.TopRow()) * furniture_.Layout().RowPitch;
  return QRect(x, y, std::max(1, std::min(s.Width, 2)), furniture_.Layout().RowPitch);
}

void TEditorWidget::SetComposition(TComposition c) {
  if (c.Text == composition_.Text && c.Segments == composition_.Segments && c.CursorByte == composition_.CursorByte &&
      c.CursorVisible == composition_.CursorVisible)
    return;
  composition_ = std::move(c);
  RepaintRows(editor_.Row(), editor_.Row());
  viewport()->update(lastCaretRect_);
  lastCaretRect_ = CaretRect();
  RestartBlink();
  UpdateInputMethod();
}

void TEditorWidget::CommitComposition() {
  if (composition_.Empty()) return;
  QGuiApplication::inputMethod()->commit();
  if (composition_.Empty()) return;
  // No input method took it: what it showed is what the user meant.
  const std::string text = composition_.Text;
  SetComposition({});
  if (!editor_.ReadOnly()) editor_.InsertText(text);
  QGuiApplication::inputMethod()->reset();
}

TEditorWidget::LineWindow TEditorWidget::CaretLineWindow() const {
  LineWindow w;
  const TTextEditorScreenStrings& text = editor_.Text();
  const int row = editor_.Row();
  if (row >= text.Count()) {
    w.Offset = text.TextLength();
    return w;
  }
  const int first = std::max(text.LineFirstRow(row), row - kWindowRows);
  const int last = std::min(text.LineLastRow(row), row + kWindowRows);
  const int caretInRow =
      std::min(editor_.ColToByte(row, editor_.Col()), static_cast<int>(text.RowView(row).size()));
  std::size_t caret = 0;
  std::size_t total = 0;
  for (int r = first; r <= last; ++r) total += text.RowView(r).size();
  if (total <= static_cast<std::size_t>(4 * kWindowBytes)) {
    for (int r = first; r <= last; ++r) {
      if (r == row) caret = w.Text.size() + static_cast<std::size_t>(caretInRow);
      w.Text.append(text.RowView(r));
    }
    w.Offset = text.RowByteToOffset(first, 0);
  } else {
    // A long row: only the caret's neighbourhood in it.
    const std::string_view r = text.RowView(row);
    const std::size_t c = static_cast<std::size_t>(caretInRow);
    const std::size_t from = c > kWindowBytes ? BoundaryBefore(r, c - kWindowBytes) : 0;
    std::size_t to = c;
    while (to < r.size() && to - c < kWindowBytes) to += CharLength(r, to);
    w.Text.assign(r.substr(from, std::min(to, r.size()) - from));
    caret = c - from;
    w.Offset = text.RowByteToOffset(row, static_cast<int>(from));
  }
  w.CaretByte = static_cast<int>(caret);
  return w;
}

void TEditorWidget::CommitText(const QString& commit, int replacementStart, int replacementLength) {
  if (editor_.ReadOnly()) return;
  std::size_t lost = 0;
  const std::string s = Utf16ToCp932(commit.toStdU16String(), &lost);
  {
    const TCaretUpdate hold(editor_);
    if (replacementStart != 0 || replacementLength != 0) {
      // The input method replaces text around the caret (reconversion): select
      // it, so that the commit takes its place in the same step.
      const LineWindow w = CaretLineWindow();
      const int caret16 = Utf16Length(w.Text, static_cast<std::size_t>(w.CaretByte));
      const int start16 = std::max(0, caret16 + replacementStart);
      const std::size_t b0 = ByteOfUtf16(w.Text, start16);
      const std::size_t b1 = ByteOfUtf16(w.Text, start16 + std::max(0, replacementLength));
      editor_.SetSelStart(w.Offset + static_cast<std::int64_t>(b0));
      if (b1 > b0) editor_.SetSelLength(static_cast<std::int64_t>(b1 - b0));
    }
    if (!s.empty())
      editor_.InsertText(s);
    else if (editor_.Selected())
      editor_.DeleteSelection();
  }
  ReportReplaced(static_cast<int>(lost));
}

void TEditorWidget::inputMethodEvent(QInputMethodEvent* e) {
  try {
    if (!e->commitString().isEmpty() || e->replacementLength() > 0) {
      // The composition goes before the commit moves the caret.
      SetComposition({});
      CommitText(e->commitString(), e->replacementStart(), e->replacementLength());
    }
    const QString pre = e->preeditString();
    TComposition c;
    std::vector<int> byteOf;
    c.Text = ConvertIndexed(pre, byteOf);
    c.CursorByte = c.Cells();
    bool anyTarget = false;
    std::vector<TCompositionLook> looks(c.Text.size(), cpInput);
    std::vector<bool> formatted(c.Text.size(), false);
    auto bytesOf = [&](int start, int length) {
      const int a = std::clamp(start, 0, static_cast<int>(pre.size()));
      const int b = std::clamp(start + length, a, static_cast<int>(pre.size()));
      return std::pair<int, int>(byteOf[static_cast<std::size_t>(a)], byteOf[static_cast<std::size_t>(b)]);
    };
    for (const QInputMethodEvent::Attribute& a : e->attributes()) {
      if (a.type == QInputMethodEvent::Cursor) {
        c.CursorByte = bytesOf(a.start, 0).first;
        c.CursorVisible = a.length != 0;
      } else if (a.type == QInputMethodEvent::TextFormat) {
        const QTextCharFormat f = a.value.value<QTextFormat>().toCharFormat();
        // The clause being converted is the one the input method highlights.
        const bool target = f.background().style() != Qt::NoBrush;
        anyTarget = anyTarget || target;
        const auto [b0, b1] = bytesOf(a.start, a.length);
        for (int b = b0; b < b1; ++b) {
          formatted[static_cast<std::size_t>(b)] = true;
          if (target) looks[static_cast<std::size_t>(b)] = cpTarget;
        }
      }
    }
    // While a clause is being converted the rest shows as converted text.
    if (anyTarget)
      for (TCompositionLook& l : looks)
        if (l == cpInput) l = cpConverted;
    for (int b = 0; b < c.Cells();) {
      int e2 = b + 1;
      while (e2 < c.Cells() && looks[static_cast<std::size_t>(e2)] == looks[static_cast<std::size_t>(b)]) ++e2;
      c.Segments.push_back({b, e2 - b, looks[static_cast<std::size_t>(b)]});
      b = e2;
    }
    (void)formatted;
    SetComposition(std::move(c));
    e->accept();
  } catch (...) {
    QApplication::beep();
  }
}

QVariant TEditorWidget::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled: return true;
    case Qt::ImCursorRectangle: return CompositionCursorRect().translated(viewport()->geometry().topLeft());
    case Qt::ImFont: return font_;
    case Qt::ImHints: return static_cast<int>(Qt::ImhMultiLine);
    case Qt::ImSurroundingText:
    case Qt::ImCursorPosition:
    case Qt::ImAnchorPosition:
    case Qt::ImTextBeforeCursor:
    case Qt::ImTextAfterCursor: {
      const LineWindow w = CaretLineWindow();
      const auto caretByte = static_cast<std::size_t>(w.CaretByte);
      const int caret16 = Utf16Length(w.Text, caretByte);
      if (query == Qt::ImCursorPosition) return caret16;
      if (query == Qt::ImAnchorPosition) {
        if (editor_.SelLength() <= 0 || editor_.SelectionMode() != smNormal) return caret16;
        // The anchor is the selection's end that the caret is not on.
        const std::int64_t start = editor_.SelStart(), end = start + editor_.SelLength();
        const std::int64_t caret = w.Offset + w.CaretByte;
        const std::int64_t anchor = caret == start ? end : start;
        const std::int64_t b = std::clamp<std::int64_t>(anchor - w.Offset, 0, static_cast<std::int64_t>(w.Text.size()));
        return Utf16Length(w.Text, static_cast<std::size_t>(b));
      }
      std::string_view part = w.Text;
      if (query == Qt::ImTextBeforeCursor) part = part.substr(0, caretByte);
      if (query == Qt::ImTextAfterCursor) part = part.substr(caretByte);
      return QString::fromStdU16String(Cp932ToUtf16(part));
    }
    case Qt::ImCurrentSelection: {
      if (editor_.SelLength() <= 0 || editor_.SelLength() > kWindowBytes * 4) return QString();
      return QString::fromStdU16String(Cp932ToUtf16(editor_.SelText()));
    }
    default: return QAbstractScrollArea::inputMethodQuery(query);
  }
}

bool TEditorWidget::eventFilter(QObject* watched, QEvent* e) {
  // A press outside the composition commits it (one inside is the input method's).
  if (watched == viewport() && e->type() == QEvent::MouseButtonPress && !composition_.Empty()) {
    const QPoint p = static_cast<QMouseEvent*>(e)->position().toPoint();
    const TViewLayout& l = furniture_.Layout();
    const int x0 = l.TextLeft + (editor_.Col() - editor_.TopCol()) * l.CharWidth;
    const QRect cells(x0, l.TextTop + (editor_.Row() - editor_.TopRow()) * l.RowPitch,
                      composition_.Cells() * l.CharWidth, l.RowPitch);
    if (cells.contains(p)) return true;
    CommitComposition();
  }
  return QAbstractScrollArea::eventFilter(watched, e);
}

}  // namespace tamber
