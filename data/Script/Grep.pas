{ Grep: 作業中の文書から文字列を含む行を探し、結果を新しい文書に書き出します。 }
var
  i, n, hits: integer;
  key, s, r, cap: string;
begin
  Readln('検索する文字列', key);
  if (key <> '') and (key <> 'Cancel') then
  begin
    cap := GetCaption;
    n := GetLineLength;
    hits := 0;
    r := '';
    for i := 1 to n do
    begin
      s := GetText(i);
      if AnsiPos(key, s) > 0 then
      begin
        if r <> '' then r := r + #13#10;
        r := r + cap + '(' + IntToStr(i) + '): ' + s;
        hits := hits + 1;
      end;
    end;
    if hits = 0 then
      OkMsgBox('「' + key + '」は見つかりませんでした')
    else
    begin
      NewPage('Grep ' + key);
      Writeln(r);
    end;
  end;
end.
