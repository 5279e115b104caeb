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
import select
import shutil
import statistics
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from session import SEPARATOR, Copier, desktop, program_under_test, start_program, wine_env  # noqa: E402


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


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--copies", type=int, default=50)
    parser.add_argument("--burst", type=int, default=50)
    parser.add_argument("--gap-ms", type=float, default=12.0)
    args = parser.parse_args()

    for tool in ("Xvfb", "xclip"):
        if not shutil.which(tool):
            sys.exit(f"copy_latency: {tool} is needed")
    binary = program_under_test("copy_latency")
    wine = wine_env() if binary.endswith(".exe") else None

    with desktop("tarnquill-latency-", wine=wine) as (procs, work, env):
        app, store = start_program(procs, binary, env, work, wine)
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


if __name__ == "__main__":
    main()
