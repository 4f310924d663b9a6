#!/usr/bin/env bash
# tests/package/deb_test.sh [PACKAGE.deb], as root: the package (built unless
# given) passes lintian, installs, plays a file for an ordinary user with a
# fresh HOME and keeps that user's settings; then everything is removed.
set -euo pipefail
cd "$(dirname "$0")/../.."
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
cp tests/app/x11_test_lib.sh "$work/"
runuser -u "$user" -- env -i PATH=/usr/bin:/bin HOME="$work/home" XDG_RUNTIME_DIR="$work/run" \
  LC_ALL=C.UTF-8 dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -euo pipefail
  source "$0"
  ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/packaged tone.wav"
  QT_QPA_PLATFORM=xcb /usr/bin/sonoquill "$work/packaged tone.wav" &
  pid=$!
  wid=$(timeout 20 xdotool search --sync --name "^packaged tone\.wav\$" | head -n1)
  eventually "the installed program playing" "int64 [1-9][0-9][0-9][0-9][0-9][0-9][0-9]>" \
    get org.mpris.MediaPlayer2.Player Position
  close_through_menu "$wid"
  wait "$pid" || { echo "the program ended with an error"; exit 1; }
  ini="$HOME/.config/sonoquill/Sonoquill.ini"
  grep -qs "^Vol=" "$ini" || { echo "no settings in $ini"; find "$HOME" -maxdepth 3; exit 1; }
' "$work/x11_test_lib.sh"
echo "package test passed"
