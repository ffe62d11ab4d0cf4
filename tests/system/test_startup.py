"""System tests: how the real program starts.

    /usr/bin/python3 -m unittest -v tests/system/test_startup.py
"""

import os
import re
import signal
import stat
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.program import DEFAULT_BIN, MAIN_TITLE_PATTERN  # noqa: E402
from harness.testcase import DesktopTestCase  # noqa: E402

ROOT_COLOUR = (0x3a, 0x6e, 0xa5)   # the desktop's root colour (harness/x11.py)
KEY = (88, 88, 88)
FORUM = "http://bbs.example.org/?fromuid=10001"

BINARY = os.environ.get("VESPERON_BIN", DEFAULT_BIN)


class NoDisplayTest(unittest.TestCase):
    """Without a display the program says so in one line and exits 1."""

    def _run(self, **extra):
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LANG": "C.UTF-8"}
        env.update(extra)
        with tempfile.TemporaryDirectory() as tmp:
            env["HOME"] = tmp
            env["XDG_RUNTIME_DIR"] = tmp
            r = subprocess.run([BINARY], env=env, cwd=tmp, capture_output=True,
                               timeout=30)
        return r.returncode, r.stderr.decode("utf-8", "replace"), r.stdout

    def _check(self, rc, err, out, *words):
        self.assertEqual(rc, 1, "exit status %r (a negative one is a signal)\n%s" % (rc, err))
        lines = err.splitlines()
        self.assertEqual(len(lines), 1, "not one line:\n" + err)
        self.assertTrue(lines[0].startswith("vesperon: "), lines[0])
        for word in ("显示", "display") + words:
            self.assertIn(word, lines[0])
        self.assertEqual(out, b"")

    def test_no_display_at_all(self):
        self._check(*self._run(), "DISPLAY", "WAYLAND_DISPLAY")

    def test_display_without_a_server(self):
        self._check(*self._run(DISPLAY=":93"), ":93")

    def test_wayland_display_without_a_compositor(self):
        self._check(*self._run(WAYLAND_DISPLAY="nobody-here", QT_QPA_PLATFORM="wayland"))

    def test_display_of_256_colours(self):
        """A display of 8 bits a pixel, where Qt's style cannot paint: one
        line and status 1, not a crash."""
        rfd, wfd = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(wfd), "-screen", "0", "640x480x8",
                                 "-nolisten", "tcp"], pass_fds=(wfd,),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.addCleanup(xvfb.wait)
        self.addCleanup(xvfb.kill)
        os.close(wfd)
        with os.fdopen(rfd) as f:
            display = ":" + f.readline().strip()
        self._check(*self._run(DISPLAY=display), "8")


class SplashTest(DesktopTestCase):

    def _program_windows(self, d):
        """Visible windows of the program: [(id, geometry)]."""
        return d.shown_windows("--pid", d.app.pid, "--classname", "vesperon")

    def test_splash_then_main_window(self):
        """The first window: 503 × 200, undecorated, centred, above, keyed;
        after about a second it goes, and only then the main window comes."""
        d = self.start_desktop(launch=False)
        d.launch(wait_window=False)
        splash = d.wait_for(lambda: [w for w in self._program_windows(d)
                                     if (w[1]["WIDTH"], w[1]["HEIGHT"]) == (503, 200)],
                            20, "the splash window", interval=0.02)
        seen = time.monotonic()
        wid, g = splash[0]
        self.assertEqual(len(self._program_windows(d)), 1, "the splash is not alone")
        self.assertFalse(d.search(MAIN_TITLE_PATTERN), "the main window is already there")
        self.assertEqual(d.frame_extents(wid), (0, 0, 0, 0), "the splash has a frame")
        self.assertLessEqual(abs(g["X"] + 503 / 2 - 512), 2, g)
        self.assertLessEqual(abs(g["Y"] + 200 / 2 - 384), 2, g)
        state = subprocess.run(["xprop", "-id", str(wid), "_NET_WM_STATE"], env=d.env(),
                               capture_output=True, text=True).stdout
        self.assertIn("_NET_WM_STATE_ABOVE", state)

        # Over the plain root colour: the strip beyond the picture is the
        # desktop's, and no pixel of the key colour shows anywhere.
        shot = d.screenshot(os.path.join(d.tmp, "splash.png"))
        self.save_shot("splash.png")
        crop = os.path.join(d.tmp, "splash-crop.ppm")
        subprocess.run(["convert", shot, "-crop", "503x200+%d+%d" % (g["X"], g["Y"]), "+repage",
                        "-depth", "8", crop], check=True, timeout=60)
        width, height, pixels = read_ppm(crop)
        self.assertEqual((width, height), (503, 200))
        key = sum(1 for i in range(0, len(pixels), 3) if tuple(pixels[i:i + 3]) == KEY)
        self.assertEqual(key, 0, "%d pixels of the key colour show" % key)
        for x in (500, 501, 502):
            for y in (0, 50, 100, 199):
                i = (y * width + x) * 3
                self.assertEqual(tuple(pixels[i:i + 3]), ROOT_COLOUR, "strip at %d,%d" % (x, y))
        # The picture itself is there.
        i = (100 * width + 250) * 3
        self.assertNotEqual(tuple(pixels[i:i + 3]), ROOT_COLOUR)
        # On X11 without a compositor the key is cut out of the window's shape.
        self.assertEqual(shape_extents(d, wid), (500, 200), "the splash's shape")

        # Watch the hand-over: never both windows at once.
        deadline = time.monotonic() + 10
        both = []
        gone = None
        while time.monotonic() < deadline:
            # The main window first: the program takes the splash away before
            # it shows the main window, so the splash still there after the
            # main window was seen means both were up at once.
            main_now = bool(d.search(MAIN_TITLE_PATTERN))
            splash_now = any((w[1]["WIDTH"], w[1]["HEIGHT"]) == (503, 200) for w in self._program_windows(d))
            if splash_now and main_now:
                both.append(time.monotonic() - seen)
            if not splash_now and gone is None:
                gone = time.monotonic()
            if main_now and not splash_now:
                break
            time.sleep(0.01)
        self.assertEqual(both, [], "the splash and the main window were shown together")
        self.assertIsNotNone(gone, "the splash did not go")
        self.assertGreater(gone - seen, 0.6)
        self.assertLess(gone - seen, 2.0)
        d.find_main_window()
        shown = time.monotonic()
        jpeg_code = code_kib(d.app.pid, "/libjpeg.so")
        self.assertGreater(jpeg_code, 0)
        g = d.geometry(d.main_window)
        top = g["Y"] + g["HEIGHT"] - 278 + 200

        def clock_line():
            shot = d.screenshot(os.path.join(d.tmp, "clock.png"))
            crop = os.path.join(d.tmp, "clock.ppm")
            subprocess.run(["convert", shot, "-crop", "241x17+%d+%d" % (g["X"], top), "+repage",
                            "-depth", "8", crop], check=True, timeout=60)
            return read_ppm(crop)[2]
        first = clock_line()
        d.wait_for(lambda: clock_line() != first, 10, "the clock line to change")
        # Once the start is over only the heap's free pages go back to the
        # system: no page mapped from a file is dropped (one of relocated
        # data that was swapped out would come back as the file's bytes).
        time.sleep(max(0.0, 7.0 - (time.monotonic() - shown)))
        self.assertGreaterEqual(code_kib(d.app.pid, "/libjpeg.so"), jpeg_code)
        self.assertRunning()


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    m = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", data)
    return int(m.group(1)), int(m.group(2)), data[m.end():]


def code_kib(pid, name):
    """Resident kibibytes of the process's code from files whose path holds
    `name`."""
    total, counting = 0, False
    with open("/proc/%d/smaps" % pid) as f:
        for line in f:
            fields = line.split()
            if "-" in fields[0] and not fields[0].endswith(":"):
                counting = len(fields) >= 6 and fields[1] == "r-xp" and name in fields[5]
            elif counting and fields[0] == "Rss:":
                total += int(fields[1])
    return total


def shape_extents(d, wid):
    """(width, height) of the window's bounding shape."""
    r = subprocess.run(["xwininfo", "-shape", "-id", str(wid)], env=d.env(),
                       capture_output=True, text=True)
    m = re.search(r"Window shape extents:\s*(\d+)x(\d+)", r.stdout)
    return (int(m.group(1)), int(m.group(2))) if m else None


def catches(pid, number):
    """Whether the process has a handler of its own for the signal."""
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("SigCgt:"):
                return bool(int(line.split()[1], 16) & (1 << (number - 1)))
    return False


class HostileStartTest(DesktopTestCase):

    def test_closed_stderr_and_a_fifo(self):
        """Started with standard error closed and skin.txt a FIFO, with no
        logind: the error lines go nowhere, not into the display's
        connection; the window comes and answers, SIGTERM ends it."""
        d = self.start_desktop(launch=False, logind=None)
        os.mkfifo(os.path.join(d.tmp, "skin.txt"))
        d.launch(binary="/bin/sh", args=["-c", 'exec "$0" 2>&-', BINARY])
        d.click("1小时关机")  # fails: a line on the closed standard error
        d.wait_window("^错误$")
        d.click("说明")
        d.wait_window("^说明$")
        d.signal(signal.SIGTERM)
        rc, _ = d.wait_exit(10)
        self.assertEqual(rc, 0)

    def test_early_signals(self):
        """SIGTERM or SIGHUP before there is a window (the display not
        answering yet): status 0 at once, not death by the signal."""
        for number in (signal.SIGTERM, signal.SIGHUP):
            with self.subTest(signal=number):
                d = self.start_desktop(launch=False)
                d.hang("xvfb")
                d.launch(wait_window=False)
                d.wait_for(lambda: catches(d.app.pid, number), 10, "the program to listen for it")
                d.signal(number)
                rc, _ = d.wait_exit(10)
                self.assertEqual(rc, 0, d.describe())
                d.hang("xvfb", hang=False)
                d.stop()

    def test_hung_session_bus(self):
        """The session bus hangs (Qt's accessibility waits on it): nothing
        shows, but SIGTERM still ends the program, with status 0."""
        d = self.start_desktop(launch=False)
        d.hang("session-bus")
        d.launch(wait_window=False)
        d.wait_for(lambda: catches(d.app.pid, signal.SIGALRM), 20, "the program to listen for signals")
        time.sleep(1.0)
        t0 = d.signal(signal.SIGTERM)
        rc, t1 = d.wait_exit(20)
        self.assertEqual(rc, 0, d.describe())
        self.assertLess(t1 - t0, 5 + 3)


class InfoTest(DesktopTestCase):

    def _menu(self, d, item):
        d.refresh_origin()
        d.click(item)

    def test_registration_opens_the_forum_in_the_browser(self):
        """给我工资: the box, then exactly one address to the browser."""
        d = self.start_desktop(launch=False)
        record = os.path.join(d.tmp, "browser.txt")
        browser = os.path.join(d.tmp, "browser")
        with open(browser, "w") as f:
            f.write("#!/bin/sh\nprintf '%%s\\n' \"$*\" >> %s\n" % record)
        os.chmod(browser, stat.S_IRWXU)
        # No desktop is detected, so xdg-open hands the address to $BROWSER.
        d.launch(env={"BROWSER": browser})
        self._menu(d, "给我工资")
        box = d.wait_window("^Vesperon$")
        time.sleep(1.0)
        self.assertFalse(os.path.exists(record), "the browser started before the box was closed")
        d.activate(box[0])
        d.key("Return")
        d.wait_for(lambda: os.path.exists(record), 10, "the browser to be started")
        time.sleep(1.0)
        with open(record) as f:
            self.assertEqual(f.read().splitlines(), [FORUM])
        self.assertRunning()

    def test_about_window(self):
        """关于 opens one window; 确定 closes it."""
        d = self.start_desktop()
        self._menu(d, "关于")
        wins = d.wait_window("^关于$")
        self.save_shot("about.png")
        self._menu(d, "关于")
        time.sleep(0.8)
        self.assertEqual(len(d.search("^关于$")), 1)
        g = d.geometry(wins[0])
        self.assertEqual((g["WIDTH"], g["HEIGHT"]), (576, 197))
        # 确定 at (448, 160, 97, 25) in its client area.
        d.click_at(g["X"] + 448 + 48, g["Y"] + 160 + 12)
        d.wait_no_window("^关于$")
        self.assertRunning()


if __name__ == "__main__":
    unittest.main(verbosity=2)
