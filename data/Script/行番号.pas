{ 行番号: 作業中の文書の各行の先頭に行番号を付けます。 }
var
  i, n: integer;
begin
  if MsgBox('全ての行の先頭に行番号を付けます。よろしいですか？') then
  begin
    n := GetLineLength;
    for i := 1 to n do
      PutText(i, IntToStrF('%5d: ', i) + GetText(i));
    Message(IntToStr(n) + ' 行に番号を付けました');
  end;
end.
