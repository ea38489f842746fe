#include "settings/reg_manager.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "../support/bytes.h"
#include "encoding/file_io.h"
#include "fake_messages.h"
#include "temp_dir.h"

namespace tamber {
namespace {

class RegManagerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    manager.SetIniFileName(dir.File("tamber.ini"));
    manager.RegItems().Add({"Taskbar", "Config", "TaskBar", "1"});
    manager.RegItems().Add({"Flag", "Config", "Flag", "yes"});
    manager.RegItems().Add({"Count", "Config", "Count", "7"});
    manager.RegItems().Add({"Text", "Config", "Text", "dflt"});
    manager.RegItems().Add({"Sign1", "Config", "Sign1", "ignored"});
    manager.RegItems().Add({"Font", "Config", "Font", ""});
    manager.RegItems().Add({"Property", "Printer", "Property", ""});
  }
  void SetFile(std::string_view bytes) { WriteFileAtomically(manager.IniFileName(), bytes); }
  std::string FileBytes() { return ReadWholeFile(manager.IniFileName()); }
  std::vector<std::string> Keys(std::string_view section) {
    return TIniFile::Load(manager.IniFileName()).SectionKeys(section);
  }

  test::TempDir dir;
  test::CountingMessages messages;
  TRegManager manager{&messages};
};

TEST_F(RegManagerTest, BooleansReadTheLowByteOfTheIntegerValue) {
  struct Case {
    const char* text;
    bool value;
  } cases[] = {{"1", true}, {"2", true}, {"0", false}, {"TRUE", false}, {"256", false},
               {"257", true}, {"-1", true}, {"$FF", true}, {"", false}, {"yes", false}};
  for (const Case& c : cases) {
    SetFile(std::string("[Config]\nFlag=") + c.text + "\n");
    EXPECT_EQ(manager.Filer("Flag").ReadBool(), c.value) << c.text;
  }
  SetFile("");
  EXPECT_TRUE(manager.Filer("Flag").ReadBool()) << "the default \"yes\" is normalised to 1";
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RegManagerTest, IntegersThatAreNoNumberReadAsZero) {
  struct Case {
    const char* file;
    std::int32_t value;
  } cases[] = {{"", 7},
               {"[Config]\nCount=abc\n", 0},
               {"[Config]\nCount=  -12  \n", -12},
               {"[Config]\nCount=$10\n", 16},
               {"[Config]\nCount=2147483648\n", 0},
               {"[Config]\nCount=12abc\n", 0}};
  for (const Case& c : cases) {
    SetFile(c.file);
    EXPECT_EQ(manager.Filer("Count").ReadInteger(), c.value) << c.file;
  }
}

TEST_F(RegManagerTest, ScalarsAreWrittenInTheirTextForms) {
  SetFile("[Config]\r\nOther=x\r\n");
  manager.Filer("Flag").WriteBool(true);
  manager.Filer("Count").WriteInteger(-2147483647 - 1);
  manager.Filer("Text").WriteString("a\\b");
  EXPECT_EQ(FileBytes(), "[Config]\r\nOther=x\r\nFlag=1\r\nCount=-2147483648\r\nText=a\\b\r\n");
  EXPECT_EQ(manager.Filer("Text").ReadString(), "a\\b");
  SetFile("");
  EXPECT_EQ(manager.Filer("Text").ReadString(), "dflt");
}

TEST_F(RegManagerTest, StringListsShrinkWithoutStaleItems) {
  manager.Filer("Sign1").WriteStrings({"a", "b", "c"});
  EXPECT_EQ(Keys("Config"),
            (std::vector<std::string>{"Sign1_ItemCount", "Sign1_Item0", "Sign1_Item1", "Sign1_Item2"}));
  std::vector<std::string> list{"stale"};
  manager.Filer("Sign1").ReadStrings(list);
  EXPECT_EQ(list, (std::vector<std::string>{"a", "b", "c"}));

  manager.Filer("Sign1").WriteStrings({"only"});
  EXPECT_EQ(Keys("Config"), (std::vector<std::string>{"Sign1_ItemCount", "Sign1_Item0"}));
  manager.Filer("Sign1").WriteStrings({});
  EXPECT_TRUE(Keys("Config").empty());
}

TEST_F(RegManagerTest, StringListItemsMissingFromTheFileReadEmpty) {
  SetFile("[Config]\nSign1_ItemCount=3\nSign1_Item2=z\nSign1_Item7=stray\n");
  std::vector<std::string> list;
  manager.Filer("Sign1").ReadStrings(list);
  EXPECT_EQ(list, (std::vector<std::string>{"", "", "z"}));
  // Writing removes every item beyond the new count, even one the old count did not cover.
  manager.Filer("Sign1").WriteStrings({"x"});
  EXPECT_EQ(Keys("Config"), (std::vector<std::string>{"Sign1_ItemCount", "Sign1_Item0"}));
}

TEST_F(RegManagerTest, AHugeListCountIsReadUpToTheLimit) {
  SetFile("[Config]\nSign1_ItemCount=99999999\nSign1_Item0=a\n");
  std::vector<std::string> list;
  manager.Filer("Sign1").ReadStrings(list);
  ASSERT_EQ(list.size(), static_cast<std::size_t>(kMaxStringListItems));
  EXPECT_EQ(list[0], "a");
}

TEST_F(RegManagerTest, MultiLineListItemsStayOneKeyEach) {
  manager.Filer("Sign1").WriteStrings({"first\r\nsecond", "x=y"});
  EXPECT_EQ(Keys("Config"), (std::vector<std::string>{"Sign1_ItemCount", "Sign1_Item0", "Sign1_Item1"}));
  std::vector<std::string> list;
  manager.Filer("Sign1").ReadStrings(list);
  EXPECT_EQ(list, (std::vector<std::string>{"first\r\nsecond", "x=y"}));
}

TEST_F(RegManagerTest, FontsRoundTripThroughFiveKeys) {
  const TFontData font{"\x82\x6c\x82\x72 Gothic", 14, clWindowText, fsBold | fsUnderline, 128};
  manager.Filer("Font").WriteFont(font);
  EXPECT_EQ(TIniFile::Load(manager.IniFileName()).ReadValue("Config", "Font_FontColor"), "clWindowText");
  TFontData read;
  manager.Filer("Font").ReadFont(read);
  EXPECT_EQ(read, font);

  SetFile("[Config]\nFont_FontColor=$00123456\nFont_FontSize=abc\n");
  manager.Filer("Font").ReadFont(read);
  EXPECT_EQ(read.Color, 0x123456);
  EXPECT_EQ(read.Size, 0);
  EXPECT_EQ(read.Name, font.Name) << "missing keys keep the current value";
  SetFile("[Config]\nFont_FontColor=no colour\n");
  manager.Filer("Font").ReadFont(read);
  EXPECT_EQ(read.Color, 0x123456);
}

TEST_F(RegManagerTest, StreamsAreStoredAs64DigitLines) {
  std::string bytes;
  for (int i = 0; i < 65; ++i) bytes += static_cast<char>(i * 7);
  manager.Filer("Property").WriteStream(bytes);
  const TIniFile ini = TIniFile::Load(manager.IniFileName());
  EXPECT_EQ(ini.ReadValue("Printer", "Property_c"), "3");
  EXPECT_EQ(ini.ReadValue("Printer", "Property_d0")->size(), 64u);
  EXPECT_EQ(ini.ReadValue("Printer", "Property_d0")->substr(0, 8), "00070E15");
  EXPECT_EQ(ini.ReadValue("Printer", "Property_d2"), "C0");
  EXPECT_EQ(test::ToHex(manager.Filer("Property").ReadStream()), test::ToHex(bytes));

  manager.Filer("Property").WriteStream("\x01");
  EXPECT_EQ(Keys("Printer"), (std::vector<std::string>{"Property_c", "Property_d0"}));
  EXPECT_EQ(manager.Filer("Property").ReadStream(), "\x01");
  manager.Filer("Property").WriteStream("");
  EXPECT_TRUE(Keys("Printer").empty());
}

TEST_F(RegManagerTest, DamagedStreamLinesReadAsZeroBytes) {
  SetFile("[Printer]\nProperty_c=5\nProperty_d0=41zz4\nProperty_d1=42\nProperty_d3=43\n");
  // Non-hex pairs give 0, a lone digit is dropped, the lines end at the first missing one.
  EXPECT_EQ(test::ToHex(manager.Filer("Property").ReadStream()), "41 00 42");
}

TEST_F(RegManagerTest, FilerFindsItemsIgnoringCase) {
  SetFile("[Config]\nTaskBar=0\n");
  EXPECT_FALSE(manager.Filer("taskbar").ReadBool());
  EXPECT_EQ(manager.Filer("TASKBAR").Item()->Name, "Taskbar");
  EXPECT_TRUE(messages.shown.empty());
}

TEST_F(RegManagerTest, UndeclaredNamesShowAMessageAndDoNothing) {
  SetFile("[Config]\nNope=5\n");
  std::vector<std::string> list{"kept"};
  TFontData font{"F", 9, 1, 0, 0};
  EXPECT_FALSE(manager.Filer("Nope").ReadBool());
  EXPECT_EQ(manager.Filer("Nope").ReadInteger(), 0);
  EXPECT_EQ(manager.Filer("Nope").ReadString(), "");
  manager.Filer("Nope").ReadStrings(list);
  manager.Filer("Nope").ReadFont(font);
  manager.Filer("Nope").WriteInteger(3);
  manager.Filer("Nope").WriteStrings({"x"});
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
  EXPECT_EQ(font, (TFontData{"F", 9, 1, 0, 0}));
  EXPECT_EQ(FileBytes(), "[Config]\nNope=5\n");
  ASSERT_EQ(messages.shown.size(), 7u);
  EXPECT_EQ(messages.shown[0], "[' Nope '] is invalid.");
}

TEST_F(RegManagerTest, NoFileNameShowsAMessage) {
  manager.SetIniFileName("");
  EXPECT_EQ(manager.Filer("Count").ReadInteger(), 7) << "the default, as with no file";
  manager.Filer("Count").WriteInteger(1);
  EXPECT_EQ(messages.shown, (std::vector<std::string>{"can not create Inifile object.",
                                                      "can not create Inifile object."}));
  manager.SetRegType(rtReg);
  manager.Filer("Count").WriteInteger(1);
  EXPECT_EQ(messages.shown.back(), "can not create Registry object.");
}

TEST_F(RegManagerTest, ARefusedWriteRaisesAndLeavesTheFile) {
  // The temporary file cannot be made beside a file in /proc, even for root.
  const std::string link = dir.File("linked.ini");
  std::filesystem::create_symlink("/proc/version", link);
  manager.SetIniFileName(link);
  const std::string before = ReadWholeFile(link);
  try {
    manager.Filer("Count").WriteInteger(1);
    FAIL() << "no error";
  } catch (const SettingsWriteError& e) {
    EXPECT_EQ(std::string(e.what()), e.FileName() + " に書き込めません");
  }
  EXPECT_EQ(ReadWholeFile(link), before);
}

TEST_F(RegManagerTest, AFileThatCannotBeReadIsNeverWrittenOver) {
  std::filesystem::create_directory(manager.IniFileName());  // reading it fails
  EXPECT_EQ(manager.Filer("Count").ReadInteger(), 7);
  EXPECT_THROW(manager.Filer("Count").WriteInteger(1), SettingsWriteError);
  EXPECT_TRUE(std::filesystem::is_directory(manager.IniFileName()));
}

TEST_F(RegManagerTest, UpdateWritesOnceAtTheEndAndNothingWhenItFails) {
  SetFile("[Config]\nCount=1\n");
  manager.Update([&] {
    manager.Filer("Count").WriteInteger(2);
    EXPECT_EQ(FileBytes(), "[Config]\nCount=1\n");
    EXPECT_EQ(manager.Filer("Count").ReadInteger(), 2) << "reads see the held file";
  });
  EXPECT_EQ(FileBytes(), "[Config]\nCount=2\n");
  EXPECT_THROW(manager.Update([&] {
    manager.Filer("Count").WriteInteger(3);
    throw std::runtime_error("stop");
  }),
               std::runtime_error);
  EXPECT_EQ(FileBytes(), "[Config]\nCount=2\n");
}

}  // namespace
}  // namespace tamber
