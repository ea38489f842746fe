// A component that keeps its published properties in the settings file.
//
// Each component class describes its published properties in a property
// table (name, kind, getter, setter, and the member names of an
// enumeration). The streamed form is self-describing:
//
//   stream   = "TPF0" text(class name) text(object name) property* 00
//   property = text(name, not empty) kind value
//   text     = length (unsigned LEB128) bytes
//   value    = integer: 8 bytes little-endian | boolean: 1 byte
//            | string: text | enumeration: text(member name)
//            | font: text(name) 4 × 4 bytes little-endian (size, colour, style, charset)
//
// Reading checks the whole stream before it sets anything: a stream that is
// damaged, cut short or of another class changes nothing. Properties the
// table does not know, or whose kind differs, are skipped; every other
// property goes through its setter, which keeps the component's ranges.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/value_codec.h"

namespace tamber {

enum class TPropKind : std::uint8_t { pkInteger = 1, pkBoolean = 2, pkString = 3, pkEnum = 4, pkFont = 5 };

// Get and Set hand an enumeration over as its index in TPropInfo::EnumNames;
// the stream holds the member name, so reordering members keeps old streams.
using TPropValue = std::variant<std::int64_t, bool, std::string, TFontData>;

class TStoreComponent;

struct TPropInfo {
  std::string Name;
  TPropKind Kind;
  std::function<TPropValue(const TStoreComponent&)> Get;
  std::function<void(TStoreComponent&, const TPropValue&)> Set;
  std::vector<std::string> EnumNames = {};  // pkEnum only
};

class TStoreComponent {
 public:
  virtual ~TStoreComponent() = default;

  virtual std::string ClassName() const = 0;
  virtual const std::vector<TPropInfo>& Properties() const = 0;

  const std::string& Name() const { return name_; }
  void SetName(std::string name) { name_ = std::move(name); }

  std::string WriteComponentToStream() const;
  // False (and nothing set) for a stream that is damaged or of another class.
  bool ReadComponentFromStream(std::string_view bytes);

  // The stream stored under section / key of the settings file fileName; an
  // empty or missing stream leaves the component as it is.
  void ReadComponentFromIni(const std::string& fileName, std::string_view section, std::string_view key);
  // Throws SettingsWriteError when the file cannot be written.
  void WriteComponentToIni(const std::string& fileName, std::string_view section,
                           std::string_view key) const;

 private:
  std::string name_;
};

}  // namespace tamber
