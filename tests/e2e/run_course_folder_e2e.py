"""Where the real program runs when started like a desktop program: from a home folder without a
course it makes the learner's own course folder from the sample course and keeps everything it
writes there; a course folder it cannot write in is refused with a message and status 2.
Usage: run_course_folder_e2e.py PATH_TO_QUORVAN"""

import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, shared_display  # noqa: E402

EXECUTABLE = None


def tree(folder):
    """Every file below `folder` with its size and modification time."""
    found = {}
    for root, _, files in os.walk(folder):
        for name in files:
            path = os.path.join(root, name)
            status = os.stat(path)
            found[os.path.relpath(path, folder)] = (status.st_size, status.st_mtime_ns)
    return found


class CourseFolderTest(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.TemporaryDirectory()
        self.saved = {name: os.environ.get(name) for name in ("HOME", "XDG_DATA_HOME")}
        os.environ["HOME"] = self.home.name
        os.environ.pop("XDG_DATA_HOME", None)
        self.sample = os.path.normpath(
            os.path.join(os.path.dirname(EXECUTABLE), "..", "share", "quorvan", "course")
        )

    def tearDown(self):
        for name, value in self.saved.items():
            if value is None:
                os.environ.pop(name, None)
            else:
                os.environ[name] = value
        self.home.cleanup()

    def test_first_start_from_home_makes_the_learners_own_course(self):
        before = tree(self.sample)
        program = Program(EXECUTABLE, self.home.name)
        try:
            self.assertTrue(
                program.page.wait_for("document.body.innerText.includes('欢迎进入')"),
                "the cover page was not built",
            )
            self.assertEqual(program.close(), 0)
        finally:
            program.kill()
        own = os.path.join(self.home.name, ".local", "share", "quorvan", "course")
        self.assertTrue(os.path.isfile(os.path.join(own, "cntindex.idx")))
        self.assertEqual(os.path.getsize(os.path.join(own, "quorvan.set")), 83)
        self.assertEqual(tree(self.sample), before, "the sample course was written to")
        self.assertFalse(os.path.exists(os.path.join(self.home.name, "quorvan.set")))

    def test_a_folder_that_cannot_be_written_is_refused(self):
        # Not even root may create a file in /proc.
        process = subprocess.Popen(
            [EXECUTABLE, "/proc/self"], cwd=self.home.name, stderr=subprocess.PIPE, text=True
        )
        deadline = time.time() + 30
        box = None
        root = shared_display().screen().root
        while time.time() < deadline and box is None and process.poll() is None:
            for child in root.query_tree().children:
                try:
                    if child.get_attributes().map_state == 2 and child.get_wm_name() == "Quorvan":
                        box = child
                except Exception:
                    continue
            time.sleep(0.2)
        self.assertIsNotNone(box, "no message box appeared")
        # The box takes the keyboard as it opens: Return presses its OK.
        time.sleep(0.5)
        subprocess.run(["xdotool", "key", "Return"], check=True)
        self.assertEqual(process.wait(timeout=30), 2)
        self.assertIn("cannot use the course folder '/proc/self'", process.stderr.read())
        self.assertEqual(os.listdir(self.home.name), [], "something was written")


if __name__ == "__main__":
    EXECUTABLE = sys.argv.pop(1)
    unittest.main(verbosity=2)
