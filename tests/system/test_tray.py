"""System tests: the notification-area icon, with the real program.

    /usr/bin/python3 -m unittest -v tests/system/test_tray.py

An XEmbed tray (trayer) under openbox, a mock StatusNotifier host on the
program's session bus, and a desktop with no tray at all.
"""

import os
import re
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.buses import NOTHING_SCHEDULED  # noqa: E402
from harness.program import MAIN_TITLE_PATTERN, after  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402
from harness.x11 import MapWatch  # noqa: E402

BOX_TITLE = "^最小化！$"
CLOCK_PREFIX = "<Tolvane>当前时间："


def clock_time(line):
    """The moment a Chinese clock line shows, as seconds since the epoch."""
    m = re.fullmatch(re.escape(CLOCK_PREFIX) + r"(\d+)/(\d+)/(\d+) (\d+):(\d+):(\d+)", line)
    if not m:
        raise AssertionError("not a clock line: %r" % line)
    return time.mktime(tuple(int(v) for v in m.groups()) + (0, 0, -1))


class TrayTest(DesktopTestCase):

    def _main_visible(self):
        return bool(self.desktop.search(MAIN_TITLE_PATTERN))

    def _minimise(self):
        """最小化到任务栏: the window goes, the box comes; answer it."""
        d = self.desktop
        d.click("最小化到任务栏")
        wins = d.wait_window(BOX_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.assertTrue(d.window_is_modal(wins[0]))
        self.save_shot("%s-box.png" % self._testMethodName)
        d.activate(wins[0])
        d.key("Return")
        d.wait_no_window(BOX_TITLE)
        return wins[0]

    def test_hide_and_double_click_back(self):
        """The icon docks; 最小化到任务栏 hides; a double click brings it back,
        its clock line reading the moment it appears."""
        d = self.start_desktop(tray=True, atspi=True)
        icons = d.wait_for(d.docked_icons, 20, "the icon to dock in trayer")
        self.assertEqual(len(icons), 1, icons)
        self.save_shot("docked-icon.png")
        clock_line = d.atspi.reader("label", CLOCK_PREFIX)
        watch = MapWatch(d)
        self.addCleanup(watch.stop)
        self._minimise()
        self.assertFalse(self._main_visible(), "the main window is still shown")
        self.assertEqual(len(d.docked_icons()), 1)

        # A single click, the right and the middle button do nothing.
        for button in (1, 3, 2):
            d.click_icon(count=1, button=button)
            time.sleep(1.0)
            self.assertFalse(self._main_visible(), "button %d brought it back" % button)
        # A double click does, and the line, read as soon as the window is
        # mapped, is not the one it had when it was hidden (its timer rests
        # while nobody can see it).
        clicked, since = time.time(), time.monotonic()
        d.click_icon(count=2)
        watch.wait("the main window mapped", lambda e: e[1] == "map" and e[3] == "vesperon", since)
        shown = clock_time(clock_line())
        self.assertGreaterEqual(shown, int(clicked), "a stale clock line after the restore")
        self.assertLessEqual(shown, time.time() + 1)
        d.find_main_window()
        self.assertEqual(len(d.docked_icons()), 1, "one icon, however often it is added")
        self.assertRunning()
        self.save_shot("restored.png", window=d.main_window)

    def test_status_notifier_host(self):
        """On a StatusNotifier host the host's activation brings it back.
        While hidden there, the program warns of a shutdown scheduled by
        someone else, 10 minutes and 1 minute before it, and takes the
        warning back when that is cancelled."""
        d = self.start_desktop(sni=True, notifications=True)
        items = d.wait_for(d.sni.items, 20, "the program's tray item")
        self.assertEqual(len(items), 1, items)
        self._minimise()
        self.assertFalse(self._main_visible())
        self._warnings(d)
        d.sni.activate(items[0], "SecondaryActivate")  # the middle button
        time.sleep(1.0)
        self.assertFalse(self._main_visible())
        d.sni.activate(items[0])
        d.find_main_window()
        self.assertRunning()

    def _warnings(self, d):
        """logind's ScheduledShutdown set by hand, a few seconds before each
        warning is due."""
        for told, (lead, left, urgency, nothing) in enumerate(
                ((603, "还有 10 分钟", 1, ("", 0)), (65, "还有 1 分钟", 2, NOTHING_SCHEDULED))):
            before = len(d.notifications.notices())
            t0 = time.time()
            when = t0 + lead
            d.logind.set_scheduled_shutdown("poweroff", int(when * 1e6))
            form = "%H:%M" if lead > 120 else "%H:%M:%S"
            text = after("将于", int(when * 1e6), form) + " 关机"
            # At once: when.
            notices = d.notifications.wait(before + 1)
            self.assertEqual(len(notices), before + 1, d.describe())
            self.assertEqual(notices[-1].args[4], text)
            self.assertEqual(notices[-1].args[1], 0, "nothing shown to replace")
            self.assertLess(notices[-1].time - t0, 3.0)
            # The warning, on its time, in place of that notice.
            notices = d.notifications.wait(before + 2, timeout=15)
            self.assertEqual(len(notices), before + 2, d.describe())
            warning = notices[-1]
            self.assertEqual(warning.args[4], text + "\n" + left + "，请保存正在进行的工作。")
            self.assertEqual(warning.args[6]["urgency"], urgency)
            # In place of that notice (the server's ids count 1, 2, …).
            self.assertEqual(warning.args[1], told + 1, "the warning does not replace the notice")
            due = when - (600 if lead > 120 else 60)
            self.assertGreaterEqual(warning.time, due - 0.2, "warned early")
            self.assertLess(warning.time, due + 3.0, "warned late")
            # Cancelled elsewhere (nothing pending, in either form): the
            # warning goes.
            d.logind.set_scheduled_shutdown(*nothing)
            closed = d.notifications.wait(told + 1, "CloseNotification")
            self.assertEqual(len(closed), told + 1, closed)
            self.assertEqual(closed[-1].args, (told + 1,))
        self.save_shot("warnings.png")
        self.assertEqual(len(d.notifications.notices()), 4)

    def test_no_tray_minimises(self):
        """No notification area at all: the window goes to the task bar."""
        d = self.start_desktop()
        main = d.main_window
        self._minimise()
        self.assertEqual(d.window_state(main), "Iconic", d.describe())
        d.xdotool("windowactivate", main, check=False)
        d.wait_for(lambda: d.window_state(main) == "Normal", 10, "the window to come back")
        self.assertRunning()


if __name__ == "__main__":
    unittest.main(verbosity=2)
