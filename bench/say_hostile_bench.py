"""quorvan-say on hostile texts of 100 KB, as a text and as a lesson line (--line), with a course
whose phonetic table plays "[ai]": for each, the exit status, the seconds until it ended (synthesis
alone: the audio goes to a WAV file as fast as it is made), its peak memory and its last line on
stderr.

Usage: /usr/bin/python3 bench/say_hostile_bench.py build/bin/quorvan-say"""

import os
import subprocess
import sys
import tempfile
import time
import wave

SIZE = 100_000


def repeated(piece, size=SIZE):
    return piece * (size // len(piece))


TEXTS = {
    "brackets": "Hello " + repeated("[]"),
    "nested": repeated("[", SIZE // 2) + repeated("]", SIZE // 2),
    "words": repeated("Good morning, how are you today? "),
    "letters": repeated("a"),
    "dense": repeated("W&"),
    "sounds": repeated("[ai] "),
    "chinese": repeated("你好，我很好。", SIZE // 3),
    # As much as a text may say, of the slowest speech to make, and pairs of brackets after it.
    "dense-fit": repeated("W&", 1950) + repeated("[]", SIZE - 1950),
    "numbers-fit": repeated("7777 ", 1950) + repeated("[]", SIZE - 1950),
}


def make_course(folder):
    os.makedirs(os.path.join(folder, "phonetic"))
    with open(os.path.join(folder, "phonetic", "phonetic.idx"), "w") as f:
        f.write("[ai]=ai.wav@6\n")
    with wave.open(os.path.join(folder, "phonetic", "ai.wav"), "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(16000)
        w.writeframes(bytes(8000))


def run(say, arguments):
    """(status, seconds, peak MB, last stderr line) of one run of quorvan-say."""
    started = time.monotonic()
    process = subprocess.Popen([say, *arguments], stderr=subprocess.PIPE, stdout=subprocess.DEVNULL)
    errors = process.stderr.read().decode(errors="replace").strip().splitlines()
    _, status, usage = os.wait4(process.pid, 0)
    seconds = time.monotonic() - started
    last = next((line for line in reversed(errors) if "XDG_RUNTIME_DIR" not in line), "")
    return os.waitstatus_to_exitcode(status), seconds, usage.ru_maxrss / 1024, last


def main():
    say = os.path.abspath(sys.argv[1])
    print(f"{'text':10} {'mode':6} {'status':>6} {'seconds':>8} {'peak MB':>8}  stderr")
    with tempfile.TemporaryDirectory() as folder:
        course = os.path.join(folder, "course")
        make_course(course)
        output = os.path.join(folder, "out.wav")
        for name, text in TEXTS.items():
            for mode in ("text", "line"):
                arguments = ["--course", course, "-o", output, text]
                if mode == "line":
                    arguments.insert(0, "--line")
                status, seconds, peak, last = run(say, arguments)
                print(f"{name:10} {mode:6} {status:6} {seconds:8.2f} {peak:8.1f}  {last[:90]}")
                sys.stdout.flush()


if __name__ == "__main__":
    main()
