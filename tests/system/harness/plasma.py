"""KDE Plasma 5.27: KWin on Wayland (with its XWayland) or KWin on X11
(under Xvfb), with plasmashell for the task bar and the tray; the program
runs as an X11 client. KWin is scripted with KWin scripts loaded over
D-Bus, which print its view of the windows to its log.
"""

import json
import os
import re
import shutil
import subprocess

import dbus

from harness.desktop import CompositorWindows
from harness.processes import CMD_TIMEOUT, START_TIMEOUT, DesktopError, say, wait_for
from harness.x11 import SCREEN, X11Desktop

# KWin's view of the program's windows, printed to KWin's log between marks.
KWIN_WINDOWS_JS = """
var out = [];
var list = workspace.clientList();
for (var i = 0; i < list.length; ++i) {
    var w = list[i];
    if (w.pid !== %(pid)d) continue;
    var g = w.frameGeometry;
    out.push({title: w.caption, x: g.x, y: g.y, width: g.width, height: g.height,
              client: w.windowId ? 1 : 0, window_id: w.windowId || 0, above: w.keepAbove,
              minimized: w.minimized, showing: !w.minimized && !w.hidden,
              skip_taskbar: w.skipTaskbar, decorated: !w.noBorder,
              can_maximize: w.maximizable, can_minimize: w.minimizable,
              resizeable: w.resizeable, focus: w.active,
              desktop_file: w.desktopFileName, resource_class: String(w.resourceClass)});
}
print("%(mark)s" + JSON.stringify(out) + "%(mark)s");
"""

# Runs `action` on each of the program's windows captioned `title`.
KWIN_EACH_JS = """
var list = workspace.clientList();
for (var i = 0; i < list.length; ++i)
    if (list[i].pid === %(pid)d && list[i].caption === %(title)s) %(action)s;
print("%(mark)s%(mark)s");
"""

KDE_ENV = {"XDG_CURRENT_DESKTOP": "KDE", "KDE_FULL_SESSION": "true", "KDE_SESSION_VERSION": "5",
           "XDG_SESSION_DESKTOP": "KDE", "DESKTOP_SESSION": "plasma"}


class PlasmaDesktop(CompositorWindows, X11Desktop):
    """wayland: KWin on Wayland, else on X11; shell: with plasmashell."""

    folder_prefix = "vesperon-plasma-"
    folder_mode = 0o711
    activating_session_bus = True   # the activity manager, kded's StatusNotifierWatcher
    x_server_labels = ("kwin",)
    strip_titles = True             # KWin shows captions without their trailing spaces

    def __init__(self, wayland=True, shell=True, **kw):
        super().__init__(**kw)
        self.wayland = wayland
        self.shell = shell
        self.session_env = dict(KDE_ENV, XDG_SESSION_TYPE="wayland" if wayland else "x11")
        self.scripts = 0

    def start_desktop(self):
        rules = "kwin_scripting.debug=true"
        if self.wayland:
            # kwin_wayland carries a file capability that a container cannot
            # grant: a plain copy of it runs.
            kwin = os.path.join(self.tmp, "kwin_wayland")
            shutil.copy("/usr/bin/kwin_wayland", kwin)
            socket = "vesperon-plasma-%d" % os.getpid()
            self.spawn("kwin", [kwin, "--virtual", "--width", str(SCREEN[0]), "--height", str(SCREEN[1]),
                                "--socket", socket, "--xwayland", "--no-lockscreen", "--no-global-shortcuts"],
                       env=self.env(QT_LOGGING_RULES=rules))
            wait_for(lambda: self.kwin_ready() or self.kwin_gone(), START_TIMEOUT, "KWin")
            self.wayland_display = socket
            self.display = self.x_display_of("kwin")
        else:
            self.start_xvfb()
            self.spawn("kwin", ["kwin_x11", "--replace"], env=self.env(QT_LOGGING_RULES=rules))
            wait_for(lambda: self.kwin_ready() or self.kwin_gone(), START_TIMEOUT, "KWin")
        say("KWin on %s, X display :%d" % (self.wayland_display or "X11", self.display))
        env = self.env()
        names = ["WAYLAND_DISPLAY", "DISPLAY", "XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION",
                 "KDE_SESSION_VERSION", "XDG_SESSION_TYPE", "HOME", "XDG_RUNTIME_DIR",
                 "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "DBUS_SYSTEM_BUS_ADDRESS"]
        subprocess.run(["dbus-update-activation-environment"] + [n for n in names if n in env],
                       env=env, check=True, timeout=CMD_TIMEOUT)
        if self.shell:
            self.spawn("plasmashell", ["plasmashell", "--no-respawn"],
                       env=self.env(QT_QPA_PLATFORM="wayland" if self.wayland else None))
            # Its tray is up once a StatusNotifier host is registered.
            wait_for(self.tray_host, 60, "plasmashell's tray", interval=0.2)

    def kwin_ready(self):
        try:
            obj = self.session_bus.get_object("org.kde.KWin", "/Scripting", introspect=False)
            return "org.kde.kwin.Scripting" in dbus.Interface(obj, dbus.INTROSPECTABLE_IFACE).Introspect()
        except dbus.DBusException:
            return False

    def kwin_gone(self):
        if self.process("kwin").poll() is not None:
            raise DesktopError("KWin ended\n" + self.log("kwin.err"))
        return False

    def tray_host(self):
        try:
            if not self.session_bus.name_has_owner("org.kde.StatusNotifierWatcher"):
                return False
            obj = self.session_bus.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
            return bool(dbus.Interface(obj, dbus.PROPERTIES_IFACE).Get(
                "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"))
        except dbus.DBusException:
            return False

    # ------------------------------------------------------------ scripting

    def run_script(self, source):
        """Runs a KWin script; what it prints between marks, read from KWin's log."""
        self.scripts += 1
        mark = "@@vesperon-%d@@" % self.scripts
        path = os.path.join(self.tmp, "script-%d.js" % self.scripts)
        with open(path, "w") as f:
            f.write(source.replace("%(mark)s", mark))
        scripting = dbus.Interface(self.session_bus.get_object("org.kde.KWin", "/Scripting"),
                                   "org.kde.kwin.Scripting")
        name = "vesperon-%d" % self.scripts
        scripting.loadScript(path, name, signature="ss")
        scripting.start()   # runs the scripts loaded and not yet running
        try:
            pattern = re.compile(re.escape(mark) + "(.*?)" + re.escape(mark))
            return wait_for(lambda: pattern.search(self.log("kwin.err", 0)), CMD_TIMEOUT,
                            "the KWin script's answer", interval=0.05).group(1)
        finally:
            scripting.unloadScript(name)
            os.unlink(path)

    def windows(self):
        if self.app is None:
            return []
        return json.loads(self.run_script(KWIN_WINDOWS_JS % {"pid": self.app.pid, "mark": "%(mark)s"}))

    def for_each(self, title, action):
        self.run_script(KWIN_EACH_JS % {"pid": self.app.pid, "title": json.dumps(title.strip()),
                                        "action": action, "mark": "%(mark)s"})

    def activate(self, title):
        """Brings a window to the front as its task-bar entry does."""
        self.for_each(title, "workspace.activeClient = list[i]")

    def close_window(self, title):
        self.for_each(title, "list[i].closeWindow()")

    def window_origin(self, w):
        # The client area: at the bottom of the frame, inside its borders.
        border = (w["width"] - 246) // 2
        return (w["x"] + border, w["y"] + w["height"] - border - 278)

    def work_area(self):
        return tuple(json.loads(self.run_script(
            'var a = workspace.clientArea(KWin.MaximizeArea, 0, 1);'
            ' print("%(mark)s" + JSON.stringify([a.x, a.y, a.width, a.height]) + "%(mark)s");')))

    def screenshot(self, path, window=None):
        subprocess.run(["spectacle", "-b", "-n", "-f", "-o", path], env=self.env(),
                       timeout=60, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def describe(self):
        return super().describe() + "\nKWin log:\n" + self.log("kwin.err", 1500)
