#!/usr/bin/env bash
# Set-up, build and test for a Debian 12 machine.
#
#   ./dev.sh test    install what is missing, build natively, with sanitizers,
#                    for Windows and for fuzzing, and run every test (Windows
#                    ones under Wine, each fuzz target for a fixed time)
#   ./dev.sh run     install what is missing, build for Windows and start the
#                    saver under Wine with the sample models: full screen on
#                    $DISPLAY, or without a display for a few seconds on a
#                    virtual one, leaving a screenshot
#   ./dev.sh run native
#                    the same with the native X11 program, in a window of its
#                    own
#   ./dev.sh run web
#                    build the browser page into build/web and serve it on a
#                    local port; without a display, leave a screenshot of it
#                    taken with headless Chromium
#   ./dev.sh fuzz [SECONDS]
#                    run every fuzz target for SECONDS (default 600) each, grow
#                    the kept corpus in fuzz/corpus/ with what adds coverage
#                    (minimised), and print executions, coverage and findings
#   ./dev.sh bench [RUNS]
#                    install the independent readers used as yardsticks
#                    (assimp, Coin3D: benchmarks only, never the tests), build
#                    the benchmarks and print the whole loads of the
#                    1M-triangle tori beside their parse floor and assimp's
#                    read, each in a fresh process, the minimum of RUNS runs
#
# Build trees live in build/ (or $GLOWPOND_BUILD_DIR).
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
BUILD=${GLOWPOND_BUILD_DIR:-$ROOT/build}
JOBS=$(nproc)

# libosmesa6-dev: offscreen OpenGL (and its libgl-dev the GL headers) for the native
# rendering tests and glowpond-trace; zlib1g-dev: compressed VRML files and the PNG
# pictures, libz-mingw-w64-dev: compressed VRML files in the Windows build; libx11-dev
# and libgl1-mesa-dri: the X11 program, with software OpenGL on the virtual display;
# nsis: the Windows installer; libfast-float-dev, nlohmann-json3-dev and libstb-dev:
# header-only number scanning, JSON and image decoding for the model readers, used
# the same way in every build; libgles-dev: the OpenGL ES 3 headers of the shader
# renderer; emscripten: its compile check for WebGL 2 and the browser page, with
# chromium, chromium-driver and python3-selenium for the page's tests.
PACKAGES=(cmake ninja-build g++ libgtest-dev googletest libbenchmark-dev clang-14 libclang-rt-14-dev
          mingw-w64 wine wine64 libosmesa6-dev libgl-dev libx11-dev libgl1-mesa-dri zlib1g-dev
          libz-mingw-w64-dev xvfb imagemagick python3 nsis libfast-float-dev nlohmann-json3-dev libstb-dev
          libgles-dev emscripten chromium chromium-driver python3-selenium)

# Only for ./dev.sh bench: independent readers as yardsticks.
BENCH_PACKAGES=(libassimp-dev libcoin-dev)

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

# The browser page: the Emscripten tree in $BUILD/emscripten gathers the
# page's files in $BUILD/web.
build_web() {
    log "building the browser page"
    NODE_PATH=/usr/share/nodejs emcmake cmake -S "$ROOT" -B "$BUILD/emscripten" -G Ninja -DGLOWPOND_WERROR=ON \
        -DGLOWPOND_TEST_PREFIX=web. -DCMAKE_BUILD_TYPE=Release >/dev/null
    NODE_PATH=/usr/share/nodejs cmake --build "$BUILD/emscripten" -j "$JOBS"
}

XVFB_PID=
# A virtual display of our own for the Wine programs; DISPLAY names it.
start_xvfb() {
    local number_file=$BUILD/xvfb.display
    rm -f "$number_file"
    exec 5>"$number_file"
    Xvfb -displayfd 5 -screen 0 1024x768x24 -nolisten tcp 2>"$BUILD/xvfb.log" &
    XVFB_PID=$!
    exec 5>&-
    local tries=0
    until [ -s "$number_file" ]; do
        tries=$((tries + 1))
        [ $tries -lt 200 ] || { echo "Xvfb did not start: see $BUILD/xvfb.log" >&2; exit 1; }
        sleep 0.05
    done
    export DISPLAY=:$(cat "$number_file")
}

cleanup() {
    [ -n "${WINEPREFIX:-}" ] && wineserver -k 2>/dev/null || true
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null || true
        wait "$XVFB_PID" 2>/dev/null || true
    fi
}

# A Wine prefix for the Windows programs, created once and reused, with the
# server and a display of our own for the whole run.
prepare_wine() {
    export WINEPREFIX=${1:-$BUILD/wineprefix} WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    trap cleanup EXIT
    [ -n "${2:-}" ] || start_xvfb
    if [ ! -f "$WINEPREFIX/.glowpond-ready" ]; then
        log "creating the Wine prefix"
        rm -rf "$WINEPREFIX"
        wineboot -i >"$BUILD/wineboot.log" 2>&1
        wineserver -w
        touch "$WINEPREFIX/.glowpond-ready"
    fi
    mkdir -p "$WINEPREFIX/drive_c/glowpond"
    # The server stays up for the whole run instead of restarting for every
    # test; one left over from an interrupted run would refuse to.
    wineserver -k 2>/dev/null || true
    wineserver -w
    wineserver -p
    wine regedit /S "$ROOT/tests/wine/prefix.reg"
}

run_tests() {
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_tree native
    build_tree asan -DGLOWPOND_SANITIZE=ON
    build_tree win -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
    build_tree fuzz -DGLOWPOND_FUZZ=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DGLOWPOND_FUZZ_SECONDS=20
    build_web
    prepare_wine

    # One ctest run over the three trees, so that one summary counts every test.
    mkdir -p "$BUILD/all"
    {
        echo "# Every test of the native, sanitizer, Windows and fuzzing builds."
        printf 'subdirs("%s")\n' "$BUILD/native" "$BUILD/asan" "$BUILD/win" "$BUILD/fuzz" "$BUILD/emscripten"
    } >"$BUILD/all/CTestTestfile.cmake"
    log "running the tests"
    ctest --test-dir "$BUILD/all" -j "$JOBS" --output-on-failure
}

# The saver under Wine with the sample models, installed into C:\glowpond of a
# fresh prefix as on Windows (the prefix's registry names that folder).
run_saver() {
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_tree win -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake"
    local prefix=$BUILD/run-prefix
    rm -rf "$prefix"
    local have_display=${DISPLAY:-}
    prepare_wine "$prefix" "$have_display"
    local install=$WINEPREFIX/drive_c/glowpond
    cp "$BUILD/win/saver/glowpond.scr" "$ROOT"/models/* "$install/"
    if [ -n "$have_display" ]; then
        log "starting the saver on $DISPLAY: a key, a click or a mouse movement ends it"
        wine "$install/glowpond.scr" /s
    else
        log "no display: running the saver for a few seconds on a virtual one"
        wine "$install/glowpond.scr" /s &
        local saver=$!
        sleep 8
        local shot=$BUILD/glowpond-screenshot.png
        import -window root "$shot"
        kill "$saver" 2>/dev/null || true
        wait "$saver" 2>/dev/null || true
        log "screenshot: $shot"
    fi
}

# The X11 program with the sample models, in a window of its own: on $DISPLAY
# until it is closed, or for a few seconds on a virtual display.
run_native() {
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_tree native
    local program=$BUILD/native/libexec/xscreensaver/glowpond
    if [ -n "${DISPLAY:-}" ]; then
        log "starting glowpond on $DISPLAY: Escape, q or closing the window ends it"
        "$program"
    else
        log "no display: running glowpond for a few seconds on a virtual one"
        trap cleanup EXIT
        start_xvfb
        "$program" &
        local saver=$!
        sleep 6
        local shot=$BUILD/glowpond-native-screenshot.png
        import -window root "$shot"
        kill "$saver" 2>/dev/null || true
        wait "$saver" 2>/dev/null || true
        log "screenshot: $shot"
    fi
}

# The browser page on a local port: until interrupted with a display, or for
# a screenshot with headless Chromium without one.
run_web() {
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_web
    local port
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    python3 -m http.server --bind 127.0.0.1 --directory "$BUILD/web" "$port" >"$BUILD/web-server.log" 2>&1 &
    WEB_SERVER_PID=$!
    trap 'kill "$WEB_SERVER_PID" 2>/dev/null || true' EXIT
    log "the page: http://127.0.0.1:$port/"
    if [ -n "${DISPLAY:-}" ]; then
        log "serving until interrupted (Ctrl-C)"
        wait "$WEB_SERVER_PID"
    else
        local shot=$BUILD/glowpond-web-screenshot.png
        sleep 0.5
        /usr/bin/python3 "$ROOT/tests/web/browser_test.py" --screenshot "$shot" "http://127.0.0.1:$port/"
        log "screenshot: $shot"
    fi
}

# Long fuzzing runs in a tree of their own, one target after the other; the
# kept corpus of each target is then replaced by the minimised union of the
# old one and what the run found.
run_fuzz() {
    local seconds=${1:-600} tree=$BUILD/fuzz-long
    install_missing "${PACKAGES[@]}"
    mkdir -p "$BUILD"
    build_tree fuzz-long -DGLOWPOND_FUZZ=ON -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DGLOWPOND_FUZZ_SECONDS="$seconds"
    local summary=() failed=0 test name log kept merged before
    for test in $(ctest --test-dir "$tree" -N | sed -n 's/^ *Test *#[0-9]*: //p'); do
        name=${test#fuzz-long.}
        log=$tree/$name.log
        kept=$ROOT/fuzz/corpus/$name
        before=$(find "$kept" -type f | wc -l)
        log "fuzzing $name for $seconds s"
        ctest --test-dir "$tree" -R "^$test\$" -V >"$log" 2>&1 || failed=1
        merged=$(mktemp -d)
        "$tree/fuzz/$name" -merge=1 "$merged" "$kept" "$tree/fuzz/corpus/$name" >/dev/null 2>&1
        rm -rf "$kept" && mv "$merged" "$kept" && chmod 755 "$kept"
        summary+=("$(printf '%-22s %12s executions  cov %6s  ft %6s  corpus %5s -> %5s  findings %s' "$name" \
            "$(sed -n 's/.*stat::number_of_executed_units: *//p' "$log" | tail -1)" \
            "$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)" \
            "$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)" \
            "$before" "$(find "$kept" -type f | wc -l)" \
            "$(find "$tree/fuzz/findings" -name "$name-*" | wc -l)")")
    done
    printf '%s\n' "${summary[@]}"
    [ $failed -eq 0 ] || { echo "a target failed: see $tree/*.log and $tree/fuzz/findings" >&2; exit 1; }
}

run_bench() {
    local runs=${1:-3} tree=$BUILD/native models=$BUILD/bench-models
    install_missing "${PACKAGES[@]}" "${BENCH_PACKAGES[@]}"
    mkdir -p "$BUILD" "$models"
    log "building the benchmarks"
    cmake -S "$ROOT" -B "$tree" -G Ninja -DGLOWPOND_WERROR=ON -DGLOWPOND_TEST_PREFIX=native. >/dev/null
    cmake --build "$tree" -j "$JOBS" --target write_models parse_floor mesh_load_once peer_read_once
    [ -s "$models/torus-1000000.glb" ] || "$tree/bench/write_models" "$models" 1000000
    python3 "$ROOT/bench/side_by_side.py" "$tree/bench" "$models" "$runs"
}

case "${1:-} ${2:-}" in
    "test ") run_tests ;;
    "run ") run_saver ;;
    "run native") run_native ;;
    "run web") run_web ;;
    "fuzz "*) run_fuzz "${2:-}" ;;
    "bench "*) run_bench "${2:-}" ;;
    *)
        echo "usage: $0 test|run|run native|run web|fuzz [SECONDS]|bench [RUNS]" >&2
        exit 2
        ;;
esac
