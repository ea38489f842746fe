// The main frame window: menus and toolbar built from the command table, the
// document area, the five status panels, the hidden template editor and the
// routines through which every path becomes an open document.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_table.h"
#include "app/shell_prompts.h"
#include "settings/reg_manager.h"
#include "settings/settings_model.h"
#include "view/ui/find_dialogs.h"

class QAction;
class QLabel;
class QMdiArea;
class QMenu;

namespace tamber {

class TMacroCommands;
class TMDIChild;
class TOptionDlg;
class TMRUFiles;
class TMDITab;
class TMDIWall;
class TTextEditorFx;

// Caption and title texts of the program.
inline constexpr const char* kApplicationTitle = "Tamberエディタ";
inline constexpr const char* kMainWindowCaption = " Tamberエディタ";

// The 1-based entry of a "|"-separated filter (description | pattern …) to
// preselect for ext (with its dot): the entry whose description first names
// it, compared in upper case; 1 when none does.
int FilterIndexFor(std::string_view filter, std::string_view ext);

class TTamberForm : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kStatusPanelCount = 5;

  explicit TTamberForm(QWidget* parent = nullptr);
  ~TTamberForm() override;

  // Status panels, in order: caret position, document state, typing mode,
  // character code, messages.
  void SetStatusText(int panel, const QString& text);
  QString StatusText(int panel) const;
  QLabel* StatusPanel(int panel) const { return panels_.at(static_cast<std::size_t>(panel)); }

  // ---- shared state ----
  // The folder of the program, ending in "/".
  static QString ProgramDir();
  static QString SystemMessageCaption() { return QString::fromUtf8(kSystemMessageCaption); }
  bool ScriptRunning() const { return scriptRunning_; }
  void SetScriptRunning(bool v) { scriptRunning_ = v; }
  bool StopRequested() const { return stopRequested_; }
  void SetStopRequested(bool v) { stopRequested_ = v; }
  bool EditorHadFocus() const { return editorHadFocus_; }
  void SetEditorHadFocus(bool v) { editorHadFocus_ = v; }
  const std::string& CurrentExt() const { return currentExt_; }
  // The template editor: its display properties go into every new document.
  TTextEditorFx& DefEdit() const { return *defEdit_; }
  TSettings& Settings() { return settings_; }
  const TSettings& Settings() const { return settings_; }
  // The options dialog, made once with the frame.
  TOptionDlg& OptionDlg() const { return *optionDlg_; }
  // Reads every setting from the settings file again.
  void RereadSettings();
  // The settings in force go to the template editor, to every open document
  // (in window order), to the tab strip and to the tooltips.
  void ApplySettings();
  // Tooltips are shown (on at start, then as the options say).
  bool HintsShown() const { return hintsShown_; }
  // The folder of the settings file, the Macro and the Script folders.
  const std::string& SettingsHomeDir() const { return settingsHome_; }
  // The macro menu's commands with the frame's key macro recorder.
  TMacroCommands& Macros() const { return *macros_; }
  TRegManager& RegManager() { return regManager_; }
  TShellPrompts& Prompts() const { return *prompts_; }
  // Tests answer the questions and dialogs themselves.
  void SetPrompts(std::unique_ptr<TShellPrompts> p) { prompts_ = std::move(p); }

  // ---- documents ----
  QMdiArea* MdiArea() const { return area_; }
  TMDITab& MDITab() const { return *tabs_; }
  std::vector<TMDIChild*> Documents() const;  // in window order
  TMDIChild* ActiveDocument() const;
  TMDIChild* CreateDocument(const QString& name);
  // Reads path into the active document; false (after saying why) when it
  // could not be read.
  bool LoadIntoActiveDocument(const QString& path);
  // The document captioned path is activated (with a beep), else the file is
  // opened in a new one. False when there is no such file or it could not be read.
  bool OpenOrActivate(const QString& path);
  void AddRecentFile(const QString& path);
  const std::vector<std::string>& RecentFiles() const;
  TMRUFiles& MRUFiles() const { return *mru_; }
  // The wallpaper of the document area.
  TMDIWall& MDIWall1() const { return *wall_; }
  // Puts the WallPaper and WallTile settings on the wallpaper: off for
  // "いらない" or "不要"; a .bmp, .jpg or .jpeg file that exists; the built-in
  // picture for anything else that names no file ("標準"). A file of another
  // extension, or one that cannot be read (the user is told), keeps the
  // picture shown before. Tiled when WallTile, else centred.
  void ApplyWallpaper();
  // An entry of the recent-files menu was chosen: its document is focused,
  // else the file opened (not moved in the list), else a beep.
  void RecentFileClicked(const std::string& stored);

  // ---- commands ----
  QAction* Action(std::string_view name) const;
  // Runs the command's handler as the menus do, failures going to the
  // general error handler.
  void Run(std::string_view name);
  // Re-evaluates every command's enabled state (also done when idle).
  void UpdateCommands();
  TCommandState CommandState() const;

  // The file commands on one document; false when nothing was written.
  bool Save(TMDIChild& doc);
  bool SaveAs(TMDIChild& doc);

 protected:
  void closeEvent(QCloseEvent* e) override;
  void dragEnterEvent(QDragEnterEvent* e) override;
  void dropEvent(QDropEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ReadSettings();
  void WriteExitState();
  void BuildCommands();
  void BuildMenus();
  void BindHandlers();
  void Bind(std::string_view name, std::function<void()> handler);
  bool RunGuarded(const std::function<void()>& body);
  void OpenNewDocument(const QString& path, bool addRecent);
  TFileDialogRequest OpenRequest() const;
  void WriteTo(TMDIChild& doc, const QString& path);

  void FileNew();
  void FileOpen();
  void FileInsert();
  void FileCloseAll();
  void FileSaveAll();
  void FileSJIS();
  void ShowAbout();

  std::array<QLabel*, kStatusPanelCount> panels_{};
  QMdiArea* area_ = nullptr;
  TTextEditorFx* defEdit_ = nullptr;
  QMenu* windowMenu_ = nullptr;
  TMacroCommands* macros_ = nullptr;
  std::map<std::string, QAction*, std::less<>> actions_;
  std::map<std::string, std::function<void()>, std::less<>> handlers_;
  QTimer idle_;
  std::unique_ptr<TShellPrompts> prompts_;
  TRegManager regManager_;
  std::unique_ptr<TSearchCommands> search_;  // the find and replace commands with their dialogs
  TSettings settings_;
  std::string settingsHome_;
  TMRUFiles* mru_ = nullptr;
  TMDITab* tabs_ = nullptr;
  TOptionDlg* optionDlg_ = nullptr;
  bool hintsShown_ = true;
  TMDIWall* wall_ = nullptr;
  QString openFolder_;
  std::string currentExt_;
  bool scriptRunning_ = false;
  bool stopRequested_ = false;
  bool editorHadFocus_ = false;
};

}  // namespace tamber
