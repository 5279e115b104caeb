# SPDX-License-Identifier: MIT
"""A private desktop for the test and benchmark scripts: an Xvfb, trayer, a
temporary folder, clipboard owners (xclip), a copy of the program started in
a folder of its own with HOME and the XDG folders inside the temporary
folder, Wine's prefix, and waits with a deadline. Every process started here
is ended by its pid, never by name.

    sys.path.insert(0, os.path.join(ROOT, "tests", "support"))
    import session
"""

import contextlib
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
# Ends every record of the store file.
SEPARATOR = b"||!o@!@#w@#$!@#$%z||"
LINUX_PROGRAM = os.path.join(ROOT, "build", "linux", "tarnquill")


class Processes:
    """Every child started here, ended by pid in reverse order of start."""

    def __init__(self):
        self.children = []

    def start(self, argv, **kwargs):
        child = subprocess.Popen(argv, **kwargs)
        self.children.append(child)
        return child

    def end(self, child, grace=5.0):
        """SIGTERM, then SIGKILL after `grace` seconds."""
        if child.poll() is None:
            child.send_signal(signal.SIGTERM)
            try:
                child.wait(grace)
            except subprocess.TimeoutExpired:
                child.kill()
                child.wait()

    @staticmethod
    def kill(child):
        """SIGKILL at once: nothing the program does at its exit is waited for."""
        if child.poll() is None:
            child.kill()
            child.wait()

    def end_all(self):
        for child in reversed(self.children):
            self.end(child)
        self.children.clear()


@contextlib.contextmanager
def temporary_folder(prefix):
    """A folder of its own, removed with everything in it at the end."""
    work = tempfile.mkdtemp(prefix=prefix)
    try:
        yield work
    finally:
        shutil.rmtree(work, ignore_errors=True)


def wait_until(predicate, timeout, interval=0.02):
    """True once `predicate()` is, False when `timeout` seconds pass first."""
    deadline = time.monotonic() + timeout
    while True:
        if predicate():
            return True
        if time.monotonic() >= deadline:
            return False
        time.sleep(interval)


def start_xvfb(procs, size="1280x1024", extra=()):
    """A private Xvfb at 96 dpi without TCP on a display it picks itself and
    reports through -displayfd; returns (process, display name)."""
    read_end, write_end = os.pipe()
    xvfb = procs.start(["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-dpi", "96",
                        "-nolisten", "tcp", *extra],
                       pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end, "rb") as numbers:
        number = numbers.readline().strip()
    if not number:
        procs.end(xvfb)
        raise RuntimeError("Xvfb did not start")
    return xvfb, ":" + number.decode()


@contextlib.contextmanager
def desktop(prefix, size="1280x1024", extra=("-noreset",), wine=None):
    """A temporary folder, a private Xvfb and the environment of its X
    clients; every process started through `procs` ends with it, and with
    `wine` (Wine's variables) that prefix's wineserver first.
    Yields (procs, work, env)."""
    procs = Processes()
    with temporary_folder(prefix) as work:
        try:
            _, display = start_xvfb(procs, size, extra)
            yield procs, work, client_env(display, work)
        finally:
            if wine:
                end_wine(wine)
            procs.end_all()


def program_under_test(script):
    """TARNQUILL_BINARY, or build/linux/tarnquill; a Windows program (.exe)
    runs under Wine. Exits, naming `script`, when there is no such program."""
    binary = os.environ.get("TARNQUILL_BINARY") or LINUX_PROGRAM
    if not os.access(binary, os.R_OK if binary.endswith(".exe") else os.X_OK):
        sys.exit(f"{script}: no program at {binary} (build it, or set TARNQUILL_BINARY)")
    return binary


def start_trayer(procs, env, timeout=10):
    """trayer docked at the top right as the tray; returns the process once
    its panel is shown."""
    tray = procs.start(["trayer", "--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "120",
                        "--height", "32", "--SetDockType", "true"], env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    shown = lambda: subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^panel$"], env=env,
                                   capture_output=True).returncode == 0
    if not wait_until(shown, timeout, 0.05):
        raise RuntimeError("trayer showed no panel")
    return tray


def client_env(display, work):
    """The environment of an X client on `display`: Qt on X11, no session bus."""
    env = dict(os.environ)
    for name in ("WAYLAND_DISPLAY", "XAUTHORITY", "XDG_SESSION_TYPE"):
        env.pop(name, None)
    env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb", LC_ALL="C.UTF-8",
               DBUS_SESSION_BUS_ADDRESS="unix:path=" + os.path.join(work, "no-bus"))
    return env


def private_home(env, work):
    """`env` with HOME, the XDG folders and the machine-wide registry and
    autostart folders inside `work` (as root their defaults are the real
    /var/lib/tarnquill and /etc/xdg/autostart); the folders are made."""
    home = os.path.join(work, "home")
    for sub in (".config", ".local/share", ".local/state", ".cache"):
        os.makedirs(os.path.join(home, sub), exist_ok=True)
    runtime = os.path.join(work, "runtime")
    os.makedirs(runtime, mode=0o700, exist_ok=True)
    system = os.path.join(work, "system")
    os.makedirs(os.path.join(system, "xdg", "autostart"), exist_ok=True)
    return dict(env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_STATE_HOME=os.path.join(home, ".local/state"),
                XDG_CACHE_HOME=os.path.join(home, ".cache"), XDG_RUNTIME_DIR=runtime,
                XDG_CONFIG_DIRS=os.path.join(system, "xdg"),
                TARNQUILL_MACHINE_REGISTRY=os.path.join(system, "registry.sqlite3"),
                TARNQUILL_MACHINE_AUTOSTART=os.path.join(system, "xdg", "autostart"))


def wine_env(prefix=None):
    """Wine's variables: WINEPREFIX (or `prefix`, or build/wine-prefix-bench),
    quiet, without the Mono and Gecko installer dialogs."""
    return {"WINEPREFIX": os.environ.get("WINEPREFIX") or prefix or os.path.join(ROOT, "build", "wine-prefix-bench"),
            "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}


def prepare_prefix(env):
    """Makes env's Wine prefix unless a stamp, written last, says it is ready."""
    stamp = os.path.join(env["WINEPREFIX"], ".tarnquill-ready")
    if not os.path.exists(stamp):
        subprocess.run(["wine", "wineboot", "--init"], env=env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        subprocess.run(["wineserver", "--wait"], env=env, check=False)
        open(stamp, "w").close()


def end_wine(env):
    """Ends the wineserver of env's prefix, and the Windows processes with it."""
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, **env), check=False)


def start_program(procs, binary, env, work, wine=None, store=None, extra_env=None):
    """A copy of the program in work/app, started with HOME and the XDG
    folders inside `work` (private_home) and `extra_env`; its output goes to
    work/app.log. `store`, when given, is the store's bytes before the start.
    A Windows program (`wine`: Wine's variables) runs under Wine in that
    prefix, made first when it is new. Returns the process, whose
    `started_at` is the monotonic time just before its start, and the path of
    its store."""
    app_dir = os.path.join(work, "app")
    os.makedirs(app_dir, exist_ok=True)
    program = os.path.join(app_dir, "tarnquill.exe" if wine else "tarnquill")
    shutil.copy2(binary, program)
    store_path = os.path.join(app_dir, "tcb.txt")
    if store is not None:
        with open(store_path, "wb") as f:
            f.write(store)
    app_env = dict(private_home(env, work), **(extra_env or {}))
    argv = [program]
    if wine:
        app_env.update(wine, HOME=os.environ.get("HOME", app_env["HOME"]))
        prepare_prefix(app_env)
        argv = ["wine", program]
    with open(os.path.join(work, "app.log"), "wb") as log:
        started_at = time.monotonic()
        app = procs.start(argv, env=app_env, cwd=work, stdout=log, stderr=log)
    app.started_at = started_at
    return app, store_path


def main_window(env, timeout):
    """The id of the shown main window ("Tarnquill"), or None after `timeout` s."""
    found = []

    def shown():
        found[:] = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Tarnquill$"], env=env,
                                  capture_output=True, text=True).stdout.split()
        return bool(found)

    return found[0] if wait_until(shown, timeout, 0.05) else None


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
        child.text = text.encode() if isinstance(text, str) else text
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
