"""Time from process start to the cover page's completion, with the real page engine.
Usage: xvfb-run -a python3 bench/startup_bench.py build/bench/startup_probe [RUNS]"""

import os
import statistics
import subprocess
import sys
import tempfile
import time


def main():
    probe = os.path.abspath(sys.argv[1])
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 7
    env = dict(os.environ)
    if os.geteuid() == 0:
        env.setdefault("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox")
    times = []
    for _ in range(runs):
        with tempfile.TemporaryDirectory() as course:
            open(os.path.join(course, "cntindex.idx"), "w").close()
            started = time.time()
            out = subprocess.run(
                [probe], cwd=course, env=env, capture_output=True, text=True, timeout=60, check=True
            ).stdout
            times.append(float(out.split()[0]) - started)
    print("runs:", " ".join(f"{t:.3f}" for t in times))
    print(f"median start to cover page: {statistics.median(times):.3f} s over {runs} runs")


if __name__ == "__main__":
    main()
