#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Searches one folder tree with tarnquill-winapi FindFilesAPI on Linux and
with tarnquill-winapi.exe under Wine (the same folder through Wine's Z:
drive), and compares the listed names, their order, the counts and the total.

    find_files_compare.py LINUX_PROGRAM WINE_RUNNER WINDOWS_PROGRAM

Exit status 0 when both agree, 1 when they differ, 77 when the Windows program
is not built. The Windows list box is a real window, so Wine gets an Xvfb of
this script's own; the Linux program makes its list boxes offscreen.
"""

import json
import os
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from session import Processes, start_xvfb, temporary_folder  # noqa: E402

# Each option of the search, and patterns whose matching differs between
# naive globbing and Windows' rules.
SEARCHES = [
    ["*.txt", "0", "0", "@list1"],
    ["*.txt", "3", "4", "@list1", "true"],
    ["*.txt", "0", "0", "@list1", "false", "true"],
    ["*", "0", "0", "@list1"],
    ["*.*", "0", "0", "@list1"],
    ["?.TXT", "0", "0", "@list1"],
    ["*.none", "0", "0", "@list1"],
]


def make_tree(root):
    files = {
        "a.txt": 10, "b.doc": 3, "B.TXT": 1, "_u.txt": 2, "Zeta": 4, "a2.txt": 6, ".hidden.txt": 7,
        "sub/c.txt": 5, "sub/Deep/d.txt": 8, "sub/deeper/e.TXT": 9, "empty/.keep": 0,
    }
    for name, size in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as out:
            out.write(b"x" * size)
    with open(os.path.join(root, "sub", "big.txt"), "wb") as big:
        big.truncate(5000000000)


def search(command, path, arguments, environment, prefix):
    done = subprocess.run(command + ["--json", "FindFilesAPI", path] + arguments, capture_output=True,
                          env=environment, timeout=120)
    if done.returncode == 77:
        sys.exit(77)
    try:
        result = json.loads(done.stdout.decode("utf-8"))
    except ValueError:
        return "exit %d, not JSON: %r %r" % (done.returncode, done.stdout, done.stderr)
    # The folder is written differently on each side; everything after it counts.
    text = json.dumps(result, ensure_ascii=False, sort_keys=True)
    return "exit %d: %s" % (done.returncode, text.replace(json.dumps(prefix)[1:-1], "<tree>"))


def main():
    linux_program, wine_runner, windows_program = sys.argv[1:4]
    if not os.path.exists(windows_program):
        print("SKIPPED: %s is not built" % windows_program)
        return 77
    with temporary_folder("tarnquill-find-") as work:
        tree = os.path.join(work, "tree")
        make_tree(tree)
        environment = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            environment.pop(name, None)
        environment.update(XDG_CONFIG_HOME=os.path.join(work, "config"), XDG_DATA_HOME=os.path.join(work, "data"),
                           TARNQUILL_USER_REGISTRY=os.path.join(work, "user.sqlite3"),
                           TARNQUILL_MACHINE_REGISTRY=os.path.join(work, "machine.sqlite3"))
        environment.setdefault("WINEDEBUG", "-all")
        environment.setdefault("WINEPREFIX", os.path.join(os.path.dirname(os.path.abspath(wine_runner)),
                                                          "..", "..", "build", "wine-prefix"))
        windows_tree = "Z:" + tree.replace("/", "\\")
        procs = Processes()
        differences = 0
        try:
            _, display = start_xvfb(procs, "1024x768")
            wine_environment = dict(environment, DISPLAY=display)
            for arguments in SEARCHES:
                mine = search([linux_program], tree, arguments, environment, tree)
                theirs = search([wine_runner, windows_program], windows_tree, arguments, wine_environment,
                                windows_tree)
                if mine != theirs:
                    differences += 1
                    print("FindFilesAPI %s differs:\n  linux:   %s\n  windows: %s"
                          % (" ".join(arguments), mine, theirs))
        finally:
            procs.end_all()
    print("%d searches compared, %d differ" % (len(SEARCHES), differences))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
