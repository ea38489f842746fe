program Loops;
var
  i, j, n, sum: Integer;
  s: string;
begin
  sum := 0;
  for i := 1 to 100 do
    sum := sum + i * i;
  Writeln('squares ' + IntToStr(sum));
  s := '';
  for i := 10 downto 1 do
    if i mod 3 = 0 then
      s := s + IntToStr(i) + ' '
    else if i mod 2 = 0 then
      s := s + '.';
  Writeln(s);
  n := 0;
  i := 0;
  while i < 50 do
  begin
    i := i + 1;
    if i mod 7 = 0 then continue;
    if i > 40 then break;
    n := n + 1;
  end;
  Writeln('while ' + IntToStr(n) + ' ' + IntToStr(i));
  i := 1;
  repeat
    i := i * 3;
  until i > 1000;
  Writeln('repeat ' + IntToStr(i));
  n := 0;
  for i := 1 to 9 do
    for j := i to 9 do
    begin
      if j = 7 then break;
      n := n + j;
    end;
  Writeln('nested ' + IntToStr(n));
  for i := 0 to 5 do
    case i of
      0: Writeln('zero');
      1, 2: Writeln('small ' + IntToStr(i));
      3: begin Writeln('three'); Writeln('still three'); end;
    else
      Writeln('big ' + IntToStr(i));
    end;
  for i := 5 to 4 do Writeln('never');
  for i := 3 downto 4 do Writeln('never');
end.
