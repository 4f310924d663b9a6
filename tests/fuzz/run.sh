#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time
# (FUZZ_SECONDS, 60 by default) on a copy of its seed corpus. Fails on any
# crash, sanitizer report or broken property.
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DSONOQUILL_FUZZ=ON >/dev/null
cmake --build build-fuzz -j2 >/dev/null
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p build-fuzz/artifacts
for name in m3u profile command_line filter wildcard midi; do
  cp -r tests/fuzz/corpus/$name "$work/$name"
  # Binary seeds are kept as hexadecimal text.
  for hex in "$work/$name"/*.hex; do
    [ -e "$hex" ] || continue
    perl -ne 's/\s+//g; print pack "H*", $_' "$hex" >"${hex%.hex}" && rm "$hex"
  done
  log="$work/$name.log"
  if ! ASAN_OPTIONS=detect_leaks=1 build-fuzz/tests/fuzz/fuzz_$name -max_total_time="$seconds" \
       -max_len=4096 -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
       -artifact_prefix="build-fuzz/artifacts/${name}-" "$work/$name" >"$log" 2>&1; then
    grep -v '^#\|^INFO\|^"' "$log" | tail -n 60
    echo "fuzz_$name FAILED; the input is in build-fuzz/artifacts/"
    exit 1
  fi
  echo "fuzz_$name: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') executions in ${seconds} s"
done
