"""Full desktops, headless, for trying vesperon as their users meet it.

  * GnomeDesktop: Debian's GNOME Shell 43 (mutter) with a virtual monitor,
    optionally with the AppIndicator extension (GNOME's only tray). The
    shell is scripted over its own D-Bus interface: a small extension of
    ours turns on its unsafe mode, so that org.gnome.Shell.Eval answers
    with mutter's view of the windows and Screenshot takes pictures; the
    pointer and keyboard are mutter's remote-desktop virtual devices.
  * PlasmaDesktop: KDE Plasma 5.27, KWin on Wayland (with its XWayland) or
    KWin on X11 (under Xvfb), with plasmashell for the task bar and the
    tray. KWin is scripted with KWin scripts loaded over D-Bus, which print
    its view of the windows to its log.

Each reuses Desktop's private buses (the stand-in system bus with the mock
logind, and the session bus) and starts the program as a user does: with
nothing set but what the session itself gives its programs.
"""

import glob
import json
import os
import re
import shutil
import subprocess
import time

import dbus

from desktop import (x_locks_of, CMD_TIMEOUT, START_TIMEOUT, WINDOW_TIMEOUT, Desktop, DesktopError, MAIN_TITLE,
                     _say)

SCREEN = (1024, 768)
BACKGROUND = "#3a6ea5"

# ---------------------------------------------------------------- GNOME

SHELL_NAME = "org.gnome.Shell"
SHELL_PATH = "/org/gnome/Shell"
APPINDICATOR = "ubuntu-appindicators@ubuntu.com"
UNSAFE = "vesperon-test-unsafe@example.org"
REMOTE_DESKTOP = "org.gnome.Mutter.RemoteDesktop"
BTN_LEFT = 0x110

UNSAFE_METADATA = {"uuid": UNSAFE, "name": "Unsafe mode for tests",
                   "description": "Lets the tests script the shell", "shell-version": ["43"]}
UNSAFE_EXTENSION = """function init() {}
function enable() { global.context.unsafe_mode = true; }
function disable() {}
"""

# mutter's view of the windows of one process, as JSON.
WINDOWS_JS = """
(function () {
    const Shell = imports.gi.Shell;
    const tracker = Shell.WindowTracker.get_default();
    return JSON.stringify(global.get_window_actors().map(a => a.meta_window)
        .filter(w => w.get_pid() === %d)
        .map(w => {
            const f = w.get_frame_rect(), b = w.get_buffer_rect();
            const app = tracker.get_window_app(w);
            return {
                title: w.get_title(), x: f.x, y: f.y, width: f.width, height: f.height,
                buffer: [b.x, b.y, b.width, b.height],
                client: w.get_client_type(), above: w.is_above(), minimized: w.minimized,
                showing: w.showing_on_its_workspace() && !w.minimized,
                skip_taskbar: w.is_skip_taskbar(), decorated: w.decorated,
                can_maximize: w.can_maximize(), can_minimize: w.can_minimize(),
                resizeable: w.resizeable, type: w.get_window_type(),
                transient_for: w.get_transient_for() ? w.get_transient_for().get_title() : null,
                // gjs cannot hand over the icon itself, only say there is one.
                has_icon: (() => { try { return !!w.icon; } catch (e) { return true; } })(),
                app: app ? app.get_id() : null, app_window_backed: app ? app.is_window_backed() : null,
                focus: w.has_focus(),
            };
        }));
})()
"""



def log_tail(folder, name):
    """The last 3000 characters of a log in `folder`, or nothing."""
    try:
        with open(os.path.join(folder, name), encoding="utf-8", errors="replace") as f:
            return f.read()[-3000:]
    except OSError:
        return ""


def remove_x_locks(owner_pid):
    """Takes away the X displays' lock files and sockets that a killed
    server of process `owner_pid` left."""
    for lock, number in x_locks_of(owner_pid):
        for path in (lock, "/tmp/.X11-unix/X" + number):
            try:
                os.unlink(path)
            except OSError:
                pass


class GnomeDesktop(Desktop):
    """GNOME Shell 43 headless on Wayland, its XWayland, the program."""

    def __init__(self, appindicator=True, **kw):
        kw.setdefault("lang", "C.UTF-8")
        super().__init__(**kw)
        self.appindicator = appindicator
        self.socket = None
        self.shell = None
        self.xauthority = None
        self._remote = None

    def start(self):
        self._make_folders("vesperon-gnome-")
        # The shell needs both buses, and logind on the system one.
        self._start_bus()
        self._start_session_bus()
        if self.logind:
            self._start_logind()
        self._start_shell()

    def _settings(self):
        folder = os.path.join(self.home, ".config", "glib-2.0", "settings")
        os.makedirs(folder, exist_ok=True)
        extensions = [UNSAFE] + ([APPINDICATOR] if self.appindicator else [])
        with open(os.path.join(folder, "keyfile"), "w") as f:
            f.write("[org/gnome/shell]\n"
                    "disable-user-extensions=false\n"
                    "enabled-extensions=%r\n"
                    "welcome-dialog-last-shown-version='999'\n"
                    "[org/gnome/desktop/background]\n"
                    "picture-uri=''\npicture-uri-dark=''\n"
                    "primary-color='%s'\ncolor-shading-type='solid'\n"
                    "[org/gnome/desktop/interface]\n"
                    "enable-animations=false\n" % (extensions, BACKGROUND))
        ext = os.path.join(self.home, ".local", "share", "gnome-shell", "extensions", UNSAFE)
        os.makedirs(ext)
        with open(os.path.join(ext, "metadata.json"), "w") as f:
            json.dump(UNSAFE_METADATA, f)
        with open(os.path.join(ext, "extension.js"), "w") as f:
            f.write(UNSAFE_EXTENSION)

    def _session_env(self):
        """What the session gives every program started in it."""
        env = Desktop.env(self)
        env.pop("DISPLAY", None)
        env.update({"XDG_SESSION_TYPE": "wayland", "XDG_CURRENT_DESKTOP": "GNOME",
                    "XDG_SESSION_DESKTOP": "gnome", "DESKTOP_SESSION": "gnome",
                    "GSETTINGS_BACKEND": "keyfile"})
        return env

    def _start_shell(self):
        self._settings()
        self.socket = "vesperon-gnome-%d" % os.getpid()
        self.shell = self._spawn("gnome-shell", [
            "gnome-shell", "--headless", "--wayland",
            "--wayland-display=" + self.socket, "--virtual-monitor", "%dx%d" % SCREEN],
            env=self._session_env())
        self._wait_for(lambda: self._shell_ready() or self._shell_gone(), START_TIMEOUT,
                       "GNOME Shell on the session bus")
        self._wait_for(lambda: self.eval("global.context.unsafe_mode === true") is True
                       or self._shell_gone(), START_TIMEOUT, "the shell's unsafe mode")
        # A session starts in the overview; the desktop itself is wanted, and
        # no notice over it.
        self._wait_for(lambda: self.eval(
            "const Main = imports.ui.main; if (!Main.layoutManager._startingUp) {"
            " Main.overview.hide(); Main.messageTray.getSources().forEach(s => s.destroy()); }"
            " !Main.layoutManager._startingUp && !Main.overview.visible"
            " && !Main.overview.animationInProgress") is True,
            START_TIMEOUT, "the shell to leave its overview", interval=0.2)
        # The notification server: the shell asks the session bus to start
        # org.gnome.Shell.Notifications (which owns org.freedesktop.Notifications
        # and hands the notices to the shell); this bus starts nothing, so
        # it is started here as the session's bus would.
        self._spawn("gnome-notifications", ["gjs", "/usr/share/gnome-shell/org.gnome.Shell.Notifications"],
                    env=self._session_env())
        self._wait_for(lambda: self._session.name_has_owner("org.freedesktop.Notifications"),
                       START_TIMEOUT, "GNOME's notification server")
        # The shell's X display: its XWayland starts when the first X client
        # comes, but the display is taken (and its lock file written) at once.
        self.display = int(self._wait_for(self._x_display, START_TIMEOUT, "the shell's X display"))
        self.xauthority = self._wait_for(
            lambda: (glob.glob(os.path.join(self.runtime_dir, ".mutter-Xwaylandauth.*")) or [None])[0],
            START_TIMEOUT, "the XWayland authority file")
        # The virtual pointer, from the bottom-right corner.
        self.move_pointer(SCREEN[0] // 2, SCREEN[1] // 2)
        _say("GNOME Shell on %s, X display :%d" % (self.socket, self.display))

    def _shell_gone(self):
        if self.shell.poll() is not None:
            raise DesktopError("gnome-shell ended\n" + self._log("gnome-shell.err"))
        return False

    def _shell_ready(self):
        try:
            return self._session.name_has_owner(SHELL_NAME) and self._session.name_has_owner(
                "org.gnome.Mutter.RemoteDesktop")
        except dbus.DBusException:
            return False

    def _x_display(self):
        value = self.eval("imports.gi.GLib.getenv('DISPLAY')")
        m = re.match(r'^:(\d+)$', value or "")
        return m.group(1) if m else None

    def _log(self, name):
        return log_tail(self.tmp, name)

    def stop(self):
        shell_pid = self.shell.pid if self.shell else None
        Desktop.stop(self)
        # A shell that was killed leaves the X displays' lock files and
        # sockets it took: take away those that carry its process id.
        if shell_pid:
            remove_x_locks(shell_pid)

    def env(self, **extra):
        env = self._session_env()
        if self.socket:
            env["WAYLAND_DISPLAY"] = self.socket
        if self.display is not None:
            env["DISPLAY"] = ":%d" % self.display
        if self.xauthority:
            env["XAUTHORITY"] = self.xauthority
        env.update(extra)
        return env

    # ------------------------------------------------------------ scripting

    def eval(self, script):
        """Runs JavaScript in the shell; its result (read as JSON), or None."""
        obj = self._session.get_object(SHELL_NAME, SHELL_PATH)
        try:
            ok, result = dbus.Interface(obj, SHELL_NAME).Eval(script, timeout=CMD_TIMEOUT)
        except dbus.DBusException as e:
            _say("Eval failed: %s" % e)
            return None
        if not ok:
            raise DesktopError("the shell refused %r: %s" % (script[:60], result))
        try:
            return json.loads(str(result)) if str(result) else None
        except ValueError:
            return str(result)

    def windows(self):
        """mutter's view of the program's windows, in stacking order."""
        if self.app is None:
            return []
        return json.loads(self.eval(WINDOWS_JS % self.app.pid) or "[]")

    def window(self, title, showing=None):
        for w in self.windows():
            if w["title"] == title and (showing is None or w["showing"] == showing):
                return w
        return None

    def wait_window(self, title, timeout=WINDOW_TIMEOUT, showing=True):
        return self._wait_for(lambda: self.window(title, showing), timeout,
                              "a window titled %r" % title, interval=0.1)

    def work_area(self):
        """(x, y, width, height) of the screen less the shell's top bar."""
        a = self.eval("const a = global.workspace_manager.get_active_workspace()"
                      ".get_work_area_for_monitor(0); [a.x, a.y, a.width, a.height]")
        return tuple(a)

    def close_window(self, title):
        """Asks the window to close, as its close box does."""
        self.eval("global.get_window_actors().map(a => a.meta_window).filter(w => w.get_title() === %s)"
                  ".forEach(w => w.delete(global.get_current_time())); true" % json.dumps(title))

    def set_extension(self, uuid, enabled):
        self.eval("imports.ui.main.extensionManager.%s(%s); true"
                  % ("enableExtension" if enabled else "disableExtension", json.dumps(uuid)))

    def wait_focus(self, title, timeout=WINDOW_TIMEOUT):
        """Waits until the window titled `title` has the keyboard."""
        return self._wait_for(lambda: (lambda w: w if w and w["focus"] else None)(self.window(title)),
                              timeout, "%r to have the focus" % title, interval=0.05)

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        w = self.wait_window(MAIN_TITLE, timeout)
        last = [None]

        def settled():
            now = self.window(MAIN_TITLE)
            steady = now is not None and now == last[0]
            last[0] = now
            return steady
        self._wait_for(settled, timeout, "the main window to settle", interval=0.15)
        w = self.wait_focus(MAIN_TITLE, timeout)
        # The client area lies at the bottom of the window, under the menu bar.
        bx, by, bw, bh = w["buffer"]
        self.main_window = w
        self.origin = (w["x"] + (w["width"] - 246) // 2, w["y"] + w["height"] - 278)
        return w

    def refresh_origin(self):
        return self.origin

    def screenshot(self, path, window=None):
        obj = self._session.get_object(SHELL_NAME, SHELL_PATH + "/Screenshot")
        ok, _ = dbus.Interface(obj, SHELL_NAME + ".Screenshot").Screenshot(
            False, False, path, timeout=60)
        if not ok:
            raise DesktopError("the shell took no screenshot")
        return path

    # ----------------------------------------------------------------- input

    def _remote_session(self):
        if self._remote is None:
            obj = self._session.get_object(REMOTE_DESKTOP, "/org/gnome/Mutter/RemoteDesktop")
            path = dbus.Interface(obj, REMOTE_DESKTOP).CreateSession()
            session = dbus.Interface(self._session.get_object(REMOTE_DESKTOP, path),
                                     REMOTE_DESKTOP + ".Session")
            session.Start()
            self._remote = session
            self._pointer = None
        return self._remote

    def move_pointer(self, x, y):
        """To root x, y: first to the bottom-right corner, from there relative
        (the top-left hot corner would stop a pointer passing it)."""
        session = self._remote_session()
        if self._pointer is None:
            session.NotifyPointerMotionRelative(5000.0, 5000.0)
            self._pointer = (SCREEN[0] - 1, SCREEN[1] - 1)
        dx, dy = x - self._pointer[0], y - self._pointer[1]
        if dx or dy:
            session.NotifyPointerMotionRelative(float(dx), float(dy))
        self._pointer = (x, y)
        self._wait_for(lambda: self.pointer() == (x, y),
                       CMD_TIMEOUT, "the pointer at %d, %d" % (x, y), interval=0.02)

    def pointer(self):
        return tuple(self.eval("global.get_pointer().slice(0, 2)"))

    def click_at(self, x, y, button=1):
        self.move_pointer(x, y)
        session = self._remote_session()
        t = time.time()
        session.NotifyPointerButton(BTN_LEFT, True)
        time.sleep(0.05)
        session.NotifyPointerButton(BTN_LEFT, False)
        return t

    def click(self, control, button=1, **kw):
        x, y = self.point(control, **kw)
        return self.click_at(x, y, button)

    def key(self, *keys):
        """Keys to the program's focused window, through XWayland's XTEST
        (the remote-desktop keyboard loses the press of a key that follows a
        window's mapping closely)."""
        self.xdotool("key", "--delay", 60, *keys)

    def compositor_key(self, *keys):
        """Keys to the shell itself, by X keysym name; "alt+Tab" holds the
        modifiers."""
        session = self._remote_session()
        names = {"alt": "Alt_L", "ctrl": "Control_L", "shift": "Shift_L", "super": "Super_L"}
        for k in keys:
            parts = [names.get(p, p) for p in k.split("+")]
            syms = [self._keysym(p) for p in parts]
            for s in syms:
                session.NotifyKeyboardKeysym(dbus.UInt32(s), True)
                time.sleep(0.05)
            for s in reversed(syms):
                session.NotifyKeyboardKeysym(dbus.UInt32(s), False)
                time.sleep(0.05)

    @staticmethod
    def _keysym(name):
        table = {"Return": 0xff0d, "Escape": 0xff1b, "Tab": 0xff09, "Alt_L": 0xffe9,
                 "Control_L": 0xffe3, "Shift_L": 0xffe1, "Super_L": 0xffeb, "space": 0x20}
        if name in table:
            return table[name]
        if len(name) == 1:
            return ord(name)
        raise ValueError("no keysym for %r" % name)

    def describe(self):
        lines = [Desktop.describe(self)]
        try:
            lines.append("windows: %s" % self.windows())
        except Exception as e:  # a failed shell says so in its log
            lines.append("windows: %s" % e)
        lines.append("shell log:\n" + self._log("gnome-shell.err")[-1500:])
        return "\n".join(lines)


# ---------------------------------------------------------------- Plasma

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

KWIN_CLOSE_JS = """
var list = workspace.clientList();
for (var i = 0; i < list.length; ++i)
    if (list[i].pid === %(pid)d && list[i].caption === %(title)s) list[i].closeWindow();
"""

KDE_ENV = {"XDG_CURRENT_DESKTOP": "KDE", "KDE_FULL_SESSION": "true", "KDE_SESSION_VERSION": "5",
           "XDG_SESSION_DESKTOP": "KDE", "DESKTOP_SESSION": "plasma"}


class PlasmaDesktop(Desktop):
    """KDE Plasma 5.27: KWin on Wayland with its XWayland (wayland=True) or
    KWin on X11 under Xvfb; plasmashell with its panel and tray (shell=True)."""

    def __init__(self, wayland=True, shell=True, **kw):
        super().__init__(**kw)
        self.wayland = wayland
        self.shell = shell
        self.socket = None
        self.kwin = None
        self._script = 0

    def start(self):
        self._make_folders("vesperon-plasma-", 0o711)
        self._start_bus()
        self._start_activating_session_bus()
        if self.logind:
            self._start_logind()
        if self.wayland:
            self._start_kwin_wayland()
        else:
            Desktop._start_x(self)    # Xvfb with openbox: openbox is replaced below
            self._start_kwin_x11()
        self._activation_env()
        if self.shell:
            self._start_plasmashell()

    def _start_activating_session_bus(self):
        # The desktop's session bus starts its services on demand (the
        # activity manager, kded's StatusNotifierWatcher), as a session's does.
        busdir = os.path.join(self.tmp, "session-bus")
        os.mkdir(busdir, 0o700)
        proc = self._spawn("session-bus", ["dbus-daemon", "--nofork", "--session",
                                           "--address=unix:dir=" + busdir, "--print-address=1"],
                           stdout=subprocess.PIPE)
        self.session_bus_address = self._read_line(proc.stdout.fileno(), START_TIMEOUT,
                                                   "the session bus address")
        self._session = dbus.bus.BusConnection(self.session_bus_address)

    def _session_env(self):
        env = Desktop.env(self)
        env.update(KDE_ENV)
        env["XDG_SESSION_TYPE"] = "wayland" if self.wayland else "x11"
        return env

    def env(self, **extra):
        env = self._session_env()
        if self.socket:
            env["WAYLAND_DISPLAY"] = self.socket
        if self.display is not None:
            env["DISPLAY"] = ":%d" % self.display
        env.update(extra)
        return env

    def _start_kwin_wayland(self):
        # kwin_wayland carries a file capability that a container cannot
        # grant: a plain copy of it runs.
        kwin = os.path.join(self.tmp, "kwin_wayland")
        shutil.copy("/usr/bin/kwin_wayland", kwin)
        self.socket = "vesperon-plasma-%d" % os.getpid()
        env = self._session_env()
        env.pop("DISPLAY", None)
        env["QT_LOGGING_RULES"] = "kwin_scripting.debug=true"
        self.kwin = self._spawn("kwin", [kwin, "--virtual", "--width", str(SCREEN[0]), "--height",
                                         str(SCREEN[1]), "--socket", self.socket, "--xwayland",
                                         "--no-lockscreen", "--no-global-shortcuts"], env=env)
        self._wait_for(lambda: self._kwin_ready() or self._kwin_gone(), START_TIMEOUT, "KWin")
        self.display = int(self._wait_for(self._x_display, START_TIMEOUT, "KWin's X display"))
        _say("KWin on %s, X display :%d" % (self.socket, self.display))

    def _start_kwin_x11(self):
        env = self._session_env()
        env["QT_LOGGING_RULES"] = "kwin_scripting.debug=true"
        self.kwin = self._spawn("kwin", ["kwin_x11", "--replace"], env=env)
        self._wait_for(lambda: self._kwin_ready() or self._kwin_gone(), START_TIMEOUT, "KWin")

    def _kwin_ready(self):
        try:
            obj = self._session.get_object("org.kde.KWin", "/Scripting", introspect=False)
            dbus.Interface(obj, dbus.INTROSPECTABLE_IFACE).Introspect()
            return "org.kde.kwin.Scripting" in dbus.Interface(obj, dbus.INTROSPECTABLE_IFACE).Introspect()
        except dbus.DBusException:
            return False

    def _kwin_gone(self):
        if self.kwin.poll() is not None:
            raise DesktopError("KWin ended\n" + self._log("kwin.err"))
        return False

    def _x_display(self):
        for _, number in x_locks_of(self.kwin.pid):
            return number
        self._kwin_gone()
        return None

    def _activation_env(self):
        env = self.env()
        names = ["WAYLAND_DISPLAY", "DISPLAY", "XDG_CURRENT_DESKTOP", "KDE_FULL_SESSION",
                 "KDE_SESSION_VERSION", "XDG_SESSION_TYPE", "HOME", "XDG_RUNTIME_DIR",
                 "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME", "DBUS_SYSTEM_BUS_ADDRESS"]
        subprocess.run(["dbus-update-activation-environment"] + [n for n in names if n in env],
                       env=env, check=True, timeout=CMD_TIMEOUT)

    def _start_plasmashell(self):
        env = self.env()
        if self.wayland:
            env["QT_QPA_PLATFORM"] = "wayland"
        self._spawn("plasmashell", ["plasmashell", "--no-respawn"], env=env)
        # Its tray is up once a StatusNotifier host is registered.
        self._wait_for(self._tray_host, 60, "plasmashell's tray", interval=0.2)

    def _tray_host(self):
        try:
            if not self._session.name_has_owner("org.kde.StatusNotifierWatcher"):
                return False
            obj = self._session.get_object("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher")
            return bool(dbus.Interface(obj, dbus.PROPERTIES_IFACE).Get(
                "org.kde.StatusNotifierWatcher", "IsStatusNotifierHostRegistered"))
        except dbus.DBusException:
            return False

    def _log(self, name):
        return log_tail(self.tmp, name)

    def stop(self):
        kwin_pid = self.kwin.pid if self.kwin else None
        Desktop.stop(self)
        if kwin_pid:
            remove_x_locks(kwin_pid)

    # ------------------------------------------------------------ scripting

    def run_script(self, source):
        """Runs a KWin script; what it prints between marks, read from KWin's log."""
        self._script += 1
        mark = "@@vesperon-%d@@" % self._script
        path = os.path.join(self.tmp, "script-%d.js" % self._script)
        with open(path, "w") as f:
            f.write(source.replace("%(mark)s", mark))
        obj = self._session.get_object("org.kde.KWin", "/Scripting")
        scripting = dbus.Interface(obj, "org.kde.kwin.Scripting")
        name = "vesperon-%d" % self._script
        scripting.loadScript(path, name, signature="ss")
        scripting.start()   # runs the scripts loaded and not yet running
        try:
            pattern = re.compile(re.escape(mark) + "(.*?)" + re.escape(mark))
            found = self._wait_for(lambda: pattern.search(self._log_all("kwin.err")),
                                   CMD_TIMEOUT, "the KWin script's answer", interval=0.05)
            return found.group(1)
        finally:
            scripting.unloadScript(name)
            os.unlink(path)

    def _log_all(self, name):
        try:
            with open(os.path.join(self.tmp, name), encoding="utf-8", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def windows(self):
        if self.app is None:
            return []
        return json.loads(self.run_script(KWIN_WINDOWS_JS % {"pid": self.app.pid, "mark": "%(mark)s"}))

    def window(self, title, showing=None):
        # KWin shows captions without their trailing spaces.
        for w in self.windows():
            if w["title"] == title.strip() and (showing is None or w["showing"] == showing):
                return w
        return None

    def wait_window(self, title, timeout=WINDOW_TIMEOUT, showing=True):
        return self._wait_for(lambda: self.window(title, showing), timeout,
                              "a window titled %r" % title, interval=0.1)

    def wait_focus(self, title, timeout=WINDOW_TIMEOUT):
        return self._wait_for(lambda: (lambda w: w if w and w["focus"] else None)(self.window(title)),
                              timeout, "%r to have the focus" % title, interval=0.05)

    def activate(self, title):
        """Brings a window to the front as its task-bar entry does."""
        self.run_script("var list = workspace.clientList();"
                        " for (var i = 0; i < list.length; ++i)"
                        " if (list[i].pid === %d && list[i].caption === %s) workspace.activeClient = list[i];"
                        ' print("%%(mark)s%%(mark)s");' % (self.app.pid, json.dumps(title.strip())))

    def has_icon(self, window_id):
        """Whether the X11 window carries an icon of its own (_NET_WM_ICON)."""
        r = subprocess.run(["xprop", "-id", str(window_id), "-notype", "_NET_WM_ICON"], env=self.env(),
                           capture_output=True, text=True, timeout=CMD_TIMEOUT)
        return "_NET_WM_ICON =" in r.stdout or "_NET_WM_ICON(" in r.stdout

    def key(self, *keys):
        self.xdotool("key", "--delay", 60, *keys)

    def close_window(self, title):
        self.run_script(KWIN_CLOSE_JS % {"pid": self.app.pid, "title": json.dumps(title.strip())}
                        + '\nprint("%(mark)s%(mark)s");')

    def work_area(self):
        return tuple(json.loads(self.run_script(
            'var a = workspace.clientArea(KWin.MaximizeArea, 0, 1);'
            ' print("%(mark)s" + JSON.stringify([a.x, a.y, a.width, a.height]) + "%(mark)s");')))

    def find_main_window(self, timeout=WINDOW_TIMEOUT):
        self.wait_window(MAIN_TITLE, timeout)
        last = [None]

        def settled():
            now = self.window(MAIN_TITLE)
            steady = now is not None and now == last[0]
            last[0] = now
            return steady
        self._wait_for(settled, timeout, "the main window to settle", interval=0.15)
        w = self.wait_focus(MAIN_TITLE, timeout)
        self.main_window = w
        # The client area: at the bottom of the frame, inside its borders.
        border = (w["width"] - 246) // 2
        self.origin = (w["x"] + border, w["y"] + w["height"] - border - 278)
        return w

    def refresh_origin(self):
        return self.origin

    def screenshot(self, path, window=None):
        subprocess.run(["spectacle", "-b", "-n", "-f", "-o", path], env=self.env(),
                       timeout=60, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    def describe(self):
        lines = [Desktop.describe(self)]
        lines.append("KWin log:\n" + self._log("kwin.err")[-1500:])
        return "\n".join(lines)
