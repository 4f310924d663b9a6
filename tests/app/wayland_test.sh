#!/usr/bin/env bash
# The program on Wayland (run under dbus-run-session): a headless weston of
# its own and QT_QPA_PLATFORM=wayland. An audio and then a video file play
# (watched over MPRIS: the position moves on) and Quit ends it with status 0.
set -euo pipefail
binary=$1
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$binary"
export XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-sonoquill QT_QPA_PLATFORM=wayland
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 \
  > "$work/weston.log" 2>&1 &
weston=$!
trap 'cleanup_weston' EXIT
cleanup_weston() {
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then kill "$pid"; wait "$pid" || true; fi
  kill "$weston" 2>/dev/null || true
  wait "$weston" 2>/dev/null || true
  cleanup
}
for _ in $(seq 50); do [ -S "$XDG_RUNTIME_DIR/$WAYLAND_DISPLAY" ] && break; sleep 0.1; done
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/tone.wav"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=30 \
  -f lavfi -i sine=duration=30 -c:v mpeg4 -c:a mp3 "$work/clip.avi"

bus=org.mpris.MediaPlayer2.sonoquill
get() {
  gdbus call --session -d "$bus" -o /org/mpris/MediaPlayer2 \
    -m org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player "$1"
}
# Waits up to ten seconds for FILE to be the player's and a second of it played.
plays() {
  local url position
  for _ in $(seq 100); do
    url=$(get Metadata) position=$(get Position | sed -n 's/.*int64 \([0-9]*\).*/\1/p')
    case "$url" in *"file://$work/$1'"*) [ "${position:-0}" -ge 1000000 ] && return 0 ;; esac
    sleep 0.1
  done
  echo "$1 does not play on Wayland: $url, position ${position:-none}"
  cat "$work/weston.log" "$work/stderr"
  exit 1
}

"$work/sonoquill" "$work/tone.wav" 2> "$work/stderr" &
pid=$!
timeout 20 gdbus wait --session "$bus"
plays tone.wav
gdbus call --session -d "$bus" -o /org/mpris/MediaPlayer2 \
  -m org.mpris.MediaPlayer2.Player.OpenUri "'file://$work/clip.avi'" >/dev/null
plays clip.avi
gdbus call --session -d "$bus" -o /org/mpris/MediaPlayer2 -m org.mpris.MediaPlayer2.Quit >/dev/null
status=0
timeout 10 tail --pid="$pid" -f /dev/null || { echo "Quit did not end the program"; exit 1; }
wait "$pid" || status=$?
pid=
[ "$status" -eq 0 ] || { echo "the program ended with status $status"; cat "$work/stderr"; exit 1; }
echo "wayland test passed"
