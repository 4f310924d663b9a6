#!/usr/bin/env bash
# Makes the README's screenshots (docs/screenshots/*.png, kept in the
# repository) of the real program in an X server of its own: the main window
# playing a video, the list window with entries, and the list window playing
# an entry of a 1,000-entry list.
set -euo pipefail
cd "$(dirname "$0")/.."
./dev.sh build >/dev/null
out=docs/screenshots
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp build/src/sonoquill "$work/"
ffmpeg -nostdin -loglevel error -f lavfi -i testsrc2=size=480x270:rate=25:duration=60 \
  -f lavfi -i sine=duration=60 -c:v mpeg4 -q:v 3 -c:a libmp3lame "$work/夏の海.avi"
for name in "Overture" "Morning Walk" "Rain on the Roof" "夕焼け" "Night Train"; do
  ffmpeg -nostdin -loglevel error -f lavfi -i sine=duration=60 -c:a libmp3lame "$work/$name.mp3"
  printf '%s\r\n' "$work/$name.mp3" >> "$work/Sonoquill.m3u"
done
printf '[Set]\r\npin=3\r\nVol=70\r\n' > "$work/Sonoquill.ini"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  export XDG_RUNTIME_DIR="$0" QT_QPA_PLATFORM=xcb
  "$0/sonoquill" "$0/夏の海.avi" & pid=$!
  main=$(timeout 20 xdotool search --sync --name "^夏の海\.avi$" | head -n1)
  sleep 3
  eval "$(xdotool getwindowgeometry --shell "$main")"
  ffmpeg -nostdin -loglevel error -y -f x11grab -video_size ${WIDTH}x${HEIGHT} -draw_mouse 0 -i "$DISPLAY+$X,$Y" \
    -frames:v 1 "$1/main_window.png"
  xdotool windowfocus --sync "$main"; xdotool key F12
  list=$(timeout 10 xdotool search --sync --name "^List$" | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$list")"
  xdotool mousemove --window "$list" $(( (WIDTH * 15 - 800) / 15 + 20 )) $(( 2970 / 15 + 8 )) click 1
  sleep 2
  ffmpeg -nostdin -loglevel error -y -f x11grab -video_size ${WIDTH}x${HEIGHT} -draw_mouse 0 -i "$DISPLAY+$X,$Y" \
    -frames:v 1 "$1/list_window.png"
  kill $pid; wait $pid || true
' "$work" "$PWD/$out"

# A thousand entries: twenty albums of fifty tracks, links to one short file.
rm -f "$work/Sonoquill.m3u"
ffmpeg -nostdin -loglevel error -f lavfi -i sine=duration=120 -c:a libmp3lame "$work/tone.mp3"
for album in $(seq -w 1 20); do
  mkdir -p "$work/Music/Album $album"
  for track in $(seq -w 1 50); do
    ln "$work/tone.mp3" "$work/Music/Album $album/$album-$track Track $track.mp3"
    printf '%s\r\n' "$work/Music/Album $album/$album-$track Track $track.mp3" >> "$work/Sonoquill.m3u"
  done
done
printf '[Set]\r\npin=437\r\nVol=70\r\n' > "$work/Sonoquill.ini"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -e
  export XDG_RUNTIME_DIR="$0" QT_QPA_PLATFORM=xcb
  "$0/sonoquill" & pid=$!
  main=$(timeout 20 xdotool search --sync --name "^Sonoquill$" | head -n1)
  xdotool windowfocus --sync "$main"; xdotool key F12
  list=$(timeout 10 xdotool search --sync --name "^List$" | head -n1)
  eval "$(xdotool getwindowgeometry --shell "$list")"
  xdotool mousemove --window "$list" $(( (WIDTH * 15 - 800) / 15 + 20 )) $(( 2970 / 15 + 8 )) click 1
  timeout 10 xdotool search --sync --name "^437/1000$" >/dev/null
  sleep 2
  # Both windows in one picture: the player, and the list under it.
  lw=$WIDTH lh=$HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool windowmove --sync "$list" "$X" $(( Y + HEIGHT ))
  sleep 1
  ffmpeg -nostdin -loglevel error -y -f x11grab -draw_mouse 0 \
    -video_size $(( WIDTH > lw ? WIDTH : lw ))x$(( HEIGHT + lh )) \
    -i "$DISPLAY+$X,$Y" -frames:v 1 "$1/list_playing.png"
  kill $pid; wait $pid || true
' "$work" "$PWD/$out"
echo "screenshots in $out"
