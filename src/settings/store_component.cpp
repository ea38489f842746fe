#include "settings/store_component.h"

#include <optional>
#include <system_error>
#include <utility>

#include "settings/ini_file.h"
#include "settings/reg_manager.h"

namespace tamber {

namespace {

constexpr std::string_view kSignature = "TPF0";

class Writer {
 public:
  void Bytes(std::string_view b) { out_ += b; }
  void Byte(std::uint8_t b) { out_ += static_cast<char>(b); }
  void Fixed(std::uint64_t v, int size) {
    for (int i = 0; i < size; ++i) Byte(static_cast<std::uint8_t>(v >> (8 * i)));
  }
  void Text(std::string_view s) {
    std::uint64_t n = s.size();
    do {
      const auto low = static_cast<std::uint8_t>(n & 0x7F);
      n >>= 7;
      Byte(n ? (low | 0x80) : low);
    } while (n);
    out_ += s;
  }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

class Reader {
 public:
  explicit Reader(std::string_view in) : in_(in) {}
  bool Bytes(std::size_t n, std::string_view& out) {
    if (in_.size() - pos_ < n) return false;
    out = in_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  bool Byte(std::uint8_t& b) {
    std::string_view s;
    if (!Bytes(1, s)) return false;
    b = static_cast<std::uint8_t>(s[0]);
    return true;
  }
  bool Fixed(std::uint64_t& v, int size) {
    v = 0;
    for (int i = 0; i < size; ++i) {
      std::uint8_t b;
      if (!Byte(b)) return false;
      v |= static_cast<std::uint64_t>(b) << (8 * i);
    }
    return true;
  }
  bool Text(std::string& s) {
    std::uint64_t n = 0;
    for (int shift = 0;; shift += 7) {
      std::uint8_t b;
      if (shift > 56 || !Byte(b)) return false;
      n |= static_cast<std::uint64_t>(b & 0x7F) << shift;
      if (!(b & 0x80)) break;
    }
    std::string_view bytes;
    if (n > in_.size() - pos_ || !Bytes(static_cast<std::size_t>(n), bytes)) return false;
    s.assign(bytes);
    return true;
  }
  bool AtEnd() const { return pos_ == in_.size(); }

 private:
  std::string_view in_;
  std::size_t pos_ = 0;
};

std::int32_t I32(std::uint64_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v)); }

bool ReadValue(Reader& r, TPropKind kind, TPropValue& value) {
  switch (kind) {
    case TPropKind::pkInteger: {
      std::uint64_t v;
      if (!r.Fixed(v, 8)) return false;
      value = static_cast<std::int64_t>(v);
      return true;
    }
    case TPropKind::pkBoolean: {
      std::uint8_t b;
      if (!r.Byte(b)) return false;
      value = b != 0;
      return true;
    }
    case TPropKind::pkString:
    case TPropKind::pkEnum: {
      std::string s;
      if (!r.Text(s)) return false;
      value = std::move(s);
      return true;
    }
    case TPropKind::pkFont: {
      TFontData f;
      std::uint64_t size, color, style, charset;
      if (!r.Text(f.Name) || !r.Fixed(size, 4) || !r.Fixed(color, 4) || !r.Fixed(style, 4) ||
          !r.Fixed(charset, 4)) {
        return false;
      }
      f.Size = I32(size);
      f.Color = I32(color);
      f.Style = I32(style);
      f.Charset = I32(charset);
      value = std::move(f);
      return true;
    }
  }
  return false;  // a kind this program does not know: the stream cannot be walked further
}

const TPropInfo* FindProp(const std::vector<TPropInfo>& table, std::string_view name) {
  for (const TPropInfo& p : table) {
    if (p.Name == name) return &p;
  }
  return nullptr;
}

}  // namespace

std::string TStoreComponent::WriteComponentToStream() const {
  Writer w;
  w.Bytes(kSignature);
  w.Text(ClassName());
  w.Text(name_);
  for (const TPropInfo& p : Properties()) {
    const TPropValue v = p.Get(*this);
    w.Text(p.Name);
    w.Byte(static_cast<std::uint8_t>(p.Kind));
    switch (p.Kind) {
      case TPropKind::pkInteger: w.Fixed(static_cast<std::uint64_t>(std::get<std::int64_t>(v)), 8); break;
      case TPropKind::pkBoolean: w.Byte(std::get<bool>(v) ? 1 : 0); break;
      case TPropKind::pkString: w.Text(std::get<std::string>(v)); break;
      case TPropKind::pkEnum: {
        const auto index = static_cast<std::size_t>(std::get<std::int64_t>(v));
        w.Text(index < p.EnumNames.size() ? p.EnumNames[index] : std::string());
        break;
      }
      case TPropKind::pkFont: {
        const TFontData& f = std::get<TFontData>(v);
        w.Text(f.Name);
        for (const std::uint32_t x : {static_cast<std::uint32_t>(f.Size), f.Color, static_cast<std::uint32_t>(f.Style), static_cast<std::uint32_t>(f.Charset)}) {
          w.Fixed(x, 4);
        }
        break;
      }
    }
  }
  w.Byte(0);  // an empty name ends the properties
  return w.Take();
}

bool TStoreComponent::ReadComponentFromStream(std::string_view bytes) {
  Reader r(bytes);
  std::string_view signature;
  std::string className, objectName;
  if (!r.Bytes(kSignature.size(), signature) || signature != kSignature || !r.Text(className) ||
      !r.Text(objectName) || className != ClassName()) {
    return false;
  }
  const std::vector<TPropInfo>& table = Properties();
  std::vector<std::pair<const TPropInfo*, TPropValue>> found;
  while (true) {
    std::string name;
    if (!r.Text(name)) return false;
    if (name.empty()) break;
    std::uint8_t kind;
    TPropValue value;
    if (!r.Byte(kind) || !ReadValue(r, static_cast<TPropKind>(kind), value)) return false;
    const TPropInfo* p = FindProp(table, name);
    if (!p || static_cast<std::uint8_t>(p->Kind) != kind) continue;
    if (p->Kind == TPropKind::pkEnum) {
      const std::string& member = std::get<std::string>(value);
      std::int64_t index = -1;
      for (std::size_t i = 0; i < p->EnumNames.size(); ++i) {
        if (p->EnumNames[i] == member) index = static_cast<std::int64_t>(i);
      }
      if (index < 0) continue;  // a member this build does not have
      value = index;
    }
    found.emplace_back(p, std::move(value));
  }
  if (!r.AtEnd()) return false;
  for (auto& [p, value] : found) p->Set(*this, value);
  return true;
}

void TStoreComponent::ReadComponentFromIni(const std::string& fileName, std::string_view section,
                                           std::string_view key) {
  TIniFile file;
  try {
    file = TIniFile::Load(fileName);
  } catch (const std::system_error&) {
    return;  // an unreadable file holds nothing to apply
  }
  const std::string bytes = ReadIniStream(file, section, key);
  if (!bytes.empty()) ReadComponentFromStream(bytes);
}

void TStoreComponent::WriteComponentToIni(const std::string& fileName, std::string_view section,
                                          std::string_view key) const {
  TIniFile file;
  try {
    file = TIniFile::Load(fileName);
  } catch (const std::system_error&) {
    throw SettingsWriteError(fileName);
  }
  WriteIniStream(file, section, key, WriteComponentToStream());
  file.Save(fileName);
}

}  // namespace tamber
