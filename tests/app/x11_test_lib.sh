# Shared by the black-box scripts: a work folder removed on exit (after the
# program in $pid has ended), the clicks and the bus calls the scripts need.
work=$(mktemp -d)
cleanup() {
  if [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null; then wait "$pid" 2>/dev/null || true; fi
  rm -rf "$work" || true
}
trap cleanup EXIT

# The program and its engine library (from the test's environment) in $work.
copy_program() { cp "$1" "$work/sonoquill" && cp "$SONOQUILL_ENGINE" "$work/"; }

# Starts the copy in $work (its own runtime folder, a real X window); sets pid.
start_program() {
  export XDG_RUNTIME_DIR="$work" QT_QPA_PLATFORM=xcb
  "$work/sonoquill" "$@" &
  pid=$!
}

# F12 on the main window (id $1); prints the list window's id.
open_list() {
  xdotool windowfocus --sync "$1" key F12
  timeout 10 xdotool search --sync --name '^List$' | head -n1
}

# Closes the main window (id $1) through "ファイル(&F)" > "終了(&X)"; fails
# when the program in $pid still runs. The menu opens a moment after its key;
# on a slow machine the "x" may come first, so the menu is tried again.
close_through_menu() {
  for _ in 1 2 3; do
    xdotool windowfocus --sync "$1"
    xdotool key alt+f
    sleep 0.5
    xdotool key x
    for _ in $(seq 20); do kill -0 "$pid" 2>/dev/null || return 0; sleep 0.2; done
    xdotool key Escape
  done
  echo "the menu did not close the program"
  return 1
}

# The player's MPRIS object on the session bus.
bus=org.mpris.MediaPlayer2.sonoquill
path=/org/mpris/MediaPlayer2
get() { gdbus call --session -d "$bus" -o "$path" -m org.freedesktop.DBus.Properties.Get "$1" "$2"; }
# A field of the Metadata; all but the track id, lists in round brackets (no patterns).
meta() { get org.mpris.MediaPlayer2.Player Metadata | grep -o "'$1': <[^>]*>" || true; }
fields() { get org.mpris.MediaPlayer2.Player Metadata | grep -oE "'(mpris|xesam):[A-Za-z]+': <[^>]*>" |
  grep -v "^'mpris:trackid" | tr '[]\n' '() '; }
position() { get org.mpris.MediaPlayer2.Player Position; }
a_second="int64 [1-9][0-9][0-9][0-9][0-9][0-9][0-9]>" # a position past a second
call() { gdbus call --session -d "$bus" -o "$path" -m "org.mpris.MediaPlayer2.Player.$1" "${@:2}" >/dev/null; }
# For a state the program reaches a moment after a call: runs the command
# until its output matches the glob pattern, for up to ten seconds.
eventually() { # what, pattern, command...
  local what=$1 wanted=$2 got
  shift 2
  for _ in $(seq 100); do
    got=$("$@" 2>&1) || true
    case "$got" in *$wanted*) return 0 ;; esac
    sleep 0.1
  done
  echo "$what: got $got, wanted $wanted"; exit 1
}
