program Numbers;
{ Primes, Collatz lengths, digit sums and a Caesar shift: integer and string
  work in which the dialect and Free Pascal agree. }
var
  n, count, steps, best, bestN: Integer;
  line, phrase: string;
  c: Char;

function IsPrime(k: Integer): Boolean;
var d: Integer;
begin
  Result := k >= 2;
  d := 2;
  while Result and (d * d <= k) do
  begin
    if k mod d = 0 then Result := False;
    d := d + 1;
  end;
end;

function Collatz(k: Integer): Integer;
begin
  Result := 0;
  while k <> 1 do
  begin
    if k mod 2 = 0 then k := k div 2 else k := 3 * k + 1;
    Result := Result + 1;
  end;
end;

function DigitSum(k: Integer): Integer;
begin
  if k < 10 then Result := k else Result := k mod 10 + DigitSum(k div 10);
end;

function Shift(const text: string; by: Integer): string;
var k, code: Integer; ch: string;
begin
  Result := '';
  for k := 1 to Length(text) do
  begin
    ch := Copy(text, k, 1);
    if (ch >= 'a') and (ch <= 'z') then
    begin
      code := 97;
      while Chr(code) <> ch do code := code + 1;
      Result := Result + Chr(97 + (code - 97 + by) mod 26);
    end
    else
      Result := Result + ch;
  end;
end;

begin
  count := 0;
  line := '';
  for n := 1 to 60 do
    if IsPrime(n) then
    begin
      count := count + 1;
      line := line + IntToStr(n) + ' ';
    end;
  Writeln(IntToStr(count) + ' primes: ' + line);
  best := 0;
  bestN := 0;
  for n := 1 to 1000 do
  begin
    steps := Collatz(n);
    if steps > best then
    begin
      best := steps;
      bestN := n;
    end;
  end;
  Writeln('collatz ' + IntToStr(bestN) + ' ' + IntToStr(best));
  Writeln('digits ' + IntToStr(DigitSum(987654321)));
  phrase := 'hello, world';
  Writeln(Shift(phrase, 3));
  line := Shift(phrase, 3);
  Writeln(Shift(line, 23));
  c := 'q';
  case c of
    'p': Writeln('p');
    'q', 'r': Writeln('q or r');
  else
    Writeln('not listed');
  end;
end.
