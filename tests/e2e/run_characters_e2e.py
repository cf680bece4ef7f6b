"""End-to-end test of the characters: the real program under X shows role 1's character at the
screen's centre, glides it beside the main window, shapes its window to the drawing, and takes it
away on close. Usage: run_characters_e2e.py PATH_TO_QUORVAN (needs an X display)."""

import os
import sys
import tempfile
import time
import unittest

from Xlib.ext import shape

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_e2e  # noqa: E402
from desktop import Program  # noqa: E402

EXECUTABLE = None
MAIN_RECT = (100, 120, 900, 720)


class CharacterTest(unittest.TestCase):
    def setUp(self):
        self.course = tempfile.TemporaryDirectory()
        with open(os.path.join(self.course.name, "cntindex.idx"), "wb"):
            pass
        with open(os.path.join(self.course.name, "quorvan.set"), "wb") as f:
            f.write(run_e2e.settings_bytes(MAIN_RECT))
        self.program = None

    def tearDown(self):
        if self.program:
            self.program.kill()
        self.course.cleanup()

    def test_character_appears_at_centre_glides_beside_the_window_and_goes_on_close(self):
        self.program = Program(EXECUTABLE, self.course.name)
        screen = self.program.display.screen()
        centre = (screen.width_in_pixels // 2, screen.height_in_pixels // 2)
        target = (MAIN_RECT[2] - 100, MAIN_RECT[1])

        positions = []
        character = None
        deadline = time.time() + 20
        while time.time() < deadline:
            windows = self.program.own_windows()
            if windows:
                character = windows[0]
                positions.append(self.program.screen_position(character))
                if positions[-1] == target:
                    break
            time.sleep(0.03)
        self.assertIsNotNone(character, "no character window appeared")
        self.assertLessEqual(
            abs(positions[0][0] - centre[0]) + abs(positions[0][1] - centre[1]), 40, positions[0]
        )
        self.assertEqual(positions[-1], target, positions[-10:])
        # A glide, not a jump: it passed through places between the two.
        between = [p for p in positions if p != positions[0] and p != target]
        self.assertGreaterEqual(len(between), 3, positions)

        # The window is shaped to the drawing and shows it.
        geometry = character.get_geometry()
        rectangles = character.shape_get_rectangles(shape.SK.Bounding).rectangles
        area = sum(r.width * r.height for r in rectangles)
        self.assertGreater(area, geometry.width * geometry.height // 10)
        self.assertLess(area, geometry.width * geometry.height)
        width, height, pixels = self.program.window_pixels(character)
        colours = {pixels[i : i + 3] for i in range(0, len(pixels), 4 * 7)}
        self.assertGreater(len(colours), 8)

        self.assertEqual(self.program.close(), 0)
        self.assertEqual(self.program.own_windows(), [])


if __name__ == "__main__":
    EXECUTABLE = sys.argv.pop(1)
    run_e2e.EXECUTABLE = EXECUTABLE
    unittest.main()
