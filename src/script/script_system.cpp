#include "script/script_system.h"

#include <string>

namespace tamber::script {

void RegisterEarlyLibrary(TIfPasScript& engine) {
  TTypeRec* longint = engine.TypeByCode(tcLongInt);
  TTypeRec* str = engine.TypeByCode(tcString);
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        const Value& v = Deref(args[0]);
        WriteString(*result, std::to_string(v.code == tcCardinal ? static_cast<std::int64_t>(v.i) : ReadInteger(v)));
        return 0;
      },
      "function IntToStr(i: Integer): string");
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        WriteString(*result, std::string(1, static_cast<char>(ReadInteger(Deref(args[0])))));
        return 0;
      },
      "function Chr(b: Byte): string");
  engine.RegisterFunction(
      [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
        const std::string s = ReadString(Deref(args[0]));
        std::int64_t from = ReadInteger(Deref(args[1]));
        std::int64_t count = ReadInteger(Deref(args[2]));
        if (from < 1) from = 1;
        if (count < 0 || from > static_cast<std::int64_t>(s.size())) count = 0;
        if (count > 0) WriteString(*result, s.substr(from - 1, count));
        return 0;
      },
      "function Copy(s: string; from, count: Integer): string");
  // Length takes a string or an array: its parameter is untyped.
  TParamList untyped;
  untyped.isFunction = true;
  untyped.result = longint;
  untyped.params.push_back({pmValue, "S", nullptr});
  engine.RegisterInternal("LENGTH", untyped,
                          [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
                            const Value& v = Deref(args[0]);
                            if (v.code == tcString) WriteInteger(*result, static_cast<std::int64_t>(v.Str().size()));
                            else if (v.code == tcChar) WriteInteger(*result, 1);
                            else if (v.code == tcArray) WriteInteger(*result, static_cast<std::int64_t>(v.a->items.size()));
                            else return ecTypeMismatch;
                            return 0;
                          });
  TParamList setLen;
  setLen.params.push_back({pmVar, "A", nullptr});
  setLen.params.push_back({pmValue, "N", longint});
  engine.RegisterInternal("SETARRAYLENGTH", setLen,
                          [](TIfPasScript& e, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
                            Value& a = Deref(args[0]);
                            if (a.code != tcArray) return ecTypeMismatch;
                            if (!e.SetArrayLength(a, ReadInteger(Deref(args[1])))) return e.ErrorCode() ? e.ErrorCode() : static_cast<std::uint16_t>(ecOutOfMemory);
                            return 0;
                          });
  TParamList getLen;
  getLen.isFunction = true;
  getLen.result = longint;
  getLen.params.push_back({pmVar, "A", nullptr});
  engine.RegisterInternal("GETARRAYLENGTH", getLen,
                          [](TIfPasScript&, void*, TProcedure&, Value* result, std::span<Value> args) -> std::uint16_t {
                            const Value& a = Deref(args[0]);
                            if (a.code != tcArray) return ecTypeMismatch;
                            WriteInteger(*result, static_cast<std::int64_t>(a.a->items.size()));
                            return 0;
                          });
  (void)str;
}

}  // namespace tamber::script
