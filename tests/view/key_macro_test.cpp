// The key macro recorder: its text format, the loader's refusals, the state
// machine and playback into a control that may change under it.
#include "view/key_macro.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>

#include "encoding/file_io.h"

using namespace tamber;

namespace {

const std::string kSample = std::string(TAMBER_FIXTURES) + "/key_macro/sample.mac";

// A control that counts its filter and keeps what is played into it.
class FakeTarget : public TKeyMacroTarget {
 public:
  void SetKeyMacroFilter(bool on) override { filter = on; ++filter_calls; }
  void PlayKeyMacroEntry(const TKeyMacroData& e) override {
    played.push_back(e);
    // A copy: the hook may destroy this control.
    if (auto hook = on_play) hook(e);
  }
  void Type(const TKeyMacroData& e) { RecordKeyMacroEntry(e); }

  bool filter = false;
  int filter_calls = 0;
  TKeyMacroDataList played;
  std::function<void(const TKeyMacroData&)> on_play;
};

TKeyMacroData Key(std::uint16_t vk, std::uint8_t shift = 0) {
  return {kKeyMacroKeyDown, vk, 1, shift, 0, 0};
}
TKeyMacroData Char(std::uint16_t c) { return {kKeyMacroChar, c, 1, 0, 0, 0}; }

// A recorder holding entries, in kmRecorded, with c as its control.
void RecordInto(TKeyMacro& m, FakeTarget& c, const TKeyMacroDataList& list) {
  m.SetControl(&c);
  m.StartRecording();
  for (const auto& e : list) c.Type(e);
  m.StopRecording();
}

}  // namespace

TEST(KeyMacroFormat, LoadsTheHandWrittenFileAndSavesItBackByteForByte) {
  const std::string bytes = ReadWholeFile(kSample);
  TKeyMacro m;
  ASSERT_TRUE(m.LoadFromFile(kSample));
  EXPECT_EQ(m.MacroState(), kmRecorded);
  const TKeyMacroDataList want = {
      {48384, 65, 1966081, 0, 0, 0},     {48386, 97, 1966081, 0, 0, 0},
      {48384, 37, 21692417, 0, 0, 0},    {48384, 16, 2752513, 128, 0, 0},
      {48384, 66, 3145729, 128, 0, 0},   {48386, 66, 3145729, 128, 0, 0},
      {48386, 13, 1835009, 0, 0, 0},     {646, 37882, 1, 0, 0, 0},
      {646, 38523, 1, 0, 0, 0},          {646, 177, 1, 0, 0, 0},
      {48386, 47, -1073217535, 1, 129, 0}, {48386, 39, 2621441, 0, 0, 0},
      {48386, 34, 2621441, 128, 0, 0},   {48386, 130, 1, 0, 0, 0},
  };
  EXPECT_EQ(m.Entries(), want);
  EXPECT_EQ(m.SaveToString(), bytes);

  const auto path = std::filesystem::temp_directory_path() / "tamber_key_macro_roundtrip.mac";
  m.SaveToFile(path.string());
  EXPECT_EQ(ReadWholeFile(path.string()), bytes);
  std::filesystem::remove(path);
}

TEST(KeyMacroFormat, FormatsPrefixesAndCommentsByMessageAndCode) {
  struct Case {
    TKeyMacroData e;
    const char* line;
  } cases[] = {
      {{48384, 65, 1966081, 0, 0, 0},
       "CN_KEYDOWN: 48384, CharCode: 65, KeyData: 1966081, Shift: 0, Ctrl: 0, Alt: 0"},
      {{48386, 97, 1966081, 0, 128, 1},
       "CN_CHAR: 48386, CharCode: 97, KeyData: 1966081, Shift: 0, Ctrl: 128, Alt: 1 // a"},
      {{48386, 9, 983041, 0, 0, 0},
       "CN_CHAR: 48386, CharCode: 9, KeyData: 983041, Shift: 0, Ctrl: 0, Alt: 0 // #9"},
      {{646, 0x82A0, 1, 0, 0, 0},
       "WM_IME_CHAR: 646, CharCode: 33440, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // \x82\xA0"},
      {{256, 32, -1, 0, 0, 0}, "256, CharCode: 32, KeyData: -1, Shift: 0, Ctrl: 0, Alt: 0 //  "},
  };
  for (const auto& c : cases) EXPECT_EQ(TKeyMacro::FormatEntry(c.e), c.line);
}

TEST(KeyMacroFormat, ReadsBareNumbersCommentsBlankLinesAndOtherLineEnds) {
  TKeyMacro m;
  ASSERT_TRUE(m.LoadFromString(
      "// a macro\n"
      "\n"
      "48384 65 1 0 0 0 7 8\n"                                       // extra integers ignored
      "CN_CHAR: 48386, CharCode: 97, KeyData: 1, Shift: 0, Ctrl: 0, Alt: 0 // 1 2 3\r"
      "   \t\r\n"
      "x1 1.5 'it''s' #13 646, 33440, 1, 0, 0, 0"));                  // words, floats, strings
  EXPECT_EQ(m.Entries(), (TKeyMacroDataList{{48384, 65, 1, 0, 0, 0},
                                            {48386, 97, 1, 0, 0, 0},
                                            {646, 33440, 1, 0, 0, 0}}));
}

TEST(KeyMacroFormat, RefusesBadLinesAndLeavesTheRecorderEmpty) {
  const char* bad[] = {
      "48384, 65, 1, 0, 0\r\n",                     // five numbers
      "hello\r\n",                                  // no numbers at all
      "256, 65, 1, 0, 0, 0\r\n",                    // unknown message code
      "48386, 256, 1, 0, 0, 0\r\n",                 // a character byte above 255
      "646, 65536, 1, 0, 0, 0\r\n",                 // beyond a double-byte character
      "646, 2625, 1, 0, 0, 0\r\n",                  // 0x0A41: no lead byte (a line feed)
      "646, 33407, 1, 0, 0, 0\r\n",                 // 0x827F: no trail byte
      "48384, -1, 1, 0, 0, 0\r\n",                  // negative code
      "48384, 65, 2147483648, 0, 0, 0\r\n",         // KeyData beyond 32 bits signed
      "48384, 65, 1, 256, 0, 0\r\n",                // a modifier beyond a byte
      "48384, 65, 99999999999999999999999, 0, 0, 0\r\n",
      "48384, 65, 1, 0, 0, 0\r\n'48384, 65, 1, 0, 0, 0\r\n",  // an open quote eats the line
      "48384 // 65, 1, 0, 0, 0\r\n",                // numbers in the comment do not count
  };
  for (const char* text : bad) {
    TKeyMacro m;
    m.SetShowDialog(true);
    std::string shown;
    m.OnMessage = [&](const std::string& s, bool error) { if (error) shown = s; };
    ASSERT_TRUE(m.LoadFromString("48384, 65, 1, 0, 0, 0\r\n"));
    EXPECT_FALSE(m.LoadFromString(text)) << text;
    EXPECT_TRUE(m.Entries().empty()) << text;
    EXPECT_EQ(m.MacroState(), kmIdle) << text;
    EXPECT_EQ(shown, "Invalid data loaded.KeyMacro1") << text;
  }
}

TEST(KeyMacroFormat, AnUnreadableFileThrowsAndAFailedSaveKeepsTheOldFile) {
  TKeyMacro m;
  EXPECT_THROW(m.LoadFromFile("/nonexistent/x.mac"), std::system_error);
  ASSERT_TRUE(m.LoadFromString("48384, 65, 1, 0, 0, 0\r\n"));
  EXPECT_THROW(m.SaveToFile("/nonexistent/x.mac"), std::system_error);
}

TEST(KeyMacroState, RecordsOnlyWhileRecordingAndReportsEveryChange) {
  TKeyMacro m;
  std::vector<TKeyMacroState> seen;
  m.OnChange = [&] { seen.push_back(m.MacroState()); };
  FakeTarget c;
  m.StartRecording();  // no control yet
  EXPECT_EQ(m.MacroState(), kmIdle);

  m.SetControl(&c);
  c.Type(Key(65));  // not recording: dropped
  m.StartRecording();
  EXPECT_TRUE(c.filter);
  c.Type(Key(65));
  c.Type(Char('a'));
  m.StopRecording();
  EXPECT_FALSE(c.filter);
  c.Type(Key(66));
  EXPECT_EQ(m.Entries(), (TKeyMacroDataList{Key(65), Char('a')}));

  m.StartRecording();  // starts afresh
  EXPECT_TRUE(m.Entries().empty());
  c.Type(Key(67));
  m.CancelRecording();
  EXPECT_TRUE(m.Entries().empty());
  EXPECT_FALSE(c.filter);
  EXPECT_EQ(seen, (std::vector<TKeyMacroState>{kmRecording, kmRecorded, kmRecording, kmRecorded,
                                                kmIdle}));
}

TEST(KeyMacroState, ChangingTheControlWhileRecordingMovesTheFilterAndKeepsTheEntries) {
  TKeyMacro m;
  FakeTarget a, b;
  m.SetControl(&a);
  m.StartRecording();
  a.Type(Key(65));
  m.SetControl(&b);
  EXPECT_FALSE(a.filter);
  EXPECT_TRUE(b.filter);
  a.Type(Key(66));  // no longer recorded
  b.Type(Key(67));
  EXPECT_EQ(m.MacroState(), kmRecording);
  EXPECT_EQ(m.Entries(), (TKeyMacroDataList{Key(65), Key(67)}));

  m.SetControl(nullptr);  // no control left: the recording is cancelled
  EXPECT_FALSE(b.filter);
  EXPECT_EQ(m.MacroState(), kmIdle);
  EXPECT_TRUE(m.Entries().empty());
}

TEST(KeyMacroState, AControlDestroyedWhileRecordingEndsTheRecording) {
  TKeyMacro m;
  auto c = std::make_unique<FakeTarget>();
  RecordInto(m, *c, {});
  m.StartRecording();
  c->Type(Key(65));
  c.reset();
  EXPECT_EQ(m.Control(), nullptr);
  EXPECT_EQ(m.MacroState(), kmRecorded);
  EXPECT_EQ(m.Entries(), (TKeyMacroDataList{Key(65)}));
}

TEST(KeyMacroState, ARecorderDestroyedWhileRecordingTakesItsFilterOff) {
  FakeTarget c;
  bool changed = false;
  {
    TKeyMacro m;
    m.SetControl(&c);
    m.StartRecording();
    EXPECT_TRUE(c.filter);
    m.OnChange = [&] { changed = true; };
  }
  EXPECT_FALSE(c.filter);
  EXPECT_FALSE(changed);
  c.Type(Key(65));  // the recorder is gone: nothing to reach
}

TEST(KeyMacroPlay, PlaysTheEntriesInOrderAndReturnsToRecorded) {
  TKeyMacro m;
  FakeTarget c;
  const TKeyMacroDataList list = {Key(65), Char('a'), Key(37), Key(66), Char('b')};
  RecordInto(m, c, list);
  TKeyMacroState during = kmIdle;
  c.on_play = [&](const TKeyMacroData&) {
    during = m.MacroState();
    m.StartRecording();  // ignored while playing
  };
  m.Play();
  EXPECT_EQ(c.played, list);
  EXPECT_EQ(during, kmPlaying);
  EXPECT_EQ(m.MacroState(), kmRecorded);
  EXPECT_EQ(m.Entries(), list);
}

TEST(KeyMacroPlay, PlaysNothingWithoutEntriesControlOrOutsideRecorded) {
  TKeyMacro m;
  FakeTarget c;
  m.SetControl(&c);
  m.Play();  // idle
  RecordInto(m, c, {});
  m.Play();  // empty
  ASSERT_TRUE(m.LoadFromString("48384, 65, 1, 0, 0, 0\r\n"));
  m.SetControl(nullptr);
  m.Play();  // no control
  EXPECT_TRUE(c.played.empty());
  m.SetControl(&c);
  m.StartRecording();
  m.Play();  // recording
  EXPECT_TRUE(c.played.empty());
}

TEST(KeyMacroPlay, StopsWhenStoppedClearedReloadedOrItsControlCloses) {
  const TKeyMacroDataList list = {Key(65), Key(66), Key(67)};
  struct Case {
    const char* name;
    std::function<void(TKeyMacro&, std::unique_ptr<FakeTarget>&)> act;
    TKeyMacroState after;
    std::size_t entries_after;
    bool cancel_message;
  } cases[] = {
      {"stop", [](TKeyMacro& m, auto&) { m.StopPlaying(); }, kmRecorded, 3, true},
      {"clear", [](TKeyMacro& m, auto&) { m.Clear(); }, kmIdle, 0, false},
      {"load",
       [](TKeyMacro& m, auto&) { ASSERT_TRUE(m.LoadFromString("48386, 97, 1, 0, 0, 0\r\n")); },
       kmRecorded, 1, true},
      {"close", [](TKeyMacro&, auto& c) { c.reset(); }, kmRecorded, 3, false},
  };
  for (auto& k : cases) {
    TKeyMacro m;
    m.SetShowDialog(true);
    std::string info;
    m.OnMessage = [&](const std::string& s, bool error) { if (!error) info = s; };
    auto c = std::make_unique<FakeTarget>();
    RecordInto(m, *c, list);
    std::size_t played = 0;
    c->on_play = [&](const TKeyMacroData&) {
      if (++played == 1) k.act(m, c);
    };
    m.Play();
    EXPECT_EQ(played, 1u) << k.name;
    EXPECT_EQ(m.MacroState(), k.after) << k.name;
    EXPECT_EQ(m.Entries().size(), k.entries_after) << k.name;
    EXPECT_EQ(info, k.cancel_message ? "Cancel Execute KeyMacro1" : "") << k.name;
  }
}

TEST(KeyMacroPlay, AnExceptionFromTheControlEndsPlaybackInRecorded) {
  TKeyMacro m;
  FakeTarget c;
  RecordInto(m, c, {Key(65), Key(66)});
  c.on_play = [](const TKeyMacroData&) { throw std::runtime_error("boom"); };
  EXPECT_THROW(m.Play(), std::runtime_error);
  EXPECT_EQ(m.MacroState(), kmRecorded);
}
