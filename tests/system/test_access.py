"""System tests: the program for users of screen readers, of the keyboard
alone, and of HiDPI screens.

    /usr/bin/python3 -m unittest -v tests/system/test_access.py

The screen reader's view is AT-SPI's (at-spi-bus-launcher on the desktop's
session bus, read with pyatspi); keys are typed with xdotool; the HiDPI
screen is Qt's scale factor 2.
"""

import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.processes import DesktopError  # noqa: E402
from harness.program import DEFAULT_BIN, MAIN_TITLE, SPOTS  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402
from harness.update_server import UpdateServer  # noqa: E402
from test_skins import COLOURS, GBK, jpeg, plain_skins  # noqa: E402

VERDICTS = "^(你需要更新|你不需要更新|检查更新失败)$"
BUTTONS = ["六十秒关机", "30分钟关机", "1小时关机", "2小时关机", "3小时关机", "5小时关机",
           "取消快捷按钮关机", "开始计时", "立刻关机", "最小化到任务栏"]
MENU = ["换肤", "给我工资", "说明", "关于"]


def nodes(tree):
    """Every node of a tree from atspi_tool.py, depth first."""
    for node in tree:
        yield node
        yield from nodes(node["children"])


def window(tree, name):
    found = [w for w in tree if w["name"] == name]
    return found[0] if found else None


class AccessibilityTest(DesktopTestCase):

    def test_screen_reader_reaches_everything(self):
        """Every control has its name, role and action; the windows are a
        frame and dialogs with their titles; "检查更新" is a link that can be
        pressed; while "更换皮肤" is open the main window's controls are
        disabled for the screen reader too."""
        server = self.enterContext(UpdateServer())
        d = self.start_desktop(launch=False, atspi=True)
        d.launch(env={"http_proxy": server.proxy})
        tree = d.wait_for(lambda: window(d.atspi.tree() or [], MAIN_TITLE) and d.atspi.tree(),
                          20, "the main window on the accessibility bus", interval=0.3)
        main = window(tree, MAIN_TITLE)
        self.assertEqual(main["role"], "frame")
        controls = {(n["role"], n["name"]): n for n in nodes([main])}
        for caption in BUTTONS:
            self.assertIn("Press", controls[("push button", caption)]["actions"], caption)
        for caption in ("关机", "重启"):
            self.assertIn("Toggle", controls[("radio button", caption)]["actions"], caption)
        for caption in MENU:
            self.assertIn("Press", controls[("menu item", caption)]["actions"], caption)
        self.assertIn(("text", "时间设定（秒）"), controls)
        link = controls[("link", "检查更新")]
        self.assertIn("Press", link["actions"])
        self.assertIn("focusable", link["states"])

        d.atspi.do("link", "检查更新", "Press")
        verdict = d.wait_window(VERDICTS)
        tree = d.atspi.tree()
        update = window(tree, d.window_name(verdict[0]))
        self.assertIsNotNone(update, [w["name"] for w in tree])
        self.assertEqual(update["role"], "dialog")
        d.close_by_keys(verdict[0])

        d.atspi.do("menu item", "换肤", "Press")
        d.wait_window("^更换皮肤$")
        tree = d.atspi.tree()
        self.assertEqual(window(tree, "更换皮肤")["role"], "dialog")
        chooser = {(n["role"], n["name"]): n for n in nodes([window(tree, "更换皮肤")])}
        self.assertIn("Press", chooser[("link", "想要自定义皮肤的点这里。")]["actions"])
        main = {(n["role"], n["name"]): n for n in nodes([window(tree, MAIN_TITLE)])}
        for key in [("push button", c) for c in BUTTONS] + [("menu item", c) for c in MENU] \
                + [("link", "检查更新")]:
            self.assertNotIn("sensitive", main[key]["states"], "%s %s is not disabled" % key)
        # Pressed all the same (where a disabled control still offers its
        # action), they do nothing.
        for role, name in (("menu item", "关于"), ("push button", "1小时关机"), ("link", "检查更新")):
            try:
                d.atspi.do(role, name, "Press")
            except DesktopError as e:
                self.assertIn("has no action", str(e))
        self.settle(1.0)
        self.assertEqual(d.search("^(关于|你需要更新|你不需要更新|检查更新失败)$"), [])
        self.assertEqual(d.logind.all_calls(), [])
        self.assertRunning()


class KeyboardTest(DesktopTestCase):

    def test_menu_bar_and_link_from_the_keyboard(self):
        """F10 selects the menu bar's first command, the arrows move along,
        Enter runs the command, and the focus comes back to the seconds box
        when its box is closed; Shift+Tab from the seconds box reaches
        "检查更新" (last in the keyboard order), Enter presses it."""
        server = self.enterContext(UpdateServer())
        d = self.start_desktop(launch=False)
        d.launch(env={"http_proxy": server.proxy})
        d.activate(d.main_window)
        d.key("F10")
        self.settle(0.3)
        self.save_shot("keyboard-menu.png", window=d.main_window)
        d.key("Right", "Right", "Return")
        box = d.wait_window("^说明$")
        d.activate(box[0])
        d.key("Return")
        d.wait_no_window("^说明$")
        d.activate(d.main_window)
        d.key("End", "BackSpace", "BackSpace", "4", "2")
        d.key("shift+Tab", "Return")
        verdict = d.wait_window(VERDICTS)
        self.assertEqual(d.window_name(verdict[0]), "你不需要更新")
        # The seconds box took the digits: a count of 42, started from the
        # keyboard, is what the box reads.
        self.save_shot("keyboard-link.png")
        self.assertRunning()


class HiDpiTest(DesktopTestCase):

    def test_splash_is_drawn_at_2x(self):
        """At a scale factor of 2 the splash shows its picture drawn at 2x,
        not the 1x one doubled; the main window is centred with its frame,
        and a message box shows its icon drawn at 2x, not Qt's 32 px one
        enlarged."""
        pictures = os.path.join(os.path.dirname(os.environ.get("VESPERON_BIN", DEFAULT_BIN)), "pictures")
        d = self.start_desktop(launch=False)
        d.launch(wait_window=False, env={"QT_SCALE_FACTOR": "2"})
        splash = d.wait_for(lambda: [w for w in d.search("", by="--classname")
                                     if (d.geometry(w) or {}).get("WIDTH") == 1006],
                            20, "the splash at 2x", interval=0.02)[0]
        g = d.geometry(splash)
        shot = d.screenshot(os.path.join(d.tmp, "splash.png"))
        self.save_shot("hidpi-splash.png", window=splash)
        # The title and the line under it, clear of the labels.
        box = (80, 60, 560, 250)
        seen = self._crop(shot, g["X"] + box[0], g["Y"] + box[1], box[2], box[3], "seen")
        twice = self._crop(os.path.join(pictures, "splash@2x.gif") + "[0]", *box, "twice")
        doubled = self._crop(os.path.join(pictures, "splash.gif") + "[0]", *box, "doubled",
                             scale=True)
        # The key colour is cut out at 2x too: the strip beside the picture
        # shows the desktop.
        whole = self._crop(shot, g["X"], g["Y"], g["WIDTH"], g["HEIGHT"], "whole")
        keyed = subprocess.run(["convert", whole, "-fill", "black", "+opaque", "rgb(88,88,88)",
                                "-fill", "white", "-opaque", "rgb(88,88,88)", "-format", "%[fx:mean*w*h]",
                                "info:"], capture_output=True, text=True, check=True, timeout=60).stdout
        self.assertEqual(float(keyed), 0, "pixels of the key colour show")
        to_twice, to_doubled = self._differ(seen, twice), self._differ(seen, doubled)
        self.assertLess(to_twice, 0.02, "%.1f %% of the pixels differ from the 2x picture" % (to_twice * 100))
        self.assertGreater(to_doubled, 0.05, "the splash looks like the 1x picture doubled")

        # The main window, centred with its frame (openbox's frame is in the
        # screen's own pixels).
        d.find_main_window()
        g = d.geometry(d.main_window)
        left, right, top, bottom = d.frame_extents(d.main_window)
        centre = (g["X"] - left + (left + g["WIDTH"] + right) / 2, g["Y"] - top + (top + g["HEIGHT"] + bottom) / 2)
        self.assertLessEqual(abs(centre[0] - 512), 3, "not centred across: %s %s" % (g, (left, right, top, bottom)))
        self.assertLessEqual(abs(centre[1] - 384), 3, "not centred up and down: %s %s" % (g, (left, right, top, bottom)))

        # A message box's icon, the program's own at 2x.
        ox, oy = g["X"], g["Y"] + g["HEIGHT"] - 2 * 278  # the client area under the menu bar, at 2x
        d.click_at(ox + 2 * SPOTS["说明"][0], oy + 2 * SPOTS["说明"][1])
        box = d.wait_window("^说明$")[0]
        shot = d.screenshot(os.path.join(d.tmp, "box.png"), window=box)
        self.save_shot("hidpi-box.png", window=box)
        icon = self._crop(os.path.join(pictures, "box-information@2x.png"), 0, 0, 64, 64, "icon")
        flat = os.path.join(d.tmp, "icon-flat.png")
        subprocess.run(["convert", icon, "-background", "rgb%s" % (d.pixel(4, 4, shot),), "-flatten", flat],
                       check=True, timeout=60)
        found = subprocess.run(["compare", "-metric", "RMSE", "-subimage-search", shot, flat, "null:"],
                               capture_output=True, text=True, timeout=120).stderr
        distance = float(re.search(r"\(([\d.e+-]+)\)", found).group(1))
        self.assertLess(distance, 0.05, "the box shows no icon drawn at 2x: %s" % found)

    def test_skin_at_2x_and_a_picture_of_ones_own(self):
        """At a scale factor of 2 a skin shows its 2x picture; a picture of
        the user's own put in place of the 1x one (newer than the 2x one)
        shows instead."""
        d = self.start_desktop(launch=False)
        work = os.path.join(d.tmp, "work")
        os.mkdir(work)
        with open(os.path.join(work, "skin.txt"), "wb") as f:
            f.write(GBK["大海"])
        pictures = plain_skins()
        pictures["大海@2x.jpg"] = jpeg((200, 200, 30), size="960x1440")
        program = d.program_copy(pictures)
        folder = os.path.dirname(program)
        old = time.time() - 3600
        for name in pictures:
            os.utime(os.path.join(folder, os.fsencode(name)), (old, old))
        scaled = {"QT_SCALE_FACTOR": "2"}
        d.launch(binary=program, cwd=work, env=scaled)
        self.assertAlmostColour(self._picture_pixel(), (200, 200, 30))
        d.stop_program()
        os.utime(os.path.join(folder, "大海.jpg".encode()))  # the user's own, put there now
        d.launch(binary=program, cwd=work, env=scaled)
        self.assertAlmostColour(self._picture_pixel(), COLOURS["大海"])
        self.assertRunning()

    def _picture_pixel(self):
        """A pixel of the main window's picture, clear of its controls, at 2x
        (the spot at 2, 188 of the 246 x 278 client area)."""
        d = self.desktop
        g = d.geometry(d.main_window)
        return d.pixel(g["X"] + 2 * 2, g["Y"] + g["HEIGHT"] - 2 * 278 + 2 * 188)

    def assertAlmostColour(self, got, expected):
        self.assertTrue(all(abs(a - b) <= 12 for a, b in zip(got, expected)), "%s, not %s" % (got, expected))

    def _crop(self, source, x, y, w, h, name, scale=False):
        out = os.path.join(self.desktop.tmp, name + ".png")
        argv = ["convert", source]
        if scale:
            argv += ["-filter", "point", "-resize", "200%"]
        argv += ["-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage", out]
        subprocess.run(argv, check=True, timeout=60)
        return out

    def _differ(self, a, b):
        """The share of pixels that differ by more than a little."""
        r = subprocess.run(["compare", "-metric", "AE", "-fuzz", "3%", a, b, "null:"],
                           capture_output=True, text=True, timeout=60)
        differing = float(re.match(r"[\d.e+]+", r.stderr.strip()).group(0))
        w, h = (int(v) for v in subprocess.run(["identify", "-format", "%w %h", a], capture_output=True,
                                                text=True, check=True, timeout=60).stdout.split())
        return differing / (w * h)


if __name__ == "__main__":
    unittest.main(verbosity=2)
