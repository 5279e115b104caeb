#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""A full disk under the running program: the store folder is a real tmpfs,
filled up while the program runs. Copies made meanwhile stay in memory, the
old store stays whole, the user is told once (through the notification
service, a python-dbusmock mock on a private D-Bus) naming the file and the
reason; once space is back the next copy saves everything, and says so.

Needs root (mount); exits 77 (skipped) where mounting is not allowed.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "support"))
from session import SEPARATOR, Copier, Processes, client_env, start_program, start_xvfb, wait_until  # noqa: E402

SKIP = 77


def wait_for(predicate, timeout, what):
    if not wait_until(predicate, timeout):
        raise AssertionError(f"timed out waiting for {what}")


def store_entries(store):
    with open(store, "rb") as f:
        data = f.read()
    return data.split(SEPARATOR)


def main():
    binary = os.environ.get("TARNQUILL_BINARY")
    if not binary or not os.access(binary, os.X_OK):
        sys.exit("store_full_disk: set TARNQUILL_BINARY")
    procs = Processes()
    work = tempfile.mkdtemp(prefix="tarnquill-fulldisk-")
    app_dir = os.path.join(work, "app")
    os.makedirs(app_dir)
    size_kb = os.path.getsize(binary) // 1024 + 1024
    mount = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size_kb}k,mode=0700", "tmpfs", app_dir],
                           capture_output=True, text=True)
    if mount.returncode != 0:
        print(f"SKIPPED: cannot mount a tmpfs here ({mount.stderr.strip() or 'not root'})")
        shutil.rmtree(work, ignore_errors=True)
        return SKIP
    try:
        # A private session bus with a mock notification service.
        bus_socket = os.path.join(work, "bus")
        bus = procs.start(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1",
                           f"--address=unix:path={bus_socket}"], stdout=subprocess.PIPE)
        bus_address = bus.stdout.readline().decode().strip()
        notify_log = os.path.join(work, "notify.log")
        procs.start(["/usr/bin/python3", "-m", "dbusmock", "--template", "notification_daemon", "-l", notify_log],
                    env=dict(os.environ, DBUS_SESSION_BUS_ADDRESS=bus_address),
                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for(lambda: os.path.exists(notify_log), 10, "the notification mock")

        _, display = start_xvfb(procs, extra=("-noreset",))
        env = client_env(display, work)
        # The program's folder, and so its store, is on the tmpfs.
        _, store = start_program(procs, binary, env, work, extra_env={"DBUS_SESSION_BUS_ADDRESS": bus_address})
        copier = Copier(procs, env)

        copier.copy("before the disk filled")
        wait_for(lambda: os.path.exists(store) and store_entries(store)[0] == b"before the disk filled", 20,
                 "the first copy in the store")
        saved = open(store, "rb").read()

        # Fill the file system to the last byte.
        filler = os.path.join(app_dir, "filler")
        fd = os.open(filler, os.O_WRONLY | os.O_CREAT, 0o600)
        try:
            while os.write(fd, b"\0" * 4096) > 0:
                pass
        except OSError:
            pass
        os.close(fd)

        texts = [f"copied on a full disk {i} " + "x" * 20000 for i in range(3)]
        for text in texts:
            copier.copy(text)
            time.sleep(0.3)
        wait_for(lambda: "Notify" in open(notify_log).read(), 5, "a notification")
        calls = [line for line in open(notify_log) if "Notify" in line]
        assert len(calls) == 1, calls
        assert store in calls[0] and "No space left on device" in calls[0], calls[0]
        assert open(store, "rb").read() == saved, "the old store changed"
        leftovers = [name for name in os.listdir(app_dir) if name not in ("tarnquill", "tcb.txt", "filler", ".tcb.txt.lock")]
        assert not leftovers, leftovers

        os.remove(filler)
        copier.copy("after space came back")
        expected = [b"after space came back"] + [t.encode() for t in reversed(texts)] + [b"before the disk filled"]
        wait_for(lambda: store_entries(store)[:5] == expected, 5, "every copy in the store")
        wait_for(lambda: len([line for line in open(notify_log) if "Notify" in line]) == 2, 5, "the notice of success")
        print("store_full_disk: the store stayed whole, one notice of the failure, one of the recovery, nothing lost")
        return 0
    finally:
        procs.end_all()
        subprocess.run(["umount", app_dir])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
