#!/usr/bin/env bash
# The install gives a working folder and a valid desktop entry (run under
# xvfb-run): install into a temporary prefix and data folder, validate, and
# start the installed program with a file.
set -euo pipefail
build=$1
source "$(dirname "$0")/x11_test_lib.sh"
export XDG_DATA_HOME="$work/share"
# As ./dev.sh install does it: stripped.
cmake --install "$build" --strip --prefix "$work/opt" >/dev/null
id=io.github.sonoquill.Sonoquill
for f in opt/sonoquill opt/libsonoquill_engine.so opt/help_snq.html share/applications/$id.desktop \
         share/metainfo/$id.metainfo.xml share/icons/hicolor/scalable/apps/$id.svg \
         share/icons/hicolor/48x48/apps/$id.png; do
  [ -e "$work/$f" ] || { echo "missing after install: $f"; exit 1; }
done
desktop-file-validate "$work/share/applications/$id.desktop"
appstreamcli validate --no-net --pedantic "$work/share/metainfo/$id.metainfo.xml" >/dev/null
grep -q "^Exec=\"$work/opt/sonoquill\" %F" "$work/share/applications/$id.desktop"
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=20" "$work/installed song.wav"
export XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb
"$work/opt/sonoquill" "$work/installed song.wav" &
pid=$!
timeout 20 xdotool search --sync --name '^installed song\.wav$' >/dev/null
sleep 1
kill -0 "$pid"
echo "install test passed"
