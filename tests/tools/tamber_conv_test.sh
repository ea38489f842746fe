#!/usr/bin/env bash
# tamber-conv from the command line: guesses, conversions checked against nkf,
# and the errors that must leave no partial output behind.
set -u
conv=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}

printf '日本語のテキスト ｶﾞｷﾞ\n二行目 ~\\ ①\n' > utf8.txt
nkf -x -s utf8.txt > sjis.txt
nkf -x -e utf8.txt > euc.txt
nkf -j utf8.txt > jis.txt
printf '\xef\xbb\xbfmark\r\n' > bom.txt
printf 'ascii only\n' > ascii.txt
printf 'bin\x00ary' > data.bin

check "guess one file" "S_JIS" "$("$conv" --guess sjis.txt)"
check "guess many" "utf8.txt: UTF-8
sjis.txt: S_JIS
euc.txt: EUC
jis.txt: JIS
bom.txt: UTF-8
ascii.txt: S_JIS
data.bin: BIN" "$("$conv" --guess utf8.txt sjis.txt euc.txt jis.txt bom.txt ascii.txt data.bin)"

# Guesses against nkf's on real Japanese prose in every code, line by line
# and for every run of first lines: short EUC texts of kana are the hard case.
cat > prose.txt <<'EOF'
吾輩はここで始めて人間というものを見た。
しかもあとで聞くとそれは書生という人間中で一番獰悪な種族であったそうだ。
ありがとうございます。
きょうはいいてんきですね。
これはテストです。
よろしくおねがいします。
東京から大阪まで新幹線で行きました。
設定ファイルを読み込めませんでした。
ファイルが見つかりません
保存しますか？
メモリが足りません。
おはようございます
カタカナとひらがなとかんじ
いちにちじゅう、あめがふっていた。
昔々、ある所におじいさんとおばあさんが住んでいました。
プログラムを終了します。
この操作は元に戻せません。
文字コードを選んでください
ほんとうにさくじょしますか
了解
EOF
nkf_code() {
  case "$(nkf --guess "$1")" in
    EUC-JP*) echo EUC ;; Shift_JIS*) echo S_JIS ;; ISO-2022-JP*) echo JIS ;;
    UTF-8*) echo UTF-8 ;; ASCII*) echo S_JIS ;; *) echo "unknown" ;;
  esac
}
disagree=""
lines=$(wc -l < prose.txt)
for i in $(seq 1 "$lines"); do
  for part in "sed -n ${i}p" "head -n $i"; do
    $part prose.txt > part.txt
    for c in e s j w; do
      nkf -x -$c part.txt > "part.$c"
      [ "$(nkf_code "part.$c")" = "$("$conv" --guess "part.$c")" ] || disagree="$disagree [$part -$c]"
    done
  done
done
check "guesses agree with nkf on Japanese prose" "" "$disagree"

for src in utf8 euc jis; do
  "$conv" --to sjis "$src.txt" > "out-$src.sjis"
  if [ "$src" = jis ]; then expected=$(nkf -x -s jis.txt | xxd -p); else expected=$(xxd -p sjis.txt); fi
  check "$src to Shift-JIS agrees with nkf" "$expected" "$(xxd -p "out-$src.sjis")"
done
"$conv" --to euc sjis.txt > out.euc
check "Shift-JIS to EUC agrees with nkf" "$(xxd -p euc.txt)" "$(xxd -p out.euc)"
"$conv" --to utf8 --no-bom sjis.txt > out.utf8
check "Shift-JIS to UTF-8 agrees with nkf" "$(xxd -p utf8.txt)" "$(xxd -p out.utf8)"
"$conv" --to utf8 sjis.txt > out-bom.utf8
check "a save in UTF-8 writes the mark" "efbbbf" "$(head -c 3 out-bom.utf8 | xxd -p)"
: > empty.txt
"$conv" --to utf8 empty.txt > out-empty.utf8
check "an empty file saved in UTF-8 is the mark" "efbbbf" "$(xxd -p out-empty.utf8)"
"$conv" --to utf8 bom.txt -o kept.txt
check "a marked file keeps one mark and its CR LF" "$(xxd -p bom.txt)" "$(xxd -p kept.txt)"
"$conv" --to jis euc.txt -o out.jis
check "JIS output decodes back to the text" "$(nkf -x -w euc.txt | nkf -w -X)" "$(nkf -w out.jis)"

echo precious > target.txt
"$conv" --to euc data.bin -o target.txt 2> err.txt
check "binary input is refused" "1" "$?"
check "binary input leaves the output as it was" "precious" "$(cat target.txt)"
grep -q binary err.txt; check "binary input says why" "0" "$?"

"$conv" --to sjis missing.txt -o target.txt 2> err.txt
check "a missing file is an error" "1" "$?"
grep -q 'No such file' err.txt; check "a missing file says why" "0" "$?"

printf 'emoji 😀\n' > emoji.txt
"$conv" --to sjis emoji.txt -o target.txt 2> err.txt
check "a lossy conversion is refused" "1" "$?"
check "a refused conversion writes nothing" "precious" "$(cat target.txt)"
"$conv" --to sjis --lossy emoji.txt -o lossy.txt 2> err.txt
check "--lossy writes the geta mark" "$(printf 'emoji \x81\xac\n' | xxd -p)" "$(xxd -p lossy.txt)"

# Characters CP932 maps one way: a UTF-8 file comes back with the forms it
# used; one that cannot (both forms of a pair, ¥, ‾) is refused without --lossy.
printf '波〜線 ‖ − ¢ £ ¬ —\n' > forms.txt
"$conv" --to utf8 --no-bom forms.txt -o forms-out.txt
check "a UTF-8 file keeps the forms it used" "$(xxd -p forms.txt)" "$(xxd -p forms-out.txt)"
for text in 'price ¥100' 'over‾line' '〜 and ～ 〜'; do
  printf '%s\n' "$text" > oneway.txt
  "$conv" --to utf8 --no-bom oneway.txt -o target.txt 2> err.txt
  check "refused without --lossy: $text" "1 precious" "$? $(cat target.txt)"
done
"$conv" --to utf8 --no-bom --lossy oneway.txt > lossy.txt 2> err.txt
check "--lossy writes the form used first for both" "〜 and 〜 〜" "$(cat lossy.txt)"

# A long file is converted in pieces: the result is the same, and a loss near
# its end still leaves nothing behind, in OUT or in a file on standard output.
for i in $(seq 1 12000); do echo "line $i 日本語のテキスト ｶﾞｷﾞ"; done > long.txt
nkf -x -s long.txt > long.sjis
"$conv" --to utf8 --no-bom long.sjis > long.out
check "a long file converts whole" "$(md5sum < long.txt)" "$(md5sum < long.out)"
printf 'emoji 😀\n' >> long.txt
echo precious > long.out
"$conv" --to sjis long.txt -o long.out 2> err.txt
check "a late loss writes nothing to OUT" "1 precious" "$? $(cat long.out)"
"$conv" --to sjis long.txt > long.out 2> err.txt
check "a late loss leaves standard output empty" "1 0" "$? $(stat -c %s long.out)"

"$conv" --to sjis sjis.txt -o no/such/dir/out.txt 2> err.txt
check "an unwritable output is an error" "1" "$?"
"$conv" --to klingon sjis.txt 2> /dev/null
check "an unknown code is a usage error" "2" "$?"

# Only regular files are read; an output that is a pipe or a device is written
# to, never replaced by a file (root gets a null device of its own here, since
# it could replace the system's).
mkfifo in.fifo out.fifo
timeout 5 "$conv" --guess in.fifo 2> err.txt
check "a pipe as input is refused at once" "1" "$?"
grep -q 'in.fifo: Not a regular file' err.txt; check "a pipe as input says why" "0" "$?"
mkdir dir-in
timeout 5 "$conv" --to euc /dev/zero -o target.txt 2> err.txt
check "a device as input is refused" "1 precious" "$? $(cat target.txt)"
timeout 5 "$conv" --to euc dir-in 2> err.txt
check "a folder as input is refused" "1" "$?"
timeout 5 "$conv" --to euc sjis.txt -o out.fifo 2> err.txt
check "a pipe nobody reads is refused at once" "1" "$?"
timeout 5 cat out.fifo > from-pipe.txt &
reader=$!
sleep 0.3
timeout 5 "$conv" --to euc sjis.txt -o out.fifo
check "a pipe with a reader is written to" "0" "$?"
wait "$reader"
check "the reader gets the conversion" "$(xxd -p euc.txt)" "$(xxd -p from-pipe.txt)"
check "the pipe stays a pipe" "fifo" "$(stat -c %F out.fifo)"
if [ "$(id -u)" = 0 ]; then mknod null c 1 3; device=$PWD/null; else device=/dev/null; fi
ln -s "$device" to-null
"$conv" --to euc sjis.txt -o to-null && "$conv" --to euc sjis.txt -o "$device"
check "a device is written to" "0" "$?"
check "the device stays a device" "character special file 1,3 link" \
  "$(stat -c '%F %t,%T' "$device") $(stat -c %F to-null | cut -d' ' -f2)"

ls -a | grep -q '^\.tamber-'; check "no temporary files are left" "1" "$?"

if [ "$failures" -ne 0 ]; then echo "$failures failed"; exit 1; fi
