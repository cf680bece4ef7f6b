"""End-to-end tests of the study modes on the sample course: the real program with the real voices
(no audio device: they play into a silent sink at the real pace), driven by the real pointer.
What the lesson page shows is compared with what the speech log says was spoken, and when.
Usage: run_study_e2e.py PATH_TO_QUORVAN PATH_TO_BUILT_COURSE [SCREENSHOT_DIR]"""

import os
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import (
    Program,
    copy_course,
    course_test_arguments,
    read_speech_log,  # noqa: E402
    write_png,
)

EXECUTABLE = None
COURSE = None
SCREENSHOTS = None

ENGLISH_VOICE = "cmu_us_rms"
CHINESE_VOICE = "espeak_cmn"
PAUSE_SECONDS = 1
REPEAT_COUNT = 2
# The page is read on the test's clock and the log is written on the program's; the two are
# matched at the first press (see program_ms), off by the time the program takes to act on it.
# Readings this close to the start or the end of an utterance are not judged.
EDGE_MS = 250

# Every line element: its id, whether it has the current line's look, whether it is hidden.
LOOK = (
    "[...document.querySelectorAll('[id^=line]')].map(e => { const s = getComputedStyle(e);"
    " return [e.id, s.color === 'rgb(255, 0, 0)' && s.fontWeight === '700',"
    " s.visibility === 'hidden']; })"
)


def squeezed(text):
    return "".join(text.split())


def now():
    return time.monotonic() * 1000


def current_lines(look):
    return {line for line, (current, _) in look.items() if current}


def hidden_lines(look):
    return {line for line, (_, hidden) in look.items() if hidden}


def spoken_runs(line_text):
    """(voice, text without white space) for each run a lesson line is spoken as: the speaker's
    name before the colon is dropped, and the rest is cut where ASCII and Chinese meet. Good for
    lines without brackets, digits or the marks that cleaning removes."""
    encoded = line_text.encode("gb18030")
    colon = encoded.find(b":")
    if 0 <= colon <= 9:
        line_text = encoded[colon + 1 :].decode("gb18030")
    runs = []
    for character in squeezed(line_text):
        voice = ENGLISH_VOICE if ord(character) < 0x80 else CHINESE_VOICE
        if runs and runs[-1][0] == voice:
            runs[-1][1] += character
        else:
            runs.append([voice, character])
    return [tuple(run) for run in runs]


class StudyModesTest(unittest.TestCase):
    """Lesson 1 open with line 1 current, a pause of 1 s and two playings per line."""

    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        course = copy_course(COURSE, self.workdir.name, 2, PAUSE_SECONDS, REPEAT_COUNT, 1)
        self.log = os.path.join(self.workdir.name, "speech")
        self.program = Program(EXECUTABLE, course, ["--speech-log", self.log])
        self.page = self.program.page
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")
        self.texts = dict(
            self.page.evaluate(
                "[...document.querySelectorAll('[id^=line]')].map(e => [e.id, e.innerText])"
            )
        )
        self.first_press = None
        self.offset = None

    def tearDown(self):
        self.program.kill()
        self.workdir.cleanup()

    def runs(self, *numbers):
        """(line id, voice, text) of the runs of the given lines, in order."""
        return [
            (f"line{n}", voice, text)
            for n in numbers
            for voice, text in spoken_runs(self.texts[f"line{n}"])
        ]

    def press(self, caption):
        """Presses a command button; returns the test's clock (ms) right after."""
        self.program.press(caption)
        return self.pressed()

    def click_line(self, number):
        self.program.click(f"#line{number}")
        pressed = self.pressed()
        # Off the page: the pointer's own look is red as well.
        self.program.pointer("mousemove", "--sync", "0", "0")
        return pressed

    def pressed(self):
        at = now()
        if self.first_press is None:
            self.first_press = at
        return at

    def utterances(self):
        return read_speech_log(self.log)

    def program_ms(self, at):
        """The program's clock at `at` on the test's: the first utterance was asked for when the
        first press or click arrived."""
        if self.offset is None:
            self.offset = self.utterances()[0]["requested_ms"] - self.first_press
        return at + self.offset

    def look(self):
        """{line id: (current, hidden)} for every line of the page."""
        return {line: (current, hidden) for line, current, hidden in self.page.evaluate(LOOK)}

    def watch(self, until, timeout=40):
        """Reads the look of every line every 50 ms until `until(look)` holds; returns the
        readings as (test clock ms, {line id: (current, hidden)})."""
        readings = []
        deadline = time.monotonic() + timeout
        while True:
            before = now()
            look = self.look()
            readings.append(((before + now()) / 2, look))
            if until(look):
                return readings
            if time.monotonic() > deadline:
                self.fail(f"timed out; spoken: {[u['text'] for u in self.utterances()]}")
            time.sleep(0.05)

    def wait_spoken(self, count, timeout=40):
        """Reads the page until the log holds `count` utterances."""
        return self.watch(lambda look: len(self.utterances()) >= count, timeout)

    def assert_spoken(self, expected):
        """The log starts with the expected runs, on their voices, one voice at a time; returns
        (line id, utterance) for each."""
        spoken = self.utterances()[: len(expected)]
        self.assertEqual(
            [(u["voice"], squeezed(u["text"])) for u in spoken],
            [(voice, text) for _, voice, text in expected],
        )
        for earlier, later in zip(spoken, spoken[1:]):
            self.assertGreaterEqual(
                later["start_ms"],
                earlier["end_ms"],
                f"{later['text']!r} started while {earlier['text']!r} played",
            )
        return [(line, u) for (line, _, _), u in zip(expected, spoken)]

    def assert_look_while_spoken(self, spoken, readings, which):
        """While each utterance played, `which(look)` named its line alone."""
        for line, u in spoken:
            inside = [
                look
                for at, look in readings
                if u["start_ms"] + EDGE_MS <= self.program_ms(at) <= u["end_ms"] - EDGE_MS
            ]
            self.assertTrue(inside, f"the page was not read while {u['text']!r} played")
            for look in inside:
                self.assertEqual(which(look), {line}, f"while {u['text']!r} of {line} played")

    def test_read_aloud_follows_the_lines_with_the_highlight_and_stop_ends_it(self):
        self.press("朗读")
        readings = self.watch(lambda look: look["line3"][0])
        # The screen shows a new look a frame or two after the page has it.
        line3 = now()
        readings += self.watch(lambda look: now() > line3 + 300)
        pixels = self.program.screen_pixels()
        readings += self.watch(lambda look: look["line4"][0])
        # Into the first run of line 4, which is long.
        line4 = now()
        readings += self.watch(lambda look: now() > line4 + 800)
        stopped = self.press("停止")
        if SCREENSHOTS:
            write_png(os.path.join(SCREENSHOTS, "study-read-aloud.png"), *pixels)

        spoken = self.assert_spoken(self.runs(1, 2, 3) + self.runs(4)[:1])
        self.assert_look_while_spoken(spoken, readings, current_lines)
        cut = spoken[-1][1]
        self.assertTrue(cut["purged"], cut)
        self.assertLess(cut["end_ms"], self.program_ms(stopped) + 300, "speech went on after stop")

        time.sleep(1.5)
        self.assertEqual(current_lines(self.look()), {"line4"})
        again = self.press("朗读")
        self.wait_spoken(len(spoken) + 1, timeout=15)
        after = self.utterances()[len(spoken) :]
        self.assertGreater(
            after[0]["requested_ms"],
            self.program_ms(again) - 100,
            f"spoken after stop: {after[0]['text']!r}",
        )
        self.assertEqual(
            (after[0]["voice"], squeezed(after[0]["text"])),
            self.runs(4)[0][1:],
            "read aloud does not start again at the current line",
        )

    def test_read_along_plays_each_line_twice_with_the_pause_after_each_playing(self):
        self.press("跟读")
        playings = [self.runs(1), self.runs(1), self.runs(2), self.runs(2), self.runs(3)[:1]]
        expected = [run for playing in playings for run in playing]
        self.wait_spoken(len(expected))
        spoken = [u for _, u in self.assert_spoken(expected)]
        bounds = []
        for playing in playings:
            bounds.append((spoken[0]["start_ms"], max(u["end_ms"] for u in spoken[: len(playing)])))
            spoken = spoken[len(playing) :]
        # The pause is counted from the tick of the wait timer that sees the end of a playing,
        # up to one poll later: 500 ms after the first playing of a line (which also waits for
        # one 50 ms tick of the speak queue), 100 ms after a replay. The step then comes
        # nPauseSeconds s + 1 ms later and the voice takes some tens of ms to its first sound.
        # 20 ms below and 200 ms above allow for the ends being stamped on the sound's thread
        # and for a busy machine.
        for index, ((_, end), (start, _)) in enumerate(zip(bounds, bounds[1:])):
            poll = 550 if index % 2 == 0 else 100
            pause = start - end
            self.assertGreaterEqual(pause, PAUSE_SECONDS * 1000 - 20, f"pause {index + 1}")
            self.assertLessEqual(pause, PAUSE_SECONDS * 1000 + poll + 200, f"pause {index + 1}")

    def test_dictation_hides_the_line_being_read(self):
        self.press("听写")
        expected = self.runs(1) + self.runs(1) + self.runs(2)[:1]
        readings = self.wait_spoken(len(expected))
        self.assert_look_while_spoken(self.assert_spoken(expected), readings, hidden_lines)

        self.press("停止")
        self.assertTrue(
            self.page.wait_for(
                "(() => { const l = [...document.querySelectorAll('[id^=line]')];"
                " return l.length > 0 && l.every(e => getComputedStyle(e).visibility === 'visible')"
                " && getComputedStyle(l[0]).fontWeight === '700'; })()"
            ),
            "stop did not show every line again with line 1 current",
        )

    def test_a_click_on_a_line_speaks_it_and_the_highlight_stays(self):
        self.click_line(4)
        expected = self.runs(4)
        readings = self.wait_spoken(len(expected))
        spoken = self.assert_spoken(expected)
        self.assert_look_while_spoken([("line1", u) for _, u in spoken], readings, current_lines)


# The page's viewport and, for every line element, its id, whether it has the current line's look,
# where it lies in the viewport and the height of one of its lines.
LINES_IN_VIEW = (
    "({view: document.documentElement.clientHeight, scroll: window.scrollY,"
    " end: document.documentElement.scrollHeight - document.documentElement.clientHeight,"
    " lines: [...document.querySelectorAll('[id^=line]')].map(e => {"
    " const s = getComputedStyle(e); const r = e.getBoundingClientRect();"
    " return [e.id, s.color === 'rgb(255, 0, 0)' && s.fontWeight === '700', r.top, r.bottom,"
    " parseFloat(s.lineHeight) || 1.2 * parseFloat(s.fontSize)]; })})"
)


class CurrentLineInViewTest(unittest.TestCase):
    """Section 3 of lesson 3, taller than the window, read aloud at the fastest speed without the
    Chinese voice."""

    def setUp(self):
        self.workdir = tempfile.TemporaryDirectory()
        self.program = Program(EXECUTABLE, copy_course(COURSE, self.workdir.name, 4, 0, 1, 0))
        self.page = self.program.page
        self.assertTrue(self.page.wait_for("document.body.innerText.includes('欢迎进入')"))
        self.program.click(".folder")
        self.assertTrue(self.page.wait_for("document.querySelectorAll('.file').length >= 3"))
        # The contents table's first row is its heading.
        self.program.click("tr:nth-child(4) > td > .file")
        self.assertTrue(self.page.wait_for("document.getElementById('Select1') !== null"))
        self.program.click("#Select1")
        time.sleep(0.5)
        self.program.pointer("key", "Down", "Down", "Return")
        self.assertTrue(
            self.page.wait_for("document.getElementById('Select1').selectedIndex === 2")
        )
        self.program.click("#Goto")
        self.assertTrue(
            self.page.wait_for(
                "document.getElementById('line1') !== null &&"
                " document.getElementById('line1').innerText.startsWith('Where is it?') &&"
                " [...document.images].every(i => i.complete)"
            ),
            "section 3 of lesson 3 did not open",
        )
        # Off the page, whose lines turn red under the pointer.
        self.program.pointer("mousemove", "--sync", "0", "0")

    def tearDown(self):
        self.program.kill()
        self.workdir.cleanup()

    def follow(self, moves, line, timeout=45):
        """Reads the page every 30 ms until `line` has been current for 15 readings, adding to
        `moves` one entry per line made current: the reading before and all readings while it
        is."""
        deadline = time.monotonic() + timeout
        while not (moves[-1]["line"] == line and len(moves[-1]["readings"]) >= 15):
            self.assertLess(time.monotonic(), deadline, f"stuck on {moves[-1]['line']}")
            time.sleep(0.03)
            reading = self.page.evaluate(LINES_IN_VIEW)
            current = [line for line, is_current, *_ in reading["lines"] if is_current]
            self.assertEqual(len(current), 1, reading)
            if moves[-1]["line"] != current[0]:
                moves.append(
                    {"line": current[0], "before": moves[-1]["readings"][-1], "readings": []}
                )
            moves[-1]["readings"].append(reading)

    def test_the_current_line_is_scrolled_into_view_smoothly_and_only_when_needed(self):
        first = self.page.evaluate(LINES_IN_VIEW)
        self.assertGreater(first["end"], 0, "the section fits the window: nothing to scroll")
        lines = [line for line, *_ in first["lines"]]
        moves = [{"line": "line1", "before": first, "readings": [first]}]
        self.program.press("朗读")
        self.follow(moves, lines[-1])
        if SCREENSHOTS:
            write_png(
                os.path.join(SCREENSHOTS, "study-read-aloud-scrolled.png"),
                *self.program.screen_pixels(),
            )
        self.program.press("停止")
        # Back to a line the page shows whole.
        self.program.press("上一句")
        self.follow(moves, lines[-2])

        self.assertEqual([move["line"] for move in moves], lines + lines[-2:-1])
        scrolled = smooth = 0
        for move in moves:
            line = move["line"]
            before = move["before"]
            top, bottom, height = next(rect for id_, _, *rect in before["lines"] if id_ == line)
            # The last reading of a line: the page has settled by then.
            settled = move["readings"][-1]
            view = settled["view"]
            _, _, new_top, new_bottom, _ = next(l for l in settled["lines"] if l[0] == line)
            self.assertTrue(
                -1 <= new_top and new_bottom <= view + 1,
                f"{line} at {new_top}..{new_bottom} of {view}",
            )
            positions = [before["scroll"]] + [r["scroll"] for r in move["readings"]]
            if 0 <= top and bottom <= view:
                self.assertEqual(
                    set(positions),
                    {before["scroll"]},
                    f"the page moved for {line}, which it showed whole",
                )
                continue
            scrolled += 1
            at_end = settled["scroll"] >= settled["end"] - 1
            self.assertTrue(
                new_bottom <= view - height + 1 or at_end,
                f"{line} ends {view - new_bottom} px above the bottom: no margin",
            )
            smooth += any(p not in (positions[0], positions[-1]) for p in positions)
        self.assertGreater(scrolled, 0, "the page never scrolled")
        self.assertGreater(smooth, 0, "the page jumped each time: no scroll was seen on its way")


if __name__ == "__main__":
    EXECUTABLE, COURSE, SCREENSHOTS = course_test_arguments()
    unittest.main(verbosity=2)
