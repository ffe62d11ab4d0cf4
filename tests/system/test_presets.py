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

from harness.buses import LOGIN1_NAME, NOTHING_SCHEDULED, REAL_LOGIND  # noqa: E402
from harness.processes import DesktopError  # noqa: E402
from harness.program import PRESETS, after  # noqa: E402
from harness.testcase import DesktopTestCase, busy  # noqa: E402

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
                calls = d.logind.wait_calls("ScheduleShutdown", n)
                self.settle(0.5)
                calls = d.logind.calls("ScheduleShutdown")
                self.assertEqual(len(calls), n, "%s: calls so far %s\n%s"
                                 % (caption, calls, d.describe()))
                self.assertSchedule(calls[-1], "poweroff", t0 + seconds, 1.5)
        self.assertEqual(d.logind.calls("CancelScheduledShutdown"), [])

        # What went on the wire: a string and an unsigned 64-bit integer.
        wire = d.monitor.wire_calls("ScheduleShutdown")
        self.assertEqual(len(wire), len(PRESETS), wire)
        for args in wire:
            self.assertEqual([typ for typ, _ in args], ["string", "uint64"], args)
            self.assertEqual(args[0][1], "poweroff")
        self.assertRunning()

    def test_preset_twice(self):
        """Clicking a preset twice schedules twice; each time the desktop's
        notification server is told when, the second notice in place of
        the first."""
        d = self.start_desktop(notifications=True)
        t1 = d.click("1小时关机")
        d.logind.wait_calls("ScheduleShutdown", 1)
        notices = d.notifications.wait(1)
        time.sleep(1.2)     # far enough apart to tell the two times apart
        self.assertEqual(len(d.notifications.notices()), 1,
                         "one click, one notice: %s" % d.notifications.notices())
        t2 = d.click("1小时关机")
        d.logind.wait_calls("ScheduleShutdown", 2)
        self.settle()
        calls = d.logind.calls("ScheduleShutdown")
        self.assertEqual(len(calls), 2, calls)
        self.assertSchedule(calls[0], "poweroff", t1 + 3600, 1.0)
        self.assertSchedule(calls[1], "poweroff", t2 + 3600, 1.0)

        notices = d.notifications.notices()
        self.assertEqual(len(notices), 2, notices)
        for call, notice in zip(calls, notices):
            self.assertNotice(notice, after("将于", call.args[1], "%H:%M") + " 关机", urgency=1)
        self.assertEqual(notices[0].args[1], 0, "the first notice replaces nothing")
        self.assertEqual(notices[1].args[1], 1, "the second does not replace the first")
        self.assertEqual(d.notifications.notices("CloseNotification"), [])
        self.assertRunning()

    def assertNotice(self, notice, body, urgency):
        """Notify(app_name, replaces_id, app_icon, summary, body, actions,
        hints, expire_timeout) with the program's name and icon."""
        app_name, _, icon, summary, text, actions, hints, timeout = notice.args
        self.assertEqual((app_name, summary), ("关机工具", "关机工具"), notice.args[:4])
        self.assertEqual(text, body)
        self.assertEqual(actions, [])
        self.assertEqual(hints.get("urgency"), urgency, hints.keys())
        self.assertEqual(hints.get("desktop-entry"), "vesperon")
        # Run from the build folder, the icon theme has no "vesperon": the
        # picture goes with the notice (64 x 64 RGBA), and the icon is named
        # by a picture file of it, for a server that shows no image-data.
        self.assertEqual(os.path.basename(icon), "icon-64.png", icon)
        self.assertTrue(os.path.isfile(icon), icon)
        self.assertEqual(hints["image-data"][:6], [64, 64, 256, True, 8, 4])
        self.assertEqual(len(hints["image-data"][6]), 64 * 256)
        self.assertEqual(timeout, -1)

    def test_cancel(self):
        """取消快捷按钮关机 gives one CancelScheduledShutdown and nothing else;
        the desktop is told that the shutdown it was told of is cancelled,
        and told nothing when there was nothing to cancel."""
        d = self.start_desktop(notifications=True)
        d.click("六十秒关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1)
        when = calls[0].args[1]
        d.notifications.wait(1)
        d.click("取消快捷按钮关机")
        d.logind.wait_calls("CancelScheduledShutdown", 1)
        d.notifications.wait(2)
        self.settle()
        self.assertEqual(len(d.logind.calls("CancelScheduledShutdown")), 1, d.describe())
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1, d.describe())
        self.assertEqual(d.logind.scheduled_shutdown(), NOTHING_SCHEDULED)
        notices = d.notifications.notices()
        self.assertEqual(len(notices), 2, notices)
        # A minute away: to the second, and critical.
        self.assertNotice(notices[0], after("将于", when, "%H:%M:%S") + " 关机", urgency=2)
        self.assertNotice(notices[1], after("原定于", when, "%H:%M:%S") + " 的关机已取消", urgency=1)
        self.assertEqual(notices[1].args[1], 1, "the cancellation does not replace the notice")

        # Nothing left to cancel: logind says so, and the desktop hears nothing.
        d.click("取消快捷按钮关机")
        d.logind.wait_calls("CancelScheduledShutdown", 2)
        self.settle()
        self.assertEqual(len(d.notifications.notices()), 2, d.notifications.notices())
        self.assertEqual(d.notifications.notices("CloseNotification"), [])
        self.assertRunning()

    def test_changed_elsewhere(self):
        """A shutdown the program scheduled, cancelled or replaced by
        someone else (a terminal's `shutdown -c`, another program): the
        user is told that the computer will not go down as asked."""
        d = self.start_desktop(notifications=True)
        d.click("2小时关机")
        when = d.logind.wait_calls("ScheduleShutdown", 1)[0].args[1]
        d.notifications.wait(1)
        d.logind.set_scheduled_shutdown(*NOTHING_SCHEDULED)
        notices = d.notifications.wait(2)
        self.assertEqual(len(notices), 2, d.describe())
        self.assertNotice(notices[1], after("原定于", when, "%H:%M") + " 的关机已被其他程序取消", urgency=2)

        d.click("1小时关机")
        when = d.logind.wait_calls("ScheduleShutdown", 2)[-1].args[1]
        d.notifications.wait(3)
        other = int((time.time() + 300) * 1e6)
        d.logind.set_scheduled_shutdown("reboot", other)
        notices = d.notifications.wait(4)
        self.assertEqual(len(notices), 4, d.describe())
        self.assertNotice(notices[3], after("原定于", when, "%H:%M") + " 的关机已被其他程序替换\n"
                          + after("将于", other, "%H:%M") + " 重启", urgency=2)
        # Someone else's, cancelled by someone else: its notice just goes.
        d.logind.set_scheduled_shutdown(*NOTHING_SCHEDULED)
        d.notifications.wait(1, "CloseNotification")
        self.assertEqual(len(d.notifications.notices()), 4, d.notifications.notices())
        self.assertRunning()

    def _confirm_box(self):
        d = self.desktop
        d.click("立刻关机")
        wins = d.wait_window(CONFIRM_TITLE)
        self.assertEqual(len(wins), 1, wins)
        wid = wins[0]
        self.assertEqual(d.window_name(wid), "是否要立即关机！？")
        self.assertTrue(d.window_is_modal(wid), "the confirmation box is not modal")
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
        self.assertEqual(d.logind.all_calls(), [], d.describe())
        self.assertRunning()

    def test_now_answered_yes(self):
        """立刻关机, then 是(Y): ScheduleShutdown("poweroff", now)."""
        d = self.start_desktop(monitor=True)
        self._confirm_box()
        t0 = time.time()
        d.key("alt+y")
        d.wait_no_window(CONFIRM_TITLE)
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.settle()
        calls = d.logind.calls("ScheduleShutdown")
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0, 1.5)
        self.assertEqual([t for t, _ in d.monitor.wire_calls("ScheduleShutdown")[0]],
                         ["string", "uint64"])
        self.assertRunning()

    def test_now_return_is_yes(self):
        """Return in the confirmation box presses the default button, 是(Y)."""
        d = self.start_desktop()
        self._confirm_box()
        t0 = time.time()
        d.key("Return")
        d.wait_no_window(CONFIRM_TITLE)
        d.logind.wait_calls("ScheduleShutdown", 1)
        self.settle()
        calls = d.logind.calls("ScheduleShutdown")
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
                self.assertEqual(d.logind.all_calls(), [], "a held %s shut the computer down\n%s"
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
                self.assertEqual(d.logind.all_calls(), [], "a held %s pressed a preset\n%s"
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
        d.logind.wait_calls("ScheduleShutdown", 1)
        self.settle()
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1, d.describe())
        self.assertRunning()

    def _check_error_window(self, d):
        wins = d.wait_window(ERROR_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.assertFalse(d.window_is_modal(wins[0]),
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
        d.wait_for(lambda: len(d.logind.calls("ScheduleShutdown")) >= 10, 20, "ten refusals")
        time.sleep(1.0)
        before = resident_kib(d.app.pid)
        d.xdotool("click", "--repeat", 190, "--delay", 40, 1, timeout=120)
        d.wait_for(lambda: len(d.logind.calls("ScheduleShutdown")) >= 200, 60, "two hundred refusals")
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
        once and the window stays live. A schedule that cannot reach logind
        within a few seconds of its click is not sent at all (logind would
        take its time as come and power off at once) and the user is told;
        the bus answering again sends nothing late, and a click then goes
        out as usual."""
        d = self.start_desktop()
        # Connected (the program follows logind once its start is over),
        # then the daemon held up: the call would sit in its queue.
        d.wait_for(d.logind.reads, 10, "the program to read logind's schedule")
        d.hang("system-bus")
        d.click("六十秒关机")
        d.click("说明")
        box = d.wait_window("^说明$", timeout=10)
        d.activate(box[0])
        d.key("Return")
        d.wait_no_window("^说明$")
        wid = self._check_error_window(d)   # while the bus still hangs
        d.xdotool("windowmove", "--sync", wid, 0, 0, check=False)  # off the buttons
        self.assertIn("系统总线没有及时应答", d.stderr_text())
        d.hang("system-bus", hang=False)
        # Whatever went out before this cancel reaches logind before it.
        d.click("取消快捷按钮关机")
        d.logind.wait_calls("CancelScheduledShutdown", 1)
        self.assertEqual(d.logind.calls("ScheduleShutdown"), [], "a late schedule went out")
        t0 = d.click("30分钟关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 1800, 1.5)
        self.assertRunning()

    def test_system_bus_hung_from_the_start(self):
        """A system bus that hangs from the start holds up nothing either:
        the program follows logind from its start, but neither waits for
        the bus on the user-interface thread nor lets Qt wait for it (which
        would hold up the tray's session bus too). The window comes; a click
        made meanwhile is refused in time, and one made once the bus answers
        goes out."""
        d = self.start_desktop(launch=False)
        d.hang("system-bus")
        d.launch()
        d.click("1小时关机")
        wid = self._check_error_window(d)
        d.xdotool("windowmove", "--sync", wid, 0, 0, check=False)  # off the buttons
        d.hang("system-bus", hang=False)
        t0 = d.click("2小时关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1, timeout=15)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 7200, 1.5)
        self.assertRunning()

    def test_system_bus_comes_back(self):
        """A system bus that was not there when the program first used it,
        or whose daemon was started again, is connected to again: the
        buttons work, and the program follows logind on the new bus (what
        the old logind had pending is gone, and the user is told)."""
        d = self.start_desktop(notifications=True, launch=False)
        d.stop_system_bus()
        d.launch()
        d.click("1小时关机")
        wid = self._check_error_window(d)
        d.xdotool("windowmove", "--sync", wid, 0, 0, check=False)  # off the buttons
        self.assertIn("无法连接系统总线", d.stderr_text())
        d.start_system_bus()
        t0 = d.click("30分钟关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 1800, 1.5)
        half_hour = calls[0].args[1]
        d.notifications.wait(1)

        d.stop_system_bus()
        d.start_system_bus()
        t1 = d.click("六十秒关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t1 + 60, 1.5)
        notices = d.notifications.wait(3)
        self.assertEqual([n.args[4] for n in notices[1:]],
                         [after("原定于", half_hour, "%H:%M") + " 的关机已被其他程序取消",
                          after("将于", calls[0].args[1], "%H:%M:%S") + " 关机"])
        # Followed there: a restart put in its place is told of.
        when = int((time.time() + 600) * 1e6)
        d.logind.set_scheduled_shutdown("reboot", when)
        notices = d.notifications.wait(4)
        self.assertEqual(len(notices), 4, d.describe())
        self.assertNotice(notices[3], after("原定于", calls[0].args[1], "%H:%M:%S") + " 的关机已被其他程序替换\n"
                          + after("将于", when, "%H:%M") + " 重启",
                          urgency=2)
        self.assertRunning()

    def test_logind_refuses(self):
        """logind refuses (as polkit would): an error window, the program lives."""
        d = self.start_desktop(logind="refuse")
        d.click("1小时关机")
        self._check_error_window(d)
        self.assertEqual(len(d.logind.calls("ScheduleShutdown")), 1)


class RealLogindTest(DesktopTestCase):

    def test_real_logind(self):
        """Beside Debian's own systemd-logind (which signals no change of its
        ScheduledShutdown): a preset is scheduled and told of, `shutdown -r +2`
        typed in a terminal is told of at once, `shutdown -c` takes the notice
        away, and a cancel with nothing pending tells nothing."""
        if not os.access(REAL_LOGIND, os.X_OK):
            self.skipTest("no %s (package systemd)" % REAL_LOGIND)
        d = self.start_desktop(logind="real", notifications=True, launch=False)
        try:
            d.launch()
        except DesktopError:
            if d.system_bus.name_has_owner(LOGIN1_NAME):
                raise
            # Not the program's fault: this machine cannot run logind so.
            log = os.path.join(d.tmp, "real-logind.log")
            self.skipTest("systemd-logind did not start here:\n%s%s" % (
                d.stderr_text()[-1000:], open(log).read()[-1000:] if os.path.exists(log) else ""))
        self.assertEqual(d.logind.scheduled_shutdown(), NOTHING_SCHEDULED)

        t0 = d.click("30分钟关机")
        d.wait_for(lambda: d.logind.scheduled_shutdown()[0], 10, "logind to schedule")
        kind, usec = d.logind.scheduled_shutdown()
        self.assertEqual(kind, "poweroff")
        self.assertLess(abs(usec / 1e6 - (t0 + 1800)), 1.5)
        notices = d.notifications.wait(1)
        self.assertEqual(notices[0].args[4], after("将于", usec, "%H:%M") + " 关机")
        # The program's own cancel, with something pending.
        d.click("取消快捷按钮关机")
        notices = d.notifications.wait(2)
        self.assertEqual(notices[-1].args[4], after("原定于", usec, "%H:%M") + " 的关机已取消")
        self.assertEqual(d.logind.scheduled_shutdown(), NOTHING_SCHEDULED)

        # From a terminal, while the program runs.
        typed = time.time()
        r = d.in_program_namespace(["shutdown", "-r", "+2"])
        self.assertEqual(r.returncode, 0, r.stderr)
        notices = d.notifications.wait(3)
        self.assertEqual(len(notices), 3, "the terminal's reboot was not told of\n" + d.describe())
        kind, usec = d.logind.scheduled_shutdown()
        self.assertEqual(kind, "reboot")
        self.assertLess(notices[-1].time - typed, 5.0, "told late")
        self.assertEqual(notices[-1].args[4], after("将于", usec, "%H:%M:%S") + " 重启")
        r = d.in_program_namespace(["shutdown", "-c"])
        self.assertEqual(r.returncode, 0, r.stderr)
        closed = d.notifications.wait(1, "CloseNotification")
        self.assertEqual(len(closed), 1, closed)

        # Nothing pending: logind's cancel says false, the desktop hears nothing.
        d.click("取消快捷按钮关机")
        self.settle(1.5)
        self.assertEqual(len(d.notifications.notices()), 3, d.notifications.notices())
        self.assertNotIn("vesperon:", d.stderr_text())
        self.assertRunning()


def resident_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmRSS:"):
                return int(line.split()[1])
    return 0


if __name__ == "__main__":
    unittest.main(verbosity=2)
