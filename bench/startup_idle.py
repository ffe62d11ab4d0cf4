#!/usr/bin/python3
"""How fast does the program start, and what does it cost while it waits?

Runs the real program under Xvfb with openbox and a mock logind
(tests/system/harness/openbox.py), side by side in the same run with the
yardsticks of bench/bare_window (built here): an empty Qt 6 window, the same
with one line of Chinese text, and the same with a 30 ms clock label. Each
figure is printed as a ratio to its yardstick:

  * start-up: from starting the process to its first window (the splash)
    being mapped, against the window with one line of Chinese (starts are
    interleaved, several runs each, medians compared); then from the splash
    to the main window (one second by design), and the gap between the
    splash going and the main window being mapped. The X server's map and
    unmap events are read as they come by bench/map_watch (built here), one
    process listening on the display, so that no polling takes processor
    time from the start being measured;
  * memory, from /proc/PID/smaps_rollup, against the Chinese window's, both
    running side by side and read at the same moments (once the start is
    over, and once the program waits), so that the pages of the libraries
    they both use count for neither, whatever else the machine runs:
    anonymous memory (the heap, stacks, relocated data: what the machine
    must keep in RAM or swap for the process) and private dirty pages, the
    two that really cost the machine, beside the unique set size (USS, all
    private pages, file pages the kernel can drop and read again included);
  * idle: processor time (from /proc/PID/schedstat, in nanoseconds) and
    wakeups (context switches of all its threads) over a stretch of waiting
    with the clock line running, against the clock window's, both measured
    at the same time after a settling time (the text cursor stops blinking
    ten seconds after the last key, as on GTK's desktops).

    /usr/bin/python3 bench/startup_idle.py [--runs 21] [--idle 30]
"""

import argparse
import glob
import os
import statistics
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "system"))

from harness.openbox import OpenboxDesktop  # noqa: E402
from harness.x11 import MapWatch  # noqa: E402

# Goals, each against its yardstick.
START_GOAL = 1.05        # × the Chinese window's start
ANON_GOAL_KIB = 1024     # anonymous memory over the Chinese window's, waiting
CPU_GOAL = 0.90          # × the clock window's processor time
HANDOVER_GOAL_MS = 1030  # splash to main window
WAKEUP_NOISE = 0.5       # a second: what two counts of the same ticks differ by
SETTLE = 12.0            # s before the idle stretch: past the cursor's blink timeout
STARTED = 2.0            # s after the main window: its start is over, its heap not yet trimmed


def cpu_ns(pid):
    total = 0
    for task in glob.glob("/proc/%d/task/*/schedstat" % pid):
        try:
            with open(task) as f:
                total += int(f.read().split()[0])
        except OSError:
            pass
    return total


def wakeups(pid):
    total = 0
    for task in glob.glob("/proc/%d/task/*/status" % pid):
        try:
            with open(task) as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def memory_kib(pid):
    """{"anonymous", "dirty", "uss"} of a process, in KiB."""
    fields = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[2] == "kB":
                fields[parts[0].rstrip(":")] = int(parts[1])
    return {"anonymous": fields.get("Anonymous", 0), "dirty": fields.get("Private_Dirty", 0),
            "uss": fields.get("Private_Clean", 0) + fields.get("Private_Dirty", 0)}


SPLASH = "503x200"


def bare_start(d, watch, binary, args=()):
    t0 = time.monotonic()
    d.launch(args=args, wait_window=False, binary=binary)
    t1 = watch.wait("bare window", lambda e: e[1] == "map" and e[3] == "bare_window", t0)[0]
    d.stop_program()
    return t1 - t0


def program_start(d, watch):
    t0 = time.monotonic()
    d.launch(wait_window=False)
    # The program's first window is the splash.
    splash = watch.wait("splash", lambda e: e[1] == "map" and e[3] == "vesperon" and e[4] == SPLASH, t0)[0]
    gone = watch.wait("hand-over", lambda e: e[1] == "unmap" and e[4] == SPLASH, splash)[0]
    main = watch.wait("main window", lambda e: e[1] == "map" and e[3] == "vesperon" and e[4] != SPLASH, splash)[0]
    return splash - t0, main - splash, main - gone


def waiting_cost(d, program, args, idle):
    """(processor ns, wakeups), a second, of a process waiting for `idle` s."""
    d.launch(args=args, wait_window=program is None, binary=program)
    if program is None:
        d.activate(d.main_window)
    pid = d.app.pid
    time.sleep(SETTLE)
    c0, w0 = cpu_ns(pid), wakeups(pid)
    time.sleep(idle)
    c1, w1 = cpu_ns(pid), wakeups(pid)
    d.stop_program()
    return (c1 - c0) / idle, (w1 - w0) / idle


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=21)
    ap.add_argument("--idle", type=float, default=30.0, help="seconds of idle to measure")
    args = ap.parse_args(argv)

    build = os.path.join(ROOT, "build")
    subprocess.run(["cmake", "--build", build, "--target", "bare_window", "map_watch", "vesperon"],
                   check=True, stdout=subprocess.DEVNULL)
    bare = os.path.join(build, "bare_window")

    empty, chinese, splash, follow, gap = [], [], [], [], []
    with OpenboxDesktop() as d:
        watch = MapWatch(d, os.path.join(build, "map_watch"))
        for run in range(args.runs):
            empty.append(bare_start(d, watch, bare))
            time.sleep(0.3)
            chinese.append(bare_start(d, watch, bare, ["--label"]))
            time.sleep(0.3)
            s, f, g = program_start(d, watch)
            splash.append(s)
            follow.append(f)
            gap.append(g)
            d.stop_program()
            time.sleep(0.3)
        # Memory: side by side.
        d.launch(args=["--label"], wait_window=False, binary=bare)
        chinese_window = d.app
        d.launch()
        time.sleep(STARTED)
        started = memory_kib(d.app.pid), memory_kib(chinese_window.pid)
        time.sleep(SETTLE - STARTED)
        waiting = memory_kib(d.app.pid), memory_kib(chinese_window.pid)
        d.stop_program()
        d.stop_program(chinese_window)
        # Waiting: one at a time, each alone on the desktop.
        clock_cpu, clock_wakeups = waiting_cost(d, bare, ["--clock"], args.idle)
        program_cpu, program_wakeups = waiting_cost(d, None, [], args.idle)
        watch.stop()

    def ms(values):
        v = [x * 1000 for x in values]
        return "median %.1f ms (%.1f to %.1f)" % (statistics.median(v), min(v), max(v))

    start_ratio = statistics.median(splash) / statistics.median(chinese)
    handover = statistics.median(follow) * 1000
    print("%d interleaved starts each; %.0f s of waiting each" % (args.runs, args.idle))
    print("empty Qt window visible:        " + ms(empty))
    print("  with one Chinese line:        " + ms(chinese))
    print("splash visible:                 " + ms(splash))
    print("  start:     %.2f x the Chinese window (goal: at most %.2f)%s"
          % (start_ratio, START_GOAL, "" if start_ratio <= START_GOAL else "  MISSED"))
    print("splash to main window:          " + ms(follow)
          + " (goal: at most %d ms)%s" % (HANDOVER_GOAL_MS, "" if handover <= HANDOVER_GOAL_MS else "  MISSED"))
    print("splash gone to main visible:    " + ms(gap))
    for when, (program, floor) in ((STARTED, started), (SETTLE, waiting)):
        print("memory, main window + %2.0f s:   program / Chinese window, MiB" % when)
        for kind, name in (("anonymous", "anonymous"), ("dirty", "private dirty"), ("uss", "USS")):
            extra = program[kind] - floor[kind]
            goal = ""
            if kind == "anonymous" and when == SETTLE:
                goal = " (goal: at most +%.1f)%s" % (ANON_GOAL_KIB / 1024,
                                                     "" if extra <= ANON_GOAL_KIB else "  MISSED")
            print("  %-14s %5.1f / %5.1f: %+.1f MiB%s"
                  % (name, program[kind] / 1024, floor[kind] / 1024, extra / 1024, goal))
    cpu_ratio = program_cpu / clock_cpu
    print("  waiting:   %.3f %% of a core, clock window %.3f %%: %.2f x (goal: at most %.2f)%s"
          % (program_cpu / 1e7, clock_cpu / 1e7, cpu_ratio, CPU_GOAL, "" if cpu_ratio <= CPU_GOAL else "  MISSED"))
    print("  wakeups:   %.1f a second, clock window %.1f (goal: no more, within %.1f)%s"
          % (program_wakeups, clock_wakeups, WAKEUP_NOISE,
             "" if program_wakeups <= clock_wakeups + WAKEUP_NOISE else "  MISSED"))


if __name__ == "__main__":
    sys.exit(main())
