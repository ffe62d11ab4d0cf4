"""System tests: the preset buttons, cancel, shut down now, no logind.

The real program runs under Xvfb + openbox with a mock logind on a private
system bus; the buttons are clicked with xdotool.  Run from the top of the
repository:

    /usr/bin/python3 -m unittest -v tests/system/test_presets.py

VESPERON_BIN names the program (default build/vesperon), VESPERON_SHOTS a
folder for screenshots.
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import PRESETS, DesktopTestCase, busy, window_is_modal  # noqa: E402

CONFIRM_TITLE = "是否要立即关机"      # the full title ends in "！？"
ERROR_TITLE = "^错误$"


class PresetTest(DesktopTestCase):

    def test_main_window(self):
        """Title, size and position of the main window."""
        d = self.start_desktop()
        self.assertEqual(d.window_name(d.main_window), "<Tolvane> 关机工具 ")
        g = d.geometry(d.main_window)
        self.assertEqual(g["WIDTH"], 246, g)
        self.assertGreater(g["HEIGHT"], 278, "no room for the menu bar: %s" % g)
        self.assertLess(g["HEIGHT"], 278 + 60, "menu bar too tall: %s" % g)
        # Centred on the 1024x768 screen (the frame may shift it a little).
        cx, cy = g["X"] + g["WIDTH"] / 2, g["Y"] + g["HEIGHT"] / 2
        self.assertLess(abs(cx - 512), 30, g)
        self.assertLess(abs(cy - 384), 40, g)
        self.save_shot("main-window.png", window=d.main_window)
        self.save_shot("screen.png")
        self.assertRunning()

    def test_each_preset_once(self):
        """Each preset gives exactly one ScheduleShutdown("poweroff", now + N)."""
        d = self.start_desktop(monitor=True)
        self.save_shot("presets-start.png", window=d.main_window)
        for n, (control, caption, seconds) in enumerate(PRESETS, 1):
            with self.subTest(button=caption):
                t0 = d.click(control)
                calls = d.wait_calls("ScheduleShutdown", n)
                self.settle(0.5)
                calls = d.calls("ScheduleShutdown")
                self.assertEqual(len(calls), n, "%s: calls so far %s\n%s"
                                 % (caption, calls, d.describe()))
                self.assertSchedule(calls[-1], "poweroff", t0 + seconds, 1.5)
        self.assertEqual(d.calls("CancelScheduledShutdown"), [])

        # What went on the wire: a string and an unsigned 64-bit integer.
        wire = d.wire_calls("ScheduleShutdown")
        self.assertEqual(len(wire), len(PRESETS), wire)
        for args in wire:
            self.assertEqual([typ for typ, _ in args], ["string", "uint64"], args)
            self.assertEqual(args[0][1], "poweroff")
        self.assertRunning()

    def test_preset_twice(self):
        """Clicking a preset twice schedules twice."""
        d = self.start_desktop()
        t1 = d.click("1小时关机")
        d.wait_calls("ScheduleShutdown", 1)
        time.sleep(1.2)     # far enough apart to tell the two times apart
        t2 = d.click("1小时关机")
        d.wait_calls("ScheduleShutdown", 2)
        self.settle()
        calls = d.calls("ScheduleShutdown")
        self.assertEqual(len(calls), 2, calls)
        self.assertSchedule(calls[0], "poweroff", t1 + 3600, 1.0)
        self.assertSchedule(calls[1], "poweroff", t2 + 3600, 1.0)
        self.assertRunning()

    def test_cancel(self):
        """取消快捷按钮关机 gives one CancelScheduledShutdown and nothing else."""
        d = self.start_desktop()
        d.click("六十秒关机")
        self.assertEqual(len(d.wait_calls("ScheduleShutdown", 1)), 1)
        d.click("取消快捷按钮关机")
        d.wait_calls("CancelScheduledShutdown", 1)
        self.settle()
        self.assertEqual(len(d.calls("CancelScheduledShutdown")), 1, d.describe())
        self.assertEqual(len(d.calls("ScheduleShutdown")), 1, d.describe())
        self.assertEqual(d.scheduled_shutdown(), ("", 0))
        self.assertRunning()

    def _confirm_box(self):
        d = self.desktop
        d.click("立刻关机")
        wins = d.wait_window(CONFIRM_TITLE)
        self.assertEqual(len(wins), 1, wins)
        wid = wins[0]
        self.assertEqual(d.window_name(wid), "是否要立即关机！？")
        self.assertTrue(window_is_modal(d, wid), "the confirmation box is not modal")
        d.activate(wid)
        return wid

    def test_now_answered_no(self):
        """立刻关机, then 否(N): no call at all."""
        d = self.start_desktop()
        self._confirm_box()
        self.save_shot("confirm-box.png")
        d.key("alt+n")
        d.wait_no_window(CONFIRM_TITLE)
        self.settle(1.5)
        self.assertEqual(d.all_calls(), [], d.describe())
        self.assertRunning()

    def test_now_answered_yes(self):
        """立刻关机, then 是(Y): ScheduleShutdown("poweroff", now)."""
        d = self.start_desktop(monitor=True)
        self._confirm_box()
        t0 = time.time()
        d.key("alt+y")
        d.wait_no_window(CONFIRM_TITLE)
        calls = d.wait_calls("ScheduleShutdown", 1)
        self.settle()
        calls = d.calls("ScheduleShutdown")
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0, 1.5)
        self.assertEqual([t for t, _ in d.wire_calls("ScheduleShutdown")[0]],
                         ["string", "uint64"])
        self.assertRunning()

    def test_now_return_is_yes(self):
        """Return in the confirmation box presses the default button, 是(Y)."""
        d = self.start_desktop()
        self._confirm_box()
        t0 = time.time()
        d.key("Return")
        d.wait_no_window(CONFIRM_TITLE)
        d.wait_calls("ScheduleShutdown", 1)
        self.settle()
        calls = d.calls("ScheduleShutdown")
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0, 1.5)

    def _hold(self, key, seconds):
        """Hold a key down while the machine is busy."""
        d = self.desktop
        with busy():
            d.xdotool("keydown", key)
            time.sleep(seconds)
            d.xdotool("keyup", key)

    def test_held_keys(self):
        """A held key never shuts the computer down, on a busy machine.

        Held on 立刻关机 it asks once and answers nothing; held since before
        a preset had the focus it presses nothing. A fresh Return answers
        the question with 是(Y).
        """
        d = self.start_desktop()
        for key in ("Return", "KP_Enter", "space"):
            with self.subTest(key=key, button="立刻关机"):
                d.activate(d.main_window)
                d.focus("立刻关机")
                self._hold(key, 1.5)
                self.settle(1.0)
                wins = d.search(CONFIRM_TITLE)
                self.assertLessEqual(len(wins), 1, "more than one question: %s" % wins)
                self.assertEqual(d.all_calls(), [], "a held %s shut the computer down\n%s"
                                 % (key, d.describe()))
                for wid in wins:
                    d.activate(wid)
                    d.key("alt+n")
                d.wait_no_window(CONFIRM_TITLE)
            with self.subTest(key=key, button="六十秒关机"):
                # Down in the seconds box, which takes no Enter or space;
                # the focus comes to the preset while the key repeats.
                d.activate(d.main_window)
                d.click("Text1")
                with busy():
                    d.xdotool("keydown", key)
                    time.sleep(0.9)
                    d.focus("六十秒关机")
                    time.sleep(1.2)
                    d.xdotool("keyup", key)
                self.settle(1.0)
                self.assertEqual(d.all_calls(), [], "a held %s pressed a preset\n%s"
                                 % (key, d.describe()))
                self.assertEqual(d.search(CONFIRM_TITLE), [])
        self.assertEqual(d.search("^(错误|提示|最小化！)$"), [])
        # A fresh press asks, and a fresh press answers with the default
        # button, 是(Y).
        d.activate(d.main_window)
        d.focus("立刻关机")
        d.key("Return")
        wins = d.wait_window(CONFIRM_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.save_shot("held-return.png")
        d.activate(wins[0])
        d.key("Return")
        d.wait_no_window(CONFIRM_TITLE)
        d.wait_calls("ScheduleShutdown", 1)
        self.settle()
        self.assertEqual(len(d.calls("ScheduleShutdown")), 1, d.describe())
        self.assertRunning()

    def _check_error_window(self, d):
        wins = d.wait_window(ERROR_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.assertFalse(window_is_modal(d, wins[0]),
                         "the error message is modal; it should not be")
        self.save_shot("error-%s.png" % self._testMethodName)
        # The program stays up and says what went wrong on stderr.
        deadline = time.monotonic() + 5
        while "vesperon:" not in d.stderr_text() and time.monotonic() < deadline:
            time.sleep(0.1)
        err_lines = [l for l in d.stderr_text().splitlines() if l.startswith("vesperon:")]
        self.assertTrue(err_lines, "no 'vesperon:' line on stderr:\n" + d.stderr_text())
        time.sleep(1.0)
        self.assertRunning(d)
        return wins[0]

    def test_no_logind(self):
        """No logind on the system bus: an error window, and the program lives."""
        d = self.start_desktop(logind=None)
        d.click("1小时关机")
        wid = self._check_error_window(d)
        # The main window still answers while the message is up.  The message
        # may have been placed over the buttons: move it out of the way.
        d.xdotool("windowmove", "--sync", wid, 0, 0, check=False)
        before = len([l for l in d.stderr_text().splitlines() if l.startswith("vesperon:")])
        d.click("六十秒关机")
        deadline = time.monotonic() + 10
        while time.monotonic() < deadline:
            after = len([l for l in d.stderr_text().splitlines() if l.startswith("vesperon:")])
            if after > before:
                break
            time.sleep(0.1)
        self.assertGreater(after, before,
                           "a second click on the main window did nothing while "
                           "the error message was shown:\n" + d.stderr_text())
        self.assertRunning(d)

    def test_many_failures_one_notice(self):
        """200 refused clicks: one notice window, and memory stays flat."""
        d = self.start_desktop(logind="refuse")
        d.click("1小时关机")
        wid = self._check_error_window(d)
        d.xdotool("windowmove", "--sync", wid, 0, 0, check=False)  # off the buttons
        d.move_to("1小时关机")
        d.xdotool("click", "--repeat", 9, "--delay", 40, 1)
        d._wait_for(lambda: len(d.calls("ScheduleShutdown")) >= 10, 20, "ten refusals")
        time.sleep(1.0)
        before = resident_kib(d.app.pid)
        d.xdotool("click", "--repeat", 190, "--delay", 40, 1, timeout=120)
        d._wait_for(lambda: len(d.calls("ScheduleShutdown")) >= 200, 60, "two hundred refusals")
        time.sleep(1.5)
        after = resident_kib(d.app.pid)
        self.assertEqual(len(d.search(ERROR_TITLE)), 1, "notices piled up")
        if "ASAN_OPTIONS" in os.environ:
            return  # AddressSanitizer keeps freed memory in quarantine: no flat line there
        self.assertLess(after - before, 5 * 1024,
                        "resident memory grew by %d KiB over 190 failures" % (after - before))
        self.assertRunning()

    def test_hung_system_bus(self):
        """A system bus that hangs holds up nothing: the button returns at
        once, the window stays live, and the calls go out in order when the
        bus answers again."""
        d = self.start_desktop()
        d.hang_bus("system-bus")
        t0 = d.click("30分钟关机")
        d.click("说明")
        box = d.wait_window("^说明$", timeout=10)
        d.activate(box[0])
        d.key("Return")
        d.wait_no_window("^说明$")
        d.click("1小时关机")
        self.assertEqual(d.search(ERROR_TITLE), [])
        d.hang_bus("system-bus", hang=False)
        calls = d.wait_calls("ScheduleShutdown", 2)
        self.assertEqual(len(calls), 2, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 1800, 1.5)
        self.assertGreater(calls[1].args[1], calls[0].args[1] + 1799 * 10**6)
        self.assertRunning()

    def test_logind_refuses(self):
        """logind refuses (as polkit would): an error window, the program lives."""
        d = self.start_desktop(logind="refuse")
        d.click("1小时关机")
        self._check_error_window(d)
        self.assertEqual(len(d.calls("ScheduleShutdown")), 1)


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


if __name__ == "__main__":
    unittest.main(verbosity=2)
