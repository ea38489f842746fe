#include "view/ui/editor_popup_menu.h"

#include <QKeyEvent>

#include "view/text_editor.h"

namespace tamber {

TEditorPopupMenu::TEditorPopupMenu(TTextEditor& editor, QWidget* parent) : QMenu(parent), editor_(editor) {
  QMenu* set = addMenu(QStringLiteral("マーク設定"));
  for (int n = 0; n < 10; ++n)
    Add(*set, QString::number(n), cmMarkSet, n, QKeySequence(Qt::SHIFT | Qt::CTRL | Qt::Key(Qt::Key_0 + n)));
  QMenu* jump = addMenu(QStringLiteral("マークジャンプ"));
  for (int n = 0; n < 10; ++n)
    Add(*jump, QString::number(n), cmMarkJump, n, QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + n)));
  addSeparator();
  Add(*this, QStringLiteral("元に戻す(&U)"), cmUndo, 0, QKeySequence(Qt::CTRL | Qt::Key_Z));
  Add(*this, QStringLiteral("やり直し(&R)"), cmRedo, 0, QKeySequence(Qt::CTRL | Qt::Key_A));
  addSeparator();
  Add(*this, QStringLiteral("切り取り(&T)"), cmCut, 0, QKeySequence(Qt::CTRL | Qt::Key_X));
  Add(*this, QStringLiteral("コピー(&C)"), cmCopy, 0, QKeySequence(Qt::CTRL | Qt::Key_C));
  Add(*this, QStringLiteral("貼り付け(&P)"), cmPaste, 0, QKeySequence(Qt::CTRL | Qt::Key_V));
  Add(*this, QStringLiteral("Box貼り付け(&B)"), cmBoxPaste, 0, QKeySequence(Qt::CTRL | Qt::Key_B));
  Add(*this, QStringLiteral("削除(&D)"), cmDelete, 0, QKeySequence());
  addSeparator();
  Add(*this, QStringLiteral("すべて選択(&A)"), cmSelectAll, 0, QKeySequence());
  addSeparator();
  Add(*this, QStringLiteral("Box選択モード(&K)"), cmBoxMode, 0, QKeySequence(Qt::CTRL | Qt::Key_K))->setCheckable(true);
  for (const Item& item : items_)
    if (item.command == cmMarkSet || item.command == cmMarkJump) item.action->setCheckable(true);
  connect(this, &QMenu::aboutToShow, this, &TEditorPopupMenu::Refresh);
}

QAction* TEditorPopupMenu::Add(QMenu& menu, const QString& caption, Command c, int n, QKeySequence shortcut) {
  QAction* a = menu.addAction(caption);
  // Shown in the menu; the control matches the keys itself, so the action
  // must not compete with the window's shortcuts.
  a->setShortcut(shortcut);
  a->setShortcutContext(Qt::WidgetShortcut);
  connect(a, &QAction::triggered, this, [this, c, n] { Run(c, n); });
  items_.push_back({a, c, n});
  return a;
}

QAction* TEditorPopupMenu::Action(Command c, int n) const {
  for (const Item& item : items_)
    if (item.command == c && item.n == n) return item.action;
  return nullptr;
}

bool TEditorPopupMenu::Enabled(Command c) const {
  const bool writable = !editor_.ReadOnly();
  const bool selected = editor_.SelLength() > 0;
  auto clipboardHasText = [&] { return editor_.Clipboard() && editor_.Clipboard()->HasText(); };
  switch (c) {
    case cmMarkSet:
    case cmMarkJump:
    case cmBoxMode: return true;
    case cmUndo: return editor_.CanUndo() && writable;
    case cmRedo: return editor_.CanRedo() && writable;
    case cmCut:
    case cmDelete: return selected && writable;
    case cmCopy: return selected;
    case cmPaste:
    case cmBoxPaste: return writable && clipboardHasText();
    case cmSelectAll: return editor_.Text().TextLength() > 0;
  }
  return false;
}

void TEditorPopupMenu::Refresh() {
  const std::uint16_t used = editor_.UsedMarks();
  // The clipboard is asked once for both paste items.
  bool pasteKnown = false, paste = false;
  for (const Item& item : items_) {
    bool enabled;
    if (item.command == cmPaste || item.command == cmBoxPaste) {
      if (!pasteKnown) paste = Enabled(item.command);
      pasteKnown = true;
      enabled = paste;
    } else {
      enabled = Enabled(item.command);
    }
    item.action->setEnabled(enabled);
    if (item.command == cmMarkSet || item.command == cmMarkJump) item.action->setChecked(used >> item.n & 1);
    if (item.command == cmBoxMode) item.action->setChecked(editor_.SelectionMode() == smBox);
  }
}

void TEditorPopupMenu::Run(Command c, int n) {
  switch (c) {
    case cmMarkSet:
      if (editor_.HasRowMark(editor_.Row(), n)) editor_.DeleteRowMark(editor_.Row(), n);
      else editor_.PutRowMark(editor_.Row(), n);
      break;
    case cmMarkJump: editor_.GotoRowMark(n); break;
    case cmUndo: editor_.Undo(); break;
    case cmRedo: editor_.Redo(); break;
    case cmCut: editor_.CutToClipboard(); break;
    case cmCopy: editor_.CopyToClipboard(); break;
    case cmPaste: editor_.PasteFromClipboard(); break;
    case cmBoxPaste:
      if (editor_.Clipboard())
        if (const auto text = editor_.Clipboard()->Text()) editor_.BoxPaste(*text);
      break;
    case cmDelete: editor_.DeleteSelection(); break;
    case cmSelectAll: editor_.SelectAll(); break;
    case cmBoxMode: editor_.SetSelectionMode(editor_.SelectionMode() == smBox ? smNormal : smBox); break;
  }
}

QKeyCombination TEditorPopupMenu::CombinationOf(const QKeyEvent& e) {
  const Qt::KeyboardModifiers mods = e.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  int key = e.key();
  if ((mods & Qt::ShiftModifier) && !(e.modifiers() & Qt::KeypadModifier)) {
    // X key codes 10..19 are the digit row 1..9, 0 on every PC keyboard.
    const quint32 code = e.nativeScanCode();
    if (code >= 10 && code <= 19) key = code == 19 ? Qt::Key_0 : Qt::Key_1 + static_cast<int>(code - 10);
  }
  return QKeyCombination(mods, static_cast<Qt::Key>(key));
}

bool TEditorPopupMenu::MatchShortcut(QMenu& menu, const QKeyEvent& e) {
  const QKeyCombination k = CombinationOf(e);
  if (k.key() == Qt::Key_unknown || k.key() == 0 || k.keyboardModifiers() == Qt::NoModifier) return false;
  const QKeySequence seq(k);
  for (QAction* a : menu.actions()) {
    if (a->menu()) {
      if (MatchShortcut(*a->menu(), e)) return true;
      continue;
    }
    if (a->isSeparator() || a->shortcut() != seq) continue;
    // The built-in menu asks only this item's rule; another menu keeps its
    // enabling up to date itself.
    auto* own = qobject_cast<TEditorPopupMenu*>(&menu);
    if (!own) own = qobject_cast<TEditorPopupMenu*>(menu.parent());
    if (own) {
      for (const Item& item : own->items_)
        if (item.action == a && own->Enabled(item.command)) own->Run(item.command, item.n);
    } else if (a->isEnabled()) {
      a->trigger();
    }
    return true;
  }
  return false;
}

}  // namespace tamber
