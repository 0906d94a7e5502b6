#!/usr/bin/env bash
# Runs a command in a Wine world of its own: a copy of the test run's Wine
# prefix with its own server, and a virtual display of its own, so that what
# the command changes (installed programs, registry, screen size, DPI) cannot
# reach the other tests.
#
#   isolated.sh [--screen WxH] [--dpi N] [--without-app-paths] -- COMMAND...
#
# The command sees WINEPREFIX and DISPLAY; `--dpi` sets LogPixels first.
set -euo pipefail

screen=1024x768
dpi=
without_app_paths=
while [ $# -gt 0 ]; do
    case $1 in
        --screen) screen=$2; shift 2 ;;
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

exec 5>"$work/display"
Xvfb -displayfd 5 -screen 0 "${screen}x24" -nolisten tcp 2>"$work/xvfb.log" &
xvfb=$!
exec 5>&-
until [ -s "$work/display" ]; do sleep 0.05; done
export DISPLAY=:$(cat "$work/display")

# The test run's settings may not have reached the copied files yet.
wine regedit /S "$(dirname "${BASH_SOURCE[0]}")/prefix.reg"
if [ -n "$without_app_paths" ]; then
    wine reg delete 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\3-D Glowpond.scr' /f >/dev/null
fi
if [ -n "$dpi" ]; then
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
fi
"$@"
