"""The unittest base of the system tests: a fresh desktop per test, torn
down even on failure, and the checks the tests share."""

import os
import subprocess
import time
import unittest

from harness.buses import PYTHON
from harness.openbox import OpenboxDesktop


class busy:
    """Two processes that spin for as long as the block runs, on a machine
    of two cores: what makes a held key's repeats come apart on X11."""

    def __enter__(self):
        self.procs = [subprocess.Popen([PYTHON, "-c", "while True: pass"]) for _ in range(2)]
        return self

    def __exit__(self, *exc):
        for proc in self.procs:
            proc.kill()
            proc.wait()
        return False


class DesktopTestCase(unittest.TestCase):

    def start_desktop(self, launch=True, kind=OpenboxDesktop, **kw):
        """A desktop of `kind`, started; the program launched on it when
        `launch`."""
        d = kind(**kw)
        self.addCleanup(d.stop)
        self.addCleanup(self.no_sanitizer_reports, d)  # runs before the stop
        d.start()
        self.desktop = d
        if launch:
            d.launch()
        return d

    def no_sanitizer_reports(self, d):
        """In a sanitizer build, any report from the program fails the test."""
        err = d.stderr_text()
        for mark in ("ERROR: AddressSanitizer", "ERROR: LeakSanitizer", "runtime error:"):
            if mark in err:
                self.fail("the program's stderr holds a sanitizer report:\n" + err[-4000:])

    def settle(self, seconds=0.8):
        """Give the program time to make (unwanted) extra calls."""
        time.sleep(seconds)

    def assertRunning(self, d=None):
        d = d or self.desktop
        self.assertTrue(d.app_running(), "the program exited\n" + d.describe())

    def assertSchedule(self, call, kind, expected, tolerance, low=None):
        """call is ScheduleShutdown(kind, t) with t/1e6 close to expected.

        t may be up to `tolerance` seconds late and, unless `low` says
        otherwise, only a little (0.2 s) early.
        """
        self.assertEqual(call.method, "ScheduleShutdown")
        self.assertEqual(len(call.args), 2, call)
        self.assertEqual(call.args[0], kind, call)
        t = call.args[1] / 1e6
        low = 0.2 if low is None else low
        self.assertGreaterEqual(t - expected, -low,
                                "t=%.3f is %.3f s before the expected %.3f" % (t, expected - t, expected))
        self.assertLessEqual(t - expected, tolerance,
                             "t=%.3f is %.3f s after the expected %.3f" % (t, t - expected, expected))

    def save_shot(self, name, window=None):
        """Screenshot into $VESPERON_SHOTS, when that is set."""
        folder = self.desktop.shots_dir()
        if folder:
            return self.desktop.screenshot(os.path.join(folder, name), window=window)
        return None
