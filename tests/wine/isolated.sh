#!/usr/bin/env bash
# Runs a command in a Wine world of its own: a copy of the test run's Wine
# prefix with its own server, and a virtual display of its own, so that what
# the command changes (installed programs, registry, screen size, DPI) cannot
# reach the other tests.
#
#   isolated.sh [--screen WxH | --monitors WxH,WxH...] [--dpi N] [--without-app-paths] -- COMMAND...
#
# The command sees WINEPREFIX and DISPLAY; `--dpi` sets LogPixels first.
# `--monitors` gives the display one Xinerama head of each size; Wine lists
# them as monitors (all placed at 0,0) only when their sizes differ and it
# does not ask XRandR.
set -euo pipefail

screen=1024x768
monitors=
dpi=
without_app_paths=
while [ $# -gt 0 ]; do
    case $1 in
        --screen) screen=$2; shift 2 ;;
        --monitors) monitors=$2; shift 2 ;;
        --dpi) dpi=$2; shift 2 ;;
        --without-app-paths) without_app_paths=1; shift ;;
        --) shift; break ;;
        *) echo "isolated.sh: unknown option $1" >&2; exit 2 ;;
    esac
done
: "${WINEPREFIX:?needs the Wine prefix of the test run}"

work=$(mktemp -d)
xvfb=
finish() {
    WINEPREFIX=$work/prefix wineserver -k 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap finish EXIT

cp -a "$WINEPREFIX" "$work/prefix"
export WINEPREFIX=$work/prefix WINEDEBUG=-all

screens=(-screen 0 "${screen}x24")
if [ -n "$monitors" ]; then
    screens=(+xinerama)
    IFS=, read -ra sizes <<<"$monitors"
    for i in "${!sizes[@]}"; do screens+=(-screen "$i" "${sizes[$i]}x24"); done
fi
exec 5>"$work/display"
Xvfb -displayfd 5 "${screens[@]}" -nolisten tcp 2>"$work/xvfb.log" &
xvfb=$!
exec 5>&-
until [ -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=:$(cat "$work/display")

# The test run's settings may not have reached the copied files yet.
wine regedit /S "$(dirname "${BASH_SOURCE[0]}")/prefix.reg"
if [ -n "$without_app_paths" ]; then
    wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\3-D Glowpond.scr' /f >/dev/null
fi
if [ -n "$monitors" ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v UseXRandR /t REG_SZ /d N /f >/dev/null
    # The desktop read the monitors when the first program started: again.
    wineserver -k
    wineserver -w
fi
if [ -n "$dpi" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi
"$@"
