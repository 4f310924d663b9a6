#!/usr/bin/env bash
# The README's commands as a person types them: `./dev.sh run FILE` names the
# file and ends with 0 when closed (it builds build/ as the test command does:
# nothing again after it); `./dev.sh install` gives a working folder of one's
# own that keeps its settings. Under its own X server, session bus and runtime folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
if [ -z "${README_TEST_DISPLAY:-}" ]; then
  exec env README_TEST_DISPLAY=1 dbus-run-session -- \
    xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"
fi
source tests/app/x11_test_lib.sh
export XDG_RUNTIME_DIR="$work/run" QT_QPA_PLATFORM=xcb
mkdir -m 700 "$XDG_RUNTIME_DIR" "$work/kept"
# The build's folder is a portable copy: a person's settings there stay theirs.
exe_dir=${BUILD_DIR:-build}/src
cp -p "$exe_dir"/Sonoquill.* "$work/kept/" 2>/dev/null || true
trap 'rm -f "$exe_dir"/Sonoquill.*; cp -p "$work"/kept/* "$exe_dir/" 2>/dev/null || true; cleanup' EXIT

# Starts the player (maybe after a build), closes it once its window names the file.
run_and_close() { # command...
  local wid= status=0
  "$@" > "$work/out.log" 2>&1 &
  pid=$!
  until wid=$(xdotool search --name '^readme tone\.wav$' 2>/dev/null | head -n1) && [ -n "$wid" ]; do
    kill -0 "$pid" 2>/dev/null && { sleep 0.5; continue; }
    wait "$pid" || status=$?
    echo "'$*' ended with $status before its window named the file:"; tail "$work/out.log"; exit 1
  done
  close_through_menu "$wid"
  wait "$pid" || status=$?
  pid=
  [ "$status" -eq 0 ] || { echo "'$*' ended with $status"; tail "$work/out.log"; exit 1; }
}

ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/readme tone.wav"
run_and_close ./dev.sh run "$(realpath --relative-to=. "$work/readme tone.wav")"

export PREFIX="$work/opt" XDG_DATA_HOME="$work/share"
./dev.sh install > "$work/install.log" 2>&1 || { tail "$work/install.log"; exit 1; }
id=io.github.sonoquill.Sonoquill
ls "$work"/opt/help_snq.html "$work"/share/icons/hicolor/{scalable/apps/$id.svg,48x48/apps/$id.png} >/dev/null
desktop-file-validate "$work/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$work/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "^Exec=\"$work/opt/sonoquill\" %F" "$work/share/applications/$id.desktop"
run_and_close "$work/opt/sonoquill" "$work/readme tone.wav"
grep -q '^Vol=' "$work/opt/Sonoquill.ini" || { echo "no settings beside the installed program"; exit 1; }
echo "README commands passed"
