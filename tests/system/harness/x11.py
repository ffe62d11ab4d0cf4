"""Display and input on X11: Xvfb, and the program as an X11 client.

X11Desktop finds the program's windows by title with xdotool, measures them
with xwininfo and xprop, moves the pointer, clicks and types with xdotool
and takes screenshots with ImageMagick's import. A desktop on X11 derives
from it and says what it starts (start_desktop(), with start_xvfb() first).
"""

import glob
import os
import re
import subprocess
import time

from harness.desktop import Desktop
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, WINDOW_TIMEOUT, DesktopError, read_line, say, wait_for
from harness.program import CLIENT_H, CLIENT_W, MAIN_TITLE, MAIN_TITLE_PATTERN

SCREEN = (1024, 768)
BACKGROUND = (0x3a, 0x6e, 0xa5)        # every desktop's background colour
BACKGROUND_HEX = "#%02x%02x%02x" % BACKGROUND


def x_locks_of(pid):
    """The X displays whose lock file holds process `pid` (X servers, and
    compositors that start XWayland, write their process id there): a list
    of (lock file, display number)."""
    found = []
    for lock in glob.glob("/tmp/.X*-lock"):
        try:
            with open(lock) as f:
                owner = int(f.read().strip() or 0)
        except (OSError, ValueError):
            continue
        if owner == pid:
            found.append((lock, re.match(r"/tmp/\.X(\d+)-lock", lock).group(1)))
    return found


class MapWatch:
    """The display's map and unmap events as they come, from map_watch (one
    process that listens, built beside the program): events holds
    (time, "map" or "unmap", window, class, "WxH") for each top-level
    window; time is CLOCK_MONOTONIC's, as time.monotonic()."""

    def __init__(self, desktop, binary=None):
        import threading
        binary = binary or os.path.join(os.path.dirname(os.path.abspath(desktop.binary)), "map_watch")
        self.proc = subprocess.Popen([binary], env=desktop.env(), stdout=subprocess.PIPE, text=True)
        if self.proc.stdout.readline().strip() != "ready":
            raise DesktopError("map_watch did not start")
        self.events = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()

    def _read(self):
        for line in self.proc.stdout:
            t, kind, window, cls, size = (line.split() + [""] * 5)[:5]
            if size == "":  # no class
                cls, size = "", cls
            self.events.append((float(t), kind, int(window), cls, size))

    def wait(self, what, match, since=0.0, timeout=30):
        """The first event since `since` that `match` takes."""
        try:
            return wait_for(lambda: next((e for e in list(self.events) if e[0] >= since and match(e)), None),
                            timeout, what, interval=0.01)
        except DesktopError as e:
            seen = [event[1:] for event in list(self.events) if event[0] >= since]
            raise DesktopError("%s; seen since: %s" % (e, seen[-12:])) from None

    def stop(self):
        self.proc.kill()
        self.proc.wait()
        self.reader.join(5)
        if not self.reader.is_alive():
            self.proc.stdout.close()


class X11Desktop(Desktop):
    """A desktop whose program is an X11 client."""

    # Processes that take X displays (for their XWayland) and, killed, leave
    # the displays' lock files and sockets behind.
    x_server_labels = ()
    screen = SCREEN

    def start_xvfb(self):
        """Xvfb on a free display, with a plain root colour."""
        rfd, wfd = os.pipe()
        try:
            self.spawn("xvfb", ["Xvfb", "-displayfd", str(wfd), "-screen", "0", "%dx%dx24" % self.screen,
                                "-nolisten", "tcp", "-noreset"], pass_fds=(wfd,))
        finally:
            os.close(wfd)
        try:
            self.display = int(read_line(rfd, START_TIMEOUT, "Xvfb display number"))
        finally:
            os.close(rfd)
        say("Xvfb on :%d" % self.display)
        wait_for(lambda: self.quiet(["xdotool", "getdisplaygeometry"]), START_TIMEOUT, "Xvfb to answer")
        subprocess.run(["xsetroot", "-solid", BACKGROUND_HEX], env=self.env(), timeout=CMD_TIMEOUT, check=True)

    def x_display_of(self, label):
        """The X display that the process `label` took for its XWayland (the
        number of the lock file that holds its process id)."""
        proc = self.process(label)

        def display():
            for _, number in x_locks_of(proc.pid):
                return number  # "0" is true
            if proc.poll() is not None:
                raise DesktopError("%s ended\n%s" % (label, self.log(label + ".err")))
            return None
        return int(wait_for(display, START_TIMEOUT, "%s's X display" % label))

    def wm_running(self):
        """Whether a window manager has announced itself on the root window."""
        return "window id" in self.xprop("-root", "_NET_SUPPORTING_WM_CHECK")

    def stop(self):
        owners = [proc.pid for label, proc in self.procs if label in self.x_server_labels]
        super().stop()
        for pid in owners:
            for lock, number in x_locks_of(pid):
                for path in (lock, "/tmp/.X11-unix/X" + number):
                    try:
                        os.unlink(path)
                    except OSError:
                        pass

    # -------------------------------------------------------------- windows

    def xdotool(self, *args, timeout=CMD_TIMEOUT, check=True):
        r = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                           capture_output=True, text=True, timeout=timeout)
        if check and r.returncode != 0:
            raise DesktopError("xdotool %s failed (%d): %s"
                               % (" ".join(map(str, args)), r.returncode, r.stderr.strip()))
        return r.stdout

    def xprop(self, *args):
        """xprop's answer (-id WINDOW PROPERTY, or -root PROPERTY)."""
        return subprocess.run(["xprop"] + [str(a) for a in args], env=self.env(), capture_output=True,
                              text=True, timeout=CMD_TIMEOUT).stdout

    def search(self, pattern, visible=True, by="--name"):
        """Window ids whose title (or what `by` names) matches the regular
        expression `pattern`."""
        argv = ["xdotool", "search"] + (["--onlyvisible"] if visible else []) + [by, pattern]
        for _ in range(5):
            r = subprocess.run(argv, env=self.env(), capture_output=True, text=True, timeout=CMD_TIMEOUT)
            # Nothing found is status 1 and no words; an X error (a window
            # that went while xdotool looked at it, on a desktop busy making
            # and ending windows) is words, and tells nothing: asked again.
            if r.returncode == 0 or not r.stderr.strip():
                return [int(w) for w in r.stdout.split()]
            time.sleep(0.1)
        raise DesktopError("xdotool search %s failed: %s" % (pattern, r.stderr.strip()))

    def wait_window(self, pattern, timeout=WINDOW_TIMEOUT, visible=True):
        """Wait for a window whose title matches; return the matching ids."""
        return wait_for(lambda: self.search(pattern, visible), timeout, "a window named %r" % pattern,
                        interval=0.2)

    def wait_no_window(self, pattern, timeout=WINDOW_TIMEOUT):
        wait_for(lambda: not self.search(pattern), timeout, "no window named %r" % pattern, interval=0.2)

    def window_name(self, wid):
        return self.xdotool("getwindowname", wid, check=False).rstrip("\n")

    def geometry(self, wid):
        """Root position and size of a mapped window: {"X", "Y", "WIDTH",
        "HEIGHT"}, or None.

        From xwininfo's absolute position: `xdotool getwindowgeometry` adds
        the offset of a window inside its window manager's frame once more
        (under openbox 1 px right and 20 px lower than it really is).
        """
        r = subprocess.run(["xwininfo", "-id", str(wid)], env=self.env(),
                           capture_output=True, text=True, timeout=CMD_TIMEOUT)
        keys = {"Absolute upper-left X": "X", "Absolute upper-left Y": "Y",
                "Width": "WIDTH", "Height": "HEIGHT", "Map State": "MAP"}
        g = {}
        for line in r.stdout.splitlines() if r.returncode == 0 else []:
            k, _, v = (part.strip() for part in line.partition(":"))
            if k in keys:
                g[keys[k]] = v if k == "Map State" else int(v)
        if not {"X", "Y", "WIDTH", "HEIGHT"} <= g.keys() or g.get("MAP") != "IsViewable":
            return None
        return g

    def shown_windows(self, *search):
        """(id, geometry) of the visible windows `xdotool search` finds with
        the arguments `search`, leaving out the frameless stand-ins of a few
        pixels that toolkits keep."""
        out = self.xdotool("search", "--all", "--onlyvisible", *search, check=False)
        found = [(wid, self.geometry(wid)) for wid in map(int, out.split())]
        return [(wid, g) for wid, g in found if g and g["WIDTH"] > 10]

    def main_window_place(self):
        wins = self.search(MAIN_TITLE_PATTERN)
        # Prefer the window whose title is exactly the main title.
        exact = [w for w in wins if self.window_name(w) == MAIN_TITLE]
        if not wins:
            return None
        wid = (exact or wins)[0]
        origin = self.client_origin(wid)
        return (wid, origin) if origin else None

    def client_origin(self, wid):
        """The top-left of the main window's client area (at the bottom of
        the window, under the menu bar)."""
        g = self.geometry(wid)
        if not g or g["WIDTH"] < CLIENT_W * self.scale or g["HEIGHT"] < CLIENT_H * self.scale:
            return None
        return (g["X"], g["Y"] + g["HEIGHT"] - CLIENT_H * self.scale)

    def activate(self, wid):
        """Give a window the focus (through the window manager). It is asked
        even when it names the window active already: a client may not have
        taken the focus it was given (Wine, while another of its programs
        holds the foreground), and the request gives it again. A busy
        window manager may let a request go by: it is asked again each
        second until the window is active."""
        self.xdotool("windowactivate", wid, check=False)
        asked = [time.monotonic()]

        def active():
            if self.active_window() == wid:
                return True
            if time.monotonic() - asked[0] >= 1.0:
                asked[0] = time.monotonic()
                self.xdotool("windowactivate", wid, check=False)
            return False
        wait_for(active, WINDOW_TIMEOUT, "window %s to be active" % wid)

    def close_by_keys(self, wid):
        """Close a window with Alt+F4, the window manager's key, and wait
        until it has gone. A busy window manager (the sanitizers' build on
        two cores) has been seen to let an Alt+F4 go by: after 10 s the
        window is given the focus and asked again."""
        def gone():
            return self.geometry(wid) is None
        for timeout in (10, WINDOW_TIMEOUT):
            try:
                self.activate(wid)
            except DesktopError:
                if gone():
                    return  # it went meanwhile
                raise
            self.key("alt+F4")
            try:
                wait_for(gone, timeout, "window %s to close" % wid, interval=0.2)
                return
            except DesktopError:
                if timeout == WINDOW_TIMEOUT:
                    raise

    def active_window(self):
        out = self.xdotool("getactivewindow", check=False).strip()
        return int(out) if out else None

    def work_area(self):
        """(x, y, width, height) of the screen less the panels."""
        values = [int(v) for v in re.findall(r"\d+", self.xprop("-root", "_NET_WORKAREA").partition("=")[2])]
        return tuple(values[:4]) if len(values) >= 4 else (0, 0) + self.screen

    def stacking(self):
        """The windows the window manager manages, bottom to top."""
        return [int(w, 16) for w in re.findall(r"0x[0-9a-f]+", self.xprop("-root", "_NET_CLIENT_LIST_STACKING"))]

    def net_wm_state(self, wid):
        """The states a window is in (ABOVE, SKIP_TASKBAR, ...)."""
        return re.findall(r"_NET_WM_STATE_(\w+)", self.xprop("-id", wid, "_NET_WM_STATE"))

    def outer(self, wid):
        """A window's frame as a dict (x, y, width, height), as the other
        desktops' windows() give it; None once the window has gone."""
        g = self.geometry(wid)
        if g is None:
            return None
        left, right, top, bottom = self.frame_extents(wid)
        return {"x": g["X"] - left, "y": g["Y"] - top, "width": g["WIDTH"] + left + right,
                "height": g["HEIGHT"] + top + bottom, "framed": top > 0}

    def use_notification_server(self, service_file):
        """Of the notification servers installed, the one of `service_file`
        (in /usr/share/dbus-1/services) is the session's: put first, where
        the session bus looks before the system's folders."""
        folder = os.path.join(self.runtime_dir, "dbus-1", "services")
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join("/usr/share/dbus-1/services", service_file)) as f:
            text = f.read()
        with open(os.path.join(folder, "org.freedesktop.Notifications.service"), "w") as f:
            f.write(text)
        self.session_bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                       "ReloadConfig", "", ())

    def tell_session_bus(self):
        """What the services the session bus starts on demand must know (the
        display, the desktop), as a display manager's session tells it."""
        import dbus
        env = {k: v for k, v in self.env().items() if k not in ("PATH",)}
        self.session_bus.call_blocking("org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
                                       "UpdateActivationEnvironment", "a{ss}", (dbus.Dictionary(env, signature="ss"),))

    # Notification servers that draw their bubbles as ordinary override
    # windows rather than typing them as notifications (UKUI's does).
    NOTICE_SERVER_CLASSES = ("ukui-notifications", "xfce4-notifyd")

    def notice_windows(self):
        """The notification server's windows on the screen: those typed
        _NET_WM_WINDOW_TYPE_NOTIFICATION, or belonging to a known server."""
        found = []
        for w in map(int, self.xdotool("search", "--onlyvisible", "--classname", ".", check=False).split()):
            if "_NET_WM_WINDOW_TYPE_NOTIFICATION" in self.xprop("-id", w, "_NET_WM_WINDOW_TYPE"):
                found.append(w)
                continue
            wm_class = self.xprop("-id", w, "WM_CLASS")
            if any('"%s"' % name in wm_class for name in self.NOTICE_SERVER_CLASSES):
                found.append(w)
        return found

    def xsettings(self):
        """The display's integer XSETTINGS, as the program reads them (by
        read_xsettings, built beside it)."""
        tool = os.path.join(os.path.dirname(os.path.abspath(self.binary)), "read_xsettings")
        out = subprocess.run([tool], env=self.env(), capture_output=True, text=True, timeout=CMD_TIMEOUT).stdout
        return {name: int(value) for name, value in (line.rsplit(" ", 1) for line in out.splitlines())}

    def x_resources(self):
        """The display's X resources (Xft.dpi and the like), as xrdb reads them."""
        out = subprocess.run(["xrdb", "-query"], env=self.env(), capture_output=True, text=True,
                             timeout=CMD_TIMEOUT).stdout
        return dict(line.split(":\t", 1) for line in out.splitlines() if ":\t" in line)

    def frame_extents(self, wid):
        """(left, right, top, bottom) of the window manager's frame."""
        m = re.search(r"=\s*(\d+),\s*(\d+),\s*(\d+),\s*(\d+)", self.xprop("-id", wid, "_NET_FRAME_EXTENTS"))
        return tuple(int(v) for v in m.groups()) if m else (0, 0, 0, 0)

    def window_state(self, wid):
        """The ICCCM WM_STATE of a window: "Normal", "Iconic", "Withdrawn" or None."""
        m = re.search(r"window state:\s*(\w+)", self.xprop("-id", wid, "WM_STATE"))
        return m.group(1) if m else None

    def window_is_modal(self, wid):
        """True when the toolkit marked the window modal (_NET_WM_STATE_MODAL)."""
        return "_NET_WM_STATE_MODAL" in self.xprop("-id", wid, "_NET_WM_STATE")

    def motif_hints(self, wid):
        """(functions, decorations) of the window's _MOTIF_WM_HINTS, or None."""
        m = re.search(r"=\s*(0x[0-9a-f]+),\s*(0x[0-9a-f]+),\s*(0x[0-9a-f]+)",
                      self.xprop("-id", wid, "_MOTIF_WM_HINTS"))
        return (int(m.group(2), 16), int(m.group(3), 16)) if m else None

    def has_icon(self, wid):
        """Whether the window carries an icon of its own (_NET_WM_ICON)."""
        out = self.xprop("-id", wid, "-notype", "_NET_WM_ICON")
        return "_NET_WM_ICON =" in out or "_NET_WM_ICON(" in out

    def screenshot(self, path, window=None):
        """PNG of the whole screen, or cropped to a window (its X geometry)."""
        argv = ["import", "-window", "root"]
        g = self.geometry(window) if window is not None else None
        if g:
            argv += ["-crop", "%dx%d+%d+%d" % (g["WIDTH"], g["HEIGHT"], g["X"], g["Y"]), "+repage"]
        subprocess.run(argv + [path], env=self.env(), timeout=60, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    # ---------------------------------------------------------------- input

    def pointer(self):
        m = re.search(r"x:(-?\d+) y:(-?\d+)", self.xdotool("getmouselocation", check=False))
        return (int(m.group(1)), int(m.group(2))) if m else None

    def move_pointer(self, x, y):
        """Move the pointer to root x, y and wait until it is there.
        (`xdotool mousemove --sync` to where the pointer already is waits
        some 15 s for a motion that never comes: no move is needed then.)"""
        if self.pointer() != (x, y):
            self.xdotool("mousemove", "--sync", x, y)

    def move_to(self, control, **kw):
        x, y = self.point(control, **kw)
        self.move_pointer(x, y)
        return x, y

    def click_at(self, x, y, button=1):
        self.move_pointer(x, y)
        t = time.time()
        self.xdotool("click", button)
        return t

    def timed_click(self, control, button=1, **kw):
        """Click a control, timing the release precisely: (before, after),
        time.time() around the short xdotool run that sends the release (a
        push button acts on it). `xdotool click` sleeps 100 ms after the
        release before it exits, so its run time says little."""
        self.move_to(control, **kw)
        self.xdotool("mousedown", button)
        time.sleep(0.05)
        before = time.time()
        self.xdotool("mouseup", button)
        return before, time.time()

    def focus(self, control):
        """Give a control the keyboard focus without pressing it: the mouse
        goes down on it and comes up elsewhere."""
        self.move_to(control)
        self.xdotool("mousedown", 1)
        self.move_to("Frame2", dx=4, dy=4)
        self.xdotool("mouseup", 1)

    def type(self, text, delay_ms=40):
        self.xdotool("type", "--delay", delay_ms, text)

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)
