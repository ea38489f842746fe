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

for code in utf8 sjis euc jis; do
  f="$work/$code.txt"
  check "$code plain" 0 "2:ソフトウェア表示" -- -n ソフト "$f"
  check "$code offsets" 0 $'36:abc\n40:ABC' -- -o -b -i abc "$f"
  check "$code fuzzy" 0 "ソフトウェア表示" -- --fuzzy ｿﾌﾄ "$f"
  check "$code fixed" 0 "a.c" -- -o -F a.c "$f"
  check "$code regexp" 0 $'abc\na.c' -- -o a.c "$f"
  check "$code line end" 0 "ト" -- -o 'ト$' "$f"
  # The trail bytes of ソ and 表 are 5C, of ポ and － 7C: never a match of their own.
  check "$code backslash" 1 "" -- '\\' "$f"
  check "$code bar" 1 "" -- '\|' "$f"
  check "$code fixed bar" 1 "" -- -F '|' "$f"
  check "$code empty" 1 "" -- -F '' "$f"
done

cd "$work" || exit 1
check "several files" 0 $'sjis.txt:ポイント－１\neuc.txt:ポイント－１' -- ポ sjis.txt euc.txt
check "bad pattern" 2 "" -- '(ab' sjis.txt
grep -q '右(閉じ)括弧が必要です (position 4)' stderr || { echo "FAIL bad pattern message: $(cat stderr)"; failures=$((failures + 1)); }
check "missing file" 2 "" -- abc missing.txt
check "usage" 2 "" -- abc

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "tamber-grep: all checks passed"
