#!/usr/bin/env bash
# Black-box check under Xvfb: a SIGTERM while the list's Load or Save file
# dialog is open cancels the dialog and closes as usual: exit code 0 and the
# settings written.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$binary"

# Clicks the list window's command button whose top is TOP twips.
click_command() {
  local list=$1 top=$2 width
  width=$(xdotool getwindowgeometry "$list" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$list" $(( (width * 15 - 800) / 15 + 20 )) $(( top / 15 + 8 )) click 1
}

for row in "2160 開く" "1890 名前を付けて保存"; do
  read -r top title <<<"$row"
  rm -f "$work/Sonoquill.ini"
  start_program
  main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
  list=$(open_list "$main")
  click_command "$list" "$top"
  timeout 20 xdotool search --sync --name "^$title\$" >/dev/null ||
    { echo "the $title dialog did not open"; exit 1; }
  kill -TERM "$pid"
  status=0
  timeout 20 tail --pid="$pid" -f /dev/null || { echo "$title: still running"; exit 1; }
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "$title: exit code $status"; exit 1; }
  grep -q '^Vol=0' "$work/Sonoquill.ini" || { echo "$title: settings not written"; exit 1; }
  echo "$title: closed with exit code 0"
done
echo "quit with a dialog open passed"
