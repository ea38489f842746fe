// TKeyMacro: the key macro recorder. It keeps the key-downs, characters and
// input-method characters that reach one control as a list of entries, plays
// them back into it, and saves and loads them as a small text file.
//
// The control is a TKeyMacroTarget: the UI puts a filter in front of a
// widget's key handling that hands what it sees to RecordEntry while the
// recorder records, and delivers entries on playback. The entries carry the
// message codes and virtual-key codes of the original platform, so that macro
// files made there load and play here.
//
// States: kmIdle -> StartRecording -> kmRecording -> StopRecording ->
// kmRecorded -> Play -> kmPlaying -> (end or StopPlaying) -> kmRecorded;
// CancelRecording and Clear lead to kmIdle; a successful load to kmRecorded.
// OnChange reports every change of the state.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tamber {

// Message codes of the entries.
constexpr std::uint32_t kKeyMacroImeChar = 646;    // an input-method character
constexpr std::uint32_t kKeyMacroKeyDown = 48384;  // a key going down
constexpr std::uint32_t kKeyMacroChar = 48386;     // a character byte

// A modifier byte: 128 while the key is down (bit 0 is the toggle state).
constexpr std::uint8_t kKeyMacroKeyDownByte = 128;

struct TKeyMacroData {
  std::uint32_t Msg = 0;
  // Key-down: the virtual-key code; character: the byte; input-method
  // character: the whole character, a double-byte one as lead * 256 + trail.
  std::uint16_t CharCode = 0;
  std::int32_t KeyData = 0;  // repeat count, scan code and flags
  std::uint8_t Shift = 0, Ctrl = 0, Alt = 0;

  bool operator==(const TKeyMacroData&) const = default;
};

using TKeyMacroDataList = std::vector<TKeyMacroData>;

enum TKeyMacroState { kmIdle = 0, kmRecording = 1, kmRecorded = 2, kmPlaying = 3 };

class TKeyMacro;

// The control a recorder records from and plays into. Its destructor tells
// the recorder, which forgets it (also in the middle of a playback).
class TKeyMacroTarget {
 public:
  TKeyMacroTarget() = default;
  TKeyMacroTarget(const TKeyMacroTarget&) = delete;
  TKeyMacroTarget& operator=(const TKeyMacroTarget&) = delete;
  virtual ~TKeyMacroTarget();

  // The recorder starts (true) or stops (false) recording this control: the
  // filter in front of its key handling is put on or taken off.
  virtual void SetKeyMacroFilter(bool on) = 0;
  // Delivers one entry, with its Shift, Ctrl and Alt bytes as the modifiers
  // held down. May destroy the target or change the recorder.
  virtual void PlayKeyMacroEntry(const TKeyMacroData& entry) = 0;

 protected:
  // What the filter calls for each key-down, character or input-method
  // character it sees; ignored unless this control is being recorded.
  void RecordKeyMacroEntry(const TKeyMacroData& entry);

 private:
  friend class TKeyMacro;
  TKeyMacro* macro_ = nullptr;  // the recorder whose Control this is
};

class TKeyMacro {
 public:
  TKeyMacro() = default;
  TKeyMacro(const TKeyMacro&) = delete;
  TKeyMacro& operator=(const TKeyMacro&) = delete;
  // Stops recording (taking the filter off) or playing; no OnChange.
  ~TKeyMacro();

  TKeyMacroTarget* Control() const { return control_; }
  // While recording the filter moves to the new control and the entries are
  // kept; setting none while recording cancels the recording.
  void SetControl(TKeyMacroTarget* c);

  TKeyMacroState MacroState() const { return state_; }
  const TKeyMacroDataList& Entries() const { return entries_; }

  std::string Name() const { return name_; }
  void SetName(std::string n) { name_ = std::move(n); }
  // Whether the recorder shows its own messages (through OnMessage).
  bool ShowDialog() const { return show_dialog_; }
  void SetShowDialog(bool v) { show_dialog_ = v; }

  std::function<void()> OnChange;
  // Shows a message of the recorder when ShowDialog (error is true for a
  // load error, false for the information that playback was cancelled).
  std::function<void(const std::string& text, bool error)> OnMessage;

  // Without a Control, or while recording or playing: nothing.
  void StartRecording();
  void StopRecording();
  void CancelRecording();
  // Plays the entries into the Control, only in kmRecorded with a Control and
  // at least one entry. Plays a copy of the list and stops before an entry
  // when the recorder is no longer playing or its control has gone.
  void Play();
  void StopPlaying();
  void Clear();

  // Appends an entry while recording (what the control's filter calls).
  void RecordEntry(const TKeyMacroData& e);

  // The text format: one line per entry, each ended by CR LF.
  std::string SaveToString() const;
  // Written through a temporary file renamed over path; throws
  // std::system_error when the file cannot be written (nothing changed).
  void SaveToFile(const std::string& path) const;

  // Clears, then reads the text format: each line that holds a token is an
  // entry whose first six integers are Msg, CharCode, KeyData, Shift, Ctrl
  // and Alt; text after " // " is a comment. A line with fewer integers, an
  // unknown message code or a field out of its range fails the load: false,
  // the recorder cleared. On success the state is kmRecorded.
  bool LoadFromString(std::string_view text);
  // Throws std::system_error when the file cannot be read (recorder as it was).
  bool LoadFromFile(const std::string& path);

  // One entry's line, without the line end.
  static std::string FormatEntry(const TKeyMacroData& e);

 private:
  void SetState(TKeyMacroState s);
  void Attach(TKeyMacroTarget* c);
  void Detach();
  void ControlDestroyed(TKeyMacroTarget* c);
  friend class TKeyMacroTarget;

  TKeyMacroTarget* control_ = nullptr;
  TKeyMacroState state_ = kmIdle;
  TKeyMacroDataList entries_;
  std::string name_ = "KeyMacro1";
  bool show_dialog_ = false;
  bool destroying_ = false;
  bool filter_on_ = false;  // the filter is on control_
};

}  // namespace tamber
