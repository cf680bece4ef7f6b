"""Closes the real tutor while it speaks and reports how long the process took to end after the
window manager's close request: idle, in the longest line it speaks (about 1,950 bytes of numbers,
minutes of speech), and after a 98 KB line it refuses. Runs each case ROUNDS times.

Usage: xvfb-run -a /usr/bin/python3 bench/close_while_speaking_bench.py build/bin/quorvan \
           build/course build/bin/quorvan-pack [ROUNDS]"""

import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import hostile_course  # noqa: E402
from desktop import Program  # noqa: E402
from run_hostile_e2e import open_brackets  # noqa: E402

CASES = {"idle": [], "longest line": ["#line3"], "refused line, then longest": ["#line4", "#line3"]}


def close_seconds(executable, course, clicks):
    program = Program(executable, course)
    try:
        open_brackets(program)
        for selector in clicks:
            program.click(selector)
        time.sleep(1)
        started = time.monotonic()
        status = program.close(timeout=600)
        assert status == 0, status
        return time.monotonic() - started
    finally:
        program.kill()


def main():
    executable, course_source, pack = (os.path.abspath(a) for a in sys.argv[1:4])
    rounds = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    print(f"{'case':28} {'median':>8} {'longest':>8}")
    for name, clicks in CASES.items():
        times = []
        for _ in range(rounds):
            with tempfile.TemporaryDirectory() as folder:
                course, _ = hostile_course.make(course_source, folder, pack)
                times.append(close_seconds(executable, course, clicks))
        print(f"{name:28} {statistics.median(times):7.2f}s {max(times):7.2f}s")


if __name__ == "__main__":
    main()
