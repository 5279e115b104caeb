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
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
BUILD = os.path.join(HERE, "..", "build", "linux")
BINARY = os.environ.get("TARNQUILL_BINARY", os.path.join(BUILD, "tarnquill"))
BARE = os.environ.get("BARE_QT_WINDOW", os.path.join(BUILD, "bench", "bare_qt_window"))
SEPARATOR = b"||!o@!@#w@#$!@#$%z||"


def start_xvfb():
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24", "-dpi", "96",
                               "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 32)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read)
    return server, ":" + number.decode().strip()


def stop(process):
    if process and process.poll() is None:
        process.send_signal(signal.SIGKILL)
        process.wait()


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
        stop(self.xev)


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
        stop(bare)


def run_program(display, watcher, work, entry_bytes, index):
    shutil.rmtree(work, ignore_errors=True)
    app_dir, home = os.path.join(work, "app"), os.path.join(work, "home")
    os.makedirs(app_dir)
    os.makedirs(home)
    program = os.path.join(app_dir, "tarnquill")
    shutil.copy(BINARY, program)
    store = os.path.join(app_dir, "tcb.txt")
    with open(store, "wb") as f:
        for slot in range(500):
            f.write((b"%03d " % slot + b"x" * entry_bytes)[:entry_bytes] + SEPARATOR)
        f.write(b"\r\n")
    waiting = b"waiting at start %d" % index
    xclip = subprocess.Popen(["xclip", "-selection", "clipboard", "-i", "-quiet"], stdin=subprocess.PIPE,
                             stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, env=dict(os.environ, DISPLAY=display))
    xclip.stdin.write(waiting)
    xclip.stdin.close()
    xclip.stderr.readline()  # "Waiting for selection requests, Control-C to quit"
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_CONFIG_HOME=home + "/.config",
               XDG_DATA_HOME=home + "/.local/share", XDG_CACHE_HOME=home + "/.cache",
               XDG_STATE_HOME=home + "/.local/state", XDG_RUNTIME_DIR=work,
               TARNQUILL_MACHINE_REGISTRY=work + "/registry.sqlite3",
               TARNQUILL_MACHINE_AUTOSTART=work + "/autostart")
    for name in ("WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS"):
        env.pop(name, None)
    start = time.monotonic()
    app = subprocess.Popen([program], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        recorded = None
        expected = waiting + SEPARATOR
        deadline = start + 20
        while recorded is None and time.monotonic() < deadline:
            try:
                with open(store, "rb") as f:
                    if f.read(len(expected)) == expected:
                        recorded = time.monotonic() - start
            except OSError:
                pass
            time.sleep(0.0005)
        mapped = first_map(watcher, start, display, "Tarnquill")
        time.sleep(2)
        return (mapped * 1e3, (recorded or float("nan")) * 1e3) + memory_mb(app.pid)
    finally:
        stop(app)
        stop(xclip)


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
    server, display = start_xvfb()
    watcher = MapWatcher(display)
    work = tempfile.mkdtemp(prefix="tarnquill-startup-")
    bare, mapped, recorded, pss, private = [], [], [], [], []
    try:
        for index in range(args.runs):
            bare.append(run_bare(display, watcher))
            m, r, p, u = run_program(display, watcher, os.path.join(work, "run"), args.entry_bytes, index)
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
        shutil.rmtree(work, ignore_errors=True)
        stop(server)


if __name__ == "__main__":
    main()
