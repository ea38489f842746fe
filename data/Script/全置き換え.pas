{ 全置き換え: 作業中の文書の全ての行で文字列を置き換えます。 }
var
  i, n, changed: integer;
  before, after, s: string;
begin
  Readln('置き換える文字列', before);
  if (before <> '') and (before <> 'Cancel') then
  begin
    Readln('置き換え後の文字列', after);
    if after <> 'Cancel' then
    begin
      n := GetLineLength;
      changed := 0;
      for i := 1 to n do
      begin
        s := Replace(GetText(i), before, after);
        if s <> GetText(i) then
        begin
          PutText(i, s);
          changed := changed + 1;
        end;
      end;
      Message(IntToStr(changed) + ' 行を置き換えました');
    end;
  end;
end.
