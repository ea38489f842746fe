#!/usr/bin/env bash
# The real program on an X server, driven with xdotool: a second start hands
# its file over and ends at once, typing and Ctrl+S change exactly the typed
# bytes of an EUC file whose backup is the file as it was, and a binary file
# and /dev/zero come through unchanged while the window stays responsive.
# Run under xvfb-run: tamber_e2e_test.sh TAMBER [SHOT.png]
set -u
tamber=$(realpath "$1")
shot=${2:-}
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
export ASAN_OPTIONS=detect_leaks=0 TAMBER_HOME=$work/home
unset QT_QPA_PLATFORM
mkdir -m 700 run && export XDG_RUNTIME_DIR=$work/run

printf '\xC6\xFC\xCB\xDC\nabc\n' > e.txt          # 日本 / abc in EUC, LF breaks
cp e.txt e.orig
mkdir other && printf 'two\n' > other/b.txt
head -c 300 /dev/urandom > bin.dat && printf '\0' | dd of=bin.dat bs=1 seek=3 conv=notrunc 2>/dev/null
cp bin.dat bin.orig

# Gives the editor time to act on what it was sent.
settle() { sleep "${1:-0.6}"; }
# Waits until the frame holds the keyboard focus (it raises itself on a hand-over).
focused() {
  for _ in $(seq 1 50); do
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$win" ] && return 0
    sleep 0.1
  done
  echo "the frame did not take the focus"
}

"$tamber" e.txt > first.log 2>&1 &
first=$!
for _ in $(seq 1 150); do [ -S run/tamber.socket ] && break; sleep 0.1; done
win=""
for _ in $(seq 1 100); do
  win=$(xdotool search --name 'Tamberエディタ' 2>/dev/null | head -1)
  [ -n "$win" ] && break
  sleep 0.1
done
check "the frame is shown" "yes" "$([ -n "$win" ] && echo yes || echo no)"
settle 1.5

# A second start from another folder with a relative path.
start=$(date +%s%N)
(cd other && timeout 10 "$tamber" b.txt)
check "a second start hands over and ends" "0" "$?"
elapsed=$(( ($(date +%s%N) - start) / 1000000 ))
check "within 2 s" "yes" "$([ "$elapsed" -lt 2000 ] && echo yes || echo "no ($elapsed ms)")"
settle 2
focused
[ -n "$shot" ] && import -window root "$shot"
# The handed-over file is the active document: typing goes into it.
xdotool type --delay 50 'Z'
xdotool key ctrl+s
settle
check "the handed-over file was opened and saved" "Ztwo" "$(cat other/b.txt)"

# Back to the EUC file, by handing it over again (it is open: activated).
(cd "$work" && timeout 10 "$tamber" e.txt)
settle 2
xdotool type --delay 50 'xy'
xdotool key ctrl+s
settle
check "typing and saving change exactly the typed bytes, in EUC" \
  "$(printf 'xy\xC6\xFC\xCB\xDC\nabc\n' | od -An -tx1)" "$(od -An -tx1 e.txt)"
check "the backup is the file as it was" "0" "$(cmp -s e.orig e.bak; echo $?)"

# A binary file opens read-only after its message; saving writes nothing.
timeout 10 "$tamber" "$work/bin.dat"
settle 2
xdotool key Return   # the message about the binary view
settle
xdotool type --delay 50 'q'
xdotool key ctrl+s
settle
check "the binary file is unchanged" "0" "$(cmp -s bin.orig bin.dat; echo $?)"
check "the binary file has no backup" "no" "$([ -e bin.bak ] && echo yes || echo no)"

# /dev/zero is refused with a message, never read.
timeout 10 "$tamber" /dev/zero
settle 2
xdotool key Return   # the message that it is not a regular file
settle
kill -0 "$first" 2>/dev/null; check "the editor is still running" "0" "$?"
# Still responsive: the EUC file takes more typing.
timeout 10 "$tamber" "$work/e.txt"
settle 2
xdotool type --delay 50 'w'
xdotool key ctrl+s
settle
check "the window still answers" "$(printf 'xyw\xC6\xFC\xCB\xDC\nabc\n' | od -An -tx1)" "$(od -An -tx1 e.txt)"

kill "$first"; wait "$first" 2>/dev/null; first=""
if [ "$failures" -ne 0 ]; then cat first.log; echo "$failures failed"; exit 1; fi
