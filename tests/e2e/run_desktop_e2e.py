"""End-to-end test of the tutor on a desktop, under a window manager (openbox) and without one:
the main window keeps its frame over restarts, Esc stops the study but never closes the tutor,
minimising takes the characters and balloons along, characters and balloons stay in the free area
of the screen, and the balloon's window is shaped to the balloon.
Usage: run_desktop_e2e.py PATH_TO_QUORVAN PATH_TO_BUILT_COURSE [SCREENSHOT_DIR] [unittest options]
With QT_SCALE_FACTOR set, the program runs at that scale."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

from Xlib import X, Xatom, Xutil, protocol
from Xlib.ext import shape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, course_test_arguments, read_speech_log, shared_display  # noqa: E402
from run_e2e import settings_bytes, stored_rect  # noqa: E402

EXECUTABLE = None
COURSE = None
SCREENSHOTS = None

PANEL_HEIGHT = 40


def wait_until(condition, message, timeout=20):
    deadline = time.time() + timeout
    while time.time() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(0.1)
    raise AssertionError(message)


def root_property(name):
    display = shared_display()
    value = display.screen().root.get_full_property(display.intern_atom(name), X.AnyPropertyType)
    return None if value is None else list(value.value)


class WindowManager:
    """openbox on the test's X server, until stopped."""

    def __init__(self):
        self.process = subprocess.Popen(
            ["openbox", "--sm-disable"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL
        )
        wait_until(lambda: root_property("_NET_SUPPORTING_WM_CHECK"), "openbox did not start")

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        display = shared_display()
        display.screen().root.delete_property(display.intern_atom("_NET_SUPPORTING_WM_CHECK"))
        display.sync()


class TopPanel:
    """A dock along the top of the screen that keeps windows out of its strip, as a desktop's
    panel does."""

    def __init__(self):
        display = shared_display()
        screen = display.screen()
        self.window = screen.root.create_window(
            0,
            0,
            screen.width_in_pixels,
            PANEL_HEIGHT,
            0,
            screen.root_depth,
            background_pixel=screen.black_pixel,
        )
        self.window.change_property(
            display.intern_atom("_NET_WM_WINDOW_TYPE"),
            Xatom.ATOM,
            32,
            [display.intern_atom("_NET_WM_WINDOW_TYPE_DOCK")],
        )
        self.window.change_property(
            display.intern_atom("_NET_WM_STRUT_PARTIAL"),
            Xatom.CARDINAL,
            32,
            [0, 0, PANEL_HEIGHT, 0, 0, 0, 0, 0, 0, screen.width_in_pixels - 1, 0, 0],
        )
        self.window.set_wm_normal_hints(flags=Xutil.USPosition | Xutil.PPosition)
        self.window.map()
        display.sync()
        wait_until(
            lambda: root_property("_NET_WORKAREA")[1] == PANEL_HEIGHT,
            "the window manager did not take the panel's strip off the work area",
        )

    def remove(self):
        self.window.destroy()
        shared_display().sync()


def activate(window):
    """Asks the window manager to bring `window` back and give it the focus, as a task bar does."""
    display = shared_display()
    root = display.screen().root
    event = protocol.event.ClientMessage(
        window=window,
        client_type=display.intern_atom("_NET_ACTIVE_WINDOW"),
        data=(32, [2, X.CurrentTime, 0, 0, 0]),
    )
    root.send_event(event, event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask)
    display.flush()


def copy_course(workdir, rect=(0, 0, 0, 0)):
    course = os.path.join(workdir, "course")
    shutil.copytree(COURSE, course)
    if rect != (0, 0, 0, 0):
        with open(os.path.join(course, "quorvan.set"), "wb") as f:
            f.write(settings_bytes(rect))
    return course


def geometry(window):
    """(x, y, width, height) of `window` on the screen."""
    g = window.get_geometry()
    origin = window.translate_coords(shared_display().screen().root, 0, 0)
    return -origin.x, -origin.y, g.width, g.height


def inside(rect, area):
    x, y, width, height = rect
    left, top, area_width, area_height = area
    return (
        left <= x
        and top <= y
        and x + width <= left + area_width
        and y + height <= top + area_height
    )


class DesktopTest(unittest.TestCase):
    manage = True  # under a window manager

    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.program = None
        self.wm = WindowManager() if self.manage else None

    def tearDown(self):
        if self.program:
            self.program.kill()
        if self.wm:
            self.wm.stop()
        self.workdir.cleanup()

    def start(self, course, arguments=()):
        self.program = Program(EXECUTABLE, course, arguments)
        self.assertTrue(
            self.program.page.wait_for("document.body.innerText.includes('欢迎进入')"),
            "the cover did not show",
        )
        return self.program

    def close(self):
        self.assertEqual(self.program.close(), 0)
        self.program.page.sock.close()
        self.program = None

    def settled_frame(self):
        """The main window's frame once the window manager is done placing it: the same for
        half a second."""
        last = None
        deadline = time.time() + 15
        while time.time() < deadline:
            current = geometry(self.program.frame())
            if current == last:
                return current
            last = current
            time.sleep(0.5)
        self.fail(f"the main window keeps moving: {last}")

    def screenshot(self, name):
        if SCREENSHOTS:
            subprocess.run(
                ["import", "-window", "root", os.path.join(SCREENSHOTS, name)], check=True
            )


class WindowGeometryTest(DesktopTest):
    """Start, close, start again: the frame is where and as large as the learner left it."""

    def five_starts(self):
        course = copy_course(self.workdir.name)
        settings = os.path.join(course, "quorvan.set")
        frames = []
        for run in range(5):
            self.start(course)
            frames.append(self.settled_frame())
            if run == 1:
                # The learner moves and resizes the window; that is what the next starts show.
                scale = int(os.environ.get("QT_SCALE_FACTOR", "1"))
                self.program.pointer(
                    "windowmove", str(self.program.window.id), str(150 * scale), str(130 * scale)
                )
                self.program.pointer(
                    "windowsize", str(self.program.window.id), str(900 * scale), str(520 * scale)
                )
                wait_until(lambda: self.settled_frame() != frames[-1], "the window did not move")
                frames.append(self.settled_frame())
            self.close()
            rect, _ = stored_rect(settings)
            if "QT_SCALE_FACTOR" not in os.environ:
                x, y, width, height = frames[-1]
                self.assertEqual(rect, (x, y, x + width, y + height), "stored: not the frame")
        # The template placement, then the restored one; the learner's choice from then on.
        self.assertEqual(frames[1], frames[0], frames)
        self.assertEqual(frames[3:], [frames[2]] * 3, frames)
        self.assertNotEqual(frames[2], frames[0])

    def test_frame_stays_the_same_over_five_starts_under_a_window_manager(self):
        self.five_starts()

    def test_frame_stays_the_same_over_five_starts_without_a_window_manager(self):
        self.wm.stop()
        self.wm = None
        self.five_starts()


class StudyKeysTest(DesktopTest):
    def test_escape_stops_reading_and_leaves_the_tutor_open(self):
        course = copy_course(self.workdir.name)
        log = os.path.join(self.workdir.name, "speech")
        self.start(course, ["--speech-log", log])
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")
        # With the focus on a button, then in the page.
        for action in (lambda: self.program.press("朗读"), lambda: self.program.click("#line3")):
            before = len(read_speech_log(log))
            action()
            wait_until(lambda: len(read_speech_log(log)) > before, "nothing was read")
            self.program.pointer("key", "Escape")
            # What was being said ends at once. Reading on, the tutor would start the next line
            # after the 2 s pause and log it before the end of the quiet window.
            time.sleep(2)
            stopped = len(read_speech_log(log))
            time.sleep(6)
            self.assertEqual(len(read_speech_log(log)), stopped, "the reading went on after Esc")
            self.assertIsNone(self.program.process.poll(), "Esc closed the tutor")
            self.assertEqual(self.program.window.get_attributes().map_state, X.IsViewable)
        self.close()


class MinimiseTest(DesktopTest):
    def test_minimised_tutor_takes_characters_and_balloons_along(self):
        course = copy_course(self.workdir.name)
        self.start(course)
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")
        wait_until(self.program.own_windows, "no character appeared")
        self.program.press("朗读")
        wait_until(lambda: len(self.program.own_windows()) > 1, "no balloon appeared")
        self.program.pointer("windowminimize", "--sync", str(self.program.window.id))
        # Reading goes on: a balloon of a line started meanwhile must not pop up alone.
        deadline = time.time() + 4
        while time.time() < deadline:
            self.assertEqual(self.program.own_windows(), [], "a window stayed on the screen")
            time.sleep(0.1)
        activate(self.program.window)
        wait_until(self.program.own_windows, "the character did not come back")
        self.close()


class PlacementTest(DesktopTest):
    """A panel at the top and a stored window rectangle from a screen that is no longer there."""

    def setUp(self):
        super().setUp()
        self.panel = TopPanel()

    def tearDown(self):
        self.panel.remove()
        super().tearDown()

    def test_characters_and_balloon_stay_in_the_free_area_and_the_balloon_is_shaped(self):
        area = tuple(root_property("_NET_WORKAREA")[:4])
        course = copy_course(self.workdir.name, (2200, 0, 3000, 500))
        self.start(course)
        self.assertTrue(inside(self.settled_frame(), area), self.settled_frame())
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")
        self.program.press("朗读")
        balloon = None
        deadline = time.time() + 20
        while balloon is None and time.time() < deadline:
            for window in self.program.own_windows():
                if window.get_geometry().height < 150:  # the characters are taller
                    balloon = window
            time.sleep(0.05)
        self.assertIsNotNone(balloon, "no balloon appeared")
        self.screenshot("desktop-balloon.png")
        for window in self.program.own_windows():
            self.assertTrue(inside(geometry(window), area), (geometry(window), area))

        # The balloon's shape leaves out its rounded corners: no black squares without a
        # compositor.
        width, height = balloon.get_geometry().width, balloon.get_geometry().height
        rectangles = balloon.shape_get_rectangles(shape.SK.Bounding).rectangles

        def covered(x, y):
            return any(r.x <= x < r.x + r.width and r.y <= y < r.y + r.height for r in rectangles)

        self.assertTrue(covered(width // 2, height // 2))
        for x, y in ((0, 0), (width - 1, 0), (0, height - 1), (width - 1, height - 1)):
            self.assertFalse(covered(x, y), (x, y, width, height))
        self.close()


if __name__ == "__main__":
    EXECUTABLE, COURSE, SCREENSHOTS = course_test_arguments()
    unittest.main()
