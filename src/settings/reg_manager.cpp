#include "settings/reg_manager.h"

#include <algorithm>
#include <system_error>

namespace tamber {

namespace {

char Upper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

bool StartsWithIgnoringCase(std::string_view s, std::string_view prefix) {
  if (s.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    if (Upper(s[i]) != Upper(prefix[i])) return false;
  }
  return true;
}

// The index n of a key "<prefix><n>" (n in canonical decimal), or -1.
long long NumberedIndex(std::string_view key, std::string_view prefix) {
  if (!StartsWithIgnoringCase(key, prefix)) return -1;
  const std::string_view digits = key.substr(prefix.size());
  if (digits.empty() || digits.size() > 10 || (digits.size() > 1 && digits[0] == '0')) return -1;
  long long n = 0;
  for (const char c : digits) {
    if (c < '0' || c > '9') return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

// Deletes every key "<prefix><n>" of section with n >= from: the stale tail
// of a list or stream, however its old count was damaged.
void DeleteNumberedFrom(TIniFile& file, std::string_view section, std::string_view prefix,
                        long long from) {
  for (const std::string& key : file.SectionKeys(section)) {
    if (NumberedIndex(key, prefix) >= from) file.DeleteKey(section, key);
  }
}

std::string NormalizedBoolDefault(std::string_view def) {
  const std::string_view t = TrimBlanks(def);
  std::string up;
  for (const char c : t) up += Upper(c);
  return (up == "1" || up == "TRUE" || up == "YES") ? "1" : "0";
}

std::int32_t IntegerOf(std::string_view text) { return ParseInteger(text).value_or(0); }

std::string Str(std::string_view a, std::string_view b) { return std::string(a) + std::string(b); }

std::string ReadOr(const TIniFile& file, std::string_view section, std::string_view key,
                   std::string_view def) {
  if (TrimBlanks(section).empty() || TrimBlanks(key).empty()) return std::string(def);
  return file.ReadValue(section, key).value_or(std::string(def));
}

}  // namespace

// ---- TRegItems

TRegItem& TRegItems::Add(TRegItem item) {
  items_.push_back(std::move(item));
  return items_.back();
}

TRegItem* TRegItems::FindItem(std::string_view name) {
  for (TRegItem& item : items_) {
    if (item.Name.size() == name.size() && StartsWithIgnoringCase(item.Name, name)) return &item;
  }
  return nullptr;
}

const TRegItem* TRegItems::FindItem(std::string_view name) const {
  return const_cast<TRegItems*>(this)->FindItem(name);
}

// ---- TRegManager

TRegManager::TRegManager(TSettingsMessages* messages)
    : messages_(messages), filer_(std::make_unique<TRegFiler>(*this)) {}

TRegManager::~TRegManager() = default;

TRegFiler& TRegManager::Filer(std::string_view name) {
  const TRegItem* item = items_.FindItem(name);
  if (!item && messages_) messages_->ShowError("[' " + std::string(name) + " '] is invalid.");
  filer_->SetItem(item);
  return *filer_;
}

bool TRegManager::CanOpen() {
  if (regType_ == rtReg) {
    // This platform has no registry; only the settings file is a back-end.
    if (messages_) messages_->ShowError("can not create Registry object.");
    return false;
  }
  if (iniFileName_.empty()) {
    if (messages_) messages_->ShowError("can not create Inifile object.");
    return false;
  }
  return true;
}

TIniFile TRegManager::LoadForWriting() const {
  try {
    return TIniFile::Load(iniFileName_);
  } catch (const std::system_error&) {
    // Writing over a file we could not read would lose it.
    throw SettingsWriteError(iniFileName_);
  }
}

const TIniFile* TRegManager::FileForReading(TIniFile& scratch) {
  if (!CanOpen()) return nullptr;
  if (updateDepth_ > 0 && held_) return &*held_;
  try {
    scratch = TIniFile::Load(iniFileName_);
  } catch (const std::system_error&) {
    scratch = TIniFile();  // an unreadable file gives the defaults
  }
  return &scratch;
}

bool TRegManager::ChangeFile(const std::function<void(TIniFile&)>& change) {
  if (!CanOpen()) return false;
  if (updateDepth_ > 0) {
    if (!held_) held_ = LoadForWriting();
    change(*held_);
    heldDirty_ = true;
    return true;
  }
  TIniFile file = LoadForWriting();
  change(file);
  file.Save(iniFileName_);
  return true;
}

void TRegManager::Update(const std::function<void()>& body) {
  if (updateDepth_ == 0) {
    held_.reset();
    heldDirty_ = false;
    if (regType_ == rtIni && !iniFileName_.empty()) {
      try {
        held_ = TIniFile::Load(iniFileName_);
      } catch (const std::system_error&) {
        // Left unheld: reads give defaults, the first write raises.
      }
    }
  }
  ++updateDepth_;
  try {
    body();
  } catch (...) {
    if (--updateDepth_ == 0) held_.reset();
    throw;
  }
  if (--updateDepth_ > 0) return;
  std::optional<TIniFile> file = std::move(held_);
  held_.reset();
  if (file && heldDirty_) file->Save(iniFileName_);
}

// ---- TRegFiler

std::string TRegFiler::ReadValue(std::string_view section, std::string_view key, std::string_view def) {
  if (TrimBlanks(section).empty() || TrimBlanks(key).empty()) return std::string(def);
  TIniFile scratch;
  const TIniFile* file = manager_.FileForReading(scratch);
  if (!file) return std::string(def);
  return ReadOr(*file, section, key, def);
}

void TRegFiler::WriteValue(std::string_view section, std::string_view key, std::string_view value) {
  if (TrimBlanks(section).empty() || TrimBlanks(key).empty()) return;
  manager_.ChangeFile([&](TIniFile& f) { f.WriteValue(section, key, value); });
}

bool TRegFiler::ReadBool() {
  if (!item_) return false;
  const std::string text = ReadValue(item_->Section, item_->Ident, NormalizedBoolDefault(item_->DefaultValue));
  return (static_cast<std::uint32_t>(IntegerOf(text)) & 0xFF) != 0;
}

void TRegFiler::WriteBool(bool value) {
  if (item_) WriteValue(item_->Section, item_->Ident, value ? "1" : "0");
}

std::int32_t TRegFiler::ReadInteger() {
  if (!item_) return 0;
  return IntegerOf(ReadValue(item_->Section, item_->Ident, item_->DefaultValue));
}

void TRegFiler::WriteInteger(std::int32_t value) {
  if (item_) WriteValue(item_->Section, item_->Ident, std::to_string(value));
}

std::string TRegFiler::ReadString() {
  if (!item_) return "";
  return ReadValue(item_->Section, item_->Ident, item_->DefaultValue);
}

void TRegFiler::WriteString(std::string_view value) {
  if (item_) WriteValue(item_->Section, item_->Ident, value);
}

void TRegFiler::ReadFont(TFontData& font) {
  if (!item_) return;
  TIniFile scratch;
  const TIniFile* file = manager_.FileForReading(scratch);
  if (!file) return;
  const std::string& s = item_->Section;
  const std::string& id = item_->Ident;
  font.Name = ReadOr(*file, s, Str(id, "_FontName"), font.Name);
  font.Size = IntegerOf(ReadOr(*file, s, Str(id, "_FontSize"), std::to_string(font.Size)));
  // A colour text that names no colour keeps the current colour.
  font.Color = StringToColor(ReadOr(*file, s, Str(id, "_FontColor"), ColorToString(font.Color)))
                   .value_or(font.Color);
  font.Style = IntegerOf(ReadOr(*file, s, Str(id, "_FontStyle"), std::to_string(font.Style))) &
               (fsBold | fsItalic | fsUnderline | fsStrikeOut);
  font.Charset = IntegerOf(ReadOr(*file, s, Str(id, "_FontCharset"), std::to_string(font.Charset))) & 0xFF;
}

void TRegFiler::WriteFont(const TFontData& font) {
  if (!item_) return;
  const std::string& s = item_->Section;
  const std::string& id = item_->Ident;
  manager_.ChangeFile([&](TIniFile& f) {
    f.WriteValue(s, Str(id, "_FontName"), font.Name);
    f.WriteValue(s, Str(id, "_FontSize"), std::to_string(font.Size));
    f.WriteValue(s, Str(id, "_FontColor"), ColorToString(font.Color));
    f.WriteValue(s, Str(id, "_FontStyle"), std::to_string(font.Style));
    f.WriteValue(s, Str(id, "_FontCharset"), std::to_string(font.Charset));
  });
}

void TRegFiler::ReadStrings(std::vector<std::string>& list) {
  if (!item_) return;
  TIniFile scratch;
  const TIniFile* file = manager_.FileForReading(scratch);
  if (!file) return;
  const std::string& s = item_->Section;
  const std::string& id = item_->Ident;
  const std::int32_t count =
      std::clamp(IntegerOf(ReadOr(*file, s, Str(id, "_ItemCount"), "0")), 0, kMaxStringListItems);
  list.clear();
  for (std::int32_t i = 0; i < count; ++i) {
    list.push_back(ReadOr(*file, s, Str(id, "_Item" + std::to_string(i)), ""));
  }
}

void TRegFiler::WriteStrings(const std::vector<std::string>& list) {
  if (!item_) return;
  const std::string& s = item_->Section;
  const std::string& id = item_->Ident;
  manager_.ChangeFile([&](TIniFile& f) {
    const auto n = static_cast<long long>(list.size());
    if (n > 0) {
      f.WriteValue(s, Str(id, "_ItemCount"), std::to_string(n));
    } else {
      f.DeleteKey(s, Str(id, "_ItemCount"));
    }
    for (long long i = 0; i < n; ++i) {
      f.WriteValue(s, Str(id, "_Item" + std::to_string(i)), list[static_cast<std::size_t>(i)]);
    }
    DeleteNumberedFrom(f, s, Str(id, "_Item"), n);
  });
}

std::string TRegFiler::ReadStream() {
  if (!item_) return "";
  TIniFile scratch;
  const TIniFile* file = manager_.FileForReading(scratch);
  if (!file) return "";
  return ReadIniStream(*file, item_->Section, item_->Ident);
}

void TRegFiler::WriteStream(std::string_view bytes) {
  if (!item_) return;
  manager_.ChangeFile([&](TIniFile& f) { WriteIniStream(f, item_->Section, item_->Ident, bytes); });
}

// ---- streams in a settings file

std::string ReadIniStream(const TIniFile& file, std::string_view section, std::string_view key) {
  if (TrimBlanks(section).empty() || TrimBlanks(key).empty()) return "";
  const std::int32_t count = IntegerOf(ReadOr(file, section, Str(key, "_c"), "0"));
  std::vector<std::string> lines;
  for (std::int32_t i = 0; i < count; ++i) {
    // The lines end at the first missing one, so a damaged count costs nothing.
    auto line = file.ReadValue(section, Str(key, "_d" + std::to_string(i)));
    if (!line) break;
    lines.push_back(std::move(*line));
  }
  return HexLinesToStream(lines);
}

void WriteIniStream(TIniFile& file, std::string_view section, std::string_view key,
                    std::string_view bytes) {
  if (TrimBlanks(section).empty() || TrimBlanks(key).empty()) return;
  const std::vector<std::string> lines = StreamToHexLines(bytes);
  const auto n = static_cast<long long>(lines.size());
  DeleteNumberedFrom(file, section, Str(key, "_d"), n);
  if (n == 0) {
    file.DeleteKey(section, Str(key, "_c"));
    return;
  }
  file.WriteValue(section, Str(key, "_c"), std::to_string(n));
  for (long long i = 0; i < n; ++i) {
    file.WriteValue(section, Str(key, "_d" + std::to_string(i)), lines[static_cast<std::size_t>(i)]);
  }
}

}  // namespace tamber
