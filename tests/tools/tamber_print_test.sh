#!/usr/bin/env bash
# tamber-print from the command line: PDFs read back with poppler, the stored
# settings, batches into a folder, and the exit statuses.
set -u
print=$1
ini=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
export TAMBER_HOME="$work/home"  # no stored settings unless --ini names them
failures=0
check() {  # check NAME EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    echo "FAIL: $1: expected [$2], got [$3]"
    failures=$((failures + 1))
  else
    echo "ok: $1"
  fi
}
contains() {  # contains NAME NEEDLE HAYSTACK
  case "$3" in
    *"$2"*) echo "ok: $1" ;;
    *) echo "FAIL: $1: [$2] not in [$(printf '%s' "$3" | head -c 400)]"; failures=$((failures + 1)) ;;
  esac
}
pages() { pdfinfo "$1" 2>/dev/null | sed -n 's/^Pages: *//p'; }

for i in $(seq 1 150); do printf 'N%04d G01 X%d.0 Y-2.5 ; 切削 %d\n' "$i" "$i" "$i"; done > prog.txt
nkf -x -s prog.txt > prog.nc
printf 'bin\x00ary' > data.bin

"$print" -o plain.pdf prog.nc
check "prints a Shift-JIS file to one PDF of two pages" "0 2" "$? $(pages plain.pdf)"
contains "the text reads back in Unicode" "N0001 G01 X1.0 Y-2.5 ; 切削 1" "$(pdftotext -layout -l 1 plain.pdf -)"
contains "the last line is on the second page" "N0150 G01 X150.0" "$(pdftotext -layout -f 2 plain.pdf -)"

"$print" --ini "$ini" -o stored.pdf prog.nc
check "stored settings: two columns and line numbers fit one page" "0 1" "$? $(pages stored.pdf)"
text=$(pdftotext -layout stored.pdf -)
contains "the header names the file and page" "prog.nc p.1" "$text"
contains "the footer carries the page number" "- 1 -" "$text"
contains "line numbers stand before the lines" "1:N0001 G01" "$text"

mkdir out
"$print" --out-dir out prog.nc missing.txt prog.txt data.bin 2>err.txt
check "a batch with unprintable files fails" "1" "$?"
check "the printable files of the batch are printed" "out/prog.nc.pdf out/prog.txt.pdf" "$(ls out/*.pdf | tr '\n' ' ' | sed 's/ $//')"
contains "a missing file is named" "missing.txt" "$(cat err.txt)"
contains "a binary file is refused" "data.bin: a binary file" "$(cat err.txt)"
check "no partial output is left" "" "$(ls out | grep -v '\.pdf$')"

"$print" -o x.pdf 2>/dev/null
check "no file is a usage error" "2" "$?"
"$print" -o x.pdf prog.nc prog.txt 2>/dev/null
check "one PDF for two files is a usage error" "2" "$?"
"$print" --ini nowhere.ini -o x.pdf prog.nc 2>/dev/null
check "a missing settings file fails" "1" "$?"
"$print" -o /nonexistent-folder/x.pdf prog.nc 2>/dev/null
check "an unwritable PDF fails" "1" "$?"

"$print" --printer no-such-printer prog.nc 2>err.txt
check "an unknown printer fails" "1" "$?"
contains "the unknown printer is named" "no printer named no-such-printer" "$(cat err.txt)"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
