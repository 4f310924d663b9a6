#!/usr/bin/env bash
# Black-box check under Xvfb: with a snapshot of four short files beside the
# program and row 2 stored, F12 and "Restore" play from row 2 to the last
# entry by themselves; the window titles tell each step.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$binary"
make_snapshot 4 0.6 2
start_program
main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
list=$(open_list "$main")
click_restore "$list"
# The two windows are read one after the other, so a step may fall between
# the two reads: each window's own sequence of titles is checked instead.
mains=""
lists=""
for _ in $(seq 100); do
  m=$(xdotool getwindowname "$main")
  l=$(xdotool getwindowname "$list")
  case "$mains" in *"$m;") ;; *) mains="$mains$m;" ;; esac
  case "$lists" in *"$l;") ;; *) lists="$lists$l;" ;; esac
  [ "$m|$l" = "song4.wav|1/4" ] && break
  sleep 0.1
done
echo "main window titles: $mains"
echo "list window titles: $lists"
case "$mains" in *"song2.wav;song3.wav;song4.wav;") ;; *)
  echo "expected the main window to end with: song2.wav;song3.wav;song4.wav;"; exit 1 ;;
esac
case "$lists" in *"2/4;3/4;4/4;1/4;") ;; *)
  echo "expected the list window to end with: 2/4;3/4;4/4;1/4;"; exit 1 ;;
esac
echo "restore smoke test passed"
