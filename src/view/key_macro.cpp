#include "view/key_macro.h"

#include <cassert>
#include <charconv>
#include <system_error>

#include "encoding/dbcs.h"
#include "encoding/file_io.h"

namespace tamber {

TKeyMacroTarget::~TKeyMacroTarget() {
  if (macro_) macro_->ControlDestroyed(this);
}

void TKeyMacroTarget::RecordKeyMacroEntry(const TKeyMacroData& entry) {
  if (macro_ && macro_->filter_on_) macro_->RecordEntry(entry);
}

TKeyMacro::~TKeyMacro() {
  destroying_ = true;
  if (state_ == kmRecording) StopRecording();
  if (state_ == kmPlaying) StopPlaying();
  Detach();
}

void TKeyMacro::SetState(TKeyMacroState s) {
  if (s == state_) return;
  state_ = s;
  if (!destroying_ && OnChange) OnChange();
}

// Links c to this recorder (so that its destruction is reported here).
void TKeyMacro::Attach(TKeyMacroTarget* c) {
  control_ = c;
  if (!c) return;
  if (c->macro_ && c->macro_ != this) c->macro_->SetControl(nullptr);
  c->macro_ = this;
}

void TKeyMacro::Detach() {
  if (!control_) return;
  if (filter_on_) control_->SetKeyMacroFilter(false);
  filter_on_ = false;
  control_->macro_ = nullptr;
  control_ = nullptr;
}

void TKeyMacro::SetControl(TKeyMacroTarget* c) {
  if (c == control_) return;
  const bool recording = state_ == kmRecording;
  Detach();
  Attach(c);
  if (!recording) return;
  if (c) {
    c->SetKeyMacroFilter(true);
    filter_on_ = true;
  } else {
    CancelRecording();
  }
}

// The control is being destroyed: forget it without calling it. A recording
// in progress ends with what was recorded so far.
void TKeyMacro::ControlDestroyed(TKeyMacroTarget* c) {
  if (c != control_) return;
  control_ = nullptr;
  filter_on_ = false;
  if (state_ == kmRecording) SetState(kmRecorded);
}

void TKeyMacro::StartRecording() {
  if (!control_ || state_ == kmRecording || state_ == kmPlaying) return;
  entries_.clear();
  SetState(kmRecording);
  control_->SetKeyMacroFilter(true);
  filter_on_ = true;
}

void TKeyMacro::StopRecording() {
  if (state_ != kmRecording) return;
  SetState(kmRecorded);
  if (control_ && filter_on_) control_->SetKeyMacroFilter(false);
  filter_on_ = false;
}

void TKeyMacro::CancelRecording() {
  if (state_ != kmRecording) return;
  StopRecording();
  entries_.clear();
  SetState(kmIdle);
}

void TKeyMacro::RecordEntry(const TKeyMacroData& e) {
  if (state_ == kmRecording) entries_.push_back(e);
}

void TKeyMacro::Play() {
  if (state_ != kmRecorded || !control_ || entries_.empty()) return;
  TKeyMacroTarget* const target = control_;
  // Playing may load, clear or close what it plays into: keep a copy and
  // look at the recorder before every entry.
  const TKeyMacroDataList list = entries_;
  SetState(kmPlaying);
  bool cancelled = false;
  try {
    for (const TKeyMacroData& e : list) {
      if (state_ != kmPlaying || control_ != target) {
        cancelled = state_ == kmRecorded;
        break;
      }
      target->PlayKeyMacroEntry(e);
    }
  } catch (...) {
    if (state_ == kmPlaying) SetState(kmRecorded);
    throw;
  }
  if (state_ == kmPlaying) SetState(kmRecorded);
  if (cancelled && show_dialog_ && OnMessage) OnMessage("Cancel Execute " + name_, false);
}

void TKeyMacro::StopPlaying() {
  if (state_ == kmPlaying) SetState(kmRecorded);
}

void TKeyMacro::Clear() {
  if (state_ == kmRecording) StopRecording();
  if (state_ == kmPlaying) StopPlaying();
  SetState(kmIdle);
  entries_.clear();
}

// ---- text format ----

std::string TKeyMacro::FormatEntry(const TKeyMacroData& e) {
  std::string s;
  switch (e.Msg) {
    case kKeyMacroImeChar: s = "WM_IME_CHAR: "; break;
    case kKeyMacroKeyDown: s = "CN_KEYDOWN: "; break;
    case kKeyMacroChar: s = "CN_CHAR: "; break;
    default: break;
  }
  s += std::to_string(e.Msg);
  s += ", CharCode: " + std::to_string(e.CharCode);
  s += ", KeyData: " + std::to_string(e.KeyData);
  s += ", Shift: " + std::to_string(e.Shift);
  s += ", Ctrl: " + std::to_string(e.Ctrl);
  s += ", Alt: " + std::to_string(e.Alt);
  if (e.Msg != kKeyMacroKeyDown) {
    s += " // ";
    if (e.CharCode < 32) {
      s += "#" + std::to_string(e.CharCode);
    } else if (e.CharCode < 256) {
      s += static_cast<char>(e.CharCode);
    } else {
      s += static_cast<char>(e.CharCode >> 8);
      s += static_cast<char>(e.CharCode & 0xFF);
    }
  }
  return s;
}

std::string TKeyMacro::SaveToString() const {
  std::string out;
  for (const TKeyMacroData& e : entries_) {
    out += FormatEntry(e);
    out += "\r\n";
  }
  return out;
}

void TKeyMacro::SaveToFile(const std::string& path) const {
  WriteFileAtomically(path, SaveToString());
}

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || IsDigit(c);
}
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }

// The part of a line before its comment: "//" at the start of the line or
// after a blank begins one.
std::string_view StripComment(std::string_view line) {
  for (std::size_t i = 0; i + 1 < line.size(); ++i)
    if (line[i] == '/' && line[i + 1] == '/' && (i == 0 || IsBlank(line[i - 1])))
      return line.substr(0, i);
  return line;
}

// line  := { token }
// token := integer | identifier | string | symbol
// integer := ["-"] digit { digit }   (an integer glued to letters, "12ab", is
//            an identifier-like word and not counted)
// string := "'" { any but "'" | "''" } "'" | "\"" { any but "\"" } "\"" | "#" digits
// Collects the integers (as far as they fit in 64 bits, else out of range)
// and reports whether the line holds any token.
struct LineTokens {
  bool any = false;
  bool overflow = false;
  std::vector<long long> ints;
};

LineTokens Tokenize(std::string_view s) {
  LineTokens t;
  std::size_t i = 0;
  while (i < s.size()) {
    const char c = s[i];
    if (IsBlank(c)) { ++i; continue; }
    t.any = true;
    if (IsDigit(c) || (c == '-' && i + 1 < s.size() && IsDigit(s[i + 1]))) {
      std::size_t j = i + 1;
      while (j < s.size() && IsDigit(s[j])) ++j;
      if (j < s.size() && (IsIdentChar(s[j]) || s[j] == '.')) {
        // a float or a word that starts with digits: not an integer
        while (j < s.size() && (IsIdentChar(s[j]) || s[j] == '.')) ++j;
      } else if (t.ints.size() < 6) {
        long long v = 0;
        const auto r = std::from_chars(s.data() + i, s.data() + j, v);
        if (r.ec != std::errc()) t.overflow = true;
        t.ints.push_back(v);
      }
      i = j;
    } else if (IsIdentChar(c)) {
      while (i < s.size() && IsIdentChar(s[i])) ++i;
    } else if (c == '\'' || c == '"') {
      // an unterminated string runs to the end of the line
      std::size_t j = i + 1;
      while (j < s.size() && s[j] != c) ++j;
      i = j < s.size() ? j + 1 : j;
    } else if (c == '#') {
      ++i;
      while (i < s.size() && IsDigit(s[i])) ++i;
    } else {
      ++i;  // a symbol, or any other byte (a lone lead byte included)
    }
  }
  return t;
}

bool InRange(long long v, long long lo, long long hi) { return v >= lo && v <= hi; }

bool ToEntry(const LineTokens& t, TKeyMacroData& e) {
  if (t.ints.size() < 6 || t.overflow) return false;
  const long long msg = t.ints[0], code = t.ints[1], data = t.ints[2];
  if (msg != kKeyMacroImeChar && msg != kKeyMacroKeyDown && msg != kKeyMacroChar) return false;
  const long long max_code = msg == kKeyMacroImeChar ? 0xFFFF : 0xFF;
  if (!InRange(code, 0, max_code) || !InRange(data, INT32_MIN, INT32_MAX)) return false;
  // A code above a byte is a whole double-byte character (and so its comment
  // never holds a line break).
  if (code > 0xFF && (!IsLeadByte(static_cast<unsigned char>(code >> 8)) ||
                      !IsTrailByte(static_cast<unsigned char>(code & 0xFF))))
    return false;
  for (int k = 3; k < 6; ++k)
    if (!InRange(t.ints[k], 0, 255)) return false;
  e.Msg = static_cast<std::uint32_t>(msg);
  e.CharCode = static_cast<std::uint16_t>(code);
  e.KeyData = static_cast<std::int32_t>(data);
  e.Shift = static_cast<std::uint8_t>(t.ints[3]);
  e.Ctrl = static_cast<std::uint8_t>(t.ints[4]);
  e.Alt = static_cast<std::uint8_t>(t.ints[5]);
  return true;
}

}  // namespace

bool TKeyMacro::LoadFromString(std::string_view text) {
  Clear();
  TKeyMacroDataList list;
  bool ok = true;
  std::size_t pos = 0;
  while (ok && pos < text.size()) {
    std::size_t end = text.find_first_of("\r\n", pos);
    if (end == std::string_view::npos) end = text.size();
    const LineTokens t = Tokenize(StripComment(text.substr(pos, end - pos)));
    if (t.any) {
      TKeyMacroData e;
      ok = ToEntry(t, e);
      if (ok) list.push_back(e);
    }
    pos = end;
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
  }
  if (!ok) {
    if (show_dialog_ && OnMessage) OnMessage("Invalid data loaded." + name_, true);
    return false;
  }
  entries_ = std::move(list);
  SetState(kmRecorded);
  return true;
}

bool TKeyMacro::LoadFromFile(const std::string& path) {
  const std::string bytes = ReadWholeFile(path);
  return LoadFromString(bytes);
}

}  // namespace tamber
