"""Runs the program under Wine in a fresh virtual desktop and talks to the test
driver (driver.cpp) over its line protocol.

Paths come from the environment that ctest sets: CORVANEL_EXE, CORVANEL_GUI_DRIVER,
CORVANEL_WINE_RUN, CORVANEL_WINE_STATE. Every wait is a poll with a bound; every
process started here is ended here, also when a test fails.
"""
import itertools
import os
import signal
import struct
import subprocess
import time
import zlib

EXE = os.environ.get("CORVANEL_EXE", "")
DRIVER = os.environ.get("CORVANEL_GUI_DRIVER", "")
WINE_RUN = os.environ.get("CORVANEL_WINE_RUN", "")
WINE_STATE = os.environ.get("CORVANEL_WINE_STATE", "")

# Bounds, not delays: a wait ends as soon as its condition holds. A Wine process started on a
# machine busy with builds (a load of 20 on 2 cores) took longer than 20 s to show its effect.
WAIT_SECONDS = 90
MAIN_CLASS = "CorvanelMainWindow"
HOME_PAGE_LABEL, RESOLVE_BUTTON, LINK_BOX, PROMPT_LABEL = 101, 102, 103, 104


def windows_path(path):
    """The Wine drive Z: is the Unix root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def gbk(text):
    return text.encode("gbk")


def hexed(data):
    return data.hex() if data else "-"


def unhexed(word):
    return b"" if word == "-" else bytes.fromhex(word)


class Timeout(AssertionError):
    pass


def wait_for(what, probe, seconds=WAIT_SECONDS):
    """Polls probe() until it returns something true and returns that."""
    deadline = time.monotonic() + seconds
    delay = 0.01
    while True:
        value = probe()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Timeout("gave up waiting for " + what)
        time.sleep(delay)
        delay = min(delay * 2, 0.2)


def wine(*args, **popen_args):
    return subprocess.Popen([WINE_RUN, WINE_STATE, *args], start_new_session=True, **popen_args)


def end_process(proc, seconds=10):
    """Waits for a process to end by itself, then kills its whole group."""
    try:
        proc.wait(timeout=seconds)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()


class DriverError(AssertionError):
    pass


class Driver:
    def __init__(self):
        self.proc = wine(windows_path(DRIVER), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                         stderr=subprocess.DEVNULL)

    def raw(self, *words):
        line = " ".join(str(w) for w in words)
        self.proc.stdin.write((line + "\n").encode("ascii"))
        self.proc.stdin.flush()
        answer = self.proc.stdout.readline().decode("ascii").split()
        if not answer:
            raise DriverError("driver ended during: " + line)
        return answer

    def __call__(self, *words):
        """One command; its answer's words after "ok"."""
        answer = self.raw(*words)
        if answer[0] != "ok":
            raise DriverError(" ".join(map(str, words)) + ": " + " ".join(answer))
        return answer[1:]

    def close(self):
        if self.proc.poll() is None:
            try:
                self.proc.stdin.write(b"quit\n")
                self.proc.stdin.close()
            except OSError:
                pass
        end_process(self.proc)
        self.proc.stdout.close()


class Window:
    """Geometry helpers over the driver's answers."""

    def __init__(self, driver, hwnd):
        self.d, self.hwnd = driver, hwnd

    def rect(self):
        return tuple(int(v) for v in self.d("rect", self.hwnd))

    def client(self):
        return tuple(int(v) for v in self.d("client", self.hwnd))

    def text(self):
        return unhexed(self.d("text", self.hwnd)[0])

    def style(self):
        style, exstyle = self.d("style", self.hwnd)
        return int(style, 16), int(exstyle, 16)

    def class_name(self):
        return self.d("class", self.hwnd)[0]

    def state(self):
        exists, visible, enabled = (v == "1" for v in self.d("state", self.hwnd))
        return exists, visible, enabled


_desktops = itertools.count(1)


class Program:
    """corvanel.exe in a virtual desktop of its own, with a driver attached to it."""

    def __init__(self, clipboard=None, proxy=None):
        """clipboard: CF_TEXT bytes on the clipboard when the program starts; empty when None.
        proxy: host:port of the proxy the program's requests go through (its http_proxy)."""
        self.desktop = "corvanel%d_%d" % (os.getpid(), next(_desktops))
        self.d = Driver()
        self.explorer = None
        self.pid = None
        try:
            if clipboard is None:
                self.d("setclip", "empty")
            else:
                self.set_clipboard_text(clipboard)
            env = dict(os.environ, http_proxy="http://" + proxy) if proxy else None
            self.explorer = wine("explorer.exe", "/desktop=%s,1024x768" % self.desktop, windows_path(EXE),
                                 stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, env=env)
            wait_for("the desktop", lambda: self.d.raw("attach", self.desktop)[0] == "ok")
            hwnd = wait_for("the main window", self._visible_main_window)
            self.tid, self.pid = (int(v) for v in self.d("thread", hwnd))
            self.main = Window(self.d, hwnd)
            self.controls = {i: Window(self.d, self.d("child", hwnd, i)[0])
                             for i in (HOME_PAGE_LABEL, RESOLVE_BUTTON, LINK_BOX, PROMPT_LABEL)}
            wait_for("the first activation", lambda: self.focus() == self.controls[LINK_BOX].hwnd)
        except BaseException:
            self.close()
            raise

    def _visible_main_window(self):
        hwnd = self.d("find", MAIN_CLASS)[0]
        return hwnd if hwnd != "0" and self.d("state", hwnd)[1] == "1" else None

    def close(self):
        try:
            if self.pid:
                self.d("kill", self.pid)
            self.d.close()
        finally:
            # The program runs in the process group of the desktop's explorer:
            # should the driver have failed to end it, this does.
            if self.explorer:
                end_process(self.explorer)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # -- what the program shows ------------------------------------------

    def control(self, ident):
        return self.controls[ident]

    def focus(self):
        return self.d("focus", self.tid)[0]

    def active(self):
        return self.d("focus", self.tid)[1]

    def alive(self):
        return self.d("alive", self.pid) == ["1"]

    def sync(self):
        """Returns once the program has handled everything sent to it before."""
        self.d("sync", self.main.hwnd)

    def dialogs(self):
        return self.d("dialogs", self.tid)

    def message_box(self):
        return wait_for("a message box", lambda: self.dialogs() and self.dialogs()[0])

    def message_box_contents(self, box):
        """(title, static texts, button texts, icon) of a message box."""
        statics, buttons = [], []
        for entry in self.d("children", box):
            hwnd, _ident, cls, _style = entry.split(":")
            text = Window(self.d, hwnd).text()
            if cls == "Static" and text:
                statics.append(text)
            elif cls == "Button":
                buttons.append(text)
        return Window(self.d, box).text(), statics, buttons, self.d("boxicon", box)[0]

    def press_ok(self, box):
        ok_button = self.d("child", box, 1)[0]  # IDOK
        self.d("post", ok_button, 0x00F5, 0, 0)  # BM_CLICK
        wait_for("the message box to close", lambda: box not in self.dialogs())

    def clipboard(self):
        """CF_TEXT bytes, or None when the clipboard holds no text."""
        value = self.d("clip")[0]
        return None if value == "none" else unhexed(value)

    def set_clipboard_text(self, data):
        self.d("setclip", "text", hexed(data))

    def activate(self, hwnd):
        self.d("activate", hwnd)
        wait_for("activation", lambda: self.d("focus", self.tid)[2] == hwnd)

    def key(self, name):
        """Real keyboard input to the active window."""
        self.d("key", name)

    def capture(self, rect, path):
        """Screen pixels of rect (left, top, right, bottom) as rows of (r, g, b)."""
        self.d("capture", *rect, windows_path(path))
        return read_bmp(path)


def read_bmp(path):
    with open(path, "rb") as f:
        data = f.read()
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _planes, bits = struct.unpack_from("<iiHH", data, 18)
    assert bits == 24
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride: offset + y * stride + width * 3]
        rows.append([(row[x + 2], row[x + 1], row[x]) for x in range(0, width * 3, 3)])
    return rows


def write_png(path, rows):
    raw = b"".join(b"\0" + bytes(c for pixel in row for c in pixel) for row in rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9))
                + chunk(b"IEND", b""))
