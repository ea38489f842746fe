// The host's side of the engine: registered variables, external declarations
// resolved by the host, and units attached from the uses hook.
#include <gtest/gtest.h>

#include "script_test_support.h"

namespace tamber::script {
namespace {

TEST(ScriptHost, RegisteredVariablesAreSharedWithTheHost) {
  TIfPasScript e;
  std::string out;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterTestLibrary(en, &out);
    EXPECT_TRUE(en.RegisterVariable("Counter", "Integer", false));
    EXPECT_TRUE(en.RegisterVariable("Limit", "Integer", true));
    WriteInteger(*en.GetVariable("Limit"), 5);
    return 0;
  });
  e.LoadScript("begin Counter := Limit * 2; end.");
  ASSERT_EQ(e.ErrorCode(), 0);
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), 0);
  EXPECT_EQ(ReadInteger(*e.GetVariable("counter")), 10);
  e.ClearScript();
  e.LoadScript("begin Limit := 1; end.");
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), ecVariableExpected);
}

TEST(ScriptHost, ExternalDeclarationsAreResolvedByTheHook) {
  std::string library, entry;
  RunResult r = RunScript(
      "procedure Ding(n: Integer); external 'user32.dll' name 'MessageBeep'; stdcall;\n"
      "begin Ding(3); end.",
      [&](TIfPasScript& e) {
        e.SetOnExternal([&](TIfPasScript&, void*, TProcedure& proc, const std::string& lib, const std::string& ent) {
          library = lib;
          entry = ent;
          proc.callback = [](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
            return ReadInteger(Deref(args[0])) == 3 ? 0 : 0x8009;
          };
          return true;
        });
      });
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(library, "user32.dll");
  EXPECT_EQ(entry, "MessageBeep");
  // A hook that refuses gives an unknown identifier at the declaration.
  r = RunScript("procedure Ding; external 'x';\nbegin end.", [](TIfPasScript& e) {
    e.SetOnExternal([](TIfPasScript&, void*, TProcedure&, const std::string&, const std::string&) { return false; });
  });
  EXPECT_EQ(r.code, ecUnknownIdentifier);
  EXPECT_EQ(r.pos, 0);
}

class UnitTest : public ::testing::Test {
 protected:
  // The main engine attaches U (loaded from unitText) when it is used.
  RunResult RunWithUnit(const std::string& unitText, const std::string& script) {
    RunResult r;
    TIfPasScript main;
    int lines = 0;
    main.SetOnRunLine([&](TIfPasScript&, void*, std::int32_t) -> std::uint16_t { return ++lines > 10000 ? 255 : 0; });
    main.SetOnUses([&](TIfPasScript& en, void*, const std::string& name) -> std::uint16_t {
      if (name == "SYSTEM") {
        RegisterTestLibrary(en, &r.out);
        return 0;
      }
      auto* unit = new TIfPasScript;
      unit->SetOnUses([&](TIfPasScript& u, void*, const std::string&) -> std::uint16_t {
        RegisterTestLibrary(u, &r.out);
        return 0;
      });
      unit->LoadScript(unitText);
      if (unit->ErrorCode() != 0 || !en.AttachUnit(unit, true)) {
        delete unit;
        return ecUnitNotFound;
      }
      return 0;
    });
    main.LoadScript(script);
    if (main.ErrorCode() == 0) main.RunMain();
    r.code = main.ErrorCode();
    r.pos = main.ErrorPosition();
    r.module = main.ErrorModule();
    runLines = lines;
    return r;
  }
  int runLines = 0;
};

TEST_F(UnitTest, ProceduresAndGlobalsOfAUnitAreShared) {
  const std::string unit =
      "unit U;\nvar G: Integer;\nfunction F(x: Integer): Integer;\nbegin G := G + x; Result := G; end;\nend.";
  const RunResult r = RunWithUnit(unit, "uses U; begin Writeln(IntToStr(F(2) + F(3))); G := 10; Writeln(IntToStr(F(1))); end.");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "7\n11\n");
  EXPECT_GT(runLines, 3);  // the unit's statements reach the caller's hook too
}

TEST_F(UnitTest, AUnitErrorCarriesTheUnitsModuleAndPosition) {
  const std::string unit = "unit Calc;\nprocedure Bad;\nbegin\n  Writeln('in');\n  y := 1 div 0;\nend;\nend.";
  const RunResult r = RunWithUnit(unit, "uses Calc; begin Bad; end.");
  EXPECT_EQ(r.code, ecUnknownIdentifier);
  EXPECT_EQ(r.module, "CALC");
  EXPECT_EQ(r.pos, static_cast<std::int32_t>(unit.find("y :=")));
  EXPECT_EQ(r.out, "in\n");
}

TEST_F(UnitTest, AUnitRunsWithTheCallersStopHook) {
  const std::string unit = "unit Spin;\nprocedure Forever;\nbegin\n  while true do ;\nend;\nend.";
  const RunResult r = RunWithUnit(unit, "uses Spin; begin Forever; end.");
  EXPECT_EQ(r.code, 255);
}

TEST(ScriptHost, AttachUnitRefusesWhatIsNoUsableUnit) {
  TIfPasScript main, prog, unit, unit2;
  main.LoadScript("begin end.");
  prog.LoadScript("begin end.");
  unit.LoadScript("unit A; end.");
  unit2.LoadScript("unit a; end.");
  EXPECT_FALSE(main.AttachUnit(&main, false));
  EXPECT_FALSE(main.AttachUnit(nullptr, false));
  EXPECT_FALSE(main.AttachUnit(&prog, false));
  EXPECT_TRUE(main.AttachUnit(&unit, false));
  EXPECT_FALSE(main.AttachUnit(&unit2, false));  // the same module name
  main.ClearScript();
}

}  // namespace
}  // namespace tamber::script
