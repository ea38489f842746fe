program Procedures;
type
  TPoint = record
    x, y: Integer;
    name: string;
  end;
var
  ga, gb: Integer;
  p, q: TPoint;
  s, piece: string;

procedure Swap(var x, y: Integer);
var t: Integer;
begin
  t := x; x := y; y := t;
end;

function Gcd(a, b: Integer): Integer;
begin
  if b = 0 then Result := a else Result := Gcd(b, a mod b);
end;

function Fact(n: Integer): Integer;
begin
  Fact := 1;
  if n > 1 then Fact := n * Fact(n - 1);
end;

procedure Shift(var pt: TPoint; dx, dy: Integer);
begin
  pt.x := pt.x + dx;
  pt.y := pt.y + dy;
end;

function Describe(const pt: TPoint): string;
begin
  Result := pt.name + '(' + IntToStr(pt.x) + ',' + IntToStr(pt.y) + ')';
end;

function IsEven(n: Integer): Boolean; forward;

function IsOdd(n: Integer): Boolean;
begin
  if n = 0 then Result := False else Result := IsEven(n - 1);
end;

function IsEven(n: Integer): Boolean;
begin
  if n = 0 then Result := True else Result := IsOdd(n - 1);
end;

function Repeated(const part: string; n: Integer): string;
var i: Integer;
begin
  Result := '';
  for i := 1 to n do Result := Result + part;
end;

procedure Early(n: Integer);
begin
  if n > 2 then exit;
  Writeln('early ' + IntToStr(n));
end;

begin
  ga := 3; gb := 8;
  Swap(ga, gb);
  Writeln(IntToStr(ga) + ' ' + IntToStr(gb));
  Writeln('gcd ' + IntToStr(Gcd(1071, 462)));
  Writeln('fact ' + IntToStr(Fact(10)));
  p.x := 1; p.y := 2; p.name := 'p';
  q := p;
  Shift(q, 10, 20);
  q.name := 'q';
  Writeln(Describe(p) + ' ' + Describe(q));
  with q do
  begin
    x := x * 2;
    name := name + '2';
  end;
  Writeln(Describe(q));
  if IsEven(10) and IsOdd(7) then Writeln('parity ok');
  piece := 'ab';
  s := Repeated(piece, 3);
  Writeln(s + ' ' + IntToStr(Length(s)) + ' ' + Copy(s, 2, 3));
  Early(1); Early(5); Early(2);
end.
