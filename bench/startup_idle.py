#!/usr/bin/python3
"""How fast does the program start, and what does it cost while it waits?

Runs the real program under Xvfb with openbox and a mock logind
(tests/system/desktop.py):

  * start-up: from starting the process to its first window (the splash)
    being visible, side by side with a bare Qt 6 window (bench/bare_window,
    built here) started the same way in the same run, empty and with one
    line of Chinese text; then from the splash
    to the main window (one second by design), and the gap between the
    splash going and the main window being visible. Windows are looked for
    every few milliseconds with xdotool;
  * idle: CPU time used over a stretch of waiting with the clock line
    running (from /proc), and the resident memory afterwards.

    /usr/bin/python3 bench/startup_idle.py [--runs 5] [--idle 60]
"""

import argparse
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "system"))

from desktop import Desktop, DesktopError  # noqa: E402

TICKS = os.sysconf("SC_CLK_TCK")


def cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICKS  # utime + stime


def memory_kib(pid, key):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith(key + ":"):
                return int(line.split()[1])
    return None


def visible(d, *args):
    r = subprocess.run(["xdotool", "search", "--onlyvisible"] + list(args), env=d.env(),
                       capture_output=True, text=True)
    return r.returncode == 0 and r.stdout.strip() != ""


def splash_shown(d, pid):
    """Whether a 503 × 200 window of the program is visible."""
    r = subprocess.run(["xdotool", "search", "--all", "--onlyvisible", "--pid", pid,
                        "--classname", "vesperon"], env=d.env(), capture_output=True, text=True)
    for wid in r.stdout.split():
        out = subprocess.run(["xdotool", "getwindowgeometry", wid], env=d.env(),
                             capture_output=True, text=True).stdout
        if "Geometry: 503x200" in out:
            return True
    return False


def wait_until(d, what, predicate, since, limit=30):
    while not predicate():
        if time.monotonic() - since > limit or not d.app_running():
            raise DesktopError("no %s\n%s" % (what, d.describe()))
        time.sleep(0.003)
    return time.monotonic()


def first_window(d, pid, classname):
    """Whether the process shows any window yet (the same look for both)."""
    return visible(d, "--all", "--pid", pid, "--classname", classname)


def bare_start(d, binary, args=()):
    t0 = time.monotonic()
    d.launch(args=args, wait_window=False, binary=binary)
    t1 = wait_until(d, "bare window", lambda: first_window(d, str(d.app.pid), "bare_window"), t0)
    d._kill_group("bare", d.app)
    return t1 - t0


def program_start(d):
    t0 = time.monotonic()
    d.launch(wait_window=False)
    pid = str(d.app.pid)
    # The program's first window is the splash.
    splash = wait_until(d, "splash", lambda: first_window(d, pid, "vesperon"), t0)
    gone = wait_until(d, "hand-over", lambda: not splash_shown(d, pid), t0)
    main = wait_until(d, "main window", lambda: visible(d, "--name", "Tolvane"), t0)
    return splash - t0, main - splash, main - gone


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--idle", type=float, default=60.0, help="seconds of idle to measure")
    args = ap.parse_args(argv)

    build = os.path.join(ROOT, "build")
    subprocess.run(["cmake", "--build", build, "--target", "bare_window", "vesperon"],
                   check=True, stdout=subprocess.DEVNULL)
    bare_binary = os.path.join(build, "bare_window")

    bare, labelled, splash, follow, gap = [], [], [], [], []
    with Desktop() as d:
        for run in range(args.runs):
            bare.append(bare_start(d, bare_binary))
            time.sleep(0.3)
            labelled.append(bare_start(d, bare_binary, ["--label"]))
            time.sleep(0.3)
            s, f, g = program_start(d)
            splash.append(s)
            follow.append(f)
            gap.append(g)
            if run < args.runs - 1:
                d._kill_group("vesperon", d.app)
                time.sleep(0.3)

        pid = d.app.pid
        time.sleep(3.0)  # let start-up settle
        c0, w0 = cpu_seconds(pid), time.monotonic()
        time.sleep(args.idle)
        c1, w1 = cpu_seconds(pid), time.monotonic()
        rss, peak = memory_kib(pid, "VmRSS"), memory_kib(pid, "VmHWM")

    def ms(values):
        v = [x * 1000 for x in values]
        return "median %.0f ms (%.0f to %.0f)" % (statistics.median(v), min(v), max(v))

    print("%d runs each" % args.runs)
    print("bare Qt window visible:       " + ms(bare))
    print("  with one Chinese label:     " + ms(labelled))
    print("splash visible:               " + ms(splash)
          + ", %.2f x the bare window (goal: at most 1.10), %.2f x the labelled one"
          % (statistics.median(splash) / statistics.median(bare),
             statistics.median(splash) / statistics.median(labelled)))
    print("splash to main window:        " + ms(follow) + " (goal: at most 1050 ms)")
    print("splash gone to main visible:  " + ms(gap))
    print("idle: %.2f s CPU in %.0f s = %.2f %% of one core" % (c1 - c0, w1 - w0, 100 * (c1 - c0) / (w1 - w0)))
    print("memory: resident %.1f MiB, peak %.1f MiB" % (rss / 1024, peak / 1024))


if __name__ == "__main__":
    sys.exit(main())
