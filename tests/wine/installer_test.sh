#!/usr/bin/env bash
# The installer under Wine, in a world of its own (isolated.sh
# --without-app-paths): an upgrade from the shared settings folder of earlier
# versions, in which code planted there never runs; the installed saver with
# its starting settings (the sample models' folder) and each user's own; an
# upgrade over the layout with the samples beside the program; silent
# uninstalls that keep the user's settings when asked to, remove only the
# samples they installed and otherwise leave nothing behind.
#
#   installer_test.sh SETUP DRIVER MODELS
set -euo pipefail
setup=$1 driver=$2 models=$3

fail() { echo "FAIL: $*" >&2; exit 1; }
unix() { winepath -u "$1" 2>/dev/null | tr -d '\r'; }
value() { wine reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' | sed -n "s/.*REG_[A-Z_]* *//p"; }
app_paths='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\App Paths\3-D Glowpond.scr'
uninstall_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\3-D Glowpond'
program=$(unix 'C:\Program Files\3-D Glowpond')
old=$(unix 'C:\ProgramData\3-D Glowpond')
system=$(unix 'C:\windows\system32')
own=$(unix "$(wine cmd /c echo '%APPDATA%' 2>/dev/null | tr -d '\r')\\3-D Glowpond")
markers=$(dirname "$driver")

# The uninstaller runs from a copy of itself and returns at once; it removes
# its entry in the installed programs last.
uninstall() {
    wine "$program/uninstall.exe" /S "$@"
    for _ in $(seq 150); do [ -z "$(value "$uninstall_key" DisplayName)" ] && return 0; sleep 0.2; done
    fail "the uninstaller did not finish"
}

# The layout of earlier versions, with code planted in the shared folder by
# another user under every name the installer runs or loads.
mkdir -p "$old"
printf '[files]\r\nfile1=rocket.3ds\r\n[options]\r\nspeed=2\r\n' >"$old/glowpond.ini"
cp "$markers/marker.exe" "$old/icacls.exe"
for library in nsExec.dll System.dll; do cp "$markers/marker.dll" "$old/$library"; done
wine reg add "$app_paths" /v Path /t REG_SZ /d 'C:\ProgramData\3-D Glowpond' /f >/dev/null

wine "$setup" /S
ran=$(find "$old" -name '*.ran')
[ -z "$ran" ] || fail "planted code ran: $ran"
for file in "$program/glowpond.scr" "$program/uninstall.exe" "$system/glowpond.scr" "$program/glowpond.ini" \
            "$program/Models/rocket.3ds" "$program/Models/crystal.wrl" "$program/glowpond.html"; do
    [ -f "$file" ] || fail "not installed: $file"
done
[ "$(value "$app_paths" Path)" = 'C:\Program Files\3-D Glowpond' ] || fail "App Paths: $(value "$app_paths" Path)"
grep -q 'speed=2' "$old/glowpond.ini" || fail "the old shared settings were changed"
[ "$(value "$uninstall_key" DisplayName)" = "3-D Glowpond" ] || fail "no entry in the installed programs"
[ -z "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] || fail "made the current saver unasked"
grep -q '^file1=Models\\' "$program/glowpond.ini" || fail "the starting settings do not name the samples' folder"

# Shows the installed models; its settings dialog saves the user's own file.
wine "$driver" installed "$program/glowpond.scr" "$models" "$program"
[ -f "$own/glowpond.ini" ] || fail "no settings of the user's own in $own"

# A reinstall over it runs nothing planted in the old folder either. A sample
# where earlier versions put it, which users' settings name, stays there.
cp "$program/Models/rocket.3ds" "$program/rocket.3ds"
printf '#VRML V1.0 ascii\n' >"$program/Models/mine.wrl"
wine "$setup" /S
ran=$(find "$old" -name '*.ran')
[ -z "$ran" ] || fail "planted code ran on a reinstall: $ran"
[ -f "$program/rocket.3ds" ] || fail "the upgrade took away a sample the old settings name"

uninstall /KEEPSETTINGS
grep -q 'AllowAdvanced=1' "$own/glowpond.ini" || fail "the kept settings are not the saved ones"
for file in "$program/glowpond.scr" "$system/glowpond.scr" "$program/rocket.3ds" "$program/Models/rocket.3ds"; do
    [ ! -e "$file" ] || fail "left behind: $file"
done
[ -f "$program/Models/mine.wrl" ] || fail "the uninstaller removed a model the user added"
rm -r "$program"
[ -z "$(value "$app_paths" Path)" ] || fail "the App Paths key stays"

# /SETCURRENT makes it the current saver; the last uninstall takes everything
# of ours, the user's settings included, and gives the screen-saver setting back.
wine "$setup" /S /SETCURRENT
[ "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" = 'C:\windows\system32\glowpond.scr' ] ||
    fail "not the current saver: $(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
uninstall
[ ! -e "$program" ] && [ ! -e "$system/glowpond.scr" ] && [ ! -e "$own" ] || fail "files left behind"
[ -z "$(value "$uninstall_key" DisplayName)" ] && [ -z "$(value "$app_paths" Path)" ] || fail "keys left behind"
[ -z "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] || fail "still the current saver"

# A program folder replaced by a link (standing in for a junction) to another
# folder: the uninstaller deletes nothing there.
wine "$setup" /S
decoy=$(mktemp -d)
cp -a "$program/." "$decoy/"
rm -rf "$program"
ln -s "$decoy" "$program"
uninstall
[ -f "$decoy/glowpond.ini" ] && [ -f "$decoy/Models/rocket.3ds" ] || fail "deleted through a link: $(ls "$decoy")"
rm "$program"
rm -rf "$decoy"
echo "installer: passed"
