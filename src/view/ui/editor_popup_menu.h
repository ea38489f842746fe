// TEditorPopupMenu: the menu the editor control offers when the application
// gives it none — bookmarks, undo and redo, the clipboard, select all and box
// mode. Enabling and checks are recomputed each time it opens (Refresh), and
// the control matches its shortcuts itself (MatchShortcut) so that whatever
// watches the keys in front of the control sees them as keys.
#pragma once

#include <QMenu>
#include <vector>

class QKeyEvent;

namespace tamber {

class TTextEditor;

class TEditorPopupMenu : public QMenu {
  Q_OBJECT

 public:
  enum Command { cmMarkSet, cmMarkJump, cmUndo, cmRedo, cmCut, cmCopy, cmPaste, cmBoxPaste, cmDelete, cmSelectAll, cmBoxMode };

  TEditorPopupMenu(TTextEditor& editor, QWidget* parent);

  // Recomputes every item's enabling and check.
  void Refresh();
  // The action of a command (n: the mark of cmMarkSet and cmMarkJump).
  QAction* Action(Command c, int n = 0) const;
  bool Enabled(Command c) const;
  void Run(Command c, int n = 0);

  // The key combination of a key event as menus spell shortcuts: a digit
  // pressed with Shift and Ctrl counts by its key, whatever symbol Shift
  // gives it on the layout.
  static QKeyCombination CombinationOf(const QKeyEvent& e);
  // Triggers the enabled action of menu (or its submenus) whose shortcut is
  // the key's; true when one had it (enabled or not: the key is used).
  static bool MatchShortcut(QMenu& menu, const QKeyEvent& e);

 private:
  struct Item {
    QAction* action;
    Command command;
    int n;
  };
  QAction* Add(QMenu& menu, const QString& caption, Command c, int n, QKeySequence shortcut);

  TTextEditor& editor_;
  std::vector<Item> items_;
};

}  // namespace tamber
