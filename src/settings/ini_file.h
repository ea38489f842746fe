// The settings file as bytes: a profile ("INI") file that can be read and
// changed key by key while every other byte stays as it was.
//
// The file is held as its lines, each with the break it ended with (CR LF, LF,
// CR or none for a last line without a break), so Bytes() gives back exactly
// what was read until something is written. Look-up follows the old profile
// functions: a section is a line "[name]", an entry a line "key=value"; names
// are compared without regard to ASCII case and with blanks (space, tab)
// trimmed; the value is trimmed too. Names are scanned by Shift-JIS
// characters, so a trail byte 5D (ゾ is 83 5D) never closes a section name. The first matching section and the first
// matching key in it win. Lines starting with ';' and lines without '=' are
// kept but never match.
//
// Values keep every byte. A value that could not survive the line format as
// it stands (a CR, LF or NUL inside it, a blank at either end, or a start that
// looks like the escape mark) is written escaped behind kEscapeMark and
// restored on reading, so no value can add lines or keys to the file.
//
// Writing changes only the line of that key (its text up to the value is
// kept), or inserts one line after the last entry of the section, or appends
// a new section at the end. New lines use the file's first line break (CR LF
// in an empty file).
//
// Cost: every look-up and change scans the lines, O(size of the file); a
// change also moves the lines after an inserted or deleted one.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tamber {

// A write that the platform refused; what() is "<file> に書き込めません".
class SettingsWriteError : public std::runtime_error {
 public:
  explicit SettingsWriteError(const std::string& fileName);
  const std::string& FileName() const { return fileName_; }

 private:
  std::string fileName_;
};

// Starts a value stored in escaped form (\\ \r \n \0 \s \t inside it).
inline constexpr std::string_view kEscapeMark = "\\~";

std::string EscapeIniValue(std::string_view value);
std::string UnescapeIniValue(std::string_view stored);

class TIniFile {
 public:
  TIniFile() = default;
  explicit TIniFile(std::string_view bytes);

  // The file at path; an empty file when there is none. Throws
  // std::system_error when the file exists but cannot be read.
  static TIniFile Load(const std::string& path);
  // Replaces the file atomically; throws SettingsWriteError when refused.
  void Save(const std::string& path) const;

  std::string Bytes() const;

  // The value of key in section (unescaped), or nothing when it is missing.
  std::optional<std::string> ReadValue(std::string_view section, std::string_view key) const;
  // Sets key in section, creating the key and the section as needed.
  // Throws std::invalid_argument for a name that cannot be stored (empty
  // after trimming, a line break, '=' in a key, a ']' of its own or a lone
  // lead byte at the end of a section).
  void WriteValue(std::string_view section, std::string_view key, std::string_view value);
  // Removes the key's line; false when there was none.
  bool DeleteKey(std::string_view section, std::string_view key);
  // Removes the section's header and every line up to the next section.
  bool EraseSection(std::string_view section);
  // The keys of a section in file order, as written (trimmed).
  std::vector<std::string> SectionKeys(std::string_view section) const;

 private:
  struct Line {
    std::string text;  // without its break
    std::string brk;   // "\r\n", "\n", "\r" or "" (only the last line)
  };
  struct SectionSpan {
    std::size_t header;  // index of the "[name]" line
    std::size_t end;     // one past its last line
  };

  std::optional<SectionSpan> FindSection(std::string_view section) const;
  std::optional<std::size_t> FindKey(const SectionSpan& span, std::string_view key) const;
  void InsertLine(std::size_t at, std::string text);
  std::string NewLine() const;

  std::vector<Line> lines_;
};

// Name comparison of the profile functions: blanks trimmed, ASCII case
// ignored (trail bytes of double-byte characters compared as they are).
bool SameProfileName(std::string_view a, std::string_view b);
std::string_view TrimBlanks(std::string_view s);

}  // namespace tamber
