"""The press of 朗读 to the first sample heard: the real program under X, its voices playing to a
private sound server whose sink is recorded, measured with the tutor's streams closed (quiet for
longer than the tutor keeps them) and open (pressed again right after 停止).

Usage: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \\
         /usr/bin/python3 bench/audio_first_sample_bench.py build/bin/quorvan build/course [RUNS]"""

import os
import shutil
import statistics
import struct
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import Program  # noqa: E402
from run_e2e import SETTINGS_FORMAT  # noqa: E402
from sound_server import SoundServer, sound_spans  # noqa: E402


def first_sound_after(recorder, since, timeout=5):
    deadline = time.time() + timeout
    while time.time() < deadline:
        samples, chunks = recorder.snapshot()
        for start, _ in sound_spans(samples):
            at = recorder.time_of(start, chunks)
            if at >= since:
                return at
        time.sleep(0.02)
    raise RuntimeError("nothing was heard after the press")


def press_and_listen(program, recorder):
    pressed = program.press("朗读")
    heard = first_sound_after(recorder, pressed)
    program.press("停止")
    return (heard - pressed) * 1000


def main():
    executable, course_source = (os.path.abspath(a) for a in sys.argv[1:3])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    with SoundServer() as server, tempfile.TemporaryDirectory() as scratch:
        course = os.path.join(scratch, "course")
        shutil.copytree(course_source, course)
        with open(os.path.join(course, "quorvan.set"), "wb") as f:
            f.write(struct.pack(SETTINGS_FORMAT, 2, 1, 1, 1, 1, 1, 0, 1, 1,
                                10, b"merlin.acs", 9, b"Genie.acs", 0, 0, 0, 0, 4))
        env = dict(server.env)
        if os.geteuid() == 0:
            env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox")
        program = Program(executable, course, environment=env)
        recorder = server.recorder()
        try:
            if not program.open_lesson():
                raise RuntimeError("the lesson did not open")
            idle, open_ = [], []
            for _ in range(runs):
                while server.sink_inputs():
                    time.sleep(0.1)
                idle.append(press_and_listen(program, recorder))
                time.sleep(0.5)
                open_.append(press_and_listen(program, recorder))
                time.sleep(0.3)
        finally:
            recorder.stop()
            program.kill()
    for name, times in (("closed (idle)", idle), ("open", open_)):
        times.sort()
        print(f"streams {name:13s}: median {statistics.median(times):6.1f} ms, "
              f"p90 {times[int(len(times) * 0.9)]:6.1f} ms, max {times[-1]:6.1f} ms "
              f"over {len(times)} presses")


if __name__ == "__main__":
    main()
