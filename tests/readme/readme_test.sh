#!/usr/bin/env bash
# tests/readme/readme_test.sh: the README's commands typed as a person types
# them, on this checkout. `./dev.sh run FILE` shows the player naming the file
# and ends with 0 when it is closed; `./dev.sh install` gives a folder of one's
# own that keeps its settings, with a valid desktop entry and AppStream data.
# (`./dev.sh package` runs in tests/package/deb_test.sh.) Under an X server, a
# session bus and a runtime folder of its own; `./dev.sh run` builds into
# build/ as the test command does, so after it nothing is built again.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ -z "${README_TEST_DISPLAY:-}" ]; then
  exec env README_TEST_DISPLAY=1 dbus-run-session -- \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
source tests/app/x11_test_lib.sh
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR"

# The build's folder is a portable copy: a person's settings there stay theirs.
exe_dir=${BUILD_DIR:-build}/src
for f in Sonoquill.ini Sonoquill.m3u; do
  if [ -e "$exe_dir/$f" ]; then cp -p "$exe_dir/$f" "$work/kept-$f"; fi
done
restore() {
  for f in Sonoquill.ini Sonoquill.m3u; do
    if [ -e "$work/kept-$f" ]; then cp -p "$work/kept-$f" "$exe_dir/$f"; else rm -f "$exe_dir/$f"; fi
  done
}
trap 'restore; cleanup' EXIT

# Starts "$@" in the background (pid), waits for a window named $title while
# it runs (a build may come first), closes it through the menu, and fails
# unless it ends with 0.
run_and_close() { # title, command...
  local title=$1 wid= status=0
  shift
  "$@" > "$work/out.log" 2>&1 &
  pid=$!
  while [ -z "$wid" ]; do
    if ! kill -0 "$pid" 2>/dev/null; then
      wait "$pid" || status=$?
      pid=
      echo "'$*' ended with $status before a window named $title:"
      tail -n 20 "$work/out.log"
      exit 1
    fi
    wid=$(xdotool search --name "^$title\$" 2>/dev/null | head -n1) || true
    [ -n "$wid" ] || sleep 0.5
  done
  close_through_menu "$wid"
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "'$*' ended with $status"; tail -n 20 "$work/out.log"; exit 1; }
}

ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/readme tone.wav"
run_and_close 'readme tone\.wav' ./dev.sh run "$(realpath --relative-to=. "$work/readme tone.wav")"
echo "./dev.sh run: the player named the file and ended with 0"

export PREFIX="$work/opt" XDG_DATA_HOME="$work/share"
./dev.sh install > "$work/install.log" 2>&1 || { tail -n 20 "$work/install.log"; exit 1; }
id=io.github.sonoquill.Sonoquill
for f in opt/sonoquill opt/libsonoquill_engine.so opt/help_snq.html share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png; do
  [ -e "$work/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$work/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$work/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "^Exec=\"$work/opt/sonoquill\" %F" "$work/share/applications/$id.desktop"
run_and_close 'readme tone\.wav' "$work/opt/sonoquill" "$work/readme tone.wav"
grep -q '^Vol=' "$work/opt/Sonoquill.ini" || { echo "no settings beside the installed program"; exit 1; }
echo "./dev.sh install: a working folder of one's own that keeps its settings"
