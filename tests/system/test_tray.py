"""System tests: the notification-area icon, with the real program.

    /usr/bin/python3 -m unittest -v tests/system/test_tray.py

An XEmbed tray (trayer) under openbox, a mock StatusNotifier host on the
program's session bus, and a desktop with no tray at all.
"""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import MAIN_TITLE_PATTERN, DesktopTestCase, window_is_modal  # noqa: E402

BOX_TITLE = "^最小化！$"


class TrayTest(DesktopTestCase):

    def _main_visible(self):
        return bool(self.desktop.search(MAIN_TITLE_PATTERN))

    def _minimise(self):
        """最小化到任务栏: the window goes, the box comes; answer it."""
        d = self.desktop
        d.click("最小化到任务栏")
        wins = d.wait_window(BOX_TITLE)
        self.assertEqual(len(wins), 1, wins)
        self.assertTrue(window_is_modal(d, wins[0]))
        self.save_shot("%s-box.png" % self._testMethodName)
        d.activate(wins[0])
        d.key("Return")
        d.wait_no_window(BOX_TITLE)
        return wins[0]

    def test_hide_and_double_click_back(self):
        """The icon docks; 最小化到任务栏 hides; a double click brings it back."""
        d = self.start_desktop(tray=True)
        icons = d._wait_for(d.docked_icons, 20, "the icon to dock in trayer")
        self.assertEqual(len(icons), 1, icons)
        self.save_shot("docked-icon.png")
        self._minimise()
        self.assertFalse(self._main_visible(), "the main window is still shown")
        self.assertEqual(len(d.docked_icons()), 1)

        # A single click, the right and the middle button do nothing.
        for button in (1, 3, 2):
            d.click_icon(count=1, button=button)
            time.sleep(1.0)
            self.assertFalse(self._main_visible(), "button %d brought it back" % button)
        # A double click does.
        d.click_icon(count=2)
        d.find_main_window()
        self.assertEqual(len(d.docked_icons()), 1, "one icon, however often it is added")
        self.assertRunning()

        # The clock went on while hidden.
        self.save_shot("restored.png", window=d.main_window)

    def test_status_notifier_host(self):
        """On a StatusNotifier host the host's activation brings it back."""
        d = self.start_desktop(sni=True)
        items = d._wait_for(d.sni_items, 20, "the program's tray item")
        self.assertEqual(len(items), 1, items)
        self._minimise()
        self.assertFalse(self._main_visible())
        d.sni_activate(items[0], "SecondaryActivate")  # the middle button
        time.sleep(1.0)
        self.assertFalse(self._main_visible())
        d.sni_activate(items[0])
        d.find_main_window()
        self.assertRunning()

    def test_no_tray_minimises(self):
        """No notification area at all: the window goes to the task bar."""
        d = self.start_desktop()
        main = d.main_window
        self._minimise()
        self.assertEqual(d.window_state(main), "Iconic", d.describe())
        d.xdotool("windowactivate", main, check=False)
        d._wait_for(lambda: d.window_state(main) == "Normal", 10, "the window to come back")
        self.assertRunning()


if __name__ == "__main__":
    unittest.main(verbosity=2)
