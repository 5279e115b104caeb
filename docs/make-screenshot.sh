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

work=$(mktemp -d)
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do ((SECONDS < deadline)) || return 1; sleep 0.05; done
}

Xvfb -displayfd 3 -dpi 96 -nolisten tcp -screen 0 640x480x24 3>"$work/display" 2>/dev/null &
pids+=($!)
wait_for 10 test -s "$work/display"
export DISPLAY=:$(tr -d '\n' <"$work/display") HOME=$work XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config
export XDG_RUNTIME_DIR=$work/runtime TARNQUILL_USER_REGISTRY=$work/user.sqlite3
export TARNQUILL_MACHINE_REGISTRY=$work/machine.sqlite3 TARNQUILL_MACHINE_AUTOSTART=$work/autostart QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

# A copy of the program in a folder of its own, so its store starts empty.
mkdir -p "$work/bin" && cp "$program" "$work/bin/tarnquill"
"$work/bin/tarnquill" >/dev/null 2>&1 &
program_pid=$!
pids+=("$program_pid")
window=
find_window() { window=$(xdotool search --onlyvisible --pid "$program_pid" 2>/dev/null | head -n 1); [[ -n $window ]]; }
wait_for 20 find_window

copy() {
    printf '%s' "$1" | xclip -selection clipboard -i -loops 1 &
    wait_for 10 grep -qF "$1" "$work/bin/tcb.txt"
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
