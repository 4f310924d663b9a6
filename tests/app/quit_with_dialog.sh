#!/usr/bin/env bash
# Black-box check under Xvfb: a SIGTERM while the list's Load dialog is open
# cancels it and closes as usual: exit code 0 and the settings written.
set -euo pipefail
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$1"
start_program
list=$(open_list "$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)")
width=$(xdotool getwindowgeometry "$list" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
xdotool mousemove --window "$list" $(( width - 800 / 15 + 20 )) $(( 2160 / 15 + 8 )) click 1
timeout 20 xdotool search --sync --name '^開く$' >/dev/null || { echo "no Load dialog"; exit 1; }
kill -TERM "$pid"
status=0
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "exit code $status"; exit 1; }
grep -q '^Vol=0' "$work/Sonoquill.ini" || { echo "settings not written"; exit 1; }
echo "quit with the Load dialog open passed"
