# SPDX-License-Identifier: MIT
# shellcheck shell=bash
# Sourced by the test, benchmark and run scripts that need a private desktop:
# a work folder, the processes started for it (ended by their pid at the
# exit, never by name), waits with a deadline, a private Xvfb, trayer as the
# tray, a home of its own and a Wine prefix.
#
#   source tests/support/session.sh     makes $work and sets the exit trap
#
# A script that has more to undo at the exit names it with at_exit; it runs
# before the processes are ended.

work=$(mktemp -d "${TMPDIR:-/tmp}/tarnquill-session-XXXXXX")
pids=()
exit_steps=()

# at_exit COMMAND...: run COMMAND (as words) when the script ends.
at_exit() { exit_steps+=("$(printf '%q ' "$@")"); }

# end_pid PID: SIGTERM, SIGKILL after 5 s, and reaped.
end_pid() {
    local pid=$1
    [[ -n $pid ]] && kill -0 "$pid" 2>/dev/null || return 0
    kill -TERM "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
}

session_end() {
    local step i
    for step in "${exit_steps[@]}"; do eval "$step" || true; done
    for ((i = ${#pids[@]} - 1; i >= 0; i--)); do end_pid "${pids[i]}"; done
    rm -rf "$work"
}
trap session_end EXIT

# until_true SECONDS COMMAND...: true once COMMAND succeeds, false after SECONDS.
until_true() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.05
    done
}

# require_tools TOOL...: exits 1 naming the first tool that is not installed.
require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/test installs it)" >&2; exit 1; }
    done
}

# start_xvfb WIDTHxHEIGHT [XVFB ARGS...]: a private Xvfb at 96 dpi without
# TCP as DISPLAY (the server picks a free display and reports it through
# -displayfd); its pid in xvfb_pid.
start_xvfb() {
    local size=$1
    shift
    Xvfb -displayfd 3 -dpi 96 -nolisten tcp -screen 0 "${size}x24" "$@" 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    pids+=("$xvfb_pid")
    until_true 15 xvfb_reported || { echo "Xvfb did not start" >&2; exit 1; }
    DISPLAY=:$(tr -dc 0-9 <"$work/display")
    export DISPLAY
    unset WAYLAND_DISPLAY
}
# True once Xvfb has reported its display; an Xvfb that ended shows its log.
xvfb_reported() {
    [[ -s $work/display ]] && return 0
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; exit 1; }
    return 1
}

# start_trayer: trayer docked at the top right of the display as the tray;
# the window id of its panel, into which icons are embedded, in `tray`.
start_trayer() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 32 --SetDockType true >/dev/null 2>&1 &
    pids+=($!)
    until_true 10 xdotool search --onlyvisible --name '^panel$' >/dev/null
    tray=$(xdotool search --onlyvisible --name '^panel$' | head -1)
}

# private_home: HOME, the XDG folders and the program's machine-wide
# registry and autostart folders inside $work, so nothing of the machine's
# own is read or written (as root their defaults are /var/lib/tarnquill and
# /etc/xdg/autostart). Qt on X11, no Wayland.
private_home() {
    export HOME=$work/home XDG_CONFIG_HOME=$work/home/.config XDG_DATA_HOME=$work/home/.local/share
    export XDG_CACHE_HOME=$work/home/.cache XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_DIRS=$work/system/xdg
    export TARNQUILL_USER_REGISTRY=$work/home/registry.sqlite3
    export TARNQUILL_MACHINE_REGISTRY=$work/system/registry.sqlite3
    export TARNQUILL_MACHINE_AUTOSTART=$work/system/xdg/autostart QT_QPA_PLATFORM=xcb
    unset WAYLAND_DISPLAY
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$TARNQUILL_MACHINE_AUTOSTART" "$XDG_RUNTIME_DIR"
    chmod 700 "$XDG_RUNTIME_DIR"
}

# wine_session DEFAULT_PREFIX: Wine quiet, without the Mono and Gecko
# installer dialogs, in WINEPREFIX or DEFAULT_PREFIX; the prefix's
# wineserver is ended at the exit.
wine_session() {
    export WINEPREFIX=${WINEPREFIX:-$1}
    export WINEDEBUG=${WINEDEBUG:--all}
    export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
    at_exit wineserver --kill
}

# prepare_prefix: Wine's first start makes the prefix (about 10 s); a stamp
# written last marks it ready, so a making cut short is done again.
prepare_prefix() {
    if [[ ! -f $WINEPREFIX/.tarnquill-ready ]]; then
        mkdir -p "$(dirname "$WINEPREFIX")"
        wine wineboot --init </dev/null >/dev/null 2>&1
        wineserver --wait
        touch "$WINEPREFIX/.tarnquill-ready"
    fi
}

# skip_unless_built PROGRAM: exits 77 (ctest's SKIP_RETURN_CODE) when the
# Windows program is not built.
skip_unless_built() {
    if [[ ! -f $1 ]]; then
        echo "SKIPPED: $1 is not built; build the Windows preset first:" >&2
        echo "  cmake --preset windows && cmake --build --preset windows" >&2
        exit 77
    fi
}
