#!/usr/bin/env bash
# The player on the session bus (run under dbus-run-session and xvfb-run):
# Identity, PlayPause on the real control, Volume moving the slider, Next
# playing the next entry of the shown list, Raise, and Quit writing the
# settings as the menu's exit does.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
cp "$binary" "$work/sonoquill"
make_snapshot 3 30 1
start_program
bus=org.mpris.MediaPlayer2.sonoquill
path=/org/mpris/MediaPlayer2
timeout 20 gdbus wait --session "$bus"
get() { gdbus call --session -d "$bus" -o "$path" -m org.freedesktop.DBus.Properties.Get "$1" "$2"; }
call() { gdbus call --session -d "$bus" -o "$path" -m "org.mpris.MediaPlayer2.Player.$1" "${@:2}" >/dev/null; }
expect() { # what, actual, wanted
  case "$2" in *"$3"*) ;; *) echo "$1: got $2, wanted $3"; exit 1 ;; esac
}
expect Identity "$(get org.mpris.MediaPlayer2 Identity)" "'Sonoquill'"
expect CanGoNext "$(get org.mpris.MediaPlayer2.Player CanGoNext)" "false"

# Show the list and restore the snapshot: entry 1 plays.
main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
list=$(open_list "$main")
click_restore "$list"
timeout 10 xdotool search --sync --name '^song1\.wav$' >/dev/null
for _ in $(seq 50); do
  [ "$(get org.mpris.MediaPlayer2.Player PlaybackStatus)" = "(<'Playing'>,)" ] && break; sleep 0.1
done
expect PlaybackStatus "$(get org.mpris.MediaPlayer2.Player PlaybackStatus)" "Playing"
expect Metadata "$(get org.mpris.MediaPlayer2.Player Metadata)" "'xesam:title': <'song1.wav'>"

call PlayPause
sleep 0.5
expect "after PlayPause" "$(get org.mpris.MediaPlayer2.Player PlaybackStatus)" "Paused"
call PlayPause
sleep 0.5
expect "after PlayPause again" "$(get org.mpris.MediaPlayer2.Player PlaybackStatus)" "Playing"

call Next
timeout 10 xdotool search --sync --name '^song2\.wav$' >/dev/null
expect "list caption after Next" "$(xdotool getwindowname "$list")" "2/3"

gdbus call --session -d "$bus" -o "$path" -m org.freedesktop.DBus.Properties.Set \
  org.mpris.MediaPlayer2.Player Volume '<0.4>' >/dev/null
expect Volume "$(get org.mpris.MediaPlayer2.Player Volume)" "0.4"

gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Raise >/dev/null
gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Quit >/dev/null
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "Quit did not end the program"; exit 1; fi
grep -q '^Vol=40' "$work/Sonoquill.ini" || { echo "Quit did not write the settings"; cat "$work/Sonoquill.ini"; exit 1; }
echo "mpris test passed"
