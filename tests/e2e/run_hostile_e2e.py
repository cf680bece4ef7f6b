"""End-to-end test of a hostile course folder with the real program: no file outside the course is
written or shown, no special file hangs the tutor, no lesson file freezes it or fills the disk, no
lesson line breaks the voices.
Usage: run_hostile_e2e.py PATH_TO_QUORVAN PATH_TO_BUILT_COURSE PATH_TO_QUORVAN_PACK"""

import json
import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import hostile_course  # noqa: E402
from desktop import Program, read_speech_log  # noqa: E402

EXECUTABLE = COURSE = PACK = None
MAX_LESSON_TEXT = 8 << 20
MAX_PAGE_LINES = 2000


def open_lesson(program, name, timeout=20):
    """Clicks the contents entry NAME and waits until its lesson page is built; the seconds it
    took, which include any time the tutor was frozen."""
    page = program.page
    assert page.wait_for("document.querySelectorAll('.file').length > 0")
    rect = page.evaluate(
        "(() => { const e = [...document.querySelectorAll('.file')]"
        f".find(e => e.innerText === {json.dumps(name)});"
        " e.scrollIntoView({block: 'center'}); const r = e.getBoundingClientRect();"
        " return [r.left + r.width / 2, r.top + r.height / 2]; })()"
    )
    x, y, _, _ = program.window_origin()
    view_x, view_y = program.view_offset()
    program.pointer(
        "mousemove", "--sync", str(int(x + view_x + rect[0])), str(int(y + view_y + rect[1]))
    )
    started = time.monotonic()
    program.pointer("click", "1")
    # The lesson page has a "fileList" with a table and no contents entries.
    assert page.wait_for(
        "document.querySelector('#fileList table') !== null &&"
        " document.querySelector('span.file') === null ||"
        " document.getElementById('line1') !== null",
        timeout=timeout,
    ), name
    return time.monotonic() - started


def open_brackets(program):
    """From the cover to the lesson of hostile lines, all four of them on the page."""
    page = program.page
    assert page.wait_for("document.body.innerText.includes('欢迎进入')")
    program.click(".folder")
    open_lesson(program, "Brackets")
    assert page.wait_for("document.getElementById('line4') !== null")


def back_to_contents(program):
    program.click(".folder")


class HostileCourseTest(unittest.TestCase):
    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.course, self.lessons = hostile_course.make(COURSE, self.workdir.name, PACK)
        self.log = os.path.join(self.workdir.name, "speech")
        self.program = Program(EXECUTABLE, self.course, ["--speech-log", self.log])

    def tearDown(self):
        self.program.kill()
        self.workdir.cleanup()

    def lesson_text_size(self):
        path = os.path.join(self.course, "tcnt.tmp")
        return os.path.getsize(path) if os.path.lexists(path) else 0

    def test_hostile_lessons_are_shown_empty_or_cut_and_touch_nothing_outside(self):
        page = self.program.page
        self.assertTrue(page.wait_for("document.body.innerText.includes('欢迎进入')"))
        self.program.click(".folder")

        # A real lesson first, so that a failed open afterwards could show its text.
        open_lesson(self.program, "入门 第一课 Greetings")
        self.assertTrue(page.wait_for("document.getElementById('line1') !== null"))
        self.assertFalse(os.path.islink(os.path.join(self.course, "tcnt.tmp")))
        back_to_contents(self.program)

        for name in ["Zero", "Fifo", "Absolute", "Climb", "Huge"]:
            open_lesson(self.program, name)
            self.assertTrue(page.wait_for("document.getElementById('line1') === null"), name)
            self.assertNotIn("SECRET", page.evaluate("document.body.innerText"), name)
            self.assertEqual(self.lesson_text_size(), 0, name)
            back_to_contents(self.program)

        open_lesson(self.program, "Lines", timeout=60)
        self.assertTrue(page.wait_for(f"document.getElementById('line{MAX_PAGE_LINES}') !== null"))
        self.assertEqual(
            page.evaluate(f"document.getElementById('line{MAX_PAGE_LINES + 1}')"), None
        )
        self.assertIn("本节太长", page.evaluate("document.body.innerText"))
        self.assertLessEqual(self.lesson_text_size(), MAX_LESSON_TEXT)
        back_to_contents(self.program)

        open_lesson(self.program, "Pictures")
        self.assertTrue(
            page.wait_for(
                "document.getElementById('inside').complete &&"
                " document.getElementById('outside').complete"
            )
        )
        self.assertEqual(page.evaluate("document.getElementById('inside').naturalWidth"), 4)
        self.assertEqual(page.evaluate("document.getElementById('outside').naturalWidth"), 0)
        back_to_contents(self.program)

        self.assertEqual(self.program.close(), 0)
        with open(os.path.join(self.workdir.name, "outside", hostile_course.VICTIM), "rb") as f:
            self.assertEqual(f.read(), hostile_course.VICTIM_TEXT)

    def wait_spoken(self, text, count=1, timeout=30):
        """Waits until the speech log holds `count` utterances of `text`, while the tutor runs."""
        deadline = time.monotonic() + timeout
        while True:
            spoken = [u["text"].strip() for u in read_speech_log(self.log) if "text" in u]
            if spoken.count(text) >= count:
                return
            self.assertIsNone(self.program.process.poll(), f"the tutor died; spoken: {spoken}")
            if time.monotonic() > deadline:
                self.fail(f"{text!r} not spoken {count} times; spoken: {spoken}")
            time.sleep(0.1)

    def test_a_line_that_broke_the_english_engine_is_spoken_and_so_is_the_next(self):
        open_brackets(self.program)
        self.program.click("#line1")
        self.wait_spoken("Hello.")
        self.program.click("#line2")
        self.wait_spoken("Good morning, Tom.")
        self.assertEqual(self.program.close(), 0)

    def test_closing_while_the_longest_line_is_spoken_ends_the_tutor(self):
        open_brackets(self.program)
        self.program.click("#line4")
        self.program.click("#line3")
        time.sleep(1)  # into the line's minutes of speech
        # Closing once waited until the engine had made all of a line, minutes for these.
        self.assertEqual(self.program.close(timeout=8), 0)


if __name__ == "__main__":
    EXECUTABLE, COURSE, PACK = (os.path.abspath(a) for a in sys.argv[1:4])
    del sys.argv[1:4]
    unittest.main(verbosity=2)
