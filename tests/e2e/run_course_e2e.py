"""End-to-end tests on the sample course: a learner's way from the cover to a lesson and back,
and through every section of every lesson, with the real program, the real page engine and the
real pointer.
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
        self.errors = open(os.path.join(self.workdir.name, "stderr.txt"), "w+", encoding="utf-8")
        self.program = Program(EXECUTABLE, self.course, stderr=self.errors)
        self.page = self.program.page

    def tearDown(self):
        self.program.kill()
        self.errors.close()
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
            page.evaluate("document.querySelector('.file').innerText"), "入门 第一课 Greetings"
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

    def test_every_lesson_and_section_opens_whole_and_quietly(self):
        """Each lesson of the contents, each section of its drop-down list: the section shows
        numbered lines and every picture it names, and neither the tutor nor the page reports an
        error on stderr."""
        page = self.page
        self.assertTrue(page.wait_for("document.body.innerText.includes('欢迎进入')"))
        self.program.click(".folder")
        self.assertTrue(page.wait_for("document.querySelectorAll('.file').length > 0"))
        names = page.evaluate("[...document.querySelectorAll('.file')].map(e => e.innerText)")
        self.assertEqual(len(names), 24)
        for level, first in (("入门", 0), ("基础", 8), ("提高", 16)):
            self.assertTrue(all(n.startswith(level + " ") for n in names[first : first + 8]))
        shown = None
        for number, name in enumerate(names, 1):
            # The contents table's first row is its heading.
            self.program.click(f"tr:nth-child({number + 1}) > td > .file")
            self.assertTrue(
                page.wait_for("document.getElementById('Select1') !== null"), f"{name} did not open"
            )
            titles = page.evaluate(
                "[...document.getElementById('Select1').options].map(o => o.text)"
            )
            # A lesson file that cannot be read leaves the page of the lesson before.
            self.assertNotEqual(titles, shown, f"{name} shows the lesson before it")
            shown = titles
            sections = len(titles)
            self.assertEqual(sections, 3, name)
            for section in range(1, sections + 1):
                if section > 1:
                    # As a learner picks it: the list opened with a click, the keyboard, "Goto".
                    self.program.click("#Select1")
                    time.sleep(0.5)
                    self.program.pointer("key", "Down", "Return")
                    self.assertTrue(
                        page.wait_for(
                            "document.getElementById('Select1').selectedIndex === " f"{section - 1}"
                        )
                    )
                    self.program.click("#Goto")
                self.assertTrue(
                    page.wait_for(
                        f"document.querySelector('option[selected]').value === '{section}' &&"
                        " document.getElementById('line1') !== null &&"
                        " document.images.length > 0 &&"
                        " [...document.images].every(i => i.complete && i.naturalWidth > 0)"
                    ),
                    f"section {section} of {name} is not shown whole",
                )
            self.program.click(".folder")
            self.assertTrue(
                page.wait_for(
                    "document.querySelectorAll('.file').length === 24 &&"
                    " document.getElementById('line1') === null"
                ),
                f"no way back to the contents from {name}",
            )
        self.assertEqual(self.program.close(), 0)
        # The tutor's own lines ("quorvan: ...", a file it refused or could not read) and the
        # page's script errors; the platform's notes on the GPU, sound server and runtime folder
        # of a machine without them are not the course's.
        self.errors.seek(0)
        errors = [
            line
            for line in self.errors.read().splitlines()
            if line.startswith("quorvan:") or line.startswith("js:") or "Uncaught" in line
        ]
        self.assertEqual(errors, [])


if __name__ == "__main__":
    EXECUTABLE, COURSE, SCREENSHOTS = course_test_arguments()
    unittest.main(verbosity=2)
