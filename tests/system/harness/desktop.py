"""The base of every desktop: what one starts, and what a test asks of it.

A Desktop is made of parts, each a module of its own:

  * processes.Session: its temporary folder and the processes it starts;
  * buses.Buses: the stand-in system bus, the session bus, logind and the
    services a test asks for (d.logind, d.notifications, d.sni, ...);
  * program.Program: the program, its output, signals and main window;

and what a desktop's own module adds to them:

  * start_desktop(): what it starts once the buses and logind are up (the
    display, the window manager, panels), setting display (an X display
    number), wayland_display and xauthority where it has them;
  * session_env: what its session gives every program started in it;
  * main_window_place(): (window, the client area's top-left) once the
    main window shows, else None;
  * click_at(x, y), key(*keys), type(text): input; screenshot(path).

x11.X11Desktop has all of these for a program that is an X11 client
(xdotool, xwininfo, xprop, import): a desktop on X11 only says what it
starts. A desktop whose compositor lists the windows (GNOME, Plasma) adds
CompositorWindows below.

    with OpenboxDesktop(notifications=True) as d:
        d.launch()
        t0 = d.click("1小时关机")
        calls = d.logind.wait_calls("ScheduleShutdown", 1)
"""

import os
import subprocess

from harness.buses import Buses
from harness.processes import WINDOW_TIMEOUT, Session, wait_for
from harness.program import MAIN_TITLE, Program


class Desktop(Session, Buses, Program):
    """logind: "mock" (default), "refuse", "real" or None (see buses.py);
    binary: the program (default $VESPERON_BIN or build/vesperon); lang:
    the locale; services: sni, notifications, atspi, monitor (buses.py)."""

    session_env = {}

    def __init__(self, logind="mock", binary=None, lang="C.UTF-8", **services):
        Session.__init__(self)
        self.set_up_services(logind, services)
        self.set_up_program(binary)
        self.lang = lang
        self.display = self.wayland_display = self.xauthority = None

    def __enter__(self):
        try:
            self.start()
        except BaseException:
            self.stop()
            raise
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        self.make_folders()
        self.start_buses()
        if self.logind:
            self.logind.start()
        self.start_desktop()
        for service in self.services(logind=False):
            service.start()

    def start_desktop(self):
        raise NotImplementedError

    def stop(self):
        """Tear everything down, the last started (the program) first."""
        self.stop_processes()
        self.app = None
        self.close_buses()
        self.remove_folder()

    def env(self, **extra):
        """Environment for anything talking to this desktop; a None in
        `extra` takes a variable out."""
        env = {
            "PATH": os.environ.get("PATH", "/usr/bin:/bin"),
            "HOME": self.home,
            "LANG": self.lang,
            "LC_ALL": self.lang,
            "XDG_RUNTIME_DIR": self.runtime_dir,
            "XDG_CONFIG_HOME": os.path.join(self.home, ".config"),
            "XDG_CACHE_HOME": os.path.join(self.home, ".cache"),
            "XDG_DATA_HOME": os.path.join(self.home, ".local", "share"),
            "DISPLAY": None if self.display is None else ":%d" % self.display,
            "WAYLAND_DISPLAY": self.wayland_display,
            "XAUTHORITY": self.xauthority,
            "DBUS_SYSTEM_BUS_ADDRESS": self.system_bus_address,
            "DBUS_SESSION_BUS_ADDRESS": self.session_bus_address,
        }
        env.update(self.session_env)
        # A sanitizer build's settings reach the program, and the time zone
        # the tests read local times in.
        for name in ("ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS", "TZ"):
            if name in os.environ:
                env[name] = os.environ[name]
        env.update(extra)
        return {k: v for k, v in env.items() if v is not None}

    def main_window_place(self):
        raise NotImplementedError

    def screenshot(self, path, window=None):
        raise NotImplementedError

    def pixel(self, x, y, shot=None):
        """(r, g, b) of the screen (or of the picture `shot`) at x, y."""
        path = shot or self.screenshot(os.path.join(self.tmp, "pixel.png"))
        out = subprocess.run(["convert", path, "-format", "%%[fx:int(255*p{%d,%d}.r)],"
                              "%%[fx:int(255*p{%d,%d}.g)],%%[fx:int(255*p{%d,%d}.b)]"
                              % (x, y, x, y, x, y), "info:"],
                             capture_output=True, text=True, timeout=60, check=True).stdout
        return tuple(int(v) for v in out.strip().split(","))

    def shots_dir(self):
        """The folder named by VESPERON_SHOTS (created), or None."""
        folder = os.environ.get("VESPERON_SHOTS")
        if folder:
            os.makedirs(folder, exist_ok=True)
        return folder or None

    def describe(self):
        """A few lines of state for failure messages."""
        lines = ["display :%s, temp %s" % (self.display, self.tmp)]
        if self.app is not None:
            lines.append("program rc: %s" % self.app.poll())
        err = self.program_stderr()
        if err:
            lines.append("program stderr:\n" + err[-2000:])
        lines += [text for text in (s.describe() for s in self.services()) if text]
        return "\n".join(lines)


class CompositorWindows:
    """For a desktop whose compositor lists the program's windows: windows()
    gives a dict for each, with at least title, x, y, width, height (its
    frame), showing and focus; window_origin(w) is where the main window
    w's client area begins."""

    strip_titles = False      # KWin shows titles without trailing spaces

    def window(self, title, showing=None):
        if self.strip_titles:
            title = title.strip()
        for w in self.windows():
            if w["title"] == title and (showing is None or w["showing"] == showing):
                return w
        return None

    def wait_window(self, title, timeout=WINDOW_TIMEOUT, showing=True):
        return wait_for(lambda: self.window(title, showing), timeout, "a window titled %r" % title)

    def wait_focus(self, title, timeout=WINDOW_TIMEOUT):
        """The window titled `title`, once it has the keyboard."""
        return wait_for(lambda: (lambda w: w if w and w["focus"] else None)(self.window(title)),
                        timeout, "%r to have the focus" % title, interval=0.05)

    def main_window_place(self):
        w = self.window(MAIN_TITLE, showing=True)
        return (w, self.window_origin(w)) if w and w["focus"] else None
