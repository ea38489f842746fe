program builtins;
{ Built-in functions whose results Free Pascal shares: strings, reals
  through FloatToStr, rounding, dates and records. }
type
  TPoint = record
    x, y: Integer;
    name: string;
  end;
var
  s: string;
  p, q: TPoint;
  r: Double;
  d: TDateTime;
  y, m, dd, h, mi, se, ms: Word;
  k: Integer;

procedure Move(var pt: TPoint; dx, dy: Integer);
begin
  pt.x := pt.x + dx;
  pt.y := pt.y + dy;
end;

function Show(pt: TPoint): string;
begin
  Result := pt.name + '(' + IntToStr(pt.x) + ',' + IntToStr(pt.y) + ')';
end;

begin
  s := 'Hello, World';
  Writeln(UpperCase(s) + ' ' + LowerCase(s));
  Writeln(UpperCase('abc日本語xyzソ') + ' ' + LowerCase('ＡＢＣ表DEF') + ' ' + Trim('  全角　 '));
  Writeln(IntToStr(Pos('World', s)) + ' ' + IntToStr(Pos('xyz', s)) + ' ' + IntToStr(Pos('', s)));
  Writeln(Copy(s, 8, 100) + '|' + Copy(s, 50, 2) + '|' + Copy(s, 1, 0));
  Delete(s, 6, 7);
  Writeln(s);
  Insert(' there', s, 6);
  Writeln(s);
  Insert('!', s, 100);
  Writeln(s);
  Writeln('[' + Trim('   padded  ') + ']');
  Writeln(StringOfChar('*', 5) + StringOfChar('-', 0));
  Writeln(IntToStr(StrToInt('1234') + StrToInt('-34')) + ' ' + IntToStr(StrToInt('$FF')));
  Writeln(IntToStr(Length('')) + ' ' + IntToStr(Length(s)) + ' ' + Chr(65) + Chr(97));
  Writeln(IntToStr(Ord('A')) + ' ' + IntToStr(Ord(Chr(200))));

  Writeln(FloatToStr(0.1) + ' ' + FloatToStr(1 / 3) + ' ' + FloatToStr(2 / 3) + ' ' + FloatToStr(-2.5));
  Writeln(FloatToStr(100) + ' ' + FloatToStr(1E15) + ' ' + FloatToStr(1E14) + ' ' + FloatToStr(0.00001) + ' ' + FloatToStr(0.000001));
  Writeln(FloatToStr(123456789012345678.0) + ' ' + FloatToStr(1.5E300) + ' ' + FloatToStr(-1E-20));
  Writeln(FloatToStr(Sqrt(2)) + ' ' + FloatToStr(Sqrt(16)) + ' ' + FloatToStr(Pi));
  r := 0;
  for k := 1 to 10 do
    r := r + 0.1;
  Writeln(FloatToStr(r) + ' ' + FloatToStr(r * 3) + ' ' + FloatToStr(StrToFloat('2.75') * 2));
  Writeln(IntToStr(Round(2.5)) + ' ' + IntToStr(Round(3.5)) + ' ' + IntToStr(Round(-2.5)) + ' ' + IntToStr(Round(2.6)));
  Writeln(IntToStr(Trunc(2.7)) + ' ' + IntToStr(Trunc(-2.7)) + ' ' + FloatToStr(Abs(-4.25)));

  d := EncodeDate(2000, 1, 1);
  Writeln(FloatToStr(d));
  d := EncodeDate(2024, 2, 29) + EncodeTime(13, 45, 30, 250);
  DecodeDate(d, y, m, dd);
  DecodeTime(d, h, mi, se, ms);
  Writeln(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(dd) + ' ' + IntToStr(h) + ':' + IntToStr(mi) + ':' +
    IntToStr(se) + '.' + IntToStr(ms));
  DecodeDate(EncodeDate(1899, 12, 30), y, m, dd);
  Writeln(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(dd) + ' ' + FloatToStr(EncodeDate(1899, 12, 30)));
  DecodeDate(EncodeDate(2023, 3, 1) - 1, y, m, dd);
  Writeln(IntToStr(y) + '-' + IntToStr(m) + '-' + IntToStr(dd));
  Writeln(FloatToStr(EncodeDate(1900, 3, 1)) + ' ' + FloatToStr(EncodeDate(9999, 12, 31)) + ' ' + FloatToStr(EncodeTime(12, 0, 0, 0)));

  p.x := 1;
  p.y := 2;
  p.name := 'p';
  q := p;
  Move(q, 10, 20);
  q.name := 'q';
  Writeln(Show(p) + ' ' + Show(q));
  with q do
  begin
    x := x * 2;
    name := name + name;
  end;
  Writeln(Show(q));
end.
