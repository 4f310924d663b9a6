# Shared by the black-box scripts: a work folder removed on exit (after the
# program in $pid has ended), and the clicks the scripts need.
work=$(mktemp -d)
cleanup() {
  if [ -n "${pid:-}" ] && kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  rm -rf "$work" || true
}
trap cleanup EXIT

# Clicks the list window's "Restore" button: 800 twips from the right edge,
# 2970 twips down, at 15 twips a pixel.
click_restore() {
  local list=$1 width
  width=$(xdotool getwindowgeometry "$list" | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
  xdotool mousemove --window "$list" $(( (width * 15 - 800) / 15 + 20 )) $(( 2970 / 15 + 8 )) click 1
}
