#!/usr/bin/env bash
# The player on the session bus (run under dbus-run-session and xvfb-run):
# Identity, PlayPause on the real control, Next playing the next entry of the
# shown list, Seeked on seeks and on a repeating file starting over, Volume as
# amplitude moving the slider, an encoded xesam:url, the length kept after
# Stop, Raise, and Quit writing the settings as the menu's exit does.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$binary"
make_snapshot 3 30 1
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=1" "$work/a b.wav"
start_program
timeout 20 gdbus wait --session "$bus"
gdbus monitor --session -d "$bus" > "$work/signals" &
monitor=$!
trap 'kill $monitor 2>/dev/null || true; cleanup' EXIT
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
eventually PlaybackStatus "'Playing'" get org.mpris.MediaPlayer2.Player PlaybackStatus
expect Metadata "$(get org.mpris.MediaPlayer2.Player Metadata)" "'xesam:title': <'song1.wav'>"

call PlayPause
eventually "after PlayPause" "'Paused'" get org.mpris.MediaPlayer2.Player PlaybackStatus
call PlayPause
eventually "after PlayPause again" "'Playing'" get org.mpris.MediaPlayer2.Player PlaybackStatus
call SetPosition "@o '/t'" 5000000
eventually "Seeked after SetPosition" "Seeked (int64 5000000" cat "$work/signals"
call Seek 1000000
eventually "Seeked after Seek" 2 grep -c Seeked "$work/signals"

call Next
timeout 10 xdotool search --sync --name '^song2\.wav$' >/dev/null
eventually "list caption after Next" "2/3" xdotool getwindowname "$list"


# Amplitude asked, amplitude read back from the slider's nearest value.
while read -r asked read_back; do
  gdbus call --session -d "$bus" -o "$path" -m org.freedesktop.DBus.Properties.Set \
    org.mpris.MediaPlayer2.Player Volume "<$asked>" >/dev/null
  eventually "Volume after $asked" "<$read_back" get org.mpris.MediaPlayer2.Player Volume
done <<'TABLE'
1.0   1.0
0.045 0.04466
0.0   0.04466
0.4   0.4059
TABLE

# The list hidden and repeat on: a one-second file starts over by itself.
xdotool windowfocus --sync "$main"
xdotool key F12 alt+r
call OpenUri "'file://$work/a%20b.wav'"
eventually "encoded url" "'file://$work/a%20b.wav'" get org.mpris.MediaPlayer2.Player Metadata
eventually "Seeked on repeat" "Seeked (int64 0," cat "$work/signals"
call Stop
eventually "after Stop" "'Stopped'" get org.mpris.MediaPlayer2.Player PlaybackStatus
expect "length after Stop" "$(get org.mpris.MediaPlayer2.Player Metadata)" "'mpris:length': <int64 1"

gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Raise >/dev/null
gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Quit >/dev/null
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$pid" 2>/dev/null; then echo "Quit did not end the program"; exit 1; fi
grep -q '^Vol=71' "$work/Sonoquill.ini" || { echo "Quit did not write the settings"; cat "$work/Sonoquill.ini"; exit 1; }
echo "mpris test passed"
