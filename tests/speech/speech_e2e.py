"""The real program speaks under X: started in a copy of the sample course with --speech-log and
the --test-speak hook, with the real engines and no audio device, it must log one utterance
whose sound is as long as the same text spoken by quorvan-say, with its words and mouth shapes.

Usage: xvfb-run -a python3 speech_e2e.py QUORVAN QUORVAN_SAY COURSE_DIR"""

import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import wave

TEXT = "Good morning, how are you today?"


def seconds(path):
    with wave.open(path) as sound:
        return sound.getnframes() / sound.getframerate()


def wait_for_line(log, process, timeout):
    deadline = time.time() + timeout
    while time.time() < deadline:
        if process.poll() is not None:
            raise AssertionError(f"the program ended early with status {process.returncode}")
        try:
            with open(log, encoding="utf-8") as lines:
                found = [json.loads(line) for line in lines if line.strip()]
            if found:
                return found
        except FileNotFoundError:
            pass
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
        process = subprocess.Popen([quorvan, "--speech-log", log, "--test-speak", TEXT],
                                   cwd=folder, env=env, start_new_session=True,
                                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            lines = wait_for_line(os.path.join(log, "speech.jsonl"), process, 90)
        finally:
            if process.poll() is None:
                os.killpg(process.pid, signal.SIGTERM)
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    os.killpg(process.pid, signal.SIGKILL)
                    process.wait()

        assert len(lines) == 1, lines
        line = lines[0]
        assert line["voice"] == "cmu_us_rms", line["voice"]
        assert line["text"] == TEXT, line["text"]
        assert not line["purged"], line
        words = [e for e in line["events"] if e["type"] == "word"]
        visemes = [e for e in line["events"] if e["type"] == "viseme"]
        assert len(words) == 6, words
        assert len(visemes) > len(words), visemes
        assert line["events"][-1]["type"] == "end", line["events"][-1]

        heard = seconds(os.path.join(log, line["wav"]))
        reference = os.path.join(scratch, "reference.wav")
        subprocess.run([say, "-o", reference, TEXT], check=True, env=env)
        expected = seconds(reference)
        assert abs(heard - expected) < 0.01, (heard, expected)
        # It played in real time: as long on the clock as in the file.
        played = (line["end_ms"] - line["start_ms"]) / 1000
        assert abs(played - heard) < 0.1, (played, heard)
        print(f"spoken: {heard:.2f} s of sound, {played:.2f} s on the clock, {len(words)} words")


if __name__ == "__main__":
    main()
