{ 省資源印刷: 空行と行頭の空白を除いた写しを新しい文書に作ります。
  印刷する前に用紙を節約するためのものです。 }
var
  i, n: integer;
  s, r, cap: string;
begin
  cap := GetCaption;
  n := GetLineLength;
  r := '';
  for i := 1 to n do
  begin
    s := Trim(GetText(i));
    if s <> '' then
    begin
      if r <> '' then r := r + #13#10;
      r := r + s;
    end;
  end;
  NewPage('省資源 ' + cap);
  Writeln(r);
end.
