// libFuzzer target for key macro files: any bytes load or are refused with
// the recorder left empty, and what loads saves to a file that loads back to
// the same entries and saves to the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "view/key_macro.h"

using namespace tamber;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  TKeyMacro m;
  if (!m.LoadFromString(input)) {
    if (!m.Entries().empty() || m.MacroState() != kmIdle) __builtin_trap();
    return 0;
  }
  if (m.MacroState() != kmRecorded) __builtin_trap();
  const std::string saved = m.SaveToString();
  TKeyMacro again;
  if (!again.LoadFromString(saved)) __builtin_trap();
  if (again.Entries() != m.Entries()) __builtin_trap();
  if (again.SaveToString() != saved) __builtin_trap();
  return 0;
}
