#include "settings/settings_home.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "encoding/file_io.h"
#include "temp_dir.h"

namespace tamber {
namespace {

namespace fs = std::filesystem;

TEST(SettingsHomeTest, TheHomeIsChosenInOrder) {
  test::TempDir dir;
  EXPECT_EQ(ResolveSettingsHome(dir.path(), "/set/home", "/home/u"), "/set/home");
  EXPECT_EQ(ResolveSettingsHome(dir.path(), "", "/home/u"), dir.path());
  EXPECT_EQ(ResolveSettingsHome(dir.File("missing"), "", "/home/u"), "/home/u/.config/tamber");
  EXPECT_EQ(ResolveSettingsHome("/proc", "", "/home/u"), "/home/u/.config/tamber") << "not writable";
}

TEST(SettingsHomeTest, SeedingCopiesOnlyWhatTheHomeLacks) {
  test::TempDir data, home;
  fs::create_directories(data.File("Script"));
  data.Write("CPP.Def", "int\r\n");
  data.Write("SQL.Def", "select\r\n");
  data.Write("Script/Grep.pas", "begin end.");
  home.Write("CPP.Def", "mine\r\n");
  SeedSettingsHome(home.path(), data.path());
  EXPECT_EQ(ReadWholeFile(home.File("CPP.Def")), "mine\r\n");
  EXPECT_EQ(ReadWholeFile(home.File("SQL.Def")), "select\r\n");
  EXPECT_EQ(ReadWholeFile(home.File("Script/Grep.pas")), "begin end.");
  EXPECT_TRUE(fs::is_directory(home.File("Macro")));
  EXPECT_EQ(SettingsFilePath(home.path()), home.File("tamber.ini"));
}

TEST(SettingsHomeTest, TheShippedDefaultsHoldEveryKeywordFileAndDefaultScript) {
  const std::string data = ShippedDataDir("/nonexistent");
  ASSERT_FALSE(data.empty());
  for (const char* f : {"HTML.Def", "SQL.Def", "CPP.Def", "PASCAL.Def", "BASIC.Def", "PERL.Def", "JAVA.Def",
                        "ASM.Def", "TXT.Def", "Script/行番号.pas", "Script/省資源印刷.pas", "Script/Grep.pas",
                        "Script/整形.pas", "Script/全置き換え.pas", "Script/DefaultButton.bmp"}) {
    EXPECT_TRUE(fs::is_regular_file(fs::path(data) / f)) << f;
  }
}

}  // namespace
}  // namespace tamber
