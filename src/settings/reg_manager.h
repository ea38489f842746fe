// The settings manager: every read and write of the settings file goes
// through a declared item (Name, Section, Ident, DefaultValue) and the one
// filer of the manager, which encodes booleans, integers, strings, fonts,
// string lists and byte streams as the settings file holds them.
//
// Nothing is cached between calls: each read loads the file and each write
// replaces it atomically, unless the calls run inside Update(), which holds
// the file in memory and writes it once at the end (a whole list, font or
// stream is always written in one go).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "settings/ini_file.h"
#include "settings/value_codec.h"

namespace tamber {

// Where the settings messages go (an error box in the program, a counter in tests).
class TSettingsMessages {
 public:
  virtual ~TSettingsMessages() = default;
  virtual void ShowError(std::string_view text) = 0;
};

// A string list longer than this is read as this many items, so a damaged
// count cannot make the reader build millions of lines.
inline constexpr std::int32_t kMaxStringListItems = 65536;

struct TRegItem {
  std::string Name;
  std::string Section;
  std::string Ident;
  std::string DefaultValue;
  bool operator==(const TRegItem&) const = default;
};

class TRegItems {
 public:
  TRegItem& Add(TRegItem item);
  // The first item whose Name equals name without regard to case.
  TRegItem* FindItem(std::string_view name);
  const TRegItem* FindItem(std::string_view name) const;
  std::size_t Count() const { return items_.size(); }
  const TRegItem& operator[](std::size_t i) const { return items_[i]; }
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }

 private:
  std::vector<TRegItem> items_;
};

enum TRegType { rtReg, rtIni };

class TRegManager;

class TRegFiler {
 public:
  explicit TRegFiler(TRegManager& manager) : manager_(manager) {}
  virtual ~TRegFiler() = default;
  TRegFiler(const TRegFiler&) = delete;
  TRegFiler& operator=(const TRegFiler&) = delete;

  const TRegItem* Item() const { return item_; }
  void SetItem(const TRegItem* item) { item_ = item; }

  // Back-end access; nothing happens for an empty section or key.
  virtual std::string ReadValue(std::string_view section, std::string_view key, std::string_view def);
  virtual void WriteValue(std::string_view section, std::string_view key, std::string_view value);
  // On the current item; with none, reads give false, 0 or "" and leave
  // lists and fonts unchanged, and writes do nothing.
  virtual bool ReadBool();
  virtual void WriteBool(bool value);
  virtual std::int32_t ReadInteger();
  virtual void WriteInteger(std::int32_t value);
  virtual std::string ReadString();
  virtual void WriteString(std::string_view value);
  virtual void ReadFont(TFontData& font);
  virtual void WriteFont(const TFontData& font);
  virtual void ReadStrings(std::vector<std::string>& list);
  virtual void WriteStrings(const std::vector<std::string>& list);
  virtual std::string ReadStream();
  virtual void WriteStream(std::string_view bytes);

 private:
  TRegManager& manager_;
  const TRegItem* item_ = nullptr;
};

class TRegManager {
 public:
  explicit TRegManager(TSettingsMessages* messages = nullptr);
  ~TRegManager();

  const std::string& IniFileName() const { return iniFileName_; }
  void SetIniFileName(std::string name) { iniFileName_ = std::move(name); }
  const std::string& RegDir() const { return regDir_; }
  void SetRegDir(std::string dir) { regDir_ = std::move(dir); }
  TRegType RegType() const { return regType_; }
  void SetRegType(TRegType type) { regType_ = type; }
  TRegItems& RegItems() { return items_; }
  const TRegItems& RegItems() const { return items_; }
  TSettingsMessages* Messages() const { return messages_; }

  // The filer with the item called name made current; an undeclared name
  // shows "[' name '] is invalid." and leaves no current item.
  TRegFiler& Filer(std::string_view name);

  // Runs body with the file held in memory, written once when the outermost
  // Update ends. If body throws, nothing of it is written. Throws
  // SettingsWriteError when the file cannot be written.
  void Update(const std::function<void()>& body);

  // For the filer: the file to read (nullptr when no back-end can be opened;
  // an unreadable file reads as empty) ...
  const TIniFile* FileForReading(TIniFile& scratch);
  // ... and one change of it, written at once outside Update. False when no
  // back-end can be opened. An unreadable file is never overwritten: that
  // raises SettingsWriteError.
  bool ChangeFile(const std::function<void(TIniFile&)>& change);

 private:
  bool CanOpen();
  TIniFile LoadForWriting() const;

  TSettingsMessages* messages_;
  std::string iniFileName_;
  std::string regDir_;
  TRegType regType_ = rtIni;
  TRegItems items_;
  std::unique_ptr<TRegFiler> filer_;
  int updateDepth_ = 0;
  std::optional<TIniFile> held_;
  bool heldDirty_ = false;
};

// The streamed form of bytes under section / key of a settings file (key_c,
// key_d0 …), shared by the filer and the stored components.
std::string ReadIniStream(const TIniFile& file, std::string_view section, std::string_view key);
void WriteIniStream(TIniFile& file, std::string_view section, std::string_view key,
                    std::string_view bytes);

}  // namespace tamber
