"""Speaking practice with the real program, page engine, scorer and sound server: the tutor's own
English voice (quorvan-say -o) is played into the air the microphone hears, and the page shows
how each word was said.
Usage: run_practice_e2e.py PATH_TO_QUORVAN_SAY PATH_TO_QUORVAN PATH_TO_BUILT_COURSE [SCREENSHOTS]"""

import json
import os
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, copy_course, read_speech_log  # noqa: E402
from sound_server import RECORD_RATE, SoundServer, sound_spans  # noqa: E402

SAY = None
EXECUTABLE = None
COURSE = None
SCREENSHOTS = None

LINE = "Good morning. How are you today?"
# Marked words of the current line: [text, colour] in page order.
MARKS = (
    "[...document.querySelectorAll('.practiceWord')]"
    ".map(w => [w.textContent, getComputedStyle(w).color])"
)
GREEN = "rgb(0, 128, 0)"


class PracticeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory()
        cls.voices = {}
        for name, text in (("model", LINE), ("replaced", LINE.replace("morning", "evening"))):
            path = os.path.join(cls.work.name, name + ".wav")
            subprocess.run([SAY, "-o", path, text], check=True, timeout=60)
            cls.voices[name] = path

    @classmethod
    def tearDownClass(cls):
        cls.work.cleanup()

    def start(self, microphone=True):
        self.server = SoundServer(microphone=microphone).start()
        self.addCleanup(self.server.stop)
        folder = tempfile.mkdtemp(dir=self.work.name)
        self.data = os.path.join(folder, "data")
        course = copy_course(COURSE, folder)
        environment = dict(self.server.env, XDG_DATA_HOME=self.data)
        self.log = os.path.join(folder, "log")
        os.mkdir(self.log)
        self.program = Program(EXECUTABLE, course, ["--speech-log", self.log], environment)
        self.addCleanup(self.program.kill)
        self.assertTrue(self.program.open_lesson())
        # The line of LINE made current with 下一句, which speaks each line it passes.
        index = self.program.page.evaluate(
            "[...document.querySelectorAll('[id^=line]')]"
            f".findIndex(l => l.textContent.includes({json.dumps(LINE)})) + 1"
        )
        self.assertGreater(index, 0)
        for _ in range(index - 1):
            self.program.press("下一句")
        self.assertTrue(
            self.program.page.wait_for(
                f"getComputedStyle(document.getElementById('line{index}')).color"
                " === 'rgb(255, 0, 0)'"
            )
        )
        self.program.press("停止")
        self.line = index

    def wait(self, condition, timeout=30):
        deadline = time.time() + timeout
        while time.time() < deadline:
            if condition():
                return True
            time.sleep(0.05)
        return False

    def say(self, voice):
        """Presses 我来说, plays `voice` (or nothing) to the microphone once the tutor listens, and
        returns the marks once the recording has ended and been scored, or [] when none came."""
        before = self.program.page.evaluate(f"document.getElementById('line{self.line}').innerHTML")
        recorder = self.server.recorder()
        self.program.press("我来说")
        # The learner speaks once the tutor has said the line.
        self.assertTrue(self.wait(lambda: self.heard_and_quiet(recorder)), "the tutor never spoke")
        recorder.stop()
        self.assertTrue(self.server.microphone_streams(), "the tutor does not listen")
        if voice:
            self.server.play_to_microphone(self.voices[voice])
        self.assertTrue(self.wait(lambda: not self.server.microphone_streams()), "it never stopped")
        changed = self.program.page.wait_for(
            f"document.getElementById('line{self.line}').innerHTML !== {json.dumps(before)}", 10
        )
        return self.program.page.evaluate(MARKS) if changed else []

    def heard_and_quiet(self, recorder):
        samples, _ = recorder.snapshot()
        spans = sound_spans(samples)
        # Longer than the pause between the line's English and its Chinese.
        return spans and len(samples) - spans[-1][1] > RECORD_RATE

    def progress(self):
        try:
            with open(os.path.join(self.data, "quorvan", "practice", "progress.txt")) as f:
                # Below its header, a row per line practised: lesson, line, best score, tries.
                return [line.rstrip("\n").split("\t") for line in f if "\t" in line]
        except FileNotFoundError:
            return []

    def test_model_voice_is_all_green_and_a_replaced_word_is_not(self):
        self.start()
        marks = self.say("model")
        self.assertEqual(
            [text for text, _ in marks], LINE.replace(".", "").replace("?", "").split()
        )
        self.assertEqual({colour for _, colour in marks}, {GREEN}, marks)
        rows = self.progress()
        self.assertEqual(len(rows), 1)
        self.assertEqual(rows[0][1], str(self.line))
        self.assertGreaterEqual(int(rows[0][2]), 80)
        if SCREENSHOTS:
            self.program.screenshot(os.path.join(SCREENSHOTS, "practice_model.png"))

        # A word clicked: the learner's own recording of it, then the model's.
        self.program.click(".practiceWord")

        def said():
            return [u.get("file", u.get("text")) for u in read_speech_log(self.log)][-2:]

        self.assertTrue(self.wait(lambda: said() == ["recording of Good", "Good"]), said())

        marks = self.say("replaced")
        self.assertEqual(marks[1][0], "morning")
        self.assertNotEqual(marks[1][1], GREEN, marks)
        if SCREENSHOTS:
            self.program.screenshot(os.path.join(SCREENSHOTS, "practice_replaced.png"))

        # Silence: the recording ends at its limit, and nothing is scored or marked anew.
        marks = self.say(None)
        self.assertEqual(marks, [])
        self.assertEqual(self.progress()[0][3], "2")

        self.program.click(".folder")
        self.assertTrue(
            self.program.page.wait_for(
                "[...document.querySelectorAll('.practiceProgress')]"
                f".some(p => p.textContent === '已练 1 句，平均 {rows[0][2]} 分')"
            ),
            self.program.page.evaluate("document.body.innerText"),
        )

    def test_without_a_microphone_the_button_does_nothing(self):
        self.start(microphone=False)
        recorder = self.server.recorder()
        self.program.press("我来说")
        time.sleep(2)
        recorder.stop()
        self.assertEqual(sound_spans(recorder.snapshot()[0]), [], "the tutor spoke")
        # Its tooltip comes up over the button all the same.
        x, y = self.program.button_centre("我来说")
        self.program.pointer("mousemove", str(x), str(y - 100))
        self.program.pointer("mousemove", str(x), str(y))
        self.assertTrue(self.wait(lambda: self.program.popup_windows(), 10), "no tooltip")


if __name__ == "__main__":
    SAY = os.path.abspath(sys.argv.pop(1))
    EXECUTABLE = os.path.abspath(sys.argv.pop(1))
    COURSE = os.path.abspath(sys.argv.pop(1))
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        SCREENSHOTS = os.path.abspath(sys.argv.pop(1))
        os.makedirs(SCREENSHOTS, exist_ok=True)
    unittest.main()
