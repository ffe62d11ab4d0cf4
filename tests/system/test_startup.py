"""System tests: how the real program starts.

    /usr/bin/python3 -m unittest -v tests/system/test_startup.py
"""

import os
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from desktop import DEFAULT_BIN  # noqa: E402

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


if __name__ == "__main__":
    unittest.main(verbosity=2)
