#include "settings/script_list.h"

#include <filesystem>
#include <system_error>

#include "encoding/cp932_codec.h"

namespace tamber {

namespace fs = std::filesystem;

namespace {

bool IsFile(const std::string& path) {
  std::error_code ec;
  return fs::is_regular_file(path, ec);
}

std::string WithoutExtension(std::string_view name) {
  // '.' is never a trail byte, so a byte search is safe in CP932.
  const std::size_t dot = name.rfind('.');
  return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

bool SameIgnoringAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    if (up(a[i]) != up(b[i])) return false;
  }
  return true;
}

}  // namespace

std::vector<std::string> DefaultScriptList() {
  std::vector<std::string> list;
  for (const char* name : {"行番号.pas", "省資源印刷.pas", "Grep.pas", "整形.pas", "全置き換え.pas"}) {
    list.push_back(Utf8ToCp932(name));
  }
  return list;
}

std::string FileSystemName(std::string_view cp932Name) { return Cp932ToUtf8(cp932Name); }

std::vector<TScriptMenuEntry> ScriptMenuEntries(const std::vector<std::string>& list,
                                                const std::string& scriptDir) {
  std::vector<TScriptMenuEntry> entries;
  const std::string fallback = scriptDir + "/" + std::string(kDefaultButtonBitmap);
  for (std::size_t i = 0; i < list.size(); ++i) {
    TScriptMenuEntry e;
    e.Caption = WithoutExtension(list[i]);
    e.Tag = static_cast<int>(i);
    const std::string own = scriptDir + "/" + FileSystemName(e.Caption) + ".bmp";
    if (IsFile(own)) {
      e.BitmapPath = own;
    } else if (IsFile(fallback)) {
      e.BitmapPath = fallback;
    }
    entries.push_back(std::move(e));
  }
  return entries;
}

std::string FindScriptFile(const std::string& scriptDir, std::string_view caption) {
  const std::string base = FileSystemName(caption);
  const std::string exact = scriptDir + "/" + base + ".Pas";
  if (IsFile(exact)) return exact;
  std::error_code ec;
  for (fs::directory_iterator it(scriptDir, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (name.size() == base.size() + 4 && name.compare(0, base.size(), base) == 0 &&
        SameIgnoringAsciiCase(std::string_view(name).substr(base.size()), ".pas") &&
        IsFile(it->path().string())) {
      return it->path().string();
    }
  }
  return "";
}

}  // namespace tamber
