# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the scripts that drive Windows programs under Wine on a private
# Xvfb: a work folder and the processes to end with it, the checks and their
# count, waits, the display and the prefix. The caller sets WINEPREFIX first.

work=$(mktemp -d)
pids=()
cleanup() {
    wineserver --kill 2>/dev/null || true
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    wait 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

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
# until_true SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.2
    done
}

# start_display WIDTHxHEIGHT: a private Xvfb at 96 dpi as DISPLAY.
start_display() {
    Xvfb -displayfd 3 -dpi 96 -nolisten tcp -screen 0 "$1x24" 3>"$work/display" 2>"$work/xvfb.log" &
    pids+=($!)
    until_true 10 test -s "$work/display"
    export DISPLAY=:$(tr -d '\n' <"$work/display")
    unset WAYLAND_DISPLAY
}

# Wine's first start makes the prefix; later runs find it ready.
prepare_prefix() {
    if [[ ! -f $WINEPREFIX/.tarnquill-ready ]]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        wine wineboot --init </dev/null >/dev/null 2>&1
        wineserver --wait
        touch "$WINEPREFIX/.tarnquill-ready"
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
