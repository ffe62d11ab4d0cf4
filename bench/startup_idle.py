#!/usr/bin/python3
"""How fast does the program start, and what does it cost while it waits?

Runs the real program under Xvfb with openbox and a mock logind
(tests/system/desktop.py):

  * start-up: from starting the process to its main window being visible,
    over several launches (polled every 10 ms with xdotool);
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
sys.path.insert(0, os.path.join(HERE, "..", "tests", "system"))

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


def visible_main_window(d):
    r = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "Tolvane"],
                       env=d.env(), capture_output=True, text=True)
    return r.returncode == 0 and r.stdout.strip() != ""


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--idle", type=float, default=60.0, help="seconds of idle to measure")
    args = ap.parse_args(argv)

    startups = []
    with Desktop() as d:
        for run in range(args.runs):
            t0 = time.monotonic()
            d.launch(wait_window=False)
            while not visible_main_window(d):
                if time.monotonic() - t0 > 30 or not d.app_running():
                    raise DesktopError("no main window\n" + d.describe())
                time.sleep(0.01)
            startups.append(time.monotonic() - t0)
            if run < args.runs - 1:
                d._kill_group("vesperon", d.app)
                time.sleep(0.5)

        pid = d.app.pid
        time.sleep(3.0)  # let start-up settle
        c0, w0 = cpu_seconds(pid), time.monotonic()
        time.sleep(args.idle)
        c1, w1 = cpu_seconds(pid), time.monotonic()
        rss, peak = memory_kib(pid, "VmRSS"), memory_kib(pid, "VmHWM")

    ms = [s * 1000 for s in startups]
    print("start-up to visible main window, %d runs: median %.0f ms, min %.0f ms, max %.0f ms"
          % (len(ms), statistics.median(ms), min(ms), max(ms)))
    print("idle: %.2f s CPU in %.0f s = %.2f %% of one core" % (c1 - c0, w1 - w0, 100 * (c1 - c0) / (w1 - w0)))
    print("memory: resident %.1f MiB, peak %.1f MiB" % (rss / 1024, peak / 1024))


if __name__ == "__main__":
    sys.exit(main())
