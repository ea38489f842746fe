#include "settings/settings_model.h"

#include <algorithm>
#include <system_error>
#include <variant>

#include "encoding/cp932_codec.h"
#include "encoding/dbcs.h"
#include "encoding/file_io.h"
#include "serial/port_config.h"
#include "settings/script_list.h"

namespace tamber {

namespace {

using Ref = std::variant<bool*, std::int32_t*, TColor*, std::string*, std::vector<std::string>*, TFontData*>;
struct Binding {
  std::string_view name;
  Ref (*ref)(TSettings&);
};

#define BIND(field) Binding{#field, [](TSettings& s) -> Ref { return &s.field; }}
#define BIND_AS(name, expr) Binding{name, [](TSettings& s) -> Ref { return &(expr); }}
#define BIND_SLOT(slot, part) \
  BIND_AS(#part #slot, s.Slots[cs##slot].part)
#define BIND_COLOR_SLOT(slot) BIND_SLOT(slot, Fg), BIND_SLOT(slot, Bg), BIND_AS("Style" #slot, s.Slots[cs##slot].Style)

// Window options and placement, read when the main window is created.
const Binding kMainWindow[] = {
    BIND(MaxMainWindow), BIND(MaxChildWindow), BIND(Left), BIND(Top), BIND(Width), BIND(Height),
};

// The options, in the order the options dialog reads and writes them.
const Binding kOptions[] = {
    BIND(AutoIndent), BIND(FreeCaret), BIND(KeepCaret), BIND(NextLine), BIND(SoftTab),
    BIND(TabSpaceCount), BIND(MaxMainWindow), BIND(MaxChildWindow), BIND(ShowHint),
    BIND(ShowFindMark), BIND(Underline), BIND(TaskBar), BIND(ScrollBar), BIND(ShowNumber),
    BIND(ShowRuler), BIND(ShowTab), BIND(ShowSpace), BIND(ShowDBSpace), BIND(ShowCurrentLine),
    BIND(CurrentLineColor), BIND(ShowParen), BIND(ParenColor), BIND(ViewRet), BIND(ViewEof),
    BIND(MarginLine), BIND(MarginCharacter), BIND(WordWrap), BIND(WordWrapByte), BIND(Leading),
    BIND(FollowStr), BIND(LeadStr), BIND(PunctuationStr), BIND(MouseWheel), BIND(FileBackUp),
    BIND(HtmlAutoSave), BIND(Brouser), BIND(KanjiAuto), BIND(LastFolda), BIND(DefFolda),
    BIND(OptExt),
    BIND_AS("Sign1", s.Sign[0]), BIND_AS("Sign2", s.Sign[1]), BIND_AS("Sign3", s.Sign[2]),
    BIND_AS("Sign4", s.Sign[3]), BIND_AS("Sign5", s.Sign[4]),
    BIND(Font),
};

const Binding kColors[] = {
    BIND(Color), BIND(FontColor),
    BIND_COLOR_SLOT(Ank), BIND_COLOR_SLOT(Comment), BIND_COLOR_SLOT(DBCS), BIND_COLOR_SLOT(Int),
    BIND_COLOR_SLOT(Mail), BIND_COLOR_SLOT(Reserve), BIND_COLOR_SLOT(Select), BIND_COLOR_SLOT(Str),
    BIND_COLOR_SLOT(Symbol), BIND_COLOR_SLOT(Url),
    BIND(FgRuler), BIND(BgRuler),
};

const Binding kScriptsAndWall[] = {BIND(Command), BIND(WallTile), BIND(WallPaper)};

const Binding kSerial[] = {BIND_AS("COM1", s.ComPort[0]), BIND_AS("COM2", s.ComPort[1]),
                           BIND_AS("COM3", s.ComPort[2]), BIND_AS("COM4", s.ComPort[3])};

// Read by the windows that own them.
const Binding kOthers[] = {
    BIND(FindFind), BIND(Find), BIND(Replace), BIND(DBFilter), BIND(LastAccessFolda),
};

#undef BIND_COLOR_SLOT
#undef BIND_SLOT
#undef BIND_AS
#undef BIND

template <class... F>
struct Overloaded : F... {
  using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

void ReadBinding(TRegManager& m, const Binding& b, TSettings& s) {
  const TSettingDef& def = *FindSettingDef(b.name);
  TRegFiler& f = m.Filer(def.Name);
  std::visit(Overloaded{
                 [&](bool* p) { *p = f.ReadBool(); },
                 [&](std::int32_t* p) { *p = ClampSetting(def, f.ReadInteger()); },
                 // Colours are stored as signed integers (system colours are negative).
                 [&](TColor* p) { *p = static_cast<TColor>(ClampSetting(def, f.ReadInteger())); },
                 [&](std::string* p) { *p = f.ReadString(); },
                 [&](std::vector<std::string>* p) { f.ReadStrings(*p); },
                 [&](TFontData* p) {
                   f.ReadFont(*p);
                   p->Size = std::clamp(p->Size, kMinFontSize, kMaxFontSize);
                   p->Style = 0;  // the editor font is always plain
                 },
             },
             b.ref(s));
}

void WriteBinding(TRegManager& m, const Binding& b, TSettings& s) {
  TRegFiler& f = m.Filer(FindSettingDef(b.name)->Name);
  std::visit(Overloaded{
                 [&](bool* p) { f.WriteBool(*p); },
                 [&](std::int32_t* p) { f.WriteInteger(*p); },
                 [&](TColor* p) { f.WriteInteger(static_cast<std::int32_t>(*p)); },
                 [&](std::string* p) { f.WriteString(*p); },
                 [&](std::vector<std::string>* p) { f.WriteStrings(*p); },
                 [&](TFontData* p) { f.WriteFont(*p); },
             },
             b.ref(s));
}

template <std::size_t N>
void ReadGroup(TRegManager& m, const Binding (&group)[N], TSettings& s) {
  for (const Binding& b : group) ReadBinding(m, b, s);
}

template <std::size_t N>
void WriteGroup(TRegManager& m, const Binding (&group)[N], TSettings& s) {
  for (const Binding& b : group) WriteBinding(m, b, s);
}

std::string KeywordPath(const std::string& dir, std::string_view file) {
  return dir.empty() ? std::string(file) : dir + "/" + std::string(file);
}

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return FoldAscii(x) == FoldAscii(y); });
}

}  // namespace

TSettings::TSettings()
    : Font(DefaultFont()),
      Keywords{{{"HTML.Def", "HtmlWord", {}, false},
                {"SQL.Def", "SqlWord", {}, false},
                {"CPP.Def", "CppWord", {}, false},
                {"PASCAL.Def", "PascalWord", {}, false},
                {"BASIC.Def", "BasicWord", {}, false},
                {"PERL.Def", "PerlWord", {}, false},
                {"JAVA.Def", "JavaWord", {}, false},
                {"ASM.Def", "AsmWord", {}, false},
                {"TXT.Def", "TextWord", {}, false}}} {}

std::string TSettings::FileFilter() const { return OptExt.empty() ? BuiltInFileFilter() : OptExt; }

void ReadAllSettings(TRegManager& manager, const std::string& keywordDir, TSettings& s) {
  manager.Update([&] {
    ReadGroup(manager, kMainWindow, s);
    ReadGroup(manager, kOptions, s);
    for (TKeywordFile& k : s.Keywords) k.Loaded = LoadKeywordFile(KeywordPath(keywordDir, k.FileName), k.Lines);
    ReadGroup(manager, kColors, s);
    ReadGroup(manager, kScriptsAndWall, s);
    if (s.Command.empty()) s.Command = DefaultScriptList();
    ReadGroup(manager, kOthers, s);
    ReadGroup(manager, kSerial, s);
  });
}

void WriteAllSettings(TRegManager& manager, const std::string& keywordDir, TSettings& s) {
  manager.Update([&] { WriteGroup(manager, kOptions, s); });
  for (TKeywordFile& k : s.Keywords) {
    if (!k.Loaded && k.Lines.empty()) continue;
    SaveKeywordFile(KeywordPath(keywordDir, k.FileName), k.Lines);
    k.Loaded = true;
  }
  manager.Update([&] {
    WriteGroup(manager, kColors, s);
    WriteGroup(manager, kScriptsAndWall, s);
    WriteGroup(manager, kSerial, s);
  });
}

void ApplyComPorts(const TSettings& s) {
  // The setting is CP932 like every value; the file system names are UTF-8.
  for (int n = 1; n <= 4; ++n) SetComPortPath(n, Cp932ToUtf8(s.ComPort[n - 1]));
}

void WriteExitSettings(TRegManager& manager, const TSettings& settings, bool maximised) {
  TSettings s;  // the bindings take a mutable model; only these fields are written
  s.LastAccessFolda = settings.LastAccessFolda;
  s.Left = settings.Left;
  s.Top = settings.Top;
  s.Width = settings.Width;
  s.Height = settings.Height;
  manager.Update([&] {
    WriteBinding(manager, Binding{"LastAccessFolda", [](TSettings& t) -> Ref { return &t.LastAccessFolda; }}, s);
    if (maximised) return;  // a maximised window keeps the stored placement
    for (const Binding& b : kMainWindow) {
      if (b.name != "MaxMainWindow" && b.name != "MaxChildWindow") WriteBinding(manager, b, s);
    }
  });
}

void WriteHistory(TRegManager& manager, std::string_view name, const std::vector<std::string>& list) {
  const std::size_t n = std::min(list.size(), kMaxHistoryEntries);
  manager.Filer(name).WriteStrings(std::vector<std::string>(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(n)));
}

bool LoadKeywordFile(const std::string& path, std::vector<std::string>& lines) {
  lines.clear();
  std::string bytes;
  try {
    bytes = ReadWholeFile(path);
  } catch (const std::system_error&) {
    return false;  // a missing keyword file is an empty one
  }
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t i = FindLineBreak(bytes, start);
    if (i == std::string::npos) i = bytes.size();
    lines.push_back(bytes.substr(start, i - start));
    if (i < bytes.size() && bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
    start = i + 1;
  }
  return true;
}

void SaveKeywordFile(const std::string& path, const std::vector<std::string>& lines) {
  std::string bytes;
  for (const std::string& l : lines) bytes += l + "\r\n";
  try {
    WriteFileAtomically(path, bytes);
  } catch (const std::system_error&) {
    throw SettingsWriteError(path);
  }
}

std::vector<std::string> LoadRecentFiles(const std::string& iniFileName, int maxEntries) {
  std::vector<std::string> files;
  TIniFile file;
  try {
    file = TIniFile::Load(iniFileName);
  } catch (const std::system_error&) {
    return files;
  }
  for (int i = 1; i <= maxEntries; ++i) {
    const auto v = file.ReadValue("History", "File" + std::to_string(i));
    if (!v || v->empty()) break;
    if (std::none_of(files.begin(), files.end(), [&](const std::string& f) { return SameIgnoringCase(f, *v); })) {
      files.push_back(*v);
    }
  }
  return files;
}

void SaveRecentFiles(const std::string& iniFileName, const std::vector<std::string>& files) {
  TIniFile file;
  try {
    file = TIniFile::Load(iniFileName);
  } catch (const std::system_error&) {
    throw SettingsWriteError(iniFileName);
  }
  file.EraseSection("History");
  for (std::size_t i = 0; i < files.size(); ++i) {
    file.WriteValue("History", "File" + std::to_string(i + 1), files[i]);
  }
  file.Save(iniFileName);
}

std::string BuiltInFileFilter() {
  return Utf8ToCp932(
      "テキスト(*.txt;*.doc)|*.txt;*.doc|C言語(*.c;*.cpp;*.h)|*.c;*.cpp;*.h|Pascal(*.pas)|*.pas|"
      "BASIC(*.bas)|*.bas|Perl(*.pl;*.cgi)|*.pl;*.cgi|Java(*.java)|*.java|ASM(*.ASM)|*.ASM|"
      "HTML(*.htm;*.html)|*.htm;*.html|XML(*.xml;*.xls)|*.xml;*.xls|SQL(*.SQL)|*.SQL|"
      "BATファイル(*.bat)|*.bat|NCデータ(*.nc;*.ncd)|*.nc;*.ncd|manifest(*.manifest)|*.manifest|"
      "一般データ(*.dat)|*.dat|全てのファイル(*.*)|*.*");
}

std::vector<TFilterPair> SplitFileFilter(std::string_view filter) {
  // '|' (7C) can be the trail byte of a double-byte character, so split by characters.
  std::vector<std::string> parts;
  std::string part;
  for (std::size_t i = 0; i < filter.size();) {
    const std::size_t len = CharLength(filter, i);
    if (len == 1 && filter[i] == '|') {
      parts.push_back(std::move(part));
      part.clear();
    } else {
      part.append(filter.substr(i, len));
    }
    i += len;
  }
  if (!part.empty()) parts.push_back(std::move(part));
  std::vector<TFilterPair> pairs;
  for (std::size_t i = 0; i < parts.size(); i += 2) {
    pairs.push_back({parts[i], i + 1 < parts.size() ? parts[i + 1] : std::string()});
  }
  return pairs;
}

std::string JoinFileFilter(const std::vector<TFilterPair>& pairs) {
  std::string out;
  for (const TFilterPair& p : pairs) {
    if (p.Description.empty()) break;
    out += p.Description + "|" + p.Pattern + "|";
  }
  return out;
}

TWallpaperChoice ChooseWallpaper(std::string_view wallPaper, bool fileExists) {
  static const std::string kOff1 = Utf8ToCp932("いらない");
  static const std::string kOff2 = Utf8ToCp932("不要");
  if (wallPaper == kOff1 || wallPaper == kOff2) return TWallpaperChoice::wcNone;
  return (!wallPaper.empty() && fileExists) ? TWallpaperChoice::wcFile : TWallpaperChoice::wcBuiltIn;
}

}  // namespace tamber
