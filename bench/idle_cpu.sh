#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# CPU that Tarnquill costs while idle with text on the clipboard, beside a
# bare program that wakes every 10 ms, both measured over the same window.
#
#   bench/idle_cpu.sh [SECONDS]          (default 60)
#   TARNQUILL_BINARY=path/to/tarnquill   (default build/linux/tarnquill)
#
# CPU time is the sum over threads of the first field of
# /proc/PID/task/TID/schedstat (nanoseconds on a CPU); the third field counts
# how often a thread was put on a CPU, which is the wake-up count. Two windows of
# SECONDS each: the input focus in another window (the usual idle) and in the
# program's own window. Everything runs on a
# private Xvfb with HOME and XDG folders in a temporary folder, and every
# process started here is ended by its pid.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(dirname "$here")
binary=${TARNQUILL_BINARY:-$root/build/linux/tarnquill}
seconds=${1:-60}
settle=3

for tool in Xvfb xclip cc; do
    command -v "$tool" >/dev/null || { echo "idle_cpu: $tool is needed" >&2; exit 2; }
done
[[ -x $binary ]] || { echo "idle_cpu: no program at $binary (build it, or set TARNQUILL_BINARY)" >&2; exit 2; }

# shellcheck source=../tests/support/session.sh
source "$root/tests/support/session.sh"

# Per thread ("pid:tid"): on-CPU nanoseconds and times scheduled, at the
# window's start and at the latest sample. Threads come and go (Qt ends an
# idle pooled thread after 30 s), so every thread is followed by its id and
# sampled each second: one that ends keeps what it used up to its last
# sample, and one born during the window counts from zero.
declare -A base_ns base_runs cur_ns cur_runs
snapshot() { # first|next pid...
    local mode=$1 pid task key ns wait runs
    shift
    for pid in "$@"; do
        for task in /proc/"$pid"/task/*; do
            read -r ns wait runs < "$task/schedstat" 2>/dev/null || continue
            key=$pid:${task##*/}
            if [[ $mode == first ]]; then
                base_ns[$key]=$ns; base_runs[$key]=$runs
            elif [[ -z ${base_ns[$key]+set} ]]; then
                base_ns[$key]=0; base_runs[$key]=0
            fi
            cur_ns[$key]=$ns; cur_runs[$key]=$runs
        done
    done
}
used() { # pid -> "ns runs" used since the window's start
    local key ns=0 runs=0
    for key in "${!cur_ns[@]}"; do
        [[ $key == "$1":* ]] || continue
        ns=$((ns + cur_ns[$key] - base_ns[$key]))
        runs=$((runs + cur_runs[$key] - base_runs[$key]))
    done
    echo "$ns $runs"
}

cc -O2 -o "$work/timer10ms" "$here/timer10ms.c"

start_xvfb 1280x1024 -noreset
display=$DISPLAY
private_home
unset XAUTHORITY
export DBUS_SESSION_BUS_ADDRESS="unix:path=$work/no-bus" LC_ALL=C.UTF-8
mkdir -p "$work/app"
cp "$binary" "$work/app/tarnquill"

text="idle measurement: this text stays on the clipboard"
printf '%s' "$text" | xclip -quiet -selection clipboard -i 2>"$work/xclip.log" &
pids+=($!)
until_true 5 grep -q Waiting "$work/xclip.log" || true

"$work/app/tarnquill" >"$work/app.log" 2>&1 &
app_pid=$!
pids+=("$app_pid")
"$work/timer10ms" &
timer_pid=$!
pids+=("$timer_pid")

# The program records the clipboard's text at start; idle begins after that.
recorded() { head -c ${#text} "$work/app/tcb.txt" 2>/dev/null | grep -qF "$text"; }
until_true 10 recorded \
    || { echo "idle_cpu: the program did not record the clipboard text" >&2; cat "$work/app.log" >&2; exit 1; }
sleep "$settle"

report() { # name ns runs wall
    awk -v name="$1" -v ns="$2" -v runs="$3" -v wall="$4" 'BEGIN {
        printf "  %-26s %9.4f %% of one core   %10.3f ms CPU   %8.1f wake-ups/s\n",
               name, 100 * ns / wall, ns / 1e6, runs * 1e9 / wall }'
}

measure() { # title
    local t0 t1 wall
    base_ns=(); base_runs=(); cur_ns=(); cur_runs=()
    snapshot first "$app_pid" "$timer_pid" "$xvfb_pid"
    t0=$(date +%s%N)
    for _ in $(seq "$seconds"); do
        sleep 1
        snapshot next "$app_pid" "$timer_pid" "$xvfb_pid"
    done
    t1=$(date +%s%N)
    wall=$((t1 - t0))
    kill -0 "$app_pid" 2>/dev/null || { echo "idle_cpu: the program ended during the measurement" >&2; exit 1; }
    echo "$1, $(awk -v w=$wall 'BEGIN {printf "%.1f", w / 1e9}') s, load $(cut -d' ' -f1-3 /proc/loadavg):"
    report "tarnquill" $(used "$app_pid") "$wall"
    report "bare 10 ms timer (C)" $(used "$timer_pid") "$wall"
    report "Xvfb (the X server)" $(used "$xvfb_pid") "$wall"
}

echo "idle CPU with text on the clipboard and the window shown ($(nproc) CPUs)"
# Usually the user works in another window. Xvfb has no window manager, so
# the program keeps the input focus unless it is moved away: to the root.
if command -v xdotool >/dev/null && command -v xwininfo >/dev/null; then
    root_window=$(DISPLAY=$display xwininfo -root | awk '/Window id:/ {print $4}')
    DISPLAY=$display xdotool windowfocus "$root_window"
    sleep 1
    measure "focus in another window (the usual idle)"
    # Back to the program: a focused text box blinks its cursor.
    DISPLAY=$display xdotool windowfocus "$(DISPLAY=$display xdotool search --onlyvisible --pid "$app_pid" | head -n1)"
    sleep 1
else
    echo "(xdotool or xwininfo missing: only the focused case is measured)"
fi
measure "focus in the program's window"
echo "target for tarnquill: <= 0.05 % of one core"
