#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How fast a copied text reaches tcb.txt, and how many texts of a fast burst
of copies the program keeps.

    bench/copy_latency.py [--copies 50] [--burst 50] [--gap-ms 12]
    TARNQUILL_BINARY=path/to/tarnquill   (default build/linux/tarnquill)
    TARNQUILL_BINARY=build/windows/tarnquill.exe   the Windows program under
        Wine, in the prefix build/wine-prefix-bench (or WINEPREFIX)

Latency: from the moment xclip says it owns the clipboard (it prints that
right after asking the X server for the selection, so the figure includes the
time the request takes to reach the server) until tcb.txt holds the text as
its newest entry, polled every 0.2 ms. Copies are 150 ms apart, so each one
finds the program idle, as a user's copy would.

Burst: xclip processes are started ahead and wait on their stdin; releasing
one every GAP ms puts a new owner on the clipboard at that pace without the
start-up time of xclip in between. The store is read once the burst is over.

Runs on a private Xvfb, with HOME and XDG folders in a temporary folder; every
process started here is ended by its pid.
"""

import argparse
import os
import shutil
import signal
import select
import statistics
import subprocess
import sys
import tempfile
import threading
import time

SEPARATOR = b"||!o@!@#w@#$!@#$%z||"
ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


class Processes:
    """Every child started here, ended by pid in reverse order of start."""

    def __init__(self):
        self.children = []

    def start(self, argv, **kwargs):
        child = subprocess.Popen(argv, **kwargs)
        self.children.append(child)
        return child

    def end(self, child, grace=5.0):
        if child.poll() is None:
            child.send_signal(signal.SIGTERM)
            try:
                child.wait(grace)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()

    def end_all(self):
        for child in reversed(self.children):
            self.end(child)
        self.children.clear()


def start_xvfb(procs):
    read_end, write_end = os.pipe()
    xvfb = procs.start(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
         "-dpi", "96", "-nolisten", "tcp", "-noreset"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return xvfb, ":" + number.decode().strip()


def client_env(display, work):
    env = dict(os.environ)
    for name in ("WAYLAND_DISPLAY", "XAUTHORITY", "XDG_SESSION_TYPE"):
        env.pop(name, None)
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8",
               DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-bus"))
    return env


class Copier:
    """xclip owners of the CLIPBOARD selection."""

    def __init__(self, procs, env):
        self.procs = procs
        self.env = env

    def prepare(self, text):
        """An xclip that has connected and waits for its text on stdin."""
        child = self.procs.start(["xclip", "-quiet", "-selection", "clipboard", "-i"],
                                 env=self.env, stdin=subprocess.PIPE,
                                 stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        child.text = text.encode()
        child.owned_at = None
        return child

    @staticmethod
    def release(child):
        child.stdin.write(child.text)
        child.stdin.close()

    @staticmethod
    def wait_owned(child):
        """Blocks until xclip reports that it owns the selection; returns that time."""
        for line in child.stderr:
            if b"Waiting for selection requests" in line:
                child.owned_at = time.perf_counter()
                break
        # Later lines report each paste; keep the pipe from filling up.
        threading.Thread(target=lambda: child.stderr.read(), daemon=True).start()
        return child.owned_at

    def copy(self, text):
        child = self.prepare(text)
        self.release(child)
        return child, self.wait_owned(child)

    def reap(self):
        """Forgets owners that have ended (they end when another takes the clipboard)."""
        for child in list(self.procs.children):
            if child.args[0] == "xclip" and child.poll() is not None:
                self.procs.children.remove(child)


def newest_entry(path):
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError:
        return None
    end = data.find(SEPARATOR)
    return data[:end] if end >= 0 else None


def entries(path):
    with open(path, "rb") as f:
        return f.read().split(SEPARATOR)[:500]


def wait_for_newest(path, text, timeout=10.0):
    """Polls the store every 0.2 ms, reading it only when stat says it changed."""
    wanted = text.encode()
    last = None
    deadline = time.perf_counter() + timeout
    while time.perf_counter() < deadline:
        try:
            st = os.stat(path)
            key = (st.st_ino, st.st_mtime_ns, st.st_size)
        except OSError:
            key = None
        if key is not None and key != last:
            last = key
            if newest_entry(path) == wanted:
                return time.perf_counter()
        time.sleep(0.0002)
    return None


def start_program(procs, binary, env, work, wine_env=None):
    """A copy of the program in work/app, with HOME, the XDG folders and the
    machine-wide registry and autostart folders inside `work`; its output goes
    to work/app.log. A Windows program (wine_env given) runs under Wine in
    that prefix, made first when it is new. Returns the process and the path
    of its store."""
    home = os.path.join(work, "home")
    for sub in (".config", ".local/share", ".cache"):
        os.makedirs(os.path.join(home, sub))
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700)
    app_dir = os.path.join(work, "app")
    os.makedirs(app_dir)
    program = os.path.join(app_dir, "tarnquill.exe" if wine_env else "tarnquill")
    shutil.copy2(binary, program)
    store = os.path.join(app_dir, "tcb.txt")
    # The machine-wide registry and autostart folders too: as root their
    # defaults are the real /var/lib/tarnquill and /etc/xdg/autostart.
    system = os.path.join(work, "system")
    os.makedirs(os.path.join(system, "xdg", "autostart"))
    app_env = dict(env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local/share"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=runtime,
                   XDG_CONFIG_DIRS=os.path.join(system, "xdg"),
                   TARNQUILL_MACHINE_REGISTRY=os.path.join(system, "registry.sqlite3"),
                   TARNQUILL_MACHINE_AUTOSTART=os.path.join(system, "xdg", "autostart"))
    argv = [program]
    if wine_env:
        app_env.update(wine_env, HOME=os.environ.get("HOME", home))
        if not os.path.exists(os.path.join(wine_env["WINEPREFIX"], ".tarnquill-ready")):
            subprocess.run(["wine", "wineboot", "--init"], env=app_env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
            subprocess.run(["wineserver", "--wait"], env=app_env, check=False)
            open(os.path.join(wine_env["WINEPREFIX"], ".tarnquill-ready"), "w").close()
        argv = ["wine", program]
    with open(os.path.join(work, "app.log"), "wb") as log:
        app = procs.start(argv, env=app_env, cwd=work, stdout=log, stderr=log)
    return app, store


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--copies", type=int, default=50)
    parser.add_argument("--burst", type=int, default=50)
    parser.add_argument("--gap-ms", type=float, default=12.0)
    args = parser.parse_args()

    binary = os.environ.get("TARNQUILL_BINARY") or os.path.join(ROOT, "build", "linux", "tarnquill")
    wine = binary.endswith(".exe")
    wine_env = {"WINEPREFIX": os.environ.get("WINEPREFIX") or os.path.join(ROOT, "build", "wine-prefix-bench"),
                "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
    for tool in ("Xvfb", "xclip"):
        if not shutil.which(tool):
            sys.exit(f"copy_latency: {tool} is needed")
    if not os.access(binary, os.R_OK if wine else os.X_OK):
        sys.exit(f"copy_latency: no program at {binary} (build it, or set TARNQUILL_BINARY)")

    procs = Processes()
    work = tempfile.mkdtemp(prefix="tarnquill-latency-")
    try:
        xvfb, display = start_xvfb(procs)
        env = client_env(display, work)
        app, store = start_program(procs, binary, env, work, wine_env if wine else None)
        copier = Copier(procs, env)

        # Warm-up: the first copy also proves the program is up and recording.
        copier.copy("warm-up")
        if wait_for_newest(store, "warm-up", timeout=90 if wine else 20) is None:
            sys.exit("copy_latency: the program never recorded the warm-up copy")
        time.sleep(0.5)

        latencies = []
        missed = 0
        for i in range(args.copies):
            text = f"latency probe {i} {time.time_ns()}"
            _, owned = copier.copy(text)
            seen = wait_for_newest(store, text)
            if seen is None:
                missed += 1
            else:
                latencies.append((seen - owned) * 1000)
            copier.reap()
            time.sleep(0.15)

        print(f"copy -> tcb.txt latency over {len(latencies)} copies "
              f"({os.cpu_count()} CPUs, load {open('/proc/loadavg').read().split()[0]}):")
        if latencies:
            ordered = sorted(latencies)
            p90 = ordered[min(len(ordered) - 1, int(0.9 * len(ordered)))]
            print(f"  median {statistics.median(latencies):7.2f} ms   p90 {p90:7.2f} ms   "
                  f"min {min(latencies):7.2f} ms   max {max(latencies):7.2f} ms")
        if missed:
            print(f"  {missed} copies never reached the store within 10 s")
        if args.burst <= 0:
            return

        # Burst: all owners connected first, then released GAP ms apart.
        time.sleep(0.5)
        tag = time.time_ns()
        texts = [f"burst {tag} #{i:02d}" for i in range(args.burst)]
        owners = [copier.prepare(text) for text in texts]
        time.sleep(1.0)  # every xclip has connected and waits on stdin
        # One loop releases the owners on time and notes when each reports
        # owning the clipboard; threads would wait for the interpreter lock.
        watching = {}
        seen = {}

        def note_owned(until):
            while True:
                left = until - time.perf_counter()
                if left <= 0:
                    return
                ready, _, _ = select.select(list(watching), [], [], left)
                now = time.perf_counter()
                for fd in ready:
                    chunk = os.read(fd, 4096)
                    seen[fd] = seen.get(fd, b"") + chunk
                    if b"Waiting for selection requests" in seen[fd] or not chunk:
                        owner = watching.pop(fd)
                        owner.owned_at = now if chunk else None

        gap = args.gap_ms / 1000
        start = time.perf_counter()
        for i, owner in enumerate(owners):
            note_owned(start + i * gap)
            Copier.release(owner)
            watching[owner.stderr.fileno()] = owner
        deadline = time.perf_counter() + 5
        while watching and time.perf_counter() < deadline:
            note_owned(min(deadline, time.perf_counter() + 0.1))
        for owner in owners:
            threading.Thread(target=lambda o=owner: o.stderr.read(), daemon=True).start()
        wait_for_newest(store, texts[-1], timeout=10)
        time.sleep(1.0)

        owned_times = [o.owned_at for o in owners if o.owned_at is not None]
        gaps = [(b - a) * 1000 for a, b in zip(owned_times, owned_times[1:])]
        stored = entries(store)
        burst_set = set(t.encode() for t in texts)
        recorded = [e for e in stored if e in burst_set]
        in_order = recorded == sorted(recorded, reverse=True)
        print(f"burst of {args.burst} copies {args.gap_ms:g} ms apart "
              f"(measured gaps between owners: median {statistics.median(gaps):.2f} ms, "
              f"min {min(gaps):.2f} ms, max {max(gaps):.2f} ms; "
              f"{len(owned_times)} of {args.burst} xclips owned the clipboard):")
        print(f"  recorded {len(recorded)} of {args.burst}, "
              f"{'newest first' if in_order else 'OUT OF ORDER'}, "
              f"{len(recorded) - len(set(recorded))} duplicates")
        lost = [t for t in texts if t.encode() not in set(recorded)]
        if lost:
            print("  lost: " + ", ".join(t.split("#")[1] for t in lost))
        if app.poll() is not None:
            print(f"  the program ended during the run (exit {app.returncode})")
    finally:
        if wine:
            subprocess.run(["wineserver", "-k"], env=dict(os.environ, **wine_env), check=False)
        procs.end_all()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
