"""System tests: skins, with the real program.

    /usr/bin/python3 -m unittest -v tests/system/test_skins.py

The program is copied into a program folder of the test's own, with
pictures of plain colours as its three skins, and started from a working
folder that holds (or does not hold) "skin.txt" in GBK.
"""

import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.testcase import DesktopTestCase  # noqa: E402

CHOOSER_TITLE = "^更换皮肤$"
NOTICE_TITLE = "^提示$"
HINT_TITLE = "^自定义换肤$"
# Where the picture shows in the client area, clear of controls and texts.
SPOTS = [(2, 188), (243, 40)]
COLOURS = {"星空": (220, 30, 30), "天空": (30, 200, 30), "大海": (30, 30, 220)}
GBK = {"星空": b"\xd0\xc7\xbf\xd5\r\n", "天空": b"\xcc\xec\xbf\xd5\r\n", "大海": b"\xb4\xf3\xba\xa3\r\n"}
# The chooser's controls, in its client area (pixels).
CHOOSER = {"星空主题": (24 + 8, 32 + 12), "大海主题": (24 + 8, 64 + 12), "天空主题": (24 + 8, 104 + 8),
           "确定": (104, 152), "hint": (60, 184)}


def jpeg(colour, size="480x720", quality=95):
    return subprocess.run(["convert", "-size", size, "xc:rgb(%d,%d,%d)" % colour,
                           "-quality", str(quality), "jpg:-"],
                          capture_output=True, check=True, timeout=60).stdout


def plain_skins():
    return {name + ".jpg": jpeg(colour) for name, colour in COLOURS.items()}


def huge_jpeg():
    """A small JPEG whose frame header says 30000 × 30000."""
    data = bytearray(jpeg((30, 30, 220), size="64x64"))
    sof = data.find(b"\xff\xc0")
    data[sof + 5:sof + 9] = (30000).to_bytes(2, "big") * 2
    return bytes(data)


def endless_jpeg(repeats=3000):
    """A progressive JPEG of 2000 × 2000 that repeats one short scan (one
    that refines the AC coefficients, the slowest kind): some 40 KB that
    would take libjpeg ten seconds to decode."""
    data = subprocess.run(["convert", "-size", "2000x2000", "xc:gray", "-interlace", "Plane",
                           "-quality", "50", "jpg:-"], capture_output=True, check=True, timeout=60).stdout
    scans, i = [], 2
    while data[i + 1] != 0xD9:
        length = int.from_bytes(data[i + 2:i + 4], "big")
        if data[i + 1] != 0xDA:
            i += 2 + length
            continue
        j = i + 2 + length  # the scan's coded data runs to the next marker
        while not (data[j] == 0xFF and data[j + 1] != 0 and not 0xD0 <= data[j + 1] <= 0xD7):
            j += 1
        first, refinement = data[i + 2 + length - 3], data[i + 2 + length - 1] >> 4
        if first > 0 and refinement > 0:
            scans.append((i, j))
        i = j
    start, end = min(scans, key=lambda s: s[1] - s[0])
    return data[:scans[-1][1]] + data[start:end] * repeats + b"\xff\xd9"


class SkinsTest(DesktopTestCase):

    def _start(self, skin=None, pictures=None):
        d = self.start_desktop(launch=False)
        self.work = os.path.join(d.tmp, "work")
        os.mkdir(self.work)
        if skin is not None:
            with open(os.path.join(self.work, "skin.txt"), "wb") as f:
                f.write(skin)
        self.program = d.program_copy(plain_skins() if pictures is None else pictures)
        return d

    def _launch(self):
        d = self.desktop
        t0 = time.monotonic()
        d.launch(binary=self.program, cwd=self.work)
        return time.monotonic() - t0

    def _assert_colour(self, expected, tolerance=12):
        d = self.desktop
        shot = d.screenshot(os.path.join(d.tmp, "colour.png"))
        for x, y in SPOTS:
            got = d.client_pixel(x, y, shot)
            self.assertTrue(all(abs(a - b) <= tolerance for a, b in zip(got, expected)),
                            "at %d,%d the window shows %s, not %s" % (x, y, got, expected))

    def _skin_file(self):
        with open(os.path.join(self.work, "skin.txt"), "rb") as f:
            return f.read()

    def _chooser_click(self, wid, what):
        g = self.desktop.geometry(wid)
        x, y = CHOOSER[what]
        self.desktop.click_at(g["X"] + x, g["Y"] + y)

    def _open_chooser(self):
        d = self.desktop
        d.refresh_origin()
        d.click("换肤")
        wins = d.wait_window(CHOOSER_TITLE)
        self.assertEqual(len(wins), 1, wins)
        return wins[0]

    def _stacking(self):
        """The windows the window manager manages, bottom to top."""
        out = self.desktop.xprop("-root", "_NET_CLIENT_LIST_STACKING")
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", out)]

    def _answer(self, title):
        d = self.desktop
        box = d.wait_window(title)
        d.activate(box[0])
        d.key("Return")
        d.wait_no_window(title)

    def test_stored_skin_at_start(self):
        """"大海" in skin.txt: the window starts with 大海.jpg."""
        self._start(GBK["大海"])
        self._launch()
        self._assert_colour(COLOURS["大海"])
        self.assertRunning()

    def test_choose_remember_restart(self):
        """The chooser puts the picture on at once, writes skin.txt, and a
        restart keeps it."""
        d = self._start()
        self._launch()
        chooser = self._open_chooser()
        self.save_shot("chooser.png")
        # The main window takes no clicks while the chooser is open.
        d.click("1小时关机")
        self.settle(0.8)
        self.assertEqual(d.logind.calls("ScheduleShutdown"), [], "the disabled main window took a click")
        self._chooser_click(chooser, "hint")
        self._answer(HINT_TITLE)
        self.assertTrue(d.search(CHOOSER_TITLE), "the hint closed the chooser")
        self._chooser_click(chooser, "天空主题")
        self._chooser_click(chooser, "确定")
        self._answer(NOTICE_TITLE)
        d.wait_no_window(CHOOSER_TITLE)
        self._assert_colour(COLOURS["天空"])
        self.assertEqual(self._skin_file(), GBK["天空"])
        d.click("1小时关机")  # the main window works again
        self.assertEqual(len(d.logind.wait_calls("ScheduleShutdown", 1)), 1)

        d.stop_program()
        self._launch()
        self._assert_colour(COLOURS["天空"])
        self.assertRunning()

    def test_chooser_close_box_changes_nothing(self):
        d = self._start(GBK["大海"])
        self._launch()
        chooser = self._open_chooser()
        self._chooser_click(chooser, "星空主题")
        # The main window is disabled while the chooser is open, and the
        # chooser is its own (WM_TRANSIENT_FOR): clicked, and its close box
        # clicked, the main window does nothing, and the chooser, which
        # openbox buried under it, comes to the front again.
        self.assertIn("%#x" % d.main_window, d.xprop("-id", chooser, "WM_TRANSIENT_FOR"))
        size = d.geometry(d.main_window)
        for x, y in ((size["X"] + 20, size["Y"] + 285), (size["X"] + size["WIDTH"] - 11, size["Y"] - 10)):
            d.click_at(x, y)
            self.settle(1.0)
            d.wait_for(lambda: self._stacking()[-1:] == [chooser] and d.active_window() == chooser, 10,
                       "the chooser in front: %s" % self._stacking())
        self.assertRunning()
        self.assertEqual(d.geometry(d.main_window), size, "the closing animation ran")
        d.close_by_keys(chooser)
        self.assertEqual(self._skin_file(), GBK["大海"])
        self._assert_colour(COLOURS["大海"])
        d.click("1小时关机")
        self.assertEqual(len(d.logind.wait_calls("ScheduleShutdown", 1)), 1)
        self.assertRunning()

    def test_program_folder_named_in_gbk(self):
        """The program unpacked into a folder whose Chinese name is in GBK
        (no UTF-8): its pictures are found all the same."""
        d = self.start_desktop(launch=False)
        self.work = os.path.join(d.tmp, "work")
        os.mkdir(self.work)
        with open(os.path.join(self.work, "skin.txt"), "wb") as f:
            f.write(GBK["天空"])
        self.program = d.program_copy(plain_skins(), folder="关机工具".encode("gbk"))
        self._launch()
        self._assert_colour(COLOURS["天空"])
        self.assertNotIn("not loaded", d.stderr_text())
        self.assertRunning()

    def test_full_disk_keeps_the_stored_skin(self):
        """skin.txt on a full disk (a tmpfs of one page, in a mount namespace
        of the program's own): choosing another skin shows it, says it could
        not be kept, and the file still holds the old name."""
        d = self._start(GBK["大海"])
        disk = os.path.join(d.tmp, "disk")
        os.mkdir(disk)
        script = ('mount -t tmpfs -o size=4k tmpfs "$1" && cp skin.txt "$1/" && cd "$1" && '
                  'exec "$0"')
        d.launch(binary="/usr/bin/unshare", cwd=self.work,
                 args=["--mount", "--propagation", "private", "sh", "-c", script, self.program, disk])
        self._assert_colour(COLOURS["大海"])
        chooser = self._open_chooser()
        self._chooser_click(chooser, "天空主题")
        self._chooser_click(chooser, "确定")
        self._answer(NOTICE_TITLE)
        error = d.wait_window("^错误$")
        self.save_shot("full-disk.png")
        d.activate(error[0])
        d.key("Return")
        self._assert_colour(COLOURS["天空"])
        stored = subprocess.run(["nsenter", "--target", str(d.app.pid), "--mount", "cat",
                                 os.path.join(disk, "skin.txt")], capture_output=True, timeout=30)
        self.assertEqual(stored.stdout, GBK["大海"], stored.stderr)
        listing = subprocess.run(["nsenter", "--target", str(d.app.pid), "--mount", "ls", "-A", disk],
                                 capture_output=True, text=True, timeout=30).stdout.split()
        self.assertEqual(listing, ["skin.txt"], "a temporary file was left behind")
        self.assertRunning()

    def _bad(self, make):
        d = self._start(GBK["大海"])
        note = make(d)
        took = self._launch()
        self.assertLess(took, 10, "start-up took %.1f s with %s" % (took, note))
        d.click("1小时关机")
        self.assertEqual(len(d.logind.wait_calls("ScheduleShutdown", 1)), 1, d.describe())
        self.assertRunning()
        return d

    def test_bad_skin_files(self):
        """A FIFO, a folder or a link to /dev/zero as skin.txt: a prompt start."""
        def fifo(d):
            os.remove(os.path.join(self.work, "skin.txt"))
            os.mkfifo(os.path.join(self.work, "skin.txt"))
            return "a FIFO"

        def folder(d):
            os.remove(os.path.join(self.work, "skin.txt"))
            os.mkdir(os.path.join(self.work, "skin.txt"))
            return "a folder"

        def zero(d):
            os.remove(os.path.join(self.work, "skin.txt"))
            os.symlink("/dev/zero", os.path.join(self.work, "skin.txt"))
            return "a link to /dev/zero"

        for make in (fifo, folder, zero):
            with self.subTest(make.__name__):
                self._bad(make)
                self.assertIn("skin.txt", self.desktop.stderr_text())
                self.desktop.stop()

    def test_bad_pictures(self):
        """A 30000 × 30000 JPEG, a truncated one, or one that would take
        minutes to decode: the window's own picture, at once."""
        good = jpeg(COLOURS["大海"])
        for name, data in (("huge", huge_jpeg()), ("truncated", good[:len(good) // 2]),
                           ("endless", endless_jpeg())):
            with self.subTest(name):
                def make(d, data=data):
                    pictures = plain_skins()
                    pictures["大海.jpg"] = data
                    self.program = d.program_copy(pictures)
                    return name
                d = self._bad(make)
                shot = d.screenshot(os.path.join(d.tmp, "own.png"))
                got = d.client_pixel(*SPOTS[0], shot)
                self.assertFalse(all(abs(a - b) <= 12 for a, b in zip(got, COLOURS["大海"])),
                                 "a bad picture was shown: %s" % (got,))
                self.assertIn("大海.jpg", d.stderr_text())
                d.stop()

    def test_real_skins(self):
        """The skins drawn for the program, as the window shows them."""
        d = self.start_desktop(launch=False)
        build = os.path.dirname(d.binary)
        for name in ("星空", "天空", "大海"):
            with self.subTest(name):
                work = os.path.join(d.tmp, "work-" + name)
                os.mkdir(work)
                with open(os.path.join(work, "skin.txt"), "wb") as f:
                    f.write(GBK[name])
                d.launch(cwd=work)
                shot = self.save_shot("skin-%s.png" % name, window=d.main_window)
                # The screen shows the skin file's own pixels where it shows through.
                full = d.screenshot(os.path.join(d.tmp, "skin.png"))
                for x, y in SPOTS:
                    expected = d.pixel(x, y, os.path.join(build, name + ".jpg"))
                    got = d.client_pixel(x, y, full)
                    self.assertTrue(all(abs(a - b) <= 12 for a, b in zip(got, expected)),
                                    "%s at %d,%d: %s, the picture has %s" % (name, x, y, got, expected))
                d.stop_program()


if __name__ == "__main__":
    unittest.main(verbosity=2)
