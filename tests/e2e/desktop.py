"""Drives the real program under X: starts it, finds its window, clicks with the real pointer,
and reads the page through the engine's remote-debugging endpoint on the loopback interface."""

import base64
import json
import os
import shutil
import socket
import struct
import subprocess
import sys
import time
import urllib.request

from Xlib import X, display, protocol
from Xlib.ext import shape
from Xlib.xobject.drawable import Window


class DevTools:
    """A minimal client of the page's debugging socket: evaluates expressions in the page."""

    def __init__(self, port, timeout=30):
        deadline = time.time() + timeout
        url = None
        while time.time() < deadline and url is None:
            try:
                with urllib.request.urlopen(f"http://127.0.0.1:{port}/json", timeout=2) as r:
                    pages = [t for t in json.load(r) if t.get("type") == "page"]
                    if pages:
                        url = pages[0]["webSocketDebuggerUrl"]
            except OSError:
                time.sleep(0.2)
        if url is None:
            raise RuntimeError("no page to debug")
        host_port, path = url[len("ws://") :].split("/", 1)
        host, ws_port = host_port.split(":")
        self.sock = socket.create_connection((host, int(ws_port)), timeout=10)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(
            (
                f"GET /{path} HTTP/1.1\r\nHost: {host_port}\r\nUpgrade: websocket\r\n"
                f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                "Sec-WebSocket-Version: 13\r\n\r\n"
            ).encode()
        )
        response = b""
        while b"\r\n\r\n" not in response:
            response += self.sock.recv(4096)
        if b" 101 " not in response.split(b"\r\n", 1)[0]:
            raise RuntimeError("websocket upgrade refused")
        self.buffer = response.split(b"\r\n\r\n", 1)[1]
        self.next_id = 1

    def _send(self, text):
        payload = text.encode()
        header = bytearray([0x81])
        if len(payload) < 126:
            header.append(0x80 | len(payload))
        else:
            header.append(0x80 | 126)
            header += struct.pack(">H", len(payload))
        mask = os.urandom(4)
        header += mask
        self.sock.sendall(bytes(header) + bytes(b ^ mask[i % 4] for i, b in enumerate(payload)))

    def _read_exact(self, n):
        while len(self.buffer) < n:
            chunk = self.sock.recv(65536)
            if not chunk:
                raise RuntimeError("debugging socket closed")
            self.buffer += chunk
        data, self.buffer = self.buffer[:n], self.buffer[n:]
        return data

    def _receive(self):
        first, second = self._read_exact(2)
        length = second & 0x7F
        if length == 126:
            length = struct.unpack(">H", self._read_exact(2))[0]
        elif length == 127:
            length = struct.unpack(">Q", self._read_exact(8))[0]
        return first & 0x0F, self._read_exact(length)

    def evaluate(self, expression):
        request_id = self.next_id
        self.next_id += 1
        self._send(
            json.dumps(
                {
                    "id": request_id,
                    "method": "Runtime.evaluate",
                    "params": {"expression": expression, "returnByValue": True},
                }
            )
        )
        while True:
            opcode, data = self._receive()
            if opcode != 1:
                continue
            message = json.loads(data)
            if message.get("id") == request_id:
                result = message.get("result", {})
                if "exceptionDetails" in result:
                    raise RuntimeError(f"page script failed: {result['exceptionDetails']}")
                return result.get("result", {}).get("value")

    def wait_for(self, expression, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            try:
                if self.evaluate(expression):
                    return True
            except (OSError, RuntimeError):
                pass
            time.sleep(0.1)
        return False


_display = None


def shared_display():
    """One connection for the whole test process: a server that sees its last client leave
    resets itself, and a program started during that reset cannot connect."""
    global _display
    if _display is None:
        _display = display.Display()
    return _display


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# The layout of the settings file, "quorvan.set".
SETTINGS_FORMAT = "<9iI10sI9s4iI"


def copy_course(source, workdir, speed=2, pause=1, repeat=1, speak_chinese=1):
    """A copy of the course `source` in `workdir` with these settings; returns its folder."""
    course = os.path.join(workdir, "course")
    shutil.copytree(source, course)
    with open(os.path.join(course, "quorvan.set"), "wb") as f:
        f.write(
            struct.pack(
                SETTINGS_FORMAT,
                speed,
                pause,
                repeat,
                1,
                1,
                1,
                0,
                1,
                speak_chinese,
                10,
                b"merlin.acs",
                9,
                b"Genie.acs",
                0,
                0,
                0,
                0,
                4,
            )
        )
    return course


class Program:
    """The real program, started in a course folder with remote debugging on the loopback."""

    # The main window's command buttons, left to right as its layout places them.
    BUTTONS = ("跟读", "重复", "听写", "上一句", "下一句", "朗读", "停止", "我来说")

    def __init__(self, executable, course_dir, arguments=(), environment=None, stderr=None):
        """`stderr`: a file that receives the program's standard error (by default discarded)."""
        self.display = shared_display()
        self.port = free_port()
        env = dict(environment or os.environ)
        env["QTWEBENGINE_REMOTE_DEBUGGING"] = f"127.0.0.1:{self.port}"
        env.pop("QT_QPA_PLATFORM", None)
        if os.geteuid() == 0:
            env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--no-sandbox"
        self.process = subprocess.Popen(
            [executable, *arguments],
            cwd=course_dir,
            env=env,
            stdout=subprocess.DEVNULL,
            stderr=stderr or subprocess.DEVNULL,
        )
        try:
            self.window = self._find_window("Quorvan")
            self.page = DevTools(self.port)
        except Exception:
            self.process.kill()
            self.process.wait()
            raise

    def _find_window(self, title, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            found = self._search(self.display.screen().root, title)
            if found is not None:
                return found
            time.sleep(0.1)
        raise RuntimeError(f"no window {title!r} appeared")

    def wait_for_focus(self, window, timeout=10):
        """Waits until `window` (or a window inside it) holds the keyboard focus, so that keys
        typed next reach it rather than the window that had the focus before it was mapped."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            focus = self.display.get_input_focus().focus
            while isinstance(focus, Window) and focus.id != window.id:
                try:
                    parent = focus.query_tree().parent
                except Exception:
                    parent = None
                focus = parent if parent and parent.id != self.display.screen().root.id else None
            if focus is not None:
                return
            time.sleep(0.05)
        raise RuntimeError("the window never took the keyboard focus")

    def _search(self, window, title):
        try:
            children = window.query_tree().children
        except Exception:  # the window went away while we looked
            return None
        for child in children:
            try:
                if self._title(child) == title and child.get_attributes().map_state == X.IsViewable:
                    return child
            except Exception:
                continue
            found = self._search(child, title)
            if found is not None:
                return found
        return None

    def _title(self, window):
        """The UTF-8 title: the Latin-1 one is empty for a Chinese title."""
        name = window.get_full_property(self.display.intern_atom("_NET_WM_NAME"), X.AnyPropertyType)
        return name.value.decode("utf-8", "replace") if name else window.get_wm_name()

    def window_origin(self):
        geometry = self.window.get_geometry()
        origin = self.window.translate_coords(self.display.screen().root, 0, 0)
        return -origin.x, -origin.y, geometry.width, geometry.height

    def element_centre(self, selector):
        """Screen position of the centre of the first element matching `selector`."""
        rect = self.page.evaluate(
            f"(() => {{ const e = document.querySelector({json.dumps(selector)});"
            " e.scrollIntoView({block: 'center', inline: 'center'});"
            " const r = e.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()"
        )
        x, y, _, _ = self.window_origin()
        view_x, view_y = self.view_offset()
        return int(x + view_x + rect[0] + rect[2] / 2), int(y + view_y + rect[1] + rect[3] / 2)

    def click(self, selector, button="1"):
        """Moves the pointer onto the first element matching `selector` and clicks it."""
        self.click_at(*self.element_centre(selector), button)

    def open_lesson(self, timeout=30):
        """From the cover to the first lesson of the contents; true once its line 1 is current."""
        # The page's own link moves when the cover is built around it: click the built one.
        if not self.page.wait_for("document.body.innerText.includes('欢迎进入')", timeout):
            return False
        self.click(".folder")
        if not self.page.wait_for("document.querySelector('.file') !== null", timeout):
            return False
        self.click(".file")
        return self.page.wait_for(
            "(() => { const l = document.getElementById('line1'); if (!l) return false;"
            " const s = getComputedStyle(l); return s.color === 'rgb(255, 0, 0)' &&"
            " s.fontWeight === '700'; })()",
            timeout,
        )

    def button_centre(self, caption):
        """Screen position of the centre of the main window's command button `caption`. The
        buttons keep their template size in dialog units; the window at its template size
        (466 x 201 units) tells how large a unit is."""
        x, y, width, height = self.window_origin()
        unit_x = next((u for u in range(1, 64) if (466 * u + 2) // 4 == width), None)
        unit_y = next((u for u in range(1, 128) if (201 * u + 4) // 8 == height), None)
        if unit_x is None or unit_y is None:
            raise RuntimeError(f"the main window is not at its template size: {width} x {height}")
        w, h = (50 * unit_x + 2) // 4, (14 * unit_y + 4) // 8
        row = len(self.BUTTONS) * (w + 6)
        left = max((width - row) // 2, 10) + self.BUTTONS.index(caption) * (w + 6)
        return x + left + w // 2, y + height - 30 + h // 2

    def press(self, caption):
        """Clicks the main window's command button `caption`; returns the wall clock just
        before the click."""
        return self.click_at(*self.button_centre(caption))

    def click_at(self, x, y, button="1", into=None):
        """Clicks the screen point (x, y) once no other window of the program covers it: a
        character gliding past would take the click. `into` is the program's own window the
        click is meant for (a dialog), if not the main window. Returns the wall clock just
        before the click."""
        deadline = time.time() + 10
        while any(
            self._covers(window, x, y)
            for window in self.own_windows()
            if into is None or window.id != into.id
        ):
            if time.time() > deadline:
                raise RuntimeError(f"a window of the program covers ({x}, {y})")
            time.sleep(0.1)
        self.pointer("mousemove", "--sync", str(x), str(y))
        clicked = time.time()
        self.pointer("click", button)
        return clicked

    def _covers(self, window, x, y):
        try:
            left, top = self.screen_position(window)
            rectangles = window.shape_get_rectangles(shape.SK.Bounding).rectangles
        except Exception:
            return False
        return any(
            left + r.x <= x < left + r.x + r.width and top + r.y <= y < top + r.y + r.height
            for r in rectangles
        )

    def view_offset(self):
        # The lesson view sits 3 pixels below the top of the client area, at the left edge when
        # the mouth picture is off.
        return 0, 3

    def pointer(self, *args):
        subprocess.run(["xdotool", *args], check=True)

    def popup_windows(self):
        """Mapped override-redirect windows (menus) on the screen."""
        result = []
        for child in self.display.screen().root.query_tree().children:
            attributes = child.get_attributes()
            if attributes.map_state == X.IsViewable and attributes.override_redirect:
                result.append(child.get_geometry())
        return result

    def close(self, timeout=30):
        """Asks the window to close, as a window manager's close button does."""
        protocols = self.display.intern_atom("WM_PROTOCOLS")
        delete = self.display.intern_atom("WM_DELETE_WINDOW")
        event = protocol.event.ClientMessage(
            window=self.window, client_type=protocols, data=(32, [delete, X.CurrentTime, 0, 0, 0])
        )
        self.window.send_event(event)
        self.display.flush()
        return self.process.wait(timeout=timeout)

    def own_windows(self):
        """Mapped top-level windows of this program other than the main window, also inside the
        frames a window manager puts them in."""
        pid_atom = self.display.intern_atom("_NET_WM_PID")
        result = []

        def search(windows, depth):
            for child in windows:
                try:
                    if child.id == self.window.id:
                        continue
                    pid = child.get_full_property(pid_atom, X.AnyPropertyType)
                    if pid is None:
                        if depth == 0:
                            search(child.query_tree().children, 1)
                        continue
                    if (
                        pid.value[0] == self.process.pid
                        and child.get_attributes().map_state == X.IsViewable
                    ):
                        result.append(child)
                except Exception:  # the window went away while we looked
                    continue

        search(self.display.screen().root.query_tree().children, 0)
        return result

    def frame(self, window=None):
        """The top-level window that holds `window` (the main window by default): the window
        manager's frame around it, or the window itself without a window manager."""
        window = window or self.window
        root = self.display.screen().root
        while True:
            parent = window.query_tree().parent
            if parent.id == root.id:
                return window
            window = parent

    def screen_position(self, window):
        origin = window.translate_coords(self.display.screen().root, 0, 0)
        return -origin.x, -origin.y

    def window_pixels(self, window):
        """(width, height, BGRX bytes) of what `window` shows."""
        geometry = window.get_geometry()
        image = window.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
        return geometry.width, geometry.height, image.data

    def screen_pixels(self):
        """(width, height, BGRX bytes) of the screen over the main window: what the learner sees
        there, characters and balloons included, which the window's own image leaves black."""
        x, y, width, height = self.window_origin()
        image = self.display.screen().root.get_image(x, y, width, height, X.ZPixmap, 0xFFFFFFFF)
        return width, height, image.data

    def screenshot(self, path):
        """Saves what the main window shows as a PNG."""
        geometry = self.window.get_geometry()
        image = self.window.get_image(0, 0, geometry.width, geometry.height, X.ZPixmap, 0xFFFFFFFF)
        write_png(path, geometry.width, geometry.height, image.data)

    def kill(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        self.page.sock.close()


def read_speech_log(folder):
    """The utterances the program's --speech-log has written to `folder` so far, oldest first;
    a line still being written is left out."""
    try:
        with open(os.path.join(folder, "speech.jsonl"), encoding="utf-8") as lines:
            return [json.loads(line) for line in lines if line.endswith("\n")]
    except FileNotFoundError:
        return []


def course_test_arguments():
    """Takes PROGRAM COURSE [SCREENSHOT_DIR] off the command line, leaving unittest's own, and
    gives them as absolute paths (the screenshot folder made, or None)."""
    executable = os.path.abspath(sys.argv.pop(1))
    course = os.path.abspath(sys.argv.pop(1))
    screenshots = None
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        screenshots = os.path.abspath(sys.argv.pop(1))
        os.makedirs(screenshots, exist_ok=True)
    return executable, course, screenshots


def write_png(path, width, height, bgrx):
    """Writes 32-bit BGRX pixels as an RGB PNG."""
    import zlib

    rows = bytearray()
    for y in range(height):
        rows.append(0)
        line = bgrx[y * width * 4 : (y + 1) * width * 4]
        for x in range(width):
            rows += bytes((line[4 * x + 2], line[4 * x + 1], line[4 * x]))

    def chunk(kind, data):
        return (
            struct.pack(">I", len(data))
            + kind
            + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)
        )

    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)))
        f.write(chunk(b"IDAT", zlib.compress(bytes(rows), 6)))
        f.write(chunk(b"IEND", b""))
