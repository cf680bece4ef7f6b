"""What the benchmarks of the real program watch from outside it: the memory of the program with
its page engine, and how long its GUI thread leaves a window manager's ping unanswered."""

import os
import select
import threading
import time

from Xlib import X, display, protocol

# How long past the end of a watch an unanswered ping is still waited for.
PING_TIMEOUT = 200


def tree_rss(pid):
    """Resident memory of a process and all its descendants, in bytes."""
    total, todo = 0, [pid]
    while todo:
        p = todo.pop()
        try:
            with open(f"/proc/{p}/status") as f:
                total += next(int(line.split()[1]) * 1024 for line in f if line.startswith("VmRSS"))
            for task in os.listdir(f"/proc/{p}/task"):
                with open(f"/proc/{p}/task/{task}/children") as f:
                    todo.extend(int(c) for c in f.read().split())
        except (OSError, StopIteration):
            pass
    return total


class PingWatch(threading.Thread):
    """Stands in for a window manager: maps and configures windows as they ask, and pings a window
    (_NET_WM_PING) every 50 ms while watched, which the program's GUI thread answers. A watch
    gives the longest wait for an answer, an unanswered ping counting until the watch ends (at
    most PING_TIMEOUT past its set end, or when the program ends). Qt answers only a client
    that redirects the root window's structure, so this one must."""

    FIELDS = (
        (X.CWX, "x"),
        (X.CWY, "y"),
        (X.CWWidth, "width"),
        (X.CWHeight, "height"),
        (X.CWBorderWidth, "border_width"),
        (X.CWStackMode, "stack_mode"),
    )

    def __init__(self):
        super().__init__(daemon=True)
        self.connection = display.Display()
        self.connection.screen().root.change_attributes(
            event_mask=X.SubstructureRedirectMask | X.SubstructureNotifyMask
        )
        self.connection.sync()
        self.protocols = self.connection.intern_atom("WM_PROTOCOLS")
        self.ping = self.connection.intern_atom("_NET_WM_PING")
        self.target, self.end, self.longest, self.last = None, 0.0, 0.0, 0.0
        self.done = threading.Event()
        self.start()

    def watch(self, window_id, seconds, process):
        """The longest wait over the next SECONDS, or until PROCESS ends."""
        self.longest = 0.0
        self.done.clear()
        self.end = time.monotonic() + seconds
        self.process = process
        self.target = window_id
        self.done.wait()
        return self.longest

    def run(self):
        serial, sent = 0, None
        while True:
            select.select([self.connection.fileno()], [], [], 0.02)
            while self.connection.pending_events():
                event = self.connection.next_event()
                if event.type == X.MapRequest:
                    event.window.map()
                elif event.type == X.ConfigureRequest:
                    event.window.configure(
                        **{
                            name: getattr(event, name)
                            for bit, name in self.FIELDS
                            if event.value_mask & bit
                        }
                    )
                elif (
                    event.type == X.ClientMessage
                    and event.client_type == self.protocols
                    and sent is not None
                    and event.data[1][1] == serial
                ):
                    self.longest = max(self.longest, time.monotonic() - sent)
                    sent = None
            now = time.monotonic()
            if self.target is None:
                self.connection.flush()
                continue
            if sent is not None:
                self.longest = max(self.longest, now - sent)
            if (
                now >= self.end
                and sent is None
                or now - self.end > PING_TIMEOUT
                or self.process.poll() is not None
            ):
                self.target, sent = None, None
                self.done.set()
            elif sent is None and now < self.end and now - self.last >= 0.05:
                serial += 1
                window = self.connection.create_resource_object("window", self.target)
                window.send_event(
                    protocol.event.ClientMessage(
                        window=window,
                        client_type=self.protocols,
                        data=(32, [self.ping, serial, self.target, 0, 0]),
                    ),
                    event_mask=0,
                )
                sent = self.last = now
            self.connection.flush()
