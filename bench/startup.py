#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Start-up time and memory of Tarnquill beside a bare Qt Widgets window.

    bench/startup.py [--runs 10] [--entry-bytes 1000]

Each run starts, on a private Xvfb without a window manager:
- build/linux/bench/bare_qt_window (or $BARE_QT_WINDOW), timed from the start
  of the process to the X server's MapNotify of its window;
- the program over a store of 500 entries of ENTRY bytes, with a text already
  waiting on the clipboard (xclip): timed to the MapNotify of the main window
  ("Tarnquill") and to the moment tcb.txt holds the waiting text as its newest
  entry; then, 2 s later, its proportional set size and private memory
  (smaps_rollup). PSS splits shared libraries among the processes that map
  them, so it is lower while other Qt programs run; the private part is not.
The medians (and min-max) over the runs are printed.

Map events are read from `xev -root -event substructure`, timestamped as
they arrive. Everything runs with HOME and the XDG folders in a temporary
folder; every process started here is ended by its pid.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "support"))
from session import LINUX_PROGRAM, ROOT, SEPARATOR, Processes, desktop, start_program  # noqa: E402

BINARY = os.environ.get("TARNQUILL_BINARY", LINUX_PROGRAM)
BARE = os.environ.get("BARE_QT_WINDOW", os.path.join(ROOT, "build", "linux", "bench", "bare_qt_window"))


class MapWatcher:
    """Times every top-level MapNotify on the display."""

    def __init__(self, display):
        self.events = []  # (monotonic time, window id)
        self.lock = threading.Lock()
        self.xev = subprocess.Popen(["xev", "-root", "-event", "substructure"], env=dict(os.environ, DISPLAY=display),
                                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, bufsize=0)
        threading.Thread(target=self._read, daemon=True).start()
        time.sleep(0.3)

    def _read(self):
        pending = None
        for raw in iter(self.xev.stdout.readline, b""):
            line = raw.decode(errors="replace")
            if line.startswith("MapNotify event"):
                pending = time.monotonic()
            elif pending is not None and "window 0x" in line:
                window = line.split("window ")[1].split(",")[0].strip()
                with self.lock:
                    self.events.append((pending, window))
                pending = None

    def since(self, start):
        with self.lock:
            return [(t - start, w) for t, w in self.events if t >= start]

    def close(self):
        Processes.kill(self.xev)


def window_name(display, window):
    out = subprocess.run(["xprop", "-id", window, "WM_NAME"], env=dict(os.environ, DISPLAY=display),
                         capture_output=True, text=True).stdout
    return out.split("=", 1)[1].strip().strip('"') if "=" in out else ""


def first_map(watcher, start, display, name=None, timeout=20):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for when, window in watcher.since(start):
            if name is None or window_name(display, window) == name:
                return when
        time.sleep(0.005)
    raise RuntimeError(f"no window {name or ''} mapped")


def memory_mb(pid):
    """Proportional set size, and the private part of it (what the process
    alone holds, whatever else shares its libraries)."""
    fields = {}
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for line in f:
            parts = line.split()
            if len(parts) >= 2 and parts[1].isdigit():
                fields[parts[0].rstrip(":")] = int(parts[1])
    return fields.get("Pss", 0) / 1024, (fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)) / 1024


def run_bare(display, watcher):
    start = time.monotonic()
    bare = subprocess.Popen([BARE], env=dict(os.environ, DISPLAY=display),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        return first_map(watcher, start, display) * 1e3
    finally:
        Processes.kill(bare)


def run_program(procs, env, watcher, work, entry_bytes, index):
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    store = b"".join((b"%03d " % slot + b"x" * entry_bytes)[:entry_bytes] + SEPARATOR for slot in range(500)) + b"\r\n"
    waiting = b"waiting at start %d" % index
    xclip = procs.start(["xclip", "-selection", "clipboard", "-i", "-quiet"], stdin=subprocess.PIPE,
                        stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=env)
    xclip.stdin.write(waiting)
    xclip.stdin.close()
    xclip.stderr.readline()  # "Waiting for selection requests, Control-C to quit"
    app, store_path = start_program(procs, BINARY, env, work, store=store)
    start = app.started_at
    try:
        recorded = None
        expected = waiting + SEPARATOR
        deadline = start + 20
        while recorded is None and time.monotonic() < deadline:
            try:
                with open(store_path, "rb") as f:
                    if f.read(len(expected)) == expected:
                        recorded = time.monotonic() - start
            except OSError:
                pass
            time.sleep(0.0005)
        mapped = first_map(watcher, start, env["DISPLAY"], "Tarnquill")
        time.sleep(2)
        return (mapped * 1e3, (recorded or float("nan")) * 1e3) + memory_mb(app.pid)
    finally:
        Processes.kill(app)
        Processes.kill(xclip)
        procs.children.remove(app)
        procs.children.remove(xclip)


def summary(values):
    return f"{statistics.median(values):7.1f}  ({min(values):.1f}-{max(values):.1f})"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=10)
    parser.add_argument("--entry-bytes", type=int, default=1000)
    args = parser.parse_args()
    for tool in ("Xvfb", "xev", "xprop", "xclip"):
        if not shutil.which(tool):
            sys.exit(f"startup: {tool} is needed")
    for path in (BINARY, BARE):
        if not os.access(path, os.X_OK):
            sys.exit(f"startup: no program at {path} (build it)")
    with desktop("tarnquill-startup-") as (procs, work, env):
        watcher = MapWatcher(env["DISPLAY"])
        bare, mapped, recorded, pss, private = [], [], [], [], []
        try:
            for index in range(args.runs):
                bare.append(run_bare(env["DISPLAY"], watcher))
                m, r, p, u = run_program(procs, env, watcher, os.path.join(work, "run"), args.entry_bytes, index)
                mapped.append(m)
                recorded.append(r)
                pss.append(p)
                private.append(u)
            print(f"runs: {args.runs}, store: 500 entries of {args.entry_bytes} bytes; median (min-max)")
            print(f"bare Qt window mapped       ms {summary(bare)}")
            print(f"main window mapped          ms {summary(mapped)}")
            print(f"waiting copy recorded       ms {summary(recorded)}")
            print(f"proportional set size       MB {summary(pss)}")
            print(f"private memory              MB {summary(private)}")
        finally:
            watcher.close()

if __name__ == "__main__":
    main()
