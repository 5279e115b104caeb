#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Pulls the plug on the program over and over: each cycle starts it on the
same store, copies texts at random intervals (some large), and kills it with
SIGKILL at a random moment, during saves included. After each kill the store
(with its journal) must load, hold no partial entry, and hold every text
recorded at least 100 ms before the kill, in the order copied.

    bench/kill9.py [--cycles 1000] [--seed N]
    TARNQUILL_BINARY=path/to/tarnquill   (default build/linux/tarnquill)
    STORE_DUMP=path/to/store_dump        (default build/linux/bench/store_dump)

A text counts as recorded RECORD_MS after xclip last answered a request of
the program for it (xclip reports each one): a text that a later copy
replaced before the program looked is not counted.
Exits 1 when any recorded text is lost or the store does not load.
"""

import argparse
import os
import random
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from session import ROOT, Copier, Processes, client_env, private_home, start_xvfb  # noqa: E402

RECORD_MS = 20


def start_copy(copier, text):
    """An xclip owning the text; .served collects the times of the requests it answered."""
    child = copier.prepare(text.decode())
    copier.release(child)
    child.served = []
    for line in child.stderr:
        if b"Waiting for selection requests" in line:
            break

    def follow():
        # xclip prints "request number N+1" once it has answered request N.
        for line in child.stderr:
            if b"selection request number" in line and int(line.split()[-1]) >= 2:
                child.served.append(time.perf_counter())

    threading.Thread(target=follow, daemon=True).start()
    return child
JOURNALS = ("tcb.txt", "tcb.txt.journal", "tcb.txt.journal-next")


def dump(dump_tool, app_dir, scratch):
    """The slots a start would load, read from a copy of the store files."""
    shutil.rmtree(scratch, ignore_errors=True)
    os.makedirs(scratch)
    for name in JOURNALS:
        try:
            shutil.copyfile(os.path.join(app_dir, name), os.path.join(scratch, name))
        except FileNotFoundError:
            pass  # not there, or gone meanwhile (the program still runs)
    result = subprocess.run([dump_tool, os.path.join(scratch, "tcb.txt")], capture_output=True, timeout=60)
    if result.returncode != 0:
        return None
    data, slots, at = result.stdout, [], 0
    while at < len(data):
        end = data.index(b"\n", at)
        size = int(data[at:end])
        slots.append(data[end + 1:end + 1 + size])
        at = end + 1 + size
    return slots


def wait_until_newest(dump_tool, app_dir, scratch, text, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        slots = dump(dump_tool, app_dir, scratch)
        if slots and slots[0] == text:
            return True
        time.sleep(0.05)
    return False


def make_text(rng, cycle, i):
    head = f"kill9 c{cycle} #{i} {rng.getrandbits(32):08x} "
    roll = rng.random()
    if roll < 0.04:
        size = rng.randint(256 * 1024, 1024 * 1024)
    elif roll < 0.15:
        size = 64 * 1024
    else:
        size = rng.randint(0, 60)
    return (head + "".join(rng.choice("abcdefgh xyz\n") for _ in range(min(size, 64))) * max(1, size // 64)).encode()


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--cycles", type=int, default=1000)
    parser.add_argument("--seed", type=int, default=int(time.time()))
    args = parser.parse_args()
    rng = random.Random(args.seed)

    binary = os.environ.get("TARNQUILL_BINARY") or os.path.join(ROOT, "build", "linux", "tarnquill")
    dump_tool = os.environ.get("STORE_DUMP") or os.path.join(ROOT, "build", "linux", "bench", "store_dump")
    for tool in ("Xvfb", "xclip"):
        if not shutil.which(tool):
            sys.exit(f"kill9: {tool} is needed")
    for path in (binary, dump_tool):
        if not os.access(path, os.X_OK):
            sys.exit(f"kill9: no program at {path} (build it)")

    # A SIGTERM to this script still ends everything it started.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    procs = Processes()
    work = tempfile.mkdtemp(prefix="tarnquill-kill9-")
    kept = lost = late_kept = unread = 0
    failures = []
    try:
        _, display = start_xvfb(procs, extra=("-noreset",))
        env = client_env(display, work)
        app_dir = os.path.join(work, "app")
        os.makedirs(app_dir)
        shutil.copy2(binary, os.path.join(app_dir, "tarnquill"))
        app_env = private_home(env, work)
        copier = Copier(procs, env)
        scratch = os.path.join(work, "scratch")
        known = set()
        log = open(os.path.join(work, "app.log"), "wb")

        for cycle in range(args.cycles):
            app = procs.start([os.path.join(app_dir, "tarnquill")], env=app_env, cwd=work, stdout=log, stderr=log)
            ready = f"kill9 ready {cycle}".encode()
            known.add(ready)
            copier.copy(ready.decode())
            if not wait_until_newest(dump_tool, app_dir, scratch, ready, 20):
                failures.append(f"cycle {cycle}: the program never recorded its first copy")
                break

            # Copies at random gaps; the kill comes at a random moment among them.
            count = rng.randint(1, 12)
            gaps = [rng.uniform(0.03, 0.25) for _ in range(count)]
            kill_after = rng.uniform(0.0, sum(gaps) + 0.3)
            start = time.perf_counter()
            killed_at = []

            def killer():
                time.sleep(kill_after)
                killed_at.append(time.perf_counter())
                app.send_signal(signal.SIGKILL)

            threading.Thread(target=killer, daemon=True).start()
            owners = []
            for i in range(count):
                time.sleep(gaps[i])
                if killed_at:
                    break
                text = make_text(rng, cycle, i)
                known.add(text)
                owners.append((text, start_copy(copier, text)))
            while not killed_at:
                time.sleep(0.01)
            app.wait()
            procs.children.remove(app)
            time.sleep(0.05)
            copier.reap()
            del start
            # (text, time it counts as recorded); None: the program never read it
            copied = [(text, child.served[-1] + RECORD_MS / 1000 if child.served else None)
                      for text, child in owners]
            unread += sum(1 for _, recorded in copied if recorded is None)
            copied = [(text, recorded) for text, recorded in copied if recorded is not None]

            slots = dump(dump_tool, app_dir, scratch)
            if slots is None:
                failures.append(f"cycle {cycle}: the store does not load")
                continue
            if any(s and s not in known for s in slots):
                failures.append(f"cycle {cycle}: an entry is not a whole copied text")
            due = [text for text, recorded in copied if recorded <= killed_at[0] - 0.1]
            position = {text: i for i, text in reversed(list(enumerate(slots)))}
            found = [position.get(text) for text in due]
            lost_here = sum(1 for p in found if p is None)
            kept += len(due) - lost_here
            lost += lost_here
            present = [p for p in found if p is not None]
            if present != sorted(present, reverse=True):
                failures.append(f"cycle {cycle}: texts out of order")
            if lost_here:
                details = []
                for n, (text, recorded) in enumerate(copied):
                    if text in due and text not in position:
                        following = copied[n + 1][1] - recorded if n + 1 < len(copied) else None
                        details.append(f"{len(text)} bytes, {1000 * (killed_at[0] - recorded):.0f} ms before the kill"
                                       + (f", next copy {1000 * following:.0f} ms later" if following else ""))
                failures.append(f"cycle {cycle}: {lost_here} of {len(due)} recorded texts lost ({'; '.join(details)})")
                print(failures[-1], flush=True)
            late_kept += sum(1 for text, recorded in copied if recorded > killed_at[0] - 0.1 and text in position)
            if (cycle + 1) % 50 == 0:
                print(f"... {cycle + 1} cycles, kept {kept}, lost {lost}", flush=True)

        print(f"kill9: {args.cycles} cycles (seed {args.seed}): kept {kept} of {kept + lost} texts recorded "
              f">= 100 ms before the kill, lost {lost}; {late_kept} later texts kept as well; "
              f"{unread} copies replaced before the program read them")
        for failure in failures[:20]:
            print("  " + failure)
        return 1 if failures else 0
    finally:
        procs.end_all()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
