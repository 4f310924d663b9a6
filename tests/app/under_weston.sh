#!/usr/bin/env bash
# Runs a command as a client of a headless Wayland compositor of its own, in a
# runtime folder of its own; ends only the compositor it started.
set -euo pipefail
runtime=$(mktemp -d)
chmod 700 "$runtime"
XDG_RUNTIME_DIR=$runtime weston --backend=headless-backend.so --socket=wayland-test \
  --idle-time=0 >"$runtime/weston.log" 2>&1 &
weston=$!
trap 'kill "$weston" 2>/dev/null || true; wait "$weston" 2>/dev/null || true; rm -rf "$runtime"' EXIT
for _ in $(seq 100); do
  [ -S "$runtime/wayland-test" ] && break
  sleep 0.1
done
[ -S "$runtime/wayland-test" ] || { cat "$runtime/weston.log"; exit 1; }
XDG_RUNTIME_DIR=$runtime WAYLAND_DISPLAY=wayland-test QT_QPA_PLATFORM=wayland "$@"
