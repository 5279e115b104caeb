#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# tarnquill.exe under Wine on a private Xvfb with trayer as the tray, driven
# as a user would: xclip copies on the X display, xdotool clicks.
#   run-tarnquill-gui.sh BUILD/windows/tarnquill.exe
# Two program starts: the first copies, docks in the tray and comes back,
# is started a second time and ends by "Exit"; the second ends with the
# session. The prefix is WINEPREFIX, or build/wine-prefix-gui (Wine's
# explorer, which hosts the tray, keeps the display it was started with).
# A program that is not built exits 77 (ctest's SKIP_RETURN_CODE).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
program=${1:?usage: $0 tarnquill.exe}
# shellcheck source=desktop-session.sh
source "$here/desktop-session.sh"
skip_unless_built "$program"
require_tools Xvfb wine wineserver xclip xdotool xwininfo trayer import
wine_session "$(cd "$here/../.." && pwd)/build/wine-prefix-gui"
start_xvfb 1280x1024
start_trayer
prepare_prefix

# The program in a folder of its own, so its store is there.
mkdir "$work/app"
cp "$program" "$work/app/tarnquill.exe"
store=$work/app/tcb.txt
separator='||!o@!@#w@#$!@#$%z||'

start_program() {
    wine "$work/app/tarnquill.exe" </dev/null >/dev/null 2>&1 &
    program_pid=$!
    pids+=("$program_pid")
}
window_hidden() { [[ -z $(main_window) ]]; }
# Wine's loader becomes the Windows process, whose command line is the program.
running_count() { ps -eo args | grep -c "^$work/app/tarnquill\.exe" || true; }
store_starts_with() { [[ -f $store ]] && cmp -s -n "$(stat -c %s "$1")" "$1" "$store"; }
# The icon window Wine's explorer docks in trayer's panel.
tray_icon() { xwininfo -tree -id "$tray" | awk '/"explorer.exe"/ {print $1; exit}'; }
# Conditions that until_true asks again each time (an argument like
# "$(tray_icon)" would be taken once, before the first try).
icon_docked() { [[ -n $(tray_icon) ]]; }
icon_gone() { [[ -z $(tray_icon) ]]; }
process_ended() { ! kill -0 "$program_pid" 2>/dev/null; }

# ---- First start: looks, copy, tray, second start, Exit ---------------------
start_program
check "the main window appears" until_true 60 window_shown
window=$(main_window)
geometry=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$geometry")
height=$(awk '/Height:/ {print $2}' <<<"$geometry")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$geometry")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$geometry")
check "383x312 px at 96 dpi (is ${width}x${height})" test "$width.$height" = 383.312
check "centred on the screen (at $left,$top)" test "$left.$top" = $(((1280 - 383) / 2)).$(((1024 - 312) / 2))
shot() { import -window root "$work/shot.png"; }
pixel() { convert "$work/shot.png" -format "%[fx:int(255*p{$((left + $1)),$((top + $2))}.r)],%[fx:int(255*p{$((left + $1)),$((top + $2))}.g)],%[fx:int(255*p{$((left + $1)),$((top + $2))}.b)]" info:; }
# The window is painted a moment after it is mapped.
painted() { shot && [[ $(pixel 12 174) == 193,209,219 ]]; }
until_true 20 painted || true
check "Form1's background (is $(pixel 1 1))" test "$(pixel 1 1)" = 237,242,245
check "Shape1's frame (is $(pixel 4 30))" test "$(pixel 4 30)" = 0,0,0
check "the command labels' blue-grey (is $(pixel 12 174))" test "$(pixel 12 174)" = 193,209,219
check "Text1's white (is $(pixel 150 100))" test "$(pixel 150 100)" = 255,255,255
[[ -n ${TARNQUILL_SCREENSHOT:-} ]] && cp "$work/shot.png" "$TARNQUILL_SCREENSHOT"

printf 'Gr\xc3\xbc\xc3\x9fe \xf0\x9f\x98\x80\r\nzweite Zeile' >"$work/copied"
copy "$work/copied"
check "a copy on the X display reaches tcb.txt byte for byte" until_true 20 store_starts_with "$work/copied"

click 363 10 # "_"
check "\"_\" hides the window" until_true 10 window_hidden
check "\"_\" docks an icon in trayer" until_true 10 icon_docked
wine "$work/app/tarnquill.exe" </dev/null >/dev/null 2>&1 || true
check "a second start brings the window back from the tray" until_true 10 window_shown
check "a second start leaves one process (are $(running_count))" test "$(running_count)" = 1
check "the window's return removes the tray icon" until_true 10 icon_gone

click 363 10
until_true 10 icon_docked || true
icon=$(tray_icon)
if [[ -n $icon ]]; then
    xdotool mousemove --window "$icon" 5 5 click 1
fi
check "a left click on the tray icon restores the window" until_true 10 window_shown

# A drag by the title moves the window with the pointer.
window_at() { xwininfo -id "$(main_window)" | awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {print x "," $4}'; }
moved_to() { [[ $(window_at) == "$1" ]]; }
xdotool mousemove --window "$(main_window)" 100 10 mousedown 1
sleep 0.3
xdotool mousemove_relative -- 20 10
sleep 0.3
xdotool mousemove_relative -- 20 10
sleep 0.3
xdotool mouseup 1
check "a drag by the title moves the window" until_true 10 moved_to $((left + 40)),$((top + 20))

click 331 219 # "Exit"
check "\"Exit\" ends the program" until_true 30 process_ended
records=$(/usr/bin/python3 -c 'import sys; print(open(sys.argv[1], "rb").read().count(sys.argv[2].encode()))' "$store" "$separator")
check "\"Exit\" writes 500 records (are $records)" test "$records" = 500
run_value=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v tarnquill 2>/dev/null | tr -d '\r' || true)
# The folder and the program's name without .exe, as the Run value has it.
check "\"Exit\" writes the Run value" grep -qiE 'tarnquill +REG_SZ +Z:.*\\app\\tarnquill$' <<<"$run_value"

# ---- A kill keeps what was recorded ----------------------------------------
# A store past 1 MB gets each copy appended to its journal first; a kill
# before the store is rewritten leaves the copy there, and the next start
# replays it. That start also removes a killed save's temporary file.
start_program
check "the program starts after \"Exit\"" until_true 60 window_shown
head -c 1200000 /dev/urandom | base64 -w0 >"$work/large"
copy "$work/large"
check "a 1.6 MB copy is recorded" until_true 30 store_starts_with "$work/large"
printf 'kept across a kill' >"$work/copied3"
copy "$work/copied3"
journal_holds() { grep -qF 'kept across a kill' "$store.journal" 2>/dev/null || store_starts_with "$work/copied3"; }
check "the next copy reaches the journal or the store" until_true 20 journal_holds
kill -9 "$program_pid"
until_true 10 process_ended || true
printf 'left by a killed save' >"$store.tmp-k1ll3d"
start_program
check "the program starts after the kill" until_true 60 window_shown
check "the copy before the kill is the newest entry" until_true 20 store_starts_with "$work/copied3"
check "the killed save's temporary file is removed" test ! -e "$store.tmp-k1ll3d"
click 331 219 # "Exit"
check "\"Exit\" ends the program again" until_true 30 process_ended

# ---- Second start: the session's end saves ---------------------------------
start_program
check "the program starts again" until_true 60 window_shown
printf 'saved by the end of the session' >"$work/copied2"
copy "$work/copied2"
check "the copy is recorded" until_true 20 store_starts_with "$work/copied2"
rm -f "$store"
wine wineboot --end-session </dev/null >/dev/null 2>&1 || true
check "the session's end saves the history" until_true 30 store_starts_with "$work/copied2"
check "the session's end ends the program" until_true 30 process_ended

echo "$failures failed"
((failures == 0))
