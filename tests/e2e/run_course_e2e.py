"""End-to-end tests on the sample course: a learner's way from the cover to a lesson and back,
with the real program, the real page engine and the real pointer.
Usage: run_course_e2e.py PATH_TO_QUORVAN PATH_TO_BUILT_COURSE [SCREENSHOT_DIR]"""

import os
import shutil
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, course_test_arguments  # noqa: E402

EXECUTABLE = None
COURSE = None
SCREENSHOTS = None


class SampleCourseTest(unittest.TestCase):
    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.course = os.path.join(self.workdir.name, "course")
        shutil.copytree(COURSE, self.course)
        self.program = Program(EXECUTABLE, self.course)
        self.page = self.program.page

    def tearDown(self):
        self.program.kill()
        self.workdir.cleanup()

    def shot(self, name):
        if SCREENSHOTS:
            time.sleep(0.5)
            self.program.screenshot(os.path.join(SCREENSHOTS, name + ".png"))

    def test_from_the_cover_to_a_lesson_section_and_back(self):
        page = self.page
        self.assertTrue(page.wait_for("document.body.innerText.includes('欢迎进入')"))
        self.shot("cover")
        self.program.click(".folder")
        self.assertTrue(
            page.wait_for("document.querySelectorAll('.file').length >= 3"),
            "the contents page does not list the lessons",
        )
        self.assertEqual(
            page.evaluate("document.querySelector('.file').innerText"), "第一课 Greetings"
        )
        self.shot("contents")

        self.program.click(".file")
        self.assertTrue(
            page.wait_for(
                "(() => { const l = document.getElementById('line1'); if (!l) return false;"
                " const s = getComputedStyle(l); return s.color === 'rgb(255, 0, 0)' &&"
                " s.fontWeight === '700'; })()"
            ),
            "line 1 is not shown red and bold",
        )
        first_section = page.evaluate("document.getElementById('line1').innerText")
        self.program.pointer("mousemove", "--sync", "5", "5")
        self.shot("lesson")

        # Section 2 by keyboard in the drop-down list, then "Goto".
        self.program.click("#Select1")
        time.sleep(0.5)
        self.program.pointer("key", "Down", "Return")
        self.assertTrue(page.wait_for("document.getElementById('Select1').selectedIndex === 1"))
        self.program.click("#Goto")
        self.assertTrue(
            page.wait_for(
                "document.getElementById('Select1') !== null &&"
                " document.getElementById('Select1').selectedIndex === 1 &&"
                f" document.getElementById('line1').innerText !== {first_section!r}"
            ),
            "Goto did not show section 2",
        )
        self.assertTrue(page.wait_for("document.querySelector('option[selected]').value === '2'"))

        self.program.click(".folder")
        self.assertTrue(
            page.wait_for(
                "document.querySelectorAll('.file').length >= 3 &&"
                " document.getElementById('line1') === null"
            ),
            "back to contents failed",
        )
        self.program.click(".folder")
        self.assertTrue(
            page.wait_for("document.body.innerText.includes('欢迎进入')"), "back to the cover failed"
        )
        self.assertEqual(self.program.close(), 0)
        self.assertFalse(os.path.exists(os.path.join(self.course, "tcnt.tmp")))


if __name__ == "__main__":
    EXECUTABLE, COURSE, SCREENSHOTS = course_test_arguments()
    unittest.main(verbosity=2)
