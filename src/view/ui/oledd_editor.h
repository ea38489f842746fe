// TOleddEditor: the editor widget with system drag and drop of text and
// files. A press inside a draggable selection (Caret.SelDragMode dmManual)
// starts a QDrag offering the selected text for copy or move; a drag over
// the view moves the caret to the drop point (the rounded column); a drop
// of its own text moves it (Ctrl: copies it; onto itself: only deselects),
// text from elsewhere is inserted, files go to OnDropFiles. A ReadOnly view
// refuses text.
//
// The decisions are plain calls (DragAction, Drop) so tests can drive them
// with synthetic events; QDrag::exec, which blocks, is only in the source.
#pragma once

#include <QStringList>
#include <functional>

#include "view/ui/editor_widget.h"

namespace tamber {

class TOleddEditor : public TEditorWidget {
  Q_OBJECT

 public:
  explicit TOleddEditor(QWidget* parent = nullptr);
  ~TOleddEditor() override;

  // Files dropped on the view: their local paths, the modifiers held and
  // the point in the viewport's coordinates.
  std::function<void(TOleddEditor&, const QStringList& paths, Qt::KeyboardModifiers, QPoint)> OnDropFiles;

  // Mime data of this view's selection, marked as coming from this view.
  QMimeData* SelectionMime() const;
  // The data came from a drag of this view's own selection.
  bool IsOwnDrag(const QMimeData& mime) const;
  // What a drop of mime at the modifiers would do: Ignore (refused), Copy or Move.
  Qt::DropAction DragAction(const QMimeData& mime, Qt::KeyboardModifiers mods) const;
  // Drops mime at pos (viewport coordinates); returns the action taken.
  Qt::DropAction Drop(const QMimeData& mime, QPoint pos, Qt::KeyboardModifiers mods);

  // Where the caret stood before a drag passed over the view.
  void SaveCaret();
  void RestoreCaret();
  // The caret shows the drop point (the column boundary nearest to pos).
  void CaretToDragPoint(QPoint pos);

 protected:
  void StartSelectionDrag(const QPoint& pos) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dragMoveEvent(QDragMoveEvent* e) override;
  void dragLeaveEvent(QDragLeaveEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  // Runs the system drag (blocking); tests replace it.
  virtual Qt::DropAction ExecDrag(QMimeData* mime);

 private:
  bool droppedHere_ = false;
  bool caretSaved_ = false;
  int savedRow_ = 0, savedCol_ = 0;
};

}  // namespace tamber
