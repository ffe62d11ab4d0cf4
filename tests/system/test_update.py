"""System tests: the update check against a real HTTP server of the tests'
own on 127.0.0.1, which the program reaches through http_proxy.

    /usr/bin/python3 -m unittest -v tests/system/test_update.py
"""

import os
import socket
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from harness.testcase import DesktopTestCase  # noqa: E402
from harness.update_server import UpdateServer  # noqa: E402

NOTICE = ("GET", "http://update.example.org/gx.txt")
VERDICTS = "^(你需要更新|你不需要更新|检查更新失败)$"
# Two fetches of at most 5 s each, and some room for a busy machine.
BOUND = 13.0


class UpdateTest(DesktopTestCase):

    def setUp(self):
        self.server = self.enterContext(UpdateServer())

    def _start(self, proxy=None):
        d = self.start_desktop(launch=False)
        d.launch(env={"http_proxy": proxy or self.server.proxy})
        return d

    def _check(self):
        """Click 检查更新; return (title, seconds until the window showed)."""
        d = self.desktop
        t0 = time.monotonic()
        d.click("检查更新")
        wins = d.wait_window(VERDICTS, timeout=BOUND + 5)
        return d.window_name(wins[0]), time.monotonic() - t0, wins[0]

    def test_same_version(self):
        """"4.5.0": 你不需要更新, and exactly two requests for /gx.txt."""
        d = self._start()
        self.server.reply("4.5.0")
        title, took, wid = self._check()
        self.assertEqual(title, "你不需要更新")
        self.save_shot("update-no-update-needed.png")
        time.sleep(0.5)
        self.assertEqual(self.server.gets(), [NOTICE, NOTICE])
        # A further click while it is open makes no request.
        d.click("检查更新")
        time.sleep(1.0)
        self.assertEqual(len(self.server.gets()), 2)
        self.assertEqual(len(d.search(VERDICTS)), 1)
        # Closed, the next click checks again: two more.
        d.close_by_keys(wid)
        title, _, wid = self._check()
        self.assertEqual(len(self.server.gets()), 4)
        self.assertRunning()

    def test_other_texts(self):
        """Any other text: 你需要更新."""
        d = self._start()
        for body in ("4.6.0", "4.4.9", "V4.5.0", "4.5.0\n", "", "<b>4.5.0</b>"):
            with self.subTest(body=body):
                self.server.reply(body)
                title, _, wid = self._check()
                self.assertEqual(title, "你需要更新")
                if body == "<b>4.5.0</b>":
                    self.save_shot("update-needed-html.png")
                d.close_by_keys(wid)
        self.assertRunning()

    def test_gbk_reply(self):
        """A reply in GBK is read as GBK; its text is no version."""
        d = self._start()
        self.server.reply("最新版4.6".encode("gbk"))
        title, _, wid = self._check()
        self.assertEqual(title, "你需要更新")
        self.save_shot("update-gbk.png")
        self.assertRunning()

    def test_bad_servers(self):
        """Refused, silent, trickling, huge, 404: 检查更新失败 in bound."""
        d = self._start()
        for mode in ("status", "never", "trickle", "huge"):
            with self.subTest(mode=mode):
                self.server.reply("4.5.0", mode=mode)
                self.server.clear()
                if mode == "never":
                    # The program stays live while the fetch waits.
                    d.click("检查更新")
                    time.sleep(0.5)
                    d.click("1小时关机")
                    calls = d.logind.wait_calls("ScheduleShutdown", 1, timeout=4)
                    self.assertEqual(len(calls), 1, "a preset click did not get through during the fetch")
                    self.assertFalse(d.search(VERDICTS), "the window came before the fetch was over")
                    t0 = time.monotonic() - 0.5
                    wins = d.wait_window(VERDICTS, timeout=BOUND + 5)
                    title, took, wid = d.window_name(wins[0]), time.monotonic() - t0, wins[0]
                else:
                    title, took, wid = self._check()
                self.assertEqual(title, "检查更新失败", mode)
                self.assertLess(took, BOUND, "%s took %.1f s" % (mode, took))
                self.assertEqual(len(self.server.gets()), 1, "a failed first fetch is not repeated")
                if mode == "status":
                    self.save_shot("update-failed.png")
                d.close_by_keys(wid)
                self.assertRunning()
        self.assertIn("vesperon: fetching", d.stderr_text())

    def test_endless_replies(self):
        """A status line, header line, headers or chunk size without end, or
        a gzip bomb: 检查更新失败, soon, and memory stays small."""
        d = self._start()
        for mode in ("endless-status", "endless-header", "endless-headers", "endless-chunk", "bomb"):
            with self.subTest(mode=mode):
                self.server.reply("4.5.0", mode=mode)
                title, took, wid = self._check()
                self.assertEqual(title, "检查更新失败", mode)
                self.assertLess(took, 5.0, "%s took %.1f s" % (mode, took))
                d.close_by_keys(wid)
        self.assertLess(peak_kib(d.app.pid), 150 * 1024, "memory grew with the replies")
        self.assertIn("larger than 64 KiB", d.stderr_text())
        self.assertRunning()

    def test_box_open_during_the_fetch(self):
        """A box opened while the fetch waits, and left open past its
        deadline, changes nothing: the verdict is the replies'."""
        d = self._start()
        self.server.reply("4.5.0", mode="slow")
        d.click("检查更新")
        d.click("说明")
        box = d.wait_window("^说明$")[0]
        time.sleep(7.0)  # past the 5 s a fetch may take
        d.activate(box)
        d.key("Return")
        wins = d.wait_window(VERDICTS, timeout=BOUND + 5)
        self.assertEqual(d.window_name(wins[0]), "你不需要更新", d.stderr_text())
        self.assertEqual(self.server.gets(), [NOTICE, NOTICE])
        self.assertRunning()

    def test_refused(self):
        """Nothing listening at the proxy's port: 检查更新失败 at once."""
        s = socket.socket()
        s.bind(("127.0.0.1", 0))
        port = s.getsockname()[1]
        s.close()
        d = self._start(proxy="http://127.0.0.1:%d" % port)
        title, took, _ = self._check()
        self.assertEqual(title, "检查更新失败")
        self.assertLess(took, 5.0)
        self.assertRunning()


def peak_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


if __name__ == "__main__":
    unittest.main(verbosity=2)
