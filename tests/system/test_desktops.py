"""System tests: the program on the full desktops its users run, headless.

    /usr/bin/python3 -m unittest -v tests/system/test_desktops.py

GNOME Shell 43 (with the AppIndicator extension, then without it) and KDE
Plasma 5.27 (KWin on Wayland, then KWin on X11), each in one session that
walks what a user meets: the program started with nothing set, the splash,
the main window and its title bar, the about window, the skin chooser, the
update check, a message box, "最小化到任务栏" and the way back, the close box.
What is checked comes from the compositor's own view of the windows
(position, keep-above, minimised, X11 or Wayland client, task bar).
"""

import json
import os
import signal
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.buses import SNI_WATCHER, activate_item, tray_items  # noqa: E402
from harness.gnome import APPINDICATOR, GnomeDesktop  # noqa: E402
from harness.plasma import PlasmaDesktop  # noqa: E402
from harness.processes import DesktopError  # noqa: E402
from harness.program import MAIN_TITLE, after  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402
from harness.ukui import UkuiDesktop  # noqa: E402
from harness.update_server import UpdateServer  # noqa: E402
from harness.x11 import MapWatch  # noqa: E402
from harness.xfce import XfceDesktop  # noqa: E402

SPLASH_SIZE = (503, 200)
CLIENT_SIZE = (246, 298)   # the main window below its title bar, menu bar included
TOLERANCE = 2              # pixels off the centre: rounding of odd sizes


class FullDesktopCase(DesktopTestCase):

    def start(self, kind, **kw):
        return self.start_desktop(launch=False, kind=kind, **kw)

    def run_walk(self, d, *args, **kw):
        """This class's walk, with a screenshot of the desktop should it fail."""
        try:
            self.walk(d, *args, **kw)
        except BaseException:
            # Kept after the desktop's folder goes: /tmp/vesperon-failed-<test>.png
            path = "/tmp/vesperon-failed-%s.png" % self.id().rsplit(".", 1)[-1]
            d.screenshot(path)
            print("the desktop when the walk failed: %s\n%s" % (path, d.describe()), file=sys.stderr)
            raise

    def schedule_preset(self, d, control="30分钟关机"):
        """Click a preset until logind has a shutdown scheduled; its
        (kind, usec). A click on a window just brought back (still in the
        shell's animation) or whose owner was just enabled again can go by,
        as it does for the user, who clicks again."""
        for attempt in range(3):
            d.click(control)
            try:
                return d.wait_for(lambda: (lambda s: s if s[0] and s[1] else None)(d.logind.scheduled_shutdown()),
                                  10, "the shutdown to be scheduled")
            except DesktopError:
                self.assertRunning(d)
                if attempt == 2:
                    raise

    def shot(self, name, window=None):
        """A screenshot, once the window (mutter's or KWin's view of it) shows
        its picture: a window whose first frame is not drawn yet is one flat
        colour."""
        d = self.desktop
        path = os.path.join(d.tmp, name)

        last = {}

        def drawn():
            d.screenshot(path)
            if window is None:
                return True
            crop = "%dx%d+%d+%d" % (window["width"], window["height"], window["x"], window["y"])
            colours = subprocess.run(["convert", path, "-crop", crop, "+repage", "-format", "%k", "info:"],
                                     capture_output=True, text=True, timeout=60, check=True).stdout
            if int(colours.strip() or 0) <= 16:
                return False
            last["drawn"] = True
            # Settled: no more than the clock's line changed since the last
            # look (a compositor may still be fading the window in).
            cropped = path + ".crop.png"
            subprocess.run(["convert", path, "-crop", crop, "+repage", cropped], timeout=60, check=True)
            with open(cropped, "rb") as f:
                before, last["crop"] = last.get("crop"), f.read()
            if before is None:
                return False
            with open(cropped + ".before.png", "wb") as f:
                f.write(before)
            out = subprocess.run(["compare", "-metric", "AE", "-fuzz", "8%", cropped + ".before.png", cropped,
                                  "null:"], capture_output=True, text=True, timeout=60)
            changed = float((out.stderr.split() or ["inf"])[0])
            return changed <= 0.03 * window["width"] * window["height"]
        try:
            d.wait_for(drawn, 20, "%s drawn" % name, interval=0.1)
        except DesktopError:
            # Drawn, but still moving (a notice sliding in on a busy
            # machine, then fading out): the picture is only for the eye.
            if not last.get("drawn"):
                raise
            print("%s: taken while the window still changed" % name, file=sys.stderr)
        folder = d.shots_dir()
        if folder:
            import shutil
            shutil.copy(path, os.path.join(folder, name))
        return path

    def assertCentred(self, w, area, what, scale=1):
        cx, cy = w["x"] + w["width"] / 2, w["y"] + w["height"] / 2
        ax, ay = area[0] + area[2] / 2, area[1] + area[3] / 2
        self.assertLessEqual(abs(cx - ax), TOLERANCE * scale, "%s not centred: %s in %s" % (what, w, area))
        self.assertLessEqual(abs(cy - ay), TOLERANCE * scale, "%s not centred: %s in %s" % (what, w, area))

    def assertOver(self, box, window, what):
        """A box over its window: centred on it across, inside it up and down."""
        self.assertLessEqual(abs((box["x"] + box["width"] / 2) - (window["x"] + window["width"] / 2)),
                             TOLERANCE, "%s not over its window: %s, %s" % (what, box, window))
        self.assertGreaterEqual(box["y"], window["y"], "%s above its window" % what)

    def assertFramedFixed(self, w, what):
        """The desktop's own frame, no maximise, no resizing: an X11 window."""
        self.assertEqual(w["client"], 1, "%s is no X11 window: %s" % (what, w))
        self.assertTrue(w["decorated"], "%s has no frame of the desktop's" % what)
        self.assertFalse(w["can_maximize"], "%s can be maximised" % what)
        self.assertFalse(w["resizeable"], "%s can be resized" % what)
        self.assertTrue(w["has_icon"], "%s has no icon of its own" % what)

    def minimise(self, d, tray, area):
        """"最小化到任务栏": the main window leaves the screen (hidden where
        there is a tray, minimised where there is none), and the notice that
        follows shows centred, not minimised with it. Returns the notice."""
        d.click("最小化到任务栏")
        notice = d.wait_focus("最小化！")
        d.wait_for(lambda: not d.window(MAIN_TITLE, showing=True), 10,
                   "the main window to leave the screen")
        main = d.window(MAIN_TITLE)
        if tray:
            self.assertIsNone(main, "hidden, so no longer managed")
        else:
            self.assertTrue(main["minimized"], main)
        self.assertFalse(notice["minimized"], notice)
        self.assertCentred(notice, area, "the notice")
        return notice


class GnomeTest(FullDesktopCase):

    def walk(self, d, tray):
        """From the start to the end of the program, with or without a tray."""
        server = self.enterContext(UpdateServer())
        server.reply("4.5.0")
        area = d.work_area()
        d.launch(wait_window=False, env={"http_proxy": server.proxy})

        # The splash: above the other windows and off the task bar, centred.
        splash = d.wait_for(lambda: [w for w in d.windows()
                                     if (w["width"], w["height"]) == SPLASH_SIZE and w["showing"]],
                            20, "the splash", interval=0.05)[0]
        self.assertEqual(splash["client"], 1, splash)
        self.assertTrue(splash["above"], splash)
        self.assertTrue(splash["skip_taskbar"], splash)
        self.assertFalse(splash["decorated"], splash)
        self.assertCentred(splash, area, "the splash")

        # The main window: mutter's frame, the title whole, close box only.
        main = d.find_main_window()
        self.assertFramedFixed(main, "the main window")
        self.assertEqual(main["width"], CLIENT_SIZE[0], main)
        self.assertGreater(main["height"], CLIENT_SIZE[1], main)  # a title bar on top
        self.assertFalse(main["skip_taskbar"])
        self.assertCentred(main, area, "the main window")
        self.shot("gnome-main%s.png" % ("" if tray else "-no-tray"), main)

        if tray:
            for spot, title in (("关于", "关于"), ("换肤", "更换皮肤"), ("检查更新", "你不需要更新")):
                d.click(spot)
                w = d.wait_window(title)
                self.assertFramedFixed(w, title)
                self.assertCentred(w, area, title)
                if title == "更换皮肤":
                    self.shot("gnome-chooser.png", w)
                d.close_window(title)
                d.wait_for(lambda: not d.window(title), 10, "%s to close" % title)
                d.wait_focus(MAIN_TITLE)
            d.click("说明")
            box = d.wait_focus("说明")
            self.assertOver(box, d.window(MAIN_TITLE), "the box")
            d.key("Return")
            d.wait_for(lambda: not d.window("说明"), 10, "the box to close")

        # 最小化到任务栏: the window leaves the screen, the notice shows.
        notice = self.minimise(d, tray, area)
        if not tray:
            self.assertFalse(d.window(MAIN_TITLE)["skip_taskbar"])
        self.shot("gnome-minimised%s.png" % ("" if tray else "-no-tray"), notice)
        d.key("Return")
        d.wait_for(lambda: not d.window("最小化！"), 10, "the notice to close")

        # And back: one click on the tray icon, or Alt+Tab.
        if tray:
            items = tray_items(d.session_bus)
            self.assertEqual(len(items), 1, items)
            activate_item(d.session_bus, items[0])
        else:
            d.compositor_key("alt+Tab")
        main = d.wait_focus(MAIN_TITLE)
        self.assertFalse(main["minimized"])
        self.assertCentred(main, area, "the main window brought back")

        if tray:
            # A preset, then its cancel: the shell shows the notices, one
            # in place of the other.
            when = self.schedule_preset(d)[1]
            text = after("将于", when, "%H:%M") + " 关机"
            d.wait_for(lambda: self.gnome_notices(d) == [["关机工具", text]], 10,
                       "the shell to show %r: %s" % (text, self.gnome_notices(d)))
            self.shot("gnome-notice.png")
            d.click("取消快捷按钮关机")
            cancelled = after("原定于", when, "%H:%M") + " 的关机已取消"
            d.wait_for(lambda: self.gnome_notices(d) == [["关机工具", cancelled]], 10,
                       "the shell to show %r: %s" % (cancelled, self.gnome_notices(d)))
            self.assertNotIn("no desktop notification", d.stderr_text())
            d.wait_for(lambda: not d.notice_windows(), 60, "the notice to go")

        # The close box: the window shrinks, the program ends with status 0.
        main = d.window(MAIN_TITLE)
        widths = set()

        def shrinking():
            w = d.window(MAIN_TITLE)
            if w:
                widths.add(w["width"])
            return not d.app_running() or (w and w["width"] < main["width"])
        # mutter lets a click on a frame go by now and then while it moves
        # its pointer grabs after a change of focus (the click never reaches
        # the program, so nothing of the program's is at fault): the user
        # clicks again, so does the test, at most twice.
        for attempt in range(3):
            t0 = d.click_at(main["x"] + main["width"] - 19, main["y"] + 18)
            try:
                d.wait_for(shrinking, 5, "the window to shrink", interval=0.02)
                break
            except DesktopError:
                if attempt == 2:
                    raise
        while d.app_running() and time.time() - t0 < 10:
            shrinking()
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        self.assertTrue(any(w < main["width"] for w in widths), "no smaller window seen: %s" % widths)
        self.assertGreater(t1 - t0, 0.6, "ended before the animation could run")

    @staticmethod
    def gnome_notices(d):
        """The notices the shell holds: [summary, body] of each."""
        return json.loads(d.eval("JSON.stringify([].concat(...imports.ui.main.messageTray.getSources()"
                                 ".map(s => s.notifications.map(n => [n.title, n.bannerBodyText]))))") or "[]")

    def test_gnome_with_and_without_appindicator(self):
        d = self.start(GnomeDesktop, appindicator=True)
        d.wait_for(lambda: d.session_bus.name_has_owner(SNI_WATCHER), 20, "the AppIndicator tray")
        self.run_walk(d, tray=True)
        d.set_extension(APPINDICATOR, False)
        d.wait_for(lambda: not d.session_bus.name_has_owner(SNI_WATCHER), 20, "no tray")
        self.run_walk(d, tray=False)


class PlasmaTest(FullDesktopCase):

    def assertKWinFramed(self, w, what):
        """KWin's frame, no maximise, no resizing, an X11 window with its icon.
        (KWin keeps a minimise button on every window, whatever it is asked.)"""
        d = self.desktop
        self.assertEqual(w["client"], 1, "%s is no X11 window: %s" % (what, w))
        self.assertTrue(w["decorated"], "%s has no frame of KWin's" % what)
        self.assertFalse(w["can_maximize"], "%s can be maximised" % what)
        self.assertFalse(w["resizeable"], "%s can be resized" % what)
        self.assertTrue(d.has_icon(w["window_id"]), "%s has no icon of its own" % what)

    def walk(self, d, tray, name):
        server = self.enterContext(UpdateServer())
        server.reply("4.5.0")
        d.launch(wait_window=False, env={"http_proxy": server.proxy})

        splash = d.wait_for(lambda: [w for w in d.windows()
                                     if (w["width"], w["height"]) == SPLASH_SIZE and w["showing"]],
                            20, "the splash", interval=0.05)[0]
        area = d.work_area()
        self.assertEqual(splash["client"], 1, splash)
        self.assertTrue(splash["above"], splash)
        self.assertTrue(splash["skip_taskbar"], splash)
        self.assertFalse(splash["decorated"], splash)
        self.assertCentred(splash, area, "the splash")

        main = d.find_main_window()
        self.assertKWinFramed(main, "the main window")
        self.assertFalse(main["skip_taskbar"])
        self.assertCentred(main, area, "the main window")
        self.shot("%s-main.png" % name, main)

        for spot, title in (("关于", "关于"), ("换肤", "更换皮肤"), ("检查更新", "你不需要更新")):
            d.click(spot)
            w = d.wait_window(title)
            self.assertKWinFramed(w, title)
            self.assertCentred(w, area, title)
            d.close_window(title)
            d.wait_for(lambda: not d.window(title), 10, "%s to close" % title)
            d.wait_focus(MAIN_TITLE)
        d.click("说明")
        box = d.wait_focus("说明")
        self.assertOver(box, d.window(MAIN_TITLE), "the box")
        d.key("Return")
        d.wait_for(lambda: not d.window("说明"), 10, "the box to close")
        d.wait_focus(MAIN_TITLE)

        notice = self.minimise(d, tray, area)
        self.shot("%s-minimised.png" % name, notice)
        d.key("Return")
        d.wait_for(lambda: not d.window("最小化！"), 10, "the notice to close")

        if tray:
            items = tray_items(d.session_bus)
            self.assertEqual(len(items), 1, items)
            activate_item(d.session_bus, items[0])
        else:
            d.activate(MAIN_TITLE)
        main = d.wait_focus(MAIN_TITLE)
        self.assertFalse(main["minimized"])
        self.assertCentred(main, area, "the main window brought back")

        # A preset: plasmashell's notification server takes the notice.
        self.schedule_preset(d)
        d.click("取消快捷按钮关机")
        d.wait_for(lambda: not d.logind.scheduled_shutdown()[0], 10, "the shutdown to be cancelled")
        self.settle(1.0)
        self.assertNotIn("no desktop notification", d.stderr_text())

        # KWin's close (its close box, Alt+F4): the animation, status 0.
        t0 = time.time()
        d.close_window(MAIN_TITLE)
        widths = set()
        while d.app_running() and time.time() - t0 < 10:
            w = d.window(MAIN_TITLE)
            if w:
                widths.add(w["width"])
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        self.assertTrue(any(w < main["width"] for w in widths), "no smaller window seen: %s" % widths)
        self.assertGreater(t1 - t0, 0.6, "ended before the animation could run")

    def test_plasma_wayland_session(self):
        """KWin on Wayland with plasmashell's panel and tray."""
        d = self.start(PlasmaDesktop, wayland=True, shell=True)
        self.run_walk(d, tray=True, name="plasma")

    def test_plasma_x11_session(self):
        """KWin on X11 with plasmashell's panel and tray."""
        d = self.start(PlasmaDesktop, wayland=False, shell=True)
        self.run_walk(d, tray=True, name="plasma-x11")


class X11SessionTest(FullDesktopCase):
    """UKUI and Xfce on X11, each walked at its own scale of 1, then of 2:
    what they tell of the windows is the window manager's (xprop)."""

    def walk(self, d, name, scale):
        d.scale = scale
        if scale > 1:
            d.set_scale(scale)
        area = d.work_area()
        watch = MapWatch(d)
        self.addCleanup(watch.stop)
        t0 = time.monotonic()
        d.launch(wait_window=False)

        # The splash, held while it is looked at (it shows for a second):
        # above the other windows, off the task bar, no frame, centred.
        size = "%dx%d" % (SPLASH_SIZE[0] * scale, SPLASH_SIZE[1] * scale)
        # A window manager kept busy (UKUI's settings daemon spins on Xvfb)
        # may not map it within its second at all: the program then takes it
        # back unseen (its unmap, sent to the root, comes alone).
        shown = watch.wait("the splash at %dx" % scale,
                           lambda e: e[1] in ("map", "unmap") and e[3] == "vesperon" and e[4] == size, t0)
        if shown[1] == "map":
            d.signal(signal.SIGSTOP)
            try:
                splash = d.wait_for(lambda: [w for w, g in d.shown_windows("--classname", "vesperon")
                                             if "%dx%d" % (g["WIDTH"], g["HEIGHT"]) == size], 10, "the splash")[0]
                d.wait_for(lambda: "ABOVE" in d.net_wm_state(splash), 10, "the splash above the others")
                self.assertIn("SKIP_TASKBAR", d.net_wm_state(splash))
                self.assertFalse(d.outer(splash)["framed"])
                self.assertCentred(d.outer(splash), area, "the splash", scale)
            finally:
                d.signal(signal.SIGCONT)
            watch.wait("the splash gone", lambda e: e[1] == "unmap" and e[2] == shown[2], shown[0])
        else:
            print("%s at %dx: the window manager did not map the splash within its second" % (name, scale),
                  file=sys.stderr)

        # The main window: the window manager's frame, centred with it.
        d.find_main_window()
        main = d.outer(d.main_window)
        self.assertTrue(main["framed"], main)
        self.assertCentred(main, area, "the main window", scale)
        self.shot("%s-main%s.png" % (name, "" if scale == 1 else "-2x"), main)

        # The chooser stays in front of a click on the main window it disables.
        d.click("换肤")
        chooser = d.wait_window("^更换皮肤$")[0]
        d.click_at(main["x"] + 20 * scale, main["y"] + main["height"] - 12 * scale)
        self.settle(1.0)
        d.wait_for(lambda: (lambda s: chooser in s and s.index(chooser) > s.index(d.main_window))(d.stacking()),
                   10, "the chooser in front of the main window: %s" % d.stacking())
        # Closed with Alt+F4: ukwm lets the first one after a click on the
        # disabled main window go to that window (which does nothing).
        for attempt in range(3):
            d.activate(chooser)
            d.key("alt+F4")
            try:
                d.wait_for(lambda: d.outer(chooser) is None and not d.search("^更换皮肤$"), 5, "the chooser to close")
                break
            except DesktopError:
                if attempt == 2:
                    raise

        if scale == 1:
            # A preset's notice, from the desktop's own notification server.
            # Its window, as polled or as the map watch saw it come: on a
            # busy machine one poll of all the windows can outlast a notice.
            since = time.monotonic()
            self.schedule_preset(d)
            notice = d.wait_for(lambda: d.notice_windows() or [
                e[2] for e in list(watch.events)
                if e[0] >= since and e[1] == "map" and e[3].lower() in d.NOTICE_SERVER_CLASSES],
                60, "the desktop's notice")[0]  # late on a busy UKUI
            place = d.outer(notice)
            if place is not None:
                self.shot("%s-notice.png" % name, place)
            else:  # shown, and gone again before a busy machine took its picture
                print("%s: the notice went before its picture was taken" % name, file=sys.stderr)
            d.click("取消快捷按钮关机")
            d.wait_for(lambda: not d.logind.scheduled_shutdown()[0], 10, "the shutdown to be cancelled")
            self.assertNotIn("no desktop notification", d.stderr_text())
            d.wait_for(lambda: not d.notice_windows(), 60, "the notice to go")
            # 最小化到任务栏, and one click on the tray icon brings it back.
            d.click("最小化到任务栏")
            box = d.wait_window("^最小化！$")[0]
            d.activate(box)
            d.key("Return")
            d.wait_for(lambda: not d.search(MAIN_TITLE), 10, "the main window hidden")
            items = d.wait_for(lambda: tray_items(d.session_bus), 10, "the program's tray item")
            self.assertEqual(len(items), 1, items)
            activate_item(d.session_bus, items[0])
            d.wait_for(lambda: d.search(MAIN_TITLE), 30, "the main window back")

        # The close box: the animation, and status 0.
        d.activate(d.main_window)
        t0 = time.time()
        d.key("alt+F4")
        rc, t1 = d.wait_exit(10)
        self.assertEqual(rc, 0, d.describe())
        self.assertGreater(t1 - t0, 0.6, "ended before the animation could run")

    def test_xfce_session(self):
        """Xfce 4.18, at its Window Scaling of 1, then of 2 (set while it runs)."""
        d = self.start(XfceDesktop)
        self.run_walk(d, "xfce", 1)
        self.run_walk(d, "xfce", 2)

    def test_ukui_session(self):
        """UKUI 3.0 at a scale of 1, then in a session at a scale of 2."""
        first = self.start(UkuiDesktop)
        self.run_walk(first, "ukui", 1)
        self.no_sanitizer_reports(first)
        first.stop()
        self.run_walk(self.start(UkuiDesktop, scale=2), "ukui", 2)


if __name__ == "__main__":
    unittest.main(verbosity=2)
