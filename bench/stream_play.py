#!/usr/bin/env python3
"""One stretch of play through a sound server, measured at the server.

Run by bench/measure_stream.sh, which starts the server, the X server and
the busy loops. This starts the game (its own temporary HOME and XDG folders
come from the caller's environment), picks the For Hi Spec level, starts a
game and clicks the five targets' columns in turn every CLICK_GAP seconds,
while it records the null sink's monitor with parec and reads, every few
seconds, what the server says of the game's stream. Prints one line:

  dropouts N (longest L frames)  buffer B ms  sink S ms  click->cut median M ms p90 P ms
  (H of C clicks cut)

A dropout is a run of at least 32 frames of exact digital silence with sound
on both sides, inside the music: the stream ran dry and the server mixed
nothing in. Click to cut is the time from the button press reaching the X
server to the first frame of the cut sound rendered by the sink; the sample
times come from when parec delivered them (the earliest, so the least
delayed, delivery fixes the clock).

  stream_play.py GAME_BIN_DIR SECONDS CLICK_GAP
"""

import array
import ctypes
import os
import re
import signal
import statistics
import subprocess
import sys
import threading
import time

RATE = 44100
SINK = os.environ.get("ZANRAI_BENCH_SINK", "zanrai_null")
DROPOUT_FRAMES = 32
COLUMNS = (96, 160, 224, 288, 360)  # the targets' columns, in the window
CLICK_Y = 187  # just above the bottom of a target waiting at home


def run(*args, check=True):
    return subprocess.run(args, check=check, capture_output=True, text=True).stdout


def window_of(pattern, seconds=10):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        out = run("xdotool", "search", "--onlyvisible", "--name", pattern, check=False).split()
        if out:
            return out[0]
        time.sleep(0.05)
    sys.exit(f"stream_play: no window named {pattern}")


class Pointer:
    """Clicks through XTest from this process: no helper process to start
    per click, so the press time is known to within the X round trip."""

    def __init__(self):
        self.x11 = ctypes.CDLL("libX11.so.6")
        self.xtst = ctypes.CDLL("libXtst.so.6")
        self.x11.XOpenDisplay.restype = ctypes.c_void_p
        self.x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int,
                                                   ctypes.c_int, ctypes.c_ulong]
        self.xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int,
                                                   ctypes.c_ulong]
        self.display = self.x11.XOpenDisplay(None)
        if not self.display:
            sys.exit("stream_play: cannot open the X display")

    def click(self, x, y):
        self.xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        self.xtst.XTestFakeButtonEvent(self.display, 1, 1, 0)
        self.x11.XSync(self.display, 0)
        pressed = time.monotonic()
        self.xtst.XTestFakeButtonEvent(self.display, 1, 0, 0)
        self.x11.XSync(self.display, 0)
        return pressed


def window_origin(window):
    out = run("xdotool", "getwindowgeometry", window)
    x, y = re.search(r"Position: (-?\d+),(-?\d+)", out).groups()
    return int(x), int(y)


class Recorder(threading.Thread):
    """parec on the sink's monitor; keeps the bytes and when each read came."""

    def __init__(self):
        super().__init__(daemon=True)
        self.proc = subprocess.Popen(
            ["parec", "-d", SINK + ".monitor", "--raw", "--format=s16le", "--rate=%d" % RATE,
             "--channels=2", "--latency-msec=2"], stdout=subprocess.PIPE)
        self.data = bytearray()
        self.reads = []  # (monotonic time, frames received by then)

    def run(self):
        fd = self.proc.stdout.fileno()
        while True:
            chunk = os.read(fd, 4096)
            now = time.monotonic()
            if not chunk:
                return
            self.data += chunk
            self.reads.append((now, len(self.data) // 4))

    def frame_at(self, t):
        """The frame the sink rendered at time t. Each read tells when its
        last frame had come at the latest; the earliest such bound near t
        fixes the clock there, so a burst at the start (PipeWire sends one)
        or frames lost on a busy machine shift nothing far from them."""
        origin = min((when - frames / RATE for when, frames in self.reads
                      if t - 1 <= when <= t + 2 and frames > RATE), default=None)
        return None if origin is None else int(round((t - origin) * RATE))

    def stop(self):
        self.proc.terminate()
        self.proc.wait()
        self.join()
        samples = array.array("h")
        samples.frombytes(bytes(self.data[: len(self.data) // 4 * 4]))
        return samples


def stream_latencies():
    """The game's stream as the server reports it: buffer and sink latency in ms."""
    out = run("pactl", "list", "sink-inputs", check=False)
    buffers = re.findall(r"Buffer Latency: (\d+) usec", out)
    sinks = re.findall(r"Sink Latency: (\d+) usec", out)
    # PipeWire's PulseAudio service reports both as 0; the quantum it asked
    # of the graph for the stream is its node.latency.
    quanta = re.findall(r'node.latency = "(\d+)/(\d+)"', out)
    if not buffers:
        return None
    quantum = 1000 * int(quanta[-1][0]) / int(quanta[-1][1]) if quanta else float("nan")
    return int(buffers[-1]) / 1000, int(sinks[-1]) / 1000, quantum


def dropouts(samples, first, last):
    """Runs of exact silence of at least DROPOUT_FRAMES frames between the
    frames first and last, with sound on both sides."""
    runs = []
    zero_start = None
    for frame in range(first, last):
        silent = samples[2 * frame] == 0 and samples[2 * frame + 1] == 0
        if silent:
            if zero_start is None:
                zero_start = frame
        elif zero_start is not None:
            if frame - zero_start >= DROPOUT_FRAMES and zero_start > first:
                runs.append(frame - zero_start)
            zero_start = None
    return runs


def activity(samples, frame, frames):
    """Mean absolute sample-to-sample change over frames, both channels: the
    cut is a burst of noise, the music moves slowly."""
    total = 0
    end = min(frame + frames, len(samples) // 2)
    for i in range(max(frame, 1), end):
        total += abs(samples[2 * i] - samples[2 * i - 2]) + abs(samples[2 * i + 1] - samples[2 * i - 1])
    return total / max(1, end - frame)


def cut_onset(samples, click_frame):
    """First 32-frame block within 300 ms of the click where the change jumps
    well above the music's just before it."""
    block = 32
    before = [activity(samples, f, block)
              for f in range(click_frame - RATE // 5, click_frame, block)]
    if not before:
        return None
    floor = max(6 * statistics.median(before), 1500)
    for f in range(click_frame, click_frame + int(0.3 * RATE), block):
        if activity(samples, f, block) > floor:
            for g in range(f, f + block):
                if activity(samples, g, 1) > floor:
                    return g
            return f
    return None


def percentile(values, q):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(q * len(ordered)))]


def main():
    bin_dir, seconds, gap = sys.argv[1], float(sys.argv[2]), float(sys.argv[3])
    with open("rank.dat", "wb") as f:
        f.write(b"0\r\n")
    recorder = Recorder()
    recorder.start()
    game = subprocess.Popen([os.path.join(bin_dir, "zanrai")], stdout=subprocess.DEVNULL,
                            stderr=open("zanrai.err", "w"))
    try:
        window = window_of("^Zanrai$")
        time.sleep(1)  # the soundfont loads, as it would before a player starts
        # Setting -> GameLevel: the level dialog; For Hi Spec, then OK.
        run("xdotool", "mousemove", "--window", window, "20", "27", "click", "1")
        time.sleep(0.4)
        run("xdotool", "key", "Right", "Down", "Down", "Return")
        dialog = window_of(r"^Set\(Level\)$")
        time.sleep(0.3)
        run("xdotool", "mousemove", "--window", dialog, "40", "50", "click", "1")
        run("xdotool", "mousemove", "--window", dialog, "257", "186", "click", "1")
        time.sleep(0.3)
        # File -> Start.
        run("xdotool", "mousemove", "--window", window, "20", "27", "click", "1")
        time.sleep(0.4)
        run("xdotool", "key", "Down", "Down", "Return")
        time.sleep(1)
        left, top = window_origin(window)
        pointer = Pointer()
        clicks, reports = [], []
        begin = time.monotonic()
        i = 0
        while time.monotonic() - begin < seconds:
            target = begin + i * gap
            time.sleep(max(0.0, target - time.monotonic()))
            clicks.append(pointer.click(left + COLUMNS[i % 5], top + CLICK_Y))
            i += 1
            if i % int(max(1, 5 / gap)) == 0:
                reports.append(stream_latencies())
        time.sleep(0.5)
        alive = game.poll() is None
        if os.environ.get("STREAM_KEEP"):
            run("import", "-window", "root", "end.png", check=False)
    finally:
        game.send_signal(signal.SIGTERM)
        try:
            game.wait(5)
        except subprocess.TimeoutExpired:
            game.kill()
            game.wait()
    samples = recorder.stop()
    frames = len(samples) // 2
    if frames < RATE:
        sys.exit("stream_play: nothing recorded from " + SINK + ".monitor")
    to_frame = recorder.frame_at
    first, last = to_frame(clicks[0]) or 0, min(frames, to_frame(clicks[-1]) or frames)
    drops = dropouts(samples, first, last)
    if os.environ.get("STREAM_KEEP"):
        # For a look by hand: the recording, and the frame of each click.
        with open("monitor.raw", "wb") as f:
            f.write(samples.tobytes())
        with open("clicks.txt", "w") as f:
            f.writelines(f"{to_frame(t)}\n" for t in clicks)
    delays = []
    for t in clicks:
        f = to_frame(t)
        if f is None or f - RATE // 5 < 0 or f + int(0.3 * RATE) >= frames:
            continue
        onset = cut_onset(samples, f)
        if onset is not None:
            delays.append(1000 * (onset - f) / RATE)
    reports = [r for r in reports if r]
    buffer = statistics.median(r[0] for r in reports) if reports else float("nan")
    sink = statistics.median(r[1] for r in reports) if reports else float("nan")
    quantum = statistics.median(r[2] for r in reports) if reports else float("nan")
    line = (f"dropouts {len(drops):3d} (longest {max(drops, default=0):4d} frames)  "
            f"buffer {buffer:5.1f} ms  sink {sink:5.1f} ms  ")
    if quantum == quantum:
        line += f"node.latency {quantum:5.1f} ms  "
    if delays:
        line += (f"click->cut median {statistics.median(delays):5.1f} ms "
                 f"p90 {percentile(delays, 0.9):5.1f} ms  ({len(delays)} of {len(clicks)} clicks cut)")
    else:
        line += f"no cut heard ({len(clicks)} clicks)"
    if not alive:
        line += "  THE GAME EXITED DURING PLAY"
    print(line, flush=True)


if __name__ == "__main__":
    main()
