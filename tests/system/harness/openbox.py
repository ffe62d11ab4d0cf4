"""Xvfb with openbox and, when asked, trayer as an XEmbed tray: the desktop
most system tests and the benchmarks run on."""

import re
import subprocess

from harness.processes import CMD_TIMEOUT, START_TIMEOUT, WINDOW_TIMEOUT, wait_for
from harness.x11 import X11Desktop


class OpenboxDesktop(X11Desktop):
    """tray: also start trayer as a system tray host (XEmbed)."""

    # The class of the X windows of the program's docked icons.
    icon_class = "vesperon"

    def __init__(self, tray=False, **kw):
        super().__init__(**kw)
        self.tray = tray

    def start_desktop(self):
        self.start_xvfb()
        self.spawn("openbox", ["openbox", "--sm-disable"])
        wait_for(self.wm_running, START_TIMEOUT, "openbox to start")
        if self.tray:
            self.spawn("trayer", ["trayer", "--edge", "bottom", "--align", "right", "--widthtype", "pixel",
                                  "--width", "100", "--height", "32", "--SetDockType", "true",
                                  "--transparent", "false"])
            wait_for(lambda: self.quiet(["xdotool", "search", "--classname", "panel"]), START_TIMEOUT,
                     "trayer to start")

    def docked_icons(self):
        """Geometries of the program's icons docked in trayer's panel."""
        icons = []
        for panel in self.search("^panel$", visible=False, by="--classname"):
            tree = subprocess.run(["xwininfo", "-tree", "-id", str(panel)], env=self.env(),
                                  capture_output=True, text=True, timeout=CMD_TIMEOUT).stdout
            for m in re.finditer(r"^\s+(0x[0-9a-f]+) .*\(\"%s\"" % re.escape(self.icon_class), tree, re.M):
                g = self.geometry(int(m.group(1), 16))
                if g:
                    icons.append(g)
        return icons

    def click_icon(self, count=1, button=1):
        """Click the program's docked tray icon (count 2: a double click)."""
        g = wait_for(self.docked_icons, WINDOW_TIMEOUT, "a docked tray icon")[0]
        self.move_pointer(g["X"] + g["WIDTH"] // 2, g["Y"] + g["HEIGHT"] // 2)
        self.xdotool("click", "--repeat", count, "--delay", 80, button)
