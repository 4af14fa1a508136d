#!/usr/bin/python3
"""VELKARD and the grid a user would pick instead (Debian's sqlitebrowser), side by side.

Both programs run on the same generated client files under Xvfb and openbox, driven by xdotool
as a person would drive them. Each step is timed by screen grabs of the program's window every
25 ms: a step is done at the first grab whose rows look as they do once the program has settled
(CPU idle and the picture unchanged for a second). Peak memory is the process's VmHWM at the end
of its session. The programs take turns (VELKARD first in odd runs, the peer first in even ones),
each file and program in every run, and the load average is noted before each session.

    ./build.sh peer            # or: bench/peer.py --build build --data build/peer-data

Writes the table between the "peer" marks of docs/performance.md and prints it.
"""

import argparse
import datetime
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np
from Xlib import X, display as xdisplay

GRAB_EVERY = 0.025
SETTLE = 1.0  # seconds of an idle process and an unchanged picture
TOLERANCE = 0.003  # share of a region's pixels that may differ and still count as the same
STEP_LIMIT = 90.0


def xdotool(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def type_text(text):
    # A character the keyboard map lacks is typed through a key xdotool maps for it: the
    # program must have seen the new map first.
    time.sleep(0.3)
    xdotool("type", "--delay", "120", text)


class Screen:
    def __init__(self, name):
        self.d = xdisplay.Display(name)
        self.root = self.d.screen().root
        self.clients = self.d.intern_atom("_NET_CLIENT_LIST")
        self.pid_atom = self.d.intern_atom("_NET_WM_PID")

    def windows(self, pid):
        """The program's top-level windows, largest first, as (x, y, width, height)."""
        prop = self.root.get_full_property(self.clients, X.AnyPropertyType)
        found = []
        for w in prop.value if prop else []:
            win = self.d.create_resource_object("window", w)
            try:
                owner = win.get_full_property(self.pid_atom, X.AnyPropertyType)
                if not owner or owner.value[0] != pid:
                    continue
                g = win.get_geometry()
                o = self.root.translate_coords(win, 0, 0)
                found.append((o.x, o.y, g.width, g.height))
            except Exception:  # gone meanwhile
                continue
        return sorted(found, key=lambda r: -r[2] * r[3])

    def grab(self, rect):
        x, y, w, h = rect
        raw = self.root.get_image(x, y, w, h, X.ZPixmap, 0xFFFFFFFF).data
        return np.frombuffer(raw, np.uint8).reshape(h, w, 4)[:, :, :3].copy()


def differs(a, b):
    if a.shape != b.shape:
        return 1.0
    return np.count_nonzero(np.any(a != b, axis=2)) / (a.shape[0] * a.shape[1])


def blank(frame):
    """Nearly all of one colour: no rows shown."""
    flat = frame.reshape(-1, 3)
    colours, counts = np.unique(flat, axis=0, return_counts=True)
    return counts.max() >= 0.97 * len(flat)


def cpu_ticks(pid):
    with open(f"/proc/{pid}/stat") as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return int(fields[11]) + int(fields[12])


def peak_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024
    return float("nan")


class Session:
    """One program on one file: started, driven step by step, its window grabbed."""

    def __init__(self, screen, program, path, home):
        self.screen = screen
        self.program = program
        self.started = time.monotonic()
        env = dict(os.environ, HOME=home)
        env.pop("QT_QPA_PLATFORM", None)
        self.process = subprocess.Popen(program.command(path), env=env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.pid = self.process.pid
        self.window = None

    def region(self):
        x, y, _, _ = self.window
        rx, ry, w, h = self.program.rows
        return (x + rx, y + ry, w, h)

    def frames_until_settled(self, since):
        """Grabs until the process is idle and the rows unchanged for SETTLE seconds; the grabs
        that changed the picture, as (seconds from `since`, frame)."""
        changes, ticks = [], []
        steady = None  # when the picture last changed beyond the tolerance
        while True:
            now = time.monotonic()
            if now - since > STEP_LIMIT:
                raise RuntimeError(f"{self.program.name}: not settled after {STEP_LIMIT} s")
            if self.window is None:
                found = self.screen.windows(self.pid)
                if found:
                    self.window = found[0]
            if self.window is not None:
                frame = self.screen.grab(self.region())
                if not changes or differs(frame, changes[-1][1]) > 0:
                    if not changes or differs(frame, changes[-1][1]) > TOLERANCE:
                        steady = now
                    changes.append((now - since, frame))
            ticks.append((now, cpu_ticks(self.pid)))
            recent = [t for t in ticks if t[0] >= now - SETTLE]
            if (steady is not None and now - steady >= SETTLE and ticks[0][0] <= now - SETTLE
                    and recent[-1][1] - recent[0][1] <= 3):
                return changes
            time.sleep(max(0.0, GRAB_EVERY - (time.monotonic() - now)))

    def timed(self, step=None):
        """Prepares the step untimed, then times it from the moment its last input is sent:
        seconds until the rows first showed as they settled, the grabs meanwhile where the rows
        were an empty area, and the last picture."""
        since = self.started
        if step:
            prepare, go = step
            prepare(self)
            go(self)
            since = time.monotonic()
        frames = self.frames_until_settled(since)
        final = frames[-1][1]
        done = next(t for t, f in frames if differs(f, final) <= TOLERANCE)
        empty = sum(1 for t, f in frames if t < done and blank(f))
        return done, empty, final

    def end(self):
        peak = peak_mib(self.pid)
        self.process.terminate()
        try:
            self.process.wait(10)
        except subprocess.TimeoutExpired:
            self.process.kill()
        return peak

    def click(self, rx, ry, window=None):
        x, y, _, _ = window or self.window
        xdotool("mousemove", x + rx, y + ry, "click", "1")

    def focus(self):
        x, y, w, h = self.window
        xdotool("mousemove", x + w // 2, y + 4)


class Velkard:
    name = "VELKARD"
    rows = (0, 95, 600, 280)  # the browse list's rows, below the menu and search line

    def __init__(self, build):
        self.binary = os.path.join(build, "velkard")

    def command(self, path):
        return [self.binary, path]

    def after_start(self, s):
        pass

    # Each step: what is done before it untimed, then the input it is timed from.
    sort_by_name = (lambda s: xdotool("key", "alt+s"),  # SORT SET
                    lambda s: xdotool("key", "n"))  # NAME SORT
    last_page = (lambda s: xdotool("key", "alt+d"),  # DATA PROCESS
                 lambda s: xdotool("key", "i"))  # FILE LAST PAGE

    def fill_display_set(self, s):
        xdotool("key", "alt+d", "d")  # DATA PROCESS, DISPLAY SET
        self.display_set = wait_for_second_window(s)
        xdotool("key", "Tab")
        xdotool("type", "--delay", "20", "NAME")
        xdotool("key", "Tab", *["Down"] * 8, "Tab")  # Like **裡面包含
        type_text("林")

    @property
    def name_contains(self):
        return (self.fill_display_set, lambda s: s.click(60, 181, self.display_set))  # EXECUTE

    def open_every_window(self, s):
        xdotool("key", "alt+d", "a")  # the editor
        time.sleep(1.5)
        s.click(576, 226)  # its CONDIT: the condition query
        time.sleep(1.5)
        xdotool("key", "Escape")
        main = s.window
        xdotool("mousemove", main[0] + 300, main[1] + 200, "click", "1")
        xdotool("key", "alt+d", "m")  # the full list
        time.sleep(2.0)


class SqliteBrowser:
    name = "sqlitebrowser"
    rows = (84, 188, 246, 470)  # the first columns of the Browse Data grid

    def command(self, path):
        return ["sqlitebrowser", "-t", "VELKARD", path]

    def after_start(self, s):
        # Opened on a table it shows "The database is currently busy: reading rows" over the
        # grid; its default answer (No) lets the reading go on.
        if len(s.screen.windows(s.pid)) > 1:
            xdotool("key", "Return")
            time.sleep(0.5)

    sort_by_name = (lambda s: None, lambda s: s.click(176, 151))  # the NAME heading
    # A cell of the first row, then to the last row.
    last_page = (lambda s: s.click(113, 202), lambda s: xdotool("key", "ctrl+End"))

    def to_name_filter(self, s):
        xdotool("key", "ctrl+Home")  # back to the first columns
        time.sleep(0.5)
        s.click(176, 174)  # the NAME filter box
        time.sleep(0.3)

    @property
    def name_contains(self):
        return (self.to_name_filter, lambda s: type_text("林"))

    def open_every_window(self, s):
        pass  # its cell editor is open from the start; it has no other windows for these


def wait_for_second_window(s):
    for _ in range(200):
        found = s.screen.windows(s.pid)
        if len(found) > 1:
            time.sleep(0.3)
            return s.screen.windows(s.pid)[1]
        time.sleep(0.025)
    raise RuntimeError("the window did not open")


def session(screen, program, path, shots, label):
    home = tempfile.mkdtemp(prefix="peer-home-")
    load = os.getloadavg()[0]
    s = Session(screen, program, path, home)
    figures = {"load": load}
    try:
        figures["start"], _, final = s.timed()
        save(s.screen.grab(s.window), shots, label + "-start")
        program.after_start(s)
        for step, action in (("sort", program.sort_by_name), ("last", program.last_page),
                             ("filter", program.name_contains)):
            figures[step], figures[step + "_empty"], final = s.timed(action)
            save(s.screen.grab(s.window), shots, label + "-" + step)
        program.open_every_window(s)
        figures["peak"] = s.end()
        figures["file"] = os.path.getsize(path) / 2**20
    finally:
        if s.process.poll() is None:
            s.process.kill()
        shutil.rmtree(home, ignore_errors=True)
    return figures


def save(frame, folder, name):
    if folder:
        from PIL import Image
        Image.fromarray(frame).save(os.path.join(folder, name + ".png"))


def sample_files(build, data, sizes):
    os.makedirs(data, exist_ok=True)
    files = []
    for size in sizes:
        for order in ("shuffled", "ordered"):
            path = os.path.join(data, f"{order}-{size}.db")
            if not os.path.exists(path):
                flags = ["--shuffle"] if order == "shuffled" else []
                subprocess.run([os.path.join(build, "velkard-sample"), *flags, str(size), path],
                               check=True, stdout=subprocess.DEVNULL)
            with open(path, "rb") as f:  # in the file cache, as a file used every day is
                while f.read(1 << 24):
                    pass
            files.append((size, order, path))
    return files


def start_desktop():
    read, write = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    while not number.endswith(b"\n"):
        number += os.read(read, 16)
    os.environ["DISPLAY"] = ":" + number.decode().strip()
    wm = subprocess.Popen(["openbox"], stderr=subprocess.DEVNULL)
    time.sleep(1.0)
    return xvfb, wm


def median_and_runs(values, fmt):
    if not values:
        return "—"
    return fmt(statistics.median(values)) + " (" + ", ".join(fmt(v) for v in values) + ")"


def table(results, files, runs):
    seconds = lambda v: f"{v:.2f} s"
    mib = lambda v: f"{v:.0f} MiB"
    lines = []
    for size, order, path in files:
        ours = [r for r in results if r["file"] == path and r["program"] == "VELKARD"]
        peer = [r for r in results if r["file"] == path and r["program"] == "sqlitebrowser"]
        mb = os.path.getsize(path) / 2**20
        lines.append(f"\n**{size:,} clients, stored in {'random' if order == 'shuffled' else 'code'}"
                     f" order** (file {mb:.0f} MiB)\n")
        lines.append("| step | VELKARD: median (each run) | sqlitebrowser: median (each run) |")
        lines.append("|---|---|---|")
        for key, label, fmt in (
                ("start", "process start → first rows painted", seconds),
                ("sort", "NAME sort (VELKARD: SORT SET → NAME SORT; peer: the NAME heading)",
                 seconds),
                ("last", "last page (VELKARD: FILE LAST PAGE; peer: Ctrl+End)", seconds),
                ("filter", "NAME contains 林 (VELKARD: DISPLAY SET; peer: NAME filter box)",
                 seconds),
                ("peak", "peak memory (VmHWM) at the session's end", mib)):
            lines.append(f"| {label} | {median_and_runs([r[key] for r in ours], fmt)} | "
                         f"{median_and_runs([r[key] for r in peer], fmt)} |")
        empty = lambda rows: sum(r[k] for r in rows
                                 for k in ("sort_empty", "last_empty", "filter_empty"))
        lines.append(f"| grabs showing an empty area where the rows were, in all the steps above "
                     f"| {empty(ours)} | {empty(peer)} |")
    return "\n".join(lines)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(here, "..", "build"))
    parser.add_argument("--data", default=None)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sizes", default="1000000,3000000")
    parser.add_argument("--shots", default=None, help="folder for each step's last picture")
    parser.add_argument("--out", default=os.path.join(here, "..", "docs", "performance.md"))
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    data = os.path.abspath(args.data or os.path.join(build, "peer-data"))
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)

    files = sample_files(build, data, [int(s) for s in args.sizes.split(",")])
    xvfb, wm = start_desktop()
    results = []
    loads = [os.getloadavg()]
    try:
        screen = Screen(os.environ["DISPLAY"])
        programs = [Velkard(build), SqliteBrowser()]
        for run in range(args.runs):
            for size, order, path in files:
                for program in programs if run % 2 == 0 else programs[::-1]:
                    label = f"run{run + 1}-{order}-{size}-{program.name}"
                    figures = session(screen, program, path, args.shots, label)
                    figures.update(program=program.name, file=path, run=run + 1)
                    results.append(figures)
                    print(label, {k: round(v, 3) if isinstance(v, float) else v
                                  for k, v in figures.items() if k != "file"}, flush=True)
            loads.append(os.getloadavg())
    finally:
        wm.terminate()
        xvfb.terminate()

    cpu = "?"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    version = subprocess.run(["dpkg-query", "-W", "-f=${Version}", "sqlitebrowser"],
                             capture_output=True, text=True).stdout
    session_loads = [r["load"] for r in results]
    text = (f"Run {datetime.date.today()}, {os.cpu_count()} × {cpu}, "
            f"sqlitebrowser {version}, {args.runs} runs taking turns; load average "
            f"(1 min) before the sessions {min(session_loads):.2f}–{max(session_loads):.2f}. "
            f"Command: `./build.sh peer` (`bench/peer.py --runs {args.runs} "
            f"--sizes {args.sizes}`).\n" + table(results, files, args.runs) + "\n")
    print(text)
    with open(args.out, encoding="utf-8") as f:
        doc = f.read()
    begin, end = "<!-- peer:begin -->", "<!-- peer:end -->"
    if begin in doc and end in doc:
        doc = re.sub(re.escape(begin) + ".*?" + re.escape(end),
                     lambda m: begin + "\n" + text + end, doc, flags=re.S)
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(doc)


if __name__ == "__main__":
    sys.exit(main())
