#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""UI-thread time of a click on a List1 row that previews a large entry.

    bench/preview_click.py [--sizes-mb 1,10,50] [--shapes single,lines]

A shape "linesN" breaks the text into lines of N characters ("lines": 76).
For each size and shape the program starts over a store whose newest entry is
that text (one line of base64-like characters, or the same in lines of 76);
the first row is clicked and the UI thread's CPU time is summed until it has
been idle for half a second. Printed: the CPU the click cost the UI thread
(the idle rate before it subtracted), the wall time until the thread settled,
and the program's resident memory before the click and its peak after it.

CPU time is the first field of /proc/PID/task/PID/schedstat (the main thread,
which is the UI thread). Everything runs on a private Xvfb with HOME and the
XDG folders in a temporary folder; every process started here is ended by its
pid. The program is build/linux/tarnquill unless TARNQUILL_BINARY names another;
PREVIEW_SHOT=file.png keeps a screenshot of the window after each click.
"""

import argparse
import os
import random
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from session import LINUX_PROGRAM, SEPARATOR, Processes, desktop, main_window, start_program  # noqa: E402

BINARY = os.environ.get("TARNQUILL_BINARY", LINUX_PROGRAM)
SLOTS = 500
# List1 at 96 dpi: 120, 510 twips = 8, 34 pixels; the first row's middle.
ROW0 = (8 + 30, 34 + 8)


def text_of(size, shape):
    alphabet = b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"
    rng = random.Random(size)
    block = bytes(rng.choice(alphabet) for _ in range(65536))
    body = (block * (size // len(block) + 1))[:size]
    if shape.startswith("lines"):
        width = int(shape[5:] or 76)
        body = b"\n".join(body[i:i + width] for i in range(0, len(body), width))[:size]
    return body


def cpu_ns(pid):
    with open(f"/proc/{pid}/task/{pid}/schedstat") as f:
        return int(f.read().split()[0])


def memory_kb(pid, field):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(field + ":"):
                return int(line.split()[1])
    return 0


def measure(procs, env, work, text):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    app, _ = start_program(procs, BINARY, env, work, store=text + SEPARATOR + SEPARATOR * (SLOTS - 1) + b"\r\n")
    try:
        window = main_window(env, 120)
        if not window:
            raise RuntimeError("no main window")
        info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True, text=True).stdout
        left = int(info.split("Absolute upper-left X:")[1].split()[0])
        top = int(info.split("Absolute upper-left Y:")[1].split()[0])
        time.sleep(1.0)
        idle_from, idle_cpu = time.time(), cpu_ns(app.pid)
        time.sleep(1.0)
        idle_rate = (cpu_ns(app.pid) - idle_cpu) / (time.time() - idle_from)
        rss_before = memory_kb(app.pid, "VmRSS")

        before, clicked = cpu_ns(app.pid), time.time()
        subprocess.run(["xdotool", "mousemove", str(left + ROW0[0]), str(top + ROW0[1]), "click", "1"], env=env)
        last, last_change = before, time.time()
        while time.time() - last_change < 0.5 and time.time() - clicked < 300:
            time.sleep(0.01)
            now = cpu_ns(app.pid)
            if now - last > 2_000_000:
                last_change = time.time()
            last = now
        settled = last_change - clicked
        if os.environ.get("PREVIEW_SHOT"):
            subprocess.run(["import", "-window", "root", "-crop", f"420x340+{left - 10}+{top - 10}", "+repage", os.environ["PREVIEW_SHOT"]],
                           env=env)
        spent = last - before - idle_rate * (time.time() - clicked)
        return spent / 1e6, settled * 1e3, rss_before / 1024, memory_kb(app.pid, "VmHWM") / 1024
    finally:
        Processes.kill(app)
        procs.children.remove(app)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--sizes-mb", default="1,10,50")
    parser.add_argument("--shapes", default="single,lines")
    args = parser.parse_args()
    for tool in ("Xvfb", "xdotool", "xwininfo"):
        if not shutil.which(tool):
            sys.exit(f"preview_click: {tool} is needed")
    with desktop("tarnquill-preview-") as (procs, work, env):
        print(f"{'text':>16} {'UI CPU ms':>10} {'settled ms':>11} {'RSS MB':>8} {'peak MB':>8}")
        for shape in args.shapes.split(","):
            for size in (float(s) for s in args.sizes_mb.split(",")):
                text = text_of(int(size * 1_000_000), shape)
                cpu, settled, rss, peak = measure(procs, env, os.path.join(work, "run"), text)
                print(f"{size:>6g} MB {shape:>6} {cpu:>10.1f} {settled:>11.0f} {rss:>8.1f} {peak:>8.1f}", flush=True)


if __name__ == "__main__":
    main()
