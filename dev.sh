#!/usr/bin/env bash
# One entry point for people and CI:
#   ./dev.sh run [FILE...]   set up, build and start the player
#   ./dev.sh test            set up, build and run the whole CTest suite headless
#   ./dev.sh test --full     the same, after what CI adds: the benchmarks' quick run, the
#                            soak, the fuzzers, the sanitizer suite, the README's run and
#                            install commands typed as a person types them and, as root, the
#                            Debian package installed and run (SKIP_BENCH=1,
#                            SKIP_SANITIZE=1, SKIP_README=1, SKIP_PACKAGE=1 leave those out;
#                            FUZZ_SECONDS sets each fuzzer's time, 60 by default)
#   ./dev.sh setup           only install what is missing
#   ./dev.sh build           only configure and build
#   ./dev.sh bench [--quick | --sound | --soak N]  benchmarks against their baselines (never in the
#                            tests); the soak plays a 500-entry list N times round
#   ./dev.sh install         install for this person: ~/.local/opt/sonoquill, menu entry, icons
#                            (a stripped Release build of its own in build-install/)
#   ./dev.sh package         the Debian package, build-deb/sonoquill_<version>_<arch>.deb
set -euo pipefail
caller=$PWD # file names are the caller's, relative to where the command was typed
cd "$(dirname "$0")"

PACKAGES=(
  cmake ninja-build g++ pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-qpa-plugins libqt6svg6 libgl-dev
  libmpv-dev libfluidsynth-dev timgm6mb-soundfont
  fonts-ipafont-gothic
  ffmpeg xvfb xauth xdotool x11-utils libgl1-mesa-dri
  clang libclang-rt-14-dev llvm
  dbus dbus-x11 desktop-file-utils appstream xdg-utils at-spi2-core python3-pyatspi
  fuse3 python3-fusepy
  libbenchmark-dev mpv python3-xlib pulseaudio pulseaudio-utils libglib2.0-bin
  qt6-wayland weston qt6-base-private-dev
  dpkg-dev debhelper lintian
)

setup() {
  local missing=()
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  echo "Installing: ${missing[*]}"
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build() {
  local dir=${BUILD_DIR:-build}
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" ${CMAKE_ARGS:-} >/dev/null
  cmake --build "$dir" -j2
}

cmd=${1:-run}
[ $# -gt 0 ] && shift
case "$cmd" in
  setup) setup ;;
  build) setup; build ;;
  run)
    setup; build
    args=()
    for f in "$@"; do args+=("$(cd "$caller" && realpath -m -- "$f")"); done
    exec "${BUILD_DIR:-build}/src/sonoquill" "${args[@]}"
    ;;
  test)
    full=
    case "${1:-}" in
      --full) full=1 ;;
      "") ;;
      *) echo "usage: $0 test [--full]" >&2; exit 2 ;;
    esac
    setup; build
    if [ -n "$full" ] && [ -z "${SKIP_BENCH:-}" ]; then
      # The benchmarks are no tests; a small run only shows they still work.
      /usr/bin/python3 bench/run.py --quick
      # The list played round and round: fails when it stops, leaks or grows.
      /usr/bin/python3 bench/run.py --soak 5
    fi
    if [ -n "$full" ] && [ -z "${SKIP_SANITIZE:-}" ]; then
      # Each reader fuzzed for a bounded time, then the whole suite under
      # AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer.
      tests/fuzz/run.sh
      BUILD_DIR=build-asan BUILD_TYPE=Debug CMAKE_ARGS=-DSONOQUILL_SANITIZE=ON build
      (cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=1 \
        UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j2 --timeout 600)
    fi
    if [ -n "$full" ] && [ -z "${SKIP_README:-}" ]; then
      # The README's run and install commands as a person types them.
      tests/readme/readme_test.sh
    fi
    if [ -n "$full" ] && [ -z "${SKIP_PACKAGE:-}" ]; then
      # The package as a person installs it; it adds a user, so only as root.
      if [ "$(id -u)" -eq 0 ]; then tests/package/deb_test.sh
      else echo "package test skipped: it needs root"; fi
    fi
    cd "${BUILD_DIR:-build}"
    QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j2 --timeout 300
    # Many more random sequences against the model of the sequencing rules.
    [ -z "$full" ] || QT_QPA_PLATFORM=offscreen SONOQUILL_SEQUENCES=300 tests/tst_sequence_model
    ;;
  install)
    # Only what is installed: no test suite, a Release build, stripped.
    setup
    BUILD_DIR=${BUILD_DIR:-build-install} BUILD_TYPE=Release \
      CMAKE_ARGS="-DSONOQUILL_TESTS=OFF ${CMAKE_ARGS:-}" build
    cmake --install "${BUILD_DIR:-build-install}" --strip ${PREFIX:+--prefix "$PREFIX"}
    data=${XDG_DATA_HOME:-$HOME/.local/share}
    command -v update-desktop-database >/dev/null && update-desktop-database -q "$data/applications" || true
    command -v gtk-update-icon-cache >/dev/null && gtk-update-icon-cache -q -t "$data/icons/hicolor" || true
    ;;
  package)
    # Built as Debian builds packages, from a clean copy of the sources in
    # build-deb/ (dpkg-buildpackage writes its results beside the tree).
    setup
    out=build-deb
    version=$(dpkg-parsechangelog -S Version)
    rm -rf "$out/sonoquill-$version"
    mkdir -p "$out/sonoquill-$version"
    if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
      git ls-files -z --cached --others --exclude-standard |
        tar -c --null -T - --ignore-failed-read 2>/dev/null | tar -x -C "$out/sonoquill-$version"
    else
      tar -c --exclude='./build*' --exclude=./.git . | tar -x -C "$out/sonoquill-$version"
    fi
    (cd "$out/sonoquill-$version" && dpkg-buildpackage -b --no-sign -j2)
    rm -rf "$out/sonoquill-$version"
    ls "$out"/sonoquill_"${version}"_*.deb
    ;;
  bench)
    setup
    exec /usr/bin/python3 bench/run.py "$@"
    ;;
  *) echo "usage: $0 run [FILE...] | test [--full] | setup | build | install | package | bench [--quick | --sound | --soak N]" >&2; exit 2 ;;
esac
