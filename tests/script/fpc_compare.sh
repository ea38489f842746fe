#!/usr/bin/env bash
# Runs every program in the folder with tamber-script and, compiled by Free
# Pascal, natively; both must print the same lines. The programs keep to what
# the script dialect and Free Pascal agree on.
set -euo pipefail
runner=$1
dir=$2
command -v fpc >/dev/null || { echo "fpc is missing (scripts/setup-deps installs fp-compiler)"; exit 1; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
status=0
for prog in "$dir"/*.pas; do
  name=$(basename "$prog" .pas)
  if ! fpc -Mdelphi -FaSysUtils -FE"$tmp" -o"$tmp/$name" "$prog" >"$tmp/$name.log" 2>&1; then
    echo "FAIL $name: fpc cannot compile it"; cat "$tmp/$name.log"; status=1; continue
  fi
  "$tmp/$name" >"$tmp/$name.fpc"
  if ! "$runner" "$prog" >"$tmp/$name.out" 2>"$tmp/$name.err"; then
    echo "FAIL $name: tamber-script failed: $(cat "$tmp/$name.err")"; status=1; continue
  fi
  if ! diff -u "$tmp/$name.fpc" "$tmp/$name.out"; then
    echo "FAIL $name: outputs differ"; status=1; continue
  fi
  echo "ok $name ($(wc -l <"$tmp/$name.out") lines)"
done
exit $status
