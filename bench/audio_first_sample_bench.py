"""The press of 朗读 to the first sample heard: the real program under X, its voices playing to a
private sound server whose sink is recorded, measured with the tutor's streams closed (quiet for
longer than the tutor keeps them) and open (pressed again right after 停止).

Usage: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \\
         /usr/bin/python3 bench/audio_first_sample_bench.py build/bin/quorvan build/course [RUNS]"""

import os
import statistics
import sys
import tempfile
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import Program, copy_course, read_speech_log  # noqa: E402
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


def press_and_listen(program, recorder, log):
    """Ms from the press to the first sample heard, or None when the line read first has nothing
    to say (a picture, or the silent round at a section's end) and speech starts later."""
    pressed = program.press("朗读")
    heard = first_sound_after(recorder, pressed)
    program.press("停止")
    asked = [
        u["program_start_unix_ms"] / 1000 + u["requested_ms"] / 1000 for u in read_speech_log(log)
    ]
    if not any(0 <= at - pressed < 0.1 for at in asked):
        return None
    return (heard - pressed) * 1000


def main():
    executable, course_source = (os.path.abspath(a) for a in sys.argv[1:3])
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 15
    with SoundServer() as server, tempfile.TemporaryDirectory() as scratch:
        course = copy_course(course_source, scratch)
        env = dict(server.env)
        if os.geteuid() == 0:
            env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox")
        log = os.path.join(scratch, "speech")
        program = Program(executable, course, ["--speech-log", log], environment=env)
        recorder = server.recorder()
        try:
            if not program.open_lesson():
                raise RuntimeError("the lesson did not open")
            idle, open_ = [], []
            for _ in range(3 * runs):
                if min(sum(t is not None for t in found) for found in (idle, open_)) >= runs:
                    break
                while server.sink_inputs():
                    time.sleep(0.1)
                idle.append(press_and_listen(program, recorder, log))
                time.sleep(0.5)
                open_.append(press_and_listen(program, recorder, log))
                time.sleep(0.3)
        finally:
            recorder.stop()
            program.kill()
    for name, all_times in (("closed (idle)", idle), ("open", open_)):
        times = sorted(t for t in all_times if t is not None)
        print(f"({len(all_times) - len(times)} presses on a line with nothing to say left out)")
        print(
            f"streams {name:13s}: median {statistics.median(times):6.1f} ms, "
            f"p90 {times[int(len(times) * 0.9)]:6.1f} ms, max {times[-1]:6.1f} ms "
            f"over {len(times)} presses"
        )


if __name__ == "__main__":
    main()
