#!/usr/bin/env bash
# Black-box check under Xvfb: with a snapshot of four short files beside the
# program and row 2 stored, F12 and "Restore" play from row 2 to the last
# entry by themselves; the window titles tell each step.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
cp "$binary" "$work/sonoquill"
make_snapshot 4 0.6 2
start_program
main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
list=$(open_list "$main")
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
