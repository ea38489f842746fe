#include "settings/settings_model.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../support/bytes.h"
#include "encoding/cp932_codec.h"
#include "encoding/file_io.h"
#include "fake_messages.h"
#include "serial/port_config.h"
#include "settings/script_list.h"
#include "temp_dir.h"

namespace tamber {
namespace {

namespace fs = std::filesystem;
using test::ToHex;

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

class SettingsModelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.SetIniFileName(dir.File("tamber.ini"));
    DeclareSettingsItems(manager.RegItems());
  }
  void TearDown() override { EXPECT_TRUE(messages.shown.empty()) << messages.shown.front(); }
  TIniFile File() { return TIniFile::Load(manager.IniFileName()); }

  test::TempDir dir;
  test::CountingMessages messages;
  TRegManager manager{&messages};
};

TEST_F(SettingsModelTest, EveryItemReadsItsDefaultFromAnEmptyFile) {
  for (const TSettingDef& def : SettingsSchema()) {
    TRegFiler& f = manager.Filer(def.Name);
    const std::string expected = Utf8ToCp932(def.Default);
    switch (def.Kind) {
      case TSettingKind::skBoolean:
        EXPECT_EQ(f.ReadBool(), expected == "1") << def.Name;
        break;
      case TSettingKind::skInteger:
      case TSettingKind::skColor:
      case TSettingKind::skStyle:
        EXPECT_EQ(std::to_string(f.ReadInteger()), expected) << def.Name;
        break;
      case TSettingKind::skString:
        EXPECT_EQ(ToHex(f.ReadString()), ToHex(expected)) << def.Name;
        break;
      case TSettingKind::skStringList: {
        std::vector<std::string> list{"x"};
        f.ReadStrings(list);
        EXPECT_TRUE(list.empty()) << def.Name;
        break;
      }
      case TSettingKind::skFont: {
        TFontData font = DefaultFont();
        f.ReadFont(font);
        EXPECT_EQ(font, (TFontData{Sjis("ＭＳ ゴシック"), 11, clWindowText, 0, 128}));
        break;
      }
    }
  }
}

TEST_F(SettingsModelTest, DefaultsReadFromAnEmptyFileAreWrittenBackAsDeclared) {
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Command, DefaultScriptList());
  EXPECT_EQ(s.LeftMarginWidth(), 6);
  WriteAllSettings(manager, dir.path(), s);
  WriteExitSettings(manager, s, false);
  const TIniFile file = File();
  for (const TSettingDef& def : SettingsSchema()) {
    if (def.Kind == TSettingKind::skStringList || def.Kind == TSettingKind::skFont) continue;
    EXPECT_EQ(ToHex(file.ReadValue(def.Section, def.Ident).value_or("<missing>")), ToHex(Utf8ToCp932(def.Default)))
        << def.Name;
  }
  EXPECT_EQ(file.ReadValue("Config", "Font_FontName"), Sjis("ＭＳ ゴシック"));
  EXPECT_EQ(file.ReadValue("Command", "Command_ItemCount"), "5");
  EXPECT_EQ(file.ReadValue("Config", "FindFind_ItemCount"), std::nullopt) << "histories are their windows' to write";
  for (const TKeywordFile& k : s.Keywords) {
    EXPECT_FALSE(fs::exists(dir.File(std::string(k.FileName)))) << "an empty keyword file that did not load";
  }
}

TEST_F(SettingsModelTest, ComPortsOpenTheDevicesTheSettingsName) {
  TIniFile in;
  in.WriteValue("Serial", "COM2", "/dev/ttyUSB0");
  in.Save(manager.IniFileName());
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.ComPort, (std::array<std::string, 4>{"/dev/ttyS0", "/dev/ttyUSB0", "/dev/ttyS2", "/dev/ttyS3"}));
  ApplyComPorts(s);
  EXPECT_EQ(SerialDevicePath("COM2"), "/dev/ttyUSB0");
  EXPECT_EQ(SerialDevicePath("COM1"), "/dev/ttyS0");
  s.ComPort[1] = Sjis("/dev/serial/by-id/機械");
  ApplyComPorts(s);
  EXPECT_EQ(SerialDevicePath("COM2"), "/dev/serial/by-id/機械");
  s.ComPort[1].clear();
  ApplyComPorts(s);
  EXPECT_EQ(SerialDevicePath("COM2"), "/dev/ttyS1");
}

// Every item gets a value of its own, so a setting read into or written from
// the wrong field shows up as a difference.
std::string DistinctValue(const TSettingDef& def, int i) {
  switch (def.Kind) {
    case TSettingKind::skBoolean: return def.Default == "1" ? "0" : "1";
    case TSettingKind::skInteger:
      return std::to_string(def.Min == std::numeric_limits<std::int32_t>::min() ? 1000 + i
                                                                                 : def.Min + i % (def.Max - def.Min + 1));
    case TSettingKind::skColor: return std::to_string(0x010101 * i);
    case TSettingKind::skStyle: return std::to_string(1 + i % 7);
    default: return Sjis("値") + std::to_string(i);
  }
}

TEST_F(SettingsModelTest, EverySettingRoundTripsThroughTheModel) {
  TIniFile in;
  int i = 0;
  for (const TSettingDef& def : SettingsSchema()) {
    ++i;
    if (def.Kind == TSettingKind::skStringList) {
      in.WriteValue(def.Section, std::string(def.Ident) + "_ItemCount", "2");
      in.WriteValue(def.Section, std::string(def.Ident) + "_Item0", "a" + std::to_string(i));
      in.WriteValue(def.Section, std::string(def.Ident) + "_Item1", Sjis("行\r\n") + std::to_string(i));
    } else if (def.Kind == TSettingKind::skFont) {
      in.WriteValue(def.Section, "Font_FontName", "Mono");
      in.WriteValue(def.Section, "Font_FontSize", "13");
      in.WriteValue(def.Section, "Font_FontColor", "clRed");
      in.WriteValue(def.Section, "Font_FontStyle", "0");
      in.WriteValue(def.Section, "Font_FontCharset", "1");
    } else {
      in.WriteValue(def.Section, def.Ident, DistinctValue(def, i));
    }
  }
  in.Save(manager.IniFileName());

  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Font, (TFontData{"Mono", 13, 0x0000FF, 0, 1}));
  manager.SetIniFileName(dir.File("out.ini"));
  WriteAllSettings(manager, dir.path(), s);
  WriteExitSettings(manager, s, false);
  const std::pair<const char*, std::vector<std::string>*> histories[] = {
      {"FindFind", &s.FindFind}, {"Find", &s.Find}, {"Replace", &s.Replace}, {"DBFilter", &s.DBFilter}};
  for (const auto& [name, list] : histories) WriteHistory(manager, name, *list);
  const TIniFile out = File();
  for (const TSettingDef& def : SettingsSchema()) {
    for (const std::string& key : in.SectionKeys(def.Section)) {
      if (!SameProfileName(key.substr(0, def.Ident.size()), def.Ident)) continue;
      EXPECT_EQ(ToHex(out.ReadValue(def.Section, key).value_or("<missing>")), ToHex(*in.ReadValue(def.Section, key)))
          << key;
    }
  }
}

TEST_F(SettingsModelTest, ValuesAreKeptInTheirRanges) {
  struct Case {
    const char* section;
    const char* key;
    const char* text;
    std::int32_t TSettings::*field;
    std::int32_t value;
  } cases[] = {
      {"Config", "TabSpaceCount", "0", &TSettings::TabSpaceCount, 2},
      {"Config", "TabSpaceCount", "abc", &TSettings::TabSpaceCount, 2},
      {"Config", "TabSpaceCount", "-5", &TSettings::TabSpaceCount, 2},
      {"Config", "TabSpaceCount", "100", &TSettings::TabSpaceCount, 8},
      {"Config", "ScrollBar", "7", &TSettings::ScrollBar, 3},
      {"Config", "WordWrap", "-1", &TSettings::WordWrap, 0},
      {"Config", "WordWrapByte", "5", &TSettings::WordWrapByte, 20},
      {"Config", "WordWrapByte", "9999", &TSettings::WordWrapByte, 250},
      {"Config", "MarginLine", "101", &TSettings::MarginLine, 100},
      {"Config", "MouseWheel", "0", &TSettings::MouseWheel, 1},
      {"File", "Brouser", "3", &TSettings::Brouser, 2},
      {"Position", "Width", "0", &TSettings::Width, 1},
      {"Position", "height", "-3", &TSettings::Height, 1},
      {"Position", "Left", "-300", &TSettings::Left, -300},
  };
  for (const Case& c : cases) {
    TIniFile f;
    f.WriteValue(c.section, c.key, c.text);
    f.Save(manager.IniFileName());
    TSettings s;
    ReadAllSettings(manager, dir.path(), s);
    EXPECT_EQ(s.*c.field, c.value) << c.key << "=" << c.text;
  }
}

TEST_F(SettingsModelTest, SlotStylesOutsideOneToSevenReadAsPlainAndTheFontIsPlain) {
  TIniFile f;
  f.WriteValue("Color", "StyleAnk", "8");
  f.WriteValue("Color", "StyleUrl", "5");
  f.WriteValue("Color", "StyleInt", "-1");
  f.WriteValue("Config", "Font_FontStyle", "3");
  f.WriteValue("Config", "Font_FontSize", "0");
  f.Save(manager.IniFileName());
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Slots[csAnk].Style, 0);
  EXPECT_EQ(s.Slots[csUrl].Style, 5);
  EXPECT_EQ(s.Slots[csInt].Style, 0);
  EXPECT_EQ(s.Font.Style, 0);
  EXPECT_EQ(s.Font.Size, kMinFontSize);
}

TEST_F(SettingsModelTest, TheHalfWidthForegroundKeyWithItsBlankIsFound) {
  TIniFile f("[Color]\r\nFgAnk =255\r\n");
  f.Save(manager.IniFileName());
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Slots[csAnk].Fg, 255);
  s.Slots[csAnk].Fg = 254;
  WriteAllSettings(manager, dir.path(), s);
  EXPECT_EQ(File().SectionKeys("Color").front(), "FgAnk") << "the old line is rewritten, no second key";
  EXPECT_EQ(File().ReadValue("Color", "FgAnk"), "254");
}

TEST_F(SettingsModelTest, ChangingSettingsRewritesOnlyTheirLines) {
  const std::string before = Sjis(
      "; Tamber の設定\r\n"
      "[config]\r\n"
      "tabspacecount = 4 \r\n"
      "MyMacro=C:\\表\\ソ\r\n"
      "  Sign1_ItemCount=2\r\n"
      "Sign1_Item0=-- \r\n"
      "Sign1_Item1=山田\r\n"
      "ShowRuler=1\r\n"
      "\r\n"
      "[Unknown]\r\n"
      "x=\"quoted\"\r\n"
      "[Wall]\r\n"
      "WallPaper=いらない\r\n");
  WriteFileAtomically(manager.IniFileName(), before);
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.TabSpaceCount, 4);
  EXPECT_EQ(s.Sign[0], (std::vector<std::string>{"--", Sjis("山田")}));
  EXPECT_EQ(ChooseWallpaper(s.WallPaper, false), TWallpaperChoice::wcNone);

  manager.Update([&] {
    manager.Filer("TabSpaceCount").WriteInteger(8);
    manager.Filer("Sign1").WriteStrings({"-- ", Sjis("山田 太郎"), "  "});
    manager.Filer("WallPaper").WriteString(Sjis("表.jpg"));
  });
  const std::string after = Sjis(
      "; Tamber の設定\r\n"
      "[config]\r\n"
      "tabspacecount = 8\r\n"
      "MyMacro=C:\\表\\ソ\r\n"
      "  Sign1_ItemCount=3\r\n"
      "Sign1_Item0=\\~--\\s\r\n"
      "Sign1_Item1=山田 太郎\r\n"
      "ShowRuler=1\r\n"
      "Sign1_Item2=\\~\\s\\s\r\n"
      "\r\n"
      "[Unknown]\r\n"
      "x=\"quoted\"\r\n"
      "[Wall]\r\n"
      "WallPaper=表.jpg\r\n");
  EXPECT_EQ(ToHex(ReadWholeFile(manager.IniFileName())), ToHex(after));
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Sign[0], (std::vector<std::string>{"-- ", Sjis("山田 太郎"), "  "}));
}

TEST_F(SettingsModelTest, MultiLineAndBlankEdgedValuesSurviveARoundTripByteForByte) {
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  s.Sign[0] = {"  -- ", "", Sjis("　山田　"), "\\~not an escape", "tab\t", " "};
  s.Sign[1] = {""};  // one empty line is not an empty signature
  s.Sign[2] = {Sjis("ゾーン\\"), "x=y ; z", "[Section]"};
  s.OptExt = Sjis(" テキスト |*.txt; *.doc |ポ|*.po|");
  s.WallPaper = Sjis(" /壁紙/ソ.jpg ");
  s.FollowStr = Sjis(" 、。");
  WriteAllSettings(manager, dir.path(), s);

  TSettings back;
  ReadAllSettings(manager, dir.path(), back);
  for (std::size_t i = 0; i < s.Sign.size(); ++i) EXPECT_EQ(back.Sign[i], s.Sign[i]) << "Sign" << i + 1;
  EXPECT_EQ(ToHex(back.OptExt), ToHex(s.OptExt));
  EXPECT_EQ(ToHex(back.WallPaper), ToHex(s.WallPaper));
  EXPECT_EQ(ToHex(back.FollowStr), ToHex(s.FollowStr));
  // Nothing a value holds becomes a line, a section or a key of its own.
  const TIniFile file = File();
  EXPECT_EQ(file.ReadValue("Section", "x"), std::nullopt);
  const std::string bytes = ReadWholeFile(manager.IniFileName());
  for (std::size_t at = 0, end; at < bytes.size(); at = end + 2) {
    end = bytes.find("\r\n", at);
    ASSERT_NE(end, std::string::npos) << "every line ends in CR LF";
    const std::string line = bytes.substr(at, end - at);
    EXPECT_TRUE(line.front() == '[' || line.find('=') != std::string::npos) << ToHex(line);
  }
  EXPECT_EQ(file.ReadValue("Config", "Sign2_ItemCount"), "1");
}

TEST_F(SettingsModelTest, MissingKeywordFilesAreEmptyAndNeverEmptiedOnWriting) {
  WriteFileAtomically(dir.File("SQL.Def"), "select\r\nfrom\nwhere");
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_FALSE(s.Keywords[0].Loaded);
  EXPECT_TRUE(s.Keywords[0].Lines.empty());
  EXPECT_TRUE(s.Keywords[1].Loaded);
  EXPECT_EQ(s.Keywords[1].Lines, (std::vector<std::string>{"select", "from", "where"}));

  s.Keywords[2].Lines = {"int", "char"};  // CPP.Def did not load, but now has words
  WriteAllSettings(manager, dir.path(), s);
  EXPECT_FALSE(fs::exists(dir.File("HTML.Def")));
  EXPECT_EQ(ReadWholeFile(dir.File("SQL.Def")), "select\r\nfrom\r\nwhere\r\n");
  EXPECT_EQ(ReadWholeFile(dir.File("CPP.Def")), "int\r\nchar\r\n");
}

TEST_F(SettingsModelTest, ARefusedKeywordFileStopsTheWritingAfterTheOptions) {
  WriteFileAtomically(dir.File("SQL.Def"), "select\r\n");
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  s.TabSpaceCount = 6;
  s.Color = 123;
  EXPECT_THROW(WriteAllSettings(manager, dir.File("no-such-folder"), s), SettingsWriteError);
  EXPECT_EQ(File().ReadValue("Config", "TabSpaceCount"), "6");
  EXPECT_EQ(File().ReadValue("Color", "Color"), std::nullopt);
}

TEST_F(SettingsModelTest, ExitWritesTheFolderAndAnUnmaximisedPlacement) {
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  s.LastAccessFolda = "/home/u";
  s.Width = 800;
  WriteExitSettings(manager, s, true);
  EXPECT_EQ(File().ReadValue("File", "LastAccessFolda"), "/home/u");
  EXPECT_EQ(File().ReadValue("Position", "Width"), std::nullopt);
  WriteExitSettings(manager, s, false);
  EXPECT_EQ(File().ReadValue("Position", "Width"), "800");
  EXPECT_EQ(File().ReadValue("Position", "height"), "480");
}

TEST_F(SettingsModelTest, HistoriesKeepTheirFirstTenEntries) {
  std::vector<std::string> twelve;
  for (int i = 0; i < 12; ++i) twelve.push_back("find " + std::to_string(i));
  twelve[1] = "two\r\nlines";
  WriteHistory(manager, "Find", twelve);
  TSettings s;
  ReadAllSettings(manager, dir.path(), s);
  EXPECT_EQ(s.Find, std::vector<std::string>(twelve.begin(), twelve.begin() + 10));
}

TEST(RecentFilesTest, LoadStopsAtTheFirstGapAndSkipsRepeats) {
  test::TempDir dir;
  const std::string ini = dir.Write(
      "tamber.ini", "[History]\r\nFile1=/a.txt\r\nFile2=/A.TXT\r\nFile3=/b.txt\r\nFile5=/c.txt\r\n[Keep]\r\nk=1\r\n");
  EXPECT_EQ(LoadRecentFiles(ini), (std::vector<std::string>{"/a.txt", "/b.txt"}));
  SaveRecentFiles(ini, {"/x"});
  EXPECT_EQ(ReadWholeFile(ini), "[Keep]\r\nk=1\r\n[History]\r\nFile1=/x\r\n");
  EXPECT_TRUE(LoadRecentFiles(dir.File("none.ini")).empty());
}

TEST(FileFilterTest, SplitsByCharactersAndJoinsUpToTheFirstEmptyDescription) {
  const std::string po = Sjis("ポ");  // 83 7C: its trail byte is '|'
  const auto pairs = SplitFileFilter(po + "|*.po|" + Sjis("全て") + "|*.*");
  ASSERT_EQ(pairs.size(), 2u);
  EXPECT_EQ(pairs[0], (TFilterPair{po, "*.po"}));
  EXPECT_EQ(JoinFileFilter({{"A", "*.a"}, {"B", "*.b"}, {"", "*.c"}, {"D", "*.d"}}), "A|*.a|B|*.b|");
  EXPECT_EQ(SplitFileFilter(BuiltInFileFilter()).size(), 15u);
  TSettings s;
  EXPECT_EQ(s.FileFilter(), BuiltInFileFilter());
}

TEST(WallpaperTest, ChoiceFollowsTheValue) {
  struct Case {
    const char* value;
    bool exists;
    TWallpaperChoice choice;
  } cases[] = {{"いらない", true, TWallpaperChoice::wcNone},
               {"不要", false, TWallpaperChoice::wcNone},
               {"", false, TWallpaperChoice::wcBuiltIn},
               {"標準", false, TWallpaperChoice::wcBuiltIn},
               {"/pic.jpg", false, TWallpaperChoice::wcBuiltIn},
               {"/pic.jpg", true, TWallpaperChoice::wcFile}};
  for (const Case& c : cases) EXPECT_EQ(ChooseWallpaper(Sjis(c.value), c.exists), c.choice) << c.value;
}

TEST(ScriptMenuTest, EntriesTakeTheirOwnPictureOrTheDefaultOne) {
  test::TempDir dir;
  const auto list = DefaultScriptList();
  EXPECT_TRUE(ScriptMenuEntries(list, dir.path())[0].BitmapPath.empty()) << "no picture at all is no error";
  dir.Write("DefaultButton.bmp", "BM");
  dir.Write("Grep.bmp", "BM");
  const auto entries = ScriptMenuEntries(list, dir.path());
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].Caption, Sjis("行番号"));
  EXPECT_EQ(entries[4].Caption, Sjis("全置き換え"));
  EXPECT_EQ(entries[2].Tag, 2);
  EXPECT_EQ(entries[2].BitmapPath, dir.File("Grep.bmp"));
  EXPECT_EQ(entries[0].BitmapPath, dir.File("DefaultButton.bmp"));
}

TEST(ScriptMenuTest, TheScriptFileIsFoundWhateverTheCaseOfItsExtension) {
  test::TempDir dir;
  dir.Write("行番号.pas", "begin end.");
  dir.Write("Grep.Pas", "begin end.");
  EXPECT_EQ(FindScriptFile(dir.path(), Sjis("行番号")), dir.File("行番号.pas"));
  EXPECT_EQ(FindScriptFile(dir.path(), "Grep"), dir.File("Grep.Pas"));
  EXPECT_EQ(FindScriptFile(dir.path(), "grep"), "");
}

}  // namespace
}  // namespace tamber
