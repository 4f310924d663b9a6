#!/usr/bin/env bash
# Black-box check of the real program in a real X window (run under xvfb-run):
# started with a file, its title becomes the file name; F12 opens the list;
# the menu closes it and the settings file is written beside the executable.
set -euo pipefail
binary=$1
shots=$2
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$binary"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=30 \
  -f lavfi -i sine=duration=30 -c:v mpeg4 -c:a mp3 "$work/smoke clip.avi"
start_program "$work/smoke clip.avi"
wid=$(timeout 20 xdotool search --sync --name '^smoke clip\.avi$' | head -n1)
[ -n "$wid" ] || { echo "no window titled with the file name"; exit 1; }
sleep 1
ffmpeg -nostdin -loglevel error -y -f x11grab -i "$DISPLAY" -frames:v 1 "$shots/main_window.png" || true
xdotool windowfocus --sync "$wid"
xdotool key F12
if ! timeout 10 xdotool search --sync --name '^List$' >/dev/null; then
  echo "F12 did not open the list window"; exit 1
fi
ffmpeg -nostdin -loglevel error -y -f x11grab -i "$DISPLAY" -frames:v 1 "$shots/list_window.png" || true
close_through_menu "$wid"
grep -q '^Vol=0' "$work/Sonoquill.ini" || { echo "settings not written"; exit 1; }
echo "smoke test passed"
