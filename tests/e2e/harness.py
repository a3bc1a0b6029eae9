"""Runs the unmodified collector against the feed simulator, and drives it.

Everything of one test environment lives in a network namespace of its own,
where the simulator owns the collector's configured API address on port 80:
an X server (Xvfb), a session bus for the accessibility service (Linux
build), a Wine prefix with its wineserver (Windows build), the simulator and
the program. The program is driven like a user drives it: xdotool clicks and
types at the positions that the window reports. Needs root.
"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
SIMULATOR = os.path.join(ROOT, "tools", "feed-sim", "feed_sim.py")
sys.path.insert(0, os.path.join(ROOT, "tools", "feed-sim"))

import ground_truth  # noqa: E402

RECORD_FILE = "已去重复.txt"
SEEN_ID_FILE = "去重复文本.txt"
CAPTION_PREFIX = "Quenlo"
SYSTEM_PYTHON = "/usr/bin/python3"  # Debian's, with python3-gi


class Failure(Exception):
    pass


def wait_until(condition, timeout, what, interval=0.1):
    """Polls |condition| until it returns something true; returns that."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.0f s waiting for %s" % (
                timeout, what))
        time.sleep(interval)


def missing_prerequisites(linux_binary=None, windows_binary=None):
    """A reason to skip, or None."""
    if os.geteuid() != 0:
        return "needs root for network namespaces"
    tools = ["ip", "Xvfb", "xdotool"]
    if linux_binary:
        tools += ["dbus-daemon"]
    if windows_binary:
        tools += ["wine", "wineserver"]
    for tool in tools:
        if shutil.which(tool) is None:
            return "%s is not installed" % tool
    if linux_binary and subprocess.run(
            [SYSTEM_PYTHON, "-c", "import gi; gi.require_version('Atspi', "
             "'2.0')"], capture_output=True).returncode != 0:
        return "python3-gi and gir1.2-atspi-2.0 are not installed"
    return None


class Environment:
    """A network namespace holding the API address, an X server, and the
    processes started in it. close() ends them all and removes it."""

    _count = 0

    def __init__(self, address, screen="1024x768x24", display=None):
        """|display|: an X display to use instead of a new Xvfb."""
        Environment._count += 1
        self.name = "feed-e2e-%d-%d" % (os.getpid(), Environment._count)
        self.address = address
        self.directory = tempfile.mkdtemp(prefix=self.name + "-")
        self._processes = []
        self._run(["ip", "netns", "add", self.name])
        self._run(["ip", "-n", self.name, "link", "set", "lo", "up"])
        self._run(["ip", "-n", self.name, "addr", "add", address + "/32",
                   "dev", "lo"])
        self.display = display or self._start_x_server(screen)
        self.env = dict(os.environ, DISPLAY=self.display, NO_AT_BRIDGE="0",
                        XDG_RUNTIME_DIR=self.path("runtime"),
                        HOME=self.path("home"))
        os.makedirs(self.env["XDG_RUNTIME_DIR"], mode=0o700)
        os.makedirs(self.env["HOME"])

    def path(self, *parts):
        return os.path.join(self.directory, *parts)

    @staticmethod
    def _run(args):
        subprocess.run(args, check=True, capture_output=True)

    def command(self, args):
        return ["ip", "netns", "exec", self.name] + list(args)

    def start(self, args, env=None, **popen):
        """Starts a process inside the namespace; close() ends it."""
        process = subprocess.Popen(self.command(args), env=env or self.env,
                                   **popen)
        self._processes.append(process)
        return process

    def _execute(self, args, env, timeout):
        # Output goes through files, not pipes: Wine leaves helper processes
        # running that would hold a pipe open.
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            result = subprocess.run(self.command(args), env=env or self.env,
                                    stdin=subprocess.DEVNULL, stdout=out,
                                    stderr=err, timeout=timeout)
            out.seek(0)
            err.seek(0)
            return result.returncode, out.read(), err.read()

    def run(self, args, env=None, timeout=60):
        """Runs a command inside the namespace; returns its standard output
        and raises Failure when it fails."""
        code, output, errors = self._execute(args, env, timeout)
        if code != 0:
            raise Failure("%s failed (%d): %s" % (
                " ".join(args), code, errors.decode(errors="replace")[-2000:]))
        return output

    def query(self, args, env=None, timeout=30):
        """As run, but None when the command fails."""
        code, output, _ = self._execute(args, env, timeout)
        return output if code == 0 else None

    def _start_x_server(self, screen):
        number = 90
        while os.path.exists("/tmp/.X11-unix/X%d" % number) or \
                os.path.exists("/tmp/.X%d-lock" % number):
            number += 1
        self.start(["Xvfb", ":%d" % number, "-screen", "0", screen,
                    "-nolisten", "tcp"], env=dict(os.environ),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(lambda: os.path.exists("/tmp/.X11-unix/X%d" % number), 20,
                   "the X server")
        return ":%d" % number

    def xdotool(self, *args):
        return self.run(["xdotool"] + [str(a) for a in args]).decode()

    def screenshot(self, path, extents=None):
        """Saves the screen, or the part of it at |extents|, as PNG."""
        self.run(["import", "-window", "root", path])
        if extents:
            x, y, width, height = extents
            self.run(["/usr/bin/convert", path, "-crop",
                      "%dx%d+%d+%d" % (width, height, x, y), "+repage", path])

    def close(self):
        for process in reversed(self._processes):
            stop_process(process)
        # Helpers that our processes left behind (wineserver, bus daemons).
        pids = subprocess.run(["ip", "netns", "pids", self.name],
                              capture_output=True, text=True).stdout.split()
        for pid in pids:
            try:
                os.kill(int(pid), signal.SIGKILL)
            except ProcessLookupError:
                pass
        subprocess.run(["ip", "netns", "del", self.name], capture_output=True)
        shutil.rmtree(self.directory, ignore_errors=True)


def stop_process(process, grace=3):
    if process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(grace)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


class Simulator:
    """The feed simulator on port 80 of the environment's address."""

    _count = 0

    def __init__(self, environment, *arguments):
        Simulator._count += 1
        self.truth_path = environment.path("truth-%d.jsonl" % Simulator._count)
        self.log_path = self.truth_path.replace(".jsonl", ".log")
        self._log = open(self.log_path, "w")
        self.process = environment.start(
            [sys.executable, SIMULATOR, "--address", environment.address,
             "--truth", self.truth_path] + list(arguments),
            stdout=subprocess.PIPE, stderr=self._log, text=True)
        line = self.process.stdout.readline()
        if "listening" not in line:
            raise Failure("the simulator did not start: " + self.log())

    def truth(self):
        if not os.path.exists(self.truth_path):
            return []
        return ground_truth.read(self.truth_path)

    def requests(self):
        return [e for e in self.truth() if e["type"] == "request"]

    def log(self):
        with open(self.log_path) as f:
            return f.read()

    def stop(self):
        stop_process(self.process)
        self.process.stdout.close()
        self._log.close()


class Window:
    """One reading of the program's main window: its controls by role."""

    def __init__(self, description):
        self.title = description["title"]
        self.extents = description["extents"]
        self.controls = description["controls"]

    def _with_role(self, role):
        return [c for c in self.controls if c["role"] == role]

    def boxes(self):
        """The edit boxes from top to bottom: the fetch count, the pause,
        the hidden seen-id box."""
        return sorted(self._with_role("text"), key=lambda c: c["extents"][1])

    def button(self):
        return next(c for c in self._with_role("push button")
                    if c["name"] == "采集")

    def check_box(self):
        return self._with_role("check box")[0]

    def status(self):
        """The status line's text, or None while it shows nothing."""
        for label in self._with_role("label"):
            # The GTK window shows a blank as an en space (U+2002), which is
            # as wide as a blank beside Chinese text in the Windows fonts.
            text = label.get("text", "").replace("\u2002", " ")
            if text.startswith("采集到"):
                return text
        return None

    def rows(self):
        return self._with_role("table")[0]["rows"]


def centre(control):
    x, y, width, height = control["extents"]
    return x + width // 2, y + height // 2


class Program:
    """One start of the collector in its own directory. Subclasses say how
    it is started and how its window is read."""

    def __init__(self, environment, binary, directory):
        self.environment = environment
        self.directory = directory
        os.makedirs(directory, exist_ok=True)
        self.binary = os.path.join(directory, os.path.basename(binary))
        if os.path.abspath(binary) != self.binary:
            shutil.copy2(binary, self.binary)
        self.process = None

    # Files beside the program.
    def file_bytes(self, name):
        path = os.path.join(self.directory, name)
        if not os.path.exists(path):
            return None
        with open(path, "rb") as f:
            return f.read()

    def file_stamp(self, name):
        path = os.path.join(self.directory, name)
        try:
            status = os.stat(path)
        except FileNotFoundError:
            return None
        return status.st_ino, status.st_mtime_ns, status.st_size

    def window(self):
        """The current window, or None when it cannot be read (yet)."""
        raise NotImplementedError

    def wait_for_window(self, timeout=60):
        def ready():
            window = self.window()
            if window is not None and len(window.boxes()) >= 2:
                return window
            if self.process.poll() is not None:
                raise Failure("the program ended (%d) before its window "
                              "appeared" % self.process.returncode)
            return None
        return wait_until(ready, timeout, "the main window", interval=0.3)

    # What a user does.
    def click(self, control):
        x, y = centre(control)
        self.environment.xdotool("mousemove", x, y, "click", "1")

    def type_into(self, box, text):
        self.click(box)
        self.environment.xdotool("key", "End")
        self.environment.xdotool("key", "--repeat", "12", "BackSpace")
        if text:
            self.environment.xdotool("type", "--delay", "20", text)

    def set_settings(self, fetches, pause):
        window = self.wait_for_window()
        count_box, pause_box = window.boxes()[:2]
        self.type_into(count_box, str(fetches))
        self.type_into(pause_box, str(pause))
        wait_until(lambda: [b.get("text") for b in self.window().boxes()[:2]]
                   == [str(fetches), str(pause)], 10, "the settings typed")

    def set_suppression(self, checked):
        box = self.wait_for_window().check_box()
        if box["checked"] != checked:
            self.click(box)
            wait_until(lambda: self.window().check_box()["checked"] == checked,
                       10, "the check box")

    def collect(self, simulator, fetches, timeout=120):
        """Clicks 采集 and waits for the run to end: the simulator has seen
        the run's requests and the seen-id file has been saved after them."""
        before_requests = len(simulator.requests())
        before_stamp = self.file_stamp(SEEN_ID_FILE)
        self.click(self.wait_for_window().button())
        wait_until(lambda: len(simulator.requests()) >= before_requests +
                   fetches, timeout, "%d requests" % fetches, interval=0.2)
        wait_until(lambda: self.file_stamp(SEEN_ID_FILE) != before_stamp,
                   timeout, "the seen-id file saved at the run's end",
                   interval=0.2)

    def close_window(self):
        """Escape in the fetch count box, as a user closes the window."""
        window = self.window()
        self.click(window.boxes()[0])
        self.environment.xdotool("key", "Escape")

    def wait_for_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure("the program did not end within %.0f s" % timeout)


class LinuxProgram(Program):
    """The native build; its window is read over the accessibility bus."""

    def __init__(self, environment, binary, directory):
        super().__init__(environment, binary, directory)
        self._bus = self._session_bus(environment)
        self.env = dict(environment.env, DBUS_SESSION_BUS_ADDRESS=self._bus,
                        GTK_A11Y="atspi")
        self.process = environment.start([self.binary], env=self.env,
                                         cwd="/", stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL)

    @staticmethod
    def _session_bus(environment):
        address = "unix:path=" + environment.path("session-bus")
        if not os.path.exists(environment.path("session-bus")):
            environment.start(["dbus-daemon", "--session", "--nofork",
                               "--address=" + address],
                              stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
            wait_until(lambda: os.path.exists(environment.path("session-bus")),
                       10, "the session bus")
        return address

    def window(self):
        output = self.environment.query(
            [SYSTEM_PYTHON, os.path.join(HERE, "atspi_window.py"),
             str(self.process.pid)], env=self.env)
        if output is None:
            return None
        windows = json.loads(output)["windows"]
        shown = [w for w in windows if w["title"].startswith(CAPTION_PREFIX)]
        return Window(shown[0]) if shown else None


class WineEnvironment:
    """A Wine prefix of the environment, its wineserver running inside the
    namespace (Wine opens sockets in the wineserver's namespace)."""

    def __init__(self, environment, window_probe):
        self.environment = environment
        self.window_probe = window_probe
        self.env = dict(environment.env, WINEPREFIX=environment.path("wine"),
                        WINEDEBUG="-all",
                        WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d")
        # A Chinese Windows, as the program's users have: ANSI code page 936
        # and Chinese fonts for the controls.
        locales = environment.path("locales")
        if subprocess.run(["localedef", "-i", "zh_CN", "-f", "UTF-8",
                           os.path.join(locales, "zh_CN.UTF-8")],
                          capture_output=True).returncode == 0:
            self.env.update(LOCPATH=locales, LANG="zh_CN.UTF-8",
                            LC_ALL="zh_CN.UTF-8")
        # A persistent wineserver inside the namespace, then the prefix.
        os.makedirs(self.env["WINEPREFIX"])
        environment.run(["wineserver", "-p"], env=self.env)
        environment.run(["wine", "wineboot", "-i"], env=self.env, timeout=180)
        for key, name, value in (
                # Chinese text in the controls.
                (r"HKCU\Software\Wine\Fonts\Replacements", "MS Shell Dlg",
                 "WenQuanYi Micro Hei"),
                # Without a window manager Wine draws the caption bar itself.
                (r"HKCU\Software\Wine\X11 Driver", "Decorated", "N")):
            environment.run(["wine", "reg", "add", key, "/v", name, "/d",
                             value, "/f"], env=self.env)


class WindowsProgram(Program):
    """The Windows build under Wine; its window is read by a small Win32
    program in the same prefix."""

    def __init__(self, wine, binary, directory):
        super().__init__(wine.environment, binary, directory)
        self.wine = wine
        self.process = wine.environment.start(
            ["wine", self.binary], env=wine.env, cwd="/",
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def window(self):
        output = self.environment.query(
            ["wine", self.wine.window_probe, CAPTION_PREFIX], env=self.wine.env)
        if output is None:
            return None
        windows = [w for w in json.loads(output)["windows"]
                   if w["visible"]]
        return Window(windows[0]) if windows else None
