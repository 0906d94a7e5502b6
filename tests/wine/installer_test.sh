#!/usr/bin/env bash
# The installer under Wine, in a world of its own (isolated.sh
# --without-app-paths): a silent install, the installed saver with its
# installed settings and sample models, and silent uninstalls that keep the
# settings when asked to and otherwise leave nothing behind.
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
data=$(unix 'C:\ProgramData\3-D Glowpond')
system=$(unix 'C:\windows\system32')

# The uninstaller runs from a copy of itself and returns at once; it removes
# the program folder last.
uninstall() {
    wine "$program/uninstall.exe" /S "$@"
    for _ in $(seq 150); do [ -e "$program" ] || return 0; sleep 0.2; done
    fail "the uninstaller did not finish"
}

wine "$setup" /S
for file in "$program/glowpond.scr" "$program/uninstall.exe" "$system/glowpond.scr" "$data/glowpond.ini" \
            "$data/rocket.3ds" "$data/glowpond.html"; do
    [ -f "$file" ] || fail "not installed: $file"
done
[ "$(value "$app_paths" Path)" = 'C:\ProgramData\3-D Glowpond' ] || fail "App Paths: $(value "$app_paths" Path)"
[ "$(value "$uninstall_key" DisplayName)" = "3-D Glowpond" ] || fail "no entry in the installed programs"
[ -z "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] || fail "made the current saver unasked"

# Shows the installed models, and its settings dialog saves into the data folder.
wine "$driver" installed "$program/glowpond.scr" "$models" "$data"

# A model of the user's own in the data folder outlives both uninstalls.
cp "$data/rocket.3ds" "$data/mine.3ds"
uninstall /KEEPSETTINGS
[ -f "$data/glowpond.ini" ] || fail "the kept settings are gone"
grep -q 'AllowAdvanced=1' "$data/glowpond.ini" || fail "the kept settings are not the saved ones"
for file in "$program/glowpond.scr" "$system/glowpond.scr" "$data/rocket.3ds"; do
    [ ! -e "$file" ] || fail "left behind: $file"
done
[ -z "$(value "$app_paths" Path)" ] || fail "the App Paths key stays"

# A reinstall keeps them; /SETCURRENT makes it the current saver; the last
# uninstall takes everything, and gives the screen-saver setting back.
wine "$setup" /S /SETCURRENT
grep -q 'AllowAdvanced=1' "$data/glowpond.ini" || fail "the reinstall replaced the settings"
[ "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" = 'C:\windows\system32\glowpond.scr' ] ||
    fail "not the current saver: $(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)"
uninstall
[ "$(ls "$data")" = mine.3ds ] || fail "the data folder holds: $(ls "$data")"
[ ! -e "$program" ] && [ ! -e "$system/glowpond.scr" ] || fail "files left behind"
[ -z "$(value "$uninstall_key" DisplayName)" ] && [ -z "$(value "$app_paths" Path)" ] || fail "keys left behind"
[ -z "$(value 'HKCU\Control Panel\Desktop' SCRNSAVE.EXE)" ] || fail "still the current saver"
echo "installer: passed"
