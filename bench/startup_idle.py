#!/usr/bin/python3
"""How fast does the program start, and what does it cost while it waits?

Runs the real program under Xvfb with openbox and a mock logind
(tests/system/desktop.py), side by side in the same run with the yardsticks
of bench/bare_window (built here): an empty Qt 6 window, the same with one
line of Chinese text, and the same with a 30 ms clock label. Each figure is
printed as a ratio to its yardstick:

  * start-up: from starting the process to its first window (the splash)
    being visible, against the window with one line of Chinese (starts are
    interleaved, several runs each, medians compared); then from the splash
    to the main window (one second by design), and the gap between the
    splash going and the main window being visible;
  * memory: the unique set size (USS, the process's private pages, from
    /proc/PID/smaps_rollup) once it waits, against the Chinese window's;
  * idle: processor time (from /proc/PID/schedstat, in nanoseconds) and
    wakeups (context switches of all its threads) over a stretch of waiting
    with the clock line running, against the clock window's, both measured
    at the same time after a settling time (the text cursor stops blinking
    ten seconds after the last key, as on GTK's desktops).

    /usr/bin/python3 bench/startup_idle.py [--runs 7] [--idle 30]
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

from desktop import Desktop, DesktopError  # noqa: E402

# Goals, each against its yardstick.
START_GOAL = 1.05        # × the Chinese window's start
USS_GOAL_KIB = 3 * 1024  # over the Chinese window's
CPU_GOAL = 0.90          # × the clock window's processor time
HANDOVER_GOAL_MS = 1030  # splash to main window
SETTLE = 12.0            # s before the idle stretch: past the cursor's blink timeout


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


def uss_kib(pid):
    total = 0
    with open("/proc/%d/smaps_rollup" % pid) as f:
        for line in f:
            if line.startswith(("Private_Clean:", "Private_Dirty:")):
                total += int(line.split()[1])
    return total


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
    """Whether the process shows any window yet (the same look for all)."""
    return visible(d, "--all", "--pid", pid, "--classname", classname)


def bare_start(d, binary, args=()):
    t0 = time.monotonic()
    d.launch(args=args, wait_window=False, binary=binary)
    t1 = wait_until(d, "bare window", lambda: first_window(d, str(d.app.pid), "bare_window"), t0)
    d._kill_group("vesperon", d.app)
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


def waiting_cost(d, program, args, idle):
    """(USS KiB, processor ns, wakeups) of a process waiting for `idle` s."""
    d.launch(args=args, wait_window=program is None, binary=program)
    if program is None:
        d.activate(d.main_window)
    pid = d.app.pid
    time.sleep(SETTLE)
    c0, w0 = cpu_ns(pid), wakeups(pid)
    time.sleep(idle)
    c1, w1 = cpu_ns(pid), wakeups(pid)
    uss = uss_kib(pid)
    d._kill_group("vesperon", d.app)
    return uss, (c1 - c0) / idle, (w1 - w0) / idle


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=7)
    ap.add_argument("--idle", type=float, default=30.0, help="seconds of idle to measure")
    args = ap.parse_args(argv)

    build = os.path.join(ROOT, "build")
    subprocess.run(["cmake", "--build", build, "--target", "bare_window", "vesperon"],
                   check=True, stdout=subprocess.DEVNULL)
    bare = os.path.join(build, "bare_window")

    empty, chinese, splash, follow, gap = [], [], [], [], []
    with Desktop() as d:
        for run in range(args.runs):
            empty.append(bare_start(d, bare))
            time.sleep(0.3)
            chinese.append(bare_start(d, bare, ["--label"]))
            time.sleep(0.3)
            s, f, g = program_start(d)
            splash.append(s)
            follow.append(f)
            gap.append(g)
            d._kill_group("vesperon", d.app)
            time.sleep(0.3)
        # Waiting: one at a time, each alone on the desktop.
        chinese_uss, _, _ = waiting_cost(d, bare, ["--label"], 5.0)
        _, clock_cpu, clock_wakeups = waiting_cost(d, bare, ["--clock"], args.idle)
        program_uss, program_cpu, program_wakeups = waiting_cost(d, None, [], args.idle)

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
    print("  memory:    USS %.1f MiB, Chinese window %.1f MiB: %+.1f MiB (goal: at most +%.0f)%s"
          % (program_uss / 1024, chinese_uss / 1024, (program_uss - chinese_uss) / 1024, USS_GOAL_KIB / 1024,
             "" if program_uss - chinese_uss <= USS_GOAL_KIB else "  MISSED"))
    cpu_ratio = program_cpu / clock_cpu
    print("  waiting:   %.3f %% of a core, clock window %.3f %%: %.2f x (goal: at most %.2f)%s"
          % (program_cpu / 1e7, clock_cpu / 1e7, cpu_ratio, CPU_GOAL, "" if cpu_ratio <= CPU_GOAL else "  MISSED"))
    print("  wakeups:   %.1f a second, clock window %.1f (goal: no more)%s"
          % (program_wakeups, clock_wakeups, "" if program_wakeups <= clock_wakeups + 0.05 else "  MISSED"))


if __name__ == "__main__":
    sys.exit(main())
