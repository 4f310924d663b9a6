#!/usr/bin/env bash
# The real program from outside, for what only a running process shows; one
# case a run: black_box.sh CASE PROGRAM. Run under xvfb-run and
# dbus-run-session, wayland under under_weston.sh instead of xvfb-run.
set -euo pipefail
case_=$1
source "$(dirname "$0")/x11_test_lib.sh"
expect() { [ "$2" = "$3" ] || { echo "$1: got $2, wanted $3"; exit 1; }; } # what, actual, wanted
ended_well() { local s=0; wait "$pid" || s=$?; pid=; [ $s = 0 ] || { echo "ended with $s"; exit 1; }; }
quit() { gdbus call --session -d "$bus" -o "$path" -m org.mpris.MediaPlayer2.Quit >/dev/null
  timeout 10 tail --pid="$pid" -f /dev/null || { echo "Quit did not end the program"; exit 1; }; ended_well; }
case $case_ in
# The player on the session bus: each entry's fields exact, its length in µs, told with
# it also when it follows by itself; PlayPause, Seeked on seeks and on a repeating file
# starting over, Next, Previous and going past the end moving in the shown list; Volume as
# amplitude moving the slider; the position never negative; Quit writing the settings.
mpris)
  copy_program "$2"
  tags=(-metadata title=Tagged -metadata "artist=Sono Band" -metadata album=Takes)
  for i in 1 2 3; do # a snapshot of three tones, the stored row 1; the first short
    len[i]=$((((n = 230000 * i * i + 4321 * i) * 1000000 + 22050) / 44100)) # samples, µs
    ffmpeg -nostdin -loglevel error -f lavfi -i "sine=frequency=$((300 + 100 * i))" \
      -af "atrim=end_sample=$n" "${tags[@]:0:6 * (i == 1)}" "$work/song$i.wav"
    printf '%s\r\n' "$work/song$i.wav" >> "$work/Sonoquill.m3u"
    url[i]="'xesam:url': <'file://$work/song$i.wav'>"
  done
  printf '[Set]\r\npin=1\r\n' > "$work/Sonoquill.ini"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=1" "$work/a b.wav"
  start_program
  timeout 20 gdbus wait --session "$bus"
  gdbus monitor --session -d "$bus" > "$work/signals" &
  while position; do sleep 0.05; done > "$work/positions" 2>&1 &
  trap 'kill $(jobs -p) 2>/dev/null || true; cleanup' EXIT
  expect Identity "$(get org.mpris.MediaPlayer2 Identity)" "(<'Sonoquill'>,)"
  # Show the list and restore the snapshot: entry 1 plays, then entry 2.
  main=$(timeout 20 xdotool search --sync --name '^Sonoquill$' | head -n1)
  list=$(open_list "$main")
  # "Restore": 800 twips from the right edge, 2970 down, at 15 twips a pixel.
  width=$(xdotool getwindowgeometry "$list" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$list" $(( width - 800 / 15 + 20 )) $(( 2970 / 15 + 8 )) click 1
  shown=("'xesam:album': <'Takes'> 'xesam:artist': <('Sono Band')> 'xesam:title': <'Tagged'>"
    "'xesam:title': <'song2.wav'>" "'xesam:title': <'song3.wav'>")
  for i in 1 2; do
    eventually "entry $i" "'mpris:length': <int64 ${len[i]}> ${shown[i-1]} ${url[i]} " fields
    track[i]=$(meta mpris:trackid | sed "s/.*'\(.*\)'>/\1/")
    eventually "entry $i told" "${url[i]}" cat "$work/signals"
    told=$(grep -F "${url[i]}" "$work/signals" | sed "s/.*'mpris:length': <int64 \([0-9]*\)>.*/\1/; t; s/.*/none/")
    [ "$i" = 2 ] || told=$(grep -v none <<<"$told") # the first may be told as it opens
    expect "lengths told for entry $i" "$(sort -u <<<"$told" | paste -sd' ')" "${len[i]}"
  done
  expect "two track ids" "$(printf '%s\n' "${track[@]}" | sort -u |
    sed -E 's#^/org/mpris/.*#/#; s#^(/[A-Za-z0-9_]+)+$#ok#' | paste -sd' ')" "ok ok"
  call PlayPause
  eventually "after PlayPause" "'Paused'" get org.mpris.MediaPlayer2.Player PlaybackStatus
  call SetPosition "@o '/t'" 9000000 # another track's: stale
  call SetPosition "@o '${track[2]}'" 5000000
  call Seek 1000000
  eventually "Seeked after Seek" 2 grep -c Seeked "$work/signals"
  expect "the first Seeked" "$(grep -m1 -o 'Seeked (int64 [0-9]*' "$work/signals")" "Seeked (int64 5000000"
  call Next
  eventually "entry 3" "'mpris:length': <int64 ${len[3]}> ${shown[2]} ${url[3]} " fields
  expect "lengths told with entry 3" "$(grep -F "${url[3]}" "$work/signals" |
    grep -o "'mpris:length': <int64 [0-9]*" | sed 's/.* //' | sort -u | paste -sd' ')" "${len[3]}"
  call SetPosition "@o '$(meta mpris:trackid | sed "s/.*'\(.*\)'>/\1/")'" $((len[3] + 1))
  eventually "position past the end" "1/3" xdotool getwindowname "$list"
  call Previous
  eventually "entry 3 playing" "int64 [1-9]" position
  call Seek $((len[3] + 1))
  eventually "seek past the end" "${url[1]}" meta xesam:url
  # Amplitude asked, amplitude read back from the slider's nearest value.
  while read -r asked read_back; do
    gdbus call --session -d "$bus" -o "$path" -m org.freedesktop.DBus.Properties.Set \
      org.mpris.MediaPlayer2.Player Volume "<$asked>" >/dev/null
    eventually "Volume after $asked" "<$read_back" get org.mpris.MediaPlayer2.Player Volume
  done <<<$'1.0 1.0\n0.0 0.04466\n0.4 0.4059'
  # The list hidden and repeat on: a one-second file starts over by itself.
  xdotool windowfocus --sync "$main" key F12 alt+r
  call OpenUri "'file://$work/a%20b.wav'"
  call Next # the list hidden: nothing to move in
  eventually "encoded url" "'xesam:url': <'file://$work/a%20b.wav'>" meta xesam:url
  eventually "Seeked on repeat" "Seeked (int64 0," cat "$work/signals"
  call Stop
  eventually "after Stop" "'Stopped'" get org.mpris.MediaPlayer2.Player PlaybackStatus
  expect "length after Stop" "$(meta mpris:length)" "'mpris:length': <int64 1000000>"
  quit
  grep -q '^Vol=71' "$work/Sonoquill.ini" || { echo "Quit did not write the settings"; exit 1; }
  expect "positions" "$(grep -o 'int64 -\?' "$work/positions" | sort -u)" "int64 "
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
    eventually "$file playing" "$a_second" position
  done
  quit
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
  eventually "playing from the share" "$a_second" position
  touch "$work/stall-now"
  sleep 2 # what the engine read ahead is played
  xdotool windowfocus --sync "$main" key alt+r # the window still answers: the box is kept at the end
  sleep 0.5
  kill -TERM "$pid"
  # The program ends; the kernel keeps the one thread that waits on the hung
  # share until the share answers or goes, so the process is reaped then.
  eventually "the end after a termination" "<Z>" \
    sed -n 's/^State:\s*\(.\).*/<\1>/p' "/proc/$pid/status"
  kill -KILL "$fs" # the share gone: the kernel lets that thread go
  ended_well
  grep -q '^Repeat=1' "$work/Sonoquill.ini" || { echo "the settings were not written"; exit 1; }
  ;;
*) echo "no such case: $case_"; exit 2 ;;
esac
echo "$case_ passed"
