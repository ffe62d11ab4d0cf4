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
    a drawing buffer shared with the X server (MIT-SHM), which smaps counts
    as shared, is counted in as anonymous, since the program keeps the same
    buffer on its heap;
  * waiting: processor time (from /proc/PID/schedstat, in nanoseconds) and
    wakeups (context switches of all its threads) over a stretch of waiting,
    the program and its yardstick side by side over the same stretch (a
    virtual machine's speed drifts from one minute to the next), after a
    settling time (the text
    cursor stops blinking ten seconds after the last key, as on GTK's
    desktops, and the threads Qt started for the start's image conversions
    end 30 s after their last use: the stretch begins 35 s after the launch
    at the earliest); threads that start or end meanwhile are counted;
    twice:
      - the main window shown, its clock line running, against the window
        with a 30 ms clock label (what the clock line was first built as);
      - the main window hidden in the tray (trayer) with "1小时关机"
        scheduled, against the empty window, which does nothing at all.

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
from harness.processes import DesktopError  # noqa: E402
from harness.program import MAIN_TITLE  # noqa: E402
from harness.x11 import MapWatch  # noqa: E402

# Goals, each against its yardstick.
START_GOAL = 1.05        # × the Chinese window's start
ANON_GOAL_KIB = 1024     # anonymous memory over the Chinese window's, waiting
SHOWN_CPU_GOAL = 0.20    # × the clock window's processor time, the main window shown
SHOWN_WAKEUP_GOAL = 2.0  # a second, the main window shown
HIDDEN_CPU_GOAL = 1.5    # × the empty window's processor time, hidden in the tray
HIDDEN_WAKEUP_GOAL = 0.2 # a second, hidden in the tray
HANDOVER_GOAL_MS = 1030  # splash to main window
SETTLE = 12.0            # s before the idle stretch: past the cursor's blink timeout
WAITING_FROM = 35.0      # s after the launch: Qt's image threads, used by the start, end 30 s after
STARTED = 2.0            # s after the main window: its start is over, its heap not yet trimmed


def thread_counts(pid):
    """{thread id: (processor ns, context switches)} of a process's threads."""
    counts = {}
    for task in glob.glob("/proc/%d/task/*" % pid):
        try:
            with open(task + "/schedstat") as f:
                ns = int(f.read().split()[0])
            with open(task + "/status") as f:
                switches = sum(int(line.split()[1]) for line in f
                               if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")))
        except OSError:
            continue  # ended meanwhile
        counts[int(os.path.basename(task))] = (ns, switches)
    return counts


def idle_cost(pids, seconds):
    """[(processor ns, wakeups) a second] over the same `seconds`, of each
    process's threads: those that start meanwhile counted whole, those that
    end by what they had last been seen to use (read once a second: reading
    /proc wakes nobody)."""
    first = [thread_counts(pid) for pid in pids]
    last = [dict(counts) for counts in first]
    end = time.monotonic() + seconds
    while True:
        left = end - time.monotonic()
        if left <= 0:
            break
        time.sleep(min(1.0, left))
        for pid, seen in zip(pids, last):
            seen.update(thread_counts(pid))
    costs = []
    for before, after in zip(first, last):
        ns = sum(v[0] - before.get(t, (0, 0))[0] for t, v in after.items())
        switches = sum(v[1] - before.get(t, (0, 0))[1] for t, v in after.items())
        costs.append((ns / seconds, switches / seconds))
    return costs


def memory_kib(pid):
    """{"anonymous", "dirty", "uss"} of a process, in KiB.

    A window drawn through shared memory (MIT-SHM) keeps its drawing buffer
    in a segment the X server maps too (a memfd it made, or System V), which
    smaps counts as shared, not anonymous; the program draws without it, and
    keeps the same buffer on its heap. The segments' resident pages are
    counted in as anonymous and dirty, so that both ways of drawing are
    weighed alike."""
    fields = {}
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            parts = line.split()
            if len(parts) == 3 and parts[2] == "kB":
                fields[parts[0].rstrip(":")] = int(parts[1])
    shared = 0
    with open("/proc/%d/smaps" % pid) as f:
        in_segment = False
        for line in f:
            parts = line.split()
            if parts and "-" in parts[0] and len(parts) >= 5:
                in_segment = (len(parts) >= 6 and parts[1].startswith("rw") and parts[1].endswith("s")
                              and parts[5].startswith(("/SYSV", "/memfd:")))
            elif in_segment and parts[:1] == ["Rss:"]:
                shared += int(parts[1])
    return {"anonymous": fields.get("Anonymous", 0) + shared, "dirty": fields.get("Private_Dirty", 0) + shared,
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


def waiting_cost(d, bare, floor_args, idle, hidden=False):
    """((processor ns, wakeups), the same of the yardstick), a second, of the
    program and a yardstick (`bare` with `floor_args`) waiting side by side
    for the same `idle` s: the program's window shown, or hidden in the tray
    with a shutdown scheduled. Measured at the same moments, both meet the
    same machine: a virtual machine's speed drifts from one minute to the
    next."""
    floor = d.launch(args=floor_args, wait_window=False, binary=bare)
    launched = time.monotonic()
    d.launch()
    d.activate(d.main_window)
    if hidden:
        d.click("1小时关机")
        d.wait_for(lambda: d.logind.scheduled_shutdown()[0], 10, "the shutdown to be scheduled")
        d.click("最小化到任务栏")
        box = d.wait_window("^最小化！$")[0]
        d.activate(box)
        d.key("Return")
        d.wait_no_window("^最小化！$")
        d.wait_for(lambda: not d.search(MAIN_TITLE), 10, "the main window hidden")
    time.sleep(max(SETTLE, WAITING_FROM - (time.monotonic() - launched)))
    program, yardstick = idle_cost([d.app.pid, floor.pid], idle)
    if hidden and d.search(MAIN_TITLE):
        raise DesktopError("the main window came back while hidden")
    if floor.poll() is not None:
        raise DesktopError("the yardstick ended while it waited")
    d.stop_program()
    d.stop_program(floor)
    return program, yardstick


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
    with OpenboxDesktop(tray=True, notifications=True) as d:
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
        # Waiting: side by side with its yardstick.
        shown, clock = waiting_cost(d, bare, ["--clock"], args.idle)
        hidden, nothing = waiting_cost(d, bare, [], args.idle, hidden=True)
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
    for what, (cpu, wakes), floor_name, (floor_cpu, floor_wakes), cpu_goal, wakeup_goal in (
            ("main window shown", shown, "clock window", clock, SHOWN_CPU_GOAL, SHOWN_WAKEUP_GOAL),
            ("hidden in the tray", hidden, "empty window", nothing, HIDDEN_CPU_GOAL, HIDDEN_WAKEUP_GOAL)):
        ratio = cpu / floor_cpu if floor_cpu else (1.0 if cpu == 0 else float("inf"))
        print("waiting, %s:" % what)
        print("  processor: %.4f %% of a core, %s %.4f %%: %.2f x (goal: at most %.2f)%s"
              % (cpu / 1e7, floor_name, floor_cpu / 1e7, ratio, cpu_goal, "" if ratio <= cpu_goal else "  MISSED"))
        print("  wakeups:   %.2f a second, %s %.2f (goal: at most %.1f a second)%s"
              % (wakes, floor_name, floor_wakes, wakeup_goal, "" if wakes <= wakeup_goal else "  MISSED"))


if __name__ == "__main__":
    sys.exit(main())
