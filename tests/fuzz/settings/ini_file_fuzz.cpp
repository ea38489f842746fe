// libFuzzer target for the settings file: any bytes parse, read back as they
// were, and a value written into them reads back unchanged without disturbing
// the other sections.
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "settings/ini_file.h"

using namespace tamber;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  // The tail after the first NUL (if any) is a value to store.
  const std::size_t nul = input.find('\0');
  const std::string_view file = input.substr(0, nul);
  const std::string_view value = nul == std::string_view::npos ? "" : input.substr(nul + 1);

  TIniFile ini(file);
  if (ini.Bytes() != file) __builtin_trap();
  const auto before = ini.ReadValue("Other", "Key");
  (void)ini.SectionKeys("Fuzz");
  ini.WriteValue("Fuzz", "Value", value);
  const auto back = ini.ReadValue("Fuzz", "Value");
  if (!back || *back != value) __builtin_trap();
  TIniFile reread(ini.Bytes());
  const auto again = reread.ReadValue("Fuzz", "Value");
  if (!again || *again != value) __builtin_trap();
  if (reread.ReadValue("Other", "Key") != before) __builtin_trap();
  return 0;
}
