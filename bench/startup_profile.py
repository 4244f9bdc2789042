#!/usr/bin/env python3
"""Sums the main thread's perf samples up to its first xcb_map_window over a
program's runs (written by startup_profile.sh) and prints them by phase, by
library and by function, in milliseconds per run.

    startup_profile.py PREFIX RUNS     reads PREFIX.r1.data, .r1.data.pid, ...
"""
import collections
import re
import subprocess
import sys

HZ = 20000
FRAME = re.compile(r"\s*[0-9a-f]+ (.*) \((.*)\)$")

# A sample belongs to the first phase whose function is on its stack; the
# order puts the outer steps of main after the inner ones they contain.
PHASES = [
    ("dl_main", "loading and relocating the linked libraries (before main)"),
    ("_dl_sysdep_start", "loading and relocating the linked libraries (before main)"),
    ("do_execveat_common", "exec"),
    ("load_elf_binary", "exec"),
    ("QImage::load", "decoding pictures"),
    ("QImageReader::read", "decoding pictures"),
    ("QApplication::QApplication", "QApplication constructor"),
    ("Form1::Form1", "Form1 constructor (frame, controls, labels, menus)"),
    ("Form1::Form_Load", "Form_Load"),
    ("QWidget::adjustSize", "adjustSize, centring, show"),
    ("QWidget::setVisible", "adjustSize, centring, show"),
    ("_dl_init", "library initialisers (before main)"),
    ("main", "main, not attributed to a step above"),
    ("[unknown]", "stack not unwound"),
]


def samples(prefix, run):
    data = f"{prefix}.r{run}.data"
    pid = open(f"{prefix}.r{run}.pid").read().split()[0]
    events = subprocess.run(["perf", "script", "-i", data, "-F", "tid,time,event"],
                            capture_output=True, text=True).stdout
    mapped = None
    for line in events.splitlines():
        f = line.split()
        if len(f) >= 3 and f[0] == pid and "xcb_map_window" in line:
            mapped = f[1].rstrip(":")
            break
    if mapped is None:
        print(f"  run {run}: no map seen", file=sys.stderr)
        return
    out = subprocess.run(["perf", "script", "-i", data, "--tid", pid, "--time", "," + mapped,
                          "-F", "event,ip,sym,dso"], capture_output=True, text=True).stdout
    for block in out.split("\n\n"):
        lines = block.strip().split("\n")
        if not lines or "cpu-clock" not in lines[0]:
            continue
        frames = [(m.group(1), m.group(2).split("/")[-1])
                  for m in map(FRAME.match, lines[1:]) if m]
        if frames:
            yield frames


def main():
    prefix, runs = sys.argv[1], int(sys.argv[2])
    phase, lib, self_fn, incl = (collections.Counter() for _ in range(4))
    total = 0
    for run in range(1, runs + 1):
        for frames in samples(prefix, run):
            total += 1
            sym, dso = frames[0]
            lib[dso] += 1
            self_fn[f"{sym}  [{dso}]"] += 1
            for name in {s for s, _ in frames}:
                incl[name] += 1
            names = [s for s, _ in frames]
            label = "kernel only, or before main"
            if any(d == "dash" or d == "sh" for _, d in frames):
                label = "shell before exec"
            else:
                for key, text in PHASES:
                    if any(n.startswith(key) for n in names):
                        label = text
                        break
            phase[label] += 1

    def show(title, counter, n):
        print(f"-- {title}")
        for k, c in counter.most_common(n):
            print(f"  {c / HZ * 1000 / runs:7.2f} ms  {k}")

    print(f"main thread, exec to xcb_map_window: {total / HZ * 1000 / runs:.1f} ms per run "
          f"({runs} runs, perf's overhead included)")
    show("by phase", phase, 20)
    show("by library (self)", lib, 12)
    show("by function (self)", self_fn, 15)
    show("by function (with callees)", incl, 40)


if __name__ == "__main__":
    main()
