"""Wayland desktops for driving vesperon, headless, beside desktop.py's X11.

  * WestonDesktop: weston's headless back end; the program runs as a
    native Wayland client (qt6-wayland), or, with xwayland=True, as an X11
    client of weston's XWayland (which takes the lowest free X display and
    cannot be told another: weston's log says which).
  * SwayDesktop: sway's headless back end, run as the unprivileged user
    nobody (sway refuses root), with wayvnc giving its seat a virtual pointer
    and keyboard; clicks go through `swaymsg seat seat0 cursor …`, typing
    through wtype.

Each reuses Desktop's private buses and mock logind. There is no way for a
client to list another client's windows on Wayland: the program is started
with WAYLAND_DEBUG=client and its own log of requests says what it asked
for (titles, app ids, sizes).
"""

import glob
import json
import os
import pwd
import grp
import re
import shutil
import subprocess
import tempfile
import time

from desktop import (x_locks_of, CONTROLS, OPTION_CLICK_DX, OPTION_CONTROLS, CAPTIONS, CLIENT_H, CLIENT_W,
                     CMD_TIMEOUT, START_TIMEOUT, WINDOW_TIMEOUT, Desktop, DesktopError,
                     MAIN_TITLE, _say)

BACKGROUND = (0x3a, 0x6e, 0xa5)

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


def requests(log_text, request):
    """The arguments of each `request` the client logged, in order."""
    pattern = re.compile(r"-> \w+@\d+\.%s\((.*)\)$" % re.escape(request), re.M)
    return pattern.findall(log_text)


class WaylandDesktopMixin:
    """What the Wayland desktops share: the program's own request log."""

    def launch(self, args=(), wait_window=True, cwd=None, env=None, binary=None):
        env = dict(env or {})
        env.setdefault("WAYLAND_DEBUG", "client")
        return Desktop.launch(self, args, wait_window, cwd, env, binary)

    def log(self):
        return self.stderr_text()

    def titles(self):
        return [t.strip('"') for t in requests(self.log(), "set_title")]

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        self._wait_for(lambda: '"%s"' % MAIN_TITLE in self.log() or not self.app_running(),
                       timeout, "the main window's title", interval=0.1)
        if not self.app_running():
            raise DesktopError("the program exited\n" + self.describe())
        time.sleep(0.5)  # its first frame
        self.main_window = "wayland"
        return self.main_window

    def describe(self):
        lines = ["temp %s" % self.tmp]
        if self.app is not None:
            lines.append("program rc: %s" % self.app.poll())
        err = "\n".join(l for l in self.stderr_text().splitlines() if "->" not in l and "@" not in l)
        if err:
            lines.append("program stderr (requests left out):\n" + err[-2000:])
        return "\n".join(lines)


class WestonDesktop(WaylandDesktopMixin, Desktop):
    """Headless weston; the program native, or through XWayland."""

    def __init__(self, xwayland=False, **kw):
        super().__init__(**kw)
        self.xwayland = xwayland
        self.socket = "vesperon-wayland"
        self.xdisplay = None

    def _start_x(self):
        ini = os.path.join(self.tmp, "weston.ini")
        with open(ini, "w") as f:
            f.write(WESTON_INI)
        argv = ["weston", "--backend=headless-backend.so", "--use-pixman", "--width=1024",
                "--height=768", "--socket=" + self.socket, "--config=" + ini, "--debug",
                "--idle-time=0"]
        if self.xwayland:
            argv.append("--xwayland")
        self._spawn("weston", argv, env=self._compositor_env())
        self._wait_for(lambda: os.path.exists(os.path.join(self.runtime_dir, self.socket)),
                       START_TIMEOUT, "weston's socket")
        if self.xwayland:
            weston = self._procs[-1][1]

            def display():
                # weston holds the lock file of the display it took, as
                # X servers do, with its process id in it.
                for _, number in x_locks_of(weston.pid):
                    return number  # "0" is true
                if weston.poll() is not None:
                    raise DesktopError("weston ended\n" + self._log("weston.err"))
                return None
            self.xdisplay = int(self._wait_for(display, START_TIMEOUT, "weston's X display"))
            # XWayland starts when the first X client comes.
            self._wait_for(lambda: subprocess.run(["xdpyinfo"], env=self.env(),
                                                  stdout=subprocess.DEVNULL,
                                                  stderr=subprocess.DEVNULL).returncode == 0,
                           START_TIMEOUT, "XWayland")
        _say("weston on %s%s" % (self.socket, " with XWayland" if self.xwayland else ""))

    def _log(self, name):
        try:
            with open(os.path.join(self.tmp, name), encoding="utf-8", errors="replace") as f:
                return f.read()[-3000:]
        except OSError:
            return ""

    def _compositor_env(self):
        env = Desktop.env(self)
        env.pop("DISPLAY", None)
        return env

    def env(self, **extra):
        env = Desktop.env(self)
        env["WAYLAND_DISPLAY"] = self.socket
        if self.xwayland:
            if self.xdisplay is not None:
                env["DISPLAY"] = ":%d" % self.xdisplay
            env.pop("WAYLAND_DISPLAY")
        else:
            env.pop("DISPLAY", None)
        env.update(extra)
        return env

    def launch(self, args=(), wait_window=True, cwd=None, env=None, binary=None):
        if not self.xwayland:
            return WaylandDesktopMixin.launch(self, args, wait_window, cwd, env, binary)
        # An X11 client: the X desktop's own way of finding its window.
        return Desktop.launch(self, args, wait_window, cwd, env, binary)

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        if self.xwayland:
            return Desktop.find_main_window(self, timeout)
        return WaylandDesktopMixin.find_main_window(self, timeout)

    def describe(self):
        if self.xwayland:
            return Desktop.describe(self)
        return WaylandDesktopMixin.describe(self)

    def move_pointer(self, x, y):
        if not self.xwayland:
            raise DesktopError("headless weston has no seat: nothing can be clicked")
        # An absolute move crashes this XWayland; relative moves work.
        here = self.pointer()
        if here != (x, y):
            self.xdotool("mousemove_relative", "--sync", "--", x - here[0], y - here[1])

    def screenshot(self, path, window=None):
        # From the compositor: XWayland's root window holds no picture.
        folder = tempfile.mkdtemp(dir=self.tmp)
        env = self.env(WAYLAND_DISPLAY=self.socket)
        env.pop("DISPLAY", None)
        subprocess.run(["weston-screenshooter"], env=env, cwd=folder, timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        shots = glob.glob(os.path.join(folder, "*.png"))
        if not shots:
            raise DesktopError("weston-screenshooter wrote nothing")
        shutil.move(shots[0], path)
        return path


class SwayDesktop(WaylandDesktopMixin, Desktop):
    """Headless sway as the user nobody, a virtual seat from wayvnc."""

    def __init__(self, **kw):
        super().__init__(**kw)
        self.sway_socket = None
        self.ipc_socket = None

    def _start_x(self):
        user = pwd.getpwnam("nobody")
        group = grp.getgrnam("nogroup")
        os.chmod(self.tmp, 0o711)   # sway may pass through to its own files
        os.chown(self.runtime_dir, user.pw_uid, group.gr_gid)
        home = os.path.join(self.tmp, "sway-home")
        os.mkdir(home, 0o700)
        os.chown(home, user.pw_uid, group.gr_gid)
        config = os.path.join(self.tmp, "sway.config")
        with open(config, "w") as f:
            f.write("xwayland disable\n"
                    "output HEADLESS-1 resolution 1024x768 position 0 0 bg #3a6ea5 solid_color\n"
                    "default_border normal\n"
                    "focus_follows_mouse no\n"
                    "seat seat0 hide_cursor 300\n")
        os.chmod(config, 0o644)
        env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": home,
               "XDG_RUNTIME_DIR": self.runtime_dir, "WLR_BACKENDS": "headless",
               "WLR_RENDERER": "pixman", "WLR_LIBINPUT_NO_DEVICES": "1",
               "WLR_HEADLESS_OUTPUTS": "1", "LANG": self.lang}
        asuser = ["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups"]
        self._spawn("sway", asuser + ["sway", "-c", config], env=env)
        self.sway_socket = self._wait_for(
            lambda: ([p for p in glob.glob(os.path.join(self.runtime_dir, "wayland-*"))
                      if not p.endswith(".lock")] or [None])[0], START_TIMEOUT, "sway's socket")
        self.ipc_socket = self._wait_for(
            lambda: (glob.glob(os.path.join(self.runtime_dir, "sway-ipc.*.sock")) or [None])[0],
            START_TIMEOUT, "sway's IPC socket")
        env["WAYLAND_DISPLAY"] = os.path.basename(self.sway_socket)
        self._spawn("wayvnc", asuser + ["wayvnc", "-u", os.path.join(self.runtime_dir, "vnc.sock")],
                    env=env)
        self._wait_for(self._seat_has_pointer, START_TIMEOUT, "a virtual pointer on seat0")
        _say("sway on %s" % self.sway_socket)

    def _seat_has_pointer(self):
        try:
            seats = json.loads(self.swaymsg("-t", "get_seats"))
        except (DesktopError, ValueError):
            return False
        return any(d.get("type") == "pointer" for s in seats for d in s.get("devices", []))

    def env(self, **extra):
        env = Desktop.env(self, **extra)
        env.pop("DISPLAY", None)
        if self.sway_socket:
            env["WAYLAND_DISPLAY"] = self.sway_socket
        if self.ipc_socket:
            env["SWAYSOCK"] = self.ipc_socket
        env.update(extra)
        return env

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
        found = list(walk(json.loads(self.swaymsg("-t", "get_tree"))))
        return found[0] if found else None

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        WaylandDesktopMixin.find_main_window(self, timeout)
        node = self._wait_for(lambda: self.window(MAIN_TITLE), timeout, "the main window in sway's tree")
        rect, inner = node["rect"], node["window_rect"]
        # The client area lies under the window's menu bar, at its bottom.
        self.origin = (rect["x"] + inner["x"], rect["y"] + inner["y"] + inner["height"] - CLIENT_H)
        self.node = node
        return self.main_window

    def click_at(self, x, y, button=1):
        self.swaymsg("seat", "seat0", "cursor", "set", str(x), str(y))
        t = time.time()
        self.swaymsg("seat", "seat0", "cursor", "press", "button%d" % button)
        self.swaymsg("seat", "seat0", "cursor", "release", "button%d" % button)
        return t

    def click(self, control, button=1, **kw):
        x, y = self.point(control, **kw)
        return self.click_at(x, y, button)

    def type(self, text, delay_ms=40):
        subprocess.run(["wtype", "-d", str(delay_ms), text], env=self.env(), check=True,
                       timeout=CMD_TIMEOUT)

    def key(self, *keys):
        for k in keys:
            argv = ["wtype"]
            *mods, last = k.split("+")
            for m in mods:
                argv += ["-M", m]
            argv += ["-k", last]
            for m in mods:
                argv += ["-m", m]
            subprocess.run(argv, env=self.env(), check=True, timeout=CMD_TIMEOUT)

    def screenshot(self, path, window=None):
        subprocess.run(["grim", path], env=self.env(), timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path
