#include <gtest/gtest.h>

#include "script_test_support.h"

namespace tamber::script {
namespace {

struct OutputCase {
  const char* name;
  const char* decls;
  const char* body;
  const char* expected;
};

void CheckOutputs(const OutputCase* cases, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    const OutputCase& c = cases[k];
    const RunResult r = RunMain(c.decls, c.body);
    EXPECT_EQ(r.code, 0) << c.name << ": error at " << r.pos << " " << ErrorMessage(r.code, r.text);
    EXPECT_EQ(r.out, c.expected) << c.name;
  }
}

TEST(ScriptExpressions, FollowTheOperatorAndTypingRules) {
  static const OutputCase cases[] = {
      {"left operand's width", "var b: Byte;", "b := 250; Writeln(IntToStr(b + 10)); Writeln(IntToStr(10 + b));",
       "4\n260\n"},
      {"precedence", "", "Writeln(IntToStr(2 + 3 * 4 - 6 div 2)); Writeln(IntToStr((2 + 3) * 4));", "11\n20\n"},
      {"div and mod truncate", "",
       "Writeln(IntToStr(7 div 2)); Writeln(IntToStr(-7 div 2)); Writeln(IntToStr(-7 mod 3)); Writeln(IntToStr(7 mod -3));",
       "3\n-3\n-1\n1\n"},
      {"real division", "var x: Extended;", "x := 7 / 2; if x = 3.5 then Writeln('3.5');", "3.5\n"},
      {"integer wraps in its width", "var i: Integer; w: Word; c: Cardinal;",
       "i := 2147483647; i := i + 1; Writeln(IntToStr(i)); w := 65535; w := w + 1; Writeln(IntToStr(w));"
       "c := 0; c := c - 1; c := c div 2; Writeln(IntToStr(c));",
       "-2147483648\n0\n2147483647\n"},
      {"minimum longint literal", "var i: Integer;", "i := -2147483648; Writeln(IntToStr(i)); i := $FFFFFFFF; Writeln(IntToStr(i));",
       "-2147483648\n-1\n"},
      {"bitwise and shifts", "",
       "Writeln(IntToStr(12 and 10)); Writeln(IntToStr(12 or 3)); Writeln(IntToStr(12 xor 10));"
       "Writeln(IntToStr(1 shl 33)); Writeln(IntToStr(256 shr 4)); Writeln(IntToStr(not 0));",
       "8\n15\n6\n2\n16\n-1\n"},
      {"booleans", "var b: Boolean;",
       "b := (1 < 2) and not (3 > 4); if b then Writeln('t'); b := True xor True; if not b then Writeln('f');"
       "if (1 = 1) or (2 = 3) then Writeln('or');",
       "t\nf\nor\n"},
      {"string comparisons by bytes", "",
       "if 'abc' < 'abd' then Writeln('1'); if 'ab' < 'abc' then Writeln('2'); if 'b' > 'abc' then Writeln('3');"
       "if 'a' = #97 then Writeln('4'); if 'x' <> 'y' then Writeln('5');",
       "1\n2\n3\n4\n5\n"},
      {"appending to a string in place", "var s, t: string; i: Integer;",
       "s := 'a'; t := s; s := s + 'b' + s + #67; Writeln(s + ' ' + t); for i := 1 to 3 do s := s + IntToStr(i) + ','; Writeln(s);",
       "abaC a\nabaC1,2,3,\n"},
      {"char and string", "var c: Char; s: string;",
       "c := 'A'; s := c + 'B'; Writeln(s); s := s + c; Writeln(s); if c = 'A' then Writeln('eq');", "AB\nABA\neq\n"},
      {"literals join", "", "Writeln('it''s'); Writeln('a' 'b'); Writeln('x'#65#$42'y');", "it's\na'b\nxABy\n"},
      {"reals", "var r: Real; s: Single; e: Extended;",
       "r := 1.5e3; if r = 1500 then Writeln('1500'); r := 1e-3; if r < 0.002 then Writeln('small');"
       "e := 1 + 0.5; if e = 1.5 then Writeln('mixed'); s := 0.1; if s <> 0.1 then Writeln('single');",
       "1500\nsmall\nmixed\nsingle\n"},
      {"comp rounds", "var c: Comp; r: Real;", "c := 2.5; r := c; if r = 2 then Writeln('even'); c := 3.7; r := c; if r = 4 then Writeln('4');",
       "even\n4\n"},
      {"unary", "var i: Integer;", "i := 5; Writeln(IntToStr(-i)); Writeln(IntToStr(+i)); Writeln(IntToStr(- -i));",
       "-5\n5\n5\n"},
      {"consts", "const A = 10; B = A * 2; S = 'x' + 'y';", "Writeln(IntToStr(B)); Writeln(S);", "20\nxy\n"},
      {"class variables hold nil", "var o: TObject;", "o := nil; if o = nil then Writeln('nil');", "nil\n"},
      {"enumerations", "type TColor = (Red, Green, Blue); var c: TColor;",
       "c := Green; if c = Green then Writeln('g'); if Red < Blue then Writeln('lt'); if c <> Blue then Writeln('ne');",
       "g\nlt\nne\n"},
  };
  CheckOutputs(cases, std::size(cases));
}

TEST(ScriptStatements, RunAsPascalDoes) {
  static const OutputCase cases[] = {
      {"if else", "var i: Integer;", "i := 3; if i > 2 then Writeln('big') else Writeln('small'); if i > 5 then Writeln('x') else Writeln('y');",
       "big\ny\n"},
      {"nested if binds else to the inner", "", "if true then if false then Writeln('a') else Writeln('b');", "b\n"},
      {"case with lists and else", "var i: Integer;",
       "for i := 1 to 4 do case i of 1: Writeln('one'); 2, 3: Writeln('two or three'); else Writeln('other'); end;",
       "one\ntwo or three\ntwo or three\nother\n"},
      {"case runs only the first match", "", "case 2 of 2: Writeln('first'); 1 + 1: Writeln('second'); end;", "first\n"},
      {"case on strings", "var s: string;", "s := 'b'; case s of 'a': Writeln('A'); 'b': Writeln('B'); end;", "B\n"},
      {"for to and downto", "var i: Integer; s: string;",
       "s := ''; for i := 1 to 3 do s := s + IntToStr(i); for i := 3 downto 1 do s := s + IntToStr(i); Writeln(s);",
       "123321\n"},
      {"for without iterations leaves the end bound", "var i: Integer;", "i := 7; for i := 5 to 1 do Writeln('no'); Writeln(IntToStr(i));",
       "1\n"},
      {"for keeps the last value", "var i: Integer;", "for i := 1 to 3 do ; Writeln(IntToStr(i));", "3\n"},
      {"for over a byte converts the bound", "var b: Byte; n: Integer;", "n := 0; for b := 1 to 300 do n := n + 1; Writeln(IntToStr(n));",
       "44\n"},
      {"while", "var i: Integer;", "i := 0; while i < 3 do i := i + 1; Writeln(IntToStr(i));", "3\n"},
      {"repeat", "var i: Integer;", "i := 0; repeat i := i + 2 until i >= 5; Writeln(IntToStr(i));", "6\n"},
      {"break and continue", "var i: Integer; s: string;",
       "s := ''; for i := 1 to 10 do begin if i = 2 then continue; if i = 5 then break; s := s + IntToStr(i) end; Writeln(s);"
       "i := 0; while true do begin i := i + 1; if i > 3 then break end; Writeln(IntToStr(i));"
       "i := 0; repeat i := i + 1; if i < 3 then continue; break until false; Writeln(IntToStr(i));",
       "134\n4\n3\n"},
      {"break leaves only the inner loop", "var i, j, n: Integer;",
       "n := 0; for i := 1 to 3 do for j := 1 to 3 do begin if j = 2 then break; n := n + 1 end; Writeln(IntToStr(n));",
       "3\n"},
      {"empty statements", "", "; ; begin end; begin ; end; Writeln('ok');;", "ok\n"},
      {"with a record", "type TP = record x, y: Integer; end; var p: TP;",
       "with p do begin x := 1; y := 2 end; Writeln(IntToStr(p.x + p.y));", "3\n"},
      {"with two records: the first listed wins", "type TA = record v: Integer; end; TB = record v, w: Integer; end; var a: TA; b: TB;",
       "with a, b do begin v := 5; w := 6 end; Writeln(IntToStr(a.v) + ' ' + IntToStr(b.v) + ' ' + IntToStr(b.w));", "5 0 6\n"},
  };
  CheckOutputs(cases, std::size(cases));
}

TEST(ScriptProcedures, PassValueVarAndConstParameters) {
  static const OutputCase cases[] = {
      {"value parameter is a copy", "procedure P(x: Integer); begin x := x + 1; end; var i: Integer;",
       "i := 1; P(i); Writeln(IntToStr(i));", "1\n"},
      {"var parameter writes through", "procedure P(var x: Integer); begin x := x + 1; end; var i: Integer;",
       "i := 1; P(i); P(i); Writeln(IntToStr(i));", "3\n"},
      {"function result and own name", "function Sq(x: Integer): Integer; begin Sq := x * x; end;"
       "function Cube(x: Integer): Integer; begin Result := Sq(x) * x; end;",
       "Writeln(IntToStr(Cube(3)));", "27\n"},
      {"recursion", "function F(n: Integer): Integer; begin if n < 2 then Result := n else Result := F(n - 1) + F(n - 2); end;",
       "Writeln(IntToStr(F(20)));", "6765\n"},
      {"locals are fresh per call", "function F(n: Integer): string; var s: string; begin s := s + 'x'; if n > 0 then Result := s + F(n - 1) else Result := s; end;",
       "Writeln(F(3));", "xxxx\n"},
      {"exit leaves the procedure", "procedure P; begin Writeln('a'); exit; Writeln('b'); end;", "P; P(); Writeln('c');", "a\na\nc\n"},
      {"forward declaration", "procedure B(n: Integer); forward; procedure A(n: Integer); begin if n > 0 then B(n - 1); Writeln('A' + IntToStr(n)); end;"
       "procedure B(n: Integer); begin A(n); end;",
       "A(2);", "A0\nA1\nA2\n"},
      {"var parameter of a record field and array element", "type TR = record v: Integer; end; var r: TR; a: array of Integer;"
       "procedure Inc2(var x: Integer); begin x := x + 2; end;",
       "Inc2(r.v); SetArrayLength(a, 2); Inc2(a[1]); Writeln(IntToStr(r.v) + IntToStr(a[1]));", "22\n"},
      {"exit in main ends quietly", "", "Writeln('a'); exit; Writeln('b');", "a\n"},
  };
  CheckOutputs(cases, std::size(cases));
}

TEST(ScriptProcedures, ProceduralValuesAreTakenWithAtAndCalledWithCaret) {
  static const OutputCase cases[] = {
      {"call through a variable", "type TFn = function(x: Integer): Integer; var f, g: TFn;"
       "function Twice(x: Integer): Integer; begin Result := x * 2; end;"
       "function Neg(x: Integer): Integer; begin Result := -x; end;",
       "f := @Twice; g := f; Writeln(IntToStr(f^(21))); f := @Neg; Writeln(IntToStr(f^(5) + g^(5)));"
       "if f <> g then Writeln('differ'); f := nil; if f = nil then Writeln('nil');",
       "42\n5\ndiffer\nnil\n"},
      {"procedure without parameters", "type TP = procedure; var p: TP; procedure Hello; begin Writeln('hello'); end;",
       "p := @Hello; p^; p^();", "hello\nhello\n"},
  };
  CheckOutputs(cases, std::size(cases));
  // A procedure whose parameters differ does not fit; a nil value cannot be called.
  RunResult r = RunMain("type TFn = function(x: Integer): Integer; var f: TFn; function S(x: string): Integer; begin end;",
                        "f := @S;");
  EXPECT_EQ(r.code, ecTypeMismatch);
  r = RunMain("type TP = procedure; var p: TP;", "p^;");
  EXPECT_EQ(r.code, ecClassNotInitialized);
}

TEST(ScriptArraysAndRecords, HaveValueSemantics) {
  static const OutputCase cases[] = {
      {"array literal and index", "var a: array of Integer;",
       "a := [3, 4, 5]; Writeln(IntToStr(a[0] + a[2])); Writeln(IntToStr(GetArrayLength(a)));", "8\n3\n"},
      {"assignment copies", "var a, b: array of Integer;", "a := [1, 2]; b := a; b[0] := 9; Writeln(IntToStr(a[0]) + IntToStr(b[0]));",
       "19\n"},
      {"SetArrayLength keeps and zeroes", "var a: array of string;",
       "SetArrayLength(a, 1); a[0] := 'x'; SetArrayLength(a, 3); Writeln(a[0] + '|' + a[2] + '|'); Writeln(IntToStr(Length(a)));",
       "x||\n3\n"},
      {"arrays of arrays", "type TRow = array of Integer; var m: array of TRow; i: Integer;",
       "SetArrayLength(m, 2); for i := 0 to 1 do begin SetArrayLength(m[i], 2); m[i][1] := i + 10; end;"
       "Writeln(IntToStr(m[0][1] + m[1, 1]));", "21\n"},
      {"record copies", "type TR = record a: Integer; s: string; end; var x, y: TR;",
       "x.a := 1; x.s := 'p'; y := x; y.a := 2; y.s := y.s + 'q'; Writeln(IntToStr(x.a) + x.s + IntToStr(y.a) + y.s);", "1p2pq\n"},
      {"array of records", "type TR = record n: Integer; end; var a: array of TR;",
       "SetArrayLength(a, 2); a[1].n := 7; with a[1] do n := n + 1; Writeln(IntToStr(a[1].n));", "8\n"},
  };
  CheckOutputs(cases, std::size(cases));
}

TEST(ScriptExceptions, TryCatchesRunTimeErrorsOnly) {
  static const OutputCase cases[] = {
      {"except catches and continues", "var a: array of Integer;",
       "try Writeln('in'); a[3] := 1; Writeln('not'); except Writeln('caught'); end; Writeln('after');", "in\ncaught\nafter\n"},
      {"finally runs on success", "", "try Writeln('a'); finally Writeln('f'); end;", "a\nf\n"},
      {"nested: finally then outer except", "var i: Integer;",
       "try try i := 1 div 0; finally Writeln('fin'); end; except Writeln('exc'); end;", "fin\nexc\n"},
      {"break runs finally", "var i: Integer;", "for i := 1 to 3 do try if i = 2 then break; Writeln(IntToStr(i)); finally Writeln('f'); end;",
       "1\nf\nf\n"},
      {"exit in try except leaves the procedure", "procedure P; begin try exit; except Writeln('no'); end; Writeln('no2'); end;",
       "P; Writeln('done');", "done\n"},
      {"exit runs finally", "procedure P; begin try exit; finally Writeln('f'); end; end;", "P; Writeln('done');", "f\ndone\n"},
  };
  CheckOutputs(cases, std::size(cases));
  // finally with an error: runs and fails with the error.
  RunResult r = RunMain("var a: array of Integer;", "try a[0] := 1; finally Writeln('fin'); end; Writeln('no');");
  EXPECT_EQ(r.out, "fin\n");
  EXPECT_EQ(r.code, ecOutOfRange);
  // A type mismatch is not caught.
  r = RunMain("var s: string;", "try s := 1; except Writeln('no'); end;");
  EXPECT_EQ(r.code, ecTypeMismatch);
  EXPECT_EQ(r.out, "");
}

// Fix d: a var argument naming an array element stays usable when the array
// is resized during the call.
TEST(ScriptSafety, VarArgumentSurvivesResizeOfItsArray) {
  const RunResult r = RunMain(
      "var a: array of string;"
      "procedure P(var s: string); begin SetArrayLength(a, 0); SetArrayLength(a, 100); s := 'kept'; Writeln(s); end;",
      "SetArrayLength(a, 1); P(a[0]); Writeln('[' + a[0] + ']');");
  EXPECT_EQ(r.code, 0) << r.code;
  EXPECT_EQ(r.out, "kept\n[]\n");
}

TEST(ScriptSafety, LimitsEndRunsWithOutOfMemory) {
  // Recursion beyond MaxDepth.
  RunResult r = RunScript("procedure P; begin P; end; begin P; end.",
                          [](TIfPasScript& e) { e.SetMaxDepth(100); });
  EXPECT_EQ(r.code, ecOutOfMemory);
  // Unlimited depth still stops before the stack runs out.
  r = RunScript("procedure P; begin P; end; begin P; end.");
  EXPECT_EQ(r.code, ecOutOfMemory);
  // Arrays beyond MaxArrayLength.
  r = RunScript("var a: array of Integer; begin SetArrayLength(a, 11); end.",
                [](TIfPasScript& e) { e.SetMaxArrayLength(10); });
  EXPECT_EQ(r.code, ecOutOfMemory);
  r = RunScript("var a: array of Integer; begin SetArrayLength(a, 10); end.",
                [](TIfPasScript& e) { e.SetMaxArrayLength(10); });
  EXPECT_EQ(r.code, 0);
  // Deeply nested parentheses end in an error, not a crash.
  std::string deep = "var i: Integer; begin i := " + std::string(20000, '(') + "1" + std::string(20000, ')') + "; end.";
  r = RunScript(deep);
  EXPECT_EQ(r.code, ecOutOfMemory);
  // So do deeply nested blocks and types.
  std::string blocks;
  for (int k = 0; k < 5000; ++k) blocks += "begin ";
  for (int k = 0; k < 5000; ++k) blocks += "end ";
  r = RunScript("begin " + blocks + "end.");
  EXPECT_EQ(r.code, ecOutOfMemory);
  std::string types = "var a: ";
  for (int k = 0; k < 50000; ++k) types += "array of ";
  r = RunScript(types + "Integer; begin end.");
  EXPECT_EQ(r.code, ecOutOfMemory);
  EXPECT_FALSE(r.loaded);
}

TEST(ScriptHooks, RunLineSeesStatementsAndCanStopAnyLoop) {
  int calls = 0;
  RunResult r = RunScript("var i: Integer; begin while true do i := i + 1; end.", [&](TIfPasScript& e) {
    e.SetOnRunLine([&](TIfPasScript&, void*, std::int32_t) -> std::uint16_t { return ++calls > 1000 ? 255 : 0; });
  });
  EXPECT_EQ(r.code, 255);
  EXPECT_GT(calls, 1000);
  // A stop is not caught by try.
  calls = 0;
  r = RunScript("var i: Integer; begin try repeat i := i + 1 until false; except Writeln('no'); end; end.",
                [&](TIfPasScript& e) {
                  e.SetOnRunLine([&](TIfPasScript&, void*, std::int32_t) -> std::uint16_t { return ++calls > 50 ? 0x8005 : 0; });
                });
  EXPECT_EQ(r.code, 0);  // a quiet stop
  EXPECT_EQ(r.out, "");
  // Positions are those of the statements' first tokens.
  std::vector<std::int32_t> seen;
  RunScript("begin Writeln('a'); if true then ; end.", [&](TIfPasScript& e) {
    e.SetOnRunLine([&](TIfPasScript&, void*, std::int32_t pos) -> std::uint16_t {
      seen.push_back(pos);
      return 0;
    });
  });
  EXPECT_EQ(seen, (std::vector<std::int32_t>{6, 20}));
}

TEST(ScriptHooks, CallbacksWriteVarArgumentsButNotValueArguments) {
  auto lib = [](TIfPasScript& e, std::string*) {
    e.RegisterFunction(
        [](TIfPasScript&, void*, TProcedure& p, Value*, std::span<Value> args) -> std::uint16_t {
          WriteInteger(Deref(args[0]), 42);
          WriteInteger(Deref(args[1]), 43);
          WriteString(Deref(args[2]), "w");
          return 0;
        },
        "procedure Poke(var a: Integer, b: Integer; var s: string)");  // comma-separated groups register too
    e.RegisterFunction([](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value>) -> std::uint16_t { return 0x8009; },
                       "procedure Fails");
  };
  RunResult r = RunScript("var a, b: Integer; s: string; begin Poke(a, b, s); Writeln(IntToStr(a) + ' ' + IntToStr(b) + s); end.",
                          {}, lib);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "42 0w\n");
  r = RunScript("begin Writeln('a'); Fails; Writeln('b'); end.", {}, lib);
  EXPECT_EQ(r.code, 0x8009);
  EXPECT_EQ(r.pos, 20);
  EXPECT_EQ(r.out, "a\n");
}

TEST(ScriptDeclarations, RegistrationStringsAreReadLeniently) {
  TIfPasScript e;
  auto cb = [](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value>) -> std::uint16_t { return 0; };
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    TProcedure* p = en.RegisterFunction(cb, "fucntion Twice(a, b: Integer; const s: string): Integer;");
    EXPECT_NE(p, nullptr);
    if (p) {
      EXPECT_EQ(p->name, "TWICE");
      EXPECT_TRUE(p->decl.isFunction);  // any first word but procedure
      EXPECT_EQ(p->decl.params.size(), 3u);
      if (p->decl.params.size() == 3) {
        EXPECT_EQ(p->decl.params[2].mode, pmConst);
        EXPECT_EQ(p->decl.params[2].name, "S");
      }
      EXPECT_EQ(p->decl.result, en.FindType("LONGINT"));
    }
    EXPECT_EQ(en.RegisterFunction(cb, "procedure Bad(a b: Integer)"), nullptr);
    return 0;
  });
  e.LoadScript("begin end.");
  EXPECT_EQ(e.ErrorCode(), 0);
}

TEST(ScriptEngine, LoadRunClearAndLoadAgain) {
  TIfPasScript e;
  std::string out;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterTestLibrary(en, &out);
    return 0;
  });
  e.LoadScript("var s: string; begin s := 'one'; Writeln(s); end.");
  e.RunMain();
  e.ClearScript();
  e.LoadScript("program Two; var t: string; begin t := 'two'; Writeln(t); end.");
  EXPECT_EQ(e.ModuleName(), "TWO");
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), 0);
  EXPECT_EQ(out, "one\ntwo\n");
  // An empty text loads and runs without doing anything.
  e.ClearScript();
  e.LoadScript("");
  EXPECT_EQ(e.ErrorCode(), 0);
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), 0);
}

TEST(ScriptEngine, ShiftJisStringsAndCommentsPassThrough) {
  // 表示 in CP932 is 95 5C 8E A6: its first trail byte is a backslash; マ (83 7D) in a comment.
  const RunResult r = RunScript("{ \x83\x7D }\r\nbegin // \x83\x7D\r\n Writeln('\x95\x5C\x8E\xA6'); end.");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "\x95\x5C\x8E\xA6\n");
}

TEST(ScriptEngine, ResourcesAreReleasedInReverseOrder) {
  TIfPasScript e;
  std::string order;
  e.LoadScript("begin end.");
  int a = 0, b = 0;
  e.AddResource(&a, [&](void*) { order += 'a'; });
  e.AddResource(&b, [&](void*) { order += 'b'; });
  EXPECT_TRUE(e.ContainsResource(&a));
  e.ClearScript();
  EXPECT_EQ(order, "ba");
  EXPECT_FALSE(e.ContainsResource(&a));
}

}  // namespace
}  // namespace tamber::script
