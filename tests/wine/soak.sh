#!/usr/bin/env bash
# A long run of the Windows saver under Wine, not part of the test run: /s
# with 15 models (the sample models and generated tori of 100k triangles)
# for MINUTES (30 unless given), the saver's resident memory sampled every
# minute once loading is over. It passes when the last figure is within 5%
# of the one at a third of the run (minute 10 of 30, minute 2 at the
# earliest): memory that keeps growing is a leak.
#
#   tests/wine/soak.sh [MINUTES]
#
# Needs build/win (the saver) and build/native (bench/write_models), and the
# test run's Wine prefix ($WINEPREFIX, else build/wineprefix); it runs in a
# copy of that prefix on a display of its own (isolated.sh).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)

if [ "${1:-}" = --inside ]; then
    minutes=$2 models=$3
    # The user's own settings, which the saver reads before the installed ones.
    ini=$(winepath -u "$(wine cmd /c echo '%APPDATA%' | tr -d '\r')\\3-D Glowpond\\glowpond.ini" | tr -d '\r')
    mkdir -p "$(dirname "$ini")"
    # Wine's Z: drive is the Unix root.
    windows() { printf 'Z:%s' "${1//\//\\}"; }
    {
        printf '[files]\r\n'
        n=1
        for file in "$root"/models/*.wrl "$root"/models/*.3ds "$models"/*; do
            printf 'file%d=%s\r\n' $n "$(windows "$file")"
            n=$((n + 1))
        done
        printf '[options]\r\nshowStatus=0\r\n'
    } >"$ini"
    [ "$(grep -c '^file' "$ini")" -eq 15 ] || { echo "soak: not 15 models" >&2; exit 1; }

    wine "$root/build/win/saver/glowpond.scr" /s &
    saver=$!
    trap 'kill $saver 2>/dev/null || true' EXIT
    # The minutes count from the first lava on the screen: loading is over.
    start=$SECONDS
    until [ "$(import -silent -window root png:- | convert png:- -format '%[fx:maxima.r > 0.3]' info:)" = 1 ]; do
        kill -0 $saver 2>/dev/null || { echo "soak: the saver ended while loading" >&2; exit 1; }
        [ $((SECONDS - start)) -lt 900 ] || { echo "soak: no lava after 15 minutes" >&2; exit 1; }
        sleep 2
    done
    echo "loaded in $((SECONDS - start)) s"
    declare -a rss
    printf 'minute  resident kB  CPU s\n'
    for minute in $(seq 1 "$minutes"); do
        sleep 60
        if ! kill -0 $saver 2>/dev/null; then
            echo "soak: the saver ended in minute $minute" >&2
            exit 1
        fi
        rss[minute]=$(awk '/^VmRSS:/ { print $2 }' /proc/$saver/status)
        ticks=$(awk '{ print $14 + $15 }' /proc/$saver/stat)
        printf '%6d  %11d  %5d\n' "$minute" "${rss[minute]}" $((ticks / $(getconf CLK_TCK)))
    done
    # Memory grows in the first minute or two, while the models take their first turns.
    reference=$((minutes / 3 > 2 ? minutes / 3 : 2))
    awk -v first="${rss[reference]}" -v last="${rss[minutes]}" -v from="$reference" -v to="$minutes" 'BEGIN {
        change = (last - first) * 100 / first
        printf "minute %d against minute %d: %+.1f%% (limit 5%%)\n", to, from, change
        exit (change > 5 || change < -5)
    }'
    exit
fi

minutes=${1:-30}
[ "$minutes" -ge 3 ] 2>/dev/null || { echo "usage: soak.sh [MINUTES, at least 3]" >&2; exit 2; }
for need in "$root/build/win/saver/glowpond.scr" "$root/build/native/bench/write_models"; do
    [ -x "$need" ] || { echo "soak: build $need first" >&2; exit 2; }
done
export WINEPREFIX=${WINEPREFIX:-$root/build/wineprefix}
models=$(mktemp -d)
trap 'rm -rf "$models"' EXIT
# Ten tori of about 100k triangles, each file a model of its own.
"$root/build/native/bench/write_models" "$models" 100000 100200 100400 100600 100800
"$here/isolated.sh" -- "$0" --inside "$minutes" "$models"
