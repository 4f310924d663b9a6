#!/usr/bin/env bash
# The Debian package as a user gets it (run as root on a CI machine):
#   tests/package/deb_test.sh [PACKAGE.deb]
# builds the package unless given one, fails on lintian errors, installs it
# with apt-get, starts /usr/bin/sonoquill as an ordinary user with a fresh
# HOME under Xvfb, checks over MPRIS that a generated file plays, closes it
# through the menu and looks for that user's ~/.config/sonoquill/Sonoquill.ini.
# Removes the package, the user and the work folder again.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
cd "$here/../.."
[ "$(id -u)" -eq 0 ] || { echo "run as root: it installs a package and adds a user"; exit 1; }
deb=${1:-}
if [ -z "$deb" ]; then
  ./dev.sh package
  deb=$(ls -t build-deb/sonoquill_*.deb | grep -v dbgsym | head -n1)
fi
deb=$(realpath "$deb")

lintian --fail-on error -I "$deb"

work=$(mktemp -d)
chmod 755 "$work"
user=sonoquill-ci
added_user= installed=
cleanup() {
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq sonoquill >/dev/null
  [ -n "$added_user" ] && userdel "$user" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
dpkg-query -W -f='${Status}' sonoquill 2>/dev/null | grep -q 'install ok installed' &&
  { echo "sonoquill is installed already; remove it first"; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=1
if ! id "$user" >/dev/null 2>&1; then
  useradd --no-create-home --home-dir "$work/home" --shell /bin/sh "$user"
  added_user=1
fi
install -d -o "$user" "$work/home" "$work/run"
chmod 700 "$work/run"

# As the user: a fresh HOME, a session bus and an X server of their own.
runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
  LC_ALL=C.UTF-8 dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  cd "$HOME"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$HOME/packaged tone.wav"
  QT_QPA_PLATFORM=xcb /usr/bin/sonoquill "$HOME/packaged tone.wav" &
  pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  wid=$(timeout 20 xdotool search --sync --name "^packaged tone\.wav\$" | head -n1)
  status=
  for _ in $(seq 50); do
    status=$(gdbus call --session -d org.mpris.MediaPlayer2.sonoquill -o /org/mpris/MediaPlayer2 \
      -m org.freedesktop.DBus.Properties.Get org.mpris.MediaPlayer2.Player PlaybackStatus 2>/dev/null) || true
    case "$status" in *Playing*) break ;; esac
    sleep 0.2
  done
  case "$status" in *Playing*) ;; *) echo "the installed program does not play: $status"; exit 1 ;; esac
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$wid"
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
    kill -0 "$pid" 2>/dev/null || break
    xdotool key Escape
  done
  if kill -0 "$pid" 2>/dev/null; then echo "the menu did not close the program"; exit 1; fi
  wait "$pid" || { echo "the program ended with an error"; exit 1; }
  ini="$HOME/.config/sonoquill/Sonoquill.ini"
  [ -f "$ini" ] || { echo "no settings in $ini"; find "$HOME" -maxdepth 3; exit 1; }
  grep -q "^Vol=" "$ini" || { echo "settings without the volume:"; cat "$ini"; exit 1; }
'
echo "package test passed"
