#!/usr/bin/env bash
# CPU use of the Windows saver under Wine, not part of the test run: /s with
# the sample models and default settings on a 1024x768 display, averaged
# over SECONDS (30 unless given) once the lava shows; with the processor
# spared and with the busy loop, each with no messages and with a stream of
# timer and paint messages (one every 5 ms, from saver_driver). Figures are
# percent of one core, for the saver and for the Wine server (which carries
# every message), and how many of the models' steps came 50 to 52 ms after
# the model's last one (the saver's GLOWPOND_STEP_LOG), with the slowest.
#
#   tests/wine/spare_cpu.sh [SECONDS]
#
# Needs build/win (the saver and the test driver) and the test run's Wine
# prefix ($WINEPREFIX, else build/wineprefix); it runs in a copy of that
# prefix on a display of its own (isolated.sh).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
saver_exe=$root/build/win/saver/glowpond.scr
driver=$root/build/win/tests/saver_driver.exe

# User and system time of a process, in clock ticks.
ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }

# The Wine server of this prefix: it works in a folder named after the
# prefix's device and inode.
server_pid() {
    local pid folder
    folder=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
    for pid in $(pgrep wineserver); do
        case $(readlink "/proc/$pid/cwd") in */"$folder") echo "$pid"; return ;; esac
    done
    echo "spare_cpu: no Wine server for $WINEPREFIX" >&2
    exit 1
}

if [ "${1:-}" = --inside ]; then
    seconds=$2
    ini=$(winepath -u "$(wine cmd /c echo '%APPDATA%' | tr -d '\r')\\3-D Glowpond\\glowpond.ini" | tr -d '\r')
    mkdir -p "$(dirname "$ini")"
    windows() { printf 'Z:%s' "${1//\//\\}"; }
    hz=$(getconf CLK_TCK)
    steps=$(mktemp)
    trap 'rm -f "$steps"' EXIT
    printf '%-6s %-8s %8s %8s %14s %8s\n' spare stream saver% server% 'steps on time' slowest
    for spare in 1 0; do
        for stream in no yes; do
            {
                printf '[files]\r\n'
                n=1
                for file in "$root"/models/*.wrl "$root"/models/*.3ds; do
                    printf 'file%d=%s\r\n' $n "$(windows "$file")"
                    n=$((n + 1))
                done
                printf '[options]\r\nshowStatus=0\r\nspareProcessor=%d\r\n' $spare
            } >"$ini"
            GLOWPOND_STEP_LOG=$(windows "$steps") wine "$saver_exe" /s &
            saver=$!
            start=$SECONDS
            until [ "$(import -silent -window root png:- |
                       convert png:- -format '%[fx:maxima.r > 0.3]' info:)" = 1 ]; do
                kill -0 $saver 2>/dev/null || { echo "spare_cpu: the saver ended while loading" >&2; exit 1; }
                [ $((SECONDS - start)) -lt 120 ] || { echo "spare_cpu: no lava after 2 minutes" >&2; exit 1; }
                sleep 1
            done
            poster=
            if [ $stream = yes ]; then
                wine "$driver" post-messages 5 $((seconds + 10)) >/dev/null &
                poster=$!
                sleep 2
            fi
            server=$(server_pid)
            : >"$steps"
            s0=$(ticks $saver) w0=$(ticks "$server") t0=$(date +%s.%N)
            sleep "$seconds"
            s1=$(ticks $saver) w1=$(ticks "$server") t1=$(date +%s.%N)
            # A gap of a second or more is a model waiting for its turn, not a step.
            awk -v spare=$spare -v stream=$stream -v s=$((s1 - s0)) -v w=$((w1 - w0)) -v hz="$hz" \
                -v t0="$t0" -v t1="$t1" '
                {
                    if ($1 in last && $2 - last[$1] < 1000) {
                        d = $2 - last[$1]; n++; ok += d <= 52
                        if (d > worst) worst = d
                    }
                    last[$1] = $2
                }
                END {
                    t = t1 - t0
                    printf "%-6s %-8s %8.1f %8.1f %13.1f%% %6d ms\n", spare, stream, 100 * s / hz / t,
                           100 * w / hz / t, n ? 100 * ok / n : 0, worst
                }' "$steps"
            kill $saver
            wait $saver 2>/dev/null || true
            : >"$steps"
            if [ -n "$poster" ]; then
                kill "$poster" 2>/dev/null || true
                wait "$poster" 2>/dev/null || true
            fi
        done
    done
    exit
fi

seconds=${1:-30}
for need in "$saver_exe" "$driver"; do
    [ -f "$need" ] || { echo "spare_cpu: build $need first" >&2; exit 2; }
done
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
"$here/isolated.sh" -- "$0" --inside "$seconds"
