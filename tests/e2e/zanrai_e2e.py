#!/usr/bin/python3
"""Plays the built game like a person would, in a private Xvfb.

Each scenario runs the real program in a fresh temporary working directory,
drives it with xdotool (mouse on the menus, Enter on message boxes), looks at
the screen through screenshots and checks what is left on disk. Standard
library only. The X server and the game are always ended, also when a check
fails or the run is cut short: they die with this driver (PR_SET_PDEATHSIG),
and a watchdog alarm leaves time for the clean-up before CTest's own timeout.

Every wait is for something the program does (a window mapped or gone, a
picture drawn, a file written, a line printed, the process ended), polled,
never a fixed sleep in its place; its bound, PATIENCE, holds on a 2-core
machine at load 15 under the sanitizers, and a wait that runs out says what
it saw instead.
"""

import argparse
import ctypes
import fcntl
import os
import resource
import select
import shutil
import signal
import socket
import struct
import subprocess
import sys
import tempfile
import threading
import time

CLIENT_W, CLIENT_H = 415, 356
# Client-area pixel positions of the five targets' top-left corners at home,
# the blue home-row line and the red limit line.
TARGETS_X = (80, 144, 208, 272, 344)
TARGET_HOME_Y = 120
HOME_LINE_Y = 152
LIMIT_LINE_Y = 192
RED, BLUE = (255, 0, 0), (0, 0, 255)

GAME_OVER_TITLE = "Zanrai暫定版"
MAIN_TITLE = "Zanrai"

# The longest any one wait may take. What takes a second on an idle machine
# took over 30 s at load 13 (a sanitized Qt showing its first window); the
# bound is far above that, and a passing run never waits for it.
PATIENCE = 120.0


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def load_average():
    return "load average {:.1f} {:.1f} {:.1f}".format(*os.getloadavg())


def wait_for(predicate, timeout, what, seen=None):
    """Polls predicate until it holds; else fails with what was seen last."""
    deadline = time.monotonic() + timeout
    while not predicate():
        if time.monotonic() >= deadline:
            saw = f"; saw {seen()}" if seen else ""
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}{saw} "
                          f"({load_average()})")
        time.sleep(0.1)


def until_passes(attempt, timeout, what):
    """Runs attempt until it raises no Failure, else fails with its last one:
    for checks of a picture that may not be drawn yet."""
    deadline = time.monotonic() + timeout
    while True:
        try:
            return attempt()
        except Failure as failure:
            if time.monotonic() >= deadline:
                raise Failure(f"{what}, still after {timeout:.0f} s: {failure} "
                              f"({load_average()})") from None
        time.sleep(0.2)


def log(message):
    print(f"[e2e] {message}", flush=True)


# --- processes -------------------------------------------------------------

_libc = ctypes.CDLL(None, use_errno=True)
PR_SET_PDEATHSIG = 1


def _die_with_parent():
    # Runs in the child between fork and exec: if the driver is killed (a
    # CTest timeout sends SIGKILL), the child is killed too.
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL, 0, 0, 0)


def end_process(proc, grace=3.0):
    if proc is None or proc.poll() is not None:
        return
    proc.terminate()
    try:
        proc.wait(grace)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


class Xvfb:
    """A private X server; the server itself picks a free display number."""

    def __init__(self):
        self.proc = None
        self.display = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.proc = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1024x768x24",
             "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + PATIENCE
        while not number.endswith(b"\n"):
            ready, _, _ = select.select([read_end], [], [], max(0.0, deadline - time.monotonic()))
            chunk = os.read(read_end, 16) if ready else b""
            if not chunk:
                os.close(read_end)
                end_process(self.proc)
                raise Failure(f"Xvfb did not report a display number ({load_average()})")
            number += chunk
        os.close(read_end)
        self.display = ":" + number.decode().strip()
        log(f"Xvfb on {self.display}")
        return self

    def __exit__(self, *exc):
        end_process(self.proc)

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("WAYLAND_DISPLAY", None)
        env.pop("XAUTHORITY", None)
        return env

    def run(self, *args, check_rc=True):
        result = subprocess.run(list(args), env=self.env(), capture_output=True, text=True,
                                timeout=PATIENCE)
        if check_rc and result.returncode != 0:
            raise Failure(f"{' '.join(args)} failed: {result.stderr.strip()}")
        return result


class Game:
    """The program under test. Its output comes through pipes, so it is kept
    outside the working directory and is not subject to a file size limit."""

    def __init__(self, x, program, workdir, logdir, extra_env=None, file_size_limit=None):
        self.x = x
        self.workdir = workdir
        runtime = tempfile.mkdtemp(prefix="xdg-", dir=logdir)
        env = x.env()
        env.update({
            "QT_QPA_PLATFORM": "xcb",
            "SDL_AUDIODRIVER": "dummy",
            "XDG_RUNTIME_DIR": runtime,
        })
        font = smallest_soundfont()
        if font:
            # The small bank loads in a blink; the game waits for it at Start.
            env["ZANRAI_SOUNDFONT"] = font
        env.update(extra_env or {})
        env = {k: v for k, v in env.items() if v is not None}

        def prepare_child():
            _die_with_parent()
            if file_size_limit is not None:
                # Writes past the limit fail (EFBIG) as on a full disk.
                signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
                resource.setrlimit(resource.RLIMIT_FSIZE, (file_size_limit, file_size_limit))

        self.proc = subprocess.Popen(
            [program], cwd=workdir, env=env, stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, preexec_fn=prepare_child)
        self._err = bytearray()
        self._lock = threading.Lock()
        self._reader = threading.Thread(target=self._drain, daemon=True)
        self._reader.start()
        log(f"started {program} in {workdir} (pid {self.proc.pid})")

    def _drain(self):
        for chunk in iter(lambda: self.proc.stderr.read1(4096), b""):
            with self._lock:
                self._err += chunk

    def stderr(self):
        with self._lock:
            return self._err.decode("utf-8", "replace")

    def running(self):
        return self.proc.poll() is None

    def wait_exit(self, timeout=PATIENCE):
        try:
            return self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the game did not end within {timeout:.0f} s ({load_average()}); "
                          f"stderr:\n{self.stderr()}") from None

    def end(self):
        end_process(self.proc)


def smallest_soundfont():
    folder = "/usr/share/sounds/sf2"
    try:
        fonts = [os.path.join(folder, n) for n in os.listdir(folder) if n.endswith(".sf2")]
    except OSError:
        return None
    fonts = [f for f in fonts if os.path.isfile(f)]
    return min(fonts, key=os.path.getsize) if fonts else None


# --- windows, input and screenshots ---------------------------------------

def visible_windows(x):
    """What is on the screen, for a failure's message."""
    result = x.run("xdotool", "search", "--onlyvisible", "--name", ".*", check_rc=False)
    seen = []
    for wid in result.stdout.split():
        name = x.run("xdotool", "getwindowname", wid, check_rc=False).stdout.strip()
        out = x.run("xdotool", "getwindowgeometry", wid, check_rc=False).stdout.split()
        seen.append(f"{wid} {name!r} " + " ".join(out[3:4] + out[-1:]))
    return "visible windows: " + ("; ".join(seen) if seen else "none")


def find_window(x, title, timeout=PATIENCE, game=None, exclude=()):
    """The visible window whose whole title is `title`, other than exclude."""
    found = []

    def shown():
        if game is not None and not game.running():
            raise Failure(f"the game ended (status {game.proc.returncode}) before a window "
                          f"titled {title!r} appeared; stderr:\n{game.stderr()}")
        result = x.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$",
                       check_rc=False)
        found[:] = [int(w) for w in result.stdout.split() if int(w) not in exclude]
        return bool(found)

    def seen():
        stderr = f"; the game's stderr: {game.stderr()!r}" if game is not None else ""
        return visible_windows(x) + stderr
    wait_for(shown, timeout, f"a window titled {title!r}", seen)
    return found[-1]


def window_gone(x, title, timeout=PATIENCE):
    def gone():
        return not x.run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$",
                         check_rc=False).stdout.split()
    try:
        wait_for(gone, timeout, f"the window titled {title!r} to go", lambda: visible_windows(x))
    except Failure as failure:
        log(str(failure))
        return False
    return True


def geometry(x, wid):
    out = x.run("xdotool", "getwindowgeometry", "--shell", str(wid)).stdout
    values = dict(line.split("=", 1) for line in out.split() if "=" in line)
    return int(values["X"]), int(values["Y"]), int(values["WIDTH"]), int(values["HEIGHT"])


def click(x, px, py):
    x.run("xdotool", "mousemove", "--sync", str(px), str(py))
    x.run("xdotool", "click", "1")


def press_enter(x, wid):
    # Focus first: without a window manager nothing else moves the keyboard
    # focus, and the key must reach the box rather than the main window.
    x.run("xdotool", "windowfocus", "--sync", str(wid), check_rc=False)
    x.run("xdotool", "key", "Return")


class Shot:
    """A screen region as RGB bytes, read from a binary PPM."""

    def __init__(self, width, height, data):
        self.width, self.height, self.data = width, height, data

    def pixel(self, px, py):
        i = 3 * (py * self.width + px)
        return tuple(self.data[i:i + 3])

    def differing_pixels(self, other):
        return sum(1 for i in range(0, len(self.data), 3)
                   if self.data[i:i + 3] != other.data[i:i + 3])


def screenshot(x, left, top, width, height):
    result = subprocess.run(
        ["import", "-silent", "-window", "root", "-crop", f"{width}x{height}+{left}+{top}",
         "+repage", "-depth", "8", "ppm:-"],
        env=x.env(), capture_output=True, timeout=PATIENCE)
    check(result.returncode == 0, f"import failed: {result.stderr.decode(errors='replace')}")
    data = result.stdout
    # P6 header: magic, width, height, maxval, each followed by whitespace.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    check(fields[0] == b"P6" and fields[3] == b"255", "unexpected screenshot format")
    w, h = int(fields[1]), int(fields[2])
    check((w, h) == (width, height), f"screenshot is {w}x{h}, wanted {width}x{height}")
    return Shot(w, h, data[pos:pos + 3 * w * h])


class MainWindow:
    def __init__(self, x, game):
        self.x = x
        self.game = game
        self.wid = find_window(x, MAIN_TITLE, game=game)
        left, top, width, height = geometry(x, self.wid)
        # The window draws a 1-px edge around its contents.
        edge = (width - CLIENT_W) // 2
        check(edge in (0, 1), f"window is {width} px wide, wanted {CLIENT_W} and its edges")
        self.left, self.top = left + edge, top
        # From the window's top to the client area: edge, title strip, menu bar.
        self.menu_h = height - CLIENT_H - edge
        check(10 <= self.menu_h <= 80, f"odd menu bar height {self.menu_h}")

    def client_shot(self):
        return screenshot(self.x, self.left, self.top + self.menu_h, CLIENT_W, CLIENT_H)

    def shown_ids(self):
        return {int(w) for w in self.x.run("xdotool", "search", "--onlyvisible", "--name", ".*",
                                           check_rc=False).stdout.split()}

    def file_menu_opened(self, others=()):
        """Waits for the File menu, which opens right under the menu bar at
        its left end, as the newest window there (a dialog without a window
        manager may open at the same place); its geometry."""
        popup = []

        def opened():
            result = self.x.run("xdotool", "search", "--onlyvisible", "--name", ".*",
                                check_rc=False)
            popup[:] = []
            for wid in (int(w) for w in result.stdout.split()):
                if wid == self.wid or wid in others:
                    continue
                try:
                    gx, gy, gw, gh = geometry(self.x, wid)
                except Failure:
                    continue  # gone meanwhile
                if abs(gy - (self.top + self.menu_h)) <= 4 and abs(gx - self.left) <= 20 \
                        and gh < 300:
                    popup.append((gx, gy, gw, gh))
            return bool(popup)
        wait_for(opened, PATIENCE, "the File menu to open", lambda: visible_windows(self.x))
        return popup[-1]

    def file_menu(self, item):
        """Clicks File in the menu bar, then the item in the menu that opens.

        The items are found on a screenshot of the opened menu, as the rows of
        dark text, so nothing depends on the font's metrics; the menu counts
        as drawn when two looks in a row find the same rows.
        """
        before = self.shown_ids()
        click(self.x, self.left + 15, self.top + self.menu_h - 10)
        gx, gy, gw, gh = self.file_menu_opened(before)
        looks = [None]

        def drawn():
            shot = screenshot(self.x, gx, gy, gw, gh)
            rows = [any(sum(shot.pixel(px, py)) < 3 * 100 for px in range(8, gw - 8))
                    for py in range(gh)]
            bands, start = [], None
            for py, dark in enumerate(rows + [False]):
                if dark and start is None:
                    start = py
                elif not dark and start is not None:
                    bands.append((start + py) // 2)
                    start = None
            steady = bands == looks[-1]
            looks.append(bands)
            # Reset, Start, (greyed Ranking, if dark enough to be seen), Exit.
            return steady and len(bands) in (3, 4)
        wait_for(drawn, PATIENCE, "the File menu's items to be drawn",
                 lambda: f"text rows at {looks[-1]} in the menu")
        bands = looks[-1]
        wanted = {"Reset": bands[0], "Start": bands[1], "Exit": bands[-1]}[item]
        click(self.x, gx + gw // 3, gy + wanted)
        log(f"File -> {item}")


# --- a close request, as a window manager sends it ------------------------

def send_close_request(display, wid):
    """Sends WM_PROTOCOLS/WM_DELETE_WINDOW to a window over the X protocol.

    What a window manager does when its close button or Alt+F4 is used; no
    tool at hand sends it without a window manager (xdotool's windowclose
    destroys the window, xkill kills the client).
    """
    number = display.lstrip(":").split(".")[0]
    sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    sock.settimeout(PATIENCE)
    sock.connect(f"/tmp/.X11-unix/X{number}")

    def receive(n):
        buf = b""
        while len(buf) < n:
            chunk = sock.recv(n - len(buf))
            if not chunk:
                raise Failure("the X server closed the connection")
            buf += chunk
        return buf

    try:
        # Connection set-up: little-endian, protocol 11.0, no authorisation.
        sock.sendall(struct.pack("<BxHHHHxx", ord("l"), 11, 0, 0, 0))
        head = receive(8)
        check(head[0] == 1, "the X server refused the connection")
        receive(struct.unpack("<H", head[6:8])[0] * 4)

        def intern(name):
            raw = name.encode()
            pad = (4 - len(raw) % 4) % 4
            sock.sendall(struct.pack("<BBHHxx", 16, 0, 2 + (len(raw) + pad) // 4, len(raw))
                         + raw + b"\0" * pad)
            reply = receive(32)
            check(reply[0] == 1, f"InternAtom {name} failed")
            return struct.unpack("<I", reply[8:12])[0]

        protocols = intern("WM_PROTOCOLS")
        delete = intern("WM_DELETE_WINDOW")
        event = struct.pack("<BBHII5I", 33, 32, 0, wid, protocols, delete, 0, 0, 0, 0)
        # SendEvent with an empty mask goes to the window's own client.
        sock.sendall(struct.pack("<BBHII", 25, 0, 11, wid, 0) + event)
        # A round trip (InternAtom again) makes sure the event was processed.
        intern("WM_PROTOCOLS")
    finally:
        sock.close()


# --- watching which files the program opens -------------------------------

class FileWatch:
    """Records the names of files opened in one folder (Linux inotify)."""

    IN_ACCESS, IN_OPEN, IN_NONBLOCK = 0x1, 0x20, 0o4000

    def __init__(self, folder):
        self.fd = _libc.inotify_init1(self.IN_NONBLOCK)
        check(self.fd >= 0, "inotify_init1 failed")
        wd = _libc.inotify_add_watch(self.fd, os.fsencode(folder), self.IN_OPEN)
        check(wd >= 0, f"cannot watch {folder}")
        self.opened = []

    def poll(self):
        while True:
            try:
                data = os.read(self.fd, 65536)
            except BlockingIOError:
                return self.opened
            pos = 0
            while pos < len(data):
                _, _, _, length = struct.unpack_from("iIII", data, pos)
                name = data[pos + 16:pos + 16 + length].rstrip(b"\0")
                self.opened.append(os.fsdecode(name))
                pos += 16 + length

    def close(self):
        os.close(self.fd)


# --- helpers for the scenarios --------------------------------------------

def read_bytes(path):
    with open(path, "rb") as f:
        return f.read()


def wait_for_content(path, wanted):
    wait_for(lambda: read_bytes(path) == wanted, PATIENCE, f"{os.path.basename(path)} to hold "
             f"{wanted!r}", lambda: f"{read_bytes(path)!r} in it")


def write_bytes(path, data):
    with open(path, "wb") as f:
        f.write(data)


def check_lines_drawn(shot):
    """The red limit line and the blue home row are really on screen."""
    for px in (5, 40, 130, 250, 405):
        check(shot.pixel(px, LIMIT_LINE_Y) == RED,
              f"limit line pixel ({px},{LIMIT_LINE_Y}) is {shot.pixel(px, LIMIT_LINE_Y)}")
    for px in (5, 40, 400):
        check(shot.pixel(px, HOME_LINE_Y) == BLUE,
              f"home row pixel ({px},{HOME_LINE_Y}) is {shot.pixel(px, HOME_LINE_Y)}")


def play_area_changes(window, seconds=0.4):
    """Pixels of the play area that change over a short while."""
    first = window.client_shot()
    time.sleep(seconds)
    second = window.client_shot()
    return first.differing_pixels(second)


def reports_rank_error(game):
    """A line "zanrai: <path>rank.dat: <reason>" on stderr."""
    return any(line.startswith("zanrai: ") and "rank.dat: " in line
               for line in game.stderr().splitlines())


def game_over_box(x, game):
    # Three lives go in about four seconds at the Normal level.
    return find_window(x, GAME_OVER_TITLE, game=game)


def drawn_idle(window):
    """The client area once the window has drawn it: the guide lines there,
    and the same picture on two looks in a row."""
    looks = [window.client_shot()]
    return until_passes(lambda: still_shot(window, looks), PATIENCE, "the idle window drawn")


def still_shot(window, looks):
    looks.append(window.client_shot())
    check_lines_drawn(looks[-1])
    changed = looks[-2].differing_pixels(looks[-1])
    check(changed == 0, f"{changed} pixels changed between two looks")
    return looks[-1]


# --- scenarios -------------------------------------------------------------

def scenario_game_over(args, x, tmp):
    """Start, no clicks, three lives lost, the box closed with Enter."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    # Only the first item counts; the save leaves one line of it.
    write_bytes(rank, b"7,old\r\nsecond line\r\n")
    game = Game(x, args.program, work, tmp)
    try:
        window = MainWindow(x, game)
        idle_before = drawn_idle(window)
        check(play_area_changes(window) == 0, "the window moves before Start")

        window.file_menu("Start")
        wait_for(lambda: play_area_changes(window, 0.2) > 0, PATIENCE, "the targets to move")
        box = game_over_box(x, game)
        check(read_bytes(rank) == b"7,old\r\nsecond line\r\n",
              "rank.dat changed before the game-over box was closed")
        press_enter(x, box)
        check(window_gone(x, GAME_OVER_TITLE), "Enter did not close the game-over box")
        wait_for_content(rank, b"7\r\n")
        check(sorted(os.listdir(work)) == ["rank.dat", "rank.dat.lock"],
              f"files left in the working directory: {os.listdir(work)}")

        check(game.running(), "the game ended after game over")

        def back_to_idle():
            changed = idle_before.differing_pixels(window.client_shot())
            check(changed == 0, f"{changed} pixels differ from the idle window before Start")
        until_passes(back_to_idle, PATIENCE, "the window back as it was before Start")
        check(play_area_changes(window, 0.5) == 0, "the window still moves after game over")
        check("zanrai:" not in game.stderr(), f"errors reported:\n{game.stderr()}")
    finally:
        game.end()


def scenario_cuts(args, x, tmp):
    """Clicks on a falling target cut it: the score becomes the new best and
    is saved at game over."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    write_bytes(rank, b"0\r\n")
    game = Game(x, args.program, work, tmp)
    clicks = [0]
    try:
        window = MainWindow(x, game)
        window.file_menu("Start")
        # A cut sends the target home, so quick clicks a little below its
        # home row keep hitting it while it sinks about 67 px a second: for
        # 0.4 s after each start from home. Bursts from one xdotool, until
        # the game is over, so that a slow machine still lands some in time.
        px = window.left + TARGETS_X[2] + 16
        py = window.top + window.menu_h + TARGET_HOME_Y + 26
        x.run("xdotool", "mousemove", "--sync", str(px), str(py))

        def box():
            return x.run("xdotool", "search", "--onlyvisible", "--name", f"^{GAME_OVER_TITLE}$",
                         check_rc=False).stdout.split()

        def over():
            # The box may open under the pointer, and a click close it.
            if box() or read_bytes(rank) != b"0\r\n":
                return True
            check(game.running(), f"the game ended; stderr:\n{game.stderr()}")
            x.run("xdotool", "click", "--repeat", "6", "--delay", "40", "1")
            clicks[0] += 6
            return False
        wait_for(over, PATIENCE, "the game to end", lambda: f"{clicks[0]} clicks made")
        clicks = clicks[0]
        if box():
            press_enter(x, int(box()[-1]))
        wait_for(lambda: read_bytes(rank) != b"0\r\n", PATIENCE, "a new best score in rank.dat")
        saved = read_bytes(rank)
        check(saved.endswith(b"\r\n") and saved[:-2].isdigit(), f"rank.dat holds {saved!r}")
        check(1 <= int(saved[:-2]) <= clicks, f"{int(saved[:-2])} points from {clicks} clicks")
        log(f"{int(saved[:-2])} of {clicks} clicks cut the target")
    finally:
        game.end()


def scenario_unreadable_rank(args, x, tmp):
    """A missing or an empty rank.dat: the error, status 1, no new file."""
    for case, content in (("missing", None), ("empty", b"")):
        work = os.path.join(tmp, case)
        os.mkdir(work)
        if content is not None:
            write_bytes(os.path.join(work, "rank.dat"), content)
        logdir = tempfile.mkdtemp(dir=tmp)
        game = Game(x, args.program, work, logdir)
        try:
            box = find_window(x, MAIN_TITLE, game=game)
            check(game.running(), f"{case}: the program did not wait for the box")
            wait_for(lambda: reports_rank_error(game), PATIENCE,
                     f"{case}: the error on stderr", game.stderr)
            # The box is the only window: the main window is never shown.
            _, _, width, height = geometry(x, box)
            check(height < CLIENT_H,
                  f"{case}: the window shown is {width}x{height}, not a message box")
            press_enter(x, box)
            status = game.wait_exit()
            check(status == 1, f"{case}: exit status {status}, wanted 1")
            expected = [] if content is None else ["rank.dat"]
            check(sorted(os.listdir(work)) == expected,
                  f"{case}: working directory holds {os.listdir(work)}")
            if content is not None:
                check(read_bytes(os.path.join(work, "rank.dat")) == content,
                      f"{case}: rank.dat was changed")
            log(f"{case}: status 1, {game.stderr().strip()}")
        finally:
            game.end()


def exit_keeps_rank(args, x, tmp, leave):
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    original = b"5,keep\r\nthis\r\n"
    write_bytes(rank, original)
    os.utime(rank, (1_000_000_000, 1_000_000_000))
    game = Game(x, args.program, work, tmp)
    try:
        window = MainWindow(x, game)
        window.file_menu("Start")
        wait_for(lambda: play_area_changes(window, 0.2) > 0, PATIENCE, "the targets to move")
        time.sleep(1.0)  # a life or so goes
        leave(window)
        status = game.wait_exit()
        check(status == 0, f"exit status {status}, wanted 0; stderr:\n{game.stderr()}")
        check(read_bytes(rank) == original, "rank.dat was changed")
        check(os.stat(rank).st_mtime == 1_000_000_000, "rank.dat was rewritten")
        check(sorted(os.listdir(work)) == ["rank.dat"],
              f"files left in the working directory: {os.listdir(work)}")
        check("zanrai:" not in game.stderr(), f"errors reported:\n{game.stderr()}")
    finally:
        game.end()


def scenario_exit_during_game(args, x, tmp):
    """File -> Exit while targets fall: status 0, rank.dat untouched."""
    exit_keeps_rank(args, x, tmp, lambda window: window.file_menu("Exit"))


def scenario_close_request(args, x, tmp):
    """A desktop close request (WM_DELETE_WINDOW) during a game acts as Exit."""
    def close(window):
        send_close_request(x.display, window.wid)
        log("sent WM_DELETE_WINDOW")
    exit_keeps_rank(args, x, tmp, close)


def scenario_other_folder(args, x, tmp):
    """A copy of the program in a folder with blanks and Japanese characters,
    started from another such folder: rank.dat comes from the working
    directory, the data files and the sound back end from beside the program."""
    source = os.path.dirname(os.path.abspath(args.program))
    program_dir = os.path.join(tmp, "ゲーム フォルダ", "斬雷 v2")
    os.makedirs(program_dir)
    program = os.path.join(program_dir, os.path.basename(args.program))
    shutil.copy2(args.program, program)
    for name in ("zanrai_sound_backend.so", "bgm.dat", "bgm2.dat", "kiru.dat", "hajiku.dat"):
        shutil.copy2(os.path.join(source, name), program_dir)
    # A decoy: a rank.dat beside the program must not be the one read.
    write_bytes(os.path.join(program_dir, "rank.dat"), b"999\r\n")
    work = os.path.join(tmp, "遊ぶ 場所")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    write_bytes(rank, b"3,x\r\n")

    watch = FileWatch(program_dir)
    game = Game(x, program, work, tmp)
    try:
        window = MainWindow(x, game)
        check_lines_drawn(window.client_shot())
        watch.poll()
        window.file_menu("Start")
        box = game_over_box(x, game)
        opened = watch.poll()
        # The tune at Start, the deflect sound at every life lost.
        check("bgm.dat" in opened, f"bgm.dat was not opened; opened: {opened}")
        check("hajiku.dat" in opened, f"hajiku.dat was not opened; opened: {opened}")
        press_enter(x, box)
        # The saved best score shows which rank.dat was read.
        wait_for_content(rank, b"3\r\n")
        check(read_bytes(os.path.join(program_dir, "rank.dat")) == b"999\r\n",
              "the rank.dat beside the program was touched")
        check(game.running(), "the game ended after game over")
        check("zanrai:" not in game.stderr(),
              f"errors reported (sound or files):\n{game.stderr()}")
    finally:
        game.end()
        watch.close()


def scenario_stuck_sound(args, x, tmp):
    """The sound back end's loading never ends (a library it needs is a FIFO,
    so the dynamic loader waits in the kernel holding its lock): the window
    answers, the game plays silently, and every way out still ends the
    program at once with status 0."""
    stuck = os.path.join(tmp, "stuck")
    os.mkdir(stuck)
    os.mkfifo(os.path.join(stuck, "libSDL2-2.0.so.0"))
    for leave in ("SIGTERM", "SIGINT", "SIGHUP", "Exit"):
        work = os.path.join(tmp, leave)
        os.mkdir(work)
        write_bytes(os.path.join(work, "rank.dat"), b"0\r\n")
        game = Game(x, args.program, work, tmp, extra_env={"LD_LIBRARY_PATH": stuck})
        try:
            window = MainWindow(x, game)
            window.file_menu("Start")
            wait_for(lambda: play_area_changes(window, 0.2) > 0, PATIENCE, "the targets to move")
            started = time.monotonic()
            if leave == "Exit":
                window.file_menu("Exit")
            else:
                game.proc.send_signal(getattr(signal, leave))
            status = game.wait_exit()
            took = time.monotonic() - started
            check(status == 0, f"{leave}: exit status {status}; stderr:\n{game.stderr()}")
            # The stuck loader is given 0.5 s; the rest is slack for a busy machine.
            check(took < 10, f"{leave}: ended after {took:.2f} s")
            check(game.stderr().count("zanrai:") <= 1, f"{leave}: stderr:\n{game.stderr()}")
            log(f"{leave}: status 0 after {took:.2f} s")
        finally:
            game.end()


def scenario_read_only_rank(args, x, tmp):
    """rank.dat made read-only during play: at game over the error box, status
    1, and the old content intact."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    write_bytes(rank, b"9\r\n")
    game = Game(x, args.program, work, tmp)
    try:
        window = MainWindow(x, game)
        os.chmod(rank, 0o444)
        window.file_menu("Start")
        press_enter(x, game_over_box(x, game))
        check(window_gone(x, GAME_OVER_TITLE), "Enter did not close the game-over box")
        wait_for(lambda: reports_rank_error(game), PATIENCE, "the error on stderr", game.stderr)
        error_box = find_window(x, MAIN_TITLE, game=game, exclude={window.wid})
        check(game.running(), "the program ended before the error box was closed")
        press_enter(x, error_box)
        status = game.wait_exit()
        check(status == 1, f"exit status {status}, wanted 1")
        check(read_bytes(rank) == b"9\r\n", "rank.dat was changed")
        check(sorted(os.listdir(work)) == ["rank.dat"],
              f"files left in the working directory: {os.listdir(work)}")
        log(f"stderr: {game.stderr().strip()}")
    finally:
        game.end()
        os.chmod(rank, 0o644)


def scenario_full_disk(args, x, tmp):
    """The disk is full when the game saves at game over (the game may write
    no byte to any file): the error box, status 1, the old content intact, and
    the next start still finds the best score."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    write_bytes(rank, b"9\r\n")
    game = Game(x, args.program, work, tmp, file_size_limit=0)
    try:
        window = MainWindow(x, game)
        window.file_menu("Start")
        press_enter(x, game_over_box(x, game))
        check(window_gone(x, GAME_OVER_TITLE), "Enter did not close the game-over box")
        boxes = []

        def reported():
            result = x.run("xdotool", "search", "--onlyvisible", "--name", f"^{MAIN_TITLE}$",
                           check_rc=False)
            boxes[:] = [int(w) for w in result.stdout.split() if int(w) != window.wid]
            return bool(boxes) or not game.running()
        wait_for(reported, PATIENCE, "the failed save's report",
                 lambda: f"{visible_windows(x)}; the game's stderr: {game.stderr()!r}")
        check(read_bytes(rank) == b"9\r\n",
              f"the failed save replaced rank.dat with {read_bytes(rank)!r}")
        check(boxes, f"the failed save was not reported; stderr:\n{game.stderr()}")
        press_enter(x, boxes[-1])
        status = game.wait_exit()
        check(status == 1, f"exit status {status}, wanted 1")
        check(sorted(os.listdir(work)) == ["rank.dat", "rank.dat.lock"],
              f"files left in the working directory: {os.listdir(work)}")
    finally:
        game.end()

    # With room again, the program starts on the old best score.
    game = Game(x, args.program, work, tmp)
    try:
        MainWindow(x, game)
        check(game.running(), "the program did not start again")
    finally:
        game.end()


def scenario_no_display(args, x, tmp):
    """No display to reach (none set, an X display no server answers or one
    that never answers, a missing Wayland socket or one that never answers):
    one line on stderr and status 1, no abort."""
    free, hung_x = [n for n in range(150, 400) if not os.path.exists(f"/tmp/.X11-unix/X{n}")][:2]
    env = {k: v for k, v in os.environ.items()
           if k not in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM")}
    env["XDG_RUNTIME_DIR"] = tmp
    # A socket that takes connections and never answers, as a hung compositor.
    hung = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    hung.bind(os.path.join(tmp, "wayland-hung"))
    hung.listen(8)
    # An X server's socket (the abstract name, no file) the same.
    hung_x_server = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
    hung_x_server.bind(f"\0/tmp/.X11-unix/X{hung_x}")
    hung_x_server.listen(8)
    for extra in ({}, {"DISPLAY": f":{free}"}, {"DISPLAY": f":{hung_x}"},
                  {"WAYLAND_DISPLAY": "wayland-77"}, {"WAYLAND_DISPLAY": "wayland-hung"}):
        started = time.monotonic()
        result = subprocess.run([args.program], cwd=tmp, env={**env, **extra}, timeout=PATIENCE,
                                stdin=subprocess.DEVNULL, capture_output=True)
        check((result.returncode, result.stdout, result.stderr) ==
              (1, b"", b"zanrai: no graphical display "
                       b"(DISPLAY and WAYLAND_DISPLAY are unset or unreachable)\n"),
              f"{extra}: status {result.returncode}, stderr {result.stderr!r}")
        took = time.monotonic() - started
        # The server gets 3 s; the rest is slack for a machine at load 15.
        check(took < 20, f"{extra}: ended after {took:.1f} s")
    # With an X display beside it, the game comes up there (with its box: no rank.dat).
    game = Game(x, args.program, tmp, tmp, extra_env={
        "QT_QPA_PLATFORM": None, "WAYLAND_DISPLAY": os.path.join(tmp, "wayland-hung")})
    try:
        find_window(x, MAIN_TITLE, game=game)
    finally:
        game.end()


def display_lost(args, tmp, wayland):
    """The display killed while a finished game's save waits for another copy's
    lock, freed 3 s later: the save is done before the program ends (not 0)."""
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    rank = os.path.join(work, "rank.dat")
    write_bytes(rank, b"7,old\r\n")
    other_copy = open(rank + ".lock", "wb")
    fcntl.flock(other_copy, fcntl.LOCK_EX)
    watch = FileWatch(work)
    with (Weston(tmp, 1) if wayland else Xvfb()) as server:
        game = Game(server, args.program, work, tmp, extra_env=weston_game_env() if wayland else {})
        try:
            if not wayland:  # under weston the tests' input plugin plays
                MainWindow(server, game).file_menu("Start")
                press_enter(server, game_over_box(server, game))
            wait_for(lambda: "rank.dat.lock" in watch.poll(), PATIENCE, "the save to begin")
            server.proc.kill()
            threading.Timer(3, other_copy.close).start()
            status = game.wait_exit(PATIENCE)
        finally:
            game.end()
            watch.close()
    check(status != 0, "the program ended with status 0 without its display")
    check(read_bytes(rank) == b"7\r\n", f"rank.dat holds {read_bytes(rank)!r}; {game.stderr()}")


# --- frames ------------------------------------------------------------------

WINDOW_MANAGERS = {
    # openbox keeps minimize and close buttons on every window it titles.
    "openbox": ["openbox"],
    # xfwm4 reads its settings over D-Bus; a private session bus serves it.
    "xfwm4": ["dbus-run-session", "--", "xfwm4", "--compositor=off"],
}
EDGE = (64, 64, 64)


class Skip(Exception):
    pass


def start_window_manager(x, name):
    if shutil.which(WINDOW_MANAGERS[name][0]) is None or shutil.which(name) is None:
        raise Skip(f"{name} is not installed (scripts/install-deps.sh installs it)")
    proc = subprocess.Popen(WINDOW_MANAGERS[name], env=x.env(), stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, preexec_fn=_die_with_parent,
                            start_new_session=True)
    wait_for(lambda: "window id" in x.run("xprop", "-root", "_NET_SUPPORTING_WM_CHECK",
                                          check_rc=False).stdout, PATIENCE, f"{name} to start")
    log(f"{name} manages the screen")
    return proc


def end_window_manager(proc):
    if proc is not None and proc.poll() is None:
        os.killpg(proc.pid, signal.SIGTERM)
        proc.wait(5)


def frame_extents(x, wid):
    out = x.run("xprop", "-id", str(wid), "_NET_FRAME_EXTENTS", check_rc=False).stdout
    return tuple(int(v) for v in out.split("=")[1].split(",")) if "=" in out else None


def title_ink(x, wid):
    """Columns of the window's title strip that carry the caption's ink, as
    (first, last), after checking the 1-px edge around the window."""
    left, top, width, height = geometry(x, wid)
    shot = screenshot(x, left, top, width, height)
    for px, py in ((0, height // 2), (width - 1, height // 2), (width // 2, 0),
                   (width // 2, height - 1)):
        check(shot.pixel(px, py) == EDGE, f"no edge at ({px},{py}) of a {width}x{height} window")
    strip = shot.pixel(2, 2)
    check(strip != EDGE and strip != shot.pixel(2, height - 3), "no title strip")
    strip_h = next(py for py in range(1, height) if shot.pixel(2, py) != strip) - 1
    ink = [px for px in range(1, width - 1)
           if any(shot.pixel(px, py) != strip for py in range(1, 1 + strip_h))]
    check(ink, "the title strip shows no caption")
    return ink[0], ink[-1], width


def check_frame(x, wid, what, managed):
    """No window manager decorations (so no buttons of the manager's) and the
    window's own edge and title strip, whose caption ends well inside it."""
    if managed:
        wait_for(lambda: frame_extents(x, wid) is not None, PATIENCE,
                 f"the manager to frame {what}", lambda: visible_windows(x))
        check(frame_extents(x, wid) == (0, 0, 0, 0),
              f"the manager decorates {what}: frame extents {frame_extents(x, wid)}")
    first, last, width = title_ink(x, wid)
    check(last < width - 4, f"the caption of {what} runs to the window's edge (clipped)")
    log(f"{what}: {width} px wide, caption ink from {first} to {last}")
    return last - first


def framed(x, wid, what, managed):
    """check_frame once the window is drawn: a window just mapped may not be."""
    return until_passes(lambda: check_frame(x, wid, what, managed), PATIENCE, f"{what}'s frame")


def open_menu_item(window, menus_right, downs):
    """File's menu, then Right to a neighbouring menu, whose first enabled
    item is then active, and Down to an item below it."""
    # Without --sync: a synchronous move to where the pointer already is
    # waits for a motion that never comes.
    before = window.shown_ids()
    window.x.run("xdotool", "mousemove", str(window.left + 15), str(window.top + window.menu_h - 10),
                 "click", "1")
    window.file_menu_opened(before)
    window.x.run("xdotool", "key", *(["Right"] * menus_right + ["Down"] * downs + ["Return"]))
    window.x.run("xdotool", "mousemove", str(window.left + 200), str(window.top + window.menu_h + 300))


def frames(args, x, tmp, manager):
    work = os.path.join(tmp, "work")
    os.mkdir(work)
    write_bytes(os.path.join(work, "rank.dat"), b"0\r\n")
    wm = start_window_manager(x, manager) if manager else None
    game = Game(x, args.program, work, tmp)
    try:
        window = MainWindow(x, game)
        main_title = framed(x, window.wid, "the main window", wm is not None)
        if wm is None:
            # Nobody takes the move: the strip moves the window itself.
            x.run("xdotool", "mousemove", "--sync", str(window.left + 60), str(window.top + 6),
                  "mousedown", "1", "mousemove", "--sync", str(window.left + 100),
                  str(window.top + 36), "mouseup", "1")
            def moved():
                moved = MainWindow(x, game)
                check((moved.left - window.left, moved.top - window.top) == (40, 30),
                      f"the strip moved the window from {window.left, window.top} "
                      f"to {moved.left, moved.top}")
                return moved
            window = until_passes(moved, PATIENCE, "the window dragged by its strip")
        open_menu_item(window, 1, 2)  # Setting: TitleBar, Line On/Off, GameLevel
        level = find_window(x, r"Set\(Level\)", game=game)
        framed(x, level, "the level dialog", wm is not None)
        open_menu_item(window, 2, 0)  # Help: (Help greyed), Version
        version = find_window(x, "Version", game=game)
        framed(x, version, "the version dialog", wm is not None)
        window.file_menu("Start")
        box = game_over_box(x, game)
        box_title = framed(x, box, "the game-over box", wm is not None)
        # "Zanrai" and three ideographs more: an ellipsis would end it early.
        check(box_title > main_title * 3 // 2,
              f"the game-over title is {box_title} px of ink, \"Zanrai\" alone {main_title}")
        press_enter(x, box)
        check(window_gone(x, GAME_OVER_TITLE), "Enter did not close the game-over box")
    finally:
        game.end()
        end_window_manager(wm)


# --- natively on Wayland ----------------------------------------------------

class Weston:
    """A private weston, headless, at an output scale, with its own runtime,
    home and XDG folders; no X server at all."""

    def __init__(self, tmp, scale):
        self.tmp, self.scale, home = tmp, scale, os.path.join(tmp, "home")
        self.vars = {"HOME": home, "XDG_RUNTIME_DIR": tempfile.mkdtemp(dir=tmp), **{
            k: os.path.join(home, k) for k in ("XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                               "XDG_CACHE_HOME", "XDG_STATE_HOME")}}
        self.vars["WAYLAND_DISPLAY"] = os.path.join(self.vars["XDG_RUNTIME_DIR"], "wayland-e2e")

    def __enter__(self):
        config = os.path.join(self.tmp, "weston.ini")
        write_bytes(config, b"[shell]\npanel-position=none\nbackground-color=0xff336699\n"
                            b"animation=none\nclose-animation=none\nstartup-animation=none\n")
        self.proc = subprocess.Popen(
            ["weston", "--backend=headless-backend.so", "--use-pixman", "--debug",
             f"--config={config}", "--socket=wayland-e2e", f"--scale={self.scale}"],
            env=self.env(), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=_die_with_parent)
        wait_for(lambda: os.path.exists(self.vars["WAYLAND_DISPLAY"]), PATIENCE, "weston's socket")
        return self

    def __exit__(self, *exc):
        end_process(self.proc)

    def env(self):
        env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "QT_QPA_PLATFORM")}
        return {**env, **self.vars}

    def screen(self):
        folder = tempfile.mkdtemp(dir=self.tmp)
        subprocess.run(["weston-screenshooter"], cwd=folder, env=self.env(), check=True)
        png = os.path.join(folder, os.listdir(folder)[0])
        _, size, _, data = subprocess.run(["convert", png, "-depth", "8", "ppm:-"], check=True,
                                          capture_output=True).stdout.split(b"\n", 3)
        return Shot(*map(int, size.split()), data)


def weston_game_env():
    """Natively on Wayland, DISPLAY naming no server, played by the input plugin."""
    free = next(n for n in range(150, 400) if not os.path.exists(f"/tmp/.X11-unix/X{n}"))
    return {"QT_QPA_PLATFORM": None, "DISPLAY": f":{free}", "QT_QPA_GENERIC_PLUGINS":
            "zanraiscriptedplay", "QT_PLUGIN_PATH": os.environ.get("ZANRAI_E2E_PLUGINS", "")}


def weston_game(args, tmp, scale):
    """Natively under weston, DISPLAY naming no server: a game played to its
    box (by the tests' input plugin) and saved, then the idle window in one
    frame of 417 x 395 times the scale, the strip once, the scene in blocks."""
    with Weston(tmp, scale) as weston:
        work = os.path.join(tmp, "work")
        os.mkdir(work)
        rank = os.path.join(work, "rank.dat")
        write_bytes(rank, b"7,old\r\n")
        game = Game(weston, args.program, work, tmp, extra_env=weston_game_env())
        try:
            wait_for(lambda: read_bytes(rank) == b"7\r\n" or not game.running(), PATIENCE,
                     "a game saved", lambda: f"rank.dat holding {read_bytes(rank)!r}; the game's "
                     f"stderr: {game.stderr()!r}")
            check(game.running(), f"the game ended; stderr:\n{game.stderr()}")
            shot = weston.screen()
            # Only the window differs from the background.
            spots = [i // 3 for i in range(0, len(shot.data), 3)
                     if shot.data[i:i + 3] != shot.data[:3]]
            xs = [spot % shot.width for spot in spots]
            left, top = min(xs), spots[0] // shot.width
            size = (max(xs) - left + 1, spots[-1] // shot.width - top + 1)
            log(f"the window is {size[0]} x {size[1]} at ({left},{top})")
            check(size == (417 * scale, 395 * scale), f"the window is {size} on screen")
            column = [shot.pixel(left + 2 * scale, top + y) for y in range(size[1])]
            strip = [y for y, colour in enumerate(column) if colour == column[scale]]
            check(column[0] == EDGE and strip == list(range(scale, scale + len(strip))),
                  f"no edge and one strip: the strip's colour is in rows {strip}")
            client = top + (395 - 1 - CLIENT_H) * scale
            mixed = sum(1 for by in range(0, 250, 2) for bx in range(0, CLIENT_W, 2)
                        if not (160 <= bx < 280 and 36 <= by < 64) and len({shot.pixel(
                            left + (1 + bx) * scale + d % scale, client + by * scale + d // scale)
                            for d in range(scale * scale)}) > 1)
            check(mixed == 0, f"{mixed} blocks of the scene are not one colour")
        finally:
            game.end()


SCENARIOS = {
    "game_over": scenario_game_over,
    "cuts": scenario_cuts,
    "unreadable_rank": scenario_unreadable_rank,
    "exit_during_game": scenario_exit_during_game,
    "close_request": scenario_close_request,
    "other_folder": scenario_other_folder,
    "stuck_sound": scenario_stuck_sound,
    "read_only_rank": scenario_read_only_rank,
    "full_disk": scenario_full_disk,
    "no_display": scenario_no_display,
    "frames_openbox": lambda args, x, tmp: frames(args, x, tmp, "openbox"),
    "frames_xfwm4": lambda args, x, tmp: frames(args, x, tmp, "xfwm4"),
    "frames_bare": lambda args, x, tmp: frames(args, x, tmp, None),
    "weston_scale1": lambda args, x, tmp: weston_game(args, tmp, 1),
    "weston_scale2": lambda args, x, tmp: weston_game(args, tmp, 2),
    "x11_lost": lambda args, x, tmp: display_lost(args, tmp, False),
    "weston_lost": lambda args, x, tmp: display_lost(args, tmp, True),
}


def use_private_home(tmp):
    """Everything the run starts (X server, D-Bus, window managers, the game)
    inherits a home and XDG folders inside tmp: xfwm4 writes its settings
    under ~/.config and dconf its database under ~/.cache, which on a
    desktop are the player's own."""
    for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "home/.config"),
                     ("XDG_DATA_HOME", "home/.local/share"), ("XDG_CACHE_HOME", "home/.cache"),
                     ("XDG_RUNTIME_DIR", "runtime")):
        path = os.path.join(tmp, sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        os.environ[var] = path


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--program", required=True, help="the built zanrai")
    parser.add_argument("--deadline", type=int, default=300,
                        help="seconds before the run is abandoned")
    parser.add_argument("scenario", choices=sorted(SCENARIOS))
    args = parser.parse_args()
    args.program = os.path.abspath(args.program)
    for tool in ("Xvfb", "xdotool", "import"):
        if shutil.which(tool) is None:
            print(f"[e2e] {tool} is missing (scripts/install-deps.sh installs it)")
            return 1

    def abandon(signum, frame):
        raise Failure(f"abandoned after {args.deadline} s ({load_average()})")
    signal.signal(signal.SIGALRM, abandon)
    signal.signal(signal.SIGTERM, abandon)
    signal.alarm(args.deadline)

    started = time.monotonic()
    tmp = tempfile.mkdtemp(prefix="zanrai-e2e-")
    use_private_home(tmp)
    try:
        if args.scenario.startswith("weston") or args.scenario.endswith("_lost"):
            SCENARIOS[args.scenario](args, None, tmp)
        else:
            with Xvfb() as x:
                SCENARIOS[args.scenario](args, x, tmp)
    except Failure as failure:
        print(f"[e2e] FAIL {args.scenario} after {time.monotonic() - started:.1f} s: {failure}",
              flush=True)
        return 1
    except Skip as skip:
        print(f"[e2e] SKIP {args.scenario}: {skip}", flush=True)
        return 77
    finally:
        signal.alarm(0)
        shutil.rmtree(tmp, ignore_errors=True)
    log(f"PASS {args.scenario} in {time.monotonic() - started:.1f} s")
    return 0


if __name__ == "__main__":
    sys.exit(main())
