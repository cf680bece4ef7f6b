"""Starts the real program with hostile character files and character names and reports, per case:
the seconds from the start to the main window, the longest time the GUI thread left a window
manager's ping unanswered (from the window's appearance on, for 8 s, or while the settings dialog
opens), the peak memory of the program with its page engine, and the bait files outside the
course, data and program folders that it opened (strace). A program is killed at 3 GB or when no
window comes within 200 s.

The program runs from a copy in a scratch tree (bin/quorvan beside share/quorvan/chars), so that
each case has a character folder of its own.

Usage: xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" /usr/bin/python3 \
           bench/hostile_character_bench.py build/bin/quorvan build/share/quorvan/chars [CASE...]"""

import base64
import json
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "e2e"))
from desktop import SETTINGS_FORMAT  # noqa: E402
from gui_watch import PingWatch, tree_rss  # noqa: E402

WINDOW_TIMEOUT = 200
WATCH_SECONDS = 8
MEMORY_LIMIT = 3 << 30
SVG = '<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" '


def settings_bytes(first, second=b"Genie.acs"):
    return struct.pack(
        SETTINGS_FORMAT.replace("10s", f"{len(first)}s").replace("9s", f"{len(second)}s"),
        2, 2, 2, 1, 1, 1, 0, 1, 1,
        len(first), first, len(second), second,
        100, 100, 900, 700, 4,
    )  # fmt: skip


def find_window(connection, title):
    def search(window):
        try:
            children = window.query_tree().children
        except Exception:
            return None
        for child in children:
            try:
                name = child.get_full_property(
                    connection.intern_atom("_NET_WM_NAME"), X.AnyPropertyType
                )
                text = name.value.decode("utf-8", "replace") if name else child.get_wm_name()
                if text == title and child.get_attributes().map_state == X.IsViewable:
                    return child
            except Exception:
                continue
            found = search(child)
            if found is not None:
                return found
        return None

    return search(connection.screen().root)


def frame(svg_body, width=160, height=200, prefix=""):
    return f'{prefix}{SVG}viewBox="0 0 {width} {height}">{svg_body}</svg>'


def character(base, frames=None, prefix_first="", name="Evil"):
    """The shipped character BASE as a JSON object, with FRAMES replacing its frames, or its first
    frame given PREFIX_FIRST."""
    with open(base, encoding="utf-8") as f:
        document = json.load(f)
    document["name"] = name
    if frames is not None:
        document["frames"] = frames
        first = next(iter(frames))
        for animation in document["animations"].values():
            animation["steps"] = [{"frame": first, "ms": 100}]
    if prefix_first:
        key = next(iter(document["frames"]))
        document["frames"][key] = prefix_first + document["frames"][key]
    return document


def translucent_circles(size, budget):
    """An SVG frame SIZE pixels square, as close to BUDGET bytes as circles over the whole frame
    fill it."""
    circle = "<circle cx='{0}' cy='{0}' r='{1}' fill='#3a6ea5' fill-opacity='0.05'/>"
    parts, used, i = [], 200, 0
    while True:
        piece = circle.format(size // 2 + i % 7, size // 2 + 40 + i % 5)
        if used + len(piece) > budget:
            break
        parts.append(piece)
        used += len(piece)
        i += 1
    return frame("".join(parts), size, size)


def inner_svg(href):
    inner = f'{SVG}width="40" height="40"><image width="40" height="40" xlink:href="{href}"/></svg>'
    return "data:image/svg+xml;base64," + base64.b64encode(inner.encode()).decode()


CASES = (
    "shipped",
    "stylesheet_fifo",
    "stylesheet_dev_zero",
    "stylesheet_outside",
    "data_svg_image_fifo",
    "data_svg_image_outside",
    "heavy_frames_30x512",
    "settings_dialog_50_files",
    "settings_dialog_50_largest",
    "name_climbing",
    "name_absolute",
    "name_in_course",
)


def make_case(name, shipped, out):
    """(files for the character folder, role 1's name, files for the course) of case NAME, with
    its bait files in OUT."""
    merlin = os.path.join(shipped, "merlin.acs")
    with open(merlin, "rb") as f:
        merlin_bytes = f.read()

    def evil(document):
        return {"evil.acs": json.dumps(document).encode()}, b"evil.acs", {}

    def stylesheet(href):
        return evil(
            character(merlin, prefix_first=f'<?xml-stylesheet type="text/css" href="{href}"?>')
        )

    def inner_image(href):
        body = f'<image width="40" height="40" xlink:href="{inner_svg(href)}"/>'
        return evil(character(merlin, frames={"rest": frame(body)}))

    if name == "shipped":
        return {}, b"merlin.acs", {}
    if name == "stylesheet_fifo":
        return stylesheet(os.path.join(out, "fifo"))
    if name == "stylesheet_dev_zero":
        return stylesheet("/dev/zero")
    if name == "stylesheet_outside":
        return stylesheet(os.path.join(out, "secret.css"))
    if name == "data_svg_image_fifo":
        return inner_image(os.path.join(out, "fifo"))
    if name == "data_svg_image_outside":
        return inner_image(os.path.join(out, "secret.png"))
    if name == "heavy_frames_30x512":
        heavy = character(
            merlin, frames={f"f{i}": translucent_circles(512, 255 << 10) for i in range(30)}
        )
        heavy["width"] = heavy["height"] = 512
        heavy.pop("balloon", None)
        return evil(heavy)
    if name == "settings_dialog_50_files":
        return {f"c{i:02}.acs": merlin_bytes for i in range(50)}, b"merlin.acs", {}
    if name == "settings_dialog_50_largest":
        # Frames that draw nothing and so are no cost to draw, but as many bytes as allowed.
        stops = "<stop offset='0.5' stop-color='#3a6ea5'/>" * (((255 << 10) - 200) // 42)
        gradient = f"<linearGradient id='g'>{stops}</linearGradient>"
        frames = {f"f{i}": frame(gradient) for i in range(30)}
        largest = json.dumps(character(merlin, frames=frames)).encode()
        return {f"c{i:02}.acs": largest for i in range(50)}, b"merlin.acs", {}
    if name == "name_climbing":
        return {}, b"../out/x.acs", {}
    if name == "name_absolute":
        return {}, os.path.join(out, "x.acs").encode(), {}
    if name == "name_in_course":
        return {}, b"./evil.acs", {"evil.acs": merlin_bytes}
    raise ValueError(name)


def bait_paths(out, course):
    return [os.path.join(out, name) for name in ("fifo", "secret.css", "secret.png", "x.acs")] + [
        "/dev/zero",
        os.path.join(course, "evil.acs"),
    ]


def opened_baits(trace, baits, cwd):
    """The bait paths that the program asked to open, by the strace log; relative names are taken
    from the program's working directory."""
    pattern = re.compile(r'open(?:at2?)?\((?:AT_FDCWD, )?"([^"]*)"')
    found = set()
    with open(trace, errors="replace") as f:
        for line in f:
            match = pattern.search(line)
            if match:
                path = os.path.normpath(os.path.join(cwd, match.group(1)))
                if path in baits:
                    found.add(path)
    return sorted(found)


def open_settings(connection, window):
    """Right-click on the page, then the menu's one item with the keys."""
    origin = window.translate_coords(connection.screen().root, 0, 0)
    x, y = -origin.x + 10, -origin.y + 60
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "3"], check=True)
    time.sleep(1.0)
    subprocess.run(["xdotool", "key", "Down", "Return"], check=True)


def run_case(executable, shipped, workdir, name, pinger):
    root = os.path.join(workdir, name)
    program_dir = os.path.join(root, "prog")
    chars = os.path.join(program_dir, "share", "quorvan", "chars")
    course = os.path.join(root, "course")
    out = os.path.join(root, "out")
    for folder in (os.path.join(program_dir, "bin"), chars, course, out):
        os.makedirs(folder)
    shutil.copy(executable, os.path.join(program_dir, "bin", "quorvan"))
    for file in ("merlin.acs", "Genie.acs"):
        shutil.copy(os.path.join(shipped, file), chars)
    os.mkfifo(os.path.join(out, "fifo"))
    with open(os.path.join(out, "secret.css"), "w") as f:
        f.write("circle { fill: red }")
    shutil.copy(os.path.join(shipped, "Genie.acs"), os.path.join(out, "x.acs"))
    shutil.copy(os.path.join(shipped, "Genie.acs"), os.path.join(out, "secret.png"))
    chars_files, role1, course_files = make_case(name, shipped, out)
    for folder, files in ((chars, chars_files), (course, course_files)):
        for file, data in files.items():
            with open(os.path.join(folder, file), "wb") as f:
                f.write(data)
    with open(os.path.join(course, "cntindex.idx"), "wb"):
        pass
    with open(os.path.join(course, "quorvan.set"), "wb") as f:
        f.write(settings_bytes(role1))

    connection = display.Display()
    gone = time.monotonic() + 10
    while find_window(connection, "Quorvan") is not None and time.monotonic() < gone:
        time.sleep(0.05)  # the last case's window, until the server has seen its client go
    trace = os.path.join(root, "strace.log")
    env = dict(os.environ)
    env.pop("QT_QPA_PLATFORM", None)
    if os.geteuid() == 0:
        env["QTWEBENGINE_CHROMIUM_FLAGS"] = "--no-sandbox"
    started = time.monotonic()
    process = subprocess.Popen(
        [
            "strace", "-f", "-qq", "--seccomp-bpf", "-e", "trace=open,openat,openat2",
            "-o", trace, os.path.join(program_dir, "bin", "quorvan"),
        ],
        cwd=course, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True,
    )  # fmt: skip
    peak, sampling, killed = [0], [True], [None]

    def sample():
        while sampling[0]:
            peak[0] = max(peak[0], tree_rss(process.pid))
            if peak[0] > MEMORY_LIMIT and killed[0] is None:
                killed[0] = "killed at 3 GB"
                os.killpg(process.pid, signal.SIGKILL)
            time.sleep(0.05)

    sampler = threading.Thread(target=sample, daemon=True)
    sampler.start()
    window, window_seconds, stall = None, None, None
    try:
        while process.poll() is None and time.monotonic() - started < WINDOW_TIMEOUT:
            window = find_window(connection, "Quorvan")
            if window is not None:
                window_seconds = time.monotonic() - started
                break
            time.sleep(0.05)
        if window is not None:
            if name.startswith("settings_dialog"):
                time.sleep(3)
                open_settings(connection, window)
            stall = pinger.watch(window.id, WATCH_SECONDS, process)
    finally:
        sampling[0] = False
        sampler.join()
        if process.poll() is None:
            os.killpg(process.pid, signal.SIGKILL)
        process.wait()
    baits = opened_baits(trace, bait_paths(out, course), course)
    return window_seconds, stall, peak[0], killed[0], baits


def main():
    executable, shipped = (os.path.abspath(a) for a in sys.argv[1:3])
    wanted = sys.argv[3:]
    print(f"{'case':26} {'window':>8} {'longest stall':>14} {'peak memory':>12}  opened outside")
    pinger = PingWatch()
    with tempfile.TemporaryDirectory() as workdir:
        for name in wanted or CASES:
            window, stall, peak, killed, baits = run_case(
                executable, shipped, workdir, name, pinger
            )
            window_text = f"{window:7.2f}s" if window is not None else f">{WINDOW_TIMEOUT}s"
            stall_text = f"{stall:13.2f}s" if stall is not None else "-"
            outside = ", ".join(os.path.basename(b) for b in baits) or "none"
            note = f"  ({killed})" if killed else ""
            print(
                f"{name:26} {window_text:>8} {stall_text:>14} {peak / 2**20:9.0f}MiB  "
                f"{outside}{note}",
                flush=True,
            )


if __name__ == "__main__":
    main()
