#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# CPU that tarnquill.exe costs under Wine while idle with text on the
# clipboard, beside Wine running an empty message loop, both measured over the
# same window.
#
#   bench/wine_idle_cpu.sh [SECONDS]                (default 60)
#   TARNQUILL_EXE=path/to/tarnquill.exe             (default build/windows/tarnquill.exe)
#
# CPU time is the sum over threads of the first field of
# /proc/PID/task/TID/schedstat (ns on a CPU), the third field the times a
# thread was put on a CPU (wake-ups). The Windows processes are Wine's loader
# processes, whose command line is the program's path. Runs on a private Xvfb
# in the prefix build/wine-prefix-bench (or WINEPREFIX); ends what it started
# by pid and the prefix's wineserver.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
exe=${TARNQUILL_EXE:-$root/build/windows/tarnquill.exe}
seconds=${1:-60}
[[ -f $exe ]] || { echo "wine_idle_cpu: no program at $exe" >&2; exit 2; }
for tool in Xvfb xclip xdotool wine x86_64-w64-mingw32-gcc; do
    command -v "$tool" >/dev/null || { echo "wine_idle_cpu: $tool is needed" >&2; exit 2; }
done
# shellcheck source=../tests/support/session.sh
source "$root/tests/support/session.sh"
export WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
wine_session "$root/build/wine-prefix-bench"

x86_64-w64-mingw32-gcc -O2 -mwindows -static -o "$work/empty.exe" "$here/empty_message_loop.c"
mkdir "$work/app"
cp "$exe" "$work/app/tarnquill.exe"

start_xvfb 1280x1024
prepare_prefix

printf 'idle text on the clipboard' | xclip -selection clipboard -quiet >/dev/null 2>&1 &
pids+=($!)
wine "$work/app/tarnquill.exe" </dev/null >/dev/null 2>&1 &
pids+=($!)
wine "$work/empty.exe" </dev/null >/dev/null 2>&1 &
pids+=($!)
pid_of() { ps -eo pid=,args= | awk -v path="$1" 'index($0, path) && $2 == path {print $1; exit}'; }
both_started() { [[ -n $(pid_of "$work/app/tarnquill.exe") && -n $(pid_of "$work/empty.exe") && -s $work/app/tcb.txt ]]; }
until_true 60 both_started || true
app=$(pid_of "$work/app/tarnquill.exe")
empty=$(pid_of "$work/empty.exe")
[[ -n $app && -n $empty ]] || { echo "wine_idle_cpu: the programs did not start" >&2; exit 1; }
# The pointer rests away from the window, as a user's does while working
# elsewhere: over the window, Wine follows it for hover effects by polling
# (TrackMouseEvent's timer), which Windows does not.
xdotool mousemove 5 5
# Settle: the load, the first save, and the caret's ten seconds of blinking
# after the start (Win32CaretBlinkLimiter).
sleep 15

sample() { # pid -> "ns runs", summed over its threads now
    local task ns wait runs total=0 count=0
    for task in /proc/"$1"/task/*; do
        read -r ns wait runs <"$task/schedstat" 2>/dev/null || continue
        total=$((total + ns))
        count=$((count + runs))
    done
    echo "$total $count"
}
read -r app_ns0 app_runs0 < <(sample "$app")
read -r empty_ns0 empty_runs0 < <(sample "$empty")
sleep "$seconds"
read -r app_ns1 app_runs1 < <(sample "$app")
read -r empty_ns1 empty_runs1 < <(sample "$empty")

report() { # name ns runs
    awk -v name="$1" -v ns="$2" -v runs="$3" -v s="$seconds" \
        'BEGIN { printf "  %-20s %8.2f ms CPU  %6d wake-ups  (%.4f%% of one CPU)\n", name, ns / 1e6, runs, ns / (s * 1e7) }'
}
echo "idle under Wine over $seconds s, text on the clipboard, nothing changing:"
report "tarnquill.exe" $((app_ns1 - app_ns0)) $((app_runs1 - app_runs0))
report "empty message loop" $((empty_ns1 - empty_ns0)) $((empty_runs1 - empty_runs0))
