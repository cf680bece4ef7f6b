"""The voices through a real sound server, heard where a learner hears them: the monitor of the
server's sink is recorded and compared with what the speech log says was spoken, and an
independent recogniser says whether the English is understood.
Usage: run_sound_e2e.py PATH_TO_QUORVAN_SAY PATH_TO_QUORVAN PATH_TO_BUILT_COURSE"""

import os
import signal
import subprocess
import sys
import tempfile
import time
import unittest
import wave

import numpy

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from desktop import Program, copy_course, read_speech_log  # noqa: E402
from listener import Listener, edits, words  # noqa: E402
from sound_server import RECORD_RATE, SoundServer, sound_spans  # noqa: E402

SAY = None
EXECUTABLE = None
COURSE = None

SENTENCES = [
    "Good morning, how are you today?",
    "Where are you from?",
    "The train leaves at seven in the morning.",
    "Could you tell me the way to the station?",
    "My sister likes to read books in the evening.",
]


def read_wav(path):
    """Mono samples at RECORD_RATE."""
    with wave.open(path) as f:
        rate = f.getframerate()
        samples = numpy.frombuffer(f.readframes(f.getnframes()), dtype="<i2").astype(float)
    if rate != RECORD_RATE:
        times = numpy.arange(0, len(samples) / rate, 1 / RECORD_RATE)
        samples = numpy.interp(times, numpy.arange(len(samples)) / rate, samples)
    return samples


def best_match(recording, sound):
    """The highest normalised cross-correlation of `sound` anywhere in `recording`, and where."""
    recording = numpy.asarray(recording, dtype=float)
    if len(recording) < len(sound):
        return 0.0, 0
    size = 1 << int(numpy.ceil(numpy.log2(len(recording) + len(sound))))
    products = numpy.fft.irfft(
        numpy.fft.rfft(recording, size) * numpy.conj(numpy.fft.rfft(sound, size)), size
    )[: len(recording) - len(sound) + 1]
    windows = numpy.convolve(recording**2, numpy.ones(len(sound)), "valid")
    norms = numpy.sqrt(numpy.maximum(windows, 1e-9) * (sound**2).sum())
    values = products / norms
    return float(values.max()), int(values.argmax())


class SayThroughServerTest(unittest.TestCase):
    """quorvan-say playing to the server's default device."""

    @classmethod
    def setUpClass(cls):
        cls.server = SoundServer().start()
        cls.listener = Listener()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def say(self, text):
        """Speaks `text`; returns the recorded samples, the recorder and its chunks, the exit
        time, the logged WAV and the logged utterance."""
        with tempfile.TemporaryDirectory() as log:
            recorder = self.server.recorder()
            result = subprocess.run(
                [SAY, "--speech-log", log, text],
                env=self.server.env,
                capture_output=True,
                text=True,
                timeout=60,
            )
            exited = time.time()
            time.sleep(0.3)
            recorder.stop()
            self.assertEqual(result.returncode, 0, result.stderr)
            utterances = read_speech_log(log)
            self.assertEqual(len(utterances), 1)
            wav = read_wav(os.path.join(log, utterances[0]["wav"]))
        samples, chunks = recorder.snapshot()
        return numpy.asarray(samples, dtype=float), recorder, chunks, exited, wav, utterances[0]

    def test_a_server_that_stops_answering_does_not_hold_the_tool(self):
        speaking = subprocess.Popen(
            [SAY, " ".join(SENTENCES)], env=self.server.env, stderr=subprocess.PIPE, text=True
        )
        time.sleep(1.0)
        self.server.process.send_signal(signal.SIGSTOP)
        try:
            _, errors = speaking.communicate(timeout=10)
        finally:
            self.server.process.send_signal(signal.SIGCONT)
            speaking.kill()
        self.assertEqual(speaking.returncode, 1)
        self.assertIn("the sound output stopped playing", errors)

    def test_sentences_are_heard_as_spoken_and_understood(self):
        errors = total = 0
        for sentence in SENTENCES:
            with self.subTest(sentence=sentence):
                recorded, recorder, chunks, exited, wav, utterance = self.say(sentence)
                # Above the soft ramp that starts an utterance, where a resampled copy differs.
                heard = sound_spans(recorded, threshold_db=-35)
                spoken = sound_spans(wav, threshold_db=-35)
                self.assertTrue(heard, "nothing was heard")
                # The whole utterance, no tail cut and nothing added.
                heard_ms = (heard[-1][1] - heard[0][0]) * 1000 / RECORD_RATE
                spoken_ms = (spoken[-1][1] - spoken[0][0]) * 1000 / RECORD_RATE
                self.assertLess(abs(heard_ms - spoken_ms), 50, (heard_ms, spoken_ms))
                value, start = best_match(recorded, wav)
                self.assertGreaterEqual(value, 0.95)
                segment = recorded[start : start + len(wav)]
                # Each word, mouth shape and the end come when their sample is heard.
                for event in utterance["events"]:
                    released = (utterance["program_start_unix_ms"] + event["ms"]) / 1000
                    heard_at = recorder.time_of(
                        start + event["audio_ms"] * RECORD_RATE / 1000, chunks
                    )
                    self.assertLess(abs(released - heard_at), 0.03, event)
                # Done when the sound is: the tool does not linger after it.
                onset = recorder.time_of(start, chunks)
                self.assertLess(exited - onset, len(wav) / RECORD_RATE + 0.5)
                said = self.listener.hear(segment.astype("<i2").tobytes())
                errors += edits(words(sentence), said)
                total += len(words(sentence))
        self.assertLessEqual(errors, 0.10 * total, f"{errors} word errors in {total}")


class TutorThroughServerTest(unittest.TestCase):
    """The tutor on lesson 1 with line 1 current, its voices playing to the server."""

    def setUp(self):
        self.server = SoundServer().start()
        self.workdir = tempfile.TemporaryDirectory()
        course = copy_course(COURSE, self.workdir.name)
        self.log = os.path.join(self.workdir.name, "speech")
        self.program = Program(
            EXECUTABLE, course, ["--speech-log", self.log], environment=self.server.env
        )
        self.page = self.program.page
        self.assertTrue(self.program.open_lesson(), "lesson 1 did not open")
        # Every change of the current line, on the same clock as the recorder's.
        self.page.evaluate(
            "window.changes = []; new MutationObserver(() => {"
            " const now = (performance.timeOrigin + performance.now()) / 1000;"
            " const current = [...document.querySelectorAll('[id^=line]')].filter(e => {"
            "  const s = getComputedStyle(e);"
            "  return s.color === 'rgb(255, 0, 0)' && s.fontWeight === '700'; }).map(e => e.id);"
            " const last = window.changes[window.changes.length - 1];"
            " if (!last || last[1].join() !== current.join()) window.changes.push([now, current]);"
            "}).observe(document.body, {attributes: true, subtree: true, childList: true}); 0"
        )
        self.recorder = self.server.recorder()

    def tearDown(self):
        self.recorder.stop()
        self.program.kill()
        self.server.stop()
        self.workdir.cleanup()

    def wait_for_utterances(self, count, timeout=30):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if len(read_speech_log(self.log)) >= count:
                return
            time.sleep(0.05)
        self.fail(f"fewer than {count} utterances were spoken")

    def highlight_changes(self):
        """(time, current line ids) of every change of the current line so far."""
        return self.page.evaluate("window.changes")

    def heard_spans(self):
        samples, chunks = self.recorder.snapshot()
        return [
            (self.recorder.time_of(a, chunks), self.recorder.time_of(b, chunks))
            for a, b in sound_spans(samples)
        ]

    def test_read_aloud_is_heard_with_the_highlight_and_stop_silences_it(self):
        self.program.press("朗读")
        # Into line 4, a line spoken by both voices.
        self.assertTrue(
            self.page.wait_for("window.changes.filter(c => c[1].length).length >= 4"),
            "reading did not go on",
        )
        time.sleep(1.0)
        stopped = self.program.press("停止")
        time.sleep(1.0)
        spans = self.heard_spans()
        self.assertTrue(spans, "nothing was heard")
        self.assertTrue(
            all(end <= stopped + 0.1 for _, end in spans),
            [round(end - stopped, 3) for _, end in spans],
        )
        # Each line's highlight comes with its sound. Where each utterance was heard is found by
        # its own samples, so that a soft first sound ("Hello") counts from where it starts, not
        # from where it grows loud.
        samples, chunks = self.recorder.snapshot()
        onsets = []
        # (A stop drops what the server holds, so the stopped line is heard only in part.)
        for utterance in (u for u in read_speech_log(self.log) if not u["purged"]):
            sound = read_wav(os.path.join(self.log, utterance["wav"]))
            value, start = best_match(samples, sound)
            self.assertGreater(value, 0.9, utterance["text"])
            onsets.append(self.recorder.time_of(start, chunks))
        changes = [(at, lines) for at, lines in self.highlight_changes() if lines and at < stopped]
        self.assertGreaterEqual(len(changes), 4)
        for at, lines in changes[:-1]:
            onset = min((o for o in onsets if o >= at - 0.1), default=None)
            self.assertIsNotNone(onset, f"{lines} was never heard")
            self.assertLess(abs(onset - at), 0.1, (lines, round(onset - at, 3)))

        # Quiet for 3 s, the tutor holds no stream open.
        time.sleep(2.0)
        self.assertEqual(self.server.sink_inputs(), [])

    def test_phonetic_sounds_and_the_chinese_voice_are_heard(self):
        # Section 2, whose vowel lines start with a recorded sound: "[ii] meet, ... 长元音".
        self.program.click("#Select1")
        time.sleep(0.5)
        self.program.pointer("key", "Down", "Return")
        self.assertTrue(
            self.page.wait_for("document.getElementById('Select1').selectedIndex === 1")
        )
        self.program.click("#Goto")
        self.assertTrue(
            self.page.wait_for(
                "[...document.querySelectorAll('[id^=line]')].some(e => e.innerText.startsWith('[ii]'))"
            )
        )
        line = self.page.evaluate(
            "[...document.querySelectorAll('[id^=line]')]"
            ".find(e => e.innerText.startsWith('[ii]')).id"
        )
        self.program.click(f"#{line}")
        # The sound, the English and the Chinese run, each played whole.
        deadline = time.monotonic() + 30
        while sum(not u["purged"] for u in read_speech_log(self.log)) < 3:
            self.assertLess(time.monotonic(), deadline, "the line was not spoken")
            time.sleep(0.05)
        time.sleep(0.5)
        samples, _ = self.recorder.snapshot()
        kinds = set()
        # (A stop drops what the server holds, so a stopped utterance is heard only in part.)
        for utterance in (u for u in read_speech_log(self.log) if not u["purged"]):
            sound = read_wav(os.path.join(self.log, utterance["wav"]))
            kind = "sound" if utterance.get("file") else utterance["voice"]
            print(
                "M",
                kind,
                utterance.get("text"),
                utterance.get("file"),
                utterance["purged"],
                len(sound),
                best_match(samples, sound)[0],
            )
            self.assertGreater(best_match(samples, sound)[0], 0.9, kind)
            kinds.add(kind)
        self.assertTrue({"sound", "espeak_cmn"} <= kinds, kinds)

    def test_the_tutor_goes_on_when_the_server_dies_and_uses_it_when_it_is_back(self):
        self.program.press("朗读")
        self.wait_for_utterances(1)
        self.recorder.stop()
        self.server.kill()
        killed = len(read_speech_log(self.log))
        # Reading goes on in silence, line after line, at the pace of speech.
        self.wait_for_utterances(killed + 2)
        self.program.press("停止")

        self.server.start()
        self.recorder = self.server.recorder()
        # The sound system reconnects on its own after a few seconds.
        time.sleep(4)
        before = len(read_speech_log(self.log))
        self.program.click("#line4")
        self.wait_for_utterances(before + 1)
        time.sleep(0.5)
        samples, _ = self.recorder.snapshot()
        self.assertTrue(sound_spans(samples), "the server that came back is not used")
        self.assertEqual(self.program.close(), 0)


if __name__ == "__main__":
    SAY = os.path.abspath(sys.argv.pop(1))
    EXECUTABLE = os.path.abspath(sys.argv.pop(1))
    COURSE = os.path.abspath(sys.argv.pop(1))
    unittest.main()
