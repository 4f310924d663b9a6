#!/usr/bin/env bash
# Black-box check under Xvfb: with a snapshot of four short files beside the
# program and row 2 stored, F12 and "Restore" play from row 2 to the last
# entry by themselves; the window titles tell each step.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
cp "$binary" "$work/sonoquill"
for i in 1 2 3 4; do
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=$((300 + 100 * i)):duration=0.6" "$work/song$i.wav"
  printf '%s\r\n' "$work/song$i.wav" >> "$work/Sonoquill.m3u"
done
printf '[Set]\r\npin=2\r\n' > "$work/Sonoquill.ini"
export XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb
"$work/sonoquill" &
pid=$!
main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
xdotool windowfocus --sync "$main"
xdotool key F12
list=$(timeout 10 xdotool search --sync --name '^List$' | head -n1)
click_restore "$list"
titles=""
for _ in $(seq 100); do
  t="$(xdotool getwindowname "$main")|$(xdotool getwindowname "$list")"
  case "$titles" in *"$t;"*) ;; *) titles="$titles$t;" ;; esac
  case "$t" in "song4.wav|1/4") break ;; esac
  sleep 0.1
done
echo "titles seen: $titles"
expected="song2.wav|2/4;song3.wav|3/4;song4.wav|4/4;song4.wav|1/4;"
case "$titles" in
  *"$expected") echo "restore smoke test passed" ;;
  *) echo "expected to end with: $expected"; exit 1 ;;
esac
