"""The real program speaks under X: started in a copy of the sample course with --speech-log, with
the real engines and no audio device, a click on a lesson line must log the line's English as one
utterance whose sound is as long as the same text spoken by quorvan-say, with its words and mouth
shapes.

Usage: xvfb-run -a python3 speech_e2e.py QUORVAN QUORVAN_SAY COURSE_DIR"""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import wave

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "e2e"))
from desktop import Program, read_speech_log  # noqa: E402

# Line 4 of the first lesson, after its speaker's name.
TEXT = "Good morning. How are you today?"


def seconds(path):
    with wave.open(path) as sound:
        return sound.getnframes() / sound.getframerate()


def wait_for_line(log, process, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if process.poll() is not None:
            raise AssertionError(f"the program ended early with status {process.returncode}")
        found = read_speech_log(log)
        if found:
            return found
        time.sleep(0.2)
    raise AssertionError("nothing was spoken")


def main():
    quorvan, say, course = (os.path.abspath(a) for a in sys.argv[1:4])
    env = dict(os.environ)
    if os.geteuid() == 0:
        env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox")
    with tempfile.TemporaryDirectory() as scratch:
        folder = os.path.join(scratch, "course")
        shutil.copytree(course, folder)
        log = os.path.join(scratch, "log")
        program = Program(quorvan, folder, ["--speech-log", log])
        try:
            assert program.open_lesson(), "lesson 1 did not open"
            assert TEXT in program.page.evaluate("document.getElementById('line4').innerText")
            program.click("#line4")
            lines = wait_for_line(log, program.process, 60)
        finally:
            program.kill()

        line = lines[0]
        assert line["voice"] == "cmu_us_rms", line["voice"]
        assert line["text"].strip() == TEXT, line["text"]
        assert not line["purged"], line
        words = [e for e in line["events"] if e["type"] == "word"]
        visemes = [e for e in line["events"] if e["type"] == "viseme"]
        assert len(words) == 6, words
        assert len(visemes) > len(words), visemes
        assert line["events"][-1]["type"] == "end", line["events"][-1]

        heard = seconds(os.path.join(log, line["wav"]))
        reference = os.path.join(scratch, "reference.wav")
        subprocess.run([say, "-o", reference, line["text"]], check=True, env=env)
        expected = seconds(reference)
        assert abs(heard - expected) < 0.01, (heard, expected)
        # It played in real time: as long on the clock as in the file.
        played = (line["end_ms"] - line["start_ms"]) / 1000
        assert abs(played - heard) < 0.1, (played, heard)
        print(f"spoken: {heard:.2f} s of sound, {played:.2f} s on the clock, {len(words)} words")


if __name__ == "__main__":
    main()
