#!/usr/bin/env bash
# tests/package/deb_test.sh [PACKAGE.deb], as root: the package (built unless given)
# passes lintian, installs, offers itself for every type the desktop gives the files it
# plays, and plays a file for root and for an ordinary user, each keeping the settings in
# a fresh HOME and nothing beside the program; then everything is purged.
set -euo pipefail
cd "$(dirname "$0")/../.."
[ "$(id -u)" -eq 0 ] || { echo "run as root: it installs a package and adds a user"; exit 1; }
deb=${1:-}
if [ -z "$deb" ]; then
  ./dev.sh package
  deb=$(ls -t build-deb/sonoquill_*.deb | grep -v dbgsym | head -n1)
fi
deb=$(realpath "$deb")

lintian --fail-on error,warning -I "$deb"

work=$(mktemp -d)
chmod 755 "$work"
user=sonoquill-ci
added_user= installed=
cleanup() {
  [ -n "$installed" ] && DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq sonoquill >/dev/null
  [ -n "$added_user" ] && userdel "$user" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
dpkg-query -W -f='${Status}' sonoquill 2>/dev/null | grep -q 'install ok installed' &&
  { echo "sonoquill is installed already; remove it first"; exit 1; }
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$deb" >/dev/null
installed=1

# Each of the seven formats as the tests make them, and a list: every type the
# desktop gives them, by name and by content alone (shared-mime-info through
# GIO, and the generic file(1) way), is offered; file(1) calls any list text.
mkdir "$work/types"
(
  cd "$work/types"
  media() { ffmpeg -nostdin -loglevel error -f lavfi -i sine=duration=0.4 "$@"; }
  picture=(-f lavfi -i testsrc=size=176x144:duration=0.4)
  media -c:a libmp3lame a.mp3 && media -c:a wmav2 a.wma && media -c:a pcm_s16le a.wav
  media "${picture[@]}" -c:v mpeg1video -c:a mp2 v.mpg && media "${picture[@]}" -c:v wmv2 -c:a wmav2 v.wmv
  media "${picture[@]}" -c:v mpeg4 -c:a pcm_s16le v.avi
  printf 'MThd\0\0\0\6\0\0\0\1\1\340MTrk\0\0\0\4\0\377\57\0' > a.mid
  printf '#EXTM3U\r\n%s\r\n' "$work/types/a.wav" > l.m3u
  for f in *.*; do cp "$f" "content-only-${f%.*}"; done
)
offered=$(sed -n 's/^MimeType=//p' /usr/share/applications/io.github.sonoquill.Sonoquill.desktop)
for f in "$work"/types/*; do
  for desktop in GNOME ""; do
    type=$(XDG_CURRENT_DESKTOP=$desktop xdg-mime query filetype "$f")
    [ "$type" = text/plain ] && continue
    case ";$offered" in *";$type;"*) ;; *) echo "not offered for $(basename "$f"): $type"; exit 1 ;; esac
  done
done

# As root, then as the user: a fresh HOME, a session bus and an X server.
cp tests/app/x11_test_lib.sh "$work/"
cat > "$work/play.sh" <<'PLAY'
set -euo pipefail
source "$(dirname "$0")/x11_test_lib.sh"
ffmpeg -nostdin -loglevel error -f lavfi -i "sine=duration=30" "$work/packaged tone.wav"
QT_QPA_PLATFORM=xcb /usr/bin/sonoquill "$work/packaged tone.wav" &
pid=$!
wid=$(timeout 20 xdotool search --sync --name "^packaged tone\.wav\$" | head -n1)
eventually "the installed program playing" "int64 [1-9][0-9][0-9][0-9][0-9][0-9][0-9]>" \
  get org.mpris.MediaPlayer2.Player Position
close_through_menu "$wid"
wait "$pid" || { echo "the program ended with an error"; exit 1; }
pid=
ini="$HOME/.config/sonoquill/Sonoquill.ini"
grep -qs "^Vol=" "$ini" || { echo "no settings in $ini"; find "$HOME" -maxdepth 3; exit 1; }
PLAY
play_as() { # user, home
  install -d -o "$1" "$2" "$2/run"
  chmod 700 "$2/run"
  runuser -u "$1" -- env -i PATH=/usr/bin:/bin HOME="$2" XDG_RUNTIME_DIR="$2/run" LC_ALL=C.UTF-8 \
    dbus-run-session -- xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/play.sh"
}
play_as root "$work/root"
leftovers=$(find /usr/bin /usr/lib/*/sonoquill /usr/share/sonoquill -maxdepth 1 -name 'Sonoquill.*')
[ -z "$leftovers" ] || { echo "written beside the installed program: $leftovers"; exit 1; }
if ! id "$user" >/dev/null 2>&1; then
  useradd --no-create-home --home-dir "$work/home" --shell /bin/sh "$user"
  added_user=1
fi
play_as "$user" "$work/home"
echo "package test passed"
