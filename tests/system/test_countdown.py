"""System tests: the custom countdown (seconds box, 关机/重启, 开始计时).

    /usr/bin/python3 -m unittest -v tests/system/test_countdown.py

When the box reaches 0 the program asks logind for a shutdown or reboot
three seconds later, once.
"""

import os
import signal
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.program import after  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402

ERROR_TITLE = "^错误$"


class CountdownTest(DesktopTestCase):

    def _countdown(self, option, kind, seconds=3, typed=None, notifications=False, keys=None, prepare=None):
        """The count from a click on `option` and on 开始计时, or from
        `keys` pressed after typing, which end with the start; `prepare`
        is given the desktop first."""
        d = self.start_desktop(monitor=True, notifications=notifications)
        if prepare:
            prepare(d)
        d.set_seconds(typed if typed is not None else str(seconds))
        if keys:
            d.key(*keys)
            t0 = time.time()
        else:
            d.click(option)
            self.save_shot("%s-ready.png" % self._testMethodName, window=d.main_window)
            t0 = d.click("开始计时")
        calls = d.logind.wait_calls("ScheduleShutdown", 1, timeout=seconds + 15)
        self.assertEqual(len(calls), 1, "no ScheduleShutdown after the countdown\n"
                         + d.describe())
        call = calls[0]
        waited = call.time - t0
        self.assertGreaterEqual(waited, seconds - 0.5,
                                "the call came %.3f s after the click" % waited)
        self.assertLessEqual(waited, seconds + 1.5,
                             "the call came %.3f s after the click" % waited)
        # t is the program's "now + 3 s", taken when it made the call.
        self.assertSchedule(call, kind, call.time + 3, 1.0, low=1.0)
        # Exactly once: nothing more in the next two seconds.
        time.sleep(2.0)
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1, d.describe())
        self.assertEqual(d.logind.calls("CancelScheduledShutdown"), [])
        wire = d.monitor.wire_calls("ScheduleShutdown")
        self.assertEqual(wire, [[("string", kind), ("uint64", str(call.args[1]))]])
        self.save_shot("%s-done.png" % self._testMethodName, window=d.main_window)
        self.assertRunning()
        return d, call

    def test_poweroff(self):
        """3 seconds, 关机: ScheduleShutdown("poweroff", now + 3) after 3 s.
        No notification server on the desktop: one line on stderr, and
        nothing else changes."""
        d, _ = self._countdown("关机", "poweroff")
        lines = [l for l in d.stderr_text().splitlines() if "no desktop notification" in l]
        self.assertEqual(len(lines), 1, d.stderr_text())
        self.assertIn("org.freedesktop.Notifications", lines[0])
        self.assertEqual(d.search(ERROR_TITLE), [])

    def test_reboot(self):
        """3 seconds, 重启: ScheduleShutdown("reboot", now + 3) after 3 s,
        and the desktop told when, to the second, as a critical notice; by
        a server that refused the first Notify as one still starting does,
        and is asked once more."""
        d, call = self._countdown("重启", "reboot", notifications=True,
                                  prepare=lambda d: d.notifications.refuse_first())
        notices = d.notifications.wait(2)
        self.assertEqual(len(notices), 2, [n.args[4] for n in notices])
        self.assertEqual(notices[0].args, notices[1].args)
        self.assertEqual(notices[1].args[4], after("将于", call.args[1], "%H:%M:%S") + " 重启")
        self.assertEqual(notices[1].args[6]["urgency"], 2)
        self.settle(1.5)
        self.assertEqual(len(d.notifications.notices()), 2, "asked more than once more")
        self.assertNotIn("vesperon:", d.stderr_text())

    def test_non_digits_dropped(self):
        """Letters typed into the seconds box are dropped: "a2b" counts 2 s."""
        self._countdown("关机", "poweroff", seconds=2, typed="a2b")

    def test_keyboard_only(self):
        """From the keyboard alone: Alt with a letter or a sign types nothing
        into the box, and Tab onto 关机 chooses it, as a click does. "2",
        Alt+A, Alt+-, Alt+B, Tab (开始计时), Tab (关机), Shift+Tab, Return
        counts 2 s."""
        d, _ = self._countdown(None, "poweroff", seconds=2, keys=[
            "alt+a", "alt+minus", "alt+b", "Tab", "Tab", "shift+Tab", "Return"])
        self.assertEqual(d.search(ERROR_TITLE), [])

    def test_stopped_program_keeps_to_the_clock(self):
        """Stopped (SIGSTOP) for 5 s in the middle of an 8-second count, as
        when the machine sleeps: the seconds missed are counted down at once
        when it goes on, and the call comes 8 s after the click, not 13."""
        d = self.start_desktop()
        d.set_seconds("8")
        d.click("关机")
        t0 = d.click("开始计时")
        time.sleep(2.0)
        d.app.send_signal(signal.SIGSTOP)
        time.sleep(5.0)
        d.app.send_signal(signal.SIGCONT)
        calls = d.logind.wait_calls("ScheduleShutdown", 1, timeout=15)
        self.assertEqual(len(calls), 1, d.describe())
        waited = calls[0].time - t0
        self.assertGreaterEqual(waited, 7.5)
        self.assertLessEqual(waited, 9.5, "the call came %.3f s after the click" % waited)
        time.sleep(2.0)
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1, d.describe())
        self.assertRunning()

    def test_no_mode_chosen(self):
        """开始计时 with neither 关机 nor 重启 chosen: a modal "请选择模式" box."""
        d = self.start_desktop()
        d.set_seconds("1")
        d.click("开始计时")
        wins = d.wait_window(ERROR_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.assertTrue(d.window_is_modal(wins[0]), "the message is not modal")
        self.save_shot("no-mode.png")
        d.activate(wins[0])
        d.key("Return")
        d.wait_no_window(ERROR_TITLE)
        # No countdown was started: a one-second count would have ended by now.
        time.sleep(3.0)
        self.assertEqual(d.logind.all_calls(), [], d.describe())
        self.assertRunning()


if __name__ == "__main__":
    unittest.main(verbosity=2)
