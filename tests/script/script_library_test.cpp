// The built-in library and the object model, run through the whole SYSTEM
// library as tamber-script registers it.
#include <gtest/gtest.h>

#include "script/script_system.h"
#include "script_test_support.h"

namespace tamber::script {
namespace {

RunResult RunFull(const std::string& decls, const std::string& body) {
  RunResult r;
  TIfPasScript e;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string& name) -> std::uint16_t {
    if (name != "SYSTEM") return ecUnitNotFound;
    RegisterSystemLibrary(en);
    en.RegisterFunction(
        [&r](TIfPasScript&, void*, TProcedure&, Value*, std::span<Value> args) -> std::uint16_t {
          r.out += ReadString(Deref(args[0]));
          r.out += '\n';
          return 0;
        },
        "procedure Writeln(s: string)");
    return 0;
  });
  e.LoadScript(decls + "\nbegin\n" + body + "\nend.\n");
  if (e.ErrorCode() == 0) {
    r.loaded = true;
    e.RunMain();
  }
  r.code = e.ErrorCode();
  r.pos = e.ErrorPosition();
  r.text = e.ErrorText();
  e.ClearScript();
  return r;
}

struct Case {
  const char* name;
  const char* decls;
  const char* body;
  const char* expected;  // output, when code is 0
  std::uint16_t code = 0;
  const char* text = "";
};

void Check(const Case* cases, std::size_t n) {
  for (std::size_t k = 0; k < n; ++k) {
    const Case& c = cases[k];
    const RunResult r = RunFull(c.decls, c.body);
    EXPECT_EQ(r.code, c.code) << c.name << ": " << ErrorMessage(r.code, r.text) << " at " << r.pos;
    if (c.code == 0) {
      EXPECT_EQ(r.out, c.expected) << c.name;
    } else {
      EXPECT_EQ(r.text, c.text) << c.name;
    }
  }
}

// Shift-JIS: ソ is 83 5C, ａ (full-width a) is 82 81, 表 is 95 5C, ｚ is 82 9A.
TEST(ScriptLibrary, TextFunctions) {
  static const Case cases[] = {
      {"case changes ASCII only", "", "Writeln(Uppercase('abc\x83\x5C' 'xyz') + LowerCase('ABC\x82\x81Z'));",
       "ABC\x83\x5C'XYZabc\x82\x81z\n"},
      {"trail bytes in a-z are not case-changed", "", "Writeln(Uppercase('\x82\x9A\x82\x81'));", "\x82\x9A\x82\x81\n"},
      {"a trail byte is not a backslash", "",
       "Writeln(IntToStr(Pos('\\', '\x83\x5C\x95\x5C'))); Writeln(IntToStr(Pos('\\', '\x83\x5C\\')));"
       "Writeln(IntToStr(Pos('\x95\x5C', '\x83\x5C\x95\x5C')));",
       "0\n3\n3\n"},
      {"pos", "", "Writeln(IntToStr(Pos('lo', 'hello'))); Writeln(IntToStr(Pos('', 'abc'))); Writeln(IntToStr(Pos('x', '')));",
       "4\n0\n0\n"},
      {"copy clips", "", "Writeln(Copy('abc', 2, 5) + '|' + Copy('abc', 0, 2) + '|' + Copy('abc', 4, 1) + '|' + Copy('abc', 2, -1));",
       "bc|ab||\n"},
      {"left", "", "Writeln(Left('abc', 0) + '|' + Left('abc', 2) + '|' + Left('abc', 9) + '|' + Left('abc', -1));",
       "|ab|abc|\n"},
      {"delete clips", "var s: string;",
       "s := 'abcdef'; Delete(s, 2, 2); Writeln(s); Delete(s, 3, 99); Writeln(s); Delete(s, 0, 1); Delete(s, 9, 1); Writeln(s);",
       "adef\nad\nad\n"},
      {"insert", "var s: string;", "s := 'ad'; Insert('bc', s, 2); Writeln(s); Insert('!', s, 99); Insert('<', s, 0); Writeln(s);",
       "abcd\n<abcd!\n"},
      {"trim spaces only", "", "Writeln('[' + Trim('  a b \t ') + ']' + '[' + Trim('') + ']');", "[a b \t][]\n"},
      {"replicate and StringOfChar", "",
       "Writeln(replicate('xy', 3) + '|' + replicate('', 3) + '|' + StringOfChar('-', 0) + '|' + StringOfChar('=', -2) + '|' + StringOfChar('ab', 2));",
       "xxx||||aa\n"},
      {"SetLength zero-fills and cuts", "var s: string;",
       "s := 'ab'; SetLength(s, 4); Writeln(IntToStr(Length(s)) + ' ' + IntToStr(Ord(StrGet(s, 3))) + IntToStr(Ord(StrGet(s, 4))));"
       "SetLength(s, 1); Writeln(s); SetLength(s, -3); Writeln('[' + s + ']');",
       "4 00\na\n[]\n"},
      {"StrGet and StrSet", "var s: string;", "s := 'abc'; StrSet('X', 2, s); Writeln(s + StrGet(s, 3));", "aXcc\n"},
      {"StrGet out of range", "var s: string;", "s := 'abc'; Writeln(StrGet(s, 4));", "", ecOutOfRange},
      {"StrSet out of range", "var s: string;", "s := ''; StrSet('a', 1, s);", "", ecOutOfRange},
      {"Chr, Ord, Length", "",
       "Writeln(Chr(65) + Chr(48)); Writeln(IntToStr(Ord('a')) + ' ' + IntToStr(Length('\x83\x5C' 'a')));", "A0\n97 4\n"},
      {"Ord of a longer string", "", "Writeln(IntToStr(Ord('ab')));", "", ecOutOfRange},
      {"Version", "", "Writeln(Version);", "2.82\n"},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptLibrary, NumberFunctions) {
  static const Case cases[] = {
      {"StrToInt", "", "Writeln(IntToStr(StrToInt('42') + StrToInt('-2') + StrToInt('$10') + StrToInt(' 1')));", "57\n"},
      {"StrToInt of no number ends the run", "", "Writeln(IntToStr(StrToInt('4x')));", "", ecCustomError,
       "'4x' is not a valid integer value"},
      {"StrToInt out of range", "", "Writeln(IntToStr(StrToInt('2147483648')));", "", ecCustomError,
       "'2147483648' is not a valid integer value"},
      {"Int rounds half up towards zero", "",
       "Writeln(IntToStr(Int(2.5)) + ' ' + IntToStr(Int(-2.5)) + ' ' + IntToStr(Int(2.4)) + ' ' + IntToStr(Int(-2.6)));",
       "3 -2 2 -2\n"},
      {"Round halves to even", "",
       "Writeln(IntToStr(Round(2.5)) + ' ' + IntToStr(Round(3.5)) + ' ' + IntToStr(Round(-2.5)) + ' ' + IntToStr(Round(2.51)));",
       "2 4 -2 3\n"},
      {"Trunc", "", "Writeln(IntToStr(Trunc(-2.7)) + ' ' + IntToStr(Trunc(2.7)));", "-2 2\n"},
      {"FloatToStr", "",
       "Writeln(FloatToStr(0.1) + ' ' + FloatToStr(1/3) + ' ' + FloatToStr(-2.5) + ' ' + FloatToStr(100) + ' ' + FloatToStr(0));"
       "Writeln(FloatToStr(1e15) + ' ' + FloatToStr(1e14) + ' ' + FloatToStr(0.00001) + ' ' + FloatToStr(1.5e-6) + ' ' + FloatToStr(PI));",
       "0.1 0.333333333333333 -2.5 100 0\n1E15 100000000000000 0.00001 1.5E-6 3.14159265358979\n"},
      {"StrToFloat", "",
       "Writeln(FloatToStr(StrToFloat('2.75')) + ' ' + FloatToStr(StrToFloat('-1e3')) + ' ' + FloatToStr(StrToFloat('x1')) + ' ' + FloatToStr(StrToFloat('')));",
       "2.75 -1000 0 0\n"},
      {"SQRT and abs", "", "Writeln(FloatToStr(SQRT(16)) + ' ' + FloatToStr(abs(-1.25)));", "4 1.25\n"},
      {"SQRT of a negative number ends the run", "", "Writeln(FloatToStr(SQRT(-1)));", "", ecCustomError,
       "Invalid floating point operation"},
      {"IntToStrF", "",
       "Writeln('[' + IntToStrF('%5d|', 42) + IntToStrF('%-5d|', 42) + IntToStrF('%.3d|', -7) + IntToStrF('%x|', 255) + IntToStrF('%.4X %%', 255) + IntToStrF('%u', -1) + ']');",
       "[   42|42   |-007|FF|00FF %4294967295]\n"},
      {"FloatToStrF", "",
       "Writeln('[' + FloatToStrF('%.2f|', 1234.5) + FloatToStrF('%8.1f|', 1234.5) + FloatToStrF('%-12.3e|', 1234.5) + FloatToStrF('%g|', 1234.5)"
       " + FloatToStrF('%n|', 1234567.891) + FloatToStrF('%e|', -0.000123) + FloatToStrF('%.0f|', 2.5) + FloatToStrF('%f|', -0.001) + FloatToStrF('%m', 1234.5) + ']');",
       "[1234.50|  1234.5|1.23E+003   |1234.5|1,234,567.89|-1.23000000000000E-004|3|0.00|\\1,235]\n"},
      {"a real format for an integer", "", "Writeln(IntToStrF('%f', 3));", "", ecCustomError,
       "Format '%f' invalid or incompatible with argument"},
      {"two specifications for one number", "", "Writeln(FloatToStrF('%f %f', 3));", "", ecCustomError,
       "Format '%f %f' invalid or incompatible with argument"},
      {"a format of its own is not passed to printf", "", "Writeln(IntToStrF('%s%n%p', 3));", "", ecCustomError,
       "Format '%s%n%p' invalid or incompatible with argument"},
      {"Random stays below its bound", "var k, n: Integer; ok: Boolean;",
       "ok := True; Randomize; for k := 1 to 200 do begin n := Random(7); ok := ok and (n >= 0) and (n < 7); end;"
       "if ok then Writeln('ok');",
       "ok\n"},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptLibrary, InternalFunctions) {
  static const Case cases[] = {
      {"GetType resolves aliases", "type TE = (A, B); var i: Integer; d: TDateTime; e: TE; s: string;",
       "Writeln(GetType(i) + ' ' + GetType(d) + ' ' + GetType(e) + ' ' + GetType(s));", "LONGINT DOUBLE TE STRING\n"},
      {"Succ, Pred, Low, High, Ord of enumerations", "type TE = (A, B, C); var e: TE;",
       "e := Succ(B); if e = C then Writeln('succ'); e := Pred(B); if e = A then Writeln('pred');"
       "if High(e) = C then Writeln('high'); if Low(e) = A then Writeln('low'); Writeln(IntToStr(Ord(C)));",
       "succ\npred\nhigh\nlow\n2\n"},
      {"Succ of the last value", "type TE = (A, B, C);", "if Succ(C) = A then Writeln('x');", "", ecOutOfRange},
      {"Pred of the first value", "type TE = (A, B, C);", "if Pred(A) = A then Writeln('x');", "", ecOutOfRange},
      {"Succ of a number", "", "Writeln(IntToStr(Succ(1)));", "", ecTypeMismatch},
      {"arrays", "var a: array of Integer;",
       "SetArrayLength(a, 3); a[2] := 5; Writeln(IntToStr(GetArrayLength(a)) + ' ' + IntToStr(High(a)) + ' ' + IntToStr(Low(a)) + ' ' + IntToStr(a[2] + a[0]));",
       "3 2 0 5\n"},
      {"Assigned", "type T = class end; var o: T; p: T;",
       "o := T.Create; if Assigned(o) then Writeln('made'); if not Assigned(p) then Writeln('nil');"
       "o.Free; if not Assigned(o) then Writeln('freed');",
       "made\nnil\nfreed\n"},
      {"Assigned of a number", "", "if Assigned(1) then Writeln('x');", "", ecTypeMismatch},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptLibrary, Dates) {
  static const Case cases[] = {
      {"EncodeDate counts from 1899-12-30", "",
       "Writeln(FloatToStr(EncodeDate(2000, 1, 1)) + ' ' + FloatToStr(EncodeDate(1899, 12, 30)) + ' ' + FloatToStr(EncodeDate(1900, 3, 1)));",
       "36526 0 61\n"},
      {"EncodeTime", "", "Writeln(FloatToStr(EncodeTime(12, 0, 0, 0)) + ' ' + FloatToStr(EncodeTime(6, 0, 0, 0)));", "0.5 0.25\n"},
      {"decode both ways", "var y, m, d, h, n, s, ms: Word; t: TDateTime;",
       "t := EncodeDate(2024, 2, 29) + EncodeTime(23, 59, 58, 999); DecodeDate(t, y, m, d); DecodeTime(t, h, n, s, ms);"
       "Writeln(IntToStr(y) + '/' + IntToStr(m) + '/' + IntToStr(d) + ' ' + IntToStr(h) + ':' + IntToStr(n) + ':' + IntToStr(s) + '.' + IntToStr(ms));"
       "DecodeDate(EncodeDate(2023, 3, 1) - 1, y, m, d); Writeln(IntToStr(m) + '/' + IntToStr(d));",
       "2024/2/29 23:59:58.999\n2/28\n"},
      {"invalid dates", "", "Writeln(FloatToStr(EncodeDate(2023, 2, 29)));", "", ecCustomError, "Invalid date"},
      {"invalid times", "", "Writeln(FloatToStr(EncodeTime(24, 0, 0, 0)));", "", ecCustomError, "Invalid date"},
      {"texts", "var t: TDateTime;",
       "t := EncodeDate(2024, 3, 5); Writeln(DateToStr(t) + '|' + DateTimeToStr(t) + '|' + TimeToStr(t + EncodeTime(9, 5, 7, 0)) + '|' + DateTimeToStr(t + 0.5));",
       "2024/03/05|2024/03/05|9:05:07|2024/03/05 12:00:00\n"},
      {"parsing", "",
       "Writeln(FloatToStr(StrToDate('2000/1/1')) + ' ' + FloatToStr(StrToDate('2000-01-02')) + ' ' + FloatToStr(StrToTime('18:00')) + ' ' + FloatToStr(StrToDateTime('2000/01/01 12:00:00')));"
       "Writeln(FloatToStr(StrToDateDef('2000/2/30', 7)) + ' ' + FloatToStr(StrToTimeDef('25:00', 1)) + ' ' + FloatToStr(StrToDateTimeDef('x', 2)));",
       "36526 36527 0.75 36526.5\n7 1 2\n"},
      {"StrToDate refuses", "", "Writeln(FloatToStr(StrToDate('2000/13/1')));", "", ecCustomError, "Invalid date"},
      {"StrToTime refuses", "", "Writeln(FloatToStr(StrToTime('12')));", "", ecCustomError, "Invalid date"},
      {"now is today plus the time", "var n, d: TDateTime;",
       "d := Date; n := Now; if (n >= d) and (n < d + 1) and (Time < 1) and (d = Trunc(d)) then Writeln('ok');", "ok\n"},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptLibrary, StringList) {
  static const Case cases[] = {
      {"add, get, set, delete, count", "var l: StringList;",
       "l := StringList.Create; Writeln(IntToStr(l.Add('a')) + IntToStr(l.Add('b')) + IntToStr(l.Add('\x83\x5C')));"
       "l.SetItem(1, 'B'); l.SetItem(7, 'x'); l.Delete(0); l.Delete(9);"
       "Writeln(IntToStr(l.Count) + ' ' + l.GetItem(0) + l.GetItem(1) + '[' + l.GetItem(5) + ']' + '[' + l.GetItem(-1) + ']');"
       "l.Clear; Writeln(IntToStr(l.Count)); l.Free;",
       "012\n2 B\x83\x5C[][]\n0\n"},
      {"a list after Free", "var l: StringList;", "l := StringList.Create; l.Free; l.Clear;", "", ecClassNotInitialized},
      {"a list never made", "var l: StringList;", "l.Clear;", "", ecClassNotInitialized},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptLibrary, StringListsLeftBehindAreReleasedByClearScript) {
  // Under the address sanitizer a list that ClearScript did not release is a leak.
  TIfPasScript e;
  e.SetOnUses([](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterSystemLibrary(en);
    return 0;
  });
  e.LoadScript("var a, b: StringList; begin a := StringList.Create; a.Add('x'); b := StringList.Create; end.");
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), 0);
  e.ClearScript();
  e.RunMain();  // a cleared script runs nothing
  EXPECT_EQ(e.ErrorCode(), 0);
}

TEST(ScriptLibrary, ConstantsAndEventTypes) {
  static const Case cases[] = {
      {"constants", "",
       "Writeln(IntToStr(fsBold + fsItalic + fsUnderline + fsStrikeOut) + ' ' + IntToStr(bsNone + bsSingle + bsDialog + bsSizeable)"
       " + ' ' + IntToStr(BiSystemMenu + biMinimize + biMaximize));",
       "15 6 7\n"},
      {"constants are read-only", "", "fsBold := 3;", "", ecVariableExpected},
      {"windows without a window host are refused", "var f: TForm;", "f := TForm.Create;", "", ecNotSupported},
      {"a control without a window is refused", "var c: TControl;", "c := TControl.Create(nil);", "", ecNotSupported},
      {"a notify event calls its procedure", "var ev: TNotifyEvent; o: TObject;\nprocedure Hello(Sender: TObject); begin Writeln('hello'); end;",
       "ev := @Hello; ev^(o);", "hello\n"},
  };
  Check(cases, std::size(cases));
}

// ------------------------------------------------------------------ classes

constexpr const char* kShapes = R"(
type
  TBase = class
  private
    FSecret: Integer;
  protected
    FShared: Integer;
  public
    Tag: string;
    constructor Create(ATag: string);
    destructor Destroy; override;
    function Name: string; virtual;
    procedure Foo(x: Integer); virtual;
    function GetValue: Integer;
    procedure SetValue(v: Integer);
    property Value: Integer read GetValue write SetValue;
    property ReadOnly: Integer read FShared;
    property WriteOnly: Integer write FSecret;
  end;
  TMid = class(TBase)
    function Name: string;
  end;
  TLeaf = class(TMid)
    function Name: string; override;
    procedure Foo(x: Integer); override;
    destructor Destroy; override;
    procedure Poke;
  end;
  TBaseClass = class of TBase;
constructor TBase.Create(ATag: string); begin Tag := ATag; FShared := 1; end;
destructor TBase.Destroy; begin Writeln('base destroy ' + Tag); inherited Destroy; end;
function TBase.Name: string; begin Result := 'base'; end;
procedure TBase.Foo(x: Integer); begin Writeln('base foo ' + IntToStr(x)); end;
function TBase.GetValue: Integer; begin Result := FSecret * 10; end;
procedure TBase.SetValue(v: Integer); begin FSecret := v + 1; end;
function TMid.Name: string; begin Result := 'mid'; end;
function TLeaf.Name: string; begin Result := 'leaf/' + inherited Name; end;
procedure TLeaf.Foo(x: Integer); begin inherited; Writeln('leaf foo ' + IntToStr(x)); end;
destructor TLeaf.Destroy; begin Writeln('leaf destroy'); inherited Destroy; end;
procedure TLeaf.Poke; begin FShared := FShared + 1; end;
var b: TBase; m: TMid; l: TLeaf; r: TBaseClass;
)";

TEST(ScriptClasses, DispatchPropertiesAndTypeTests) {
  static const Case cases[] = {
      {"virtual, redeclared and override", kShapes,
       "b := TMid.Create('m'); Writeln(b.Name); m := TMid.Create('m'); Writeln(m.Name);"
       "b := TLeaf.Create('l'); Writeln(b.Name); b.Foo(3);",
       "base\nmid\nleaf/mid\nbase foo 3\nleaf foo 3\n"},
      {"properties through methods and fields", kShapes,
       "b := TBase.Create('x'); b.Value := 4; Writeln(IntToStr(b.Value) + ' ' + IntToStr(b.ReadOnly)); b.WriteOnly := 2; Writeln(IntToStr(b.Value));",
       "50 1\n20\n"},
      {"protected fields inside descendants", kShapes, "l := TLeaf.Create('l'); l.Poke; l.Poke; Writeln(IntToStr(l.ReadOnly));", "3\n"},
      {"is, as and class names", kShapes,
       "b := TLeaf.Create('l'); if b is TMid then Writeln('is mid'); if not (b is TLeaf) then Writeln('no');"
       "m := b as TMid; Writeln(m.Name + ' ' + b.ClassName + ' ' + b.GetAncestors);"
       "if b.ClassNameIs('tbase') and not b.ClassNameIs('TOther') then Writeln('named'); b := nil; if not (b is TBase) then Writeln('nil is not');",
       "is mid\nmid TLEAF TOBJECT.TBASE.TMID.TLEAF\nnamed\nnil is not\n"},
      {"class references construct the referenced class", kShapes,
       "r := TLeaf; b := r.Create('viaref'); Writeln(b.Name + ' ' + b.Tag); r := TBase; b := r.Create('x'); Writeln(b.Name);",
       "leaf/mid viaref\nbase\n"},
      {"a conversion by class name", kShapes, "l := TLeaf.Create('c'); b := TBase(l); Writeln(b.Name + ' ' + b.Tag);",
       "leaf/mid c\n"},
      {"a conversion follows the assignment rules", kShapes, "b := TLeaf.Create('c'); l := TLeaf(b);", "", ecTypeMismatch},
      {"with on an instance", kShapes, "b := TBase.Create('w'); with b do begin Tag := Tag + '!'; Foo(1); end; Writeln(b.Tag);",
       "base foo 1\nw!\n"},
      {"Free runs the overriding destructor", kShapes, "b := TLeaf.Create('f'); b.Free;", "leaf destroy\nbase destroy f\n"},
      {"instances are shared references", kShapes, "b := TBase.Create('a'); m := TMid.Create('z'); b := m; m.Tag := 'q'; Writeln(b.Tag);", "q\n"},
      {"as to a class it is not", kShapes, "b := TBase.Create('a'); l := b as TLeaf;", "", ecTypeMismatch},
      {"as on nil", kShapes, "l := b as TLeaf;", "", ecClassNotInitialized},
      {"assigning an ancestor's value", kShapes, "b := TLeaf.Create('a'); l := b;", "", ecTypeMismatch},
      {"a method on nil", kShapes, "b.Foo(1);", "", ecClassNotInitialized},
      {"a method on a freed instance", kShapes, "b := TBase.Create('a'); b.Free; Writeln(b.Name);", "base destroy a\n",
       ecClassAlreadyFreed},
      {"Free twice", kShapes, "b := TBase.Create('a'); b.Free; b.Free;", "", ecClassAlreadyFreed},
      {"a nil class reference", kShapes, "r := nil; b := r.Create('x');", "", ecClassReferenceNil},
      {"reading a write-only property", kShapes, "b := TBase.Create('a'); Writeln(IntToStr(b.WriteOnly));", "", ecCannotRead},
      {"writing a read-only property", kShapes, "b := TBase.Create('a'); b.ReadOnly := 1;", "", ecCannotWrite},
      {"a private field from outside", kShapes, "b := TBase.Create('a'); b.FSecret := 1;", "", ecUnknownIdentifier, "FSECRET"},
      {"a protected field from outside", kShapes, "b := TBase.Create('a'); Writeln(IntToStr(b.FShared));", "",
       ecUnknownIdentifier, "FSHARED"},
      {"a method that is no constructor", kShapes, "b := TBase.Name;", "", ecConstructorExpected},
      {"inherited outside a method", kShapes, "inherited Foo(1);", "", ecNoInheritance},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptClasses, DeclarationFaults) {
  static const Case cases[] = {
      {"private fields are not visible in descendants",
       "type TA = class private F: Integer; end; TB = class(TA) procedure P; end;\nprocedure TB.P; begin F := 1; end;\nvar b: TB;",
       "b := TB.Create; b.P;", "", ecUnknownIdentifier, "F"},
      {"override without an inherited method", "type TA = class procedure P; override; end;", "", "", ecCannotOverride},
      {"a method without body", "type TA = class procedure P; end;", "", "", ecInvalidForward, "TA.P"},
      {"a heading that differs", "type TA = class procedure P(x: Integer); end;\nprocedure TA.P(x: string); begin end;", "", "",
       ecParameterError},
      {"a method that is not declared", "type TA = class end;\nprocedure TA.Q; begin end;", "", "", ecUnknownIdentifier, "Q"},
      {"class outside a type section", "var x: class end;", "", "", ecClassNotDeclared},
      {"a property without access", "type TA = class F: Integer; property P: Integer; end;", "", "", ecNoAccessProperty},
      {"a property reader of another type", "type TA = class F: string; property P: Integer read F; end;", "", "",
       ecTypeMismatch},
      {"an ancestor that is no class", "type TA = class(Integer) end;", "", "", ecNotClass},
      {"a field after a method", "type TA = class procedure P; F: Integer; end;", "", "", ecEndExpected},
      {"a duplicate field", "type TA = class F: Integer; end; TB = class(TA) F: string; end;", "", "", ecDuplicateIdentifier},
      {"assigning SELF", "type TA = class procedure P; end;\nprocedure TA.P; begin Self := nil; end;\nvar a: TA;",
       "a := TA.Create; a.P;", "", ecVariableExpected},
  };
  Check(cases, std::size(cases));
}

TEST(ScriptClasses, HostClassesAndResources) {
  // A host class with a resource pointer: its objects are released by
  // ClearScript, last made first, and a destructor removes its own.
  std::vector<int> released;
  TIfPasScript e;
  e.SetOnUses([&](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterSystemLibrary(en);
    en.RegisterClassType(
        "THandle", "class(TObject) private h: ResourcePointer; public constructor Create(N: Integer); destructor Destroy; override; function Id: Integer; end;",
        [&released](TIfPasScript& eng, void*, TProcedure& pr, Value* res, std::span<Value> args) -> std::uint16_t {
          Value* h = TIfPasScript::InstanceField(args[0], "H");
          if (!h) return ecClassNotInitialized;
          if (pr.name == "!CREATE") {
            auto* id = new int(ReadInteger(Deref(args[1])));
            h->res.ptr = id;
            eng.AddResource(id, [&released](void* p) {
              released.push_back(*static_cast<int*>(p));
              delete static_cast<int*>(p);
            });
            return 0;
          }
          auto* id = static_cast<int*>(h->res.ptr);
          if (!id) return ecClassNotInitialized;
          if (pr.name == "!ID") {
            WriteInteger(*res, *id);
          } else if (pr.name == "!DESTROY") {
            eng.RemoveResource(id);
            released.push_back(-*id);
            delete id;
            h->res.ptr = nullptr;
          }
          return 0;
        });
    return 0;
  });
  e.LoadScript(
      "type TMine = class(THandle) function Twice: Integer; end;\n"
      "function TMine.Twice: Integer; begin Result := Id * 2; end;\n"
      "var a, b, c: THandle; m: TMine;\n"
      "begin a := THandle.Create(1); b := THandle.Create(2); m := TMine.Create(3); c := m;\n"
      "if m.Twice <> 6 then exit; b.Free; if Assigned(b) then exit; end.");
  ASSERT_EQ(e.ErrorCode(), 0) << ErrorMessage(e.ErrorCode(), e.ErrorText());
  e.RunMain();
  EXPECT_EQ(e.ErrorCode(), 0);
  EXPECT_EQ(released, (std::vector<int>{-2}));
  e.ClearScript();
  EXPECT_EQ(released, (std::vector<int>{-2, 3, 1}));
}

TEST(ScriptClasses, HostPreparedCalls) {
  // The host calls a script procedure with ready values; a var parameter
  // hands its value back, and a misfit names the parameter.
  TIfPasScript e;
  e.SetOnUses([](TIfPasScript& en, void*, const std::string&) -> std::uint16_t {
    RegisterSystemLibrary(en);
    return 0;
  });
  e.LoadScript("procedure Q(Sender: TObject; var CanClose: Boolean); begin CanClose := not CanClose; end;\nbegin end.");
  ASSERT_EQ(e.ErrorCode(), 0);
  e.RunMain();
  TTypeRec* boolean = e.TypeByCode(tcBoolean);
  std::vector<Value> args(2);
  args[0].Init(e.FindType("TOBJECT"));
  args[1].Init(boolean);
  args[1].i = 1;
  TProcedure* q = nullptr;
  e.SetOnRunLine(nullptr);
  // The procedure record is found through a procedural global made by the script.
  e.LoadScript("var p: TCloseQueryEvent;\nprocedure Q(Sender: TObject; var CanClose: Boolean); begin CanClose := not CanClose; end;\nbegin p := @Q; end.");
  ASSERT_EQ(e.ErrorCode(), 0);
  e.RunMain();
  q = e.GetVariable("P")->proc;
  ASSERT_NE(q, nullptr);
  args[0].Init(e.FindType("TOBJECT"));
  args[1].Init(e.TypeByCode(tcBoolean));
  args[1].i = 1;
  EXPECT_TRUE(e.CallPrepared(q, nullptr, args));
  EXPECT_EQ(args[1].i, 0);
  std::vector<Value> wrong(2);
  wrong[0].Init(e.FindType("TOBJECT"));
  wrong[1].Init(e.TypeByCode(tcLongInt));
  EXPECT_FALSE(e.CallPrepared(q, nullptr, wrong));
  EXPECT_EQ(e.ErrorCode(), ecParameterError);
  EXPECT_EQ(e.ErrorPosition(), 1);
  e.ClearScript();
}

}  // namespace
}  // namespace tamber::script
