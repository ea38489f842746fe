// The editor widget's mouse, wheel, scroll-bar actions, clipboard and split
// view: events become the engine view's calls; the engine decides.
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>

#include "view/ui/editor_widget.h"
#include "view/ui/qt_clipboard.h"

namespace tamber {

namespace {

// Ticks of the auto-scroll while a selection is dragged outside the window.
constexpr int kAutoScrollMs = 50;
// One wheel notification per this much angleDelta (a notch of a common wheel).
constexpr int kWheelStep = 120;

TShiftState ShiftOf(Qt::KeyboardModifiers m, Qt::MouseButtons b) {
  TShiftState s = 0;
  if (m & Qt::ShiftModifier) s |= ssShift;
  if (m & Qt::ControlModifier) s |= ssCtrl;
  if (m & Qt::AltModifier) s |= ssAlt;
  if (b & Qt::LeftButton) s |= ssLeft;
  return s;
}

// The arrow of the left margin: the usual arrow mirrored, pointing right.
QCursor MakeRightArrow() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing, false);
  QPainterPath arrow;
  const QPointF pts[] = {{16, 1}, {16, 17}, {12, 13}, {9, 20}, {7, 19}, {10, 12}, {5, 12}};
  arrow.moveTo(pts[0]);
  for (const QPointF& q : pts) arrow.lineTo(q);
  arrow.closeSubpath();
  p.fillPath(arrow, Qt::black);
  p.strokePath(arrow, QPen(Qt::white, 1));
  p.end();
  return QCursor(pm, 16, 1);
}

// Dragging a selection to copy it: an arrow with a box holding a plus.
QCursor MakeDragSelCopy() {
  QPixmap pm(32, 32);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  QPainterPath arrow;
  const QPointF pts[] = {{1, 1}, {1, 17}, {5, 13}, {8, 20}, {10, 19}, {7, 12}, {12, 12}};
  arrow.moveTo(pts[0]);
  for (const QPointF& q : pts) arrow.lineTo(q);
  arrow.closeSubpath();
  p.fillPath(arrow, Qt::black);
  p.strokePath(arrow, QPen(Qt::white, 1));
  p.fillRect(QRect(12, 18, 11, 11), Qt::white);
  p.setPen(QPen(Qt::black, 1));
  p.drawRect(QRect(12, 18, 10, 10));
  p.drawLine(14, 23, 20, 23);
  p.drawLine(17, 20, 17, 26);
  p.end();
  return QCursor(pm, 1, 1);
}

}  // namespace

// While the left button is held or a selection is dragged, typed characters
// and the popup menu wait; Escape cancels the drag and Ctrl switches between
// moving and copying. Losing the focus ends the press.
class TMouseCaptureGuard : public QObject {
 public:
  explicit TMouseCaptureGuard(TEditorWidget& w) : w_(w) {
    w.installEventFilter(this);
    w.viewport()->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    switch (e->type()) {
      case QEvent::FocusOut:
        if (watched == &w_) {
          w_.leftDown_ = false;
          w_.autoScroll_.stop();
        }
        return false;
      case QEvent::ContextMenu: return w_.MouseCaptured();
      case QEvent::KeyPress:
      case QEvent::KeyRelease: {
        if (watched != &w_ || !w_.MouseCaptured()) return false;
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Control) {
          w_.editor_.DragCopyKey(e->type() == QEvent::KeyPress);
          w_.ApplyCursor();
          return true;
        }
        if (e->type() == QEvent::KeyPress && k->key() == Qt::Key_Escape) {
          w_.editor_.KeyDown(TEditorKey::Escape, 0);
          w_.ApplyCursor();
          return true;
        }
        // Keys that type something wait; moving keys go on to the view.
        return !k->text().isEmpty();
      }
      default: return false;
    }
  }

 private:
  TEditorWidget& w_;
};

QCursor TEditorWidget::CursorFor(TCursor c) {
  // The standard cursor numbers the settings store, and the control's own default.
  static const std::pair<TCursor, Qt::CursorShape> shapes[] = {
      {crDefault, Qt::IBeamCursor}, {-1, Qt::BlankCursor},        {crArrow, Qt::ArrowCursor},
      {-3, Qt::CrossCursor},        {crIBeam, Qt::IBeamCursor},   {-6, Qt::SizeBDiagCursor},
      {-7, Qt::SizeVerCursor},      {-8, Qt::SizeFDiagCursor},    {-9, Qt::SizeHorCursor},
      {-10, Qt::UpArrowCursor},     {-11, Qt::WaitCursor},        {crDrag, Qt::DragMoveCursor},
      {-13, Qt::ForbiddenCursor},   {-14, Qt::SplitHCursor},      {-15, Qt::SplitVCursor},
      {-16, Qt::DragCopyCursor},    {-17, Qt::WaitCursor},        {-18, Qt::ForbiddenCursor},
      {-19, Qt::BusyCursor},        {-20, Qt::WhatsThisCursor},   {crHandPoint, Qt::PointingHandCursor},
      {-22, Qt::SizeAllCursor}};
  // Made once and kept to the end: a pixmap must not outlive the application object.
  if (c == crRightArrow) {
    static const QCursor* right = new QCursor(MakeRightArrow());
    return *right;
  }
  if (c == crDragSelCopy) {
    static const QCursor* copy = new QCursor(MakeDragSelCopy());
    return *copy;
  }
  for (const auto& [number, shape] : shapes)
    if (number == c) return QCursor(shape);
  return QCursor(Qt::ArrowCursor);
}

void TEditorWidget::InitMouse() {
  clipboard_ = std::make_unique<TQtClipboard>();
  clipboard_->OnReplaced = [this](int n) { ReportReplaced(n); };
  editor_.SetClipboard(clipboard_.get());
  viewport()->setMouseTracking(true);
  captureGuard_ = std::make_unique<TMouseCaptureGuard>(*this);
  autoScroll_.setInterval(kAutoScrollMs);
  connect(&autoScroll_, &QTimer::timeout, this, &TEditorWidget::AutoScrollTick);
  connect(verticalScrollBar(), &QScrollBar::actionTriggered, this, [this](int a) { ScrollBarAction(true, a); });
  connect(horizontalScrollBar(), &QScrollBar::actionTriggered, this, [this](int a) { ScrollBarAction(false, a); });
}

bool TEditorWidget::MouseCaptured() const { return leftDown_ || editor_.DragState() != dsNone; }

void TEditorWidget::ReportReplaced(int n) {
  if (n <= 0) return;
  QApplication::beep();
  emit CharactersReplaced(n);
}

void TEditorWidget::ApplyCursor() { viewport()->setCursor(CursorFor(editor_.Cursor())); }

void TEditorWidget::mousePressEvent(QMouseEvent* e) {
  e->accept();
  // (A press outside a composition has committed it already: see eventFilter.)
  if (!hasFocus()) setFocus(Qt::MouseFocusReason);
  if (MouseCaptured()) return;  // a second button while the left one is held
  if (e->button() != Qt::LeftButton) return;
  const QPoint p = e->position().toPoint();
  leftDown_ = true;
  try {
    if (editor_.MouseDown(p.x(), p.y(), ShiftOf(e->modifiers(), e->buttons()))) {
      leftDown_ = false;  // the press ends in a system drag
      StartSelectionDrag(p);
    }
  } catch (...) {
    leftDown_ = false;
  }
  ApplyCursor();
}

void TEditorWidget::mouseMoveEvent(QMouseEvent* e) {
  e->accept();
  const QPoint p = e->position().toPoint();
  editor_.MouseMove(p.x(), p.y(), ShiftOf(e->modifiers(), leftDown_ ? e->buttons() : Qt::NoButton));
  if (leftDown_ && !autoScroll_.isActive()) autoScroll_.start();
  ApplyCursor();
  if (OnMouseMove) OnMouseMove(*this, p, e->modifiers());
}

void TEditorWidget::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (e->button() != Qt::LeftButton) return;
  leftDown_ = false;
  autoScroll_.stop();
  const QPoint p = e->position().toPoint();
  try {
    switch (editor_.MouseUp(p.x(), p.y(), ShiftOf(e->modifiers(), e->buttons()))) {
      case mdMoveSelection: editor_.MoveSelection(editor_.Row(), editor_.Col()); break;
      case mdCopySelection: editor_.CopySelection(editor_.Row(), editor_.Col()); break;
      case mdNone: break;
    }
  } catch (...) {
    // An edit that fails leaves the text as it was; the event loop goes on.
  }
  ApplyCursor();
}

void TEditorWidget::mouseDoubleClickEvent(QMouseEvent* e) {
  e->accept();
  if (MouseCaptured() || e->button() != Qt::LeftButton) return;
  if (editor_.DragState() != dsNone) return;
  const QPoint p = e->position().toPoint();
  const TMousePoint at = editor_.PointAt(p.x(), p.y());
  if (at.Area != maText) return;
  editor_.SelectTokenAt(at.Row, at.Col);
  if (OnDblClick) OnDblClick(*this, p);
}

void TEditorWidget::wheelEvent(QWheelEvent* e) {
  e->accept();
  if (MouseCaptured()) return;
  // A tilted wheel or a sideways swipe scrolls the columns.
  hWheelRemainder_ += e->angleDelta().x();
  if (const int cols = hWheelRemainder_ / kWheelStep; cols != 0) {
    hWheelRemainder_ -= cols * kWheelStep;
    editor_.SetTopCol(editor_.TopCol() - cols * std::max(1, QApplication::wheelScrollLines()));
  }
  // Touchpads send small steps: they add up to whole notifications.
  wheelRemainder_ += e->angleDelta().y();
  const int notches = wheelRemainder_ / kWheelStep;
  if (notches == 0) return;
  wheelRemainder_ -= notches * kWheelStep;
  const int step = notches > 0 ? 1 : -1;
  for (int i = 0; i != notches; i += step) {
    if (OnMouseWheel && OnMouseWheel(*this, step, e->modifiers())) continue;
    ScrollRowsBy(-step * std::max(1, QApplication::wheelScrollLines()));
  }
}

void TEditorWidget::AutoScrollTick() {
  if (!leftDown_ || !editor_.MouseTick()) autoScroll_.stop();
}

void TEditorWidget::ScrollRowsBy(int delta) {
  const int before = editor_.TopRow();
  const TCaretUpdate hold(editor_);
  editor_.SetTopRow(before + delta);
  // With LockScroll the caret keeps its place in the window.
  const int moved = editor_.TopRow() - before;
  if (moved != 0 && editor_.Caret().LockScroll()) editor_.SetRow(editor_.Row() + moved);
}

void TEditorWidget::ScrollBarAction(bool vertical, int action) {
  if (action == QAbstractSlider::SliderNoAction) return;
  if (vertical) {
    ScrollRowsBy(verticalScrollBar()->sliderPosition() - editor_.TopRow());
  } else {
    editor_.SetTopCol(horizontalScrollBar()->sliderPosition());
  }
}

void TEditorWidget::AttachText(TEditorWidget& other) {
  if (&other == this) return;
  editor_.AttachText(other.editor_);
  // The rows were parsed with the first view's fountain: this view colours alike.
  furniture_.View().Assign(other.furniture_.View());
  furniture_.SetFountain(other.furniture_.Fountain());
  furniture_.UpdateNumberDigits();
  Relayout();
}

}  // namespace tamber
