#!/usr/bin/env bash
# --help, -Register and -Unregister work where there is no display at all (a
# package script, a remote shell): they print or write, and end with success.
# Usage: check-windowless.sh PROGRAM SCRATCH_DIR
set -uo pipefail
program=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch/data" "$scratch/home"
run() {
  env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM HOME="$scratch/home" XDG_DATA_DIRS="$scratch/data" \
    "$program" "$@"
}
fail=0
out=$(run --help 2>"$scratch/err") || { echo "--help failed: $(cat "$scratch/err")"; fail=1; }
case $out in *--lang*) ;; *) echo "--help printed no usage"; fail=1 ;; esac
run -Register 2>"$scratch/err" || { echo "-Register failed: $(cat "$scratch/err")"; fail=1; }
written=$(find "$scratch/data" -type f | wc -l)
[ "$written" -eq 1 ] || { echo "-Register wrote $written files"; fail=1; }
run -Unregister 2>"$scratch/err" || { echo "-Unregister failed: $(cat "$scratch/err")"; fail=1; }
left=$(find "$scratch/data" -type f | wc -l)
[ "$left" -eq 0 ] || { echo "-Unregister left $left files"; fail=1; }
exit $fail
