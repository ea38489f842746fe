#include "view/ui/oledd_editor.h"

#include <QCoreApplication>
#include <QDrag>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "view/ui/qt_clipboard.h"

namespace tamber {

namespace {

// Names the view a drag started in (process and object), so a drop knows its own text.
constexpr char kSourceMimeType[] = "application/x-tamber-drag-source";

QByteArray SourceTag(const void* view) {
  return QByteArray::number(QCoreApplication::applicationPid()) + ':' +
         QByteArray::number(reinterpret_cast<quintptr>(view), 16);
}

QStringList LocalFiles(const QMimeData& mime) {
  QStringList paths;
  if (!mime.hasUrls()) return paths;
  for (const QUrl& u : mime.urls())
    if (u.isLocalFile()) paths << u.toLocalFile();
  return paths;
}

}  // namespace

TOleddEditor::TOleddEditor(QWidget* parent) : TEditorWidget(parent) {
  viewport()->setAcceptDrops(true);
  setAcceptDrops(true);
}

TOleddEditor::~TOleddEditor() = default;

QMimeData* TOleddEditor::SelectionMime() const {
  auto* mime = new QMimeData;
  auto& e = const_cast<TOleddEditor*>(this)->Editor();
  WriteEditorMime(*mime, e.SelText(), e.SelectionMode() == smBox);
  mime->setData(QString::fromLatin1(kSourceMimeType), SourceTag(this));
  return mime;
}

bool TOleddEditor::IsOwnDrag(const QMimeData& mime) const {
  return mime.data(QString::fromLatin1(kSourceMimeType)) == SourceTag(this);
}

Qt::DropAction TOleddEditor::DragAction(const QMimeData& mime, Qt::KeyboardModifiers mods) const {
  if (!LocalFiles(mime).isEmpty()) return Qt::CopyAction;
  if (!mime.hasText() && !MimeHasBox(mime)) return Qt::IgnoreAction;
  if (const_cast<TOleddEditor*>(this)->Editor().ReadOnly()) return Qt::IgnoreAction;
  if (!IsOwnDrag(mime) || (mods & Qt::ControlModifier)) return Qt::CopyAction;
  return Qt::MoveAction;
}

void TOleddEditor::SaveCaret() {
  savedRow_ = Editor().Row();
  savedCol_ = Editor().Col();
  caretSaved_ = true;
}

void TOleddEditor::RestoreCaret() {
  if (!caretSaved_) return;
  caretSaved_ = false;
  Editor().SetRowCol(savedRow_, savedCol_);
}

void TOleddEditor::CaretToDragPoint(QPoint pos) {
  const TMousePoint p = Editor().PointAt(pos.x(), pos.y());
  Editor().SetRowCol(p.Row, p.RoundedCol);
}

Qt::DropAction TOleddEditor::Drop(const QMimeData& mime, QPoint pos, Qt::KeyboardModifiers mods) {
  const Qt::DropAction action = DragAction(mime, mods);
  if (action == Qt::IgnoreAction) return action;
  TTextEditor& e = Editor();
  const QStringList files = LocalFiles(mime);
  if (!files.isEmpty()) {
    RestoreCaret();
    if (OnDropFiles) OnDropFiles(*this, files, mods, pos);
    return action;
  }
  caretSaved_ = false;
  droppedHere_ = true;
  const TMousePoint p = e.PointAt(pos.x(), pos.y());
  if (IsOwnDrag(mime)) {
    // Onto the selection itself both of these only drop the selection.
    if (action == Qt::CopyAction) e.CopySelection(p.Row, p.RoundedCol);
    else e.MoveSelection(p.Row, p.RoundedCol);
    return action;
  }
  auto text = ReadEditorMime(mime);
  if (!text) return Qt::IgnoreAction;
  {
    const TCaretUpdate hold(e);
    e.CleanSelection();
    e.SetRowCol(p.Row, p.RoundedCol);
    if (text->Box)
      e.BoxPaste(text->Text);
    else
      e.SetSelTextBuf(text->Text);
  }
  ReportReplaced(text->Replaced);
  return action;
}

Qt::DropAction TOleddEditor::ExecDrag(QMimeData* mime) {
  auto* drag = new QDrag(this);
  drag->setMimeData(mime);
  // Copying shows the project's own drag-copy cursor.
  const QCursor copy = CursorFor(Editor().Caret().Cursors().DragSelCopyCursor());
  if (copy.shape() == Qt::BitmapCursor) drag->setDragCursor(copy.pixmap(), Qt::CopyAction);
  return drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

void TOleddEditor::StartSelectionDrag(const QPoint&) {
  // The caret stands where the press was; it comes back there unless the drop lands here.
  const int row = Editor().Row(), col = Editor().Col();
  droppedHere_ = false;
  ExecDrag(SelectionMime());
  if (!droppedHere_) {
    caretSaved_ = false;
    Editor().SetRowCol(row, col);
  }
  droppedHere_ = false;
}

void TOleddEditor::dragEnterEvent(QDragEnterEvent* e) {
  const Qt::DropAction a = DragAction(*e->mimeData(), e->modifiers());
  if (a == Qt::IgnoreAction) {
    e->ignore();
    return;
  }
  if (!hasFocus()) setFocus(Qt::OtherFocusReason);
  if (!caretSaved_) SaveCaret();
  e->setDropAction(a);
  e->accept();
}

void TOleddEditor::dragMoveEvent(QDragMoveEvent* e) {
  const Qt::DropAction a = DragAction(*e->mimeData(), e->modifiers());
  if (a == Qt::IgnoreAction) {
    e->ignore();
    return;
  }
  if (LocalFiles(*e->mimeData()).isEmpty()) CaretToDragPoint(e->position().toPoint());
  e->setDropAction(a);
  e->accept();
}

void TOleddEditor::dragLeaveEvent(QDragLeaveEvent* e) {
  RestoreCaret();
  e->accept();
}

void TOleddEditor::dropEvent(QDropEvent* e) {
  Qt::DropAction a = Qt::IgnoreAction;
  try {
    a = Drop(*e->mimeData(), e->position().toPoint(), e->modifiers());
  } catch (...) {
    // A failed edit leaves the text as it was.
  }
  if (a == Qt::IgnoreAction) {
    RestoreCaret();
    e->ignore();
    return;
  }
  e->setDropAction(a);
  e->accept();
}

}  // namespace tamber
