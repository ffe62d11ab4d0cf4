"""Headless weston: the program as a native Wayland client (qt6-wayland
picks Wayland by itself when WAYLAND_DISPLAY is set), or, with
xwayland=True, as an X11 client of weston's XWayland (which takes the
lowest free X display and cannot be told another: its lock file says
which). Headless weston has no seat: nothing can be clicked natively.
"""

import glob
import os
import shutil
import subprocess
import tempfile

from harness.processes import START_TIMEOUT, DesktopError, say, wait_for
from harness.wayland import WaylandLog
from harness.x11 import X11Desktop

WESTON_INI = """[core]
idle-time=0

[shell]
background-color=0xff3a6ea5
panel-position=none
locking=false
animation=none
startup-animation=none
close-animation=none
"""


class WestonDesktop(WaylandLog, X11Desktop):

    socket = "vesperon-wayland"
    x_server_labels = ("weston",)

    def __init__(self, xwayland=False, **kw):
        super().__init__(**kw)
        self.native = not xwayland

    def start_desktop(self):
        ini = os.path.join(self.tmp, "weston.ini")
        with open(ini, "w") as f:
            f.write(WESTON_INI)
        self.spawn("weston", ["weston", "--backend=headless-backend.so", "--use-pixman", "--width=1024",
                              "--height=768", "--socket=" + self.socket, "--config=" + ini, "--debug",
                              "--idle-time=0"] + ([] if self.native else ["--xwayland"]))
        wait_for(lambda: os.path.exists(os.path.join(self.runtime_dir, self.socket)), START_TIMEOUT,
                 "weston's socket")
        if self.native:
            self.wayland_display = self.socket
        else:
            self.display = self.x_display_of("weston")
            # XWayland starts when the first X client comes.
            wait_for(lambda: self.quiet(["xdpyinfo"]), START_TIMEOUT, "XWayland")
        say("weston on %s%s" % (self.socket, "" if self.native else " with XWayland"))

    def move_pointer(self, x, y):
        if self.native:
            raise DesktopError("headless weston has no seat: nothing can be clicked")
        # An absolute move crashes this XWayland; relative moves work.
        here = self.pointer()
        if here != (x, y):
            self.xdotool("mousemove_relative", "--sync", "--", x - here[0], y - here[1])

    def screenshot(self, path, window=None):
        # From the compositor: XWayland's root window holds no picture.
        folder = tempfile.mkdtemp(dir=self.tmp)
        subprocess.run(["weston-screenshooter"], env=self.env(WAYLAND_DISPLAY=self.socket, DISPLAY=None),
                       cwd=folder, timeout=60, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shots = glob.glob(os.path.join(folder, "*.png"))
        if not shots:
            raise DesktopError("weston-screenshooter wrote nothing")
        shutil.move(shots[0], path)
        return path
