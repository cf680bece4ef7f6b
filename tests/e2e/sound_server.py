"""A private sound server for tests, as a learner's desktop has one: PulseAudio with its own
runtime folder and a null sink as the default device, and a recorder of that sink's monitor that
stamps what it hears with the wall clock (time.time()), which a page's clock also follows.

With a microphone (SoundServer(microphone=True)), a second null sink stands for the air in front
of the microphone: what a test plays into it (play_to_microphone) the default source hears. Qt
lists no monitor sources as inputs, so the default source is a remapped copy of that sink's
monitor, which Qt takes for a microphone. Without one, the server has no source Qt lists.

As a program: sound_server.py COMMAND... runs COMMAND with the server as its sound server."""

import array
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

import numpy

SINK = "quorvan_test"
MICROPHONE_SINK = "quorvan_air"
MICROPHONE = "quorvan_microphone"
RECORD_RATE = 16000


class SoundServer:
    def __init__(self, microphone=False):
        self.microphone = microphone
        self.folder = tempfile.mkdtemp(prefix="quorvan-pulse-")
        runtime = os.path.join(self.folder, "run")
        os.mkdir(runtime, 0o700)
        self.socket = os.path.join(runtime, "pulse", "native")
        # Clients find the server here; HOME keeps the server's cookie and state out of the
        # user's own.
        self.env = dict(
            os.environ,
            XDG_RUNTIME_DIR=runtime,
            HOME=self.folder,
            PULSE_SERVER="unix:" + self.socket,
        )
        self.env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        self.process = None
        self.listener = None

    def start(self, timeout=20):
        # A desktop's sink: 48 kHz stereo, whatever the voices' own rates are.
        self.process = subprocess.Popen(
            [
                "pulseaudio",
                "-n",
                "--daemonize=no",
                "--exit-idle-time=-1",
                "--disallow-exit",
                "--use-pid-file=no",
                "--log-target=file:" + os.path.join(self.folder, "server.log"),
                "-L",
                f"module-null-sink sink_name={SINK} rate=48000 channels=2",
                "-L",
                "module-native-protocol-unix auth-anonymous=1",
            ],
            env=self.env,
            stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL,
            stderr=subprocess.DEVNULL,
        )
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise RuntimeError("the sound server did not start: " + self.server_log())
            if self.pactl("set-default-sink", SINK, check=False).returncode == 0:
                if self.microphone:
                    self._add_microphone()
                # A null sink left alone plays in blocks of two seconds, and a stream that starts
                # then waits for the next block; a listener at low latency keeps it as prompt as
                # a sound card.
                self.listener = subprocess.Popen(
                    ["parec", "--device=" + SINK + ".monitor", "--latency-msec=10", "--raw"],
                    env=self.env,
                    stdout=subprocess.DEVNULL,
                    stderr=subprocess.DEVNULL,
                )
                while self.sink_latency_ms() > 100:
                    if time.monotonic() > deadline:
                        raise RuntimeError("the sink did not become prompt")
                    time.sleep(0.05)
                return self
            time.sleep(0.1)
        raise RuntimeError("the sound server did not answer: " + self.server_log())

    def _add_microphone(self):
        self.pactl(
            "load-module",
            "module-null-sink",
            f"sink_name={MICROPHONE_SINK}",
            f"rate={RECORD_RATE}",
            "channels=1",
        )
        self.pactl(
            "load-module",
            "module-remap-source",
            f"master={MICROPHONE_SINK}.monitor",
            f"source_name={MICROPHONE}",
        )
        self.pactl("set-default-source", MICROPHONE)

    def play_to_microphone(self, wav):
        """Plays the WAV file into the air the microphone hears; returns once it has played."""
        subprocess.run(
            ["paplay", "--device=" + MICROPHONE_SINK, wav],
            env=self.env,
            check=True,
            timeout=120,
        )

    def microphone_streams(self):
        """The streams that record from the microphone, one line each."""
        sources = self.pactl("list", "short", "sources").stdout.splitlines()
        index = next(
            (line.split()[0] for line in sources if line.split()[1:2] == [MICROPHONE]), None
        )
        outputs = self.pactl("list", "short", "source-outputs").stdout.splitlines()
        return [line for line in outputs if line.split()[1:2] == [index]]

    def server_log(self):
        try:
            with open(os.path.join(self.folder, "server.log"), errors="replace") as f:
                return f.read()[-2000:]
        except OSError:
            return ""

    def pactl(self, *arguments, check=True):
        return subprocess.run(
            ["pactl", *arguments],
            env=self.env,
            capture_output=True,
            text=True,
            timeout=20,
            check=check,
        )

    def sink_latency_ms(self):
        match = re.search(r"Latency: (\d+) usec", self.pactl("list", "sinks").stdout)
        return int(match.group(1)) / 1000 if match else float("inf")

    def sink_inputs(self):
        """The streams playing into the sink, one line each."""
        return [
            line
            for line in self.pactl("list", "short", "sink-inputs").stdout.splitlines()
            if line.strip()
        ]

    def kill(self):
        """Goes away at once, as a crashed server does."""
        self._stop_listener()
        if self.process and self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(timeout=10)

    def _stop_listener(self):
        if self.listener and self.listener.poll() is None:
            self.listener.terminate()
            self.listener.wait(timeout=10)

    def stop(self):
        self._stop_listener()
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.kill()
        shutil.rmtree(self.folder, ignore_errors=True)

    def recorder(self):
        return Recorder(self)

    def __enter__(self):
        return self.start()

    def __exit__(self, *_):
        self.stop()


class Recorder:
    """Records the sink's monitor as mono 16 kHz samples, with the time each chunk arrived."""

    def __init__(self, server):
        self.process = subprocess.Popen(
            [
                "parec",
                "--device=" + SINK + ".monitor",
                "--format=s16le",
                f"--rate={RECORD_RATE}",
                "--channels=1",
                "--latency-msec=10",
                "--raw",
            ],
            env=server.env,
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
        )
        self.samples = array.array("h")
        self.chunks = []  # (samples recorded up to here, test clock when they arrived)
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, daemon=True)
        self.thread.start()
        # The recorder's first samples mark that it is running.
        deadline = time.monotonic() + 10
        while not self.chunks and time.monotonic() < deadline:
            time.sleep(0.01)

    def _read(self):
        pending = b""
        while True:
            data = os.read(self.process.stdout.fileno(), 4096)
            if not data:
                return
            arrived = time.time()
            pending += data
            whole = len(pending) // 2 * 2
            with self.lock:
                self.samples.frombytes(pending[:whole])
                self.chunks.append((len(self.samples), arrived))
            pending = pending[whole:]

    def stop(self):
        self.process.terminate()
        self.process.wait(timeout=10)
        self.thread.join(timeout=10)

    def snapshot(self):
        with self.lock:
            return array.array("h", self.samples), list(self.chunks)

    def time_of(self, index, chunks):
        """The wall clock when sample `index` was heard: its chunk's arrival less what followed it
        in the chunk."""
        for count, arrived in chunks:
            if count > index:
                return arrived - (count - index) / RECORD_RATE
        return chunks[-1][1] if chunks else 0.0


FRAME = RECORD_RATE // 100  # 10 ms


def levels(samples):
    """The RMS level of each 10 ms frame, in dB below full scale."""
    data = numpy.asarray(samples, dtype=numpy.float64)
    frames = data[: len(data) // FRAME * FRAME].reshape(-1, FRAME)
    energy = (frames**2).mean(axis=1) / 32768.0**2
    return 10 * numpy.log10(numpy.maximum(energy, 1e-12))


def sound_spans(samples, threshold_db=-45, gap_ms=150, shortest_ms=30):
    """(first, last) sample of each stretch of sound, stretches closer than `gap_ms` joined and
    clicks shorter than `shortest_ms` left out."""
    spans = []
    for i in numpy.flatnonzero(levels(samples) >= threshold_db):
        start = int(i) * FRAME
        if spans and start - spans[-1][1] <= gap_ms * RECORD_RATE // 1000:
            spans[-1][1] = start + FRAME
        else:
            spans.append([start, start + FRAME])
    shortest = shortest_ms * RECORD_RATE // 1000
    return [tuple(span) for span in spans if span[1] - span[0] >= shortest]


def main():
    with SoundServer() as server:
        sys.exit(subprocess.run(sys.argv[1:], env=server.env).returncode)


if __name__ == "__main__":
    main()
