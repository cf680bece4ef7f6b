"""From a click on a lesson name to line 1 shown highlighted, with the real page engine.
Usage: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" /usr/bin/python3 bench/lesson_open_bench.py \
           build/bin/quorvan build/course [RUNS]"""

import os
import shutil
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import Program  # noqa: E402

HIGHLIGHTED = (
    "(() => { const l = document.getElementById('line1');"
    " return l !== null && getComputedStyle(l).color === 'rgb(255, 0, 0)'; })()"
)


def wait(page, expression, poll=0.002, timeout=20):
    deadline = time.perf_counter() + timeout
    while time.perf_counter() < deadline:
        try:
            if page.evaluate(expression):
                return time.perf_counter()
        except RuntimeError:
            pass  # the page is being replaced
        time.sleep(poll)
    raise RuntimeError("timed out waiting for " + expression)


def main():
    executable, course = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 7
    with tempfile.TemporaryDirectory() as workdir:
        copy = os.path.join(workdir, "course")
        shutil.copytree(course, copy)
        program = Program(executable, copy)
        try:
            page = program.page
            wait(page, "document.body.innerText.includes('欢迎进入')", poll=0.05)
            program.click(".folder")
            times = []
            for _ in range(runs):
                wait(page, "document.querySelectorAll('.file').length >= 3", poll=0.05)
                x, y = program.element_centre(".file")
                program.pointer("mousemove", "--sync", str(x), str(y))
                started = time.perf_counter()
                program.pointer("click", "1")
                times.append(wait(page, HIGHLIGHTED) - started)
                program.click(".folder")
        finally:
            program.kill()
    print("runs:", " ".join(f"{t * 1000:.0f}" for t in times), "ms")
    print(
        f"median click to highlighted line 1: {statistics.median(times) * 1000:.0f} ms over {runs} runs"
    )


if __name__ == "__main__":
    main()
