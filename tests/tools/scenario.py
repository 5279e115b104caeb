#!/usr/bin/python3
"""Runs scenario.txt with tarnquill-winapi on Linux and with tarnquill-winapi.exe
under Wine, and compares the two JSON outputs line for line.

    scenario.py LINUX_PROGRAM WINE_RUNNER WINDOWS_PROGRAM [SCENARIO]

The Linux program works on registry files in a temporary folder (and XDG
folders there, for the files a live key writes); the Windows program on the
registry of the Wine prefix that WINE_RUNNER uses. Exit status 0 when the
outputs agree, 1 when they differ, 77 when the Windows program is not built.
"""

import json
import os
import shlex
import subprocess
import sys
import tempfile

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


def normalise(words, status, stdout, stderr):
    """One comparable line for one call."""
    if status == 2:
        # A usage error prints nothing on standard output and one line on
        # standard error, from the same platform-free code on both sides.
        return "exit 2: " + stderr.decode("utf-8", "replace").strip()
    try:
        result = json.loads(stdout.decode("utf-8"))
    except ValueError:
        return "exit %d, not JSON: %r %r" % (status, stdout, stderr)
    lists = result.get("lists", {})
    if result.get("member") in KEY_LISTS and "list1" in lists:
        lists["list1"].sort()
    if result.get("member") in VALUE_LISTS and "list1" in lists and "list2" in lists:
        pairs = sorted(zip(lists["list1"], lists["list2"]))
        lists["list1"] = [name for name, _ in pairs]
        lists["list2"] = [text for _, text in pairs]
    return "exit %d: %s" % (status, json.dumps(result, ensure_ascii=False))


def run_all(command, calls, environment):
    lines = []
    for number, compared, words in calls:
        done = subprocess.run(command + ["--json"] + words, capture_output=True, env=environment, timeout=120)
        if done.returncode == 77 and not lines:
            sys.exit(77)
        if compared:
            lines.append((number, normalise(words, done.returncode, done.stdout, done.stderr)))
    return lines


def main():
    linux_program, wine_runner, windows_program = sys.argv[1:4]
    scenario = sys.argv[4] if len(sys.argv) > 4 else os.path.join(os.path.dirname(__file__), "scenario.txt")
    if not os.path.exists(windows_program):
        print("SKIPPED: %s is not built (cmake --build --preset windows --target tarnquill-winapi)" % windows_program)
        return 77
    calls = read_scenario(scenario)

    with tempfile.TemporaryDirectory(prefix="tarnquill-scenario-") as work:
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
        linux = run_all([linux_program], calls, linux_env)
        subprocess.run(["wineserver", "-p10"], env=wine_env, check=False)
        windows = run_all([wine_runner, windows_program], calls, wine_env)

    differences = 0
    for (number, mine), (_, theirs) in zip(linux, windows):
        if mine != theirs:
            differences += 1
            print("line %d differs:\n  linux:   %s\n  windows: %s" % (number, mine, theirs))
    print("%d calls compared, %d differ" % (len(linux), differences))
    return 1 if differences else 0


if __name__ == "__main__":
    sys.exit(main())
