"""End-to-end test of the settings: the real program on a copy of the sample course, its settings
dialog worked with the real pointer and keys, the file it leaves, and the speed the voice then
speaks at, read from the speech log.
Usage: run_settings_e2e.py PATH_TO_QUORVAN PATH_TO_BUILT_COURSE [SCREENSHOT_DIR]"""

import os
import shutil
import struct
import sys
import tempfile
import time
import unittest
import wave

from Xlib import X, error

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, course_test_arguments, read_speech_log, write_png  # noqa: E402
from run_e2e import SETTINGS_FORMAT  # noqa: E402

EXECUTABLE = None
COURSE = None
SCREENSHOTS = None

# Line 4 of the first lesson, after its speaker's name: role 1 speaks it in English.
LINE = "#line4"
TEXT = "Good morning. How are you today?"

# Rectangles of the settings dialog's controls in dialog units (x, y, width, height).
DIALOG_SIZE = (294, 128)
OK = (237, 7, 50, 14)
COPYRIGHT = (237, 64, 50, 14)
SPEED = (49, 45, 59, 12)  # closed: as high as an edit
REPLAY = (158, 46, 46, 12)
PAUSE = (49, 68, 39, 12)
SPEEDS = ("低", "较低", "中", "较高", "高")


class SettingsDialog:
    """The open settings dialog: where its controls are on the screen, and working them."""

    def __init__(self, program):
        self.program = program
        self.window = program._find_window("Dialog", timeout=10)
        program.wait_for_focus(self.window)
        geometry = self.window.get_geometry()
        # The dialog is its template's size; that size tells how large a unit is.
        self.unit_x = next(
            (u for u in range(1, 64) if (DIALOG_SIZE[0] * u + 2) // 4 == geometry.width), None
        )
        self.unit_y = next(
            (u for u in range(1, 128) if (DIALOG_SIZE[1] * u + 4) // 8 == geometry.height), None
        )
        if self.unit_x is None or self.unit_y is None:
            raise RuntimeError(
                f"the dialog is not at its template size: {geometry.width} x " f"{geometry.height}"
            )

    def centre(self, rect):
        left, top = self.program.screen_position(self.window)
        x, y, width, height = rect
        return (
            left + (x * self.unit_x + 2) // 4 + (width * self.unit_x + 2) // 8,
            top + (y * self.unit_y + 4) // 8 + (height * self.unit_y + 4) // 16,
        )

    def click(self, rect):
        self.program.click_at(*self.centre(rect), into=self.window)

    def type_into(self, rect, text):
        """Replaces an edit's text as a learner does: a click into it, select all, type."""
        self.click(rect)
        self.program.pointer("key", "ctrl+a")
        self.program.pointer("type", text)

    def choose_speed(self, name):
        """Opens the speed list with a click and clicks the item `name` in it."""
        before = len(self.program.popup_windows())
        self.click(SPEED)
        lists = wait_until(
            lambda: self.program.popup_windows()[before:], "the speed list did " "not open"
        )
        items = lists[-1]
        row = items.height / len(SPEEDS)
        self.program.pointer(
            "mousemove",
            "--sync",
            str(items.x + items.width // 2),
            str(int(items.y + row * (SPEEDS.index(name) + 0.5))),
        )
        self.program.pointer("click", "1")
        wait_until(lambda: len(self.program.popup_windows()) == before, "the speed list stayed")

    def wait_closed(self):
        wait_until(lambda: closed(self.window), "the dialog stayed open")


def closed(window):
    try:
        return window.get_attributes().map_state != X.IsViewable
    except error.BadWindow:  # the program destroys its dialogs once they are done
        return True


def wait_painted(program, window):
    """Waits until the window shows its own grey face and stands still: until then, X shows what
    lay beneath it."""

    def still():
        width, _, first = program.window_pixels(window)
        time.sleep(0.1)
        _, _, second = program.window_pixels(window)
        corner = 4 * (2 * width + 2)
        blue, green, red = first[corner : corner + 3]
        return first == second and blue == green == red

    wait_until(still, "the window was not painted")


def wait_until(condition, message, timeout=10):
    deadline = time.time() + timeout
    while time.time() < deadline:
        result = condition()
        if result:
            return result
        time.sleep(0.05)
    raise AssertionError(message)


class SettingsTest(unittest.TestCase):
    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.course = os.path.join(self.workdir.name, "course")
        shutil.copytree(COURSE, self.course)
        self.program = None
        self.runs = 0

    def tearDown(self):
        if self.program:
            self.program.kill()
        self.workdir.cleanup()

    def start(self):
        """Starts the program with a fresh speech log and opens lesson 1."""
        self.runs += 1
        self.log = os.path.join(self.workdir.name, f"speech{self.runs}")
        self.program = Program(EXECUTABLE, self.course, ["--speech-log", self.log])
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")

    def spoken_seconds(self):
        """Clicks the line and gives how long its English sounds, from the speech log."""
        page = self.program.page
        self.assertTrue(page.wait_for(f"document.querySelector('{LINE}') !== null"))
        before = len(self.utterances())
        self.program.click(LINE)
        # Off the page, so the pointer rests on no line.
        self.program.pointer("mousemove", "--sync", "0", "0")
        line = wait_until(
            lambda: next(
                (u for u in self.utterances()[before:] if u["text"].strip() == TEXT), None
            ),
            "the line was not spoken",
            timeout=40,
        )
        self.assertFalse(line["purged"], line)
        with wave.open(os.path.join(self.log, line["wav"])) as sound:
            return sound.getnframes() / sound.getframerate()

    def utterances(self):
        return read_speech_log(self.log)

    def open_settings(self):
        """Right-click on the page, then the menu's one item with the keys."""
        program = self.program
        x, y, _, _ = program.window_origin()
        before = len(program.popup_windows())
        program.click_at(x + 10, y + 60, "3")
        wait_until(lambda: len(program.popup_windows()) > before, "no menu on a right-click")
        program.pointer("key", "Down", "Return")
        return SettingsDialog(program)

    def screenshot(self, window, name):
        wait_painted(self.program, window)
        if SCREENSHOTS:
            write_png(os.path.join(SCREENSHOTS, name), *self.program.window_pixels(window))

    def stored(self):
        with open(os.path.join(self.course, "quorvan.set"), "rb") as f:
            return struct.unpack(SETTINGS_FORMAT, f.read())

    def test_dialog_choices_are_applied_stored_and_used_at_the_next_start(self):
        self.start()
        normal = self.spoken_seconds()

        dialog = self.open_settings()
        self.screenshot(dialog.window, "settings-dialog.png")
        dialog.click(COPYRIGHT)
        copyright_page = self.program._find_window("版权页", timeout=10)
        self.screenshot(copyright_page, "copyright-page.png")
        self.program.pointer("key", "Return")
        wait_until(lambda: closed(copyright_page), "the copyright page stayed open")

        dialog.type_into(REPLAY, "3")
        dialog.type_into(PAUSE, "4")
        dialog.choose_speed("低")
        dialog.click(OK)
        dialog.wait_closed()
        slow = self.spoken_seconds()

        # Other values, then Escape: none of them may stay.
        dialog = self.open_settings()
        dialog.type_into(REPLAY, "7")
        dialog.type_into(PAUSE, "9")
        dialog.choose_speed("高")
        self.program.pointer("key", "Escape")
        dialog.wait_closed()

        self.assertEqual(self.program.close(), 0)
        self.program = None
        # Speed, pause, replay count; the switches and the characters as they were.
        self.assertEqual(
            self.stored()[:13], (0, 4, 3, 1, 1, 1, 0, 1, 1, 10, b"merlin.acs", 9, b"Genie.acs")
        )

        self.start()
        slow_after_start = self.spoken_seconds()
        print(
            f"line 4: {normal:.2f} s at 中, {slow:.2f} s at 低 after OK "
            f"({slow / normal:.2f} x), {slow_after_start:.2f} s at 低 after a new start "
            f"({slow_after_start / normal:.2f} x)",
            file=sys.stderr,
        )
        # Rate -10 is a third of the normal pace; pauses and the engine's own timing blur that.
        for seconds in (slow, slow_after_start):
            self.assertGreater(seconds, 2.2 * normal)
            self.assertLess(seconds, 3.8 * normal)


if __name__ == "__main__":
    EXECUTABLE, COURSE, SCREENSHOTS = course_test_arguments()
    unittest.main(verbosity=2)
