#!/usr/bin/env bash
# Pictures of the settings dialog at 96 and 192 DPI (LogPixels), each on a
# 2048x1536 virtual screen of its own, as docs/screenshots/settings-DPI.png.
# Needs the Windows tree and the Wine prefix of a test run (./dev.sh test).
#
#   tools/dialog_screenshots.sh [BUILD_DIR]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${1:-$root/build}
export WINEPREFIX=$build/wineprefix
out=$root/docs/screenshots
mkdir -p "$out"
for dpi in 96 192; do
    "$root/tests/wine/isolated.sh" --screen 2048x1536 --dpi "$dpi" -- bash -c '
        wine "$0/win/tests/saver_driver.exe" screenshots "$0/win/saver/glowpond.scr" "$1/models" "$1/../shared/models"
        convert "$WINEPREFIX/drive_c/glowpond/settings_dialog.bmp" -trim +repage "$2"' \
        "$build" "$root" "$out/settings-$dpi.png"
done
