"""System tests: the real program on Wayland desktops, headless.

    /usr/bin/python3 -m unittest -v tests/system/test_wayland.py

weston natively (qt6-wayland: Qt picks Wayland by itself when
WAYLAND_DISPLAY is set), sway natively with a virtual seat (clicks and
typing), and weston's XWayland (the program as an X11 client).
"""

import math
import os
import re
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.program import MAIN_TITLE  # noqa: E402
from harness.sway import SwayDesktop  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402
from harness.update_server import UpdateServer  # noqa: E402
from harness.wayland import committed, requests  # noqa: E402
from harness.weston import WestonDesktop  # noqa: E402
from harness.x11 import BACKGROUND  # noqa: E402
from test_skins import CHOOSER, GBK, plain_skins  # noqa: E402

KEY = (88, 88, 88)
SLACK = 0.6


def pixels(path):
    """(width, height, rgb bytes) of a PNG."""
    out = subprocess.run(["convert", path, "-depth", "8", "ppm:-"], capture_output=True,
                         check=True, timeout=60).stdout
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", out)
    return int(m.group(1)), int(m.group(2)), out[m.end():]


def drawn_box(path):
    """The key-coloured pixel count and the box of all non-background pixels."""
    width, _, data = pixels(path)
    key, xs, ys = 0, [], []
    background = bytes(BACKGROUND)
    for i in range(0, len(data), 3):
        px = data[i:i + 3]
        if px == bytes(KEY):
            key += 1
        if px != background:
            xs.append((i // 3) % width)
            ys.append((i // 3) // width)
    box = (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else None
    return key, box


def more_than_a_cursor(box):
    return box is not None and (box[2] > 64 or box[3] > 64)


class WaylandCase(DesktopTestCase):

    def start(self, kind, **kw):
        return self.start_desktop(launch=False, kind=kind, **kw)

    def splash_shot(self, name):
        """Start the program and take a screenshot while the splash shows.

        The program is stopped once the splash has handed the compositor its
        first picture, so that on a busy machine the splash cannot go before
        the compositor has drawn it; it goes on afterwards.
        """
        d = self.desktop
        d.launch(wait_window=False)
        d.wait_for(lambda: committed(d.stderr_text(), "503, 200") or not d.app_running(),
                   20, "the splash's first picture", interval=0.02)
        self.assertRunning()
        self.assertNotIn("set_min_size(246", d.stderr_text(), "the splash went before it was drawn")
        path = os.path.join(d.tmp, name)
        deadline = time.monotonic() + 30
        while True:
            # (Another surface's picture, a cursor's say, may have come first:
            # then the program goes on a moment, and is stopped again.)
            d.app.send_signal(signal.SIGSTOP)
            try:
                drawn = d.wait_for(lambda: more_than_a_cursor(drawn_box(d.screenshot(path))[1])
                                   or time.monotonic() > deadline or None, 1.5, "", interval=0.1)
            except Exception:
                drawn = None
            finally:
                d.app.send_signal(signal.SIGCONT)
            if drawn or time.monotonic() > deadline:
                break
            time.sleep(0.05)
            self.assertNotIn("set_min_size(246", d.stderr_text(), "the splash went before it was drawn")
        self.save_copy(path, name)
        return path

    def save_copy(self, path, name):
        folder = self.desktop.shots_dir()
        if folder:
            subprocess.run(["cp", path, os.path.join(folder, name)], check=True)

    def assert_splash_keyed(self, path):
        key, box = drawn_box(path)
        self.assertEqual(key, 0, "%d pixels of the key colour show" % key)
        self.assertIsNotNone(box, "nothing drawn")
        # The 500 × 200 picture shows; the 3-pixel strip beside it does not.
        self.assertEqual(box[2:], (500, 200), box)

    def assert_closes(self, ticks):
        d = self.desktop
        t0 = d.signal(signal.SIGTERM)
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        self.assertGreater(t1 - t0, ticks * 0.030 - 0.1)
        self.assertLess(t1 - t0, ticks * 0.030 + SLACK, "%.3f s for %d ticks" % (t1 - t0, ticks))


class WestonNativeTest(WaylandCase):

    def test_windows_ask_for_what_the_program_needs(self):
        """Title, app id and fixed sizes, as the program asks the compositor."""
        d = self.start(WestonDesktop)
        d.launch()
        log = d.stderr_text()
        self.assertIn("wl_compositor", log, "not a native Wayland client")
        self.assertIn(MAIN_TITLE, d.titles())
        self.assertEqual(set(requests(log, "set_app_id")), {'"vesperon"'})
        minimum, maximum = requests(log, "set_min_size"), requests(log, "set_max_size")
        self.assertEqual(minimum[:2], ["503, 200", "246, 298"])  # the splash, then the main window
        self.assertEqual(maximum[:2], ["503, 200", "246, 298"])
        shot = os.path.join(d.tmp, "main.png")
        d.screenshot(shot)
        self.save_copy(shot, "weston-main.png")
        self.assertRunning()

    def test_splash_shows_no_key_colour(self):
        d = self.start(WestonDesktop)
        self.assert_splash_keyed(self.splash_shot("weston-splash.png"))

    def test_sigterm_runs_the_closing_animation(self):
        """The animation ends on time: 252 px wide with Qt's own frame, 28 ticks."""
        d = self.start(WestonDesktop)
        d.launch()
        time.sleep(0.5)
        self.assert_closes(math.floor((252 * 15 - 1000) / 100) + 1)


class SwayTest(WaylandCase):

    def test_preset_and_typed_countdown_reach_logind(self):
        d = self.start(SwayDesktop)
        d.launch()
        d.screenshot(os.path.join(d.tmp, "main.png"))
        self.save_copy(os.path.join(d.tmp, "main.png"), "sway-main.png")
        t0 = d.click("1小时关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 3600, 1.5)

        d.click("Text1")
        d.key("ctrl+a")
        d.type("3")
        d.click("重启")
        t0 = d.click("开始计时")
        calls = d.logind.wait_calls("ScheduleShutdown", 2, timeout=15)
        self.assertEqual(len(calls), 2, d.describe())
        self.assertGreater(calls[1].time - t0, 2.5)
        self.assertSchedule(calls[1], "reboot", calls[1].time + 3, 1.0, low=1.0)
        self.assertRunning()

    def test_splash_and_about(self):
        d = self.start(SwayDesktop)
        self.assert_splash_keyed(self.splash_shot("sway-splash.png"))
        d.find_main_window()
        d.click("关于")
        d.wait_for(lambda: d.window("关于"), 10, "the about window")
        time.sleep(0.5)
        shot = os.path.join(d.tmp, "about.png")
        d.screenshot(shot)
        self.save_copy(shot, "sway-about.png")
        self.assertRunning()

    def test_chooser_update_check_and_tray(self):
        """The skin chooser, the update check and a StatusNotifier tray work
        as on X11: the same clicks, boxes, file and requests."""
        server = self.enterContext(UpdateServer())
        server.reply("4.5.0")
        d = self.start(SwayDesktop, sni=True)
        work = os.path.join(d.tmp, "work")
        os.mkdir(work)
        d.launch(binary=d.program_copy(plain_skins()), cwd=work,
                 env={"http_proxy": server.proxy})

        d.click("换肤")
        node = d.wait_for(lambda: d.window("更换皮肤"), 10, "the chooser")
        x = node["rect"]["x"] + node["window_rect"]["x"]
        y = node["rect"]["y"] + node["window_rect"]["y"]
        for what in ("大海主题", "确定"):
            d.click_at(x + CHOOSER[what][0], y + CHOOSER[what][1])
            time.sleep(0.3)
        d.wait_for(lambda: d.window("提示"), 10, "the notice before the change")
        self.assertFalse(os.path.exists(os.path.join(work, "skin.txt")))
        d.key("Return")
        d.wait_for(lambda: not d.window("更换皮肤"), 10, "the chooser to close")
        with open(os.path.join(work, "skin.txt"), "rb") as f:
            self.assertEqual(f.read(), GBK["大海"])

        d.click("检查更新")
        d.wait_for(lambda: d.window("你不需要更新"), 20, "the verdict")
        self.assertEqual(len(server.gets()), 2)
        d.swaymsg("[title=你不需要更新]", "kill")
        d.wait_for(lambda: not d.window("你不需要更新"), 10, "the update window to close")

        items = d.wait_for(d.sni.items, 10, "the tray item")
        d.click("最小化到任务栏")
        d.wait_for(lambda: d.window("最小化！"), 10, "the box")
        d.key("Return")
        d.wait_for(lambda: not d.window("最小化！"), 10, "the box to close")
        self.assertIsNone(d.window(MAIN_TITLE), "the main window is still shown")
        d.sni.activate(items[0])
        d.wait_for(lambda: d.window(MAIN_TITLE), 10, "the main window back")
        self.assertRunning()

    def test_sigterm_runs_the_closing_animation(self):
        """The compositor draws the frame here: 246 px, 27 ticks."""
        d = self.start(SwayDesktop)
        d.launch()
        time.sleep(0.5)
        self.assert_closes(math.floor((246 * 15 - 1000) / 100) + 1)


class XWaylandTest(WaylandCase):

    def test_preset_click_reaches_logind(self):
        d = self.start(WestonDesktop, xwayland=True)
        d.launch()
        t0 = d.click("1小时关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
        self.assertEqual(len(calls), 1, d.describe())
        self.assertSchedule(calls[0], "poweroff", t0 + 3600, 1.5)
        self.assertRunning()

    def test_splash_shows_no_key_colour(self):
        """A compositor draws XWayland's windows: the key is alpha there too."""
        d = self.start(WestonDesktop, xwayland=True)
        key, box = drawn_box(self.splash_shot_x("xwayland-splash.png"))
        self.assertEqual(key, 0, "%d pixels of the key colour show" % key)
        # Drawn (weston's frame adds a shadow around it).
        self.assertIsNotNone(box)
        self.assertGreaterEqual(box[2], 500, box)

    def splash_shot_x(self, name):
        d = self.desktop
        d.launch(wait_window=False)
        d.wait_for(lambda: any((g["WIDTH"], g["HEIGHT"]) == (503, 200)
                               for g in (d.geometry(int(w)) for w in d.xdotool(
                                   "search", "--all", "--onlyvisible", "--pid", d.app.pid,
                                   "--classname", "vesperon", check=False).split()) if g),
                   20, "the splash", interval=0.05)
        # Mapped, its first frame may take a moment more.
        path = os.path.join(d.tmp, name)
        for _ in range(10):
            time.sleep(0.1)
            d.screenshot(path)
            box = drawn_box(path)[1]
            if box and box[2] >= 400:
                break
        self.save_copy(path, name)
        return path


if __name__ == "__main__":
    unittest.main(verbosity=2)
