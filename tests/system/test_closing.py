"""System tests: every way of closing the main window ends in its closing
animation and exit status 0.

    /usr/bin/python3 -m unittest -v tests/system/test_closing.py

The window shrinks by 100 twips (6.67 px) each 30 ms from its top-left
corner; the program ends on tick n = floor((W - 1000) / 100) + 1 for an
outer width of W twips.
"""

import math
import os
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.testcase import DesktopTestCase  # noqa: E402

QUESTION_TITLE = "是否要立即关机"
ERROR_TITLE = "^错误$"
# Generous for a loaded two-core machine; the benchmark measures it closely.
SLACK = 0.6


class ClosingTest(DesktopTestCase):

    def _ticks(self, d):
        """n for the main window's outer width, frame included."""
        g = d.geometry(d.main_window)
        self.frame = d.frame_extents(d.main_window)
        left, right, _, _ = self.frame
        outer = (g["WIDTH"] + left + right) * 15
        return math.floor((outer - 1000) / 100) + 1

    def _close_and_watch(self, request, ticks=None):
        """Run request(); sample the window until the program exits.

        Returns the samples [(time, x, y, w, h)] and asserts exit status 0
        within about n × 30 ms.
        """
        d = self.desktop
        n = ticks or self._ticks(d)
        wid = d.main_window
        t0 = request()
        samples = []
        shot = False
        while d.app_running() and time.time() - t0 < 10:
            g = d.geometry(wid)
            if g:
                samples.append((time.time(), g["X"], g["Y"], g["WIDTH"], g["HEIGHT"]))
                if not shot and len(samples) > 3 and g["WIDTH"] < 150:
                    self.save_shot("%s-half-way.png" % self._testMethodName)
                    shot = True
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        took = t1 - t0
        self.assertGreater(took, n * 0.030 - 0.1, "ended too early: %.3f s for %d ticks" % (took, n))
        self.assertLess(took, n * 0.030 + SLACK, "%.3f s for %d ticks of 30 ms" % (took, n))
        return samples

    def _assert_shrank(self, samples):
        visible = [s for s in samples if s[3] > 0]
        self.assertGreaterEqual(len(visible), 4, "too few looks at the window: %s" % samples[:10])
        # The frame's top-left corner stays. (Once the window is very small
        # openbox may drop its title bar, and the window then sits where the
        # frame's corner was.)
        x0, y0 = visible[0][1:3]
        left, _, top, _ = self.frame
        corners = {(x, y) for _, x, y, _, _ in visible}
        self.assertLessEqual(corners, {(x0, y0), (x0 - left, y0 - top)},
                             "the top-left corner moved: %s" % sorted(corners))
        sizes = []
        for _, _, _, w, h in visible:
            if not sizes or sizes[-1] != (w, h):
                sizes.append((w, h))
        widths = [w for w, _ in sizes]
        heights = [h for _, h in sizes]
        self.assertEqual(widths, sorted(widths, reverse=True), sizes)
        self.assertEqual(heights, sorted(heights, reverse=True), sizes)
        self.assertGreaterEqual(len(set(widths)), 3, "it did not shrink step by step: %s" % sizes)
        # Width and height lose the same each tick (a look may fall between
        # the two, each a step of 6 or 7 pixels).
        w0, h0 = sizes[0]
        for w, h in sizes:
            self.assertLessEqual(abs((w0 - w) - (h0 - h)), 8, sizes)

    def test_alt_f4(self):
        """Alt+F4: the window shrinks towards its top-left corner, then exit 0."""
        d = self.start_desktop(tray=True)
        d.wait_for(d.docked_icons, 20, "the icon to dock")
        d.activate(d.main_window)

        def request():
            t = time.time()
            d.key("alt+F4")
            return t
        samples = self._close_and_watch(request)
        self._assert_shrank(samples)

    def test_repeated_requests(self):
        """Alt+F4 and two signals during the animation: not faster, not slower."""
        d = self.start_desktop()
        d.activate(d.main_window)

        def request():
            t = time.time()
            d.key("alt+F4")
            time.sleep(0.15)
            d.signal(signal.SIGTERM)
            d.xdotool("key", "alt+F4", check=False)
            time.sleep(0.1)
            d.signal(signal.SIGINT)
            return t
        self._assert_shrank(self._close_and_watch(request))

    def _signal(self, number):
        d = self.desktop
        self._assert_shrank(self._close_and_watch(lambda: d.signal(number)))

    def test_sigterm(self):
        self.start_desktop()
        self._signal(signal.SIGTERM)

    def test_sigint(self):
        self.start_desktop()
        self._signal(signal.SIGINT)

    def test_sighup(self):
        self.start_desktop()
        self._signal(signal.SIGHUP)

    def test_sigterm_while_hidden(self):
        """Hidden in the tray: the icon goes at once, the program ends on time."""
        d = self.start_desktop(tray=True)
        d.wait_for(d.docked_icons, 20, "the icon to dock")
        n = self._ticks(d)
        d.click("最小化到任务栏")
        box = d.wait_window("^最小化！$")
        d.activate(box[0])
        d.key("Return")
        d.wait_no_window("^最小化！$")
        t0 = d.signal(signal.SIGTERM)
        d.wait_for(lambda: not d.docked_icons() or not d.app_running(), 5, "the icon to go")
        self.assertLess(time.time() - t0, n * 0.030, "the icon went only at the end")
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0)
        self.assertLess(t1 - t0, n * 0.030 + SLACK)
        self.assertGreater(t1 - t0, n * 0.030 - 0.1)

    def _sigterm_with_window_open(self, control, title, **desktop):
        d = self.start_desktop(**desktop)
        n = self._ticks(d)
        d.click(control)
        d.wait_window(title)
        t0 = d.signal(signal.SIGTERM)
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        self.assertLess(t1 - t0, n * 0.030 + SLACK)
        return d

    def test_sigterm_while_question_open(self):
        """A modal question open: it ends with the program and answers nothing."""
        d = self._sigterm_with_window_open("立刻关机", QUESTION_TITLE)
        self.settle(0.5)
        self.assertEqual(d.logind.all_calls(), [], "the closed question answered Yes")

    def test_sigterm_while_error_notice_open(self):
        """A "错误" notice open: the program still ends by itself."""
        self._sigterm_with_window_open("1小时关机", ERROR_TITLE, logind=None)

    def test_countdown_is_abandoned(self):
        """Closing during a countdown issues nothing; a preset stays scheduled."""
        d = self.start_desktop()
        d.click("1小时关机")
        d.logind.wait_calls("ScheduleShutdown", 1)
        d.set_seconds("3")
        d.click("关机")
        d.click("开始计时")
        d.activate(d.main_window)
        d.key("alt+F4")
        rc, _ = d.wait_exit(10)
        self.assertEqual(rc, 0)
        time.sleep(3.5)  # past the moment the count would have ended
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1, d.describe())
        self.assertEqual(d.logind.calls("CancelScheduledShutdown"), [])
        self.assertEqual(d.logind.scheduled_shutdown()[0], "poweroff")


if __name__ == "__main__":
    unittest.main(verbosity=2)
