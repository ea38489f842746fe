// The error table: each script marks with ` the byte where its error lies.
#include <gtest/gtest.h>

#include "script_test_support.h"

namespace tamber::script {
namespace {

struct ErrorCase {
  const char* script;
  std::uint16_t code;
  const char* text = "";
  const char* out = "";
};

void CheckErrors(const ErrorCase* cases, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    std::string s = cases[k].script;
    const std::size_t mark = s.find('`');
    ASSERT_NE(mark, std::string::npos) << s;
    s.erase(mark, 1);
    const RunResult r = RunScript(s);
    EXPECT_EQ(r.code, cases[k].code) << s;
    EXPECT_EQ(r.pos, static_cast<std::int32_t>(mark)) << s;
    EXPECT_EQ(r.text, cases[k].text) << s;
    EXPECT_EQ(r.out, cases[k].out) << s;
  }
}

TEST(ScriptErrors, TokenizerFaultsStopTheLoad) {
  static const ErrorCase cases[] = {
      {"begin `{ open", ecCommentError},
      {"begin end. `// no break", ecCommentError},
      {"begin Writeln(`'abc\r\n'); end.", ecStringError},
      {"begin Writeln(`#65x); end.", ecCharError},
      {"begin `! end.", ecSyntaxError},
      {"begin Writeln(`\x83\x41); end.", ecSyntaxError},
      {"var r: Real; begin r := `1e; end.", ecSyntaxError},
      {"var i: Integer; begin i := `4294967296; end.", ecSyntaxError},
  };
  CheckErrors(cases, std::size(cases));
}

TEST(ScriptErrors, DeclarationFaultsAreFoundAtLoad) {
  static const ErrorCase cases[] = {
      {"program `; begin end.", ecIdentifierExpected},
      {"program X `begin end.", ecSemicolonExpected},
      {"uses `SYSTEM; begin end.", ecDuplicateIdentifier},
      {"type T `Integer; begin end.", ecIsExpected},
      {"type T = array `Integer; begin end.", ecOfExpected},
      {"type T = `Foo; begin end.", ecUnknownIdentifier, "FOO"},
      {"type T = record a: Integer; `a: string; end; begin end.", ecDuplicateIdentifier},
      {"type T = record a `Integer; end; begin end.", ecColonExpected},
      {"type T = record a: Integer `b: Integer end; begin end.", ecSemicolonExpected},
      {"type T = (A, B `; begin end.", ecCloseRoundExpected},
      {"var T: `class end; begin end.", ecClassNotDeclared},
      {"var x `Integer; begin end.", ecColonExpected},
      {"var x: Integer `begin end.", ecSemicolonExpected},
      {"var x, `x: Integer; begin end.", ecDuplicateIdentifier},
      {"var x: Integer; `x: string; begin end.", ecDuplicateIdentifier},
      {"const C `1; begin end.", ecIsExpected},
      {"procedure P(a `b: Integer); begin end; begin end.", ecCommaExpected},
      {"procedure P(a: Integer `b: Integer); begin end; begin end.", ecSemicolonExpected},
      {"procedure P(`P: Integer); begin end; begin end.", ecDuplicateIdentifier},
      {"procedure P(`Result: Integer); begin end; begin end.", ecDuplicateIdentifier},
      {"function F`; begin end; begin end.", ecColonExpected},
      {"`procedure P; forward; begin end.", ecInvalidForward, "P"},
      {"procedure P(a: Integer); forward; `procedure P(b: Integer); begin end; begin end.", ecParameterError},
      {"procedure P; begin end; procedure `P; begin end; begin end.", ecDuplicateIdentifier},
      {"`procedure P; external 'lib'; begin end.", ecUnknownIdentifier, "P"},
      {"procedure P; external `1; begin end.", ecStringExpected},
      {"`x := 1; begin end.", ecBeginExpected},
      {"var x: Integer;`", ecUnexpectedEnd},
      {"procedure P; begin if true then begin end; `", ecUnexpectedEnd},
  };
  CheckErrors(cases, std::size(cases));
}

TEST(ScriptErrors, StatementFaultsSurfaceWhenRun) {
  static const ErrorCase cases[] = {
      {"begin Writeln('a'); `x := 1; end.", ecUnknownIdentifier, "X", "a\n"},
      {"begin if true `Writeln('a'); end.", ecThenExpected},
      {"begin if 1 `then ; end.", ecTypeMismatch},
      {"begin Writeln('a') end`", ecPeriodExpected, "", "a\n"},
      {"var i: Integer; begin i := 'x'`; end.", ecTypeMismatch},
      {"var s: string; begin s := 1.5`; end.", ecTypeMismatch},
      {"var b: Boolean; begin b := 1`; end.", ecTypeMismatch},
      {"var i: Integer; begin for i := 1 to 3 do `i := 2; end.", ecVariableExpected},
      {"var s: string; begin for `s := 1 to 3 do ; end.", ecIntegerExpected},
      {"var i: Integer; begin for i `= 1 to 3 do ; end.", ecAssignmentExpected},
      {"var i: Integer; begin for i := 1 `do ; end.", ecToExpected},
      {"var i: Integer; begin for i := 1 to 2 `i := 1; end.", ecDoExpected},
      {"begin for `1 := 1 to 2 do ; end.", ecIdentifierExpected},
      {"begin while true `Writeln('x'); end.", ecDoExpected},
      {"var i: Integer; begin repeat i := 1; `end; end.", ecUntilExpected},
      {"begin case 1 `1: ; end; end.", ecOfExpected},
      {"begin case 1 of 1 `; end; end.", ecColonExpected},
      {"begin try Writeln('a'); `end; end.", ecExceptExpected},
      {"var i: Integer; begin i := 1 `div 0; end.", ecDivideByZero},
      {"var i: Integer; begin i := 1 `mod 0; end.", ecDivideByZero},
      {"var r: Real; begin r := 1 `/ 0; end.", ecDivideByZero},
      {"var a: array of Integer; begin a[0`] := 1; end.", ecOutOfRange},
      {"var i: Integer; begin i := i[0`]; end.", ecTypeMismatch},
      {"procedure P(a: Integer); begin end; begin P`; end.", ecRoundOpenExpected},
      {"procedure P(a: Integer); begin end; begin P(1`; end.", ecRoundCloseExpected},
      {"procedure P(a, b: Integer); begin end; begin P(1`); end.", ecCommaExpected},
      {"procedure P(var a: Integer); begin end; begin P(`1); end.", ecIdentifierExpected},
      {"procedure P(var a: Integer); begin end; function F: Integer; begin end; begin P(F`); end.", ecVariableExpected},
      {"const C = 1; procedure P(var a: Integer); begin end; begin P(`C); end.", ecVariableExpected},
      {"procedure P(var a: Integer); begin end; var s: string; begin P(`s); end.", ecTypeMismatch},
      {"procedure P(const a: Integer); begin `a := 1; end; var i: Integer; begin P(i); end.", ecVariableExpected},
      {"const C = 1; begin `C := 2; end.", ecVariableExpected},
      {"var i: Integer; begin i`; end.", ecAssignmentExpected},
      {"begin Writeln('a'); `else end.", ecErrorInStatement, "", "a\n"},
      {"begin `) end.", ecErrorInStatement},
      {"var i: Integer; begin i := 1 `2; end.", ecErrorInExpression},
      {"var i: Integer; begin i := (1 + 2`; end.", ecCloseRoundExpected},
      {"var a: array of Integer; begin a := [1 `2]; end.", ecCloseBlock},
      {"var i: Integer; begin i := `[1]; end.", ecTypeMismatch},
      {"var i: Integer; begin i := 1 + `; end.", ecErrorInExpression},
      {"begin Writeln('a'); `break; end.", ecPeriodExpected, "", "a\n"},
      {"type T = Integer; var i: Integer; begin i := `T; end.", ecNotClass},
      {"var i: Integer; begin with `i do ; end.", ecNotClass},
      {"var s: string; begin s := 'a' `- 'b'; end.", ecTypeMismatch},
      {"var c: Char; begin c := 'ab'`; end.", ecTypeMismatch},
      {"var b: Boolean; begin b := `-True; end.", ecTypeMismatch},
      {"begin Writeln('a'); `x(; Writeln('b'); end.", ecUnknownIdentifier, "X", "a\n"},
  };
  CheckErrors(cases, std::size(cases));
}

// Shift-JIS texts: 日本語 93 FA 96 7B 8C EA, 表示 95 5C 8E A6 (a backslash trail
// byte), マ 83 7D (a brace trail byte). Positions count bytes.
TEST(ScriptErrors, PositionsInShiftJisTextsCountBytes) {
  static const ErrorCase cases[] = {
      {"{ \x93\xFA\x96\x7B\x8C\xEA \x83\x7D }\r\nbegin\r\n  Writeln('\x95\x5C\x8E\xA6');\r\n  `x := 1;\r\nend.",
       ecUnknownIdentifier, "X", "\x95\x5C\x8E\xA6\n"},
      {"begin // \x83\x7D\x83\x7D\r\n  Writeln(`'\x93\xFA\x96\x7B\r\n'); end.", ecStringError},
      {"(* \x83\x7D *) var s: string; begin s := '\x83\x7D' `+ 1; end.", ecTypeMismatch},
      {"begin Writeln('\x93\xFA'); `\x93\xFA := 1; end.", ecSyntaxError},
  };
  CheckErrors(cases, std::size(cases));
}

TEST(ScriptErrors, FaultsInStatementsThatDoNotRunStayQuiet) {
  const RunResult r = RunScript("var i: Integer; begin if false then i := ; Writeln('ok'); end.");
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(r.out, "ok\n");
  // A procedure that is never called may hold any statement fault.
  EXPECT_EQ(RunScript("procedure P; begin x := 1 + ; end; begin end.").code, 0);
}

TEST(ScriptErrors, UsesHookAcceptsOrRefusesNames) {
  std::vector<std::string> seen;
  auto hook = [&](TIfPasScript& e) {
    e.SetOnUses([&](TIfPasScript& en, void*, const std::string& name) -> std::uint16_t {
      seen.push_back(name);
      if (name == "SYSTEM") RegisterEarlyLibrary(en);
      return name == "BAD" ? ecUnitNotFound : 0;
    });
  };
  RunResult r = RunScript("uses Alpha, Beta; begin end.", hook);
  EXPECT_EQ(r.code, 0);
  EXPECT_EQ(seen, (std::vector<std::string>{"SYSTEM", "ALPHA", "BETA"}));
  r = RunScript("uses Alpha, Bad; begin end.", hook);
  EXPECT_EQ(r.code, ecUnitNotFound);
  EXPECT_EQ(r.pos, 12);
  r = RunScript("uses Alpha Beta; begin end.", hook);
  EXPECT_EQ(r.code, ecSemicolonExpected);
  EXPECT_EQ(r.pos, 11);
  r = RunScript("uses Alpha, Alpha; begin end.", hook);
  EXPECT_EQ(r.code, ecDuplicateIdentifier);
  // Without a hook every used name is unknown.
  TIfPasScript e;
  e.LoadScript("uses Alpha; begin end.");
  EXPECT_EQ(e.ErrorCode(), ecUnknownIdentifier);
  EXPECT_EQ(e.ErrorText(), "ALPHA");
}

TEST(ScriptErrors, ErrorRecordNamesTheModule) {
  RunResult r = RunScript("program Demo; begin x := 1; end.");
  EXPECT_EQ(r.module, "DEMO");
  r = RunScript("begin x := 1; end.");
  EXPECT_EQ(r.module, "MAIN");
}

TEST(ScriptErrors, MessagesAreTheJapaneseTexts) {
  EXPECT_EQ(ErrorMessage(0, ""), "正常終了");
  EXPECT_EQ(ErrorMessage(3, "FOO"), "未定義の識別子: FOO");
  EXPECT_EQ(ErrorMessage(3, ""), "未定義の識別子");
  EXPECT_EQ(ErrorMessage(14, ""), "タイプが違います");
  EXPECT_EQ(ErrorMessage(37, "P"), "フォワード宣言が不正です" "P");
  EXPECT_EQ(ErrorMessage(0x8003, ""), "零での除算が発生します");
  EXPECT_EQ(ErrorMessage(0x8009, "own text"), "own text");
  EXPECT_EQ(ErrorMessage(0x800A, ""), "メモリー不足");
  EXPECT_EQ(ErrorMessage(0x8005, ""), "未知のエラー");
  EXPECT_EQ(ErrorMessage(999, ""), "未知のエラー");
}

}  // namespace
}  // namespace tamber::script
