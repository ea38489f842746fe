program Strings;
var
  s, t: string;
  c: Char;
  i: Integer;
  r: Real;
  a: array of Integer;
begin
  s := 'Hello';
  t := s + ', ' + 'world';
  Writeln(t);
  c := 'x';
  s := c + 'y';
  Writeln(s);
  if 'abc' < 'abd' then Writeln('abc < abd');
  if 'ab' < 'abc' then Writeln('ab < abc');
  if 'Z' < 'a' then Writeln('Z < a');
  if c = 'x' then Writeln('char equal');
  Writeln('it''s quoted');
  Writeln('line'#65#66);
  s := '';
  for i := 0 to 25 do s := s + Chr(65 + i);
  Writeln(s);
  Writeln(Copy(s, 24, 10));
  Writeln(IntToStr(Length(Copy(s, 30, 2))));
  r := 7 / 2;
  if r = 3.5 then Writeln('half');
  r := 1.5e3;
  if r > 1000 then Writeln('exp');
  Writeln(IntToStr(17 div 5) + ' ' + IntToStr(17 mod 5) + ' ' + IntToStr(-17 div 5) + ' ' + IntToStr(-17 mod 5));
  Writeln(IntToStr(6 and 3) + ' ' + IntToStr(6 or 3) + ' ' + IntToStr(6 xor 3) + ' ' + IntToStr(1 shl 10) + ' ' + IntToStr(1024 shr 3));
  a := [5, 6, 7];
  Writeln(IntToStr(Length(a)) + ' ' + IntToStr(a[0] + a[2]));
  try
    i := 0;
    i := 10 div i;
    Writeln('not here');
  except
    Writeln('divide caught');
  end;
  try
    Writeln('body');
  finally
    Writeln('finally');
  end;
end.
