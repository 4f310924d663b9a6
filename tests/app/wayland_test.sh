#!/usr/bin/env bash
# The program on Wayland (run under dbus-run-session): a headless weston of
# its own and QT_QPA_PLATFORM=wayland. An audio and then a video file play
# (watched over MPRIS: a second of each goes by) and Quit ends it with 0.
set -euo pipefail
source "$(dirname "$0")/x11_test_lib.sh"
copy_program "$1"
export XDG_RUNTIME_DIR="$work/run" WAYLAND_DISPLAY=wayland-sonoquill QT_QPA_PLATFORM=wayland
mkdir -m 700 "$XDG_RUNTIME_DIR"
weston --backend=headless-backend.so --socket="$WAYLAND_DISPLAY" --idle-time=0 >/dev/null 2>&1 &
weston=$!
trap 'cleanup; kill $weston; wait $weston || true' EXIT
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/tone.wav"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc=size=320x240:rate=25:duration=30 \
  -f lavfi -i sine=duration=30 -c:v mpeg4 -c:a mp3 "$work/clip.avi"
eventually "weston" "$WAYLAND_DISPLAY" ls "$XDG_RUNTIME_DIR"

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
[ "$status" -eq 0 ] || { echo "the program ended with status $status"; exit 1; }
echo "wayland test passed"
