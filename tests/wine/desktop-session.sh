# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the scripts that drive Windows programs under Wine on a private
# Xvfb: the session of ../support/session.sh (work folder, processes, waits,
# display, prefix), the checks and their count, and the program's window.

# shellcheck source=../support/session.sh
source "$(dirname "${BASH_SOURCE[0]}")/../support/session.sh"

failures=0
check() { # check DESCRIPTION COMMAND...
    local what=$1
    shift
    if "$@"; then
        echo "ok   $what"
    else
        echo "FAIL $what"
        failures=$((failures + 1))
    fi
}

# The program's main window, once shown.
main_window() { xdotool search --onlyvisible --name '^Tarnquill$' 2>/dev/null | head -1; }
window_shown() { [[ -n $(main_window) ]]; }
# click X Y: a left click at window-relative pixels of the main window.
click() { xdotool mousemove --window "$(main_window)" "$1" "$2" click 1; }
# copy FILE: the file's bytes as the X clipboard, owned by xclip until the next copy.
copy() {
    [[ -n ${clip_pid:-} ]] && kill "$clip_pid" 2>/dev/null
    xclip -quiet -selection clipboard -i "$1" >/dev/null 2>&1 &
    clip_pid=$!
    pids+=("$clip_pid")
}
