#include "settings/settings_schema.h"

#include <algorithm>
#include <array>

#include "encoding/cp932_codec.h"

namespace tamber {

namespace {

using K = TSettingKind;
constexpr auto B = K::skBoolean;
constexpr auto I = K::skInteger;
constexpr auto C = K::skColor;
constexpr auto St = K::skStyle;
constexpr auto S = K::skString;
constexpr auto L = K::skStringList;
constexpr auto F = K::skFont;

// In declaration order, section by section.
constexpr std::array kSchema{
    TSettingDef{"MaxMainWindow", "Config", "MaxMainWindow", B, "0"},
    TSettingDef{"MaxChildWindow", "Config", "MaxChildWindow", B, "1"},
    TSettingDef{"FindFind", "Config", "FindFind", L, ""},
    TSettingDef{"Find", "Config", "Find", L, ""},
    TSettingDef{"Replace", "Config", "Replace", L, ""},
    TSettingDef{"AutoIndent", "Config", "AutoIndent", B, "0"},
    TSettingDef{"FreeCaret", "Config", "FreeCaret", B, "0"},
    TSettingDef{"KeepCaret", "Config", "KeepCaret", B, "0"},
    TSettingDef{"NextLine", "Config", "NextLine", B, "1"},
    TSettingDef{"SoftTab", "Config", "SoftTab", B, "0"},
    TSettingDef{"TabSpaceCount", "Config", "TabSpaceCount", I, "2", 2, 8},
    TSettingDef{"Font", "Config", "Font", F, "ＭＳ ゴシック"},
    TSettingDef{"ShowHint", "Config", "ShowHint", B, "1"},
    TSettingDef{"ShowFindMark", "Config", "ShowFindMark", B, "0"},
    TSettingDef{"Underline", "Config", "Underline", B, "0"},
    TSettingDef{"Taskbar", "Config", "TaskBar", B, "1"},
    TSettingDef{"ScrollBar", "Config", "ScrollBar", I, "2", 0, 3},
    TSettingDef{"ViewRet", "Config", "ViewRet", B, "1"},
    TSettingDef{"ViewEof", "Config", "ViewEof", B, "1"},
    TSettingDef{"ShowSpace", "Config", "ShowSpace", B, "0"},
    TSettingDef{"ShowDBSpace", "Config", "ShowDBSpace", B, "0"},
    TSettingDef{"ShowNumber", "Config", "ShowNumber", B, "1"},
    TSettingDef{"ShowRuler", "Config", "ShowRuler", B, "1"},
    TSettingDef{"ShowTab", "Config", "ShowTab", B, "0"},
    TSettingDef{"MarginLine", "Config", "MarginLine", I, "0", 0, 100},
    TSettingDef{"MarginCharacter", "Config", "MarginCharacter", I, "0", 0, 100},
    TSettingDef{"WordWrap", "Config", "WordWrap", I, "0", 0, 2},
    TSettingDef{"WordWrapByte", "Config", "WordWrapByte", I, "80", 20, 250},
    TSettingDef{"Leading", "Config", "Leading", B, "0"},
    TSettingDef{"FollowStr", "Config", "FollowStr", S,
                "、。，．・？！゛゜ヽヾゝゞ々ー）］｝」』!),.:;?]}｡｣､･ｰﾞﾟ"},
    TSettingDef{"LeadStr", "Config", "LeadStr", S, "（［｛「『([{｢"},
    TSettingDef{"PunctuationStr", "Config", "PunctuationStr", S, "、。，．,.｡､"},
    TSettingDef{"MouseWheel", "Config", "MouseWheel", I, "1", 1, 5},
    TSettingDef{"ShowCurrentLine", "Config", "ShowCurrentLine", B, "1"},
    TSettingDef{"CurrentLineColor", "Config", "CurrentLineColor", C, "-16777192"},
    TSettingDef{"ShowParen", "Config", "ShowParen", B, "1"},
    TSettingDef{"ParenColor", "Config", "ParenColor", C, "-16777189"},
    TSettingDef{"Sign1", "Config", "Sign1", L, ""},
    TSettingDef{"Sign2", "Config", "Sign2", L, ""},
    TSettingDef{"Sign3", "Config", "Sign3", L, ""},
    TSettingDef{"Sign4", "Config", "Sign4", L, ""},
    TSettingDef{"Sign5", "Config", "Sign5", L, ""},
    TSettingDef{"DBFilter", "Config", "DBFilter", L, ""},

    TSettingDef{"LastAccessFolda", "File", "LastAccessFolda", S, ""},
    TSettingDef{"FileBackUp", "File", "FileBackUp", B, "1"},
    TSettingDef{"HtmlAutoSave", "File", "HtmlAutoSave", B, "1"},
    TSettingDef{"Brouser", "File", "Brouser", I, "0", 0, 2},
    TSettingDef{"OptExt", "File", "OptExt", S, ""},
    TSettingDef{"KanjiAuto", "File", "KanjiAuto", B, "1"},
    TSettingDef{"LastFolda", "File", "LastFolda", B, "1"},
    TSettingDef{"DefFolda", "File", "DefFolda", S, ""},

    TSettingDef{"Color", "Color", "Color", C, "-2147483643"},
    TSettingDef{"FontColor", "Color", "FontColor", C, "0"},
    // The old file's key has a trailing blank; look-up trims it.
    TSettingDef{"FgAnk", "Color", "FgAnk ", C, "-2147483640"},
    TSettingDef{"BgAnk", "Color", "BgAnk", C, "-2147483643"},
    TSettingDef{"StyleAnk", "Color", "StyleAnk", St, "0"},
    TSettingDef{"FgComment", "Color", "FgComment", C, "32896"},
    TSettingDef{"BgComment", "Color", "BgComment", C, "16777215"},
    TSettingDef{"StyleComment", "Color", "StyleComment", St, "0"},
    TSettingDef{"FgDBCS", "Color", "FgDBCS", C, "8388608"},
    TSettingDef{"BgDBCS", "Color", "BgDBCS", C, "16777215"},
    TSettingDef{"StyleDBCS", "Color", "StyleDBCS", St, "0"},
    TSettingDef{"FgInt", "Color", "FgInt", C, "-2147483640"},
    TSettingDef{"BgInt", "Color", "BgInt", C, "-2147483643"},
    TSettingDef{"StyleInt", "Color", "StyleInt", St, "0"},
    TSettingDef{"FgMail", "Color", "FgMail", C, "65280"},
    TSettingDef{"BgMail", "Color", "BgMail", C, "16777215"},
    TSettingDef{"StyleMail", "Color", "StyleMail", St, "0"},
    TSettingDef{"FgReserve", "Color", "FgReserve", C, "128"},
    TSettingDef{"BgReserve", "Color", "BgReserve", C, "16777215"},
    TSettingDef{"StyleReserve", "Color", "StyleReserve", St, "0"},
    TSettingDef{"FgSelect", "Color", "FgSelect", C, "16777215"},
    TSettingDef{"BgSelect", "Color", "BgSelect", C, "16711680"},
    TSettingDef{"StyleSelect", "Color", "StyleSelect", St, "0"},
    TSettingDef{"FgStr", "Color", "FgStr", C, "-2147483640"},
    TSettingDef{"BgStr", "Color", "BgStr", C, "-2147483643"},
    TSettingDef{"StyleStr", "Color", "StyleStr", St, "0"},
    TSettingDef{"FgSymbol", "Color", "FgSymbol", C, "8388608"},
    TSettingDef{"BgSymbol", "Color", "BgSymbol", C, "16777215"},
    TSettingDef{"StyleSymbol", "Color", "StyleSymbol", St, "0"},
    TSettingDef{"FgUrl", "Color", "FgUrl", C, "16776960"},
    TSettingDef{"BgUrl", "Color", "BgUrl", C, "16777215"},
    TSettingDef{"StyleUrl", "Color", "StyleUrl", St, "0"},
    TSettingDef{"FgRuler", "Color", "FgRuler", C, "8388608"},
    TSettingDef{"BgRuler", "Color", "BgRuler", C, "-2147483643"},

    // Window placement: a window narrower or lower than one pixel cannot be shown.
    TSettingDef{"Left", "Position", "Left", I, "0"},
    TSettingDef{"Top", "Position", "Top", I, "0"},
    TSettingDef{"Width", "Position", "Width", I, "640", 1},
    TSettingDef{"Height", "Position", "height", I, "480", 1},

    TSettingDef{"WallPaper", "Wall", "WallPaper", S, "標準"},
    TSettingDef{"WallTile", "Wall", "WallTile", B, "1"},

    TSettingDef{"Command", "Command", "Command", L, ""},

    // The device each serial port name opens.
    TSettingDef{"COM1", "Serial", "COM1", S, "/dev/ttyS0"},
    TSettingDef{"COM2", "Serial", "COM2", S, "/dev/ttyS1"},
    TSettingDef{"COM3", "Serial", "COM3", S, "/dev/ttyS2"},
    TSettingDef{"COM4", "Serial", "COM4", S, "/dev/ttyS3"},
};

constexpr TSettingDef kShellState[] = {
    TSettingDef{"PreviousTextDefault", "Association", "PreviousTextDefault", S, ""},
};

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
           return up(x) == up(y);
         });
}

}  // namespace

std::span<const TSettingDef> SettingsSchema() { return kSchema; }
std::span<const TSettingDef> ShellStateItems() { return kShellState; }

const TSettingDef* FindSettingDef(std::string_view name) {
  for (const TSettingDef& d : kSchema) {
    if (SameName(d.Name, name)) return &d;
  }
  return nullptr;
}

void DeclareSettingsItems(TRegItems& items) {
  for (const std::span<const TSettingDef> table : {SettingsSchema(), ShellStateItems()}) {
    for (const TSettingDef& d : table) {
      items.Add(TRegItem{std::string(d.Name), std::string(d.Section), std::string(d.Ident),
                         Utf8ToCp932(d.Default)});
    }
  }
}

std::int32_t ClampSetting(const TSettingDef& def, std::int32_t value) {
  if (def.Kind == TSettingKind::skStyle) return (value >= 1 && value <= 7) ? value : 0;
  return std::clamp(value, def.Min, def.Max);
}

TFontData DefaultFont() {
  TFontData f;
  f.Name = Utf8ToCp932(FindSettingDef("Font")->Default);
  f.Size = kDefaultFontSize;
  f.Color = clWindowText;
  f.Style = 0;
  f.Charset = kDefaultFontCharset;
  return f;
}

}  // namespace tamber
