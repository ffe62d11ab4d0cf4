"""Headless sway, run as the unprivileged user nobody (sway refuses root),
with wayvnc giving its seat a virtual pointer and keyboard: the program as
a native Wayland client, clicked through `swaymsg seat seat0 cursor …`,
typed at with wtype, its windows read from sway's tree, screenshots by grim.
"""

import glob
import grp
import json
import os
import pwd
import subprocess
import time

from harness.desktop import Desktop
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, DesktopError, say, wait_for
from harness.program import CLIENT_H, MAIN_TITLE
from harness.wayland import WaylandLog

SWAY_CONFIG = """xwayland disable
output HEADLESS-1 resolution 1024x768 position 0 0 bg #3a6ea5 solid_color
default_border normal
focus_follows_mouse no
seat seat0 hide_cursor 300
"""


class SwayDesktop(WaylandLog, Desktop):

    def start_desktop(self):
        user, group = pwd.getpwnam("nobody"), grp.getgrnam("nogroup")
        os.chmod(self.tmp, 0o711)   # sway may pass through to its own files
        os.chown(self.runtime_dir, user.pw_uid, group.gr_gid)
        home = os.path.join(self.tmp, "sway-home")
        os.mkdir(home, 0o700)
        os.chown(home, user.pw_uid, group.gr_gid)
        config = os.path.join(self.tmp, "sway.config")
        with open(config, "w") as f:
            f.write(SWAY_CONFIG)
        os.chmod(config, 0o644)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
               "XDG_RUNTIME_DIR": self.runtime_dir, "WLR_BACKENDS": "headless",
               "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1",
               "WLR_HEADLESS_OUTPUTS": "1", "LANG": self.lang}
        asuser = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        self.spawn("sway", asuser + ["sway", "-c", config], env=env)
        self.wayland_display = wait_for(
            lambda: ([p for p in glob.glob(os.path.join(self.runtime_dir, "wayland-*"))
                      if not p.endswith(".lock")] or [None])[0], START_TIMEOUT, "sway's socket")
        self.session_env = {"SWAYSOCK": wait_for(
            lambda: (glob.glob(os.path.join(self.runtime_dir, "sway-ipc.*.sock")) or [None])[0],
            START_TIMEOUT, "sway's IPC socket")}
        env["WAYLAND_DISPLAY"] = os.path.basename(self.wayland_display)
        self.spawn("wayvnc", asuser + ["wayvnc", "-u", os.path.join(self.runtime_dir, "vnc.sock")], env=env)
        wait_for(self.seat_has_pointer, START_TIMEOUT, "a virtual pointer on seat0")
        say("sway on %s" % self.wayland_display)

    def seat_has_pointer(self):
        try:
            seats = json.loads(self.swaymsg("-t", "get_seats"))
        except (DesktopError, ValueError):
            return False
        return any(d.get("type") == "pointer" for s in seats for d in s.get("devices", []))

    def swaymsg(self, *args):
        r = subprocess.run(["swaymsg"] + list(args), env=self.env(), capture_output=True,
                           text=True, timeout=CMD_TIMEOUT)
        if r.returncode != 0:
            raise DesktopError("swaymsg %s: %s" % (" ".join(args), r.stderr.strip() or r.stdout))
        return r.stdout

    def window(self, name):
        """The node of the window titled `name`, from sway's tree."""
        def walk(node):
            if node.get("name") == name and node.get("pid"):
                yield node
            for child in node.get("nodes", []) + node.get("floating_nodes", []):
                yield from walk(child)
        return next(walk(json.loads(self.swaymsg("-t", "get_tree"))), None)

    def main_window_place(self):
        node = self.window(MAIN_TITLE)
        if not node:
            return None
        # The client area lies under the window's menu bar, at its bottom.
        rect, inner = node["rect"], node["window_rect"]
        return node, (rect["x"] + inner["x"], rect["y"] + inner["y"] + inner["height"] - CLIENT_H)

    def click_at(self, x, y, button=1):
        self.swaymsg("seat", "seat0", "cursor", "set", str(x), str(y))
        t = time.time()
        self.swaymsg("seat", "seat0", "cursor", "press", "button%d" % button)
        self.swaymsg("seat", "seat0", "cursor", "release", "button%d" % button)
        return t

    def type(self, text, delay_ms=40):
        subprocess.run(["wtype", "-d", str(delay_ms), text], env=self.env(), check=True, timeout=CMD_TIMEOUT)

    def key(self, *keys):
        for k in keys:
            *mods, last = k.split("+")
            argv = ["wtype"] + [a for m in mods for a in ("-M", m)] + ["-k", last]
            subprocess.run(argv + [a for m in mods for a in ("-m", m)], env=self.env(), check=True,
                           timeout=CMD_TIMEOUT)

    def screenshot(self, path, window=None):
        subprocess.run(["grim", path], env=self.env(), timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path
