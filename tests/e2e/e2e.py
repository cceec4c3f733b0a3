#!/usr/bin/python3
"""End-to-end tests of the velmora binary, driven as a user drives it.

Runs inside a network namespace and a PID namespace of its own (run.sh
starts it that way): an X server (Xvfb), a D-Bus session with the
accessibility bus, the program, and socat peers and busybox and inetutils
telnetd on 127.0.0.1. The program is driven with real input events
(xdotool: clicks at the controls' positions, typed text, keys) and read back
through its accessibility tree (AT-SPI), which also proves the controls'
accessible names. Every step leaves a screenshot in the output folder; a
step that does not show what it should fails with its screenshot named.

Standard library, plus Debian's python3-gi with gir1.2-atspi-2.0.
"""

import argparse
import contextlib
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import traceback

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

START_BUFFER = b"1234567890ABCDEFGHIJKLMNOPQRSTUVWXYZ"
TITLE = "Velmora v1.3b (2009/03/26)"
POLL = 0.05          # seconds between two looks at the screen or a peer
TIMEOUT = 10.0       # how long a step may take to show its result


class Failure(Exception):
    pass


# ---------------------------------------------------------------- layout --

def load_templates():
    """The dialog templates' items: {dialog: {control name: (class, x, y, cx, cy)}} in
    dialog units, read from the resource source so the driver clicks where the
    program puts its controls."""
    text = open(os.path.join(ROOT, "src/res/DialogTemplates.cpp"), encoding="utf-8").read()
    item = re.compile(r"\{(\w+),\s*WC_(\w+),(.*?),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+),\s*(-?\d+)\s*\}", re.S)
    dialogs = {}
    for dialog, array in (("main", "kMainItems"), ("telnet", "kTelnetItems")):
        body = text.split(f"DialogItemTemplate {array}[] = {{", 1)[1].split("\n};", 1)[0]
        dialogs[dialog] = {m.group(1): (m.group(2), *(int(m.group(i)) for i in range(4, 8)))
                           for m in item.finditer(body) if m.group(1) != "IDC_STATIC"}
    return dialogs


TEMPLATES = load_templates()
BASE_UNITS = (7, 12)  # the template font's base units at 100 %


def muldiv(n, num, den):
    return (n * num + den // 2) // den


def control_rect(dialog, name, scale=1):
    """A control's rectangle in the window's client area, in device pixels."""
    cls, x, y, cx, cy = TEMPLATES[dialog][name]
    if cls == "COMBOBOX":
        cy = 12  # the template height includes the dropped-down list
    bx, by = BASE_UNITS
    left, top = muldiv(x, bx, 4), muldiv(y, by, 8)
    right, bottom = muldiv(x + cx, bx, 4), muldiv(y + cy, by, 8)
    return (left * scale, top * scale, (right - left) * scale, (bottom - top) * scale)


# --------------------------------------------------------------- helpers --

def run(*argv, check=True, **kw):
    return subprocess.run(argv, check=check, capture_output=True, text=True, **kw)


def wait_for(what, probe, timeout=TIMEOUT):
    """Polls probe() until it returns a true value; fails naming what was
    expected and what was last seen."""
    deadline = time.monotonic() + timeout
    seen = None
    while True:
        try:
            ok, seen = probe()
        except Exception as error:  # the tree can change under a look
            ok, seen = False, f"{type(error).__name__}: {error}"
        if ok:
            return seen
        if time.monotonic() > deadline:
            raise Failure(f"{what}; last seen: {seen!r}")
        time.sleep(POLL)


def wait_equal(what, getter, expected, timeout=TIMEOUT):
    return wait_for(f"{what} should be {expected!r}", lambda: (lambda v: (v == expected, v))(getter()),
                    timeout)


def listening(port, proto="tcp"):
    """True once a socket in this namespace listens (TCP) or is bound (UDP) on the port."""
    want = "0A" if proto == "tcp" else "07"
    with open(f"/proc/net/{proto}") as table:
        for line in table.readlines()[1:]:
            fields = line.split()
            if int(fields[1].split(":")[1], 16) == port and fields[3] == want:
                return True
    return False


# ------------------------------------------------------------ the system --

class Desktop:
    """The X server, the D-Bus session with its accessibility bus, and the
    screenshots, all private to this run."""

    def __init__(self, out, screen):
        self.out = out
        self.shots = 0
        self.procs = []
        self.home = tempfile.mkdtemp(prefix="velmora-e2e-home-")
        runtime = tempfile.mkdtemp(prefix="velmora-e2e-run-")
        os.chmod(runtime, 0o700)
        os.makedirs("/tmp/.X11-unix", mode=0o1777, exist_ok=True)
        read, write = os.pipe()
        self.procs.append(subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", screen, "-nolisten", "tcp",
             "-noreset"], pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        os.close(write)
        with os.fdopen(read) as displayfd:
            number = displayfd.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.display = ":" + number
        bus = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--nopidfile",
                                "--print-address=1"], stdout=subprocess.PIPE, text=True,
                               stderr=subprocess.DEVNULL)
        self.procs.append(bus)
        address = bus.stdout.readline().strip()
        self.env = dict(os.environ)
        for name in ("QT_QPA_PLATFORM", "QT_SCALE_FACTOR", "WAYLAND_DISPLAY", "LANGUAGE",
                     "LC_MESSAGES", "LC_CTYPE", "SESSION_MANAGER"):
            self.env.pop(name, None)
        self.env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address, HOME=self.home,
                        XDG_RUNTIME_DIR=runtime, LANG="C.UTF-8", LC_ALL="C.UTF-8",
                        QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", NO_AT_BRIDGE="0")
        os.environ.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS=address,
                          XDG_RUNTIME_DIR=runtime, HOME=self.home)
        # Start the accessibility bus before any program looks for it.
        run("dbus-send", "--session", "--dest=org.a11y.Bus", "--print-reply", "/org/a11y/bus",
            "org.a11y.Bus.GetAddress", env=self.env)
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi
        self.Atspi = Atspi

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
        shutil.rmtree(self.home, ignore_errors=True)

    def shot(self, name, window=None):
        self.shots += 1
        path = os.path.join(self.out, f"{self.shots:02d}-{name}.png")
        run("import", "-display", self.display, "-window", window or "root", path, check=False)
        return path

    def shot_windows(self, name, window_ids):
        """A screenshot of the screen's part that these windows cover."""
        boxes = []
        for wid in window_ids:
            geometry = self.xdo("getwindowgeometry", wid)
            x, y = map(int, re.search(r"Position: (-?\d+),(-?\d+)", geometry).groups())
            w, h = map(int, re.search(r"Geometry: (\d+)x(\d+)", geometry).groups())
            boxes.append((x, y, x + w, y + h))
        left, top = min(b[0] for b in boxes), min(b[1] for b in boxes)
        right, bottom = max(b[2] for b in boxes), max(b[3] for b in boxes)
        path = os.path.join(self.out, f"{name}.png")
        run("import", "-display", self.display, "-window", "root", "-crop",
            f"{right - left}x{bottom - top}+{left}+{top}", "+repage", path, check=False)
        return path

    def xdo(self, *args):
        return run("xdotool", *args, env=self.env).stdout

    def click(self, x, y):
        self.xdo("mousemove", "--sync", str(x), str(y), "click", "1")

    def type(self, text):
        self.xdo("type", "--delay", "20", "--", text)

    def key(self, *keys):
        self.xdo("key", "--delay", "20", *keys)


class Ui:
    """The program's accessibility tree, read without a cache so every look is current."""

    def __init__(self, desktop, pid):
        self.A = desktop.Atspi
        self.pid = pid

    def app(self):
        desk = self.A.get_desktop(0)
        for i in range(desk.get_child_count()):
            app = desk.get_child_at_index(i)
            if app is not None and app.get_process_id() == self.pid:
                app.set_cache_mask(self.A.Cache.NONE)
                app.clear_cache()
                return app
        return None

    def windows(self):
        app = self.app()
        if not app:
            return []
        found = []
        for i in range(app.get_child_count()):
            w = app.get_child_at_index(i)
            if w is not None and self.has(w, "SHOWING"):
                found.append(w)
        return found

    def window(self, name):
        for w in self.windows():
            if w.get_name() == name:
                return w
        return None

    def has(self, acc, state):
        return acc.get_state_set().contains(getattr(self.A.StateType, state))

    def walk(self, acc):
        yield acc
        for i in range(acc.get_child_count()):
            child = acc.get_child_at_index(i)
            if child is not None:
                yield from self.walk(child)

    def find_all(self, root, role=None, name=None):
        return [a for a in self.walk(root)
                if (role is None or a.get_role_name() == role) and (name is None or a.get_name() == name)]

    def find(self, root, role, name):
        if root is None:
            raise Failure("the window is not shown")
        found = self.find_all(root, role, name)
        if len(found) != 1:
            raise Failure(f"{len(found)} accessible objects with role {role!r} and name {name!r}")
        return found[0]

    def text(self, acc):
        return self.A.Text.get_text(acc, 0, -1)

    def extents(self, acc):
        e = acc.get_extents(self.A.CoordType.SCREEN)
        return (e.x, e.y, e.width, e.height)

    def char_center(self, acc, offset):
        e = self.A.Text.get_character_extents(acc, offset, self.A.CoordType.SCREEN)
        return (e.x + e.width // 2, e.y + e.height // 2)

    def focused(self, root):
        for a in self.walk(root):
            if self.has(a, "FOCUSED"):
                return a
        return None


class Peer:
    """A socat process with its standard input and output at hand."""

    def __init__(self, *address, unidirectional=False):
        argv = ["socat"] + (["-u"] if unidirectional else []) + list(address)
        self.argv = argv
        self.proc = subprocess.Popen(argv, stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.PIPE)
        self.data = bytearray()
        self.lock = threading.Lock()
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        while True:
            block = self.proc.stdout.read1(65536)
            if not block:
                return
            with self.lock:
                self.data += block

    def received(self):
        with self.lock:
            return bytes(self.data)

    def send(self, data):
        self.proc.stdin.write(data)
        self.proc.stdin.flush()

    def close_input(self):
        self.proc.stdin.close()

    def wait_received(self, what, expected):
        wait_equal(what, self.received, expected)

    def wait_exit(self, what):
        wait_for(what, lambda: (self.proc.poll() is not None, self.proc.poll()))
        return self.proc.returncode

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()


class App:
    """One run of the program: started, found on screen and in the
    accessibility tree, driven by clicks and keys, and ended."""

    def __init__(self, desktop, binary, scale=1, env=None, prefix=()):
        self.d = desktop
        self.scale = scale
        environment = dict(desktop.env)
        if scale != 1:
            environment["QT_SCALE_FACTOR"] = str(scale)
        environment.update(env or {})
        self.log = tempfile.TemporaryFile()
        # A prefix such as prlimit runs the program in its own process (exec).
        self.proc = subprocess.Popen([*prefix, binary], env=environment, stdout=self.log,
                                     stderr=self.log)
        self.ui = Ui(desktop, self.proc.pid)
        self.title = TITLE  # string 104 reads the same in both languages
        korean = (env or {}).get("LANGUAGE", "").startswith("ko")
        self.names = {"status": "상태" if korean else "Status",
                      "mode": "접속 방식" if korean else "Connection Mode"}
        def shown():
            if self.proc.poll() is not None:
                raise Failure(f"the program ended with status {self.proc.returncode}: {self.output()!r}")
            w = self.ui.window(self.title)
            return w is not None, w
        # The bound only ends a run whose window never comes; a loaded CI
        # machine has been seen to take more than 20 s to start the program
        # and its accessibility bridge.
        self.main = wait_for("the main window appears in the accessibility tree", shown, 60)

    # -- where things are
    def origin(self, title):
        """The client area's top-left corner on the screen, from the X window's geometry."""
        ids = self.d.xdo("search", "--onlyvisible", "--pid", str(self.proc.pid), "--name",
                         "^" + re.escape(title) + "$").split()
        if not ids:
            raise Failure(f"no window titled {title!r} on the screen")
        geometry = self.d.xdo("getwindowgeometry", ids[-1])
        x, y = re.search(r"Position: (-?\d+),(-?\d+)", geometry).groups()
        return int(x), int(y)

    def window_ids(self):
        """The program's windows on the screen, popups included."""
        return self.d.xdo("search", "--onlyvisible", "--pid", str(self.proc.pid), "").split()

    def window_id(self, title):
        ids = self.d.xdo("search", "--onlyvisible", "--pid", str(self.proc.pid), "--name",
                         "^" + re.escape(title) + "$").split()
        return ids[-1] if ids else None

    def control_center(self, name, dialog="main", title=None):
        ox, oy = self.origin(title or self.title)
        x, y, w, h = control_rect(dialog, name, self.scale)
        return ox + x + w // 2, oy + y + h // 2

    # -- input
    def click(self, name, dialog="main", title=None):
        self.d.click(*self.control_center(name, dialog, title))

    def click_accessible(self, acc):
        # The toolkit reports positions in its own scaled pixels.
        x, y, w, h = self.ui.extents(acc)
        self.d.click((x + w // 2) * self.scale, (y + h // 2) * self.scale)

    def set_field(self, name, accessible_name, value):
        self.click(name)
        self.d.key("ctrl+a")
        self.d.type(value)
        wait_equal(f"the field {accessible_name!r}", lambda: self.field(accessible_name), value)

    def choose_mode(self, item):
        self.click("IDC_MODE")
        # The list has no size while it is not dropped down.
        wait_for("the mode list drops down", lambda: (lambda l: (
            self.ui.extents(l)[2] > 0, self.ui.extents(l)))(self.ui.find(self.main, "list", self.names["mode"])))
        self.click_accessible(self.ui.find(self.main, "list item", item))
        # The combo box is named by what it chooses and reads as its choice.
        combo = self.ui.find(self.main, "combo box", self.names["mode"])
        wait_equal("the mode combo box", lambda: self.ui.text(combo), item)

    # -- what the window shows
    def field(self, name):
        return self.ui.text(self.ui.find(self.main, "text", name))

    def status(self):
        # The status line is the window's status bar.
        return self.ui.text(self.ui.find(self.main, "status bar", self.names["status"]))

    def count(self):
        labels = self.ui.find_all(self.main, "label", "Receive Count")
        values = [self.ui.text(a) for a in labels if self.ui.text(a) != "Receive Count"]
        if len(values) != 1:
            raise Failure(f"no receive count among {labels}")
        return values[0]

    def pane(self, name):
        return self.ui.text(self.ui.find(self.main, "text", name))

    def button(self, name):
        return self.ui.find(self.main, "push button", name)

    def enabled(self, name):
        return self.ui.has(self.button(name), "ENABLED")

    def expect_status(self, expected):
        wait_equal("the status line", self.status, expected)

    def expect_buttons(self, **states):
        for name, on in states.items():
            label = name.replace("_", " ")
            wait_equal(f"whether {label!r} is enabled", lambda: self.enabled(label), on)

    # -- ending
    def alive(self):
        return self.proc.poll() is None

    def exit_confirmed(self):
        """EXIT, then Yes in the confirmation: the program ends by itself."""
        self.click("IDC_BUTTON_EXIT")
        box = self.confirmation()
        self.click_accessible(self.ui.find(box, "push button", "Yes"))
        wait_for("the program ends after Yes", lambda: (not self.alive(), self.proc.poll()))
        if self.proc.returncode != 0:
            raise Failure(f"the program ended with exit code {self.proc.returncode}")

    def confirmation(self, yes="Yes"):
        def probe():
            for w in self.ui.windows():
                if w.get_name() == self.title and w is not None and [
                        b for b in self.ui.find_all(w, "push button") if b.get_name().startswith(yes)]:
                    return True, w
            return False, [w.get_name() for w in self.ui.windows()]
        return wait_for("the exit confirmation appears", probe)

    def stop(self):
        if self.alive():
            self.proc.kill()
            self.proc.wait()

    def output(self):
        self.log.seek(0)
        return self.log.read().decode("utf-8", "replace")


# ------------------------------------------------------------- scenarios --

SCENARIOS = []


def scenario(function):
    SCENARIOS.append(function)
    return function


class Steps:
    """Names each step, takes its screenshot, and turns a failure into a
    report that names the screenshot."""

    def __init__(self, desktop, scenario_name):
        self.d = desktop
        self.name = scenario_name

    @contextlib.contextmanager
    def __call__(self, step, window=None):
        label = f"{self.name}-{step}"
        try:
            yield
        except Failure as failure:
            path = self.d.shot(label + "-FAILED")
            raise Failure(f"step {step!r}: {failure} (screenshot {path})") from None
        path = self.d.shot(label, window)
        print(f"    ok  {step}  [{os.path.basename(path)}]", flush=True)


def hexdump_line(offset, data):
    """One dump line as the panes show it: 77 characters."""
    cells = [f"{b:02x} " for b in data[:8]] + ["   "] * (8 - len(data[:8]))
    cells2 = [f"{b:02x} " for b in data[8:16]] + ["   "] * (8 - len(data[8:16]))
    chars = "".join(chr(b) if 0x20 <= b <= 0x7F else "." for b in data[:16]).ljust(16)
    return f"{offset:08X}| " + "".join(cells) + " " + "".join(cells2) + "|" + chars + " "


def dump(data):
    return "".join(hexdump_line(i, data[i:i + 16]) for i in range(0, len(data), 16))


@scenario
def startup_names_and_tab_order(d, binary, step):
    app = App(d, binary)
    try:
        with step("started"):
            app.expect_status("Ready")
            wait_equal("the receive count", app.count, "0")
            wait_equal("the send pane", lambda: app.pane("Send Data"), dump(START_BUFFER))
            wait_equal("the receive pane", lambda: app.pane("Receive Data"), "")
        with step("accessible-names"):
            fields = {"Remote Host Address": "10.1.0.1", "Remote Host Port": "1470",
                      "Local Port": "1470", "Data Length": "36"}
            for name, value in fields.items():
                wait_equal(f"the field named {name!r}", lambda: app.field(name), value)
            for name in ("Connect", "Disconnect", "Telnet", "Exit", "Clear", "Load", "Apply",
                         "Send Data"):
                app.button(name)
            if len(app.ui.find_all(app.main, "push button", "Save")) != 2:
                raise Failure("two buttons named 'Save' expected")
            app.ui.find(app.main, "check box", "Keep Alive")
            app.ui.find(app.main, "spin button", "Data Length")
            for group in ("Receive Data", "Send Data"):
                app.ui.find(app.main, "panel", group)
            app.expect_buttons(Connect=True, Disconnect=False, Send_Data=False, Telnet=True)
            app.ui.find(app.main, "status bar", "Status")
            app.ui.find(app.main, "combo box", "Connection Mode")
            if unnamed_controls(app.ui, app.main):
                raise Failure(f"controls without a name: {unnamed_controls(app.ui, app.main)}")
        with step("layout-matches-template"):
            # Each control stands where the template's dialog units put it.
            ox, oy = app.origin(TITLE)
            checks = {("text", "Remote Host Address"): "IDC_REMOTE_IP",
                      ("text", "Remote Host Port"): "IDC_REMOTE_PORT",
                      ("text", "Local Port"): "IDC_LOCAL_PORT",
                      ("text", "Data Length"): "IDC_DATA_LENGTH",
                      ("text", "Receive Data"): "IDC_RECV_PANE",
                      ("text", "Send Data"): "IDC_SEND_PANE",
                      ("push button", "Connect"): "IDC_BUTTON_CONNECT",
                      ("push button", "Exit"): "IDC_BUTTON_EXIT",
                      ("push button", "Send Data"): "IDC_BUTTON_SEND"}
            for (role, name), control in checks.items():
                x, y, w, h = control_rect("main", control)
                got = app.ui.extents(app.ui.find(app.main, role, name))
                if got != (ox + x, oy + y, w, h):
                    raise Failure(f"{name!r} ({role}) at {got}, template says {(ox + x, oy + y, w, h)}")
        with step("tab-order"):
            app.click("IDC_REMOTE_IP")
            expected = [("text", "Remote Host Address"), ("text", "Remote Host Port"),
                        ("push button", "Connect"), ("push button", "Telnet"),
                        ("push button", "Exit"), ("push button", "Save"), ("push button", "Clear"),
                        ("push button", "Load"), ("push button", "Save"), ("push button", "Apply"),
                        ("status bar", "Status"), ("text", "Data Length"), ("text", "Receive Data")]
            for i, (role, name) in enumerate(expected):
                if i:
                    d.key("Tab")
                wait_equal(f"focus after {i} Tab presses", lambda: (lambda f: f and (
                    f.get_role_name(), f.get_name()))(app.ui.focused(app.main)), (role, name))
        app.exit_confirmed()
    finally:
        app.stop()


KOREAN = {"LANGUAGE": "ko", "LC_ALL": "ko_KR.UTF-8", "LANG": "ko_KR.UTF-8"}


def unnamed_controls(ui, root):
    """The objects of a window's tree without a name; a frame without a
    title (a panel) is decoration, and the About box's picture an icon."""
    return [(a.get_role_name(), ui.extents(a)) for a in ui.walk(root)
            if not a.get_name() and a.get_role_name() not in ("panel", "icon", "image")]


def latin_texts(ui, root, roles):
    """The names of the objects with these roles that show Latin letters,
    once "(X)" mnemonics (Korean style) are left out."""
    found = []
    for a in ui.walk(root):
        if a.get_role_name() in roles and re.search(r"[A-Za-z]", re.sub(r"\(.\)", "", a.get_name() or "")):
            found.append((a.get_role_name(), a.get_name()))
    return found


@scenario
def korean_interface(d, binary, step):
    """The Korean interface all the way down: the program's texts, and the
    toolkit's in the system menu, the file dialog and the message box."""
    app = App(d, binary, env=KOREAN)
    try:
        with step("korean"):
            wait_equal("the field named '통신할 주소'", lambda: app.field("통신할 주소"), "10.1.0.1")
            app.ui.find(app.main, "text", "보낼 데이터")
            app.ui.find(app.main, "push button", "데이터 보내기")
            app.expect_status("대기 중")
            app.ui.find(app.main, "combo box", "접속 방식")
            if unnamed_controls(app.ui, app.main):
                raise Failure(f"controls without a name: {unnamed_controls(app.ui, app.main)}")
            # The exit confirmation has the same title: keep the window's own id.
            main_id = app.window_id(TITLE)
        with step("system-menu"):
            app.click("IDC_REMOTE_IP")
            before = len(app.window_ids())
            d.key("alt+space")
            # The toolkit keeps popup menus out of the accessibility tree: the
            # menu is a new window of the program (its texts are checked by
            # the unit tests, and seen in the picture).
            wait_for("the system menu opens", lambda: (lambda ids: (len(ids) == before + 1, ids))(app.window_ids()))
            d.shot_windows("korean-system-menu", [main_id])
            d.key("Escape")
            wait_for("the system menu closes", lambda: (lambda ids: (len(ids) == before, ids))(app.window_ids()))
        with step("file-dialog"):
            app.click("IDC_BUTTON_LOAD")
            dialog = wait_for("the '불러오기' file dialog appears",
                              lambda: (lambda w: (w is not None, w))(app.ui.window("불러오기")))
            wait_for("the dialog shows its buttons", lambda: (lambda b: (len(b) >= 2, b))(
                app.ui.find_all(dialog, "push button")))
            latin = latin_texts(app.ui, dialog, ("label", "push button", "table column header"))
            if latin:
                raise Failure(f"English texts in the file dialog: {latin}")
            d.shot_windows("korean-file-dialog", [main_id, app.window_id("불러오기")])
            d.key("Escape")
            wait_for("the file dialog closes", lambda: (app.ui.window("불러오기") is None, None))
        with step("exit-box"):
            app.click("IDC_BUTTON_EXIT")
            box = app.confirmation("예")
            wait_for("the confirmation asks in Korean", lambda: (lambda t: (
                "프로그램을 종료 하시겠습니까?" in t, t))([a.get_name() for a in app.ui.find_all(box, "label")]))
            buttons = {a.get_name().split("(")[0]: a for a in app.ui.find_all(box, "push button")}
            if sorted(buttons) != ["아니요", "예"]:
                raise Failure(f"the confirmation's buttons are {sorted(buttons)}")
            d.shot_windows("korean-exit-box", [main_id])
        app.click_accessible(buttons["예"])
        wait_for("the program ends", lambda: (not app.alive(), app.proc.poll()))
    finally:
        app.stop()


@scenario
def display_check(d, binary, step):
    """The start-up check connects to the display: one reachable only by
    its abstract socket works, a dead one left only its socket file gets
    the one-sentence message."""
    with step("abstract-socket-only"):
        read, write = os.pipe()
        server_log = tempfile.TemporaryFile()
        server = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "800x600x24", "-nolisten", "tcp",
             "-nolisten", "unix"], pass_fds=(write,), stdout=server_log, stderr=server_log)
        os.close(write)
        try:
            with os.fdopen(read) as displayfd:
                number = displayfd.readline().strip()
            if not number:
                raise Failure("Xvfb did not start")
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                raise Failure(f"Xvfb made the socket file /tmp/.X11-unix/X{number}")
            # Once it answers an X client, not only when it listens.
            wait_for("the second X server answers", lambda: (run(
                "xdpyinfo", "-display", ":" + number, check=False).returncode == 0, None))
            try:
                app = App(d, binary, env={"DISPLAY": ":" + number})
            except Failure as failure:
                server_log.seek(0)
                raise Failure(f"{failure}; the X server said {server_log.read()!r}") from None
            app.stop()
        finally:
            server.terminate()
            server.wait()
    with step("dead-display"):
        number = next(n for n in range(900, 1000) if not os.path.exists(f"/tmp/.X11-unix/X{n}")
                      and not os.path.exists(f"/tmp/.X{n}-lock"))
        path = f"/tmp/.X11-unix/X{number}"
        left = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        left.bind(path)
        left.close()
        try:
            env = dict(d.env, DISPLAY=f":{number}")
            result = subprocess.run([binary], env=env, capture_output=True, text=True, timeout=TIMEOUT)
        finally:
            os.unlink(path)
        lines = result.stderr.strip().split("\n")
        if result.returncode != 2 or len(lines) != 1 or not lines[0].startswith("velmora: "):
            raise Failure(f"exit {result.returncode}, said {result.stderr!r}")
        if "ssh -X" not in lines[0] or "127.0.0.1" not in lines[0] or "QT_QPA_PLATFORM" in lines[0]:
            raise Failure(f"the message names no local-only way: {lines[0]!r}")


def connect_client(app, port):
    app.set_field("IDC_REMOTE_IP", "Remote Host Address", "127.0.0.1")
    app.set_field("IDC_REMOTE_PORT", "Remote Host Port", str(port))
    app.click("IDC_BUTTON_CONNECT")
    app.expect_status(f"Connected [127.0.0.1 : {port}]")
    app.expect_buttons(Connect=False, Disconnect=True, Send_Data=True, Telnet=False)


def open_telnet(app, port):
    """TELNET to 127.0.0.1:port: the Telnet window and its terminal, once open."""
    app.set_field("IDC_REMOTE_IP", "Remote Host Address", "127.0.0.1")
    app.set_field("IDC_REMOTE_PORT", "Remote Host Port", str(port))
    app.click("IDC_BUTTON_TELNET")
    window = wait_for("the Telnet window appears",
                      lambda: (lambda w: (w is not None, w))(app.ui.window("Telnet")))
    app.expect_status(f"Connected [127.0.0.1 : {port}]")
    terminal = app.ui.find(window, "text", "Terminal")
    if not app.ui.has(terminal, "MULTI_LINE"):
        raise Failure("the terminal is not a multi-line text")
    return window, terminal


@scenario
def tcp_client(d, binary, step):
    peer = Peer("TCP4-LISTEN:5001,bind=127.0.0.1,reuseaddr", "STDIO")
    app = App(d, binary)
    try:
        wait_for("the peer listens", lambda: (listening(5001), None))
        with step("connected"):
            connect_client(app, 5001)
        with step("sent-startup-buffer"):
            app.click("IDC_BUTTON_SEND")
            peer.wait_received("the bytes the peer received", START_BUFFER)
        reply = b"Hello from socat\x00\xff\r\n" + bytes(range(0x20, 0x40))
        with step("received-shown-and-counted"):
            peer.send(reply)
            wait_equal("the receive count", app.count, str(len(reply)))
            wait_equal("the receive pane", lambda: app.pane("Receive Data"), dump(reply))
        with step("peer-closed"):
            peer.close_input()
            app.expect_status("Ready")
            app.expect_buttons(Connect=True, Disconnect=False, Send_Data=False, Telnet=True)
            wait_equal("the receive count after the close", app.count, str(len(reply)))
        app.exit_confirmed()
    finally:
        app.stop()
        peer.stop()


@scenario
def tcp_server(d, binary, step):
    app = App(d, binary)
    first = second = None
    try:
        with step("listening"):
            app.choose_mode("TCP Server")
            app.expect_buttons(Listen=True, Telnet=False)
            app.set_field("IDC_LOCAL_PORT", "Local Port", "5002")
            app.click("IDC_BUTTON_CONNECT")
            app.expect_status("Listening")
            wait_for("the program listens on 5002", lambda: (listening(5002), None))
        with step("accepted-first-peer"):
            first = Peer("STDIO", "TCP4:127.0.0.1:5002,sourceport=6001,reuseaddr")
            app.expect_status("Connected [127.0.0.1 : 6001]")
            app.expect_buttons(Send_Data=True, Disconnect=True, Listen=False)
        with step("rejected-second-peer"):
            second = Peer("TCP4:127.0.0.1:5002,sourceport=6002,reuseaddr", "STDOUT", unidirectional=True)
            code = second.wait_exit("the second peer is closed by the program")
            if code != 0 or second.received():
                raise Failure(f"second peer: exit {code}, received {second.received()!r}")
            app.expect_status("Connected [127.0.0.1 : 6001]")
        with step("served-first-peer"):
            app.click("IDC_BUTTON_SEND")
            first.wait_received("the first peer's bytes", START_BUFFER)
            first.send(b"from the first peer")
            wait_equal("the receive count", app.count, "19")
        with step("first-peer-left"):
            first.close_input()
            app.expect_status("Listening")
            app.expect_buttons(Send_Data=False, Disconnect=True)
        with step("closed"):
            app.click("IDC_BUTTON_CLOSE")
            app.expect_status("Ready")
            wait_for("the program no longer listens", lambda: (not listening(5002), None))
            app.expect_buttons(Listen=True, Disconnect=False)
        app.exit_confirmed()
    finally:
        app.stop()
        for p in (first, second):
            if p:
                p.stop()


@scenario
def udp(d, binary, step):
    app = App(d, binary)
    peers = []
    try:
        with step("unicast-open"):
            app.choose_mode("UDP")
            app.set_field("IDC_LOCAL_PORT", "Local Port", "5003")
            app.set_field("IDC_REMOTE_IP", "Remote Host Address", "127.0.0.1")
            app.set_field("IDC_REMOTE_PORT", "Remote Host Port", "5004")
            receiver = Peer("UDP4-RECV:5004,bind=127.0.0.1", "STDOUT", unidirectional=True)
            peers.append(receiver)
            wait_for("the receiver is bound", lambda: (listening(5004, "udp"), None))
            app.click("IDC_BUTTON_CONNECT")
            app.expect_buttons(Connect=False, Disconnect=True, Send_Data=True)
            app.expect_status("Ready")
        with step("unicast-sent"):
            app.click("IDC_BUTTON_SEND")
            receiver.wait_received("the datagram the receiver got", START_BUFFER)
        with step("unicast-received"):
            sender = Peer("STDIN", "UDP4-SENDTO:127.0.0.1:5003", unidirectional=True)
            peers.append(sender)
            sender.send(b"one datagram")
            sender.close_input()
            wait_equal("the receive count", app.count, "12")
            wait_equal("the receive pane", lambda: app.pane("Receive Data"), dump(b"one datagram"))
        with step("broadcast-sent"):
            app.click("IDC_BUTTON_CLOSE")
            app.expect_status("Ready")
            app.expect_buttons(Connect=True)
            app.set_field("IDC_REMOTE_IP", "Remote Host Address", "255.255.255.255")
            app.set_field("IDC_REMOTE_PORT", "Remote Host Port", "5005")
            everyone = Peer("UDP4-RECV:5005", "STDOUT", unidirectional=True)
            peers.append(everyone)
            wait_for("the broadcast receiver is bound", lambda: (listening(5005, "udp"), None))
            app.click("IDC_BUTTON_CONNECT")
            app.expect_buttons(Send_Data=True)
            app.click("IDC_BUTTON_SEND")
            everyone.wait_received("the broadcast the receiver got", START_BUFFER)
        with step("multicast-both-ways"):
            app.click("IDC_BUTTON_CLOSE")
            app.expect_buttons(Connect=True)
            app.set_field("IDC_REMOTE_IP", "Remote Host Address", "239.1.2.3")
            app.set_field("IDC_REMOTE_PORT", "Remote Host Port", "5006")
            member = Peer("UDP4-RECV:5006,ip-add-membership=239.1.2.3:127.0.0.1,reuseaddr", "STDOUT",
                          unidirectional=True)
            peers.append(member)
            wait_for("the group member is bound", lambda: (listening(5006, "udp"), None))
            app.click("IDC_BUTTON_CONNECT")
            app.expect_buttons(Send_Data=True)
            app.click("IDC_BUTTON_SEND")
            member.wait_received("the datagram the group member got", START_BUFFER)
            to_group = Peer("STDIN", "UDP4-SENDTO:239.1.2.3:5003", unidirectional=True)
            peers.append(to_group)
            to_group.send(b"to the group")
            to_group.close_input()
            wait_equal("the receive count", app.count, "24")
        with step("closed"):
            app.click("IDC_BUTTON_CLOSE")
            app.expect_status("Ready")
            app.expect_buttons(Connect=True, Disconnect=False, Send_Data=False)
        app.exit_confirmed()
    finally:
        app.stop()
        for p in peers:
            p.stop()


def choose_file(d, app, title, path):
    """The toolkit's file dialog: the path typed into its file-name field,
    then Enter, without waiting for the dialog to go (a progress window of
    the same title may follow it)."""
    dialog = wait_for(f"the {title!r} file dialog appears",
                      lambda: (lambda w: (w is not None, w))(app.ui.window(title)))
    field = wait_for("the file-name field has the focus", lambda: (lambda f: (
        f is not None and f.get_role_name() == "text", f))(app.ui.focused(dialog)))
    d.key("ctrl+a")
    d.type(path)
    wait_equal("the file-name field", lambda: app.ui.text(field), path)
    d.key("Return")


def file_dialog(d, app, title, path):
    """The file dialog answered with `path`, and gone."""
    choose_file(d, app, title, path)
    # A completion list may take the first Enter; a second one confirms.
    for _ in range(2):
        try:
            wait_for("the file dialog closes", lambda: (app.ui.window(title) is None, title), 2.0)
            return
        except Failure:
            d.key("Return")
    wait_for("the file dialog closes", lambda: (app.ui.window(title) is None, title))


@scenario
def load_and_save(d, binary, step):
    folder = tempfile.mkdtemp(prefix="velmora-e2e-files-", dir=d.home)
    app = App(d, binary)
    try:
        saved = os.path.join(folder, "startup.bin")
        with step("saved-send-pane"):
            app.click("IDC_BUTTON_SAVE_SEND")
            file_dialog(d, app, "Save", saved)
            wait_for("the saved file holds the send pane", lambda: (
                os.path.exists(saved) and open(saved, "rb").read() == START_BUFFER,
                os.path.exists(saved) and open(saved, "rb").read()))
        loaded = os.path.join(folder, "made-by-test.bin")
        content = b"Loaded from a file\x00\x01\x7f\x80\xff\r\n" + bytes(range(200, 256))
        with open(loaded, "wb") as f:
            f.write(content)
        with step("loaded-send-pane"):
            app.click("IDC_BUTTON_LOAD")
            file_dialog(d, app, "Load", loaded)
            wait_equal("the data length field", lambda: app.field("Data Length"), str(len(content)))
            wait_equal("the send pane's first lines", lambda: app.pane("Send Data")[:77 * 6],
                       dump(content)[:77 * 6])
        resaved = os.path.join(folder, "saved-again")
        with step("saved-loaded-bytes"):
            app.click("IDC_BUTTON_SAVE_SEND")
            file_dialog(d, app, "Save", resaved)
            # A name typed without an extension gets ".bin".
            wait_for("the saved file holds the loaded bytes", lambda: (
                os.path.exists(resaved + ".bin") and open(resaved + ".bin", "rb").read() == content,
                sorted(os.listdir(folder))))
        app.exit_confirmed()
    finally:
        app.stop()


def memory_of(pid, key):
    """A size from /proc/PID/status (VmRSS, VmHWM, VmSize ...), in bytes."""
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1]) * 1024
    raise Failure(f"no {key} for process {pid}")


@scenario
def large_load(d, binary, step):
    """LOAD of a 5 GiB sparse file: a progress window while it reads, the
    file held once in memory; under an address-space limit the same LOAD
    gives a message and the program goes on."""
    folder = tempfile.mkdtemp(prefix="velmora-e2e-large-", dir=d.home)
    path = os.path.join(folder, "sparse-5g.bin")
    size = 5 << 30
    with open(path, "wb") as f:
        f.truncate(size)
    try:
        app = App(d, binary)
        try:
            before = memory_of(app.proc.pid, "VmRSS")
            startup_space = memory_of(app.proc.pid, "VmSize")
            with step("large-load-progress"):
                app.click("IDC_BUTTON_LOAD")
                choose_file(d, app, "Load", path)
                wait_for("the progress window shows its bar", lambda: (lambda w: (
                    w is not None and bool(app.ui.find_all(w, "progress bar")), w))(
                        app.ui.window("Load")), 20)
            with step("large-load-done"):
                # The field shows the largest length it holds.
                wait_equal("the data length field", lambda: app.field("Data Length"),
                           "4294967295", 180)
                wait_for("the progress window closes",
                         lambda: (app.ui.window("Load") is None, None))
                growth = memory_of(app.proc.pid, "VmHWM") - before
                print(f"  5 GiB LOAD: peak resident growth {growth / size:.3f} x the file")
                if growth > 1.05 * size:
                    raise Failure(f"peak resident growth {growth} for a file of {size}")
            app.exit_confirmed()
        finally:
            app.stop()

        # Room for the program as it starts and 2 GiB more: the file cannot fit.
        limit = startup_space + (2 << 30)
        app = App(d, binary, prefix=("prlimit", f"--as={limit}"))
        try:
            with step("large-load-no-memory"):
                app.click("IDC_BUTTON_LOAD")
                choose_file(d, app, "Load", path)
                expected = (f"Not enough memory to load {path} ({size} bytes). "
                            "The send data is unchanged.")
                box = wait_for("the message about memory appears", lambda: (lambda ws: (
                    bool(ws), ws[0] if ws else [w.get_name() for w in app.ui.windows()]))(
                        [w for w in app.ui.windows() if app.ui.find_all(w, None, expected)]))
                app.click_accessible(app.ui.find(box, "push button", "OK"))
                wait_for("the message closes", lambda: (
                    not [w for w in app.ui.windows() if app.ui.find_all(w, None, expected)], None))
                if not app.alive():
                    raise Failure("the program ended under the address-space limit")
                wait_equal("the data length field", lambda: app.field("Data Length"), "36")
            app.exit_confirmed()
        finally:
            app.stop()
    finally:
        shutil.rmtree(folder, ignore_errors=True)


@scenario
def edit_and_send(d, binary, step):
    peer = Peer("TCP4-LISTEN:5011,bind=127.0.0.1,reuseaddr", "STDIO")
    app = App(d, binary)
    try:
        wait_for("the peer listens", lambda: (listening(5011), None))
        pane = app.ui.find(app.main, "text", "Send Data")
        expected = bytearray(START_BUFFER)
        with step("typed-hex"):
            # The high digit of byte 0 is column 10 of the first row.
            d.click(*app.ui.char_center(pane, 10))
            d.type("41")
            expected[0] = 0x41
            wait_equal("the send pane", lambda: app.pane("Send Data"), dump(bytes(expected)))
        with step("tab-backspace-typed-text"):
            # The caret went on to byte 1: Tab to its character cell, type
            # there, Backspace back onto it and type again.
            d.key("Tab")
            d.type("z")
            d.key("BackSpace")
            d.type("y")
            expected[1] = ord("y")
            wait_equal("the send pane", lambda: app.pane("Send Data"), dump(bytes(expected)))
        with step("arrow-down-typed"):
            # The caret stands on byte 2's cell; Down goes to byte 18's.
            d.key("Down")
            d.type("!")
            expected[18] = ord("!")
            wait_equal("the send pane", lambda: app.pane("Send Data"), dump(bytes(expected)))
        with step("sent-edited-bytes"):
            connect_client(app, 5011)
            app.click("IDC_BUTTON_SEND")
            peer.wait_received("the bytes the peer received", bytes(expected))
        app.click("IDC_BUTTON_CLOSE")
        app.expect_status("Ready")
        app.exit_confirmed()
    finally:
        app.stop()
        peer.stop()


@scenario
def telnet(d, binary, step):
    peer = Peer("TCP4-LISTEN:5023,bind=127.0.0.1,reuseaddr", "STDIO")
    app = App(d, binary)
    try:
        wait_for("the peer listens", lambda: (listening(5023), None))
        with step("window-open"):
            window, terminal = open_telnet(app, 5023)
            app.ui.find(window, "push button", "Close")
            app.ui.find(window, "check box", "Linemode")
            # The line-end combos by their labels, not by their values.
            for name, value in (("Send", "CR -> CR+LF"), ("Receive", "Don't Convert")):
                combo = app.ui.find(window, "combo box", name)
                wait_equal(f"the {name!r} combo box", lambda: app.ui.text(combo), value)
            if unnamed_controls(app.ui, window):
                raise Failure(f"controls without a name: {unnamed_controls(app.ui, window)}")
        with step("received-text"):
            peer.send(b"Welcome to the test host\r\nlogin: ")
            wait_for("the terminal shows the peer's text", lambda: (lambda t: (
                "Welcome to the test host" in t and t.endswith("login: "), t))(app.ui.text(terminal)))
        with step("typed-character-mode"):
            d.type("guest")
            d.key("Return")
            peer.wait_received("what the peer received", b"guest\r\n")
        with step("typed-line-mode"):
            app.click("IDC_LINEMODE", "telnet", "Telnet")
            wait_for("Linemode is ticked", lambda: (app.ui.has(
                app.ui.find(window, "check box", "Linemode"), "CHECKED"), None))
            d.type("ls -l")
            d.key("Return")
            peer.wait_received("what the peer received", b"guest\r\nls -l\r\n")
        with step("peer-closed"):
            peer.close_input()
            wait_for("the terminal says the connection closed", lambda: (lambda t: (
                "Connection closed" in t, t))(app.ui.text(terminal)))
            if not app.window_id("Telnet"):
                raise Failure("the Telnet window closed by itself")
        with step("window-closed"):
            app.click("IDC_BUTTON_CLOSE", "telnet", "Telnet")
            wait_for("the Telnet window closes", lambda: (app.ui.window("Telnet") is None, None))
            app.expect_status("Ready")
            app.expect_buttons(Connect=True, Telnet=True, Disconnect=False)
        app.exit_confirmed()
    finally:
        app.stop()
        peer.stop()


class BusyboxTelnetServer:
    """busybox telnetd on 127.0.0.1:23 of this namespace, a shell for each
    connection."""

    def __init__(self):
        env = {"PATH": "/usr/sbin:/usr/bin:/sbin:/bin", "HOME": "/", "PS1": "# ", "LC_ALL": "C"}
        self.proc = subprocess.Popen(["busybox", "telnetd", "-F", "-p", "23", "-b", "127.0.0.1",
                                      "-l", "/bin/sh", "-f", "/dev/null"], env=env,
                                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_for("telnetd listens", lambda: (listening(23), None))

    def stop(self):
        self.proc.terminate()
        self.proc.wait(5)


class InetutilsTelnetServer:
    """inetutils telnetd for each connection to 127.0.0.1:23 of this
    namespace, started as inetd starts it: the accepted socket itself is its
    standard input, output and error, so its urgent data (the Data Mark it
    answers Ctrl+C with) reaches the program as urgent data. Its login
    program starts a shell without a password and sets the prompt, as
    telnetd clears the environment."""

    def __init__(self):
        self.folder = tempfile.mkdtemp(prefix="velmora-e2e-telnetd-")
        self.login = os.path.join(self.folder, "login")
        with open(self.login, "w") as script:
            script.write("#!/bin/sh\nPS1='# ' LC_ALL=C exec /bin/sh\n")
        os.chmod(self.login, 0o700)
        self.listener = socket.create_server(("127.0.0.1", 23))
        self.listener.settimeout(POLL)
        self.servers = []
        self.stopping = threading.Event()
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while not self.stopping.is_set():
            try:
                connection, _ = self.listener.accept()
            except TimeoutError:
                continue
            with connection:
                self.servers.append(subprocess.Popen(
                    ["/usr/sbin/telnetd", "-h", "-E", self.login],
                    stdin=connection, stdout=connection, stderr=connection))

    def stop(self):
        self.stopping.set()
        self.thread.join(5)
        self.listener.close()
        for server in self.servers:
            server.terminate()
            server.wait(5)
        shutil.rmtree(self.folder, ignore_errors=True)


def shell_over_telnet(d, binary, step, server):
    """A shell on a real Telnet server: bytes 0xFF arrive doubled and are
    shown once each, UTF-8 text is read as it is painted, Ctrl+C reaches the
    shell and its echo comes back, with nothing before it lost or added.
    The server is stopped however the scenario ends, so the next one finds
    port 23 free."""
    try:
        app = App(d, binary)
    except BaseException:
        server.stop()
        raise
    try:
        with step("prompt"):
            _, terminal = open_telnet(app, 23)
            wait_for("the shell's prompt", lambda: (lambda t: (t.endswith("# "), t))(
                app.ui.text(terminal)))
        with step("bytes-ff"):
            d.type("printf '<A\\377BC|D\\377\\377EF|>\\n'")
            d.key("Return")
            # Each 0xFF is one byte on screen, read as the replacement
            # character it paints as; nothing around it is lost.
            wait_for("the line with its 0xFF bytes", lambda: (lambda t: (
                t.endswith("<A\ufffdBC|D\ufffd\ufffdEF|>\r\n# "), t))(app.ui.text(terminal)))
        with step("utf8"):
            d.type("printf '\\355\\225\\234\\352\\270\\200\\n'")
            d.key("Return")
            wait_for("the Korean text", lambda: (lambda t: (t.endswith("\r\n\ud55c\uae00\r\n# "), t))(
                app.ui.text(terminal)))
        with step("ctrl-c"):
            d.key("ctrl+c")
            wait_for("the shell's echo of Ctrl+C", lambda: (lambda t: (
                t.endswith("\r\n\ud55c\uae00\r\n# ^C\r\n# "), t))(app.ui.text(terminal)))
        with step("closed"):
            app.click("IDC_BUTTON_CLOSE", "telnet", "Telnet")
            wait_for("the Telnet window closes", lambda: (app.ui.window("Telnet") is None, None))
            app.expect_status("Ready")
        app.exit_confirmed()
    finally:
        app.stop()
        server.stop()


@scenario
def telnet_shell(d, binary, step):
    shell_over_telnet(d, binary, step, BusyboxTelnetServer())


@scenario
def telnet_shell_inetutils(d, binary, step):
    shell_over_telnet(d, binary, step, InetutilsTelnetServer())


@scenario
def exit_confirmation(d, binary, step):
    app = App(d, binary)
    try:
        with step("asked"):
            app.click("IDC_BUTTON_EXIT")
            box = app.confirmation()
            wait_for("the confirmation asks 'Do you want to exit program?'", lambda: (lambda t: (
                "Do you want to exit program?" in t, t))([a.get_name() for a in app.ui.find_all(box, "label")]))
        with step("answered-no"):
            app.click_accessible(app.ui.find(box, "push button", "No"))
            wait_for("the confirmation closes", lambda: (
                len(app.ui.windows()) == 1 and app.alive(), [w.get_name() for w in app.ui.windows()]))
            app.expect_status("Ready")
        with step("answered-yes"):
            app.exit_confirmed()
    finally:
        app.stop()


def nameservers():
    """The IPv4 name servers the system's resolver asks."""
    found = []
    with open("/etc/resolv.conf") as conf:
        for line in conf:
            fields = line.split()
            if len(fields) >= 2 and fields[0] == "nameserver" and re.fullmatch(r"[\d.]+", fields[1]):
                found.append(fields[1])
    return found or ["127.0.0.1"]  # the resolver's own default


@scenario
def name_lookup(d, binary, step):
    """A name service that never answers: its address on lo here, with a
    UDP sink that reads every question and says nothing."""
    servers = nameservers()
    for server in servers:
        if not server.startswith("127."):
            run("ip", "addr", "add", server + "/32", "dev", "lo")
    sinks = [Peer(f"UDP4-RECV:53,bind={server}", "OPEN:/dev/null", unidirectional=True) for server in servers]
    # One long try, so the lookup is still waiting when CLOSE comes.
    app = App(d, binary, env={"RES_OPTIONS": "timeout:30 attempts:1"})
    receiver = None
    try:
        wait_for("the silent name service is bound", lambda: (all(listening(53, "udp") for _ in servers), None))
        with step("lookup-waiting-window-live"):
            app.set_field("IDC_REMOTE_IP", "Remote Host Address", "silent.velmora.test")
            app.set_field("IDC_REMOTE_PORT", "Remote Host Port", "5008")
            app.click("IDC_BUTTON_CONNECT")
            app.expect_status("Connecting")
            app.expect_buttons(Connect=False, Disconnect=True, Telnet=False)
            # The window goes on answering while the lookup waits.
            app.set_field("IDC_DATA_LENGTH", "Data Length", "100000")
        with step("close-abandons-lookup"):
            app.click("IDC_BUTTON_CLOSE")
            wait_equal("the status line right after CLOSE", app.status, "Ready", timeout=2)
            app.expect_buttons(Connect=True, Disconnect=False, Telnet=True)
        with step("unresolvable-name-refused"):
            for sink in sinks:
                sink.stop()  # now the questions are refused at once
            app.choose_mode("UDP")
            app.set_field("IDC_LOCAL_PORT", "Local Port", "5009")
            app.set_field("IDC_REMOTE_IP", "Remote Host Address", "no-such-host.invalid")
            app.set_field("IDC_REMOTE_PORT", "Remote Host Port", "5007")
            receiver = Peer("UDP4-RECV:5007", "STDOUT", unidirectional=True)
            wait_for("the broadcast receiver is bound", lambda: (listening(5007, "udp"), None))
            app.click("IDC_BUTTON_CONNECT")

            def error_box():
                for w in app.ui.windows():
                    if w.get_name() == app.title and app.ui.find_all(w, "push button", "OK"):
                        return True, w
                return False, [w.get_name() for w in app.ui.windows()]
            box = wait_for("the resolver's message appears", error_box)
            texts = [a.get_name() for a in app.ui.find_all(box, "label")]
            if not any("resolution" in t or "not known" in t for t in texts):
                raise Failure(f"the message is not the resolver's: {texts!r}")
            app.click_accessible(app.ui.find(box, "push button", "OK"))
            app.expect_status("Ready")
            app.expect_buttons(Connect=True, Disconnect=False, Send_Data=False)
            if receiver.received():
                raise Failure(f"a datagram went out: {receiver.received()!r}")
        app.exit_confirmed()
    finally:
        app.stop()
        for peer in sinks + ([receiver] if receiver else []):
            peer.stop()


@scenario
def scaled_200(d, binary, step):
    app = App(d, binary, scale=2)
    try:
        with step("window-at-200", app.window_id(TITLE)):
            # Twice as many pixels on the screen; the same layout in the
            # toolkit's scaled pixels, which the accessibility tree reports.
            geometry = d.xdo("getwindowgeometry", app.window_id(TITLE))
            size = tuple(int(v) for v in re.search(r"Geometry: (\d+)x(\d+)", geometry).groups())
            expected = (2 * muldiv(339, 7, 4), 2 * muldiv(377, 12, 8))  # the template's 339 x 377
            if size != expected:
                raise Failure(f"the window is {size} pixels, expected {expected}")
            ox, oy = app.origin(TITLE)
            for (role, name), control in {("push button", "Exit"): "IDC_BUTTON_EXIT",
                                          ("text", "Send Data"): "IDC_SEND_PANE",
                                          ("text", "Remote Host Port"): "IDC_REMOTE_PORT"}.items():
                x, y, w, h = control_rect("main", control)
                got = app.ui.extents(app.ui.find(app.main, role, name))
                if got != (ox // 2 + x, oy // 2 + y, w, h):
                    raise Failure(f"{name!r} at {got}, the template says {(ox // 2 + x, oy // 2 + y, w, h)}")
            wait_equal("the send pane", lambda: app.pane("Send Data"), dump(START_BUFFER))
        with step("connected-at-200", app.window_id(TITLE)):
            peer = Peer("TCP4-LISTEN:5012,bind=127.0.0.1,reuseaddr", "STDIO")
            try:
                wait_for("the peer listens", lambda: (listening(5012), None))
                connect_client(app, 5012)
                app.click("IDC_BUTTON_SEND")
                peer.wait_received("the bytes the peer received", START_BUFFER)
                peer.send(b"scaled")
                wait_equal("the receive count", app.count, "6")
            finally:
                peer.stop()
            app.expect_status("Ready")
        app.exit_confirmed()
    finally:
        app.stop()


def tree(d, binary, step):
    """Prints the main window's accessibility tree (run by name, for writing new steps)."""
    app = App(d, binary)
    try:
        for acc in app.ui.walk(app.main):
            states = [s.value_nick for s in acc.get_state_set().get_states()]
            try:
                text = app.ui.text(acc)
            except Exception:
                text = None
            print(f"  {acc.get_role_name():12} {acc.get_name()!r:28} {text!r:.40} "
                  f"{app.ui.extents(acc)} {' '.join(states)}")
    finally:
        app.stop()


# ------------------------------------------------------------------ main --

def isolate_network():
    """Only lo exists here: bring it up with routes for multicast and the
    limited broadcast, and make sure nothing can leave."""
    links = run("ip", "-o", "link", "show").stdout.split("\n")
    names = [line.split(":")[1].strip() for line in links if line.strip()]
    if names != ["lo"]:
        raise SystemExit(f"refusing to run outside a private network namespace (links: {names})")
    run("ip", "link", "set", "lo", "up")
    run("ip", "route", "add", "224.0.0.0/4", "dev", "lo")
    run("ip", "route", "add", "255.255.255.255/32", "dev", "lo")
    if run("ip", "route", "get", "10.1.0.1", check=False).returncode == 0:
        raise SystemExit("10.1.0.1 is reachable from the test namespace")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", required=True)
    parser.add_argument("--out", required=True)
    parser.add_argument("only", nargs="*", help="scenarios to run (default: all)")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    isolate_network()
    chosen = [s for s in SCENARIOS + [tree] if s.__name__ in args.only] if args.only else SCENARIOS
    started = time.monotonic()
    desktop = Desktop(args.out, "2560x1600x24")
    passed, failed = [], []
    try:
        for function in chosen:
            print(f"--- {function.__name__}", flush=True)
            t0 = time.monotonic()
            try:
                function(desktop, args.binary, Steps(desktop, function.__name__))
                passed.append(function.__name__)
                print(f"PASS {function.__name__} ({time.monotonic() - t0:.1f} s)", flush=True)
            except Failure as failure:
                failed.append((function.__name__, str(failure)))
                print(f"FAIL {function.__name__}: {failure}", flush=True)
            except Exception:
                path = desktop.shot(function.__name__ + "-ERROR")
                failed.append((function.__name__, traceback.format_exc() + f"(screenshot {path})"))
                print(f"FAIL {function.__name__}:\n{failed[-1][1]}", flush=True)
    finally:
        desktop.close()
    print(f"\nend-to-end: {time.monotonic() - started:.0f} s, screenshots in {args.out}")
    for name, why in failed:
        print(f"  FAILED {name}: {why}")
    print(f"{len(passed)} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(main())
