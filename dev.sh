#!/usr/bin/env bash
# Set-up, build and test for a Debian 12 machine.
#
#   ./dev.sh test    install what is missing, build natively, with sanitizers,
#                    for Windows and for fuzzing, and run every test (Windows
#                    ones under Wine, each fuzz target for a fixed time)
#
# Build trees live in build/ (or $GLOWPOND_BUILD_DIR).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=${GLOWPOND_BUILD_DIR:-$ROOT/build}
JOBS=$(nproc)

# libosmesa6-dev: offscreen OpenGL (and its libgl-dev the GL headers) for the native
# rendering tests and glowpond-trace; zlib1g-dev: their PNG pictures.
PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev clang-14 libclang-rt-14-dev
          mingw-w64 wine wine64 libosmesa6-dev libgl-dev zlib1g-dev)

log() { printf '== %s\n' "$*"; }

install_missing() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    log "installing ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# configure NAME [cmake options...]: configures and builds one tree under $BUILD/NAME.
build_tree() {
    local name=$1
    shift
    log "building $name"
    cmake -S "$ROOT" -B "$BUILD/$name" -G Ninja -DGLOWPOND_WERROR=ON -DGLOWPOND_TEST_PREFIX="$name." "$@" >/dev/null
    cmake --build "$BUILD/$name" -j "$JOBS"
}

# A Wine prefix for the Windows tests, created once and reused.
prepare_wine() {
    export WINEPREFIX=$BUILD/wineprefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    if [ ! -f "$WINEPREFIX/.glowpond-ready" ]; then
        log "creating the Wine prefix"
        rm -rf "$WINEPREFIX"
        wineboot -i >"$BUILD/wineboot.log" 2>&1
        wineserver -w
        touch "$WINEPREFIX/.glowpond-ready"
    fi
    mkdir -p "$WINEPREFIX/drive_c/glowpond"
    # The server stays up for the whole run instead of restarting for every test.
    wineserver -p
    trap 'wineserver -k 2>/dev/null || true' EXIT
    wine regedit /S "$ROOT/tests/wine/prefix.reg"
}

run_tests() {
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_tree native
    build_tree asan -DGLOWPOND_SANITIZE=ON
    build_tree win -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
    build_tree fuzz -DGLOWPOND_FUZZ=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14
    prepare_wine

    # One ctest run over the three trees, so that one summary counts every test.
    mkdir -p "$BUILD/all"
    {
        echo "# Every test of the native, sanitizer, Windows and fuzzing builds."
        printf 'subdirs("%s")\n' "$BUILD/native" "$BUILD/asan" "$BUILD/win" "$BUILD/fuzz"
    } >"$BUILD/all/CTestTestfile.cmake"
    log "running the tests"
    ctest --test-dir "$BUILD/all" -j "$JOBS" --output-on-failure
}

case "${1:-}" in
    test) run_tests ;;
    run)
        echo "The saver itself is not built yet; './dev.sh run' will start it once it is." >&2
        exit 2
        ;;
    *)
        echo "usage: $0 test" >&2
        exit 2
        ;;
esac
