#include "settings/ini_file.h"

#include <cerrno>
#include <system_error>

#include "encoding/dbcs.h"
#include "encoding/file_io.h"

namespace tamber {

SettingsWriteError::SettingsWriteError(const std::string& fileName)
    : std::runtime_error(fileName + " に書き込めません"), fileName_(fileName) {}

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

char FoldAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool NeedsEscape(std::string_view v) {
  if (v.empty()) return false;
  if (IsBlank(v.front()) || IsBlank(v.back())) return true;
  if (v.starts_with(kEscapeMark)) return true;
  for (const char c : v) {
    if (c == '\r' || c == '\n' || c == '\0') return true;
  }
  return false;
}

// The parts of an entry line "  key = value  ".
struct Entry {
  std::string_view key;    // trimmed
  std::size_t valueStart;  // first byte after '=' and the blanks behind it
  std::string_view value;  // trimmed
};

std::optional<Entry> ParseEntry(std::string_view line) {
  const std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() == ';' || t.front() == '[') return std::nullopt;
  const std::size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  Entry e;
  e.key = TrimBlanks(line.substr(0, eq));
  std::size_t v = eq + 1;
  while (v < line.size() && IsBlank(line[v])) ++v;
  e.valueStart = v;
  e.value = TrimBlanks(line.substr(v));
  return e;
}

// The first c in s that is a character of its own, not the trail byte of a
// double-byte character (']' is the trail byte of ゾ, 83 5D).
std::size_t FindSingleByteChar(std::string_view s, char c) {
  for (std::size_t i = 0; i < s.size();) {
    const std::size_t len = CharLength(s, i);
    if (len == 1 && s[i] == c) return i;
    i += len;
  }
  return std::string_view::npos;
}

// The name of a section header line, or nothing for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
  const std::string_view t = TrimBlanks(line);
  if (t.empty() || t.front() != '[') return std::nullopt;
  std::string_view name = t.substr(1);
  const std::size_t close = FindSingleByteChar(name, ']');
  if (close != std::string_view::npos) name = name.substr(0, close);
  return TrimBlanks(name);
}

// The header written for section reads back as that section: no line break,
// no ']' of its own, and no lead byte at its end that the closing ']' would
// complete into a character.
bool CanStoreSection(std::string_view s) {
  if (s.find_first_of("\r\n") != std::string_view::npos) return false;
  const std::string header = "[" + std::string(s) + "]";
  const auto name = SectionName(header);
  return name && *name == s;
}

bool CanStoreKey(std::string_view k) {
  return k.find_first_of("\r\n=") == std::string_view::npos && k.front() != '[' && k.front() != ';';
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

bool SameProfileName(std::string_view a, std::string_view b) {
  a = TrimBlanks(a);
  b = TrimBlanks(b);
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (IsLeadByte(a[i]) && i + 1 < a.size()) {
      // A double-byte character is compared whole; its trail byte may look like a letter.
      if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
      ++i;
      continue;
    }
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

std::string EscapeIniValue(std::string_view value) {
  if (!NeedsEscape(value)) return std::string(value);
  std::string out(kEscapeMark);
  for (std::size_t i = 0; i < value.size(); ++i) {
    const char c = value[i];
    const bool atEnd = i == 0 || i + 1 == value.size();
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\r': out += "\\r"; break;
      case '\n': out += "\\n"; break;
      case '\0': out += "\\0"; break;
      case ' ': out += atEnd ? "\\s" : " "; break;
      case '\t': out += atEnd ? "\\t" : "\t"; break;
      default: out += c;
    }
  }
  return out;
}

std::string UnescapeIniValue(std::string_view stored) {
  if (!stored.starts_with(kEscapeMark)) return std::string(stored);
  stored.remove_prefix(kEscapeMark.size());
  std::string out;
  out.reserve(stored.size());
  for (std::size_t i = 0; i < stored.size(); ++i) {
    const char c = stored[i];
    if (c != '\\' || i + 1 == stored.size()) {
      out += c;
      continue;
    }
    const char n = stored[++i];
    switch (n) {
      case '\\': out += '\\'; break;
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case '0': out += '\0'; break;
      case 's': out += ' '; break;
      case 't': out += '\t'; break;
      default:  // not ours (a hand edit): keep both bytes
        out += c;
        out += n;
    }
  }
  return out;
}

TIniFile::TIniFile(std::string_view bytes) {
  std::size_t start = 0;
  while (start < bytes.size()) {
    std::size_t i = start;
    while (i < bytes.size() && bytes[i] != '\r' && bytes[i] != '\n') ++i;
    Line line{std::string(bytes.substr(start, i - start)), ""};
    if (i < bytes.size()) {
      const std::size_t len = (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ? 2 : 1;
      line.brk = std::string(bytes.substr(i, len));
      i += len;
    }
    lines_.push_back(std::move(line));
    start = i;
  }
}

TIniFile TIniFile::Load(const std::string& path) {
  try {
    return TIniFile(ReadWholeFile(path));
  } catch (const std::system_error& e) {
    if (e.code().value() == ENOENT) return TIniFile();
    throw;
  }
}

void TIniFile::Save(const std::string& path) const {
  try {
    WriteFileAtomically(path, Bytes());
  } catch (const std::system_error&) {
    throw SettingsWriteError(path);
  }
}

std::string TIniFile::Bytes() const {
  std::string out;
  for (const Line& l : lines_) {
    out += l.text;
    out += l.brk;
  }
  return out;
}

std::string TIniFile::NewLine() const {
  for (const Line& l : lines_) {
    if (!l.brk.empty()) return l.brk;
  }
  return "\r\n";
}

std::optional<TIniFile::SectionSpan> TIniFile::FindSection(std::string_view section) const {
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].text);
    if (!name || !SameProfileName(*name, section)) continue;
    std::size_t end = i + 1;
    while (end < lines_.size() && !SectionName(lines_[end].text)) ++end;
    return SectionSpan{i, end};
  }
  return std::nullopt;
}

std::optional<std::size_t> TIniFile::FindKey(const SectionSpan& span, std::string_view key) const {
  for (std::size_t i = span.header + 1; i < span.end; ++i) {
    const auto e = ParseEntry(lines_[i].text);
    if (e && SameProfileName(e->key, key)) return i;
  }
  return std::nullopt;
}

std::optional<std::string> TIniFile::ReadValue(std::string_view section, std::string_view key) const {
  const auto span = FindSection(section);
  if (!span) return std::nullopt;
  const auto at = FindKey(*span, key);
  if (!at) return std::nullopt;
  return UnescapeIniValue(ParseEntry(lines_[*at].text)->value);
}

void TIniFile::InsertLine(std::size_t at, std::string text) {
  // The line before the new one may be a last line without a break.
  if (at > 0 && lines_[at - 1].brk.empty()) lines_[at - 1].brk = NewLine();
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), Line{std::move(text), NewLine()});
}

void TIniFile::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  const std::string_view s = TrimBlanks(section);
  const std::string_view k = TrimBlanks(key);
  if (s.empty() || k.empty() || !CanStoreSection(s) || !CanStoreKey(k)) {
    throw std::invalid_argument("settings name cannot be stored: [" + std::string(section) + "] " +
                                std::string(key));
  }
  const std::string stored = EscapeIniValue(value);
  auto span = FindSection(s);
  if (!span) {
    InsertLine(lines_.size(), "[" + std::string(s) + "]");
    InsertLine(lines_.size(), std::string(k) + "=" + stored);
    return;
  }
  if (const auto at = FindKey(*span, k)) {
    Line& line = lines_[*at];
    line.text = line.text.substr(0, ParseEntry(line.text)->valueStart) + stored;
    return;
  }
  std::size_t after = span->header;
  for (std::size_t i = span->header + 1; i < span->end; ++i) {
    if (ParseEntry(lines_[i].text)) after = i;
  }
  InsertLine(after + 1, std::string(k) + "=" + stored);
}

bool TIniFile::DeleteKey(std::string_view section, std::string_view key) {
  const auto span = FindSection(section);
  if (!span) return false;
  const auto at = FindKey(*span, key);
  if (!at) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(*at));
  return true;
}

bool TIniFile::EraseSection(std::string_view section) {
  const auto span = FindSection(section);
  if (!span) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(span->header),
               lines_.begin() + static_cast<std::ptrdiff_t>(span->end));
  return true;
}

std::vector<std::string> TIniFile::SectionKeys(std::string_view section) const {
  std::vector<std::string> keys;
  if (const auto span = FindSection(section)) {
    for (std::size_t i = span->header + 1; i < span->end; ++i) {
      if (const auto e = ParseEntry(lines_[i].text)) keys.emplace_back(e->key);
    }
  }
  return keys;
}

}  // namespace tamber
