#!/usr/bin/env bash
# The real program from outside, for what only a running process shows; one
# case a run: black_box.sh CASE PROGRAM. Run under xvfb-run and
# dbus-run-session, wayland under under_weston.sh instead of xvfb-run.
set -euo pipefail
case_=$1
source "$(dirname "$0")/x11_test_lib.sh"
expect() { # what, actual, wanted
  case "$2" in *"$3"*) ;; *) echo "$1: got $2, wanted $3"; exit 1 ;; esac
}
case $case_ in
# The player on the session bus: Identity, PlayPause on the real control, Next
# playing the next entry of the shown list, Seeked on seeks and on a repeating
# file starting over, Volume as amplitude moving the slider, an encoded
# xesam:url, the length kept after Stop, and Quit writing the settings.
mpris)
  copy_program "$2"
  for i in 1 2 3; do # a snapshot of three tones, the stored row 1
    ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=$((300 + 100 * i)):duration=30" \
      "$work/song$i.wav"
    printf '%s\r\n' "$work/song$i.wav" >> "$work/Sonoquill.m3u"
  done
  printf '[Set]\r\npin=1\r\n' > "$work/Sonoquill.ini"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=1" "$work/a b.wav"
  start_program
  timeout 20 gdbus wait --session "$bus"
  gdbus monitor --session -d "$bus" > "$work/signals" &
  monitor=$!
  trap 'kill $monitor 2>/dev/null || true; cleanup' EXIT
  expect Identity "$(get org.mpris.MediaPlayer2 Identity)" "'Sonoquill'"
  # Show the list and restore the snapshot: entry 1 plays.
  main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
  list=$(open_list "$main")
  # "Restore": 800 twips from the right edge, 2970 down, at 15 twips a pixel.
  width=$(xdotool getwindowgeometry "$list" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$list" $(( width - 800 / 15 + 20 )) $(( 2970 / 15 + 8 )) click 1
  timeout 10 xdotool search --sync --name '^song1\.wav$' >/dev/null
  eventually PlaybackStatus "'Playing'" get org.mpris.MediaPlayer2.Player PlaybackStatus
  expect Metadata "$(get org.mpris.MediaPlayer2.Player Metadata)" "'xesam:title': <'song1.wav'>"
  call PlayPause
  eventually "after PlayPause" "'Paused'" get org.mpris.MediaPlayer2.Player PlaybackStatus
  track=$(get org.mpris.MediaPlayer2.Player Metadata | grep -o "trackid': <objectpath '[^']*" | sed "s/.*'//")
  call SetPosition "@o '/t'" 9000000 # another track's: stale
  call SetPosition "@o '$track'" 5000000
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
  gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Quit >/dev/null
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2>/dev/null; then echo "Quit did not end the program"; exit 1; fi
  grep -q '^Vol=71' "$work/Sonoquill.ini" || { echo "Quit did not write the settings"; exit 1; }
  ;;
# On Wayland: an audio and then a video file play (a second of each goes by,
# watched over the bus) and Quit ends the program with 0.
wayland)
  copy_program "$2"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/tone.wav"
  ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=30 \
    -f lavfi -i sine=duration=30 -c:v mpeg4 -c:a mp3 "$work/clip.avi"
  "$work/sonoquill" "$work/tone.wav" &
  pid=$!
  for file in tone.wav clip.avi; do
    [ "$file" = tone.wav ] || call OpenUri "'file://$work/$file'"
    eventually "$file loaded" "file://$work/$file'" get org.mpris.MediaPlayer2.Player Metadata
    eventually "$file playing" "int64 [1-9][0-9][0-9][0-9][0-9][0-9][0-9]>" \
      get org.mpris.MediaPlayer2.Player Position
  done
  gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Quit >/dev/null
  timeout 10 tail --pid="$pid" -f /dev/null || { echo "Quit did not end the program"; exit 1; }
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "the program ended with status $status"; exit 1; }
  ;;
# On a share that stops answering (FUSE, see tests/support/stall_fs.py): the
# window keeps answering, and a termination ends the program, settings
# written, though the engine's read never returns. Skipped without FUSE.
stall)
  copy_program "$2"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=60" "$work/tone.wav"
  mkdir "$work/share"
  /usr/bin/python3 "$(dirname "$0")/../support/stall_fs.py" "$work/tone.wav" "$work/share" \
    "$work/stall-now" 2>/dev/null &
  fs=$!
  trap 'kill -KILL $fs 2>/dev/null || true; fusermount -uz "$work/share" 2>/dev/null || true; cleanup' EXIT
  for _ in $(seq 50); do [ -e "$work/share/tone.wav" ] && break; sleep 0.1; done
  [ -e "$work/share/tone.wav" ] || { echo "FUSE is not available here"; exit 77; }
  start_program "$work/share/tone.wav"
  main=$(timeout 20 xdotool search --sync --name '^tone\.wav$' | head -n1)
  eventually "playing from the share" "int64 [1-9][0-9][0-9][0-9][0-9][0-9][0-9]>" \
    get org.mpris.MediaPlayer2.Player Position
  touch "$work/stall-now"
  sleep 2 # what the engine read ahead is played
  xdotool windowfocus --sync "$main"
  xdotool key alt+r # the window still answers: the box is kept at the end
  sleep 0.5
  kill -TERM "$pid"
  # The program ends; the kernel keeps the one thread that waits on the hung
  # share until the share answers or goes, so the process is reaped then.
  eventually "the end after a termination" "<Z>" \
    sed -n 's/^State:\s*\(.\).*/<\1>/p' "/proc/$pid/status"
  kill -KILL "$fs" # the share gone: the kernel lets that thread go
  status=0
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "the program ended with status $status"; exit 1; }
  grep -q '^Repeat=1' "$work/Sonoquill.ini" || { echo "the settings were not written"; exit 1; }
  ;;
*) echo "no such case: $case_"; exit 2 ;;
esac
echo "$case_ passed"
