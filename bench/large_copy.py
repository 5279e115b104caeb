#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""How fast a large copied text reaches tcb.txt beside the floor of reading
it with xclip and writing it to a file, and what the program holds afterwards.

    bench/large_copy.py [--mb 10] [--rounds 5] [--huge-mb 100]
    TARNQUILL_BINARY=path/to/tarnquill   (default build/linux/tarnquill)

Each round starts the program afresh over an empty store, copies a text of
MB megabytes (xclip owns it) and times the program from xclip's report that
it owns the clipboard until tcb.txt holds the text as its newest entry; then,
with the same owner, the floor: `xclip -o` straight into a file, flushed to
disk. Resident memory (VmRSS) and the proportional set size are read before
the copy and after a second of rest. Last, one text of HUGE-MB megabytes:
recorded or refused (the program's log says so), and the program still
running.
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "support"))
from copy_latency import wait_for_newest  # noqa: E402
from session import Copier, desktop, program_under_test, start_program  # noqa: E402


def text_of(megabytes, tag):
    """Lines of varied width with some non-ASCII characters, MB * 10^6 bytes."""
    line = "caf\u00e9 \u2713 line of a large copied text, numbered "
    out = [f"{tag}\n"]
    size = len(out[0].encode())
    i = 0
    while size < megabytes * 1_000_000:
        piece = f"{line}{i:09d} {'x' * (i % 40)}\n"
        out.append(piece)
        size += len(piece.encode())
        i += 1
    return "".join(out)


def memory(pid):
    rss = pss = 0
    with open(f"/proc/{pid}/status") as f:
        for row in f:
            if row.startswith("VmRSS:"):
                rss = int(row.split()[1])
    with open(f"/proc/{pid}/smaps_rollup") as f:
        for row in f:
            if row.startswith("Pss:"):
                pss = int(row.split()[1])
    return rss / 1024, pss / 1024


def floor(env, path):
    """xclip -o into a file and flushed: the least any recorder must spend."""
    begin = time.perf_counter()
    with open(path, "wb") as f:
        subprocess.run(["xclip", "-o", "-selection", "clipboard"], env=env, stdout=f, check=True)
        f.flush()
        os.fsync(f.fileno())
    return (time.perf_counter() - begin) * 1000


def fresh_program(procs, binary, env, work, copier, name):
    """The program started in a folder of its own over an empty store, so a
    round measures its copy alone, not the rewrite of earlier large entries."""
    folder = os.path.join(work, f"run-{name}")
    os.makedirs(folder)
    app, store = start_program(procs, binary, env, folder)
    warm_up = f"warm-up {name}"
    copier.copy(warm_up)
    if wait_for_newest(store, warm_up, timeout=20) is None:
        sys.exit("large_copy: the program never recorded the warm-up copy")
    time.sleep(0.5)
    return app, store, folder


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--mb", type=float, default=10)
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--huge-mb", type=float, default=100)
    args = parser.parse_args()

    binary = program_under_test("large_copy")
    with desktop("tarnquill-large-") as (procs, work, env):
        copier = Copier(procs, env)
        ratios, sizes = [], []
        for round_ in range(args.rounds):
            app, store, folder = fresh_program(procs, binary, env, work, copier, round_)
            idle = memory(app.pid)
            text = text_of(args.mb, f"round {round_} {time.time_ns()}")
            _, owned = copier.copy(text)
            seen = wait_for_newest(store, text, timeout=30)
            if seen is None:
                print(f"  round {round_}: never recorded")
                continue
            took = (seen - owned) * 1000
            least = floor(env, os.path.join(folder, "floor.txt"))
            time.sleep(1.0)
            after = memory(app.pid)
            ratios.append(took / least)
            sizes.append(after)
            print(f"  {args.mb:g} MB: tcb.txt after {took:6.1f} ms; xclip -o + write + flush {least:6.1f} ms; "
                  f"ratio {took / least:.2f}; VmRSS {idle[0]:.1f} -> {after[0]:.1f} MB, "
                  f"PSS {idle[1]:.1f} -> {after[1]:.1f} MB")
            procs.end(app)
            copier.reap()
        print(f"median ratio {statistics.median(ratios):.2f} over {len(ratios)} rounds; median afterwards "
              f"VmRSS {statistics.median(s[0] for s in sizes):.1f} MB, PSS {statistics.median(s[1] for s in sizes):.1f} MB "
              f"({os.cpu_count()} CPUs, load {open('/proc/loadavg').read().split()[0]})")

        if args.huge_mb > 0:
            app, store, folder = fresh_program(procs, binary, env, work, copier, "huge")
            text = text_of(args.huge_mb, f"huge {time.time_ns()}")
            _, owned = copier.copy(text)
            seen = wait_for_newest(store, text, timeout=60)
            time.sleep(1.0)
            alive = app.poll() is None
            rss, pss = memory(app.pid) if alive else (0, 0)
            with open(os.path.join(folder, "app.log"), "rb") as f:
                log = f.read().decode(errors="replace").strip()
            outcome = f"recorded after {(seen - owned) * 1000:.0f} ms" if seen else "not recorded"
            print(f"{args.huge_mb:g} MB: {outcome}; program {'running' if alive else 'ENDED'}; "
                  f"VmRSS {rss:.1f} MB, PSS {pss:.1f} MB")
            if log:
                print("  program log: " + log.splitlines()[-1])


if __name__ == "__main__":
    main()
