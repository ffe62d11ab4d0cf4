"""System tests: the Windows program from the zip, under Wine (Debian's wine
8.0) on Xvfb with openbox and trayer. See harness/wine.py.

    VESPERON_WINDOWS_ZIP=build-windows/vesperon-4.5.0-windows-x86_64.zip \\
    VESPERON_RECORDING_SHUTDOWN=build/tests/recording_shutdown.exe \\
        /usr/bin/python3 -m unittest -v tests/system/test_windows.py

What only a real Windows shows is left out: the system's own shutdown and its
warnings (a recording shutdown.exe stands in), and the real notification area
(Wine docks its icons in trayer).
"""

import os
import shutil
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.program import CLIENT_H, CLIENT_W, PRESETS  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402
from harness.update_server import UpdateServer  # noqa: E402
from harness.wine import WineDesktop, WinePrefix, make_prefix_folder  # noqa: E402

SPLASH_SIZE = (503, 200)
GBK_SEA = b"\xb4\xf3\xba\xa3\r\n"          # "大海" and CR LF in GBK
SPOTS = [(2, 188), (243, 40)]            # where the skin shows, clear of controls
CHOOSER = {"大海主题": (24 + 8, 64 + 12), "确定": (104, 152)}
CHOOSER_SIZE = (211, 198)

# The system's own cmd.exe, which every line is handed to (GetSystemDirectoryW).
SYSTEM_CMD = r"C:\windows\system32\cmd.exe"

# _MOTIF_WM_HINTS functions (Wine sets them from the Windows style).
FUNC_MOVE, FUNC_CLOSE = 0x4, 0x20


def shutdown_line(line):
    """What cmd.exe starts for "cmd.exe /c <rest>"."""
    return line[len("cmd.exe /c "):]


class WindowsProgramTest(DesktopTestCase):

    @classmethod
    def setUpClass(cls):
        cls.folder = make_prefix_folder()
        cls.prefix = WinePrefix(cls.folder)
        cls.server = UpdateServer().__enter__()
        cls.prefix.set_user_proxy("127.0.0.1:%d" % cls.server.port)

    @classmethod
    def tearDownClass(cls):
        cls.server.__exit__(None, None, None)
        cls.prefix.kill()
        shutil.rmtree(cls.folder, ignore_errors=True)

    # -------------------------------------------------------------- helpers

    def _start(self, launch=True):
        d = WineDesktop(self.prefix)
        self.addCleanup(d.stop)
        d.start()
        self.desktop = d
        self.work = d.program_folder()
        if launch:
            d.launch(cwd=self.work)
        return d

    def _program_windows(self):
        d = self.desktop
        return d.shown_windows("--classname", "^vesperon\\.exe$")

    def _answer(self, title, key="Return"):
        d = self.desktop
        box = d.wait_window(title)
        d.activate(box[0])
        d.key(key)
        d.wait_no_window(title)

    def _assert_fixed_close_box_only(self, wid, what, client_size):
        """A title bar with the close box alone: no minimise or maximise box,
        not resizable. Wine draws the frame from the Windows style, and tells
        the window manager the same in the Motif functions."""
        d = self.desktop
        functions, _ = d.motif_hints(wid)
        self.assertEqual(functions, FUNC_MOVE | FUNC_CLOSE,
                         "%s: functions %#x (minimise, maximise or resize allowed)" % (what, functions))
        g = d.geometry(wid)
        x, y = d.client_rect(wid, *client_size)
        self.assertGreaterEqual((y - g["Y"]) - (x - g["X"]), 15, "%s has no title bar" % what)

    def _ink(self, shot, rect):
        """The dark pixels of a screen rectangle, cropped to their bounds:
        a tuple of rows of 0/1, for comparing drawn texts."""
        x, y, w, h = rect
        ppm = subprocess.run(["convert", shot, "-crop", "%dx%d+%d+%d" % (w, h, x, y), "+repage",
                              "-colorspace", "gray", "-threshold", "45%", "-depth", "8", "gray:-"],
                             capture_output=True, check=True, timeout=60).stdout
        rows = [tuple(1 if ppm[r * w + c] == 0 else 0 for c in range(w)) for r in range(h)]
        rows = [r for r in rows if any(r)]
        if not rows:
            return ()
        cols = [c for c in range(w) if any(r[c] for r in rows)]
        return tuple(r[cols[0]:cols[-1] + 1] for r in rows)

    def _main_visible(self):
        return bool(self.desktop.search("Tolvane"))

    # ---------------------------------------------------------------- tests

    def test_start_presets_and_frames(self):
        """Splash alone, then the main window with its Chinese drawn; each
        preset, 取消快捷按钮关机 and 立刻关机's Yes run their exact lines (a
        held Return asks once) with the system's own cmd.exe and
        shutdown.exe, never those planted beside the program; every window's
        frame is its own."""
        d = self._start(launch=False)
        d.launch(cwd=self.work, wait_window=False)
        splash = d.wait_for(lambda: [w for w, g in self._program_windows()
                                     if (g["WIDTH"], g["HEIGHT"]) == SPLASH_SIZE],
                            60, "the splash window", interval=0.05)[0]
        self.assertFalse(self._main_visible(), "the main window came with the splash")
        shape = subprocess.run(["xwininfo", "-shape", "-id", str(splash)], env=d.env(),
                               capture_output=True, text=True, timeout=30).stdout
        # The colour key cuts out the 3-pixel strip the 500-pixel picture leaves.
        self.assertIn("Window shape extents:  500x200+0+0", shape)
        self.assertIn("_NET_WM_STATE_ABOVE", subprocess.run(
            ["xprop", "-id", str(splash), "_NET_WM_STATE"], env=d.env(),
            capture_output=True, text=True, timeout=30).stdout)
        d.find_main_window()
        self.assertFalse([w for w, g in self._program_windows() if (g["WIDTH"], g["HEIGHT"]) == SPLASH_SIZE],
                         "the splash stayed with the main window")
        self._assert_fixed_close_box_only(d.main_window, "the main window", (CLIENT_W, CLIENT_H + 19))

        # Drawn, not boxes: texts of the same length but other characters
        # look different (a font without them draws the same empty boxes).
        time.sleep(0.5)
        shot = self.save_shot("windows-main.png", window=d.main_window) or \
            d.screenshot(os.path.join(d.tmp, "main.png"), window=d.main_window)
        ox, oy = d.refresh_origin()
        g = d.geometry(d.main_window)
        ox, oy = ox - g["X"], oy - g["Y"]
        inks = {}
        for caption, (left, y, w, h) in {"开始计时": (8, 152, 65, 33), "立刻关机": (80, 152, 81, 33),
                                         "六十秒关机": (8, 64, 73, 25), "2小时关机": (8, 96, 73, 25),
                                         "3小时关机": (88, 96, 73, 25)}.items():
            inks[caption] = self._ink(shot, (ox + left + 4, oy + y + 4, w - 8, h - 8))
            self.assertTrue(inks[caption], "%s drew nothing" % caption)
        self.assertNotEqual(inks["开始计时"], inks["立刻关机"])
        self.assertNotEqual(inks["2小时关机"], inks["3小时关机"])

        # 立刻关机 with Return held down: it asks once, and only a fresh press
        # answers (是(Y) is the default). First, while the window still has
        # the focus (each line starts cmd.exe minimised with the focus); the
        # button gets it by a press on it that is let go elsewhere.
        d.activate(d.main_window)
        d.move_to("立刻关机")
        d.xdotool("mousedown", 1)
        d.move_to("Frame2", dx=4, dy=4)
        d.xdotool("mouseup", 1)
        self.settle(0.3)
        d.xdotool("keydown", "Return")
        time.sleep(1.5)                                  # the X server repeats it
        d.xdotool("keyup", "Return")
        self.settle(1.0)
        questions = d.wait_window("^是否要立即关机！？$")
        self.assertEqual(len(questions), 1, "one question, and only one")
        self.assertEqual(d.started_lines(), [], "a held key shut the computer down")
        self._answer("^是否要立即关机！？$")
        expected = ["cmd.exe /c shutdown -s -t 0"]
        d.wait_recorded(len(expected))
        # One click at a time, each once its line has run: every line starts
        # three Wine processes (cmd.exe, its console, shutdown.exe), which a
        # busy machine takes its time over.
        clicks = [(control, "cmd.exe /c shutdown -s -t %d" % seconds) for control, _, seconds in PRESETS]
        clicks.append(("取消快捷按钮关机", "cmd.exe /c shutdown -a"))
        for control, line in clicks:
            expected.append(line)
            d.click_until_started(control, len(expected))
            recorded = d.wait_recorded(len(expected))
        # In the order of the clicks; each cmd.exe then runs on its own.
        self.assertEqual(d.started(), [(SYSTEM_CMD, line) for line in expected])
        self.assertEqual(sorted(recorded), sorted(shutdown_line(line) for line in expected))
        self.assertEqual(d.recorded(self.work), [], "a program planted beside it ran")
        # 立刻关机 and No: nothing.
        d.click("立刻关机")
        self._answer("^是否要立即关机！？$", key="n")
        self.settle(1.5)
        self.assertEqual(len(d.recorded()), len(expected))

        # The other windows: fixed, with a close box only; the about window
        # does not disable the main one.
        d.click("关于")
        about = d.wait_window("^关于$")[0]
        self._assert_fixed_close_box_only(about, "the about window", (576, 197))
        d.close_by_keys(about)
        self.assertEqual(d.program_stderr().strip(), "")
        self.assertRunning()

    def test_countdown_after_selecting_by_drag(self):
        """A drag across the seconds box selects its text while the tray icon
        is there (no mouse move is taken for the icon's message); the count
        from 3 issues its line at zero."""
        d = self._start()
        d.wait_for(d.docked_icons, 30, "the tray icon")
        d.refresh_origin()
        x, y = d.point("Text1", dx=60)
        d.move_pointer(x, y)
        d.xdotool("mousedown", 1)
        for step in range(1, 8):
            d.xdotool("mousemove", "--sync", x - step * 9, y)
        d.xdotool("mouseup", 1)
        d.type("3")
        d.click("关机")
        d.click("开始计时")
        recorded = d.wait_recorded(1, timeout=15)
        self.assertEqual(recorded, ["shutdown -s -t 3"])
        self.assertEqual(d.started(), [(SYSTEM_CMD, "cmd.exe /c shutdown -s -t 3")])
        self.settle(1.5)
        self.assertEqual(len(d.recorded()), 1, "the count went on after zero")
        self.assertEqual(d.recorded(self.work), [], "a program planted beside it ran")
        self.assertRunning()

    def test_tray_hide_and_double_click_back(self):
        """最小化到任务栏 hides the window, its icon docks in the tray, a double
        click on the icon brings the window back. A taskbar that restarts
        takes the icon with it; it is added again when the new one
        announces itself. With no taskbar at all, 最小化到任务栏 minimises
        the window instead of hiding it with no icon to bring it back by."""
        d = self._start()
        d.wait_for(d.docked_icons, 30, "the tray icon")
        d.click("最小化到任务栏")
        self._answer("^最小化！$")
        d.wait_for(lambda: not self._main_visible(), 10, "the main window to hide")
        self.save_shot("windows-tray.png")
        d.click_icon(count=2)
        d.wait_for(self._main_visible, 10, "the main window to come back")
        self.assertEqual(len(d.docked_icons()), 1)
        # Once more, the same.
        d.find_main_window()
        d.click("最小化到任务栏")
        self._answer("^最小化！$")
        d.wait_for(lambda: not self._main_visible(), 10, "the main window to hide again")
        d.click_icon(count=2)
        d.wait_for(self._main_visible, 10, "the main window to come back again")

        # The taskbar restarts while the window is hidden.
        d.find_main_window()
        d.click("最小化到任务栏")
        self._answer("^最小化！$")
        d.wait_for(lambda: not self._main_visible(), 10, "the main window to hide a third time")
        self.assertEqual(d.taskbar_restart("lose", "VesperonNotifyIconWindow", "1"), 0)
        d.wait_for(lambda: not d.docked_icons(), 10, "the icon to go with the old taskbar")
        self.assertEqual(d.taskbar_restart("created"), 0)
        d.wait_for(d.docked_icons, 10, "the icon to come back with the new taskbar")
        d.click_icon(count=2)
        d.wait_for(self._main_visible, 10, "the main window to come back by the icon")
        self.assertEqual(len(d.docked_icons()), 1)

        # No taskbar: the window goes to the task bar, and is told so.
        d.end_taskbar()
        d.find_main_window()
        d.click("最小化到任务栏")
        self._answer("^最小化！$")
        d.wait_for(lambda: d.window_state(d.main_window) == "Iconic", 10, "the main window to be minimised")
        self.assertEqual(d.docked_icons(), [])
        self.assertRunning()

    def test_skin_in_gbk_and_next_start(self):
        """换肤 writes skin.txt in GBK, shows the skin, and the next start shows
        it too; the close box runs the closing animation and the program
        ends with status 0."""
        d = self._start()
        d.click("换肤")
        chooser = d.wait_window("^更换皮肤$")[0]
        self._assert_fixed_close_box_only(chooser, "the skin chooser", CHOOSER_SIZE)
        cx, cy = d.client_rect(chooser, *CHOOSER_SIZE)
        for what in ("大海主题", "确定"):
            x, y = CHOOSER[what]
            d.click_at(cx + x, cy + y)
        self._answer("^提示$")
        d.wait_no_window("^更换皮肤$")
        with open(os.path.join(self.work, "skin.txt"), "rb") as f:
            self.assertEqual(f.read(), GBK_SEA)
        self._assert_sea()

        # The close box: the window shrinks towards its top-left corner, and
        # the program ends with status 0.
        g = d.geometry(d.main_window)
        d.click_close_box(d.main_window)
        widths = []
        while d.app_running() and len(widths) < 200:
            now = d.geometry(d.main_window)
            if now:
                widths.append((now["X"], now["WIDTH"]))
            time.sleep(0.02)
        rc, _ = d.wait_exit(30)
        self.assertEqual(rc, 0)
        shrinking = [w for x, w in widths if w < g["WIDTH"] - 20]
        self.assertTrue(shrinking, "the window never got smaller: %r" % widths[:10])
        self.assertEqual({x for x, w in widths}, {g["X"]}, "the left edge moved")

        d.launch(cwd=self.work)
        self._assert_sea()
        self.assertRunning()

    def _assert_sea(self, timeout=10):
        """The window shows the sea, once it has been drawn: on a busy
        machine the screen may still show the picture before it a while."""
        d = self.desktop
        picture = os.path.join(self.work, "大海.jpg")
        expected = [d.pixel(x, y, picture) for x, y in SPOTS]
        deadline = time.monotonic() + timeout
        while True:
            shot = d.screenshot(os.path.join(d.tmp, "sea.png"))
            got = [d.client_pixel(x, y, shot) for x, y in SPOTS]
            if all(abs(a - b) <= 12 for g, e in zip(got, expected) for a, b in zip(g, e)):
                return
            if time.monotonic() > deadline:
                self.fail("at %r the window shows %s, the sea has %s" % (SPOTS, got, expected))
            time.sleep(0.2)

    def test_update_check_through_the_users_proxy(self):
        """检查更新 reaches the tests' server through the proxy set in the
        user's Windows proxy settings: two requests, 你不需要更新."""
        d = self._start()
        self.server.reply("4.5.0")
        self.server.clear()
        d.click("检查更新")
        window = d.wait_window("^(你需要更新|你不需要更新|检查更新失败)$", timeout=20)[0]
        self.assertEqual(d.window_name(window), "你不需要更新", d.program_stderr())
        self.assertEqual(self.server.gets(), [("GET", "http://update.example.org/gx.txt")] * 2)
        self._assert_fixed_close_box_only(window, "the update window", (300, 99))
        self.save_shot("windows-update.png")
        self.assertRunning()


if __name__ == "__main__":
    unittest.main(verbosity=2)
