// Runs scripts with the early library and a Writeln that collects lines.
#pragma once

#include <functional>
#include <string>

#include "script/script_engine.h"
#include "script/script_system.h"

namespace tamber::script {

struct RunResult {
  std::string out;  // every Writeln line followed by '\n'
  std::uint16_t code = 0;
  std::int32_t pos = -1;
  std::string text;
  std::string module;
  bool loaded = false;  // LoadScript succeeded and RunMain was called
};

inline void RegisterTestLibrary(TIfPasScript& e, std::string* out) {
  RegisterEarlyLibrary(e);
  e.RegisterFunction(
      [out](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
        *out += ReadString(Deref(args[0]));
        *out += '\n';
        return 0;
      },
      "procedure Writeln(s: string)");
}

inline RunResult RunScript(const std::string& script, const std::function<void(TIfPasScript&)>& setup = {},
                           const std::function<void(TIfPasScript&, std::string*)>& library = {}) {
  RunResult r;
  TIfPasScript e;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string& name) -> std::uint16_t {
    if (name != "SYSTEM") return ecUnitNotFound;
    RegisterTestLibrary(en, &r.out);
    if (library) library(en, &r.out);
    return 0;
  });
  if (setup) setup(e);
  e.LoadScript(script);
  if (e.ErrorCode() == 0) {
    r.loaded = true;
    e.RunMain();
  }
  r.code = e.ErrorCode();
  r.pos = e.ErrorPosition();
  r.text = e.ErrorText();
  r.module = e.ErrorModule();
  e.ClearScript();
  return r;
}

// The output of a main block with the given declarations before it.
inline RunResult RunMain(const std::string& decls, const std::string& body) {
  return RunScript(decls + "\nbegin\n" + body + "\nend.\n");
}

}  // namespace tamber::script
