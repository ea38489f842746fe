// The settings as the program uses them, read from and written to the
// settings file through the declared items, in the order and groups in which
// the program reads and writes them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "settings/reg_manager.h"
#include "settings/settings_schema.h"

namespace tamber {

// Foreground, background and font style of one colour slot.
struct TColorSlot {
  TColor Fg = 0;
  TColor Bg = 0;
  std::int32_t Style = 0;
  bool operator==(const TColorSlot&) const = default;
};

// The colour slots kept in the settings file, in their reading order.
enum TColorSlotIndex : int {
  csAnk, csComment, csDBCS, csInt, csMail, csReserve, csSelect, csStr, csSymbol, csUrl, kColorSlotCount
};
inline constexpr std::array<std::string_view, kColorSlotCount> kColorSlotNames{
    "Ank", "Comment", "DBCS", "Int", "Mail", "Reserve", "Select", "Str", "Symbol", "Url"};

// A keyword file: one keyword per line.
struct TKeywordFile {
  std::string_view FileName;    // "HTML.Def" …
  std::string_view EditorName;  // HtmlWord …
  std::vector<std::string> Lines;
  // The file was read. One that was not is written only once it holds
  // keywords, so a file we could not read is never emptied.
  bool Loaded = false;
};
inline constexpr std::size_t kKeywordFileCount = 9;

// At most this many entries of a find, replace or filter history are kept.
inline constexpr std::size_t kMaxHistoryEntries = 10;

struct TSettings {
  TSettings();

  // Config
  bool MaxMainWindow = false, MaxChildWindow = false;
  bool AutoIndent = false, FreeCaret = false, KeepCaret = false, NextLine = false, SoftTab = false;
  std::int32_t TabSpaceCount = 0;
  TFontData Font;
  bool ShowHint = false, ShowFindMark = false, Underline = false, TaskBar = false;
  std::int32_t ScrollBar = 0;
  bool ViewRet = false, ViewEof = false, ShowSpace = false, ShowDBSpace = false;
  bool ShowNumber = false, ShowRuler = false, ShowTab = false;
  std::int32_t MarginLine = 0, MarginCharacter = 0, WordWrap = 0, WordWrapByte = 0;
  bool Leading = false;
  std::string FollowStr, LeadStr, PunctuationStr;
  std::int32_t MouseWheel = 0;
  bool ShowCurrentLine = false, ShowParen = false;
  TColor CurrentLineColor = 0, ParenColor = 0;
  std::array<std::vector<std::string>, 5> Sign;  // Sign1 … Sign5
  std::vector<std::string> FindFind, Find, Replace, DBFilter;
  // File
  std::string LastAccessFolda;
  bool FileBackUp = false, HtmlAutoSave = false;
  std::int32_t Brouser = 0;
  std::string OptExt;
  bool KanjiAuto = false, LastFolda = false;
  std::string DefFolda;
  // Color
  TColor Color = 0, FontColor = 0;
  std::array<TColorSlot, kColorSlotCount> Slots;
  TColor FgRuler = 0, BgRuler = 0;
  // Position
  std::int32_t Left = 0, Top = 0, Width = 0, Height = 0;
  // Wall
  std::string WallPaper;
  bool WallTile = false;
  // Command: the registered scripts
  std::vector<std::string> Command;
  // Serial: the device paths of COM1 … COM4
  std::array<std::string, 4> ComPort;
  // The keyword files, in reading order.
  std::array<TKeywordFile, kKeywordFileCount> Keywords;

  // The template editor's left margin.
  int LeftMarginWidth() const { return ShowNumber ? 6 : 4; }
  // OptExt, or the built-in filter when it is empty.
  std::string FileFilter() const;
};

// Reads every setting: first the ones the main window reads (window options,
// placement), then the options in the order of the options dialog's reading
// (keyword files from keywordDir among them; a missing one is empty), an
// empty script list filled with the five default scripts, then the
// histories and the last folder.
void ReadAllSettings(TRegManager& manager, const std::string& keywordDir, TSettings& settings);

// What confirming the options dialog writes, in its order: the options and
// the keyword files, then the colours, the script list and the wallpaper.
// Throws SettingsWriteError at the first write refused; what was written
// before stays written.
void WriteAllSettings(TRegManager& manager, const std::string& keywordDir, TSettings& settings);

// Makes the port names COM1 … COM4 open the devices the settings name.
void ApplyComPorts(const TSettings& settings);

// What the main window writes at exit besides the recent files: the last
// folder and, unless the window is maximised, its placement.
void WriteExitSettings(TRegManager& manager, const TSettings& settings, bool maximised);

// A history list (FindFind, Find, Replace, DBFilter), its first
// kMaxHistoryEntries entries.
void WriteHistory(TRegManager& manager, std::string_view name, const std::vector<std::string>& list);

// Keyword files: lines split at CR LF, LF or CR; written with CR LF after every line.
bool LoadKeywordFile(const std::string& path, std::vector<std::string>& lines);
void SaveKeywordFile(const std::string& path, const std::vector<std::string>& lines);

// The recent files, section "History", keys File1 … File<max> (not declared items).
inline constexpr int kMaxRecentFiles = 9;
std::vector<std::string> LoadRecentFiles(const std::string& iniFileName, int maxEntries = kMaxRecentFiles);
// Erases the section and writes the entries in order; throws SettingsWriteError.
void SaveRecentFiles(const std::string& iniFileName, const std::vector<std::string>& files);

// The file-type filter used when OptExt is empty (CP932).
std::string BuiltInFileFilter();
struct TFilterPair {
  std::string Description, Pattern;
  bool operator==(const TFilterPair&) const = default;
};
std::vector<TFilterPair> SplitFileFilter(std::string_view filter);
// description "|" pattern "|" for each pair up to the first empty description.
std::string JoinFileFilter(const std::vector<TFilterPair>& pairs);

// What the WallPaper setting asks for.
enum class TWallpaperChoice { wcNone, wcBuiltIn, wcFile };
TWallpaperChoice ChooseWallpaper(std::string_view wallPaper, bool fileExists);

}  // namespace tamber
