// The registered scripts: the list kept as the setting Command (file names
// in CP932, relative to the Script folder of the settings home) and the
// script menu built from it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tamber {

// 行番号.pas, 省資源印刷.pas, Grep.pas, 整形.pas, 全置き換え.pas (CP932), the
// list used when the setting is empty.
std::vector<std::string> DefaultScriptList();

inline constexpr std::string_view kDefaultButtonBitmap = "DefaultButton.bmp";

struct TScriptMenuEntry {
  std::string Caption;     // the entry's file name without its extension (CP932)
  int Tag = 0;             // the entry's index, also its image index
  std::string BitmapPath;  // the button picture; empty when there is none
};

// One entry per list item; scriptDir is the Script folder (a file-system
// path). The picture is the entry's own .bmp, else DefaultButton.bmp; a
// missing picture leaves the button blank.
std::vector<TScriptMenuEntry> ScriptMenuEntries(const std::vector<std::string>& list,
                                                const std::string& scriptDir);

// The script file that running the menu item caption opens: caption + ".Pas"
// with the extension matched without regard to case, as the file systems the
// list was made on did; empty when there is none.
std::string FindScriptFile(const std::string& scriptDir, std::string_view caption);

// A CP932 file name as a file-system (UTF-8) name.
std::string FileSystemName(std::string_view cp932Name);

}  // namespace tamber
