#!/usr/bin/env bash
# tamber-script on the command line: output in UTF-8, Shift-JIS and UTF-8
# sources, standard input, errors with line and column, and exit codes.
set -uo pipefail
bin=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail=0
check() {  # name expected actual
  if [ "$2" != "$3" ]; then echo "FAIL $1: expected [$2] got [$3]"; fail=1; else echo "ok $1"; fi
}

# A Shift-JIS script with a Japanese string and comment (マ ends in 7D, the closing brace).
printf "program Jp;\r\n{ \x83\x7D\x83\x7D }\r\nbegin\r\n  Writeln('\x95\x5C\x8E\xA6');\r\nend.\r\n" >"$tmp/sjis.pas"
out=$("$bin" "$tmp/sjis.pas"); rc=$?
check "shift-jis source" "表示 0" "$out $rc"

printf "begin\n  Writeln('日本語 ' + IntToStr(6 * 7));\nend.\n" >"$tmp/utf8.pas"
out=$("$bin" "$tmp/utf8.pas"); rc=$?
check "utf-8 source" "日本語 42 0" "$out $rc"

out=$(printf "begin Writeln('stdin'); end." | "$bin" -); rc=$?
check "standard input" "stdin 0" "$out $rc"

printf "program Bad;\nvar i: Integer;\nbegin\n  Writeln('before');\n  i := 1 div 0;\nend.\n" >"$tmp/bad.pas"
out=$("$bin" "$tmp/bad.pas" 2>"$tmp/err"); rc=$?
check "error run output" "before 1" "$out $rc"
check "error report" "32771 5:10 零での除算が発生します (BAD)" "$(cat "$tmp/err")"

printf "begin\n  x := 1;\nend.\n" >"$tmp/unknown.pas"
"$bin" "$tmp/unknown.pas" 2>"$tmp/err"; rc=$?
check "unknown identifier" "3 2:3 未定義の識別子: X (MAIN) 1" "$(cat "$tmp/err") $rc"

printf "procedure P; begin P; end;\nbegin P; end.\n" >"$tmp/deep.pas"
"$bin" "$tmp/deep.pas" 2>"$tmp/err"; rc=$?
check "recursion limit" "32778 1 1" "$(cut -d' ' -f1 "$tmp/err") $(grep -c メモリー不足 "$tmp/err") $rc"

# A unit beside the script, and a unit error reported with the unit's module and position.
printf "unit Helper;\nfunction Twice(n: Integer): Integer;\nbegin\n  Result := n * 2;\nend;\nprocedure Boom;\nbegin\n  y := 1;\nend;\nend.\n" >"$tmp/HELPER.IFS"
printf "uses Helper;\nbegin\n  Writeln(IntToStr(Twice(21)));\n  Boom;\nend.\n" >"$tmp/usesunit.pas"
out=$("$bin" "$tmp/usesunit.pas" 2>"$tmp/err"); rc=$?
check "unit call" "42 1" "$out $rc"
check "unit error" "3 8:3 未定義の識別子: Y (HELPER)" "$(cat "$tmp/err")"

# A class of a unit, made, called and overridden by the script.
printf "unit Shapes;\ntype TBox = class\n  FW: Integer;\n  FName: string;\n  constructor Create(w: Integer);\n  function Area: Integer; virtual;\nend;\nconstructor TBox.Create(w: Integer); begin FW := w; FName := 'box'; end;\nfunction TBox.Area: Integer; begin Result := FW * FW; end;\nend.\n" >"$tmp/SHAPES.IFS"
printf "uses Shapes;\ntype TBig = class(TBox) function Area: Integer; override; end;\nfunction TBig.Area: Integer; begin Result := inherited Area * 10; end;\nvar b: TBox;\nbegin\n  b := TBox.Create(3);\n  Writeln(b.FName + IntToStr(b.Area));\n  b := TBig.Create(2);\n  Writeln(IntToStr(b.Area));\nend.\n" >"$tmp/unitclass.pas"
out=$("$bin" "$tmp/unitclass.pas" 2>"$tmp/err"); rc=$?
check "unit class" "box9 40 0" "$(echo $out) $rc"

printf "unit A;\nuses B;\nend.\n" >"$tmp/A.IFS"
printf "unit B;\nuses A;\nend.\n" >"$tmp/B.IFS"
printf "uses A;\nbegin end.\n" >"$tmp/cycle.pas"
"$bin" "$tmp/cycle.pas" 2>"$tmp/err"; rc=$?
check "cyclic uses fails" "1" "$rc"

# A window whose close query keeps it open once (builds without Qt refuse
# windows with 0x8004).
cat >"$tmp/window.pas" <<'EOF'
var f: TForm; b: TBUTTON; tries: Integer;
procedure Query(Sender: TObject; var CanClose: Boolean);
begin
  tries := tries + 1;
  CanClose := tries > 1;
end;
begin
  f := TForm.Create;
  f.Caption := 'テスト';
  b := TBUTTON.Create(f);
  b.Caption := 'はい';
  f.OnCloseQuery := @Query;
  f.Visible := True;
  f.Close;
  ProcessMessages;
  if f.Visible then Writeln(f.Caption + ' ' + b.Caption + ' open');
  f.Close;
  if not f.Visible then Writeln('closed');
end.
EOF
out=$(QT_QPA_PLATFORM=offscreen "$bin" "$tmp/window.pas" 2>"$tmp/err"); rc=$?
if grep -q "^32772 " "$tmp/err"; then
  echo "ok window (skipped: built without windows)"
else
  check "window" "テスト はい open closed 0" "$(echo $out) $rc"
fi

"$bin" --help | grep -q "Writeln(s: string)"; check "help" "0" "$?"
"$bin" >/dev/null 2>&1; check "no argument" "2" "$?"
exit $fail
