"""Starts the real program on a course whose sounds, mouth pictures and tables are hostile and
reports, per case: the seconds from the start to the main window, the longest time the GUI thread
left a window manager's ping unanswered (for 8 s from the window's appearance, and for 8 s from a
click on a lesson line that plays a phonetic sound), the peak memory of the program with its page
engine, and its log lines. A program is killed at 3 GB or when no window comes within 200 s. The
mouth pictures are shown, as a learner may choose.

Run it with a sound server, as the title sound is decoded only for an audio output:

    python3 tests/e2e/sound_server.py xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" \\
        /usr/bin/python3 bench/hostile_media_bench.py build/bin/quorvan build/course \\
        build/bin/quorvan-pack [CASE...]"""

import os
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import (  # noqa: E402
    SETTINGS_FORMAT,
    DevTools,
    Program,
    copy_course,
    free_port,
    shared_display,
)
from hostile_course import pack  # noqa: E402
from run_hostile_e2e import open_lesson  # noqa: E402

from gui_watch import PingWatch, tree_rss  # noqa: E402

WINDOW_TIMEOUT = 200
WATCH_SECONDS = 8
MEMORY_LIMIT = 3 << 30


def wav_header(rate, channels, data_bytes):
    """The 44-byte header of a 16-bit PCM WAV file with DATA_BYTES of samples."""
    block = 2 * channels
    return (
        b"RIFF"
        + struct.pack("<I", min(36 + data_bytes, 0xFFFFFFFF))
        + b"WAVEfmt "
        + struct.pack("<IHHIIHH", 16, 1, channels, rate, rate * block, block, 16)
        + b"data"
        + struct.pack("<I", data_bytes)
    )


def sparse_wav(path, rate, channels, data_bytes):
    """A WAV file of DATA_BYTES of silence that takes no room on the disk."""
    with open(path, "wb") as f:
        f.write(wav_header(rate, channels, data_bytes))
        f.truncate(44 + data_bytes)


def rle_bitmap(width, height, size):
    """An 8-bit run-length BMP file of SIZE bytes whose header says WIDTH x HEIGHT: its few runs
    leave the rest of the picture to be cleared, which a decoder does over all of it."""
    palette = bytes(4) + b"\xff\xff\xff\x00"
    offset = 14 + 40 + len(palette)
    header = b"BM" + struct.pack("<IHHI", size, 0, 0, offset)
    header += struct.pack(
        "<IiiHHIIiiII", 40, width, height, 1, 8, 1, size - offset, 2835, 2835, 2, 0
    )
    runs = (b"\xff\x01" * 8 + b"\x00\x00") * (size // 18)
    return (header + palette + runs)[:size]


CASES = (
    "sample",
    "sound_10mhz_4gb",
    "sound_64ch_599s",
    "sound_64ch_22s",
    "pictures_5000px",
    "tables_100k_lines",
    "title_2gb",
)


def make_case(name, course):
    """Arranges the hostile files of case NAME in the copied course."""
    phonetic = os.path.join(course, "phonetic")
    viseme = os.path.join(course, "Viseme")
    if name == "sound_10mhz_4gb":
        # 214 s at 10 MHz: within 600 s, but 2 G samples.
        sparse_wav(os.path.join(phonetic, "ii.wav"), 10_000_000, 1, 0xFFFFFFD0)
    elif name == "sound_64ch_599s":
        sparse_wav(os.path.join(phonetic, "ii.wav"), 44100, 64, 599 * 44100 * 128)
    elif name == "sound_64ch_22s":
        # Within every limit, the most a sound may take to decode: 244 MiB of samples.
        sparse_wav(os.path.join(phonetic, "ii.wav"), 44100, 64, 1_000_000 * 128)
    elif name == "pictures_5000px":
        with open(os.path.join(viseme, "big.bmp"), "wb") as f:
            f.write(rle_bitmap(5000, 5000, 5 << 10))
        with open(os.path.join(viseme, "viseme.idx"), "wb") as f:
            f.write(b"".join(b"%d=big.bmp\r\n" % n for n in range(1, 23)))
    elif name == "tables_100k_lines":
        # Short lines, so that each table stays within the 1 MiB a table may have.
        with open(os.path.join(viseme, "viseme.idx"), "wb") as f:
            f.write(b"".join(b"%d=aa.bmp\n" % (n % 9 + 1) for n in range(100_000)))
        with open(os.path.join(phonetic, "phonetic.idx"), "wb") as f:
            f.write(b"[ii]=ii.wav\n" + b"[a]=i.wav\n" * 99_999)
    elif name == "title_2gb":
        sparse_wav(os.path.join(course, "logo.wav"), 44100, 2, 2 << 30)


class WatchedProgram(Program):
    """The real program in a course folder, started as desktop.Program starts it, but with its
    log kept, in a session of its own that a memory watchdog kills at MEMORY_LIMIT, and waited
    for as long as WINDOW_TIMEOUT."""

    def __init__(self, executable, course, log_path):
        self.display = shared_display()
        self.port = free_port()
        env = dict(os.environ)
        env["QTWEBENGINE_REMOTE_DEBUGGING"] = f"127.0.0.1:{self.port}"
        env.pop("QT_QPA_PLATFORM", None)
        if os.geteuid() == 0:
            env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--no-sandbox"
        self.log = open(log_path, "wb")
        started = time.monotonic()
        self.process = subprocess.Popen(
            [executable],
            cwd=course,
            env=env,
            stdout=subprocess.DEVNULL,
            stderr=self.log,
            start_new_session=True,
        )
        self.peak, self.killed, self.sampling = 0, None, True
        self.sampler = threading.Thread(target=self._sample, daemon=True)
        self.sampler.start()
        self.window, self.window_seconds, self.page = None, None, None
        while self.process.poll() is None and time.monotonic() - started < WINDOW_TIMEOUT:
            self.window = self._search(self.display.screen().root, "Quorvan")
            if self.window is not None:
                self.window_seconds = time.monotonic() - started
                break
            time.sleep(0.05)
        if self.window is not None:
            self.page = DevTools(self.port)

    def _sample(self):
        while self.sampling:
            self.peak = max(self.peak, tree_rss(self.process.pid))
            if self.peak > MEMORY_LIMIT and self.killed is None:
                self.killed = "killed at 3 GB"
                os.killpg(self.process.pid, signal.SIGKILL)
            time.sleep(0.05)

    def view_offset(self):
        # The lesson view fills the window right of the mouth pictures' strip.
        _, _, width, _ = self.window_origin()
        return width - self.page.evaluate("window.innerWidth"), 3

    def alive(self):
        return self.process.poll() is None

    def kill(self):
        self.sampling = False
        self.sampler.join()
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
        self.process.wait()
        if self.page is not None:
            self.page.sock.close()
        self.log.close()


def show_mouth(course):
    """Settings as copy_course writes them, with the mouth pictures shown beside the page."""
    with open(os.path.join(course, "quorvan.set"), "wb") as f:
        f.write(
            struct.pack(
                SETTINGS_FORMAT,
                2, 1, 1, 1, 1, 1, 1, 1, 1,
                10, b"merlin.acs", 9, b"Genie.acs",
                0, 0, 0, 0, 4,
            )
        )  # fmt: skip


def run_case(executable, course_source, pack_tool, workdir, name, pinger):
    course = copy_course(course_source, os.path.join(workdir, name))
    show_mouth(course)
    pack(pack_tool, b"#1Sounds@0#\n[ii] meet\n#\n", os.path.join(course, "sounds.dat"))
    with open(os.path.join(course, "cntindex.idx"), "ab") as f:
        f.write(b"Sounds=sounds.dat\r\n")
    make_case(name, course)
    log = os.path.join(workdir, name + ".log")
    program = WatchedProgram(executable, course, log)
    start_stall = click_stall = None
    try:
        if program.window is not None:
            start_stall = pinger.watch(program.window.id, WATCH_SECONDS, program.process)
        if program.alive() and program.page is not None:
            program.page.wait_for("document.body.innerText.includes('欢迎进入')", 60)
            program.click(".folder")
            open_lesson(program, "Sounds", timeout=120)
            program.click("#line1")
            click_stall = pinger.watch(program.window.id, WATCH_SECONDS, program.process)
    except (AssertionError, RuntimeError, OSError) as error:
        # Killed midway, or a window too wide for the screen to click the line in: what was
        # measured until then stands.
        state = "alive" if program.alive() else "ended"
        print(f"  ({name}: no click on the line, {type(error).__name__}; {state})", flush=True)
    finally:
        program.kill()
    with open(log, errors="replace") as f:
        lines = [line.rstrip("\n") for line in f if line.startswith("quorvan:")]
    return program.window_seconds, start_stall, click_stall, program.peak, program.killed, lines


def seconds_text(value, width):
    return f"{value:{width - 1}.2f}s" if value is not None else f"{'-':>{width}}"


def main():
    executable, course_source, pack_tool = (os.path.abspath(a) for a in sys.argv[1:4])
    wanted = sys.argv[4:]
    pinger = PingWatch()
    print(f"{'case':20} {'window':>8} {'start stall':>12} {'click stall':>12} {'peak memory':>12}")
    with tempfile.TemporaryDirectory() as workdir:
        for name in wanted or CASES:
            window, start_stall, click_stall, peak, killed, lines = run_case(
                executable, course_source, pack_tool, workdir, name, pinger
            )
            window_text = seconds_text(window, 8)
            if window is None and not killed:
                window_text = f">{WINDOW_TIMEOUT}s"
            note = f"  ({killed})" if killed else ""
            print(
                f"{name:20} {window_text:>8} {seconds_text(start_stall, 12)} "
                f"{seconds_text(click_stall, 12)} {peak / 2**20:9.0f}MiB{note}",
                flush=True,
            )
            for line in lines[:5]:
                print(f"    {line[:160]}")
            if len(lines) > 5:
                print(f"    ... {len(lines) - 5} more log lines")


if __name__ == "__main__":
    main()
