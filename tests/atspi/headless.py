"""A desktop without a screen for hearing the program as assistive technology
does: a display (Xvfb), a private session bus, the accessibility bus and its
registry. Every process started here stops with the desktop, also when the code
using it fails, and dies with the Python process that started it."""

import ctypes
import os
import signal
import subprocess
import tempfile
import time

_PR_SET_PDEATHSIG = 1
_libc = ctypes.CDLL("libc.so.6", use_errno=True)


def _die_with_parent():
    _libc.prctl(_PR_SET_PDEATHSIG, signal.SIGTERM)


class Desktop:
    """Use as `with Desktop() as desktop:`; desktop.env is the environment of
    programs on it, desktop.start() starts one of them (stopped at the end)."""

    def __init__(self):
        self.env = dict(os.environ)
        self._processes = []
        self._home = tempfile.TemporaryDirectory(prefix="planium-desktop-")
        self.env["HOME"] = self._home.name
        self.env["XDG_CONFIG_HOME"] = os.path.join(self._home.name, ".config")
        self.env["XDG_RUNTIME_DIR"] = self._home.name
        self.env.pop("SESSION_MANAGER", None)

    @property
    def home(self):
        return self._home.name

    def start(self, argv, env=None, **options):
        process = subprocess.Popen(argv, env=env or self.env, preexec_fn=_die_with_parent,
                                   stdin=subprocess.DEVNULL, **options)
        self._processes.append(process)
        return process

    def __enter__(self):
        try:
            self._start_desktop()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start_desktop(self):
        self.env["DISPLAY"] = ":" + self._start_display()

        bus = self.start(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        self.env["DBUS_SESSION_BUS_ADDRESS"] = bus.stdout.readline().strip()

        quiet = {"stdout": subprocess.DEVNULL, "stderr": subprocess.DEVNULL}
        self.start(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"], **quiet)
        accessibility_bus = self._wait(self._accessibility_bus, "the accessibility bus")
        # Now and then the registry starts without taking its name; it is started
        # again then.
        for _ in range(3):
            registry = self.start(["/usr/libexec/at-spi2-registryd", "--use-gnome-session=false"], **quiet)
            try:
                self._wait(lambda: self._has_owner(accessibility_bus, "org.a11y.atspi.Registry"),
                           "the accessibility registry", timeout=4)
                return
            except RuntimeError:
                registry.terminate()
                registry.wait()
                self._processes.remove(registry)
        raise RuntimeError("the accessibility registry did not start")

    def _start_display(self):
        # A display of its own, away from the low numbers people use by hand:
        # PLANIUM_TEST_DISPLAY, or the first free one from 140 on. Xvfb writes the
        # number to the pipe once it is ready, or ends when the number is taken.
        wanted = os.environ.get("PLANIUM_TEST_DISPLAY", "").lstrip(":")
        for number in [wanted] if wanted else range(140, 200):
            read_end, write_end = os.pipe()
            server = self.start(["Xvfb", ":%s" % number, "-displayfd", str(write_end), "-screen", "0",
                                 "1600x1000x24", "-nolisten", "tcp"],
                                pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            os.close(write_end)
            with os.fdopen(read_end) as pipe:
                ready = pipe.readline().strip()
            if ready:
                return ready
            server.wait()
            self._processes.remove(server)
        raise RuntimeError("no display could be started")

    def _accessibility_bus(self):
        ask = subprocess.run(["dbus-send", "--session", "--print-reply", "--dest=org.a11y.Bus", "/org/a11y/bus",
                              "org.a11y.Bus.GetAddress"], env=self.env, capture_output=True, text=True)
        return ask.stdout.split('"')[1] if ask.returncode == 0 else None

    def _has_owner(self, bus, name):
        ask = subprocess.run(["dbus-send", "--bus=" + bus, "--print-reply", "--dest=org.freedesktop.DBus",
                              "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner", "string:" + name],
                             env=self.env, capture_output=True, text=True)
        return ask.returncode == 0 and "boolean true" in ask.stdout

    @staticmethod
    def _wait(ready, what, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            answer = ready()
            if answer:
                return answer
            time.sleep(0.1)
        raise RuntimeError(what + " did not start")

    def __exit__(self, *exc):
        for process in reversed(self._processes):
            if process.poll() is None:
                process.terminate()
        for process in reversed(self._processes):
            try:
                process.wait(timeout=5)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
        self._processes.clear()
        self._home.cleanup()
        return False
