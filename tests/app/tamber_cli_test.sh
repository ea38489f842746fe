#!/usr/bin/env bash
# The tamber program from the command line: its options, the hand-over from a
# second start, and what `cmake --install` puts in place.
set -u
tamber=$1
build=$2
work=$(mktemp -d)
first=""
trap '[ -n "$first" ] && kill "$first" 2>/dev/null; rm -rf "$work"' EXIT
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
export QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 TAMBER_HOME=$work/home
mkdir -m 700 run && export XDG_RUNTIME_DIR=$work/run

check "--version" "Tamberエディタ Ver7.00" "$("$tamber" --version)"
"$tamber" --help | grep -q '^Usage: tamber'; check "--help prints the usage" "0" "$?"
"$tamber" --bogus 2> err.txt; check "an unknown option is a usage error" "2" "$?"
grep -q 'unknown option: --bogus' err.txt; check "an unknown option is named" "0" "$?"
check "options start no editor" "" "$(ls run)"

echo one > a.txt
mkdir other && echo two > other/b.txt
"$tamber" a.txt > first.log 2>&1 &
first=$!
for _ in $(seq 1 100); do [ -S run/tamber.socket ] && break; sleep 0.1; done
check "the first start listens on a user-only socket" "srwx------" "$(stat -c %A run/tamber.socket 2>&1)"
start=$(date +%s%N)
(cd other && timeout 10 "$tamber" b.txt)
check "a second start hands over and ends" "0" "$?"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
check "within 2 s" "yes" "$([ "$elapsed" -lt 2000 ] && echo yes || echo "no ($elapsed ms)")"
kill -0 "$first" 2>/dev/null; check "the first one goes on" "0" "$?"
kill "$first"; wait "$first" 2>/dev/null; first=""

cmake --install "$build" --prefix "$work/prefix" > /dev/null
for f in bin/tamber share/applications/tamber.desktop share/icons/hicolor/scalable/apps/tamber.svg; do
  check "installs $f" "yes" "$([ -s "prefix/$f" ] && echo yes || echo no)"
done
grep -q '^MimeType=text/plain;text/x-csrc;.*text/x-pascal;' prefix/share/applications/tamber.desktop
check "the desktop file names the text types" "0" "$?"

if [ "$failures" -ne 0 ]; then echo "$failures failed"; exit 1; fi
