// Every setting of the settings file in one table: its item name, section,
// key, kind, default and the range a read value is kept in.
#pragma once

#include <cstdint>
#include <limits>
#include <span>
#include <string_view>

#include "settings/reg_manager.h"

namespace tamber {

enum class TSettingKind {
  skBoolean,
  skInteger,     // clamped into [Min, Max]
  skColor,       // any 32-bit colour
  skStyle,       // font style of a colour slot: 1..7, anything else reads as 0
  skString,
  skStringList,  // Ident_ItemCount, Ident_Item0 …
  skFont,        // Ident_FontName … Ident_FontCharset
};

struct TSettingDef {
  std::string_view Name;     // the item name the program asks for
  std::string_view Section;
  std::string_view Ident;    // the key in the file
  TSettingKind Kind;
  std::string_view Default;  // UTF-8 here; the items hold it in CP932
  std::int32_t Min = std::numeric_limits<std::int32_t>::min();
  std::int32_t Max = std::numeric_limits<std::int32_t>::max();
};

std::span<const TSettingDef> SettingsSchema();
// State the program keeps in the settings file at its own moments, outside
// the options: read and written only where it changes, never by the reading
// and writing of all settings. PreviousTextDefault (section "Association")
// is the desktop's default application for plain text before Tamber took it.
std::span<const TSettingDef> ShellStateItems();
const TSettingDef* FindSettingDef(std::string_view name);  // name compared ignoring case

// The declared items of the settings manager, made from both tables.
void DeclareSettingsItems(TRegItems& items);

// A value read for def, kept in its range.
std::int32_t ClampSetting(const TSettingDef& def, std::int32_t value);

// The editor font before any setting is read.
inline constexpr int kDefaultFontSize = 11;
inline constexpr int kDefaultFontCharset = 128;  // Shift-JIS
inline constexpr int kMinFontSize = 1;
inline constexpr int kMaxFontSize = 1638;
TFontData DefaultFont();

}  // namespace tamber
