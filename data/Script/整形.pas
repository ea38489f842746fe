{ 整形: 各行の末尾の空白とタブを取り除きます。 }
var
  i, n, changed: integer;
  s: string;
begin
  n := GetLineLength;
  changed := 0;
  for i := 1 to n do
  begin
    s := GetText(i);
    while (Length(s) > 0) and ((Copy(s, Length(s), 1) = ' ') or (Copy(s, Length(s), 1) = #9)) do
      s := Copy(s, 1, Length(s) - 1);
    if s <> GetText(i) then
    begin
      PutText(i, s);
      changed := changed + 1;
    end;
  end;
  Message(IntToStr(changed) + ' 行を整形しました');
end.
