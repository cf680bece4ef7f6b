"""End-to-end tests: the real program with the real page engine under X, driven by the real
pointer. Usage: run_e2e.py PATH_TO_QUORVAN (needs an X display, e.g. under xvfb-run)."""

import os
import struct
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import SETTINGS_FORMAT, Program, read_speech_log  # noqa: E402

EXECUTABLE = None


def settings_bytes(rect):
    return struct.pack(
        SETTINGS_FORMAT, 2, 2, 2, 1, 1, 1, 0, 1, 1, 10, b"merlin.acs", 9, b"Genie.acs", *rect, 4
    )


def stored_rect(path):
    with open(path, "rb") as f:
        data = f.read()
    return struct.unpack(SETTINGS_FORMAT, data)[13:17], len(data)


class MainWindowTest(unittest.TestCase):
    def setUp(self):
        self.course = tempfile.TemporaryDirectory()
        with open(os.path.join(self.course.name, "cntindex.idx"), "wb"):
            pass
        self.program = None

    def tearDown(self):
        if self.program:
            self.program.kill()
        self.course.cleanup()

    def start(self, arguments=()):
        self.program = Program(EXECUTABLE, self.course.name, arguments)
        return self.program

    def choose_from_menu(self, x, y, item):
        """Right-clicks at (x, y) and chooses the context menu's item number `item` (from 1)."""
        popups = len(self.program.popup_windows())
        self.program.pointer("mousemove", "--sync", str(x), str(y))
        self.program.pointer("click", "3")
        deadline = time.time() + 10
        while time.time() < deadline and len(self.program.popup_windows()) <= popups:
            time.sleep(0.1)
        self.assertGreater(len(self.program.popup_windows()), popups, "no menu appeared")
        self.program.pointer("key", *["Down"] * item, "Return")

    def add_lesson(self, name, file_name, text):
        source = os.path.join(self.course.name, file_name + ".txt")
        with open(source, "w") as f:
            f.write(text)
        pack = os.path.join(os.path.dirname(EXECUTABLE), "quorvan-pack")
        subprocess.run([pack, source, os.path.join(self.course.name, file_name)], check=True)
        with open(os.path.join(self.course.name, "cntindex.idx"), "a") as f:
            f.write(f"{name}={file_name}\n")

    def open_contents(self):
        page = self.program.page
        self.assertTrue(page.wait_for("document.body.innerText.includes('欢迎进入')"))
        self.program.pointer(
            "mousemove", "--sync", *map(str, self.program.element_centre(".folder"))
        )
        self.program.pointer("click", "1")
        self.assertTrue(
            page.wait_for(
                "document.querySelector('.setting') === null && "
                "document.body.innerText.includes('返回')"
            )
        )

    def test_pointer_reaches_the_page_handlers_and_close_saves(self):
        program = self.start()
        page = program.page
        self.assertTrue(
            page.wait_for(
                "document.title === 'Quorvan' && " "document.body.innerText.includes('欢迎进入')"
            ),
            "the cover page was not built",
        )

        x, y = program.element_centre(".folder")
        program.pointer("mousemove", "--sync", str(x), str(y))
        self.assertTrue(
            page.wait_for(
                "getComputedStyle(document.querySelector('.folder')).color" " === 'rgb(255, 0, 0)'"
            ),
            "moving the pointer over the link did not turn it red",
        )

        program.pointer("click", "1")
        self.assertTrue(
            page.wait_for(
                "document.querySelector('.setting') === null && "
                "document.body.innerText.includes('返回')"
            ),
            "a click on the link did not show the contents page",
        )

        # Our menu replaces the engine's: its first item, the settings, reloads the page.
        page.evaluate("window.beforeMenu = true")
        x, y = program.element_centre("hr")
        before = len(program.popup_windows())
        program.pointer("mousemove", "--sync", str(x), str(y + 20))
        program.pointer("click", "3")
        deadline = time.time() + 10
        popups = []
        while time.time() < deadline and len(popups) <= before:
            popups = program.popup_windows()
            time.sleep(0.1)
        self.assertEqual(len(popups), before + 1, "no menu appeared on a right-click")
        self.assertLess(popups[-1].height, 60, "the page engine's own menu appeared")
        program.pointer("key", "Down", "Return")
        # The item opens the settings; Escape cancels them, and the page is reloaded all the same.
        program.wait_for_focus(program._find_window("Dialog", timeout=10))
        program.pointer("key", "Escape")
        self.assertTrue(
            page.wait_for(
                "window.beforeMenu === undefined && " "document.body.innerText.includes('返回')"
            ),
            "the menu's item did not reload the page",
        )

        x, y, width, height = program.window_origin()
        self.assertEqual(program.close(), 0)
        rect, size = stored_rect(os.path.join(self.course.name, "quorvan.set"))
        self.assertEqual(size, 83)
        self.assertEqual(rect, (x, y, x + width, y + height))

    def test_a_lesson_of_ones_own_text_is_made_read_and_removed(self):
        self.add_lesson("第一课", "l1.dat", "#1A@1#\n#1\nHello.\n#\n")
        with open(os.path.join(self.course.name, "cntindex.idx"), "rb") as f:
            index = f.read()
        log = os.path.join(self.course.name, "speech")
        program = self.start(["--speech-log", log])
        page = program.page
        self.open_contents()
        text = (
            "Tom: Hello, Mr. Brown. How are you today?\n汤姆：你好，布朗先生。你今天好吗？\n\n"
            "It costs 3.5 dollars. That is cheap!\n\nGoodbye.\n"
        )
        # xclip stays to serve the clipboard; it must not hold the test's output open.
        subprocess.run(
            ["xclip", "-selection", "clipboard"],
            input=text.encode(),
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
            check=True,
        )

        x, y = program.element_centre("hr")
        self.choose_from_menu(x, y + 20, 2)
        program.wait_for_focus(program._find_window("添加课文", timeout=10))
        program.pointer("type", "My song")
        program.pointer("key", "Tab", "ctrl+v", "shift+Tab", "Return")
        self.assertTrue(page.wait_for("document.body.innerText.includes('My song')"))

        program.click("tr:last-child > td > .file")
        self.assertTrue(page.wait_for("document.getElementById('line2') !== null"))
        lines = page.evaluate(
            "[...document.querySelectorAll('[id^=line]')].map(e => e.innerText.trim())"
        )
        self.assertEqual(
            lines,
            ["Tom: Hello, Mr. Brown. 汤姆：你好，布朗先生。", "How are you today? 你今天好吗？"],
        )
        program.press("朗读")
        deadline = time.time() + 30
        while not any("Hello, Mr. Brown" in u.get("text", "") for u in read_speech_log(log)):
            self.assertLess(time.time(), deadline, "the first line was not spoken")
            time.sleep(0.2)
        program.press("停止")

        program.click(".folder")
        self.assertTrue(page.wait_for("document.querySelectorAll('.file').length === 2"))
        x, y = program.element_centre("tr:last-child > td > .file")
        self.choose_from_menu(x, y, 3)
        program.wait_for_focus(program._find_window("删除课文", timeout=10))
        program.pointer("key", "alt+y")
        self.assertTrue(page.wait_for("!document.body.innerText.includes('My song')"))
        with open(os.path.join(self.course.name, "cntindex.idx"), "rb") as f:
            self.assertEqual(f.read(), index)
        self.assertFalse(os.path.exists(os.path.join(self.course.name, "own0001.dat")))
        self.assertEqual(program.close(), 0)

    def test_course_data_runs_no_code_and_never_leaves_the_page(self):
        lesson = (
            "#1Safety@0#\n"
            '<b id="hover" onmouseover="document.title=\'script ran\'">hover</b>\n'
            "<video src=x onerror=\"document.title='script ran'\"></video>\n"
            '<a id="script" href="javascript:document.title=\'script ran\'">run</a>\n'
            '<a id="plain" href="other.html">leave</a>\n#\n'
        )
        self.add_lesson("Safety", "safety.dat", lesson)
        with open(os.path.join(self.course.name, "other.html"), "w") as f:
            f.write("<title>elsewhere</title>")
        program = self.start()
        self.open_contents()
        page = program.page
        program.pointer("mousemove", "--sync", *map(str, program.element_centre(".file")))
        program.pointer("click", "1")
        self.assertTrue(page.wait_for("document.getElementById('plain') !== null"))
        start_url = page.evaluate("location.href")
        for target in ("#hover", "#script", "#plain"):
            program.pointer("mousemove", "--sync", *map(str, program.element_centre(target)))
            program.pointer("click", "1")
            time.sleep(1)
            self.assertEqual(page.evaluate("document.title"), "Quorvan", target)
            self.assertEqual(page.evaluate("location.href"), start_url, target)
            self.assertTrue(page.evaluate("document.getElementById('plain') !== null"), target)

    def test_next_start_opens_at_the_stored_rectangle(self):
        with open(os.path.join(self.course.name, "quorvan.set"), "wb") as f:
            f.write(settings_bytes((40, 30, 840, 630)))
        program = self.start()
        self.assertTrue(program.page.wait_for("document.querySelector('.folder') !== null"))
        self.assertEqual(program.window_origin(), (40, 30, 800, 600))
        self.assertEqual(program.close(), 0)
        rect, _ = stored_rect(os.path.join(self.course.name, "quorvan.set"))
        self.assertEqual(rect, (40, 30, 840, 630))


if __name__ == "__main__":
    EXECUTABLE = os.path.abspath(sys.argv.pop(1))
    unittest.main(verbosity=2)
