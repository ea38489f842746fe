program classes;
{ Classes: fields, virtual and override dispatch, constructors, destructors,
  properties with readers and writers, inherited, is, as and class references. }
type
  TShape = class
  private
    FName: string;
    FSize: Integer;
  protected
    FTimes: Integer;
    procedure SetSize(v: Integer);
  public
    constructor Create(AName: string; ASize: Integer);
    destructor Destroy; override;
    function Area: Integer; virtual;
    function Describe: string;
    procedure Grow(by: Integer); virtual;
    property Name: string read FName;
    property Size: Integer read FSize write SetSize;
  end;
  TSquare = class(TShape)
  public
    function Area: Integer; override;
    procedure Grow(by: Integer); override;
    destructor Destroy; override;
  end;
  TCube = class(TSquare)
  public
    function Area: Integer; override;
  end;
  TLabelled = class(TShape)
  public
    function Area: Integer;
  end;
  TShapeClass = class of TShape;

constructor TShape.Create(AName: string; ASize: Integer);
begin
  FName := AName;
  FSize := ASize;
  FTimes := 0;
end;

destructor TShape.Destroy;
begin
  Writeln('destroy shape ' + FName);
  inherited Destroy;
end;

procedure TShape.SetSize(v: Integer);
begin
  if v < 0 then v := 0;
  FSize := v;
  FTimes := FTimes + 1;
end;

function TShape.Area: Integer;
begin
  Result := 0;
end;

function TShape.Describe: string;
begin
  Result := FName + ' size ' + IntToStr(FSize) + ' area ' + IntToStr(Area) + ' set ' + IntToStr(FTimes);
end;

procedure TShape.Grow(by: Integer);
begin
  Size := Size + by;
end;

function TSquare.Area: Integer;
begin
  Result := Size * Size;
end;

procedure TSquare.Grow(by: Integer);
begin
  inherited Grow(by * 2);
end;

destructor TSquare.Destroy;
begin
  Writeln('destroy square ' + Name);
  inherited Destroy;
end;

function TCube.Area: Integer;
begin
  Result := 6 * inherited Area;
end;

function TLabelled.Area: Integer;
begin
  Result := 99;
end;

var
  s0, s1, s2, s3, s: TShape;
  sq: TSquare;
  kind: TShapeClass;

function Pick(k: Integer): TShape;
begin
  case k of
    0: Result := s0;
    1: Result := s1;
    2: Result := s2;
  else
    Result := s3;
  end;
end;

procedure Report(x: TShape);
var q: TSquare;
begin
  if x is TSquare then
  begin
    q := x as TSquare;
    Writeln(q.Name + ' is a square with area ' + IntToStr(q.Area));
  end
  else
    Writeln(x.Name + ' is not a square');
end;

var k: Integer;

begin
  s0 := TShape.Create('plain', 3);
  s1 := TSquare.Create('square', 3);
  s2 := TCube.Create('cube', 2);
  s3 := TLabelled.Create('labelled', 5);
  for k := 0 to 3 do
    Writeln(Pick(k).Describe);
  for k := 0 to 3 do
    Pick(k).Grow(1);
  for k := 0 to 3 do
    Writeln(Pick(k).Describe);
  s0.Size := -5;
  Writeln(s0.Describe);
  for k := 0 to 3 do
    Report(Pick(k));
  kind := TCube;
  s := kind.Create('made', 1);
  Writeln(s.Describe);
  if s is TCube then Writeln('made is a cube');
  sq := s as TSquare;
  sq.Grow(2);
  Writeln(sq.Describe);
  s.Free;
  for k := 3 downto 0 do
    Pick(k).Free;
  s := nil;
  if s = nil then Writeln('nil');
end.
