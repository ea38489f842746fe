#include "settings/ini_file.h"

#include <gtest/gtest.h>

#include <optional>

#include "../support/bytes.h"
#include "encoding/cp932_codec.h"

namespace tamber {
namespace {

using test::ToHex;

std::string Sjis(const char* utf8) { return Utf8ToCp932(utf8); }

TEST(IniFileTest, UnchangedFileGivesBackEveryByte) {
  // Mixed breaks, no final break, a lone CR, NULs and Shift-JIS.
  const std::string bytes = Sjis("; 設定\r\n[A]\nk = 表\\ \r\r\n\r\nx") + std::string("\0=\0", 3);
  EXPECT_EQ(ToHex(TIniFile(bytes).Bytes()), ToHex(bytes));
}

TEST(IniFileTest, LooksUpNamesIgnoringCaseAndBlanks) {
  const TIniFile ini(Sjis(
      "top=outside\r\n"
      "  [ Config ]  \r\n"
      "; TabSpaceCount=9\r\n"
      "\tTabSpaceCount \t=  4  \r\n"
      "TabSpaceCount=5\r\n"
      "Quoted=\"  a  \"\r\n"
      "Empty=\r\n"
      "NoEquals\r\n"
      "FgAnk =-8\r\n"
      "表示=はい\r\n"
      "[config]\r\n"
      "Later=1\r\n"));
  struct Case {
    const char* section;
    std::string key;
    std::optional<std::string> value;
  } cases[] = {
      {"CONFIG", "tabspacecount", "4"},  // first match wins, comments never match
      {"Config", "Quoted", "\"  a  \""},  // quotes are the user's bytes
      {"Config", "Empty", ""},
      {"Config", "NoEquals", std::nullopt},
      {"Config", "FgAnk ", "-8"},
      {"Config", "fgank", "-8"},
      {"Config", Sjis("表示"), Sjis("はい")},
      {"Config", "Later", std::nullopt},  // only the first section of a name is read
      {"Config", "top", std::nullopt},
      {"Missing", "TabSpaceCount", std::nullopt},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ini.ReadValue(c.section, c.key), c.value) << c.section << "/" << test::ToHex(c.key);
  }
}

TEST(IniFileTest, DoubleByteNamesAreNotCaseFolded) {
  // 83 61 (ヂ) and 83 41 (ア) differ only in a trail byte that looks like 'a' / 'A'.
  TIniFile ini(test::Hex("5B 53 5D 0D 0A 83 61 3D 31 0D 0A"));
  EXPECT_EQ(ini.ReadValue("S", test::Hex("83 61")), "1");
  EXPECT_EQ(ini.ReadValue("S", test::Hex("83 41")), std::nullopt);
}

TEST(IniFileTest, WritingChangesOnlyTheLinesOfTheKeysWritten) {
  const std::string before = Sjis(
      "; 設定ファイル\r\n"
      "[Config]\r\n"
      "  TabSpaceCount =  4  \r\n"
      "MyOwnKey=表\\\r\n"
      "\r\n"
      "; 色\r\n"
      "[Color]\r\n"
      "Color=1");
  TIniFile ini(before);
  ini.WriteValue("config", "tabspacecount", "6");
  ini.WriteValue("Config", "NewKey", Sjis("ソ"));
  ini.WriteValue("Color", "FgAnk ", "-2");
  ini.WriteValue("Wall", "WallTile", "0");
  const std::string after = Sjis(
      "; 設定ファイル\r\n"
      "[Config]\r\n"
      "  TabSpaceCount =  6\r\n"
      "MyOwnKey=表\\\r\n"
      "NewKey=ソ\r\n"
      "\r\n"
      "; 色\r\n"
      "[Color]\r\n"
      "Color=1\r\n"
      "FgAnk=-2\r\n"
      "[Wall]\r\n"
      "WallTile=0\r\n");
  EXPECT_EQ(ToHex(ini.Bytes()), ToHex(after));
}

TEST(IniFileTest, NewLinesFollowTheFilesLineEnds) {
  TIniFile lf("[A]\nx=1\n");
  lf.WriteValue("A", "y", "2");
  EXPECT_EQ(lf.Bytes(), "[A]\nx=1\ny=2\n");
  TIniFile empty;
  empty.WriteValue("A", "x", "1");
  EXPECT_EQ(empty.Bytes(), "[A]\r\nx=1\r\n");
}

TEST(IniFileTest, DeletingAKeyOrSectionRemovesOnlyItsLines) {
  TIniFile ini("[A]\r\nx=1\r\n;keep\r\ny=2\r\n[B]\r\nz=3\r\n[C]\r\n");
  EXPECT_TRUE(ini.DeleteKey("a", "X"));
  EXPECT_FALSE(ini.DeleteKey("A", "x"));
  EXPECT_TRUE(ini.EraseSection("b"));
  EXPECT_EQ(ini.Bytes(), "[A]\r\n;keep\r\ny=2\r\n[C]\r\n");
}

TEST(IniFileTest, EveryValueRoundTripsOnOneLine) {
  const std::string values[] = {
      "a\r\nb",        "line\nline\rline", " lead",        "trail\t",      std::string("nul\0in", 6),
      "\\~looks escaped", "C:\\dir\\",        Sjis(" 表 "),   Sjis("表\n"),    "\"quoted\"",
      std::string(5000, 'x') + Sjis("漢"),  // longer than the old 2047-byte buffer
  };
  for (const std::string& v : values) {
    TIniFile ini("[S]\r\nbefore=1\r\n");
    ini.WriteValue("S", "k", v);
    const TIniFile reread(ini.Bytes());
    EXPECT_EQ(ToHex(*reread.ReadValue("S", "k")), ToHex(v));
    EXPECT_EQ(reread.SectionKeys("S"), (std::vector<std::string>{"before", "k"})) << ToHex(v);
  }
}

TEST(IniFileTest, PlainValuesAreWrittenAsTheyAre) {
  for (const std::string v : {"C:\\dir\\", "a b", "\"q\"", "x\\~y"}) {
    TIniFile ini;
    ini.WriteValue("S", "k", v);
    EXPECT_EQ(ini.Bytes(), "[S]\r\nk=" + v + "\r\n");
  }
}

TEST(IniFileTest, SectionNamesAreScannedByCharacters) {
  // ゾ is 83 5D and 表 95 5C: trail bytes that look like ']' and '\\'.
  const std::string zone = Sjis("ゾーン");
  const std::string names[] = {zone, Sjis("表示"), Sjis("ポ|ゾ"), Sjis("[ゾ")};
  for (const std::string& name : names) {
    TIniFile ini("[Before]\r\nk=0\r\n");
    ini.WriteValue(name, "k", "1");
    ini.WriteValue(name, Sjis("ゾ"), "2");  // the second key joins the same section
    EXPECT_EQ(ToHex(ini.Bytes()), ToHex("[Before]\r\nk=0\r\n[" + name + "]\r\nk=1\r\n" + Sjis("ゾ") + "=2\r\n"));
    const TIniFile reread(ini.Bytes());
    EXPECT_EQ(reread.ReadValue(name, "K"), "1") << ToHex(name);
    EXPECT_EQ(reread.ReadValue(name, Sjis("ゾ")), "2") << ToHex(name);
    EXPECT_EQ(reread.SectionKeys(name), (std::vector<std::string>{"k", Sjis("ゾ")}));
  }
  // A hand-written header: the name ends at the ']' that is a character of its own.
  const TIniFile hand(Sjis("[ゾーン] ; zone\r\nx=1\r\n[ゾ]\r\nx=2\r\n"));
  EXPECT_EQ(hand.ReadValue(zone, "x"), "1");
  EXPECT_EQ(hand.ReadValue(Sjis("ゾ"), "x"), "2");
  EXPECT_EQ(hand.ReadValue("\x83", "x"), std::nullopt) << "a lead byte alone is no section of the file";
}

TEST(IniFileTest, NamesThatCannotBeStoredAreRefused) {
  TIniFile ini;
  EXPECT_THROW(ini.WriteValue("S", "a=b", "1"), std::invalid_argument);
  EXPECT_THROW(ini.WriteValue("S", "a\nb", "1"), std::invalid_argument);
  EXPECT_THROW(ini.WriteValue("S]", "a", "1"), std::invalid_argument);
  EXPECT_THROW(ini.WriteValue(" ", "a", "1"), std::invalid_argument);
  EXPECT_THROW(ini.WriteValue(Sjis("ゾ") + "]", "a", "1"), std::invalid_argument);
  // "[\x83]" would read back as the section "\x83]": its ']' completes the lead byte.
  EXPECT_THROW(ini.WriteValue("a\x83", "a", "1"), std::invalid_argument);
  EXPECT_EQ(ini.Bytes(), "");
}

}  // namespace
}  // namespace tamber
