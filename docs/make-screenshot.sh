#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Makes docs/screenshot.png, the README's picture of the window: the real
# program (build/linux/tarnquill) on a private Xvfb at 96 dpi, with a few
# copied texts and the second one selected. Run it after building:
#   bash docs/make-screenshot.sh
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
program=$root/build/linux/tarnquill
[[ -x $program ]] || { echo "Build first: cmake --preset linux && cmake --build --preset linux" >&2; exit 1; }

# shellcheck source=../tests/support/session.sh
source "$root/tests/support/session.sh"
start_xvfb 640x480
private_home

# A copy of the program in a folder of its own, so its store starts empty.
mkdir -p "$work/bin" && cp "$program" "$work/bin/tarnquill"
"$work/bin/tarnquill" >/dev/null 2>&1 &
program_pid=$!
pids+=("$program_pid")
window=
# The main window, not the loading window shown for a moment before it.
find_window() { window=$(xdotool search --all --onlyvisible --pid "$program_pid" --name '^Tarnquill$' 2>/dev/null | head -n 1); [[ -n $window ]]; }
until_true 20 find_window

copy() {
    printf '%s' "$1" | xclip -selection clipboard -i -loops 1 &
    until_true 10 grep -qF "$1" "$work/bin/tcb.txt"
}
copy "Meeting moved to Thursday, 10:30 in room 4."
copy "https://example.org/reports/2026/q4"
copy "SELECT name, total FROM orders WHERE total > 100;"
copy "Dear Ana, thank you for the quick answer."

# Select the second row: its text shows whole in the preview.
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove --window "$window" 60 72 click 1
sleep 0.5
import -window "$window" "$root/docs/screenshot.png"
echo "Wrote docs/screenshot.png (${WIDTH}x${HEIGHT})"
