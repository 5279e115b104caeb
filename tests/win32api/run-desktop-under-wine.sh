#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the desktop tests of a Windows test program (tray, cursor, work area,
# message box) under Wine on a private Xvfb:
#   run-desktop-under-wine.sh PROGRAM.exe [GTEST ARGS...]
# TARNQUILL_GTEST_FILTER chooses other tests than NativeDesktop.*.
# The Wine prefix is WINEPREFIX, or build/wine-prefix-desktop. It is not the
# console tests' prefix: Wine's explorer, which hosts the tray, keeps the
# display it was started with, and theirs runs with none.
# A program that is not built exits 77 (ctest's SKIP_RETURN_CODE).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build/wine-prefix-desktop}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

program=${1:?usage: $0 PROGRAM.exe [ARGS...]}
shift
if [[ ! -f $program ]]; then
    echo "SKIPPED: $program is not built; build the Windows preset first:" >&2
    echo "  cmake --preset windows && cmake --build --preset windows" >&2
    exit 77
fi
for tool in Xvfb wine wineserver; do
    command -v "$tool" >/dev/null || { echo "$tool is not installed (scripts/test installs it)" >&2; exit 1; }
done

workdir=$(mktemp -d)
xvfb_pid=
cleanup() {
    wineserver --kill 2>/dev/null || true
    [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    rm -rf "$workdir"
}
trap cleanup EXIT

# Xvfb picks a free display itself and writes its number to the pipe.
Xvfb -displayfd 3 -dpi 96 -nolisten tcp -screen 0 1280x1024x24 3>"$workdir/display" 2>"$workdir/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do
    [[ -s $workdir/display ]] && break
    kill -0 "$xvfb_pid" 2>/dev/null || { cat "$workdir/xvfb.log" >&2; exit 1; }
    sleep 0.1
done
export DISPLAY=:$(tr -d '\n' <"$workdir/display")
unset WAYLAND_DISPLAY

# The prefix is made once (about 10 s); a stamp written last marks it ready.
if [[ ! -f $WINEPREFIX/.tarnquill-ready ]]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    wine wineboot --init </dev/null
    wineserver --wait
    touch "$WINEPREFIX/.tarnquill-ready"
fi

wine "$program" --gtest_filter="${TARNQUILL_GTEST_FILTER:-NativeDesktop.*}" "$@" </dev/null
