#!/usr/bin/env bash
# tamber-grep on the same text saved in the four character codes: every file
# must give the same answers, computed on the Shift-JIS text the editor holds.
set -u
grep_tool=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0

printf '日本語のテキスト\nソフトウェア表示\nabc ABC a.c\nポイント－１\n' > "$work/utf8.txt"
iconv -f UTF-8 -t CP932 "$work/utf8.txt" > "$work/sjis.txt"
# From the Shift-JIS bytes: iconv's EUC-JP and ISO-2022-JP have no form of U+FF0D.
nkf -S -e "$work/sjis.txt" > "$work/euc.txt"
nkf -S -j "$work/sjis.txt" > "$work/jis.txt"

# check NAME EXPECTED-STATUS EXPECTED-STDOUT -- ARGS...
check() {
  local name=$1 want_status=$2 want_out=$3
  shift 4
  local out status
  out=$("$grep_tool" "$@" 2>"$work/stderr")
  status=$?
  if [ "$status" != "$want_status" ] || [ "$out" != "$want_out" ]; then
    echo "FAIL $name: status $status (want $want_status)"
    echo "  got:  $(printf '%s' "$out" | tr '\n' '|')"
    echo "  want: $(printf '%s' "$want_out" | tr '\n' '|')"
    failures=$((failures + 1))
  fi
}

# Offsets are into each file as it is: line 3 starts at byte 50 in UTF-8, 34 in
# Shift-JIS and EUC, 46 in JIS (escapes around each kanji run).
declare -A abc_at=([utf8]=50 [sjis]=34 [euc]=34 [jis]=46)
declare -A hyo_at=([utf8]=43 [sjis]=29 [euc]=29 [jis]=38)
for code in utf8 sjis euc jis; do
  f="$work/$code.txt"
  check "$code plain" 0 "2:ソフトウェア表示" -- -n ソフト "$f"
  check "$code offsets" 0 "${abc_at[$code]}:abc"$'\n'"$((abc_at[$code] + 4)):ABC" -- -o -b -i abc "$f"
  check "$code offset inside a line" 0 "${hyo_at[$code]}:表示" -- -o -b 表示 "$f"
  check "$code line offset" 0 "${abc_at[$code]}:abc ABC a.c" -- -b a.c "$f"
  check "$code count" 0 "3" -- -c ト "$f"
  check "$code inverted" 0 $'1:日本語のテキスト\n3:abc ABC a.c\n4:ポイント－１' -- -n -v フ "$f"
  check "$code inverted count" 0 "4" -- -c -v xyz "$f"
  check "$code names" 0 "$f" -- -l ソフト "$f"
  # Each line is searched with the CR LF the editor gives it, whatever the file has.
  check "$code break in the pattern" 0 "ポイント－１" -- $'１\r' "$f"
  check "$code line end" 0 "1" -- -c 'ト$' "$f"
  check "$code names without match" 1 "" -- -l xyz "$f"
  check "$code fuzzy" 0 "ソフトウェア表示" -- --fuzzy ｿﾌﾄ "$f"
  check "$code fixed" 0 "a.c" -- -o -F a.c "$f"
  check "$code regexp" 0 $'abc\na.c' -- -o a.c "$f"
  check "$code line end" 0 "ト" -- -o 'ト$' "$f"
  # The trail bytes of ソ and 表 are 5C, of ポ and － 7C: never a match of their own.
  check "$code backslash" 1 "" -- '\\' "$f"
  check "$code bar" 1 "" -- '\|' "$f"
  check "$code fixed bar" 1 "" -- -F '|' "$f"
  # As grep: an empty pattern selects every line.
  check "$code empty" 0 $'日本語のテキスト\nソフトウェア表示\nabc ABC a.c\nポイント－１' -- -F '' "$f"
done

# The file's own breaks: CR LF and CR count as the bytes they are.
printf 'ab\r\n\r\ncd\r\n' | iconv -f UTF-8 -t CP932 > "$work/crlf.txt"
check "offsets after CR LF" 0 $'0:ab\n6:cd' -- -b . "$work/crlf.txt"
check "CR LF in the pattern" 0 "1" -- -c $'^\r\n' "$work/crlf.txt"
check "line end in a CR LF file" 0 $'1:ab\n3:cd' -- -n '[a-z]$' "$work/crlf.txt"
check "empty line after CR LF" 0 "2:" -- -n '^$' "$work/crlf.txt"
printf 'ab\r\rcd\r' > "$work/cr.txt"
check "offsets after CR" 0 $'1:0:ab\n3:4:cd' -- -n -b . "$work/cr.txt"
printf '\xEF\xBB\xBFab\ncd\n' > "$work/bom.txt"
check "offsets after a byte-order mark" 0 $'4:b\n7:d' -- -o -b '[bd]' "$work/bom.txt"
printf '\xEF\xBB\xBFテab\n' > "$work/bom-kana.txt"
check "a match at the start of a byte-order-marked file" 0 "3:テ" -- -o -b テ "$work/bom-kana.txt"
check "a line at the start of a byte-order-marked file" 0 "0:テab" -- -b テ "$work/bom-kana.txt"

# Plain ASCII strings are found in a UTF-8 file's own bytes; lines are shown
# as the editor shows them (a character with no Shift-JIS form as 〓, ¥ as
# the 5C it becomes), and ¥ and ‾ still match the \ and ~ they become.
printf '\xEF\xBB\xBFabc 日本\nx¥abc 😀abc\nnone\nabcABCabc\n~‾\n' > "$work/ascii.txt"
check "strings in UTF-8 bytes" 0 $'1:0:abc 日本\n2:14:x\\abc 〓abc\n4:34:abcABCabc' -- -n -b abc "$work/ascii.txt"
check "matches in UTF-8 bytes" 0 $'3:abc\n17:abc\n25:abc\n34:abc\n37:ABC\n40:abc' -- -o -b -i abc "$work/ascii.txt"
check "count in UTF-8 bytes" 0 "3" -- -c abc "$work/ascii.txt"
check "inverted in UTF-8 bytes" 0 $'3:none\n5:~~' -- -n -v abc "$work/ascii.txt"
check "¥ is a backslash to the editor" 0 "1" -- -c -F '\' "$work/ascii.txt"
check "‾ is a tilde to the editor" 0 "~~" -- -o -F '~~' "$work/ascii.txt"
printf 'é ab\rab\r' > "$work/cr-utf8.txt"
check "CR breaks in a UTF-8 file" 0 "2" -- -c ab "$work/cr-utf8.txt"

# Counting a Shift-JIS file reads it in pieces of 256 KB; breaks that are
# not all alike in a later piece still make it read as the editor reads it.
yes 'abc テキスト' | head -n 30000 | sed 's/$/\r/' | iconv -f UTF-8 -t CP932 > "$work/big.txt"
check "count in pieces" 0 "30000" -- -c テキスト "$work/big.txt"
check "count in pieces by the automaton" 0 "30000" -- -c 'ト$' "$work/big.txt"
check "names in pieces" 0 "$work/big.txt" -- -l 'ト$' "$work/big.txt"
{ cat "$work/big.txt"; printf 'テキスト\rテキスト\r\n' | iconv -f UTF-8 -t CP932; } > "$work/big-cr.txt"
check "a lone CR in a later piece" 0 "30002" -- -c テキスト "$work/big-cr.txt"
{ cat "$work/big.txt"; printf 'xテキスト\n' | iconv -f UTF-8 -t CP932; } > "$work/big-lf.txt"
check "an LF break in a later piece" 0 "30001" -- -c $'ト\r' "$work/big-lf.txt"

# Where GNU grep reads the same thing (UTF-8 text with LF breaks), it is the
# oracle: the same output and the same exit status.
printf 'a\n\nb\n\nテキスト\nxテキストx\n\n' > "$work/twin.txt"
mkdir -p "$work/tree/sub/deeper" "$work/tree/empty"
cp "$work/twin.txt" "$work/tree/one.txt"
printf 'テキスト\nno\n' > "$work/tree/sub/two.txt"
printf 'nothing here\n' > "$work/tree/sub/deeper/three.txt"
# compare NAME ARGS... (run in $work/$here)
here=.
compare() {
  local name=$1
  shift
  local want got want_status got_status
  want=$(cd "$work/$here" && LC_ALL=C.UTF-8 grep "$@" 2>/dev/null | sort)
  want_status=$(cd "$work/$here" && LC_ALL=C.UTF-8 grep "$@" >/dev/null 2>&1; echo $?)
  got=$(cd "$work/$here" && "$grep_tool" "$@" 2>/dev/null | sort)
  got_status=$(cd "$work/$here" && "$grep_tool" "$@" >/dev/null 2>&1; echo $?)
  if [ "$want" != "$got" ] || [ "$want_status" != "$got_status" ]; then
    echo "FAIL grep agrees on $name: status $got_status (grep $want_status)"
    echo "  got:  $(printf '%s' "$got" | tr '\n' '|')"
    echo "  grep: $(printf '%s' "$want" | tr '\n' '|')"
    failures=$((failures + 1))
  fi
}
compare "empty lines" -n '^$' twin.txt
compare "empty-matching pattern" -n 'x*' twin.txt
compare "only non-empty matches" -o -b 'x*' twin.txt
compare "offsets of matches" -o -b -n テキスト twin.txt
compare "line offsets" -b テキスト twin.txt
compare "count" -c テキスト twin.txt
compare "count of empty lines" -c '^$' twin.txt
compare "count with no match" -c zzz twin.txt
compare "inverted lines" -n -v '^$' twin.txt
compare "inverted with only matching" -o -v テ twin.txt
compare "names" -l テ twin.txt tree/sub/two.txt tree/sub/deeper/three.txt
compare "recursive" -r -n テキスト tree
compare "recursive count" -r -c テキスト tree
compare "recursive names" -r -l テキスト tree
compare "recursive inverted names" -r -l -v テキスト tree
here=tree compare "recursive without a file" -r -c キ
compare "end anchor" -n 'ト$' twin.txt
printf 'テキスト abc\nabcabc x\n日本語\nnoabc\nab\nc\n' > "$work/ascii-twin.txt"
compare "strings in UTF-8" -n -b abc ascii-twin.txt
compare "strings in UTF-8, only matching" -o -b -n abc ascii-twin.txt
compare "strings in UTF-8, count" -c abc ascii-twin.txt
compare "strings in UTF-8, inverted" -v -n abc ascii-twin.txt
check "the longest of several strings in UTF-8" 0 $'abc\nabc\nabc\nabc\nc' -- -o 'bc|abc|c' "$work/ascii-twin.txt"

cd "$work" || exit 1
check "several files" 0 $'sjis.txt:ポイント－１\neuc.txt:ポイント－１' -- ポ sjis.txt euc.txt
check "bad pattern" 2 "" -- '(ab' sjis.txt
grep -q '右(閉じ)括弧が必要です (position 4)' stderr || { echo "FAIL bad pattern message: $(cat stderr)"; failures=$((failures + 1)); }
check "missing file" 2 "" -- abc missing.txt
check "usage" 2 "" -- abc
check "folder without -r" 2 "" -- abc "$work/tree"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "tamber-grep: all checks passed"
