"""Opens the worst lesson files of a hostile course (huge declared lengths, millions of short lines,
special files, names outside the course) in the real program and reports, per lesson: the seconds
from the click to the built page (the GUI thread does all of opening and building within that
time, so it bounds how long the tutor can have been frozen), the peak memory of the program with
its page engine, and the bytes it wrote.

Usage: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" /usr/bin/python3 \
           bench/hostile_lesson_bench.py build/bin/quorvan build/course build/bin/quorvan-pack"""

import os
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import hostile_course  # noqa: E402
from desktop import Program  # noqa: E402
from run_hostile_e2e import back_to_contents, open_lesson  # noqa: E402

from gui_watch import tree_rss  # noqa: E402


def written(pid):
    with open(f"/proc/{pid}/io") as f:
        return next(int(line.split()[1]) for line in f if line.startswith("wchar"))


def main():
    executable, course_source, pack_tool = (os.path.abspath(a) for a in sys.argv[1:4])
    with tempfile.TemporaryDirectory() as workdir:
        course, lessons = hostile_course.make(course_source, workdir, pack_tool)
        program = Program(executable, course)
        peak = [0]
        sampling = [True]

        def sample():
            while sampling[0]:
                peak[0] = max(peak[0], tree_rss(program.process.pid))
                time.sleep(0.05)

        sampler = threading.Thread(target=sample, daemon=True)
        sampler.start()
        try:
            program.page.wait_for("document.body.innerText.includes('欢迎进入')")
            program.click(".folder")
            print(f"{'lesson':10} {'to page':>9} {'peak memory':>12} {'written':>10}")
            for name in lessons:
                time.sleep(0.5)
                peak[0] = 0
                before = written(program.process.pid)
                seconds = open_lesson(program, name, timeout=120)
                time.sleep(0.5)
                print(
                    f"{name:10} {seconds:8.2f}s "
                    f"{peak[0] / 2**20:9.0f}MiB {(written(program.process.pid) - before) / 2**20:7.1f}MiB",
                    flush=True,
                )
                back_to_contents(program)
        finally:
            sampling[0] = False
            program.kill()


if __name__ == "__main__":
    main()
