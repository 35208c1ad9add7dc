#!/usr/bin/env bash
# Sets up a Debian 12 machine for Tessaline, builds it, and then starts it or runs every test.
#   bash setup.sh start   install what is missing, build, start the desktop program
#   bash setup.sh test    install what is missing, build, run the whole test suite twice:
#                         a Release build, then a Debug build with AddressSanitizer and UBSan
#   bash setup.sh build   install what is missing and build the Release programs only
set -euo pipefail

cd "$(dirname "${BASH_SOURCE[0]}")"
mode="${1:-start}"

packages=(cmake ninja-build g++ qt6-base-dev libsqlite3-dev libsqlitecpp-dev libcli11-dev
          libgtest-dev libbenchmark-dev xvfb xauth fonts-liberation2 libtomlplusplus-dev
          linuxcnc-uspace librsvg2-bin dpkg-dev desktop-file-utils appstream shared-mime-info libglib2.0-bin
          libqscintilla2-qt6-dev)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -ne 0 ] && sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
}

jobs=$(nproc 2>/dev/null || echo 2)

build() {  # build DIR [cmake options...]
    local dir="$1"; shift
    # A compiler cache, where one is installed, makes rebuilds of unchanged files free.
    command -v ccache >/dev/null && set -- "$@" -DCMAKE_CXX_COMPILER_LAUNCHER=ccache
    cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$jobs"
}

run_tests() {  # run_tests DIR
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$1" --output-on-failure -j "$jobs"
}

install_missing
case "$mode" in
start)
    build build/release -DCMAKE_BUILD_TYPE=Release
    if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
        cat <<TXT
Tessaline is built, but this session has no display to show its window on.
Use the command-line converter instead, for example:
  build/release/tessaline-cli info DESIGN.dst
  build/release/tessaline-cli convert DESIGN.dst -o DESIGN.GC
  build/release/tessaline-cli preview DESIGN.dst -o DESIGN.png
or start the window on a display later with: build/release/tessaline
TXT
        exit 0
    fi
    exec build/release/tessaline
    ;;
build)
    build build/release -DCMAKE_BUILD_TYPE=Release
    ;;
test)
    build build/release -DCMAKE_BUILD_TYPE=Release
    run_tests build/release
    build build/asan -DCMAKE_BUILD_TYPE=Debug -DTESSALINE_SANITIZE=ON
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 \
    LSAN_OPTIONS="suppressions=$PWD/tests/lsan.supp:print_suppressions=0" \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        run_tests build/asan
    ;;
*)
    echo "usage: bash setup.sh [start|test|build]" >&2
    exit 2
    ;;
esac
