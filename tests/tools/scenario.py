#!/usr/bin/python3
# SPDX-License-Identifier: MIT
"""Runs scenario.txt with tarnquill-winapi on Linux and with tarnquill-winapi.exe
under Wine, and compares the two JSON outputs line for line. Each side makes
all its calls in one process (--batch), which prints one line per call.

    scenario.py LINUX_PROGRAM WINE_RUNNER WINDOWS_PROGRAM [SCENARIO]

The Linux program works on registry files in a temporary folder (and XDG
folders there, for the files a live key writes), with no display: its list
boxes need none. The Windows program works on the registry of the Wine prefix
that WINE_RUNNER uses, on a private Xvfb: Wine makes no window, a hidden list
box included, without an X display. Exit status 0 when the
outputs agree, 1 when they differ, 77 when the Windows program is not built.
"""

import json
import os
import shlex
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "support"))
from session import Processes, end_wine, start_xvfb, temporary_folder  # noqa: E402

# Enumeration orders differ between the two registries: the Linux one lists
# subkeys and values by their upper-case names, Windows lists subkeys
# alphabetically and values in the order they were written. The members copy
# that order into their list boxes, so these lines are sorted before
# comparing; a value's name and its text stay paired.
KEY_LISTS = {"RegEnumKeys", "RegistryEnumerateKeys"}
VALUE_LISTS = {"RegEnumValues", "RegistryEnumerateValues"}


def read_scenario(path):
    calls = []
    with open(path, encoding="utf-8") as scenario:
        for number, line in enumerate(scenario, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            compared = not line.startswith("~")
            calls.append((number, compared, shlex.split(line.lstrip("~"))))
    return calls


def normalise(line):
    """One comparable line for one call's line of output."""
    try:
        result = json.loads(line.decode("utf-8"))
    except ValueError:
        return "not JSON: %r" % line
    if set(result) == {"exit", "message"}:
        # A call that was refused (a usage error, status 2) prints its one
        # line of standard error, from the same platform-free code on both
        # sides.
        return "exit %d: %s" % (result["exit"], result["message"])
    # A call that was made: status 1 exactly when it reports an error.
    status = 0 if result.get("error") is None else 1
    lists = result.get("lists", {})
    if result.get("member") in KEY_LISTS and "list1" in lists:
        lists["list1"].sort()
    if result.get("member") in VALUE_LISTS and "list1" in lists and "list2" in lists:
        pairs = sorted(zip(lists["list1"], lists["list2"]))
        lists["list1"] = [name for name, _ in pairs]
        lists["list2"] = [text for _, text in pairs]
    return "exit %d: %s" % (status, json.dumps(result, ensure_ascii=False))


def run_all(command, calls, batch_file, environment):
    # A file rather than standard input: the Wine runner gives its programs none.
    with open(batch_file, "w", encoding="utf-8") as batch:
        batch.writelines(shlex.join(words) + "\n" for _, _, words in calls)
    done = subprocess.run(command + ["--json", "--batch", batch_file], capture_output=True, env=environment,
                          timeout=600)
    if done.returncode == 77 and not done.stdout:
        sys.exit(77)
    output = [normalise(line) for line in done.stdout.splitlines()]
    lines = []
    for index, (number, compared, words) in enumerate(calls):
        if compared:
            lines.append((number, output[index] if index < len(output) else "no output"))
    # The batch's status is the highest of its calls'; a crash part way, or
    # lines that answer no call, show here.
    expected = max((int(line.split()[1].rstrip(":")) if line.startswith("exit ") else -1 for line in output),
                   default=0)
    if len(output) != len(calls) or done.returncode != expected:
        print("%s: %d lines for %d calls, exit status %d (expected %d): %r"
              % (command[-1], len(output), len(calls), done.returncode, expected, done.stderr[-2000:]))
        return lines, False
    return lines, True


def main():
    linux_program, wine_runner, windows_program = sys.argv[1:4]
    scenario = sys.argv[4] if len(sys.argv) > 4 else os.path.join(os.path.dirname(__file__), "scenario.txt")
    if not os.path.exists(windows_program):
        print("SKIPPED: %s is not built (cmake --build --preset windows --target tarnquill-winapi)" % windows_program)
        return 77
    calls = read_scenario(scenario)

    with temporary_folder("tarnquill-scenario-") as work:
        linux_env = dict(os.environ)
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            linux_env.pop(name, None)
        linux_env.update(
            HOME=work,
            XDG_CONFIG_HOME=os.path.join(work, "config"),
            XDG_DATA_HOME=os.path.join(work, "data"),
            TARNQUILL_USER_REGISTRY=os.path.join(work, "user.sqlite3"),
            TARNQUILL_MACHINE_REGISTRY=os.path.join(work, "machine.sqlite3"),
            TARNQUILL_MACHINE_AUTOSTART=os.path.join(work, "autostart"),
        )
        wine_env = dict(linux_env)
        wine_env["HOME"] = os.environ.get("HOME", work)
        # The runner's own default prefix; a wineserver kept alive between the
        # calls makes each start take a fraction of a second instead of five.
        wine_env.setdefault("WINEPREFIX", os.path.join(os.path.dirname(os.path.abspath(wine_runner)),
                                                       "..", "..", "build", "wine-prefix"))
        wine_env.setdefault("WINEDEBUG", "-all")
        # Under Wine a path that starts with / is on the current drive, the
        # one (Z:) that maps the file system's root, as the test runs in it.
        batch_file = os.path.join(work, "calls.txt")
        linux, linux_whole = run_all([linux_program], calls, batch_file, linux_env)
        subprocess.run([wine_runner, "--setup"], env=wine_env, check=True, stdout=subprocess.DEVNULL)
        procs = Processes()
        try:
            _, wine_env["DISPLAY"] = start_xvfb(procs, "1024x768")
            subprocess.run(["wineserver", "-p10"], env=wine_env, check=False)
            windows, windows_whole = run_all([wine_runner, windows_program], calls, batch_file, wine_env)
        finally:
            # The windows of this prefix's explorer go with the server; the
            # next Wine start without a display makes no new ones.
            end_wine(wine_env)
            procs.end_all()

    differences = 0
    for (number, mine), (_, theirs) in zip(linux, windows):
        if mine != theirs:
            differences += 1
            print("line %d differs:\n  linux:   %s\n  windows: %s" % (number, mine, theirs))
    print("%d calls compared, %d differ" % (len(linux), differences))
    return 1 if differences or not (linux_whole and windows_whole) else 0


if __name__ == "__main__":
    sys.exit(main())
