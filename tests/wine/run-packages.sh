#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Windows packages tried as a user would, under Wine on a private Xvfb:
#   run-packages.sh BUILD/windows
# Builds the ZIP and the installer (targets windows_zip, windows_installer),
# checks the ZIP's files, installs silently, starts the installed program,
# whose copy must reach %LOCALAPPDATA%\Tarnquill\tcb.txt, ends it by "Exit",
# uninstalls silently and checks that nothing is left. The prefix is
# WINEPREFIX, or build/wine-prefix-packages. Exits 77 (ctest's
# SKIP_RETURN_CODE) without makensis or a built program.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
build=$(cd "${1:?usage: $0 BUILD/windows}" && pwd)
if [[ ! -f $build/tarnquill.exe ]] || ! command -v makensis >/dev/null; then
    echo "SKIPPED: needs the built Windows preset and makensis (Debian's nsis)" >&2
    exit 77
fi
# shellcheck source=desktop-session.sh
source "$here/desktop-session.sh"
require_tools Xvfb wine wineserver xclip xdotool /usr/bin/python3
wine_session "$(cd "$here/../.." && pwd)/build/wine-prefix-packages"

cmake --build "$build" --target windows_zip windows_installer >"$work/build.log" 2>&1 \
    || { cat "$work/build.log" >&2; exit 1; }
zip=$(ls "$build"/tarnquill-*-windows-x64.zip)
setup=$(ls "$build"/tarnquill-*-windows-x64-setup.exe)

zip_names() { /usr/bin/python3 -c 'import sys, zipfile; print("\n".join(n.split("/", 1)[1] for n in zipfile.ZipFile(sys.argv[1]).namelist() if not n.endswith("/")))' "$zip" | sort | tr '\n' ' '; }
check "the ZIP holds the programs, README and licence ($(zip_names))" \
    test "$(zip_names)" = "LICENSE.txt README.md tarnquill-winapi.exe tarnquill.exe "

start_xvfb 1024x768
prepare_prefix

installed=$WINEPREFIX/drive_c/Program\ Files/Tarnquill
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Tarnquill'
key_exists() { wine reg query "$uninstall_key" </dev/null >/dev/null 2>&1; }
key_gone() { ! key_exists; }
shortcut=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/Tarnquill.lnk
data=$WINEPREFIX/drive_c/users/${USER:-$(id -un)}/AppData/Local/Tarnquill
rm -rf "$data"

wine "$setup" /S </dev/null >/dev/null 2>&1 || true
check "the installer puts both programs under Program Files" \
    test -f "$installed/tarnquill.exe" -a -f "$installed/tarnquill-winapi.exe" -a -f "$installed/uninstall.exe"
check "the uninstaller is in the system's list" key_exists
check "the Start menu has Tarnquill" test -f "$shortcut"

version=$(wine "$installed/tarnquill.exe" --version </dev/null 2>/dev/null | tr -d '\r' || true)
check "tarnquill.exe --version prints it ($version)" grep -qE '^tarnquill [0-9]' <<<"$version"
status=0
wine "$installed/tarnquill.exe" --bogus </dev/null >/dev/null 2>"$work/bogus" || status=$?
check "an unknown option ends with status 2 (is $status)" test "$status" = 2
check "an unknown option is named on stderr" grep -q -- "--bogus" "$work/bogus"

wine "$installed/tarnquill.exe" </dev/null >/dev/null 2>&1 &
program_pid=$!
pids+=("$program_pid")
process_ended() { ! kill -0 "$program_pid" 2>/dev/null; }
check "the installed program shows its window" until_true 60 window_shown
printf 'installed under Program Files %s' "$$" >"$work/copied"
copy "$work/copied"
recorded() { grep -qF "$(cat "$work/copied")" "$data/tcb.txt" 2>/dev/null; }
check "a copy reaches %LOCALAPPDATA%\\Tarnquill\\tcb.txt" until_true 20 recorded
click 331 219 # "Exit"
check "\"Exit\" ends the program" until_true 30 process_ended
check "nothing is stored beside the installed program" test ! -e "$installed/tcb.txt"

# The uninstaller runs a copy of itself from the temporary folder and returns.
wine "$installed/uninstall.exe" /S </dev/null >/dev/null 2>&1 || true
folder_gone() { [[ ! -e $installed ]]; }
check "the uninstaller leaves nothing in Program Files\\Tarnquill" until_true 30 folder_gone
check "the uninstaller leaves the system's list" key_gone
check "the uninstaller takes the Start-menu entry" test ! -e "$shortcut"
check "the user's history stays" recorded

echo "$failures failed"
((failures == 0))
