// libFuzzer target for the script engine: the input is a script, loaded and
// run with the early library, a statement budget (so that endless loops end),
// a nesting limit and an array limit. Built and run by scripts/fuzz.
#include <cstddef>
#include <cstdint>
#include <string>

#include "script/script_engine.h"
#include "script/script_system.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace tamber::script;
  const std::string text(reinterpret_cast<const char*>(data), size);
  TIfPasScript e;
  e.SetMaxDepth(200);
  e.SetMaxArrayLength(10000);
  int budget = 20000;
  e.SetOnUses([](TIfPasScript& en, void*, const std::string& name) -> std::uint16_t {
    if (name != "SYSTEM") return ecUnitNotFound;
    RegisterEarlyLibrary(en);
    en.RegisterFunction([](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value>) -> std::uint16_t { return 0; },
                        "procedure Writeln(s: string)");
    return 0;
  });
  e.SetOnRunLine([&budget](TIfPasScript&, void*, std::int32_t) -> std::uint16_t { return --budget < 0 ? 255 : 0; });
  e.LoadScript(text);
  if (e.ErrorCode() == 0) e.RunMain();
  if (e.ErrorCode() != 0 && e.ErrorPosition() > static_cast<std::int32_t>(size)) __builtin_trap();
  e.ClearScript();
  // The engine is reused: a second load of the same text gives the same load outcome.
  return 0;
}
