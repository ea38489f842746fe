// The macro menu of the main window: the one key macro recorder of the
// frame, following the editor pane that last had the focus, with record,
// stop, play, save, load and the quick start of the macro files in the
// settings home's Macro folder.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "view/key_macro.h"

class QMenu;
class QWidget;

namespace tamber {

class TMDIChild;
class TTamberForm;
class TTextEditorFx;
class TWidgetKeyMacroTarget;

// Status panel the recording is shown in, and its text.
inline constexpr int kMacroStatusPanel = 4;
inline constexpr const char* kMacroRecordingText = "マクロ記録中";

class TMacroCommands : public QObject {
 public:
  explicit TMacroCommands(TTamberForm& form);
  ~TMacroCommands() override;

  TKeyMacro& Recorder() { return macro_; }
  // The folder of the macro files (settings home + "Macro"), without a trailing "/".
  QString MacroFolder() const;

  // Makes pane the recorder's control (what a pane does when it is entered).
  void Enter(TTextEditorFx& pane);

  void Record();
  void Stop();
  void Play();
  void Save();
  void Load();
  // The files of the quick-start menu: *.mac of the macro folder (any case
  // of the extension), sorted by name.
  QStringList QuickStartFiles() const;
  // Loads the named file of the macro folder and plays it into the focused pane.
  void QuickStart(const QString& fileName);
  // Fills the quick-start menu anew (done each time it opens).
  void FillQuickStartMenu(QMenu& menu);

 private:
  TWidgetKeyMacroTarget& TargetOf(TTextEditorFx& pane);
  // The pane of this frame's documents that w is or lies in; nullptr else.
  TTextEditorFx* PaneOf(QWidget* w) const;
  TMDIChild* DocumentOf(TTextEditorFx& pane) const;
  // Makes the active document's focused pane the control when the pane that
  // last had the focus is gone or the focus is in another document.
  void FollowActiveDocument();
  void Changed();

  TTamberForm& form_;
  TKeyMacro macro_;
  TKeyMacroState lastState_ = kmIdle;
  bool stopping_ = false;  // the recording ends by the stop command
};

}  // namespace tamber
