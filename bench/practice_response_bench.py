"""How soon the learner sees the marks after speaking: the tutor's English voice (quorvan-say -o)
is played to the microphone of a private sound server, and the time from the end of the recording
(the tutor closing its capture) to the line marked on the page is taken, ROUNDS times, alternating
the line said well and with one word replaced. The goal is 0.5 s.

Usage: xvfb-run -a /usr/bin/python3 bench/practice_response_bench.py build/bin/quorvan-say \
           build/bin/quorvan build/course [ROUNDS]"""

import os
import statistics
import sys
import time
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
import run_practice_e2e  # noqa: E402


class Response(run_practice_e2e.PracticeTest):
    rounds = 6

    def test_response(self):
        self.start()
        line = f"document.getElementById('line{self.line}').innerHTML"
        seconds = []
        for n in range(self.rounds):
            before = self.program.page.evaluate(line)
            recorder = self.server.recorder()
            self.program.press("我来说")
            self.assertTrue(self.wait(lambda: self.heard_and_quiet(recorder)))
            recorder.stop()
            self.server.play_to_microphone(self.voices["replaced" if n % 2 else "model"])
            self.assertTrue(self.wait(lambda: not self.server.microphone_streams()))
            ended = time.monotonic()
            while self.program.page.evaluate(line) == before:
                self.assertLess(time.monotonic() - ended, 10, "no marks")
                time.sleep(0.005)
            seconds.append(time.monotonic() - ended)
        print(
            f"end of recording to marked line, {len(seconds)} rounds: median "
            f"{statistics.median(seconds):.3f} s, worst {max(seconds):.3f} s"
        )


if __name__ == "__main__":
    for name in ("SAY", "EXECUTABLE", "COURSE"):
        setattr(run_practice_e2e, name, os.path.abspath(sys.argv.pop(1)))
    if len(sys.argv) > 1:
        Response.rounds = int(sys.argv.pop(1))
    unittest.main(argv=[sys.argv[0], "Response.test_response"])
